// Groups of entities the features make: what one command drew, kept
// together for the user to select and move as one.
#pragma once

#include <vector>

#include "host/db/database.hpp"

namespace geltaro::frame {

// A new anonymous, selectable group of the drawing (named "*A<n>", the
// first free number) holding `ids`; the null id when the group dictionary
// cannot be opened.
ZcDbObjectId grouperAnonyme(ZcDbDatabase* db, const std::vector<ZcDbObjectId>& ids);

}  // namespace geltaro::frame
