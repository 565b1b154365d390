#include "Extension_Unit_Class/Extension_Unit_Chip_Protocol.h"

#include <algorithm>
#include <array>

#include "Extension_Unit_Class/Chip_Register_Access.h"

namespace {

constexpr bool ExID_Fits_Its_Piece(const Chip_Family* family) {
    return family->ExID_Offset + ExID_Size <= ISP_Piece_Size;
}
static_assert(std::all_of(Chip_Families.begin(), Chip_Families.end(), ExID_Fits_Its_Piece));

using Piece_Buffer = std::array<std::uint8_t, ISP_Piece_Size>;

} // namespace

Extension_Unit_Chip_Protocol::Extension_Unit_Chip_Protocol(Extension_Unit_Base_Class* device,
                                                           const char* product_id, const Chip_Family& family)
    : Extension_Unit_Device_Protocol(device, product_id), family_(family) {}

ExtUnit* Extension_Unit_Chip_Protocol::Unit() const {
    if (!Device())
        return nullptr;
    return family_.Binding == Unit_Binding::First ? &Device()->xu1 : &Device()->xu2;
}

template <typename Value>
int Extension_Unit_Chip_Protocol::Access_Register(int (*access)(ExtUnit&, std::uint16_t, std::uint16_t,
                                                                Value),
                                                  std::uint16_t address, Value value) {
    ExtUnit* unit = Unit();
    return unit ? access(*unit, family_.Unit_Field, address, value) : Result_Failed;
}

int Extension_Unit_Chip_Protocol::Read_Reg(std::uint16_t address, std::uint8_t* value) {
    return Access_Register(Read_Chip_Register, address, value);
}

int Extension_Unit_Chip_Protocol::Write_Reg(std::uint16_t address, std::uint8_t value) {
    return Access_Register(Write_Chip_Register, address, value);
}

int Extension_Unit_Chip_Protocol::Read_Reg16(std::uint16_t address, std::uint16_t* value) {
    return Access_Register(Read_Chip_Register16, address, value);
}

int Extension_Unit_Chip_Protocol::Write_Reg16(std::uint16_t address, std::uint16_t value) {
    return Access_Register(Write_Chip_Register16, address, value);
}

int Extension_Unit_Chip_Protocol::Reset_Device() {
    // Only the library's own -1 stops the sequence: a transport error on one write may still
    // leave the chip able to take the restart write.
    for (const Register_Write& write : family_.Reset_Sequence) {
        if (Write_Reg(write.Address, write.Value) == Result_Failed)
            return Result_Failed;
    }
    return 0;
}

int Extension_Unit_Chip_Protocol::Read_ExID(std::uint8_t* out) {
    if (!out)
        return Result_Refused;
    Piece_Buffer piece{};
    const int result = Read_ISP_Mem_Piece(family_.ExID_Piece, piece.data());
    std::copy_n(piece.begin() + family_.ExID_Offset, ExID_Size, out);
    return result;
}

int Extension_Unit_Chip_Protocol::Write_ExID(const std::uint8_t* in) {
    if (!in)
        return Result_Refused;
    Piece_Buffer piece{};
    const int read = Read_ISP_Mem_Piece(family_.ExID_Piece, piece.data());
    // The whole sector is erased and rewritten from this buffer: without a good read it would
    // replace the rest of the sector with whatever the buffer holds.
    if (read != 0)
        return read;
    std::copy_n(in, ExID_Size, piece.begin() + family_.ExID_Offset);
    return Write_ISP_Mem_Piece(family_.ExID_Piece, piece.data());
}

int Extension_Unit_Chip_Protocol::Read_Customer_Piece(std::uint16_t index, std::uint8_t* buffer) {
    if (index >= family_.Customer_Piece_Count)
        return Result_Refused;
    return Read_ISP_Mem_Piece(family_.Customer_Pieces[index], buffer);
}

int Extension_Unit_Chip_Protocol::Write_Customer_Piece(std::uint16_t index, const std::uint8_t* buffer) {
    // The closing entry is piece 0, the image header: rewriting it from a customer buffer
    // would leave the camera unable to boot.
    if (index + 1 >= family_.Customer_Piece_Count)
        return Result_Refused;
    return Write_ISP_Mem_Piece(family_.Customer_Pieces[index], buffer);
}
