#include "platform/linux/Linux_Video_Input.h"

#include <algorithm>

namespace platform::linux_host {

namespace {

class Camera_Filter final : public Video_Input_Filter {
public:
    explicit Camera_Filter(std::shared_ptr<Camera_Session> session) : session_(std::move(session)) {}

    std::unique_ptr<Ks_Control> Query_Control() override {
        return std::make_unique<Uvc_Control_Channel>(session_);
    }

private:
    std::shared_ptr<Camera_Session> session_;
};

class Linux_Video_Input final : public Video_Input_Device {
public:
    Linux_Video_Input(std::shared_ptr<Camera_Sessions> sessions, const Video_Function& function)
        : sessions_(std::move(sessions)), interface_number_(function.Interface->Location.Interface_Number) {
        const Sysfs_Usb_Device& device = *function.Device;
        place_ = {device.Location, device.Address, device.Descriptor.idVendor, device.Descriptor.idProduct,
                  function.Interface->Directory};
        friendly_name_ = device.Product.empty() ? Unnamed_Camera : device.Product;
        device_path_ = Video_Input_Path(place_.Vid, place_.Pid, place_.Location, interface_number_);
    }

    HRESULT Read_Property(std::string_view name, std::string& text) override {
        if (name == Property_Friendly_Name)
            text = friendly_name_;
        else if (name == Property_Device_Path)
            text = device_path_;
        else
            return Hresult_From_Win32(Win32_Error::Not_Found);
        return S_OK;
    }

    std::unique_ptr<Video_Input_Filter> Bind_Filter() override {
        const auto device = Read_Usb_Device(place_.Location);
        if (!device || device->Address != place_.Address)
            return nullptr; // gone, or another device on that port now
        Video_Control_Interface units{interface_number_, {}};
        for (Video_Control_Interface& found : Read_Video_Control_Interfaces(device->Active_Configuration()))
            if (found.Interface_Number == interface_number_)
                units = std::move(found);
        return std::make_unique<Camera_Filter>(sessions_->Bind(place_, std::move(units)));
    }

private:
    std::shared_ptr<Camera_Sessions> sessions_;
    std::uint8_t interface_number_;
    Camera_Place place_;
    std::string friendly_name_;
    std::string device_path_;
};

} // namespace

std::shared_ptr<Camera_Session> Camera_Sessions::Bind(const Camera_Place& place,
                                                      Video_Control_Interface units) {
    const std::lock_guard lock(mutex_);
    std::shared_ptr<Camera_Session>& kept = kept_[Key{place.Location, place.Address, units.Interface_Number}];
    if (kept)
        kept->Bound_Again();
    else
        kept = std::make_shared<Camera_Session>(context_, places_, place, std::move(units), timeout_ms_);
    return kept;
}

void Camera_Sessions::Keep_Only(const std::vector<Video_Function>& present) {
    std::vector<std::shared_ptr<Camera_Session>> ended; // ended outside the lock
    {
        const std::lock_guard lock(mutex_);
        for (auto kept = kept_.begin(); kept != kept_.end();) {
            const Key& key = kept->first;
            const bool there =
                std::any_of(present.begin(), present.end(), [&](const Video_Function& function) {
                    return Key{function.Device->Location, function.Device->Address,
                               function.Interface->Location.Interface_Number} == key;
                });
            if (there) {
                ++kept;
            } else {
                ended.push_back(std::move(kept->second));
                kept = kept_.erase(kept);
            }
        }
    }
}

std::vector<Video_Function> Video_Functions(const std::vector<Sysfs_Usb_Device>& devices) {
    std::vector<Video_Function> functions;
    for (const Sysfs_Usb_Device& device : devices)
        for (const Sysfs_Usb_Interface& interface : device.Interfaces)
            if (interface.Class == Video_Class && interface.Subclass == Video_Control_Subclass)
                functions.push_back({&device, &interface});
    return functions;
}

HRESULT Enumerate_Linux_Video_Inputs(const std::shared_ptr<Camera_Sessions>& sessions,
                                     std::vector<std::unique_ptr<Video_Input_Device>>& devices) {
    const auto present = Read_Usb_Devices();
    if (!present)
        return Hresult_From_Win32(Win32_Error::Not_Supported);
    const auto functions = Video_Functions(*present);
    sessions->Keep_Only(functions);
    if (functions.empty())
        return VFW_E_NOT_FOUND;
    for (const Video_Function& function : functions)
        devices.push_back(std::make_unique<Linux_Video_Input>(sessions, function));
    return S_OK;
}

} // namespace platform::linux_host
