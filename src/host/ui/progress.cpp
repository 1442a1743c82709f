#include "host/ui/progress.hpp"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>

namespace host::ui {

ProgressDialog::ProgressDialog(std::string caption)
    : ProgressDialog(std::move(caption), isatty(STDERR_FILENO) ? &std::cerr : nullptr) {}

ProgressDialog::ProgressDialog(std::string caption, std::ostream* terminal)
    : caption_(std::move(caption)), out_(terminal) {}

ProgressDialog::~ProgressDialog() { close(); }

void ProgressDialog::setRange(int lo, int hi) {
  lo_ = std::min(lo, hi);
  hi_ = std::max(lo, hi);
  pos_ = std::clamp(pos_, lo_, hi_);
  draw();
}

void ProgressDialog::setPos(int pos) {
  pos_ = std::clamp(pos, lo_, hi_);
  draw();
}

void ProgressDialog::setStatus(std::string text) {
  status_ = std::move(text);
  drawnPercent_ = -1;
  draw();
}

int ProgressDialog::percent() const {
  if (hi_ == lo_) return 100;
  // 64 bits: the span of two ints times 100 overflows an int.
  return int((static_cast<long long>(pos_) - lo_) * 100 / (static_cast<long long>(hi_) - lo_));
}

std::string ProgressDialog::percentText() const {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%d%c", percent(), '%');
  return buf;
}

void ProgressDialog::draw() {
  if (!open_ || !out_) return;
  const int p = percent();
  if (p == drawnPercent_) return;  // redraw only when the bar changes
  drawnPercent_ = p;
  constexpr int kWidth = 30;
  const int filled = p * kWidth / 100;
  std::string line = "\r";
  if (!caption_.empty()) line += caption_ + " ";
  line += "[" + std::string(size_t(filled), '#') + std::string(size_t(kWidth - filled), '.') + "] " + percentText();
  if (!status_.empty()) line += " " + status_;
  *out_ << line << "\x1b[K" << std::flush;
}

void ProgressDialog::close() {
  if (!open_) return;
  open_ = false;
  if (out_ && drawnPercent_ >= 0) *out_ << "\n" << std::flush;
}

}  // namespace host::ui
