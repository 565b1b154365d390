#include "platform/Usb_Host.h"

namespace platform {

namespace {

void Add_U16(std::vector<std::uint8_t>& bytes, std::uint16_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

// The UTF-16 units of UTF-8 text; a byte that starts no valid sequence stands for itself.
std::vector<std::uint16_t> Utf16_Units(std::string_view text) {
    std::vector<std::uint16_t> units;
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = lead < 0x80           ? 1
                                   : (lead >> 5) == 0x6  ? 2
                                   : (lead >> 4) == 0xE  ? 3
                                   : (lead >> 3) == 0x1E ? 4
                                                         : 0;
        bool whole = length != 0 && at + length <= text.size();
        for (std::size_t i = 1; whole && i < length; ++i)
            whole = (static_cast<unsigned char>(text[at + i]) & 0xC0) == 0x80;
        if (!whole) {
            units.push_back(lead);
            ++at;
            continue;
        }
        std::uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t i = 1; i < length; ++i)
            code = code << 6 | (static_cast<unsigned char>(text[at + i]) & 0x3F);
        if (code >= 0x10000) {
            code -= 0x10000;
            units.push_back(static_cast<std::uint16_t>(0xD800 | code >> 10));
            units.push_back(static_cast<std::uint16_t>(0xDC00 | (code & 0x3FF)));
        } else {
            units.push_back(static_cast<std::uint16_t>(code));
        }
        at += length;
    }
    return units;
}

class Empty_Usb_Host final : public Usb_Host {
public:
    std::unique_ptr<Device_Set> Open_Device_Set(const GUID*) override { return nullptr; }
    std::unique_ptr<Usb_Host_Controller> Open_Host_Controller(const std::string&) override { return nullptr; }
    std::unique_ptr<Usb_Hub> Open_Hub(const std::string&) override { return nullptr; }
};

} // namespace

std::vector<std::uint8_t> Usb_Device_Descriptor_Bytes(const Usb_Device_Descriptor& d) {
    std::vector<std::uint8_t> bytes{d.bLength, d.bDescriptorType};
    Add_U16(bytes, d.bcdUSB);
    bytes.insert(bytes.end(), {d.bDeviceClass, d.bDeviceSubClass, d.bDeviceProtocol, d.bMaxPacketSize0});
    Add_U16(bytes, d.idVendor);
    Add_U16(bytes, d.idProduct);
    Add_U16(bytes, d.bcdDevice);
    bytes.insert(bytes.end(), {d.iManufacturer, d.iProduct, d.iSerialNumber, d.bNumConfigurations});
    return bytes;
}

std::optional<Usb_Device_Descriptor> Usb_Device_Descriptor_From(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 18)
        return std::nullopt;
    const auto word = [&](std::size_t at) {
        return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
    };
    return Usb_Device_Descriptor{bytes[0], bytes[1], word(2),  bytes[4],  bytes[5],  bytes[6],  bytes[7],
                                 word(8),  word(10), word(12), bytes[14], bytes[15], bytes[16], bytes[17]};
}

std::vector<std::uint8_t> Usb_String_Descriptor(std::string_view utf8_text) {
    auto units = Utf16_Units(utf8_text);
    if (units.size() > 126)
        units.resize(126); // bLength is one byte and must stay even
    std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(2 + 2 * units.size()), 3};
    for (std::uint16_t unit : units)
        Add_U16(bytes, unit);
    return bytes;
}

std::vector<std::uint8_t> Usb_Language_List_Descriptor(const std::vector<std::uint16_t>& languages) {
    std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(2 + 2 * languages.size()), 3};
    for (std::uint16_t language : languages)
        Add_U16(bytes, language);
    return bytes;
}

Usb_Host& No_Usb_Host() {
    static Empty_Usb_Host host;
    return host;
}

} // namespace platform
