// The benchmark programs' main: Google Benchmark's table, then each ratio with its target.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Ratio_Targets.h"

namespace zunq::benchmarks {

namespace {

std::vector<Ratio_Target>& Targets() {
    static std::vector<Ratio_Target> targets;
    return targets;
}

std::vector<std::string_view>& Beside() {
    static std::vector<std::string_view> counters;
    return counters;
}

// "  (device_cpu_ms 7.12, pauses_cpu_ms 18.9)" for the counters shown beside of `run`'s.
std::string Beside_Text(const benchmark::BenchmarkReporter::Run& run) {
    std::string text;
    for (const std::string_view name : Beside()) {
        const auto found = run.counters.find(std::string(name));
        if (found == run.counters.end())
            continue;
        char value[64];
        std::snprintf(value, sizeof value, "%s%.*s %.3g", text.empty() ? "  (" : ", ",
                      static_cast<int>(name.size()), name.data(), found->second.value);
        text += value;
    }
    return text.empty() ? text : text + ")";
}

// The target of `counter` for a run labelled `label`: its own, or else the one for every run.
const Ratio_Target* Target_Of(std::string_view counter, std::string_view label) {
    const Ratio_Target* general = nullptr;
    for (const Ratio_Target& target : Targets()) {
        if (target.Counter != counter)
            continue;
        if (!target.Label.empty() && target.Label == label)
            return &target;
        if (target.Label.empty() && general == nullptr)
            general = &target;
    }
    return general;
}

bool Meets(const Ratio_Target& target, double ratio) {
    switch (target.Kind) {
    case Bound::Below:
        return ratio < target.Limit;
    case Bound::At_Most:
        return ratio <= target.Limit;
    case Bound::Exactly:
        return std::fabs(ratio - target.Limit) <= 1e-9 * std::fabs(target.Limit);
    }
    return false;
}

const char* Bound_Text(Bound kind) {
    switch (kind) {
    case Bound::Below:
        return "below";
    case Bound::At_Most:
        return "at most";
    case Bound::Exactly:
        return "exactly";
    }
    return "?";
}

// Google Benchmark's console table, and the runs kept for the ratio lines printed at the end.
class Ratio_Reporter final : public benchmark::ConsoleReporter {
public:
    Ratio_Reporter() : ConsoleReporter(OO_None) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration)
                runs_.push_back(run);
    }

    // The ratio lines and the verdict; false when a benchmark could not run.
    bool Print_Ratios() const {
        int ratios = 0;
        int missed = 0;
        int failed = 0;
        std::printf("\n-- each ratio against its target\n");
        for (const Run& run : runs_) {
            std::string name = run.benchmark_name();
            if (!run.report_label.empty())
                name += " [" + run.report_label + "]";
            if (run.error_occurred) {
                ++failed;
                std::printf("ratio  %-52s did not run: %s\n", name.c_str(), run.error_message.c_str());
                continue;
            }
            for (const auto& [counter, value] : run.counters) {
                if (counter.rfind("ratio", 0) != 0)
                    continue;
                ++ratios;
                const Ratio_Target* target = Target_Of(counter, run.report_label);
                if (target == nullptr) {
                    std::printf("ratio  %-52s %-30s %10.4g  no target declared\n", name.c_str(),
                                counter.c_str(), value.value);
                    continue;
                }
                const bool met = Meets(*target, value.value);
                missed += met ? 0 : 1;
                std::printf("ratio  %-52s %-30s %10.4g  target %s %g%s  %s\n", name.c_str(), counter.c_str(),
                            value.value, Bound_Text(target->Kind), target->Limit, Beside_Text(run).c_str(),
                            met ? "met" : "MISSED");
            }
        }
        if (failed > 0)
            std::printf("verdict: %s: %d benchmark(s) did not run\n", Executable(), failed);
        else if (missed > 0)
            std::printf("verdict: %s: missed (%d of %d ratios miss their targets)\n", Executable(), missed,
                        ratios);
        else
            std::printf("verdict: %s: met (all %d ratios meet their targets)\n", Executable(), ratios);
        std::fflush(stdout);
        return failed == 0;
    }

private:
    static const char* Executable() {
        const char* path = Context::executable_name != nullptr ? Context::executable_name : "benchmarks";
        const char* slash = std::strrchr(path, '/');
        return slash != nullptr ? slash + 1 : path;
    }

    std::vector<Run> runs_;
};

} // namespace

Declared_Targets::Declared_Targets(std::initializer_list<Ratio_Target> targets) {
    Targets().insert(Targets().end(), targets.begin(), targets.end());
}

Shown_Beside::Shown_Beside(std::initializer_list<std::string_view> counters) {
    Beside().insert(Beside().end(), counters.begin(), counters.end());
}

} // namespace zunq::benchmarks

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    zunq::benchmarks::Ratio_Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.Print_Ratios() ? 0 : 1;
}
