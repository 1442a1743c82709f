// The dialog "Importation": which kinds of drawing entities an import of
// points takes, the tags of the attributes that give a block's number,
// altitude and code, and the offset from an altitude text to its point.
#pragma once

#include <array>
#include <string>

#include "host/geom/point.hpp"
#include "host/ui/dialog.hpp"

class CParamImportPntsDuDessin : public host::ui::Dialog {
 public:
  enum : int {
    kTous = 281,
    kAucun = 282,
    kConfigurer = 407,
    kDecalageX = 408,
    kDecalageY = 409,
    kPrelever = 410,
    kTagNumero = 411,
    kTagAltitude = 412,
    kTagCode = 413,
    kTextes = 284,
  };

  CParamImportPntsDuDessin();

  // The results once the dialog ends with OK (also its starting values).
  int types = 0;
  std::wstring tagNumero = L"NUMPT";
  std::wstring tagAltitude = L"Z";
  std::wstring tagCode;
  ZcGeVector2d decalage;

  // One check box a kind: its control and its bit in the kind set.
  struct CaseType {
    int id;
    int bit;
    const char* libelle;
  };
  static const std::array<CaseType, 12> kCases;

 protected:
  void onInit() override;
  void onPress(int id) override;
  bool onOk() override;

 private:
  void cocherTout(bool coche);
  // The offset fields and their button follow "Importer textes".
  void suivreTextes();
  void configurer();
  void prelever();
};

// Runs "Importation"; on OK writes the five results and gives true, on
// Cancel writes nothing and gives false.
bool demanderParamsImport(int& types, std::wstring& tagNumero, std::wstring& tagAltitude, std::wstring& tagCode,
                          ZcGeVector2d& decalage);
