// A dialog written the way survey dialogs are: members exchanged with the
// controls, handlers that change other controls, OK refused on bad input.
#pragma once

#include <string>
#include <vector>

#include "host/app/console_io.hpp"
#include "host/ui/dialog.hpp"
#include "host/ui/filedialog.hpp"

namespace host::ui::testing {

enum : int {
  IDC_RAYON = 523,
  IDC_NOMBRE = 524,
  IDC_ARRONDIR = 525,
  IDC_METRES = 526,
  IDC_PIEDS = 527,
  IDC_TYPE = 528,
  IDC_POINTS = 530,
  IDC_CALCULER = 540,
  IDC_EXPORTER = 541,
  IDC_RESULTAT = 542,
  IDC_RAPPORT = 543,
  IDC_FICHIER = 544,
  IDC_CACHE = 545,
  ID_PLACER = 601,
};

class SurveyDialog : public Dialog {
 public:
  SurveyDialog() : Dialog("Paramètres du &calcul") {
    add<Static>(IDC_STATIC, "Rayon :");
    add<Edit>(IDC_RAYON, "&Rayon").setRange(0.1, 1000.0);
    add<Edit>(IDC_NOMBRE, "Nombre de points").setIntRange(1, 100);
    add<CheckBox>(IDC_ARRONDIR, "&Arrondir");
    add<Radio>(IDC_METRES, "Mètres", 1);
    add<Radio>(IDC_PIEDS, "Pieds", 1);
    auto& type = add<ComboBox>(IDC_TYPE, "Type");
    type.addItem("Point", 10);
    type.addItem("Ligne", 20);
    type.addItem("Arc", 30);
    auto& list = add<ListView>(IDC_POINTS, "Points");
    list.addColumn("Nom", 2);
    list.addColumn("X", 1, Align::Right);
    list.addColumn("Y", 1, Align::Right);
    list.setMultiSelect(true);
    list.setCheckBoxes(true);
    add<Button>(IDC_CALCULER, "Calculer !");
    add<Button>(IDC_EXPORTER, "E&xporter").enable(false);
    add<Static>(IDC_RESULTAT, "");
    add<RichText>(IDC_RAPPORT, "Rapport");
    add<PictureButton>(IDC_FICHIER, "Fichier...");
    add<Edit>(IDC_CACHE, "Caché").show(false);
    add<MenuItem>(ID_PLACER, "&Outils", "Placer !!!");
    add<Button>(IDOK, "OK");
    add<Button>(IDCANCEL, "Annuler");
  }

  // Members exchanged with the controls.
  double rayon = 12.5;
  int nombre = 8;
  bool arrondir = false;
  int unite = 0;
  int type = 1;
  // What happened, in order.
  std::vector<std::string> log;
  int closes = 0;
  bool exported = false;
  std::string exportPath;

 protected:
  void onInit() override {
    auto& list = get<ListView>(IDC_POINTS);
    list.addRow({"P10", "7.5", "1"}, 100);
    list.addRow({"p2", "12", "-3"}, 200);
    list.addRow({"P1", "100", "0.5"}, 300);
    updateData(false);
    get<Edit>(IDC_NOMBRE).enable(arrondir);
    log.push_back("init");
  }
  void doDataExchange(DataExchange& dx) override {
    dx.number(IDC_RAYON, rayon, 2);
    dx.integer(IDC_NOMBRE, nombre);
    dx.check(IDC_ARRONDIR, arrondir);
    dx.radio(IDC_METRES, unite);
    dx.comboIndex(IDC_TYPE, type);
  }
  void onPress(int id) override {
    log.push_back("press " + std::to_string(id));
    if (id == IDC_ARRONDIR) get<Edit>(IDC_NOMBRE).enable(get<CheckBox>(IDC_ARRONDIR).checked());
    if (id == IDC_CALCULER) {
      auto& list = get<ListView>(IDC_POINTS);
      auto& report = get<RichText>(IDC_RAPPORT);
      report.setText("");
      for (int row : list.selectedRows()) report.appendLine(list.cell(row, 0) + " : " + list.cell(row, 1) + ", " + list.cell(row, 2));
      get<Button>(IDC_EXPORTER).enable(!list.selectedRows().empty());
    }
    if (id == IDC_EXPORTER)
      exported = zcMessageBox("Exporter " + std::to_string(get<ListView>(IDC_POINTS).selectedRows().size()) + " points ?",
                              "Export", MB_YESNO | MB_ICONQUESTION) == IDYES;
    if (id == IDC_FICHIER) {
      FileDialog dlg(false, "txt", "points.txt", OFN_OVERWRITEPROMPT, "Fichiers texte (*.txt)|*.txt|Tous (*.*)|*.*||");
      if (dlg.doModal() == IDOK) exportPath = dlg.pathName();
    }
    if (id == ID_PLACER) {
      // The user picks a point in the drawing: the prompt reads the same stream.
      hideForPick();
      console().print("Point : ");
      std::string answer;
      if (console().readAnswer(answer)) get<Edit>(IDC_RAYON).setText(answer);
    }
  }
  void onKillFocus(int id) override {
    log.push_back("killfocus " + std::to_string(id));
    if (id == IDC_RAYON) {
      auto r = get<Edit>(IDC_RAYON).number();
      get<Static>(IDC_RESULTAT).setText(r ? "Diamètre : " + std::to_string(int(*r * 2)) : "");
    }
  }
  void onSelectionChange(int id) override { log.push_back("selchange " + std::to_string(id)); }
  void onDoubleClick(int id, int row) override {
    log.push_back("dblclick " + std::to_string(row));
    get<Static>(IDC_RESULTAT).setText("Point " + get<ListView>(IDC_POINTS).cell(row, 0));
  }
  bool onOk() override {
    if (!Dialog::onOk()) return false;
    if (type < 0) {
      zcMessageBox("Choisissez un type.", stripAccelerators(title()), MB_OK | MB_ICONERROR);
      setFocus(IDC_TYPE);
      return false;
    }
    log.push_back("ok");
    return true;
  }
  void onCancel() override { log.push_back("cancel"); }
  void onClose() override { ++closes; }
};

}  // namespace host::ui::testing
