#pragma once
// The USB host as the camera library's hub walk sees it: sets of present devices by
// device-interface class, with the properties of each device; host controllers, which name
// their root hub; hubs, which describe their ports; and the device on a port, which answers
// descriptor requests. Everything here is read-only and answers what the host knows now.
//
// The library asks in a fixed shape (enumerate, read a property, open, ask a port) and relies
// on the failures being told apart only where this contract says so: "no more items" ends an
// enumeration, any other failure means "not this one". Results are HRESULTs (Result_Code.h);
// a call that fails leaves its output untouched or empty.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Guid.h"
#include "platform/Result_Code.h"

namespace platform {

// Device-interface classes the hub walk opens sets of.
inline constexpr GUID Usb_Device_Interface_Class = Guid_Literal("{A5DCBF10-6530-11D2-901F-00C04FB951ED}");
inline constexpr GUID Usb_Hub_Interface_Class = Guid_Literal("{F18A0E88-C30C-11D0-8815-00A0C906BED8}");
inline constexpr GUID Usb_Host_Controller_Interface_Class =
    Guid_Literal("{3ABF6F2D-71C4-462A-8A92-1E6861E6AF27}");
// Video capture devices (a camera's video function).
inline constexpr GUID Capture_Interface_Class = Guid_Literal("{65E8773D-8F56-11D0-A3B9-00A0C9223196}");

// How a backend's interface paths and hub names end for each class ("#{guid}" in lower case; a
// capture path ends "\global" besides), and how driver keys start for the setup classes of USB
// devices and of cameras. Every backend names devices in this one form, which is the form the
// library's path parser reads.
inline constexpr const char* Usb_Device_Path_Suffix = "#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
inline constexpr const char* Usb_Hub_Path_Suffix = "#{f18a0e88-c30c-11d0-8815-00a0c906bed8}";
inline constexpr const char* Usb_Host_Controller_Path_Suffix = "#{3abf6f2d-71c4-462a-8a92-1e6861e6af27}";
inline constexpr const char* Capture_Path_Suffix = "#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
inline constexpr const char* Usb_Setup_Class_Key = "{36FC9E60-C465-11CF-8056-444553540000}";
inline constexpr const char* Camera_Setup_Class_Key = "{CA3E7AB9-B4C3-4AE6-8251-579EF933890F}";

namespace usb_host_detail {
constexpr bool Names_Class(const char* suffix, const GUID& interface_class) {
    return Parse_Guid(std::string_view(suffix).substr(1, 38)) == interface_class;
}
static_assert(Names_Class(Usb_Device_Path_Suffix, Usb_Device_Interface_Class) &&
              Names_Class(Usb_Hub_Path_Suffix, Usb_Hub_Interface_Class) &&
              Names_Class(Usb_Host_Controller_Path_Suffix, Usb_Host_Controller_Interface_Class) &&
              Names_Class(Capture_Path_Suffix, Capture_Interface_Class));
} // namespace usb_host_detail

// Answer of an enumeration past its last entry.
inline constexpr HRESULT E_NO_MORE_ITEMS = Hresult_From_Win32(Win32_Error::No_More_Items);

// Text properties of a device (a devnode). Texts are UTF-8.
enum class Device_Property {
    Description,        // the device's description
    Hardware_Id,        // the first of its hardware ids, e.g. USB\VID_0A1B&PID_2C3D&REV_0100&MI_00
    Service,            // the driver service that runs it
    Class,              // its setup class name, e.g. "USB" or "Image"
    Driver_Key,         // its driver key name, unique per device on the host
    Instance_Id,        // its instance id, e.g. USB\VID_0A1B&PID_2C3D\5&1A2B3C4D&0&2
    Parent_Instance_Id, // the instance id of the device it is a function of (its parent devnode)
};

// One element of a set: a device.
struct Device_Element {
    std::uint32_t Dev_Inst = 0; // the host's handle number of the device, for trace lines
};

// One interface of a set's class, exposed by one of its elements.
struct Device_Interface {
    std::uint32_t Index = 0;   // its position among the set's interfaces
    std::uint32_t Element = 0; // the index of the element that exposes it
    std::uint32_t Flags = 0;   // active (1), default (2), removed (4)
};

// The present devices that expose one device-interface class, or every present device. A set is
// a snapshot taken when it is opened. Elements and interfaces are numbered from 0; asking for
// one past the last answers E_NO_MORE_ITEMS, and every number below it is answered (S_OK, or
// another failure for an element the host cannot read now, which the caller skips).
class Device_Set {
public:
    virtual ~Device_Set() = default;

    virtual HRESULT Element(std::uint32_t index, Device_Element& element) = 0;
    // The index-th interface of the set's class over all elements.
    virtual HRESULT Interface(std::uint32_t index, Device_Interface& interface) = 0;
    // The first interface of the set's class that element `element` exposes.
    virtual HRESULT Interface_Of_Element(std::uint32_t element, Device_Interface& interface) = 0;
    // The interface's device path, the name it is opened by.
    virtual HRESULT Interface_Path(const Device_Interface& interface, std::string& path) = 0;

    // A text property of element `element`; fails when the device has none.
    virtual HRESULT Property(std::uint32_t element, Device_Property property, std::string& text) = 0;
    // The element's address on its bus: for a USB device, or a function of one, the number of
    // the hub port the device is plugged into.
    virtual HRESULT Address(std::uint32_t element, std::uint32_t& address) = 0;
};

// A host controller, opened by its interface path.
class Usb_Host_Controller {
public:
    virtual ~Usb_Host_Controller() = default;
    // The controller's driver key name (the Driver_Key property of its device).
    virtual HRESULT Driver_Key_Name(std::string& name) = 0;
    // The name of its root hub, as Usb_Host::Open_Hub takes it.
    virtual HRESULT Root_Hub_Name(std::string& name) = 0;
};

// The 18-byte standard device descriptor, field by field.
struct Usb_Device_Descriptor {
    std::uint8_t bLength = 18;
    std::uint8_t bDescriptorType = 1;
    std::uint16_t bcdUSB = 0x0200;
    std::uint8_t bDeviceClass = 0;
    std::uint8_t bDeviceSubClass = 0;
    std::uint8_t bDeviceProtocol = 0;
    std::uint8_t bMaxPacketSize0 = 64;
    std::uint16_t idVendor = 0;
    std::uint16_t idProduct = 0;
    std::uint16_t bcdDevice = 0;
    std::uint8_t iManufacturer = 0;
    std::uint8_t iProduct = 0;
    std::uint8_t iSerialNumber = 0;
    std::uint8_t bNumConfigurations = 1;
};

// The state of a hub port.
enum class Usb_Connection_Status : std::uint32_t {
    No_Device_Connected = 0,
    Device_Connected = 1,
    Device_Failed_Enumeration = 2,
    Device_General_Failure = 3,
    Device_Caused_Overcurrent = 4,
    Device_Not_Enough_Power = 5,
};

enum class Usb_Speed : std::uint8_t { Low = 0, Full = 1, High = 2, Super = 3 };

// What a hub knows about one of its ports and the device on it.
struct Usb_Connection_Information {
    std::uint32_t Connection_Index = 0; // the port number, from 1
    Usb_Device_Descriptor Device_Descriptor{};
    std::uint8_t Current_Configuration_Value = 0;
    std::uint8_t Speed = 0; // a Usb_Speed value, the fastest the device runs at now
    bool Device_Is_Hub = false;
    std::uint16_t Device_Address = 0;
    std::uint32_t Number_Of_Open_Pipes = 0;
    std::uint32_t Connection_Status = 0; // a Usb_Connection_Status value
};

struct Usb_Hub_Information {
    std::uint8_t Number_Of_Ports = 0; // from the hub descriptor
};

// A standard GET_DESCRIPTOR request to the device on a port.
struct Usb_Descriptor_Request {
    std::uint8_t Type = 0;  // 2 configuration, 3 string, 15 BOS
    std::uint8_t Index = 0; // configuration index or string index
    std::uint16_t Language_Id = 0;
    std::uint16_t Length = 0; // the most bytes the caller takes
};

// A hub (root or external), opened by its name.
class Usb_Hub {
public:
    virtual ~Usb_Hub() = default;
    virtual HRESULT Node_Information(Usb_Hub_Information& information) = 0;

    // Port requests take the port number, 1 .. Number_Of_Ports; others fail. A port whose state
    // the hub cannot tell fails Connection_Information, and the walk skips it.
    virtual HRESULT Connection_Information(std::uint32_t port, Usb_Connection_Information& information) = 0;
    // The driver key name of the device on the port; fails on an empty port.
    virtual HRESULT Port_Driver_Key_Name(std::uint32_t port, std::string& name) = 0;
    // The name of the hub on the port, as Usb_Host::Open_Hub takes it; fails unless a hub is there.
    virtual HRESULT Port_Hub_Name(std::uint32_t port, std::string& name) = 0;
    // The device's answer to a GET_DESCRIPTOR request: the bytes it sent, at most
    // request.Length of them, and possibly fewer (a short reply is not a failure here; the
    // caller checks what it got). A request the device refuses (stalls) fails, as does any
    // request on a port with no device. The bytes are the device's and may be anything.
    virtual HRESULT Port_Descriptor(std::uint32_t port, const Usb_Descriptor_Request& request,
                                    std::vector<std::uint8_t>& reply) = 0;
};

// The whole USB side of the host. Opens fail with null: a path or name that names nothing, or
// a controller or hub the host will not open now.
class Usb_Host {
public:
    virtual ~Usb_Host() = default;
    // The present devices exposing `interface_class`; with null, every present device of any
    // class (the set the walk searches by driver key). Null when the host cannot list them.
    virtual std::unique_ptr<Device_Set> Open_Device_Set(const GUID* interface_class) = 0;
    virtual std::unique_ptr<Usb_Host_Controller> Open_Host_Controller(const std::string& path) = 0;
    virtual std::unique_ptr<Usb_Hub> Open_Hub(const std::string& name) = 0;
};

// A device descriptor as a device sends it (18 bytes, little-endian), and read back from the
// first 18 of `bytes` (nullopt when there are fewer; the fields are taken as they are).
std::vector<std::uint8_t> Usb_Device_Descriptor_Bytes(const Usb_Device_Descriptor& descriptor);
std::optional<Usb_Device_Descriptor> Usb_Device_Descriptor_From(std::span<const std::uint8_t> bytes);

// A string descriptor as a device sends it: bLength, type 3, the text in UTF-16LE. A byte of the
// UTF-8 text that starts no valid sequence stands for itself; text past 126 UTF-16 units does
// not fit a descriptor and is cut.
std::vector<std::uint8_t> Usb_String_Descriptor(std::string_view utf8_text);
// String descriptor 0: the language ids a device offers its strings in.
std::vector<std::uint8_t> Usb_Language_List_Descriptor(const std::vector<std::uint16_t>& languages);

// A host without USB devices: every set fails to open, every open gives null.
Usb_Host& No_Usb_Host();

} // namespace platform
