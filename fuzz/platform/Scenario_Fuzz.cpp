// Scenario text from outside: the loader answers a scenario or an error, never both and never
// neither, what it accepts builds into cameras that enumerate, and its timeline runs to its end
// on the backend's clock leaving no more cameras listed than there are.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/simulated/Scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace platform::simulated;
    const Scenario_Load load = Parse_Scenario(std::string_view(reinterpret_cast<const char*>(data), size));
    if (load.Loaded.has_value() == !load.Error.empty())
        std::abort();
    if (!load.Loaded)
        return 0;
    // Flash parts hold their whole contents: keep the fuzzer's memory within bounds.
    std::uint64_t flash_bytes = 0;
    for (const Scenario_Camera& camera : load.Loaded->Cameras)
        flash_bytes += camera.Chip.Flash ? camera.Chip.Flash->Size : 0;
    if (flash_bytes > (64u << 20))
        return 0;
    Simulated_Backend backend;
    const auto cameras = Build_Scenario(backend, *load.Loaded);
    if (cameras.size() != load.Loaded->Cameras.size())
        std::abort();
    std::vector<std::unique_ptr<platform::Video_Input_Device>> devices;
    backend.Enumerate_Video_Inputs(devices);
    if (devices.size() != cameras.size())
        std::abort();
    std::uint64_t last_step = 0;
    for (const Scenario_Step& step : load.Loaded->Timeline)
        last_step = std::max(last_step, step.At_Ms);
    backend.Advance_Clock(last_step);
    if (backend.Pending_Actions() != 0)
        std::abort();
    devices.clear();
    backend.Enumerate_Video_Inputs(devices);
    if (devices.size() > cameras.size())
        std::abort();
    return 0;
}
