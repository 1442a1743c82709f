// How wide common DXF viewers draw a text of the standard style ("txt"),
// per character, in units of the text height: the larger of
// - ezdxf 0.18's drawing add-on, which draws "txt" with DejaVu Sans scaled
//   to the cap height (the width of the glyph as it measures it), and
// - LibreCAD 2.2, which draws it with its "standard.lff" font (the glyph's
//   extent plus the letter spacing of 3, over the cap height of 9).
// Rounded up to the thousandth. The host's text extents must not be smaller.
#pragma once

#include <string>

namespace geltaro::testing {

struct LargeurVue {
  wchar_t c;
  double largeur;
};

inline constexpr LargeurVue kLargeursVues[] = {
    {L'!', 0.343}, {L'"', 0.723}, {L'#', 1.044}, {L'$', 0.778}, {L'%', 1.228}, {L'&', 1.027}, {L'\'', 0.445},
    {L'(', 0.445}, {L')', 0.418}, {L'*', 0.967}, {L'+', 1.004}, {L',', 0.389}, {L'-', 0.778}, {L'.', 0.334},
    {L'/', 0.778}, {L'0', 0.782}, {L'1', 0.746}, {L'2', 0.778}, {L'3', 0.778}, {L'4', 0.889}, {L'5', 0.778},
    {L'6', 0.786}, {L'7', 0.778}, {L'8', 0.779}, {L'9', 0.778}, {L':', 0.334}, {L';', 0.389}, {L'<', 1.004},
    {L'=', 1.004}, {L'>', 1.004}, {L'?', 0.728}, {L'@', 1.276}, {L'A', 1.0},   {L'B', 0.844}, {L'C', 0.884},
    {L'D', 0.975}, {L'E', 0.779}, {L'F', 0.778}, {L'G', 0.95},  {L'H', 0.897}, {L'I', 0.334}, {L'J', 0.667},
    {L'K', 0.928}, {L'L', 0.778}, {L'M', 1.05},  {L'N', 0.891}, {L'O', 1.003}, {L'P', 0.78},  {L'Q', 1.003},
    {L'R', 0.914}, {L'S', 0.834}, {L'T', 0.889}, {L'U', 0.889}, {L'V', 1.0},   {L'W', 1.311}, {L'X', 1.0},
    {L'Y', 1.0},   {L'Z', 0.889}, {L'[', 0.445}, {L'\\', 0.778}, {L']', 0.445}, {L'^', 0.667}, {L'_', 1.556},
    {L'`', 0.556}, {L'a', 0.778}, {L'b', 0.796}, {L'c', 0.669}, {L'd', 0.778}, {L'e', 0.778}, {L'f', 0.667},
    {L'g', 0.778}, {L'h', 0.778}, {L'i', 0.334}, {L'j', 0.556}, {L'k', 0.791}, {L'l', 0.445}, {L'm', 1.22},
    {L'n', 0.778}, {L'o', 0.778}, {L'p', 0.796}, {L'q', 0.778}, {L'r', 0.667}, {L's', 0.723}, {L't', 0.667},
    {L'u', 0.778}, {L'v', 0.778}, {L'w', 1.064}, {L'x', 0.778}, {L'y', 0.778}, {L'z', 0.778}, {L'{', 0.701},
    {L'|', 0.334}, {L'}', 0.701}, {L'~', 1.004}, {L' ', 0.75},  {L'\u00e9', 0.778}, {L'\u00c9', 0.779},
    {L'\u00b0', 0.667},
};

// The width a viewer gives the text at height h; a character outside the
// table counts as wide as the widest one.
inline double largeurVue(const std::wstring& s, double h) {
  double w = 0;
  for (wchar_t c : s) {
    double l = 1.556;
    for (const LargeurVue& v : kLargeursVues)
      if (v.c == c) l = v.largeur;
    w += l;
  }
  return w * h;
}

}  // namespace geltaro::testing
