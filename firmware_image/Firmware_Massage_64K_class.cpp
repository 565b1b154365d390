#include "firmware_image/Firmware_Massage_64K_class.h"

namespace {

// The stored device descriptor has its two length bytes first.
std::size_t Stored_Field(Device_Field field) {
    return Stored_Device_Vid - Device_Descriptor_Offset(Device_Field::Vid) + Device_Descriptor_Offset(field);
}

} // namespace

Firmware_Massage_64K_class::Firmware_Massage_64K_class(const std::uint8_t* buffer, std::uint32_t size)
    : Images(3, Image_64K_Size, buffer, size), Loaded_Image(Images[0]), Output_Image(Images[1]),
      Spare_Image(Images[2]) {}

Firmware_Massage_64K_class::~Firmware_Massage_64K_class() = default;

void Firmware_Massage_64K_class::Parse_Records() {
    Parse_Record(Loaded_Record);
    Edited_Record = Loaded_Record;
}

const Image_Descriptor_Record& Firmware_Massage_64K_class::Get_Record(std::uint8_t which) const {
    return which == 0 ? Loaded_Record : Edited_Record;
}

std::uint16_t Firmware_Massage_64K_class::Get_Device_Field(std::uint8_t which, Device_Field field) {
    return Get_Record(which).Get_Field(Stored_Field(field));
}

void Firmware_Massage_64K_class::Set_Device_Field(Device_Field field, std::uint16_t value) {
    Edited_Record.Set_Field(Stored_Field(field), value);
}

String_Buffer_260& Firmware_Massage_64K_class::Get_String(String_Kind kind, String_Buffer_260& text,
                                                          std::uint8_t which, std::int32_t* status) {
    const Image_Descriptor_Record& record = Get_Record(which);
    if (!record.Has_String(kind)) {
        Store_Status(status, String_Status_No_Use);
        text.Assign(String_No_Use_Text);
        return text;
    }
    Store_Status(status, String_Status_Done);
    return String_Descriptor_To_Text(text, record.Strings[kind]);
}

std::int32_t Firmware_Massage_64K_class::Set_String(String_Kind kind, const String_Buffer_260& text,
                                                    String_Buffer_260& message) {
    // A text without a NUL in its 260 bytes counts 260 characters, so it is always too long.
    if (text.Length() > String_Text_Limit(kind)) {
        return Report_String_Status(message, String_Status_Over_Length);
    }
    if (!Edited_Record.Has_String(kind)) {
        return Report_String_Status(message, String_Status_No_Use);
    }
    Store_String_Text(kind, text);
    return Report_String_Status(message, String_Status_Done);
}

String_Buffer_260& Firmware_Massage_64K_class::Add_String_Number(String_Kind kind, String_Buffer_260& text,
                                                                 std::uint32_t n) {
    Add_Number_To_String_Descriptor(Edited_Record.Strings[kind], n);
    if (!Edited_Record.Has_String(kind)) {
        text.Assign(String_No_Use_Text);
        return text;
    }
    return String_Descriptor_To_Text(text, Edited_Record.Strings[kind]);
}

const std::uint8_t* Firmware_Massage_64K_class::Build_Output_Image() {
    Images.Copy(0, 1);
    if (Modified != 0) {
        Write_Record(Edited_Record);
    }
    return Output_Image.data();
}

std::uint32_t Firmware_Massage_64K_class::Get_Image_Size() {
    return Image_64K_Size;
}
