#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <algorithm>

#include "ui/dialogs.h"

namespace vantor {

void QtDialogs::message(QWidget* parent, const QString& title, const QString& text, MessageButtons buttons) {
  const QMessageBox::StandardButtons shown =
      buttons == MessageButtons::Ok ? QMessageBox::Ok : QMessageBox::Ok | QMessageBox::Cancel;
  QMessageBox box(QMessageBox::NoIcon, title, text, shown, parent);
  box.exec();
}

std::optional<QString> QtDialogs::save_file(QWidget* parent, SaveDialogState& state) {
  QFileDialog dialog(parent, state.caption);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  dialog.setNameFilter(state.filter);
  dialog.setDefaultSuffix(state.default_suffix);
  dialog.setDirectory(state.folder);
  dialog.selectFile(state.file_name);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  const QFileInfo info(chosen.first());
  state.folder = info.absolutePath();
  state.file_name = info.fileName();
  return info.absoluteFilePath();
}

std::optional<QString> QtDialogs::open_file(QWidget* parent, SaveDialogState& state, const QString& caption) {
  QFileDialog dialog(parent, caption);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(state.filter);
  dialog.setDirectory(state.folder);
  dialog.selectFile(state.file_name);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QFileInfo info(dialog.selectedFiles().first());
  state.folder = info.absolutePath();
  state.file_name = info.fileName();
  return info.absoluteFilePath();
}

std::optional<int> QtDialogs::print_setup(QWidget* parent, QPrinter& printer) {
  printer.setCopyCount(1);
  QPrintDialog dialog(&printer, parent);
  const bool accepted = dialog.exec() == QDialog::Accepted;
  const int copies = std::max(1, printer.copyCount());
  printer.setCopyCount(1);
  if (!accepted) return std::nullopt;
  return copies;
}

}  // namespace vantor
