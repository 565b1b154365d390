#include "platform/linux/Camera_Places.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>

#include "platform/Text_Format.h"
#include "platform/linux/Sysfs_Usb_Devices.h"

namespace platform::linux_host {

namespace {

constexpr std::string_view Port_Infix = "-port";
// Another program checking the place holds it for an instant; a hold tries a few times.
constexpr int Hold_Tries = 3;
constexpr auto Between_Tries = std::chrono::milliseconds(10);

// The directories of a place: its port's, then its peer's.
std::vector<std::string> Directories_Of(const Hub_Port& place) {
    std::vector<std::string> directories{Port_Directory(place)};
    if (const auto peer = Peer_Port(place))
        directories.push_back(Port_Directory(*peer));
    return directories;
}

int Open_Directory(const std::string& directory) {
    return directory.empty() ? -1 : open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

int Lock_Without_Waiting(int fd, int kind) {
    while (flock(fd, kind | LOCK_NB) != 0)
        if (errno != EINTR)
            return errno;
    return 0;
}

} // namespace

// A hold of a place: the locks stay with the backend's places while any hold of it lives.
class Place_Hold final : public Camera_Hold {
public:
    Place_Hold(std::shared_ptr<Camera_Places> places, std::vector<std::string> directories)
        : places_(std::move(places)), directories_(std::move(directories)) {}
    ~Place_Hold() override { places_->Let_Go(directories_); }
    Place_Hold(const Place_Hold&) = delete;
    Place_Hold& operator=(const Place_Hold&) = delete;

private:
    std::shared_ptr<Camera_Places> places_;
    std::vector<std::string> directories_;
};

Hub_Port Place_Of(const Usb_Location& device) {
    return {device.Parent().Sysfs_Name(), device.Port()};
}

std::optional<Hub_Port> Parse_Port_Name(std::string_view name) {
    const std::size_t infix = name.rfind(Port_Infix);
    if (infix == std::string_view::npos)
        return std::nullopt;
    const std::string_view hub = name.substr(0, infix);
    const auto port = Parse_Number(name.substr(infix + Port_Infix.size()), 10, 3, 255);
    if (!Parse_Device_Name(hub) || !port || *port == 0)
        return std::nullopt;
    return Hub_Port{std::string(hub), *port};
}

std::string Port_Directory(const Hub_Port& place) {
    const auto hub = Parse_Device_Name(place.Hub);
    if (!hub || place.Port == 0 || place.Port > 255)
        return {};
    const std::string interface = hub->Is_Root_Hub() ? Format("%u-0:1.0", hub->Bus) : place.Hub + ":1.0";
    return Format("%s/%s/%s/%s%s%u", Usb_Devices_Directory, place.Hub.c_str(), interface.c_str(),
                  place.Hub.c_str(), std::string(Port_Infix).c_str(), place.Port);
}

std::optional<Hub_Port> Peer_Port(const Hub_Port& place) {
    const std::string directory = Port_Directory(place);
    if (directory.empty())
        return std::nullopt;
    std::error_code error;
    const auto target = std::filesystem::read_symlink(directory + "/peer", error);
    if (error)
        return std::nullopt;
    return Parse_Port_Name(target.filename().string());
}

bool Same_Place(const Hub_Port& first, const Hub_Port& second) {
    return first == second || Peer_Port(first) == second;
}

std::unique_ptr<Camera_Hold> Camera_Places::Hold(const Hub_Port& place, std::string& why) {
    const std::vector<std::string> directories = Directories_Of(place);
    const std::lock_guard lock(mutex_);
    std::vector<std::pair<std::string, int>> taken;
    const auto fail = [&](std::string reason) -> std::unique_ptr<Camera_Hold> {
        for (const auto& [directory, fd] : taken)
            close(fd);
        why = std::move(reason);
        return nullptr;
    };
    for (const std::string& directory : directories) {
        if (held_.contains(directory))
            continue; // this backend holds it already
        // A place sysfs does not show (a camera the hub walk could not place) cannot be held
        // by another program either: a burn goes on there without its lock, as it always did.
        const int fd = Open_Directory(directory);
        if (fd < 0)
            continue;
        int locked = 0;
        for (int tries = 0;
             (locked = Lock_Without_Waiting(fd, LOCK_EX)) == EWOULDBLOCK && ++tries < Hold_Tries;)
            std::this_thread::sleep_for(Between_Tries);
        taken.emplace_back(directory, fd);
        if (locked == EWOULDBLOCK)
            return fail(Format("another program holds the camera on port %u of hub %s", place.Port,
                               place.Hub.c_str()));
        if (locked != 0)
            return fail(Format("cannot hold port %u of hub %s (%s)", place.Port, place.Hub.c_str(),
                               std::strerror(locked)));
    }
    for (const auto& [directory, fd] : taken)
        held_.emplace(directory, Held{fd, 0});
    std::vector<std::string> locked_directories;
    for (const std::string& directory : directories) {
        const auto found = held_.find(directory);
        if (found == held_.end())
            continue;
        ++found->second.Holds;
        locked_directories.push_back(directory);
    }
    return std::make_unique<Place_Hold>(shared_from_this(), std::move(locked_directories));
}

bool Camera_Places::Held_Elsewhere(const Usb_Location& device) {
    const std::vector<std::string> directories = Directories_Of(Place_Of(device));
    const std::lock_guard lock(mutex_);
    for (const std::string& directory : directories)
        if (held_.contains(directory))
            return false;
    for (const std::string& directory : directories) {
        const int fd = Open_Directory(directory);
        if (fd < 0)
            continue; // a port sysfs does not show cannot be held either
        const int locked = Lock_Without_Waiting(fd, LOCK_SH);
        close(fd);
        if (locked == EWOULDBLOCK)
            return true;
    }
    return false;
}

void Camera_Places::Let_Go(const std::vector<std::string>& directories) {
    const std::lock_guard lock(mutex_);
    for (const std::string& directory : directories) {
        const auto found = held_.find(directory);
        if (found == held_.end() || --found->second.Holds > 0)
            continue;
        close(found->second.Fd);
        held_.erase(found);
    }
}

} // namespace platform::linux_host
