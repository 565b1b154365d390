#include "firmware_image/Firmware_Massage_2688_class.h"

#include "firmware_image/Firmware_Factory.h"

namespace {

constexpr std::uint32_t IQ_Kind_Supported = 1;

constexpr std::size_t Loaded = 0;
constexpr std::size_t Work = 1;
constexpr std::size_t Output = 2;

String_Buffer_260& No_Use(String_Buffer_260& text) {
    text.Assign(String_No_Use_Text);
    return text;
}

} // namespace

Firmware_Massage_2688_class::Firmware_Massage_2688_class(const std::uint8_t* buffer, std::uint32_t size)
    // An image above 256 KB is not copied at all: the buffers stay zero.
    : Images(3, Image_256K_Size, size <= Image_256K_Size ? buffer : nullptr, size),
      Loaded_Image(Images[Loaded]), Work_Image(Images[Work]), Output_Image(Images[Output]),
      Loaded_View(Loaded_Image), Work_View(Work_Image),
      IQ_Block(std::make_unique<Firmware_IQ_Adjust_Class_2688>(
          Bytes_At(Work_Image, IQ_Block_Offset, IQ_Block_Size))) {
    Loaded_View.Fill_Descriptor_Set(Original_Descriptors);
    Work_View.Fill_Descriptor_Set(Edited_Descriptors);
    External_ID.Load(Loaded_Image, Offset_2688_External_ID);
}

Firmware_Massage_2688_class::~Firmware_Massage_2688_class() = default;

const Firmware_Massage_2688_class_Usb_Des& Firmware_Massage_2688_class::View_Of(std::uint8_t which) const {
    return which == 0 ? Loaded_View : Work_View;
}

std::uint16_t Firmware_Massage_2688_class::Get_Device_Field(std::uint8_t which, Device_Field field) {
    return View_Of(which).Get_Device_Field(Device_Descriptor_Offset(field));
}

void Firmware_Massage_2688_class::Set_Device_Field(Device_Field field, std::uint16_t value) {
    Work_View.Set_Device_Field(Device_Descriptor_Offset(field), value);
}

String_Buffer_260& Firmware_Massage_2688_class::Get_String(String_Kind kind, String_Buffer_260& text,
                                                           std::uint8_t which, std::int32_t* status) {
    const std::size_t slot = View_Of(which).Get_String_Slot(kind);
    if (kind != String_Microphone) {
        if (slot == 0) {
            Store_Status(status, String_Status_No_Use);
            return No_Use(text);
        }
        Store_Status(status, String_Status_Done);
    }
    return View_Of(which).Get_Slot_Text(text, slot);
}

std::int32_t Firmware_Massage_2688_class::Set_String(String_Kind kind, const String_Buffer_260& text,
                                                     String_Buffer_260& message) {
    if (text.Length() > String_Slot_Max_Text) {
        return Report_String_Status(message, String_Status_Over_Length);
    }
    // The microphone's slot is always there.
    const std::size_t slot = Work_View.Get_String_Slot(kind);
    if (slot == 0) {
        return Report_String_Status(message, String_Status_No_Use);
    }
    Work_View.Write_Slot(slot, text);
    return Report_String_Status(message, String_Status_Done);
}

String_Buffer_260& Firmware_Massage_2688_class::Add_String_Number(String_Kind kind, String_Buffer_260& text,
                                                                  std::uint32_t n) {
    const std::size_t slot = Work_View.Get_String_Slot(kind);
    if (slot == 0) {
        return No_Use(text);
    }
    Work_View.Add_Slot_Number(slot, n);
    return Work_View.Get_Slot_Text(text, slot);
}

std::int32_t Firmware_Massage_2688_class::Get_Firmware_Chip_Code() {
    return Firmware_Chip_2688;
}

std::int32_t Firmware_Massage_2688_class::Has_External_ID() {
    return 1;
}

const std::uint8_t* Firmware_Massage_2688_class::Build_Output_Image() {
    Images.Copy(Modified != 0 ? Work : Loaded, Output);
    Firmware_Massage_2688_class_Usb_Des output(Output_Image);
    Video_Stream_Model wanted;
    std::vector<Frame_Size> sizes;
    Edited_Descriptors.Collect_Frame_Sizes(wanted, sizes);
    // The resolution table describes the configuration's frames, so it follows them only
    // when the configuration was rebuilt.
    if (output.Rebuild_Configuration(wanted, Edited_Descriptors.Slot(Slot_Microphone).Get_Byte()) != 0) {
        output.Reorder_Resolution_Table(sizes);
    }
    if (IQ_Block->Get_Edited_Flag() != 0) {
        Store_Bytes(Output_Image, IQ_Block_Offset, IQ_Block->Get_Edited_Block());
    }
    External_ID.Store(Output_Image, Offset_2688_External_ID);
    return Output_Image.data();
}

std::uint32_t Firmware_Massage_2688_class::Get_Image_Size() {
    return Image_256K_Size;
}

bool Firmware_Massage_2688_class::Check_Image(bool) {
    return true;
}

bool Firmware_Massage_2688_class::Set_Aux_Flag(bool flag) {
    Aux_Flag = flag ? 1 : 0;
    return flag;
}

Descriptor_Set* Firmware_Massage_2688_class::Get_Edited_Descriptor_Set() {
    return &Edited_Descriptors;
}

Descriptor_Set* Firmware_Massage_2688_class::Get_Original_Descriptor_Set() {
    return &Original_Descriptors;
}

void Firmware_Massage_2688_class::Refresh_Edited_Descriptor_Set() {
    Work_View.Fill_Descriptor_Set(Edited_Descriptors);
}

String_Buffer_260& Firmware_Massage_2688_class::Get_ExID(String_Buffer_260& text, std::uint8_t,
                                                         std::int32_t* status) {
    return External_ID.Get(text, status);
}

std::int32_t Firmware_Massage_2688_class::Set_ExID(const String_Buffer_260& text,
                                                   String_Buffer_260& message) {
    return External_ID.Set(text, message, External_ID_Length_Error);
}

String_Buffer_260& Firmware_Massage_2688_class::Add_ExID_Number(String_Buffer_260& text, std::uint32_t n) {
    return External_ID.Add_Number(text, n);
}

bool Firmware_Massage_2688_class::Is_ExID_Supported() {
    return true;
}

std::int32_t Firmware_Massage_2688_class::Is_IQ_Supported() {
    return 1;
}

bool Firmware_Massage_2688_class::Check_IQ_Kind(std::uint32_t kind) {
    return kind == IQ_Kind_Supported;
}

bool Firmware_Massage_2688_class::Has_IQ_Block() {
    return true;
}

std::int32_t Firmware_Massage_2688_class::Get_IQ_Switch(std::uint8_t which, std::uint32_t index) {
    return IQ_Block->Get_IQ_Switch(which, index);
}

std::int32_t Firmware_Massage_2688_class::Set_IQ_Switch(std::uint8_t which, std::uint32_t index,
                                                        std::uint8_t value) {
    return IQ_Block->Set_IQ_Switch(which, index, value);
}

std::int32_t Firmware_Massage_2688_class::Get_IQ_Mode(std::uint8_t which) {
    return IQ_Block->Get_IQ_Mode(which);
}

std::int32_t Firmware_Massage_2688_class::Set_IQ_Mode(std::uint8_t which, std::uint8_t value) {
    return IQ_Block->Set_IQ_Mode(which, value);
}

std::int32_t Firmware_Massage_2688_class::Get_IQ_Word(std::uint8_t which) {
    return IQ_Block->Get_IQ_Word(which);
}

std::int32_t Firmware_Massage_2688_class::Set_IQ_Word(std::uint8_t which, std::uint16_t value) {
    return IQ_Block->Set_IQ_Word(which, value);
}

bool Firmware_Massage_2688_class::Get_Camera_Control(std::uint32_t index, std::uint32_t field,
                                                     std::int32_t* value) {
    return IQ_Block->Get_IQ_Control(index, field, value);
}

bool Firmware_Massage_2688_class::Set_Camera_Control(std::uint32_t index, std::uint32_t field,
                                                     const std::int32_t* value) {
    return IQ_Block->Set_IQ_Control(index, field, value);
}

bool Firmware_Massage_2688_class::Set_IQ_Modify_Flag(bool modified) {
    IQ_Block->Set_Edited_Flag(modified);
    return modified;
}

std::uint8_t Firmware_Massage_2688_class::Get_IQ_Modify_Flag() {
    return IQ_Block->Get_Edited_Flag();
}

void Firmware_Massage_2688_class::IQ_Nop() {}
