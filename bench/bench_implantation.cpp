// The stake-out's line-of-sight test as the command runs it: a drawing of
// 100,352 3D faces (a smooth surface on 224 x 224 squares of 5 m) with 40
// marked line obstacles; a job reads the obstacles and the terrain, then
// computes the visibility of 10,000 points from one station (profile,
// obstacle crossings, obstruction).
//
//   bench_implantation [benchmark options]
//
// After the benchmarks a summary compares the figures with the target
// (three seconds each).
#include <benchmark/benchmark.h>

#include "targets.hpp"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "field/implantation.hpp"
#include "host/db/database.hpp"
#include "host/db/entities.hpp"
#include "host/db/objects.hpp"
#include "surface_terrain.hpp"

namespace {

using namespace geltaro::bench;

// The drawing: the faces, and walls marked 2.5 m high scattered over it.
std::unique_ptr<ZcDbDatabase> dessin() {
  auto db = std::make_unique<ZcDbDatabase>(true);
  zcdbRegApp(db.get(), kAppHauteursObjets);
  ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db->modelSpaceId(), ZcDb::kForWrite);
  auto at = [](int i, int j) {
    const double x = kX0 + i * kStep, y = kY0 + j * kStep;
    return ZcGePoint3d(x, y, height(x, y));
  };
  for (int j = 0; j < kSquares; ++j)
    for (int i = 0; i < kSquares; ++i) {
      ZcDbFace a(at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i + 1, j + 1));
      ZcDbFace b(at(i, j), at(i + 1, j + 1), at(i, j + 1), at(i, j + 1));
      ms->appendZcDbEntity(&a);
      ms->appendZcDbEntity(&b);
    }
  Sequence r;
  for (int k = 0; k < 40; ++k) {
    const double x = kX0 + r() * kSide, y = kY0 + r() * kSide;
    ZcDbLine mur(ZcGePoint3d(x, y, 0), ZcGePoint3d(x + 40 * (r() - 0.5), y + 40 * (r() - 0.5), 0));
    mur.setXData(marqueObstacleLineaire(2.5, std::uint32_t(k)));
    ms->appendZcDbEntity(&mur);
  }
  return db;
}

void BM_Job(benchmark::State& state) {
  auto db = dessin();
  double total = 0;
  std::size_t obstacles = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    chantierImplantation c(db.get());
    total += geltaro::bench::secondsSince(start);
    obstacles = c.obstacles.size();
    if (!c.terrain()) state.SkipWithError("no terrain");
    c.obstacles.clear();  // no marks written back
  }
  state.counters["obstacles"] = double(obstacles);
  geltaro::bench::recordSeconds(state, "job", total);
}
BENCHMARK(BM_Job)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Visibility(benchmark::State& state) {
  auto db = dessin();
  chantierImplantation c(db.get());
  c.hStat = 1.6;
  auto station = std::make_unique<observationMiseEnStationOrientee>();
  station->x = kX0 + 0.37 * kSide;
  station->y = kY0 + 0.41 * kSide;
  const std::int64_t ident = station->identifiantStation;
  c.stations.push_back(std::move(station));
  Sequence r;
  const double cell = kSide / 100.0;
  for (int j = 0; j < 100; ++j)
    for (int i = 0; i < 100; ++i) {
      observationImplantation p;
      p.x = kX0 + (i + r()) * cell;
      p.y = kY0 + (j + r()) * cell;
      p.station = ident;
      c.points.push_back(p);
    }
  double total = 0;
  long calcules = 0, visibles = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    calcules = visibles = 0;
    for (auto& p : c.points) {
      c.calculerVisibilite(p);
      calcules += p.visibiliteCalculee ? 1 : 0;
      visibles += p.visibiliteCalculee && p.obstruction <= 1.0 ? 1 : 0;
    }
    total += geltaro::bench::secondsSince(start);
  }
  state.counters["points"] = double(c.points.size());
  state.counters["computed"] = double(calcules);
  state.counters["visible"] = double(visibles);
  if (calcules < long(c.points.size()) - 1) state.SkipWithError("points left without a result");
  c.obstacles.clear();
  geltaro::bench::recordSeconds(state, "visibility", total);
}
BENCHMARK(BM_Visibility)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return geltaro::bench::runWithTargets(argc, argv, "stake-out over 100,352 faces", {"job", "visibility"}, 3.0);
}
