// Abs_form, the absolute design window: the fields of one absolute code
// disc, bound through absolute_fields() (the balance scroll bar abs_bal
// with its echo abs_bal_txt), "Draw" into Abs_encoder_draw, "Save",
// "Export", "Print" and "Exit", and above them a File menu of design files
// (designers/design_files.h).
#pragma once

#include <QWidget>
#include <memory>

#include "absolute/absolute_design.h"
#include "absolute/absolute_fields.h"
#include "output/image_output.h"
#include "ui/dialogs.h"
#include "ui/control_binder.h"

namespace vantor {

class WindowHost;

class AbsForm : public QWidget {
  Q_OBJECT
 public:
  explicit AbsForm(WindowHost& windows, QWidget* parent = nullptr);

  // What the window holds now, as typed; the balance is the scroll bar's.
  AbsoluteEntries entries() const { return controls_->read(); }

  // Sets every control as the entries say and names the design file at path
  // in the title; the next Save Design offers it.
  void show_design(const AbsoluteEntries& entries, const QString& path);

 private:
  void draw();
  void save();
  void print();
  void export_design();
  void exit();
  void save_design();

  WindowHost& windows_;
  SaveDialogState save_state_;
  PrintDialogState print_state_;
  ExportDialogState export_state_;
  SaveDialogState design_state_;
  std::unique_ptr<ControlBinder<AbsoluteEntries>> controls_;
};

}  // namespace vantor
