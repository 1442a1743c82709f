// LISP functions of the host that reach the command line and the drawing:
// selections, picks, prompts, system variables.
#pragma once

namespace geltaro {
// Registers them in the session's evaluator.
void installHostLispFunctions();
}  // namespace geltaro
