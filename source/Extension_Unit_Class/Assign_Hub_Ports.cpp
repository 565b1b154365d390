// The hub-port walk's driver and its pass 3: the video devices of the tree, each matched to
// the record of its own camera and filled in.
#include <algorithm>
#include <array>

#include "Extension_Unit_Class/Device_Path_Id.h"
#include "Extension_Unit_Class/Extension_Unit_Log.h"
#include "Extension_Unit_Class/Usb_Descriptor_Parsing.h"
#include "Extension_Unit_Class/Usb_Hub_Walk.h"
#include "platform/Backend.h"

namespace {

const char* Text_Or_Null(const std::optional<std::string>& text) {
    return text ? text->c_str() : "(null)";
}

// Length of a property as the host reports it: the text and its NUL.
int Property_Length(const std::string& text) {
    return static_cast<int>(text.size() + 1);
}

void Log_Device_Node(const Device_Info_Node& node, const Usb_Device_Properties& properties) {
    Log_Value_Tab("info->DeviceInfoNode->DeviceDescNameLength", Property_Length(node.Device_Desc_Name));
    Log_Text_Tab("info->DeviceInfoNode->DeviceDescName", node.Device_Desc_Name.c_str());
    Log_Value_Tab("info->DeviceInfoNode->DeviceDriverNameLength", Property_Length(node.Device_Driver_Name));
    Log_Text_Tab("info->DeviceInfoNode->DeviceDriverName", node.Device_Driver_Name.c_str());
    Log_Value_Tab("info->DeviceInfoNode->DeviceInfoData.DevInst", static_cast<int>(node.Dev_Inst));
    Log_Hex_Tab("info->DeviceInfoNode->DeviceInterfaceData.Flags", node.Interface_Flags);
    Log_Text_Tab("info->DeviceInfoNode->DeviceDetailData->DevicePath", node.Device_Path.c_str());
    Log_Text_Tab("info->UsbDeviceProperties->HwId", Text_Or_Null(properties.Hw_Id));
    Log_Text_Tab("info->UsbDeviceProperties->DeviceId", Text_Or_Null(properties.Device_Id));
    Log_Text_Tab("info->UsbDeviceProperties->DeviceDesc", Text_Or_Null(properties.Device_Desc));
}

// The values of a matched node, in trace order; the hexadecimal ones print with %x.
struct Node_Log_Line {
    const char* Key;
    bool Hex;
    unsigned (*Value)(const Usb_Node_Info&);
};

constexpr Node_Log_Line Node_Log_Lines[] = {
    {"info->DeviceInfoType", false, [](const Usb_Node_Info& n) -> unsigned { return n.DeviceInfoType; }},
    {"info->ConnectionInfo->ConnectionIndex", false,
     [](const Usb_Node_Info& n) -> unsigned { return n.ConnectionInfo.Connection_Index; }},
    {"info->ConnectionInfo->ConnectionStatus", false,
     [](const Usb_Node_Info& n) -> unsigned { return n.ConnectionInfo.Connection_Status; }},
    {"info->ConnectionInfo->CurrentConfigurationValue", false,
     [](const Usb_Node_Info& n) -> unsigned { return n.ConnectionInfo.Current_Configuration_Value; }},
    {"info->ConnectionInfo->DeviceAddress", false,
     [](const Usb_Node_Info& n) -> unsigned { return n.ConnectionInfo.Device_Address; }},
    {"info->ConnectionInfo->DeviceDescriptor.bcdDevice", true,
     [](const Usb_Node_Info& n) -> unsigned { return n.ConnectionInfo.Device_Descriptor.bcdDevice; }},
    {"info->ConnectionInfo->DeviceDescriptor.bcdUSB", false,
     [](const Usb_Node_Info& n) -> unsigned { return n.ConnectionInfo.Device_Descriptor.bcdUSB; }},
    {"info->ConnectionInfo->DeviceDescriptor.bDescriptorType", false,
     [](const Usb_Node_Info& n) -> unsigned { return n.ConnectionInfo.Device_Descriptor.bDescriptorType; }},
    {"info->ConnectionInfo->DeviceDescriptor.bDeviceClass", false,
     [](const Usb_Node_Info& n) -> unsigned { return n.ConnectionInfo.Device_Descriptor.bDeviceClass; }},
    {"info->ConnectionInfo->DeviceDescriptor.bDeviceProtocol", false,
     [](const Usb_Node_Info& n) -> unsigned { return n.ConnectionInfo.Device_Descriptor.bDeviceProtocol; }},
    {"info->ConnectionInfo->DeviceDescriptor.bDeviceSubClass", false,
     [](const Usb_Node_Info& n) -> unsigned { return n.ConnectionInfo.Device_Descriptor.bDeviceSubClass; }},
    {"info->ConnectionInfo->DeviceDescriptor.bLength", false,
     [](const Usb_Node_Info& n) -> unsigned { return n.ConnectionInfo.Device_Descriptor.bLength; }},
    {"info->ConnectionInfo->DeviceDescriptor.bMaxPacketSize0", false,
     [](const Usb_Node_Info& n) -> unsigned { return n.ConnectionInfo.Device_Descriptor.bMaxPacketSize0; }},
    {"info->ConnectionInfo->DeviceDescriptor.bNumConfigurations", false,
     [](const Usb_Node_Info& n) -> unsigned {
         return n.ConnectionInfo.Device_Descriptor.bNumConfigurations;
     }},
    {"info->ConnectionInfo->DeviceDescriptor.idProduct", false,
     [](const Usb_Node_Info& n) -> unsigned { return n.ConnectionInfo.Device_Descriptor.idProduct; }},
    {"info->ConnectionInfo->DeviceDescriptor.idVendor", false,
     [](const Usb_Node_Info& n) -> unsigned { return n.ConnectionInfo.Device_Descriptor.idVendor; }},
    {"info->ConnectionInfo->DeviceDescriptor.iManufacturer", false,
     [](const Usb_Node_Info& n) -> unsigned { return n.ConnectionInfo.Device_Descriptor.iManufacturer; }},
    {"info->ConnectionInfo->DeviceDescriptor.iProduct", false,
     [](const Usb_Node_Info& n) -> unsigned { return n.ConnectionInfo.Device_Descriptor.iProduct; }},
    {"info->ConnectionInfo->DeviceDescriptor.iSerialNumber", false,
     [](const Usb_Node_Info& n) -> unsigned { return n.ConnectionInfo.Device_Descriptor.iSerialNumber; }},
    {"info->ConnectionInfo->DeviceIsHub", false,
     [](const Usb_Node_Info& n) -> unsigned { return n.ConnectionInfo.Device_Is_Hub ? 1 : 0; }},
    {"info->ConnectionInfo->NumberOfOpenPipes", false,
     [](const Usb_Node_Info& n) -> unsigned { return n.ConnectionInfo.Number_Of_Open_Pipes; }},
    {"info->ConnectionInfo->Speed", false,
     [](const Usb_Node_Info& n) -> unsigned { return n.ConnectionInfo.Speed; }},
};

void Log_Node(const Usb_Node_Info& node) {
    for (const Node_Log_Line& line : Node_Log_Lines) {
        if (line.Hex)
            Log_Hex_Tab(line.Key, line.Value(node));
        else
            Log_Value_Tab(line.Key, static_cast<int>(line.Value(node)));
    }
}

// Whether the record's camera is a function of this USB device. Without the host's word on
// either side, the ids and the port number alone decide.
bool Belongs_To_Device(const Usb_Record_Pairing& pairing, const Device_Info_Record& record,
                       const Usb_Device_Properties& device) {
    const auto paired = pairing.Usb_Device_Instance.find(&record);
    if (paired == pairing.Usb_Device_Instance.end() || !device.Device_Id)
        return true;
    return Same_Text_Ignoring_Case(paired->second, *device.Device_Id);
}

// Traces every string of the list, then fills the three strings the device descriptor names,
// each by its descriptor index in the device's first language.
void Fill_Strings(const Usb_Node_Info& node, Device_Info_Record& record) {
    const auto& list = node.String_Descriptors;
    for (const Usb_String_Descriptor_Entry& entry : list) {
        char output[Device_Info_Text_Size];
        Copy_Record_Text(output, String_Descriptor_Text(entry.Descriptor));
        Log_Value_Tab("pstringDescs->StringDescriptor->bLength",
                      entry.Descriptor.empty() ? 0 : entry.Descriptor[0]);
        Log_Text_Tab("output", output);
    }
    if (list.empty() || list.front().Descriptor.size() < 4)
        return; // no language, so no string
    const auto& languages = list.front().Descriptor;
    const auto first_language = static_cast<std::uint16_t>(languages[2] | languages[3] << 8);
    const platform::Usb_Device_Descriptor& device = node.ConnectionInfo.Device_Descriptor;
    const std::pair<std::uint8_t, char(*)[Device_Info_Text_Size]> fills[] = {
        {device.iManufacturer, &record.Manufacturer},
        {device.iProduct, &record.Product},
        {device.iSerialNumber, &record.Serial_Number},
    };
    for (const auto& fill : fills) {
        const std::uint8_t index = fill.first;
        if (index == 0)
            continue;
        const auto found =
            std::find_if(list.begin(), list.end(), [&](const Usb_String_Descriptor_Entry& entry) {
                return entry.Descriptor_Index == index && entry.Language_Id == first_language;
            });
        if (found != list.end())
            Copy_Record_Text(*fill.second, String_Descriptor_Text(found->Descriptor));
    }
}

} // namespace

Device_Info_Record* Dump_Usb_Device_Info(const Usb_Node_Info& node, std::list<Device_Info_Record>& records,
                                         Usb_Record_Pairing& pairing) {
    if (!node.DeviceInfoNode || !node.UsbDeviceProperties)
        return nullptr;
    const Usb_Device_Properties& properties = *node.UsbDeviceProperties;
    Log_Device_Node(*node.DeviceInfoNode, properties);
    const auto ids = Parse_Four_Ids(properties.Hw_Id.value_or(""));
    const platform::Usb_Connection_Information& connection = node.ConnectionInfo;
    const auto match = std::find_if(records.begin(), records.end(), [&](const Device_Info_Record& record) {
        return std::equal(ids.begin(), ids.end(), record.Parent_Ids) &&
               record.Port_Number == connection.Connection_Index && !pairing.Filled.contains(&record) &&
               Belongs_To_Device(pairing, record, properties);
    });
    if (match == records.end())
        return nullptr;
    Device_Info_Record& record = *match;
    pairing.Filled.insert(&record);
    Copy_Record_Text(record.Usb_Device_Path, node.DeviceInfoNode->Device_Path);
    record.Usb_Path_Id = Parse_Device_Path_Id(record.Usb_Device_Path);
    record.Node_Word = node.DeviceInfoType;
    record.bcdDevice = connection.Device_Descriptor.bcdDevice;
    record.idProduct = connection.Device_Descriptor.idProduct;
    record.idVendor = connection.Device_Descriptor.idVendor;
    record.Port_Number = connection.Connection_Index;
    Log_Node(node);
    Fill_Strings(node, record);
    return &record;
}

int Assign_Hub_Ports(std::list<Device_Info_Record>& records) {
    const auto backend = platform::Current_Backend();
    platform::Usb_Host& host = backend->Usb();
    Usb_Record_Pairing pairing;
    Enumerate_Usb_Interfaces(host, records, pairing);
    const auto top = std::make_unique<Usb_Tree_Level>();
    Enumerate_Usb_Tree(host, *top);
    std::array<const Usb_Node_Info*, Max_Video_Devices> nodes{};
    std::array<const Usb_Node_Info*, Max_Video_Devices> hubs{};
    const std::size_t count =
        Collect_Device_Ports(*top, Usb_Video_Class, Usb_Video_Class, Max_Video_Devices, nodes, hubs);
    for (std::size_t i = 0; i < count; ++i) {
        Device_Info_Record* record = Dump_Usb_Device_Info(*nodes[i], records, pairing);
        if (record && hubs[i])
            Copy_Record_Text(record->Hub_Port_Path, hubs[i]->Hub_Name);
    }
    return 0;
}
