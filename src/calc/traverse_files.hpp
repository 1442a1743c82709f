// Traverse observation files: the line tokenizer shared by the survey data
// files, and the text files in which the closed and open traverse dialogs
// save and reload their stations and observation rows.
//
// Files are 8-bit Windows-1252 text with CR LF line ends. Wide texts of the
// model go through Windows-1252 on writing (characters it lacks become '?')
// and come back from it on reading.
#pragma once

#include <string>
#include <vector>

#include "calc/angles.hpp"

// Splits one line into tokens. The tokens are emptied first. An empty line
// or one starting with '*' gives no token. Separators are skipped; a double
// quote starts a token running to the next double quote or the end of the
// line (separators included), and an empty quoted token is not stored; any
// other character starts a token running to the next separator, a double
// quote inside it being an ordinary character.
void decouperLigne(const std::wstring& ligne, const std::wstring& separateurs, std::vector<std::wstring>& jetons);

// The separators of the traverse files: blank, tab, colon, equals sign.
inline constexpr const wchar_t* kSeparateursPolygonale = L" \t:=";

// A station of a traverse file: name, coordinates (metres) and reference
// bearing (in the file's unit).
struct stationPolygonale {
  std::wstring nom;
  double x = 0, y = 0, z = 0, gis = 0;
};

// An observation row as the dialogs hold it: the texts of the four columns.
struct lignePolygonale {
  std::wstring nom, angle, distance, dz;
};

// What a traverse file holds. A closed traverse uses the start station only
// (its bearing is the "north" reference); an open traverse has both stations
// and the closing angle measured at the end station.
struct fichierPolygonale {
  bool ouverte = false;
  stationPolygonale depart, arrivee;
  int unite = kGrades;
  int nivellement = kNivAucun;
  double fermeture = 0;
  std::vector<lignePolygonale> lignes;
};

// Row names are cut to this many characters in the file.
inline constexpr std::size_t kNomLignePolygonaleMax = 18;

// The exact bytes of the file (closed or open layout after f.ouverte).
std::string texteFichierPolygonale(const fichierPolygonale& f);

// Creates (truncates) the file and writes it. False when the file cannot be
// created or written; nothing is written then.
bool ecrireFichierPolygonale(const std::string& chemin, const fichierPolygonale& f);

// Filters of the save and open dialogs, 1-based as the file dialog reports.
enum filtrePolygonale : int { kFiltreObservations = 1, kFiltreSansExtension = 2, kFiltreTous = 3, kFiltreTexte = 4 };

// The path the writer uses for the chosen path and filter: ".obs" or ".txt"
// appended unless already there; the two other filters ("Sans extension",
// "Tous") keep the name as typed, without extension when it has none; ".obs"
// when no filter applies and the file name has no '.' at all. The dots that
// end the file name are dropped ("polyg.txt." is "polyg.txt"). Endings are
// compared without regard to case; the path is not lower-cased, so folders
// keep their capitals.
std::string cheminFichierPolygonale(std::string chemin, int indexFiltre);

// Reads a traverse file into `out`. False, with `out` untouched, when the
// file cannot be opened. Otherwise the rows are emptied, the stations reset
// (closed: the start station's name and values; open: the values of both
// stations, their names kept), and each line applied; unit, levelling mode
// and closing angle keep their values unless the file sets them. Lines longer
// than 1023 characters are skipped.
bool lireFichierPolygonale(const std::string& chemin, bool ouverte, fichierPolygonale& out);

// The same from the bytes of a file.
void lireTextePolygonale(const std::string& octets, bool ouverte, fichierPolygonale& out);
