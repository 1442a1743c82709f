#include "host/lisp/value.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace host::lisp {

namespace {
const Value& nilValue() {
  static const Value v;
  return v;
}
}  // namespace

Cell::~Cell() {
  std::shared_ptr<Cell> next = std::move(cdr.cell);
  while (next && next.use_count() == 1) {
    std::shared_ptr<Cell> after = std::move(next->cdr.cell);
    next.reset();
    next = std::move(after);
  }
}

Value Value::nil() { return Value(); }
Value Value::fromBool(bool b) { return b ? t() : nil(); }

Value Value::t() {
  Value v;
  v.kind = Kind::T;
  return v;
}
Value Value::fromInt(int32_t i) {
  Value v;
  v.kind = Kind::Int;
  v.integer = i;
  return v;
}
Value Value::fromReal(double r) {
  Value v;
  v.kind = Kind::Real;
  v.real = r;
  return v;
}
Value Value::fromString(std::string s) {
  Value v;
  v.kind = Kind::Str;
  v.text = std::move(s);
  return v;
}
Value Value::symbol(const std::string& name) {
  std::string up = name;
  for (char& c : up) c = char(std::toupper(static_cast<unsigned char>(c)));
  if (up == "NIL") return nil();
  if (up == "T") return t();
  Value v;
  v.kind = Kind::Sym;
  v.text = std::move(up);
  return v;
}
Value Value::entity(ZcDbObjectId id) {
  Value v;
  v.kind = Kind::Ename;
  v.ename = id;
  return v;
}
Value Value::selectionSet(SelectionSetRef ref) {
  Value v;
  v.kind = Kind::PickSet;
  v.pickset = ref;
  return v;
}
Value Value::subr(const std::string& name) {
  Value v;
  v.kind = Kind::Subr;
  v.text = name;
  return v;
}
Value Value::voidValue() {
  Value v;
  v.kind = Kind::Void;
  return v;
}

int Value::depth() const { return cell ? cell->depth : 0; }

Value Value::cons(Value car, Value cdr) {
  int d = std::max(car.depth() + 1, cdr.depth());
  if (d > kMaxNesting) throw LispError("liste trop profonde");
  auto c = std::make_shared<Cell>();
  c->depth = d;
  c->car = std::move(car);
  c->cdr = std::move(cdr);
  Value v;
  v.kind = Kind::Cons;
  v.cell = std::move(c);
  return v;
}

Value Value::list(const std::vector<Value>& items) { return list(items, Value()); }

Value Value::list(const std::vector<Value>& items, Value tail) {
  Value out = std::move(tail);
  for (auto it = items.rbegin(); it != items.rend(); ++it) out = cons(*it, std::move(out));
  return out;
}

Value Value::point(const ZcGePoint3d& p, bool threeD) {
  std::vector<Value> xs{fromReal(p.x), fromReal(p.y)};
  if (threeD) xs.push_back(fromReal(p.z));
  return list(xs);
}

const Value& Value::car() const { return cell ? cell->car : nilValue(); }
const Value& Value::cdr() const { return cell ? cell->cdr : nilValue(); }

std::vector<Value> listItems(const Value& v, Value* tail) {
  if (!v.isList()) throw LispError("type d'argument incorrect: listp: " + prin1String(v));
  std::vector<Value> out;
  const Value* p = &v;
  while (p->isCons()) {
    out.push_back(p->car());
    p = &p->cdr();
  }
  if (tail) *tail = *p;
  return out;
}

bool isProperList(const Value& v) {
  const Value* p = &v;
  while (p->isCons()) p = &p->cdr();
  return p->isNil();
}

bool isPointList(const Value& v) {
  if (!v.isCons()) return false;
  int n = 0;
  const Value* p = &v;
  while (p->isCons()) {
    if (!p->car().isNumber() || ++n > 3) return false;
    p = &p->cdr();
  }
  return p->isNil() && n >= 2;
}

ZcGePoint3d pointOf(const Value& v) {
  ZcGePoint3d p;
  double* xyz[3] = {&p.x, &p.y, &p.z};
  int i = 0;
  for (const Value* c = &v; c->isCons() && i < 3; c = &c->cdr()) *xyz[i++] = c->car().number();
  return p;
}

std::string formatReal(double v) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v < 0 ? "-1.#INF" : "1.#INF";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.6g", v);
  std::string s = buf;
  if (s == "-0") return "0.0";
  size_t e = s.find('e');
  std::string mantissa = e == std::string::npos ? s : s.substr(0, e);
  if (mantissa.find('.') == std::string::npos) mantissa += ".0";
  return e == std::string::npos ? mantissa : mantissa + s.substr(e);
}

namespace {

std::string quoted(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\x1b': out += "\\e"; break;
      default: out += c;
    }
  }
  return out + "\"";
}

void print(std::string& out, const Value& v, bool escape) {
  using K = Value::Kind;
  switch (v.kind) {
    case K::Nil: out += "nil"; return;
    case K::T: out += "T"; return;
    case K::Int: out += std::to_string(v.integer); return;
    case K::Real: out += formatReal(v.real); return;
    case K::Str: out += escape ? quoted(v.text) : v.text; return;
    case K::Sym: out += v.text; return;
    case K::Ename: out += "<Entity name: " + (v.ename.isNull() ? std::string("0") : v.ename.handle().toString()) + ">"; return;
    case K::PickSet: out += "<Selection set: " + std::to_string(v.pickset.id) + ">"; return;
    case K::Subr: out += "#<SUBR @" + v.text + ">"; return;
    case K::Func: out += "#<USUBR @" + (v.function && !v.function->name.empty() ? v.function->name : std::string("LAMBDA")) + ">"; return;
    case K::Void: return;
    case K::Cons: {
      out += '(';
      const Value* p = &v;
      bool first = true;
      while (p->isCons()) {
        if (!first) out += ' ';
        first = false;
        print(out, p->car(), escape);
        p = &p->cdr();
      }
      if (!p->isNil()) {
        out += " . ";
        print(out, *p, escape);
      }
      out += ')';
      return;
    }
  }
}

}  // namespace

std::string prin1String(const Value& v) {
  std::string s;
  print(s, v, true);
  return s;
}
std::string princString(const Value& v) {
  std::string s;
  print(s, v, false);
  return s;
}

bool eq(const Value& a, const Value& b) {
  using K = Value::Kind;
  if (a.kind != b.kind) return false;
  switch (a.kind) {
    case K::Nil:
    case K::T:
    case K::Void: return true;
    case K::Int: return a.integer == b.integer;
    case K::Real: return a.real == b.real;
    case K::Str:
    case K::Sym:
    case K::Subr: return a.text == b.text;
    case K::Ename: return a.ename == b.ename;
    case K::PickSet: return a.pickset == b.pickset;
    case K::Cons: return a.cell == b.cell;
    case K::Func: return a.function == b.function;
  }
  return false;
}

bool equal(const Value& a, const Value& b, double fuzz) {
  const Value* x = &a;
  const Value* y = &b;
  while (x->isCons() && y->isCons()) {
    if (!equal(x->car(), y->car(), fuzz)) return false;
    x = &x->cdr();
    y = &y->cdr();
  }
  if (x->isNumber() && y->isNumber()) return std::fabs(x->number() - y->number()) <= fuzz;
  return eq(*x, *y);
}

// ---- resbufs -------------------------------------------------------------

void appendResbufs(ResbufChain& out, const Value& v, bool pointsAsPoints) {
  using K = Value::Kind;
  switch (v.kind) {
    case K::Nil: out.push_back(resbuf::shortInt(RTNIL, 0)); return;
    case K::T: out.push_back(resbuf::shortInt(RTT, 0)); return;
    case K::Void: out.push_back(resbuf::shortInt(RTVOID, 0)); return;
    case K::Int:
      if (v.integer >= -32768 && v.integer <= 32767) out.push_back(resbuf::shortInt(RTSHORT, short(v.integer)));
      else out.push_back(resbuf::longInt(RTLONG, v.integer));
      return;
    case K::Real: out.push_back(resbuf::real(RTREAL, v.real)); return;
    case K::Str:
    case K::Sym:
    case K::Subr:
    case K::Func: out.push_back(resbuf::string(RTSTR, host::fromUtf8(princString(v)))); return;
    case K::Ename: out.push_back(resbuf::id(RTENAME, v.ename)); return;
    case K::PickSet: {
      resbuf rb = resbuf::longInt(RTPICKS, int32_t(v.pickset.id));
      rb.resval.rint64 = v.pickset.id;  // the full number; rlong for 32-bit readers
      out.push_back(std::move(rb));
      return;
    }
    case K::Cons: {
      if (pointsAsPoints && isPointList(v)) {
        bool threeD = !v.cdr().cdr().isNil();
        out.push_back(resbuf::point(threeD ? RT3DPOINT : RTPOINT, pointOf(v)));
        return;
      }
      out.push_back(resbuf::shortInt(RTLB, 0));
      const Value* p = &v;
      while (p->isCons()) {
        appendResbufs(out, p->car(), pointsAsPoints);
        p = &p->cdr();
      }
      if (!p->isNil()) {
        out.push_back(resbuf::shortInt(RTDOTE, 0));
        appendResbufs(out, *p, pointsAsPoints);
      }
      out.push_back(resbuf::shortInt(RTLE, 0));
      return;
    }
  }
}

ResbufChain toResbufs(const Value& v, bool pointsAsPoints) {
  ResbufChain out;
  appendResbufs(out, v, pointsAsPoints);
  return out;
}

namespace {

std::string hex(const std::vector<unsigned char>& b) {
  static const char* d = "0123456789ABCDEF";
  std::string s;
  for (unsigned char c : b) {
    s.push_back(d[c >> 4]);
    s.push_back(d[c & 15]);
  }
  return s;
}

bool isGroupCode(short t) { return t < RTNONE && t > RTERROR; }

// The value part of a group-coded resbuf, typed as its code says.
Value groupValue(const resbuf& rb) {
  int code = rb.restype;
  if (code == -1 || code == -2 || host::isHandleCode(code)) {
    if (!rb.resval.rlname.isNull()) return Value::entity(rb.resval.rlname);
    return Value::fromString(host::toUtf8(rb.resval.rstring));
  }
  switch (host::tagType(code)) {
    case host::TagType::Double: return Value::fromReal(rb.resval.rreal);
    case host::TagType::Int16:
    case host::TagType::Bool: return Value::fromInt(rb.resval.rint);
    case host::TagType::Int32: return Value::fromInt(rb.resval.rlong);
    case host::TagType::Int64:
      if (rb.resval.rint64 >= INT32_MIN && rb.resval.rint64 <= INT32_MAX) return Value::fromInt(int32_t(rb.resval.rint64));
      return Value::fromReal(double(rb.resval.rint64));
    case host::TagType::Binary: return Value::fromString(hex(rb.resval.rbinary));
    default: return Value::fromString(host::toUtf8(rb.resval.rstring));
  }
}

Value groupPair(const resbuf& rb) {
  int code = rb.restype;
  Value key = Value::fromInt(code);
  if (host::isPointXCode(code) || code == 210 || (code >= 1010 && code <= 1013))
    return Value::cons(key, Value::point(rb.resval.rpoint));
  return Value::cons(key, groupValue(rb));
}

class ChainReader {
 public:
  explicit ChainReader(const ResbufChain& c) : chain_(c) {}
  bool atEnd() const { return pos_ >= chain_.size(); }

  // One element; `nesting` counts the enclosing RTLBs.
  Value next(int nesting = 0) {
    const resbuf& rb = chain_[pos_++];
    switch (rb.restype) {
      case RTNIL:
      case RTNONE: return Value::nil();
      case RTT: return Value::t();
      case RTVOID: return Value::voidValue();
      case RTSHORT: return Value::fromInt(rb.resval.rint);
      case RTLONG: return Value::fromInt(rb.resval.rlong);
      case RTREAL:
      case RTANG:
      case RTORINT: return Value::fromReal(rb.resval.rreal);
      case RTSTR: return Value::fromString(host::toUtf8(rb.resval.rstring));
      case RTENAME: return Value::entity(rb.resval.rlname);
      case RTPICKS:
        return Value::selectionSet(SelectionSetRef{rb.resval.rint64 ? long(rb.resval.rint64) : long(rb.resval.rlong)});
      case RTPOINT: return Value::point(rb.resval.rpoint, false);
      case RT3DPOINT: return Value::point(rb.resval.rpoint, true);
      case RTLB: return listBody(nesting + 1);
      case RTLE: throw LispError("liste mal formee: RTLE sans RTLB");
      case RTDOTE: throw LispError("liste mal formee: RTDOTE hors d'une liste");
      default:
        if (isGroupCode(rb.restype)) return groupPair(rb);
        throw LispError("type de resbuf inconnu: " + std::to_string(rb.restype));
    }
  }

  // The rest of a list after its RTLB, through its RTLE.
  Value listBody(int nesting) {
    if (nesting > kMaxNesting) throw LispError("liste trop profonde");
    std::vector<Value> items;
    Value tail;
    for (;;) {
      if (atEnd()) throw LispError("liste mal formee: RTLE manquant");
      short t = chain_[pos_].restype;
      if (t == RTLE) {
        ++pos_;
        break;
      }
      if (t == RTDOTE) {
        ++pos_;
        if (items.empty() || atEnd()) throw LispError("liste mal formee: RTDOTE mal place");
        tail = next(nesting);
        if (atEnd() || chain_[pos_].restype != RTLE) throw LispError("liste mal formee: RTDOTE mal place");
        ++pos_;
        break;
      }
      items.push_back(next(nesting));
    }
    return Value::list(items, tail);
  }

  // Extended data after a -3 marker: (-3 ("APP" (1000 . "x") ...) ...).
  Value extendedData() {
    std::vector<Value> apps;
    std::vector<Value> current;
    auto flush = [&] {
      if (!current.empty()) apps.push_back(Value::list(current));
      current.clear();
    };
    while (!atEnd()) {
      const resbuf& rb = chain_[pos_];
      if (!isGroupCode(rb.restype)) break;
      ++pos_;
      if (rb.restype == 1001) {
        flush();
        current.push_back(Value::fromString(host::toUtf8(rb.resval.rstring)));
      } else {
        current.push_back(groupPair(rb));
      }
    }
    flush();
    return Value::cons(Value::fromInt(-3), Value::list(apps));
  }

  size_t pos_ = 0;

 private:
  const ResbufChain& chain_;
};

}  // namespace

Value listFromResbufs(const ResbufChain& chain) {
  ChainReader r(chain);
  std::vector<Value> items;
  while (!r.atEnd()) {
    if (chain[r.pos_].restype == -3) {
      ++r.pos_;
      items.push_back(r.extendedData());
      continue;
    }
    items.push_back(r.next());
  }
  return Value::list(items);
}

Value fromResbufs(const ResbufChain& chain) {
  if (chain.empty()) return Value::nil();
  ChainReader r(chain);
  Value first = r.next();
  if (r.atEnd()) return first;
  return listFromResbufs(chain);
}

}  // namespace host::lisp
