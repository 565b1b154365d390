// Detection reads a handful of marker bytes; whatever the buffer and its size, it must
// read within them and answer one of its codes. The factory must build or refuse without
// leaving anything behind.
#include "firmware_image/Firmware_Factory.h"
#include "test_images/Sparse_Image.h"

#include <algorithm>
#include <array>
#include <cstdlib>
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The input as the buffer itself, in an allocation of exactly its size.
    Detect_And_Create(std::vector<std::uint8_t>(data, data + size));
    // The input as a sparse image, which reaches the 64 KB and 256 KB rules.
    Detect_And_Create(test_images::Decode_Sparse_Image({data, size}));
    return 0;
}
