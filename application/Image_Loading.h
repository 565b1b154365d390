#pragma once
// Reading an image file and naming it: the parts of the image load that need no dialog.
#include <array>
#include <cstdint>
#include <memory>

#include "platform/ui/cstring.h"

class Firmware_Massage_Base_class_Usb_Des;

// The largest image a file may hold: a 256 KB image.
inline constexpr std::uint32_t Largest_Image_File = 0x40000;

// 0 with a new buffer holding the whole file and its size; -1, with both untouched, when the
// file cannot be read, is empty, is not a regular file or holds more than the largest image.
int Load_File_To_Buffer(const char* path, std::unique_ptr<std::uint8_t[]>& buffer, std::uint32_t& size);

// The path up to its last '.', separators unchanged; empty when it has none.
CString Get_File_Title(const CString& path);

// The 256 KB family's mark at 0x100 of a padded image: the letters "CY" or the bytes 0x95,
// 0x27. The image must hold at least 0x102 bytes (a padded image holds 64 KB or more).
bool Has_256K_Mark(const std::uint8_t* padded);

// A string the image has: neither empty nor the model's "absent" text.
bool Is_Present(const CString& text);

// An image's USB identity as the dialog shows it: VID, PID and release ("%04x"), product,
// manufacturer and serial ("StringNoUse" for a string the image does not have).
std::array<CString, 6> Image_Identity(Firmware_Massage_Base_class_Usb_Des& image);
