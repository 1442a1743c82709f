// The document model of the computation reports: typed colours, sizes and
// border styles, a CSS declaration block, paragraphs, tables being built,
// and a document (style sheet + body fragments) written to a file as plain
// HTML or as HTML that a word processor opens in print layout.
//
// All markup is 8-bit Windows-1252 text, and every document says so in its
// head (a browser or word processor guessing UTF-8 would swallow the
// accents with their neighbours). A narrow std::string given to this model
// is taken as Windows-1252 bytes and copied as is; accented French text
// should come as std::wstring, which is converted with host::toAnsi
// (characters the code page lacks become '?'). Texts and attribute strings
// are markup: nothing is escaped, so a cell may hold "&nbsp" or a
// paragraph's text form; text from outside (point or station names) goes
// through texteHtml first.
//
// The Word-compatible kind written to a ".doc" file is Rich Text instead
// (report/rtf.hpp): word processors read RTF whatever the extension, while
// HTML named ".doc" opens as source text in some of them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// ------------------------------------------------------------ colours

// Red, green and blue bytes; black after construction.
class htmlColor {
 public:
  // The 140 colour names of the HTML/CSS standard in alphabetical order; the
  // value is the index of the colour in the table of standard colours.
  enum Name : int {
    AliceBlue, AntiqueWhite, Aqua, Aquamarine, Azure, Beige, Bisque, Black, BlanchedAlmond, Blue,
    BlueViolet, Brown, BurlyWood, CadetBlue, Chartreuse, Chocolate, Coral, CornflowerBlue, Cornsilk, Crimson,
    Cyan, DarkBlue, DarkCyan, DarkGoldenRod, DarkGray, DarkGreen, DarkKhaki, DarkMagenta, DarkOliveGreen,
    DarkOrange, DarkOrchid, DarkRed, DarkSalmon, DarkSeaGreen, DarkSlateBlue, DarkSlateGray, DarkTurquoise,
    DarkViolet, DeepPink, DeepSkyBlue, DimGray, DodgerBlue, FireBrick, FloralWhite, ForestGreen, Fuchsia,
    Gainsboro, GhostWhite, Gold, GoldenRod, Gray, Green, GreenYellow, HoneyDew, HotPink, IndianRed, Indigo,
    Ivory, Khaki, Lavender, LavenderBlush, LawnGreen, LemonChiffon, LightBlue, LightCoral, LightCyan,
    LightGoldenRodYellow, LightGray, LightGreen, LightPink, LightSalmon, LightSeaGreen, LightSkyBlue,
    LightSlateGray, LightSteelBlue, LightYellow, Lime, LimeGreen, Linen, Magenta, Maroon, MediumAquaMarine,
    MediumBlue, MediumOrchid, MediumPurple, MediumSeaGreen, MediumSlateBlue, MediumSpringGreen,
    MediumTurquoise, MediumVioletRed, MidnightBlue, MintCream, MistyRose, Moccasin, NavajoWhite, Navy,
    OldLace, Olive, OliveDrab, Orange, OrangeRed, Orchid, PaleGoldenRod, PaleGreen, PaleTurquoise,
    PaleVioletRed, PapayaWhip, PeachPuff, Peru, Pink, Plum, PowderBlue, Purple, Red, RosyBrown, RoyalBlue,
    SaddleBrown, Salmon, SandyBrown, SeaGreen, SeaShell, Sienna, Silver, SkyBlue, SlateBlue, SlateGray, Snow,
    SpringGreen, SteelBlue, Tan, Teal, Thistle, Tomato, Turquoise, Violet, Wheat, White, WhiteSmoke, Yellow,
    YellowGreen,
    kNamedColors  // how many
  };

  htmlColor() = default;
  htmlColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) : r_(red), g_(green), b_(blue) {}
  // A standard colour; an index outside the table gives black.
  static htmlColor named(int index);
  // The name of a standard colour ("AliceBlue"), or nullptr outside the table.
  static const char* name(int index);

  void set(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
  // A standard colour by its index (htmlColor::Name); an index that is not in
  // the table leaves the colour unchanged and returns false.
  bool setNamed(int index);

  std::uint8_t red() const { return r_; }
  std::uint8_t green() const { return g_; }
  std::uint8_t blue() const { return b_; }
  // "rgb(239,239,239)".
  std::string str() const;

  bool operator==(const htmlColor&) const = default;

 private:
  std::uint8_t r_ = 0, g_ = 0, b_ = 0;
};

// ------------------------------------------------------------ sizes

// A length of the style sheet: a value and a unit.
class htmlSize {
 public:
  enum Unit : int { Percent = 0, Pt = 1, Mm = 2, Cm = 3, Pc = 4, In = 5, Px = 6 };

  htmlSize() = default;
  htmlSize(double value, int unit) : value_(value), unit_(unit) {}

  void set(double value, int unit) {
    value_ = value;
    unit_ = unit;
  }
  double value() const { return value_; }
  int unit() const { return unit_; }
  // A whole value as an integer followed by the unit ("10pt", "50%");
  // otherwise two decimals, percent after a blank ("12.50 %", "2.25mm").
  // An unknown unit writes the number alone.
  std::string str() const;

 private:
  double value_ = 0.0;
  int unit_ = Pt;
};

// ------------------------------------------------------------ border styles

// One byte; the values without a keyword write "none".
class htmlBorderStyle {
 public:
  enum : std::uint8_t { None = 0, Dotted = 2, Dashed = 3, Solid = 4, Double = 5, Groove = 6, Ridge = 7, Inset = 8, Outset = 9 };

  htmlBorderStyle() = default;
  htmlBorderStyle(std::uint8_t value) : value_(value) {}  // NOLINT: a style is its byte
  std::uint8_t value() const { return value_; }
  // "solid", "dotted", ..., or "none".
  std::string str() const;

 private:
  std::uint8_t value_ = None;
};

// ------------------------------------------------------------ style

// A CSS declaration block. Every property has a presence flag; only the
// properties set are written, in a fixed order. Setting a property keeps
// the others, so one object can be refined from class to class.
class htmlStyle {
 public:
  // Sides of margins, paddings and borders, in the order they are written.
  enum Side : int { Left = 0, Right = 1, Top = 2, Bottom = 3 };
  // Bits of the text decoration.
  enum : int { Underline = 1, Overline = 2, LineThrough = 4, Blink = 8 };
  // Text alignments; any other value writes "justify".
  enum : int { AlignLeft = 1, AlignRight = 2, AlignCenter = 4, AlignJustify = 0 };

  // The family (Windows-1252) and an optional fallback family (empty: none).
  // Family names are written quoted; a generic family of CSS (serif,
  // sans-serif, monospace, cursive, fantasy) is a keyword and is written
  // bare, as a quoted one would name a font called "serif".
  void setFontFamily(const std::string& family, const std::string& fallback = {});
  void setFontSize(const htmlSize& size);
  void setItalic(bool on);
  void setBold(bool on);
  // A set of Underline, Overline, LineThrough, Blink; 0 writes "none".
  void setTextDecoration(int bits);
  void setColor(const htmlColor& color);
  void setBackgroundColor(const htmlColor& color);
  void setTextAlign(int align);
  void setTextIndent(const htmlSize& size);
  void setLineHeight(const htmlSize& size);
  void setLetterSpacing(const htmlSize& size);

  // One side, or the four sides at once.
  void setMargin(Side side, const htmlSize& size);
  void setMargin(const htmlSize& size);
  void setPadding(Side side, const htmlSize& size);
  void setPadding(const htmlSize& size);
  void setBorderWidth(Side side, const htmlSize& size);
  void setBorderWidth(const htmlSize& size);
  void setBorderStyle(Side side, htmlBorderStyle style);
  void setBorderStyle(htmlBorderStyle style);
  void setBorderColor(Side side, const htmlColor& color);
  void setBorderColor(const htmlColor& color);

  // The declarations, without braces. The font-family part comes first and
  // starts with a blank; when no family is set it is a lone ";", so a fresh
  // style writes ";". Borders whose four sides have the same width, style
  // and colour are written as one "border:1px solid rgb(0,0,0);".
  std::string str() const;

 private:
  template <class T>
  struct Property {
    bool set = false;
    T value{};
    void operator=(const T& v) {
      set = true;
      value = v;
    }
  };
  template <class T>
  using Sides = Property<T>[4];

  Property<std::string> fontFamily_;
  std::string fallbackFamily_;  // belongs to the font family
  Property<htmlSize> fontSize_;
  Property<bool> italic_, bold_;
  Property<int> decoration_;
  Property<htmlColor> color_, backgroundColor_;
  Property<int> textAlign_;
  Property<htmlSize> textIndent_, lineHeight_, letterSpacing_;
  Sides<htmlSize> margin_, padding_, borderWidth_;
  Sides<htmlBorderStyle> borderStyle_;
  Sides<htmlColor> borderColor_;
};

// ------------------------------------------------------------ paragraphs

// A paragraph ("<P attributes>text</P>") or a list item ("<LI ...>").
class htmlText {
 public:
  enum Kind : int { ListItem = 0, Paragraph = 1 };

  htmlText() = default;
  htmlText(std::string text, std::string attributes = {}, int kind = Paragraph)
      : text_(std::move(text)), attributes_(std::move(attributes)), kind_(kind) {}
  htmlText(const std::wstring& text, std::string attributes = {}, int kind = Paragraph);

  void setText(std::string text) { text_ = std::move(text); }
  void setText(const std::wstring& text);
  void setAttributes(std::string attributes) { attributes_ = std::move(attributes); }
  // ListItem or Paragraph; any other kind is written as a paragraph.
  void setKind(int kind) { kind_ = kind; }

  const std::string& text() const { return text_; }
  const std::string& attributes() const { return attributes_; }
  int kind() const { return kind_; }
  // "<P class=titre>Résultats</P>" (the attribute string follows "P " even
  // when empty: "<P >").
  std::string str() const;

 private:
  std::string text_, attributes_;
  int kind_ = Paragraph;
};

// ------------------------------------------------------------ tables

// One table being built, row by row. Attribute strings go into the tags as
// given ("<tr attributes>", "<td attributes>").
class htmlTable {
 public:
  enum Alignment : int { Left = 0, Right = 1, Center = 2 };

  // Left, Right or Center; any other value is ignored. Written as the
  // table's align attribute, which word processors follow, and as the auto
  // side margins that centre or push a table in CSS.
  void setAlignment(int alignment);
  // Written as border="n", cellpadding="n" and cellspacing ="n"; a negative
  // value is ignored (the attribute keeps its previous state).
  void setBorder(int width);
  void setCellPadding(int padding);
  void setCellSpacing(int spacing);

  // Closes a row still open, then opens "<tr attributes>".
  void newRow(const std::string& attributes = {});
  // "<td attributes>text</td>".
  void addCell(const std::string& text, const std::string& attributes = {});
  void addCell(const std::wstring& text, const std::string& attributes = {});
  // The value with `decimals` decimals (texteNombre).
  void addNumber(double value, int decimals, const std::string& attributes = {});
  // The value with "%d".
  void addInteger(int value, const std::string& attributes = {});
  // Appends "</tr>" and marks no row open.
  void endRow();
  // Empties the body (a row that was open is gone with it); the opening
  // tag's settings stay.
  void clear();

  bool rowOpen() const { return rowOpen_; }
  const std::string& body() const { return body_; }
  // Closes a row still open, then the whole table: the opening tag with
  // the settings given (then ">\n"), the body and "</table>".
  std::string str();

 private:
  std::string openingTag() const;
  int alignment_ = Left;
  bool hasAlignment_ = false;
  int border_ = 0, cellPadding_ = 0, cellSpacing_ = 0;
  bool hasBorder_ = false, hasCellPadding_ = false, hasCellSpacing_ = false;
  bool rowOpen_ = false;
  std::string body_;
};

// ------------------------------------------------------------ document

// A report: a style sheet (class names and declaration blocks), extra head
// lines and body fragments, written as plain HTML or as Word-compatible
// HTML. A new document is written to a temporary file until it is given a
// path of its own.
class htmlDocument {
 public:
  enum Kind : int { Html = 0, Word = 1 };
  // The colours of the body tag.
  enum ColorRole : int { Background = 0, Text = 1, ActiveLink = 2, VisitedLink = 3, Link = 4 };

  // Plain kind, temporary file, colours White, Black, Red, Purple, Blue.
  htmlDocument();

  // Stores the style's text form under the class name; "." is put before a
  // name that does not start with one ("titre" → ".titre").
  void addStyle(const std::string& className, const htmlStyle& style);
  // A line of the head, written before the style sheet.
  void addHeadLine(const std::string& line);
  // A body fragment: any markup (a paragraph's or a table's text form, "<br>").
  void addBody(const std::string& fragment);
  void addBody(const std::wstring& fragment);
  void addBody(const htmlText& text) { addBody(text.str()); }
  // Closes the table's open row (see htmlTable::str) and adds the table.
  void addBody(htmlTable& table) { addBody(table.str()); }

  // Where to write and how; the document no longer goes to a temporary file.
  void setPath(const std::string& path, int kind);
  // Empties the four lists and the path; kind, colours and the temporary
  // flag stay.
  void clear();

  void setColor(ColorRole role, const htmlColor& color);
  const htmlColor& color(ColorRole role) const;

  int kind() const { return kind_; }
  const std::string& path() const { return path_; }
  bool temporary() const { return temporary_; }
  const std::vector<std::string>& styleNames() const { return styleNames_; }
  const std::vector<std::string>& styleBlocks() const { return styleBlocks_; }
  const std::vector<std::string>& headLines() const { return headLines_; }
  const std::vector<std::string>& bodyFragments() const { return body_; }

  // The document as HTML, for the current kind. The head declares the
  // character set; a report whose widest table cannot keep its numbers on
  // one line across a portrait page asks for a landscape page.
  std::string markup() const;
  // Whether write() gives Rich Text: the Word-compatible kind going to a
  // path that ends with ".doc" in any case.
  bool writesRtf() const;
  // What write() puts in the file: rtfDocument(*this) or markup().
  std::string contents() const;

  // Writes the document. With the temporary flag set, or without a path, a
  // new temporary file "_TPxxxxxx.html" is created in the system's
  // temporary folder and the path becomes its name. Then the file at the
  // path is created or truncated and receives contents(). False, and
  // nothing written, when no file could be created (or the writing failed);
  // no message is given.
  bool write();

 private:
  int kind_ = Html;
  htmlColor colors_[5];
  std::string path_;
  bool temporary_ = true;
  std::vector<std::string> styleNames_, styleBlocks_, headLines_, body_;
};

// A new temporary path for a report: the system's temporary folder, a
// unique name starting with "_TP" and ending with ".html" (the file is
// created, empty, to reserve the name; the report then fills it). Empty
// when no file could be created there.
std::string cheminRapportTemporaire();

// "%.nf" of the value (a negative count of decimals counts as 0), without
// the sign of a value that rounds to zero: -0.00001 gives "0.0000", never
// "-0.0000".
std::string texteNombre(double value, int decimals);

// Text from outside (a point or station name, Windows-1252) as markup: "&",
// "<" and ">" become entities, so the text neither vanishes nor breaks the
// table it is in.
std::string texteHtml(std::string_view text);
