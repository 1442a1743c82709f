#include "host/geom/curves.hpp"

#include "host/geom/plan_segment.hpp"

#include <algorithm>
#include <vector>

using geltaro::geom::kTwoPi;
using geltaro::geom::normalizeAngle;
namespace detail = geltaro::geom::detail;

namespace {

detail::PlanSeg planSeg(const ZcGeLineSeg2d& s) { return detail::PlanSeg::line(s.startPoint(), s.endPoint()); }

detail::PlanSeg planSeg(const ZcGeCircArc2d& a)
{
    return detail::PlanSeg::arc(a.center(), a.radius(), a.startAng(), a.isClockWise() ? -a.sweepAngle() : a.sweepAngle());
}

bool reportHits(const std::vector<detail::PlanHit>& hits, int& count, ZcGePoint2d& p1, ZcGePoint2d& p2)
{
    count = static_cast<int>(std::min<std::size_t>(hits.size(), 2));
    if (count > 0)
        p1 = hits[0].point;
    if (count > 1)
        p2 = hits[1].point;
    return count > 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
ZcGePoint2d ZcGeLineSeg2d::evalPoint(double param) const
{
    if (param == 0.0)
        return m_start;
    if (param == 1.0)
        return m_end;
    return m_start + (m_end - m_start) * param;
}

double ZcGeLineSeg2d::paramOf(const ZcGePoint2d& p) const
{
    const ZcGeVector2d d = m_end - m_start;
    const double len2 = d.lengthSqrd();
    return len2 > 0.0 ? (p - m_start).dotProduct(d) / len2 : 0.0;
}

ZcGePoint2d ZcGeLineSeg2d::closestPointTo(const ZcGePoint2d& p) const
{
    return detail::closestPoint(planSeg(*this), p).point;
}

bool ZcGeLineSeg2d::intersectWith(const ZcGeLineSeg2d& other, ZcGePoint2d& result, const ZcGeTol& tol) const
{
    std::vector<detail::PlanHit> hits;
    detail::intersect(planSeg(*this), planSeg(other), detail::Reach::Segment, tol.equalPoint(), hits);
    if (hits.size() != 1)
        return false;  // apart, or overlapping along a stretch
    result = hits[0].point;
    return true;
}

// ---------------------------------------------------------------------------------------------
ZcGeCircArc2d::ZcGeCircArc2d(const ZcGePoint2d& center, double radius) : m_center(center)
{
    m_radius = std::fabs(radius);
    if (!(m_radius > 0.0) || !std::isfinite(m_radius))
        setDegenerate(center);
}

ZcGeCircArc2d::ZcGeCircArc2d(const ZcGePoint2d& center, double radius, double startAngle, double endAngle,
                             bool isClockWise)
    : m_center(center), m_clockwise(isClockWise)
{
    m_radius = std::fabs(radius);
    if (!(m_radius > 0.0) || !std::isfinite(m_radius)) {
        setDegenerate(center);
        return;
    }
    m_startAng = normalizeAngle(startAngle);
    const double end = normalizeAngle(endAngle);
    m_sweep = normalizeAngle(isClockWise ? m_startAng - end : end - m_startAng);
    if (m_sweep == 0.0)
        m_sweep = kTwoPi;
}

ZcGeCircArc2d::ZcGeCircArc2d(const ZcGePoint2d& start, const ZcGePoint2d& mid, const ZcGePoint2d& end)
{
    // Circumcentre, computed relative to the start point.
    const ZcGeVector2d b = mid - start;
    const ZcGeVector2d c = end - start;
    const double cross = b.crossProduct(c);
    if (!(std::fabs(cross) > 1e-12 * b.length() * c.length())) {
        setDegenerate(start);
        return;
    }
    const double d = 2.0 * cross;
    const double b2 = b.lengthSqrd(), c2 = c.lengthSqrd();
    const ZcGeVector2d centerOffset{(c.y * b2 - b.y * c2) / d, (b.x * c2 - c.x * b2) / d};
    m_center = start + centerOffset;
    m_radius = centerOffset.length();
    m_clockwise = cross < 0.0;  // start -> mid -> end turns right
    m_startAng = (start - m_center).angle();
    const double endAng = (end - m_center).angle();
    m_sweep = normalizeAngle(m_clockwise ? m_startAng - endAng : endAng - m_startAng);
    if (m_sweep == 0.0)
        m_sweep = kTwoPi;
}

ZcGeCircArc2d::ZcGeCircArc2d(const ZcGePoint2d& start, const ZcGePoint2d& end, double bulge)
{
    const detail::PlanSeg s = detail::PlanSeg::fromBulge(start, end, bulge);
    if (!s.isArc) {
        setDegenerate(start);
        return;
    }
    m_center = s.center;
    m_radius = s.radius;
    m_startAng = normalizeAngle(s.startAngle);
    m_sweep = std::fabs(s.sweep);
    m_clockwise = s.sweep < 0.0;
}

void ZcGeCircArc2d::setDegenerate(const ZcGePoint2d& at)
{
    m_center = at;
    m_radius = 0.0;
    m_startAng = 0.0;
    m_sweep = 0.0;
    m_clockwise = false;
}

double ZcGeCircArc2d::endAng() const
{
    return normalizeAngle(m_clockwise ? m_startAng - m_sweep : m_startAng + m_sweep);
}

double ZcGeCircArc2d::bulge() const
{
    if (isDegenerate(ZcGeTol(0.0, 0.0)) || isClosed())
        return 0.0;
    const double b = std::tan(m_sweep / 4.0);
    return m_clockwise ? -b : b;
}

ZcGePoint2d ZcGeCircArc2d::evalPoint(double param) const
{
    const double t = std::isfinite(param) ? std::clamp(param, 0.0, m_sweep) : 0.0;
    const double a = m_clockwise ? m_startAng - t : m_startAng + t;
    return {m_center.x + m_radius * std::cos(a), m_center.y + m_radius * std::sin(a)};
}

double ZcGeCircArc2d::paramOf(const ZcGePoint2d& p) const
{
    return detail::closestPoint(planSeg(*this), p).f * m_sweep;
}

ZcGePoint2d ZcGeCircArc2d::closestPointTo(const ZcGePoint2d& p) const
{
    if (isDegenerate(ZcGeTol(0.0, 0.0)))
        return m_center;
    return detail::closestPoint(planSeg(*this), p).point;
}

bool ZcGeCircArc2d::intersectWith(const ZcGeLineSeg2d& line, int& count, ZcGePoint2d& p1, ZcGePoint2d& p2,
                                  const ZcGeTol& tol) const
{
    count = 0;
    if (isDegenerate(ZcGeTol(0.0, 0.0)))
        return false;
    std::vector<detail::PlanHit> hits;
    detail::intersect(planSeg(*this), planSeg(line), detail::Reach::Segment, tol.equalPoint(), hits);
    return reportHits(hits, count, p1, p2);
}

bool ZcGeCircArc2d::intersectWith(const ZcGeCircArc2d& arc, int& count, ZcGePoint2d& p1, ZcGePoint2d& p2,
                                  const ZcGeTol& tol) const
{
    count = 0;
    if (isDegenerate(ZcGeTol(0.0, 0.0)) || arc.isDegenerate(ZcGeTol(0.0, 0.0)))
        return false;
    std::vector<detail::PlanHit> hits;
    detail::intersect(planSeg(*this), planSeg(arc), detail::Reach::Segment, tol.equalPoint(), hits);
    return reportHits(hits, count, p1, p2);
}

// ---------------------------------------------------------------------------------------------
ZcGePlane::ZcGePlane(const ZcGePoint3d& origin, const ZcGeVector3d& normal)
    : m_origin(origin), m_normal(normal.normal())
{
}

double ZcGePlane::signedDistanceTo(const ZcGePoint3d& p) const
{
    if (!isValid())
        return p.distanceTo(m_origin);
    return (p - m_origin).dotProduct(m_normal);
}

double ZcGePlane::distanceTo(const ZcGePoint3d& p) const { return std::fabs(signedDistanceTo(p)); }

ZcGePoint3d ZcGePlane::closestPointTo(const ZcGePoint3d& p) const
{
    if (!isValid())
        return m_origin;
    return p - m_normal * signedDistanceTo(p);
}

bool ZcGePlane::intersectWith(const ZcGePoint3d& linePoint, const ZcGeVector3d& lineDir, ZcGePoint3d& result,
                              const ZcGeTol& tol) const
{
    if (!isValid())
        return false;
    const ZcGeVector3d dir = lineDir.normal(tol);
    const double cosine = dir.dotProduct(m_normal);
    if (dir.lengthSqrd() == 0.0 || std::fabs(cosine) <= tol.equalVector())
        return false;
    const double t = (m_origin - linePoint).dotProduct(m_normal) / cosine;
    result = linePoint + dir * t;
    return true;
}

ZcGePoint3d ZcGePoint3d::orthoProject(const ZcGePlane& plane) const { return plane.closestPointTo(*this); }
