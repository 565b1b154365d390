// The 2089 image family (64 KB, code 108). Its USB identity is found by searching the
// image: a stored device descriptor from 0x2000 on, the language list and the stored
// strings after it. An image that carries the string table at 0xFF00 keeps its strings in
// the table's slots and its identity in two override blocks; the output image always
// carries the table and the overrides.
#pragma once

#include "firmware_image/Firmware_Massage_64K_class.h"

inline constexpr std::uint32_t Offset_2089_External_ID = 0xFC00;
// Where the export buffer carries the external ID.
inline constexpr std::uint32_t Offset_2089_Export_External_ID = 0x6316;

class Firmware_Massage_2089_class : public Firmware_Massage_64K_class {
public:
    Firmware_Massage_2089_class(const std::uint8_t* buffer, std::uint32_t size);
    ~Firmware_Massage_2089_class() override;

    std::int32_t Get_Firmware_Chip_Code() override;
    bool Is_Type_2089() override;
    // skip true: true; else the end marker 0x10, 0xEF at 0xFFFE.
    bool Check_Image(bool skip) override;
    // A zeroed 64 KB buffer carrying the image's external ID at 0x6316.
    const std::uint8_t* Get_Export_Buffer() override;
    std::uint32_t Get_Export_Size() override;
    std::uint32_t External_ID_Offset() const override;

protected:
    void Parse_Record(Image_Descriptor_Record& record) const override;
    void Write_Record(const Image_Descriptor_Record& record) override;
    std::size_t String_Text_Limit(String_Kind kind) const override;
    void Store_String_Text(String_Kind kind, const String_Buffer_260& text) override;

    std::vector<std::uint8_t> Export_Buffer;
};
