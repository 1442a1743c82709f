#include "host/geom/point.hpp"

#include <algorithm>

using geltaro::geom::normalizeAngle;

namespace {

// Angle in [0, pi] from |cross| and dot of two non-zero vectors; atan2 stays accurate near 0 and pi,
// where acos of the normalised dot product loses half its digits.
double angleBetween(double crossLen, double dot) { return std::atan2(crossLen, dot); }

}  // namespace

// ---------------------------------------------------------------------------------------------
ZcGeVector2d ZcGeVector2d::normal(const ZcGeTol& tol) const
{
    const double len = length();
    if (!(len > tol.equalVector()) || !std::isfinite(len))
        return {};
    return {x / len, y / len};
}

double ZcGeVector2d::angle() const
{
    if (x == 0.0 && y == 0.0)
        return 0.0;
    return normalizeAngle(std::atan2(y, x));
}

double ZcGeVector2d::angleTo(const ZcGeVector2d& v) const
{
    if ((x == 0.0 && y == 0.0) || (v.x == 0.0 && v.y == 0.0))
        return 0.0;
    return angleBetween(std::fabs(crossProduct(v)), dotProduct(v));
}

ZcGeVector2d& ZcGeVector2d::rotateBy(double angle)
{
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double nx = c * x - s * y;
    const double ny = s * x + c * y;
    x = nx;
    y = ny;
    return *this;
}

bool ZcGeVector2d::isParallelTo(const ZcGeVector2d& v, const ZcGeTol& tol) const
{
    const ZcGeVector2d a = normal(tol);
    const ZcGeVector2d b = v.normal(tol);
    if (a.lengthSqrd() == 0.0 || b.lengthSqrd() == 0.0)
        return false;
    return std::fabs(a.crossProduct(b)) <= tol.equalVector();
}

bool ZcGeVector2d::isCodirectionalTo(const ZcGeVector2d& v, const ZcGeTol& tol) const
{
    return isParallelTo(v, tol) && dotProduct(v) > 0.0;
}

bool ZcGeVector2d::isPerpendicularTo(const ZcGeVector2d& v, const ZcGeTol& tol) const
{
    const ZcGeVector2d a = normal(tol);
    const ZcGeVector2d b = v.normal(tol);
    if (a.lengthSqrd() == 0.0 || b.lengthSqrd() == 0.0)
        return false;
    return std::fabs(a.dotProduct(b)) <= tol.equalVector();
}

// ---------------------------------------------------------------------------------------------
ZcGePoint2d& ZcGePoint2d::rotateBy(double angle, const ZcGePoint2d& center)
{
    ZcGeVector2d v = *this - center;
    v.rotateBy(angle);
    return *this = center + v;
}

ZcGePoint2d& ZcGePoint2d::scaleBy(double factor, const ZcGePoint2d& center)
{
    return *this = center + (*this - center) * factor;
}

// ---------------------------------------------------------------------------------------------
double ZcGeVector3d::length() const { return std::hypot(x, y, z); }

ZcGeVector3d ZcGeVector3d::normal(const ZcGeTol& tol) const
{
    const double len = length();
    if (!(len > tol.equalVector()) || !std::isfinite(len))
        return {};
    return {x / len, y / len, z / len};
}

double ZcGeVector3d::angleTo(const ZcGeVector3d& v) const
{
    if (lengthSqrd() == 0.0 || v.lengthSqrd() == 0.0)
        return 0.0;
    return angleBetween(crossProduct(v).length(), dotProduct(v));
}

double ZcGeVector3d::angleTo(const ZcGeVector3d& v, const ZcGeVector3d& reference) const
{
    const double a = angleTo(v);
    if (crossProduct(v).dotProduct(reference) < 0.0)
        return normalizeAngle(geltaro::geom::kTwoPi - a);
    return a;
}

ZcGeVector3d& ZcGeVector3d::rotateBy(double angle, const ZcGeVector3d& axis)
{
    const ZcGeVector3d k = axis.normal();
    if (k.lengthSqrd() == 0.0)
        return *this;
    // Rodrigues' rotation formula.
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const ZcGeVector3d v = *this;
    *this = v * c + k.crossProduct(v) * s + k * (k.dotProduct(v) * (1.0 - c));
    return *this;
}

ZcGeVector3d ZcGeVector3d::perpVector() const
{
    if (lengthSqrd() == 0.0)
        return {};
    // Cross with the world axis least aligned with this vector: always well conditioned.
    const double ax = std::fabs(x), ay = std::fabs(y), az = std::fabs(z);
    ZcGeVector3d other = kXAxis;
    if (ay <= ax && ay <= az)
        other = kYAxis;
    else if (az <= ax && az <= ay)
        other = kZAxis;
    return crossProduct(other).normal(ZcGeTol(0.0, 0.0));
}

bool ZcGeVector3d::isParallelTo(const ZcGeVector3d& v, const ZcGeTol& tol) const
{
    const ZcGeVector3d a = normal(tol);
    const ZcGeVector3d b = v.normal(tol);
    if (a.lengthSqrd() == 0.0 || b.lengthSqrd() == 0.0)
        return false;
    return a.crossProduct(b).length() <= tol.equalVector();
}

bool ZcGeVector3d::isCodirectionalTo(const ZcGeVector3d& v, const ZcGeTol& tol) const
{
    return isParallelTo(v, tol) && dotProduct(v) > 0.0;
}

bool ZcGeVector3d::isPerpendicularTo(const ZcGeVector3d& v, const ZcGeTol& tol) const
{
    const ZcGeVector3d a = normal(tol);
    const ZcGeVector3d b = v.normal(tol);
    if (a.lengthSqrd() == 0.0 || b.lengthSqrd() == 0.0)
        return false;
    return std::fabs(a.dotProduct(b)) <= tol.equalVector();
}
