#pragma once
// The speed and memory targets of the benchmarks, each as a ratio. A benchmark sets a counter
// whose name starts with "ratio" and its program declares the counter's target once, at
// namespace scope:
//
//   const zunq::benchmarks::Declared_Targets targets{
//       {"ratio_host_to_pacing_floor", zunq::benchmarks::Bound::Below, 0.01},
//       {"ratio_host_to_pacing_floor", zunq::benchmarks::Bound::Below, 0.02, "SPCA2281"}};
//
// The programs share a main (Ratio_Main.cpp): it runs the benchmarks as Google Benchmark does,
// then prints every ratio beside its target (and the counters declared to be shown beside it)
// with "met" or "missed" and, last, the program's verdict line. A missed target does not change the exit
// status (benchmarks never fail a build); a benchmark that could not run does: the status is 1.
#include <initializer_list>
#include <string_view>

namespace zunq::benchmarks {

enum class Bound {
    Below,   // the ratio must be less than the limit
    At_Most, // less than or equal to it
    Exactly, // equal to it (a count against a prescribed count)
};

struct Ratio_Target {
    std::string_view Counter;
    Bound Kind;
    double Limit;
    // The runs it is for, by their label (a chip family, say); empty: every run whose label
    // has no target of its own for the counter.
    std::string_view Label = {};
};

struct Declared_Targets {
    Declared_Targets(std::initializer_list<Ratio_Target> targets);
};

// Counters printed beside every ratio of a run that has them, in the lines at the end: what a
// ratio leaves out, measured, next to its verdict. Declared once, at namespace scope:
//
//   const zunq::benchmarks::Shown_Beside beside{"device_cpu_ms"};
struct Shown_Beside {
    Shown_Beside(std::initializer_list<std::string_view> counters);
};

} // namespace zunq::benchmarks
