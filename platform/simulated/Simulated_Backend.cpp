#include "platform/simulated/Simulated_Backend.h"

namespace platform::simulated {

std::shared_ptr<Simulated_Camera> Simulated_Backend::Add_Camera(std::string name, Chip_Model model) {
    auto camera = Simulated_Camera::Create(std::move(name), std::move(model), log_);
    cameras_.push_back(camera);
    return camera;
}

} // namespace platform::simulated
