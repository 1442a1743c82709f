// A survey drawing of the size a field team brings back from a large site:
// every measured point is a reference to the block "vrelblk1" (a circle and
// a cross) carrying four attributes (CODE, NUMPT, Z, OBS) on four layers,
// tagged with the VRELPLUS application's extended data. Built through the
// object classes and saved with saveAs, so the writer is exercised too.
//
// The object classes give a new entity every tag, defaults included; field
// and survey software leave out the ones at their default value (rotation 0,
// unit scale, left alignment, the Z extrusion, the standard style), which
// almost halves a points drawing. The points are trimmed the same way:
// 50,000 points make a file of about 53 MB.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <random>
#include <string>

#include "host/db/entities.hpp"

namespace geltaro::bench {

namespace {

constexpr const wchar_t* kBlockName = L"vrelblk1";
constexpr const wchar_t* kApp = L"VRELPLUS";

const wchar_t* const kObservations[] = {
    L"borne",          L"arbre",          L"regard EU",       L"regard EP",     L"bordure",
    L"fil d'eau",      L"angle bati",     L"poteau EDF",      L"candelabre",    L"grille avaloir",
    L"haie",           L"talus haut",     L"talus bas",       L"mur cloture",   L"portail",
    L"coffret France Telecom", L"bouche a cle", L"axe chaussee", L"piquet", L"souche"};
const wchar_t* const kCodes[] = {L"BOR", L"ARB", L"REU", L"REP", L"BDR", L"FE",  L"ANG", L"POT", L"CAN", L"GRI",
                                 L"HAI", L"TH",  L"TB",  L"MUR", L"POR", L"CFT", L"BAC", L"AXE", L"PIQ", L"SOU"};

Zcad::ErrorStatus addLayer(ZcDbDatabase& db, const wchar_t* name, int color) {
  ZcDbObjectPointer<ZcDbLayerTable> table(db.layerTableId(), ZcDb::kForWrite);
  if (!table) return table.openStatus();
  auto layer = std::make_unique<ZcDbLayerTableRecord>();
  layer->setName(name);
  layer->setColorIndex(color);
  return table->add(layer.get());
}

// The point symbol: a circle of 0.25 with a cross through it.
Zcad::ErrorStatus addPointBlock(ZcDbDatabase& db, ZcDbObjectId& blockId) {
  ZcDbObjectPointer<ZcDbBlockTable> table(db.blockTableId(), ZcDb::kForWrite);
  if (!table) return table.openStatus();
  auto block = std::make_unique<ZcDbBlockTableRecord>();
  block->setName(kBlockName);
  if (auto s = table->add(blockId, block.get())) return s;
  auto circle = std::make_unique<ZcDbCircle>(ZcGePoint3d(0, 0, 0), 0.25);
  auto h = std::make_unique<ZcDbLine>(ZcGePoint3d(-0.5, 0, 0), ZcGePoint3d(0.5, 0, 0));
  auto v = std::make_unique<ZcDbLine>(ZcGePoint3d(0, -0.5, 0), ZcGePoint3d(0, 0.5, 0));
  for (ZcDbEntity* e : {static_cast<ZcDbEntity*>(circle.get()), static_cast<ZcDbEntity*>(h.get()),
                        static_cast<ZcDbEntity*>(v.get())})
    if (auto s = block->appendZcDbEntity(e)) return s;
  return Zcad::eOk;
}

double micro(double v) { return std::round(v * 1e6) / 1e6; }

// Removes the tags of these codes (optional tags left at their default).
void dropTags(ZcDbObject& o, std::initializer_list<int> codes) {
  host::Tags tags = o.dxfTags();
  std::erase_if(tags, [&](const host::Tag& t) { return std::find(codes.begin(), codes.end(), t.code) != codes.end(); });
  o.setDxfTags(std::move(tags));
}

Zcad::ErrorStatus addAttribute(ZcDbBlockReference& ref, const ZcGePoint3d& at, const std::wstring& text,
                               const wchar_t* tag, const wchar_t* layer, bool invisible) {
  auto a = std::make_unique<ZcDbAttribute>(ZcGePoint3d(micro(at.x), micro(at.y), micro(at.z)), text, tag);
  a->setHeight(0.3);
  if (invisible) a->setInvisible(true);
  // Left-aligned on the base line, not rotated, in the plan, standard style.
  dropTags(*a, {50, 41, 51, 7, 71, 72, 11, 21, 31, 210, 220, 230, 73, 74});
  if (auto s = ref.appendAttribute(a.get())) return s;
  return a->setLayer(layer);
}

}  // namespace

// Writes the drawing of `count` points to `path`; false with a message on failure.
bool makePointsDrawing(const std::string& path, int count, std::string& error) {
  ZcDbDatabase db;
  struct LayerDef {
    const wchar_t* name;
    int color;
  };
  for (LayerDef l : {LayerDef{L"TOPO_BLOCS", 1}, LayerDef{L"TOPO_NUM", 3}, LayerDef{L"TOPO_ALT", 5},
                     LayerDef{L"TOPO_OBS", 4}})
    if (addLayer(db, l.name, l.color) != Zcad::eOk) {
      error = "cannot add layer";
      return false;
    }
  zcdbRegApp(&db, kApp);
  ZcDbObjectId blockId;
  if (addPointBlock(db, blockId) != Zcad::eOk) {
    error = "cannot define the point block";
    return false;
  }

  ZcDbObjectPointer<ZcDbBlockTableRecord> model(db.modelSpaceId(), ZcDb::kForWrite);
  if (!model) {
    error = "no model space";
    return false;
  }
  // Projected coordinates of a site in a conic projection: six-digit
  // eastings, seven-digit northings, to the micrometre as adjustment
  // programs export them.
  std::mt19937_64 rng(20240611);
  std::uniform_real_distribution<double> east(651000.0, 654000.0), north(6862000.0, 6865000.0),
      alt(31.0, 96.0);
  std::uniform_int_distribution<int> kind(0, int(std::size(kObservations)) - 1);
  const ResbufChain xdata{resbuf::string(1001, kApp), resbuf::shortInt(1070, 1)};

  for (int i = 0; i < count; ++i) {
    ZcGePoint3d p(micro(east(rng)), micro(north(rng)), micro(alt(rng)));
    auto ref = std::make_unique<ZcDbBlockReference>(p, blockId);
    dropTags(*ref, {41, 42, 43, 50});  // unit scale, no rotation
    ref->setLayer(L"TOPO_BLOCS");
    if (model->appendZcDbEntity(ref.get()) != Zcad::eOk) {
      error = "cannot append a point";
      return false;
    }
    ref->setXData(xdata);
    int k = kind(rng);
    wchar_t z[32];
    std::swprintf(z, std::size(z), L"%.3f", p.z);
    Zcad::ErrorStatus s = addAttribute(*ref, p, kCodes[k], L"CODE", L"TOPO_BLOCS", true);
    if (!s) s = addAttribute(*ref, ZcGePoint3d(p.x + 0.45, p.y + 0.35, p.z), std::to_wstring(1000 + i), L"NUMPT",
                             L"TOPO_NUM", false);
    if (!s) s = addAttribute(*ref, ZcGePoint3d(p.x + 0.45, p.y - 0.05, p.z), z, L"Z", L"TOPO_ALT", false);
    if (!s) s = addAttribute(*ref, ZcGePoint3d(p.x + 0.45, p.y - 0.45, p.z), kObservations[k], L"OBS",
                             L"TOPO_OBS", false);
    if (s) {
      error = "cannot append an attribute";
      return false;
    }
  }
  model.close();
  if (db.saveAs(path) != Zcad::eOk) {
    error = db.lastError();
    return false;
  }
  return true;
}

}  // namespace geltaro::bench
