// Stake-out: the points to stake out, the stations they are staked out
// from (oriented on North or sighted on a reference point), the obstacles
// marked in the drawing, and the line-of-sight test over the terrain.
//
// Coordinates in drawing units (m), angles in radians (shown in grades);
// kIndefini (1e38) marks an undefined coordinate, angle, distance or
// obstruction, in and out: any undefined input gives an undefined result.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/db/resbuf.hpp"
#include "host/geom/path.hpp"
#include "host/geom/point.hpp"
#include "points/numerotation.hpp"
#include "points/point.hpp"
#include "points/uncopyable.hpp"

class ZcDbDatabase;
namespace host::terrain {
class Surface;
}

// Applications of the extended data: the stake-out graphics and the marks
// of the obstacles.
constexpr const wchar_t* kAppImplantation = L"VREL_IMPLANTATION";
constexpr const wchar_t* kAppHauteursObjets = L"VREL_HAUTEURSOBJETS";
// Kind markers of the marks, and of the stake-out graphics.
constexpr std::int32_t kMarqueObstacleLineaire = 71209;
constexpr std::int32_t kMarqueObstaclePonctuel = 87340;
constexpr std::int32_t kMarqueGraphiqueImplantation = 14241;
// Layer of the stake-out graphics.
constexpr const wchar_t* kCalqueImplantation = L"IMPLANTATION";
// Below this plan distance (m) a point stands on its station: it has no
// direction, so no angle and no line of sight.
constexpr double kDistanceConfondue = 0.001;

// The layer of the stake-out graphics, made when missing; null without
// a layer table.
ZcDbObjectId calqueImplantation(ZcDbDatabase* db);

// Bearing in radians, clockwise from North (+Y), in [0, 2π); kIndefini when
// a coordinate is undefined or the two points are within kDistanceConfondue.
double gisementImplantation(double x1, double y1, double x2, double y2);
// Plan distance; kIndefini when a coordinate is undefined.
double distanceImplantation(double x1, double y1, double x2, double y2);
// Radians to grades, kIndefini kept.
double enGrades(double radians);

// ------------------------------------------------------------ settings

// The settings shared by every job of the process.
struct parametresImplantation {
  double hMin = 1.0;               // greatest obstruction of a visible point (m)
  double hauteurLignes = 2.0;      // height proposed for line obstacles (m)
  double hauteurPonctuels = 2.0;   // height proposed for point obstacles (m)
  double taillePonctuels = 2.0;    // radius proposed for point obstacles (m)
  double tailleTextes = 1.5;
  double largeurFleche = 2.5;
  double longueurFleche = 2.4;
  double croixPoints = 2.0;
  double croixStations = 3.0;
  int couleurNonVerifie = 7;
  int couleurNonVisible = 1;
  int couleurVisible = 4;
  int couleurStationObs = 1;
  int couleurStationRef = 6;
};
parametresImplantation& reglagesImplantation();

// A height typed for "H.Min" or "H.Stat": a negative value becomes 0, a
// value above 1e30 becomes 1.2.
double borneHauteur(double h);

// Drawing options of a job and the mask the drawing routines receive.
struct optionsDessinImplantation {
  enum { kNePasGrouper = 0, kGrouperParStation = 1, kToutGrouper = 2 };
  int groupement = kGrouperParStation;
  bool stations = true;
  bool points = true;
  bool numeros = true;
  bool textes = true;
  bool coordonnees = false;
};
enum : int {
  kMasqueNumeros = 1,
  kMasqueLignes = 2,
  kMasqueDistance = 4,
  kMasqueAngle = 8,
  kMasqueX = 16,
  kMasqueY = 32,
  kMasqueZ = 64,
};
int masqueDessin(const optionsDessinImplantation& o);

// How points are generated along drawing entities.
struct parametresInterpolation {
  enum { kParPas = 0, kErreurMax = 1 };
  int modeClothoides = kParPas;
  double valeurClothoides = 20.0;
  int modeArcs = kParPas;
  double valeurArcs = 20.0;
  bool alignementsDroits = false;
  double distanceAlignements = 100.0;
  bool incrementPrefixe = true;
};

// ------------------------------------------------------------ points

// A point to stake out: one row of the list.
struct observationImplantation {
  observationImplantation();  // draws a new identifier
  std::uint32_t identifiant;
  std::wstring nom;
  double x = kIndefini, y = kIndefini, z = kIndefini;
  std::vector<ZcDbObjectId> dessinPoint;   // cross, name, coordinates
  std::vector<ZcDbObjectId> dessinTextes;  // stake-out line and its text
  std::int64_t station = -1;               // identifier of its station
  bool visibiliteCalculee = false;
  double obstruction = kIndefini;  // m above the sight line
};

// ------------------------------------------------------------ stations

// A named point with the entities drawn for it.
class unPoint : private Uncopyable {
 public:
  unPoint();
  virtual ~unPoint() = default;
  std::uint32_t identifiant;
  std::wstring nom;
  double x = kIndefini, y = kIndefini, z = kIndefini;
  std::vector<ZcDbObjectId> dessin;
  // "X=%.4f,Y=%.4f" when the point has no name.
  std::wstring nomOuCoordonnees() const;
};

class uneStationReference : public unPoint {};

// What the drawing of a station needs.
struct contexteDessin {
  ZcDbDatabase* db = nullptr;
  const parametresImplantation* reglages = nullptr;
};

// A station: the point the instrument stands on. Points refer to it by its
// station identifier.
class observationMiseEnStation : public uneStationReference {
 public:
  observationMiseEnStation();
  std::uint32_t identifiantStation;
  std::vector<ZcDbObjectId> dessinStation;

  // The angle to turn from the station's zero to the point (radians).
  virtual double angleImplantation(const observationImplantation& p) const = 0;
  double gisementVers(const observationImplantation& p) const;
  // Forgets the entities drawn (they stay in the drawing).
  virtual void oublierDessin() = 0;
  // Appends the entities drawn to `collecteur`; with `oublier` then forgets them.
  virtual void collecterDessin(std::vector<ZcDbObjectId>& collecteur, bool oublier) = 0;
  virtual void dessinerStation(int masque, const contexteDessin& c) = 0;
  // Erases the entities drawn and forgets them.
  virtual void effacerDessin() = 0;
  // 10 oriented, 20 sighted.
  virtual int typeStation() const = 0;
  // The station for a report (markup, Windows-1252) and for the drawing
  // (lines separated by '\n').
  virtual void descriptionHtml(std::string& texte) const = 0;
  virtual void descriptionTexte(std::wstring& texte) const = 0;
  // The text of the "Ref" column.
  virtual std::wstring texteReference() const = 0;

 protected:
  void effacer(std::vector<ZcDbObjectId>& ids);
  void descriptionStationHtml(std::string& texte) const;
  void descriptionStationTexte(std::wstring& texte) const;
};

// A station oriented by a known angle V0 (0: on North).
class observationMiseEnStationOrientee : public observationMiseEnStation {
 public:
  double v0 = 0.0;
  // Bearing + V0, in [0, 2π).
  double angleImplantation(const observationImplantation& p) const override;
  void oublierDessin() override;
  void collecterDessin(std::vector<ZcDbObjectId>& collecteur, bool oublier) override;
  void dessinerStation(int masque, const contexteDessin& c) override;
  void effacerDessin() override;
  int typeStation() const override { return 10; }
  void descriptionHtml(std::string& texte) const override;
  void descriptionTexte(std::wstring& texte) const override;
  std::wstring texteReference() const override;
};

// A station oriented by sighting a reference point.
class observationMiseEnStationVisee : public observationMiseEnStation {
 public:
  unPoint reference;
  // Bearing of the point − bearing of the reference, in [0, 2π).
  double angleImplantation(const observationImplantation& p) const override;
  void oublierDessin() override;
  void collecterDessin(std::vector<ZcDbObjectId>& collecteur, bool oublier) override;
  void dessinerStation(int masque, const contexteDessin& c) override;
  void effacerDessin() override;
  int typeStation() const override { return 20; }
  void descriptionHtml(std::string& texte) const override;
  void descriptionTexte(std::wstring& texte) const override;
  std::wstring texteReference() const override;
};

// ------------------------------------------------------------ obstacles

// The marks as chains of extended data, and their reading: false for a
// chain with another count of items, another marker or other types.
ResbufChain marqueObstacleLineaire(double hauteur, std::uint32_t identifiant);
ResbufChain marqueObstaclePonctuel(double hauteur, double rayon, std::uint32_t identifiant);
bool lireMarqueObstacleLineaire(const ResbufChain& chaine, double& hauteur, std::uint32_t& identifiant);
bool lireMarqueObstaclePonctuel(const ResbufChain& chaine, double& hauteur, double& rayon,
                                std::uint32_t& identifiant);

// An entity of the drawing that stands above the terrain and may hide a
// point from a station.
class obstacleImplantation : private Uncopyable {
 public:
  obstacleImplantation();
  virtual ~obstacleImplantation() = default;
  ZcDbObjectId entite;
  double hauteur = kIndefini;
  std::uint32_t identifiant;

  // Removes the entity's mark.
  virtual bool supprimerMarque();
  virtual bool ecrireMarque() = 0;
  virtual bool lireMarque(const ZcDbObjectId& id) = 0;
  // Shows the obstacle in a colour index; 0 hides it.
  virtual void montrer(int couleur) = 0;
  // The plan points where the obstacle meets the segment from `a` to `b`
  // (z = 0); false when there is none.
  virtual bool intersecter(const ZcGePoint3d& a, const ZcGePoint3d& b, std::vector<ZcGePoint3d>& points) const = 0;
};

// A curve (line, arc, circle, polyline) with a height.
class obstacleLineaireImplantation : public obstacleImplantation {
 public:
  bool ecrireMarque() override;
  bool lireMarque(const ZcDbObjectId& id) override;
  void montrer(int couleur) override;
  bool intersecter(const ZcGePoint3d& a, const ZcGePoint3d& b, std::vector<ZcGePoint3d>& points) const override;

 private:
  // The curve's path, read from the drawing at the first sight line it is
  // met with, then kept: a job tests it against every point's sight.
  mutable std::optional<Path> chemin_;
};

// A block reference standing for a vertical cylinder (a tree, a pole).
class obstaclePonctuelImplantation : public obstacleImplantation {
 public:
  double cx = kIndefini, cy = kIndefini;  // centre
  double rayon = kIndefini;
  bool ecrireMarque() override;
  // The centre read from the drawing is the block's insertion point.
  bool lireMarque(const ZcDbObjectId& id) override;
  void montrer(int couleur) override;
  bool intersecter(const ZcGePoint3d& a, const ZcGePoint3d& b, std::vector<ZcGePoint3d>& points) const override;
};

// The obstacles marked in the drawing.
std::vector<std::unique_ptr<obstacleImplantation>> lireObstacles(ZcDbDatabase* db);

// ------------------------------------------------------------ visibility

// A point of the vertical plane of a sight: d the plan distance from the
// station, z its height.
struct pointProfil {
  double d = 0.0, z = 0.0;
};
// The greatest perpendicular distance from the candidates strictly above
// the sight line from (0, zA) to (D, zB) to that line; 0 when none is above.
double obstructionVisee(double zA, double D, double zB, const std::vector<pointProfil>& candidats);

// ------------------------------------------------------------ points along entities

// A point generated along an entity.
struct pointGenere {
  double x = 0.0, y = 0.0, z = kIndefini;
};
// Points along a path, as "Select" makes them: vertices, and intermediate
// points on straight parts and arcs per the parameters. A vertex shared by
// two parts gives one point. Refuses (empty) a step of 0 or less, and an
// entity that would give more than kMaxPointsEntite points (then
// `tropDePoints` is set).
constexpr std::size_t kMaxPointsEntite = 1000000;
std::vector<pointGenere> pointsLeLongDe(const Path& chemin, const parametresInterpolation& p,
                                        bool* tropDePoints = nullptr);

// ------------------------------------------------------------ the job

// One run of the stake-out command.
class chantierImplantation : private Uncopyable {
 public:
  // Reads the obstacles and the terrain of the drawing (either may be absent).
  explicit chantierImplantation(ZcDbDatabase* db);
  // Writes the mark of every obstacle still in the list.
  ~chantierImplantation();

  ZcDbDatabase* db;
  bool verifierVisibilite = true;
  numeroteurEntier numerotation;
  std::wstring prefixe = L"A", suffixe;
  int numeroDepart = 1;
  parametresInterpolation interpolation;
  optionsDessinImplantation options;
  double hStat;
  std::vector<std::unique_ptr<obstacleImplantation>> obstacles;
  std::vector<std::unique_ptr<observationMiseEnStation>> stations;
  std::vector<observationImplantation> points;
  // Set once a first entity has given points with "Select".
  bool entiteDejaChoisie = false;

  // The terrain, or null when the drawing has none.
  const host::terrain::Surface* terrain() const { return terrain_.get(); }
  // Z of the terrain under x, y, or kIndefini.
  double zTerrain(double x, double y) const;

  observationMiseEnStation* station(std::int64_t identifiant);
  const observationMiseEnStation* station(std::int64_t identifiant) const;
  observationImplantation* point(std::uint32_t identifiant);

  // Angle (radians) and distance of a point from its station; kIndefini
  // without station or coordinates.
  double angle(const observationImplantation& p) const;
  double distance(const observationImplantation& p) const;

  // The line of sight from the point's station: sets the row's result, or
  // leaves it not computed (terrain absent, a Z that cannot be had, the
  // point on its station, no profile).
  void calculerVisibilite(observationImplantation& p);

  // Drawing: the row's graphics (after erasing its earlier ones), with its
  // station's.
  void dessinerPoint(observationImplantation& p, int masque);
  void effacerPoint(observationImplantation& p);
  void dessinerTout();
  void effacerTout();
  // Every entity drawn, gathered by the grouping mode; with `oublier`
  // the lists are then forgotten.
  std::vector<std::vector<ZcDbObjectId>> collecterGroupes(bool oublier);
  // Deletes the stations no point refers to, erasing their graphics.
  void supprimerStationsInutiles();

  // The line colour of a point.
  int couleurPoint(const observationImplantation& p) const;

 private:
  std::unique_ptr<host::terrain::Surface> terrain_;
};

// Texts of the list columns.
std::wstring texteStation(const chantierImplantation& c, const observationImplantation& p);
std::wstring texteRef(const chantierImplantation& c, const observationImplantation& p);
std::wstring texteAngle(const chantierImplantation& c, const observationImplantation& p);
std::wstring texteDistance(const chantierImplantation& c, const observationImplantation& p);
std::wstring texteVisible(const observationImplantation& p);
