#pragma once
// The general-purpose I/O pins of the chips, one descriptor per pin. A descriptor is four
// entries, each naming one bit of an 8-bit chip register: entry 1 the pin's set/clear bit,
// entry 2 its output-level bit, entry 3 its input-level bit, entry 4 an optional second bit
// that clearing the pin also updates (set when its flag is nonzero, cleared when it is 0).
// One and the same table serves every chip family.
#include <array>
#include <cstdint>

struct Gpio_Pin_Desc {
    std::array<std::uint32_t, 4> Entry;
};

// An entry: register address in bits 0-15, bit number in bits 16-23, flag in bits 24-31.
constexpr std::uint32_t Gpio_Entry(std::uint16_t address, std::uint8_t bit, std::uint8_t flag) {
    return address | static_cast<std::uint32_t>(bit) << 16 | static_cast<std::uint32_t>(flag) << 24;
}
inline constexpr std::uint32_t Gpio_No_Entry = 0xFF000000;

constexpr std::uint16_t Gpio_Entry_Register(std::uint32_t entry) {
    return static_cast<std::uint16_t>(entry);
}
constexpr std::uint8_t Gpio_Entry_Bit(std::uint32_t entry) {
    return static_cast<std::uint8_t>(entry >> 16);
}
constexpr std::uint8_t Gpio_Entry_Flag(std::uint32_t entry) {
    return static_cast<std::uint8_t>(entry >> 24);
}
// Entry 4 is absent when its flag is 0xFF or its register address is 0.
constexpr bool Gpio_Entry_Present(std::uint32_t entry) {
    return Gpio_Entry_Flag(entry) != 0xFF && Gpio_Entry_Register(entry) != 0;
}

// Pins 0 to 11.
inline constexpr std::array<Gpio_Pin_Desc, 12> Gpio_Pins_0_To_11{{
    {{Gpio_Entry(0x2041, 0, 1), Gpio_Entry(0x2043, 0, 1), Gpio_Entry(0x2045, 0, 1),
      Gpio_Entry(0x20E8, 1, 0)}},
    {{Gpio_Entry(0x2041, 1, 1), Gpio_Entry(0x2043, 1, 1), Gpio_Entry(0x2045, 1, 1),
      Gpio_Entry(0x20E8, 2, 0)}},
    {{Gpio_Entry(0x2041, 2, 1), Gpio_Entry(0x2043, 2, 1), Gpio_Entry(0x2045, 2, 1),
      Gpio_Entry(0x20E8, 3, 0)}},
    {{Gpio_Entry(0x2041, 3, 1), Gpio_Entry(0x2043, 3, 1), Gpio_Entry(0x2045, 3, 1),
      Gpio_Entry(0x20E8, 4, 0)}},
    {{Gpio_Entry(0x2041, 4, 1), Gpio_Entry(0x2043, 4, 1), Gpio_Entry(0x2045, 4, 1),
      Gpio_Entry(0x20E8, 5, 0)}},
    {{Gpio_Entry(0x2041, 5, 1), Gpio_Entry(0x2043, 5, 1), Gpio_Entry(0x2045, 5, 1),
      Gpio_Entry(0x20E8, 6, 0)}},
    {{Gpio_Entry(0x2041, 6, 1), Gpio_Entry(0x2043, 6, 1), Gpio_Entry(0x2045, 6, 1),
      Gpio_Entry(0x20E8, 7, 0)}},
    {{Gpio_Entry(0x2041, 7, 1), Gpio_Entry(0x2043, 7, 1), Gpio_Entry(0x2045, 7, 1), Gpio_No_Entry}},
    {{Gpio_Entry(0x2042, 0, 1), Gpio_Entry(0x2044, 0, 1), Gpio_Entry(0x2046, 0, 1), Gpio_No_Entry}},
    {{Gpio_Entry(0x2042, 1, 1), Gpio_Entry(0x2044, 1, 1), Gpio_Entry(0x2046, 1, 1), Gpio_No_Entry}},
    {{Gpio_Entry(0x2042, 2, 1), Gpio_Entry(0x2044, 2, 1), Gpio_Entry(0x2046, 2, 1), Gpio_No_Entry}},
    {{Gpio_Entry(0x2042, 3, 1), Gpio_Entry(0x2044, 3, 1), Gpio_Entry(0x2046, 3, 1), Gpio_No_Entry}},
}};

// Pins 128 and 129.
inline constexpr std::array<Gpio_Pin_Desc, 2> Gpio_Pins_128_To_129{{
    {{Gpio_Entry(0x2056, 0, 1), Gpio_Entry(0x2057, 0, 1), Gpio_Entry(0x2058, 0, 1), Gpio_No_Entry}},
    {{Gpio_Entry(0x2056, 1, 1), Gpio_Entry(0x2057, 1, 1), Gpio_Entry(0x2058, 1, 1), Gpio_No_Entry}},
}};

// Every pin from 256 up.
inline constexpr Gpio_Pin_Desc Gpio_Pin_256_And_Above{
    {Gpio_Entry(0x204C, 1, 1), Gpio_Entry(0x204C, 0, 1), Gpio_Entry(0x204C, 3, 1), Gpio_No_Entry}};

// 0 and the pin's descriptor, or -1 for a pin without one (12 to 127, 130 to 255).
int Get_Gpio_Pin_Desc(std::uint32_t pin, Gpio_Pin_Desc* desc);
