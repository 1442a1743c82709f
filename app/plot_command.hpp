// The console's PLOT command and the plot of a drawing's extents after a
// script (--plot).
#pragma once

#include <string>

#include "host/plot/plot.hpp"

class ZcDbDatabase;

namespace geltaro {

// PLOT: the zone (extents, a window, a sheet by its handle), the scale,
// the paper and the output file, one answer per prompt.
void plotCommand();

// Plots the current drawing's extents to `output` (A3, fitted); false with
// a message when nothing could be written.
bool plotExtents(const std::string& output);

// Runs a plot with the progress bar and says what was written.
bool runPlot(ZcDbDatabase* db, host::plot::Request request, const std::string& paperName);

}  // namespace geltaro
