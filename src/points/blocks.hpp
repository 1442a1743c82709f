// Point blocks: the block reference that shows a survey point in the
// drawing, scaled by its code's size, with four attributes (code, name,
// altitude, observation) on the code's layers and the extended data
// (1001 "VRELPLUS") (1070 1).
#pragma once

#include <string>
#include <string_view>

#include "host/db/entities.hpp"
#include "points/point.hpp"

class tableCodification;

// Multiplied into every block size (set by the LISP function updarxttxt).
extern double facteurTailleBlocs;

// The application of the point blocks' extended data.
constexpr const wchar_t* kAppPointsBlocs = L"VRELPLUS";

// The block name of a block file: the file name in lower case, without
// folders and without a final ".dwg"; "invalid" when nothing is left; when
// the host's name check accepts it, every character other than a letter or
// a digit becomes "_".
std::wstring nomBlocDuChemin(const std::wstring& chemin);

// The block definition named after `chemin` in `db`, defined from the
// drawing file when the drawing has none (the file is looked up as given,
// then in the installation folder). False when it can be neither found nor
// read.
bool trouverOuDefinirBloc(const std::wstring& chemin, ZcDbDatabase* db, ZcDbObjectId& bloc);

// A library drawing's name as the program keeps it: a ".dxf" name becomes
// the ".dwg" name that resolves to it, a name without ".dwg" gets it. The
// case is kept (the library is looked up as spelt, then in lower case).
std::wstring nomFichierBibliotheque(const std::wstring& nom);

// Creates the point block of `p` in the model space of `db`; `id` receives
// the new block reference (untouched when a step fails). The altitude text
// is written only when `altitudeConnue`; with `creerCalques` the code's
// layers are created first.
void creerBlocPoint(const pointXYZ& p, ZcDbDatabase* db, tableCodification& table, ZcDbObjectId& id,
                    bool altitudeConnue, bool creerCalques);

// The text of the first attribute whose tag matches (ignoring case).
bool lireAttribut(const ZcDbBlockReference& ref, const std::wstring& tag, std::wstring& texte);

// Whether `id` is the point block of a point named `nom`: a block reference
// whose "NUMPT" attribute holds that name (9 characters, ignoring case and
// the blanks around it). A stored id may name any entity once the drawing
// was edited elsewhere; nothing is erased or changed through it unless it
// is the point's block.
bool estBlocDuPoint(const ZcDbObjectId& id, const char* nom);

// Whether an attribute text is an altitude: a decimal number with an
// optional sign, digits, and a fraction (1.5E3 needs its point), surrounded
// by blanks at most.
bool estNombre(std::string_view texte);

// The altitude as its code prints it: `precision` decimals; empty for 1e38.
std::wstring texteAltitude(double z, int precision);

// Puts a computed point into the current table and the drawing: a point of
// the same name is deleted (with its block) first.
void placerPointDansTableCourante(pointDuDessin p, const wchar_t* obs);
