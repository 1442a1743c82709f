// Reading the arguments of the module's LISP functions: what counts as a
// number or a point, and the entities of a selection set.
#pragma once

#include <vector>

#include "host/db/resbuf.hpp"
#include "host/ed/selection.hpp"

namespace argumentsLisp {

inline bool estEntier(const resbuf& rb) { return rb.restype == RTSHORT || rb.restype == RTLONG; }
inline bool estNombre(const resbuf& rb) { return estEntier(rb) || rb.restype == RTREAL; }
inline bool estPoint(const resbuf& rb) { return rb.restype == RT3DPOINT || rb.restype == RTPOINT; }
inline double nombre(const resbuf& rb) {
  if (rb.restype == RTREAL) return rb.resval.rreal;
  return rb.restype == RTSHORT ? double(rb.resval.rint) : double(rb.resval.rlong);
}

// The entities of a selection set given by its number (RTPICKS); an entity
// name counts as a set of that one entity. False when the argument is
// neither, or names a set the command line does not know.
inline bool entitesDe(const resbuf& rb, std::vector<ZcDbObjectId>& ids) {
  if (rb.restype == RTENAME) {
    ids.assign(1, rb.resval.rlname);
    return true;
  }
  if (rb.restype != RTPICKS) return false;
  const ZcSelectionSet* ss = host::selectionSet(long(rb.resval.rint64 ? rb.resval.rint64 : rb.resval.rlong));
  if (!ss) return false;
  ids = ss->ids;
  return true;
}

}  // namespace argumentsLisp
