// The tool's start-up on the demo scenario's five simulated cameras, offscreen: from the
// application object's InitInstance to the main dialog shown with its camera list filled,
// and the process's resident memory once it is up. The pauses of the cameras are virtual, so
// the time is the host's own work. "ratio_to_refresh" sets the start-up against a bare
// refresh of the same cameras' device list (what the dialog adds to the library's work), and
// "resident_MiB" is the resident memory after the first start-up.
#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <string>

#include "Backend_Device_Changes.h"
#include "ZUNQ_USB_CAM.h"
#include "ZUNQ_USB_CAMDlg.h"
#include "platform/simulated/Scenario.h"
#include "platform/ui/testing/headless.h"
#include "resources/resources.h"

namespace {

using Clock = std::chrono::steady_clock;

// VmRSS of this process, in MiB; 0 when the system does not tell.
double Resident_MiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0; // in kB
    return 0.0;
}

std::shared_ptr<platform::simulated::Simulated_Backend> Demo_Cameras() {
    const auto load =
        platform::simulated::Load_Scenario_File(std::string(ZUNQ_SOURCE_DIR) + "/scenarios/demo.json");
    auto backend = std::make_shared<platform::simulated::Simulated_Backend>();
    if (load.Loaded)
        platform::simulated::Build_Scenario(*backend, *load.Loaded);
    return backend;
}

std::chrono::duration<double> Bare_Refresh() {
    Device_List* list = Device_List_Create();
    const auto start = Clock::now();
    benchmark::DoNotOptimize(Device_List_Refresh(list));
    const auto end = Clock::now();
    Device_List_Release(list);
    return end - start;
}

void Start_Up_To_Shown_Dialog(benchmark::State& state) {
    zunq::ui::testing::Start_Headless(zunq::resources::Tool_Resources());
    zunq::ui::testing::Scripted_Services services;
    const auto backend = Demo_Cameras();
    platform::Scoped_Backend installed(backend);
    Backend_Device_Changes device_changes;
    zunq::ui::Install_Device_Change_Source(&device_changes);

    Clock::time_point start;
    std::chrono::duration<double> shown{};
    double resident = 0;
    int cameras = 0;
    services.run_modal = [&](CDialog& dialog) {
        zunq::ui::testing::Pump();
        shown = Clock::now() - start;
        cameras = static_cast<ZUNQ_USB_CAMDlg&>(dialog).m_nDeviceCount;
        if (resident == 0)
            resident = Resident_MiB();
    }; // the driver closes the dialog when this returns
    std::chrono::duration<double> start_ups{};
    for (auto _ : state) {
        start = Clock::now();
        theApp.InitInstance();
        state.SetIterationTime(shown.count());
        start_ups += shown;
        backend->Log().Clear();
    }
    std::chrono::duration<double> refreshes{};
    constexpr int Refreshes = 20;
    for (int i = 0; i < Refreshes; ++i) {
        refreshes += Bare_Refresh();
        backend->Log().Clear();
    }
    zunq::ui::Install_Device_Change_Source(nullptr);

    const double start_up = start_ups.count() / static_cast<double>(state.iterations());
    const double refresh = refreshes.count() / Refreshes;
    state.counters["cameras"] = cameras;
    state.counters["resident_MiB"] = resident;
    state.counters["ratio_to_refresh"] = refresh > 0 ? start_up / refresh : 0.0;
}

BENCHMARK(Start_Up_To_Shown_Dialog)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
