// The LISP functions on points and codes, called through a LISP session
// bound to the module's entry point, on a drawing and a project of their own.
#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "module/entry.hpp"
#include "frame/installation.hpp"
#include "host/app/console_io.hpp"
#include "host/app/host_app.hpp"
#include "host/db/entities.hpp"
#include "host/ed/editor.hpp"
#include "host/ed/selection.hpp"
#include "host/lisp/lisp.hpp"
#include "points/blocks.hpp"
#include "points/project.hpp"
#include "points/codification.hpp"
#include "support/lisp_session.hpp"

extern char** environ;

namespace fs = std::filesystem;
using host::lisp::LineResult;
using host::lisp::Value;

namespace {

// Set in the copy of this program that runs one test with another
// installation folder (see ChgrepptsFromAnInstallationFolderWithCapitals).
constexpr const char* kVariableEnfant = "GELTARO_LISP_POINTS_ENFANT";

fs::path copierBibliotheque(const fs::path& dossier) {
  fs::remove_all(dossier);
  fs::create_directories(dossier / "biblio");
  for (const char* f : {"vrelblk1.dxf", "vrelblk3.dxf"})
    fs::copy_file(fs::path(GELTARO_SOURCE_DIR) / "data" / "biblio" / f, dossier / "biblio" / f);
  return dossier;
}


// A LISP session with the module's functions; the station's symbol comes
// from the block library.
class LispPoints : public geltaro::testing::SessionLispModule {
 protected:
  void SetUp() override {
    SessionLispModule::SetUp();
    facteurTailleBlocs = 1.0;
    tableCodification& codes = codification();
    codes.getAt(codes.indexDuCode(100)).chemin = fichierInstallation(L"vrelblk3.dwg", L"biblio");
  }
  void TearDown() override {
    SessionLispModule::TearDown();
    facteurTailleBlocs = 1.0;
  }
  // A chain the LISP reader cannot produce replaces the arguments.
  void avantAppel() override {
    if (argumentsImposes_) ev_.currentCall()->args = *argumentsImposes_;
  }

  // Calls `fonction` with exactly this chain of arguments.
  LineResult appelerAvec(const std::string& fonction, const ResbufChain& args) {
    argumentsImposes_ = args;
    LineResult r = lisp("(" + fonction + ")");
    argumentsImposes_.reset();
    return r;
  }
  // Appends a point to the current table, with its block unless `bloc` is false.
  ZcDbObjectId ajouterPoint(const wchar_t* nom, int code, bool bloc = true, double x = 0, double y = 0) {
    pointDuDessin p;
    p.setParams(nom, {x, y, 1.0}, code);
    if (bloc) p.creer(true, nullptr);
    table().Ajouter(p);
    return p.getId();
  }
  const pointDuDessin* point(const wchar_t* nom) {
    int pos;
    return table().existPoint(nom, pos) ? table().getData(pos) : nullptr;
  }
  std::vector<std::wstring> nomsDesPoints() {
    std::vector<std::wstring> noms;
    for (const pointDuDessin& p : table().points()) noms.push_back(p.getNomPointW());
    return noms;
  }
  static std::wstring attribut(ZcDbObjectId bloc, const wchar_t* tag) {
    ZcDbObjectPointer<ZcDbBlockReference> ref(bloc, ZcDb::kForRead);
    std::wstring texte = L"<absent>";
    if (ref.openStatus() == Zcad::eOk) lireAttribut(*ref, tag, texte);
    return texte;
  }
  static std::string nomDuBloc(ZcDbObjectId bloc) {
    ZcDbObjectPointer<ZcDbBlockReference> ref(bloc, ZcDb::kForRead);
    return ref.openStatus() == Zcad::eOk ? ref->blockName() : "<absent>";
  }
  // The entities of a selection set returned by a call.
  static std::vector<ZcDbObjectId> selection(const LineResult& r) {
    EXPECT_EQ(r.value.kind, Value::Kind::PickSet) << r.printed << r.error;
    const ZcSelectionSet* ss = host::selectionSet(r.value.pickset.id);
    return ss ? ss->ids : std::vector<ZcDbObjectId>{};
  }

 private:
  std::optional<ResbufChain> argumentsImposes_;
};

// ------------------------------------------------------------ look-ups

TEST_F(LispPoints, MaxnumReadsTheLeadingNumberOfTheNames) {
  struct Cas {
    std::vector<const wchar_t*> noms;
    const char* attendu;
  } cas[] = {{{}, "1"},
             {{L"7", L"12", L"B4", L"3a"}, "13"},
             {{L"B4", L"x"}, "1"},
             {{L"999999999"}, "1000000000"}};
  for (const auto& c : cas) {
    table().vider();
    for (const wchar_t* nom : c.noms) ajouterPoint(nom, 1, false);
    const LineResult r = lisp("(maxnum)");
    EXPECT_EQ(r.printed, c.attendu) << c.noms.size();
    EXPECT_EQ(r.error, "");
  }
}

class Selections : public LispPoints {
 protected:
  void SetUp() override {
    LispPoints::SetUp();
    p3 = ajouterPoint(L"P3", 5);
    p4 = ajouterPoint(L"P4", 7);
    ajouterPoint(L"P5", 5, false);  // no block
    p6 = ajouterPoint(L"P6", 5);
    x1 = ajouterPoint(L"X1", 5);
    erased = ajouterPoint(L"P2", 5);
    ZcDbObjectPointer<ZcDbEntity> e(erased, ZcDb::kForWrite);
    e->erase();  // a block that is gone is no block
  }
  ZcDbObjectId p3, p4, p6, x1, erased;
};

TEST_F(Selections, SelectAllTakesTheBlocksInTableOrder) {
  EXPECT_EQ(selection(lisp("(select_all)")), (std::vector<ZcDbObjectId>{p3, p4, p6, x1}));
  table().vider();
  EXPECT_TRUE(selection(lisp("(select_all)")).empty());
}

TEST_F(Selections, SeloncodeNeedsAnInteger) {
  EXPECT_EQ(selection(lisp("(seloncode 5)")), (std::vector<ZcDbObjectId>{p3, p6, x1}));
  EXPECT_TRUE(selection(lisp("(seloncode 42)")).empty());
  EXPECT_TRUE(selection(lisp("(seloncode 70000)")).empty());  // a long integer is a code too
  for (const char* appel : {"(seloncode 2.0)", "(seloncode 5.0)", "(seloncode \"5\")", "(seloncode)"}) {
    const LineResult r = lisp(appel);
    EXPECT_EQ(r.printed, "nil") << appel;
    EXPECT_EQ(r.error, "") << appel;
  }
}

TEST_F(Selections, SelonnumTakesTheNamedPointsOfARange) {
  const std::vector<ZcDbObjectId> p3p4{p3, p4};
  EXPECT_EQ(selection(lisp("(selonnum \"P\" 5 3)")), p3p4);
  EXPECT_EQ(selection(lisp("(selonnum \"p\" 3 5)")), p3p4);  // names ignore case
  EXPECT_EQ(selection(lisp("(selonnum \"P\" 1 6)")), (std::vector<ZcDbObjectId>{p3, p4, p6}));
  EXPECT_EQ(selection(lisp("(selonnum \"X\" 1 1)")), std::vector<ZcDbObjectId>{x1});
  EXPECT_TRUE(selection(lisp("(selonnum \"Q\" -3 3)")).empty());
  // Wrong types give nil; so do numbers beyond a short (long integers could
  // make the range run over billions of names).
  for (const char* appel : {"(selonnum \"P\" 3.0 5)", "(selonnum \"P\" 3 5.0)", "(selonnum 1 3 5)",
                            "(selonnum \"P\" 3)", "(selonnum \"P\" \"3\" 5)", "(selonnum \"P\" 3 40000)"}) {
    const LineResult r = lisp(appel);
    EXPECT_EQ(r.printed, "nil") << appel;
    EXPECT_EQ(r.error, "") << appel;
  }
}

TEST_F(Selections, EnamePtGivesTheBlockOfANamedPoint) {
  const LineResult r = lisp("(ename_pt \"p3\")");
  ASSERT_EQ(r.value.kind, Value::Kind::Ename) << r.printed;
  EXPECT_EQ(r.value.ename, p3);
  for (const char* appel : {"(ename_pt \"P5\")", "(ename_pt \"P2\")", "(ename_pt \"ZZ\")"})
    EXPECT_EQ(lisp(appel).printed, "nil") << appel;
  // Not a name: no value at all.
  for (const char* appel : {"(ename_pt 3)", "(ename_pt)"}) {
    const LineResult n = lisp(appel);
    EXPECT_EQ(n.printed, "") << appel;
    EXPECT_EQ(n.error, "") << appel;
  }
}

// ------------------------------------------------------------ add_pt

TEST_F(LispPoints, AddPtAddsAPointWithItsBlock) {
  // Four elements: the point is added, the result is nil.
  EXPECT_EQ(lisp("(add_pt \"A2\" 3 '(1.0 2.0 3.0) 10.0)").printed, "nil");
  // Five: no value.
  EXPECT_EQ(lisp("(add_pt \"A3\" 3 '(4.0 5.0) \" 12.5 \" \"borne\")").printed, "");
  EXPECT_EQ(nomsDesPoints(), (std::vector<std::wstring>{L"A2", L"A3"}));

  const pointDuDessin* a2 = point(L"A2");
  EXPECT_EQ(a2->getX(), 1.0);
  EXPECT_EQ(a2->getY(), 2.0);
  EXPECT_EQ(a2->getZ(), 10.0);
  EXPECT_EQ(a2->getCode(), 3);
  EXPECT_EQ(attribut(a2->getId(), L"Z"), L"10.00");
  const pointDuDessin* a3 = point(L"A3");
  EXPECT_EQ(a3->getZ(), 12.5);
  EXPECT_EQ(attribut(a3->getId(), L"OBS"), L"borne");
  EXPECT_EQ(attribut(a3->getId(), L"NUMPT"), L"A3");
  EXPECT_EQ(sortie(), "");
}

TEST_F(LispPoints, AddPtAltitudeAndCode) {
  struct Cas {
    const char* code;
    const char* altitude;
    int codeAttendu;
    double zAttendu;
  } cas[] = {{"3", "\"12,5\"", 3, kIndefini},  {"3", "\"1.5E3\"", 3, 1500},    {"3", "\"12.\"", 3, kIndefini},
             {"3", "nil", 3, kIndefini},       {"3", "'alti", 3, kIndefini}, {"3", "-4", 3, -4},
             {"0", "1.0", 1, 1},               {"10000", "1.0", 1, 1},       {"70000", "1.0", 1, 1},
             {"-5", "1.0", 1, 1},              {"9999", "1.0", 9999, 1},     {"2.0", "1.0", 2, 1},
             // Non-finite numbers, as real or as text, are no altitude.
             {"3", "1e999", 3, kIndefini},     {"3", "\"1.5E999\"", 3, kIndefini}};
  for (const auto& c : cas) {
    table().vider();
    const std::string appel = std::string("(add_pt \"B\" ") + c.code + " '(1.0 2.0) " + c.altitude + " \"\")";
    EXPECT_EQ(lisp(appel).printed, "") << appel;
    ASSERT_EQ(table().nbPoint(), 1) << appel;
    EXPECT_EQ(table().getData(0)->getCode(), c.codeAttendu) << appel;
    EXPECT_EQ(table().getData(0)->getZ(), c.zAttendu) << appel;
    if (c.zAttendu == kIndefini) {
      EXPECT_EQ(attribut(table().getData(0)->getId(), L"Z"), L"") << appel;
    }
  }
}

TEST_F(LispPoints, AddPtTakesAPositionGivenAsAListOfTwoNumbers) {
  auto liste = [](std::vector<resbuf> membres) {
    ResbufChain c{resbuf::string(RTSTR, L"A1"), resbuf::shortInt(RTSHORT, 3), resbuf::shortInt(RTLB, 0)};
    c.insert(c.end(), membres.begin(), membres.end());
    c.push_back(resbuf::shortInt(RTLE, 0));
    return c;
  };
  // Seven elements; the altitude text with a decimal comma is no altitude.
  ResbufChain args = liste({resbuf::real(RTREAL, 100.0), resbuf::real(RTREAL, 200.0)});
  args.push_back(resbuf::string(RTSTR, L"12,5"));
  EXPECT_EQ(appelerAvec("add_pt", args).printed, "");
  ASSERT_EQ(table().nbPoint(), 1);
  const pointDuDessin& a1 = *table().getData(0);
  EXPECT_EQ(a1.getNomPointW(), L"A1");
  EXPECT_EQ(a1.getX(), 100.0);
  EXPECT_EQ(a1.getY(), 200.0);
  EXPECT_EQ(a1.getZ(), kIndefini);
  EXPECT_EQ(a1.getCode(), 3);
  EXPECT_TRUE(a1.getId().isValid());

  // Integers are numbers too; an observation may follow the altitude.
  args = liste({resbuf::shortInt(RTSHORT, 7), resbuf::longInt(RTLONG, 100000)});
  args.push_back(resbuf::real(RTREAL, 2.5));
  args.push_back(resbuf::string(RTSTR, L"mur"));
  EXPECT_EQ(appelerAvec("add_pt", args).printed, "");
  ASSERT_EQ(table().nbPoint(), 2);
  EXPECT_EQ(table().getData(1)->getX(), 7.0);
  EXPECT_EQ(table().getData(1)->getY(), 100000.0);
  EXPECT_EQ(table().getData(1)->getZ(), 2.5);
  EXPECT_EQ(attribut(table().getData(1)->getId(), L"OBS"), L"mur");

  // Not exactly two numbers, an unclosed list, or nothing after the list.
  const std::vector<ResbufChain> refuses = {
      [&] {
        ResbufChain c = liste({resbuf::real(RTREAL, 1), resbuf::real(RTREAL, 2), resbuf::real(RTREAL, 3)});
        c.push_back(resbuf::real(RTREAL, 1));
        return c;
      }(),
      [&] {
        ResbufChain c = liste({resbuf::real(RTREAL, 1), resbuf::string(RTSTR, L"2")});
        c.push_back(resbuf::real(RTREAL, 1));
        return c;
      }(),
      {resbuf::string(RTSTR, L"A1"), resbuf::shortInt(RTSHORT, 3), resbuf::shortInt(RTLB, 0),
       resbuf::real(RTREAL, 1), resbuf::real(RTREAL, 2), resbuf::real(RTREAL, 3)},
      liste({resbuf::real(RTREAL, 1), resbuf::real(RTREAL, 2)}),
  };
  for (std::size_t i = 0; i < refuses.size(); ++i) {
    EXPECT_EQ(appelerAvec("add_pt", refuses[i]).printed, "nil") << i;
    EXPECT_EQ(table().nbPoint(), 2) << i;
  }
}

TEST_F(LispPoints, AddPtRefusesWrongArguments) {
  for (const char* appel :
       {"(add_pt 12 3 '(1.0 2.0) 1.0 \"\")", "(add_pt \"A\" \"3\" '(1.0 2.0) 1.0 \"\")",
        "(add_pt \"A\" 3 \"1,2\" 1.0 \"\")", "(add_pt \"A\" 3 12.0 1.0 \"\")", "(add_pt \"A\" 3 '(1.0 2.0))",
        "(add_pt \"A\" 3)", "(add_pt)"}) {
    const LineResult r = lisp(appel);
    EXPECT_EQ(r.printed, "nil") << appel;
    EXPECT_EQ(r.error, "") << appel;
  }
  EXPECT_EQ(table().nbPoint(), 0);
  EXPECT_EQ(sortie(), "");
}

TEST_F(LispPoints, AddPtKeepsAPointOfTheSameName) {
  lisp("(add_pt \"D\" 1 '(1.0 1.0) 1.0 \"premier\")");
  lisp("(add_pt \"D\" 1 '(2.0 2.0) 2.0 \"second\")");
  ASSERT_EQ(table().nbPoint(), 2);
  const ZcDbObjectId premier = table().getData(0)->getId(), second = table().getData(1)->getId();
  EXPECT_TRUE(premier.isValid());
  EXPECT_TRUE(second.isValid());
  EXPECT_NE(premier, second);
  EXPECT_EQ(attribut(premier, L"OBS"), L"premier");
  EXPECT_EQ(attribut(second, L"OBS"), L"second");
}

// ------------------------------------------------------------ gltraddpt

TEST_F(LispPoints, GltraddptReplacesThePointOfTheSameName) {
  ajouterPoint(L"K", 1);
  const ZcDbObjectId ancien = ajouterPoint(L"S1", 1, true, 5, 5);
  ajouterPoint(L"L", 1);
  EXPECT_EQ(lisp("(gltraddpt \"s1\" 100 '(10.0 20.0) nil \"regard\")").printed, "");
  EXPECT_EQ(table().nbPoint(), 3);
  EXPECT_TRUE(ancien.isErased());
  const pointDuDessin* s1 = point(L"S1");
  ASSERT_NE(s1, nullptr);
  EXPECT_EQ(s1->getX(), 10.0);
  EXPECT_EQ(s1->getY(), 20.0);
  EXPECT_EQ(s1->getZ(), kIndefini);
  EXPECT_EQ(s1->getCode(), 100);
  EXPECT_EQ(attribut(s1->getId(), L"OBS"), L"regard");
  EXPECT_EQ(attribut(s1->getId(), L"Z"), L"");
  EXPECT_EQ(nomDuBloc(s1->getId()), "vrelblk3");  // the block of code 100
  EXPECT_EQ(sortie(), "");
}

// A stored point whose id names an unrelated entity (a text of the
// drawing): replacing the point leaves the text alone, and the functions
// that hand out point blocks do not hand it out.
TEST_F(LispPoints, AnIdThatIsNotThePointsBlockIsNeitherErasedNorHandedOut) {
  ZcDbObjectId texte;
  {
    ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db_.modelSpaceId(), ZcDb::kForWrite);
    auto t = std::make_unique<ZcDbText>(ZcGePoint3d(3, 4, 0), L"Rue des Lilas");
    ms->appendZcDbEntity(texte, t.get());
  }
  pointDuDessin p;
  p.setParams(L"S1", {5, 5, 1}, 1);
  p.setId(texte);
  table().Ajouter(p);
  EXPECT_EQ(lisp("(ename_pt \"S1\")").printed, "nil");
  EXPECT_TRUE(selection(lisp("(select_all)")).empty());
  EXPECT_TRUE(selection(lisp("(seloncode 1)")).empty());
  EXPECT_TRUE(selection(lisp("(selonnum \"S\" 1 1)")).empty());

  EXPECT_EQ(lisp("(gltraddpt \"S1\" 100 '(10.0 20.0) nil \"regard\")").printed, "");
  EXPECT_FALSE(texte.isErased());
  ZcDbObjectPointer<ZcDbText> t(texte, ZcDb::kForRead);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->textString(), L"Rue des Lilas");
  t.close();
  ASSERT_EQ(table().nbPoint(), 1);
  const pointDuDessin* s1 = point(L"S1");
  ASSERT_NE(s1, nullptr);
  EXPECT_EQ(attribut(s1->getId(), L"NUMPT"), L"S1");
  EXPECT_EQ(lisp("(ename_pt \"S1\")").value.kind, Value::Kind::Ename);
}

TEST_F(LispPoints, GltraddptCodeAndAltitude) {
  struct Cas {
    const char* code;
    const char* altitude;
    int codeAttendu;
    double zAttendu;
  } cas[] = {{"\"12\"", "3.5", 12, 3.5}, {"\"abc\"", "3", 1, 3},   {"\"0\"", "nil", 1, kIndefini},
             {"20000", "nil", 1, kIndefini}, {"70000", "-1", 1, -1}, {"9999", "0", 9999, 0}};
  for (const auto& c : cas) {
    table().vider();
    const std::string appel = std::string("(gltraddpt \"G\" ") + c.code + " '(1.0 2.0 9.0) " + c.altitude + " \"\")";
    EXPECT_EQ(lisp(appel).printed, "") << appel;
    ASSERT_EQ(table().nbPoint(), 1) << appel;
    EXPECT_EQ(table().getData(0)->getCode(), c.codeAttendu) << appel;
    EXPECT_EQ(table().getData(0)->getZ(), c.zAttendu) << appel;
  }
}

TEST_F(LispPoints, GltraddptRefusesWrongArguments) {
  const ZcDbObjectId g = ajouterPoint(L"G", 1);
  for (const char* appel :
       {"(gltraddpt 1 1 '(1.0 2.0) nil \"\")", "(gltraddpt \"G\" 1.0 '(1.0 2.0) nil \"\")",
        "(gltraddpt \"G\" 1 \"1,2\" nil \"\")", "(gltraddpt \"G\" 1 '(1.0 2.0) \"3\" nil)",
        "(gltraddpt \"G\" 1 '(1.0 2.0) nil nil)", "(gltraddpt \"G\" 1 '(1.0 2.0) nil 5)"}) {
    const LineResult r = lisp(appel);
    EXPECT_EQ(r.printed, "") << appel;
    EXPECT_EQ(sortie(), "\nInvalid params") << appel;
  }
  // Fewer than five arguments: nil, without a message.
  for (const char* appel : {"(gltraddpt \"G\" 1 '(1.0 2.0) nil)", "(gltraddpt)"}) {
    EXPECT_EQ(lisp(appel).printed, "nil") << appel;
    EXPECT_EQ(sortie(), "") << appel;
  }
  ASSERT_EQ(table().nbPoint(), 1);
  EXPECT_EQ(table().getData(0)->getId(), g);
  EXPECT_TRUE(g.isValid());
}

// ------------------------------------------------------------ drawing

TEST_F(LispPoints, RegPtsCreatesAndUpdatesTheBlocks) {
  ajouterPoint(L"R1", 1, false, 3, 4);
  const ZcDbObjectId r2 = ajouterPoint(L"R2", 1, true, 0, 0);
  table().getData(1)->setX(8);
  EXPECT_EQ(lisp("(reg_pts)").printed, "");
  const ZcDbObjectId r1 = table().getData(0)->getId();
  ASSERT_TRUE(r1.isValid());
  ZcDbObjectPointer<ZcDbBlockReference> ref1(r1, ZcDb::kForRead);
  EXPECT_EQ(ref1->position(), ZcGePoint3d(3, 4, 0));
  ref1.close();
  EXPECT_EQ(table().getData(1)->getId(), r2);
  ZcDbObjectPointer<ZcDbBlockReference> ref2(r2, ZcDb::kForRead);
  EXPECT_EQ(ref2->position(), ZcGePoint3d(8, 0, 0));
}

TEST_F(LispPoints, UpdarxttxtSetsTheBlockSizeFactor) {
  struct Cas {
    const char* appel;
    double facteur;
  } cas[] = {{"(updarxttxt -2)", 2},        {"(updarxttxt 0)", 1},         {"(updarxttxt 0.5)", 0.5},
             {"(updarxttxt -0.0000001)", 1}, {"(updarxttxt 70000)", 70000}, {"(updarxttxt \"3\")", 0.25},
             {"(updarxttxt nil)", 0.25},    {"(updarxttxt)", 0.25}};
  for (const auto& c : cas) {
    facteurTailleBlocs = 0.25;
    const LineResult r = lisp(c.appel);
    EXPECT_EQ(r.printed, "") << c.appel;
    EXPECT_DOUBLE_EQ(facteurTailleBlocs, c.facteur) << c.appel;
  }
  // The new points' blocks take it.
  lisp("(updarxttxt -2)");
  lisp("(add_pt \"F\" 1 '(0.0 0.0) 1.0 \"\")");
  ZcDbObjectPointer<ZcDbBlockReference> ref(table().getData(0)->getId(), ZcDb::kForRead);
  ASSERT_EQ(ref.openStatus(), Zcad::eOk);
  EXPECT_DOUBLE_EQ(ref->scaleFactors().sx, 2.0);
}

// The points of code 7 with a block, one of code 8, and one of code 7
// without a block.
class Chgreppts : public LispPoints {
 protected:
  void SetUp() override {
    LispPoints::SetUp();
    a = ajouterPoint(L"A", 7);
    b = ajouterPoint(L"B", 7);
    c = ajouterPoint(L"C", 8);
    ajouterPoint(L"D", 7, false);
  }
  std::vector<std::string> blocs() { return {nomDuBloc(a), nomDuBloc(b), nomDuBloc(c)}; }
  ZcDbObjectId a, b, c;
};

TEST_F(Chgreppts, ThePointsOfTheCodeTakeTheBlockOfTheFile) {
  ASSERT_EQ(blocs(), (std::vector<std::string>{"vrelblk1", "vrelblk1", "vrelblk1"}));
  for (const char* appel : {"(chgreppts 7.0 \"biblio\\\\vrelblk3\")", "(chgreppts 7 'vrelblk3)", "(chgreppts 7)",
                            "(chgreppts)"}) {
    const LineResult r = lisp(appel);
    EXPECT_EQ(r.printed, "") << appel;
    EXPECT_EQ(r.error, "") << appel;
    EXPECT_EQ(blocs(), (std::vector<std::string>{"vrelblk1", "vrelblk1", "vrelblk1"})) << appel;
  }
  // A library file that does not exist is told, not passed over in silence.
  {
    lisp("(chgreppts 7 \"biblio\\\\absent\")");
    const std::string dit = sortie();
    EXPECT_NE(dit.find("Bloc introuvable ["), std::string::npos) << dit;
    EXPECT_NE(dit.find("/biblio/absent.dwg]"), std::string::npos) << dit;
    EXPECT_EQ(blocs(), (std::vector<std::string>{"vrelblk1", "vrelblk1", "vrelblk1"}));
  }
  // The name in any case, with or without its extension.
  for (const char* appel : {"(chgreppts 7 \"BIBLIO\\\\VRELBLK3\")", "(chgreppts 7 \"biblio/vrelblk3.DWG\")"}) {
    lisp("(chgreppts 7 \"biblio\\\\vrelblk1\")");
    ASSERT_EQ(blocs(), (std::vector<std::string>{"vrelblk1", "vrelblk1", "vrelblk1"}));
    EXPECT_EQ(lisp(appel).printed, "") << appel;
    EXPECT_EQ(blocs(), (std::vector<std::string>{"vrelblk3", "vrelblk3", "vrelblk1"})) << appel;
  }
  // A library file named with capitals, given with its ".dxf" name or
  // without extension, is found as spelt.
  const fs::path biblio = fs::path(host::toUtf8(dossierInstallation())) / "biblio";
  fs::copy_file(biblio / "vrelblk3.dxf", biblio / "Haie.dxf", fs::copy_options::overwrite_existing);
  for (const char* appel : {"(chgreppts 7 \"biblio/Haie.dxf\")", "(chgreppts 7 \"biblio\\\\Haie\")"}) {
    lisp("(chgreppts 7 \"biblio\\\\vrelblk1\")");
    EXPECT_EQ(lisp(appel).printed, "") << appel;
    EXPECT_EQ(blocs(), (std::vector<std::string>{"haie", "haie", "vrelblk1"})) << appel;
  }
  fs::remove(biblio / "Haie.dxf");
  // The attributes stay with the block reference.
  EXPECT_EQ(attribut(a, L"NUMPT"), L"A");
  EXPECT_EQ(sortie(), "");
}

// Runs this program again on one test, with another installation folder.
int relancer(const std::string& test, const fs::path& installation) {
  std::string exe = fs::read_symlink("/proc/self/exe").string();
  std::vector<std::string> variables;
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "GELTARO_HOME=", 13) != 0) variables.push_back(*e);
  variables.push_back("GELTARO_HOME=" + installation.string());
  variables.push_back(std::string(kVariableEnfant) + "=1");
  std::vector<char*> envp;
  for (std::string& v : variables) envp.push_back(v.data());
  envp.push_back(nullptr);
  std::string filtre = "--gtest_filter=" + test, bref = "--gtest_brief=1";
  char* argv[] = {exe.data(), filtre.data(), bref.data(), nullptr};
  pid_t pid;
  if (::posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv, envp.data()) != 0) return -1;
  int statut = 0;
  if (::waitpid(pid, &statut, 0) != pid) return -1;
  return WIFEXITED(statut) ? WEXITSTATUS(statut) : -1;
}

// The installation folder is read once per process: the case of a folder
// whose path holds capitals runs in a copy of this program.
TEST_F(Chgreppts, FromAnInstallationFolderWithCapitals) {
  if (std::getenv(kVariableEnfant)) {
    ASSERT_NE(dossierInstallation().find(L"Majuscules"), std::wstring::npos);
    ASSERT_EQ(blocs(), (std::vector<std::string>{"vrelblk1", "vrelblk1", "vrelblk1"}));
    lisp("(chgreppts 7 \"Biblio\\\\VRELBLK3\")");
    EXPECT_EQ(blocs(), (std::vector<std::string>{"vrelblk3", "vrelblk3", "vrelblk1"}));
    return;
  }
  const fs::path dossier =
      copierBibliotheque(fs::temp_directory_path() / ("Geltaro-Majuscules-" + std::to_string(::getpid())));
  // The library's folder is named in lower case, as the given name is read.
  EXPECT_EQ(relancer("Chgreppts.FromAnInstallationFolderWithCapitals", dossier), 0);
  std::error_code ec;
  fs::remove_all(dossier, ec);
}

// ------------------------------------------------------------ codification

std::string libelles() {
  std::string s;
  for (int i = 0; i < codification().nbCodes(); ++i)
    s += std::to_string(codification().getAt(i).code) + "=" + host::toUtf8(codification().getAt(i).libelle) + ";";
  return s;
}

TEST_F(LispPoints, AddcodeptAndLoadcodept) {
  struct Cas {
    const char* appel;
    const char* printed;
    const char* table;
  } cas[] = {
      {"(addcodept 12 \"  \")", "", "1=Point topo;100=Station;12=Code 12;"},
      {"(addcodept 12 \"Regard\")", "", "1=Point topo;100=Station;12=Code 12;"},
      {"(addcodept 0 \"Zero\")", "", "1=Point topo;100=Station;12=Code 12;"},
      {"(addcodept 5 \"\t Borne \t\")", "", "1=Point topo;100=Station;12=Code 12;5=Borne;"},
      {"(addcodept 12.0 \"x\")", "nil", "1=Point topo;100=Station;12=Code 12;5=Borne;"},
      {"(addcodept 13 14)", "nil", "1=Point topo;100=Station;12=Code 12;5=Borne;"},
      {"(addcodept 13)", "nil", "1=Point topo;100=Station;12=Code 12;5=Borne;"},
  };
  for (const auto& c : cas) {
    const LineResult r = lisp(c.appel);
    EXPECT_EQ(r.printed, c.printed) << c.appel;
    EXPECT_EQ(r.error, "") << c.appel;
    EXPECT_EQ(libelles(), c.table) << c.appel;
  }
  EXPECT_EQ(lisp("(loadcodept)").printed,
            "((1 . \"Point topo\") (5 . \"Borne\") (12 . \"Code 12\") (100 . \"Station\"))");
  // The sort stays in the table.
  EXPECT_EQ(libelles(), "1=Point topo;5=Borne;12=Code 12;100=Station;");
}

TEST_F(LispPoints, AddcodeptBringsTheCodeIntoRange) {
  codification().vider();
  struct Cas {
    const char* appel;
    const char* table;
  } cas[] = {{"(addcodept 0 \"Zero\")", "1=Zero;"},
             {"(addcodept 10000 \"Dix mille\")", "1=Zero;"},
             {"(addcodept 70000 \"x\")", "1=Zero;"},
             {"(addcodept 9999 \"Max\")", "1=Zero;9999=Max;"}};
  for (const auto& c : cas) {
    EXPECT_EQ(lisp(c.appel).printed, "") << c.appel;
    EXPECT_EQ(libelles(), c.table) << c.appel;
  }
  // A new entry has the defaults of an entry.
  const codifPoint& max = codification().getAt(codification().indexDuCode(9999));
  const codifPoint defaut;
  EXPECT_EQ(max.chemin, defaut.chemin);
  EXPECT_EQ(max.tailleBlock, defaut.tailleBlock);
  EXPECT_EQ(max.calques, defaut.calques);
}

TEST_F(LispPoints, ResetcodesptsEmptiesTheCodification) {
  EXPECT_EQ(lisp("(resetcodespts)").printed, "");
  EXPECT_EQ(codification().nbCodes(), 0);
  EXPECT_EQ(lisp("(loadcodept)").printed, "nil");
  // Points still get their blocks: the entry is made on the way.
  lisp("(add_pt \"E\" 4 '(0.0 0.0) 1.0 \"\")");
  EXPECT_TRUE(table().getData(0)->getId().isValid());
  EXPECT_EQ(libelles(), "4=Code 4;");
}

// ------------------------------------------------------------ interaction

TEST_F(LispPoints, KGetptChecksItsArguments) {
  struct Cas {
    const char* appel;
    const char* message;
  } cas[] = {{"(k_getpt)", "\n1er param = NULL"},
             {"(k_getpt 1 nil)", "\n1er param n'est pas une chaine"},
             {"(k_getpt nil nil)", "\n1er param n'est pas une chaine"},
             {"(k_getpt \"Point :\")", "\n2eme param = NULL"},
             {"(k_getpt \"Point :\" \"1,2\")", "\n2eme param n'est pas un point, son code est 5005"},
             {"(k_getpt \"Point :\" 3)", "\n2eme param n'est pas un point, son code est 5003"},
             {"(k_getpt \"Point :\" 1.5)", "\n2eme param n'est pas un point, son code est 5001"},
             {"(k_getpt \"Point :\" '(1.0 2.0 3.0 4.0))", "\n2eme param n'est pas un point, son code est 5016"}};
  for (const auto& c : cas) {
    repondre("1,2\n");  // never asked
    const LineResult r = lisp(c.appel);
    EXPECT_EQ(r.printed, "nil") << c.appel;
    EXPECT_EQ(sortie(), c.message) << c.appel;
  }
}

TEST_F(LispPoints, KGetptAsksAPoint) {
  struct Cas {
    const char* appel;
    const char* reponses;
    const char* printed;
  } cas[] = {{"(k_getpt \"Point :\" nil)", "\n5,6\n", "(5.0 6.0 0.0)"},  // an empty answer is refused
             {"(k_getpt \"Point :\" nil)", "1,2,3\n", "(1.0 2.0 3.0)"},
             // Relative to the base point, whose z is left out.
             {"(k_getpt \"Point :\" '(10.0 20.0 5.0))", "@1,2\n", "(11.0 22.0 0.0)"},
             {"(k_getpt \"Point :\" '(10.0 20.0))", "@1,2\n", "(11.0 22.0 0.0)"},
             {"(k_getpt \"Point :\" nil)", "^C\n", "nil"},
             {"(k_getpt \"Point :\" nil)", "", "nil"},
             {"(k_getpt \"Point :\" nil)", "\n\n", "nil"}};
  for (const auto& c : cas) {
    repondre(c.reponses);
    const LineResult r = lisp(c.appel);
    EXPECT_EQ(r.printed, c.printed) << c.appel << " / " << c.reponses;
    EXPECT_EQ(r.error, "");
    const std::string s = sortie();
    EXPECT_NE(s.find("Point :"), std::string::npos) << s;
    if (c.reponses[0] == '\n') {
      EXPECT_NE(s.find("Un point est requis"), std::string::npos) << s;
    }
  }
}

TEST_F(LispPoints, IsVrplus2018) {
  EXPECT_EQ(lisp("(is_vrplus2018)").printed, "1");
  EXPECT_EQ(lisp("(is_vrplus2018 \"x\")").printed, "1");
}

}  // namespace
