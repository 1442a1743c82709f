#pragma once
// Plan and space points and vectors, the comparison tolerance they share, and a few angle helpers.
//
// Conventions used across the geometry module:
//  - lengths in metres, angles in radians;
//  - a plan angle is measured counter-clockwise from +X and reported in [0, 2*pi);
//  - no function returns NaN or an infinity for finite inputs: directions of zero vectors are the
//    zero vector, angles of zero vectors are 0.

#include <cmath>

class ZcGeMatrix2d;
class ZcGeMatrix3d;
class ZcGePlane;

namespace geltaro::geom {

inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kTwoPi = 2.0 * kPi;
inline constexpr double kHalfPi = 0.5 * kPi;

// Angle brought into [0, 2*pi). A non-finite angle gives 0.
inline double normalizeAngle(double a)
{
    if (!std::isfinite(a))
        return 0.0;
    double r = std::fmod(a, kTwoPi);
    if (r < 0.0)
        r += kTwoPi;
    if (r >= kTwoPi)  // a tiny negative remainder plus 2*pi can round up to 2*pi
        r = 0.0;
    return r;
}

// Angle brought into (-pi, pi]. A non-finite angle gives 0.
inline double normalizeAngleSigned(double a)
{
    double r = normalizeAngle(a);
    return r > kPi ? r - kTwoPi : r;
}

}  // namespace geltaro::geom

// Comparison tolerances. equalPoint: two points closer than this are the same point (metres).
// equalVector: two vectors whose difference is shorter than this are equal, and a vector shorter
// than this has no direction.
class ZcGeTol {
public:
    constexpr ZcGeTol() = default;
    constexpr ZcGeTol(double equalPoint, double equalVector)
        : m_equalPoint(equalPoint < 0 ? -equalPoint : equalPoint),
          m_equalVector(equalVector < 0 ? -equalVector : equalVector) {}

    constexpr double equalPoint() const { return m_equalPoint; }
    constexpr double equalVector() const { return m_equalVector; }
    void setEqualPoint(double t) { m_equalPoint = std::fabs(t); }
    void setEqualVector(double t) { m_equalVector = std::fabs(t); }

private:
    double m_equalPoint = 1e-10;
    double m_equalVector = 1e-10;
};

// ---------------------------------------------------------------------------------------------
class ZcGeVector2d {
public:
    double x = 0.0;
    double y = 0.0;

    constexpr ZcGeVector2d() = default;
    constexpr ZcGeVector2d(double x_, double y_) : x(x_), y(y_) {}

    static const ZcGeVector2d kIdentity;  // zero vector
    static const ZcGeVector2d kXAxis;
    static const ZcGeVector2d kYAxis;

    double length() const { return std::hypot(x, y); }
    constexpr double lengthSqrd() const { return x * x + y * y; }
    bool isZeroLength(const ZcGeTol& tol = ZcGeTol()) const { return length() <= tol.equalVector(); }
    bool isUnitLength(const ZcGeTol& tol = ZcGeTol()) const
    {
        return std::fabs(length() - 1.0) <= tol.equalVector();
    }

    // Unit vector in the same direction; the zero vector (or one shorter than equalVector) gives zero.
    ZcGeVector2d normal(const ZcGeTol& tol = ZcGeTol()) const;
    ZcGeVector2d& normalize(const ZcGeTol& tol = ZcGeTol()) { return *this = normal(tol); }

    constexpr double dotProduct(const ZcGeVector2d& v) const { return x * v.x + y * v.y; }
    // z component of the 3d cross product: > 0 when v lies counter-clockwise from this.
    constexpr double crossProduct(const ZcGeVector2d& v) const { return x * v.y - y * v.x; }

    // Direction from +X, counter-clockwise, in [0, 2*pi). The zero vector gives 0.
    double angle() const;
    // Unsigned angle between the two directions, in [0, pi]. 0 if either vector is zero.
    double angleTo(const ZcGeVector2d& v) const;
    // Rotates counter-clockwise by the angle.
    ZcGeVector2d& rotateBy(double angle);
    // The vector turned a quarter turn counter-clockwise (same length).
    constexpr ZcGeVector2d perpVector() const { return {-y, x}; }
    // Applies the linear part of the matrix (translation does not move a vector).
    ZcGeVector2d& transformBy(const ZcGeMatrix2d& m);

    bool isParallelTo(const ZcGeVector2d& v, const ZcGeTol& tol = ZcGeTol()) const;
    bool isCodirectionalTo(const ZcGeVector2d& v, const ZcGeTol& tol = ZcGeTol()) const;
    bool isPerpendicularTo(const ZcGeVector2d& v, const ZcGeTol& tol = ZcGeTol()) const;
    bool isEqualTo(const ZcGeVector2d& v, const ZcGeTol& tol = ZcGeTol()) const
    {
        return std::hypot(x - v.x, y - v.y) <= tol.equalVector();
    }

    constexpr ZcGeVector2d operator+(const ZcGeVector2d& v) const { return {x + v.x, y + v.y}; }
    constexpr ZcGeVector2d operator-(const ZcGeVector2d& v) const { return {x - v.x, y - v.y}; }
    constexpr ZcGeVector2d operator-() const { return {-x, -y}; }
    constexpr ZcGeVector2d operator*(double s) const { return {x * s, y * s}; }
    ZcGeVector2d& operator+=(const ZcGeVector2d& v) { x += v.x; y += v.y; return *this; }
    ZcGeVector2d& operator-=(const ZcGeVector2d& v) { x -= v.x; y -= v.y; return *this; }
    ZcGeVector2d& operator*=(double s) { x *= s; y *= s; return *this; }
    bool operator==(const ZcGeVector2d& v) const { return isEqualTo(v); }
    bool operator!=(const ZcGeVector2d& v) const { return !isEqualTo(v); }
};

constexpr ZcGeVector2d operator*(double s, const ZcGeVector2d& v) { return v * s; }

// ---------------------------------------------------------------------------------------------
class ZcGePoint2d {
public:
    double x = 0.0;
    double y = 0.0;

    constexpr ZcGePoint2d() = default;
    constexpr ZcGePoint2d(double x_, double y_) : x(x_), y(y_) {}

    static const ZcGePoint2d kOrigin;

    double distanceTo(const ZcGePoint2d& p) const { return std::hypot(x - p.x, y - p.y); }
    bool isEqualTo(const ZcGePoint2d& p, const ZcGeTol& tol = ZcGeTol()) const
    {
        return distanceTo(p) <= tol.equalPoint();
    }
    constexpr ZcGeVector2d asVector() const { return {x, y}; }

    ZcGePoint2d& transformBy(const ZcGeMatrix2d& m);
    // Rotates counter-clockwise about the centre.
    ZcGePoint2d& rotateBy(double angle, const ZcGePoint2d& center = kOrigin);
    ZcGePoint2d& scaleBy(double factor, const ZcGePoint2d& center = kOrigin);

    constexpr ZcGePoint2d operator+(const ZcGeVector2d& v) const { return {x + v.x, y + v.y}; }
    constexpr ZcGePoint2d operator-(const ZcGeVector2d& v) const { return {x - v.x, y - v.y}; }
    constexpr ZcGeVector2d operator-(const ZcGePoint2d& p) const { return {x - p.x, y - p.y}; }
    ZcGePoint2d& operator+=(const ZcGeVector2d& v) { x += v.x; y += v.y; return *this; }
    ZcGePoint2d& operator-=(const ZcGeVector2d& v) { x -= v.x; y -= v.y; return *this; }
    bool operator==(const ZcGePoint2d& p) const { return isEqualTo(p); }
    bool operator!=(const ZcGePoint2d& p) const { return !isEqualTo(p); }
};

// ---------------------------------------------------------------------------------------------
class ZcGeVector3d {
public:
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    constexpr ZcGeVector3d() = default;
    constexpr ZcGeVector3d(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}
    constexpr explicit ZcGeVector3d(const ZcGeVector2d& v, double z_ = 0.0) : x(v.x), y(v.y), z(z_) {}

    static const ZcGeVector3d kIdentity;  // zero vector
    static const ZcGeVector3d kXAxis;
    static const ZcGeVector3d kYAxis;
    static const ZcGeVector3d kZAxis;

    double length() const;
    constexpr double lengthSqrd() const { return x * x + y * y + z * z; }
    bool isZeroLength(const ZcGeTol& tol = ZcGeTol()) const { return length() <= tol.equalVector(); }
    bool isUnitLength(const ZcGeTol& tol = ZcGeTol()) const
    {
        return std::fabs(length() - 1.0) <= tol.equalVector();
    }

    // Unit vector in the same direction; the zero vector (or one shorter than equalVector) gives zero.
    ZcGeVector3d normal(const ZcGeTol& tol = ZcGeTol()) const;
    ZcGeVector3d& normalize(const ZcGeTol& tol = ZcGeTol()) { return *this = normal(tol); }

    constexpr double dotProduct(const ZcGeVector3d& v) const { return x * v.x + y * v.y + z * v.z; }
    constexpr ZcGeVector3d crossProduct(const ZcGeVector3d& v) const
    {
        return {y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x};
    }

    // Unsigned angle between the two directions, in [0, pi]. 0 if either vector is zero.
    double angleTo(const ZcGeVector3d& v) const;
    // Angle from this to v turning counter-clockwise about the reference axis, in [0, 2*pi).
    double angleTo(const ZcGeVector3d& v, const ZcGeVector3d& reference) const;
    // Rotates by the angle about the axis (right-hand rule); a zero axis leaves the vector unchanged.
    ZcGeVector3d& rotateBy(double angle, const ZcGeVector3d& axis);
    // Some unit vector perpendicular to this one (zero for the zero vector).
    ZcGeVector3d perpVector() const;
    // Applies the linear part of the matrix (translation does not move a vector).
    ZcGeVector3d& transformBy(const ZcGeMatrix3d& m);
    constexpr ZcGeVector2d convert2d() const { return {x, y}; }

    bool isParallelTo(const ZcGeVector3d& v, const ZcGeTol& tol = ZcGeTol()) const;
    bool isCodirectionalTo(const ZcGeVector3d& v, const ZcGeTol& tol = ZcGeTol()) const;
    bool isPerpendicularTo(const ZcGeVector3d& v, const ZcGeTol& tol = ZcGeTol()) const;
    bool isEqualTo(const ZcGeVector3d& v, const ZcGeTol& tol = ZcGeTol()) const
    {
        return (*this - v).length() <= tol.equalVector();
    }

    constexpr ZcGeVector3d operator+(const ZcGeVector3d& v) const { return {x + v.x, y + v.y, z + v.z}; }
    constexpr ZcGeVector3d operator-(const ZcGeVector3d& v) const { return {x - v.x, y - v.y, z - v.z}; }
    constexpr ZcGeVector3d operator-() const { return {-x, -y, -z}; }
    constexpr ZcGeVector3d operator*(double s) const { return {x * s, y * s, z * s}; }
    ZcGeVector3d& operator+=(const ZcGeVector3d& v) { x += v.x; y += v.y; z += v.z; return *this; }
    ZcGeVector3d& operator-=(const ZcGeVector3d& v) { x -= v.x; y -= v.y; z -= v.z; return *this; }
    ZcGeVector3d& operator*=(double s) { x *= s; y *= s; z *= s; return *this; }
    bool operator==(const ZcGeVector3d& v) const { return isEqualTo(v); }
    bool operator!=(const ZcGeVector3d& v) const { return !isEqualTo(v); }
};

constexpr ZcGeVector3d operator*(double s, const ZcGeVector3d& v) { return v * s; }

// ---------------------------------------------------------------------------------------------
class ZcGePoint3d {
public:
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    constexpr ZcGePoint3d() = default;
    constexpr ZcGePoint3d(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}
    constexpr explicit ZcGePoint3d(const ZcGePoint2d& p, double z_ = 0.0) : x(p.x), y(p.y), z(z_) {}

    static const ZcGePoint3d kOrigin;

    double distanceTo(const ZcGePoint3d& p) const { return (*this - p).length(); }
    bool isEqualTo(const ZcGePoint3d& p, const ZcGeTol& tol = ZcGeTol()) const
    {
        return distanceTo(p) <= tol.equalPoint();
    }
    constexpr ZcGePoint2d convert2d() const { return {x, y}; }
    constexpr ZcGeVector3d asVector() const { return {x, y, z}; }

    ZcGePoint3d& transformBy(const ZcGeMatrix3d& m);
    // Foot of the perpendicular on the plane.
    ZcGePoint3d orthoProject(const ZcGePlane& plane) const;

    constexpr ZcGePoint3d operator+(const ZcGeVector3d& v) const { return {x + v.x, y + v.y, z + v.z}; }
    constexpr ZcGePoint3d operator-(const ZcGeVector3d& v) const { return {x - v.x, y - v.y, z - v.z}; }
    constexpr ZcGeVector3d operator-(const ZcGePoint3d& p) const { return {x - p.x, y - p.y, z - p.z}; }
    ZcGePoint3d& operator+=(const ZcGeVector3d& v) { x += v.x; y += v.y; z += v.z; return *this; }
    ZcGePoint3d& operator-=(const ZcGeVector3d& v) { x -= v.x; y -= v.y; z -= v.z; return *this; }
    bool operator==(const ZcGePoint3d& p) const { return isEqualTo(p); }
    bool operator!=(const ZcGePoint3d& p) const { return !isEqualTo(p); }
};

inline const ZcGeVector2d ZcGeVector2d::kIdentity{0.0, 0.0};
inline const ZcGeVector2d ZcGeVector2d::kXAxis{1.0, 0.0};
inline const ZcGeVector2d ZcGeVector2d::kYAxis{0.0, 1.0};
inline const ZcGePoint2d ZcGePoint2d::kOrigin{0.0, 0.0};
inline const ZcGeVector3d ZcGeVector3d::kIdentity{0.0, 0.0, 0.0};
inline const ZcGeVector3d ZcGeVector3d::kXAxis{1.0, 0.0, 0.0};
inline const ZcGeVector3d ZcGeVector3d::kYAxis{0.0, 1.0, 0.0};
inline const ZcGeVector3d ZcGeVector3d::kZAxis{0.0, 0.0, 1.0};
inline const ZcGePoint3d ZcGePoint3d::kOrigin{0.0, 0.0, 0.0};

// Horizontal distance between two points (z ignored).
inline double planDistance(const ZcGePoint3d& a, const ZcGePoint3d& b) { return std::hypot(a.x - b.x, a.y - b.y); }
inline double planDistance(const ZcGePoint2d& a, const ZcGePoint2d& b) { return a.distanceTo(b); }
