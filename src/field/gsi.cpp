#include "field/gsi.hpp"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "host/app/host_app.hpp"

namespace {

bool chiffre(char c) { return c >= '0' && c <= '9'; }

// Decimals of the data for each units digit, 0 to 8.
constexpr int kDecimales[9] = {3, 3, 5, 5, 5, 4, 4, 4, 5};
constexpr double kPied = 0.3048;

// The data characters read as a decimal number: leading blanks, an optional
// sign, digits with an optional decimal point. Anything after the number is
// ignored; no number gives 0. Never reads beyond the view.
double lireDecimal(std::string_view texte) {
  std::size_t i = 0;
  while (i < texte.size() && texte[i] == ' ') ++i;
  bool negatif = false;
  if (i < texte.size() && (texte[i] == '+' || texte[i] == '-')) negatif = texte[i++] == '-';
  double v = 0.0;
  for (; i < texte.size() && chiffre(texte[i]); ++i) v = v * 10.0 + (texte[i] - '0');
  if (i < texte.size() && texte[i] == '.') {
    double echelle = 0.1;
    for (++i; i < texte.size() && chiffre(texte[i]); ++i, echelle /= 10.0) v += (texte[i] - '0') * echelle;
  }
  return negatif ? -v : v;
}

// DDD.MMSSs held as the whole number of its last digit (DDDMMSSs): split on
// the digits rather than on the scaled value, whose binary rounding would
// turn 30' into 29' 100''.
double sexagesimalVersDegres(double brut) {
  const double degres = std::floor(brut / 1e5);
  const double reste = brut - degres * 1e5;
  const double minutes = std::floor(reste / 1e3);
  const double secondes = (reste - minutes * 1e3) / 10.0;
  return degres + minutes / 60.0 + secondes / 3600.0;
}

std::string formater(const char* format, double v) {
  char texte[64];
  const int n = std::snprintf(texte, sizeof texte, format, v);
  if (n >= 0 && std::size_t(n) < sizeof texte) return texte;
  std::string grand(std::size_t(n) + 1, '\0');
  std::snprintf(grand.data(), grand.size(), format, v);
  grand.resize(std::size_t(n));
  return grand;
}

std::string sansBlancs(const char* texte) {
  std::string_view s(texte);
  const std::size_t debut = s.find_first_not_of(' ');
  if (debut == std::string_view::npos) return {};
  return std::string(s.substr(debut, s.find_last_not_of(' ') - debut + 1));
}

}  // namespace

bool estCodeNumeriqueGsi(int code) {
  switch (code) {
    case 21: case 22: case 25: case 31: case 32: case 33:
      return true;
    default:
      return code >= 81 && code <= 88;
  }
}

double valeurMotGsi(std::string_view texte, char signe, char chiffreUnite) {
  const int unite = chiffreUnite >= '0' && chiffreUnite <= '8' ? chiffreUnite - '0' : 0;
  const double brut = lireDecimal(texte);
  const double sens = signe == '-' ? -1.0 : 1.0;
  const double v = brut / std::pow(10.0, kDecimales[unite]);
  switch (unite) {
    case 1:
    case 7:
      return sens * v * kPied;
    case 3:
      return sens * v * 10.0 / 9.0;
    case 4:
      // The magnitude is split, the sign applied to the whole angle.
      return sens * sexagesimalVersDegres(std::fabs(brut)) * 10.0 / 9.0;
    case 5:
      return sens * v * 400.0 / 6400.0;  // mil
    default:
      return sens * v;  // metres or grades already
  }
}

decodageGsi decoderLigneGsi(std::string_view ligne, std::vector<motGsi>& mots) {
  mots.clear();
  if (ligne.size() > kLongueurMaxLigneGsi) return decodageGsi::tropLongue;
  const bool gsi16 = !ligne.empty() && ligne.front() == '*';
  const std::size_t longueur = gsi16 ? 16 : 8;
  const std::size_t n = ligne.size();
  std::size_t p = gsi16 ? 1 : 0;
  for (;;) {
    if (p >= n || ligne[p] == '\n' || p + 1 >= n) return decodageGsi::complete;
    if (!chiffre(ligne[p]) || !chiffre(ligne[p + 1])) return decodageGsi::interrompu;
    // The word and its separator must both be there.
    if (n - p < 8 + longueur) return decodageGsi::interrompu;

    motGsi mot;
    mot.code = std::uint8_t((ligne[p] - '0') * 10 + (ligne[p + 1] - '0'));
    ligne.copy(mot.info, 4, p + 2);
    const char signe = ligne[p + 6];
    ligne.copy(mot.texte, longueur, p + 7);
    if (estCodeNumeriqueGsi(mot.code)) {
      mot.type = typeMotGsi::numerique;
      mot.valeur = valeurMotGsi(std::string_view(mot.texte, longueur), signe, mot.info[3]);
    } else {
      mot.type = typeMotGsi::texte;
      for (std::size_t i = 0; i < longueur && (mot.texte[i] == '0' || mot.texte[i] == '.'); ++i) mot.texte[i] = ' ';
    }
    mots.push_back(mot);
    p += 8 + longueur;
  }
}

// ------------------------------------------------------------ observation book

observationGsi::observationGsi() { point.setXY(0.0, 0.0, 0.0); }

carnetObservations::carnetObservations() : noms_{"nord", "north", "."} {}

namespace {
std::unique_ptr<carnetObservations>& carnetDuModule() {
  static std::unique_ptr<carnetObservations> carnet;
  return carnet;
}
}  // namespace

carnetObservations& carnetObservations::instance() {
  auto& carnet = carnetDuModule();
  if (!carnet) carnet = std::make_unique<carnetObservations>();
  return *carnet;
}

void carnetObservations::liberer() { carnetDuModule().reset(); }

void carnetObservations::ajouter(const observationGsi& observation) {
  observations_.push_back({stationCourante_, observation, kIndefini, kIndefini, kIndefini});
  if (observation.estPointConnu()) {
    noms_.insert(observation.nom);
    pointsConnus_.insert_or_assign(observation.nom, observation);
  }
}

void carnetObservations::ajouterStation(const stationGsi& station) {
  stations_.push_back(station);
  stationCourante_ = int(stations_.size()) - 1;
}

void interpreterLigneGsi(const std::vector<motGsi>& mots, carnetObservations& carnet) {
  if (mots.empty() || mots.front().code != 11) return;
  observationGsi o;
  bool orientation = false;
  double valeurOrientation = 0;
  for (const motGsi& m : mots) {
    const double v = m.valeur;
    if (m.code >= 72 && m.code <= 79) {
      const std::string t = sansBlancs(m.texte);
      if (!t.empty()) o.remarque += (o.remarque.empty() ? "" : " ") + t;
    }
    switch (m.code) {
      case 25: orientation = true, valeurOrientation = v; break;
      case 71: o.code = sansBlancs(m.texte); break;
      case 11:
        o.nom = sansBlancs(m.texte);
        o.point.setNomPoint(o.nom.c_str());
        break;
      case 21: o.ah = v, o.aAh = true; break;
      case 22: o.av = v, o.aAv = true; break;
      case 31: o.di = v, o.aDi = true; break;
      case 32: o.dh = v, o.aDh = true; break;
      case 33: o.dz = v, o.aDz = true; break;
      case 81: o.point.setX(v), o.aX = true; break;
      case 82: o.point.setY(v), o.aY = true; break;
      case 83: o.point.setZ(v), o.aZ = true; break;
      case 84: o.Xstat = v, o.aXstat = true; break;
      case 85: o.Ystat = v, o.aYstat = true; break;
      case 86: o.Zstat = v, o.aZstat = true; break;
      case 87: o.hmire = v, o.aHmire = true; break;
      case 88: o.hAppareil = v, o.aHAppareil = true; break;
      default: break;
    }
  }
  if (!o.aAh && (orientation || o.aXstat || o.aYstat || o.aZstat || o.aHAppareil)) {
    stationGsi s;
    s.nom = o.nom;
    s.x = o.Xstat, s.aX = o.aXstat;
    s.y = o.Ystat, s.aY = o.aYstat;
    s.z = o.Zstat, s.aZ = o.aZstat;
    s.hi = o.hAppareil, s.aHi = o.aHAppareil;
    s.orientation = valeurOrientation, s.aOrientation = orientation;
    carnet.ajouterStation(s);
  }
  carnet.ajouter(o);
}

std::string decrireLigneGsi(const std::vector<motGsi>& mots) {
  std::string d;
  if (mots.empty()) return d;
  if (mots.front().code == 41) {
    for (const motGsi& m : mots) d += " code: " + std::to_string(m.code) + " val = [" + m.texte + "]";
    return d;
  }
  if (mots.front().code != 11) return d;
  for (const motGsi& m : mots) {
    const double v = m.valeur;
    switch (m.code) {
      case 11: d += m.texte; break;
      case 21: d += formater("\tah = %.5f", v); break;
      case 22: d += formater("\tav =  %.5f", v); break;
      case 31: d += formater("\tdi =  %.5f", v); break;
      case 32: d += formater("\tdh =  %.5f", v); break;
      case 33: d += formater("\tdz =  %.5f", v); break;
      case 51: d += std::string("\tPPM-MM = ") + m.texte; break;
      case 52: d += std::string("\tECM,ECS = ") + m.texte; break;
      case 53: d += std::string("\tP.SIGNAL = ") + m.texte; break;
      case 58: d += std::string("\tConst Refl = ") + m.texte; break;
      case 59: d += std::string("\tPPM = ") + m.texte; break;
      case 71: case 72: case 73: case 74: case 75: case 76: case 77: case 78: case 79:
        d += std::string("\tCodePt = ") + m.texte;
        break;
      case 81: d += formater("\tXpt = %.5f", v); break;
      case 82: d += formater("\tYpt = %.5f", v); break;
      case 83: d += formater("\tZpt = %.5f", v); break;
      case 84: d += formater("\tXstat = %.5f", v); break;
      case 85: d += formater("\tYstat = %.5f", v); break;
      case 86: d += formater("\tZstat = %.5f", v); break;
      case 87: d += formater("\thmire = %.5f", v); break;
      case 88: d += formater("\thAppareil = %.5f", v); break;
      default: d += "\tINCONNU = " + std::to_string(m.code) + ", " + m.texte; break;
    }
  }
  return d;
}

std::string analyserLignesGsi(const std::vector<std::string>& lignes, carnetObservations& carnet,
                              const std::function<void(int)>& progression) {
  std::string analyse;
  std::vector<motGsi> mots;
  carnet.nouveauCarnet();
  for (std::size_t i = 0; i < lignes.size(); ++i) {
    if (progression) progression(int(i));
    if (decoderLigneGsi(lignes[i], mots) == decodageGsi::tropLongue) {
      analyse += host::toAnsi(L"Ligne " + std::to_wstring(i + 1) + L" ignorée : elle dépasse " +
                              std::to_wstring(kLongueurMaxLigneGsi) + L" caractères.") +
                 "\n";
      continue;
    }
    interpreterLigneGsi(mots, carnet);
    const std::string description = decrireLigneGsi(mots);
    if (!description.empty()) analyse += description + "\n";
  }
  return analyse;
}

std::vector<std::string> lireLignesGsi(const std::string& chemin, bool* lu) {
  std::string tout;
  bool ouvert = false;
  try {
    std::ifstream fichier(chemin, std::ios::binary);
    ouvert = bool(fichier);
    if (ouvert) tout.assign(std::istreambuf_iterator<char>(fichier), std::istreambuf_iterator<char>());
  } catch (const std::exception&) {
    // A folder opens but cannot be read: no line, like a missing file.
    ouvert = false;
    tout.clear();
  }
  if (lu) *lu = ouvert;
  return ouvert ? decouperLignesGsi(tout) : std::vector<std::string>{};
}

std::vector<std::string> decouperLignesGsi(std::string_view tout) {
  std::vector<std::string> lignes;
  std::size_t debut = 0;
  while (debut < tout.size()) {
    const std::size_t fin = tout.find_first_of("\r\n", debut);
    if (fin == std::string_view::npos) {
      lignes.emplace_back(tout.substr(debut));
      break;
    }
    lignes.emplace_back(tout.substr(debut, fin - debut));
    debut = fin + (tout[fin] == '\r' && fin + 1 < tout.size() && tout[fin + 1] == '\n' ? 2 : 1);
  }
  return lignes;
}
