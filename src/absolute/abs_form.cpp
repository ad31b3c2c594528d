// Temporary empty window until the design window is built.
#include "absolute/abs_form.h"
#include "shell/layout.h"
namespace vantor {
AbsForm::AbsForm(WindowRegistry&, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Abs_form"));
  setWindowTitle(QStringLiteral("Absolute Encoder"));
  set_client_size(this, 5430, 7395);
}
}  // namespace vantor
