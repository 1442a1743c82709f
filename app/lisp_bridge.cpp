#include "lisp_bridge.hpp"

#include "host/db/entities.hpp"
#include "host/ed/editor.hpp"
#include "host/ed/graphics.hpp"
#include "host/ed/selection.hpp"
#include "host/lisp/lisp.hpp"

namespace geltaro {

namespace {

using host::lisp::Args;
using host::lisp::Evaluator;
using host::lisp::Value;

// A selection filter written in LISP: ((0 . "INSERT") (8 . "TOPO*") (-3 ("APP"))).
ResbufChain filterOf(const Value& list) {
  ResbufChain out;
  for (const Value& item : host::lisp::listItems(list)) {
    if (!item.isCons() || item.car().kind != Value::Kind::Int) continue;
    short code = short(item.car().integer);
    const Value& v = item.cdr();
    if (code == -3) {
      out.push_back(resbuf::shortInt(-3, 0));
      for (const Value& app : host::lisp::listItems(v))
        if (app.isCons() && app.car().isString()) out.push_back(resbuf::string(1001, host::fromUtf8(app.car().text)));
      continue;
    }
    if (v.isString()) out.push_back(resbuf::string(code, host::fromUtf8(v.text)));
    else if (v.kind == Value::Kind::Int) out.push_back(resbuf::shortInt(code, short(v.integer)));
    else if (v.kind == Value::Kind::Real) out.push_back(resbuf::real(code, v.real));
  }
  return out;
}

Value statusValue(int rc, const Value& v) { return rc == RTNORM ? v : Value::nil(); }

std::wstring promptArg(const Args& a, size_t i) {
  return i < a.size() && a[i].isString() ? host::fromUtf8(a[i].text) : std::wstring();
}

}  // namespace

void installHostLispFunctions() {
  Evaluator& ev = host::lisp::session();
  ev.registerBuiltin("SSGET", [](Evaluator&, const Args& a) {
    std::wstring mode;
    std::vector<ZcGePoint3d> points;
    ResbufChain filter;
    bool haveFilter = false;
    for (const Value& v : a) {
      if (v.isString() && mode.empty()) mode = host::fromUtf8(v.text);
      else if (host::lisp::isPointList(v)) points.push_back(host::lisp::pointOf(v));
      else if (v.isCons()) {
        filter = filterOf(v);
        haveFilter = true;
      }
    }
    ZcSelectionSet ss;
    int rc = zcedSSGet(mode.empty() ? nullptr : mode.c_str(), points.size() > 0 ? &points[0] : nullptr,
                       points.size() > 1 ? &points[1] : nullptr, haveFilter ? &filter : nullptr, ss);
    return statusValue(rc, Value::selectionSet(host::lisp::SelectionSetRef{ss.number}));
  });
  ev.registerBuiltin("SSLENGTH", [](Evaluator&, const Args& a) {
    host::lisp::checkArgCount(a, 1, 1);
    const ZcSelectionSet* ss = host::selectionSet(host::lisp::selectionSetArg(a[0]).id);
    return ss ? Value::fromInt(int32_t(ss->ids.size())) : Value::nil();
  });
  ev.registerBuiltin("SSNAME", [](Evaluator&, const Args& a) {
    host::lisp::checkArgCount(a, 2, 2);
    const ZcSelectionSet* ss = host::selectionSet(host::lisp::selectionSetArg(a[0]).id);
    long i = host::lisp::intArg(a[1]);
    ads_name e;
    return ss && zcedSSName(*ss, i, e) == RTNORM ? Value::entity(e.id) : Value::nil();
  });
  ev.registerBuiltin("ENTSEL", [](Evaluator&, const Args& a) {
    std::wstring prompt = promptArg(a, 0);
    ads_name e;
    ZcGePoint3d p;
    int rc = zcedEntSel(prompt.empty() ? L"\nChoix de l'objet: " : prompt.c_str(), e, p);
    return statusValue(rc, Value::list({Value::entity(e.id), Value::point(p)}));
  });
  ev.registerBuiltin("ENTLAST", [](Evaluator&, const Args&) {
    ZcDbObjectId id = host::lastEntity();
    return id.isNull() ? Value::nil() : Value::entity(id);
  });
  ev.registerBuiltin("GETPOINT", [](Evaluator&, const Args& a) {
    size_t i = 0;
    ZcGePoint3d base;
    bool haveBase = !a.empty() && host::lisp::isPointList(a[0]);
    if (haveBase) base = host::lisp::pointOf(a[i++]);
    std::wstring prompt = promptArg(a, i);
    ZcGePoint3d p;
    int rc = zcedGetPoint(haveBase ? &base : nullptr, prompt.c_str(), p);
    return statusValue(rc, Value::point(p));
  });
  ev.registerBuiltin("GETREAL", [](Evaluator&, const Args& a) {
    double v = 0;
    std::wstring prompt = promptArg(a, 0);
    return statusValue(zcedGetReal(prompt.c_str(), v), Value::fromReal(v));
  });
  ev.registerBuiltin("GETINT", [](Evaluator&, const Args& a) {
    int v = 0;
    std::wstring prompt = promptArg(a, 0);
    return statusValue(zcedGetInt(prompt.c_str(), v), Value::fromInt(v));
  });
  ev.registerBuiltin("GETSTRING", [](Evaluator&, const Args& a) {
    bool spaces = !a.empty() && !a[0].isString() && !a[0].isNil();
    std::wstring prompt = promptArg(a, spaces || (!a.empty() && a[0].isNil()) ? 1 : 0);
    std::wstring s;
    return statusValue(zcedGetString(spaces ? 1 : 0, prompt.c_str(), s), Value::fromString(host::toUtf8(s)));
  });
  ev.registerBuiltin("GETKWORD", [](Evaluator&, const Args& a) {
    std::wstring prompt = promptArg(a, 0), kw;
    return statusValue(zcedGetKword(prompt.c_str(), kw), Value::fromString(host::toUtf8(kw)));
  });
  ev.registerBuiltin("INITGET", [](Evaluator&, const Args& a) {
    int flags = 0;
    std::wstring keywords;
    for (const Value& v : a) {
      if (v.kind == Value::Kind::Int) flags = v.integer;
      else if (v.isString()) keywords = host::fromUtf8(v.text);
    }
    zcedInitGet(flags, keywords.c_str());
    return Value::nil();
  });
  ev.registerBuiltin("GETVAR", [](Evaluator&, const Args& a) {
    host::lisp::checkArgCount(a, 1, 1);
    resbuf v;
    if (zcedGetVar(host::fromUtf8(host::lisp::stringArg(a[0])).c_str(), v) != RTNORM) return Value::nil();
    switch (v.restype) {
      case RTSHORT:
        return Value::fromInt(v.resval.rint);
      case RTREAL:
        return Value::fromReal(v.resval.rreal);
      case RTSTR:
        return Value::fromString(host::toUtf8(v.resval.rstring));
      case RTPOINT:
        return Value::point(v.resval.rpoint, false);
      default:
        return Value::point(v.resval.rpoint);
    }
  });
  ev.registerBuiltin("REDRAW", [](Evaluator&, const Args&) {
    zcedRedraw(ZcDbObjectId(), 0);
    return Value::nil();
  });
}

}  // namespace geltaro
