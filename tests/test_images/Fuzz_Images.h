// Images for the image-model fuzz targets, built around the fuzzed bytes: a fixed image of a
// family, built once, whose header and descriptor areas take the input's bytes in order,
// padded with the image's own bytes where the input ends; the rest of the image stays as
// built. A short input so reaches what the model parses, and a run copies an image instead of
// decoding and zero-filling a whole 64 KB or 256 KB one. The family's detection markers are
// outside the areas (the detection fuzzer varies them on its own).
#pragma once

#include "test_images/Bytes.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace test_images {

// The detection fuzzer's image sizes: either side of every size the rules look at, and one
// too short to be read at all.
inline constexpr std::array<std::uint32_t, 8> Detection_Sizes{0xFFFF,  0x10000, 0x31800, 0x31801,
                                                              0x34000, 0x34001, 0x40000, 0x40001};

struct Image_Area {
    std::uint32_t Offset;
    std::uint32_t Size;
};

// Every place detection reads, in the order the detection fuzzer's input fills them.
inline constexpr std::array<Image_Area, 5> Detection_Places{
    {{0, 2}, {0x100, 2}, {0x2000, 3}, {0xFFFE, 2}, {0x30000, 4}}};
inline constexpr std::size_t Detection_Place_Bytes = 13;

struct Fuzz_Template {
    std::string_view Name;
    Bytes Image;
    std::vector<Image_Area> Areas; // in the order they take the input's bytes
};

// Eight templates: the 2092, 2281, 2620 and 2089 images, the 2089 without its string table,
// and the 2688 with a camera's formats and microphone, with configuration 1 selected, and with
// the other settings tag.
const std::vector<Fuzz_Template>& Fuzz_Templates();

// `image` becomes the template with `bytes` laid over its areas in order, from area
// `first_area` (modulo their count) round to the one before it.
void Build_Fuzzed_Image(const Fuzz_Template& from, std::size_t first_area,
                        std::span<const std::uint8_t> bytes, Bytes& image);

// What `image` holds in area `area` of the template, without its trailing zeros: an input that
// builds `image` from that area on, where the other areas are the template's (seeds).
Bytes Area_Bytes(const Fuzz_Template& from, std::size_t area, const Bytes& image);

} // namespace test_images
