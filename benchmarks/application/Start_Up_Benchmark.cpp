// The tool's cold start as the operator meets it: a new process of the tool (the program of
// this build tree) on the demo scenario's five simulated cameras, offscreen, from its exec to
// its main dialog first painted with the camera list filled, and the peak resident memory of
// that process. The tool tells the time of the first paint through ZUNQ_SF_PAINTED_FD (see
// application/main.cpp); the memory is the kernel's account of the process once it has ended.
//   ratio_to_300ms  start-up time over 300 ms (target: at most 1)
//   ratio_to_80MB   peak resident memory over 80 MB, 80,000,000 bytes (target: at most 1)
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "Ratio_Targets.h"
#include "support/Demo_Tool_Environment.h"

namespace {

using Clock = std::chrono::steady_clock;
using zunq::benchmarks::Bound;

const zunq::benchmarks::Declared_Targets Targets{
    {"ratio_to_300ms", Bound::At_Most, 1.0},
    {"ratio_to_80MB", Bound::At_Most, 1.0},
};

constexpr double Target_Ms = 300;
constexpr double Target_Bytes = 80e6;

struct Start_Up {
    std::chrono::duration<double> To_Paint{};
    double Peak_Resident_Bytes = 0;
    std::string Failure; // empty when the tool painted its dialog
};

// The environment the tool starts in: the demo's, and the descriptor to tell of the first
// paint on.
std::vector<std::string> Tool_Environment(int painted_fd) {
    std::vector<std::string> environment = zunq::tests::Demo_Tool_Environment();
    environment.push_back("ZUNQ_SF_PAINTED_FD=" + std::to_string(painted_fd));
    return environment;
}

struct Working_Folder {
    Working_Folder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zunq-start-up-XXXXXX").string();
        Path = mkdtemp(pattern.data());
    }
    ~Working_Folder() { std::filesystem::remove_all(Path); }
    std::string Path;
};

// Starts the tool, waits for its first paint, then ends it and collects its resource usage.
Start_Up Start_Tool_Once() {
    constexpr int Longest_Wait_Ms = 20000;
    Start_Up start_up;
    int painted[2];
    if (pipe(painted) != 0) {
        start_up.Failure = "no pipe";
        return start_up;
    }
    fcntl(painted[0], F_SETFD, FD_CLOEXEC); // the tool gets only the writing end
    std::vector<std::string> environment = Tool_Environment(painted[1]);
    std::vector<char*> envp = zunq::tests::Environment_Pointers(environment);
    char tool[] = ZUNQ_TOOL_PATH;
    char* argv[] = {tool, nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    // The tool keeps its settings file in its working directory: a folder of its own, not the
    // one the benchmark was started in.
    const Working_Folder folder;
    posix_spawn_file_actions_addchdir_np(&actions, folder.Path.c_str());

    const auto start = Clock::now();
    pid_t child = 0;
    const int spawned = posix_spawn(&child, tool, &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(painted[1]);
    if (spawned != 0) {
        close(painted[0]);
        start_up.Failure = "cannot start " ZUNQ_TOOL_PATH;
        return start_up;
    }
    char answer[16] = {};
    pollfd ready{painted[0], POLLIN, 0};
    const ssize_t read_bytes =
        poll(&ready, 1, Longest_Wait_Ms) == 1 ? read(painted[0], answer, sizeof answer - 1) : -1;
    start_up.To_Paint = Clock::now() - start;
    close(painted[0]);
    if (read_bytes <= 0 || std::string(answer) != "painted\n")
        start_up.Failure = "the tool did not paint its dialog (" ZUNQ_TOOL_PATH ")";
    kill(child, SIGTERM);
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) == child)
        start_up.Peak_Resident_Bytes = static_cast<double>(usage.ru_maxrss) * 1024; // in KiB
    return start_up;
}

void Cold_Start_To_Painted_Dialog(benchmark::State& state) {
    std::chrono::duration<double> total{};
    double peak = 0;
    for (auto _ : state) {
        const Start_Up start_up = Start_Tool_Once();
        if (!start_up.Failure.empty()) {
            state.SkipWithError(start_up.Failure.c_str());
            return;
        }
        state.SetIterationTime(start_up.To_Paint.count());
        total += start_up.To_Paint;
        peak = std::max(peak, start_up.Peak_Resident_Bytes);
    }
    const double start_up_ms = total.count() * 1000 / static_cast<double>(state.iterations());
    state.counters["start_up_ms"] = start_up_ms;
    state.counters["peak_resident_MB"] = peak / 1e6;
    state.counters["ratio_to_300ms"] = start_up_ms / Target_Ms;
    state.counters["ratio_to_80MB"] = peak / Target_Bytes;
}

// A few starts are enough for a time of a few hundred milliseconds.
BENCHMARK(Cold_Start_To_Painted_Dialog)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
