#include "host/db/entities.hpp"

#include <algorithm>
#include <cmath>

#include "host/db/entity_tags.hpp"

using host::ObjectRecord;
using host::Tag;
using host::Tags;
using namespace host::entity_tags;

// ---------------------------------------------------------------- entity

std::string ZcDbEntity::layerName() const { return getString("AcDbEntity", 8, "0"); }
std::wstring ZcDbEntity::layer() const { return host::fromUtf8(layerName()); }
ZcDbObjectId ZcDbEntity::layerId() const {
  return rec_->db ? rec_->db->symbolId("LAYER", layerName()) : ZcDbObjectId();
}
Zcad::ErrorStatus ZcDbEntity::setLayer(const std::wstring& name) {
  std::string n = host::toUtf8(name);
  if (rec_->db && rec_->db->symbolId("LAYER", n).isNull()) return Zcad::eKeyNotFound;
  return setValue("AcDbEntity", 8, n);
}
Zcad::ErrorStatus ZcDbEntity::setLayer(ZcDbObjectId id) {
  if (id.isNull()) return Zcad::eNullObjectId;
  ZcDbObjectPointer<ZcDbLayerTableRecord> l(id, ZcDb::kForRead);
  if (!l) return l.openStatus();
  return setValue("AcDbEntity", 8, l->name());
}
int ZcDbEntity::colorIndex() const { return int(getInt("AcDbEntity", 62, 256)); }
Zcad::ErrorStatus ZcDbEntity::setColorIndex(int c) {
  if (c < 0 || c > 257) return Zcad::eInvalidInput;
  return setInt("AcDbEntity", 62, c);
}
std::wstring ZcDbEntity::linetype() const { return host::fromUtf8(getString("AcDbEntity", 6, "ByLayer")); }
Zcad::ErrorStatus ZcDbEntity::setLinetype(const std::wstring& name) {
  return setValue("AcDbEntity", 6, host::toUtf8(name));
}
ZcDb::Visibility ZcDbEntity::visibility() const {
  return getInt("AcDbEntity", 60, 0) ? ZcDb::kInvisible : ZcDb::kVisible;
}
Zcad::ErrorStatus ZcDbEntity::setVisibility(ZcDb::Visibility v) { return setInt("AcDbEntity", 60, v == ZcDb::kInvisible ? 1 : 0); }
Zcad::ErrorStatus ZcDbEntity::setPropertiesFrom(const ZcDbEntity& o) {
  if (auto s = setValue("AcDbEntity", 8, o.layerName())) return s;
  setColorIndex(o.colorIndex());
  setLinetype(o.linetype());
  return setVisibility(o.visibility());
}
namespace {
// Entity kinds without a class of their own that a transformation can still
// move: which groups of their own part are positions and which are
// directions (moved without the translation), and the part they live in.
struct GenericGeometry {
  const char* type;
  const char* subclass;
  std::initializer_list<int> points;
  std::initializer_list<int> vectors;
  std::initializer_list<int> lengths;   // scaled
  std::initializer_list<int> angles;    // degrees, turned
};
const GenericGeometry kGenericGeometry[] = {
    {"ELLIPSE", "AcDbEllipse", {10}, {11}, {}, {}},
    {"SPLINE", "AcDbSpline", {10, 11}, {12, 13}, {}, {}},
    {"SOLID", "AcDbTrace", {10, 11, 12, 13}, {}, {}, {}},
    {"TRACE", "AcDbTrace", {10, 11, 12, 13}, {}, {}, {}},
    {"XLINE", "AcDbXline", {10}, {11}, {}, {}},
    {"LEADER", "AcDbLeader", {10}, {}, {40, 41}, {}},
    {"IMAGE", "AcDbRasterImage", {10}, {11, 12}, {}, {}},
    {"WIPEOUT", "AcDbWipeout", {10}, {11, 12}, {}, {}},
    {"SHAPE", "AcDbShape", {10}, {}, {40}, {50}},
};
}  // namespace

// Kinds without a class of their own: positions and directions of the table
// above. Every point group of such a part is moved, repeated groups included
// (spline control points, leader vertices).
Zcad::ErrorStatus ZcDbEntity::transformBy(const ZcGeMatrix3d& m) {
  const GenericGeometry* g = nullptr;
  for (const auto& k : kGenericGeometry)
    if (rec_->typeName() == k.type) g = &k;
  if (!g) return Zcad::eNotApplicable;
  if (auto s = checkWrite()) return s;
  auto in = [](std::initializer_list<int> l, int c) { return std::find(l.begin(), l.end(), c) != l.end(); };
  Tags tags = rec_->tags.unpack();
  bool inPart = false;
  double k = m.scale(), turn = toDeg(rotationOf(m));
  for (size_t i = 0; i < tags.size(); ++i) {
    int c = tags[i].code;
    if (c >= 1000) break;
    if (c == 100) {
      inPart = tags[i].value == g->subclass;
      continue;
    }
    if (!inPart) continue;
    if (in(g->lengths, c)) tags[i].value = host::formatDouble(tags[i].toDouble() * k);
    if (in(g->angles, c)) tags[i].value = host::formatDouble(tags[i].toDouble() + turn);
    bool isPoint = in(g->points, c), isVector = in(g->vectors, c);
    if (!isPoint && !isVector) continue;
    // X, then Y and Z when they follow.
    size_t iy = (i + 1 < tags.size() && tags[i + 1].code == c + 10) ? i + 1 : 0;
    size_t iz = (iy && iy + 1 < tags.size() && tags[iy + 1].code == c + 20) ? iy + 1 : 0;
    ZcGePoint3d p(tags[i].toDouble(), iy ? tags[iy].toDouble() : 0, iz ? tags[iz].toDouble() : 0);
    ZcGePoint3d q = isPoint ? m * p : ZcGePoint3d(0, 0, 0) + m * ZcGeVector3d(p.x, p.y, p.z);
    tags[i].value = host::formatDouble(q.x);
    if (iy) tags[iy].value = host::formatDouble(q.y);
    if (iz) tags[iz].value = host::formatDouble(q.z);
    i = iz ? iz : iy ? iy : i;
  }
  rec_->tags.assign(tags);
  return Zcad::eOk;
}
Zcad::ErrorStatus ZcDbEntity::getGeomExtents(ZcDbExtents&) const { return Zcad::eInvalidExtents; }

// ------------------------------------------------------ simple entities

ZcDbLine::ZcDbLine() : ZcDbLine(ZcGePoint3d(), ZcGePoint3d()) {}
ZcDbLine::ZcDbLine(const ZcGePoint3d& a, const ZcGePoint3d& b) {
  if (host::makingView()) return;
  Tags t = entityHead();
  t.push_back({100, "AcDbLine"});
  addPoint(t, 10, a);
  addPoint(t, 11, b);
  initNew("LINE", t);
}
ZcGePoint3d ZcDbLine::startPoint() const { return getPoint("AcDbLine", 10); }
ZcGePoint3d ZcDbLine::endPoint() const { return getPoint("AcDbLine", 11); }
Zcad::ErrorStatus ZcDbLine::setStartPoint(const ZcGePoint3d& p) { return setPoint("AcDbLine", 10, p); }
Zcad::ErrorStatus ZcDbLine::setEndPoint(const ZcGePoint3d& p) { return setPoint("AcDbLine", 11, p); }
Zcad::ErrorStatus ZcDbLine::transformBy(const ZcGeMatrix3d& m) {
  if (auto s = setStartPoint(m * startPoint())) return s;
  return setEndPoint(m * endPoint());
}
Zcad::ErrorStatus ZcDbLine::getGeomExtents(ZcDbExtents& ext) const {
  ext = ZcDbExtents(startPoint(), endPoint());
  return Zcad::eOk;
}
bool ZcDbLine::toPath(Path& path) const {
  path = Path::line(startPoint(), endPoint());
  return true;
}

ZcDbRay::ZcDbRay() {
  if (host::makingView()) return;
  Tags t = entityHead();
  t.push_back({100, "AcDbRay"});
  addPoint(t, 10, {});
  addPoint(t, 11, ZcGePoint3d(1, 0, 0));
  initNew("RAY", t);
}
ZcGePoint3d ZcDbRay::basePoint() const { return getPoint("AcDbRay", 10); }
Zcad::ErrorStatus ZcDbRay::setBasePoint(const ZcGePoint3d& p) { return setPoint("AcDbRay", 10, p); }
ZcGeVector3d ZcDbRay::unitDir() const {
  ZcGePoint3d d = getPoint("AcDbRay", 11, ZcGePoint3d(1, 0, 0));
  return ZcGeVector3d(d.x, d.y, d.z).normal();
}
Zcad::ErrorStatus ZcDbRay::setUnitDir(const ZcGeVector3d& v) {
  ZcGeVector3d n = v.normal();
  if (n.length() == 0) return Zcad::eInvalidInput;
  return setPoint("AcDbRay", 11, ZcGePoint3d(n.x, n.y, n.z));
}
Zcad::ErrorStatus ZcDbRay::transformBy(const ZcGeMatrix3d& m) {
  if (auto s = setBasePoint(m * basePoint())) return s;
  return setUnitDir(m * unitDir());
}
Zcad::ErrorStatus ZcDbRay::getGeomExtents(ZcDbExtents&) const { return Zcad::eInvalidExtents; }

ZcDbPoint::ZcDbPoint() : ZcDbPoint(ZcGePoint3d()) {}
ZcDbPoint::ZcDbPoint(const ZcGePoint3d& p) {
  if (host::makingView()) return;
  Tags t = entityHead();
  t.push_back({100, "AcDbPoint"});
  addPoint(t, 10, p);
  initNew("POINT", t);
}
ZcGePoint3d ZcDbPoint::position() const { return getPoint("AcDbPoint", 10); }
Zcad::ErrorStatus ZcDbPoint::setPosition(const ZcGePoint3d& p) { return setPoint("AcDbPoint", 10, p); }
Zcad::ErrorStatus ZcDbPoint::transformBy(const ZcGeMatrix3d& m) { return setPosition(m * position()); }
Zcad::ErrorStatus ZcDbPoint::getGeomExtents(ZcDbExtents& ext) const {
  ext = ZcDbExtents(position(), position());
  return Zcad::eOk;
}

ZcDbCircle::ZcDbCircle() : ZcDbCircle(ZcGePoint3d(), 1.0) {}
ZcDbCircle::ZcDbCircle(const ZcGePoint3d& c, double r) {
  if (host::makingView()) return;
  Tags t = entityHead();
  t.push_back({100, "AcDbCircle"});
  addPoint(t, 10, c);
  t.push_back({40, host::formatDouble(r)});
  initNew("CIRCLE", t);
}
ZcGePoint3d ZcDbCircle::center() const { return getPoint("AcDbCircle", 10); }
Zcad::ErrorStatus ZcDbCircle::setCenter(const ZcGePoint3d& p) { return setPoint("AcDbCircle", 10, p); }
double ZcDbCircle::radius() const { return getDouble("AcDbCircle", 40, 0); }
Zcad::ErrorStatus ZcDbCircle::setRadius(double r) {
  if (!(r > 0)) return Zcad::eInvalidInput;
  return setDouble("AcDbCircle", 40, r);
}
Zcad::ErrorStatus ZcDbCircle::transformBy(const ZcGeMatrix3d& m) {
  if (auto s = setCenter(m * center())) return s;
  return setRadius(radius() * m.scale());
}
Zcad::ErrorStatus ZcDbCircle::getGeomExtents(ZcDbExtents& ext) const {
  ext = circleExtents(center(), radius());
  return Zcad::eOk;
}
bool ZcDbCircle::toPath(Path& path) const {
  path = Path::circle(center(), radius());
  return true;
}

ZcDbArc::ZcDbArc() : ZcDbArc(ZcGePoint3d(), 1.0, 0.0, kPi) {}
ZcDbArc::ZcDbArc(const ZcGePoint3d& c, double r, double a0, double a1) {
  if (host::makingView()) return;
  Tags t = entityHead();
  t.push_back({100, "AcDbCircle"});
  addPoint(t, 10, c);
  t.push_back({40, host::formatDouble(r)});
  t.push_back({100, "AcDbArc"});
  t.push_back({50, host::formatDouble(toDeg(a0))});
  t.push_back({51, host::formatDouble(toDeg(a1))});
  initNew("ARC", t);
}
double ZcDbArc::startAngle() const { return toRad(getDouble("AcDbArc", 50, 0)); }
double ZcDbArc::endAngle() const { return toRad(getDouble("AcDbArc", 51, 0)); }
Zcad::ErrorStatus ZcDbArc::setStartAngle(double a) { return setDouble("AcDbArc", 50, toDeg(a)); }
Zcad::ErrorStatus ZcDbArc::setEndAngle(double a) { return setDouble("AcDbArc", 51, toDeg(a)); }
Zcad::ErrorStatus ZcDbArc::transformBy(const ZcGeMatrix3d& m) {
  if (auto s = ZcDbCircle::transformBy(m)) return s;
  double r = rotationOf(m);
  double a0 = startAngle() + r, a1 = endAngle() + r;
  if (mirrors(m)) {
    // A mirror reverses the direction of travel.
    double s0 = -endAngle(), s1 = -startAngle();
    a0 = s0 + r;
    a1 = s1 + r;
  }
  setStartAngle(a0);
  return setEndAngle(a1);
}
Zcad::ErrorStatus ZcDbArc::getGeomExtents(ZcDbExtents& ext) const {
  ext = arcExtents(center(), radius(), startAngle(), endAngle());
  return Zcad::eOk;
}
bool ZcDbArc::toPath(Path& path) const {
  path = Path::arc(center(), radius(), startAngle(), endAngle());
  return true;
}

ZcDbFace::ZcDbFace() : ZcDbFace(ZcGePoint3d(), ZcGePoint3d(), ZcGePoint3d(), ZcGePoint3d()) {}
ZcDbFace::ZcDbFace(const ZcGePoint3d& p0, const ZcGePoint3d& p1, const ZcGePoint3d& p2, const ZcGePoint3d& p3) {
  if (host::makingView()) return;
  Tags t = entityHead();
  t.push_back({100, "AcDbFace"});
  addPoint(t, 10, p0);
  addPoint(t, 11, p1);
  addPoint(t, 12, p2);
  addPoint(t, 13, p3);
  initNew("3DFACE", t);
}
Zcad::ErrorStatus ZcDbFace::getVertexAt(int i, ZcGePoint3d& p) const {
  if (i < 0 || i > 3) return Zcad::eInvalidIndex;
  p = getPoint("AcDbFace", 10 + i);
  return Zcad::eOk;
}
Zcad::ErrorStatus ZcDbFace::setVertexAt(int i, const ZcGePoint3d& p) {
  if (i < 0 || i > 3) return Zcad::eInvalidIndex;
  return setPoint("AcDbFace", 10 + i, p);
}
int ZcDbFace::invisibleEdges() const { return int(getInt("AcDbFace", 70, 0)); }
Zcad::ErrorStatus ZcDbFace::transformBy(const ZcGeMatrix3d& m) {
  if (auto s = checkWrite()) return s;
  for (int i = 0; i < 4; ++i) {
    ZcGePoint3d p;
    getVertexAt(i, p);
    setVertexAt(i, m * p);
  }
  return Zcad::eOk;
}
Zcad::ErrorStatus ZcDbFace::getGeomExtents(ZcDbExtents& ext) const {
  ext = ZcDbExtents();
  for (int i = 0; i < 4; ++i) {
    ZcGePoint3d p;
    getVertexAt(i, p);
    ext.addPoint(p);
  }
  return Zcad::eOk;
}
