// The report of a field book's computation: the hypotheses, the set-ups and
// their orientations (backsights with their residuals), each point with its
// observations, coordinates and the check against the instrument's own
// coordinates, the face pairs and the directions without distance.
#pragma once

#include <string>

#include "field/carnet_calcul.hpp"
#include "report/html.hpp"

// Fills `document` (standard styles first). `fichier` is the field book's
// path, Windows-1252.
void remplirRapportCarnet(htmlDocument& document, const resultatCarnet& resultat, const std::string& fichier);

// The name a set-up is shown under: its own, or a stand-in for the lines
// before the book's first set-up.
std::wstring nomMiseEnStation(const miseEnStation& station);
