// The platform's modal parts behind one interface: message box, file-save
// dialog, print dialog and the printer.  QtDialogs is the product; the tests
// substitute a scripted implementation that records what was asked.
#pragma once

#include <QString>
#include <optional>

class QPrinter;
class QWidget;

namespace vantor {

// The state of a window's file dialog, kept while the window is loaded so
// that the next Save offers the name and folder chosen last.
struct SaveDialogState {
  QString folder;     // absolute path
  QString file_name;  // without folder
  QString default_suffix = QStringLiteral("bmp");
  QString filter = QStringLiteral("*.bmp");
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // A modal box with the text, the buttons OK and Cancel and the title.  The
  // answer is not used by any caller.
  virtual void message(QWidget* parent, const QString& title, const QString& text) = 0;

  // The file-save dialog, asking before an existing file is replaced.  On OK
  // returns the full path (with the default suffix appended to a name typed
  // without one) and updates state; on Cancel returns nullopt.
  virtual std::optional<QString> save_file(QWidget* parent, SaveDialogState& state) = 0;

  // The print dialog on the given printer.  On OK returns the number of
  // copies chosen (at least 1); on Cancel nullopt.  The printer's own copy
  // count is left at 1.
  virtual std::optional<int> print_setup(QWidget* parent, QPrinter& printer) = 0;
};

class QtDialogs final : public Dialogs {
 public:
  void message(QWidget* parent, const QString& title, const QString& text) override;
  std::optional<QString> save_file(QWidget* parent, SaveDialogState& state) override;
  std::optional<int> print_setup(QWidget* parent, QPrinter& printer) override;
};

}  // namespace vantor
