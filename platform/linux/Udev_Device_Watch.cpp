#include "platform/linux/Udev_Device_Watch.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
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

// Watches an event socket on a thread of its own until destroyed.
class Socket_Watch final : public Device_Change_Watch {
public:
    Socket_Watch(int socket, Event_Receiver receive, Device_Change_Callback callback, int stop)
        : socket_(socket), receive_(std::move(receive)), callback_(std::move(callback)), stop_(stop),
          thread_([this] { Run(); }) {}

    ~Socket_Watch() override {
        const std::uint64_t one = 1;
        while (write(stop_, &one, sizeof one) < 0 && errno == EINTR) {
        }
        thread_.join();
        close(stop_);
    }

private:
    void Run() {
        pollfd watched[2] = {{socket_, POLLIN, 0}, {stop_, POLLIN, 0}};
        while (true) {
            if (poll(watched, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                return;
            }
            if (watched[1].revents)
                return;
            const short ready = watched[0].revents;
            if (ready & POLLERR) {
                // Events were lost (ENOBUFS: a burst overflowed the socket's buffer). The error
                // stays, and the socket stays ready, until it is read; then one change, with no
                // device named, stands for whatever was lost.
                int error = 0;
                socklen_t length = sizeof error;
                if (getsockopt(socket_, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error == 0)
                    return; // an error reading does not clear: the socket is of no more use
                callback_(Device_Change_Event{});
            } else if (ready & POLLIN) {
                // The overflow may come between the wait and the read, which then fails with it
                // and clears it: that read stands for the lost events as the error does.
                errno = 0;
                if (const auto change = receive_())
                    callback_(*change);
                else if (errno == ENOBUFS)
                    callback_(Device_Change_Event{});
            } else if (ready & (POLLHUP | POLLNVAL)) {
                return; // nothing more can come
            }
        }
    }

    int socket_;
    Event_Receiver receive_;
    Device_Change_Callback callback_;
    int stop_;
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
    const int socket = udev_monitor_get_fd(monitor.get());
    const std::shared_ptr<udev_monitor> shared_monitor(monitor.release(), Udev_Release());
    const std::shared_ptr<udev> shared_context(context.release(), Udev_Release());
    return Watch_Event_Socket(
        socket,
        [shared_context, shared_monitor]() -> std::optional<Device_Change_Event> {
            const std::unique_ptr<udev_device, Udev_Release> device(
                udev_monitor_receive_device(shared_monitor.get()));
            if (!device)
                return std::nullopt;
            return Video_Interface_Change(Text(udev_device_get_action(device.get())),
                                          Text(udev_device_get_sysname(device.get())),
                                          Text(udev_device_get_property_value(device.get(), "PRODUCT")),
                                          Text(udev_device_get_property_value(device.get(), "INTERFACE")));
        },
        std::move(callback));
}

std::unique_ptr<Device_Change_Watch> Watch_Event_Socket(int socket, Event_Receiver receive,
                                                        Device_Change_Callback callback) {
    const int stop = eventfd(0, EFD_CLOEXEC);
    if (stop < 0)
        return nullptr;
    return std::make_unique<Socket_Watch>(socket, std::move(receive), std::move(callback), stop);
}

} // namespace platform::linux_host
