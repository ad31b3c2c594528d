// A Dialogs implementation for tests: records every request and answers from
// queues that the test fills.  An empty queue answers Cancel.
#pragma once

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>

#include "ui/dialogs.h"

namespace vantor::test {

class ScriptedDialogs final : public Dialogs {
 public:
  struct MessageSeen {
    QString title;
    QString text;
    MessageButtons buttons;
  };
  // The printer and the settings that a print dialog opened with.
  struct PrinterSeen {
    QString printer_name;
    QString output_file;
    QPageSize::PageSizeId page_size;
    QPageLayout::Orientation orientation;
    QPrinter::ColorMode colour;
    bool operator==(const PrinterSeen&) const = default;
  };

  // What the next file dialogs return: a file name (resolved against the
  // state's folder when relative, with the default suffix added when it has
  // none) or nullopt for Cancel.
  std::deque<std::optional<QString>> save_answers;
  // What the next file-open dialogs return: a file name (resolved against
  // the state's folder when relative) or nullopt for Cancel.
  std::deque<std::optional<QString>> open_answers;
  // What the next print dialogs return: copies, or nullopt for Cancel.
  std::deque<std::optional<int>> print_answers;
  // What the user sets on the printer in the next print dialogs that answer
  // with copies, one each; none leaves the printer as it opened.
  std::deque<std::function<void(QPrinter&)>> print_choices;

  // What the next export dialogs return (a relative path is resolved
  // against the state's folder), or nullopt for Cancel.
  std::deque<std::optional<ExportChoice>> export_answers;
  // The export's progress box answers Cancel at this step (counting from 1);
  // 0 never cancels.
  int cancel_export_at_step = 0;

  std::vector<MessageSeen> messages;
  std::vector<SaveDialogState> save_requests;  // the state each dialog opened with
  std::vector<PrinterSeen> print_requests;  // the printer each dialog opened with
  std::vector<ExportDialogState> export_requests;  // the state each dialog opened with
  QStringList export_reports;                      // the report each dialog showed for its answer
  int export_progress_steps = 0;

  void message(QWidget* parent, const QString& title, const QString& text, MessageButtons buttons) override;
  std::optional<QString> save_file(QWidget* parent, SaveDialogState& state) override;
  std::optional<QString> open_file(QWidget* parent, SaveDialogState& state, const QString& caption) override;
  std::optional<int> print_setup(QWidget* parent, QPrinter& printer) override;
  std::optional<ExportChoice> export_setup(QWidget* parent, ExportDialogState& state,
                                           const ExportReport& report) override;
  std::unique_ptr<ExportProgressBox> export_progress(QWidget* parent, const QString& label) override;

  void clear();
};

}  // namespace vantor::test
