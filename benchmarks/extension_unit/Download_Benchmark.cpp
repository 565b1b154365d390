// One whole firmware download per chip family on a simulated camera. The pauses are virtual:
// the protocol prescribes them (a 10 ms pause after every chunk write and read-back, and 5 ms
// after every access of the SPCA2650/2282 status-register script), and their sum, the pacing
// floor, is the least time a real download takes. The floor is written here from the protocol,
// not taken from the pauses the code made, so a pause too many or too few shows as a miss.
//   ratio_host_to_pacing_floor    CPU time of the download over the pacing floor (target: < 0.01)
//   ratio_pauses_to_pacing_floor  the pauses the download made over the floor (exactly 1)
//   ratio_requests_to_prescribed  requests sent up to the last chunk's check over the number the
//                                 protocol prescribes (exactly 1)
// After the last chunk's check the download reads the whole region back once more (reads only,
// no pause), so that a chunk written and checked at another chunk's place cannot pass; its cost
// is reported beside the targets: verification_requests (the requests after the download's last
// pause), their share of the prescribed requests, verification_ms (wall time from the last pause
// to the end: the simulated camera answers at once, a real one adds its request round trips) and
// its share of the pacing floor.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <numeric>
#include <string>
#include <vector>

#include "Extension_Unit_Class/Extension_Unit_Chip_Protocol.h"
#include "Ratio_Targets.h"
#include "extension_unit_integrate/Extension_Unit_Integrate.h"
#include "platform/simulated/Chip_Families.h"

namespace {

using zunq::benchmarks::Bound;
const zunq::benchmarks::Declared_Targets Targets{
    {"ratio_host_to_pacing_floor", Bound::Below, 0.01},
    {"ratio_pauses_to_pacing_floor", Bound::Exactly, 1.0},
    {"ratio_requests_to_prescribed", Bound::Exactly, 1.0},
};

using namespace platform::simulated;

// What one download of a family sends and pauses, counted the protocol's way.
struct Family_Download {
    const char* Family;
    const char* Product;           // the protocol identification must choose for it
    const char* Layout;            // how its camera's units are reached
    double Pacing_Floor_Ms;        // the pauses the protocol prescribes
    std::uint32_t Script_Accesses; // the status-register script first, two requests an access
    std::uint32_t Length_Query;    // requests of the transfer-length query (0: fixed length)
    std::uint32_t Piece_0_Read;    // requests of the read of piece 0 made first
    std::uint32_t Sectors;         // erased, two requests each
    std::uint32_t Chunks;          // written and read back, eight requests each
    std::uint32_t Image_Signature; // where the image's two marker bytes go
    std::array<std::uint8_t, 2> Mark;
};

const Family_Download Downloads[] = {
    {"SPCA2620", "ZUN_8M_1", "direct", 128 * 10, 0, 3, 0, 16, 64, 0, {0x89, 0x26}},
    {"SPCA2281", "ZUN_3M_1", "direct", 32 * 10, 0, 3, 48 + 3 + 4, 16, 16, 0, {0x89, 0x16}},
    {"SPCA2085", "ZUN_1080P_1", "direct", 128 * 10, 0, 2 + 3, 0, 16, 64, 0, {0x89, 0x17}},
    {"SPCA2092", "ZUN_1080P_2", "G3@2+G10@3", 128 * 10, 0, 2 + 3, 0, 16, 64, 0, {0x89, 0x17}},
    {"SPCA2650", "ZUNQ_56_2", "direct", 512 * 10 + 27 * 5, 27, 0, 0, 64, 256, 256, {'C', 'Y'}},
    {"SPCA2282", "ZUNQ_1080p_3D", "direct", 512 * 10 + 27 * 5, 27, 0, 0, 64, 256, 256, {'C', 'Y'}},
};

std::uint32_t Prescribed_Requests(const Family_Download& download) {
    constexpr std::uint32_t Opcode_Loading = 48;
    return 2 * download.Script_Accesses + download.Piece_0_Read + Opcode_Loading + download.Length_Query +
           2 * download.Sectors + 8 * download.Chunks;
}

double Thread_Cpu_Seconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Standard error is where the download prints a line per step: sent to /dev/null while it
// runs, so the report stays readable, and back afterwards.
class Quiet_Stderr {
public:
    Quiet_Stderr() : saved_(dup(STDERR_FILENO)) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDERR_FILENO);
        close(null);
    }
    ~Quiet_Stderr() {
        dup2(saved_, STDERR_FILENO);
        close(saved_);
    }
    Quiet_Stderr(const Quiet_Stderr&) = delete;
    Quiet_Stderr& operator=(const Quiet_Stderr&) = delete;

private:
    int saved_;
};

void Download(benchmark::State& state) {
    const Family_Download& download = Downloads[state.range(0)];
    state.SetLabel(download.Family);
    auto backend = std::make_shared<Simulated_Backend>();
    platform::Scoped_Backend installed(backend);
    auto desc = Chip_Camera("cam0", download.Family, download.Layout);
    desc.Flash.emplace();
    desc.Flash->Jedec_Id = {0xC8, 0x40, 0x13};
    const auto camera = Add_Chip_Camera(*backend, desc);
    Device_List* list = Device_List_Create();
    Device_List_Refresh(list);
    Extension_Unit_Base_Protocol* protocol = Device_List_Get_Protocol(list, 0);

    auto* chip = dynamic_cast<Extension_Unit_Chip_Protocol*>(protocol);
    if (!chip || std::string(chip->Get_Product_Name()) != download.Product) {
        Device_List_Release(list);
        state.SkipWithError("the camera was not identified as its family");
        return;
    }
    std::vector<std::uint8_t> image(chip->Family().Download.Region);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 131 + i / 251);
    image[download.Image_Signature] = download.Mark[0];
    image[download.Image_Signature + 1] = download.Mark[1];

    // Every pause is taken as asked; the time of the last one marks where the final read of the
    // region starts.
    using Wall_Clock = std::chrono::steady_clock;
    Wall_Clock::time_point last_pause;
    backend->Virtual_Time().Change_Pauses([&last_pause](std::uint32_t ms) {
        last_pause = Wall_Clock::now();
        return ms;
    });
    double host_seconds = 0;
    double verification_seconds = 0;
    double paused_ms = 0;
    std::size_t requests = 0;
    std::size_t verification_requests = 0;
    for (auto _ : state) {
        backend->Log().Clear();
        float progress = 0;
        int result = 0;
        double seconds = 0;
        Wall_Clock::time_point end;
        {
            const Quiet_Stderr quiet;
            const double start = Thread_Cpu_Seconds();
            result = Protocol_Download_Firmware(protocol, image.data(),
                                                static_cast<std::uint32_t>(image.size()), &progress);
            seconds = Thread_Cpu_Seconds() - start;
            end = Wall_Clock::now();
        }
        if (result != 0 || progress != 100.0f) {
            state.SkipWithError("the download did not complete");
            break;
        }
        state.SetIterationTime(seconds);
        host_seconds += seconds;
        verification_seconds += std::chrono::duration<double>(end - last_pause).count();
        const auto events = backend->Log().Events();
        const auto after_last_pause = std::find_if(events.rbegin(), events.rend(), [](const Event& event) {
                                          return event.Kind == Event_Kind::Pause;
                                      }).base();
        verification_requests +=
            static_cast<std::size_t>(std::count_if(after_last_pause, events.end(), [](const Event& event) {
                return event.Kind == Event_Kind::Request;
            }));
        const auto pauses = backend->Log().Pauses();
        paused_ms += std::accumulate(pauses.begin(), pauses.end(), 0.0);
        requests += backend->Log().Requests().size();
    }
    Device_List_Release(list);
    const double runs = static_cast<double>(state.iterations());
    if (runs == 0)
        return;
    state.counters["pacing_floor_ms"] = download.Pacing_Floor_Ms;
    state.counters["ratio_host_to_pacing_floor"] = host_seconds * 1000 / runs / download.Pacing_Floor_Ms;
    state.counters["ratio_pauses_to_pacing_floor"] = paused_ms / runs / download.Pacing_Floor_Ms;
    const double prescribed = Prescribed_Requests(download);
    const double verifying = static_cast<double>(verification_requests) / runs;
    state.counters["requests"] = static_cast<double>(requests) / runs;
    state.counters["ratio_requests_to_prescribed"] =
        (static_cast<double>(requests) / runs - verifying) / prescribed;
    state.counters["verification_requests"] = verifying;
    state.counters["verification_share_of_requests"] = verifying / prescribed;
    state.counters["verification_ms"] = verification_seconds * 1000 / runs;
    state.counters["verification_share_of_pacing_floor"] =
        verification_seconds * 1000 / runs / download.Pacing_Floor_Ms;
}

BENCHMARK(Download)->DenseRange(0, std::size(Downloads) - 1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
