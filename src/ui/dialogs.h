// The platform's modal parts behind one interface: message box, file-save
// and file-open dialogs, print dialog, the export dialog and its progress box.  QtDialogs is the product; the tests
// substitute a scripted implementation that records what was asked.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include <string_view>

#include "common/messages.h"
#include "request/request.h"

class QPrinter;
class QWidget;

namespace vantor {

// The system's own texts (common/messages.h) as Qt strings.
inline QString qtext(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
inline QString app_title() { return qtext(kAppTitle); }

// The state of a window's file dialog, kept while the window is loaded so
// that the next Save offers the name and folder chosen last.
struct SaveDialogState {
  QString folder;     // absolute path
  QString file_name;  // without folder
  QString default_suffix = QStringLiteral("bmp");
  QString filter = QStringLiteral("*.bmp");  // filters separated by ";;"
  QString caption = QStringLiteral("Save As");
};

// What the export dialog chooses.  The resolution sets the pixels of the
// raster formats, the one-pixel outline of the vector formats, and the pixel
// against which the design report checks the smallest feature.
struct ExportChoice {
  FileFormat format = FileFormat::Png;
  int dpi = 2400;
  bool crop = true;
  bool inverse = false;  // offered by the incremental window only
  QString path;          // absolute, with the format's extension
  bool mirror = false;   // film options, artwork formats only
  bool negative = false;
  bool marks = false;           // the aids for assembly (request/assembly_aids.h)
  bool target_in_hole = false;  // with marks: the centre target inside the shaft hole too
  std::optional<Process> process{};  // what the report checks against
  double bias_um = 0;                // edge compensation (geometry/bias.h)
  bool operator==(const ExportChoice&) const = default;
};

// A window's export dialog: what it offers and what it chose last, kept
// while the window is loaded.
struct ExportDialogState {
  ExportChoice choice;       // path empty until the first export
  QString folder;            // where the first export goes
  QString base_name;         // the file name without extension
  bool offers_inverse = false;
  bool offers_code_table = false;  // the code table formats (absolute discs)
  QString drawn_by = QStringLiteral("Draw");  // the button whose drawing the export repeats
};

// The report of the current design for a choice, as the dialog shows it.
using ExportReport = std::function<QString(const ExportChoice&)>;

// A progress box with Cancel over a long export.
class ExportProgressBox {
 public:
  virtual ~ExportProgressBox() = default;
  // `done` of `total`; false once the user has cancelled.
  virtual bool step(std::uint64_t done, std::uint64_t total) = 0;
};

// The buttons of a message box: OK alone for plain information, OK and
// Cancel where the box ends an action that either button ends alike.
enum class MessageButtons { Ok, OkCancel };

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // A modal box with the text, the buttons and the title.  The answer is not
  // used by any caller.
  virtual void message(QWidget* parent, const QString& title, const QString& text, MessageButtons buttons) = 0;

  // The file-save dialog, asking before an existing file is replaced.  On OK
  // returns the full path (with the default suffix appended to a name typed
  // without one) and updates state; on Cancel returns nullopt.
  virtual std::optional<QString> save_file(QWidget* parent, SaveDialogState& state) = 0;

  // The file-open dialog, in state.folder with state.file_name chosen and
  // captioned by the caption given; on OK returns the full path of an
  // existing file and updates state; on Cancel returns nullopt.
  virtual std::optional<QString> open_file(QWidget* parent, SaveDialogState& state, const QString& caption) = 0;

  // The print dialog on the given printer.  On OK returns the number of
  // copies chosen (at least 1); on Cancel nullopt.  The printer's own copy
  // count is left at 1.
  virtual std::optional<int> print_setup(QWidget* parent, QPrinter& printer) = 0;

  // The export dialog, opening with state.choice; on Export returns the
  // choice (also kept in state), on Cancel nullopt.  An existing file is
  // replaced only after the user confirms.
  virtual std::optional<ExportChoice> export_setup(QWidget* parent, ExportDialogState& state,
                                                   const ExportReport& report) = 0;

  // A progress box for an export, shown once it has taken a moment.
  virtual std::unique_ptr<ExportProgressBox> export_progress(QWidget* parent, const QString& label) = 0;
};

class QtDialogs final : public Dialogs {
 public:
  void message(QWidget* parent, const QString& title, const QString& text, MessageButtons buttons) override;
  std::optional<QString> save_file(QWidget* parent, SaveDialogState& state) override;
  std::optional<QString> open_file(QWidget* parent, SaveDialogState& state, const QString& caption) override;
  std::optional<int> print_setup(QWidget* parent, QPrinter& printer) override;
  std::optional<ExportChoice> export_setup(QWidget* parent, ExportDialogState& state,
                                           const ExportReport& report) override;
  std::unique_ptr<ExportProgressBox> export_progress(QWidget* parent, const QString& label) override;
};

}  // namespace vantor
