#include "firmware_image/Descriptor_Bytes.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

struct Descriptor_Minimum_Row {
    std::uint8_t Type;
    std::uint8_t Minimum_Length;
};

// bLength below these would make the model read fields the descriptor does not have.
constexpr std::array<Descriptor_Minimum_Row, 4> Descriptor_Minimums{{
    {Descriptor_Type_Configuration, 9},
    {Descriptor_Type_Interface, 9},
    {Descriptor_Type_Interface_Association, 8},
    {Descriptor_Type_Class_Interface, 3},
}};

} // namespace

std::size_t Next_Place_Holding(Byte_Span bytes, std::size_t first, std::size_t last, std::size_t ahead,
                               std::uint8_t value) {
    // Bytes past the span read 0, so no place whose byte lies there can hold `value`.
    const std::size_t end = std::min(last + ahead + 1, bytes.size());
    const std::size_t from = first + ahead;
    if (from >= end) {
        return last + 1;
    }
    const void* found = std::memchr(bytes.data() + from, value, end - from);
    return found == nullptr
               ? last + 1
               : static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) - bytes.data()) - ahead;
}

std::uint8_t Read_U8(Byte_Span bytes, std::size_t offset) {
    return offset < bytes.size() ? bytes[offset] : 0;
}

std::uint16_t Read_U16_LE(Byte_Span bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(Read_U8(bytes, offset) | (Read_U8(bytes, offset + 1) << 8));
}

std::uint32_t Read_U32_LE(Byte_Span bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(Read_U16_LE(bytes, offset)) |
           (static_cast<std::uint32_t>(Read_U16_LE(bytes, offset + 2)) << 16);
}

std::uint16_t Read_U16_BE(Byte_Span bytes, std::size_t offset) {
    return static_cast<std::uint16_t>((Read_U8(bytes, offset) << 8) | Read_U8(bytes, offset + 1));
}

std::uint32_t Read_U32_BE(Byte_Span bytes, std::size_t offset) {
    return (static_cast<std::uint32_t>(Read_U16_BE(bytes, offset)) << 16) | Read_U16_BE(bytes, offset + 2);
}

void Store_U8(Mutable_Byte_Span bytes, std::size_t offset, std::uint8_t value) {
    if (offset < bytes.size()) {
        bytes[offset] = value;
    }
}

void Store_U16_LE(Mutable_Byte_Span bytes, std::size_t offset, std::uint16_t value) {
    Store_U8(bytes, offset, static_cast<std::uint8_t>(value));
    Store_U8(bytes, offset + 1, static_cast<std::uint8_t>(value >> 8));
}

void Store_U16_BE(Mutable_Byte_Span bytes, std::size_t offset, std::uint16_t value) {
    Store_U8(bytes, offset, static_cast<std::uint8_t>(value >> 8));
    Store_U8(bytes, offset + 1, static_cast<std::uint8_t>(value));
}

void Store_U32_BE(Mutable_Byte_Span bytes, std::size_t offset, std::uint32_t value) {
    Store_U16_BE(bytes, offset, static_cast<std::uint16_t>(value >> 16));
    Store_U16_BE(bytes, offset + 2, static_cast<std::uint16_t>(value));
}

void Store_Bytes(Mutable_Byte_Span bytes, std::size_t offset, Byte_Span source) {
    if (offset >= bytes.size()) {
        return;
    }
    const std::size_t count = std::min(source.size(), bytes.size() - offset);
    std::copy_n(source.begin(), count, bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

Byte_Span Bytes_At(Byte_Span bytes, std::size_t offset, std::size_t count) {
    if (offset >= bytes.size()) {
        return {};
    }
    return bytes.subspan(offset, std::min(count, bytes.size() - offset));
}

void Append_U8(std::vector<std::uint8_t>& out, std::uint8_t value) {
    out.push_back(value);
}

void Append_U16_LE(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Append_U32_LE(std::vector<std::uint8_t>& out, std::uint32_t value) {
    Append_U16_LE(out, static_cast<std::uint16_t>(value));
    Append_U16_LE(out, static_cast<std::uint16_t>(value >> 16));
}

void Write_U16_LE(std::vector<std::uint8_t>& out, std::size_t offset, std::uint16_t value) {
    if (offset + 2 <= out.size()) {
        out[offset] = static_cast<std::uint8_t>(value);
        out[offset + 1] = static_cast<std::uint8_t>(value >> 8);
    }
}

std::uint8_t Minimum_Descriptor_Length(std::uint8_t descriptor_type) {
    for (const auto& row : Descriptor_Minimums) {
        if (row.Type == descriptor_type) {
            return row.Minimum_Length;
        }
    }
    return 2;
}

Byte_Span Descriptor_At(Byte_Span bytes, std::size_t offset) {
    if (offset >= bytes.size() || bytes.size() - offset < 2) {
        return {};
    }
    const std::size_t length = bytes[offset];
    if (length < Minimum_Descriptor_Length(bytes[offset + 1]) || length > bytes.size() - offset) {
        return {};
    }
    return bytes.subspan(offset, length);
}

bool Is_Class_Descriptor(Byte_Span descriptor, std::uint8_t subtype) {
    return descriptor.size() >= 3 && descriptor[1] == Descriptor_Type_Class_Interface &&
           descriptor[2] == subtype;
}
