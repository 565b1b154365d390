// Little-endian field access and bounded walking over USB descriptors. Every offset and
// length here comes from untrusted image bytes, so each read is checked against the span
// it is taken from; a short span reads as zero instead of past its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

using Byte_Span = std::span<const std::uint8_t>;
using Mutable_Byte_Span = std::span<std::uint8_t>;

inline constexpr std::uint8_t Descriptor_Type_Configuration = 0x02;
inline constexpr std::uint8_t Descriptor_Type_Interface = 0x04;
inline constexpr std::uint8_t Descriptor_Type_Endpoint = 0x05;
inline constexpr std::uint8_t Descriptor_Type_Interface_Association = 0x0B;
inline constexpr std::uint8_t Descriptor_Type_Class_Interface = 0x24;

std::uint8_t Read_U8(Byte_Span bytes, std::size_t offset);
std::uint16_t Read_U16_LE(Byte_Span bytes, std::size_t offset);
std::uint32_t Read_U32_LE(Byte_Span bytes, std::size_t offset);
// Big-endian forms, for the images' own pointer tables, lengths and control records.
std::uint16_t Read_U16_BE(Byte_Span bytes, std::size_t offset);
std::uint32_t Read_U32_BE(Byte_Span bytes, std::size_t offset);

// In-place writes into an image: bytes that would fall past the end are not written, so
// an offset taken from untrusted bytes can never write outside the buffer.
void Store_U8(Mutable_Byte_Span bytes, std::size_t offset, std::uint8_t value);
void Store_U16_LE(Mutable_Byte_Span bytes, std::size_t offset, std::uint16_t value);
void Store_U16_BE(Mutable_Byte_Span bytes, std::size_t offset, std::uint16_t value);
void Store_U32_BE(Mutable_Byte_Span bytes, std::size_t offset, std::uint32_t value);
void Store_Bytes(Mutable_Byte_Span bytes, std::size_t offset, Byte_Span source);
// The bytes of `bytes` from `offset` on, at most `count` of them (fewer at the end).
Byte_Span Bytes_At(Byte_Span bytes, std::size_t offset, std::size_t count);
// The first place p from `first` to `last` whose byte p + `ahead` is `value` (not 0), or
// last + 1 when there is none: a search over a whole image checks its rarest byte this way,
// at the speed of memchr, before it compares the rest.
std::size_t Next_Place_Holding(Byte_Span bytes, std::size_t first, std::size_t last, std::size_t ahead,
                               std::uint8_t value);

void Append_U8(std::vector<std::uint8_t>& out, std::uint8_t value);
void Append_U16_LE(std::vector<std::uint8_t>& out, std::uint16_t value);
void Append_U32_LE(std::vector<std::uint8_t>& out, std::uint32_t value);
void Write_U16_LE(std::vector<std::uint8_t>& out, std::size_t offset, std::uint16_t value);

// The smallest bLength a descriptor of this type needs for the fields the model reads
// (2 for types whose body the model never looks at).
std::uint8_t Minimum_Descriptor_Length(std::uint8_t descriptor_type);

// The descriptor starting at `offset` of `bytes`, when it is whole: at least two bytes,
// a bLength of at least 2 and of at least its type's minimum, and ending within `bytes`.
// An empty span otherwise, which ends every walk.
Byte_Span Descriptor_At(Byte_Span bytes, std::size_t offset);

// True when `descriptor` is a class-specific interface descriptor of the given subtype.
bool Is_Class_Descriptor(Byte_Span descriptor, std::uint8_t subtype);
