// The external ID every served image carries: 16 ASCII bytes at a family's fixed offset,
// kept by the image object as a stored string descriptor so that the shared string
// conversions and numbering serve it.
#pragma once

#include "firmware_image/String_Descriptor.h"

#include <cstdint>
#include <string_view>

inline constexpr std::size_t External_ID_Length = 16;

class External_ID_Descriptor {
public:
    // 0x00, 0x22, 0x22, 0x03 and the 16 bytes at `offset` of the image widened to code
    // units (bytes past the image read as 0).
    void Load(Byte_Span image, std::size_t offset);

    // The text up to its first 0; status 0.
    String_Buffer_260& Get(String_Buffer_260& text, std::int32_t* status) const;
    // A text of at most 16 characters is written over the old one (bLength 2n + 2, one zero
    // unit after it, the old units after that stay): 0 and a zeroed message. Longer: 2 and
    // `too_long` as the message.
    std::int32_t Set(const String_Buffer_260& text, String_Buffer_260& message, std::string_view too_long);
    String_Buffer_260& Add_Number(String_Buffer_260& text, std::uint32_t n);

    // The low bytes of the first 16 code units, written at `offset` of the image. After a
    // shorter new ID they are the new text, a 0 and the rest of the old ID.
    void Store(Mutable_Byte_Span image, std::size_t offset) const;

    const Stored_String& Get_Descriptor() const { return Descriptor; }

private:
    Stored_String Descriptor{};
};

// The message the 256 KB family gives for a too-long external ID.
inline constexpr std::string_view External_ID_Length_Error = "lenght error";
