#include "test_images/Fuzz_Images.h"

#include "test_images/Image_Builder.h"

#include <algorithm>

namespace test_images {

namespace {

// The 2092 and 2620: header table, device descriptors, signature block and strings up to
// 0x1400 (past the start bytes), then the external ID.
const std::vector<Image_Area> Chip_Areas{{0x0002, 0x13FE}, {0xDE00, 0x40}};
// The 2281: device descriptor, string slots, check bytes, external ID, the rest of the head.
const std::vector<Image_Area> Areas_2281{
    {0x6780, 0x80}, {0x7800, 0x1C0}, {0xCF00, 0x40}, {0x6300, 0x40}, {0x0002, 0xFE}};
// The 2089: device descriptor and strings after "KUN", string table and overrides (before
// the end marker), the microphone's name, the external ID.
const std::vector<Image_Area> Areas_2089{{0x2003, 0x1FD}, {0xFF00, 0xFE}, {0x0400, 0x40}, {0xFC00, 0x20}};
// The 2688: both configuration areas, the settings after their tag (selector, groups,
// resolution and length tables, device descriptors, string slots), the camera-control block
// and the external ID.
const std::vector<Image_Area> Areas_2688{
    {0x32000, 0x2000}, {0x30004, 0x1FFC}, {0x38000, 0x1000}, {0x2F000, 0x20}};

// The camera's formats with still method 2, a YUV-only configuration 1 and a half-width
// resolution record.
Bytes Camera_2688(std::uint8_t selector, std::uint32_t tag) {
    Image_2688_Description desc = Camera_2688_Description();
    desc.Settings_Tag = tag;
    desc.Selector = selector;
    desc.Configurations[0].Video->Still_Method = 2;
    desc.Configurations[1] = {
        .Video = Video_Function_Description{.Formats = {desc.Configurations[0].Video->Formats[1]}}};
    desc.Resolutions[1] = {320, 480, 15};
    return Build_2688_Image(desc);
}

} // namespace

const std::vector<Fuzz_Template>& Fuzz_Templates() {
    static const std::vector<Fuzz_Template> templates{
        {"2092", Build_Chip_Image({}), Chip_Areas},
        {"2281", Build_Chip_Image({.Family = Chip_Family::F2281}), Areas_2281},
        {"2620", Build_Chip_Image({.Family = Chip_Family::F2620}), Chip_Areas},
        {"2089", Build_2089_Image({}), Areas_2089},
        {"2089-no-table", Build_2089_Image({.Table = false}), Areas_2089},
        {"2688-camera", Camera_2688(0, Settings_Tag_2688), Areas_2688},
        {"2688-selector-1", Camera_2688(1, Settings_Tag_2688), Areas_2688},
        {"2688-other-tag", Camera_2688(0, Settings_Tag_Other), Areas_2688},
    };
    return templates;
}

void Build_Fuzzed_Image(const Fuzz_Template& from, std::size_t first_area,
                        std::span<const std::uint8_t> bytes, Bytes& image) {
    image.assign(from.Image.begin(), from.Image.end());
    for (std::size_t i = 0; i < from.Areas.size() && !bytes.empty(); ++i) {
        const Image_Area& area = from.Areas[(first_area + i) % from.Areas.size()];
        const std::size_t count = std::min<std::size_t>(area.Size, bytes.size());
        std::copy_n(bytes.begin(), count, image.begin() + area.Offset);
        bytes = bytes.subspan(count);
    }
}

Bytes Area_Bytes(const Fuzz_Template& from, std::size_t area, const Bytes& image) {
    const Image_Area& at = from.Areas[area % from.Areas.size()];
    Bytes bytes(image.begin() + at.Offset, image.begin() + at.Offset + at.Size);
    while (!bytes.empty() && bytes.back() == 0) {
        bytes.pop_back();
    }
    return bytes;
}

} // namespace test_images
