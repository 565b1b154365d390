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
    const std::size_t before = devices.size();
    for (const auto& camera : cameras_)
        if (camera->Plugged())
            devices.push_back(Open_Video_Input(camera));
    return devices.size() != before ? S_OK : VFW_E_NOT_FOUND;
}

std::unique_ptr<Device_Change_Watch>
Simulated_Backend::Watch_Video_Device_Changes(Device_Change_Callback callback) {
    return device_changes_.Watch(std::move(callback));
}

Simulated_Backend::Usb_Place Simulated_Backend::Unplug_Camera(Simulated_Camera& camera) {
    if (!camera.Plugged())
        return {};
    const std::string path = camera.Video_Input().Device_Path;
    Usb_Place place;
    if (Simulated_Usb_Device* device = usb_tree_.Find_Capture_Device(path)) {
        place = {&device->Hub(), device->Port()};
        unplugged_usb_[&camera] = usb_tree_.Unplug(*device);
    }
    camera.Unplug();
    device_changes_.Report({Device_Change_Kind::Removal, path});
    return place;
}

bool Simulated_Backend::Plug_Camera(Simulated_Camera& camera, Simulated_Usb_Hub& hub, std::uint8_t port) {
    if (camera.Plugged() || port < 1 || port > hub.Port_Count() || hub.Device_On(port))
        return false;
    std::string path;
    if (auto kept = unplugged_usb_.find(&camera); kept != unplugged_usb_.end()) {
        path = usb_tree_.Add_Device(hub, port, std::move(kept->second)).Capture_Path();
        unplugged_usb_.erase(kept);
    }
    camera.Plug_In(path);
    device_changes_.Report({Device_Change_Kind::Arrival, camera.Video_Input().Device_Path});
    return true;
}

} // namespace platform::simulated
