// Screen services of the command line, headless: temporary vectors,
// highlighting, the view (zoom), system variables, text boxes, the
// graphics-read of one input event, and jigs.
#pragma once

#include <string>
#include <vector>

#include "host/db/resbuf.hpp"

class ZcDbEntity;

// Temporary vectors, kept until the next redraw.
struct TemporaryVector {
  ZcGePoint3d from, to;
  int color = 7;
  bool highlighted = false;
};
int zcedGrDraw(const ZcGePoint3d& from, const ZcGePoint3d& to, int color, int highlight);
// Highlights (mode 3) or unhighlights (4) an entity; mode 0 (or no entity)
// with a null id clears the temporary vectors, as a redraw does.
int zcedRedraw(ZcDbObjectId entity, int mode);
const std::vector<TemporaryVector>& temporaryVectors();
bool isHighlighted(ZcDbObjectId entity);

// Zooms the view onto a window (stored as the view centre and height).
int zcedZoomWindow(const ZcGePoint3d& corner1, const ZcGePoint3d& corner2);

// System variables: SCREENSIZE, VIEWSIZE, VIEWCTR, CLAYER, TEXTSTYLE,
// TEXTSIZE, INSBASE, EXTMIN, EXTMAX, ERRNO, PICKBOX, CMDECHO, OSMODE,
// DWGNAME, DWGPREFIX, ANGBASE, ANGDIR, LUPREC, AUPREC.
int zcedGetVar(const wchar_t* name, resbuf& value);
int zcedSetVar(const wchar_t* name, const resbuf& value);
// Sets ERRNO, as the host does when a call fails.
void zcedSetErrno(int value);

// The box of a text given by its entity list (groups 1 text, 40 height,
// 41 width factor, 50 rotation ignored, 72/73 justification): the corners
// relative to the insertion point, with the database's font metric.
int zcedTextBox(const ResbufChain& entityList, ZcGePoint3d& lowerLeft, ZcGePoint3d& upperRight);

// Waits for one input event. Types as the host gives them: 3 a point picked
// (value: the point), 2 a key (value: its code), 25 Enter (no value), and
// 0 at the end of the input. A line "m x,y" is a pointer move (type 5).
int zcedGrRead(int track, int& type, resbuf& value);

// A drag sequence: drag() asks with the display prompt; each point answered
// goes to the sampler, then update() runs and drag() returns.
class ZcEdJig {
 public:
  enum DragStatus { kNormal = 0, kKW1 = -1, kCancel = -4, kOther = -5, kNull = -6 };
  enum UserInputControls { kNoZeroResponseAccepted = 1, kNullResponseAccepted = 32 };
  virtual ~ZcEdJig() = default;
  DragStatus drag();
  virtual DragStatus sampler() = 0;
  virtual bool update() = 0;
  virtual ZcDbEntity* entity() const { return nullptr; }
  void setDispPrompt(const wchar_t* prompt) { prompt_ = prompt ? prompt : L""; }
  void setKeywordList(const wchar_t* keywords) { keywords_ = keywords ? keywords : L""; }
  void setUserInputControls(int controls) { controls_ = controls; }
  // For samplers: the point of the current answer.
  DragStatus acquirePoint(ZcGePoint3d& point);
  DragStatus acquirePoint(ZcGePoint3d& point, const ZcGePoint3d& base) { return acquirePoint(point); }
  // The keyword of a kKW1 answer.
  const std::wstring& keyword() const { return keyword_; }

 private:
  std::wstring prompt_, keywords_, keyword_;
  int controls_ = 0;
  ZcGePoint3d answered_;
  DragStatus answerStatus_ = kNormal;
};
