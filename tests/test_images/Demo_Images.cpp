#include "test_images/Demo_Images.h"

#include "test_images/Image_Builder.h"

#include <cstdint>

namespace test_images {

namespace {

// A demo camera's USB identity, as scenarios/demo.json gives it.
struct Demo_Camera {
    const char* Family;
    std::uint16_t Pid;
    std::uint16_t Bcd;
    const char* Product;
    const char* Serial;
};

constexpr std::uint16_t Demo_Vid = 0x0C45;
constexpr const char* Demo_Maker = "ZUNQ";

constexpr Demo_Camera Demo_Cameras[] = {
    {"SPCA2620", 0x6366, 0x0100, "ZUNQ 8M USB Camera", "ZQ8M-0001"},
    {"SPCA2281", 0x6340, 0x0210, "ZUNQ 3M USB Camera", "ZQ3M-0002"},
    {"SPCA2092", 0x6362, 0x0105, "ZUNQ 1080P USB Camera", "ZQ1080-0003"},
    {"SPCA2650", 0x6380, 0x0300, "ZUNQ 5M USB Camera", "ZQ56-0004"},
    {"SPCA2282", 0x6381, 0x0102, "ZUNQ 3D USB Camera", "ZQ3D-0005"},
};

Bytes Chip_Image(const Demo_Camera& camera, Chip_Family family) {
    Image_Chip_Description image{.Family = family};
    image.Device.Vid = Demo_Vid;
    image.Device.Pid = camera.Pid;
    image.Device.Bcd = static_cast<std::uint16_t>(camera.Bcd + 1);
    image.Strings[1] = Demo_Maker;
    image.Strings[2] = camera.Product;
    image.Strings[3] = camera.Serial;
    image.Strings[4] = "ZUNQ Microphone";
    return Build_Chip_Image(image);
}

Bytes Image_2688(const Demo_Camera& camera) {
    Image_2688_Description image = Camera_2688_Description();
    for (Device_Description& device : image.Devices) {
        device.Vid = Demo_Vid;
        device.Pid = camera.Pid;
        device.Bcd = static_cast<std::uint16_t>(camera.Bcd + 1);
    }
    image.Strings[1] = Demo_Maker;
    image.Strings[2] = "ZUNQ Microphone";
    image.Strings[3] = camera.Product;
    image.Strings[4] = camera.Serial;
    return Build_2688_Image(image);
}

} // namespace

std::vector<Demo_Image> Demo_Images() {
    std::vector<Demo_Image> images;
    for (const Demo_Camera& camera : Demo_Cameras) {
        const std::string family = camera.Family;
        Bytes image = family == "SPCA2620"   ? Chip_Image(camera, Chip_Family::F2620)
                      : family == "SPCA2281" ? Chip_Image(camera, Chip_Family::F2281)
                      : family == "SPCA2092" ? Chip_Image(camera, Chip_Family::F2092)
                                             : Image_2688(camera);
        images.push_back({family, family + ".bin", std::move(image)});
    }
    return images;
}

} // namespace test_images
