// The points of a field book: the measurements of each station set-up turned
// into coordinates by polar computation. Values in, values out: nothing here
// reads the drawing or asks the user, so the dialog asks first, then calls.
//
// Angles are grades, lengths metres; a bearing is clockwise from the north
// (+Y). Earth curvature and refraction are not applied (short sights).
#pragma once

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "field/gsi.hpp"

// The entries of one analysed book, in book order.
using entreesCarnet = std::span<const carnetObservations::entree>;

// What turns the horizontal angles of a set-up into bearings.
enum class orientationStation {
  aucune,      // nothing known: the angles read are taken as bearings
  lue,         // the set-up line carries an orientation (word 25)
  instrument,  // the instrument stored target coordinates (81/82): it was oriented
  visees,      // computed here from backsights on known points
};

// A sighting reduced to the first face: a zenith angle above 200 gr is
// brought back (Hz ± 200 gr, V' = 400 gr − V).
struct viseeReduite {
  double hz = 0, v = 0;
  bool aV = false;
  bool deuxiemeFace = false;
};
viseeReduite reduireAuCercleGauche(const observationGsi& o);

// The horizontal distance of a measurement: word 32, else the slope
// distance 31 with the zenith angle 22. A zero distance is no distance.
bool distanceHorizontale(const observationGsi& o, double v, bool aV, double& dh);

// a in [0, 400); an angle difference in [-200, 200).
double angleGrades(double a);
double ecartGrades(double a);
// The bearing from (xs, ys) to (x, y) in grades, 0 for the same point.
double gisementGrades(double xs, double ys, double x, double y);

// A backsight: a sighting of a known point that orients the set-up.
struct viseeReference {
  std::string nom;
  double x = 0, y = 0;      // the known point
  double gisement = 0;      // station -> known point
  double lecture = 0;       // the horizontal angle read (first face, faces averaged)
  double residu = 0;        // orientation + lecture - gisement, grades
  double distance = 0;      // station -> known point, metres
  double ecart = 0;         // residu across the distance, metres
};

// A known point as the user's sources give it (the current table, the
// book's coordinate lines).
struct pointReference {
  std::string nom;
  double x = 0, y = 0;
};

// One set-up of the book and its measurements.
struct miseEnStation {
  int index = -1;  // into the book's stations; -1: the lines before any set-up
  std::string nom;
  bool positionConnue = false;  // x and y known (from 84/85, or given)
  double x = 0, y = 0, z = 0;
  bool aZ = false;
  double hi = 0;
  bool aHi = false;
  orientationStation orientation = orientationStation::aucune;
  double correction = 0;  // added to a horizontal angle read to give its bearing
  std::vector<viseeReference> visees;
  std::vector<int> mesures;  // indexes into the entries, in book order
  bool ignoree = false;      // left out (no station given)
};

// The set-ups of the entries (one analysed book, in order): the lines
// before its first set-up make a set-up of index -1 (listed first, only
// when there are such lines); the others follow the book's set-ups. The
// orientation comes from word 25, else from target coordinates stored on
// the lines, else none.
std::vector<miseEnStation> decouperEnStations(entreesCarnet entrees,
                                              const std::vector<stationGsi>& stations);

// The names sighted from a set-up (first sighting order, each once).
std::vector<std::string> nomsVises(const miseEnStation& station,
                                   entreesCarnet entrees);

// Orients a set-up on backsights: for each known point sighted, bearing −
// angle read; the orientation unknown is their mean and each backsight's
// residual is listed. False (station unchanged) when none of `connus` was
// sighted from the set-up or the station has no position; `manquants`
// receives the names given but not sighted.
bool orienterSurVisees(miseEnStation& station, entreesCarnet entrees,
                       const std::vector<pointReference>& connus, std::vector<std::string>* manquants = nullptr);

// A computed point.
struct pointCarnet {
  std::string nom, code, remarque;
  int station = 0;  // index into resultatCarnet::stations
  int entree = 0;   // the first entry sighting it (points come in book order)
  double x = 0, y = 0, z = kIndefini;
  double gisement = 0, v = 0, dh = 0, hi = 0, ht = 0;
  bool aV = false;
  bool hiManquante = false, htManquante = false;
  // Both faces sighted: averaged; the differences face I − face II.
  bool deuxFaces = false;
  double ecartHz = 0, ecartV = 0, ecartDh = 0;
  // The instrument's own coordinates (81/82/83) and the differences
  // computed − instrument.
  bool controle = false, aControleZ = false;
  double ex = 0, ey = 0, ez = 0;
  bool horsTolerance = false;  // a difference over kToleranceControle
};

// A sighting without distance: a direction only.
struct directionCarnet {
  std::string nom;
  int station = 0;
  double gisement = 0, v = 0;
  bool aV = false;
};

// Largest difference with the instrument's coordinates not flagged.
constexpr double kToleranceControle = 0.005;

struct resultatCarnet {
  std::vector<miseEnStation> stations;
  std::vector<pointCarnet> points;
  std::vector<directionCarnet> directions;
  int lignesSansStation = 0;  // measurements of set-ups left out or without position
  int hiManquantes = 0, htManquantes = 0;
  double facteurEchelle = 1.0;
};

// The points of the set-ups: horizontal distances times `facteurEchelle`;
// X = Xs + Dh sin G, Y = Ys + Dh cos G; Z = Zs + hi + Dh cot V − ht (or the
// height difference 33 without zenith angle), undefined without station Z.
// The target height follows word 87 along the book; a line's 88 overrides
// the set-up's. A face I and a face II sighting of one name in a set-up
// that agree (bearings within 50 mgr, distances within 5 cm) are averaged;
// books reuse names, so other sightings of a name stay separate points.
// Backsights are not points.
resultatCarnet calculerCarnet(std::vector<miseEnStation> stations,
                              entreesCarnet entrees, double facteurEchelle = 1.0);

// The code and observation text a point is placed with: the word 71 text
// when it is a code `existe` knows, else `defaut` and the text goes first
// into the observation (nothing of the book is lost).
struct codeEtObservation {
  int code = 1;
  std::string observation;
};
codeEtObservation codeDuCarnet(const std::string& code, const std::string& remarque,
                               const std::function<bool(int)>& existe, int defaut);
