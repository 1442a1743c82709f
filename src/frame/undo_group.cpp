#include "frame/undo_group.hpp"

#include "host/app/host_app.hpp"
#include "host/ed/editor.hpp"

CAcadUndoGroup::CAcadUndoGroup() {
  ZcApDocument* doc = zcDocManagerPtr()->document(zcdbCurDwg());
  ZcAxDocument* automation = doc ? doc->cadDocument() : nullptr;
  if (automation && automation->invoke(L"StartUndoMark")) {
    automation->addRef();
    document_ = automation;
  }
}

CAcadUndoGroup::~CAcadUndoGroup() {
  if (!document_) return;
  document_->invoke(L"EndUndoMark");
  document_->release();
}
