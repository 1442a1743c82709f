#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/lisp/lisp.hpp"

using namespace host::lisp;

namespace {

TEST(LispReader, ReadsAndPrintsAsTheHost) {
  struct Case {
    const char* why;
    const char* text;
    const char* prin1;
  };
  const Case cases[] = {
      {"integer", "42", "42"},
      {"negative integer", "-2", "-2"},
      {"explicit plus", "+3", "3"},
      {"real", "1.5", "1.5"},
      {"leading point", ".5", "0.5"},
      {"negative leading point", "-.25", "-0.25"},
      {"exponent makes a real", "1e3", "1000.0"},
      {"trailing point is a real", "2.", "2.0"},
      {"whole real keeps its point", "3.0", "3.0"},
      {"tenth", "0.1", "0.1"},
      {"six significant digits", "1234567.0", "1.23457e+06"},
      {"small real", "1e-5", "1.0e-05"},
      {"beyond 16 bits stays integer", "40000", "40000"},
      {"beyond 32 bits becomes real", "3000000000", "3.0e+09"},
      {"symbols are upper case", "abc", "ABC"},
      {"command symbol", "c:Foo", "C:FOO"},
      {"symbol that starts like a number", "1+", "1+"},
      {"exponent without digits is a symbol", "1e", "1E"},
      {"nil", "nil", "nil"},
      {"empty list is nil", "()", "nil"},
      {"T", "t", "T"},
      {"quote shorthand", "'x", "(QUOTE X)"},
      {"list", "(1 2 3)", "(1 2 3)"},
      {"dotted pair", "(1 . \"Point topo\")", "(1 . \"Point topo\")"},
      {"dot before a list splices it", "(a . (b c))", "(A B C)"},
      {"dot before nil ends the list", "(a . nil)", "(A)"},
      {"symbol with a point inside", "(a.b)", "(A.B)"},
      {"nested", "((1 2) (3 . 4) \"s\")", "((1 2) (3 . 4) \"s\")"},
      {"escapes kept by prin1", R"("a\"b\\c\nd\te")", R"("a\"b\\c\nd\te")"},
      {"octal escape", R"("\101")", R"("A")"},
      {"comment to end of line", "; note\n 5", "5"},
      {"comment inside a list", "(1 ; one\n 2)", "(1 2)"},
      {"UTF-8 text", "\"Dépôt\"", "\"Dépôt\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    Value v = readOne(c.text);
    EXPECT_EQ(prin1String(v), c.prin1);
    // What is printed reads back and prints the same.
    EXPECT_EQ(prin1String(readOne(prin1String(v))), c.prin1);
  }
}

TEST(LispReader, NumberTypesAndStringContents) {
  EXPECT_EQ(readOne("40000").kind, Value::Kind::Int);
  EXPECT_EQ(readOne("-2147483648").kind, Value::Kind::Int);
  EXPECT_EQ(readOne("2147483648").kind, Value::Kind::Real);
  EXPECT_EQ(readOne("1e3").kind, Value::Kind::Real);
  Value s = readOne(R"("a\"b\\c\nd")");
  EXPECT_EQ(s.text, "a\"b\\c\nd");
  EXPECT_EQ(princString(s), "a\"b\\c\nd");
}

TEST(LispReader, UnbalancedTextIsIncompleteOrAnError) {
  struct Case {
    const char* why;
    const char* text;
    ReadStatus status;
    const char* message;
  };
  const Case cases[] = {
      {"open list", "(+ 1 2", ReadStatus::Incomplete, "parenthèse fermante manquante"},
      {"open nested list", "(list (1 2)", ReadStatus::Incomplete, "parenthèse fermante manquante"},
      {"open string", "(princ \"abc", ReadStatus::Incomplete, "chaîne non terminée"},
      {"backslash at the end", "\"abc\\", ReadStatus::Incomplete, "chaîne non terminée"},
      {"quote at the end", "'", ReadStatus::Incomplete, "expression manquante après '"},
      {"stray close", "1)", ReadStatus::Error, "parenthèse fermante en trop"},
      {"dot first", "(. 1)", ReadStatus::Error, "point mal placé"},
      {"two after the dot", "(1 . 2 3)", ReadStatus::Error, "point mal placé"},
      {"lone dot", ".", ReadStatus::Error, "point mal placé"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    ReadResult r = readAll(c.text);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.error, c.message);
    EXPECT_TRUE(r.forms.empty());
  }
}

TEST(LispReader, DeepNestingIsAnErrorNotAStackOverflow) {
  std::string deep(100000, '(');
  deep += std::string(100000, ')');
  ReadResult r = readAll(deep);
  EXPECT_EQ(r.status, ReadStatus::Error);
  EXPECT_EQ(r.error, "imbrication trop profonde");

  std::string quotes(100000, '\'');
  quotes += "x";
  EXPECT_EQ(readAll(quotes).status, ReadStatus::Error);

  std::string fine(500, '(');
  fine += std::string(500, ')');
  EXPECT_EQ(readAll(fine).status, ReadStatus::Ok);
}

// A text handed over in pieces reads as the whole text: cut anywhere and fed
// piece by piece (or a character at a time), it gives the same expressions
// or the same error; after each piece the reader waits for more exactly when
// the text so far is incomplete.
TEST(LispReader, PiecesReadAsTheWholeText) {
  std::vector<std::string> texts = {
      "(defun add3 (x)\n  (+ x 3)) ; done\n(add3 1)",
      "(setq s \"line one\nline two \\\"q\\\" \\101\\0619 \\n\")",
      "'(1 . 2) '(a . (b c)) (a.b) (. 5) .5 (1 .5)",
      "(1 . 2 3)",
      "(1 . )",
      "(1 .",
      "'",
      "''x ')",
      "1) (",
      "(list \"a\" ; (comment\n 'b)",
      "(+ 1.5e3 -2 \"x\"",
      "\"abc\\",
      ".",
      "(a . b",
  };
  texts.push_back(std::string(1200, '(') + "x");
  texts.push_back(std::string(999, '(') + ".5" + std::string(999, ')'));
  auto printed = [](const ReadResult& r) {
    std::string out;
    for (const Value& v : r.forms) out += prin1String(v) + " ";
    return out;
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(text.substr(0, 60));
    const ReadResult whole = readAll(text);
    for (size_t cut = 0; cut <= text.size(); ++cut) {
      PieceReader reader;
      reader.feed(text.substr(0, cut));
      EXPECT_EQ(reader.needsMoreInput(), readAll(text.substr(0, cut)).status == ReadStatus::Incomplete) << cut;
      reader.feed(text.substr(cut));
      const ReadResult r = reader.finish();
      EXPECT_EQ(r.status, whole.status) << cut;
      EXPECT_EQ(r.error, whole.error) << cut;
      EXPECT_EQ(printed(r), printed(whole)) << cut;
    }
    PieceReader byChar;
    for (char c : text) byChar.feed(std::string_view(&c, 1));
    const ReadResult r = byChar.finish();
    EXPECT_EQ(r.status, whole.status);
    EXPECT_EQ(r.error, whole.error);
    EXPECT_EQ(printed(r), printed(whole));
  }
}

// An expression of 20,000 lines, given a line at a time as the console does.
TEST(LispReader, AnExpressionOfManyLinesReadLineByLine) {
  PieceReader reader;
  reader.feed("(setq l (list");
  for (int i = 0; i < 20000; ++i) {
    ASSERT_TRUE(reader.needsMoreInput());
    reader.feed("\n");
    reader.feed(std::to_string(i) + " \"p" + std::to_string(i) + "\"");
  }
  reader.feed("\n))");
  EXPECT_FALSE(reader.needsMoreInput());
  const ReadResult r = reader.finish();
  ASSERT_EQ(r.status, ReadStatus::Ok);
  ASSERT_EQ(r.forms.size(), 1u);
  const Value list = r.forms[0].cdr().cdr().car();
  int n = 0;
  for (Value v = list.cdr(); v.isCons(); v = v.cdr()) ++n;
  EXPECT_EQ(n, 40000);
}

TEST(LispPrinter, RealsAsTheHostPrintsThem) {
  struct Case {
    const char* why;
    double v;
    const char* text;
  };
  const Case cases[] = {
      {"whole", 3.0, "3.0"},
      {"tenth", 0.1, "0.1"},
      {"negative", -2.5, "-2.5"},
      {"zero", 0.0, "0.0"},
      {"negative zero", -0.0, "0.0"},
      {"rounded to six digits", 3.14159265, "3.14159"},
      {"largest plain", 100000.0, "100000.0"},
      {"exponent with point", 1234567.0, "1.23457e+06"},
      {"exponent without point", 1e6, "1.0e+06"},
      {"small", 0.0001, "0.0001"},
      {"smaller", 0.00001, "1.0e-05"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(formatReal(c.v), c.text);
  }
}

TEST(LispPrinter, AtomsOfTheHost) {
  EXPECT_EQ(prin1String(Value::selectionSet({1})), "<Selection set: 1>");
  EXPECT_EQ(prin1String(Value::entity(ZcDbObjectId())), "<Entity name: 0>");
  EXPECT_EQ(prin1String(Value::voidValue()), "");
  EXPECT_EQ(princString(Value::list({Value::fromString("a b"), Value::fromInt(1)})), "(a b 1)");
  EXPECT_EQ(prin1String(Value::list({Value::fromString("a b"), Value::fromInt(1)})), "(\"a b\" 1)");
}

TEST(LispValues, ConsRefusesNestingBeyondTheLimitAndLongListsRelease) {
  Value v;
  int built = 0;
  try {
    for (int i = 0; i < 5000; ++i, ++built) v = Value::list({v});
  } catch (const LispError& e) {
    EXPECT_STREQ(e.what(), "liste trop profonde");
  }
  EXPECT_EQ(built, kMaxNesting);

  // A long flat list is released without recursing along its cdrs.
  Value flat;
  for (int i = 0; i < 1000000; ++i) flat = Value::cons(Value::fromInt(i), flat);
  EXPECT_EQ(flat.depth(), 1);
  flat = Value();
}

std::vector<short> types(const ResbufChain& c) {
  std::vector<short> out;
  for (const resbuf& rb : c) out.push_back(rb.restype);
  return out;
}

TEST(LispResbufs, ValuesBecomeTheHostsChains) {
  struct Case {
    const char* why;
    const char* text;
    bool pointsAsPoints;
    std::vector<short> types;
  };
  const Case cases[] = {
      {"small integer", "5", true, {RTSHORT}},
      {"lowest short", "-32768", true, {RTSHORT}},
      {"just beyond short", "32768", true, {RTLONG}},
      {"real", "1.5", true, {RTREAL}},
      {"string", "\"s\"", true, {RTSTR}},
      {"nil", "nil", true, {RTNIL}},
      {"T", "T", true, {RTT}},
      {"2D point", "(1.0 2.0)", true, {RTPOINT}},
      {"3D point of integers", "(1 2 3)", true, {RT3DPOINT}},
      {"point kept a list on request", "(1.0 2.0)", false, {RTLB, RTREAL, RTREAL, RTLE}},
      {"four numbers are a list", "(1 2 3 4)", true, {RTLB, RTSHORT, RTSHORT, RTSHORT, RTSHORT, RTLE}},
      {"one number is a list", "(1)", true, {RTLB, RTSHORT, RTLE}},
      {"mixed list is a list", "(1 \"a\")", true, {RTLB, RTSHORT, RTSTR, RTLE}},
      {"dotted pair", "(8 . \"0\")", true, {RTLB, RTSHORT, RTDOTE, RTSTR, RTLE}},
      {"dotted pair of numbers is not a point", "(1.0 . 2.0)", true, {RTLB, RTREAL, RTDOTE, RTREAL, RTLE}},
      {"point inside a list", "(\"a\" (1.0 2.0 3.0))", true, {RTLB, RTSTR, RT3DPOINT, RTLE}},
      {"nested list", "((1 \"a\") nil)", true, {RTLB, RTLB, RTSHORT, RTSTR, RTLE, RTNIL, RTLE}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    Value v = readOne(c.text);
    ResbufChain chain = toResbufs(v, c.pointsAsPoints);
    EXPECT_EQ(types(chain), c.types);
    // And back: points come back as lists of reals.
    Value back = fromResbufs(chain);
    EXPECT_TRUE(equal(back, v)) << prin1String(back);
  }
  ResbufChain big = toResbufs(readOne("70000"));
  EXPECT_EQ(big[0].resval.rlong, 70000);
  ResbufChain pt = toResbufs(readOne("(1 2 3)"));
  EXPECT_EQ(pt[0].resval.rpoint.z, 3.0);
}

TEST(LispResbufs, MalformedChainsAreErrors) {
  auto rb = [](short t) { return resbuf::shortInt(t, 1); };
  struct Case {
    const char* why;
    ResbufChain chain;
  };
  const Case cases[] = {
      {"unclosed list", {rb(RTLB), rb(RTSHORT)}},
      {"close without open", {rb(RTSHORT), rb(RTLE)}},
      {"dot first", {rb(RTLB), rb(RTDOTE), rb(RTSHORT), rb(RTLE)}},
      {"two after the dot", {rb(RTLB), rb(RTSHORT), rb(RTDOTE), rb(RTSHORT), rb(RTSHORT), rb(RTLE)}},
      {"dot at the end", {rb(RTLB), rb(RTSHORT), rb(RTDOTE)}},
      {"status code in a chain", {rb(RTNORM)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_THROW(listFromResbufs(c.chain), LispError);
  }
  ResbufChain deep(5000, rb(RTLB));
  EXPECT_THROW(listFromResbufs(deep), LispError);
}

TEST(LispResbufs, GroupCodedChainsBecomeEntityLists) {
  ResbufChain chain = {resbuf::string(0, L"LINE"), resbuf::string(8, L"Calque é"),
                       resbuf::point(10, ZcGePoint3d(1, 2, 3)), resbuf::real(40, 2.5), resbuf::shortInt(62, 3),
                       resbuf::longInt(90, 70000), resbuf::string(-3, L""), resbuf::string(1001, L"GELTARO"),
                       resbuf::string(1000, L"x"), resbuf::point(1010, ZcGePoint3d(4, 5, 6))};
  chain[6] = resbuf::shortInt(-3, 0);
  EXPECT_EQ(prin1String(listFromResbufs(chain)),
            "((0 . \"LINE\") (8 . \"Calque é\") (10 1.0 2.0 3.0) (40 . 2.5) (62 . 3) (90 . 70000) "
            "(-3 (\"GELTARO\" (1000 . \"x\") (1010 4.0 5.0 6.0))))");
}

}  // namespace
