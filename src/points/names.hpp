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

}  // namespace geltaro::points
