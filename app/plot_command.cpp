#include "plot_command.hpp"

#include <cctype>
#include <cmath>
#include <sstream>

#include "host/app/console_io.hpp"
#include "host/app/host_app.hpp"
#include "host/db/entities.hpp"
#include "host/ed/editor.hpp"
#include "host/ed/selection.hpp"
#include "host/plot/plot.hpp"
#include "host/ui/progress.hpp"

namespace geltaro {

namespace {

void say(const std::string& text) { host::console().print(text); }

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

// True when `answer` is a prefix (at least one letter) of `word`, ignoring case.
bool abbreviates(const std::string& answer, const std::string& word) {
  if (answer.empty() || answer.size() > word.size()) return false;
  for (size_t i = 0; i < answer.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(answer[i])) != std::tolower(static_cast<unsigned char>(word[i])))
      return false;
  return true;
}

// One answer; RTNONE for an empty line (the default), RTCAN when input ends.
int ask(const wchar_t* prompt, std::string& answer) {
  std::wstring w;
  int rc = zcedGetString(1, prompt, w);
  if (rc != RTNORM) return rc == RTNONE ? RTNONE : RTCAN;
  answer = trim(host::toUtf8(w));
  return answer.empty() ? RTNONE : RTNORM;
}

// "500", "1/500", "1:500" give 500.
bool parseScale(const std::string& text, double& n) {
  std::string t = text;
  size_t sep = t.find_first_of("/:");
  if (sep != std::string::npos) {
    if (trim(t.substr(0, sep)) != "1") return false;
    t = t.substr(sep + 1);
  }
  try {
    size_t used = 0;
    n = std::stod(t, &used);
    if (trim(t.substr(used)) != "") return false;
  } catch (...) {
    return false;
  }
  return n > 0 && std::isfinite(n) && n < 1e9;
}

std::string fmtScale(double n) {
  std::ostringstream o;
  if (std::fabs(n - std::round(n)) < 1e-6) o << static_cast<long long>(std::round(n));
  else {
    o.precision(6);
    o << n;
  }
  return o.str();
}

std::string fmtMm(double v) {
  std::ostringstream o;
  o << static_cast<long long>(std::round(v));
  return o.str();
}

// The scale of a sheet outline of w x h drawing units, when it is one of
// the A formats at a scale: the n of 1/n, or 0.
double sheetScale(double w, double h) {
  for (const char* name : {"A0", "A1", "A2", "A3", "A4"})
    for (bool landscape : {false, true}) {
      host::plot::Paper p;
      host::plot::isoPaper(name, landscape, p);
      double nx = w * 1000.0 / p.width, ny = h * 1000.0 / p.height;
      if (nx > 0 && std::fabs(nx - ny) <= 0.005 * nx) return nx;
    }
  return 0;
}

}  // namespace

bool runPlot(ZcDbDatabase* db, host::plot::Request request, const std::string& paperName) {
  if (!db) return false;
  host::ui::ProgressDialog progress("Tracé");
  progress.setRange(0, 100);
  request.progress = [&progress](int done, int total) {
    progress.setPos(total > 0 ? int(100LL * done / total) : 100);
    return !progress.cancelled();
  };
  host::plot::Result r = host::plot::plot(*db, request);
  progress.close();
  if (!r.ok) {
    say("\nImpossible de tracer " + request.output + " : " + r.error + "\n");
    return false;
  }
  std::ostringstream o;
  o << "\nTracé " << request.output << " : 1/" << fmtScale(r.scale) << ", " << paperName << " ("
    << fmtMm(request.paper.width) << " x " << fmtMm(request.paper.height) << " mm), " << r.drawn << " entités";
  if (request.format == host::plot::Format::Png) o << ", " << request.dpi << " ppp";
  o << "\n";
  std::string skipped = host::plot::skippedSummary(r);
  if (!skipped.empty()) o << "Non tracé : " << skipped << "\n";
  say(o.str());
  return true;
}

bool plotExtents(const std::string& output) {
  ZcDbDatabase* db = zcdbCurDwg();
  host::plot::Request req;
  if (!host::plot::formatOfPath(output, req.format)) {
    say("\nImpossible de tracer " + output + " : extension inconnue (.pdf, .svg ou .png)\n");
    return false;
  }
  req.output = output;
  if (db) req.window = host::plot::visibleExtents(*db);
  // The paper that holds the drawing the right way round: A3, landscape
  // unless the drawing is taller than wide.
  ZcGeVector3d size = req.window.size();
  bool landscape = !req.window.isValid() || size.x >= size.y;
  host::plot::isoPaper("A3", landscape, req.paper);
  return runPlot(db, req, std::string("A3 ") + (landscape ? "paysage" : "portrait"));
}

void plotCommand() {
  ZcDbDatabase* db = zcdbCurDwg();
  if (!db) return;
  host::plot::Request req;
  std::string a;
  // What to plot.
  int rc = ask(L"\nZone à tracer [Etendue/Fenetre/Planche] <Etendue> : ", a);
  if (rc == RTCAN) return;
  bool sheet = false;
  double sheetN = 0;
  if (rc == RTNONE || abbreviates(a, "etendue") || abbreviates(a, "étendue")) {
    req.window = host::plot::visibleExtents(*db);
  } else if (abbreviates(a, "fenetre") || abbreviates(a, "fenêtre")) {
    ZcGePoint3d p1, p2;
    if (zcedGetPoint(nullptr, L"\nPremier coin : ", p1) != RTNORM) return;
    if (zcedGetCorner(&p1, L"\nCoin opposé : ", p2) != RTNORM) return;
    req.window = ZcDbExtents(p1, p2);
  } else if (abbreviates(a, "planche")) {
    ads_name en;
    ZcGePoint3d pick;
    if (zcedEntSel(L"\nContour de la planche (#HANDLE) : ", en, pick) != RTNORM) {
      say("\nAucune planche choisie.\n");
      return;
    }
    ZcDbObjectPointer<ZcDbEntity> e(en.id, ZcDb::kForRead);
    ZcDbExtents ext;
    if (!e || e->getGeomExtents(ext) != Zcad::eOk || !ext.isValid()) {
      say("\nCette entité n'a pas d'étendue : rien à tracer.\n");
      return;
    }
    // A sheet's outline laid out at an angle: the paper follows its first
    // side, and the window is the outline in its own axes.
    if (auto* outline = ZcDbPolyline::cast(e.object()); outline && outline->numVerts() >= 2) {
      ZcGePoint2d a, b;
      outline->getPointAt(0, a);
      outline->getPointAt(1, b);
      // Turns by a quarter make the same rectangle: the smallest angle is
      // kept, so an outline drawn square to the axes is never turned (the
      // orientation of the paper says portrait or landscape).
      double angle = std::remainder(std::atan2(b.y - a.y, b.x - a.x), M_PI / 2);
      if (std::isfinite(angle) && (a.x != b.x || a.y != b.y)) {
        const double c = std::cos(angle), s = std::sin(angle);
        ZcDbExtents own;
        for (unsigned i = 0; i < outline->numVerts(); ++i) {
          ZcGePoint2d v;
          outline->getPointAt(i, v);
          own.addPoint(ZcGePoint3d(c * v.x + s * v.y, -s * v.x + c * v.y, 0));
        }
        if (own.isValid()) {
          ext = own;
          req.rotation = angle;
        }
      }
    }
    req.window = ext;
    req.margin = 0;
    sheet = true;
    sheetN = sheetScale(ext.size().x, ext.size().y);
  } else {
    say("\nRéponse attendue : Etendue, Fenetre ou Planche.\n");
    return;
  }
  if (!req.window.isValid()) {
    say("\nRien à tracer : la sélection est vide.\n");
    return;
  }
  // Scale.
  std::wstring scalePrompt = sheet && sheetN > 0
                                 ? L"\nEchelle 1/n ou [Ajuster] <" + host::fromUtf8(fmtScale(sheetN)) + L"> : "
                                 : L"\nEchelle 1/n ou [Ajuster] <Ajuster> : ";
  rc = ask(scalePrompt.c_str(), a);
  if (rc == RTCAN) return;
  if (rc == RTNONE) req.scale = sheet ? sheetN : 0;
  else if (abbreviates(a, "ajuster")) req.scale = 0;
  else if (!parseScale(a, req.scale)) {
    say("\nEchelle incorrecte : \"" + a + "\" (1/500, 500 ou Ajuster).\n");
    return;
  }
  // Paper.
  std::string paperName;
  rc = ask(sheet ? L"\nFormat de papier [A4/A3/A2/A1/A0/Planche] <Planche> : "
                 : L"\nFormat de papier [A4/A3/A2/A1/A0] <A3> : ",
           a);
  if (rc == RTCAN) return;
  if (rc == RTNONE) a = sheet ? "Planche" : "A3";
  if (abbreviates(a, "planche") && a.size() > 1) {
    if (!sheet) {
      say("\nLe format de la planche suppose une planche à tracer.\n");
      return;
    }
    if (!(req.scale > 0)) {
      say("\nLe format de la planche demande une échelle : ce contour n'est pas un format A à une échelle.\n");
      return;
    }
    ZcGeVector3d s = req.window.size();
    req.paper = {s.x * 1000.0 / req.scale, s.y * 1000.0 / req.scale};
    paperName = "planche";
  } else {
    host::plot::Paper probe;
    if (!host::plot::isoPaper(a, false, probe)) {
      say("\nFormat de papier inconnu : \"" + a + "\" (A4, A3, A2, A1, A0).\n");
      return;
    }
    std::string side;
    rc = ask(L"\nOrientation [Portrait/Paysage] <Paysage> : ", side);
    if (rc == RTCAN) return;
    bool landscape = true;
    if (rc == RTNORM) {
      if (abbreviates(side, "paysage") && side.size() > 1) landscape = true;
      else if (abbreviates(side, "portrait") && side.size() > 1) landscape = false;
      else {
        say("\nOrientation attendue : Portrait ou Paysage.\n");
        return;
      }
    }
    host::plot::isoPaper(a, landscape, req.paper);
    std::string upperName = a;
    for (char& c : upperName) c = char(std::toupper(static_cast<unsigned char>(c)));
    paperName = upperName + (landscape ? " paysage" : " portrait");
  }
  // Output.
  rc = ask(L"\nFichier de sortie (.pdf, .svg, .png) : ", a);
  if (rc != RTNORM) return;
  if (!host::plot::formatOfPath(a, req.format)) {
    say("\nExtension inconnue : \"" + a + "\" (.pdf, .svg ou .png).\n");
    return;
  }
  req.output = a;
  if (req.format == host::plot::Format::Png) {
    std::string dpi;
    rc = ask(L"\nRésolution en points par pouce <150> : ", dpi);
    if (rc == RTCAN) return;
    if (rc == RTNORM) {
      try {
        size_t used = 0;
        req.dpi = std::stoi(dpi, &used);
        if (used != dpi.size()) req.dpi = 0;
      } catch (...) {
        req.dpi = 0;
      }
      if (req.dpi < 10 || req.dpi > 2400) {
        say("\nRésolution incorrecte : \"" + dpi + "\" (de 10 à 2400).\n");
        return;
      }
    }
  }
  runPlot(db, req, paperName);
}

}  // namespace geltaro
