// The one input stream and output of a session: every prompt, dialog and
// message box of the host reads its answers from here, one answer per line,
// and prints here. The console binds it to a script file or the terminal;
// tests bind it to strings.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

namespace host {

class ConsoleIO {
 public:
  // Reads from `in`, prints to `out`; neither is owned.
  ConsoleIO(std::istream& in, std::ostream& out) : in_(&in), out_(&out) {}

  // The next answer line, without its line end. Lines starting with ';' are
  // comments and skipped. False at the end of the input, which callers take
  // for Escape. In echo mode the answer is printed after its prompt.
  bool readAnswer(std::string& line);
  // "^C" on a line of its own is Escape.
  static bool isEscape(std::string_view line) { return line == "^C"; }

  void print(std::string_view text);
  void setEcho(bool on) { echo_ = on; }
  // On a terminal: answers are read with line editing and history.
  void setInteractive(bool on) { interactive_ = on; }
  bool echo() const { return echo_; }
  std::ostream& out() { return *out_; }
  bool atEnd() const;
  // True when the last thing printed (or echoed) ended its line.
  bool atLineStart() const { return atLineStart_; }

 private:
  std::istream* in_;
  std::ostream* out_;
  bool echo_ = false;
  bool interactive_ = false;
  bool atLineStart_ = true;
};

// The session's console; the default reads standard input and prints to
// standard output.
ConsoleIO& console();
// Replaces the session's console (tests, the console program); returns the
// previous one.
ConsoleIO* setConsole(ConsoleIO* io);

}  // namespace host
