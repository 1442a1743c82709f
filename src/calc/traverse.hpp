// Closed and open traverse ("polygonale") adjustment: angular closure and its
// equal distribution, bearing propagation, distribution of the coordinate
// misclosure proportionally to the leg lengths (compass rule) and of the
// height misclosure in one of the levelling modes. Pure computation: the
// result holds every intermediate value the reports print and the vertices
// of the raw and adjusted polylines; drawing and layout are done elsewhere.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

// One observation row of a traverse. Angles are in the traverse's unit,
// distances and height differences in metres.
struct obsPolygonale {
  wchar_t nom[20];
  double angle;
  double distance;
  double dz;
};

// Sets the row's name, cut to 19 characters and always terminated.
void fixerNomObs(obsPolygonale& obs, std::wstring_view nom);
// The row's name, read up to its terminator or to the end of the array.
std::wstring nomObs(const obsPolygonale& obs);
// A row with all its fields set.
obsPolygonale creerObs(std::wstring_view nom, double angle, double distance, double dz);

// A known station: the start (or end) of a traverse, with its reference
// bearing in the traverse's unit.
struct StationPolygonale {
  std::wstring nom;
  double x = 0, y = 0, z = 0;
  double gisement = 0;
};

struct SommetPolyligne {
  double x = 0, y = 0;
};

// The tolerances the misclosures are checked against. The angular one grows
// with the square root of the number of angles (closed traverse: n angles;
// open traverse: n + 1, the closing angle included); the linear one is a
// fraction of the total length D. A value that is not a finite positive
// number gives the default.
struct TolerancesPolygonale {
  static constexpr double kAngulaireMgrDefaut = 4.5;  // 3 x 1.5 mgr
  static constexpr double kDenominateurLineaireDefaut = 5000;

  double angulaireMgr = kAngulaireMgrDefaut;                  // mgr, times sqrt(number of angles)
  double denominateurLineaire = kDenominateurLineaireDefaut;  // linear tolerance = D / this
};

// One misclosure against its tolerance.
struct ControleTolerance {
  double fermeture = 0;   // size of the misclosure (>= 0)
  double tolerance = 0;   // in the same unit
  bool depassee = false;  // fermeture > tolerance
};

// Height adjustment, one entry per row.
struct NivellementPolygonale {
  int mode = 0;                        // modeNivellement
  std::vector<double> dzMesure;        // dz as given to the computation
  std::vector<double> longueur;        // L(i), in the modes other than aucun
  std::vector<double> racineLongueur;  // sqrt(L(i)), likewise
  std::vector<double> correction;      // c(i), subtracted from dz(i)
  std::vector<double> dzCorrige;       // dz(i) - c(i)
  double SZ = 0;  // sum of the measured dz
  double SL = 0;  // sum of L(i)
  double SR = 0;  // sum of sqrt(L(i))
  double eZ = 0;  // height misclosure that was distributed
};

// Closed traverse: row i is leg i from station P(i) to P(i+1) (P(n) = P0,
// the start station) with the clockwise angle measured at P(i).
struct ResultatPolygonaleFermee {
  bool ok = false;
  std::string message;  // French, UTF-8; set when the computation is refused
  int unite = 0;        // uniteAngle of the angles, bearings and angular tolerance

  std::vector<double> angleExterieur;         // Ext(i), the measured angle
  std::vector<double> angleInterieur;         // Int(i) = F - Ext(i)
  std::vector<double> angleInterieurCorrige;  // Int(i) - c
  std::vector<double> angleExterieurCorrige;  // mod(F - IntC(i))
  std::vector<double> gisement;               // bearing of leg i
  double sommeInterieurs = 0;                 // S
  double erreurAngulaireBrute = 0;            // S - (n-2)H
  double erreurAngulaire = 0;                 // E: the same reduced into [-H, H)
  double correctionAngulaire = 0;             // c = E / n

  std::vector<double> distance, dx, dy;  // d(i), raw increments
  std::vector<double> dxCorrige, dyCorrige;
  double D = 0, SX = 0, SY = 0;

  NivellementPolygonale nivellement;

  std::vector<double> X, Y, Z;  // station P(i)

  // |E| against the angular tolerance for n angles, in the traverse's unit;
  // hypot(SX, SY) against D / denominator, in metres.
  ControleTolerance controleAngulaire;
  ControleTolerance controleLineaire;
  bool horsTolerance() const { return controleAngulaire.depassee || controleLineaire.depassee; }

  std::vector<SommetPolyligne> traceBrut;     // start, then each leg's end from the raw angles
  std::vector<SommetPolyligne> traceCompense; // X(i), Y(i) of every station, the start once
  bool traceCompenseFerme = true;
};

// Open traverse from a known start station to a known end station, each
// with a reference bearing; the closing angle is measured at the end station.
struct ResultatPolygonaleOuverte {
  bool ok = false;
  std::string message;
  int unite = 0;  // uniteAngle of the angles, bearings and angular tolerance

  std::vector<double> angle;             // the rows' angles, normalised into [0, F)
  std::vector<double> gisementBrut;      // G(0..n), the raw chain (not reduced)
  std::vector<double> gisementCompense;  // mod(mod(G(i)) - (i+1)w), i = 0..n
  std::vector<double> gisementCalcul;    // Gc(i) = mod(G(i)) - (i+1)w, used for leg i
  double erreurAngulaireBrute = 0;       // G(n) - (n+1)F - end bearing
  double erreurAngulaire = 0;            // the same reduced into [-H, H): (n+1)w
  double w = 0;                          // misclosure per angle

  std::vector<double> distance, dx, dy;
  std::vector<double> cX, cY;                // corrections, added
  std::vector<double> dxCorrige, dyCorrige;  // Dx(i) + cX(i), Dy(i) + cY(i)
  double D = 0, SX = 0, SY = 0;
  double eX = 0, eY = 0;  // known minus computed

  NivellementPolygonale nivellement;

  std::vector<double> X, Y;  // end of leg i (X(n-1), Y(n-1) is the end station)
  std::vector<double> Z;     // altitude of the origin of leg i

  // |(n+1)w| against the angular tolerance for n + 1 angles, in the
  // traverse's unit; hypot(eX, eY) against D / denominator, in metres.
  ControleTolerance controleAngulaire;
  ControleTolerance controleLineaire;
  bool horsTolerance() const { return controleAngulaire.depassee || controleLineaire.depassee; }

  std::vector<SommetPolyligne> traceBrut;
  std::vector<SommetPolyligne> traceCompense;
  bool traceCompenseFerme = false;
};

// Closed traverse. The rows' dz are replaced by the corrected values in the
// levelling modes other than aucun (so a second run corrects them again).
// Refused (ok false, rows untouched) with fewer than two rows, a non-finite
// input, a total distance of 0 or a zero proportional levelling sum. The
// misclosures are checked against `tolerances`: beyond them the result is
// still computed (ok true) and says so.
ResultatPolygonaleFermee calculerPolygonaleFermee(const StationPolygonale& depart, int modeNivellement, int unite,
                                                  std::span<obsPolygonale> obs,
                                                  const TolerancesPolygonale& tolerances = {});

// Open traverse. The rows' angles are normalised and their dz corrected in
// place; refused and checked as the closed traverse.
ResultatPolygonaleOuverte calculerPolygonaleOuverte(const StationPolygonale& depart, const StationPolygonale& arrivee,
                                                    double angleFermeture, int modeNivellement, int unite,
                                                    std::span<obsPolygonale> obs,
                                                    const TolerancesPolygonale& tolerances = {});

// The angular tolerance for `nombreAngles` angles, in the unit: the
// tolerance per angle (mgr) times sqrt(nombreAngles), converted.
double toleranceAngulaire(const TolerancesPolygonale& tolerances, std::size_t nombreAngles, int unite);
// The linear tolerance for a total length D (m), in metres.
double toleranceLineaire(const TolerancesPolygonale& tolerances, double D);
