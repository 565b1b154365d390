#pragma once
// The in-memory USB tree the hub walk builds: one level per host controller and per hub, and
// on a hub's level one leaf per port, each holding what the host and the device told about
// it. A level owns everything below it, so the tree is freed by dropping its top level.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/Usb_Host.h"

// What a tree node is (the first word of its information block).
enum Usb_Device_Info_Type : std::uint32_t {
    Host_Controller_Info = 0,
    Root_Hub_Info = 1,
    External_Hub_Info = 2,
    Device_Info = 3,
};

// The properties of a device found by its driver key name; each may be missing.
struct Usb_Device_Properties {
    std::optional<std::string> Device_Id; // instance id
    std::optional<std::string> Device_Desc;
    std::optional<std::string> Hw_Id; // the first hardware id
    std::optional<std::string> Service;
    std::optional<std::string> Device_Class;
};

// One entry of the USB device or USB hub interface lists.
struct Device_Info_Node {
    std::uint32_t Dev_Inst = 0;
    std::uint32_t Interface_Flags = 0;
    std::string Device_Path;
    std::string Device_Desc_Name;
    std::string Device_Driver_Name;
};

// One string descriptor read from a device: its index, its language and the bytes received.
// The first entry of a list is index 0, the language list.
struct Usb_String_Descriptor_Entry {
    std::uint8_t Descriptor_Index = 0;
    std::uint16_t Language_Id = 0;
    std::vector<std::uint8_t> Descriptor;
};

// The information block of a tree node. A host controller fills the driver key and its
// properties; a hub its name and node information; a device on a port, and an external hub
// for the port it hangs on, the port's connection information and what was read from the
// device.
struct Usb_Node_Info {
    std::uint32_t DeviceInfoType = Device_Info;
    std::string Driver_Key_Name;
    std::string Hub_Name;
    platform::Usb_Hub_Information Hub_Information{};
    platform::Usb_Connection_Information ConnectionInfo{};
    std::optional<std::vector<std::uint8_t>> Configuration_Descriptor;
    std::optional<std::vector<std::uint8_t>> Bos_Descriptor;
    std::vector<Usb_String_Descriptor_Entry> String_Descriptors; // empty: no list
    std::optional<Usb_Device_Properties> UsbDeviceProperties;
    std::optional<Device_Info_Node> DeviceInfoNode;
};

// One level: 256 slots, each empty, a child level (a host controller under the top level, a
// hub under a controller or hub) or a leaf (a port's information block). A hub has at most 255
// ports, so its ports always fit; should a level run out of leaf slots, its last slot becomes a
// continuation level that takes the further leaves on behalf of the same owner.
class Usb_Tree_Level {
public:
    static constexpr std::size_t Slot_Count = 256;
    static constexpr std::uint8_t Child_Level_Kind = 1;
    static constexpr std::uint8_t Leaf_Kind = 2;

    // The top level has no owner.
    Usb_Tree_Level() = default;
    explicit Usb_Tree_Level(std::unique_ptr<Usb_Node_Info> owner);

    // The controller or hub this level lists.
    const Usb_Node_Info* Owner() const { return owner_; }

    // Takes the first free slot; false (and the level dropped) when all are taken.
    bool Add_Child(std::unique_ptr<Usb_Tree_Level> child);
    // Takes the first free slot of the first 255, else goes to the continuation level; false
    // (and the leaf dropped) when the last slot holds a child level instead.
    bool Add_Leaf(std::unique_ptr<Usb_Node_Info> leaf);

    // Visits the leaves depth first: the slots in order, a child level's leaves where it stands.
    // `visit(leaf, owner)` gets each leaf and the owner of the level it is on; returning false
    // stops the walk.
    template <typename Visit>
    bool Visit_Leaves(Visit&& visit) const;

    std::size_t Child_Level_Count() const;

private:
    struct Slot {
        std::uint8_t Kind = 0;
        std::unique_ptr<Usb_Tree_Level> Level;
        std::unique_ptr<Usb_Node_Info> Leaf;
        bool Continuation = false;
    };
    std::unique_ptr<Usb_Node_Info> owned_;
    const Usb_Node_Info* owner_ = nullptr;
    std::array<Slot, Slot_Count> slots_{};
};

template <typename Visit>
bool Usb_Tree_Level::Visit_Leaves(Visit&& visit) const {
    for (const Slot& slot : slots_) {
        if (slot.Level && !slot.Level->Visit_Leaves(visit))
            return false;
        if (slot.Leaf && !visit(*slot.Leaf, owner_))
            return false;
    }
    return true;
}

// Collects the video devices of the tree, depth first: every leaf whose configuration
// descriptor starts with a function of `function_class` and an interface of `interface_class`
// goes into the next entry of `nodes`, the hub it hangs on into the same entry of `hubs`. Stops
// at `capacity` (and at the arrays' sizes). Both arrays are cleared first; the result is the
// number of entries filled.
std::size_t Collect_Device_Ports(const Usb_Tree_Level& top, std::uint8_t function_class,
                                 std::uint8_t interface_class, std::size_t capacity,
                                 std::span<const Usb_Node_Info*> nodes, std::span<const Usb_Node_Info*> hubs);
