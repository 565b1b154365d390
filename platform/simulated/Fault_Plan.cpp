#include "platform/simulated/Fault_Plan.h"

#include <algorithm>
#include <array>

namespace platform::simulated {

namespace {

using Match = Planned_Fault::Match;
using Kind = Fault_Action::Kind;

bool Picks(const Planned_Fault& fault, std::uint64_t number, std::uint32_t selector, Request_Code code) {
    switch (fault.Which) {
    case Match::Request:
        return fault.Number == number;
    case Match::Selector:
        return fault.Selector == selector && (!fault.Code || *fault.Code == code);
    case Match::Unplug_After:
        return number > fault.Number;
    }
    return false;
}

} // namespace

void Fault_Plan::Fail_Request(std::uint64_t number, HRESULT result) {
    Plan({Match::Request, number, 0, std::nullopt, {Kind::Fail, result, 0}});
}

void Fault_Plan::Fail_Selector(std::uint32_t selector, HRESULT result, std::optional<Request_Code> code) {
    Plan({Match::Selector, 0, selector, code, {Kind::Fail, result, 0}});
}

void Fault_Plan::Ignore_Request(std::uint64_t number) {
    Plan({Match::Request, number, 0, std::nullopt, {Kind::Ignore, S_OK, 0}});
}

void Fault_Plan::Ignore_Selector(std::uint32_t selector, std::optional<Request_Code> code) {
    Plan({Match::Selector, 0, selector, code, {Kind::Ignore, S_OK, 0}});
}

void Fault_Plan::Flip_Byte(std::uint64_t number, std::uint32_t position) {
    Plan({Match::Request, number, 0, std::nullopt, {Kind::Flip_Byte, S_OK, position}});
}

void Fault_Plan::Unplug_After(std::uint64_t number) {
    Plan({Match::Unplug_After, number, 0, std::nullopt, {Kind::Fail, Unplugged_Result, 0}});
}

void Fault_Plan::Plan(const Planned_Fault& fault) {
    faults_.push_back(fault);
}

void Fault_Plan::Clear() {
    faults_.clear();
}

std::optional<Fault_Action> Fault_Plan::Fault_For(std::uint64_t number, std::uint32_t selector,
                                                  Request_Code code) const {
    for (Match which : std::array{Match::Unplug_After, Match::Request, Match::Selector}) {
        const auto found = std::find_if(faults_.begin(), faults_.end(), [&](const Planned_Fault& fault) {
            return fault.Which == which && Picks(fault, number, selector, code);
        });
        if (found != faults_.end())
            return found->Action;
    }
    return std::nullopt;
}

} // namespace platform::simulated
