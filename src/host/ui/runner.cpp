#include "host/ui/runner.hpp"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "host/app/console_io.hpp"
#include "host/ui/dialog.hpp"

namespace host::ui {
namespace {

// Characters shown, not bytes: UTF-8 continuation bytes do not count.
size_t displayWidth(std::string_view s) {
  return size_t(std::count_if(s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string pad(std::string_view s, size_t width, Align align) {
  size_t w = displayWidth(s);
  if (w >= width) return std::string(s);
  size_t gap = width - w;
  switch (align) {
    case Align::Right: return std::string(gap, ' ') + std::string(s);
    case Align::Center: return std::string(gap / 2, ' ') + std::string(s) + std::string(gap - gap / 2, ' ');
    case Align::Left: break;
  }
  return std::string(s) + std::string(gap, ' ');
}

std::string quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

void renderList(std::ostringstream& out, const ListView& list) {
  const auto& cols = list.columns();
  const size_t indexWidth = std::max<size_t>(1, std::to_string(std::max(list.rowCount() - 1, 0)).size());
  std::vector<size_t> widths(cols.size());
  for (size_t c = 0; c < cols.size(); ++c) {
    widths[c] = displayWidth(cols[c].header);
    for (const auto& r : list.rows())
      if (c < r.cells.size()) widths[c] = std::max(widths[c], displayWidth(r.cells[c]));
  }
  const std::string lead = "      ";
  const std::string checkGap = list.checkBoxes() ? "    " : "";
  // Header, with the sort direction on the sorted column.
  std::string line = lead + pad("#", indexWidth, Align::Right) + "  " + checkGap;
  for (size_t c = 0; c < cols.size(); ++c) {
    std::string h = cols[c].header;
    if (int(c) == list.sortColumn()) h += list.sortAscending() ? " ^" : " v";
    widths[c] = std::max(widths[c], displayWidth(h));
    line += "| " + pad(h, widths[c], cols[c].align) + " ";
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  out << line << "\n";
  for (int i = 0; i < list.rowCount(); ++i) {
    const auto& r = list.row(i);
    line = lead + pad(std::to_string(i), indexWidth, Align::Right) + (r.selected ? " >" : "  ");
    if (list.checkBoxes()) line += r.checked ? "[x] " : "[ ] ";
    for (size_t c = 0; c < cols.size(); ++c)
      line += "| " + pad(c < r.cells.size() ? r.cells[c] : std::string(), widths[c], cols[c].align) + " ";
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << "\n";
  }
}

}  // namespace

std::string renderDialog(const Dialog& dialog) {
  std::ostringstream out;
  out << "=== " << stripAccelerators(dialog.title()) << " ===\n";
  for (const auto& ptr : dialog.controls()) {
    const Control& c = *ptr;
    if (!c.visible()) continue;
    std::string head = "[" + (c.id() == IDC_STATIC ? std::string("-") : std::to_string(c.id())) + "] " + kindName(c.kind());
    std::string caption = stripAccelerators(c.caption());
    const std::string off = c.enabled() ? "" : "  (grisé)";
    switch (c.kind()) {
      case ControlKind::Static:
      case ControlKind::Button:
      case ControlKind::PictureButton:
        out << head << " " << quoted(caption) << off << "\n";
        break;
      case ControlKind::MenuItem:
        out << head << " " << quoted(stripAccelerators(static_cast<const MenuItem&>(c).menu()) + " > " + caption) << off << "\n";
        break;
      case ControlKind::Edit: {
        auto& e = static_cast<const Edit&>(c);
        out << head << " " << quoted(caption) << " : " << quoted(e.text()) << (e.readOnly() ? "  (lecture seule)" : "") << off
            << "\n";
        break;
      }
      case ControlKind::CheckBox:
        out << head << " " << (static_cast<const CheckBox&>(c).checked() ? "[x] " : "[ ] ") << quoted(caption) << off << "\n";
        break;
      case ControlKind::Radio:
        out << head << " " << (static_cast<const Radio&>(c).checked() ? "(o) " : "( ) ") << quoted(caption) << off << "\n";
        break;
      case ControlKind::ComboBox: {
        auto& combo = static_cast<const ComboBox&>(c);
        out << head << " " << quoted(caption) << " : " << quoted(combo.text()) << off << "\n";
        for (int i = 0; i < combo.count(); ++i)
          out << "      " << (i == combo.selection() ? "* " : "  ") << i << ": " << combo.item(i).text << "\n";
        break;
      }
      case ControlKind::ListView: {
        auto& list = static_cast<const ListView&>(c);
        out << head << " " << quoted(caption) << " : " << list.rowCount() << " ligne(s), "
            << list.selectedRows().size() << " sélectionnée(s)" << off << "\n";
        renderList(out, list);
        break;
      }
      case ControlKind::RichText: {
        out << head << " " << quoted(caption) << off << "\n";
        for (const auto& l : static_cast<const RichText&>(c).lines()) out << "      | " << l << "\n";
        break;
      }
    }
  }
  out << "===\n";
  return out.str();
}

namespace {

std::string trim(std::string_view s) {
  size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
  return b == std::string_view::npos ? std::string() : std::string(s.substr(b, e - b + 1));
}

bool parseInt(std::string_view s, int& value) {
  std::string t(s);
  if (t.empty()) return false;
  const char* begin = t.c_str();
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(begin, &end, 10);
  if (end == begin || *end != '\0' || errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
  value = int(v);
  return true;
}

// Splits words off the front of a line; a word in double quotes may hold
// blanks.
class Words {
 public:
  explicit Words(std::string_view line) : rest_(line) {}
  bool next(std::string& word, bool& wasQuoted, std::string& error) {
    skipBlanks();
    wasQuoted = false;
    if (rest_.empty()) return false;
    if (rest_.front() == '"') {
      size_t close = rest_.find('"', 1);
      if (close == std::string_view::npos) {
        error = "Guillemet fermant manquant.";
        return false;
      }
      word = std::string(rest_.substr(1, close - 1));
      rest_.remove_prefix(close + 1);
      wasQuoted = true;
      return true;
    }
    size_t end = rest_.find_first_of(" \t");
    word = std::string(rest_.substr(0, end));
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end);
    return true;
  }
  std::string rest() const { return trim(rest_); }

 private:
  void skipBlanks() {
    while (!rest_.empty() && (rest_.front() == ' ' || rest_.front() == '\t')) rest_.remove_prefix(1);
  }
  std::string_view rest_;
};

using Accepts = bool (*)(const Control&);

// A control by id (a bare integer) or by caption. When several captions
// match, the controls the action applies to are preferred.
Control* resolve(const Dialog& dialog, const std::string& word, bool wasQuoted, Accepts accepts, std::string& error) {
  int id = 0;
  if (!wasQuoted && parseInt(word, id))
    if (Control* c = dialog.find(id)) return c;
  auto found = dialog.findByCaption(word);
  if (found.empty()) {
    error = "Pas de contrôle « " + word + " » dans ce dialogue (tapez show pour le revoir).";
    return nullptr;
  }
  if (found.size() == 1) return found.front();
  std::vector<Control*> fitting;
  for (Control* c : found)
    if (accepts(*c)) fitting.push_back(c);
  if (fitting.size() == 1) return fitting.front();
  if (fitting.empty()) return found.front();  // the action will say why it does not fit
  error = "« " + word + " » est ambigu :";
  for (Control* c : fitting) error += " " + std::to_string(c->id());
  error += " ; utilisez l'identifiant.";
  return nullptr;
}

bool isEditable(const Control& c) { return c.kind() == ControlKind::Edit || c.kind() == ControlKind::ComboBox; }
bool isCheckable(const Control& c) {
  return c.kind() == ControlKind::CheckBox || c.kind() == ControlKind::Radio || c.kind() == ControlKind::ListView;
}
bool isCombo(const Control& c) { return c.kind() == ControlKind::ComboBox; }
bool isList(const Control& c) { return c.kind() == ControlKind::ListView; }
bool isPressable(const Control& c) { return c.pressable(); }

bool parseOnOff(std::string word, bool& on) {
  std::transform(word.begin(), word.end(), word.begin(), [](unsigned char ch) { return char(std::tolower(ch)); });
  if (word == "on" || word == "oui" || word == "yes" || word == "1" || word == "x") return on = true, true;
  if (word == "off" || word == "non" || word == "no" || word == "0") return on = false, true;
  return false;
}

const char* kHelp =
    "Actions : show | set CTRL TEXTE | check CTRL on|off | check LISTE LIGNE on|off | pick CTRL ELEMENT |\n"
    "          select CTRL [LIGNE ...] | header CTRL COL | dblclick CTRL LIGNE | press CTRL | ok | cancel\n"
    "CTRL : identifiant ou libellé (entre guillemets s'il a des espaces).\n";

// RAII: the dialog's message boxes and prompts use the runner's console.
class ConsoleScope {
 public:
  explicit ConsoleScope(ConsoleIO& io) : previous_(setConsole(&io)) {}
  ~ConsoleScope() { setConsole(previous_); }
  ConsoleScope(const ConsoleScope&) = delete;
  ConsoleScope& operator=(const ConsoleScope&) = delete;

 private:
  ConsoleIO* previous_;
};

}  // namespace

std::string applyAction(Dialog& dialog, const std::string& line, ConsoleIO& io) {
  Words words(line);
  std::string verb, error;
  bool q = false;
  if (!words.next(verb, q, error)) return error;
  std::transform(verb.begin(), verb.end(), verb.begin(), [](unsigned char ch) { return char(std::tolower(ch)); });

  if (verb == "show") {
    if (!words.rest().empty()) return "show ne prend pas d'argument.";
    io.print(renderDialog(dialog));
    return {};
  }
  if (verb == "help" || verb == "?") {
    io.print(kHelp);
    return {};
  }
  if (verb == "ok" || verb == "cancel") {
    if (!words.rest().empty()) return verb + " ne prend pas d'argument.";
    return verb == "ok" ? dialog.userOk() : dialog.userCancel();
  }

  Accepts accepts = nullptr;
  if (verb == "set") accepts = isEditable;
  else if (verb == "check") accepts = isCheckable;
  else if (verb == "pick") accepts = isCombo;
  else if (verb == "select" || verb == "header" || verb == "dblclick") accepts = isList;
  else if (verb == "press") accepts = isPressable;
  else return "Action inconnue « " + verb + " » (tapez help).";

  std::string word;
  if (!words.next(word, q, error)) return error.empty() ? verb + " : contrôle manquant." : error;
  Control* c = resolve(dialog, word, q, accepts, error);
  if (!c) return error;
  const int id = c->id();

  if (verb == "set") return dialog.userSetText(id, words.rest());
  if (verb == "press") {
    if (!words.rest().empty()) return "press ne prend que le contrôle.";
    return dialog.userPress(id);
  }
  if (verb == "pick") {
    auto* combo = dynamic_cast<ComboBox*>(c);
    if (!combo) return dialog.userPick(id, 0);  // says why
    std::string item;
    bool itemQuoted = false;
    if (!words.next(item, itemQuoted, error)) return error.empty() ? "pick : élément manquant." : error;
    if (!itemQuoted) item = trim(std::string(item) + " " + words.rest());
    else if (!words.rest().empty()) return "pick : un seul élément.";
    // An item whose text is what was written wins over an index.
    int index = combo->find(item);
    if (index < 0 && !itemQuoted && !parseInt(item, index)) return "Pas d'élément « " + item + " » dans la liste.";
    if (index < 0 && itemQuoted) return "Pas d'élément « " + item + " » dans la liste.";
    return dialog.userPick(id, index);
  }

  // The rest are numbers.
  std::vector<std::string> args;
  for (std::string a; words.next(a, q, error);) args.push_back(a);
  if (!error.empty()) return error;
  auto number = [&](size_t i, int& v) -> bool { return i < args.size() && parseInt(args[i], v); };

  if (verb == "check") {
    bool on = false;
    if (c->kind() == ControlKind::ListView) {
      int row = 0;
      if (args.size() != 2 || !number(0, row) || !parseOnOff(args[1], on)) return "Syntaxe : check LISTE LIGNE on|off.";
      return dialog.userCheckRow(id, row, on);
    }
    if (args.size() != 1 || !parseOnOff(args[0], on)) return "Syntaxe : check CTRL on|off.";
    return dialog.userCheck(id, on);
  }
  if (verb == "select") {
    std::vector<int> rows;
    for (size_t i = 0; i < args.size(); ++i) {
      int r = 0;
      if (!number(i, r)) return "select : « " + args[i] + " » n'est pas un numéro de ligne.";
      rows.push_back(r);
    }
    return dialog.userSelect(id, rows);
  }
  int n = 0;
  if (args.size() != 1 || !number(0, n))
    return verb == "header" ? "Syntaxe : header LISTE COLONNE." : "Syntaxe : dblclick LISTE LIGNE.";
  return verb == "header" ? dialog.userHeaderClick(id, n) : dialog.userDoubleClick(id, n);
}

int runModal(Dialog& dialog, ConsoleIO& io) {
  ConsoleScope scope(io);
  dialog.reset();
  dialog.init();
  if (dialog.hidden() && !dialog.ended()) dialog.showAfterPick();  // prints it
  else if (!dialog.ended()) io.print(renderDialog(dialog));
  while (!dialog.ended()) {
    std::string line;
    // An action is read without a prompt: what a handler printed last
    // (a message without its line end) must not run into its echo.
    if (!io.atLineStart()) io.print("\n");
    if (!io.readAnswer(line) || ConsoleIO::isEscape(trim(line))) {
      dialog.userCancel();
      break;
    }
    line = trim(line);
    if (line.empty()) continue;
    std::string why = applyAction(dialog, line, io);
    if (!why.empty()) io.print("! " + why + "\n");
    if (dialog.hidden() && !dialog.ended()) dialog.showAfterPick();
  }
  dialog.close();
  return dialog.result();
}

}  // namespace host::ui
