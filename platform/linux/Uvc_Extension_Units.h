#pragma once
// Pairing a (GUID, node) binding with a camera's extension unit, from the camera's own
// configuration descriptor.
//
// A UVC request addresses a unit by its id (wIndex = unit id << 8 | video-control interface).
// The library names a unit by GUID and topology node instead, as the Windows camera driver
// numbers its topology; a Linux host has no such numbering. Every extension unit carries its
// GUID in its descriptor, so the unit of a binding is the extension unit with that GUID on the
// camera's video-control interface; the node plays no part in finding it. (The library's
// probes ask nodes 2 and 3 for the GUIDs their chips carry; a camera carries each GUID in one
// unit, wherever the other driver would have numbered it.)
//
// The bytes are the device's and may be anything: the reader stays inside them, ends at
// wTotalLength and at the first descriptor that is not whole, and skips descriptors too short
// for what they should hold.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/Guid.h"

namespace platform::linux_host {

inline constexpr std::uint8_t Video_Class = 0x0E;
inline constexpr std::uint8_t Video_Control_Subclass = 0x01;

struct Extension_Unit {
    GUID Guid;
    std::uint8_t Unit_Id = 0;
};

// A video-control interface (class 0x0E, subclass 0x01) and the extension units it holds, in
// descriptor order.
struct Video_Control_Interface {
    std::uint8_t Interface_Number = 0;
    std::vector<Extension_Unit> Extension_Units;
};

// Every video-control interface of a configuration, in descriptor order (alternate setting 0
// only; a camera function has one per video function).
std::vector<Video_Control_Interface>
Read_Video_Control_Interfaces(std::span<const std::uint8_t> configuration);

// The unit id of the extension unit with `guid` (the first, should a camera carry it twice).
std::optional<std::uint8_t> Find_Extension_Unit(const Video_Control_Interface& interface, const GUID& guid);

// A GUID as a descriptor stores it: Data1, Data2 and Data3 little-endian, then Data4's bytes.
GUID Guid_From_Descriptor(std::span<const std::uint8_t, 16> bytes);

} // namespace platform::linux_host
