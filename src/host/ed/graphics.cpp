#include "host/ed/graphics.hpp"

#include <algorithm>
#include <cmath>
#include <set>

#include "host/app/console_io.hpp"
#include "host/db/entities.hpp"
#include "host/ed/editor.hpp"

namespace {
std::vector<TemporaryVector> gVectors;
std::set<ZcDbObjectId> gHighlighted;
int gErrno = 0;
int gPickbox = 3;
const double kScreenW = 1280, kScreenH = 800;

std::string trim(std::string s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

std::wstring upper(const wchar_t* s) {
  std::wstring u = s ? s : L"";
  for (wchar_t& c : u) c = wchar_t(std::towupper(c));
  return u;
}

std::string symbolName(ZcDbObjectId id) {
  ZcDbObjectPointer<ZcDbSymbolTableRecord> r(id, ZcDb::kForRead);
  return r ? r->name() : std::string();
}
}  // namespace

int zcedGrDraw(const ZcGePoint3d& from, const ZcGePoint3d& to, int color, int highlight) {
  gVectors.push_back(TemporaryVector{from, to, color, highlight != 0});
  return RTNORM;
}

int zcedRedraw(ZcDbObjectId entity, int mode) {
  if (entity.isNull()) {
    gVectors.clear();
    return RTNORM;
  }
  if (mode == 3) gHighlighted.insert(entity);
  else if (mode == 4) gHighlighted.erase(entity);
  return RTNORM;
}

const std::vector<TemporaryVector>& temporaryVectors() { return gVectors; }
bool isHighlighted(ZcDbObjectId entity) { return gHighlighted.count(entity) != 0; }

int zcedZoomWindow(const ZcGePoint3d& a, const ZcGePoint3d& b) {
  ZcDbDatabase* db = zcdbCurDwg();
  if (!db) return RTERROR;
  double w = std::fabs(b.x - a.x), h = std::fabs(b.y - a.y);
  // The window fits the screen's shape.
  double height = std::max(h, w * kScreenH / kScreenW);
  if (!(height > 0)) height = 1;
  db->setView(ZcGePoint2d((a.x + b.x) / 2, (a.y + b.y) / 2), height);
  return RTNORM;
}

void zcedSetErrno(int value) { gErrno = value; }

int zcedGetVar(const wchar_t* nameIn, resbuf& v) {
  std::wstring name = upper(nameIn);
  ZcDbDatabase* db = zcdbCurDwg();
  v = resbuf();
  auto pointVar = [&](const ZcGePoint3d& p) {
    v.restype = RT3DPOINT;
    v.resval.rpoint = p;
    return RTNORM;
  };
  if (name == L"SCREENSIZE") {
    v.restype = RTPOINT;
    v.resval.rpoint = ZcGePoint3d(kScreenW, kScreenH, 0);
    return RTNORM;
  }
  if (name == L"ERRNO") return v = resbuf::shortInt(RTSHORT, short(gErrno)), RTNORM;
  if (name == L"PICKBOX") return v = resbuf::shortInt(RTSHORT, short(gPickbox)), RTNORM;
  if (name == L"CMDECHO" || name == L"OSMODE" || name == L"ANGDIR") return v = resbuf::shortInt(RTSHORT, 0), RTNORM;
  if (name == L"LUPREC" || name == L"AUPREC") return v = resbuf::shortInt(RTSHORT, 4), RTNORM;
  if (name == L"ANGBASE") return v = resbuf::real(RTREAL, 0.0), RTNORM;
  if (!db) return RTERROR;
  if (name == L"VIEWSIZE") return v = resbuf::real(RTREAL, db->viewHeight()), RTNORM;
  if (name == L"VIEWCTR") {
    ZcGePoint2d c = db->viewCenter();
    return pointVar(ZcGePoint3d(c.x, c.y, 0));
  }
  if (name == L"CLAYER") return v = resbuf::string(RTSTR, host::fromUtf8(symbolName(db->clayer()))), RTNORM;
  if (name == L"TEXTSTYLE") return v = resbuf::string(RTSTR, host::fromUtf8(symbolName(db->textstyle()))), RTNORM;
  if (name == L"TEXTSIZE") return v = resbuf::real(RTREAL, db->textsize()), RTNORM;
  if (name == L"INSBASE") return pointVar(db->insbase());
  if (name == L"EXTMIN") return pointVar(db->extmin());
  if (name == L"EXTMAX") return pointVar(db->extmax());
  if (name == L"DWGNAME" || name == L"DWGPREFIX") {
    std::string f = db->filename();
    size_t slash = f.find_last_of("/\\");
    std::string part = name == L"DWGNAME" ? (slash == std::string::npos ? f : f.substr(slash + 1))
                                          : (slash == std::string::npos ? std::string() : f.substr(0, slash + 1));
    if (name == L"DWGNAME" && part.empty()) part = "Dessin1.dwg";
    return v = resbuf::string(RTSTR, host::fromUtf8(part)), RTNORM;
  }
  return RTERROR;
}

int zcedSetVar(const wchar_t* nameIn, const resbuf& v) {
  std::wstring name = upper(nameIn);
  ZcDbDatabase* db = zcdbCurDwg();
  if (name == L"ERRNO") {
    gErrno = v.restype == RTLONG ? v.resval.rlong : v.resval.rint;
    return RTNORM;
  }
  if (name == L"PICKBOX") {
    gPickbox = v.resval.rint;
    return RTNORM;
  }
  if (name == L"CMDECHO" || name == L"OSMODE") return RTNORM;
  if (!db) return RTERROR;
  if (name == L"CLAYER" || name == L"TEXTSTYLE") {
    const char* table = name == L"CLAYER" ? "LAYER" : "STYLE";
    ZcDbObjectId id = db->symbolId(table, host::toUtf8(v.resval.rstring));
    if (id.isNull()) return RTERROR;
    return (name == L"CLAYER" ? db->setClayer(id) : db->setTextstyle(id)) == Zcad::eOk ? RTNORM : RTERROR;
  }
  if (name == L"TEXTSIZE") {
    db->setHeaderVariable("$TEXTSIZE", {{40, host::formatDouble(v.resval.rreal)}});
    return RTNORM;
  }
  if (name == L"INSBASE") {
    db->setInsbase(v.resval.rpoint);
    return RTNORM;
  }
  return RTERROR;
}

int zcedTextBox(const ResbufChain& list, ZcGePoint3d& lowerLeft, ZcGePoint3d& upperRight) {
  // The text is measured as a text entity made from the list.
  auto text = std::make_unique<ZcDbText>();
  for (const resbuf& r : list) {
    switch (r.restype) {
      case 1:
        text->setTextString(r.resval.rstring);
        break;
      case 40:
        text->setHeight(r.resval.rreal);
        break;
      case 41:
        text->setWidthFactor(r.resval.rreal);
        break;
      case 72:
        text->setHorizontalMode(ZcDb::TextHorzMode(r.resval.rint));
        break;
      case 73:
        text->setVerticalMode(ZcDb::TextVertMode(r.resval.rint));
        break;
      default:
        break;
    }
  }
  if (text->height() <= 0) text->setHeight(zcdbCurDwg() ? zcdbCurDwg()->textsize() : 2.5);
  text->textBox(lowerLeft, upperRight);
  return RTNORM;
}

int zcedGrRead(int, int& type, resbuf& value) {
  std::string line;
  if (!host::console().readAnswer(line) || host::ConsoleIO::isEscape(trim(line))) {
    type = 0;
    return RTCAN;
  }
  std::string t = trim(line);
  ZcGePoint3d p;
  if (t.size() > 2 && (t[0] == 'm' || t[0] == 'M') && t[1] == ' ' && host::parsePoint(t.substr(2), host::lastPoint(), p)) {
    type = 5;
    value = resbuf::point(RT3DPOINT, p);
    return RTNORM;
  }
  if (host::parsePoint(t, host::lastPoint(), p)) {
    type = 3;
    value = resbuf::point(RT3DPOINT, p);
    return RTNORM;
  }
  if (t.empty()) {
    type = 25;
    value = resbuf();
    return RTNORM;
  }
  type = 2;
  value = resbuf::shortInt(RTSHORT, short(static_cast<unsigned char>(t[0])));
  return RTNORM;
}

ZcEdJig::DragStatus ZcEdJig::drag() {
  std::string t;
  if (!host::askLine(prompt_.c_str(), t)) return kCancel;
  if (t.empty()) {
    answerStatus_ = kNull;
    return kNull;
  }
  std::wstring kw = host::matchKeyword(host::fromUtf8(t), keywords_);
  if (!kw.empty()) {
    keyword_ = kw;
    host::setLastInput(kw);
    return kKW1;
  }
  ZcGePoint3d p;
  if (!host::parsePoint(t, host::lastPoint(), p)) {
    host::console().print("\nPoint ou mot-clé requis.\n");
    return kOther;
  }
  answered_ = p;
  answerStatus_ = kNormal;
  DragStatus s = sampler();
  if (s == kNormal) update();
  return s;
}

ZcEdJig::DragStatus ZcEdJig::acquirePoint(ZcGePoint3d& point) {
  point = answered_;
  return answerStatus_;
}
