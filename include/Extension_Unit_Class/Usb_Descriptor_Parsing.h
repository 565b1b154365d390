#pragma once
// Reading what USB devices and the host send: configuration and string descriptors (bytes from
// the device, untrusted), the ids in hardware-id texts, and the texts copied into the fixed
// fields of a device record. Every reader stays inside the bytes it is given.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Extension_Unit_Class/Device_Info_Record.h"

// Descriptor types and the video class.
inline constexpr std::uint8_t Usb_Configuration_Descriptor_Type = 2;
inline constexpr std::uint8_t Usb_String_Descriptor_Type = 3;
inline constexpr std::uint8_t Usb_Interface_Descriptor_Type = 4;
inline constexpr std::uint8_t Usb_Other_Speed_Configuration_Type = 7;
inline constexpr std::uint8_t Usb_Interface_Association_Type = 11;
inline constexpr std::uint8_t Usb_Bos_Descriptor_Type = 15;
inline constexpr std::uint8_t Usb_Video_Class = 14;

// Whether two texts from the host (driver keys, instance ids) are equal without regard to case.
bool Same_Text_Ignoring_Case(std::string_view first, std::string_view second);

// The hexadecimal numbers after the first four "_" of a text, each cut to 16 bits; 0 where the
// run of digits is empty or there is no further "_". For USB\VID_0A1B&PID_2C3D&REV_0100&MI_00:
// vendor id, product id, revision, interface number.
std::array<std::uint16_t, 4> Parse_Four_Ids(std::string_view text);

// The string indexes a configuration descriptor names, in the order met: iConfiguration of a
// configuration descriptor, iInterface of an interface descriptor, iFunction of an interface
// association; zeros left out. The walk ends at wTotalLength (or the bytes given, if fewer) and
// at any descriptor whose length runs past it or does not fit its type.
struct Configuration_String_Indexes {
    std::vector<std::uint8_t> Indexes;
    bool Has_Video_Interface = false; // an interface descriptor of the video class was met
};
Configuration_String_Indexes Find_Configuration_Strings(std::span<const std::uint8_t> configuration);

// Whether a configuration starts with a function of the given classes: the 9-byte
// configuration descriptor followed first by an interface association of `function_class` and
// then by an interface descriptor of `interface_class`.
bool Starts_With_Function(std::span<const std::uint8_t> configuration, std::uint8_t function_class,
                          std::uint8_t interface_class);

// A reply to a string-descriptor request counts when it holds at least the 2-byte header, is a
// string descriptor, and its even bLength equals the bytes received.
bool Is_Whole_String_Descriptor(std::span<const std::uint8_t> reply);

// The text of a string descriptor as UTF-8: the UTF-16LE units after the header, up to bLength
// (and the bytes given) and up to the first zero unit. A unit with no character (a lone
// surrogate) becomes '?'.
std::string String_Descriptor_Text(std::span<const std::uint8_t> descriptor);
