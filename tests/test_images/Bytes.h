// Byte-vector helpers for building test images: fixed-width values in either byte order,
// written at an offset (growing nothing: writes past the end are a test bug and abort).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <span>
#include <string_view>
#include <vector>

namespace test_images {

using Bytes = std::vector<std::uint8_t>;

inline void Require_Room(const Bytes& bytes, std::size_t offset, std::size_t count) {
    if (offset > bytes.size() || count > bytes.size() - offset) {
        std::abort();
    }
}

inline void Put_U8(Bytes& bytes, std::size_t offset, std::uint8_t value) {
    Require_Room(bytes, offset, 1);
    bytes[offset] = value;
}

inline void Put_U16_LE(Bytes& bytes, std::size_t offset, std::uint16_t value) {
    Require_Room(bytes, offset, 2);
    bytes[offset] = static_cast<std::uint8_t>(value);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

inline void Put_U16_BE(Bytes& bytes, std::size_t offset, std::uint16_t value) {
    Require_Room(bytes, offset, 2);
    bytes[offset] = static_cast<std::uint8_t>(value >> 8);
    bytes[offset + 1] = static_cast<std::uint8_t>(value);
}

inline void Put_U32_LE(Bytes& bytes, std::size_t offset, std::uint32_t value) {
    Put_U16_LE(bytes, offset, static_cast<std::uint16_t>(value));
    Put_U16_LE(bytes, offset + 2, static_cast<std::uint16_t>(value >> 16));
}

inline void Put_U32_BE(Bytes& bytes, std::size_t offset, std::uint32_t value) {
    Put_U16_BE(bytes, offset, static_cast<std::uint16_t>(value >> 16));
    Put_U16_BE(bytes, offset + 2, static_cast<std::uint16_t>(value));
}

inline void Put_Bytes(Bytes& bytes, std::size_t offset, std::span<const std::uint8_t> source) {
    Require_Room(bytes, offset, source.size());
    for (std::size_t i = 0; i < source.size(); ++i) {
        bytes[offset + i] = source[i];
    }
}

inline void Put_Text(Bytes& bytes, std::size_t offset, std::string_view text) {
    Require_Room(bytes, offset, text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        bytes[offset + i] = static_cast<std::uint8_t>(text[i]);
    }
}

// Appending forms, for descriptors built front to back.
inline void Add(Bytes& bytes, std::initializer_list<std::uint8_t> values) {
    bytes.insert(bytes.end(), values.begin(), values.end());
}

inline void Add(Bytes& bytes, std::span<const std::uint8_t> values) {
    bytes.insert(bytes.end(), values.begin(), values.end());
}

inline void Add_U16_LE(Bytes& bytes, std::uint16_t value) {
    Add(bytes, {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)});
}

inline void Add_U32_LE(Bytes& bytes, std::uint32_t value) {
    Add_U16_LE(bytes, static_cast<std::uint16_t>(value));
    Add_U16_LE(bytes, static_cast<std::uint16_t>(value >> 16));
}

inline std::uint16_t Get_U16_LE(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

inline std::uint32_t Get_U32_LE(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(Get_U16_LE(bytes, offset)) |
           (static_cast<std::uint32_t>(Get_U16_LE(bytes, offset + 2)) << 16);
}

} // namespace test_images
