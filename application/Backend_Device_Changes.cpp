#include "Backend_Device_Changes.h"

namespace {

zunq::ui::Device_Change Window_Message_Of(const platform::Device_Change_Event& event) {
    zunq::ui::Device_Change change;
    change.event_type =
        event.Kind == platform::Device_Change_Kind::Arrival ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE;
    change.interface_class = KSCATEGORY_VIDEO;
    change.device_name = event.Device_Path;
    return change;
}

} // namespace

bool Backend_Device_Changes::Start(zunq::ui::Device_Change_Sink& sink) {
    Stop();
    backend_ = platform::Current_Backend();
    watch_ = backend_->Watch_Video_Device_Changes([&sink](const platform::Device_Change_Event& event) {
        sink.Device_Changed(Window_Message_Of(event));
    });
    if (!watch_)
        backend_.reset();
    return watch_ != nullptr;
}

void Backend_Device_Changes::Stop() {
    watch_.reset(); // no delivery runs once this returns
    backend_.reset();
}
