#pragma once
// The hub-port walk: completes the device records with what only the USB side knows (the hub
// and port a camera hangs on, its USB ids, release number and strings, its USB device path),
// so that several identical cameras on one host are told apart. Three passes over the
// platform's USB host:
//   1. the capture-device interfaces pair each record with its capture function: hardware id,
//      the ids parsed from it, the port number, and the USB device the function belongs to;
//   2. every host controller, root hub, external hub and port goes into an in-memory tree;
//   3. up to Max_Video_Devices video devices are collected from the tree, and each fills the
//      record that belongs to it.
// A record nothing matches keeps the zeros discovery left in its USB fields.
#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <set>
#include <string>

#include "Extension_Unit_Class/Device_Info_Record.h"
#include "Extension_Unit_Class/Usb_Tree.h"
#include "platform/Usb_Host.h"

inline constexpr std::size_t Max_Video_Devices = 20;

// No host lists this many devices in one set: enumerations stop there, so a backend that never
// answers "no more items" cannot make the walk run forever.
inline constexpr std::uint32_t Usb_Set_Index_Limit = 0x10000;

// What the passes learn about the records beyond the record fields: the instance id of the USB
// device each record's capture function belongs to (when the host tells it), and which records
// a tree node has filled already.
struct Usb_Record_Pairing {
    std::map<const Device_Info_Record*, std::string> Usb_Device_Instance;
    std::set<const Device_Info_Record*> Filled;
};

// The three passes over the current backend's USB host; fills `records` in place. Always 0.
int Assign_Hub_Ports(std::list<Device_Info_Record>& records);

// Pass 1: fills Hardware_Id, Parent_Ids and Port_Number of every record whose capture
// interface the host lists.
void Enumerate_Usb_Interfaces(platform::Usb_Host& host, std::list<Device_Info_Record>& records,
                              Usb_Record_Pairing& pairing);

// Pass 2: every host controller (each once, by driver key name) with its hubs and ports under
// `top`. The number of connected devices seen.
int Enumerate_Usb_Tree(platform::Usb_Host& host, Usb_Tree_Level& top);

// Pass 3, for one collected device: the first record not filled yet whose Parent_Ids equal the
// ids of the device's hardware id, whose port number is the device's, and whose capture
// function belongs to this device (when both sides name the device). Fills and returns it, or
// null.
Device_Info_Record* Dump_Usb_Device_Info(const Usb_Node_Info& node, std::list<Device_Info_Record>& records,
                                         Usb_Record_Pairing& pairing);
