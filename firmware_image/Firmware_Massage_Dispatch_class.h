// The image interface names one operation per string and per identity field (and two
// forms of each value setter). Every family does the same for each string and each field,
// so this class turns them into one operation by kind that a family implements, and keeps
// the modified flag.
#pragma once

#include "firmware_image/Firmware_Massage_Base_class_Usb_Des.h"
#include "firmware_image/String_Descriptor.h"

#include <cstdint>

// idVendor, idProduct and bcdDevice, in the order they follow each other in a USB device
// descriptor.
enum class Device_Field { Vid, Pid, Bcd };

// Offset of the field in a USB device descriptor (16-bit little-endian).
constexpr std::size_t Device_Descriptor_Offset(Device_Field field) {
    return 8 + 2 * static_cast<std::size_t>(field);
}

class Firmware_Massage_Dispatch_class : public Firmware_Massage_Base_class_Usb_Des {
public:
    ~Firmware_Massage_Dispatch_class() override;

    std::uint8_t Get_Modify_Flag() override;
    bool Set_Modify_Flag(bool modified) override;
    std::uint16_t Get_BcdDevice(std::uint8_t which, std::int32_t* status) override;
    std::uint16_t Get_PID(std::uint8_t which, std::int32_t* status) override;
    std::uint16_t Get_VID(std::uint8_t which, std::int32_t* status) override;
    String_Buffer_260& Get_Manufacturer_String(String_Buffer_260& text, std::uint8_t which,
                                               std::int32_t* status) override;
    String_Buffer_260& Get_Product_String(String_Buffer_260& text, std::uint8_t which,
                                          std::int32_t* status) override;
    String_Buffer_260& Get_Serial_String(String_Buffer_260& text, std::uint8_t which,
                                         std::int32_t* status) override;
    String_Buffer_260& Get_Mic_String(String_Buffer_260& text, std::uint8_t which,
                                      std::int32_t* status) override;
    std::int32_t Set_VID(const std::uint16_t* value, std::uint32_t unused) override;
    std::int32_t Set_VID(const std::uint16_t* value) override;
    std::int32_t Set_PID(const std::uint16_t* value, std::uint32_t unused) override;
    std::int32_t Set_PID(const std::uint16_t* value) override;
    std::int32_t Set_BcdDevice(const std::uint16_t* value, std::uint32_t unused) override;
    std::int32_t Set_BcdDevice(const std::uint16_t* value) override;
    std::int32_t Set_Manufacturer_String(const String_Buffer_260& text, String_Buffer_260& message) override;
    std::int32_t Set_Product_String(const String_Buffer_260& text, String_Buffer_260& message) override;
    std::int32_t Set_Serial_String(const String_Buffer_260& text, String_Buffer_260& message) override;
    std::int32_t Set_Mic_String(const String_Buffer_260& text, String_Buffer_260& message) override;
    String_Buffer_260& Add_Manufacturer_Number(String_Buffer_260& text, std::uint32_t n) override;
    String_Buffer_260& Add_Product_Number(String_Buffer_260& text, std::uint32_t n) override;
    String_Buffer_260& Add_Serial_Number(String_Buffer_260& text, std::uint32_t n) override;
    String_Buffer_260& Add_Mic_Number(String_Buffer_260& text, std::uint32_t n) override;
    std::int32_t Get_Reserved_Value() override;

protected:
    // The field as loaded (which 0) or as edited; the value getters' status is 0.
    virtual std::uint16_t Get_Device_Field(std::uint8_t which, Device_Field field) = 0;
    // Into the edited state.
    virtual void Set_Device_Field(Device_Field field, std::uint16_t value) = 0;
    virtual String_Buffer_260& Get_String(String_Kind kind, String_Buffer_260& text, std::uint8_t which,
                                          std::int32_t* status) = 0;
    virtual std::int32_t Set_String(String_Kind kind, const String_Buffer_260& text,
                                    String_Buffer_260& message) = 0;
    virtual String_Buffer_260& Add_String_Number(String_Kind kind, String_Buffer_260& text,
                                                 std::uint32_t n) = 0;

    std::uint8_t Modified = 0;

private:
    std::uint16_t Get_Field(std::uint8_t which, Device_Field field, std::int32_t* status);
    // A null value changes nothing and answers -1.
    std::int32_t Set_Field(Device_Field field, const std::uint16_t* value);
};
