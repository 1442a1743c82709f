#include "host/geom/plan_segment.hpp"

#include <algorithm>
#include <limits>

namespace geltaro::geom::detail {

namespace {

// Bulges smaller than this are straight: the arc would rise less than 1e-10 of its chord above it.
constexpr double kStraightBulge = 1e-10;

ZcGePoint2d polar(const ZcGePoint2d& c, double r, double a) { return {c.x + r * std::cos(a), c.y + r * std::sin(a)}; }

double polarAngle(const ZcGePoint2d& c, const ZcGePoint2d& p) { return std::atan2(p.y - c.y, p.x - c.x); }

// Bounds a line parameter by the reach of the line; false when it lies outside by more than tolT.
bool withinReach(double& t, Reach reach, double tolT)
{
    switch (reach) {
    case Reach::Segment:
        if (t < -tolT || t > 1.0 + tolT)
            return false;
        t = std::clamp(t, 0.0, 1.0);
        return true;
    case Reach::Ray:
        if (t < -tolT)
            return false;
        t = std::max(t, 0.0);
        return true;
    case Reach::Infinite:
        return true;
    }
    return false;
}

// Both segments are in local coordinates; `a` is bounded, `b` has the given reach.
void lineLine(const PlanSeg& a, const PlanSeg& b, Reach reach, double eps, std::vector<PlanHit>& hits)
{
    const ZcGeVector2d d1 = a.end - a.start;
    const ZcGeVector2d d2 = b.end - b.start;
    const double len1 = d1.length();
    const double len2 = d2.length();

    if (len1 <= eps) {  // a is a point
        const ZcGePoint2d p = a.start;
        double u = len2 > 0.0 ? (p - b.start).dotProduct(d2) / d2.lengthSqrd() : 0.0;
        if (!withinReach(u, reach, std::numeric_limits<double>::infinity()))
            return;
        if (p.distanceTo(b.start + d2 * u) <= eps)
            hits.push_back({p, 0.0, u});
        return;
    }
    if (len2 <= eps) {  // b is a point: a degenerate line has no direction, so its reach is moot
        const PlanClosest c = closestPoint(a, b.start);
        if (c.distance <= eps)
            hits.push_back({c.point, c.f, 0.0});
        return;
    }

    const double tol1 = eps / len1;
    const double tol2 = eps / len2;
    auto paramOnB = [&](const ZcGePoint2d& p) { return (p - b.start).dotProduct(d2) / d2.lengthSqrd(); };

    const bool bOnLineA = std::fabs(d1.crossProduct(b.start - a.start)) / len1 <= eps &&
                          std::fabs(d1.crossProduct(b.end - a.start)) / len1 <= eps;
    const bool aOnLineB = std::fabs(d2.crossProduct(a.start - b.start)) / len2 <= eps &&
                          std::fabs(d2.crossProduct(a.end - b.start)) / len2 <= eps;
    if (bOnLineA || aOnLineB) {
        // Collinear: the overlap, in parameters of a.
        const double ta = (b.start - a.start).dotProduct(d1) / d1.lengthSqrd();
        const double tb = (b.end - a.start).dotProduct(d1) / d1.lengthSqrd();
        constexpr double inf = std::numeric_limits<double>::infinity();
        double lo2 = std::min(ta, tb), hi2 = std::max(ta, tb);
        if (reach == Reach::Ray) {
            lo2 = tb >= ta ? ta : -inf;
            hi2 = tb >= ta ? inf : ta;
        } else if (reach == Reach::Infinite) {
            lo2 = -inf;
            hi2 = inf;
        }
        const double lo = std::max(0.0, lo2);
        const double hi = std::min(1.0, hi2);
        if (lo > hi + tol1)
            return;
        double ts[2];
        int n = 0;
        if (hi - lo <= tol1) {
            ts[n++] = std::clamp(0.5 * (lo + hi), 0.0, 1.0);
        } else {
            ts[n++] = lo;
            ts[n++] = hi;
        }
        for (int i = 0; i < n; ++i) {
            const ZcGePoint2d p = a.pointAt(ts[i]);
            double u = paramOnB(p);
            withinReach(u, reach, inf);  // clamps only
            hits.push_back({p, ts[i], u});
        }
        return;
    }

    const double den = d1.crossProduct(d2);
    if (den == 0.0)
        return;  // parallel, apart
    double t = (b.start - a.start).crossProduct(d2) / den;
    if (!(t >= -tol1 && t <= 1.0 + tol1))
        return;
    t = std::clamp(t, 0.0, 1.0);
    const ZcGePoint2d p = a.pointAt(t);
    double u = paramOnB(p);
    if (!withinReach(u, reach, tol2))
        return;
    // Nearly parallel lines make t ill-conditioned: confirm the point lies on both.
    if (std::fabs(d2.crossProduct(p - b.start)) / len2 > 2.0 * eps)
        return;
    hits.push_back({p, t, u});
}

// Intersections of a line (with its reach) and an arc, local coordinates.
// Hits are stored with f1 on the first segment of the original pair: lineFirst says which one.
void lineArc(const PlanSeg& line, Reach reach, const PlanSeg& arc, double eps, bool lineFirst,
             std::vector<PlanHit>& hits)
{
    const ZcGeVector2d d = line.end - line.start;
    const double len = d.length();
    if (len <= eps) {  // the line is a point
        const PlanClosest c = closestPoint(arc, line.start);
        if (c.distance <= eps)
            hits.push_back(lineFirst ? PlanHit{line.start, 0.0, c.f} : PlanHit{c.point, c.f, 0.0});
        return;
    }
    const double tc = (arc.center - line.start).dotProduct(d) / d.lengthSqrd();
    const ZcGePoint2d foot = line.start + d * tc;
    const double h = foot.distanceTo(arc.center);
    const double r = arc.radius;
    if (h > r + eps)
        return;
    double ts[2];
    int n = 0;
    if (std::fabs(h - r) <= eps) {
        ts[n++] = tc;  // tangent
    } else {
        const double k = std::sqrt((r - h) * (r + h)) / len;
        ts[n++] = tc - k;
        ts[n++] = tc + k;
    }
    const Reach lineReach = lineFirst ? Reach::Segment : reach;
    for (int i = 0; i < n; ++i) {
        double t = ts[i];
        if (!withinReach(t, lineReach, eps / len))
            continue;
        const ZcGePoint2d p = line.start + d * t;
        const double f = arcFraction(arc, polarAngle(arc.center, p), eps / r);
        if (f < 0.0)
            continue;
        hits.push_back(lineFirst ? PlanHit{p, t, f} : PlanHit{p, f, t});
    }
}

void arcArc(const PlanSeg& a, const PlanSeg& b, double eps, std::vector<PlanHit>& hits)
{
    const ZcGeVector2d d = b.center - a.center;
    const double dist = d.length();
    const double r1 = a.radius, r2 = b.radius;
    const double angTol = eps / std::min(r1, r2);

    auto tryAngle = [&](double theta1) {
        const ZcGePoint2d p = polar(a.center, r1, theta1);
        const double f1 = arcFraction(a, theta1, eps / r1);
        const double f2 = arcFraction(b, polarAngle(b.center, p), eps / r2);
        if (f1 >= 0.0 && f2 >= 0.0)
            hits.push_back({p, f1, f2});
    };

    if (dist <= eps && std::fabs(r1 - r2) <= eps) {
        // Same circle: the overlaps of the two angular ranges, taken counter-clockwise.
        const double s1 = normalizeAngle(a.sweep > 0 ? a.startAngle : a.startAngle + a.sweep);
        const double s2 = normalizeAngle(b.sweep > 0 ? b.startAngle : b.startAngle + b.sweep);
        const double w1 = std::fabs(a.sweep), w2 = std::fabs(b.sweep);
        for (int k = -1; k <= 1; ++k) {
            const double s2k = s2 + k * kTwoPi;
            const double lo = std::max(s1, s2k);
            const double hi = std::min(s1 + w1, s2k + w2);
            if (hi < lo - angTol)
                continue;
            if (hi - lo <= angTol) {
                tryAngle(0.5 * (lo + hi));
            } else {
                tryAngle(lo);
                tryAngle(hi);
            }
        }
        return;
    }
    if (dist <= eps)
        return;  // concentric
    if (dist > r1 + r2 + eps || dist < std::fabs(r1 - r2) - eps)
        return;
    // Distance from a's centre, along the centre line, to the chord through the two points.
    const double along = (dist * dist + r1 * r1 - r2 * r2) / (2.0 * dist);
    const ZcGePoint2d base = a.center + d * (along / dist);
    const bool tangent = std::fabs(dist - (r1 + r2)) <= eps || std::fabs(dist - std::fabs(r1 - r2)) <= eps;
    const double h = tangent ? 0.0 : std::sqrt(std::max(0.0, (r1 - along) * (r1 + along)));
    const ZcGeVector2d n = d.perpVector() * (1.0 / dist);
    if (h <= 0.0) {
        tryAngle(polarAngle(a.center, base));
    } else {
        tryAngle(polarAngle(a.center, base + n * h));
        tryAngle(polarAngle(a.center, base - n * h));
    }
}

PlanSeg lineIfTiny(const PlanSeg& s, double eps)
{
    return (s.isArc && s.radius <= eps) ? PlanSeg::line(s.start, s.end) : s;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
PlanSeg PlanSeg::line(const ZcGePoint2d& a, const ZcGePoint2d& b)
{
    PlanSeg s;
    s.start = a;
    s.end = b;
    return s;
}

PlanSeg PlanSeg::fromBulge(const ZcGePoint2d& a, const ZcGePoint2d& b, double bulge)
{
    const ZcGeVector2d chordVec = b - a;
    const double chord = chordVec.length();
    if (!std::isfinite(bulge) || std::fabs(bulge) < kStraightBulge || !(chord > 0.0) || !std::isfinite(chord))
        return line(a, b);
    PlanSeg s;
    s.isArc = true;
    s.start = a;
    s.end = b;
    const ZcGePoint2d mid{0.5 * (a.x + b.x), 0.5 * (a.y + b.y)};
    const ZcGeVector2d left = chordVec.perpVector() * (1.0 / chord);
    // Centre offset from the chord midpoint (to the left for positive bulges below a half turn) and
    // radius, written with 1/b so that very large bulges do not overflow.
    const double ab = std::fabs(bulge);
    s.center = mid + left * (chord * (1.0 / bulge - bulge) / 4.0);
    s.radius = chord * (1.0 / ab + ab) / 4.0;
    s.sweep = 4.0 * std::atan(bulge);
    s.startAngle = polarAngle(s.center, a);
    return s;
}

PlanSeg PlanSeg::arc(const ZcGePoint2d& center, double radius, double startAngle, double sweep)
{
    PlanSeg s;
    s.isArc = true;
    s.center = center;
    s.radius = radius;
    s.startAngle = startAngle;
    s.sweep = sweep;
    s.start = polar(center, radius, startAngle);
    s.end = polar(center, radius, startAngle + sweep);
    return s;
}

double PlanSeg::length() const { return isArc ? radius * std::fabs(sweep) : start.distanceTo(end); }

ZcGePoint2d PlanSeg::pointAt(double f) const
{
    if (f == 0.0)
        return start;
    if (f == 1.0)
        return end;
    if (!isArc)
        return start + (end - start) * f;
    f = std::clamp(f, 0.0, 1.0);
    return polar(center, radius, startAngle + sweep * f);
}

ZcGeVector2d PlanSeg::directionAt(double f) const
{
    if (!isArc)
        return (end - start).normal(ZcGeTol(0.0, 0.0));
    const double a = startAngle + sweep * std::clamp(f, 0.0, 1.0);
    const ZcGeVector2d radial{std::cos(a), std::sin(a)};
    return sweep > 0 ? radial.perpVector() : -radial.perpVector();
}

PlanSeg PlanSeg::shifted(const ZcGeVector2d& v) const
{
    PlanSeg s = *this;
    s.start += v;
    s.end += v;
    s.center += v;
    return s;
}

double arcFraction(const PlanSeg& arc, double theta, double angTol)
{
    const double w = std::fabs(arc.sweep);
    if (!(w > 0.0))
        return -1.0;
    const double delta = normalizeAngle(arc.sweep > 0 ? theta - arc.startAngle : arc.startAngle - theta);
    if (delta <= w + angTol)
        return std::min(delta, w) / w;
    if (kTwoPi - delta <= angTol)
        return 0.0;
    return -1.0;
}

PlanClosest closestPoint(const PlanSeg& s, const ZcGePoint2d& p)
{
    PlanClosest c;
    if (!s.isArc) {
        const ZcGeVector2d d = s.end - s.start;
        const double len2 = d.lengthSqrd();
        const double t = len2 > 0.0 ? std::clamp((p - s.start).dotProduct(d) / len2, 0.0, 1.0) : 0.0;
        c.f = t;
        c.point = s.pointAt(t);
        c.distance = c.point.distanceTo(p);
        return c;
    }
    const ZcGeVector2d v = p - s.center;
    const double lv = v.length();
    if (lv > 0.0) {
        const double f = arcFraction(s, std::atan2(v.y, v.x), 0.0);
        if (f >= 0.0) {
            c.f = f;
            c.point = (f == 0.0 || f == 1.0) ? s.pointAt(f) : s.center + v * (s.radius / lv);
            c.distance = c.point.distanceTo(p);
            return c;
        }
    }
    // Off the arc's angular range (or at the centre): the nearer end.
    const double ds = s.start.distanceTo(p);
    const double de = s.end.distanceTo(p);
    c.f = de < ds ? 1.0 : 0.0;
    c.point = de < ds ? s.end : s.start;
    c.distance = std::min(ds, de);
    return c;
}

double workingTolerance(const PlanSeg& a, const PlanSeg& b, double tol)
{
    const ZcGePoint2d ref = a.start;
    double size = std::max({a.end.distanceTo(ref), b.start.distanceTo(ref), b.end.distanceTo(ref)});
    if (a.isArc)
        size = std::max({size, a.radius, a.center.distanceTo(ref)});
    if (b.isArc)
        size = std::max({size, b.radius, b.center.distanceTo(ref)});
    const double magnitude = std::max(std::fabs(ref.x), std::fabs(ref.y));
    const double eps = std::max({std::fabs(tol), 1e-13 * size, 1e-14 * magnitude});
    return std::isfinite(eps) ? eps : std::fabs(tol);
}

void intersect(const PlanSeg& a, const PlanSeg& b, Reach bReach, double tol, std::vector<PlanHit>& out)
{
    const double eps = workingTolerance(a, b, tol);
    // Work relative to a's start: survey coordinates are large, the geometry is small.
    const ZcGeVector2d origin = a.start.asVector();
    const PlanSeg la = lineIfTiny(a.shifted(-origin), eps);
    const PlanSeg lb = lineIfTiny(b.shifted(-origin), eps);

    std::vector<PlanHit> hits;
    if (!la.isArc && !lb.isArc)
        lineLine(la, lb, bReach, eps, hits);
    else if (!la.isArc)
        lineArc(la, Reach::Segment, lb, eps, true, hits);
    else if (!lb.isArc)
        lineArc(lb, bReach, la, eps, false, hits);
    else
        arcArc(la, lb, eps, hits);
    std::sort(hits.begin(), hits.end(), [](const PlanHit& x, const PlanHit& y) { return x.f1 < y.f1; });

    const double len1 = a.length();
    const double len2 = b.length();
    const std::size_t first = out.size();
    for (PlanHit h : hits) {
        if (h.f1 * len1 <= eps)
            h.f1 = 0.0;
        else if ((1.0 - h.f1) * len1 <= eps)
            h.f1 = 1.0;
        if (std::fabs(h.f2) * len2 <= eps)
            h.f2 = 0.0;
        else if (std::fabs(1.0 - h.f2) * len2 <= eps)
            h.f2 = 1.0;
        if (h.f1 == 0.0 || h.f1 == 1.0) {
            h.point = h.f1 == 0.0 ? a.start : a.end;
        } else if (h.f2 == 0.0 || h.f2 == 1.0) {
            // On an end of b (typically another path's vertex): take that point exactly, so that the
            // same vertex met from two segments is the same hit.
            h.point = h.f2 == 0.0 ? b.start : b.end;
            h.f1 = closestPoint(a, h.point).f;
        } else {
            h.point = h.point + origin;
        }
        bool duplicate = false;
        for (std::size_t i = first; i < out.size() && !duplicate; ++i)
            duplicate = out[i].point.distanceTo(h.point) <= eps;
        if (!duplicate)
            out.push_back(h);
    }
}

}  // namespace geltaro::geom::detail
