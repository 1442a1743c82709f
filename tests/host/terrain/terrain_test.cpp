#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <random>

#include "host/db/entities.hpp"
#include "host/dxf/dxf.hpp"
#include "host/terrain/terrain.hpp"

using host::terrain::Surface;
using host::terrain::Triangle;

namespace {

using Height = std::function<double(double, double)>;

// A regular TIN: cols x rows squares of `step` from (x0, y0), each cut along
// its rising diagonal, heights from `z`. `skip` leaves squares out (holes).
std::vector<Triangle> gridTin(double x0, double y0, double step, int cols, int rows, const Height& z,
                              const std::function<bool(int, int)>& skip = nullptr) {
    std::vector<Triangle> tris;
    auto at = [&](int i, int j) {
        const double x = x0 + i * step, y = y0 + j * step;
        return ZcGePoint3d(x, y, z(x, y));
    };
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < cols; ++i) {
            if (skip && skip(i, j))
                continue;
            tris.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1)});
            tris.push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1)});
        }
    return tris;
}

double planDist(const ZcGePoint3d& a, const ZcGePoint3d& b) { return std::hypot(a.x - b.x, a.y - b.y); }

// Checks a profile against the surface itself: every vertex lies on the
// terrain, vertices run strictly away from the start, and the terrain
// sampled densely along the segment equals the profile's linear
// interpolation (so no edge crossing is missed) and is covered exactly
// where the profile has a polyline.
void checkProfile(const Surface& s, const ZcGePoint3d& from, const ZcGePoint3d& to) {
    SCOPED_TRACE(testing::Message() << "from (" << from.x << ", " << from.y << ") to (" << to.x << ", " << to.y << ")");
    const auto profile = s.tinExtractPath(from, to);
    const double length = planDist(from, to);
    double last = -1.0;
    for (const auto& line : profile) {
        ASSERT_FALSE(line.empty());
        for (const ZcGePoint3d& v : line) {
            ZcGePoint3d on(v.x, v.y, -1e9);
            ASSERT_TRUE(s.calcZPoint(on)) << v.x << " " << v.y;
            EXPECT_NEAR(on.z, v.z, 1e-9);
            const double along = planDist(from, v);
            EXPECT_GT(along, last + s.tolerance() / 2) << "not strictly after the previous vertex";
            last = along;
            // On the segment.
            const double cross = (to.x - from.x) * (v.y - from.y) - (to.y - from.y) * (v.x - from.x);
            EXPECT_NEAR(cross / length, 0.0, 1e-9);
        }
    }
    const int samples = 4000;
    for (int k = 0; k <= samples; ++k) {
        const double t = double(k) / samples;
        ZcGePoint3d p(from.x + t * (to.x - from.x), from.y + t * (to.y - from.y), 0.0);
        const bool covered = s.calcZPoint(p);
        const double along = t * length;
        const std::vector<ZcGePoint3d>* in = nullptr;
        for (const auto& line : profile)
            if (along >= planDist(from, line.front()) - 1e-9 && along <= planDist(from, line.back()) + 1e-9)
                in = &line;
        ASSERT_EQ(covered, in != nullptr) << "at t = " << t;
        if (!in)
            continue;
        double z = in->front().z;
        for (std::size_t i = 1; i < in->size(); ++i) {
            const double a = planDist(from, (*in)[i - 1]), b = planDist(from, (*in)[i]);
            if (along >= a && along <= b)
                z = (*in)[i - 1].z + (along - a) / (b - a) * ((*in)[i].z - (*in)[i - 1].z);
            else if (along > b)
                z = (*in)[i].z;
        }
        ASSERT_NEAR(p.z, z, 1e-9) << "at t = " << t;
    }
}

}  // namespace

TEST(TerrainSurface, TiltedPlaneGivesItsHeightInsideAndNothingOutside) {
    // Near the origin, and at projected coordinates where rounding matters.
    for (const ZcGePoint2d origin : {ZcGePoint2d(0, 0), ZcGePoint2d(651234.5, 6862345.25)}) {
        SCOPED_TRACE(origin.x);
        const Height plane = [&](double x, double y) { return 120.0 + 0.03 * (x - origin.x) - 0.07 * (y - origin.y); };
        const Surface s(gridTin(origin.x, origin.y, 2.5, 40, 30, plane));
        ASSERT_EQ(s.triangleCount(), 2400u);

        std::mt19937 rng(7);
        std::uniform_real_distribution<double> ux(0, 100), uy(0, 75);
        for (int k = 0; k < 2000; ++k) {
            ZcGePoint3d p(origin.x + ux(rng), origin.y + uy(rng), 0);
            ASSERT_TRUE(s.calcZPoint(p));
            EXPECT_NEAR(p.z, plane(p.x, p.y), 1e-9);
        }
        // Corners, edges and grid vertices count as covered.
        for (const ZcGePoint2d q : {ZcGePoint2d(0, 0), ZcGePoint2d(100, 75), ZcGePoint2d(100, 0), ZcGePoint2d(0, 75),
                                    ZcGePoint2d(50, 0), ZcGePoint2d(0, 37.5), ZcGePoint2d(25, 25),
                                    ZcGePoint2d(26.25, 26.25)}) {
            ZcGePoint3d p(origin.x + q.x, origin.y + q.y, 0);
            ASSERT_TRUE(s.calcZPoint(p)) << q.x << " " << q.y;
            EXPECT_NEAR(p.z, plane(p.x, p.y), 1e-9);
        }
        // Outside: false and the point untouched.
        for (const ZcGePoint2d q : {ZcGePoint2d(-0.001, 10), ZcGePoint2d(100.001, 10), ZcGePoint2d(50, -0.001),
                                    ZcGePoint2d(50, 75.001), ZcGePoint2d(-500, -500), ZcGePoint2d(1e7, 1e7)}) {
            ZcGePoint3d p(origin.x + q.x, origin.y + q.y, 42.0);
            const ZcGePoint3d before = p;
            EXPECT_FALSE(s.calcZPoint(p)) << q.x << " " << q.y;
            EXPECT_EQ(p.x, before.x);
            EXPECT_EQ(p.y, before.y);
            EXPECT_EQ(p.z, 42.0);
        }
        ZcGePoint3d nan(std::numeric_limits<double>::quiet_NaN(), origin.y, 1.0);
        EXPECT_FALSE(s.calcZPoint(nan));
    }
}

TEST(TerrainSurface, RidgeProfilesFollowTheTerrainAndMissNoEdge) {
    // Two planes meeting on the grid line x = 50.
    const Height ridge = [](double x, double y) { return 30.0 - 0.4 * std::fabs(x - 50.0) + 0.1 * y; };
    const Surface s(gridTin(0, 0, 5, 20, 20, ridge));

    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(-20, 120);
    for (int k = 0; k < 60; ++k)
        checkProfile(s, ZcGePoint3d(u(rng), u(rng), 0), ZcGePoint3d(u(rng), u(rng), 0));
    // Along a grid line, along the ridge, and ending on a vertex.
    checkProfile(s, ZcGePoint3d(0, 25, 0), ZcGePoint3d(100, 25, 0));
    checkProfile(s, ZcGePoint3d(50, -10, 0), ZcGePoint3d(50, 110, 0));
    checkProfile(s, ZcGePoint3d(12.3, 80.1, 0), ZcGePoint3d(50, 50, 0));

    // The ridge's top is a profile vertex.
    const auto across = s.tinExtractPath(ZcGePoint3d(10, 33, 0), ZcGePoint3d(90, 33, 0));
    ASSERT_EQ(across.size(), 1u);
    double top = -1e9;
    for (const ZcGePoint3d& v : across[0])
        top = std::max(top, v.z);
    EXPECT_NEAR(top, ridge(50, 33), 1e-9);
}

TEST(TerrainSurface, SharedEdgesAndTinVerticesGiveOneVertexEach) {
    const Surface s(gridTin(0, 0, 5, 20, 20, [](double x, double y) { return 0.01 * x * y; }));
    struct Case {
        const char* what;
        ZcGePoint3d from, to;
        std::size_t vertices;
    };
    const Case cases[] = {
        // 19 vertical grid lines and 20 diagonals crossed, plus both ends.
        {"across the squares", {1, 12.5, 0}, {99, 12.5, 0}, 2 + 19 + 20},
        // Along the diagonals: through 19 TIN vertices, on the edges between them.
        {"along the diagonals", {1, 1, 0}, {99, 99, 0}, 2 + 19},
        // Across the diagonals: through 19 vertices and the 20 diagonals' middles.
        {"through the vertices", {1, 99, 0}, {99, 1, 0}, 2 + 19 + 20},
        // From a vertex to a vertex along a grid line: the 11 vertices.
        {"vertex to vertex", {25, 50, 0}, {75, 50, 0}, 11},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto profile = s.tinExtractPath(c.from, c.to);
        ASSERT_EQ(profile.size(), 1u);
        EXPECT_EQ(profile[0].size(), c.vertices);
        EXPECT_EQ(profile[0].front().x, c.from.x);
        EXPECT_EQ(profile[0].front().y, c.from.y);
        EXPECT_EQ(profile[0].back().x, c.to.x);
        EXPECT_EQ(profile[0].back().y, c.to.y);
        checkProfile(s, c.from, c.to);
    }
}

TEST(TerrainSurface, ProfilesBreakWhereTheTerrainStops) {
    // A 20 x 20 grid of 5 m with the squares of columns 8 to 11 and rows 8 to
    // 11 left out: a hole from (40, 40) to (60, 60).
    const Height slope = [](double x, double y) { return 100.0 + 0.2 * x + 0.05 * y; };
    const Surface s(gridTin(0, 0, 5, 20, 20, slope, [](int i, int j) { return i >= 8 && i < 12 && j >= 8 && j < 12; }));

    auto across = s.tinExtractPath(ZcGePoint3d(10, 50, 0), ZcGePoint3d(90, 50, 0));
    ASSERT_EQ(across.size(), 2u);
    EXPECT_NEAR(across[0].back().x, 40.0, 1e-9);
    EXPECT_NEAR(across[1].front().x, 60.0, 1e-9);
    EXPECT_NEAR(across[1].front().z, slope(60, 50), 1e-9);
    checkProfile(s, ZcGePoint3d(10, 50, 0), ZcGePoint3d(90, 50, 0));

    // Starting and ending outside: the first and last vertices on the border.
    auto through = s.tinExtractPath(ZcGePoint3d(-30, 20, 0), ZcGePoint3d(130, 20, 0));
    ASSERT_EQ(through.size(), 1u);
    EXPECT_NEAR(through[0].front().x, 0.0, 1e-9);
    EXPECT_NEAR(through[0].back().x, 100.0, 1e-9);

    // Leaving, re-entering, leaving and re-entering again along a diagonal line.
    checkProfile(s, ZcGePoint3d(-10, 35, 0), ZcGePoint3d(110, 65, 0));
    checkProfile(s, ZcGePoint3d(30, -5, 0), ZcGePoint3d(50, 120, 0));

    // Wholly outside, wholly in the hole.
    EXPECT_TRUE(s.tinExtractPath(ZcGePoint3d(-10, -10, 0), ZcGePoint3d(-10, 200, 0)).empty());
    EXPECT_TRUE(s.tinExtractPath(ZcGePoint3d(45, 45, 0), ZcGePoint3d(55, 52, 0)).empty());

    // A segment touching the terrain at one corner only: a one-point polyline.
    auto corner = s.tinExtractPath(ZcGePoint3d(-10, 10, 0), ZcGePoint3d(10, -10, 0));
    ASSERT_EQ(corner.size(), 1u);
    ASSERT_EQ(corner[0].size(), 1u);
    EXPECT_NEAR(corner[0][0].x, 0.0, 1e-9);
    EXPECT_NEAR(corner[0][0].z, slope(0, 0), 1e-9);

    // A zero-length segment: its point when covered, nothing otherwise.
    auto point = s.tinExtractPath(ZcGePoint3d(12, 13, 5), ZcGePoint3d(12, 13, 9));
    ASSERT_EQ(point.size(), 1u);
    ASSERT_EQ(point[0].size(), 1u);
    EXPECT_NEAR(point[0][0].z, slope(12, 13), 1e-9);
    EXPECT_TRUE(s.tinExtractPath(ZcGePoint3d(50, 50, 0), ZcGePoint3d(50, 50, 0)).empty());
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(s.tinExtractPath(ZcGePoint3d(nan, 50, 0), ZcGePoint3d(50, 50, 0)).empty());
}

TEST(TerrainSurface, OverlappingFacesAnswerWithTheHighest) {
    // A ground at 0 and a deck at 10 over its middle, listed both ways.
    const Triangle ground[] = {{{0, 0, 0}, {100, 0, 0}, {100, 100, 0}}, {{0, 0, 0}, {100, 100, 0}, {0, 100, 0}}};
    const Triangle deck[] = {{{40, 0, 10}, {60, 0, 10}, {60, 100, 10}}, {{40, 0, 10}, {60, 100, 10}, {40, 100, 10}}};
    for (bool deckFirst : {false, true}) {
        std::vector<Triangle> tris;
        for (int k = 0; k < 2; ++k) {
            tris.push_back(deckFirst ? deck[k] : ground[k]);
            tris.push_back(deckFirst ? ground[k] : deck[k]);
        }
        const Surface s(tris);
        ZcGePoint3d on(50, 30, 0), off(20, 30, 5);
        ASSERT_TRUE(s.calcZPoint(on));
        EXPECT_EQ(on.z, 10.0);
        ASSERT_TRUE(s.calcZPoint(off));
        EXPECT_EQ(off.z, 0.0);
        const auto profile = s.tinExtractPath(ZcGePoint3d(10, 30, 0), ZcGePoint3d(90, 30, 0));
        ASSERT_EQ(profile.size(), 1u);
        double top = 0;
        for (const ZcGePoint3d& v : profile[0])
            top = std::max(top, v.z);
        EXPECT_EQ(top, 10.0);
    }
}

TEST(TerrainSurface, UnusableFacesAreLeftOutAndOddLayoutsStillAnswer) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const Triangle good{{0, 0, 1}, {10, 0, 1}, {0, 10, 1}};
    const Surface s({good,
                     {{0, 0, 0}, {10, 0, nan}, {0, 10, 0}},
                     {{0, 0, 0}, {inf, 0, 0}, {0, 10, 0}},
                     {{-1e300, 0, 0}, {1e300, 0, 0}, {0, 1e300, 0}},
                     {{0, 0, 0}, {10, 10, 0}, {0, 0, 50}},     // vertical
                     {{0, 0, 0}, {5, 5, 0}, {10, 10, 0}},      // aligned
                     {{3, 3, 0}, {3, 3, 0}, {3, 3, 0}},        // one point
                     {{0, 0, 0}, {10, 0, 0}, {20, 1e-13, 0}}});  // a sliver
    EXPECT_EQ(s.triangleCount(), 1u);
    ZcGePoint3d p(2, 2, 0);
    ASSERT_TRUE(s.calcZPoint(p));
    EXPECT_EQ(p.z, 1.0);

    const Surface none({{{0, 0, 0}, {10, 10, 0}, {0, 0, 50}}});
    EXPECT_TRUE(none.empty());
    ZcGePoint3d q(1, 1, 3);
    EXPECT_FALSE(none.calcZPoint(q));
    EXPECT_EQ(q.z, 3.0);
    EXPECT_TRUE(none.tinExtractPath(ZcGePoint3d(0, 0, 0), ZcGePoint3d(10, 10, 0)).empty());
    EXPECT_TRUE(Surface(std::vector<Triangle>{}).empty());

    // Many long faces piled over one another (each box spans every column,
    // so the grid is made coarser), and the same with two small faces 10^9 m
    // apart: the grid stays bounded and the answers are right.
    std::vector<Triangle> piled;
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(0, 1000);
    for (int k = 0; k < 3000; ++k) {
        const double y = u(rng);
        piled.push_back({{-5, y, u(rng)}, {1005, y + u(rng) / 500, u(rng)}, {500, y + 1 + u(rng) / 100, u(rng)}});
    }
    std::vector<Triangle> apart = piled;
    apart.push_back({{-2000, -2000, 1}, {-1999, -2000, 1}, {-2000, -1999, 1}});
    apart.push_back({{1e9, 1e9, 2}, {1e9 + 1, 1e9, 2}, {1e9, 1e9 + 1, 2}});
    const Surface far(apart);
    EXPECT_EQ(far.triangleCount(), apart.size());
    EXPECT_LE(double(far.gridColumns()) * double(far.gridRows()), double(1 << 22));
    for (const ZcGePoint2d q2 : {ZcGePoint2d(-1999.75, -1999.75), ZcGePoint2d(1e9 + 0.25, 1e9 + 0.25)}) {
        ZcGePoint3d r(q2.x, q2.y, 0);
        ASSERT_TRUE(far.calcZPoint(r));
        EXPECT_EQ(r.z, q2.x < 0 ? 1.0 : 2.0);
    }
    const Surface pile(piled);
    const std::vector<Triangle>& odd = piled;
    // The scan: the highest plane among the faces the point is clearly in;
    // points near an edge are skipped.
    for (int k = 0; k < 500; ++k) {
        ZcGePoint3d r(u(rng), u(rng), 0);
        bool near = false, inAny = false;
        double top = -1e300;
        for (const Triangle& t : odd) {
            const ZcGePoint3d* v[3] = {&t.a, &t.b, &t.c};
            const double area = (t.b.x - t.a.x) * (t.c.y - t.a.y) - (t.b.y - t.a.y) * (t.c.x - t.a.x);
            double w[3];
            for (int i = 0; i < 3; ++i) {
                const ZcGePoint3d &a = *v[(i + 1) % 3], &b = *v[(i + 2) % 3];
                w[i] = ((b.x - a.x) * (r.y - a.y) - (b.y - a.y) * (r.x - a.x)) / area;
            }
            const double least = std::min({w[0], w[1], w[2]});
            if (std::fabs(least) < 1e-6)
                near = true;
            if (least > 0) {
                inAny = true;
                top = std::max(top, w[0] * t.a.z + w[1] * t.b.z + w[2] * t.c.z);
            }
        }
        if (near)
            continue;
        ZcGePoint3d got = r;
        ASSERT_EQ(pile.calcZPoint(got), inAny) << r.x << " " << r.y;
        if (inAny) {
            EXPECT_NEAR(got.z, top, 1e-6);
        }
    }
}

namespace {

ZcDbObjectId addToModel(ZcDbDatabase& db, ZcDbEntity* e) {
    ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db.modelSpaceId(), ZcDb::kForWrite);
    ZcDbObjectId id;
    EXPECT_EQ(ms->appendZcDbEntity(id, e), Zcad::eOk);
    return id;
}

}  // namespace

TEST(TerrainSurface, ReadsTheDrawingsFaces) {
    ZcDbDatabase db;
    // A quad (two triangles), a triangle (fourth corner = third), a vertical
    // face, a degenerate one, a line, and a face inside a block definition.
    const ZcGePoint3d a(0, 0, 10), b(10, 0, 11), c(10, 10, 13), d(0, 10, 12);
    auto quad = std::make_unique<ZcDbFace>(a, b, c, d);
    addToModel(db, quad.get());
    auto tri = std::make_unique<ZcDbFace>(ZcGePoint3d(20, 0, 0), ZcGePoint3d(30, 0, 0), ZcGePoint3d(20, 10, 5),
                                          ZcGePoint3d(20, 10, 5));
    addToModel(db, tri.get());
    auto wall = std::make_unique<ZcDbFace>(ZcGePoint3d(0, 20, 0), ZcGePoint3d(10, 20, 0), ZcGePoint3d(10, 20, 3),
                                           ZcGePoint3d(0, 20, 3));
    addToModel(db, wall.get());
    auto flat = std::make_unique<ZcDbFace>(ZcGePoint3d(0, 30, 0), ZcGePoint3d(5, 35, 0), ZcGePoint3d(10, 40, 0),
                                           ZcGePoint3d(10, 40, 0));
    addToModel(db, flat.get());
    auto line = std::make_unique<ZcDbLine>(ZcGePoint3d(0, 0, 0), ZcGePoint3d(50, 50, 0));
    addToModel(db, line.get());
    {
        ZcDbObjectPointer<ZcDbBlockTable> bt(db.blockTableId(), ZcDb::kForWrite);
        auto btr = std::make_unique<ZcDbBlockTableRecord>();
        btr->setName(L"FACES");
        ZcDbObjectId btrId;
        ASSERT_EQ(bt->add(btrId, btr.get()), Zcad::eOk);
        auto inBlock = std::make_unique<ZcDbFace>(ZcGePoint3d(100, 0, 0), ZcGePoint3d(110, 0, 0),
                                                  ZcGePoint3d(100, 10, 0), ZcGePoint3d(100, 10, 0));
        ASSERT_EQ(btr->appendZcDbEntity(inBlock.get()), Zcad::eOk);
    }
    quad.reset(), tri.reset(), wall.reset(), flat.reset(), line.reset();

    const Surface s = Surface::fromDatabase(db);
    EXPECT_EQ(s.triangleCount(), 3u);
    // The quad's second triangle (1-3-4) answers above its diagonal.
    ZcGePoint3d p(2, 8, 0);
    ASSERT_TRUE(s.calcZPoint(p));
    const double expected = a.z + (d.z - a.z) * 0.8 + (c.z - d.z) * 0.2;
    EXPECT_NEAR(p.z, expected, 1e-12);
    ZcGePoint3d inBlock(102, 2, 0);
    EXPECT_FALSE(s.calcZPoint(inBlock));
}

TEST(TerrainSurface, ReadsFacesFromDxfText) {
    // An old-style drawing: a quad face, then a face whose fourth corner is
    // missing (the triangle of its three corners, not one reaching the origin).
    const std::string text =
        "  0\nSECTION\n  2\nENTITIES\n"
        "  0\n3DFACE\n  8\nTERRAIN\n"
        " 10\n100.0\n 20\n200.0\n 30\n50.0\n 11\n110.0\n 21\n200.0\n 31\n51.0\n"
        " 12\n110.0\n 22\n210.0\n 32\n52.0\n 13\n100.0\n 23\n210.0\n 33\n51.0\n"
        "  0\n3DFACE\n  8\nTERRAIN\n"
        " 10\n110.0\n 20\n200.0\n 30\n51.0\n 11\n120.0\n 21\n200.0\n 31\n51.0\n"
        " 12\n110.0\n 22\n210.0\n 32\n52.0\n"
        "  0\nENDSEC\n  0\nEOF\n";
    ZcDbDatabase db(false);
    std::string error;
    ASSERT_TRUE(host::dxf::readDxf(db, text, "terrain.dxf", error)) << error;
    const Surface s = Surface::fromDatabase(db);
    EXPECT_EQ(s.triangleCount(), 3u);
    ZcGePoint3d origin(1, 1, 0);
    EXPECT_FALSE(s.calcZPoint(origin));
    const auto profile = s.tinExtractPath(ZcGePoint3d(100, 201, 0), ZcGePoint3d(115, 201, 0));
    ASSERT_EQ(profile.size(), 1u);
    EXPECT_NEAR(profile[0].front().z, 50.0 + 0.1 * 0 + 0.1, 1e-9);
    checkProfile(s, ZcGePoint3d(95, 205, 0), ZcGePoint3d(125, 201, 0));
}
