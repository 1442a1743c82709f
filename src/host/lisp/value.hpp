// Values of the console's LISP: atoms, cons cells, entity names and
// selection sets, their printed forms and their conversion to and from the
// resbuf chains the host's functions exchange.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/db/resbuf.hpp"

namespace host::lisp {

// A selection set of the command line, known to LISP only by its number.
struct SelectionSetRef {
  long id = 0;
  bool operator==(const SelectionSetRef&) const = default;
};

// An evaluation error: the message printed after "; erreur: ".
class LispError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Cell;
struct Function;

// Strings are UTF-8; symbol names are stored upper case.
struct Value {
  enum class Kind : uint8_t { Nil, T, Int, Real, Str, Sym, Cons, Ename, PickSet, Subr, Func, Void };

  Kind kind = Kind::Nil;
  int32_t integer = 0;
  double real = 0.0;
  std::string text;  // string contents, symbol name, built-in name
  ZcDbObjectId ename;
  SelectionSetRef pickset;
  std::shared_ptr<Cell> cell;
  std::shared_ptr<const Function> function;

  static Value nil();
  static Value t();
  static Value fromBool(bool b);
  static Value fromInt(int32_t v);
  static Value fromReal(double v);
  static Value fromString(std::string s);
  // `name` is upper-cased; "NIL" and "T" give nil and T.
  static Value symbol(const std::string& name);
  static Value entity(ZcDbObjectId id);
  static Value selectionSet(SelectionSetRef ref);
  static Value subr(const std::string& name);
  static Value voidValue();  // what (princ) returns: prints as nothing
  // A cons cell; LispError when the list would nest deeper than kMaxNesting.
  static Value cons(Value car, Value cdr);
  // A proper list of `items`, ending in `tail` (a dotted list when not nil).
  static Value list(const std::vector<Value>& items);
  static Value list(const std::vector<Value>& items, Value tail);
  static Value point(const ZcGePoint3d& p, bool threeD = true);

  bool isNil() const { return kind == Kind::Nil; }
  bool isCons() const { return kind == Kind::Cons; }
  bool isList() const { return kind == Kind::Nil || kind == Kind::Cons; }
  bool isNumber() const { return kind == Kind::Int || kind == Kind::Real; }
  bool isString() const { return kind == Kind::Str; }
  bool isSymbol() const { return kind == Kind::Sym; }
  double number() const { return kind == Kind::Int ? double(integer) : real; }
  // Car and cdr of a cons; nil for anything else.
  const Value& car() const;
  const Value& cdr() const;
  // Nesting depth through cars (atoms 0, a flat list 1).
  int depth() const;
};

struct Cell {
  Value car;
  Value cdr;
  int depth = 1;
  // Releases long cdr chains one cell at a time rather than recursively.
  ~Cell();
};

// A function defined by defun or lambda: parameters, locals after "/", body.
struct Function {
  std::string name;
  std::vector<std::string> params;
  std::vector<std::string> locals;
  Value body;  // list of forms
};

// Lists never nest deeper than this (reader, cons, conversions), so printing,
// comparing and releasing them stays within the native stack.
constexpr int kMaxNesting = 1000;

// The elements of a list; `tail` receives the end (nil unless dotted).
// LispError "listp" when `v` is not a list.
std::vector<Value> listItems(const Value& v, Value* tail = nullptr);
// True when `v` is nil or a list ending in nil.
bool isProperList(const Value& v);
// A proper list of two or three numbers.
bool isPointList(const Value& v);
ZcGePoint3d pointOf(const Value& v);

// Printed forms: prin1 quotes and escapes strings, princ prints them raw.
std::string prin1String(const Value& v);
std::string princString(const Value& v);
// Reals as the host prints them: six significant digits, always a decimal
// point ("3.0", "0.1", "1.23457e+06").
std::string formatReal(double v);

bool eq(const Value& a, const Value& b);
// Structural equality; numbers compare by value, within `fuzz`.
bool equal(const Value& a, const Value& b, double fuzz = 0.0);

// The resbuf chain of one value: lists as RTLB ... RTLE, dotted pairs as
// RTLB a RTDOTE b RTLE, integers RTSHORT or RTLONG by size. With
// `pointsAsPoints`, lists of two or three numbers become RTPOINT/RT3DPOINT
// (how arguments reach a registered function).
void appendResbufs(ResbufChain& out, const Value& v, bool pointsAsPoints);
ResbufChain toResbufs(const Value& v, bool pointsAsPoints = true);
// The value of a chain: one element gives that element, several make a list
// of them. Group-coded resbufs (entity lists) become (code . value) pairs,
// points (code x y z). LispError on an unbalanced RTLB/RTLE.
Value fromResbufs(const ResbufChain& chain);
// Every element of a chain as a list (what zcedRetList returns).
Value listFromResbufs(const ResbufChain& chain);

}  // namespace host::lisp
