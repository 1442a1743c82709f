// Texts of a plot: the font's metrics, the control codes of single-line
// texts and the formatting of multiline texts, laid out in lines of runs.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include <cairo.h>

namespace host::plot {

// DejaVu Sans through fontconfig, measured once per character. Advances are
// in em units (the font size); a text's height is its capitals' height, so a
// text of height h is set at h / capHeight().
class FontMetrics {
 public:
  explicit FontMetrics(cairo_t* cr);
  ~FontMetrics();
  FontMetrics(const FontMetrics&) = delete;
  FontMetrics& operator=(const FontMetrics&) = delete;

  double capHeight() const { return capHeight_; }
  double descent() const { return descent_; }
  double advance(char32_t c);
  double advance(const std::u32string& text);
  // Shows the text at the origin of the current matrix, with the font at size 1.
  void show(cairo_t* cr, const std::u32string& text);

  // Texts gathered to be shown in one operation: glyphs at positions of
  // one matrix, with their characters.
  struct Batch {
    std::vector<cairo_glyph_t> glyphs;
    std::vector<cairo_text_cluster_t> clusters;
    std::string utf8;
    bool empty() const { return glyphs.empty(); }
    void clear() { glyphs.clear(), clusters.clear(), utf8.clear(); }
  };
  // Adds the text to the batch, its start at (x, y) of the batch's matrix.
  void append(Batch& batch, const std::u32string& text, double x, double y);
  // Shows the batch under the current matrix, with the font at size 1.
  void show(cairo_t* cr, const Batch& batch);

 private:
  struct Glyph {
    unsigned long index = 0;
    double advance = 0;
  };
  const Glyph& glyph(char32_t c);
  cairo_font_face_t* face_ = nullptr;
  cairo_scaled_font_t* unit_ = nullptr;
  double capHeight_ = 0.73, descent_ = 0.24;
  std::unordered_map<char32_t, Glyph> glyphs_;
};

// The text of a single-line text with its control codes read: %%d degree,
// %%p plus-minus, %%c diameter, %%% percent, %%nnn a character by number;
// the over- and underline switches (%%o, %%u) are dropped.
std::u32string decodeTextCodes(const std::wstring& text);

struct MTextRun {
  std::u32string text;
  double height = 0;  // capital height in drawing units
  int colour = -1;    // colour index from \C, -1 the entity's
  double width = 0;   // drawing units
};
struct MTextLine {
  std::vector<MTextRun> runs;
  double width = 0;
  double height = 0;  // the tallest run's
};
struct MTextLayout {
  std::vector<MTextLine> lines;
  double width = 0;  // the widest line
};

// Lines of a multiline text: \P and \N break lines, {} group, \H sets the
// height (x: relative), \C the colour, \S stacks (drawn "a/b"), \~ is a
// non-breaking space, \\ \{ \} are literal; codes with a value up to ';'
// (\f \F \A \Q \W \T \p \c) and the switches (\L \l \O \o \K \k) are read
// and not drawn. A positive width wraps lines at spaces.
MTextLayout layoutMText(const std::wstring& contents, double height, double width, FontMetrics& font);

}  // namespace host::plot
