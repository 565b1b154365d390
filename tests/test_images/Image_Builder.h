// Whole firmware images of the families, laid out byte by byte: the marker bytes that
// tell the families apart; the 64 KB families' stored device and string descriptors with
// their pointer tables, string table, overrides, signatures and external ID; and the
// 256 KB family's areas (external ID, settings tag, selector, settings groups, resolution
// table, length table, device descriptors, string slots, configuration areas,
// camera-control block).
//
// Each family has a description struct whose defaults make a valid image, with fields
// for what a test varies (ids, strings present/absent/of chosen lengths, formats, still
// method, microphone, resolutions), and a Build_ function; the external ID and the
// camera-control block are the defaults' (Put_Camera_Controls writes other control values
// into a block of their own). Tests patch single bytes afterwards for the malformed cases.
#pragma once

#include "test_images/Bytes.h"
#include "test_images/Configuration_Builder.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace test_images {

inline constexpr std::uint32_t Size_64K = 0x10000;
inline constexpr std::uint32_t Size_256K = 0x40000;

// Just the bytes family detection looks at, over a zeroed buffer of Size bytes.
struct Marker_Description {
    std::uint32_t Size = Size_64K;
    std::optional<std::array<std::uint8_t, 2>> Start;      // bytes 0 and 1
    bool Kun_Marker = false;                               // "KUN" at 0x2000
    std::optional<std::array<std::uint8_t, 2>> End_Marker; // bytes 0xFFFE, 0xFFFF
    std::optional<std::array<std::uint8_t, 2>> Big_Marker; // bytes 0x100, 0x101
    std::optional<std::uint32_t> Settings_Tag;             // little-endian word at 0x30000
};

Bytes Build_Marked_Image(const Marker_Description& desc);

inline constexpr std::array<std::uint8_t, 2> Start_2092{0x89, 0x17};
inline constexpr std::array<std::uint8_t, 2> Start_2281{0x89, 0x16};
inline constexpr std::array<std::uint8_t, 2> Start_2620{0x89, 0x26};
inline constexpr std::array<std::uint8_t, 2> End_Marker_2089{0x10, 0xEF};
inline constexpr std::array<std::uint8_t, 2> Big_Marker_Letters{'C', 'Y'};
inline constexpr std::array<std::uint8_t, 2> Big_Marker_Bytes{0x95, 0x27};
inline constexpr std::uint32_t Settings_Tag_2688 = 0xCC33AA55;
inline constexpr std::uint32_t Settings_Tag_Other = 0xCC330201;

// USB identity as the images store it.
struct Device_Description {
    std::uint16_t Vid = 0x1BCF;
    std::uint16_t Pid = 0x2C99;
    std::uint16_t Bcd = 0x0100;
    std::uint8_t Manufacturer_Index = 1;
    std::uint8_t Product_Index = 3;
    std::uint8_t Serial_Index = 4;
};

// A string descriptor in the 64 KB families' stored form: a big-endian 16-bit length, then
// bLength, 3 and the text as UTF-16LE code units.
Bytes Stored_String_Descriptor(std::string_view text);

// ---- The 64 KB families.

// A 2089 image: the stored device descriptor at 0x2010 (past the "KUN" marker),
// the language list and the present strings after it in the order manufacturer,
// product, serial number, microphone; with Table, the string table too.
struct Image_2089_Description {
    Device_Description Device{.Manufacturer_Index = 1, .Product_Index = 2, .Serial_Index = 3};
    // Manufacturer, product, serial number, microphone name; nullopt leaves one out.
    std::array<std::optional<std::string>, 4> Strings{"Maker 2089", "Camera 2089", "SN2089-0001", "Mic 2089"};
    // The string-table marker at 0xFF00 with string i (i from 1 to 3) in table slot i,
    // the microphone's name at 0x400, and the identity and release overrides.
    bool Table = true;
    // What the overrides hold (VID, PID, BCD); by default the device descriptor's.
    std::optional<std::array<std::uint16_t, 3>> Override_Ids;
    bool Override_Complement_Wrong = false;
};

inline constexpr std::uint32_t Offset_2089_Microphone = 0x400;
inline constexpr std::uint32_t Offset_2089_External_ID = 0xFC00;
inline constexpr std::uint32_t Offset_2089_Table = 0xFF00;
inline constexpr std::array<std::uint32_t, 3> Offset_2089_Table_Slots{0xFF02, 0xFF44, 0xFF86};
inline constexpr std::uint32_t Offset_2089_Identity_Override = 0xFFC8; // then the release's at 0xFFD2

Bytes Build_2089_Image(const Image_2089_Description& desc);

enum class Chip_Family { F2092, F2620, F2281 };

// A 2092, 2620 or 2281 image: the start bytes, the stored device descriptor, string
// descriptors 0 (the language list) to 10 one after the other from 0x1000, each with its
// room, and the pointers to them (through the header table at 0x200, or the 2281's fixed
// slots), the signature block at 0x800 or the 2281's check bytes, and the external ID.
struct Image_Chip_Description {
    Chip_Family Family = Chip_Family::F2092;
    Device_Description Device{.Manufacturer_Index = 1, .Product_Index = 2, .Serial_Index = 3};
    // Strings by index; index 4 is the microphone's name. nullopt stores nothing there.
    std::array<std::optional<std::string>, 11> Strings{std::nullopt, "Maker", "Camera", "SN0001", "Mic"};
    // Bytes from each string's pointer to the next one's (2092 and 2620).
    std::array<std::uint16_t, 11> Rooms{8, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64};
    bool Signature = true;
    // 2281: how many of the 64 check bytes at 0xCF00 are 0xFF (the others 0x5A).
    std::size_t Blank_Check_Bytes = 0;
};

// Where the 2092 and 2620 keep the stored device descriptor, and the 2620 its second copy.
inline constexpr std::uint32_t Chip_Device_Offset = 0x0400;
inline constexpr std::uint32_t Chip_Second_Device_Offset = 0x0440;
// Where string i of a built image is stored.
std::uint32_t Chip_String_Offset(const Image_Chip_Description& desc, std::size_t index);
std::uint32_t Chip_External_ID_Offset(Chip_Family family);

Bytes Build_Chip_Image(const Image_Chip_Description& desc);

// ---- The 256 KB family.

// A resolution-table record: width and height as stored, and the format kind (15 and
// 16 store half the frame width).
struct Resolution_Record_Description {
    std::uint16_t Width = 640;
    std::uint16_t Height = 480;
    std::uint32_t Kind = 1;
};

// One camera-control record: the fields for flags 1, 2, 4, 16 and 8 and the flag-32
// byte. Byte controls and automatic switches store Current, Default and Byte only.
struct Control_Record_Description {
    std::int32_t Current = 0;
    std::int32_t Minimum = 0;
    std::int32_t Maximum = 255;
    std::int32_t Fourth = 1;
    std::int32_t Default = 0;
    std::uint8_t Byte = 0;
};

inline constexpr std::size_t Control_Record_Count = 18;

// Typical records: 16-bit controls around 100, exposure in 100 us units, pan and tilt
// in arc seconds, automatic white balance and exposure on, power line 50 Hz.
std::array<Control_Record_Description, Control_Record_Count> Default_Control_Records();

struct Camera_Control_Description {
    std::array<Control_Record_Description, Control_Record_Count> Records = Default_Control_Records();
    std::array<std::uint8_t, 6> Switches{0, 1, 1, 0, 0, 1}; // 0x400 to 0x405
    std::array<std::uint8_t, 2> Modes{2, 0};                // 0x406, 0x407
    std::uint16_t Word = 0x1234;                            // 0x80A
};

inline constexpr std::uint32_t Offset_2688_IQ_Block = 0x38000;
inline constexpr std::uint32_t Offset_2688_Camera_Controls = Offset_2688_IQ_Block + 0xC00;

// Writes the records into a 32 KB block image (at offset `block` of `image`).
void Put_Camera_Controls(Bytes& image, std::size_t block, const Camera_Control_Description& desc);

// A 256 KB image of the 2688 family ("CY" at 0x100). The settings groups hold flag 1 at
// 0x3021F, value 0x40 at 0x30221 and the format order MJPEG first (2, 1) at 0x30233.
struct Image_2688_Description {
    std::uint32_t Size = Size_256K;
    std::uint32_t Settings_Tag = Settings_Tag_2688;
    std::uint8_t Selector = 0;
    std::array<Device_Description, 2> Devices{};
    // String slot i holds string descriptor i; slot 2 is the microphone's name.
    std::array<std::optional<std::string>, 12> Strings{std::nullopt, "Test Maker", "Test Microphone",
                                                       "Test Camera 2688", "SN0001"};
    std::array<Configuration_Description, 2> Configurations{};
    std::vector<Resolution_Record_Description> Resolutions{{}};
};

inline constexpr std::uint32_t Offset_2688_Format_Order = 0x30233;
inline constexpr std::array<std::uint32_t, 2> Offset_2688_Resolutions{0x30300, 0x30500};
inline constexpr std::size_t Resolution_Record_Bytes = 26;
inline constexpr std::uint32_t Offset_2688_Length_Table = 0x30E00;
inline constexpr std::array<std::uint32_t, 2> Offset_2688_Device{0x31000, 0x3103C};
inline constexpr std::uint32_t Offset_2688_Strings = 0x31800;
inline constexpr std::array<std::uint32_t, 2> Offset_2688_Configuration{0x32000, 0x33000};

// A camera's configuration 0: MJPEG (1280 x 720, 640 x 480) then YUV (640 x 480) with a
// microphone, and a resolution record per MJPEG size.
Image_2688_Description Camera_2688_Description();

// The whole image, `Size` bytes (at least what the areas need; a shorter size cuts the
// image, as a short file would).
Bytes Build_2688_Image(const Image_2688_Description& desc);

} // namespace test_images
