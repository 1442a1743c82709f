// The survey grid on large regions: an A0 sheet at 1/5000 (5945 x 4205 m)
// with a 10 m grid, about 250,000 crosses, computed and drawn into a
// drawing; and a region bounded by 20,000 vertices (a wavy outline) with a
// grid of 500 x 500 lines. Each grid line meets only the edges whose range
// holds it.
//
//   bench_carroyage [benchmark options]
#include <benchmark/benchmark.h>

#include <cmath>

#include "aids/carroyage.hpp"
#include "host/db/entities.hpp"
#include "targets.hpp"

namespace {

Path feuilleA0() {
  return Path::polyline({{{0, 0, 0}}, {{5945, 0, 0}}, {{5945, 4205, 0}}, {{0, 4205, 0}}}, true);
}

// A closed outline of `n` vertices around a circle of radius 5000, its
// radius wavering by 2 %.
Path contourOndule(int n) {
  std::vector<PathVertex> v;
  v.reserve(std::size_t(n));
  for (int i = 0; i < n; ++i) {
    const double a = 2 * M_PI * i / n, r = 5000 * (1 + 0.02 * std::sin(40 * a));
    v.push_back({{r * std::cos(a), r * std::sin(a), 0}});
  }
  return Path::polyline(std::move(v), true);
}

// The grid of `region` at `pas`, timed; its number of lines reported.
void mesurerCalcul(benchmark::State& state, const Path& region, double pas, const char* nom) {
  paramsCarroyage p;
  p.pasX = p.pasY = pas;
  double total = 0;
  std::size_t lignes = 0;
  for (auto _ : state) {
    elementsCarroyage e;
    double noeuds;
    const auto start = std::chrono::steady_clock::now();
    calculerCarroyage(region, p, e, noeuds);
    total += geltaro::bench::secondsSince(start);
    lignes = e.lignes.size();
  }
  state.counters["lines"] = double(lignes);
  geltaro::bench::recordSeconds(state, nom, total);
}

void BM_GridA0Computed(benchmark::State& state) { mesurerCalcul(state, feuilleA0(), 10, "a0"); }
BENCHMARK(BM_GridA0Computed)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GridA0Drawn(benchmark::State& state) {
  paramsCarroyage p;
  p.pasX = p.pasY = 10;
  elementsCarroyage e;
  double noeuds;
  calculerCarroyage(feuilleA0(), p, e, noeuds);
  double total = 0;
  for (auto _ : state) {
    ZcDbDatabase db(true);
    std::vector<ZcDbObjectId> ids;
    const auto start = std::chrono::steady_clock::now();
    dessinerElementsCarroyage(&db, e, p.tailleTextes, ids);
    total += geltaro::bench::secondsSince(start);
    state.counters["entities"] = double(ids.size());
  }
  geltaro::bench::recordSeconds(state, "a0drawn", total);
}
BENCHMARK(BM_GridA0Drawn)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Grid20000Vertices(benchmark::State& state) { mesurerCalcul(state, contourOndule(20000), 20, "vertices"); }
BENCHMARK(BM_Grid20000Vertices)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return geltaro::bench::runWithTargets(argc, argv, "grids", {"a0", "a0drawn", "vertices"}, 3.0);
}
