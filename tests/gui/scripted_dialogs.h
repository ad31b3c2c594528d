// A Dialogs implementation for tests: records every request and answers from
// queues that the test fills.  An empty queue answers Cancel.
#pragma once

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

  std::vector<MessageSeen> messages;
  std::vector<SaveDialogState> save_requests;  // the state each dialog opened with
  QStringList print_requests;  // the output file of the printer each dialog opened with
  std::vector<ExportDialogState> export_requests;  // the state each dialog opened with

  void message(QWidget* parent, const QString& title, const QString& text, MessageButtons buttons) override;
  std::optional<QString> save_file(QWidget* parent, SaveDialogState& state) override;
  std::optional<QString> open_file(QWidget* parent, SaveDialogState& state, const QString& caption) override;
  std::optional<int> print_setup(QWidget* parent, QPrinter& printer) override;
  std::optional<ExportChoice> export_setup(QWidget* parent, ExportDialogState& state,
                                           const ExportReport& report) override;
  std::unique_ptr<ExportProgressBox> export_progress(QWidget* parent, const QString& label) override;
};

}  // namespace vantor::test
