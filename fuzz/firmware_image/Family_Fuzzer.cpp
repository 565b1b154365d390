// Every image family's object over images built around the fuzzed bytes: the factory, every
// getter, a set of edits, the output build, and the output loaded again. Whatever the
// image holds, every read and write must stay within the object's buffers and every text
// within its 260 bytes.
//
// Input: a control byte, a 16-bit value for the edits, then the bytes laid over the header
// and descriptor areas of a family's fixed image (tests/test_images/Fuzz_Images.h). Control
// bits 0-2: the image; bit 3: the edits are marked modified; bits 4-5: the area the bytes
// start in; bits 6-7: text lengths.
#include "firmware_image/Firmware_Factory.h"
#include "firmware_image/Firmware_IQ_Adjust_Class_2688.h"
#include "test_images/Fuzz_Images.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Image_Object = Firmware_Massage_Base_class_Usb_Des;

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void Require_Text(const String_Buffer_260& text) {
    Require(text.Length() <= String_Buffer_260::Capacity);
}

void Read_Everything(Image_Object& object) {
    for (const std::uint8_t which : {0, 1}) {
        std::int32_t status = 0;
        object.Get_VID(which, &status);
        object.Get_PID(which, &status);
        object.Get_BcdDevice(which, nullptr);
        String_Buffer_260 text;
        Require_Text(object.Get_Manufacturer_String(text, which, &status));
        Require_Text(object.Get_Product_String(text, which, &status));
        Require_Text(object.Get_Serial_String(text, which, nullptr));
        Require_Text(object.Get_Mic_String(text, which, &status));
        Require_Text(object.Get_External_ID()->Get_ExID(text, which, &status));
    }
    object.Get_Modify_Flag();
    object.Get_Firmware_Chip_Code();
    object.Get_Reserved_Value();
    object.Is_Type_2089();
    object.Check_Image(false);
    Require(object.Check_Image(true));
    Require(object.Has_External_ID() == 1);
    if (const std::uint8_t* exported = object.Get_Export_Buffer()) {
        // The whole export buffer is the object's to hand out.
        Require(object.Get_Export_Size() == Image_Size_64K);
        volatile std::uint8_t last = exported[object.Get_Export_Size() - 1];
        (void)last;
    }
    for (Descriptor_Set* set : {object.Get_Original_Descriptor_Set(), object.Get_Edited_Descriptor_Set()}) {
        if (set != nullptr) {
            Video_Stream_Model model;
            std::vector<Frame_Size> sizes;
            set->Collect_Frame_Sizes(model, sizes);
        }
    }
    if (auto* controls = dynamic_cast<Firmware_Massage_IQ_Base_Class*>(&object)) {
        for (std::uint32_t index = 0; index <= IQ_Control_Count; ++index) {
            for (std::uint32_t field = 1; field <= IQ_Field_Byte; field <<= 1) {
                std::int32_t value = 0;
                controls->Get_Camera_Control(index, field, &value);
            }
        }
        for (const std::uint8_t which : {0, 1}) {
            controls->Get_IQ_Mode(which);
            controls->Get_IQ_Word(which);
            controls->Get_IQ_Switch(which, which);
        }
    }
}

void Edit(Image_Object& object, std::uint8_t control, std::uint16_t value) {
    const std::size_t length = static_cast<std::size_t>(control >> 6) * 21;
    const String_Buffer_260 text(std::string(length, static_cast<char>('0' + control % 10)));
    String_Buffer_260 message;
    object.Set_VID(&value);
    object.Set_PID(&value, 0);
    object.Set_BcdDevice(&value);
    object.Set_Manufacturer_String(text, message);
    object.Set_Product_String(text, message);
    object.Set_Serial_String(text, message);
    object.Set_Mic_String(text, message);
    String_Buffer_260 out;
    object.Add_Manufacturer_Number(out, value);
    object.Add_Product_Number(out, 1);
    object.Add_Serial_Number(out, 99);
    object.Add_Mic_Number(out, value);
    object.Get_External_ID()->Set_ExID(text, message);
    object.Get_External_ID()->Add_ExID_Number(out, value);
    if (Descriptor_Set* set = object.Get_Edited_Descriptor_Set()) {
        set->Slot(Slot_Video_Format).Apply(static_cast<std::uint32_t>(value % 6));
        set->Slot(Slot_Microphone).Apply(static_cast<std::uint8_t>(value & 1));
        set->Slot(Slot_Default_Resolution).Apply(static_cast<std::uint16_t>(value), std::uint16_t{480});
        if (!set->Resolutions.empty()) {
            set->Resolutions.back().Selected = 0;
        }
    }
    if (auto* controls = dynamic_cast<Firmware_Massage_IQ_Base_Class*>(&object)) {
        const std::int32_t signed_value = static_cast<std::int16_t>(value);
        for (std::uint32_t index = 0; index <= IQ_Control_Count; ++index) {
            controls->Set_Camera_Control(index, IQ_Field_Current | IQ_Field_Default, &signed_value);
        }
        controls->Set_IQ_Mode(0, control & 3);
        controls->Set_IQ_Switch(1, 2, 1);
        controls->Set_IQ_Word(0, value);
        controls->Set_IQ_Modify_Flag((value & 2) != 0);
    }
    object.Set_Modify_Flag((control & 0x08) != 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    const std::uint8_t control = data[0];
    const auto& templates = test_images::Fuzz_Templates();
    // One buffer per image, kept between runs: no run pays for a fresh 256 KB allocation, and
    // each buffer is exactly as long as its image, so reading past it is still caught.
    static std::vector<std::vector<std::uint8_t>> images(templates.size());
    std::vector<std::uint8_t>& image = images[control % templates.size()];
    test_images::Build_Fuzzed_Image(templates[control % templates.size()], (control >> 4) & 3,
                                    {data + 3, size - 3}, image);

    const auto object = Create_Firmware_Object(image.data(), static_cast<std::uint32_t>(image.size()));
    if (object == nullptr) {
        return 0;
    }
    Read_Everything(*object);
    const auto value = static_cast<std::uint16_t>(data[1] | data[2] << 8);
    Edit(*object, control, value);
    Read_Everything(*object);

    const std::uint32_t output_size = object->Get_Image_Size();
    Require(output_size == Image_Size_64K || output_size == Image_Size_256K);
    const std::uint8_t* built = object->Build_Output_Image();
    // Kept between runs, one exactly as long as each output size.
    static std::vector<std::uint8_t> outputs[2] = {std::vector<std::uint8_t>(Image_Size_64K),
                                                   std::vector<std::uint8_t>(Image_Size_256K)};
    std::vector<std::uint8_t>& output = outputs[output_size == Image_Size_256K ? 1 : 0];
    std::copy_n(built, output_size, output.begin());
    // Building again from the same state gives the same image.
    Require(std::equal(output.begin(), output.end(), object->Build_Output_Image()));
    // An output that differs from what was loaded must load as well (an unchanged one was).
    if (output != image) {
        if (const auto reloaded = Create_Firmware_Object(output.data(), output_size)) {
            Read_Everything(*reloaded);
        }
    }
    return 0;
}
