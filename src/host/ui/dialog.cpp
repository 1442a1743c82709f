#include "host/ui/dialog.hpp"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "host/app/console_io.hpp"
#include "host/ui/runner.hpp"

namespace host::ui {

// ---------------------------------------------------------------- captions

std::string stripAccelerators(std::string_view caption) {
  std::string out;
  out.reserve(caption.size());
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&') {
      if (i + 1 < caption.size() && caption[i + 1] == '&') out += '&', ++i;
      continue;
    }
    out += caption[i];
  }
  return out;
}

namespace {

// Lower case for ASCII and for the UTF-8 encoded Latin-1 capitals (À..Þ
// except ×), which covers French captions.
std::string foldCase(std::string_view s) {
  std::string out(s);
  for (size_t i = 0; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (c >= 'A' && c <= 'Z') {
      out[i] = char(c + 32);
    } else if (c == 0xC3 && i + 1 < out.size()) {
      unsigned char d = static_cast<unsigned char>(out[i + 1]);
      if (d >= 0x80 && d <= 0x9E && d != 0x97) out[i + 1] = char(d + 0x20);
      ++i;
    }
  }
  return out;
}

std::string trim(std::string_view s) {
  size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
  return b == std::string_view::npos ? std::string() : std::string(s.substr(b, e - b + 1));
}

// Whole text is one number; ',' taken as a decimal mark.
std::optional<double> parseNumber(std::string_view text) {
  std::string t = trim(text);
  if (t.empty()) return std::nullopt;
  std::replace(t.begin(), t.end(), ',', '.');
  const char* begin = t.c_str();
  char* end = nullptr;
  double v = std::strtod(begin, &end);
  if (end == begin || *end != '\0' || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::string formatNumber(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

}  // namespace

bool captionMatches(std::string_view caption, std::string_view written) {
  if (written.empty()) return false;
  const std::string w = foldCase(written);
  return foldCase(caption) == w || foldCase(stripAccelerators(caption)) == w;
}

const char* kindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::Static: return "static";
    case ControlKind::Edit: return "edit";
    case ControlKind::CheckBox: return "check";
    case ControlKind::Radio: return "radio";
    case ControlKind::ComboBox: return "combo";
    case ControlKind::ListView: return "list";
    case ControlKind::Button: return "button";
    case ControlKind::PictureButton: return "picture";
    case ControlKind::RichText: return "rich";
    case ControlKind::MenuItem: return "menu";
  }
  return "?";
}

// ---------------------------------------------------------------- Edit

void Edit::setRange(double min, double max) {
  if (!(min <= max)) throw std::invalid_argument("Edit::setRange: min > max");
  range_ = Range{false, min, max};
}

void Edit::setIntRange(int min, int max) {
  if (min > max) throw std::invalid_argument("Edit::setIntRange: min > max");
  range_ = Range{true, double(min), double(max)};
}

std::optional<double> Edit::number() const { return parseNumber(text_); }

std::optional<int> Edit::integer() const {
  std::string t = trim(text_);
  if (t.empty()) return std::nullopt;
  const char* begin = t.c_str();
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(begin, &end, 10);
  if (end == begin || *end != '\0' || errno == ERANGE || v < INT_MIN || v > INT_MAX) return std::nullopt;
  return int(v);
}

void Edit::setNumber(double value, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", std::clamp(decimals, 0, 15), value);
  text_ = buf;
}

std::string Edit::validate() const {
  if (!range_) return {};
  // Integer bounds in full ("-2147483648 et 2147483647", never "-2.14748e+09").
  auto borne = [&](double b) {
    if (range_->integer && std::abs(b) < 1e18) return std::to_string(static_cast<long long>(b));
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", b);
    return std::string(buf);
  };
  const std::string span = borne(range_->min) + " et " + borne(range_->max);
  if (range_->integer) {
    auto v = integer();
    if (!v || *v < range_->min || *v > range_->max) return "Entrez un entier entre " + span + ".";
  } else {
    auto v = number();
    if (!v || *v < range_->min || *v > range_->max) return "Entrez un nombre entre " + span + ".";
  }
  return {};
}

// ---------------------------------------------------------------- ComboBox

int ComboBox::addItem(std::string text, std::int64_t data) {
  items_.push_back({std::move(text), data});
  return int(items_.size()) - 1;
}

void ComboBox::clear() {
  items_.clear();
  selection_ = -1;
  if (!editable_) text_.clear();
}

const ComboBox::Item& ComboBox::item(int index) const {
  if (index < 0 || index >= count()) throw std::out_of_range("ComboBox::item");
  return items_[size_t(index)];
}

int ComboBox::find(std::string_view text) const {
  for (int i = 0; i < count(); ++i)
    if (items_[size_t(i)].text == text) return i;
  const std::string f = foldCase(text);
  for (int i = 0; i < count(); ++i)
    if (foldCase(items_[size_t(i)].text) == f) return i;
  return -1;
}

int ComboBox::findData(std::int64_t data) const {
  for (int i = 0; i < count(); ++i)
    if (items_[size_t(i)].data == data) return i;
  return -1;
}

void ComboBox::setSelection(int index) {
  if (index < -1 || index >= count()) throw std::out_of_range("ComboBox::setSelection");
  selection_ = index;
  if (index >= 0) text_ = items_[size_t(index)].text;
  else if (!editable_) text_.clear();
}

std::optional<std::int64_t> ComboBox::selectedData() const {
  if (selection_ < 0) return std::nullopt;
  return items_[size_t(selection_)].data;
}

void ComboBox::setText(std::string text) {
  text_ = std::move(text);
  selection_ = -1;
  for (int i = 0; i < count(); ++i)
    if (items_[size_t(i)].text == text_) selection_ = i;
}

// ---------------------------------------------------------------- ListView

int ListView::addColumn(std::string header, int width, Align align) {
  columns_.push_back({std::move(header), std::max(width, 1), align});
  for (Row& r : rows_) r.cells.resize(columns_.size());
  return int(columns_.size()) - 1;
}

int ListView::addRow(std::vector<std::string> cells, std::int64_t data) {
  if (!columns_.empty()) cells.resize(columns_.size());
  rows_.push_back({std::move(cells), data, false, false});
  return int(rows_.size()) - 1;
}

ListView::Row& ListView::at(int row) {
  if (row < 0 || row >= rowCount()) throw std::out_of_range("ListView: row " + std::to_string(row));
  return rows_[size_t(row)];
}

const ListView::Row& ListView::row(int row) const { return const_cast<ListView*>(this)->at(row); }

void ListView::removeRow(int row) {
  at(row);
  rows_.erase(rows_.begin() + row);
}

void ListView::clear() { rows_.clear(); }

const std::string& ListView::cell(int row, int column) const {
  const Row& r = this->row(row);
  if (column < 0 || size_t(column) >= r.cells.size()) throw std::out_of_range("ListView::cell column");
  return r.cells[size_t(column)];
}

void ListView::setCell(int row, int column, std::string text) {
  Row& r = at(row);
  if (column < 0 || size_t(column) >= std::max(r.cells.size(), columns_.size()))
    throw std::out_of_range("ListView::setCell column");
  if (size_t(column) >= r.cells.size()) r.cells.resize(size_t(column) + 1);
  r.cells[size_t(column)] = std::move(text);
}

int ListView::findData(std::int64_t data) const {
  for (int i = 0; i < rowCount(); ++i)
    if (rows_[size_t(i)].data == data) return i;
  return -1;
}

std::vector<int> ListView::selectedRows() const {
  std::vector<int> out;
  for (int i = 0; i < rowCount(); ++i)
    if (rows_[size_t(i)].selected) out.push_back(i);
  return out;
}

std::vector<std::int64_t> ListView::selectedData() const {
  std::vector<std::int64_t> out;
  for (const Row& r : rows_)
    if (r.selected) out.push_back(r.data);
  return out;
}

int ListView::firstSelected() const {
  auto rows = selectedRows();
  return rows.empty() ? -1 : rows.front();
}

void ListView::select(int row, bool on) {
  Row& r = at(row);
  if (on && !multiSelect_) clearSelection();
  r.selected = on;
}

void ListView::setSelection(const std::vector<int>& rows) {
  for (int r : rows) at(r);
  std::vector<int> distinct(rows);
  std::sort(distinct.begin(), distinct.end());
  distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
  if (distinct.size() > 1 && !multiSelect_) throw std::invalid_argument("ListView: single selection");
  clearSelection();
  for (int r : distinct) rows_[size_t(r)].selected = true;
}

void ListView::clearSelection() {
  for (Row& r : rows_) r.selected = false;
}

void ListView::setChecked(int row, bool on) { at(row).checked = on; }

std::vector<int> ListView::checkedRows() const {
  std::vector<int> out;
  for (int i = 0; i < rowCount(); ++i)
    if (rows_[size_t(i)].checked) out.push_back(i);
  return out;
}

void ListView::sort(int column, bool ascending) {
  if (column < 0 || column >= int(columns_.size())) throw std::out_of_range("ListView::sort column");
  auto cellOf = [column](const Row& r) -> const std::string& {
    static const std::string empty;
    return size_t(column) < r.cells.size() ? r.cells[size_t(column)] : empty;
  };
  auto compare = [&](const Row& a, const Row& b) -> int {
    if (comparator_) return comparator_(a, b, column);
    const std::string &x = cellOf(a), &y = cellOf(b);
    auto nx = parseNumber(x), ny = parseNumber(y);
    if (nx && ny) return *nx < *ny ? -1 : (*ny < *nx ? 1 : 0);
    if (nx != ny) return nx ? -1 : 1;  // numbers before text
    return foldCase(x).compare(foldCase(y));
  };
  // The rows are sorted through their positions and moved once: a row is a
  // handful of strings, lists may hold a million rows.
  std::vector<std::size_t> order(rows_.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    int c = compare(rows_[a], rows_[b]);
    return ascending ? c < 0 : c > 0;
  });
  std::vector<Row> sorted;
  sorted.reserve(rows_.size());
  for (std::size_t i : order) sorted.push_back(std::move(rows_[i]));
  rows_ = std::move(sorted);
  sortColumn_ = column;
  sortAscending_ = ascending;
}

void ListView::reorder(const std::vector<std::size_t>& order, int column, bool ascending) {
  if (order.size() != rows_.size()) throw std::invalid_argument("ListView::reorder: not every row");
  std::vector<char> seen(rows_.size(), 0);
  for (std::size_t i : order) {
    if (i >= rows_.size() || seen[i]) throw std::invalid_argument("ListView::reorder: not a permutation");
    seen[i] = 1;
  }
  std::vector<Row> sorted;
  sorted.reserve(rows_.size());
  for (std::size_t i : order) sorted.push_back(std::move(rows_[i]));
  rows_ = std::move(sorted);
  sortColumn_ = column;
  sortAscending_ = ascending;
}

void ListView::sortByHeader(int column) { sort(column, column == sortColumn_ ? !sortAscending_ : true); }

// ---------------------------------------------------------------- RichText

void RichText::appendLine(std::string_view line) {
  if (!text_.empty() && text_.back() != '\n') text_ += '\n';
  text_ += line;
}

std::vector<std::string> RichText::lines() const {
  std::vector<std::string> out;
  if (text_.empty()) return out;
  size_t start = 0;
  while (start <= text_.size()) {
    size_t nl = text_.find('\n', start);
    std::string line = text_.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out.push_back(std::move(line));
    if (nl == std::string::npos) break;
    start = nl + 1;
    if (start == text_.size()) break;  // a final line end adds no empty line
  }
  return out;
}

// ---------------------------------------------------------------- DataExchange

void DataExchange::fail(int id, const std::string& message) {
  if (failed_) return;  // one message per exchange
  failed_ = true;
  dialog_.setFocus(id);
  zcMessageBox(message, stripAccelerators(dialog_.title()), MB_OK | MB_ICONWARNING);
}

void DataExchange::text(int id, std::string& value) {
  if (failed_) return;
  auto& e = dialog_.get<Edit>(id);
  if (save_) value = e.text();
  else e.setText(value);
}

void DataExchange::number(int id, double& value, int decimals) {
  if (failed_) return;
  auto& e = dialog_.get<Edit>(id);
  if (!save_) return e.setNumber(value, decimals);
  if (std::string why = e.validate(); !why.empty()) return fail(id, why);
  auto v = e.number();
  if (!v) return fail(id, "Entrez un nombre.");
  value = *v;
}

void DataExchange::integer(int id, int& value) {
  if (failed_) return;
  auto& e = dialog_.get<Edit>(id);
  if (!save_) return e.setInteger(value);
  if (std::string why = e.validate(); !why.empty()) return fail(id, why);
  auto v = e.integer();
  if (!v) return fail(id, "Entrez un entier.");
  value = *v;
}

void DataExchange::check(int id, bool& value) {
  if (failed_) return;
  auto& c = dialog_.get<CheckBox>(id);
  if (save_) value = c.checked();
  else c.setChecked(value);
}

void DataExchange::radio(int firstId, int& index) {
  if (failed_) return;
  const int group = dialog_.get<Radio>(firstId).group();
  std::vector<Radio*> radios;
  for (auto& c : dialog_.controls())
    if (auto* r = dynamic_cast<Radio*>(c.get()); r && r->group() == group) radios.push_back(r);
  if (save_) {
    index = -1;
    for (size_t i = 0; i < radios.size(); ++i)
      if (radios[i]->checked()) index = int(i);
  } else {
    for (size_t i = 0; i < radios.size(); ++i) radios[i]->setChecked(int(i) == index);
  }
}

void DataExchange::comboIndex(int id, int& index) {
  if (failed_) return;
  auto& c = dialog_.get<ComboBox>(id);
  if (save_) index = c.selection();
  else c.setSelection(index >= 0 && index < c.count() ? index : -1);
}

void DataExchange::comboText(int id, std::string& value) {
  if (failed_) return;
  auto& c = dialog_.get<ComboBox>(id);
  if (save_) value = c.text();
  else if (c.editable()) c.setText(value);
  else c.setSelection(c.find(value));
}

// ---------------------------------------------------------------- Dialog

void Dialog::adopt(std::unique_ptr<Control> control) {
  if (control->id() != IDC_STATIC && find(control->id()))
    throw std::logic_error("dialog '" + title_ + "': id " + std::to_string(control->id()) + " used twice");
  controls_.push_back(std::move(control));
}

Control* Dialog::find(int id) const {
  if (id == IDC_STATIC) return nullptr;
  for (auto& c : controls_)
    if (c->id() == id) return c.get();
  return nullptr;
}

std::vector<Control*> Dialog::findByCaption(std::string_view caption) const {
  std::vector<Control*> out;
  for (auto& c : controls_)
    if (captionMatches(c->caption(), caption)) out.push_back(c.get());
  return out;
}

int Dialog::doModal() { return runModal(*this, console()); }

void Dialog::endDialog(int result) { result_ = result; }

void Dialog::hideForPick() {
  if (hidden_) return;
  hidden_ = true;
  console().print("-- " + stripAccelerators(title_) + " : masqué pour désigner dans le dessin --\n");
}

void Dialog::showAfterPick() {
  if (!hidden_) return;
  hidden_ = false;
  console().print(renderDialog(*this));
}

bool Dialog::updateData(bool save) {
  DataExchange dx(*this, save);
  doDataExchange(dx);
  return !dx.failed();
}

std::string Dialog::usable(Control* control, int id) const {
  if (ended()) return "Le dialogue est fermé.";
  if (!control) return "Pas de contrôle " + std::to_string(id) + ".";
  const std::string name = "[" + std::to_string(control->id()) + "] « " + stripAccelerators(control->caption()) + " »";
  if (!control->visible()) return name + " est masqué.";
  if (!control->enabled()) return name + " est désactivé (grisé).";
  return {};
}

namespace {
std::string wrongKind(Control* c, const std::string& expected) {
  return "[" + std::to_string(c->id()) + "] « " + stripAccelerators(c->caption()) + " » n'est pas " + expected + ".";
}
}  // namespace

std::string Dialog::userSetText(int id, std::string text) {
  Control* c = find(id);
  if (auto why = usable(c, id); !why.empty()) return why;
  if (auto* e = dynamic_cast<Edit*>(c)) {
    if (e->readOnly()) return wrongKind(c, "modifiable (lecture seule)");
    e->setText(std::move(text));
    focus_ = id;
    if (std::string why = e->validate(); !why.empty()) {
      // The value stays, the focus stays on the edit and OK will refuse it.
      zcMessageBox(why, stripAccelerators(title_), MB_OK | MB_ICONWARNING);
      return {};
    }
    onKillFocus(id);
    return {};
  }
  if (auto* combo = dynamic_cast<ComboBox*>(c)) {
    if (!combo->editable()) {
      int index = combo->find(text);
      if (index < 0) return "« " + text + " » n'est pas un élément de la liste (non modifiable) [" + std::to_string(id) + "].";
      return userPick(id, index);
    }
    combo->setText(std::move(text));
    focus_ = id;
    onSelectionChange(id);
    if (!ended()) onKillFocus(id);
    return {};
  }
  return wrongKind(c, "une zone de texte");
}

std::string Dialog::userCheck(int id, bool on) {
  Control* c = find(id);
  if (auto why = usable(c, id); !why.empty()) return why;
  if (auto* box = dynamic_cast<CheckBox*>(c)) {
    focus_ = id;
    box->setChecked(on);
    onPress(id);
    return {};
  }
  if (auto* radio = dynamic_cast<Radio*>(c)) {
    if (!on) return "On ne décoche pas un bouton radio : cochez-en un autre du groupe.";
    focus_ = id;
    for (auto& other : controls_)
      if (auto* r = dynamic_cast<Radio*>(other.get()); r && r->group() == radio->group()) r->setChecked(r == radio);
    onPress(id);
    return {};
  }
  return wrongKind(c, "une case à cocher ni un bouton radio");
}

std::string Dialog::userCheckRow(int id, int row, bool on) {
  Control* c = find(id);
  if (auto why = usable(c, id); !why.empty()) return why;
  auto* list = dynamic_cast<ListView*>(c);
  if (!list) return wrongKind(c, "une liste");
  if (!list->checkBoxes()) return wrongKind(c, "une liste à cases à cocher");
  if (row < 0 || row >= list->rowCount())
    return "Ligne " + std::to_string(row) + " hors de la liste (0 à " + std::to_string(list->rowCount() - 1) + ").";
  list->setChecked(row, on);
  focus_ = id;
  onSelectionChange(id);
  return {};
}

std::string Dialog::userPick(int id, int index) {
  Control* c = find(id);
  if (auto why = usable(c, id); !why.empty()) return why;
  auto* combo = dynamic_cast<ComboBox*>(c);
  if (!combo) return wrongKind(c, "une liste déroulante");
  if (index < 0 || index >= combo->count())
    return combo->count() == 0 ? "La liste déroulante est vide."
                               : "Élément " + std::to_string(index) + " hors de la liste (0 à " +
                                     std::to_string(combo->count() - 1) + ").";
  focus_ = id;
  combo->setSelection(index);
  onSelectionChange(id);
  return {};
}

std::string Dialog::userSelect(int id, const std::vector<int>& rows) {
  Control* c = find(id);
  if (auto why = usable(c, id); !why.empty()) return why;
  auto* list = dynamic_cast<ListView*>(c);
  if (!list) return wrongKind(c, "une liste");
  for (int r : rows)
    if (r < 0 || r >= list->rowCount())
      return "Ligne " + std::to_string(r) + " hors de la liste (" +
             (list->rowCount() ? "0 à " + std::to_string(list->rowCount() - 1) : std::string("liste vide")) + ").";
  std::vector<int> distinct(rows);
  std::sort(distinct.begin(), distinct.end());
  distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
  if (distinct.size() > 1 && !list->multiSelect()) return "Cette liste n'accepte qu'une ligne sélectionnée.";
  focus_ = id;
  list->setSelection(distinct);
  onSelectionChange(id);
  return {};
}

std::string Dialog::userHeaderClick(int id, int column) {
  Control* c = find(id);
  if (auto why = usable(c, id); !why.empty()) return why;
  auto* list = dynamic_cast<ListView*>(c);
  if (!list) return wrongKind(c, "une liste");
  if (column < 0 || column >= int(list->columns().size()))
    return "Colonne " + std::to_string(column) + " inexistante (0 à " + std::to_string(int(list->columns().size()) - 1) + ").";
  onHeaderClick(id, column);
  return {};
}

std::string Dialog::userDoubleClick(int id, int row) {
  Control* c = find(id);
  if (auto why = usable(c, id); !why.empty()) return why;
  auto* list = dynamic_cast<ListView*>(c);
  if (!list) return wrongKind(c, "une liste");
  if (row < 0 || row >= list->rowCount())
    return "Ligne " + std::to_string(row) + " hors de la liste.";
  // A double click selects the row first, as the mouse does.
  focus_ = id;
  list->setSelection({row});
  onSelectionChange(id);
  if (!ended()) onDoubleClick(id, row);
  return {};
}

std::string Dialog::userPress(int id) {
  Control* c = find(id);
  if (auto why = usable(c, id); !why.empty()) return why;
  if (!c->pressable()) return wrongKind(c, "un bouton");
  if (id == IDOK) return userOk();
  if (id == IDCANCEL) return userCancel();
  focus_ = id;
  onPress(id);
  return {};
}

std::string Dialog::userOk() {
  if (ended()) return "Le dialogue est fermé.";
  if (onOk()) {
    if (!ended()) endDialog(IDOK);
    return {};
  }
  return "OK refusé : corrigez la saisie.";
}

std::string Dialog::userCancel() {
  if (ended()) return "Le dialogue est fermé.";
  onCancel();
  if (!ended()) endDialog(IDCANCEL);
  return {};
}

void Dialog::onHeaderClick(int id, int column) { get<ListView>(id).sortByHeader(column); }

bool Dialog::onOk() {
  for (auto& c : controls_) {
    auto* e = dynamic_cast<Edit*>(c.get());
    if (!e || !e->visible() || !e->enabled()) continue;
    if (std::string why = e->validate(); !why.empty()) {
      focus_ = e->id();
      zcMessageBox(why, stripAccelerators(title_), MB_OK | MB_ICONWARNING);
      return false;
    }
  }
  return updateData(true);
}

}  // namespace host::ui
