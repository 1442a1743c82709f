#include "points/blocks.hpp"

#include <set>

#include <cstdlib>
#include <cwchar>
#include <memory>

#include "frame/installation.hpp"
#include "host/app/host_app.hpp"
#include "host/ed/editor.hpp"
#include "host/ed/selection.hpp"
#include "host/ui/progress.hpp"
#include "points/names.hpp"
#include "points/project.hpp"
#include "points/codification.hpp"

double facteurTailleBlocs = 1.0;

namespace {

wchar_t minuscule(wchar_t c) {
  if ((c >= L'A' && c <= L'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return wchar_t(c + 0x20);
  if (c == 0x152 || c == 0x160 || c == 0x17D) return wchar_t(c + 1);  // Œ Š Ž
  if (c == 0x178) return 0xFF;                                          // Ÿ
  return c;
}

std::wstring minuscules(std::wstring s) {
  for (wchar_t& c : s) c = minuscule(c);
  return s;
}

std::wstring majuscules(std::wstring s) {
  for (wchar_t& c : s) {
    if ((c >= L'a' && c <= L'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) c = wchar_t(c - 0x20);
  }
  return s;
}

bool lettreOuChiffre(wchar_t c) {
  return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') ||
         (c >= 0xC0 && c <= 0xFF && c != 0xD7 && c != 0xF7);
}

std::wstring trimmed(const std::wstring& s, const wchar_t* blanks) {
  const auto b = s.find_first_not_of(blanks);
  if (b == std::wstring::npos) return {};
  return s.substr(b, s.find_last_not_of(blanks) - b + 1);
}

bool finitPar(const std::wstring& s, const std::wstring& fin) {
  return s.size() >= fin.size() && minuscules(s.substr(s.size() - fin.size())) == fin;
}

bool memeTag(const std::wstring& a, const std::wstring& b) { return minuscules(a) == minuscules(b); }

// A drawing of the block library into `db`: the path as given, then in
// lower case (names are compared without case where the files were made).
bool lireDessin(ZcDbDatabase& db, const std::wstring& chemin) {
  for (const std::wstring& essai : {chemin, minuscules(chemin)})
    if (db.readDwgFile(cheminSysteme(essai)) == Zcad::eOk) return true;
  return false;
}

void ajouterAttribut(ZcDbBlockReference& ref, const ZcGePoint3d& position, const std::wstring& texte,
                     const std::wstring& tag, double h, const codifPoint& entree, codifPoint::Calque calque,
                     bool invisible) {
  auto attribut = std::make_unique<ZcDbAttribute>(position, texte, tag);
  attribut->setHeight(h);
  if (invisible) attribut->setInvisible(true);
  if (ref.appendAttribute(attribut.get()) != Zcad::eOk) return;
  // By name: the layer creation stored the names it made. The colour stays
  // by layer (no colour of its own).
  attribut->setLayer(entree.calques[calque]);
}

}  // namespace

std::wstring nomBlocDuChemin(const std::wstring& chemin) {
  std::wstring nom = minuscules(chemin);
  const auto separateur = nom.find_last_of(L"/\\");
  if (separateur != std::wstring::npos) nom = nom.substr(separateur + 1);
  if (finitPar(nom, L".dwg")) nom.resize(nom.size() - 4);
  if (nom.empty()) return L"invalid";
  if (zcdbSNValid(nom, 0) == 1)
    for (wchar_t& c : nom)
      if (!lettreOuChiffre(c)) c = L'_';
  return nom;
}

bool trouverOuDefinirBloc(const std::wstring& chemin, ZcDbDatabase* db, ZcDbObjectId& bloc) {
  if (!db) return false;
  const std::wstring nom = nomBlocDuChemin(chemin);
  {
    ZcDbObjectPointer<ZcDbBlockTable> blocs(db->blockTableId(), ZcDb::kForRead);
    if (blocs.openStatus() != Zcad::eOk) return false;
    if (blocs->getAt(nom, bloc) == Zcad::eOk) return true;
  }
  const std::wstring fichier = nomFichierBibliotheque(chemin);
  ZcDbDatabase bibliotheque(false);
  if (!lireDessin(bibliotheque, fichier) && !lireDessin(bibliotheque, dossierInstallation() + L"\\" + fichier))
    return false;
  ZcDbObjectId defini;
  if (db->insert(defini, nom, &bibliotheque) != Zcad::eOk) return false;
  bloc = defini;
  return true;
}

std::wstring nomFichierBibliotheque(const std::wstring& nom) {
  if (finitPar(nom, L".dxf")) return nom.substr(0, nom.size() - 4) + L".dwg";
  if (!finitPar(nom, L".dwg")) return nom + L".dwg";
  return nom;
}

std::wstring texteAltitude(double z, int precision) {
  if (z == kIndefini) return {};
  // The codification file may hold any precision; a printable one is used.
  if (precision < 0) precision = 0;
  if (precision > 15) precision = 15;
  wchar_t format[16];
  std::swprintf(format, std::size(format), L"%%.%df", precision);
  wchar_t texte[400];
  std::swprintf(texte, std::size(texte), format, z);
  return texte;
}

void creerBlocPoint(const pointXYZ& p, ZcDbDatabase* db, tableCodification& table, ZcDbObjectId& id,
                    bool altitudeConnue, bool creerCalques) {
  if (!db) return;
  codifPoint& entree = table.codeCree(p.code);
  if (creerCalques) {
    ZcDbObjectPointer<ZcDbLayerTable> calques(db->layerTableId(), ZcDb::kForWrite);
    if (calques.openStatus() != Zcad::eOk) return;
    entree.creerCalques(calques.object());
  }
  entree.chemin = trimmed(entree.chemin, L" \t,;.");
  const std::wstring chemin = entree.chemin.empty() ? fichierInstallation(L"vrelblk1.dwg", L"biblio") : entree.chemin;
  ZcDbObjectId bloc;
  if (!trouverOuDefinirBloc(chemin, db, bloc)) {
    // Told once a code and file for the session, not once a point.
    static std::set<std::pair<int32_t, std::wstring>> signales;
    if (signales.insert({p.code, chemin}).second)
      zcutPrintf(L"\nBloc du code %d introuvable [%ls] : ses points ne sont pas dessinés", int(p.code),
                 host::fromUtf8(cheminSysteme(chemin)).c_str());
    return;
  }
  const double h = entree.tailleBlock * facteurTailleBlocs;

  ZcDbObjectPointer<ZcDbBlockTableRecord> espace(db->modelSpaceId(), ZcDb::kForWrite);
  if (espace.openStatus() != Zcad::eOk) return;
  auto ref = std::make_unique<ZcDbBlockReference>(ZcGePoint3d(p.x, p.y, 0), bloc);
  ref->setScaleFactors(ZcGeScale3d(h, h, h));
  ZcDbObjectId nouveau;
  if (espace->appendZcDbEntity(nouveau, ref.get()) != Zcad::eOk) return;
  id = nouveau;
  ref->setLayer(entree.calques[codifPoint::kCalqueBlock]);

  const double x = p.x + 0.75 * h;
  ajouterAttribut(*ref, {x, p.y + 2 * h, 0}, std::to_wstring(p.code), gAttribsPoints.tagCode, h, entree,
                  codifPoint::kCalqueCode, true);
  ajouterAttribut(*ref, {x, p.y + 0.5 * h, 0}, p.nom, gAttribsPoints.tagNumero, h, entree, codifPoint::kCalqueNumero,
                  false);
  ajouterAttribut(*ref, {x, p.y - h, 0}, altitudeConnue ? texteAltitude(p.z, entree.precisionAltitudes) : L"",
                  gAttribsPoints.tagAltitude, h, entree, codifPoint::kCalqueAltitudes, false);
  ajouterAttribut(*ref, {x, p.y - 2.5 * h, 0}, p.obs, gAttribsPoints.tagObs, h, entree, codifPoint::kCalqueObs, false);
  ref->setXData({resbuf::string(1001, kAppPointsBlocs), resbuf::shortInt(1070, 1)});
}

bool lireAttribut(const ZcDbBlockReference& ref, const std::wstring& tag, std::wstring& texte) {
  for (const ZcDbObjectId& a : ref.attributeIds()) {
    ZcDbObjectPointer<ZcDbAttribute> attribut(a, ZcDb::kForRead);
    if (attribut.openStatus() != Zcad::eOk || !memeTag(attribut->tag(), tag)) continue;
    texte = attribut->textString();
    return true;
  }
  return false;
}

namespace {

// Whether an open block reference shows the point named `nom`.
bool montreLePoint(const ZcDbBlockReference& ref, const char* nom) {
  std::wstring texte;
  if (!lireAttribut(ref, gAttribsPoints.tagNumero, texte)) return false;
  // The name as reading the block back would give it (9 characters of its
  // 8-bit form), compared as the name index compares names.
  pointDuDessin commeLu;
  commeLu.setNomPoint(texte.c_str());
  return geltaro::points::cleNom(commeLu.getNomPoint(), true) == geltaro::points::cleNom(nom ? nom : "", true);
}

}  // namespace

bool estBlocDuPoint(const ZcDbObjectId& id, const char* nom) {
  if (!id.isValid()) return false;
  ZcDbObjectPointer<ZcDbBlockReference> ref(id, ZcDb::kForRead);
  return ref.openStatus() == Zcad::eOk && montreLePoint(*ref, nom);
}

bool estNombre(std::string_view texte) {
  enum Etat { kDebut, kSigne, kEntier, kChiffres, kApresPoint, kDecimal, kFraction, kExposant, kSigneExposant,
              kChiffresExposant, kEchec };
  std::size_t i = 0;
  while (i < texte.size() && texte[i] == ' ') ++i;
  Etat etat = kDebut;
  for (; i < texte.size(); ++i) {
    const char c = texte[i];
    if (c == '\0' || c == '\n' || c == '\r' || c == '\t' || c == ' ') break;
    const bool chiffre = c >= '0' && c <= '9', point = c == '.', signe = c == '+' || c == '-', e = c == 'E';
    switch (etat) {
      case kDebut: etat = point ? kApresPoint : chiffre ? kEntier : signe ? kSigne : kEchec; break;
      case kSigne: etat = chiffre ? kChiffres : kEchec; break;
      case kEntier:
      case kChiffres: etat = point ? kDecimal : chiffre ? kChiffres : kEchec; break;
      case kApresPoint: etat = chiffre ? kApresPoint : kEchec; break;
      case kDecimal:
      case kFraction: etat = chiffre ? kFraction : e ? kExposant : kEchec; break;
      case kExposant: etat = chiffre ? kChiffresExposant : signe ? kSigneExposant : kEchec; break;
      case kSigneExposant:
      case kChiffresExposant: etat = chiffre ? kChiffresExposant : kEchec; break;
      case kEchec: break;
    }
    if (etat == kEchec) return false;
  }
  // After a blank only blanks may follow; the other stops end the text.
  if (i < texte.size() && texte[i] == ' ') {
    while (i < texte.size() && texte[i] == ' ') ++i;
  }
  if (i < texte.size() && texte[i] != '\0') return false;
  return etat == kEntier || etat == kChiffres || etat == kFraction || etat == kChiffresExposant;
}

// ------------------------------------------------------- pointDuDessin

void pointDuDessin::getZAsString(CString& s) const {
  s.clear();
  if (z_ == kIndefini) return;
  s = texteAltitude(z_, codification().codeCree(code_).precisionAltitudes);
}

void pointDuDessin::creer(bool option, const wchar_t* obs) {
  pointXYZ p;
  p.code = code_;
  p.x = x_;
  p.y = y_;
  p.z = z_;
  p.nom = majuscules(trimmed(getNomPointW(), L" \t"));
  p.obs = obs ? trimmed(obs, L" \t") : L"";
  creerBlocPoint(p, zcdbCurDwg(), codification(), id_, z_ != kIndefini, option);
}

void pointDuDessin::updateDrawing(const char* nomSurLeBloc) {
  const codifPoint& entree = codification().codeCree(code_);
  // Only the point's own block is changed: an id that names anything else
  // (an entity edited or replaced elsewhere) is forgotten, and the point
  // gets a new block.
  ZcDbObjectPointer<ZcDbBlockReference> bloc;
  if (id_.isValid() && bloc.open(id_, ZcDb::kForWrite) == Zcad::eOk &&
      montreLePoint(*bloc, nomSurLeBloc ? nomSurLeBloc : nom_)) {
    ZcDbBlockReference* ref = bloc.object();
    const std::wstring code = std::to_wstring(code_), nom = getNomPointW(),
                       altitude = texteAltitude(z_, entree.precisionAltitudes);
    for (const ZcDbObjectId& a : ref->attributeIds()) {
      ZcDbObjectPointer<ZcDbAttribute> attribut(a, ZcDb::kForWrite);
      if (attribut.openStatus() != Zcad::eOk) continue;
      const std::wstring tag = attribut->tag();
      if (memeTag(tag, gAttribsPoints.tagCode)) attribut->setTextString(code);
      else if (memeTag(tag, gAttribsPoints.tagNumero)) attribut->setTextString(nom);
      else if (memeTag(tag, gAttribsPoints.tagAltitude)) attribut->setTextString(altitude);
    }
    // In plan only: the block keeps its own elevation.
    const ZcGePoint3d actuelle = ref->position();
    if (x_ != actuelle.x || y_ != actuelle.y)
      ref->transformBy(ZcGeMatrix3d::translation(ZcGeVector3d(x_ - actuelle.x, y_ - actuelle.y, 0)));
    return;
  }
  bloc.close();
  id_ = ZcDbObjectId();
  creer(true, nullptr);
}

int pointDuDessin::updateFromDrawing(const ZcDbObjectId& id) {
  id_ = ZcDbObjectId();
  if (id.isNull()) return 0;
  ZcDbObjectPointer<ZcDbBlockReference> ref(id, ZcDb::kForRead);
  if (ref.openStatus() != Zcad::eOk) return 0;
  std::wstring nom;
  if (!lireAttribut(*ref, gAttribsPoints.tagNumero, nom)) return 0;
  const ZcGePoint3d position = ref->position();
  x_ = position.x;
  y_ = position.y;
  id_ = id;
  setNomPoint(nom.c_str());

  code_ = 1;
  std::wstring texte;
  if (lireAttribut(*ref, gAttribsPoints.tagCode, texte)) {
    const std::string code = host::toAnsi(trimmed(texte, L" \t"));
    char* fin = nullptr;
    const long valeur = code.empty() ? -1 : std::strtol(code.c_str(), &fin, 10);
    if (fin && *fin == '\0' && valeur >= 0 && valeur <= 9999) code_ = int32_t(valeur);
  }
  z_ = kIndefini;
  if (lireAttribut(*ref, gAttribsPoints.tagAltitude, texte)) {
    const std::string altitude = host::toAnsi(texte);
    if (estNombre(altitude)) setZ(std::strtod(altitude.c_str(), nullptr));  // an overflow is no altitude
  }
  return 1;
}

// ------------------------------------------------- listePointsDuDessin

void listePointsDuDessin::updateDrawing() {
  host::ui::ProgressDialog progression("Mise à jour des points");
  progression.setRange(0, nbPoint() - 1);
  progression.setPos(0);
  for (auto& p : points_) {
    p.updateDrawing();
    progression.stepIt();
  }
}

void listePointsDuDessin::updateFromDrawing() {
  // Points never placed have no block to be read back from: they are kept
  // (after the points of the drawing, unless a point of the drawing has
  // taken their name), not lost with the refresh.
  std::vector<pointDuDessin> sansBloc;
  for (const pointDuDessin& p : points_)
    if (p.getId().isNull()) sansBloc.push_back(p);
  vider();
  const ResbufChain filtre{resbuf::string(0, L"INSERT")};
  ZcSelectionSet selection;
  if (zcedSSGet(L"X", nullptr, nullptr, &filtre, selection) == RTNORM) {
    for (const ZcDbObjectId& id : selection.ids) {
      pointDuDessin p;
      if (!id.isNull() && p.updateFromDrawing(id)) Ajouter(p);
    }
    zcedSSFree(selection);
  }
  int pos = 0;
  for (const pointDuDessin& p : sansBloc)
    if (!existPoint(p.getNomPointW().c_str(), pos)) Ajouter(p);
}

void placerPointDansTableCourante(pointDuDessin p, const wchar_t* obs) {
  if (!tablesPoints) return;
  listePointsDuDessin* table = tablesPoints->currTable();
  table->supprimerPoint(p.getNomPointW().c_str());
  p.creer(true, obs);
  table->Ajouter(p);
}
