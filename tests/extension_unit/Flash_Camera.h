#pragma once
// A camera of one chip family with a flash part holding an older image, as discovery leaves
// it (identified, its command set chosen), and what the flash tests read back from it.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Extension_Unit_Class/Device_List.h"
#include "Extension_Unit_Class/Extension_Unit_Chip_Protocol.h"
#include "Log_Capture.h"
#include "Simulated_Host.h"
#include "test_images/Image_Builder.h"

namespace test {

using Bytes = std::vector<std::uint8_t>;

// Bytes that look like code: no run of equal bytes, different for every seed.
inline Bytes Code_Bytes(std::size_t size, std::uint32_t seed) {
    Bytes bytes(size);
    for (std::uint32_t& state = seed; std::uint8_t & byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

// A firmware image for `family`'s chips as the tool loads it: the family's header and
// descriptors, code after them, shorter than the region (the download pads it with zeros).
inline Bytes Build_Firmware_Image(const std::string& family) {
    using namespace test_images;
    Bytes image;
    std::size_t code_from = 0x2000;
    if (family == "SPCA2650" || family == "SPCA2282") {
        image = Build_2688_Image({.Size = 0x34000});
        code_from = 0x1000; // up to the external ID at 0x2F000
        const Bytes code = Code_Bytes(0x2E000 - code_from, 7);
        std::copy(code.begin(), code.end(), image.begin() + static_cast<std::ptrdiff_t>(code_from));
        return image;
    }
    using Image_Family = test_images::Chip_Family;
    const Image_Family chip = family == "SPCA2620"   ? Image_Family::F2620
                              : family == "SPCA2281" ? Image_Family::F2281
                                                     : Image_Family::F2092;
    image = Build_Chip_Image({.Family = chip});
    const Bytes code = Code_Bytes(0xB000, 3);
    std::copy(code.begin(), code.end(), image.begin() + static_cast<std::ptrdiff_t>(code_from));
    image.resize(0xE123);
    return image;
}

// Built once per family: the fault campaign makes hundreds of cameras.
inline const Bytes& Firmware_Image(const std::string& family) {
    static std::map<std::string, Bytes> images;
    auto found = images.find(family);
    if (found == images.end())
        found = images.emplace(family, Build_Firmware_Image(family)).first;
    return found->second;
}

// A GD25Q40C (512 KB) that holds older code everywhere.
inline const Bytes& Older_Code() {
    static const Bytes older_code = Code_Bytes(512 * 1024, 11);
    return older_code;
}
inline Flash_Part_Identity Part_With_Older_Code(std::uint8_t status) {
    Flash_Part_Identity part = Flash_Part({0xC8, 0x40, 0x13});
    part.Contents = Older_Code();
    part.Status = status;
    return part;
}

struct Flash_Camera : Discovered_Camera {
    const Bytes& old_contents = Older_Code();
    Bytes image; // the family's firmware image
    std::size_t opcodes_seen = camera->Flash().Part()->Opcodes().size();

    explicit Flash_Camera(const std::string& family, std::optional<std::uint32_t> chunk_length = std::nullopt,
                          std::uint8_t status = 0)
        : Discovered_Camera(family, Part_With_Older_Code(status), chunk_length),
          image(Firmware_Image(family)) {}

    int Download(float* progress = nullptr) { return Download(image, progress); }
    int Download(const Bytes& other, float* progress = nullptr) {
        return protocol->Download_Firmware(other.data(), static_cast<std::uint32_t>(other.size()), progress);
    }
    const Bytes& Flash() const { return camera->Flash().Part()->Contents(); }
    Bytes Flash(std::uint32_t from, std::uint32_t size) const {
        return Bytes(Flash().begin() + from, Flash().begin() + from + size);
    }
    // The opcodes the part saw since discovery.
    Bytes Opcodes() const {
        const Bytes& all = camera->Flash().Part()->Opcodes();
        return Bytes(all.begin() + static_cast<std::ptrdiff_t>(opcodes_seen), all.end());
    }
    // The request the camera will number `n` counting from the next one (1: the next).
    std::uint64_t Request_Number(std::uint64_t n) const { return camera->Request_Count() + n; }
    std::vector<platform::simulated::Event> Requests() const { return host.backend->Log().Requests(); }
    std::vector<std::uint32_t> Pauses() const { return host.backend->Log().Pauses(); }
};

} // namespace test
