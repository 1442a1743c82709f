#include "host/geom/extents.hpp"

#include <algorithm>

using geltaro::geom::kHalfPi;
using geltaro::geom::kPi;
using geltaro::geom::kTwoPi;
using geltaro::geom::normalizeAngle;

namespace {

bool isFinite(const ZcGePoint3d& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

// Box of the counter-clockwise arc starting at polar angle `start` and sweeping `sweep` (0..2*pi).
ZcDbExtents ccwArcExtents(const ZcGePoint3d& c, double radius, double start, double sweep)
{
    ZcDbExtents box;
    const double r = std::fabs(radius);
    start = normalizeAngle(start);
    box.addPoint({c.x + r * std::cos(start), c.y + r * std::sin(start), c.z});
    box.addPoint({c.x + r * std::cos(start + sweep), c.y + r * std::sin(start + sweep), c.z});
    // Quadrant points written exactly rather than through cos/sin of multiples of pi/2.
    const ZcGePoint3d quadrants[4] = {
        {c.x + r, c.y, c.z}, {c.x, c.y + r, c.z}, {c.x - r, c.y, c.z}, {c.x, c.y - r, c.z}};
    for (int k = 0; k < 4; ++k)
        if (normalizeAngle(k * kHalfPi - start) <= sweep)
            box.addPoint(quadrants[k]);
    return box;
}

}  // namespace

ZcGePoint3d ZcDbExtents::center() const
{
    if (!m_valid)
        return ZcGePoint3d::kOrigin;
    return {0.5 * (m_min.x + m_max.x), 0.5 * (m_min.y + m_max.y), 0.5 * (m_min.z + m_max.z)};
}

ZcDbExtents& ZcDbExtents::set(const ZcGePoint3d& a, const ZcGePoint3d& b)
{
    reset();
    addPoint(a);
    return addPoint(b);
}

ZcDbExtents& ZcDbExtents::reset()
{
    *this = ZcDbExtents();
    return *this;
}

ZcDbExtents& ZcDbExtents::addPoint(const ZcGePoint3d& p)
{
    if (!isFinite(p))
        return *this;
    if (!m_valid) {
        m_min = m_max = p;
        m_valid = true;
        return *this;
    }
    m_min = {std::min(m_min.x, p.x), std::min(m_min.y, p.y), std::min(m_min.z, p.z)};
    m_max = {std::max(m_max.x, p.x), std::max(m_max.y, p.y), std::max(m_max.z, p.z)};
    return *this;
}

ZcDbExtents& ZcDbExtents::addExt(const ZcDbExtents& other)
{
    if (other.m_valid) {
        const ZcGePoint3d lo = other.m_min, hi = other.m_max;  // `other` may be this box
        addPoint(lo);
        addPoint(hi);
    }
    return *this;
}

ZcDbExtents& ZcDbExtents::expandBy(const ZcGeVector3d& v)
{
    if (m_valid) {
        // Both moved corners come from the box as it was: adding the first one changes m_max.
        const ZcGePoint3d lo = m_min + v;
        const ZcGePoint3d hi = m_max + v;
        addPoint(lo);
        addPoint(hi);
    }
    return *this;
}

ZcDbExtents& ZcDbExtents::inflate(double margin)
{
    if (!m_valid || !std::isfinite(margin))
        return *this;
    double* lo[3] = {&m_min.x, &m_min.y, &m_min.z};
    double* hi[3] = {&m_max.x, &m_max.y, &m_max.z};
    for (int i = 0; i < 3; ++i) {
        const double a = *lo[i] - margin;
        const double b = *hi[i] + margin;
        if (a <= b) {
            *lo[i] = a;
            *hi[i] = b;
        } else {
            *lo[i] = *hi[i] = 0.5 * (*lo[i] + *hi[i]);
        }
    }
    return *this;
}

ZcDbExtents& ZcDbExtents::transformBy(const ZcGeMatrix3d& m)
{
    if (!m_valid)
        return *this;
    ZcDbExtents box;
    for (int i = 0; i < 8; ++i) {
        const ZcGePoint3d corner{(i & 1) ? m_max.x : m_min.x, (i & 2) ? m_max.y : m_min.y,
                                 (i & 4) ? m_max.z : m_min.z};
        box.addPoint(m * corner);
    }
    return *this = box;
}

bool ZcDbExtents::contains(const ZcGePoint3d& p, const ZcGeTol& tol) const
{
    const double t = tol.equalPoint();
    return m_valid && p.x >= m_min.x - t && p.x <= m_max.x + t && p.y >= m_min.y - t && p.y <= m_max.y + t &&
           p.z >= m_min.z - t && p.z <= m_max.z + t;
}

bool ZcDbExtents::intersects(const ZcDbExtents& o, const ZcGeTol& tol) const
{
    const double t = tol.equalPoint();
    return m_valid && o.m_valid && m_min.x <= o.m_max.x + t && o.m_min.x <= m_max.x + t &&
           m_min.y <= o.m_max.y + t && o.m_min.y <= m_max.y + t && m_min.z <= o.m_max.z + t &&
           o.m_min.z <= m_max.z + t;
}

bool ZcDbExtents::isEqualTo(const ZcDbExtents& other, const ZcGeTol& tol) const
{
    if (m_valid != other.m_valid)
        return false;
    return !m_valid || (m_min.isEqualTo(other.m_min, tol) && m_max.isEqualTo(other.m_max, tol));
}

// ---------------------------------------------------------------------------------------------
ZcDbExtents arcExtents(const ZcGePoint3d& center, double radius, double startAngle, double endAngle)
{
    double sweep = normalizeAngle(endAngle - startAngle);
    if (sweep == 0.0)
        sweep = kTwoPi;
    return ccwArcExtents(center, radius, startAngle, sweep);
}

ZcDbExtents arcExtents(const ZcGeCircArc2d& arc, double z)
{
    const ZcGePoint3d c(arc.center(), z);
    if (arc.isDegenerate(ZcGeTol(0.0, 0.0)))
        return ZcDbExtents(c, c);
    // A clockwise arc covers the same points as the counter-clockwise one from its end to its start.
    const double ccwStart = arc.isClockWise() ? arc.startAng() - arc.sweepAngle() : arc.startAng();
    return ccwArcExtents(c, arc.radius(), ccwStart, arc.sweepAngle());
}

ZcDbExtents circleExtents(const ZcGePoint3d& center, double radius)
{
    const double r = std::fabs(radius);
    return ZcDbExtents({center.x - r, center.y - r, center.z}, {center.x + r, center.y + r, center.z});
}

ZcDbExtents rectangleExtents(const ZcGePoint3d& origin, double width, double height, double rotation,
                             double oblique)
{
    constexpr double kMaxOblique = 85.0 * kPi / 180.0;
    const double slant = std::isfinite(oblique) ? std::tan(std::clamp(oblique, -kMaxOblique, kMaxOblique)) : 0.0;
    const ZcGeVector3d u{std::cos(rotation), std::sin(rotation), 0.0};
    const ZcGeVector3d v{-u.y, u.x, 0.0};
    const ZcGeVector3d along = u * width;
    const ZcGeVector3d up = v * height + u * (height * slant);
    ZcDbExtents box;
    box.addPoint(origin);
    box.addPoint(origin + along);
    box.addPoint(origin + along + up);
    box.addPoint(origin + up);
    return box;
}
