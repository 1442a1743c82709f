// Points along a long path: 10,000 survey points (point blocks of the
// current table) scattered within 0.6 of a 10,000-vertex path (a wavy line
// with an arc every tenth segment), c:VRDEPORTPNTS moving them onto it and
// c:projpoly redrawing a polyline of the same vertices through them. Each
// point looks only at the segments near it.
//
//   bench_aides [benchmark options]
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <sstream>

#include "aids/projection.hpp"
#include "host/app/console_io.hpp"
#include "host/db/objects.hpp"
#include "host/ed/editor.hpp"
#include "points/blocks.hpp"
#include "points/codification.hpp"
#include "points/project.hpp"
#include "targets.hpp"

namespace {

constexpr int kSommets = 10000;
constexpr int kPoints = 10000;

std::vector<ZcGePoint2d> sommetsChemin() {
  std::vector<ZcGePoint2d> v;
  for (int i = 0; i < kSommets; ++i) v.push_back({651000.0 + 2.0 * i, 6862000.0 + 40.0 * std::sin(i / 200.0)});
  return v;
}

ZcDbObjectId polyligne(ZcDbDatabase& db) {
  auto pl = std::make_unique<ZcDbPolyline>();
  const auto v = sommetsChemin();
  std::vector<ZcDbPolyline::Vertex> sommets(v.size());
  for (std::size_t i = 0; i < v.size(); ++i) {
    sommets[i].point = v[i];
    sommets[i].bulge = i % 10 == 0 ? 0.2 : 0.0;
  }
  pl->setVertices(sommets);
  ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db.modelSpaceId(), ZcDb::kForWrite);
  ZcDbObjectId id;
  ms->appendZcDbEntity(id, pl.get());
  return id;
}

// A drawing with the path and the points' blocks, current with its project.
struct Leve {
  ZcDbDatabase db{true};
  projetsTopo projet;
  ZcDbObjectId chemin;
  Leve() {
    zcdbSetCurDwg(&db);
    tablesPoints = &projet;
    chemin = polyligne(db);
    Path p;
    {
      ZcDbObjectPointer<ZcDbPolyline> pl(chemin, ZcDb::kForRead);
      pl->toPath(p);
    }
    std::mt19937 gen(3);
    std::uniform_real_distribution<double> le(0, p.length()), ecart(-0.6, 0.6);
    listePointsDuDessin* table = projet.currTable();
    for (int i = 0; i < kPoints; ++i) {
      const double d = le(gen);
      const ZcGePoint3d sur = p.pointAtParam(p.paramAtDistance(d));
      const ZcGeVector2d n = p.planDirectionAtParam(p.paramAtDistance(d)).perpVector();
      pointDuDessin pt;
      const std::wstring nom = std::to_wstring(i + 1);
      const double e = ecart(gen);
      pt.setParams(nom.c_str(), {sur.x + n.x * e, sur.y + n.y * e, 100.0}, 1);
      table->Ajouter(pt);
    }
    table->updateDrawing();
  }
  ~Leve() {
    tablesPoints = nullptr;
    zcdbSetCurDwg(nullptr);
  }
};

struct Silence {
  std::istringstream in;
  std::ostringstream out;
  host::ConsoleIO io{in, out};
  host::ConsoleIO* precedent;
  explicit Silence(const std::string& script) : in(script), precedent(host::setConsole(&io)) {}
  ~Silence() { host::setConsole(precedent); }
};

std::string pick(const ZcDbObjectId& id) { return "#" + id.handle().toString() + "\n"; }

int codeUn(int& code) {
  code = 1;
  return RTNORM;
}

void BM_DeportPoints(benchmark::State& state) {
  Silence calme("");
  codification();
  Leve leve;
  double total = 0;
  for (auto _ : state) {
    Silence s(pick(leve.chemin) + "0.8\nall\n");
    const auto start = std::chrono::steady_clock::now();
    c_VRDEPORTPNTS();
    total += geltaro::bench::secondsSince(start);
  }
  geltaro::bench::recordSeconds(state, "deport", total);
}
BENCHMARK(BM_DeportPoints)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Projpoly(benchmark::State& state) {
  Silence calme("");
  codification();
  Leve leve;
  double total = 0;
  std::size_t sommets = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const ZcDbObjectId pl = polyligne(leve.db);
    state.ResumeTiming();
    Silence s(pick(pl) + "1.5\n");
    const auto start = std::chrono::steady_clock::now();
    c_projpoly(codeUn);
    total += geltaro::bench::secondsSince(start);
    ZcDbObjectPointer<ZcDbPolyline> p(pl, ZcDb::kForRead);
    sommets = p->numVerts();
  }
  state.counters["vertices"] = double(sommets);
  geltaro::bench::recordSeconds(state, "projpoly", total);
}
BENCHMARK(BM_Projpoly)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return geltaro::bench::runWithTargets(argc, argv, "10,000 points along 10,000 vertices", {"deport", "projpoly"});
}
