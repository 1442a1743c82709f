// Least-squares adjustment of a network of points ("moindres carrés"):
// known points and observations (angles, bearings, distances, height
// differences) read from a ".mc" text file; approximate positions from
// intersections of geometric loci; planimetric iterations (X, Y) and one
// altimetric solution (Z). Every step writes its text (CR LF lines) into the
// network's computation text, which the dialog shows.
//
// Weights: each observation's weight (its fixed weight, or its formula) is
// put on the diagonal of the weight matrix. After the solution the text
// gives the weighted sum of squared residuals vᵀPv ("Valeur du chi 2"), the
// standard deviation of unit weight sqrt(vᵀPv / r) with the redundancy r
// (observations used minus unknowns) and, for each computed point, its
// standard deviations and error ellipse from σ0²·N⁻¹:
//   "Ecart type de l'unité de poids = %.4f"  (or ": non calculable
//   (redondance nulle)" when r <= 0, then no point line)
//   "[%s] sX=%.4f sY=%.4f a=%.4f b=%.4f gis=%.4f gr"  (planimetry: semi-axes
//   a >= b in metres, bearing of the major axis in [0, 200) grades)
//   "[%s] sZ=%.4f"  (altimetry)
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// Altitude or weight not given.
constexpr double kValeurAbsente = 1e38;

// Limits of the ".mc" file: longer lines and longer point names (the name
// field of a survey point, where computed points are placed) are reported
// and skipped.
inline constexpr std::size_t kLongueurLigneMc = 1023;
inline constexpr std::size_t kLongueurNomMc = 9;

// A point of the network.
struct pointACalculer {
  double X = 0, Y = 0, Z = kValeurAbsente;
  bool connuXY = false;  // read from the point section of the file
  bool connuZ = false;   // its altitude is known
  std::wstring nom;
};

// Observation types.
enum typeObservation : std::uint8_t { kObsAngle = 0, kObsDistance = 1, kObsDenivelee = 2 };

// One reduced observation. Angles and bearings in radians, distances and
// height differences in metres; reference -1 is the north ("NORD"): the
// angle is then a bearing.
struct ObservationReduite {
  double poids = kValeurAbsente;  // kValeurAbsente: the formulas give it
  double valeur = 0;
  std::uint8_t type = kObsAngle;
  int station = -1;
  int cible = -1;
  int reference = -1;
};

// Which weight formula applies to an observation.
enum class genreFormule { angle, gisement, distance };

// The variables a weight formula sees: d1, d2, d3 (metres) and ang (grades).
// Angle with a reference: d1 = station-target, d2 = station-reference,
// d3 = target-reference. Bearing and distance: d1 = station-target.
// ang is the observed value in grades (0 for a distance).
struct variablesObservation {
  double d1 = 0, d2 = 0, d3 = 0, ang = 0;
};

// Evaluates the weight formula of a kind; no value when it does not parse.
using formulesPoidsFn = std::function<std::optional<double>(genreFormule, const variablesObservation&)>;

// Precision of a computed point after the last solution (metres; gisement
// in grades). Planimetry fills sX..gisement, altimetry sZ.
struct precisionPoint {
  int point = -1;
  double sX = 0, sY = 0, a = 0, b = 0, gisement = 0;
  double sZ = 0;
};

// The standardized residual of one observation after the last solution,
// with the a priori standard deviation of unit weight taken as 1 (weights
// 1/σ²): w = v / sqrt(qvv), qvv = 1/p - aᵀ·N⁻¹·a.
struct residuNorme {
  int observation = -1;    // index in `observations`
  double residu = 0;       // v = A·x - L (radians or metres)
  double redondance = 0;   // the observation's part of the redundancy, p·qvv, in [0, 1]
  std::optional<double> w; // none when the observation is not checked by the others (p·qvv ~ 0)
  bool auDelaDuSeuil = false;  // |w| above the threshold
  bool suspecte = false;  // the largest |w| above the threshold: the suspected blunder
};

// The global test of the adjustment: vᵀPv against the χ² distribution of
// the redundancy (two-sided, 95 %), for weights 1/σ². Not made when every
// weight is 1 (no a priori precision was given) or without redundancy.
struct testGlobal {
  double vtpv = 0;
  int redondance = 0;
  double borneInf = 0, borneSup = 0;
  bool accepte = true;
};

// Figures of the last solution, as the text prints them.
struct bilanCalcul {
  int observations = 0;  // observations in the system
  int inconnues = 0;     // 2 per point in planimetry, 1 per height
  int redondance = 0;
  int iterations = 0;    // solutions made by the last "Calculer X,Y"
  bool singulier = false;
  bool converge = true;  // the last correction reached the 1e-8 norm undamped
  // Smallest pivot of the normal matrix scaled to a unit diagonal: near 0
  // the unknowns are nearly dependent (nearly parallel loci).
  double pivotRelatif = 1;
  bool malConditionne = false;
  double vtpv = 0;
  std::optional<double> sigma0;  // none when the redundancy is 0
  std::optional<testGlobal> test;
  std::vector<precisionPoint> precisions;
  std::vector<residuNorme> residus;  // one per observation of the last solution
  // Why the result cannot be vouched for (not converged, ill-conditioned,
  // global test refused, blunders suspected, points not computed, weight
  // formulas that do not evaluate), one French line each; empty when the
  // result is reliable.
  std::vector<std::wstring> alertes;
};

class reseauMoindresCarres {
 public:
  std::vector<pointACalculer> points;
  std::vector<ObservationReduite> observations;
  std::vector<bool> positionne;  // one per point: has an (approximate) position
  std::wstring texte;            // text of the last computation

  // Weight formulas; without them every formula weight is 1.
  formulesPoidsFn formules;

  // Reads a ".mc" file. A file that cannot be opened leaves the network
  // unchanged and returns false; otherwise the whole network is replaced.
  // Lines that do not fit are skipped; problems are added to `avertissements`.
  bool charger(const std::wstring& chemin);
  // The same from the text of a file (8-bit, lines ended by CR LF, LF or CR).
  void chargerTexte(const std::string& contenu);
  std::vector<std::wstring> avertissements;

  // Index of a point by name without regard to case; -1 when absent.
  // Average O(1): a hash index follows `points` (rebuilt when the number of
  // points changes; call reindexer() after renaming points in place).
  int trouverPoint(const std::wstring& nom) const;
  void reindexer() const;
  // Appends a point, or updates the coordinates and flags of the point of
  // that name; returns its index.
  int ajouterPoint(const pointACalculer& p);

  // The listing after loading (replaces `texte`).
  void lister();

  // "Calculer X,Y": preparation, approximate positions, then iterations
  // until the correction norm is at most 1e-8 (at most 100 more). `texte`
  // holds the text of the last iteration, then the verdict: convergence,
  // conditioning, the global test, the suspected blunders.
  //
  // Approximate positions: each pair of loci of a point is intersected; of
  // two crossings the one that agrees best with all the point's
  // observations is kept; crossings far from the best-agreeing one are
  // dropped and the rest averaged, then the point alone is fitted to its
  // observations. A point whose observations still disagree by more than
  // 1 m + 2 % of their length, or whose loci do not fix it, waits.
  //
  // Iterations: a Gauss-Newton step is kept only when it lowers vᵀPv
  // computed from the observations themselves; otherwise it is damped
  // (Levenberg-Marquardt) until it does. Convergence needs an undamped step
  // of norm at most 1e-8.
  void calculerXY();
  // "Calculer Z": approximate altitudes and one least-squares solution.
  void calculerZ();

  // The value of an observation computed from the current coordinates.
  double valeurCalculee(const ObservationReduite& obs) const;
  // The weight of an observation: its fixed weight (its absolute value; 0
  // and kValeurAbsente mean none), or its formula. A formula that gives no
  // value, a value that is not a positive finite number, or no formulas at
  // all, give 1; a height difference without fixed weight has weight 1.
  std::optional<double> poidsObservation(const ObservationReduite& obs) const;
  // The variables the weight formula of an observation sees.
  variablesObservation variablesPoids(const ObservationReduite& obs) const;
  // One line describing an observation, as the listing writes it.
  std::wstring decrire(const ObservationReduite& obs) const;

  // Figures of the last "Calculer X,Y" or "Calculer Z".
  bilanCalcul bilan;
  // The warnings of the last "Calculer X,Y" and of the last "Calculer Z"
  // (kept apart: placing uses both).
  std::vector<std::wstring> alertesXY, alertesZ;
  // |w| above which an observation is flagged as a suspected blunder.
  double seuilResiduNorme = 3.29;
  // Solve the normal equations with a dense factorisation instead of the
  // sparse one (for comparisons; cubic in the number of unknowns).
  bool factorisationDense = false;

 private:
  struct iteration {
    double norme = 0;      // norm of the correction applied
    bool amortie = false;  // the step was damped to lower vᵀPv
    bool bloquee = false;  // no step lowered vᵀPv: nothing moved
  };
  void preparerObservations();
  void approcherXY();
  iteration itererXY(int numero);
  void ecrireAnalyse();
  void conclure(std::vector<std::wstring>& alertes);

  // Weight formulas that gave no usable value during the computation
  // (angle, bearing, distance): weight 1 was used instead.
  mutable std::array<bool, 3> formuleEnErreur_{};
  // Why each point to compute has no position (0 none or too few
  // observations, 1 loci that do not fix it, 2 observations that disagree).
  std::vector<std::uint8_t> raisonAttente_;
  std::vector<double> ecartAttente_;

  mutable std::unordered_map<std::wstring, int> index_;
  mutable std::size_t pointsIndexes_ = 0;
};

// The print formats of vectors and matrices: "Vecteur %s (%d elements)",
// "%d | %14.10f |" per element, "---------"; "Matrice %s (%d Lignes, %d
// Colonnes)", "%d |" and " %14.4f" per element per row, "---------". Each
// line starts with CR LF. `valeurs` of a matrix are row after row.
std::wstring texteVecteur(const std::wstring& nom, const std::vector<double>& valeurs);
std::wstring texteMatrice(const std::wstring& nom, int lignes, int colonnes, const std::vector<double>& valeurs);
