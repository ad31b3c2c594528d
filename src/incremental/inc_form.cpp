// Temporary empty window until the design window is built.
#include "incremental/inc_form.h"
#include "shell/layout.h"
namespace vantor {
IncForm::IncForm(WindowRegistry&, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Inc_form"));
  setWindowTitle(QStringLiteral("Incremental Encoder"));
  set_client_size(this, 4635, 10830);
}
}  // namespace vantor
