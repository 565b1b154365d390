// A burn through the tool's dialog on the demo's simulated cameras, from the click on "下载" to
// the button given back, each camera by its own road. The whole process's CPU time counts:
// the user-interface thread (the preparation, the timer, the device changes, the repaints),
// the download worker with the simulated camera it drives, the progress thread and the
// threads Qt paints with. The dialog's making before and the camera's restart after each burn
// are not counted.
//   ratio_host_to_pacing_floor   CPU time per burn over the family's pacing floor, the pauses
//                                its download must make (target: at most 0.01), in both clocks.
//                                The floor is written here from the protocol: 128 x 10 ms
//                                (SPCA2620, SPCA2092), 32 x 10 ms (SPCA2281), 512 x 10 ms + 27 x
//                                5 ms (SPCA2650, SPCA2282). On the virtual clock a download ends
//                                within one tick of the burn timer; in real time the bar and the
//                                label follow it tick by tick, as the operator sees them.
//   ratio_cpu_to_wall            in real time, as the operator runs it: CPU time over the burn's
//                                wall time, the preparation's waits included (target: at most
//                                0.02). The user-interface thread sleeps in its event loop
//                                until the burn is over, as in the tool: nothing polls.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "Backend_Device_Changes.h"
#include "Ratio_Targets.h"
#include "ZUNQ_USB_CAMDlg.h"
#include "platform/simulated/Scenario.h"
#include "platform/ui/testing/headless.h"
#include "resources/resources.h"
#include "test_images/Demo_Images.h"

namespace {

using zunq::benchmarks::Bound;
const zunq::benchmarks::Declared_Targets Targets{
    {"ratio_host_to_pacing_floor", Bound::At_Most, 0.01},
    {"ratio_cpu_to_wall", Bound::At_Most, 0.02},
};

using namespace platform::simulated;
namespace ui_testing = zunq::ui::testing;

struct Demo_Camera {
    int Index; // in scenarios/demo.json and so in the camera list
    const char* Family;
    double Pacing_Floor_Ms;
};

const Demo_Camera Cameras[] = {
    {0, "SPCA2620", 128 * 10},          {1, "SPCA2281", 32 * 10},           {2, "SPCA2092", 128 * 10},
    {3, "SPCA2650", 512 * 10 + 27 * 5}, {4, "SPCA2282", 512 * 10 + 27 * 5},
};

double Process_Cpu_Seconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The tool keeps its files in its working directory, and the library prints a line per step
// of a download to standard error: a folder of its own, and /dev/null, while it runs.
class Tool_Surroundings {
public:
    Tool_Surroundings() : previous_(std::filesystem::current_path()), saved_stderr_(dup(STDERR_FILENO)) {
        std::string pattern = (std::filesystem::temp_directory_path() / "zunq-burn-bench-XXXXXX").string();
        folder_ = mkdtemp(pattern.data());
        std::filesystem::current_path(folder_);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDERR_FILENO);
        close(null);
    }
    ~Tool_Surroundings() {
        dup2(saved_stderr_, STDERR_FILENO);
        close(saved_stderr_);
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(folder_);
    }
    Tool_Surroundings(const Tool_Surroundings&) = delete;
    Tool_Surroundings& operator=(const Tool_Surroundings&) = delete;

    // The demo image of `family`, written into the folder.
    std::string Demo_Image(const std::string& family) const {
        for (const auto& demo : test_images::Demo_Images()) {
            if (demo.Family != family)
                continue;
            const std::string path = (folder_ / demo.File).string();
            std::ofstream(path, std::ios::binary)
                .write(reinterpret_cast<const char*>(demo.Image.data()),
                       static_cast<std::streamsize>(demo.Image.size()));
            return path;
        }
        return {};
    }

private:
    std::filesystem::path previous_;
    std::filesystem::path folder_;
    int saved_stderr_;
};

// The demo's cameras on a clock, their changes delivered to the dialog, the dialog up with the
// camera selected and its image dropped on it.
struct Tool_On_Demo {
    explicit Tool_On_Demo(Simulated_Time time, const Demo_Camera& camera, const Tool_Surroundings& files)
        : backend(std::make_shared<Simulated_Backend>(time)), installed(backend) {
        ui_testing::Start_Headless(zunq::resources::Tool_Resources());
        const auto demo = Load_Scenario_File(ZUNQ_SOURCE_DIR "/scenarios/demo.json");
        if (!demo.Loaded)
            return;
        Build_Scenario(*backend, *demo.Loaded);
        zunq::ui::Install_Device_Change_Source(&changes);
        dialog = std::make_unique<ZUNQ_USB_CAMDlg>();
        dialog->Create(IDD_ZUNQ_USB_CAM_DIALOG);
        dialog->ShowWindow(SW_SHOW);
        ui_testing::Select(*dialog, 1016, camera.Index);
        ui_testing::Drop_Files(*dialog, {files.Demo_Image(camera.Family)});
    }
    ~Tool_On_Demo() {
        dialog.reset();
        zunq::ui::Install_Device_Change_Source(nullptr);
    }
    bool Ready() const { return dialog && dialog->m_nImageSize != 0; }
    bool Succeeded() { return ui_testing::Text(*dialog, 1068).ends_with("烧录成功\r\n\r\n"); }

    std::shared_ptr<Simulated_Backend> backend;
    platform::Scoped_Backend installed;
    Backend_Device_Changes changes;
    std::unique_ptr<ZUNQ_USB_CAMDlg> dialog;
};

void Burn_On_Virtual_Clock(benchmark::State& state) {
    const Demo_Camera& camera = Cameras[state.range(0)];
    state.SetLabel(camera.Family);
    const Tool_Surroundings files;
    ui_testing::Scripted_Services services;
    Tool_On_Demo tool(Simulated_Time::Virtual, camera, files);
    services.on_clock_advance = [&](std::uint64_t ms) { tool.backend->Advance_Clock(ms); };
    if (!tool.Ready()) {
        state.SkipWithError("the demo image was not loaded");
        return;
    }
    double cpu_seconds = 0;
    for (auto _ : state) {
        const double start = Process_Cpu_Seconds();
        ui_testing::Click(*tool.dialog, 1009);
        while (tool.dialog->Is_Burn_Under_Way()) {
            services.Advance_Clock(ZUNQ_USB_CAMDlg::Burn_Timer_Period_Ms);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        const double seconds = Process_Cpu_Seconds() - start;
        if (!tool.Succeeded()) {
            state.SkipWithError("the burn did not succeed");
            return;
        }
        state.SetIterationTime(seconds);
        cpu_seconds += seconds;
        services.Advance_Clock(3000); // the camera back from its restart
    }
    const double burns = static_cast<double>(state.iterations());
    state.counters["cpu_ms"] = cpu_seconds * 1000 / burns;
    state.counters["pacing_floor_ms"] = camera.Pacing_Floor_Ms;
    state.counters["ratio_host_to_pacing_floor"] = cpu_seconds * 1000 / burns / camera.Pacing_Floor_Ms;
}

// Real time, the desktop services' timers and waits: the user-interface thread sleeps in its
// event loop between events, as in the tool.
void Burn_In_Real_Time(benchmark::State& state) {
    const Demo_Camera& camera = Cameras[state.range(0)];
    state.SetLabel(camera.Family);
    const Tool_Surroundings files;
    Tool_On_Demo tool(Simulated_Time::Real, camera, files);
    if (!tool.Ready()) {
        state.SkipWithError("the demo image was not loaded");
        return;
    }
    constexpr int Longest_Burn_Ms = 120000;
    double cpu_seconds = 0;
    double wall_seconds = 0;
    for (auto _ : state) {
        if (cpu_seconds > 0)
            zunq::ui::Wait_Dispatching(2500); // the camera back from the last burn's restart
        const auto wall_start = std::chrono::steady_clock::now();
        const double start = Process_Cpu_Seconds();
        ui_testing::Click(*tool.dialog, 1009);
        ui_testing::Dispatch_Until([&] { return !tool.dialog->Is_Burn_Under_Way(); }, Longest_Burn_Ms);
        const double seconds = Process_Cpu_Seconds() - start;
        const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wall_start;
        if (!tool.Succeeded()) {
            state.SkipWithError("the burn did not succeed");
            return;
        }
        state.SetIterationTime(wall.count());
        cpu_seconds += seconds;
        wall_seconds += wall.count();
    }
    const double burns = static_cast<double>(state.iterations());
    state.counters["cpu_ms"] = cpu_seconds * 1000 / burns;
    state.counters["wall_ms"] = wall_seconds * 1000 / burns;
    state.counters["pacing_floor_ms"] = camera.Pacing_Floor_Ms;
    state.counters["ratio_cpu_to_wall"] = cpu_seconds / wall_seconds;
    state.counters["ratio_host_to_pacing_floor"] = cpu_seconds * 1000 / burns / camera.Pacing_Floor_Ms;
}

BENCHMARK(Burn_On_Virtual_Clock)
    ->DenseRange(0, std::size(Cameras) - 1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
// Every family's road in real time, once each (the cameras' restarts take seconds of the run),
// the SPCA2620's twice.
BENCHMARK(Burn_In_Real_Time)->Arg(0)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(Burn_In_Real_Time)
    ->DenseRange(1, std::size(Cameras) - 1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace
