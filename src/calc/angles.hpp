// Angle units and bearings. Survey computations work in the unit the user
// chose (grades by default) and in radians inside; a bearing ("gisement")
// is the direction of a line clockwise from the north (+Y).
#pragma once

// Angle unit: 0 grades, 1 decimal degrees, 2 radians.
enum uniteAngle : int { kGrades = 0, kDegres = 1, kRadians = 2 };

// Levelling mode of traverses: 0 none, 1 simple, 2 proportional to the
// distances, 3 proportional to the square roots of the distances.
enum modeNivellement : int { kNivAucun = 0, kNivSimple = 1, kNivDistance = 2, kNivRacine = 3 };

// A full turn, a half turn and the factor to radians of a unit (grades for
// any unknown value).
double tourComplet(int unite);
double demiTour(int unite);
double versRadians(int unite);

// The names written in traverse files ("grades", "degres", "radians";
// "aucun", "simple", "distance", "racine") and the combo-box texts
// ("Grades", "Degrés décimaux", "Radians"; "Pas de nivellement", "Simple",
// "Prop. distances", "Prop. racine dist."), UTF-8.
const char* nomFichierUnite(int unite);
const char* texteUnite(int unite);
// The symbol printed after a value in the unit ("gr", "°", "rad"), UTF-8.
const char* symboleUnite(int unite);
const char* nomFichierNivellement(int mode);
const char* texteNivellement(int mode);

// a - floor(a/m)·m, in [0, m); a itself when m is exactly 0.
double moduloPositif(double a, double m);

// The bearing from the station to the direction point, in the unit.
// Coincident points give a quarter turn.
double calculerGisement(double xStation, double yStation, double xDirection, double yDirection, int unite);
