// The survey project of a drawing: its named point tables and the current
// one. The project owns its tables.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "points/table.hpp"

class projetsTopo {
 public:
  // Most tables a project may hold (a stored project with more is refused).
  static constexpr int32_t kMaxTables = 1000000000;
  static constexpr const wchar_t* kNomTableDefaut = L"LEVE";

  projetsTopo() { reset(); }
  projetsTopo(const projetsTopo&) = delete;
  projetsTopo& operator=(const projetsTopo&) = delete;

  // One table named "LEVE", current.
  void reset();
  // No table, courant = -1.
  void removeAll();
  // Appends an empty table; the current table does not change.
  void creerTablePoints(const wchar_t* nom);
  // Removes table i unless it is the only one (or i is out of range).
  void removeTablePoints(int i);
  // The current table; made up (an empty unnamed table) when missing.
  listePointsDuDessin* currTable();

  int nbTables() const { return int(tables_.size()); }
  // Table i; out of range throws std::invalid_argument.
  listePointsDuDessin* getTable(int i);
  const listePointsDuDessin* getTable(int i) const;

  void decalZ(double dz);
  void notifyPositionPoint(const ZcDbObjectId& id, const ZcGePoint3d& p, int mask);

  // courant, number of tables, the tables. Prints "\t*** ERREUR ***" and
  // returns 0 at the first value that cannot be written.
  int SaveToXRecord(GeltaroSerializer* s) const;
  // Replaces the project by the stored one. A table that cannot be read is
  // left out ("Table T2 illisible : ignorée") and the reading goes on at the
  // next table name; the tables read stay. A chain whose head cannot be
  // read, or without any table read, leaves the project reset (one table
  // "LEVE"). Returns 1 when everything stored was read, else 0.
  int GetFromXRecord(GeltaroSerializer* s);
  // Whether the last GetFromXRecord left stored data out: saving the
  // project over that record would lose it. Cleared by the next read and
  // by oublierLectureIncomplete (the user chose to save over it).
  bool lectureIncomplete() const { return lectureIncomplete_; }
  void oublierLectureIncomplete() { lectureIncomplete_ = false; }

  // Index of the current table; other parts of the module set it directly.
  int32_t courant = 0;

 private:
  std::vector<std::unique_ptr<listePointsDuDessin>> tables_;
  bool lectureIncomplete_ = false;
};

// Raised when a stored project claimed more tables than a project may hold.
extern bool gTropDeTablesTopo;

// The project of the current drawing, set by setSrcInfosTopo; null until
// then. The module never creates nor deletes it.
extern projetsTopo* tablesPoints;

// The nearest point of the current table: its name and position, 1; 0 when
// there is none (outputs untouched).
int pointLePlusProche(double& x, double& y, std::wstring& nom, ZcGePoint3d& position);
// The block of a named point of the current table.
int idPointCourant(const wchar_t* nom, ZcDbObjectId& id);
