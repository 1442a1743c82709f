#include "aids/rectangle.hpp"

#include <cmath>

#include "frame/undo_group.hpp"
#include "host/db/objects.hpp"
#include "host/ed/editor.hpp"

using geltaro::geom::kHalfPi;

std::array<ZcGePoint2d, 4> sommetsRectangle(const rectangleOriente& r) {
  const ZcGeVector2d u(std::cos(r.angle), std::sin(r.angle)), v = u.perpVector();
  const ZcGePoint2d o = r.origine;
  return {o, o + u * r.longueur, o + u * r.longueur + v * r.largeur, o + v * r.largeur};
}

rectorienteJig::rectorienteJig() : polyligne_(std::make_unique<ZcDbPolyline>()) {
  const ZcGePoint2d carre[] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (unsigned i = 0; i < 4; ++i) polyligne_->addVertexAt(i, carre[i]);
  polyligne_->setClosed(true);
}

bool rectorienteJig::suivre(const ZcGePoint3d& p) {
  // A cursor that has not moved in the same state changes nothing.
  if (int(etat_) == dernierEtat_ && p.distanceTo(dernierPoint_) <= 1e-6) return false;
  dernierEtat_ = etat_;
  dernierPoint_ = p;
  const ZcGeVector2d op = p.convert2d() - rect_.origine;
  const ZcGeVector2d u(std::cos(rect_.angle), std::sin(rect_.angle));
  switch (etat_) {
    case kOrigine: rect_.origine = p.convert2d(); break;
    case kRotation:
      rect_.angle = std::atan2(op.y, op.x);
      rect_.longueur = op.length();
      break;
    case kCote:
      if (std::fabs(rect_.longueur) <= 1e-12) {
        // No base line yet: the side point sets the width and the direction.
        rect_.largeur = op.length();
        rect_.angle = std::atan2(op.y, op.x) - kHalfPi;
      } else {
        rect_.largeur = u.crossProduct(op);  // negative on the right of the base line
      }
      break;
    case kDiagonale:
      if (op.lengthSqrd() < 1e-8) {
        rect_.longueur = rect_.largeur = 0;
      } else {
        rect_.longueur = u.dotProduct(op);
        rect_.largeur = u.crossProduct(op);
      }
      break;
  }
  return true;
}

void rectorienteJig::placerCurseur(const ZcGePoint3d& p) {
  if (suivre(p)) update();
}

ZcEdJig::DragStatus rectorienteJig::sampler() {
  ZcGePoint3d p;
  const DragStatus s = acquirePoint(p);
  if (s == kNormal) suivre(p);
  return s;
}

bool rectorienteJig::update() {
  const auto s = sommetsRectangle(rect_);
  for (unsigned i = 0; i < 4; ++i) polyligne_->setPointAt(i, s[i]);
  return true;
}

bool rectorienteJig::saisir(ZcDbDatabase* db, ZcDbObjectId* id) {
  etat_ = kOrigine;
  for (;;) {
    switch (etat_) {
      case kOrigine:
        setDispPrompt(L"\nOrigine:");
        setKeywordList(nullptr);
        break;
      case kRotation:
        setDispPrompt(L"\nRotation ");
        setKeywordList(nullptr);
        break;
      case kCote:
        setDispPrompt(L"\nOrigine Rotation Diagonale <Point sur le côté opposé>");
        setKeywordList(L"Origine Rotation Diagonale");
        break;
      case kDiagonale:
        setDispPrompt(L"\nOrigine Rotation Cote <Point sur le côté opposé>");
        setKeywordList(L"Origine Rotation Cote");
        break;
    }
    const DragStatus s = drag();
    if (s == kKW1) {
      const std::wstring& mot = keyword();
      if (mot == L"Origine") etat_ = kOrigine;
      else if (mot == L"Rotation") etat_ = kRotation;
      else if (mot == L"Diagonale") etat_ = kDiagonale;
      else if (mot == L"Cote") etat_ = kCote;
      continue;
    }
    if (s == kOther) continue;  // neither a point nor a keyword: asked again
    if (s != kNormal) return false;
    if (etat_ == kOrigine) {
      etat_ = kRotation;
    } else if (etat_ == kRotation) {
      etat_ = kCote;
    } else {
      if (!db) return false;
      ZcDbObjectPointer<ZcDbBlockTableRecord> espace(db->modelSpaceId(), ZcDb::kForWrite);
      if (espace.openStatus() != Zcad::eOk) return false;
      ZcDbObjectId nouveau;
      if (espace->appendZcDbEntity(nouveau, polyligne_.get()) != Zcad::eOk) return false;
      if (id) *id = nouveau;
      return true;
    }
  }
}

void commandeRect3pt() {
  ZcDbDatabase* db = zcdbCurDwg();
  if (!db) return;
  CAcadUndoGroup groupe;
  rectorienteJig jig;
  jig.saisir(db);
}
