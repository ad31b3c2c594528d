// Inc_form, the incremental design window: the fields of one incremental
// code disc, bound through incremental_fields() (the balance and zoom
// controls keep their text boxes in step), "Draw" and "Draw Inverse" into
// Inc_Encoder_draw, "Save", "Export", "Print" and "Exit", and above them a
// File menu of design files (designers/design_files.h) and a Tools menu
// whose "Sensor Mask…" (Ctrl+M) opens the Sensor Mask dialog.  The dialog
// is Inc_form's own: its boxes Mask_angle and Mask_windows are controls of
// the window's field table, bound with the others and loaded and unloaded
// with the window; its "Draw Mask" draws the mask into Inc_Mask_draw, and
// its "Save…", "Print…" and "Export…" take the mask as the window's take
// the disc.
#pragma once

#include <QWidget>
#include <memory>

#include "incremental/incremental_design.h"
#include "incremental/incremental_fields.h"
#include "incremental/incremental_renderer.h"
#include "output/image_output.h"
#include "ui/dialogs.h"
#include "ui/control_binder.h"

class QDialog;
class QLineEdit;

namespace vantor {

class WindowHost;

class IncForm : public QWidget {
  Q_OBJECT
 public:
  explicit IncForm(WindowHost& windows, QWidget* parent = nullptr);

  // What the window holds now: the numeric fields as typed, the balances
  // from the text boxes, the zoom from the slider.
  IncrementalDesign design() const { return controls_->read().design; }

  // Sets every control as the values say and names the design file at path
  // in the title; the next Save Design offers it.
  void show_design(const IncFormValues& values, const QString& path);

 private:
  void draw(Polarity polarity, IncDrawing drawing = IncDrawing::Disc);
  void export_design(IncDrawing drawing);
  void save(IncDrawing drawing);
  void print(IncDrawing drawing);
  void show_mask_dialog();
  // The window that a drawing's dialogs and messages belong to: Inc_form, or
  // the Sensor Mask dialog.
  QWidget* asker(IncDrawing drawing);
  void exit();
  void save_design();

  WindowHost& windows_;
  SaveDialogState save_state_;
  PrintDialogState print_state_;
  ExportDialogState export_state_;
  SaveDialogState design_state_;
  SaveDialogState mask_save_state_;
  ExportDialogState mask_export_state_;
  QDialog* mask_dialog_;
  std::unique_ptr<ControlBinder<IncFormValues>> controls_;
  QLineEdit* zoom_diam_;
};

}  // namespace vantor
