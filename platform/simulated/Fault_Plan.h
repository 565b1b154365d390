#pragma once
// Requests a simulated camera fails on purpose, to drive the library's failure paths: the n-th
// request the camera receives, or every request on a selector (of one request code only, when
// given). A faulted request has no effect on the chip. The result may be any value, -1
// included: no real channel answers -1, but the library's exact -1 rules must be exercised.
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/Result_Code.h"
#include "platform/simulated/Event_Log.h"

namespace platform::simulated {

class Fault_Plan {
public:
    // The camera's request `number` (counting every request it receives, from 1) fails.
    void Fail_Request(std::uint64_t number, HRESULT result);
    // Every request on `selector` fails; with `code`, only requests of that code.
    void Fail_Selector(std::uint32_t selector, HRESULT result,
                       std::optional<Request_Code> code = std::nullopt);
    void Clear();

    // The result request `number` fails with, or nullopt when it is carried. Request-number
    // faults come before selector faults; among each, the first planned serves.
    std::optional<HRESULT> Fault_For(std::uint64_t number, std::uint32_t selector, Request_Code code) const;

private:
    struct Request_Fault {
        std::uint64_t Number;
        HRESULT Result;
    };
    struct Selector_Fault {
        std::uint32_t Selector;
        std::optional<Request_Code> Code;
        HRESULT Result;
    };
    std::vector<Request_Fault> request_faults_;
    std::vector<Selector_Fault> selector_faults_;
};

} // namespace platform::simulated
