#include "calc/traverse_files.hpp"

#include "host/app/host_app.hpp"
#include "host/files/write_file.hpp"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

// Files are in the Windows-1252 code page.
std::string versAnsi(const std::wstring& texte) { return host::toAnsi(texte); }
std::wstring depuisAnsi(const std::string& octets) { return host::fromAnsi(octets); }

// Numbers as the C run-time reads them in the "C" locale: leading blanks and
// a sign allowed, the longest numeric prefix taken, 0 when there is none.
// Independent of the process locale (a comma is never a decimal separator).
double nombre(const std::wstring& texte) {
  std::string s;
  std::size_t i = 0;
  while (i < texte.size() && (texte[i] == L' ' || (texte[i] >= L'\t' && texte[i] <= L'\r'))) ++i;
  for (; i < texte.size() && texte[i] > 0 && texte[i] < 0x80; ++i) s.push_back(char(texte[i]));
  bool negatif = false;
  std::size_t debut = 0;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    negatif = s[0] == '-';
    debut = 1;
  }
  // A second sign after the first is not a number.
  if (debut < s.size() && (s[debut] == '+' || s[debut] == '-')) return 0;
  double v = 0;
  auto [fin, err] = std::from_chars(s.data() + debut, s.data() + s.size(), v, std::chars_format::general);
  if (err != std::errc()) return 0;
  return negatif ? -v : v;
}

// "%.<precision>f" without regard to the process locale.
std::string fixe(double v, int precision) {
  char tampon[400];
  auto [fin, err] = std::to_chars(tampon, tampon + sizeof tampon, v, std::chars_format::fixed, precision);
  if (err != std::errc()) return "0";
  return std::string(tampon, fin);
}

wchar_t majuscule(wchar_t c) { return c >= L'a' && c <= L'z' ? wchar_t(c - L'a' + L'A') : c; }

std::wstring majuscules(std::wstring s) {
  for (auto& c : s) c = majuscule(c);
  return s;
}

// Comment lines and headers are UTF-8 in this source; the file holds them
// in the 8-bit code page.
std::string ansi(const char* utf8) {
  std::wstring w;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8); *p;) {
    unsigned c = *p++;
    if (c >= 0xC0 && c < 0xE0 && (*p & 0xC0) == 0x80) c = ((c & 0x1F) << 6) | (*p++ & 0x3F);
    w.push_back(wchar_t(c));
  }
  return versAnsi(w);
}

void ligne(std::string& out, const std::string& texte) {
  out += texte;
  out += "\r\n";
}

std::string station(const char* cle, const stationPolygonale& s) {
  return "\r\n" + std::string(cle) + "=\"" + versAnsi(s.nom) + "\" X= " + fixe(s.x, 5) + " Y= " + fixe(s.y, 5) +
         " Z= " + fixe(s.z, 5) + " Gis= " + fixe(s.gis, 5);
}

void blocUnites(std::string& out, int unite) {
  ligne(out, ansi("* Unités angulaires"));
  ligne(out, "* Syntaxe: ");
  ligne(out, ansi("* Angles : <unité de mesure des angles>"));
  ligne(out, ansi("* Avec <unité de mesure des angles> qui être :"));
  ligne(out, "* Grades Degres ou Radians");
  ligne(out, std::string("\r\n\r\nAngles: ") + nomFichierUnite(unite));
}

void blocNivellement(std::string& out, int mode) {
  ligne(out, "* Mode de calcul du nivellement");
  ligne(out, "* Syntaxe: ");
  ligne(out, "* Nivellement: <Mode de nivellement>");
  ligne(out, ansi("* Avec <Mode de nivellement> qui peut être"));
  ligne(out, "* \taucun\tPour aucune compensation sur les alitutudes");
  ligne(out, "* \tsimple\tPour une compensation simple");
  ligne(out, "* \tdistance\tPour une compensation proportionnelle aux distances entre stations");
  ligne(out, "* \tracine\tPour une compensation proportionnelle aux racines des distances");
  ligne(out, std::string("\r\n\r\nNivellement: ") + nomFichierNivellement(mode));
}

void enteteDonnees(std::string& out) {
  ligne(out, ansi("* Données de la polygonale"));
  ligne(out, "* Nom Station\t\tAngle\t\tDistance\t\tDz");
}

bool finitPar(const std::string& chemin, const char* fin) {
  std::string f(fin);
  if (chemin.size() < f.size()) return false;
  for (std::size_t i = 0; i < f.size(); ++i) {
    char c = chemin[chemin.size() - f.size() + i];
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    if (c != f[i]) return false;
  }
  return true;
}

// Whether a token is the key that names a station: N in a closed file, D
// (start) or A (end) in an open one.
bool estCleDeNom(const std::wstring& cle, bool ouverte) {
  const wchar_t c = cle.empty() ? L'\0' : majuscule(cle[0]);
  return ouverte ? c == L'D' || c == L'A' : c == L'N';
}

void appliquerStation(const std::vector<std::wstring>& jetons, bool ouverte, fichierPolygonale& out);

// Applies one line of a traverse file.
void appliquerLigne(const std::wstring& texte, bool ouverte, fichierPolygonale& out) {
  std::vector<std::wstring> jetons;
  decouperLigne(texte, kSeparateursPolygonale, jetons);
  if (jetons.size() == 2) {
    std::wstring cle = majuscules(jetons[0]).substr(0, 4);
    wchar_t valeur = majuscule(jetons[1][0]);
    if (cle == L"ANGL") {
      out.unite = valeur == L'D' ? kDegres : valeur == L'R' ? kRadians : kGrades;
    } else if (cle == L"NIVE") {
      out.nivellement = valeur == L'S' ? kNivSimple : valeur == L'D' ? kNivDistance : valeur == L'R' ? kNivRacine : kNivAucun;
    } else if (cle == L"FERM" && ouverte) {
      out.fermeture = nombre(jetons[1]);
    }
  } else if (jetons.size() == 4) {
    out.lignes.push_back({jetons[0], jetons[1], jetons[2], jetons[3]});
  } else if (jetons.size() == 9 && estCleDeNom(jetons[0], ouverte)) {
    // A station without a name is written Nom="" and its empty quoted name
    // is no token: the line is the station's, with an empty name, not one
    // to ignore (its coordinates would be lost between a save and a load).
    jetons.insert(jetons.begin() + 1, std::wstring());
    appliquerStation(jetons, ouverte, out);
  } else if (jetons.size() == 10) {
    appliquerStation(jetons, ouverte, out);
  }
}

void appliquerStation(const std::vector<std::wstring>& jetons, bool ouverte, fichierPolygonale& out) {
  // A closed file sets its station as the values are met; an open file
  // gathers the numbers and gives them to the station its D or A key named.
  stationPolygonale lue;
  stationPolygonale& valeurs = ouverte ? lue : out.depart;
  stationPolygonale* cible = nullptr;
  for (std::size_t i = 0; i < 10; i += 2) {
    const std::wstring& valeur = jetons[i + 1];
    switch (majuscule(jetons[i][0])) {
      case L'N':
        if (!ouverte) out.depart.nom = valeur;
        break;
      case L'D':
        if (ouverte) {
          out.depart.nom = valeur;
          cible = &out.depart;
        }
        break;
      case L'A':
        if (ouverte) {
          out.arrivee.nom = valeur;
          cible = &out.arrivee;
        }
        break;
      case L'X': valeurs.x = nombre(valeur); break;
      case L'Y': valeurs.y = nombre(valeur); break;
      case L'Z': valeurs.z = nombre(valeur); break;
      case L'G': valeurs.gis = nombre(valeur); break;
      default: break;
    }
  }
  if (cible) {
    cible->x = lue.x;
    cible->y = lue.y;
    cible->z = lue.z;
    cible->gis = lue.gis;
  }
}

}  // namespace

void decouperLigne(const std::wstring& ligne, const std::wstring& separateurs, std::vector<std::wstring>& jetons) {
  jetons.clear();
  if (ligne.empty() || ligne[0] == L'*') return;
  const std::size_t n = ligne.size();
  std::size_t i = 0;
  while (i < n) {
    if (separateurs.find(ligne[i]) != std::wstring::npos) {
      ++i;
    } else if (ligne[i] == L'"') {
      std::size_t fin = ligne.find(L'"', i + 1);
      if (fin == std::wstring::npos) fin = n;
      if (fin > i + 1) jetons.push_back(ligne.substr(i + 1, fin - i - 1));
      i = fin + 1;
    } else {
      std::size_t fin = ligne.find_first_of(separateurs, i);
      if (fin == std::wstring::npos) fin = n;
      jetons.push_back(ligne.substr(i, fin - i));
      i = fin;
    }
  }
}

std::string texteFichierPolygonale(const fichierPolygonale& f) {
  std::string out;
  if (f.ouverte) {
    ligne(out, ansi("* Fichier de données pour calcul de polygonale Ouverte"));
    ligne(out, "* Station de depart");
    ligne(out, station("Depart", f.depart));
    ligne(out, station("Arrivee", f.arrivee));
    ligne(out, "\r\nFermeture: " + fixe(f.fermeture, 4));
  } else {
    ligne(out, ansi("* Fichier de données pour calcul de polygonale Fermée"));
    ligne(out, "");
    ligne(out, "* Station de depart");
    ligne(out, station("Nom", f.depart));
  }
  blocUnites(out, f.unite);
  blocNivellement(out, f.nivellement);
  if (f.ouverte) {
    // The open layout repeats the levelling block; readers keep the later
    // value, which is the same.
    ligne(out, "");
    enteteDonnees(out);
    ligne(out, "");
    blocNivellement(out, f.nivellement);
    ligne(out, "");
  }
  enteteDonnees(out);
  for (const auto& l : f.lignes) {
    std::wstring nom = l.nom.substr(0, kNomLignePolygonaleMax);
    ligne(out, "\r\n\"" + versAnsi(nom) + "\"\t\t\t" + versAnsi(l.angle) + "\t" + versAnsi(l.distance) + "\t\t" +
                   versAnsi(l.dz));
  }
  return out;
}

bool ecrireFichierPolygonale(const std::string& chemin, const fichierPolygonale& f) {
  std::string erreur;
  return host::writeFile(chemin, texteFichierPolygonale(f), erreur);
}

std::string cheminFichierPolygonale(std::string chemin, int indexFiltre) {
  switch (indexFiltre) {
    case kFiltreObservations:
      if (!finitPar(chemin, ".obs")) chemin += ".obs";
      break;
    case kFiltreTexte:
      if (!finitPar(chemin, ".txt")) chemin += ".txt";
      break;
    case kFiltreSansExtension:
    case kFiltreTous:
      if (!finitPar(chemin, ".")) chemin += ".";
      break;
    default: break;
  }
  // Only the file name counts: a '.' in a folder name is no extension.
  std::size_t barre = chemin.find_last_of('/');
  std::size_t debutNom = barre == std::string::npos ? 0 : barre + 1;
  if (chemin.find('.', debutNom) == std::string::npos) chemin += ".obs";
  // The '.' of "Sans extension" and "Tous" asks for the name as typed: the
  // file system the files were made for drops the dots that end a file
  // name, so "polyg.txt." is the file "polyg.txt" and "Trav." the file
  // "Trav". They are dropped here too, or the file would keep them and not
  // be found again under its own name.
  while (chemin.size() > debutNom && chemin.back() == '.') chemin.pop_back();
  return chemin;
}

void lireTextePolygonale(const std::string& octets, bool ouverte, fichierPolygonale& out) {
  // Lines longer than this are skipped whole rather than read in pieces.
  constexpr std::size_t kLongueurMax = 1023;
  out.ouverte = ouverte;
  out.lignes.clear();
  if (ouverte) {
    out.depart.x = out.depart.y = out.depart.z = out.depart.gis = 0;
    out.arrivee.x = out.arrivee.y = out.arrivee.z = out.arrivee.gis = 0;
  } else {
    out.depart = stationPolygonale{};
  }
  std::size_t debut = 0;
  while (debut < octets.size()) {
    std::size_t fin = octets.find('\n', debut);
    std::size_t suivant = fin == std::string::npos ? octets.size() : fin + 1;
    if (fin == std::string::npos) fin = octets.size();
    std::size_t finTexte = fin;
    if (finTexte > debut && octets[finTexte - 1] == '\r') --finTexte;
    if (finTexte - debut <= kLongueurMax)
      appliquerLigne(depuisAnsi(octets.substr(debut, finTexte - debut)), ouverte, out);
    debut = suivant;
  }
}

bool lireFichierPolygonale(const std::string& chemin, bool ouverte, fichierPolygonale& out) {
  std::ifstream fichier(chemin, std::ios::binary);
  if (!fichier) return false;
  std::string octets((std::istreambuf_iterator<char>(fichier)), std::istreambuf_iterator<char>());
  lireTextePolygonale(octets, ouverte, out);
  return true;
}
