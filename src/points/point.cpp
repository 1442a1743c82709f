#include "points/point.hpp"

#include <cmath>
#include <cstring>
#include <ctime>

#include "host/app/host_app.hpp"
#include "points/names.hpp"
#include "points/serializer.hpp"

attribsPoints gAttribsPoints;

namespace {

constexpr uint32_t kNonInitialise = 0xFFFFFFFFu;
uint32_t gCompteurIdentifiants = kNonInitialise;

}  // namespace

// The counter starts at the current time (seconds) so that identifiers of
// two sessions seldom meet; 0xFFFFFFFF means "unset" and is never handed out.
uint32_t prochainIdentifiant() {
  if (gCompteurIdentifiants == kNonInitialise) gCompteurIdentifiants = uint32_t(std::time(nullptr));
  if (gCompteurIdentifiants == kNonInitialise) ++gCompteurIdentifiants;
  return gCompteurIdentifiants++;
}

pointXYZ::pointXYZ() : identifiant(prochainIdentifiant()) {}

pointDuDessin::pointDuDessin() = default;

pointDuDessin& pointDuDessin::operator=(const pointXYZ& p) {
  x_ = p.x;
  y_ = p.y;
  z_ = p.z;
  code_ = p.code;
  setNomPoint(p.nom.c_str());
  return *this;
}

bool pointDuDessin::operator==(const pointDuDessin& q) const {
  return std::fabs(x_ - q.x_) < 0.0001 && std::fabs(y_ - q.y_) < 0.0001 && std::fabs(z_ - q.z_) < 0.0001 &&
         code_ == q.code_ && geltaro::points::minuscules(nom_) == geltaro::points::minuscules(q.nom_);
}

std::wstring pointDuDessin::getNomPointW() const { return host::fromAnsi(nom_); }

void pointDuDessin::setNomPoint(const char* nom) {
  // The field is zero-filled behind the name: it is stored as it is.
  std::memset(nom_, 0, sizeof nom_);
  for (int i = 0; nom && i < kTailleNom - 1 && nom[i]; ++i) nom_[i] = nom[i];
}

void pointDuDessin::setNomPoint(const wchar_t* nom) { setNomPoint(nom ? host::toAnsi(nom).c_str() : nullptr); }

void pointDuDessin::setParams(const wchar_t* nom, const ZcGePoint3d& p, int32_t code) {
  setNomPoint(nom);
  setXY(p.x, p.y, p.z);
  code_ = code;
}

double pointDuDessin::distanceTo(const pointDuDessin& q) const { return std::hypot(x_ - q.x_, y_ - q.y_); }

int pointDuDessin::saveToXRecord(GeltaroSerializer* s) const {
  return s->writeBinary(nom_, kTailleNom) && s->writeInt(code_) && s->writeDouble(x_) && s->writeDouble(y_) &&
         s->writeDouble(z_) && s->writeObjectId(id_);
}

int pointDuDessin::readFromXRecord(GeltaroSerializer* s) {
  char nom[kTailleNom];
  int32_t code;
  double x, y, z;
  ZcDbObjectId id;
  if (!s->readBinary(nom, kTailleNom) || !s->readInt(code) || !s->readDouble(x) || !s->readDouble(y) ||
      !s->readDouble(z) || !s->readObjectId(id))
    return 0;
  // A stored field without its terminator still gives at most 9 characters.
  nom[kTailleNom - 1] = '\0';
  setNomPoint(nom);
  code_ = code;
  setXY(x, y, z);
  id_ = id;
  return 1;
}
