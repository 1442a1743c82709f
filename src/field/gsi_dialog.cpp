#include "field/gsi_dialog.hpp"

#include <algorithm>
#include <cstdio>
#include <set>
#include <unordered_set>

#include "field/carnet_rapport.hpp"
#include "frame/resources.hpp"
#include "frame/undo_group.hpp"
#include "host/app/host_app.hpp"
#include "host/ed/editor.hpp"
#include "host/ui/filedialog.hpp"
#include "points/blocks.hpp"
#include "points/codification.hpp"
#include "points/names.hpp"
#include "points/project.hpp"
#include "report/viewer.hpp"

using namespace host::ui;

namespace {

constexpr const char* kFiltresGsi = "Leica GSI|*.gsi|Sans extension|*.|Tous|*.*|Text|*.TXT||";
constexpr const char* kInvitation = "Appuyer sur le bouton Analyser \npour démarrer l'analyse!";

// The boxes show UTF-8; the file's bytes are Windows-1252.
std::string pourAffichage(const std::string& octets) { return host::toUtf8(host::fromAnsi(octets)); }

// Names and answers: the console speaks UTF-8, names are Windows-1252.
std::string versAnsi(const std::string& utf8) { return host::toAnsi(host::fromUtf8(utf8)); }

// Code used when word 71 gives none the codification knows.
constexpr int kCodeParDefaut = 1;
// Questions asked again after a wrong answer, before giving up.
constexpr int kEssais = 5;

// A point of the current table by name (Windows-1252).
const pointDuDessin* pointDeLaTable(const std::string& nom) {
  if (!tablesPoints) return nullptr;
  listePointsDuDessin* table = tablesPoints->currTable();
  int pos = -1;
  if (!table->existPoint(host::fromAnsi(nom).c_str(), pos) || pos < 0) return nullptr;
  return table->getData(pos);
}

// The station of the lines before the book's first set-up: a point of the
// current table by name, or typed coordinates X,Y[,Z]; Enter leaves the
// lines out. False on Escape.
bool demanderStationInitiale(miseEnStation& s) {
  const std::wstring invite = L"\nStation des " + std::to_wstring(s.mesures.size()) +
                              L" mesures avant la première mise en station (nom d'un point de la table, X,Y[,Z], "
                              L"ou Entrée pour les ignorer) : ";
  for (int essai = 0; essai < kEssais; ++essai) {
    std::string reponse;
    if (!host::askLine(invite.c_str(), reponse)) return false;
    if (reponse.empty()) {
      s.ignoree = true;
      return true;
    }
    ZcGePoint3d p;
    if (reponse.find(',') != std::string::npos && host::parsePoint(reponse, host::lastPoint(), p)) {
      s.nom = host::toAnsi(L"Station saisie");
      s.positionConnue = true;
      s.x = p.x, s.y = p.y, s.z = p.z;
      // "x,y" gives no altitude: the heights are then not computed.
      s.aZ = std::count(reponse.begin(), reponse.end(), ',') >= 2;
      return true;
    }
    if (const pointDuDessin* point = pointDeLaTable(versAnsi(reponse))) {
      s.nom = point->getNomPoint();
      s.positionConnue = true;
      s.x = point->getX(), s.y = point->getY();
      s.aZ = point->aUneAltitude();
      s.z = s.aZ ? point->getZ() : 0.0;
      return true;
    }
    zcutPrint("\nLe point " + reponse + " n'est pas dans la table courante.");
  }
  return false;
}

// The backsights of a set-up that nothing orients: names of known points
// (current table first, else the book's coordinate lines) sighted from it.
// Enter keeps the angles read as bearings. False on Escape.
bool demanderVisees(miseEnStation& s, entreesCarnet entrees, const carnetObservations& carnet) {
  const std::string nomStation = host::toUtf8(nomMiseEnStation(s));
  const std::wstring invite = L"\nOrientation de " + host::fromUtf8(nomStation) +
                              L" : points connus visés (noms séparés par des blancs, "
                              L"Entrée pour prendre les angles lus comme gisements) : ";
  for (int essai = 0; essai < kEssais; ++essai) {
    std::string reponse;
    if (!host::askLine(invite.c_str(), reponse)) return false;
    if (reponse.empty()) return true;
    std::vector<pointReference> connus;
    std::string inconnus;
    std::size_t debut = 0;
    while ((debut = reponse.find_first_not_of(" \t", debut)) != std::string::npos) {
      const std::size_t fin = std::min(reponse.find_first_of(" \t", debut), reponse.size());
      const std::string nom = versAnsi(reponse.substr(debut, fin - debut));
      debut = fin;
      if (const pointDuDessin* p = pointDeLaTable(nom)) {
        connus.push_back({nom, p->getX(), p->getY()});
        continue;
      }
      auto it = carnet.pointsConnus().find(nom);
      if (it != carnet.pointsConnus().end()) {
        connus.push_back({nom, it->second.point.getX(), it->second.point.getY()});
        continue;
      }
      inconnus += " " + pourAffichage(nom);
    }
    if (!inconnus.empty()) {
      zcutPrint("\nPoints inconnus (ni dans la table courante, ni dans le carnet) :" + inconnus);
      continue;
    }
    std::vector<std::string> manquants;
    if (orienterSurVisees(s, entrees, connus, &manquants) && manquants.empty()) return true;
    std::string liste;
    for (const std::string& m : manquants) liste += " " + pourAffichage(m);
    zcutPrint("\nPoints non visés depuis la station " + nomStation + " :" + liste);
    s.visees.clear();
    s.orientation = orientationStation::aucune;
    s.correction = 0.0;
  }
  return false;
}

// A name for a point kept beside one of the same name: the name (cut to
// leave room) followed by "_2", "_3", ...; none of `pris` (name keys).
std::string nomAvecSuffixe(const std::string& nom, const std::unordered_set<std::string>& pris) {
  for (int n = 2;; ++n) {
    const std::string suffixe = "_" + std::to_string(n);
    const std::size_t place = std::size_t(pointDuDessin::kTailleNom - 1) - suffixe.size();
    const std::string candidat = nom.substr(0, std::min(nom.size(), place)) + suffixe;
    if (!pris.count(geltaro::points::cleNom(candidat))) return candidat;
  }
}

}  // namespace

ImportGSI::ImportGSI(carnetObservations* carnet)
    : Dialog("Import GSI"), carnet_(carnet ? carnet : &carnetObservations::instance()) {
  add<Edit>(kChemin, "Fichier").setReadOnly();
  add<PictureButton>(kFichier, "Fichier...");
  add<RichText>(kTexteFichier, "Contenu du fichier");
  add<Button>(kAnalyser, "Analyser");
  add<Button>(kCalculer, "Calculer les points");
  add<RichText>(kAnalyse, "Analyse");
  add<ProgressBar>(kProgression, "Progression");
  add<Button>(IDOK, "OK");
  add<Button>(IDCANCEL, "Cancel");
}

void ImportGSI::onInit() {
  get<Edit>(kChemin).setText(chemin_);
  get<Button>(kAnalyser).enable(!chemin_.empty());
  get<Button>(kCalculer).enable(finAnalyse_ > debutAnalyse_);
}

ImportGSI::~ImportGSI() = default;

void ImportGSI::onPress(int id) {
  if (id == kFichier) ouvrir();
  else if (id == kAnalyser) analyser();
  else if (id == kCalculer) calculerPoints();
}

void ImportGSI::ouvrir() {
  FileDialog dialogue(true, "TXT", "*.TXT", OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY, kFiltresGsi);
  if (dialogue.doModal() != IDOK) return;
  charger(dialogue.pathName());
}

void ImportGSI::charger(const std::string& chemin) {
  chemin_ = chemin;
  lignes_ = lireLignesGsi(chemin);
  texteFichier_.clear();
  for (const std::string& l : lignes_) texteFichier_ += l + "\r\n";
  texteAnalyse_.clear();

  get<RichText>(kTexteFichier).setText(pourAffichage(texteFichier_));
  get<RichText>(kAnalyse).setText(kInvitation);
  auto& barre = get<ProgressBar>(kProgression);
  barre.setRange(0, 100);
  barre.setPos(0);
  get<Button>(kAnalyser).enable();
  debutAnalyse_ = finAnalyse_ = 0;
  get<Button>(kCalculer).enable(false);
  get<Edit>(kChemin).setText(chemin_);
}

void ImportGSI::analyser() {
  get<RichText>(kAnalyse).setText({});
  auto& barre = get<ProgressBar>(kProgression);
  barre.setRange(0, std::max(int(lignes_.size()) - 1, 0));
  debutAnalyse_ = carnet_->observations().size();
  texteAnalyse_ = analyserLignesGsi(lignes_, *carnet_, [&barre](int i) { barre.setPos(i); });
  finAnalyse_ = carnet_->observations().size();
  get<RichText>(kAnalyse).setText(pourAffichage(texteAnalyse_));
  get<Button>(kCalculer).enable(finAnalyse_ > debutAnalyse_);
}

bool ImportGSI::calculerPoints() {
  resultat_ = {};
  nomsPlaces_.clear();
  rapport_.reset();
  calcule_ = false;
  const entreesCarnet entrees(carnet_->observations().data() + debutAnalyse_, finAnalyse_ - debutAnalyse_);
  std::vector<miseEnStation> stations = decouperEnStations(entrees, carnet_->stations());
  if (stations.empty()) {
    zcutPrint("\nAucune mesure (angle horizontal) dans le carnet : aucun point à calculer.");
    return false;
  }
  if (!tablesPoints) {
    zcutPrint("\nAucun projet de points n'est ouvert dans ce dessin.");
    return false;
  }

  // The questions first: Escape at any of them places nothing.
  for (miseEnStation& s : stations) {
    if (s.index < 0 && !demanderStationInitiale(s)) return false;
    if (!s.ignoree && s.positionConnue && s.orientation == orientationStation::aucune &&
        !demanderVisees(s, entrees, *carnet_))
      return false;
  }
  resultat_ = calculerCarnet(std::move(stations), entrees);

  // The names: those already in the table (or given to an earlier point of
  // this book) are asked about.
  listePointsDuDessin* table = tablesPoints->currTable();
  std::unordered_set<std::string> pris;
  for (const pointDuDessin& p : table->points()) pris.insert(geltaro::points::cleNom(p.getNomPoint()));
  std::vector<std::string> noms;
  noms.reserve(resultat_.points.size());
  int ignores = 0;
  std::wstring pourTous;  // the answer given for every conflict, once chosen
  for (const pointCarnet& p : resultat_.points) {
    pointDuDessin nomme;
    nomme.setNomPoint(p.nom.c_str());
    std::string nom = nomme.getNomPoint();
    const std::string cle = geltaro::points::cleNom(nom);
    if (pris.count(cle)) {
      std::wstring choix = pourTous;
      if (choix.empty()) {
        zcedInitGet(0, L"Remplacer Garder Ignorer RTous GTous ITous");
        const std::wstring invite = L"\nLe point " + host::fromAnsi(nom) +
                                    L" existe déjà dans la table [Remplacer/Garder les deux/Ignorer/RTous/GTous/ITous]"
                                    L" <Garder les deux> : ";
        const int statut = zcedGetKword(invite.c_str(), choix);
        if (statut == RTCAN) {
          zcutPrint("\nCalcul abandonné : aucun point placé.");
          nomsPlaces_.clear();
          return false;
        }
        // "RTous", "GTous", "ITous": the same answer for every later conflict.
        if (choix.size() == 5 && choix.substr(1) == L"Tous") {
          choix = choix[0] == L'R' ? L"Remplacer" : choix[0] == L'I' ? L"Ignorer" : L"Garder";
          pourTous = choix;
        }
      }
      if (choix == L"Ignorer") {
        ++ignores;
        noms.emplace_back();
        continue;
      }
      if (choix != L"Remplacer") nom = nomAvecSuffixe(nom, pris);
    }
    pris.insert(geltaro::points::cleNom(nom));
    noms.push_back(nom);
  }

  // Every point in one undo step.
  {
    CAcadUndoGroup groupe;
    tableCodification& codes = codification();
    const auto existe = [&codes](int code) { return codes.indexDuCode(code) >= 0; };
    for (std::size_t i = 0; i < resultat_.points.size(); ++i) {
      if (noms[i].empty()) continue;
      const pointCarnet& c = resultat_.points[i];
      const codeEtObservation co = codeDuCarnet(c.code, c.remarque, existe, kCodeParDefaut);
      pointDuDessin p;
      p.setNomPoint(noms[i].c_str());
      p.setXY(c.x, c.y, c.z);
      p.setCode(co.code);
      placerPointDansTableCourante(p, host::fromAnsi(co.observation).c_str());
    }
  }
  nomsPlaces_ = std::move(noms);

  int horsTolerance = 0;
  for (const pointCarnet& p : resultat_.points) horsTolerance += p.horsTolerance;
  const int places = int(resultat_.points.size()) - ignores;
  const auto nombre = [](int n, const char* singulier, const char* pluriel) {
    return std::to_string(n) + " " + (n > 1 ? pluriel : singulier);
  };
  std::string texte = "\n" + nombre(places, "point placé", "points placés") + ", " +
                      nombre(ignores, "ignoré", "ignorés") + ", " +
                      nombre(int(resultat_.directions.size()), "direction seule", "directions seules") +
                      " (sans distance)";
  if (resultat_.lignesSansStation > 0)
    texte += ", " + std::to_string(resultat_.lignesSansStation) + " mesures sans station non calculées";
  texte += ".";
  if (horsTolerance > 0)
    texte += "\n" + std::to_string(horsTolerance) +
             " points s'écartent de plus de 5 mm des coordonnées de l'instrument (voir le rapport).";
  zcutPrint(texte + "\n");

  calcule_ = true;
  if (afficherRapport_) {
    rapport();
    afficherRapport(*rapport_);
  }
  return places > 0;
}

const htmlDocument* ImportGSI::rapport() const {
  if (!rapport_ && calcule_) {
    rapport_ = std::make_unique<htmlDocument>();
    remplirRapportCarnet(*rapport_, resultat_, chemin_);
  }
  return rapport_.get();
}

void commandeImportGSI() {
  geltaro::frame::ressourcesModule ressources;
  ImportGSI dialogue;
  dialogue.doModal();
}
