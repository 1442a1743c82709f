#include "host/app/console_io.hpp"

#include <cstdlib>
#include <iostream>

#ifdef GELTARO_HAVE_EDITLINE
#include <editline/readline.h>
#endif

namespace host {

bool ConsoleIO::readAnswer(std::string& line) {
#ifdef GELTARO_HAVE_EDITLINE
  if (interactive_) {
    out_->flush();
    for (;;) {
      char* text = ::readline("");
      if (!text) {
        line.clear();
        return false;
      }
      line = text;
      std::free(text);
      atLineStart_ = true;
      if (!line.empty() && line.front() == ';') continue;
      if (!line.empty()) ::add_history(line.c_str());
      return true;
    }
  }
#endif
  while (std::getline(*in_, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line.front() == ';') continue;
    if (echo_) {
      *out_ << line << "\n";
      atLineStart_ = true;
    }
    return true;
  }
  line.clear();
  if (echo_) {
    *out_ << "\n";
    atLineStart_ = true;
  }
  return false;
}

void ConsoleIO::print(std::string_view text) {
  out_->write(text.data(), std::streamsize(text.size()));
  if (!text.empty()) atLineStart_ = text.back() == '\n';
  out_->flush();
}

bool ConsoleIO::atEnd() const { return !in_->good() || in_->peek() == std::char_traits<char>::eof(); }

static ConsoleIO*& current() {
  static ConsoleIO standard(std::cin, std::cout);
  static ConsoleIO* io = &standard;
  return io;
}

ConsoleIO& console() { return *current(); }

ConsoleIO* setConsole(ConsoleIO* io) {
  ConsoleIO* previous = current();
  current() = io;
  return previous;
}

}  // namespace host
