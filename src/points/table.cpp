#include "points/table.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "host/app/host_app.hpp"
#include "host/db/memory.hpp"
#include "host/db/entities.hpp"
#include "points/blocks.hpp"
#include "points/names.hpp"
#include "points/serializer.hpp"

using geltaro::points::cleNom;

namespace {
// Buckets of the name index of a table being rebuilt. A new table reserves
// nothing: a project may hold thousands of tables, most of them small, and
// memory must follow the points really held (the index grows as they come).
constexpr std::size_t kSeauxIndex = 64;
// Room reserved ahead for the points a stored table announces: the count is
// only a claim (a damaged or hostile record may announce a billion); beyond
// this the arrays grow with the points actually read.
constexpr std::size_t kReserveAnnonceeMax = 4096;
}  // namespace

listePointsDuDessin::listePointsDuDessin() = default;

void listePointsDuDessin::Ajouter(const pointDuDessin& p) {
  points_.push_back(p);
  index_[cleNom(p.getNomPoint())] = int(points_.size() - 1);
}

void listePointsDuDessin::CreerPoint(const ZcGePoint3d& p, int code, const wchar_t* nom) {
  if (p.z == 0.0) return;
  pointDuDessin pt;
  pt.setParams(nom ? nom : L"*", p, code);
  Ajouter(pt);
}

int listePointsDuDessin::existPoint(const wchar_t* nom, int& pos) const {
  pos = -1;
  std::string cle;
  if (!cleNom(nom, cle)) return 0;
  auto it = index_.find(cle);
  if (it == index_.end()) return 0;
  pos = it->second;
  return 1;
}

pointDuDessin* listePointsDuDessin::getData(int i) {
  if (i < 0 || i >= nbPoint()) throw std::invalid_argument("position hors de la table de points");
  return &points_[std::size_t(i)];
}

const pointDuDessin* listePointsDuDessin::getData(int i) const {
  return const_cast<listePointsDuDessin*>(this)->getData(i);
}

int listePointsDuDessin::getMaxNum() const {
  int best = 0;
  for (const auto& p : points_) best = std::max(best, std::atoi(p.getNomPoint()));
  return best;
}

int listePointsDuDessin::nombreAyantCode(int code) const {
  return int(std::count_if(points_.begin(), points_.end(), [code](const auto& p) { return p.getCode() == code; }));
}

int listePointsDuDessin::findNearestTo(double x, double y, pointDuDessin& out) const {
  if (points_.empty()) return 0;
  // Points farther than 1e18 are never "nearer": the first point is taken.
  double best = 1e36;
  std::size_t winner = 0;
  for (std::size_t i = 0; i < points_.size(); ++i) {
    const double dx = points_[i].getX() - x, dy = points_[i].getY() - y;
    const double d2 = dx * dx + dy * dy;
    if (d2 < best) {
      best = d2;
      winner = i;
    }
  }
  out = points_[winner];
  return 1;
}

int listePointsDuDessin::getAt(double x, double y, pointDuDessin& out) const {
  for (const auto& p : points_) {
    if (std::fabs(p.getX() - x) < 1e-6 && std::fabs(p.getY() - y) < 1e-6) {
      out = p;
      return 1;
    }
  }
  return 0;
}

int listePointsDuDessin::getObjId(const wchar_t* nom, ZcDbObjectId& id) const {
  // The name as the 8-bit names hold it.
  const std::wstring commeStocke = host::fromAnsi(host::toAnsi(nom ? nom : L""));
  int pos;
  if (!existPoint(commeStocke.c_str(), pos) || pos < 0 || pos >= nbPoint()) return 0;
  id = points_[std::size_t(pos)].getId();
  return 1;
}

int listePointsDuDessin::getBlockPosition(const wchar_t* nom, ZcGePoint3d& pos, int& code) const {
  int i;
  if (!existPoint(nom, i)) return 0;
  const pointDuDessin& p = *getData(i);
  ZcDbObjectPointer<ZcDbBlockReference> bloc;
  if (estBlocDuPoint(p.getId(), p.getNomPoint())) bloc.open(p.getId(), ZcDb::kForRead);
  pos = bloc.openStatus() == Zcad::eOk ? bloc->position() : p.getAs3dPnt();
  code = p.getCode();
  return 1;
}

void listePointsDuDessin::notifyPositionPoint(const ZcDbObjectId& id, const ZcGePoint3d& p, int mask) {
  auto it = std::find_if(points_.begin(), points_.end(), [&](const auto& q) { return q.getId() == id; });
  if (it == points_.end()) return;
  if (mask & 1) it->setX(p.x);
  if (mask & 2) it->setY(p.y);
  if (mask & 4) it->setZ(p.z);
}

void listePointsDuDessin::decalZ(double dz) {
  for (auto& p : points_)
    if (p.aUneAltitude()) p.setZ(p.getZ() + dz);
}

void listePointsDuDessin::delDups() {
  if (points_.empty()) return;
  std::vector<pointDuDessin> tri = points_;
  // x first; y when the x are within 1e-8; then the smaller code first, so
  // that the kept point of a group of duplicates is the one of smallest code.
  std::stable_sort(tri.begin(), tri.end(), [](const pointDuDessin& a, const pointDuDessin& b) {
    const double dx = a.getX() - b.getX();
    if (std::fabs(dx) > 1e-8) return dx < 0;
    const double dy = a.getY() - b.getY();
    if (std::fabs(dy) > 1e-8) return dy < 0;
    return a.getCode() < b.getCode();
  });
  std::vector<char> garde(tri.size(), 1);
  std::size_t retires = 0;
  for (std::size_t i = 0; i < tri.size(); ++i) {
    if (!garde[i]) continue;
    for (std::size_t j = i + 1; j < tri.size() && tri[i].distanceTo(tri[j]) < 1e-8; ++j) {
      if (garde[j]) ++retires;
      garde[j] = 0;
    }
  }
  if (retires == 0) return;
  std::vector<pointDuDessin> restants;
  restants.reserve(tri.size() - retires);
  for (std::size_t i = 0; i < tri.size(); ++i)
    if (garde[i]) restants.push_back(tri[i]);
  points_ = std::move(restants);
  reconstruireIndex();
}

void listePointsDuDessin::renumeroter(bool tous) {
  if (tous) {
    for (std::size_t i = 0; i < points_.size(); ++i) {
      // The block still shows the former name, by which it is recognised.
      const std::string ancien = points_[i].getNomPoint();
      points_[i].setNomPoint(std::to_string(i + 1).c_str());
      points_[i].updateDrawing(ancien.c_str());
    }
    reconstruireIndex();
    return;
  }
  int n = getMaxNum() + 1;
  for (std::size_t i = 0; i < points_.size(); ++i) {
    if (geltaro::points::estSansNom(points_[i].getNomPoint())) points_[i].setNomPoint(std::to_string(n++).c_str());
  }
  // The new names are found at once.
  reconstruireIndex();
}

void listePointsDuDessin::supprimerPoint(const wchar_t* nom) {
  int pos;
  if (!existPoint(nom, pos)) return;
  {
    // Only the point's own block goes: a stored id may name another entity.
    const pointDuDessin& p = points_[std::size_t(pos)];
    ZcDbObjectPointer<ZcDbEntity> bloc;
    if (estBlocDuPoint(p.getId(), p.getNomPoint()) && bloc.open(p.getId(), ZcDb::kForWrite) == Zcad::eOk)
      bloc->erase();
  }
  const std::size_t dernier = points_.size() - 1;
  if (std::size_t(pos) != dernier) {
    points_[std::size_t(pos)] = points_[dernier];
    index_[cleNom(points_[std::size_t(pos)].getNomPoint())] = pos;
  }
  // The key looked up (the index entry of the deleted point's name).
  std::string cleCherchee;
  cleNom(nom, cleCherchee);
  index_.erase(cleCherchee);
  points_.pop_back();
}

void listePointsDuDessin::fusionnerAvec(const listePointsDuDessin& autre) {
  if (&autre == this) {
    const std::vector<pointDuDessin> copie = points_;
    for (const auto& p : copie) Ajouter(p);
    return;
  }
  points_.reserve(points_.size() + autre.points_.size());
  for (const auto& p : autre.points_) Ajouter(p);
}

void listePointsDuDessin::vider() {
  points_.clear();
  index_.clear();
}

void listePointsDuDessin::reconstruireIndex() {
  index_.clear();
  index_.reserve(std::max(kSeauxIndex, points_.size()));
  for (std::size_t i = 0; i < points_.size(); ++i) index_[cleNom(points_[i].getNomPoint(), true)] = int(i);
}

int listePointsDuDessin::saveToXRecord(GeltaroSerializer* s) const {
  if (!s->writeText(nomTable_.c_str()) || !s->writeInt(nbPoint())) return 0;
  for (const auto& p : points_)
    if (!p.saveToXRecord(s)) return 0;
  return 1;
}

int listePointsDuDessin::GetFromXRecord(GeltaroSerializer* s) {
  CString nom;
  int32_t n;
  if (!s->readText(nom)) return 0;
  // Known even when the rest fails, to name the table in a report.
  nomTable_ = nom;
  if (!s->readInt(n)) return 0;
  // Room for the points announced, within reason: a damaged chain may claim
  // any number, and the read stops at its first missing value.
  if (n > 0) {
    const std::size_t room = points_.size() + std::min<std::size_t>(std::size_t(n), kReserveAnnonceeMax);
    host::reserveLarge(points_, room);
    index_.reserve(room);
  }
  for (int32_t i = 0; i < n; ++i) {
    pointDuDessin p;
    if (!p.readFromXRecord(s)) return 0;
    Ajouter(p);
  }
  return 1;
}
