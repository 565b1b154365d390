#include "platform/Usb_Host.h"

namespace platform {

namespace {

class Empty_Usb_Host final : public Usb_Host {
public:
    std::unique_ptr<Device_Set> Open_Device_Set(const GUID*) override { return nullptr; }
    std::unique_ptr<Usb_Host_Controller> Open_Host_Controller(const std::string&) override { return nullptr; }
    std::unique_ptr<Usb_Hub> Open_Hub(const std::string&) override { return nullptr; }
};

} // namespace

Usb_Host& No_Usb_Host() {
    static Empty_Usb_Host host;
    return host;
}

} // namespace platform
