#pragma once
// What a chip finds in its flash when it starts: the USB identity of the image there. Each
// chip family boots images of one layout; it runs an image only when the image carries the
// marks its boot code looks for and its tables lead to a device descriptor, and it then shows
// the host that descriptor's ids and release number and the strings its indexes name.
//
// The flash comes from a scenario's file or from a burn, so none of its bytes is trusted:
// every offset read out of the image is checked against the image before it is followed.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace platform::simulated {

struct Usb_Device_Description;

enum class Boot_Layout : std::uint8_t {
    None,      // the chip boots nothing from a flash the host writes
    Chip_2620, // 64 KB: 0x89 0x26, a header table, an eight-byte signature block
    Chip_2092, // 64 KB: 0x89 0x17, a header table, an eight-byte signature block
    Chip_2281, // 64 KB: 0x89 0x16, the descriptors at fixed places, check bytes at 0xCF00
    Big_2688,  // 256 KB: "CY" (or 0x95 0x27) at 0x100, a settings area tagged at 0x30000
};

struct Boot_Identity {
    std::uint16_t Vid = 0;
    std::uint16_t Pid = 0;
    std::uint16_t Bcd = 0;
    // The manufacturer, product and serial-number string descriptors as the chip sends them
    // (bLength, 3, UTF-16LE units); empty where the image has none: an index of 0, or one
    // whose place holds no string descriptor.
    std::array<std::vector<std::uint8_t>, 3> Strings;
};

// The identity the image at the start of `flash` gives a chip that boots `layout`; none when
// the chip would not run it (no image of its layout there, or the flash too small for one).
std::optional<Boot_Identity> Read_Boot_Identity(Boot_Layout layout, std::span<const std::uint8_t> flash);

// `device` with the ids, release number and strings of `identity`, the strings at indexes 1
// to 3 in each language its strings had (US English when it had none), an empty one absent.
void Put_Boot_Identity(Usb_Device_Description& device, const Boot_Identity& identity);

} // namespace platform::simulated
