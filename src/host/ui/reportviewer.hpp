// Viewer of computation reports (text or HTML files written by a command).
// Headless it prints the path of the report it shows.
#pragma once

#include <string>

namespace host::ui {

// Prints "Rapport : <path>" on the session's console; a missing file prints
// "Rapport introuvable : <path>" and returns false.
bool showReport(const std::string& path);

}  // namespace host::ui
