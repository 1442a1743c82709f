#include <gtest/gtest.h>

#include <sstream>

#include "host/app/console_io.hpp"
#include "host/db/entities.hpp"
#include "host/ed/editor.hpp"
#include "host/ed/selection.hpp"

namespace {

// Binds the session's console to a script for the life of the object.
struct Scripted {
  std::istringstream in;
  std::ostringstream out;
  host::ConsoleIO io;
  host::ConsoleIO* previous;
  explicit Scripted(const std::string& script) : in(script), io(in, out) { previous = host::setConsole(&io); }
  ~Scripted() { host::setConsole(previous); }
};

ZcDbObjectId add(ZcDbDatabase& db, ZcDbEntity* e) {
  ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db.modelSpaceId(), ZcDb::kForWrite);
  ZcDbObjectId id;
  EXPECT_EQ(ms->appendZcDbEntity(id, e), Zcad::eOk);
  return id;
}

}  // namespace

TEST(Prompts, AnswersAndStatuses) {
  struct Case {
    const char* why;
    std::string script;
    int flags;
    const wchar_t* keywords;
    int status;
    double x, y;
  } cases[] = {
      {"a point", "10,20\n", 0, nullptr, RTNORM, 10, 20},
      {"a 3D point", "1.5,-2,3\n", 0, nullptr, RTNORM, 1.5, -2},
      {"Enter", "\n", 0, nullptr, RTNONE, 0, 0},
      {"Enter refused, then a point", "\n5,6\n", RSG_NONULL, nullptr, RTNORM, 5, 6},
      {"Escape", "^C\n", 0, nullptr, RTCAN, 0, 0},
      {"end of input is Escape", "", 0, nullptr, RTCAN, 0, 0},
      {"a keyword", "sel\n", 0, L"Select Position", RTKWORD, 0, 0},
      {"not a point, then one", "abc\n1,1\n", 0, nullptr, RTNORM, 1, 1},
      {"comments are skipped", "; a comment\n7,8\n", 0, nullptr, RTNORM, 7, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    Scripted s(c.script);
    zcedInitGet(c.flags, c.keywords);
    ZcGePoint3d p;
    EXPECT_EQ(zcedGetPoint(nullptr, L"\nPoint: ", p), c.status);
    if (c.status == RTNORM) {
      EXPECT_EQ(p.x, c.x);
      EXPECT_EQ(p.y, c.y);
    }
  }
}

TEST(Prompts, RelativePointsNumbersAndAngles) {
  Scripted s("100,200\n@10,-5\n42\n-3\n0\n2.5\n90\n100,300\n");
  ZcGePoint3d p;
  ASSERT_EQ(zcedGetPoint(nullptr, L"", p), RTNORM);
  ASSERT_EQ(zcedGetPoint(nullptr, L"", p), RTNORM);
  EXPECT_EQ(p.x, 110);
  EXPECT_EQ(p.y, 195);
  int n = 0;
  EXPECT_EQ(zcedGetInt(L"", n), RTNORM);
  EXPECT_EQ(n, 42);
  // Negative and zero refused by the flags, then a real accepted.
  zcedInitGet(RSG_NONEG | RSG_NOZERO);
  double d = 0;
  EXPECT_EQ(zcedGetReal(L"", d), RTNORM);
  EXPECT_EQ(d, 2.5);
  double a = 0;
  EXPECT_EQ(zcedGetOrient(nullptr, L"", a), RTNORM);
  EXPECT_NEAR(a, std::acos(-1.0) / 2, 1e-12);
  // A distance from a base point to the point given.
  ZcGePoint3d base(100, 200, 0);
  EXPECT_EQ(zcedGetDist(&base, L"", d), RTNORM);
  EXPECT_NEAR(d, 100, 1e-12);
}

TEST(Prompts, KeywordsMatchAsTheHostDoes) {
  struct Case {
    const wchar_t* answer;
    const wchar_t* keywords;
    const wchar_t* want;
  } cases[] = {
      {L"t", L"Tous Selection", L"Tous"},
      {L"SEL", L"Tous Selection", L"Selection"},
      {L"selection", L"Tous Selection", L"Selection"},
      {L"x", L"Tous Selection", L""},
      {L"lt", L"LType Layer", L"LType"},
      {L"la", L"LType Layer", L"Layer"},
      {L"l", L"LType LAyer", L""},
      {L"o", L"Oui Non _Yes No", L"Yes"},
      {L"_no", L"Oui Non _Yes No", L"No"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(host::toUtf8(c.answer));
    EXPECT_EQ(host::matchKeyword(c.answer, c.keywords), c.want);
  }
  Scripted s("p\n");
  zcedInitGet(0, L"Position Select");
  std::wstring kw;
  EXPECT_EQ(zcedGetKword(L"\nChoix [Position/Select]: ", kw), RTNORM);
  EXPECT_EQ(kw, L"Position");
}

TEST(Prompts, PrintfReadsWideStringsAsTheHostDoes) {
  Scripted s("");
  zcutPrintf(L"\nPoint %s : %d (%5.2f) %c", L"P12", 7, 3.14159, L'z');
  EXPECT_EQ(s.out.str(), "\nPoint P12 : 7 ( 3.14) z");
}

TEST(Selection, FiltersWildcardsAndModes) {
  ZcDbDatabase db;
  zcdbSetCurDwg(&db);
  {
    ZcDbObjectPointer<ZcDbLayerTable> lt(db.layerTableId(), ZcDb::kForWrite);
    auto l = std::make_unique<ZcDbLayerTableRecord>();
    l->setName(L"TOPO_POINTS");
    lt->add(l.get());
  }
  ZcDbObjectId line = add(db, std::make_unique<ZcDbLine>(ZcGePoint3d(0, 0, 0), ZcGePoint3d(10, 0, 0)).get());
  auto pt = std::make_unique<ZcDbPoint>(ZcGePoint3d(5, 5, 0));
  pt->setLayer(L"TOPO_POINTS");
  ZcDbObjectId point = add(db, pt.get());
  pt->setXData({resbuf::string(1001, L"VRELPLUS"), resbuf::shortInt(1070, 1)});
  pt.reset();
  auto poly = std::make_unique<ZcDb3dPolyline>();
  ZcDbObjectId poly3d = add(db, poly.get());
  poly.reset();
  ZcDbObjectId circle = add(db, std::make_unique<ZcDbCircle>(ZcGePoint3d(50, 50, 0), 2).get());

  struct Case {
    const char* why;
    ResbufChain filter;
    std::vector<ZcDbObjectId> want;
  } cases[] = {
      {"type", {resbuf::string(0, L"LINE")}, {line}},
      {"types with a wildcard", {resbuf::string(0, L"LINE,CIRC*")}, {line, circle}},
      {"layer, ignoring case", {resbuf::string(8, L"topo_*")}, {point}},
      {"subclass markers OR-ed",
       {resbuf::string(-4, L"<OR"), resbuf::string(100, L"AcDb3dPolyline"), resbuf::string(100, L"AcDbCircle"),
        resbuf::string(-4, L"OR>")},
       {poly3d, circle}},
      {"extended data of an application", {resbuf::shortInt(-3, 0), resbuf::string(1001, L"VRELPLUS")}, {point}},
      {"type and layer", {resbuf::string(0, L"POINT"), resbuf::string(8, L"0")}, {}},
      {"negation", {resbuf::string(0, L"~LINE")}, {point, poly3d, circle}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    ZcSelectionSet ss;
    int rc = zcedSSGet(L"X", nullptr, nullptr, &c.filter, ss);
    EXPECT_EQ(rc, c.want.empty() ? RTERROR : RTNORM);
    EXPECT_EQ(ss.ids, c.want);
  }
  zcdbSetCurDwg(nullptr);
}

TEST(Selection, UserAnswersKeepSelectionOrder) {
  ZcDbDatabase db;
  zcdbSetCurDwg(&db);
  ZcDbObjectId a = add(db, std::make_unique<ZcDbLine>(ZcGePoint3d(0, 0, 0), ZcGePoint3d(10, 0, 0)).get());
  ZcDbObjectId b = add(db, std::make_unique<ZcDbCircle>(ZcGePoint3d(100, 100, 0), 1).get());
  ZcDbObjectId c = add(db, std::make_unique<ZcDbPoint>(ZcGePoint3d(200, 0, 0)).get());
  std::string hb = "#" + b.handle().toString(), ha = "#" + a.handle().toString();
  Scripted s(hb + " " + ha + "\nw 150,-10 250,10\nall\nc 5,-1 6,1\n200.5,0.5\n\n^C\n");
  struct Case {
    const char* why;
    int status;
    std::vector<ZcDbObjectId> want;
  } cases[] = {
      {"handles, in the order given", RTNORM, {b, a}},
      {"window", RTNORM, {c}},
      {"all", RTNORM, {a, b, c}},
      {"crossing", RTNORM, {a}},
      {"a point near an entity", RTNORM, {c}},
      {"nothing", RTERROR, {}},
      {"escape", RTCAN, {}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.why);
    ZcSelectionSet ss;
    EXPECT_EQ(zcedSSGet(nullptr, nullptr, nullptr, nullptr, ss), k.status);
    EXPECT_EQ(ss.ids, k.want);
  }
  // Picks: by handle, near a point, keyword, nothing there.
  Scripted picks(ha + "\n100.5,101\nPosition\n500,500\n");
  ads_name e;
  ZcGePoint3d p;
  EXPECT_EQ(zcedEntSel(L"\nChoix: ", e, p), RTNORM);
  EXPECT_EQ(e.id, a);
  EXPECT_EQ(zcedEntSel(L"\nChoix: ", e, p), RTNORM);
  EXPECT_EQ(e.id, b);
  zcedInitGet(0, L"Position");
  EXPECT_EQ(zcedEntSel(L"\nChoix: ", e, p), RTKWORD);
  EXPECT_EQ(zcedEntSel(L"\nChoix: ", e, p), RTERROR);
  zcdbSetCurDwg(nullptr);
}

TEST(Selection, NestedPickReachesAttributes) {
  ZcDbDatabase db;
  zcdbSetCurDwg(&db);
  ZcDbObjectId btrId;
  {
    ZcDbObjectPointer<ZcDbBlockTable> bt(db.blockTableId(), ZcDb::kForWrite);
    auto btr = std::make_unique<ZcDbBlockTableRecord>();
    btr->setName(L"PT");
    bt->add(btrId, btr.get());
    btr->appendZcDbEntity(std::make_unique<ZcDbCircle>(ZcGePoint3d(0, 0, 0), 0.5).get());
  }
  auto ref = std::make_unique<ZcDbBlockReference>(ZcGePoint3d(10, 10, 0), btrId);
  ZcDbObjectId refId = add(db, ref.get());
  auto att = std::make_unique<ZcDbAttribute>(ZcGePoint3d(11, 11, 0), L"P1", L"NUMPT");
  att->setHeight(1);
  ZcDbObjectId attId;
  ref->appendAttribute(attId, att.get());
  att.reset();
  ref.reset();
  Scripted s("11.2,11.5\n10,10.4\n");
  ads_name e;
  ZcGePoint3d p;
  ZcGeMatrix3d xf;
  std::vector<ZcDbObjectId> containers;
  ASSERT_EQ(zcedNEntSelP(L"", e, p, false, xf, containers), RTNORM);
  EXPECT_EQ(e.id, attId);
  ASSERT_EQ(containers.size(), 1u);
  EXPECT_EQ(containers[0], refId);
  ASSERT_EQ(zcedNEntSelP(L"", e, p, false, xf, containers), RTNORM);
  EXPECT_EQ(e.id, refId);
  zcdbSetCurDwg(nullptr);
}

TEST(Selection, WildcardMatch) {
  struct Case {
    const wchar_t* text;
    const wchar_t* pattern;
    bool want;
  } cases[] = {
      {L"INSERT", L"INSERT", true},   {L"insert", L"INSERT", true}, {L"LINE", L"*LINE", true},
      {L"LWPOLYLINE", L"*LINE", true}, {L"ARC", L"LINE,ARC", true}, {L"A1", L"A#", true},
      {L"AB", L"A#", false},          {L"X", L"~X", false},         {L"Y", L"~X", true},
      {L"B", L"[A-C]", true},         {L"D", L"[A-C]", false},      {L"a,b", L"a`,b", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(host::toUtf8(c.text) + " ~ " + host::toUtf8(c.pattern));
    EXPECT_EQ(host::wcmatch(c.text, c.pattern), c.want);
  }
}

#include "host/ed/graphics.hpp"

TEST(Screen, VariablesZoomVectorsAndTextBox) {
  ZcDbDatabase db;
  zcdbSetCurDwg(&db);
  ASSERT_EQ(zcedZoomWindow(ZcGePoint3d(0, 0, 0), ZcGePoint3d(100, 50, 0)), RTNORM);
  resbuf v;
  ASSERT_EQ(zcedGetVar(L"VIEWCTR", v), RTNORM);
  EXPECT_EQ(v.resval.rpoint.x, 50);
  ASSERT_EQ(zcedGetVar(L"viewsize", v), RTNORM);
  EXPECT_EQ(v.resval.rreal, 62.5);  // 100 wide on a 1280 x 800 screen
  ASSERT_EQ(zcedGetVar(L"CLAYER", v), RTNORM);
  EXPECT_EQ(v.resval.rstring, L"0");
  EXPECT_EQ(zcedSetVar(L"CLAYER", resbuf::string(RTSTR, L"NOPE")), RTERROR);
  zcedSetErrno(52);
  ASSERT_EQ(zcedGetVar(L"ERRNO", v), RTNORM);
  EXPECT_EQ(v.resval.rint, 52);
  EXPECT_EQ(zcedGetVar(L"NOSUCHVAR", v), RTERROR);

  zcedGrDraw(ZcGePoint3d(0, 0, 0), ZcGePoint3d(1, 1, 0), 1, 0);
  EXPECT_EQ(temporaryVectors().size(), 1u);
  zcedRedraw(ZcDbObjectId(), 0);
  EXPECT_TRUE(temporaryVectors().empty());

  // The text box of "AB" height 2 is the one the database measures.
  ZcGePoint3d lo, hi;
  ASSERT_EQ(zcedTextBox({resbuf::string(1, L"AB"), resbuf::real(40, 2.0)}, lo, hi), RTNORM);
  EXPECT_NEAR(hi.x - lo.x, 4.4, 1e-12);
  EXPECT_NEAR(hi.y - lo.y, 2.0, 1e-12);
  zcdbSetCurDwg(nullptr);
}

namespace {
// A jig that records the points it is given.
struct LineJig : ZcEdJig {
  std::vector<ZcGePoint3d> sampled;
  int updates = 0;
  DragStatus sampler() override {
    ZcGePoint3d p;
    DragStatus s = acquirePoint(p);
    if (s == kNormal) sampled.push_back(p);
    return s;
  }
  bool update() override { return ++updates > 0; }
};
}  // namespace

TEST(Screen, JigsAndGraphicsRead) {
  Scripted s("1,2\nAngle\n\n3,4\n^C\nm 5,5\n7,8\nq\n\n");
  LineJig jig;
  jig.setDispPrompt(L"\nCoin: ");
  jig.setKeywordList(L"Angle Longueur");
  EXPECT_EQ(jig.drag(), ZcEdJig::kNormal);
  EXPECT_EQ(jig.drag(), ZcEdJig::kKW1);
  EXPECT_EQ(jig.keyword(), L"Angle");
  EXPECT_EQ(jig.drag(), ZcEdJig::kNull);
  EXPECT_EQ(jig.drag(), ZcEdJig::kNormal);
  EXPECT_EQ(jig.drag(), ZcEdJig::kCancel);
  ASSERT_EQ(jig.sampled.size(), 2u);
  EXPECT_EQ(jig.sampled[1].y, 4);
  EXPECT_EQ(jig.updates, 2);
  struct Case {
    int type;
  } events[] = {{5}, {3}, {2}, {25}, {0}};
  for (const Case& e : events) {
    int type = -1;
    resbuf v;
    zcedGrRead(0, type, v);
    EXPECT_EQ(type, e.type);
  }
}
