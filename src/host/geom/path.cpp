#include "host/geom/path.hpp"

#include "host/geom/plan_segment.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <stdexcept>

using geltaro::geom::kHalfPi;
using geltaro::geom::kPi;
using geltaro::geom::kTwoPi;
using geltaro::geom::normalizeAngle;
using geltaro::geom::normalizeAngleSigned;
namespace detail = geltaro::geom::detail;
using detail::PlanSeg;

struct Path::Segment {
    PlanSeg plan;
    double z0 = 0.0;
    double z1 = 0.0;
    double length = 0.0;  // in space
};

namespace {

double lerp(double a, double b, double f) { return f == 0.0 ? a : f == 1.0 ? b : a + (b - a) * f; }

ZcGePoint2d midpoint(const ZcGePoint2d& a, const ZcGePoint2d& b) { return {0.5 * (a.x + b.x), 0.5 * (a.y + b.y)}; }

struct PlanBox {
    double minX, minY, maxX, maxY;
};

// Conservative plan box of a segment (an arc's whole circle).
PlanBox planBox(const PlanSeg& s)
{
    if (s.isArc)
        return {s.center.x - s.radius, s.center.y - s.radius, s.center.x + s.radius, s.center.y + s.radius};
    return {std::min(s.start.x, s.end.x), std::min(s.start.y, s.end.y), std::max(s.start.x, s.end.x),
            std::max(s.start.y, s.end.y)};
}

bool boxesMeet(const PlanBox& a, const PlanBox& b, double eps)
{
    return a.minX <= b.maxX + eps && b.minX <= a.maxX + eps && a.minY <= b.maxY + eps && b.minY <= a.maxY + eps;
}

// ---- offset helpers ------------------------------------------------------------------------------

// Intersections of the supporting curves (whole line, whole circle) of two segments, computed relative
// to `ref` (a point near the corner) for precision. Returns the number of points written.
int supportIntersections(const PlanSeg& a0, const PlanSeg& b0, const ZcGePoint2d& ref, double eps, ZcGePoint2d out[2])
{
    const ZcGeVector2d shift = ref.asVector();
    const PlanSeg a = a0.shifted(-shift);
    const PlanSeg b = b0.shifted(-shift);
    int n = 0;
    if (!a.isArc && !b.isArc) {
        const ZcGeVector2d da = a.end - a.start;
        const ZcGeVector2d db = b.end - b.start;
        const double den = da.crossProduct(db);
        if (std::fabs(den) <= 1e-12 * da.length() * db.length())
            return 0;  // parallel
        const double t = (b.start - a.start).crossProduct(db) / den;
        out[n++] = a.start + da * t;
    } else if (!a.isArc || !b.isArc) {
        const PlanSeg& l = a.isArc ? b : a;
        const PlanSeg& c = a.isArc ? a : b;
        const ZcGeVector2d d = l.end - l.start;
        const double len = d.length();
        if (!(len > 0.0))
            return 0;
        const ZcGeVector2d u = d * (1.0 / len);
        const ZcGePoint2d foot = l.start + u * (c.center - l.start).dotProduct(u);
        const double h = foot.distanceTo(c.center);
        if (h > c.radius + eps)
            return 0;
        if (std::fabs(h - c.radius) <= eps) {
            out[n++] = foot;
        } else {
            const double k = std::sqrt((c.radius - h) * (c.radius + h));
            out[n++] = foot - u * k;
            out[n++] = foot + u * k;
        }
    } else {
        const ZcGeVector2d d = b.center - a.center;
        const double dist = d.length();
        const double r1 = a.radius, r2 = b.radius;
        if (dist <= eps || dist > r1 + r2 + eps || dist < std::fabs(r1 - r2) - eps)
            return 0;
        const double along = (dist * dist + r1 * r1 - r2 * r2) / (2.0 * dist);
        const ZcGePoint2d base = a.center + d * (along / dist);
        const bool tangent = std::fabs(dist - (r1 + r2)) <= eps || std::fabs(dist - std::fabs(r1 - r2)) <= eps;
        const double h = tangent ? 0.0 : std::sqrt(std::max(0.0, (r1 - along) * (r1 + along)));
        const ZcGeVector2d nrm = d.perpVector() * (1.0 / dist);
        out[n++] = base + nrm * h;
        if (h > 0.0)
            out[n++] = base - nrm * h;
    }
    for (int i = 0; i < n; ++i)
        out[i] += shift;
    return n;
}

// The segment with its end moved to p (for an arc, p is on its circle: the sweep follows).
PlanSeg withEnd(PlanSeg s, const ZcGePoint2d& p)
{
    if (s.isArc) {
        const double theta = std::atan2(p.y - s.center.y, p.x - s.center.x);
        s.sweep += normalizeAngleSigned(theta - (s.startAngle + s.sweep));
    }
    s.end = p;
    return s;
}

PlanSeg withStart(PlanSeg s, const ZcGePoint2d& p)
{
    if (s.isArc) {
        const double theta = std::atan2(p.y - s.center.y, p.x - s.center.x);
        const double delta = normalizeAngleSigned(theta - s.startAngle);
        s.startAngle += delta;
        s.sweep -= delta;
    }
    s.start = p;
    return s;
}

// An arc must stay below a whole turn to be written as a bulge.
bool bulgeable(const PlanSeg& s) { return !s.isArc || std::fabs(s.sweep) < kTwoPi - 1e-9; }

double bulgeOf(const PlanSeg& s) { return s.isArc ? std::tan(s.sweep / 4.0) : 0.0; }

}  // namespace

// ---------------------------------------------------------------------------------------------
Path::Path() = default;
Path::~Path() = default;
Path::Path(const Path&) = default;
Path::Path(Path&&) noexcept = default;
Path& Path::operator=(const Path&) = default;
Path& Path::operator=(Path&&) noexcept = default;

void Path::build()
{
    m_segments.clear();
    m_cumulative.assign(1, 0.0);
    const std::size_t n = m_vertices.size();
    const std::size_t count = n < 2 ? 0 : (m_closed ? n : n - 1);
    m_segments.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const PathVertex& a = m_vertices[i];
        const PathVertex& b = m_vertices[(i + 1) % n];
        Segment s;
        s.plan = PlanSeg::fromBulge(a.point.convert2d(), b.point.convert2d(), a.bulge);
        s.z0 = a.point.z;
        s.z1 = b.point.z;
        s.length = std::hypot(s.plan.length(), s.z1 - s.z0);
        m_cumulative.push_back(m_cumulative.back() + s.length);
        m_segments.push_back(s);
    }
}

Path Path::line(const ZcGePoint3d& a, const ZcGePoint3d& b)
{
    Path p;
    p.m_vertices = {{a, 0.0}, {b, 0.0}};
    p.m_kind = Kind::Line;
    p.build();
    p.m_paramScale = p.length();
    return p;
}

Path Path::arc(const ZcGePoint3d& center, double radius, double startAngle, double endAngle)
{
    const double r = std::isfinite(radius) ? std::fabs(radius) : 0.0;
    const double start = normalizeAngle(startAngle);
    double sweep = normalizeAngle(endAngle - startAngle);
    if (sweep == 0.0)
        sweep = kTwoPi;
    // One bulge segment covers at most half a turn.
    const int pieces = sweep > kPi ? 2 : 1;
    const double step = sweep / pieces;
    Path p;
    for (int k = 0; k <= pieces; ++k) {
        const double a = start + step * k;
        p.m_vertices.push_back({{center.x + r * std::cos(a), center.y + r * std::sin(a), center.z},
                                k < pieces ? std::tan(step / 4.0) : 0.0});
    }
    p.m_kind = Kind::Arc;
    p.m_param0 = start;
    p.m_paramScale = step;
    p.build();
    return p;
}

Path Path::circle(const ZcGePoint3d& center, double radius)
{
    const double r = std::isfinite(radius) ? std::fabs(radius) : 0.0;
    Path p;
    p.m_vertices = {{{center.x + r, center.y, center.z}, 1.0}, {{center.x - r, center.y, center.z}, 1.0}};
    p.m_closed = true;
    p.m_kind = Kind::Circle;
    p.m_paramScale = kPi;
    p.build();
    return p;
}

Path Path::polyline(std::vector<PathVertex> vertices, bool closed)
{
    Path p;
    p.m_vertices = std::move(vertices);
    p.m_closed = closed;
    p.build();
    return p;
}

// ---------------------------------------------------------------------------------------------
std::size_t Path::numSegments() const { return m_segments.size(); }

Path::SegmentKind Path::segmentKind(std::size_t i) const
{
    if (i >= m_segments.size())
        throw std::out_of_range("Path::segmentKind: no such segment");
    return m_segments[i].plan.isArc ? SegmentKind::Arc : SegmentKind::Line;
}

std::variant<ZcGeLineSeg2d, ZcGeCircArc2d> Path::segment2d(std::size_t i) const
{
    if (i >= m_segments.size())
        throw std::out_of_range("Path::segment2d: no such segment");
    const PlanSeg& s = m_segments[i].plan;
    if (s.isArc)
        return ZcGeCircArc2d(s.start, s.end, m_vertices[i].bulge);
    return ZcGeLineSeg2d(s.start, s.end);
}

bool Path::getLineSegAt(std::size_t i, ZcGeLineSeg2d& line) const
{
    if (i >= m_segments.size() || m_segments[i].plan.isArc)
        return false;
    line.set(m_segments[i].plan.start, m_segments[i].plan.end);
    return true;
}

bool Path::getArcSegAt(std::size_t i, ZcGeCircArc2d& arc) const
{
    if (i >= m_segments.size() || !m_segments[i].plan.isArc)
        return false;
    arc = ZcGeCircArc2d(m_segments[i].plan.start, m_segments[i].plan.end, m_vertices[i].bulge);
    return true;
}

double Path::segmentLength(std::size_t i) const { return i < m_segments.size() ? m_segments[i].length : 0.0; }

double Path::length() const { return m_cumulative.empty() ? 0.0 : m_cumulative.back(); }

double Path::planLength() const
{
    double sum = 0.0;
    for (const Segment& s : m_segments)
        sum += s.plan.length();
    return sum;
}

double Path::startParam() const { return m_param0; }
double Path::endParam() const { return fromSegmentParam(static_cast<double>(m_segments.size())); }

ZcGePoint3d Path::startPoint() const { return m_vertices.empty() ? ZcGePoint3d::kOrigin : m_vertices.front().point; }

ZcGePoint3d Path::endPoint() const
{
    if (m_segments.empty())
        return startPoint();
    return pointOn(m_segments.size() - 1, 1.0);
}

// ---------------------------------------------------------------------------------------------
double Path::toSegmentParam(double param) const
{
    if (!(m_paramScale > 0.0))
        return 0.0;
    const double s = (param - m_param0) / m_paramScale;
    return std::isfinite(s) ? s : 0.0;
}

bool Path::locate(double param, std::size_t& index, double& fraction) const
{
    const std::size_t count = m_segments.size();
    if (count == 0)
        return false;
    const double n = static_cast<double>(count);
    double s = toSegmentParam(param);
    if (m_closed && (s < 0.0 || s > n)) {
        s = std::fmod(s, n);
        if (s < 0.0)
            s += n;
        if (!(s < n))
            s = 0.0;
    } else {
        s = std::clamp(s, 0.0, n);
    }
    const double whole = std::floor(s);
    if (whole >= n) {
        index = count - 1;
        fraction = 1.0;
    } else {
        index = static_cast<std::size_t>(whole);
        fraction = s - whole;
    }
    return true;
}

ZcGePoint3d Path::pointOn(std::size_t index, double fraction) const
{
    const Segment& s = m_segments[index];
    return ZcGePoint3d(s.plan.pointAt(fraction), lerp(s.z0, s.z1, fraction));
}

ZcGePoint3d Path::pointAtParam(double param) const
{
    std::size_t i = 0;
    double f = 0.0;
    if (!locate(param, i, f))
        return startPoint();
    return pointOn(i, f);
}

double Path::distanceAtParam(double param) const
{
    std::size_t i = 0;
    double f = 0.0;
    if (!locate(param, i, f))
        return 0.0;
    return m_cumulative[i] + f * m_segments[i].length;
}

double Path::paramAtDistance(double distance) const
{
    if (m_segments.empty())
        return startParam();
    const double total = length();
    double d = std::isfinite(distance) ? distance : 0.0;
    if (m_closed && total > 0.0 && (d < 0.0 || d > total)) {
        d = std::fmod(d, total);
        if (d < 0.0)
            d += total;
    } else {
        d = std::clamp(d, 0.0, total);
    }
    // First vertex at or beyond d; the segment ending there contains d.
    const auto it = std::lower_bound(m_cumulative.begin() + 1, m_cumulative.end(), d);
    std::size_t i = static_cast<std::size_t>(it - m_cumulative.begin()) - 1;
    i = std::min(i, m_segments.size() - 1);
    const double len = m_segments[i].length;
    const double f = len > 0.0 ? std::clamp((d - m_cumulative[i]) / len, 0.0, 1.0) : 0.0;
    return fromSegmentParam(static_cast<double>(i) + f);
}

ZcGeVector2d Path::planDirectionAtParam(double param) const
{
    std::size_t i = 0;
    double f = 0.0;
    if (!locate(param, i, f))
        return {};
    return m_segments[i].plan.directionAt(f);
}

// ---------------------------------------------------------------------------------------------
PathClosestPoint Path::closestPoint(const ZcGePoint3d& p) const { return closestPoint(p.convert2d()); }

PathClosestPoint Path::closestPoint(const ZcGePoint2d& p) const
{
    PathClosestPoint r;
    if (m_vertices.empty())
        return r;
    r.valid = true;
    if (m_segments.empty()) {
        r.point = m_vertices.front().point;
        r.param = startParam();
        r.distance = p.distanceTo(r.point.convert2d());
        return r;
    }
    std::size_t best = 0;
    detail::PlanClosest bestHit;
    bestHit.distance = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < m_segments.size(); ++i) {
        const detail::PlanClosest c = detail::closestPoint(m_segments[i].plan, p);
        if (c.distance < bestHit.distance) {
            bestHit = c;
            best = i;
        }
    }
    double s = static_cast<double>(best) + bestHit.f;
    double along = m_cumulative[best] + bestHit.f * m_segments[best].length;
    if (m_closed && s >= static_cast<double>(m_segments.size())) {
        s = 0.0;  // the end of a closed path is its start
        along = 0.0;
    }
    r.point = pointOn(best, bestHit.f);
    r.param = fromSegmentParam(s);
    r.distanceAlong = along;
    r.distance = bestHit.distance;
    return r;
}

// ---------------------------------------------------------------------------------------------
double Path::tolerance(double tol) const
{
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    bool first = true;
    for (const PathVertex& v : m_vertices) {
        if (first) {
            minX = maxX = v.point.x;
            minY = maxY = v.point.y;
            first = false;
        }
        minX = std::min(minX, v.point.x);
        maxX = std::max(maxX, v.point.x);
        minY = std::min(minY, v.point.y);
        maxY = std::max(maxY, v.point.y);
    }
    const double size = std::hypot(maxX - minX, maxY - minY);
    const double magnitude = std::max({std::fabs(minX), std::fabs(maxX), std::fabs(minY), std::fabs(maxY)});
    const double eps = std::max({std::fabs(tol), 1e-13 * size, 1e-14 * magnitude});
    return std::isfinite(eps) ? eps : std::fabs(tol);
}

void Path::addHit(std::vector<PathIntersection>& out, std::vector<double>& along, std::size_t i, double f,
                  const ZcGePoint2d& p, double otherParam) const
{
    double s = static_cast<double>(i) + f;
    double d = m_cumulative[i] + f * m_segments[i].length;
    if (m_closed && s >= static_cast<double>(m_segments.size())) {
        s = 0.0;
        d = 0.0;
    }
    const Segment& seg = m_segments[i];
    out.push_back({ZcGePoint3d(p, lerp(seg.z0, seg.z1, f)), fromSegmentParam(s), otherParam});
    along.push_back(d);
}

std::vector<PathIntersection> Path::sortAndMerge(std::vector<PathIntersection>& hits, std::vector<double>& along,
                                                 double eps) const
{
    std::vector<std::size_t> order(hits.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return along[a] != along[b] ? along[a] < along[b] : hits[a].param < hits[b].param;
    });
    std::vector<PathIntersection> result;
    double lastAlong = 0.0;
    for (std::size_t k : order) {
        // Hits at the same place along this path are one point: the same vertex reached from two
        // segments, or the far side of a zero-length segment.
        if (!result.empty() && along[k] - lastAlong <= eps &&
            planDistance(hits[k].point, result.back().point) <= eps)
            continue;
        result.push_back(hits[k]);
        lastAlong = along[k];
    }
    return result;
}

std::vector<PathIntersection> Path::intersections(const Path& other, const ZcGeTol& tol) const
{
    const double eps = std::max(tolerance(tol.equalPoint()), other.tolerance(tol.equalPoint()));
    std::vector<PlanBox> otherBoxes;
    otherBoxes.reserve(other.m_segments.size());
    for (const Segment& s : other.m_segments)
        otherBoxes.push_back(planBox(s.plan));

    std::vector<PathIntersection> hits;
    std::vector<double> along;
    std::vector<detail::PlanHit> local;
    const double otherCount = static_cast<double>(other.m_segments.size());
    for (std::size_t i = 0; i < m_segments.size(); ++i) {
        const PlanBox box = planBox(m_segments[i].plan);
        for (std::size_t j = 0; j < other.m_segments.size(); ++j) {
            if (!boxesMeet(box, otherBoxes[j], eps))
                continue;
            local.clear();
            detail::intersect(m_segments[i].plan, other.m_segments[j].plan, detail::Reach::Segment, tol.equalPoint(),
                              local);
            for (const detail::PlanHit& h : local) {
                double s = static_cast<double>(j) + h.f2;
                if (other.m_closed && s >= otherCount)
                    s = 0.0;
                addHit(hits, along, i, h.f1, h.point, other.fromSegmentParam(s));
            }
        }
    }
    return sortAndMerge(hits, along, eps);
}

std::vector<PathIntersection> Path::intersectionsWithLine(const ZcGePoint2d& a, const ZcGePoint2d& b,
                                                          LineExtent extent, const ZcGeTol& tol) const
{
    const double eps = tolerance(tol.equalPoint());
    const detail::Reach reach = extent == LineExtent::Segment ? detail::Reach::Segment
                                : extent == LineExtent::Ray   ? detail::Reach::Ray
                                                              : detail::Reach::Infinite;
    const PlanSeg query = PlanSeg::line(a, b);
    const PlanBox queryBox = planBox(query);
    std::vector<PathIntersection> hits;
    std::vector<double> along;
    std::vector<detail::PlanHit> local;
    for (std::size_t i = 0; i < m_segments.size(); ++i) {
        if (extent == LineExtent::Segment && !boxesMeet(planBox(m_segments[i].plan), queryBox, eps))
            continue;
        local.clear();
        detail::intersect(m_segments[i].plan, query, reach, tol.equalPoint(), local);
        for (const detail::PlanHit& h : local)
            addHit(hits, along, i, h.f1, h.point, h.f2);
    }
    return sortAndMerge(hits, along, eps);
}

// ---------------------------------------------------------------------------------------------
Path Path::offset(double distance) const
{
    if (!std::isfinite(distance))
        return Path();
    if (distance == 0.0)
        return *this;
    const double eps = tolerance(ZcGeTol().equalPoint());

    switch (m_kind) {
    case Kind::Line: {
        if (m_segments.empty())
            return Path();
        const ZcGeVector2d dir = m_segments[0].plan.directionAt(0.0);
        if (dir.lengthSqrd() == 0.0)
            return Path();  // no plan direction, so no side
        const ZcGeVector3d shift(dir.perpVector() * distance, 0.0);
        return line(m_vertices[0].point + shift, m_vertices[1].point + shift);
    }
    case Kind::Arc: {
        if (m_segments.empty() || !m_segments[0].plan.isArc)
            return Path();
        const PlanSeg& s = m_segments[0].plan;
        const double r = s.radius - distance;  // counter-clockwise: the left is the centre's side
        if (r <= eps)
            return Path();
        return arc(ZcGePoint3d(s.center, m_vertices[0].point.z), r, startParam(), endParam());
    }
    case Kind::Circle: {
        const ZcGePoint3d& a = m_vertices[0].point;
        const ZcGePoint3d& b = m_vertices[1].point;
        const double r = 0.5 * planDistance(a, b) - distance;
        if (r <= eps)
            return Path();
        return circle(ZcGePoint3d(0.5 * (a.x + b.x), 0.5 * (a.y + b.y), a.z), r);
    }
    case Kind::Polyline:
        break;
    }

    struct Piece {
        PlanSeg geo;
        double z0, z1;
    };
    std::vector<Piece> pieces;
    for (const Segment& seg : m_segments) {
        const PlanSeg& s = seg.plan;
        if (s.length() <= eps)
            continue;  // no plan extent, no direction to offset from
        if (!s.isArc) {
            const ZcGeVector2d shift = s.directionAt(0.0).perpVector() * distance;
            pieces.push_back({PlanSeg::line(s.start + shift, s.end + shift), seg.z0, seg.z1});
            continue;
        }
        // The centre is on the left of a counter-clockwise arc: offsetting left shrinks it.
        const double r = s.sweep > 0 ? s.radius - distance : s.radius + distance;
        if (r <= eps)
            continue;  // collapsed
        pieces.push_back({PlanSeg::arc(s.center, r, s.startAngle, s.sweep), seg.z0, seg.z1});
    }
    if (pieces.empty())
        return Path();

    const std::size_t k = pieces.size();
    std::vector<char> connectorAfter(k, 0);
    auto join = [&](std::size_t m, std::size_t n) {
        Piece& a = pieces[m];
        Piece& b = pieces[n];
        const ZcGePoint2d endA = a.geo.end;
        const ZcGePoint2d startB = b.geo.start;
        if (endA.distanceTo(startB) <= eps) {  // already meeting (tangent continuation)
            b.geo = withStart(b.geo, endA);
            return;
        }
        const ZcGePoint2d corner = midpoint(endA, startB);
        ZcGePoint2d candidates[2];
        const int count = supportIntersections(a.geo, b.geo, corner, eps, candidates);
        if (count == 0) {
            connectorAfter[m] = 1;
            return;
        }
        ZcGePoint2d p = candidates[0];
        if (count == 2 && candidates[1].distanceTo(corner) < p.distanceTo(corner))
            p = candidates[1];
        const PlanSeg trimmedA = withEnd(a.geo, p);
        const PlanSeg trimmedB = withStart(b.geo, p);
        if (!bulgeable(trimmedA) || !bulgeable(trimmedB)) {
            connectorAfter[m] = 1;
            return;
        }
        a.geo = trimmedA;
        b.geo = trimmedB;
    };
    for (std::size_t m = 0; m + 1 < k; ++m)
        join(m, m + 1);
    if (m_closed) {
        if (k >= 2)
            join(k - 1, 0);
        else if (pieces[0].geo.end.distanceTo(pieces[0].geo.start) > eps)
            connectorAfter[0] = 1;
    }

    std::vector<PathVertex> out;
    out.reserve(2 * k + 1);
    for (std::size_t m = 0; m < k; ++m) {
        const Piece& piece = pieces[m];
        out.push_back({ZcGePoint3d(piece.geo.start, piece.z0), bulgeOf(piece.geo)});
        if (connectorAfter[m])
            out.push_back({ZcGePoint3d(piece.geo.end, piece.z1), 0.0});
    }
    if (!m_closed)
        out.push_back({ZcGePoint3d(pieces.back().geo.end, pieces.back().z1), 0.0});
    return polyline(std::move(out), m_closed);
}

// ---------------------------------------------------------------------------------------------
ZcDbExtents Path::extents() const
{
    ZcDbExtents box;
    for (const PathVertex& v : m_vertices)
        box.addPoint(v.point);
    for (const Segment& seg : m_segments) {
        const PlanSeg& s = seg.plan;
        if (!s.isArc)
            continue;
        const ZcGePoint2d quadrants[4] = {{s.center.x + s.radius, s.center.y},
                                          {s.center.x, s.center.y + s.radius},
                                          {s.center.x - s.radius, s.center.y},
                                          {s.center.x, s.center.y - s.radius}};
        for (int q = 0; q < 4; ++q) {
            const double f = detail::arcFraction(s, q * kHalfPi, 0.0);
            if (f >= 0.0)
                box.addPoint(ZcGePoint3d(quadrants[q], lerp(seg.z0, seg.z1, f)));
        }
    }
    return box;
}
