// Abs_form, the absolute design window: the fields of one absolute code
// disc, "Draw" into Abs_encoder_draw, "Save", "Print", "Exit", and the
// balance scroll bar abs_bal with its read-only echo abs_bal_txt.
#pragma once

#include <QWidget>

#include "absolute/absolute_design.h"
#include "shell/dialogs.h"

class QLineEdit;
class QRadioButton;
class QScrollBar;

namespace vantor {

class WindowRegistry;

class AbsForm : public QWidget {
  Q_OBJECT
 public:
  explicit AbsForm(WindowRegistry& registry, QWidget* parent = nullptr);

  // What the window holds now, as typed; the balance is the scroll bar's.
  AbsoluteEntries entries() const;

 private:
  void draw();
  void save();
  void print();
  void export_design();
  void exit();
  void show_balance(int value);

  WindowRegistry& registry_;
  SaveDialogState save_state_;
  ExportDialogState export_state_;

  QLineEdit* ed_;
  QLineEdit* dd_;
  QLineEdit* res_exp_;
  QLineEdit* s1_;
  QLineEdit* s2_;
  QLineEdit* sl_in_;
  QLineEdit* ch1_ed_;
  QLineEdit* abs_bal_txt_;
  QRadioButton* unit_in_;
  QRadioButton* grey_type_;
  QRadioButton* ch1_ed_def_;
  QRadioButton* ch1_ed_u_;
  QScrollBar* abs_bal_;
};

}  // namespace vantor
