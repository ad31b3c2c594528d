// An independent reader of Windows bitmap files, for checking the bitmaps
// that the program writes against its drawings.
#pragma once

#include <QByteArray>
#include <QString>

#include "surface/surface.h"

namespace vantor::test {

// Why the file is not a bitmap that shows exactly the surface; empty when it
// is one.  The file must hold BITMAPFILEHEADER, BITMAPINFOHEADER (or a
// later header of that family), a palette of 1 bit a pixel whose colours
// are pure black or white, and uncompressed rows padded to 4 bytes,
// bottom-up unless the height is negative.
QString differs_from(const QByteArray& file, const Surface& surface);

}  // namespace vantor::test
