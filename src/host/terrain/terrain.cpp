#include "host/terrain/terrain.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "host/db/database.hpp"
#include "host/db/entities.hpp"

namespace host::terrain {

namespace {

// Coordinates beyond this are no survey's: leaving them out keeps every
// product of two coordinate differences finite.
constexpr double kMaxCoordinate = 1e100;
// Twice the plan area of a kept triangle is above this times the square of
// its longest plan edge: below it the face is vertical or its corners are
// aligned, and it has no height to give.
constexpr double kMinPlanArea = 1e-12;
// Grid bounds: a side and a whole grid of at most this many cells, so that
// far-off triangles or huge counts cannot make the grid overflow or eat
// the memory.
constexpr long kMaxSide = 4096;
constexpr double kMaxCells = double(1 << 22);
// A triangle is filed in every cell its box touches; when the boxes of the
// triangles cover many more cells than this per triangle (long thin faces,
// faces over one another), the grid is made coarser.
constexpr std::uint64_t kMaxEntriesPerTriangle = 16;

bool finiteCoordinates(const ZcGePoint3d& p) {
    return std::fabs(p.x) <= kMaxCoordinate && std::fabs(p.y) <= kMaxCoordinate &&
           std::fabs(p.z) <= kMaxCoordinate;  // false for NaN too
}

}  // namespace

Surface::Surface(std::vector<Triangle> triangles) {
    tris_.reserve(triangles.size());
    double magnitude = 0.0;
    double minX = std::numeric_limits<double>::infinity(), minY = minX;
    double maxX = -minX, maxY = -minX;
    for (const Triangle& t : triangles) {
        if (!finiteCoordinates(t.a) || !finiteCoordinates(t.b) || !finiteCoordinates(t.c))
            continue;
        const double ux = t.b.x - t.a.x, uy = t.b.y - t.a.y;
        const double vx = t.c.x - t.a.x, vy = t.c.y - t.a.y;
        const double wx = t.c.x - t.b.x, wy = t.c.y - t.b.y;
        const double cross = ux * vy - uy * vx;
        const double longest = std::max({ux * ux + uy * uy, vx * vx + vy * vy, wx * wx + wy * wy});
        if (!(std::fabs(cross) > kMinPlanArea * longest))
            continue;
        Tri r;
        r.v[0] = t.a;
        r.v[1] = cross > 0 ? t.b : t.c;
        r.v[2] = cross > 0 ? t.c : t.b;
        r.x0 = std::min({t.a.x, t.b.x, t.c.x});
        r.x1 = std::max({t.a.x, t.b.x, t.c.x});
        r.y0 = std::min({t.a.y, t.b.y, t.c.y});
        r.y1 = std::max({t.a.y, t.b.y, t.c.y});
        // The plane through the three corners: gx * ux + gy * uy = dz(b), gx * vx + gy * vy = dz(c).
        const double dzb = t.b.z - t.a.z, dzc = t.c.z - t.a.z;
        r.gx = (dzb * vy - dzc * uy) / cross;
        r.gy = (ux * dzc - vx * dzb) / cross;
        tris_.push_back(r);
        magnitude = std::max({magnitude, std::fabs(r.x0), std::fabs(r.x1), std::fabs(r.y0), std::fabs(r.y1)});
        minX = std::min(minX, r.x0);
        minY = std::min(minY, r.y0);
        maxX = std::max(maxX, r.x1);
        maxY = std::max(maxY, r.y1);
    }
    if (tris_.size() >= std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("terrain: too many triangles");
    if (tris_.empty())
        return;
    tol_ = 1e-10 * std::max(maxX - minX, maxY - minY) + 1e-14 * magnitude;
    gx0_ = minX;
    gy0_ = minY;
    cw_ = maxX - minX;  // the grid's extents until buildGrid cuts them into cells
    ch_ = maxY - minY;
    buildGrid();
}

Surface Surface::fromDatabase(const ZcDbDatabase& db) {
    std::vector<Triangle> triangles;
    ZcDbObjectPointer<ZcDbBlockTableRecord> model(db.modelSpaceId(), ZcDb::kForRead);
    if (model) {
        for (ZcDbObjectId id : model->entityIds()) {
            ZcDbObjectPointer<ZcDbFace> face(id, ZcDb::kForRead);
            if (!face)
                continue;
            ZcGePoint3d p[4];
            for (int i = 0; i < 4; ++i)
                face->getVertexAt(i, p[i]);
            triangles.push_back({p[0], p[1], p[2]});
            // A record without its fourth corner would read it as the origin:
            // such a face is the triangle of its three corners.
            const bool quad = face->has("AcDbFace", 13) &&
                              (p[3].x != p[2].x || p[3].y != p[2].y || p[3].z != p[2].z);
            if (quad)
                triangles.push_back({p[0], p[2], p[3]});
        }
    }
    return Surface(std::move(triangles));
}

long Surface::column(double x) const {
    // Clamped as a double first: the cast of an out-of-range value is undefined.
    const double i = std::floor((x - gx0_) / cw_);
    return i <= 0 ? 0 : i >= double(nx_ - 1) ? nx_ - 1 : long(i);
}

long Surface::row(double y) const {
    const double j = std::floor((y - gy0_) / ch_);
    return j <= 0 ? 0 : j >= double(ny_ - 1) ? ny_ - 1 : long(j);
}

void Surface::buildGrid() {
    const double width = cw_, height = ch_;
    const double n = double(tris_.size());
    // About one cell per triangle: a triangle's box then touches a few
    // cells and a cell holds a few triangles.
    const double cells = std::clamp(n, 1.0, kMaxCells);
    const double side = std::sqrt(width * height / cells);
    double fx = std::clamp(std::ceil(width / side), 1.0, double(kMaxSide));
    double fy = std::clamp(std::ceil(height / side), 1.0, double(kMaxSide));
    if (fx * fy > kMaxCells) {
        const double shrink = std::sqrt(kMaxCells / (fx * fy));
        fx = std::max(1.0, std::floor(fx * shrink));
        fy = std::max(1.0, std::floor(fy * shrink));
    }
    nx_ = long(fx);
    ny_ = long(fy);

    // Coarser while the triangles' boxes would fill too many entries.
    const std::uint64_t limit = kMaxEntriesPerTriangle * tris_.size() + std::uint64_t(nx_) * std::uint64_t(ny_);
    for (;;) {
        cw_ = width / double(nx_);
        ch_ = height / double(ny_);
        std::uint64_t entries = 0;
        for (const Tri& t : tris_)
            entries += std::uint64_t(column(t.x1 + tol_) - column(t.x0 - tol_) + 1) *
                       std::uint64_t(row(t.y1 + tol_) - row(t.y0 - tol_) + 1);
        if (entries <= limit || (nx_ == 1 && ny_ == 1))
            break;
        nx_ = std::max(1L, nx_ / 2);
        ny_ = std::max(1L, ny_ / 2);
    }

    // Cell lists in one array, triangles ascending within a cell.
    const std::size_t cellCount = std::size_t(nx_) * std::size_t(ny_);
    start_.assign(cellCount + 1, 0);
    for (const Tri& t : tris_)
        for (long j = row(t.y0 - tol_), j1 = row(t.y1 + tol_); j <= j1; ++j)
            for (long i = column(t.x0 - tol_), i1 = column(t.x1 + tol_); i <= i1; ++i)
                ++start_[std::size_t(j) * std::size_t(nx_) + std::size_t(i) + 1];
    for (std::size_t c = 0; c < cellCount; ++c)
        start_[c + 1] += start_[c];
    items_.resize(start_[cellCount]);
    std::vector<std::size_t> fill(start_.begin(), start_.end() - 1);
    for (std::size_t k = 0; k < tris_.size(); ++k) {
        const Tri& t = tris_[k];
        for (long j = row(t.y0 - tol_), j1 = row(t.y1 + tol_); j <= j1; ++j)
            for (long i = column(t.x0 - tol_), i1 = column(t.x1 + tol_); i <= i1; ++i)
                items_[fill[std::size_t(j) * std::size_t(nx_) + std::size_t(i)]++] = std::uint32_t(k);
    }
}

bool Surface::covers(const Tri& t, double x, double y) const {
    if (x < t.x0 - tol_ || x > t.x1 + tol_ || y < t.y0 - tol_ || y > t.y1 + tol_)
        return false;
    for (int i = 0; i < 3; ++i) {
        const ZcGePoint3d& a = t.v[i];
        const ZcGePoint3d& b = t.v[(i + 1) % 3];
        const double ex = b.x - a.x, ey = b.y - a.y;
        // Twice the signed area: the edge's length times the point's distance
        // to its left (inside, the triangle being counter-clockwise).
        const double side = ex * (y - a.y) - ey * (x - a.x);
        if (side < 0 && side * side > tol_ * tol_ * (ex * ex + ey * ey))
            return false;
    }
    return true;
}

bool Surface::calcZPoint(ZcGePoint3d& p) const {
    if (tris_.empty() || !std::isfinite(p.x) || !std::isfinite(p.y))
        return false;
    const std::size_t cell = std::size_t(row(p.y)) * std::size_t(nx_) + std::size_t(column(p.x));
    bool found = false;
    double z = 0.0;
    for (std::size_t k = start_[cell]; k < start_[cell + 1]; ++k) {
        const Tri& t = tris_[items_[k]];
        if (!covers(t, p.x, p.y))
            continue;
        // Faces over one another (a bridge, a wall's top over the ground,
        // a survey drawn twice): the highest one is the surface seen from
        // above, the one a sight line or a level meets first.
        const double h = t.zAt(p.x, p.y);
        if (!found || h > z)
            z = h;
        found = true;
    }
    if (found)
        p.z = z;
    return found;
}

bool Surface::clip(const Tri& t, const ZcGePoint2d& from, const ZcGeVector2d& d, double tolT, Span& span) const {
    // The segment from + s * d, s in [0, 1], against the three inner
    // half-planes of the triangle. Within the tolerance of an edge counts as
    // inside, but where the segment truly crosses an edge the crossing is
    // the edge line's, so two triangles sharing an edge give one point.
    double lo = 0.0, hi = 1.0;
    for (int i = 0; i < 3; ++i) {
        const ZcGePoint3d& a = t.v[i];
        const ZcGePoint3d& b = t.v[(i + 1) % 3];
        const double ex = b.x - a.x, ey = b.y - a.y;
        const double f0 = ex * (from.y - a.y) - ey * (from.x - a.x);
        const double slope = ex * d.y - ey * d.x;
        const double f1 = f0 + slope;
        const double slack = tol_ * std::hypot(ex, ey);
        if (f0 < -slack && f1 < -slack)
            return false;
        if (f0 >= -slack && f1 >= -slack)
            continue;
        const double s = std::clamp(-f0 / slope, 0.0, 1.0);
        if (slope > 0)
            lo = std::max(lo, s);
        else
            hi = std::min(hi, s);
    }
    if (lo > hi + tolT)
        return false;
    if (lo > hi)  // through a corner: rounding may cross the two ends
        lo = hi = 0.5 * (lo + hi);
    span.t0 = lo;
    span.t1 = hi;
    return true;
}

std::vector<std::vector<ZcGePoint3d>> Surface::tinExtractPath(const ZcGePoint3d& from, const ZcGePoint3d& to) const {
    std::vector<std::vector<ZcGePoint3d>> profile;
    if (tris_.empty() || !std::isfinite(from.x) || !std::isfinite(from.y) || !std::isfinite(to.x) ||
        !std::isfinite(to.y))
        return profile;
    const ZcGePoint2d f(from.x, from.y);
    const ZcGeVector2d d(to.x - from.x, to.y - from.y);
    const double length = d.length();
    if (!(length > tol_)) {
        ZcGePoint3d p(from.x, from.y, from.z);
        if (calcZPoint(p))
            profile.push_back({p});
        return profile;
    }
    if (!std::isfinite(length))
        return profile;
    const double tolT = tol_ / length;

    // The segment's box, and nothing to do when it misses the grid's.
    const double sx0 = std::min(from.x, to.x) - tol_, sx1 = std::max(from.x, to.x) + tol_;
    const double sy0 = std::min(from.y, to.y) - tol_, sy1 = std::max(from.y, to.y) + tol_;
    if (sx1 < gx0_ || sy1 < gy0_ || sx0 > gx0_ + double(nx_) * cw_ || sy0 > gy0_ + double(ny_) * ch_)
        return profile;

    // The triangles of the cells the segment crosses, column by column: in
    // each column, the rows between the segment's heights at its sides.
    std::vector<std::uint32_t> candidates;
    const double margin = tol_ + 1e-12 * std::fabs(d.y);
    for (long i = column(sx0), i1 = column(sx1); i <= i1; ++i) {
        double y0 = sy0, y1 = sy1;
        if (i1 > column(sx0) && d.x != 0.0) {
            const double xa = std::max(sx0, gx0_ + double(i) * cw_ - tol_);
            const double xb = std::min(sx1, gx0_ + double(i + 1) * cw_ + tol_);
            const double ta = std::clamp((xa - from.x) / d.x, 0.0, 1.0);
            const double tb = std::clamp((xb - from.x) / d.x, 0.0, 1.0);
            y0 = std::min(from.y + ta * d.y, from.y + tb * d.y) - margin;
            y1 = std::max(from.y + ta * d.y, from.y + tb * d.y) + margin;
        }
        for (long j = row(y0), j1 = row(y1); j <= j1; ++j) {
            const std::size_t cell = std::size_t(j) * std::size_t(nx_) + std::size_t(i);
            candidates.insert(candidates.end(), items_.begin() + std::ptrdiff_t(start_[cell]),
                              items_.begin() + std::ptrdiff_t(start_[cell + 1]));
        }
    }
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());

    std::vector<Span> spans;
    for (std::uint32_t k : candidates) {
        const Tri& t = tris_[k];
        if (t.x1 < sx0 || t.x0 > sx1 || t.y1 < sy0 || t.y0 > sy1)
            continue;
        Span s;
        if (clip(t, f, d, tolT, s)) {
            s.tri = k;
            spans.push_back(s);
        }
    }
    if (spans.empty())
        return profile;
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.t0 < b.t0; });

    // Every end of a span is a vertex of the profile: the ends of the
    // segment where they are covered, the edges crossed. Ends closer than
    // the tolerance are one vertex (an edge two triangles share, a TIN
    // vertex the segment passes through).
    std::vector<double> ends;
    ends.reserve(2 * spans.size());
    for (const Span& s : spans) {
        ends.push_back(s.t0);
        ends.push_back(s.t1);
    }
    std::sort(ends.begin(), ends.end());

    auto pointAt = [&](double t) {
        if (t <= 0.0)
            return ZcGePoint2d(from.x, from.y);
        if (t >= 1.0)
            return ZcGePoint2d(to.x, to.y);
        return f + d * t;
    };

    // One sweep along the segment: the spans met so far that still reach the
    // vertex give its height (the highest, as calcZPoint does); a span that
    // starts beyond the reach of all those before it opens a new polyline.
    std::vector<ZcGePoint3d> line;
    std::vector<std::size_t> active;
    std::size_t next = 0;
    double reach = -1.0;
    for (std::size_t k = 0; k < ends.size();) {
        std::size_t m = k + 1;
        while (m < ends.size() && ends[m] - ends[k] <= tolT)
            ++m;
        const double t = ends[m - 1] == 1.0 ? 1.0 : ends[k];
        k = m;

        if (next < spans.size() && spans[next].t0 <= t + tolT && spans[next].t0 > reach + tolT && !line.empty()) {
            profile.push_back(std::move(line));
            line.clear();
        }
        for (; next < spans.size() && spans[next].t0 <= t + tolT; ++next) {
            active.push_back(next);
            reach = std::max(reach, spans[next].t1);
        }
        std::erase_if(active, [&](std::size_t s) { return spans[s].t1 < t - tolT; });
        if (active.empty())
            continue;
        const ZcGePoint2d p = pointAt(t);
        double z = tris_[spans[active[0]].tri].zAt(p.x, p.y);
        for (std::size_t s : active)
            z = std::max(z, tris_[spans[s].tri].zAt(p.x, p.y));
        line.emplace_back(p.x, p.y, z);
    }
    if (!line.empty())
        profile.push_back(std::move(line));
    return profile;
}

}  // namespace host::terrain
