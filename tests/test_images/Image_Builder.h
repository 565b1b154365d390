// Whole firmware images of the families, laid out byte by byte: the marker bytes that
// tell the families apart, and the 256 KB family's areas (external ID, settings tag,
// selector, device descriptors, string slots, length table, configuration areas).
//
// Extending: each family gets a description struct (like Image_2688_Spec) whose
// defaults make a valid image, with fields for what a test varies (ids, strings
// present/absent/lengths, external ID, formats, still method, microphone, camera-control
// values), and a Build_ function that lays out the family's markers and areas with the
// helpers below.
#pragma once

#include "test_images/Bytes.h"
#include "test_images/Configuration_Builder.h"

#include <array>
#include <optional>
#include <string>

namespace test_images {

inline constexpr std::uint32_t Size_64K = 0x10000;
inline constexpr std::uint32_t Size_256K = 0x40000;

// Just the bytes family detection looks at, over a zeroed buffer of Size bytes.
struct Marker_Spec {
    std::uint32_t Size = Size_64K;
    std::optional<std::array<std::uint8_t, 2>> Start;      // bytes 0 and 1
    bool Kun_Marker = false;                               // "KUN" at 0x2000
    std::optional<std::array<std::uint8_t, 2>> End_Marker; // bytes 0xFFFE, 0xFFFF
    std::optional<std::array<std::uint8_t, 2>> Big_Marker; // bytes 0x100, 0x101
    std::optional<std::uint32_t> Settings_Tag;             // little-endian word at 0x30000
};

Bytes Build_Marked_Image(const Marker_Spec& spec);

inline constexpr std::array<std::uint8_t, 2> Start_2092{0x89, 0x17};
inline constexpr std::array<std::uint8_t, 2> Start_2281{0x89, 0x16};
inline constexpr std::array<std::uint8_t, 2> Start_2620{0x89, 0x26};
inline constexpr std::array<std::uint8_t, 2> End_Marker_2089{0x10, 0xEF};
inline constexpr std::array<std::uint8_t, 2> Big_Marker_Letters{'C', 'Y'};
inline constexpr std::array<std::uint8_t, 2> Big_Marker_Bytes{0x95, 0x27};
inline constexpr std::uint32_t Settings_Tag_2688 = 0xCC33AA55;
inline constexpr std::uint32_t Settings_Tag_Other = 0xCC330201;

// USB identity as the images store it.
struct Device_Spec {
    std::uint16_t Vid = 0x1BCF;
    std::uint16_t Pid = 0x2C99;
    std::uint16_t Bcd = 0x0100;
    std::uint8_t Manufacturer_Index = 1;
    std::uint8_t Product_Index = 3;
    std::uint8_t Serial_Index = 4;
};

// The 18-byte USB device descriptor (USB 2.00, class EF/02/01, 64-byte endpoint 0, one
// configuration).
Bytes Device_Descriptor(const Device_Spec& spec);
// A USB string descriptor: bLength, 3, the text as UTF-16LE code units.
Bytes String_Descriptor(std::string_view text);
// The 64 KB families' stored forms: a big-endian 16-bit length before the descriptor.
Bytes Stored_Device_Descriptor(const Device_Spec& spec);
Bytes Stored_String_Descriptor(std::string_view text);

// A 256 KB image of the 2688 family.
struct Image_2688_Spec {
    std::uint32_t Size = Size_256K;
    std::array<std::uint8_t, 2> Marker = Big_Marker_Letters;
    std::uint32_t Settings_Tag = Settings_Tag_2688;
    std::uint8_t Selector = 0;
    std::array<Device_Spec, 2> Devices{};
    // String slot i holds string descriptor i; slot 2 is the microphone's name.
    std::array<std::optional<std::string>, 12> Strings{std::nullopt, "Test Maker", "Test Microphone",
                                                       "Test Camera 2688", "SN0001"};
    std::array<Configuration_Spec, 2> Configurations{};
    std::string External_ID = "EXTID-0000000001";
};

inline constexpr std::uint32_t Offset_2688_External_ID = 0x2F000;
inline constexpr std::uint32_t Offset_2688_Settings_Tag = 0x30000;
inline constexpr std::uint32_t Offset_2688_Selector = 0x30200;
inline constexpr std::uint32_t Offset_2688_Length_Table = 0x30E00;
inline constexpr std::array<std::uint32_t, 2> Offset_2688_Device{0x31000, 0x3103C};
inline constexpr std::uint32_t Offset_2688_Strings = 0x31800;
inline constexpr std::array<std::uint32_t, 2> Offset_2688_Configuration{0x32000, 0x33000};

// The whole image, `Size` bytes (at least what the areas need; a shorter size cuts the
// image, as a short file would).
Bytes Build_2688_Image(const Image_2688_Spec& spec);

} // namespace test_images
