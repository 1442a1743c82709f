// What a stake-out leaves behind: its report (HTML, or the Word kind for a
// ".doc" path) and its schematic in the drawing (table entities).
#pragma once

#include <string>
#include <vector>

#include "field/implantation.hpp"
#include "report/html.hpp"

// "Implantations": per station its description and a table of its points
// (N°, X, Y, Z, angle in grades, distance), then the points without station.
htmlDocument rapportImplantation(const chantierImplantation& c);

// Writes the report; the Word kind when the path ends with ".doc" in any
// case. False when the file could not be written.
bool ecrireRapportImplantation(const chantierImplantation& c, const std::string& chemin);

// The schematic: a table of the stations (a title row each) and their
// points, with its upper-left corner at `position`, and below it a table of
// the points without station. Text height 1.5. The ids of the tables.
std::vector<ZcDbObjectId> schematiserImplantation(const chantierImplantation& c, const ZcGePoint3d& position);
