#pragma once
// Affine transformation matrices for the plan (3x3) and for space (4x4).
//
// Points are column vectors: p' = M * p. Composition follows: (A * B) * p == A * (B * p), i.e.
// A * B applies B first. entry[row][col] is public, as is customary for these matrices.
// The matrices are affine: the bottom row stays (0 0 1) / (0 0 0 1) under every operation here and
// is ignored when transforming, so a transformed point is always finite for finite entries.

#include "host/geom/point.hpp"

class ZcGeMatrix2d {
public:
    double entry[3][3];

    constexpr ZcGeMatrix2d() : entry{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}} {}  // identity

    static const ZcGeMatrix2d kIdentity;

    static ZcGeMatrix2d translation(const ZcGeVector2d& v);
    // Counter-clockwise rotation about the centre.
    static ZcGeMatrix2d rotation(double angle, const ZcGePoint2d& center = ZcGePoint2d::kOrigin);
    // Uniform scaling about the centre (a negative factor also turns by half a turn).
    static ZcGeMatrix2d scaling(double factor, const ZcGePoint2d& center = ZcGePoint2d::kOrigin);

    ZcGeMatrix2d& setToIdentity();
    bool isIdentity(const ZcGeTol& tol = ZcGeTol()) const;

    ZcGeMatrix2d operator*(const ZcGeMatrix2d& m) const;
    ZcGeMatrix2d& operator*=(const ZcGeMatrix2d& m) { return postMultBy(m); }
    ZcGeMatrix2d& preMultBy(const ZcGeMatrix2d& left);    // this = left * this
    ZcGeMatrix2d& postMultBy(const ZcGeMatrix2d& right);  // this = this * right

    double det() const;  // of the linear part
    // Singular when |det| of the linear part is at most tol.equalVector() times the product of its
    // column lengths (scale independent: a tiny uniform scaling is not singular).
    bool isSingular(const ZcGeTol& tol = ZcGeTol()) const;
    // Inverse into `result`; false (and result untouched) when singular.
    bool inverse(ZcGeMatrix2d& result, const ZcGeTol& tol = ZcGeTol()) const;
    // Inverse, or the identity when the matrix is singular: test isSingular() first when that matters.
    ZcGeMatrix2d inverse() const;
    ZcGeMatrix2d& invert() { return *this = inverse(); }
    ZcGeMatrix2d transpose() const;

    ZcGeVector2d translation() const { return {entry[0][2], entry[1][2]}; }
    // Largest length of the images of the unit axes: the factor for a uniform scaling,
    // 1 for rotations and mirrors.
    double scale() const;
    bool isEqualTo(const ZcGeMatrix2d& m, const ZcGeTol& tol = ZcGeTol()) const;
    bool operator==(const ZcGeMatrix2d& m) const { return isEqualTo(m); }
    bool operator!=(const ZcGeMatrix2d& m) const { return !isEqualTo(m); }
};

class ZcGeMatrix3d {
public:
    double entry[4][4];

    constexpr ZcGeMatrix3d() : entry{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}} {}  // identity

    static const ZcGeMatrix3d kIdentity;

    static ZcGeMatrix3d translation(const ZcGeVector3d& v);
    // Right-hand rotation about the axis through the centre. A zero axis gives the identity.
    static ZcGeMatrix3d rotation(double angle, const ZcGeVector3d& axis = ZcGeVector3d::kZAxis,
                                 const ZcGePoint3d& center = ZcGePoint3d::kOrigin);
    // Uniform scaling about the centre.
    static ZcGeMatrix3d scaling(double factor, const ZcGePoint3d& center = ZcGePoint3d::kOrigin);
    // Maps the world axes onto the given axes and the world origin onto `origin`
    // (local -> world when the axes are orthonormal).
    static ZcGeMatrix3d coordSystem(const ZcGePoint3d& origin, const ZcGeVector3d& xAxis,
                                    const ZcGeVector3d& yAxis, const ZcGeVector3d& zAxis);
    // Object coordinate system of an entity with the given extrusion direction (the drawing-exchange
    // "arbitrary axis" rule): maps object coordinates to world coordinates. A zero normal means +Z.
    static ZcGeMatrix3d planeToWorld(const ZcGeVector3d& normal);
    static ZcGeMatrix3d worldToPlane(const ZcGeVector3d& normal);

    ZcGeMatrix3d& setToIdentity();
    bool isIdentity(const ZcGeTol& tol = ZcGeTol()) const;

    ZcGeMatrix3d operator*(const ZcGeMatrix3d& m) const;
    ZcGeMatrix3d& operator*=(const ZcGeMatrix3d& m) { return postMultBy(m); }
    ZcGeMatrix3d& preMultBy(const ZcGeMatrix3d& left);    // this = left * this
    ZcGeMatrix3d& postMultBy(const ZcGeMatrix3d& right);  // this = this * right

    double det() const;  // of the linear part
    // Singular when |det| of the linear part is at most tol.equalVector() times the product of its
    // column lengths (scale independent: a tiny uniform scaling is not singular).
    bool isSingular(const ZcGeTol& tol = ZcGeTol()) const;
    // Inverse into `result`; false (and result untouched) when singular.
    bool inverse(ZcGeMatrix3d& result, const ZcGeTol& tol = ZcGeTol()) const;
    // Inverse, or the identity when the matrix is singular: test isSingular() first when that matters.
    ZcGeMatrix3d inverse() const;
    ZcGeMatrix3d& invert() { return *this = inverse(); }
    ZcGeMatrix3d transpose() const;

    ZcGeVector3d translation() const { return {entry[0][3], entry[1][3], entry[2][3]}; }
    // Largest length of the images of the unit axes: the factor for a uniform scaling,
    // 1 for rotations and mirrors. Used to scale text heights and block sizes.
    double scale() const;
    bool isEqualTo(const ZcGeMatrix3d& m, const ZcGeTol& tol = ZcGeTol()) const;
    bool operator==(const ZcGeMatrix3d& m) const { return isEqualTo(m); }
    bool operator!=(const ZcGeMatrix3d& m) const { return !isEqualTo(m); }
};

ZcGePoint2d operator*(const ZcGeMatrix2d& m, const ZcGePoint2d& p);
ZcGeVector2d operator*(const ZcGeMatrix2d& m, const ZcGeVector2d& v);  // no translation
ZcGePoint3d operator*(const ZcGeMatrix3d& m, const ZcGePoint3d& p);
ZcGeVector3d operator*(const ZcGeMatrix3d& m, const ZcGeVector3d& v);  // no translation

inline const ZcGeMatrix2d ZcGeMatrix2d::kIdentity{};
inline const ZcGeMatrix3d ZcGeMatrix3d::kIdentity{};
