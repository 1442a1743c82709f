#include "calc/systeme_normal.hpp"

#include <boost/math/distributions/chi_squared.hpp>

#include <algorithm>
#include <cmath>

#include "calc/reseau_mc_outils.hpp"

namespace reseau_mc_outils {

void SystemeNormal::preparerInverse() {
  inversePrete_ = false;
  if (lambda_ != 0 || n_ <= 0) return;
  const int n = n_;
  if (dense_) {
    inverseDense_ = fd_.solve(Eigen::MatrixXd::Identity(n, n));
    inversePrete_ = true;
    return;
  }
  // Entries of the inverse from the factors P·N·Pᵀ = L·D·Lᵀ (L unit lower),
  // on the pattern of L only (selected inversion): with Z = (P·N·Pᵀ)⁻¹,
  //   Z(i,j) = δij/dj − Σ_{k>j, L(k,j)≠0} L(k,j)·Z(i,k)   for i >= j,
  // taken column by column from the last. Every Z(i,k) needed lies in the
  // pattern (the rows of a column of L are joined to each other in it), and
  // so do the unknowns of one equation, which N joins. The cost is the sum
  // of the squared column counts of L, not a dense inverse.
  const Eigen::VectorXd D = fs_.vectorD();
  const auto& Lm = fs_.matrixL().nestedExpression();
  debut_.assign(std::size_t(n) + 1, 0);
  lignes_.clear();
  std::vector<double> valeurs;
  lignes_.reserve(std::size_t(Lm.nonZeros()));
  valeurs.reserve(std::size_t(Lm.nonZeros()));
  std::vector<std::pair<int, double>> col;
  for (int c = 0; c < n; ++c) {
    const std::size_t avant = lignes_.size();
    for (Eigen::SparseMatrix<double>::InnerIterator it(Lm, c); it; ++it) {
      if (it.row() <= c) continue;
      lignes_.push_back(int(it.row()));
      valeurs.push_back(it.value());
    }
    // Rows in increasing order for the searches below.
    col.clear();
    for (std::size_t k = avant; k < lignes_.size(); ++k) col.emplace_back(lignes_[k], valeurs[k]);
    if (!std::is_sorted(col.begin(), col.end())) {
      std::sort(col.begin(), col.end());
      for (std::size_t k = 0; k < col.size(); ++k) {
        lignes_[avant + k] = col[k].first;
        valeurs[avant + k] = col[k].second;
      }
    }
    debut_[std::size_t(c) + 1] = int(lignes_.size());
  }
  Z_.assign(lignes_.size(), 0.0);
  Zdiag_.assign(std::size_t(n), 0.0);
  std::vector<double> somme;
  for (int j = n - 1; j >= 0; --j) {
    const int a = debut_[std::size_t(j)], b = debut_[std::size_t(j) + 1];
    somme.assign(std::size_t(b - a), 0.0);
    for (int q = a; q < b; ++q) {
      const int k = lignes_[std::size_t(q)];
      const double lk = valeurs[std::size_t(q)];
      somme[std::size_t(q - a)] += lk * Zdiag_[std::size_t(k)];
      // The later rows i of column j are rows of column k: walk both.
      int pk = debut_[std::size_t(k)];
      const int finK = debut_[std::size_t(k) + 1];
      for (int p = q + 1; p < b; ++p) {
        const int i = lignes_[std::size_t(p)];
        while (pk < finK && lignes_[std::size_t(pk)] < i) ++pk;
        if (pk == finK || lignes_[std::size_t(pk)] != i) continue;  // not in the pattern: zero
        const double zik = Z_[std::size_t(pk)];
        somme[std::size_t(p - a)] += lk * zik;
        somme[std::size_t(q - a)] += valeurs[std::size_t(p)] * zik;
      }
    }
    double diag = 1.0 / D[j];
    for (int p = a; p < b; ++p) {
      Z_[std::size_t(p)] = -somme[std::size_t(p - a)];
      diag -= valeurs[std::size_t(p)] * Z_[std::size_t(p)];
    }
    Zdiag_[std::size_t(j)] = diag;
  }
  const auto& indices = fs_.permutationP().indices();
  perm_.assign(indices.data(), indices.data() + indices.size());
  inversePrete_ = true;
}

void analyserResidus(const std::vector<Equation>& eqs, const std::vector<double>& P, const std::vector<double>& v,
                     const std::vector<int>& numeros, const SystemeNormal& systeme, double seuil, bilanCalcul& bilan) {
  bilan.residus.clear();
  bilan.test.reset();
  bool poidsDonnes = false;
  for (double p : P) poidsDonnes = poidsDonnes || p != 1.0;
  bilan.residus.reserve(eqs.size());
  for (std::size_t i = 0; i < eqs.size(); ++i) {
    const Equation& e = eqs[i];
    double quad = 0;
    for (int r = 0; r < e.taille; ++r)
      for (int c = 0; c < e.taille; ++c) quad += e.coefs[r] * e.coefs[c] * systeme.q(e.colonnes[r], e.colonnes[c]);
    const double qvv = 1 / P[i] - quad;
    residuNorme rn;
    rn.observation = numeros[i];
    rn.residu = v[i];
    rn.redondance = std::clamp(P[i] * qvv, 0.0, 1.0);
    if (rn.redondance > kRedondanceControleMin) {
      rn.w = v[i] / std::sqrt(qvv);
      rn.suspecte = std::abs(*rn.w) > seuil;
    }
    bilan.residus.push_back(rn);
  }
  // One blunder at a time, as data snooping goes: it spreads into the
  // residuals of its neighbours, so only the largest |w| beyond the
  // threshold is the suspected blunder; the others are marked beyond the
  // threshold and judged again once it is mended.
  residuNorme* pire = nullptr;
  for (residuNorme& rn : bilan.residus)
    if (rn.suspecte && (!pire || std::abs(*rn.w) > std::abs(*pire->w))) pire = &rn;
  for (residuNorme& rn : bilan.residus) {
    rn.auDelaDuSeuil = rn.suspecte;
    rn.suspecte = &rn == pire;
  }
  if (poidsDonnes && bilan.redondance > 0) {
    const boost::math::chi_squared_distribution<double> khi2(bilan.redondance);
    testGlobal t;
    t.vtpv = bilan.vtpv;
    t.redondance = bilan.redondance;
    t.borneInf = boost::math::quantile(khi2, 0.025);
    t.borneSup = boost::math::quantile(khi2, 0.975);
    t.accepte = t.vtpv >= t.borneInf && t.vtpv <= t.borneSup;
    bilan.test = t;
  }
}

}  // namespace reseau_mc_outils
