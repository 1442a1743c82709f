#include "host/ed/selection.hpp"

#include <algorithm>
#include <cmath>
#include <cwctype>
#include <map>

#include "host/app/console_io.hpp"
#include "host/db/entities.hpp"
#include "host/ed/editor.hpp"

namespace {

std::map<long, ZcSelectionSet>& sets() {
  static std::map<long, ZcSelectionSet> s;
  return s;
}
long gNextSet = 1;
std::vector<ZcDbObjectId> gPrevious;

std::vector<ZcDbObjectId> modelSpace() {
  ZcDbDatabase* db = zcdbCurDwg();
  if (!db) return {};
  ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db->modelSpaceId(), ZcDb::kForRead);
  return ms ? ms->entityIds() : std::vector<ZcDbObjectId>{};
}

bool extentsOf(ZcDbObjectId id, ZcDbExtents& ext) {
  ZcDbObjectPointer<ZcDbEntity> e(id, ZcDb::kForRead);
  return e && e->getGeomExtents(ext) == Zcad::eOk && ext.isValid();
}

// Plan distance from a point to an entity: its curve when it has one, else its box.
double distanceTo(ZcDbObjectId id, const ZcGePoint3d& p) {
  ZcDbObjectPointer<ZcDbEntity> e(id, ZcDb::kForRead);
  if (!e) return 1e300;
  Path path;
  if (e->toPath(path) && !path.isEmpty()) {
    auto c = path.closestPoint(ZcGePoint3d(p.x, p.y, 0));
    if (c.valid) return c.distance;
  }
  ZcDbExtents ext;
  if (e->getGeomExtents(ext) != Zcad::eOk || !ext.isValid()) return 1e300;
  double dx = std::max({ext.minPoint().x - p.x, 0.0, p.x - ext.maxPoint().x});
  double dy = std::max({ext.minPoint().y - p.y, 0.0, p.y - ext.maxPoint().y});
  return std::hypot(dx, dy);
}

// A "#HANDLE" answer.
ZcDbObjectId byHandle(const std::string& item) {
  ZcDbDatabase* db = zcdbCurDwg();
  if (!db || item.size() < 2 || item[0] != '#') return {};
  ZcDbObjectId id = db->idOfHandle(host::parseHandle(item.substr(1)));
  return id.isValid() ? id : ZcDbObjectId();
}

bool inWindow(const ZcDbExtents& ext, const ZcGePoint3d& a, const ZcGePoint3d& b, bool crossing) {
  double x0 = std::min(a.x, b.x), x1 = std::max(a.x, b.x), y0 = std::min(a.y, b.y), y1 = std::max(a.y, b.y);
  const ZcGePoint3d lo = ext.minPoint(), hi = ext.maxPoint();
  if (crossing) return !(hi.x < x0 || lo.x > x1 || hi.y < y0 || lo.y > y1);
  return lo.x >= x0 && hi.x <= x1 && lo.y >= y0 && hi.y <= y1;
}

std::vector<ZcDbObjectId> windowSelection(const ZcGePoint3d& a, const ZcGePoint3d& b, bool crossing) {
  std::vector<ZcDbObjectId> out;
  for (ZcDbObjectId id : modelSpace()) {
    ZcDbExtents ext;
    if (extentsOf(id, ext) && inWindow(ext, a, b, crossing)) out.push_back(id);
  }
  return out;
}

void addUnique(std::vector<ZcDbObjectId>& v, ZcDbObjectId id) {
  if (std::find(v.begin(), v.end(), id) == v.end()) v.push_back(id);
}

}  // namespace

namespace host {

void forgetSelections() {
  sets().clear();
  gPrevious.clear();
}

double pickBoxRadius() {
  ZcDbDatabase* db = zcdbCurDwg();
  double h = db ? db->viewHeight() : 100.0;
  return std::max(h / 100.0, 1e-6);
}

ZcDbObjectId entityNear(const ZcGePoint3d& p, double radius) {
  ZcDbObjectId best;
  double bestD = radius;
  // The topmost entity (last drawn) wins a tie.
  for (ZcDbObjectId id : modelSpace()) {
    double d = distanceTo(id, p);
    if (d <= bestD) {
      bestD = d;
      best = id;
    }
  }
  return best;
}

ZcDbObjectId lastEntity() {
  auto ids = modelSpace();
  return ids.empty() ? ZcDbObjectId() : ids.back();
}

const ZcSelectionSet* selectionSet(long number) {
  auto it = sets().find(number);
  return it == sets().end() ? nullptr : &it->second;
}

long registerSelectionSet(const ZcSelectionSet& ss) {
  long n = ss.number ? ss.number : gNextSet++;
  ZcSelectionSet copy = ss;
  copy.number = n;
  sets()[n] = copy;
  return n;
}

static bool matchOne(const wchar_t* t, const wchar_t* p) {
  for (; *p; ++p, ++t) {
    switch (*p) {
      case L'*':
        for (const wchar_t* s = t;; ++s) {
          if (matchOne(s, p + 1)) return true;
          if (!*s) return false;
        }
      case L'?':
        if (!*t) return false;
        break;
      case L'#':
        if (!std::iswdigit(*t)) return false;
        break;
      case L'@':
        if (!std::iswalpha(*t)) return false;
        break;
      case L'.':
        if (!*t || std::iswalnum(*t)) return false;
        break;
      case L'[': {
        if (!*t) return false;
        const wchar_t* q = p + 1;
        bool negate = *q == L'~';
        if (negate) ++q;
        bool found = false;
        for (; *q && *q != L']'; ++q) {
          if (q[1] == L'-' && q[2] && q[2] != L']') {
            if (std::towupper(*t) >= std::towupper(q[0]) && std::towupper(*t) <= std::towupper(q[2])) found = true;
            q += 2;
          } else if (std::towupper(*q) == std::towupper(*t)) {
            found = true;
          }
        }
        if (found == negate || !*q) return false;
        p = q;
        break;
      }
      case L'`':
        if (p[1]) ++p;
        [[fallthrough]];
      default:
        if (std::towupper(*p) != std::towupper(*t)) return false;
    }
  }
  return *t == 0;
}

bool wcmatch(const std::wstring& text, const std::wstring& pattern) {
  size_t start = 0;
  for (;;) {
    size_t comma = pattern.find(L',', start);
    while (comma != std::wstring::npos && comma > 0 && pattern[comma - 1] == L'`') comma = pattern.find(L',', comma + 1);
    std::wstring alt = pattern.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start);
    bool negate = !alt.empty() && alt[0] == L'~';
    if (negate) alt = alt.substr(1);
    if (matchOne(text.c_str(), alt.c_str()) != negate) return true;
    if (comma == std::wstring::npos) return false;
    start = comma + 1;
  }
}

namespace {
// Evaluates a filter chain from `i`, up to a closing -4 or the end.
bool evalConditions(const ResbufChain& f, size_t& i, const ObjectRecord& r, const std::string& closing, bool any);

bool condition(const resbuf& c, const ObjectRecord& r) {
  switch (c.restype) {
    case 0:
      return wcmatch(host::fromUtf8(r.typeName()), c.resval.rstring);
    case 8:
    case 6:
    case 2:
    case 7: {
      std::wstring value;
      bool inEntity = false, found = false;
      for (const auto& t : r.tags) {
        if (t.code >= 1000) break;
        if (t.code == 100) {
          inEntity = t.value == "AcDbEntity" || t.value == "AcDbBlockReference" || t.value == "AcDbText";
          continue;
        }
        if (t.code == c.restype && (inEntity || c.restype == 8)) {
          value = host::fromUtf8(t.value);
          found = true;
          break;
        }
      }
      if (!found && c.restype == 8) value = L"0";
      return wcmatch(value, c.resval.rstring);
    }
    case 100:
      for (const auto& t : r.tags)
        if (t.code == 100 && wcmatch(host::fromUtf8(t.value), c.resval.rstring)) return true;
      return false;
    case 62: {
      long long color = 256;
      for (const auto& t : r.tags)
        if (t.code == 62) {
          color = host::parseInt(t.value);
          break;
        }
      return color == c.resval.rint;
    }
    default:
      return true;  // conditions this stand-in does not check let the entity through
  }
}

bool evalConditions(const ResbufChain& f, size_t& i, const ObjectRecord& r, const std::string& closing, bool any) {
  bool result = !any;
  while (i < f.size()) {
    const resbuf& c = f[i];
    if (c.restype == -4) {
      std::string op = host::toUtf8(c.resval.rstring);
      if (!closing.empty() && op == closing) {
        ++i;
        return result;
      }
      ++i;
      bool v;
      if (op == "<OR") v = evalConditions(f, i, r, "OR>", true);
      else if (op == "<AND") v = evalConditions(f, i, r, "AND>", false);
      else if (op == "<NOT") v = !evalConditions(f, i, r, "NOT>", false);
      else if (op == "<XOR") v = evalConditions(f, i, r, "XOR>", true);
      else continue;
      result = any ? (result || v) : (result && v);
      continue;
    }
    if (c.restype == -3) {
      // The applications that follow (1001) must all have data on the entity.
      ++i;
      bool v = true;
      while (i < f.size() && f[i].restype == 1001) {
        std::string app = host::toUtf8(f[i].resval.rstring);
        bool has = false;
        for (const auto& t : r.tags)
          if (t.code == 1001 && (app == "*" || host::iequals(t.value, app))) has = true;
        v = v && has;
        ++i;
      }
      result = any ? (result || v) : (result && v);
      continue;
    }
    bool v = condition(c, r);
    result = any ? (result || v) : (result && v);
    ++i;
  }
  return result;
}
}  // namespace

bool passesFilter(ZcDbObjectId id, const ResbufChain& filter) {
  if (id.isNull() || id.isErased()) return false;
  size_t i = 0;
  return evalConditions(filter, i, *id.record(), "", false);
}

}  // namespace host

// ---------------------------------------------------------------- picks

int zcedEntSel(const wchar_t* prompt, ads_name& entity, ZcGePoint3d& pickPoint) {
  int flags = 0;
  std::wstring keywords = host::takeInitGetKeywords(flags);
  for (;;) {
    std::string answer;
    if (!host::askLine(prompt, answer)) return RTCAN;
    if (answer.empty()) return RTNONE;
    if (ZcDbObjectId id = byHandle(answer); !id.isNull()) {
      entity.id = id;
      ZcDbExtents ext;
      pickPoint = extentsOf(id, ext) ? ext.center() : ZcGePoint3d();
      return RTNORM;
    }
    ZcGePoint3d p;
    if (host::parsePoint(answer, host::lastPoint(), p)) {
      ZcDbObjectId id = host::entityNear(p, host::pickBoxRadius());
      if (id.isNull()) {
        host::console().print("\nAucun objet trouvé.\n");
        return RTERROR;
      }
      entity.id = id;
      pickPoint = p;
      return RTNORM;
    }
    std::wstring kw = host::matchKeyword(host::fromUtf8(answer), keywords);
    if (!kw.empty()) {
      host::setLastInput(kw);
      return RTKWORD;
    }
    // With RSG_OTHER any other text is an answer too (a name typed instead
    // of a pick); zcedGetInput gives it.
    if (flags & RSG_OTHER) {
      host::setLastInput(host::fromUtf8(answer));
      return RTKWORD;
    }
    host::console().print("\nSélection incorrecte.\n");
    return RTERROR;
  }
}

int zcedNEntSelP(const wchar_t* prompt, ads_name& entity, ZcGePoint3d& pickPoint, bool, ZcGeMatrix3d& xform,
                 std::vector<ZcDbObjectId>& containers) {
  containers.clear();
  xform = ZcGeMatrix3d();
  std::string answer;
  if (!host::askLine(prompt, answer)) return RTCAN;
  if (answer.empty()) return RTNONE;
  ZcDbObjectId id = byHandle(answer);
  ZcGePoint3d p;
  if (id.isNull() && host::parsePoint(answer, host::lastPoint(), p)) {
    // An attribute whose box holds the point comes before the block itself.
    for (ZcDbObjectId e : modelSpace()) {
      ZcDbObjectPointer<ZcDbBlockReference> br(e, ZcDb::kForRead);
      if (!br) continue;
      for (ZcDbObjectId a : br->attributeIds()) {
        ZcDbExtents ext;
        if (extentsOf(a, ext) && ext.contains(ZcGePoint3d(p.x, p.y, ext.minPoint().z))) id = a;
      }
    }
    if (id.isNull()) id = host::entityNear(p, host::pickBoxRadius());
    pickPoint = p;
  }
  if (id.isNull()) {
    host::console().print("\nAucun objet trouvé.\n");
    return RTERROR;
  }
  entity.id = id;
  if (id.record()->parent && id.record()->parent->typeName() == "INSERT") {
    ZcDbObjectId ref(id.record()->parent);
    containers.push_back(ref);
  }
  return RTNORM;
}

// ------------------------------------------------------------ selections

int zcedSSGet(const wchar_t* modeIn, const ZcGePoint3d* pt1, const ZcGePoint3d* pt2, const ResbufChain* filter,
              ZcSelectionSet& ss) {
  std::wstring mode = modeIn ? modeIn : L"";
  if (!mode.empty() && mode[0] == L'_') mode = mode.substr(1);
  for (wchar_t& c : mode) c = wchar_t(std::towupper(c));
  std::vector<ZcDbObjectId> picked;
  if (mode == L"X") {
    picked = modelSpace();
  } else if (mode == L"L") {
    if (ZcDbObjectId id = host::lastEntity(); !id.isNull()) picked.push_back(id);
  } else if (mode == L"P") {
    picked = gPrevious;
  } else if ((mode == L"W" || mode == L"C") && pt1 && pt2) {
    picked = windowSelection(*pt1, *pt2, mode == L"C");
  } else if (mode.empty() || mode == L":S") {
    std::string answer;
    if (!host::askLine(L"\nChoix des objets: ", answer)) return RTCAN;
    // Items of one line: all, #H, w p1 p2, c p1 p2, last, prev, or points.
    std::vector<std::string> items;
    for (size_t i = 0; i < answer.size();) {
      while (i < answer.size() && answer[i] == ' ') ++i;
      size_t j = answer.find(' ', i);
      if (j == std::string::npos) j = answer.size();
      if (j > i) items.push_back(answer.substr(i, j - i));
      i = j;
    }
    for (size_t k = 0; k < items.size(); ++k) {
      std::string item = items[k];
      std::string low = item;
      for (char& c : low) c = char(std::tolower(static_cast<unsigned char>(c)));
      ZcGePoint3d a, b;
      if (low == "all" || low == "tout") {
        for (ZcDbObjectId id : modelSpace()) addUnique(picked, id);
      } else if (low == "last" || low == "dernier") {
        if (ZcDbObjectId id = host::lastEntity(); !id.isNull()) addUnique(picked, id);
      } else if (low == "prev" || low == "precedent") {
        for (ZcDbObjectId id : gPrevious) addUnique(picked, id);
      } else if ((low == "w" || low == "c") && k + 2 < items.size() && host::parsePoint(items[k + 1], host::lastPoint(), a) &&
                 host::parsePoint(items[k + 2], host::lastPoint(), b)) {
        for (ZcDbObjectId id : windowSelection(a, b, low == "c")) addUnique(picked, id);
        k += 2;
      } else if (ZcDbObjectId id = byHandle(item); !id.isNull()) {
        addUnique(picked, id);
      } else if (host::parsePoint(item, host::lastPoint(), a)) {
        if (ZcDbObjectId id = host::entityNear(a, host::pickBoxRadius()); !id.isNull()) addUnique(picked, id);
      } else {
        host::console().print("\nObjet ignoré : " + item + "\n");
      }
    }
  } else {
    return RTERROR;
  }
  ss.ids.clear();
  for (ZcDbObjectId id : picked)
    if (!id.isErased() && (!filter || host::passesFilter(id, *filter))) ss.ids.push_back(id);
  if (ss.ids.empty()) return RTERROR;
  gPrevious = ss.ids;
  ss.number = host::registerSelectionSet(ss);
  return RTNORM;
}

int zcedSSLength(const ZcSelectionSet& ss, long& length) {
  length = long(ss.ids.size());
  return RTNORM;
}

int zcedSSName(const ZcSelectionSet& ss, long index, ads_name& entity) {
  if (index < 0 || size_t(index) >= ss.ids.size()) return RTERROR;
  entity.id = ss.ids[size_t(index)];
  return RTNORM;
}

int zcedSSAdd(const ads_name* entity, const ZcSelectionSet* from, ZcSelectionSet& result) {
  ZcSelectionSet out;
  if (from) out.ids = from->ids;
  if (entity && !entity->id.isNull()) addUnique(out.ids, entity->id);
  out.number = host::registerSelectionSet(out);
  result = out;
  return RTNORM;
}

int zcedSSFree(ZcSelectionSet& ss) {
  sets().erase(ss.number);
  ss = ZcSelectionSet();
  return RTNORM;
}
