#include "aids/planche.hpp"

#include <algorithm>
#include <cmath>
#include <memory>
#include <sstream>

#include "aids/carroyage.hpp"
#include "frame/config.hpp"
#include "frame/installation.hpp"
#include "host/app/host_app.hpp"
#include "host/db/entities.hpp"
#include "host/db/objects.hpp"
#include "host/ed/editor.hpp"
#include "host/ui/messagebox.hpp"
#include "points/blocks.hpp"

namespace {

constexpr double kTaillePapierDefaut = 1000.0;

// A point of the sheet's own axes (from its corner, along and across the
// sheet) in the drawing.
struct Repere {
  ZcGePoint2d coin;
  ZcGeVector2d u, v;
  ZcGePoint2d operator()(double a, double b) const { return coin + u * a + v * b; }
  ZcGePoint2d operator()(const ZcGePoint2d& p) const { return (*this)(p.x, p.y); }
};

ZcDbObjectId ajouterPolyligne(ZcDbBlockTableRecord& espace, const std::vector<ZcGePoint2d>& sommets) {
  auto pl = std::make_unique<ZcDbPolyline>();
  for (unsigned i = 0; i < sommets.size(); ++i) pl->addVertexAt(i, sommets[i]);
  pl->setClosed(true);
  ZcDbObjectId id;
  espace.appendZcDbEntity(id, pl.get());
  return id;
}

std::vector<ZcGePoint2d> rectangle(const Repere& r, double x0, double y0, double x1, double y1) {
  return {r(x0, y0), r(x1, y0), r(x1, y1), r(x0, y1)};
}

// The title block read from its drawing and inserted with the corner of
// its extents named by the position on the same corner of the inner frame;
// its non-constant attribute definitions give the reference's attributes.
bool insererCartouche(ZcDbDatabase* db, ZcDbBlockTableRecord& espace, const paramsPlanche& p, const formatPapier& f,
                      const Repere& r, double orientation) {
  ZcDbDatabase source(false);
  if (source.readDwgFile(cheminSysteme(p.fichierCartouche)) != Zcad::eOk) return false;
  source.updateExt();
  const ZcGePoint3d emin = source.extmin(), emax = source.extmax();
  if (!(emin.x <= emax.x && emin.y <= emax.y)) return false;
  const std::wstring nom = nomBlocDuChemin(p.fichierCartouche);
  ZcDbObjectId bloc;
  {
    ZcDbObjectPointer<ZcDbBlockTable> blocs(db->blockTableId(), ZcDb::kForRead);
    if (blocs.openStatus() != Zcad::eOk) return false;
    blocs->getAt(nom, bloc);
  }
  if (bloc.isNull() && db->insert(bloc, nom, &source) != Zcad::eOk) return false;
  ZcGePoint3d base;
  std::vector<ZcDbObjectId> definitions;
  {
    ZcDbObjectPointer<ZcDbBlockTableRecord> def(bloc, ZcDb::kForRead);
    if (def.openStatus() != Zcad::eOk) return false;
    base = def->origin();
    definitions = def->entityIds();
  }
  const double s = p.s(), m = p.marge * s;
  const bool droite = p.position == 1 || p.position == 3, haut = p.position == 2 || p.position == 3;
  // The corner of the inner frame, in the sheet's axes, and the same corner
  // of the title block's extents, from its base point, scaled.
  const ZcGePoint2d coinCadre(droite ? f.largeur * s - m : m, haut ? f.hauteur * s - m : m);
  const ZcGeVector2d coinCartouche((droite ? emax.x : emin.x) - base.x, (haut ? emax.y : emin.y) - base.y);
  const ZcGePoint2d insertion = r(coinCadre) - (r.u * coinCartouche.x + r.v * coinCartouche.y) * s;
  auto ref = std::make_unique<ZcDbBlockReference>(ZcGePoint3d(insertion.x, insertion.y, 0), bloc);
  ref->setScaleFactors(ZcGeScale3d(s));
  ref->setRotation(orientation);
  ZcDbObjectId refId;
  if (espace.appendZcDbEntity(refId, ref.get()) != Zcad::eOk) return false;
  const ZcGeMatrix3d transformation = ref->blockTransform();
  for (const ZcDbObjectId& id : definitions) {
    ZcDbObjectPointer<ZcDbAttributeDefinition> d(id, ZcDb::kForRead);
    if (d.openStatus() != Zcad::eOk || d->isConstant()) continue;
    // The definition's default text, its height and rotation carried by
    // the block's scale and orientation, as the block they belong to.
    auto a = std::make_unique<ZcDbAttribute>();
    ref->appendAttribute(a.get());
    a->setAttributeFromBlock(*d.object(), transformation);
  }
  return true;
}

}  // namespace

std::vector<formatPapier> formatsPapier() {
  std::vector<formatPapier> f{{"Format A4 Portrait", 210, 297},  {"Format A4 Paysage", 297, 210},
                              {"Format A3 Portrait ", 297, 420}, {"Format A3 Paysage", 420, 297},
                              {"Format A2 Portrait ", 420, 594}, {"Format A2 Paysage", 594, 420},
                              {"Format A1 Portrait ", 594, 840}, {"Format A1 Paysage", 840, 594},
                              {"Format A0 Paysage", 1188, 840},  {"Format A0 Portrait", 840, 1188}};
  const parametresVrel& r = reglagesVrel();
  const ZcGePoint2d utilisateur[] = {r.UserPaperScale0.value(), r.UserPaperScale1.value(), r.UserPaperScale2.value(),
                                     r.UserPaperScale3.value(), r.UserPaperScale4.value(), r.UserPaperScale5.value()};
  for (int i = 0; i < 6; ++i) {
    ZcGePoint2d t = utilisateur[i];
    if (t.x < 0 || t.y < 0) t = ZcGePoint2d(kTaillePapierDefaut, kTaillePapierDefaut);
    f.push_back({"User " + std::to_string(i), t.x, t.y});
  }
  return f;
}

std::string libelleFormatPapier(const formatPapier& f) {
  std::ostringstream o;
  o << f.nom << "( " << f.largeur << " x " << f.hauteur << " )";
  return o.str();
}

ZcGePoint2d coinDepuisMilieu(const ZcGePoint2d& milieu, double orientation, double W, double H, double s) {
  const ZcGeVector2d u(std::cos(orientation), std::sin(orientation));
  const ZcGeVector2d d(u.y, -u.x);  // u turned by -pi/2
  return milieu - u * (W * s / 2) + d * (H * s / 2);
}

double bandeEtiquettesPlanche(const paramsPlanche& p, const ZcGePoint2d& coin) {
  const double s = p.s();
  const int n = int(std::floor(std::log10(std::max(std::abs(coin.x), std::abs(coin.y)) + 1)));
  const double lettre = textAdvance(L"W") * p.hauteurTexte;  // mm at the label height
  return p.tailleCroix * s / 2 + lettre * s * (n + 2 + std::clamp(p.precision, 0, 4));
}

std::vector<ZcGePoint2d> regionCarroyagePlanche(const paramsPlanche& p, const formatPapier& f, double b) {
  const double s = p.s(), m = p.marge * s, W = f.largeur * s, H = f.hauteur * s;
  const double X0 = m + b, X1 = W - m - b, Y0 = m + b, Y1 = H - m - b;
  if (!(X0 < X1 && Y0 < Y1)) return {};
  // Worked out with the title block at the lower-left corner, then
  // mirrored to its corner.
  const bool droite = p.position == 1 || p.position == 3, haut = p.position == 2 || p.position == 3;
  auto miroir = [&](const ZcGePoint2d& q) {
    return ZcGePoint2d(droite ? W - q.x : q.x, haut ? H - q.y : q.y);
  };
  std::vector<ZcGePoint2d> r;
  const bool avecCartouche = !p.fichierCartouche.empty() && p.modeCarroyage > 0;
  const double bx = m + p.largeurCartouche * s + b, by = m + p.hauteurCartouche * s + b;
  if (!avecCartouche || bx <= X0 || by <= Y0) {
    r = {{X0, Y0}, {X1, Y0}, {X1, Y1}, {X0, Y1}};
  } else if (p.modeCarroyage == 2 || bx >= X1) {
    // The whole band at the title block's height is left out.
    if (by >= Y1) return {};
    r = {{X0, by}, {X1, by}, {X1, Y1}, {X0, Y1}};
  } else if (by >= Y1) {
    r = {{bx, Y0}, {X1, Y0}, {X1, Y1}, {bx, Y1}};
  } else {
    r = {{bx, Y0}, {X1, Y0}, {X1, Y1}, {X0, Y1}, {X0, by}, {bx, by}};
  }
  for (ZcGePoint2d& q : r) q = miroir(q);
  return r;
}

void dessinerPlanche(ZcDbDatabase* db, const paramsPlanche& p, const ZcGePoint2d& coin, double orientation) {
  const std::vector<formatPapier> formats = formatsPapier();
  const formatPapier& f = formats[std::size_t(std::clamp(p.format, 0, int(formats.size()) - 1))];
  const double s = p.s(), m = p.marge * s;
  const Repere r{coin, ZcGeVector2d(std::cos(orientation), std::sin(orientation)),
                 ZcGeVector2d(-std::sin(orientation), std::cos(orientation))};
  {
    ZcDbObjectPointer<ZcDbBlockTableRecord> espace(db->modelSpaceId(), ZcDb::kForWrite);
    if (espace.openStatus() != Zcad::eOk) return;
    ajouterPolyligne(*espace, rectangle(r, 0, 0, f.largeur * s, f.hauteur * s));
    ajouterPolyligne(*espace, rectangle(r, m, m, f.largeur * s - m, f.hauteur * s - m));
    if (!p.fichierCartouche.empty() && !insererCartouche(db, *espace, p, f, r, orientation))
      host::ui::zcMessageBox("Failed to load block " + host::toUtf8(p.fichierCartouche), "",
                             host::ui::MB_OK | host::ui::MB_ICONWARNING);
  }
  if (p.modeCarroyage <= 0) return;
  const std::vector<ZcGePoint2d> local = regionCarroyagePlanche(p, f, bandeEtiquettesPlanche(p, coin));
  if (local.empty()) return;
  std::vector<PathVertex> sommets;
  for (const ZcGePoint2d& q : local) {
    const ZcGePoint2d w = r(q);
    sommets.push_back({ZcGePoint3d(w.x, w.y, 0)});
  }
  paramsCarroyage g;
  g.pasX = p.pasX;
  g.pasY = p.pasY;
  g.tailleCroix = p.tailleCroix * s;
  g.tailleTextes = p.hauteurTexte * s;
  g.precision = p.precision;
  g.ecrituresInternes = false;
  elementsCarroyage e;
  double noeuds = 0;
  if (!calculerCarroyage(Path::polyline(std::move(sommets), true), g, e, noeuds)) {
    zcutPrintf(L"\nCarroyage refusé : trop de croisements (%.0f).", noeuds);
    return;
  }
  // The labels take the chosen style; the drawing's current one comes back.
  const ZcDbObjectId styleCourant = db->textstyle();
  if (!p.style.empty()) {
    ZcDbObjectId style = db->symbolId("STYLE", host::toUtf8(p.style));
    if (!style.isNull()) db->setTextstyle(style);
  }
  std::vector<ZcDbObjectId> ids;
  dessinerElementsCarroyage(db, e, g.tailleTextes, ids);
  db->setTextstyle(styleCourant);
  if (!ids.empty()) host::addAnonymousGroup(db, ids);
}
