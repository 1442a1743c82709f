// The reports of the traverse adjustments: the document the viewer shows
// after "Calculer !", with the standard style sheet and the tables of the
// data, the angular closure, the distances, the altitudes and the final
// coordinates.
#pragma once

#include <vector>

#include "calc/traverse.hpp"
#include "report/html.hpp"

// Each report adds the standard style sheet to the document itself, so the
// document given is a new one. `mesurees` are the rows as they were before
// the computation (it corrects the height differences in place); `r` is the
// computation's result.
void rapportPolygonaleFermee(htmlDocument& document, const StationPolygonale& depart, int modeNivellement,
                             const std::vector<obsPolygonale>& mesurees, const ResultatPolygonaleFermee& r);
void rapportPolygonaleOuverte(htmlDocument& document, const StationPolygonale& depart,
                              const StationPolygonale& arrivee, double angleFermeture, int modeNivellement,
                              const std::vector<obsPolygonale>& mesurees, const ResultatPolygonaleOuverte& r);
