#include "scripted_dialogs.h"

#include <QDir>
#include <QFileInfo>

namespace vantor::test {

void ScriptedDialogs::message(QWidget*, const QString& title, const QString& text) {
  messages.push_back({title, text});
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

std::optional<int> ScriptedDialogs::print_setup(QWidget*, QPrinter&) {
  ++print_requests;
  if (print_answers.empty()) return std::nullopt;
  std::optional<int> answer = print_answers.front();
  print_answers.pop_front();
  return answer;
}

void ScriptedDialogs::clear() {
  save_answers.clear();
  print_answers.clear();
  messages.clear();
  save_requests.clear();
  print_requests = 0;
}

}  // namespace vantor::test
