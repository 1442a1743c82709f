#include "module/entry.hpp"

#include <memory>

#include "module/commands.hpp"
#include "frame/config.hpp"
#include "frame/data_manager.hpp"
#include "field/gsi.hpp"
#include "host/app/host_app.hpp"
#include "host/ed/editor.hpp"
#include "host/lisp/lisp.hpp"
#include "host/ui/messagebox.hpp"
#include "points/messages.hpp"
#include "points/project.hpp"
#include "points/storage.hpp"

int32_t sauvegardeActive = 0;

int32_t zcrxGetApiVersion() { return 0x07E50000; }

namespace {

void commandeNonDisponible(const wchar_t* nom) {
  zcutPrintf(L"\nLa commande %s n'est pas disponible dans cette version.", nom);
}

void enregistrerCommandes() {
  auto* pile = ZcEdCommandStack::cast(zcrxSysRegistry()->at(L"ZCAD_REGISTERED_COMMANDS"));
  if (!pile) return;
  for (const auto& c : tableCommandes) {
    std::function<void()> fonction = c.fonction;
    if (!fonction) fonction = [nom = c.nom] { commandeNonDisponible(nom); };
    pile->addCommand(kGroupeCommandes, c.nom, c.nom, c.flags, fonction);
  }
}

void initialiser(void* appId) {
  if (auto* linker = dynamic_cast<ZcRxDynamicLinker*>(zcrxSysRegistry()->at(L"DynamicLinker"))) {
    linker->unlockApplication(appId);
    linker->registerAppMDIAware(appId);
  }
  enregistrerCommandes();
}

void decharger() {
  if (auto* pile = ZcEdCommandStack::cast(zcrxSysRegistry()->at(L"ZCAD_REGISTERED_COMMANDS")))
    pile->removeGroup(kGroupeCommandes);
  // The decoded field books live as long as the module.
  carnetObservations::liberer();
}

void definirFonctions() {
  for (std::size_t i = 0; i < tableFonctionsLisp.size(); ++i)
    if (zcedDefun(tableFonctionsLisp[i].nom, int(i)) != RTNORM) break;
}

void oublierFonctions() {
  for (std::size_t i = 0; i < tableFonctionsLisp.size(); ++i) zcedUndef(tableFonctionsLisp[i].nom, int(i));
}

void appelerFonction() {
  zcedRetVoid();
  const int code = zcedGetFunCode();
  if (code < 0 || code >= int(tableFonctionsLisp.size())) return;
  if (auto f = tableFonctionsLisp[std::size_t(code)].fonction) f();
}

void sauver() {
  if (!tablesPoints) return;
  namespace msg = geltaro::points::messages;
  // A stored project that could not be read whole is not saved over without
  // the user's word: No (or no answer, as at the end of a script) keeps the
  // record as it is.
  if (tablesPoints->lectureIncomplete()) {
    using namespace host::ui;
    if (zcMessageBox(msg::kRemplacerProjetIllisible, msg::kTitreDonneesTopo, MB_YESNO | MB_ICONWARNING) != IDYES) {
      zcutPrintf(msg::kProjetConserve);
      return;
    }
    tablesPoints->oublierLectureIncomplete();
  }
  geltaro::points::sauverProjet(zcdbCurDwg(), tablesPoints, sauvegardeActive != 0);
}

// The per-document data manager. It removes itself from the document
// manager when it goes, so it must go first: the document manager is made
// before this holder (see attacherModule), and statics go in reverse order.
std::unique_ptr<AsdkDataManager<CDocData>>& donneesDocuments() {
  static std::unique_ptr<AsdkDataManager<CDocData>> manager;
  return manager;
}

}  // namespace

int zcrxEntryPoint(int message, void* appId) {
  switch (message) {
    case ZcRx::kInitAppMsg: initialiser(appId); break;
    case ZcRx::kUnloadAppMsg: decharger(); break;
    case ZcRx::kLoadDwgMsg: definirFonctions(); break;
    case ZcRx::kUnloadDwgMsg: oublierFonctions(); break;
    case ZcRx::kInvkSubrMsg: appelerFonction(); break;
    case ZcRx::kSaveMsg: sauver(); break;
    default: break;
  }
  return 0;
}

void setSrcInfosTopo(ZcDbDatabase* db, projetsTopo* projet, int sauvegarde, int chargerMaintenant) {
  sauvegardeActive = sauvegarde;
  tablesPoints = projet;
  if (!chargerMaintenant || !projet) return;
  geltaro::points::lireProjet(db, *projet);
}

void purgeInfosTopo() {
  geltaro::points::effacerProjetStocke(zcdbCurDwg());
  // Nothing stored is left to lose.
  if (tablesPoints) tablesPoints->oublierLectureIncomplete();
}

namespace geltaro {

void attacherModule() {
  zcDocManagerPtr();
  if (!donneesDocuments()) donneesDocuments() = std::make_unique<AsdkDataManager<CDocData>>();
  reglagesVrel();
  reglagesPolygonale();
}

void detacherModule() { donneesDocuments().reset(); }

}  // namespace geltaro
