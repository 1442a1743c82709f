// Point blocks of a large survey: 100,000 points of five codes placed in a
// drawing as point blocks (updateDrawing of a table), and read back from the
// drawing into a table (updateFromDrawing).
//
//   bench_point_blocks [benchmark options]
//
// The block library comes from the installation folder (GELTARO_HOME, else
// the data/ folder found above the program). GELTARO_BENCH_BLOCK_POINTS sets
// another number of points. After the benchmarks a summary compares the
// figures with the targets (each under one second).
#include <benchmark/benchmark.h>

#include "targets.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "host/app/console_io.hpp"
#include "host/ed/editor.hpp"
#include "points/blocks.hpp"
#include "points/table.hpp"
#include "points/codification.hpp"

namespace {

int pointCount() {
  const char* v = std::getenv("GELTARO_BENCH_BLOCK_POINTS");
  return v && *v ? std::max(10, std::atoi(v)) : 100000;
}

const listePointsDuDessin& table() {
  static const listePointsDuDessin t = [] {
    listePointsDuDessin made;
    const int codes[] = {1, 2, 3, 100, 7};
    for (int i = 0; i < pointCount(); ++i) {
      pointDuDessin p;
      const std::wstring name = std::to_wstring(i + 1);
      p.setParams(name.c_str(), {651000.0 + (i % 500) * 2.5, 6862000.0 + (i / 500) * 2.5, 40.0 + (i % 83) * 0.1},
                  codes[i % 5]);
      made.Ajouter(p);
    }
    return made;
  }();
  return t;
}


using geltaro::bench::Quiet;

void BM_PlacePointBlocks(benchmark::State& state) {
  Quiet quiet;
  codification();  // the table and its file exist before timing
  double total = 0;
  int blocks = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto db = std::make_unique<ZcDbDatabase>(true);
    zcdbSetCurDwg(db.get());
    listePointsDuDessin t = table();
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    t.updateDrawing();
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.PauseTiming();
    blocks = int(std::count_if(t.points().begin(), t.points().end(), [](auto& p) { return p.getId().isValid(); }));
    zcdbSetCurDwg(nullptr);
    db.reset();
    state.ResumeTiming();
  }
  state.counters["blocks"] = blocks;
  if (blocks != pointCount()) state.SkipWithError("not every point got its block");
  geltaro::bench::recordSeconds(state, "place", total);
}
BENCHMARK(BM_PlacePointBlocks)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_ReadPointBlocks(benchmark::State& state) {
  Quiet quiet;
  auto db = std::make_unique<ZcDbDatabase>(true);
  zcdbSetCurDwg(db.get());
  listePointsDuDessin placed = table();
  placed.updateDrawing();
  double total = 0;
  int points = 0;
  for (auto _ : state) {
    listePointsDuDessin t;
    const auto start = std::chrono::steady_clock::now();
    t.updateFromDrawing();
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    points = t.nbPoint();
  }
  zcdbSetCurDwg(nullptr);
  state.counters["points"] = points;
  if (points != pointCount()) state.SkipWithError("not every block was read back");
  geltaro::bench::recordSeconds(state, "read", total);
}
BENCHMARK(BM_ReadPointBlocks)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace

int main(int argc, char** argv) {
  return geltaro::bench::runWithTargets(argc, argv, std::to_string(pointCount()) + " point blocks", {"place", "read"});
}
