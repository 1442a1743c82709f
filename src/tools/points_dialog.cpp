#include "tools/points_dialog.hpp"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>

#include "frame/resources.hpp"
#include "host/app/host_app.hpp"
#include "host/ed/editor.hpp"
#include "host/ui/filedialog.hpp"
#include "host/ui/messagebox.hpp"
#include "host/ui/progress.hpp"
#include "points/names.hpp"
#include "points/project.hpp"
#include "points/codification.hpp"
#include "tools/coordinate_table.hpp"
#include "tools/import_dialog.hpp"
#include "tools/points_export.hpp"

using namespace host::ui;

namespace {

constexpr const char* kTousLesCodes = "*** TOUS LES CODES ***";

std::string formater(const char* format, double v) {
  char texte[400];
  std::snprintf(texte, sizeof texte, format, v);
  return texte;
}

std::string minuscules(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

etatTriPoints& triPoints() {
  static etatTriPoints etat;
  return etat;
}

DlgPntsDuDessin::DlgPntsDuDessin() : Dialog("Points du dessin") {
  add<Static>(IDC_STATIC, "Code");
  add<ComboBox>(kComboCode, "Code");
  auto& liste = add<ListView>(kListe, "Points");
  liste.setMultiSelect(true);
  add<Button>(kExporter, "E&xporter");
  add<Button>(kTableXYZ, "&Table XYZ");
  add<Button>(kPlacer, "Placer");
  add<Button>(kImporter, "&Importer");
  add<Button>(kRaffraichir, "&Raffraichir");
  add<Button>(IDOK, "&Fermer");
}

void DlgPntsDuDessin::onInit() {
  get<Button>(kExporter).show(mode & kModeExporter);
  get<Button>(kTableXYZ).show(mode & kModeTableXYZ);
  get<Button>(kPlacer).show(mode & kModePlacer);
  get<Button>(kImporter).show(mode & kModeImporter);
  get<Button>(kRaffraichir).show(mode & kModeRaffraichir);

  remplirCodes(-1);
  auto& liste = get<ListView>(kListe);
  liste.addColumn("Ordre", 10, Align::Left);
  for (const char* titre : {"Num", "X", "Y", "Z", "Code"}) liste.addColumn(titre, 18, Align::Right);
  remplirListe(codeFiltre());
}

// The code filter: all codes first, then every entry of the codification
// table. `selection` >= 0 selects that position again; otherwise the item of
// the initial code (or the first item).
void DlgPntsDuDessin::remplirCodes(int selection) {
  auto& combo = get<ComboBox>(kComboCode);
  combo.clear();
  combo.addItem(kTousLesCodes, -1);
  int choisi = 0;
  if (codifs) {
    for (int i = 0; i < codifs->nbCodes(); ++i) {
      const codifPoint& c = codifs->getAt(i);
      char entete[32];
      std::snprintf(entete, sizeof entete, "%04d   ", int(c.code));
      combo.addItem(entete + host::toUtf8(c.libelle), i);
      if (c.code == codeInitial && choisi == 0 && codeInitial != -1) choisi = combo.count() - 1;
    }
  }
  if (selection >= 0 && selection < combo.count()) choisi = selection;
  combo.setSelection(choisi);
}

int DlgPntsDuDessin::codeFiltre() const {
  const auto donnee = get<ComboBox>(kComboCode).selectedData();
  if (!donnee || *donnee < 0 || !codifs || *donnee >= codifs->nbCodes()) return -1;
  return codifs->getAt(int(*donnee)).code;
}

void DlgPntsDuDessin::remplirListe(int code) {
  auto& liste = get<ListView>(kListe);
  liste.clear();
  if (!table) return;
  int ordre = 0;
  for (int i = 0; i < table->nbPoint(); ++i) {
    const pointDuDessin& p = *table->getData(i);
    if (code != -1 && p.getCode() != code) continue;
    liste.addRow({std::to_string(ordre++), host::toUtf8(p.getNomPointW()), formater("%.3f", p.getX()),
                  formater("%.3f", p.getY()), p.aUneAltitude() ? formater("%.3f", p.getZ()) : std::string(),
                  std::to_string(p.getCode())},
                 i);
  }
}

void DlgPntsDuDessin::trierSur(int colonne) {
  etatTriPoints& etat = triPoints();
  if (colonne == etat.colonne) etat.croissant = !etat.croissant;
  else etat.colonne = colonne;
  auto& liste = get<ListView>(kListe);
  if (!table || colonne < 0 || colonne > 5) return;
  // The key of every row is computed once (names split, coordinates read),
  // then the rows' positions are sorted on the keys: lists may hold a
  // million rows.
  const std::size_t n = std::size_t(liste.rowCount());
  std::vector<int> indices(n);
  for (std::size_t k = 0; k < n; ++k) indices[k] = int(liste.row(int(k)).data);
  std::vector<geltaro::points::cleNomPoint> noms;
  std::vector<double> valeurs;
  if (colonne == 1) {
    noms.resize(n);
    for (std::size_t k = 0; k < n; ++k) noms[k] = geltaro::points::cleTri(table->getData(indices[k])->getNomPoint());
  } else {
    valeurs.resize(n);
    for (std::size_t k = 0; k < n; ++k) {
      const pointDuDessin& p = *table->getData(indices[k]);
      valeurs[k] = colonne == 0 ? double(indices[k])
                   : colonne == 2 ? p.getX()
                   : colonne == 3 ? p.getY()
                   : colonne == 4 ? p.getZ()
                                  : double(p.getCode());
    }
  }
  auto comparer = [&](std::size_t a, std::size_t b) {
    if (colonne == 1) return geltaro::points::comparerCles(noms[a], noms[b]);
    return valeurs[a] < valeurs[b] ? -1 : valeurs[a] == valeurs[b] ? 0 : 1;
  };
  std::vector<std::size_t> ordre(n);
  for (std::size_t k = 0; k < n; ++k) ordre[k] = k;
  const bool croissant = etat.croissant;
  std::stable_sort(ordre.begin(), ordre.end(), [&](std::size_t a, std::size_t b) {
    const int c = comparer(a, b);
    return croissant ? c < 0 : c > 0;
  });
  liste.reorder(ordre, colonne, croissant);
}

std::vector<int> DlgPntsDuDessin::lignesAction() const {
  const auto& liste = get<ListView>(kListe);
  std::vector<int> indices;
  std::vector<std::int64_t> choisis = liste.selectedData();
  if (choisis.empty()) {
    for (const auto& r : liste.rows()) choisis.push_back(r.data);
  }
  for (auto d : choisis) indices.push_back(int(d));
  return indices;
}

void DlgPntsDuDessin::onPress(int id) {
  switch (id) {
    case kExporter: exporter(); break;
    case kPlacer: placer(); break;
    case kRaffraichir: raffraichir(); break;
    case kImporter: importer(); break;
    case kTableXYZ: tableXYZ(); break;
    default: break;
  }
}

void DlgPntsDuDessin::onSelectionChange(int id) {
  if (id == kComboCode) remplirListe(codeFiltre());
}

void DlgPntsDuDessin::onHeaderClick(int id, int column) {
  if (id == kListe) trierSur(column);
}

bool DlgPntsDuDessin::onOk() {
  const auto& liste = get<ListView>(kListe);
  const int premier = liste.firstSelected();
  pointChoisi = premier < 0 ? -1 : int(liste.row(premier).data);
  return true;
}

void DlgPntsDuDessin::onCancel() { pointChoisi = -1; }

void DlgPntsDuDessin::exporter() {
  if (!table) return;
  FileDialog dialogue(false, "XYZ", {}, OFN_OVERWRITEPROMPT,
                      "Fichier N° X Y Z (.xyz)|*.xyz|Fichier Texte N° X Y Z (.TXT)|*.txt|Document word "
                      "(.doc)|*.doc|Fichier HTML(.htm)|*.htm; *.html|Tous (*.*)|*.*||");
  if (dialogue.doModal() != IDOK) return;
  exporterPoints(*table, lignesAction(), dialogue.pathName());
}

void DlgPntsDuDessin::placer() {
  if (!table) return;
  const int code = codeFiltre();
  ProgressDialog progression("Placement des points");
  progression.setRange(0, table->nbPoint());
  if (codifs) codifs->creerCalques(zcdbCurDwg());
  for (int i = 0; i < table->nbPoint(); ++i) {
    pointDuDessin* p = table->getData(i);
    if (code == -1 || p->getCode() == code) p->updateDrawing();
    progression.stepIt();
  }
}

void DlgPntsDuDessin::raffraichir() {
  if (!table) return;
  table->updateFromDrawing();
  remplirListe(codeFiltre());
}

void DlgPntsDuDessin::importer() {
  if (!table) return;
  int types = 0;
  std::wstring tagNumero, tagAltitude, tagCode;
  ZcGeVector2d decalage;
  if (!demanderParamsImport(types, tagNumero, tagAltitude, tagCode, decalage) || types == 0) return;
  hideForPick();
  table->importFromDrawing(types, tagNumero, tagAltitude, tagCode, decalage);
  // The import may have added codes: the same position stays selected.
  remplirCodes(get<ComboBox>(kComboCode).selection());
  remplirListe(codeFiltre());
  showAfterPick();
}

void DlgPntsDuDessin::tableXYZ() {
  if (!table) return;
  std::vector<pointDuDessin> points;
  for (int i : lignesAction()) points.push_back(*table->getData(i));
  placerTableCoordonnees(points, this);
}

bool exporterPoints(const listePointsDuDessin& table, const std::vector<int>& indices, const std::string& chemin) {
  std::vector<const pointDuDessin*> points;
  points.reserve(indices.size());
  for (int i : indices) points.push_back(table.getData(i));
  const std::string extension = minuscules(chemin.substr(std::min(chemin.size(), chemin.rfind('.') + 1)));
  const bool document = chemin.rfind('.') != std::string::npos &&
                        (extension == "htm" || extension == "html" || extension == "doc");
  ProgressDialog progression("Export des points");
  progression.setRange(0, int(points.size()));
  const bool ok = document ? ecrireDocumentPoints(points, chemin, extension == "doc", progression)
                           : ecrireFichierPoints(points, chemin, progression);
  if (!ok) zcutPrintf(L"\nImpossible d'écrire le fichier [%s]", host::fromUtf8(chemin).c_str());
  return ok;
}

namespace {

void ouvrirSurTableCourante(int mode) {
  if (!tablesPoints) return;
  geltaro::frame::ressourcesModule ressources;
  DlgPntsDuDessin dialogue;
  dialogue.mode = mode;
  dialogue.codifs = &codification();
  dialogue.table = tablesPoints->currTable();
  dialogue.doModal();
}

}  // namespace

void commandeImportPoints() { ouvrirSurTableCourante(12); }
void commandeExportPoints() { ouvrirSurTableCourante(17); }
void commandeMajPoints() { ouvrirSurTableCourante(16); }
void commandeTableXYZ() { ouvrirSurTableCourante(18); }
