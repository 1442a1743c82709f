// A console bound to strings for the duration of a test: the script is the
// input, everything printed lands in out().
#pragma once

#include <sstream>
#include <string>

#include "host/app/console_io.hpp"

namespace host::ui::testing {

class Session {
 public:
  explicit Session(const std::string& script) : in_(script), io_(in_, out_), previous_(setConsole(&io_)) {}
  ~Session() { setConsole(previous_); }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  ConsoleIO& io() { return io_; }
  std::string out() const { return out_.str(); }
  // What the code under test left unread.
  std::string rest() {
    std::string all, line;
    while (std::getline(in_, line)) all += line + "\n";
    return all;
  }

 private:
  std::istringstream in_;
  std::ostringstream out_;
  ConsoleIO io_;
  ConsoleIO* previous_;
};

inline bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace host::ui::testing
