// The module's installation folder (block library, codification file,
// title blocks) and the paths of its files. Paths are kept with "\" as the
// separator, as they are stored in drawings and settings; cheminSysteme
// gives the form the file system takes.
#pragma once

#include <string>

// The installation folder, without trailing separators ("" when unknown).
std::wstring dossierInstallation();
// A file of the installation folder: folder + "\" + name, or
// folder + "\" + subfolder + "\" + name.
std::wstring fichierInstallation(const std::wstring& nom, const std::wstring& sousDossier = {});
// A path as the file system takes it: "\" and "/" both separate folders.
std::string cheminSysteme(const std::wstring& chemin);
