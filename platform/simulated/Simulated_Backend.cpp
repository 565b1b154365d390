#include "platform/simulated/Simulated_Backend.h"

#include "platform/simulated/Simulated_Video_Input.h"

namespace platform::simulated {

std::shared_ptr<Simulated_Camera> Simulated_Backend::Add_Camera(std::string name, Chip_Model model) {
    auto camera = Simulated_Camera::Create(std::move(name), std::move(model), log_);
    const std::lock_guard lock(cameras_mutex_);
    camera->Video_Input().Friendly_Name = camera->Name();
    camera->Video_Input().Device_Path = Usb_Capture_Path(0, 0, static_cast<std::uint32_t>(cameras_.size()),
                                                         static_cast<std::uint32_t>(cameras_.size()));
    cameras_.push_back(camera);
    return camera;
}

HRESULT Simulated_Backend::Enumerate_Video_Inputs(std::vector<std::unique_ptr<Video_Input_Device>>& devices) {
    const std::lock_guard lock(cameras_mutex_);
    if (cameras_.empty())
        return VFW_E_NOT_FOUND;
    for (const auto& camera : cameras_)
        devices.push_back(Open_Video_Input(camera));
    return S_OK;
}

} // namespace platform::simulated
