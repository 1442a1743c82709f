// Interactive choices of a code or of a point number, and the LISP
// functions built on them and on the point table dialog.
//
// Both questions can be answered by typing or by picking a point block; the
// input mode of each (and the last code chosen) is kept for as long as the
// module is loaded, so that the next question starts the way the user left
// the previous one.
#pragma once

// Every code, as demanderCode gives it (and selectionnerCode returns it).
constexpr int kCodeTous = -9999;

// Asks a code: typed (Enter keeps the last code) or read from a picked
// point block; the keyword T chooses every code (kCodeTous). RTNORM with
// `code` set, or RTCAN when the user cancelled (`code` untouched).
int demanderCode(int& code);

// Asks a point number (above 0) with `question`: typed, or read from the
// name of a picked point block. RTNORM with `numero` set, or RTCAN.
int demanderNumeroPoint(const wchar_t* question, int& numero);

// Back to the state of a fresh load: both questions in typed mode, last
// code 1.
void reinitialiserSaisiesPoints();

// (choixpoint): the point table dialog in pick mode on the current table;
// the name of the point chosen, or nil.
void lisp_choixpoint();
// (selectionnerCode): the code asked with demanderCode (-9999 for every
// code), or nil when cancelled.
void lisp_selectionnerCode();
// (c:TopJndre): a polyline through the points numbered from a first to a
// last number, by a step, of one code or of any.
void c_TopJndre();
// (C:ZoomLeve): the view zoomed onto the points of the current table.
void C_ZoomLeve();
