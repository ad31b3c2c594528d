// The export dialog of both design windows, and "Export…" itself: the
// dialog, then the export with a progress box, then any failure in a
// message box.
#pragma once

#include <QDialog>
#include <string>
#include <variant>

#include "request/request.h"
#include "ui/dialogs.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;

namespace vantor {

// ".png" without the dot, as a QString.
QString export_extension(FileFormat format);

class ExportDialog : public QDialog {
  Q_OBJECT
 public:
  ExportDialog(QWidget* parent, const ExportDialogState& state, ExportReport report);

  // The choice as the controls hold it (the path as typed, made absolute).
  ExportChoice choice() const;

 private:
  void set_choice(const ExportChoice& c);
  void format_changed();
  void enable_options();
  void browse();
  void update_report();
  void accept_if_sure();
  void process_changed();
  // The process as the controls hold it, or why its figures do not read.
  std::variant<std::optional<Process>, std::string> process() const;

  ExportReport report_;
  QString folder_;
  bool offers_inverse_;
  QComboBox* format_;
  QSpinBox* dpi_;
  QCheckBox* crop_;
  QCheckBox* inverse_;
  QCheckBox* mirror_;
  QCheckBox* negative_;
  QComboBox* process_;
  QLineEdit* figures_;
  QDoubleSpinBox* bias_;
  QCheckBox* marks_;
  QCheckBox* target_in_hole_;
  QLineEdit* path_;
  QPlainTextEdit* report_view_;
};

// "Export…": the dialog, then the disc of `base` (its kind and fields)
// exported with the choice.  A refused design shows the window's message, a
// failure names the file and the reason; Cancel, in the dialog or the
// progress box, writes nothing.
void export_with_dialog(QWidget* parent, Dialogs& dialogs, ExportDialogState& state, const DiscRequest& base);

// The request that `base` with `choice` makes.
ExportRequest export_request(const DiscRequest& base, const ExportChoice& choice);

}  // namespace vantor
