#include "tools/description_bloc.hpp"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "frame/resources.hpp"
#include "host/db/entities.hpp"
#include "host/db/objects.hpp"
#include "host/ed/editor.hpp"
#include "host/ed/selection.hpp"
#include "host/lisp/lisp.hpp"
#include "points/storage.hpp"
#include "tools/legendes.hpp"

using namespace host::ui;

namespace {

constexpr const char* kEcritureImpossible = "La description du block n'a pas pu être écrite.";

std::string formatTaille(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%f", v);
  return buf;
}

// A description is one line: the line breaks of a multiline text and other
// control characters become blanks (a drawing file keeps one value a line).
std::wstring uneLigne(std::wstring s) {
  for (wchar_t& c : s)
    if (c < 0x20 || c == 0x7f) c = L' ';
  return s;
}

// The string of a single-line or multiline text; empty for anything else.
std::wstring texteDe(ZcDbObjectId id) {
  ZcDbObjectPointer<ZcDbEntity> e(id, ZcDb::kForRead);
  if (e.openStatus() != Zcad::eOk) return {};
  // Attributes and their definitions are texts of blocks, not comments.
  if (e->isA() == ZcDbText::desc()) return static_cast<ZcDbText*>(e.object())->textString();
  if (auto* m = ZcDbMText::cast(e.object())) return m->text();
  return {};
}

}  // namespace

CDlgCommentaireBlock::CDlgCommentaireBlock() : Dialog("Infos block") {
  add<Edit>(IDC_INFOBLOC_NOM, "Nom du block:").setReadOnly();
  add<Button>(IDC_INFOBLOC_CHOISIR, "Choisir");
  add<Edit>(IDC_INFOBLOC_TAILLE_X, "Taille X").setReadOnly();
  add<Edit>(IDC_INFOBLOC_TAILLE_Y, "Taille Y").setReadOnly();
  add<ComboBox>(IDC_INFOBLOC_DESCRIPTION, "Description", true);
  add<Button>(IDC_INFOBLOC_MODIFIER, "Modifier");
  add<Button>(IDCANCEL, "Fermer");
}

void CDlgCommentaireBlock::onInit() { activer(!bloc_.isNull()); }

void CDlgCommentaireBlock::activer(bool on) {
  for (int id : {IDC_INFOBLOC_NOM, IDC_INFOBLOC_TAILLE_X, IDC_INFOBLOC_TAILLE_Y, IDC_INFOBLOC_DESCRIPTION})
    find(id)->enable(on);
}

void CDlgCommentaireBlock::onPress(int id) {
  switch (id) {
    case IDC_INFOBLOC_CHOISIR: choisir(); break;
    case IDC_INFOBLOC_MODIFIER: modifier(); break;
    default: break;
  }
}

void CDlgCommentaireBlock::choisir() {
  // The host window gets the focus back with the dialog hidden; headless
  // there is no window to activate. The runner shows the dialog again.
  hideForPick();
  ads_name choix;
  ZcGePoint3d point;
  ZcDbObjectId bloc;
  while (bloc.isNull()) {
    const int etat = zcedEntSel(L"\nSelectionnez un block", choix, point);
    if (etat == RTCAN) return;
    if (etat != RTNORM) continue;
    ZcDbObjectPointer<ZcDbBlockReference> ref(choix.id, ZcDb::kForRead);
    if (ref.openStatus() == Zcad::eOk) bloc = ref->blockTableRecord();
  }
  std::wstring proposee;
  if (zcedEntSel(L"\nCommentaire:", choix, point) == RTNORM) proposee = uneLigne(texteDe(choix.id));
  bloc_ = bloc;
  afficher(proposee);
}

void CDlgCommentaireBlock::afficher(const std::wstring& proposee) {
  geltaro::points::descriptionBloc d;
  std::wstring nom;
  {
    ZcDbObjectPointer<ZcDbBlockTableRecord> bloc(bloc_, ZcDb::kForRead);
    if (bloc.openStatus() != Zcad::eOk) {
      bloc_ = ZcDbObjectId();
      activer(false);
      return;
    }
    nom = bloc->getName();
  }
  geltaro::points::lireDescriptionBloc(bloc_, d);
  double tx = 0, ty = 0;
  mesurerBloc(bloc_, tx, ty);

  activer(true);
  get<Edit>(IDC_INFOBLOC_NOM).setText(host::toUtf8(nom));
  get<Edit>(IDC_INFOBLOC_TAILLE_X).setText(formatTaille(tx));
  get<Edit>(IDC_INFOBLOC_TAILLE_Y).setText(formatTaille(ty));

  auto& description = get<ComboBox>(IDC_INFOBLOC_DESCRIPTION);
  description.clear();
  std::vector<std::wstring> textes;
  for (const std::wstring* s : {&d.commentaires, &d.surEntite, &d.surDefinition})
    if (!s->empty() && std::find(textes.begin(), textes.end(), *s) == textes.end()) textes.push_back(*s);
  if (textes.empty()) textes.push_back(L"Block " + nom);
  for (const std::wstring& s : textes) description.addItem(host::toUtf8(s));
  description.setText(host::toUtf8(proposee.empty() ? d.commentaires : proposee));
}

void CDlgCommentaireBlock::modifier() {
  if (bloc_.isNull()) return;
  const std::string texte = get<ComboBox>(IDC_INFOBLOC_DESCRIPTION).text();
  if (texte.empty()) return;
  if (geltaro::points::ecrireDescriptionBloc(bloc_, uneLigne(host::fromUtf8(texte))) != Zcad::eOk)
    zcMessageBox(kEcritureImpossible, "erreur", MB_OK | MB_ICONWARNING);
  afficher({});
}

void c_decrireblock() {
  {
    geltaro::frame::ressourcesModule ressources;
    CDlgCommentaireBlock dlg;
    dlg.doModal();
  }
  zcedRetT();
}
