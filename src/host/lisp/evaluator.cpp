// Evaluation: symbols, calls, special forms, user functions with dynamic
// binding, applications' functions, and the console entry points.
#include <exception>
#include <optional>

#include "host/app/console_io.hpp"
#include "host/lisp/lisp.hpp"

namespace host::lisp {

void installBuiltins(std::unordered_map<std::string, Builtin>& table);  // builtins.cpp

namespace {

std::string upper(const std::string& s) {
  std::string u = s;
  for (char& c : u)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return u;
}

const std::string kCommandPrefix = "C:";

}  // namespace

// Counts nested evaluations so runaway recursion ends in an error instead of
// exhausting the native stack.
struct DepthGuard {
  explicit DepthGuard(Evaluator& e) : ev(e) {
    if (++ev.depth_ > Evaluator::kMaxDepth) {
      --ev.depth_;
      throw LispError("limite de profondeur de récursion atteinte");
    }
  }
  ~DepthGuard() { --ev.depth_; }
  Evaluator& ev;
};

// Dynamic binding: variables take new values for the extent of a call (or a
// foreach) and get their previous ones back however it ends.
struct BindingScope {
  explicit BindingScope(Evaluator& e) : ev(e) {}
  void bind(const std::string& name, const Value& v) {
    auto it = ev.vars_.find(name);
    saved.push_back({name, it == ev.vars_.end() ? std::nullopt : std::optional<Value>(it->second)});
    ev.setVar(name, v);
  }
  ~BindingScope() {
    for (auto it = saved.rbegin(); it != saved.rend(); ++it) {
      if (it->second) ev.vars_[it->first] = *it->second;
      else ev.vars_.erase(it->first);
    }
  }
  Evaluator& ev;
  std::vector<std::pair<std::string, std::optional<Value>>> saved;
};

Evaluator::Evaluator() {
  installBuiltins(builtins_);
  vars_["PI"] = Value::fromReal(3.14159265358979323846);
}

void Evaluator::registerBuiltin(const std::string& name, Builtin fn) {
  if (!fn) builtins_.erase(upper(name));
  else builtins_[upper(name)] = std::move(fn);
}

bool Evaluator::hasBuiltin(const std::string& name) const { return builtins_.count(upper(name)) != 0; }

Value Evaluator::getVar(const std::string& name) const {
  auto it = vars_.find(upper(name));
  return it == vars_.end() ? Value::nil() : it->second;
}

void Evaluator::setVar(const std::string& name, const Value& v) {
  if (v.isNil()) vars_.erase(upper(name));
  else vars_[upper(name)] = v;
}

// ---- evaluation ------------------------------------------------------------

Value Evaluator::eval(const Value& expr) {
  DepthGuard guard(*this);
  switch (expr.kind) {
    case Value::Kind::Sym: {
      auto it = vars_.find(expr.text);
      if (it != vars_.end()) return it->second;
      if (builtins_.count(expr.text)) return Value::subr(expr.text);
      return Value::nil();
    }
    case Value::Kind::Cons: return evalList(expr);
    default: return expr;
  }
}

Value Evaluator::progn(const Value& body) {
  Value result;
  for (const Value* p = &body; p->isCons(); p = &p->cdr()) result = eval(p->car());
  return result;
}

Value Evaluator::evalList(const Value& form) {
  const Value& head = form.car();
  const Value& rest = form.cdr();
  if (!isProperList(rest)) throw LispError("liste d'arguments incorrecte: " + prin1String(form));

  auto evalArgs = [&] {
    Args args;
    for (const Value* p = &rest; p->isCons(); p = &p->cdr()) args.push_back(eval(p->car()));
    return args;
  };

  if (head.isSymbol()) {
    const std::string& name = head.text;
    bool handled = false;
    Value v = special(name, rest, handled);
    if (handled) return v;
    auto var = vars_.find(name);
    if (var != vars_.end() && (var->second.kind == Value::Kind::Func || var->second.kind == Value::Kind::Subr)) {
      Value fn = var->second;  // the call may rebind the symbol
      return apply(fn, evalArgs());
    }
    auto b = builtins_.find(name);
    if (b != builtins_.end()) {
      Builtin fn = b->second;
      return fn(*this, evalArgs());
    }
    auto ext = externals_.find(name);
    if (ext != externals_.end()) {
      int code = ext->second;
      return callExternal(name, code, evalArgs());
    }
    throw LispError("fonction inconnue: " + name);
  }
  if (head.isCons()) {
    Value fn = eval(head);
    return apply(fn, evalArgs());
  }
  throw LispError("fonction incorrecte: " + prin1String(head));
}

Value Evaluator::apply(const Value& fn, const Args& args) {
  if (fn.kind == Value::Kind::Func && fn.function) return callUser(*fn.function, args);
  if (fn.kind == Value::Kind::Subr || fn.kind == Value::Kind::Sym) return callFunction(fn.text, args);
  // A quoted lambda expression: '(lambda (x) ...)
  if (fn.isCons() && fn.car().isSymbol() && fn.car().text == "LAMBDA") {
    Value f = eval(fn);
    if (f.kind == Value::Kind::Func) return callUser(*f.function, args);
  }
  throw LispError("fonction incorrecte: " + prin1String(fn));
}

Value Evaluator::callFunction(const std::string& rawName, const Args& args) {
  std::string name = upper(rawName);
  auto var = vars_.find(name);
  if (var != vars_.end() && var->second.kind == Value::Kind::Func) {
    Value fn = var->second;
    return callUser(*fn.function, args);
  }
  auto b = builtins_.find(name);
  if (b != builtins_.end()) {
    Builtin fn = b->second;
    return fn(*this, args);
  }
  auto ext = externals_.find(name);
  if (ext != externals_.end()) return callExternal(name, ext->second, args);
  throw LispError("fonction inconnue: " + name);
}

Value Evaluator::callUser(const Function& f, const Args& args) {
  if (args.size() < f.params.size()) throw LispError("nombre d'arguments insuffisants");
  if (args.size() > f.params.size()) throw LispError("nombre d'arguments trop important");
  DepthGuard guard(*this);
  BindingScope scope(*this);
  for (size_t i = 0; i < f.params.size(); ++i) scope.bind(f.params[i], args[i]);
  for (const std::string& local : f.locals) scope.bind(local, Value::nil());
  return progn(f.body);
}

Value Evaluator::callExternal(const std::string& name, int code, const Args& args) {
  if (!dispatcher_) throw LispError("aucune application ne traite la fonction: " + name);
  ExternalCall call;
  call.funcCode = code;
  for (const Value& a : args) appendResbufs(call.args, a, true);
  calls_.push_back(std::move(call));
  struct Pop {
    std::vector<ExternalCall>& calls;
    ~Pop() { calls.pop_back(); }
  } pop{calls_};
  int status;
  try {
    std::function<int(int)> dispatcher = dispatcher_;
    status = dispatcher(code);
  } catch (const LispError&) {
    throw;
  } catch (const std::exception& e) {
    throw LispError("échec de la fonction " + name + ": " + e.what());
  } catch (...) {
    throw LispError("échec de la fonction " + name);
  }
  if (status != RTNORM) throw LispError("échec de la fonction " + name);
  const ExternalCall& done = calls_.back();
  return done.hasResult ? done.result : Value::nil();
}

// ---- special forms -----------------------------------------------------------

namespace {

std::vector<Value> formArgs(const Value& rest) {
  std::vector<Value> out;
  for (const Value* p = &rest; p->isCons(); p = &p->cdr()) out.push_back(p->car());
  return out;
}

// (name (params / locals) body...) or (lambda (params / locals) body...)
std::shared_ptr<Function> makeFunction(const std::string& name, const Value& paramList, const Value& body) {
  auto f = std::make_shared<Function>();
  f->name = name;
  if (!isProperList(paramList)) typeError("listp", paramList);
  bool locals = false;
  for (const Value* p = &paramList; p->isCons(); p = &p->cdr()) {
    const Value& s = p->car();
    if (s.isSymbol() && s.text == "/") {
      if (locals) throw LispError("liste de paramètres incorrecte: " + prin1String(paramList));
      locals = true;
      continue;
    }
    if (!s.isSymbol()) throw LispError("liste de paramètres incorrecte: " + prin1String(paramList));
    (locals ? f->locals : f->params).push_back(s.text);
  }
  f->body = body;
  return f;
}

Value functionValue(std::shared_ptr<Function> f) {
  Value v;
  v.kind = Value::Kind::Func;
  v.function = std::move(f);
  return v;
}

}  // namespace

Value Evaluator::special(const std::string& name, const Value& rest, bool& handled) {
  handled = true;
  auto needs = [&](size_t min, size_t max) {
    size_t n = 0;
    for (const Value* p = &rest; p->isCons(); p = &p->cdr()) ++n;
    if (n < min) throw LispError("nombre d'arguments insuffisants");
    if (n > max) throw LispError("nombre d'arguments trop important");
  };
  constexpr size_t kAny = size_t(-1);

  if (name == "QUOTE") {
    needs(1, 1);
    return rest.car();
  }
  if (name == "SETQ") {
    std::vector<Value> a = formArgs(rest);
    if (a.empty() || a.size() % 2 != 0) throw LispError("nombre d'arguments insuffisants");
    Value v;
    for (size_t i = 0; i < a.size(); i += 2) {
      if (!a[i].isSymbol()) typeError("symbolp", a[i]);
      v = eval(a[i + 1]);
      setVar(a[i].text, v);
    }
    return v;
  }
  if (name == "IF") {
    needs(2, 3);
    if (!eval(rest.car()).isNil()) return eval(rest.cdr().car());
    return eval(rest.cdr().cdr().car());
  }
  if (name == "COND") {
    for (const Value* c = &rest; c->isCons(); c = &c->cdr()) {
      const Value& clause = c->car();
      if (!clause.isCons()) typeError("listp", clause);
      Value test = eval(clause.car());
      if (test.isNil()) continue;
      return clause.cdr().isNil() ? test : progn(clause.cdr());
    }
    return Value::nil();
  }
  if (name == "PROGN") return progn(rest);
  if (name == "AND") {
    for (const Value* p = &rest; p->isCons(); p = &p->cdr())
      if (eval(p->car()).isNil()) return Value::nil();
    return Value::t();
  }
  if (name == "OR") {
    for (const Value* p = &rest; p->isCons(); p = &p->cdr())
      if (!eval(p->car()).isNil()) return Value::t();
    return Value::nil();
  }
  if (name == "WHILE") {
    needs(1, kAny);
    Value result;
    while (!eval(rest.car()).isNil()) result = progn(rest.cdr());
    return result;
  }
  if (name == "REPEAT") {
    needs(1, kAny);
    Value count = eval(rest.car());
    int32_t n = intArg(count);
    Value result;
    for (int32_t i = 0; i < n; ++i) result = progn(rest.cdr());
    return result;
  }
  if (name == "FOREACH") {
    needs(2, kAny);
    const Value& var = rest.car();
    if (!var.isSymbol()) typeError("symbolp", var);
    Value list = eval(rest.cdr().car());
    if (!isProperList(list)) typeError("listp", list);
    Value result;
    BindingScope scope(*this);
    scope.bind(var.text, Value::nil());
    for (const Value* p = &list; p->isCons(); p = &p->cdr()) {
      setVar(var.text, p->car());
      result = progn(rest.cdr().cdr());
    }
    return result;
  }
  if (name == "DEFUN") {
    needs(2, kAny);
    const Value& fname = rest.car();
    if (!fname.isSymbol()) typeError("symbolp", fname);
    setVar(fname.text, functionValue(makeFunction(fname.text, rest.cdr().car(), rest.cdr().cdr())));
    return fname;
  }
  if (name == "LAMBDA") {
    needs(1, kAny);
    return functionValue(makeFunction("", rest.car(), rest.cdr()));
  }
  if (name == "FUNCTION") {
    needs(1, 1);
    const Value& f = rest.car();
    return f.isSymbol() ? f : eval(f);
  }
  handled = false;
  return Value::nil();
}

// ---- console entry points ----------------------------------------------------

void Evaluator::reportError(const std::string& message) {
  host::console().print("; erreur: " + message + "\n");
}

LineResult Evaluator::evaluateText(const std::string& text, bool allowIncomplete) {
  return evaluateRead(readAll(text), allowIncomplete);
}

LineResult Evaluator::evaluateRead(ReadResult read, bool allowIncomplete) {
  LineResult out;
  if (read.status == ReadStatus::Incomplete && allowIncomplete) {
    out.status = LineStatus::Incomplete;
    return out;
  }
  if (read.status != ReadStatus::Ok) {
    out.status = LineStatus::Error;
    out.error = read.error;
    reportError(out.error);
    return out;
  }
  // Evaluation never lets an exception out: the console keeps running.
  try {
    Value last = Value::voidValue();
    for (const Value& form : read.forms) last = eval(form);
    out.value = last;
    if (last.kind == Value::Kind::Void) {
      out.status = LineStatus::NoValue;
    } else {
      out.status = LineStatus::Value;
      out.printed = prin1String(last);
    }
  } catch (const LispError& e) {
    out.status = LineStatus::Error;
    out.error = e.what();
  } catch (const std::bad_alloc&) {
    out.status = LineStatus::Error;
    out.error = "mémoire insuffisante";
  } catch (const std::exception& e) {
    out.status = LineStatus::Error;
    out.error = e.what();
  } catch (...) {
    out.status = LineStatus::Error;
    out.error = "erreur interne";
  }
  if (out.status == LineStatus::Error) {
    out.value = Value();
    reportError(out.error);
  }
  return out;
}

std::string Evaluator::evaluateLine(const std::string& line, bool& ok) {
  LineResult r = evaluateText(line, false);
  ok = r.status == LineStatus::Value || r.status == LineStatus::NoValue;
  return r.printed;
}

bool Evaluator::needsMoreInput(const std::string& text) {
  PieceReader reader;
  reader.feed(text);
  return reader.needsMoreInput();
}

// ---- applications' functions -------------------------------------------------

bool Evaluator::defineExternal(const std::string& name, int funcCode) {
  if (name.empty() || funcCode < 0) return false;
  for (char c : name)
    if (isspace(static_cast<unsigned char>(c)) || c == '(' || c == ')' || c == '\'' || c == '"' || c == ';')
      return false;
  externals_[upper(name)] = funcCode;
  return true;
}

bool Evaluator::undefineExternal(const std::string& name, int funcCode) {
  auto it = externals_.find(upper(name));
  if (it == externals_.end() || it->second != funcCode) return false;
  externals_.erase(it);
  return true;
}

bool Evaluator::isExternal(const std::string& name) const { return externals_.count(upper(name)) != 0; }

void Evaluator::setFunctionDispatcher(std::function<int(int)> dispatcher) { dispatcher_ = std::move(dispatcher); }

bool Evaluator::isCommandFunction(const std::string& nameWithoutPrefix) const {
  if (nameWithoutPrefix.empty()) return false;
  std::string name = kCommandPrefix + upper(nameWithoutPrefix);
  if (externals_.count(name)) return true;
  auto var = vars_.find(name);
  return var != vars_.end() && var->second.kind == Value::Kind::Func;
}

bool Evaluator::callCommand(const std::string& nameWithoutPrefix) {
  if (!isCommandFunction(nameWithoutPrefix)) return false;
  try {
    callFunction(kCommandPrefix + upper(nameWithoutPrefix), {});
    return true;
  } catch (const LispError& e) {
    reportError(e.what());
  } catch (const std::exception& e) {
    reportError(e.what());
  } catch (...) {
    reportError("erreur interne");
  }
  return false;
}

// ---- session -----------------------------------------------------------------

namespace {
Evaluator*& sessionSlot() {
  static Evaluator standard;
  static Evaluator* current = &standard;
  return current;
}
}  // namespace

Evaluator& session() { return *sessionSlot(); }
Evaluator* setSession(Evaluator* ev) {
  Evaluator* previous = sessionSlot();
  sessionSlot() = ev ? ev : previous;
  return previous;
}

void setFunctionDispatcher(std::function<int(int)> dispatcher) { session().setFunctionDispatcher(std::move(dispatcher)); }
bool isCommandFunction(const std::string& nameWithoutPrefix) { return session().isCommandFunction(nameWithoutPrefix); }
bool callCommandFunction(const std::string& nameWithoutPrefix) { return session().callCommand(nameWithoutPrefix); }

}  // namespace host::lisp

// ---- the host's registration API -----------------------------------------------

using host::lisp::session;
using host::lisp::Value;

int zcedDefun(const std::string& name, int funcCode) {
  return session().defineExternal(name, funcCode) ? RTNORM : RTERROR;
}
int zcedDefun(const wchar_t* name, int funcCode) {
  if (!name) return RTERROR;
  return zcedDefun(host::toUtf8(name), funcCode);
}
int zcedUndef(const std::string& name, int funcCode) {
  return session().undefineExternal(name, funcCode) ? RTNORM : RTERROR;
}
int zcedUndef(const wchar_t* name, int funcCode) {
  if (!name) return RTERROR;
  return zcedUndef(host::toUtf8(name), funcCode);
}

int zcedGetFunCode() {
  auto* call = session().currentCall();
  return call ? call->funcCode : RTERROR;
}

ResbufChain zcedGetArgs() {
  auto* call = session().currentCall();
  return call ? call->args : ResbufChain{};
}

namespace {
int setResult(Value v) {
  auto* call = session().currentCall();
  if (!call) return RTERROR;
  call->result = std::move(v);
  call->hasResult = true;
  return RTNORM;
}
}  // namespace

int zcedRetInt(int value) { return setResult(Value::fromInt(value)); }
int zcedRetReal(double value) { return setResult(Value::fromReal(value)); }
int zcedRetStr(const std::wstring& value) { return setResult(Value::fromString(host::toUtf8(value))); }
int zcedRetName(ZcDbObjectId id, int type) {
  if (type != RTENAME) return RTERROR;
  return setResult(Value::entity(id));
}
int zcedRetPickSet(long selectionSetNumber) {
  return setResult(Value::selectionSet(host::lisp::SelectionSetRef{selectionSetNumber}));
}
int zcedRetPoint(const ZcGePoint3d& p) { return setResult(Value::point(p, true)); }
int zcedRetList(const ResbufChain& chain) {
  try {
    return setResult(host::lisp::listFromResbufs(chain));
  } catch (const std::exception&) {
    return RTERROR;
  }
}
int zcedRetT() { return setResult(Value::t()); }
int zcedRetNil() { return setResult(Value::nil()); }
int zcedRetVoid() { return setResult(Value::voidValue()); }
int zcdbFail(const wchar_t* text) {
  if (text) host::console().print(host::toUtf8(text));
  return RTNORM;
}
