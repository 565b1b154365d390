// Reaching an image object the way the application does: through the factory and the
// image interface, with the four strings walked through one table of operations.
#pragma once

#include "firmware_image/Firmware_Factory.h"
#include "firmware_image/String_Descriptor.h"
#include "test_images/Bytes.h"

#include <array>
#include <memory>
#include <source_location>
#include <stdexcept>
#include <string>

namespace image_objects {

using Image_Object = Firmware_Massage_Base_class_Usb_Des;
using Getter = String_Buffer_260& (Image_Object::*)(String_Buffer_260&, std::uint8_t, std::int32_t*);
using Setter = std::int32_t (Image_Object::*)(const String_Buffer_260&, String_Buffer_260&);
using Adder = String_Buffer_260& (Image_Object::*)(String_Buffer_260&, std::uint32_t);

struct String_Operations {
    const char* Name;
    Getter Get;
    Setter Set;
    Adder Add;
};

constexpr std::size_t M = String_Manufacturer;
constexpr std::size_t P = String_Product;
constexpr std::size_t S = String_Serial;
constexpr std::size_t Mic = String_Microphone;

// Manufacturer, product, serial number, microphone: the record order.
inline const std::array<String_Operations, 4> Strings{{
    {"manufacturer", &Image_Object::Get_Manufacturer_String, &Image_Object::Set_Manufacturer_String,
     &Image_Object::Add_Manufacturer_Number},
    {"product", &Image_Object::Get_Product_String, &Image_Object::Set_Product_String,
     &Image_Object::Add_Product_Number},
    {"serial", &Image_Object::Get_Serial_String, &Image_Object::Set_Serial_String,
     &Image_Object::Add_Serial_Number},
    {"microphone", &Image_Object::Get_Mic_String, &Image_Object::Set_Mic_String,
     &Image_Object::Add_Mic_Number},
}};

using Where = std::source_location;

// What a helper answers through `pointer`, or a failure of the running test when it is null:
// gtest reports the exception as that test's failure and runs the next one, where a
// dereferenced null would end the whole run.
template <typename Pointer>
auto& Required(const Pointer& pointer, const char* what, const Where& where) {
    if (pointer == nullptr) {
        throw std::runtime_error(std::string(where.file_name()) + ":" + std::to_string(where.line()) + ": " +
                                 what + " is null");
    }
    return *pointer;
}

// The factory's object for `image`; an image it refuses fails the test.
inline std::unique_ptr<Image_Object> Load(const test_images::Bytes& image,
                                          const Where& where = Where::current()) {
    auto object = Create_Firmware_Object(image.data(), static_cast<std::uint32_t>(image.size()));
    Required(object, "the factory's object", where);
    return object;
}

inline Descriptor_Set& Original_Set(Image_Object& object, const Where& where = Where::current()) {
    return Required(object.Get_Original_Descriptor_Set(), "the loaded descriptor set", where);
}
inline Descriptor_Set& Edited_Set(Image_Object& object, const Where& where = Where::current()) {
    return Required(object.Get_Edited_Descriptor_Set(), "the edited descriptor set", where);
}

// The output image as a new byte vector.
inline test_images::Bytes Build(Image_Object& object) {
    const std::uint8_t* output = object.Build_Output_Image();
    return test_images::Bytes(output, output + object.Get_Image_Size());
}

inline std::string Get(Image_Object& object, std::size_t kind, std::uint8_t which = 1,
                       std::int32_t* status = nullptr) {
    String_Buffer_260 text;
    return std::string((object.*Strings[kind].Get)(text, which, status).Text());
}

// The four strings in record order.
using Texts = std::array<std::string, 4>;
inline Texts Get_Texts(Image_Object& object, std::uint8_t which = 1) {
    return {Get(object, M, which), Get(object, P, which), Get(object, S, which), Get(object, Mic, which)};
}

// VID, PID and release number: as loaded (which 0) or as edited (which 1).
using Ids = std::array<std::uint16_t, 3>;
inline Ids Get_Ids(Image_Object& object, std::uint8_t which = 0) {
    return {object.Get_VID(which, nullptr), object.Get_PID(which, nullptr),
            object.Get_BcdDevice(which, nullptr)};
}
inline std::int32_t Set_Ids(Image_Object& object, const Ids& ids) {
    return object.Set_VID(&ids[0]) | object.Set_PID(&ids[1]) | object.Set_BcdDevice(&ids[2]);
}

inline std::int32_t Set(Image_Object& object, std::size_t kind, const std::string& text,
                        String_Buffer_260* message = nullptr) {
    String_Buffer_260 own;
    return (object.*Strings[kind].Set)(String_Buffer_260(text), message != nullptr ? *message : own);
}

inline std::string Add(Image_Object& object, std::size_t kind, std::uint32_t n) {
    String_Buffer_260 text;
    return std::string((object.*Strings[kind].Add)(text, n).Text());
}

inline std::string External_ID(Image_Object& object, const Where& where = Where::current()) {
    String_Buffer_260 text;
    return std::string(
        Required(object.Get_External_ID(), "the external ID", where).Get_ExID(text, 1, nullptr).Text());
}

inline std::int32_t Set_External_ID(Image_Object& object, const std::string& id,
                                    String_Buffer_260* message = nullptr,
                                    const Where& where = Where::current()) {
    String_Buffer_260 own;
    return Required(object.Get_External_ID(), "the external ID", where)
        .Set_ExID(String_Buffer_260(id), message != nullptr ? *message : own);
}

} // namespace image_objects
