// A printable sheet laid out in model space at a scale: the paper outline,
// the inner frame at the paper margin, a title block read from a drawing
// (one unit of it is a paper millimetre) and a survey grid over the free
// space of the frame. Paper lengths are millimetres; the drawing unit is
// the metre, so a paper length L is L x s in the drawing, s = scale / 1000.
#pragma once

#include <string>
#include <vector>

#include "host/db/database.hpp"
#include "host/geom/point.hpp"

struct formatPapier {
  std::string nom;
  double largeur, hauteur;  // mm
};

// The sixteen paper formats: A4 to A0 in both orientations, then "User 0"
// to "User 5" from the settings (a negative stored size gives 1000 x 1000).
std::vector<formatPapier> formatsPapier();
// "name( width x height )" as the format list shows it.
std::string libelleFormatPapier(const formatPapier& f);

struct paramsPlanche {
  std::wstring fichierCartouche;  // empty: no title block
  double echelle = 1000;          // scale denominator
  int format = 9;
  double marge = 10.0;  // mm
  double largeurCartouche = 210.0, hauteurCartouche = 100.0;  // mm
  int position = 0;       // title block at the frame's 0 lower-left, 1 lower-right, 2 upper-left, 3 upper-right
  int modeCarroyage = 0;  // 0 none, 1 all the free space, 2 not beside the title block either
  double pasX = 100.0, pasY = 100.0;  // drawing units
  double tailleCroix = 5.0, hauteurTexte = 2.5;  // mm
  std::wstring style;  // text style of the labels (empty: the current one)
  int precision = 1;

  double s() const { return (echelle > 0 ? echelle : 1000) / 1000.0; }
};

// The sheet's lower-left corner from its middle, for a sheet of W x H mm
// turned by `orientation` (radians) at scale factor s.
ZcGePoint2d coinDepuisMilieu(const ZcGePoint2d& milieu, double orientation, double W, double H, double s);

// The width of the label band around the grid: half a cross and the width
// of n + 2 + p letters "W" at the label height, n the digits of the
// corner's largest coordinate; in drawing units.
double bandeEtiquettesPlanche(const paramsPlanche& p, const ZcGePoint2d& coin);

// The outline of the grid region in the sheet's own axes (from its lower-
// left corner, along and across the sheet): the inner frame inset by the
// band b, less the title-block box (grown by b) in mode 1, less the whole
// band of the frame at the title block's height in mode 2. Empty when
// nothing is left.
std::vector<ZcGePoint2d> regionCarroyagePlanche(const paramsPlanche& p, const formatPapier& f, double b);

// Draws the sheet with its lower-left corner at `coin`, turned by
// `orientation`. A title block that cannot be loaded is said ("Failed to
// load block " and the path) and the sheet is drawn without it.
void dessinerPlanche(ZcDbDatabase* db, const paramsPlanche& p, const ZcGePoint2d& coin, double orientation);
