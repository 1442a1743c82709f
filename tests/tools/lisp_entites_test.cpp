// The LISP functions on drawing entities and texts, called through a LISP
// session bound to the module's entry point.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/app/host_app.hpp"
#include "host/db/entities.hpp"
#include "lisp_entites_fixture.hpp"

namespace fs = std::filesystem;

namespace {

using geltaro::testing::AttributTest;

class LispEntites : public geltaro::testing::SessionEntites {};

// The extended data of an application, one item a line: "code value".
std::string donneesEtendues(ZcDbObjectId id, const wchar_t* application = L"VRELPLUS") {
  ZcDbObjectPointer<ZcDbEntity> e(id, ZcDb::kForRead);
  std::ostringstream out;
  if (!e) return "<absent>";
  for (const resbuf& rb : e->xData(application)) {
    out << rb.restype << ' ';
    switch (rb.restype) {
      case 1040: out << rb.resval.rreal; break;
      case 1070: out << rb.resval.rint; break;
      case 1010: out << rb.resval.rpoint.x << ',' << rb.resval.rpoint.y; break;
      default: out << host::toUtf8(rb.resval.rstring);
    }
    out << '\n';
  }
  return out.str();
}

ResbufChain donneesVrelplus(std::vector<resbuf> items) {
  ResbufChain c{resbuf::string(1001, L"VRELPLUS")};
  c.insert(c.end(), items.begin(), items.end());
  return c;
}
resbuf controle(const wchar_t* t) { return resbuf::string(1002, t); }
resbuf texteX(const wchar_t* t) { return resbuf::string(1000, t); }
resbuf reelX(double v) { return resbuf::real(1040, v); }
resbuf courtX(short v) { return resbuf::shortInt(1070, v); }

// ------------------------------------------------------------------ analyse

TEST_F(LispEntites, AnalyseSplitsAtBlanksCommasTabsAndLineFeeds) {
  const std::pair<const char*, const char*> cas[] = {
      {"(analyse \"a, b\\tc\")", "(\"a\" \"b\" \"c\")"},
      {"(analyse \",, , ,\")", "nil"},
      {"(analyse \"\")", "nil"},
      {"(analyse \"  seul  \")", "(\"seul\")"},
      {"(analyse \"x\\ny,,z\")", "(\"x\" \"y\" \"z\")"},
      {"(analyse \"Dépôt;1 2\")", "(\"Dépôt;1\" \"2\")"},
      {"(analyse 12)", "nil"},
      {"(analyse)", "nil"},
  };
  for (const auto& [appel, attendu] : cas) EXPECT_EQ(eval(appel), attendu) << appel;
}

// ---------------------------------------------------------- calctailleblock

TEST_F(LispEntites, CalctailleblockMeasuresTheBlockWithoutDrawingIt) {
  std::vector<std::unique_ptr<ZcDbEntity>> boite;
  boite.push_back(std::make_unique<ZcDbLine>(ZcGePoint3d(1, 1, 0), ZcGePoint3d(5, 3, 0)));
  boite.push_back(std::make_unique<ZcDbCircle>(ZcGePoint3d(5, 3, 0), 0.5));
  definirBloc(L"Boite", std::move(boite));
  definirBloc(L"VIDE", {});
  std::vector<std::unique_ptr<ZcDbEntity>> seulementAttributs;
  seulementAttributs.push_back(
      std::make_unique<ZcDbAttributeDefinition>(ZcGePoint3d(0, 0, 0), L"?", L"NUMPT", L"Numero"));
  definirBloc(L"ATTRIBUTS", std::move(seulementAttributs));

  const std::pair<const char*, const char*> cas[] = {
      {"(calctailleblock \"Boite\")", "(4.5 2.5 0.0)"},
      {"(calctailleblock \"BOITE\")", "(4.5 2.5 0.0)"},  // names ignore case
      {"(calctailleblock \"inconnu\")", "nil"},
      // A block that draws nothing has no size (not the size of empty extents).
      {"(calctailleblock \"VIDE\")", "nil"},
      {"(calctailleblock \"ATTRIBUTS\")", "nil"},
      {"(calctailleblock 3)", "nil"},
      {"(calctailleblock)", "nil"},
  };
  for (const auto& [appel, attendu] : cas) EXPECT_EQ(eval(appel), attendu) << appel;
  // The reference that was measured never entered the drawing.
  EXPECT_TRUE(entitesDeType("INSERT").empty());
}

// --------------------------------------------------------------- getsegtype

TEST_F(LispEntites, GetsegtypeGivesTheNearestSegment) {
  // (100,0) -> (110,0) straight, (110,0) -> (110,10) an arc bulging east
  // to x = 112.5, (110,10) -> (100,10) straight; closed or not.
  const auto polyligne = [&](bool fermee) {
    auto pl = std::make_unique<ZcDbPolyline>();
    pl->addVertexAt(0, ZcGePoint2d(100, 0));
    pl->addVertexAt(1, ZcGePoint2d(110, 0), 0.5);
    pl->addVertexAt(2, ZcGePoint2d(110, 10));
    pl->addVertexAt(3, ZcGePoint2d(100, 10));
    pl->setClosed(fermee);
    return ajouter(std::move(pl));
  };
  nommer("OUVERTE", polyligne(false));
  nommer("FERMEE", polyligne(true));
  const std::string premier = "(\"LINE\" (100.0 0.0 0.0) (110.0 0.0 0.0))";
  const std::string arc = "(\"ARC\" (110.0 0.0 0.0) (110.0 10.0 0.0) 0.5)";
  const std::string dernier = "(\"LINE\" (110.0 10.0 0.0) (100.0 10.0 0.0))";
  const std::string fermeture = "(\"LINE\" (100.0 10.0 0.0) (100.0 0.0 0.0))";
  const std::pair<std::string, std::string> cas[] = {
      {"(getsegtype ouverte '(105 -1))", premier},
      {"(getsegtype ouverte '(113.0 5.0 7.0))", arc},
      {"(getsegtype ouverte '(105 11))", dernier},
      // The end of an open polyline belongs to its last segment.
      {"(getsegtype ouverte '(100 10))", dernier},
      {"(getsegtype ouverte '(97 9))", dernier},
      {"(getsegtype fermee '(97 5))", fermeture},
      {"(getsegtype fermee '(113 5))", arc},
  };
  for (const auto& [appel, attendu] : cas) EXPECT_EQ(eval(appel), attendu) << appel;
}

TEST_F(LispEntites, GetsegtypeRefusesWhatIsNoLightPolylineOrNoPoint) {
  nommer("LIGNE", ajouter(std::make_unique<ZcDbLine>(ZcGePoint3d(0, 0, 0), ZcGePoint3d(1, 0, 0))));
  auto seul = std::make_unique<ZcDbPolyline>();
  seul->addVertexAt(0, ZcGePoint2d(0, 0));
  nommer("SEUL", ajouter(std::move(seul)));
  auto pl = std::make_unique<ZcDbPolyline>();
  pl->addVertexAt(0, ZcGePoint2d(0, 0));
  pl->addVertexAt(1, ZcGePoint2d(1, 0));
  nommer("PL", ajouter(std::move(pl)));
  for (const char* appel : {"(getsegtype ligne '(0 0))", "(getsegtype seul '(0 0))", "(getsegtype pl \"0,0\")",
                            "(getsegtype pl)", "(getsegtype '(0 0) pl)", "(getsegtype)"})
    EXPECT_EQ(eval(appel), "nil") << appel;
  EXPECT_EQ(eval("(getsegtype pl '(0.5 3))"), "(\"LINE\" (0.0 0.0 0.0) (1.0 0.0 0.0))");
}

// ------------------------------------------------- modif-attrib, attrvisibility

TEST_F(LispEntites, ModifAttribSetsTheAttributesOfATagIgnoringCase) {
  const ZcDbObjectId bloc =
      blocAvecAttributs({0, 0, 0}, {{L"NUMPT", L"P1"}, {L"OBS", L"ancien"}, {L"obs", L"autre"}, {L"Z", L"1.00"}});
  nommer("B", bloc);
  EXPECT_EQ(eval("(modif-attrib b \"Obs\" \"regard\")"), "");
  const auto texte = [&](const wchar_t* tag) {
    ZcDbObjectPointer<ZcDbAttribute> a(attribut(bloc, tag), ZcDb::kForRead);
    return a ? a->textString() : L"<absent>";
  };
  EXPECT_EQ(texte(L"OBS"), L"regard");
  EXPECT_EQ(texte(L"obs"), L"regard");
  EXPECT_EQ(texte(L"NUMPT"), L"P1");
  EXPECT_EQ(texte(L"Z"), L"1.00");
  // Wrong arguments: nil, nothing changed.
  for (const char* appel : {"(modif-attrib b \"OBS\")", "(modif-attrib b 'OBS 3)", "(modif-attrib \"b\" \"OBS\" \"x\")"})
    EXPECT_EQ(eval(appel), "nil") << appel;
  EXPECT_EQ(texte(L"OBS"), L"regard");
  // Other entities are left alone.
  nommer("L", ajouter(std::make_unique<ZcDbLine>(ZcGePoint3d(0, 0, 0), ZcGePoint3d(1, 0, 0))));
  EXPECT_EQ(eval("(modif-attrib l \"OBS\" \"x\")"), "");
}

TEST_F(LispEntites, AttrvisibilityAppliesTheFirstMatchingFlag) {
  const std::vector<AttributTest> attributs = {
      {L"CODE", L"5", 0, 2, 1, true}, {L"NUMPT", L"P1", 0, 1}, {L"Z", L"1.0", 0, -1}, {L"OBS", L"o", 0, -2}};
  const auto visibles = [&](ZcDbObjectId bloc) {
    std::string v;
    for (ZcDbObjectId a : SessionEntites::attributs(bloc)) {
      ZcDbObjectPointer<ZcDbAttribute> att(a, ZcDb::kForRead);
      v += att->isInvisible() ? '-' : '+';
    }
    return v;
  };
  struct Cas {
    const char* liste;
    const char* attendu;  // CODE NUMPT Z OBS
  };
  const Cas cas[] = {
      {"'(\"code\" 1 \"Z\" 2 \"NUMPT\" 3 \"OBS\" 4)", "+--+"},
      {"'(\"z\" 2 \"Z\" 1)", "-+-+"},                  // the first pair of a tag applies
      {"'(\"Z\" 2 \"NUMPT\" 1.0 \"OBS\" 2)", "-+-+"},  // reading stops at the real
      {"'(\"OBS\")", "-+++"},                          // no pair: nothing
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.liste);
    const ZcDbObjectId bloc = blocAvecAttributs({0, 0, 0}, attributs);
    selection("SS", {bloc});
    sortie();
    EXPECT_EQ(eval(std::string("(attrvisibility ss ") + c.liste + ")"), "");
    EXPECT_EQ(visibles(bloc), c.attendu);
    EXPECT_EQ(sortie().substr(0, 1), "\n");
  }
  // An entity name is a set of that one entity.
  const ZcDbObjectId seul = blocAvecAttributs({0, 0, 0}, attributs);
  nommer("E", seul);
  sortie();
  EXPECT_EQ(eval("(attrvisibility e '(\"CODE\" 3))"), "");
  EXPECT_EQ(visibles(seul), "++++");
  EXPECT_EQ(sortie(), "\n\r element        0 /        1");
}

TEST_F(LispEntites, AttrvisibilityCountsItsWayThroughLargeSets) {
  std::vector<ZcDbObjectId> blocs;
  for (int i = 0; i < 12; ++i) blocs.push_back(blocAvecAttributs({i * 10.0, 0, 0}, {{L"Z", L"1.0"}}));
  blocs.push_back(ajouter(std::make_unique<ZcDbLine>(ZcGePoint3d(0, 0, 0), ZcGePoint3d(1, 0, 0))));
  selection("SS", blocs);
  sortie();
  eval("(attrvisibility ss '(\"Z\" 2))");
  EXPECT_EQ(sortie(), "\n\r element        0 /       13\r element       10 /       13");
  for (int i = 0; i < 12; ++i) {
    ZcDbObjectPointer<ZcDbAttribute> att(attribut(blocs[std::size_t(i)], L"Z"), ZcDb::kForRead);
    EXPECT_TRUE(att->isInvisible());
  }
}

TEST_F(LispEntites, AttrvisibilityRefusesOtherArguments) {
  selection("SS", {blocAvecAttributs({0, 0, 0}, {{L"Z", L"1.0"}})});
  const std::pair<const char*, const char*> cas[] = {
      {"(attrvisibility \"ss\" '(\"Z\" 2))", ""},
      {"(attrvisibility ss \"Z\")", ""},
      {"(attrvisibility ss nil)", ""},
      {"(attrvisibility ss '(1 2))", ""},  // a point, not a list of pairs
      {"(attrvisibility ss)", "nil"},
  };
  for (const auto& [appel, attendu] : cas) {
    sortie();
    EXPECT_EQ(eval(appel), attendu) << appel;
    EXPECT_EQ(sortie(), "\nparametres incorrects.") << appel;
  }
}

// --------------------------------------------------------------------- sxd

TEST_F(LispEntites, SxdReplacesTheGroupThatStartsLikeTheDataOrAppendsOne) {
  const ResbufChain deuxGroupes = donneesVrelplus({courtX(1), controle(L"{"), texteX(L"nom"), reelX(3.0),
                                                   texteX(L"x"), controle(L"}"), controle(L"{"), texteX(L"autre"),
                                                   courtX(2), controle(L"}")});
  const std::string tete = "1001 VRELPLUS\n1070 1\n";
  const std::string autre = "1002 {\n1000 autre\n1070 2\n1002 }\n";
  struct Cas {
    const char* pourquoi;
    ResbufChain avant;  // empty: the entity has no data of the application
    const char* donnee;
    std::string apres;
  };
  const Cas cas[] = {
      {"a group starting with the string, ignoring case", deuxGroupes, "'(\"NOM\" 1.5)",
       tete + "1002 {\n1000 NOM\n1040 1.5\n1002 }\n" + autre},
      {"no group starting so", deuxGroupes, "'(\"prenom\" 7)",
       tete + "1002 {\n1000 nom\n1040 3\n1000 x\n1002 }\n" + autre + "1002 {\n1000 prenom\n1070 7\n1002 }\n"},
      {"an entity without data", {}, "'(\"NOM\" 1.5)", "1001 VRELPLUS\n1002 {\n1000 NOM\n1040 1.5\n1002 }\n"},
      {"a 16-bit integer matches exactly", donneesVrelplus({controle(L"{"), courtX(7), controle(L"}")}),
       "'(7 \"sept\")", "1001 VRELPLUS\n1002 {\n1070 7\n1000 sept\n1002 }\n"},
      {"a real matches exactly", donneesVrelplus({controle(L"{"), reelX(2.5), controle(L"}")}), "'(2.5001 \"x\")",
       "1001 VRELPLUS\n1002 {\n1040 2.5\n1002 }\n1002 {\n1040 2.5001\n1000 x\n1002 }\n"},
      {"a 2D point gives two reals", donneesVrelplus({controle(L"{"), reelX(1), reelX(9), reelX(9), controle(L"}")}),
       "'(1.0 2.0)", "1001 VRELPLUS\n1002 {\n1040 1\n1040 2\n1002 }\n"},
      {"a 3D point gives three reals", {}, "'(1.0 2.0 3.0)", "1001 VRELPLUS\n1002 {\n1040 1\n1040 2\n1040 3\n1002 }\n"},
      {"nested groups belong to the group around them",
       donneesVrelplus({controle(L"{"), texteX(L"NOM"), controle(L"{"), courtX(1), controle(L"}"), reelX(4),
                        controle(L"}"), courtX(9)}),
       "'(\"nom\")", "1001 VRELPLUS\n1002 {\n1000 nom\n1002 }\n1070 9\n"},
      {"a group left open runs to the end and is closed",
       donneesVrelplus({courtX(1), controle(L"{"), texteX(L"NOM"), reelX(4)}), "'(\"NOM\" 1.5)",
       tete + "1002 {\n1000 NOM\n1040 1.5\n1002 }\n"},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.pourquoi);
    auto ligne = std::make_unique<ZcDbLine>(ZcGePoint3d(0, 0, 0), ZcGePoint3d(1, 0, 0));
    const ZcDbObjectId id = ajouter(ligne.get());
    if (!c.avant.empty()) {
      ASSERT_EQ(ligne->setXData(c.avant), Zcad::eOk);
    }
    ligne.reset();
    nommer("E", id);
    EXPECT_EQ(eval(std::string("(sxd e ") + c.donnee + ")"), "");
    EXPECT_EQ(donneesEtendues(id), c.apres);
  }
}

TEST_F(LispEntites, SxdKeepsTheRestOfTheEntity) {
  const ZcDbObjectId bloc = blocAvecAttributs({10, 20, 0}, {{L"NUMPT", L"P1", 0.75, 0.5}, {L"Z", L"1.00"}});
  {
    ZcDbObjectPointer<ZcDbEntity> e(bloc, ZcDb::kForWrite);
    ASSERT_EQ(e->setXData({resbuf::string(1001, L"AUTRE"), resbuf::string(1000, L"garde")}), Zcad::eOk);
  }
  nommer("B", bloc);
  eval("(sxd b '(\"NOM\" 1.5))");
  EXPECT_EQ(donneesEtendues(bloc), "1001 VRELPLUS\n1070 1\n1002 {\n1000 NOM\n1040 1.5\n1002 }\n");
  EXPECT_EQ(donneesEtendues(bloc, L"AUTRE"), "1001 AUTRE\n1000 garde\n");
  ZcDbObjectPointer<ZcDbBlockReference> ref(bloc, ZcDb::kForRead);
  EXPECT_EQ(ref->position(), ZcGePoint3d(10, 20, 0));
  EXPECT_EQ(ref->attributeIds().size(), 2u);
  EXPECT_EQ(ref->blockName(), "SYM");
}

TEST_F(LispEntites, SxdTellsWhatIsWrongWithItsArguments) {
  const ZcDbObjectId id = ajouter(std::make_unique<ZcDbLine>(ZcGePoint3d(0, 0, 0), ZcGePoint3d(1, 0, 0)));
  nommer("E", id);
  struct Cas {
    const char* appel;
    const char* message;
  };
  const Cas cas[] = {
      {"(sxd)", "\nNombre de parametres insuffisant"},
      {"(sxd e)", "\nNombre de parametres insuffisant"},
      {"(sxd \"e\" '(\"NOM\" 1.5))", "\n1er param doit etre un nom d'entite"},
      {"(sxd e \"NOM\")", "\nType 2 eme param=5005\n2 eme param doit etre une liste de Xdata"},
      {"(sxd e 1.5)", "\nType 2 eme param=5001\n2 eme param doit etre une liste de Xdata"},
      {"(sxd e '(\"NOM\" 70000))", "\nMauvais type d'element dans la liste (buildxdata)"},
      {"(sxd e '(\"NOM\" (\"sous\" \"liste\")))", "\nMauvais type d'element dans la liste (buildxdata)"},
  };
  for (const Cas& c : cas) {
    sortie();
    EXPECT_EQ(eval(c.appel), "nil") << c.appel;
    EXPECT_EQ(sortie(), c.message) << c.appel;
  }
  EXPECT_EQ(donneesEtendues(id), "");
}

// --------------------------------------------------------------- vrdelfile

TEST_F(LispEntites, VrdelfileDeletesRegularFilesOnly) {
  const fs::path dossier = fs::temp_directory_path() / ("geltaro-vrdelfile-" + std::to_string(::getpid()));
  fs::remove_all(dossier);
  fs::create_directories(dossier / "sous-dossier");
  const fs::path fichier = dossier / "relevé été.txt";
  std::ofstream(fichier) << "x";
  const fs::path lien = dossier / "lien";
  fs::create_directory_symlink(dossier / "sous-dossier", lien);
  ev_.setVar("FICHIER", host::lisp::Value::fromString(fichier.string()));
  ev_.setVar("DOSSIER", host::lisp::Value::fromString((dossier / "sous-dossier").string()));
  ev_.setVar("LIEN", host::lisp::Value::fromString(lien.string()));

  EXPECT_EQ(eval("(vrdelfile fichier)"), "1");
  EXPECT_FALSE(fs::exists(fichier));
  EXPECT_EQ(eval("(vrdelfile fichier)"), "nil");  // already gone
  EXPECT_EQ(eval("(vrdelfile dossier)"), "nil");
  EXPECT_TRUE(fs::is_directory(dossier / "sous-dossier"));
  EXPECT_EQ(eval("(vrdelfile lien)"), "nil");  // a link to a folder is no file
  EXPECT_TRUE(fs::is_symlink(lien));
  for (const char* appel : {"(vrdelfile \"\")", "(vrdelfile 1)", "(vrdelfile)"}) EXPECT_EQ(eval(appel), "nil") << appel;
  fs::remove_all(dossier);
}

// --------------------------------------------------------------- wait_user

TEST_F(LispEntites, WaitUserTakesTheFirstInputThatIsNoPointerMove) {
  repondre("m 1,2\nm 3,4\nx\nsuite\n");
  EXPECT_EQ(eval("(wait_user)"), "");
  EXPECT_EQ(sortie(), "\nAppuyez sur une touche pour continuer ");
  EXPECT_EQ(resteDesReponses(), "suite\n");
  // A point or Enter is an answer too; the end of the input ends the wait.
  repondre("5,5\n\nsuite\n");
  eval("(wait_user)");
  EXPECT_EQ(resteDesReponses(), "\nsuite\n");
  repondre("m 1,1\n");
  EXPECT_EQ(eval("(wait_user)"), "");
}

// ---------------------------------------------------------------- VRELTEXT

TEST_F(LispEntites, VreltextWritesASingleLineText) {
  ZcDbObjectId calque;
  {
    ZcDbObjectPointer<ZcDbLayerTable> calques(db_.layerTableId(), ZcDb::kForWrite);
    auto rec = std::make_unique<ZcDbLayerTableRecord>();
    rec->setName(L"TEXTES");
    ASSERT_EQ(calques->add(calque, rec.get()), Zcad::eOk);
  }
  db_.setClayer(calque);
  struct Cas {
    const char* appel;
    ZcDb::TextHorzMode mode;
    double largeur;
  };
  const Cas cas[] = {
      {"(VRELTEXT \"centre\" '(10.0 20.0 5.0) 2.5 0.5 \"Texte\" 0.8)", ZcDb::kTextCenter, 0.8},
      {"(VRELTEXT \"Milieu\" '(10 20) 2.5 0.5 \"Texte\" 2)", ZcDb::kTextMid, 2.0},
      {"(VRELTEXT \"r\" '(10 20) 2.5 0.5 \"Texte\")", ZcDb::kTextRight, 1.0},
      {"(VRELTEXT \"gauche\" '(10 20) 2.5 0.5 \"Texte\" \"large\")", ZcDb::kTextLeft, 1.0},
      {"(VRELTEXT \"\" '(10 20) 2.5 0.5 \"Texte\")", ZcDb::kTextLeft, 1.0},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.appel);
    EXPECT_EQ(eval(c.appel), "");
    const std::vector<ZcDbObjectId> textes = entitesDeType("TEXT");
    ASSERT_FALSE(textes.empty());
    ZcDbObjectPointer<ZcDbText> t(textes.back(), ZcDb::kForRead);
    EXPECT_EQ(t->textString(), L"Texte");
    EXPECT_EQ(t->position(), ZcGePoint3d(10, 20, 0));
    EXPECT_EQ(t->horizontalMode(), c.mode);
    if (c.mode != ZcDb::kTextLeft) {
      EXPECT_EQ(t->alignmentPoint(), ZcGePoint3d(10, 20, 0));
    }
    EXPECT_DOUBLE_EQ(t->height(), 2.5);
    EXPECT_DOUBLE_EQ(t->rotation(), 0.5);
    EXPECT_DOUBLE_EQ(t->widthFactor(), c.largeur);
    EXPECT_EQ(t->layerName(), "TEXTES");
    EXPECT_EQ(t->colorIndex(), 256);
    EXPECT_EQ(t->textStyle(), db_.textstyle());
    EXPECT_EQ(t->normal(), ZcGeVector3d(0, 0, 1));
  }
  // Integers are numbers, 32-bit ones too.
  EXPECT_EQ(eval("(VRELTEXT \"L\" '(0 0) 70000 0 \"grand\")"), "");
  ZcDbObjectPointer<ZcDbText> grand(entitesDeType("TEXT").back(), ZcDb::kForRead);
  EXPECT_DOUBLE_EQ(grand->height(), 70000);
  grand.close();
  // Anything else writes nothing and gives no value.
  const std::size_t avant = entitesDeType("TEXT").size();
  for (const char* appel : {"(VRELTEXT \"L\" '(0 0) 1 0)", "(VRELTEXT 1 '(0 0) 1 0 \"t\")",
                            "(VRELTEXT \"L\" \"0,0\" 1 0 \"t\")", "(VRELTEXT \"L\" '(0 0) \"1\" 0 \"t\")",
                            "(VRELTEXT \"L\" '(0 0) 1 nil \"t\")", "(VRELTEXT \"L\" '(0 0) 1 0 5)", "(VRELTEXT)"})
    EXPECT_EQ(eval(appel), "") << appel;
  EXPECT_EQ(entitesDeType("TEXT").size(), avant);
}

// ------------------------------------------------------------- DISSOCBLOCK

TEST_F(LispEntites, DissocblockTurnsAttributesIntoTexts) {
  ZcDbObjectId calque;
  {
    ZcDbObjectPointer<ZcDbLayerTable> calques(db_.layerTableId(), ZcDb::kForWrite);
    auto rec = std::make_unique<ZcDbLayerTableRecord>();
    rec->setName(L"NUMEROS");
    ASSERT_EQ(calques->add(calque, rec.get()), Zcad::eOk);
  }
  const ZcDbObjectId bloc = blocAvecAttributs(
      {10, 20, 0}, {{L"CODE", L"5", 0.75, 2, 1, true}, {L"NUMPT", L"P1", 0.75, 0.5, 1.5, false, ZcDb::kTextCenter},
                    {L"Z", L"", 0.75, -1}});
  {
    ZcDbObjectPointer<ZcDbAttribute> num(attribut(bloc, L"NUMPT"), ZcDb::kForWrite);
    num->setAlignmentPoint({11, 21, 0});
    num->setRotation(0.3);
    num->setWidthFactor(0.8);
    num->setOblique(0.1);
    num->setThickness(2);
    num->setVerticalMode(ZcDb::kTextVertMid);
    num->mirrorInX(true);
    num->setLayer(calque);
    num->setColorIndex(3);
  }
  nommer("B", bloc);
  EXPECT_EQ(eval("(c:DISSOCBLOCK b)"), "T");

  const std::vector<ZcDbObjectId> textes = entitesDeType("TEXT");
  ASSERT_EQ(textes.size(), 2u);
  ZcDbObjectPointer<ZcDbText> code(textes[0], ZcDb::kForRead);
  EXPECT_EQ(code->textString(), L"5");
  EXPECT_EQ(code->position(), ZcGePoint3d(10.75, 22, 0));
  // The hidden code stays hidden.
  EXPECT_EQ(code->visibility(), ZcDb::kInvisible);
  ZcDbObjectPointer<ZcDbText> num(textes[1], ZcDb::kForRead);
  EXPECT_EQ(num->textString(), L"P1");
  EXPECT_EQ(num->position(), ZcGePoint3d(10.75, 20.5, 0));
  EXPECT_EQ(num->alignmentPoint(), ZcGePoint3d(11, 21, 0));
  EXPECT_DOUBLE_EQ(num->height(), 1.5);
  EXPECT_DOUBLE_EQ(num->rotation(), 0.3);
  EXPECT_DOUBLE_EQ(num->widthFactor(), 0.8);
  EXPECT_DOUBLE_EQ(num->oblique(), 0.1);
  EXPECT_DOUBLE_EQ(num->thickness(), 2);
  EXPECT_EQ(num->horizontalMode(), ZcDb::kTextCenter);
  EXPECT_EQ(num->verticalMode(), ZcDb::kTextVertMid);
  EXPECT_TRUE(num->isMirroredInX());
  EXPECT_FALSE(num->isMirroredInY());
  EXPECT_EQ(num->layerName(), "NUMEROS");
  EXPECT_EQ(num->colorIndex(), 3);
  EXPECT_EQ(num->visibility(), ZcDb::kVisible);
  // The attributes that gave a text are gone; the empty one stays.
  const std::vector<ZcDbObjectId> restants = attributs(bloc);
  ASSERT_EQ(restants.size(), 1u);
  EXPECT_EQ(restants[0], attribut(bloc, L"Z"));
}

TEST_F(LispEntites, DissocblockSelectsPointBlocksOnly) {
  const ZcDbObjectId point = blocAvecAttributs({0, 0, 0}, {{L"NUMPT", L"P1"}});
  const ZcDbObjectId autre = blocAvecAttributs({5, 0, 0}, {{L"NUMPT", L"P2"}}, false);
  repondre("all\n");
  sortie();
  EXPECT_EQ(eval("(c:DISSOCBLOCK)"), "T");
  EXPECT_EQ(sortie().rfind("\nSelectionnez les elements a dissocier", 0), 0u);
  EXPECT_TRUE(attributs(point).empty());
  EXPECT_EQ(attributs(autre).size(), 1u);
  EXPECT_EQ(entitesDeType("TEXT").size(), 1u);
  // Nothing selected: nothing done, still T.
  repondre("\n");
  EXPECT_EQ(eval("(c:DISSOCBLOCK nil)"), "T");
  EXPECT_EQ(eval("(c:DISSOCBLOCK \"x\")"), "nil");
  EXPECT_EQ(entitesDeType("TEXT").size(), 1u);
}

}  // namespace
