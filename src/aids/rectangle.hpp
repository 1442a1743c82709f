// The oriented rectangle of RECT3PT: an origin, a point giving the base
// line's direction and length, then a point on the opposite side (or, in
// diagonal mode, the opposite corner), with the rectangle following every
// cursor move.
#pragma once

#include <array>
#include <memory>

#include "host/db/entities.hpp"
#include "host/ed/graphics.hpp"

// O, the angle θ of the base line (radians), the length L along it and the
// width W across it (to its left when positive).
struct rectangleOriente {
  ZcGePoint2d origine;
  double angle = 0.0;
  double longueur = 0.0;
  double largeur = 0.0;
};

// O, O + L·u, O + L·u + W·v, O + W·v, with u at θ and v = u turned a
// quarter turn counter-clockwise.
std::array<ZcGePoint2d, 4> sommetsRectangle(const rectangleOriente& r);

class rectorienteJig : public ZcEdJig {
 public:
  enum Etat { kOrigine = 0, kRotation = 1, kCote = 2, kDiagonale = 3 };

  rectorienteJig();

  // Asks the points; true when the rectangle was appended to the model space
  // of `db` (its id in `id`). Escape or an empty answer draws nothing.
  bool saisir(ZcDbDatabase* db, ZcDbObjectId* id = nullptr);

  // A cursor point in the current state (what the sampler gets), then the
  // vertices brought up to date.
  void placerCurseur(const ZcGePoint3d& p);
  void changerEtat(Etat e) { etat_ = e; }
  Etat etat() const { return etat_; }
  const rectangleOriente& rectangle() const { return rect_; }

  DragStatus sampler() override;
  bool update() override;
  ZcDbEntity* entity() const override { return polyligne_.get(); }

 private:
  bool suivre(const ZcGePoint3d& p);

  std::unique_ptr<ZcDbPolyline> polyligne_;
  rectangleOriente rect_;
  Etat etat_ = kOrigine;
  int dernierEtat_ = -1;
  ZcGePoint3d dernierPoint_;
};

// RECT3PT.
void commandeRect3pt();
