#include "platform/simulated/Soc_File_Channel.h"

#include <algorithm>
#include <string_view>

namespace platform::simulated {

namespace {

constexpr std::size_t Payload_Offset = 12;
constexpr std::size_t Path_Field_Size = 512;
constexpr std::size_t Value_Offset = Payload_Offset + Path_Field_Size;
constexpr std::size_t Op_Offset = Value_Offset + 4;
constexpr std::uint32_t File_Operation_Length = 520;

constexpr std::uint32_t Kind_File_Data = 8;
constexpr std::uint32_t Kind_Shell_Command = 128;
constexpr std::uint32_t Kind_File_Operation = 133;

constexpr std::uint32_t Op_Get_Size = 0x80;
constexpr std::uint32_t Op_Read = 0x100;
constexpr std::uint32_t Op_Create = 0x807;
constexpr std::uint32_t Op_Close = 0x407;

const HRESULT Refused = Hresult_From_Win32(Win32_Error::Gen_Failure);

std::uint32_t U32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(bytes[offset + i]) << (8 * i);
    return value;
}

void Put_U32(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// The path another file system would make of it: its last character changed.
std::string Mangled(std::string path) {
    path.back() = path.back() == '~' ? '#' : '~';
    return path;
}

} // namespace

Soc_File_Channel::Soc_File_Channel(const Soc_Camera_Scenario& scenario)
    : Fixed_Width_Selector(scenario.Control_Length), echo_wrong_path_(scenario.Echo_Wrong_Path),
      corrupt_stored_files_(scenario.Corrupt_Stored_Files), store_limit_(scenario.Store_Limit),
      size_reply_(scenario.Size_Reply), fail_create_(scenario.Fail_Create),
      shell_(files_, {scenario.Result_Size, scenario.Result_After_Polls}), reply_(scenario.Control_Length) {}

HRESULT Soc_File_Channel::Get_Value(std::span<std::uint8_t> data) {
    std::copy(reply_.begin(), reply_.end(), data.begin());
    return S_OK;
}

HRESULT Soc_File_Channel::Set_Value(std::span<const std::uint8_t> data) {
    if (data.size() < Payload_Offset)
        return Refused;
    const std::span<const std::uint8_t> payload = data.subspan(Payload_Offset);
    switch (U32(data, 0)) {
    case Kind_File_Operation:
        return File_Operation(data);
    case Kind_File_Data:
        return File_Data(U32(data, 4), U32(data, 8), payload);
    case Kind_Shell_Command:
        return Shell_Command(U32(data, 8), payload);
    default:
        return Refused;
    }
}

HRESULT Soc_File_Channel::File_Operation(std::span<const std::uint8_t> block) {
    if (block.size() < Op_Offset + 4 || U32(block, 8) != File_Operation_Length)
        return Refused;
    const auto* field = reinterpret_cast<const char*>(block.data() + Payload_Offset);
    const auto* field_end = std::find(field, field + Path_Field_Size, '\0');
    if (field_end == field || field_end == field + Path_Field_Size)
        return Refused; // no path, or one without its NUL
    const std::string path(field, field_end);
    const std::uint32_t value = U32(block, Value_Offset);
    switch (U32(block, Op_Offset)) {
    case Op_Get_Size: {
        const Soc_File_System::Bytes* file = files_.Look_Up(path);
        std::fill(reply_.begin(), reply_.end(), 0);
        Put_U32(reply_, 0, size_reply_.value_or(file ? static_cast<std::uint32_t>(file->size()) : 0));
        return S_OK;
    }
    case Op_Read: {
        const Soc_File_System::Bytes* file = files_.Look_Up(path);
        std::fill(reply_.begin(), reply_.end(), 0);
        if (file && value < file->size())
            std::copy_n(file->begin() + value, std::min<std::size_t>(reply_.size(), file->size() - value),
                        reply_.begin());
        return S_OK;
    }
    case Op_Create: {
        if (fail_create_)
            return Refused;
        const std::string opened = echo_wrong_path_ ? Mangled(path) : path;
        files_.Create(opened);
        open_file_ = opened;
        std::copy(block.begin(), block.end(), reply_.begin());
        std::copy(opened.begin(), opened.end(), reply_.begin() + Payload_Offset);
        return S_OK;
    }
    case Op_Close: {
        // The camera keeps one file handle: close ends it whatever path the request names.
        if (!open_file_)
            return Refused;
        const Soc_File_System::Bytes* file = files_.Find(*open_file_);
        if (corrupt_stored_files_ && file && !file->empty()) {
            Soc_File_System::Bytes corrupted = *file;
            corrupted[corrupted.size() / 2] ^= 0xFF;
            files_.Write(*open_file_, std::move(corrupted));
        }
        open_file_.reset();
        return S_OK;
    }
    default:
        return Refused;
    }
}

HRESULT Soc_File_Channel::File_Data(std::uint32_t offset, std::uint32_t length,
                                    std::span<const std::uint8_t> payload) {
    if (!open_file_ || length > payload.size())
        return Refused;
    // A full store takes the block and keeps only what fits.
    if (store_limit_ && offset >= *store_limit_)
        return S_OK;
    const std::uint32_t kept = store_limit_ ? std::min(length, *store_limit_ - offset) : length;
    if (!files_.Write_At(*open_file_, offset, payload.data(), kept))
        return Refused;
    return S_OK;
}

HRESULT Soc_File_Channel::Shell_Command(std::uint32_t length, std::span<const std::uint8_t> payload) {
    if (length > payload.size())
        return Refused;
    // The command runs; how it ends is the shell's business, not the transfer's.
    shell_.Run(std::string_view(reinterpret_cast<const char*>(payload.data()), length));
    return S_OK;
}

} // namespace platform::simulated
