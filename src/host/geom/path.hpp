#pragma once
// Curve services on a generic path built from drawing entities: line, arc, circle, light polyline
// (bulges, elevation), old-style 2D polyline and 3D polyline.
//
// A path is a list of vertices; the segment from vertex i to vertex i+1 is a plan arc when the bulge
// of vertex i is non-zero (bulge = tan(included angle / 4), positive counter-clockwise), otherwise a
// straight segment. A closed path has a last segment from the last vertex back to vertex 0. Heights
// are interpolated linearly along each segment (in proportion to its length), so a bulge segment with
// different end heights is a helix piece; a segment's length is measured in space.
// All queries that take or return plan positions work in XY and carry z from the path.
//
// Parameters follow the host's conventions for each kind of entity:
//  - Polyline: segment index + fraction of that segment's length (vertex i has parameter i);
//  - Line:     distance from the start point (0 .. length);
//  - Arc:      polar angle about the centre: start angle .. start angle + included angle (the end
//              parameter can exceed 2*pi when the arc crosses 0 degrees);
//  - Circle:   polar angle, 0 .. 2*pi, starting at the point at angle 0.
// Within a segment the parameter is proportional to length, so every kind maps linearly onto the
// polyline parametrisation. An arc above half a turn is stored as two equal bulge segments, a circle
// as two half circles; that storage does not show in the parameters.
//
// Out-of-range parameters and distances are clamped to the ends of an open path and wrapped around a
// closed one. No query returns NaN or an infinity for finite input: zero-length segments, coincident
// points and paths with fewer than two vertices are handled.

#include "host/geom/curves.hpp"
#include "host/geom/extents.hpp"
#include "host/geom/point.hpp"

#include <cstddef>
#include <variant>
#include <vector>

struct PathVertex {
    ZcGePoint3d point;
    double bulge = 0.0;  // applies to the segment that starts at this vertex
};

// How far a query line runs past the two points that define it.
enum class LineExtent {
    Infinite,  // both ways
    Ray,       // from a, through b and beyond
    Segment,   // from a to b only
};

struct PathClosestPoint {
    ZcGePoint3d point;           // on the path; z interpolated on the path
    double param = 0.0;          // parameter of that point
    double distanceAlong = 0.0;  // length along the path from its start to that point
    double distance = 0.0;       // plan distance from the query point
    bool valid = false;          // false only for a path without vertices (all other fields zero)
};

struct PathIntersection {
    ZcGePoint3d point;        // plan position; z interpolated on this path
    double param = 0.0;       // parameter on this path
    double otherParam = 0.0;  // parameter on the other path; for a query line: 0 at a, 1 at b
};

class Path {
public:
    enum class Kind { Polyline, Line, Arc, Circle };
    enum class SegmentKind { Line, Arc };

    Path();  // empty: no vertices
    ~Path();
    Path(const Path&);
    Path(Path&&) noexcept;
    Path& operator=(const Path&);
    Path& operator=(Path&&) noexcept;

    static Path line(const ZcGePoint3d& a, const ZcGePoint3d& b);
    // Counter-clockwise arc in the XY plane at the centre's z; angles in radians. Equal start and end
    // angles give a whole turn. A negative radius is taken as its absolute value.
    static Path arc(const ZcGePoint3d& center, double radius, double startAngle, double endAngle);
    // Counter-clockwise circle in the XY plane at the centre's z, starting at angle 0.
    static Path circle(const ZcGePoint3d& center, double radius);
    static Path polyline(std::vector<PathVertex> vertices, bool closed);

    Kind kind() const { return m_kind; }
    const std::vector<PathVertex>& vertices() const { return m_vertices; }
    bool isClosed() const { return m_closed; }
    bool isEmpty() const { return m_vertices.empty(); }

    std::size_t numSegments() const;
    // Arc when the bulge is non-zero and the segment has a plan chord; throws std::out_of_range
    // for a bad index.
    SegmentKind segmentKind(std::size_t i) const;
    // Plan geometry of segment i; throws std::out_of_range for a bad index.
    std::variant<ZcGeLineSeg2d, ZcGeCircArc2d> segment2d(std::size_t i) const;
    bool getLineSegAt(std::size_t i, ZcGeLineSeg2d& line) const;  // false if i is not a line segment
    bool getArcSegAt(std::size_t i, ZcGeCircArc2d& arc) const;    // false if i is not an arc segment
    double segmentLength(std::size_t i) const;                    // 0 for a bad index

    double length() const;      // along the path, in space
    double planLength() const;  // along the path, in plan
    double startParam() const;
    double endParam() const;
    ZcGePoint3d startPoint() const;
    ZcGePoint3d endPoint() const;

    double distanceAtParam(double param) const;
    double paramAtDistance(double distance) const;
    ZcGePoint3d pointAtParam(double param) const;
    // Unit plan direction of travel; zero on a zero-length segment or an empty path.
    ZcGeVector2d planDirectionAtParam(double param) const;

    // Nearest point in plan (ties go to the smaller parameter).
    PathClosestPoint closestPoint(const ZcGePoint3d& p) const;
    PathClosestPoint closestPoint(const ZcGePoint2d& p) const;

    // Plan intersections with another path, sorted by parameter on this path. A point where
    // segments meet at a vertex is reported once. Overlapping stretches (collinear segments,
    // co-circular arcs) are reported by the end points of each overlapping pair of segments.
    std::vector<PathIntersection> intersections(const Path& other, const ZcGeTol& tol = ZcGeTol()) const;
    // Same with the line through a and b; a == b makes a point query.
    std::vector<PathIntersection> intersectionsWithLine(const ZcGePoint2d& a, const ZcGePoint2d& b, LineExtent extent,
                                                        const ZcGeTol& tol = ZcGeTol()) const;

    // Parallel path at a signed plan distance: positive = to the LEFT of the direction of travel
    // (towards the centre of a counter-clockwise arc, inside a counter-clockwise closed outline).
    // Lines shift, arcs keep their centre with the radius changed by the distance; an arc whose radius
    // would reach zero is dropped. Consecutive offset segments are extended or trimmed to the
    // intersection of their supporting lines and circles nearest the corner, or joined by a straight
    // segment when those do not meet; a closed path joins its last segment to its first. The result
    // keeps the input's segment count unless segments were dropped or joints added. Lines, arcs and
    // circles stay of their kind. Zero-length segments are skipped; a path with nothing left to
    // offset gives an empty path. Self-intersections of the result are not removed.
    Path offset(double distance) const;

    // Box of the path: its vertices and, for arc segments, the quadrant points they pass through.
    ZcDbExtents extents() const;

private:
    struct Segment;

    void build();
    double toSegmentParam(double param) const;
    double fromSegmentParam(double s) const { return m_param0 + m_paramScale * s; }
    // Segment index and fraction for a parameter (clamped or wrapped); false when there is no segment.
    bool locate(double param, std::size_t& index, double& fraction) const;
    ZcGePoint3d pointOn(std::size_t index, double fraction) const;
    double tolerance(double tol) const;
    void addHit(std::vector<PathIntersection>& out, std::vector<double>& along, std::size_t i, double f,
                const ZcGePoint2d& p, double otherParam) const;
    std::vector<PathIntersection> sortAndMerge(std::vector<PathIntersection>& hits, std::vector<double>& along,
                                               double eps) const;

    std::vector<PathVertex> m_vertices;
    bool m_closed = false;
    Kind m_kind = Kind::Polyline;
    double m_param0 = 0.0;      // parameter of the start
    double m_paramScale = 1.0;  // parameter units per segment
    std::vector<Segment> m_segments;
    std::vector<double> m_cumulative = {0.0};  // length from the start to each vertex (numSegments() + 1 values)
};
