// Progress window of long computations. It keeps a position within a range
// and the percentage text ("42%"); it draws a bar on standard error only when
// standard error is a terminal, so scripts and logs stay clean. The window
// closes (the bar line is ended) when the object goes away.
#pragma once

#include <algorithm>
#include <iosfwd>
#include <string>

namespace host::ui {

class ProgressDialog {
 public:
  explicit ProgressDialog(std::string caption = {});
  // Draws on `terminal` instead of standard error, whether or not it is a
  // terminal (tests); nullptr draws nothing.
  ProgressDialog(std::string caption, std::ostream* terminal);
  ~ProgressDialog();
  ProgressDialog(const ProgressDialog&) = delete;
  ProgressDialog& operator=(const ProgressDialog&) = delete;

  // hi < lo is taken as [hi, lo]. The position is kept within the range.
  void setRange(int lo, int hi);
  void setStep(int step) { step_ = step; }
  void setPos(int pos);
  void stepIt() { setPos(int(std::min<long long>(static_cast<long long>(pos_) + step_, hi_))); }
  void setStatus(std::string text);

  int lower() const { return lo_; }
  int upper() const { return hi_; }
  int pos() const { return pos_; }
  // 0..100; an empty range is complete.
  int percent() const;
  std::string percentText() const;  // "%d%c": "42%"

  // The user asked to stop; long loops test it.
  void cancel() { cancelled_ = true; }
  bool cancelled() const { return cancelled_; }

  void close();
  bool drawing() const { return out_ != nullptr; }

 private:
  void draw();
  std::string caption_, status_;
  std::ostream* out_;
  int lo_ = 0, hi_ = 100, pos_ = 0, step_ = 1;
  int drawnPercent_ = -1;
  bool cancelled_ = false;
  bool open_ = true;
};

}  // namespace host::ui
