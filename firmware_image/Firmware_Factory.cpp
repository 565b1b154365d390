#include "firmware_image/Firmware_Factory.h"

#include "firmware_image/Firmware_Massage_2688_class.h"
#include "firmware_image/Firmware_Massage_ExID_classes.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::uint8_t Chip_Image_Start = 0x89;
constexpr std::uint32_t Kun_Marker_Offset = 0x2000;
constexpr std::array<std::uint8_t, 3> Kun_Marker{0x4B, 0x55, 0x4E}; // "KUN"
constexpr std::uint32_t End_Marker_Offset = 0xFFFE;
constexpr std::array<std::uint8_t, 2> End_Marker{0x10, 0xEF};

// The 256 KB family's marker at 0x100, in either of its two spellings.
constexpr std::uint32_t Big_Marker_Offset = 0x100;
constexpr std::array<std::array<std::uint8_t, 2>, 2> Big_Markers{{{0x43, 0x59}, {0x95, 0x27}}};

// The settings-area tag, a little-endian word at 0x30000, counts only when the image is
// long enough to hold what that tag's layout puts after it.
constexpr std::uint32_t Settings_Tag_Offset = 0x30000;

struct Settings_Tag_Row {
    std::uint32_t Tag;
    std::uint32_t Size_Above;
    Firmware_Chip_Code Code;
};

constexpr std::array<Settings_Tag_Row, 2> Settings_Tag_Rows{{
    {0xCC33AA55, 0x34000, Firmware_Chip_2688},
    {0xCC330201, 0x31800, Firmware_Chip_2688_Other_Tag},
}};

template <class Image_Class>
std::unique_ptr<Firmware_Massage_Base_class_Usb_Des> Create(const std::uint8_t* buffer, std::uint32_t size) {
    return std::make_unique<Image_Class>(buffer, size);
}

// Every family is built with its external-ID class.
constexpr std::array<Firmware_Family_Row, 6> Family_Rows{{
    {Firmware_Chip_2281, "2281", Image_Size_64K, Create<Firmware_Massage_2281_ExID_class>},
    {Firmware_Chip_2092, "2092", Image_Size_64K, Create<Firmware_Massage_2092_ExID_class>},
    {Firmware_Chip_2089, "2089", Image_Size_64K, Create<Firmware_Massage_2089_ExID_class>},
    {Firmware_Chip_2620, "2620", Image_Size_64K, Create<Firmware_Massage_2620_ExID_class>},
    {Firmware_Chip_2688, "2688", Image_Size_256K, Create<Firmware_Massage_2688_class>},
    {Firmware_Chip_2688_Other_Tag, "2688", Image_Size_256K, Create<Firmware_Massage_2688_class>},
}};

template <std::size_t N>
bool Bytes_Match(const std::uint8_t* buffer, std::uint32_t offset,
                 const std::array<std::uint8_t, N>& expected) {
    return std::equal(expected.begin(), expected.end(), buffer + offset);
}

Firmware_Chip_Code Detect_By_Settings_Tag(const std::uint8_t* buffer, std::uint32_t size) {
    const auto shortest = std::ranges::min(Settings_Tag_Rows, {}, &Settings_Tag_Row::Size_Above);
    if (size <= shortest.Size_Above) {
        return Firmware_Chip_256K_Without_Tag;
    }
    const std::uint32_t tag = static_cast<std::uint32_t>(buffer[Settings_Tag_Offset]) |
                              (static_cast<std::uint32_t>(buffer[Settings_Tag_Offset + 1]) << 8) |
                              (static_cast<std::uint32_t>(buffer[Settings_Tag_Offset + 2]) << 16) |
                              (static_cast<std::uint32_t>(buffer[Settings_Tag_Offset + 3]) << 24);
    for (const auto& row : Settings_Tag_Rows) {
        if (tag == row.Tag && size > row.Size_Above) {
            return row.Code;
        }
    }
    return Firmware_Chip_256K_Without_Tag;
}

} // namespace

Firmware_Chip_Code Detect_Firmware_Chip_Code(const std::uint8_t* buffer, std::uint32_t size) {
    // Every byte looked at below lies within the first 64 KB, except the settings tag,
    // which is read only from a buffer long enough to hold it.
    if (buffer == nullptr || size < Image_Size_64K) {
        return Firmware_Chip_Unknown;
    }
    // Images that start 0x89 carry their family in the second byte.
    if (buffer[0] == Chip_Image_Start) {
        for (const auto& row : Chip_Family_Layouts()) {
            if (buffer[1] == row.Chip_Byte) {
                return row.Code;
            }
        }
    }
    if (Bytes_Match(buffer, Kun_Marker_Offset, Kun_Marker)) {
        return Bytes_Match(buffer, End_Marker_Offset, End_Marker) ? Firmware_Chip_2089
                                                                  : Firmware_Chip_2089_Without_End_Marker;
    }
    for (const auto& marker : Big_Markers) {
        if (Bytes_Match(buffer, Big_Marker_Offset, marker)) {
            return Detect_By_Settings_Tag(buffer, size);
        }
    }
    return Firmware_Chip_Unknown;
}

std::unique_ptr<Firmware_Massage_Base_class_Usb_Des> Create_Firmware_Object(const std::uint8_t* buffer,
                                                                            std::uint32_t size) {
    const Firmware_Chip_Code code = Detect_Firmware_Chip_Code(buffer, size);
    const auto row = std::ranges::find(Family_Rows, code, &Firmware_Family_Row::Code);
    // A buffer longer than the family's image would not fit the object's buffers; it is
    // refused rather than cut, so no part of a file is silently dropped.
    if (row == Family_Rows.end() || row->Create == nullptr || size > row->Image_Size) {
        return nullptr;
    }
    // An allocation failure while building an image object is answered like any other
    // image that cannot be served, so nothing leaves the image model by exception.
    try {
        auto object = row->Create(buffer, size);
        if (object != nullptr) {
            auto* external_id = dynamic_cast<Firmware_Message_UNStd_ExId_class*>(object.get());
            auto& holder = object->Get_External_ID_Holder();
            holder.External_ID = external_id;
            holder.External_ID_Present = external_id != nullptr ? 1 : 0;
        }
        return object;
    } catch (...) {
        return nullptr;
    }
}

std::span<const Firmware_Family_Row> Firmware_Families() {
    return Family_Rows;
}
