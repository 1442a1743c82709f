#pragma once
// Axis-aligned bounding box, and the boxes of arcs, circles and rotated rectangles.

#include "host/geom/curves.hpp"
#include "host/geom/matrix.hpp"
#include "host/geom/point.hpp"

// An empty box is a state of its own (isValid() false): it has no corners, minPoint()/maxPoint() give
// the origin, and adding to it starts the box afresh. Points with a non-finite coordinate are ignored.
class ZcDbExtents {
public:
    ZcDbExtents() = default;  // empty
    // Box spanned by two opposite corners given in any order.
    ZcDbExtents(const ZcGePoint3d& a, const ZcGePoint3d& b) { set(a, b); }

    bool isValid() const { return m_valid; }
    ZcGePoint3d minPoint() const { return m_valid ? m_min : ZcGePoint3d::kOrigin; }
    ZcGePoint3d maxPoint() const { return m_valid ? m_max : ZcGePoint3d::kOrigin; }
    ZcGePoint3d center() const;
    ZcGeVector3d size() const { return maxPoint() - minPoint(); }

    ZcDbExtents& set(const ZcGePoint3d& a, const ZcGePoint3d& b);
    ZcDbExtents& reset();  // back to empty

    ZcDbExtents& addPoint(const ZcGePoint3d& p);
    ZcDbExtents& addExt(const ZcDbExtents& other);  // an empty box adds nothing
    ZcDbExtents& addExtents(const ZcDbExtents& other) { return addExt(other); }
    // Union with the box moved by v: the box grows in the vector's direction only.
    ZcDbExtents& expandBy(const ZcGeVector3d& v);
    // Grows every face outwards by the margin; a negative margin shrinks the box, down to its centre.
    ZcDbExtents& inflate(double margin);
    // Box of the 8 transformed corners (the transformed box need not be axis-aligned any more).
    ZcDbExtents& transformBy(const ZcGeMatrix3d& m);

    bool contains(const ZcGePoint3d& p, const ZcGeTol& tol = ZcGeTol()) const;
    // Plan-and-height overlap test (touching counts). False when either box is empty.
    bool intersects(const ZcDbExtents& other, const ZcGeTol& tol = ZcGeTol()) const;

    bool isEqualTo(const ZcDbExtents& other, const ZcGeTol& tol = ZcGeTol()) const;
    bool operator==(const ZcDbExtents& other) const { return isEqualTo(other); }
    bool operator!=(const ZcDbExtents& other) const { return !isEqualTo(other); }

private:
    ZcGePoint3d m_min;
    ZcGePoint3d m_max;
    bool m_valid = false;
};

// Box of a counter-clockwise arc in the XY plane at the centre's z: its end points and the quadrant
// points (0, 90, 180, 270 degrees) that lie on it. Equal start and end angles make a full circle.
ZcDbExtents arcExtents(const ZcGePoint3d& center, double radius, double startAngle, double endAngle);
ZcDbExtents arcExtents(const ZcGeCircArc2d& arc, double z = 0.0);
ZcDbExtents circleExtents(const ZcGePoint3d& center, double radius);

// Box of a rectangle (for text and attribute boxes): `origin` is its lower-left corner, `width` runs
// along the rotation direction, `height` along its perpendicular. A non-zero oblique angle slants the
// rectangle into a parallelogram: its top edge moves by height * tan(oblique) along the width
// direction (positive to the right, like italic text). Oblique angles are limited to +/-85 degrees.
// Negative width or height (mirrored text) are allowed.
ZcDbExtents rectangleExtents(const ZcGePoint3d& origin, double width, double height, double rotation,
                             double oblique = 0.0);
