#include "platform/simulated/Fault_Plan.h"

namespace platform::simulated {

void Fault_Plan::Fail_Request(std::uint64_t number, HRESULT result) {
    request_faults_.push_back({number, result});
}

void Fault_Plan::Fail_Selector(std::uint32_t selector, HRESULT result, std::optional<Request_Code> code) {
    selector_faults_.push_back({selector, code, result});
}

void Fault_Plan::Clear() {
    request_faults_.clear();
    selector_faults_.clear();
}

std::optional<HRESULT> Fault_Plan::Fault_For(std::uint64_t number, std::uint32_t selector,
                                             Request_Code code) const {
    for (const Request_Fault& fault : request_faults_) {
        if (fault.Number == number)
            return fault.Result;
    }
    for (const Selector_Fault& fault : selector_faults_) {
        if (fault.Selector == selector && (!fault.Code || *fault.Code == code))
            return fault.Result;
    }
    return std::nullopt;
}

} // namespace platform::simulated
