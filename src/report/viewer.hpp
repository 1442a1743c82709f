// The report viewer "Résultats des calculs": shows a written report and
// saves a copy of it, in the Word-compatible form, under a name the user
// chooses. Headless, showing the report prints "Rapport : <path>" on the
// session's console (host::ui::showReport).
#pragma once

#include "host/ui/dialog.hpp"
#include "report/html.hpp"

class resultPolygo : public host::ui::Dialog {
 public:
  // "Fermer" is the dialog's Cancel button.
  enum : int { IDC_EXPLORER = 1000, IDC_SAUVEGARDER = 1001 };

  // The document (already written: it is shown at its path) must outlive
  // the dialog; the dialog never changes it.
  explicit resultPolygo(const htmlDocument& document);

  // What "Sauvegarder" does: asks for a path (Word or HTML file, ".doc" by
  // default), writes a copy of the document there in the Word-compatible
  // form and says so. Cancelling the file dialog does nothing. True when a
  // copy was written; a copy that could not be written is reported in an
  // error box.
  bool sauvegarder();

 protected:
  void onInit() override;
  void onPress(int id) override;

 private:
  const htmlDocument& document_;
};

// What a computing command does with its report: writes the document (to a
// temporary file unless it was given a path) and shows it modally in the
// viewer. Returns the dialog's result.
int afficherRapport(htmlDocument& document);
