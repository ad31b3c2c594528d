// Design files in the design windows: the "File" menu with "Open Design…"
// (Ctrl+O) and "Save Design…" (Ctrl+S) above the client area, and the
// handlers' shared steps.  The file itself is design_file/design_file.h's.
#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "request/request.h"
#include "ui/dialogs.h"

class QMenuBar;
class QWidget;

namespace vantor {

class WindowHost;

// The design-file dialogs' state of a window: the folder and the name that
// the next Open and Save offer, the last file opened or saved there.
SaveDialogState design_dialog_state(const QString& file_name);

// The menu bar of a design window, its File menu calling open and save.
QMenuBar* design_menu_bar(QWidget* window, std::function<void()> open, std::function<void()> save);

// The window now holds the design file at path: its title names the file,
// and the next Open and Save offer it.
void name_design(QWidget* window, const QString& base_title, SaveDialogState& state, const QString& path);

// "Open Design…": the file-open dialog, then the file read.  A design opens
// in the design window of its kind (shown, raised and loaded as
// IncForm::show_design and AbsForm::show_design say); a file that cannot be
// read is refused in a message box and no window changes.
void open_design_with_dialog(QWidget* window, WindowHost& windows, SaveDialogState& state);

// "Save Design…": the file-save dialog (which asks before replacing a file),
// then the design written whole or not at all.  Returns the path written;
// nullopt on Cancel or when the write failed, shown in a message box.
std::optional<QString> save_design_with_dialog(QWidget* window, Dialogs& dialogs, SaveDialogState& state,
                                               const DiscRequest& design);

}  // namespace vantor
