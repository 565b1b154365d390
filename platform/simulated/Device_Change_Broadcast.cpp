#include "platform/simulated/Device_Change_Broadcast.h"

namespace platform::simulated {

namespace {

template <class Watchers>
class Broadcast_Watch final : public Device_Change_Watch {
public:
    Broadcast_Watch(std::shared_ptr<Watchers> watchers, std::uint64_t id)
        : watchers_(std::move(watchers)), id_(id) {}
    ~Broadcast_Watch() override {
        const std::lock_guard lock(watchers_->mutex);
        watchers_->callbacks.erase(id_);
    }

private:
    std::shared_ptr<Watchers> watchers_;
    std::uint64_t id_;
};

} // namespace

std::unique_ptr<Device_Change_Watch> Device_Change_Broadcast::Watch(Device_Change_Callback callback) {
    if (!callback)
        return nullptr;
    const std::lock_guard lock(watchers_->mutex);
    const std::uint64_t id = watchers_->next_id++;
    watchers_->callbacks.emplace(id, std::move(callback));
    return std::make_unique<Broadcast_Watch<Watchers>>(watchers_, id);
}

void Device_Change_Broadcast::Report(const Device_Change_Event& event) {
    const std::lock_guard lock(watchers_->mutex);
    for (const auto& [id, callback] : watchers_->callbacks)
        callback(event);
}

} // namespace platform::simulated
