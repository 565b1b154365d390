#include "platform/simulated/Event_Log.h"

#include <algorithm>
#include <cstdio>

namespace platform::simulated {

namespace {

const char* Code_Name(Request_Code code) {
    switch (code) {
    case Request_Code::Set_Cur:
        return "SET_CUR";
    case Request_Code::Get_Cur:
        return "GET_CUR";
    case Request_Code::Get_Len:
        return "GET_LEN";
    case Request_Code::Invalid:
        break;
    }
    return "INVALID";
}

} // namespace

std::string Describe(const Event& event) {
    char head[160];
    switch (event.Kind) {
    case Event_Kind::Pause:
        std::snprintf(head, sizeof head, "#%llu pause %u ms", static_cast<unsigned long long>(event.Sequence),
                      event.Pause_Ms);
        return head;
    case Event_Kind::Restart:
        std::snprintf(head, sizeof head, "#%llu %s restarts", static_cast<unsigned long long>(event.Sequence),
                      event.Camera.c_str());
        return head;
    case Event_Kind::Unplugged:
        std::snprintf(head, sizeof head, "#%llu %s unplugged",
                      static_cast<unsigned long long>(event.Sequence), event.Camera.c_str());
        return head;
    case Event_Kind::Plugged:
        return "#" + std::to_string(event.Sequence) + " " + event.Camera + " plugged in as " + event.Property;
    case Event_Kind::Property_Read:
        std::snprintf(head, sizeof head, "#%llu %s property %s -> 0x%x",
                      static_cast<unsigned long long>(event.Sequence), event.Camera.c_str(),
                      event.Property.c_str(), static_cast<unsigned>(event.Result));
        return head;
    case Event_Kind::Request:
        break;
    }
    std::snprintf(head, sizeof head, "#%llu %s node %u %s sel %u %s len %u",
                  static_cast<unsigned long long>(event.Sequence), event.Camera.c_str(), event.Node_Id,
                  Format_Guid(event.Unit).c_str(), event.Selector, Code_Name(event.Code), event.Length);
    std::string text = head;
    if (!event.Data.empty()) {
        text += " [";
        for (std::size_t i = 0; i < event.Data.size(); ++i) {
            char byte[4];
            std::snprintf(byte, sizeof byte, i == 0 ? "%02x" : " %02x", event.Data[i]);
            text += byte;
        }
        text += "]";
    }
    char tail[48];
    std::snprintf(tail, sizeof tail, " -> 0x%x", static_cast<unsigned>(event.Result));
    return text + tail;
}

void Event_Log::Record(Event event) {
    const std::lock_guard lock(mutex_);
    event.Sequence = next_sequence_++;
    event.Time_Ms = now_ms_;
    if (keep_events_.load())
        events_.push_back(std::move(event));
}

void Event_Log::Record_Pause(std::uint32_t milliseconds) {
    const std::lock_guard lock(mutex_);
    Event event;
    event.Kind = Event_Kind::Pause;
    event.Sequence = next_sequence_++;
    event.Time_Ms = now_ms_;
    event.Pause_Ms = milliseconds;
    if (keep_events_.load())
        events_.push_back(std::move(event));
    now_ms_ += milliseconds;
}

void Event_Log::Advance_Time(std::uint64_t milliseconds) {
    const std::lock_guard lock(mutex_);
    now_ms_ += milliseconds;
}

std::uint64_t Event_Log::Now_Ms() const {
    const std::lock_guard lock(mutex_);
    return now_ms_;
}

std::vector<Event> Event_Log::Events() const {
    const std::lock_guard lock(mutex_);
    return events_;
}

std::vector<Event> Event_Log::Requests() const {
    const std::lock_guard lock(mutex_);
    std::vector<Event> requests;
    std::copy_if(events_.begin(), events_.end(), std::back_inserter(requests),
                 [](const Event& event) { return event.Kind == Event_Kind::Request; });
    return requests;
}

std::vector<std::uint32_t> Event_Log::Pauses() const {
    const std::lock_guard lock(mutex_);
    std::vector<std::uint32_t> pauses;
    for (const Event& event : events_) {
        if (event.Kind == Event_Kind::Pause)
            pauses.push_back(event.Pause_Ms);
    }
    return pauses;
}

std::size_t Event_Log::Size() const {
    const std::lock_guard lock(mutex_);
    return events_.size();
}

void Event_Log::Clear() {
    const std::lock_guard lock(mutex_);
    events_.clear();
}

} // namespace platform::simulated
