// Point names as keys: names are 8-bit Windows-1252 texts that match
// ignoring case and the blanks around them.
#pragma once

#include <string>
#include <string_view>

namespace geltaro::points {

// Lower case of a Windows-1252 text (ASCII and accented letters).
std::string minuscules(std::string_view ansi);

// The key of a stored name: lower case, trimmed of spaces at both ends
// (and of tabs when `tabs` is set).
std::string cleNom(std::string_view ansi, bool tabs = false);

// The key of a name given as a wide text. False when the name holds a
// character the 8-bit names cannot hold: no stored name can match it.
bool cleNom(const wchar_t* nom, std::string& cle);

// A name that is empty once spaces, '*' and '.' are trimmed counts as none.
bool estSansNom(std::string_view ansi);

// The order of point names in lists: equal ignoring case; else a name
// with a letter prefix before one without; else prefixes (ignoring case),
// then the numbers after them as integers, then the rests (ignoring case).
// So P2 < P10 < 10. Gives -1, 0 or 1.
int comparerNomsPoints(std::string_view a, std::string_view b);
int comparerNomsPoints(const std::wstring& a, const std::wstring& b);

// A name split once for many comparisons (sorting long lists).
struct cleNomPoint {
  std::string entier;   // the whole name in lower case
  std::string prefixe;  // before the first digit, lower case
  unsigned long long nombre = 0;
  std::string reste;    // after the digits, lower case
};
cleNomPoint cleTri(std::string_view nom);
int comparerCles(const cleNomPoint& a, const cleNomPoint& b);

}  // namespace geltaro::points
