// The flash a simulated chip boots from, as a scenario's contents file or a burn leaves it:
// whatever it holds, the identity read out of it for every boot layout stays within the
// flash, and each string it gives is one whole string descriptor that a camera's USB device
// can carry.
//
// Input: a control byte (bits 0-2 the family image of tests/test_images/Fuzz_Images.h the
// flash starts from, bits 3-5 the flash size), the area the bytes start in, then the bytes
// laid over the image's header and descriptor areas. The input itself is read as a flash too.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/simulated/Boot_Image.h"
#include "platform/simulated/Usb_Devices.h"
#include "test_images/Fuzz_Images.h"

namespace {

using namespace platform::simulated;

constexpr std::array<Boot_Layout, 5> Layouts{Boot_Layout::None, Boot_Layout::Chip_2620,
                                             Boot_Layout::Chip_2092, Boot_Layout::Chip_2281,
                                             Boot_Layout::Big_2688};
// Either side of the 64 KB and 256 KB images, a small part and a large one.
constexpr std::array<std::size_t, 8> Flash_Sizes{0x1000,  0xFFFF,  0x10000, 0x20000,
                                                 0x3FFFF, 0x40000, 0x80000, 0};

void Require(bool condition) {
    if (!condition)
        std::abort();
}

void Require_String(const std::vector<std::uint8_t>& string) {
    if (string.empty())
        return;
    Require(string.size() >= 2 && string.size() % 2 == 0 && string[0] == string.size() && string[1] == 3);
}

void Read_Every_Layout(std::span<const std::uint8_t> flash) {
    for (const Boot_Layout layout : Layouts) {
        const auto identity = Read_Boot_Identity(layout, flash);
        Require(layout != Boot_Layout::None || !identity);
        if (!identity)
            continue;
        for (const auto& string : identity->Strings)
            Require_String(string);
        Usb_Device_Description device = Camera_Device();
        Put_Boot_Identity(device, *identity);
        Require(device.Descriptor.idVendor == identity->Vid && device.Descriptor.bcdDevice == identity->Bcd);
        const std::uint8_t indexes[] = {device.Descriptor.iManufacturer, device.Descriptor.iProduct,
                                        device.Descriptor.iSerialNumber};
        for (std::size_t kind = 0; kind < identity->Strings.size(); ++kind) {
            const auto string = device.Strings.find({indexes[kind], Language_English_US});
            Require(indexes[kind] == 0
                        ? identity->Strings[kind].empty()
                        : string != device.Strings.end() && string->second == identity->Strings[kind]);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    Read_Every_Layout(input);
    if (size < 2)
        return 0;
    const auto& templates = test_images::Fuzz_Templates();
    const test_images::Fuzz_Template& from = templates[(data[0] & 7U) % templates.size()];
    test_images::Bytes flash;
    test_images::Build_Fuzzed_Image(from, data[1], input.subspan(2), flash);
    const std::size_t flash_size = Flash_Sizes[data[0] >> 3 & 7];
    flash.resize(flash_size == 0 ? flash.size() : flash_size, 0xFF);
    Read_Every_Layout(flash);
    return 0;
}
