#include "firmware_image/uvcDescriptor.h"

#include "firmware_image/Get_List_Item.h"

#include <algorithm>
#include <array>
#include <limits>

namespace {

constexpr std::size_t Max_Function_Length = std::numeric_limits<std::uint16_t>::max();
constexpr std::uint8_t Interface_Subclass_Control = 1;
constexpr std::uint8_t Interface_Subclass_Streaming = 2;

// wMaxPacketSize of the isochronous video endpoint in alternate settings 1 to 11: growing
// bandwidth steps, the last ones with additional transactions per microframe.
constexpr std::array<std::uint16_t, 11> Isochronous_Packet_Sizes{
    0x00C0, 0x0180, 0x0200, 0x0280, 0x0320, 0x03B0, 0x0A80, 0x0B20, 0x0BE0, 0x13C0, 0x13FC};
constexpr std::array<std::uint8_t, 7> Bulk_Still_Endpoint{
    0x07, Descriptor_Type_Endpoint, 0x82, 0x02, 0x00, 0x02, 0x00};

void Append_Bytes(std::vector<std::uint8_t>& out, Byte_Span bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

void Append_Streaming_Interface(std::vector<std::uint8_t>& out, std::uint8_t number, std::uint8_t alternate,
                                std::uint8_t endpoints) {
    const std::array<std::uint8_t, 9> descriptor{0x09,
                                                 Descriptor_Type_Interface,
                                                 number,
                                                 alternate,
                                                 endpoints,
                                                 Function_Class_Video,
                                                 Interface_Subclass_Streaming,
                                                 0x00,
                                                 0x00};
    Append_Bytes(out, descriptor);
}

void Append_Isochronous_Endpoint(std::vector<std::uint8_t>& out, std::uint16_t packet_size) {
    Append_U8(out, 0x07);
    Append_U8(out, Descriptor_Type_Endpoint);
    Append_U8(out, 0x81); // IN endpoint 1
    Append_U8(out, 0x05); // isochronous, asynchronous
    Append_U16_LE(out, packet_size);
    Append_U8(out, 0x01); // bInterval
}

// The standard streaming interface of a rebuilt video function: alternate setting 0
// without bandwidth, then eleven isochronous alternate settings; still method 3 adds the
// bulk still-image endpoint to each. Still method 0 has no still endpoint, so it gets the
// same interface as methods 1 and 2.
void Append_Alternate_Setting_Zero(std::vector<std::uint8_t>& out, std::uint8_t number,
                                   std::uint8_t still_method) {
    const bool bulk_still = still_method == 3;
    Append_Streaming_Interface(out, number, 0, bulk_still ? 1 : 0);
    if (bulk_still) {
        Append_Bytes(out, Bulk_Still_Endpoint);
    }
}

void Append_Alternate_Settings(std::vector<std::uint8_t>& out, std::uint8_t number,
                               std::uint8_t still_method) {
    const bool bulk_still = still_method == 3;
    for (std::size_t i = 0; i < Isochronous_Packet_Sizes.size(); ++i) {
        Append_Streaming_Interface(out, number, static_cast<std::uint8_t>(i + 1), bulk_still ? 2 : 1);
        Append_Isochronous_Endpoint(out, Isochronous_Packet_Sizes[i]);
        if (bulk_still) {
            Append_Bytes(out, Bulk_Still_Endpoint);
        }
    }
}

// The first VS input header of a function's streaming part, or an empty span.
Byte_Span Find_Input_Header(const usbInterfaceAssociationCurrencyDes& function) {
    for (const std::uint16_t offset : function.Get_Streaming_List()) {
        const Byte_Span descriptor = Descriptor_At(function.Get_Bytes(), offset);
        if (Is_Class_Descriptor(descriptor, VS_Input_Header)) {
            return descriptor;
        }
    }
    return {};
}

std::uint16_t Serialise_Video_Function(const usbInterfaceAssociationCurrencyDes& function,
                                       const Video_Stream_Model& wanted, std::vector<std::uint8_t>& out) {
    const int streaming_number = function.Get_Streaming_Interface_Number();
    if (streaming_number < 0) {
        return 0;
    }
    const auto number = static_cast<std::uint8_t>(streaming_number);
    const auto& control = function.Get_Control_List();
    const auto& streaming = function.Get_Streaming_List();
    const bool control_first = !control.empty() && (streaming.empty() || control.front() < streaming.front());
    const std::uint8_t still_method = Written_Still_Method(wanted.Still_Method);

    const std::size_t start = out.size();
    Append_Bytes(out, function.Get_Head_Part());
    if (control_first) {
        Append_Bytes(out, function.Get_Control_Part());
    }
    Append_Alternate_Setting_Zero(out, number, still_method);
    const std::size_t header_at = out.size();
    if (Build_Streaming_Descriptors(wanted, out) == 0) {
        out.resize(start);
        return 0;
    }
    // A camera that had a still trigger keeps it when stills are taken by method 2.
    const Byte_Span source_header = Find_Input_Header(function);
    if (Read_U8(source_header, 10) != 0 && out[header_at + 9] == 2) {
        out[header_at + 10] = 1;
    }
    Append_Alternate_Settings(out, number, still_method);
    if (!control_first) {
        Append_Bytes(out, function.Get_Control_Part());
    }
    const std::size_t written = out.size() - start;
    if (written > Max_Function_Length) {
        out.resize(start);
        return 0;
    }
    return static_cast<std::uint16_t>(written);
}

} // namespace

usbInterfaceAssociationCurrencyDes::usbInterfaceAssociationCurrencyDes() = default;

usbInterfaceAssociationCurrencyDes::usbInterfaceAssociationCurrencyDes(Byte_Span function_on) {
    Clear_Descriptors();
    Load_Descriptors(function_on);
}

usbInterfaceAssociationCurrencyDes::~usbInterfaceAssociationCurrencyDes() = default;

std::uint16_t usbInterfaceAssociationCurrencyDes::Load_Function(Byte_Span function_on) {
    Clear_Descriptors();
    return Load_Descriptors(function_on);
}

std::uint16_t usbInterfaceAssociationCurrencyDes::Reload_Function(Byte_Span function_on) {
    return Load_Function(function_on);
}

std::uint16_t usbInterfaceAssociationCurrencyDes::Load_Descriptors(Byte_Span function_on) {
    // Offsets and lengths are 16-bit, as in a configuration descriptor.
    function_on = function_on.first(std::min(function_on.size(), Max_Function_Length));
    const Byte_Span iad = Descriptor_At(function_on, 0);
    if (iad.empty() || iad[1] != Descriptor_Type_Interface_Association) {
        return 0;
    }
    std::size_t offset = 0;
    for (Byte_Span descriptor = iad; descriptor.empty() || descriptor[1] != Descriptor_Type_Interface;
         descriptor = Descriptor_At(function_on, offset)) {
        if (descriptor.empty()) {
            Clear_Descriptors(); // no interface follows the association
            return 0;
        }
        Head_List.push_back(static_cast<std::uint16_t>(offset));
        offset += descriptor.size();
    }
    Head_Length = static_cast<std::uint16_t>(offset);
    Total_Length = Head_Length;
    if (Add_Interface_Descriptors(function_on, Total_Length) == 0) {
        return 0;
    }
    const std::uint16_t second = Add_Interface_Descriptors(function_on, Total_Length);
    if (second == 0) {
        return 0;
    }
    Bytes.assign(function_on.begin(), function_on.begin() + Total_Length);
    return second;
}

std::uint16_t usbInterfaceAssociationCurrencyDes::Add_Interface_Descriptors(Byte_Span function_on,
                                                                            std::size_t offset) {
    function_on = function_on.first(std::min(function_on.size(), Max_Function_Length));
    const Byte_Span interface = Descriptor_At(function_on, offset);
    const bool is_interface = !interface.empty() && interface[1] == Descriptor_Type_Interface;
    const std::uint8_t subclass = is_interface ? interface[6] : 0;
    if (subclass != Interface_Subclass_Control && subclass != Interface_Subclass_Streaming) {
        Clear_Descriptors();
        return 0;
    }
    const bool control = subclass == Interface_Subclass_Control;
    auto& list = control ? Control_List : Streaming_List;
    auto& part_length = control ? Control_Length : Streaming_Length;
    const std::uint8_t number = interface[2];

    std::size_t part = 0;
    Byte_Span descriptor = interface;
    while (true) {
        list.push_back(static_cast<std::uint16_t>(offset));
        part += descriptor.size();
        offset += descriptor.size();
        descriptor = Descriptor_At(function_on, offset);
        // An alternate setting of the same interface belongs to the part; another
        // interface, an association or the end of the whole descriptors ends it.
        if (descriptor.empty() || descriptor[1] == Descriptor_Type_Interface_Association ||
            (descriptor[1] == Descriptor_Type_Interface && descriptor[2] != number)) {
            break;
        }
    }
    part_length = static_cast<std::uint16_t>(part_length + part);
    Total_Length = static_cast<std::uint16_t>(Total_Length + part);
    return static_cast<std::uint16_t>(part);
}

std::uint16_t usbInterfaceAssociationCurrencyDes::Get_Total_Length() const {
    return Is_Empty() ? 0 : Total_Length;
}

std::uint16_t usbInterfaceAssociationCurrencyDes::Get_Head_Length() const {
    return Is_Empty() ? 0 : Head_Length;
}

std::uint16_t usbInterfaceAssociationCurrencyDes::Get_Control_Length() const {
    return Is_Empty() ? 0 : Control_Length;
}

std::uint16_t usbInterfaceAssociationCurrencyDes::Get_Streaming_Length() const {
    return Is_Empty() ? 0 : Streaming_Length;
}

bool usbInterfaceAssociationCurrencyDes::Is_Video_Function() const {
    return !Is_Empty() && Bytes[4] == Function_Class_Video;
}

bool usbInterfaceAssociationCurrencyDes::Is_Audio_Function() const {
    return !Is_Empty() && Bytes[4] == Function_Class_Audio;
}

bool usbInterfaceAssociationCurrencyDes::Is_Empty() const {
    return Bytes.empty();
}

bool usbInterfaceAssociationCurrencyDes::Has_Stream_Model() const {
    return false;
}

void usbInterfaceAssociationCurrencyDes::Clear_Descriptors() {
    Bytes.clear();
    Head_List.clear();
    Control_List.clear();
    Streaming_List.clear();
    Total_Length = 0;
    Head_Length = 0;
    Control_Length = 0;
    Streaming_Length = 0;
}

std::uint16_t usbInterfaceAssociationCurrencyDes::Copy_Descriptors(std::vector<std::uint8_t>& out) const {
    out.insert(out.end(), Bytes.begin(), Bytes.end());
    return Get_Total_Length();
}

Byte_Span usbInterfaceAssociationCurrencyDes::Get_Head_Part() const {
    return Byte_Span(Bytes).first(Get_Head_Length());
}

Byte_Span usbInterfaceAssociationCurrencyDes::Get_Control_Part() const {
    return Control_List.empty() || Is_Empty()
               ? Byte_Span{}
               : Byte_Span(Bytes).subspan(Control_List.front(), Control_Length);
}

Byte_Span usbInterfaceAssociationCurrencyDes::Get_Streaming_Part() const {
    return Streaming_List.empty() || Is_Empty()
               ? Byte_Span{}
               : Byte_Span(Bytes).subspan(Streaming_List.front(), Streaming_Length);
}

int usbInterfaceAssociationCurrencyDes::Get_Streaming_Interface_Number() const {
    const Byte_Span part = Get_Streaming_Part();
    return part.empty() ? -1 : part[2];
}

usbInterfaceAssociationVideoDes::usbInterfaceAssociationVideoDes() = default;

usbInterfaceAssociationVideoDes::~usbInterfaceAssociationVideoDes() = default;

std::uint16_t usbInterfaceAssociationVideoDes::Reload_Function(Byte_Span function_on) {
    Clear_Descriptors();
    Stream_Model.reset();
    const std::uint16_t second = Load_Function(function_on);
    Build_Stream_Model();
    return second;
}

bool usbInterfaceAssociationVideoDes::Has_Stream_Model() const {
    return true;
}

void usbInterfaceAssociationVideoDes::Build_Stream_Model() {
    Stream_Model.reset();
    const Byte_Span part = Get_Streaming_Part();
    const Byte_Span header = Find_Input_Header(*this);
    if (header.empty()) {
        return;
    }
    // The model's walk stays within the streaming interface the header belongs to.
    const auto header_offset = static_cast<std::size_t>(header.data() - part.data());
    Stream_Model = std::make_unique<Video_Stream_Model>();
    Stream_Model->Build_From_Header(part.subspan(header_offset));
}

uvcDescriptor::uvcDescriptor(const std::uint8_t* configuration, std::size_t size)
    : uvcDescriptor(configuration == nullptr ? Byte_Span{} : Byte_Span(configuration, size)) {}

uvcDescriptor::uvcDescriptor(Byte_Span configuration) {
    const Byte_Span descriptor = Descriptor_At(configuration, 0);
    if (descriptor.empty() || descriptor[1] != Descriptor_Type_Configuration) {
        return;
    }
    Declared_Length = Read_U16_LE(descriptor, 2);
    // One camera's descriptor declares more bytes than it holds: only what is there is read.
    const std::size_t available = std::min<std::size_t>(Declared_Length, configuration.size());
    if (available < descriptor.size()) {
        return;
    }
    Copy.assign(configuration.begin(), configuration.begin() + static_cast<std::ptrdiff_t>(available));
    Parse();
}

uvcDescriptor::~uvcDescriptor() = default;

void uvcDescriptor::Parse() {
    std::size_t offset = 0;
    for (Byte_Span descriptor = Descriptor_At(Copy, 0);
         !descriptor.empty() && descriptor[1] != Descriptor_Type_Interface_Association;
         descriptor = Descriptor_At(Copy, offset)) {
        Head_List.push_back(static_cast<std::uint16_t>(offset));
        offset += descriptor.size();
    }
    Head_Length = static_cast<std::uint16_t>(offset);
    // A function that collects nothing (an association without a control or streaming
    // interface) does not move the walk on, so it ends it.
    std::size_t before = offset;
    while (Add_Function(offset) == 0 && offset != before) {
        before = offset;
    }
}

void uvcDescriptor::Clear_Configuration() {
    Copy.clear();
    Head_List.clear();
    Head_Length = 0;
    Declared_Length = 0;
    Functions.clear();
}

int uvcDescriptor::Add_Function(std::size_t& offset) {
    const Byte_Span iad = Descriptor_At(Copy, offset);
    if (iad.empty() || iad[1] != Descriptor_Type_Interface_Association) {
        return -1;
    }
    const Byte_Span function_on = Byte_Span(Copy).subspan(offset);
    std::unique_ptr<usbInterfaceAssociationCurrencyDes> function;
    if (iad[4] == Function_Class_Video) {
        auto video = std::make_unique<usbInterfaceAssociationVideoDes>();
        video->Reload_Function(function_on);
        function = std::move(video);
    } else {
        function = std::make_unique<usbInterfaceAssociationCurrencyDes>(function_on);
    }
    offset += function->Get_Total_Length();
    Functions.push_back(std::move(function));
    return 0;
}

Video_Stream_Model uvcDescriptor::Get_Stream_Model() const {
    if (!Functions.empty() && Functions.front()->Is_Video_Function()) {
        const auto* video = dynamic_cast<const usbInterfaceAssociationVideoDes*>(Functions.front().get());
        if (video != nullptr && video->Get_Stream_Model() != nullptr) {
            return *video->Get_Stream_Model();
        }
    }
    return {};
}

std::uint16_t uvcDescriptor::Serialise_Function(std::vector<std::uint8_t>& out, std::uint8_t index,
                                                const Video_Stream_Model& wanted) const {
    if (static_cast<std::size_t>(index) > Functions.size() + 1) {
        return 0;
    }
    const auto* item = Get_List_Item(Functions, index);
    if (item == nullptr) {
        return 0;
    }
    const usbInterfaceAssociationCurrencyDes& function = **item;
    if (!function.Has_Stream_Model()) {
        return function.Copy_Descriptors(out);
    }
    if (!function.Is_Video_Function() ||
        (wanted.Mjpeg_Frames.empty() && wanted.Uncompressed_Frames.empty())) {
        return 0;
    }
    // A rebuilt video function without a single format would not be a usable camera.
    if (Streaming_Format_Mode(wanted) == Format_Mode_None) {
        return 0;
    }
    return Serialise_Video_Function(function, wanted, out);
}

Byte_Span uvcDescriptor::Get_Head() const {
    return Byte_Span(Copy).first(Head_Length);
}

const usbInterfaceAssociationCurrencyDes* uvcDescriptor::Get_Function(std::size_t index) const {
    return index < Functions.size() ? Functions[index].get() : nullptr;
}

std::size_t uvcDescriptor::Get_Covered_Length() const {
    std::size_t covered = Head_Length;
    for (const auto& function : Functions) {
        covered += function->Get_Total_Length();
    }
    return covered;
}
