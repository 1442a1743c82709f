// Overlapping labels moved apart: superpos on 5,000 point blocks of a dense
// survey, each with a name and an altitude label (10,000 labels), scattered
// so that about 60 % of the labels meet another one.
//
//   bench_superpos [benchmark options]
//
// The block library comes from the installation folder (GELTARO_HOME, else
// the data/ folder found above the program). GELTARO_BENCH_SUPERPOS_POINTS
// sets another number of points. After the benchmark a summary compares the
// figure with the target (under two seconds).
#include <benchmark/benchmark.h>

#include "targets.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "host/app/console_io.hpp"
#include "host/ed/editor.hpp"
#include "points/codification.hpp"
#include "points/table.hpp"
#include "tools/superpos.hpp"

namespace {

int pointCount() {
  const char* v = std::getenv("GELTARO_BENCH_SUPERPOS_POINTS");
  return v && *v ? std::max(10, std::atoi(v)) : 5000;
}

// Points scattered at random (a fixed sequence) at one point per 30 square
// metres: labels of about 4 m by 1 m often meet their neighbours'.
listePointsDuDessin leve() {
  listePointsDuDessin t;
  const int n = pointCount();
  const double cote = std::sqrt(30.0 * n);
  uint64_t graine = 12345;
  const auto aleatoire = [&] {
    graine = graine * 6364136223846793005ULL + 1442695040888963407ULL;
    return double(graine >> 11) / double(1ULL << 53);
  };
  for (int i = 0; i < n; ++i) {
    pointDuDessin p;
    const std::wstring nom = std::to_wstring(1000 + i);
    p.setParams(nom.c_str(), {651000.0 + aleatoire() * cote, 6862000.0 + aleatoire() * cote, 40.0 + (i % 83) * 0.1},
                1);
    t.Ajouter(p);
  }
  return t;
}

using geltaro::bench::Quiet;

// The common surface of the labels, counted once per pair, and how many
// labels meet another.
double surfaceCommune(const std::vector<ZcDbObjectId>& ids, int& etiquettes, int& recouvertes) {
  std::vector<etiquetteSuperpos> e;
  std::vector<ancreEtiquette> ancres;
  collecterEtiquettes(ids, e, ancres);
  etiquettes = int(e.size());
  std::sort(e.begin(), e.end(), [](const auto& a, const auto& b) { return a.boite.x < b.boite.x; });
  double total = 0;
  std::vector<bool> touchee(e.size());
  for (std::size_t i = 0; i < e.size(); ++i)
    for (std::size_t j = i + 1; j < e.size() && e[j].boite.x < e[i].boite.x + e[i].boite.largeur; ++j) {
      const boiteEtiquette &a = e[i].boite, &b = e[j].boite;
      const double l = std::min(a.x + a.largeur, b.x + b.largeur) - std::max(a.x, b.x);
      const double h = std::min(a.y + a.hauteur, b.y + b.hauteur) - std::max(a.y, b.y);
      if (l > 0 && h > 0) {
        total += l * h;
        touchee[i] = touchee[j] = true;
      }
    }
  recouvertes = int(std::count(touchee.begin(), touchee.end(), true));
  return total;
}

void BM_Superpos(benchmark::State& state) {
  Quiet quiet;
  codification();  // the table and its file exist before timing
  const listePointsDuDessin points = leve();
  double total = 0, avant = 0, apres = 0;
  int etiquettes = 0, recouvertesAvant = 0, recouvertesApres = 0, iterations = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto db = std::make_unique<ZcDbDatabase>(true);
    zcdbSetCurDwg(db.get());
    listePointsDuDessin t = points;
    t.updateDrawing();
    std::vector<ZcDbObjectId> ids;
    for (const pointDuDessin& p : t.points()) ids.push_back(p.getId());
    avant = surfaceCommune(ids, etiquettes, recouvertesAvant);
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    iterations = superposer(ids);
    total += geltaro::bench::secondsSince(start);
    state.PauseTiming();
    apres = surfaceCommune(ids, etiquettes, recouvertesApres);
    zcdbSetCurDwg(nullptr);
    db.reset();
    state.ResumeTiming();
  }
  state.counters["labels"] = etiquettes;
  state.counters["iterations"] = iterations;
  state.counters["overlap_before"] = avant;
  state.counters["overlap_after"] = apres;
  state.counters["overlapping_before"] = recouvertesAvant;
  state.counters["overlapping_after"] = recouvertesApres;
  if (etiquettes != 2 * pointCount()) state.SkipWithError("not every point gave its two labels");
  geltaro::bench::recordSeconds(state, "superpos", total);
}
BENCHMARK(BM_Superpos)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace

int main(int argc, char** argv) {
  return geltaro::bench::runWithTargets(argc, argv, std::to_string(pointCount()) + " point blocks", {"superpos"},
                                        2.0);
}
