// The geltaro console: opens a drawing, sends the loaded module its
// messages, and reads commands from a script or the terminal.
#pragma once

#include <functional>
#include <string>

namespace geltaro {

struct ConsoleOptions {
  std::string drawing;  // empty: a new drawing
  std::string script;   // empty: standard input
  std::string saveTo;   // empty: no save at the end
  bool echo = false;
  std::string home;     // installation folder
  std::string plotTo;   // empty: no plot at the end (.pdf, .svg, .png)
};

// Runs a session; returns the exit status (0 normal, 1 a drawing that cannot
// be read or written). `loadModules` runs before the first message is sent,
// to load the modules of the session (host::loadModule).
int runConsole(const ConsoleOptions& options, const std::function<void()>& loadModules = {});

// One line at the "Commande: " prompt: a host command, a registered command,
// a c: function, or LISP. False when the line asks to quit.
bool executeCommandLine(const std::string& line);

}  // namespace geltaro
