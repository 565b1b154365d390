#include "firmware_image/Edited_Value.h"

namespace {

std::array<std::uint8_t, 4> Number_Bytes(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

} // namespace

bool Edited_Value::Apply(std::uint8_t value) {
    if (Present != 0 && Enabled != 0) {
        Value[0] = value;
        return true;
    }
    return Value[0] == value;
}

bool Edited_Value::Apply(std::uint32_t value) {
    return Apply_Bytes(Number_Bytes(value));
}

bool Edited_Value::Apply(std::uint16_t width, std::uint16_t height) {
    return Apply_Bytes(
        Number_Bytes(static_cast<std::uint32_t>(width) | (static_cast<std::uint32_t>(height) << 16)));
}

bool Edited_Value::Apply_Bytes(const std::array<std::uint8_t, 4>& bytes) {
    if (Present != 0 && Enabled != 0) {
        Value = bytes;
        return true;
    }
    return Value == bytes;
}

std::uint32_t Edited_Value::Get_Number() const {
    return static_cast<std::uint32_t>(Value[0]) | (static_cast<std::uint32_t>(Value[1]) << 8) |
           (static_cast<std::uint32_t>(Value[2]) << 16) | (static_cast<std::uint32_t>(Value[3]) << 24);
}

std::uint16_t Edited_Value::Get_Width() const {
    return static_cast<std::uint16_t>(Get_Number());
}

std::uint16_t Edited_Value::Get_Height() const {
    return static_cast<std::uint16_t>(Get_Number() >> 16);
}

void Edited_Value::Set_Number(std::uint32_t value) {
    Value = Number_Bytes(value);
}

void Edited_Value::Set_Size(std::uint16_t width, std::uint16_t height) {
    Set_Number(static_cast<std::uint32_t>(width) | (static_cast<std::uint32_t>(height) << 16));
}
