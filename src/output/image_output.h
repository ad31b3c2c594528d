// Save as bitmap and Print, shared by both design windows.  The image file
// itself (surface_image, write_bitmap) is image_file.h's.
#pragma once

#include <QImage>
#include <QString>
#include <memory>
#include <optional>

#include "output/image_file.h"
#include "surface/surface.h"

class QPrinter;
class QWidget;

namespace vantor {

class Dialogs;
struct SaveDialogState;

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

// The printer of a window's print dialog with the settings chosen in it,
// kept while the window is loaded so that the next Print offers them again.
// The first Print makes it: the system's default printer, high resolution.
class PrintDialogState {
 public:
  PrintDialogState();
  ~PrintDialogState();
  PrintDialogState(const PrintDialogState&) = delete;
  PrintDialogState& operator=(const PrintDialogState&) = delete;

  QPrinter& printer();

 private:
  std::unique_ptr<QPrinter> printer_;
};

// "Print": print dialog, then print_surface with the copies chosen.  A printer
// error is shown in a message box; Cancel prints nothing and says nothing.
// The first form prints on the window's printer, the second on the given
// one; the printer's own copy count is left at 1.
void print_with_dialog(QWidget* parent, Dialogs& dialogs, PrintDialogState& state, const Surface& surface);
void print_with_dialog(QWidget* parent, Dialogs& dialogs, QPrinter& printer, const Surface& surface);

}  // namespace vantor
