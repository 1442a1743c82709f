// The point tables manager ("Tables de points"): lists the point tables of
// the drawing's project and creates, merges, deletes, renames them and
// chooses the current one. Every change goes to the project at once.
#pragma once

#include "host/ui/dialog.hpp"
#include "points/project.hpp"

// Controls of the dialog.
enum : int {
  IDC_TABLES_COURANT = 375,
  IDC_TABLES_NOM = 398,
  IDC_TABLES_CREER = 399,
  IDC_TABLES_FUSIONNER = 400,
  IDC_TABLES_SUPPRIMER = 401,
  IDC_TABLES_RENOMMER = 402,
  IDC_TABLES_LISTE = 403,
  IDC_TABLES_TABLE_COURANTE = 404,
};

// One row per table of the project, in the project's order (row data: the
// table's index); several rows may be selected.
class CTabListePoints : public host::ui::Dialog {
 public:
  explicit CTabListePoints(projetsTopo& projet);

 protected:
  void onInit() override;
  void onPress(int id) override;
  // The rows keep the project's order: a header click does not sort.
  void onHeaderClick(int id, int column) override {}

 private:
  void remplir();
  void afficherCourante();
  void creer();
  void fusionner();
  void supprimer();
  void renommer();
  void rendreCourante();

  projetsTopo& projet_;
};

// c:gererLeves: the manager on the current drawing's project; no result.
void c_gererLeves();
