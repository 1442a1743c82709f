#include "tools/coordinate_table.hpp"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "frame/resources.hpp"
#include "host/app/host_app.hpp"
#include "host/db/entities.hpp"
#include "host/db/objects.hpp"
#include "host/db/resbuf.hpp"
#include "host/ed/editor.hpp"
#include "points/blocks.hpp"
#include "points/codification.hpp"

using namespace host::ui;

namespace {

constexpr int kNbPrecisions = 6;
constexpr const char* kPrecisions[kNbPrecisions] = {"0", "0.0", "0.00", "0.000", "0.0000", "0.00000"};

// Colour index meaning "by layer".
constexpr int kCouleurDuCalque = 256;

// printf into a string of any length (a coordinate of 1e38 with decimals
// does not fit a small buffer).
std::string formater(const std::string& format, double v) {
  const int n = std::snprintf(nullptr, 0, format.c_str(), v);
  if (n <= 0) return {};
  std::string s(std::size_t(n) + 1, '\0');
  std::snprintf(s.data(), s.size(), format.c_str(), v);
  s.resize(std::size_t(n));
  return s;
}

// "%.<decimals>f", built the way the formats of the cells are.
std::string formatDecimales(int decimales) {
  char format[16];
  std::snprintf(format, sizeof format, "%%.%df", std::max(0, decimales));
  return format;
}

struct Colonne {
  std::wstring entete;
  std::vector<std::wstring> cellules;
  double largeur = 0;  // Wc
  double x = 0;        // xc, from the table's left side
};

std::vector<Colonne> colonnes(const std::vector<pointDuDessin>& points, const parametresTableCoordonnees& p) {
  const std::string formatXY = formatDecimales(p.precisionXY);
  const std::string formatZ = formatDecimales(p.precisionZ);
  std::vector<Colonne> cols;
  auto colonne = [&](bool cochee, const wchar_t* entete, auto cellule) {
    if (!cochee) return;
    Colonne c;
    c.entete = entete;
    c.cellules.reserve(points.size());
    for (const pointDuDessin& pt : points) c.cellules.push_back(cellule(pt));
    cols.push_back(std::move(c));
  };
  auto nombre = [](const std::string& format, double v) { return host::fromUtf8(formater(format, v)); };
  colonne(p.numeros, L"Num", [](const pointDuDessin& pt) { return pt.getNomPointW(); });
  colonne(p.coordX, L"X", [&](const pointDuDessin& pt) { return nombre(formatXY, pt.getX()); });
  colonne(p.coordY, L"Y", [&](const pointDuDessin& pt) { return nombre(formatXY, pt.getY()); });
  colonne(p.coordZ, L"Z", [&](const pointDuDessin& pt) {
    return pt.aUneAltitude() ? nombre(formatZ, pt.getZ()) : std::wstring();
  });
  colonne(p.code, L"Code", [](const pointDuDessin& pt) { return std::to_wstring(pt.getCode()); });
  colonne(p.libelle, L"Libelle", [](const pointDuDessin& pt) { return codification().libelleCree(pt.getCode()); });
  return cols;
}

// A text of the table before its alignment: height, style, colour, no
// rotation. The measure and the drawing use the same entity.
std::unique_ptr<ZcDbText> nouveauTexte(const std::wstring& s, double hauteur, ZcDbObjectId style) {
  auto t = std::make_unique<ZcDbText>(ZcGePoint3d(0, 0, 0), s, style, hauteur, 0.0);
  t->setColorIndex(kCouleurDuCalque);
  return t;
}

void mesurer(const std::wstring& s, double hauteur, ZcDbObjectId style, double& largeur, double& haut) {
  ZcGePoint3d bas, haute;
  nouveauTexte(s, hauteur, style)->textBox(bas, haute);
  largeur = haute.x - bas.x;
  haut = haute.y - bas.y;
}

// Collects the entities of one table in model space.
class Dessin {
 public:
  Dessin(ZcDbBlockTableRecord& espace, ZcDbObjectId calque) : espace_(espace), calque_(calque) {}

  void ligne(double x1, double y1, double x2, double y2) {
    auto l = std::make_unique<ZcDbLine>(ZcGePoint3d(x1, y1, 0), ZcGePoint3d(x2, y2, 0));
    l->setColorIndex(kCouleurDuCalque);
    ajouter(*l);
  }

  void rectangle(double x1, double y1, double x2, double y2) {
    auto p = std::make_unique<ZcDbPolyline>();
    p->addVertexAt(0, ZcGePoint2d(x1, y1));
    p->addVertexAt(1, ZcGePoint2d(x2, y1));
    p->addVertexAt(2, ZcGePoint2d(x2, y2));
    p->addVertexAt(3, ZcGePoint2d(x1, y2));
    p->setClosed(true);
    p->setColorIndex(kCouleurDuCalque);
    ajouter(*p);
  }

  // A text whose base line starts at (x, y) (left), or is centred on or
  // ends at x; the alignment point is then (x, y) and the position is
  // where the text starts.
  void texte(const std::wstring& s, double hauteur, ZcDbObjectId style, ZcDb::TextHorzMode mode, double x,
             double y) {
    auto t = nouveauTexte(s, hauteur, style);
    const ZcGePoint3d point(x, y, 0);
    if (mode == ZcDb::kTextLeft) {
      t->setPosition(point);
    } else {
      ZcGePoint3d bas, haut;
      t->textBox(bas, haut);
      const double largeur = haut.x - bas.x;
      t->setHorizontalMode(mode);
      t->setVerticalMode(ZcDb::kTextBase);
      t->setAlignmentPoint(point);
      t->setPosition(ZcGePoint3d(x - (mode == ZcDb::kTextRight ? largeur : largeur / 2), y, 0));
    }
    ajouter(*t);
  }

  const std::vector<ZcDbObjectId>& ids() const { return ids_; }

 private:
  void ajouter(ZcDbEntity& e) {
    ZcDbObjectId id;
    if (espace_.appendZcDbEntity(id, &e) != Zcad::eOk) return;
    if (!calque_.isNull()) e.setLayer(calque_);
    ids_.push_back(id);
  }

  ZcDbBlockTableRecord& espace_;
  ZcDbObjectId calque_;
  std::vector<ZcDbObjectId> ids_;
};

}  // namespace

// ------------------------------------------------ CParamMiseEnPlaceTableCoordonnees

CParamMiseEnPlaceTableCoordonnees::CParamMiseEnPlaceTableCoordonnees() : Dialog("Params mise en place") {
  add<Edit>(IDC_TABXYZ_HAUTEUR, "Taille des textes").setRange(0.001, 1e6);
  add<CheckBox>(IDC_TABXYZ_NUMEROS, "Placer &numéros");
  add<CheckBox>(IDC_TABXYZ_COORD_X, "Placer coordonnée &X");
  add<CheckBox>(IDC_TABXYZ_COORD_Y, "Placer coordonnée Y");
  add<CheckBox>(IDC_TABXYZ_COORD_Z, "Placer coordonnée Z");
  add<CheckBox>(IDC_TABXYZ_CODE, "Placer code point");
  add<CheckBox>(IDC_TABXYZ_LIBELLE, "Placer libellé du code");
  add<Button>(IDC_TABXYZ_COLONNES_TOUT, "&Tout");
  add<Button>(IDC_TABXYZ_COLONNES_STD, "&Std");
  add<CheckBox>(IDC_TABXYZ_ENCADRER, "Encadrer");
  add<CheckBox>(IDC_TABXYZ_SEP_ENTETE, "Séparer entete");
  add<CheckBox>(IDC_TABXYZ_SEP_COLONNES, "Séparer Colonnes");
  add<CheckBox>(IDC_TABXYZ_SEP_LIGNES, "Séparer Lignes");
  add<Button>(IDC_TABXYZ_TRAITS_TOUT, "&Tout");
  add<Button>(IDC_TABXYZ_TRAITS_STD, "&Std");
  auto& xy = add<ComboBox>(IDC_TABXYZ_PRECISION_XY, "Précision X,Y");
  auto& z = add<ComboBox>(IDC_TABXYZ_PRECISION_Z, "Précision Z");
  for (const char* p : kPrecisions) {
    xy.addItem(p);
    z.addItem(p);
  }
  add<Button>(IDOK, "OK");
  add<Button>(IDCANCEL, "Annuler");
}

void CParamMiseEnPlaceTableCoordonnees::onInit() { updateData(false); }

void CParamMiseEnPlaceTableCoordonnees::doDataExchange(DataExchange& dx) {
  if (dx.saving()) {
    dx.number(IDC_TABXYZ_HAUTEUR, params.hauteur);
  } else {
    // All the significant digits: a height of 0.0015 must not show rounded.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", params.hauteur);
    get<Edit>(IDC_TABXYZ_HAUTEUR).setText(buf);
  }
  dx.check(IDC_TABXYZ_NUMEROS, params.numeros);
  dx.check(IDC_TABXYZ_COORD_X, params.coordX);
  dx.check(IDC_TABXYZ_COORD_Y, params.coordY);
  dx.check(IDC_TABXYZ_COORD_Z, params.coordZ);
  dx.check(IDC_TABXYZ_CODE, params.code);
  dx.check(IDC_TABXYZ_LIBELLE, params.libelle);
  auto bit = [&](int id, int masque) {
    bool on = (params.traits & masque) != 0;
    dx.check(id, on);
    if (dx.saving()) params.traits = on ? params.traits | masque : params.traits & ~masque;
  };
  bit(IDC_TABXYZ_SEP_COLONNES, parametresTableCoordonnees::kSeparerColonnes);
  bit(IDC_TABXYZ_SEP_ENTETE, parametresTableCoordonnees::kSeparerEntete);
  bit(IDC_TABXYZ_SEP_LIGNES, parametresTableCoordonnees::kSeparerLignes);
  bit(IDC_TABXYZ_ENCADRER, parametresTableCoordonnees::kEncadrer);
  dx.comboIndex(IDC_TABXYZ_PRECISION_XY, params.precisionXY);
  dx.comboIndex(IDC_TABXYZ_PRECISION_Z, params.precisionZ);
}

void CParamMiseEnPlaceTableCoordonnees::onPress(int id) {
  switch (id) {
    case IDC_TABXYZ_COLONNES_TOUT: cocherColonnes(true); break;
    case IDC_TABXYZ_COLONNES_STD: cocherColonnes(false); break;
    case IDC_TABXYZ_TRAITS_TOUT: cocherTraits(true); break;
    case IDC_TABXYZ_TRAITS_STD: cocherTraits(false); break;
    default: break;
  }
}

// The buttons change the check boxes only: a height typed meanwhile stays.
void CParamMiseEnPlaceTableCoordonnees::cocherColonnes(bool codeEtLibelle) {
  for (int id : {IDC_TABXYZ_NUMEROS, IDC_TABXYZ_COORD_X, IDC_TABXYZ_COORD_Y, IDC_TABXYZ_COORD_Z})
    get<CheckBox>(id).setChecked(true);
  get<CheckBox>(IDC_TABXYZ_CODE).setChecked(codeEtLibelle);
  get<CheckBox>(IDC_TABXYZ_LIBELLE).setChecked(codeEtLibelle);
}

void CParamMiseEnPlaceTableCoordonnees::cocherTraits(bool lignes) {
  for (int id : {IDC_TABXYZ_ENCADRER, IDC_TABXYZ_SEP_ENTETE, IDC_TABXYZ_SEP_COLONNES})
    get<CheckBox>(id).setChecked(true);
  get<CheckBox>(IDC_TABXYZ_SEP_LIGNES).setChecked(lignes);
}

// ------------------------------------------------------------ the table

ZcDbObjectId dessinerTableCoordonnees(ZcDbDatabase* db, const std::vector<pointDuDessin>& points,
                                      const parametresTableCoordonnees& params, const ZcGePoint3d& coin) {
  if (!db || !params.uneColonne() || !(params.hauteur > 0)) return {};
  const double h0 = params.hauteur;
  const ZcDbObjectId style = db->textstyle();
  std::vector<Colonne> cols = colonnes(points, params);

  // Wc: the widest text of each column, header included; H: the tallest
  // text of the table.
  double H = 0;
  for (Colonne& c : cols) {
    auto mesure = [&](const std::wstring& s) {
      double l, h;
      mesurer(s, h0, style, l, h);
      c.largeur = std::max(c.largeur, l);
      H = std::max(H, h);
    };
    mesure(c.entete);
    for (const std::wstring& s : c.cellules) mesure(s);
  }
  double T = 0;
  for (Colonne& c : cols) {
    c.x = T;
    T += 1.2 * c.largeur;
  }

  const double px = coin.x, py = coin.y;
  const std::size_t n = points.size();
  const double bas = py - 1.8 * double(n + 1) * H;

  std::vector<ZcDbObjectId> ids;
  {
    ZcDbObjectPointer<ZcDbBlockTableRecord> espace(db->modelSpaceId(), ZcDb::kForWrite);
    if (espace.openStatus() != Zcad::eOk) return {};
    Dessin d(*espace, db->clayer());

    for (const Colonne& c : cols)
      d.texte(c.entete, h0, style, ZcDb::kTextCenter, px + c.x + 0.6 * c.largeur, py - 1.1 * H);
    if (params.traits & parametresTableCoordonnees::kSeparerColonnes) {
      for (std::size_t k = 1; k < cols.size(); ++k) d.ligne(px + cols[k].x, py, px + cols[k].x, bas);
    }
    if (params.traits & parametresTableCoordonnees::kSeparerEntete) d.ligne(px, py - 1.4 * H, px + T, py - 1.4 * H);
    if (params.traits & parametresTableCoordonnees::kEncadrer) d.rectangle(px, py, px + T, bas);

    for (std::size_t i = 1; i <= n; ++i) {
      const double haut = py - 1.8 * double(i) * H;
      const double base = haut - 1.1 * H;
      for (const Colonne& c : cols) {
        const std::wstring& s = c.cellules[i - 1];
        // An empty cell (no altitude) gets no text: an empty text would be
        // an invisible entity in the drawing.
        if (s.empty()) continue;
        if (estNombre(host::toAnsi(s)))
          d.texte(s, h0, style, ZcDb::kTextRight, px + c.x + 1.1 * c.largeur, base);
        else
          d.texte(s, h0, style, ZcDb::kTextLeft, px + c.x + 0.1 * c.largeur, base);
      }
      if ((params.traits & parametresTableCoordonnees::kSeparerLignes) && i < n)
        d.ligne(px, haut - 1.4 * H, px + T, haut - 1.4 * H);
    }
    ids = d.ids();
  }
  if (ids.empty()) return {};
  return host::addAnonymousGroup(db, ids);
}

void placerTableCoordonnees(const std::vector<pointDuDessin>& points, Dialog* appelant) {
  parametresTableCoordonnees params;
  {
    geltaro::frame::ressourcesModule ressources;
    CParamMiseEnPlaceTableCoordonnees dlg;
    if (dlg.doModal() != IDOK) return;
    params = dlg.params;
  }
  if (!params.uneColonne()) return;

  // The host window gets the focus back with the dialog hidden; headless
  // there is no window to activate.
  if (appelant) appelant->hideForPick();
  ZcGePoint3d coin;
  const int etat = zcedGetPoint(nullptr, L"\nPosition de la table des coordonn\u00e9es", coin);
  if (appelant) appelant->showAfterPick();
  if (etat != RTNORM) {
    zcMessageBox("Abandon", "pas de point choisi", MB_OK | MB_ICONWARNING);
    return;
  }
  dessinerTableCoordonnees(zcdbCurDwg(), points, params, coin);
}
