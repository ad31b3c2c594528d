#include "designers/abs_form.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <variant>

#include "absolute/absolute_renderer.h"
#include "designers/design_files.h"
#include "output/export_dialog.h"
#include "output/image_output.h"
#include "output/image_window.h"
#include "ui/layout.h"
#include "ui/window_host.h"

namespace vantor {

namespace {

const QString kTitle = QStringLiteral("Absolute Encoder");

const ControlSpec kAbsForm[] = {
    {Kind::Frame, "Frame1", "Vantor Data", "", 360, 240, 4815, 5415, 0},
    {Kind::Label, "Label1", "Encoder Diameter", "Frame1", 240, 480, 1335, 255, 9},
    {Kind::TextBox, "ED", "", "Frame1", 1680, 480, 495, 285, 1},
    {Kind::Label, "Label2", "Drive Shaft Diam.", "Frame1", 2280, 480, 1335, 255, 10},
    {Kind::TextBox, "DD", "", "Frame1", 3600, 480, 855, 285, 2},
    {Kind::Label, "Label3", "Res.", "Frame1", 360, 1080, 495, 255, 11},
    {Kind::TextBox, "Res_exp", "", "Frame1", 840, 1080, 615, 285, 3},
    {Kind::Label, "Label6", "Scale", "Frame1", 1800, 1080, 855, 255, 12},
    {Kind::TextBox, "S1", "", "Frame1", 2280, 1080, 375, 285, 4},
    {Kind::Label, "Label5", ":", "Frame1", 2640, 960, 135, 375, 13, {"MS Sans Serif", 13.5, true}},
    {Kind::TextBox, "S2", "", "Frame1", 2760, 1080, 375, 285, 5},
    {Kind::Frame, "Frame8", "Units", "Frame1", 3360, 960, 1095, 855, 6},
    {Kind::Option, "Unit_in", "in", "Frame8", 120, 240, 495, 255, 7},
    {Kind::Option, "Unit_mm", "mm", "Frame8", 120, 480, 615, 255, 8},
    {Kind::Frame, "Frame2", "Absolute Type", "Frame1", 360, 1680, 2775, 900, 14},
    {Kind::Option, "Bin_type", "Binary", "Frame2", 120, 240, 975, 255, 15},
    {Kind::Option, "grey_type", "Grey", "Frame2", 1440, 240, 1095, 375, 16},
    {Kind::Option, "gray_full_type", "Gray, full turn", "Frame2", 120, 570, 1815, 255, 16},
    {Kind::Frame, "Frame5", "Channel  Diminsions", "Frame1", 360, 2640, 3735, 2655, 17},
    {Kind::Label, "Label4", "Slot Length", "Frame5", 120, 360, 975, 255, 22},
    {Kind::TextBox, "SL_in", "", "Frame5", 1200, 360, 855, 285, 18},
    {Kind::Label, "Label7", "Edge Distance:", "Frame5", 120, 840, 1695, 255, 23},
    {Kind::Option, "CH1_ED_Def", "Default - Slot Length", "Frame5", 240, 1080, 1815, 255, 19},
    {Kind::Option, "CH1_ED_U", "User", "Frame5", 240, 1440, 855, 195, 20},
    {Kind::TextBox, "CH1_ED", "", "Frame5", 1080, 1440, 855, 285, 21},
    {Kind::Option, "CH1_ED_Auto", "Auto", "Frame5", 240, 1800, 735, 255, 30},
    // In the free space right of "Absolute Type", under "Units"; last in
    // the tab order.
    {Kind::Button, "ExportButton", "Export…", "Frame1", 3360, 1920, 1095, 375, 34},
    {Kind::Button, "Command1", "Draw", "", 360, 6000, 735, 375, 24},
    {Kind::Button, "Command4", "Print", "", 1560, 6000, 735, 375, 27},
    {Kind::Button, "Command3", "Save", "", 2880, 6000, 735, 375, 26},
    {Kind::Button, "Command2", "Exit", "", 4080, 6000, 735, 375, 25},
    {Kind::Label, "Label8", "Balance", "", 360, 6720, 735, 255, 33},
    {Kind::HScroll, "abs_bal", "", "", 1200, 6720, 2775, 255, 31},
    {Kind::TextBox, "abs_bal_txt", "", "", 4080, 6720, 735, 375, 32},
    // Below the client area as the window opens; no action is attached.
    {Kind::Button, "Command11", "Draw Inverse", "", 360, 9360, 1335, 375, 28},
    {Kind::Button, "Command12", "Touch-up Off", "", 2160, 9360, 1215, 375, 29},
};

}  // namespace

AbsForm::AbsForm(WindowHost& windows, QWidget* parent) : QWidget(parent), windows_(windows) {
  setObjectName(QStringLiteral("Abs_form"));
  setWindowTitle(kTitle);
  QMenuBar* menu = design_menu_bar(
      this, [this] { open_design_with_dialog(this, windows_, design_state_); }, [this] { save_design(); });
  build_controls(client_below_menu_bar(this, menu, 5430, 7395), kAbsForm);
  save_state_.folder = QDir::homePath();
  save_state_.file_name = QStringLiteral("ABS_encoder1");
  export_state_.folder = QDir::homePath();
  export_state_.base_name = QStringLiteral("ABS_encoder1");
  export_state_.offers_code_table = true;
  design_state_ = design_dialog_state(QStringLiteral("ABS_encoder1"));

  controls_ = std::make_unique<ControlBinder<AbsoluteEntries>>(this, absolute_fields());
  // A scroll bar takes the focus here, in its place in the tab order.
  auto* abs_bal = findChild<QScrollBar*>(QStringLiteral("abs_bal"));
  abs_bal->setFocusPolicy(Qt::TabFocus);
  QWidget::setTabOrder(findChild<QRadioButton*>(QStringLiteral("CH1_ED_Auto")), abs_bal);

  auto on_click = [this](const char* name, void (AbsForm::*handler)()) {
    connect(findChild<QPushButton*>(QString::fromUtf8(name)), &QPushButton::clicked, this, handler);
  };
  on_click("Command1", &AbsForm::draw);
  on_click("Command2", &AbsForm::exit);
  on_click("Command3", &AbsForm::save);
  on_click("Command4", &AbsForm::print);
  on_click("ExportButton", &AbsForm::export_design);
}

void AbsForm::draw() {
  const auto built = build_absolute_design(entries());
  if (const Message* refused = std::get_if<Message>(&built)) {
    windows_.dialogs().message(this, app_title(), qtext(message_text(*refused)), MessageButtons::Ok);
    return;
  }
  ImageWindow* image = windows_.image_window(WindowId::AbsEncoderDraw);
  windows_.show(WindowId::AbsEncoderDraw);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const DrawOutcome outcome = render_absolute(std::get<AbsoluteDesign>(built), image->surface());
  QApplication::restoreOverrideCursor();
  image->refresh();
  if (outcome.message != Message::None)
    windows_.dialogs().message(this, app_title(), qtext(message_text(outcome.message)), MessageButtons::Ok);
}

void AbsForm::save() {
  save_with_dialog(this, windows_.dialogs(), save_state_,
                   windows_.image_window(WindowId::AbsEncoderDraw)->surface());
}

void AbsForm::export_design() {
  DiscRequest base;
  base.kind = DiscKind::Absolute;
  base.absolute = entries();
  export_with_dialog(this, windows_.dialogs(), export_state_, base);
}

void AbsForm::print() {
  print_with_dialog(this, windows_.dialogs(), print_state_, windows_.image_window(WindowId::AbsEncoderDraw)->surface());
}

void AbsForm::save_design() {
  DiscRequest design;
  design.kind = DiscKind::Absolute;
  design.absolute = entries();
  if (const std::optional<QString> path = save_design_with_dialog(this, windows_.dialogs(), design_state_, design))
    name_design(this, kTitle, design_state_, *path);
}

void AbsForm::show_design(const AbsoluteEntries& entries, const QString& path) {
  controls_->load(entries);
  name_design(this, kTitle, design_state_, path);
}

void AbsForm::exit() {
  windows_.unload(WindowId::AbsForm);
  windows_.unload(WindowId::AbsEncoderDraw);
}

}  // namespace vantor
