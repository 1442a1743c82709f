// Survey points taken from the entities of a received drawing: vertices of
// polylines and meshes, corners of 3D faces, ends of lines, point entities,
// blocks carrying a number and an altitude, texts holding altitudes.
// `listePointsDuDessin::importFromDrawing` (points/table.hpp) runs the
// import; this header gives the kinds it can take and the codes of the
// points it makes.
#pragma once

// The kinds of entities an import takes, as bits of its kind set.
enum typesImport : int {
  kImportPolylignes2dAnciennes = 1,  // old-style 2D polylines
  kImportMaillages3d = 2,            // polygon meshes
  kImportPolylignes3d = 4,
  kImportBlocs3d = 8,                // block references inserted at an altitude
  kImportBlocsPoints = 16,           // point blocks of the survey module
  kImportBlocsAttributs = 32,        // blocks whose attributes hold a number and an altitude
  kImportFacettes3d = 64,
  kImportLignes = 128,
  kImportPolylignes2d = 256,  // light polylines
  kImportPoints = 512,
  kImportMaillagesFacettes = 1024,  // polyface meshes
  kImportTextes = 2048,             // texts and multiline texts
  kImportTous = 4095
};

// The code of the points each source gives (blocks whose code attribute
// holds a code give that code instead).
enum codesImport : int {
  kCodeImportPolyligne3d = 9999,
  kCodeImportPolyligne2dAncienne = 9998,
  kCodeImportPoint = 9997,
  kCodeImportMaillage3d = 9996,
  kCodeImportMaillageFacettes = 9995,
  kCodeImportFacette3d = 9994,
  kCodeImportLigne = 9993,
  kCodeImportPolyligne2d = 9992,
  kCodeImportBlocPoint = 9991,
  kCodeImportBloc3d = 9990,
  kCodeImportBlocAttributs = 9989,
  kCodeImportTexte = 9988
};
