#include "tools/codification_dialogs.hpp"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cwchar>
#include <vector>

#include "frame/installation.hpp"
#include "host/app/host_app.hpp"
#include "host/db/resbuf.hpp"
#include "host/ui/host_calls.hpp"
#include "points/blocks.hpp"

using namespace host::ui;

namespace {

constexpr const char* kPasDeCode = "Pas de code à attribuer";
constexpr const char* kCodeIncorrect = "Code incorrect\nTapez un nombre compris entre 1 et 9999";
constexpr const char* kCodeExistant =
    "Code déjà existant\nTapez un '?' pour qu'un numéro soit attribué automatiquement";
constexpr const char* kConfirmation = "Confirmez la suppression\ndes éléments sélectionnés";

// Codes the dialogs hand out.
constexpr int kCodeMin = 1;
constexpr int kCodeMax = 9999;

std::wstring rogner(const std::wstring& texte) {
  constexpr const wchar_t* blancs = L" \t,;.";
  const auto debut = texte.find_first_not_of(blancs);
  if (debut == std::wstring::npos) return {};
  return texte.substr(debut, texte.find_last_not_of(blancs) - debut + 1);
}

// atoi on a wide text, clamped to the int range instead of overflowing.
int valeurDecimale(const std::wstring& texte) {
  const long long v = std::wcstoll(texte.c_str(), nullptr, 10);
  return int(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

std::string utf8(const std::wstring& w) { return host::toUtf8(w); }

std::string formatEntier(const char* format, int v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

// Lower case of ASCII and Latin-1 letters, for sorting ignoring case.
wchar_t minuscule(wchar_t c) {
  if ((c >= L'A' && c <= L'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return wchar_t(c + 0x20);
  return c;
}

int comparerSansCasse(const std::wstring& a, const std::wstring& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const wchar_t x = minuscule(a[i]), y = minuscule(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

int comparer(int a, int b) { return a < b ? -1 : a > b ? 1 : 0; }

}  // namespace

// ----------------------------------------------------------- DlgCodification

DlgCodification::DlgCodification(tableCodification& table, bool nouveauCode)
    : Dialog("Codification"), table_(table), nouveau_(nouveauCode) {
  add<Edit>(IDC_CODE, "Code");
  add<Edit>(IDC_LIBELLE, "Libellé");
  add<Static>(IDC_APERCU, "");
  add<Edit>(IDC_LAYER_BLOCK, "Layer Block");
  add<Edit>(IDC_LAYER_ALTITUDES, "Layer Altitudes");
  add<Edit>(IDC_LAYER_NUMERO, "Layer Numéros");
  add<Edit>(IDC_LAYER_OBS, "Layer Obs");
  add<Edit>(IDC_LAYER_CODE, "Layer Code");
  add<Edit>(IDC_TAILLE, "Taille").setRange(1e-6, 1e6);
  // A spin control of 0 to 8 beside the edit.
  add<Edit>(IDC_PRECISION, "Precision Altis").setIntRange(0, 8);
  add<Button>(IDC_SYMBOLE, "Symbole");
  add<Button>(IDOK, "OK");
  add<Button>(IDCANCEL, "Annuler");
  const codifPoint defaut;
  calques = defaut.calques;
  taille = defaut.tailleBlock;
  precision = defaut.precisionAltitudes;
}

void DlgCodification::depuis(const codifPoint& c) {
  code = std::to_wstring(c.code);
  libelle = c.libelle;
  chemin = c.chemin;
  calques = c.calques;
  taille = c.tailleBlock;
  precision = c.precisionAltitudes;
}

void DlgCodification::vers(codifPoint& c) const {
  c.libelle = libelle;
  c.chemin = chemin;
  c.calques = calques;
  c.tailleBlock = taille;
  c.precisionAltitudes = precision;
}

int DlgCodification::valeurCode() const { return valeurDecimale(rogner(code)); }

void DlgCodification::onInit() {
  get<Edit>(IDC_CODE).setReadOnly(!nouveau_);
  updateData(false);
  apercu();
  setFocus(nouveau_ ? IDC_CODE : IDC_LIBELLE);
}

void DlgCodification::doDataExchange(DataExchange& dx) {
  auto texte = [&](int id, std::wstring& valeur) {
    std::string t = utf8(valeur);
    dx.text(id, t);
    if (dx.saving()) valeur = host::fromUtf8(t);
  };
  texte(IDC_CODE, code);
  texte(IDC_LIBELLE, libelle);
  texte(IDC_LAYER_BLOCK, calques[codifPoint::kCalqueBlock]);
  texte(IDC_LAYER_ALTITUDES, calques[codifPoint::kCalqueAltitudes]);
  texte(IDC_LAYER_NUMERO, calques[codifPoint::kCalqueNumero]);
  texte(IDC_LAYER_OBS, calques[codifPoint::kCalqueObs]);
  texte(IDC_LAYER_CODE, calques[codifPoint::kCalqueCode]);
  if (dx.saving()) {
    dx.number(IDC_TAILLE, taille);
  } else {
    // All the significant digits: a scale of 1e-6 must not show as 0.000.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", taille);
    get<Edit>(IDC_TAILLE).setText(buf);
  }
  dx.integer(IDC_PRECISION, precision);
}

void DlgCodification::onKillFocus(int id) {
  if (id == IDC_CODE && nouveau_) validerCode();
}

void DlgCodification::onPress(int id) {
  if (id == IDC_SYMBOLE) choisirFichier();
}

bool DlgCodification::onOk() {
  // OK without leaving the code field must not let a wrong code through.
  if (nouveau_ && !validerCode()) return false;
  return Dialog::onOk();
}

bool DlgCodification::validerCode() {
  auto& champ = get<Edit>(IDC_CODE);
  const std::wstring texte = rogner(host::fromUtf8(champ.text()));
  if (texte == L"?") {
    std::vector<bool> pris(kCodeMax + 1, false);
    for (int i = 0; i < table_.nbCodes(); ++i) {
      const int c = table_.getAt(i).code;
      if (c >= kCodeMin && c <= kCodeMax) pris[std::size_t(c)] = true;
    }
    for (int c = kCodeMin; c <= kCodeMax; ++c) {
      if (!pris[std::size_t(c)]) {
        champ.setInteger(c);
        return true;
      }
    }
    zcMessageBox(kPasDeCode, "erreur", MB_OK | MB_ICONWARNING);
    setFocus(IDC_CODE);
    return false;
  }
  const int valeur = valeurDecimale(texte);
  if (valeur < kCodeMin || valeur > kCodeMax) {
    zcMessageBox(kCodeIncorrect, "Erreur", MB_OK | MB_ICONWARNING);
    setFocus(IDC_CODE);
    champ.setText("?");
    return false;
  }
  if (nouveau_ && table_.indexDuCode(valeur) >= 0) {
    zcMessageBox(kCodeExistant, "Erreur", MB_OK | MB_ICONWARNING);
    setFocus(IDC_CODE);
    return false;
  }
  return true;
}

bool DlgCodification::choisirFichier() {
  std::wstring fichier;
  const std::wstring depart = host::fromUtf8(cheminSysteme(chemin));
  if (zcedGetFileD(L"Fichier \u00e0 utiliser", depart.c_str(), L"dwg", 0, fichier) != RTNORM) return false;
  chemin = fichier;
  apercu();
  // The entry being edited takes the file at once. A new code has no entry
  // yet: the one that may hold the typed code is another, refused, entry.
  if (!nouveau_) {
    if (int i = table_.indexDuCode(valeurCode()); i >= 0) table_.getAt(i).chemin = chemin;
  }
  return true;
}

void DlgCodification::apercu() {
  if (!chemin.empty()) {
    // The library holds ".dxf" drawings known by their ".dwg" names.
    chemin = nomFichierBibliotheque(chemin);
    // Without a drive, the name is one of the installation folder. A name
    // from the root of this system's file tree is complete as it is.
    const bool racine = chemin.front() == L'\\' || chemin.front() == L'/';
    if (chemin.find(L':') == std::wstring::npos && !racine) chemin = fichierInstallation(chemin);
  }
  get<Static>(IDC_APERCU).setText(utf8(chemin));
}

bool editerCode(tableCodification& table, int i) {
  if (i < 0 || i >= table.nbCodes()) return false;
  DlgCodification dlg(table, false);
  dlg.depuis(table.getAt(i));
  if (dlg.doModal() == IDOK) dlg.vers(table.getAt(i));
  return true;
}

// ------------------------------------------------------- CDlgTabCodification

CDlgTabCodification::CDlgTabCodification(tableCodification& table) : Dialog("Table codification"), table_(table) {
  add<ListView>(IDC_LISTE_CODES, "Codes");
  add<Button>(IDC_NOUVEAU_CODE, "Nouveau");
  add<Button>(IDC_SUPPRIMER_CODES, "Supprimer");
  add<Button>(IDCANCEL, "Fermer");
}

void CDlgTabCodification::onInit() {
  auto& liste = get<ListView>(IDC_LISTE_CODES);
  // Grid lines, full-row selection and draggable headers have no headless
  // counterpart; the columns keep their shares of the width.
  liste.addColumn("Code", 20, Align::Left);
  liste.addColumn("Libéllé", 30, Align::Left);
  liste.addColumn("PreciZ", 15, Align::Right);
  liste.addColumn("Chemin", 35, Align::Left);
  liste.setMultiSelect(true);
  for (int i = 0; i < table_.nbCodes(); ++i) {
    const codifPoint& c = table_.getAt(i);
    liste.addRow({formatEntier("%5d", c.code), utf8(c.libelle), formatEntier("%d", c.precisionAltitudes), utf8(c.chemin)},
                 c.code);
  }
  // Rows are compared through the entries of their codes; a row whose code
  // is gone from the table compares equal to any other.
  liste.setComparator([this](const ListView::Row& a, const ListView::Row& b, int colonne) {
    const int ia = table_.indexDuCode(int(a.data)), ib = table_.indexDuCode(int(b.data));
    if (ia < 0 || ib < 0) return 0;
    const codifPoint& x = table_.getAt(ia);
    const codifPoint& y = table_.getAt(ib);
    switch (colonne) {
      case 0: return comparer(x.code, y.code);
      case 1: return comparerSansCasse(x.libelle, y.libelle);
      case 2: {
        const int p = comparer(x.precisionAltitudes, y.precisionAltitudes);
        return p != 0 ? p : comparer(x.code, y.code);
      }
      case 3: return comparerSansCasse(x.chemin, y.chemin);
      default: return 0;
    }
  });
}

void CDlgTabCodification::onHeaderClick(int id, int column) {
  // Always upwards, whatever the previous sort.
  if (id == IDC_LISTE_CODES) get<ListView>(id).sort(column, true);
}

void CDlgTabCodification::onPress(int id) {
  if (id == IDC_NOUVEAU_CODE) nouveauCode();
  if (id == IDC_SUPPRIMER_CODES) supprimerSelection();
}

void CDlgTabCodification::onDoubleClick(int id, int row) {
  if (id != IDC_LISTE_CODES) return;
  const int code = int(get<ListView>(id).row(row).data);
  table_.codeCree(code);
  const int i = table_.indexDuCode(code);
  editerCode(table_, i);
  // Also after Cancel: a block file chosen in the dialog is already in the entry.
  majLigne(row, table_.getAt(i));
}

void CDlgTabCodification::nouveauCode() {
  DlgCodification dlg(table_, true);
  dlg.code = L"-1";
  dlg.libelle = L" ???";
  dlg.chemin.clear();
  if (dlg.doModal() != IDOK) return;
  codifPoint c;
  c.code = dlg.valeurCode();
  dlg.vers(c);
  table_.ajouter(c);
  get<ListView>(IDC_LISTE_CODES)
      .addRow({formatEntier("%5d", c.code), utf8(c.libelle), formatEntier("%d", c.precisionAltitudes), utf8(c.chemin)},
              c.code);
}

void CDlgTabCodification::supprimerSelection() {
  auto& liste = get<ListView>(IDC_LISTE_CODES);
  std::vector<int> lignes = liste.selectedRows();
  if (lignes.empty()) return;
  if (zcMessageBox(kConfirmation, "Suppression", MB_YESNO) != IDYES) return;
  // From the last row up, so that the indexes still to come stay valid.
  std::sort(lignes.rbegin(), lignes.rend());
  for (int ligne : lignes) {
    const int code = int(liste.row(ligne).data);
    liste.removeRow(ligne);
    if (int i = table_.indexDuCode(code); i >= 0) table_.supprimer(i);
  }
}

void CDlgTabCodification::majLigne(int ligne, const codifPoint& c) {
  auto& liste = get<ListView>(IDC_LISTE_CODES);
  liste.setCell(ligne, 1, utf8(c.libelle));
  liste.setCell(ligne, 2, formatEntier("%d", c.precisionAltitudes));
  liste.setCell(ligne, 3, utf8(c.chemin));
}
