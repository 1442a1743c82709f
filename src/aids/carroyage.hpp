// The survey grid of a region: a cross at every grid node inside the
// region and, at both ends of every grid line, a tick with the line's
// coordinate written beside it. The computation works on a plan path taken
// as closed; the drawing puts the lines and texts in model space, one
// anonymous group a region.
#pragma once

#include <string>
#include <vector>

#include "host/db/database.hpp"
#include "host/geom/path.hpp"

struct paramsCarroyage {
  double pasX = 100.0;
  double pasY = 100.0;
  double tailleCroix = 5.0;
  double tailleTextes = 2.0;
  int precision = 2;  // decimals of the labels, 0..4
  bool ecrituresInternes = false;
};

// More nodes than this over a region's extents is a step typed in the
// wrong unit: the region is refused rather than the program kept busy.
constexpr double kNoeudsCarroyageMax = 1e6;

struct elementsCarroyage {
  struct Ligne {
    ZcGePoint2d debut, fin;
  };
  struct Texte {
    ZcGePoint2d position;
    std::string texte;
    bool aDroite;     // right-aligned (bottom), else left-aligned on the base line
    double rotation;  // radians
  };
  std::vector<Ligne> lignes;
  std::vector<Texte> textes;
};

// The label of a grid coordinate: `precision` decimals, never "-0".
std::string texteCoordonneeCarroyage(double valeur, int precision);

// The grid of `region` (its plan, closed whatever the path says). False
// with `noeuds` set when the region's extents hold more than
// kNoeudsCarroyageMax nodes; nothing is computed then.
bool calculerCarroyage(const Path& region, const paramsCarroyage& p, elementsCarroyage& out, double& noeuds);

// Draws the grid of a light polyline of `db` into its model space and puts
// what was drawn in a new anonymous group. Prints
// "\nCarroyage refusé : trop de croisements (N)." and draws nothing for a
// region of too many nodes. The number of entities drawn.
int dessinerCarroyage(ZcDbDatabase* db, const ZcDbObjectId& region, const paramsCarroyage& p);

// Draws computed grid elements into the model space of `db` (current text
// style, the given height); their ids are appended to `ids`.
void dessinerElementsCarroyage(ZcDbDatabase* db, const elementsCarroyage& e, double hauteurTextes,
                               std::vector<ZcDbObjectId>& ids);
