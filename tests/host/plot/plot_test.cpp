// Plots read back: texts of a PDF where the scale puts them (pdftotext),
// a PNG's pixels along the lines drawn and nowhere outside the window,
// colours and layers, errors, and the DXF corpus plotted without a crash.
#include <gtest/gtest.h>

#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "host/db/entities.hpp"
#include "host/plot/plot.hpp"
#include "host/plot/text_layout.hpp"

namespace fs = std::filesystem;
using namespace host::plot;

namespace {

fs::path scratch(const std::string& name) {
  fs::path dir = fs::temp_directory_path() / ("geltaro_plot_test_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  return dir / name;
}

// A drawing from DXF groups given as "code\nvalue" lines, entities only.
std::unique_ptr<ZcDbDatabase> drawing(const std::string& tables, const std::string& entities,
                                      const std::string& blocks = {}) {
  std::string dxf = "0\nSECTION\n2\nTABLES\n" + tables + "0\nENDSEC\n";
  if (!blocks.empty()) dxf += "0\nSECTION\n2\nBLOCKS\n" + blocks + "0\nENDSEC\n";
  dxf += "0\nSECTION\n2\nENTITIES\n" + entities + "0\nENDSEC\n0\nEOF\n";
  fs::path p = scratch("in.dxf");
  std::ofstream(p, std::ios::binary | std::ios::trunc) << dxf;
  auto db = std::make_unique<ZcDbDatabase>(false);
  EXPECT_EQ(db->readDwgFile(p.string()), Zcad::eOk) << db->lastError();
  return db;
}

std::string layer(const std::string& name, int colour, int flags = 0) {
  return "0\nLAYER\n2\n" + name + "\n70\n" + std::to_string(flags) + "\n62\n" + std::to_string(colour) +
         "\n6\nCONTINUOUS\n";
}
std::string layerTable(const std::string& records) { return "0\nTABLE\n2\nLAYER\n" + records + "0\nENDTAB\n"; }

std::string line(const std::string& lay, double x1, double y1, double x2, double y2, int colour = 256) {
  std::ostringstream o;
  o << "0\nLINE\n8\n" << lay << "\n62\n" << colour << "\n370\n50\n10\n" << x1 << "\n20\n" << y1 << "\n30\n0\n11\n" << x2
    << "\n21\n" << y2 << "\n31\n0\n";
  return o.str();
}

std::string text(const std::string& s, double x, double y, double h, int halign = 0, int valign = 0) {
  std::ostringstream o;
  o << "0\nTEXT\n8\n0\n10\n" << x << "\n20\n" << y << "\n30\n0\n40\n" << h << "\n1\n" << s << "\n";
  if (halign || valign) o << "72\n" << halign << "\n11\n" << x << "\n21\n" << y << "\n31\n0\n73\n" << valign << "\n";
  return o.str();
}

ZcDbExtents window(double x0, double y0, double x1, double y1) {
  return ZcDbExtents(ZcGePoint3d(x0, y0, 0), ZcGePoint3d(x1, y1, 0));
}

struct Word {
  std::string text;
  double x0, y0, x1, y1;  // mm from the page's top-left corner
};

std::vector<Word> pdfWords(const fs::path& pdf) {
  fs::path html = pdf;
  html.replace_extension(".html");
  std::string cmd = "pdftotext -bbox '" + pdf.string() + "' '" + html.string() + "' 2>/dev/null";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
  std::ifstream in(html);
  std::stringstream ss;
  ss << in.rdbuf();
  std::string s = ss.str();
  std::regex word(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
  std::vector<Word> out;
  const double mm = 25.4 / 72.0;
  for (auto it = std::sregex_iterator(s.begin(), s.end(), word); it != std::sregex_iterator(); ++it)
    out.push_back({(*it)[5], std::stod((*it)[1]) * mm, std::stod((*it)[2]) * mm, std::stod((*it)[3]) * mm,
                   std::stod((*it)[4]) * mm});
  return out;
}

struct Image {
  std::unique_ptr<cairo_surface_t, void (*)(cairo_surface_t*)> s{nullptr, cairo_surface_destroy};
  int w = 0, h = 0, stride = 0;
  unsigned char* data = nullptr;
  explicit Image(const fs::path& png) {
    s.reset(cairo_image_surface_create_from_png(png.c_str()));
    EXPECT_EQ(cairo_surface_status(s.get()), CAIRO_STATUS_SUCCESS);
    w = cairo_image_surface_get_width(s.get());
    h = cairo_image_surface_get_height(s.get());
    stride = cairo_image_surface_get_stride(s.get());
    data = cairo_image_surface_get_data(s.get());
  }
  // Red, green, blue of a pixel, 0..255.
  void rgb(int x, int y, int& r, int& g, int& b) const {
    uint32_t v = *reinterpret_cast<const uint32_t*>(data + y * stride + x * 4);
    r = int((v >> 16) & 255), g = int((v >> 8) & 255), b = int(v & 255);
  }
  bool white(int x, int y) const {
    int r, g, b;
    rgb(x, y, r, g, b);
    return r > 250 && g > 250 && b > 250;
  }
};

double distanceToSegment(double px, double py, double ax, double ay, double bx, double by) {
  double dx = bx - ax, dy = by - ay, t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy);
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

}  // namespace

// Texts at 1/500 on A3: each within 0.2 mm of where the scale puts it.
TEST(Plot, PdfTextsWhereTheScalePutsThem) {
  auto db = drawing(layerTable(layer("0", 7)),
                    text("NORD", 1000, 2000, 1.0) + text("Centre", 1040, 2030, 1.5, 1) +
                        text("Droite", 1080, 2010, 1.0, 2) + text("Haut", 1020, 2045, 2.0, 0, 3) +
                        text("Altitude%%d", 1060, 2050, 0.5) +
                        "0\nMTEXT\n100\nAcDbEntity\n8\n0\n100\nAcDbMText\n10\n1010\n20\n2020\n30\n0\n40\n1.0\n71\n1\n1\nCoin\\Pdessous\n");
  Request req;
  req.window = window(950, 1950, 1150, 2100);
  req.scale = 500;
  isoPaper("A3", true, req.paper);
  req.output = scratch("texts.pdf").string();
  Result r = plot(*db, req);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_DOUBLE_EQ(r.scale, 500);
  std::map<std::string, Word> words;
  for (const Word& w : pdfWords(req.output)) words[w.text] = w;
  // The base line from pdftotext's box: the box runs from the font's
  // ascent above the base line to its descent below, in proportion.
  auto base = [](const Word& w) { return w.y1 - (w.y1 - w.y0) * 0.236 / (0.928 + 0.236); };
  struct Case {
    const char* word;
    double x, y;      // model point
    char anchor;      // l left, c centre, r right of the word's box
    double capShift;  // base line below the point, in text heights (top-aligned text)
    double height;
  };
  const Case cases[] = {{"NORD", 1000, 2000, 'l', 0, 1.0},      {"Centre", 1040, 2030, 'c', 0, 1.5},
                        {"Droite", 1080, 2010, 'r', 0, 1.0},    {"Haut", 1020, 2045, 'l', 1, 2.0},
                        {"Altitude°", 1060, 2050, 'l', 0, 0.5}, {"Coin", 1010, 2020, 'l', 1, 1.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word);
    ASSERT_TRUE(words.count(c.word));
    const Word& w = words[c.word];
    double px, py;
    r.toPaper(c.x, c.y, px, py);
    double x = c.anchor == 'l' ? w.x0 : c.anchor == 'r' ? w.x1 : (w.x0 + w.x1) / 2;
    EXPECT_NEAR(x, px, 0.2);
    EXPECT_NEAR(base(w), py + c.capShift * c.height * 2.0, 0.2);
  }
  // The second line of the multiline text: 5/3 of its height lower.
  ASSERT_TRUE(words.count("dessous"));
  double px, py;
  r.toPaper(1010, 2020 - 1.0 - 5.0 / 3.0, px, py);
  EXPECT_NEAR(words["dessous"].x0, px, 0.2);
  EXPECT_NEAR(base(words["dessous"]), py, 0.2);
}

// A line's pixels follow its path; nothing is drawn outside the window,
// even by entities that cross it.
TEST(Plot, PngLineAlongItsPathAndNothingOutsideTheWindow) {
  auto db = drawing(layerTable(layer("0", 7) + layer("ROUGE", 1)),
                    line("ROUGE", 10, 10, 90, 60) + line("0", -50, 65, 150, 65, 5) +
                        "0\nCIRCLE\n8\n0\n62\n3\n10\n100\n20\n70\n30\n0\n40\n25\n");
  Request req;
  req.window = window(0, 0, 100, 70);
  req.scale = 1000;  // 1 mm a metre
  req.format = Format::Png;
  req.dpi = 100;
  isoPaper("A4", true, req.paper);
  req.output = scratch("line.png").string();
  Result r = plot(*db, req);
  ASSERT_TRUE(r.ok) << r.error;
  Image img(req.output);
  ASSERT_EQ(img.w, int(std::ceil(297 / 25.4 * 100)));
  const double px = 100 / 25.4;  // pixels a millimetre
  double ax, ay, bx, by, wx0, wy0, wx1, wy1;
  r.toPaper(10, 10, ax, ay), r.toPaper(90, 60, bx, by);
  r.toPaper(0, 70, wx0, wy0), r.toPaper(100, 0, wx1, wy1);
  int red = 0, stray = 0, outside = 0;
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x) {
      if (img.white(x, y)) continue;
      double mx = (x + 0.5) / px, my = (y + 0.5) / px;
      if (mx < wx0 - 0.3 || mx > wx1 + 0.3 || my < wy0 - 0.3 || my > wy1 + 0.3) ++outside;
      int cr, cg, cb;
      img.rgb(x, y, cr, cg, cb);
      bool isRed = cr > 128 && cg < 128 && cb < 128;
      if (isRed) {
        ++red;
        if (distanceToSegment(mx, my, ax, ay, bx, by) > 0.5) ++stray;
      }
    }
  EXPECT_EQ(outside, 0);
  EXPECT_EQ(stray, 0);
  // Every step along the red line has its pixel.
  for (int i = 0; i <= 100; ++i) {
    double x = ax + (bx - ax) * i / 100, y = ay + (by - ay) * i / 100;
    int cr, cg, cb;
    img.rgb(int(x * px), int(y * px), cr, cg, cb);
    EXPECT_TRUE(cr > 128 && cg < 160 && cb < 160) << "step " << i << " " << cr << " " << cg << " " << cb;
  }
  EXPECT_GT(red, 80 * px);
}

// A sheet laid out at 30 degrees: the paper follows its axes, so a line
// along the sheet's first side runs level on the paper, where toPaper puts it.
TEST(Plot, TurnedWindowRunsAlongThePaper) {
  const double a = 30 * M_PI / 180, c = std::cos(a), s = std::sin(a);
  auto db = drawing(layerTable(layer("0", 7) + layer("ROUGE", 1)),
                    line("ROUGE", 10 * c, 10 * s, 90 * c, 90 * s));
  Request req;
  // The window in the sheet's own axes: 0..100 along, -20..20 across.
  req.window = window(0, -20, 100, 20);
  req.rotation = a;
  req.scale = 1000;
  req.format = Format::Png;
  req.dpi = 100;
  isoPaper("A4", true, req.paper);
  req.output = scratch("turned.png").string();
  Result r = plot(*db, req);
  ASSERT_TRUE(r.ok) << r.error;
  Image img(req.output);
  const double px = 100 / 25.4;
  double ax, ay, bx, by;
  r.toPaper(10 * c, 10 * s, ax, ay), r.toPaper(90 * c, 90 * s, bx, by);
  EXPECT_NEAR(ay, by, 1e-9) << "level on the paper";
  EXPECT_NEAR(bx - ax, 80, 1e-9);
  int red = 0, stray = 0;
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x) {
      int cr, cg, cb;
      img.rgb(x, y, cr, cg, cb);
      if (!(cr > 128 && cg < 128 && cb < 128)) continue;
      ++red;
      if (distanceToSegment((x + 0.5) / px, (y + 0.5) / px, ax, ay, bx, by) > 0.5) ++stray;
    }
  EXPECT_EQ(stray, 0);
  EXPECT_GT(red, 75 * px);
}

// Colours from the layer, the entity and the block; white drawn black;
// layers off or frozen not drawn; content not drawn counted.
TEST(Plot, ColoursLayersAndSkippedContent) {
  const std::string blocks =
      "0\nBLOCK\n8\n0\n2\nMARQUE\n70\n0\n10\n0\n20\n0\n30\n0\n" + line("0", 0, 0, 0, 8, 0) + "0\nENDBLK\n8\n0\n";
  auto db = drawing(layerTable(layer("0", 7) + layer("BLEU", 5) + layer("ETEINT", -1) + layer("GELE", 1, 1)),
                    line("BLEU", 5, 5, 5, 15) +              // by layer: blue
                        line("0", 15, 5, 15, 15) +           // layer 0 white: black
                        line("BLEU", 25, 5, 25, 15, 3) +     // its own colour: green
                        line("ETEINT", 35, 5, 35, 15, 1) +   // layer off
                        line("GELE", 45, 5, 45, 15, 1) +     // layer frozen
                        "0\nINSERT\n8\n0\n62\n6\n2\nMARQUE\n10\n55\n20\n6\n30\n0\n" +  // by block: magenta
                        "0\nRAY\n8\n0\n10\n0\n20\n0\n30\n0\n11\n1\n21\n0\n31\n0\n",
                    blocks);
  Request req;
  req.window = window(0, 0, 60, 20);
  req.scale = 500;
  req.format = Format::Png;
  req.dpi = 100;
  isoPaper("A4", true, req.paper);
  req.output = scratch("colours.png").string();
  Result r = plot(*db, req);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.skipped.at("RAY"), 1);
  EXPECT_EQ(skippedSummary(r), "1 RAY");
  Image img(req.output);
  const double px = 100 / 25.4;
  struct Case {
    double x;
    int r, g, b;  // expected colour; -1: nothing drawn
  };
  const Case cases[] = {{5, 0, 0, 255}, {15, 0, 0, 0}, {25, 0, 255, 0}, {35, -1, 0, 0}, {45, -1, 0, 0},
                        {55, 255, 0, 255}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.x);
    double mx, my;
    r.toPaper(c.x, 10, mx, my);
    int x = int(mx * px), y = int(my * px);
    // The darkest pixel across the line.
    int best = 1000, br = 255, bg = 255, bb = 255;
    for (int dx = -3; dx <= 3; ++dx) {
      int cr, cg, cb;
      img.rgb(x + dx, y, cr, cg, cb);
      if (cr + cg + cb < best) best = cr + cg + cb, br = cr, bg = cg, bb = cb;
    }
    if (c.r < 0) {
      EXPECT_GT(best, 750);
      continue;
    }
    EXPECT_NEAR(br, c.r, 60);
    EXPECT_NEAR(bg, c.g, 60);
    EXPECT_NEAR(bb, c.b, 60);
  }
}

TEST(Plot, ErrorsAreSaidAndNothingIsWritten) {
  auto db = drawing(layerTable(layer("0", 7)), line("0", 0, 0, 10, 10));
  Request req;
  req.window = window(0, 0, 10, 10);
  req.output = (scratch("absent") / "dossier" / "plan.pdf").string();
  Result r = plot(*db, req);
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.error.find("plan.pdf"), std::string::npos) << r.error;
  EXPECT_FALSE(fs::exists(req.output));

  req.window = ZcDbExtents();
  req.output = scratch("vide.pdf").string();
  r = plot(*db, req);
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.error.find("vide"), std::string::npos) << r.error;
  EXPECT_FALSE(fs::exists(req.output));

  // A window beside the drawing: nothing to put on paper, nothing written,
  // in every kind of output.
  for (const char* nom : {"a-cote.pdf", "a-cote.png", "a-cote.svg"}) {
    req.window = window(100, 100, 120, 120);
    req.output = scratch(nom).string();
    formatOfPath(req.output, req.format);
    r = plot(*db, req);
    EXPECT_FALSE(r.ok) << nom;
    EXPECT_NE(r.error.find("rien à tracer"), std::string::npos) << r.error;
    EXPECT_FALSE(fs::exists(req.output)) << nom;
  }

  // A drawing whose layers are all off has no extents to plot.
  auto off = drawing(layerTable(layer("0", 7) + layer("ETEINT", -1)), line("ETEINT", 0, 0, 10, 10));
  EXPECT_FALSE(visibleExtents(*off).isValid());
  EXPECT_TRUE(visibleExtents(*db).isValid());

  Format f;
  EXPECT_TRUE(formatOfPath("a/plan.PNG", f));
  EXPECT_EQ(f, Format::Png);
  EXPECT_FALSE(formatOfPath("plan.dxf", f));
  EXPECT_FALSE(formatOfPath("dossier.pdf/plan", f));
}

// A block that holds a reference to itself is drawn once, not forever.
TEST(Plot, SelfReferencingBlockEnds) {
  const std::string blocks = "0\nBLOCK\n8\n0\n2\nBOUCLE\n70\n0\n10\n0\n20\n0\n30\n0\n" + line("0", 0, 0, 1, 1) +
                             "0\nINSERT\n8\n0\n2\nBOUCLE\n10\n1\n20\n1\n30\n0\n0\nENDBLK\n8\n0\n";
  auto db = drawing(layerTable(layer("0", 7)), "0\nINSERT\n8\n0\n2\nBOUCLE\n10\n0\n20\n0\n30\n0\n", blocks);
  Request req;
  req.window = window(-5, -5, 5, 5);
  req.output = scratch("boucle.svg").string();
  req.format = Format::Svg;
  Result r = plot(*db, req);
  EXPECT_TRUE(r.ok) << r.error;
  EXPECT_LT(r.drawn, 100);
}

TEST(Plot, MultilineTextCodes) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 4, 4);
  cairo_t* cr = cairo_create(s);
  {
    FontMetrics font(cr);
    EXPECT_NEAR(font.capHeight(), 0.729, 0.01);  // DejaVu Sans
    MTextLayout l = layoutMText(L"{\\H2x;Grand}\\Pdeux\\~mots {\\C1;rouge}\\P\\S1/2;\\\\", 1.0, 0, font);
    ASSERT_EQ(l.lines.size(), 3u);
    EXPECT_EQ(l.lines[0].runs.size(), 1u);
    EXPECT_DOUBLE_EQ(l.lines[0].height, 2.0);
    ASSERT_EQ(l.lines[1].runs.size(), 2u);
    EXPECT_EQ(l.lines[1].runs[0].text, U"deux\u00A0mots ");
    EXPECT_EQ(l.lines[1].runs[1].colour, 1);
    EXPECT_EQ(l.lines[2].runs[0].text, U"1/2\\");
    // A width wraps at spaces, and no wrapped line is wider than it.
    MTextLayout w = layoutMText(L"un deux trois quatre cinq six", 1.0, 6.0, font);
    EXPECT_GT(w.lines.size(), 2u);
    for (const auto& line : w.lines) EXPECT_LE(line.width, 6.0 + 1e-9);
    EXPECT_EQ(decodeTextCodes(L"%%c12 %%p0.5 %%u45%%d %%%"), U"\u230012 \u00B10.5 45\u00B0 %");
  }
  cairo_destroy(cr);
  cairo_surface_destroy(s);
}

// Every drawing of the corpus plots (fitted, to a small PNG and a PDF).
TEST(Plot, CorpusPlotsWithoutACrash) {
  const fs::path corpus = fs::path(GELTARO_SOURCE_DIR) / "tests" / "data" / "dxf";
  int plotted = 0;
  for (const auto& entry : fs::directory_iterator(corpus)) {
    if (entry.path().extension() != ".dxf") continue;
    SCOPED_TRACE(entry.path().filename().string());
    ZcDbDatabase db(false);
    if (db.readDwgFile(entry.path().string()) != Zcad::eOk) continue;  // refused files are the reader's tests
    ZcDbExtents ext = visibleExtents(db);
    if (!ext.isValid()) continue;
    for (Format f : {Format::Pdf, Format::Png}) {
      Request req;
      req.window = ext;
      req.format = f;
      req.dpi = 40;
      isoPaper("A4", true, req.paper);
      req.output = scratch(entry.path().stem().string() + (f == Format::Pdf ? ".pdf" : ".png")).string();
      Result r = plot(db, req);
      EXPECT_TRUE(r.ok) << r.error;
      EXPECT_GT(fs::file_size(req.output), 100u);
    }
    ++plotted;
  }
  EXPECT_GT(plotted, 25);
}
