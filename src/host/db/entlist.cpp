// Entity lists (entget / entmod) over the tag records.
#include <algorithm>

#include "host/db/objects.hpp"

using host::ObjectRecord;
using host::Tag;
using host::Tags;

ResbufChain zcdbEntGet(ZcDbObjectId id, const std::vector<std::wstring>& apps) {
  ResbufChain out;
  ObjectRecord* r = id.record();
  if (!r || r->erased()) return out;
  out.push_back(resbuf::id(-1, id));
  out.push_back(resbuf::string(0, host::fromUtf8(r->typeName())));
  out.push_back(resbuf::string(5, host::fromUtf8(host::formatHandle(r->handle))));
  Tags own, xdata;
  for (const auto& t : r->tags) (t.code >= 1000 ? xdata : own).push_back(Tag{t.code, std::string(t.value)});
  ResbufChain body = host::tagsToResbufs(own, r->db);
  out.insert(out.end(), body.begin(), body.end());
  if (apps.empty() || xdata.empty()) return out;
  bool all = std::find(apps.begin(), apps.end(), L"*") != apps.end();
  Tags chosen;
  bool take = false;
  for (const Tag& t : xdata) {
    if (t.code == 1001) {
      take = all || std::any_of(apps.begin(), apps.end(),
                                [&](const std::wstring& a) { return host::iequals(host::toUtf8(a), t.value); });
    }
    if (take) chosen.push_back(t);
  }
  if (chosen.empty()) return out;
  out.push_back(resbuf::shortInt(-3, 0));
  ResbufChain x = host::tagsToResbufs(chosen, r->db);
  out.insert(out.end(), x.begin(), x.end());
  return out;
}

Zcad::ErrorStatus zcdbEntMod(const ResbufChain& list) {
  if (list.empty() || list.front().restype != -1) return Zcad::eInvalidInput;
  ZcDbObjectId id = list.front().resval.rlname;
  ObjectRecord* r = id.record();
  if (!r) return Zcad::eNullObjectId;
  if (r->erased()) return Zcad::eWasErased;
  ResbufChain own, xdata;
  bool inXdata = false;
  for (size_t i = 1; i < list.size(); ++i) {
    const resbuf& rb = list[i];
    if (rb.restype == -3) {
      inXdata = true;
      continue;
    }
    if (inXdata) {
      xdata.push_back(rb);
      continue;
    }
    if (rb.restype == 0) {
      if (host::toUtf8(rb.resval.rstring) != r->typeName()) return Zcad::eNotThatKindOfClass;
      continue;
    }
    if (rb.restype == 5 || rb.restype < 0) continue;
    if (rb.restype >= 1000) return Zcad::eInvalidDxfCode;  // extended data only after -3
    own.push_back(rb);
  }
  // The object keeps its extended data unless the list replaces it.
  Tags tags = host::resbufsToTags(own);
  for (const auto& t : r->tags)
    if (t.code >= 1000) tags.push_back(Tag{t.code, std::string(t.value)});
  auto view = ZcDbObject::makeView(r, ZcDb::kForWrite);
  if (auto s = view->setDxfTags(tags)) return s;
  if (!xdata.empty()) {
    // One setXData per application named.
    ResbufChain app;
    for (const resbuf& rb : xdata) {
      if (rb.restype == 1001 && !app.empty()) {
        if (auto s = view->setXData(app)) return s;
        app.clear();
      }
      app.push_back(rb);
    }
    if (!app.empty())
      if (auto s = view->setXData(app)) return s;
  }
  return Zcad::eOk;
}
