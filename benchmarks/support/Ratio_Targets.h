#pragma once
// The speed and memory targets of the benchmarks, each as a ratio. A benchmark sets a counter
// whose name starts with "ratio" and its program declares the counter's target once, at
// namespace scope:
//
//   const zunq::benchmarks::Declared_Targets targets{
//       {"ratio_host_to_pacing_floor", zunq::benchmarks::Bound::Below, 0.01}};
//
// The programs share a main (Ratio_Main.cpp): it runs the benchmarks as Google Benchmark does,
// then prints every ratio beside its target with "met" or "missed" and, last, the program's
// verdict line. A missed target does not change the exit status (benchmarks never fail a
// build); a benchmark that could not run does: the status is 1.
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
};

struct Declared_Targets {
    Declared_Targets(std::initializer_list<Ratio_Target> targets);
};

} // namespace zunq::benchmarks
