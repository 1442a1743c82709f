#include "calc/poids_dialogs.hpp"

#include <cmath>
#include <cstdio>
#include <numbers>

#include "calc/formule_fichier.hpp"
#include "host/db/database.hpp"
#include "host/ui/filedialog.hpp"
#include "host/ui/messagebox.hpp"

using namespace host::ui;
using host::fromUtf8;
using host::toUtf8;

namespace {

constexpr const char* kFiltreFormules = "Formules Moindres carrés (*.fmc)|*.fmc||";
constexpr const char* kCaptionErreur = "Erreur";
constexpr const char* kPoidsCalcule = "* calc *";
constexpr const char* kVariableObs = "* obs *";
// A comment longer than this could not be read back from a formula file.
constexpr std::size_t kCommentaireMax = 255;

std::string formater(const char* format, double v) {
  char texte[400];
  std::snprintf(texte, sizeof texte, format, v);
  return texte;
}

// Constants keep their significant digits in the list.
std::string texteConstante(double v) { return formater("%.10g", v); }

void erreur(const std::string& texte) { zcMessageBox(texte, kCaptionErreur, MB_OK | MB_ICONWARNING); }

std::string messageNom(erreurNomConstante e) {
  switch (e) {
    case erreurNomConstante::vide: return "Le nom de la variable est vide";
    case erreurNomConstante::tropLong: return "Le nom de la variable est trop long";
    case erreurNomConstante::pasDesLettres: return "Le nom de la variable ne doit contenir que des lettres";
    case erreurNomConstante::variableObservation: return "Ce nom est celui d'une variable des observations";
    case erreurNomConstante::dejaDefinie: return "Cette variable existe déjà";
    default: return {};
  }
}

// A finite number typed in an edit.
std::optional<double> nombreFini(const Edit& e) {
  const auto v = e.number();
  if (!v || !std::isfinite(*v)) return std::nullopt;
  return v;
}

const char* libelleType(const ObservationReduite& o) {
  switch (o.type) {
    case kObsAngle: return o.reference < 0 ? "Gisement" : "Angle";
    case kObsDistance: return "Distance";
    default: return "Dénivellée";
  }
}

}  // namespace

// ============================================================ one constant

CDlgDefinirVariable::CDlgDefinirVariable(const formulesPoids& formules, int index)
    : Dialog("Définir une variable"), formules_(formules), index_(index) {
  add<Edit>(kNom, "Nom");
  add<Edit>(kValeur, "Valeur");
  add<Edit>(kCommentaire, "Commentaire");
  add<Button>(IDOK, "OK");
  add<Button>(IDCANCEL, "Annuler");
}

void CDlgDefinirVariable::onInit() {
  get<Edit>(kNom).setText(toUtf8(constante.nom));
  get<Edit>(kValeur).setText(texteConstante(constante.valeur));
  get<Edit>(kCommentaire).setText(toUtf8(constante.commentaire));
}

bool CDlgDefinirVariable::onOk() {
  constantePoids c;
  c.nom = fromUtf8(get<Edit>(kNom).text());
  // Blanks around the name are no part of it.
  while (!c.nom.empty() && (c.nom.back() == L' ' || c.nom.back() == L'\t')) c.nom.pop_back();
  while (!c.nom.empty() && (c.nom.front() == L' ' || c.nom.front() == L'\t')) c.nom.erase(0, 1);
  if (const auto e = formules_.verifierNom(c.nom, index_); e != erreurNomConstante::aucune) {
    setFocus(kNom);
    erreur(messageNom(e));
    return false;
  }
  const auto v = nombreFini(get<Edit>(kValeur));
  if (!v) {
    setFocus(kValeur);
    erreur("Entrez un nombre.");
    return false;
  }
  c.valeur = *v;
  c.commentaire = fromUtf8(get<Edit>(kCommentaire).text());
  if (c.commentaire.size() > kCommentaireMax) {
    setFocus(kCommentaire);
    erreur("Le commentaire est trop long (255 caractères au plus)");
    return false;
  }
  constante = std::move(c);
  return true;
}

// ============================================================ formulas

CDlgFormulePoids::CDlgFormulePoids(formulesPoids& formules)
    : Dialog("Formules poids des observations"), resultat_(formules), travail_(formules) {
  add<Edit>(kAngles, "Angles");
  add<Button>(kVerifierAngles, "Vérifer");
  add<Edit>(kGisements, "Gisements");
  add<Button>(kVerifierGisements, "Vérifer");
  add<Edit>(kDistances, "Distances");
  add<Button>(kVerifierDistances, "Vérifer");
  auto& liste = add<ListView>(kVariables, "Variables");
  liste.addColumn("Variable");
  liste.addColumn("Valeur");
  liste.addColumn("Commentaire", 2);
  add<Button>(kAjouter, "Ajouter");
  add<Button>(kSupprimer, "Supprimer");
  add<Button>(kModifier, "Modifier");
  add<Button>(kImporter, "Importer");
  add<Static>(IDC_STATIC, "Exemple");
  add<Edit>(kD1, "d1", "0");
  add<Edit>(kD2, "d2", "0");
  add<Edit>(kD3, "d3", "0");
  add<Edit>(kAngle, "angle(gr)", "0").setRange(0, 400);
  add<Button>(kCalculer, "Calculer");
  add<Edit>(kPoidsAngle1, "Poids Angle (1)").setReadOnly();
  add<Edit>(kPoidsAngle2, "Poids Angle (2)").setReadOnly();
  add<Edit>(kPoidsDistance, "Poids dist").setReadOnly();
  add<Button>(kEnregistrer, "Enregistrer");
  add<Button>(kCharger, "Charger");
  add<Button>(IDOK, "OK");
  add<Button>(IDCANCEL, "Annuler");
}

void CDlgFormulePoids::onInit() {
  afficherFormules();
  afficherVariables();
}

void CDlgFormulePoids::afficherFormules() {
  get<Edit>(kAngles).setText(toUtf8(travail_.formule(genreFormule::angle)));
  get<Edit>(kGisements).setText(toUtf8(travail_.formule(genreFormule::gisement)));
  get<Edit>(kDistances).setText(toUtf8(travail_.formule(genreFormule::distance)));
}

// The observation variables first (data -1 .. -4), then the constants
// (data = their index).
void CDlgFormulePoids::afficherVariables() {
  auto& liste = get<ListView>(kVariables);
  liste.clear();
  std::int64_t obs = -1;
  for (const auto& v : formulesPoids::variablesObs())
    liste.addRow({toUtf8(v.nom), kVariableObs, toUtf8(v.commentaire)}, obs--);
  const auto& constantes = travail_.constantes();
  for (std::size_t i = 0; i < constantes.size(); ++i)
    liste.addRow({toUtf8(constantes[i].nom), texteConstante(constantes[i].valeur), toUtf8(constantes[i].commentaire)},
                 std::int64_t(i));
}

void CDlgFormulePoids::lireFormules() {
  travail_.fixerFormule(genreFormule::angle, fromUtf8(get<Edit>(kAngles).text()));
  travail_.fixerFormule(genreFormule::gisement, fromUtf8(get<Edit>(kGisements).text()));
  travail_.fixerFormule(genreFormule::distance, fromUtf8(get<Edit>(kDistances).text()));
}

void CDlgFormulePoids::onPress(int id) {
  switch (id) {
    case kVerifierAngles: verifier(kAngles); break;
    case kVerifierGisements: verifier(kGisements); break;
    case kVerifierDistances: verifier(kDistances); break;
    case kAjouter: ajouter(); break;
    case kSupprimer: supprimer(); break;
    case kModifier: modifier(); break;
    case kImporter: importer(); break;
    case kCalculer: calculer(); break;
    case kEnregistrer: enregistrer(); break;
    case kCharger: charger(); break;
    default: break;
  }
}

void CDlgFormulePoids::onDoubleClick(int id, int) {
  if (id == kVariables) modifier();
}

void CDlgFormulePoids::verifier(int champ) {
  const Edit& e = get<Edit>(champ);
  zcMessageBox(toUtf8(travail_.verifier(fromUtf8(e.text()))), e.caption(), MB_OK);
}

int CDlgFormulePoids::constanteSelectionnee() {
  const auto& liste = get<ListView>(kVariables);
  const int ligne = liste.firstSelected();
  if (ligne < 0) return -1;
  const std::int64_t data = liste.row(ligne).data;
  if (data < 0) {
    erreur("Les variables des observations ne peuvent être ni modifiées ni supprimées");
    return -1;
  }
  return int(data);
}

void CDlgFormulePoids::ajouter() {
  CDlgDefinirVariable d(travail_);
  if (d.doModal() != IDOK) return;
  travail_.ajouterConstante(d.constante);
  afficherVariables();
  auto& liste = get<ListView>(kVariables);
  liste.setSelection({liste.findData(std::int64_t(travail_.constantes().size()) - 1)});
}

void CDlgFormulePoids::supprimer() {
  const int i = constanteSelectionnee();
  if (i < 0) return;
  travail_.supprimerConstante(i);
  afficherVariables();
}

void CDlgFormulePoids::modifier() {
  const int i = constanteSelectionnee();
  if (i < 0) return;
  CDlgDefinirVariable d(travail_, i);
  d.constante = travail_.constantes()[std::size_t(i)];
  if (d.doModal() != IDOK) return;
  travail_.modifierConstante(i, d.constante);
  afficherVariables();
  auto& liste = get<ListView>(kVariables);
  liste.setSelection({liste.findData(i)});
}

// The constants of another file join the list (a constant of the same name
// takes the imported value and comment); the formulas stay.
void CDlgFormulePoids::importer() {
  FileDialog dialogue(true, "fmc", {}, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, kFiltreFormules);
  if (dialogue.doModal() != IDOK) return;
  formulesPoids lu;
  if (const auto r = lireFichierFormules(dialogue.pathName(), lu); r != resultatFichierFormules::ok) {
    erreur(messageFichierFormules(r));
    return;
  }
  for (const constantePoids& c : lu.constantes()) {
    const int i = travail_.trouverConstante(c.nom);
    if (i >= 0)
      travail_.modifierConstante(i, c);
    else
      travail_.ajouterConstante(c);
  }
  afficherVariables();
}

void CDlgFormulePoids::calculer() {
  lireFormules();
  variablesObservation v;
  const std::pair<int, double*> champs[] = {{kD1, &v.d1}, {kD2, &v.d2}, {kD3, &v.d3}, {kAngle, &v.ang}};
  for (auto [id, valeur] : champs) {
    const Edit& e = get<Edit>(id);
    const auto x = nombreFini(e);
    std::string pourquoi = e.validate();
    if (!x && pourquoi.empty()) pourquoi = "Entrez un nombre.";
    if (!pourquoi.empty()) {
      setFocus(id);
      erreur(pourquoi);
      return;
    }
    *valeur = *x;
  }
  const std::pair<int, genreFormule> resultats[] = {
      {kPoidsAngle1, genreFormule::angle}, {kPoidsAngle2, genreFormule::gisement}, {kPoidsDistance, genreFormule::distance}};
  for (auto [id, genre] : resultats) {
    const auto p = travail_.evaluer(genre, v);
    get<Edit>(id).setText(p ? texteNombrePoids(*p) : std::string("Erreur"));
  }
}

void CDlgFormulePoids::enregistrer() {
  lireFormules();
  FileDialog dialogue(false, "fmc", {}, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY, kFiltreFormules);
  if (dialogue.doModal() != IDOK) return;
  if (const auto r = ecrireFichierFormules(dialogue.pathName(), travail_); r != resultatFichierFormules::ok)
    erreur(messageFichierFormules(r));
}

void CDlgFormulePoids::charger() {
  FileDialog dialogue(true, "fmc", {}, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, kFiltreFormules);
  if (dialogue.doModal() != IDOK) return;
  if (const auto r = lireFichierFormules(dialogue.pathName(), travail_); r != resultatFichierFormules::ok) {
    erreur(messageFichierFormules(r));
    return;
  }
  afficherFormules();
  afficherVariables();
}

bool CDlgFormulePoids::onOk() {
  lireFormules();
  resultat_ = travail_;
  return true;
}

// ============================================================ weight table

CDlgTabPoidsObse::CDlgTabPoidsObse(reseauMoindresCarres& reseau, formulesPoids& formules)
    : Dialog("Poids des observations"), reseau_(reseau), formules_(formules) {
  auto& liste = add<ListView>(kListe, "Observations");
  liste.addColumn("Type");
  liste.addColumn("Stat", 2);
  liste.addColumn("Mesure", 1, Align::Right);
  liste.addColumn("Poids", 1, Align::Right);
  liste.setMultiSelect(true);
  add<Edit>(kPoids, "Poids (vider pour calcul selon formules)");
  add<Button>(kFixer, "Fi&xer");
  add<Button>(kFormules, "&Formules");
  add<Button>(IDOK, "OK");
  add<Button>(IDCANCEL, "Annuler");
}

void CDlgTabPoidsObse::onInit() {
  auto nom = [&](int i) {
    return i >= 0 && std::size_t(i) < reseau_.points.size() ? toUtf8(reseau_.points[std::size_t(i)].nom)
                                                             : std::string("?");
  };
  auto& liste = get<ListView>(kListe);
  liste.clear();
  poids_.clear();
  for (std::size_t i = 0; i < reseau_.observations.size(); ++i) {
    const ObservationReduite& o = reseau_.observations[i];
    std::string stat = nom(o.station) + "-" + nom(o.cible);
    if (o.type == kObsAngle && o.reference >= 0) stat += " (" + nom(o.reference) + ")";
    // Angles in grades, as everywhere the user reads them.
    const double mesure = o.type == kObsAngle ? o.valeur * 200.0 / std::numbers::pi : o.valeur;
    liste.addRow({libelleType(o), stat, formater("%.4f", mesure), {}}, std::int64_t(i));
    poids_.push_back(o.poids);
    afficherPoids(int(i));
  }
}

void CDlgTabPoidsObse::afficherPoids(int observation) {
  auto& liste = get<ListView>(kListe);
  const int ligne = liste.findData(observation);
  if (ligne < 0) return;
  const double p = poids_[std::size_t(observation)];
  liste.setCell(ligne, 3, p == kValeurAbsente ? std::string(kPoidsCalcule) : texteNombrePoids(p));
}

void CDlgTabPoidsObse::onPress(int id) {
  if (id == kFixer) fixer();
  if (id == kFormules) ouvrirFormules();
}

void CDlgTabPoidsObse::fixer() {
  const Edit& champ = get<Edit>(kPoids);
  double p = kValeurAbsente;
  if (champ.text().find_first_not_of(" \t") != std::string::npos) {
    const auto v = nombreFini(champ);
    if (!v) {
      setFocus(kPoids);
      erreur("Entrez un nombre.");
      return;
    }
    p = std::fabs(*v);
    if (p == 0) p = kValeurAbsente;
  }
  for (std::int64_t i : get<ListView>(kListe).selectedData()) {
    if (i < 0 || std::size_t(i) >= poids_.size()) continue;
    poids_[std::size_t(i)] = p;
    afficherPoids(int(i));
  }
}

void CDlgTabPoidsObse::ouvrirFormules() {
  CDlgFormulePoids d(formules_);
  d.doModal();
}

bool CDlgTabPoidsObse::onOk() {
  for (std::size_t i = 0; i < poids_.size() && i < reseau_.observations.size(); ++i)
    reseau_.observations[i].poids = poids_[i];
  return true;
}
