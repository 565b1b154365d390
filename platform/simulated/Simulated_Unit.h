#pragma once
// A simulated extension unit: its controls by selector, and the dispatch of one request to
// them. A length query answers through E_MORE_DATA with the control's length, as the platform
// does; an unknown selector fails.
#include <cstdint>
#include <map>
#include <memory>
#include <span>

#include "platform/Result_Code.h"
#include "platform/simulated/Control_Selector.h"
#include "platform/simulated/Event_Log.h"

namespace platform::simulated {

// Selector 0 carries nothing; the chips answer its length query so that a host can test
// whether a (GUID, node) binding reaches them. This is the length they answer.
inline constexpr std::uint32_t Presence_Length = 1;

class Simulated_Unit {
public:
    Simulated_Unit();

    // Serves `selector` with `control` from now on (replacing an earlier one).
    void Add_Selector(std::uint32_t selector, std::shared_ptr<Control_Selector> control);
    Control_Selector* Find(std::uint32_t selector) const;

    // One request. Set: `data` holds the bytes sent. Get: `data` receives the answer. Length
    // query: `data` is empty and `bytes_returned` receives the control's length.
    HRESULT Handle(Request_Code code, std::uint32_t selector, std::span<std::uint8_t> data,
                   std::uint32_t& bytes_returned);

private:
    std::map<std::uint32_t, std::shared_ptr<Control_Selector>> selectors_;
};

} // namespace platform::simulated
