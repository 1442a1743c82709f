#include "frame/resources.hpp"

#include "host/app/host_app.hpp"

namespace geltaro::frame {

namespace {
// Its address identifies the module.
char gInstance;
}  // namespace

void* instanceModule() { return &gInstance; }

ressourcesModule::ressourcesModule() : precedent_(host::currentResourceModule()) {
  host::setCurrentResourceModule(instanceModule());
}

ressourcesModule::~ressourcesModule() { host::setCurrentResourceModule(precedent_); }

}  // namespace geltaro::frame
