#pragma once
// A device set made of devnodes, as a backend's USB host hands it out (Usb_Host.h): the
// elements in order, each with its properties and address, and, in a set of an interface class,
// the interface path of each element that exposes one. The set keeps its own copy: it is the
// snapshot of the moment it was opened.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Usb_Host.h"

namespace platform {

// The properties the host keeps for one device. An empty text is a property the device does
// not have.
struct Devnode {
    std::uint32_t Dev_Inst = 0;
    std::string Instance_Id;
    std::string Parent_Instance_Id;
    std::string Description;
    std::string Hardware_Id;
    std::string Service;
    std::string Class;
    std::string Driver_Key;
    std::uint32_t Address = 0;
};

struct Devnode_Entry {
    Devnode Node;
    std::string Interface_Path; // empty: the element exposes no interface of the set's class
};

// Interfaces are numbered over the elements that have a path, in element order.
std::unique_ptr<Device_Set> Make_Devnode_Set(std::vector<Devnode_Entry> entries);

} // namespace platform
