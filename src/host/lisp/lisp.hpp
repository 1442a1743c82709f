// The console's LISP: a reader, an evaluator with the usual built-ins, and
// the registration API through which applications add functions (zcedDefun
// and the zcedGetArgs / zcedRet* calls made while one of them runs).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/lisp/value.hpp"

namespace host::lisp {

// ---- reader ----------------------------------------------------------------

enum class ReadStatus { Ok, Incomplete, Error };
struct ReadResult {
  ReadStatus status = ReadStatus::Ok;
  std::vector<Value> forms;
  std::string error;  // the message, without "; erreur: "
};
// Every expression of `text`. Incomplete when a list or a string is still
// open at the end (the console may read more lines); Error for a stray ")"
// or a misplaced dot.
ReadResult readAll(const std::string& text);
// The single expression of `text` (LispError when there is not exactly one).
Value readOne(const std::string& text);

// Reads a text handed over in pieces (the lines of an expression typed or
// read from a script) as readAll reads the whole text, in one pass: each
// piece is read once, so asking after every line whether the expression is
// complete costs the length of the text, not that times its lines.
class PieceReader {
 public:
  // Reads `text` after the pieces given before.
  void feed(std::string_view text);
  // True while the text given so far has a list, a string or a quote left
  // open at its end (and no error): more text could complete it.
  bool needsMoreInput() const;
  // What readAll gives for the whole text given; the reader starts over.
  ReadResult finish();

 private:
  enum class Mode : uint8_t { Normal, Token, String, Comment };
  // An open list (its items, and its tail after a dot: `dot` 1 while the
  // tail is awaited, 2 once read) or a quote awaiting its datum.
  struct Frame {
    bool quote = false;
    int nesting = 0;  // of the data read inside
    std::vector<Value> items;
    Value tail;
    int dot = 0;
  };
  int nesting() const;
  void fail(std::string message);
  void complete(Value v);
  void closeList();
  void endToken();
  void normal(char c);
  void inString(char c);

  Mode mode_ = Mode::Normal;
  std::vector<Frame> stack_;
  std::vector<Value> forms_;
  std::string token_;
  bool uncheckedToken_ = false;  // a token starting with '.' in a list: its nesting is checked at its end
  std::string string_;
  int escape_ = 0;  // 1 after a backslash, 2 to 3 after so many octal digits
  int octal_ = 0;
  bool failed_ = false;
  std::string message_;
};

// ---- evaluator -------------------------------------------------------------

using Args = std::vector<Value>;
using Builtin = std::function<Value(class Evaluator&, const Args&)>;

enum class LineStatus { Value, NoValue, Error, Incomplete };
struct LineResult {
  LineStatus status = LineStatus::NoValue;
  std::string printed;  // prin1 form of the last value (Value only)
  std::string error;    // the message, without "; erreur: " (Error only)
  Value value;
};

class Evaluator {
 public:
  Evaluator();
  Evaluator(const Evaluator&) = delete;
  Evaluator& operator=(const Evaluator&) = delete;

  // Evaluates every expression of `text`. Errors are printed on the console
  // as "; erreur: message" and stop the evaluation. With `allowIncomplete`,
  // text whose parentheses are still open is left unevaluated and reported
  // Incomplete (nothing printed); otherwise it is the error
  // "parenthese fermante manquante".
  LineResult evaluateText(const std::string& text, bool allowIncomplete = true);
  // The same for a text already read (PieceReader::finish).
  LineResult evaluateRead(ReadResult read, bool allowIncomplete = true);
  // One console line: the printed value of its last expression; `ok` false
  // after an error (already printed) or when the line is incomplete.
  std::string evaluateLine(const std::string& line, bool& ok);
  // True while `text` has a list or string left open.
  static bool needsMoreInput(const std::string& text);

  // Evaluation proper; these throw LispError.
  Value eval(const Value& expr);
  Value apply(const Value& fn, const Args& args);
  Value callFunction(const std::string& name, const Args& args);

  // Functions implemented elsewhere (selection sets, entity picking, ...).
  // A later registration of the same name replaces the earlier one; an
  // empty function removes the name.
  void registerBuiltin(const std::string& name, Builtin fn);
  bool hasBuiltin(const std::string& name) const;

  // Global variables (names are case-insensitive). Setting nil unbinds.
  Value getVar(const std::string& name) const;
  void setVar(const std::string& name, const Value& v);

  // ---- applications' functions (zcedDefun and friends) ----
  // A call resolves a name to a user function (defun) first, then a
  // built-in, then an application's function. Names are case-insensitive.
  bool defineExternal(const std::string& name, int funcCode);
  bool undefineExternal(const std::string& name, int funcCode);
  bool isExternal(const std::string& name) const;
  // Receives the function code of each call; returns RTNORM, or RTERROR
  // (anything else than RTNORM) when the function failed.
  void setFunctionDispatcher(std::function<int(int funcCode)> dispatcher);

  // The call in progress (zcedGetFunCode / zcedGetArgs / zcedRet*).
  struct ExternalCall {
    int funcCode = 0;
    ResbufChain args;
    bool hasResult = false;
    Value result;
  };
  ExternalCall* currentCall() { return calls_.empty() ? nullptr : &calls_.back(); }

  // "c:" functions, by name without the prefix: defined by defun or by an
  // application. callCommand runs one without arguments; false (the error
  // printed) when it failed or does not exist.
  bool isCommandFunction(const std::string& nameWithoutPrefix) const;
  bool callCommand(const std::string& nameWithoutPrefix);

  // Depth of nested evaluations beyond which evaluation stops with an error.
  static constexpr int kMaxDepth = 1000;

 private:
  friend struct DepthGuard;
  friend struct BindingScope;
  Value evalList(const Value& form);
  Value callUser(const Function& f, const Args& args);
  Value callExternal(const std::string& name, int code, const Args& args);
  Value special(const std::string& name, const Value& rest, bool& handled);
  Value progn(const Value& body);
  void reportError(const std::string& message);

  std::unordered_map<std::string, Value> vars_;
  std::unordered_map<std::string, Builtin> builtins_;
  std::unordered_map<std::string, int> externals_;
  std::function<int(int)> dispatcher_;
  std::vector<ExternalCall> calls_;
  int depth_ = 0;
};

// The session's evaluator, the one the zced* functions act on.
Evaluator& session();
// Replaces the session's evaluator (tests); returns the previous one.
Evaluator* setSession(Evaluator* ev);

void setFunctionDispatcher(std::function<int(int funcCode)> dispatcher);
bool isCommandFunction(const std::string& nameWithoutPrefix);
bool callCommandFunction(const std::string& nameWithoutPrefix);

// ---- helpers for built-ins implemented elsewhere ---------------------------
// Each throws LispError with the host's message.
[[noreturn]] void typeError(const std::string& predicate, const Value& v);
void checkArgCount(const Args& args, size_t min, size_t max);
double numberArg(const Value& v);
int32_t intArg(const Value& v);
const std::string& stringArg(const Value& v);
ZcGePoint3d pointArg(const Value& v);
ZcDbObjectId entityArg(const Value& v);
SelectionSetRef selectionSetArg(const Value& v);

}  // namespace host::lisp

// ---- the host's registration API (acts on host::lisp::session()) -----------
int zcedDefun(const wchar_t* name, int funcCode);
int zcedDefun(const std::string& name, int funcCode);
int zcedUndef(const wchar_t* name, int funcCode);
int zcedUndef(const std::string& name, int funcCode);
// Code of the registered function being called; RTERROR outside a call.
int zcedGetFunCode();
// The evaluated arguments of that call (points as RTPOINT / RT3DPOINT).
ResbufChain zcedGetArgs();
// Set the call's value; RTNORM, or RTERROR outside a call.
int zcedRetInt(int value);
int zcedRetReal(double value);
int zcedRetStr(const std::wstring& value);
int zcedRetName(ZcDbObjectId id, int type = RTENAME);
// A selection set (by its number) as the call's value.
int zcedRetPickSet(long selectionSetNumber);
int zcedRetPoint(const ZcGePoint3d& p);
// The elements of `chain` become the elements of the returned list.
int zcedRetList(const ResbufChain& chain);
int zcedRetT();
int zcedRetNil();
int zcedRetVoid();
// An application reports an error of its function in progress: the text is
// printed on the command line as given (it brings its own line breaks); the
// call's value is left to the function. RTNORM.
int zcdbFail(const wchar_t* text);
