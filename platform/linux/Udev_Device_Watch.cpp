#include "platform/linux/Udev_Device_Watch.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <thread>

#include "platform/linux/Usb_Device_Names.h"
#include "platform/linux/Uvc_Extension_Units.h"

namespace platform::linux_host {

namespace {

// The first two of the "/"-separated numbers of a udev property.
std::optional<std::pair<std::uint32_t, std::uint32_t>> Two_Numbers(std::string_view text, int base,
                                                                   std::size_t digits, std::uint32_t most) {
    const std::size_t first_end = text.find('/');
    if (first_end == std::string_view::npos)
        return std::nullopt;
    const std::string_view rest = text.substr(first_end + 1);
    const auto first = Parse_Number(text.substr(0, first_end), base, digits, most);
    const auto second = Parse_Number(rest.substr(0, rest.find('/')), base, digits, most);
    if (!first || !second)
        return std::nullopt;
    return std::pair(*first, *second);
}

// Owners of libudev's reference-counted objects.
struct Udev_Release {
    void operator()(udev* context) const { udev_unref(context); }
    void operator()(udev_monitor* monitor) const { udev_monitor_unref(monitor); }
    void operator()(udev_device* device) const { udev_device_unref(device); }
};

std::string_view Text(const char* text) {
    return text ? std::string_view(text) : std::string_view();
}

class Udev_Watch final : public Device_Change_Watch {
public:
    Udev_Watch(std::unique_ptr<udev, Udev_Release> context,
               std::unique_ptr<udev_monitor, Udev_Release> monitor, int stop, Device_Change_Callback callback)
        : context_(std::move(context)), monitor_(std::move(monitor)), stop_(stop),
          callback_(std::move(callback)), thread_([this] { Run(); }) {}

    ~Udev_Watch() override {
        const std::uint64_t one = 1;
        while (write(stop_, &one, sizeof one) < 0 && errno == EINTR) {
        }
        thread_.join();
        close(stop_);
    }

private:
    void Run() {
        pollfd watched[2] = {{udev_monitor_get_fd(monitor_.get()), POLLIN, 0}, {stop_, POLLIN, 0}};
        while (true) {
            if (poll(watched, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                return;
            }
            if (watched[1].revents)
                return;
            if (!(watched[0].revents & POLLIN))
                continue;
            const std::unique_ptr<udev_device, Udev_Release> device(
                udev_monitor_receive_device(monitor_.get()));
            if (!device)
                continue;
            const auto change = Video_Interface_Change(
                Text(udev_device_get_action(device.get())), Text(udev_device_get_sysname(device.get())),
                Text(udev_device_get_property_value(device.get(), "PRODUCT")),
                Text(udev_device_get_property_value(device.get(), "INTERFACE")));
            if (change)
                callback_(*change);
        }
    }

    std::unique_ptr<udev, Udev_Release> context_;
    std::unique_ptr<udev_monitor, Udev_Release> monitor_;
    int stop_;
    Device_Change_Callback callback_;
    std::thread thread_; // last: it starts once everything it uses is in place
};

} // namespace

std::optional<Device_Change_Event> Video_Interface_Change(std::string_view action, std::string_view name,
                                                          std::string_view product,
                                                          std::string_view interface) {
    Device_Change_Event event;
    if (action == "add")
        event.Kind = Device_Change_Kind::Arrival;
    else if (action == "remove")
        event.Kind = Device_Change_Kind::Removal;
    else
        return std::nullopt; // bind, unbind, change: the device stays where it is
    const auto classes = Two_Numbers(interface, 10, 3, 255);
    if (!classes || classes->first != Video_Class || classes->second != Video_Control_Subclass)
        return std::nullopt;
    const auto place = Parse_Interface_Name(name);
    const auto ids = Two_Numbers(product, 16, 4, 0xFFFF);
    if (place && ids && !place->Device.Is_Root_Hub())
        event.Device_Path =
            Video_Input_Path(static_cast<std::uint16_t>(ids->first), static_cast<std::uint16_t>(ids->second),
                             place->Device, place->Interface_Number);
    return event;
}

std::unique_ptr<Device_Change_Watch> Watch_Video_Interfaces(Device_Change_Callback callback) {
    std::unique_ptr<udev, Udev_Release> context(udev_new());
    if (!context)
        return nullptr;
    // "udev": events once udev's rules have run, not the kernel's own.
    std::unique_ptr<udev_monitor, Udev_Release> monitor(udev_monitor_new_from_netlink(context.get(), "udev"));
    if (!monitor ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "usb", "usb_interface") < 0 ||
        udev_monitor_enable_receiving(monitor.get()) < 0)
        return nullptr;
    const int stop = eventfd(0, EFD_CLOEXEC);
    if (stop < 0)
        return nullptr;
    return std::make_unique<Udev_Watch>(std::move(context), std::move(monitor), stop, std::move(callback));
}

} // namespace platform::linux_host
