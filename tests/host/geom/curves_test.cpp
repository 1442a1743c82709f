#include "host/geom/curves.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using geltaro::geom::kPi;
using geltaro::geom::kTwoPi;

namespace {

void expectNear(const ZcGePoint2d& a, const ZcGePoint2d& b, double tol = 1e-9)
{
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
}

bool finite(const ZcGePoint2d& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

// Sorted copy of up to two intersection points, for order-independent comparison.
std::vector<ZcGePoint2d> sortedHits(int count, const ZcGePoint2d& p1, const ZcGePoint2d& p2)
{
    std::vector<ZcGePoint2d> v;
    if (count > 0)
        v.push_back(p1);
    if (count > 1)
        v.push_back(p2);
    if (v.size() == 2 && (v[1].x < v[0].x || (v[1].x == v[0].x && v[1].y < v[0].y)))
        std::swap(v[0], v[1]);
    return v;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
TEST(LineSeg2d, ClosestPointAndParameter)
{
    struct Case {
        const char* why;
        ZcGeLineSeg2d seg;
        ZcGePoint2d p;
        ZcGePoint2d closest;
        double param;  // unclamped foot parameter
    };
    const ZcGeLineSeg2d s({0, 0}, {10, 0});
    const Case cases[] = {
        {"foot inside", s, {4, 3}, {4, 0}, 0.4},
        {"on the segment", s, {7, 0}, {7, 0}, 0.7},
        {"before the start clamps to the start", s, {-5, 2}, {0, 0}, -0.5},
        {"beyond the end clamps to the end", s, {12, -1}, {10, 0}, 1.2},
        {"zero-length segment", ZcGeLineSeg2d({3, 3}, {3, 3}), {5, 5}, {3, 3}, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        expectNear(c.seg.closestPointTo(c.p), c.closest);
        EXPECT_NEAR(c.seg.paramOf(c.p), c.param, 1e-12);
        EXPECT_NEAR(c.seg.distanceTo(c.p), c.p.distanceTo(c.closest), 1e-12);
    }
    expectNear(s.evalPoint(0.25), {2.5, 0});
    expectNear(s.evalPoint(1.5), {15, 0});  // extrapolates
    expectNear(s.midPoint(), {5, 0});
    EXPECT_DOUBLE_EQ(s.length(), 10.0);
}

TEST(LineSeg2d, IntersectWith)
{
    struct Case {
        const char* why;
        ZcGeLineSeg2d a, b;
        bool meets;
        ZcGePoint2d at;
    };
    const ZcGePoint2d far{652000, 6862000};  // survey-size coordinates
    const Case cases[] = {
        {"crossing", {{0, 0}, {10, 10}}, {{0, 10}, {10, 0}}, true, {5, 5}},
        {"T: end of one on the other", {{0, 0}, {10, 0}}, {{5, 0}, {5, 5}}, true, {5, 0}},
        {"shared end point", {{0, 0}, {10, 0}}, {{10, 0}, {10, 5}}, true, {10, 0}},
        {"would cross only if extended", {{0, 0}, {10, 0}}, {{12, -1}, {12, 1}}, false, {}},
        {"parallel apart", {{0, 0}, {10, 0}}, {{0, 1}, {10, 1}}, false, {}},
        {"collinear, touching end to end", {{0, 0}, {10, 0}}, {{10, 0}, {20, 0}}, true, {10, 0}},
        {"collinear overlap has no single point", {{0, 0}, {10, 0}}, {{5, 0}, {20, 0}}, false, {}},
        {"collinear apart", {{0, 0}, {10, 0}}, {{11, 0}, {20, 0}}, false, {}},
        {"zero-length segment lying on the other", {{0, 0}, {10, 0}}, {{3, 0}, {3, 0}}, true, {3, 0}},
        {"zero-length segment off the other", {{0, 0}, {10, 0}}, {{3, 1}, {3, 1}}, false, {}},
        {"crossing far from the origin", {far + ZcGeVector2d(0, 0), far + ZcGeVector2d(10, 10)},
         {far + ZcGeVector2d(0, 10), far + ZcGeVector2d(10, 0)}, true, far + ZcGeVector2d(5, 5)},
        {"shared end far from the origin", {far, far + ZcGeVector2d(3.3, 0.1)},
         {far + ZcGeVector2d(3.3, 0.1), far + ZcGeVector2d(7.1, 9.9)}, true, far + ZcGeVector2d(3.3, 0.1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ZcGePoint2d p;
        EXPECT_EQ(c.a.intersectWith(c.b, p), c.meets);
        if (c.meets)
            expectNear(p, c.at);
        ZcGePoint2d q;
        EXPECT_EQ(c.b.intersectWith(c.a, q), c.meets);  // symmetric
    }
}

// ---------------------------------------------------------------------------------------------
TEST(CircArc2d, FromBulgePassesThroughBothEnds)
{
    struct Case {
        const char* why;
        ZcGePoint2d start, end;
        double bulge;
        ZcGePoint2d center;
        double radius;
        bool clockwise;
        double sweep;
        ZcGePoint2d mid;  // point halfway along the arc
    };
    const double quarter = std::tan(kPi / 8);
    const double threeQuarter = std::tan(3 * kPi / 8);
    const Case cases[] = {
        // A counter-clockwise arc bulges to the right of the chord's direction.
        {"bulge 1 is a half circle, counter-clockwise", {0, 0}, {2, 0}, 1.0, {1, 0}, 1.0, false, kPi, {1, -1}},
        {"bulge -1 is the clockwise half circle", {0, 0}, {2, 0}, -1.0, {1, 0}, 1.0, true, kPi, {1, 1}},
        {"quarter circle counter-clockwise", {1, 0}, {0, 1}, quarter, {0, 0}, 1.0, false, kPi / 2,
         {std::sqrt(0.5), std::sqrt(0.5)}},
        {"quarter circle clockwise between the same ends", {1, 0}, {0, 1}, -quarter, {1, 1}, 1.0, true, kPi / 2,
         {1 - std::sqrt(0.5), 1 - std::sqrt(0.5)}},
        {"three quarters of a turn", {1, 0}, {0, -1}, threeQuarter, {0, 0}, 1.0, false, 1.5 * kPi,
         {-std::sqrt(0.5), std::sqrt(0.5)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const ZcGeCircArc2d arc(c.start, c.end, c.bulge);
        ASSERT_FALSE(arc.isDegenerate());
        expectNear(arc.startPoint(), c.start);
        expectNear(arc.endPoint(), c.end);
        expectNear(arc.center(), c.center);
        EXPECT_NEAR(arc.radius(), c.radius, 1e-12);
        EXPECT_EQ(arc.isClockWise(), c.clockwise);
        EXPECT_NEAR(arc.sweepAngle(), c.sweep, 1e-12);
        EXPECT_NEAR(arc.length(), c.radius * c.sweep, 1e-12);
        expectNear(arc.midPoint(), c.mid);
        EXPECT_NEAR(arc.bulge(), c.bulge, 1e-12);  // round trip
    }
}

TEST(CircArc2d, OtherConstructionsAndDegenerateInput)
{
    // Angles: the arc from 350 to 10 degrees crosses 0 counter-clockwise; clockwise it goes the long way.
    const double a350 = 350 * kPi / 180, a10 = 10 * kPi / 180;
    const ZcGeCircArc2d ccw({0, 0}, 2.0, a350, a10);
    EXPECT_NEAR(ccw.sweepAngle(), 20 * kPi / 180, 1e-12);
    expectNear(ccw.midPoint(), {2, 0});
    const ZcGeCircArc2d cw({0, 0}, 2.0, a350, a10, true);
    EXPECT_NEAR(cw.sweepAngle(), 340 * kPi / 180, 1e-12);
    expectNear(cw.midPoint(), {-2, 0});
    EXPECT_NEAR(cw.endAng(), a10, 1e-12);
    EXPECT_TRUE(ZcGeCircArc2d({0, 0}, 1.0, 1.0, 1.0).isClosed());  // equal angles: whole circle

    // Three points: orientation follows the order of the points.
    const ZcGeCircArc2d up({1, 0}, {0, 1}, {-1, 0});
    expectNear(up.center(), {0, 0});
    EXPECT_NEAR(up.radius(), 1.0, 1e-12);
    EXPECT_FALSE(up.isClockWise());
    EXPECT_NEAR(up.sweepAngle(), kPi, 1e-12);
    const ZcGeCircArc2d down({-1, 0}, {0, 1}, {1, 0});
    EXPECT_TRUE(down.isClockWise());
    expectNear(down.midPoint(), {0, 1});

    struct Degenerate {
        const char* why;
        ZcGeCircArc2d arc;
    };
    const Degenerate degenerate[] = {
        {"zero bulge", ZcGeCircArc2d({0, 0}, {1, 0}, 0.0)},
        {"coincident ends", ZcGeCircArc2d({1, 1}, {1, 1}, 1.0)},
        {"collinear three points", ZcGeCircArc2d({0, 0}, {1, 1}, {2, 2})},
        {"three points with start = end", ZcGeCircArc2d({0, 0}, {1, 1}, {0, 0})},
        {"zero radius", ZcGeCircArc2d({5, 5}, 0.0, 0.0, 1.0)},
    };
    for (const Degenerate& d : degenerate) {
        SCOPED_TRACE(d.why);
        EXPECT_TRUE(d.arc.isDegenerate());
        EXPECT_TRUE(finite(d.arc.startPoint()) && finite(d.arc.endPoint()) && finite(d.arc.closestPointTo({3, 4})));
        EXPECT_TRUE(std::isfinite(d.arc.paramOf({3, 4})) && std::isfinite(d.arc.length()));
        int n = -1;
        ZcGePoint2d p1, p2;
        EXPECT_FALSE(d.arc.intersectWith(ZcGeLineSeg2d({-10, -10}, {10, 10}), n, p1, p2));
        EXPECT_EQ(n, 0);
    }
}

TEST(CircArc2d, ClosestPointAndParameters)
{
    // Upper half circle of radius 2, counter-clockwise from (2,0) to (-2,0).
    const ZcGeCircArc2d arc({0, 0}, 2.0, 0.0, kPi);
    struct Case {
        const char* why;
        ZcGePoint2d p;
        ZcGePoint2d closest;
        double param;
    };
    const Case cases[] = {
        {"outside, within the arc's range", {0, 5}, {0, 2}, kPi / 2},
        {"inside, within the range", {1, 1}, {std::sqrt(2.0), std::sqrt(2.0)}, kPi / 4},
        {"below, nearer the start", {1.5, -3}, {2, 0}, 0.0},
        {"below, nearer the end", {-1.5, -3}, {-2, 0}, kPi},
        {"at the centre: every point is as near, the start is taken", {0, 0}, {2, 0}, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        expectNear(arc.closestPointTo(c.p), c.closest);
        EXPECT_NEAR(arc.paramOf(c.p), c.param, 1e-12);
    }
    // Parameter = angle travelled, also for clockwise arcs; evaluation clamps to the arc.
    const ZcGeCircArc2d cw({0, 0}, 1.0, kPi / 2, 0.0, true);
    expectNear(cw.evalPoint(kPi / 4), {std::sqrt(0.5), std::sqrt(0.5)});
    expectNear(cw.evalPoint(10.0), {1, 0});
    expectNear(cw.evalPoint(-1.0), {0, 1});
}

TEST(CircArc2d, IntersectWithLine)
{
    const ZcGeCircArc2d circle({0, 0}, 5.0);
    const ZcGeCircArc2d upper({0, 0}, 5.0, 0.0, kPi);
    struct Case {
        const char* why;
        ZcGeCircArc2d arc;
        ZcGeLineSeg2d line;
        std::vector<ZcGePoint2d> expected;  // sorted by x, then y
    };
    const Case cases[] = {
        {"secant: two points", circle, {{-10, 3}, {10, 3}}, {{-4, 3}, {4, 3}}},
        {"tangent: one point", circle, {{-10, 5}, {10, 5}}, {{0, 5}}},
        {"miss", circle, {{-10, 6}, {10, 6}}, {}},
        {"segment ends inside the circle", circle, {{0, 3}, {10, 3}}, {{4, 3}}},
        {"segment wholly inside", circle, {{-1, 0}, {1, 0}}, {}},
        {"second crossing is off the arc", upper, {{0, -10}, {0, 10}}, {{0, 5}}},
        {"through the arc's end point", upper, {{5, -1}, {5, 1}}, {{5, 0}}},
        {"segment ending exactly on the arc", circle, {{0, 0}, {3, 4}}, {{3, 4}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        int n = -1;
        ZcGePoint2d p1, p2;
        const bool any = c.arc.intersectWith(c.line, n, p1, p2);
        ASSERT_EQ(n, static_cast<int>(c.expected.size()));
        EXPECT_EQ(any, n > 0);
        const auto got = sortedHits(n, p1, p2);
        for (std::size_t i = 0; i < got.size(); ++i)
            expectNear(got[i], c.expected[i]);
    }
}

TEST(CircArc2d, IntersectWithArc)
{
    const double s = std::sqrt(3.0);
    struct Case {
        const char* why;
        ZcGeCircArc2d a, b;
        std::vector<ZcGePoint2d> expected;  // sorted by x, then y
    };
    const Case cases[] = {
        {"two circles crossing", ZcGeCircArc2d({0, 0}, 2.0), ZcGeCircArc2d({2, 0}, 2.0), {{1, -s}, {1, s}}},
        {"only the upper crossing is on the arc", ZcGeCircArc2d({0, 0}, 2.0, 0.0, kPi), ZcGeCircArc2d({2, 0}, 2.0),
         {{1, s}}},
        {"external tangency", ZcGeCircArc2d({0, 0}, 1.0), ZcGeCircArc2d({3, 0}, 2.0), {{1, 0}}},
        {"internal tangency", ZcGeCircArc2d({0, 0}, 3.0), ZcGeCircArc2d({1, 0}, 2.0), {{3, 0}}},
        {"apart", ZcGeCircArc2d({0, 0}, 1.0), ZcGeCircArc2d({5, 0}, 1.0), {}},
        {"one inside the other", ZcGeCircArc2d({0, 0}, 5.0), ZcGeCircArc2d({1, 0}, 1.0), {}},
        {"concentric", ZcGeCircArc2d({0, 0}, 1.0), ZcGeCircArc2d({0, 0}, 2.0), {}},
        {"same circle, overlapping arcs: the overlap's ends", ZcGeCircArc2d({0, 0}, 1.0, 0.0, kPi),
         ZcGeCircArc2d({0, 0}, 1.0, kPi / 2, 1.5 * kPi), {{-1, 0}, {0, 1}}},
        {"same circle, arcs meeting end to end", ZcGeCircArc2d({0, 0}, 1.0, 0.0, kPi / 2),
         ZcGeCircArc2d({0, 0}, 1.0, kPi / 2, kPi), {{0, 1}}},
        {"same circle, disjoint arcs", ZcGeCircArc2d({0, 0}, 1.0, 0.0, 1.0),
         ZcGeCircArc2d({0, 0}, 1.0, 2.0, 3.0), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        int n = -1;
        ZcGePoint2d p1, p2;
        c.a.intersectWith(c.b, n, p1, p2);
        ASSERT_EQ(n, static_cast<int>(c.expected.size()));
        const auto got = sortedHits(n, p1, p2);
        for (std::size_t i = 0; i < got.size(); ++i)
            expectNear(got[i], c.expected[i]);
    }
}

// ---------------------------------------------------------------------------------------------
TEST(Plane, DistanceProjectionAndLineIntersection)
{
    const ZcGePlane tilted({0, 0, 1}, {0, 0, 2});  // z = 1, normal given unnormalised
    EXPECT_NEAR(tilted.signedDistanceTo({5, 5, 4}), 3.0, 1e-12);
    EXPECT_NEAR(tilted.signedDistanceTo({5, 5, -1}), -2.0, 1e-12);
    EXPECT_NEAR(tilted.distanceTo({5, 5, -1}), 2.0, 1e-12);
    const ZcGePoint3d foot = ZcGePoint3d(3, 4, 9).orthoProject(tilted);
    EXPECT_TRUE(foot.isEqualTo({3, 4, 1}));

    const ZcGePlane oblique({0, 0, 0}, {1, 0, 1});  // x + z = 0
    struct Case {
        const char* why;
        ZcGePoint3d p;
        ZcGeVector3d dir;
        bool meets;
        ZcGePoint3d at;
    };
    const Case cases[] = {
        {"vertical line", {2, 3, 10}, {0, 0, -1}, true, {2, 3, -2}},
        {"direction pointing away still meets the infinite line", {2, 3, 10}, {0, 0, 5}, true, {2, 3, -2}},
        {"parallel to the plane", {0, 0, 5}, {1, 0, -1}, false, {}},
        {"lying in the plane", {1, 0, -1}, {1, 0, -1}, false, {}},
        {"zero direction", {0, 0, 5}, {0, 0, 0}, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ZcGePoint3d r(99, 99, 99);
        EXPECT_EQ(oblique.intersectWith(c.p, c.dir, r), c.meets);
        if (c.meets) {
            EXPECT_TRUE(r.isEqualTo(c.at, ZcGeTol(1e-9, 1e-9)));
            EXPECT_TRUE(oblique.isOn(r, ZcGeTol(1e-9, 1e-9)));
        }
    }

    // A zero normal is a degenerate plane: it behaves as its single point.
    const ZcGePlane point({1, 2, 3}, {0, 0, 0});
    EXPECT_FALSE(point.isValid());
    EXPECT_NEAR(point.distanceTo({1, 2, 8}), 5.0, 1e-12);
    EXPECT_TRUE(point.closestPointTo({7, 7, 7}).isEqualTo({1, 2, 3}));
    ZcGePoint3d r;
    EXPECT_FALSE(point.intersectWith({0, 0, 0}, {1, 2, 3}, r));
}
