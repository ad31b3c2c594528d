#include "designers/inc_form.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <array>
#include <iterator>
#include <vector>

#include "designers/design_files.h"
#include "output/export_dialog.h"
#include "output/image_output.h"
#include "output/image_window.h"
#include "ui/layout.h"
#include "ui/window_host.h"

namespace vantor {

namespace {

const QString kTitle = QStringLiteral("Incremental Encoder");

// The data frame, down to the channel frames (twips, relative to the
// containing frame).
const ControlSpec kDataFrame[] = {
    {Kind::Frame, "Frame1", "Vantor Data ", "", 120, 0, 4335, 7455, 14},
    {Kind::Label, "Label1", "Encoder Diameter", "Frame1", 120, 360, 1335, 255, 64},
    {Kind::TextBox, "ED", "", "Frame1", 1440, 360, 495, 285, 58},
    {Kind::Label, "Label2", "Drive Shaft Diam.", "Frame1", 2040, 360, 1335, 255, 63},
    {Kind::TextBox, "DD", "", "Frame1", 3360, 360, 855, 285, 57},
    {Kind::Label, "Label3", "Res.", "Frame1", 120, 840, 495, 255, 62},
    {Kind::TextBox, "RES", "", "Frame1", 600, 840, 615, 285, 56},
    {Kind::Label, "Label6", "Scale", "Frame1", 1440, 840, 855, 255, 60},
    {Kind::TextBox, "S1", "", "Frame1", 1920, 840, 375, 285, 50},
    {Kind::Label, "Label5", ":", "Frame1", 2280, 720, 135, 375, 61, {"MS Sans Serif", 13.5, true}},
    {Kind::TextBox, "S2", "", "Frame1", 2400, 840, 375, 285, 49},
    {Kind::Frame, "Frame8", "Units", "Frame1", 3000, 720, 1095, 855, 15},
    {Kind::Option, "Unit_in", "in", "Frame8", 120, 240, 495, 255, 17},
    {Kind::Option, "Unit_mm", "mm", "Frame8", 120, 480, 615, 255, 16},
    {Kind::Label, "Label12", "Channel Specific Data", "Frame1", 120, 1320, 2775, 375, 59,
     {"MS Sans Serif", 12, false, true}},
};

// One control of a channel: its kind and parent, and its name, caption,
// place, size and tab index in channels 1, 2 and 3.
enum class Parent { DataFrame, TypeFrame, DimensionFrame, Window };
struct Placement {
  const char* name;
  const char* text;
  int left, top, width, height, tab;
};
struct ChannelControl {
  Kind kind;
  Parent parent;
  std::array<Placement, 3> channel;
};

// Each channel's type frame with its four controls, then its dimension
// frame with its six; the frames come first, as their controls need them.
enum ChannelRow {
  kTypeFrame, kTypeA, kTypeB, kTypeIndex, kOn,
  kDimensionFrame, kSlotLabel, kSlotLength, kEdgeLabel, kEdgeDefault, kEdgeUser, kEdgeDistance,
  kChannelRows
};
const ChannelControl kChannelFrames[kChannelRows] = {
    {Kind::Frame, Parent::DataFrame,
     {{{"Frame2", "Channel 1 Type", 120, 1680, 1575, 1815, 44},
       {"Frame3", "Channel 2 Type", 120, 3600, 1575, 1815, 51},
       {"Frame4", "Channel 3 Type", 120, 5520, 1575, 1815, 39}}}},
    {Kind::Option, Parent::TypeFrame,
     {{{"CH1_A", "Channel A", 120, 240, 1335, 255, 45},
       {"CH2_A", "Channel A", 120, 240, 1095, 255, 55},
       {"CH3_A", "Channel A", 120, 240, 1215, 255, 40}}}},
    {Kind::Option, Parent::TypeFrame,
     {{{"CH1_B", "Channel B", 120, 600, 1215, 255, 46},
       {"CH2_B", "Channel B", 120, 600, 1095, 195, 54},
       {"CH3_B", "Channel B", 120, 600, 1095, 255, 41}}}},
    {Kind::Option, Parent::TypeFrame,
     {{{"CH1_I", "Index", 120, 960, 1335, 195, 47},
       {"CH2_I", "Index", 120, 960, 1215, 255, 53},
       {"CH3_I", "Index", 120, 960, 1095, 255, 42}}}},
    {Kind::Check, Parent::TypeFrame,
     {{{"CH1_on", "Channel 1 On", 120, 1320, 1335, 375, 48},
       {"CH2_on", "Channel 2 On", 120, 1320, 1335, 255, 52},
       {"CH3_on", "Channel 3 On", 120, 1320, 1335, 255, 43}}}},
    {Kind::Frame, Parent::DataFrame,
     {{{"Frame5", "Channel 1 Diminsions", 1920, 1680, 2175, 1815, 32},
       {"Frame6", "Channel 2 Diminsions", 1920, 3600, 2175, 1815, 25},
       {"Frame7", "Channel 3 Diminsions", 1920, 5520, 2175, 1815, 18}}}},
    {Kind::Label, Parent::DimensionFrame,
     {{{"Label4", "Slot Length", 120, 360, 975, 255, 38},
       {"Label8", "Slot Length", 120, 360, 855, 255, 31},
       {"Label10", "Slot Length", 120, 360, 1095, 255, 24}}}},
    {Kind::TextBox, Parent::DimensionFrame,
     {{{"CH1_SL", "", 1200, 360, 855, 285, 36},
       {"CH2_SL", "", 1080, 360, 855, 285, 29},
       {"CH3_SL", "", 1080, 360, 855, 285, 22}}}},
    {Kind::Label, Parent::DimensionFrame,
     {{{"Label7", "Edge Distance:", 120, 840, 1695, 255, 37},
       {"Label9", "Edge Distance:", 120, 840, 1335, 255, 30},
       {"Label11", "Edge Distance", 120, 840, 1215, 255, 23}}}},
    {Kind::Option, Parent::DimensionFrame,
     {{{"CH1_ED_Def", "Default - Slot Length", 240, 1080, 1815, 255, 35},
       {"CH2_ED_Def", "Default - Slot Length", 240, 1080, 1815, 255, 26},
       {"CH3_ED_Def", "Default - Slot Length", 240, 1080, 1815, 255, 20}}}},
    {Kind::Option, Parent::DimensionFrame,
     {{{"CH1_ED_U", "User", 240, 1440, 855, 195, 34},
       {"CH2_ED_U", "User", 240, 1440, 735, 255, 27},
       {"CH3_ED_U", "User", 240, 1440, 855, 255, 19}}}},
    {Kind::TextBox, Parent::DimensionFrame,
     {{{"CH1_ED", "", 1080, 1440, 855, 285, 33},
       {"CH2_ED", "", 1080, 1440, 855, 285, 28},
       {"CH3_ED", "", 1080, 1440, 855, 285, 21}}}},
};

// The balance rows, one a channel, below the data frame.
const ChannelControl kBalanceRows[] = {
    {Kind::Label, Parent::Window,
     {{{"Label13", "Channel1 Balance", 0, 8760, 1335, 255, 69},
       {"Label14", "Channel2 Balance", 0, 9120, 1335, 255, 68},
       {"Label15", "Channel3 Balance", 0, 9480, 1335, 255, 67}}}},
    {Kind::HScroll, Parent::Window,
     {{{"balance1", "", 1560, 8760, 2055, 255, 8},
       {"balance2", "", 1560, 9120, 2055, 255, 6},
       {"balance3", "", 1560, 9480, 2055, 255, 5}}}},
    {Kind::TextBox, Parent::Window,
     {{{"bal_1scroll", "", 3720, 8730, 615, 285, 7},
       {"bal_2scroll", "", 3720, 9120, 615, 285, 4},
       {"bal_3scroll", "", 3720, 9480, 615, 285, 3}}}},
};

const ControlSpec kButtonsAndZoom[] = {
    {Kind::Button, "Command1", "Draw", "", 120, 7680, 735, 375, 13},
    {Kind::Button, "Command4", "Print", "", 1200, 7680, 735, 375, 10},
    {Kind::Button, "Command3", "Save", "", 2280, 7680, 735, 375, 11},
    {Kind::Button, "Command2", "Exit", "", 3360, 7680, 735, 375, 12},
    {Kind::Button, "Command5", "Draw Inverse", "", 120, 8160, 1095, 375, 9},
    // Beside "Draw Inverse", in the row's free space; last in the tab order.
    {Kind::Button, "ExportButton", "Export…", "", 2280, 8160, 1095, 375, 67},
    {Kind::Label, "Label16", "% Zoom ", "", 0, 9840, 855, 375, 66},
    {Kind::LockedTextBox, "Zoom_txt", "", "", 960, 9840, 495, 285, 1},
    {Kind::Label, "zoomdim", "Zoomed Diameter", "", 1800, 9840, 1575, 255, 65},
    {Kind::LockedTextBox, "zoom_diam", "", "", 3480, 9840, 735, 285, 0},
    {Kind::Slider, "ZoomCTRL", "", "", 0, 10200, 4215, 495, 2},
};

// The Sensor Mask dialog (twips): its two boxes, then its buttons.
constexpr int kMaskDialogWidth = 5400, kMaskDialogHeight = 1605;
const ControlSpec kMaskDialog[] = {
    {Kind::Label, "MaskLabel1", "Angle, degrees clockwise from 12 o'clock", "", 120, 180, 3615, 255, -1},
    {Kind::TextBox, "Mask_angle", "", "", 3840, 150, 1095, 285, 0},
    {Kind::Label, "MaskLabel2", "Windows over an A or B track (Index: 1)", "", 120, 600, 3615, 255, -1},
    {Kind::TextBox, "Mask_windows", "", "", 3840, 570, 1095, 285, 1},
    {Kind::Button, "DrawMask", "&Draw Mask", "", 120, 1080, 1215, 375, 2},
    {Kind::Button, "SaveMask", "&Save…", "", 1455, 1080, 1215, 375, 3},
    {Kind::Button, "PrintMask", "&Print…", "", 2790, 1080, 1215, 375, 4},
    {Kind::Button, "ExportMask", "&Export…", "", 4125, 1080, 1215, 375, 5},
};

std::vector<ControlSpec> window_table() {
  std::vector<ControlSpec> table(std::begin(kDataFrame), std::end(kDataFrame));
  auto add = [&table](const ChannelControl& control, int n) {
    const Placement& p = control.channel[n];
    const char* parent = "";
    switch (control.parent) {
      case Parent::DataFrame: parent = "Frame1"; break;
      case Parent::TypeFrame: parent = kChannelFrames[kTypeFrame].channel[n].name; break;
      case Parent::DimensionFrame: parent = kChannelFrames[kDimensionFrame].channel[n].name; break;
      case Parent::Window: break;
    }
    table.push_back({control.kind, p.name, p.text, parent, p.left, p.top, p.width, p.height, p.tab});
  };
  for (int n = 0; n < 3; ++n)
    for (const ChannelControl& control : kChannelFrames) add(control, n);
  for (int n = 0; n < 3; ++n)
    for (const ChannelControl& control : kBalanceRows) add(control, n);
  table.insert(table.end(), std::begin(kButtonsAndZoom), std::end(kButtonsAndZoom));
  return table;
}

}  // namespace

IncForm::IncForm(WindowHost& windows, QWidget* parent) : QWidget(parent), windows_(windows) {
  setObjectName(QStringLiteral("Inc_form"));
  setWindowTitle(kTitle);
  QMenuBar* menu = design_menu_bar(
      this, [this] { open_design_with_dialog(this, windows_, design_state_); }, [this] { save_design(); });
  QMenu* tools = menu->addMenu(QStringLiteral("&Tools"));
  tools->setObjectName(QStringLiteral("ToolsMenu"));
  QAction* mask = tools->addAction(QStringLiteral("Sensor &Mask…"), QKeySequence(Qt::CTRL | Qt::Key_M));
  mask->setObjectName(QStringLiteral("SensorMask"));
  connect(mask, &QAction::triggered, this, [this] { show_mask_dialog(); });
  build_controls(client_below_menu_bar(this, menu, 4635, 10830), window_table());
  // Built before the binder, which finds its boxes among the window's.
  mask_dialog_ = new QDialog(this);
  mask_dialog_->setObjectName(QStringLiteral("Sensor_mask"));
  mask_dialog_->setWindowTitle(QStringLiteral("Sensor Mask"));
  set_client_size(mask_dialog_, kMaskDialogWidth, kMaskDialogHeight);
  build_controls(mask_dialog_, kMaskDialog);
  save_state_.folder = QDir::homePath();
  save_state_.file_name = QStringLiteral("encoder");
  export_state_.folder = QDir::homePath();
  export_state_.base_name = QStringLiteral("encoder");
  export_state_.offers_inverse = true;
  design_state_ = design_dialog_state(QStringLiteral("encoder"));
  mask_save_state_ = save_state_;
  mask_save_state_.file_name = QStringLiteral("mask");
  mask_export_state_ = export_state_;
  mask_export_state_.base_name = QStringLiteral("mask");
  mask_export_state_.drawn_by =
      mask_dialog_->findChild<QPushButton*>(QStringLiteral("DrawMask"))->text().remove(QLatin1Char('&'));

  controls_ = std::make_unique<ControlBinder<IncFormValues>>(this, incremental_fields());
  zoom_diam_ = findChild<QLineEdit*>(QStringLiteral("zoom_diam"));

  auto on_click = [this](const char* name, auto handler) {
    connect(findChild<QPushButton*>(QString::fromUtf8(name)), &QPushButton::clicked, this, handler);
  };
  on_click("Command1", [this] { draw(Polarity::Normal); });
  on_click("Command5", [this] { draw(Polarity::Inverse); });
  on_click("Command3", [this] { save(IncDrawing::Disc); });
  on_click("Command4", [this] { print(IncDrawing::Disc); });
  on_click("Command2", [this] { exit(); });
  on_click("ExportButton", [this] { export_design(IncDrawing::Disc); });

  auto on_mask_click = [this](const char* name, auto handler) {
    connect(mask_dialog_->findChild<QPushButton*>(QString::fromUtf8(name)), &QPushButton::clicked, this, handler);
  };
  mask_dialog_->findChild<QPushButton*>(QStringLiteral("DrawMask"))->setDefault(true);
  on_mask_click("DrawMask", [this] { draw(Polarity::Normal, IncDrawing::SensorMask); });
  on_mask_click("SaveMask", [this] { save(IncDrawing::SensorMask); });
  on_mask_click("PrintMask", [this] { print(IncDrawing::SensorMask); });
  on_mask_click("ExportMask", [this] { export_design(IncDrawing::SensorMask); });
}

namespace {
WindowId picture_of(IncDrawing drawing) {
  return drawing == IncDrawing::SensorMask ? WindowId::IncMaskDraw : WindowId::IncEncoderDraw;
}
}  // namespace

void IncForm::draw(Polarity polarity, IncDrawing drawing) {
  controls_->commit_focused();
  const IncrementalDesign d = design();
  auto* image = static_cast<ImageWindow*>(windows_.show(picture_of(drawing)));
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const DrawOutcome outcome = render_incremental(d, polarity, image->surface(), drawing);
  QApplication::restoreOverrideCursor();
  image->refresh();
  if (outcome.zoom_diam) zoom_diam_->setText(QString::fromStdString(*outcome.zoom_diam));
  if (drawing == IncDrawing::SensorMask) show_mask_dialog();  // over the picture: its buttons come next
  if (outcome.message != Message::None)
    windows_.dialogs().message(asker(drawing), qtext(kAppTitle), qtext(message_text(outcome.message)), MessageButtons::OkCancel);
}

void IncForm::save(IncDrawing drawing) {
  save_with_dialog(asker(drawing), windows_.dialogs(), drawing == IncDrawing::SensorMask ? mask_save_state_ : save_state_,
                   windows_.image_window(picture_of(drawing))->surface());
}

void IncForm::print(IncDrawing drawing) {
  print_with_dialog(asker(drawing), windows_.dialogs(), print_state_, windows_.image_window(picture_of(drawing))->surface());
}

void IncForm::export_design(IncDrawing drawing) {
  controls_->commit_focused();
  DiscRequest base;
  base.kind = DiscKind::Incremental;
  base.incremental.design = design();
  base.drawing = drawing;
  export_with_dialog(asker(drawing), windows_.dialogs(),
                     drawing == IncDrawing::SensorMask ? mask_export_state_ : export_state_, base);
}

QWidget* IncForm::asker(IncDrawing drawing) {
  if (drawing == IncDrawing::SensorMask) return mask_dialog_;
  return this;
}

void IncForm::show_mask_dialog() {
  mask_dialog_->show();
  mask_dialog_->raise();
  mask_dialog_->activateWindow();
}

void IncForm::save_design() {
  controls_->commit_focused();
  DiscRequest design;
  design.kind = DiscKind::Incremental;
  design.incremental = controls_->read();
  if (const std::optional<QString> path = save_design_with_dialog(this, windows_.dialogs(), design_state_, design))
    name_design(this, kTitle, design_state_, *path);
}

void IncForm::show_design(const IncFormValues& values, const QString& path) {
  controls_->load(values);
  name_design(this, kTitle, design_state_, path);
}

void IncForm::exit() {
  windows_.unload(WindowId::IncForm);
  windows_.unload(WindowId::IncEncoderDraw);
  windows_.unload(WindowId::IncMaskDraw);
}

}  // namespace vantor
