#include "host/geom/point.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using geltaro::geom::kPi;
using geltaro::geom::kTwoPi;
using geltaro::geom::normalizeAngle;
using geltaro::geom::normalizeAngleSigned;

TEST(Angles, NormalizeStaysInRangeEvenForRoundingAndNonFiniteInput)
{
    struct Case {
        const char* why;
        double in;
        double expected;   // in [0, 2pi)
        double expectedS;  // in (-pi, pi]
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {"zero", 0.0, 0.0, 0.0},
        {"whole turn is zero", kTwoPi, 0.0, 0.0},
        {"several turns", 4 * kTwoPi + 1.0, 1.0, 1.0},
        {"negative quarter", -kPi / 2, 1.5 * kPi, -kPi / 2},
        {"half turn is +pi in the signed range", -kPi, kPi, kPi},
        // -1e-18 + 2pi rounds to 2pi: must not come back as 2pi.
        {"tiny negative does not return 2pi", -1e-18, 0.0, 0.0},
        {"NaN gives 0", nan, 0.0, 0.0},
        {"infinity gives 0", std::numeric_limits<double>::infinity(), 0.0, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const double a = normalizeAngle(c.in);
        EXPECT_NEAR(a, c.expected, 1e-12);
        EXPECT_GE(a, 0.0);
        EXPECT_LT(a, kTwoPi);
        const double s = normalizeAngleSigned(c.in);
        EXPECT_NEAR(s, c.expectedS, 1e-12);
        EXPECT_GT(s, -kPi);
        EXPECT_LE(s, kPi);
    }
}

TEST(Vector2d, AngleIsCounterClockwiseFromXInZeroToTwoPi)
{
    struct Case {
        const char* why;
        ZcGeVector2d v;
        double expected;
    };
    const Case cases[] = {
        {"+X", {1, 0}, 0.0},
        {"+Y", {0, 2}, kPi / 2},
        {"-X", {-3, 0}, kPi},
        {"-X with negative zero y is still pi", {-1, -0.0}, kPi},
        {"-Y is 3pi/2, not -pi/2", {0, -1}, 1.5 * kPi},
        {"third quadrant", {-1, -1}, 1.25 * kPi},
        {"just below +X is just below 2pi", {1, -1e-12}, kTwoPi - 1e-12},
        {"zero vector has angle 0", {0, 0}, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const double a = c.v.angle();
        EXPECT_NEAR(a, c.expected, 1e-12);
        EXPECT_GE(a, 0.0);
        EXPECT_LT(a, kTwoPi);
    }
}

TEST(Vector, NormalIsUnitAndZeroLengthStaysZero)
{
    struct Case {
        const char* why;
        ZcGeVector3d v;
        ZcGeVector3d expected;
    };
    const Case cases[] = {
        {"axis", {0, 0, 5}, {0, 0, 1}},
        {"diagonal", {3, 4, 0}, {0.6, 0.8, 0}},
        {"zero stays zero", {0, 0, 0}, {0, 0, 0}},
        {"below equalVector has no direction", {1e-12, 0, 0}, {0, 0, 0}},
        {"huge components do not overflow", {1e300, 1e300, 0}, {std::sqrt(0.5), std::sqrt(0.5), 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const ZcGeVector3d n = c.v.normal();
        EXPECT_NEAR(n.x, c.expected.x, 1e-12);
        EXPECT_NEAR(n.y, c.expected.y, 1e-12);
        EXPECT_NEAR(n.z, c.expected.z, 1e-12);
        // The plan vector behaves the same (every case here has a plan part that is zero or unit-aligned).
        const ZcGeVector2d n2 = c.v.convert2d().normal();
        EXPECT_NEAR(n2.x, c.expected.x, 1e-12);
        EXPECT_NEAR(n2.y, c.expected.y, 1e-12);
    }
}

TEST(Vector, AnglesBetweenVectors)
{
    // Unsigned angle in [0, pi]; zero vectors give 0 rather than NaN.
    EXPECT_NEAR(ZcGeVector2d(1, 0).angleTo({0, 1}), kPi / 2, 1e-15);
    EXPECT_NEAR(ZcGeVector2d(0, 1).angleTo({1, 0}), kPi / 2, 1e-15);
    EXPECT_NEAR(ZcGeVector2d(1, 0).angleTo({-1, 0}), kPi, 1e-15);
    EXPECT_NEAR(ZcGeVector2d(1, 0).angleTo({1, 1e-9}), 1e-9, 1e-20);  // accurate near 0
    EXPECT_EQ(ZcGeVector2d(0, 0).angleTo({1, 0}), 0.0);
    EXPECT_EQ(ZcGeVector3d(0, 0, 0).angleTo(ZcGeVector3d::kXAxis), 0.0);

    // With a reference axis the angle turns counter-clockwise about it, [0, 2pi).
    EXPECT_NEAR(ZcGeVector3d::kXAxis.angleTo(ZcGeVector3d::kYAxis, ZcGeVector3d::kZAxis), kPi / 2, 1e-15);
    EXPECT_NEAR(ZcGeVector3d::kXAxis.angleTo(ZcGeVector3d::kYAxis, -ZcGeVector3d::kZAxis), 1.5 * kPi, 1e-15);
    EXPECT_NEAR(ZcGeVector3d::kXAxis.angleTo(ZcGeVector3d::kXAxis, ZcGeVector3d::kZAxis), 0.0, 1e-15);
}

TEST(Vector, RotationAndProducts)
{
    ZcGeVector2d v(1, 0);
    v.rotateBy(kPi / 2);
    EXPECT_TRUE(v.isEqualTo({0, 1}));
    v.rotateBy(-kPi);
    EXPECT_TRUE(v.isEqualTo({0, -1}));
    EXPECT_GT(ZcGeVector2d(1, 0).crossProduct({0, 1}), 0.0);  // +Y lies counter-clockwise of +X
    EXPECT_TRUE(ZcGeVector2d(2, 3).perpVector().isEqualTo({-3, 2}));

    EXPECT_TRUE(ZcGeVector3d::kXAxis.crossProduct(ZcGeVector3d::kYAxis).isEqualTo(ZcGeVector3d::kZAxis));
    ZcGeVector3d w = ZcGeVector3d::kYAxis;
    w.rotateBy(kPi / 2, ZcGeVector3d::kXAxis);  // right-hand rule about X: Y -> Z
    EXPECT_TRUE(w.isEqualTo(ZcGeVector3d::kZAxis));
    ZcGeVector3d unchanged(1, 2, 3);
    unchanged.rotateBy(1.0, ZcGeVector3d());  // zero axis: no rotation, no NaN
    EXPECT_TRUE(unchanged.isEqualTo({1, 2, 3}));

    for (const ZcGeVector3d& d : {ZcGeVector3d(0, 0, 1), ZcGeVector3d(1, 1e-3, 0), ZcGeVector3d(-2, 3, 5)}) {
        const ZcGeVector3d p = d.perpVector();
        EXPECT_NEAR(p.length(), 1.0, 1e-12);
        EXPECT_NEAR(p.dotProduct(d), 0.0, 1e-12);
    }
    EXPECT_TRUE(ZcGeVector3d(1, 0, 0).isParallelTo({-3, 0, 0}));
    EXPECT_FALSE(ZcGeVector3d(1, 0, 0).isCodirectionalTo({-3, 0, 0}));
    EXPECT_FALSE(ZcGeVector3d(0, 0, 0).isParallelTo({1, 0, 0}));  // no direction, nothing to compare
}

TEST(Point, ArithmeticConversionsAndTolerance)
{
    const ZcGePoint3d a(1, 2, 3), b(4, 6, 15);
    const ZcGeVector3d ab = b - a;
    EXPECT_TRUE(ab.isEqualTo({3, 4, 12}));
    EXPECT_TRUE((a + ab).isEqualTo(b));
    EXPECT_DOUBLE_EQ(a.distanceTo(b), 13.0);
    EXPECT_DOUBLE_EQ(planDistance(a, b), 5.0);  // z ignored
    EXPECT_TRUE(ZcGePoint3d(ZcGePoint2d(7, 8), 9).isEqualTo({7, 8, 9}));
    EXPECT_TRUE(b.convert2d().isEqualTo({4, 6}));
    EXPECT_TRUE((-ab).isEqualTo({-3, -4, -12}));
    EXPECT_TRUE((ab * 2.0).isEqualTo(2.0 * ab));

    // Default tolerance: 1e-10.
    EXPECT_TRUE(ZcGePoint2d(1, 1) == ZcGePoint2d(1 + 1e-11, 1));
    EXPECT_FALSE(ZcGePoint2d(1, 1) == ZcGePoint2d(1 + 1e-9, 1));
    EXPECT_TRUE(ZcGePoint2d(1, 1).isEqualTo({1 + 1e-9, 1}, ZcGeTol(1e-8, 1e-8)));

    ZcGePoint2d p(2, 0);
    p.rotateBy(kPi / 2, ZcGePoint2d(1, 0));
    EXPECT_TRUE(p.isEqualTo({1, 1}));
}
