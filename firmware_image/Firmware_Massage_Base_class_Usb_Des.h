// The interfaces through which the application sees a loaded firmware image of any family:
// the image interface itself (USB identity values and strings, as read and as edited; the
// output image; the family's check), the external-ID interface, the camera-control
// defaults interface, and the holder through which an image object reaches its own
// external-ID part. Operations are declared in their fixed slot order.
//
// Conventions shared by every implementation:
// - `which` 0 reads the value as loaded, nonzero the edited one;
// - `status` is an optional out pointer (null allowed), 0 done, 3 string absent;
// - texts travel in String_Buffer_260; a getter of an absent string writes "StringNoUse";
// - string setters answer 0, 2 (too long) or 3 (absent) and write the message;
// - setters change the edited state only; nothing throws.
#pragma once

#include "firmware_image/Descriptor_Set.h"
#include "firmware_image/String_Buffer_260.h"

#include <cstdint>

class Firmware_Message_UNStd_ExId_class {
public:
    virtual ~Firmware_Message_UNStd_ExId_class();

    // The external ID as text; `which` is not looked at; status 0.
    virtual String_Buffer_260& Get_ExID(String_Buffer_260& text, std::uint8_t which,
                                        std::int32_t* status) = 0;
    // 0, or 2 with the too-long message.
    virtual std::int32_t Set_ExID(const String_Buffer_260& text, String_Buffer_260& message) = 0;
    // Adds n to the trailing decimal digits of the external ID and returns it as text.
    virtual String_Buffer_260& Add_ExID_Number(String_Buffer_260& text, std::uint32_t n) = 0;
    // False here; true in every implementation.
    virtual bool Is_ExID_Supported();
};

// Camera-control defaults. Every body here answers "not supported" (0, false or -1); only
// the 256 KB family implements it.
class Firmware_Massage_IQ_Base_Class {
public:
    virtual ~Firmware_Massage_IQ_Base_Class();

    virtual std::int32_t Is_IQ_Supported();
    virtual bool Check_IQ_Kind(std::uint32_t kind);
    virtual bool Has_IQ_Block();
    virtual std::int32_t Get_IQ_Switch(std::uint8_t which, std::uint32_t index);
    virtual std::int32_t Set_IQ_Switch(std::uint8_t which, std::uint32_t index, std::uint8_t value);
    virtual std::int32_t Get_IQ_Mode(std::uint8_t which);
    virtual std::int32_t Set_IQ_Mode(std::uint8_t which, std::uint8_t value);
    virtual std::int32_t Get_IQ_Word(std::uint8_t which);
    virtual std::int32_t Set_IQ_Word(std::uint8_t which, std::uint16_t value);
    virtual bool Get_Camera_Control(std::uint32_t index, std::uint32_t field, std::int32_t* value);
    virtual bool Set_Camera_Control(std::uint32_t index, std::uint32_t field, const std::int32_t* value);
    virtual bool Set_IQ_Modify_Flag(bool modified);
    virtual std::uint8_t Get_IQ_Modify_Flag();
    virtual void IQ_Nop();
};

// Two optional interface references, each a pointer and a present flag. The first is the
// image object's own external-ID part, set by the factory; the second stays empty.
class Firmware_Massage_Ex_Class {
public:
    Firmware_Message_UNStd_ExId_class* External_ID = nullptr;
    std::uint8_t External_ID_Present = 0;
    Firmware_Massage_IQ_Base_Class* Second = nullptr;
    std::uint8_t Second_Present = 0;

    virtual ~Firmware_Massage_Ex_Class();
    void Clear();
};

class Firmware_Massage_Base_class_Usb_Des {
public:
    Firmware_Massage_Base_class_Usb_Des();
    virtual ~Firmware_Massage_Base_class_Usb_Des();

    Firmware_Massage_Base_class_Usb_Des(const Firmware_Massage_Base_class_Usb_Des&) = delete;
    Firmware_Massage_Base_class_Usb_Des& operator=(const Firmware_Massage_Base_class_Usb_Des&) = delete;

    virtual std::uint8_t Get_Modify_Flag() = 0;
    // While set, Build_Output_Image writes the edits into the output. Returns the flag.
    virtual bool Set_Modify_Flag(bool modified) = 0;
    virtual std::uint16_t Get_BcdDevice(std::uint8_t which, std::int32_t* status) = 0;
    virtual std::uint16_t Get_PID(std::uint8_t which, std::int32_t* status) = 0;
    virtual std::uint16_t Get_VID(std::uint8_t which, std::int32_t* status) = 0;
    virtual String_Buffer_260& Get_Manufacturer_String(String_Buffer_260& text, std::uint8_t which,
                                                       std::int32_t* status) = 0;
    virtual String_Buffer_260& Get_Product_String(String_Buffer_260& text, std::uint8_t which,
                                                  std::int32_t* status) = 0;
    virtual String_Buffer_260& Get_Serial_String(String_Buffer_260& text, std::uint8_t which,
                                                 std::int32_t* status) = 0;
    // The fourth string: the microphone's device name.
    virtual String_Buffer_260& Get_Mic_String(String_Buffer_260& text, std::uint8_t which,
                                              std::int32_t* status) = 0;
    // The value setters answer 0; the 32-bit argument of the two-argument forms carries
    // nothing. A null value pointer changes nothing and answers -1.
    virtual std::int32_t Set_VID(const std::uint16_t* value, std::uint32_t unused) = 0;
    virtual std::int32_t Set_VID(const std::uint16_t* value) = 0;
    virtual std::int32_t Set_PID(const std::uint16_t* value, std::uint32_t unused) = 0;
    virtual std::int32_t Set_PID(const std::uint16_t* value) = 0;
    virtual std::int32_t Set_BcdDevice(const std::uint16_t* value, std::uint32_t unused) = 0;
    virtual std::int32_t Set_BcdDevice(const std::uint16_t* value) = 0;
    virtual std::int32_t Set_Manufacturer_String(const String_Buffer_260& text,
                                                 String_Buffer_260& message) = 0;
    virtual std::int32_t Set_Product_String(const String_Buffer_260& text, String_Buffer_260& message) = 0;
    virtual std::int32_t Set_Serial_String(const String_Buffer_260& text, String_Buffer_260& message) = 0;
    virtual std::int32_t Set_Mic_String(const String_Buffer_260& text, String_Buffer_260& message) = 0;
    // Add n to the trailing decimal digits of the edited string; return it as text, or
    // "StringNoUse".
    virtual String_Buffer_260& Add_Manufacturer_Number(String_Buffer_260& text, std::uint32_t n) = 0;
    virtual String_Buffer_260& Add_Product_Number(String_Buffer_260& text, std::uint32_t n) = 0;
    virtual String_Buffer_260& Add_Serial_Number(String_Buffer_260& text, std::uint32_t n) = 0;
    virtual String_Buffer_260& Add_Mic_Number(String_Buffer_260& text, std::uint32_t n) = 0;
    virtual std::int32_t Get_Firmware_Chip_Code() = 0;
    // 1 for every class the factory builds; 0 for a plain family class.
    virtual std::int32_t Has_External_ID();
    virtual std::int32_t Get_Reserved_Value() = 0;
    // The object's output buffer of Get_Image_Size() bytes, rebuilt on each call and valid
    // until the next call or the object's deletion.
    virtual const std::uint8_t* Build_Output_Image() = 0;
    virtual std::uint32_t Get_Image_Size() = 0;
    virtual bool Is_Type_2089();
    // skip true: true; otherwise the family's own image check.
    virtual bool Check_Image(bool skip) = 0;
    virtual bool Set_Aux_Flag(bool flag);
    virtual Descriptor_Set* Get_Edited_Descriptor_Set();
    virtual Descriptor_Set* Get_Original_Descriptor_Set();
    virtual void Refresh_Edited_Descriptor_Set();
    virtual const std::uint8_t* Get_Export_Buffer();
    virtual std::uint32_t Get_Export_Size();

    // The holder through which the application reaches the object's external-ID part.
    Firmware_Massage_Ex_Class& Get_External_ID_Holder() { return External_ID_Holder; }
    Firmware_Message_UNStd_ExId_class* Get_External_ID() { return External_ID_Holder.External_ID; }

protected:
    // As read from the image, and as edited; only the 256 KB family fills them.
    Descriptor_Set Original_Descriptors;
    Descriptor_Set Edited_Descriptors;
    Firmware_Massage_Ex_Class External_ID_Holder;
};
