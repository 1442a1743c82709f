#include "calc/reseau_mc.hpp"

#include <Eigen/Dense>
#include <Eigen/SparseCholesky>
#include <Eigen/SparseCore>

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
// A pivot of the normal matrix below this fraction of its largest diagonal
// entry is taken for zero: the network is singular.
constexpr double kPivotRelatifMin = 1e-12;
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

// Solves AᵀPA·x = AᵀPL. `blocs` asks for 2×2 blocks (a, b) of the inverse
// of the normal matrix: {q(a,a), q(b,b), q(a,b)}, computed when `voulus`
// says so for the norm of x (the last iteration of a loop only). False (x
// empty) when the system is singular.
bool resoudre(int n, const std::vector<Equation>& eqs, const std::vector<double>& poids,
              const std::vector<double>& L, bool dense, Eigen::VectorXd& x,
              const std::vector<std::pair<int, int>>& blocs, std::vector<std::array<double, 3>>& q,
              const std::function<bool(double)>& voulus) {
  x.resize(0);
  q.clear();
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
  Eigen::SparseMatrix<double> N(n, n);
  N.setFromTriplets(triplets.begin(), triplets.end());
  triplets.clear();
  triplets.shrink_to_fit();
  double diagMax = 0;
  for (int i = 0; i < n; ++i) diagMax = std::max(diagMax, std::abs(N.coeff(i, i)));
  if (!(diagMax > 0) || !std::isfinite(diagMax)) return false;
  const double pivotMin = kPivotRelatifMin * diagMax;

  if (dense) {
    Eigen::MatrixXd Nd = Eigen::MatrixXd(N).selfadjointView<Eigen::Lower>();
    Eigen::LDLT<Eigen::MatrixXd> f(Nd);
    if (f.info() != Eigen::Success) return false;
    if (!(f.vectorD().minCoeff() > pivotMin)) return false;
    Eigen::VectorXd s = f.solve(b);
    if (!s.allFinite()) return false;
    x = std::move(s);
    if (!blocs.empty() && voulus(x.norm())) {
      const Eigen::MatrixXd inv = f.solve(Eigen::MatrixXd::Identity(n, n));
      for (auto [a, c] : blocs) q.push_back({inv(a, a), inv(c, c), inv(a, c)});
    }
    return true;
  }

  Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>, Eigen::Lower> f;
  f.compute(N);
  if (f.info() != Eigen::Success) return false;
  const Eigen::VectorXd D = f.vectorD();
  for (int i = 0; i < n; ++i)
    if (!(D[i] > pivotMin)) return false;
  Eigen::VectorXd s = f.solve(b);
  if (f.info() != Eigen::Success || !s.allFinite()) return false;
  x = std::move(s);
  if (blocs.empty() || !voulus(x.norm())) return true;

  // Entries of N⁻¹ from the factors P·N·Pᵀ = L·D·Lᵀ (L unit lower), on
  // the pattern of L only (selected inversion): with Z = (P·N·Pᵀ)⁻¹,
  //   Z(i,j) = δij/dj − Σ_{k>j, L(k,j)≠0} L(k,j)·Z(i,k)   for i >= j,
  // taken column by column from the last. Every Z(i,k) needed lies in the
  // pattern (the rows of a column of L are joined to each other in it), and
  // so do the X-Y pairs of a point, which share every observation. The cost
  // is the sum of the squared column counts of L, not a dense inverse.
  const auto& Lm = f.matrixL().nestedExpression();
  std::vector<int> debut(std::size_t(n) + 1, 0), lignes;
  std::vector<double> valeurs;
  lignes.reserve(std::size_t(Lm.nonZeros()));
  valeurs.reserve(std::size_t(Lm.nonZeros()));
  for (int c = 0; c < n; ++c) {
    const std::size_t avant = lignes.size();
    for (Eigen::SparseMatrix<double>::InnerIterator it(Lm, c); it; ++it) {
      if (it.row() <= c) continue;
      lignes.push_back(int(it.row()));
      valeurs.push_back(it.value());
    }
    // Rows in increasing order for the searches below.
    std::vector<std::pair<int, double>> col;
    for (std::size_t k = avant; k < lignes.size(); ++k) col.emplace_back(lignes[k], valeurs[k]);
    if (!std::is_sorted(col.begin(), col.end())) {
      std::sort(col.begin(), col.end());
      for (std::size_t k = 0; k < col.size(); ++k) {
        lignes[avant + k] = col[k].first;
        valeurs[avant + k] = col[k].second;
      }
    }
    debut[std::size_t(c) + 1] = int(lignes.size());
  }
  std::vector<double> Z(lignes.size(), 0.0), Zdiag(std::size_t(n), 0.0), somme;
  for (int j = n - 1; j >= 0; --j) {
    const int a = debut[std::size_t(j)], b = debut[std::size_t(j) + 1];
    somme.assign(std::size_t(b - a), 0.0);
    for (int q = a; q < b; ++q) {
      const int k = lignes[std::size_t(q)];
      const double lk = valeurs[std::size_t(q)];
      somme[std::size_t(q - a)] += lk * Zdiag[std::size_t(k)];
      // The later rows i of column j are rows of column k: walk both.
      int pk = debut[std::size_t(k)];
      const int finK = debut[std::size_t(k) + 1];
      for (int p = q + 1; p < b; ++p) {
        const int i = lignes[std::size_t(p)];
        while (pk < finK && lignes[std::size_t(pk)] < i) ++pk;
        if (pk == finK || lignes[std::size_t(pk)] != i) continue;  // not in the pattern: zero
        const double zik = Z[std::size_t(pk)];
        somme[std::size_t(p - a)] += lk * zik;
        somme[std::size_t(q - a)] += valeurs[std::size_t(p)] * zik;
      }
    }
    double diag = 1.0 / D[j];
    for (int p = a; p < b; ++p) {
      Z[std::size_t(p)] = -somme[std::size_t(p - a)];
      diag -= valeurs[std::size_t(p)] * Z[std::size_t(p)];
    }
    Zdiag[std::size_t(j)] = diag;
  }
  auto z = [&](int i, int k) {
    if (i == k) return Zdiag[std::size_t(i)];
    if (i < k) std::swap(i, k);
    const auto premier = lignes.begin() + debut[std::size_t(k)];
    const auto dernier = lignes.begin() + debut[std::size_t(k) + 1];
    const auto it = std::lower_bound(premier, dernier, i);
    return it != dernier && *it == i ? Z[std::size_t(it - lignes.begin())] : 0.0;
  };
  const auto& perm = f.permutationP().indices();
  for (auto [a, c] : blocs) {
    const int pa = perm[a], pc = perm[c];
    q.push_back({Zdiag[std::size_t(pa)], Zdiag[std::size_t(pc)], z(pa, pc)});
  }
  return true;
}

std::wstring texteSigma0(const bilanCalcul& bilan) {
  if (!bilan.sigma0) return L"\r\nEcart type de l'unité de poids : non calculable (redondance nulle)";
  return format(L"\r\nEcart type de l'unité de poids = %.4f", *bilan.sigma0);
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
  if (!w || !std::isfinite(*w) || !(*w > 0)) return 1.0;
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
    auto ecartTotal = [&](const Candidat& c) {
      double s = 0;
      for (int k : liees) {
        double longueur = 0;
        const double e = ecartAvec(k, p, c.x, c.y, longueur);
        const double metres = observations[k].type == kObsDistance ? e : e * longueur;
        s += metres * metres;
      }
      return s;
    };
    double sx = 0, sy = 0;
    int acceptes = 0;
    for (std::size_t i = 0; i < lieux.size(); ++i)
      for (std::size_t j = i + 1; j < lieux.size(); ++j) {
        Candidat c[2];
        const int nb = intersecter(lieux[i], lieux[j], c);
        Candidat retenus[2];
        int nr = 0;
        for (int k = 0; k < nb; ++k)
          if (std::isfinite(c[k].x) && std::isfinite(c[k].y) && surLesLieux(c[k], lieux[i], lieux[j])) retenus[nr++] = c[k];
        if (nr == 0) continue;
        Candidat choisi = retenus[0];
        if (nr == 2) {
          if (acceptes > 0) {
            const double mx = sx / acceptes, my = sy / acceptes;
            if (std::hypot(retenus[1].x - mx, retenus[1].y - my) < std::hypot(retenus[0].x - mx, retenus[0].y - my))
              choisi = retenus[1];
          } else if (ecartTotal(retenus[1]) < ecartTotal(retenus[0])) {
            choisi = retenus[1];
          }
        }
        sx += choisi.x;
        sy += choisi.y;
        ++acceptes;
      }

    double x = 0, y = 0;
    if (acceptes > 0) {
      x = sx / acceptes;
      y = sy / acceptes;
    } else {
      // No pair of loci crosses: Gauss-Newton on the point alone, from the
      // centre of the points it is linked to.
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
      bool converge = false;
      for (int iter = 0; iter < 50 && !converge; ++iter) {
        double a11 = 0, a12 = 0, a22 = 0, b1 = 0, b2 = 0;
        for (int k : liees) {
          const auto& o = observations[k];
          double longueur = 0;
          const double l = ecartAvec(k, p, x, y, longueur);
          // Derivatives of the computed value with respect to p's X and Y.
          double gx = 0, gy = 0;
          const auto& autreS = o.station == p ? pointEn(x, y) : points[o.station];
          const auto& autreT = o.cible == p ? pointEn(x, y) : points[o.cible];
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
              const auto& autreR = o.reference == p ? pointEn(x, y) : points[o.reference];
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
          }
          a11 += gx * gx;
          a12 += gx * gy;
          a22 += gy * gy;
          b1 += gx * l;
          b2 += gy * l;
        }
        const double det = a11 * a22 - a12 * a12;
        if (!(std::abs(det) > 1e-12 * std::max(1.0, a11 * a22))) break;
        const double ddx = (a22 * b1 - a12 * b2) / det, ddy = (a11 * b2 - a12 * b1) / det;
        if (!std::isfinite(ddx) || !std::isfinite(ddy)) break;
        x += ddx;
        y += ddy;
        converge = std::hypot(ddx, ddy) < 1e-6;
      }
      if (!converge) return false;
    }

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

double reseauMoindresCarres::itererXY(int numero) {
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

  // The precision of the points comes with the last solution: the norm of
  // the correction says whether it is the last.
  Eigen::VectorXd x;
  std::vector<std::pair<int, int>> blocs;
  if (m - 2 * u > 0)
    for (int j = 0; j < u; ++j) blocs.emplace_back(j, u + j);
  std::vector<std::array<double, 3>> q;
  auto derniere = [numero](double norme) { return norme <= kNormeConvergence || numero >= kIterationsMax; };
  const bool ok = m > 0 && u > 0 && resoudre(2 * u, eqs, P, L, factorisationDense, x, blocs, q, derniere);
  std::vector<double> solution(x.data(), x.data() + x.size());
  texte += texteVecteur(L"Solution", solution);
  bilan.observations = m;
  bilan.inconnues = 2 * u;
  bilan.singulier = !ok && u > 0;
  bilan.vtpv = 0;
  bilan.sigma0.reset();
  bilan.precisions.clear();
  if (!ok) {
    if (u > 0) texte += L"\r\nSystème singulier : aucune solution";
    return 0;
  }

  double vtpv = 0;
  for (int i = 0; i < m; ++i) {
    const double ax = eqs[i].produit(x);
    const double v = ax - L[i];
    vtpv += P[i] * v * v;
    const bool dist = observations[numeros[i]].type == kObsDistance;
    const double f = dist ? 1000.0 : kRadEnMgr;
    texte += format(dist ? L"\r\nRésidu pour l'observation %d  =%14.10f mm (- L : %14.10f mm)"
                         : L"\r\nRésidu pour l'observation %d  =%14.10f mgr (- L : %14.10f mgr)",
                    numeros[i], ax * f, v * f);
  }
  texte += L"\r\nXYZ:";
  for (int j = 0; j < u; ++j) {
    auto& p = points[inconnus[j]];
    p.X += x[j];
    p.Y += x[u + j];
    texte += format(L"\r\n[%ls]\t(%14.4f\t%14.4f)", p.nom.c_str(), p.X, p.Y);
  }
  texte += format(L"\r\nValeur du chi 2=%14.10f", vtpv);

  const double norme = x.norm();
  bilan.vtpv = vtpv;
  bilan.redondance = m - 2 * u;
  if (bilan.redondance > 0) bilan.sigma0 = std::sqrt(vtpv / bilan.redondance);
  texte += texteSigma0(bilan);
  if (bilan.sigma0 && q.size() == std::size_t(u)) {
    const double s2 = *bilan.sigma0 * *bilan.sigma0;
    for (int j = 0; j < u; ++j) {
      const double qxx = q[j][0], qyy = q[j][1], qxy = q[j][2];
      const double moy = (qxx + qyy) / 2, rayon = std::hypot((qxx - qyy) / 2, qxy);
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
  }
  return norme;
}

void reseauMoindresCarres::calculerXY() {
  texte.clear();
  bilan = bilanCalcul{};
  if (pointsIndexes_ != points.size()) reindexer();
  preparerObservations();
  positionne.assign(points.size(), false);
  for (std::size_t i = 0; i < points.size(); ++i) positionne[i] = points[i].connuXY;
  approcherXY();
  double norme = itererXY(0);
  int iterations = 1;
  for (int k = 1; k <= kIterationsMax && norme > kNormeConvergence; ++k) {
    texte.clear();
    norme = itererXY(k);
    ++iterations;
  }
  bilan.iterations = iterations;
  // A point left without a position takes no part in the adjustment; the
  // last text says so, or an empty solution would read as a finished one.
  for (std::size_t i = 0; i < points.size(); ++i)
    if (!points[i].connuXY && !positionne[i])
      texte += format(L"\r\nPoint %ls non calculé : moins de 3 observations vers des points positionnés",
                      points[i].nom.c_str());
}

// ---- Altimetry -------------------------------------------------------------

void reseauMoindresCarres::calculerZ() {
  texte.clear();
  bilan = bilanCalcul{};
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
      texte += format(L"\r\nSolution trouvée: X=%14.4f Y=%14.4f Z=%14.4f", pt.X, pt.Y, pt.Z);
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
  std::vector<std::pair<int, int>> blocs;
  for (int j = 0; j < u; ++j) blocs.emplace_back(j, j);
  std::vector<std::array<double, 3>> q;
  const bool ok = m > 0 && u > 0 && resoudre(u, eqs, P, L, factorisationDense, x, blocs, q, [](double) { return true; });
  std::vector<double> solution(x.data(), x.data() + x.size());
  texte += texteVecteur(L"Solution", solution);
  bilan.observations = m;
  bilan.inconnues = u;
  bilan.singulier = !ok && u > 0;
  bilan.iterations = 1;
  if (!ok) {
    if (u > 0) texte += L"\r\nSystème singulier : aucune solution";
    return;
  }
  double vtpv = 0;
  for (int i = 0; i < m; ++i) {
    const double v = eqs[i].produit(x) - L[i];
    vtpv += P[i] * v * v;
    texte += format(L"\r\nRésidu pour l'observation %d (mm) =%14.10f", numeros[i], v * 1000.0);
  }
  texte += L"\r\nXYZ:";
  for (int j = 0; j < u; ++j) {
    auto& p = points[inconnus[j]];
    p.Z = x[j];
    texte += format(L"\r\n\t[%ls]\t(%14.4f\t%14.4f\t%14.4f\t)", p.nom.c_str(), p.X, p.Y, p.Z);
  }
  texte += format(L"\r\nValeur du chi 2=%14.10f", vtpv);
  bilan.vtpv = vtpv;
  bilan.redondance = m - u;
  if (bilan.redondance > 0) bilan.sigma0 = std::sqrt(vtpv / bilan.redondance);
  texte += texteSigma0(bilan);
  if (bilan.sigma0) {
    for (int j = 0; j < u; ++j) {
      precisionPoint pp;
      pp.point = inconnus[j];
      pp.sZ = *bilan.sigma0 * std::sqrt(std::max(0.0, q[j][0]));
      bilan.precisions.push_back(pp);
      texte += format(L"\r\n[%ls] sZ=%.4f", points[pp.point].nom.c_str(), pp.sZ);
    }
  }
}
