#include "Usb_Test_Bed.h"

#include <gtest/gtest.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <umockdev.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

#include "Extension_Unit_Class/Usb_Descriptor_Parsing.h"
#include "platform/Ks_Property.h"
#include "platform/Text_Format.h"

namespace test {

namespace {

using platform::Format;
using platform::simulated::Usb_Device_Description;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint16_t English_US = 0x0409;

std::string Hex(const Bytes& bytes) {
    std::string text;
    for (const std::uint8_t byte : bytes)
        text += Format("%02X", byte);
    return text;
}

// The text of a string the device has in US English, for sysfs.
std::string String_Text(const Usb_Device_Description& desc, std::uint8_t index) {
    const auto found = desc.Strings.find({index, English_US});
    return index == 0 || found == desc.Strings.end() ? std::string() : String_Descriptor_Text(found->second);
}

struct Interface_Row {
    std::uint8_t Number, Class, Subclass, Protocol, Endpoints;
};

// The interfaces (alternate setting 0) of a configuration.
std::vector<Interface_Row> Interfaces_Of(const Bytes& configuration) {
    std::vector<Interface_Row> rows;
    for (std::size_t at = 0; at + 2 <= configuration.size() && configuration[at] >= 2;
         at += configuration[at]) {
        const std::uint8_t* d = &configuration[at];
        if (at + d[0] <= configuration.size() && d[1] == 4 && d[0] >= 9 && d[3] == 0)
            rows.push_back({d[2], d[5], d[6], d[7], d[4]});
    }
    return rows;
}

std::vector<std::uint8_t> Read_Data_File(const std::string& relative_path) {
    std::ifstream file(std::string(ZUNQ_SOURCE_DIR) + "/tests/data/" + relative_path, std::ios::binary);
    EXPECT_TRUE(file) << relative_path;
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

gboolean On_Ioctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer device) {
    return static_cast<Emulated_Usb_Device*>(device)->Handle(client) ? TRUE : FALSE;
}

void On_Vanished(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer device) {
    static_cast<Emulated_Usb_Device*>(device)->Forget(client);
}

} // namespace

Emulated_Usb_Device::~Emulated_Usb_Device() {
    driver_changed_ = nullptr; // the bed's directories are gone by now
    while (!urbs_.empty())
        Forget(urbs_.begin()->first);
}

void Emulated_Usb_Device::Forget(UMockdevIoctlClient* client) {
    const std::lock_guard lock(mutex_);
    for (auto claim = claimants_.begin(); claim != claimants_.end();) { // the kernel releases them
        if (claim->second == client) {
            Set_Driver(claim->first, "");
            claim = claimants_.erase(claim);
        } else {
            ++claim;
        }
    }
    const auto found = urbs_.find(client);
    if (found == urbs_.end())
        return;
    for (_UMockdevIoctlData* urb : found->second.Reapable)
        g_object_unref(urb);
    for (_UMockdevIoctlData* urb : found->second.Held)
        g_object_unref(urb);
    urbs_.erase(found);
}

void Emulated_Usb_Device::Route_Unit(std::uint8_t interface, std::uint8_t unit, std::uint32_t node,
                                     const platform::GUID& guid,
                                     std::shared_ptr<platform::simulated::Simulated_Camera> camera) {
    const std::lock_guard lock(mutex_);
    routes_[{interface, unit}] = {node, guid, std::move(camera)};
}

void Emulated_Usb_Device::Bind_Driver(std::uint8_t interface, std::string driver) {
    const std::lock_guard lock(mutex_);
    kernel_drivers_[interface] = driver;
    drivers_[interface] = std::move(driver);
}

void Emulated_Usb_Device::Unbind_Driver(std::uint8_t interface) {
    const std::lock_guard lock(mutex_);
    Set_Driver(interface, "");
}

void Emulated_Usb_Device::On_Driver_Change(std::function<void(std::uint8_t, const std::string&)> changed) {
    const std::lock_guard lock(mutex_);
    driver_changed_ = std::move(changed);
}

void Emulated_Usb_Device::Set_Driver(std::uint8_t interface, std::string driver) {
    if (driver_changed_)
        driver_changed_(interface, driver);
    drivers_[interface] = std::move(driver);
}

std::string Emulated_Usb_Device::Driver(std::uint8_t interface) const {
    const std::lock_guard lock(mutex_);
    const auto found = drivers_.find(interface);
    return found == drivers_.end() ? std::string() : found->second;
}

unsigned Emulated_Usb_Device::Detaches() const {
    const std::lock_guard lock(mutex_);
    return detaches_;
}

unsigned Emulated_Usb_Device::Attaches() const {
    const std::lock_guard lock(mutex_);
    return attaches_;
}

std::vector<Setup_Packet> Emulated_Usb_Device::Requests() const {
    const std::lock_guard lock(mutex_);
    return requests_;
}

void Emulated_Usb_Device::Unplug() {
    const std::lock_guard lock(mutex_);
    unplugged_ = true;
}

void Emulated_Usb_Device::Hold_Transfers(bool hold) {
    const std::lock_guard lock(mutex_);
    hold_ = hold;
}

void Emulated_Usb_Device::Answer_Short(bool short_answers) {
    const std::lock_guard lock(mutex_);
    short_ = short_answers;
}

void Emulated_Usb_Device::Refuse_Claims(bool refuse) {
    const std::lock_guard lock(mutex_);
    refuse_claims_ = refuse;
}

std::pair<int, int> Emulated_Usb_Device::Answer(const Setup_Packet& setup, std::uint8_t* data) {
    constexpr std::uint8_t Get_Descriptor = 6;
    if (setup.Request_Type != 0x80 || setup.Request != Get_Descriptor)
        return Answer_Class(setup, data);
    const std::uint8_t type = setup.Value >> 8;
    const std::uint8_t index = setup.Value & 0xFF;
    Bytes bytes;
    if (type == 1)
        bytes = platform::Usb_Device_Descriptor_Bytes(desc_.Descriptor);
    else if (type == 2 && index < desc_.Configurations.size())
        bytes = desc_.Configurations[index];
    else if (type == 3 && desc_.Strings.contains({index, setup.Index}))
        bytes = desc_.Strings.at({index, setup.Index});
    else if (type == 15 && desc_.Bos)
        bytes = *desc_.Bos;
    else
        return {-EPIPE, 0};
    const std::size_t moved = std::min<std::size_t>(bytes.size(), setup.Length);
    std::copy_n(bytes.begin(), moved, data);
    return {0, static_cast<int>(moved)};
}

std::pair<int, int> Emulated_Usb_Device::Answer_Class(const Setup_Packet& setup, std::uint8_t* data) {
    const bool out = setup.Request_Type == 0x21;
    if (!out && setup.Request_Type != 0xA1)
        return {-EPIPE, 0};
    const auto route = routes_.find(
        {static_cast<std::uint8_t>(setup.Index & 0xFF), static_cast<std::uint8_t>(setup.Index >> 8)});
    if (route == routes_.end())
        return {-EPIPE, 0};
    platform::KSP_NODE property{};
    property.Property.Set = route->second.Guid;
    property.Property.Id = setup.Value >> 8;
    property.Property.Flags = (out ? platform::KSPROPERTY_TYPE_SET : platform::KSPROPERTY_TYPE_GET) |
                              platform::KSPROPERTY_TYPE_TOPOLOGY;
    property.NodeId = route->second.Node;
    std::uint32_t returned = 0;
    constexpr std::uint8_t Set_Cur = 0x01, Get_Cur = 0x81, Get_Len = 0x85;
    if (!out && setup.Request == Get_Len) {
        const platform::HRESULT result =
            route->second.Camera->Ks_Property(property, sizeof property, nullptr, 0, &returned);
        if (result != platform::E_MORE_DATA || setup.Length < 2)
            return {-EPIPE, 0};
        data[0] = static_cast<std::uint8_t>(returned);
        data[1] = static_cast<std::uint8_t>(returned >> 8);
        return {0, 2};
    }
    if (setup.Request != (out ? Set_Cur : Get_Cur))
        return {-EPIPE, 0};
    const platform::HRESULT result =
        route->second.Camera->Ks_Property(property, sizeof property, data, setup.Length, &returned);
    if (result < 0)
        return {-EPIPE, 0}; // a device stalls what it refuses
    return {0, short_ && !out && setup.Length > 0 ? setup.Length - 1 : setup.Length};
}

bool Emulated_Usb_Device::Handle(UMockdevIoctlClient* client) {
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* argument = umockdev_ioctl_client_get_arg(client);
    const auto fail = [&](int error) {
        umockdev_ioctl_client_complete(client, -1, error);
        return true;
    };
    const auto done = [&] {
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    };
    const auto resolve = [&](std::size_t length) -> std::uint8_t* {
        UMockdevIoctlData* data = umockdev_ioctl_data_resolve(argument, 0, length, nullptr);
        return data ? data->data : nullptr;
    };
    const std::lock_guard lock(mutex_);
    if (unplugged_)
        return fail(ENODEV);
    auto& reapable = urbs_[client].Reapable;
    auto& held = urbs_[client].Held;
    switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
        const std::uint32_t none = 0;
        std::memcpy(resolve(sizeof none), &none, sizeof none);
        return done();
    }
    case USBDEVFS_GETDRIVER: {
        auto* query = reinterpret_cast<usbdevfs_getdriver*>(resolve(sizeof(usbdevfs_getdriver)));
        const auto found = drivers_.find(static_cast<std::uint8_t>(query->interface));
        if (found == drivers_.end() || found->second.empty())
            return fail(ENODATA);
        std::snprintf(query->driver, sizeof query->driver, "%s", found->second.c_str());
        return done();
    }
    case USBDEVFS_IOCTL: {
        const auto* command = reinterpret_cast<const usbdevfs_ioctl*>(resolve(sizeof(usbdevfs_ioctl)));
        const auto interface = static_cast<std::uint8_t>(command->ifno);
        const std::string driver = drivers_[interface];
        if (static_cast<unsigned>(command->ioctl_code) == USBDEVFS_DISCONNECT) {
            if (driver.empty() || driver == "usbfs")
                return fail(ENODATA);
            Set_Driver(interface, "");
            ++detaches_;
            return done();
        }
        if (static_cast<unsigned>(command->ioctl_code) == USBDEVFS_CONNECT) {
            if (!driver.empty())
                return fail(EBUSY);
            Set_Driver(interface, kernel_drivers_[interface]);
            ++attaches_;
            return done();
        }
        return fail(ENOTTY);
    }
    case USBDEVFS_CLAIMINTERFACE: {
        unsigned number = 0;
        std::memcpy(&number, resolve(sizeof number), sizeof number);
        const auto interface = static_cast<std::uint8_t>(number);
        const std::string& driver = drivers_[interface];
        if (driver == "usbfs" && claimants_[interface] == client)
            return done();
        if (refuse_claims_ || !driver.empty())
            return fail(EBUSY);
        Set_Driver(interface, "usbfs");
        claimants_[interface] = client;
        return done();
    }
    case USBDEVFS_RELEASEINTERFACE: {
        unsigned number = 0;
        std::memcpy(&number, resolve(sizeof number), sizeof number);
        const auto interface = static_cast<std::uint8_t>(number);
        const auto claim = claimants_.find(interface);
        if (claim == claimants_.end() || claim->second != client)
            return fail(EINVAL);
        claimants_.erase(claim);
        Set_Driver(interface, "");
        return done();
    }
    case USBDEVFS_SUBMITURB: {
        UMockdevIoctlData* urb_data = umockdev_ioctl_data_resolve(argument, 0, sizeof(usbdevfs_urb), nullptr);
        auto* urb = reinterpret_cast<usbdevfs_urb*>(urb_data->data);
        if (urb->type != USBDEVFS_URB_TYPE_CONTROL || urb->buffer_length < 8)
            return fail(EINVAL);
        UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(
            urb_data, offsetof(usbdevfs_urb, buffer), static_cast<std::size_t>(urb->buffer_length), nullptr);
        urb = reinterpret_cast<usbdevfs_urb*>(urb_data->data);
        const std::uint8_t* s = buffer->data;
        const Setup_Packet setup{s[0], s[1], static_cast<std::uint16_t>(s[2] | s[3] << 8),
                                 static_cast<std::uint16_t>(s[4] | s[5] << 8),
                                 static_cast<std::uint16_t>(s[6] | s[7] << 8)};
        if (setup.Length > urb->buffer_length - 8)
            return fail(EINVAL);
        requests_.push_back(setup);
        g_object_ref(urb_data);
        if (hold_) {
            held.push_back(urb_data);
            return done();
        }
        const auto [status, moved] = Answer(setup, buffer->data + 8);
        urb->status = status;
        urb->actual_length = moved;
        reapable.push_back(urb_data);
        return done();
    }
    case USBDEVFS_DISCARDURB: {
        const auto address = *reinterpret_cast<const unsigned long*>(argument->data);
        const auto found = std::find_if(held.begin(), held.end(),
                                        [&](UMockdevIoctlData* urb) { return urb->client_addr == address; });
        if (found == held.end())
            return fail(EINVAL);
        auto* urb = reinterpret_cast<usbdevfs_urb*>((*found)->data);
        urb->status = -ENOENT;
        urb->actual_length = 0;
        reapable.push_back(*found);
        held.erase(found);
        return done();
    }
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY: {
        if (reapable.empty())
            return fail(EAGAIN);
        UMockdevIoctlData* reaped = reapable.front();
        reapable.erase(reapable.begin());
        UMockdevIoctlData* pointer = umockdev_ioctl_data_resolve(argument, 0, sizeof(void*), nullptr);
        umockdev_ioctl_data_set_ptr(pointer, 0, reaped);
        g_object_unref(reaped);
        return done();
    }
    default:
        return fail(ENOTTY);
    }
}

Usb_Test_Bed::Usb_Test_Bed() {
    bed_ = umockdev_testbed_new(); // sets UMOCKDEV_DIR, which the preloaded library follows
    EXPECT_TRUE(umockdev_in_mock_environment()) << "run under umockdev-wrapper (LD_PRELOAD of its library)";
}

Usb_Test_Bed::~Usb_Test_Bed() {
    for (auto& [location, placed] : devices_)
        Detach(location, placed);
    for (auto& [location, placed] : removed_)
        Detach(location, placed);
    g_object_unref(bed_);
}

void Usb_Test_Bed::Detach(const Usb_Location& at, Placed& placed) {
    const std::string node = Format("/dev/bus/usb/%03u/%03u", at.Bus, placed.Address);
    umockdev_testbed_detach_ioctl(bed_, node.c_str(), nullptr);
    g_object_unref(placed.Handler);
}

std::string Usb_Test_Bed::Root() const {
    gchar* root = umockdev_testbed_get_root_dir(bed_);
    std::string text = root;
    g_free(root);
    return text;
}

Emulated_Usb_Device& Usb_Test_Bed::Add_Root_Hub(std::uint8_t bus, std::uint8_t ports,
                                                std::uint16_t usb_version) {
    const std::string controller = Format("/devices/pci0000:00/0000:00:%02x.0", bus);
    const std::string text =
        "P: " + controller +
        "\nE: SUBSYSTEM=pci\nE: DRIVER=xhci_hcd\nL: driver=../../../bus/pci/drivers/xhci_hcd\n";
    EXPECT_TRUE(umockdev_testbed_add_from_string(bed_, text.c_str(), nullptr));
    Usb_Device_Description desc =
        platform::simulated::Hub_Device(0x1D6B, usb_version >= 0x0300 ? 0x0003 : 0x0002);
    desc.Descriptor.bcdUSB = usb_version;
    desc.Descriptor.iManufacturer = 3;
    desc.Descriptor.iProduct = 2;
    desc.Descriptor.iSerialNumber = 1;
    desc.Set_Languages({English_US});
    desc.Set_String(1, Format("0000:00:%02x.0", bus));
    desc.Set_String(2, "xHCI Host Controller");
    desc.Set_String(3, "Linux xhci-hcd");
    return Place(Usb_Location{bus, {}}, std::move(desc),
                 {{{0, "hub"}}, usb_version >= 0x0300 ? "5000" : "480"}, ports);
}

Emulated_Usb_Device& Usb_Test_Bed::Add_Hub(const Usb_Location& at, std::uint8_t ports) {
    return Place(at, platform::simulated::Hub_Device(), {{{0, "hub"}}, "480"}, ports);
}

Emulated_Usb_Device& Usb_Test_Bed::Add_Device(const Usb_Location& at, Usb_Device_Description desc,
                                              const Device_Options& options) {
    return Place(at, std::move(desc), options, 0);
}

Emulated_Usb_Device& Usb_Test_Bed::Place(const Usb_Location& at, Usb_Device_Description desc,
                                         const Device_Options& options, std::uint8_t ports) {
    const std::uint16_t address = at.Is_Root_Hub() ? 1 : ++next_address_.try_emplace(at.Bus, 1).first->second;
    const std::string parent = at.Is_Root_Hub() ? Format("/devices/pci0000:00/0000:00:%02x.0", at.Bus)
                                                : devices_.at(at.Parent()).Devpath;
    Placed placed;
    placed.Address = address;
    placed.Devpath = parent + "/" + at.Sysfs_Name();
    const platform::Usb_Device_Descriptor& d = desc.Descriptor;
    const std::string product = Format("%x/%x/%x", d.idVendor, d.idProduct, d.bcdDevice);
    const std::string node = Format("bus/usb/%03u/%03u", at.Bus, address);
    Bytes descriptors = platform::Usb_Device_Descriptor_Bytes(d);
    for (const Bytes& configuration : desc.Configurations)
        descriptors.insert(descriptors.end(), configuration.begin(), configuration.end());
    std::string text = "P: " + placed.Devpath + "\nN: " + node + "\nE: DEVNAME=/dev/" + node +
                       "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: PRODUCT=" + product +
                       Format("\nE: TYPE=%u/%u/%u\nE: BUSNUM=%03u\nE: DEVNUM=%03u\n", d.bDeviceClass,
                              d.bDeviceSubClass, d.bDeviceProtocol, at.Bus, address);
    text += Format("A: busnum=%u\\n\nA: devnum=%u\\n\nA: maxchild=%u\\n\nA: bConfigurationValue=%u\\n\n",
                   at.Bus, address, ports, desc.Configurations.empty() ? 0 : 1);
    text += Format("A: idVendor=%04x\\n\nA: idProduct=%04x\\n\nA: bDeviceClass=%02x\\n\nA: dev=189:%u\\n\n",
                   d.idVendor, d.idProduct, d.bDeviceClass, (at.Bus - 1) * 128 + address - 1);
    text += "A: speed=" + options.Speed + "\\n\n";
    const std::pair<const char*, std::uint8_t> strings[] = {
        {"manufacturer", d.iManufacturer}, {"product", d.iProduct}, {"serial", d.iSerialNumber}};
    for (const auto& [name, index] : strings)
        if (const std::string value = String_Text(desc, index); !value.empty())
            text += std::string("A: ") + name + "=" + value + "\\n\n";
    text += "H: descriptors=" + Hex(descriptors) + "\nL: driver=../../../../../bus/usb/drivers/usb\n";
    EXPECT_TRUE(umockdev_testbed_add_from_string(bed_, text.c_str(), nullptr)) << text;

    std::map<std::uint8_t, std::filesystem::path> interface_directories;
    if (!desc.Configurations.empty()) {
        const std::string device_name = at.Is_Root_Hub() ? Format("%u-0", at.Bus) : at.Sysfs_Name();
        for (const Interface_Row& row : Interfaces_Of(desc.Configurations.front())) {
            const std::string path = placed.Devpath + "/" + device_name + Format(":1.%u", row.Number);
            std::string interface =
                "P: " + path + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nE: PRODUCT=" + product +
                Format("\nE: INTERFACE=%u/%u/%u\n", row.Class, row.Subclass, row.Protocol);
            interface += Format(
                "A: bInterfaceNumber=%02x\\n\nA: bAlternateSetting= 0\\n\nA: bInterfaceClass=%02x\\n\n"
                "A: bInterfaceSubClass=%02x\\n\nA: bInterfaceProtocol=%02x\\n\nA: bNumEndpoints=%02x\\n\n",
                row.Number, row.Class, row.Subclass, row.Protocol, row.Endpoints);
            const auto driver = options.Interface_Drivers.find(row.Number);
            if (driver != options.Interface_Drivers.end())
                interface += "L: driver=../../../../../../bus/usb/drivers/" + driver->second + "\n";
            EXPECT_TRUE(umockdev_testbed_add_from_string(bed_, interface.c_str(), nullptr)) << interface;
            placed.Interface_Paths.push_back("/sys" + path);
            interface_directories[row.Number] = Root() + "/sys" + path;
        }
    }

    placed.Device = std::make_unique<Emulated_Usb_Device>(std::move(desc));
    for (const auto& [interface, driver] : options.Interface_Drivers)
        placed.Device->Bind_Driver(interface, driver);
    placed.Device->On_Driver_Change(
        [interface_directories](std::uint8_t interface, const std::string& driver) {
            const auto directory = interface_directories.find(interface);
            if (directory == interface_directories.end())
                return;
            std::error_code error;
            std::filesystem::remove(directory->second / "driver", error);
            if (!driver.empty())
                std::filesystem::create_directory_symlink("../../../../../../bus/usb/drivers/" + driver,
                                                          directory->second / "driver", error);
        });
    placed.Handler = umockdev_ioctl_base_new();
    g_signal_connect(placed.Handler, "handle-ioctl", G_CALLBACK(On_Ioctl), placed.Device.get());
    g_signal_connect(placed.Handler, "client-vanished", G_CALLBACK(On_Vanished), placed.Device.get());
    GError* error = nullptr;
    EXPECT_TRUE(umockdev_testbed_attach_ioctl(bed_, ("/dev/" + node).c_str(), placed.Handler, &error))
        << (error ? error->message : "");
    if (error)
        g_error_free(error);
    Emulated_Usb_Device& device = *placed.Device;
    devices_.insert_or_assign(at, std::move(placed));
    for (std::uint8_t port = 1; port <= ports; ++port)
        std::filesystem::create_directories(Port_Directory(at, port));
    return device;
}

void Usb_Test_Bed::Announce_Interfaces(const Usb_Location& at, const char* action) {
    for (const std::string& path : devices_.at(at).Interface_Paths)
        umockdev_testbed_uevent(bed_, path.c_str(), action);
}

void Usb_Test_Bed::Share_With_Every_User() {
    chmod(Root().c_str(), 01777);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(Root() + "/ioctl"))
        chmod(entry.path().c_str(), 0777);
}

void Usb_Test_Bed::Lock_Node(const Usb_Location& at) {
    chmod((Root() + Format("/dev/bus/usb/%03u/%03u", at.Bus, devices_.at(at).Address)).c_str(), 0);
}

void Usb_Test_Bed::Link_Driver(const Usb_Location& at, std::uint8_t interface, const std::string& driver) {
    const Placed& placed = devices_.at(at);
    const std::string device_name = at.Is_Root_Hub() ? Format("%u-0", at.Bus) : at.Sysfs_Name();
    const std::string path = "/sys" + placed.Devpath + "/" + device_name + Format(":1.%u", interface);
    std::remove((Root() + path + "/driver").c_str());
    umockdev_testbed_set_attribute_link(bed_, path.c_str(), "driver",
                                        ("../../../../../../bus/usb/drivers/" + driver).c_str());
}

std::string Usb_Test_Bed::Port_Directory(const Usb_Location& hub, std::uint8_t port) const {
    const std::string name = hub.Sysfs_Name();
    const std::string interface = hub.Is_Root_Hub() ? Format("%u-0:1.0", hub.Bus) : name + ":1.0";
    return Format("%s/sys%s/%s/%s-port%u", Root().c_str(), devices_.at(hub).Devpath.c_str(),
                  interface.c_str(), name.c_str(), port);
}

void Usb_Test_Bed::Pair_Ports(const Usb_Location& hub, std::uint8_t port, const Usb_Location& peer_hub,
                              std::uint8_t peer_port) {
    const std::filesystem::path first = Port_Directory(hub, port),
                                second = Port_Directory(peer_hub, peer_port);
    std::filesystem::create_directory_symlink(std::filesystem::relative(second, first), first / "peer");
    std::filesystem::create_directory_symlink(std::filesystem::relative(first, second), second / "peer");
}

void Usb_Test_Bed::Remove_Device(const Usb_Location& at) {
    Placed& placed = devices_.at(at);
    placed.Device->Unplug();
    Announce_Interfaces(at, "remove");
    const std::string device = "/sys" + placed.Devpath;
    umockdev_testbed_uevent(bed_, device.c_str(), "remove");
    for (const std::string& path : placed.Interface_Paths)
        umockdev_testbed_remove_device(bed_, path.c_str());
    umockdev_testbed_remove_device(bed_, device.c_str());
    removed_.emplace_back(at, std::move(placed));
    devices_.erase(at);
}

std::vector<std::uint8_t>
Configuration_With_Units(const std::vector<std::pair<std::uint8_t, platform::GUID>>& units) {
    Bytes control{
        0x0D, 0x24, 0x01, 0x00, 0x01, 0x00, 0x00, 0x80, 0x8D, 0x5B, 0x00, 0x01, 0x01, // VC header, UVC 1.00
        0x12, 0x24, 0x02, 0x01, 0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,             // camera terminal 1
        0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,
    };
    std::uint8_t source = 1;
    for (const auto& [unit, guid] : units) {
        Bytes extension{28, 0x24, 0x06, unit};
        const std::uint8_t g[16] = {
            static_cast<std::uint8_t>(guid.Data1),       static_cast<std::uint8_t>(guid.Data1 >> 8),
            static_cast<std::uint8_t>(guid.Data1 >> 16), static_cast<std::uint8_t>(guid.Data1 >> 24),
            static_cast<std::uint8_t>(guid.Data2),       static_cast<std::uint8_t>(guid.Data2 >> 8),
            static_cast<std::uint8_t>(guid.Data3),       static_cast<std::uint8_t>(guid.Data3 >> 8)};
        extension.insert(extension.end(), g, g + 8);
        extension.insert(extension.end(), guid.Data4.begin(), guid.Data4.end());
        // 24 controls, one input pin from the unit before, 3 bytes of control bits, no string.
        extension.insert(extension.end(), {24, 1, source, 3, 0xFF, 0xFF, 0xFF, 0});
        control.insert(control.end(), extension.begin(), extension.end());
        source = unit;
    }
    control.insert(control.end(),
                   {0x09, 0x24, 0x03, 0x20, 0x01, 0x01, 0x00, source, 0x00}); // streaming terminal
    control[5] = static_cast<std::uint8_t>(control.size());
    control[6] = static_cast<std::uint8_t>(control.size() >> 8);
    const Bytes head{9, 2,    0, 0, 2,    1,    0,    0x80, 0xFA, // configuration, two interfaces
                     8, 0x0B, 0, 2, 0x0E, 0x03, 0,    0,          // interface association: video
                     9, 0x04, 0, 0, 0,    0x0E, 0x01, 0,    0};   // video-control interface 0
    const Bytes streaming{9, 0x04, 1, 0, 0, 0x0E, 0x02, 0, 0};    // video-streaming interface 1
    // Joined into a vector that starts empty: appending to one made from a list of constants
    // makes GCC 12's optimiser warn of a copy past that list's storage, which never happens.
    Bytes bytes;
    for (const Bytes* part : std::initializer_list<const Bytes*>{&head, &control, &streaming})
        bytes.insert(bytes.end(), part->begin(), part->end());
    bytes[2] = static_cast<std::uint8_t>(bytes.size());
    bytes[3] = static_cast<std::uint8_t>(bytes.size() >> 8);
    return bytes;
}

platform::simulated::Usb_Device_Description Real_Camera_Description(const std::string& name) {
    const Bytes device = Read_Data_File("uvc-descriptors/" + name + ".device.bin");
    Usb_Device_Description desc;
    if (const auto descriptor = platform::Usb_Device_Descriptor_From(device))
        desc.Descriptor = *descriptor;
    desc.Configurations.push_back(Read_Data_File("uvc-descriptors/" + name + ".config.bin"));
    return desc;
}

} // namespace test
