// While a dialog of the module runs, the framework looks resources up in
// the module; the previous resource module comes back on every exit path.
#pragma once

namespace geltaro::frame {

// The module's instance, as the host knows it.
void* instanceModule();

class ressourcesModule {
 public:
  ressourcesModule();
  ~ressourcesModule();
  ressourcesModule(const ressourcesModule&) = delete;
  ressourcesModule& operator=(const ressourcesModule&) = delete;

 private:
  void* precedent_;
};

}  // namespace geltaro::frame
