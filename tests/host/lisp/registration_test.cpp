#include <gtest/gtest.h>

#include <memory>

#include "host/db/entities.hpp"
#include "lisp_fixture.hpp"

using namespace host::lisp;

namespace {

class LispRegistration : public LispTest {
 protected:
  void SetUp() override {
    LispTest::SetUp();
    setFunctionDispatcher([this](int code) -> int {
      ++calls;
      lastCode = zcedGetFunCode();
      if (code != lastCode) return RTERROR;
      auto it = handlers.find(code);
      return it == handlers.end() ? RTERROR : it->second();
    });
  }

  std::map<int, std::function<int()>> handlers;
  int calls = 0;
  int lastCode = -1;
};

std::vector<short> types(const ResbufChain& c) {
  std::vector<short> out;
  for (const resbuf& rb : c) out.push_back(rb.restype);
  return out;
}

TEST_F(LispRegistration, ArgumentsArriveAsTheHostsResbufs) {
  ASSERT_EQ(zcedDefun(L"geltaro-args", 7), RTNORM);
  ResbufChain seen;
  handlers[7] = [&] {
    seen = zcedGetArgs();
    // Answer with a list built the way applications build them.
    ResbufChain out = {resbuf::string(RTSTR, L"Point topo"), resbuf::shortInt(RTSHORT, 12),
                       resbuf::point(RT3DPOINT, ZcGePoint3d(1, 2, 3)), resbuf::shortInt(RTLB, 0),
                       resbuf::shortInt(RTSHORT, 1), resbuf::shortInt(RTDOTE, 0),
                       resbuf::string(RTSTR, L"a"), resbuf::shortInt(RTLE, 0), resbuf::shortInt(RTNIL, 0)};
    return zcedRetList(out);
  };
  EXPECT_EQ(run("(geltaro-args '(1.0 2.0) '(1 2 3) \"txt\" 7 70000 2.5 nil T '(8 . \"0\") '(1 2 3 4))"),
            "(\"Point topo\" 12 (1.0 2.0 3.0) (1 . \"a\") nil)");
  EXPECT_EQ(types(seen), (std::vector<short>{RTPOINT, RT3DPOINT, RTSTR, RTSHORT, RTLONG, RTREAL, RTNIL, RTT, RTLB,
                                             RTSHORT, RTDOTE, RTSTR, RTLE, RTLB, RTSHORT, RTSHORT, RTSHORT,
                                             RTSHORT, RTLE}));
  ASSERT_EQ(seen.size(), 19u);
  EXPECT_EQ(seen[0].resval.rpoint.y, 2.0);
  EXPECT_EQ(seen[1].resval.rpoint.z, 3.0);
  EXPECT_EQ(seen[2].resval.rstring, L"txt");
  EXPECT_EQ(seen[3].resval.rint, 7);
  EXPECT_EQ(seen[4].resval.rlong, 70000);
  EXPECT_EQ(seen[5].resval.rreal, 2.5);
  // Names are case-insensitive, as every LISP symbol.
  EXPECT_EQ(run("(GELTARO-ARGS)"), "(\"Point topo\" 12 (1.0 2.0 3.0) (1 . \"a\") nil)");
  EXPECT_TRUE(seen.empty());
}

TEST_F(LispRegistration, EachReturnCallGivesTheCallsValue) {
  ZcDbDatabase db;
  ZcDbObjectId line;
  {
    ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db.modelSpaceId(), ZcDb::kForWrite);
    auto l = std::make_unique<ZcDbLine>(ZcGePoint3d(0, 0, 0), ZcGePoint3d(1, 0, 0));
    ASSERT_EQ(ms->appendZcDbEntity(line, l.get()), Zcad::eOk);
  }
  struct Case {
    const char* why;
    std::function<int()> ret;
    LineStatus status;
    std::string printed;
  };
  const Case cases[] = {
      {"integer", [] { return zcedRetInt(5); }, LineStatus::Value, "5"},
      {"large integer", [] { return zcedRetInt(100000); }, LineStatus::Value, "100000"},
      {"real", [] { return zcedRetReal(2.5); }, LineStatus::Value, "2.5"},
      {"string", [] { return zcedRetStr(L"Dépôt \"A\""); }, LineStatus::Value, "\"Dépôt \\\"A\\\"\""},
      {"point", [] { return zcedRetPoint(ZcGePoint3d(1, 2, 3)); }, LineStatus::Value, "(1.0 2.0 3.0)"},
      {"T", [] { return zcedRetT(); }, LineStatus::Value, "T"},
      {"nil", [] { return zcedRetNil(); }, LineStatus::Value, "nil"},
      {"empty list is nil", [] { return zcedRetList({}); }, LineStatus::Value, "nil"},
      {"void prints nothing", [] { return zcedRetVoid(); }, LineStatus::NoValue, ""},
      {"nothing returned is nil", [] { return int(RTNORM); }, LineStatus::Value, "nil"},
      {"entity name", [&] { return zcedRetName(line); }, LineStatus::Value,
       "<Entity name: " + line.handle().toString() + ">"},
      {"the last return wins", [] { return zcedRetInt(1), zcedRetStr(L"last"); }, LineStatus::Value, "\"last\""},
  };
  ASSERT_EQ(zcedDefun("geltaro-ret", 3), RTNORM);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    handlers[3] = c.ret;
    LineResult r = ev.evaluateText("(geltaro-ret)");
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.printed, c.printed);
  }
}

TEST_F(LispRegistration, FailuresAreErrorsNotValues) {
  ASSERT_EQ(zcedDefun(L"geltaro-fail", 4), RTNORM);
  struct Case {
    const char* why;
    std::function<int()> body;
    const char* result;
  };
  const Case cases[] = {
      {"function reports failure", [] { return zcedRetInt(1), int(RTERROR); }, "ERR: échec de la fonction GELTARO-FAIL"},
      {"function throws",
       []() -> int { throw std::runtime_error("fichier absent"); },
       "ERR: échec de la fonction GELTARO-FAIL: fichier absent"},
      {"malformed list refused", [] { return zcedRetList({resbuf::shortInt(RTLB, 0)}); },
       "ERR: échec de la fonction GELTARO-FAIL"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    handlers[4] = c.body;
    EXPECT_EQ(run("(geltaro-fail)"), c.result);
  }
  // Outside a call the call-bound functions refuse.
  EXPECT_EQ(zcedGetFunCode(), RTERROR);
  EXPECT_TRUE(zcedGetArgs().empty());
  EXPECT_EQ(zcedRetInt(1), RTERROR);
  EXPECT_EQ(zcedRetVoid(), RTERROR);
  EXPECT_EQ(zcedRetName(ZcDbObjectId(), RTPICKS), RTERROR);

  setFunctionDispatcher(nullptr);
  EXPECT_EQ(run("(geltaro-fail)"), "ERR: aucune application ne traite la fonction: GELTARO-FAIL");
}

TEST_F(LispRegistration, ReportedErrorsArePrintedAndTheValueStaysTheFunctions) {
  ASSERT_EQ(zcedDefun(L"geltaro-report", 5), RTNORM);
  handlers[5] = [] {
    zcedRetNil();
    return zcdbFail(L"\nDonnée refusée");
  };
  clearOutput();
  EXPECT_EQ(run("(geltaro-report)"), "nil");
  EXPECT_EQ(output(), "\nDonnée refusée");
  EXPECT_EQ(zcdbFail(nullptr), RTNORM);
}

TEST_F(LispRegistration, DefineAndUndefine) {
  struct Case {
    const char* why;
    int status;
    int expected;
  };
  const Case cases[] = {
      {"define", zcedDefun(L"geltaro-x", 1), RTNORM},
      {"redefine with another code", zcedDefun(L"GELTARO-X", 2), RTNORM},
      {"undefine with the old code", zcedUndef(L"geltaro-x", 1), RTERROR},
      {"empty name", zcedDefun(L"", 5), RTERROR},
      {"null name", zcedDefun(static_cast<const wchar_t*>(nullptr), 5), RTERROR},
      {"name with a space", zcedDefun(L"a b", 5), RTERROR},
      {"negative code", zcedDefun(L"geltaro-y", -1), RTERROR},
      {"undefine unknown", zcedUndef(L"geltaro-never", 1), RTERROR},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(c.status, c.expected);
  }
  handlers[2] = [] { return zcedRetInt(2); };
  EXPECT_EQ(run("(geltaro-x)"), "2");
  EXPECT_EQ(zcedUndef(L"geltaro-x", 2), RTNORM);
  EXPECT_EQ(run("(geltaro-x)"), "ERR: fonction inconnue: GELTARO-X");
}

TEST_F(LispRegistration, CommandFunctions) {
  ASSERT_EQ(zcedDefun(L"c:GeltaroLeve", 9), RTNORM);
  int ran = 0;
  handlers[9] = [&] {
    ++ran;
    EXPECT_TRUE(zcedGetArgs().empty());
    return zcedRetVoid();
  };
  EXPECT_TRUE(isCommandFunction("geltaroleve"));
  EXPECT_TRUE(isCommandFunction("GELTAROLEVE"));
  EXPECT_FALSE(isCommandFunction("c:geltaroleve"));
  EXPECT_FALSE(isCommandFunction(""));
  EXPECT_TRUE(callCommandFunction("GeltaroLeve"));
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(run("(c:geltaroleve)"), "");
  EXPECT_EQ(ran, 2);

  // A function without the prefix is not a command.
  ASSERT_EQ(zcedDefun(L"geltaro-plain", 10), RTNORM);
  EXPECT_FALSE(isCommandFunction("geltaro-plain"));
  EXPECT_FALSE(callCommandFunction("geltaro-plain"));

  // Commands defined in LISP.
  run("(defun c:bonjour () (princ \"bonjour\") (princ))");
  EXPECT_TRUE(isCommandFunction("BONJOUR"));
  clearOutput();
  EXPECT_TRUE(callCommandFunction("bonjour"));
  EXPECT_EQ(output(), "bonjour");

  // A failing command reports its error and returns false.
  run("(defun c:casse () (/ 1 0))");
  clearOutput();
  EXPECT_FALSE(callCommandFunction("casse"));
  EXPECT_EQ(output(), "; erreur: division par zéro\n");
}

TEST_F(LispRegistration, NestedCallsKeepTheirOwnArgumentsAndCodes) {
  ASSERT_EQ(zcedDefun(L"geltaro-outer", 20), RTNORM);
  ASSERT_EQ(zcedDefun(L"geltaro-inner", 21), RTNORM);
  handlers[21] = [] {
    ResbufChain args = zcedGetArgs();
    return zcedRetInt(args.size() == 1 ? args[0].resval.rint * 10 : -1);
  };
  handlers[20] = [&] {
    // The application evaluates LISP while its own call is in progress.
    LineResult inner = ev.evaluateText("(geltaro-inner 4)");
    ResbufChain args = zcedGetArgs();
    if (zcedGetFunCode() != 20 || args.size() != 2) return int(RTERROR);
    return zcedRetList({resbuf::shortInt(RTSHORT, short(std::stoi(inner.printed))), args[1]});
  };
  EXPECT_EQ(run("(geltaro-outer 1 \"b\")"), "(40 \"b\")");
}

TEST_F(LispRegistration, EntgetOfARealEntity) {
  ZcDbDatabase db;
  ZcDbObjectId line;
  {
    ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db.modelSpaceId(), ZcDb::kForWrite);
    auto l = std::make_unique<ZcDbLine>(ZcGePoint3d(1, 2, 0), ZcGePoint3d(4, 6, 0.5));
    ASSERT_EQ(ms->appendZcDbEntity(line, l.get()), Zcad::eOk);
  }
  // The entity reaches LISP as an application returns it.
  ASSERT_EQ(zcedDefun(L"geltaro-last", 30), RTNORM);
  handlers[30] = [&] { return zcedRetName(line); };
  std::string name = "<Entity name: " + line.handle().toString() + ">";
  struct Case {
    const char* why;
    const char* text;
    std::string result;
  };
  const std::vector<Case> cases = {
      {"the name", "(setq e (geltaro-last))", name},
      {"its type", "(type e)", "ENAME"},
      {"entity type", "(cdr (assoc 0 (entget e)))", "\"LINE\""},
      {"handle", "(cdr (assoc 5 (entget e)))", "\"" + line.handle().toString() + "\""},
      {"own name first", "(car (entget e))", "(-1 . " + name + ")"},
      {"start point", "(assoc 10 (entget e))", "(10 1.0 2.0 0.0)"},
      {"end point", "(cdr (assoc 11 (entget e)))", "(4.0 6.0 0.5)"},
      {"points measure", "(distance (cdr (assoc 10 (entget e))) (cdr (assoc 11 (entget e))))", "5.02494"},
      {"names pass back as names", "(equal (cdr (assoc -1 (entget e))) e)", "T"},
      {"not an entity", "(entget \"e\")", "ERR: type d'argument incorrect: lentityp: \"e\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(run(c.text), c.result);
  }
  // Entity names reach applications as RTENAME.
  ASSERT_EQ(zcedDefun(L"geltaro-echo", 31), RTNORM);
  ResbufChain seen;
  handlers[31] = [&] {
    seen = zcedGetArgs();
    return zcedRetVoid();
  };
  run("(geltaro-echo e)");
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].restype, RTENAME);
  EXPECT_EQ(seen[0].resval.rlname, line);

  // An erased entity has no list.
  {
    ZcDbObjectPointer<ZcDbEntity> ent(line, ZcDb::kForWrite);
    ASSERT_EQ(ent->erase(), Zcad::eOk);
  }
  EXPECT_EQ(run("(entget e)"), "nil");
}

}  // namespace
