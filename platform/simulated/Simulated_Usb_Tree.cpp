#include "platform/simulated/Simulated_Usb_Tree.h"

#include "platform/Devnode_Set.h"
#include "platform/Text_Format.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <functional>

namespace platform::simulated {

namespace {

const HRESULT Not_Found = Hresult_From_Win32(Win32_Error::Not_Found);
const HRESULT Not_Connected = Hresult_From_Win32(Win32_Error::Device_Not_Connected);
const HRESULT Stall = Hresult_From_Win32(Win32_Error::Gen_Failure);
const HRESULT Bad_Port = Hresult_From_Win32(Win32_Error::Invalid_Parameter);

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// A number that looks like the host's instance hashes and differs for every devnode.
std::uint32_t Instance_Hash(std::uint32_t number) {
    return number * 0x2545F491u + 0x1A2B3C4Du;
}

class Simulated_Controller_Handle final : public Usb_Host_Controller {
public:
    explicit Simulated_Controller_Handle(const Simulated_Usb_Host_Controller& controller)
        : controller_(controller) {}
    HRESULT Driver_Key_Name(std::string& name) override {
        name = controller_.Devnode().Driver_Key;
        return S_OK;
    }
    HRESULT Root_Hub_Name(std::string& name) override {
        name = controller_.Root_Hub().Name();
        return S_OK;
    }

private:
    const Simulated_Usb_Host_Controller& controller_;
};

bool Connected(const Simulated_Usb_Device* device) {
    return device && device->Spec().Status == Usb_Connection_Status::Device_Connected;
}

// Hubs stay while the tree lives; the devices on their ports may change under a walk.
class Simulated_Hub_Handle final : public Usb_Hub {
public:
    Simulated_Hub_Handle(const Simulated_Usb_Hub& hub, std::mutex& tree_mutex)
        : hub_(hub), tree_mutex_(tree_mutex) {}

    HRESULT Node_Information(Usb_Hub_Information& information) override {
        information.Number_Of_Ports = hub_.Port_Count();
        return S_OK;
    }

    HRESULT Connection_Information(std::uint32_t port, Usb_Connection_Information& information) override {
        const std::lock_guard lock(tree_mutex_);
        if (!Valid(port))
            return Bad_Port;
        if (hub_.Connection_Fails(static_cast<std::uint8_t>(port)))
            return Stall;
        information = {};
        information.Connection_Index = port;
        const Simulated_Usb_Device* device = hub_.Device_On(static_cast<std::uint8_t>(port));
        if (!device)
            return S_OK;
        const Usb_Device_Description& desc = device->Spec();
        information.Device_Descriptor = desc.Descriptor;
        information.Connection_Status = static_cast<std::uint32_t>(desc.Status);
        if (Connected(device)) {
            information.Current_Configuration_Value = desc.Configurations.empty() ? 0 : 1;
            information.Speed = static_cast<std::uint8_t>(desc.Speed);
            information.Device_Address = device->Address();
        }
        information.Device_Is_Hub = device->Downstream_Hub() != nullptr;
        return S_OK;
    }

    HRESULT Port_Driver_Key_Name(std::uint32_t port, std::string& name) override {
        const std::lock_guard lock(tree_mutex_);
        const Simulated_Usb_Device* device = Device(port);
        if (!device)
            return Not_Connected;
        name = device->Devnode().Driver_Key;
        return S_OK;
    }

    HRESULT Port_Hub_Name(std::uint32_t port, std::string& name) override {
        const std::lock_guard lock(tree_mutex_);
        const Simulated_Usb_Device* device = Device(port);
        if (!device || !device->Downstream_Hub())
            return Not_Found;
        name = device->Downstream_Hub()->Name();
        return S_OK;
    }

    HRESULT Port_Descriptor(std::uint32_t port, const Usb_Descriptor_Request& request,
                            std::vector<std::uint8_t>& reply) override {
        const std::lock_guard lock(tree_mutex_);
        const Simulated_Usb_Device* device = Device(port);
        if (!Connected(device))
            return Not_Connected;
        const Usb_Device_Description& desc = device->Spec();
        const Descriptor_Bytes* bytes = nullptr;
        if (request.Type == 2 && request.Index < desc.Configurations.size())
            bytes = &desc.Configurations[request.Index];
        else if (request.Type == 15 && desc.Bos)
            bytes = &*desc.Bos;
        else if (request.Type == 3) {
            const auto found = desc.Strings.find({request.Index, request.Language_Id});
            if (found != desc.Strings.end())
                bytes = &found->second;
        }
        if (!bytes)
            return Stall; // a device refuses a descriptor it does not have
        reply.assign(bytes->begin(), bytes->begin() + std::min<std::size_t>(bytes->size(), request.Length));
        return S_OK;
    }

private:
    bool Valid(std::uint32_t port) const { return port >= 1 && port <= hub_.Port_Count(); }
    const Simulated_Usb_Device* Device(std::uint32_t port) const {
        return Valid(port) ? hub_.Device_On(static_cast<std::uint8_t>(port)) : nullptr;
    }

    const Simulated_Usb_Hub& hub_;
    std::mutex& tree_mutex_;
};

// Visits every hub below `hub` (itself included) and every device on their ports, depth first
// in port order.
void Visit(const Simulated_Usb_Hub& hub, const std::function<void(const Simulated_Usb_Hub&)>& on_hub,
           const std::function<void(const Simulated_Usb_Device&)>& on_device) {
    on_hub(hub);
    for (std::uint8_t port = 1; port <= hub.Port_Count(); ++port) {
        const Simulated_Usb_Device* device = hub.Device_On(port);
        if (!device)
            continue;
        on_device(*device);
        if (device->Downstream_Hub())
            Visit(*device->Downstream_Hub(), on_hub, on_device);
    }
}

} // namespace

Simulated_Usb_Device* Simulated_Usb_Hub::Device_On(std::uint8_t port) const {
    if (port < 1 || port > ports_.size())
        return nullptr;
    return ports_[port - 1].get();
}

std::string Simulated_Usb_Tree::Next_Driver_Key(const char* class_guid) {
    return Format("%s\\%04u", class_guid, driver_keys_++);
}

Simulated_Usb_Host_Controller& Simulated_Usb_Tree::Add_Host_Controller(std::uint8_t root_ports) {
    const std::lock_guard lock(mutex_);
    auto controller = std::make_unique<Simulated_Usb_Host_Controller>();
    const std::uint32_t number = Next_Number();
    const std::uint32_t hash = Instance_Hash(number);
    Simulated_Devnode& node = controller->devnode_;
    node.Dev_Inst = number;
    node.Instance_Id = Format("PCI\\VEN_8086&DEV_A36D&SUBSYS_00000000&REV_10\\3&%08X&0&%02X", hash, number);
    node.Description = "USB xHCI Compliant Host Controller";
    node.Hardware_Id = "PCI\\VEN_8086&DEV_A36D&SUBSYS_00000000&REV_10";
    node.Service = "USBXHCI";
    node.Class = "USB";
    node.Driver_Key = Next_Driver_Key(Usb_Setup_Class_Key);
    controller->path_ = Format("\\\\?\\pci#ven_8086&dev_a36d&subsys_00000000&rev_10#3&%08x&0&%02x#{3abf6f2d-"
                               "71c4-462a-8a92-1e6861e6af27}",
                               hash, number);

    auto root = std::make_unique<Simulated_Usb_Hub>(root_ports, nullptr);
    const std::uint32_t root_number = Next_Number();
    const std::uint32_t root_hash = Instance_Hash(root_number);
    root->name_ = Format("USB#ROOT_HUB30#4&%08x&0&0", root_hash) + Usb_Hub_Path_Suffix;
    Simulated_Devnode& root_node = root->devnode_;
    root_node.Dev_Inst = root_number;
    root_node.Instance_Id = Format("USB\\ROOT_HUB30\\4&%08X&0&0", root_hash);
    root_node.Parent_Instance_Id = node.Instance_Id;
    root_node.Description = "USB Root Hub (USB 3.0)";
    root_node.Hardware_Id = "USB\\ROOT_HUB30";
    root_node.Service = "USBHUB3";
    root_node.Class = "USB";
    root_node.Driver_Key = Next_Driver_Key(Usb_Setup_Class_Key);
    controller->root_hub_ = std::move(root);

    controllers_.push_back(std::move(controller));
    return *controllers_.back();
}

void Simulated_Usb_Tree::Report_Again(const Simulated_Usb_Host_Controller& controller) {
    const std::lock_guard lock(mutex_);
    reported_again_.push_back(&controller);
}

Simulated_Usb_Device& Simulated_Usb_Tree::Plug(Simulated_Usb_Hub& hub, std::uint8_t port,
                                               Usb_Device_Description desc) {
    if (port < 1 || port > hub.Port_Count() || hub.Device_On(port))
        std::abort(); // a tree with two devices on one port, or a port the hub lacks, is a bug
    auto device = std::make_unique<Simulated_Usb_Device>(std::move(desc), hub, port);
    Name_Device(*device);
    hub.ports_[port - 1] = std::move(device);
    return *hub.ports_[port - 1];
}

void Simulated_Usb_Tree::Name_Device(Simulated_Usb_Device& device) {
    const Usb_Device_Description& desc = device.desc_;
    const std::uint16_t vid = desc.Descriptor.idVendor;
    const std::uint16_t pid = desc.Descriptor.idProduct;
    const std::uint32_t number = Next_Number();
    const std::uint32_t hash = Instance_Hash(number);
    const unsigned port = device.port_;
    device.address_ = static_cast<std::uint16_t>(number & 0x7F);

    Simulated_Devnode& node = device.devnode_;
    node.Dev_Inst = number;
    const std::string instance = !desc.Instance.empty() ? desc.Instance : Format("5&%08X&0&%u", hash, port);
    node.Instance_Id = Format("USB\\VID_%04X&PID_%04X\\", vid, pid) + instance;
    node.Parent_Instance_Id = device.hub_.Devnode().Instance_Id;
    node.Description = desc.Description;
    node.Hardware_Id = !desc.Hardware_Id.empty()
                           ? desc.Hardware_Id
                           : Format("USB\\VID_%04X&PID_%04X&REV_%04X", vid, pid, desc.Descriptor.bcdDevice);
    node.Service = desc.Service;
    node.Class = desc.Class;
    node.Driver_Key = Next_Driver_Key(Usb_Setup_Class_Key);
    node.Address = port;
    if (desc.Listed)
        device.device_path_ =
            Format("\\\\?\\usb#vid_%04x&pid_%04x#", vid, pid) + Lower(instance) + Usb_Device_Path_Suffix;

    if (desc.Capture)
        Name_Capture_Function(device, *desc.Capture);
}

void Simulated_Usb_Tree::Name_Capture_Function(Simulated_Usb_Device& device,
                                               const Capture_Function_Description& capture) {
    const Usb_Device_Descriptor& descriptor = device.desc_.Descriptor;
    const std::uint16_t vid = descriptor.idVendor;
    const std::uint16_t pid = descriptor.idProduct;
    const std::uint32_t number = Next_Number();
    const std::string instance =
        !capture.Instance.empty() ? capture.Instance
                                  : Format("6&%08X&0&%04X", Instance_Hash(number), capture.Interface_Number);
    Simulated_Devnode function;
    function.Dev_Inst = number;
    function.Instance_Id =
        Format("USB\\VID_%04X&PID_%04X&MI_%02X\\", vid, pid, capture.Interface_Number) + instance;
    if (capture.Tells_Parent)
        function.Parent_Instance_Id = device.devnode_.Instance_Id;
    function.Description = "USB Video Device";
    function.Hardware_Id = !capture.Hardware_Id.empty()
                               ? capture.Hardware_Id
                               : Format("USB\\VID_%04X&PID_%04X&REV_%04X&MI_%02X", vid, pid,
                                        descriptor.bcdDevice, capture.Interface_Number);
    function.Service = "usbvideo";
    function.Class = "Camera";
    function.Driver_Key = Next_Driver_Key(Camera_Setup_Class_Key);
    function.Address = device.port_;
    device.capture_ = function;
    device.capture_path_ =
        Format("\\\\?\\usb#vid_%04x&pid_%04x&mi_%02x#", vid, pid, capture.Interface_Number) +
        Lower(instance) + Capture_Path_Suffix;
}

Simulated_Usb_Hub& Simulated_Usb_Tree::Add_Hub(Simulated_Usb_Hub& parent, std::uint8_t port,
                                               std::uint8_t ports, Usb_Device_Description device) {
    const std::lock_guard lock(mutex_);
    device.Capture.reset();
    device.Listed = false; // a hub's path is in the hub set
    Simulated_Usb_Device& hub_device = Plug(parent, port, std::move(device));
    auto hub = std::make_unique<Simulated_Usb_Hub>(ports, &hub_device);
    const Simulated_Devnode& node = hub_device.devnode_;
    // The hub's name is its device's instance id in interface form.
    std::string name = node.Instance_Id;
    std::replace(name.begin(), name.end(), '\\', '#');
    hub->name_ = name + Usb_Hub_Path_Suffix;
    hub_device.downstream_ = std::move(hub);
    return *hub_device.downstream_;
}

Simulated_Usb_Device& Simulated_Usb_Tree::Add_Device(Simulated_Usb_Hub& hub, std::uint8_t port,
                                                     Usb_Device_Description desc) {
    const std::lock_guard lock(mutex_);
    return Plug(hub, port, std::move(desc));
}

Simulated_Usb_Device* Simulated_Usb_Tree::Find_Capture_Device(const std::string& capture_path) const {
    const std::lock_guard lock(mutex_);
    const Simulated_Usb_Device* found = nullptr;
    for (const auto& controller : controllers_)
        Visit(
            controller->Root_Hub(), [](const Simulated_Usb_Hub&) {},
            [&](const Simulated_Usb_Device& device) {
                if (!found && device.Capture_Devnode() && device.Capture_Path() == capture_path)
                    found = &device;
            });
    // The tree hands out its devices for changing; the visit only reads.
    return const_cast<Simulated_Usb_Device*>(found);
}

Usb_Device_Description Simulated_Usb_Tree::Unplug(Simulated_Usb_Device& device) {
    const std::lock_guard lock(mutex_);
    if (device.Downstream_Hub())
        std::abort(); // unplugging a hub would take its devices along: no test or scenario needs it
    Simulated_Usb_Hub& hub = device.Hub();
    std::unique_ptr<Simulated_Usb_Device> taken = std::move(hub.ports_[device.Port() - 1]);
    return std::move(taken->desc_);
}

const Simulated_Usb_Hub* Simulated_Usb_Tree::Find_Hub(const std::string& name) const {
    const Simulated_Usb_Hub* found = nullptr;
    for (const auto& controller : controllers_)
        Visit(
            controller->Root_Hub(),
            [&](const Simulated_Usb_Hub& hub) {
                if (!found && hub.Name() == name)
                    found = &hub;
            },
            [](const Simulated_Usb_Device&) {});
    return found;
}

std::unique_ptr<Device_Set> Simulated_Usb_Tree::Open_Device_Set(const GUID* interface_class) {
    const std::lock_guard lock(mutex_);
    std::vector<Devnode_Entry> entries;
    const auto take = [&](const GUID& set_class, const Simulated_Devnode& node, const std::string& path) {
        if (!interface_class)
            entries.push_back({node, {}});
        else if (*interface_class == set_class && !path.empty())
            entries.push_back({node, path});
    };
    const GUID none{};
    for (const auto& controller : controllers_) {
        take(Usb_Host_Controller_Interface_Class, controller->Devnode(), controller->Path());
        Visit(
            controller->Root_Hub(),
            [&](const Simulated_Usb_Hub& hub) {
                if (hub.Is_Root())
                    take(Usb_Hub_Interface_Class, hub.Devnode(), "\\\\?\\" + hub.Name());
                else if (interface_class)
                    take(Usb_Hub_Interface_Class, hub.Devnode(), "\\\\?\\" + hub.Name());
            },
            [&](const Simulated_Usb_Device& device) {
                if (device.Downstream_Hub()) {
                    if (!interface_class)
                        take(none, device.Devnode(), {});
                    return;
                }
                take(Usb_Device_Interface_Class, device.Devnode(), device.Device_Path());
                if (device.Capture_Devnode())
                    take(Capture_Interface_Class, *device.Capture_Devnode(), device.Capture_Path());
            });
    }
    if (interface_class && *interface_class == Usb_Host_Controller_Interface_Class)
        for (const Simulated_Usb_Host_Controller* controller : reported_again_)
            entries.push_back({controller->Devnode(), controller->Path()});
    return Make_Devnode_Set(std::move(entries));
}

std::unique_ptr<Usb_Host_Controller> Simulated_Usb_Tree::Open_Host_Controller(const std::string& path) {
    const std::lock_guard lock(mutex_);
    for (const auto& controller : controllers_)
        if (controller->Path() == path)
            return std::make_unique<Simulated_Controller_Handle>(*controller);
    return nullptr;
}

std::unique_ptr<Usb_Hub> Simulated_Usb_Tree::Open_Hub(const std::string& name) {
    const std::lock_guard lock(mutex_);
    const Simulated_Usb_Hub* hub = Find_Hub(name);
    if (!hub || !hub->Opens())
        return nullptr;
    return std::make_unique<Simulated_Hub_Handle>(*hub, mutex_);
}

} // namespace platform::simulated
