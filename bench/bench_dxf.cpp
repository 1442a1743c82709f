// DXF reading and writing speed and the memory a loaded drawing takes, on a
// survey drawing of 50,000 point blocks, with dxflib parsing the same file as
// the reference.
//
//   bench_dxf [benchmark options]
//
// The drawing is /tmp/geltaro-bench/points50k.dxf, written on first run
// (GELTARO_BENCH_FILE and GELTARO_BENCH_POINTS choose another file and size).
// After the benchmarks a summary compares the figures with the targets:
// reading at least 4 times as fast as dxflib, writing at least as fast as
// reading, a loaded drawing taking at most 1.5 times the file size.
#include <benchmark/benchmark.h>
#include <dxflib/dl_creationadapter.h>
#include <dxflib/dl_dxf.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "host/db/entities.hpp"
#include "host/dxf/dxf.hpp"
#include "targets.hpp"

namespace geltaro::bench {
bool makePointsDrawing(const std::string& path, int count, std::string& error);
}

namespace {

namespace fs = std::filesystem;

const char* const kMemoryProbeFlag = "--memory-probe";

std::string envOr(const char* name, const char* fallback) {
  const char* v = std::getenv(name);
  return v && *v ? v : fallback;
}

[[noreturn]] void fail(const std::string& message) {
  std::fprintf(stderr, "bench_dxf: %s\n", message.c_str());
  std::exit(1);
}

// The drawing file, written when absent.
const std::string& drawingPath() {
  static const std::string path = [] {
    std::string p = envOr("GELTARO_BENCH_FILE", "/tmp/geltaro-bench/points50k.dxf");
    std::error_code ec;
    if (!fs::exists(p, ec)) {
      int count = std::atoi(envOr("GELTARO_BENCH_POINTS", "50000").c_str());
      if (count <= 0) fail("GELTARO_BENCH_POINTS must be a positive number");
      fs::path parent = fs::path(p).parent_path();
      if (!parent.empty()) fs::create_directories(parent, ec);
      std::fprintf(stderr, "bench_dxf: writing %s (%d points)...\n", p.c_str(), count);
      std::string error;
      if (!geltaro::bench::makePointsDrawing(p, count, error)) fail(p + ": " + error);
    }
    return p;
  }();
  return path;
}

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) fail(path + ": cannot be read");
  std::ostringstream ss;
  ss << in.rdbuf();
  return std::move(ss).str();
}

const std::string& drawingText() {
  static const std::string text = slurp(drawingPath());
  return text;
}

double fileSize() { return double(drawingText().size()); }

// One database holding the drawing for the writing benchmarks.
const ZcDbDatabase& loadedDrawing() {
  static std::unique_ptr<ZcDbDatabase> db = [] {
    auto d = std::make_unique<ZcDbDatabase>(false);
    std::string error;
    if (!host::dxf::readDxf(*d, drawingText(), drawingPath(), error)) fail(error);
    return d;
  }();
  return *db;
}

std::string scratchPath() { return (fs::path(drawingPath()).parent_path() / "bench-written.dxf").string(); }

void countContent(benchmark::State& state, const ZcDbDatabase& db) {
  size_t inserts = 0, attributes = 0;
  for (const host::ObjectRecord* e : db.modelSpaceId().record()->children) {
    if (e->typeName() != "INSERT") continue;
    ++inserts;
    for (const host::ObjectRecord* c : e->children) attributes += c->typeName() == "ATTRIB";
  }
  state.counters["inserts"] = double(inserts);
  state.counters["attributes"] = double(attributes);
}

// ------------------------------------------------------------- reading

// Parsing and building the database from the text already in memory; the
// database is destroyed outside the timed region.
void BM_ReadDrawing(benchmark::State& state) {
  const std::string& text = drawingText();
  std::unique_ptr<ZcDbDatabase> last;
  for (auto _ : state) {
    auto db = std::make_unique<ZcDbDatabase>(false);
    std::string error;
    if (!host::dxf::readDxf(*db, text, drawingPath(), error)) {
      state.SkipWithError(error.c_str());
      break;
    }
    benchmark::DoNotOptimize(db.get());
    state.PauseTiming();
    last = std::move(db);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
  if (last) countContent(state, *last);
}
BENCHMARK(BM_ReadDrawing)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// The same through readDwgFile: the file is read from disk (page cache) too.
void BM_ReadDrawingFromFile(benchmark::State& state) {
  const std::string& path = drawingPath();
  double size = fileSize();
  std::unique_ptr<ZcDbDatabase> last;
  for (auto _ : state) {
    auto db = std::make_unique<ZcDbDatabase>(false);
    if (db->readDwgFile(path) != Zcad::eOk) {
      state.SkipWithError(db->lastError().c_str());
      break;
    }
    state.PauseTiming();
    last = std::move(db);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
}
BENCHMARK(BM_ReadDrawingFromFile)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// ------------------------------------------------------------- writing

void BM_WriteDrawing(benchmark::State& state) {
  const ZcDbDatabase& db = loadedDrawing();
  size_t written = 0;
  for (auto _ : state) {
    std::string text = host::dxf::writeDxf(db);
    written = text.size();
    benchmark::DoNotOptimize(text.data());
    state.PauseTiming();
    text = std::string();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(written));
  state.counters["written_bytes"] = double(written);
  countContent(state, db);
}
BENCHMARK(BM_WriteDrawing)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// saveAs: the text and its writing to a file (temporary name, then renamed).
void BM_WriteDrawingToFile(benchmark::State& state) {
  // saveAs is not const: it may record an error. A second database keeps the
  // shared one untouched.
  ZcDbDatabase db(false);
  if (db.readDwgFile(drawingPath()) != Zcad::eOk) {
    state.SkipWithError(db.lastError().c_str());
    return;
  }
  const std::string out = scratchPath();
  for (auto _ : state) {
    if (db.saveAs(out) != Zcad::eOk) {
      state.SkipWithError(db.lastError().c_str());
      break;
    }
  }
  std::error_code ec;
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(fs::file_size(out, ec)));
  fs::remove(out, ec);
}
BENCHMARK(BM_WriteDrawingToFile)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// --------------------------------------------------------------- dxflib

struct Counts {
  size_t inserts = 0, attributes = 0;
};

// Takes what dxflib reports and only counts block references and attributes,
// so the time is dxflib's parsing alone. (dxflib's interface owns pointers:
// it must not be copied.)
class CountingAdapter : public DL_CreationAdapter {
 public:
  void addInsert(const DL_InsertData&) override { ++counts.inserts; }
  void addAttribute(const DL_AttributeData&) override { ++counts.attributes; }
  Counts counts;
};

void reportDxflibCounts(benchmark::State& state, const Counts& c) {
  state.counters["inserts"] = double(c.inserts);
  state.counters["attributes"] = double(c.attributes);
}

void BM_DxflibParse(benchmark::State& state) {
  const std::string& path = drawingPath();
  double size = fileSize();
  Counts last;
  for (auto _ : state) {
    CountingAdapter adapter;
    DL_Dxf dxf;
    if (!dxf.in(path, &adapter)) {
      state.SkipWithError("dxflib could not open the file");
      break;
    }
    last = adapter.counts;
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
  reportDxflibCounts(state, last);
}
BENCHMARK(BM_DxflibParse)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// dxflib on the text in memory (a string stream), beside BM_ReadDrawing.
void BM_DxflibParseFromMemory(benchmark::State& state) {
  const std::string& text = drawingText();
  Counts last;
  for (auto _ : state) {
    state.PauseTiming();
    auto stream = std::make_unique<std::istringstream>(text);
    state.ResumeTiming();
    CountingAdapter adapter;
    DL_Dxf dxf;
    dxf.in(*stream, &adapter);
    last = adapter.counts;
    state.PauseTiming();
    stream.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
  reportDxflibCounts(state, last);
}
BENCHMARK(BM_DxflibParseFromMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// --------------------------------------------------------------- memory

long statusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  size_t n = std::strlen(field);
  while (std::getline(in, line))
    if (line.compare(0, n, field) == 0 && line.size() > n && line[n] == ':') return std::atol(line.c_str() + n + 1);
  return -1;
}

// Runs in a process of its own (the benchmark process's heap has been through
// the other benchmarks): loads the drawing with readDwgFile, keeps it alive and
// prints what the process grew by.
int memoryProbe(const std::string& path) {
  // Peak resident size counts from here (Linux 4.0 and later).
  if (std::FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
    std::fputs("5", f);
    std::fclose(f);
  }
  long rss0 = statusKb("VmRSS");
  size_t heap0 = geltaro::bench::heapInUse();
  ZcDbDatabase db(false);
  if (db.readDwgFile(path) != Zcad::eOk) {
    std::fprintf(stderr, "%s\n", db.lastError().c_str());
    return 1;
  }
  long rss1 = statusKb("VmRSS");
  long hwm = statusKb("VmHWM");
  size_t heap1 = geltaro::bench::heapInUse();
  std::printf("%ld %ld %zu %zu\n", (rss1 - rss0) * 1024, (hwm - rss0) * 1024, heap1 - heap0, db.entityCount());
  return 0;
}

void BM_LoadedDrawingMemory(benchmark::State& state) {
  const std::string& path = drawingPath();
  double size = fileSize();
  long long retained = 0, peak = 0;
  unsigned long long heap = 0, entities = 0;
  for (auto _ : state) {
    std::string cmd = "'/proc/" + std::to_string(getpid()) + "/exe' " + kMemoryProbeFlag + " '" + path + "'";
    std::FILE* p = popen(cmd.c_str(), "r");
    if (!p) {
      state.SkipWithError("cannot start the memory probe");
      break;
    }
    int got = std::fscanf(p, "%lld %lld %llu %llu", &retained, &peak, &heap, &entities);
    if (pclose(p) != 0 || got != 4) {
      state.SkipWithError("memory probe failed");
      break;
    }
  }
  state.counters["file_bytes"] = size;
  state.counters["rss_bytes"] = double(retained);
  state.counters["rss_per_file"] = double(retained) / size;
  state.counters["peak_rss_bytes"] = double(peak);
  state.counters["peak_per_file"] = double(peak) / size;
  state.counters["heap_bytes"] = double(heap);
  state.counters["heap_per_file"] = double(heap) / size;
  state.counters["entities"] = double(entities);
}
BENCHMARK(BM_LoadedDrawingMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// ---------------------------------------------------------------- summary

// The console report, then the comparison with the targets.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& reports) override {
    ConsoleReporter::ReportRuns(reports);
    for (const Run& r : reports) {
      if (r.error_occurred) continue;
      const std::string& name = r.run_name.function_name;
      // With repetitions the median stands for the benchmark.
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "median") continue;
      if (r.run_type == Run::RT_Iteration && seen_median_.count(name)) continue;
      if (r.run_type == Run::RT_Aggregate) seen_median_[name] = true;
      ms_[name] = r.GetAdjustedRealTime() * toMs(r.time_unit);
      for (const auto& [k, c] : r.counters) counters_[name + "." + k] = c.value;
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::ostream& out = GetOutputStream();
    char line[256];
    out << "\nTargets (file " << std::fixed;
    out.precision(1);
    out << fileSize() / 1e6 << " MB):\n";
    auto has = [&](const char* n) { return ms_.count(n) != 0; };
    auto verdict = [](bool ok) { return ok ? "PASS" : "FAIL"; };
    if (has("BM_ReadDrawing") && has("BM_DxflibParse")) {
      double r = ms_["BM_DxflibParse"] / ms_["BM_ReadDrawing"];
      std::snprintf(line, sizeof line, "  read (in memory) vs dxflib (from file): %.2fx faster (>= 4x)  %s\n", r,
                    verdict(r >= 4.0));
      out << line;
    }
    if (has("BM_ReadDrawingFromFile") && has("BM_DxflibParse")) {
      double r = ms_["BM_DxflibParse"] / ms_["BM_ReadDrawingFromFile"];
      std::snprintf(line, sizeof line, "  read (from file) vs dxflib (from file): %.2fx faster (>= 4x)  %s\n", r,
                    verdict(r >= 4.0));
      out << line;
    }
    if (has("BM_ReadDrawing") && has("BM_DxflibParseFromMemory")) {
      double r = ms_["BM_DxflibParseFromMemory"] / ms_["BM_ReadDrawing"];
      std::snprintf(line, sizeof line, "  read (in memory) vs dxflib (in memory): %.2fx faster\n", r);
      out << line;
    }
    if (has("BM_WriteDrawing") && has("BM_ReadDrawing")) {
      double w = ms_["BM_WriteDrawing"], r = ms_["BM_ReadDrawing"];
      std::snprintf(line, sizeof line, "  write %.0f ms vs read %.0f ms (write <= read)  %s\n", w, r,
                    verdict(w <= r));
      out << line;
    }
    if (counters_.count("BM_LoadedDrawingMemory.rss_per_file")) {
      double k = counters_["BM_LoadedDrawingMemory.rss_per_file"];
      double peak = counters_["BM_LoadedDrawingMemory.peak_per_file"];
      std::snprintf(line, sizeof line,
                    "  loaded drawing: %.0f MB resident = %.2f x file size (<= 1.5)  %s; peak while loading %.2f x\n",
                    counters_["BM_LoadedDrawingMemory.rss_bytes"] / 1e6, k, verdict(k <= 1.5), peak);
      out << line;
    }
  }

 private:
  static double toMs(benchmark::TimeUnit u) {
    switch (u) {
      case benchmark::kNanosecond: return 1e-6;
      case benchmark::kMicrosecond: return 1e-3;
      case benchmark::kMillisecond: return 1.0;
      case benchmark::kSecond: return 1e3;
    }
    return 1.0;
  }
  std::map<std::string, double> ms_;
  std::map<std::string, double> counters_;
  std::map<std::string, bool> seen_median_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], kMemoryProbeFlag) == 0) return memoryProbe(argv[2]);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  drawingText();  // written and read before any timing
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
