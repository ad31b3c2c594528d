#include "designers/design_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include "design_file/design_file.h"
#include "designers/abs_form.h"
#include "designers/inc_form.h"
#include "output/export_file.h"
#include "ui/window_host.h"

namespace vantor {

SaveDialogState design_dialog_state(const QString& file_name) {
  SaveDialogState state;
  state.folder = QDir::homePath();
  state.file_name = file_name;
  state.default_suffix = qtext(kDesignFileExtension);
  state.filter = QStringLiteral("Vantor designs (*.%1);;All files (*)").arg(state.default_suffix);
  state.caption = QStringLiteral("Save Design");
  return state;
}

QMenuBar* design_menu_bar(QWidget* window, std::function<void()> open, std::function<void()> save) {
  auto* bar = new QMenuBar(window);
  QMenu* file = bar->addMenu(QStringLiteral("&File"));
  file->setObjectName(QStringLiteral("FileMenu"));
  QAction* open_action = file->addAction(QStringLiteral("&Open Design…"), QKeySequence(Qt::CTRL | Qt::Key_O));
  QAction* save_action = file->addAction(QStringLiteral("&Save Design…"), QKeySequence(Qt::CTRL | Qt::Key_S));
  open_action->setObjectName(QStringLiteral("OpenDesign"));
  save_action->setObjectName(QStringLiteral("SaveDesign"));
  QObject::connect(open_action, &QAction::triggered, window, std::move(open));
  QObject::connect(save_action, &QAction::triggered, window, std::move(save));
  return bar;
}

void name_design(QWidget* window, const QString& base_title, SaveDialogState& state, const QString& path) {
  const QFileInfo file(path);
  state.folder = file.absolutePath();
  state.file_name = file.fileName();
  window->setWindowTitle(base_title + QStringLiteral(" - ") + file.fileName());
}

void open_design_with_dialog(QWidget* window, WindowHost& windows, SaveDialogState& state) {
  // The next dialog opens in the folder chosen; the file becomes the window's
  // only when the window shows it.
  SaveDialogState asked = state;
  const std::optional<QString> path = windows.dialogs().open_file(window, asked, QStringLiteral("Open Design"));
  if (!path) return;
  state.folder = asked.folder;
  const auto read = read_design_file(QFile::encodeName(*path).toStdString(), QFileInfo(*path).fileName().toStdString());
  if (const DesignFileError* refused = std::get_if<DesignFileError>(&read)) {
    windows.dialogs().message(window, app_title(), qtext(refused->message), MessageButtons::Ok);
    return;
  }
  const DiscRequest& design = std::get<DiscRequest>(read);
  if (design.kind == DiscKind::Incremental)
    static_cast<IncForm*>(windows.show(WindowId::IncForm))->show_design(design.incremental, *path);
  else
    static_cast<AbsForm*>(windows.show(WindowId::AbsForm))->show_design(design.absolute, *path);
}

std::optional<QString> save_design_with_dialog(QWidget* window, Dialogs& dialogs, SaveDialogState& state,
                                               const DiscRequest& design) {
  const std::optional<QString> path = dialogs.save_file(window, state);
  if (!path) return std::nullopt;
  if (const std::optional<QString> reason = write_bytes_atomically(design_text(design), *path)) {
    dialogs.message(window, app_title(),
                    QStringLiteral("The design could not be saved as \"%1\": %2.")
                        .arg(QDir::toNativeSeparators(*path), *reason),
                    MessageButtons::Ok);
    return std::nullopt;
  }
  return path;
}

}  // namespace vantor
