// The altitude tie (c:VRAJUSTERZ): the altitude of survey points shifted
// by a constant, given directly or as the difference between an old and a
// new altitude, on every point or on a selection.
#pragma once

#include <vector>

#include "host/db/database.hpp"
#include "host/ui/dialog.hpp"

// The tie values, kept for the session: new = old + difference.
struct valeursRattachement {
  double ancienne = 100.0;
  double nouvelle = 100.0;
  double difference = 0.0;
};
valeursRattachement& rattachementZ();

// Shifts by `difference` the altitude of each point block (extended data
// "VRELPLUS") of `blocs` that has one, rewriting its altitude attribute.
// Then the tables of the current project follow: every point shifted when
// `tousLesPoints`, otherwise each point of a shifted block told of its new
// position. The number of blocks shifted.
int ajusterAltitudes(const std::vector<ZcDbObjectId>& blocs, double difference, bool tousLesPoints);

class CDlgRattachZ : public host::ui::Dialog {
 public:
  enum : int {
    kAncienne = 1401,
    kSelect = 1402,
    kNouvelle = 1403,
    kDifference = 1404,
    kModeNouvelle = 1405,
    kModeDifference = 1406,
    kTous = 1407,
    kSelection = 1408,
  };

  CDlgRattachZ();

  // The values shown; those of the session once the dialog ends with OK.
  valeursRattachement valeurs;
  bool tousLesPoints = true;

 protected:
  void onInit() override;
  void onPress(int id) override;
  void onKillFocus(int id) override;
  bool onOk() override;

 private:
  void afficher();
  void suivreMode();
  void choisirPoint();
};

// c:VRAJUSTERZ: the dialog, then the points shifted in one undo step.
void c_VRAJUSTERZ();
