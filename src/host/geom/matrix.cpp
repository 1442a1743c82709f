#include "host/geom/matrix.hpp"

#include <algorithm>

// ---------------------------------------------------------------------------------------------
// ZcGeMatrix2d

ZcGeMatrix2d ZcGeMatrix2d::translation(const ZcGeVector2d& v)
{
    ZcGeMatrix2d m;
    m.entry[0][2] = v.x;
    m.entry[1][2] = v.y;
    return m;
}

ZcGeMatrix2d ZcGeMatrix2d::rotation(double angle, const ZcGePoint2d& center)
{
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    ZcGeMatrix2d m;
    m.entry[0][0] = c;
    m.entry[0][1] = -s;
    m.entry[1][0] = s;
    m.entry[1][1] = c;
    // p' = R (p - c) + c
    m.entry[0][2] = center.x - (c * center.x - s * center.y);
    m.entry[1][2] = center.y - (s * center.x + c * center.y);
    return m;
}

ZcGeMatrix2d ZcGeMatrix2d::scaling(double factor, const ZcGePoint2d& center)
{
    ZcGeMatrix2d m;
    m.entry[0][0] = factor;
    m.entry[1][1] = factor;
    m.entry[0][2] = center.x * (1.0 - factor);
    m.entry[1][2] = center.y * (1.0 - factor);
    return m;
}

ZcGeMatrix2d& ZcGeMatrix2d::setToIdentity() { return *this = ZcGeMatrix2d(); }

bool ZcGeMatrix2d::isIdentity(const ZcGeTol& tol) const { return isEqualTo(kIdentity, tol); }

ZcGeMatrix2d ZcGeMatrix2d::operator*(const ZcGeMatrix2d& m) const
{
    ZcGeMatrix2d r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double s = 0.0;
            for (int k = 0; k < 3; ++k)
                s += entry[i][k] * m.entry[k][j];
            r.entry[i][j] = s;
        }
    return r;
}

ZcGeMatrix2d& ZcGeMatrix2d::preMultBy(const ZcGeMatrix2d& left) { return *this = left * *this; }
ZcGeMatrix2d& ZcGeMatrix2d::postMultBy(const ZcGeMatrix2d& right) { return *this = *this * right; }

double ZcGeMatrix2d::det() const { return entry[0][0] * entry[1][1] - entry[0][1] * entry[1][0]; }

bool ZcGeMatrix2d::isSingular(const ZcGeTol& tol) const
{
    const double c0 = std::hypot(entry[0][0], entry[1][0]);
    const double c1 = std::hypot(entry[0][1], entry[1][1]);
    const double d = det();
    return !std::isfinite(d) || std::fabs(d) <= tol.equalVector() * c0 * c1;
}

bool ZcGeMatrix2d::inverse(ZcGeMatrix2d& result, const ZcGeTol& tol) const
{
    if (isSingular(tol))
        return false;
    const double d = det();
    const double a = entry[0][0], b = entry[0][1], c = entry[1][0], e = entry[1][1];
    const double tx = entry[0][2], ty = entry[1][2];
    ZcGeMatrix2d r;
    r.entry[0][0] = e / d;
    r.entry[0][1] = -b / d;
    r.entry[1][0] = -c / d;
    r.entry[1][1] = a / d;
    // The inverse translation is -A^-1 t.
    r.entry[0][2] = -(r.entry[0][0] * tx + r.entry[0][1] * ty);
    r.entry[1][2] = -(r.entry[1][0] * tx + r.entry[1][1] * ty);
    result = r;
    return true;
}

ZcGeMatrix2d ZcGeMatrix2d::inverse() const
{
    ZcGeMatrix2d r;
    if (!inverse(r))
        return ZcGeMatrix2d();
    return r;
}

ZcGeMatrix2d ZcGeMatrix2d::transpose() const
{
    ZcGeMatrix2d r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r.entry[i][j] = entry[j][i];
    return r;
}

double ZcGeMatrix2d::scale() const
{
    return std::max(std::hypot(entry[0][0], entry[1][0]), std::hypot(entry[0][1], entry[1][1]));
}

bool ZcGeMatrix2d::isEqualTo(const ZcGeMatrix2d& m, const ZcGeTol& tol) const
{
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            if (!(std::fabs(entry[i][j] - m.entry[i][j]) <= tol.equalVector()))
                return false;
    return true;
}

ZcGePoint2d operator*(const ZcGeMatrix2d& m, const ZcGePoint2d& p)
{
    return {m.entry[0][0] * p.x + m.entry[0][1] * p.y + m.entry[0][2],
            m.entry[1][0] * p.x + m.entry[1][1] * p.y + m.entry[1][2]};
}

ZcGeVector2d operator*(const ZcGeMatrix2d& m, const ZcGeVector2d& v)
{
    return {m.entry[0][0] * v.x + m.entry[0][1] * v.y, m.entry[1][0] * v.x + m.entry[1][1] * v.y};
}

ZcGePoint2d& ZcGePoint2d::transformBy(const ZcGeMatrix2d& m) { return *this = m * *this; }
ZcGeVector2d& ZcGeVector2d::transformBy(const ZcGeMatrix2d& m) { return *this = m * *this; }

// ---------------------------------------------------------------------------------------------
// ZcGeMatrix3d

ZcGeMatrix3d ZcGeMatrix3d::translation(const ZcGeVector3d& v)
{
    ZcGeMatrix3d m;
    m.entry[0][3] = v.x;
    m.entry[1][3] = v.y;
    m.entry[2][3] = v.z;
    return m;
}

ZcGeMatrix3d ZcGeMatrix3d::rotation(double angle, const ZcGeVector3d& axis, const ZcGePoint3d& center)
{
    const ZcGeVector3d k = axis.normal();
    if (k.lengthSqrd() == 0.0)
        return ZcGeMatrix3d();
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double t = 1.0 - c;
    ZcGeMatrix3d m;
    // Rodrigues' formula as a matrix: R = c I + s [k]x + t k k^T.
    m.entry[0][0] = c + t * k.x * k.x;
    m.entry[0][1] = t * k.x * k.y - s * k.z;
    m.entry[0][2] = t * k.x * k.z + s * k.y;
    m.entry[1][0] = t * k.y * k.x + s * k.z;
    m.entry[1][1] = c + t * k.y * k.y;
    m.entry[1][2] = t * k.y * k.z - s * k.x;
    m.entry[2][0] = t * k.z * k.x - s * k.y;
    m.entry[2][1] = t * k.z * k.y + s * k.x;
    m.entry[2][2] = c + t * k.z * k.z;
    // p' = R (p - c) + c
    const double cx = center.x, cy = center.y, cz = center.z;
    for (int i = 0; i < 3; ++i)
        m.entry[i][3] = (i == 0 ? cx : i == 1 ? cy : cz) -
                        (m.entry[i][0] * cx + m.entry[i][1] * cy + m.entry[i][2] * cz);
    return m;
}

ZcGeMatrix3d ZcGeMatrix3d::scaling(double factor, const ZcGePoint3d& center)
{
    ZcGeMatrix3d m;
    m.entry[0][0] = factor;
    m.entry[1][1] = factor;
    m.entry[2][2] = factor;
    m.entry[0][3] = center.x * (1.0 - factor);
    m.entry[1][3] = center.y * (1.0 - factor);
    m.entry[2][3] = center.z * (1.0 - factor);
    return m;
}

ZcGeMatrix3d ZcGeMatrix3d::coordSystem(const ZcGePoint3d& origin, const ZcGeVector3d& xAxis,
                                       const ZcGeVector3d& yAxis, const ZcGeVector3d& zAxis)
{
    ZcGeMatrix3d m;
    const ZcGeVector3d cols[3] = {xAxis, yAxis, zAxis};
    for (int j = 0; j < 3; ++j) {
        m.entry[0][j] = cols[j].x;
        m.entry[1][j] = cols[j].y;
        m.entry[2][j] = cols[j].z;
    }
    m.entry[0][3] = origin.x;
    m.entry[1][3] = origin.y;
    m.entry[2][3] = origin.z;
    return m;
}

ZcGeMatrix3d ZcGeMatrix3d::planeToWorld(const ZcGeVector3d& normal)
{
    ZcGeVector3d n = normal.normal();
    if (n.lengthSqrd() == 0.0)
        n = ZcGeVector3d::kZAxis;
    // Arbitrary axis rule: when the normal is close to the world Z axis the object X axis is
    // Wy x N, otherwise Wz x N. The threshold 1/64 is part of the file-exchange convention.
    constexpr double kLimit = 1.0 / 64.0;
    ZcGeVector3d ax = (std::fabs(n.x) < kLimit && std::fabs(n.y) < kLimit)
                          ? ZcGeVector3d::kYAxis.crossProduct(n)
                          : ZcGeVector3d::kZAxis.crossProduct(n);
    ax = ax.normal();
    const ZcGeVector3d ay = n.crossProduct(ax).normal();
    return coordSystem(ZcGePoint3d::kOrigin, ax, ay, n);
}

ZcGeMatrix3d ZcGeMatrix3d::worldToPlane(const ZcGeVector3d& normal)
{
    // planeToWorld is a rotation, so its inverse is its transpose.
    return planeToWorld(normal).transpose();
}

ZcGeMatrix3d& ZcGeMatrix3d::setToIdentity() { return *this = ZcGeMatrix3d(); }

bool ZcGeMatrix3d::isIdentity(const ZcGeTol& tol) const { return isEqualTo(kIdentity, tol); }

ZcGeMatrix3d ZcGeMatrix3d::operator*(const ZcGeMatrix3d& m) const
{
    ZcGeMatrix3d r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double s = 0.0;
            for (int k = 0; k < 4; ++k)
                s += entry[i][k] * m.entry[k][j];
            r.entry[i][j] = s;
        }
    return r;
}

ZcGeMatrix3d& ZcGeMatrix3d::preMultBy(const ZcGeMatrix3d& left) { return *this = left * *this; }
ZcGeMatrix3d& ZcGeMatrix3d::postMultBy(const ZcGeMatrix3d& right) { return *this = *this * right; }

double ZcGeMatrix3d::det() const
{
    const auto& e = entry;
    return e[0][0] * (e[1][1] * e[2][2] - e[1][2] * e[2][1]) -
           e[0][1] * (e[1][0] * e[2][2] - e[1][2] * e[2][0]) +
           e[0][2] * (e[1][0] * e[2][1] - e[1][1] * e[2][0]);
}

bool ZcGeMatrix3d::isSingular(const ZcGeTol& tol) const
{
    double bound = 1.0;
    for (int j = 0; j < 3; ++j)
        bound *= std::hypot(entry[0][j], entry[1][j], entry[2][j]);
    const double d = det();
    return !std::isfinite(d) || std::fabs(d) <= tol.equalVector() * bound;
}

bool ZcGeMatrix3d::inverse(ZcGeMatrix3d& result, const ZcGeTol& tol) const
{
    if (isSingular(tol))
        return false;
    const auto& e = entry;
    const double d = det();
    ZcGeMatrix3d r;
    // Adjugate of the linear part divided by the determinant.
    r.entry[0][0] = (e[1][1] * e[2][2] - e[1][2] * e[2][1]) / d;
    r.entry[0][1] = (e[0][2] * e[2][1] - e[0][1] * e[2][2]) / d;
    r.entry[0][2] = (e[0][1] * e[1][2] - e[0][2] * e[1][1]) / d;
    r.entry[1][0] = (e[1][2] * e[2][0] - e[1][0] * e[2][2]) / d;
    r.entry[1][1] = (e[0][0] * e[2][2] - e[0][2] * e[2][0]) / d;
    r.entry[1][2] = (e[0][2] * e[1][0] - e[0][0] * e[1][2]) / d;
    r.entry[2][0] = (e[1][0] * e[2][1] - e[1][1] * e[2][0]) / d;
    r.entry[2][1] = (e[0][1] * e[2][0] - e[0][0] * e[2][1]) / d;
    r.entry[2][2] = (e[0][0] * e[1][1] - e[0][1] * e[1][0]) / d;
    // The inverse translation is -A^-1 t.
    for (int i = 0; i < 3; ++i)
        r.entry[i][3] = -(r.entry[i][0] * e[0][3] + r.entry[i][1] * e[1][3] + r.entry[i][2] * e[2][3]);
    result = r;
    return true;
}

ZcGeMatrix3d ZcGeMatrix3d::inverse() const
{
    ZcGeMatrix3d r;
    if (!inverse(r))
        return ZcGeMatrix3d();
    return r;
}

ZcGeMatrix3d ZcGeMatrix3d::transpose() const
{
    ZcGeMatrix3d r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.entry[i][j] = entry[j][i];
    return r;
}

double ZcGeMatrix3d::scale() const
{
    double s = 0.0;
    for (int j = 0; j < 3; ++j)
        s = std::max(s, std::hypot(entry[0][j], entry[1][j], entry[2][j]));
    return s;
}

bool ZcGeMatrix3d::isEqualTo(const ZcGeMatrix3d& m, const ZcGeTol& tol) const
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if (!(std::fabs(entry[i][j] - m.entry[i][j]) <= tol.equalVector()))
                return false;
    return true;
}

ZcGePoint3d operator*(const ZcGeMatrix3d& m, const ZcGePoint3d& p)
{
    const auto& e = m.entry;
    return {e[0][0] * p.x + e[0][1] * p.y + e[0][2] * p.z + e[0][3],
            e[1][0] * p.x + e[1][1] * p.y + e[1][2] * p.z + e[1][3],
            e[2][0] * p.x + e[2][1] * p.y + e[2][2] * p.z + e[2][3]};
}

ZcGeVector3d operator*(const ZcGeMatrix3d& m, const ZcGeVector3d& v)
{
    const auto& e = m.entry;
    return {e[0][0] * v.x + e[0][1] * v.y + e[0][2] * v.z,
            e[1][0] * v.x + e[1][1] * v.y + e[1][2] * v.z,
            e[2][0] * v.x + e[2][1] * v.y + e[2][2] * v.z};
}

ZcGePoint3d& ZcGePoint3d::transformBy(const ZcGeMatrix3d& m) { return *this = m * *this; }
ZcGeVector3d& ZcGeVector3d::transformBy(const ZcGeMatrix3d& m) { return *this = m * *this; }
