#pragma once
// Reading the ids out of a device path of the form
// \\?\usb#vid_vvvv&pid_pppp&mi_ii#a&bbbbbbbb&c&dddd#{guid}\global. The text comes from outside
// (the system's device properties): the parsers read only within it, stopping at its end or at
// a NUL, whichever comes first, and never fail; what they cannot find stays 0.
#include <string_view>

#include "Extension_Unit_Class/Device_Info_Record.h"
#include "platform/Guid.h"

// A field's hex run longer than this is cut to its first digits; the rest of the run is skipped.
inline constexpr std::size_t Device_Path_Token_Length = 15;

bool Is_Hex_Digit(char c);
// True when `c` is one of the characters of `set`.
bool Is_Char_In_Set(char c, std::string_view set);

// Each number field in turn: the scan moves to the field's delimiter ("_" for the vendor,
// product and interface ids, "#" or "\" for the first instance number, "&" for the others),
// steps over it and reads the hex digits that follow (at most 15; a number beyond 32 bits
// reads as 0xFFFFFFFF, and a 16-bit field keeps the low 16 bits). Then the class GUID from
// where the scan stands.
Device_Path_Id Parse_Device_Path_Id(std::string_view path);

// Data1 from the first 8 characters after the first hex digit, Data2 and Data3 from 4, then
// the eight bytes of Data4 from 2 each, every group starting at the next hex digit. A group
// reads the hex digits it begins with; a text that ends early leaves the rest 0.
platform::GUID Parse_Guid_Text(std::string_view text);
