#include "module/commands.hpp"

#include <memory>

#include "aids/carroyage_dialog.hpp"
#include "aids/planche_dialog.hpp"
#include "aids/pol3d.hpp"
#include "aids/projection.hpp"
#include "aids/rattachement_z.hpp"
#include "aids/rectangle.hpp"
#include "calc/helmert_dialog.hpp"
#include "calc/moindres_carres_dialog.hpp"
#include "calc/traverse_dialogs.hpp"
#include "field/gsi_dialog.hpp"
#include "field/implantation_dialog.hpp"
#include "host/db/entities.hpp"
#include "host/ed/editor.hpp"
#include "points/project.hpp"
#include "tools/codification_commands.hpp"
#include "tools/description_bloc.hpp"
#include "tools/legendes.hpp"
#include "tools/lisp_choix.hpp"
#include "tools/lisp_entites.hpp"
#include "tools/lisp_points.hpp"
#include "tools/points_dialog.hpp"
#include "tools/superpos.hpp"
#include "tools/tables_manager.hpp"
#include "tools/xyz_dialog.hpp"

namespace {
// The drawing aids ask codes with the point tools' chooser, handed over here.
void c_projpolyAvecCodes() { c_projpoly(demanderCode); }
}  // namespace

const std::array<commandeModule, 13> tableCommandes = {{
    {L"CARROYAGE", 2, commandeCarroyage},
    {L"VCODIFICATION", 1, vcodification},
    {L"COORDSXYZ", 0, commandeCoordsXYZ},
    {L"CORRPOLFERMEE", 0, commandeCorrPolFermee},
    {L"CORRPOLOUVERTE", 0, commandeCorrPolOuverte},
    {L"CORRMCARRES", 0, commandeCorrMCarres},
    {L"IMPORTGSI", 0, commandeImportGSI},
    {L"RECT3PT", 3, commandeRect3pt},
    {L"IMPORTPOINTS", 2, commandeImportPoints},
    {L"EXPORTPOINTS", 2, commandeExportPoints},
    {L"TABLEXYZ", 2, commandeTableXYZ},
    {L"MAJPOINTS", 2, commandeMajPoints},
    {L"PTSEN3D", 0, ptsEn3d},
}};

const std::array<fonctionLisp, 42> tableFonctionsLisp = {{
    {L"calctailleblock", lisp_calctailleblock},
    {L"add_pt", lisp_add_pt},
    {L"analyse", lisp_analyse},
    {L"attrvisibility", lisp_attrvisibility},
    {L"c:projpoly", c_projpolyAvecCodes},
    {L"c:vcode", c_vcode},
    {L"ename_pt", lisp_ename_pt},
    {L"getsegtype", lisp_getsegtype},
    {L"is_vrplus2018", lisp_is_vrplus2018},
    {L"k_getpt", lisp_k_getpt},
    {L"maxnum", lisp_maxnum},
    {L"modif-attrib", lisp_modif_attrib},
    {L"reg_pts", lisp_reg_pts},
    {L"select_all", lisp_select_all},
    {L"seloncode", lisp_seloncode},
    {L"selonnum", lisp_selonnum},
    {L"vrdelfile", lisp_vrdelfile},
    {L"superpos", lisp_superpos},
    {L"sxd", lisp_sxd},
    {L"wait_user", lisp_wait_user},
    {L"gltraddpt", lisp_gltraddpt},
    {L"loadcodept", lisp_loadcodept},
    {L"addcodept", lisp_addcodept},
    {L"resetcodespts", lisp_resetcodespts},
    {L"choixpoint", lisp_choixpoint},
    {L"chgreppts", lisp_chgreppts},
    {L"updarxttxt", lisp_updarxttxt},
    {L"c:decrireblock", c_decrireblock},
    {L"c:tablegendes", c_tablegendes},
    {L"c:gererLeves", c_gererLeves},
    {L"C:pointsParDecalage", C_pointsParDecalage},
    {L"C:ZoomLeve", C_ZoomLeve},
    {L"selectionnerCode", lisp_selectionnerCode},
    {L"c:TopJndre", c_TopJndre},
    {L"VRELTEXT", lisp_VRELTEXT},
    {L"c:DISSOCBLOCK", lisp_DISSOCBLOCK},
    {L"c:IMPLANT2", c_IMPLANT2},
    {L"c:VRDEPORTPNTS", c_VRDEPORTPNTS},
    {L"c:VRAJUSTERZ", c_VRAJUSTERZ},
    {L"c:HELMERT", c_HELMERT},
    {L"c:CREERPLANCHE", c_CREERPLANCHE},
    {L"C:POL3DTOPOL2D", C_POL3DTOPOL2D},
}};

void ptsEn3d() {
  int places = 0;
  ZcDbDatabase* db = zcdbCurDwg();
  if (tablesPoints && db) {
    ZcDbObjectPointer<ZcDbBlockTableRecord> espace(db->modelSpaceId(), ZcDb::kForWrite);
    if (espace.openStatus() == Zcad::eOk) {
      for (const pointDuDessin& p : tablesPoints->currTable()->points()) {
        // Points without altitude (1e38) and absurd altitudes stay out.
        if (!(p.getZ() >= -1e8 && p.getZ() < 1e8)) continue;
        auto point = std::make_unique<ZcDbPoint>(p.getAs3dPnt());
        if (espace->appendZcDbEntity(point.get()) == Zcad::eOk) ++places;
      }
    }
  }
  zcutPrintf(L"\n %d points placés", places);
}
