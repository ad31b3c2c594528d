// Inc_form, the incremental design window: the fields of one incremental
// code disc, "Draw" and "Draw Inverse" into Inc_Encoder_draw, "Save",
// "Print", "Exit", and the balance and zoom controls that keep their text
// boxes in step.
#pragma once

#include <QWidget>
#include <array>

#include "incremental/incremental_design.h"
#include "incremental/incremental_renderer.h"
#include "shell/dialogs.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QScrollBar;
class QSlider;

namespace vantor {

class WindowRegistry;

class IncForm : public QWidget {
  Q_OBJECT
 public:
  explicit IncForm(WindowRegistry& registry, QWidget* parent = nullptr);
  ~IncForm() override;

  // What the window holds now: the numeric fields as typed, the balances
  // from the text boxes, the zoom from the slider.
  IncrementalDesign design() const;

 protected:
  // Validation of a balance box when the focus leaves it.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Channel {
    QRadioButton* type_a;
    QRadioButton* type_b;
    QCheckBox* on;
    QLineEdit* slot_length;
    QRadioButton* edge_user;
    QLineEdit* edge_distance;
    QScrollBar* balance_bar;
    QLineEdit* balance_box;
  };

  void validate_focused_balance_box();
  void draw(Polarity polarity);
  void export_design();
  void save();
  void print();
  void exit();
  void balance_bar_changed(int channel, int value);
  void balance_box_validated(int channel);
  void zoom_changed(int position);

  WindowRegistry& registry_;
  SaveDialogState save_state_;
  ExportDialogState export_state_;
  std::array<Channel, 3> channels_{};
  QRadioButton* unit_in_;
  QLineEdit* s1_;
  QLineEdit* s2_;
  QLineEdit* ed_;
  QLineEdit* dd_;
  QLineEdit* res_;
  QSlider* zoom_;
  QLineEdit* zoom_txt_;
  QLineEdit* zoom_diam_;
};

}  // namespace vantor
