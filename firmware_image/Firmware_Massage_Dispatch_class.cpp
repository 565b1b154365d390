#include "firmware_image/Firmware_Massage_Dispatch_class.h"

Firmware_Massage_Dispatch_class::~Firmware_Massage_Dispatch_class() = default;

std::uint8_t Firmware_Massage_Dispatch_class::Get_Modify_Flag() {
    return Modified;
}

bool Firmware_Massage_Dispatch_class::Set_Modify_Flag(bool modified) {
    Modified = modified ? 1 : 0;
    return modified;
}

std::uint16_t Firmware_Massage_Dispatch_class::Get_Field(std::uint8_t which, Device_Field field,
                                                         std::int32_t* status) {
    Store_Status(status, String_Status_Done);
    return Get_Device_Field(which, field);
}

std::uint16_t Firmware_Massage_Dispatch_class::Get_BcdDevice(std::uint8_t which, std::int32_t* status) {
    return Get_Field(which, Device_Field::Bcd, status);
}

std::uint16_t Firmware_Massage_Dispatch_class::Get_PID(std::uint8_t which, std::int32_t* status) {
    return Get_Field(which, Device_Field::Pid, status);
}

std::uint16_t Firmware_Massage_Dispatch_class::Get_VID(std::uint8_t which, std::int32_t* status) {
    return Get_Field(which, Device_Field::Vid, status);
}

String_Buffer_260& Firmware_Massage_Dispatch_class::Get_Manufacturer_String(String_Buffer_260& text,
                                                                            std::uint8_t which,
                                                                            std::int32_t* status) {
    return Get_String(String_Manufacturer, text, which, status);
}

String_Buffer_260& Firmware_Massage_Dispatch_class::Get_Product_String(String_Buffer_260& text,
                                                                       std::uint8_t which,
                                                                       std::int32_t* status) {
    return Get_String(String_Product, text, which, status);
}

String_Buffer_260& Firmware_Massage_Dispatch_class::Get_Serial_String(String_Buffer_260& text,
                                                                      std::uint8_t which,
                                                                      std::int32_t* status) {
    return Get_String(String_Serial, text, which, status);
}

String_Buffer_260& Firmware_Massage_Dispatch_class::Get_Mic_String(String_Buffer_260& text,
                                                                   std::uint8_t which, std::int32_t* status) {
    return Get_String(String_Microphone, text, which, status);
}

std::int32_t Firmware_Massage_Dispatch_class::Set_Field(Device_Field field, const std::uint16_t* value) {
    if (value == nullptr) {
        return -1;
    }
    Set_Device_Field(field, *value);
    return 0;
}

std::int32_t Firmware_Massage_Dispatch_class::Set_VID(const std::uint16_t* value, std::uint32_t) {
    return Set_Field(Device_Field::Vid, value);
}

std::int32_t Firmware_Massage_Dispatch_class::Set_VID(const std::uint16_t* value) {
    return Set_Field(Device_Field::Vid, value);
}

std::int32_t Firmware_Massage_Dispatch_class::Set_PID(const std::uint16_t* value, std::uint32_t) {
    return Set_Field(Device_Field::Pid, value);
}

std::int32_t Firmware_Massage_Dispatch_class::Set_PID(const std::uint16_t* value) {
    return Set_Field(Device_Field::Pid, value);
}

std::int32_t Firmware_Massage_Dispatch_class::Set_BcdDevice(const std::uint16_t* value, std::uint32_t) {
    return Set_Field(Device_Field::Bcd, value);
}

std::int32_t Firmware_Massage_Dispatch_class::Set_BcdDevice(const std::uint16_t* value) {
    return Set_Field(Device_Field::Bcd, value);
}

std::int32_t Firmware_Massage_Dispatch_class::Set_Manufacturer_String(const String_Buffer_260& text,
                                                                      String_Buffer_260& message) {
    return Set_String(String_Manufacturer, text, message);
}

std::int32_t Firmware_Massage_Dispatch_class::Set_Product_String(const String_Buffer_260& text,
                                                                 String_Buffer_260& message) {
    return Set_String(String_Product, text, message);
}

std::int32_t Firmware_Massage_Dispatch_class::Set_Serial_String(const String_Buffer_260& text,
                                                                String_Buffer_260& message) {
    return Set_String(String_Serial, text, message);
}

std::int32_t Firmware_Massage_Dispatch_class::Set_Mic_String(const String_Buffer_260& text,
                                                             String_Buffer_260& message) {
    return Set_String(String_Microphone, text, message);
}

String_Buffer_260& Firmware_Massage_Dispatch_class::Add_Manufacturer_Number(String_Buffer_260& text,
                                                                            std::uint32_t n) {
    return Add_String_Number(String_Manufacturer, text, n);
}

String_Buffer_260& Firmware_Massage_Dispatch_class::Add_Product_Number(String_Buffer_260& text,
                                                                       std::uint32_t n) {
    return Add_String_Number(String_Product, text, n);
}

String_Buffer_260& Firmware_Massage_Dispatch_class::Add_Serial_Number(String_Buffer_260& text,
                                                                      std::uint32_t n) {
    return Add_String_Number(String_Serial, text, n);
}

String_Buffer_260& Firmware_Massage_Dispatch_class::Add_Mic_Number(String_Buffer_260& text, std::uint32_t n) {
    return Add_String_Number(String_Microphone, text, n);
}

std::int32_t Firmware_Massage_Dispatch_class::Get_Reserved_Value() {
    return 0;
}
