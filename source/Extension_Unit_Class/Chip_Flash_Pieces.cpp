// Flash piece transfers of the chip families: one 4096-byte sector read, or erased and
// written, in chunks over the flash selectors. Every other piece-sized flash access (external
// ID, customer pieces, the rewrite of piece 0) goes through these two; the download uses the
// same requests.
#include <array>

#include "Extension_Unit_Class/Extension_Unit_Chip_Protocol.h"
#include "Extension_Unit_Class/Extension_Unit_Log.h"
#include "platform/Pacing_Clock.h"

namespace {

constexpr std::uint16_t Erase_Selector = 13;
constexpr std::uint16_t Transfer_Address_Selector = 14;
constexpr std::uint16_t Flash_Data_Selector = 15;
// A chunk written needs this long before it can be read back or the next one sent.
constexpr std::uint32_t Chunk_Write_Pause_Ms = 10;

std::array<std::uint8_t, 4> Little_Endian(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

std::uint32_t Piece_Address(std::uint16_t piece) {
    return static_cast<std::uint32_t>(piece) << 12;
}

} // namespace

int Extension_Unit_Chip_Protocol::Prepare_Transfer(unsigned passes, bool ask_length, std::uint16_t& length) {
    const std::uint16_t fixed = family_.Transfer.Fixed_Chunk_Length;
    int result = 0;
    length = fixed;
    for (unsigned pass = 0; pass < passes; ++pass) {
        if (Set_Flash_type(0) == Result_Failed)
            return Result_Failed;
        if (ask_length) {
            std::uint16_t answered = 0;
            result = Get_Flash_Length_Mes(&answered);
            if (result == Result_Failed)
                return Result_Failed;
            length = fixed != 0 ? fixed : answered;
        }
    }
    return result;
}

int Extension_Unit_Chip_Protocol::Send_Sector_Erase(std::uint32_t address) {
    ExtUnit* unit = Unit();
    if (!unit)
        return Result_Failed;
    const auto bytes = Little_Endian(address);
    Ext_Unit_Request requests[] = {
        Ext_Unit_Request::Get_Len(Erase_Selector, family_.Unit_Field, 0),
        Ext_Unit_Request::Set_Cur(Erase_Selector, family_.Unit_Field, 4, bytes.data()),
    };
    unit->Send_Request(&requests[0]); // the answer is not used
    return unit->Send_Request(&requests[1]);
}

int Extension_Unit_Chip_Protocol::Send_Chunk(Chunk_Direction direction, std::uint32_t address,
                                             std::uint8_t* data, std::uint16_t length, bool trace_failures) {
    ExtUnit* unit = Unit();
    if (!unit)
        return Result_Failed;
    const std::uint16_t unit_field = family_.Unit_Field;
    const auto bytes = Little_Endian(address);
    Ext_Unit_Request requests[] = {
        Ext_Unit_Request::Get_Len(Transfer_Address_Selector, unit_field, 0),
        Ext_Unit_Request::Set_Cur(Transfer_Address_Selector, unit_field, 4, bytes.data()),
        Ext_Unit_Request::Get_Len(Flash_Data_Selector, unit_field, 0),
        direction == Chunk_Direction::Write
            ? Ext_Unit_Request::Set_Cur(Flash_Data_Selector, unit_field, length, data)
            : Ext_Unit_Request::Get_Cur(Flash_Data_Selector, unit_field, length, data),
    };
    int result = 0;
    for (Ext_Unit_Request& request : requests) {
        const int sent = unit->Send_Request(&request);
        if (sent < 0) {
            result = sent;
            if (trace_failures)
                EXTENSION_UNIT_LOG_LOCATION();
        }
    }
    return result;
}

int Extension_Unit_Chip_Protocol::Read_ISP_Mem_Piece(std::uint16_t piece, std::uint8_t* buffer) {
    const Chip_Transfer_Traits& traits = family_.Transfer;
    if (!buffer)
        return Result_Refused;
    Run_Flash_Register_Script(traits.Before_Piece_Read);
    std::uint16_t length = 0;
    int result = Prepare_Transfer(traits.Preparation_Passes, true, length);
    // A length that does not divide the piece would leave bytes unread or run past the buffer.
    if (result == Result_Failed || !Chunk_Length_Accepted(length)) {
        if (traits.Traces_Piece_Read)
            EXTENSION_UNIT_LOG_LOCATION();
        return Result_Failed;
    }
    const std::uint32_t address = Piece_Address(piece);
    for (std::uint32_t at = 0; at < ISP_Piece_Size; at += length) {
        // A failed chunk is not retried; the others are still read.
        const int sent = Send_Chunk(Chunk_Direction::Read, address + at, buffer + at, length, false);
        if (sent < 0)
            result = sent;
    }
    if (traits.Traces_Piece_Read)
        EXTENSION_UNIT_LOG_LOCATION();
    return result;
}

int Extension_Unit_Chip_Protocol::Write_ISP_Mem_Piece(std::uint16_t piece, const std::uint8_t* buffer) {
    const Chip_Transfer_Traits& traits = family_.Transfer;
    EXTENSION_UNIT_LOG_LOCATION();
    if (!buffer)
        return Result_Refused;
    // Clears the part's block protection, which would make the erase and program do nothing.
    Run_Flash_Register_Script(traits.Before_Piece_Write);
    std::uint16_t length = 0;
    const int prepared = Prepare_Transfer(traits.Preparation_Passes, traits.Fixed_Chunk_Length == 0, length);
    if (prepared == Result_Failed || !Chunk_Length_Accepted(length)) {
        EXTENSION_UNIT_LOG_LOCATION();
        return Result_Failed;
    }
    const std::uint32_t address = Piece_Address(piece);
    int result = Send_Sector_Erase(address);
    if (traits.Pause_After_Piece_Erase_Ms != 0)
        platform::Sleep(traits.Pause_After_Piece_Erase_Ms);
    if (result == Result_Failed) {
        EXTENSION_UNIT_LOG_LOCATION();
        return Result_Failed;
    }
    for (std::uint32_t at = 0; at < ISP_Piece_Size; at += length) {
        // The chip only reads through the data pointer of a set.
        const int sent = Send_Chunk(Chunk_Direction::Write, address + at,
                                    const_cast<std::uint8_t*>(buffer + at), length, true);
        if (sent < 0)
            result = sent;
        platform::Sleep(Chunk_Write_Pause_Ms);
    }
    EXTENSION_UNIT_LOG_LOCATION();
    return result;
}
