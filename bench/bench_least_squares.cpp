// The least-squares network computation ("Calculer X,Y") on a generated
// network: a square grid of points to compute, 50 m apart, each tied to its
// east, north and northern diagonal neighbours by distances and to its four
// neighbours by angles (between consecutive neighbours), with a control
// point in the middle of one cell in every 20 × 20 block (smaller blocks on
// small grids) tied to the four corners of its cell (distance, bearing,
// angle towards the next control point). Values carry a few millimetres and
// tenths of a milligrade of noise; weights 1/σ².
//
//   bench_least_squares [benchmark options]
//
// GELTARO_BENCH_MC_POINTS changes the number of points of the first sparse
// run (10,000 by default); GELTARO_BENCH_MC_FILE=PREFIX writes each network
// generated to PREFIX-<points>.mc. BM_Sparse times the approximate
// positions and the iterations to convergence with the sparse
// factorisation; BM_Dense the same with a dense factorisation of the normal
// matrix, on smaller grids. After the runs the target is printed: the
// 10,000-point network under 5 s. The counters give the iterations, the
// observations, the points computed and the process's peak resident size
// (getrusage) after the run.
#include <benchmark/benchmark.h>

#include "targets.hpp"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "calc/reseau_mc.hpp"

namespace {

constexpr double kPi = 3.14159265358979323846;

int pointsSparse() {
  const char* v = std::getenv("GELTARO_BENCH_MC_POINTS");
  return v && *v ? std::max(100, std::atoi(v)) : 10000;
}

// The ".mc" text of a grid of about `points` points to compute.
std::string reseauGrille(int points) {
  const int cote = std::max(4, int(std::lround(std::sqrt(double(points)))));
  const int nx = cote, ny = (points + cote - 1) / cote;
  unsigned graine = 12345;
  auto bruit = [&] {  // uniform in [-1, 1]
    graine = graine * 1103515245u + 12345u;
    return (double((graine >> 8) % 20001) - 10000.0) / 10000.0;
  };
  auto x = [](int i, int j) { return 1000.0 + 50.0 * i + 0.7 * ((i * 7 + j * 3) % 5); };
  auto y = [](int i, int j) { return 5000.0 + 50.0 * j + 0.9 * ((i * 5 + j * 11) % 7); };
  auto nom = [](int i, int j) { return "G" + std::to_string(i) + "_" + std::to_string(j); };
  auto gis = [](double x1, double y1, double x2, double y2) { return std::atan2(x2 - x1, y2 - y1); };
  auto grades = [](double a) { return std::fmod(a * 200 / kPi + 800.0, 400.0); };
  const double sigmaD = 0.002, sigmaA = 0.0003 * kPi / 200;  // 2 mm, 0.3 mgr
  char poids[64];
  std::snprintf(poids, sizeof poids, " %.6g %.6g", 1 / (sigmaA * sigmaA), 1 / (sigmaD * sigmaD));

  std::ostringstream f;
  f.precision(6);
  f << std::fixed << "XYZ\r\n";
  struct Controle {
    std::string nom;
    double x, y;
    int i, j;
  };
  std::vector<Controle> controles;
  // One control point per block of 20 × 20 cells (smaller blocks on small
  // grids, so that there are at least four).
  const int bloc = std::min(20, std::max(4, cote / 2));
  for (int ci = bloc / 2; ci + 1 < nx; ci += bloc)
    for (int cj = bloc / 2; cj + 1 < ny; cj += bloc) {
      Controle k{"K" + std::to_string(controles.size() + 1), (x(ci, cj) + x(ci + 1, cj + 1)) / 2 + 3.1,
                 (y(ci, cj) + y(ci + 1, cj + 1)) / 2 - 2.3, ci, cj};
      f << k.nom << " " << k.x << " " << k.y << "\r\n";
      controles.push_back(k);
    }
  f << "OBS\r\nANGLES GRADES\r\n";
  // station reference target angle distance dz p_angle p_dist
  for (std::size_t n = 0; n < controles.size(); ++n) {
    const auto& k = controles[n];
    const auto& suivant = controles[(n + 1) % controles.size()];
    for (auto [di, dj] : {std::pair{0, 0}, {1, 0}, {0, 1}, {1, 1}}) {
      const int i = k.i + di, j = k.j + dj;
      const double d = std::hypot(x(i, j) - k.x, y(i, j) - k.y) + sigmaD * bruit();
      const double g = gis(k.x, k.y, x(i, j), y(i, j));
      f << k.nom << " NORD " << nom(i, j) << " " << grades(g + sigmaA * bruit()) << " " << d << " -" << poids << "\r\n";
      if (controles.size() > 1)
        f << k.nom << " " << suivant.nom << " " << nom(i, j) << " "
          << grades(g - gis(k.x, k.y, suivant.x, suivant.y) + sigmaA * bruit()) << " - -" << poids << "\r\n";
    }
  }
  for (int i = 0; i < nx; ++i)
    for (int j = 0; j < ny; ++j) {
      const double xs = x(i, j), ys = y(i, j);
      // Distances to the east, north and both northern diagonal neighbours
      // (the braced grid is rigid).
      for (auto [di, dj] : {std::pair{1, 0}, {0, 1}, {1, 1}, {-1, 1}}) {
        const int i2 = i + di, j2 = j + dj;
        if (i2 < 0 || i2 >= nx || j2 >= ny) continue;
        f << nom(i, j) << " NORD " << nom(i2, j2) << " - " << std::hypot(x(i2, j2) - xs, y(i2, j2) - ys) + sigmaD * bruit()
          << " -" << poids << "\r\n";
      }
      // Angles between consecutive neighbours of the round east, north,
      // west, south.
      const std::pair<int, int> tour[] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
      for (int k = 0; k < 4; ++k) {
        const int ir = i + tour[k].first, jr = j + tour[k].second;
        const int it = i + tour[(k + 1) % 4].first, jt = j + tour[(k + 1) % 4].second;
        if (ir < 0 || jr < 0 || ir >= nx || jr >= ny || it < 0 || jt < 0 || it >= nx || jt >= ny) continue;
        f << nom(i, j) << " " << nom(ir, jr) << " " << nom(it, jt) << " "
          << grades(gis(xs, ys, x(it, jt), y(it, jt)) - gis(xs, ys, x(ir, jr), y(ir, jr)) + sigmaA * bruit()) << " - -"
          << poids << "\r\n";
      }
    }
  return f.str();
}

const reseauMoindresCarres& reseauCharge(int points) {
  static std::map<int, reseauMoindresCarres> charges;
  auto it = charges.find(points);
  if (it == charges.end()) {
    reseauMoindresCarres r;
    const std::string texte = reseauGrille(points);
    if (const char* copie = std::getenv("GELTARO_BENCH_MC_FILE"); copie && *copie)
      std::ofstream(copie + std::string("-") + std::to_string(points) + ".mc", std::ios::binary) << texte;
    r.chargerTexte(texte);
    it = charges.emplace(points, std::move(r)).first;
  }
  return it->second;
}

double picMemoireMo() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

void calculer(benchmark::State& state, int points, bool dense, const std::string& cible) {
  const reseauMoindresCarres& modele = reseauCharge(points);
  double secondes = 0;
  int calcules = 0;
  for (auto _ : state) {
    state.PauseTiming();
    reseauMoindresCarres r = modele;
    r.factorisationDense = dense;
    state.ResumeTiming();
    const auto debut = std::chrono::steady_clock::now();
    r.calculerXY();
    secondes += geltaro::bench::secondsSince(debut);
    state.PauseTiming();
    calcules = 0;
    for (std::size_t i = 0; i < r.points.size(); ++i)
      if (!r.points[i].connuXY && r.positionne[i]) ++calcules;
    state.counters["iterations"] = r.bilan.iterations;
    state.counters["observations"] = r.bilan.observations;
    state.counters["singular"] = r.bilan.singulier;
    state.ResumeTiming();
  }
  state.counters["points"] = calcules;
  state.counters["peak_rss_MiB"] = picMemoireMo();
  geltaro::bench::recordSeconds(state, cible, secondes);
}

void BM_Sparse(benchmark::State& state) {
  const int n = state.range(0) == 0 ? pointsSparse() : int(state.range(0));
  calculer(state, n, false, state.range(0) == 0 ? "sparse10k" : "sparse" + std::to_string(n));
}

void BM_Dense(benchmark::State& state) {
  calculer(state, int(state.range(0)), true, "dense" + std::to_string(state.range(0)));
}

// The large sparse run first, so that its peak resident size is not the
// dense runs' one.
BENCHMARK(BM_Sparse)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_Sparse)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_Dense)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return geltaro::bench::runWithTargets(argc, argv, "least squares, approximation and iterations", {"sparse10k"}, 5.0);
}
