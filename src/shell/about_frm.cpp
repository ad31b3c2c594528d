#include <QPushButton>

#include "ui/layout.h"
#include "shell/top_form.h"
#include "shell/window_registry.h"

namespace vantor {

namespace {

const ControlSpec kAbout[] = {
    {Kind::Label, "Label1", "Vantor version 2.0", "", 360, 360, 4695, 375, 0, {"Arial", 14.25}},
    {Kind::Label, "Label2", "Written by", "", 360, 840, 1095, 255, 1},
    {Kind::Label, "Label3", "The Vantor developers", "", 1200, 840, 2655, 375, 2, {"MS Sans Serif", 9.75, false, true}},
    {Kind::WrappedLabel, "Label4",
     "This program is used to develop incremental encoders.  The encoders can be reflective or see-through.  ",
     "", 720, 1320, 4335, 615, 3},
    {Kind::WrappedLabel, "Label5", "Send Comments to: the Vantor developers", "", 1440, 2160, 2775, 495, 4},
    {Kind::Button, "Command1", "Close", "", 2040, 3360, 1335, 495, 5},
};

}  // namespace

AboutFrm::AboutFrm(WindowRegistry& registry, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("about_frm"));
  setWindowTitle(QStringLiteral("About "));
  set_client_size(this, 5670, 4470);
  build_controls(this, kAbout);
  connect(findChild<QPushButton*>(QStringLiteral("Command1")), &QPushButton::clicked, this,
          [&registry] { registry.unload(WindowId::AboutFrm); });
}

}  // namespace vantor
