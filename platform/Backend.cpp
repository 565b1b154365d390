#include "platform/Backend.h"

#include <mutex>
#include <utility>

namespace platform {

namespace {

std::mutex backend_mutex;

std::shared_ptr<Backend>& Backend_Slot() {
    static std::shared_ptr<Backend> slot = std::make_shared<Backend>();
    return slot;
}

} // namespace

std::shared_ptr<Backend> Current_Backend() {
    const std::lock_guard lock(backend_mutex);
    return Backend_Slot();
}

std::shared_ptr<Backend> Install_Backend(std::shared_ptr<Backend> backend) {
    if (!backend)
        backend = std::make_shared<Backend>();
    const std::lock_guard lock(backend_mutex);
    return std::exchange(Backend_Slot(), std::move(backend));
}

} // namespace platform
