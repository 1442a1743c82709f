// A named table of survey points: the points in insertion order and an index
// from name key (lower case, trimmed) to position.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "points/point.hpp"

class listePointsDuDessin {
 public:
  listePointsDuDessin();

  // Appends a copy of p; the index then gives its position for its name
  // (with duplicate names, the last one added).
  void Ajouter(const pointDuDessin& p);
  // Adds a point named nom ("*" when null) at p with the code, unless p.z is
  // exactly 0.0.
  void CreerPoint(const ZcGePoint3d& p, int code, const wchar_t* nom);
  // 1 and the position when the name is in the table; else 0 and pos = -1.
  int existPoint(const wchar_t* nom, int& pos) const;

  // The i-th point; i outside the table throws std::invalid_argument.
  pointDuDessin* getData(int i);
  const pointDuDessin* getData(int i) const;
  pointDuDessin* getData() { return points_.data(); }
  const std::vector<pointDuDessin>& points() const { return points_; }
  int nbPoint() const { return int(points_.size()); }

  const std::wstring& getNomTable() const { return nomTable_; }
  void setNomTable(const wchar_t* nom) { nomTable_ = nom ? nom : L""; }

  // The largest leading number of the names (atoi), at least 0.
  int getMaxNum() const;
  int nombreAyantCode(int code) const;

  // The nearest point in plan (the first of equally near ones); 0 when the
  // table is empty.
  int findNearestTo(double x, double y, pointDuDessin& out) const;
  // The first point within 1e-6 of (x, y) in both directions.
  int getAt(double x, double y, pointDuDessin& out) const;
  // The block of a named point.
  int getObjId(const wchar_t* nom, ZcDbObjectId& id) const;
  // The insertion point of a named point's block (its stored coordinates
  // when its id names no block of that point) and its code.
  int getBlockPosition(const wchar_t* nom, ZcGePoint3d& pos, int& code) const;
  // The point shown by block `id` takes p's x (mask bit 1), y (2), z (4).
  void notifyPositionPoint(const ZcDbObjectId& id, const ZcGePoint3d& p, int mask);
  // Shifts every defined altitude.
  void decalZ(double dz);

  // Removes the points at the same plan position (within 1e-8), keeping
  // the one of smallest code; the table ends sorted by x, then y, then code.
  // The removed points' blocks stay in the drawing.
  void delDups();
  // tous: every point gets its rank (from 1) as name, and its block is
  // brought up to date. Otherwise only the points without a name get
  // numbers after the largest one.
  void renumeroter(bool tous);
  // Deletes a named point and erases its block (an id that names anything
  // else than the point's block is not erased); the last point takes its
  // place.
  void supprimerPoint(const wchar_t* nom);
  // Appends every point of the other table, in order.
  void fusionnerAvec(const listePointsDuDessin& autre);
  void vider();

  // Adds the points of the entities the user selects ("\nSelectionnez :"),
  // of the kinds in `types` (bits of typesImport, points/import_dessin.hpp):
  // vertices, corners and ends at their positions, point blocks and blocks
  // whose attributes tagged `tagNumero` / `tagAltitude` (and `tagCode` when
  // not empty) give a name, an altitude and a code, texts holding an
  // altitude (plain texts moved by `decalage`). Then removes duplicates and
  // numbers the points without a name. Every code the new points carry gets
  // an entry of the codification table when it has none. The drawing is not
  // changed; point blocks taken over become the blocks of their points.
  void importFromDrawing(int types, const std::wstring& tagNumero, const std::wstring& tagAltitude,
                         const std::wstring& tagCode, const ZcGeVector2d& decalage);

  // Creates or updates the block of every point, with a progress window.
  void updateDrawing();
  // Replaces the points by those of every point block of the drawing; the
  // points never placed (no block) are kept after them.
  void updateFromDrawing();

  // name, number of points, the points.
  int saveToXRecord(GeltaroSerializer* s) const;
  // Reads a table written by saveToXRecord, adding the points to this one.
  int GetFromXRecord(GeltaroSerializer* s);

 private:
  void reconstruireIndex();

  std::wstring nomTable_;
  std::vector<pointDuDessin> points_;
  std::unordered_map<std::string, int> index_;
};
