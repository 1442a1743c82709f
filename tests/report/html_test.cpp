// The report document model (colours, sizes, styles, paragraphs, tables,
// documents written as plain or Word-compatible HTML) and the report viewer
// on a string console.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/ui/session.hpp"
#include "report/html.hpp"
#include "report/standard.hpp"
#include "report/rtf.hpp"
#include "report/viewer.hpp"

namespace {

namespace fs = std::filesystem;
using host::ui::testing::contains;
using host::ui::testing::Session;

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A folder of its own for each test, removed at the end.
class TempDir {
 public:
  TempDir() {
    static int counter = 0;
    path_ = fs::temp_directory_path() / ("geltaro_report_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  size_t count() const { return size_t(std::distance(fs::directory_iterator(path_), fs::directory_iterator())); }

 private:
  fs::path path_;
};

// Removes a temporary report and the empty file that reserved its name.
void removeTemporary(const std::string& path) {
  std::error_code ec;
  fs::remove(path, ec);
  if (path.size() > 5) fs::remove(path.substr(0, path.size() - 5), ec);
}

// A tolerant check of the markup's structure: comments are skipped, every
// closing tag of html/head/style/body/table/tr/td/P/LI must close the last
// one opened, and all must be closed at the end. Returns what is wrong, or
// an empty string.
std::string unbalanced(const std::string& html) {
  static const std::vector<std::string> checked = {"html", "head", "style", "body", "table", "tr", "td", "p", "li"};
  std::vector<std::string> open;
  size_t i = 0;
  while ((i = html.find('<', i)) != std::string::npos) {
    if (html.compare(i, 4, "<!--") == 0) {
      size_t end = html.find("-->", i + 4);
      if (end == std::string::npos) return "unterminated comment";
      i = end + 3;
      continue;
    }
    size_t end = html.find('>', i);
    if (end == std::string::npos) return "unterminated tag";
    const bool closing = html[i + 1] == '/';
    size_t b = i + (closing ? 2 : 1), e = b;
    while (e < end && std::isalpha(static_cast<unsigned char>(html[e]))) ++e;
    std::string name = html.substr(b, e - b);
    for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
    i = end + 1;
    if (std::find(checked.begin(), checked.end(), name) == checked.end()) continue;
    if (!closing) {
      open.push_back(name);
    } else {
      if (open.empty() || open.back() != name) return "</" + name + "> closes " + (open.empty() ? "nothing" : "<" + open.back() + ">");
      open.pop_back();
    }
  }
  return open.empty() ? "" : "<" + open.back() + "> never closed";
}

// ------------------------------------------------------------ values

TEST(HtmlSize, TextForms) {
  struct Case {
    const char* why;
    double value;
    int unit;
    const char* want;
  } cases[] = {
      {"whole points", 10, htmlSize::Pt, "10pt"},
      {"fractional percent: two decimals, blank before %", 12.5, htmlSize::Percent, "12.50 %"},
      {"whole percent: no blank", 50, htmlSize::Percent, "50%"},
      {"zero pixels", 0, htmlSize::Px, "0px"},
      {"millimetres", 2.25, htmlSize::Mm, "2.25mm"},
      {"centimetres", 1, htmlSize::Cm, "1cm"},
      {"picas", 3, htmlSize::Pc, "3pc"},
      {"inches", 1.5, htmlSize::In, "1.50in"},
      {"fraction that rounds to a whole number keeps its decimals", 2.999, htmlSize::Pt, "3.00pt"},
      {"negative", -3, htmlSize::Pt, "-3pt"},
      {"unknown unit: number alone", 7, 42, "7"},
      {"unknown unit, fractional", 2.5, -1, "2.50"},
      {"whole value beyond int is written in full", 1e10, htmlSize::Px, "10000000000px"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(htmlSize(c.value, c.unit).str(), c.want);
  }
}

TEST(HtmlBorderStyle, KeywordsAndNone) {
  const char* keywords[] = {"none", "none", "dotted", "dashed", "solid", "double", "groove", "ridge", "inset", "outset", "none"};
  for (int v = 0; v <= 10; ++v) EXPECT_EQ(htmlBorderStyle(std::uint8_t(v)).str(), keywords[v]) << v;
  EXPECT_EQ(htmlBorderStyle(255).str(), "none");
  EXPECT_EQ(htmlBorderStyle().str(), "none");
}

TEST(HtmlColor, NamedColoursTable) {
  struct Case {
    int index;
    const char* name;
    int r, g, b;
  } cases[] = {
      {0, "AliceBlue", 240, 248, 255},   {7, "Black", 0, 0, 0},       {9, "Blue", 0, 0, 255},
      {112, "Purple", 128, 0, 128},      {113, "Red", 255, 0, 0},     {136, "White", 255, 255, 255},
      {139, "YellowGreen", 154, 205, 50}, {20, "Cyan", 0, 255, 255},  {66, "LightGoldenRodYellow", 250, 250, 210},
      {84, "MediumPurple", 147, 112, 219},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_STREQ(htmlColor::name(c.index), c.name);
    EXPECT_EQ(htmlColor::named(c.index), htmlColor(c.r, c.g, c.b));
  }
  // The names of the enumeration are the indexes of the table.
  EXPECT_EQ(htmlColor::Black, 7);
  EXPECT_EQ(htmlColor::Purple, 112);
  EXPECT_EQ(htmlColor::White, 136);
  EXPECT_EQ(htmlColor::YellowGreen, 139);
  EXPECT_EQ(htmlColor::kNamedColors, 140);

  // 140 names in strictly increasing alphabetical order (any case).
  auto lower = [](std::string s) {
    for (char& ch : s) ch = char(std::tolower(static_cast<unsigned char>(ch)));
    return s;
  };
  for (int i = 1; i < 140; ++i) {
    ASSERT_NE(htmlColor::name(i), nullptr) << i;
    EXPECT_LT(lower(htmlColor::name(i - 1)), lower(htmlColor::name(i))) << i;
  }
  EXPECT_EQ(htmlColor::name(-1), nullptr);
  EXPECT_EQ(htmlColor::name(140), nullptr);
}

TEST(HtmlColor, SettersAndTextForm) {
  htmlColor c;
  EXPECT_EQ(c.str(), "rgb(0,0,0)") << "black after construction";
  c.set(239, 239, 239);
  EXPECT_EQ(c.str(), "rgb(239,239,239)");
  for (int outside : {-1, 140, 1000}) {
    EXPECT_FALSE(c.setNamed(outside)) << outside;
    EXPECT_EQ(c.str(), "rgb(239,239,239)") << "an index outside the table leaves the colour unchanged";
  }
  EXPECT_TRUE(c.setNamed(htmlColor::Red));
  EXPECT_EQ(c.str(), "rgb(255,0,0)");
}

// ------------------------------------------------------------ style

TEST(HtmlStyle, FreshStyleIsALoneSemicolon) { EXPECT_EQ(htmlStyle().str(), ";"); }

TEST(HtmlStyle, FontFamilyAndTextDecoration) {
  struct Case {
    const char* why;
    int bits;
    const char* want;
  } decorations[] = {
      {"no bit: none", 0, ";text-decoration:none;"},
      {"underline and line-through, each with its blank", htmlStyle::Underline | htmlStyle::LineThrough,
       ";text-decoration:underline line-through ;"},
      {"all four in order, blink last without a blank", 15, ";text-decoration:underline overline line-through blink;"},
      {"bits outside the four: none", 16, ";text-decoration:none;"},
  };
  for (const Case& c : decorations) {
    SCOPED_TRACE(c.why);
    htmlStyle s;
    s.setTextDecoration(c.bits);
    EXPECT_EQ(s.str(), c.want);
  }

  htmlStyle s;
  s.setFontFamily("Arial");
  EXPECT_EQ(s.str(), " font-family:'Arial';");

  // A generic family is a keyword: quoted, it would name a font called
  // "serif" that no system has.
  struct Fallback {
    const char* fallback;
    const char* want;
  } fallbacks[] = {
      {"serif", " font-family:'Arial',serif;"},
      {"sans-serif", " font-family:'Arial',sans-serif;"},
      {"monospace", " font-family:'Arial',monospace;"},
      {"cursive", " font-family:'Arial',cursive;"},
      {"fantasy", " font-family:'Arial',fantasy;"},
      {"Helvetica", " font-family:'Arial','Helvetica';"},
      {"Serif", " font-family:'Arial','Serif';"},  // keywords are lower case here; a capital is a font name
  };
  for (const Fallback& f : fallbacks) {
    SCOPED_TRACE(f.fallback);
    s.setFontFamily("Arial", f.fallback);
    EXPECT_EQ(s.str(), f.want);
  }
}

TEST(HtmlStyle, EveryPropertyInItsOrder) {
  htmlStyle s;
  // Set in an order unlike the written one: the written order is fixed.
  s.setBorderColor(htmlStyle::Bottom, htmlColor(1, 2, 3));
  s.setBorderStyle(htmlStyle::Top, htmlBorderStyle::Dashed);
  s.setBorderWidth(htmlStyle::Right, htmlSize(2, htmlSize::Px));
  s.setPadding(htmlStyle::Left, htmlSize(1, htmlSize::Mm));
  s.setMargin(htmlStyle::Bottom, htmlSize(0.5, htmlSize::Cm));
  s.setLetterSpacing(htmlSize(1, htmlSize::Pt));
  s.setLineHeight(htmlSize(120, htmlSize::Percent));
  s.setTextIndent(htmlSize(5, htmlSize::Mm));
  s.setTextAlign(htmlStyle::AlignCenter);
  s.setBackgroundColor(htmlColor::named(htmlColor::Yellow));
  s.setColor(htmlColor::named(htmlColor::Navy));
  s.setTextDecoration(htmlStyle::Overline);
  s.setBold(true);
  s.setItalic(false);
  s.setFontSize(htmlSize(12, htmlSize::Pt));
  s.setFontFamily("Times New Roman", "serif");
  EXPECT_EQ(s.str(),
            " font-family:'Times New Roman',serif;font-size:12pt;font-style:normal;font-weight:bold;"
            "text-decoration:overline ;color:rgb(0,0,128);background-color:rgb(255,255,0);text-align:center;"
            "text-indent:5mm;line-height:120%;letter-spacing:1pt;margin-bottom:0.50cm;padding-left:1mm;"
            "border-right-width:2px;border-top-style:dashed;border-bottom-color:rgb(1,2,3);");

  struct Case {
    int align;
    const char* want;
  } aligns[] = {{htmlStyle::AlignLeft, "left"}, {htmlStyle::AlignRight, "right"}, {htmlStyle::AlignCenter, "center"},
                {0, "justify"}, {3, "justify"}};
  for (const Case& c : aligns) {
    htmlStyle a;
    a.setTextAlign(c.align);
    a.setItalic(true);
    EXPECT_EQ(a.str(), std::string(";font-style:italic;text-align:") + c.want + ";") << c.align;
  }
}

TEST(HtmlStyle, FourSidesAtOnceAndCumulative) {
  htmlStyle s;
  s.setMargin(htmlSize(4, htmlSize::Px));
  s.setMargin(htmlStyle::Top, htmlSize(1, htmlSize::Px));  // one side afterwards
  s.setBorderStyle(htmlBorderStyle::Solid);
  EXPECT_EQ(s.str(),
            ";margin-left:4px;margin-right:4px;margin-top:1px;margin-bottom:4px;"
            "border-left-style:solid;border-right-style:solid;border-top-style:solid;border-bottom-style:solid;");
}

TEST(HtmlStyle, UniformBordersAreOneDeclaration) {
  struct Case {
    const char* why;
    void (*set)(htmlStyle&);
    const char* want;
  } cases[] = {
      {"four equal sides", [](htmlStyle& s) {
         s.setBorderWidth(htmlSize(2, htmlSize::Px));
         s.setBorderStyle(htmlBorderStyle::Dashed);
         s.setBorderColor(htmlColor(1, 2, 3));
       },
       ";border:2px dashed rgb(1,2,3);"},
      {"one side wider", [](htmlStyle& s) {
         s.setBorderWidth(htmlSize(1, htmlSize::Px));
         s.setBorderWidth(htmlStyle::Top, htmlSize(3, htmlSize::Px));
         s.setBorderStyle(htmlBorderStyle::Solid);
         s.setBorderColor(htmlColor(0, 0, 0));
       },
       ";border-left-width:1px;border-right-width:1px;border-top-width:3px;border-bottom-width:1px;"
       "border-left-style:solid;border-right-style:solid;border-top-style:solid;border-bottom-style:solid;"
       "border-left-color:rgb(0,0,0);border-right-color:rgb(0,0,0);border-top-color:rgb(0,0,0);"
       "border-bottom-color:rgb(0,0,0);"},
      {"no colour", [](htmlStyle& s) {
         s.setBorderWidth(htmlSize(1, htmlSize::Px));
         s.setBorderStyle(htmlBorderStyle::Solid);
       },
       ";border-left-width:1px;border-right-width:1px;border-top-width:1px;border-bottom-width:1px;"
       "border-left-style:solid;border-right-style:solid;border-top-style:solid;border-bottom-style:solid;"},
      {"one side of another colour", [](htmlStyle& s) {
         s.setBorderWidth(htmlSize(1, htmlSize::Px));
         s.setBorderStyle(htmlBorderStyle::Solid);
         s.setBorderColor(htmlColor(0, 0, 0));
         s.setBorderColor(htmlStyle::Left, htmlColor(255, 0, 0));
       },
       ";border-left-width:1px;border-right-width:1px;border-top-width:1px;border-bottom-width:1px;"
       "border-left-style:solid;border-right-style:solid;border-top-style:solid;border-bottom-style:solid;"
       "border-left-color:rgb(255,0,0);border-right-color:rgb(0,0,0);border-top-color:rgb(0,0,0);"
       "border-bottom-color:rgb(0,0,0);"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    htmlStyle s;
    c.set(s);
    EXPECT_EQ(s.str(), c.want);
  }
}

TEST(StandardStyleSheet, FiveAccumulatedClasses) {
  htmlDocument doc;
  ajouterStylesStandard(doc);
  const std::string cell =
      "margin-left:4px;margin-right:4px;margin-top:4px;margin-bottom:4px;"
      "padding-left:4px;padding-right:4px;padding-top:4px;padding-bottom:4px;"
      "border:1px solid rgb(0,0,0);";
  EXPECT_EQ(doc.styleNames(), (std::vector<std::string>{".petit", ".grand", ".titre", ".celnorm", ".celgris"}));
  EXPECT_EQ(doc.styleBlocks(),
            (std::vector<std::string>{
                " font-family:'Arial',serif;font-size:10pt;",
                " font-family:'Arial',serif;font-size:18pt;",
                " font-family:'Arial',serif;font-size:10pt;text-decoration:underline ;",
                " font-family:'Arial',serif;font-size:10pt;text-decoration:none;" + cell,
                " font-family:'Arial',serif;font-size:10pt;text-decoration:none;"
                "background-color:rgb(239,239,239);" +
                    cell,
            }));
}

// ------------------------------------------------------------ paragraphs and tables

TEST(HtmlText, KindsAndWindows1252) {
  EXPECT_EQ(htmlText("Titre", "class=titre").str(), "<P class=titre>Titre</P>");
  EXPECT_EQ(htmlText("Titre").str(), "<P >Titre</P>") << "an empty attribute string keeps its blank";
  EXPECT_EQ(htmlText("un", "", htmlText::ListItem).str(), "<LI >un</LI>");
  // Wide text is converted to Windows-1252: é is one byte 0xE9, € is 0x80,
  // a character the code page lacks becomes '?'.
  EXPECT_EQ(htmlText(L"Réf", "").str(), "<P >R\xE9" "f</P>");
  htmlText t;
  t.setText(std::wstring(L"5 € \u0394"));
  EXPECT_EQ(t.text(), "5 \x80 ?");
}

TEST(HtmlTable, OpeningTagOptions) {
  struct Case {
    const char* why;
    int align, border, padding, spacing;  // -9: not set
    const char* want;
  } cases[] = {
      {"nothing set", -9, -9, -9, -9, "<table >\n"},
      {"left", htmlTable::Left, -9, -9, -9, "<table align=\"left\" style=\"margin-left:0;margin-right:auto\">\n"},
      {"right", htmlTable::Right, -9, -9, -9, "<table align=\"right\" style=\"margin-left:auto;margin-right:0\">\n"},
      {"center", htmlTable::Center, -9, -9, -9,
       "<table align=\"center\" style=\"margin-left:auto;margin-right:auto\">\n"},
      {"border alone", -9, 2, -9, -9, "<table  border=\"2\">\n"},
      {"cell padding alone", -9, -9, 3, -9, "<table  cellpadding=\"3\">\n"},
      {"cell spacing alone, blank before =", -9, -9, -9, 0, "<table  cellspacing =\"0\">\n"},
      {"all", htmlTable::Center, 0, 0, 0,
       "<table align=\"center\" style=\"margin-left:auto;margin-right:auto\" border=\"0\" cellpadding=\"0\" "
       "cellspacing =\"0\">\n"},
      {"negative values are ignored", -9, -1, -5, -2, "<table >\n"},
      {"unknown alignment ignored", 3, -9, -9, -9, "<table >\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    htmlTable t;
    if (c.align != -9) t.setAlignment(c.align);
    if (c.border != -9) t.setBorder(c.border);
    if (c.padding != -9) t.setCellPadding(c.padding);
    if (c.spacing != -9) t.setCellSpacing(c.spacing);
    EXPECT_EQ(t.str(), std::string(c.want) + "</table>");
  }

  htmlTable kept;
  kept.setBorder(1);
  kept.setBorder(-1);
  EXPECT_EQ(kept.str(), "<table  border=\"1\">\n</table>") << "a negative value keeps the previous one";

  // The reports' tables: centred, and a cell padding that covers the
  // padding and border of the cells of the standard style sheet (word
  // processors size the columns with it).
  EXPECT_EQ(tableRapport().str(),
            "<table align=\"center\" style=\"margin-left:auto;margin-right:auto\" border=\"0\" cellpadding=\"9\" "
            "cellspacing =\"0\">\n</table>");
  EXPECT_EQ(kCellPaddingRapport, kPaddingCellule + kMargeCellule + kBordureCellule);
}

TEST(HtmlTable, NumbersNeverShowANegativeZero) {
  struct Case {
    double value;
    int decimals;
    const char* want;
  } cases[] = {
      {-0.00001, 4, "0.0000"},  {-0.0, 4, "0.0000"},      {-0.00004999, 4, "0.0000"}, {-0.00005001, 4, "-0.0001"},
      {-0.4, 0, "0"},           {-0.6, 0, "-1"},          {-1e-300, 3, "0.000"},      {-12.5, 1, "-12.5"},
      {0.00001, 4, "0.0000"},   {-100.0, 2, "-100.00"},   {-0.001, -2, "0"},          {-1e-9, 12, "-0.000000001000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.value) + " with " + std::to_string(c.decimals));
    EXPECT_EQ(texteNombre(c.value, c.decimals), c.want);
    htmlTable t;
    t.addNumber(c.value, c.decimals);
    EXPECT_EQ(t.body(), std::string("<td >") + c.want + "</td>");
  }
}

TEST(HtmlText, OutsideTextIsEscaped) {
  EXPECT_EQ(texteHtml("A<B&C>D"), "A&lt;B&amp;C&gt;D");
  EXPECT_EQ(texteHtml("St\xE9 1"), "St\xE9 1") << "the code page's bytes are kept";
  EXPECT_EQ(texteHtml(""), "");
}

TEST(HtmlTable, RowsAndCells) {
  htmlTable t;
  t.newRow();
  t.addCell("N°" /* bytes as given */, "CLASS=celgris");
  t.addCell(L"Réf", "");
  t.newRow("class=x");  // the first row is still open: closed first
  t.addNumber(3.14159, 2, "class=celnorm align=right");
  t.addNumber(2.5, 0);
  t.addNumber(-1.25, -3);  // a negative count writes no decimals
  t.addNumber(1e38, 4);    // the stand-in for "no value" still fits
  t.addInteger(-42);
  t.endRow();
  t.newRow();
  t.addCell("&nbsp");
  EXPECT_TRUE(t.rowOpen());
  const std::string want =
      "<table >\n"
      "<tr ><td CLASS=celgris>N°</td><td >R\xE9" "f</td></tr>"
      "<tr class=x><td class=celnorm align=right>3.14</td><td >2</td><td >-1</td>"
      "<td >99999999999999997748809823456034029568.0000</td><td >-42</td></tr>"
      "<tr ><td >&nbsp</td></tr>"
      "</table>";
  EXPECT_EQ(t.str(), want) << "the text form closes the open row";
  EXPECT_FALSE(t.rowOpen());
  EXPECT_EQ(t.str(), want) << "and does so only once";

  t.newRow();
  t.addCell("x");
  t.clear();
  EXPECT_EQ(t.str(), "<table >\n</table>") << "clear drops the open row with the body";
}

// ------------------------------------------------------------ documents

// One style, one paragraph, one table.
htmlDocument tinyDocument() {
  htmlDocument doc;
  htmlStyle style;
  style.setFontFamily("Arial", "serif");
  style.setTextDecoration(htmlStyle::Underline);
  doc.addStyle("titre", style);
  doc.addBody(htmlText(L"Résultats", "class=titre"));
  htmlTable table;
  table.setAlignment(htmlTable::Center);
  table.setBorder(0);
  table.newRow();
  table.addCell("A", "class=celnorm");
  table.addNumber(1.23456, 4, "class=celnorm align=right");
  doc.addBody(table);
  return doc;
}

const char kCharset[] = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">\n";

const char kTinyTail[] =
    "<style>\n<!--\n"
    ".titre{ font-family:'Arial',serif;text-decoration:underline ;}\n"
    "\n-->\n</style>\n</head>\n\n"
    "\n<body bgcolor:rgb(255,255,255) text:rgb(0,0,0) alink:rgb(255,0,0) vlink:rgb(128,0,128) link:rgb(0,0,255)>\n\n"
    "<P class=titre>R\xE9sultats</P>\n"
    "<table align=\"center\" style=\"margin-left:auto;margin-right:auto\" border=\"0\">\n"
    "<tr ><td class=celnorm>A</td><td class=celnorm align=right>1.2346</td></tr></table>\n"
    "\n</body>\n</html>\n";

TEST(HtmlDocument, PlainDocumentWhole) {
  htmlDocument doc = tinyDocument();
  EXPECT_EQ(doc.kind(), htmlDocument::Html);
  EXPECT_EQ(doc.markup(), std::string("<html>\n<head>\n") + kCharset + kTinyTail);
}

TEST(HtmlDocument, WordDocumentWhole) {
  htmlDocument doc = tinyDocument();
  TempDir dir;
  // The Word form as HTML: what a ".htm" or ".html" receives (a ".doc" is
  // Rich Text, below).
  const std::string path = dir.file("rapport.htm");
  doc.setPath(path, htmlDocument::Word);
  EXPECT_FALSE(doc.writesRtf());
  ASSERT_TRUE(doc.write());
  EXPECT_EQ(readFile(path),
            std::string("<html xmlns:o='urn:schemas-microsoft-com:office:office' "
                        "xmlns:w='urn:schemas-microsoft-com:office:word' "
                        "xmlns='http://www.w3.org/TR/REC-html40'>\n<head>\n") +
                kCharset +
                std::string("\n<!--[if gte mso 9]>\n<xml>\n<w:WordDocument>\n<w:View>Print</w:View>\n"
                        "<w:Zoom>100</w:Zoom>\n<w:DoNotOptimizeForBrowser/>\n</w:WordDocument>\n</xml>\n"
                        "<![endif]-->\n") +
                kTinyTail);
}

TEST(HtmlDocument, EmptyDocumentHeadLinesColoursAndClear) {
  htmlDocument doc;
  EXPECT_EQ(doc.markup(),
            std::string("<html>\n<head>\n") + kCharset + "<style>\n<!--\n\n-->\n</style>\n</head>\n\n"
            "\n<body bgcolor:rgb(255,255,255) text:rgb(0,0,0) alink:rgb(255,0,0) vlink:rgb(128,0,128) "
            "link:rgb(0,0,255)>\n\n\n</body>\n</html>\n")
      << "the style lines are there without styles";

  doc.addHeadLine("<title>Rapport</title>");
  doc.addStyle(".deja", htmlStyle());
  doc.addBody("<br>");
  doc.setColor(htmlDocument::Background, htmlColor(239, 239, 239));
  doc.setPath("/nulle/part.htm", htmlDocument::Word);
  const std::string m = doc.markup();
  EXPECT_TRUE(contains(m, std::string("<head>\n") + kCharset + "<title>Rapport</title>\n\n<!--[if gte mso 9]>")) << m;
  EXPECT_TRUE(contains(m, "<!--\n.deja{;}\n\n-->")) << "a leading dot is not doubled";
  EXPECT_TRUE(contains(m, "<body bgcolor:rgb(239,239,239) text:")) << m;
  EXPECT_TRUE(contains(m, ">\n\n<br>\n\n</body>")) << m;

  doc.clear();
  EXPECT_TRUE(doc.styleNames().empty() && doc.styleBlocks().empty() && doc.headLines().empty() &&
              doc.bodyFragments().empty());
  EXPECT_EQ(doc.path(), "");
  EXPECT_EQ(doc.kind(), htmlDocument::Word) << "clear keeps the kind";
  EXPECT_EQ(doc.color(htmlDocument::Background), htmlColor(239, 239, 239));
}

TEST(HtmlDocument, WritesToANewTemporaryFile) {
  htmlDocument doc = tinyDocument();
  EXPECT_TRUE(doc.temporary());
  ASSERT_TRUE(doc.write());
  const fs::path first = doc.path();
  EXPECT_EQ(first.parent_path(), fs::temp_directory_path());
  const std::string name = first.filename().string();
  EXPECT_EQ(name.rfind("_TP", 0), 0u) << name;
  EXPECT_EQ(first.extension(), ".html");
  EXPECT_GT(name.size(), std::string("_TP.html").size()) << "a unique part between the prefix and .html";
  // No empty file is left beside it (the name was reserved with ".html").
  EXPECT_FALSE(fs::exists(first.string().substr(0, first.string().size() - 5)));
  EXPECT_EQ(readFile(first.string()), doc.markup());

  // Still temporary: every write takes a new name.
  ASSERT_TRUE(doc.write());
  EXPECT_NE(doc.path(), first.string());
  removeTemporary(first.string());
  removeTemporary(doc.path());

  // Given a path, the document stays there.
  TempDir dir;
  const std::string mine = dir.file("rapport.htm");
  doc.setPath(mine, htmlDocument::Html);
  EXPECT_FALSE(doc.temporary());
  ASSERT_TRUE(doc.write());
  ASSERT_TRUE(doc.write());
  EXPECT_EQ(doc.path(), mine);
  EXPECT_EQ(readFile(mine), doc.markup()) << "written again, truncated";
  EXPECT_EQ(dir.count(), 1u);
}

TEST(HtmlDocument, UnwritablePathFailsAndWritesNothing) {
  TempDir dir;
  const std::string notAFolder = dir.file("fichier");
  std::ofstream(notAFolder) << "x";
  htmlDocument doc = tinyDocument();
  const std::string path = notAFolder + "/rapport.doc";
  doc.setPath(path, htmlDocument::Word);
  EXPECT_FALSE(doc.write());
  EXPECT_FALSE(fs::exists(path));
  EXPECT_EQ(readFile(notAFolder), "x");

  // An empty path is a temporary file, not a failure.
  doc.setPath("", htmlDocument::Html);
  ASSERT_TRUE(doc.write());
  EXPECT_FALSE(doc.path().empty());
  removeTemporary(doc.path());
}

TEST(HtmlDocument, WrittenReportIsWellNested) {
  htmlDocument doc;
  ajouterStylesStandard(doc);
  doc.addBody(htmlText(L"Résultats des calculs", "CLASS=grand"));
  htmlTable table;
  table.setAlignment(htmlTable::Center);
  table.setBorder(0);
  table.setCellPadding(0);
  table.setCellSpacing(0);
  table.newRow();
  for (const char* h : {"Station", "X", "Y"}) table.addCell(h, "CLASS=celgris");
  for (int i = 0; i < 3; ++i) {
    table.newRow();  // the rows are never ended explicitly
    table.addCell(htmlText("S" + std::to_string(i), "").str(), "class=celnorm align=right");
    table.addNumber(1000.0 + i, 4, "class=celnorm align=right");
    table.addNumber(2000.0 - i, 4, "class=celnorm align=right");
  }
  doc.addBody(table);
  doc.addBody("<br>");
  doc.addBody(htmlTable().str());  // an empty table

  TempDir dir;
  for (int kind : {htmlDocument::Html, htmlDocument::Word}) {
    SCOPED_TRACE(kind);
    const std::string path = dir.file("rapport" + std::to_string(kind) + ".html");
    doc.setPath(path, kind);
    ASSERT_TRUE(doc.write());
    EXPECT_EQ(unbalanced(readFile(path)), "");
  }
  // The check itself finds a row closed by its table.
  EXPECT_NE(unbalanced("<table><tr><td>x</td></table>"), "");
}

// ------------------------------------------------------------ Word form: Rich Text for ".doc"

TEST(HtmlDocument, OnlyTheWordKindInADocFileIsRichText) {
  struct Case {
    const char* path;
    int kind;
    bool rtf;
  } cases[] = {
      {"/t/rapport.doc", htmlDocument::Word, true},   {"/t/RAPPORT.DOC", htmlDocument::Word, true},
      {"/t/r.Doc", htmlDocument::Word, true},         {"/t/rapport.doc", htmlDocument::Html, false},
      {"/t/rapport.htm", htmlDocument::Word, false},  {"/t/rapport.html", htmlDocument::Word, false},
      {"/t/rapport.docx", htmlDocument::Word, false}, {"/t/rapport.doc.html", htmlDocument::Word, false},
      {"doc", htmlDocument::Word, false},             {".doc", htmlDocument::Word, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    htmlDocument doc = tinyDocument();
    doc.setPath(c.path, c.kind);
    EXPECT_EQ(doc.writesRtf(), c.rtf);
    EXPECT_EQ(doc.contents().rfind("{\\rtf1", 0) == 0, c.rtf);
  }
}

// The groups of an RTF text are balanced (escaped braces aside).
bool groupesEquilibres(const std::string& rtf) {
  int profondeur = 0;
  for (size_t i = 0; i < rtf.size(); ++i) {
    if (rtf[i] == '\\') {
      ++i;
      continue;
    }
    if (rtf[i] == '{') ++profondeur;
    if (rtf[i] == '}' && --profondeur < 0) return false;
  }
  return profondeur == 0;
}

// The numbers following each occurrence of a control word ("\\cellx").
std::vector<int> valeurs(const std::string& rtf, const std::string& mot) {
  std::vector<int> v;
  for (size_t i = rtf.find(mot); i != std::string::npos; i = rtf.find(mot, i + 1))
    v.push_back(std::atoi(rtf.c_str() + i + mot.size()));
  return v;
}

// A report as the commands make them: the standard style sheet, a title,
// a header row, rows of names and numbers, a total under a spanning cell.
htmlDocument rapportEssai(int colonnesNombres) {
  htmlDocument doc;
  ajouterStylesStandard(doc);
  doc.addBody(htmlText(L"Coordonnées finales", "CLASS=grand"));
  doc.addBody(htmlText(L"\r\nStation de départ : A&amp;B\tX=1.0000", "class=petit"));
  htmlTable t = tableRapport();
  t.newRow();
  t.addCell(std::wstring(L"Réf"), "CLASS=celgris");
  for (int k = 0; k < colonnesNombres; ++k) t.addCell(std::wstring(L"X (m)"), "class=celgris align=center");
  for (const char* nom : {"ST1", "{ST2}"}) {
    t.newRow();
    t.addCell(texteHtml(nom), "class=celnorm align='left'");
    for (int k = 0; k < colonnesNombres; ++k) t.addNumber(6862345.1234 + k, 4, "class=celnorm align=right");
  }
  t.newRow();
  t.addCell(std::string(), "colspan=2");
  t.addCell(std::string("&nbsp"), "class=celnorm");
  doc.addBody(t);
  doc.addBody("<br>");
  return doc;
}

TEST(RichText, DeclaresItsCodePageAndEscapesText) {
  const std::string rtf = rtfDocument(rapportEssai(3));
  EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi\\ansicpg1252", 0), 0u) << rtf.substr(0, 80);
  EXPECT_TRUE(groupesEquilibres(rtf));
  EXPECT_TRUE(std::all_of(rtf.begin(), rtf.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
      << "8-bit characters are written as \\'hh";
  EXPECT_TRUE(contains(rtf, "Coordonn\\'e9es finales\\par}"));
  EXPECT_TRUE(contains(rtf, "\\fs36 Coordonn")) << "the class .grand: 18 pt";
  EXPECT_TRUE(contains(rtf, " Station de d\\'e9part : A&B X=1.0000\\par}"))
      << "entities decoded, blanks collapsed as a browser shows them";
  EXPECT_TRUE(contains(rtf, " R\\'e9f}\\cell"));
  EXPECT_TRUE(contains(rtf, " \\{ST2\\}}\\cell")) << "braces of the text are escaped";
  EXPECT_TRUE(contains(rtf, "\\qr{\\f0\\fs20 6862345.1234}\\cell")) << "numbers right-aligned, 10 pt";
  EXPECT_TRUE(contains(rtf, " \\~}\\cell")) << "&nbsp is a no-break space";
  EXPECT_TRUE(contains(rtf, "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}"));
  EXPECT_TRUE(contains(rtf, "\\red239\\green239\\blue239;")) << "the grey of .celgris";
  EXPECT_TRUE(contains(rtf, "\\clbrdrt\\brdrs")) << "cells of .celnorm and .celgris are framed";
  EXPECT_TRUE(contains(rtf, "\\trqc")) << "the table is centred";
  EXPECT_FALSE(contains(rtf, "<")) << "no markup left";
}

TEST(RichText, InlineBoldItalicAndUnderlineKeepTheirRuns) {
  htmlDocument doc;
  ajouterStylesStandard(doc);
  doc.addBody("<br><u> Station :</u> S1 <b> x </b> = 1.0000<i>gr</i>\n");
  htmlTable t = tableRapport();
  t.newRow();
  t.addCell(std::string("<b>R1</b>"), "class=celnorm");
  doc.addBody(t);
  const std::string rtf = rtfDocument(doc);
  EXPECT_TRUE(groupesEquilibres(rtf));
  EXPECT_TRUE(contains(rtf, "\\ul  Station :\\ulnone  S1 \\b  x \\b0  = 1.0000\\i gr\\i0 \\par}")) << rtf;
  EXPECT_TRUE(contains(rtf, "\\b R1\\b0 }\\cell")) << rtf;
  EXPECT_FALSE(contains(rtf, "\\'01")) << "no mark written as a byte";
  // The marks take no room in a column.
  htmlDocument simple;
  ajouterStylesStandard(simple);
  htmlTable u = tableRapport();
  u.newRow();
  u.addCell(std::string("R1"), "class=celnorm");
  simple.addBody(u);
  EXPECT_EQ(largeurTableMax(doc), largeurTableMax(simple));
}

TEST(RichText, ColumnsHoldTheirTextsOnOneLine) {
  const std::string rtf = rtfDocument(rapportEssai(3));
  // Four rows (header, two points, total) of four columns; the total row
  // spans the first two with one cell and has one cell less than the
  // others: an empty one completes it.
  const std::vector<int> x = valeurs(rtf, "\\cellx");
  ASSERT_EQ(x.size(), 4u + 4u + 4u + 3u) << rtf;
  for (size_t r = 1; r < 3; ++r)
    for (size_t k = 0; k < 4; ++k) EXPECT_EQ(x[4 * r + k], x[k]) << "every row has the same columns";
  EXPECT_EQ(x[12], x[1]) << "a cell over two columns ends where the second does";
  EXPECT_EQ(x[13], x[2]);
  EXPECT_EQ(x[14], x[3]);
  // Column widths cover the widest text with its padding and borders:
  // "6862345.1234" at 10 pt, the class's 4 px of padding (it comes before
  // the table's cell padding, as in a browser) and 1 px of border a side.
  const double twipsNombre = 20 * (largeurTexte("6862345.1234", 10) + 2 * (4 + 1) * 0.75);
  for (size_t k = 1; k < 4; ++k) EXPECT_GE(x[k] - x[k - 1], twipsNombre) << k;
  EXPECT_GE(x[0], 20 * largeurTexte("{ST2}", 10));
  EXPECT_NEAR(largeurTableMax(rapportEssai(3)), x[3] / 20.0, 0.1);
}

TEST(RichText, WideTablesTurnThePage) {
  // Three columns of numbers fit a portrait A4 page; ten do not.
  for (int colonnes : {3, 10}) {
    SCOPED_TRACE(colonnes);
    const htmlDocument doc = rapportEssai(colonnes);
    const bool large = colonnes == 10;
    EXPECT_EQ(paysageNecessaire(doc), large);
    EXPECT_EQ(contains(rtfDocument(doc), "\\landscape\\paperw16838\\paperh11906"), large);
    EXPECT_EQ(contains(rtfDocument(doc), "\\paperw11906\\paperh16838"), !large);
    EXPECT_EQ(contains(doc.markup(), "\n@page { size: landscape; }\n"), large) << "the HTML forms ask for it too";
  }
  EXPECT_EQ(largeurTableMax(htmlDocument()), 0.0);
}

TEST(RichText, WidthsCoverCommonFonts) {
  // Thousandths of the size, the larger of Arial and DejaVu Sans.
  struct Case {
    const char* text;
    double wantPt;  // at 10 pt
  } cases[] = {
      {"0123456789", 63.6}, {".", 3.18}, {"-0.0000", 3.61 + 3.18 + 4 * 6.36 + 6.36}, {"W", 9.89}, {"m", 9.74},
      {"\xE9", 6.4},        {"\xC9", 7.9}, {"", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_NEAR(largeurTexte(c.text, 10), c.wantPt, 1e-9);
  }
}

TEST(HtmlDocument, EveryFormDeclaresWindows1252BeforeAnyAccent) {
  TempDir dir;
  for (const char* name : {"r.html", "w.htm", "w.doc"}) {
    SCOPED_TRACE(name);
    htmlDocument doc = rapportEssai(2);
    doc.setPath(dir.file(name), name[0] == 'r' ? htmlDocument::Html : htmlDocument::Word);
    ASSERT_TRUE(doc.write());
    const std::string text = readFile(dir.file(name));
    const size_t accent = std::find_if(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }) - text.begin();
    const size_t declaration = doc.writesRtf() ? text.find("\\ansicpg1252") : text.find("charset=windows-1252");
    ASSERT_NE(declaration, std::string::npos);
    EXPECT_LT(declaration, accent);
    if (!doc.writesRtf()) {
      EXPECT_LT(declaration, text.find("</head>"));
      EXPECT_EQ(unbalanced(text), "");
    }
  }
}

// ------------------------------------------------------------ viewer

TEST(ResultPolygo, ShowsTheReportAndSavesAWordCopy) {
  htmlDocument doc = tinyDocument();
  ASSERT_TRUE(doc.write());
  const std::string shown = doc.path();
  TempDir dir;
  const std::string target = dir.file("resultats");  // the dialog adds ".doc"

  Session s("press Sauvegarder\n" + target + "\npress Fermer\nrest\n");
  resultPolygo viewer(doc);
  EXPECT_EQ(viewer.doModal(), host::ui::IDCANCEL);
  EXPECT_EQ(s.rest(), "rest\n");

  const std::string out = s.out();
  EXPECT_TRUE(contains(out, "Rapport : " + shown + "\n")) << out;
  EXPECT_TRUE(contains(out, "Résultats des calculs")) << out;
  EXPECT_TRUE(contains(out, "Fichier Word (.DOC)")) << "the save dialog's filters: " << out;
  EXPECT_TRUE(contains(out, "Le fichier " + target + ".doc a été crée ! \n")) << out;

  htmlDocument word = doc;
  word.setPath(target + ".doc", htmlDocument::Word);
  EXPECT_TRUE(word.writesRtf());
  EXPECT_EQ(readFile(target + ".doc"), word.contents());
  EXPECT_EQ(readFile(target + ".doc").rfind("{\\rtf1\\ansi\\ansicpg1252", 0), 0u) << "a .doc is Rich Text";
  EXPECT_TRUE(contains(readFile(target + ".doc"), "R\\'e9sultats"));
  // The shown document is left as it was.
  EXPECT_EQ(doc.path(), shown);
  EXPECT_EQ(doc.kind(), htmlDocument::Html);
  EXPECT_TRUE(doc.temporary());
  removeTemporary(shown);
}

TEST(ResultPolygo, HtmlExtensionStillGetsTheWordForm) {
  htmlDocument doc = tinyDocument();
  TempDir dir;
  const std::string target = dir.file("resultats.html");
  Session s(target + "\n");
  resultPolygo viewer(doc);
  EXPECT_TRUE(viewer.sauvegarder());
  EXPECT_EQ(readFile(target).rfind("<html xmlns:o=", 0), 0u);
}

TEST(ResultPolygo, CancelledOrFailedSaveWritesNothingAndSaysSo) {
  htmlDocument doc = tinyDocument();
  TempDir dir;
  {
    Session s("press Sauvegarder\n\npress Fermer\n");  // an empty answer cancels the file dialog
    resultPolygo viewer(doc);
    viewer.doModal();
    EXPECT_FALSE(contains(s.out(), "a été crée")) << s.out();
    EXPECT_EQ(dir.count(), 0u);
  }
  if (fs::is_directory("/proc")) {
    // A folder that exists but where no file can be created, even as root.
    Session s("/proc/rapport_geltaro.doc\n");
    resultPolygo viewer(doc);
    EXPECT_FALSE(viewer.sauvegarder());
    EXPECT_FALSE(contains(s.out(), "a été crée")) << "no success reported for a file that was not written";
    EXPECT_TRUE(contains(s.out(), "[Erreur] (erreur) Impossible de créer le fichier /proc/rapport_geltaro.doc !"))
        << s.out();
  }
}

TEST(ResultPolygo, AfficherRapportWritesThenShows) {
  htmlDocument doc = tinyDocument();
  Session s("press Fermer\n");
  afficherRapport(doc);
  ASSERT_FALSE(doc.path().empty());
  EXPECT_TRUE(fs::exists(doc.path()));
  EXPECT_TRUE(contains(s.out(), "Rapport : " + doc.path())) << s.out();
  removeTemporary(doc.path());
}

}  // namespace
