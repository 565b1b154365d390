// Stored USB descriptors of the 64 KB image families and the conversions between stored
// string descriptors and the interface's 8-bit texts.
//
// A stored string descriptor is 0x00, bLength, then the USB string descriptor itself
// (bLength, 0x03, UTF-16LE code units): bytes 0 and 1 form a big-endian length. A record
// keeps one in a 132-byte buffer, so every length taken from an image is clamped to that
// buffer (at most 64 code units), and a bLength below 2 is an empty string.
#pragma once

#include "firmware_image/Descriptor_Bytes.h"
#include "firmware_image/String_Buffer_260.h"

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr std::size_t Stored_String_Size = 132;
inline constexpr std::size_t Stored_Device_Size = 20;
// The four stored bytes before the code units.
inline constexpr std::size_t Stored_String_Head = 4;
// The most code units a record's buffer holds after the four stored bytes.
inline constexpr std::size_t Stored_String_Max_Units = (Stored_String_Size - Stored_String_Head) / 2;
// The longest text a record's string takes: its code units and one zero unit after them.
inline constexpr std::size_t Stored_String_Max_Text = Stored_String_Max_Units - 1;

using Stored_String = std::array<std::uint8_t, Stored_String_Size>;

// bLength of a stored string descriptor, clamped to what a record's buffer holds.
std::size_t Stored_String_Length(Byte_Span stored);

// The text of `count` UTF-16LE code units: the low byte of each, up to the first 0.
String_Buffer_260& Code_Units_To_Text(String_Buffer_260& text, Byte_Span units, std::size_t count);

// The text of a stored string descriptor: the low byte of each code unit, up to the first
// zero; empty when bLength is below 2 or the first unit is 0.
String_Buffer_260& String_Descriptor_To_Text(String_Buffer_260& text, Byte_Span stored);

// Zeroes the buffer and writes the text as a new stored string descriptor (bLength
// 2 * (n + 1)). Returns bLength. A text longer than the buffer holds is cut to it; callers
// refuse such texts before.
std::uint8_t Text_To_String_Descriptor(const String_Buffer_260& text, Stored_String& stored);

// Writes the text over the code units of an existing stored descriptor: bLength becomes
// 2 * (n + 1), one zero unit follows the text, and what lay after it stays (the tail of a
// longer old text). Bytes 0 and 3 are unchanged. Returns 2n.
std::size_t Text_Into_String_Descriptor(const String_Buffer_260& text, Stored_String& stored);

// Adds n to the number formed by the trailing decimal digits of the code units (low byte
// of each), walking from the last unit: a digit takes the carry, a unit of 32 or below
// (space, control) is passed over, anything else ends the walk; a carry left at the first
// unit is dropped. So "A0099" + 1 is "A0100", "A99" + 1 is "A00", "12 34" + 1 is "12 35".
void Add_Number_To_Code_Units(Mutable_Byte_Span units, std::size_t count, std::uint32_t n);
// The same on a stored string descriptor; a bLength below 4 (no code unit) is left alone.
void Add_Number_To_String_Descriptor(Stored_String& stored, std::uint32_t n);

// The first offset p from `start` up to 0xFEFF where the image holds 0x00, then two equal
// bytes, then bytes 3 .. pattern_length - 1 of {0x00, 0x04, 0x04, 0x03, 0x09, 0x04}: with
// length 6 the stored language list of language 0x0409, with length 4 any stored string
// descriptor. 0 when there is none (or start is 0xFF00 or more).
std::uint32_t Find_Next_String_Descriptor(Byte_Span image, std::uint32_t start, std::size_t pattern_length);

// True when the bytes at `offset` begin a stored string descriptor {0x00, L, L, 0x03}.
bool Is_Stored_String(Byte_Span bytes, std::size_t offset);

// Copies the stored string descriptor at `offset`: its four stored bytes, then bLength - 2
// bytes of code units, clamped to the record's buffer and to the image; the rest of the
// buffer is zero.
void Copy_Stored_String(Byte_Span image, std::size_t offset, Stored_String& stored);

// Writes a record's stored string back at `offset`: its four bytes and bLength - 2 bytes of
// code units. A string longer than `room` (at least its four stored bytes) is cut to the
// room with bLength lowered to match, and nothing goes past the image.
void Write_Stored_String(Mutable_Byte_Span image, std::size_t offset, const Stored_String& stored,
                         std::size_t room);

// The strings an image record keeps, in the record's order.
enum String_Kind : std::size_t {
    String_Manufacturer = 0,
    String_Product = 1,
    String_Serial = 2,
    String_Microphone = 3,
    String_Kind_Count = 4,
};

// Fields of the stored device descriptor (offsets in its stored form, after the two
// length bytes; 16-bit fields little-endian as in USB).
inline constexpr std::size_t Stored_Device_Vid = 10;
inline constexpr std::size_t Stored_Device_Pid = 12;
inline constexpr std::size_t Stored_Device_Bcd = 14;
inline constexpr std::size_t Stored_Device_String_Indexes = 16; // iManufacturer, iProduct, iSerialNumber

// The USB identity of a 64 KB image in one state (as loaded, or as edited).
struct Image_Descriptor_Record {
    std::array<std::uint8_t, Stored_Device_Size> Device{};
    std::array<Stored_String, String_Kind_Count> Strings{};
    std::uint16_t Header_Offset = 0; // the family's header table (0 where there is none)
    std::uint16_t Device_Offset = 0;
    // Image offset of each string; 0 means the image does not have it.
    std::array<std::uint16_t, String_Kind_Count> String_Offsets{};
    // The bytes each string may take in the image, from its offset: what a write-back
    // may cover without reaching the next field.
    std::array<std::uint16_t, String_Kind_Count> Rooms{};

    std::uint16_t Get_Field(std::size_t field) const;
    void Set_Field(std::size_t field, std::uint16_t value);
    // iManufacturer, iProduct or iSerialNumber; the microphone has no index (0).
    std::uint8_t String_Index(String_Kind kind) const;
    bool Has_String(String_Kind kind) const { return String_Offsets[kind] != 0; }
};
