// Save as bitmap and Print, shared by both design windows.
#pragma once

#include <QImage>
#include <QString>
#include <optional>

#include "surface/surface.h"

class QWidget;

namespace vantor {

class Dialogs;
struct SaveDialogState;

// The surface's raster as a 1-bit image (index 0 black, 1 white) with the
// surface's resolution in its dots-per-metre fields.
QImage surface_image(const Surface& surface);

// Writes the raster as a BMP file, atomically: on failure an existing file
// is left as it was.  Returns the reason of a failure.
std::optional<QString> write_bitmap(const Surface& surface, const QString& path);

// "Save": file dialog, then write; a failure is shown in a message box that
// names the file and the reason.
void save_with_dialog(QWidget* parent, Dialogs& dialogs, SaveDialogState& state,
                      const Surface& surface);

// "Print": print dialog, then one print job of one page per copy, the image
// at natural size at (1, 1) twips from the top-left of the printable area.
// A printer error is shown in a message box; copies already sent stay sent.
void print_with_dialog(QWidget* parent, Dialogs& dialogs, const Surface& surface);

}  // namespace vantor
