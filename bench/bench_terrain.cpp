// The terrain service on a 100,352-face TIN (a smooth surface sampled on a
// grid of 224 x 224 squares of 5 m, at projected coordinates): building the
// surface, 100,000 heights, and the visibility of 10,000 points spread over
// the TIN from one station (a profile to each, its sight line checked
// against the profile's vertices).
//
//   bench_terrain [benchmark options]
//
// After the benchmarks a summary compares the figures with the target
// (under three seconds each).
#include <benchmark/benchmark.h>

#include "targets.hpp"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <vector>

#include "host/terrain/terrain.hpp"
#include "surface_terrain.hpp"

namespace {

using host::terrain::Surface;
using host::terrain::Triangle;
using namespace geltaro::bench;

std::vector<Triangle> tin() {
    std::vector<Triangle> tris;
    tris.reserve(2 * kSquares * kSquares);
    auto at = [](int i, int j) {
        const double x = kX0 + i * kStep, y = kY0 + j * kStep;
        return ZcGePoint3d(x, y, height(x, y));
    };
    for (int j = 0; j < kSquares; ++j)
        for (int i = 0; i < kSquares; ++i) {
            // Diagonals alternate, as a triangulation of field points would.
            if ((i + j) % 2 == 0) {
                tris.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1)});
                tris.push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1)});
            } else {
                tris.push_back({at(i, j), at(i + 1, j), at(i, j + 1)});
                tris.push_back({at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)});
            }
        }
    return tris;
}

// 10,000 targets on a jittered 100 x 100 lattice over the TIN.
std::vector<ZcGePoint3d> targets() {
    std::vector<ZcGePoint3d> out;
    Sequence r;
    const double cell = kSide / 100.0;
    for (int j = 0; j < 100; ++j)
        for (int i = 0; i < 100; ++i)
            out.emplace_back(kX0 + (i + r()) * cell, kY0 + (j + r()) * cell, 0.0);
    return out;
}

void BM_Build(benchmark::State& state) {
    const std::vector<Triangle> tris = tin();
    double total = 0;
    std::size_t kept = 0;
    long cells = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<Triangle> copy = tris;
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        Surface s(std::move(copy));
        total += geltaro::bench::secondsSince(start);
        kept = s.triangleCount();
        cells = s.gridColumns() * s.gridRows();
        benchmark::DoNotOptimize(kept);
    }
    state.counters["faces"] = double(kept);
    state.counters["cells"] = double(cells);
    if (kept != tris.size()) state.SkipWithError("faces left out");
    geltaro::bench::recordSeconds(state, "build", total);
}
BENCHMARK(BM_Build)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Heights(benchmark::State& state) {
    const Surface s(tin());
    std::vector<ZcGePoint3d> points;
    Sequence r;
    for (int k = 0; k < 100000; ++k)
        points.emplace_back(kX0 + r() * kSide, kY0 + r() * kSide, 0.0);
    double total = 0;
    long covered = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        covered = 0;
        for (ZcGePoint3d p : points) covered += s.calcZPoint(p) ? 1 : 0;
        total += geltaro::bench::secondsSince(start);
    }
    state.counters["covered"] = double(covered);
    if (covered != long(points.size())) state.SkipWithError("a point inside the TIN got no height");
    geltaro::bench::recordSeconds(state, "heights", total);
}
BENCHMARK(BM_Heights)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Visibility(benchmark::State& state) {
    const Surface s(tin());
    // The station off the centre, the instrument 1.6 m above the ground;
    // a target is seen when no profile vertex rises above the sight line
    // to a point 1.6 m above the target's ground.
    ZcGePoint3d station(kX0 + 0.37 * kSide, kY0 + 0.41 * kSide, 0.0);
    s.calcZPoint(station);
    station.z += 1.6;
    const std::vector<ZcGePoint3d> points = targets();
    double total = 0;
    long seen = 0, vertices = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        seen = vertices = 0;
        for (const ZcGePoint3d& target : points) {
            const auto profile = s.tinExtractPath(station, target);
            if (profile.empty()) continue;
            const ZcGePoint3d end = profile.back().back();
            const double eyeTarget = end.z + 1.6;
            const double length = std::hypot(end.x - station.x, end.y - station.y);
            bool visible = true;
            for (const auto& line : profile)
                for (const ZcGePoint3d& v : line) {
                    ++vertices;
                    const double t = std::hypot(v.x - station.x, v.y - station.y) / length;
                    if (v.z > station.z + t * (eyeTarget - station.z) + 1e-9) visible = false;
                }
            seen += visible ? 1 : 0;
        }
        total += geltaro::bench::secondsSince(start);
    }
    state.counters["targets"] = double(points.size());
    state.counters["visible"] = double(seen);
    state.counters["vertices"] = double(vertices);
    geltaro::bench::recordSeconds(state, "visible", total);
}
BENCHMARK(BM_Visibility)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return geltaro::bench::runWithTargets(argc, argv, "100,352-face TIN", {"build", "heights", "visible"}, 3.0);
}
