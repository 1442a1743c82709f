// A survey point of the drawing and the records exchanged with point blocks.
//
// pointDuDessin is a plain value: coordinates, code, a short 8-bit name and
// the identifier of the point block that shows it (or the null id). The
// value 1e38 marks an undefined coordinate or altitude.
#pragma once

#include <cmath>

#include <cstdint>
#include <string>

#include "host/db/database.hpp"
#include "host/geom/point.hpp"

class GeltaroSerializer;
using CString = std::wstring;

// Undefined coordinate, altitude or result.
constexpr double kIndefini = 1e38;

// The tags of the attributes a point block carries.
struct attribsPoints {
  std::wstring tagNumero = L"NUMPT";
  std::wstring tagCode = L"CODE";
  std::wstring tagAltitude = L"Z";
  std::wstring tagObs = L"OBS";
};
// The module's instance, with the default tags.
extern attribsPoints gAttribsPoints;

// The next number of the module's rising serial counter: point records,
// stake-out stations and obstacles draw their identifiers from it.
uint32_t prochainIdentifiant();

// A point on its way to or from a point block, and a row of the XYZ
// observation table. Every record gets an identifier unique while the
// module is loaded.
struct pointXYZ {
  pointXYZ();
  int32_t code = 1;
  std::wstring obs;
  double x = 0.0, y = 0.0, z = 0.0;
  uint32_t identifiant;
  int32_t etat = 0;
  std::wstring nom;
};

class pointDuDessin {
 public:
  // The name field: at most 9 characters and a terminating zero.
  static constexpr int kTailleNom = 10;

  pointDuDessin();
  pointDuDessin(const pointDuDessin&) = default;
  pointDuDessin& operator=(const pointDuDessin&) = default;
  // Coordinates, code and name (Windows-1252, cut to 9 characters) of the
  // record; the block id is kept.
  pointDuDessin& operator=(const pointXYZ& p);
  // Same position and altitude within 0.0001, same code, names equal
  // ignoring case.
  bool operator==(const pointDuDessin& q) const;

  double getX() const { return x_; }
  double getY() const { return y_; }
  double getZ() const { return z_; }
  void getXY(double& x, double& y) const {
    x = x_;
    y = y_;
  }
  int32_t getCode() const { return code_; }
  const char* getNomPoint() const { return nom_; }
  std::wstring getNomPointW() const;
  ZcDbObjectId& getId() { return id_; }
  const ZcDbObjectId& getId() const { return id_; }
  ZcGePoint3d getAs3dPnt() const { return {x_, y_, z_}; }
  bool aUneAltitude() const { return z_ != kIndefini; }

  void setX(double x) { x_ = x; }
  void setY(double y) { y_ = y; }
  // A non-finite altitude (NaN, an infinity) is no altitude: 1e38.
  void setZ(double z) { z_ = std::isfinite(z) ? z : kIndefini; }
  void setXY(double x, double y, double z) {
    x_ = x;
    y_ = y;
    setZ(z);
  }
  void setCode(int32_t code) { code_ = code; }
  void setId(const ZcDbObjectId& id) { id_ = id; }
  // At most 9 characters are kept; the wide form goes through Windows-1252.
  void setNomPoint(const char* nom);
  void setNomPoint(const wchar_t* nom);
  void setParams(const wchar_t* nom, const ZcGePoint3d& p, int32_t code);

  // Horizontal distance.
  double distanceTo(const pointDuDessin& q) const;

  // The altitude with its code's decimals; empty without altitude.
  void getZAsString(CString& s) const;

  // Creates the point's block in the working drawing (the code's layers
  // first when `creerCalques`), with an observation text; the new block's
  // id becomes the point's.
  void creer(bool creerCalques, const wchar_t* obs);
  // Brings the point's block up to date (texts, plan position), creating it
  // when there is none. An id that is not the point's block is forgotten
  // (the entity left as it is) and a new block made. `nomSurLeBloc` is the
  // name the block shows when the point was just renamed.
  void updateDrawing(const char* nomSurLeBloc = nullptr);
  // Reads the point from a point block (a block reference with a "NUMPT"
  // attribute): 1, else 0.
  int updateFromDrawing(const ZcDbObjectId& id);

  // name (10 bytes), code, x, y, z, block id.
  int saveToXRecord(GeltaroSerializer* s) const;
  int readFromXRecord(GeltaroSerializer* s);

 private:
  double x_ = kIndefini;
  double y_ = kIndefini;
  double z_ = kIndefini;
  int32_t code_ = 1;
  char nom_[kTailleNom] = {};
  ZcDbObjectId id_;
};
