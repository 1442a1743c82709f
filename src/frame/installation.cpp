#include "frame/installation.hpp"

#include <algorithm>

#include "host/app/host_app.hpp"

std::wstring dossierInstallation() {
  static const std::wstring dossier = [] {
    std::wstring d = host::fromUtf8(host::installationFolder());
    while (!d.empty() && (d.back() == L'\\' || d.back() == L'/')) d.pop_back();
    return d;
  }();
  return dossier;
}

std::wstring fichierInstallation(const std::wstring& nom, const std::wstring& sousDossier) {
  std::wstring chemin = dossierInstallation() + L"\\";
  if (!sousDossier.empty()) chemin += sousDossier + L"\\";
  return chemin + nom;
}

std::string cheminSysteme(const std::wstring& chemin) {
  std::wstring c = chemin;
  std::replace(c.begin(), c.end(), L'\\', L'/');
  return host::toUtf8(c);
}
