#include "platform/simulated/Usb_Devices.h"

namespace platform::simulated {

namespace {

Descriptor_Bytes Configuration_Header(std::uint8_t interfaces, std::uint8_t attributes, std::uint8_t power) {
    return {9, 2, 0, 0, interfaces, 1, 0, attributes, power};
}

// Sets wTotalLength to the bytes built.
Descriptor_Bytes Finished(Descriptor_Bytes bytes) {
    bytes[2] = static_cast<std::uint8_t>(bytes.size());
    bytes[3] = static_cast<std::uint8_t>(bytes.size() >> 8);
    return bytes;
}

} // namespace

void Usb_Device_Description::Set_Languages(const std::vector<std::uint16_t>& languages) {
    Strings[{0, 0}] = Language_List_Descriptor(languages);
}

void Usb_Device_Description::Set_String(std::uint8_t index, std::string_view text, std::uint16_t language) {
    Strings[{index, language}] = String_Descriptor(text);
}

Descriptor_Bytes Camera_Configuration() {
    Descriptor_Bytes bytes = Configuration_Header(2, 0x80, 0xFA);
    const Descriptor_Bytes function{
        8,    0x0B, 0,    2,    0x0E, 0x03, 0,    0,    // interface association: video, interfaces 0-1
        9,    0x04, 0,    0,    1,    0x0E, 0x01, 0, 0, // video control interface
        0x0D, 0x24, 0x01, 0x00, 0x01, 0x0D, 0x00,       // VC header, UVC 1.00, 13 bytes
        0x80, 0x8D, 0x5B, 0x00, 0x01, 0x01,             // clock 6 MHz, one streaming interface: 1
        9,    0x04, 1,    0,    0,    0x0E, 0x02, 0, 0, // video streaming interface
    };
    bytes.insert(bytes.end(), function.begin(), function.end());
    return Finished(std::move(bytes));
}

Usb_Device_Description Camera_Device(const Usb_Camera_Description& camera) {
    Usb_Device_Description desc;
    desc.Descriptor.bcdUSB = camera.Usb_Version;
    desc.Descriptor.bDeviceClass = 0xEF; // miscellaneous, with interface associations
    desc.Descriptor.bDeviceSubClass = 0x02;
    desc.Descriptor.bDeviceProtocol = 0x01;
    desc.Descriptor.idVendor = camera.Vid;
    desc.Descriptor.idProduct = camera.Pid;
    desc.Descriptor.bcdDevice = camera.Bcd;
    desc.Configurations.push_back(Camera_Configuration());
    desc.Set_Languages(camera.Languages);
    const std::pair<std::uint8_t*, const std::string*> strings[] = {
        {&desc.Descriptor.iManufacturer, &camera.Manufacturer},
        {&desc.Descriptor.iProduct, &camera.Product},
        {&desc.Descriptor.iSerialNumber, &camera.Serial},
    };
    std::uint8_t index = 0;
    for (const auto& [field, text] : strings) {
        ++index;
        if (text->empty())
            continue;
        *field = index;
        for (std::uint16_t language : camera.Languages)
            desc.Set_String(index, *text, language);
    }
    desc.Capture = Capture_Function_Description{};
    return desc;
}

Usb_Device_Description Plain_Device(std::uint16_t vid, std::uint16_t pid) {
    Usb_Device_Description desc;
    desc.Descriptor.bcdUSB = 0x0110;
    desc.Descriptor.idVendor = vid;
    desc.Descriptor.idProduct = pid;
    desc.Descriptor.bcdDevice = 0x0100;
    desc.Speed = Usb_Speed::Low;
    desc.Description = "USB Input Device";
    desc.Service = "HidUsb";
    desc.Class = "HIDClass";
    Descriptor_Bytes bytes = Configuration_Header(1, 0xA0, 0x32);
    const Descriptor_Bytes keyboard{
        9, 0x04, 0,    0,    1,    0x03, 0x01, 0x01, 0, // HID boot keyboard interface
        9, 0x21, 0x11, 0x01, 0x00, 0x01, 0x22, 0x3F, 0, // HID descriptor
        7, 0x05, 0x81, 0x03, 0x08, 0x00, 0x0A,          // interrupt IN endpoint
    };
    bytes.insert(bytes.end(), keyboard.begin(), keyboard.end());
    desc.Configurations.push_back(Finished(std::move(bytes)));
    return desc;
}

Usb_Device_Description Hub_Device(std::uint16_t vid, std::uint16_t pid) {
    Usb_Device_Description desc;
    desc.Descriptor.bDeviceClass = 0x09;
    desc.Descriptor.bDeviceProtocol = 0x01;
    desc.Descriptor.idVendor = vid;
    desc.Descriptor.idProduct = pid;
    desc.Descriptor.bcdDevice = 0x8537;
    desc.Description = "Generic USB Hub";
    desc.Service = "USBHUB3";
    Descriptor_Bytes bytes = Configuration_Header(1, 0xE0, 0);
    const Descriptor_Bytes hub{
        9, 0x04, 0,    0,    1, 0x09, 0,    0, 0, // hub interface
        7, 0x05, 0x81, 0x03, 1, 0x00, 0x0C,       // status change endpoint
    };
    bytes.insert(bytes.end(), hub.begin(), hub.end());
    desc.Configurations.push_back(Finished(std::move(bytes)));
    return desc;
}

} // namespace platform::simulated
