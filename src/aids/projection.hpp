// Survey points and polylines: a polyline redrawn through the points found
// along it (c:projpoly), a parallel of a polyline with new points opposite
// the old ones (C:pointsParDecalage), point blocks moved onto a path
// (c:VRDEPORTPNTS).
#pragma once

#include <cstddef>
#include <map>
#include <vector>

#include "host/db/entities.hpp"
#include "host/geom/path.hpp"

// More positions than this along a polyline stop the projection.
constexpr std::size_t kPositionsProjectionMax = 9999999;

// The positions whose closest point on `chemin` is nearer than `distance`,
// in the order of their length along it; a position less than 1e-6 along
// from the previous one kept is dropped. Empty when fewer than two remain
// or when more than kPositionsProjectionMax take part.
std::vector<ZcGePoint2d> sommetsProjetes(const Path& chemin, const std::vector<ZcGePoint2d>& positions,
                                         double distance);

// The polyline's vertices become `sommets`, in order: existing vertices
// move, those beyond the count go, missing ones are appended; every bulge
// becomes 0.
void poserSommets(ZcDbPolyline& polyligne, const std::vector<ZcGePoint2d>& sommets);

// The signed plan distance from `p` to the path: negative when `p` lies on
// the right of the segment that holds its closest point. False for a path
// without vertices.
bool decalageDePassage(const Path& chemin, const ZcGePoint2d& p, double& decalage);

// Moves each point block (extended data "VRELPLUS") of `blocs` whose
// position is at most `capture` from `chemin` onto its closest point, in
// plan, and tells the tables of the current project (x and y). The number
// of blocks moved.
std::size_t deporterBlocs(const Path& chemin, const std::vector<ZcDbObjectId>& blocs, double capture);

// Tells every table of the current project of the new positions of the
// points shown by these blocks: x (mask bit 1), y (2), z (4). One pass over
// each table, however many blocks.
void informerTables(const std::map<ZcDbObjectId, ZcGePoint3d>& positions, int masque);

// The code chooser the command asks with (a typed or picked code; -9999 for
// every code): RTNORM with the code, anything else when cancelled.
using demandeCode = int (*)(int& code);

// c:projpoly: the polyline, the search distance, the code; then the
// polyline through the point entities and point blocks of that code found
// along it.
void c_projpoly(demandeCode demanderCode);
// C:pointsParDecalage: the polyline, the passage point, the distance, the
// altitude offset; then the parallel and the new points.
void C_pointsParDecalage();
// c:VRDEPORTPNTS: the path, the capture distance, the blocks to move.
void c_VRDEPORTPNTS();

// The capture distance of c:VRDEPORTPNTS, kept for the session.
double& distanceCaptureDeport();
