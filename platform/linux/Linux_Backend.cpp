#include "platform/linux/Linux_Backend.h"

#include <unistd.h>

#include <cerrno>
#include <set>

#include "platform/Text_Format.h"
#include "platform/linux/Camera_Places.h"
#include "platform/linux/Libusb_Transfer.h"
#include "platform/linux/Linux_Video_Input.h"
#include "platform/linux/Sysfs_Usb_Host.h"
#include "platform/linux/Udev_Device_Watch.h"

namespace platform::linux_host {

namespace {

class Linux_Backend final : public Backend {
public:
    Linux_Backend(std::shared_ptr<Libusb_Context> context, const Linux_Backend_Options& options)
        : places_(std::make_shared<Camera_Places>()),
          sessions_(
              std::make_shared<Camera_Sessions>(std::move(context), places_, options.Control_Timeout_Ms)) {}

    // Pauses between camera accesses are real: the chips need them.
    Pacing_Clock& Clock() override { return Real_Clock(); }

    HRESULT Enumerate_Video_Inputs(std::vector<std::unique_ptr<Video_Input_Device>>& devices) override {
        return Enumerate_Linux_Video_Inputs(sessions_, devices);
    }

    Usb_Host& Usb() override { return usb_; }

    std::unique_ptr<Device_Change_Watch>
    Watch_Video_Device_Changes(Device_Change_Callback callback) override {
        return Watch_Video_Interfaces(std::move(callback));
    }

    std::unique_ptr<Camera_Hold> Hold_Camera_Place(const std::string& hub, std::uint32_t port,
                                                   std::string& why) override {
        return places_->Hold({hub, port}, why);
    }

    bool Same_Camera_Place(const std::string& a_hub, std::uint32_t a_port, const std::string& b_hub,
                           std::uint32_t b_port) override {
        return Same_Place({a_hub, a_port}, {b_hub, b_port});
    }

private:
    std::shared_ptr<Camera_Places> places_;
    std::shared_ptr<Camera_Sessions> sessions_;
    Sysfs_Usb_Host usb_;
};

} // namespace

std::size_t Cameras_This_User_May_Not_Open() {
    const auto devices = Read_Usb_Devices();
    if (!devices)
        return 0;
    std::set<Usb_Location> refused;
    for (const Video_Function& function : Video_Functions(*devices)) {
        const Sysfs_Usb_Device& device = *function.Device;
        const std::string node = Format("/dev/bus/usb/%03u/%03u", device.Location.Bus, device.Address);
        if (access(node.c_str(), R_OK | W_OK) != 0 && errno == EACCES)
            refused.insert(device.Location);
    }
    return refused.size();
}

std::shared_ptr<Backend> Create_Backend(std::string& error, const Linux_Backend_Options& options) {
    int started = 0;
    auto context = Libusb_Context::Start(started);
    if (!context) {
        error = std::string("the USB stack cannot be used: libusb does not start (") +
                Libusb_Meaning(started) + ")";
        return nullptr;
    }
    return std::make_shared<Linux_Backend>(std::move(context), options);
}

} // namespace platform::linux_host
