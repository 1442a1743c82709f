// A working table of named points read from and written to XYZ point files,
// and placed in the drawing as point blocks of the current point table.
//
// XYZ point file: 8-bit text, one point a line: name, X, Y, then optionally
// Z, the code and an observation text, separated by blanks or tabs.
// Written as "\r\n%10s\t%14.6f\t%14.6f\t%14.6f\t%6d" [+ "\t" obs] per point.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "points/point.hpp"

class tableCodification;
class ZcDbDatabase;

class tableObsXYZ {
 public:
  // Lines longer than this are reported and skipped.
  static constexpr int kLongueurMaxLigne = 1023;
  static constexpr int kMaxPoints = 1000000000;

  // With a file name, the file is read (the table emptied first).
  explicit tableObsXYZ(const std::wstring& fichier = {});
  virtual ~tableObsXYZ() = default;
  tableObsXYZ(const tableObsXYZ&) = delete;
  tableObsXYZ& operator=(const tableObsXYZ&) = delete;

  // Reads an XYZ point file (empty path: the table's file name), appending
  // to the table or emptying it first. False when the path is empty or the
  // file cannot be opened (no message); a read that fails half-way shows
  // "Erreur ouverture de fichier" and keeps the points read.
  bool charger(const std::wstring& chemin = {}, bool viderAvant = true);
  // Writes the table (".xyz" appended to a name without it). False, with
  // "Erreur ouverture de fichier", when the file cannot be written.
  bool sauvegarder(const std::wstring& chemin = {}) const;

  // Position of the record with this identifiant, or -1 (the records are in
  // increasing identifiant order).
  int indiceDe(uint32_t identifiant) const;
  // Order of two records for a list column: 0 name, 1 x, 2 y, 3 z (no
  // altitude last), 4 code, 5 load order. -1, 0 or 1.
  int comparer(uint32_t a, uint32_t b, int colonne) const;
  void vider() { points.clear(); }
  // Record i gets prefix + (debut + i) + suffix.
  void renumeroterPoints(const std::wstring& prefixe, int debut, const std::wstring& suffixe);
  // Every record becomes a point of the current table with its block
  // (replacing a point of the same name), without observation text.
  void placerDansLeDessin(ZcDbDatabase* db = nullptr);

  tableCodification* codification = nullptr;
  std::vector<pointXYZ> points;
  std::wstring fichier;
};
