#include "console.hpp"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <iostream>
#include <map>
#include <sstream>

#include "host/app/console_io.hpp"
#include "host/app/host_app.hpp"
#include "host/db/entities.hpp"
#include "host/ed/editor.hpp"
#include "host/ed/selection.hpp"
#include "host/lisp/lisp.hpp"
#include "lisp_bridge.hpp"
#include "plot_command.hpp"

namespace geltaro {

namespace {

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

std::string upper(std::string s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

void say(const std::string& text) { host::console().print(text); }

ZcDbDatabase* current() { return zcdbCurDwg(); }

// Opens a drawing as the current document and tells the module.
bool openDrawing(const std::string& path) {
  auto db = std::make_unique<ZcDbDatabase>(path.empty());
  if (!path.empty() && db->readDwgFile(path) != Zcad::eOk) {
    std::cerr << "geltaro : " << db->lastError() << "\n";
    return false;
  }
  // What was read comes first; the module then hears of the new document.
  const auto& s = db->store();
  std::ostringstream line;
  if (path.empty()) line << "Nouveau dessin";
  else line << "Lu " << path << " : version " << (s.versionRead.empty() ? "inconnue" : s.versionRead);
  line << ", " << db->entityCount() << " entités, " << db->blockCount() << " blocs, " << db->layerCount()
       << " calques\n";
  say(line.str());
  for (const auto& w : s.warnings) say("  réparé : " + w + "\n");
  ZcDbDatabase* opened = db.get();
  zcdbSetCurDwg(opened);
  ZcApDocument* doc = zcDocManagerPtr()->addDocument(std::move(db), path);
  zcdbSetCurDwg(doc->database());
  host::sendAppMessage(ZcRx::kLoadDwgMsg);
  return true;
}

void closeCurrent() {
  ZcApDocument* doc = zcDocManagerPtr()->curDocument();
  if (!doc) return;
  host::sendAppMessage(ZcRx::kUnloadDwgMsg);
  zcDocManagerPtr()->closeDocument(doc);
  ZcApDocument* now = zcDocManagerPtr()->curDocument();
  zcdbSetCurDwg(now ? now->database() : nullptr);
}

bool saveDrawing(const std::string& path) {
  ZcApDocument* doc = zcDocManagerPtr()->curDocument();
  if (!doc) return false;
  host::sendAppMessage(ZcRx::kSaveMsg);
  if (doc->database()->saveAs(path) != Zcad::eOk) {
    std::cerr << "geltaro : " << doc->database()->lastError() << "\n";
    say("\nImpossible d'enregistrer " + path + "\n");
    return false;
  }
  if (path == "-") {
    say("Enregistré sur la sortie standard\n");
    return true;
  }
  doc->setFileName(path);
  doc->database()->setFilename(path);
  say("Enregistré " + path + "\n");
  return true;
}

// The argument on the command's line, or the answer to a prompt.
bool argumentOrPrompt(const std::string& rest, const wchar_t* prompt, std::string& value) {
  if (!trim(rest).empty()) {
    value = trim(rest);
    return true;
  }
  std::wstring w;
  if (zcedGetString(1, prompt, w) != RTNORM) return false;
  value = trim(host::toUtf8(w));
  return !value.empty();
}

std::string fmt(double v) {
  std::ostringstream o;
  o.setf(std::ios::fixed);
  o.precision(4);
  o << v;
  return o.str();
}
std::string fmt(const ZcGePoint3d& p) { return "(" + fmt(p.x) + ", " + fmt(p.y) + ", " + fmt(p.z) + ")"; }

void listEntity(ZcDbObjectId id) {
  ZcDbObjectPointer<ZcDbEntity> e(id, ZcDb::kForRead);
  if (!e) return;
  std::ostringstream o;
  o << "\n" << e->dxfName() << "  handle " << id.handle().toString() << "  calque " << e->layerName();
  int color = e->colorIndex();
  o << "  couleur " << (color == 256 ? std::string("ducalque") : color == 0 ? std::string("dubloc") : std::to_string(color)) << "\n";
  if (auto* l = ZcDbLine::cast(e.object())) o << "  de " << fmt(l->startPoint()) << " a " << fmt(l->endPoint()) << "\n";
  if (auto* p = ZcDbPoint::cast(e.object())) o << "  position " << fmt(p->position()) << "\n";
  if (auto* a = ZcDbArc::cast(e.object()))
    o << "  centre " << fmt(a->center()) << " rayon " << fmt(a->radius()) << " angles " << fmt(a->startAngle()) << " "
      << fmt(a->endAngle()) << "\n";
  else if (auto* c = ZcDbCircle::cast(e.object()))
    o << "  centre " << fmt(c->center()) << " rayon " << fmt(c->radius()) << "\n";
  if (auto* t = ZcDbText::cast(e.object()))
    o << "  texte \"" << host::toUtf8(t->textString()) << "\" position " << fmt(t->position()) << " hauteur "
      << fmt(t->height()) << "\n";
  if (auto* m = ZcDbMText::cast(e.object()))
    o << "  texte \"" << host::toUtf8(m->text()) << "\" position " << fmt(m->location()) << "\n";
  if (auto* pl = ZcDbPolyline::cast(e.object())) {
    o << "  " << pl->numVerts() << " sommets" << (pl->isClosed() ? ", fermée" : "") << "\n";
    for (const auto& v : pl->vertices())
      o << "    " << fmt(v.point.x) << ", " << fmt(v.point.y) << (v.bulge != 0 ? "  renflement " + fmt(v.bulge) : "")
        << "\n";
  }
  if (auto* pv = dynamic_cast<ZcDbPolylineWithVertices*>(e.object())) {
    o << "  " << pv->vertexIds().size() << " sommets" << (pv->isClosed() ? ", fermée" : "") << "\n";
    for (ZcDbObjectId v : pv->vertexIds()) {
      ZcDbObjectPointer<ZcDbVertex> vx(v, ZcDb::kForRead);
      if (vx) o << "    " << fmt(vx->position()) << "\n";
    }
  }
  if (auto* br = ZcDbBlockReference::cast(e.object())) {
    ZcGeScale3d s = br->scaleFactors();
    o << "  bloc " << br->blockName() << " position " << fmt(br->position()) << " echelle " << fmt(s.sx) << " rotation "
      << fmt(br->rotation()) << "\n";
    for (ZcDbObjectId a : br->attributeIds()) {
      ZcDbObjectPointer<ZcDbAttribute> at(a, ZcDb::kForRead);
      if (at)
        o << "    attribut " << host::toUtf8(at->tag()) << " = \"" << host::toUtf8(at->textString()) << "\""
          << (at->isInvisible() ? " (invisible)" : "") << "\n";
    }
  }
  ResbufChain xd = e->xData();
  for (const resbuf& r : xd) {
    o << "  xdata " << r.restype << " ";
    if (r.restype == 1001 || r.restype == 1000 || r.restype == 1002 || r.restype == 1003) o << host::toUtf8(r.resval.rstring);
    else if (r.restype >= 1010 && r.restype <= 1013) o << fmt(r.resval.rpoint);
    else if (r.restype >= 1040 && r.restype <= 1042) o << fmt(r.resval.rreal);
    else if (r.restype == 1070) o << r.resval.rint;
    else if (r.restype == 1071) o << r.resval.rlong;
    else o << host::toUtf8(r.resval.rstring);
    o << "\n";
  }
  say(o.str());
}

void listCommand() {
  ZcSelectionSet ss;
  if (zcedSSGet(nullptr, nullptr, nullptr, nullptr, ss) != RTNORM) return;
  for (ZcDbObjectId id : ss.ids) listEntity(id);
}

void entitiesCommand() {
  ZcDbDatabase* db = current();
  if (!db) return;
  std::map<std::string, int> counts;
  ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db->modelSpaceId(), ZcDb::kForRead);
  const std::vector<ZcDbObjectId> ids = ms ? ms->entityIds() : std::vector<ZcDbObjectId>{};
  for (ZcDbObjectId id : ids) ++counts[id.record()->typeName()];
  std::ostringstream o;
  o << "\n" << ids.size() << " entités\n";
  for (const auto& [type, n] : counts) o << "  " << type << " " << n << "\n";
  say(o.str());
}

void evaluateLisp(const std::string& text) {
  auto& lisp = host::lisp::session();
  // An expression spread over lines: each line is read once, as it comes.
  host::lisp::PieceReader reader;
  reader.feed(text);
  while (reader.needsMoreInput()) {
    std::string more;
    if (!host::console().readAnswer(more)) break;
    reader.feed("\n");
    reader.feed(more);
  }
  host::lisp::LineResult r = lisp.evaluateRead(reader.finish(), false);
  if (r.status == host::lisp::LineStatus::Value) say(r.printed + "\n");
}

}  // namespace

bool executeCommandLine(const std::string& rawLine) {
  std::string line = trim(rawLine);
  if (line.empty()) return true;
  if (line[0] == '(' || line[0] == '\'' || line[0] == '!') {
    evaluateLisp(line[0] == '!' ? line.substr(1) : line);
    return true;
  }
  size_t sp = line.find(' ');
  std::string name = upper(line.substr(0, sp));
  std::string rest = sp == std::string::npos ? std::string() : line.substr(sp + 1);
  if (!name.empty() && name[0] == '_') name = name.substr(1);
  if (name == "QUIT" || name == "EXIT" || name == "QUITTER") return false;
  if (name == "OPEN" || name == "OUVRIR") {
    std::string path;
    if (!argumentOrPrompt(rest, L"\nFichier à ouvrir : ", path)) return true;
    // The drawing open so far stays when the new one cannot be read.
    ZcDbDatabase probe(false);
    if (probe.readDwgFile(path) != Zcad::eOk) {
      say("\n" + probe.lastError() + "\n");
      return true;
    }
    closeCurrent();
    openDrawing(path);
    return true;
  }
  if (name == "SAVE" || name == "SAVEAS" || name == "ENREG" || name == "ENREGSOUS") {
    ZcApDocument* doc = zcDocManagerPtr()->curDocument();
    std::string path = (name == "SAVE" || name == "ENREG") && doc && !doc->fileName().empty() && trim(rest).empty()
                           ? doc->fileName()
                           : std::string();
    if (path.empty() && !argumentOrPrompt(rest, L"\nEnregistrer sous : ", path)) return true;
    saveDrawing(path);
    return true;
  }
  if (name == "LIST" || name == "LISTE") {
    listCommand();
    return true;
  }
  if (name == "PLOT" || name == "TRACER") {
    plotCommand();
    return true;
  }
  if (name == "ENTITIES" || name == "ENTITES") {
    entitiesCommand();
    return true;
  }
  if (const ZcEdCommand* cmd = zcedRegCmds()->lookupCmd(host::fromUtf8(line.substr(0, sp)))) {
    if (cmd->function) cmd->function();
    return true;
  }
  if (host::lisp::isCommandFunction(line.substr(0, sp))) {
    host::lisp::callCommandFunction(line.substr(0, sp));
    return true;
  }
  say("\nCommande inconnue \"" + line.substr(0, sp) + "\".\n");
  return true;
}

int runConsole(const ConsoleOptions& options, const std::function<void()>& loadModules) {
  std::ifstream script;
  std::unique_ptr<host::ConsoleIO> io;
  host::ConsoleIO* previous = nullptr;
  // A drawing saved to the standard output ("--save -") has it to itself:
  // the transcript then goes to the standard error.
  std::ostream& transcript = options.saveTo == "-" ? std::cerr : std::cout;
  if (!options.script.empty()) {
    script.open(options.script, std::ios::binary);
    if (!script) {
      std::cerr << "geltaro : " << options.script << " : script introuvable\n";
      return 1;
    }
    io = std::make_unique<host::ConsoleIO>(script, transcript);
    previous = host::setConsole(io.get());
  } else if (&transcript != &std::cout) {
    io = std::make_unique<host::ConsoleIO>(std::cin, transcript);
    previous = host::setConsole(io.get());
  }
  host::console().setEcho(options.echo);
  // Typing at a terminal: line editing and history.
  if (options.script.empty() && ::isatty(0)) host::console().setInteractive(true);
  installHostLispFunctions();
  // A call of a registered LISP function is the "invoke" message to the module.
  host::lisp::setFunctionDispatcher(
      [](int) { return host::sendAppMessage(ZcRx::kInvkSubrMsg) == ZcRx::kRetOK ? RTNORM : RTERROR; });
  if (!options.home.empty()) host::setInstallationFolder(options.home);
  {
    // Points made without their blocks and a codification that cannot be
    // written would only show much later: a missing or unreadable
    // installation folder is told now.
    const std::string home = host::installationFolder();
    std::error_code ec;
    if (!std::filesystem::is_directory(home, ec))
      std::cerr << "geltaro : dossier d'installation introuvable : " << home
                << " (ni bibliothèque de blocs ni codification)\n";
    else if (::access(home.c_str(), R_OK | X_OK) != 0)
      std::cerr << "geltaro : dossier d'installation illisible : " << home << "\n";
  }

  if (loadModules) loadModules();
  host::sendAppMessage(ZcRx::kInitAppMsg);
  if (!openDrawing(options.drawing)) {
    host::sendAppMessage(ZcRx::kUnloadAppMsg);
    if (previous) host::setConsole(previous);
    return 1;
  }
  int status = 0;
  for (;;) {
    // The prompt starts its own line, as on the host's command line.
    if (!host::console().atLineStart()) say("\n");
    say("Commande: ");
    std::string line;
    if (!host::console().readAnswer(line)) break;
    if (host::ConsoleIO::isEscape(trim(line))) {
      say("*Annuler*\n");
      continue;
    }
    if (!executeCommandLine(line)) break;
  }
  say("\n");
  if (!options.saveTo.empty() && !saveDrawing(options.saveTo)) status = 1;
  if (!options.plotTo.empty() && !plotExtents(options.plotTo)) status = 1;
  zcDocManagerPtr()->closeAll();
  host::sendAppMessage(ZcRx::kUnloadDwgMsg);
  zcdbSetCurDwg(nullptr);
  host::sendAppMessage(ZcRx::kUnloadAppMsg);
  if (previous) host::setConsole(previous);
  return status;
}

}  // namespace geltaro
