// The standard layout of the reports: their style sheet and their tables.
#pragma once

#include "report/html.hpp"

// The padding, margin and border of the cells of the standard style sheet,
// in pixels.
constexpr int kPaddingCellule = 4;
constexpr int kMargeCellule = 4;
constexpr int kBordureCellule = 1;

// The style sheet every report starts with: ".petit", ".grand", ".titre",
// ".celnorm" and ".celgris", built from one style refined from class to
// class.
void ajouterStylesStandard(htmlDocument& document);

// The tables of the reports: centred, no border, no cell spacing, and a
// cell padding that covers the cells' own padding, margin and border. Word
// processors size a column from its text and the table's cell padding
// alone, then indent the text by the cell's margin and padding inside its
// border: with less, a number is squeezed onto two lines. (Browsers give
// the classes' padding precedence and ignore margins of cells.)
htmlTable tableRapport();
// The cell padding of the report tables.
constexpr int kCellPaddingRapport = kPaddingCellule + kMargeCellule + kBordureCellule;
