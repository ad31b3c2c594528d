#include "export/raster_file.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <tiffio.h>
#include <zlib.h>
#include <unistd.h>
#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <future>
#include <vector>

#include "export/g4_coder.h"

namespace vantor {

namespace {

constexpr double kMetresPerInch = 0.0254;
constexpr std::uint64_t kBmpHeaderBytes = 14 + 40 + 8;
// TIFF strips of about this many bytes before compression: each restarts
// the Group 4 coding, and a reader holds one at a time.
constexpr std::size_t kTiffStripBytes = std::size_t{1} << 20;

// The stdio buffer of a BMP or PNG file.
constexpr std::size_t kStreamBufferBytes = std::size_t{1} << 20;
// The bytes written before the disk is asked to start writing them.
constexpr off_t kWritebackBytes = off_t{8} << 20;

std::uint64_t bmp_stride(int width) { return (static_cast<std::uint64_t>(width) + 31) / 32 * 4; }

// The bytes of a packed row as the file stores it: a BMP's rows are padded
// to four bytes.
std::size_t file_row_bytes(const RasterFileSpec& s) {
  return s.format == RasterFormat::Bmp ? static_cast<std::size_t>(bmp_stride(s.width)) : packed_row_bytes(s.width);
}

std::uint64_t bmp_file_bytes(const RasterFileSpec& s) {
  return kBmpHeaderBytes + bmp_stride(s.width) * static_cast<std::uint64_t>(s.height);
}

std::string errno_text(int error) { return std::strerror(error); }

void put16(std::vector<std::uint8_t>& b, unsigned v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
  for (int k = 0; k < 4; ++k) b.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
}

// The mode a new file gets: that of the file it replaces, else the
// default for new files under the process's umask.
mode_t file_mode(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) return st.st_mode & 07777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

bool rows_bottom_up(RasterFormat format) { return format == RasterFormat::Bmp; }

std::optional<std::string> raster_size_refusal(const RasterFileSpec& spec) {
  if (spec.format == RasterFormat::Bmp && bmp_file_bytes(spec) > 0xFFFFFFFFull)
    return "a BMP file holds at most 4 GiB, and this picture of " + std::to_string(spec.width) + " x " +
           std::to_string(spec.height) + " pixels needs " + std::to_string(bmp_file_bytes(spec) >> 20) +
           " MiB (use PNG or TIFF)";
  return std::nullopt;
}

namespace {

// The top bits of eight one-byte pixels as one byte: the first pixel in
// the most significant bit when `first_high`, else in the least.
std::uint8_t eight_pixels(const std::uint8_t* p, bool first_high) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  if (first_high == (std::endian::native == std::endian::little)) v = __builtin_bswap64(v);
  // Gathers bit 7 of byte k (from the least significant) into bit k.
  return static_cast<std::uint8_t>(((v & 0x8080808080808080ull) * 0x0002040810204081ull) >> 56);
}

// Byte v with its bits in the opposite order.
constexpr std::array<std::uint8_t, 256> kReversedBits = [] {
  std::array<std::uint8_t, 256> t{};
  for (unsigned v = 0; v < 256; ++v)
    for (int k = 0; k < 8; ++k)
      if (v & (1u << k)) t[v] |= static_cast<std::uint8_t>(0x80u >> k);
  return t;
}();

#if defined(__x86_64__)
// The bytes of a row from its first, 32 pixels a step with AVX2; returns
// the bytes done.  movemask puts pixel k's top bit in bit k: the order a
// mirrored row wants, byte-swapped; a plain row first has each eight pixels
// reversed.
__attribute__((target("avx2"))) int pack_row_avx2(const std::uint8_t* pixels, int width, bool mirror,
                                                  std::uint8_t flip, std::uint8_t* out) {
  const __m256i reversed = _mm256_setr_epi8(7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1,
                                            0, 15, 14, 13, 12, 11, 10, 9, 8);
  const std::uint32_t flips = flip * 0x01010101u;
  const int full = width / 8;
  int b = 0;
  for (; b + 4 <= full; b += 4) {
    const std::uint8_t* p = mirror ? pixels + width - 8 * (b + 4) : pixels + 8 * b;
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    const std::uint32_t m = mirror ? __builtin_bswap32(static_cast<std::uint32_t>(_mm256_movemask_epi8(v)))
                                   : static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_shuffle_epi8(v, reversed)));
    const std::uint32_t bytes = m ^ flips;
    std::memcpy(out + b, &bytes, 4);
  }
  return b;
}

const bool kHasAvx2 = __builtin_cpu_supports("avx2");
#endif

}  // namespace

void pack_row(const std::uint8_t* pixels, int width, bool mirror, bool negative, std::uint8_t* out) {
  const std::uint8_t flip = negative ? 0xFF : 0x00;
  const int full = width / 8;
  int b = 0;
#if defined(__x86_64__)
  if (kHasAvx2) b = pack_row_avx2(pixels, width, mirror, flip, out);
  // The rest sixteen pixels a step: movemask puts pixel k's top bit in bit
  // k, the order a mirrored byte wants; a plain byte wants it reversed.
  for (; b + 2 <= full; b += 2) {
    const std::uint8_t* p = mirror ? pixels + width - 8 * (b + 2) : pixels + 8 * b;
    const unsigned m = static_cast<unsigned>(_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))));
    const unsigned low = m & 0xFF, high = m >> 8;
    out[b] = (mirror ? high : kReversedBits[low]) ^ flip;
    out[b + 1] = (mirror ? low : kReversedBits[high]) ^ flip;
  }
#endif
  for (; b < full; ++b)
    out[b] = eight_pixels(mirror ? pixels + width - 8 * (b + 1) : pixels + 8 * b, !mirror) ^ flip;
  if (const int rest = width - 8 * full; rest > 0) {
    unsigned byte = 0;
    for (int k = 0; k < rest; ++k) {
      const int x = 8 * full + k;
      byte |= static_cast<unsigned>(pixels[mirror ? width - 1 - x : x] >> 7) << (7 - k);
    }
    // Bits past the width stay clear, negative or not.
    out[full] = static_cast<std::uint8_t>((byte ^ flip) & (0xFFu << (8 - rest)));
  }
}

struct RasterFile::Impl {
  RasterFileSpec spec;
  std::string path, temp;
  int fd = -1;
  std::FILE* file = nullptr;  // BMP and PNG
  png_structp png = nullptr;
  png_infop png_info = nullptr;
  TIFF* tiff = nullptr;
  TIFFOpenOptions* tiff_options = nullptr;
  std::string error;  // the first failure; nothing is written after it
  int rows_written = 0;
  bool committed = false;
  std::vector<std::uint8_t> packed;  // write_band's band, packed
  std::vector<char> buffer;          // the stream's, until it is closed
  off_t writeback_from = 0;          // start_writeback's: where the bytes not started begin
  // TIFF: the packed rows of the strip being filled, and the strips written.
  std::vector<std::uint8_t> strip;
  std::uint32_t rows_per_strip = 1, strips_written = 0;

  ~Impl() { close(); }

  // Closes whatever is open, keeping the first failure.
  void close() {
    if (png) png_destroy_write_struct(&png, &png_info);
    if (tiff) {
      TIFFClose(tiff);  // also closes fd
      tiff = nullptr;
      fd = -1;
    }
    if (tiff_options) TIFFOpenOptionsFree(tiff_options), tiff_options = nullptr;
    if (file) {
      if (std::fclose(file) != 0 && error.empty()) error = errno_text(errno);
      file = nullptr;
      fd = -1;
    }
    if (fd >= 0) ::close(fd), fd = -1;
    if (!committed && !temp.empty()) ::unlink(temp.c_str()), temp.clear();
  }

  void fail(std::string why) {
    if (error.empty()) error = why.empty() ? "the file could not be written" : std::move(why);
  }

  // Starts the disk's writing of what a BMP or PNG holds so far, a few
  // megabytes at a time, so that the fsync of the commit waits for the last
  // ones only.  A failure to start it is no failure of the file.
  void start_writeback() {
    if (!file) return;
    const off_t at = ::ftello(file);
    if (at < 0 || at - writeback_from < kWritebackBytes) return;
    if (std::fflush(file) != 0) return fail(errno_text(errno));
    ::sync_file_range(::fileno(file), writeback_from, at - writeback_from, SYNC_FILE_RANGE_WRITE);
    writeback_from = at;
  }

  bool write(const void* data, std::size_t n) {
    if (std::fwrite(data, 1, n, file) == n) return true;
    fail(errno_text(errno));
    return false;
  }

  static void png_error(png_structp png, png_const_charp message) {
    static_cast<Impl*>(png_get_error_ptr(png))->fail(message);
    std::longjmp(png_jmpbuf(png), 1);
  }
  static void png_warning(png_structp, png_const_charp) {}
  static int tiff_error(TIFF*, void* user, const char*, const char* format, va_list args) {
    char message[512];
    std::vsnprintf(message, sizeof message, format, args);
    static_cast<Impl*>(user)->fail(message);
    return 1;
  }

  bool open_bmp() {
    std::vector<std::uint8_t> h;
    const std::uint32_t ppm = static_cast<std::uint32_t>(std::lround(spec.dpi / kMetresPerInch));
    h.push_back('B'), h.push_back('M');
    put32(h, static_cast<std::uint32_t>(bmp_file_bytes(spec)));
    put32(h, 0);
    put32(h, static_cast<std::uint32_t>(kBmpHeaderBytes));
    put32(h, 40);
    put32(h, static_cast<std::uint32_t>(spec.width));
    put32(h, static_cast<std::uint32_t>(spec.height));  // positive: bottom-up rows
    put16(h, 1);
    put16(h, 1);
    put32(h, 0);  // no compression
    put32(h, static_cast<std::uint32_t>(bmp_stride(spec.width) * static_cast<std::uint64_t>(spec.height)));
    put32(h, ppm);
    put32(h, ppm);
    put32(h, 2);
    put32(h, 2);
    for (std::uint8_t v : {0, 0, 0, 0, 255, 255, 255, 0}) h.push_back(v);  // index 0 black, 1 white
    return write(h.data(), h.size());
  }

  bool open_png() {
    png = png_create_write_struct(PNG_LIBPNG_VER_STRING, this, png_error, png_warning);
    if (!png) return fail("not enough memory"), false;
    png_info = png_create_info_struct(png);
    if (!png_info) return fail("not enough memory"), false;
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_IHDR(png, png_info, static_cast<png_uint_32>(spec.width), static_cast<png_uint_32>(spec.height), 1,
                 PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    const auto ppm = static_cast<png_uint_32>(std::lround(spec.dpi / kMetresPerInch));
    png_set_pHYs(png, png_info, ppm, ppm, PNG_RESOLUTION_METER);
    // A film's rows are long runs of one colour: run-length deflate codes
    // them in a third of the default's time, for a file about half again as
    // large (the 16-bit disc at 8000 per inch: 4.7 MB against 3.4 MB).
    png_set_compression_strategy(png, Z_RLE);
    png_write_info(png, png_info);
    return true;
  }

  bool open_tiff() {
    tiff_options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(tiff_options, tiff_error, this);
    tiff = TIFFFdOpenExt(fd, temp.c_str(), "w", tiff_options);
    if (!tiff) return fail(""), false;
    rows_per_strip = static_cast<std::uint32_t>(
        std::clamp<std::size_t>(kTiffStripBytes / packed_row_bytes(spec.width), 1, static_cast<std::size_t>(spec.height)));
    const bool set = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(spec.width)) &&
                     TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(spec.height)) &&
                     TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 1) && TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1) &&
                     TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4) &&
                     TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK) &&
                     TIFFSetField(tiff, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB) &&
                     TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
                     TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, rows_per_strip) &&
                     TIFFSetField(tiff, TIFFTAG_XRESOLUTION, spec.dpi) &&
                     TIFFSetField(tiff, TIFFTAG_YRESOLUTION, spec.dpi) &&
                     TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH) &&
                     TIFFSetField(tiff, TIFFTAG_SOFTWARE, "Vantor");
    if (!set) fail("");
    return set;
  }

  // Fills strips with the rows; the strips completed are coded at once, on
  // a thread each but the last, and written in order.
  void write_tiff_rows(const std::uint8_t* rows, int count) {
    const std::size_t bytes = packed_row_bytes(spec.width);
    std::vector<std::vector<std::uint8_t>> complete;
    for (int k = 0; k < count; ++k) {
      strip.insert(strip.end(), rows + k * bytes, rows + (k + 1) * bytes);
      const std::size_t in_strip = strip.size() / bytes;
      if (in_strip == rows_per_strip || rows_written + k + 1 == spec.height)
        complete.push_back(std::move(strip)), strip.clear();
    }
    std::vector<std::vector<std::uint8_t>> coded(complete.size());
    std::vector<std::future<void>> coding;
    auto code = [&](std::size_t n) {
      coded[n] = code_g4_strip(complete[n].data(), static_cast<int>(complete[n].size() / bytes), spec.width);
    };
    for (std::size_t n = 0; n + 1 < complete.size(); ++n) coding.push_back(std::async(std::launch::async, code, n));
    if (!complete.empty()) code(complete.size() - 1);
    for (std::size_t n = 0; n < complete.size(); ++n) {
      if (n < coding.size()) coding[n].get();
      if (!error.empty()) continue;
      if (TIFFWriteRawStrip(tiff, strips_written, coded[n].data(), static_cast<tmsize_t>(coded[n].size())) < 0)
        fail("");
      ++strips_written;
    }
  }

  bool write_png_rows(const std::uint8_t* rows, int count) {
    if (setjmp(png_jmpbuf(png))) return false;
    const std::size_t bytes = packed_row_bytes(spec.width);
    for (int k = 0; k < count; ++k) png_write_row(png, rows + k * bytes);
    return true;
  }

  bool finish_png() {
    if (setjmp(png_jmpbuf(png))) return false;
    png_write_end(png, png_info);
    return true;
  }
};

RasterFile::RasterFile(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

RasterFile::~RasterFile() = default;

std::variant<std::unique_ptr<RasterFile>, std::string> RasterFile::create(const std::string& path,
                                                                          const RasterFileSpec& spec) {
  if (spec.width <= 0 || spec.height <= 0) return std::string("the picture is empty");
  if (const auto refusal = raster_size_refusal(spec)) return *refusal;
  auto impl = std::make_unique<Impl>();
  impl->spec = spec;
  impl->path = path;
  std::string temp = path + ".tmp-XXXXXX";
  impl->fd = ::mkstemp(temp.data());
  if (impl->fd < 0) return errno_text(errno);
  impl->temp = temp;
  ::fchmod(impl->fd, file_mode(path));
  bool opened;
  if (spec.format == RasterFormat::Tiff) {
    opened = impl->open_tiff();
  } else {
    impl->file = ::fdopen(impl->fd, "wb");
    if (!impl->file) return errno_text(errno);
    // Rows of a few kilobytes each are written in far fewer system calls.
    impl->buffer.resize(kStreamBufferBytes);
    std::setvbuf(impl->file, impl->buffer.data(), _IOFBF, impl->buffer.size());
    opened = spec.format == RasterFormat::Bmp ? impl->open_bmp() : impl->open_png();
  }
  if (!opened) return impl->error;
  return std::unique_ptr<RasterFile>(new RasterFile(std::move(impl)));
}

void RasterFile::pack_band(const std::uint8_t* pixels, int rows, std::vector<std::uint8_t>& packed) const {
  const RasterFileSpec& spec = impl_->spec;
  const std::size_t stride = file_row_bytes(spec);
  rows = std::max(rows, 0);
  packed.resize(stride * static_cast<std::size_t>(rows));
  const bool bottom_up = rows_bottom_up(spec.format);
  for (int k = 0; k < rows; ++k) {
    std::uint8_t* row = packed.data() + stride * k;
    pack_row(pixels + static_cast<std::size_t>(bottom_up ? rows - 1 - k : k) * spec.width, spec.width, spec.mirror,
             spec.negative, row);
    std::fill(row + packed_row_bytes(spec.width), row + stride, 0);
  }
}

const RasterFileSpec& RasterFile::spec() const { return impl_->spec; }

std::optional<std::string> RasterFile::write_band(const std::uint8_t* pixels, int rows) {
  pack_band(pixels, rows, impl_->packed);
  return write_packed(impl_->packed.data(), rows);
}

std::optional<std::string> RasterFile::write_packed(const std::uint8_t* rows, int count) {
  Impl& f = *impl_;
  if (!f.error.empty()) return f.error;
  if (count < 0 || count > f.spec.height - f.rows_written) {
    f.fail("more rows than the picture has");
    return f.error;
  }
  switch (f.spec.format) {
    case RasterFormat::Bmp:
      f.write(rows, file_row_bytes(f.spec) * static_cast<std::size_t>(count));
      break;
    case RasterFormat::Png:
      f.write_png_rows(rows, count);
      break;
    case RasterFormat::Tiff:
      f.write_tiff_rows(rows, count);
      break;
  }
  if (f.error.empty()) f.rows_written += count;
  if (f.error.empty()) f.start_writeback();
  if (!f.error.empty()) return f.error;
  return std::nullopt;
}

std::optional<std::string> RasterFile::commit() {
  Impl& f = *impl_;
  if (f.error.empty() && f.rows_written < f.spec.height) f.fail("the picture is incomplete");
  if (f.error.empty() && f.spec.format == RasterFormat::Png) f.finish_png();
  if (f.error.empty() && f.spec.format == RasterFormat::Tiff) {
    if (!TIFFFlush(f.tiff)) f.fail("");
  }
  if (f.error.empty() && f.file && std::fflush(f.file) != 0) f.fail(errno_text(errno));
  const int fd = f.file ? ::fileno(f.file) : f.fd;
  if (f.error.empty() && fd >= 0 && ::fsync(fd) != 0) f.fail(errno_text(errno));
  const std::string temp = f.temp;
  if (f.error.empty()) f.committed = true;  // close keeps the temporary file
  f.close();
  if (!f.error.empty()) {
    if (f.committed) ::unlink(temp.c_str());
    f.committed = false;
    return f.error;
  }
  if (std::rename(temp.c_str(), f.path.c_str()) != 0) {
    const std::string why = errno_text(errno);
    ::unlink(temp.c_str());
    return why;
  }
  return std::nullopt;
}

}  // namespace vantor
