#include "points/codification.hpp"

#include <tinyxml2.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "frame/installation.hpp"
#include "host/app/host_app.hpp"
#include "host/db/objects.hpp"
#include "host/ed/editor.hpp"
#include "host/files/write_file.hpp"

namespace {

// Characters trimmed from both ends of file and layer names.
constexpr const wchar_t* kBlancs = L" \t,;.";

// Element names of the codification file, in the order they are written.
constexpr const char* kRacine = "codifPoints";
constexpr const char* kDonnees = "TBdata";
constexpr const char* kEntree = "codifPoint";
constexpr const char* kCode = "code";
constexpr const char* kLibelle = "libelle";
constexpr const char* kChemin = "chemin";
constexpr const char* kTaille = "tailleBlock";
constexpr const char* kPrecision = "precisionAltitudes";
constexpr const char* kCalques[codifPoint::kNbCalques] = {"layerBlock", "layerAltitudes", "layerNumero",
                                                          "layerObs", "layerCode"};
constexpr const char* kCouleurs[codifPoint::kNbCalques] = {"coulLayerBlock", "coulLayerAltitudes",
                                                           "coulLayerNumero", "coulLayerObs", "coulLayerCode"};

std::wstring rogner(const std::wstring& texte) {
  const auto debut = texte.find_first_not_of(kBlancs);
  if (debut == std::wstring::npos) return {};
  return texte.substr(debut, texte.find_last_not_of(kBlancs) - debut + 1);
}

bool egauxSansCasse(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) return false;
  return *a == *b;
}

// printf-style formatting of one number, whatever its length ("%lf" of a
// huge scale has hundreds of digits).
template <class T>
std::string formater(const char* format, T valeur) {
  const int n = std::snprintf(nullptr, 0, format, valeur);
  if (n <= 0) return {};
  std::string out(std::size_t(n) + 1, '\0');
  std::snprintf(out.data(), out.size(), format, valeur);
  out.resize(std::size_t(n));
  return out;
}

// The file's UTF-8: each character on one, two or three bytes by value. A
// malformed sequence ends the text (what came before it is kept); a
// character on four bytes, beyond what a label may hold, becomes '?'.
std::wstring depuisUtf8(const char* octets) {
  std::wstring out;
  const auto* p = reinterpret_cast<const unsigned char*>(octets);
  auto suite = [](unsigned char c) { return (c & 0xC0) == 0x80; };
  while (*p) {
    const unsigned char c = *p;
    if (c < 0x80) {
      out.push_back(wchar_t(c));
      p += 1;
    } else if ((c & 0xE0) == 0xC0) {
      if (!suite(p[1])) break;
      out.push_back(wchar_t(((c & 0x1F) << 6) | (p[1] & 0x3F)));
      p += 2;
    } else if ((c & 0xF0) == 0xE0) {
      if (!suite(p[1]) || !suite(p[2])) break;
      out.push_back(wchar_t(((c & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F)));
      p += 3;
    } else if ((c & 0xF8) == 0xF0) {
      if (!suite(p[1]) || !suite(p[2]) || !suite(p[3])) break;
      out.push_back(L'?');
      p += 4;
    } else {
      break;
    }
  }
  return out;
}

// The text of an element: UTF-8 when its "mode" says so, Windows-1252
// otherwise. False when the element is missing or empty, or its UTF-8 is
// malformed from the first byte: an empty text is written as an empty
// element, which reads back as the default, so it is the default at once.
bool lireTexte(const tinyxml2::XMLElement* parent, const char* nom, std::wstring& valeur) {
  const tinyxml2::XMLElement* e = parent->FirstChildElement(nom);
  const char* texte = e ? e->GetText() : nullptr;
  if (!texte || !*texte) return false;
  const char* mode = e->Attribute("mode");
  std::wstring lu = mode && !egauxSansCasse(mode, "asc") ? depuisUtf8(texte) : host::fromAnsi(texte);
  if (lu.empty()) return false;
  valeur = std::move(lu);
  return true;
}

// atoi, without its undefined overflow: a value beyond 32 bits is clamped.
bool lireEntier(const tinyxml2::XMLElement* parent, const char* nom, int32_t& valeur) {
  const tinyxml2::XMLElement* e = parent->FirstChildElement(nom);
  const char* texte = e ? e->GetText() : nullptr;
  if (!texte || !*texte) return false;
  const long long v = std::strtoll(texte, nullptr, 10);
  valeur = int32_t(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
  return true;
}

bool lireReel(const tinyxml2::XMLElement* parent, const char* nom, double& valeur) {
  const tinyxml2::XMLElement* e = parent->FirstChildElement(nom);
  const char* texte = e ? e->GetText() : nullptr;
  if (!texte || !*texte) return false;
  valeur = std::atof(texte);
  return true;
}

codifPoint lireEntree(const tinyxml2::XMLElement* e) {
  codifPoint c;
  lireEntier(e, kCode, c.code);
  lireTexte(e, kLibelle, c.libelle);
  lireTexte(e, kChemin, c.chemin);
  lireReel(e, kTaille, c.tailleBlock);
  lireEntier(e, kPrecision, c.precisionAltitudes);
  for (int i = 0; i < codifPoint::kNbCalques; ++i) lireTexte(e, kCalques[i], c.calques[std::size_t(i)]);
  for (int i = 0; i < codifPoint::kNbCalques; ++i) lireEntier(e, kCouleurs[i], c.couleurs[std::size_t(i)]);
  return c;
}

void ecrire(tinyxml2::XMLDocument& doc, tinyxml2::XMLElement* parent, const char* nom, const std::string& texte,
            bool utf8) {
  tinyxml2::XMLElement* e = doc.NewElement(nom);
  if (utf8) e->SetAttribute("mode", "utf8");
  e->SetText(texte.c_str());
  parent->InsertEndChild(e);
}

void ecrireEntree(tinyxml2::XMLDocument& doc, tinyxml2::XMLElement* parent, const codifPoint& c) {
  tinyxml2::XMLElement* e = doc.NewElement(kEntree);
  parent->InsertEndChild(e);
  ecrire(doc, e, kCode, formater("%d", c.code), false);
  ecrire(doc, e, kLibelle, host::toUtf8(c.libelle), true);
  ecrire(doc, e, kChemin, host::toUtf8(c.chemin), true);
  ecrire(doc, e, kTaille, formater("%lf", c.tailleBlock), false);
  ecrire(doc, e, kPrecision, formater("%d", c.precisionAltitudes), false);
  for (int i = 0; i < codifPoint::kNbCalques; ++i)
    ecrire(doc, e, kCalques[i], host::toUtf8(c.calques[std::size_t(i)]), true);
  for (int i = 0; i < codifPoint::kNbCalques; ++i)
    ecrire(doc, e, kCouleurs[i], formater("%d", c.couleurs[std::size_t(i)]), false);
}

// Writes the whole text as the target asks: a failed write leaves the
// previous file as it was.
bool ecrireFichier(const std::string& chemin, const char* texte, std::size_t taille) {
  std::string erreur;
  return host::writeFile(chemin, std::string_view(texte, taille), erreur);
}

}  // namespace

// --------------------------------------------------------------- codifPoint

codifPoint::codifPoint() : chemin(fichierInstallation(L"vrelblk1.dwg", L"biblio")) {}

void codifPoint::creerCalques(ZcDbLayerTable* table) {
  ZcDbObjectPointer<ZcDbLayerTable> ouverte;
  if (!table) {
    ZcDbDatabase* db = zcdbCurDwg();
    if (!db || ouverte.open(db->layerTableId(), ZcDb::kForWrite) != Zcad::eOk) return;
    table = ouverte.object();
  }
  for (std::size_t i = 0; i < kNbCalques; ++i) {
    std::wstring nom = rogner(calques[i]);
    if (nom.empty()) nom = L"0";
    calques[i] = nom;
    ZcDbObjectId id;
    if (table->getAt(nom, id) != Zcad::eOk) {
      auto calque = std::make_unique<ZcDbLayerTableRecord>();
      calque->setName(nom);
      calque->setColorIndex(couleurs[i]);
      // A layer that cannot be created is left out.
      if (table->add(id, calque.get()) != Zcad::eOk) id = ZcDbObjectId();
    }
    idCalques[i] = id;
  }
}

// ---------------------------------------------------------- tableCodification

namespace {
// The XML errors a hand-edited file may hold, told in the user's words.
std::wstring erreurXml(tinyxml2::XMLError e) {
  switch (e) {
    case tinyxml2::XML_ERROR_MISMATCHED_ELEMENT: return L"balise fermante qui ne correspond pas à la balise ouverte";
    case tinyxml2::XML_ERROR_PARSING_ELEMENT: return L"élément mal formé";
    case tinyxml2::XML_ERROR_PARSING_ATTRIBUTE: return L"attribut mal formé";
    case tinyxml2::XML_ERROR_PARSING_TEXT: return L"texte mal formé";
    case tinyxml2::XML_ERROR_PARSING_CDATA: return L"section CDATA mal formée";
    case tinyxml2::XML_ERROR_PARSING_COMMENT: return L"commentaire mal formé";
    case tinyxml2::XML_ERROR_PARSING_DECLARATION: return L"déclaration mal formée";
    case tinyxml2::XML_ERROR_PARSING_UNKNOWN: return L"balise inconnue mal formée";
    case tinyxml2::XML_ERROR_EMPTY_DOCUMENT: return L"document vide";
    case tinyxml2::XML_ELEMENT_DEPTH_EXCEEDED: return L"éléments imbriqués trop profondément";
    default: return L"erreur XML " + std::to_wstring(int(e));
  }
}
}  // namespace

tableCodification::tableCodification(const std::wstring& fichier) {
  if (!fichier.empty()) {
    fichier_ = fichier;
    charger();
  }
  if (codes_.empty()) {
    fichier_ = fichierInstallation(L"defcodif");
    charger();
  }
  if (codes_.empty() && !erreurLecture_.empty()) {
    // The user's file has an error: it is told and kept; the session works
    // on the default codes without writing them over it.
    fichierProtege_ = rogner(fichier_);
    zcutPrintf(L"\n%ls : les codes par défaut sont utilisés et le fichier n'est pas modifié", erreurLecture_.c_str());
  }
  if (codes_.empty()) {
    codifPoint topo;
    topo.code = 1;
    topo.libelle = L"Point topo";
    topo.chemin = fichierInstallation(L"vrelblk1.dwg", L"biblio");
    codifPoint station;
    station.code = 100;
    station.libelle = L"Station";
    station.chemin = fichierInstallation(L"vrelblk3.dwg", L"biblio");
    codes_.push_back(topo);
    codes_.push_back(station);
    if (fichierProtege_.empty()) sauver();
  }
}

bool tableCodification::charger(const std::wstring& fichier) {
  const std::wstring nom = rogner(fichier.empty() ? fichier_ : fichier);
  if (nom.empty()) return !codes_.empty();

  erreurLecture_.clear();
  tinyxml2::XMLDocument doc;
  std::FILE* f = std::fopen(cheminSysteme(nom).c_str(), "rb");
  if (!f) return !codes_.empty();
  const tinyxml2::XMLError lu = doc.LoadFile(f);
  std::fclose(f);
  if (lu != tinyxml2::XML_SUCCESS) {
    // TinyXML-2 gives the line of the error, not its column.
    erreurLecture_ = L"Fichier de codification [" + host::fromUtf8(cheminSysteme(nom)) + L"] illisible, ligne " +
                     std::to_wstring(doc.ErrorLineNum()) + L" : " + erreurXml(lu);
    return !codes_.empty();
  }
  const tinyxml2::XMLElement* racine = doc.FirstChildElement(kRacine);
  const tinyxml2::XMLElement* donnees = racine ? racine->FirstChildElement(kDonnees) : nullptr;
  if (!donnees) {
    erreurLecture_ = L"Fichier de codification [" + host::fromUtf8(cheminSysteme(nom)) + L"] illisible : pas d'élément " +
                     host::fromUtf8(std::string(kRacine) + "/" + kDonnees);
    return !codes_.empty();
  }

  int lus = 0;
  try {
    for (const auto* e = donnees->FirstChildElement(kEntree); e; e = e->NextSiblingElement(kEntree)) {
      codes_.push_back(lireEntree(e));
      ++lus;
    }
  } catch (const std::exception&) {
    zcutPrintf(L"\nechec lecture de donnees a partir de [%s] datasize=%d", nom.c_str(), lus);
    erreurLecture_ =
        L"Fichier de codification [" + host::fromUtf8(cheminSysteme(nom)) + L"] illisible, entrée " + std::to_wstring(lus + 1);
    codes_.clear();
    return false;
  }
  return !codes_.empty();
}

bool tableCodification::sauver(const std::wstring& fichier) const {
  const std::wstring nom = fichier.empty() ? fichier_ : fichier;
  if (!fichierProtege_.empty() && rogner(nom) == fichierProtege_) {
    zcutPrintf(L"\nLe fichier de codification [%ls] n'a pas pu être lu : il n'est pas remplacé",
               host::fromUtf8(cheminSysteme(nom)).c_str());
    return false;
  }
  tinyxml2::XMLDocument doc;
  tinyxml2::XMLElement* racine = doc.NewElement(kRacine);
  doc.InsertEndChild(racine);
  tinyxml2::XMLElement* donnees = doc.NewElement(kDonnees);
  racine->InsertEndChild(donnees);
  for (const codifPoint& c : codes_) ecrireEntree(doc, donnees, c);

  tinyxml2::XMLPrinter imprimante;
  doc.Print(&imprimante);
  if (nom.empty() || !ecrireFichier(cheminSysteme(nom), imprimante.CStr(), std::size_t(imprimante.CStrSize() - 1))) {
    zcutPrintf(L"\nÉcriture impossible du fichier de codification [%ls]", host::fromUtf8(cheminSysteme(nom)).c_str());
    return false;
  }
  return true;
}

codifPoint& tableCodification::getAt(int i) {
  if (i < 0 || i >= nbCodes()) throw std::out_of_range("indice hors de la table de codification");
  return codes_[std::size_t(i)];
}

const codifPoint& tableCodification::getAt(int i) const { return const_cast<tableCodification*>(this)->getAt(i); }

int tableCodification::indexDuCode(int code) const {
  for (int i = 0; i < nbCodes(); ++i)
    if (codes_[std::size_t(i)].code == code) return i;
  return -1;
}

codifPoint& tableCodification::codeCree(int code) {
  if (int i = indexDuCode(code); i >= 0) return codes_[std::size_t(i)];
  codifPoint c;
  c.code = code;
  c.libelle = host::fromUtf8(formater("Code %d", code));
  codes_.push_back(c);
  return codes_.back();
}

std::wstring tableCodification::libelleCree(int code) {
  if (int i = indexDuCode(code); i >= 0) return codes_[std::size_t(i)].libelle;
  codifPoint c;
  c.code = code;
  c.libelle = host::fromUtf8(formater("Code N\u00b0 %d", code));
  codes_.push_back(c);
  return codes_.back().libelle;
}

void tableCodification::supprimer(int i) {
  if (i < 0 || i >= nbCodes()) throw std::out_of_range("indice hors de la table de codification");
  codes_.erase(codes_.begin() + i);
}

void tableCodification::trier() {
  std::stable_sort(codes_.begin(), codes_.end(), [](const codifPoint& a, const codifPoint& b) { return a.code < b.code; });
}

void tableCodification::creerCalques(ZcDbDatabase* db) {
  if (!db) return;
  ZcDbObjectPointer<ZcDbLayerTable> table(db->layerTableId(), ZcDb::kForWrite);
  if (table.openStatus() != Zcad::eOk) return;
  for (codifPoint& c : codes_) c.creerCalques(table.object());
}

tableCodification& codification() {
  static tableCodification table;
  return table;
}
