#include "frame/groupes.hpp"

#include <memory>
#include <string>

#include "host/db/objects.hpp"

namespace geltaro::frame {

ZcDbObjectId grouperAnonyme(ZcDbDatabase* db, const std::vector<ZcDbObjectId>& ids) {
  ZcDbObjectPointer<ZcDbDictionary> groupes(db->groupDictionaryId(), ZcDb::kForWrite);
  if (groupes.openStatus() != Zcad::eOk) return {};
  // Anonymous groups are named "*A<n>", the first free number.
  std::wstring nom;
  for (unsigned n = 1;; ++n) {
    nom = L"*A" + std::to_wstring(n);
    if (!groupes->has(nom)) break;
  }
  auto groupe = std::make_unique<ZcDbGroup>();
  groupe->setAnonymous();
  ZcDbObjectId id;
  if (groupes->setAt(nom, groupe.get(), id) != Zcad::eOk) return {};
  for (const ZcDbObjectId& e : ids) groupe->append(e);
  return id;
}

}  // namespace geltaro::frame
