// Detection reads a handful of marker bytes; whatever the buffer and its size, it must
// read within them and answer one of its codes. The factory must build or refuse without
// leaving anything behind.
//
// Input: the buffer itself; and, read as a description: a byte choosing the size (the sizes
// where the rules change) and the image under the markers (zeros or a family's fixed image,
// tests/test_images/Fuzz_Images.h), then the bytes of every place detection reads (0-1,
// 0x100-0x101, 0x2000-0x2002, 0xFFFE-0xFFFF, 0x30000-0x30003), then bytes for the image's
// header and descriptor areas.
#include "firmware_image/Firmware_Factory.h"
#include "test_images/Fuzz_Images.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>
#include <span>
#include <vector>

namespace {

constexpr std::array<Firmware_Chip_Code, 9> Known_Codes{Firmware_Chip_2281,
                                                        Firmware_Chip_2092,
                                                        Firmware_Chip_2089,
                                                        Firmware_Chip_2620,
                                                        Firmware_Chip_2688,
                                                        Firmware_Chip_2688_Other_Tag,
                                                        Firmware_Chip_2089_Without_End_Marker,
                                                        Firmware_Chip_256K_Without_Tag,
                                                        Firmware_Chip_Unknown};

void Detect_And_Create(const std::vector<std::uint8_t>& image) {
    const auto size = static_cast<std::uint32_t>(image.size());
    const Firmware_Chip_Code code = Detect_Firmware_Chip_Code(image.data(), size);
    if (std::ranges::find(Known_Codes, code) == Known_Codes.end()) {
        std::abort();
    }
    if (const auto object = Create_Firmware_Object(image.data(), size)) {
        object->Check_Image(false);
        object->Build_Output_Image();
    }
}

// The described image, in a buffer kept for its size: exactly as long as the image, so reading
// past it is caught, and no run pays for a fresh allocation.
const std::vector<std::uint8_t>& Described_Image(std::span<const std::uint8_t> input) {
    const auto& templates = test_images::Fuzz_Templates();
    const std::uint8_t choice = input.empty() ? 0 : input[0];
    const std::uint32_t size = test_images::Detection_Sizes[choice % test_images::Detection_Sizes.size()];
    const std::size_t base = (choice >> 3) % (templates.size() + 1); // 0: zeros
    std::span<const std::uint8_t> rest = input.empty() ? input : input.subspan(1);
    std::span<const std::uint8_t> markers =
        rest.first(std::min<std::size_t>(rest.size(), test_images::Detection_Place_Bytes));
    rest = rest.subspan(markers.size());

    static std::vector<std::vector<std::uint8_t>> bases(templates.size());
    static std::map<std::uint32_t, std::vector<std::uint8_t>> images;
    std::vector<std::uint8_t>& image = images[size];
    if (image.size() != size) {
        image = std::vector<std::uint8_t>(size);
    }
    std::size_t kept = 0;
    if (base != 0) {
        std::vector<std::uint8_t>& whole = bases[base - 1];
        test_images::Build_Fuzzed_Image(templates[base - 1], 0, rest, whole);
        kept = std::min<std::size_t>(size, whole.size());
        std::copy_n(whole.begin(), kept, image.begin());
    }
    std::fill(image.begin() + static_cast<std::ptrdiff_t>(kept), image.end(), 0);
    for (const test_images::Image_Area& place : test_images::Detection_Places) {
        const std::size_t count = std::min<std::size_t>(place.Size, markers.size());
        if (place.Offset + count <= image.size()) {
            std::copy_n(markers.begin(), count, image.begin() + place.Offset);
        }
        markers = markers.subspan(count);
    }
    return image;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The input as the buffer itself, in an allocation of exactly its size.
    Detect_And_Create(std::vector<std::uint8_t>(data, data + size));
    // The input as a description of an image, which reaches the 64 KB and 256 KB rules.
    Detect_And_Create(Described_Image({data, size}));
    return 0;
}
