// The survey project of a large drawing: 1,000,000 points in 10 tables of
// 100,000, saved into the drawing and written as DXF, then read back; and
// the removal of duplicate points from a table of 1,000,000.
//
//   bench_project [benchmark options]
//
// GELTARO_BENCH_PROJECT_POINTS changes the number of points (a small figure
// is handy under valgrind). After the benchmarks a summary compares the
// figures with the targets: each direction and delDups under one second.
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

#include "host/db/entities.hpp"
#include "host/dxf/dxf.hpp"
#include "host/app/console_io.hpp"
#include "points/project.hpp"
#include "points/serializer.hpp"
#include "points/storage.hpp"

namespace {

namespace gp = geltaro::points;

int pointCount() {
  const char* v = std::getenv("GELTARO_BENCH_PROJECT_POINTS");
  return v && *v ? std::max(10, std::atoi(v)) : 1000000;
}

// Projected eastings and northings to the millimetre, altitudes to the
// centimetre, one point in twenty without altitude, codes 1 to 40.
pointDuDessin makePoint(int i) {
  pointDuDessin p;
  const std::wstring name = L"P" + std::to_wstring(i);
  p.setParams(name.c_str(), {1650000.0 + (i % 1000) * 1.237, 8200000.0 + (i / 1000) * 0.913, 120.0 + (i % 97) * 0.01},
              1 + i % 40);
  if (i % 20 == 0) p.setZ(kIndefini);
  return p;
}

projetsTopo& project() {
  static projetsTopo* p = [] {
    auto* made = new projetsTopo;
    made->removeAll();
    const int n = pointCount(), perTable = n / 10;
    for (int t = 0; t < 10; ++t) {
      made->creerTablePoints((L"Table " + std::to_wstring(t + 1)).c_str());
      auto* table = made->getTable(t);
      for (int i = 0; i < perTable; ++i) table->Ajouter(makePoint(t * perTable + i));
    }
    made->courant = 0;
    return made;
  }();
  return *p;
}

// The drawing text of an empty drawing holding the project.
const std::string& drawingText() {
  static const std::string text = [] {
    ZcDbDatabase db(true);
    gp::sauverProjet(&db, &project(), true);
    return host::dxf::writeDxf(db);
  }();
  return text;
}


void record(const benchmark::State& state, const std::string& name, double seconds) {
  geltaro::bench::recordSeconds(state, name, seconds);
}

// The save message's work: serialize into a resbuf chain, store it in the
// XRecord of layer "0", and write the drawing as DXF text.
void BM_SaveProjectToDxf(benchmark::State& state) {
  projetsTopo& p = project();
  double total = 0;
  size_t bytes = 0;
  for (auto _ : state) {
    ZcDbDatabase db(true);
    const auto start = std::chrono::steady_clock::now();
    gp::sauverProjet(&db, &p, true);
    std::string text = host::dxf::writeDxf(db);
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    bytes = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.counters["dxf_bytes"] = double(bytes);
  record(state, "save", total);
}
BENCHMARK(BM_SaveProjectToDxf)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// Only the serialization into the resbuf chain (reserved, as on saving).
void BM_SerializeToChain(benchmark::State& state) {
  projetsTopo& p = project();
  for (auto _ : state) {
    chaineResbuf chain;
    chain.reserve(gp::tailleChaineProjet(p));
    ResbufSerializer s(&chain);
    p.SaveToXRecord(&s);
    benchmark::DoNotOptimize(chain.head());
  }
}
BENCHMARK(BM_SerializeToChain)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// Opening: read the DXF text, fetch the stored chain and rebuild the
// project (with its name indexes).
void BM_LoadProjectFromDxf(benchmark::State& state) {
  const std::string& text = drawingText();
  std::istringstream noInput;
  std::ostringstream discarded;
  host::ConsoleIO quiet(noInput, discarded);
  host::ConsoleIO* previous = host::setConsole(&quiet);
  double total = 0;
  int points = 0;
  for (auto _ : state) {
    auto db = std::make_unique<ZcDbDatabase>(false);
    projetsTopo p;
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    if (!host::dxf::readDxf(*db, text, "project.dxf", error)) {
      state.SkipWithError(error.c_str());
      break;
    }
    gp::lireProjet(db.get(), p);
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    points = 0;
    for (int t = 0; t < p.nbTables(); ++t) points += p.getTable(t)->nbPoint();
  }
  host::setConsole(previous);
  state.counters["points"] = points;
  if (points != pointCount()) state.SkipWithError("the project read back is not whole");
  record(state, "load", total);
}
BENCHMARK(BM_LoadProjectFromDxf)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// The parts of opening, one by one: reading the text, taking a copy of the
// stored chain, and rebuilding the project from the chain.
void BM_LoadPartReadDxf(benchmark::State& state) {
  const std::string& text = drawingText();
  for (auto _ : state) {
    state.PauseTiming();
    auto db = std::make_unique<ZcDbDatabase>(false);
    state.ResumeTiming();
    std::string error;
    host::dxf::readDxf(*db, text, "project.dxf", error);
    state.PauseTiming();
    db.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_LoadPartReadDxf)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_LoadPartFetchChain(benchmark::State& state) {
  ZcDbDatabase db(false);
  std::string error;
  host::dxf::readDxf(db, drawingText(), "project.dxf", error);
  for (auto _ : state) {
    ResbufChain chain;
    gp::lireChaine(db.symbolId("LAYER", "0"), gp::kCleProjet, chain);
    benchmark::DoNotOptimize(chain.data());
    state.PauseTiming();
    chain = ResbufChain();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_LoadPartFetchChain)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_LoadPartProjectFromChain(benchmark::State& state) {
  chaineResbuf chain;
  chain.reserve(gp::tailleChaineProjet(project()));
  ResbufSerializer w(&chain);
  project().SaveToXRecord(&w);
  for (auto _ : state) {
    auto p = std::make_unique<projetsTopo>();
    ResbufSerializer r(&chain);
    p->GetFromXRecord(&r);
    state.PauseTiming();
    p.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_LoadPartProjectFromChain)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// Opening a small drawing whose stored project declares many tables, all
// empty (20,000 by default, GELTARO_BENCH_EMPTY_TABLES): the memory the
// project holds once read must follow what the file holds (a table name and
// an empty list each), never room reserved ahead for every table.
int emptyTableCount() {
  const char* v = std::getenv("GELTARO_BENCH_EMPTY_TABLES");
  return v && *v ? std::max(1, std::atoi(v)) : 20000;
}

const std::string& emptyTablesDrawingText() {
  static const std::string text = [] {
    projetsTopo p;
    p.removeAll();
    for (int t = 0; t < emptyTableCount(); ++t) p.creerTablePoints((L"T" + std::to_wstring(t + 1)).c_str());
    p.courant = 0;
    ZcDbDatabase db(true);
    gp::sauverProjet(&db, &p, true);
    return host::dxf::writeDxf(db);
  }();
  return text;
}

void BM_LoadEmptyTables(benchmark::State& state) {
  const std::string& text = emptyTablesDrawingText();
  std::istringstream noInput;
  std::ostringstream discarded;
  host::ConsoleIO quiet(noInput, discarded);
  host::ConsoleIO* previous = host::setConsole(&quiet);
  double total = 0, heldBytes = 0;
  int tables = 0;
  for (auto _ : state) {
    auto db = std::make_unique<ZcDbDatabase>(false);
    std::string error;
    if (!host::dxf::readDxf(*db, text, "tables.dxf", error)) {
      state.SkipWithError(error.c_str());
      break;
    }
    const std::size_t before = geltaro::bench::heapInUse();
    const auto start = std::chrono::steady_clock::now();
    auto p = std::make_unique<projetsTopo>();
    gp::lireProjet(db.get(), *p);
    total += geltaro::bench::secondsSince(start);
    heldBytes = double(geltaro::bench::heapInUse()) - double(before);
    tables = p->nbTables();
  }
  host::setConsole(previous);
  state.counters["file_bytes"] = double(text.size());
  state.counters["tables"] = tables;
  state.counters["held_MiB"] = heldBytes / (1024.0 * 1024.0);
  state.counters["bytes_per_table"] = tables ? heldBytes / tables : 0.0;
  if (tables != emptyTableCount()) state.SkipWithError("the project read back does not hold every table");
  record(state, "tables", total);
}
BENCHMARK(BM_LoadEmptyTables)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

// delDups on one table of all the points, a tenth of them duplicated.
void BM_DelDups(benchmark::State& state) {
  listePointsDuDessin base;
  const int n = pointCount();
  for (int i = 0; i < n; ++i) {
    pointDuDessin p = makePoint(i < n / 10 * 9 ? i : i - n / 10 * 9);
    p.setCode(1 + i % 7);
    base.Ajouter(p);
  }
  double total = 0;
  int kept = 0;
  for (auto _ : state) {
    state.PauseTiming();
    listePointsDuDessin t = base;
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    t.delDups();
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    kept = t.nbPoint();
  }
  state.counters["kept"] = kept;
  record(state, "deldups", total);
}
BENCHMARK(BM_DelDups)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace

int main(int argc, char** argv) {
  return geltaro::bench::runWithTargets(argc, argv, std::to_string(pointCount()) + " points", {"save", "load", "deldups", "tables"});
}
