// The survey module in the console: the module itself (entry point and
// library load) and its companion, which owns one project per drawing.
#pragma once

namespace geltaro {

// Loads the survey module into the host and starts the companion: every
// drawing gets its project, made current (and read from the drawing the
// first time) when the drawing becomes current, deleted when it closes.
void chargerModuleTopo();

}  // namespace geltaro
