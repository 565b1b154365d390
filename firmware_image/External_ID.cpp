#include "firmware_image/External_ID.h"

void External_ID_Descriptor::Load(Byte_Span image, std::size_t offset) {
    Descriptor.fill(0);
    const auto length = static_cast<std::uint8_t>(2 * External_ID_Length + 2);
    Descriptor[1] = length;
    Descriptor[2] = length;
    Descriptor[3] = 0x03;
    for (std::size_t i = 0; i < External_ID_Length; ++i) {
        Descriptor[Stored_String_Head + 2 * i] = Read_U8(image, offset + i);
    }
}

String_Buffer_260& External_ID_Descriptor::Get(String_Buffer_260& text, std::int32_t* status) const {
    Store_Status(status, String_Status_Done);
    return String_Descriptor_To_Text(text, Descriptor);
}

std::int32_t External_ID_Descriptor::Set(const String_Buffer_260& text, String_Buffer_260& message,
                                         std::string_view too_long) {
    if (text.Length() > External_ID_Length) {
        message.Assign(too_long);
        return String_Status_Over_Length;
    }
    Text_Into_String_Descriptor(text, Descriptor);
    return Report_String_Status(message, String_Status_Done);
}

String_Buffer_260& External_ID_Descriptor::Add_Number(String_Buffer_260& text, std::uint32_t n) {
    Add_Number_To_String_Descriptor(Descriptor, n);
    return Get(text, nullptr);
}

void External_ID_Descriptor::Store(Mutable_Byte_Span image, std::size_t offset) const {
    for (std::size_t i = 0; i < External_ID_Length; ++i) {
        Store_U8(image, offset + i, Descriptor[Stored_String_Head + 2 * i]);
    }
}
