#pragma once
// The platform backend's video-device arrivals and removals, delivered to the dialogs that
// registered for device changes as the window messages of the video device class. Installed
// once with zunq::ui::Install_Device_Change_Source; it watches the backend current when the
// first dialog registers.
#include <memory>

#include "platform/Backend.h"
#include "platform/ui/services.h"

class Backend_Device_Changes final : public zunq::ui::Device_Change_Source {
public:
    Backend_Device_Changes() = default;
    ~Backend_Device_Changes() override { Stop(); }
    Backend_Device_Changes(const Backend_Device_Changes&) = delete;
    Backend_Device_Changes& operator=(const Backend_Device_Changes&) = delete;

    // False when the backend cannot watch (the null backend watches nothing).
    bool Start(zunq::ui::Device_Change_Sink& sink) override;
    void Stop() override;

private:
    std::shared_ptr<platform::Backend> backend_; // kept while it is watched
    std::unique_ptr<platform::Device_Change_Watch> watch_;
};
