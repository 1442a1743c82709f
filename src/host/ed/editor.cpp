#include "host/ed/editor.hpp"

#include <cmath>
#include <cstdarg>
#include <cwchar>
#include <string_view>

#include "host/app/console_io.hpp"
#include "host/db/database.hpp"
#include "host/ed/selection.hpp"

namespace {

ZcDbDatabase* gWorking = nullptr;

struct PendingInitGet {
  int flags = 0;
  std::wstring keywords;
};
PendingInitGet gInit;        // for the next prompt
std::wstring gLastInput;     // for zcedGetInput
ZcGePoint3d gLastPoint;

PendingInitGet takeInitGet() {
  PendingInitGet g = gInit;
  gInit = PendingInitGet();
  return g;
}

std::string trim(std::string s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

bool ask(const wchar_t* prompt, std::string& answer) { return host::askLine(prompt, answer); }

// An empty answer: Enter (RTNONE), or asked again when the prompt needs a value.
bool refuseEmpty(int flags, const char* message) {
  if (!(flags & RSG_NONULL)) return false;
  host::console().print(message);
  return true;
}

bool parseNumber(const std::string& text, double& v) {
  std::string t = trim(text);
  if (t.empty()) return false;
  const char* s = t.c_str();
  char* end = nullptr;
  v = std::strtod(s, &end);
  return end && *end == '\0' && std::isfinite(v);
}

// The keyword an answer stands for; sets the input for zcedGetInput.
bool keywordAnswer(const std::string& answer, const PendingInitGet& g) {
  if (g.keywords.empty()) return false;
  std::wstring kw = host::matchKeyword(host::fromUtf8(trim(answer)), g.keywords);
  if (kw.empty()) return false;
  gLastInput = kw;
  return true;
}

bool acceptNumber(double v, int flags, bool& rejected) {
  rejected = false;
  if ((flags & RSG_NOZERO) && v == 0) {
    host::console().print("\nLa valeur doit être différente de zéro.\n");
    rejected = true;
  } else if ((flags & RSG_NONEG) && v < 0) {
    host::console().print("\nLa valeur doit être positive.\n");
    rejected = true;
  }
  return !rejected;
}

}  // namespace

ZcDbDatabase* zcdbCurDwg() { return gWorking; }
void zcdbSetCurDwg(ZcDbDatabase* db) {
  // Selections and highlights belong to the drawing they were made in.
  if (db != gWorking) host::forgetSelections();
  gWorking = db;
}

int zcedInitGet(int flags, const wchar_t* keywords) {
  gInit.flags = flags;
  gInit.keywords = keywords ? keywords : L"";
  return RTNORM;
}

namespace host {

ZcGePoint3d lastPoint() { return gLastPoint; }

bool askLine(const wchar_t* prompt, std::string& answer) {
  if (prompt) console().print(toUtf8(prompt));
  if (!console().readAnswer(answer) || ConsoleIO::isEscape(trim(answer))) {
    console().print("*Annuler*\n");
    return false;
  }
  answer = trim(answer);
  return true;
}

std::wstring takeInitGetKeywords(int& flags) {
  PendingInitGet g = takeInitGet();
  flags = g.flags;
  return g.keywords;
}

void setLastInput(const std::wstring& input) { gLastInput = input; }

static std::wstring upper(std::wstring s) {
  for (wchar_t& c : s) c = wchar_t(std::towupper(c));
  return s;
}

std::wstring matchKeyword(const std::wstring& answerIn, const std::wstring& keywords) {
  std::wstring answer = answerIn;
  // Split local and global names.
  std::vector<std::wstring> local, global;
  bool inGlobal = false;
  size_t i = 0;
  while (i < keywords.size()) {
    while (i < keywords.size() && (keywords[i] == L' ' || keywords[i] == L',')) ++i;
    size_t j = i;
    while (j < keywords.size() && keywords[j] != L' ' && keywords[j] != L',') ++j;
    if (j > i) {
      std::wstring w = keywords.substr(i, j - i);
      if (w == L"_") inGlobal = true;
      else if (!inGlobal && w[0] == L'_') {
        inGlobal = true;
        global.push_back(w.substr(1));
      } else (inGlobal ? global : local).push_back(w);
    }
    i = j;
  }
  if (answer.empty()) return {};
  // "_NAME" answers with a global name.
  if (answer[0] == L'_') {
    std::wstring a = upper(answer.substr(1));
    const auto& names = global.empty() ? local : global;
    for (size_t k = 0; k < names.size(); ++k)
      if (upper(names[k]) == a) return names[k];
    return {};
  }
  std::wstring a = upper(answer);
  for (size_t k = 0; k < local.size(); ++k) {
    const std::wstring& kw = local[k];
    std::wstring caps;
    for (wchar_t c : kw)
      if (std::iswupper(c) || std::iswdigit(c)) caps.push_back(c);
    size_t minLen = caps.empty() ? kw.size() : caps.size();
    std::wstring full = upper(kw);
    bool match = a == full || (a.size() >= minLen && full.compare(0, a.size(), a) == 0) || (!caps.empty() && a == caps);
    if (match) return k < global.size() ? global[k] : kw;
  }
  return {};
}

bool parsePoint(const std::string& textIn, const ZcGePoint3d& last, ZcGePoint3d& out) {
  std::string text = trim(textIn);
  bool relative = !text.empty() && text[0] == '@';
  if (relative) text = text.substr(1);
  if (relative && text.empty()) {
    out = last;
    return true;
  }
  double v[3] = {0, 0, 0};
  int n = 0;
  size_t start = 0;
  while (n < 3) {
    size_t comma = text.find(',', start);
    std::string part = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (!parseNumber(part, v[n])) return false;
    ++n;
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (n < 2 || (start < text.size() && n == 3 && text.find(',', start) != std::string::npos)) return false;
  out = relative ? ZcGePoint3d(last.x + v[0], last.y + v[1], last.z + v[2]) : ZcGePoint3d(v[0], v[1], n == 3 ? v[2] : 0);
  return true;
}

}  // namespace host

// One point prompt; `corner` only changes the rubber band.
static int getPointImpl(const ZcGePoint3d* base, const wchar_t* prompt, ZcGePoint3d& result) {
  PendingInitGet g = takeInitGet();
  for (;;) {
    std::string answer;
    if (!ask(prompt, answer)) return RTCAN;
    if (answer.empty()) {
      if (refuseEmpty(g.flags, "\nUn point est requis.\n")) continue;
      return RTNONE;
    }
    ZcGePoint3d p;
    if (host::parsePoint(answer, base ? *base : gLastPoint, p)) {
      result = p;
      gLastPoint = p;
      return RTNORM;
    }
    if (keywordAnswer(answer, g)) return RTKWORD;
    if (g.flags & RSG_OTHER) {
      gLastInput = host::fromUtf8(trim(answer));
      return RTKWORD;
    }
    host::console().print("\nPoint ou mot-clé requis.\n");
  }
}

int zcedGetPoint(const ZcGePoint3d* base, const wchar_t* prompt, ZcGePoint3d& result) {
  return getPointImpl(base, prompt, result);
}
int zcedGetCorner(const ZcGePoint3d* base, const wchar_t* prompt, ZcGePoint3d& result) {
  return getPointImpl(base, prompt, result);
}

// Numbers, distances and angles share one loop: a number, or a point from
// which the value is measured when `fromPoint` is given.
template <class FromPoint>
static int getValue(const wchar_t* prompt, double& result, bool integer, FromPoint fromPoint, bool pointAllowed) {
  PendingInitGet g = takeInitGet();
  for (;;) {
    std::string answer;
    if (!ask(prompt, answer)) return RTCAN;
    if (answer.empty()) {
      if (refuseEmpty(g.flags, "\nUne valeur est requise.\n")) continue;
      return RTNONE;
    }
    double v;
    bool rejected = false;
    if (parseNumber(answer, v)) {
      if (integer && (v != std::floor(v) || std::fabs(v) > 32767)) {
        host::console().print("\nUn entier entre -32768 et 32767 est requis.\n");
        continue;
      }
      if (!acceptNumber(v, g.flags, rejected)) continue;
      result = v;
      return RTNORM;
    }
    ZcGePoint3d p;
    if (pointAllowed && host::parsePoint(answer, gLastPoint, p)) {
      double measured;
      if (fromPoint(p, measured)) {
        if (!acceptNumber(measured, g.flags, rejected)) continue;
        result = measured;
        return RTNORM;
      }
    }
    if (keywordAnswer(answer, g)) return RTKWORD;
    if (g.flags & RSG_OTHER) {
      gLastInput = host::fromUtf8(trim(answer));
      return RTKWORD;
    }
    host::console().print(integer ? "\nUn entier est requis.\n" : "\nUne valeur numérique est requise.\n");
  }
}

int zcedGetReal(const wchar_t* prompt, double& result) {
  return getValue(prompt, result, false, [](const ZcGePoint3d&, double&) { return false; }, false);
}

int zcedGetInt(const wchar_t* prompt, int& result) {
  double v = 0;
  int rc = getValue(prompt, v, true, [](const ZcGePoint3d&, double&) { return false; }, false);
  if (rc == RTNORM) result = int(v);
  return rc;
}

int zcedGetDist(const ZcGePoint3d* base, const wchar_t* prompt, double& result) {
  // Without a base point, a first point is asked and the distance to a second one measured.
  ZcGePoint3d origin = base ? *base : gLastPoint;
  bool haveBase = base != nullptr;
  return getValue(
      prompt, result, false,
      [&](const ZcGePoint3d& p, double& d) {
        if (!haveBase) {
          ZcGePoint3d second;
          std::string answer;
          if (!ask(L"\nDeuxieme point: ", answer) || !host::parsePoint(answer, p, second)) return false;
          d = std::hypot(second.x - p.x, second.y - p.y);
          return true;
        }
        d = std::hypot(p.x - origin.x, p.y - origin.y);
        return true;
      },
      true);
}

static int getAngleImpl(const ZcGePoint3d* base, const wchar_t* prompt, double& result) {
  double deg = 0;
  bool measured = false;
  int rc = getValue(
      prompt, deg, false,
      [&](const ZcGePoint3d& p, double& a) {
        if (!base) return false;
        a = std::atan2(p.y - base->y, p.x - base->x);
        measured = true;
        return true;
      },
      true);
  if (rc == RTNORM) {
    const double pi = std::acos(-1.0);
    result = measured ? deg : deg * pi / 180.0;
    result = std::fmod(result, 2 * pi);
    if (result < 0) result += 2 * pi;
  }
  return rc;
}

int zcedGetOrient(const ZcGePoint3d* base, const wchar_t* prompt, double& result) { return getAngleImpl(base, prompt, result); }
int zcedGetAngle(const ZcGePoint3d* base, const wchar_t* prompt, double& result) { return getAngleImpl(base, prompt, result); }

int zcedGetKword(const wchar_t* prompt, std::wstring& result) {
  PendingInitGet g = takeInitGet();
  for (;;) {
    std::string answer;
    if (!ask(prompt, answer)) return RTCAN;
    if (answer.empty()) {
      if (refuseEmpty(g.flags, "\nMot-clé requis.\n")) continue;
      result.clear();
      return RTNONE;
    }
    if (keywordAnswer(answer, g)) {
      result = gLastInput;
      return RTNORM;
    }
    if (g.flags & RSG_OTHER) {
      result = gLastInput = host::fromUtf8(trim(answer));
      return RTNORM;
    }
    host::console().print("\nMot-clé incorrect.\n");
  }
}

int zcedGetString(int allowSpaces, const wchar_t* prompt, std::wstring& result) {
  takeInitGet();
  std::string answer;
  if (!ask(prompt, answer)) return RTCAN;
  if (!allowSpaces) {
    std::string t = trim(answer);
    size_t sp = t.find(' ');
    answer = sp == std::string::npos ? t : t.substr(0, sp);
  }
  result = host::fromUtf8(answer);
  return RTNORM;
}

int zcedGetInput(std::wstring& result) {
  result = gLastInput;
  return RTNORM;
}

namespace host {
// Wide formats of the host read %s and %c as wide strings and characters;
// the C library reads them as narrow ones unless they say %ls / %lc.
std::wstring hostWideFormat(const wchar_t* format) {
  std::wstring out;
  for (const wchar_t* p = format; *p; ++p) {
    out.push_back(*p);
    if (*p != L'%') continue;
    if (p[1] == L'%') {
      out.push_back(*++p);
      continue;
    }
    // Flags, width, precision, then an optional length and the conversion.
    const wchar_t* q = p + 1;
    while (*q && std::wcschr(L"-+ #0123456789.*", *q)) out.push_back(*q++);
    bool hasLength = *q && std::wcschr(L"hlLqjzt", *q);
    if ((*q == L's' || *q == L'c') && !hasLength) out.push_back(L'l');
    p = q - 1;
  }
  return out;
}
}  // namespace host

int zcutPrintf(const wchar_t* formatIn, ...) {
  std::wstring fmt = host::hostWideFormat(formatIn);
  const wchar_t* format = fmt.c_str();
  std::vector<wchar_t> buf(1024);
  for (;;) {
    va_list args;
    va_start(args, formatIn);
    int n = std::vswprintf(buf.data(), buf.size(), format, args);
    va_end(args);
    if (n >= 0) {
      host::console().print(host::toUtf8(std::wstring(buf.data(), size_t(n))));
      return n;
    }
    if (buf.size() > (1u << 20)) return -1;
    buf.resize(buf.size() * 4);
  }
}

void zcutPrint(const std::string& text) { host::console().print(text); }
