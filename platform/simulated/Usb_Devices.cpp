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

void Usb_Device_Spec::Set_Languages(const std::vector<std::uint16_t>& languages) {
    Strings[{0, 0}] = Language_List_Descriptor(languages);
}

void Usb_Device_Spec::Set_String(std::uint8_t index, std::string_view text, std::uint16_t language) {
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

Usb_Device_Spec Camera_Device(const Usb_Camera_Spec& camera) {
    Usb_Device_Spec spec;
    spec.Descriptor.bcdUSB = camera.Usb_Version;
    spec.Descriptor.bDeviceClass = 0xEF; // miscellaneous, with interface associations
    spec.Descriptor.bDeviceSubClass = 0x02;
    spec.Descriptor.bDeviceProtocol = 0x01;
    spec.Descriptor.idVendor = camera.Vid;
    spec.Descriptor.idProduct = camera.Pid;
    spec.Descriptor.bcdDevice = camera.Bcd;
    spec.Configurations.push_back(Camera_Configuration());
    spec.Set_Languages(camera.Languages);
    const std::pair<std::uint8_t*, const std::string*> strings[] = {
        {&spec.Descriptor.iManufacturer, &camera.Manufacturer},
        {&spec.Descriptor.iProduct, &camera.Product},
        {&spec.Descriptor.iSerialNumber, &camera.Serial},
    };
    std::uint8_t index = 0;
    for (const auto& [field, text] : strings) {
        ++index;
        if (text->empty())
            continue;
        *field = index;
        for (std::uint16_t language : camera.Languages)
            spec.Set_String(index, *text, language);
    }
    spec.Capture = Capture_Function_Spec{};
    return spec;
}

Usb_Device_Spec Plain_Device(std::uint16_t vid, std::uint16_t pid) {
    Usb_Device_Spec spec;
    spec.Descriptor.bcdUSB = 0x0110;
    spec.Descriptor.idVendor = vid;
    spec.Descriptor.idProduct = pid;
    spec.Descriptor.bcdDevice = 0x0100;
    spec.Speed = Usb_Speed::Low;
    spec.Description = "USB Input Device";
    spec.Service = "HidUsb";
    spec.Class = "HIDClass";
    Descriptor_Bytes bytes = Configuration_Header(1, 0xA0, 0x32);
    const Descriptor_Bytes keyboard{
        9, 0x04, 0,    0,    1,    0x03, 0x01, 0x01, 0, // HID boot keyboard interface
        9, 0x21, 0x11, 0x01, 0x00, 0x01, 0x22, 0x3F, 0, // HID descriptor
        7, 0x05, 0x81, 0x03, 0x08, 0x00, 0x0A,          // interrupt IN endpoint
    };
    bytes.insert(bytes.end(), keyboard.begin(), keyboard.end());
    spec.Configurations.push_back(Finished(std::move(bytes)));
    return spec;
}

Usb_Device_Spec Hub_Device(std::uint16_t vid, std::uint16_t pid) {
    Usb_Device_Spec spec;
    spec.Descriptor.bDeviceClass = 0x09;
    spec.Descriptor.bDeviceProtocol = 0x01;
    spec.Descriptor.idVendor = vid;
    spec.Descriptor.idProduct = pid;
    spec.Descriptor.bcdDevice = 0x8537;
    spec.Description = "Generic USB Hub";
    spec.Service = "USBHUB3";
    Descriptor_Bytes bytes = Configuration_Header(1, 0xE0, 0);
    const Descriptor_Bytes hub{
        9, 0x04, 0,    0,    1, 0x09, 0,    0, 0, // hub interface
        7, 0x05, 0x81, 0x03, 1, 0x00, 0x0C,       // status change endpoint
    };
    bytes.insert(bytes.end(), hub.begin(), hub.end());
    spec.Configurations.push_back(Finished(std::move(bytes)));
    return spec;
}

} // namespace platform::simulated
