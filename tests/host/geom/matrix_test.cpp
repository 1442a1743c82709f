#include "host/geom/matrix.hpp"

#include <gtest/gtest.h>

#include <vector>

using geltaro::geom::kPi;

namespace {

void expectNear(const ZcGePoint3d& a, const ZcGePoint3d& b, double tol = 1e-9)
{
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

}  // namespace

TEST(Matrix3d, TransformsPoints)
{
    struct Case {
        const char* why;
        ZcGeMatrix3d m;
        ZcGePoint3d in;
        ZcGePoint3d expected;
    };
    const Case cases[] = {
        {"translation", ZcGeMatrix3d::translation({1, 2, 3}), {1, 1, 1}, {2, 3, 4}},
        {"quarter turn about Z through the origin", ZcGeMatrix3d::rotation(kPi / 2), {2, 0, 5}, {0, 2, 5}},
        {"quarter turn about Z through (10,0)", ZcGeMatrix3d::rotation(kPi / 2, ZcGeVector3d::kZAxis, {10, 0, 0}),
         {11, 0, 0}, {10, 1, 0}},
        {"clockwise turn (negative angle)", ZcGeMatrix3d::rotation(-kPi / 2), {1, 0, 0}, {0, -1, 0}},
        {"quarter turn about X: Y goes to Z", ZcGeMatrix3d::rotation(kPi / 2, ZcGeVector3d::kXAxis), {0, 1, 0},
         {0, 0, 1}},
        {"unnormalised axis", ZcGeMatrix3d::rotation(kPi, {0, 0, 7}), {1, 2, 3}, {-1, -2, 3}},
        {"third of a turn about the space diagonal cycles the axes",
         ZcGeMatrix3d::rotation(2 * kPi / 3, {1, 1, 1}), {1, 0, 0}, {0, 1, 0}},
        {"zero axis is the identity", ZcGeMatrix3d::rotation(1.0, {0, 0, 0}), {1, 2, 3}, {1, 2, 3}},
        {"scaling about a centre", ZcGeMatrix3d::scaling(2.0, {1, 1, 1}), {2, 1, 0}, {3, 1, -1}},
        // A * B applies B first: rotate (1,0,0) to (0,1,0), then move by +X.
        {"composition applies the right operand first",
         ZcGeMatrix3d::translation({1, 0, 0}) * ZcGeMatrix3d::rotation(kPi / 2), {1, 0, 0}, {1, 1, 0}},
        {"survey-size coordinates", ZcGeMatrix3d::rotation(kPi, ZcGeVector3d::kZAxis, {652000, 6862000, 0}),
         {652010, 6862000, 100}, {651990, 6862000, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        expectNear(c.m * c.in, c.expected);
        ZcGePoint3d p = c.in;
        p.transformBy(c.m);
        expectNear(p, c.expected);
    }
}

TEST(Matrix3d, VectorsIgnoreTranslation)
{
    const ZcGeMatrix3d m = ZcGeMatrix3d::translation({100, 200, 300}) * ZcGeMatrix3d::rotation(kPi / 2);
    const ZcGeVector3d v = m * ZcGeVector3d(1, 0, 0);
    EXPECT_NEAR(v.x, 0.0, 1e-12);
    EXPECT_NEAR(v.y, 1.0, 1e-12);
    EXPECT_NEAR(v.z, 0.0, 1e-12);
}

TEST(Matrix3d, InverseUndoesTheTransform)
{
    struct Case {
        const char* why;
        ZcGeMatrix3d m;
    };
    const Case cases[] = {
        {"translation", ZcGeMatrix3d::translation({-5, 7, 1.5})},
        {"rotation about an oblique axis off the origin", ZcGeMatrix3d::rotation(0.7, {1, -2, 0.5}, {3, 4, 5})},
        {"small uniform scaling", ZcGeMatrix3d::scaling(1e-3, {10, 10, 0})},
        {"scale, turn and move to survey coordinates",
         ZcGeMatrix3d::translation({652000, 6862000, 120}) * ZcGeMatrix3d::rotation(1.2) *
             ZcGeMatrix3d::scaling(0.9996)},
        {"object coordinate system of a tilted extrusion", ZcGeMatrix3d::planeToWorld({0.3, -0.4, 0.8})},
    };
    const std::vector<ZcGePoint3d> points = {{0, 0, 0}, {1, 2, 3}, {-1000, 250, 7}, {652123.4, 6862456.7, 88}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ASSERT_FALSE(c.m.isSingular());
        const ZcGeMatrix3d inv = c.m.inverse();
        for (const ZcGePoint3d& p : points) {
            expectNear(inv * (c.m * p), p, 1e-6);
            expectNear(c.m * (inv * p), p, 1e-6);
        }
        EXPECT_TRUE((c.m * inv).isIdentity(ZcGeTol(1e-9, 1e-9)));
    }
}

TEST(Matrix3d, SingularMatricesAreReportedNotInverted)
{
    ZcGeMatrix3d flatten;  // squashes z: no inverse
    flatten.entry[2][2] = 0.0;
    const ZcGeMatrix3d singular[] = {ZcGeMatrix3d::scaling(0.0), flatten};
    for (const ZcGeMatrix3d& m : singular) {
        EXPECT_TRUE(m.isSingular());
        ZcGeMatrix3d out = ZcGeMatrix3d::translation({1, 2, 3});
        EXPECT_FALSE(m.inverse(out));
        EXPECT_TRUE(out.isEqualTo(ZcGeMatrix3d::translation({1, 2, 3})));  // untouched
        EXPECT_TRUE(m.inverse().isIdentity());                          // documented fallback, finite
    }
    // Scale independence: a tiny but exact scaling is invertible.
    EXPECT_FALSE(ZcGeMatrix3d::scaling(1e-6).isSingular());
    EXPECT_FALSE(ZcGeMatrix3d::translation({1e9, 0, 0}).isSingular());
}

TEST(Matrix3d, MultiplicationOrderAndScale)
{
    const ZcGeMatrix3d a = ZcGeMatrix3d::translation({1, 0, 0});
    const ZcGeMatrix3d b = ZcGeMatrix3d::rotation(kPi / 2);
    ZcGeMatrix3d post = a;
    post.postMultBy(b);
    EXPECT_TRUE(post.isEqualTo(a * b));
    ZcGeMatrix3d pre = a;
    pre.preMultBy(b);
    EXPECT_TRUE(pre.isEqualTo(b * a));
    EXPECT_FALSE((a * b).isEqualTo(b * a));
    ZcGeMatrix3d reset = post;
    EXPECT_TRUE(reset.setToIdentity().isIdentity());

    EXPECT_DOUBLE_EQ(ZcGeMatrix3d::scaling(2.5).scale(), 2.5);
    EXPECT_NEAR(ZcGeMatrix3d::rotation(0.3, {1, 1, 0}).scale(), 1.0, 1e-12);
    EXPECT_NEAR((ZcGeMatrix3d::rotation(0.3) * ZcGeMatrix3d::scaling(3.0) * a).scale(), 3.0, 1e-12);
    EXPECT_DOUBLE_EQ(ZcGeMatrix3d::scaling(-2.0).scale(), 2.0);
}

TEST(Matrix3d, ObjectCoordinateSystemFollowsTheArbitraryAxisRule)
{
    // +Z extrusion: object and world coincide.
    EXPECT_TRUE(ZcGeMatrix3d::planeToWorld(ZcGeVector3d::kZAxis).isIdentity());
    // -Z extrusion (mirrored entities): the object X axis is world -X.
    const ZcGeMatrix3d mirrored = ZcGeMatrix3d::planeToWorld({0, 0, -1});
    expectNear(mirrored * ZcGePoint3d(1, 0, 0), {-1, 0, 0}, 1e-12);
    expectNear(mirrored * ZcGePoint3d(0, 1, 0), {0, 1, 0}, 1e-12);
    // Any normal: an orthonormal frame whose Z axis is the normal, undone by worldToPlane.
    const ZcGeVector3d n = ZcGeVector3d(1, 2, 2).normal();
    const ZcGeMatrix3d m = ZcGeMatrix3d::planeToWorld(n);
    const ZcGeVector3d x = m * ZcGeVector3d::kXAxis, y = m * ZcGeVector3d::kYAxis, z = m * ZcGeVector3d::kZAxis;
    EXPECT_TRUE(z.isEqualTo(n));
    EXPECT_NEAR(x.dotProduct(y), 0.0, 1e-12);
    EXPECT_TRUE(x.crossProduct(y).isEqualTo(z));
    EXPECT_TRUE((ZcGeMatrix3d::worldToPlane(n) * m).isIdentity(ZcGeTol(1e-12, 1e-12)));
    EXPECT_TRUE(ZcGeMatrix3d::planeToWorld({0, 0, 0}).isIdentity());  // zero normal means +Z
}

TEST(Matrix2d, TransformsAndInverts)
{
    struct Case {
        const char* why;
        ZcGeMatrix2d m;
        ZcGePoint2d in;
        ZcGePoint2d expected;
    };
    const Case cases[] = {
        {"translation", ZcGeMatrix2d::translation({3, -1}), {1, 1}, {4, 0}},
        {"rotation about a centre", ZcGeMatrix2d::rotation(kPi / 2, {1, 1}), {2, 1}, {1, 2}},
        {"scaling about a centre", ZcGeMatrix2d::scaling(3.0, {1, 0}), {2, 0}, {4, 0}},
        {"right operand first", ZcGeMatrix2d::translation({1, 0}) * ZcGeMatrix2d::rotation(kPi / 2), {1, 0}, {1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const ZcGePoint2d out = c.m * c.in;
        EXPECT_NEAR(out.x, c.expected.x, 1e-12);
        EXPECT_NEAR(out.y, c.expected.y, 1e-12);
        ZcGePoint2d back = out;
        back.transformBy(c.m.inverse());
        EXPECT_NEAR(back.x, c.in.x, 1e-12);
        EXPECT_NEAR(back.y, c.in.y, 1e-12);
    }
    const ZcGeVector2d v = ZcGeMatrix2d::translation({5, 5}) * ZcGeVector2d(1, 0);
    EXPECT_TRUE(v.isEqualTo({1, 0}));
    ZcGeMatrix2d out;
    EXPECT_FALSE(ZcGeMatrix2d::scaling(0.0).inverse(out));
    EXPECT_NEAR((ZcGeMatrix2d::rotation(1.0) * ZcGeMatrix2d::scaling(0.5)).scale(), 0.5, 1e-15);
}
