// Data kept per open document, forgotten when the document goes.
#pragma once

#include <map>

#include "host/app/host_app.hpp"

template <class T>
class AsdkDataManager : public ZcApDocManagerReactor {
 public:
  AsdkDataManager() { zcDocManagerPtr()->addReactor(this); }
  ~AsdkDataManager() override {
    zcDocManagerPtr()->removeReactor(this);
    data_.clear();
  }
  AsdkDataManager(const AsdkDataManager&) = delete;
  AsdkDataManager& operator=(const AsdkDataManager&) = delete;

  void documentToBeDestroyed(ZcApDocument* doc) override { data_.erase(doc); }

  // The record of a document, made on first use.
  T& docData(ZcApDocument* doc) { return data_[doc]; }
  std::size_t size() const { return data_.size(); }

 private:
  std::map<ZcApDocument*, T> data_;
};

// Nothing is kept per document yet; the manager is there for what comes.
struct CDocData {};
