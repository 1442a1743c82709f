// Host entity classes. Each reads and writes the DXF tags of its record;
// what a class does not know stays in the record untouched.
#pragma once

#include <string>
#include <vector>

#include "host/db/objects.hpp"
#include "host/geom/extents.hpp"
#include "host/geom/matrix.hpp"
#include "host/geom/path.hpp"

// Scale factors of a block reference along its own axes.
struct ZcGeScale3d {
  double sx = 1.0, sy = 1.0, sz = 1.0;
  ZcGeScale3d() = default;
  ZcGeScale3d(double s) : sx(s), sy(s), sz(s) {}
  ZcGeScale3d(double x, double y, double z) : sx(x), sy(y), sz(z) {}
};

class ZcDbEntity : public ZcDbObject {
  GELTARO_DECLARE_CLASS(ZcDbEntity)
 public:
  ZcDbObjectId blockId() const { return ownerId(); }
  std::wstring layer() const;
  std::string layerName() const;  // UTF-8
  ZcDbObjectId layerId() const;
  Zcad::ErrorStatus setLayer(const std::wstring& name);
  Zcad::ErrorStatus setLayer(ZcDbObjectId layerId);
  int colorIndex() const;  // 256 by layer (also when absent), 0 by block
  Zcad::ErrorStatus setColorIndex(int c);
  std::wstring linetype() const;
  Zcad::ErrorStatus setLinetype(const std::wstring& name);
  ZcDb::Visibility visibility() const;
  Zcad::ErrorStatus setVisibility(ZcDb::Visibility v);
  // Copies layer, colour, linetype and visibility of another entity.
  Zcad::ErrorStatus setPropertiesFrom(const ZcDbEntity& other);

  // Geometry services. transformBy changes the entity in place.
  virtual Zcad::ErrorStatus transformBy(const ZcGeMatrix3d& m);
  virtual Zcad::ErrorStatus getGeomExtents(ZcDbExtents& ext) const;
  // The entity as a path for curve services (lines, arcs, circles,
  // polylines); false for other kinds.
  virtual bool toPath(Path& path) const { return false; }
};

class ZcDbText : public ZcDbEntity {
  GELTARO_DECLARE_CLASS(ZcDbText)
 public:
  ZcDbText();
  ZcDbText(const ZcGePoint3d& position, const std::wstring& text, ZcDbObjectId style = {}, double height = 0,
           double rotation = 0);
  ZcGePoint3d position() const;
  Zcad::ErrorStatus setPosition(const ZcGePoint3d& p);
  ZcGePoint3d alignmentPoint() const;
  Zcad::ErrorStatus setAlignmentPoint(const ZcGePoint3d& p);
  bool isDefaultAlignment() const;  // left, base line: the alignment point is not used
  std::wstring textString() const;   // \U+XXXX escapes decoded
  Zcad::ErrorStatus setTextString(const std::wstring& s);
  double height() const;
  Zcad::ErrorStatus setHeight(double h);
  double rotation() const;  // radians
  Zcad::ErrorStatus setRotation(double r);
  double widthFactor() const;
  Zcad::ErrorStatus setWidthFactor(double w);
  double oblique() const;  // radians
  Zcad::ErrorStatus setOblique(double a);
  double thickness() const;
  Zcad::ErrorStatus setThickness(double t);
  ZcGeVector3d normal() const;
  Zcad::ErrorStatus setNormal(const ZcGeVector3d& n);
  ZcDbObjectId textStyle() const;
  std::string textStyleName() const;
  Zcad::ErrorStatus setTextStyle(ZcDbObjectId style);
  ZcDb::TextHorzMode horizontalMode() const;
  Zcad::ErrorStatus setHorizontalMode(ZcDb::TextHorzMode m);
  ZcDb::TextVertMode verticalMode() const;
  Zcad::ErrorStatus setVerticalMode(ZcDb::TextVertMode m);
  bool isMirroredInX() const;
  Zcad::ErrorStatus mirrorInX(bool on);
  bool isMirroredInY() const;
  Zcad::ErrorStatus mirrorInY(bool on);
  Zcad::ErrorStatus transformBy(const ZcGeMatrix3d& m) override;
  Zcad::ErrorStatus getGeomExtents(ZcDbExtents& ext) const override;
  // Corners of the text's box in its own frame (before rotation):
  // lower-left offset and size, from the deterministic font metric.
  void textBox(ZcGePoint3d& lowerLeft, ZcGePoint3d& upperRight) const;

 protected:
  // For attributes and their definitions, which make their own template.
  struct NoTemplate {};
  explicit ZcDbText(NoTemplate) {}

  // Vertical mode lives in the second AcDbText part of a text and in the
  // AcDbAttribute / AcDbAttributeDefinition part of attributes.
  virtual const char* verticalSubclass() const { return "AcDbText"; }
};

class ZcDbAttributeDefinition : public ZcDbText {
  GELTARO_DECLARE_CLASS(ZcDbAttributeDefinition)
 public:
  ZcDbAttributeDefinition();
  ZcDbAttributeDefinition(const ZcGePoint3d& position, const std::wstring& text, const std::wstring& tag,
                          const std::wstring& prompt, ZcDbObjectId style = {});
  std::wstring tag() const;
  Zcad::ErrorStatus setTag(const std::wstring& t);
  std::wstring prompt() const;
  Zcad::ErrorStatus setPrompt(const std::wstring& p);
  bool isInvisible() const;
  Zcad::ErrorStatus setInvisible(bool on);
  bool isConstant() const;

 protected:
  const char* verticalSubclass() const override { return "AcDbAttributeDefinition"; }
};

class ZcDbAttribute : public ZcDbText {
  GELTARO_DECLARE_CLASS(ZcDbAttribute)
 public:
  ZcDbAttribute();
  ZcDbAttribute(const ZcGePoint3d& position, const std::wstring& text, const std::wstring& tag,
                ZcDbObjectId style = {});
  std::wstring tag() const;
  std::string tagUtf8() const;
  Zcad::ErrorStatus setTag(const std::wstring& t);
  bool isInvisible() const;
  Zcad::ErrorStatus setInvisible(bool on);
  Zcad::ErrorStatus setAttributeFromBlock(const ZcDbAttributeDefinition& def, const ZcGeMatrix3d& blockTransform);
  Zcad::ErrorStatus getGeomExtents(ZcDbExtents& ext) const override;

 protected:
  const char* verticalSubclass() const override { return "AcDbAttribute"; }
};

class ZcDbMText : public ZcDbEntity {
  GELTARO_DECLARE_CLASS(ZcDbMText)
 public:
  ZcDbMText();
  ZcGePoint3d location() const;
  Zcad::ErrorStatus setLocation(const ZcGePoint3d& p);
  std::wstring contents() const;  // with formatting codes
  Zcad::ErrorStatus setContents(const std::wstring& s);
  std::wstring text() const;      // plain text: formatting removed
  double textHeight() const;
  Zcad::ErrorStatus setTextHeight(double h);
  double width() const;
  Zcad::ErrorStatus setWidth(double w);
  int attachment() const;  // 1 top left .. 9 bottom right
  Zcad::ErrorStatus setAttachment(int a);
  double rotation() const;
  Zcad::ErrorStatus setRotation(double r);
  Zcad::ErrorStatus transformBy(const ZcGeMatrix3d& m) override;
  Zcad::ErrorStatus getGeomExtents(ZcDbExtents& ext) const override;
};
// Plain text of multiline text contents: formatting codes removed, \P as line breaks.
std::wstring mtextPlainText(const std::wstring& contents);

class ZcDbBlockReference : public ZcDbEntity {
  GELTARO_DECLARE_CLASS(ZcDbBlockReference)
 public:
  ZcDbBlockReference();
  // A new reference knows its block before it is added to a drawing: its
  // transform and extents can be asked at once (to measure a block).
  ZcDbBlockReference(const ZcGePoint3d& position, ZcDbObjectId blockTableRecord);
  ZcGePoint3d position() const;
  Zcad::ErrorStatus setPosition(const ZcGePoint3d& p);
  ZcDbObjectId blockTableRecord() const;
  std::string blockName() const;
  Zcad::ErrorStatus setBlockTableRecord(ZcDbObjectId btr);
  ZcGeScale3d scaleFactors() const;
  Zcad::ErrorStatus setScaleFactors(const ZcGeScale3d& s);
  double rotation() const;
  Zcad::ErrorStatus setRotation(double r);
  ZcGeVector3d normal() const;
  ZcGeMatrix3d blockTransform() const;  // block coordinates to world
  // Attributes in order; appending makes the block reference own it.
  std::vector<ZcDbObjectId> attributeIds() const;
  Zcad::ErrorStatus appendAttribute(ZcDbObjectId& id, ZcDbAttribute* attribute);
  Zcad::ErrorStatus appendAttribute(ZcDbAttribute* attribute) {
    ZcDbObjectId id;
    return appendAttribute(id, attribute);
  }
  Zcad::ErrorStatus transformBy(const ZcGeMatrix3d& m) override;  // attributes follow
  Zcad::ErrorStatus getGeomExtents(ZcDbExtents& ext) const override;  // attributes included
  // Extents of the block's own geometry only; eInvalidExtents when the
  // block draws nothing.
  Zcad::ErrorStatus geomExtentsBestFit(ZcDbExtents& ext) const;

 private:
  // The drawing of the block while the reference is not in a database, so
  // that a reference made only to be measured finds its block.
  ZcDbDatabase* blockDb_ = nullptr;
};

class ZcDbLine : public ZcDbEntity {
  GELTARO_DECLARE_CLASS(ZcDbLine)
 public:
  ZcDbLine();
  ZcDbLine(const ZcGePoint3d& start, const ZcGePoint3d& end);
  ZcGePoint3d startPoint() const;
  Zcad::ErrorStatus setStartPoint(const ZcGePoint3d& p);
  ZcGePoint3d endPoint() const;
  Zcad::ErrorStatus setEndPoint(const ZcGePoint3d& p);
  Zcad::ErrorStatus transformBy(const ZcGeMatrix3d& m) override;
  Zcad::ErrorStatus getGeomExtents(ZcDbExtents& ext) const override;
  bool toPath(Path& path) const override;
};

class ZcDbRay : public ZcDbEntity {
  GELTARO_DECLARE_CLASS(ZcDbRay)
 public:
  ZcDbRay();
  ZcGePoint3d basePoint() const;
  Zcad::ErrorStatus setBasePoint(const ZcGePoint3d& p);
  ZcGeVector3d unitDir() const;
  Zcad::ErrorStatus setUnitDir(const ZcGeVector3d& v);
  Zcad::ErrorStatus transformBy(const ZcGeMatrix3d& m) override;
  Zcad::ErrorStatus getGeomExtents(ZcDbExtents& ext) const override;  // eInvalidExtents: unbounded
};

class ZcDbPoint : public ZcDbEntity {
  GELTARO_DECLARE_CLASS(ZcDbPoint)
 public:
  ZcDbPoint();
  explicit ZcDbPoint(const ZcGePoint3d& p);
  ZcGePoint3d position() const;
  Zcad::ErrorStatus setPosition(const ZcGePoint3d& p);
  Zcad::ErrorStatus transformBy(const ZcGeMatrix3d& m) override;
  Zcad::ErrorStatus getGeomExtents(ZcDbExtents& ext) const override;
};

class ZcDbCircle : public ZcDbEntity {
  GELTARO_DECLARE_CLASS(ZcDbCircle)
 public:
  ZcDbCircle();
  ZcDbCircle(const ZcGePoint3d& center, double radius);
  ZcGePoint3d center() const;
  Zcad::ErrorStatus setCenter(const ZcGePoint3d& p);
  double radius() const;
  Zcad::ErrorStatus setRadius(double r);
  Zcad::ErrorStatus transformBy(const ZcGeMatrix3d& m) override;
  Zcad::ErrorStatus getGeomExtents(ZcDbExtents& ext) const override;
  bool toPath(Path& path) const override;
};

class ZcDbArc : public ZcDbCircle {
  GELTARO_DECLARE_CLASS(ZcDbArc)
 public:
  ZcDbArc();
  ZcDbArc(const ZcGePoint3d& center, double radius, double startAngle, double endAngle);
  double startAngle() const;  // radians, counter-clockwise from +X
  Zcad::ErrorStatus setStartAngle(double a);
  double endAngle() const;
  Zcad::ErrorStatus setEndAngle(double a);
  Zcad::ErrorStatus transformBy(const ZcGeMatrix3d& m) override;
  Zcad::ErrorStatus getGeomExtents(ZcDbExtents& ext) const override;
  bool toPath(Path& path) const override;
};

class ZcDbFace : public ZcDbEntity {
  GELTARO_DECLARE_CLASS(ZcDbFace)
 public:
  ZcDbFace();
  ZcDbFace(const ZcGePoint3d& p0, const ZcGePoint3d& p1, const ZcGePoint3d& p2, const ZcGePoint3d& p3);
  Zcad::ErrorStatus getVertexAt(int index, ZcGePoint3d& p) const;  // 0..3
  Zcad::ErrorStatus setVertexAt(int index, const ZcGePoint3d& p);
  int invisibleEdges() const;
  Zcad::ErrorStatus transformBy(const ZcGeMatrix3d& m) override;
  Zcad::ErrorStatus getGeomExtents(ZcDbExtents& ext) const override;
};

// Light polyline: 2D vertices with bulges and widths at one elevation.
class ZcDbPolyline : public ZcDbEntity {
  GELTARO_DECLARE_CLASS(ZcDbPolyline)
 public:
  ZcDbPolyline();
  unsigned numVerts() const;
  Zcad::ErrorStatus getPointAt(unsigned index, ZcGePoint2d& p) const;
  Zcad::ErrorStatus getPointAt(unsigned index, ZcGePoint3d& p) const;  // at the elevation
  Zcad::ErrorStatus getBulgeAt(unsigned index, double& bulge) const;
  Zcad::ErrorStatus getWidthsAt(unsigned index, double& startWidth, double& endWidth) const;
  Zcad::ErrorStatus addVertexAt(unsigned index, const ZcGePoint2d& p, double bulge = 0, double startWidth = -1,
                                double endWidth = -1);
  Zcad::ErrorStatus removeVertexAt(unsigned index);
  Zcad::ErrorStatus setPointAt(unsigned index, const ZcGePoint2d& p);
  Zcad::ErrorStatus setBulgeAt(unsigned index, double bulge);
  Zcad::ErrorStatus setWidthsAt(unsigned index, double startWidth, double endWidth);
  bool isClosed() const;
  Zcad::ErrorStatus setClosed(bool closed);
  double elevation() const;
  Zcad::ErrorStatus setElevation(double z);
  double constantWidth() const;
  ZcGeVector3d normal() const;
  Zcad::ErrorStatus transformBy(const ZcGeMatrix3d& m) override;
  Zcad::ErrorStatus getGeomExtents(ZcDbExtents& ext) const override;
  bool toPath(Path& path) const override;

  struct Vertex {
    ZcGePoint2d point;
    double bulge = 0, startWidth = 0, endWidth = 0;
    bool hasWidths = false;
    uint32_t id = 0;  // 91, when present
    bool hasId = false;
  };
  std::vector<Vertex> vertices() const;
  Zcad::ErrorStatus setVertices(const std::vector<Vertex>& v);
};

// Vertices of old-style polylines and meshes.
class ZcDbVertex : public ZcDbEntity {
  GELTARO_DECLARE_CLASS(ZcDbVertex)
 public:
  ZcGePoint3d position() const;
  Zcad::ErrorStatus setPosition(const ZcGePoint3d& p);
  int vertexFlags() const;
  Zcad::ErrorStatus transformBy(const ZcGeMatrix3d& m) override;
  Zcad::ErrorStatus getGeomExtents(ZcDbExtents& ext) const override;
};
class ZcDb2dVertex : public ZcDbVertex {
  GELTARO_DECLARE_CLASS(ZcDb2dVertex)
 public:
  ZcDb2dVertex();
  explicit ZcDb2dVertex(const ZcGePoint3d& p, double bulge = 0);
  double bulge() const;
  Zcad::ErrorStatus setBulge(double b);
  ZcDb::Vertex2dType vertexType() const;
  double startWidth() const;
  double endWidth() const;
};
class ZcDb3dPolylineVertex : public ZcDbVertex {
  GELTARO_DECLARE_CLASS(ZcDb3dPolylineVertex)
 public:
  ZcDb3dPolylineVertex();
  explicit ZcDb3dPolylineVertex(const ZcGePoint3d& p);
  ZcDb::Vertex3dType vertexType() const;
};
class ZcDbPolygonMeshVertex : public ZcDbVertex {
  GELTARO_DECLARE_CLASS(ZcDbPolygonMeshVertex)
 public:
  ZcDbPolygonMeshVertex();
  explicit ZcDbPolygonMeshVertex(const ZcGePoint3d& p);
};
class ZcDbPolyFaceMeshVertex : public ZcDbVertex {
  GELTARO_DECLARE_CLASS(ZcDbPolyFaceMeshVertex)
 public:
  ZcDbPolyFaceMeshVertex();
  explicit ZcDbPolyFaceMeshVertex(const ZcGePoint3d& p);
};
class ZcDbFaceRecord : public ZcDbVertex {
  GELTARO_DECLARE_CLASS(ZcDbFaceRecord)
 public:
  ZcDbFaceRecord();
  ZcDbFaceRecord(int v0, int v1, int v2, int v3);
  int getVertexAt(int faceIndex) const;  // 1-based mesh vertex, negative when the edge is invisible
  Zcad::ErrorStatus getGeomExtents(ZcDbExtents& ext) const override;
};
class ZcDbSequenceEnd : public ZcDbEntity {
  GELTARO_DECLARE_CLASS(ZcDbSequenceEnd)
 public:
  ZcDbSequenceEnd();
  Zcad::ErrorStatus getGeomExtents(ZcDbExtents& ext) const override;
};

// Old-style polylines and meshes: a head followed by its vertices.
class ZcDbPolylineWithVertices : public ZcDbEntity {
 public:
  std::vector<ZcDbObjectId> vertexIds() const;  // every vertex record (face records too)
  Zcad::ErrorStatus appendVertex(ZcDbObjectId& id, ZcDbVertex* vertex);
  Zcad::ErrorStatus appendVertex(ZcDbVertex* vertex) {
    ZcDbObjectId id;
    return appendVertex(id, vertex);
  }
  int polylineFlags() const;
  bool isClosed() const;
  Zcad::ErrorStatus setClosed(bool closed);
  Zcad::ErrorStatus transformBy(const ZcGeMatrix3d& m) override;  // vertices follow
  Zcad::ErrorStatus getGeomExtents(ZcDbExtents& ext) const override;
};

class ZcDb2dPolyline : public ZcDbPolylineWithVertices {
  GELTARO_DECLARE_CLASS(ZcDb2dPolyline)
 public:
  ZcDb2dPolyline();
  double elevation() const;
  Zcad::ErrorStatus setElevation(double z);
  ZcDb::Poly2dType polyType() const;
  bool toPath(Path& path) const override;  // spline control vertices skipped
};
class ZcDb3dPolyline : public ZcDbPolylineWithVertices {
  GELTARO_DECLARE_CLASS(ZcDb3dPolyline)
 public:
  ZcDb3dPolyline();
  ZcDb::Poly3dType polyType() const;
  bool toPath(Path& path) const override;  // spline control vertices skipped
};
class ZcDbPolygonMesh : public ZcDbPolylineWithVertices {
  GELTARO_DECLARE_CLASS(ZcDbPolygonMesh)
 public:
  ZcDbPolygonMesh();
  ZcDbPolygonMesh(int mSize, int nSize);
  int mSize() const;
  int nSize() const;
};
class ZcDbPolyFaceMesh : public ZcDbPolylineWithVertices {
  GELTARO_DECLARE_CLASS(ZcDbPolyFaceMesh)
 public:
  ZcDbPolyFaceMesh();
  int numVertices() const;
  int numFaces() const;
};

class ZcDbTable : public ZcDbBlockReference {
  GELTARO_DECLARE_CLASS(ZcDbTable)
 public:
  int numRows() const;
  int numColumns() const;
  std::wstring textString(int row, int column) const;
};

class ZcDbBlockBegin : public ZcDbEntity {
  GELTARO_DECLARE_CLASS(ZcDbBlockBegin)
};
class ZcDbBlockEnd : public ZcDbEntity {
  GELTARO_DECLARE_CLASS(ZcDbBlockEnd)
};

namespace host {
// Appends an attribute or a vertex to its block reference or polyline, before
// the sequence end (made when missing).
Zcad::ErrorStatus appendSubEntity(ObjectRecord* owner, ZcDbObject* sub, ZcDbObjectId& id);
}  // namespace host

// Text box of the deterministic font metric shared by the database and the
// command line: width of a string of height 1 and width factor 1, no less
// than common viewers draw it in the standard style.
double textAdvance(const std::wstring& text);
