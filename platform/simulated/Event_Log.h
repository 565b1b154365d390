#pragma once
// The one ordered record of what simulated cameras saw: every request each camera received
// (with its outcome), every property read of a camera's video-input device, every pause the
// library took through the virtual clock, every chip restart and every time a camera left the
// host or came back, in the order they happened. Tests assert exact sequences on it, for
// example "a 10 ms pause after each chunk write".
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Guid.h"
#include "platform/Result_Code.h"

namespace platform::simulated {

// The UVC request a property call amounts to.
enum class Request_Code : std::uint8_t {
    Invalid = 0x00, // a property record that is neither a get nor a set
    Set_Cur = 0x01,
    Get_Cur = 0x81,
    Get_Len = 0x85,
};

enum class Event_Kind : std::uint8_t {
    Request,
    Pause,
    Restart,
    Property_Read,
    Unplugged, // the camera left the host (off its port, out of the enumeration)
    Plugged,   // the camera came back (Property: its new capture path)
};

struct Event {
    std::uint64_t Sequence = 0; // 1 for the first event of the log, and so on
    std::uint64_t Time_Ms = 0;  // virtual time: the pauses and advances before the event
    Event_Kind Kind = Event_Kind::Request;
    std::string Camera; // every kind but a pause: the camera's name

    // Request.
    std::uint64_t Request_Number = 0; // the camera's own count, from 1 (fault plans count alike)
    std::uint32_t Node_Id = 0;
    GUID Unit;
    std::uint32_t Selector = 0;
    Request_Code Code = Request_Code::Invalid;
    std::uint32_t Length = 0;         // the request's data length (0 for a length query)
    std::vector<std::uint8_t> Data;   // set: the bytes sent; get: the bytes answered (none on failure,
                                      // nor while the log keeps no request data)
    std::uint32_t Bytes_Returned = 0; // length query: the length answered
    HRESULT Result = S_OK;            // request and property read

    // Property read: the property's name. Plugged: the capture path the camera came back under.
    std::string Property;

    // Pause.
    std::uint32_t Pause_Ms = 0;
};

// One line for failure messages, e.g. "#3 cam0 node 3 sel 2 SET_CUR len 2 [ff 20] -> 0x0".
std::string Describe(const Event& event);

// Thread-safe: cameras and clocks of several threads append to one log.
class Event_Log {
public:
    // Appends an event of any kind but a pause, stamping its sequence number and time.
    void Record(Event event);
    // Appends a pause and advances the virtual time by it.
    void Record_Pause(std::uint32_t milliseconds);
    // Advances the virtual time without a pause of the library (a test's own advance).
    void Advance_Time(std::uint64_t milliseconds);

    // Whether requests are logged with their data bytes (at first they are). A campaign of
    // many downloads that looks only at their outcome leaves the bytes out: copying every
    // chunk would cost it more than the camera's own work.
    void Keep_Request_Data(bool keep) { keep_request_data_.store(keep); }
    bool Keeps_Request_Data() const { return keep_events_.load() && keep_request_data_.load(); }

    // Whether events are kept at all (at first they are). A program that reads none of them,
    // such as the tool on a scenario, keeps none: a demo bench left running for a day would
    // otherwise hold every request of every burn. The sequence numbers and the time go on.
    void Keep_Events(bool keep) { keep_events_.store(keep); }

    std::uint64_t Now_Ms() const;
    std::vector<Event> Events() const;
    std::vector<Event> Requests() const;
    std::vector<std::uint32_t> Pauses() const;
    std::size_t Size() const;
    // Forgets the events; the time goes on.
    void Clear();

private:
    mutable std::mutex mutex_;
    std::vector<Event> events_;
    std::uint64_t next_sequence_ = 1;
    std::uint64_t now_ms_ = 0;
    std::atomic<bool> keep_request_data_{true};
    std::atomic<bool> keep_events_{true};
};

} // namespace platform::simulated
