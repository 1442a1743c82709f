// Headless runner of modal dialogs: prints the dialog as text and reads the
// user's actions, one per line, from a console:
//
//   show                      print the dialog again
//   set CTRL TEXT             type TEXT in an edit (then it loses the focus)
//   check CTRL on|off         check box or radio; `check LIST ROW on|off`
//                             for the row check boxes of a list
//   pick CTRL ITEM            combo item by index or by text
//   select CTRL [ROW ...]     list rows in display order, 0-based; none clears
//   header CTRL COL           click on a column header (sorts by default)
//   dblclick CTRL ROW         double click on a list row
//   press CTRL                button, picture button or menu item
//   ok / cancel               close the dialog
//   help                      list these actions
//
// CTRL is the control's id, or its caption (with or without its '&' marks,
// any case), bare when it is one word, in double quotes otherwise. A wrong
// action prints why and the user goes on. End of input or "^C" cancels.
#pragma once

#include <string>

namespace host {
class ConsoleIO;
}

namespace host::ui {

class Dialog;

// The dialog as text: a title line, then one line per visible control (lists
// as an aligned table, rich text line by line).
std::string renderDialog(const Dialog& dialog);

// Runs `dialog` modally on `io`: onInit, print, then actions until the
// dialog ends; onClose at the end. Returns the dialog's result.
int runModal(Dialog& dialog, ConsoleIO& io);

// Applies one action line to the dialog (without reading anything itself);
// returns an empty string when done, otherwise why it was refused.
std::string applyAction(Dialog& dialog, const std::string& line, ConsoleIO& io);

}  // namespace host::ui
