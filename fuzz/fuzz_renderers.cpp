// Fuzzes both renderers: with arbitrary field texts (leaning towards
// numbers and the limits, so that most inputs get as far as drawing) and
// with unchecked design records (any doubles).  fuzz_export draws the
// designs of design_args.h every way against the log reference.
//
// Checked besides (fuzz_surface checks that the surface's calls leave every
// pixel black or white): zoom_diam written exactly
// when it should, a drawing that fails before writing it leaving the
// previous image; every design that build_absolute_design accepts with a
// balance within -45 ... 45 drawn completely.
#include <algorithm>
#include <cmath>
#include <variant>

#include "absolute/absolute_design.h"
#include "common/numtext.h"
#include "design_args.h"

namespace {

using namespace vantor;

// A field's text: its default, raw bytes, an edge text, a number around a
// resolution limit, or a number of any sign and magnitude.
std::string field(fuzz::Input& in, const std::string& default_text) {
  if (in.empty()) return default_text;
  static const char* const kEdges[] = {
      "",       " ",     "0",       "-0",         "1e400", "-1e400", "1e-400",     "1e308",   "3.4e38", "3.5e38",
      "-3.5e38", "1e38",  "1e-38",   "1e-45",      "nan",   "inf",    "0x10",       "1,5",     "2 3",    ".",
      "+",      "e5",    "1e",      "200000",     "199999", "199999.5", "399999.5", "200001",  "1e6",    "20",
      "20.0000001", "21", "19.5",   "0.5",        "-1",    "-20",    "45",         "-45",     "46",     "1E15",
      "2147483648", "  7\t", "0.001", "1e-300",    "65536", "1048576", "0.0000001", "99999.9"};
  static const double kLimits[] = {kMaxResolutionExp, kMaxSlotsPerTrack, kMaxSlotsPerTrack / 2};
  static const double kOffsets[] = {0, 0.5, -0.5, 1, -1, 1e-9, -1e-9, 0.25};
  const std::uint8_t kind = in.byte(), b = kind % 8 == 3 ? in.byte() : 0;
  switch (kind % 8) {
    case 0: return default_text;
    case 1: return in.text(24);
    case 2: return kEdges[in.byte() % std::size(kEdges)];
    case 3: return general_text(kLimits[b % std::size(kLimits)] + kOffsets[(b / 4) % std::size(kOffsets)]);
  }
  const double v = in.raw<std::uint16_t>() * std::pow(10.0, static_cast<std::int8_t>(in.byte()) / 16);
  return general_text(kind & 0x80 ? -v : v);
}

// A drawing costs about its figures times the rows each covers: beyond
// this many figures it goes on a tiny surface.
constexpr double kHeavyFigures = 2048;

struct SurfaceChoice {
  std::uint8_t pick = 0, w = 0, h = 0;
  Surface make(bool heavy) const {
    static constexpr double kDensities[] = {96, 72, 1, 300, 25.4, 0.01, 1440, 7.3};
    const double ppi = kDensities[pick % std::size(kDensities)];
    if (heavy) return Surface(w % 5, h % 5, ppi);
    return pick < 160 ? Surface::for_picture() : Surface(w % 201, h % 201, ppi);
  }
};

void fuzz_incremental(fuzz::Input& in, const SurfaceChoice& choice) {
  IncrementalDesign d = IncrementalDesign::defaults();
  const std::uint8_t options = in.byte();
  d.unit = options & 1 ? Unit::Millimetre : Unit::Inch;
  const Polarity polarity = options & 2 ? Polarity::Inverse : Polarity::Normal;
  const IncDrawing drawing = options & 4 ? IncDrawing::SensorMask : IncDrawing::Disc;
  const std::uint16_t zoom = in.raw<std::uint16_t>();
  d.zoom = zoom & 0x8000 ? in.raw<int>() : 10 + zoom % 491;
  for (ChannelTrack& c : d.channels)
    if (const std::uint8_t b = in.byte(); b & 0x80)
      c.type = static_cast<ChannelType>(b % 3), c.on = b & 0x08, c.edge_mode = b & 0x10 ? IncEdgeMode::User : IncEdgeMode::Default;
  for (std::string* f : {&d.scale_num, &d.scale_den, &d.encoder_diameter, &d.shaft_diameter, &d.resolution,
                         &d.mask_angle, &d.mask_windows})
    *f = field(in, *f);
  for (ChannelTrack& c : d.channels)
    for (std::string* f : {&c.slot_length, &c.edge_distance, &c.balance}) *f = field(in, *f);

  const std::optional<double> res = parse_number(d.resolution);
  Surface surface = choice.make(res && *res > kHeavyFigures);
  for (int k = 0; k < std::min(surface.width(), surface.height()); k += 3)
    surface.data()[static_cast<std::size_t>(k) * surface.width() + k] = 0x00;  // a previous image
  const Surface previous = surface;
  const DrawOutcome out = render_incremental(d, polarity, surface, drawing);
  const bool normal = polarity == Polarity::Normal;
  FUZZ_CHECK(normal || !out.zoom_diam, "the inverse drawing wrote zoom_diam");
  FUZZ_CHECK(!normal || out.message != Message::None || out.zoom_diam, "a complete drawing wrote no zoom_diam");
  FUZZ_CHECK(!normal || out.zoom_diam || surface == previous, "a drawing failing before zoom_diam changed the image");
  if (out.zoom_diam)  // a finite number, or one beyond the last double that fifteen digits name
    FUZZ_CHECK(parse_number(*out.zoom_diam) || out.zoom_diam->find("E+308") != std::string::npos, *out.zoom_diam);
}

// The unit, edge mode and code type of an absolute design or its entries.
template <class Absolute>
void options(fuzz::Input& in, Absolute& d) {
  const std::uint8_t options = in.byte();
  d.unit = options & 1 ? Unit::Millimetre : Unit::Inch;
  d.edge_mode = static_cast<AbsEdgeMode>((options >> 1) % 3);
  d.code_type = options & 8 ? CodeType::Binary : options & 16 ? CodeType::GrayFull : CodeType::Grey;
}

void fuzz_absolute(fuzz::Input& in, const SurfaceChoice& choice) {
  AbsoluteEntries e;
  options(in, e);
  const std::uint8_t bal = in.byte();
  e.balance = bal < 240 ? static_cast<std::int16_t>(bal % 91 - 45) : in.raw<std::int16_t>();
  for (std::string* f : {&e.resolution_exp, &e.scale_num, &e.scale_den, &e.encoder_diameter, &e.shaft_diameter,
                         &e.slot_length, &e.edge_distance})
    *f = field(in, *f);
  const std::optional<double> n = parse_number(e.resolution_exp);
  Surface surface = choice.make(n && *n > std::log2(kHeavyFigures));
  const auto built = build_absolute_design(e);
  if (const Message* m = std::get_if<Message>(&built))
    return FUZZ_CHECK(*m == Message::InvalidEntry || (*m == Message::AbsResolutionTooHigh && n && *n > kMaxResolutionExp),
                      "unexpected refusal");
  const bool drawn = render_absolute(std::get<AbsoluteDesign>(built), surface).message == Message::None;
  FUZZ_CHECK(drawn || e.balance < -45 || e.balance > 45, "an accepted design was not drawn completely");
}

// A design record that no build step has checked: any doubles.
void fuzz_absolute_record(fuzz::Input& in, const SurfaceChoice& choice) {
  AbsoluteDesign d;
  options(in, d);
  d.balance = in.raw<std::int16_t>();
  for (double* v : {&d.resolution_exp, &d.scale_num, &d.scale_den, &d.encoder_diameter, &d.shaft_diameter,
                    &d.slot_length, &d.edge_distance}) {
    const std::uint8_t kind = in.byte();
    if (kind % 4 == 0) *v = in.raw<double>();
    if (kind % 4 >= 2) *v = parse_number(field(in, "1")).value_or(*v);
  }
  // Between the window's limit and the renderer's ceiling a drawing takes
  // up to 2^24 sector calls: such a resolution is brought down by six bits.
  if (d.resolution_exp > kMaxResolutionExp && d.resolution_exp <= kMaxDrawableResolutionExp) d.resolution_exp -= 6;
  Surface surface = choice.make(!(d.resolution_exp <= std::log2(kHeavyFigures)));
  (void)render_absolute(d, surface);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const std::uint8_t which = in.byte();
  SurfaceChoice surface;
  surface.pick = in.byte();
  if (surface.pick >= 160) surface.w = in.byte(), surface.h = in.byte();
  switch (which % 3) {
    case 0: return fuzz_incremental(in, surface), 0;
    case 1: return fuzz_absolute(in, surface), 0;
  }
  return fuzz_absolute_record(in, surface), 0;
}
