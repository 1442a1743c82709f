// Table entities made by the program: a grid of texts kept both as table
// data (rows, columns, cell texts, sizes) and as the graphics of an
// anonymous block, so that a reader which does not know tables still
// draws the lines and texts.
#pragma once

#include <string>
#include <vector>

#include "host/db/entities.hpp"

namespace host {

struct TableContent {
  // Rows of cells, row 0 first (at the top); every row has one cell per
  // column. Texts are plain: line breaks are kept as such, backslashes and
  // braces are literal characters.
  std::vector<std::vector<std::wstring>> cells;
  std::vector<double> columnWidths;  // drawing units, one per column
  double rowHeight = 0;              // drawing units, every row
  double textHeight = 0;             // drawing units
  // Row 0 is one title cell across every column: its first cell holds the
  // title, the others must be empty (or absent: row 0 may hold one cell).
  bool titleRow = false;
  // Further rows drawn as one cell across every column, as the title row
  // (a heading inside the table): their first cell holds the text.
  std::vector<int> mergedRows;
  // Where the text sits in its cell, as a multiline text attachment: 1 top
  // left, 2 top centre ... 5 middle centre ... 9 bottom right.
  int alignment = 5;
};

// Appends to model space a table entity whose upper-left corner is
// `insertion`, on the existing layer `layer` with colour `colorIndex`
// (256 by layer). The graphics are an anonymous block "*T<n>": the cell
// borders as lines and one multiline text per non-empty cell, on layer 0 and
// by block, so that they take the table's layer and colour. The table names
// the drawing's "Standard" table style, made when the drawing has none.
//
// Returns the table's id, or the null id when nothing was added: no drawing,
// no cells, a row whose cell count is not the number of column widths, a
// width, height or position that is not a positive finite number (a
// position: finite), an alignment outside 1..9, a colour outside 0..256, or
// a layer the drawing does not have.
ZcDbObjectId addTable(ZcDbDatabase* db, const ZcGePoint3d& insertion, const TableContent& content,
                      const std::wstring& layer = L"0", int colorIndex = 256);

// Plain text as multiline text contents: backslashes and braces escaped, line
// breaks (LF, CR LF, CR) as paragraph breaks, other control characters as
// spaces, so that the text shows as given and keeps the file's one value on
// one line.
std::wstring mtextContentsOf(const std::wstring& plain);

}  // namespace host
