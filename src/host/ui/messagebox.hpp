// Message boxes of the host. Headless, a box prints "[caption] text" on the
// session's console; a box that asks a question then reads the answer line:
// yes / no / ok / cancel (or oui / non / annuler), limited to the buttons the
// box has. An unexpected answer asks again, a few times, then counts as
// Escape. Escape (end of input or "^C") gives IDCANCEL, except in a Yes/No box
// which has no Cancel button: there it gives IDNO, the answer that changes
// nothing, so that callers testing `== IDNO` never go ahead on Escape.
#pragma once

#include <string>

namespace host::ui {

// Buttons.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
// Icons (only shown as a word headless).
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;

// Results, also the results of a modal dialog.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

int zcMessageBox(const std::string& text, const std::string& caption, unsigned type = MB_OK);
// A notice that needs no answer: prints "[alerte] text".
void zcedAlert(const std::string& text);

}  // namespace host::ui
