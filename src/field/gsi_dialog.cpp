#include "field/gsi_dialog.hpp"

#include <algorithm>

#include "frame/resources.hpp"
#include "host/app/host_app.hpp"
#include "host/ui/filedialog.hpp"

using namespace host::ui;

namespace {

constexpr const char* kFiltresGsi = "Leica GSI|*.gsi|Sans extension|*.|Tous|*.*|Text|*.TXT||";
constexpr const char* kInvitation = "Appuyer sur le bouton Analyser \npour démarrer l'analyse!";

// The boxes show UTF-8; the file's bytes are Windows-1252.
std::string pourAffichage(const std::string& octets) { return host::toUtf8(host::fromAnsi(octets)); }

}  // namespace

ImportGSI::ImportGSI(carnetObservations* carnet)
    : Dialog("Import GSI"), carnet_(carnet ? carnet : &carnetObservations::instance()) {
  add<Edit>(kChemin, "Fichier").setReadOnly();
  add<PictureButton>(kFichier, "Fichier...");
  add<RichText>(kTexteFichier, "Contenu du fichier");
  add<Button>(kAnalyser, "Analyser");
  add<RichText>(kAnalyse, "Analyse");
  add<ProgressBar>(kProgression, "Progression");
  add<Button>(IDOK, "OK");
  add<Button>(IDCANCEL, "Cancel");
}

void ImportGSI::onInit() {
  get<Edit>(kChemin).setText(chemin_);
  get<Button>(kAnalyser).enable(!chemin_.empty());
}

void ImportGSI::onPress(int id) {
  if (id == kFichier) ouvrir();
  else if (id == kAnalyser) analyser();
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
  get<Edit>(kChemin).setText(chemin_);
}

void ImportGSI::analyser() {
  get<RichText>(kAnalyse).setText({});
  auto& barre = get<ProgressBar>(kProgression);
  barre.setRange(0, std::max(int(lignes_.size()) - 1, 0));
  texteAnalyse_ = analyserLignesGsi(lignes_, *carnet_, [&barre](int i) { barre.setPos(i); });
  get<RichText>(kAnalyse).setText(pourAffichage(texteAnalyse_));
}

void commandeImportGSI() {
  geltaro::frame::ressourcesModule ressources;
  ImportGSI dialogue;
  dialogue.doModal();
}
