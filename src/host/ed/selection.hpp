// Entity picks and selection sets of the command line, with the host's
// selection filters.
#pragma once

#include <string>
#include <vector>

#include "host/db/resbuf.hpp"
#include "host/geom/matrix.hpp"

// A selection set: entities in selection order. LISP sees it through its
// number ("<Selection set: 1>").
struct ZcSelectionSet {
  long number = 0;
  std::vector<ZcDbObjectId> ids;
};

// Picks one entity: "#HANDLE" or a point (the entity nearest to it within
// the pick box). RTNORM, RTERROR (nothing there), RTNONE (Enter), RTCAN,
// RTKWORD (with init-get keywords; with RSG_OTHER also any other text).
int zcedEntSel(const wchar_t* prompt, ads_name& entity, ZcGePoint3d& pickPoint);
// Picks reaching into block references: an attribute under the point (or by
// its handle) is returned itself, with the block reference as container.
int zcedNEntSelP(const wchar_t* prompt, ads_name& entity, ZcGePoint3d& pickPoint, bool pickFlag,
                 ZcGeMatrix3d& xform, std::vector<ZcDbObjectId>& containers);

// Selection: mode nullptr (ask the user), "X" (whole drawing), "L" (last),
// "P" (previous), "W"/"C" (window/crossing between pt1 and pt2), "_X"...;
// `filter` is a list of (code . value) conditions (0 type, 8 layer, 100
// subclass marker, -3 applications, -4 "<OR" ... "OR>" and friends).
// RTNORM when something is selected, RTERROR when nothing, RTCAN.
int zcedSSGet(const wchar_t* mode, const ZcGePoint3d* pt1, const ZcGePoint3d* pt2, const ResbufChain* filter,
              ZcSelectionSet& ss);
int zcedSSLength(const ZcSelectionSet& ss, long& length);
int zcedSSName(const ZcSelectionSet& ss, long index, ads_name& entity);
int zcedSSAdd(const ads_name* entity, const ZcSelectionSet* from, ZcSelectionSet& result);
int zcedSSFree(ZcSelectionSet& ss);

namespace host {
// The host's wildcard match: "*", "?", "#" digit, "@" letter, "." not
// alphanumeric, "~" at the start negates, "," separates alternatives,
// "[...]" character classes, "`" escapes. Case-insensitive.
bool wcmatch(const std::wstring& text, const std::wstring& pattern);
// Does an entity pass a selection filter?
bool passesFilter(ZcDbObjectId id, const ResbufChain& filter);
// Selection sets by number, for LISP.
const ZcSelectionSet* selectionSet(long number);
long registerSelectionSet(const ZcSelectionSet& ss);
// The last entity appended to model space, and the previous selection.
ZcDbObjectId lastEntity();
// The entity nearest to a point of the plan within `radius`, or null.
ZcDbObjectId entityNear(const ZcGePoint3d& p, double radius);
double pickBoxRadius();
// Drops the selection sets and the previous selection (another drawing).
void forgetSelections();
}  // namespace host
