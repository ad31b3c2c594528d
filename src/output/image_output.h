// Save as bitmap and Print, shared by both design windows.
#pragma once

#include <QImage>
#include <QString>
#include <optional>

#include "surface/surface.h"

class QPrinter;
class QWidget;

namespace vantor {

class Dialogs;
struct SaveDialogState;

// The surface's raster as a 1-bit image (index 0 black, 1 white) with the
// surface's resolution in its dots-per-metre fields.  An empty surface gives
// a null image.
QImage surface_image(const Surface& surface);

// Writes the raster as a BMP file, whatever the extension of the path,
// atomically: the file appears complete or not at all, and on failure an
// existing file is left as it was.  Returns the reason of a failure.
std::optional<QString> write_bitmap(const Surface& surface, const QString& path);

// "Save": file dialog, then write; a failure is shown in a message box that
// names the file and the reason.  Cancel writes nothing and says nothing.
void save_with_dialog(QWidget* parent, Dialogs& dialogs, SaveDialogState& state,
                      const Surface& surface);

// One print job of one page per copy, each page holding the surface's image
// at its natural size (pixels_per_inch() pixels to the inch) at (1, 1) twips
// from the top-left of the printer's printable area; the page margins are
// set to that area and the printer's own copy count to 1.  Returns the
// reason of the first failure; the copies before it stay sent.
std::optional<QString> print_surface(QPrinter& printer, const Surface& surface, int copies);

// "Print": print dialog, then print_surface with the copies chosen.  A printer
// error is shown in a message box; Cancel prints nothing and says nothing.
// The first form prints on the system's default printer (high resolution),
// the second on the given printer, whose own copy count is left at 1.
void print_with_dialog(QWidget* parent, Dialogs& dialogs, const Surface& surface);
void print_with_dialog(QWidget* parent, Dialogs& dialogs, QPrinter& printer, const Surface& surface);

}  // namespace vantor
