// A surface's raster as a 1-bit image for printing, and as the BMP file that
// "Save" writes.  Needs Qt Gui only (no widgets, no display).
#pragma once

#include <QImage>
#include <QString>
#include <optional>

#include "surface/surface.h"

namespace vantor {

// A 1-bit image (index 0 black, 1 white, most significant bit first) of
// width x height pixels with `pixels_per_inch` in its dots-per-metre fields.
// Its pixels are not set.  A null image when the size is empty or the
// memory cannot be had.
QImage mono_image(int width, int height, double pixels_per_inch);

// Copies the raster of `band` into the rows row, row + 1, ... of a
// mono_image as wide as the band; a pixel of 0x80 or more is white.
void pack_rows(const Surface& band, QImage& image, int row);

// The surface's raster as a mono_image with the surface's resolution.  An
// empty surface gives a null image.
QImage surface_image(const Surface& surface);

// The surface as a 1-bit BMP file with its resolution, whatever the
// extension of the path, written atomically (export/raster_file.h): the
// reason of a failure, an existing file then untouched.
std::optional<QString> write_bitmap(const Surface& surface, const QString& path);

}  // namespace vantor
