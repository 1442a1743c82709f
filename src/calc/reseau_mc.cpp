#include "calc/reseau_mc.hpp"

#include <Eigen/Dense>
#include <Eigen/SparseCholesky>
#include <Eigen/SparseCore>
#include <boost/math/distributions/chi_squared.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdarg>
#include <cwchar>
#include <fstream>
#include <functional>
#include <iterator>
#include <unordered_set>

#include "calc/angles.hpp"
#include "calc/traverse_files.hpp"
#include "host/app/host_app.hpp"
#include "host/db/database.hpp"
#include "host/ed/editor.hpp"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeuxPi = 2 * kPi;
constexpr double kRadEnGrades = 200.0 / kPi;
constexpr double kRadEnMgr = 63661.97723675814;
constexpr double kNormeConvergence = 1e-8;
constexpr int kIterationsMax = 100;
// A pivot of the normal matrix scaled to a unit diagonal at most this is
// taken for zero: the network is singular.
constexpr double kPivotRelatifMin = 1e-12;
// Below this scaled pivot an unknown is nearly fixed by the others alone,
// and below this squared ratio of the axes of a point's error ellipse (an
// ellipse 1000 times longer than wide: loci crossing at less than about
// 0.06 gr) a point is barely fixed across its loci: its position rests on
// the noise, and the result is reported as ill-conditioned.
constexpr double kPivotMalConditionne = 1e-6;
// Damping of the normal matrix (scaled) tried first when a Gauss-Newton
// step does not lower vᵀPv, multiplied by 10 at each refusal.
constexpr double kAmortissementInitial = 1e-3;
constexpr int kEssaisAmortissement = 16;
// An approximate position is consistent with its observations when each
// misses it by at most 1 m plus 2 % of its length (angles as the arc they
// span at that distance): far above measuring errors, far below the
// metres a wrong crossing of two loci gives.
constexpr double kCoherenceAbsolue = 1.0;
constexpr double kCoherenceRelative = 0.02;
// Ratio of the smallest to the largest eigenvalue of the normal matrix of
// a point alone (in metres) below which its loci do not fix it.
constexpr double kRapportDeterminationMin = 1e-6;
// Part of the redundancy below which an observation is not checked by the
// others: its standardized residual is not computed.
constexpr double kRedondanceControleMin = 1e-6;
// Two loci crossing at less than this sine give no intersection: the point
// would move far along the lines for tiny errors in the observations.
constexpr double kSinusCroisementMin = 1e-3;
// Circles that miss each other (or a line) by at most this fraction of
// their radii, plus 1 mm, are taken as touching: measured distances carry
// errors and a point near the line of the centres must still be found.
constexpr double kEcartTangenceRelatif = 1e-3;
constexpr double kEcartTangenceAbsolu = 1e-3;
// A candidate position this close to a known point of its observations is
// that point, not a position of the point to compute.
constexpr double kPointConfondu = 1e-6;

std::wstring format(const wchar_t* f, ...) {
  std::vector<wchar_t> buf(256);
  for (;;) {
    va_list args;
    va_start(args, f);
    int n = std::vswprintf(buf.data(), buf.size(), f, args);
    va_end(args);
    if (n >= 0) return std::wstring(buf.data(), std::size_t(n));
    if (buf.size() > (1u << 22)) return std::wstring();
    buf.resize(buf.size() * 4);
  }
}

// Upper case of the letters of Windows-1252 (the code page of the files).
wchar_t majuscule(wchar_t c) {
  if (c >= L'a' && c <= L'z') return wchar_t(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return wchar_t(c - 32);
  switch (c) {
    case 0xFF: return 0x178;
    case 0x161: return 0x160;
    case 0x153: return 0x152;
    case 0x17E: return 0x17D;
    default: return c;
  }
}

std::wstring enMajuscules(std::wstring s) {
  for (auto& c : s) c = majuscule(c);
  return s;
}

std::wstring sansBlancs(const std::wstring& s) {
  const auto debut = s.find_first_not_of(L" \t");
  if (debut == std::wstring::npos) return std::wstring();
  const auto fin = s.find_last_not_of(L" \t");
  return s.substr(debut, fin - debut + 1);
}

// A whole token read as a finite number.
bool lireNombre(const std::wstring& jeton, double& valeur) {
  if (jeton.empty()) return false;
  wchar_t* fin = nullptr;
  const double v = std::wcstod(jeton.c_str(), &fin);
  if (fin != jeton.c_str() + jeton.size() || !std::isfinite(v)) return false;
  valeur = v;
  return true;
}

// An angle difference brought into [-pi, pi].
double enveloppe(double a) { return std::remainder(a, kDeuxPi); }

double gisement(const pointACalculer& de, const pointACalculer& vers) {
  return calculerGisement(de.X, de.Y, vers.X, vers.Y, kRadians);
}

double distance(const pointACalculer& a, const pointACalculer& b) { return std::hypot(b.X - a.X, b.Y - a.Y); }

pointACalculer pointEn(double x, double y) {
  pointACalculer p;
  p.X = x;
  p.Y = y;
  return p;
}

// The points an observation involves (station, target, reference).
std::array<int, 3> pointsDe(const ObservationReduite& o) {
  return {o.station, o.cible, o.type == kObsAngle ? o.reference : -1};
}

// ---- Solution of the normal equations ---------------------------------

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

std::wstring texteSigma0(const bilanCalcul& bilan) {
  if (!bilan.sigma0) return L"\r\nEcart type de l'unité de poids : non calculable (redondance nulle)";
  return format(L"\r\nEcart type de l'unité de poids = %.4f", *bilan.sigma0);
}

// The standardized residuals of a solution and its global test. `v` are
// the residuals A·x − L, `numeros` the observations of the equations.
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

// ---- Geometric loci for the approximate positions -----------------------

// A line (ray from (px, py) along the unit vector (dx, dy)) or a circle.
struct Lieu {
  bool cercle = false;
  double px = 0, py = 0, dx = 0, dy = 0;
  double cx = 0, cy = 0, r = 0;
  int obs = -1;
};

struct Candidat {
  double x, y;
};

int intersecter(const Lieu& a, const Lieu& b, Candidat out[2]) {
  if (!a.cercle && !b.cercle) {
    const double det = a.dx * b.dy - a.dy * b.dx;
    if (std::abs(det) < kSinusCroisementMin) return 0;
    const double t = ((b.px - a.px) * b.dy - (b.py - a.py) * b.dx) / det;
    out[0] = {a.px + t * a.dx, a.py + t * a.dy};
    return 1;
  }
  if (a.cercle != b.cercle) {
    const Lieu& l = a.cercle ? b : a;
    const Lieu& c = a.cercle ? a : b;
    const double ox = l.px - c.cx, oy = l.py - c.cy;
    const double demiB = l.dx * ox + l.dy * oy;
    const double cc = ox * ox + oy * oy - c.r * c.r;
    double disc = demiB * demiB - cc;
    if (disc < 0) {
      // distance from the centre to the line minus the radius
      const double ecart = std::sqrt(std::max(0.0, ox * ox + oy * oy - demiB * demiB)) - c.r;
      if (ecart > kEcartTangenceRelatif * c.r + kEcartTangenceAbsolu) return 0;
      disc = 0;
    }
    const double rac = std::sqrt(disc);
    // A line tangent to the circle meets it at a grazing angle.
    if (rac < kSinusCroisementMin * c.r && disc > 0) {
      out[0] = {l.px - demiB * l.dx, l.py - demiB * l.dy};
      return 1;
    }
    const double t1 = -demiB - rac, t2 = -demiB + rac;
    out[0] = {l.px + t1 * l.dx, l.py + t1 * l.dy};
    if (rac == 0) return 1;
    out[1] = {l.px + t2 * l.dx, l.py + t2 * l.dy};
    return 2;
  }
  const double ex = b.cx - a.cx, ey = b.cy - a.cy;
  const double d = std::hypot(ex, ey);
  if (d < 1e-12) return 0;
  const double tol = kEcartTangenceRelatif * std::max(a.r, b.r) + kEcartTangenceAbsolu;
  if (d > a.r + b.r + tol || d < std::abs(a.r - b.r) - tol) return 0;
  const double ux = ex / d, uy = ey / d;
  const double m = (d * d + a.r * a.r - b.r * b.r) / (2 * d);
  const double h2 = a.r * a.r - m * m;
  const double h = h2 > 0 ? std::sqrt(h2) : 0;
  if (h < kSinusCroisementMin * std::min(a.r, b.r)) {
    out[0] = {a.cx + m * ux, a.cy + m * uy};
    return 1;
  }
  out[0] = {a.cx + m * ux - h * uy, a.cy + m * uy + h * ux};
  out[1] = {a.cx + m * ux + h * uy, a.cy + m * uy - h * ux};
  return 2;
}

Lieu demiDroite(const pointACalculer& origine, double gis, int obs) {
  Lieu l;
  l.px = origine.X;
  l.py = origine.Y;
  l.dx = std::sin(gis);
  l.dy = std::cos(gis);
  l.obs = obs;
  return l;
}

// Numbers the unknowns of an adjustment: `colonne` gives each point's
// column (-1 for the points that are not computed), `inconnus` the points in
// column order.
template <class EstInconnu>
void numeroterInconnus(int n, EstInconnu estInconnu, std::vector<int>& colonne, std::vector<int>& inconnus) {
  colonne.assign(std::size_t(n), -1);
  inconnus.clear();
  for (int i = 0; i < n; ++i)
    if (estInconnu(i)) {
      colonne[std::size_t(i)] = int(inconnus.size());
      inconnus.push_back(i);
    }
}

// The points a pass of approximations tries next: those not yet placed
// that share an observation with a point the last pass placed, each once,
// in index order. `marque` is all zeros before and after.
template <class PointsObservation, class EstPlace>
std::vector<int> voisinsAEssayer(const std::vector<int>& nouveaux, const std::vector<std::vector<int>>& parPoint,
                                 PointsObservation pointsObservation, EstPlace estPlace, std::vector<char>& marque) {
  std::vector<int> candidats;
  for (int p : nouveaux)
    for (int k : parPoint[std::size_t(p)])
      for (int q : pointsObservation(k))
        if (q >= 0 && q < int(marque.size()) && !estPlace(q) && !marque[std::size_t(q)]) {
          marque[std::size_t(q)] = 1;
          candidats.push_back(q);
        }
  std::sort(candidats.begin(), candidats.end());
  for (int q : candidats) marque[std::size_t(q)] = 0;
  return candidats;
}

}  // namespace

// ---- Print formats -----------------------------------------------------

std::wstring texteVecteur(const std::wstring& nom, const std::vector<double>& valeurs) {
  std::wstring t = format(L"\r\nVecteur %ls (%d elements)", nom.c_str(), int(valeurs.size()));
  for (std::size_t i = 0; i < valeurs.size(); ++i) t += format(L"\r\n%d | %14.10f |", int(i), valeurs[i]);
  t += L"\r\n---------";
  return t;
}

std::wstring texteMatrice(const std::wstring& nom, int lignes, int colonnes, const std::vector<double>& valeurs) {
  std::wstring t = format(L"\r\nMatrice %ls (%d Lignes, %d Colonnes)", nom.c_str(), lignes, colonnes);
  for (int i = 0; i < lignes; ++i) {
    t += format(L"\r\n%d |", i);
    for (int j = 0; j < colonnes; ++j) {
      const std::size_t k = std::size_t(i) * std::size_t(colonnes) + std::size_t(j);
      t += format(L" %14.4f", k < valeurs.size() ? valeurs[k] : 0.0);
    }
  }
  t += L"\r\n---------";
  return t;
}

// ---- Points and names ----------------------------------------------------

void reseauMoindresCarres::reindexer() const {
  index_.clear();
  index_.reserve(points.size());
  // With repeated names the first point keeps the name.
  for (std::size_t i = 0; i < points.size(); ++i) index_.emplace(enMajuscules(points[i].nom), int(i));
  pointsIndexes_ = points.size();
}

int reseauMoindresCarres::trouverPoint(const std::wstring& nom) const {
  if (pointsIndexes_ != points.size() || index_.size() > points.size()) reindexer();
  const std::wstring cle = enMajuscules(nom);
  auto it = index_.find(cle);
  if (it != index_.end() && it->second < int(points.size()) && enMajuscules(points[it->second].nom) == cle)
    return it->second;
  if (it != index_.end()) {
    // The point was renamed or replaced behind the index.
    reindexer();
    it = index_.find(cle);
    if (it != index_.end()) return it->second;
  }
  return -1;
}

int reseauMoindresCarres::ajouterPoint(const pointACalculer& p) {
  const int i = trouverPoint(p.nom);
  if (i >= 0) {
    pointACalculer& q = points[i];
    q.X = p.X;
    q.Y = p.Y;
    q.Z = p.Z;
    q.connuXY = p.connuXY;
    q.connuZ = p.connuZ;
    if (positionne.size() == points.size()) positionne[i] = p.connuXY;
    return i;
  }
  points.push_back(p);
  if (positionne.size() + 1 == points.size()) positionne.push_back(p.connuXY);
  index_.emplace(enMajuscules(p.nom), int(points.size() - 1));
  pointsIndexes_ = points.size();
  return int(points.size() - 1);
}

// ---- Reading ---------------------------------------------------------------

bool reseauMoindresCarres::charger(const std::wstring& chemin) {
  std::ifstream in(host::toUtf8(chemin), std::ios::binary);
  if (!in) return false;
  std::string contenu;
  try {
    contenu.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } catch (const std::ios_base::failure&) {
    return false;  // a folder, a read error: the network stays
  }
  if (in.bad()) return false;
  chargerTexte(contenu);
  return true;
}

void reseauMoindresCarres::chargerTexte(const std::string& contenu) {
  points.clear();
  observations.clear();
  positionne.clear();
  texte.clear();
  avertissements.clear();
  index_.clear();
  pointsIndexes_ = 0;
  bilan = bilanCalcul{};

  enum { kPoints, kObservations } section = kPoints;
  int unite = kGrades;
  std::vector<std::wstring> jetons;
  auto avertir = [&](int ligne, const std::wstring& quoi) {
    avertissements.push_back(format(L"Ligne %d : ", ligne) + quoi);
  };
  auto nomTropLong = [&](int ligne, const std::wstring& nom) {
    if (nom.size() <= kLongueurNomMc) return false;
    avertir(ligne, format(L"nom de point de plus de %d caractères (%ls), ligne ignorée", int(kLongueurNomMc), nom.c_str()));
    return true;
  };
  // The point of a name met in an observation: added as a point to compute.
  auto pointObservation = [&](const std::wstring& nom) {
    const int i = trouverPoint(nom);
    if (i >= 0) return i;
    pointACalculer p;
    p.nom = nom;
    return ajouterPoint(p);
  };

  std::size_t pos = 0;
  int numero = 0;
  while (pos < contenu.size()) {
    std::size_t fin = contenu.find_first_of("\r\n", pos);
    if (fin == std::string::npos) fin = contenu.size();
    const std::size_t longueur = fin - pos;
    const std::size_t debutLigne = pos;
    pos = fin;
    if (pos < contenu.size()) {
      if (contenu[pos] == '\r' && pos + 1 < contenu.size() && contenu[pos + 1] == '\n') ++pos;
      ++pos;
    }
    ++numero;
    if (longueur > kLongueurLigneMc) {
      avertir(numero, format(L"plus de %d caractères, ligne ignorée", int(kLongueurLigneMc)));
      continue;
    }
    const std::wstring ligne = enMajuscules(sansBlancs(host::fromAnsi(contenu.substr(debutLigne, longueur))));
    if (ligne.empty() || ligne[0] == L'*') continue;
    decouperLigne(ligne, L" \t:=", jetons);
    if (jetons.empty()) continue;

    if (jetons[0] == L"XYZ") {
      section = kPoints;
      continue;
    }
    if (jetons[0] == L"OBS") {
      section = kObservations;
      continue;
    }
    if (jetons[0] == L"ANGLES" && jetons.size() >= 2) {
      if (jetons[1] == L"GRADES") {
        unite = kGrades;
        continue;
      }
      if (jetons[1] == L"DEGRES") {
        unite = kDegres;
        continue;
      }
      if (jetons[1] == L"RADIANS") {
        unite = kRadians;
        continue;
      }
    }

    if (section == kPoints) {
      double x = 0, y = 0, z = 0;
      if (jetons.size() < 3 || !lireNombre(jetons[1], x) || !lireNombre(jetons[2], y)) {
        avertir(numero, L"ligne de point non reconnue, ignorée");
        continue;
      }
      if (nomTropLong(numero, jetons[0])) continue;
      if (jetons[0] == L"NORD") {
        avertir(numero, L"NORD ne peut pas être le nom d'un point, ligne ignorée");
        continue;
      }
      pointACalculer p;
      p.nom = jetons[0];
      p.X = x;
      p.Y = y;
      p.connuXY = true;
      if (jetons.size() >= 4 && lireNombre(jetons[3], z)) {
        p.Z = z;
        p.connuZ = true;
      }
      ajouterPoint(p);
      continue;
    }

    // Observation line: station, reference (or NORD), target, then angle,
    // distance, height difference and their three weights.
    if (jetons.size() < 4) {
      avertir(numero, L"ligne d'observation non reconnue, ignorée");
      continue;
    }
    const std::wstring &station = jetons[0], &reference = jetons[1], &cible = jetons[2];
    const bool nord = reference == L"NORD";
    if (nomTropLong(numero, station) || nomTropLong(numero, cible) || (!nord && nomTropLong(numero, reference)))
      continue;
    if (station == L"NORD" || cible == L"NORD") {
      avertir(numero, L"NORD ne peut être que la référence, ligne ignorée");
      continue;
    }
    if (station == cible) {
      avertir(numero, L"la station et le point visé sont le même point, ligne ignorée");
      continue;
    }
    double champs[6];
    bool present[6];
    for (int k = 0; k < 6; ++k) present[k] = 3 + k < int(jetons.size()) && lireNombre(jetons[3 + k], champs[k]);
    bool angle = present[0];
    if (angle && !nord && (reference == station || reference == cible)) {
      avertir(numero, L"la référence de l'angle est la station ou le point visé, angle ignoré");
      angle = false;
    }
    if (!angle && !present[1] && !present[2]) {
      if (!present[0]) avertir(numero, L"aucune mesure, ligne ignorée");
      continue;
    }
    const int s = pointObservation(station);
    const int r = angle && !nord ? pointObservation(reference) : -1;
    const int c = pointObservation(cible);
    auto ajouter = [&](std::uint8_t type, double valeur, int champPoids) {
      ObservationReduite o;
      o.type = type;
      o.valeur = valeur;
      o.station = s;
      o.cible = c;
      o.reference = type == kObsAngle ? r : -1;
      o.poids = present[champPoids] ? champs[champPoids] : kValeurAbsente;
      observations.push_back(o);
    };
    if (angle) ajouter(kObsAngle, champs[0] * versRadians(unite), 3);
    if (present[1]) ajouter(kObsDistance, champs[1], 4);
    if (present[2]) ajouter(kObsDenivelee, champs[2], 5);
  }
  positionne.assign(points.size(), false);
  for (std::size_t i = 0; i < points.size(); ++i) positionne[i] = points[i].connuXY;
}

// ---- Listing and descriptions --------------------------------------------

void reseauMoindresCarres::lister() {
  texte.clear();
  for (std::size_t i = 0; i < points.size(); ++i) {
    const auto& p = points[i];
    if (!p.connuXY) continue;
    if (p.Z != kValeurAbsente)
      texte += format(L"\r\n%d Point %10ls  X=%14.4f Y=%14.4f Z=%14.4f", int(i), p.nom.c_str(), p.X, p.Y, p.Z);
    else
      texte += format(L"\r\n%d Point %10ls  X=%14.4f Y=%14.4f Z: Inconnu", int(i), p.nom.c_str(), p.X, p.Y);
  }
  texte += L"\r\nPoints à calculer:";
  for (std::size_t i = 0; i < points.size(); ++i)
    if (!points[i].connuXY) texte += format(L"\r\nPoint %d %10ls  ", int(i), points[i].nom.c_str());
  texte += L"\r\nObservations";
  for (const auto& o : observations) texte += L"\r\n" + decrire(o);
}

std::wstring reseauMoindresCarres::decrire(const ObservationReduite& o) const {
  auto nom = [&](int i) -> std::wstring {
    return i >= 0 && i < int(points.size()) ? points[i].nom : std::wstring(L"?");
  };
  switch (o.type) {
    case kObsAngle:
      return format(L"Angle %ls %ls %ls = %14.4f (grades)", (o.reference < 0 ? std::wstring(L"NORD") : nom(o.reference)).c_str(),
                    nom(o.station).c_str(), nom(o.cible).c_str(), o.valeur * kRadEnGrades);
    case kObsDistance:
      return format(L"Distance %ls-%ls = %14.4f ", nom(o.station).c_str(), nom(o.cible).c_str(), o.valeur);
    default:
      return format(L"Dénivellée %ls vers %ls =%14.4f", nom(o.station).c_str(), nom(o.cible).c_str(), o.valeur);
  }
}

// ---- Computed values and weights -----------------------------------------

double reseauMoindresCarres::valeurCalculee(const ObservationReduite& o) const {
  const int n = int(points.size());
  if (o.station < 0 || o.station >= n || o.cible < 0 || o.cible >= n) return kValeurAbsente;
  const auto &s = points[o.station], &c = points[o.cible];
  switch (o.type) {
    case kObsDistance: return distance(s, c);
    case kObsDenivelee:
      if (s.Z == kValeurAbsente || c.Z == kValeurAbsente) return kValeurAbsente;
      return c.Z - s.Z;
    default:
      if (o.reference < 0) return gisement(s, c);
      if (o.reference >= n) return kValeurAbsente;
      return moduloPositif(gisement(s, c) - gisement(s, points[o.reference]), kDeuxPi);
  }
}

variablesObservation reseauMoindresCarres::variablesPoids(const ObservationReduite& o) const {
  variablesObservation v;
  const int n = int(points.size());
  auto valide = [&](int i) { return i >= 0 && i < n; };
  if (!valide(o.station) || !valide(o.cible)) return v;
  const auto &s = points[o.station], &c = points[o.cible];
  v.d1 = distance(s, c);
  if (o.type == kObsAngle) {
    v.ang = o.valeur * kRadEnGrades;
    if (valide(o.reference)) {
      v.d2 = distance(s, points[o.reference]);
      v.d3 = distance(c, points[o.reference]);
    }
  }
  return v;
}

std::optional<double> reseauMoindresCarres::poidsObservation(const ObservationReduite& o) const {
  if (o.poids != kValeurAbsente && o.poids != 0 && std::isfinite(o.poids)) return std::abs(o.poids);
  if (o.type == kObsDenivelee || !formules) return 1.0;
  const genreFormule genre = o.type == kObsDistance ? genreFormule::distance
                             : o.reference < 0     ? genreFormule::gisement
                                                   : genreFormule::angle;
  const std::optional<double> w = formules(genre, variablesPoids(o));
  if (!w || !std::isfinite(*w) || !(*w > 0)) {
    formuleEnErreur_[std::size_t(genre)] = true;
    return 1.0;
  }
  return *w;
}

// ---- Preparation -----------------------------------------------------------

void reseauMoindresCarres::preparerObservations() {
  std::stable_sort(observations.begin(), observations.end(),
                   [](const ObservationReduite& a, const ObservationReduite& b) { return a.type < b.type; });

  // Equivalent observations share a key; the first of each key stays. The
  // messages give the indices the removal in place yields: each earlier
  // observation in turn removes its later equivalents, so an index counts
  // the observations still present before it at that moment.
  struct Cle {
    std::uint8_t type;
    int a, b, c;
    bool operator==(const Cle&) const = default;
  };
  struct HacheCle {
    std::size_t operator()(const Cle& k) const {
      std::size_t h = k.type;
      for (int v : {k.a, k.b, k.c}) h = h * 1000003u ^ std::hash<int>()(v);
      return h;
    }
  };
  std::unordered_map<Cle, int, HacheCle> premiers;
  struct Retrait {
    int ancien, premier;
  };
  std::vector<Retrait> retraits;
  for (int i = 0; i < int(observations.size()); ++i) {
    const auto& o = observations[i];
    if (o.type == kObsDenivelee) continue;
    const Cle cle = o.type == kObsDistance
                        ? Cle{o.type, std::min(o.station, o.cible), std::max(o.station, o.cible), 0}
                        : Cle{o.type, o.station, o.cible, o.reference};
    auto [it, nouveau] = premiers.emplace(cle, i);
    if (!nouveau) retraits.push_back({i, it->second});
  }
  if (retraits.empty()) return;

  // Printed index of a removed observation j (removed by the pass of its
  // first f): j minus the removals before j made by passes up to f; the
  // index of f: f minus all removals before it.
  std::vector<Retrait> ordre = retraits;
  std::stable_sort(ordre.begin(), ordre.end(), [](const Retrait& a, const Retrait& b) {
    return a.premier != b.premier ? a.premier < b.premier : a.ancien < b.ancien;
  });
  std::vector<int> anciensRetires;
  for (const auto& r : retraits) anciensRetires.push_back(r.ancien);  // increasing
  for (const auto& r : ordre) {
    int avantJ = 0;
    for (const auto& autre : retraits) {
      if (autre.ancien >= r.ancien) break;
      if (autre.premier <= r.premier) ++avantJ;
    }
    const int avantF = int(std::lower_bound(anciensRetires.begin(), anciensRetires.end(), r.premier) - anciensRetires.begin());
    texte += format(L"\r\nSuppression de l'observation %d (equiv a %d)", r.ancien - avantJ, r.premier - avantF);
    texte += L"\r\n" + decrire(observations[r.ancien]);
    texte += L"\r\n" + decrire(observations[r.premier]);
    texte += L"\r\n---";
  }
  std::vector<char> retire(observations.size(), 0);
  for (const auto& r : retraits) retire[r.ancien] = 1;
  std::vector<ObservationReduite> gardees;
  gardees.reserve(observations.size() - retraits.size());
  for (std::size_t i = 0; i < observations.size(); ++i)
    if (!retire[i]) gardees.push_back(observations[i]);
  observations = std::move(gardees);
}

// ---- Approximate positions ------------------------------------------------

void reseauMoindresCarres::approcherXY() {
  const int n = int(points.size());
  auto valide = [&](int i) { return i >= 0 && i < n; };
  raisonAttente_.assign(std::size_t(n), 0);
  ecartAttente_.assign(std::size_t(n), 0.0);
  // Observations of each point, gathered once.
  std::vector<std::vector<int>> parPoint(n);
  for (int k = 0; k < int(observations.size()); ++k) {
    const auto pts = pointsDe(observations[k]);
    for (int j = 0; j < 3; ++j) {
      const int p = pts[j];
      if (!valide(p)) continue;
      if ((j == 1 && p == pts[0]) || (j == 2 && (p == pts[0] || p == pts[1]))) continue;
      parPoint[p].push_back(k);
    }
  }

  // The misclosure of an angle or distance observation with point p put at
  // (x, y), and the length that turns an angle misclosure into metres.
  auto ecartAvec = [&](int k, int p, double x, double y, double& longueur) {
    pointACalculer& q = points[p];
    const double ox = q.X, oy = q.Y;
    q.X = x;
    q.Y = y;
    const auto& o = observations[k];
    const double calc = valeurCalculee(o);
    longueur = distance(points[o.station], points[o.cible]);
    q.X = ox;
    q.Y = oy;
    return o.type == kObsDistance ? o.valeur - calc : enveloppe(o.valeur - calc);
  };

  auto approcher = [&](int p) -> bool {
    std::vector<int> liees, denivelees;
    for (int k : parPoint[p]) {
      const auto& o = observations[k];
      const auto pts = pointsDe(o);
      int occurrences = 0;
      bool autresPositionnes = true;
      for (int q : pts) {
        if (q == p) ++occurrences;
        else if (valide(q) && !positionne[q]) autresPositionnes = false;
      }
      if (occurrences != 1) continue;
      if (o.type == kObsDenivelee) {
        const int autre = o.station == p ? o.cible : o.station;
        if (valide(autre) && points[autre].Z != kValeurAbsente) denivelees.push_back(k);
        continue;
      }
      if (!autresPositionnes || !valide(o.station) || !valide(o.cible)) continue;
      if (o.type == kObsAngle && o.reference >= n) continue;
      liees.push_back(k);
    }
    if (liees.size() < 3) return false;
    texte += format(L"\r\nCalcul du point %ls  à l'aide de %d equations ", points[p].nom.c_str(), int(liees.size()));

    std::vector<Lieu> lieux;
    for (int k : liees) {
      const auto& o = observations[k];
      const auto &S = points[o.station], &T = points[o.cible];
      if (o.type == kObsDistance) {
        if (!(o.valeur > 0)) continue;
        Lieu l;
        l.cercle = true;
        const auto& centre = o.station == p ? T : S;
        l.cx = centre.X;
        l.cy = centre.Y;
        l.r = o.valeur;
        l.obs = k;
        lieux.push_back(l);
      } else if (o.cible == p) {
        lieux.push_back(demiDroite(S, o.reference < 0 ? o.valeur : gisement(S, points[o.reference]) + o.valeur, k));
      } else if (o.reference == p) {
        lieux.push_back(demiDroite(S, gisement(S, T) - o.valeur, k));
      } else if (o.reference < 0) {
        lieux.push_back(demiDroite(T, o.valeur + kPi, k));
      } else {
        // The station sees target and reference under the angle: an arc of
        // the circle through both (inscribed angle).
        const auto& R = points[o.reference];
        const double corde = distance(T, R);
        const double sinus = std::sin(o.valeur);
        if (corde <= 0 || std::abs(sinus) < kSinusCroisementMin) continue;
        const double rayon = corde / (2 * std::abs(sinus));
        const double h = std::sqrt(std::max(0.0, rayon * rayon - corde * corde / 4));
        const double mx = (T.X + R.X) / 2, my = (T.Y + R.Y) / 2;
        const double nx = -(R.Y - T.Y) / corde, ny = (R.X - T.X) / corde;
        double meilleur = 1e300;
        Lieu l;
        l.cercle = true;
        l.r = rayon;
        l.obs = k;
        for (int cote : {1, -1}) {
          const double cx = mx + cote * h * nx, cy = my + cote * h * ny;
          for (int arc : {1, -1}) {
            pointACalculer essai;
            essai.X = cx + arc * rayon * nx;
            essai.Y = cy + arc * rayon * ny;
            const double a = moduloPositif(gisement(essai, T) - gisement(essai, R), kDeuxPi);
            const double e = std::abs(enveloppe(a - o.valeur));
            if (e < meilleur) {
              meilleur = e;
              l.cx = cx;
              l.cy = cy;
            }
          }
        }
        lieux.push_back(l);
      }
    }

    // A candidate lies on the right part of its loci: ahead on a line, on
    // the arc that sees the measured angle.
    // A candidate on one of the points the observations join is a spurious
    // crossing (a ray starts at its station, an arc passes through its
    // target and reference).
    auto surLesLieux = [&](const Candidat& c, const Lieu& a, const Lieu& b) {
      for (const Lieu* l : {&a, &b}) {
        for (int q : pointsDe(observations[l->obs]))
          if (valide(q) && q != p && std::hypot(points[q].X - c.x, points[q].Y - c.y) < kPointConfondu) return false;
        if (observations[l->obs].type != kObsAngle) continue;
        double longueur = 0;
        if (std::abs(ecartAvec(l->obs, p, c.x, c.y, longueur)) > kPi / 2) return false;
      }
      return true;
    };
    // The misclosure of an observation with p at (x, y), in metres: an angle
    // as the arc it spans at the distance that turns p's move into it.
    auto ecartMetres = [&](int k, double x, double y, double& levier) {
      double longueur = 0;
      const double e = ecartAvec(k, p, x, y, longueur);
      const auto& o = observations[k];
      levier = 1;
      if (o.type == kObsDistance) return e;
      const pointACalculer ici = pointEn(x, y);
      const auto& S = o.station == p ? ici : points[o.station];
      const auto& T = o.cible == p ? ici : points[o.cible];
      const double dT = distance(S, T);
      if (o.reference < 0 || o.cible == p) levier = dT;
      else {
        const auto& R = o.reference == p ? ici : points[o.reference];
        const double dR = distance(S, R);
        levier = o.reference == p ? dR : (dT > 0 && dR > 0 ? 1 / (1 / dT + 1 / dR) : 0);
      }
      return e * levier;
    };
    auto ecartTotal = [&](const Candidat& c) {
      double s = 0;
      for (int k : liees) {
        double levier = 0;
        const double e = ecartMetres(k, c.x, c.y, levier);
        s += e * e;
      }
      return s;
    };

    // Every crossing of two loci on the right part of both. Of two
    // crossings, the one that agrees best with all the point's observations.
    std::vector<Candidat> candidats;
    for (std::size_t i = 0; i < lieux.size(); ++i)
      for (std::size_t j = i + 1; j < lieux.size(); ++j) {
        Candidat c[2];
        const int nb = intersecter(lieux[i], lieux[j], c);
        Candidat retenus[2];
        int nr = 0;
        for (int k = 0; k < nb; ++k)
          if (std::isfinite(c[k].x) && std::isfinite(c[k].y) && surLesLieux(c[k], lieux[i], lieux[j])) retenus[nr++] = c[k];
        if (nr == 0) continue;
        candidats.push_back(nr == 2 && ecartTotal(retenus[1]) < ecartTotal(retenus[0]) ? retenus[1] : retenus[0]);
      }

    double x = 0, y = 0;
    if (!candidats.empty()) {
      // A robust mean: the crossings near the one that agrees best with all
      // the observations; crossings of nearly tangent or grazing loci, or
      // built on a faulty observation, lie far off and are dropped.
      std::size_t meilleur = 0;
      double ecartMeilleur = ecartTotal(candidats[0]);
      for (std::size_t i = 1; i < candidats.size(); ++i) {
        const double e = ecartTotal(candidats[i]);
        if (e < ecartMeilleur) {
          ecartMeilleur = e;
          meilleur = i;
        }
      }
      const Candidat centre = candidats[meilleur];
      std::vector<double> eloignements;
      for (const Candidat& c : candidats) eloignements.push_back(std::hypot(c.x - centre.x, c.y - centre.y));
      std::vector<double> tries = eloignements;
      std::nth_element(tries.begin(), tries.begin() + std::ptrdiff_t(tries.size() / 2), tries.end());
      const double rayon = std::max(0.05, 3 * tries[tries.size() / 2]);
      int nb = 0;
      for (std::size_t i = 0; i < candidats.size(); ++i)
        if (eloignements[i] <= rayon) {
          x += candidats[i].x;
          y += candidats[i].y;
          ++nb;
        }
      x /= nb;
      y /= nb;
    } else {
      // No pair of loci crosses: start from the centre of the points the
      // point is linked to.
      int nb = 0;
      for (int k : liees)
        for (int q : pointsDe(observations[k]))
          if (valide(q) && q != p) {
            x += points[q].X;
            y += points[q].Y;
            ++nb;
          }
      x /= nb;
      y /= nb;
    }

    // A position that misses one of its observations by metres comes from
    // observations that disagree, or from a wrong fold of the loci.
    auto coherente = [&](double cx, double cy, double& pire) {
      pire = 0;
      bool ok = true;
      for (int k : liees) {
        double levier = 0;
        const double e = std::abs(ecartMetres(k, cx, cy, levier));
        const double longueur = observations[k].type == kObsDistance ? observations[k].valeur : levier;
        if (!(e <= kCoherenceAbsolue + kCoherenceRelative * longueur)) ok = false;
        pire = std::max(pire, e);
      }
      return ok;
    };
    double pire = 0;
    if (candidats.empty() || !coherente(x, y, pire)) {
      // The point alone fitted to its observations (Gauss-Newton, in
      // metres), from the mean of the crossings or, when no pair crosses,
      // from the centre of its neighbours. Loci that do not fix the point
      // (a nearly singular system) leave it without a position.
      double fx = x, fy = y, rapport = 0;
      bool converge = false;
      for (int iter = 0; iter < 50 && !converge; ++iter) {
        double a11 = 0, a12 = 0, a22 = 0, b1 = 0, b2 = 0;
        for (int k : liees) {
          const auto& o = observations[k];
          double levier = 0;
          const double l = ecartMetres(k, fx, fy, levier);
          // Derivatives of the computed value with respect to p's X and Y.
          double gx = 0, gy = 0;
          const auto& autreS = o.station == p ? pointEn(fx, fy) : points[o.station];
          const auto& autreT = o.cible == p ? pointEn(fx, fy) : points[o.cible];
          const double dx = autreT.X - autreS.X, dy = autreT.Y - autreS.Y, d2 = dx * dx + dy * dy;
          if (d2 <= 0) continue;
          if (o.type == kObsDistance) {
            const double d = std::sqrt(d2);
            gx = (o.cible == p ? 1 : -1) * dx / d;
            gy = (o.cible == p ? 1 : -1) * dy / d;
          } else {
            if (o.cible == p) {
              gx = dy / d2;
              gy = -dx / d2;
            } else if (o.station == p) {
              gx = -dy / d2;
              gy = dx / d2;
            }
            if (o.reference >= 0) {
              const auto& autreR = o.reference == p ? pointEn(fx, fy) : points[o.reference];
              const double rx = autreR.X - autreS.X, ry = autreR.Y - autreS.Y, r2 = rx * rx + ry * ry;
              if (r2 <= 0) continue;
              if (o.reference == p) {
                gx = -ry / r2;
                gy = rx / r2;
              } else if (o.station == p) {
                gx += ry / r2;
                gy += -rx / r2;
              }
            }
            gx *= levier;
            gy *= levier;
          }
          a11 += gx * gx;
          a12 += gx * gy;
          a22 += gy * gy;
          b1 += gx * l;
          b2 += gy * l;
        }
        const double trace = a11 + a22, det = a11 * a22 - a12 * a12;
        const double ecart = std::sqrt(std::max(0.0, trace * trace / 4 - det));
        const double grande = trace / 2 + ecart, petite = trace / 2 - ecart;
        rapport = grande > 0 ? petite / grande : 0;
        if (!(rapport >= kRapportDeterminationMin)) break;
        const double ddx = (a22 * b1 - a12 * b2) / det, ddy = (a11 * b2 - a12 * b1) / det;
        if (!std::isfinite(ddx) || !std::isfinite(ddy)) break;
        fx += ddx;
        fy += ddy;
        converge = std::hypot(ddx, ddy) < 1e-6;
      }
      double pireAjuste = 0;
      if (converge && coherente(fx, fy, pireAjuste)) {
        x = fx;
        y = fy;
      } else if (!converge && candidats.empty()) {
        raisonAttente_[std::size_t(p)] = 1;
        return false;
      } else {
        // The point waits rather than carry the disagreement along.
        raisonAttente_[std::size_t(p)] = 2;
        ecartAttente_[std::size_t(p)] = converge ? pireAjuste : pire;
        return false;
      }
    }
    raisonAttente_[std::size_t(p)] = 0;

    auto& pt = points[p];
    pt.X = x;
    pt.Y = y;
    if (!pt.connuZ && !denivelees.empty()) {
      double sz = 0;
      for (int k : denivelees) {
        const auto& o = observations[k];
        sz += o.cible == p ? points[o.station].Z + o.valeur : points[o.cible].Z - o.valeur;
      }
      pt.Z = sz / double(denivelees.size());
    }
    if (pt.Z != kValeurAbsente)
      texte += format(L"\r\nSolution trouvée: X=%14.4f Y=%14.4f Z=%14.4f", pt.X, pt.Y, pt.Z);
    else
      texte += format(L"\r\nSolution trouvée: X=%14.4f Y=%14.4f ", pt.X, pt.Y);
    return true;
  };

  // Passes until one positions nothing. The points a pass positions count
  // from the next pass on, so positions spread from the known points in
  // rings and each point is computed from the points nearest to them
  // (chains of approximations grow their errors). A point whose neighbours
  // gained no position since it was last tried cannot succeed, so a pass
  // only tries the unpositioned neighbours of the points positioned by the
  // previous one (the first pass tries every point).
  std::vector<int> candidats;
  for (int p = 0; p < n; ++p)
    if (!positionne[p]) candidats.push_back(p);
  std::vector<char> marque(n, 0);
  while (!candidats.empty()) {
    std::vector<int> nouveaux;
    for (int p : candidats)
      if (!positionne[p] && approcher(p)) nouveaux.push_back(p);
    for (int p : nouveaux) positionne[p] = true;
    candidats = voisinsAEssayer(
        nouveaux, parPoint, [&](int k) { return pointsDe(observations[k]); },
        [&](int q) { return bool(positionne[std::size_t(q)]); }, marque);
  }
}

// ---- Planimetric iteration ----------------------------------------------

reseauMoindresCarres::iteration reseauMoindresCarres::itererXY(int numero) {
  const int n = int(points.size());
  auto valide = [&](int i) { return i >= 0 && i < n; };
  std::vector<int> colonne, inconnus;
  numeroterInconnus(n, [&](int i) { return positionne[std::size_t(i)] && !points[std::size_t(i)].connuXY; }, colonne,
                    inconnus);
  const int u = int(inconnus.size());

  std::vector<Equation> eqs;
  std::vector<double> L, P;
  std::vector<int> numeros;
  eqs.reserve(observations.size());
  L.reserve(observations.size());
  P.reserve(observations.size());
  numeros.reserve(observations.size());
  for (int k = 0; k < int(observations.size()); ++k) {
    const auto& o = observations[k];
    if (o.type == kObsDenivelee) continue;
    if (!valide(o.station) || !valide(o.cible) || !positionne[o.station] || !positionne[o.cible]) continue;
    const bool avecReference = o.type == kObsAngle && o.reference >= 0;
    if (avecReference && (!valide(o.reference) || !positionne[o.reference])) continue;
    const auto &S = points[o.station], &T = points[o.cible];
    const double dx = T.X - S.X, dy = T.Y - S.Y, d2 = dx * dx + dy * dy;
    double rx = 0, ry = 0, r2 = 1;
    if (avecReference) {
      rx = points[o.reference].X - S.X;
      ry = points[o.reference].Y - S.Y;
      r2 = rx * rx + ry * ry;
    }
    if (!(d2 > 0) || !(r2 > 0)) {
      texte += format(L"\r\nObservation %d ignorée : points confondus", k);
      continue;
    }
    Equation e;
    auto ajouter = [&](int point, double cx, double cy) {
      const int c = colonne[point];
      if (c < 0) return;
      e.ajouter(c, cx);
      e.ajouter(u + c, cy);
    };
    if (o.type == kObsDistance) {
      const double d = std::sqrt(d2);
      ajouter(o.cible, dx / d, dy / d);
      ajouter(o.station, -dx / d, -dy / d);
    } else if (!avecReference) {
      ajouter(o.cible, dy / d2, -dx / d2);
      ajouter(o.station, -dy / d2, dx / d2);
    } else {
      ajouter(o.cible, dy / d2, -dx / d2);
      ajouter(o.reference, -ry / r2, rx / r2);
      ajouter(o.station, ry / r2 - dy / d2, dx / d2 - rx / r2);
    }
    const double calc = valeurCalculee(o);
    L.push_back(o.type == kObsDistance ? o.valeur - calc : enveloppe(o.valeur - calc));
    P.push_back(*poidsObservation(o));
    eqs.push_back(e);
    numeros.push_back(k);
  }
  const int m = int(eqs.size());

  SystemeNormal systeme;
  Eigen::VectorXd x;
  const bool ok = m > 0 && u > 0 && systeme.construire(2 * u, eqs, P, L, factorisationDense) && systeme.resoudre(0, x);
  bilan.observations = m;
  bilan.inconnues = 2 * u;
  bilan.singulier = !ok && u > 0;
  bilan.pivotRelatif = ok ? systeme.pivotMin() : 0;
  bilan.vtpv = 0;
  bilan.sigma0.reset();
  bilan.test.reset();
  bilan.precisions.clear();
  bilan.residus.clear();
  iteration resultat;
  if (!ok) {
    texte += texteVecteur(L"Solution", {});
    if (u > 0) texte += L"\r\nSystème singulier : aucune solution";
    return resultat;
  }

  // The step is kept only when it lowers vᵀPv computed from the
  // observations at the moved positions: far from the solution a
  // linearised step can overshoot into another fold of the network.
  std::vector<std::array<double, 2>> departs(static_cast<std::size_t>(u));
  for (int j = 0; j < u; ++j) departs[std::size_t(j)] = {points[inconnus[j]].X, points[inconnus[j]].Y};
  auto placer = [&](const Eigen::VectorXd* d) {
    for (int j = 0; j < u; ++j) {
      auto& p = points[inconnus[j]];
      p.X = departs[std::size_t(j)][0] + (d ? (*d)[j] : 0.0);
      p.Y = departs[std::size_t(j)][1] + (d ? (*d)[u + j] : 0.0);
    }
  };
  auto ecartPondere = [&] {
    double somme = 0;
    for (int i = 0; i < m; ++i) {
      const auto& o = observations[numeros[i]];
      const double calc = valeurCalculee(o);
      const double l = o.type == kObsDistance ? o.valeur - calc : enveloppe(o.valeur - calc);
      somme += P[i] * l * l;
    }
    return somme;
  };
  double avant = 0;
  for (int i = 0; i < m; ++i) avant += P[i] * L[i] * L[i];
  placer(&x);
  bool garde = ecartPondere() <= avant * (1 + 1e-9) + 1e-300;
  if (!garde) {
    Eigen::VectorXd amorti;
    double lambda = kAmortissementInitial;
    for (int essai = 0; essai < kEssaisAmortissement && !garde; ++essai, lambda *= 10) {
      if (!systeme.resoudre(lambda, amorti)) continue;
      placer(&amorti);
      garde = ecartPondere() < avant;
    }
    resultat.amortie = true;
    if (garde) {
      x = std::move(amorti);
    } else {
      resultat.bloquee = true;
      x.setZero(2 * u);
    }
  }
  placer(nullptr);

  const double norme = x.norm();
  resultat.norme = norme;
  const bool derniere =
      (!resultat.amortie && norme <= kNormeConvergence) || resultat.bloquee || numero >= kIterationsMax;
  std::vector<double> solution(x.data(), x.data() + x.size());
  texte += texteVecteur(L"Solution", solution);

  double vtpv = 0;
  std::vector<double> v(std::size_t(m), 0.0);
  for (int i = 0; i < m; ++i) {
    const double ax = eqs[i].produit(x);
    v[std::size_t(i)] = ax - L[i];
    vtpv += P[i] * v[std::size_t(i)] * v[std::size_t(i)];
    const bool dist = observations[numeros[i]].type == kObsDistance;
    const double f = dist ? 1000.0 : kRadEnMgr;
    texte += format(dist ? L"\r\nRésidu pour l'observation %d  =%14.10f mm (- L : %14.10f mm)"
                         : L"\r\nRésidu pour l'observation %d  =%14.10f mgr (- L : %14.10f mgr)",
                    numeros[i], ax * f, v[std::size_t(i)] * f);
  }
  texte += L"\r\nXYZ:";
  for (int j = 0; j < u; ++j) {
    auto& p = points[inconnus[j]];
    p.X += x[j];
    p.Y += x[u + j];
    texte += format(L"\r\n[%ls]\t(%14.4f\t%14.4f)", p.nom.c_str(), p.X, p.Y);
  }
  texte += format(L"\r\nValeur du chi 2=%14.10f", vtpv);

  bilan.vtpv = vtpv;
  bilan.redondance = m - 2 * u;
  if (bilan.redondance > 0) bilan.sigma0 = std::sqrt(vtpv / bilan.redondance);
  texte += texteSigma0(bilan);
  if (!derniere || !bilan.sigma0) return resultat;

  // The precision of the points and the check of the observations come
  // with the last solution, from the undamped normal matrix.
  Eigen::VectorXd nonAmorti;
  if (resultat.amortie && !systeme.resoudre(0, nonAmorti)) return resultat;
  systeme.preparerInverse();
  const double s2 = *bilan.sigma0 * *bilan.sigma0;
  for (int j = 0; j < u; ++j) {
    const double qxx = systeme.q(j, j), qyy = systeme.q(u + j, u + j), qxy = systeme.q(j, u + j);
    const double moy = (qxx + qyy) / 2, rayon = std::hypot((qxx - qyy) / 2, qxy);
    if (moy + rayon > 0) bilan.pivotRelatif = std::min(bilan.pivotRelatif, std::max(0.0, moy - rayon) / (moy + rayon));
    precisionPoint pp;
    pp.point = inconnus[j];
    pp.sX = std::sqrt(std::max(0.0, s2 * qxx));
    pp.sY = std::sqrt(std::max(0.0, s2 * qyy));
    pp.a = std::sqrt(std::max(0.0, s2 * (moy + rayon)));
    pp.b = std::sqrt(std::max(0.0, s2 * (moy - rayon)));
    // Major axis at phi from +X (anticlockwise); as a bearing from +Y
    // (clockwise), modulo a half turn since an axis has two ends.
    const double phi = 0.5 * std::atan2(2 * qxy, qxx - qyy);
    pp.gisement = moduloPositif(kPi / 2 - phi, kPi) * kRadEnGrades;
    bilan.precisions.push_back(pp);
    texte += format(L"\r\n[%ls] sX=%.4f sY=%.4f a=%.4f b=%.4f gis=%.4f gr", points[pp.point].nom.c_str(), pp.sX,
                    pp.sY, pp.a, pp.b, pp.gisement);
  }
  analyserResidus(eqs, P, v, numeros, systeme, seuilResiduNorme, bilan);
  ecrireAnalyse();
  return resultat;
}

void reseauMoindresCarres::ecrireAnalyse() {
  if (bilan.test) {
    const testGlobal& t = *bilan.test;
    texte += format(L"\r\nTest global du khi² à 95 %% (redondance %d) : somme pv² = %.4f, intervalle [%.4f ; %.4f] : ",
                    t.redondance, t.vtpv, t.borneInf, t.borneSup);
    if (t.accepte) texte += L"accepté";
    else if (t.vtpv > t.borneSup)
      texte += L"refusé, écarts plus grands que les précisions données (faute ou poids trop forts)";
    else
      texte += L"refusé, écarts plus petits que les précisions données (poids trop faibles)";
  } else if (bilan.redondance > 0) {
    texte += L"\r\nTest global non effectué : tous les poids valent 1 (aucune précision donnée)";
  }
  if (bilan.residus.empty()) return;
  texte += format(L"\r\nRésidus normés (faute probable au-delà de %.2f) :", seuilResiduNorme);
  for (const residuNorme& r : bilan.residus) {
    const auto& o = observations[std::size_t(r.observation)];
    const double f = o.type == kObsDistance || o.type == kObsDenivelee ? 1000.0 : kRadEnMgr;
    const wchar_t* unite = o.type == kObsAngle ? L"mgr" : L"mm";
    if (!r.w) {
      texte += format(L"\r\nObservation %d : v = %.4f %ls, non contrôlée (redondance %.2f)", r.observation,
                      r.residu * f, unite, r.redondance);
      continue;
    }
    texte += format(L"\r\nObservation %d : v = %.4f %ls, w = %.2f (redondance %.2f)", r.observation, r.residu * f,
                    unite, *r.w, r.redondance);
    if (r.suspecte) texte += L"  <-- faute probable : " + decrire(o);
    else if (r.auDelaDuSeuil) texte += L"  (au-delà du seuil, peut-être l'effet de la faute probable)";
  }
}

void reseauMoindresCarres::calculerXY() {
  texte.clear();
  bilan = bilanCalcul{};
  formuleEnErreur_.fill(false);
  if (pointsIndexes_ != points.size()) reindexer();
  preparerObservations();
  positionne.assign(points.size(), false);
  for (std::size_t i = 0; i < points.size(); ++i) positionne[i] = points[i].connuXY;
  approcherXY();
  iteration it = itererXY(0);
  int iterations = 1;
  auto encore = [&] { return !it.bloquee && !bilan.singulier && (it.norme > kNormeConvergence || it.amortie); };
  for (int k = 1; k <= kIterationsMax && encore(); ++k) {
    texte.clear();
    it = itererXY(k);
    ++iterations;
  }
  bilan.iterations = iterations;
  bilan.converge = !bilan.singulier && !it.bloquee && !it.amortie && it.norme <= kNormeConvergence;
  if (!bilan.converge && !bilan.singulier && bilan.inconnues > 0)
    bilan.alertes.push_back(format(L"Calcul non convergé après %d itérations : résultats non fiables", iterations));
  // A point left without a position takes no part in the adjustment; the
  // last text says so, or an empty solution would read as a finished one.
  int nonCalcules = 0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (points[i].connuXY || positionne[i]) continue;
    ++nonCalcules;
    const std::uint8_t raison = i < raisonAttente_.size() ? raisonAttente_[i] : 0;
    if (raison == 1)
      texte += format(L"\r\nPoint %ls non calculé : ses observations ne fixent pas sa position (lieux confondus ou "
                      L"presque parallèles)",
                      points[i].nom.c_str());
    else if (raison == 2)
      texte += format(L"\r\nPoint %ls non calculé : ses observations ne s'accordent pas (écart de %.3f m)",
                      points[i].nom.c_str(), ecartAttente_[i]);
    else
      texte += format(L"\r\nPoint %ls non calculé : moins de 3 observations vers des points positionnés",
                      points[i].nom.c_str());
  }
  if (nonCalcules > 0) bilan.alertes.push_back(format(L"%d point(s) non calculé(s)", nonCalcules));
  conclure(bilan.alertes);
  alertesXY = bilan.alertes;
}

// The verdict lines after a computation: what makes its result unreliable.
void reseauMoindresCarres::conclure(std::vector<std::wstring>& alertes) {
  if (bilan.singulier) alertes.insert(alertes.begin(), L"Système singulier : aucune solution");
  if (!bilan.singulier && bilan.inconnues > 0 && bilan.pivotRelatif < kPivotMalConditionne) {
    bilan.malConditionne = true;
    alertes.push_back(
        format(L"Système mal conditionné (pivot relatif %.1e) : résultats non fiables", bilan.pivotRelatif));
  }
  if (bilan.test && !bilan.test->accepte) alertes.push_back(L"Test global du khi² refusé");
  int suspectes = 0;
  for (const residuNorme& r : bilan.residus) suspectes += r.suspecte;
  if (suspectes > 0)
    for (const residuNorme& r : bilan.residus)
      if (r.suspecte)
        alertes.push_back(format(L"Faute probable (|w| = %.2f > %.2f) : ", std::abs(*r.w), seuilResiduNorme) +
                          decrire(observations[std::size_t(r.observation)]));
  const wchar_t* noms[3] = {L"Angles", L"Gisements", L"Distances"};
  for (int g = 0; g < 3; ++g)
    if (formuleEnErreur_[std::size_t(g)])
      alertes.push_back(format(L"Formule de poids « %ls » inutilisable : poids 1 appliqué", noms[g]));
  // The singular system already said so in the iteration's text.
  for (const std::wstring& a : alertes)
    if (!bilan.singulier || a != alertes.front()) texte += L"\r\n" + a;
}

// ---- Altimetry -------------------------------------------------------------

void reseauMoindresCarres::calculerZ() {
  texte.clear();
  bilan = bilanCalcul{};
  formuleEnErreur_.fill(false);
  const int n = int(points.size());
  auto valide = [&](int i) { return i >= 0 && i < n; };
  std::vector<std::vector<int>> parPoint(n);
  for (int k = 0; k < int(observations.size()); ++k) {
    const auto& o = observations[k];
    if (o.type != kObsDenivelee || !valide(o.station) || !valide(o.cible) || o.station == o.cible) continue;
    parPoint[o.station].push_back(k);
    parPoint[o.cible].push_back(k);
  }
  std::vector<char> place(n, 0);
  for (int i = 0; i < n; ++i) place[i] = points[i].connuZ;
  // Whether a point has a plan position (known, or computed by "Calculer
  // X,Y"): without one its X and Y are not shown as numbers.
  auto aXY = [&](int i) {
    return points[std::size_t(i)].connuXY || (std::size_t(i) < positionne.size() && positionne[std::size_t(i)]);
  };

  // Approximate heights, pass after pass (a pass tries the neighbours of the
  // points placed by the previous one).
  std::vector<int> candidats;
  for (int p = 0; p < n; ++p)
    if (!place[p]) candidats.push_back(p);
  std::vector<char> marque(n, 0);
  while (!candidats.empty()) {
    std::vector<int> nouveaux;
    for (int p : candidats) {
      if (place[p]) continue;
      double somme = 0;
      int nb = 0;
      for (int k : parPoint[p]) {
        const auto& o = observations[k];
        const int autre = o.station == p ? o.cible : o.station;
        if (!place[autre]) continue;
        somme += o.cible == p ? points[autre].Z + o.valeur : points[autre].Z - o.valeur;
        ++nb;
      }
      if (nb == 0) continue;
      auto& pt = points[p];
      texte += format(L"\r\nCalcul du point %ls  à l'aide de %d equations ", pt.nom.c_str(), nb);
      pt.Z = somme / nb;
      if (aXY(p))
        texte += format(L"\r\nSolution trouvée: X=%14.4f Y=%14.4f Z=%14.4f", pt.X, pt.Y, pt.Z);
      else
        texte += format(L"\r\nSolution trouvée: X, Y non calculés Z=%14.4f", pt.Z);
      place[p] = 1;
      nouveaux.push_back(p);
    }
    candidats = voisinsAEssayer(
        nouveaux, parPoint,
        [&](int k) { return std::array<int, 2>{observations[k].station, observations[k].cible}; },
        [&](int q) { return place[std::size_t(q)] != 0; }, marque);
  }

  std::vector<int> colonne, inconnus;
  numeroterInconnus(n, [&](int i) { return place[std::size_t(i)] && !points[std::size_t(i)].connuZ; }, colonne,
                    inconnus);
  const int u = int(inconnus.size());
  std::vector<Equation> eqs;
  std::vector<double> L, P;
  std::vector<int> numeros;
  for (int k = 0; k < int(observations.size()); ++k) {
    const auto& o = observations[k];
    if (o.type != kObsDenivelee || !valide(o.station) || !valide(o.cible)) continue;
    if (!place[o.station] || !place[o.cible]) continue;
    if (colonne[o.station] < 0 && colonne[o.cible] < 0) {
      // Both heights are known: the observation only checks them.
      zcutPrintf(L"\nBizarre !!!");
      continue;
    }
    Equation e;
    double b = o.valeur;
    if (colonne[o.cible] >= 0) e.ajouter(colonne[o.cible], 1.0);
    else b -= points[o.cible].Z;
    if (colonne[o.station] >= 0) e.ajouter(colonne[o.station], -1.0);
    else b += points[o.station].Z;
    eqs.push_back(e);
    L.push_back(b);
    P.push_back(*poidsObservation(o));
    numeros.push_back(k);
  }
  const int m = int(eqs.size());
  Eigen::VectorXd x;
  SystemeNormal systeme;
  const bool ok = m > 0 && u > 0 && systeme.construire(u, eqs, P, L, factorisationDense) && systeme.resoudre(0, x);
  std::vector<double> solution(x.data(), x.data() + x.size());
  texte += texteVecteur(L"Solution", solution);
  bilan.observations = m;
  bilan.inconnues = u;
  bilan.singulier = !ok && u > 0;
  bilan.pivotRelatif = ok ? systeme.pivotMin() : 0;
  bilan.iterations = 1;
  if (!ok) {
    if (u > 0) texte += L"\r\nSystème singulier : aucune solution";
    conclure(bilan.alertes);
    alertesZ = bilan.alertes;
    return;
  }
  double vtpv = 0;
  std::vector<double> v(std::size_t(m), 0.0);
  for (int i = 0; i < m; ++i) {
    v[std::size_t(i)] = eqs[i].produit(x) - L[i];
    vtpv += P[i] * v[std::size_t(i)] * v[std::size_t(i)];
    texte += format(L"\r\nRésidu pour l'observation %d (mm) =%14.10f", numeros[i], v[std::size_t(i)] * 1000.0);
  }
  texte += L"\r\nXYZ:";
  for (int j = 0; j < u; ++j) {
    auto& p = points[inconnus[j]];
    p.Z = x[j];
    if (aXY(inconnus[j]))
      texte += format(L"\r\n\t[%ls]\t(%14.4f\t%14.4f\t%14.4f\t)", p.nom.c_str(), p.X, p.Y, p.Z);
    else
      texte += format(L"\r\n\t[%ls]\t(X, Y non calculés\t%14.4f\t)", p.nom.c_str(), p.Z);
  }
  texte += format(L"\r\nValeur du chi 2=%14.10f", vtpv);
  bilan.vtpv = vtpv;
  bilan.redondance = m - u;
  if (bilan.redondance > 0) bilan.sigma0 = std::sqrt(vtpv / bilan.redondance);
  texte += texteSigma0(bilan);
  if (bilan.sigma0) {
    systeme.preparerInverse();
    for (int j = 0; j < u; ++j) {
      precisionPoint pp;
      pp.point = inconnus[j];
      pp.sZ = *bilan.sigma0 * std::sqrt(std::max(0.0, systeme.q(j, j)));
      bilan.precisions.push_back(pp);
      texte += format(L"\r\n[%ls] sZ=%.4f", points[pp.point].nom.c_str(), pp.sZ);
    }
    analyserResidus(eqs, P, v, numeros, systeme, seuilResiduNorme, bilan);
    ecrireAnalyse();
  }
  conclure(bilan.alertes);
  alertesZ = bilan.alertes;
}
