#include "host/geom/extents.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using geltaro::geom::kPi;

namespace {

constexpr double kDeg = kPi / 180.0;

void expectBox(const ZcDbExtents& box, const ZcGePoint3d& min, const ZcGePoint3d& max, double tol = 1e-9)
{
    ASSERT_TRUE(box.isValid());
    EXPECT_NEAR(box.minPoint().x, min.x, tol);
    EXPECT_NEAR(box.minPoint().y, min.y, tol);
    EXPECT_NEAR(box.minPoint().z, min.z, tol);
    EXPECT_NEAR(box.maxPoint().x, max.x, tol);
    EXPECT_NEAR(box.maxPoint().y, max.y, tol);
    EXPECT_NEAR(box.maxPoint().z, max.z, tol);
}

}  // namespace

TEST(Extents, EmptyBoxIsRecognisableAndStaysEmpty)
{
    ZcDbExtents box;
    EXPECT_FALSE(box.isValid());
    EXPECT_TRUE(box.minPoint().isEqualTo(ZcGePoint3d::kOrigin));  // no garbage corners
    EXPECT_TRUE(box.maxPoint().isEqualTo(ZcGePoint3d::kOrigin));
    box.addExt(ZcDbExtents());
    box.expandBy({1, 1, 1});
    box.inflate(5.0);
    box.transformBy(ZcGeMatrix3d::translation({10, 0, 0}));
    EXPECT_FALSE(box.isValid());
    EXPECT_FALSE(box.contains(ZcGePoint3d::kOrigin));
    EXPECT_FALSE(box.intersects(ZcDbExtents({0, 0, 0}, {1, 1, 1})));

    const double nan = std::numeric_limits<double>::quiet_NaN();
    box.addPoint({nan, 0, 0});
    box.addPoint({0, std::numeric_limits<double>::infinity(), 0});
    EXPECT_FALSE(box.isValid());  // non-finite points are not boxed

    box.addPoint({1, 2, 3});
    expectBox(box, {1, 2, 3}, {1, 2, 3});
    box.reset();
    EXPECT_FALSE(box.isValid());
}

TEST(Extents, GrowsWithPointsBoxesAndVectors)
{
    ZcDbExtents box({5, 0, 1}, {-1, 3, -2});  // corners in any order
    expectBox(box, {-1, 0, -2}, {5, 3, 1});
    box.addPoint({2, 10, 0});
    expectBox(box, {-1, 0, -2}, {5, 10, 1});
    box.addExt(ZcDbExtents({100, 100, 100}, {101, 101, 101}));
    expectBox(box, {-1, 0, -2}, {101, 101, 101});

    ZcDbExtents unit({0, 0, 0}, {1, 1, 1});
    unit.expandBy({2, -3, 0});  // grows towards +x and -y only
    expectBox(unit, {0, -3, 0}, {3, 1, 1});

    ZcDbExtents margin({0, 0, 0}, {4, 2, 0});
    margin.inflate(1.0);
    expectBox(margin, {-1, -1, -1}, {5, 3, 1});
    margin.inflate(-2.5);  // shrinking past a face collapses that axis to its centre, never inverts
    expectBox(margin, {1.5, 1, 0}, {2.5, 1, 0});

    EXPECT_TRUE(margin.contains({2, 1, 0}));
    EXPECT_FALSE(margin.contains({3, 1, 0}));
    EXPECT_TRUE(ZcDbExtents({0, 0, 0}, {1, 1, 1}).intersects(ZcDbExtents({1, 1, 1}, {2, 2, 2})));  // touching
    EXPECT_FALSE(ZcDbExtents({0, 0, 0}, {1, 1, 1}).intersects(ZcDbExtents({1.5, 0, 0}, {2, 1, 1})));
}

TEST(Extents, TransformTakesAllEightCorners)
{
    ZcDbExtents box({0, 0, 0}, {1, 1, 1});
    box.transformBy(ZcGeMatrix3d::rotation(kPi / 4));
    const double h = std::sqrt(0.5);
    expectBox(box, {-h, 0, 0}, {h, 2 * h, 1});

    ZcDbExtents tilted({0, 0, 0}, {2, 1, 0});
    tilted.transformBy(ZcGeMatrix3d::rotation(kPi / 2, ZcGeVector3d::kXAxis));  // y goes to z
    expectBox(tilted, {0, 0, 0}, {2, 0, 1});
}

TEST(Extents, ArcsIncludeTheQuadrantPointsTheyCross)
{
    struct Case {
        const char* why;
        double start, end;  // degrees, counter-clockwise, radius 1 about (10, 20, 5)
        ZcGePoint3d min, max;
    };
    const double c80 = std::cos(80 * kDeg), s10 = std::sin(10 * kDeg), c10 = std::cos(10 * kDeg);
    const double h = std::sqrt(0.5);
    const Case cases[] = {
        {"first quadrant only: just the end points", 0, 90, {0, 0, 0}, {1, 1, 0}},
        {"crossing 0 degrees reaches x = r", 350, 10, {c10, -s10, 0}, {1, s10, 0}},
        {"crossing 90 degrees reaches y = r", 45, 135, {-h, h, 0}, {h, 1, 0}},
        {"crossing 90, 180 and 270", 80, 280, {-1, -1, 0}, {c80, 1, 0}},
        {"the long way round from 10 to 350", 10, 350, {-1, -1, 0}, {c10, 1, 0}},
        {"equal angles: whole circle", 30, 30, {-1, -1, 0}, {1, 1, 0}},
    };
    const ZcGePoint3d c(10, 20, 5);
    for (const Case& k : cases) {
        SCOPED_TRACE(k.why);
        const ZcDbExtents box = arcExtents(c, 1.0, k.start * kDeg, k.end * kDeg);
        expectBox(box, c + k.min.asVector(), c + k.max.asVector(), 1e-12);
    }
    // A clockwise arc covers the same ground as the counter-clockwise arc between the same ends.
    const ZcGeCircArc2d cw({10, 20}, 1.0, 10 * kDeg, 350 * kDeg, true);  // through 0 degrees
    expectBox(arcExtents(cw, 5.0), {10 + c10, 20 - s10, 5}, {11, 20 + s10, 5}, 1e-12);

    expectBox(circleExtents({1, 1, 2}, -3.0), {-2, -2, 2}, {4, 4, 2});  // radius sign ignored
}

TEST(Extents, RectanglesForTextBoxes)
{
    struct Case {
        const char* why;
        double width, height, rotationDeg, obliqueDeg;
        ZcGePoint3d min, max;  // relative to the origin (1, 2, 3)
    };
    const Case cases[] = {
        {"upright", 4, 1, 0, 0, {0, 0, 0}, {4, 1, 0}},
        {"quarter turn", 4, 1, 90, 0, {-1, 0, 0}, {0, 4, 0}},
        {"oblique 45 shifts the top right by the height", 4, 1, 0, 45, {0, 0, 0}, {5, 1, 0}},
        {"mirrored (negative width)", -4, 1, 0, 0, {-4, 0, 0}, {0, 1, 0}},
        {"oblique beyond the limit is held at 85 degrees", 4, 1, 0, 90, {0, 0, 0}, {4 + std::tan(85 * kDeg), 1, 0}},
    };
    const ZcGePoint3d o(1, 2, 3);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const ZcDbExtents box = rectangleExtents(o, c.width, c.height, c.rotationDeg * kDeg, c.obliqueDeg * kDeg);
        expectBox(box, o + c.min.asVector(), o + c.max.asVector(), 1e-9);
    }
}
