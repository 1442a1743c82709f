#include "host/plot/plot.hpp"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <memory>
#include <sstream>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "host/db/entities.hpp"
#include "host/files/write_file.hpp"
#include "host/plot/text_layout.hpp"

namespace host::plot {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kPointsPerMm = 72.0 / 25.4;
constexpr int kMaxBlockDepth = 16;

std::string upperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = char(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

bool finite(double v) { return std::isfinite(v) && std::fabs(v) < 1e100; }

// --- Colours ----------------------------------------------------------------

struct Rgb {
  double r = 0, g = 0, b = 0;
};

// The 256-colour index. 1-9 are the named colours, 10-249 run through 24
// hues with ten shades each (full, pale, then darker pairs), 250-255 are
// greys.
Rgb aciColour(int index) {
  static const std::array<Rgb, 256> table = [] {
    std::array<Rgb, 256> t{};
    const Rgb named[10] = {{0, 0, 0},       {1, 0, 0},       {1, 1, 0},       {0, 1, 0},
                           {0, 1, 1},       {0, 0, 1},       {1, 0, 1},       {1, 1, 1},
                           {0.502, 0.502, 0.502}, {0.753, 0.753, 0.753}};
    for (int i = 0; i < 10; ++i) t[i] = named[i];
    const double value[10] = {1.0, 1.0, 0.8, 0.8, 0.6, 0.6, 0.5, 0.5, 0.3, 0.3};
    for (int i = 10; i < 250; ++i) {
      double hue = double((i / 10) - 1) * 15.0;
      int shade = i % 10;
      double v = value[shade], s = (shade % 2 == 0) ? 1.0 : 0.5;
      double c = v * s, h = hue / 60.0, x = c * (1 - std::fabs(std::fmod(h, 2.0) - 1)), m = v - c;
      double r = 0, g = 0, b = 0;
      if (h < 1) r = c, g = x;
      else if (h < 2) r = x, g = c;
      else if (h < 3) g = c, b = x;
      else if (h < 4) g = x, b = c;
      else if (h < 5) r = x, b = c;
      else r = c, b = x;
      t[i] = {r + m, g + m, b + m};
    }
    const double grey[6] = {0.2, 0.314, 0.412, 0.510, 0.745, 1.0};
    for (int i = 0; i < 6; ++i) t[250 + i] = {grey[i], grey[i], grey[i]};
    return t;
  }();
  index = std::abs(index);
  // White on screen is black on paper.
  if (index == 7 || index == 255 || index < 1 || index > 255) return {0, 0, 0};
  return table[size_t(index)];
}

Rgb trueColour(long long v) {
  Rgb c{double((v >> 16) & 255) / 255.0, double((v >> 8) & 255) / 255.0, double(v & 255) / 255.0};
  if (c.r > 0.98 && c.g > 0.98 && c.b > 0.98) return {0, 0, 0};
  return c;
}

// --- Drawing tables ---------------------------------------------------------

struct Linetype {
  std::vector<double> pattern;  // drawing units: dashes positive, gaps negative, dots 0
  double length = 0;
};

struct Layer {
  Rgb colour;
  double weight = -3;  // 1/100 mm; -3 the default
  std::string linetype = "CONTINUOUS";
  bool hidden = false;  // off or not plotted
  bool frozen = false;
};

// Properties an entity passes to the entities of its block that are "by block".
struct Props {
  Rgb colour;
  double weightMm = 0.25;
  const Linetype* linetype = nullptr;
};

// Common tags of an entity (those of its AcDbEntity part).
struct Common {
  std::string_view layer = "0";
  int colour = 256;
  long long rgb = -1;
  int weight = -1;
  std::string_view linetype;
  double linetypeScale = 1;
  bool invisible = false;
};

Common readCommon(const ObjectRecord& r) {
  Common c;
  for (auto it = r.tags.begin(); it != r.tags.end(); ++it) {
    const auto& t = *it;
    if (t.code == 100 && t.value != "AcDbEntity") break;
    if (t.code == 1001) break;
    switch (t.code) {
      case 8: c.layer = t.value; break;
      case 62: c.colour = int(parseInt(t.value)); break;
      case 420: c.rgb = parseInt(t.value); break;
      case 370: c.weight = int(parseInt(t.value)); break;
      case 6: c.linetype = t.value; break;
      case 48: c.linetypeScale = parseDouble(t.value); break;
      case 60: c.invisible = parseInt(t.value) != 0; break;
      default: break;
    }
  }
  return c;
}

// Tags of a record as a list to walk through (hatches, splines, ellipses).
struct TagList {
  std::vector<std::pair<int, std::string_view>> tags;
  explicit TagList(const ObjectRecord& r) {
    for (const auto& t : r.tags) tags.emplace_back(t.code, t.value);
  }
  double num(int code, double fallback = 0) const {
    for (const auto& [c, v] : tags)
      if (c == code) return parseDouble(v);
    return fallback;
  }
  std::string_view str(int code) const {
    for (const auto& [c, v] : tags)
      if (c == code) return v;
    return {};
  }
};

// --- Geometry ---------------------------------------------------------------

struct Pt {
  double x = 0, y = 0, z = 0;
};

// Model (or block) coordinates to device units: two rows of a 3D affine map.
struct Xf {
  double m[2][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}};
  void apply(double x, double y, double z, double& dx, double& dy) const {
    dx = m[0][0] * x + m[0][1] * y + m[0][2] * z + m[0][3];
    dy = m[1][0] * x + m[1][1] * y + m[1][2] * z + m[1][3];
  }
  // This map after a 3D one: device = this(t(p)).
  Xf then(const ZcGeMatrix3d& t) const {
    Xf r;
    for (int i = 0; i < 2; ++i)
      for (int j = 0; j < 4; ++j)
        r.m[i][j] = m[i][0] * t.entry[0][j] + m[i][1] * t.entry[1][j] + m[i][2] * t.entry[2][j] +
                    (j == 3 ? m[i][3] : 0.0);
    return r;
  }
  // Device units per drawing unit in the plan (the mean of the axes).
  double planScale() const {
    return std::sqrt(std::fabs(m[0][0] * m[1][1] - m[0][1] * m[1][0]));
  }
  bool isFinite() const {
    for (const auto& row : m)
      for (double v : row)
        if (!finite(v)) return false;
    return true;
  }
};

ZcGeMatrix3d ocsOf(const ZcGeVector3d& normal) {
  if (normal.x == 0 && normal.y == 0 && normal.z > 0) return ZcGeMatrix3d();
  return ZcGeMatrix3d::planeToWorld(normal);
}

ZcGeVector3d normalOf(const TagList& t) {
  ZcGeVector3d n(t.num(210, 0), t.num(220, 0), t.num(230, 1));
  if (n.x == 0 && n.y == 0 && n.z == 0) n.z = 1;
  return n;
}

// Points along an arc, centre (cx, cy), radius r, from angle a over a signed sweep.
void arcPoints(std::vector<Pt>& out, double cx, double cy, double z, double r, double a, double sweep,
               double devPerUnit, double tolerance, bool first) {
  double rd = std::fabs(r) * devPerUnit;
  int n = 1;
  if (rd > tolerance) {
    double step = 2 * std::acos(std::max(-1.0, 1 - tolerance / rd));
    n = int(std::ceil(std::fabs(sweep) / std::max(step, 1e-3)));
  }
  n = std::clamp(n, std::max(2, int(std::fabs(sweep) / (kPi / 2)) + 1), 4096);
  for (int i = first ? 0 : 1; i <= n; ++i) {
    double t = a + sweep * double(i) / n;
    out.push_back({cx + r * std::cos(t), cy + r * std::sin(t), z});
  }
}

// The points of a polyline segment with a bulge (the tangent of a quarter of
// its arc's angle), the start point left out.
void bulgePoints(std::vector<Pt>& out, const Pt& p, const Pt& q, double bulge, double devPerUnit,
                 double tolerance) {
  if (bulge == 0 || !finite(bulge)) {
    out.push_back(q);
    return;
  }
  double dx = q.x - p.x, dy = q.y - p.y;
  double chord = std::hypot(dx, dy);
  if (chord == 0) {
    out.push_back(q);
    return;
  }
  double k = (1 - bulge * bulge) / (4 * bulge);
  double cx = (p.x + q.x) / 2 - dy * k, cy = (p.y + q.y) / 2 + dx * k;
  double r = std::hypot(p.x - cx, p.y - cy);
  double a = std::atan2(p.y - cy, p.x - cx), sweep = 4 * std::atan(bulge);
  arcPoints(out, cx, cy, p.z, r, a, sweep, devPerUnit, tolerance, false);
  out.back() = q;
}

struct Bounds {
  double x0, y0, x1, y1;
};

// --- The renderer -----------------------------------------------------------

class Renderer {
 public:
  Renderer(ZcDbDatabase& db, cairo_t* cr, double devPerMm, double mmPerUnit, Bounds clip, bool raster,
           Result& result)
      : db_(db), cr_(cr), devPerMm_(devPerMm), mmPerUnit_(mmPerUnit), clip_(clip), raster_(raster),
        result_(result), fonts_(cr) {
    tolerance_ = raster ? 0.2 : 0.05 * devPerMm;
    readLayers();
    ltscale_ = db.headerDouble("$LTSCALE", 40, 1.0);
    if (!(ltscale_ > 0) || !finite(ltscale_)) ltscale_ = 1;
    double lwDefault = db.headerDouble("$LWDEFAULT", 370, 25);
    defaultWeightMm_ = lwDefault > 0 && lwDefault < 300 ? lwDefault / 100.0 : 0.25;
    pdmode_ = int(db.headerDouble("$PDMODE", 70, 0));
    pdsize_ = db.headerDouble("$PDSIZE", 40, 0);
  }

  struct Context {
    Xf xf;
    const Layer* layer = nullptr;  // the reference's layer, for entities on layer 0; null at the top
    Props byBlock;
    int depth = 0;
  };

  // Draws one entity; false when drawing failed (Cairo error).
  bool drawEntity(ObjectRecord& r, const Context& ctx);

  // Whether anything was put on the paper inside the window.
  bool marked() const { return marked_; }

  // Draws what was gathered: the lines of one pen (see strokePoints), then
  // the texts of one matrix and colour (see showRun), over the lines.
  void flush() {
    flushStrokes();
    flushTexts();
  }
  // Before anything sets Cairo's state other than setPen, or draws other
  // than strokePoints and showRun: what was gathered goes out, and the pen
  // is then no longer known.
  void leavePen() {
    flush();
    penKnown_ = false;
  }

  Context top(const Xf& xf) const {
    Context c;
    c.xf = xf;
    c.byBlock.colour = {0, 0, 0};
    c.byBlock.weightMm = defaultWeightMm_;
    return c;
  }

  const Layer* layerOf(std::string_view name) const {
    auto it = layers_.find(upperAscii(name));
    return it == layers_.end() ? nullptr : &it->second;
  }
  bool layerShows(std::string_view name) const {
    const Layer* l = layerOf(name);
    return !l || (!l->hidden && !l->frozen);
  }

 private:
  void readLayers();
  const Linetype* linetype(std::string_view name);
  // The entity's resolved properties; false when it is not to be drawn.
  bool resolve(const Common& c, const Context& ctx, Props& p, const Layer*& effectiveLayer);
  void skip(const std::string& type) { ++result_.skipped[type]; }

  void setPen(const Props& p, double linetypeScale);
  // Lines are gathered into one path as long as the pen stays the same and
  // stroked together: one operation instead of one per entity, which keeps
  // a PDF of many small entities small and quick to write.
  bool pending_ = false;
  bool penKnown_ = false;
  bool marked_ = false;
  // Notes a mark whose device box meets the window.
  void mark(double x0, double y0, double x1, double y1) {
    if (!(x1 < clip_.x0 || x0 > clip_.x1 || y1 < clip_.y0 || y0 > clip_.y1)) marked_ = true;
  }
  void flushStrokes() {
    if (pending_) cairo_stroke(cr_);
    pending_ = false;
  }
  // Texts are gathered too, one run per matrix (but for its translation)
  // and colour: one text operation for all the point names of a plan, one
  // for their altitudes. Between two fills (or other operations that are
  // not lines or texts), texts go over the lines drawn with them. Shown
  // under save/restore, so the pen stays set.
  struct TextRun {
    FontMetrics::Batch glyphs;
    cairo_matrix_t matrix{};
    cairo_matrix_t inverse{};
    Rgb colour{};
  };
  std::vector<TextRun> texts_;
  static constexpr size_t kMaxTextRuns = 32;
  void flushTexts() {
    for (const TextRun& run : texts_) {
      cairo_save(cr_);
      cairo_set_matrix(cr_, &run.matrix);
      cairo_set_source_rgb(cr_, run.colour.r, run.colour.g, run.colour.b);
      fonts_.show(cr_, run.glyphs);
      cairo_restore(cr_);
    }
    texts_.clear();
  }
  struct Pen {
    double r = 0, g = 0, b = 0, width = 0;
    std::vector<double> dashes;
    bool operator==(const Pen&) const = default;
  } pen_;
  void applyPen(const Pen& pen);
  void strokePoints(const std::vector<Pt>& pts, const Xf& xf, bool closed);
  void fillPoints(const std::vector<std::vector<Pt>>& rings, const Xf& xf);
  bool outside(const Xf& xf, const std::vector<Pt>& pts) const;

  void drawPolyline(ObjectRecord& r, ZcDbObject* o, const Xf& xf, const Props& p, double lts);
  void drawOldPolyline(ObjectRecord& r, const Xf& xf, const Props& p, double lts);
  void drawText(ZcDbText& t, const Xf& xf, const Props& p);
  void drawMText(ZcDbMText& t, const Xf& xf, const Props& p);
  bool drawHatch(ObjectRecord& r, const Xf& xf, const Props& p);
  bool drawSpline(ObjectRecord& r, const Xf& xf, const Props& p, double lts);
  bool drawBlock(ObjectRecord* block, const Context& inner);
  void drawPoint(const Pt& at, const Xf& xf, const Props& p);
  void showRun(const std::u32string& text, const Xf& xf, double ox, double oy, double em, double widthFactor,
               double oblique, const Rgb& colour);

  ZcDbDatabase& db_;
  cairo_t* cr_;
  double devPerMm_, mmPerUnit_;
  Bounds clip_;
  bool raster_;
  Result& result_;
  FontMetrics fonts_;
  double tolerance_ = 0.1;
  double ltscale_ = 1, defaultWeightMm_ = 0.25, pdsize_ = 0;
  int pdmode_ = 0;
  std::unordered_map<std::string, Layer> layers_;
  std::unordered_map<std::string, std::unique_ptr<Linetype>> linetypes_;
  std::unordered_set<const ObjectRecord*> drawingBlocks_;
};

void Renderer::readLayers() {
  ObjectRecord* table = db_.tableHead("LAYER");
  if (!table) return;
  for (ObjectRecord* r : table->children) {
    if (r->erased()) continue;
    Layer l;
    std::string name;
    int colour = 7;
    long long rgb = -1;
    for (const auto& t : r->tags) {
      switch (t.code) {
        case 2: name = upperAscii(t.value); break;
        case 62: colour = int(parseInt(t.value)); break;
        case 420: rgb = parseInt(t.value); break;
        case 70: l.frozen = (parseInt(t.value) & 1) != 0; break;
        case 6: l.linetype = upperAscii(t.value); break;
        case 370: l.weight = double(parseInt(t.value)); break;
        case 290: if (parseInt(t.value) == 0) l.hidden = true; break;
        default: break;
      }
    }
    if (colour < 0) l.hidden = true;
    l.colour = rgb >= 0 ? trueColour(rgb) : aciColour(colour);
    layers_[name] = l;
  }
}

const Linetype* Renderer::linetype(std::string_view name) {
  std::string key = upperAscii(name);
  if (key.empty() || key == "CONTINUOUS" || key == "BYLAYER" || key == "BYBLOCK") return nullptr;
  auto it = linetypes_.find(key);
  if (it != linetypes_.end()) return it->second.get();
  auto lt = std::make_unique<Linetype>();
  if (ObjectRecord* table = db_.tableHead("LTYPE"))
    for (ObjectRecord* r : table->children) {
      if (r->erased()) continue;
      bool match = false;
      for (const auto& t : r->tags)
        if (t.code == 2) {
          match = iequals(t.value, key);
          break;
        }
      if (!match) continue;
      for (const auto& t : r->tags)
        if (t.code == 49) lt->pattern.push_back(parseDouble(t.value));
      break;
    }
  for (double d : lt->pattern) lt->length += std::fabs(d);
  if (lt->pattern.size() < 2 || !(lt->length > 0) || !finite(lt->length)) lt->pattern.clear();
  const Linetype* out = lt->pattern.empty() ? nullptr : lt.get();
  linetypes_[key] = std::move(lt);
  return out;
}

bool Renderer::resolve(const Common& c, const Context& ctx, Props& p, const Layer*& eff) {
  if (c.invisible) return false;
  const Layer* own = layerOf(c.layer);
  // Inside a block, layer 0 stands for the layer of the reference.
  eff = (ctx.layer && c.layer == "0") ? ctx.layer : own;
  if (eff && (eff->hidden || eff->frozen)) return false;
  if (own && own->frozen) return false;
  if (c.rgb >= 0) p.colour = trueColour(c.rgb);
  else if (c.colour == 0) p.colour = ctx.byBlock.colour;
  else if (c.colour == 256 || c.colour < 0 || c.colour > 256) p.colour = eff ? eff->colour : Rgb{};
  else p.colour = aciColour(c.colour);
  double w = c.weight;
  if (w == -1) w = eff ? eff->weight : -3;
  if (w == -2) p.weightMm = ctx.byBlock.weightMm;
  else if (w >= 0 && w <= 300) p.weightMm = w / 100.0;
  else p.weightMm = defaultWeightMm_;
  std::string lt = upperAscii(c.linetype);
  if (lt == "BYBLOCK") p.linetype = ctx.byBlock.linetype;
  else if (lt.empty() || lt == "BYLAYER") p.linetype = eff ? linetype(eff->linetype) : nullptr;
  else p.linetype = linetype(lt);
  return true;
}

void Renderer::applyPen(const Pen& pen) {
  if (penKnown_ && pen == pen_) return;
  flushStrokes();
  cairo_set_source_rgb(cr_, pen.r, pen.g, pen.b);
  cairo_set_line_width(cr_, pen.width);
  if (pen.dashes.empty()) cairo_set_dash(cr_, nullptr, 0, 0);
  else cairo_set_dash(cr_, pen.dashes.data(), int(pen.dashes.size()), 0);
  pen_ = pen;
  penKnown_ = true;
}

void Renderer::setPen(const Props& p, double lts) {
  Pen pen;
  pen.r = p.colour.r, pen.g = p.colour.g, pen.b = p.colour.b;
  // A line weight of 0 is the thinnest line the output shows.
  double w = std::max(p.weightMm, 0.05) * devPerMm_;
  if (raster_) w = std::max(w, 0.75);
  pen.width = w;
  if (p.linetype) {
    // Dashes as the drawing measures them, brought to the paper by the
    // plot's scale; a pattern finer than half a millimetre reads as a
    // full line on paper.
    double toDev = p.linetype->length * ltscale_ * (lts > 0 ? lts : 1) * mmPerUnit_ * devPerMm_;
    if (toDev >= 0.5 * devPerMm_ && finite(toDev)) {
      double f = toDev / p.linetype->length;
      std::vector<double> dashes;
      for (double d : p.linetype->pattern) {
        double len = std::fabs(d) * f;
        if (d == 0) len = 0.1 * devPerMm_;  // a dot
        if (d >= 0) {
          if (dashes.size() % 2 == 1) dashes.back() += len;  // two dashes in a row make one
          else dashes.push_back(len);
        } else {
          if (dashes.size() % 2 == 0) {
            if (dashes.empty()) dashes.push_back(0);
            else {
              dashes.back() += len;
              continue;
            }
          }
          dashes.push_back(len);
        }
      }
      if (dashes.size() % 2 == 1) dashes.push_back(0);
      pen.dashes = std::move(dashes);
    }
  }
  applyPen(pen);
}

bool Renderer::outside(const Xf& xf, const std::vector<Pt>& pts) const {
  double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
  for (const Pt& p : pts) {
    double x, y;
    xf.apply(p.x, p.y, p.z, x, y);
    x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
  }
  return x1 < clip_.x0 || x0 > clip_.x1 || y1 < clip_.y0 || y0 > clip_.y1;
}

void Renderer::strokePoints(const std::vector<Pt>& pts, const Xf& xf, bool closed) {
  if (pts.empty()) return;
  // A line with a point that cannot be placed is left out whole, before
  // anything of it joins the gathered path.
  std::vector<std::pair<double, double>> dev(pts.size());
  for (size_t i = 0; i < pts.size(); ++i) {
    xf.apply(pts[i].x, pts[i].y, pts[i].z, dev[i].first, dev[i].second);
    if (!finite(dev[i].first) || !finite(dev[i].second)) return;
  }
  double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
  for (const auto& [x, y] : dev) x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
  mark(x0, y0, x1, y1);
  cairo_move_to(cr_, dev[0].first, dev[0].second);
  for (size_t i = 1; i < dev.size(); ++i) cairo_line_to(cr_, dev[i].first, dev[i].second);
  if (pts.size() == 1) cairo_rel_line_to(cr_, 0, 0);
  if (closed) cairo_close_path(cr_);
  pending_ = true;
  // A picture is quicker stroked line by line than as one large path.
  if (raster_) flushStrokes();
}

void Renderer::fillPoints(const std::vector<std::vector<Pt>>& rings, const Xf& xf) {
  flush();
  for (const auto& ring : rings) {
    for (size_t i = 0; i < ring.size(); ++i) {
      double x, y;
      xf.apply(ring[i].x, ring[i].y, ring[i].z, x, y);
      if (!finite(x) || !finite(y)) {
        cairo_new_path(cr_);
        return;
      }
      if (i == 0) cairo_move_to(cr_, x, y);
      else cairo_line_to(cr_, x, y);
      mark(x, y, x, y);
    }
    cairo_close_path(cr_);
  }
  // A fill whose corners all lie outside may still cover the window.
  if (!marked_) {
    double bx0, by0, bx1, by1;
    cairo_fill_extents(cr_, &bx0, &by0, &bx1, &by1);
    mark(bx0, by0, bx1, by1);
  }
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
  cairo_fill(cr_);
}

void Renderer::drawPoint(const Pt& at, const Xf& xf, const Props& p) {
  double x, y;
  xf.apply(at.x, at.y, at.z, x, y);
  if (!finite(x) || !finite(y)) return;
  int mode = pdmode_;
  // The symbol's size: PDSIZE in drawing units, a percentage of the
  // paper's height when negative, 2 mm on paper when 0.
  double size = pdsize_ > 0 ? pdsize_ * xf.planScale() : 2.0 * devPerMm_;
  leavePen();
  cairo_set_source_rgb(cr_, p.colour.r, p.colour.g, p.colour.b);
  cairo_set_dash(cr_, nullptr, 0, 0);
  cairo_set_line_width(cr_, std::max(p.weightMm, 0.13) * devPerMm_);
  double h = size / 2;
  mark(x - h, y - h, x + h, y + h);
  switch (mode & 7) {
    case 0: {
      double r = std::max(p.weightMm, 0.3) * devPerMm_ / 2;
      cairo_arc(cr_, x, y, r, 0, 2 * kPi);
      cairo_fill(cr_);
      break;
    }
    case 2:
      cairo_move_to(cr_, x - h, y), cairo_line_to(cr_, x + h, y);
      cairo_move_to(cr_, x, y - h), cairo_line_to(cr_, x, y + h);
      break;
    case 3:
      cairo_move_to(cr_, x - h, y - h), cairo_line_to(cr_, x + h, y + h);
      cairo_move_to(cr_, x - h, y + h), cairo_line_to(cr_, x + h, y - h);
      break;
    case 4: cairo_move_to(cr_, x, y), cairo_line_to(cr_, x, y - h); break;
    default: break;
  }
  if (mode & 32) cairo_new_sub_path(cr_), cairo_arc(cr_, x, y, h, 0, 2 * kPi);
  if (mode & 64) cairo_rectangle(cr_, x - h, y - h, size, size);
  cairo_stroke(cr_);
}

// Glyphs of a run of text on its base line: (ox, oy) is the run's start in
// the text's own units (x along the base line, y up), `em` the font size in
// those units.
void Renderer::showRun(const std::u32string& text, const Xf& xf, double ox, double oy, double em,
                       double widthFactor, double oblique, const Rgb& colour) {
  if (text.empty() || !(em > 0)) return;
  // Text-local to device: the text's frame, then the glyph space (y down, em units).
  double a = xf.m[0][0], b = xf.m[1][0], c = xf.m[0][1], d = xf.m[1][1];
  double sh = std::tan(oblique);
  cairo_matrix_t m;
  m.xx = a * em * widthFactor;
  m.yx = b * em * widthFactor;
  m.xy = -(c + a * sh) * em;
  m.yy = -(d + b * sh) * em;
  m.x0 = a * ox + c * oy + xf.m[0][3];
  m.y0 = b * ox + d * oy + xf.m[1][3];
  double det = m.xx * m.yy - m.xy * m.yx;
  if (!finite(det) || std::fabs(det) < 1e-12 || !finite(m.x0) || !finite(m.y0)) return;
  // Texts too small to be seen in a picture (below half a pixel) are left out.
  double capDev = std::sqrt(std::fabs(det)) * fonts_.capHeight();
  if (raster_ && capDev < 0.5) return;
  // Culled when the run lies wholly outside the window.
  double width = fonts_.advance(text);
  double bx0 = 1e300, by0 = 1e300, bx1 = -1e300, by1 = -1e300;
  for (double gx : {0.0, width})
    for (double gy : {-1.0, 0.3}) {
      double x = m.xx * gx + m.xy * gy + m.x0, y = m.yx * gx + m.yy * gy + m.y0;
      bx0 = std::min(bx0, x), bx1 = std::max(bx1, x), by0 = std::min(by0, y), by1 = std::max(by1, y);
    }
  if (bx1 < clip_.x0 || bx0 > clip_.x1 || by1 < clip_.y0 || by0 > clip_.y1) return;
  marked_ = true;
  auto same = [&](const TextRun& r) {
    return m.xx == r.matrix.xx && m.yx == r.matrix.yx && m.xy == r.matrix.xy && m.yy == r.matrix.yy &&
           colour.r == r.colour.r && colour.g == r.colour.g && colour.b == r.colour.b;
  };
  auto run = std::find_if(texts_.begin(), texts_.end(), same);
  if (run == texts_.end()) {
    // Texts of many sizes and angles: what is gathered goes out first.
    if (texts_.size() >= kMaxTextRuns) flush();
    TextRun fresh;
    fresh.matrix = fresh.inverse = m;
    cairo_matrix_invert(&fresh.inverse);
    fresh.colour = colour;
    texts_.push_back(std::move(fresh));
    run = texts_.end() - 1;
  }
  // The text's start in the run's matrix: its origin moved back through the
  // shared linear part.
  double ux = m.x0 - run->matrix.x0, uy = m.y0 - run->matrix.y0;
  cairo_matrix_transform_distance(&run->inverse, &ux, &uy);
  fonts_.append(run->glyphs, text, ux, uy);
}

void Renderer::drawText(ZcDbText& t, const Xf& outer, const Props& p) {
  std::u32string text = decodeTextCodes(t.textString());
  double h = t.height();
  if (text.empty() || !(h > 0) || !finite(h)) return;
  double wf = t.widthFactor();
  if (!(wf > 0) || !finite(wf)) wf = 1;
  const double em = h / fonts_.capHeight();
  double width = fonts_.advance(text) * em * wf;
  ZcGePoint3d pos = t.position();
  double rot = t.rotation();
  const int hm = t.horizontalMode(), vm = t.verticalMode();
  ZcGePoint3d anchor = pos;
  if (!t.isDefaultAlignment() && (hm != 0 || vm != 0)) anchor = t.alignmentPoint();
  double dx = 0, dy = 0;
  if (hm == ZcDb::kTextAlign || hm == ZcDb::kTextFit) {
    // Between the first and the second point: the text is stretched (fit)
    // or scaled (aligned) to the distance between them.
    ZcGePoint3d q = t.alignmentPoint();
    double dist = std::hypot(q.x - pos.x, q.y - pos.y);
    if (dist > 0 && width > 0) {
      rot = std::atan2(q.y - pos.y, q.x - pos.x);
      if (hm == ZcDb::kTextFit) wf *= dist / width;
      else {
        h *= dist / width;
        width = dist;
      }
    }
    anchor = pos;
  } else if (hm == ZcDb::kTextCenter || hm == ZcDb::kTextMid) {
    dx = -width / 2;
  } else if (hm == ZcDb::kTextRight) {
    dx = -width;
  }
  if (hm == ZcDb::kTextMid && vm == 0) dy = -h / 2;
  else if (vm == ZcDb::kTextBottom) dy = fonts_.descent() / fonts_.capHeight() * h;
  else if (vm == ZcDb::kTextVertMid) dy = -h / 2;
  else if (vm == ZcDb::kTextTop) dy = -h;
  ZcGeMatrix3d frame = ocsOf(t.normal()) * ZcGeMatrix3d::translation(ZcGeVector3d(anchor.x, anchor.y, anchor.z)) *
                       ZcGeMatrix3d::rotation(rot);
  Xf xf = outer.then(frame);
  showRun(text, xf, dx, dy, h / fonts_.capHeight(), wf, t.oblique(), p.colour);
}

void Renderer::drawMText(ZcDbMText& t, const Xf& outer, const Props& p) {
  double h = t.textHeight();
  if (!(h > 0) || !finite(h)) return;
  double spacing = t.getDouble("AcDbMText", 44, 1.0);
  if (!(spacing > 0) || spacing > 10) spacing = 1;
  MTextLayout layout = layoutMText(t.contents(), h, t.width(), fonts_);
  if (layout.lines.empty()) return;
  const double pitch = h * 5.0 / 3.0 * spacing;
  int att = std::clamp(t.attachment(), 1, 9);
  int col = (att - 1) % 3, row = (att - 1) / 3;
  double columnWidth = t.width() > 0 ? t.width() : layout.width;
  double total = layout.lines.front().height + pitch * double(layout.lines.size() - 1);
  double firstBase = row == 0 ? -layout.lines.front().height : row == 1 ? -layout.lines.front().height + total / 2
                                                                        : -layout.lines.front().height + total;
  double left = col == 0 ? 0 : col == 1 ? -columnWidth / 2 : -columnWidth;
  ZcGePoint3d at = t.location();
  ZcGeVector3d normal(t.getDouble("AcDbMText", 210, 0), t.getDouble("AcDbMText", 220, 0),
                      t.getDouble("AcDbMText", 230, 1));
  if (normal.x == 0 && normal.y == 0 && normal.z == 0) normal.z = 1;
  // The direction (11) is in world coordinates; the rotation (50) in the text's plane.
  ZcGeMatrix3d frame = ZcGeMatrix3d::translation(ZcGeVector3d(at.x, at.y, at.z)) * ocsOf(normal) *
                       ZcGeMatrix3d::rotation(t.rotation());
  Xf xf = outer.then(frame);
  double base = firstBase;
  for (const auto& line : layout.lines) {
    double x = left + (col == 0 ? 0 : col == 1 ? (columnWidth - line.width) / 2 : columnWidth - line.width);
    for (const auto& run : line.runs) {
      Rgb c = run.colour >= 0 ? aciColour(run.colour) : p.colour;
      if (run.colour == 0) c = p.colour;
      showRun(run.text, xf, x, base, run.height / fonts_.capHeight(), 1, 0, c);
      x += run.width;
    }
    base -= pitch;
  }
}

void Renderer::drawPolyline(ObjectRecord& r, ZcDbObject* o, const Xf& outer, const Props& p, double lts) {
  auto* pl = ZcDbPolyline::cast(o);
  if (!pl) return;
  std::vector<ZcDbPolyline::Vertex> v = pl->vertices();
  if (v.empty()) return;
  Xf xf = outer.then(ocsOf(pl->normal()));
  const double z = pl->elevation(), cw = pl->constantWidth();
  const bool closed = pl->isClosed();
  const double s = xf.planScale();
  bool widths = cw > 0;
  for (const auto& vx : v)
    if (vx.hasWidths && (vx.startWidth > 0 || vx.endWidth > 0)) widths = true;
  setPen(p, lts);
  const size_t segments = closed ? v.size() : v.size() - 1;
  if (!widths) {
    std::vector<Pt> pts{{v[0].point.x, v[0].point.y, z}};
    for (size_t i = 0; i < segments; ++i) {
      const auto& a = v[i];
      const auto& b = v[(i + 1) % v.size()];
      bulgePoints(pts, {a.point.x, a.point.y, z}, {b.point.x, b.point.y, z}, a.bulge, s, tolerance_);
    }
    if (!outside(xf, pts)) strokePoints(pts, xf, false);
    return;
  }
  // Wide segments: a straight one is a filled quadrilateral, an arc a stroke of its mean width.
  leavePen();
  cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
  for (size_t i = 0; i < segments; ++i) {
    const auto& a = v[i];
    const auto& b = v[(i + 1) % v.size()];
    double w0 = a.hasWidths ? a.startWidth : cw, w1 = a.hasWidths ? a.endWidth : cw;
    if (cw > 0 && !(a.hasWidths && (a.startWidth > 0 || a.endWidth > 0))) w0 = w1 = cw;
    Pt pa{a.point.x, a.point.y, z}, pb{b.point.x, b.point.y, z};
    if (a.bulge != 0 || w0 == w1) {
      std::vector<Pt> pts{pa};
      bulgePoints(pts, pa, pb, a.bulge, s, tolerance_);
      double w = (w0 + w1) / 2;
      if (w > 0) {
        leavePen();
        cairo_set_line_width(cr_, w * s);
      } else {
        setPen(p, lts);
      }
      strokePoints(pts, xf, false);
      flush();
      continue;
    }
    double dx = pb.x - pa.x, dy = pb.y - pa.y, len = std::hypot(dx, dy);
    if (len == 0) continue;
    double nx = -dy / len, ny = dx / len;
    fillPoints({{{pa.x + nx * w0 / 2, pa.y + ny * w0 / 2, z},
                 {pb.x + nx * w1 / 2, pb.y + ny * w1 / 2, z},
                 {pb.x - nx * w1 / 2, pb.y - ny * w1 / 2, z},
                 {pa.x - nx * w0 / 2, pa.y - ny * w0 / 2, z}}},
               xf);
  }
  leavePen();
  cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
}

void Renderer::drawOldPolyline(ObjectRecord& r, const Xf& xf, const Props& p, double lts) {
  int flags = 0;
  double m = 0, n = 0;
  for (const auto& t : r.tags) {
    if (t.code == 70) flags = int(parseInt(t.value));
    if (t.code == 71) m = parseDouble(t.value);
    if (t.code == 72) n = parseDouble(t.value);
  }
  struct V {
    Pt p;
    double bulge = 0, w0 = 0, w1 = 0;
    int flags = 0;
    int idx[4] = {0, 0, 0, 0};
  };
  std::vector<V> vs;
  for (ObjectRecord* c : r.children) {
    if (c->erased() || c->typeName() != "VERTEX") continue;
    V v;
    for (const auto& t : c->tags) {
      switch (t.code) {
        case 10: v.p.x = parseDouble(t.value); break;
        case 20: v.p.y = parseDouble(t.value); break;
        case 30: v.p.z = parseDouble(t.value); break;
        case 42: v.bulge = parseDouble(t.value); break;
        case 40: v.w0 = parseDouble(t.value); break;
        case 41: v.w1 = parseDouble(t.value); break;
        case 70: v.flags = int(parseInt(t.value)); break;
        case 71: case 72: case 73: case 74: v.idx[t.code - 71] = int(parseInt(t.value)); break;
        default: break;
      }
    }
    vs.push_back(v);
  }
  setPen(p, lts);
  if (flags & 64) {  // a polyface mesh: the visible edges of its faces
    std::vector<Pt> corners;
    for (const V& v : vs)
      if ((v.flags & 64) && (v.flags & 128)) corners.push_back(v.p);
    for (const V& v : vs) {
      if (!(v.flags & 128) || (v.flags & 64)) continue;
      int k = 0;
      while (k < 4 && v.idx[k] != 0) ++k;
      for (int e = 0; e < k; ++e) {
        int i0 = v.idx[e], i1 = v.idx[(e + 1) % k];
        if (i0 <= 0) continue;
        size_t a = size_t(std::abs(i0)) - 1, b = size_t(std::abs(i1)) - 1;
        if (a < corners.size() && b < corners.size()) strokePoints({corners[a], corners[b]}, xf, false);
      }
    }
    return;
  }
  if (flags & 16) {  // a polygon mesh: its M and N lines
    int M = int(m), N = int(n);
    if (M <= 0 || N <= 0 || size_t(M) * size_t(N) > vs.size()) return;
    for (int i = 0; i < M; ++i) {
      std::vector<Pt> line;
      for (int j = 0; j < N; ++j) line.push_back(vs[size_t(i * N + j)].p);
      strokePoints(line, xf, (flags & 32) != 0);
    }
    for (int j = 0; j < N; ++j) {
      std::vector<Pt> line;
      for (int i = 0; i < M; ++i) line.push_back(vs[size_t(i * N + j)].p);
      strokePoints(line, xf, (flags & 1) != 0);
    }
    return;
  }
  // Spline frames are not drawn: only the fitted vertices.
  std::erase_if(vs, [](const V& v) { return (v.flags & 16) != 0; });
  if (vs.empty()) return;
  const bool closed = (flags & 1) != 0;
  if (flags & 8) {  // 3D: straight segments in world coordinates
    std::vector<Pt> pts;
    for (const V& v : vs) pts.push_back(v.p);
    if (!outside(xf, pts)) strokePoints(pts, xf, closed);
    return;
  }
  TagList tl(r);
  Xf plane = xf.then(ocsOf(normalOf(tl)));
  double z = tl.num(30, 0), s = plane.planScale();
  double cw = tl.num(40, 0);
  bool widths = cw > 0;
  for (const V& v : vs)
    if (v.w0 > 0 || v.w1 > 0) widths = true;
  std::vector<Pt> pts{{vs[0].p.x, vs[0].p.y, z}};
  const size_t segments = closed ? vs.size() : vs.size() - 1;
  double wsum = 0;
  for (size_t i = 0; i < segments; ++i) {
    const V& a = vs[i];
    const V& b = vs[(i + 1) % vs.size()];
    bulgePoints(pts, {a.p.x, a.p.y, z}, {b.p.x, b.p.y, z}, a.bulge, s, tolerance_);
    wsum += (a.w0 + a.w1) / 2;
  }
  if (widths) {
    double w = segments ? wsum / double(segments) : 0;
    if (w <= 0) w = cw;
    leavePen();
    cairo_set_line_width(cr_, w * s);
  }
  if (!outside(plane, pts)) strokePoints(pts, plane, false);
}

bool Renderer::drawHatch(ObjectRecord& r, const Xf& xf, const Props& p) {
  TagList tl(r);
  const auto& tags = tl.tags;
  bool solid = false;
  size_t i = 0;
  for (; i < tags.size(); ++i) {
    if (tags[i].first == 70) solid = parseInt(tags[i].second) == 1;
    if (tags[i].first == 91) break;
  }
  if (!solid) return false;
  double z = 0;
  for (const auto& [c, v] : tags)
    if (c == 30) {
      z = parseDouble(v);
      break;
    }
  Xf plane = xf.then(ocsOf(normalOf(tl)));
  const double s = plane.planScale();
  std::vector<std::vector<Pt>> rings;
  auto num = [&](size_t k) { return k < tags.size() ? parseDouble(tags[k].second) : 0.0; };
  auto code = [&](size_t k) { return k < tags.size() ? tags[k].first : -1; };
  int paths = int(num(i));
  ++i;
  for (int path = 0; path < paths && i < tags.size(); ++path) {
    while (i < tags.size() && code(i) != 92) ++i;
    if (i >= tags.size()) break;
    int type = int(num(i++));
    std::vector<Pt> ring;
    if (type & 2) {
      bool hasBulge = false;
      int count = 0;
      for (; i < tags.size() && code(i) != 10; ++i) {
        if (code(i) == 72) hasBulge = num(i) != 0;
        if (code(i) == 93) count = int(num(i));
      }
      std::vector<std::pair<Pt, double>> vs;
      for (int k = 0; k < count && code(i) == 10; ++k) {
        Pt q{num(i), code(i + 1) == 20 ? num(i + 1) : 0, z};
        i += 2;
        double b = 0;
        if (hasBulge && code(i) == 42) b = num(i++);
        vs.push_back({q, b});
      }
      if (!vs.empty()) {
        ring.push_back(vs[0].first);
        for (size_t k = 0; k < vs.size(); ++k)
          bulgePoints(ring, vs[k].first, vs[(k + 1) % vs.size()].first, vs[k].second, s, tolerance_);
      }
    } else {
      int edges = code(i) == 93 ? int(num(i++)) : 0;
      for (int e = 0; e < edges && i < tags.size(); ++e) {
        while (i < tags.size() && code(i) != 72) ++i;
        int kind = int(num(i++));
        std::unordered_map<int, double> f;
        std::vector<Pt> ctrl;
        // The edge's values up to the next edge or the path's end.
        for (; i < tags.size() && code(i) != 72 && code(i) != 92 && code(i) != 97 && code(i) != 75; ++i) {
          if (kind == 4 && code(i) == 10) ctrl.push_back({num(i), 0, z});
          else if (kind == 4 && code(i) == 20 && !ctrl.empty()) ctrl.back().y = num(i);
          else if (!f.count(code(i))) f[code(i)] = num(i);
        }
        if (kind == 1) {
          if (ring.empty()) ring.push_back({f[10], f[20], z});
          ring.push_back({f[11], f[21], z});
        } else if (kind == 2 || kind == 3) {
          double a0 = f[50] * kPi / 180, a1 = f[51] * kPi / 180;
          bool ccw = f.count(73) ? f[73] != 0 : true;
          double sweep = a1 - a0;
          while (sweep <= 0) sweep += 2 * kPi;
          if (sweep > 2 * kPi) sweep = 2 * kPi;
          std::vector<Pt> arc;
          if (kind == 2) {
            arcPoints(arc, f[10], f[20], z, f[40], ccw ? a0 : -a0, ccw ? sweep : -sweep, s, tolerance_, true);
          } else {
            double mx = f[11], my = f[21], ratio = f[40];
            std::vector<Pt> unit;
            arcPoints(unit, 0, 0, 0, 1, ccw ? a0 : -a0, ccw ? sweep : -sweep, s * std::hypot(mx, my), tolerance_,
                      true);
            for (const Pt& u : unit)
              arc.push_back({f[10] + u.x * mx - u.y * ratio * my, f[20] + u.x * my + u.y * ratio * mx, z});
          }
          ring.insert(ring.end(), arc.begin(), arc.end());
        } else if (kind == 4) {
          ring.insert(ring.end(), ctrl.begin(), ctrl.end());
        }
      }
    }
    if (ring.size() >= 3) rings.push_back(std::move(ring));
  }
  if (rings.empty()) return true;
  leavePen();
  cairo_set_source_rgb(cr_, p.colour.r, p.colour.g, p.colour.b);
  fillPoints(rings, plane);
  return true;
}

// A curve through its control points as a B-spline (its fit points when it has no control points).
bool Renderer::drawSpline(ObjectRecord& r, const Xf& xf, const Props& p, double lts) {
  int degree = 3, flags = 0;
  std::vector<double> knots, weights;
  std::vector<Pt> ctrl, fit;
  for (const auto& t : r.tags) {
    switch (t.code) {
      case 70: flags = int(parseInt(t.value)); break;
      case 71: degree = int(parseInt(t.value)); break;
      case 40: knots.push_back(parseDouble(t.value)); break;
      case 41: weights.push_back(parseDouble(t.value)); break;
      case 10: ctrl.push_back({parseDouble(t.value), 0, 0}); break;
      case 20: if (!ctrl.empty()) ctrl.back().y = parseDouble(t.value); break;
      case 30: if (!ctrl.empty()) ctrl.back().z = parseDouble(t.value); break;
      case 11: fit.push_back({parseDouble(t.value), 0, 0}); break;
      case 21: if (!fit.empty()) fit.back().y = parseDouble(t.value); break;
      case 31: if (!fit.empty()) fit.back().z = parseDouble(t.value); break;
      default: break;
    }
  }
  setPen(p, lts);
  const size_t n = ctrl.size();
  if (n < 2) {
    if (fit.size() >= 2) strokePoints(fit, xf, (flags & 1) != 0);
    return fit.size() >= 2;
  }
  if (degree < 1 || degree > 10 || knots.size() != n + size_t(degree) + 1) {
    strokePoints(ctrl, xf, false);
    return true;
  }
  if (weights.size() != n) weights.assign(n, 1.0);
  double t0 = knots[size_t(degree)], t1 = knots[n];
  if (!(t1 > t0)) {
    strokePoints(ctrl, xf, false);
    return true;
  }
  const int samples = int(std::clamp<size_t>(n * 16, 32, 4000));
  std::vector<Pt> pts;
  std::vector<std::array<double, 4>> d(size_t(degree) + 1);
  for (int k = 0; k <= samples; ++k) {
    double u = t0 + (t1 - t0) * k / samples;
    size_t span = size_t(degree);
    while (span + 1 < n && knots[span + 1] <= u) ++span;
    for (int j = 0; j <= degree; ++j) {
      const Pt& c = ctrl[span - size_t(degree) + size_t(j)];
      double w = weights[span - size_t(degree) + size_t(j)];
      d[size_t(j)] = {c.x * w, c.y * w, c.z * w, w};
    }
    // De Boor's recursion in homogeneous coordinates.
    for (int rr = 1; rr <= degree; ++rr)
      for (int j = degree; j >= rr; --j) {
        size_t ki = span - size_t(degree) + size_t(j);
        double den = knots[ki + size_t(degree) + 1 - size_t(rr)] - knots[ki];
        double alpha = den == 0 ? 0 : (u - knots[ki]) / den;
        for (int q = 0; q < 4; ++q) d[size_t(j)][size_t(q)] = (1 - alpha) * d[size_t(j) - 1][size_t(q)] + alpha * d[size_t(j)][size_t(q)];
      }
    const auto& e = d[size_t(degree)];
    if (e[3] != 0) pts.push_back({e[0] / e[3], e[1] / e[3], e[2] / e[3]});
  }
  if (!outside(xf, pts)) strokePoints(pts, xf, false);
  return true;
}

bool Renderer::drawBlock(ObjectRecord* block, const Context& inner) {
  if (!block || inner.depth > kMaxBlockDepth) return true;
  // A block that contains itself, directly or not, is drawn once.
  if (!drawingBlocks_.insert(block).second) return true;
  bool ok = true;
  for (ObjectRecord* c : block->children)
    if (!c->erased() && !(ok = drawEntity(*c, inner))) break;
  drawingBlocks_.erase(block);
  return ok;
}

bool Renderer::drawEntity(ObjectRecord& r, const Context& ctx) {
  const std::string& type = r.typeName();
  if (type == "SEQEND" || type == "VIEWPORT" || type == "BLOCK" || type == "ENDBLK") return true;
  if (type == "ATTDEF" && ctx.depth > 0) {
    // Inside a block only a constant attribute shows (its value).
    bool constant = false;
    for (const auto& t : r.tags)
      if (t.code == 70) constant = (parseInt(t.value) & 2) != 0;
    if (!constant) return true;
  }
  Common common = readCommon(r);
  Props p;
  const Layer* eff = nullptr;
  if (!resolve(common, ctx, p, eff)) return true;
  const double lts = common.linetypeScale;
  std::unique_ptr<ZcDbObject> view = ZcDbObject::makeView(&r, ZcDb::kForRead);
  ZcDbObject* o = view.get();
  const Xf& xf = ctx.xf;
  bool drawn = true;
  if (type == "LINE") {
    auto* l = ZcDbLine::cast(o);
    ZcGePoint3d a = l->startPoint(), b = l->endPoint();
    std::vector<Pt> pts{{a.x, a.y, a.z}, {b.x, b.y, b.z}};
    if (!outside(xf, pts)) {
      setPen(p, lts);
      strokePoints(pts, xf, false);
    }
  } else if (type == "CIRCLE" || type == "ARC") {
    auto* c = ZcDbCircle::cast(o);
    TagList tl(r);
    Xf plane = xf.then(ocsOf(normalOf(tl)));
    ZcGePoint3d centre = c->center();
    double rad = c->radius(), a0 = 0, sweep = 2 * kPi;
    if (auto* a = ZcDbArc::cast(o)) {
      a0 = a->startAngle();
      sweep = a->endAngle() - a0;
      while (sweep <= 0) sweep += 2 * kPi;
    }
    // A circle that its own pen covers (radius under half the line's width
    // on paper) is the pen's round dot: the same ink, one point instead of
    // a polygon (a plan of many small point symbols stays small).
    const double penWidth = std::max(p.weightMm, 0.05) * devPerMm_;
    if (type == "CIRCLE" && !raster_ && !p.linetype && rad > 0 && rad * plane.planScale() < penWidth / 2) {
      std::vector<Pt> dot{{centre.x, centre.y, centre.z}};
      if (!outside(plane, dot)) {
        setPen(p, lts);
        strokePoints(dot, plane, false);
      }
    } else if (rad > 0 && finite(rad)) {
      std::vector<Pt> pts;
      arcPoints(pts, centre.x, centre.y, centre.z, rad, a0, sweep, plane.planScale(), tolerance_, true);
      if (!outside(plane, pts)) {
        setPen(p, lts);
        strokePoints(pts, plane, type == "CIRCLE");
      }
    }
  } else if (type == "ELLIPSE") {
    TagList tl(r);
    ZcGeVector3d n = normalOf(tl);
    Pt c{tl.num(10), tl.num(20), tl.num(30)};
    ZcGeVector3d major(tl.num(11), tl.num(21), tl.num(31));
    double ratio = tl.num(40, 1), s0 = tl.num(41, 0), s1 = tl.num(42, 2 * kPi);
    ZcGeVector3d minor = n.crossProduct(major).normal() * (major.length() * ratio);
    double sweep = s1 - s0;
    while (sweep <= 0) sweep += 2 * kPi;
    std::vector<Pt> unit;
    arcPoints(unit, 0, 0, 0, 1, s0, std::min(sweep, 2 * kPi), xf.planScale() * major.length(), tolerance_, true);
    std::vector<Pt> pts;
    for (const Pt& u : unit)
      pts.push_back({c.x + u.x * major.x + u.y * minor.x, c.y + u.x * major.y + u.y * minor.y,
                     c.z + u.x * major.z + u.y * minor.z});
    if (!outside(xf, pts)) {
      setPen(p, lts);
      strokePoints(pts, xf, false);
    }
  } else if (type == "LWPOLYLINE") {
    drawPolyline(r, o, xf, p, lts);
  } else if (type == "POLYLINE") {
    drawOldPolyline(r, xf, p, lts);
  } else if (type == "POINT") {
    auto* pt = ZcDbPoint::cast(o);
    ZcGePoint3d at = pt->position();
    drawPoint({at.x, at.y, at.z}, xf, p);
  } else if (type == "SOLID" || type == "TRACE") {
    TagList tl(r);
    Xf plane = xf.then(ocsOf(normalOf(tl)));
    Pt q[4];
    for (int k = 0; k < 4; ++k) q[k] = {tl.num(10 + k), tl.num(20 + k), tl.num(30 + k)};
    leavePen();
    cairo_set_source_rgb(cr_, p.colour.r, p.colour.g, p.colour.b);
    fillPoints({{q[0], q[1], q[3], q[2]}}, plane);
  } else if (type == "3DFACE") {
    auto* f = dynamic_cast<ZcDbFace*>(o);
    int hidden = f ? f->invisibleEdges() : 0;
    ZcGePoint3d v[4];
    for (int k = 0; k < 4; ++k)
      if (f) f->getVertexAt(k, v[k]);
    setPen(p, lts);
    for (int k = 0; k < 4; ++k) {
      if (hidden & (1 << k)) continue;
      const ZcGePoint3d& a = v[k];
      const ZcGePoint3d& b = v[(k + 1) % 4];
      if (a.x == b.x && a.y == b.y && a.z == b.z) continue;
      strokePoints({{a.x, a.y, a.z}, {b.x, b.y, b.z}}, xf, false);
    }
  } else if (type == "TEXT" || type == "ATTDEF") {
    if (auto* t = ZcDbText::cast(o)) drawText(*t, xf, p);
  } else if (type == "MTEXT") {
    if (auto* t = ZcDbMText::cast(o)) drawMText(*t, xf, p);
  } else if (type == "INSERT" || type == "ACAD_TABLE" || type == "DIMENSION" || type == "ARC_DIMENSION" ||
             type == "LARGE_RADIAL_DIMENSION") {
    // A reference draws its block; a dimension and a table draw their
    // anonymous block, which holds their graphics.
    const bool reference = type == "INSERT" || type == "ACAD_TABLE";
    ObjectRecord* block = nullptr;
    ZcGeMatrix3d t;
    int columns = 1, rows = 1;
    double colStep = 0, rowStep = 0;
    if (reference) {
      auto* br = ZcDbBlockReference::cast(o);
      if (!br) return true;
      block = br->blockTableRecord().record();
      t = br->blockTransform();
      if (type == "INSERT") {
        TagList tl(r);
        columns = std::clamp(int(tl.num(70, 1)), 1, 10000);
        rows = std::clamp(int(tl.num(71, 1)), 1, 10000);
        colStep = tl.num(44, 0), rowStep = tl.num(45, 0);
        if (size_t(columns) * size_t(rows) > 100000) columns = rows = 1;
      }
    } else {
      std::string name;
      for (const auto& tg : r.tags)
        if (tg.code == 2) {
          name = std::string(tg.value);
          break;
        }
      ZcDbObjectId id = db_.symbolId("BLOCK_RECORD", name);
      block = id.record();
    }
    if (!block || block->erased()) {
      if (!reference) {
        skip(type);
        drawn = false;
      }
    } else {
      Context inner;
      inner.layer = eff;
      inner.byBlock = p;
      inner.depth = ctx.depth + 1;
      for (int rI = 0; rI < rows; ++rI)
        for (int cI = 0; cI < columns; ++cI) {
          ZcGeMatrix3d cell = t;
          if (rI || cI) {
            // The grid of a multiple reference runs along the reference's rotation.
            double rot = 0;
            for (const auto& tg : r.tags)
              if (tg.code == 50) rot = parseDouble(tg.value) * kPi / 180;
            double ox = cI * colStep, oy = rI * rowStep;
            cell = ZcGeMatrix3d::translation(ZcGeVector3d(ox * std::cos(rot) - oy * std::sin(rot),
                                                          ox * std::sin(rot) + oy * std::cos(rot), 0)) *
                   t;
          }
          inner.xf = xf.then(cell);
          if (!inner.xf.isFinite()) continue;
          if (!drawBlock(block, inner)) return false;
        }
    }
    // The attributes are in world coordinates, beside the block.
    if (reference) {
      Context attrs = ctx;
      attrs.layer = eff;
      attrs.byBlock = p;
      for (ObjectRecord* a : r.children) {
        if (a->erased() || a->typeName() != "ATTRIB") continue;
        bool invisible = false;
        for (const auto& tg : a->tags)
          if (tg.code == 70) {
            invisible = (parseInt(tg.value) & 1) != 0;
            break;
          }
        if (invisible) continue;
        Common ac = readCommon(*a);
        Props ap;
        const Layer* aeff = nullptr;
        if (!resolve(ac, attrs, ap, aeff)) continue;
        std::unique_ptr<ZcDbObject> av = ZcDbObject::makeView(a, ZcDb::kForRead);
        if (auto* at = ZcDbText::cast(av.get())) drawText(*at, xf, ap);
        ++result_.drawn;
      }
    }
  } else if (type == "HATCH") {
    if (!drawHatch(r, xf, p)) {
      skip("HATCH (motif)");
      drawn = false;
    }
  } else if (type == "SPLINE") {
    drawn = drawSpline(r, xf, p, lts);
    if (!drawn) skip(type);
  } else if (type == "LEADER") {
    std::vector<Pt> pts;
    for (const auto& tg : r.tags) {
      if (tg.code == 10) pts.push_back({parseDouble(tg.value), 0, 0});
      else if (tg.code == 20 && !pts.empty()) pts.back().y = parseDouble(tg.value);
      else if (tg.code == 30 && !pts.empty()) pts.back().z = parseDouble(tg.value);
    }
    setPen(p, lts);
    strokePoints(pts, xf, false);
  } else {
    skip(type);
    drawn = false;
  }
  if (drawn) ++result_.drawn;
  return cairo_status(cr_) == CAIRO_STATUS_SUCCESS;
}

// Output bytes gathered in memory, written whole at the end.
cairo_status_t appendBytes(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

bool formatOfPath(const std::string& path, Format& format) {
  auto dot = path.find_last_of('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return false;
  std::string ext = upperAscii(std::string_view(path).substr(dot + 1));
  if (ext == "PDF") format = Format::Pdf;
  else if (ext == "SVG") format = Format::Svg;
  else if (ext == "PNG") format = Format::Png;
  else return false;
  return true;
}

bool isoPaper(const std::string& name, bool landscape, Paper& paper) {
  static const std::pair<const char*, Paper> sizes[] = {
      {"A0", {841, 1189}}, {"A1", {594, 841}}, {"A2", {420, 594}}, {"A3", {297, 420}}, {"A4", {210, 297}}};
  for (const auto& [n, p] : sizes)
    if (iequals(name, n)) {
      paper = landscape ? Paper{p.height, p.width} : p;
      return true;
    }
  return false;
}

ZcDbExtents visibleExtents(ZcDbDatabase& db) {
  ZcDbExtents ext;
  ObjectRecord* ms = db.modelSpaceId().record();
  if (!ms) return ext;
  std::unordered_map<std::string, bool> shows;
  if (ObjectRecord* table = db.tableHead("LAYER"))
    for (ObjectRecord* r : table->children) {
      std::string name;
      bool visible = !r->erased();
      for (const auto& t : r->tags) {
        if (t.code == 2) name = upperAscii(t.value);
        if (t.code == 62 && parseInt(t.value) < 0) visible = false;
        if (t.code == 70 && (parseInt(t.value) & 1)) visible = false;
        if (t.code == 290 && parseInt(t.value) == 0) visible = false;
      }
      shows[name] = visible;
    }
  for (ObjectRecord* r : ms->children) {
    if (r->erased()) continue;
    Common c = readCommon(*r);
    auto it = shows.find(upperAscii(c.layer));
    if (c.invisible || (it != shows.end() && !it->second)) continue;
    const std::string& type = r->typeName();
    if (type == "RAY" || type == "XLINE" || type == "VIEWPORT") continue;
    std::unique_ptr<ZcDbObject> view = ZcDbObject::makeView(r, ZcDb::kForRead);
    auto* e = dynamic_cast<ZcDbEntity*>(view.get());
    if (!e) continue;
    ZcDbExtents one;
    if (e->getGeomExtents(one) != Zcad::eOk || !one.isValid()) continue;
    ZcGePoint3d a = one.minPoint(), b = one.maxPoint();
    if (!finite(a.x) || !finite(a.y) || !finite(b.x) || !finite(b.y)) continue;
    ext.addExt(one);
  }
  return ext;
}

Result plot(ZcDbDatabase& db, const Request& req) {
  Result res;
  if (!req.window.isValid()) {
    res.error = "rien à tracer : la sélection est vide";
    return res;
  }
  ZcGePoint3d lo = req.window.minPoint(), hi = req.window.maxPoint();
  double ww = hi.x - lo.x, wh = hi.y - lo.y;
  if (!finite(ww) || !finite(wh) || !(req.paper.width > 0) || !(req.paper.height > 0) ||
      req.paper.width > 5000 || req.paper.height > 5000) {
    res.error = "fenêtre ou format de papier incorrect";
    return res;
  }
  // The scale: as asked, or the one that fits the window in the printable area.
  const double pw = req.paper.width - 2 * req.margin, ph = req.paper.height - 2 * req.margin;
  double mmPerUnit;
  if (req.scale > 0) mmPerUnit = 1000.0 / req.scale;
  else {
    double fx = ww > 0 ? pw / ww : 1e300, fy = wh > 0 ? ph / wh : 1e300;
    mmPerUnit = std::min(fx, fy);
    if (!(mmPerUnit < 1e299)) mmPerUnit = 1000.0;  // a single point: 1/1000
  }
  if (!finite(mmPerUnit) || !(mmPerUnit > 0)) {
    res.error = "échelle incorrecte";
    return res;
  }
  res.scale = 1000.0 / mmPerUnit;
  res.mmPerUnit = mmPerUnit;
  res.centreX = (lo.x + hi.x) / 2, res.centreY = (lo.y + hi.y) / 2;
  res.rotation = finite(req.rotation) ? req.rotation : 0;
  res.originX = req.paper.width / 2, res.originY = req.paper.height / 2;

  const bool raster = req.format == Format::Png;
  const double devPerMm = raster ? req.dpi / 25.4 : kPointsPerMm;
  const double devW = req.paper.width * devPerMm, devH = req.paper.height * devPerMm;
  if (raster && (req.dpi < 10 || req.dpi > 2400 || devW * devH > 4.0e8)) {
    res.error = "résolution trop grande pour ce format (" + std::to_string(req.dpi) + " ppp)";
    return res;
  }
  std::string bytes;
  cairo_surface_t* surface = nullptr;
  switch (req.format) {
    case Format::Pdf: surface = cairo_pdf_surface_create_for_stream(appendBytes, &bytes, devW, devH); break;
    case Format::Svg:
      surface = cairo_svg_surface_create_for_stream(appendBytes, &bytes, devW, devH);
      cairo_svg_surface_restrict_to_version(surface, CAIRO_SVG_VERSION_1_1);
      break;
    case Format::Png:
      surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, int(std::ceil(devW)), int(std::ceil(devH)));
      break;
  }
  cairo_t* cr = cairo_create(surface);
  std::unique_ptr<cairo_t, void (*)(cairo_t*)> crGuard(cr, cairo_destroy);
  std::unique_ptr<cairo_surface_t, void (*)(cairo_surface_t*)> surfaceGuard(surface, cairo_surface_destroy);
  if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
    res.error = std::string("impossible de préparer le tracé : ") + cairo_status_to_string(cairo_status(cr));
    return res;
  }
  // White paper, painted first on every kind of output. In a PDF this one
  // full-page operation also makes every later one land inside the page's
  // single "supported" rectangle, which Cairo's page analysis then merges
  // in constant time; without it the analysis unions each operation's box
  // into a region of ever more rectangles and a plot of many entities
  // takes minutes.
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  // The window on the paper, which clips everything drawn.
  double cx0 = (res.originX - ww / 2 * mmPerUnit) * devPerMm, cx1 = (res.originX + ww / 2 * mmPerUnit) * devPerMm;
  double cy0 = (res.originY - wh / 2 * mmPerUnit) * devPerMm, cy1 = (res.originY + wh / 2 * mmPerUnit) * devPerMm;
  cx0 = std::max(cx0, 0.0), cy0 = std::max(cy0, 0.0), cx1 = std::min(cx1, devW), cy1 = std::min(cy1, devH);
  // A window of no width (a horizontal line drawn alone) still shows its lines.
  if (cx1 - cx0 < 1) cx0 -= 0.5 * devPerMm, cx1 += 0.5 * devPerMm;
  if (cy1 - cy0 < 1) cy0 -= 0.5 * devPerMm, cy1 += 0.5 * devPerMm;
  cairo_rectangle(cr, cx0, cy0, cx1 - cx0, cy1 - cy0);
  cairo_clip(cr);

  // Model to device: turned by -rotation (the window's axes), scaled,
  // y downwards, the window's centre on the paper's.
  Xf page;
  const double k = mmPerUnit * devPerMm, cr0 = std::cos(res.rotation), sr0 = std::sin(res.rotation);
  page.m[0][0] = k * cr0;
  page.m[0][1] = k * sr0;
  page.m[0][3] = (res.originX - res.centreX * mmPerUnit) * devPerMm;
  page.m[1][0] = k * sr0;
  page.m[1][1] = -k * cr0;
  page.m[1][3] = (res.originY + res.centreY * mmPerUnit) * devPerMm;

  Renderer renderer(db, cr, devPerMm, mmPerUnit, Bounds{cx0, cy0, cx1, cy1}, raster, res);
  ObjectRecord* ms = db.modelSpaceId().record();
  const std::vector<ObjectRecord*> entities = ms ? ms->children : std::vector<ObjectRecord*>{};
  const Renderer::Context top = renderer.top(page);
  const int total = int(entities.size());
  for (int i = 0; i < total; ++i) {
    if (req.progress && (i % 2000 == 0) && !req.progress(i, total)) {
      res.error = "tracé interrompu";
      return res;
    }
    if (entities[size_t(i)]->erased()) continue;
    if (!renderer.drawEntity(*entities[size_t(i)], top)) break;
  }
  renderer.flush();
  if (!renderer.marked()) {
    res.error = "rien à tracer dans cette zone";
    return res;
  }
  if (req.progress) req.progress(total, total);
  if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
    res.error = std::string("échec du tracé : ") + cairo_status_to_string(cairo_status(cr));
    return res;
  }
  if (raster) {
    cairo_surface_flush(surface);
    cairo_status_t s = cairo_surface_write_to_png_stream(surface, appendBytes, &bytes);
    if (s != CAIRO_STATUS_SUCCESS) {
      res.error = std::string("échec de l'image : ") + cairo_status_to_string(s);
      return res;
    }
  } else {
    cairo_show_page(cr);
    crGuard.reset();
    cairo_surface_finish(surface);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
      res.error = std::string("échec du tracé : ") + cairo_status_to_string(cairo_surface_status(surface));
      return res;
    }
  }
  std::string why;
  if (!writeFile(req.output, bytes, why)) {
    res.error = why.empty() ? "impossible d'écrire " + req.output : why;
    return res;
  }
  res.ok = true;
  return res;
}

std::string skippedSummary(const Result& result) {
  std::ostringstream o;
  bool first = true;
  for (const auto& [type, n] : result.skipped) {
    o << (first ? "" : ", ") << n << " " << type;
    first = false;
  }
  return o.str();
}

}  // namespace host::plot
