// Moving overlapping labels apart. A label is the axis-aligned box of a
// visible attribute or of a single-line text; the labels of a block
// reference try eight places around their block, texts stay where they are
// and only get in the way. Boxes are found through a spatial index, so a
// label costs the labels near it, not all of them.
#pragma once

#include <vector>

#include "host/db/database.hpp"
#include "host/geom/point.hpp"

// Lower-left corner and size.
struct boiteEtiquette {
  double x = 0, y = 0, largeur = 0, hauteur = 0;
};

// The block a label keeps close to: its insertion point and its X and Y
// scale factors (which give the distance of the eight places).
struct ancreEtiquette {
  ZcGePoint3d point;
  double echelleX = 1, echelleY = 1;
};

struct etiquetteSuperpos {
  boiteEtiquette boite;
  int ancre = -1;       // index in the anchors; -1 for a text, which never moves
  ZcDbObjectId entite;  // the attribute or the text
  bool deplacee = false;
};

// The labels of the block references and texts among `ids`, in that order
// (other entities are left out); `ancres` receives the blocks that have a
// label.
void collecterEtiquettes(const std::vector<ZcDbObjectId>& ids, std::vector<etiquetteSuperpos>& etiquettes,
                         std::vector<ancreEtiquette>& ancres);

// The iterations, with their progress printed: each overlapping label of a
// block takes, among its place and the eight places around its block, the
// one where it overlaps the other labels least. Moved labels get their new
// box and `deplacee`. Returns the number of iterations run.
int separerEtiquettes(std::vector<etiquetteSuperpos>& etiquettes, const std::vector<ancreEtiquette>& ancres);

// Collects, separates and moves the attributes of the moved labels;
// returns the number of iterations run.
int superposer(const std::vector<ZcDbObjectId>& ids);

// (superpos selection-set). No value.
void lisp_superpos();
