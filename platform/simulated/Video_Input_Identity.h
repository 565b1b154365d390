#pragma once
// What a simulated camera shows of itself as a video-input device: the properties the host
// reads by name, and whether binding it to its filter and control channel works.
#include <cstdint>
#include <optional>
#include <string>

namespace platform::simulated {

enum class Bind_Failure : std::uint8_t {
    None,
    Filter,  // the device cannot be bound to its capture filter
    Control, // the filter offers no control channel
};

struct Video_Input_Identity {
    // The system's path of the capture interface, unique per camera.
    std::string Device_Path;
    std::string Friendly_Name;
    std::string Description;       // empty: the device has no such property
    std::optional<int> Wave_In_Id; // present on cameras with a microphone
    Bind_Failure Fails = Bind_Failure::None;
};

// The capture-interface path of a USB camera, in the system's form:
// \\?\usb#vid_vvvv&pid_pppp&mi_00#6&iiiiiiii&0&pppp#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\global
// `instance` and `port` tell cameras of one vendor and product id apart.
std::string Usb_Capture_Path(std::uint16_t vid, std::uint16_t pid, std::uint32_t instance,
                             std::uint32_t port);

} // namespace platform::simulated
