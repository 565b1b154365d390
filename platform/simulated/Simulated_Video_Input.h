#pragma once
// A simulated camera as a video-input device: its properties come from the camera's
// Video_Input_Identity (every read is logged), and binding gives the camera's control channel
// unless the identity says the filter or the control channel fails.
#include <memory>

#include "platform/Video_Input.h"
#include "platform/simulated/Simulated_Camera.h"

namespace platform::simulated {

// The device handle of `camera`; it keeps the camera alive.
std::unique_ptr<Video_Input_Device> Open_Video_Input(std::shared_ptr<Simulated_Camera> camera);

} // namespace platform::simulated
