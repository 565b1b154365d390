#include "platform/simulated/Simulated_Video_Input.h"

#include <cstdio>
#include <string>

#include "platform/Usb_Host.h"

namespace platform::simulated {

namespace {

// Device and filter belong to the camera's connection at enumeration: once the camera has left
// the host they answer as a gone device, also after it is back.
class Camera_Filter final : public Video_Input_Filter {
public:
    Camera_Filter(std::shared_ptr<Simulated_Camera> camera, std::uint64_t connection)
        : camera_(std::move(camera)), connection_(connection) {}

    std::unique_ptr<Ks_Control> Query_Control() override {
        if (camera_->Video_Input().Fails == Bind_Failure::Control)
            return nullptr;
        return camera_->Open_Control(connection_);
    }

private:
    std::shared_ptr<Simulated_Camera> camera_;
    std::uint64_t connection_;
};

class Camera_Device final : public Video_Input_Device {
public:
    explicit Camera_Device(std::shared_ptr<Simulated_Camera> camera)
        : camera_(std::move(camera)), connection_(camera_->Connection()) {}

    HRESULT Read_Property(std::string_view name, std::string& text) override {
        return camera_->Read_Video_Property(name, text, connection_);
    }

    std::unique_ptr<Video_Input_Filter> Bind_Filter() override {
        if (camera_->Video_Input().Fails == Bind_Failure::Filter)
            return nullptr;
        return std::make_unique<Camera_Filter>(camera_, connection_);
    }

private:
    std::shared_ptr<Simulated_Camera> camera_;
    std::uint64_t connection_;
};

} // namespace

std::unique_ptr<Video_Input_Device> Open_Video_Input(std::shared_ptr<Simulated_Camera> camera) {
    return std::make_unique<Camera_Device>(std::move(camera));
}

std::string Usb_Capture_Path(std::uint16_t vid, std::uint16_t pid, std::uint32_t instance,
                             std::uint32_t port) {
    char path[128];
    std::snprintf(path, sizeof path, "\\\\?\\usb#vid_%04x&pid_%04x&mi_00#6&%08x&0&%04x", vid, pid, instance,
                  port & 0xFFFF);
    return path + std::string(Capture_Path_Suffix);
}

} // namespace platform::simulated
