// The built-in function library: lists, arithmetic, comparison, strings,
// conversions, geometry, printing, type predicates and entget.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "host/app/console_io.hpp"
#include "host/db/objects.hpp"
#include "host/lisp/lisp.hpp"

namespace host::lisp {

// ---- argument helpers --------------------------------------------------------

void typeError(const std::string& predicate, const Value& v) {
  throw LispError("type d'argument incorrect: " + predicate + ": " + prin1String(v));
}

void checkArgCount(const Args& args, size_t min, size_t max) {
  if (args.size() < min) throw LispError("nombre d'arguments insuffisants");
  if (args.size() > max) throw LispError("nombre d'arguments trop important");
}

double numberArg(const Value& v) {
  if (!v.isNumber()) typeError("numberp", v);
  return v.number();
}

int32_t intArg(const Value& v) {
  if (v.kind != Value::Kind::Int) typeError("fixnump", v);
  return v.integer;
}

const std::string& stringArg(const Value& v) {
  if (!v.isString()) typeError("stringp", v);
  return v.text;
}

ZcGePoint3d pointArg(const Value& v) {
  if (!isPointList(v)) typeError("pointp", v);
  return pointOf(v);
}

ZcDbObjectId entityArg(const Value& v) {
  if (v.kind != Value::Kind::Ename) typeError("lentityp", v);
  return v.ename;
}

SelectionSetRef selectionSetArg(const Value& v) {
  if (v.kind != Value::Kind::PickSet) typeError("lselsetp", v);
  return v.pickset;
}

namespace {

constexpr size_t kAny = size_t(-1);

// Integer results wrap around at 32 bits, as the host's integers do.
int32_t wrap(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

bool anyReal(const Args& args) {
  for (const Value& a : args) {
    numberArg(a);
    if (a.kind == Value::Kind::Real) return true;
  }
  return false;
}

Value checkedReal(double r, const char* fn) {
  if (std::isnan(r) || std::isinf(r)) throw LispError(std::string("argument hors domaine: ") + fn);
  return Value::fromReal(r);
}

// ---- UTF-8 helpers: strlen and substr count characters, not bytes --------

size_t utf8Length(const std::string& s) {
  size_t n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

// Byte offset of character `index` (the size when past the end).
size_t utf8Offset(const std::string& s, size_t index) {
  size_t chars = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
      if (chars == index) return i;
      ++chars;
    }
  }
  return s.size();
}

std::string changeCase(const std::string& s, bool toLower) {
  std::wstring w = host::fromUtf8(s);
  for (wchar_t& c : w) {
    if (toLower) {
      if ((c >= L'A' && c <= L'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) c = wchar_t(c + 32);
    } else {
      if ((c >= L'a' && c <= L'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) c = wchar_t(c - 32);
    }
  }
  return host::toUtf8(w);
}

// ---- list helpers ----------------------------------------------------------

const Value& listArg(const Value& v) {
  if (!v.isList()) typeError("listp", v);
  return v;
}

Value carOf(const Value& v) { return listArg(v).car(); }
Value cdrOf(const Value& v) { return listArg(v).cdr(); }

std::vector<Value> properItems(const Value& v) {
  Value tail;
  std::vector<Value> items = listItems(listArg(v), &tail);
  if (!tail.isNil()) typeError("listp", v);
  return items;
}

// ---- comparisons -------------------------------------------------------------

// <0, 0, >0 for two numbers or two strings.
int compare(const Value& a, const Value& b, const char* fn) {
  if (a.isNumber() && b.isNumber()) {
    double x = a.number(), y = b.number();
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  if (a.isString() && b.isString()) return a.text.compare(b.text) < 0 ? -1 : (a.text == b.text ? 0 : 1);
  typeError(a.isNumber() || a.isString() ? (a.isNumber() ? "numberp" : "stringp") : "numberp",
            a.isNumber() || a.isString() ? b : a);
}

template <class Pred>
Value chain(const Args& args, Pred ok, const char* fn) {
  checkArgCount(args, 1, kAny);
  for (size_t i = 0; i + 1 < args.size(); ++i)
    if (!ok(compare(args[i], args[i + 1], fn))) {
      // Still check the types of the remaining arguments.
      for (size_t j = i + 1; j + 1 < args.size(); ++j) compare(args[j], args[j + 1], fn);
      return Value::nil();
    }
  if (args.size() == 1 && !args[0].isNumber() && !args[0].isString()) typeError("numberp", args[0]);
  return Value::t();
}

// ---- printing ----------------------------------------------------------------

void out(const std::string& s) { host::console().print(s); }

// ---- rtos ----------------------------------------------------------------------

std::string rtos(double v, int mode, int prec) {
  char buf[128];
  if (mode == 1) {
    std::snprintf(buf, sizeof buf, "%.*E", prec, v);
  } else {
    std::snprintf(buf, sizeof buf, "%.*f", prec, v);
  }
  std::string s = buf;
  // No negative zero once rounded: "-0.0000" reads as "0.0000".
  if (!s.empty() && s[0] == '-' && s.find_first_not_of("-0.E+", 0) == std::string::npos) s.erase(0, 1);
  return s;
}

}  // namespace

void installBuiltins(std::unordered_map<std::string, Builtin>& t) {
  using K = Value::Kind;

  // ---- lists ----
  t["LIST"] = [](Evaluator&, const Args& a) { return Value::list(a); };
  t["CONS"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 2, 2);
    return Value::cons(a[0], a[1]);
  };
  // car, cdr and their compositions up to four levels (caddr, cadar, ...).
  {
    std::vector<std::string> names = {"A", "D"};
    for (int level = 2; level <= 4; ++level) {
      std::vector<std::string> longer;
      for (const std::string& n : names) {
        longer.push_back(n);
        if (int(n.size()) == level - 1) {
          longer.push_back(n + "A");
          longer.push_back(n + "D");
        }
      }
      names = longer;
    }
    for (const std::string& path : names) {
      t["C" + path + "R"] = [path](Evaluator&, const Args& a) {
        checkArgCount(a, 1, 1);
        Value v = a[0];
        for (auto it = path.rbegin(); it != path.rend(); ++it) v = *it == 'A' ? carOf(v) : cdrOf(v);
        return v;
      };
    }
  }
  t["NTH"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 2, 2);
    int32_t n = intArg(a[0]);
    const Value* p = &listArg(a[1]);
    if (n < 0) return Value::nil();
    for (int32_t i = 0; i < n && p->isCons(); ++i) p = &p->cdr();
    return p->isCons() ? p->car() : Value::nil();
  };
  t["LENGTH"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 1, 1);
    return Value::fromInt(int32_t(properItems(a[0]).size()));
  };
  t["APPEND"] = [](Evaluator&, const Args& a) {
    if (a.empty()) return Value::nil();
    std::vector<Value> items;
    for (size_t i = 0; i + 1 < a.size(); ++i) {
      auto part = properItems(a[i]);
      items.insert(items.end(), part.begin(), part.end());
    }
    listArg(a.back());
    return Value::list(items, a.back());
  };
  t["REVERSE"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 1, 1);
    auto items = properItems(a[0]);
    std::reverse(items.begin(), items.end());
    return Value::list(items);
  };
  t["LAST"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 1, 1);
    Value tail;
    auto items = listItems(listArg(a[0]), &tail);
    return items.empty() ? Value::nil() : items.back();
  };
  t["ASSOC"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 2, 2);
    for (const Value* p = &listArg(a[1]); p->isCons(); p = &p->cdr())
      if (p->car().isCons() && equal(p->car().car(), a[0])) return p->car();
    return Value::nil();
  };
  t["MEMBER"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 2, 2);
    for (const Value* p = &listArg(a[1]); p->isCons(); p = &p->cdr())
      if (equal(p->car(), a[0])) return *p;
    return Value::nil();
  };

  // ---- arithmetic ----
  t["+"] = [](Evaluator&, const Args& a) {
    if (anyReal(a)) {
      double s = 0;
      for (const Value& v : a) s += v.number();
      return checkedReal(s, "+");
    }
    int64_t s = 0;
    for (const Value& v : a) s = wrap(s + v.integer);
    return Value::fromInt(wrap(s));
  };
  t["-"] = [](Evaluator&, const Args& a) {
    if (a.empty()) return Value::fromInt(0);
    if (anyReal(a)) {
      double s = a[0].number();
      if (a.size() == 1) return Value::fromReal(-s);
      for (size_t i = 1; i < a.size(); ++i) s -= a[i].number();
      return checkedReal(s, "-");
    }
    int64_t s = a[0].integer;
    if (a.size() == 1) return Value::fromInt(wrap(-s));
    for (size_t i = 1; i < a.size(); ++i) s = wrap(s - a[i].integer);
    return Value::fromInt(wrap(s));
  };
  t["*"] = [](Evaluator&, const Args& a) {
    if (anyReal(a)) {
      double s = 1;
      for (const Value& v : a) s *= v.number();
      return checkedReal(s, "*");
    }
    int64_t s = 1;
    for (const Value& v : a) s = wrap(s * v.integer);
    return Value::fromInt(wrap(s));
  };
  t["/"] = [](Evaluator&, const Args& a) {
    if (a.empty()) return Value::fromInt(0);
    if (anyReal(a)) {
      double s = a[0].number();
      for (size_t i = 1; i < a.size(); ++i) {
        if (a[i].number() == 0.0) throw LispError("division par zéro");
        s /= a[i].number();
      }
      return checkedReal(s, "/");
    }
    int64_t s = a[0].integer;
    for (size_t i = 1; i < a.size(); ++i) {
      if (a[i].integer == 0) throw LispError("division par zéro");
      s = wrap(s / a[i].integer);  // truncates toward zero; INT32_MIN / -1 wraps
    }
    return Value::fromInt(wrap(s));
  };
  t["REM"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 1, kAny);
    if (anyReal(a)) {
      double s = a[0].number();
      for (size_t i = 1; i < a.size(); ++i) {
        if (a[i].number() == 0.0) throw LispError("division par zéro");
        s = std::fmod(s, a[i].number());
      }
      return Value::fromReal(s);
    }
    int64_t s = a[0].integer;
    for (size_t i = 1; i < a.size(); ++i) {
      if (a[i].integer == 0) throw LispError("division par zéro");
      s = s % a[i].integer;
    }
    return Value::fromInt(wrap(s));
  };
  t["1+"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 1, 1);
    numberArg(a[0]);
    return a[0].kind == K::Int ? Value::fromInt(wrap(int64_t(a[0].integer) + 1)) : Value::fromReal(a[0].real + 1);
  };
  t["1-"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 1, 1);
    numberArg(a[0]);
    return a[0].kind == K::Int ? Value::fromInt(wrap(int64_t(a[0].integer) - 1)) : Value::fromReal(a[0].real - 1);
  };
  t["ABS"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 1, 1);
    numberArg(a[0]);
    return a[0].kind == K::Int ? Value::fromInt(wrap(std::llabs(a[0].integer))) : Value::fromReal(std::fabs(a[0].real));
  };
  auto extreme = [](bool wantMax) {
    return [wantMax](Evaluator&, const Args& a) {
      if (a.empty()) return Value::fromInt(0);
      bool real = anyReal(a);
      size_t best = 0;
      for (size_t i = 1; i < a.size(); ++i)
        if (wantMax ? a[i].number() > a[best].number() : a[i].number() < a[best].number()) best = i;
      return real ? Value::fromReal(a[best].number()) : a[best];
    };
  };
  t["MAX"] = extreme(true);
  t["MIN"] = extreme(false);
  t["SQRT"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 1, 1);
    double x = numberArg(a[0]);
    if (x < 0) throw LispError("argument hors domaine: sqrt: " + prin1String(a[0]));
    return Value::fromReal(std::sqrt(x));
  };
  t["SIN"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 1, 1);
    return checkedReal(std::sin(numberArg(a[0])), "sin");
  };
  t["COS"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 1, 1);
    return checkedReal(std::cos(numberArg(a[0])), "cos");
  };
  t["ATAN"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 1, 2);
    double y = numberArg(a[0]);
    if (a.size() == 1) return Value::fromReal(std::atan(y));
    return Value::fromReal(std::atan2(y, numberArg(a[1])));
  };
  t["FIX"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 1, 1);
    double x = numberArg(a[0]);
    if (a[0].kind == K::Int) return a[0];
    if (!(x > double(INT32_MIN) - 1.0 && x < double(INT32_MAX) + 1.0)) throw LispError("argument hors domaine: fix");
    return Value::fromInt(int32_t(std::trunc(x)));
  };
  t["FLOAT"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 1, 1);
    return Value::fromReal(numberArg(a[0]));
  };
  t["ZEROP"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 1, 1);
    return Value::fromBool(numberArg(a[0]) == 0.0);
  };
  t["MINUSP"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 1, 1);
    return Value::fromBool(numberArg(a[0]) < 0.0);
  };

  // ---- comparison and logic ----
  t["="] = [](Evaluator&, const Args& a) { return chain(a, [](int c) { return c == 0; }, "="); };
  t["<"] = [](Evaluator&, const Args& a) { return chain(a, [](int c) { return c < 0; }, "<"); };
  t[">"] = [](Evaluator&, const Args& a) { return chain(a, [](int c) { return c > 0; }, ">"); };
  t["<="] = [](Evaluator&, const Args& a) { return chain(a, [](int c) { return c <= 0; }, "<="); };
  t[">="] = [](Evaluator&, const Args& a) { return chain(a, [](int c) { return c >= 0; }, ">="); };
  t["/="] = [](Evaluator&, const Args& a) { return chain(a, [](int c) { return c != 0; }, "/="); };
  t["EQ"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 2, 2);
    return Value::fromBool(eq(a[0], a[1]));
  };
  t["EQUAL"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 2, 3);
    double fuzz = a.size() == 3 ? std::fabs(numberArg(a[2])) : 0.0;
    return Value::fromBool(equal(a[0], a[1], fuzz));
  };
  t["NOT"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 1, 1);
    return Value::fromBool(a[0].isNil());
  };
  t["NULL"] = t["NOT"];

  // ---- strings ----
  t["STRCAT"] = [](Evaluator&, const Args& a) {
    std::string s;
    for (const Value& v : a) s += stringArg(v);
    return Value::fromString(s);
  };
  t["STRLEN"] = [](Evaluator&, const Args& a) {
    size_t n = 0;
    for (const Value& v : a) n += utf8Length(stringArg(v));
    return Value::fromInt(int32_t(n));
  };
  t["SUBSTR"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 2, 3);
    const std::string& s = stringArg(a[0]);
    int32_t start = intArg(a[1]);
    if (start < 1) typeError("positive", a[1]);
    size_t from = utf8Offset(s, size_t(start - 1));
    size_t to = s.size();
    if (a.size() == 3) {
      int32_t len = intArg(a[2]);
      if (len < 0) typeError("positive", a[2]);
      to = utf8Offset(s, size_t(start - 1) + size_t(len));
    }
    return Value::fromString(s.substr(from, to - from));
  };
  t["STRCASE"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 1, 2);
    return Value::fromString(changeCase(stringArg(a[0]), a.size() == 2 && !a[1].isNil()));
  };

  // ---- conversions ----
  t["ITOA"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 1, 1);
    return Value::fromString(std::to_string(intArg(a[0])));
  };
  t["ATOI"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 1, 1);
    errno = 0;
    long long v = std::strtoll(stringArg(a[0]).c_str(), nullptr, 10);
    if (errno == ERANGE || v > INT32_MAX || v < INT32_MIN) v = v < 0 ? INT32_MIN : INT32_MAX;
    return Value::fromInt(int32_t(v));
  };
  t["ATOF"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 1, 1);
    double v = std::strtod(stringArg(a[0]).c_str(), nullptr);
    if (std::isnan(v) || std::isinf(v)) v = 0.0;
    return Value::fromReal(v);
  };
  t["RTOS"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 1, 3);
    double v = numberArg(a[0]);
    int mode = a.size() >= 2 ? intArg(a[1]) : 2;
    int prec = a.size() >= 3 ? intArg(a[2]) : 4;
    if (mode != 1 && mode != 2) throw LispError("rtos: mode non pris en charge: " + std::to_string(mode));
    if (prec < 0 || prec > 8) throw LispError("rtos: précision hors limites : " + std::to_string(prec));
    if (!std::isfinite(v)) throw LispError("argument hors domaine: rtos: " + prin1String(a[0]));
    return Value::fromString(rtos(v, mode, prec));
  };

  // ---- geometry (angles in radians, counter-clockwise from X) ----
  t["DISTANCE"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 2, 2);
    ZcGePoint3d p = pointArg(a[0]), q = pointArg(a[1]);
    bool flat = a[0].cdr().cdr().isNil() || a[1].cdr().cdr().isNil();
    double dz = flat ? 0.0 : q.z - p.z;
    return Value::fromReal(std::sqrt((q.x - p.x) * (q.x - p.x) + (q.y - p.y) * (q.y - p.y) + dz * dz));
  };
  t["ANGLE"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 2, 2);
    ZcGePoint3d p = pointArg(a[0]), q = pointArg(a[1]);
    double ang = std::atan2(q.y - p.y, q.x - p.x);
    if (ang < 0) ang += 2 * M_PI;
    return Value::fromReal(ang);
  };
  t["POLAR"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 3, 3);
    ZcGePoint3d p = pointArg(a[0]);
    double ang = numberArg(a[1]), d = numberArg(a[2]);
    ZcGePoint3d r(p.x + d * std::cos(ang), p.y + d * std::sin(ang), p.z);
    return Value::point(r, !a[0].cdr().cdr().isNil());
  };

  // ---- printing ----
  t["PRINC"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 0, 2);
    if (a.empty()) return Value::voidValue();
    out(princString(a[0]));
    return a[0];
  };
  t["PRIN1"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 0, 2);
    if (a.empty()) return Value::voidValue();
    out(prin1String(a[0]));
    return a[0];
  };
  t["PRINT"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 0, 2);
    if (a.empty()) return Value::voidValue();
    out("\n" + prin1String(a[0]) + " ");
    return a[0];
  };
  t["TERPRI"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 0, 0);
    out("\n");
    return Value::nil();
  };

  // ---- types ----
  t["TYPE"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 1, 1);
    switch (a[0].kind) {
      case K::Nil: return Value::nil();
      case K::T:
      case K::Sym:
      case K::Void: return Value::symbol("SYM");
      case K::Int: return Value::symbol("INT");
      case K::Real: return Value::symbol("REAL");
      case K::Str: return Value::symbol("STR");
      case K::Cons: return Value::symbol("LIST");
      case K::Ename: return Value::symbol("ENAME");
      case K::PickSet: return Value::symbol("PICKSET");
      case K::Subr: return Value::symbol("SUBR");
      case K::Func: return Value::symbol("USUBR");
    }
    return Value::nil();
  };
  t["NUMBERP"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 1, 1);
    return Value::fromBool(a[0].isNumber());
  };
  t["LISTP"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 1, 1);
    return Value::fromBool(a[0].isList());
  };
  t["ATOM"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 1, 1);
    return Value::fromBool(!a[0].isCons());
  };
  t["BOUNDP"] = [](Evaluator& ev, const Args& a) {
    checkArgCount(a, 1, 1);
    if (a[0].kind == K::T) return Value::t();
    if (!a[0].isSymbol()) return Value::nil();
    return Value::fromBool(!ev.getVar(a[0].text).isNil());
  };

  // ---- evaluation ----
  t["EVAL"] = [](Evaluator& ev, const Args& a) {
    checkArgCount(a, 1, 1);
    return ev.eval(a[0]);
  };
  t["APPLY"] = [](Evaluator& ev, const Args& a) {
    checkArgCount(a, 2, 2);
    return ev.apply(a[0], properItems(a[1]));
  };
  t["MAPCAR"] = [](Evaluator& ev, const Args& a) {
    checkArgCount(a, 2, kAny);
    std::vector<std::vector<Value>> lists;
    size_t n = SIZE_MAX;
    for (size_t i = 1; i < a.size(); ++i) {
      lists.push_back(properItems(a[i]));
      n = std::min(n, lists.back().size());
    }
    std::vector<Value> results;
    for (size_t k = 0; k < n; ++k) {
      Args call;
      for (const auto& l : lists) call.push_back(l[k]);
      results.push_back(ev.apply(a[0], call));
    }
    return Value::list(results);
  };

  // ---- drawing database ----
  t["ENTGET"] = [](Evaluator&, const Args& a) {
    checkArgCount(a, 1, 2);
    ZcDbObjectId id = entityArg(a[0]);
    std::vector<std::wstring> apps;
    if (a.size() == 2)
      for (const Value& app : properItems(a[1])) apps.push_back(host::fromUtf8(stringArg(app)));
    if (id.isNull() || id.isErased()) return Value::nil();
    ResbufChain chain = zcdbEntGet(id, apps);
    if (chain.empty()) return Value::nil();
    return listFromResbufs(chain);
  };
}

}  // namespace host::lisp
