// Plots of the 50,000-point drawing (bench_make_points: 50,000 block
// references with four attributes each, three of them visible): the
// drawing's extents fitted on A1 landscape, to PDF and to a 150 dpi PNG.
// The drawing is read once; each figure is the extents and the plot with
// its file written.
//
//   bench_plot [DRAWING] [benchmark options]
//
// After the benchmarks a summary compares the figures with the targets
// (PDF under 2 s, PNG under 3 s).
#include <benchmark/benchmark.h>

#include "targets.hpp"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "host/app/host_app.hpp"
#include "host/db/database.hpp"
#include "host/plot/plot.hpp"

namespace geltaro::bench {
bool makePointsDrawing(const std::string& path, int count, std::string& error);
}

namespace {

std::string gDrawing = "/tmp/geltaro-bench/points50k.dxf";
std::unique_ptr<ZcDbDatabase> gDb;

ZcDbDatabase& drawing() {
  if (!gDb) {
    std::string error;
    if (!std::filesystem::exists(gDrawing) && !geltaro::bench::makePointsDrawing(gDrawing, 50000, error))
      std::fprintf(stderr, "bench_plot: %s\n", error.c_str());
    gDb = std::make_unique<ZcDbDatabase>(false);
    if (gDb->readDwgFile(gDrawing) != Zcad::eOk) std::fprintf(stderr, "bench_plot: %s\n", gDb->lastError().c_str());
  }
  return *gDb;
}

void plotTo(benchmark::State& state, host::plot::Format format, const char* name, const std::string& out) {
  ZcDbDatabase& db = drawing();
  double total = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    host::plot::Request req;
    req.window = host::plot::visibleExtents(db);
    host::plot::isoPaper("A1", true, req.paper);
    req.format = format;
    req.dpi = 150;
    req.output = out;
    host::plot::Result r = host::plot::plot(db, req);
    total += geltaro::bench::secondsSince(start);
    if (!r.ok) state.SkipWithError(r.error.c_str());
    state.counters["entities"] = r.drawn;
  }
  state.counters["bytes"] = double(std::filesystem::file_size(out));
  geltaro::bench::recordSeconds(state, name, total);
}

void BM_PlotPdf(benchmark::State& state) {
  plotTo(state, host::plot::Format::Pdf, "pdf", "/tmp/geltaro-bench/points50k.pdf");
}
BENCHMARK(BM_PlotPdf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_PlotPng(benchmark::State& state) {
  plotTo(state, host::plot::Format::Png, "png", "/tmp/geltaro-bench/points50k.png");
}
BENCHMARK(BM_PlotPng)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  // The console program's memory policy, so that the figures are the
  // program's.
  host::keepFreedMemory();
  if (argc > 1 && argv[1][0] != '-') {
    gDrawing = argv[1];
    for (int i = 1; i + 1 < argc; ++i) argv[i] = argv[i + 1];
    --argc;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::printf("\nTargets (plot of 50,000 points on A1):\n");
  for (auto [name, limit] : {std::pair{"pdf", 2.0}, std::pair{"png", 3.0}}) {
    auto it = geltaro::bench::recordedSeconds().find(name);
    if (it == geltaro::bench::recordedSeconds().end()) continue;
    std::printf("  %-9s %8.3f s  %s (under %g s)\n", name, it->second, it->second < limit ? "PASS" : "FAIL", limit);
  }
  return 0;
}
