// The legend of a plan: the blocks it may show, its dialog ("Table des
// légendes"), its layout in the drawing and c:tablegendes; the description
// of a block ("Infos block") and c:decrireblock. Each test runs in a LISP
// session bound to the module's entry point, on a drawing of its own.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/db/entities.hpp"
#include "host/db/objects.hpp"
#include "host/ed/editor.hpp"
#include "host/ui/dialog.hpp"
#include "points/storage.hpp"
#include "support/lisp_session.hpp"
#include "tools/description_bloc.hpp"
#include "tools/legendes.hpp"

using namespace host::ui;
namespace gp = geltaro::points;

namespace {

constexpr double kEps = 1e-9;

bool contient(const std::string& texte, const std::string& morceau) { return texte.find(morceau) != std::string::npos; }

const std::string kPrompt = "Position des la table des l\xC3\xA9gendes";

// What the legend drew, as read back from the drawing.
struct Symbole {
  std::string bloc;
  ZcGePoint3d bas, haut;  // extents of the reference
  double echelle;
  std::string calque;
  int couleur;
};
struct Texte {
  std::wstring s;
  ZcGePoint3d position;
  double hauteur, rotation, largeur;
  std::string calque;
  bool gauche;
};
struct Trait {
  ZcGePoint3d a, b;
  std::string calque;
  std::wstring typeDeLigne;
  int couleur;
};
struct Legende {
  std::vector<Symbole> symboles;
  std::vector<Texte> textes;
  std::vector<Trait> traits;
  std::vector<ZcDbObjectId> ids;
};

Legende lire(const std::vector<ZcDbObjectId>& ids) {
  Legende l;
  l.ids = ids;
  for (const ZcDbObjectId& id : ids) {
    ZcDbObjectPointer<ZcDbEntity> e(id, ZcDb::kForRead);
    if (auto* r = ZcDbBlockReference::cast(e.object())) {
      ZcDbExtents ext;
      EXPECT_EQ(r->getGeomExtents(ext), Zcad::eOk);
      EXPECT_EQ(r->scaleFactors().sx, r->scaleFactors().sy);
      l.symboles.push_back({r->blockName(), ext.minPoint(), ext.maxPoint(), r->scaleFactors().sx, r->layerName(),
                            r->colorIndex()});
    } else if (auto* t = ZcDbText::cast(e.object())) {
      l.textes.push_back({t->textString(), t->position(), t->height(), t->rotation(), t->widthFactor(),
                          t->layerName(), t->isDefaultAlignment()});
    } else if (auto* ln = ZcDbLine::cast(e.object())) {
      l.traits.push_back({ln->startPoint(), ln->endPoint(), ln->layerName(), ln->linetype(), ln->colorIndex()});
    } else {
      ADD_FAILURE() << "unexpected entity " << e->dxfName();
    }
  }
  return l;
}

std::vector<std::string> nomsDesCalques(ZcDbDatabase& db) {
  std::vector<std::string> noms;
  ZcDbObjectPointer<ZcDbLayerTable> table(db.layerTableId(), ZcDb::kForRead);
  for (const ZcDbObjectId& id : table->recordIds()) {
    ZcDbObjectPointer<ZcDbLayerTableRecord> c(id, ZcDb::kForRead);
    noms.push_back(c->name());
  }
  return noms;
}

// A drawing with the blocks a legend meets:
//  - RECT, a 4 x 2 rectangle from (1, 3), base point (1, 0), used twice in
//    model space, described (comments and both records);
//  - ROND, a circle of radius 1, used only inside COMPOSE, described on its
//    definition only;
//  - COMPOSE, ROND and a line up to (3, 0): 4 x 2, used once, described on
//    its first entity only;
//  - VIDE, without entities, used once;
//  - POINT, a single point: measures 0 x 0, never used;
//  - an anonymous block "*U1".
// Plus a text, a multiline text and a line, two layers and a current layer
// of its own.
class Legendes : public geltaro::testing::SessionLispModule {
 protected:
  void SetUp() override {
    SessionLispModule::SetUp();
    db_.setView(ZcGePoint2d(0, 0), 100);
    bordure_ = calque(L"BORDURE", 3);
    calque(L"RESEAU", 5);
    courant_ = calque(L"LEGENDE", 2);
    db_.setClayer(courant_);

    rect_ = bloc(L"RECT", ZcGePoint3d(1, 0, 0), [](ZcDbBlockTableRecord& b) {
      auto p = std::make_unique<ZcDbPolyline>();
      p->addVertexAt(0, ZcGePoint2d(1, 3));
      p->addVertexAt(1, ZcGePoint2d(5, 3));
      p->addVertexAt(2, ZcGePoint2d(5, 5));
      p->addVertexAt(3, ZcGePoint2d(1, 5));
      p->setClosed(true);
      b.appendZcDbEntity(p.get());
    });
    rond_ = bloc(L"ROND", {}, [](ZcDbBlockTableRecord& b) {
      b.appendZcDbEntity(std::make_unique<ZcDbCircle>(ZcGePoint3d(0, 0, 0), 1.0).get());
    });
    compose_ = bloc(L"COMPOSE", {}, [this](ZcDbBlockTableRecord& b) {
      b.appendZcDbEntity(std::make_unique<ZcDbBlockReference>(ZcGePoint3d(0, 0, 0), rond_).get());
      b.appendZcDbEntity(std::make_unique<ZcDbLine>(ZcGePoint3d(0, 0, 0), ZcGePoint3d(3, 0, 0)).get());
    });
    vide_ = bloc(L"VIDE", {}, [](ZcDbBlockTableRecord&) {});
    point_ = bloc(L"POINT", {}, [](ZcDbBlockTableRecord& b) {
      b.appendZcDbEntity(std::make_unique<ZcDbPoint>(ZcGePoint3d(2, 2, 0)).get());
    });
    bloc(L"*U", {}, [](ZcDbBlockTableRecord& b) {
      b.appendZcDbEntity(std::make_unique<ZcDbLine>(ZcGePoint3d(0, 0, 0), ZcGePoint3d(1, 1, 0)).get());
    });

    refRect_ = dansObjet(std::make_unique<ZcDbBlockReference>(ZcGePoint3d(100, 100, 0), rect_).get());
    dansObjet(std::make_unique<ZcDbBlockReference>(ZcGePoint3d(120, 100, 0), rect_).get());
    refCompose_ = dansObjet(std::make_unique<ZcDbBlockReference>(ZcGePoint3d(140, 100, 0), compose_).get());
    refVide_ = dansObjet(std::make_unique<ZcDbBlockReference>(ZcGePoint3d(160, 100, 0), vide_).get());
    texte_ = dansObjet(std::make_unique<ZcDbText>(ZcGePoint3d(100, 150, 0), L"Regard d'eaux pluviales",
                                                  ZcDbObjectId(), 1.0, 0.0)
                           .get());
    auto m = std::make_unique<ZcDbMText>();
    m->setLocation(ZcGePoint3d(100, 170, 0));
    m->setContents(L"Chambre\\Pt\u00e9l\u00e9com");
    m->setTextHeight(1.0);
    mtexte_ = dansObjet(m.get());
    ligne_ = dansObjet(std::make_unique<ZcDbLine>(ZcGePoint3d(100, 190, 0), ZcGePoint3d(110, 190, 0)).get());

    EXPECT_EQ(gp::ecrireDescriptionBloc(rect_, L"Regard"), Zcad::eOk);
    ZcDbObjectId premiere;
    {
      ZcDbObjectPointer<ZcDbBlockTableRecord> b(compose_, ZcDb::kForRead);
      premiere = b->entityIds().front();
    }
    EXPECT_EQ(gp::stockerChaine(premiere, gp::kCleDescriptionBloc, enregistrement(L"Poteau")), Zcad::eOk);
    EXPECT_EQ(gp::stockerChaine(rond_, gp::kCleDescriptionBloc, enregistrement(L"Borne")), Zcad::eOk);
  }

  static ResbufChain enregistrement(const std::wstring& s) {
    return {resbuf::longInt(90, gp::kSignatureDescriptionBloc), resbuf::string(300, s)};
  }

  ZcDbObjectId calque(const std::wstring& nom, int couleur) {
    ZcDbObjectPointer<ZcDbLayerTable> table(db_.layerTableId(), ZcDb::kForWrite);
    auto rec = std::make_unique<ZcDbLayerTableRecord>();
    rec->setName(nom);
    rec->setColorIndex(couleur);
    ZcDbObjectId id;
    EXPECT_EQ(table->add(id, rec.get()), Zcad::eOk);
    return id;
  }

  ZcDbObjectId bloc(const std::wstring& nom, const ZcGePoint3d& origine,
                    const std::function<void(ZcDbBlockTableRecord&)>& remplir) {
    ZcDbObjectPointer<ZcDbBlockTable> table(db_.blockTableId(), ZcDb::kForWrite);
    auto rec = std::make_unique<ZcDbBlockTableRecord>();
    rec->setName(nom);
    ZcDbObjectId id;
    EXPECT_EQ(table->add(id, rec.get()), Zcad::eOk);
    rec->setOrigin(origine);
    remplir(*rec);
    return id;
  }

  ZcDbObjectId dansObjet(ZcDbEntity* e) {
    ZcDbObjectPointer<ZcDbBlockTableRecord> espace(db_.modelSpaceId(), ZcDb::kForWrite);
    ZcDbObjectId id;
    EXPECT_EQ(espace->appendZcDbEntity(id, e), Zcad::eOk);
    return id;
  }

  std::vector<ZcDbObjectId> espaceObjet() {
    ZcDbObjectPointer<ZcDbBlockTableRecord> espace(db_.modelSpaceId(), ZcDb::kForRead);
    return espace->entityIds();
  }

  // The entities of model space added since `avant`.
  std::vector<ZcDbObjectId> ajoutees(const std::vector<ZcDbObjectId>& avant) {
    std::vector<ZcDbObjectId> tout = espaceObjet();
    return std::vector<ZcDbObjectId>(tout.begin() + long(avant.size()), tout.end());
  }

  std::size_t nbGroupes() {
    ZcDbObjectPointer<ZcDbDictionary> groupes(db_.groupDictionaryId(), ZcDb::kForRead);
    return groupes->numEntries();
  }

  static std::string poignee(ZcDbObjectId id) { return "#" + id.handle().toString(); }

  ZcDbObjectId bordure_, courant_;
  ZcDbObjectId rect_, rond_, compose_, vide_, point_;
  ZcDbObjectId refRect_, refCompose_, refVide_, texte_, mtexte_, ligne_;
};

// ------------------------------------------------------------ the blocks

TEST_F(Legendes, BlocksOfTheDrawingWithUsesSizesAndDescriptions) {
  const std::vector<infoBlocks> blocs = blocsDuDessin(&db_);
  struct Attendu {
    std::wstring nom;
    int32_t references;
    double x, y;
    std::wstring description;
  };
  // VIDE (no entities) and "*U1" (anonymous) are left out.
  const std::vector<Attendu> attendus = {
      {L"RECT", 2, 4, 2, L"Regard"},
      {L"ROND", 0, 2, 2, L"Borne"},
      {L"COMPOSE", 1, 4, 2, L"Poteau"},
      {L"POINT", 0, 0, 0, L"POINT"},
  };
  ASSERT_EQ(blocs.size(), attendus.size());
  for (std::size_t i = 0; i < blocs.size(); ++i) {
    SCOPED_TRACE(host::toUtf8(attendus[i].nom));
    EXPECT_EQ(blocs[i].nom, attendus[i].nom);
    EXPECT_EQ(blocs[i].nbReferences, attendus[i].references);
    EXPECT_NEAR(blocs[i].tailleX, attendus[i].x, kEps);
    EXPECT_NEAR(blocs[i].tailleY, attendus[i].y, kEps);
    EXPECT_EQ(descriptionAffichee(blocs[i].idBloc, blocs[i].nom), attendus[i].description);
  }
  EXPECT_TRUE(blocsDuDessin(nullptr).empty());
}

TEST_F(Legendes, ExternalReferencesAreNoSymbols) {
  const std::string chemin = (std::filesystem::temp_directory_path() / "geltaro-legende-xref.dxf").string();
  {
    std::ofstream f(chemin);
    auto block = [&](const char* nom, int flags, const char* fichier) {
      f << "0\nBLOCK\n8\n0\n2\n" << nom << "\n70\n" << flags << "\n10\n0.0\n20\n0.0\n30\n0.0\n3\n" << nom
        << "\n1\n" << fichier << "\n0\nCIRCLE\n8\n0\n10\n0.0\n20\n0.0\n30\n0.0\n40\n1.0\n0\nENDBLK\n8\n0\n";
    };
    f << "0\nSECTION\n2\nBLOCKS\n";
    block("BORNE", 0, "");
    block("PLAN", 4, "plan.dwg");
    block("PLAN|BORNE", 16 | 32, "");
    f << "0\nENDSEC\n0\nEOF\n";
  }
  ZcDbDatabase db(false);
  ASSERT_EQ(db.readDwgFile(chemin), Zcad::eOk) << db.lastError();
  const std::vector<infoBlocks> blocs = blocsDuDessin(&db);
  ASSERT_EQ(blocs.size(), 1u);
  EXPECT_EQ(blocs[0].nom, L"BORNE");
}

// ------------------------------------------------------------ the layout

struct Reglages {
  double textes, interligne, blocs, trait;
  bool layers, grouper;
};
parametresLegende reglages(const Reglages& r) {
  parametresLegende p;
  p.tailleTextes = r.textes;
  p.interligne = r.interligne;
  p.tailleBlocs = r.blocs;
  p.longueurTrait = r.trait;
  p.legendeLayers = r.layers;
  p.grouper = r.grouper;
  return p;
}

TEST_F(Legendes, ABlockIsBroughtToTheBlockSizeWithItsCornerAtThePosition) {
  const auto avant = espaceObjet();
  const legendeDessinee d =
      dessinerLegende(&db_, {{rect_, L"Regard"}}, reglages({1, 1, 1, 2.5, false, false}), ZcGePoint3d(10, 20, 0));
  EXPECT_TRUE(d.groupe.isNull());
  EXPECT_EQ(d.entites, ajoutees(avant));
  const Legende l = lire(d.entites);
  ASSERT_EQ(l.symboles.size(), 1u);
  const Symbole& s = l.symboles[0];
  // 4 x 2 drawn 1 x 0.5, the lower-left corner at the position.
  EXPECT_EQ(s.bloc, "RECT");
  EXPECT_NEAR(s.echelle, 0.25, kEps);
  EXPECT_NEAR(s.bas.x, 10, kEps);
  EXPECT_NEAR(s.bas.y, 20, kEps);
  EXPECT_NEAR(s.haut.x, 11, kEps);
  EXPECT_NEAR(s.haut.y, 20.5, kEps);
  EXPECT_EQ(s.calque, "LEGENDE");
  EXPECT_EQ(s.couleur, 256);
  // The text starts 2.5 x the block size to the right, on the same line.
  ASSERT_EQ(l.textes.size(), 1u);
  const Texte& t = l.textes[0];
  EXPECT_EQ(t.s, L"Regard");
  EXPECT_NEAR(t.position.x, 12.5, kEps);
  EXPECT_NEAR(t.position.y, 20, kEps);
  EXPECT_EQ(t.hauteur, 1.0);
  EXPECT_EQ(t.rotation, 0.0);
  EXPECT_EQ(t.largeur, 1.0);
  EXPECT_TRUE(t.gauche);
  EXPECT_EQ(t.calque, "LEGENDE");
  EXPECT_TRUE(l.traits.empty());
}

TEST_F(Legendes, LinesFollowEachOtherByTheLargerOfTheirHeightAndTheLineDistance) {
  struct Cas {
    const char* pourquoi;
    Reglages r;
    double pas;
  } cas[] = {
      {"text 1, blocks 1, distance 1: 1.2 x the larger size", {1, 1, 1, 2.5, false, false}, 1.2},
      {"distance 3 wins", {1, 3, 1, 2.5, false, false}, 3.0},
      {"blocks 2: 1.2 x 2", {0.5, 1, 2, 2.5, false, false}, 2.4},
      {"distance 0", {0.5, 0, 0.25, 2.5, false, false}, 0.6},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.pourquoi);
    const parametresLegende p = reglages(c.r);
    EXPECT_NEAR(p.pas(), c.pas, kEps);
    const legendeDessinee d =
        dessinerLegende(&db_, {{rect_, L"Regard"}, {compose_, L"Poteau"}, {rond_, L"Borne"}}, p, ZcGePoint3d(0, 0, 0));
    const Legende l = lire(d.entites);
    ASSERT_EQ(l.symboles.size(), 3u);
    ASSERT_EQ(l.textes.size(), 3u);
    for (int i = 0; i < 3; ++i) {
      EXPECT_NEAR(l.symboles[i].bas.x, 0, kEps);
      EXPECT_NEAR(l.symboles[i].bas.y, -i * c.pas, kEps);
      EXPECT_NEAR(std::max(l.symboles[i].haut.x - l.symboles[i].bas.x, l.symboles[i].haut.y - l.symboles[i].bas.y),
                  c.r.blocs, kEps);
      EXPECT_NEAR(l.textes[i].position.x, 2.5 * c.r.blocs, kEps);
      EXPECT_NEAR(l.textes[i].position.y, -i * c.pas, kEps);
      EXPECT_EQ(l.textes[i].hauteur, c.r.textes);
    }
    EXPECT_EQ(l.symboles[2].bloc, "ROND");
  }
}

TEST_F(Legendes, LayerLegendDrawsALineAndTheNameOfEveryLayer) {
  struct Cas {
    const char* pourquoi;
    Reglages r;
    double longueur, xNom;
  } cas[] = {
      {"text 1, line 2.5: 5 x the text size wins", {1, 1, 1, 2.5, true, false}, 5, 8},
      {"text 0.5, line 3: the line length wins", {0.5, 1, 1, 3, true, false}, 3, 4.5},
  };
  const std::vector<std::string> calques = nomsDesCalques(db_);
  ASSERT_EQ(calques.size(), 4u);
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.pourquoi);
    const parametresLegende p = reglages(c.r);
    const Legende l = lire(dessinerLegende(&db_, {{rect_, L"Regard"}}, p, ZcGePoint3d(10, 20, 0)).entites);
    ASSERT_EQ(l.traits.size(), calques.size());
    ASSERT_EQ(l.textes.size(), calques.size() + 1);
    for (std::size_t i = 0; i < calques.size(); ++i) {
      SCOPED_TRACE(calques[i]);
      // After the one symbol line, in layer table order.
      const double y = 20 - double(i + 1) * p.pas();
      const Trait& t = l.traits[i];
      EXPECT_NEAR(t.a.x, 10, kEps);
      EXPECT_NEAR(t.a.y, y, kEps);
      EXPECT_NEAR(t.b.x, 10 + c.longueur, kEps);
      EXPECT_NEAR(t.b.y, y, kEps);
      EXPECT_EQ(t.calque, calques[i]);
      EXPECT_EQ(t.couleur, 256);
      EXPECT_EQ(t.typeDeLigne, L"BYLAYER");
      const Texte& n = l.textes[i + 1];
      EXPECT_EQ(host::toUtf8(n.s), calques[i]);
      EXPECT_NEAR(n.position.x, 10 + c.xNom, kEps);
      EXPECT_NEAR(n.position.y, y, kEps);
      EXPECT_EQ(n.hauteur, c.r.textes);
      EXPECT_EQ(n.calque, calques[i]);
    }
  }
}

TEST_F(Legendes, GroupedLegendIsOneAnonymousGroupOfEverythingDrawn) {
  const legendeDessinee d = dessinerLegende(&db_, {{rect_, L"Regard"}, {compose_, L"Poteau"}},
                                            reglages({1, 1, 1, 2.5, true, true}), ZcGePoint3d(0, 0, 0));
  ASSERT_FALSE(d.groupe.isNull());
  EXPECT_EQ(d.entites.size(), 4u + 2 * nomsDesCalques(db_).size());
  ZcDbObjectPointer<ZcDbGroup> g(d.groupe, ZcDb::kForRead);
  EXPECT_TRUE(g->isAnonymous());
  EXPECT_EQ(g->allEntityIds(), d.entites);
  EXPECT_EQ(nbGroupes(), 1u);
}

TEST_F(Legendes, WhatCannotBeDrawnIsNot) {
  const auto avant = espaceObjet();
  struct Cas {
    const char* pourquoi;
    std::vector<ligneLegende> lignes;
    Reglages r;
    std::size_t entites;
  } cas[] = {
      {"nothing ticked, no layer legend", {}, {1, 1, 1, 2.5, false, true}, 0},
      {"a block measuring 0 is skipped", {{point_, L"Point"}}, {1, 1, 1, 2.5, false, true}, 0},
      {"a block without entities is skipped", {{vide_, L"Vide"}, {rect_, L"Regard"}}, {1, 1, 1, 2.5, false, false}, 2},
      {"no block", {{ZcDbObjectId(), L"?"}}, {1, 1, 1, 2.5, false, false}, 0},
      {"block size 0", {{rect_, L"Regard"}}, {1, 1, 0, 2.5, false, false}, 0},
      {"block size negative", {{rect_, L"Regard"}}, {1, 1, -1, 2.5, false, false}, 0},
      {"text size 0", {{rect_, L"Regard"}}, {0, 1, 1, 2.5, false, false}, 0},
      {"line distance negative", {{rect_, L"Regard"}}, {1, -1, 1, 2.5, false, false}, 0},
      {"line length 0 with the layer legend", {{rect_, L"Regard"}}, {1, 1, 1, 0, true, false}, 0},
      {"line length 0 without it", {{rect_, L"Regard"}}, {1, 1, 1, 0, false, false}, 2},
      {"sizes beyond 1e6", {{rect_, L"Regard"}}, {1, 1, 1e300, 2.5, false, false}, 0},
  };
  std::size_t total = 0;
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.pourquoi);
    const legendeDessinee d = dessinerLegende(&db_, c.lignes, reglages(c.r), ZcGePoint3d(0, 0, 0));
    EXPECT_EQ(d.entites.size(), c.entites);
    EXPECT_TRUE(d.groupe.isNull());
    total += c.entites;
  }
  EXPECT_EQ(ajoutees(avant).size(), total);
  EXPECT_TRUE(dessinerLegende(nullptr, {{rect_, L"Regard"}}, parametresLegende(), ZcGePoint3d()).entites.empty());
  EXPECT_EQ(nbGroupes(), 0u);
}

// ------------------------------------------------------------ the dialog

TEST_F(Legendes, DialogListsTheBlocksUntickedWithTheDefaultSettings) {
  CTableLegendes dlg(&db_);
  dlg.init();
  EXPECT_EQ(dlg.title(), "Table des l\xC3\xA9gendes");
  const auto& liste = dlg.get<ListView>(IDC_LEGENDE_LISTE);
  EXPECT_TRUE(liste.checkBoxes());
  std::vector<std::string> entetes;
  std::vector<int> largeurs;
  std::vector<Align> alignements;
  for (const auto& c : liste.columns()) {
    entetes.push_back(c.header);
    largeurs.push_back(c.width);
    alignements.push_back(c.align);
  }
  EXPECT_EQ(entetes, (std::vector<std::string>{"Block", "Description", "Occur", "Taille X", "Taille Y"}));
  EXPECT_EQ(largeurs, (std::vector<int>{15, 40, 10, 15, 15}));
  EXPECT_EQ(alignements, (std::vector<Align>{Align::Left, Align::Left, Align::Right, Align::Right, Align::Right}));
  ASSERT_EQ(liste.rowCount(), 4);
  EXPECT_EQ(liste.row(0).cells, (std::vector<std::string>{"RECT", "Regard", "2", "4.00", "2.00"}));
  EXPECT_EQ(liste.row(1).cells, (std::vector<std::string>{"ROND", "Borne", "0", "2.00", "2.00"}));
  EXPECT_EQ(liste.row(2).cells, (std::vector<std::string>{"COMPOSE", "Poteau", "1", "4.00", "2.00"}));
  EXPECT_EQ(liste.row(3).cells, (std::vector<std::string>{"POINT", "POINT", "0", "0.00", "0.00"}));
  EXPECT_TRUE(liste.checkedRows().empty());

  EXPECT_EQ(dlg.get<Edit>(IDC_LEGENDE_TAILLE_TEXTES).number(), 1.0);
  EXPECT_EQ(dlg.get<Edit>(IDC_LEGENDE_INTERLIGNE).number(), 1.0);
  EXPECT_EQ(dlg.get<Edit>(IDC_LEGENDE_TAILLE_BLOCS).number(), 1.0);
  EXPECT_EQ(dlg.get<Edit>(IDC_LEGENDE_LONGUEUR_TRAIT).number(), 2.5);
  EXPECT_FALSE(dlg.get<CheckBox>(IDC_LEGENDE_LAYERS).checked());
  EXPECT_FALSE(dlg.get<CheckBox>(IDC_LEGENDE_GROUPER).checked());
  // The line's length shows only with the layer legend.
  EXPECT_FALSE(dlg.get<Edit>(IDC_LEGENDE_LONGUEUR_TRAIT).visible());
  EXPECT_NE(dlg.userSetText(IDC_LEGENDE_LONGUEUR_TRAIT, "3"), "");
  EXPECT_EQ(dlg.userCheck(IDC_LEGENDE_LAYERS, true), "");
  EXPECT_TRUE(dlg.get<Edit>(IDC_LEGENDE_LONGUEUR_TRAIT).visible());
  EXPECT_EQ(dlg.userSetText(IDC_LEGENDE_LONGUEUR_TRAIT, "3"), "");
  EXPECT_EQ(dlg.userCheck(IDC_LEGENDE_LAYERS, false), "");
  EXPECT_FALSE(dlg.get<Edit>(IDC_LEGENDE_LONGUEUR_TRAIT).visible());
}

TEST_F(Legendes, ButtonsTickAllNoneTheOthersOrTheBlocksUsedInModelSpace) {
  CTableLegendes dlg(&db_);
  dlg.init();
  const auto& liste = dlg.get<ListView>(IDC_LEGENDE_LISTE);
  struct Cas {
    int bouton;
    std::vector<int> coches;
  } cas[] = {
      {IDC_LEGENDE_TOUS, {0, 1, 2, 3}},
      {IDC_LEGENDE_AUCUN, {}},
      // ROND is only used inside COMPOSE, POINT nowhere: they stay unticked.
      {IDC_LEGENDE_UTILISES, {0, 2}},
      {IDC_LEGENDE_INVERSER, {1, 3}},
      {IDC_LEGENDE_UTILISES, {0, 2}},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.bouton);
    EXPECT_EQ(dlg.userPress(c.bouton), "");
    EXPECT_EQ(liste.checkedRows(), c.coches);
  }
  // Sorted by name, the ticks and the order of the legend follow the rows.
  EXPECT_EQ(dlg.userCheckRow(IDC_LEGENDE_LISTE, 3, true), "");
  EXPECT_EQ(dlg.userHeaderClick(IDC_LEGENDE_LISTE, 0), "");
  EXPECT_EQ(liste.row(0).cells[0], "COMPOSE");
  EXPECT_EQ(dlg.userOk(), "");
  const std::vector<ligneLegende> lignes = dlg.lignesCochees();
  ASSERT_EQ(lignes.size(), 3u);
  EXPECT_EQ(lignes[0].bloc, compose_);
  EXPECT_EQ(lignes[0].description, L"Poteau");
  EXPECT_EQ(lignes[1].bloc, point_);
  EXPECT_EQ(lignes[1].description, L"POINT");
  EXPECT_EQ(lignes[2].bloc, rect_);
}

TEST_F(Legendes, OkRefusesSizesThatAreNotPositive) {
  struct Cas {
    const char* pourquoi;
    int champ;
    std::string valeur;
    bool layers;
    std::string message;  // empty: accepted
  } cas[] = {
      {"text size 0", IDC_LEGENDE_TAILLE_TEXTES, "0", false, "La taille des textes doit"},
      {"text size negative", IDC_LEGENDE_TAILLE_TEXTES, "-1", false, "La taille des textes doit"},
      {"text size not a number", IDC_LEGENDE_TAILLE_TEXTES, "grand", false, "La taille des textes doit"},
      {"block size 0", IDC_LEGENDE_TAILLE_BLOCS, "0", false, "La taille des blocs doit"},
      {"block size empty", IDC_LEGENDE_TAILLE_BLOCS, "", false, "La taille des blocs doit"},
      {"block size beyond 1e6", IDC_LEGENDE_TAILLE_BLOCS, "1e300", false, "La taille des blocs doit"},
      {"line distance negative", IDC_LEGENDE_INTERLIGNE, "-0.5", false, "La distance entre lignes doit"},
      {"line length 0 with the layer legend", IDC_LEGENDE_LONGUEUR_TRAIT, "0", true, "La longueur du trait doit"},
      {"line distance 0", IDC_LEGENDE_INTERLIGNE, "0", false, ""},
      {"a comma as decimal mark", IDC_LEGENDE_TAILLE_BLOCS, "0,5", false, ""},
      {"line length 0 without the layer legend", IDC_LEGENDE_LONGUEUR_TRAIT, "0", false, ""},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.pourquoi);
    repondre("");
    CTableLegendes dlg(&db_);
    dlg.init();
    dlg.userCheck(IDC_LEGENDE_LAYERS, true);
    EXPECT_EQ(dlg.userSetText(c.champ, c.valeur), "");
    dlg.userCheck(IDC_LEGENDE_LAYERS, c.layers);
    sortie();
    dlg.userOk();
    const std::string vu = sortie();
    if (c.message.empty()) {
      EXPECT_TRUE(dlg.ended());
      EXPECT_EQ(vu, "");
    } else {
      EXPECT_FALSE(dlg.ended());
      EXPECT_TRUE(contient(vu, "[erreur] (attention) " + c.message)) << vu;
      EXPECT_EQ(dlg.focus(), c.champ);
    }
  }
}

// ------------------------------------------------------------ c:tablegendes

TEST_F(Legendes, TablegendesDrawsTheUsedBlocksAndTheLayersGrouped) {
  const auto avant = espaceObjet();
  repondre("press 390\nset 385 0.5\ncheck 381 on\nset 386 3\ncheck 380 on\nok\n10,20\n");
  const host::lisp::LineResult r = lisp("(c:tablegendes)");
  EXPECT_EQ(resteDesReponses(), "");
  const std::string vu = sortie();
  EXPECT_TRUE(contient(vu, kPrompt)) << vu;
  EXPECT_EQ(r.printed, "");

  const Legende l = lire(ajoutees(avant));
  // RECT and COMPOSE, used in model space; 0.5 high texts, lines 1.2 apart.
  ASSERT_EQ(l.symboles.size(), 2u);
  EXPECT_EQ(l.symboles[0].bloc, "RECT");
  EXPECT_EQ(l.symboles[1].bloc, "COMPOSE");
  for (int i = 0; i < 2; ++i) {
    EXPECT_NEAR(l.symboles[i].bas.x, 10, kEps);
    EXPECT_NEAR(l.symboles[i].bas.y, 20 - 1.2 * i, kEps);
    EXPECT_NEAR(l.symboles[i].haut.x, 11, kEps);
    EXPECT_NEAR(l.symboles[i].haut.y, 20.5 - 1.2 * i, kEps);
  }
  const std::vector<std::string> calques = nomsDesCalques(db_);
  ASSERT_EQ(l.textes.size(), 2 + calques.size());
  EXPECT_EQ(l.textes[0].s, L"Regard");
  EXPECT_EQ(l.textes[1].s, L"Poteau");
  EXPECT_NEAR(l.textes[1].position.x, 12.5, kEps);
  EXPECT_EQ(l.textes[1].hauteur, 0.5);
  ASSERT_EQ(l.traits.size(), calques.size());
  for (std::size_t i = 0; i < calques.size(); ++i) {
    EXPECT_NEAR(l.traits[i].a.y, 20 - 1.2 * double(i + 2), kEps);
    EXPECT_NEAR(l.traits[i].b.x - l.traits[i].a.x, 3, kEps);
    EXPECT_NEAR(l.textes[i + 2].position.x, 14.5, kEps);
  }
  ASSERT_EQ(nbGroupes(), 1u);
  ZcDbObjectPointer<ZcDbDictionary> groupes(db_.groupDictionaryId(), ZcDb::kForRead);
  ZcDbObjectPointer<ZcDbGroup> g(groupes->entries().front().second, ZcDb::kForRead);
  EXPECT_EQ(g->allEntityIds(), l.ids);
}

TEST_F(Legendes, TablegendesWithoutPointOrTicksOrWithRefusedSizesDrawsNothing) {
  struct Cas {
    const char* pourquoi;
    std::string script;
    bool demandeLePoint;
  } cas[] = {
      {"cancelled", "press 387\ncancel\n", false},
      {"Escape in the dialog", "press 387\n", false},
      {"Escape at the point", "press 387\nok\n^C\n", true},
      {"Enter at the point", "press 387\nok\n\n", true},
      {"nothing ticked, no layer legend", "ok\n0,0\n", true},
      {"blocks of size 0 refused, then cancelled", "press 387\nset 384 0\nok\ncancel\n", false},
  };
  const auto avant = espaceObjet();
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.pourquoi);
    repondre(c.script);
    lisp("(c:tablegendes)");
    EXPECT_EQ(contient(sortie(), kPrompt), c.demandeLePoint);
    EXPECT_EQ(resteDesReponses(), "");
  }
  EXPECT_TRUE(ajoutees(avant).empty());
  EXPECT_EQ(nbGroupes(), 0u);
}

// ------------------------------------------------------------ block descriptions

TEST_F(Legendes, DescriptionDialogStartsWithoutBlock) {
  CDlgCommentaireBlock dlg;
  dlg.init();
  EXPECT_EQ(dlg.title(), "Infos block");
  for (int id : {IDC_INFOBLOC_NOM, IDC_INFOBLOC_TAILLE_X, IDC_INFOBLOC_TAILLE_Y, IDC_INFOBLOC_DESCRIPTION})
    EXPECT_FALSE(dlg.find(id)->enabled()) << id;
  EXPECT_TRUE(dlg.find(IDC_INFOBLOC_CHOISIR)->enabled());
  EXPECT_NE(dlg.userSetText(IDC_INFOBLOC_DESCRIPTION, "Regard"), "");
  EXPECT_EQ(dlg.userPress(IDC_INFOBLOC_MODIFIER), "");
  EXPECT_TRUE(dlg.bloc().isNull());
  EXPECT_FALSE(dlg.findByCaption("Fermer").empty());
}

TEST_F(Legendes, ChoisirShowsTheBlockAndProposesThePickedText) {
  CDlgCommentaireBlock dlg;
  dlg.init();
  // A line and an empty place are asked again; then the reference of RECT
  // and the text.
  repondre(poignee(ligne_) + "\n500,500\n\n" + poignee(refRect_) + "\n" + poignee(texte_) + "\n");
  EXPECT_EQ(dlg.userPress(IDC_INFOBLOC_CHOISIR), "");
  EXPECT_EQ(resteDesReponses(), "");
  const std::string vu = sortie();
  std::size_t n = 0;
  for (std::size_t i = vu.find("Selectionnez un block"); i != std::string::npos;
       i = vu.find("Selectionnez un block", i + 1))
    ++n;
  EXPECT_EQ(n, 4u) << vu;
  EXPECT_TRUE(contient(vu, "Commentaire:"));
  EXPECT_EQ(dlg.bloc(), rect_);
  for (int id : {IDC_INFOBLOC_NOM, IDC_INFOBLOC_TAILLE_X, IDC_INFOBLOC_TAILLE_Y, IDC_INFOBLOC_DESCRIPTION})
    EXPECT_TRUE(dlg.find(id)->enabled()) << id;
  EXPECT_EQ(dlg.get<Edit>(IDC_INFOBLOC_NOM).text(), "RECT");
  EXPECT_EQ(dlg.get<Edit>(IDC_INFOBLOC_TAILLE_X).text(), "4.000000");
  EXPECT_EQ(dlg.get<Edit>(IDC_INFOBLOC_TAILLE_Y).text(), "2.000000");
  const auto& description = dlg.get<ComboBox>(IDC_INFOBLOC_DESCRIPTION);
  // The three texts are the same: one item.
  ASSERT_EQ(description.count(), 1);
  EXPECT_EQ(description.item(0).text, "Regard");
  EXPECT_EQ(description.text(), "Regard d'eaux pluviales");
  // Nothing is written before "Modifier".
  gp::descriptionBloc d;
  ASSERT_EQ(gp::lireDescriptionBloc(rect_, d), 1);
  EXPECT_EQ(d.commentaires, L"Regard");
}

TEST_F(Legendes, TheListHoldsEachDescriptionOnceElseTheBlockName) {
  struct Cas {
    const char* pourquoi;
    ZcDbObjectId reference;
    std::vector<std::string> items;
    std::string champ;
  };
  // COMPOSE: on its first entity only; the field shows the (empty) comments.
  // VIDE: nothing at all.
  ZcDbObjectId premiere;
  {
    ZcDbObjectPointer<ZcDbBlockTableRecord> b(compose_, ZcDb::kForWrite);
    b->setComments(L"Poteau b\u00e9ton");
    premiere = b->entityIds().front();
  }
  ASSERT_EQ(gp::stockerChaine(compose_, gp::kCleDescriptionBloc, enregistrement(L"Poteau")), Zcad::eOk);
  const Cas cas[] = {
      {"comments, then the first entity's, repeats left out", refCompose_, {"Poteau b\xC3\xA9ton", "Poteau"},
       "Poteau b\xC3\xA9ton"},
      {"nothing", refVide_, {"Block VIDE"}, ""},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.pourquoi);
    CDlgCommentaireBlock dlg;
    dlg.init();
    repondre(poignee(c.reference) + "\n\n");
    dlg.userPress(IDC_INFOBLOC_CHOISIR);
    const auto& description = dlg.get<ComboBox>(IDC_INFOBLOC_DESCRIPTION);
    std::vector<std::string> items;
    for (const auto& item : description.items()) items.push_back(item.text);
    EXPECT_EQ(items, c.items);
    EXPECT_EQ(description.text(), c.champ);
  }
}

TEST_F(Legendes, ModifierWritesTheCommentsAndBothRecords) {
  CDlgCommentaireBlock dlg;
  dlg.init();
  // Picked by a point on its edge, the comment from the multiline text.
  repondre("140,100\n" + poignee(mtexte_) + "\n");
  dlg.userPress(IDC_INFOBLOC_CHOISIR);
  EXPECT_EQ(dlg.bloc(), compose_);
  const auto& description = dlg.get<ComboBox>(IDC_INFOBLOC_DESCRIPTION);
  // Its paragraphs on one line.
  EXPECT_EQ(description.text(), "Chambre t\xC3\xA9l\xC3\xA9" "com");
  EXPECT_EQ(dlg.userPress(IDC_INFOBLOC_MODIFIER), "");
  gp::descriptionBloc d;
  ASSERT_EQ(gp::lireDescriptionBloc(compose_, d), 1);
  EXPECT_EQ(d.commentaires, L"Chambre t\u00e9l\u00e9com");
  EXPECT_EQ(d.surEntite, L"Chambre t\u00e9l\u00e9com");
  EXPECT_EQ(d.surDefinition, L"Chambre t\u00e9l\u00e9com");
  ASSERT_EQ(description.count(), 1);
  EXPECT_EQ(description.item(0).text, "Chambre t\xC3\xA9l\xC3\xA9" "com");

  // Typed, then written; an empty field writes nothing.
  EXPECT_EQ(dlg.userSetText(IDC_INFOBLOC_DESCRIPTION, "Chambre France T\xC3\xA9l\xC3\xA9" "com"), "");
  dlg.userPress(IDC_INFOBLOC_MODIFIER);
  EXPECT_EQ(dlg.userSetText(IDC_INFOBLOC_DESCRIPTION, ""), "");
  dlg.userPress(IDC_INFOBLOC_MODIFIER);
  ASSERT_EQ(gp::lireDescriptionBloc(compose_, d), 1);
  EXPECT_EQ(d.commentaires, L"Chambre France T\u00e9l\u00e9com");
  EXPECT_EQ(d.surDefinition, L"Chambre France T\u00e9l\u00e9com");
  // The empty field stays as the user left it.
  EXPECT_EQ(description.text(), "");
  EXPECT_EQ(description.item(0).text, "Chambre France T\xC3\xA9l\xC3\xA9" "com");
  // The legend now shows it.
  EXPECT_EQ(descriptionAffichee(compose_, L"COMPOSE"), L"Chambre France T\u00e9l\u00e9com");
}

TEST_F(Legendes, ABlockWithoutEntitiesGetsItsCommentsAndItsOwnRecordOnly) {
  CDlgCommentaireBlock dlg;
  dlg.init();
  repondre(poignee(refVide_) + "\n\n");
  dlg.userPress(IDC_INFOBLOC_CHOISIR);
  EXPECT_EQ(dlg.bloc(), vide_);
  EXPECT_EQ(dlg.get<Edit>(IDC_INFOBLOC_TAILLE_X).text(), "0.000000");
  EXPECT_EQ(dlg.userSetText(IDC_INFOBLOC_DESCRIPTION, "R\xC3\xA9serve"), "");
  sortie();
  EXPECT_EQ(dlg.userPress(IDC_INFOBLOC_MODIFIER), "");
  EXPECT_EQ(sortie(), "");
  gp::descriptionBloc d;
  ASSERT_EQ(gp::lireDescriptionBloc(vide_, d), 1);
  EXPECT_EQ(d.commentaires, L"R\u00e9serve");
  EXPECT_EQ(d.surEntite, L"");
  EXPECT_EQ(d.surDefinition, L"R\u00e9serve");
  ZcDbObjectPointer<ZcDbBlockTableRecord> b(vide_, ZcDb::kForRead);
  EXPECT_TRUE(b->entityIds().empty());
}

TEST_F(Legendes, EscapeAtTheBlockPromptChoosesNothing) {
  CDlgCommentaireBlock dlg;
  dlg.init();
  repondre(poignee(texte_) + "\n^C\n");
  dlg.userPress(IDC_INFOBLOC_CHOISIR);
  EXPECT_TRUE(dlg.bloc().isNull());
  EXPECT_FALSE(dlg.find(IDC_INFOBLOC_DESCRIPTION)->enabled());
  EXPECT_FALSE(contient(sortie(), "Commentaire:"));
}

TEST_F(Legendes, DecrireblockWritesOnlyWithModifierAndGivesT) {
  struct Cas {
    const char* pourquoi;
    std::string script;
    std::wstring commentaires;
  } cas[] = {
      {"closed without Modifier: nothing written",
       "press 392\n" + poignee(refRect_) + "\n\nset 396 Autre\npress Fermer\n", L"Regard"},
      {"the picked text written",
       "press 392\n" + poignee(refRect_) + "\n" + poignee(texte_) + "\npress 395\npress Fermer\n",
       L"Regard d'eaux pluviales"},
      {"typed then written", "press 392\n" + poignee(refRect_) + "\n\nset 396 Regard EU\npress 395\npress Fermer\n",
       L"Regard EU"},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.pourquoi);
    repondre(c.script);
    const host::lisp::LineResult r = lisp("(c:decrireblock)");
    EXPECT_EQ(r.printed, "T");
    EXPECT_EQ(resteDesReponses(), "");
    gp::descriptionBloc d;
    ASSERT_EQ(gp::lireDescriptionBloc(rect_, d), 1);
    EXPECT_EQ(d.commentaires, c.commentaires);
    EXPECT_EQ(d.surEntite, c.commentaires);
    EXPECT_EQ(d.surDefinition, c.commentaires);
  }
}

}  // namespace
