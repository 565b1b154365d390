#pragma once
// The video-input seam: how the camera library finds the cameras of the host. A backend lists
// the video-input devices present (Backend::Enumerate_Video_Inputs); the library reads each
// device's properties by name, then binds the device to its capture filter and the filter to
// its control channel, the one way requests reach the camera (Ks_Control).
#include <memory>
#include <string>
#include <string_view>

#include "platform/Ks_Control.h"
#include "platform/Result_Code.h"

namespace platform {

// The property names a video-input device answers.
inline constexpr std::string_view Property_Description = "Description";
inline constexpr std::string_view Property_Friendly_Name = "FriendlyName";
inline constexpr std::string_view Property_Wave_In_Id = "WaveInID"; // a number, read as its decimal text
inline constexpr std::string_view Property_Device_Path = "DevicePath";

// A video-input device bound to its capture filter.
class Video_Input_Filter {
public:
    virtual ~Video_Input_Filter() = default;

    // A new control channel to the device, or null when the filter offers none. The caller owns
    // the channel; it stays usable after the filter and the device are gone (it keeps what it
    // needs alive), and ends when it is destroyed.
    virtual std::unique_ptr<Ks_Control> Query_Control() = 0;
};

// One video-input device as the enumeration hands it out. Owned by the library's camera device
// object once discovery has built one for it; used by one thread at a time.
class Video_Input_Device {
public:
    virtual ~Video_Input_Device() = default;

    // Reads property `name` as text. S_OK with `text` replaced; a failure result (negative,
    // never -1) when the device has no such property or its properties cannot be opened, with
    // `text` untouched. Texts are UTF-8 and carry no NUL; they may be of any length.
    virtual HRESULT Read_Property(std::string_view name, std::string& text) = 0;

    // Binds the device to its capture filter: the filter, or null when the device cannot be
    // bound (it is gone, or its driver refuses). May be called more than once.
    virtual std::unique_ptr<Video_Input_Filter> Bind_Filter() = 0;
};

} // namespace platform
