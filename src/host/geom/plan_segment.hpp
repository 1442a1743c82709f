#pragma once
// Internal to geltaro_geom: plan line segments and circular arcs with a common parametrisation
// (fraction 0 at the start, 1 at the end, proportional to length), their closest points and their
// mutual intersections. ZcGeLineSeg2d, ZcGeCircArc2d and Path are built on these.

#include "host/geom/point.hpp"

#include <vector>

namespace geltaro::geom::detail {

struct PlanSeg {
    bool isArc = false;
    ZcGePoint2d start;
    ZcGePoint2d end;
    // Arcs only.
    ZcGePoint2d center;
    double radius = 0.0;
    double startAngle = 0.0;  // polar angle of the start point about the centre
    double sweep = 0.0;       // signed: > 0 counter-clockwise; 0 < |sweep| <= 2*pi

    static PlanSeg line(const ZcGePoint2d& a, const ZcGePoint2d& b);
    // Arc from a to b with the polyline bulge (tan of a quarter of the signed included angle).
    // A zero bulge or coincident ends give a line segment.
    static PlanSeg fromBulge(const ZcGePoint2d& a, const ZcGePoint2d& b, double bulge);
    // Arc from its centre; radius > 0, sweep signed and non-zero.
    static PlanSeg arc(const ZcGePoint2d& center, double radius, double startAngle, double sweep);

    double length() const;
    // Point at a fraction of the length. Lines extrapolate outside [0, 1]; arcs clamp.
    // Fractions 0 and 1 give the stored end points exactly.
    ZcGePoint2d pointAt(double f) const;
    // Unit tangent in the direction of travel at a fraction.
    ZcGeVector2d directionAt(double f) const;
    PlanSeg shifted(const ZcGeVector2d& v) const;
};

// How far a line runs past its defining points.
enum class Reach { Segment, Ray, Infinite };

struct PlanHit {
    ZcGePoint2d point;
    double f1 = 0.0;  // fraction on the first segment
    double f2 = 0.0;  // fraction on the second one (lines: may lie outside [0, 1] for rays and lines)
};

// Fraction along an arc of the point at polar angle theta; angles up to angTol outside the arc
// snap to its ends. Returns -1 when the angle is outside the arc.
double arcFraction(const PlanSeg& arc, double theta, double angTol);

struct PlanClosest {
    ZcGePoint2d point;
    double f = 0.0;
    double distance = 0.0;
};
PlanClosest closestPoint(const PlanSeg& s, const ZcGePoint2d& p);

// Working tolerance for a pair of segments: the caller's tolerance, widened with the size (1e-13) and
// the distance from the origin (1e-14: about 7 nm at 650 km) of the geometry, so that rounding in the
// computation is never mistaken for a gap.
double workingTolerance(const PlanSeg& a, const PlanSeg& b, double tol);

// Appends the intersections of the bounded segment `a` with `b` (a line of reach `bReach`, or a
// bounded arc). Tangency and points within the tolerance of both curves count as one hit;
// collinear or co-circular overlaps give the end points of the overlap. Hits within the tolerance
// of an end of either curve are snapped to it (fraction exactly 0 or 1, point exactly that end).
void intersect(const PlanSeg& a, const PlanSeg& b, Reach bReach, double tol, std::vector<PlanHit>& out);

}  // namespace geltaro::geom::detail
