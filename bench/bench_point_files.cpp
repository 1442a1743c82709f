// Point files of a large survey: reading an XYZ file of 1,000,000 points,
// exporting 1,000,000 points as text, and sorting the point list of the
// point table dialog (1,000,000 rows) by name.
//
//   bench_point_files [benchmark options]
//
// GELTARO_BENCH_FILE_POINTS sets another number of points. The files are
// written under /tmp/geltaro-bench. After the benchmarks a summary compares
// the figures with the targets (each under one second).
#include <benchmark/benchmark.h>

#include "targets.hpp"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "host/app/console_io.hpp"
#include "host/app/host_app.hpp"
#include "tools/points_dialog.hpp"
#include "tools/points_export.hpp"
#include "tools/xyz_table.hpp"

namespace {

namespace fs = std::filesystem;

int pointCount() {
  const char* v = std::getenv("GELTARO_BENCH_FILE_POINTS");
  return v && *v ? std::max(10, std::atoi(v)) : 1000000;
}

fs::path folder() {
  fs::path dir = "/tmp/geltaro-bench";
  fs::create_directories(dir);
  return dir;
}

// Names of a real survey: a prefix on some, numbers, a few suffixes.
std::string nameOf(int i) {
  switch (i % 4) {
    case 0: return std::to_string(i + 1);
    case 1: return "P" + std::to_string(i + 1);
    case 2: return "ST" + std::to_string(i % 5000);
    default: return "B" + std::to_string(i % 90000) + "a";
  }
}

const listePointsDuDessin& table() {
  static const listePointsDuDessin t = [] {
    listePointsDuDessin made;
    for (int i = 0; i < pointCount(); ++i) {
      pointDuDessin p;
      const std::wstring name = host::fromAnsi(nameOf(i));
      p.setParams(name.c_str(), {651000.0 + (i % 1000) * 1.237, 6862000.0 + (i / 1000) * 0.913, 40.0 + (i % 83) * 0.01},
                  1 + i % 40);
      if (i % 20 == 0) p.setZ(kIndefini);
      made.Ajouter(p);
    }
    return made;
  }();
  return t;
}

// The XYZ file read by the first benchmark, written once.
const std::string& xyzFile() {
  static const std::string path = [] {
    const std::string p = (folder() / ("points" + std::to_string(pointCount()) + ".xyz")).string();
    std::FILE* f = std::fopen(p.c_str(), "wb");
    for (int i = 0; i < pointCount(); ++i)
      std::fprintf(f, "%s %.3f %.3f %.3f %d%s\r\n", nameOf(i).c_str(), 651000.0 + (i % 1000) * 1.237,
                   6862000.0 + (i / 1000) * 0.913, 40.0 + (i % 83) * 0.01, 1 + i % 40, i % 9 == 0 ? " talus" : "");
    std::fclose(f);
    return p;
  }();
  return path;
}

using geltaro::bench::Quiet;



void BM_ReadXyzFile(benchmark::State& state) {
  const std::wstring path = host::fromUtf8(xyzFile());
  Quiet quiet;
  double total = 0;
  std::size_t points = 0;
  for (auto _ : state) {
    tableObsXYZ t;
    const auto start = std::chrono::steady_clock::now();
    t.charger(path, true);
    total += geltaro::bench::secondsSince(start);
    points = t.points.size();
    state.PauseTiming();
    t.vider();
    state.ResumeTiming();
  }
  state.counters["points"] = double(points);
  if (points != std::size_t(pointCount())) state.SkipWithError("not every line was read");
  geltaro::bench::recordSeconds(state, "read xyz", total);
}
BENCHMARK(BM_ReadXyzFile)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_ExportText(benchmark::State& state) {
  const listePointsDuDessin& t = table();
  std::vector<int> all(std::size_t(t.nbPoint()));
  for (int i = 0; i < t.nbPoint(); ++i) all[std::size_t(i)] = i;
  const std::string path = (folder() / "export.txt").string();
  Quiet quiet;
  double total = 0;
  for (auto _ : state) {
    fs::remove(path);
    const auto start = std::chrono::steady_clock::now();
    if (!exporterPoints(t, all, path)) state.SkipWithError("export failed");
    total += geltaro::bench::secondsSince(start);
  }
  state.counters["bytes"] = double(fs::file_size(path));
  geltaro::bench::recordSeconds(state, "export", total);
}
BENCHMARK(BM_ExportText)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_SortListByName(benchmark::State& state) {
  listePointsDuDessin t = table();
  Quiet quiet;
  double total = 0;
  for (auto _ : state) {
    state.PauseTiming();
    DlgPntsDuDessin dialogue;
    dialogue.table = &t;
    dialogue.init();
    triPoints() = etatTriPoints{};
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    dialogue.trierSur(1);
    total += geltaro::bench::secondsSince(start);
  }
  geltaro::bench::recordSeconds(state, "sort", total);
}
BENCHMARK(BM_SortListByName)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace

int main(int argc, char** argv) {
  return geltaro::bench::runWithTargets(argc, argv, std::to_string(pointCount()) + " points", {"read xyz", "export", "sort"});
}
