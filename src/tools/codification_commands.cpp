#include "tools/codification_commands.hpp"

#include <algorithm>

#include "frame/resources.hpp"
#include "host/db/resbuf.hpp"
#include "host/ed/editor.hpp"
#include "host/ed/graphics.hpp"
#include "points/project.hpp"
#include "points/codification.hpp"
#include "tools/codification_dialogs.hpp"

namespace {
// Colour of the last marks: 1 to 7, kept while the module is loaded.
int gCouleurMarques = 0;
}  // namespace

void vcodification() {
  tableCodification& table = codification();
  {
    geltaro::frame::ressourcesModule ressources;
    CDlgTabCodification dlg(table);
    dlg.doModal();
  }
  table.sauver();
}

void c_vcode() {
  // Five pixels in drawing units.
  resbuf ecran, vue;
  if (zcedGetVar(L"SCREENSIZE", ecran) != RTNORM || zcedGetVar(L"VIEWSIZE", vue) != RTNORM) return;
  const double pixels = std::min(ecran.resval.rpoint.x, ecran.resval.rpoint.y);
  if (!(pixels > 0)) return;
  const double h = 5.0 * vue.resval.rreal / pixels;

  int code = 0;
  if (zcedGetInt(L"\nCode des points a visualiser:", code) != RTNORM) return;
  gCouleurMarques = gCouleurMarques % 7 + 1;

  if (!tablesPoints) return;
  for (const pointDuDessin& p : tablesPoints->currTable()->points()) {
    if (p.getCode() != code) continue;
    const double x = p.getX(), y = p.getY(), z = p.getZ();
    zcedGrDraw(ZcGePoint3d(x - h, y, z), ZcGePoint3d(x + h, y, z), gCouleurMarques, 0);
    zcedGrDraw(ZcGePoint3d(x, y - h, z), ZcGePoint3d(x, y + h, z), gCouleurMarques, 0);
  }
}
