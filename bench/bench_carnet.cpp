// A large field book turned into points: 100,000 measurement lines after
// one set-up, decoded ("Analyser"), computed and placed as point blocks in
// the current table ("Calculer les points"). The report (one row per
// point) is built after, timed on its own.
//
//   bench_carnet [benchmark options]
//
// GELTARO_BENCH_GSI_LINES sets another number of lines. The target: the
// whole under three seconds.
#include <benchmark/benchmark.h>

#include "targets.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "field/gsi_dialog.hpp"
#include "host/ed/editor.hpp"
#include "points/codification.hpp"
#include "points/project.hpp"

namespace {

int lineCount() {
  const char* v = std::getenv("GELTARO_BENCH_GSI_LINES");
  return v && *v ? std::max(10, std::atoi(v)) : 100000;
}

// The book: a set-up with its orientation, then sightings all around it at
// 5 to 105 m, each with its target height, code and slope distance.
const std::string& bookPath() {
  static const std::string path = [] {
    const auto p = std::filesystem::temp_directory_path() / "geltaro-bench-carnet.gsi";
    std::ofstream f(p, std::ios::binary);
    f << "110001+000000S1 25...2+00000000 84...0+65100000 85...0+86200000 86...0+00045000 88...0+00001550 \r\n";
    char line[256];
    for (int i = 0; i < lineCount(); ++i) {
      const long hz = (long(i) * 7919) % 40000000;  // 1e-5 gr
      const long v = 9500000 + (i % 1000) * 1000;
      const long d = 5000 + (i % 100000);  // mm
      std::snprintf(line, sizeof line,
                    "11%04d+%08d 21...2+%08ld 22...2+%08ld 31...0+%08ld 87...0+%08d 71....+%08d \r\n",
                    (i + 2) % 10000, i + 1, hz, v, d, 1300 + (i % 5) * 100, i % 3 == 0 ? 100 : 1);
      f << line;
    }
    return p.string();
  }();
  return path;
}

void BM_FieldBookToPoints(benchmark::State& state) {
  geltaro::bench::Quiet quiet;
  codification();
  bookPath();
  double total = 0, analyse = 0, calcul = 0, rapport = 0;
  std::size_t points = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto db = std::make_unique<ZcDbDatabase>(true);
    zcdbSetCurDwg(db.get());
    auto project = std::make_unique<projetsTopo>();
    tablesPoints = project.get();
    auto carnet = std::make_unique<carnetObservations>();
    auto dialog = std::make_unique<ImportGSI>(carnet.get());
    dialog->setAfficherRapport(false);
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    dialog->charger(bookPath());
    dialog->analyser();
    const double lu = geltaro::bench::secondsSince(start);
    dialog->calculerPoints();
    const double tout = geltaro::bench::secondsSince(start);
    total += tout;
    analyse += lu;
    calcul += tout - lu;
    const auto debutRapport = std::chrono::steady_clock::now();
    dialog->rapport();
    rapport += geltaro::bench::secondsSince(debutRapport);
    state.PauseTiming();
    points = std::size_t(project->currTable()->nbPoint());
    dialog.reset();
    tablesPoints = nullptr;
    zcdbSetCurDwg(nullptr);
    project.reset();
    db.reset();
    state.ResumeTiming();
  }
  state.counters["points"] = double(points);
  if (points != std::size_t(lineCount())) state.SkipWithError("not every line became a point");
  geltaro::bench::recordSeconds(state, "book", total);
  state.counters["read_analyse_s"] = analyse / double(state.iterations());
  state.counters["compute_place_s"] = calcul / double(state.iterations());
  state.counters["report_s"] = rapport / double(state.iterations());
}
BENCHMARK(BM_FieldBookToPoints)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  return geltaro::bench::runWithTargets(argc, argv, std::to_string(lineCount()) + " field book lines", {"book"}, 3.0);
}
