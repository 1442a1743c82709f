#include "host/plot/text_layout.hpp"

#include <cairo.h>

#include <cmath>
#include <cwctype>
#include <string>

namespace host::plot {

namespace {

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) out += char(c);
  else if (c < 0x800) out += char(0xC0 | (c >> 6)), out += char(0x80 | (c & 0x3F));
  else if (c < 0x10000)
    out += char(0xE0 | (c >> 12)), out += char(0x80 | ((c >> 6) & 0x3F)), out += char(0x80 | (c & 0x3F));
  else
    out += char(0xF0 | (c >> 18)), out += char(0x80 | ((c >> 12) & 0x3F)), out += char(0x80 | ((c >> 6) & 0x3F)),
        out += char(0x80 | (c & 0x3F));
}

char32_t sane(wchar_t c) {
  char32_t u = char32_t(c);
  if (u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF)) return U'\uFFFD';
  if (u < 0x20 || u == 0x7F) return U' ';
  return u;
}

}  // namespace

FontMetrics::FontMetrics(cairo_t* cr) {
  face_ = cairo_toy_font_face_create("DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  // Metrics unhinted, so that positions scale with the text.
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  if (cr) cairo_set_font_options(cr, options);
  cairo_matrix_t size, identity;
  cairo_matrix_init_scale(&size, 1000, 1000);
  cairo_matrix_init_identity(&identity);
  unit_ = cairo_scaled_font_create(face_, &size, &identity, options);
  cairo_font_options_destroy(options);
  if (cairo_scaled_font_status(unit_) == CAIRO_STATUS_SUCCESS) {
    cairo_text_extents_t e;
    cairo_scaled_font_text_extents(unit_, "H", &e);
    if (e.height > 0) capHeight_ = e.height / 1000.0;
    cairo_font_extents_t fe;
    cairo_scaled_font_extents(unit_, &fe);
    if (fe.descent > 0) descent_ = fe.descent / 1000.0;
  }
}

FontMetrics::~FontMetrics() {
  if (unit_) cairo_scaled_font_destroy(unit_);
  if (face_) cairo_font_face_destroy(face_);
}

const FontMetrics::Glyph& FontMetrics::glyph(char32_t c) {
  auto it = glyphs_.find(c);
  if (it != glyphs_.end()) return it->second;
  Glyph g;
  std::string utf8;
  appendUtf8(utf8, c);
  cairo_glyph_t* glyphs = nullptr;
  int count = 0;
  if (cairo_scaled_font_text_to_glyphs(unit_, 0, 0, utf8.data(), int(utf8.size()), &glyphs, &count, nullptr,
                                       nullptr, nullptr) == CAIRO_STATUS_SUCCESS &&
      count >= 1) {
    g.index = glyphs[0].index;
    cairo_text_extents_t e;
    cairo_scaled_font_glyph_extents(unit_, glyphs, 1, &e);
    g.advance = e.x_advance / 1000.0;
  }
  if (glyphs) cairo_glyph_free(glyphs);
  return glyphs_.emplace(c, g).first->second;
}

double FontMetrics::advance(char32_t c) { return glyph(c).advance; }

double FontMetrics::advance(const std::u32string& text) {
  double w = 0;
  for (char32_t c : text) w += glyph(c).advance;
  return w;
}

void FontMetrics::show(cairo_t* cr, const std::u32string& text) {
  // The glyphs with their characters, so that the text can be found and
  // copied in a PDF.
  thread_local std::vector<cairo_glyph_t> glyphs;
  thread_local std::vector<cairo_text_cluster_t> clusters;
  thread_local std::string utf8;
  glyphs.clear(), clusters.clear(), utf8.clear();
  double x = 0;
  for (char32_t c : text) {
    const Glyph& g = glyph(c);
    size_t before = utf8.size();
    appendUtf8(utf8, c);
    glyphs.push_back({g.index, x, 0});
    clusters.push_back({int(utf8.size() - before), 1});
    x += g.advance;
  }
  cairo_set_font_face(cr, face_);
  cairo_set_font_size(cr, 1);
  cairo_show_text_glyphs(cr, utf8.data(), int(utf8.size()), glyphs.data(), int(glyphs.size()), clusters.data(),
                         int(clusters.size()), cairo_text_cluster_flags_t(0));
}

void FontMetrics::append(Batch& batch, const std::u32string& text, double x, double y) {
  for (char32_t c : text) {
    const Glyph& g = glyph(c);
    size_t before = batch.utf8.size();
    appendUtf8(batch.utf8, c);
    batch.glyphs.push_back({g.index, x, y});
    batch.clusters.push_back({int(batch.utf8.size() - before), 1});
    x += g.advance;
  }
}

void FontMetrics::show(cairo_t* cr, const Batch& batch) {
  if (batch.empty()) return;
  cairo_set_font_face(cr, face_);
  cairo_set_font_size(cr, 1);
  cairo_show_text_glyphs(cr, batch.utf8.data(), int(batch.utf8.size()), batch.glyphs.data(), int(batch.glyphs.size()),
                         batch.clusters.data(), int(batch.clusters.size()), cairo_text_cluster_flags_t(0));
}

std::u32string decodeTextCodes(const std::wstring& text) {
  std::u32string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'%' && i + 2 < text.size() && text[i + 1] == L'%') {
      wchar_t k = wchar_t(std::towlower(text[i + 2]));
      if (k == L'd') out += U'\u00B0', i += 2;
      else if (k == L'p') out += U'\u00B1', i += 2;
      else if (k == L'c') out += U'\u2300', i += 2;
      else if (k == L'%') out += U'%', i += 2;
      else if (k == L'o' || k == L'u' || k == L'k') i += 2;
      else if (std::iswdigit(k)) {
        size_t j = i + 2;
        unsigned v = 0;
        while (j < text.size() && j < i + 5 && std::iswdigit(text[j])) v = v * 10 + unsigned(text[j++] - L'0');
        out += sane(wchar_t(v));
        i = j - 1;
      } else out += U'%';
      continue;
    }
    out += sane(text[i]);
  }
  return out;
}

MTextLayout layoutMText(const std::wstring& s, double height, double width, FontMetrics& font) {
  struct State {
    double height;
    int colour;
  };
  std::vector<State> stack{{height, -1}};
  MTextLayout layout;
  layout.lines.emplace_back();
  auto newLine = [&] { layout.lines.emplace_back(); };
  auto put = [&](char32_t c) {
    MTextLine& line = layout.lines.back();
    const State& st = stack.back();
    if (line.runs.empty() || line.runs.back().height != st.height || line.runs.back().colour != st.colour)
      line.runs.push_back({{}, st.height, st.colour, 0});
    line.runs.back().text += c;
  };
  // The value of a code up to its ';'.
  auto value = [&](size_t& i) {
    std::wstring v;
    while (i < s.size() && s[i] != L';') v += s[i++];
    return v;
  };
  for (size_t i = 0; i < s.size(); ++i) {
    wchar_t c = s[i];
    if (c == L'{') {
      stack.push_back(stack.back());
      continue;
    }
    if (c == L'}') {
      if (stack.size() > 1) stack.pop_back();
      continue;
    }
    if (c == L'\n') {
      newLine();
      continue;
    }
    if (c == L'%' && i + 2 < s.size() && s[i + 1] == L'%') {
      size_t j = i + 3;
      while (j < s.size() && j < i + 6 && std::iswdigit(s[j])) ++j;
      for (char32_t d : decodeTextCodes(s.substr(i, std::iswdigit(s[i + 2]) ? j - i : 3))) put(d);
      i = (std::iswdigit(s[i + 2]) ? j : i + 3) - 1;
      continue;
    }
    if (c != L'\\' || i + 1 >= s.size()) {
      put(sane(c));
      continue;
    }
    wchar_t k = s[++i];
    switch (k) {
      case L'P': case L'N': newLine(); break;
      case L'~': put(U'\u00A0'); break;
      case L'\\': case L'{': case L'}': put(char32_t(k)); break;
      case L'H': {
        ++i;
        std::wstring v = value(i);
        bool relative = !v.empty() && (v.back() == L'x' || v.back() == L'X');
        if (relative) v.pop_back();
        double h = 0;
        try {
          h = std::stod(v);
        } catch (...) {
          h = 0;
        }
        if (h > 0 && std::isfinite(h) && h < 1e6) stack.back().height = relative ? stack.back().height * h : h;
        break;
      }
      case L'C': {
        ++i;
        std::wstring v = value(i);
        int colour = -1;
        try {
          colour = std::stoi(v);
        } catch (...) {
          colour = -1;
        }
        stack.back().colour = (colour >= 1 && colour <= 255) ? colour : -1;
        break;
      }
      case L'S': {
        ++i;
        std::wstring v = value(i);
        for (wchar_t& ch : v)
          if (ch == L'^' || ch == L'#') ch = L'/';
        for (wchar_t ch : v) put(sane(ch));
        break;
      }
      case L'f': case L'F': case L'A': case L'Q': case L'W': case L'T': case L'p': case L'c':
        ++i;
        value(i);
        break;
      default: break;  // \L \l \O \o \K \k and unknown switches
    }
  }
  // Widths, and the wrapping of lines longer than the text's width at spaces.
  auto measure = [&](MTextRun& r) {
    r.width = font.advance(r.text) * r.height / font.capHeight();
  };
  std::vector<MTextLine> out;
  for (MTextLine& line : layout.lines) {
    MTextLine cur;
    auto flush = [&] {
      cur.width = 0;
      cur.height = 0;
      for (MTextRun& r : cur.runs) {
        measure(r);
        cur.width += r.width;
        cur.height = std::max(cur.height, r.height);
      }
      if (cur.height == 0) cur.height = height;
      out.push_back(std::move(cur));
      cur = MTextLine();
    };
    double x = 0;
    for (MTextRun& run : line.runs) {
      if (!(width > 0)) {
        cur.runs.push_back(run);
        continue;
      }
      // Word by word: a word that overflows the width starts a new line.
      const double em = run.height / font.capHeight();
      size_t start = 0;
      while (start < run.text.size()) {
        size_t end = run.text.find(U' ', start);
        end = end == std::u32string::npos ? run.text.size() : end + 1;
        std::u32string word = run.text.substr(start, end - start);
        double w = font.advance(word) * em;
        std::u32string trimmed = word;
        while (!trimmed.empty() && trimmed.back() == U' ') trimmed.pop_back();
        double wt = font.advance(trimmed) * em;
        if (x > 0 && x + wt > width * 1.0001) {
          if (!cur.runs.empty()) {
            auto& t = cur.runs.back().text;
            while (!t.empty() && t.back() == U' ') t.pop_back();
          }
          flush();
          x = 0;
        }
        if (cur.runs.empty() || cur.runs.back().height != run.height || cur.runs.back().colour != run.colour)
          cur.runs.push_back({{}, run.height, run.colour, 0});
        cur.runs.back().text += word;
        x += w;
        start = end;
      }
    }
    flush();
  }
  layout.lines = std::move(out);
  for (const MTextLine& l : layout.lines) layout.width = std::max(layout.width, l.width);
  return layout;
}

}  // namespace host::plot
