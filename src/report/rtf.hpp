// The Word form of a report saved as ".doc": the document read back from
// its own markup (paragraphs and tables, with the classes of its style
// sheet) and written as Rich Text, which every word processor opens as a
// formatted document whatever the file's extension.
//
// Only what the reports write is understood: paragraphs and list items,
// line breaks, tables of rows and cells (class, align, colspan), the
// entities of texts, and the declarations of the style sheet (font family
// and size, bold, italic, underline, colours, text alignment, cell borders
// and padding). Other tags are skipped, their text kept.
#pragma once

#include <string>
#include <vector>

class htmlDocument;

// The whole RTF file: Windows-1252 declared (\ansicpg1252), the French
// language, an A4 page in print layout, landscape when a table needs it.
// Column widths are fixed from the texts they hold, so that no number is
// broken across two lines.
std::string rtfDocument(const htmlDocument& document);

// The width in points the widest table of the document needs for its texts
// to stay on one line (cell padding and borders included); 0 without table.
double largeurTableMax(const htmlDocument& document);

// Whether the widest table is wider than the text of a portrait A4 page
// with 2 cm margins (481.9 pt).
bool paysageNecessaire(const htmlDocument& document);

// The width in points that common fonts (Arial and its metric twins,
// DejaVu Sans, which is wider) need at most for a Windows-1252 text at the
// given size, in points.
double largeurTexte(const std::string& text, double sizePt);
