// The geltaro console program.
#include <CLI/CLI.hpp>

#include <iostream>

#include "console.hpp"
#include "host/app/host_app.hpp"
#include "survey_module.hpp"

#ifndef GELTARO_VERSION
#define GELTARO_VERSION "0.1"
#endif

int main(int argc, char** argv) {
  host::setProgramPath(argv[0]);
  geltaro::ConsoleOptions o;
  CLI::App app{"Geltaro: survey points, computations and plans in DXF drawings"};
  app.add_option("drawing", o.drawing, "drawing to open (DXF; a new drawing when absent)");
  app.add_option("--script", o.script, "read the commands from this file instead of the terminal");
  app.add_option("--save", o.saveTo, "save the drawing to this DXF file at the end");
  app.add_flag("--echo", o.echo, "print every answer after its prompt, as a transcript");
  app.add_option("--home", o.home, "installation folder (block library, codification, title blocks)");
  app.set_version_flag("--version", std::string("geltaro ") + GELTARO_VERSION);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int rc = app.exit(e);
    return rc == 0 ? 0 : 2;
  }
  return geltaro::runConsole(o, geltaro::chargerModuleTopo);
}
