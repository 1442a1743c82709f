#include "tools/numbering.hpp"

#include "host/app/host_app.hpp"

#include <climits>
#include <cstdint>

#include "host/db/database.hpp"

using namespace host::ui;

namespace {

constexpr const char* kTitreNumerotation = "Num\u00e9rotation";
constexpr const char* kTitreChoix = "Choisissez";
constexpr const char* kColonneChoix = "Modeles";

std::string utf8(const std::wstring& w) { return host::toUtf8(w); }

}  // namespace

// --------------------------------------------------------- CModeNumerotation

CModeNumerotation::CModeNumerotation() : Dialog(kTitreNumerotation) {
  add<Edit>(IDC_NUM_PREFIXE, "Pr\u00e9fixe");
  add<Edit>(IDC_NUM_DEPART, "Num\u00e9ro de d\u00e9part").setIntRange(INT_MIN, INT_MAX);
  add<Edit>(IDC_NUM_SUFFIXE, "Suffixe");
  add<Edit>(IDC_NUM_EXEMPLE, "Exemple:").setReadOnly();
  add<Button>(IDOK, "OK");
  add<Button>(IDCANCEL, "Cancel");
}

void CModeNumerotation::onInit() {
  // The example stays empty until the prefix or the suffix is typed.
  updateData(false);
  setFocus(IDC_NUM_PREFIXE);
}

void CModeNumerotation::doDataExchange(DataExchange& dx) {
  auto texte = [&](int id, std::wstring& valeur) {
    std::string t = utf8(valeur);
    dx.text(id, t);
    if (dx.saving()) valeur = host::fromUtf8(t);
  };
  texte(IDC_NUM_PREFIXE, prefixe);
  dx.integer(IDC_NUM_DEPART, numero);
  texte(IDC_NUM_SUFFIXE, suffixe);
}

void CModeNumerotation::onKillFocus(int id) {
  if (id == IDC_NUM_PREFIXE || id == IDC_NUM_SUFFIXE) majExemple();
}

void CModeNumerotation::majExemple() {
  // Read from the fields without a data exchange, so that a start number
  // being corrected does not raise a message at each letter of the prefix;
  // until it is an integer again the example keeps the number last accepted.
  const auto depart = get<Edit>(IDC_NUM_DEPART).integer();
  const std::wstring exemple = formerNom(host::fromUtf8(get<Edit>(IDC_NUM_PREFIXE).text()), depart.value_or(numero),
                                        host::fromUtf8(get<Edit>(IDC_NUM_SUFFIXE).text()));
  get<Edit>(IDC_NUM_EXEMPLE).setText(utf8(exemple));
}

bool CModeNumerotation::onOk() {
  for (int id : {IDC_NUM_PREFIXE, IDC_NUM_SUFFIXE}) {
    const std::wstring texte = host::fromUtf8(get<Edit>(id).text());
    const bool blanc = texte.find_first_of(L" \t") != std::wstring::npos;
    if (blanc || host::fromAnsi(host::toAnsi(texte)) != texte) {
      setFocus(id);
      zcMessageBox(blanc ? "Un nom de point ne peut pas contenir d'espace ni de tabulation : le fichier ne le "
                           "relirait pas."
                         : "Un nom de point ne peut contenir que des caractères du jeu Windows-1252 des fichiers.",
                   "Numérotation", MB_OK | MB_ICONWARNING);
      return false;
    }
  }
  return Dialog::onOk();
}

bool demanderNumerotation(std::wstring& prefixe, int& numero, std::wstring& suffixe) {
  CModeNumerotation dlg;
  dlg.prefixe = prefixe;
  dlg.numero = numero;
  dlg.suffixe = suffixe;
  if (dlg.doModal() != IDOK) return false;
  prefixe = dlg.prefixe;
  numero = dlg.numero;
  suffixe = dlg.suffixe;
  return true;
}

// -------------------------------------------------------------- CMultiChoice

CMultiChoice::CMultiChoice(const std::vector<std::wstring>& elements, std::vector<std::uint16_t>& drapeaux,
                           const std::wstring& texte, const std::wstring& titre)
    : Dialog(titre.empty() ? std::string(kTitreChoix) : utf8(titre)), elements_(elements), drapeaux_(drapeaux) {
  add<Static>(IDC_CHOIX_TEXTE, utf8(texte));
  add<ListView>(IDC_CHOIX_LISTE, "Liste");
  add<Button>(IDC_CHOIX_TOUS, "Tous");
  add<Button>(IDC_CHOIX_AUCUN, "Aucun");
  add<Button>(IDC_CHOIX_INVERSER, "Inverser");
  add<Button>(IDOK, "OK");
  add<Button>(IDCANCEL, "Cancel");
}

void CMultiChoice::onInit() {
  auto& liste = get<ListView>(IDC_CHOIX_LISTE);
  // Full-row selection has no headless counterpart; the single column takes
  // the whole width of the list.
  liste.setCheckBoxes(true);
  liste.addColumn(kColonneChoix, 1, Align::Left);
  for (std::size_t i = 0; i < elements_.size(); ++i) {
    const int ligne = liste.addRow({utf8(elements_[i])}, std::int64_t(i));
    liste.setChecked(ligne, i < drapeaux_.size() && drapeaux_[i] != 0);
  }
}

void CMultiChoice::onPress(int id) {
  auto& liste = get<ListView>(IDC_CHOIX_LISTE);
  for (int ligne = 0; ligne < liste.rowCount(); ++ligne) {
    if (id == IDC_CHOIX_TOUS) liste.setChecked(ligne, true);
    else if (id == IDC_CHOIX_AUCUN) liste.setChecked(ligne, false);
    else if (id == IDC_CHOIX_INVERSER) liste.setChecked(ligne, !liste.checked(ligne));
  }
}

bool CMultiChoice::onOk() {
  // Rows keep the index of their item as data, whatever their order.
  const auto& liste = get<ListView>(IDC_CHOIX_LISTE);
  for (int ligne = 0; ligne < liste.rowCount(); ++ligne) {
    const auto i = std::size_t(liste.row(ligne).data);
    if (i < drapeaux_.size()) drapeaux_[i] = liste.checked(ligne) ? 1 : 0;
  }
  return true;
}

bool demanderChoix(const std::vector<std::wstring>& elements, std::vector<std::uint16_t>& drapeaux,
                   const std::wstring& texte, const std::wstring& titre, const std::wstring& /*colonne*/) {
  // The zeros stay in the caller's list whatever the answer, so that it
  // runs parallel to the items afterwards.
  if (drapeaux.empty() && !elements.empty()) drapeaux.assign(elements.size(), 0);
  if (drapeaux.size() != elements.size()) return false;
  CMultiChoice dlg(elements, drapeaux, texte, titre);
  return dlg.doModal() == IDOK;
}
