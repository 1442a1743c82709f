// One undo step around a batch of drawing changes: the automation object of
// the working drawing's document gets "StartUndoMark" when the group is
// made and "EndUndoMark" when it goes. Without a document (or automation
// object) nothing happens at either end.
#pragma once

class ZcAxDocument;

class CAcadUndoGroup {
 public:
  CAcadUndoGroup();
  virtual ~CAcadUndoGroup();
  CAcadUndoGroup(const CAcadUndoGroup&) = delete;
  CAcadUndoGroup& operator=(const CAcadUndoGroup&) = delete;

 private:
  ZcAxDocument* document_ = nullptr;
};
