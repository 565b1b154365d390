// Pass 2 of the hub-port walk: every host controller, down through its root hub, external
// hubs and ports, into the in-memory tree, with the descriptors and strings of every device.
#include <algorithm>

#include "Extension_Unit_Class/Extension_Unit_Log.h"
#include "Extension_Unit_Class/Usb_Descriptor_Parsing.h"
#include "Extension_Unit_Class/Usb_Hub_Walk.h"

namespace {

using platform::Usb_Hub;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint16_t Usb_2_1 = 0x0210;
constexpr std::uint16_t Longest_String_Reply = 255;
constexpr std::uint8_t Last_Video_String_Index = 31;

std::optional<std::string> Read_Property(platform::Device_Set& set, std::uint32_t element,
                                         platform::Device_Property property) {
    std::string text;
    if (set.Property(element, property, text) < 0)
        return std::nullopt;
    return text;
}

// A descriptor with a 16-bit total length at offset 2 (configuration, BOS): its head first,
// then all of it. Both replies must be whole, and the second must declare what was asked.
std::optional<Bytes> Read_Whole_Descriptor(Usb_Hub& hub, std::uint32_t port, std::uint8_t type,
                                           std::uint8_t index, std::uint16_t head_length) {
    platform::Usb_Descriptor_Request request{type, index, 0, head_length};
    Bytes head;
    if (hub.Port_Descriptor(port, request, head) < 0 || head.size() != head_length)
        return std::nullopt;
    const auto total = static_cast<std::uint16_t>(head[2] | head[3] << 8);
    if (total < head_length)
        return std::nullopt;
    request.Length = total;
    Bytes whole;
    if (hub.Port_Descriptor(port, request, whole) < 0 || whole.size() != total ||
        static_cast<std::uint16_t>(whole[2] | whole[3] << 8) != total)
        return std::nullopt;
    return whole;
}

std::optional<Usb_String_Descriptor_Entry>
Read_String_Descriptor(Usb_Hub& hub, std::uint32_t port, std::uint8_t index, std::uint16_t language) {
    const platform::Usb_Descriptor_Request request{Usb_String_Descriptor_Type, index, language,
                                                   Longest_String_Reply};
    Bytes reply;
    if (hub.Port_Descriptor(port, request, reply) < 0 || !Is_Whole_String_Descriptor(reply))
        return std::nullopt;
    return Usb_String_Descriptor_Entry{index, language, std::move(reply)};
}

// The language list first, then every string the device and configuration descriptors name,
// in every language; for a video device also the strings 1 to 31 up to the first it lacks.
std::vector<Usb_String_Descriptor_Entry>
Read_String_Descriptors(Usb_Hub& hub, std::uint32_t port, const platform::Usb_Device_Descriptor& device,
                        const Configuration_String_Indexes& configuration) {
    std::vector<Usb_String_Descriptor_Entry> list;
    auto language_list = Read_String_Descriptor(hub, port, 0, 0);
    if (!language_list)
        return list;
    std::vector<std::uint16_t> languages;
    const Bytes& ids = language_list->Descriptor;
    for (std::size_t at = 2; at + 1 < ids.size(); at += 2)
        languages.push_back(static_cast<std::uint16_t>(ids[at] | ids[at + 1] << 8));
    list.push_back(std::move(*language_list));

    const auto fetch = [&](std::uint8_t index) {
        const bool listed =
            std::any_of(list.begin(), list.end(), [index](const Usb_String_Descriptor_Entry& entry) {
                return entry.Descriptor_Index == index;
            });
        if (listed)
            return true;
        for (std::uint16_t language : languages) {
            auto entry = Read_String_Descriptor(hub, port, index, language);
            if (!entry)
                return false;
            list.push_back(std::move(*entry));
        }
        return true;
    };
    for (std::uint8_t index : {device.iManufacturer, device.iProduct, device.iSerialNumber})
        if (index != 0)
            fetch(index);
    for (std::uint8_t index : configuration.Indexes)
        fetch(index);
    if (configuration.Has_Video_Interface)
        for (std::uint8_t index = 1; index <= Last_Video_String_Index && fetch(index); ++index) {
        }
    return list;
}

bool Names_Strings(const platform::Usb_Device_Descriptor& device,
                   const Configuration_String_Indexes& configuration) {
    return device.iManufacturer != 0 || device.iProduct != 0 || device.iSerialNumber != 0 ||
           !configuration.Indexes.empty();
}

class Usb_Tree_Walk {
public:
    Usb_Tree_Walk(platform::Usb_Host& host, Usb_Tree_Level& top) : host_(host), top_(top) {}

    int Run() {
        device_list_ = Interface_List(platform::Usb_Device_Interface_Class);
        hub_list_ = Interface_List(platform::Usb_Hub_Interface_Class);
        const auto controllers = host_.Open_Device_Set(&platform::Usb_Host_Controller_Interface_Class);
        if (!controllers)
            return connected_devices_;
        for (std::uint32_t index = 0; index < Usb_Set_Index_Limit; ++index) {
            platform::Device_Interface interface;
            std::string path;
            if (controllers->Interface(index, interface) < 0 ||
                controllers->Interface_Path(interface, path) < 0)
                break;
            Log_Printf("\t\t[%s]= %s \r\n", "deviceDetailData->DevicePath", path.c_str());
            if (const auto controller = host_.Open_Host_Controller(path))
                Walk_Host_Controller(*controller);
        }
        return connected_devices_;
    }

private:
    // The interface list of one class; it ends at the first device that cannot be read whole.
    std::vector<Device_Info_Node> Interface_List(const platform::GUID& interface_class) {
        std::vector<Device_Info_Node> list;
        const auto set = host_.Open_Device_Set(&interface_class);
        if (!set)
            return list;
        for (std::uint32_t element = 0; element < Usb_Set_Index_Limit; ++element) {
            platform::Device_Element found;
            const platform::HRESULT result = set->Element(element, found);
            if (result == platform::E_NO_MORE_ITEMS)
                break;
            if (result < 0)
                continue;
            Device_Info_Node node;
            platform::Device_Interface interface;
            if (set->Property(element, platform::Device_Property::Description, node.Device_Desc_Name) < 0 ||
                set->Property(element, platform::Device_Property::Driver_Key, node.Device_Driver_Name) < 0 ||
                set->Interface_Of_Element(element, interface) < 0 ||
                set->Interface_Path(interface, node.Device_Path) < 0)
                break;
            node.Dev_Inst = found.Dev_Inst;
            node.Interface_Flags = interface.Flags;
            list.push_back(std::move(node));
        }
        return list;
    }

    std::optional<Usb_Device_Properties> Properties_By_Driver_Key(const std::string& key) {
        const auto set = host_.Open_Device_Set(nullptr);
        if (!set)
            return std::nullopt;
        for (std::uint32_t element = 0; element < Usb_Set_Index_Limit; ++element) {
            platform::Device_Element found;
            const platform::HRESULT result = set->Element(element, found);
            if (result == platform::E_NO_MORE_ITEMS)
                break;
            const auto driver = result < 0
                                    ? std::nullopt
                                    : Read_Property(*set, element, platform::Device_Property::Driver_Key);
            if (!driver || !Same_Text_Ignoring_Case(*driver, key))
                continue;
            Log_Printf("\t\t[%s]=\t\t Regedit Path = %s\n", "szBuf", driver->c_str());
            using platform::Device_Property;
            return Usb_Device_Properties{Read_Property(*set, element, Device_Property::Instance_Id),
                                         Read_Property(*set, element, Device_Property::Description),
                                         Read_Property(*set, element, Device_Property::Hardware_Id),
                                         Read_Property(*set, element, Device_Property::Service),
                                         Read_Property(*set, element, Device_Property::Class)};
        }
        return std::nullopt;
    }

    std::optional<Device_Info_Node> Interface_Node(const std::string& driver_key, bool hub) const {
        const auto& list = hub ? hub_list_ : device_list_;
        const auto found = std::find_if(list.begin(), list.end(), [&](const Device_Info_Node& node) {
            return Same_Text_Ignoring_Case(node.Device_Driver_Name, driver_key);
        });
        if (found == list.end())
            return std::nullopt;
        return *found;
    }

    void Walk_Host_Controller(platform::Usb_Host_Controller& controller) {
        std::string key;
        if (controller.Driver_Key_Name(key) < 0)
            return;
        if (std::find(controller_keys_.begin(), controller_keys_.end(), key) != controller_keys_.end())
            return; // a controller the host lists twice is walked once
        auto information = std::make_unique<Usb_Node_Info>();
        information->DeviceInfoType = Host_Controller_Info;
        information->Driver_Key_Name = key;
        information->UsbDeviceProperties = Properties_By_Driver_Key(key);
        auto level = std::make_unique<Usb_Tree_Level>(std::move(information));
        Usb_Tree_Level& placed = *level;
        if (!top_.Add_Child(std::move(level)))
            return;
        controller_keys_.push_back(key);
        std::string root_hub;
        if (controller.Root_Hub_Name(root_hub) < 0)
            return;
        Walk_Hub(root_hub, nullptr, placed);
    }

    // A root hub (no port data) or an external hub with the data of the port it hangs on. A
    // hub that cannot be opened or read is left out with everything below it.
    void Walk_Hub(const std::string& name, std::unique_ptr<Usb_Node_Info> port_data, Usb_Tree_Level& parent) {
        const auto hub = host_.Open_Hub(name);
        platform::Usb_Hub_Information hub_information;
        if (!hub || hub->Node_Information(hub_information) < 0)
            return;
        const bool external = port_data != nullptr;
        auto information = external ? std::move(port_data) : std::make_unique<Usb_Node_Info>();
        information->DeviceInfoType = external ? External_Hub_Info : Root_Hub_Info;
        information->Hub_Name = name;
        information->Hub_Information = hub_information;
        auto level = std::make_unique<Usb_Tree_Level>(std::move(information));
        Usb_Tree_Level& placed = *level;
        if (!parent.Add_Child(std::move(level)))
            return;
        Walk_Ports(*hub, hub_information.Number_Of_Ports, placed);
    }

    void Walk_Ports(Usb_Hub& hub, std::uint8_t ports, Usb_Tree_Level& level) {
        for (std::uint32_t port = 1; port <= ports; ++port) {
            auto information = std::make_unique<Usb_Node_Info>();
            platform::Usb_Connection_Information& connection = information->ConnectionInfo;
            if (hub.Connection_Information(port, connection) < 0)
                continue;
            const auto status = static_cast<platform::Usb_Connection_Status>(connection.Connection_Status);
            if (status == platform::Usb_Connection_Status::Device_Connected)
                ++connected_devices_;
            if (status != platform::Usb_Connection_Status::No_Device_Connected) {
                std::string driver_key;
                if (hub.Port_Driver_Key_Name(port, driver_key) >= 0) {
                    information->UsbDeviceProperties = Properties_By_Driver_Key(driver_key);
                    information->DeviceInfoNode = Interface_Node(driver_key, connection.Device_Is_Hub);
                }
            }
            Read_Device_Descriptors(hub, port, status, *information);
            if (connection.Device_Is_Hub) {
                std::string hub_name;
                if (hub.Port_Hub_Name(port, hub_name) >= 0)
                    Walk_Hub(hub_name, std::move(information), level);
            } else {
                information->DeviceInfoType = Device_Info;
                level.Add_Leaf(std::move(information));
            }
        }
    }

    static void Read_Device_Descriptors(Usb_Hub& hub, std::uint32_t port,
                                        platform::Usb_Connection_Status status, Usb_Node_Info& information) {
        if (status != platform::Usb_Connection_Status::Device_Connected)
            return;
        information.Configuration_Descriptor =
            Read_Whole_Descriptor(hub, port, Usb_Configuration_Descriptor_Type, 0, 9);
        if (!information.Configuration_Descriptor)
            return;
        const platform::Usb_Device_Descriptor& device = information.ConnectionInfo.Device_Descriptor;
        if (device.bcdUSB >= Usb_2_1)
            information.Bos_Descriptor = Read_Whole_Descriptor(hub, port, Usb_Bos_Descriptor_Type, 0, 5);
        const auto strings = Find_Configuration_Strings(*information.Configuration_Descriptor);
        if (Names_Strings(device, strings))
            information.String_Descriptors = Read_String_Descriptors(hub, port, device, strings);
    }

    platform::Usb_Host& host_;
    Usb_Tree_Level& top_;
    std::vector<Device_Info_Node> device_list_;
    std::vector<Device_Info_Node> hub_list_;
    std::vector<std::string> controller_keys_;
    int connected_devices_ = 0;
};

} // namespace

int Enumerate_Usb_Tree(platform::Usb_Host& host, Usb_Tree_Level& top) {
    return Usb_Tree_Walk(host, top).Run();
}
