// The texts of the network: vectors and matrices, the listing of the
// observations, the standard deviation of unit weight and the analysis of
// the residuals.
#include "calc/reseau_mc.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdarg>
#include <cwchar>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include "calc/reseau_mc_outils.hpp"
#include "host/app/host_app.hpp"
#include "host/db/database.hpp"
#include "host/ed/editor.hpp"

using namespace reseau_mc_outils;

// ---- Print formats -----------------------------------------------------

std::wstring texteVecteur(const std::wstring& nom, const std::vector<double>& valeurs) {
  std::wstring t = format(L"\r\nVecteur %ls (%d elements)", nom.c_str(), int(valeurs.size()));
  for (std::size_t i = 0; i < valeurs.size(); ++i) t += format(L"\r\n%d | %14.10f |", int(i), valeurs[i]);
  t += L"\r\n---------";
  return t;
}

std::wstring texteMatrice(const std::wstring& nom, int lignes, int colonnes, const std::vector<double>& valeurs) {
  std::wstring t = format(L"\r\nMatrice %ls (%d Lignes, %d Colonnes)", nom.c_str(), lignes, colonnes);
  for (int i = 0; i < lignes; ++i) {
    t += format(L"\r\n%d |", i);
    for (int j = 0; j < colonnes; ++j) {
      const std::size_t k = std::size_t(i) * std::size_t(colonnes) + std::size_t(j);
      t += format(L" %14.4f", k < valeurs.size() ? valeurs[k] : 0.0);
    }
  }
  t += L"\r\n---------";
  return t;
}

std::wstring reseau_mc_outils::texteSigma0(const bilanCalcul& bilan) {
  if (!bilan.sigma0) return L"\r\nEcart type de l'unité de poids : non calculable (redondance nulle)";
  return format(L"\r\nEcart type de l'unité de poids = %.4f", *bilan.sigma0);
}

// ---- Listing and descriptions --------------------------------------------

void reseauMoindresCarres::lister() {
  texte.clear();
  for (std::size_t i = 0; i < points.size(); ++i) {
    const auto& p = points[i];
    if (!p.connuXY) continue;
    if (p.Z != kValeurAbsente)
      texte += format(L"\r\n%d Point %10ls  X=%14.4f Y=%14.4f Z=%14.4f", int(i), p.nom.c_str(), p.X, p.Y, p.Z);
    else
      texte += format(L"\r\n%d Point %10ls  X=%14.4f Y=%14.4f Z: Inconnu", int(i), p.nom.c_str(), p.X, p.Y);
  }
  texte += L"\r\nPoints à calculer:";
  for (std::size_t i = 0; i < points.size(); ++i)
    if (!points[i].connuXY) texte += format(L"\r\nPoint %d %10ls  ", int(i), points[i].nom.c_str());
  texte += L"\r\nObservations";
  for (const auto& o : observations) texte += L"\r\n" + decrire(o);
}

std::wstring reseauMoindresCarres::decrire(const ObservationReduite& o) const {
  auto nom = [&](int i) -> std::wstring {
    return i >= 0 && i < int(points.size()) ? points[i].nom : std::wstring(L"?");
  };
  switch (o.type) {
    case kObsAngle:
      return format(L"Angle %ls %ls %ls = %14.4f (grades)", (o.reference < 0 ? std::wstring(L"NORD") : nom(o.reference)).c_str(),
                    nom(o.station).c_str(), nom(o.cible).c_str(), o.valeur * kRadEnGrades);
    case kObsDistance:
      return format(L"Distance %ls-%ls = %14.4f ", nom(o.station).c_str(), nom(o.cible).c_str(), o.valeur);
    default:
      return format(L"Dénivellée %ls vers %ls =%14.4f", nom(o.station).c_str(), nom(o.cible).c_str(), o.valeur);
  }
}

void reseauMoindresCarres::ecrireAnalyse() {
  if (bilan.test) {
    const testGlobal& t = *bilan.test;
    texte += format(L"\r\nTest global du khi² à 95 %% (redondance %d) : somme pv² = %.4f, intervalle [%.4f ; %.4f] : ",
                    t.redondance, t.vtpv, t.borneInf, t.borneSup);
    if (t.accepte) texte += L"accepté";
    else if (t.vtpv > t.borneSup)
      texte += L"refusé, écarts plus grands que les précisions données (faute ou poids trop forts)";
    else
      texte += L"refusé, écarts plus petits que les précisions données (poids trop faibles)";
  } else if (bilan.redondance > 0) {
    texte += L"\r\nTest global non effectué : tous les poids valent 1 (aucune précision donnée)";
  }
  if (bilan.residus.empty()) return;
  texte += format(L"\r\nRésidus normés (faute probable au-delà de %.2f) :", seuilResiduNorme);
  for (const residuNorme& r : bilan.residus) {
    const auto& o = observations[std::size_t(r.observation)];
    const double f = o.type == kObsDistance || o.type == kObsDenivelee ? 1000.0 : kRadEnMgr;
    const wchar_t* unite = o.type == kObsAngle ? L"mgr" : L"mm";
    if (!r.w) {
      texte += format(L"\r\nObservation %d : v = %.4f %ls, non contrôlée (redondance %.2f)", r.observation,
                      r.residu * f, unite, r.redondance);
      continue;
    }
    texte += format(L"\r\nObservation %d : v = %.4f %ls, w = %.2f (redondance %.2f)", r.observation, r.residu * f,
                    unite, *r.w, r.redondance);
    if (r.suspecte) texte += L"  <-- faute probable : " + decrire(o);
    else if (r.auDelaDuSeuil) texte += L"  (au-delà du seuil, peut-être l'effet de la faute probable)";
  }
}
