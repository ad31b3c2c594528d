// Building windows from layout tables in twips (1440 to the inch, 15 to a
// pixel at 96 logical pixels per inch).
#pragma once

#include <QString>
#include <QWidget>
#include <span>

class QMenuBar;

namespace vantor {

inline constexpr int kTwipsPerPixel = 15;
int twips(int value);  // twips to logical pixels, rounded to nearest

enum class Kind { Button, Label, WrappedLabel, Frame, TextBox, LockedTextBox, Option, Check, HScroll, Slider, HLine };

struct FontSpec {
  const char* family = "MS Sans Serif";
  double points = 8.0;
  bool bold = false;
  bool italic = false;
};

// One control.  text is its caption; a text box's text comes from the
// window's field table instead.  parent names a frame built earlier in the
// same table (empty: the window).  Positions are relative to the parent, in
// twips; tab orders the focus chain (-1: not in it).
struct ControlSpec {
  Kind kind;
  const char* name;
  const char* text;
  const char* parent;
  int left, top, width, height;
  int tab;
  FontSpec font = {};
};

// Builds the controls of the table inside the window, names them, applies
// fonts and orders the focus chain by tab index.  Option buttons that share
// a parent form one exclusive group.
void build_controls(QWidget* window, std::span<const ControlSpec> table);

// The font that stands in for a named one on this system.
QFont font_for(const FontSpec& spec);

// Sets the client size of a top-level window from twips.
void set_client_size(QWidget* window, int width_twips, int height_twips);

// Gives a top-level window a menu bar above its client area: returns the
// client area, named "client_area", the parent of the window's controls,
// with the client size in twips; the window is taller by the bar.
QWidget* client_below_menu_bar(QWidget* window, QMenuBar* bar, int width_twips, int height_twips);

}  // namespace vantor
