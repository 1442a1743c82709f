// A fresh evaluator made the session's, with the console bound to strings.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "host/app/console_io.hpp"
#include "host/lisp/lisp.hpp"

class LispTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousConsole_ = host::setConsole(&io_);
    previousSession_ = host::lisp::setSession(&ev);
  }
  void TearDown() override {
    host::lisp::setSession(previousSession_);
    host::setConsole(previousConsole_);
  }

  // The echoed value of `text`, or "ERR: message" after an error (the
  // console then holds "; erreur: message").
  std::string run(const std::string& text) {
    host::lisp::LineResult r = ev.evaluateText(text, false);
    if (r.status == host::lisp::LineStatus::Error) {
      EXPECT_NE(output().find("; erreur: " + r.error + "\n"), std::string::npos) << output();
      return "ERR: " + r.error;
    }
    return r.printed;
  }
  std::string output() const { return out_.str(); }
  void clearOutput() { out_.str(""); }

  host::lisp::Evaluator ev;

 private:
  std::istringstream in_;
  std::ostringstream out_;
  host::ConsoleIO io_{in_, out_};
  host::ConsoleIO* previousConsole_ = nullptr;
  host::lisp::Evaluator* previousSession_ = nullptr;
};
