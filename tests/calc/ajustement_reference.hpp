// An independent adjustment to check the network computation against.
#pragma once

#include <array>
#include <cmath>
#include <vector>

#include "calc/reseau_mc.hpp"

namespace geltaro::testing {

inline constexpr double kPiReference = 3.14159265358979323846;

// An independent weighted Gauss-Newton adjustment of the same network:
// numerical derivatives, dense normal equations solved by Gauss-Jordan.
struct ReferenceAjustement {
  std::vector<std::array<double, 2>> xy;  // all points
  std::vector<int> inconnus;              // points to compute
  std::vector<double> inverseN;           // (2u)², after the last iteration
  double sigma0 = 0;
  int iterationsMax = 20;
  double derniereNorme = 0;  // of the last correction

  double valeur(const ObservationReduite& o, const std::vector<std::array<double, 2>>& c) const {
    auto g = [&](int a, int b) { return std::atan2(c[b][0] - c[a][0], c[b][1] - c[a][1]); };
    if (o.type == kObsDistance) return std::hypot(c[o.cible][0] - c[o.station][0], c[o.cible][1] - c[o.station][1]);
    return o.reference < 0 ? g(o.station, o.cible) : g(o.station, o.cible) - g(o.station, o.reference);
  }

  void ajuster(const std::vector<ObservationReduite>& obs, const std::vector<double>& poids) {
    const int u = int(inconnus.size()), n = 2 * u, m = int(obs.size());
    // Coordinates relative to the first point while iterating: the
    // numerical derivatives of projected coordinates (millions of metres)
    // would lose half their digits.
    const std::array<double, 2> origine = xy.empty() ? std::array<double, 2>{0, 0} : xy[0];
    for (auto& p : xy) {
      p[0] -= origine[0];
      p[1] -= origine[1];
    }
    for (int iter = 0; iter < iterationsMax; ++iter) {
      std::vector<double> A(std::size_t(m) * std::size_t(n)), L(static_cast<std::size_t>(m));
      for (int i = 0; i < m; ++i) {
        L[i] = std::remainder(obs[i].valeur - valeur(obs[i], xy), obs[i].type == kObsDistance ? 1e300 : 2 * kPiReference);
        for (int j = 0; j < n; ++j) {
          auto plus = xy, moins = xy;
          const double h = 1e-4;
          plus[inconnus[j % u]][j / u] += h;
          moins[inconnus[j % u]][j / u] -= h;
          A[i * n + j] = std::remainder(valeur(obs[i], plus) - valeur(obs[i], moins), 2 * kPiReference) / (2 * h);
        }
      }
      std::vector<double> N(std::size_t(n) * std::size_t(n)), b(static_cast<std::size_t>(n)), inv(std::size_t(n) * std::size_t(n));
      for (int i = 0; i < m; ++i)
        for (int r = 0; r < n; ++r) {
          b[r] += A[i * n + r] * poids[i] * L[i];
          for (int c = 0; c < n; ++c) N[r * n + c] += A[i * n + r] * poids[i] * A[i * n + c];
        }
      for (int r = 0; r < n; ++r) inv[r * n + r] = 1;
      for (int c = 0; c < n; ++c) {
        int piv = c;
        for (int r = c + 1; r < n; ++r)
          if (std::abs(N[r * n + c]) > std::abs(N[piv * n + c])) piv = r;
        for (int k = 0; k < n; ++k) {
          std::swap(N[c * n + k], N[piv * n + k]);
          std::swap(inv[c * n + k], inv[piv * n + k]);
        }
        const double d = N[c * n + c];
        for (int k = 0; k < n; ++k) {
          N[c * n + k] /= d;
          inv[c * n + k] /= d;
        }
        for (int r = 0; r < n; ++r)
          if (r != c) {
            const double f = N[r * n + c];
            for (int k = 0; k < n; ++k) {
              N[r * n + k] -= f * N[c * n + k];
              inv[r * n + k] -= f * inv[c * n + k];
            }
          }
      }
      double norme = 0;
      for (int r = 0; r < n; ++r) {
        double dx = 0;
        for (int c = 0; c < n; ++c) dx += inv[r * n + c] * b[c];
        xy[inconnus[r % u]][r / u] += dx;
        norme += dx * dx;
      }
      inverseN = inv;
      derniereNorme = std::sqrt(norme);
      if (norme < 1e-20) break;
    }
    for (auto& p : xy) {
      p[0] += origine[0];
      p[1] += origine[1];
    }
    double vtpv = 0;
    for (int i = 0; i < m; ++i) {
      const double v = std::remainder(valeur(obs[i], xy) - obs[i].valeur, obs[i].type == kObsDistance ? 1e300 : 2 * kPiReference);
      vtpv += poids[i] * v * v;
    }
    sigma0 = std::sqrt(vtpv / (m - n));
  }
};

}  // namespace geltaro::testing
