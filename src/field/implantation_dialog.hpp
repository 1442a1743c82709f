// The stake-out dialogs: the list of points to stake out ("Implantation"),
// the numbering and interpolation settings ("Paramètres d'implantation")
// and the drawing settings ("Parametres graphiques pour les
// implémentation"), and the command that runs them.
#pragma once

#include "field/implantation.hpp"
#include "host/ui/dialog.hpp"

enum : int {
  IDC_IMPL_LISTE = 5201,
  IDC_IMPL_NUMEROTATION,
  IDC_IMPL_STATION,
  IDC_IMPL_OBSTACLES,
  IDC_IMPL_VISIBILITE,
  IDC_IMPL_HMIN,
  IDC_IMPL_HSTAT,
  IDC_IMPL_AJOUTER,
  IDC_IMPL_ENLEVER,
  IDC_IMPL_LOCALISER,
  IDC_IMPL_APERCU,
  IDC_IMPL_CONFIG,
  IDC_IMPL_DESSINER,
  IDC_IMPL_EXPORTER,
  IDC_IMPL_SCHEMATISER,
  IDC_IMPL_GENERER,

  IDC_PARAM_DEPART = 5241,
  IDC_PARAM_PREFIXE,
  IDC_PARAM_SUFFIXE,
  IDC_PARAM_INCREMENT,
  IDC_PARAM_CLO_PAS,
  IDC_PARAM_CLO_ERREUR,
  IDC_PARAM_CLO_VALEUR,
  IDC_PARAM_ARC_PAS,
  IDC_PARAM_ARC_ERREUR,
  IDC_PARAM_ARC_VALEUR,
  IDC_PARAM_DROITS,
  IDC_PARAM_DISTANCE,
  IDC_PARAM_CODE,

  IDC_GRAPH_TEXTES = 5261,
  IDC_GRAPH_LARGEUR,
  IDC_GRAPH_LONGUEUR,
  IDC_GRAPH_CROIX_POINTS,
  IDC_GRAPH_CROIX_STATIONS,
  IDC_GRAPH_NON_VERIFIE,
  IDC_GRAPH_NON_VISIBLE,
  IDC_GRAPH_VISIBLE,
  IDC_GRAPH_STATION_OBS,
  IDC_GRAPH_STATION_REF,
  IDC_GRAPH_STATIONS,
  IDC_GRAPH_POINTS,
  IDC_GRAPH_NUMEROS,
  IDC_GRAPH_TEXTES_ANGLES,
  IDC_GRAPH_COORDONNEES,
  IDC_GRAPH_PAS_GROUPER,
  IDC_GRAPH_GROUPER_STATION,
  IDC_GRAPH_TOUT_GROUPER,
};

// "Paramètres d'implantation": the names of new points and how points are
// generated along entities. "Continuer" takes the values (a step, distance
// or chord error of 0 or less is refused) and starts the numbering again.
class CDlgParamsImplantationAuto : public host::ui::Dialog {
 public:
  explicit CDlgParamsImplantationAuto(chantierImplantation& chantier);

 protected:
  void onInit() override;
  bool onOk() override;

 private:
  chantierImplantation& chantier_;
};

// "Parametres graphiques pour les implémentation": sizes and colours (for
// the process), drawing options and grouping (for the job).
class CDlgPrmDessImplantationAuto : public host::ui::Dialog {
 public:
  explicit CDlgPrmDessImplantationAuto(chantierImplantation& chantier);

 protected:
  void onInit() override;
  bool onOk() override;

 private:
  chantierImplantation& chantier_;
};

// "Implantation": the points to stake out and what is done with them.
class CDlgImplantationDirecte : public host::ui::Dialog {
 public:
  explicit CDlgImplantationDirecte(chantierImplantation& chantier);

  // Fills the list from the job.
  void remplirListe();

 protected:
  void onInit() override;
  void onPress(int id) override;
  void onKillFocus(int id) override;
  void onDoubleClick(int id, int row) override;
  void onCancel() override;

 private:
  // The identifiers of the selected rows, or of every row when none is.
  std::vector<std::uint32_t> lignesChoisies(bool toutesSiAucune) const;
  void enlever();
  void localiser();
  void apercu();
  void genererResultats();
  void afficherHauteurs();

  chantierImplantation& chantier_;
};

// The command: a job on the current drawing, the dialog, then the job's end
// (obstacle marks written), in one undo group.
void c_IMPLANT2();
