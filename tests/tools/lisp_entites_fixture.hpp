// What the tests of the LISP functions on entities share: a LISP session
// bound to the module, with helpers that build entities and blocks in its
// drawing and hand them to LISP as variables.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/app/host_app.hpp"
#include "host/db/entities.hpp"
#include "host/ed/selection.hpp"
#include "host/lisp/lisp.hpp"
#include "support/lisp_session.hpp"

namespace geltaro::testing {

// An attribute of a test block: tag, text, position relative to the block.
struct AttributTest {
  const wchar_t* tag;
  const wchar_t* texte;
  double dx = 0, dy = 0;
  double hauteur = 1;
  bool invisible = false;
  ZcDb::TextHorzMode mode = ZcDb::kTextLeft;
};

class SessionEntites : public SessionLispModule {
 protected:
  // The printed value of `texte`; "" when the call gives no value, and
  // "ERR: message" after an error.
  std::string eval(const std::string& texte) {
    const host::lisp::LineResult r = lisp(texte);
    if (r.status == host::lisp::LineStatus::Error) return "ERR: " + r.error;
    return r.printed;
  }

  ZcDbObjectId ajouter(ZcDbEntity* e) {
    ZcDbObjectPointer<ZcDbBlockTableRecord> espace(db_.modelSpaceId(), ZcDb::kForWrite);
    ZcDbObjectId id;
    EXPECT_EQ(espace->appendZcDbEntity(id, e), Zcad::eOk);
    return id;
  }
  template <class T>
  ZcDbObjectId ajouter(std::unique_ptr<T> e) {
    return ajouter(e.get());
  }

  // A block definition of the given entities (none: an empty block).
  ZcDbObjectId definirBloc(const std::wstring& nom, std::vector<std::unique_ptr<ZcDbEntity>> entites) {
    ZcDbObjectPointer<ZcDbBlockTable> table(db_.blockTableId(), ZcDb::kForWrite);
    auto btr = std::make_unique<ZcDbBlockTableRecord>();
    btr->setName(nom);
    ZcDbObjectId id;
    EXPECT_EQ(table->add(id, btr.get()), Zcad::eOk);
    for (auto& e : entites) EXPECT_EQ(btr->appendZcDbEntity(e.get()), Zcad::eOk);
    return id;
  }

  // The symbol of the test blocks: a circle of radius 0.5 at the origin.
  ZcDbObjectId symbole() {
    ZcDbObjectId id = db_.symbolId("BLOCK_RECORD", "SYM");
    if (!id.isNull()) return id;
    std::vector<std::unique_ptr<ZcDbEntity>> cercle;
    cercle.push_back(std::make_unique<ZcDbCircle>(ZcGePoint3d(0, 0, 0), 0.5));
    return definirBloc(L"SYM", std::move(cercle));
  }

  // A reference of the symbol at `position` (scale `echelle`) with its
  // attributes, marked as a point block when `vrelplus`.
  ZcDbObjectId blocAvecAttributs(const ZcGePoint3d& position, const std::vector<AttributTest>& attributs,
                                 bool vrelplus = true, double echelle = 1) {
    auto ref = std::make_unique<ZcDbBlockReference>(position, symbole());
    ref->setScaleFactors(ZcGeScale3d(echelle));
    const ZcDbObjectId id = ajouter(ref.get());
    for (const AttributTest& a : attributs) {
      const ZcGePoint3d p(position.x + a.dx, position.y + a.dy, 0);
      auto att = std::make_unique<ZcDbAttribute>(p, a.texte, a.tag);
      att->setHeight(a.hauteur);
      att->setInvisible(a.invisible);
      if (a.mode != ZcDb::kTextLeft) {
        att->setHorizontalMode(a.mode);
        att->setAlignmentPoint(p);
      }
      EXPECT_EQ(ref->appendAttribute(att.get()), Zcad::eOk);
    }
    if (vrelplus) {
      EXPECT_EQ(ref->setXData({resbuf::string(1001, L"VRELPLUS"), resbuf::shortInt(1070, 1)}), Zcad::eOk);
    }
    return id;
  }

  static std::vector<ZcDbObjectId> attributs(ZcDbObjectId bloc) {
    ZcDbObjectPointer<ZcDbBlockReference> ref(bloc, ZcDb::kForRead);
    return ref ? ref->attributeIds() : std::vector<ZcDbObjectId>{};
  }
  static ZcDbObjectId attribut(ZcDbObjectId bloc, const std::wstring& tag) {
    for (ZcDbObjectId a : attributs(bloc)) {
      ZcDbObjectPointer<ZcDbAttribute> att(a, ZcDb::kForRead);
      if (att && att->tag() == tag) return a;
    }
    return {};
  }

  // Entities of the model space of one DXF type, in drawing order.
  std::vector<ZcDbObjectId> entitesDeType(const std::string& type) {
    ZcDbObjectPointer<ZcDbBlockTableRecord> espace(db_.modelSpaceId(), ZcDb::kForRead);
    std::vector<ZcDbObjectId> ids;
    for (ZcDbObjectId id : espace->entityIds())
      if (id.record()->typeName() == type) ids.push_back(id);
    return ids;
  }

  // LISP variables holding an entity name or a selection set.
  void nommer(const std::string& variable, ZcDbObjectId id) { ev_.setVar(variable, host::lisp::Value::entity(id)); }
  void selection(const std::string& variable, const std::vector<ZcDbObjectId>& ids) {
    ZcSelectionSet ss;
    ss.ids = ids;
    ss.number = host::registerSelectionSet(ss);
    ev_.setVar(variable, host::lisp::Value::selectionSet({ss.number}));
  }
};

}  // namespace geltaro::testing
