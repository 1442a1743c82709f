// Texts, attribute definitions and attributes, multiline texts, and the
// width the texts are given.
#include <algorithm>
#include <cmath>

#include "host/db/entities.hpp"
#include "host/db/entity_tags.hpp"

using host::ObjectRecord;
using host::Tag;
using host::Tags;
using namespace host::entity_tags;

namespace {

// Decodes \U+XXXX escapes of DXF strings.
std::wstring decodeEscapes(const std::string& s) {
  std::wstring w = host::fromUtf8(s);
  if (w.find(L"\\U+") == std::wstring::npos) return w;
  std::wstring out;
  for (size_t i = 0; i < w.size(); ++i) {
    if (w[i] == L'\\' && i + 7 <= w.size() && w[i + 1] == L'U' && w[i + 2] == L'+') {
      bool hex = true;
      unsigned v = 0;
      for (size_t k = 3; k < 7; ++k) {
        wchar_t c = w[i + k];
        int d = (c >= L'0' && c <= L'9') ? c - L'0' : (c >= L'A' && c <= L'F') ? c - L'A' + 10 : (c >= L'a' && c <= L'f') ? c - L'a' + 10 : -1;
        if (d < 0) {
          hex = false;
          break;
        }
        v = v * 16 + unsigned(d);
      }
      if (hex) {
        out.push_back(wchar_t(v));
        i += 6;
        continue;
      }
    }
    out.push_back(w[i]);
  }
  return out;
}

}  // namespace

double textAdvance(const std::wstring& text) {
  // Per character, in text heights: never less than the common viewers
  // draw the standard style (a TrueType stand-in scaled to the cap height,
  // or a stroke font with its letter spacing): digits and small letters
  // take up to 0.89, capitals up to 1.05, "m" and "W" up to 1.31, the
  // widest symbols up to 1.56. Tables and extents sized on this box leave
  // room around their texts rather than let them run into one another.
  double w = 0;
  for (wchar_t c : text) {
    if (c == L' ') w += 0.75;
    else if (std::wstring_view(L"il.,;:!|'").find(c) != std::wstring_view::npos) w += 0.5;
    else if (std::wstring_view(L"mwMW@").find(c) != std::wstring_view::npos) w += 1.4;
    else if (std::wstring_view(L"#%&*+<=>~_").find(c) != std::wstring_view::npos) w += 1.6;
    else if (c >= L'A' && c <= L'Z') w += 1.1;
    else w += 0.9;
  }
  return w;
}

// ------------------------------------------------------------------ text

// The parts of a text that attributes share, built straight into packed tags.
static void textTags(host::PackedBuilder& b, const ZcGePoint3d& p, std::string_view text, std::string_view style,
                     double h, double rot) {
  b.add(100, "AcDbEntity").add(8, "0").add(100, "AcDbText");
  b.addPoint(10, p.x, p.y, p.z).addDouble(40, h).add(1, text).addDouble(50, toDeg(rot));
  b.add(41, "1.0").add(51, "0.0").add(7, style).add(71, "0").add(72, "0");
  b.addPoint(11, p.x, p.y, p.z).addPoint(210, 0, 0, 1);
}

static std::string styleName(ZcDbObjectId style, ZcDbDatabase* db) {
  if (!style.isNull()) {
    ZcDbObjectPointer<ZcDbTextStyleTableRecord> s(style, ZcDb::kForRead);
    if (s) return s->name();
  }
  return "Standard";
}

ZcDbText::ZcDbText() {
  if (host::makingView()) return;
  host::PackedBuilder b;
  textTags(b, {}, "", "Standard", 0, 0);
  b.add(100, "AcDbText").add(73, "0");
  initNew("TEXT", b.finish());
}
ZcDbText::ZcDbText(const ZcGePoint3d& position, const std::wstring& text, ZcDbObjectId style, double height,
                   double rotation) {
  if (host::makingView()) return;
  host::PackedBuilder b;
  textTags(b, position, host::toUtf8(text), styleName(style, nullptr), height, rotation);
  b.add(100, "AcDbText").add(73, "0");
  initNew("TEXT", b.finish());
}
ZcGePoint3d ZcDbText::position() const { return getPoint("AcDbText", 10); }
Zcad::ErrorStatus ZcDbText::setPosition(const ZcGePoint3d& p) { return setPoint("AcDbText", 10, p); }
ZcGePoint3d ZcDbText::alignmentPoint() const { return getPoint("AcDbText", 11, position()); }
Zcad::ErrorStatus ZcDbText::setAlignmentPoint(const ZcGePoint3d& p) { return setPoint("AcDbText", 11, p); }
bool ZcDbText::isDefaultAlignment() const { return horizontalMode() == ZcDb::kTextLeft && verticalMode() == ZcDb::kTextBase; }
std::wstring ZcDbText::textString() const { return decodeEscapes(getString("AcDbText", 1)); }
Zcad::ErrorStatus ZcDbText::setTextString(const std::wstring& s) {
  std::string u = host::toUtf8(s);
  // A text value is one line.
  std::replace(u.begin(), u.end(), '\n', ' ');
  std::replace(u.begin(), u.end(), '\r', ' ');
  return setValue("AcDbText", 1, u);
}
double ZcDbText::height() const { return getDouble("AcDbText", 40, 0); }
Zcad::ErrorStatus ZcDbText::setHeight(double h) { return setDouble("AcDbText", 40, h); }
double ZcDbText::rotation() const { return toRad(getDouble("AcDbText", 50, 0)); }
Zcad::ErrorStatus ZcDbText::setRotation(double r) { return setDouble("AcDbText", 50, toDeg(r)); }
double ZcDbText::widthFactor() const { return getDouble("AcDbText", 41, 1); }
Zcad::ErrorStatus ZcDbText::setWidthFactor(double w) { return setDouble("AcDbText", 41, w); }
double ZcDbText::oblique() const { return toRad(getDouble("AcDbText", 51, 0)); }
Zcad::ErrorStatus ZcDbText::setOblique(double a) { return setDouble("AcDbText", 51, toDeg(a)); }
double ZcDbText::thickness() const { return getDouble("AcDbText", 39, 0); }
Zcad::ErrorStatus ZcDbText::setThickness(double t) { return setDouble("AcDbText", 39, t); }
ZcGeVector3d ZcDbText::normal() const {
  ZcGePoint3d n = getPoint("AcDbText", 210, ZcGePoint3d(0, 0, 1));
  return ZcGeVector3d(n.x, n.y, n.z);
}
Zcad::ErrorStatus ZcDbText::setNormal(const ZcGeVector3d& n) { return setPoint("AcDbText", 210, ZcGePoint3d(n.x, n.y, n.z)); }
std::string ZcDbText::textStyleName() const { return getString("AcDbText", 7, "Standard"); }
ZcDbObjectId ZcDbText::textStyle() const {
  return rec_->db ? rec_->db->symbolId("STYLE", textStyleName()) : ZcDbObjectId();
}
Zcad::ErrorStatus ZcDbText::setTextStyle(ZcDbObjectId style) {
  if (style.isNull()) return Zcad::eNullObjectId;
  return setValue("AcDbText", 7, styleName(style, rec_->db));
}
// Modes are read as the file holds them; a value outside the enumeration (a
// damaged file) is the default, never an enumerator that does not exist.
ZcDb::TextHorzMode ZcDbText::horizontalMode() const {
  const long long m = getInt("AcDbText", 72, 0);
  return m >= ZcDb::kTextLeft && m <= ZcDb::kTextFit ? ZcDb::TextHorzMode(m) : ZcDb::kTextLeft;
}
Zcad::ErrorStatus ZcDbText::setHorizontalMode(ZcDb::TextHorzMode m) { return setInt("AcDbText", 72, m); }
ZcDb::TextVertMode ZcDbText::verticalMode() const {
  int code = std::string_view(verticalSubclass()) == "AcDbText" ? 73 : 74;
  const long long m = getInt(verticalSubclass(), code, 0);
  return m >= ZcDb::kTextBase && m <= ZcDb::kTextTop ? ZcDb::TextVertMode(m) : ZcDb::kTextBase;
}
Zcad::ErrorStatus ZcDbText::setVerticalMode(ZcDb::TextVertMode m) {
  int code = std::string_view(verticalSubclass()) == "AcDbText" ? 73 : 74;
  if (code == 73) {
    // A text keeps its vertical mode in its second AcDbText part.
    Tags tags = rec_->tags.unpack();
    int seen = 0;
    bool set = false;
    for (size_t i = 0; i < tags.size() && !set; ++i) {
      if (tags[i].code == 100) seen += tags[i].value == "AcDbText";
      if (seen == 2 && tags[i].code == 73) {
        tags[i].value = std::to_string(int(m));
        set = true;
      }
    }
    if (!set) {
      if (auto s = checkWrite()) return s;
      size_t xd = tags.size();
      for (size_t i = 0; i < tags.size(); ++i)
        if (tags[i].code >= 1000) {
          xd = i;
          break;
        }
      if (seen < 2) tags.insert(tags.begin() + long(xd++), Tag{100, "AcDbText"});
      tags.insert(tags.begin() + long(xd), Tag{73, std::to_string(int(m))});
    } else if (auto s = checkWrite()) {
      return s;
    }
    rec_->tags.assign(tags);
    return Zcad::eOk;
  }
  return setInt(verticalSubclass(), code, m);
}
bool ZcDbText::isMirroredInX() const { return (getInt("AcDbText", 71, 0) & 2) != 0; }
bool ZcDbText::isMirroredInY() const { return (getInt("AcDbText", 71, 0) & 4) != 0; }
Zcad::ErrorStatus ZcDbText::mirrorInX(bool on) {
  long long f = getInt("AcDbText", 71, 0);
  return setInt("AcDbText", 71, on ? (f | 2) : (f & ~2LL));
}
Zcad::ErrorStatus ZcDbText::mirrorInY(bool on) {
  long long f = getInt("AcDbText", 71, 0);
  return setInt("AcDbText", 71, on ? (f | 4) : (f & ~4LL));
}

Zcad::ErrorStatus ZcDbText::transformBy(const ZcGeMatrix3d& m) {
  if (auto s = checkWrite()) return s;
  double k = m.scale();
  setPosition(m * position());
  if (has("AcDbText", 11)) setAlignmentPoint(m * alignmentPoint());
  setHeight(height() * k);
  setRotation(rotation() + rotationOf(m));
  return Zcad::eOk;
}

void ZcDbText::textBox(ZcGePoint3d& lowerLeft, ZcGePoint3d& upperRight) const {
  double h = height();
  double w = h * widthFactor() * textAdvance(textString());
  double x0 = 0, y0 = 0;
  ZcDb::TextHorzMode hm = horizontalMode();
  ZcDb::TextVertMode vm = verticalMode();
  if (hm == ZcDb::kTextCenter || hm == ZcDb::kTextMid) x0 = -w / 2;
  else if (hm == ZcDb::kTextRight) x0 = -w;
  if (hm == ZcDb::kTextMid || vm == ZcDb::kTextVertMid) y0 = -h / 2;
  else if (vm == ZcDb::kTextTop) y0 = -h;
  if (hm == ZcDb::kTextAlign || hm == ZcDb::kTextFit) {
    // Fitted between the position and the alignment point.
    w = position().distanceTo(alignmentPoint());
    x0 = 0;
  }
  lowerLeft = ZcGePoint3d(x0, y0, 0);
  upperRight = ZcGePoint3d(x0 + w, y0 + h, 0);
}

Zcad::ErrorStatus ZcDbText::getGeomExtents(ZcDbExtents& ext) const {
  ZcGePoint3d ll, ur;
  textBox(ll, ur);
  bool useAlign = !isDefaultAlignment() && horizontalMode() != ZcDb::kTextAlign && horizontalMode() != ZcDb::kTextFit;
  ZcGePoint3d ref = useAlign ? alignmentPoint() : position();
  double rot = rotation();
  double c = std::cos(rot), s = std::sin(rot);
  ZcGePoint3d origin(ref.x + ll.x * c - ll.y * s, ref.y + ll.x * s + ll.y * c, ref.z);
  ext = rectangleExtents(origin, ur.x - ll.x, ur.y - ll.y, rot, oblique());
  return Zcad::eOk;
}

// ------------------------------------------------------------ attributes

static host::PackedTags attributeTags(const char* type, const ZcGePoint3d& p, std::string_view text,
                                      std::string_view tag, std::string_view prompt, std::string_view style) {
  // About 170 bytes besides the texts, more with long coordinates.
  host::PackedBuilder b(224 + text.size() + tag.size() + prompt.size() + style.size());
  textTags(b, p, text, style, 0, 0);
  if (std::string_view(type) == "ATTDEF") {
    b.add(100, "AcDbAttributeDefinition").add(3, prompt);
  } else {
    b.add(100, "AcDbAttribute");
  }
  b.add(2, tag).add(70, "0").add(73, "0").add(74, "0");
  return b.finish();
}

ZcDbAttributeDefinition::ZcDbAttributeDefinition() : ZcDbText(NoTemplate{}) {
  if (host::makingView()) return;
  initNew("ATTDEF", attributeTags("ATTDEF", {}, "", "", "", "Standard"));
}
ZcDbAttributeDefinition::ZcDbAttributeDefinition(const ZcGePoint3d& p, const std::wstring& text, const std::wstring& tag,
                                                 const std::wstring& prompt, ZcDbObjectId style)
    : ZcDbText(NoTemplate{}) {
  if (host::makingView()) return;
  initNew("ATTDEF", attributeTags("ATTDEF", p, host::toUtf8(text), host::toUtf8(tag), host::toUtf8(prompt),
                                  styleName(style, nullptr)));
}
std::wstring ZcDbAttributeDefinition::tag() const { return decodeEscapes(getString("AcDbAttributeDefinition", 2)); }
Zcad::ErrorStatus ZcDbAttributeDefinition::setTag(const std::wstring& t) {
  return setValue("AcDbAttributeDefinition", 2, host::toUtf8(t));
}
std::wstring ZcDbAttributeDefinition::prompt() const { return decodeEscapes(getString("AcDbAttributeDefinition", 3)); }
Zcad::ErrorStatus ZcDbAttributeDefinition::setPrompt(const std::wstring& p) {
  return setValue("AcDbAttributeDefinition", 3, host::toUtf8(p));
}
bool ZcDbAttributeDefinition::isInvisible() const { return (getInt("AcDbAttributeDefinition", 70, 0) & 1) != 0; }
bool ZcDbAttributeDefinition::isConstant() const { return (getInt("AcDbAttributeDefinition", 70, 0) & 2) != 0; }
Zcad::ErrorStatus ZcDbAttributeDefinition::setInvisible(bool on) {
  long long f = getInt("AcDbAttributeDefinition", 70, 0);
  return setInt("AcDbAttributeDefinition", 70, on ? (f | 1) : (f & ~1LL));
}

ZcDbAttribute::ZcDbAttribute() : ZcDbText(NoTemplate{}) {
  if (host::makingView()) return;
  initNew("ATTRIB", attributeTags("ATTRIB", {}, "", "", "", "Standard"));
}
ZcDbAttribute::ZcDbAttribute(const ZcGePoint3d& p, const std::wstring& text, const std::wstring& tag, ZcDbObjectId style)
    : ZcDbText(NoTemplate{}) {
  if (host::makingView()) return;
  initNew("ATTRIB", attributeTags("ATTRIB", p, host::toUtf8(text), host::toUtf8(tag), "", styleName(style, nullptr)));
}
std::string ZcDbAttribute::tagUtf8() const { return getString("AcDbAttribute", 2); }
std::wstring ZcDbAttribute::tag() const { return decodeEscapes(tagUtf8()); }
Zcad::ErrorStatus ZcDbAttribute::setTag(const std::wstring& t) { return setValue("AcDbAttribute", 2, host::toUtf8(t)); }
bool ZcDbAttribute::isInvisible() const { return (getInt("AcDbAttribute", 70, 0) & 1) != 0; }
Zcad::ErrorStatus ZcDbAttribute::setInvisible(bool on) {
  long long f = getInt("AcDbAttribute", 70, 0);
  return setInt("AcDbAttribute", 70, on ? (f | 1) : (f & ~1LL));
}
Zcad::ErrorStatus ZcDbAttribute::setAttributeFromBlock(const ZcDbAttributeDefinition& def, const ZcGeMatrix3d& m) {
  if (auto s = checkWrite()) return s;
  setTag(def.tag());
  setTextString(def.textString());
  setTextStyle(def.textStyle());
  setHeight(def.height());
  setWidthFactor(def.widthFactor());
  setOblique(def.oblique());
  setRotation(def.rotation());
  setHorizontalMode(def.horizontalMode());
  setVerticalMode(def.verticalMode());
  setPosition(def.position());
  setAlignmentPoint(def.alignmentPoint());
  setInvisible(def.isInvisible());
  setValue("AcDbEntity", 8, def.layerName());
  return transformBy(m);
}
Zcad::ErrorStatus ZcDbAttribute::getGeomExtents(ZcDbExtents& ext) const { return ZcDbText::getGeomExtents(ext); }

// ----------------------------------------------------------------- mtext

ZcDbMText::ZcDbMText() {
  if (host::makingView()) return;
  Tags t = entityHead();
  t.push_back({100, "AcDbMText"});
  addPoint(t, 10, {});
  t.push_back({40, "2.5"});
  t.push_back({41, "0.0"});
  t.push_back({71, "1"});
  t.push_back({72, "1"});
  t.push_back({1, ""});
  t.push_back({7, "Standard"});
  addPoint(t, 210, ZcGePoint3d(0, 0, 1));
  addPoint(t, 11, ZcGePoint3d(1, 0, 0));
  initNew("MTEXT", t);
}
ZcGePoint3d ZcDbMText::location() const { return getPoint("AcDbMText", 10); }
Zcad::ErrorStatus ZcDbMText::setLocation(const ZcGePoint3d& p) { return setPoint("AcDbMText", 10, p); }
std::wstring ZcDbMText::contents() const {
  std::string s;
  std::string last;
  // Chunks of 250 characters (3) come before the final part (1).
  bool inMText = false;
  for (const auto& t : rec_->tags) {
    if (t.code >= 1000) break;
    if (t.code == 100) {
      inMText = t.value == "AcDbMText";
      continue;
    }
    if (t.code == 101) break;
    if (!inMText) continue;
    if (t.code == 3) s += t.value;
    else if (t.code == 1) last = std::string(t.value);
  }
  return decodeEscapes(s + last);
}
Zcad::ErrorStatus ZcDbMText::setContents(const std::wstring& w) {
  if (auto s = checkWrite()) return s;
  std::string u = host::toUtf8(w);
  Tags tags = rec_->tags.unpack();
  Tags out;
  bool inMText = false, placed = false;
  for (auto& t : tags) {
    if (t.code == 100) inMText = t.value == "AcDbMText";
    if (inMText && (t.code == 3 || t.code == 1)) {
      if (!placed) {
        size_t pos = 0;
        while (u.size() - pos > 250) {
          size_t n = 250;
          while (n > 0 && (static_cast<unsigned char>(u[pos + n]) & 0xC0) == 0x80) --n;  // whole characters
          out.push_back({3, u.substr(pos, n)});
          pos += n;
        }
        out.push_back({1, u.substr(pos)});
        placed = true;
      }
      continue;
    }
    out.push_back(std::move(t));
  }
  rec_->tags.assign(out);
  if (!placed) return setValue("AcDbMText", 1, u);
  return Zcad::eOk;
}
std::wstring ZcDbMText::text() const { return mtextPlainText(contents()); }
double ZcDbMText::textHeight() const { return getDouble("AcDbMText", 40, 0); }
Zcad::ErrorStatus ZcDbMText::setTextHeight(double h) { return setDouble("AcDbMText", 40, h); }
double ZcDbMText::width() const { return getDouble("AcDbMText", 41, 0); }
Zcad::ErrorStatus ZcDbMText::setWidth(double w) { return setDouble("AcDbMText", 41, w); }
int ZcDbMText::attachment() const { return int(getInt("AcDbMText", 71, 1)); }
Zcad::ErrorStatus ZcDbMText::setAttachment(int a) { return setInt("AcDbMText", 71, std::clamp(a, 1, 9)); }
double ZcDbMText::rotation() const {
  if (has("AcDbMText", 11)) {
    ZcGePoint3d d = getPoint("AcDbMText", 11);
    if (d.x != 0 || d.y != 0) return std::atan2(d.y, d.x);
  }
  return getDouble("AcDbMText", 50, 0);
}
Zcad::ErrorStatus ZcDbMText::setRotation(double r) {
  if (auto s = setPoint("AcDbMText", 11, ZcGePoint3d(std::cos(r), std::sin(r), 0))) return s;
  if (has("AcDbMText", 50)) removeCode("AcDbMText", 50);
  return Zcad::eOk;
}
Zcad::ErrorStatus ZcDbMText::transformBy(const ZcGeMatrix3d& m) {
  if (auto s = checkWrite()) return s;
  double k = m.scale();
  double r = rotation() + rotationOf(m);
  setLocation(m * location());
  setTextHeight(textHeight() * k);
  setWidth(width() * k);
  return setRotation(r);
}
Zcad::ErrorStatus ZcDbMText::getGeomExtents(ZcDbExtents& ext) const {
  std::wstring plain = text();
  double h = textHeight();
  size_t lines = 1;
  double widest = 0, cur = 0;
  std::wstring line;
  for (wchar_t c : plain + L"\n") {
    if (c == L'\n') {
      widest = std::max(widest, textAdvance(line));
      line.clear();
      continue;
    }
    line.push_back(c);
  }
  lines = size_t(std::count(plain.begin(), plain.end(), L'\n')) + 1;
  (void)cur;
  double w = widest * h;
  double tall = h + double(lines - 1) * h * 5.0 / 3.0;
  int a = attachment();
  int col = (a - 1) % 3, row = (a - 1) / 3;
  double x0 = col == 0 ? 0 : col == 1 ? -w / 2 : -w;
  double y0 = row == 0 ? -tall : row == 1 ? -tall / 2 : 0;
  double rot = rotation();
  double c = std::cos(rot), s = std::sin(rot);
  ZcGePoint3d loc = location();
  ZcGePoint3d origin(loc.x + x0 * c - y0 * s, loc.y + x0 * s + y0 * c, loc.z);
  ext = rectangleExtents(origin, w, tall, rot);
  return Zcad::eOk;
}

std::wstring mtextPlainText(const std::wstring& s) {
  std::wstring out;
  for (size_t i = 0; i < s.size(); ++i) {
    wchar_t c = s[i];
    if (c == L'{' || c == L'}') continue;
    if (c != L'\\' || i + 1 >= s.size()) {
      out.push_back(c);
      continue;
    }
    wchar_t k = s[++i];
    switch (k) {
      case L'P':
        out.push_back(L'\n');
        break;
      case L'~':
        out.push_back(L' ');
        break;
      case L'\\':
      case L'{':
      case L'}':
        out.push_back(k);
        break;
      case L'S': {
        // Stacked text a^b; a/b; a#b; shows as a/b.
        size_t end = s.find(L';', i + 1);
        std::wstring part = s.substr(i + 1, end == std::wstring::npos ? std::wstring::npos : end - i - 1);
        for (wchar_t& pc : part)
          if (pc == L'^' || pc == L'#') pc = L'/';
        out += part;
        i = end == std::wstring::npos ? s.size() : end;
        break;
      }
      case L'A': case L'C': case L'c': case L'f': case L'F': case L'H': case L'h': case L'Q': case L'q':
      case L'T': case L't': case L'W': case L'w': case L'p': {
        size_t end = s.find(L';', i + 1);
        i = end == std::wstring::npos ? s.size() : end;
        break;
      }
      case L'L': case L'l': case L'O': case L'o': case L'K': case L'k': case L'N':
        break;
      default:
        out.push_back(k);
    }
  }
  return out;
}
