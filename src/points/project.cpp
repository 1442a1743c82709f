#include "points/project.hpp"

#include <algorithm>
#include <stdexcept>

#include "host/ed/editor.hpp"
#include "points/messages.hpp"
#include "points/serializer.hpp"

bool gTropDeTablesTopo = false;
projetsTopo* tablesPoints = nullptr;

void projetsTopo::reset() {
  removeAll();
  creerTablePoints(kNomTableDefaut);
  courant = 0;
}

void projetsTopo::removeAll() {
  tables_.clear();
  courant = -1;
}

void projetsTopo::creerTablePoints(const wchar_t* nom) {
  auto table = std::make_unique<listePointsDuDessin>();
  table->setNomTable(nom);
  tables_.push_back(std::move(table));
}

void projetsTopo::removeTablePoints(int i) {
  if (tables_.size() <= 1 || i < 0 || i >= nbTables()) return;
  if (courant >= i) --courant;
  tables_.erase(tables_.begin() + i);
  if (courant < 0) courant = 0;
}

listePointsDuDessin* projetsTopo::currTable() {
  if (tables_.empty()) {
    tables_.push_back(std::make_unique<listePointsDuDessin>());
    courant = 0;
  }
  if (courant < 0 || courant >= nbTables()) courant = 0;
  auto& slot = tables_[std::size_t(courant)];
  if (!slot) slot = std::make_unique<listePointsDuDessin>();
  return slot.get();
}

listePointsDuDessin* projetsTopo::getTable(int i) {
  if (i < 0 || i >= nbTables()) throw std::invalid_argument("table de points inexistante");
  if (!tables_[std::size_t(i)]) tables_[std::size_t(i)] = std::make_unique<listePointsDuDessin>();
  return tables_[std::size_t(i)].get();
}

const listePointsDuDessin* projetsTopo::getTable(int i) const {
  if (i < 0 || i >= nbTables()) throw std::invalid_argument("table de points inexistante");
  static const listePointsDuDessin vide;
  return tables_[std::size_t(i)] ? tables_[std::size_t(i)].get() : &vide;
}

void projetsTopo::decalZ(double dz) {
  for (auto& t : tables_)
    if (t) t->decalZ(dz);
}

void projetsTopo::notifyPositionPoint(const ZcDbObjectId& id, const ZcGePoint3d& p, int mask) {
  for (auto& t : tables_)
    if (t) t->notifyPositionPoint(id, p, mask);
}

int projetsTopo::SaveToXRecord(GeltaroSerializer* s) const {
  bool ok = s->writeInt(courant) && s->writeInt(nbTables());
  for (std::size_t i = 0; ok && i < tables_.size(); ++i) {
    const listePointsDuDessin vide;
    ok = (tables_[i] ? *tables_[i] : vide).saveToXRecord(s);
  }
  if (!ok) {
    zcutPrintf(L"\t*** ERREUR ***");
    return 0;
  }
  return 1;
}

int projetsTopo::GetFromXRecord(GeltaroSerializer* s) {
  namespace msg = geltaro::points::messages;
  s->rewind();
  removeAll();
  lectureIncomplete_ = false;
  int32_t stocke, n;
  if (!s->readInt(stocke) || !s->readInt(n)) {
    reset();
    // An empty record holds no project: nothing is left out.
    s->rewind();
    if (!s->finDesDonnees()) {
      lectureIncomplete_ = true;
      zcutPrintf(msg::kProjetIllisible);
    }
    return 0;
  }
  if (n > kMaxTables) {
    reset();
    gTropDeTablesTopo = true;
    lectureIncomplete_ = true;
    zcutPrintf(msg::kProjetIllisible);
    return 0;
  }
  // A table that cannot be read is left out and the reading goes on at the
  // next table name; the tables read stay.
  std::vector<int32_t> rangsLus;  // the stored rank of each table kept
  for (int32_t i = 0; i < n; ++i) {
    auto table = std::make_unique<listePointsDuDessin>();
    if (table->GetFromXRecord(s)) {
      tables_.push_back(std::move(table));
      rangsLus.push_back(i);
      continue;
    }
    lectureIncomplete_ = true;
    if (!table->getNomTable().empty()) zcutPrintf(msg::kTableIllisible, table->getNomTable().c_str());
    else zcutPrintf(msg::kTableIllisibleSansNom, int(i + 1));
    if (i + 1 < n && !s->chercherTexte()) {
      const int32_t restantes = n - i - 1;
      if (restantes == 1) zcutPrintf(msg::kTableSuivanteInaccessible);
      else zcutPrintf(msg::kTablesSuivantesInaccessibles, int(restantes));
      break;
    }
  }
  if (tables_.empty()) {
    reset();
    return lectureIncomplete_ ? 0 : 1;
  }
  courant = stocke;
  if (lectureIncomplete_) {
    // The current table where it now is; the first when it was left out.
    const auto lu = std::find(rangsLus.begin(), rangsLus.end(), stocke);
    courant = lu == rangsLus.end() ? 0 : int32_t(lu - rangsLus.begin());
  }
  // Empty "LEVE" tables pile up when drawings holding a fresh project are
  // merged; one of them is enough.
  std::vector<std::size_t> leveVides;
  for (std::size_t i = 0; i < tables_.size(); ++i)
    if (tables_[i]->getNomTable() == kNomTableDefaut && tables_[i]->nbPoint() == 0) leveVides.push_back(i);
  if (leveVides.size() >= 2) {
    for (auto it = leveVides.rbegin(); it != leveVides.rend() && tables_.size() >= 2; ++it)
      tables_.erase(tables_.begin() + std::ptrdiff_t(*it));
    courant = 0;
  } else if (courant < 0 || courant >= nbTables()) {
    courant = 0;
  }
  return lectureIncomplete_ ? 0 : 1;
}

int pointLePlusProche(double& x, double& y, std::wstring& nom, ZcGePoint3d& position) {
  if (!tablesPoints) return 0;
  pointDuDessin p;
  if (!tablesPoints->currTable()->findNearestTo(x, y, p)) return 0;
  nom = p.getNomPointW();
  position = p.getAs3dPnt();
  return 1;
}

int idPointCourant(const wchar_t* nom, ZcDbObjectId& id) {
  if (!tablesPoints) return 0;
  return tablesPoints->currTable()->getObjId(nom, id);
}
