#include "platform/simulated/Simulated_Unit.h"

namespace platform::simulated {

namespace {

class Presence_Selector final : public Control_Selector {
public:
    std::uint32_t Length() const override { return Presence_Length; }
};

} // namespace

Simulated_Unit::Simulated_Unit() {
    Add_Selector(0, std::make_shared<Presence_Selector>());
}

void Simulated_Unit::Add_Selector(std::uint32_t selector, std::shared_ptr<Control_Selector> control) {
    selectors_[selector] = std::move(control);
}

Control_Selector* Simulated_Unit::Find(std::uint32_t selector) const {
    const auto found = selectors_.find(selector);
    return found == selectors_.end() ? nullptr : found->second.get();
}

HRESULT Simulated_Unit::Handle(Request_Code code, std::uint32_t selector, std::span<std::uint8_t> data,
                               std::uint32_t& bytes_returned) {
    Control_Selector* control = Find(selector);
    if (!control)
        return Hresult_From_Win32(Win32_Error::Not_Found);
    switch (code) {
    case Request_Code::Get_Len:
        bytes_returned = control->Length();
        return E_MORE_DATA;
    case Request_Code::Get_Cur: {
        const HRESULT result = control->Get(data);
        if (result >= 0)
            bytes_returned = static_cast<std::uint32_t>(data.size());
        return result;
    }
    case Request_Code::Set_Cur:
        return control->Set(data);
    case Request_Code::Invalid:
        break;
    }
    return Hresult_From_Win32(Win32_Error::Invalid_Parameter);
}

} // namespace platform::simulated
