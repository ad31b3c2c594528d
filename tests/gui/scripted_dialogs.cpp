#include "scripted_dialogs.h"

#include <QDir>
#include <QFileInfo>

namespace vantor::test {
namespace {

// The queue's first answer, taken from it; an empty one (Cancel) when there
// is none.
template <class T>
T next(std::deque<T>& answers) {
  if (answers.empty()) return T{};
  T answer = std::move(answers.front());
  answers.pop_front();
  return answer;
}

class NeverCancelled final : public ExportProgressBox {
 public:
  bool step(std::uint64_t, std::uint64_t) override { return true; }
};

// The path chosen, resolved against the state's folder, which the state
// then remembers.
QString choose(SaveDialogState& state, const QString& path) {
  const QFileInfo chosen(QDir(state.folder), path);
  state.folder = chosen.absolutePath();
  state.file_name = chosen.fileName();
  return chosen.absoluteFilePath();
}

}  // namespace

void ScriptedDialogs::message(QWidget*, const QString& title, const QString& text, MessageButtons buttons) {
  messages.push_back({title, text, buttons});
}

std::optional<QString> ScriptedDialogs::save_file(QWidget*, SaveDialogState& state) {
  save_requests.push_back(state);
  const std::optional<QString> answer = next(save_answers);
  if (!answer) return std::nullopt;
  return choose(state, QFileInfo(*answer).suffix().isEmpty() ? *answer + QLatin1Char('.') + state.default_suffix : *answer);
}

std::optional<QString> ScriptedDialogs::open_file(QWidget*, SaveDialogState& state, const QString&) {
  const std::optional<QString> answer = next(open_answers);
  return answer ? std::optional(choose(state, *answer)) : std::nullopt;
}

std::optional<int> ScriptedDialogs::print_setup(QWidget*, QPrinter& printer) {
  print_requests << printer.outputFileName();
  const std::optional<int> answer = next(print_answers);
  if (answer && !print_choices.empty()) next(print_choices)(printer);
  return answer;
}

std::optional<ExportChoice> ScriptedDialogs::export_setup(QWidget*, ExportDialogState& state,
                                                          const ExportReport& report) {
  export_requests.push_back(state);
  std::optional<ExportChoice> answer = next(export_answers);
  if (!answer) return std::nullopt;
  answer->path = QFileInfo(QDir(state.folder), answer->path).absoluteFilePath();
  report(*answer);  // as the dialog shows it for the choice
  state.choice = *answer;
  return answer;
}

std::unique_ptr<ExportProgressBox> ScriptedDialogs::export_progress(QWidget*, const QString&) {
  return std::make_unique<NeverCancelled>();
}

}  // namespace vantor::test
