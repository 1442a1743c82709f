// What the tests of the module's LISP functions share: a LISP session bound
// to the module's entry point, on a drawing and a project of their own. The
// console reads the answers given to repondre() and prints into sortie();
// the codification holds its two default entries (1 "Point topo", 100
// "Station").
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "module/entry.hpp"
#include "host/app/console_io.hpp"
#include "host/app/host_app.hpp"
#include "host/db/database.hpp"
#include "host/ed/editor.hpp"
#include "host/lisp/lisp.hpp"
#include "points/project.hpp"
#include "points/codification.hpp"

namespace geltaro::testing {

class SessionLispModule : public ::testing::Test {
 protected:
  void SetUp() override {
    precedentDessin_ = zcdbCurDwg();
    zcdbSetCurDwg(&db_);
    precedenteSession_ = host::lisp::setSession(&ev_);
    precedenteConsole_ = host::setConsole(&io_);
    ev_.setFunctionDispatcher([this](int) {
      avantAppel();
      return zcrxEntryPoint(ZcRx::kInvkSubrMsg, &appId_) == 0 ? RTNORM : RTERROR;
    });
    zcrxEntryPoint(ZcRx::kLoadDwgMsg, &appId_);
    tablesPoints = &projet_;
    tableCodification& codes = codification();
    codes.vider();
    codifPoint topo, station;
    topo.code = 1;
    topo.libelle = L"Point topo";
    station.code = 100;
    station.libelle = L"Station";
    codes.ajouter(topo);
    codes.ajouter(station);
  }
  void TearDown() override {
    zcrxEntryPoint(ZcRx::kUnloadDwgMsg, &appId_);
    tablesPoints = nullptr;
    host::setConsole(precedenteConsole_);
    host::lisp::setSession(precedenteSession_);
    zcdbSetCurDwg(precedentDessin_);
  }

  // Runs just before a function of the module is called.
  virtual void avantAppel() {}

  host::lisp::LineResult lisp(const std::string& texte) { return ev_.evaluateText(texte); }
  void repondre(const std::string& lignes) {
    entree_.str(lignes);
    entree_.clear();
  }
  std::string sortie() {
    std::string s = sortie_.str();
    sortie_.str("");
    return s;
  }
  // What is left unread of the answers.
  std::string resteDesReponses() {
    std::string reste, ligne;
    while (std::getline(entree_, ligne)) reste += ligne + "\n";
    return reste;
  }
  listePointsDuDessin& table() { return *projet_.currTable(); }

  ZcDbDatabase db_{true};
  projetsTopo projet_;
  host::lisp::Evaluator ev_;
  std::istringstream entree_;
  std::ostringstream sortie_;
  host::ConsoleIO io_{entree_, sortie_};

 private:
  static inline int appId_ = 0;
  ZcDbDatabase* precedentDessin_ = nullptr;
  host::lisp::Evaluator* precedenteSession_ = nullptr;
  host::ConsoleIO* precedenteConsole_ = nullptr;
};

}  // namespace geltaro::testing
