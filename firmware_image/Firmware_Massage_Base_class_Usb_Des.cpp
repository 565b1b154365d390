#include "firmware_image/Firmware_Massage_Base_class_Usb_Des.h"

Firmware_Message_UNStd_ExId_class::~Firmware_Message_UNStd_ExId_class() = default;

bool Firmware_Message_UNStd_ExId_class::Is_ExID_Supported() {
    return false;
}

Firmware_Massage_IQ_Base_Class::~Firmware_Massage_IQ_Base_Class() = default;

std::int32_t Firmware_Massage_IQ_Base_Class::Is_IQ_Supported() {
    return 0;
}

bool Firmware_Massage_IQ_Base_Class::Check_IQ_Kind(std::uint32_t) {
    return false;
}

bool Firmware_Massage_IQ_Base_Class::Has_IQ_Block() {
    return false;
}

std::int32_t Firmware_Massage_IQ_Base_Class::Get_IQ_Switch(std::uint8_t, std::uint32_t) {
    return -1;
}

std::int32_t Firmware_Massage_IQ_Base_Class::Set_IQ_Switch(std::uint8_t, std::uint32_t, std::uint8_t) {
    return -1;
}

std::int32_t Firmware_Massage_IQ_Base_Class::Get_IQ_Mode(std::uint8_t) {
    return -1;
}

std::int32_t Firmware_Massage_IQ_Base_Class::Set_IQ_Mode(std::uint8_t, std::uint8_t) {
    return -1;
}

std::int32_t Firmware_Massage_IQ_Base_Class::Get_IQ_Word(std::uint8_t) {
    return -1;
}

std::int32_t Firmware_Massage_IQ_Base_Class::Set_IQ_Word(std::uint8_t, std::uint16_t) {
    return -1;
}

bool Firmware_Massage_IQ_Base_Class::Get_Camera_Control(std::uint32_t, std::uint32_t, std::int32_t*) {
    return false;
}

bool Firmware_Massage_IQ_Base_Class::Set_Camera_Control(std::uint32_t, std::uint32_t, const std::int32_t*) {
    return false;
}

bool Firmware_Massage_IQ_Base_Class::Set_IQ_Modify_Flag(bool) {
    return false;
}

std::uint8_t Firmware_Massage_IQ_Base_Class::Get_IQ_Modify_Flag() {
    return 0;
}

void Firmware_Massage_IQ_Base_Class::IQ_Nop() {}

Firmware_Massage_Ex_Class::~Firmware_Massage_Ex_Class() {
    Clear();
}

void Firmware_Massage_Ex_Class::Clear() {
    External_ID = nullptr;
    External_ID_Present = 0;
    Second = nullptr;
    Second_Present = 0;
}

Firmware_Massage_Base_class_Usb_Des::Firmware_Massage_Base_class_Usb_Des() = default;

Firmware_Massage_Base_class_Usb_Des::~Firmware_Massage_Base_class_Usb_Des() = default;

std::int32_t Firmware_Massage_Base_class_Usb_Des::Has_External_ID() {
    return 0;
}

bool Firmware_Massage_Base_class_Usb_Des::Is_Type_2089() {
    return false;
}

bool Firmware_Massage_Base_class_Usb_Des::Set_Aux_Flag(bool) {
    return false;
}

Descriptor_Set* Firmware_Massage_Base_class_Usb_Des::Get_Edited_Descriptor_Set() {
    return nullptr;
}

Descriptor_Set* Firmware_Massage_Base_class_Usb_Des::Get_Original_Descriptor_Set() {
    return nullptr;
}

void Firmware_Massage_Base_class_Usb_Des::Refresh_Edited_Descriptor_Set() {}

const std::uint8_t* Firmware_Massage_Base_class_Usb_Des::Get_Export_Buffer() {
    return nullptr;
}

std::uint32_t Firmware_Massage_Base_class_Usb_Des::Get_Export_Size() {
    return 0;
}
