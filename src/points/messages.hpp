// What the survey model tells the user about the project stored in a
// drawing: the command-line reports of a read that left data out, and the
// question asked before such a record is saved over.
#pragma once

namespace geltaro::points::messages {

// A table of the stored project that could not be read: with its name, or
// with its rank (from 1) when even its name could not be read.
inline constexpr const wchar_t* kTableIllisible = L"\nTable %s illisible : ignorée";
inline constexpr const wchar_t* kTableIllisibleSansNom = L"\nTable n° %d illisible : ignorée";
// The tables after it, when the reader could not find where they begin.
inline constexpr const wchar_t* kTableSuivanteInaccessible = L"\n1 table suivante inaccessible : ignorée";
inline constexpr const wchar_t* kTablesSuivantesInaccessibles = L"\n%d tables suivantes inaccessibles : ignorées";
// A record whose head (current table, number of tables) cannot be read.
inline constexpr const wchar_t* kProjetIllisible = L"\nDonnées Topo illisibles : ignorées";

// At save, when the stored record could not be read whole (UTF-8, for the
// message box).
inline constexpr const char* kTitreDonneesTopo = "Données Topo";
inline constexpr const char* kRemplacerProjetIllisible =
    "Les données Topo enregistrées dans ce dessin n'ont pas pu être lues entièrement. "
    "Les remplacer par le projet actuel ?";
// After No: the record stays as it was.
inline constexpr const wchar_t* kProjetConserve = L"\nDonnées Topo du dessin conservées telles quelles.";

}  // namespace geltaro::points::messages
