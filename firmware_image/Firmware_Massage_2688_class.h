// The 256 KB image family (code 110, and 366 for the other settings-area tag). The object
// keeps the image as loaded and a work copy that the identity and string setters edit in
// place; the video settings are edited in the second descriptor set and the camera-control
// defaults in the block object. The output image is the work copy (the loaded image while
// not marked modified) with the video settings, the edited camera-control block and the
// external ID written back.
#pragma once

#include "firmware_image/External_ID.h"
#include "firmware_image/Firmware_IQ_Adjust_Class_2688.h"
#include "firmware_image/Firmware_Massage_2688_View.h"
#include "firmware_image/Firmware_Massage_Dispatch_class.h"
#include "firmware_image/Image_Buffers.h"

#include <memory>

class Firmware_Massage_2688_class : public Firmware_Massage_Dispatch_class,
                                    public Firmware_Message_UNStd_ExId_class,
                                    public Firmware_Massage_IQ_Base_Class {
public:
    // Copies the image (an image above 256 KB is not copied: the buffers stay zero).
    Firmware_Massage_2688_class(const std::uint8_t* buffer, std::uint32_t size);
    ~Firmware_Massage_2688_class() override;

    // 110, also for an image detected as 366.
    std::int32_t Get_Firmware_Chip_Code() override;
    std::int32_t Has_External_ID() override;
    const std::uint8_t* Build_Output_Image() override;
    std::uint32_t Get_Image_Size() override;
    bool Check_Image(bool skip) override;
    bool Set_Aux_Flag(bool flag) override;
    Descriptor_Set* Get_Edited_Descriptor_Set() override;
    Descriptor_Set* Get_Original_Descriptor_Set() override;
    void Refresh_Edited_Descriptor_Set() override;

    // External ID at 0x2F000.
    String_Buffer_260& Get_ExID(String_Buffer_260& text, std::uint8_t which, std::int32_t* status) override;
    std::int32_t Set_ExID(const String_Buffer_260& text, String_Buffer_260& message) override;
    String_Buffer_260& Add_ExID_Number(String_Buffer_260& text, std::uint32_t n) override;
    bool Is_ExID_Supported() override;

    // Camera-control defaults, on the block object over the work image.
    std::int32_t Is_IQ_Supported() override;
    bool Check_IQ_Kind(std::uint32_t kind) override;
    bool Has_IQ_Block() override;
    std::int32_t Get_IQ_Switch(std::uint8_t which, std::uint32_t index) override;
    std::int32_t Set_IQ_Switch(std::uint8_t which, std::uint32_t index, std::uint8_t value) override;
    std::int32_t Get_IQ_Mode(std::uint8_t which) override;
    std::int32_t Set_IQ_Mode(std::uint8_t which, std::uint8_t value) override;
    std::int32_t Get_IQ_Word(std::uint8_t which) override;
    std::int32_t Set_IQ_Word(std::uint8_t which, std::uint16_t value) override;
    bool Get_Camera_Control(std::uint32_t index, std::uint32_t field, std::int32_t* value) override;
    bool Set_Camera_Control(std::uint32_t index, std::uint32_t field, const std::int32_t* value) override;
    bool Set_IQ_Modify_Flag(bool modified) override;
    std::uint8_t Get_IQ_Modify_Flag() override;
    void IQ_Nop() override;

    // The camera-control block object the IQ operations work on.
    Firmware_IQ_Adjust_Class_2688& Get_IQ_Block() { return *IQ_Block; }

protected:
    std::uint16_t Get_Device_Field(std::uint8_t which, Device_Field field) override;
    void Set_Device_Field(Device_Field field, std::uint16_t value) override;
    // Manufacturer, product and serial number: the slot the selected descriptor's index
    // names. The microphone's name: slot 2, and the getter leaves the status alone.
    String_Buffer_260& Get_String(String_Kind kind, String_Buffer_260& text, std::uint8_t which,
                                  std::int32_t* status) override;
    std::int32_t Set_String(String_Kind kind, const String_Buffer_260& text,
                            String_Buffer_260& message) override;
    String_Buffer_260& Add_String_Number(String_Kind kind, String_Buffer_260& text, std::uint32_t n) override;

private:
    const Firmware_Massage_2688_class_Usb_Des& View_Of(std::uint8_t which) const;

    Image_Buffers Images;
    Mutable_Byte_Span Loaded_Image;
    Mutable_Byte_Span Work_Image;
    Mutable_Byte_Span Output_Image;
    Firmware_Massage_2688_class_Usb_Des Loaded_View;
    Firmware_Massage_2688_class_Usb_Des Work_View;
    External_ID_Descriptor External_ID;
    std::unique_ptr<Firmware_IQ_Adjust_Class_2688> IQ_Block;
    std::uint8_t Aux_Flag = 0;
};
