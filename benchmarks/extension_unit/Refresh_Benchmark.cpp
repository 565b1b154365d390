// A device-list refresh over simulated cameras: discovery, identification of every camera and
// the choice of its flash command set. The pauses are virtual, so what is measured is the
// host's own work, and it should grow linearly with the cameras. Every camera is of the kind
// that costs the most (its probe comes last and it is decided by registers), so one camera's
// refresh is the unit: "per_camera" is the time over the count, and "ratio_to_one_camera" that
// time over a refresh of a single such camera, near 1 from 1 to 20 cameras (target: at most
// 1.5, so a cost that grows faster than the cameras shows as a miss).
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "Ratio_Targets.h"
#include "extension_unit_integrate/Extension_Unit_Integrate.h"
#include "platform/simulated/Chip_Families.h"

namespace {

const zunq::benchmarks::Declared_Targets Targets{
    {"ratio_to_one_camera", zunq::benchmarks::Bound::At_Most, 1.5}};

using namespace platform::simulated;
using Clock = std::chrono::steady_clock;

std::shared_ptr<Simulated_Backend> Cameras(std::size_t count) {
    auto backend = std::make_shared<Simulated_Backend>();
    for (std::size_t i = 0; i < count; ++i) {
        auto desc = Chip_Camera("cam" + std::to_string(i), "SPCA2282", "G10@2");
        desc.Flash.emplace();
        desc.Flash->Jedec_Id = {0x1C, 0x31, 0x13};
        desc.Flash->Size = 64 * 1024;
        Add_Chip_Camera(*backend, desc);
    }
    return backend;
}

// One refresh with `backend` installed; its event log is emptied afterwards, untimed.
std::chrono::duration<double> Timed_Refresh(Device_List* list,
                                            const std::shared_ptr<Simulated_Backend>& backend) {
    platform::Scoped_Backend installed(backend);
    const auto start = Clock::now();
    benchmark::DoNotOptimize(Device_List_Refresh(list));
    const auto end = Clock::now();
    backend->Log().Clear();
    return end - start;
}

void Refresh(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    const auto many = Cameras(count);
    const auto one = Cameras(1);
    // The unit first, warm, on a list of its own: refreshed between the others, a single
    // camera would run with caches the many have just filled.
    // Each list's first refresh, which makes its protocol objects, is left out of both: a run
    // of a few iterations (scripts/bench --brief) would otherwise time the many mostly cold.
    Device_List* one_list = Device_List_Create();
    Timed_Refresh(one_list, one);
    std::chrono::duration<double> one_time{};
    int one_runs = 0;
    while (one_time < std::chrono::milliseconds(50) || one_runs < 100) {
        one_time += Timed_Refresh(one_list, one);
        ++one_runs;
    }
    Device_List_Release(one_list);

    Device_List* list = Device_List_Create();
    Timed_Refresh(list, many);
    std::chrono::duration<double> many_time{};
    int many_runs = 0;
    for (auto _ : state) {
        const auto refresh = Timed_Refresh(list, many);
        many_time += refresh;
        ++many_runs;
        state.SetIterationTime(refresh.count());
    }
    // The ratio takes as long a measurement of the many as of the unit, also when the run is
    // brief: a few milliseconds of refreshes are too few for it.
    while (many_runs > 0 && many_time < std::chrono::milliseconds(50)) {
        many_time += Timed_Refresh(list, many);
        ++many_runs;
    }
    Device_List_Release(list);
    state.SetComplexityN(static_cast<benchmark::IterationCount>(count));
    state.counters["per_camera"] =
        benchmark::Counter(static_cast<double>(count),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    const double per_camera =
        many_runs > 0 ? many_time.count() / many_runs / static_cast<double>(count) : 0.0;
    const double unit = one_time.count() / one_runs;
    state.counters["ratio_to_one_camera"] = unit > 0 ? per_camera / unit : 0.0;
}

BENCHMARK(Refresh)
    ->Arg(1)
    ->Arg(5)
    ->Arg(20)
    ->UseManualTime()
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMicrosecond);

} // namespace
