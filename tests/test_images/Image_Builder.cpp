#include "test_images/Image_Builder.h"

#include <algorithm>

namespace test_images {

namespace {

constexpr std::array<std::uint8_t, 2> Stored_Area_End{0x55, 0xAA};

void Put_Length_Entry(Bytes& image, std::size_t entry, std::uint16_t length) {
    Put_U16_BE(image, Offset_2688_Length_Table + 6 * entry, length);
}

constexpr std::array<std::uint8_t, 6> Stored_Language_List{0x00, 0x04, 0x04, 0x03, 0x09, 0x04};

// The chip families' layouts as the images define them.
struct Chip_Layout {
    std::array<std::uint8_t, 2> Start;
    std::uint16_t Device_Field; // header field of the device descriptor's pointer
    std::uint16_t Second_Device_Field;
    std::uint16_t String_Fields; // header field of string 0's pointer
    std::uint16_t Signature_Field;
    std::array<std::uint8_t, 8> Signature;
    std::uint32_t External_ID;
};

// In the order of Chip_Family.
constexpr std::array<Chip_Layout, 3> Chip_Layouts{{
    {Start_2092, 22, 0, 0x20, 106, {0x00, 0x27, 0x0A, 0x00, 0x00, 0x27, 0x0B, 0x00}, 0xDE00},
    {Start_2620, 26, 24, 0x28, 138, {0x00, 0x26, 0x0A, 0x00, 0x00, 0x26, 0x0B, 0x00}, 0xDE00},
    {Start_2281, 0, 0, 0, 0, {}, 0x6316},
}};

constexpr std::uint32_t Device_2281 = 0x6780;
constexpr std::uint16_t Chip_Header = 0x0200;
constexpr std::uint16_t Chip_Signature_Block = 0x0800;
constexpr std::uint32_t Device_2089 = 0x2010;
constexpr std::array<std::uint32_t, 6> Slots_2281{0x7800, 0x7830, 0x7880, 0x78D0, 0x7920, 0x7970};
constexpr std::uint32_t Check_Bytes_2281 = 0xCF00;
constexpr std::size_t Pointer_Count = 12;

const Chip_Layout& Layout_Of(Chip_Family family) {
    return Chip_Layouts[static_cast<std::size_t>(family)];
}

// Camera-control records: 16-bit (W) and 32-bit (D) controls keep their five fields one
// after the other from First; byte controls (B) keep the current value at First and the
// default at Second. Each has its flag-32 byte.
enum class Record_Kind { W, D, B };

struct Control_Layout {
    Record_Kind Kind;
    std::uint16_t First;
    std::uint16_t Second;
    std::uint16_t Byte;
};

constexpr std::array<Control_Layout, Control_Record_Count> Control_Layouts{{
    {Record_Kind::W, 70, 0, 80},
    {Record_Kind::W, 81, 0, 91},
    {Record_Kind::W, 107, 0, 117},
    {Record_Kind::W, 118, 0, 128},
    {Record_Kind::W, 129, 0, 139},
    {Record_Kind::W, 140, 0, 150},
    {Record_Kind::W, 151, 0, 161},
    {Record_Kind::B, 163, 164, 165},
    {Record_Kind::W, 59, 0, 69},
    {Record_Kind::W, 92, 0, 102},
    {Record_Kind::B, 104, 105, 106},
    {Record_Kind::W, 217, 0, 227},
    {Record_Kind::W, 32, 0, 42},
    {Record_Kind::B, 44, 46, 47},
    {Record_Kind::D, 8, 0, 28},
    {Record_Kind::B, 4, 6, 7},
    {Record_Kind::D, 228, 0, 268},
    {Record_Kind::D, 248, 0, 268},
}};

// The 18-byte USB device descriptor (USB 2.00, class EF/02/01, 64-byte endpoint 0, one
// configuration).
Bytes Device_Descriptor(const Device_Description& desc) {
    Bytes out;
    Add(out, {0x12, 0x01, 0x00, 0x02, 0xEF, 0x02, 0x01, 0x40});
    Add_U16_LE(out, desc.Vid);
    Add_U16_LE(out, desc.Pid);
    Add_U16_LE(out, desc.Bcd);
    Add(out, {desc.Manufacturer_Index, desc.Product_Index, desc.Serial_Index, 0x01});
    return out;
}

Bytes String_Descriptor(std::string_view text) {
    Bytes out;
    Add(out, {static_cast<std::uint8_t>(2 + 2 * text.size()), 0x03});
    for (const char c : text) {
        Add(out, {static_cast<std::uint8_t>(c), 0x00});
    }
    return out;
}

// The stored forms put a big-endian 16-bit copy of bLength before the descriptor.
Bytes Stored_Form(Bytes descriptor) {
    descriptor.insert(descriptor.begin(), {0x00, descriptor[0]});
    return descriptor;
}

} // namespace

Bytes Build_Marked_Image(const Marker_Description& desc) {
    Bytes image(std::max<std::uint32_t>(desc.Size, Size_256K), 0);
    if (desc.Start) {
        Put_Bytes(image, 0, *desc.Start);
    }
    if (desc.Kun_Marker) {
        Put_Text(image, 0x2000, "KUN");
    }
    if (desc.End_Marker) {
        Put_Bytes(image, 0xFFFE, *desc.End_Marker);
    }
    if (desc.Big_Marker) {
        Put_Bytes(image, 0x100, *desc.Big_Marker);
    }
    if (desc.Settings_Tag) {
        Put_U32_LE(image, 0x30000, *desc.Settings_Tag);
    }
    image.resize(desc.Size);
    return image;
}

Bytes Stored_String_Descriptor(std::string_view text) {
    return Stored_Form(String_Descriptor(text));
}

Bytes Build_2089_Image(const Image_2089_Description& desc) {
    Bytes image(Size_64K, 0);
    Put_Text(image, 0x2000, "KUN");
    Put_Bytes(image, Device_2089, Stored_Form(Device_Descriptor(desc.Device)));
    std::size_t at = Device_2089 + 20;
    Put_Bytes(image, at, Stored_Language_List);
    at += Stored_Language_List.size();
    for (const auto& text : desc.Strings) {
        if (text) {
            const Bytes stored = Stored_String_Descriptor(*text);
            Put_Bytes(image, at, stored);
            at += stored.size();
        }
    }
    if (desc.Table) {
        Put_Bytes(image, Offset_2089_Table, std::array<std::uint8_t, 2>{0x5A, 0x3C});
        for (std::size_t i = 0; i < Offset_2089_Table_Slots.size(); ++i) {
            if (desc.Strings[i]) {
                Put_Bytes(image, Offset_2089_Table_Slots[i], Stored_String_Descriptor(*desc.Strings[i]));
            }
        }
        if (desc.Strings[3]) {
            Put_Bytes(image, Offset_2089_Microphone, Stored_String_Descriptor(*desc.Strings[3]));
        }
        const auto ids = desc.Override_Ids.value_or(
            std::array<std::uint16_t, 3>{desc.Device.Vid, desc.Device.Pid, desc.Device.Bcd});
        const std::uint16_t wrong = desc.Override_Complement_Wrong ? 1 : 0;
        Put_Bytes(image, Offset_2089_Identity_Override, std::array<std::uint8_t, 2>{0x00, 0x08});
        Put_U16_LE(image, Offset_2089_Identity_Override + 2, ids[0]);
        Put_U16_LE(image, Offset_2089_Identity_Override + 4, ids[1]);
        Put_U16_LE(image, Offset_2089_Identity_Override + 6, static_cast<std::uint16_t>(~ids[0] + wrong));
        Put_U16_LE(image, Offset_2089_Identity_Override + 8, static_cast<std::uint16_t>(~ids[1]));
        Put_Bytes(image, Offset_2089_Identity_Override + 10, std::array<std::uint8_t, 2>{0x00, 0x04});
        Put_U16_LE(image, Offset_2089_Identity_Override + 12, ids[2]);
        Put_U16_LE(image, Offset_2089_Identity_Override + 14, static_cast<std::uint16_t>(~ids[2] + wrong));
    }
    Put_Text(image, Offset_2089_External_ID, "EXT2089-00000001");
    Put_Bytes(image, 0xFFFE, End_Marker_2089);
    return image;
}

std::uint32_t Chip_String_Offset(const Image_Chip_Description& desc, std::size_t index) {
    if (desc.Family == Chip_Family::F2281) {
        return index < Slots_2281.size() ? Slots_2281[index] : 0;
    }
    std::uint32_t offset = 0x1000;
    for (std::size_t i = 0; i < index && i < desc.Rooms.size(); ++i) {
        offset += desc.Rooms[i];
    }
    return offset;
}

std::uint32_t Chip_External_ID_Offset(Chip_Family family) {
    return Layout_Of(family).External_ID;
}

Bytes Build_Chip_Image(const Image_Chip_Description& desc) {
    const Chip_Layout& layout = Layout_Of(desc.Family);
    Bytes image(Size_64K, 0);
    Put_Bytes(image, 0, layout.Start);
    if (desc.Family != Chip_Family::F2281) {
        Put_U16_BE(image, 4, Chip_Header);
        Put_U16_BE(image, Chip_Header + layout.Device_Field, Chip_Device_Offset);
        if (layout.Second_Device_Field != 0) {
            Put_U16_BE(image, Chip_Header + layout.Second_Device_Field, Chip_Second_Device_Offset);
            Put_Bytes(image, Chip_Second_Device_Offset, Stored_Form(Device_Descriptor(desc.Device)));
        }
        for (std::size_t i = 0; i < Pointer_Count; ++i) {
            Put_U16_BE(image, Chip_Header + layout.String_Fields + 2 * i,
                       static_cast<std::uint16_t>(Chip_String_Offset(desc, i)));
        }
        Put_U16_BE(image, Chip_Header + layout.Signature_Field, Chip_Signature_Block);
        if (desc.Signature) {
            Put_Bytes(image, Chip_Signature_Block + 2, layout.Signature);
        }
    } else {
        for (std::size_t i = 0; i < 64; ++i) {
            Put_U8(image, Check_Bytes_2281 + i, i < desc.Blank_Check_Bytes ? 0xFF : 0x5A);
        }
    }
    Put_Bytes(image, desc.Family == Chip_Family::F2281 ? Device_2281 : Chip_Device_Offset,
              Stored_Form(Device_Descriptor(desc.Device)));
    for (std::size_t i = 0; i < desc.Strings.size(); ++i) {
        const std::uint32_t offset = Chip_String_Offset(desc, i);
        if (offset == 0) {
            continue;
        }
        if (i == 0) {
            Put_Bytes(image, offset, Stored_Language_List);
        } else if (desc.Strings[i]) {
            Put_Bytes(image, offset, Stored_String_Descriptor(*desc.Strings[i]));
        }
    }
    Put_Text(image, layout.External_ID, "EXTID-CHIP-00001");
    return image;
}

std::array<Control_Record_Description, Control_Record_Count> Default_Control_Records() {
    std::array<Control_Record_Description, Control_Record_Count> records{};
    for (std::size_t i = 0; i < records.size(); ++i) {
        const auto value = static_cast<std::int32_t>(100 + i);
        records[i] = {
            .Current = value, .Minimum = 0, .Maximum = value + 100, .Fourth = 1, .Default = value, .Byte = 3};
    }
    records[7] = {.Current = 1, .Default = 1};  // white balance automatic
    records[10] = {.Current = 1, .Default = 1}; // power line 50 Hz
    records[13] = {.Current = 0, .Default = 0}; // focus manual
    records[14] = {.Current = 312, .Minimum = 1, .Maximum = 20000, .Fourth = 1, .Default = 156};
    records[15] = {.Current = 8, .Default = 8, .Byte = 8}; // exposure automatic
    records[16] = {
        .Current = 0, .Minimum = -36000, .Maximum = 36000, .Fourth = 3600, .Default = 0, .Byte = 1};
    records[17] = records[16];
    return records;
}

void Put_Camera_Controls(Bytes& image, std::size_t block, const Camera_Control_Description& desc) {
    Put_Bytes(image, block + 0x400, desc.Switches);
    Put_Bytes(image, block + 0x406, desc.Modes);
    Put_U16_BE(image, block + 0x80A, desc.Word);
    const std::size_t records = block + 0xC00;
    for (std::size_t i = 0; i < Control_Layouts.size(); ++i) {
        const Control_Layout& layout = Control_Layouts[i];
        const Control_Record_Description& record = desc.Records[i];
        const std::array<std::int32_t, 5> fields{record.Current, record.Minimum, record.Maximum,
                                                 record.Fourth, record.Default};
        switch (layout.Kind) {
        case Record_Kind::W:
            for (std::size_t k = 0; k < fields.size(); ++k) {
                Put_U16_BE(image, records + layout.First + 2 * k, static_cast<std::uint16_t>(fields[k]));
            }
            break;
        case Record_Kind::D:
            for (std::size_t k = 0; k < fields.size(); ++k) {
                Put_U32_BE(image, records + layout.First + 4 * k, static_cast<std::uint32_t>(fields[k]));
            }
            break;
        case Record_Kind::B:
            Put_U8(image, records + layout.First, static_cast<std::uint8_t>(record.Current));
            Put_U8(image, records + layout.Second, static_cast<std::uint8_t>(record.Default));
            break;
        }
        Put_U8(image, records + layout.Byte, record.Byte);
    }
}

Image_2688_Description Camera_2688_Description() {
    const Format_Description mjpeg{.Mjpeg = true, .Frames = Frames_Of({{1280, 720}, {640, 480}})};
    const Format_Description yuv{.Mjpeg = false, .Frames = Frames_Of({{640, 480}})};
    Image_2688_Description desc;
    desc.Configurations[0] = {.Video = Video_Function_Description{.Formats = {mjpeg, yuv}},
                              .Audio = Audio_Function_Description{}};
    desc.Resolutions = {{1280, 720, 1}, {640, 480, 1}};
    return desc;
}

Bytes Build_2688_Image(const Image_2688_Description& desc) {
    Bytes image(Size_256K, 0);
    Put_Bytes(image, 0x100, Big_Marker_Letters);
    Put_Text(image, 0x2F000, "EXTID-0000000001");
    Put_U32_LE(image, 0x30000, desc.Settings_Tag);
    Put_U8(image, 0x30200, desc.Selector);
    Put_U8(image, 0x3021F, 1);    // settings flag
    Put_U8(image, 0x30221, 0x40); // settings value
    Put_Bytes(image, Offset_2688_Format_Order, std::array<std::uint8_t, 2>{2, 1});
    for (const std::uint32_t table : Offset_2688_Resolutions) {
        for (std::size_t i = 0; i < desc.Resolutions.size(); ++i) {
            const std::size_t record = table + Resolution_Record_Bytes * i;
            Put_U8(image, record, static_cast<std::uint8_t>(0xA0 + i)); // tells records apart
            Put_U16_BE(image, record + 17, desc.Resolutions[i].Width);
            Put_U16_BE(image, record + 19, desc.Resolutions[i].Height);
            Put_U32_BE(image, record + 22, desc.Resolutions[i].Kind);
        }
    }
    Put_Camera_Controls(image, Offset_2688_IQ_Block, {});
    for (std::size_t d = 0; d < desc.Devices.size(); ++d) {
        Put_Bytes(image, Offset_2688_Device[d], Device_Descriptor(desc.Devices[d]));
    }
    for (std::size_t i = 0; i < desc.Strings.size(); ++i) {
        if (!desc.Strings[i]) {
            continue;
        }
        const Bytes descriptor = String_Descriptor(*desc.Strings[i]);
        const std::size_t slot = Offset_2688_Strings + 128 * i;
        Put_Bytes(image, slot, descriptor);
        Put_Bytes(image, slot + descriptor.size(), Stored_Area_End);
        Put_Length_Entry(image, 10 + i, descriptor[0]);
    }
    for (std::size_t c = 0; c < desc.Configurations.size(); ++c) {
        const Bytes configuration = Build_Configuration(desc.Configurations[c]);
        Put_Bytes(image, Offset_2688_Configuration[c], configuration);
        Put_Bytes(image, Offset_2688_Configuration[c] + configuration.size(), Stored_Area_End);
        Put_Length_Entry(image, 4 + c, static_cast<std::uint16_t>(configuration.size()));
    }
    image.resize(desc.Size);
    return image;
}

} // namespace test_images
