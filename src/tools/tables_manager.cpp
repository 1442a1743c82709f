#include "tools/tables_manager.hpp"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "frame/resources.hpp"

using namespace host::ui;

namespace {

constexpr const char* kTropDeTables = "Rappel:\nVous ne pouvez avoir plus de 1000000000 tables de points.";
constexpr const char* kDeuxTables = "Vous devez selectionner au moins\ndeux (02) tables a fusionner";
constexpr const char* kUnSeul = "Selectionnez un seul element SVP";

std::wstring rogner(const std::wstring& texte) {
  constexpr const wchar_t* blancs = L" \t\r\n";
  const auto debut = texte.find_first_not_of(blancs);
  if (debut == std::wstring::npos) return {};
  return texte.substr(debut, texte.find_last_not_of(blancs) - debut + 1);
}

std::vector<std::string> ligne(const listePointsDuDessin& table) {
  return {host::toUtf8(table.getNomTable()), std::to_string(table.nbPoint())};
}

}  // namespace

CTabListePoints::CTabListePoints(projetsTopo& projet) : Dialog("Tables de points"), projet_(projet) {
  add<ListView>(IDC_TABLES_LISTE, "Tables");
  add<Edit>(IDC_TABLES_NOM, "Nom");
  add<Static>(IDC_TABLES_TABLE_COURANTE, "Table:");
  add<Button>(IDC_TABLES_CREER, "Créer");
  add<Button>(IDC_TABLES_FUSIONNER, "Fusionner");
  add<Button>(IDC_TABLES_SUPPRIMER, "Supprimer");
  add<Button>(IDC_TABLES_RENOMMER, "Renommer");
  add<Button>(IDC_TABLES_COURANT, "Courant");
  add<Button>(IDCANCEL, "Fermer");
}

void CTabListePoints::onInit() {
  auto& liste = get<ListView>(IDC_TABLES_LISTE);
  // Full-row selection has no headless counterpart; the columns keep their
  // shares of the width (four fifths and one fifth).
  liste.addColumn("Nom de la table", 4, Align::Left);
  liste.addColumn("Nb Pts", 1, Align::Right);
  liste.setMultiSelect(true);
  remplir();
}

void CTabListePoints::onPress(int id) {
  switch (id) {
    case IDC_TABLES_CREER: creer(); break;
    case IDC_TABLES_FUSIONNER: fusionner(); break;
    case IDC_TABLES_SUPPRIMER: supprimer(); break;
    case IDC_TABLES_RENOMMER: renommer(); break;
    case IDC_TABLES_COURANT: rendreCourante(); break;
    default: break;
  }
}

void CTabListePoints::remplir() {
  auto& liste = get<ListView>(IDC_TABLES_LISTE);
  liste.clear();
  for (int i = 0; i < projet_.nbTables(); ++i) liste.addRow(ligne(*projet_.getTable(i)), i);
  afficherCourante();
}

void CTabListePoints::afficherCourante() {
  // Read only: an index outside the project shows no name rather than
  // making a table up.
  std::wstring nom;
  if (projet_.courant >= 0 && projet_.courant < projet_.nbTables())
    nom = projet_.getTable(projet_.courant)->getNomTable();
  get<Static>(IDC_TABLES_TABLE_COURANTE).setText("Table:" + host::toUtf8(nom));
}

void CTabListePoints::creer() {
  if (projet_.nbTables() >= projetsTopo::kMaxTables) {
    zcMessageBox(kTropDeTables, "erreur", MB_OK | MB_ICONWARNING);
    return;
  }
  const std::wstring nom = L"Table " + std::to_wstring(projet_.nbTables() + 1);
  projet_.creerTablePoints(nom.c_str());
  remplir();
}

void CTabListePoints::fusionner() {
  auto& liste = get<ListView>(IDC_TABLES_LISTE);
  const std::vector<std::int64_t> choix = liste.selectedData();
  if (choix.size() < 2) {
    zcMessageBox(kDeuxTables, "erreur", MB_OK);
    return;
  }
  // One table more would make a project that cannot be read back (a stored
  // project beyond the limit is refused whole): the merge stops here.
  if (liste.rowCount() >= projetsTopo::kMaxTables || projet_.nbTables() >= projetsTopo::kMaxTables) {
    zcMessageBox(kTropDeTables, "erreur", MB_OK | MB_ICONWARNING);
    return;
  }
  // The new table takes the first table's name and points, then for each
  // further table " + " and its name, and its points.
  projet_.creerTablePoints(L"");
  const int nouvelle = projet_.nbTables() - 1;
  listePointsDuDessin& table = *projet_.getTable(nouvelle);
  std::wstring nom;
  for (std::size_t k = 0; k < choix.size(); ++k) {
    const listePointsDuDessin& autre = *projet_.getTable(int(choix[k]));
    nom = k == 0 ? autre.getNomTable() : nom + L" + " + autre.getNomTable();
    table.fusionnerAvec(autre);
  }
  table.setNomTable(nom.c_str());
  // The merged points are copies: their blocks stay with the source tables.
  // Renumbering them must not rename those blocks (the source tables would
  // then show 1, 2 where they hold A1, A2, and lose the names on the next
  // refresh), so the copies are detached and numbered 1..n in the table
  // only; placing the merged table gives them blocks of their own.
  for (int i = 0; i < table.nbPoint(); ++i) {
    table.getData(i)->setId(ZcDbObjectId());
    table.getData(i)->setNomPoint("");
  }
  table.renumeroter(false);
  liste.addRow(ligne(table), nouvelle);
}

void CTabListePoints::supprimer() {
  auto& liste = get<ListView>(IDC_TABLES_LISTE);
  std::vector<std::int64_t> choix = liste.selectedData();
  if (choix.empty()) return;
  // From the highest index down, so that the indexes still to come stay valid.
  std::sort(choix.rbegin(), choix.rend());
  for (std::int64_t i : choix) projet_.removeTablePoints(int(i));
  remplir();
}

void CTabListePoints::renommer() {
  auto& liste = get<ListView>(IDC_TABLES_LISTE);
  const std::vector<int> lignes = liste.selectedRows();
  if (lignes.size() != 1) {
    zcMessageBox(kUnSeul, "erreur", MB_OK);
    return;
  }
  const std::wstring nom = rogner(host::fromUtf8(get<Edit>(IDC_TABLES_NOM).text()));
  if (nom.empty()) return;
  listePointsDuDessin& table = *projet_.getTable(int(liste.row(lignes.front()).data));
  table.setNomTable(nom.c_str());
  liste.setCell(lignes.front(), 0, host::toUtf8(table.getNomTable()));
  afficherCourante();
}

void CTabListePoints::rendreCourante() {
  auto& liste = get<ListView>(IDC_TABLES_LISTE);
  const std::vector<int> lignes = liste.selectedRows();
  if (lignes.size() != 1) {
    zcMessageBox(kUnSeul, "erreur", MB_OK);
    return;
  }
  projet_.courant = int(liste.row(lignes.front()).data);
  afficherCourante();
}

void c_gererLeves() {
  // Without a project for the drawing there is no table to manage.
  if (!tablesPoints) return;
  geltaro::frame::ressourcesModule ressources;
  CTabListePoints dlg(*tablesPoints);
  dlg.doModal();
}
