#include "shell/top_form.h"

#include <QPushButton>

#include "ui/layout.h"
#include "shell/window_registry.h"

namespace vantor {

namespace {

const ControlSpec kTopForm[] = {
    {Kind::Frame, "Inc_type", "Encoder Type", "", 0, 0, 5055, 4335, -1, {"MS Sans Serif", 12, true}},
    {Kind::Button, "Command3", "Incremental Encoder", "Inc_type", 480, 600, 1575, 855, 1},
    {Kind::Button, "Command4", "Absolute Encoder", "Inc_type", 2760, 600, 1575, 855, 2},
    {Kind::HLine, "Line1", "", "Inc_type", 600, 2040, 3600, 0, -1},
    {Kind::Button, "Command5", "Exit", "Inc_type", 600, 2760, 1215, 495, 3},
    {Kind::Button, "Command6", "About", "Inc_type", 3120, 2760, 1215, 495, 4},
};

// Exit closes these, in this order; the about box is not among them.
constexpr WindowId kClosedByExit[] = {WindowId::TopForm, WindowId::IncForm, WindowId::AbsForm,
                                      WindowId::IncEncoderDraw, WindowId::AbsEncoderDraw, WindowId::IncMaskDraw};

}  // namespace

TopForm::TopForm(WindowRegistry& registry, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TOP_FORM"));
  setWindowTitle(QStringLiteral("Vantor Program   Version 2.0"));
  setBackgroundRole(QPalette::Button);
  setAutoFillBackground(true);
  set_client_size(this, 5055, 4320);
  build_controls(this, kTopForm);

  auto on_click = [this](const char* name, auto handler) {
    connect(findChild<QPushButton*>(QString::fromUtf8(name)), &QPushButton::clicked, this, handler);
  };
  on_click("Command3", [&registry] { registry.show(WindowId::IncForm); });
  on_click("Command4", [&registry] { registry.show(WindowId::AbsForm); });
  on_click("Command6", [&registry] { registry.show(WindowId::AboutFrm); });
  on_click("Command5", [&registry] {
    for (WindowId id : kClosedByExit) registry.unload(id);
  });
}

}  // namespace vantor
