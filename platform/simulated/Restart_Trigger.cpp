#include "platform/simulated/Restart_Trigger.h"

#include <algorithm>

namespace platform::simulated {

void Restart_Register::Write(Register_Bus& bus, std::uint16_t address, std::uint8_t value) {
    bus.Poke(address, value);
    if (std::find(values_.begin(), values_.end(), value) != values_.end())
        triggered_(value);
}

} // namespace platform::simulated
