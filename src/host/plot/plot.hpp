// Plots of a drawing's model space to PDF, SVG and PNG, through Cairo.
//
// A plot maps a window of the model (drawing units are metres) onto a sheet
// of paper at a scale 1/n, or at the scale that fits the window in the
// paper's printable area; the window is centred on the paper and nothing
// outside it is drawn. Texts use DejaVu Sans through fontconfig, scaled so
// that a text's height is the height of its capitals, as the standard style
// draws it.
#pragma once

#include <cmath>
#include <functional>
#include <map>
#include <string>

#include "host/geom/extents.hpp"

class ZcDbDatabase;

namespace host::plot {

enum class Format { Pdf, Svg, Png };

// The format of an output path by its extension (case-insensitive); false
// when it is none of .pdf, .svg, .png.
bool formatOfPath(const std::string& path, Format& format);

// Paper sheets in millimetres, width x height as the sheet is laid.
struct Paper {
  double width = 420, height = 297;
};
// "A0".."A4" (case-insensitive), portrait or landscape; false for another name.
bool isoPaper(const std::string& name, bool landscape, Paper& paper);

struct Request {
  // In model coordinates (x, y), or, with a rotation, in the axes of the
  // model turned by -rotation (a sheet laid out at an angle: its own axes).
  ZcDbExtents window;
  double rotation = 0;          // radians: the direction of the paper's x axis in the model
  double scale = 0;             // n of 1/n; 0 or less: fit the window to the paper
  Paper paper;
  double margin = 10;           // mm kept blank on each side when fitting
  Format format = Format::Pdf;
  int dpi = 150;                // PNG only
  std::string output;           // the file written
  // Called as the model space is drawn (entities done, entities in all);
  // returning false stops the plot, which then writes nothing.
  std::function<bool(int, int)> progress;
};

struct Result {
  bool ok = false;
  std::string error;                       // French, when !ok
  double scale = 0;                        // the n of 1/n used
  int drawn = 0;                           // entities drawn (block contents included)
  std::map<std::string, int> skipped;      // entity types not drawn, and their counts
  // Model coordinates to paper millimetres from the paper's top-left corner.
  double originX = 0, originY = 0, mmPerUnit = 0, centreX = 0, centreY = 0, rotation = 0;
  void toPaper(double x, double y, double& px, double& py) const {
    const double c = std::cos(rotation), s = std::sin(rotation);
    px = originX + (c * x + s * y - centreX) * mmPerUnit;
    py = originY - (-s * x + c * y - centreY) * mmPerUnit;
  }
};

// Extents of what a plot of the model space draws: entities of layers that
// are off, frozen or not plotted are left out. Invalid when nothing shows.
ZcDbExtents visibleExtents(ZcDbDatabase& db);

// Plots the model space of `db` as the request asks.
Result plot(ZcDbDatabase& db, const Request& request);

// "3 RAY, 1 SPLINE": the skipped content in one line, empty when none.
std::string skippedSummary(const Result& result);

}  // namespace host::plot
