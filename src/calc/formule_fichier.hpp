// Weight formula files (".fmc"): a binary file of tagged values written
// through the file serializer, in this order:
//   int 12345 (check value); text: a label kept with the formulas;
//   texts: the angle, bearing and distance formulas, then the distance
//   formula again (the second copy is the one read);
//   int: the number of constants; per constant: text name, double value,
//   text comment.
// The observation variables are not written; a file that lists them anyway
// is read without them.
#pragma once

#include <string>

#include "calc/formule_poids.hpp"

enum class resultatFichierFormules { ok, ouverture, contenu, creation };

// The message of a failure: "Erreur ouverture de fichier", "Erreur dans le
// fichier", "Erreur création de fichier" (UTF-8); empty for ok.
std::string messageFichierFormules(resultatFichierFormules r);

// Reads a file into `f`. Everything the file does not hold takes its
// default (the formulas are replaced as a whole). On failure `f` is left as
// it was.
resultatFichierFormules lireFichierFormules(const std::string& chemin, formulesPoids& f);

// Writes `f`. Texts the reader could not take back (longer than 255
// characters) are refused before the file is touched.
resultatFichierFormules ecrireFichierFormules(const std::string& chemin, const formulesPoids& f);
