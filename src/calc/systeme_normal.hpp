// The normal equations of one linearisation of the least-squares network,
// their solution (damped or not), the entries of their inverse, and the
// statistics of the residuals. Used by the network's own files only.
#pragma once

#include <Eigen/Dense>
#include <Eigen/SparseCholesky>
#include <Eigen/SparseCore>

#include <array>
#include <vector>

#include "calc/reseau_mc.hpp"
#include "calc/reseau_mc_outils.hpp"

namespace reseau_mc_outils {

struct Equation {
  std::array<int, 6> colonnes{};
  std::array<double, 6> coefs{};
  int taille = 0;
  void ajouter(int colonne, double coef) {
    for (int k = 0; k < taille; ++k)
      if (colonnes[k] == colonne) {
        coefs[k] += coef;
        return;
      }
    colonnes[taille] = colonne;
    coefs[taille] = coef;
    ++taille;
  }
  double produit(const Eigen::VectorXd& x) const {
    double s = 0;
    for (int k = 0; k < taille; ++k) s += coefs[k] * x[colonnes[k]];
    return s;
  }
};

// The normal equations N·x = b (N = AᵀPA, b = AᵀPL) of one linearisation,
// scaled to a unit diagonal: S·N·S·y = S·b with S = diag(N)^(-1/2) and
// x = S·y. The pivots of the scaled matrix are then free of units and
// weights: each is the part of its unknown that the unknowns eliminated
// before it leave undetermined (1 for independent unknowns, near 0 when an
// unknown is nearly fixed by the others, as along nearly parallel loci).
class SystemeNormal {
 public:
  // False when an unknown appears in no equation (a zero diagonal).
  bool construire(int n, const std::vector<Equation>& eqs, const std::vector<double>& poids,
                  const std::vector<double>& L, bool dense) {
    n_ = n;
    dense_ = dense;
    inversePrete_ = false;
    if (n <= 0) return false;
    Eigen::VectorXd b = Eigen::VectorXd::Zero(n);
    std::vector<Eigen::Triplet<double>> triplets;
    triplets.reserve(eqs.size() * 12);
    for (std::size_t i = 0; i < eqs.size(); ++i) {
      const Equation& e = eqs[i];
      const double w = poids[i];
      for (int r = 0; r < e.taille; ++r) {
        b[e.colonnes[r]] += w * e.coefs[r] * L[i];
        for (int c = 0; c < e.taille; ++c)
          if (e.colonnes[r] >= e.colonnes[c]) triplets.emplace_back(e.colonnes[r], e.colonnes[c], w * e.coefs[r] * e.coefs[c]);
      }
    }
    N_.resize(n, n);
    N_.setFromTriplets(triplets.begin(), triplets.end());
    triplets.clear();
    triplets.shrink_to_fit();
    s_.resize(n);
    for (int i = 0; i < n; ++i) {
      const double d = N_.coeff(i, i);
      if (!(d > 0) || !std::isfinite(d)) return false;
      s_[i] = 1 / std::sqrt(d);
    }
    for (int c = 0; c < n; ++c)
      for (Eigen::SparseMatrix<double>::InnerIterator it(N_, c); it; ++it) it.valueRef() *= s_[it.row()] * s_[c];
    b_ = s_.cwiseProduct(b);
    if (dense_) Nd_ = Eigen::MatrixXd(N_).selfadjointView<Eigen::Lower>();
    else fs_.analyzePattern(N_);
    return true;
  }

  // Solves (S·N·S + λ·I)·y = S·b; x = S·y. False when the matrix is
  // singular (a pivot of at most kPivotRelatifMin).
  bool resoudre(double lambda, Eigen::VectorXd& x) {
    x.resize(0);
    inversePrete_ = false;
    lambda_ = lambda;
    Eigen::VectorXd y;
    if (dense_) {
      Eigen::MatrixXd M = Nd_;
      M.diagonal().array() += lambda;
      fd_.compute(M);
      if (fd_.info() != Eigen::Success) return false;
      const double pivot = fd_.vectorD().minCoeff();
      if (lambda == 0) pivotMin_ = pivot;
      if (!(pivot > kPivotRelatifMin)) return false;
      y = fd_.solve(b_);
    } else {
      fs_.setShift(lambda, 1.0);
      fs_.factorize(N_);
      if (fs_.info() != Eigen::Success) return false;
      const double pivot = fs_.vectorD().minCoeff();
      if (lambda == 0) pivotMin_ = pivot;
      if (!(pivot > kPivotRelatifMin)) return false;
      y = fs_.solve(b_);
      if (fs_.info() != Eigen::Success) return false;
    }
    if (!y.allFinite()) return false;
    x = s_.cwiseProduct(y);
    return true;
  }

  // Smallest pivot of the last undamped factorisation.
  double pivotMin() const { return pivotMin_; }

  // Prepares the entries of N⁻¹ for the pairs of unknowns that share an
  // equation; needs the last solution to be undamped and successful.
  void preparerInverse();
  // An entry of N⁻¹ (0 outside the pattern of the factors).
  double q(int a, int c) const {
    if (!inversePrete_) return 0;
    if (dense_) return s_[a] * s_[c] * inverseDense_(a, c);
    int i = perm_[std::size_t(a)], k = perm_[std::size_t(c)];
    double z = 0;
    if (i == k) {
      z = Zdiag_[std::size_t(i)];
    } else {
      if (i < k) std::swap(i, k);
      const auto premier = lignes_.begin() + debut_[std::size_t(k)];
      const auto dernier = lignes_.begin() + debut_[std::size_t(k) + 1];
      const auto it = std::lower_bound(premier, dernier, i);
      z = it != dernier && *it == i ? Z_[std::size_t(it - lignes_.begin())] : 0.0;
    }
    return s_[a] * s_[c] * z;
  }

 private:
  int n_ = 0;
  bool dense_ = false;
  double lambda_ = 0;
  double pivotMin_ = 0;
  Eigen::VectorXd s_, b_;
  Eigen::SparseMatrix<double> N_;  // scaled, lower triangle
  Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>, Eigen::Lower> fs_;
  Eigen::MatrixXd Nd_;
  Eigen::LDLT<Eigen::MatrixXd> fd_;
  bool inversePrete_ = false;
  Eigen::MatrixXd inverseDense_;
  std::vector<int> debut_, lignes_, perm_;
  std::vector<double> Z_, Zdiag_;
};

// The standardized residuals of a solution and its global test. `v` are
// the residuals A·x − L, `numeros` the observations of the equations.
void analyserResidus(const std::vector<Equation>& eqs, const std::vector<double>& P, const std::vector<double>& v,
                     const std::vector<int>& numeros, const SystemeNormal& systeme, double seuil, bilanCalcul& bilan);

}  // namespace reseau_mc_outils
