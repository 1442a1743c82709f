#include "module/survey_module.hpp"

#include <map>
#include <memory>

#include "module/entry.hpp"
#include "frame/resources.hpp"
#include "host/app/host_app.hpp"
#include "points/project.hpp"

namespace geltaro {

namespace {

class compagnonProjets : public ZcApDocManagerReactor {
 public:
  compagnonProjets() { zcDocManagerPtr()->addReactor(this); }
  ~compagnonProjets() override { zcDocManagerPtr()->removeReactor(this); }

  void documentCreated(ZcApDocument* doc) override { projets_[doc].projet = std::make_unique<projetsTopo>(); }

  void documentBecameCurrent(ZcApDocument* doc) override {
    auto& entree = projets_[doc];
    if (!entree.projet) entree.projet = std::make_unique<projetsTopo>();
    // The stored project is read once, when the drawing first becomes
    // current; coming back to a drawing keeps what was done in it since.
    setSrcInfosTopo(doc->database(), entree.projet.get(), 1, entree.lu ? 0 : 1);
    entree.lu = true;
  }

  void documentToBeDestroyed(ZcApDocument* doc) override {
    auto it = projets_.find(doc);
    if (it == projets_.end()) return;
    if (tablesPoints == it->second.projet.get()) setSrcInfosTopo(doc->database(), nullptr, 0, 0);
    projets_.erase(it);
  }

 private:
  struct entreeProjet {
    std::unique_ptr<projetsTopo> projet;
    bool lu = false;
  };
  std::map<ZcApDocument*, entreeProjet> projets_;
};

}  // namespace

void chargerModuleTopo() {
  static compagnonProjets compagnon;
  attacherModule();
  host::loadModule(zcrxEntryPoint, frame::instanceModule());
}

}  // namespace geltaro
