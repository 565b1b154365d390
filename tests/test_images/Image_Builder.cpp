#include "test_images/Image_Builder.h"

#include <algorithm>

namespace test_images {

namespace {

constexpr std::array<std::uint8_t, 2> Stored_Area_End{0x55, 0xAA};

void Put_Length_Entry(Bytes& image, std::size_t entry, std::uint16_t length) {
    Put_U16_BE(image, Offset_2688_Length_Table + 6 * entry, length);
}

} // namespace

Bytes Build_Marked_Image(const Marker_Spec& spec) {
    Bytes image(std::max<std::uint32_t>(spec.Size, Size_256K), 0);
    if (spec.Start) {
        Put_Bytes(image, 0, *spec.Start);
    }
    if (spec.Kun_Marker) {
        Put_Text(image, 0x2000, "KUN");
    }
    if (spec.End_Marker) {
        Put_Bytes(image, 0xFFFE, *spec.End_Marker);
    }
    if (spec.Big_Marker) {
        Put_Bytes(image, 0x100, *spec.Big_Marker);
    }
    if (spec.Settings_Tag) {
        Put_U32_LE(image, 0x30000, *spec.Settings_Tag);
    }
    image.resize(spec.Size);
    return image;
}

Bytes Device_Descriptor(const Device_Spec& spec) {
    Bytes out;
    Add(out, {0x12, 0x01, 0x00, 0x02, 0xEF, 0x02, 0x01, 0x40});
    Add_U16_LE(out, spec.Vid);
    Add_U16_LE(out, spec.Pid);
    Add_U16_LE(out, spec.Bcd);
    Add(out, {spec.Manufacturer_Index, spec.Product_Index, spec.Serial_Index, 0x01});
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

Bytes Stored_Device_Descriptor(const Device_Spec& spec) {
    Bytes out{0x00, 0x12};
    Add(out, Device_Descriptor(spec));
    return out;
}

Bytes Stored_String_Descriptor(std::string_view text) {
    const Bytes descriptor = String_Descriptor(text);
    Bytes out{0x00, descriptor[0]};
    Add(out, descriptor);
    return out;
}

Bytes Build_2688_Image(const Image_2688_Spec& spec) {
    Bytes image(Size_256K, 0);
    Put_Bytes(image, 0x100, spec.Marker);
    Put_Text(image, Offset_2688_External_ID, spec.External_ID.substr(0, 16));
    Put_U32_LE(image, Offset_2688_Settings_Tag, spec.Settings_Tag);
    Put_U8(image, Offset_2688_Selector, spec.Selector);
    for (std::size_t d = 0; d < spec.Devices.size(); ++d) {
        Put_Bytes(image, Offset_2688_Device[d], Device_Descriptor(spec.Devices[d]));
    }
    for (std::size_t i = 0; i < spec.Strings.size(); ++i) {
        if (!spec.Strings[i]) {
            continue;
        }
        const Bytes descriptor = String_Descriptor(*spec.Strings[i]);
        const std::size_t slot = Offset_2688_Strings + 128 * i;
        Put_Bytes(image, slot, descriptor);
        Put_Bytes(image, slot + descriptor.size(), Stored_Area_End);
        Put_Length_Entry(image, 10 + i, descriptor[0]);
    }
    for (std::size_t c = 0; c < spec.Configurations.size(); ++c) {
        const Bytes configuration = Build_Configuration(spec.Configurations[c]);
        Put_Bytes(image, Offset_2688_Configuration[c], configuration);
        Put_Bytes(image, Offset_2688_Configuration[c] + configuration.size(), Stored_Area_End);
        Put_Length_Entry(image, 4 + c, static_cast<std::uint16_t>(configuration.size()));
    }
    image.resize(spec.Size);
    return image;
}

} // namespace test_images
