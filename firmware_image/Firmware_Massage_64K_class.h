// What the 64 KB image families share: the object's copies of the image, the USB identity
// as loaded and as edited (two Image_Descriptor_Records), the modified flag, the value and
// string operations of the image interface over those records, and the output build.
// A family supplies how its image is parsed into a record and written back, and how long
// a text each string may take.
#pragma once

#include "firmware_image/Firmware_Massage_Dispatch_class.h"
#include "firmware_image/Image_Buffers.h"
#include "firmware_image/String_Descriptor.h"

#include <cstdint>
#include <vector>

inline constexpr std::uint32_t Image_64K_Size = 0x10000;

class Firmware_Massage_64K_class : public Firmware_Massage_Dispatch_class {
public:
    ~Firmware_Massage_64K_class() override;

    // The loaded image copied, with the edited record written back while modified.
    const std::uint8_t* Build_Output_Image() override;
    std::uint32_t Get_Image_Size() override;

    // The record as loaded (which 0) or as edited.
    const Image_Descriptor_Record& Get_Record(std::uint8_t which) const;
    // Where the family keeps its external ID.
    virtual std::uint32_t External_ID_Offset() const = 0;

protected:
    // Copies `size` bytes of the image (at most 64 KB; the factory refuses more) into the
    // loaded, output and spare buffers. The family's constructor then calls Parse_Records.
    Firmware_Massage_64K_class(const std::uint8_t* buffer, std::uint32_t size);

    void Parse_Records();
    virtual void Parse_Record(Image_Descriptor_Record& record) const = 0;
    // Writes the edited record into the output buffer.
    virtual void Write_Record(const Image_Descriptor_Record& record) = 0;
    // The longest text string `kind` takes; longer texts are refused whether or not the
    // image has the string.
    virtual std::size_t String_Text_Limit(String_Kind kind) const = 0;
    // Puts an accepted text into the edited record's string.
    virtual void Store_String_Text(String_Kind kind, const String_Buffer_260& text) = 0;

    std::uint16_t Get_Device_Field(std::uint8_t which, Device_Field field) override;
    void Set_Device_Field(Device_Field field, std::uint16_t value) override;
    String_Buffer_260& Get_String(String_Kind kind, String_Buffer_260& text, std::uint8_t which,
                                  std::int32_t* status) override;
    std::int32_t Set_String(String_Kind kind, const String_Buffer_260& text,
                            String_Buffer_260& message) override;
    String_Buffer_260& Add_String_Number(String_Kind kind, String_Buffer_260& text, std::uint32_t n) override;

    Image_Buffers Images;
    Mutable_Byte_Span Loaded_Image;
    Mutable_Byte_Span Output_Image;
    // The image as handed in; the 2089 exports its external ID from it.
    Mutable_Byte_Span Spare_Image;
    Image_Descriptor_Record Loaded_Record;
    Image_Descriptor_Record Edited_Record;
};
