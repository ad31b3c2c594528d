// A Dialogs implementation for tests: records every request and answers from
// queues that the test fills.  An empty queue answers Cancel.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>

#include "shell/dialogs.h"

namespace vantor::test {

class ScriptedDialogs final : public Dialogs {
 public:
  struct MessageSeen {
    QString title;
    QString text;
  };

  // What the next file dialogs return: a file name (resolved against the
  // state's folder when relative, with the default suffix added when it has
  // none) or nullopt for Cancel.
  std::deque<std::optional<QString>> save_answers;
  // What the next print dialogs return: copies, or nullopt for Cancel.
  std::deque<std::optional<int>> print_answers;

  std::vector<MessageSeen> messages;
  std::vector<SaveDialogState> save_requests;  // the state each dialog opened with
  int print_requests = 0;

  void message(QWidget* parent, const QString& title, const QString& text) override;
  std::optional<QString> save_file(QWidget* parent, SaveDialogState& state) override;
  std::optional<int> print_setup(QWidget* parent, QPrinter& printer) override;

  void clear();
};

}  // namespace vantor::test
