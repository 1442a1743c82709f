#pragma once
// Bounded plan curves (line segment, circular arc) and the plane.

#include "host/geom/point.hpp"

// ---------------------------------------------------------------------------------------------
// Straight segment in the plan. Parameter: 0 at the start point, 1 at the end point, linear.
class ZcGeLineSeg2d {
public:
    ZcGeLineSeg2d() = default;
    ZcGeLineSeg2d(const ZcGePoint2d& start, const ZcGePoint2d& end) : m_start(start), m_end(end) {}

    ZcGeLineSeg2d& set(const ZcGePoint2d& start, const ZcGePoint2d& end)
    {
        m_start = start;
        m_end = end;
        return *this;
    }

    ZcGePoint2d startPoint() const { return m_start; }
    ZcGePoint2d endPoint() const { return m_end; }
    ZcGePoint2d midPoint() const { return {0.5 * (m_start.x + m_end.x), 0.5 * (m_start.y + m_end.y)}; }
    ZcGeVector2d direction() const { return m_end - m_start; }  // not normalised
    double length() const { return m_start.distanceTo(m_end); }
    bool isDegenerate(const ZcGeTol& tol = ZcGeTol()) const { return length() <= tol.equalPoint(); }

    // Point at a parameter; parameters outside [0, 1] extrapolate along the line.
    ZcGePoint2d evalPoint(double param) const;
    // Parameter of the foot of the perpendicular from p (not clamped). 0 for a zero-length segment.
    double paramOf(const ZcGePoint2d& p) const;
    // Nearest point of the bounded segment.
    ZcGePoint2d closestPointTo(const ZcGePoint2d& p) const;
    double distanceTo(const ZcGePoint2d& p) const { return closestPointTo(p).distanceTo(p); }
    bool isOn(const ZcGePoint2d& p, const ZcGeTol& tol = ZcGeTol()) const { return distanceTo(p) <= tol.equalPoint(); }

    // Single crossing point of the two bounded segments (touching ends count). Returns false when they
    // do not meet, and also when they overlap along a stretch (no single point; Path reports such
    // overlaps by their end points).
    bool intersectWith(const ZcGeLineSeg2d& other, ZcGePoint2d& result, const ZcGeTol& tol = ZcGeTol()) const;

private:
    ZcGePoint2d m_start;
    ZcGePoint2d m_end;
};

// ---------------------------------------------------------------------------------------------
// Circular arc in the plan.
//
// startAng()/endAng() are the polar angles of the start and end points about the centre, from +X
// counter-clockwise, in [0, 2*pi); the arc runs from the start point to the end point counter-clockwise,
// or clockwise when isClockWise(). sweepAngle() is the angle travelled, in (0, 2*pi]; equal start and
// end angles make a full circle.
//
// Parameter: the angle travelled from the start point along the arc, 0 .. sweepAngle()
// (so length along the arc = radius * parameter).
//
// A degenerate arc (radius 0, collinear or coincident three points, zero bulge or zero chord) has
// radius 0, sweep 0 and its centre at the given centre (the start point for the point-based
// constructors); it meets nothing. Test isDegenerate() before relying on it.
class ZcGeCircArc2d {
public:
    ZcGeCircArc2d() = default;  // unit circle about the origin
    // Full circle, counter-clockwise, starting at angle 0.
    ZcGeCircArc2d(const ZcGePoint2d& center, double radius);
    ZcGeCircArc2d(const ZcGePoint2d& center, double radius, double startAngle, double endAngle,
                  bool isClockWise = false);
    // Arc through three points, from start through `mid` to end.
    ZcGeCircArc2d(const ZcGePoint2d& start, const ZcGePoint2d& mid, const ZcGePoint2d& end);
    // Arc from start to end with a polyline bulge: tan(included angle / 4), positive counter-clockwise.
    // Bulge 1 is a half circle; the arc always passes through both given points.
    ZcGeCircArc2d(const ZcGePoint2d& start, const ZcGePoint2d& end, double bulge);

    ZcGePoint2d center() const { return m_center; }
    double radius() const { return m_radius; }
    double startAng() const { return m_startAng; }
    double endAng() const;
    double sweepAngle() const { return m_sweep; }
    bool isClockWise() const { return m_clockwise; }
    bool isClosed() const { return m_sweep >= geltaro::geom::kTwoPi; }
    bool isDegenerate(const ZcGeTol& tol = ZcGeTol()) const { return m_radius <= tol.equalPoint() || m_sweep <= 0.0; }
    // Bulge of the arc as a polyline segment (sign = direction). 0 for full circles and degenerate arcs,
    // which a single bulge segment cannot represent.
    double bulge() const;

    ZcGePoint2d startPoint() const { return evalPoint(0.0); }
    ZcGePoint2d endPoint() const { return evalPoint(m_sweep); }
    ZcGePoint2d midPoint() const { return evalPoint(0.5 * m_sweep); }
    double length() const { return m_radius * m_sweep; }

    // Point at a parameter (angle travelled from the start), clamped to the arc.
    ZcGePoint2d evalPoint(double param) const;
    // Parameter of the point of the arc nearest to p.
    double paramOf(const ZcGePoint2d& p) const;
    ZcGePoint2d closestPointTo(const ZcGePoint2d& p) const;
    double distanceTo(const ZcGePoint2d& p) const { return closestPointTo(p).distanceTo(p); }
    bool isOn(const ZcGePoint2d& p, const ZcGeTol& tol = ZcGeTol()) const { return distanceTo(p) <= tol.equalPoint(); }

    // Points on both bounded curves: count is 0, 1 (tangency, or meeting at an end) or 2. Overlapping
    // co-circular arcs report the end points of the overlap (at most two). Returns count > 0.
    bool intersectWith(const ZcGeLineSeg2d& line, int& count, ZcGePoint2d& p1, ZcGePoint2d& p2,
                       const ZcGeTol& tol = ZcGeTol()) const;
    bool intersectWith(const ZcGeCircArc2d& arc, int& count, ZcGePoint2d& p1, ZcGePoint2d& p2,
                       const ZcGeTol& tol = ZcGeTol()) const;

private:
    void setDegenerate(const ZcGePoint2d& at);

    ZcGePoint2d m_center;
    double m_radius = 1.0;
    double m_startAng = 0.0;
    double m_sweep = geltaro::geom::kTwoPi;
    bool m_clockwise = false;
};

// ---------------------------------------------------------------------------------------------
// Infinite plane through a point with a normal. A zero normal makes a degenerate plane (isValid()
// false) that behaves as its single point: distances are measured to the point, projection gives the
// point and no line meets it.
class ZcGePlane {
public:
    ZcGePlane() = default;  // the XY plane through the origin
    ZcGePlane(const ZcGePoint3d& origin, const ZcGeVector3d& normal);

    static const ZcGePlane kXYPlane;

    ZcGePoint3d pointOnPlane() const { return m_origin; }
    ZcGePoint3d origin() const { return m_origin; }
    ZcGeVector3d normal() const { return m_normal; }  // unit length (zero when degenerate)
    bool isValid() const { return m_normal.lengthSqrd() > 0.0; }

    // Positive on the side the normal points to.
    double signedDistanceTo(const ZcGePoint3d& p) const;
    double distanceTo(const ZcGePoint3d& p) const;
    // Orthogonal projection of p onto the plane.
    ZcGePoint3d closestPointTo(const ZcGePoint3d& p) const;
    bool isOn(const ZcGePoint3d& p, const ZcGeTol& tol = ZcGeTol()) const { return distanceTo(p) <= tol.equalPoint(); }

    // Meeting point of the infinite line through linePoint along lineDir. False when the direction is
    // zero or parallel to the plane (including a line lying in the plane: no single point).
    bool intersectWith(const ZcGePoint3d& linePoint, const ZcGeVector3d& lineDir, ZcGePoint3d& result,
                       const ZcGeTol& tol = ZcGeTol()) const;

private:
    ZcGePoint3d m_origin;
    ZcGeVector3d m_normal = ZcGeVector3d::kZAxis;
};

inline const ZcGePlane ZcGePlane::kXYPlane{};
