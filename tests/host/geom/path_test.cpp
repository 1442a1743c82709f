#include "host/geom/path.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

using geltaro::geom::kPi;
using geltaro::geom::kTwoPi;

namespace {

constexpr double kDeg = kPi / 180.0;

void expectNear(const ZcGePoint3d& a, const ZcGePoint3d& b, double tol = 1e-9)
{
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

void expectNear2d(const ZcGePoint3d& a, const ZcGePoint2d& b, double tol = 1e-9)
{
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
}

bool finite(const ZcGePoint3d& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

// Plan polyline at one elevation.
Path poly(std::vector<ZcGePoint2d> pts, bool closed, std::vector<double> bulges = {}, double z = 0.0)
{
    std::vector<PathVertex> v;
    for (std::size_t i = 0; i < pts.size(); ++i)
        v.push_back({ZcGePoint3d(pts[i], z), i < bulges.size() ? bulges[i] : 0.0});
    return Path::polyline(v, closed);
}

Path square10(bool counterClockwise = true)
{
    return counterClockwise ? poly({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true)
                            : poly({{0, 0}, {0, 10}, {10, 10}, {10, 0}}, true);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
TEST(Path, ParametersFollowTheEntityKind)
{
    struct Case {
        const char* why;
        Path path;
        std::size_t segments;
        double startParam, endParam, length;
        double probeParam;
        ZcGePoint3d probePoint;
    };
    const double r2 = std::sqrt(2.0);
    const Case cases[] = {
        {"line: distance from the start", Path::line({0, 0, 0}, {3, 4, 0}), 1, 0, 5, 5, 2.5, {1.5, 2, 0}},
        {"open polyline: vertex index", poly({{0, 0}, {10, 0}, {10, 5}}, false), 2, 0, 2, 15, 1.5, {10, 2.5, 0}},
        {"closed polyline: closing segment added", square10(), 4, 0, 4, 40, 3.5, {0, 5, 0}},
        {"arc: polar angle", Path::arc({1, 1, 7}, 2, 0, kPi / 2), 1, 0, kPi / 2, kPi, kPi / 4, {1 + r2, 1 + r2, 7}},
        {"arc beyond half a turn: two segments, still angles", Path::arc({0, 0, 0}, 1, 0, 1.5 * kPi), 2, 0,
         1.5 * kPi, 1.5 * kPi, kPi, {-1, 0, 0}},
        {"arc across 0 degrees: end parameter beyond 2pi", Path::arc({0, 0, 0}, 1, 350 * kDeg, 10 * kDeg), 1,
         350 * kDeg, 370 * kDeg, 20 * kDeg, kTwoPi, {1, 0, 0}},
        {"circle: polar angle from 0", Path::circle({5, 5, 1}, 2), 2, 0, kTwoPi, 4 * kPi, kPi / 2, {5, 7, 1}},
        {"3D polyline: length in space", Path::polyline({{{0, 0, 0}}, {{3, 4, 12}}}, false), 1, 0, 1, 13, 0.5,
         {1.5, 2, 6}},
        {"bulge with rising height: helix piece", Path::polyline({{{0, 0, 0}, 1.0}, {{2, 0, kPi}}}, false), 1, 0, 1,
         kPi * r2, 0.5, {1, -1, kPi / 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(c.path.numSegments(), c.segments);
        EXPECT_NEAR(c.path.startParam(), c.startParam, 1e-12);
        EXPECT_NEAR(c.path.endParam(), c.endParam, 1e-12);
        EXPECT_NEAR(c.path.length(), c.length, 1e-9);
        expectNear(c.path.pointAtParam(c.probeParam), c.probePoint);
        expectNear(c.path.pointAtParam(c.startParam), c.path.startPoint(), 1e-12);
        EXPECT_NEAR(c.path.distanceAtParam(c.startParam), 0.0, 1e-12);
        EXPECT_NEAR(c.path.distanceAtParam(c.endParam), c.length, 1e-9);
        EXPECT_NEAR(c.path.paramAtDistance(c.length), c.endParam, 1e-9);
    }
    // Arc distances are radius * angle travelled, whichever bulge segment holds the point.
    const Path arc = Path::arc({0, 0, 0}, 3, kPi / 2, 0);  // 270 degrees counter-clockwise
    EXPECT_NEAR(arc.distanceAtParam(kPi / 2 + 2.0), 6.0, 1e-12);
    EXPECT_NEAR(arc.paramAtDistance(6.0), kPi / 2 + 2.0, 1e-12);
}

TEST(Path, DistanceAndParameterRoundTrip)
{
    // Lines, a bulge, a zero-length segment, changing heights, closed.
    const Path p = Path::polyline({{{0, 0, 0}, 0.0},
                                   {{10, 0, 1}, 1.0},
                                   {{10, 10, 2}, 0.0},
                                   {{10, 10, 2}, 0.0},
                                   {{0, 10, 3}, -0.5}},
                                  true);
    ASSERT_EQ(p.numSegments(), 5u);
    for (double param : {0.0, 0.3, 1.0, 1.5, 2.0, 2.5, 3.0, 3.7, 4.25, 4.999, 5.0}) {
        SCOPED_TRACE(std::to_string(param));
        const double d = p.distanceAtParam(param);
        const double back = p.paramAtDistance(d);
        expectNear(p.pointAtParam(back), p.pointAtParam(param));
        if (!(param > 2.0 && param <= 3.0)) {  // along the zero-length segment every parameter is one place
            EXPECT_NEAR(back, param, 1e-9);
        }
    }
    EXPECT_NEAR(p.distanceAtParam(3.0), p.distanceAtParam(2.0), 1e-12);  // zero-length segment adds nothing
}

TEST(Path, OutOfRangeParametersClampOpenPathsAndWrapClosedOnes)
{
    const Path open = poly({{0, 0}, {10, 0}}, false);
    expectNear(open.pointAtParam(-1.0), {0, 0, 0});
    expectNear(open.pointAtParam(5.0), {10, 0, 0});
    EXPECT_NEAR(open.paramAtDistance(-3.0), 0.0, 1e-12);
    EXPECT_NEAR(open.paramAtDistance(100.0), 1.0, 1e-12);

    const Path sq = square10();
    expectNear(sq.pointAtParam(4.5), sq.pointAtParam(0.5));
    expectNear(sq.pointAtParam(-0.5), sq.pointAtParam(3.5));
    EXPECT_NEAR(sq.paramAtDistance(45.0), 0.5, 1e-12);
    EXPECT_NEAR(sq.paramAtDistance(-5.0), 3.5, 1e-12);
    EXPECT_NEAR(sq.distanceAtParam(4.0), 40.0, 1e-12);  // the end itself is not wrapped

    const Path circle = Path::circle({0, 0, 0}, 2);
    expectNear(circle.pointAtParam(kTwoPi + kPi / 2), {0, 2, 0});
    expectNear(circle.pointAtParam(-kPi / 2), {0, -2, 0});
}

TEST(Path, ClosestPoint)
{
    // Elevation 2: line (0,0)-(10,0), counter-clockwise half circle to (10,10) through (15,5), line to (0,10).
    const Path p = poly({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, false, {0, 1, 0}, 2.0);
    const Path sq = square10();
    struct Case {
        const char* why;
        const Path& path;
        ZcGePoint2d query;
        ZcGePoint2d point;
        double param, along, distance;
    };
    const double arcLen = 5 * kPi;
    const Case cases[] = {
        {"inside the first segment", p, {4, -3}, {4, 0}, 0.4, 4, 3},
        {"before the start: the start", p, {-5, -1}, {0, 0}, 0, 0, std::hypot(5.0, 1.0)},
        {"beyond the end: the end", p, {-3, 10}, {0, 10}, 3, 20 + arcLen, 3},
        {"on a vertex: whole parameter", p, {10, 0}, {10, 0}, 1, 10, 0},
        {"on the arc", p, {18, 5}, {15, 5}, 1.5, 10 + arcLen / 2, 3},
        {"arc centre: equally near everywhere, smallest parameter wins", p, {10, 5}, {10, 0}, 1, 10, 5},
        {"closing segment of a closed polyline", sq, {-2, 4}, {0, 4}, 3.6, 36, 2},
        {"outside the first corner of a closed path: parameter 0, not the end", sq, {-1, -1}, {0, 0}, 0, 0,
         std::sqrt(2.0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const PathClosestPoint r = c.path.closestPoint(c.query);
        ASSERT_TRUE(r.valid);
        expectNear2d(r.point, c.point);
        EXPECT_NEAR(r.param, c.param, 1e-9);
        EXPECT_NEAR(r.distanceAlong, c.along, 1e-9);
        EXPECT_NEAR(r.distance, c.distance, 1e-9);
    }
    // Plan query: the query's height is ignored, the result's height comes from the path.
    const Path rising = Path::polyline({{{0, 0, 0}}, {{10, 0, 10}}}, false);
    const PathClosestPoint r = rising.closestPoint(ZcGePoint3d(4, 3, 100));
    expectNear(r.point, {4, 0, 4});
    EXPECT_NEAR(r.distance, 3.0, 1e-12);
    EXPECT_NEAR(r.distanceAlong, 4 * std::sqrt(2.0), 1e-12);
}

TEST(Path, IntersectionsBetweenPaths)
{
    struct Hit {
        ZcGePoint2d at;
        double param;
    };
    struct Case {
        const char* why;
        Path a, b;
        std::vector<Hit> expected;  // in order of parameter on a
    };
    const double r2 = std::sqrt(2.0), r3 = std::sqrt(3.0);
    const double a34 = std::atan2(3.0, 4.0);
    const Path vee = poly({{0, 0}, {5, 5}, {10, 0}}, false);
    const Case cases[] = {
        {"crossing lines", Path::line({0, 0, 0}, {10, 10, 0}), Path::line({0, 10, 0}, {10, 0, 0}),
         {{{5, 5}, 5 * r2}}},
        {"parallel lines", Path::line({0, 0, 0}, {10, 0, 0}), Path::line({0, 1, 0}, {10, 1, 0}), {}},
        {"vertex touching vertex: once", vee, poly({{0, 10}, {5, 5}, {10, 10}}, false), {{{5, 5}, 1}}},
        {"line through the other's vertex: once", Path::line({5, -5, 0}, {5, 15, 0}), vee, {{{5, 5}, 10}}},
        {"own vertex on a line: once", vee, Path::line({5, -5, 0}, {5, 15, 0}), {{{5, 5}, 1}}},
        {"circle and secant: two points", Path::circle({0, 0, 0}, 5), Path::line({-10, 3, 0}, {10, 3, 0}),
         {{{4, 3}, a34}, {{-4, 3}, kPi - a34}}},
        {"circle and tangent: one point", Path::circle({0, 0, 0}, 5), Path::line({-10, 5, 0}, {10, 5, 0}),
         {{{0, 5}, kPi / 2}}},
        {"tangent at the circle's seam: once, at parameter 0", Path::circle({0, 0, 0}, 5),
         Path::line({5, -10, 0}, {5, 10, 0}), {{{5, 0}, 0}}},
        {"circle and a line that misses", Path::circle({0, 0, 0}, 5), Path::line({-10, 6, 0}, {10, 6, 0}), {}},
        {"arc and circle", Path::arc({0, 0, 0}, 2, 0, kPi), Path::circle({2, 0, 0}, 2), {{{1, r3}, kPi / 3}}},
        {"collinear overlap: its end points", Path::line({0, 0, 0}, {10, 0, 0}), Path::line({4, 0, 0}, {20, 0, 0}),
         {{{4, 0}, 4}, {{10, 0}, 10}}},
        {"diagonal through two corners of a closed square", square10(), Path::line({-5, -5, 0}, {15, 15, 0}),
         {{{0, 0}, 0}, {{10, 10}, 2}}},
        {"line along a side of a closed square", square10(), Path::line({-5, 0, 0}, {15, 0, 0}),
         {{{0, 0}, 0}, {{10, 0}, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const std::vector<PathIntersection> hits = c.a.intersections(c.b);
        ASSERT_EQ(hits.size(), c.expected.size());
        for (std::size_t i = 0; i < hits.size(); ++i) {
            expectNear2d(hits[i].point, c.expected[i].at);
            EXPECT_NEAR(hits[i].param, c.expected[i].param, 1e-9);
            // otherParam locates the same point on the other path.
            expectNear2d(c.b.pointAtParam(hits[i].otherParam), c.expected[i].at);
        }
    }
    // Heights come from this path.
    const Path rising = Path::polyline({{{0, 0, 0}}, {{10, 0, 10}}}, false);
    const auto hits = rising.intersections(Path::line({5, -5, 100}, {5, 5, 100}));
    ASSERT_EQ(hits.size(), 1u);
    expectNear(hits[0].point, {5, 0, 5});
}

TEST(Path, IntersectionsWithInfiniteLineRayAndSegment)
{
    const Path sq = square10();
    struct Hit {
        ZcGePoint2d at;
        double param;
        double lineParam;
    };
    struct Case {
        const char* why;
        ZcGePoint2d a, b;
        LineExtent extent;
        std::vector<Hit> expected;
    };
    const Case cases[] = {
        {"infinite line crosses both sides", {20, 5}, {15, 5}, LineExtent::Infinite,
         {{{10, 5}, 1.5, 2.0}, {{0, 5}, 3.5, 4.0}}},
        {"ray pointing at the square", {20, 5}, {15, 5}, LineExtent::Ray, {{{10, 5}, 1.5, 2.0}, {{0, 5}, 3.5, 4.0}}},
        {"ray from inside", {5, 5}, {20, 5}, LineExtent::Ray, {{{10, 5}, 1.5, 1.0 / 3.0}}},
        {"ray pointing away", {15, 5}, {20, 5}, LineExtent::Ray, {}},
        {"ray pointing away, infinite would meet", {15, 5}, {20, 5}, LineExtent::Infinite,
         {{{10, 5}, 1.5, -1.0}, {{0, 5}, 3.5, -3.0}}},
        {"segment short of the square", {12, 5}, {15, 5}, LineExtent::Segment, {}},
        {"segment from inside across one side", {5, 5}, {15, 5}, LineExtent::Segment, {{{10, 5}, 1.5, 0.5}}},
        {"segment ending on a side", {5, 5}, {10, 5}, LineExtent::Segment, {{{10, 5}, 1.5, 1.0}}},
        {"infinite line through two corners", {-1, -1}, {1, 1}, LineExtent::Infinite,
         {{{0, 0}, 0.0, 0.5}, {{10, 10}, 2.0, 5.5}}},
        {"point query on the path", {10, 3}, {10, 3}, LineExtent::Segment, {{{10, 3}, 1.3, 0.0}}},
        {"point query off the path", {5, 5}, {5, 5}, LineExtent::Infinite, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const auto hits = sq.intersectionsWithLine(c.a, c.b, c.extent);
        ASSERT_EQ(hits.size(), c.expected.size());
        for (std::size_t i = 0; i < hits.size(); ++i) {
            expectNear2d(hits[i].point, c.expected[i].at);
            EXPECT_NEAR(hits[i].param, c.expected[i].param, 1e-9);
            EXPECT_NEAR(hits[i].otherParam, c.expected[i].lineParam, 1e-9);
        }
    }
}

TEST(Path, SurveyCoordinatesKeepVertexHitsSingleAndPrecise)
{
    const double x0 = 652000.0, y0 = 6862000.0;
    const Path p = poly({{x0, y0}, {x0 + 10, y0}, {x0 + 10, y0 + 10}}, false, {}, 150.0);
    const auto hits = p.intersectionsWithLine({x0 + 5, y0 - 5}, {x0 + 15, y0 + 5}, LineExtent::Infinite);
    ASSERT_EQ(hits.size(), 1u);  // through the corner
    EXPECT_NEAR(hits[0].param, 1.0, 1e-9);
    const PathClosestPoint c = p.closestPoint(ZcGePoint2d(x0 + 5, y0 - 3));
    EXPECT_NEAR(c.param, 0.5, 1e-9);
    EXPECT_NEAR(c.distance, 3.0, 1e-9);
}

// ---------------------------------------------------------------------------------------------
TEST(Path, OffsetOfClosedSquare)
{
    struct Case {
        const char* why;
        bool counterClockwise;
        double distance;
        std::vector<ZcGePoint2d> expected;
    };
    const Case cases[] = {
        {"counter-clockwise, positive: inside", true, 1, {{1, 1}, {9, 1}, {9, 9}, {1, 9}}},
        {"counter-clockwise, negative: outside", true, -1, {{-1, -1}, {11, -1}, {11, 11}, {-1, 11}}},
        {"clockwise, positive: outside", false, 1, {{-1, -1}, {-1, 11}, {11, 11}, {11, -1}}},
        {"clockwise, negative: inside", false, -1, {{1, 1}, {1, 9}, {9, 9}, {9, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const Path off = square10(c.counterClockwise).offset(c.distance);
        EXPECT_TRUE(off.isClosed());
        ASSERT_EQ(off.vertices().size(), c.expected.size());
        for (std::size_t i = 0; i < c.expected.size(); ++i) {
            expectNear2d(off.vertices()[i].point, c.expected[i]);
            EXPECT_EQ(off.vertices()[i].bulge, 0.0);
        }
    }
    // A duplicated closing vertex (zero-length closing segment) gives the same outline.
    const Path dup = poly({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}, true).offset(1);
    ASSERT_EQ(dup.numSegments(), 4u);
    expectNear2d(dup.vertices()[0].point, {1, 1});
    expectNear2d(dup.vertices()[3].point, {1, 9});
}

TEST(Path, OffsetOfOpenPolylineWithBulge)
{
    // Line along +X, then a counter-clockwise half circle (centre (15,0), radius 5) bulging below.
    const Path p = poly({{0, 0}, {10, 0}, {20, 0}}, false, {0, 1}, 4.0);
    struct Case {
        const char* why;
        double distance;
        ZcGePoint2d first, joint, last;
        double radius;
    };
    const double s15 = std::sqrt(15.0), s35 = std::sqrt(35.0);
    const Case cases[] = {
        // The corner turns right: the left side opens a gap that the line and the arc extend to close.
        {"left, outside of the turn: both extended", 1, {0, 1}, {15 - s15, 1}, {19, 0}, 4},
        {"right, inside of the turn: both trimmed", -1, {0, -1}, {15 - s35, -1}, {21, 0}, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const Path off = p.offset(c.distance);
        ASSERT_EQ(off.numSegments(), 2u);
        EXPECT_FALSE(off.isClosed());
        expectNear2d(off.vertices()[0].point, c.first);
        expectNear2d(off.vertices()[1].point, c.joint);
        expectNear2d(off.vertices()[2].point, c.last);
        EXPECT_EQ(off.vertices()[1].point.z, 4.0);
        ASSERT_EQ(off.segmentKind(1), Path::SegmentKind::Arc);
        ZcGeCircArc2d arc;
        ASSERT_TRUE(off.getArcSegAt(1, arc));
        EXPECT_NEAR(arc.center().x, 15, 1e-9);
        EXPECT_NEAR(arc.center().y, 0, 1e-9);
        EXPECT_NEAR(arc.radius(), c.radius, 1e-9);
        EXPECT_FALSE(arc.isClockWise());
        // Away from the joint the offset runs at the distance, on the requested side.
        const ZcGePoint3d mid = off.pointAtParam(1.6);
        const PathClosestPoint near = p.closestPoint(mid);
        EXPECT_NEAR(near.distance, std::fabs(c.distance), 1e-9);
        const ZcGeVector2d travel = p.planDirectionAtParam(near.param);
        const double side = travel.crossProduct(mid.convert2d() - near.point.convert2d());
        EXPECT_GT(side * c.distance, 0.0);  // > 0: left of travel
    }
}

TEST(Path, OffsetOfTangentContinuousPathsAddsNoJoints)
{
    const double q = std::tan(kPi / 8);  // quarter turn
    // Line along +X, left quarter curve about (10,10), line along +Y.
    const Path road = poly({{0, 0}, {10, 0}, {20, 10}, {20, 20}}, false, {0, q, 0});
    // Counter-clockwise outline: two straights and two half circles.
    const Path stadium = poly({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true, {0, 1, 0, 1});
    struct Case {
        const char* why;
        const Path& path;
        double distance;
        std::vector<ZcGePoint2d> vertices;
        std::vector<double> bulges;
    };
    const Case cases[] = {
        {"alignment, inside of the curve", road, 1, {{0, 1}, {10, 1}, {19, 10}, {19, 20}}, {0, q, 0, 0}},
        {"alignment, outside of the curve", road, -1, {{0, -1}, {10, -1}, {21, 10}, {21, 20}}, {0, q, 0, 0}},
        {"stadium, inside", stadium, 1, {{0, 1}, {10, 1}, {10, 9}, {0, 9}}, {0, 1, 0, 1}},
        {"stadium, outside", stadium, -1, {{0, -1}, {10, -1}, {10, 11}, {0, 11}}, {0, 1, 0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const Path off = c.path.offset(c.distance);
        EXPECT_EQ(off.numSegments(), c.path.numSegments());
        EXPECT_EQ(off.isClosed(), c.path.isClosed());
        ASSERT_EQ(off.vertices().size(), c.vertices.size());
        for (std::size_t i = 0; i < c.vertices.size(); ++i) {
            expectNear2d(off.vertices()[i].point, c.vertices[i]);
            EXPECT_NEAR(off.vertices()[i].bulge, c.bulges[i], 1e-9);
        }
    }
}

TEST(Path, OffsetKeepsKindsAndDropsCollapsedArcs)
{
    const Path line = Path::line({0, 0, 3}, {10, 0, 3}).offset(2);
    EXPECT_EQ(line.kind(), Path::Kind::Line);
    expectNear(line.startPoint(), {0, 2, 3});
    expectNear(line.endPoint(), {10, 2, 3});

    const Path arc = Path::arc({0, 0, 1}, 5, 0, kPi);
    EXPECT_EQ(arc.offset(1).kind(), Path::Kind::Arc);
    expectNear(arc.offset(1).pointAtParam(kPi / 2), {0, 4, 1});  // left of a counter-clockwise arc: inwards
    expectNear(arc.offset(-1).pointAtParam(kPi / 2), {0, 6, 1});
    EXPECT_TRUE(arc.offset(5).isEmpty());  // radius would reach zero

    const Path circle = Path::circle({0, 0, 0}, 5);
    EXPECT_EQ(circle.offset(1).kind(), Path::Kind::Circle);
    expectNear(circle.offset(1).pointAtParam(0), {4, 0, 0});
    expectNear(circle.offset(-1).pointAtParam(kPi), {-6, 0, 0});
    EXPECT_TRUE(circle.offset(6).isEmpty());

    // A small arc collapses and is dropped; the collinear lines either side cannot meet, so a straight
    // joint replaces it.
    const Path bump = poly({{0, 0}, {10, 0}, {12, 0}, {22, 0}}, false, {0, 1, 0});
    const Path off = bump.offset(2);
    ASSERT_EQ(off.numSegments(), 3u);
    const std::vector<ZcGePoint2d> expected = {{0, 2}, {10, 2}, {12, 2}, {22, 2}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        expectNear2d(off.vertices()[i].point, expected[i]);
        EXPECT_EQ(off.vertices()[i].bulge, 0.0);
    }

    // Doubling back along the same line: the offsets are parallel, joined straight across.
    const Path back = poly({{0, 0}, {10, 0}, {0, 0}}, false).offset(1);
    ASSERT_EQ(back.numSegments(), 3u);
    expectNear2d(back.vertices()[1].point, {10, 1});
    expectNear2d(back.vertices()[2].point, {10, -1});
    expectNear2d(back.vertices()[3].point, {0, -1});
}

// ---------------------------------------------------------------------------------------------
TEST(Path, DegenerateInputNeverCrashesOrGivesNaN)
{
    struct Case {
        const char* why;
        Path path;
    };
    const Case cases[] = {
        {"no vertices", Path()},
        {"one vertex", poly({{1, 1}}, false)},
        {"one vertex, closed", poly({{1, 1}}, true)},
        {"two coincident vertices", poly({{1, 1}, {1, 1}}, false)},
        {"two coincident vertices, closed, with bulges", poly({{1, 1}, {1, 1}}, true, {1, -1})},
        {"zero-length segments inside", poly({{0, 0}, {0, 0}, {5, 0}, {5, 0}, {5, 5}}, false)},
        {"bulge on a zero-length segment", poly({{1, 1}, {1, 1}, {3, 1}}, false, {1, 0})},
        {"vertical segment (same plan point)", Path::polyline({{{0, 0, 0}}, {{0, 0, 10}}, {{5, 0, 10}}}, false)},
        {"zero-length line", Path::line({2, 2, 2}, {2, 2, 2})},
        {"zero-radius arc", Path::arc({2, 2, 0}, 0, 0, 1)},
        {"zero-radius circle", Path::circle({2, 2, 0}, 0)},
        {"huge bulge", poly({{0, 0}, {1, 0}}, false, {1e12})},
    };
    const double params[] = {-1.0, 0.0, 0.5, 1.0, 2.5, 100.0, std::numeric_limits<double>::quiet_NaN()};
    const Path probe = Path::line({-10, 0.5, 0}, {10, 0.5, 0});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const Path& p = c.path;
        EXPECT_TRUE(std::isfinite(p.length()) && std::isfinite(p.planLength()));
        EXPECT_TRUE(std::isfinite(p.startParam()) && std::isfinite(p.endParam()));
        EXPECT_TRUE(finite(p.startPoint()) && finite(p.endPoint()));
        for (double t : params) {
            EXPECT_TRUE(finite(p.pointAtParam(t)));
            EXPECT_TRUE(std::isfinite(p.distanceAtParam(t)));
            EXPECT_TRUE(std::isfinite(p.paramAtDistance(t)));
            const ZcGeVector2d dir = p.planDirectionAtParam(t);
            EXPECT_TRUE(std::isfinite(dir.x) && std::isfinite(dir.y));
        }
        const PathClosestPoint cp = p.closestPoint(ZcGePoint2d(3, 4));
        EXPECT_EQ(cp.valid, !p.isEmpty());
        EXPECT_TRUE(finite(cp.point) && std::isfinite(cp.param) && std::isfinite(cp.distance) &&
                    std::isfinite(cp.distanceAlong));
        for (const auto& hits : {p.intersections(probe), p.intersections(p), probe.intersections(p),
                                 p.intersectionsWithLine({0, 0}, {1, 1}, LineExtent::Infinite)})
            for (const PathIntersection& h : hits)
                EXPECT_TRUE(finite(h.point) && std::isfinite(h.param) && std::isfinite(h.otherParam));
        for (double d : {1.0, -1.0}) {
            const Path off = p.offset(d);
            for (const PathVertex& v : off.vertices())
                EXPECT_TRUE(finite(v.point) && std::isfinite(v.bulge));
            EXPECT_TRUE(std::isfinite(off.length()));
        }
        const ZcDbExtents box = p.extents();
        EXPECT_EQ(box.isValid(), !p.isEmpty());
        EXPECT_TRUE(finite(box.minPoint()) && finite(box.maxPoint()));
    }

    // The vertical segment counts in space but not in plan.
    const Path& vertical = cases[7].path;
    EXPECT_NEAR(vertical.length(), 15.0, 1e-12);
    EXPECT_NEAR(vertical.planLength(), 5.0, 1e-12);
    expectNear(vertical.pointAtParam(vertical.paramAtDistance(5.0)), {0, 0, 5});
    // Zero-length segments do not duplicate hits.
    EXPECT_EQ(cases[5].path.intersectionsWithLine({0, -1}, {0, 1}, LineExtent::Infinite).size(), 1u);
    EXPECT_EQ(cases[5].path.intersectionsWithLine({5, -1}, {5, 1}, LineExtent::Infinite).size(), 2u);  // (5,0) and the overlap end (5,5)
}

TEST(Path, SegmentsAndExtents)
{
    const Path p = Path::polyline({{{0, 0, 0}, 0.0}, {{10, 0, 0}, 1.0}, {{10, 10, 4}, 0.0}}, false);
    EXPECT_EQ(p.segmentKind(0), Path::SegmentKind::Line);
    EXPECT_EQ(p.segmentKind(1), Path::SegmentKind::Arc);
    const auto seg = p.segment2d(1);
    ASSERT_TRUE(std::holds_alternative<ZcGeCircArc2d>(seg));
    EXPECT_NEAR(std::get<ZcGeCircArc2d>(seg).radius(), 5.0, 1e-12);
    ASSERT_TRUE(std::holds_alternative<ZcGeLineSeg2d>(p.segment2d(0)));
    ZcGeLineSeg2d line;
    EXPECT_FALSE(p.getLineSegAt(1, line));
    EXPECT_TRUE(p.getLineSegAt(0, line));
    EXPECT_THROW(p.segment2d(2), std::out_of_range);
    EXPECT_THROW(p.segmentKind(7), std::out_of_range);

    // The arc bulges to (15,5) at mid-height.
    const ZcDbExtents box = p.extents();
    ASSERT_TRUE(box.isValid());
    expectNear(box.minPoint(), {0, 0, 0});
    expectNear(box.maxPoint(), {15, 10, 4});

    const ZcDbExtents c = Path::circle({1, 2, 3}, 2).extents();
    expectNear(c.minPoint(), {-1, 0, 3});
    expectNear(c.maxPoint(), {3, 4, 3});
    const ZcDbExtents a = Path::arc({0, 0, 0}, 1, 350 * kDeg, 10 * kDeg).extents();
    EXPECT_NEAR(a.maxPoint().x, 1.0, 1e-12);
    EXPECT_NEAR(a.maxPoint().y, std::sin(10 * kDeg), 1e-12);
}
