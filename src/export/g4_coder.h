// CCITT Group 4 (T.6) coding of 1-bit rows into the bytes of one TIFF strip
// (Compression 4, FillOrder 1: the first code bit in the most significant
// bit of a byte).  A strip is coded on its own: its first row is coded
// against a white reference row, and it ends with the end-of-facsimile
// block (two EOL codes) and zero bits up to a whole byte, as libtiff codes
// a strip.  0 bits are coded as white runs and 1 bits as black runs.
#pragma once

#include <cstdint>
#include <vector>

namespace vantor {

// The coded bytes of `count` rows (count >= 1) of `width` pixels
// (width >= 1), packed_row_bytes(width) bytes a row, the first pixel in the
// most significant bit of a row's first byte.  The bits past `width` in a
// row's last byte are ignored.
std::vector<std::uint8_t> code_g4_strip(const std::uint8_t* rows, int count, int width);

}  // namespace vantor
