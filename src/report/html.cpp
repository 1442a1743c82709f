#include "report/html.hpp"

#include <unistd.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string_view>

#include "host/app/host_app.hpp"
#include "report/rtf.hpp"

namespace {

struct NamedColor {
  const char* name;
  std::uint8_t r, g, b;
};

// Indexed by htmlColor::Name: same order, same count.
constexpr NamedColor kStandardColors[] = {
    {"AliceBlue", 240, 248, 255},
    {"AntiqueWhite", 250, 235, 215},
    {"Aqua", 0, 255, 255},
    {"Aquamarine", 127, 255, 212},
    {"Azure", 240, 255, 255},
    {"Beige", 245, 245, 220},
    {"Bisque", 255, 228, 196},
    {"Black", 0, 0, 0},
    {"BlanchedAlmond", 255, 235, 205},
    {"Blue", 0, 0, 255},
    {"BlueViolet", 138, 43, 226},
    {"Brown", 165, 42, 42},
    {"BurlyWood", 222, 184, 135},
    {"CadetBlue", 95, 158, 160},
    {"Chartreuse", 127, 255, 0},
    {"Chocolate", 210, 105, 30},
    {"Coral", 255, 127, 80},
    {"CornflowerBlue", 100, 149, 237},
    {"Cornsilk", 255, 248, 220},
    {"Crimson", 220, 20, 60},
    {"Cyan", 0, 255, 255},
    {"DarkBlue", 0, 0, 139},
    {"DarkCyan", 0, 139, 139},
    {"DarkGoldenRod", 184, 134, 11},
    {"DarkGray", 169, 169, 169},
    {"DarkGreen", 0, 100, 0},
    {"DarkKhaki", 189, 183, 107},
    {"DarkMagenta", 139, 0, 139},
    {"DarkOliveGreen", 85, 107, 47},
    {"DarkOrange", 255, 140, 0},
    {"DarkOrchid", 153, 50, 204},
    {"DarkRed", 139, 0, 0},
    {"DarkSalmon", 233, 150, 122},
    {"DarkSeaGreen", 143, 188, 143},
    {"DarkSlateBlue", 72, 61, 139},
    {"DarkSlateGray", 47, 79, 79},
    {"DarkTurquoise", 0, 206, 209},
    {"DarkViolet", 148, 0, 211},
    {"DeepPink", 255, 20, 147},
    {"DeepSkyBlue", 0, 191, 255},
    {"DimGray", 105, 105, 105},
    {"DodgerBlue", 30, 144, 255},
    {"FireBrick", 178, 34, 34},
    {"FloralWhite", 255, 250, 240},
    {"ForestGreen", 34, 139, 34},
    {"Fuchsia", 255, 0, 255},
    {"Gainsboro", 220, 220, 220},
    {"GhostWhite", 248, 248, 255},
    {"Gold", 255, 215, 0},
    {"GoldenRod", 218, 165, 32},
    {"Gray", 128, 128, 128},
    {"Green", 0, 128, 0},
    {"GreenYellow", 173, 255, 47},
    {"HoneyDew", 240, 255, 240},
    {"HotPink", 255, 105, 180},
    {"IndianRed", 205, 92, 92},
    {"Indigo", 75, 0, 130},
    {"Ivory", 255, 255, 240},
    {"Khaki", 240, 230, 140},
    {"Lavender", 230, 230, 250},
    {"LavenderBlush", 255, 240, 245},
    {"LawnGreen", 124, 252, 0},
    {"LemonChiffon", 255, 250, 205},
    {"LightBlue", 173, 216, 230},
    {"LightCoral", 240, 128, 128},
    {"LightCyan", 224, 255, 255},
    {"LightGoldenRodYellow", 250, 250, 210},
    {"LightGray", 211, 211, 211},
    {"LightGreen", 144, 238, 144},
    {"LightPink", 255, 182, 193},
    {"LightSalmon", 255, 160, 122},
    {"LightSeaGreen", 32, 178, 170},
    {"LightSkyBlue", 135, 206, 250},
    {"LightSlateGray", 119, 136, 153},
    {"LightSteelBlue", 176, 196, 222},
    {"LightYellow", 255, 255, 224},
    {"Lime", 0, 255, 0},
    {"LimeGreen", 50, 205, 50},
    {"Linen", 250, 240, 230},
    {"Magenta", 255, 0, 255},
    {"Maroon", 128, 0, 0},
    {"MediumAquaMarine", 102, 205, 170},
    {"MediumBlue", 0, 0, 205},
    {"MediumOrchid", 186, 85, 211},
    {"MediumPurple", 147, 112, 219},
    {"MediumSeaGreen", 60, 179, 113},
    {"MediumSlateBlue", 123, 104, 238},
    {"MediumSpringGreen", 0, 250, 154},
    {"MediumTurquoise", 72, 209, 204},
    {"MediumVioletRed", 199, 21, 133},
    {"MidnightBlue", 25, 25, 112},
    {"MintCream", 245, 255, 250},
    {"MistyRose", 255, 228, 225},
    {"Moccasin", 255, 228, 181},
    {"NavajoWhite", 255, 222, 173},
    {"Navy", 0, 0, 128},
    {"OldLace", 253, 245, 230},
    {"Olive", 128, 128, 0},
    {"OliveDrab", 107, 142, 35},
    {"Orange", 255, 165, 0},
    {"OrangeRed", 255, 69, 0},
    {"Orchid", 218, 112, 214},
    {"PaleGoldenRod", 238, 232, 170},
    {"PaleGreen", 152, 251, 152},
    {"PaleTurquoise", 175, 238, 238},
    {"PaleVioletRed", 219, 112, 147},
    {"PapayaWhip", 255, 239, 213},
    {"PeachPuff", 255, 218, 185},
    {"Peru", 205, 133, 63},
    {"Pink", 255, 192, 203},
    {"Plum", 221, 160, 221},
    {"PowderBlue", 176, 224, 230},
    {"Purple", 128, 0, 128},
    {"Red", 255, 0, 0},
    {"RosyBrown", 188, 143, 143},
    {"RoyalBlue", 65, 105, 225},
    {"SaddleBrown", 139, 69, 19},
    {"Salmon", 250, 128, 114},
    {"SandyBrown", 244, 164, 96},
    {"SeaGreen", 46, 139, 87},
    {"SeaShell", 255, 245, 238},
    {"Sienna", 160, 82, 45},
    {"Silver", 192, 192, 192},
    {"SkyBlue", 135, 206, 235},
    {"SlateBlue", 106, 90, 205},
    {"SlateGray", 112, 128, 144},
    {"Snow", 255, 250, 250},
    {"SpringGreen", 0, 255, 127},
    {"SteelBlue", 70, 130, 180},
    {"Tan", 210, 180, 140},
    {"Teal", 0, 128, 128},
    {"Thistle", 216, 191, 216},
    {"Tomato", 255, 99, 71},
    {"Turquoise", 64, 224, 208},
    {"Violet", 238, 130, 238},
    {"Wheat", 245, 222, 179},
    {"White", 255, 255, 255},
    {"WhiteSmoke", 245, 245, 245},
    {"Yellow", 255, 255, 0},
    {"YellowGreen", 154, 205, 50},
};
static_assert(std::size(kStandardColors) == htmlColor::kNamedColors);

bool inTable(int index) { return index >= 0 && index < htmlColor::kNamedColors; }

// printf into a string of the right size.
template <class... Args>
std::string format(const char* fmt, Args... args) {
  const int n = std::snprintf(nullptr, 0, fmt, args...);
  if (n <= 0) return {};
  std::string out(size_t(n) + 1, '\0');
  std::snprintf(out.data(), out.size(), fmt, args...);
  out.resize(size_t(n));
  return out;
}

constexpr const char* kSideNames[4] = {"left", "right", "top", "bottom"};

// The generic font families of CSS: keywords, never quoted.
bool familleGenerique(std::string_view famille) {
  for (std::string_view g : {"serif", "sans-serif", "monospace", "cursive", "fantasy"})
    if (famille == g) return true;
  return false;
}

}  // namespace

// ------------------------------------------------------------ htmlColor

htmlColor htmlColor::named(int index) {
  htmlColor c;
  c.setNamed(index);
  return c;
}

const char* htmlColor::name(int index) { return inTable(index) ? kStandardColors[index].name : nullptr; }

void htmlColor::set(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  r_ = red;
  g_ = green;
  b_ = blue;
}

bool htmlColor::setNamed(int index) {
  if (!inTable(index)) return false;
  const NamedColor& c = kStandardColors[index];
  set(c.r, c.g, c.b);
  return true;
}

std::string htmlColor::str() const { return format("rgb(%d,%d,%d)", int(r_), int(g_), int(b_)); }

// ------------------------------------------------------------ htmlSize

std::string htmlSize::str() const {
  double whole = 0.0;
  const bool integral = std::modf(value_, &whole) == 0.0;
  const char* unit = "";
  switch (unit_) {
    case Percent: unit = integral ? "%" : " %"; break;
    case Pt: unit = "pt"; break;
    case Mm: unit = "mm"; break;
    case Cm: unit = "cm"; break;
    case Pc: unit = "pc"; break;
    case In: unit = "in"; break;
    case Px: unit = "px"; break;
    default: break;
  }
  if (!integral) return format("%.2f%s", value_, unit);
  // A whole value beyond the range of int is still written in full.
  if (whole >= double(std::numeric_limits<int>::min()) && whole <= double(std::numeric_limits<int>::max()))
    return format("%d%s", int(whole), unit);
  return format("%.0f%s", whole, unit);
}

// ------------------------------------------------------------ htmlBorderStyle

std::string htmlBorderStyle::str() const {
  switch (value_) {
    case Dotted: return "dotted";
    case Dashed: return "dashed";
    case Solid: return "solid";
    case Double: return "double";
    case Groove: return "groove";
    case Ridge: return "ridge";
    case Inset: return "inset";
    case Outset: return "outset";
    default: return "none";
  }
}

// ------------------------------------------------------------ htmlStyle

void htmlStyle::setFontFamily(const std::string& family, const std::string& fallback) {
  fontFamily_ = family;
  fallbackFamily_ = fallback;
}
void htmlStyle::setFontSize(const htmlSize& size) { fontSize_ = size; }
void htmlStyle::setItalic(bool on) { italic_ = on; }
void htmlStyle::setBold(bool on) { bold_ = on; }
void htmlStyle::setTextDecoration(int bits) { decoration_ = bits; }
void htmlStyle::setColor(const htmlColor& color) { color_ = color; }
void htmlStyle::setBackgroundColor(const htmlColor& color) { backgroundColor_ = color; }
void htmlStyle::setTextAlign(int align) { textAlign_ = align; }
void htmlStyle::setTextIndent(const htmlSize& size) { textIndent_ = size; }
void htmlStyle::setLineHeight(const htmlSize& size) { lineHeight_ = size; }
void htmlStyle::setLetterSpacing(const htmlSize& size) { letterSpacing_ = size; }

void htmlStyle::setMargin(Side side, const htmlSize& size) { margin_[side] = size; }
void htmlStyle::setPadding(Side side, const htmlSize& size) { padding_[side] = size; }
void htmlStyle::setBorderWidth(Side side, const htmlSize& size) { borderWidth_[side] = size; }
void htmlStyle::setBorderStyle(Side side, htmlBorderStyle style) { borderStyle_[side] = style; }
void htmlStyle::setBorderColor(Side side, const htmlColor& color) { borderColor_[side] = color; }

void htmlStyle::setMargin(const htmlSize& size) {
  for (auto& m : margin_) m = size;
}
void htmlStyle::setPadding(const htmlSize& size) {
  for (auto& p : padding_) p = size;
}
void htmlStyle::setBorderWidth(const htmlSize& size) {
  for (auto& w : borderWidth_) w = size;
}
void htmlStyle::setBorderStyle(htmlBorderStyle style) {
  for (auto& s : borderStyle_) s = style;
}
void htmlStyle::setBorderColor(const htmlColor& color) {
  for (auto& c : borderColor_) c = color;
}

std::string htmlStyle::str() const {
  std::string s;
  // The family's part always ends with ';': a style without a family
  // starts with a lone ';'.
  if (fontFamily_.set) {
    s += " font-family:'" + fontFamily_.value + "'";
    if (!fallbackFamily_.empty())
      s += "," + (familleGenerique(fallbackFamily_) ? fallbackFamily_ : "'" + fallbackFamily_ + "'");
  }
  s += ";";

  auto size = [&s](const char* name, const Property<htmlSize>& p) {
    if (p.set) s += std::string(name) + ":" + p.value.str() + ";";
  };
  auto color = [&s](const char* name, const Property<htmlColor>& p) {
    if (p.set) s += std::string(name) + ":" + p.value.str() + ";";
  };

  size("font-size", fontSize_);
  if (italic_.set) s += std::string("font-style:") + (italic_.value ? "italic" : "normal") + ";";
  if (bold_.set) s += std::string("font-weight:") + (bold_.value ? "bold" : "normal") + ";";
  if (decoration_.set) {
    s += "text-decoration:";
    const int bits = decoration_.value;
    if ((bits & (Underline | Overline | LineThrough | Blink)) == 0) s += "none";
    if (bits & Underline) s += "underline ";
    if (bits & Overline) s += "overline ";
    if (bits & LineThrough) s += "line-through ";
    if (bits & Blink) s += "blink";
    s += ";";
  }
  color("color", color_);
  color("background-color", backgroundColor_);
  if (textAlign_.set) {
    const char* keyword = textAlign_.value == AlignLeft    ? "left"
                          : textAlign_.value == AlignRight  ? "right"
                          : textAlign_.value == AlignCenter ? "center"
                                                            : "justify";
    s += std::string("text-align:") + keyword + ";";
  }
  size("text-indent", textIndent_);
  size("line-height", lineHeight_);
  size("letter-spacing", letterSpacing_);
  for (int i = 0; i < 4; ++i) size(("margin-" + std::string(kSideNames[i])).c_str(), margin_[i]);
  for (int i = 0; i < 4; ++i) size(("padding-" + std::string(kSideNames[i])).c_str(), padding_[i]);
  // The same width, style and colour on the four sides make one "border"
  // declaration: word processors read it, and some ignore the per-side
  // longhands and draw no frame at all.
  bool cadre = true;
  for (int i = 0; i < 4 && cadre; ++i)
    cadre = borderWidth_[i].set && borderStyle_[i].set && borderColor_[i].set &&
            borderWidth_[i].value.str() == borderWidth_[0].value.str() &&
            borderStyle_[i].value.value() == borderStyle_[0].value.value() &&
            borderColor_[i].value == borderColor_[0].value;
  if (cadre) {
    s += "border:" + borderWidth_[0].value.str() + " " + borderStyle_[0].value.str() + " " +
         borderColor_[0].value.str() + ";";
    return s;
  }
  for (int i = 0; i < 4; ++i) size(("border-" + std::string(kSideNames[i]) + "-width").c_str(), borderWidth_[i]);
  for (int i = 0; i < 4; ++i)
    if (borderStyle_[i].set)
      s += "border-" + std::string(kSideNames[i]) + "-style:" + borderStyle_[i].value.str() + ";";
  for (int i = 0; i < 4; ++i) color(("border-" + std::string(kSideNames[i]) + "-color").c_str(), borderColor_[i]);
  return s;
}

// ------------------------------------------------------------ htmlText

htmlText::htmlText(const std::wstring& text, std::string attributes, int kind)
    : text_(host::toAnsi(text)), attributes_(std::move(attributes)), kind_(kind) {}

void htmlText::setText(const std::wstring& text) { text_ = host::toAnsi(text); }

std::string htmlText::str() const {
  if (kind_ == ListItem) return "<LI " + attributes_ + ">" + text_ + "</LI>";
  return "<P " + attributes_ + ">" + text_ + "</P>";
}

// ------------------------------------------------------------ htmlTable

void htmlTable::setAlignment(int alignment) {
  if (alignment != Left && alignment != Right && alignment != Center) return;
  alignment_ = alignment;
  hasAlignment_ = true;
}

void htmlTable::setBorder(int width) {
  if (width < 0) return;
  border_ = width;
  hasBorder_ = true;
}

void htmlTable::setCellPadding(int padding) {
  if (padding < 0) return;
  cellPadding_ = padding;
  hasCellPadding_ = true;
}

void htmlTable::setCellSpacing(int spacing) {
  if (spacing < 0) return;
  cellSpacing_ = spacing;
  hasCellSpacing_ = true;
}

void htmlTable::newRow(const std::string& attributes) {
  if (rowOpen_) body_ += "</tr>";
  body_ += "<tr " + attributes + ">";
  rowOpen_ = true;
}

void htmlTable::addCell(const std::string& text, const std::string& attributes) {
  body_ += "<td " + attributes + ">" + text + "</td>";
}

void htmlTable::addCell(const std::wstring& text, const std::string& attributes) {
  addCell(host::toAnsi(text), attributes);
}

void htmlTable::addNumber(double value, int decimals, const std::string& attributes) {
  addCell(texteNombre(value, decimals), attributes);
}

void htmlTable::addInteger(int value, const std::string& attributes) { addCell(format("%d", value), attributes); }

void htmlTable::endRow() {
  body_ += "</tr>";
  rowOpen_ = false;
}

void htmlTable::clear() {
  body_.clear();
  rowOpen_ = false;
}

std::string htmlTable::openingTag() const {
  std::string tag = "<table ";
  if (hasAlignment_) {
    // Browsers place a table by its side margins; word processors by the
    // align attribute.
    const char* keyword = alignment_ == Right ? "right" : alignment_ == Center ? "center" : "left";
    const char* marges = alignment_ == Right    ? "margin-left:auto;margin-right:0"
                         : alignment_ == Center ? "margin-left:auto;margin-right:auto"
                                                : "margin-left:0;margin-right:auto";
    tag += format("align=\"%s\" style=\"%s\"", keyword, marges);
  }
  if (hasBorder_) tag += format(" border=\"%d\"", border_);
  if (hasCellPadding_) tag += format(" cellpadding=\"%d\"", cellPadding_);
  if (hasCellSpacing_) tag += format(" cellspacing =\"%d\"", cellSpacing_);
  return tag + ">\n";
}

std::string htmlTable::str() {
  if (rowOpen_) endRow();
  return openingTag() + body_ + "</table>";
}

// ------------------------------------------------------------ htmlDocument

htmlDocument::htmlDocument() {
  colors_[Background] = htmlColor::named(htmlColor::White);
  colors_[Text] = htmlColor::named(htmlColor::Black);
  colors_[ActiveLink] = htmlColor::named(htmlColor::Red);
  colors_[VisitedLink] = htmlColor::named(htmlColor::Purple);
  colors_[Link] = htmlColor::named(htmlColor::Blue);
}

void htmlDocument::addStyle(const std::string& className, const htmlStyle& style) {
  styleNames_.push_back(!className.empty() && className.front() == '.' ? className : "." + className);
  styleBlocks_.push_back(style.str());
}

void htmlDocument::addHeadLine(const std::string& line) { headLines_.push_back(line); }
void htmlDocument::addBody(const std::string& fragment) { body_.push_back(fragment); }
void htmlDocument::addBody(const std::wstring& fragment) { body_.push_back(host::toAnsi(fragment)); }

void htmlDocument::setPath(const std::string& path, int kind) {
  path_ = path;
  kind_ = kind;
  temporary_ = false;
}

void htmlDocument::clear() {
  styleNames_.clear();
  styleBlocks_.clear();
  headLines_.clear();
  body_.clear();
  path_.clear();
}

void htmlDocument::setColor(ColorRole role, const htmlColor& color) {
  if (role >= Background && role <= Link) colors_[role] = color;
}

const htmlColor& htmlDocument::color(ColorRole role) const {
  return colors_[role >= Background && role <= Link ? role : Background];
}

std::string htmlDocument::markup() const {
  std::string out;
  auto item = [&out](std::string_view text) {
    out += text;
    out += '\n';
  };

  // The bytes are Windows-1252 (see the header): said first thing in the
  // head, before any accented text.
  const char* const jeu = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">";
  if (kind_ == Word) {
    item(
        "<html xmlns:o='urn:schemas-microsoft-com:office:office' "
        "xmlns:w='urn:schemas-microsoft-com:office:word' "
        "xmlns='http://www.w3.org/TR/REC-html40'>\n<head>");
    item(jeu);
    for (const auto& line : headLines_) item(line);
    // Opens the document in print layout at 100 %.
    item(
        "\n<!--[if gte mso 9]>\n<xml>\n<w:WordDocument>\n<w:View>Print</w:View>\n<w:Zoom>100</w:Zoom>\n"
        "<w:DoNotOptimizeForBrowser/>\n</w:WordDocument>\n</xml>\n<![endif]-->");
  } else {
    item("<html>\n<head>");
    item(jeu);
    for (const auto& line : headLines_) item(line);
  }

  item("<style>\n<!--");
  if (paysageNecessaire(*this)) item("@page { size: landscape; }");
  for (size_t i = 0; i < styleNames_.size(); ++i) item(styleNames_[i] + "{" + styleBlocks_[i] + "}");
  item("\n-->\n</style>\n</head>\n");

  item("\n<body bgcolor:" + colors_[Background].str() + " text:" + colors_[Text].str() +
       " alink:" + colors_[ActiveLink].str() + " vlink:" + colors_[VisitedLink].str() +
       " link:" + colors_[Link].str() + ">\n");
  for (const auto& fragment : body_) item(fragment);
  item("\n</body>\n</html>");
  return out;
}

std::string texteNombre(double value, int decimals) {
  // "%.-1f" is no format: a negative count writes no decimals.
  std::string texte = format(format("%%.%df", decimals < 0 ? 0 : decimals).c_str(), value);
  // A value that rounds to zero keeps no sign (a sum of -0.00001 m is 0).
  if (!texte.empty() && texte.front() == '-' && texte.find_first_not_of("0.", 1) == std::string::npos)
    texte.erase(0, 1);
  return texte;
}

std::string texteHtml(std::string_view text) {
  std::string sur;
  sur.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': sur += "&amp;"; break;
      case '<': sur += "&lt;"; break;
      case '>': sur += "&gt;"; break;
      default: sur += c; break;
    }
  }
  return sur;
}
