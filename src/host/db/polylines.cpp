// Light polylines and old-style polylines with their vertices.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "host/db/entities.hpp"
#include "host/db/entity_tags.hpp"

using host::ObjectRecord;
using host::Tag;
using host::Tags;

using namespace host::entity_tags;

// ------------------------------------------------------- light polyline

ZcDbPolyline::ZcDbPolyline() {
  if (host::makingView()) return;
  Tags t = entityHead();
  t.push_back({100, "AcDbPolyline"});
  t.push_back({90, "0"});
  t.push_back({70, "0"});
  t.push_back({43, "0.0"});
  initNew("LWPOLYLINE", t);
}

std::vector<ZcDbPolyline::Vertex> ZcDbPolyline::vertices() const {
  std::vector<Vertex> out;
  bool in = false;
  for (const auto& t : rec_->tags) {
    if (t.code >= 1000) break;
    if (t.code == 100) {
      in = t.value == "AcDbPolyline";
      continue;
    }
    if (!in) continue;
    switch (t.code) {
      case 10:
        out.emplace_back();
        out.back().point.x = host::parseDouble(t.value);
        break;
      case 20:
        if (!out.empty()) out.back().point.y = host::parseDouble(t.value);
        break;
      case 40:
        if (!out.empty()) {
          out.back().startWidth = host::parseDouble(t.value);
          out.back().hasWidths = true;
        }
        break;
      case 41:
        if (!out.empty()) {
          out.back().endWidth = host::parseDouble(t.value);
          out.back().hasWidths = true;
        }
        break;
      case 42:
        if (!out.empty()) out.back().bulge = host::parseDouble(t.value);
        break;
      case 91:
        if (!out.empty()) {
          out.back().id = uint32_t(host::parseInt(t.value));
          out.back().hasId = true;
        }
        break;
      default:
        break;
    }
  }
  return out;
}

Zcad::ErrorStatus ZcDbPolyline::setVertices(const std::vector<Vertex>& vs) {
  if (auto s = checkWrite()) return s;
  Tags tags = rec_->tags.unpack();
  Tags out;
  bool in = false, wrote = false;
  // A constant width of 0 next to vertices with widths of their own goes:
  // readers that see the constant width use it for every segment.
  const bool variable =
      std::any_of(vs.begin(), vs.end(), [](const Vertex& v) { return v.startWidth != 0 || v.endWidth != 0; });
  auto writeVertices = [&]() {
    for (const Vertex& v : vs) {
      out.push_back({10, host::formatDouble(v.point.x)});
      out.push_back({20, host::formatDouble(v.point.y)});
      if (v.hasWidths || v.startWidth != 0 || v.endWidth != 0) {
        out.push_back({40, host::formatDouble(v.startWidth)});
        out.push_back({41, host::formatDouble(v.endWidth)});
      }
      if (v.bulge != 0) out.push_back({42, host::formatDouble(v.bulge)});
      if (v.hasId) out.push_back({91, std::to_string(v.id)});
    }
    wrote = true;
  };
  for (size_t i = 0; i < tags.size(); ++i) {
    Tag& t = tags[i];
    if (t.code == 100) {
      if (in && !wrote) writeVertices();
      in = t.value == "AcDbPolyline";
      out.push_back(std::move(t));
      continue;
    }
    if (t.code >= 1000 && in && !wrote) {
      writeVertices();
      in = false;
    }
    if (in) {
      if (t.code == 10 || t.code == 20 || t.code == 40 || t.code == 41 || t.code == 42 || t.code == 91) continue;
      if (t.code == 43 && variable && std::strtod(t.value.c_str(), nullptr) == 0) continue;
      if (t.code == 90) {
        t.value = std::to_string(vs.size());
      }
      if (t.code == 210 && !wrote) writeVertices();
    }
    out.push_back(std::move(t));
  }
  if (in && !wrote) writeVertices();
  rec_->tags.assign(out);
  if (!has("AcDbPolyline", 90)) setInt("AcDbPolyline", 90, long(vs.size()));
  return Zcad::eOk;
}

unsigned ZcDbPolyline::numVerts() const { return unsigned(vertices().size()); }
Zcad::ErrorStatus ZcDbPolyline::getPointAt(unsigned i, ZcGePoint2d& p) const {
  auto v = vertices();
  if (i >= v.size()) return Zcad::eInvalidIndex;
  p = v[i].point;
  return Zcad::eOk;
}
Zcad::ErrorStatus ZcDbPolyline::getPointAt(unsigned i, ZcGePoint3d& p) const {
  ZcGePoint2d q;
  if (auto s = getPointAt(i, q)) return s;
  p = ZcGePoint3d(q.x, q.y, elevation());
  return Zcad::eOk;
}
Zcad::ErrorStatus ZcDbPolyline::getBulgeAt(unsigned i, double& b) const {
  auto v = vertices();
  if (i >= v.size()) return Zcad::eInvalidIndex;
  b = v[i].bulge;
  return Zcad::eOk;
}
Zcad::ErrorStatus ZcDbPolyline::getWidthsAt(unsigned i, double& a, double& b) const {
  auto v = vertices();
  if (i >= v.size()) return Zcad::eInvalidIndex;
  double cw = constantWidth();
  a = v[i].hasWidths ? v[i].startWidth : cw;
  b = v[i].hasWidths ? v[i].endWidth : cw;
  return Zcad::eOk;
}
Zcad::ErrorStatus ZcDbPolyline::addVertexAt(unsigned i, const ZcGePoint2d& p, double bulge, double sw, double ew) {
  auto v = vertices();
  if (i > v.size()) return Zcad::eInvalidIndex;
  Vertex nv;
  nv.point = p;
  nv.bulge = bulge;
  if (sw >= 0 || ew >= 0) {
    nv.startWidth = std::max(0.0, sw);
    nv.endWidth = std::max(0.0, ew);
    nv.hasWidths = true;
  }
  v.insert(v.begin() + i, nv);
  return setVertices(v);
}
Zcad::ErrorStatus ZcDbPolyline::removeVertexAt(unsigned i) {
  auto v = vertices();
  if (i >= v.size()) return Zcad::eInvalidIndex;
  v.erase(v.begin() + i);
  return setVertices(v);
}
Zcad::ErrorStatus ZcDbPolyline::setPointAt(unsigned i, const ZcGePoint2d& p) {
  auto v = vertices();
  if (i >= v.size()) return Zcad::eInvalidIndex;
  v[i].point = p;
  return setVertices(v);
}
Zcad::ErrorStatus ZcDbPolyline::setBulgeAt(unsigned i, double b) {
  auto v = vertices();
  if (i >= v.size()) return Zcad::eInvalidIndex;
  v[i].bulge = b;
  return setVertices(v);
}
Zcad::ErrorStatus ZcDbPolyline::setWidthsAt(unsigned i, double a, double b) {
  auto v = vertices();
  if (i >= v.size()) return Zcad::eInvalidIndex;
  v[i].startWidth = a;
  v[i].endWidth = b;
  v[i].hasWidths = true;
  return setVertices(v);
}
bool ZcDbPolyline::isClosed() const { return (getInt("AcDbPolyline", 70, 0) & 1) != 0; }
Zcad::ErrorStatus ZcDbPolyline::setClosed(bool c) {
  long long f = getInt("AcDbPolyline", 70, 0);
  return setInt("AcDbPolyline", 70, c ? (f | 1) : (f & ~1LL));
}
double ZcDbPolyline::elevation() const { return getDouble("AcDbPolyline", 38, 0); }
Zcad::ErrorStatus ZcDbPolyline::setElevation(double z) { return setDouble("AcDbPolyline", 38, z); }
double ZcDbPolyline::constantWidth() const { return getDouble("AcDbPolyline", 43, 0); }
ZcGeVector3d ZcDbPolyline::normal() const {
  ZcGePoint3d n = getPoint("AcDbPolyline", 210, ZcGePoint3d(0, 0, 1));
  return ZcGeVector3d(n.x, n.y, n.z);
}
Zcad::ErrorStatus ZcDbPolyline::transformBy(const ZcGeMatrix3d& m) {
  if (auto s = checkWrite()) return s;
  auto v = vertices();
  double z = elevation();
  bool flip = m.det() < 0;
  for (auto& vx : v) {
    ZcGePoint3d p = m * ZcGePoint3d(vx.point.x, vx.point.y, z);
    vx.point = ZcGePoint2d(p.x, p.y);
    if (flip) vx.bulge = -vx.bulge;
    double k = m.scale();
    vx.startWidth *= k;
    vx.endWidth *= k;
  }
  ZcGePoint3d e = m * ZcGePoint3d(0, 0, z);
  setVertices(v);
  if (has("AcDbPolyline", 38) || e.z != 0) setElevation(e.z);
  return Zcad::eOk;
}
bool ZcDbPolyline::toPath(Path& path) const {
  std::vector<PathVertex> pv;
  double z = elevation();
  for (const auto& v : vertices()) pv.push_back(PathVertex{ZcGePoint3d(v.point.x, v.point.y, z), v.bulge});
  path = Path::polyline(pv, isClosed());
  return true;
}
Zcad::ErrorStatus ZcDbPolyline::getGeomExtents(ZcDbExtents& ext) const {
  Path p;
  toPath(p);
  if (numVerts() == 0) return Zcad::eInvalidExtents;
  ext = p.extents();
  return Zcad::eOk;
}

// ------------------------------------------------------------- vertices

ZcGePoint3d ZcDbVertex::position() const {
  for (const char* sc : {"AcDb2dVertex", "AcDb3dPolylineVertex", "AcDbPolygonMeshVertex", "AcDbPolyFaceMeshVertex", "AcDbFaceRecord"})
    if (has(sc, 10)) {
      ZcGePoint3d p = getPoint(sc, 10);
      // A 2D vertex lies at the elevation of its polyline.
      if (std::string_view(sc) == "AcDb2dVertex" && rec_->parent) {
        auto head = ZcDbObject::makeView(rec_->parent, ZcDb::kForRead);
        if (auto* pl = ZcDb2dPolyline::cast(head.get())) p.z = pl->elevation();
      }
      return p;
    }
  return getPoint("", 10);
}
Zcad::ErrorStatus ZcDbVertex::setPosition(const ZcGePoint3d& p) {
  for (const char* sc : {"AcDb2dVertex", "AcDb3dPolylineVertex", "AcDbPolygonMeshVertex", "AcDbPolyFaceMeshVertex", "AcDbFaceRecord"})
    if (has(sc, 10)) return setPoint(sc, 10, p);
  return setPoint(isA()->dxfMarker() ? isA()->dxfMarker() : "", 10, p);
}
int ZcDbVertex::vertexFlags() const { return int(getInt("", 70, 0)); }
Zcad::ErrorStatus ZcDbVertex::transformBy(const ZcGeMatrix3d& m) { return setPosition(m * position()); }
Zcad::ErrorStatus ZcDbVertex::getGeomExtents(ZcDbExtents& ext) const {
  ext = ZcDbExtents(position(), position());
  return Zcad::eOk;
}

static Tags vertexTags(const char* marker, const ZcGePoint3d& p, int flags, bool withVertexPart = true) {
  Tags t = entityHead();
  if (withVertexPart) t.push_back({100, "AcDbVertex"});
  t.push_back({100, marker});
  addPoint(t, 10, p);
  t.push_back({70, std::to_string(flags)});
  return t;
}

ZcDb2dVertex::ZcDb2dVertex() : ZcDb2dVertex(ZcGePoint3d()) {}
ZcDb2dVertex::ZcDb2dVertex(const ZcGePoint3d& p, double bulge) {
  if (host::makingView()) return;
  Tags t = vertexTags("AcDb2dVertex", p, 0);
  if (bulge != 0) t.push_back({42, host::formatDouble(bulge)});
  initNew("VERTEX", t);
}
double ZcDb2dVertex::bulge() const { return getDouble("AcDb2dVertex", 42, 0); }
Zcad::ErrorStatus ZcDb2dVertex::setBulge(double b) { return setDouble("AcDb2dVertex", 42, b); }
ZcDb::Vertex2dType ZcDb2dVertex::vertexType() const {
  int f = vertexFlags();
  if (f & 16) return ZcDb::k2dSplineCtlVertex;
  if (f & 8) return ZcDb::k2dSplineFitVertex;
  if (f & 1) return ZcDb::k2dCurveFitVertex;
  return ZcDb::k2dVertex;
}
double ZcDb2dVertex::startWidth() const { return getDouble("AcDb2dVertex", 40, 0); }
double ZcDb2dVertex::endWidth() const { return getDouble("AcDb2dVertex", 41, 0); }

ZcDb3dPolylineVertex::ZcDb3dPolylineVertex() : ZcDb3dPolylineVertex(ZcGePoint3d()) {}
ZcDb3dPolylineVertex::ZcDb3dPolylineVertex(const ZcGePoint3d& p) {
  if (host::makingView()) return;
  initNew("VERTEX", vertexTags("AcDb3dPolylineVertex", p, 32));
}
ZcDb::Vertex3dType ZcDb3dPolylineVertex::vertexType() const {
  int f = vertexFlags();
  if (f & 16) return ZcDb::k3dControlVertex;
  if (f & 8) return ZcDb::k3dFitVertex;
  return ZcDb::k3dSimpleVertex;
}
ZcDbPolygonMeshVertex::ZcDbPolygonMeshVertex() : ZcDbPolygonMeshVertex(ZcGePoint3d()) {}
ZcDbPolygonMeshVertex::ZcDbPolygonMeshVertex(const ZcGePoint3d& p) {
  if (host::makingView()) return;
  initNew("VERTEX", vertexTags("AcDbPolygonMeshVertex", p, 64));
}
ZcDbPolyFaceMeshVertex::ZcDbPolyFaceMeshVertex() : ZcDbPolyFaceMeshVertex(ZcGePoint3d()) {}
ZcDbPolyFaceMeshVertex::ZcDbPolyFaceMeshVertex(const ZcGePoint3d& p) {
  if (host::makingView()) return;
  initNew("VERTEX", vertexTags("AcDbPolyFaceMeshVertex", p, 192));
}
ZcDbFaceRecord::ZcDbFaceRecord() : ZcDbFaceRecord(0, 0, 0, 0) {}
ZcDbFaceRecord::ZcDbFaceRecord(int a, int b, int c, int d) {
  if (host::makingView()) return;
  Tags t = vertexTags("AcDbFaceRecord", ZcGePoint3d(), 128, false);
  t.push_back({71, std::to_string(a)});
  t.push_back({72, std::to_string(b)});
  t.push_back({73, std::to_string(c)});
  t.push_back({74, std::to_string(d)});
  initNew("VERTEX", t);
}
int ZcDbFaceRecord::getVertexAt(int i) const {
  if (i < 0 || i > 3) return 0;
  return int(getInt("AcDbFaceRecord", 71 + i, 0));
}
Zcad::ErrorStatus ZcDbFaceRecord::getGeomExtents(ZcDbExtents&) const { return Zcad::eInvalidExtents; }

ZcDbSequenceEnd::ZcDbSequenceEnd() {
  if (host::makingView()) return;
  initNew("SEQEND", entityHead());
}
Zcad::ErrorStatus ZcDbSequenceEnd::getGeomExtents(ZcDbExtents&) const { return Zcad::eInvalidExtents; }

// --------------------------------------------------- old-style polylines

static Tags polylineTags(const char* marker, int flags, int m = 0, int n = 0) {
  Tags t = entityHead();
  t.push_back({100, marker});
  t.push_back({66, "1"});
  addPoint(t, 10, ZcGePoint3d());
  t.push_back({70, std::to_string(flags)});
  if (m || n) {
    t.push_back({71, std::to_string(m)});
    t.push_back({72, std::to_string(n)});
  }
  return t;
}

std::vector<ZcDbObjectId> ZcDbPolylineWithVertices::vertexIds() const {
  std::vector<ZcDbObjectId> out;
  for (ObjectRecord* c : rec_->children)
    if (!c->erased() && c->typeName() == "VERTEX") out.emplace_back(c);
  return out;
}
int ZcDbPolylineWithVertices::polylineFlags() const { return int(getInt(isA()->dxfMarker(), 70, 0)); }
bool ZcDbPolylineWithVertices::isClosed() const { return (polylineFlags() & 1) != 0; }
Zcad::ErrorStatus ZcDbPolylineWithVertices::setClosed(bool c) {
  int f = polylineFlags();
  return setInt(isA()->dxfMarker(), 70, c ? (f | 1) : (f & ~1));
}
Zcad::ErrorStatus ZcDbPolylineWithVertices::appendVertex(ZcDbObjectId& id, ZcDbVertex* vertex) {
  if (auto s = checkWrite()) return s;
  return host::appendSubEntity(rec_, vertex, id);
}
Zcad::ErrorStatus ZcDbPolylineWithVertices::transformBy(const ZcGeMatrix3d& m) {
  if (auto s = checkWrite()) return s;
  if (ZcDb2dPolyline::cast(this)) {
    auto* p2 = static_cast<ZcDb2dPolyline*>(this);
    ZcGePoint3d e = m * ZcGePoint3d(0, 0, p2->elevation());
    for (ZcDbObjectId v : vertexIds()) {
      ZcDbObjectPointer<ZcDb2dVertex> vx(v, ZcDb::kForWrite);
      if (!vx) continue;
      ZcGePoint3d p = vx->position();
      ZcGePoint3d q = m * p;
      vx->setPosition(ZcGePoint3d(q.x, q.y, 0));
      if (m.det() < 0) vx->setBulge(-vx->bulge());
    }
    return p2->setElevation(e.z);
  }
  for (ZcDbObjectId v : vertexIds()) {
    ZcDbObjectPointer<ZcDbVertex> vx(v, ZcDb::kForWrite);
    if (vx && !ZcDbFaceRecord::cast(vx.object())) vx->transformBy(m);
  }
  return Zcad::eOk;
}
Zcad::ErrorStatus ZcDbPolylineWithVertices::getGeomExtents(ZcDbExtents& ext) const {
  Path p;
  if (toPath(p) && !p.vertices().empty()) {
    ext = p.extents();
    return Zcad::eOk;
  }
  ZcDbExtents e;
  for (ZcDbObjectId v : vertexIds()) {
    ZcDbObjectPointer<ZcDbVertex> vx(v, ZcDb::kForRead);
    ZcDbExtents ve;
    if (vx && vx->getGeomExtents(ve) == Zcad::eOk) e.addExt(ve);
  }
  if (!e.isValid()) return Zcad::eInvalidExtents;
  ext = e;
  return Zcad::eOk;
}

ZcDb2dPolyline::ZcDb2dPolyline() {
  if (host::makingView()) return;
  initNew("POLYLINE", polylineTags("AcDb2dPolyline", 0));
}
double ZcDb2dPolyline::elevation() const { return getPoint("AcDb2dPolyline", 10).z; }
Zcad::ErrorStatus ZcDb2dPolyline::setElevation(double z) { return setPoint("AcDb2dPolyline", 10, ZcGePoint3d(0, 0, z)); }
ZcDb::Poly2dType ZcDb2dPolyline::polyType() const {
  int f = polylineFlags();
  if (f & 2) return ZcDb::k2dFitCurvePoly;
  if (f & 4) {
    int t = int(getInt("AcDb2dPolyline", 75, 0));
    return t == 5 ? ZcDb::k2dQuadSplinePoly : ZcDb::k2dCubicSplinePoly;
  }
  return ZcDb::k2dSimplePoly;
}
bool ZcDb2dPolyline::toPath(Path& path) const {
  std::vector<PathVertex> pv;
  for (ZcDbObjectId v : vertexIds()) {
    ZcDbObjectPointer<ZcDb2dVertex> vx(v, ZcDb::kForRead);
    if (!vx || vx->vertexType() == ZcDb::k2dSplineCtlVertex) continue;
    pv.push_back(PathVertex{vx->position(), vx->bulge()});
  }
  path = Path::polyline(pv, isClosed());
  return true;
}

ZcDb3dPolyline::ZcDb3dPolyline() {
  if (host::makingView()) return;
  initNew("POLYLINE", polylineTags("AcDb3dPolyline", 8));
}
ZcDb::Poly3dType ZcDb3dPolyline::polyType() const {
  int f = polylineFlags();
  if (f & 4) return int(getInt("AcDb3dPolyline", 75, 0)) == 5 ? ZcDb::k3dQuadSplinePoly : ZcDb::k3dCubicSplinePoly;
  return ZcDb::k3dSimplePoly;
}
bool ZcDb3dPolyline::toPath(Path& path) const {
  std::vector<PathVertex> pv;
  for (ZcDbObjectId v : vertexIds()) {
    ZcDbObjectPointer<ZcDb3dPolylineVertex> vx(v, ZcDb::kForRead);
    if (!vx || vx->vertexType() == ZcDb::k3dControlVertex) continue;
    pv.push_back(PathVertex{vx->position(), 0.0});
  }
  path = Path::polyline(pv, isClosed());
  return true;
}

ZcDbPolygonMesh::ZcDbPolygonMesh() : ZcDbPolygonMesh(0, 0) {}
ZcDbPolygonMesh::ZcDbPolygonMesh(int m, int n) {
  if (host::makingView()) return;
  initNew("POLYLINE", polylineTags("AcDbPolygonMesh", 16, m, n));
}
int ZcDbPolygonMesh::mSize() const { return int(getInt("AcDbPolygonMesh", 71, 0)); }
int ZcDbPolygonMesh::nSize() const { return int(getInt("AcDbPolygonMesh", 72, 0)); }

ZcDbPolyFaceMesh::ZcDbPolyFaceMesh() {
  if (host::makingView()) return;
  initNew("POLYLINE", polylineTags("AcDbPolyFaceMesh", 64, 0, 0));
}
int ZcDbPolyFaceMesh::numVertices() const { return int(getInt("AcDbPolyFaceMesh", 71, 0)); }
int ZcDbPolyFaceMesh::numFaces() const { return int(getInt("AcDbPolyFaceMesh", 72, 0)); }

// ---------------------------------------------------------------- table

int ZcDbTable::numRows() const { return int(getInt("AcDbTable", 91, 0)); }
int ZcDbTable::numColumns() const { return int(getInt("AcDbTable", 92, 0)); }
std::wstring ZcDbTable::textString(int row, int column) const {
  int cols = numColumns();
  if (row < 0 || column < 0 || row >= numRows() || column >= cols) return {};
  // Cell texts follow the cell type marks (171) in row order; a long text
  // comes in 250-byte chunks (2) before its last part (1).
  int cell = -1;
  int wanted = row * cols + column;
  bool in = false;
  std::string chunks;
  for (const auto& t : rec_->tags) {
    if (t.code == 100) {
      in = t.value == "AcDbTable";
      continue;
    }
    if (!in) continue;
    if (t.code == 171) ++cell;
    if (cell == wanted && t.code == 2) chunks += t.value;
    if (cell == wanted && t.code == 1) return host::fromUtf8(chunks + std::string(t.value));
    if (cell > wanted) break;
  }
  return {};
}
