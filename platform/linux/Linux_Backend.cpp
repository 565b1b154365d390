#include "platform/linux/Linux_Backend.h"

#include "platform/linux/Libusb_Transfer.h"
#include "platform/linux/Linux_Video_Input.h"
#include "platform/linux/Sysfs_Usb_Host.h"
#include "platform/linux/Udev_Device_Watch.h"

namespace platform::linux_host {

namespace {

class Linux_Backend final : public Backend {
public:
    Linux_Backend(std::shared_ptr<Libusb_Context> context, const Linux_Backend_Options& options)
        : context_(std::move(context)), options_(options), usb_(context_, options.Control_Timeout_Ms) {}

    // Pauses between camera accesses are real: the chips need them.
    Pacing_Clock& Clock() override { return Real_Clock(); }

    HRESULT Enumerate_Video_Inputs(std::vector<std::unique_ptr<Video_Input_Device>>& devices) override {
        return Enumerate_Linux_Video_Inputs(context_, options_.Control_Timeout_Ms, devices);
    }

    Usb_Host& Usb() override { return usb_; }

    std::unique_ptr<Device_Change_Watch>
    Watch_Video_Device_Changes(Device_Change_Callback callback) override {
        return Watch_Video_Interfaces(std::move(callback));
    }

private:
    std::shared_ptr<Libusb_Context> context_;
    Linux_Backend_Options options_;
    Sysfs_Usb_Host usb_;
};

} // namespace

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
