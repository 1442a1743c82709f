#include "host/ui/messagebox.hpp"

#include <algorithm>
#include <cctype>

#include "host/app/console_io.hpp"

namespace host::ui {
namespace {

std::string lowerTrimmed(const std::string& s) {
  size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
  std::string out = b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return out;
}

const char* iconWord(unsigned type) {
  switch (type & 0xF0) {
    case MB_ICONERROR: return "erreur";
    case MB_ICONQUESTION: return "question";
    case MB_ICONWARNING: return "attention";
    case MB_ICONINFORMATION: return "information";
    default: return nullptr;
  }
}

constexpr int kAttempts = 3;

}  // namespace

int zcMessageBox(const std::string& text, const std::string& caption, unsigned type) {
  ConsoleIO& io = console();
  std::string head = "[" + (caption.empty() ? std::string("Message") : caption) + "]";
  if (const char* icon = iconWord(type)) head += std::string(" (") + icon + ")";
  io.print(head + " " + text + "\n");

  const unsigned buttons = type & 0x0F;
  bool yes = false, no = false, ok = false, cancel = false;
  switch (buttons) {
    case MB_OKCANCEL: ok = cancel = true; break;
    case MB_YESNOCANCEL: yes = no = cancel = true; break;
    case MB_YESNO: yes = no = true; break;
    default: return IDOK;  // MB_OK and unknown button sets: nothing to ask
  }
  const int onEscape = cancel ? IDCANCEL : IDNO;
  std::string choices;
  for (auto [has, word] : {std::pair{yes, "yes"}, {no, "no"}, {ok, "ok"}, {cancel, "cancel"}})
    if (has) choices += (choices.empty() ? "" : "/") + std::string(word);

  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    io.print("Réponse (" + choices + ") :\n");
    std::string line;
    if (!io.readAnswer(line) || ConsoleIO::isEscape(line)) return onEscape;
    const std::string a = lowerTrimmed(line);
    if (yes && (a == "yes" || a == "y" || a == "oui" || a == "o")) return IDYES;
    if (no && (a == "no" || a == "n" || a == "non")) return IDNO;
    if (ok && a == "ok") return IDOK;
    if (cancel && (a == "cancel" || a == "annuler")) return IDCANCEL;
    io.print("Réponse attendue : " + choices + ".\n");
  }
  io.print("Pas de réponse valable : abandon.\n");
  return onEscape;
}

void zcedAlert(const std::string& text) { console().print("[alerte] " + text + "\n"); }

}  // namespace host::ui
