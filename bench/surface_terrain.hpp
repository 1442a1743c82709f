// The terrain the terrain and stake-out benchmarks share: a smooth surface
// of sines over 224 x 224 squares of 5 m at projected coordinates, and a
// fixed sequence of numbers for the points spread over it.
#pragma once

#include <cmath>
#include <cstdint>

namespace geltaro::bench {

constexpr int kSquares = 224;
constexpr double kStep = 5.0;
constexpr double kX0 = 651000.0, kY0 = 6862000.0;
constexpr double kSide = kSquares * kStep;

inline double height(double x, double y) {
  const double u = (x - kX0) / kSide, v = (y - kY0) / kSide;
  return 80.0 + 25.0 * std::sin(5.1 * u) * std::cos(3.7 * v) + 8.0 * std::sin(17.0 * u + 11.0 * v) + 12.0 * u * v;
}

// A fixed sequence in [0, 1).
struct Sequence {
  std::uint64_t state = 12345;
  double operator()() {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return double(state >> 11) / double(1ULL << 53);
  }
};

}  // namespace geltaro::bench
