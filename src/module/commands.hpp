// The commands and the LISP functions of the module. An entry's handler is
// null while the part of the module that does its work is not there: such a
// command tells the user it is not available; such a function does nothing.
#pragma once

#include <array>

// Commands of the group "GELTARO4".
constexpr const wchar_t* kGroupeCommandes = L"GELTARO4";

struct commandeModule {
  const wchar_t* nom;
  int flags;  // 0 modal, 1 transparent, 2 pick-first selection, 3 both
  void (*fonction)();
};
extern const std::array<commandeModule, 13> tableCommandes;

// Index = function code given to zcedDefun.
struct fonctionLisp {
  const wchar_t* nom;
  void (*fonction)();
};
extern const std::array<fonctionLisp, 42> tableFonctionsLisp;

// PTSEN3D: a point entity at every point of the current table that has an
// altitude.
void ptsEn3d();
