#include "firmware_image/Firmware_IQ_Adjust_Class_2688.h"

#include <algorithm>

namespace {

using Kind = IQ_Control_Kind;

constexpr std::array<IQ_Control_Row, IQ_Control_Count> Control_Rows{{
    {Kind::Word, {70, 72, 74, 76, 78}, 80},         // 0 brightness
    {Kind::Word, {81, 83, 85, 87, 89}, 91},         // 1 contrast
    {Kind::Word, {107, 109, 111, 113, 115}, 117},   // 2 hue
    {Kind::Word, {118, 120, 122, 124, 126}, 128},   // 3 saturation
    {Kind::Word, {129, 131, 133, 135, 137}, 139},   // 4 sharpness
    {Kind::Word, {140, 142, 144, 146, 148}, 150},   // 5 gamma
    {Kind::Word, {151, 153, 155, 157, 159}, 161},   // 6 white balance
    {Kind::Byte, {163, 0, 0, 0, 164}, 165},         // 7 white balance automatic
    {Kind::Word, {59, 61, 63, 65, 67}, 69},         // 8 backlight compensation
    {Kind::Word, {92, 94, 96, 98, 100}, 102},       // 9 gain
    {Kind::Power_Line, {104, 0, 0, 0, 105}, 106},   // 10 power-line frequency
    {Kind::Word, {217, 219, 221, 223, 225}, 227},   // 11 zoom
    {Kind::Word, {32, 34, 36, 38, 40}, 42},         // 12 focus
    {Kind::Byte, {44, 0, 0, 0, 46}, 47},            // 13 focus automatic
    {Kind::Exposure, {8, 12, 16, 20, 24}, 28},      // 14 exposure
    {Kind::Auto, {4, 0, 0, 0, 6}, 7},               // 15 exposure automatic
    {Kind::Double, {228, 232, 236, 240, 244}, 268}, // 16 pan
    {Kind::Double, {248, 252, 256, 260, 264}, 268}, // 17 tilt
    {Kind::None, {0, 0, 0, 0, 0}, 0},               // 18 roll: no record
}};

constexpr std::array<std::uint32_t, 15> Exposure_Steps{20000, 10000, 5000, 2500, 1250, 625, 312, 156,
                                                       78,    39,    20,   10,   5,    2,   1};

// Field flags in the order they are handled, with their field's position in a row.
constexpr std::array<std::uint32_t, 5> Field_Flags{IQ_Field_Current, IQ_Field_Minimum, IQ_Field_Maximum,
                                                   IQ_Field_Fourth, IQ_Field_Default};
constexpr std::size_t Position_Current = 0;
constexpr std::size_t Position_Minimum = 1;
constexpr std::size_t Position_Maximum = 2;
constexpr std::size_t Position_Default = 4;

constexpr std::size_t Switch_Bytes = 0x400;
constexpr std::uint32_t Switch_Count = 3;
constexpr std::size_t Mode_Bytes = 0x406;
constexpr std::uint8_t Highest_Mode = 3;
constexpr std::size_t Word_Offset = 0x80A;

constexpr std::uint8_t Auto_On = 8;
constexpr std::uint8_t Auto_Off = 1;
constexpr std::uint8_t Power_Line_Zero = 2;

// The field position a single flag names, or -1.
int Position_Of(std::uint32_t field) {
    const auto it = std::ranges::find(Field_Flags, field);
    return it == Field_Flags.end() ? -1 : static_cast<int>(it - Field_Flags.begin());
}

// The byte a byte control or switch reads for flag 1, 8 or 32; null for other flags.
const std::uint16_t* Byte_Field(const IQ_Control_Row& row, std::uint32_t field) {
    switch (field) {
    case IQ_Field_Current:
        return &row.Fields[Position_Current];
    case IQ_Field_Default:
        return &row.Fields[Position_Default];
    case IQ_Field_Byte:
        return &row.Byte;
    default:
        return nullptr;
    }
}

// The first k from 1 to 15 with steps[k] < raw <= steps[k - 1] (steps[15] counting as 0)
// gives the step 2 - k, no higher than 0; a raw value that fits no step stays as it is.
std::int32_t Exposure_Step_Of(std::int64_t raw) {
    for (std::size_t k = 1; k <= Exposure_Steps.size(); ++k) {
        const std::int64_t below = k < Exposure_Steps.size() ? Exposure_Steps[k] : 0;
        if (below < raw && raw <= Exposure_Steps[k - 1]) {
            return std::min<std::int32_t>(2 - static_cast<std::int32_t>(k), 0);
        }
    }
    return static_cast<std::int32_t>(raw);
}

} // namespace

std::span<const IQ_Control_Row> IQ_Control_Rows() {
    return Control_Rows;
}

std::span<const std::uint32_t> IQ_Exposure_Steps() {
    return Exposure_Steps;
}

Firmware_IQ_Adjust_Class_2688::Firmware_IQ_Adjust_Class_2688(const std::uint8_t* block)
    : Firmware_IQ_Adjust_Class_2688(block == nullptr ? Byte_Span{} : Byte_Span(block, IQ_Block_Size)) {}

Firmware_IQ_Adjust_Class_2688::Firmware_IQ_Adjust_Class_2688(Byte_Span block)
    : Blocks(2, IQ_Block_Size, block.data(), block.size()), Edited_Block(Blocks[0]),
      Original_Block(Blocks[1]) {}

Firmware_IQ_Adjust_Class_2688::~Firmware_IQ_Adjust_Class_2688() = default;

bool Firmware_IQ_Adjust_Class_2688::Get_IQ_Control(std::uint32_t index, std::uint32_t field,
                                                   std::int32_t* value) const {
    if (index >= IQ_Control_Count || value == nullptr || Control_Rows[index].Kind == Kind::None) {
        return false;
    }
    const IQ_Control_Row& row = Control_Rows[index];
    const Byte_Span records = Records();
    const int position = Position_Of(field);
    const auto signed_byte = [&](std::size_t at) {
        return static_cast<std::int32_t>(static_cast<std::int8_t>(Read_U8(records, at)));
    };
    std::int32_t result = 0;
    switch (row.Kind) {
    case Kind::Word:
        if (position >= 0) {
            result = static_cast<std::int16_t>(Read_U16_BE(records, row.Fields[position]));
        } else if (field == IQ_Field_Byte) {
            result = Read_U8(records, row.Byte);
        }
        break;
    case Kind::Double:
    case Kind::Exposure: {
        std::int64_t raw = 0;
        if (position >= 0) {
            raw = row.Kind == Kind::Double
                      ? static_cast<std::int32_t>(Read_U32_BE(records, row.Fields[position]))
                      : static_cast<std::int64_t>(Read_U32_BE(records, row.Fields[position]));
        } else if (field == IQ_Field_Byte) {
            raw = signed_byte(row.Byte);
        }
        result = row.Kind == Kind::Exposure ? Exposure_Step_Of(raw) : static_cast<std::int32_t>(raw);
        break;
    }
    case Kind::Byte:
    case Kind::Power_Line:
        if (const std::uint16_t* at = Byte_Field(row, field)) {
            result = signed_byte(*at);
        }
        break;
    case Kind::Auto:
        if (const std::uint16_t* at = Byte_Field(row, field)) {
            result = Read_U8(records, *at) == Auto_On ? 1 : 0;
        }
        break;
    case Kind::None:
        return false;
    }
    *value = result;
    return true;
}

bool Firmware_IQ_Adjust_Class_2688::Set_IQ_Control(std::uint32_t index, std::uint32_t field,
                                                   const std::int32_t* value) {
    if (index >= IQ_Control_Count || value == nullptr || Control_Rows[index].Kind == Kind::None) {
        return false;
    }
    const IQ_Control_Row& row = Control_Rows[index];
    const Mutable_Byte_Span records = Records();
    std::int32_t v = *value;
    const bool byte_flag = (field & IQ_Field_Byte) != 0;

    switch (row.Kind) {
    case Kind::Byte:
    case Kind::Power_Line:
    case Kind::Auto: {
        std::uint8_t stored = static_cast<std::uint8_t>(v);
        if (row.Kind == Kind::Power_Line && stored == 0) {
            stored = Power_Line_Zero;
        } else if (row.Kind == Kind::Auto) {
            stored = v != 0 ? Auto_On : Auto_Off;
        }
        if ((field & IQ_Field_Current) != 0) {
            Store_U8(records, row.Fields[Position_Current], stored);
        }
        if ((field & IQ_Field_Default) != 0) {
            Store_U8(records, row.Fields[Position_Default], stored);
        }
        return !byte_flag;
    }
    case Kind::Exposure: {
        const std::int64_t step = 1 - static_cast<std::int64_t>(v);
        if (step < 0 || step >= static_cast<std::int64_t>(Exposure_Steps.size())) {
            return true; // no such step: nothing to store
        }
        v = static_cast<std::int32_t>(Exposure_Steps[static_cast<std::size_t>(step)]);
        [[fallthrough]];
    }
    case Kind::Double:
    case Kind::Word: {
        const bool wide = row.Kind != Kind::Word;
        const auto read = [&](std::size_t position) -> std::int64_t {
            return wide ? static_cast<std::int32_t>(Read_U32_BE(records, row.Fields[position]))
                        : static_cast<std::int16_t>(Read_U16_BE(records, row.Fields[position]));
        };
        const std::int64_t compared = wide ? v : static_cast<std::int16_t>(v);
        for (std::size_t position = 0; position < Field_Flags.size(); ++position) {
            if ((field & Field_Flags[position]) == 0) {
                continue;
            }
            // The current value and the default must lie in a range that exists.
            if ((position == Position_Current || position == Position_Default) &&
                (read(Position_Maximum) == 0 || compared < read(Position_Minimum))) {
                return false;
            }
            if (wide) {
                Store_U32_BE(records, row.Fields[position], static_cast<std::uint32_t>(v));
            } else {
                Store_U16_BE(records, row.Fields[position], static_cast<std::uint16_t>(v));
            }
        }
        return !byte_flag;
    }
    case Kind::None:
        break;
    }
    return false;
}

std::int32_t Firmware_IQ_Adjust_Class_2688::Get_IQ_Switch(std::uint8_t which, std::uint32_t index) const {
    if (index >= Switch_Count) {
        return -1;
    }
    const std::uint8_t stored = Edited_Block[Switch_Bytes + 2 * index + (which != 0 ? 1 : 0)];
    return stored <= 1 ? stored : -1;
}

std::int32_t Firmware_IQ_Adjust_Class_2688::Set_IQ_Switch(std::uint8_t which, std::uint32_t index,
                                                          std::uint8_t value) {
    if (Get_IQ_Switch(which, index) == -1) {
        return -1;
    }
    Edited_Block[Switch_Bytes + 2 * index + (which != 0 ? 1 : 0)] = value;
    return value;
}

std::int32_t Firmware_IQ_Adjust_Class_2688::Get_IQ_Mode(std::uint8_t which) const {
    const std::uint8_t stored = Edited_Block[Mode_Bytes + (which != 0 ? 1 : 0)];
    return stored <= Highest_Mode ? stored : -1;
}

std::int32_t Firmware_IQ_Adjust_Class_2688::Set_IQ_Mode(std::uint8_t which, std::uint8_t value) {
    if (Get_IQ_Mode(which) == -1) {
        return -1;
    }
    Edited_Block[Mode_Bytes + (which != 0 ? 1 : 0)] = value;
    return value;
}

std::int32_t Firmware_IQ_Adjust_Class_2688::Get_IQ_Word(std::uint8_t which) const {
    return which == 0 ? Read_U16_BE(Edited_Block, Word_Offset) : -1;
}

std::int32_t Firmware_IQ_Adjust_Class_2688::Set_IQ_Word(std::uint8_t which, std::uint16_t value) {
    if (which != 0) {
        return -1;
    }
    Store_U16_BE(Edited_Block, Word_Offset, value);
    return Get_IQ_Word(which);
}
