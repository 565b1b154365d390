#pragma once
// The places cameras hang on, and their holding for a burn against other programs.
//
// A place is a hub's port as sysfs shows it: port 2 of the root hub usb1 is the directory
// .../usb1/1-0:1.0/usb1-port2, port 3 of the hub 1-4 is .../1-4/1-4:1.0/1-4-port3. An xHCI
// controller shows each of its connectors twice, once under the root hub of each speed, and a
// USB 3 hub likewise shows each of its ports twice: the two are peers (the port's "peer" link),
// and a camera that restarts at the other speed comes back on the peer. A port and its peer are
// one place.
//
// A hold is an exclusive lock (flock, never waited for) on the directories of the port and of
// its peer; a place sysfs does not show (a camera the hub walk could not place) holds nothing. The kernel
// drops it with the process however that ends. Before a backend opens a camera it checks that no other
// program holds the camera's place, so that a camera another program is burning is never sent a request, even
// while it is away restarting and no claim on its interface protects it. The places a backend holds itself
// are no obstacle to it.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Backend.h"
#include "platform/linux/Usb_Device_Names.h"

namespace platform::linux_host {

struct Hub_Port {
    std::string Hub; // the hub's kernel name: "usb1", "1-4"
    std::uint32_t Port = 0;

    friend bool operator==(const Hub_Port&, const Hub_Port&) = default;
};

// The place of a device (not a root hub).
Hub_Port Place_Of(const Usb_Location& device);

// "usb1-port2", "1-4.2-port3" (a port directory's name); nullopt for anything else.
std::optional<Hub_Port> Parse_Port_Name(std::string_view name);

// The sysfs directory of the port, and the port's peer (nullopt when it has none).
std::string Port_Directory(const Hub_Port& place);
std::optional<Hub_Port> Peer_Port(const Hub_Port& place);

// True when the two ports are one place: the same port, or peers.
bool Same_Place(const Hub_Port& first, const Hub_Port& second);

// The places one backend holds, shared by the backend, its holds and its camera sessions.
class Camera_Places : public std::enable_shared_from_this<Camera_Places> {
public:
    // The Backend::Hold_Camera_Place contract.
    std::unique_ptr<Camera_Hold> Hold(const Hub_Port& place, std::string& why);
    // True when another program holds the place of the device at `device`.
    bool Held_Elsewhere(const Usb_Location& device);

private:
    friend class Place_Hold;
    void Let_Go(const std::vector<std::string>& directories);

    struct Held {
        int Fd = -1; // open while locked
        unsigned Holds = 0;
    };
    std::mutex mutex_;
    std::map<std::string, Held> held_; // the port directories this backend holds
};

} // namespace platform::linux_host
