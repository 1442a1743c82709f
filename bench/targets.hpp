// Benchmark programs with time targets: each benchmark records the mean
// seconds of the part it times, and after the runs the program prints every
// figure against its target with PASS or FAIL.
#pragma once

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <initializer_list>
#include <map>
#include <sstream>
#include <string>

#include "host/app/console_io.hpp"

namespace geltaro::bench {

inline std::map<std::string, double>& recordedSeconds() {
  static std::map<std::string, double> seconds;
  return seconds;
}

// The mean of `totalSeconds` over the benchmark's iterations.
inline void recordSeconds(const benchmark::State& state, const std::string& name, double totalSeconds) {
  if (state.iterations() > 0) recordedSeconds()[name] = totalSeconds / double(state.iterations());
}

// Bytes the allocator has handed out and not yet taken back (small blocks
// and mapped ones alike): the difference across a step is what it holds.
inline std::size_t heapInUse() {
  struct mallinfo2 mi = mallinfo2();
  return mi.uordblks + mi.hblkhd;
}

// While it lives, progress lines and messages go nowhere and prompts read
// no answer.
struct Quiet {
  std::istringstream in;
  std::ostringstream out;
  host::ConsoleIO io{in, out};
  host::ConsoleIO* previous = host::setConsole(&io);
  ~Quiet() { host::setConsole(previous); }
};

inline double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs the benchmarks, then prints "Targets (<what>):" and each named
// figure against `limitSeconds`.
inline int runWithTargets(int argc, char** argv, const std::string& what, std::initializer_list<const char*> names,
                          double limitSeconds = 1.0) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::printf("\nTargets (%s):\n", what.c_str());
  for (const char* name : names) {
    auto it = recordedSeconds().find(name);
    if (it == recordedSeconds().end()) continue;
    std::printf("  %-9s %8.3f s  %s (under %g s)\n", name, it->second, it->second < limitSeconds ? "PASS" : "FAIL",
                limitSeconds);
  }
  return 0;
}

}  // namespace geltaro::bench
