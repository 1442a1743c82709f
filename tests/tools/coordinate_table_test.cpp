// The coordinate table drawn in the drawing (its settings dialog, its
// geometry, the pick of its position) and the point tables manager.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "frame/resources.hpp"
#include "host/app/host_app.hpp"
#include "host/db/entities.hpp"
#include "host/db/objects.hpp"
#include "host/ed/editor.hpp"
#include "host/ed/graphics.hpp"
#include "host/ui/session.hpp"
#include "points/blocks.hpp"
#include "points/project.hpp"
#include "support/current_drawing.hpp"
#include "support/viewer_fonts.hpp"
#include "points/codification.hpp"
#include "tools/coordinate_table.hpp"
#include "tools/tables_manager.hpp"

namespace fs = std::filesystem;
using namespace host::ui;
using host::ui::testing::contains;
using host::ui::testing::Session;

namespace {


constexpr double kEps = 1e-9;

// A current drawing whose current layer and text style are not the
// defaults, so that the table is seen to take them.
struct Dessin {
  ZcDbDatabase db;
  ZcDbDatabase* precedent = zcdbCurDwg();
  ZcDbObjectId calque, style;

  Dessin() {
    {
      ZcDbObjectPointer<ZcDbLayerTable> calques(db.layerTableId(), ZcDb::kForWrite);
      auto rec = std::make_unique<ZcDbLayerTableRecord>();
      rec->setName(L"TABLES");
      rec->setColorIndex(3);
      EXPECT_EQ(calques->add(calque, rec.get()), Zcad::eOk);
    }
    {
      ZcDbObjectPointer<ZcDbTextStyleTable> styles(db.textStyleTableId(), ZcDb::kForWrite);
      auto rec = std::make_unique<ZcDbTextStyleTableRecord>();
      rec->setName(L"FINE");
      EXPECT_EQ(styles->add(style, rec.get()), Zcad::eOk);
    }
    db.setClayer(calque);
    db.setTextstyle(style);
    zcdbSetCurDwg(&db);
  }
  ~Dessin() { zcdbSetCurDwg(precedent); }
};

struct Texte {
  std::wstring s;
  ZcDb::TextHorzMode mode;
  ZcGePoint3d alignement, position;
};
struct Ligne {
  ZcGePoint3d a, b;
};
struct Contenu {
  std::vector<Texte> textes;
  std::vector<Ligne> lignes;
  std::vector<std::vector<ZcGePoint2d>> cadres;  // closed polylines
  std::set<ZcDbObjectId> ids;
};

// What model space holds, checking on the way what every entity shares:
// the current layer, colour by layer, and for texts the height, the current
// style and no rotation.
Contenu lire(const Dessin& d, double h0) {
  Contenu c;
  ZcDbObjectPointer<ZcDbBlockTableRecord> espace(d.db.modelSpaceId(), ZcDb::kForRead);
  for (const ZcDbObjectId& id : espace->entityIds()) {
    c.ids.insert(id);
    ZcDbObjectPointer<ZcDbEntity> e(id, ZcDb::kForRead);
    EXPECT_EQ(e->layer(), L"TABLES");
    EXPECT_EQ(e->colorIndex(), 256);
    if (auto* t = ZcDbText::cast(e.object())) {
      EXPECT_DOUBLE_EQ(t->height(), h0);
      EXPECT_EQ(t->textStyle(), d.style);
      EXPECT_EQ(t->rotation(), 0.0);
      EXPECT_EQ(t->verticalMode(), ZcDb::kTextBase);
      c.textes.push_back({t->textString(), t->horizontalMode(), t->alignmentPoint(), t->position()});
    } else if (auto* l = ZcDbLine::cast(e.object())) {
      c.lignes.push_back({l->startPoint(), l->endPoint()});
    } else if (auto* p = ZcDbPolyline::cast(e.object())) {
      EXPECT_TRUE(p->isClosed());
      std::vector<ZcGePoint2d> sommets;
      for (unsigned i = 0; i < p->numVerts(); ++i) {
        ZcGePoint2d s;
        p->getPointAt(i, s);
        sommets.push_back(s);
      }
      c.cadres.push_back(sommets);
    } else {
      ADD_FAILURE() << "unexpected entity";
    }
  }
  return c;
}

// The host's measure of a text, through its own entry point.
void boite(const std::wstring& s, double h, double& largeur, double& hauteur) {
  ZcGePoint3d bas, haut;
  zcedTextBox({resbuf::string(1, s), resbuf::real(40, h)}, bas, haut);
  largeur = haut.x - bas.x;
  hauteur = haut.y - bas.y;
}
double largeur(const std::wstring& s, double h) {
  double l, ht;
  boite(s, h, l, ht);
  return l;
}

const Texte* trouver(const Contenu& c, const std::wstring& s) {
  for (const Texte& t : c.textes)
    if (t.s == s) return &t;
  return nullptr;
}

void attendreLigne(const Ligne& l, double x1, double y1, double x2, double y2) {
  EXPECT_NEAR(l.a.x, x1, kEps);
  EXPECT_NEAR(l.a.y, y1, kEps);
  EXPECT_NEAR(l.b.x, x2, kEps);
  EXPECT_NEAR(l.b.y, y2, kEps);
}

pointDuDessin point(const char* nom, double x, double y, double z, int code = 1) {
  pointDuDessin p;
  p.setNomPoint(nom);
  p.setXY(x, y, z);
  p.setCode(code);
  return p;
}

std::vector<ZcDbObjectId> membres(ZcDbObjectId groupe) {
  ZcDbObjectPointer<ZcDbGroup> g(groupe, ZcDb::kForRead);
  EXPECT_EQ(g.openStatus(), Zcad::eOk);
  if (g.openStatus() != Zcad::eOk) return {};
  EXPECT_TRUE(g->isAnonymous());
  return g->allEntityIds();
}

}  // namespace

// ------------------------------------------------------------ geometry

TEST(TableCoordonnees, ThreePointsWithTheDefaultSettings) {
  Dessin d;
  const std::vector<pointDuDessin> points = {point("1", 1000.5, 2000.25, 12.5), point("2", 1010, 2005.125, 13),
                                             point("3", 995.75, 1990, 11.25)};
  const parametresTableCoordonnees params;
  const double h0 = params.hauteur, px = 100, py = 200;
  const ZcDbObjectId groupe = dessinerTableCoordonnees(&d.db, points, params, ZcGePoint3d(px, py, 0));
  ASSERT_FALSE(groupe.isNull());
  const Contenu c = lire(d, h0);

  // Widths of the four columns: their widest text, header included.
  double l, H;
  boite(L"Num", h0, l, H);
  const std::vector<std::vector<std::wstring>> cellules = {
      {L"Num", L"1", L"2", L"3"},
      {L"X", L"1000.5000", L"1010.0000", L"995.7500"},
      {L"Y", L"2000.2500", L"2005.1250", L"1990.0000"},
      {L"Z", L"12.50", L"13.00", L"11.25"}};
  std::vector<double> W, x;
  double T = 0;
  for (const auto& col : cellules) {
    double w = 0;
    for (const auto& s : col) w = std::max(w, largeur(s, h0));
    W.push_back(w);
    x.push_back(T);
    T += 1.2 * w;
  }
  const double bas = py - 7.2 * H;  // four bands of 1.8 H

  ASSERT_EQ(c.cadres.size(), 1u);
  const auto& cadre = c.cadres[0];
  ASSERT_EQ(cadre.size(), 4u);
  const double coins[4][2] = {{px, py}, {px + T, py}, {px + T, bas}, {px, bas}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(cadre[std::size_t(i)].x, coins[i][0], kEps);
    EXPECT_NEAR(cadre[std::size_t(i)].y, coins[i][1], kEps);
  }
  // Three column lines, the header line, no row line.
  ASSERT_EQ(c.lignes.size(), 4u);
  for (std::size_t k = 1; k < 4; ++k) attendreLigne(c.lignes[k - 1], px + x[k], py, px + x[k], bas);
  attendreLigne(c.lignes[3], px, py - 1.4 * H, px + T, py - 1.4 * H);

  ASSERT_EQ(c.textes.size(), 16u);
  for (std::size_t k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    const Texte* entete = trouver(c, cellules[k][0]);
    ASSERT_NE(entete, nullptr);
    EXPECT_EQ(entete->mode, ZcDb::kTextCenter);
    EXPECT_NEAR(entete->alignement.x, px + x[k] + 0.6 * W[k], kEps);
    EXPECT_NEAR(entete->alignement.y, py - 1.1 * H, kEps);
    EXPECT_NEAR(entete->position.x, entete->alignement.x - largeur(entete->s, h0) / 2, kEps);
    for (std::size_t i = 1; i <= 3; ++i) {
      const Texte* t = trouver(c, cellules[k][i]);
      ASSERT_NE(t, nullptr);
      // Names and coordinates are all numbers here: right-aligned.
      EXPECT_EQ(t->mode, ZcDb::kTextRight);
      EXPECT_NEAR(t->alignement.x, px + x[k] + 1.1 * W[k], kEps);
      EXPECT_NEAR(t->alignement.y, py - 1.8 * double(i) * H - 1.1 * H, kEps);
      // The position is where the text starts, for readers of the file.
      EXPECT_NEAR(t->position.x, t->alignement.x - largeur(t->s, h0), kEps);
    }
  }

  // One anonymous group holding every entity of the table.
  const std::vector<ZcDbObjectId> m = membres(groupe);
  EXPECT_EQ(std::set<ZcDbObjectId>(m.begin(), m.end()), c.ids);
  EXPECT_EQ(m.size(), c.ids.size());

  // A second table makes a group of its own.
  const ZcDbObjectId autre = dessinerTableCoordonnees(&d.db, points, params, ZcGePoint3d(0, 0, 0));
  ASSERT_FALSE(autre.isNull());
  EXPECT_NE(autre, groupe);
  EXPECT_EQ(membres(autre).size(), m.size());
  EXPECT_EQ(membres(groupe).size(), m.size());
}

TEST(TableCoordonnees, NumbersAreRightAlignedOtherTextsLeftAligned) {
  Dessin d;
  parametresTableCoordonnees params;
  params.code = params.libelle = true;
  params.precisionXY = 0;
  params.hauteur = 1.0;
  // Code 1 has an entry ("Point topo"); 4321 has none.
  const std::vector<pointDuDessin> points = {point("12", 1234.567, -12.4, kIndefini, 1),
                                             point("P12", 10.5, 20.49, 3, 4321)};
  const ZcDbObjectId groupe = dessinerTableCoordonnees(&d.db, points, params, ZcGePoint3d(0, 0, 0));
  ASSERT_FALSE(groupe.isNull());
  const Contenu c = lire(d, 1.0);
  double l, H;
  boite(L"Num", 1.0, l, H);

  const std::wstring libelle1 = codification().libelleCree(1);
  const std::wstring libelleCree = L"Code N\u00b0 4321";
  const std::vector<std::vector<std::wstring>> cellules = {{L"Num", L"12", L"P12"},
                                                           {L"X", L"1235", L"10"},
                                                           {L"Y", L"-12", L"20"},
                                                           {L"Z", L"", L"3.00"},
                                                           {L"Code", L"1", L"4321"},
                                                           {L"Libelle", libelle1, libelleCree}};
  std::vector<double> W, x;
  double T = 0;
  for (const auto& col : cellules) {
    double w = 0;
    for (const auto& s : col) w = std::max(w, largeur(s, 1.0));
    W.push_back(w);
    x.push_back(T);
    T += 1.2 * w;
  }
  struct Case {
    std::size_t colonne, ligne;
    bool droite;
  } cases[] = {
      {0, 1, true},  {0, 2, false},  // 12 / P12
      {1, 1, true},  {1, 2, true},   // X without decimals
      {2, 1, true},                  // a negative number
      {3, 2, true},                  // Z with its own decimals
      {4, 1, true},  {4, 2, true},   // codes
      {5, 1, false}, {5, 2, false},  // labels
  };
  for (const Case& k : cases) {
    const std::wstring& s = cellules[k.colonne][k.ligne];
    SCOPED_TRACE(host::toUtf8(s));
    const Texte* t = trouver(c, s);
    ASSERT_NE(t, nullptr);
    const double y = -1.8 * double(k.ligne) * H - 1.1 * H;
    if (k.droite) {
      EXPECT_EQ(t->mode, ZcDb::kTextRight);
      EXPECT_NEAR(t->alignement.x, x[k.colonne] + 1.1 * W[k.colonne], kEps);
      EXPECT_NEAR(t->alignement.y, y, kEps);
    } else {
      EXPECT_EQ(t->mode, ZcDb::kTextLeft);
      EXPECT_NEAR(t->position.x, x[k.colonne] + 0.1 * W[k.colonne], kEps);
      EXPECT_NEAR(t->position.y, y, kEps);
    }
  }
  // A point without altitude: its Z cell stays empty (no text at all);
  // 6 headers and 11 cells.
  EXPECT_EQ(trouver(c, L""), nullptr);
  EXPECT_EQ(c.textes.size(), 17u);
  EXPECT_EQ(membres(groupe).size(), c.ids.size());
}

TEST(TableCoordonnees, TextsStayInsideTheirColumnsAsViewersDrawThem) {
  // Small negative values beside one another ("2", -0.0289, 0.0013, -1.06)
  // and long coordinates, every column shown: drawn as common viewers draw
  // the standard style, each text stays between the lines of its column.
  Dessin d;
  parametresTableCoordonnees params;
  params.code = params.libelle = true;
  const std::vector<pointDuDessin> points = {point("2", -0.0289, 0.0013, -1.06, 1),
                                             point("P12", 651234.5678, 6862345.1234, 102.35, 4321),
                                             point("MUR_EST", 10, 20, 30, 1)};
  const double px = 50, py = 80;
  ASSERT_FALSE(dessinerTableCoordonnees(&d.db, points, params, ZcGePoint3d(px, py, 0)).isNull());
  const Contenu c = lire(d, params.hauteur);

  // The column lines and the sides of the frame.
  ASSERT_EQ(c.cadres.size(), 1u);
  std::vector<double> bords = {c.cadres[0][0].x, c.cadres[0][1].x};
  for (const Ligne& l : c.lignes)
    if (std::abs(l.a.x - l.b.x) < kEps) bords.push_back(l.a.x);
  std::sort(bords.begin(), bords.end());
  ASSERT_EQ(bords.size(), 7u) << "six columns";

  ASSERT_EQ(c.textes.size(), 6u + 18u);
  for (const Texte& t : c.textes) {
    SCOPED_TRACE(host::toUtf8(t.s));
    const double w = geltaro::testing::largeurVue(t.s, params.hauteur);
    const double gauche = t.mode == ZcDb::kTextLeft    ? t.position.x
                          : t.mode == ZcDb::kTextRight ? t.alignement.x - w
                                                       : t.alignement.x - w / 2;
    const double ancre = t.mode == ZcDb::kTextLeft ? t.position.x : t.alignement.x;
    // The column of the text: the one its anchor is in.
    const auto droite = std::upper_bound(bords.begin(), bords.end(), ancre);
    ASSERT_TRUE(droite != bords.begin() && droite != bords.end());
    EXPECT_GE(gauche, *(droite - 1));
    EXPECT_LE(gauche + w, *droite);
  }
}

TEST(TableCoordonnees, OnlyTheChosenLinesAreDrawn) {
  const std::vector<pointDuDessin> trois = {point("1", 1, 2, 3), point("2", 4, 5, 6), point("3", 7, 8, 9)};
  struct Case {
    const char* why;
    int traits;
    bool seulementNumeros;
    std::size_t nbPoints, lignes, cadres;
  } cases[] = {
      {"row lines only, between rows", parametresTableCoordonnees::kSeparerLignes, false, 3, 2, 0},
      {"no line at all", 0, false, 3, 0, 0},
      {"one column: no column line", 15, true, 3, 1 + 2, 1},
      {"one point: no row line", 15, false, 1, 3 + 1, 1},
      {"no point: header and frame", 15, false, 0, 3 + 1, 1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.why);
    Dessin d;
    parametresTableCoordonnees params;
    params.traits = k.traits;
    if (k.seulementNumeros) params.coordX = params.coordY = params.coordZ = false;
    const std::vector<pointDuDessin> points(trois.begin(), trois.begin() + long(k.nbPoints));
    const ZcDbObjectId groupe = dessinerTableCoordonnees(&d.db, points, params, ZcGePoint3d(10, 20, 0));
    const Contenu c = lire(d, params.hauteur);
    EXPECT_EQ(c.lignes.size(), k.lignes);
    EXPECT_EQ(c.cadres.size(), k.cadres);
    EXPECT_EQ(membres(groupe).size(), c.ids.size());
    double l, H;
    boite(L"Num", params.hauteur, l, H);
    if (k.traits == parametresTableCoordonnees::kSeparerLignes) {
      double T = 0;
      for (const auto& col : std::vector<std::vector<std::wstring>>{{L"Num", L"1", L"2", L"3"},
                                                                    {L"X", L"1.0000", L"4.0000", L"7.0000"},
                                                                    {L"Y", L"2.0000", L"5.0000", L"8.0000"},
                                                                    {L"Z", L"3.00", L"6.00", L"9.00"}}) {
        double w = 0;
        for (const auto& s : col) w = std::max(w, largeur(s, params.hauteur));
        T += 1.2 * w;
      }
      attendreLigne(c.lignes[0], 10, 20 - 1.8 * H - 1.4 * H, 10 + T, 20 - 1.8 * H - 1.4 * H);
      attendreLigne(c.lignes[1], 10, 20 - 3.6 * H - 1.4 * H, 10 + T, 20 - 3.6 * H - 1.4 * H);
    }
    if (k.nbPoints == 0) {
      ASSERT_EQ(c.cadres.size(), 1u);
      EXPECT_NEAR(c.cadres[0][2].y, 20 - 1.8 * H, kEps);
    }
  }
}

TEST(TableCoordonnees, NothingIsDrawnWithoutColumnOrDrawing) {
  Dessin d;
  parametresTableCoordonnees params;
  params.numeros = params.coordX = params.coordY = params.coordZ = false;
  const std::vector<pointDuDessin> points = {point("1", 1, 2, 3)};
  EXPECT_TRUE(dessinerTableCoordonnees(&d.db, points, params, ZcGePoint3d()).isNull());
  EXPECT_TRUE(dessinerTableCoordonnees(nullptr, points, parametresTableCoordonnees(), ZcGePoint3d()).isNull());
  EXPECT_TRUE(lire(d, 2.5).ids.empty());
  ZcDbObjectPointer<ZcDbDictionary> groupes(d.db.groupDictionaryId(), ZcDb::kForRead);
  EXPECT_EQ(groupes->numEntries(), 0u);
}

// ------------------------------------------------------------ settings dialog

TEST(ParamsMiseEnPlace, DefaultsButtonsAndResults) {
  CParamMiseEnPlaceTableCoordonnees dlg;
  Session s("");
  dlg.init();
  EXPECT_EQ(dlg.title(), "Params mise en place");
  EXPECT_EQ(dlg.get<Edit>(IDC_TABXYZ_HAUTEUR).text(), "2.5");
  auto coche = [&](int id) { return dlg.get<CheckBox>(id).checked(); };
  const int colonnes[] = {IDC_TABXYZ_NUMEROS, IDC_TABXYZ_COORD_X, IDC_TABXYZ_COORD_Y,
                          IDC_TABXYZ_COORD_Z, IDC_TABXYZ_CODE,    IDC_TABXYZ_LIBELLE};
  const int traits[] = {IDC_TABXYZ_ENCADRER, IDC_TABXYZ_SEP_ENTETE, IDC_TABXYZ_SEP_COLONNES, IDC_TABXYZ_SEP_LIGNES};
  auto etat = [&](const int* ids, int n) {
    std::vector<bool> v;
    for (int i = 0; i < n; ++i) v.push_back(coche(ids[i]));
    return v;
  };
  EXPECT_EQ(etat(colonnes, 6), (std::vector<bool>{true, true, true, true, false, false}));
  EXPECT_EQ(etat(traits, 4), (std::vector<bool>{true, true, true, false}));
  const auto& xy = dlg.get<ComboBox>(IDC_TABXYZ_PRECISION_XY);
  EXPECT_EQ(xy.count(), 6);
  EXPECT_EQ(xy.item(0).text, "0");
  EXPECT_EQ(xy.item(5).text, "0.00000");
  EXPECT_EQ(xy.text(), "0.0000");
  EXPECT_EQ(dlg.get<ComboBox>(IDC_TABXYZ_PRECISION_Z).text(), "0.00");

  // The buttons change the boxes only, not a height typed meanwhile.
  dlg.get<Edit>(IDC_TABXYZ_HAUTEUR).setText("1.25");
  EXPECT_EQ(dlg.userPress(IDC_TABXYZ_COLONNES_TOUT), "");
  EXPECT_EQ(etat(colonnes, 6), std::vector<bool>(6, true));
  EXPECT_EQ(dlg.userPress(IDC_TABXYZ_TRAITS_TOUT), "");
  EXPECT_EQ(etat(traits, 4), std::vector<bool>(4, true));
  dlg.userCheck(IDC_TABXYZ_COORD_Y, false);
  EXPECT_EQ(dlg.userPress(IDC_TABXYZ_COLONNES_STD), "");
  EXPECT_EQ(etat(colonnes, 6), (std::vector<bool>{true, true, true, true, false, false}));
  EXPECT_EQ(dlg.userPress(IDC_TABXYZ_TRAITS_STD), "");
  EXPECT_EQ(etat(traits, 4), (std::vector<bool>{true, true, true, false}));
  EXPECT_EQ(dlg.get<Edit>(IDC_TABXYZ_HAUTEUR).text(), "1.25");

  // A height outside 0.001 .. 1e6 is refused at OK.
  EXPECT_EQ(dlg.userSetText(IDC_TABXYZ_HAUTEUR, "0"), "");
  EXPECT_NE(dlg.userOk(), "");
  EXPECT_FALSE(dlg.ended());
  EXPECT_TRUE(contains(s.out(), "[Params mise en place]"));

  dlg.userSetText(IDC_TABXYZ_HAUTEUR, "0,5");
  dlg.userCheck(IDC_TABXYZ_ENCADRER, false);
  dlg.userCheck(IDC_TABXYZ_SEP_LIGNES, true);
  dlg.userCheck(IDC_TABXYZ_LIBELLE, true);
  dlg.userPick(IDC_TABXYZ_PRECISION_XY, 0);
  dlg.userPick(IDC_TABXYZ_PRECISION_Z, 5);
  EXPECT_EQ(dlg.userOk(), "");
  EXPECT_EQ(dlg.result(), IDOK);
  EXPECT_EQ(dlg.params.hauteur, 0.5);
  EXPECT_TRUE(dlg.params.libelle);
  EXPECT_FALSE(dlg.params.code);
  EXPECT_EQ(dlg.params.traits, parametresTableCoordonnees::kSeparerColonnes |
                                   parametresTableCoordonnees::kSeparerEntete |
                                   parametresTableCoordonnees::kSeparerLignes);
  EXPECT_EQ(dlg.params.precisionXY, 0);
  EXPECT_EQ(dlg.params.precisionZ, 5);
}

// ------------------------------------------------------------ TABLEXYZ

TEST(PlacerTableCoordonnees, CancelNoColumnOrNoPointDrawNothing) {
  const std::vector<pointDuDessin> points = {point("1", 1, 2, 3), point("2", 4, 5, 6)};
  const std::string prompt = "Position de la table des coordonn\xC3\xA9" "es";
  const std::string abandon = "[pas de point choisi] (attention) Abandon\n";
  struct Case {
    const char* why;
    std::string script;
    bool demandeLePoint, abandon;
  } cases[] = {
      {"settings cancelled", "cancel\n", false, false},
      {"settings closed by Escape", "", false, false},
      {"no column ticked", "check 439 off\ncheck 440 off\ncheck 441 off\ncheck 286 off\nok\n", false, false},
      {"end of input at the point", "ok\n", true, true},
      {"Enter at the point", "ok\n\n", true, true},
      {"Escape at the point", "ok\n^C\n", true, true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.why);
    Dessin d;
    Dialog appelant("Points du dessin");
    Session s(k.script);
    placerTableCoordonnees(points, &appelant);
    EXPECT_TRUE(lire(d, 2.5).ids.empty());
    EXPECT_EQ(contains(s.out(), prompt), k.demandeLePoint);
    EXPECT_EQ(contains(s.out(), abandon), k.abandon);
    // Hidden for the pick only, and shown again whatever the answer.
    EXPECT_EQ(contains(s.out(), "masqu"), k.demandeLePoint);
    EXPECT_FALSE(appelant.hidden());
    EXPECT_EQ(s.rest(), "");
  }
}

TEST(PlacerTableCoordonnees, DrawsAtThePickedPoint) {
  Dessin d;
  void* ressources = host::currentResourceModule();
  const std::vector<pointDuDessin> points = {point("1", 1, 2, 3), point("2", 4, 5, 6)};
  Dialog appelant("Points du dessin");
  {
    Session s("press 290\nok\n100,200\n");
    placerTableCoordonnees(points, &appelant);
    EXPECT_EQ(s.rest(), "");
  }
  EXPECT_FALSE(appelant.hidden());
  EXPECT_EQ(host::currentResourceModule(), ressources);
  const Contenu c = lire(d, 2.5);
  // Six columns of two points, the frame's upper-left corner at the point.
  EXPECT_EQ(c.textes.size(), 18u);
  ASSERT_EQ(c.cadres.size(), 1u);
  EXPECT_NEAR(c.cadres[0][0].x, 100, kEps);
  EXPECT_NEAR(c.cadres[0][0].y, 200, kEps);
  ZcDbObjectPointer<ZcDbDictionary> groupes(d.db.groupDictionaryId(), ZcDb::kForRead);
  EXPECT_EQ(groupes->numEntries(), 1u);

  // Without a dialog to hide.
  Session s("ok\n0,0\n");
  placerTableCoordonnees(points, nullptr);
  EXPECT_FALSE(contains(s.out(), "masqu"));
  EXPECT_EQ(lire(d, 2.5).cadres.size(), 2u);
}

// ------------------------------------------------------------ tables manager

namespace {

// A project of three tables A (2 points), B (1), C (3); A is current. No
// drawing is current: renumbered points make no block.
struct Projet {
  projetsTopo projet;
  ZcDbDatabase* precedent = zcdbCurDwg();

  Projet() {
    zcdbSetCurDwg(nullptr);
    projet.getTable(0)->setNomTable(L"A");
    projet.creerTablePoints(L"B");
    projet.creerTablePoints(L"C");
    auto remplir = [&](int t, std::vector<const wchar_t*> noms) {
      double x = 100.0 * (t + 1);
      for (const wchar_t* nom : noms) projet.getTable(t)->CreerPoint(ZcGePoint3d(x += 1, 0, 1), 1, nom);
    };
    remplir(0, {L"a1", L"a2"});
    remplir(1, {L"b1"});
    remplir(2, {L"c1", L"c2", L"c3"});
  }
  ~Projet() { zcdbSetCurDwg(precedent); }

  std::vector<std::wstring> noms() const {
    std::vector<std::wstring> v;
    for (int i = 0; i < projet.nbTables(); ++i) v.push_back(projet.getTable(i)->getNomTable());
    return v;
  }
  std::vector<std::string> nomsPoints(int t) const {
    std::vector<std::string> v;
    for (const auto& p : projet.getTable(t)->points()) v.push_back(p.getNomPoint());
    return v;
  }
};

std::vector<std::vector<std::string>> lignes(const CTabListePoints& dlg) {
  std::vector<std::vector<std::string>> v;
  for (const auto& r : dlg.get<ListView>(IDC_TABLES_LISTE).rows()) v.push_back(r.cells);
  return v;
}
std::string courante(const CTabListePoints& dlg) { return dlg.get<Static>(IDC_TABLES_TABLE_COURANTE).text(); }

constexpr const char* kDeuxTables = "[erreur] Vous devez selectionner au moins\ndeux (02) tables a fusionner\n";
constexpr const char* kUnSeul = "[erreur] Selectionnez un seul element SVP\n";

}  // namespace

TEST(TablesDePoints, ListsTheTablesAndCreatesNumberedOnes) {
  Projet p;
  CTabListePoints dlg(p.projet);
  Session s("");
  dlg.init();
  EXPECT_EQ(dlg.title(), "Tables de points");
  const auto& liste = dlg.get<ListView>(IDC_TABLES_LISTE);
  ASSERT_EQ(liste.columns().size(), 2u);
  EXPECT_EQ(liste.columns()[0].header, "Nom de la table");
  EXPECT_EQ(liste.columns()[0].width, 4 * liste.columns()[1].width);
  EXPECT_EQ(liste.columns()[1].header, "Nb Pts");
  EXPECT_EQ(liste.columns()[1].align, Align::Right);
  EXPECT_EQ(lignes(dlg), (std::vector<std::vector<std::string>>{{"A", "2"}, {"B", "1"}, {"C", "3"}}));
  EXPECT_EQ(courante(dlg), "Table:A");

  // The name field is not used; the number follows the count of tables.
  dlg.userSetText(IDC_TABLES_NOM, "Autre");
  EXPECT_EQ(dlg.userPress(IDC_TABLES_CREER), "");
  EXPECT_EQ(dlg.userPress(IDC_TABLES_CREER), "");
  EXPECT_EQ(p.noms(), (std::vector<std::wstring>{L"A", L"B", L"C", L"Table 4", L"Table 5"}));
  EXPECT_EQ(p.projet.getTable(4)->nbPoint(), 0);
  EXPECT_EQ(lignes(dlg).back(), (std::vector<std::string>{"Table 5", "0"}));
  EXPECT_EQ(p.projet.courant, 0);
  EXPECT_EQ(s.out(), "");
}

TEST(TablesDePoints, MergeLeavesTheSourceTablesAndTheirBlocksAsTheyWere) {
  // Points placed with blocks in two tables: the merged table is numbered
  // 1..n, but the blocks keep the names of their own tables.
  ZcDbDatabase db(true);
  projetsTopo projet;
  geltaro::testing::DessinCourant courant(db, projet);
  projet.getTable(0)->setNomTable(L"A");
  auto placer = [](const wchar_t* nom, double x) {
    pointDuDessin p;
    p.setParams(nom, {x, 0, 10}, 1);
    placerPointDansTableCourante(p, L"");
  };
  placer(L"A1", 1);
  placer(L"A2", 2);
  projet.creerTablePoints(L"B");
  projet.courant = 1;
  placer(L"B1", 3);
  projet.courant = 0;
  auto nomDuBloc = [](const pointDuDessin& p) {
    ZcDbObjectPointer<ZcDbBlockReference> ref(p.getId(), ZcDb::kForRead);
    std::wstring nom;
    if (ref.openStatus() == Zcad::eOk) lireAttribut(*ref, L"NUMPT", nom);
    return nom;
  };
  CTabListePoints dlg(projet);
  Session s("");
  dlg.init();
  ASSERT_EQ(dlg.userSelect(IDC_TABLES_LISTE, {0, 1}), "");
  EXPECT_EQ(dlg.userPress(IDC_TABLES_FUSIONNER), "");
  ASSERT_EQ(projet.nbTables(), 3);
  const listePointsDuDessin& fusion = *projet.getTable(2);
  ASSERT_EQ(fusion.nbPoint(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(fusion.getData(i)->getNomPointW(), std::to_wstring(i + 1));
    EXPECT_TRUE(fusion.getData(i)->getId().isNull());
  }
  EXPECT_EQ(nomDuBloc(*projet.getTable(0)->getData(0)), L"A1");
  EXPECT_EQ(nomDuBloc(*projet.getTable(0)->getData(1)), L"A2");
  EXPECT_EQ(nomDuBloc(*projet.getTable(1)->getData(0)), L"B1");
  // A refresh of a source table finds its names in the drawing.
  listePointsDuDessin& a = *projet.getTable(0);
  a.updateFromDrawing();
  int pos;
  EXPECT_TRUE(a.existPoint(L"A1", pos));
  EXPECT_TRUE(a.existPoint(L"A2", pos));
}

TEST(TablesDePoints, MergesTheSelectedTablesIntoANewOne) {
  Projet p;
  CTabListePoints dlg(p.projet);
  Session s("");
  dlg.init();
  ASSERT_EQ(dlg.userSelect(IDC_TABLES_LISTE, {0, 1, 2}), "");
  EXPECT_EQ(dlg.userPress(IDC_TABLES_FUSIONNER), "");
  ASSERT_EQ(p.projet.nbTables(), 4);
  const listePointsDuDessin& fusion = *p.projet.getTable(3);
  EXPECT_EQ(fusion.getNomTable(), L"A + B + C");
  EXPECT_EQ(p.nomsPoints(3), (std::vector<std::string>{"1", "2", "3", "4", "5", "6"}));
  // In the order of the tables, then of their points.
  const double xs[] = {101, 102, 201, 301, 302, 303};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(fusion.getData(i)->getX(), xs[i]);
  int pos;
  EXPECT_TRUE(fusion.existPoint(L"6", pos));
  EXPECT_EQ(pos, 5);
  // The merged tables stay as they were.
  EXPECT_EQ(p.nomsPoints(0), (std::vector<std::string>{"a1", "a2"}));
  EXPECT_EQ(p.nomsPoints(1), (std::vector<std::string>{"b1"}));
  EXPECT_EQ(p.nomsPoints(2), (std::vector<std::string>{"c1", "c2", "c3"}));
  EXPECT_EQ(lignes(dlg).back(), (std::vector<std::string>{"A + B + C", "6"}));
  EXPECT_EQ(p.projet.courant, 0);

  // Two tables picked out of order merge in the list's order.
  dlg.userSelect(IDC_TABLES_LISTE, {2, 0});
  dlg.userPress(IDC_TABLES_FUSIONNER);
  EXPECT_EQ(p.projet.getTable(4)->getNomTable(), L"A + C");
  EXPECT_EQ(lignes(dlg).size(), 5u);
  EXPECT_EQ(s.out(), "");

  // Fewer than two tables: refused, nothing changes.
  for (const std::vector<int>& choix : {std::vector<int>{1}, std::vector<int>{}}) {
    Session refus("");
    dlg.userSelect(IDC_TABLES_LISTE, choix);
    dlg.userPress(IDC_TABLES_FUSIONNER);
    EXPECT_EQ(refus.out(), kDeuxTables);
    EXPECT_EQ(p.projet.nbTables(), 5);
    EXPECT_EQ(lignes(dlg).size(), 5u);
  }
}

TEST(TablesDePoints, DeletesTheSelectedTables) {
  Projet p;
  CTabListePoints dlg(p.projet);
  Session s("");
  dlg.init();
  // Nothing selected: nothing happens.
  dlg.userPress(IDC_TABLES_SUPPRIMER);
  EXPECT_EQ(p.projet.nbTables(), 3);

  // Without confirmation, from the highest index: A and C go, B stays.
  dlg.userSelect(IDC_TABLES_LISTE, {0, 2});
  dlg.userPress(IDC_TABLES_SUPPRIMER);
  EXPECT_EQ(p.noms(), (std::vector<std::wstring>{L"B"}));
  EXPECT_EQ(lignes(dlg), (std::vector<std::vector<std::string>>{{"B", "1"}}));
  EXPECT_EQ(courante(dlg), "Table:B");
  EXPECT_EQ(s.out(), "");

  // The project keeps its last table.
  dlg.userSelect(IDC_TABLES_LISTE, {0});
  dlg.userPress(IDC_TABLES_SUPPRIMER);
  EXPECT_EQ(p.noms(), (std::vector<std::wstring>{L"B"}));
  EXPECT_EQ(lignes(dlg).size(), 1u);
}

TEST(TablesDePoints, RenamesAndChoosesTheCurrentTable) {
  Projet p;
  CTabListePoints dlg(p.projet);
  Session s("");
  dlg.init();

  dlg.userSelect(IDC_TABLES_LISTE, {2});
  dlg.userPress(IDC_TABLES_COURANT);
  EXPECT_EQ(p.projet.courant, 2);
  EXPECT_EQ(courante(dlg), "Table:C");

  // Trimmed; the row and the current-table line follow.
  dlg.userSetText(IDC_TABLES_NOM, " \tLev\xC3\xA9 nord  ");
  dlg.userPress(IDC_TABLES_RENOMMER);
  EXPECT_EQ(p.projet.getTable(2)->getNomTable(), L"Lev\u00e9 nord");
  EXPECT_EQ(lignes(dlg)[2], (std::vector<std::string>{"Lev\xC3\xA9 nord", "3"}));
  EXPECT_EQ(courante(dlg), "Table:Lev\xC3\xA9 nord");
  // A blank name is ignored.
  dlg.userSetText(IDC_TABLES_NOM, "   ");
  dlg.userPress(IDC_TABLES_RENOMMER);
  EXPECT_EQ(p.projet.getTable(2)->getNomTable(), L"Lev\u00e9 nord");
  EXPECT_EQ(s.out(), "");

  // Both need exactly one row.
  dlg.userSetText(IDC_TABLES_NOM, "X");
  for (const std::vector<int>& choix : {std::vector<int>{0, 1}, std::vector<int>{}}) {
    for (int bouton : {IDC_TABLES_RENOMMER, IDC_TABLES_COURANT}) {
      Session refus("");
      dlg.userSelect(IDC_TABLES_LISTE, choix);
      dlg.userPress(bouton);
      EXPECT_EQ(refus.out(), kUnSeul);
    }
  }
  EXPECT_EQ(p.noms(), (std::vector<std::wstring>{L"A", L"B", L"Lev\u00e9 nord"}));
  EXPECT_EQ(p.projet.courant, 2);
}

TEST(TablesDePoints, GererLevesRunsTheDialogOnTheDrawingsProject) {
  Projet p;
  void* ressources = host::currentResourceModule();
  projetsTopo* precedent = tablesPoints;
  tablesPoints = &p.projet;
  {
    Session s("press Cr\xC3\xA9" "er\nselect 403 1\npress Courant\npress Fermer\n");
    c_gererLeves();
    EXPECT_EQ(s.rest(), "");
    EXPECT_TRUE(contains(s.out(), "Tables de points"));
  }
  EXPECT_EQ(p.projet.nbTables(), 4);
  EXPECT_EQ(p.projet.courant, 1);
  EXPECT_EQ(host::currentResourceModule(), ressources);

  // No project: nothing to show.
  tablesPoints = nullptr;
  {
    Session s("press Fermer\n");
    c_gererLeves();
    EXPECT_EQ(s.out(), "");
  }
  tablesPoints = precedent;
}
