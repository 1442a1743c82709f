#include "tools/xyz_table.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

#include "frame/installation.hpp"
#include "host/files/write_file.hpp"
#include "host/app/host_app.hpp"
#include "host/ed/editor.hpp"
#include "host/ui/messagebox.hpp"
#include "host/ui/progress.hpp"
#include "points/blocks.hpp"
#include "points/names.hpp"
#include "points/codification.hpp"
#include "tools/points_export.hpp"

namespace {

std::wstring trimmed(const std::wstring& s, const wchar_t* blanks) {
  const auto b = s.find_first_not_of(blanks);
  if (b == std::wstring::npos) return {};
  return s.substr(b, s.find_last_not_of(blanks) - b + 1);
}

std::wstring minuscules(std::wstring s) {
  for (wchar_t& c : s)
    if ((c >= L'A' && c <= L'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) c = wchar_t(c + 0x20);
  return s;
}

bool finitPar(const std::wstring& s, const std::wstring& fin) {
  return s.size() >= fin.size() && minuscules(s.substr(s.size() - fin.size())) == fin;
}

void erreurFichier() { host::ui::zcMessageBox("Erreur ouverture de fichier", "erreur", host::ui::MB_OK | host::ui::MB_ICONWARNING); }

bool blanc(char c) { return c == ' ' || c == '\t'; }

// The tokens of a line, separated by blanks and tabs.
void decouperLigne(std::string_view ligne, std::vector<std::string_view>& jetons) {
  jetons.clear();
  std::size_t i = 0;
  while (i < ligne.size()) {
    while (i < ligne.size() && blanc(ligne[i])) ++i;
    const std::size_t debut = i;
    while (i < ligne.size() && !blanc(ligne[i])) ++i;
    if (i > debut) jetons.push_back(ligne.substr(debut, i - debut));
  }
}

// The leading number of a token, as a C decimal conversion reads it (0 when
// there is none): the longest prefix that is a number. `horsLimites` tells
// a number too large for a double (1.0E999), which must not read as 0.
double nombreEnTete(std::string_view jeton, bool* horsLimites = nullptr) {
  if (!jeton.empty() && jeton.front() == '+') jeton.remove_prefix(1);
  double v = 0;
  const auto r = std::from_chars(jeton.data(), jeton.data() + jeton.size(), v);
  if (horsLimites) {
    // from_chars leaves the value alone when out of range: strtod tells an
    // overflow (±HUGE_VAL) from an underflow (a number near 0, kept as 0).
    *horsLimites = false;
    if (r.ec == std::errc::result_out_of_range) {
      const std::string texte(jeton.data(), std::size_t(r.ptr - jeton.data()));
      *horsLimites = std::isinf(std::strtod(texte.c_str(), nullptr));
    }
  }
  return r.ec == std::errc() ? v : 0.0;
}

// The altitude of a line: none for "." (what the export writes for a point
// without altitude), for NaN and infinities.
double altitudeEnTete(std::string_view jeton, bool& horsLimites) {
  if (jeton == ".") return kIndefini;
  const double z = nombreEnTete(jeton, &horsLimites);
  return std::isfinite(z) ? z : kIndefini;
}

long entierEnTete(std::string_view jeton) {
  if (!jeton.empty() && jeton.front() == '+') jeton.remove_prefix(1);
  long v = 0;
  const auto r = std::from_chars(jeton.data(), jeton.data() + jeton.size(), v);
  return r.ec == std::errc() ? v : 0;
}

}  // namespace

tableObsXYZ::tableObsXYZ(const std::wstring& nom) {
  if (nom.empty()) return;
  fichier = nom;
  charger({}, true);
}

bool tableObsXYZ::charger(const std::wstring& chemin, bool viderAvant) {
  const std::wstring nom = trimmed(chemin.empty() ? fichier : chemin, L" \t,;.");
  if (nom.empty()) return false;
  if (viderAvant) vider();
  // Names are compared without case where the files were made: the name as
  // given, then in lower case.
  std::ifstream in(cheminSysteme(nom), std::ios::binary);
  if (!in) in.open(cheminSysteme(minuscules(nom)), std::ios::binary);
  if (!in) return false;
  std::string texte((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    erreurFichier();
    return false;
  }

  std::vector<std::string_view> jetons;
  std::size_t position = 0;
  long numeroLigne = 0;
  while (position < texte.size() && points.size() < std::size_t(kMaxPoints)) {
    std::size_t fin = texte.find('\n', position);
    if (fin == std::string::npos) fin = texte.size();
    std::string_view ligne(texte.data() + position, fin - position);
    position = fin + 1;
    ++numeroLigne;
    if (!ligne.empty() && ligne.back() == '\r') ligne.remove_suffix(1);
    if (ligne.size() > std::size_t(kLongueurMaxLigne)) {
      zcutPrintf(L"\nLigne %ld trop longue (plus de %d caractères), ignorée", numeroLigne, kLongueurMaxLigne);
      continue;
    }
    decouperLigne(ligne, jetons);
    if (jetons.size() < 3 || !estNombre(jetons[1]) || !estNombre(jetons[2])) continue;
    pointXYZ p;
    p.nom = host::fromAnsi(std::string(jetons[0]));
    bool horsX = false, horsY = false, horsZ = false;
    p.x = nombreEnTete(jetons[1], &horsX);
    p.y = nombreEnTete(jetons[2], &horsY);
    p.z = jetons.size() > 3 ? altitudeEnTete(jetons[3], horsZ) : kIndefini;
    if (horsX || horsY || horsZ) {
      zcutPrintf(L"\nLigne %ld : nombre hors limites, ligne ignorée", numeroLigne);
      continue;
    }
    const long code = jetons.size() > 4 ? entierEnTete(jetons[4]) : 0;
    p.code = code == 0 || code < INT32_MIN || code > INT32_MAX ? 1 : int32_t(code);
    for (std::size_t i = 5; i < jetons.size(); ++i) {
      if (i > 5) p.obs += L' ';
      p.obs += host::fromAnsi(std::string(jetons[i]));
    }
    points.push_back(std::move(p));
  }
  return true;
}

bool tableObsXYZ::sauvegarder(const std::wstring& chemin) const {
  std::wstring nom = trimmed(chemin.empty() ? fichier : chemin, L" \t,;.");
  if (nom.empty()) return false;
  if (!finitPar(nom, L".xyz")) nom += L".xyz";
  std::string texte;
  texte.reserve(points.size() * 72);
  for (const pointXYZ& p : points) {
    // "\r\n%10s\t%14.6f\t%14.6f\t%14.6f\t%6d"
    texte += "\r\n";
    aDroite(texte, host::toAnsi(p.nom), 10);
    texte += '\t';
    ajouterFixe(texte, p.x, 6, 14);
    texte += '\t';
    ajouterFixe(texte, p.y, 6, 14);
    texte += '\t';
    ajouterFixe(texte, p.z, 6, 14);
    texte += '\t';
    aDroite(texte, std::to_string(p.code), 6);
    if (!p.obs.empty()) texte += "\t" + host::toAnsi(p.obs);
  }
  std::string erreur;
  if (!host::writeFile(cheminSysteme(nom), texte, erreur)) {
    erreurFichier();
    return false;
  }
  return true;
}

int tableObsXYZ::indiceDe(uint32_t identifiant) const {
  auto it = std::lower_bound(points.begin(), points.end(), identifiant,
                             [](const pointXYZ& p, uint32_t id) { return p.identifiant < id; });
  if (it == points.end() || it->identifiant != identifiant) return -1;
  return int(it - points.begin());
}

int tableObsXYZ::comparer(uint32_t a, uint32_t b, int colonne) const {
  const int i = indiceDe(a), j = indiceDe(b);
  if (i < 0 || j < 0 || colonne < 0 || colonne > 5) return 0;
  const pointXYZ &p = points[std::size_t(i)], &q = points[std::size_t(j)];
  auto ordre = [](auto u, auto v) { return u < v ? -1 : u == v ? 0 : 1; };
  switch (colonne) {
    case 0: return geltaro::points::comparerNomsPoints(p.nom, q.nom);
    case 1: return ordre(p.x, q.x);
    case 2: return ordre(p.y, q.y);
    case 3: return ordre(p.z, q.z);  // 1e38: after every real altitude
    case 4: return ordre(p.code, q.code);
    default: return ordre(int32_t(p.identifiant), int32_t(q.identifiant));
  }
}

void tableObsXYZ::renumeroterPoints(const std::wstring& prefixe, int debut, const std::wstring& suffixe) {
  for (std::size_t i = 0; i < points.size(); ++i)
    points[i].nom = prefixe + std::to_wstring(static_cast<long long>(debut) + static_cast<long long>(i)) + suffixe;
}

void tableObsXYZ::placerDansLeDessin(ZcDbDatabase* db) {
  if (!db) db = zcdbCurDwg();
  if (codification && db) codification->creerCalques(db);
  host::ui::ProgressDialog progression("Placement des points");
  progression.setRange(0, int(points.size()) - 1);
  progression.setStep(1);
  for (const pointXYZ& r : points) {
    pointDuDessin p;
    p = r;
    placerPointDansTableCourante(p, L"");
    progression.stepIt();
  }
}
