#pragma once
// The Linux backend over a umockdev test bed whose cameras are the simulated chips: what the
// end-to-end tests install. Cameras are added to the bed first; Start creates the backend (so
// libusb finds them all) and installs it, with a virtual pacing clock so the chips' pauses
// cost no time. Everything else of the installed backend is the Linux backend's own.
#include <gtest/gtest.h>

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
        auto device = platform::simulated::Camera_Device(usb);
        device.Configurations = {Configuration_With_Units(units)};
        Emulated_Usb_Device& emulated = bed.Add_Device(at, device, {{{0, "uvcvideo"}, {1, "uvcvideo"}}});
        for (std::size_t i = 0; i < keys.size(); ++i)
            emulated.Route_Unit(0, units[i].first, keys[i].Node, keys[i].Guid, camera);
        return camera;
    }

    void Start(std::uint32_t control_timeout_ms = 5000) {
        std::string error;
        auto linux_backend = platform::linux_host::Create_Backend(error, {control_timeout_ms});
        ASSERT_NE(linux_backend, nullptr) << error;
        backend = std::make_shared<Virtually_Paced_Backend>(std::move(linux_backend), chips->Shared_Log());
        installed.emplace(backend);
    }
};

} // namespace test
