// A console with a small test module loaded: one command that asks a point,
// a pick, a selection and opens a dialog, and one LISP function, so that the
// end-to-end tests drive every kind of answer through the real console.
#include <iostream>
#include <sstream>

#include "console.hpp"
#include "host/app/host_app.hpp"
#include "host/db/entities.hpp"
#include "host/ed/editor.hpp"
#include "host/ed/selection.hpp"
#include "host/lisp/lisp.hpp"
#include "host/ui/dialog.hpp"
#include "host/ui/runner.hpp"

namespace {

// A dialog with an edit, a check box and a button that picks a point.
class RadiusDialog : public host::ui::Dialog {
 public:
  RadiusDialog() : Dialog("Cercle d'essai") {
    add<host::ui::Edit>(101, "Rayon").setRange(0.001, 1000);
    add<host::ui::CheckBox>(102, "Sur le calque ESSAI");
    add<host::ui::Button>(103, "Centre...");
    add<host::ui::Static>(104, "Centre").setText("0,0");
  }
  double radius = 1;
  bool onLayer = false;
  ZcGePoint3d center;

 protected:
  void onInit() override { get<host::ui::Edit>(101).setNumber(radius, 3); }
  void onPress(int id) override {
    if (id != 103) return;
    hideForPick();
    ZcGePoint3d p;
    if (zcedGetPoint(nullptr, L"\nCentre du cercle: ", p) == RTNORM) {
      center = p;
      std::ostringstream o;
      o << p.x << "," << p.y;
      get<host::ui::Static>(104).setText(o.str());
    }
    showAfterPick();
  }
  bool onOk() override {
    if (!Dialog::onOk()) return false;
    radius = get<host::ui::Edit>(101).number().value_or(radius);
    onLayer = get<host::ui::CheckBox>(102).checked();
    return true;
  }
};

void essai() {
  ZcGePoint3d p;
  zcedInitGet(0, L"Annuler");
  int rc = zcedGetPoint(nullptr, L"\nPoint de depart: ", p);
  if (rc == RTKWORD || rc != RTNORM) {
    zcutPrintf(L"\nEssai abandonne.");
    return;
  }
  ads_name picked;
  ZcGePoint3d at;
  if (zcedEntSel(L"\nChoisir un objet: ", picked, at) == RTNORM)
    zcutPrintf(L"\nObjet %s", host::fromUtf8(picked.id.record()->typeName()).c_str());
  ZcSelectionSet ss;
  if (zcedSSGet(nullptr, nullptr, nullptr, nullptr, ss) == RTNORM) zcutPrintf(L"\n%d objets choisis", int(ss.ids.size()));
  RadiusDialog dlg;
  if (dlg.doModal() != host::ui::IDOK) {
    zcutPrintf(L"\nDialogue annule.");
    return;
  }
  ZcDbDatabase* db = zcdbCurDwg();
  auto line = std::make_unique<ZcDbLine>(p, dlg.center);
  auto circle = std::make_unique<ZcDbCircle>(dlg.center, dlg.radius);
  ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db->modelSpaceId(), ZcDb::kForWrite);
  ms->appendZcDbEntity(line.get());
  ms->appendZcDbEntity(circle.get());
  zcutPrintf(L"\nCercle de rayon %.3f.\n", dlg.radius);
}

int entryPoint(int message, void* appId) {
  switch (message) {
    case ZcRx::kInitAppMsg:
      zcrxDynamicLinker()->unlockApplication(appId);
      zcedRegCmds()->addCommand(L"ESSAIS", L"ESSAI", L"ESSAI", 0, essai);
      break;
    case ZcRx::kLoadDwgMsg:
      zcedDefun(L"c:bonjour", 0);
      zcedDefun(L"somme", 1);
      break;
    case ZcRx::kInvkSubrMsg: {
      zcedRetVoid();
      int code = zcedGetFunCode();
      if (code == 0) zcutPrintf(L"\nBonjour.");
      if (code == 1) {
        double sum = 0;
        for (const resbuf& r : zcedGetArgs()) sum += r.restype == RTREAL ? r.resval.rreal : r.resval.rint;
        zcedRetReal(sum);
      }
      break;
    }
    case ZcRx::kSaveMsg:
      zcutPrintf(L"\n(message d'enregistrement)\n");
      break;
    case ZcRx::kUnloadAppMsg:
      zcedRegCmds()->removeGroup(L"ESSAIS");
      break;
    default:
      break;
  }
  return 0;
}

int gAppId;

}  // namespace

int main(int argc, char** argv) {
  geltaro::ConsoleOptions o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--script" && i + 1 < argc) o.script = argv[++i];
    else if (a == "--save" && i + 1 < argc) o.saveTo = argv[++i];
    else if (a == "--echo") o.echo = true;
    else o.drawing = a;
  }
  return geltaro::runConsole(o, [] { host::loadModule(entryPoint, &gAppId); });
}
