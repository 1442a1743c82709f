#include <gtest/gtest.h>

#include "lisp_fixture.hpp"

using namespace host::lisp;

namespace {

struct Case {
  const char* why;
  const char* text;
  const char* result;  // the echoed value, or "ERR: message"
};

class LispEval : public LispTest {
 protected:
  void check(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.why) + ": " + c.text);
      EXPECT_EQ(run(c.text), c.result);
    }
  }
};

TEST_F(LispEval, ArithmeticKeepsIntegersAndTurnsRealWithReals) {
  check({
      {"sum", "(+ 1 2)", "3"},
      {"no arguments", "(+)", "0"},
      {"real contaminates", "(+ 1 2.0)", "3.0"},
      {"integer division truncates", "(/ 7 2)", "3"},
      {"negative division truncates toward zero", "(/ -7 2)", "-3"},
      {"real division", "(/ 7 2.0)", "3.5"},
      {"unary minus", "(- 5)", "-5"},
      {"chained minus", "(- 10 1 2)", "7"},
      {"product", "(* 2 3 4)", "24"},
      {"beyond 16 bits", "(* 300 300)", "90000"},
      {"32-bit overflow wraps", "(+ 2147483647 1)", "-2147483648"},
      {"lowest over minus one wraps", "(/ -2147483648 -1)", "-2147483648"},
      {"remainder", "(rem 7 3)", "1"},
      {"remainder keeps the sign of the dividend", "(rem -7 3)", "-1"},
      {"real remainder", "(rem 7.5 2)", "1.5"},
      {"lowest rem minus one", "(rem -2147483648 -1)", "0"},
      {"increment", "(1+ 5)", "6"},
      {"decrement real", "(1- 2.5)", "1.5"},
      {"abs", "(abs -4)", "4"},
      {"max integers", "(max 1 5 3)", "5"},
      {"max with a real", "(max 1 5 3.0)", "5.0"},
      {"min", "(min 4 -2 8)", "-2"},
      {"sqrt", "(sqrt 16)", "4.0"},
      {"atan of two", "(atan 1 1)", "0.785398"},
      {"sin", "(sin 0)", "0.0"},
      {"cos", "(cos 0)", "1.0"},
      {"fix", "(fix -2.7)", "-2"},
      {"float", "(float 2)", "2.0"},
      {"16-bit integers print plain", "(type 3)", "INT"},
      {"32-bit integers too", "(type 70000)", "INT"},
      {"reals", "(type 1.5)", "REAL"},
  });
}

TEST_F(LispEval, ComparisonsAndLogic) {
  check({
      {"equal numbers of both kinds", "(= 1 1.0)", "T"},
      {"chained less", "(< 1 2 3)", "T"},
      {"chained less fails", "(< 1 3 2)", "nil"},
      {"strings compare", "(< \"abc\" \"abd\")", "T"},
      {"string equality", "(= \"a\" \"a\")", "T"},
      {"not equal", "(/= 1 2)", "T"},
      {"greater or equal", "(>= 3 3 2)", "T"},
      {"eq on the same list", "(progn (setq l '(1 2)) (eq l l))", "T"},
      {"eq on equal lists", "(eq '(1 2) '(1 2))", "nil"},
      {"equal on equal lists", "(equal '(1 2) '(1 2))", "T"},
      {"equal with fuzz", "(equal 1.0 1.05 0.1)", "T"},
      {"equal beyond fuzz", "(equal 1.0 1.2 0.1)", "nil"},
      {"not", "(not nil)", "T"},
      {"null of a list", "(null '(1))", "nil"},
      {"and", "(and 1 nil)", "nil"},
      {"or", "(or nil 2)", "T"},
      {"and stops at the first nil", "(progn (setq z 0) (and nil (setq z 1)) z)", "0"},
      {"number and string", "(< 1 \"a\")", "ERR: type d'argument incorrect: numberp: \"a\""},
      {"string and number", "(= \"a\" 1)", "ERR: type d'argument incorrect: stringp: 1"},
  });
}

TEST_F(LispEval, ListsAndDottedPairs) {
  check({
      {"list", "(list 1 \"a\" 2.5)", "(1 \"a\" 2.5)"},
      {"cons onto a list", "(cons 1 '(2 3))", "(1 2 3)"},
      {"cons onto nil", "(cons 1 nil)", "(1)"},
      {"cons makes a dotted pair", "(cons 1 \"Point topo\")", "(1 . \"Point topo\")"},
      {"car", "(car '(1 2 3))", "1"},
      {"cdr", "(cdr '(1 2 3))", "(2 3)"},
      {"cdr of a dotted pair", "(cdr '(8 . \"0\"))", "\"0\""},
      {"car of nil", "(car nil)", "nil"},
      {"cadr", "(cadr '(1 2 3))", "2"},
      {"caddr", "(caddr '(1 2 3))", "3"},
      {"cddr", "(cddr '(1 2 3))", "(3)"},
      {"caar", "(caar '((1 2) 3))", "1"},
      {"cadddr", "(cadddr '(1 2 3 4))", "4"},
      {"car of an atom", "(car 5)", "ERR: type d'argument incorrect: listp: 5"},
      {"nth", "(nth 1 '(a b c))", "B"},
      {"nth beyond the end", "(nth 5 '(a b c))", "nil"},
      {"nth negative", "(nth -1 '(a b c))", "nil"},
      {"length", "(length '(1 2 3))", "3"},
      {"length of nil", "(length nil)", "0"},
      {"length of a dotted pair", "(length '(1 . 2))", "ERR: type d'argument incorrect: listp: (1 . 2)"},
      {"append", "(append '(1 2) nil '(3))", "(1 2 3)"},
      {"reverse", "(reverse '(1 2 3))", "(3 2 1)"},
      {"last", "(last '(1 2 3))", "3"},
      {"assoc", "(assoc 8 '((0 . \"LINE\") (8 . \"0\")))", "(8 . \"0\")"},
      {"assoc with string keys", "(assoc \"b\" '((\"a\" 1) (\"b\" 2)))", "(\"b\" 2)"},
      {"assoc missing", "(assoc 62 '((0 . \"LINE\")))", "nil"},
      {"member", "(member 2 '(1 2 3))", "(2 3)"},
      {"mapcar", "(mapcar '1+ '(1 2 3))", "(2 3 4)"},
      {"mapcar with lambda", "(mapcar '(lambda (a b) (+ a b)) '(1 2) '(10 20))", "(11 22)"},
      {"apply", "(apply '+ '(1 2 3))", "6"},
  });
}

TEST_F(LispEval, StringsAndConversions) {
  check({
      {"strcat", "(strcat \"Point\" \" \" \"topo\")", "\"Point topo\""},
      {"strcat of nothing", "(strcat)", "\"\""},
      {"strlen counts characters", "(strlen \"Dépôt\")", "5"},
      {"substr", "(substr \"Geltaro\" 2 3)", "\"elt\""},
      {"substr to the end", "(substr \"Geltaro\" 4)", "\"taro\""},
      {"substr past the end", "(substr \"abc\" 10)", "\"\""},
      {"substr of accented text", "(substr \"Dépôt\" 2 3)", "\"épô\""},
      {"substr start zero", "(substr \"abc\" 0)", "ERR: type d'argument incorrect: positive: 0"},
      {"strcase upper", "(strcase \"abé\")", "\"ABÉ\""},
      {"strcase lower", "(strcase \"ABÉ\" T)", "\"abé\""},
      {"itoa", "(itoa -12)", "\"-12\""},
      {"itoa of a real", "(itoa 1.5)", "ERR: type d'argument incorrect: fixnump: 1.5"},
      {"atoi", "(atoi \"42abc\")", "42"},
      {"atoi of text", "(atoi \"abc\")", "0"},
      {"atof", "(atof \"2.5\")", "2.5"},
      {"rtos default", "(rtos 3.14159)", "\"3.1416\""},
      {"rtos decimal precision", "(rtos 2.5 2 2)", "\"2.50\""},
      {"rtos no decimals", "(rtos 2.6 2 0)", "\"3\""},
      {"rtos no negative zero", "(rtos -0.00001 2 4)", "\"0.0000\""},
      {"rtos of an integer", "(rtos 7 2 1)", "\"7.0\""},
      {"rtos unknown mode", "(rtos 1.0 9 2)", "ERR: rtos: mode non pris en charge: 9"},
      {"rtos precision out of range", "(rtos 1.0 2 99)", "ERR: rtos: précision hors limites : 99"},
      {"rtos scientific", "(rtos 1234.5 1 2)", "\"1.23E+03\""},
      {"rtos of an overflowed reading", "(rtos 1e999)", "ERR: argument hors domaine: rtos: 1.#INF"},
  });
}

TEST_F(LispEval, Geometry) {
  check({
      {"distance 2D", "(distance '(0 0) '(3 4))", "5.0"},
      {"distance 3D", "(distance '(0 0 0) '(2 3 6))", "7.0"},
      {"distance of 2D and 3D ignores Z", "(distance '(0 0) '(3 4 12))", "5.0"},
      {"angle", "(angle '(0 0) '(0 1))", "1.5708"},
      {"angle below the axis is positive", "(angle '(0 0) '(0 -1))", "4.71239"},
      {"polar keeps Z", "(polar '(1.0 1.0 5.0) 0 2)", "(3.0 1.0 5.0)"},
      {"polar 2D stays 2D", "(polar '(0 0) (/ pi 2) 1)", "(6.12323e-17 1.0)"},
      {"not a point", "(distance '(0 0) \"a\")", "ERR: type d'argument incorrect: pointp: \"a\""},
  });
}

TEST_F(LispEval, VariablesFunctionsAndControl) {
  check({
      {"setq several pairs returns the last", "(setq a 1 b \"x\")", "\"x\""},
      {"read back", "(list a b)", "(1 \"x\")"},
      {"unbound is nil", "undefined-variable", "nil"},
      {"setq odd arguments", "(setq a)", "ERR: nombre d'arguments insuffisants"},
      {"setq of a number", "(setq 1 2)", "ERR: type d'argument incorrect: symbolp: 1"},
      {"if true", "(if (= a 1) \"yes\" \"no\")", "\"yes\""},
      {"if false without else", "(if nil 1)", "nil"},
      {"cond", "(cond ((= a 2) \"two\") ((= a 1) \"one\") (T \"other\"))", "\"one\""},
      {"cond clause without body", "(cond (nil 1) (5))", "5"},
      {"while", "(progn (setq i 0 s 0) (while (< i 5) (setq s (+ s i) i (1+ i))) s)", "10"},
      {"repeat", "(progn (setq n 0) (repeat 4 (setq n (+ n 2))) n)", "8"},
      {"repeat zero times", "(repeat 0 (setq n 99))", "nil"},
      {"foreach", "(progn (setq s 0) (foreach x '(1 2 3) (setq s (+ s x))) s)", "6"},
      {"foreach restores its variable", "(progn (setq x \"kept\") (foreach x '(1 2) x) x)", "\"kept\""},
      {"defun returns its name", "(defun sq (v) (* v v))", "SQ"},
      {"call", "(sq 7)", "49"},
      {"recursion", "(progn (defun fact (n) (if (<= n 1) 1 (* n (fact (1- n))))) (fact 10))", "3628800"},
      {"locals are restored after the call",
       "(progn (setq tmp \"outer\") (defun f (/ tmp) (setq tmp 5) tmp) (list (f) tmp))", "(5 \"outer\")"},
      {"parameters are restored too", "(progn (setq v 1) (sq 3) v)", "1"},
      {"too few arguments", "(sq)", "ERR: nombre d'arguments insuffisants"},
      {"too many arguments", "(sq 1 2)", "ERR: nombre d'arguments trop important"},
      {"lambda called directly", "((lambda (x y) (+ x y)) 1 2)", "3"},
      {"command function", "(defun c:hello () (princ \"hi\") (princ))", "C:HELLO"},
      {"boundp", "(list (boundp 'a) (boundp 'never-set))", "(T nil)"},
      {"type of a user function", "(type sq)", "USUBR"},
      {"type of a built-in", "(type car)", "SUBR"},
      {"eval", "(eval '(+ 1 2))", "3"},
      {"quote", "(quote (a b))", "(A B)"},
  });
}

TEST_F(LispEval, ErrorsPrintTheMessageAndYieldNoValue) {
  check({
      {"unknown function", "(foo 1)", "ERR: fonction inconnue: FOO"},
      {"bad argument type", "(+ 1 \"a\")", "ERR: type d'argument incorrect: numberp: \"a\""},
      {"division by zero", "(/ 1 0)", "ERR: division par zéro"},
      {"real division by zero", "(/ 1.0 0)", "ERR: division par zéro"},
      {"remainder by zero", "(rem 5 0)", "ERR: division par zéro"},
      {"too few arguments to a built-in", "(cons 1)", "ERR: nombre d'arguments insuffisants"},
      {"too many arguments to a built-in", "(car '(1) '(2))", "ERR: nombre d'arguments trop important"},
      {"missing close", "(+ 1 2", "ERR: parenthèse fermante manquante"},
      {"unterminated string", "(princ \"abc)", "ERR: chaîne non terminée"},
      {"extra close", "(+ 1 2))", "ERR: parenthèse fermante en trop"},
      {"sqrt of a negative", "(sqrt -1)", "ERR: argument hors domaine: sqrt: -1"},
      {"number in function position", "(1 2)", "ERR: fonction incorrecte: 1"},
      {"overflowing real", "(* 1e308 10.0)", "ERR: argument hors domaine: *"},
      {"calling a dotted form", "(+ 1 . 2)", "ERR: liste d'arguments incorrecte: (+ 1 . 2)"},
      {"runaway recursion", "(progn (defun down (n) (down (1+ n))) (down 0))",
       "ERR: limite de profondeur de récursion atteinte"},
      {"list nested too deep", "(progn (setq d nil) (repeat 2000 (setq d (list d))))", "ERR: liste trop profonde"},
  });
  // After the recursion error the evaluator still works and bindings are back.
  EXPECT_EQ(run("(setq n 4) (+ n 1)"), "5");
}

TEST_F(LispEval, AnErrorStopsTheRestOfTheLine) {
  EXPECT_EQ(run("(setq a 1) (/ 1 0) (setq a 2)"), "ERR: division par zéro");
  EXPECT_EQ(run("a"), "1");
  // Nothing of a line that does not read is evaluated.
  EXPECT_EQ(run("(setq a 3) )"), "ERR: parenthèse fermante en trop");
  EXPECT_EQ(run("a"), "1");
}

TEST_F(LispEval, PrintingGoesToTheConsole) {
  struct PrintCase {
    const char* why;
    const char* text;
    const char* printed;
    const char* echoed;
  };
  const PrintCase cases[] = {
      {"princ prints raw and returns its argument", "(princ \"a\\tb\")", "a\tb", "\"a\\tb\""},
      {"prin1 quotes", "(prin1 \"a\")", "\"a\"", "\"a\""},
      {"print starts a line and ends with a space", "(print 12)", "\n12 ", "12"},
      {"terpri", "(terpri)", "\n", "nil"},
      {"princ of a list", "(princ '(1 \"a\"))", "(1 a)", "(1 \"a\")"},
      {"quiet end", "(princ \"x\") (princ)", "x", ""},
      {"command function prints and ends quietly", "(defun c:hi () (princ \"hi\") (princ)) (c:hi)", "hi", ""},
  };
  for (const PrintCase& c : cases) {
    SCOPED_TRACE(c.why);
    clearOutput();
    EXPECT_EQ(run(c.text), c.echoed);
    EXPECT_EQ(output(), c.printed);
  }
}

TEST_F(LispEval, ConsoleLinesAndContinuation) {
  bool ok = false;
  EXPECT_EQ(ev.evaluateLine("(+ 1 2)", ok), "3");
  EXPECT_TRUE(ok);
  EXPECT_EQ(ev.evaluateLine("(setq a \"x\")", ok), "\"x\"");
  EXPECT_TRUE(ok);
  EXPECT_EQ(ev.evaluateLine("(/ 1 0)", ok), "");
  EXPECT_FALSE(ok);

  // Text spanning lines: incomplete until the parentheses close, and nothing
  // evaluated or printed meanwhile.
  clearOutput();
  std::string text = "(defun add3 (x)\n";
  EXPECT_TRUE(Evaluator::needsMoreInput(text));
  EXPECT_EQ(ev.evaluateText(text).status, LineStatus::Incomplete);
  text += "  (+ x 3)) ; done\n";
  EXPECT_FALSE(Evaluator::needsMoreInput(text));
  EXPECT_EQ(ev.evaluateText(text).printed, "ADD3");
  EXPECT_EQ(ev.evaluateText("(add3 1)").printed, "4");
  EXPECT_EQ(output(), "");

  // A string may span lines too.
  EXPECT_TRUE(Evaluator::needsMoreInput("(setq s \"line one"));
  LineResult r = ev.evaluateText("(setq s \"line one\nline two\")");
  EXPECT_EQ(r.printed, "\"line one\\nline two\"");

  // A closing parenthesis too many is an error, not a wait for more.
  EXPECT_FALSE(Evaluator::needsMoreInput("(+ 1 2))"));
  EXPECT_EQ(ev.evaluateText("   ; only a comment").status, LineStatus::NoValue);
}

TEST_F(LispEval, RegisteredBuiltinsAndSelectionSets) {
  // How the command line provides ssget / sslength / ssname.
  std::vector<std::vector<int>> sets = {{}, {10, 20, 30}};
  ev.registerBuiltin("ssget", [&](Evaluator&, const Args& a) {
    checkArgCount(a, 0, 2);
    return Value::selectionSet({1});
  });
  ev.registerBuiltin("sslength", [&](Evaluator&, const Args& a) {
    checkArgCount(a, 1, 1);
    SelectionSetRef s = selectionSetArg(a[0]);
    if (s.id < 0 || size_t(s.id) >= sets.size()) return Value::nil();
    return Value::fromInt(int32_t(sets[size_t(s.id)].size()));
  });
  check({
      {"a set prints as the host prints it", "(setq ss (ssget))", "<Selection set: 1>"},
      {"its length", "(sslength ss)", "3"},
      {"its type", "(type ss)", "PICKSET"},
      {"wrong argument", "(sslength 5)", "ERR: type d'argument incorrect: lselsetp: 5"},
      {"not provided", "(entsel)", "ERR: fonction inconnue: ENTSEL"},
  });
  // Sets travel to applications as RTPICKS and come back whole.
  ResbufChain chain = toResbufs(Value::selectionSet({5000000000L}));
  ASSERT_EQ(chain.size(), 1u);
  EXPECT_EQ(chain[0].restype, RTPICKS);
  EXPECT_EQ(fromResbufs(chain).pickset.id, 5000000000L);
  // A user function of the same name wins over the built-in.
  EXPECT_EQ(run("(defun sslength (s) -1) (sslength ss)"), "-1");
  // Exceptions other than evaluation errors do not leave the evaluator.
  ev.registerBuiltin("explode", [](Evaluator&, const Args&) -> Value { throw std::runtime_error("boom"); });
  EXPECT_EQ(run("(explode)"), "ERR: boom");
}

}  // namespace
