#include "export/g4_coder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string_view>

#include "export/raster_file.h"

namespace vantor {

namespace {

struct Code {
  std::uint32_t bits = 0;  // the code in its low `length` bits
  int length = 0;
};

// A code from its bits as written, the first bit sent first.
consteval Code code(std::string_view written) {
  Code c;
  for (char bit : written) c.bits = c.bits << 1 | (bit == '1' ? 1u : 0u), ++c.length;
  return c;
}

constexpr Code kPass = code("0001"), kHorizontal = code("001"), kEndOfLine = code("000000000001");
// Vertical mode by b1 - a1 from -3 to 3: a1 3 pixels right of b1 first.
constexpr std::array<Code, 7> kVertical = {code("0000011"), code("000011"), code("011"),    code("1"),
                                           code("010"),     code("000010"), code("0000010")};

// Terminating codes: runs of 0 to 63 pixels.
constexpr std::array<Code, 64> kWhiteRun = {
    code("00110101"), code("000111"),   code("0111"),     code("1000"),     code("1011"),     code("1100"),
    code("1110"),     code("1111"),     code("10011"),    code("10100"),    code("00111"),    code("01000"),
    code("001000"),   code("000011"),   code("110100"),   code("110101"),   code("101010"),   code("101011"),
    code("0100111"),  code("0001100"),  code("0001000"),  code("0010111"),  code("0000011"),  code("0000100"),
    code("0101000"),  code("0101011"),  code("0010011"),  code("0100100"),  code("0011000"),  code("00000010"),
    code("00000011"), code("00011010"), code("00011011"), code("00010010"), code("00010011"), code("00010100"),
    code("00010101"), code("00010110"), code("00010111"), code("00101000"), code("00101001"), code("00101010"),
    code("00101011"), code("00101100"), code("00101101"), code("00000100"), code("00000101"), code("00001010"),
    code("00001011"), code("01010010"), code("01010011"), code("01010100"), code("01010101"), code("00100100"),
    code("00100101"), code("01011000"), code("01011001"), code("01011010"), code("01011011"), code("01001010"),
    code("01001011"), code("00110010"), code("00110011"), code("00110100")};
constexpr std::array<Code, 64> kBlackRun = {
    code("0000110111"),   code("010"),          code("11"),           code("10"),           code("011"),
    code("0011"),         code("0010"),         code("00011"),        code("000101"),       code("000100"),
    code("0000100"),      code("0000101"),      code("0000111"),      code("00000100"),     code("00000111"),
    code("000011000"),    code("0000010111"),   code("0000011000"),   code("0000001000"),   code("00001100111"),
    code("00001101000"),  code("00001101100"),  code("00000110111"),  code("00000101000"),  code("00000010111"),
    code("00000011000"),  code("000011001010"), code("000011001011"), code("000011001100"), code("000011001101"),
    code("000001101000"), code("000001101001"), code("000001101010"), code("000001101011"), code("000011010010"),
    code("000011010011"), code("000011010100"), code("000011010101"), code("000011010110"), code("000011010111"),
    code("000001101100"), code("000001101101"), code("000011011010"), code("000011011011"), code("000001010100"),
    code("000001010101"), code("000001010110"), code("000001010111"), code("000001100100"), code("000001100101"),
    code("000001010010"), code("000001010011"), code("000000100100"), code("000000110111"), code("000000111000"),
    code("000000100111"), code("000000101000"), code("000001011000"), code("000001011001"), code("000000101011"),
    code("000000101100"), code("000001011010"), code("000001100110"), code("000001100111")};

// Makeup codes: runs of 64 k pixels, k from 1 to 40 at index k - 1; from
// 1792 pixels on (index 27) the same for both colours.
constexpr std::array<Code, 40> kWhiteMakeup = {
    code("11011"),        code("10010"),        code("010111"),       code("0110111"),      code("00110110"),
    code("00110111"),     code("01100100"),     code("01100101"),     code("01101000"),     code("01100111"),
    code("011001100"),    code("011001101"),    code("011010010"),    code("011010011"),    code("011010100"),
    code("011010101"),    code("011010110"),    code("011010111"),    code("011011000"),    code("011011001"),
    code("011011010"),    code("011011011"),    code("010011000"),    code("010011001"),    code("010011010"),
    code("011000"),       code("010011011"),    code("00000001000"),  code("00000001100"),  code("00000001101"),
    code("000000010010"), code("000000010011"), code("000000010100"), code("000000010101"), code("000000010110"),
    code("000000010111"), code("000000011100"), code("000000011101"), code("000000011110"), code("000000011111")};
constexpr std::array<Code, 40> kBlackMakeup = {
    code("0000001111"),    code("000011001000"),  code("000011001001"),  code("000001011011"),  code("000000110011"),
    code("000000110100"),  code("000000110101"),  code("0000001101100"), code("0000001101101"), code("0000001001010"),
    code("0000001001011"), code("0000001001100"), code("0000001001101"), code("0000001110010"), code("0000001110011"),
    code("0000001110100"), code("0000001110101"), code("0000001110110"), code("0000001110111"), code("0000001010010"),
    code("0000001010011"), code("0000001010100"), code("0000001010101"), code("0000001011010"), code("0000001011011"),
    code("0000001100100"), code("0000001100101"), code("00000001000"),   code("00000001100"),   code("00000001101"),
    code("000000010010"),  code("000000010011"),  code("000000010100"),  code("000000010101"),  code("000000010110"),
    code("000000010111"),  code("000000011100"),  code("000000011101"),  code("000000011110"),  code("000000011111")};

// The longest run one makeup code takes before the rest: a run of 2624
// pixels or more is sent as makeup codes of 2560 until less is left.
constexpr int kLongestMakeup = 2560;

std::uint64_t big_endian(std::uint64_t v) {
  return std::endian::native == std::endian::little ? __builtin_bswap64(v) : v;
}

// Collects codes into 64-bit words, the first bit in the most significant,
// and appends the words to a byte buffer, first byte first.
class BitWriter {
 public:
  void put(Code c) { put(c.bits, c.length); }
  // `length` from 1 to 32 bits, the first sent in the highest.
  void put(std::uint32_t bits, int length) {
    if (length <= free_) {
      free_ -= length;
      word_ |= std::uint64_t{bits} << free_;
      return;
    }
    const int rest = length - free_;
    word_ |= std::uint64_t{bits} >> rest;
    flush_word();
    free_ = 64 - rest;
    word_ = std::uint64_t{bits} << free_;
  }
  void put_ones(int count) {
    for (; count >= 32; count -= 32) put(0xFFFFFFFFu, 32);
    if (count > 0) put((1u << count) - 1, count);
  }
  // The bytes, the last completed with zero bits.
  std::vector<std::uint8_t> finish() && {
    const int bytes = (64 - free_ + 7) / 8;
    flush_word();
    bytes_.resize(at_ - 8 + static_cast<std::size_t>(bytes));
    return std::move(bytes_);
  }

 private:
  void flush_word() {
    if (at_ + 8 > bytes_.size()) bytes_.resize(std::max<std::size_t>(4096, 2 * bytes_.size()));
    const std::uint64_t out = big_endian(word_);
    std::memcpy(bytes_.data() + at_, &out, 8);
    at_ += 8;
  }

  std::vector<std::uint8_t> bytes_;
  std::size_t at_ = 0;
  std::uint64_t word_ = 0;
  int free_ = 64;  // the bits of word_ not yet used, at its low end
};

void put_run(BitWriter& out, int run, const std::array<Code, 64>& terminating, const std::array<Code, 40>& makeup) {
  for (; run >= kLongestMakeup + 64; run -= kLongestMakeup) out.put(makeup.back());
  if (run >= 64) out.put(makeup[run / 64 - 1]), run %= 64;
  out.put(terminating[run]);
}

// Copies of the width after a row's changing elements, so that the coding
// looks up to two past the last one without a test.
constexpr int kSentinels = 3;

// Writes the changing elements of a row to `out` (room for width +
// kSentinels): the pixels, from 0, whose colour differs from the pixel
// before them, the pixel before the first taken as white; those at even
// places start black runs.  Then kSentinels copies of `width`.  Returns the
// count of changing elements.
int find_changes(const std::uint8_t* row, int width, int* out) {
  const std::size_t bytes = packed_row_bytes(width);
  int n = 0;
  std::uint64_t before = 0;  // the last pixel of the word before, in the highest bit
  for (std::size_t at = 0; at < bytes; at += 8) {
    std::uint64_t w = 0;
    if (at + 8 <= bytes) {
      std::memcpy(&w, row + at, 8);
      w = big_endian(w);
    } else {
      for (std::size_t k = at; k < bytes; ++k) w |= std::uint64_t{row[k]} << (56 - 8 * (k - at));
    }
    std::uint64_t changes = w ^ (w >> 1 | before);
    before = w << 63;
    const int first = static_cast<int>(8 * at);
    if (first + 64 > width) changes &= ~std::uint64_t{0} << (first + 64 - width);
    while (changes) {
      const int p = std::countl_zero(changes);
      out[n++] = first + p;
      changes ^= (std::uint64_t{1} << 63) >> p;
    }
  }
  std::fill_n(out + n, kSentinels, width);
  return n;
}

// Codes a row from its changing elements against those of the reference
// row (each with its sentinels), as libtiff chooses the modes: pass mode
// when b2 lies left of a1, else vertical mode when a1 is within 3 pixels of
// b1, else horizontal mode.
void code_row(BitWriter& out, const int* row, const int* reference, int width) {
  int a0 = -1;         // the imaginary white pixel before the row at first
  bool black = false;  // the colour at a0
  const int* a = row;
  const int* b = reference;
  for (;;) {
    while (*a <= a0) ++a;
    // b1 is the first change right of a0 to the colour opposite a0's; the
    // one before the last b1 may be it once a0 has changed colour.
    if (b > reference) --b;
    while (*b <= a0) ++b;
    if (((b - reference) & 1) != static_cast<int>(black)) ++b;
    const int a1 = a[0], b1 = b[0], b2 = b[1];
    if (b2 < a1) {
      out.put(kPass);
      a0 = b2;
    } else if (const int d = b1 - a1; d >= -3 && d <= 3) {
      out.put(kVertical[static_cast<std::size_t>(d + 3)]);
      a0 = a1;
      black = !black;
    } else {
      const int a2 = a[1];
      out.put(kHorizontal);
      if (black) {
        put_run(out, a1 - a0, kBlackRun, kBlackMakeup);
        put_run(out, a2 - a1, kWhiteRun, kWhiteMakeup);
      } else {
        put_run(out, a1 - std::max(a0, 0), kWhiteRun, kWhiteMakeup);
        put_run(out, a2 - a1, kBlackRun, kBlackMakeup);
      }
      a0 = a2;
    }
    if (a0 >= width) return;
  }
}

}  // namespace

std::vector<std::uint8_t> code_g4_strip(const std::uint8_t* rows, int count, int width) {
  const std::size_t bytes = packed_row_bytes(width);
  const std::size_t room = static_cast<std::size_t>(width) + kSentinels;
  std::vector<int> changes(2 * room);
  int* reference = changes.data();
  int* row = reference + room;
  std::fill_n(reference, kSentinels, width);
  int reference_changes = 0;
  BitWriter out;
  for (int j = 0; j < count; ++j) {
    const std::uint8_t* pixels = rows + bytes * static_cast<std::size_t>(j);
    // A row as its reference row: one vertical code of 1 bit for each
    // changing element and one for the end.
    if (j > 0 && std::memcmp(pixels, pixels - bytes, bytes) == 0) {
      out.put_ones(reference_changes + 1);
      continue;
    }
    const int n = find_changes(pixels, width, row);
    code_row(out, row, reference, width);
    std::swap(row, reference);
    reference_changes = n;
  }
  out.put(kEndOfLine);
  out.put(kEndOfLine);
  return std::move(out).finish();
}

}  // namespace vantor
