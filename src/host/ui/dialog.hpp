// Dialog model of the host: a dialog owns its controls (each with an integer
// id, a caption, visible/enabled flags) and reacts to user actions through
// virtual handlers a concrete dialog overrides, the way dialogs of a desktop
// framework are written (OnInitDialog, button handlers, data exchange of
// edits). The user actions (userSetText, userPress, ...) apply a change the
// way a user would and fire the handlers; the headless runner (runner.hpp)
// maps console lines onto them, tests call them directly.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host/ui/messagebox.hpp"

namespace host::ui {

// Id of labels nobody refers to; several controls may share it.
constexpr int IDC_STATIC = -1;

// Caption helpers. Captions carry '&' before the shortcut letter; "&&" is a
// literal '&'.
std::string stripAccelerators(std::string_view caption);
// Caption comparison used to find a control: case-insensitive (ASCII and
// accented Latin-1 letters), equal when `written` matches the caption with or
// without its '&' marks.
bool captionMatches(std::string_view caption, std::string_view written);

enum class ControlKind { Static, Edit, CheckBox, Radio, ComboBox, ListView, Button, PictureButton, RichText, MenuItem };
const char* kindName(ControlKind kind);

class Control {
 public:
  Control(ControlKind kind, int id, std::string caption) : kind_(kind), id_(id), caption_(std::move(caption)) {}
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  ControlKind kind() const { return kind_; }
  int id() const { return id_; }
  const std::string& caption() const { return caption_; }
  void setCaption(std::string caption) { caption_ = std::move(caption); }
  bool visible() const { return visible_; }
  void show(bool on = true) { visible_ = on; }
  bool enabled() const { return enabled_; }
  void enable(bool on = true) { enabled_ = on; }
  // Buttons, picture buttons and menu items: a press fires onPress.
  bool pressable() const {
    return kind_ == ControlKind::Button || kind_ == ControlKind::PictureButton || kind_ == ControlKind::MenuItem;
  }

 private:
  ControlKind kind_;
  int id_;
  std::string caption_;
  bool visible_ = true;
  bool enabled_ = true;
};

class Static : public Control {
 public:
  Static(int id, std::string text) : Control(ControlKind::Static, id, std::move(text)) {}
  const std::string& text() const { return caption(); }
  void setText(std::string text) { setCaption(std::move(text)); }
};

class Button : public Control {
 public:
  Button(int id, std::string caption) : Control(ControlKind::Button, id, std::move(caption)) {}

 protected:
  Button(ControlKind kind, int id, std::string caption) : Control(kind, id, std::move(caption)) {}
};

// A button showing a picture; headless it is known by the caption given here
// (e.g. "Fichier...").
class PictureButton : public Button {
 public:
  PictureButton(int id, std::string caption) : Button(ControlKind::PictureButton, id, std::move(caption)) {}
};

// A menu item of the dialog's menu bar; it acts like a button.
class MenuItem : public Button {
 public:
  MenuItem(int id, std::string menu, std::string caption)
      : Button(ControlKind::MenuItem, id, std::move(caption)), menu_(std::move(menu)) {}
  const std::string& menu() const { return menu_; }

 private:
  std::string menu_;
};

// A text box. Its caption is the label the dialog gives it (the static text
// next to it). An optional numeric range makes the text valid only when it is
// a number (or an integer) within [min, max].
class Edit : public Control {
 public:
  Edit(int id, std::string caption, std::string text = {})
      : Control(ControlKind::Edit, id, std::move(caption)), text_(std::move(text)) {}
  const std::string& text() const { return text_; }
  void setText(std::string text) { text_ = std::move(text); }
  bool readOnly() const { return readOnly_; }
  void setReadOnly(bool on = true) { readOnly_ = on; }

  void setRange(double min, double max);  // any number within [min, max]
  void setIntRange(int min, int max);     // an integer within [min, max]
  void clearRange() { range_.reset(); }
  bool hasRange() const { return range_.has_value(); }

  // Number in the text (surrounding blanks allowed, ',' accepted as the
  // decimal mark); nullopt when the text is not one number.
  std::optional<double> number() const;
  std::optional<int> integer() const;
  void setNumber(double value, int decimals = 3);
  void setInteger(int value) { text_ = std::to_string(value); }
  // Empty when the text fits the range (or there is none); otherwise the
  // message shown to the user.
  std::string validate() const;

 private:
  struct Range {
    bool integer;
    double min, max;
  };
  std::string text_;
  bool readOnly_ = false;
  std::optional<Range> range_;
};

class CheckBox : public Control {
 public:
  CheckBox(int id, std::string caption, bool checked = false)
      : Control(ControlKind::CheckBox, id, std::move(caption)), checked_(checked) {}
  bool checked() const { return checked_; }
  void setChecked(bool on) { checked_ = on; }

 private:
  bool checked_;
};

// A radio button; checking one through the dialog unchecks the others of the
// same group.
class Radio : public Control {
 public:
  Radio(int id, std::string caption, int group, bool checked = false)
      : Control(ControlKind::Radio, id, std::move(caption)), group_(group), checked_(checked) {}
  int group() const { return group_; }
  bool checked() const { return checked_; }
  void setChecked(bool on) { checked_ = on; }

 private:
  int group_;
  bool checked_;
};

class ComboBox : public Control {
 public:
  struct Item {
    std::string text;
    std::int64_t data = 0;
  };
  ComboBox(int id, std::string caption, bool editable = false)
      : Control(ControlKind::ComboBox, id, std::move(caption)), editable_(editable) {}

  bool editable() const { return editable_; }
  int addItem(std::string text, std::int64_t data = 0);
  void clear();
  int count() const { return int(items_.size()); }
  const Item& item(int index) const;  // throws std::out_of_range
  const std::vector<Item>& items() const { return items_; }
  int find(std::string_view text) const;  // exact then case-insensitive; -1
  int findData(std::int64_t data) const;  // -1 when absent

  int selection() const { return selection_; }
  // -1 clears; otherwise the text follows the item. Throws std::out_of_range.
  void setSelection(int index);
  std::optional<std::int64_t> selectedData() const;
  // The text shown: the selected item, or what was typed in an editable combo.
  const std::string& text() const { return text_; }
  // Typing: the selection becomes the item with that text, or none.
  void setText(std::string text);

 private:
  bool editable_;
  std::vector<Item> items_;
  int selection_ = -1;
  std::string text_;
};

enum class Align { Left, Right, Center };

// A report-style list: columns with a header, a width share and an alignment;
// rows with one cell per column, item data, a selection flag and a check box.
// Row indexes are display indexes: they follow the current sort.
class ListView : public Control {
 public:
  struct Column {
    std::string header;
    int width = 1;  // share of the list's width
    Align align = Align::Left;
  };
  struct Row {
    std::vector<std::string> cells;
    std::int64_t data = 0;
    bool selected = false;
    bool checked = false;
  };
  // <0, 0, >0 as a before, equal or after b when sorting on `column` upwards.
  using Comparator = std::function<int(const Row& a, const Row& b, int column)>;

  ListView(int id, std::string caption) : Control(ControlKind::ListView, id, std::move(caption)) {}

  int addColumn(std::string header, int width = 1, Align align = Align::Left);
  const std::vector<Column>& columns() const { return columns_; }
  bool multiSelect() const { return multiSelect_; }
  void setMultiSelect(bool on) { multiSelect_ = on; }
  bool checkBoxes() const { return checkBoxes_; }
  void setCheckBoxes(bool on) { checkBoxes_ = on; }

  // Cells beyond the columns are dropped, missing ones are empty. Returns the
  // display index of the new row (appended; sorting again is up to the caller).
  int addRow(std::vector<std::string> cells, std::int64_t data = 0);
  void removeRow(int row);
  void clear();
  int rowCount() const { return int(rows_.size()); }
  const Row& row(int row) const;  // all row accessors throw std::out_of_range
  const std::vector<Row>& rows() const { return rows_; }
  const std::string& cell(int row, int column) const;
  void setCell(int row, int column, std::string text);
  int findData(std::int64_t data) const;  // -1 when absent

  // Selection in display order.
  std::vector<int> selectedRows() const;
  std::vector<std::int64_t> selectedData() const;
  int firstSelected() const;  // -1 when none
  void select(int row, bool on = true);
  // Replaces the selection; several rows in a single-selection list throw
  // std::invalid_argument.
  void setSelection(const std::vector<int>& rows);
  void clearSelection();

  bool checked(int row) const { return this->row(row).checked; }
  void setChecked(int row, bool on);
  std::vector<int> checkedRows() const;

  // Default order: numbers by value when both cells are numbers, otherwise
  // case-insensitive text.
  void setComparator(Comparator cmp) { comparator_ = std::move(cmp); }
  // Stable sort on a column; rows keep their data, selection and checks.
  void sort(int column, bool ascending = true);
  // Puts the rows in an order the caller computed (`order[k]` = the current
  // display index of the row that goes to position k) and records it as a
  // sort on `column`. An order that is not a permutation of the rows throws
  // std::invalid_argument.
  void reorder(const std::vector<std::size_t>& order, int column, bool ascending);
  // What a header click does by default: sort on that column, upwards, or
  // the other way when it is already the sort column.
  void sortByHeader(int column);
  int sortColumn() const { return sortColumn_; }  // -1 when unsorted
  bool sortAscending() const { return sortAscending_; }

 private:
  Row& at(int row);
  std::vector<Column> columns_;
  std::vector<Row> rows_;
  bool multiSelect_ = false;
  bool checkBoxes_ = false;
  Comparator comparator_;
  int sortColumn_ = -1;
  bool sortAscending_ = true;
};

// A multi-line read-only text (a report, a log).
class RichText : public Control {
 public:
  RichText(int id, std::string caption) : Control(ControlKind::RichText, id, std::move(caption)) {}
  const std::string& text() const { return text_; }
  void setText(std::string text) { text_ = std::move(text); }
  void appendLine(std::string_view line);
  std::vector<std::string> lines() const;

 private:
  std::string text_;
};

// A progress bar inside a dialog: a range and a position kept within it.
// Headless it is listed like a label (its caption); tests read the values.
class ProgressBar : public Control {
 public:
  ProgressBar(int id, std::string caption) : Control(ControlKind::Static, id, std::move(caption)) {}
  // hi < lo is taken as [hi, lo]; the position is brought back into range.
  void setRange(int lo, int hi) {
    lo_ = lo < hi ? lo : hi;
    hi_ = lo < hi ? hi : lo;
    setPos(pos_);
  }
  void setPos(int pos) { pos_ = pos < lo_ ? lo_ : pos > hi_ ? hi_ : pos; }
  int lower() const { return lo_; }
  int upper() const { return hi_; }
  int pos() const { return pos_; }

 private:
  int lo_ = 0, hi_ = 100, pos_ = 0;
};

class Dialog;

// Data exchange between controls and the dialog's members, as in
// doDataExchange: with save=false values go to the controls, with save=true
// they come back, checked against the edits' ranges. A failing value shows a
// message box, puts the focus on the control and makes updateData fail.
class DataExchange {
 public:
  DataExchange(Dialog& dialog, bool save) : dialog_(dialog), save_(save) {}
  bool saving() const { return save_; }
  bool failed() const { return failed_; }

  void text(int id, std::string& value);
  void number(int id, double& value, int decimals = 3);
  void integer(int id, int& value);
  void check(int id, bool& value);
  // Index of the checked radio within the group of `firstId` (in the order
  // the radios were added), -1 when none.
  void radio(int firstId, int& index);
  void comboIndex(int id, int& index);
  void comboText(int id, std::string& value);

 private:
  void fail(int id, const std::string& message);
  Dialog& dialog_;
  bool save_;
  bool failed_ = false;
};

class Dialog {
 public:
  explicit Dialog(std::string title) : title_(std::move(title)) {}
  virtual ~Dialog() = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  const std::string& title() const { return title_; }
  void setTitle(std::string title) { title_ = std::move(title); }

  // Adds a control (display order = order of addition); returns it. An id
  // used twice (other than IDC_STATIC) throws std::logic_error.
  template <class T, class... Args>
  T& add(Args&&... args) {
    auto control = std::make_unique<T>(std::forward<Args>(args)...);
    T& ref = *control;
    adopt(std::move(control));
    return ref;
  }
  const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }
  Control* find(int id) const;                     // nullptr when absent
  std::vector<Control*> findByCaption(std::string_view caption) const;
  // The control of that type with that id; throws std::logic_error otherwise
  // (a fault of the dialog's code, not of the user).
  template <class T>
  T& get(int id) const {
    auto* control = dynamic_cast<T*>(find(id));
    if (!control) throw std::logic_error("dialog '" + title_ + "': no control " + std::to_string(id) + " of that kind");
    return *control;
  }

  // Runs the dialog on host::console() (see runner.hpp); returns IDOK or
  // IDCANCEL, or the value given to endDialog.
  int doModal();
  void endDialog(int result);
  bool ended() const { return result_.has_value(); }
  int result() const { return result_.value_or(0); }
  // Makes the dialog runnable again (doModal clears it itself).
  void reset() {
    result_.reset();
    hidden_ = false;
  }

  // A handler that lets the user pick in the drawing calls hideForPick()
  // first; the prompts it then reads take their answers from the same
  // console stream, and once the handler returns the runner shows the dialog
  // again (showAfterPick() does it earlier).
  void hideForPick();
  void showAfterPick();
  bool hidden() const { return hidden_; }

  int focus() const { return focus_; }  // id of the focused control, 0 = none
  void setFocus(int id) { focus_ = id; }

  // Controls <-> members through doDataExchange; false when a saved value
  // failed its check.
  bool updateData(bool save = true);

  // --- User actions: apply a change as the user would and fire the handlers.
  // They return an empty string when done, otherwise why it was refused
  // (French, for the user). Rows are display indexes.
  std::string userSetText(int id, std::string text);  // edit or editable combo, then kill focus
  std::string userCheck(int id, bool on);             // check box or radio
  std::string userCheckRow(int id, int row, bool on); // row check box of a list
  std::string userPick(int id, int index);            // combo item
  std::string userSelect(int id, const std::vector<int>& rows);
  std::string userHeaderClick(int id, int column);
  std::string userDoubleClick(int id, int row);
  std::string userPress(int id);  // IDOK / IDCANCEL buttons act as ok / cancel
  std::string userOk();
  std::string userCancel();

  // Called by the runner when the dialog opens.
  void init() { onInit(); }
  // Called once when a modal run ends, whatever the result.
  void close() { onClose(); }

 protected:
  // --- Handlers a concrete dialog overrides.
  virtual void onInit() {}
  // A click: buttons, picture buttons, menu items, check boxes and radios.
  virtual void onPress(int id) {}
  // An edit (or editable combo) left after typing a valid value.
  virtual void onKillFocus(int id) {}
  // Combo pick or typing, list selection, list row check.
  virtual void onSelectionChange(int id) {}
  // Default: sort the list on the clicked column (toggling the direction).
  virtual void onHeaderClick(int id, int column);
  virtual void onDoubleClick(int id, int row) {}
  // Default: every visible, enabled edit with a range must be valid, then
  // updateData(true). Return false to refuse (after telling the user why).
  virtual bool onOk();
  virtual void onCancel() {}
  virtual void onClose() {}
  virtual void doDataExchange(DataExchange& dx) {}

  friend class DataExchange;

 private:
  void adopt(std::unique_ptr<Control> control);
  std::string usable(Control* control, int id) const;
  std::string title_;
  std::vector<std::unique_ptr<Control>> controls_;
  std::optional<int> result_;
  bool hidden_ = false;
  int focus_ = 0;
};

}  // namespace host::ui
