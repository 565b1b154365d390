#pragma once
// What makes a simulated chip the chip it is, apart from its extension units: the values its
// registers hold after power-on (the identity registers the probes read among them), the
// register writes that restart it, and whether a restart or another write takes the camera off
// the host for a while.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/simulated/Boot_Image.h"
#include "platform/simulated/Register_Bus.h"
#include "platform/simulated/Restart_Trigger.h"

namespace platform::simulated {

// The registers that tell the chip families apart, read in this order.
inline constexpr std::array<std::uint16_t, 3> Chip_Identity_Registers{0x20FF, 0x2051, 0x20D9};

struct Chip_Model {
    std::string Name;
    std::vector<Register_Value> Power_On_Registers;
    std::vector<Restart_Trigger> Restart_Triggers;
    // With a value, every restart also takes the camera off the host and brings it back as said;
    // without, the chip restarts in place and the camera stays listed.
    std::optional<Reconnection> Restart_Reconnects = {};
    // Writes that take the camera off the host (the chip restarts with them).
    std::vector<Leave_Write> Leave_Writes = {};
    // The layout of the images the chip runs from its flash: at each restart it shows the host
    // the identity of the image there (Simulated_Camera::Boot_Identity).
    Boot_Layout Boot = Boot_Layout::None;
};

// Power-on values of the three identity registers, in the order of Chip_Identity_Registers.
std::vector<Register_Value> Chip_Identity(std::uint8_t reg_20ff, std::uint8_t reg_2051,
                                          std::uint8_t reg_20d9);

} // namespace platform::simulated
