// The controls of a design window by name, and where each one's value lives
// in a record of the window's values.  One table per window
// (incremental_fields.h, absolute_fields.h) lists every control that holds
// a value and is the one description of those controls: their kinds, limits
// and steps, and, in a default-constructed record, their design-time
// values.  Entries made by name (the command line's NAME=TEXT and BUTTON)
// go through it, and the window binds its controls through it
// (ui/control_binder.h).
//
// The rules that tie controls together are written here once, for both:
// leaving a balance box validates it (leave_box: validate_balance), which
// moves its scroll bar, and a scroll bar or slider that moves shows its value
// in its partner (show_position).  Entering values follows the window: a
// text box takes any single line of text as typed and a balance box is then
// left; selecting an option button deselects the others of its group.
#pragma once

#include <algorithm>
#include <charconv>
#include <functional>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/numtext.h"

namespace vantor {

enum class ControlKind {
  TextBox,   // free text, held as typed
  CheckBox,  // checked (1) or not (0)
  Option,    // one option button of an exclusive group
  Position,  // a scroll bar or slider: a whole number from min to max
  Display,   // a locked box or an echo that Draw does not read
};

// The most characters a text box holds, counted as the window counts them:
// in UTF-16 code units (text_length).
inline constexpr std::size_t kMaxTextLength = 32767;

// The length of UTF-8 text in UTF-16 code units: one a character, two for a
// character beyond U+FFFF.
inline std::size_t text_length(std::string_view utf8) {
  std::size_t units = 0;
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    units += (byte & 0xC0) != 0x80 ? 1 : 0;
    units += byte >= 0xF0 ? 1 : 0;
  }
  return units;
}

template <class Values>
struct ControlField {
  std::string name{};
  ControlKind kind;
  std::function<std::string&(Values&)> text{};      // TextBox
  std::function<bool&(Values&)> flag{};             // CheckBox
  std::string group{};                              // Option: the name of its group
  std::function<bool(const Values&)> selected{};    // Option
  std::function<void(Values&)> select{};            // Option
  int min = 0, max = 0;                           // Position
  int single_step = 0, page_step = 0;               // Position: an arrow's step and a page's
  std::function<int(const Values&)> position{};     // Position
  std::function<void(Values&, int)> set_position{}; // Position
  // A balance box (TextBox) names its scroll bar; a scroll bar or slider
  // (Position) names the box that shows its value: a balance box, or a
  // Display, which the record does not hold.
  std::string partner{};
  std::string shown{};  // Display that no position writes: its design-time text
  std::string note{};   // Display: why it is no input
  // The design file version that first keeps the control: a file of an
  // older version leaves it at its design-time value.
  int since_version = 1;
};

template <class Values>
using ControlTable = std::vector<ControlField<Values>>;

// One entry: NAME=TEXT, or a bare NAME (an option button) without text.
struct ControlEntry {
  std::string name;
  std::optional<std::string> text;
};

template <class Values>
const ControlField<Values>* find_control(const ControlTable<Values>& table, std::string_view name) {
  const auto it = std::find_if(table.begin(), table.end(), [name](const auto& f) { return f.name == name; });
  return it == table.end() ? nullptr : &*it;
}

// A scroll bar or slider whose value has changed shows it in its partner:
// a balance box takes the whole number as its text.  A Display partner is
// not in the record; the window shows the same text in it.
template <class Values>
void show_position(const ControlTable<Values>& table, const ControlField<Values>& bar, Values& values) {
  const ControlField<Values>* box = find_control(table, bar.partner);
  if (box && box->kind == ControlKind::TextBox) box->text(values) = integer_text(bar.position(values));
}

namespace control_detail {

inline std::optional<int> whole_number(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int value = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

inline std::string in_quotes(std::string_view text) { return "\"" + std::string(text) + "\""; }

// Moves a scroll bar or slider; when its value changes, it shows it.
template <class Values>
void move_to(const ControlTable<Values>& table, const ControlField<Values>& bar, Values& values, int value) {
  if (bar.position(values) == value) return;
  bar.set_position(values, value);
  show_position(table, bar, values);
}

}  // namespace control_detail

// The focus leaves a balance box (a TextBox whose partner is its scroll
// bar): a number sets the box's text (validate_balance) and moves the bar;
// a text that is no number stays as typed, for Draw to refuse.  Any other
// box is left as it is.
template <class Values>
void leave_box(const ControlTable<Values>& table, const ControlField<Values>& box, Values& values) {
  const ControlField<Values>* bar = find_control(table, box.partner);
  if (!bar || bar->kind != ControlKind::Position) return;
  std::string& text = box.text(values);
  if (const std::optional<BalanceValidation> v = validate_balance(text)) {
    text = v->text;
    control_detail::move_to(table, *bar, values, v->value);
  }
}

// Makes the entries one after the other, as a user would on the window.
// Returns a one-line reason, and leaves values partly entered, when an
// entry names no control, names a display, gives a value the control
// cannot hold, names a control a second time or selects a second button of
// a group.
template <class Values>
std::optional<std::string> enter_controls(const ControlTable<Values>& table, Values& values,
                                          std::span<const ControlEntry> entries) {
  using control_detail::in_quotes;
  std::set<std::string> named;
  std::set<std::string> groups;
  for (const ControlEntry& entry : entries) {
    const ControlField<Values>* f = find_control(table, entry.name);
    if (!f) return "no control is named " + in_quotes(entry.name);
    if (!named.insert(f->name).second) return f->name + " is named twice";
    if (f->kind == ControlKind::Option) {
      if (entry.text) return f->name + " is an option button: name it alone, without =";
      if (!groups.insert(f->group).second)
        return f->name + " is a second button of the group " + in_quotes(f->group) + "; select one";
      f->select(values);
      continue;
    }
    if (!entry.text) {
      switch (f->kind) {
        case ControlKind::CheckBox: return f->name + " is a check box: give " + f->name + "=0 or " + f->name + "=1";
        case ControlKind::Position: return f->name + " needs a value: " + f->name + "=N";
        case ControlKind::TextBox: return f->name + " is a text box: give " + f->name + "=TEXT";
        default: break;
      }
    }
    const std::string& text = entry.text ? *entry.text : std::string();
    switch (f->kind) {
      case ControlKind::Display:
        return f->name + " is not an input: " + f->note;
      case ControlKind::TextBox: {
        if (text_length(text) > kMaxTextLength)
          return f->name + " holds at most " + std::to_string(kMaxTextLength) + " characters";
        if (std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }))
          return f->name + " holds one line of text, without control characters";
        f->text(values) = text;
        leave_box(table, *f, values);
        break;
      }
      case ControlKind::CheckBox:
        if (text != "0" && text != "1") return f->name + " is a check box: 0 or 1, not " + in_quotes(text);
        f->flag(values) = text == "1";
        break;
      case ControlKind::Position: {
        const std::optional<int> v = control_detail::whole_number(text);
        if (!v || *v < f->min || *v > f->max)
          return f->name + " holds a whole number from " + integer_text(f->min) + " to " + integer_text(f->max) +
                 ", not " + in_quotes(text);
        control_detail::move_to(table, *f, values, *v);
        break;
      }
      case ControlKind::Option:
        break;
    }
  }
  return std::nullopt;
}

}  // namespace vantor
