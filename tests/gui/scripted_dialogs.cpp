#include "scripted_dialogs.h"

#include <QDir>
#include <QFileInfo>

namespace vantor::test {

void ScriptedDialogs::message(QWidget*, const QString& title, const QString& text, MessageButtons buttons) {
  messages.push_back({title, text, buttons});
}

std::optional<QString> ScriptedDialogs::save_file(QWidget*, SaveDialogState& state) {
  save_requests.push_back(state);
  if (save_answers.empty()) return std::nullopt;
  std::optional<QString> answer = save_answers.front();
  save_answers.pop_front();
  if (!answer) return std::nullopt;
  QFileInfo info(QDir(state.folder), *answer);
  QString path = info.absoluteFilePath();
  if (info.suffix().isEmpty()) path += QLatin1Char('.') + state.default_suffix;
  QFileInfo chosen(path);
  state.folder = chosen.absolutePath();
  state.file_name = chosen.fileName();
  return path;
}

std::optional<QString> ScriptedDialogs::open_file(QWidget*, SaveDialogState& state, const QString&) {
  if (open_answers.empty()) return std::nullopt;
  const std::optional<QString> answer = open_answers.front();
  open_answers.pop_front();
  if (!answer) return std::nullopt;
  const QFileInfo chosen(QDir(state.folder), *answer);
  state.folder = chosen.absolutePath();
  state.file_name = chosen.fileName();
  return chosen.absoluteFilePath();
}

std::optional<int> ScriptedDialogs::print_setup(QWidget*, QPrinter& printer) {
  print_requests.push_back({printer.printerName(), printer.outputFileName(), printer.pageLayout().pageSize().id(),
                            printer.pageLayout().orientation(), printer.colorMode()});
  if (print_answers.empty()) return std::nullopt;
  std::optional<int> answer = print_answers.front();
  print_answers.pop_front();
  if (answer && !print_choices.empty()) {
    print_choices.front()(printer);
    print_choices.pop_front();
  }
  return answer;
}

std::optional<ExportChoice> ScriptedDialogs::export_setup(QWidget*, ExportDialogState& state,
                                                          const ExportReport& report) {
  export_requests.push_back(state);
  if (export_answers.empty()) return std::nullopt;
  std::optional<ExportChoice> answer = export_answers.front();
  export_answers.pop_front();
  if (!answer) return std::nullopt;
  answer->path = QFileInfo(QDir(state.folder), answer->path).absoluteFilePath();
  export_reports << report(*answer);
  state.choice = *answer;
  return answer;
}

namespace {

class ScriptedProgress final : public ExportProgressBox {
 public:
  explicit ScriptedProgress(ScriptedDialogs& owner) : owner_(owner) {}
  bool step(std::uint64_t, std::uint64_t) override {
    ++owner_.export_progress_steps;
    return owner_.cancel_export_at_step == 0 || owner_.export_progress_steps < owner_.cancel_export_at_step;
  }

 private:
  ScriptedDialogs& owner_;
};

}  // namespace

std::unique_ptr<ExportProgressBox> ScriptedDialogs::export_progress(QWidget*, const QString&) {
  export_progress_steps = 0;
  return std::make_unique<ScriptedProgress>(*this);
}

void ScriptedDialogs::clear() {
  save_answers.clear();
  open_answers.clear();
  print_answers.clear();
  print_choices.clear();
  messages.clear();
  save_requests.clear();
  print_requests.clear();
  export_answers.clear();
  cancel_export_at_step = 0;
  export_requests.clear();
  export_reports.clear();
  export_progress_steps = 0;
}

}  // namespace vantor::test
