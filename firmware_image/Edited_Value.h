// One slot of a descriptor set: a present flag, an enabled flag and a value of one byte or
// of four bytes (a 32-bit number, or a width and a height of 16 bits each). Values are kept
// as the little-endian bytes they have in the image model's records.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

class Edited_Value {
public:
    std::uint8_t Present = 0;
    std::uint8_t Enabled = 0;
    // A third flag byte that the 256 KB image's fill sets on one slot; nothing reads it.
    std::uint8_t Third_Flag = 0;

    // With both flags set, stores the value and answers true. Otherwise stores nothing and
    // answers whether the value equals the stored one: the byte form compares one byte,
    // the four-byte forms all four (a zero byte inside a number or a size does not end the
    // comparison: 1280 x 720 and 1280 x 721 differ).
    bool Apply(std::uint8_t value);
    bool Apply(std::uint32_t value);
    bool Apply(std::uint16_t width, std::uint16_t height);

    std::uint8_t Get_Byte() const { return Value[0]; }
    std::uint32_t Get_Number() const;
    std::uint16_t Get_Width() const;
    std::uint16_t Get_Height() const;

    void Set_Byte(std::uint8_t value) { Value[0] = value; }
    void Set_Number(std::uint32_t value);
    void Set_Size(std::uint16_t width, std::uint16_t height);
    // Single value bytes, for slots whose value is a few separate bytes (index taken modulo 4).
    void Set_Value_Byte(std::size_t index, std::uint8_t value) { Value[index % Value.size()] = value; }
    std::uint8_t Get_Value_Byte(std::size_t index) const { return Value[index % Value.size()]; }

    // Back to a new slot: not present, not enabled, value 0.
    void Reset() { *this = Edited_Value{}; }

private:
    bool Apply_Bytes(const std::array<std::uint8_t, 4>& bytes);

    std::array<std::uint8_t, 4> Value{};
};
