#pragma once
// What a simulated camera does wrong on purpose, to drive the library's failure paths. A fault
// picks requests (the n-th request the camera receives, every request on a selector, of one
// request code only when given, or every request after the n-th: the camera unplugged) and
// does one of:
//   Fail       the request fails with a chosen result and has no effect on the chip; any value,
//              -1 included: no real channel answers -1, but the library's exact -1 rules must
//              be exercised
//   Ignore     the request answers success and has no effect: an erase or a write that is
//              silently lost, a get that leaves the host's buffer as it was (a length query
//              is answered as usual: it has no effect to lose)
//   Flip_Byte  a get is carried, then the byte at a chosen place of its answer is inverted
// Request numbers count every request the camera receives, from 1.
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/Result_Code.h"
#include "platform/simulated/Event_Log.h"

namespace platform::simulated {

// What an unplugged camera answers to every request.
inline constexpr HRESULT Unplugged_Result = Hresult_From_Win32(Win32_Error::Device_Not_Connected);

struct Fault_Action {
    enum class Kind : std::uint8_t { Fail, Ignore, Flip_Byte };
    Kind What = Kind::Fail;
    HRESULT Result = S_OK;      // Fail
    std::uint32_t Position = 0; // Flip_Byte: the place in the answer, from 0
};

struct Planned_Fault {
    enum class Match : std::uint8_t {
        Request,      // request Number
        Selector,     // every request on Selector (of Code, when given)
        Unplug_After, // every request after request Number
    };
    Match Which = Match::Request;
    std::uint64_t Number = 0;
    std::uint32_t Selector = 0;
    std::optional<Request_Code> Code;
    Fault_Action Action;
};

class Fault_Plan {
public:
    // The camera's request `number` fails.
    void Fail_Request(std::uint64_t number, HRESULT result);
    // Every request on `selector` fails; with `code`, only requests of that code.
    void Fail_Selector(std::uint32_t selector, HRESULT result,
                       std::optional<Request_Code> code = std::nullopt);
    // Request `number` answers success without effect.
    void Ignore_Request(std::uint64_t number);
    // Every request on `selector` (of `code`) answers success without effect.
    void Ignore_Selector(std::uint32_t selector, std::optional<Request_Code> code = std::nullopt);
    // Request `number`, a get, answers with its byte at `position` inverted.
    void Flip_Byte(std::uint64_t number, std::uint32_t position);
    // Every request after request `number` fails with Unplugged_Result.
    void Unplug_After(std::uint64_t number);
    void Plan(const Planned_Fault& fault);
    void Clear();

    // What request `number` meets, or nullopt when it is carried as usual. An unplugged camera
    // comes first, then request-number faults, then selector faults; among each, the first
    // planned serves.
    std::optional<Fault_Action> Fault_For(std::uint64_t number, std::uint32_t selector,
                                          Request_Code code) const;

private:
    std::vector<Planned_Fault> faults_;
};

} // namespace platform::simulated
