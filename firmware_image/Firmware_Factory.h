// Tells from a few marker bytes and the size which image family a buffer holds, and builds
// the image object of that family. These and the descriptor set are the ways into the
// firmware image model.
#pragma once

#include "firmware_image/Firmware_Massage_Base_class_Usb_Des.h"

#include <cstdint>
#include <memory>
#include <span>

// The code of an image family; a value space of its own, unrelated to the chip codes the
// camera library gives connected cameras.
using Firmware_Chip_Code = std::int32_t;

inline constexpr Firmware_Chip_Code Firmware_Chip_2281 = 105;
inline constexpr Firmware_Chip_Code Firmware_Chip_2092 = 107;
inline constexpr Firmware_Chip_Code Firmware_Chip_2089 = 108;
inline constexpr Firmware_Chip_Code Firmware_Chip_2620 = 109;
inline constexpr Firmware_Chip_Code Firmware_Chip_2688 = 110;
// A 256 KB image with the other settings-area tag; served by the 2688 class, whose own
// Get_Firmware_Chip_Code answers 110. The application leaves its external ID, video
// formats and camera-control defaults alone.
inline constexpr Firmware_Chip_Code Firmware_Chip_2688_Other_Tag = 366;
// The 2089 marker without its end marker: no object.
inline constexpr Firmware_Chip_Code Firmware_Chip_2089_Without_End_Marker = 364;
// The 256 KB marker without a known settings-area tag, or too short for one: no object.
inline constexpr Firmware_Chip_Code Firmware_Chip_256K_Without_Tag = 65390;
inline constexpr Firmware_Chip_Code Firmware_Chip_Unknown = -1;

inline constexpr std::uint32_t Image_Size_64K = 0x10000;
inline constexpr std::uint32_t Image_Size_256K = 0x40000;

// Reads only; keeps nothing. `size` is the number of bytes the buffer holds: a null buffer
// or one shorter than 64 KB answers -1 without being read.
Firmware_Chip_Code Detect_Firmware_Chip_Code(const std::uint8_t* buffer, std::uint32_t size);

// A new image object of the detected family, holding its own copy of the image (the
// caller's buffer may change or go afterwards), with its external-ID reference set; null
// when the code names no family, when the size is above the family's image size (64 KB
// or 256 KB), or when building it failed.
std::unique_ptr<Firmware_Massage_Base_class_Usb_Des> Create_Firmware_Object(const std::uint8_t* buffer,
                                                                            std::uint32_t size);

// Builds the object of one family over (buffer, size); detection has already chosen it.
using Firmware_Object_Creator =
    std::unique_ptr<Firmware_Massage_Base_class_Usb_Des> (*)(const std::uint8_t* buffer, std::uint32_t size);

// One row per code that names a family with an image class.
struct Firmware_Family_Row {
    Firmware_Chip_Code Code;
    const char* Family;
    std::uint32_t Image_Size;
    Firmware_Object_Creator Create;
};

std::span<const Firmware_Family_Row> Firmware_Families();
