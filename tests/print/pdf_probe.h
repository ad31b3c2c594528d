// Looks into printed PDF files with poppler's command-line tools, for the
// print tests: pages, embedded images and a rendering of a page.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "surface/surface.h"

namespace vantor::test {

// Runs a program to its end (at most timeout_ms); returns its standard
// output, or nullopt when it cannot start, fails or times out (the reason in
// *error).
std::optional<QByteArray> run_tool(const QString& program, const QStringList& args, QString* error,
                                   int timeout_ms = 60000);

struct PdfImage {
  int page = 0;
  int width = 0, height = 0;
  double x_ppi = 0, y_ppi = 0;
};

struct PdfInfo {
  int pages = 0;
  double page_width_pt = 0, page_height_pt = 0;  // of the first page
  std::vector<PdfImage> images;
};

// pdfinfo and pdfimages -list on the file.
std::optional<PdfInfo> probe_pdf(const QString& path, QString* error);

// The first page rendered by pdftoppm at the given resolution, without
// smoothing, as an 8-bit grey image.
QImage render_first_page(const QString& path, int dpi, QString* error);

// Compares the surface with a rendering that shows it scaled by `scale`
// (rendering pixels per surface pixel) with its top-left corner at
// (left, top) rendering pixels.  Each surface pixel is looked up at its
// centre, so a rendering that rounds edges by a pixel still matches when
// scale is 3 or more; grey levels below 128 are black.  Returns how many
// pixels differ, and in *compared how many fell on the page.
long long count_mismatches(const Surface& surface, const QImage& page, double scale, double left, double top,
                           long long* compared);

}  // namespace vantor::test
