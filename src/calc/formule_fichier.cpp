#include "calc/formule_fichier.hpp"

#include <cmath>

#include "points/serializer.hpp"

namespace {

constexpr int32_t kControle = 12345;

bool lisible(const std::wstring& texte) {
  return texte.size() <= std::size_t(FileSerializer::kMaxReadText) && texte.find(L'\0') == std::wstring::npos;
}

bool estVariableObservation(const std::wstring& nom) {
  return formulesPoids().verifierNom(nom) == erreurNomConstante::variableObservation;
}

}  // namespace

std::string messageFichierFormules(resultatFichierFormules r) {
  switch (r) {
    case resultatFichierFormules::ouverture: return "Erreur ouverture de fichier";
    case resultatFichierFormules::contenu: return "Erreur dans le fichier";
    case resultatFichierFormules::creation: return "Erreur création de fichier";
    default: return {};
  }
}

resultatFichierFormules lireFichierFormules(const std::string& chemin, formulesPoids& f) {
  FileSerializer fichier(chemin, false);
  if (!fichier.isOpen()) return resultatFichierFormules::ouverture;

  // Read into defaults, taken over only when the whole file was read.
  formulesPoids lu;
  int32_t controle = 0;
  if (!fichier.readInt(controle) || controle != kControle) return resultatFichierFormules::contenu;
  std::wstring angles, gisements, distances;
  if (!fichier.readText(lu.libelle) || !fichier.readText(angles) || !fichier.readText(gisements) ||
      !fichier.readText(distances) || !fichier.readText(distances))
    return resultatFichierFormules::contenu;
  lu.fixerFormule(genreFormule::angle, angles);
  lu.fixerFormule(genreFormule::gisement, gisements);
  lu.fixerFormule(genreFormule::distance, distances);

  int32_t nombre = 0;
  if (!fichier.readInt(nombre) || nombre < 0) return resultatFichierFormules::contenu;
  // Nothing is reserved from the count: a damaged count ends at the first
  // value missing.
  for (int32_t i = 0; i < nombre; ++i) {
    constantePoids c;
    if (!fichier.readText(c.nom) || !fichier.readDouble(c.valeur) || !fichier.readText(c.commentaire))
      return resultatFichierFormules::contenu;
    if (estVariableObservation(c.nom)) continue;
    // A name met twice: the later definition wins.
    const int deja = lu.trouverConstante(c.nom);
    const bool pris = deja >= 0 ? lu.modifierConstante(deja, c) : lu.ajouterConstante(c);
    if (!pris) return resultatFichierFormules::contenu;
  }
  f = std::move(lu);
  return resultatFichierFormules::ok;
}

resultatFichierFormules ecrireFichierFormules(const std::string& chemin, const formulesPoids& f) {
  const std::wstring& distances = f.formule(genreFormule::distance);
  bool textesLisibles = lisible(f.libelle) && lisible(f.formule(genreFormule::angle)) &&
                        lisible(f.formule(genreFormule::gisement)) && lisible(distances);
  for (const constantePoids& c : f.constantes()) textesLisibles = textesLisibles && lisible(c.nom) && lisible(c.commentaire);
  if (!textesLisibles) return resultatFichierFormules::creation;

  FileSerializer fichier(chemin, true);
  if (!fichier.isOpen()) return resultatFichierFormules::creation;
  bool ok = fichier.writeInt(kControle) && fichier.writeZcString(f.libelle) &&
            fichier.writeZcString(f.formule(genreFormule::angle)) &&
            fichier.writeZcString(f.formule(genreFormule::gisement)) && fichier.writeZcString(distances) &&
            fichier.writeZcString(distances) && fichier.writeInt(int32_t(f.constantes().size()));
  for (const constantePoids& c : f.constantes()) {
    if (!ok) break;
    ok = fichier.writeZcString(c.nom) && fichier.writeDouble(c.valeur) && fichier.writeZcString(c.commentaire);
  }
  return ok ? resultatFichierFormules::ok : resultatFichierFormules::creation;
}
