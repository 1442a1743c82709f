// The module's entry: messages, command and function tables, the current
// project and its storage, the undo group and the resource switch.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <stdexcept>

#include "module/commands.hpp"
#include "frame/data_manager.hpp"
#include "module/entry.hpp"
#include "frame/resources.hpp"
#include "frame/undo_group.hpp"
#include "host/app/console_io.hpp"
#include "host/app/host_app.hpp"
#include "host/db/entities.hpp"
#include "host/ed/editor.hpp"
#include "host/lisp/lisp.hpp"
#include "points/project.hpp"
#include "points/storage.hpp"

namespace {

int appId;

// Captures what the module prints.
struct Transcript {
  std::istringstream in;
  std::ostringstream out;
  host::ConsoleIO io{in, out};
  host::ConsoleIO* previous = host::setConsole(&io);
  ~Transcript() { host::setConsole(previous); }
};

// A fresh LISP session bound to the module's entry point.
struct Session {
  host::lisp::Evaluator ev;
  host::lisp::Evaluator* previous = host::lisp::setSession(&ev);
  Session() {
    ev.setFunctionDispatcher([](int) { return zcrxEntryPoint(ZcRx::kInvkSubrMsg, &appId) == 0 ? RTNORM : RTERROR; });
  }
  ~Session() { host::lisp::setSession(previous); }
};

TEST(Entry, VersionAndTables) {
  EXPECT_EQ(zcrxGetApiVersion(), 0x07E50000);
  ASSERT_EQ(tableFonctionsLisp.size(), 42u);
  EXPECT_STREQ(tableFonctionsLisp[0].nom, L"calctailleblock");
  EXPECT_STREQ(tableFonctionsLisp[21].nom, L"loadcodept");
  EXPECT_STREQ(tableFonctionsLisp[31].nom, L"C:ZoomLeve");
  EXPECT_STREQ(tableFonctionsLisp[41].nom, L"C:POL3DTOPOL2D");
  std::set<std::wstring> names;
  for (const auto& f : tableFonctionsLisp) names.insert(f.nom);
  EXPECT_EQ(names.size(), 42u);
}

TEST(Entry, InitialisationRegistersTheCommandsAndUnloadRemovesThem) {
  EXPECT_EQ(zcrxEntryPoint(ZcRx::kInitAppMsg, &appId), 0);
  EXPECT_TRUE(zcrxDynamicLinker()->isUnlocked(&appId));
  EXPECT_TRUE(zcrxDynamicLinker()->isMDIAware(&appId));
  struct Expected {
    const wchar_t* name;
    int flags;
  } expected[] = {{L"CARROYAGE", 2},    {L"VCODIFICATION", 1}, {L"COORDSXYZ", 0}, {L"CORRPOLFERMEE", 0},
                  {L"CORRPOLOUVERTE", 0}, {L"CORRMCARRES", 0},   {L"IMPORTGSI", 0}, {L"RECT3PT", 3},
                  {L"IMPORTPOINTS", 2}, {L"EXPORTPOINTS", 2},  {L"TABLEXYZ", 2},  {L"MAJPOINTS", 2},
                  {L"PTSEN3D", 0}};
  for (const auto& e : expected) {
    const ZcEdCommand* c = zcedRegCmds()->lookupCmd(e.name);
    ASSERT_NE(c, nullptr) << host::toAnsi(e.name);
    EXPECT_EQ(c->group, L"GELTARO4");
    EXPECT_EQ(c->flags, e.flags);
    EXPECT_EQ(c->localName, c->globalName);
  }
  // A command whose work is not in this version says so.
  const auto absente = std::find_if(tableCommandes.begin(), tableCommandes.end(),
                                    [](const commandeModule& c) { return c.fonction == nullptr; });
  if (absente != tableCommandes.end()) {
    Transcript t;
    zcedRegCmds()->lookupCmd(absente->nom)->function();
    EXPECT_NE(t.out.str().find("n'est pas disponible"), std::string::npos);
  }

  EXPECT_EQ(zcrxEntryPoint(ZcRx::kUnloadAppMsg, &appId), 0);
  EXPECT_EQ(zcedRegCmds()->lookupCmd(L"PTSEN3D"), nullptr);
  for (int other : {6, 7, 8, 12, -1}) EXPECT_EQ(zcrxEntryPoint(other, &appId), 0);
}

TEST(Entry, DrawingMessagesDefineAndUndefineTheFunctions) {
  Session s;
  zcrxEntryPoint(ZcRx::kLoadDwgMsg, &appId);
  for (const auto& f : tableFonctionsLisp) EXPECT_TRUE(s.ev.isExternal(host::toAnsi(f.nom))) << host::toAnsi(f.nom);
  EXPECT_TRUE(s.ev.isCommandFunction("ZoomLeve"));
  // Every function of the table has its work now (a missing one would
  // return nothing, without error).
  for (const auto& f : tableFonctionsLisp) EXPECT_NE(f.fonction, nullptr) << host::toAnsi(f.nom);

  zcrxEntryPoint(ZcRx::kUnloadDwgMsg, &appId);
  for (const auto& f : tableFonctionsLisp) EXPECT_FALSE(s.ev.isExternal(host::toAnsi(f.nom)));
}

TEST(Entry, InvokeIgnoresCodesOutsideTheTable) {
  Session s;
  for (int code : {42, 1000}) {
    ASSERT_TRUE(s.ev.defineExternal("hors_table", code));
    auto r = s.ev.evaluateText("(hors_table)");
    EXPECT_EQ(r.error, "") << code;
    EXPECT_EQ(r.printed, "") << code;
    s.ev.undefineExternal("hors_table", code);
  }
  // Outside any call the message does nothing either.
  EXPECT_EQ(zcrxEntryPoint(ZcRx::kInvkSubrMsg, &appId), 0);
}

struct Drawing {
  ZcDbDatabase db{true};
  ZcDbDatabase* previous = zcdbCurDwg();
  Drawing() { zcdbSetCurDwg(&db); }
  ~Drawing() {
    zcdbSetCurDwg(previous);
    tablesPoints = nullptr;
    sauvegardeActive = 0;
  }
  ResbufChain stored() {
    ResbufChain c{resbuf::longInt(1, 1)};  // a marker that reading must replace
    if (!geltaro::points::lireChaine(db.symbolId("LAYER", "0"), geltaro::points::kCleProjet, c)) c = {resbuf::shortInt(1, -1)};
    return c;
  }
};

TEST(Entry, SaveMessageStoresTheCurrentProject) {
  Drawing d;
  Transcript t;
  zcrxEntryPoint(ZcRx::kSaveMsg, &appId);  // no project: nothing written
  ASSERT_EQ(d.stored().size(), 1u);
  EXPECT_EQ(d.stored()[0].resval.rint, -1);

  projetsTopo projet;
  projet.currTable()->CreerPoint({1, 2, 3}, 4, L"A");
  setSrcInfosTopo(&d.db, &projet, 1, 0);  // enabled, nothing read
  EXPECT_EQ(tablesPoints, &projet);
  EXPECT_EQ(sauvegardeActive, 1);
  EXPECT_EQ(t.out.str(), "");
  EXPECT_EQ(projet.currTable()->nbPoint(), 1);
  zcrxEntryPoint(ZcRx::kSaveMsg, &appId);
  EXPECT_EQ(d.stored().size(), 4u + 7u);  // a point is 7 values

  // Reading it back into another project.
  projetsTopo relu;
  setSrcInfosTopo(&d.db, &relu, 1, 1);
  EXPECT_EQ(t.out.str(), "\nLecture des données Topo");
  ASSERT_EQ(relu.currTable()->nbPoint(), 1);
  EXPECT_TRUE(*relu.currTable()->getData(0) == *projet.currTable()->getData(0));

  // Saving disabled: the stored record is overwritten by an empty one.
  setSrcInfosTopo(&d.db, &projet, 0, 0);
  zcrxEntryPoint(ZcRx::kSaveMsg, &appId);
  EXPECT_TRUE(d.stored().empty());

  // Wiping keeps the project in memory.
  setSrcInfosTopo(&d.db, &projet, 1, 0);
  zcrxEntryPoint(ZcRx::kSaveMsg, &appId);
  purgeInfosTopo();
  EXPECT_TRUE(d.stored().empty());
  EXPECT_EQ(projet.currTable()->nbPoint(), 1);

  // A null project is made current without reading anything.
  setSrcInfosTopo(&d.db, nullptr, 1, 1);
  EXPECT_EQ(tablesPoints, nullptr);
}

// A stored project with a table that cannot be read: the tables that read
// are kept, and the record is not saved over without the user's word. No,
// or the end of the input (a script that ends), keeps it as it is; Yes
// replaces it.
TEST(Entry, ARecordReadInPartIsNotSavedOverWithoutAsking) {
  // T1 (one point), T2 whose point has a text where its code is, T3.
  auto point = [](ResbufChain& c, char name) {
    c.push_back(resbuf::longInt(92, 10));
    c.push_back(resbuf::binary(310, {static_cast<unsigned char>(name), 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    c.push_back(resbuf::longInt(90, 1));
    for (double v : {1.0, 2.0, 3.0}) c.push_back(resbuf::real(40, v));
    c.push_back(resbuf::longInt(90, -9999999));
  };
  ResbufChain damaged{resbuf::longInt(90, 0), resbuf::longInt(90, 3), resbuf::string(300, L"T1"),
                      resbuf::longInt(90, 1)};
  point(damaged, 'A');
  damaged.push_back(resbuf::string(300, L"T2"));
  damaged.push_back(resbuf::longInt(90, 1));
  point(damaged, 'B');
  damaged[damaged.size() - 5] = resbuf::string(1, L"code");
  damaged.push_back(resbuf::string(300, L"T3"));
  damaged.push_back(resbuf::longInt(90, 0));

  struct Case {
    const char* why;
    const char* answer;  // to the question at save
    bool replaced;
  } cases[] = {{"No keeps the record", "no\n", false},
               {"the end of the input keeps the record", "", false},
               {"Yes replaces it", "yes\n", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    Drawing d;
    ASSERT_EQ(geltaro::points::stockerChaine(d.db.symbolId("LAYER", "0"), geltaro::points::kCleProjet, damaged),
              Zcad::eOk);
    Transcript t;
    t.in.str(c.answer);
    projetsTopo projet;
    setSrcInfosTopo(&d.db, &projet, 1, 1);
    EXPECT_EQ(t.out.str(), "\nLecture des données Topo\nTable T2 illisible : ignorée");
    ASSERT_EQ(projet.nbTables(), 2);
    EXPECT_EQ(projet.getTable(0)->getNomTable(), L"T1");
    EXPECT_EQ(projet.getTable(0)->nbPoint(), 1);
    EXPECT_EQ(projet.getTable(1)->getNomTable(), L"T3");
    EXPECT_TRUE(projet.lectureIncomplete());

    t.out.str("");
    zcrxEntryPoint(ZcRx::kSaveMsg, &appId);
    const std::string out = t.out.str();
    EXPECT_NE(out.find("[Données Topo] (attention) Les données Topo enregistrées dans ce dessin n'ont pas pu être "
                       "lues entièrement. Les remplacer par le projet actuel ?"),
              std::string::npos)
        << out;
    if (c.replaced) {
      EXPECT_EQ(d.stored().size(), 2u + 2u + 7u + 2u);  // T1 and its point, T3
      // Said once: the record now holds the project.
      t.out.str("");
      zcrxEntryPoint(ZcRx::kSaveMsg, &appId);
      EXPECT_EQ(t.out.str(), "");
    } else {
      EXPECT_NE(out.find("\nDonnées Topo du dessin conservées telles quelles."), std::string::npos) << out;
      EXPECT_EQ(d.stored().size(), damaged.size());
    }
  }
}

TEST(Entry, SavingCreatesLayerZeroWhenTheDrawingHasNone) {
  Drawing d;
  {
    ZcDbObjectPointer<ZcDbLayerTableRecord> zero(d.db.symbolId("LAYER", "0"), ZcDb::kForWrite);
    ASSERT_TRUE(zero);
    zero->erase();
  }
  ASSERT_FALSE(d.db.symbolId("LAYER", "0").isValid());
  projetsTopo projet;
  setSrcInfosTopo(&d.db, &projet, 1, 0);
  zcrxEntryPoint(ZcRx::kSaveMsg, &appId);
  ZcDbObjectPointer<ZcDbLayerTableRecord> zero(d.db.symbolId("LAYER", "0"), ZcDb::kForRead);
  ASSERT_TRUE(zero);
  EXPECT_EQ(zero->colorIndex(), 1);
  EXPECT_EQ(d.stored().size(), 4u);
}

TEST(Ptsen3d, PlacesThePointsThatHaveAnAltitude) {
  Drawing d;
  Transcript t;
  projetsTopo projet;
  setSrcInfosTopo(&d.db, &projet, 1, 0);
  auto* table = projet.currTable();
  const double zs[] = {10, kIndefini, -1e8, 1e8, 99999999.5};
  for (int i = 0; i < 5; ++i) table->CreerPoint({double(i), 2.0 * i, zs[i]}, 1, std::to_wstring(i).c_str());
  ptsEn3d();
  EXPECT_EQ(t.out.str(), "\n 3 points placés");
  std::vector<ZcGePoint3d> placed;
  ZcDbObjectPointer<ZcDbBlockTableRecord> ms(d.db.modelSpaceId(), ZcDb::kForRead);
  for (auto id : ms->entityIds()) {
    ZcDbObjectPointer<ZcDbPoint> p(id, ZcDb::kForRead);
    ASSERT_TRUE(p);
    placed.push_back(p->position());
  }
  EXPECT_EQ(placed, (std::vector<ZcGePoint3d>{{0, 0, 10}, {2, 4, -1e8}, {4, 8, 99999999.5}}));

  Transcript t2;
  tablesPoints = nullptr;
  ptsEn3d();
  EXPECT_EQ(t2.out.str(), "\n 0 points placés");
}

TEST(UndoGroup, OneStepAroundABatchAndNothingWithoutADocument) {
  {
    Drawing loose;  // a drawing that is no document
    CAcadUndoGroup group;
  }
  auto* doc = zcDocManagerPtr()->addDocument(std::make_unique<ZcDbDatabase>(true), "undo.dxf");
  zcdbSetCurDwg(doc->database());
  ZcAxDocument* ax = doc->cadDocument();
  {
    CAcadUndoGroup outer;
    EXPECT_EQ(ax->openUndoMarks(), 1);
    EXPECT_EQ(ax->references(), 2);
    { CAcadUndoGroup inner; }
    EXPECT_EQ(ax->undoSteps(), 0);
  }
  EXPECT_EQ(ax->openUndoMarks(), 0);
  EXPECT_EQ(ax->undoSteps(), 1);
  EXPECT_EQ(ax->references(), 1);
  zcDocManagerPtr()->closeDocument(doc);
  zcdbSetCurDwg(nullptr);
}

TEST(Resources, TheModuleIsCurrentWhileTheGuardLivesEvenOnAnException) {
  int hostResources;
  host::setCurrentResourceModule(&hostResources);
  try {
    geltaro::frame::ressourcesModule guard;
    EXPECT_EQ(host::currentResourceModule(), geltaro::frame::instanceModule());
    throw std::runtime_error("dialog failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(host::currentResourceModule(), &hostResources);
  host::setCurrentResourceModule(nullptr);
}

TEST(DataManager, ForgetsADocumentThatGoes) {
  AsdkDataManager<CDocData> manager;
  auto* a = zcDocManagerPtr()->addDocument(std::make_unique<ZcDbDatabase>(true), "a.dxf");
  auto* b = zcDocManagerPtr()->addDocument(std::make_unique<ZcDbDatabase>(true), "b.dxf");
  manager.docData(a);
  manager.docData(b);
  zcDocManagerPtr()->closeDocument(a);
  EXPECT_EQ(manager.size(), 1u);
  zcDocManagerPtr()->closeDocument(b);
  EXPECT_EQ(manager.size(), 0u);
}

}  // namespace
