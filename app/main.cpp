// The geltaro console program.
#include <CLI/CLI.hpp>

#include <iostream>

#include "console.hpp"
#include "host/app/host_app.hpp"
#include "module/survey_module.hpp"

#ifndef GELTARO_VERSION
#define GELTARO_VERSION "0.1"
#endif

int main(int argc, char** argv) {
  host::setProgramPath(argv[0]);
  host::keepFreedMemory();
  geltaro::ConsoleOptions o;
  CLI::App app{"Geltaro : points topographiques, calculs et plans dans des dessins DXF"};
  app.add_option("dessin", o.drawing, "dessin à ouvrir (DXF ; un nouveau dessin s'il est omis)");
  app.add_option("--script", o.script, "lire les commandes dans ce fichier au lieu du terminal");
  app.add_option("--save", o.saveTo, "enregistrer le dessin dans ce fichier DXF à la fin");
  app.add_option("--plot", o.plotTo, "tracer l'étendue du dessin dans ce fichier (.pdf, .svg, .png) à la fin");
  app.add_flag("--echo", o.echo, "afficher chaque réponse après sa question, comme un journal");
  app.add_option("--home", o.home, "dossier d'installation (bibliothèque de blocs, codification, cartouches)");
  app.set_help_flag("-h,--help", "afficher cette aide et quitter");
  app.set_version_flag("--version", std::string("geltaro ") + GELTARO_VERSION, "afficher la version et quitter");
  // The help and the refusals speak the console's language.
  auto help = app.get_formatter();
  help->label("Usage", "Utilisation");
  help->label("Positionals", "Arguments");
  help->label("TEXT", "TEXTE");
  app.failure_message([](const CLI::App*, const CLI::Error& e) {
    std::string why;
    if (dynamic_cast<const CLI::ExtrasError*>(&e)) why = "arguments en trop";
    else if (dynamic_cast<const CLI::ArgumentMismatch*>(&e)) why = "une option attend une valeur";
    else why = "ligne de commande incorrecte";
    return "geltaro : " + why + " (" + e.what() + ")\nVoir geltaro --help.\n";
  });
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int rc = app.exit(e);
    return rc == 0 ? 0 : 2;
  }
  return geltaro::runConsole(o, geltaro::chargerModuleTopo);
}
