// A design window's controls bound to the record of its values, in the
// manner of QDataWidgetMapper.  The window's field table
// (common/control_fields.h) names each control, says what it holds, where
// its value lives in the record and, in a default-constructed record, what
// it holds at design time; the binder finds the controls by object name and
// moves values between them and a record.  When a scroll bar or slider
// moves, or the focus leaves a balance box, the binder reads the controls
// into a record, applies the core's rule (show_position, leave_box) and
// writes back the controls whose value the rule changed, with their signals
// blocked.
//
// The controls are QLineEdit (TextBox, Display), QCheckBox (CheckBox),
// QRadioButton (Option, one group a frame), QScrollBar or QSlider
// (Position).  A scroll bar's value follows a dragged thumb when it is let
// go; a slider shows its ticks below, one a page step.
#pragma once

#include <QObject>
#include <cstddef>
#include <string>
#include <vector>

#include "common/control_fields.h"

class QWidget;

namespace vantor {

// The half of a binder that knows no record: the controls, their values in
// the core's types, and the events the binder answers.
class ControlWidgets : public QObject {
 protected:
  explicit ControlWidgets(QWidget* window) : window_(window) {}

  // The window's control of that name; a table names only controls that
  // exist.
  QWidget* find(const std::string& name) const;
  // The window's control that has (or last had) the focus.
  QWidget* focused() const;

  static std::string text_of(const QWidget* box);
  // Sets the text; a loaded box shows its start.
  static void set_text(QWidget* box, const std::string& text, bool loaded);
  // A check box counts as checked only when fully checked: a greyed box is off.
  static bool is_checked(const QWidget* button);
  static void set_checked(QWidget* button, bool checked);
  static int position_of(const QWidget* bar);
  static void set_position(QWidget* bar, int value);
  static void set_up_position(QWidget* bar, int min, int max, int single_step, int page_step);

  // position_changed(index) runs when the bar's value changes.
  void watch_position(QWidget* bar, std::size_t index);
  // box_left runs when the focus leaves the box for another control of the
  // window: not for a context menu, not for another window.
  void watch_leaving(QWidget* box);

  virtual void position_changed(std::size_t index) = 0;
  virtual void box_left(std::size_t index) = 0;

  bool eventFilter(QObject* watched, QEvent* event) override;

  QWidget* const window_;
  std::vector<QWidget*> controls_;  // the table's controls, in its order
};

template <class Values>
class ControlBinder final : public ControlWidgets {
 public:
  // Binds the window's controls, which must exist, and loads the
  // design-time values.  The table outlives the binder.
  ControlBinder(QWidget* window, const ControlTable<Values>& table);

  // What the controls hold now.
  Values read() const;
  // Sets every control as the record says; displays that no position
  // writes keep their text.
  void load(const Values& values);
  // Validates the balance box that has the focus as leaving it would; for
  // actions that can run with the focus still in the box (a button pressed
  // from the keyboard).
  void commit_focused();

 private:
  void position_changed(std::size_t index) override;
  void box_left(std::size_t index) override;
  template <class Rule>
  void apply(std::size_t trigger, Rule rule);
  void write(std::size_t index, Values& values, bool loaded);
  bool is_balance_box(std::size_t index) const;

  const ControlTable<Values>& table_;
  std::vector<std::ptrdiff_t> partner_;  // the partner's index, or -1
  std::vector<std::ptrdiff_t> shown_by_;  // Display: the position that writes it, or -1
};

template <class Values>
ControlBinder<Values>::ControlBinder(QWidget* window, const ControlTable<Values>& table)
    : ControlWidgets(window), table_(table) {
  auto index_of = [&table](const std::string& name) -> std::ptrdiff_t {
    const ControlField<Values>* f = find_control(table, name);
    return f ? f - table.data() : -1;
  };
  shown_by_.assign(table.size(), -1);
  for (std::size_t i = 0; i < table.size(); ++i) {
    const ControlField<Values>& f = table[i];
    controls_.push_back(find(f.name));
    partner_.push_back(f.partner.empty() ? -1 : index_of(f.partner));
    if (f.kind == ControlKind::Position) {
      set_up_position(controls_[i], f.min, f.max, f.single_step, f.page_step);
      if (partner_[i] >= 0 && table[partner_[i]].kind == ControlKind::Display) shown_by_[partner_[i]] = std::ptrdiff_t(i);
    }
  }
  load(Values{});
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i].kind == ControlKind::Display && shown_by_[i] < 0)
      set_text(controls_[i], table[i].shown, true);
    if (table[i].kind == ControlKind::Position) watch_position(controls_[i], i);
    if (is_balance_box(i)) watch_leaving(controls_[i]);
  }
}

template <class Values>
Values ControlBinder<Values>::read() const {
  Values values{};
  for (std::size_t i = 0; i < table_.size(); ++i) {
    const ControlField<Values>& f = table_[i];
    const QWidget* w = controls_[i];
    switch (f.kind) {
      case ControlKind::TextBox: f.text(values) = text_of(w); break;
      case ControlKind::CheckBox: f.flag(values) = is_checked(w); break;
      case ControlKind::Option:
        if (is_checked(w)) f.select(values);
        break;
      case ControlKind::Position: f.set_position(values, position_of(w)); break;
      case ControlKind::Display: break;
    }
  }
  return values;
}

template <class Values>
void ControlBinder<Values>::load(const Values& values) {
  Values v = values;
  for (std::size_t i = 0; i < table_.size(); ++i) write(i, v, true);
}

template <class Values>
void ControlBinder<Values>::commit_focused() {
  const QWidget* control = focused();
  for (std::size_t i = 0; i < table_.size(); ++i)
    if (controls_[i] == control && is_balance_box(i)) box_left(i);
}

template <class Values>
void ControlBinder<Values>::position_changed(std::size_t index) {
  apply(index, [this, index](Values& v) { show_position(table_, table_[index], v); });
}

template <class Values>
void ControlBinder<Values>::box_left(std::size_t index) {
  apply(table_.size(), [this, index](Values& v) { leave_box(table_, table_[index], v); });
}

// Runs the rule on what the controls hold and writes back each control whose
// value it changed; the partner of a position that changed (or that
// triggered the rule) is written even when its text stays the same.
template <class Values>
template <class Rule>
void ControlBinder<Values>::apply(std::size_t trigger, Rule rule) {
  Values before = read();
  Values after = before;
  rule(after);
  auto moved = [&](std::ptrdiff_t i) {
    return i >= 0 && (std::size_t(i) == trigger || table_[i].position(before) != table_[i].position(after));
  };
  for (std::size_t i = 0; i < table_.size(); ++i) {
    const ControlField<Values>& f = table_[i];
    bool changed = false;
    switch (f.kind) {
      case ControlKind::TextBox:
        changed = f.text(before) != f.text(after) || (is_balance_box(i) && moved(partner_[i]));
        break;
      case ControlKind::CheckBox: changed = f.flag(before) != f.flag(after); break;
      case ControlKind::Option: changed = f.selected(after) && !f.selected(before); break;
      case ControlKind::Position: changed = f.position(before) != f.position(after); break;
      case ControlKind::Display: changed = moved(shown_by_[i]); break;
    }
    if (changed) write(i, after, false);
  }
}

template <class Values>
void ControlBinder<Values>::write(std::size_t index, Values& values, bool loaded) {
  const ControlField<Values>& f = table_[index];
  QWidget* w = controls_[index];
  const QSignalBlocker blocker(w);
  switch (f.kind) {
    case ControlKind::TextBox: set_text(w, f.text(values), loaded); break;
    case ControlKind::CheckBox: set_checked(w, f.flag(values)); break;
    case ControlKind::Option:
      if (f.selected(values)) set_checked(w, true);
      break;
    case ControlKind::Position: set_position(w, f.position(values)); break;
    case ControlKind::Display:
      if (shown_by_[index] >= 0) set_text(w, integer_text(table_[shown_by_[index]].position(values)), loaded);
      break;
  }
}

template <class Values>
bool ControlBinder<Values>::is_balance_box(std::size_t index) const {
  return table_[index].kind == ControlKind::TextBox && partner_[index] >= 0 &&
         table_[partner_[index]].kind == ControlKind::Position;
}

}  // namespace vantor
