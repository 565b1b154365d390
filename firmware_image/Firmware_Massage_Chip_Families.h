// The 2092, 2620 and 2281 image families (64 KB, codes 107, 109 and 105). Each image
// starts 0x89 and a chip byte and finds its stored device descriptor and string
// descriptors through pointers (the 2092 and 2620 through a header table, the 2281 at
// fixed slots). Edits go into the edited record; the output image is the loaded image with
// the edited descriptors written back over the stored ones, in place. What differs
// between the three is one row of a layout table.
#pragma once

#include "firmware_image/Firmware_Factory.h"
#include "firmware_image/Firmware_Massage_64K_class.h"

#include <array>
#include <cstdint>
#include <span>

// How the room a string may take is known.
enum class Room_Rule {
    Next_Pointer,          // the next string's pointer minus this one's
    Next_Pointer_Fixed_50, // as Next_Pointer, but 50 for indexes 1 and 3, and string 4's pointer for index 2
    Next_Fixed_Slot,       // fixed slots, each up to the next
};

enum class Image_Check_Rule {
    Signature,  // eight signature bytes at a block the header table points to
    Fill_Count, // at most half of 64 bytes are 0x00 or 0xFF
};

struct Chip_Family_Layout {
    Firmware_Chip_Code Code;
    std::uint8_t Chip_Byte; // byte 1 of the image
    // Through the header table at the pointer in bytes 4-5; without it, the pointer
    // fields below are fixed image offsets.
    bool Header_Table;
    std::uint16_t Device_Pointer;        // header field holding the device descriptor's offset
    std::uint16_t Second_Device_Pointer; // header field of a second device descriptor (0: none)
    std::uint16_t String_Pointers;       // header field of string 0's pointer
    std::span<const std::uint16_t> Fixed_String_Slots;
    // Strings with an index from 1 to this have a pointer and a room; others are absent.
    std::uint8_t Last_String_Index;
    Room_Rule Rooms;
    std::size_t Fixed_Text_Limit; // 0: the limit follows from the string's room
    bool Rebuilds_Strings;        // a new text is a new descriptor, not written over the old
    bool Serves_Microphone;
    bool Serial_After_Microphone; // parse and write-back order: manufacturer, product, microphone, serial
    Image_Check_Rule Check;
    std::uint16_t Signature_Pointer;
    std::array<std::uint8_t, 8> Signature;
    std::uint32_t External_ID_Offset;
};

// The rows of the three families.
std::span<const Chip_Family_Layout> Chip_Family_Layouts();
const Chip_Family_Layout& Chip_Family_Layout_Of(Firmware_Chip_Code code);

class Firmware_Massage_Chip_Family_class : public Firmware_Massage_64K_class {
public:
    ~Firmware_Massage_Chip_Family_class() override;

    std::int32_t Get_Firmware_Chip_Code() override;
    bool Check_Image(bool skip) override;
    std::uint32_t External_ID_Offset() const override;

    const Chip_Family_Layout& Get_Layout() const { return Layout; }

protected:
    Firmware_Massage_Chip_Family_class(const Chip_Family_Layout& layout, const std::uint8_t* buffer,
                                       std::uint32_t size);

    void Parse_Record(Image_Descriptor_Record& record) const override;
    void Write_Record(const Image_Descriptor_Record& record) override;
    std::size_t String_Text_Limit(String_Kind kind) const override;
    void Store_String_Text(String_Kind kind, const String_Buffer_260& text) override;
    String_Buffer_260& Get_String(String_Kind kind, String_Buffer_260& text, std::uint8_t which,
                                  std::int32_t* status) override;
    std::int32_t Set_String(String_Kind kind, const String_Buffer_260& text,
                            String_Buffer_260& message) override;

private:
    std::uint16_t String_Pointer(std::uint16_t header, std::size_t index) const;
    std::uint16_t String_Room(std::uint16_t header, std::size_t index) const;
    std::span<const String_Kind> String_Order() const;

    const Chip_Family_Layout& Layout;
};

class Firmware_Massage_2092_class : public Firmware_Massage_Chip_Family_class {
public:
    Firmware_Massage_2092_class(const std::uint8_t* buffer, std::uint32_t size);
};

class Firmware_Massage_2620_class : public Firmware_Massage_Chip_Family_class {
public:
    Firmware_Massage_2620_class(const std::uint8_t* buffer, std::uint32_t size);
};

class Firmware_Massage_2281_class : public Firmware_Massage_Chip_Family_class {
public:
    Firmware_Massage_2281_class(const std::uint8_t* buffer, std::uint32_t size);
};
