#include "platform/simulated/Boot_Image.h"

#include <algorithm>
#include <set>

#include "platform/simulated/Usb_Devices.h"

namespace platform::simulated {

namespace {

using Image = std::span<const std::uint8_t>;

constexpr std::size_t Size_64K = 0x10000;
constexpr std::size_t Size_256K = 0x40000;
constexpr std::size_t Device_Descriptor_Length = 18;
constexpr std::uint8_t Device_Descriptor_Type = 1;
constexpr std::uint8_t String_Descriptor_Type = 3;

// The 64 KB layouts. The stored device descriptor and strings have two bytes before what the
// chip sends: a big-endian copy of the length (0 and bLength for a string).
struct Chip_Layout {
    std::uint8_t Chip_Byte; // byte 1; byte 0 is 0x89
    // With a header table (its offset in bytes 4-5), the device descriptor's and the strings'
    // offsets are fields of the table; without one, fixed places.
    bool Header_Table;
    std::uint16_t Device; // the header field, or the place
    std::uint16_t Strings;
    std::span<const std::uint16_t> String_Places;
    std::uint8_t Last_String_Index;
    // With a header table: the field leading to the signature block, whose bytes 2-9 these are.
    std::uint16_t Signature_Field;
    std::array<std::uint8_t, 8> Signature;
};

constexpr std::uint8_t Chip_Image_Start = 0x89;
constexpr std::size_t Header_Pointer = 4;
constexpr std::size_t Signature_Skip = 2;
constexpr std::size_t Stored_Head = 2;
constexpr std::array<std::uint16_t, 6> Places_2281{0x7800, 0x7830, 0x7880, 0x78D0, 0x7920, 0x7970};
// The 2281's check bytes: at most half of them erased (0xFF) or empty (0x00).
constexpr std::size_t Check_Bytes_2281 = 0xCF00;
constexpr std::size_t Check_Byte_Count = 64;
constexpr std::size_t Most_Blank_Check_Bytes = 32;

constexpr Chip_Layout Layout_2620{.Chip_Byte = 0x26,
                                  .Header_Table = true,
                                  .Device = 26,
                                  .Strings = 0x28,
                                  .String_Places = {},
                                  .Last_String_Index = 10,
                                  .Signature_Field = 138,
                                  .Signature = {0x00, 0x26, 0x0A, 0x00, 0x00, 0x26, 0x0B, 0x00}};
constexpr Chip_Layout Layout_2092{.Chip_Byte = 0x17,
                                  .Header_Table = true,
                                  .Device = 22,
                                  .Strings = 0x20,
                                  .String_Places = {},
                                  .Last_String_Index = 10,
                                  .Signature_Field = 106,
                                  .Signature = {0x00, 0x27, 0x0A, 0x00, 0x00, 0x27, 0x0B, 0x00}};
constexpr Chip_Layout Layout_2281{.Chip_Byte = 0x16,
                                  .Header_Table = false,
                                  .Device = 0x6780,
                                  .Strings = 0,
                                  .String_Places = Places_2281,
                                  .Last_String_Index = 5,
                                  .Signature_Field = 0,
                                  .Signature = {}};

// The 256 KB layout: its marker, the settings area's tag, and in that area the selector of the
// device descriptor in use (1: the second, anything else: the first) and the string slots.
constexpr std::size_t Big_Marker = 0x100;
constexpr std::array<std::array<std::uint8_t, 2>, 2> Big_Markers{{{'C', 'Y'}, {0x95, 0x27}}};
constexpr std::size_t Settings_Tag = 0x30000;
constexpr std::array<std::uint32_t, 2> Settings_Tags{0xCC33AA55, 0xCC330201};
constexpr std::size_t Selector = 0x30200;
constexpr std::array<std::size_t, 2> Big_Devices{0x31000, 0x3103C};
constexpr std::size_t String_Slots = 0x31800;
constexpr std::size_t String_Slot_Size = 128;
constexpr std::size_t String_Slot_Count = 12;

// `count` bytes at `at`, or nothing when they are not all in the image.
std::optional<Image> Bytes_At(Image image, std::size_t at, std::size_t count) {
    if (at > image.size() || count > image.size() - at)
        return std::nullopt;
    return image.subspan(at, count);
}

std::optional<std::uint16_t> U16_BE(Image image, std::size_t at) {
    const auto bytes = Bytes_At(image, at, 2);
    if (!bytes)
        return std::nullopt;
    return static_cast<std::uint16_t>((*bytes)[0] << 8 | (*bytes)[1]);
}

std::uint16_t U16_LE(Image bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

// The string descriptor at `at` as a device sends it, or nothing when none is there whole.
Descriptor_Bytes String_At(Image image, std::size_t at) {
    const auto head = Bytes_At(image, at, 2);
    if (!head || (*head)[1] != String_Descriptor_Type || (*head)[0] < 2 || (*head)[0] % 2 != 0)
        return {};
    const auto whole = Bytes_At(image, at, (*head)[0]);
    return whole ? Descriptor_Bytes(whole->begin(), whole->end()) : Descriptor_Bytes{};
}

// The ids and release of the device descriptor at `at`, and its three string indexes.
struct Device_Fields {
    Boot_Identity Identity;
    std::array<std::uint8_t, 3> Indexes{};
};

std::optional<Device_Fields> Device_At(Image image, std::size_t at) {
    const auto bytes = Bytes_At(image, at, Device_Descriptor_Length);
    if (!bytes || (*bytes)[0] != Device_Descriptor_Length || (*bytes)[1] != Device_Descriptor_Type)
        return std::nullopt;
    Device_Fields fields;
    fields.Identity.Vid = U16_LE(*bytes, 8);
    fields.Identity.Pid = U16_LE(*bytes, 10);
    fields.Identity.Bcd = U16_LE(*bytes, 12);
    fields.Indexes = {(*bytes)[14], (*bytes)[15], (*bytes)[16]};
    return fields;
}

// The identity of a device descriptor's fields, each string its index names (0: none) as
// `string_of` finds it.
template <typename String_Of>
Boot_Identity With_Strings(const Device_Fields& fields, String_Of string_of) {
    Boot_Identity identity = fields.Identity;
    for (std::size_t kind = 0; kind < identity.Strings.size(); ++kind)
        if (fields.Indexes[kind] != 0)
            identity.Strings[kind] = string_of(fields.Indexes[kind]);
    return identity;
}

bool Carries_Signature(Image image, const Chip_Layout& layout, std::uint16_t header) {
    const auto block = U16_BE(image, std::size_t{header} + layout.Signature_Field);
    const auto signature =
        block ? Bytes_At(image, std::size_t{*block} + Signature_Skip, layout.Signature.size()) : std::nullopt;
    return signature && std::ranges::equal(*signature, layout.Signature);
}

bool Passes_Check_Bytes(Image image) {
    const auto checked = Bytes_At(image, Check_Bytes_2281, Check_Byte_Count);
    return checked && static_cast<std::size_t>(std::ranges::count_if(*checked, [](std::uint8_t b) {
                          return b == 0x00 || b == 0xFF;
                      })) <= Most_Blank_Check_Bytes;
}

// A stored string: 0, then bLength twice (the first the stored copy), then the descriptor.
Descriptor_Bytes Stored_String_At(Image image, std::size_t at) {
    const auto head = Bytes_At(image, at, Stored_Head + 1);
    if (!head || (*head)[0] != 0 || (*head)[1] != (*head)[2])
        return {};
    return String_At(image, at + Stored_Head);
}

std::optional<Boot_Identity> Read_Chip_Image(Image image, const Chip_Layout& layout) {
    const auto start = Bytes_At(image, 0, 2);
    if (!start || (*start)[0] != Chip_Image_Start || (*start)[1] != layout.Chip_Byte)
        return std::nullopt;
    std::uint16_t header = 0;
    std::optional<std::uint16_t> device = layout.Device;
    if (layout.Header_Table) {
        const auto table = U16_BE(image, Header_Pointer);
        if (!table || !Carries_Signature(image, layout, *table))
            return std::nullopt;
        header = *table;
        device = U16_BE(image, std::size_t{header} + layout.Device);
    } else if (!Passes_Check_Bytes(image)) {
        return std::nullopt;
    }
    const auto fields = device ? Device_At(image, std::size_t{*device} + Stored_Head) : std::nullopt;
    if (!fields)
        return std::nullopt;
    return With_Strings(*fields, [&](std::uint8_t index) {
        if (index > layout.Last_String_Index)
            return Descriptor_Bytes{};
        const auto place = layout.Header_Table
                               ? U16_BE(image, std::size_t{header} + layout.Strings + 2 * std::size_t{index})
                               : std::optional<std::uint16_t>(layout.String_Places[index]);
        return place ? Stored_String_At(image, *place) : Descriptor_Bytes{};
    });
}

std::optional<Boot_Identity> Read_Big_Image(Image image) {
    const auto marker = Bytes_At(image, Big_Marker, 2);
    const auto tag = Bytes_At(image, Settings_Tag, 4);
    if (!marker || !tag ||
        std::ranges::none_of(Big_Markers, [&](const auto& m) { return std::ranges::equal(m, *marker); }))
        return std::nullopt;
    const std::uint32_t tag_value =
        static_cast<std::uint32_t>(U16_LE(*tag, 0)) | static_cast<std::uint32_t>(U16_LE(*tag, 2)) << 16;
    if (std::ranges::find(Settings_Tags, tag_value) == Settings_Tags.end())
        return std::nullopt;
    const auto selector = Bytes_At(image, Selector, 1);
    const auto fields = selector ? Device_At(image, Big_Devices[(*selector)[0] == 1 ? 1 : 0]) : std::nullopt;
    if (!fields)
        return std::nullopt;
    return With_Strings(*fields, [&](std::uint8_t index) {
        if (index >= String_Slot_Count)
            return Descriptor_Bytes{};
        // A string stays within its slot.
        const std::size_t slot = String_Slots + String_Slot_Size * index;
        return String_At(image.first(std::min(image.size(), slot + String_Slot_Size)), slot);
    });
}

} // namespace

std::optional<Boot_Identity> Read_Boot_Identity(Boot_Layout layout, std::span<const std::uint8_t> flash) {
    switch (layout) {
    case Boot_Layout::None:
        return std::nullopt;
    case Boot_Layout::Chip_2620:
        return Read_Chip_Image(flash.first(std::min(flash.size(), Size_64K)), Layout_2620);
    case Boot_Layout::Chip_2092:
        return Read_Chip_Image(flash.first(std::min(flash.size(), Size_64K)), Layout_2092);
    case Boot_Layout::Chip_2281:
        return Read_Chip_Image(flash.first(std::min(flash.size(), Size_64K)), Layout_2281);
    case Boot_Layout::Big_2688:
        return Read_Big_Image(flash.first(std::min(flash.size(), Size_256K)));
    }
    return std::nullopt;
}

void Put_Boot_Identity(Usb_Device_Description& device, const Boot_Identity& identity) {
    std::set<std::uint16_t> languages;
    for (const auto& [key, bytes] : device.Strings)
        if (key.first != 0)
            languages.insert(key.second);
    if (languages.empty())
        languages.insert(Language_English_US);
    std::erase_if(device.Strings, [](const auto& entry) { return entry.first.first != 0; });
    device.Descriptor.idVendor = identity.Vid;
    device.Descriptor.idProduct = identity.Pid;
    device.Descriptor.bcdDevice = identity.Bcd;
    std::uint8_t* const indexes[] = {&device.Descriptor.iManufacturer, &device.Descriptor.iProduct,
                                     &device.Descriptor.iSerialNumber};
    for (std::size_t kind = 0; kind < identity.Strings.size(); ++kind) {
        const auto index = static_cast<std::uint8_t>(kind + 1);
        *indexes[kind] = identity.Strings[kind].empty() ? 0 : index;
        if (!identity.Strings[kind].empty())
            for (const std::uint16_t language : languages)
                device.Strings[{index, language}] = identity.Strings[kind];
    }
}

} // namespace platform::simulated
