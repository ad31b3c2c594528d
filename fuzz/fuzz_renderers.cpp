// Fuzzes both renderers with arbitrary field texts and option choices, on
// the picture surface or on a small one.  Field texts lean towards numbers
// (and towards the limits: the largest resolutions, single-precision
// overflow) so that most inputs get as far as drawing.
//
// Checked: no crash, no undefined behaviour, bounded time and memory; every
// pixel black or white; the incremental outcome writes zoom_diam exactly
// when it should, and a drawing that fails before writing it leaves the
// previous image; every design that build_absolute_design accepts (balance
// within -45 ... 45) renders completely and leaves the surface's state as
// documented; a resolution above the renderer's ceiling draws nothing.
#include <cmath>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <variant>
#include <vector>

#include "absolute/absolute_design.h"
#include "absolute/absolute_renderer.h"
#include "common/numtext.h"
#include "fuzz_input.h"
#include "incremental/incremental_design.h"
#include "incremental/incremental_renderer.h"
#include "pixel_checks.h"
#include "surface/surface.h"

namespace {

using namespace vantor;

// With VANTOR_FUZZ_STATS set, how far the inputs got, printed at exit: to
// see that the drawing is reached often.
struct Stats {
  long incremental[5] = {};  // by Message
  long absolute_refused[5] = {};
  long absolute_drawn = 0, absolute_stopped = 0, records = 0;
  ~Stats() {
    if (!std::getenv("VANTOR_FUZZ_STATS")) return;
    std::fprintf(stderr,
                 "incremental: drawn %ld, invalid %ld, slots too long %ld, resolution too high %ld\n"
                 "absolute: drawn %ld, stopped %ld, invalid %ld, resolution too high %ld; records %ld\n",
                 incremental[0], incremental[1], incremental[2], incremental[3], absolute_drawn, absolute_stopped,
                 absolute_refused[1], absolute_refused[4], records);
  }
} stats;

std::string quoted(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') {
      out.push_back(static_cast<char>(c));
    } else {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\x%02x", c);
      out += buffer;
    }
  }
  return out + "\"";
}

// A field's text: kept at its default, raw bytes, one of a set of edge
// texts, or a decimal number built from the input.
std::string field(fuzz::Input& in, const std::string& default_text) {
  if (in.empty()) return default_text;
  static const char* const kEdges[] = {
      "",           " ",         "0",          "-0",       "1e400",     "-1e400",    "1e-400",    "1e308",
      "3.4e38",     "3.5e38",    "-3.5e38",    "1e38",     "1e-38",     "1e-45",     "nan",       "inf",
      "0x10",       "1,5",       "2 3",        ".",        "+",         "e5",        "1e",        "200000",
      "199999",     "199999.5",  "399999.5",   "200001",   "1e6",       "20",        "20.0000001", "21",
      "19.5",       "0.5",       "-1",         "-20",      "45",        "-45",       "46",        "1E15",
      "2147483648", "  7\t",     "0.001",      "1e-300",   "65536",     "1048576",   "0.0000001", "99999.9"};
  const std::uint8_t kind = in.byte();
  switch (kind % 8) {
    case 0:
      return default_text;
    case 1:
      return in.text(24);
    case 2:
      return kEdges[in.byte() % std::size(kEdges)];
    case 3: {
      // Around the renderers' resolution limits.
      static const double kLimits[] = {kMaxResolutionExp, kMaxSlotsPerTrack, kMaxSlotsPerTrack / 2};
      static const double kOffsets[] = {0, 0.5, -0.5, 1, -1, 1e-9, -1e-9, 0.25};
      const std::uint8_t b = in.byte();
      return general_text(kLimits[b % std::size(kLimits)] + kOffsets[(b / 4) % std::size(kOffsets)]);
    }
    default: {
      const bool negative = kind & 0x80;
      const unsigned mantissa = in.raw<std::uint16_t>();
      const std::uint8_t shape = in.byte();
      std::string digits = std::to_string(mantissa);
      const std::size_t point = shape % 8;
      if (point > 0 && point <= digits.size()) digits.insert(digits.size() - point, ".");
      if (point > digits.size()) digits = "0." + std::string(point - digits.size(), '0') + digits;
      if (shape & 0x80) digits += "E" + std::to_string(static_cast<int>(static_cast<std::int8_t>(in.byte())) / 4);
      return (negative ? "-" : "") + digits;
    }
  }
}

// The figures a drawing issues, beyond which it goes on a tiny surface: a
// drawing costs about its figure count times the rows each figure covers,
// and the largest resolutions (2^20 sectors, 200,000 slots a track) take
// seconds on the picture surface under the sanitizers.
constexpr double kHeavyFigures = 2048;

// The picture surface, or a small one at some density; a tiny one for a
// heavy drawing.
Surface make_surface(std::uint8_t pick, std::uint8_t w, std::uint8_t h, bool heavy) {
  static constexpr double kDensities[] = {96, 72, 1, 300, 25.4, 0.01, 1440, 7.3};
  const double ppi = kDensities[pick % std::size(kDensities)];
  if (heavy) return Surface(w % 5, h % 5, ppi);
  if (pick < 160) return Surface::for_picture();
  return Surface(w % 201, h % 201, ppi);
}

std::size_t pixel_count(const Surface& s) { return static_cast<std::size_t>(s.width()) * s.height(); }

void check_black_and_white(const Surface& s, const std::string& what) {
  FUZZ_CHECK(!fuzz::first_grey(s.data(), pixel_count(s)), what + ": a pixel is neither black nor white");
}

std::string describe(const IncrementalDesign& d, Polarity p) {
  std::string s = std::string(p == Polarity::Normal ? "normal" : "inverse") +
                  (d.unit == Unit::Inch ? " inch" : " mm") + " zoom " + std::to_string(d.zoom) + " S1 " +
                  quoted(d.scale_num) + " S2 " + quoted(d.scale_den) + " ED " + quoted(d.encoder_diameter) + " DD " +
                  quoted(d.shaft_diameter) + " res " + quoted(d.resolution);
  for (const ChannelTrack& c : d.channels)
    s += std::string(" [") + "ABI"[static_cast<int>(c.type)] + (c.on ? " on" : " off") + " SL " +
         quoted(c.slot_length) + (c.edge_mode == IncEdgeMode::User ? " ED " + quoted(c.edge_distance) : "") +
         " bal " + quoted(c.balance) + "]";
  return s;
}

struct SurfaceChoice {
  std::uint8_t pick, w, h;
  Surface make(bool heavy) const { return make_surface(pick, w, h, heavy); }
};

void fuzz_incremental(fuzz::Input& in, const SurfaceChoice& choice) {
  IncrementalDesign d = IncrementalDesign::defaults();
  const std::uint8_t options = in.byte();
  d.unit = options & 1 ? Unit::Millimetre : Unit::Inch;
  const Polarity polarity = options & 2 ? Polarity::Inverse : Polarity::Normal;
  const std::uint16_t zoom = in.raw<std::uint16_t>();
  d.zoom = zoom & 0x8000 ? in.raw<int>() : 10 + zoom % 491;
  for (ChannelTrack& c : d.channels) {
    const std::uint8_t b = in.byte();
    if (b & 0x80) {
      c.type = static_cast<ChannelType>(b % 3);
      c.on = b & 0x08;
      c.edge_mode = b & 0x10 ? IncEdgeMode::User : IncEdgeMode::Default;
    }
  }
  d.scale_num = field(in, d.scale_num);
  d.scale_den = field(in, d.scale_den);
  d.encoder_diameter = field(in, d.encoder_diameter);
  d.shaft_diameter = field(in, d.shaft_diameter);
  d.resolution = field(in, d.resolution);
  for (ChannelTrack& c : d.channels) {
    c.slot_length = field(in, c.slot_length);
    c.edge_distance = field(in, c.edge_distance);
    c.balance = field(in, c.balance);
  }

  const std::optional<double> res = parse_number(d.resolution);
  Surface surface = choice.make(res && *res > kHeavyFigures);
  // A previous image: a drawing that fails before it clears the surface
  // must leave it.
  for (int k = 0; k < std::min(surface.width(), surface.height()); k += 3)
    surface.data()[static_cast<std::size_t>(k) * surface.width() + k] = 0x00;
  const std::vector<std::uint8_t> previous(surface.data(), surface.data() + pixel_count(surface));
  const DrawOutcome out = render_incremental(d, polarity, surface);
  ++stats.incremental[static_cast<int>(out.message)];
  const std::string what = describe(d, polarity);
  check_black_and_white(surface, what);
  if (polarity == Polarity::Inverse) FUZZ_CHECK(!out.zoom_diam, what + ": the inverse drawing wrote zoom_diam");
  if (polarity == Polarity::Normal && out.message == Message::None)
    FUZZ_CHECK(out.zoom_diam.has_value(), what + ": a complete drawing did not write zoom_diam");
  // zoom_diam is written before the surface is cleared.
  if (polarity == Polarity::Normal && !out.zoom_diam)
    FUZZ_CHECK(std::equal(previous.begin(), previous.end(), surface.data()),
               what + ": a drawing that failed before writing zoom_diam changed the previous image");
  if (out.zoom_diam) {
    // The text of a finite number (or of one beyond the last double that
    // fifteen digits can name).
    const std::string& z = *out.zoom_diam;
    FUZZ_CHECK(parse_number(z) || z.find("E+308") != std::string::npos, what + ": zoom_diam " + quoted(z));
  }
  if (out.message == Message::None)
    FUZZ_CHECK(surface.scale_mode() == (d.unit == Unit::Inch ? ScaleMode::Inch : ScaleMode::Millimetre),
               what + ": the surface is not left in the design's unit");
}

std::string describe(const AbsoluteEntries& e) {
  static const char* const kModes[] = {"default", "user", "auto"};
  return std::string(e.unit == Unit::Inch ? "inch" : "mm") + " " + kModes[static_cast<int>(e.edge_mode)] +
         (e.code_type == CodeType::Grey ? " grey" : " binary") + " bal " + std::to_string(e.balance) + " N " +
         quoted(e.resolution_exp) + " S1 " + quoted(e.scale_num) + " S2 " + quoted(e.scale_den) + " ED " +
         quoted(e.encoder_diameter) + " DD " + quoted(e.shaft_diameter) + " SL " + quoted(e.slot_length) +
         " CH1_ED " + quoted(e.edge_distance);
}

void fuzz_absolute(fuzz::Input& in, const SurfaceChoice& choice) {
  AbsoluteEntries e;
  const std::uint8_t options = in.byte();
  e.unit = options & 1 ? Unit::Millimetre : Unit::Inch;
  e.edge_mode = static_cast<AbsEdgeMode>((options >> 1) % 3);
  e.code_type = options & 8 ? CodeType::Binary : CodeType::Grey;
  const std::uint8_t bal = in.byte();
  e.balance = bal < 240 ? static_cast<std::int16_t>(bal % 91 - 45) : in.raw<std::int16_t>();
  e.resolution_exp = field(in, e.resolution_exp);
  e.scale_num = field(in, e.scale_num);
  e.scale_den = field(in, e.scale_den);
  e.encoder_diameter = field(in, e.encoder_diameter);
  e.shaft_diameter = field(in, e.shaft_diameter);
  e.slot_length = field(in, e.slot_length);
  e.edge_distance = field(in, e.edge_distance);
  const std::string what = describe(e);
  const std::optional<double> n = parse_number(e.resolution_exp);
  Surface surface = choice.make(n && *n > std::log2(kHeavyFigures));

  const std::variant<AbsoluteDesign, Message> built = build_absolute_design(e);
  if (const Message* m = std::get_if<Message>(&built)) {
    ++stats.absolute_refused[static_cast<int>(*m)];
    FUZZ_CHECK(*m == Message::InvalidEntry || *m == Message::AbsResolutionTooHigh, what + ": unexpected message");
    if (*m == Message::AbsResolutionTooHigh) {
      FUZZ_CHECK(n && *n > kMaxResolutionExp, what + ": too high a resolution that is not");
      if (*n > kMaxDrawableResolutionExp) {
        // Beyond its own ceiling the renderer refuses the design, drawing
        // nothing.
        AbsoluteDesign d;
        d.resolution_exp = *n;
        const std::vector<std::uint8_t> before(surface.data(), surface.data() + pixel_count(surface));
        FUZZ_CHECK(render_absolute(d, surface).message != Message::None, what + ": a resolution above the ceiling was drawn");
        FUZZ_CHECK(std::equal(before.begin(), before.end(), surface.data()), what + ": a refused resolution drew");
      }
    }
    return;
  }
  const AbsoluteDesign& d = std::get<AbsoluteDesign>(built);
  FUZZ_CHECK(d.resolution_exp <= kMaxResolutionExp, what + ": resolution above the limit accepted");
  const bool drawn = render_absolute(d, surface).message == Message::None;
  ++(drawn ? stats.absolute_drawn : stats.absolute_stopped);
  check_black_and_white(surface, what);
  if (e.balance >= -45 && e.balance <= 45) {
    FUZZ_CHECK(drawn, what + ": an accepted design was not drawn completely");
    FUZZ_CHECK(surface.scale_mode() == (d.unit == Unit::Inch ? ScaleMode::Inch : ScaleMode::Millimetre) &&
                   surface.fill_colour() == Colour::Black && surface.fill_style() == FillStyle::Solid &&
                   surface.draw_width() == 1,
               what + ": the surface's state after drawing");
  }
}

// The renderer on a design record that no build step has checked: any
// doubles, including infinities and NaN.
void fuzz_absolute_record(fuzz::Input& in, const SurfaceChoice& choice) {
  AbsoluteDesign d;
  const std::uint8_t options = in.byte();
  d.unit = options & 1 ? Unit::Millimetre : Unit::Inch;
  d.edge_mode = static_cast<AbsEdgeMode>((options >> 1) % 3);
  d.code_type = options & 8 ? CodeType::Binary : CodeType::Grey;
  d.balance = in.raw<std::int16_t>();
  const auto number = [&](double fallback) {
    const std::uint8_t kind = in.byte();
    if (kind % 4 == 0) return in.raw<double>();
    if (kind % 4 == 1) return fallback;
    return parse_number(field(in, "1")).value_or(fallback);
  };
  d.resolution_exp = number(6);
  d.scale_num = number(1);
  d.scale_den = number(1);
  d.encoder_diameter = number(2);
  d.shaft_diameter = number(0.1875);
  d.slot_length = number(0.06125);
  d.edge_distance = number(0.125);
  // Between the window's limit and the renderer's ceiling a drawing is
  // legitimate but takes up to 2^24 sector calls, tens of seconds under the
  // sanitizers: such a resolution is brought down by six bits.
  if (d.resolution_exp > kMaxResolutionExp && d.resolution_exp <= kMaxDrawableResolutionExp) d.resolution_exp -= 6;
  Surface surface = choice.make(!(d.resolution_exp <= std::log2(kHeavyFigures)));
  ++stats.records;
  (void)render_absolute(d, surface);
  check_black_and_white(surface, "absolute record");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const std::uint8_t which = in.byte();
  SurfaceChoice surface;
  surface.pick = in.byte();
  if (surface.pick >= 160) {
    surface.w = in.byte();
    surface.h = in.byte();
  }
  switch (which % 4) {
    case 0:
    case 1:
      fuzz_incremental(in, surface);
      break;
    case 2:
      fuzz_absolute(in, surface);
      break;
    default:
      fuzz_absolute_record(in, surface);
      break;
  }
  return 0;
}
