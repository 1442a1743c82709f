#include "report/viewer.hpp"

#include "host/ui/filedialog.hpp"
#include "host/ui/messagebox.hpp"
#include "host/ui/reportviewer.hpp"

using namespace host::ui;

namespace {

constexpr const char* kFiltre = "Fichier Word (.DOC)|*.doc|Fichier HTML(.htm)|*.htm; *.html||";

}  // namespace

resultPolygo::resultPolygo(const htmlDocument& document) : Dialog("Résultats des calculs"), document_(document) {
  add<Button>(IDC_SAUVEGARDER, "Sauvegarder");
  add<Button>(IDCANCEL, "Fermer");
}

void resultPolygo::onInit() { showReport(document_.path()); }

void resultPolygo::onPress(int id) {
  if (id == IDC_SAUVEGARDER) sauvegarder();
}

bool resultPolygo::sauvegarder() {
  FileDialog dialogue(false, "doc", {}, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, kFiltre);
  if (dialogue.doModal() != IDOK) return false;
  const std::string chemin = dialogue.pathName();

  // Whatever the extension chosen, the copy is the Word-compatible form.
  htmlDocument copie = document_;
  copie.setPath(chemin, htmlDocument::Word);
  if (!copie.write()) {
    zcMessageBox("Impossible de créer le fichier " + chemin + " !", "Erreur", MB_OK | MB_ICONERROR);
    return false;
  }
  zcMessageBox("Le fichier " + chemin + " a été crée ! ", "", MB_OK);
  return true;
}

int afficherRapport(htmlDocument& document) {
  // A report that could not be written is still shown: the viewer tells
  // that the file is missing.
  document.write();
  resultPolygo viewer(document);
  return viewer.doModal();
}
