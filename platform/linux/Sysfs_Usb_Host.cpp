#include "platform/linux/Sysfs_Usb_Host.h"

#include <algorithm>
#include <map>

#include "platform/Devnode_Set.h"
#include "platform/linux/Linux_Video_Input.h"
#include "platform/linux/Sysfs_Usb_Devices.h"
#include "platform/linux/Usb_Device_Names.h"

namespace platform::linux_host {

namespace {

constexpr std::uint8_t Device_Descriptor_Type = 1;
constexpr std::uint8_t Configuration_Descriptor_Type = 2;
constexpr std::uint8_t String_Descriptor_Type = 3;
constexpr std::uint8_t Bos_Descriptor_Type = 15;
// Sysfs keeps a device's strings in the one language the kernel chose; they are served as this.
constexpr std::uint16_t Kept_Language = 0x0409;

const HRESULT Not_Found = Hresult_From_Win32(Win32_Error::Not_Found);
const HRESULT Refused = Hresult_From_Win32(Win32_Error::Gen_Failure);
const HRESULT Bad_Port = Hresult_From_Win32(Win32_Error::Invalid_Parameter);
const HRESULT Not_Connected = Hresult_From_Win32(Win32_Error::Device_Not_Connected);

enum class Devnode_Kind { Host_Controller, Hub, Device, Capture };

// A device as the host keeps it, the kind of set it belongs to and its interface path there.
struct Kind_Entry {
    Devnode_Kind Kind;
    Devnode_Entry Entry;
};

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::string Instance_Id_Of(const Sysfs_Usb_Device& device) {
    const Usb_Device_Descriptor& descriptor = device.Descriptor;
    return device.Location.Is_Root_Hub()
               ? Root_Hub_Instance_Id(device.Location, descriptor.bcdUSB)
               : Device_Instance_Id(descriptor.idVendor, descriptor.idProduct, device.Location);
}

// The driver that runs the device as a whole: its one interface's, or for a composite device
// the one that shares it out.
std::string Service_Of(const Sysfs_Usb_Device& device) {
    return device.Interfaces.size() == 1 ? device.Interfaces.front().Driver : device.Driver;
}

std::vector<Kind_Entry> Devnodes_Of(const std::vector<Sysfs_Usb_Device>& devices) {
    std::map<Usb_Location, const Sysfs_Usb_Device*> by_location;
    for (const Sysfs_Usb_Device& device : devices)
        by_location[device.Location] = &device;
    std::vector<Kind_Entry> entries;
    const auto add = [&](Devnode_Kind kind, Devnode node, std::string path) {
        node.Dev_Inst = static_cast<std::uint32_t>(entries.size() + 1);
        entries.push_back({kind, {std::move(node), std::move(path)}});
    };
    for (const Sysfs_Usb_Device& device : devices) {
        const Usb_Device_Descriptor& descriptor = device.Descriptor;
        const Usb_Location& location = device.Location;
        Devnode node;
        node.Instance_Id = Instance_Id_Of(device);
        node.Service = Service_Of(device);
        node.Class = "USB";
        node.Driver_Key = Device_Driver_Key(location);
        node.Address = location.Port();
        if (location.Is_Root_Hub()) {
            const bool usb_3 = descriptor.bcdUSB >= 0x0300;
            add(Devnode_Kind::Host_Controller,
                {0, Host_Controller_Instance_Id(location.Bus), "",
                 device.Product.empty() ? "USB Host Controller" : device.Product,
                 "USB_HOST\\" + Upper(device.Controller_Driver), device.Controller_Driver, "USB",
                 Host_Controller_Driver_Key(location.Bus), 0},
                Host_Controller_Path(location.Bus));
            node.Parent_Instance_Id = Host_Controller_Instance_Id(location.Bus);
            node.Description = usb_3 ? "USB Root Hub (USB 3.0)" : "USB Root Hub";
            node.Hardware_Id = usb_3 ? "USB\\ROOT_HUB30" : "USB\\ROOT_HUB20";
            add(Devnode_Kind::Hub, std::move(node), Hub_Interface_Path(location));
            continue;
        }
        const auto parent = by_location.find(location.Parent());
        if (parent != by_location.end())
            node.Parent_Instance_Id = Instance_Id_Of(*parent->second);
        node.Hardware_Id =
            Device_Hardware_Id(descriptor.idVendor, descriptor.idProduct, descriptor.bcdDevice);
        if (device.Is_Hub()) {
            node.Description = device.Product.empty() ? "USB Hub" : device.Product;
            add(Devnode_Kind::Hub, std::move(node), Hub_Interface_Path(location));
        } else {
            node.Description = device.Product.empty() ? "USB Device" : device.Product;
            add(Devnode_Kind::Device, std::move(node),
                Device_Interface_Path(descriptor.idVendor, descriptor.idProduct, location));
        }
    }
    for (const Video_Function& function : Video_Functions(devices)) {
        const Sysfs_Usb_Device& device = *function.Device;
        const Usb_Device_Descriptor& descriptor = device.Descriptor;
        const std::uint8_t number = function.Interface->Location.Interface_Number;
        add(Devnode_Kind::Capture,
            {0, Capture_Instance_Id(descriptor.idVendor, descriptor.idProduct, device.Location, number),
             Instance_Id_Of(device), Unnamed_Camera,
             Capture_Hardware_Id(descriptor.idVendor, descriptor.idProduct, descriptor.bcdDevice, number),
             function.Interface->Driver, "Camera", Capture_Driver_Key(device.Location, number),
             device.Location.Port()},
            Video_Input_Path(descriptor.idVendor, descriptor.idProduct, device.Location, number));
    }
    return entries;
}

class Sysfs_Host_Controller final : public Usb_Host_Controller {
public:
    explicit Sysfs_Host_Controller(std::uint8_t bus) : bus_(bus) {}
    HRESULT Driver_Key_Name(std::string& name) override {
        name = Host_Controller_Driver_Key(bus_);
        return S_OK;
    }
    HRESULT Root_Hub_Name(std::string& name) override {
        name = Usb_Location{bus_, {}}.Sysfs_Name();
        return S_OK;
    }

private:
    std::uint8_t bus_;
};

class Sysfs_Hub final : public Usb_Hub {
public:
    explicit Sysfs_Hub(Sysfs_Usb_Device hub) : hub_(std::move(hub)) {}

    HRESULT Node_Information(Usb_Hub_Information& information) override {
        information.Number_Of_Ports = hub_.Port_Count;
        return S_OK;
    }

    HRESULT Connection_Information(std::uint32_t port, Usb_Connection_Information& information) override {
        if (!Valid(port))
            return Bad_Port;
        information = {};
        information.Connection_Index = port;
        const Sysfs_Usb_Device* device = Device(port);
        if (!device)
            return S_OK; // No_Device_Connected
        information.Device_Descriptor = device->Descriptor;
        information.Current_Configuration_Value = device->Configuration_Value;
        information.Speed = static_cast<std::uint8_t>(device->Speed);
        information.Device_Is_Hub = device->Is_Hub();
        information.Device_Address = device->Address;
        for (const Sysfs_Usb_Interface& interface : device->Interfaces)
            information.Number_Of_Open_Pipes += interface.Endpoints;
        information.Connection_Status = static_cast<std::uint32_t>(Usb_Connection_Status::Device_Connected);
        return S_OK;
    }

    HRESULT Port_Driver_Key_Name(std::uint32_t port, std::string& name) override {
        const Sysfs_Usb_Device* device = Device(port);
        if (!device)
            return Not_Connected;
        name = Device_Driver_Key(device->Location);
        return S_OK;
    }

    HRESULT Port_Hub_Name(std::uint32_t port, std::string& name) override {
        const Sysfs_Usb_Device* device = Device(port);
        if (!device || !device->Is_Hub())
            return Not_Found;
        name = device->Location.Sysfs_Name();
        return S_OK;
    }

    HRESULT Port_Descriptor(std::uint32_t port, const Usb_Descriptor_Request& request,
                            std::vector<std::uint8_t>& reply) override {
        const Sysfs_Usb_Device* device = Device(port);
        if (!device)
            return Not_Connected;
        std::vector<std::uint8_t> bytes;
        if (request.Type == Device_Descriptor_Type) {
            bytes = Usb_Device_Descriptor_Bytes(device->Descriptor);
        } else if (request.Type == Configuration_Descriptor_Type &&
                   request.Index < device->Configurations.size()) {
            bytes = device->Configurations[request.Index];
        } else if (request.Type == Bos_Descriptor_Type && !device->Bos.empty()) {
            bytes = device->Bos;
        } else if (request.Type == String_Descriptor_Type) {
            const auto strings = Kept_Strings(*device);
            const auto found = strings.find(request.Index);
            if (request.Index == 0 && !strings.empty())
                bytes = Usb_Language_List_Descriptor({Kept_Language});
            else if (found != strings.end() && request.Language_Id == Kept_Language)
                bytes = Usb_String_Descriptor(found->second);
            else
                return Refused;
        } else {
            return Refused; // a device stalls a descriptor it does not have
        }
        bytes.resize(std::min<std::size_t>(bytes.size(), request.Length));
        reply = std::move(bytes);
        return S_OK;
    }

private:
    bool Valid(std::uint32_t port) const { return port >= 1 && port <= hub_.Port_Count; }

    Usb_Location Port_Location(std::uint32_t port) const {
        Usb_Location location = hub_.Location;
        location.Ports.push_back(static_cast<std::uint8_t>(port));
        return location;
    }

    // The device on the port, read once per hub handle: the walk asks one port many things.
    const Sysfs_Usb_Device* Device(std::uint32_t port) {
        if (!Valid(port) || hub_.Location.Ports.size() >= Max_Port_Depth)
            return nullptr;
        auto found = ports_.find(port);
        if (found == ports_.end())
            found = ports_.emplace(port, Read_Usb_Device(Port_Location(port))).first;
        return found->second ? &*found->second : nullptr;
    }

    Sysfs_Usb_Device hub_;
    std::map<std::uint32_t, std::optional<Sysfs_Usb_Device>> ports_;
};
} // namespace

std::unique_ptr<Device_Set> Sysfs_Usb_Host::Open_Device_Set(const GUID* interface_class) {
    const auto devices = Read_Usb_Devices();
    if (!devices)
        return nullptr;
    const std::pair<GUID, Devnode_Kind> classes[] = {
        {Usb_Host_Controller_Interface_Class, Devnode_Kind::Host_Controller},
        {Usb_Hub_Interface_Class, Devnode_Kind::Hub},
        {Usb_Device_Interface_Class, Devnode_Kind::Device},
        {Capture_Interface_Class, Devnode_Kind::Capture},
    };
    std::vector<Devnode_Entry> chosen;
    for (Kind_Entry& entry : Devnodes_Of(*devices)) {
        if (!interface_class) {
            entry.Entry.Interface_Path.clear(); // the set of every device lists no interfaces
            chosen.push_back(std::move(entry.Entry));
            continue;
        }
        for (const auto& set : classes)
            if (set.first == *interface_class && set.second == entry.Kind)
                chosen.push_back(std::move(entry.Entry));
    }
    return Make_Devnode_Set(std::move(chosen));
}

std::unique_ptr<Usb_Host_Controller> Sysfs_Usb_Host::Open_Host_Controller(const std::string& path) {
    const auto bus = Parse_Host_Controller_Path(path);
    if (!bus || !Read_Usb_Device(Usb_Location{*bus, {}}))
        return nullptr;
    return std::make_unique<Sysfs_Host_Controller>(*bus);
}

std::unique_ptr<Usb_Hub> Sysfs_Usb_Host::Open_Hub(const std::string& name) {
    const auto location = Parse_Device_Name(name);
    if (!location)
        return nullptr;
    auto hub = Read_Usb_Device(*location);
    if (!hub || !hub->Is_Hub())
        return nullptr;
    return std::make_unique<Sysfs_Hub>(std::move(*hub));
}

} // namespace platform::linux_host
