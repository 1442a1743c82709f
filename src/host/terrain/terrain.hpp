// The terrain of a drawing: a triangulated surface (TIN) made of its 3D
// faces, asked for the height at a plan point and for the profile along a
// plan segment. Lengths and heights in drawing units (metres).
//
// The surface is built once and never changes; its queries are const and
// keep no state, so several threads may query one surface at the same time.
// Both queries go through a plan grid of buckets: a point looks at the
// triangles of one cell, a profile at those of the cells its segment
// crosses, never at every triangle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/geom/point.hpp"

class ZcDbDatabase;

namespace host::terrain {

// One face of the terrain, corners in any order.
struct Triangle {
    ZcGePoint3d a, b, c;
};

class Surface {
public:
    // Keeps the triangles that make terrain: one with a non-finite corner or
    // a corner beyond 1e100 in X, Y or Z, and one with no plan area (a
    // vertical face, or coincident or aligned corners: twice the plan area
    // below 1e-12 times the square of the longest plan edge) is left out.
    // Throws std::length_error beyond 2^32 - 1 kept triangles.
    explicit Surface(std::vector<Triangle> triangles);

    // Every 3D face of model space (not those inside blocks). A face whose
    // fourth corner differs from the third is two triangles, 1-2-3 and
    // 1-3-4; one whose fourth corner is absent from its record is 1-2-3.
    static Surface fromDatabase(const ZcDbDatabase& db);

    // No triangle: no terrain; every query answers "not covered".
    bool empty() const { return tris_.empty(); }
    std::size_t triangleCount() const { return tris_.size(); }

    // The terrain height under p's X, Y: true and p.z set when a triangle
    // covers the point (its edges and corners included, within the
    // surface's tolerance); false and p unchanged elsewhere. Where
    // triangles overlap in plan the highest one answers.
    bool calcZPoint(ZcGePoint3d& p) const;

    // The profile of the terrain along the plan segment from -> to (their Z
    // is ignored), as polylines of points (X, Y, terrain Z) ordered from
    // `from`: the start point when covered, one vertex wherever the segment
    // crosses an edge of the TIN (one vertex for an edge shared by two
    // triangles, one for a TIN vertex the segment passes through), and the
    // end point when covered. Where the segment leaves the covered area the
    // profile breaks, so a segment over a hole gives two polylines; where
    // it only touches the area at one point, that point is a polyline of
    // its own. Nothing covered, or a non-finite end: no polyline. A segment
    // shorter than the tolerance is its start point: one single-point
    // polyline when covered, none otherwise.
    std::vector<std::vector<ZcGePoint3d>> tinExtractPath(const ZcGePoint3d& from, const ZcGePoint3d& to) const;

    // The plan distance under which two points are one, and a point counts
    // as on a triangle: 1e-10 times the larger side of the extents plus
    // 1e-14 times the largest coordinate (rounding of far-off coordinates).
    double tolerance() const { return tol_; }

    // The grid's size in cells, for the benchmarks and the tests.
    long gridColumns() const { return nx_; }
    long gridRows() const { return ny_; }

private:
    // A kept triangle, counter-clockwise in plan, with its plan box and its
    // plane z = v[0].z + gx * (x - v[0].x) + gy * (y - v[0].y).
    struct Tri {
        ZcGePoint3d v[3];
        double x0, y0, x1, y1;
        double gx, gy;
        double zAt(double x, double y) const { return v[0].z + gx * (x - v[0].x) + gy * (y - v[0].y); }
    };

    // The part [t0, t1] of a segment that lies over one triangle.
    struct Span {
        double t0, t1;
        std::uint32_t tri;
    };

    void buildGrid();
    bool covers(const Tri& t, double x, double y) const;
    bool clip(const Tri& t, const ZcGePoint2d& from, const ZcGeVector2d& d, double tolT, Span& span) const;
    long column(double x) const;
    long row(double y) const;

    std::vector<Tri> tris_;
    double tol_ = 0.0;
    // The grid: nx_ by ny_ cells of cw_ by ch_ from (gx0_, gy0_); cell (i, j)
    // holds items_[start_[j * nx_ + i] .. start_[j * nx_ + i + 1]).
    double gx0_ = 0.0, gy0_ = 0.0, cw_ = 1.0, ch_ = 1.0;
    long nx_ = 0, ny_ = 0;
    std::vector<std::size_t> start_;
    std::vector<std::uint32_t> items_;
};

}  // namespace host::terrain
