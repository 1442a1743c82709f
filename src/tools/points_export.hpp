// Points of a table written out: appended to a text file (one line a point:
// name, X, Y, Z or ".", code, separated by tabs), or as a one-table HTML or
// Word document.
#pragma once

#include <string>
#include <vector>

#include "host/ui/progress.hpp"
#include "points/point.hpp"

// Writes one line a point to the text file, replacing the file. False
// when the file cannot be opened or written.
bool ecrireFichierPoints(const std::vector<const pointDuDessin*>& points, const std::string& chemin,
                         host::ui::ProgressDialog& progression);

// The line of a point in the text file, CR LF included.
std::string lignePoint(const pointDuDessin& p);
void ajouterLignePoint(std::string& out, const pointDuDessin& p);

// Text of fixed-width fields: right-aligned in `largeur` characters; a
// number with `decimales` decimals, the digits printf's "%*.*f" gives.
void aDroite(std::string& out, std::string_view texte, std::size_t largeur);
void ajouterFixe(std::string& out, double v, int decimales, std::size_t largeur);

// A document of one table (name, X, Y, Z, code) with the standard style
// sheet, Word-compatible when `word`. False when it cannot be written.
bool ecrireDocumentPoints(const std::vector<const pointDuDessin*>& points, const std::string& chemin, bool word,
                         host::ui::ProgressDialog& progression);
