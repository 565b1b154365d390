#pragma once
// The Linux backend over a umockdev test bed whose cameras are the simulated chips: what the
// end-to-end tests install. Cameras are added to the bed first; Start creates the backend (so
// libusb finds them all) and installs it, with a virtual pacing clock so the chips' pauses
// cost no time. Everything else of the installed backend is the Linux backend's own.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "Usb_Test_Bed.h"
#include "platform/Backend.h"
#include "platform/linux/Linux_Backend.h"
#include "platform/simulated/Chip_Families.h"
#include "platform/simulated/Simulated_Backend.h"

namespace test {

// Forwards every concern to the Linux backend but pacing, which only advances a virtual clock.
class Virtually_Paced_Backend final : public platform::Backend {
public:
    Virtually_Paced_Backend(std::shared_ptr<platform::Backend> host,
                            std::shared_ptr<platform::simulated::Event_Log> log)
        : host_(std::move(host)), clock_(std::move(log)) {}
    platform::Pacing_Clock& Clock() override { return clock_; }
    platform::HRESULT
    Enumerate_Video_Inputs(std::vector<std::unique_ptr<platform::Video_Input_Device>>& devices) override {
        return host_->Enumerate_Video_Inputs(devices);
    }
    platform::Usb_Host& Usb() override { return host_->Usb(); }
    std::unique_ptr<platform::Device_Change_Watch>
    Watch_Video_Device_Changes(platform::Device_Change_Callback callback) override {
        return host_->Watch_Video_Device_Changes(std::move(callback));
    }
    std::unique_ptr<platform::Camera_Hold> Hold_Camera_Place(const std::string& hub, std::uint32_t port,
                                                             std::string& why) override {
        return host_->Hold_Camera_Place(hub, port, why);
    }
    bool Same_Camera_Place(const std::string& a_hub, std::uint32_t a_port, const std::string& b_hub,
                           std::uint32_t b_port) override {
        return host_->Same_Camera_Place(a_hub, a_port, b_hub, b_port);
    }

private:
    std::shared_ptr<platform::Backend> host_;
    platform::simulated::Virtual_Clock clock_;
};

struct Linux_Host {
    Usb_Test_Bed bed;
    // The cameras' chips and their event log; this backend itself is never installed.
    std::shared_ptr<platform::simulated::Simulated_Backend> chips =
        std::make_shared<platform::simulated::Simulated_Backend>();
    std::shared_ptr<platform::Backend> backend;
    std::optional<platform::Scoped_Backend> installed;

    // A bus with a root hub of `ports` ports.
    void Add_Bus(std::uint8_t bus, std::uint8_t ports = 4) { bed.Add_Root_Hub(bus, ports); }

    // A chip camera of `family` in `layout` on the port `at`, its extension units given unit
    // ids 4, 6, ... in the order of its layout's keys.
    std::shared_ptr<platform::simulated::Simulated_Camera>
    Add_Camera(const Usb_Location& at, const std::string& family, const std::string& layout,
               const platform::simulated::Usb_Camera_Description& usb = {},
               std::optional<platform::simulated::Flash_Part_Identity> flash = std::nullopt) {
        auto desc = platform::simulated::Chip_Camera(at.Sysfs_Name(), family, layout);
        desc.Flash = std::move(flash);
        auto camera = platform::simulated::Add_Chip_Camera(*chips, desc);
        EXPECT_NE(camera, nullptr) << family << " in " << layout;
        const auto keys = platform::simulated::Layout_Keys(*desc.Family, *desc.Layout);
        std::vector<std::pair<std::uint8_t, platform::GUID>> units;
        for (const auto& key : keys)
            units.push_back({static_cast<std::uint8_t>(4 + 2 * units.size()), key.Guid});
        Plugged plugged{platform::simulated::Camera_Device(usb), {}, camera};
        plugged.Device.Configurations = {Configuration_With_Units(units)};
        for (std::size_t i = 0; i < keys.size(); ++i)
            plugged.Routes.push_back({units[i].first, keys[i].Node, keys[i].Guid});
        Plug(at, plugged);
        plugged_.insert_or_assign(at, std::move(plugged));
        return camera;
    }

    // The camera at `from` leaves the host and comes back at `to` (the same port, or its peer)
    // with another address, as a chip does when it restarts.
    void Plug_Again(const Usb_Location& from, const Usb_Location& to) {
        bed.Remove_Device(from);
        Plugged plugged = plugged_.at(from);
        plugged_.erase(from);
        Plug(to, plugged);
        plugged_.insert_or_assign(to, std::move(plugged));
    }

    // A Linux backend of its own over the bed, as another program on the host has.
    std::shared_ptr<platform::Backend> New_Backend(std::uint32_t control_timeout_ms = 5000) {
        std::string error;
        auto linux_backend = platform::linux_host::Create_Backend(error, {control_timeout_ms});
        EXPECT_NE(linux_backend, nullptr) << error;
        return std::make_shared<Virtually_Paced_Backend>(std::move(linux_backend), chips->Shared_Log());
    }

    void Start(std::uint32_t control_timeout_ms = 5000) {
        backend = New_Backend(control_timeout_ms);
        installed.emplace(backend);
    }

private:
    struct Route {
        std::uint8_t Unit;
        std::uint32_t Node;
        platform::GUID Guid;
    };
    struct Plugged {
        platform::simulated::Usb_Device_Description Device;
        std::vector<Route> Routes;
        std::shared_ptr<platform::simulated::Simulated_Camera> Camera;
    };

    void Plug(const Usb_Location& at, const Plugged& plugged) {
        Emulated_Usb_Device& emulated =
            bed.Add_Device(at, plugged.Device, {{{0, "uvcvideo"}, {1, "uvcvideo"}}});
        for (const Route& route : plugged.Routes)
            emulated.Route_Unit(0, route.Unit, route.Node, route.Guid, plugged.Camera);
    }

    std::map<Usb_Location, Plugged> plugged_;
};

} // namespace test
