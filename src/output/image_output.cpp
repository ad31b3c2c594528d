#include "output/image_output.h"

#include <QDir>
#include <QPainter>
#include <QPrinter>
#include <algorithm>
#include <cmath>

#include "common/messages.h"
#include "ui/dialogs.h"

namespace vantor {

namespace {

constexpr double kTwip = 1.0 / 1440.0;  // inches

// The printable area of the printer's current page becomes the painter's
// origin: margins shrink to the least the printer allows.
void margins_to_printable_area(QPrinter& printer) {
  QPageLayout layout = printer.pageLayout();
  layout.setMargins(layout.minimumMargins());
  printer.setPageLayout(layout);
}

}  // namespace

void save_with_dialog(QWidget* parent, Dialogs& dialogs, SaveDialogState& state, const Surface& surface) {
  const std::optional<QString> path = dialogs.save_file(parent, state);
  if (!path) return;
  if (const std::optional<QString> reason = write_bitmap(surface, *path))
    dialogs.message(parent, app_title(),
                    QStringLiteral("The picture could not be saved as \"%1\": %2.")
                        .arg(QDir::toNativeSeparators(*path), *reason),
                    MessageButtons::Ok);
}

std::optional<QString> print_surface(QPrinter& printer, const Surface& surface, int copies) {
  const QImage image = surface_image(surface);
  if (image.isNull()) return QStringLiteral("the picture is empty");
  const double inches_w = image.width() / surface.pixels_per_inch();
  const double inches_h = image.height() / surface.pixels_per_inch();
  for (int copy = 1; copy <= copies; ++copy) {
    // The printer's own copy count would multiply every job.
    printer.setCopyCount(1);
    margins_to_printable_area(printer);
    QPainter painter;
    const QString which = QStringLiteral("copy %1 of %2").arg(copy).arg(copies);
    if (!painter.begin(&printer)) return QStringLiteral("the printer could not start ") + which;
    const double dpi_x = printer.logicalDpiX(), dpi_y = printer.logicalDpiY();
    painter.drawImage(QRectF(kTwip * dpi_x, kTwip * dpi_y, inches_w * dpi_x, inches_h * dpi_y), image);
    // Ending the painter sends this copy as a job of its own.
    if (!painter.end() || printer.printerState() == QPrinter::Error)
      return QStringLiteral("the printer reported an error on ") + which;
  }
  return std::nullopt;
}

void print_with_dialog(QWidget* parent, Dialogs& dialogs, QPrinter& printer, const Surface& surface) {
  const std::optional<int> copies = dialogs.print_setup(parent, printer);
  if (!copies) return;
  const int wanted = std::max(1, *copies);
  if (printer.docName().isEmpty()) printer.setDocName(app_title());
  if (const std::optional<QString> reason = print_surface(printer, surface, wanted)) {
    const QString name = printer.printerName().isEmpty() ? printer.outputFileName() : printer.printerName();
    dialogs.message(parent, app_title(),
                    QStringLiteral("Printing on \"%1\" failed: %2.").arg(name, *reason), MessageButtons::Ok);
  }
}

PrintDialogState::PrintDialogState() = default;
PrintDialogState::~PrintDialogState() = default;

QPrinter& PrintDialogState::printer() {
  if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  return *printer_;
}

void print_with_dialog(QWidget* parent, Dialogs& dialogs, PrintDialogState& state, const Surface& surface) {
  print_with_dialog(parent, dialogs, state.printer(), surface);
}

}  // namespace vantor
