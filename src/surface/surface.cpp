#include "surface/surface.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <new>

#include <sys/mman.h>

#include "surface/figures.h"
#include "surface/raster.h"

namespace vantor {
namespace {

constexpr double kPictureWidthTwips = 13000.0;
constexpr double kPictureHeightTwips = 9000.0;
constexpr double kBorderPixelsAt96 = 4.0;  // two on each side

// Pending arcs beyond this many are drawn whole rather than held (about
// 50 MB of them).
constexpr std::size_t kMaxPending = std::size_t{1} << 21;

double valid_ppi(double ppi) { return std::isfinite(ppi) && ppi > 0.0 ? ppi : 96.0; }

// In double, so that no density overflows an integer; a size beyond int is
// saturated.
int client_pixels(double twips, double ppi) {
  ppi = valid_ppi(ppi);
  const double size = std::round(twips * ppi / kTwipsPerInch) - std::round(kBorderPixelsAt96 * ppi / 96.0);
  if (std::isnan(size)) return INT_MAX;  // both overflowed: beyond any int
  return static_cast<int>(std::clamp(size, 0.0, static_cast<double>(INT_MAX)));
}

bool finite(std::initializer_list<double> values) {
  return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

// The magnitude of an angle on the arc, or a negative value when the angle
// is refused.
double arc_magnitude(float angle) {
  const double m = std::fabs(static_cast<double>(angle));
  if (!(m <= raster::kTwoPi + kFullTurnSlack)) return -1.0;
  return m >= raster::kTwoPi - kFullTurnSlack ? raster::kTwoPi : m;
}

}  // namespace

Surface::Surface(int width, int height, double pixels_per_inch)
    : width_(width > 0 && height > 0 ? width : 0),
      height_(width > 0 && height > 0 ? height : 0),
      ppi_(valid_ppi(pixels_per_inch)),
      canvas_width_(width_),
      canvas_height_(height_),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_),
              static_cast<std::uint8_t>(Colour::White)) {}

Surface Surface::for_picture(double pixels_per_inch) {
  return Surface(picture_width(pixels_per_inch), picture_height(pixels_per_inch), pixels_per_inch);
}

Surface Surface::window_of(int canvas_width, int canvas_height, double pixels_per_inch, int left, int top,
                           int width, int height) {
  Surface s(width, height, pixels_per_inch);
  s.canvas_width_ = std::max(canvas_width, 0);
  s.canvas_height_ = std::max(canvas_height, 0);
  s.left_ = left;
  s.top_ = top;
  return s;
}

void Surface::move_window(int left, int top) {
  settle();
  uniform_.valid = false;
  left_ = left;
  top_ = top;
}

int Surface::picture_width(double pixels_per_inch) { return client_pixels(kPictureWidthTwips, pixels_per_inch); }

int Surface::picture_height(double pixels_per_inch) { return client_pixels(kPictureHeightTwips, pixels_per_inch); }

void Surface::set_scale_mode(ScaleMode mode) {
  // Pending arcs hold their arguments in the unit they were given in.
  if (mode != scale_mode_) settle();
  scale_mode_ = mode;
}

double Surface::pixels_per_unit() const {
  switch (scale_mode_) {
    case ScaleMode::Inch:
      return ppi_;
    case ScaleMode::Millimetre:
      return ppi_ / kMillimetresPerInch;
    case ScaleMode::Twip:
      break;
  }
  return ppi_ / kTwipsPerInch;
}

float Surface::scale_width() const { return static_cast<float>(canvas_width_ / pixels_per_unit()); }

float Surface::scale_height() const { return static_cast<float>(canvas_height_ / pixels_per_unit()); }

bool Surface::set_draw_width(int width) { return width == 1; }

std::uint8_t* Surface::data() {
  settle();
  uniform_.valid = false;  // the caller may write
  return pixels_.data();
}

void Surface::record(const Figure& figure) {
  if (!recorder_.log) return;
  recorder_.log->push_back(figure);
  recorder_.log->back().part = recorder_.part;
}

void Surface::cls() {
  if (recorder_.log) record(Figure{.kind = FigureKind::Cls, .unit = scale_mode_, .pixels_per_unit = pixels_per_unit()});
  pending_.clear();  // painted over
  uniform_.valid = false;
  cleared_ = true;
}

namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;
}

void* allocate_raster(std::size_t bytes) {
  if (bytes < kHugePage) return ::operator new(bytes);
  void* p = std::aligned_alloc(kHugePage, (bytes + kHugePage - 1) / kHugePage * kHugePage);
  if (!p) throw std::bad_alloc();
  (void)::madvise(p, bytes, MADV_HUGEPAGE);  // a hint: small pages work too
  return p;
}

void free_raster(void* p, std::size_t bytes) {
  if (bytes < kHugePage)
    ::operator delete(p);
  else
    std::free(p);
}

raster::SpanSink Surface::span_sink(Colour c) const {
  return {pixels_.data(), width_, height_, left_, top_, static_cast<std::uint8_t>(c)};
}

void Surface::paint_cleared() const {
  std::fill(pixels_.begin(), pixels_.end(), static_cast<std::uint8_t>(back_colour()));
  cleared_ = false;
}

bool Surface::circle(float x, float y, float r) { return circle(x, y, r, fore_colour()); }

bool Surface::circle(float x, float y, float r, Colour c) {
  const double u = pixels_per_unit();
  const raster::PixelCircle pc{x * u, y * u, r * u};
  if (!finite({pc.cx, pc.cy, pc.r})) return false;
  if (recorder_.log) {
    record(Figure{.kind = FigureKind::Circle, .unit = scale_mode_, .pixels_per_unit = u, .x1 = x, .y1 = y, .r = r,
                  .px1 = pc.cx, .py1 = pc.cy, .pr = pc.r, .colour = c, .fill_style = fill_style_,
                  .fill_colour = fill_colour_});
  }
  if (!(pc.r > 0.0)) return true;
  const raster::SpanSink sink = span_sink(c);
  const double r2 = pc.r * pc.r;
  if (fill_style_ == FillStyle::Solid && fill_colour_ == c) {
    // Fill and outline in one colour: the disc's pixels all get c, and the
    // ring is part of the disc.
    if (cleared_ && pending_.empty()) {
      // Right after a cls: every pixel is painted once, in the background
      // colour or in c.
      raster::fill_disc_over(sink, pc, static_cast<std::uint8_t>(back_colour()));
      cleared_ = false;
      uniform_ = {true, pc.cx, pc.cy, r2, c};
      return true;
    }
    if (cleared_) paint_cleared();
    const Hole hole{pc.cx, pc.cy, r2};
    draw_pending(&hole);
    const bool already = uniform_.valid && uniform_.cx == pc.cx && uniform_.cy == pc.cy && uniform_.colour == c &&
                         r2 <= uniform_.r2;
    if (!already) {
      raster::fill_disc(sink, pc);
      uniform_ = {true, pc.cx, pc.cy, r2, c};
    }
    return true;
  }
  settle();
  uniform_.valid = false;
  if (fill_style_ == FillStyle::Solid) {
    raster::fill_disc(span_sink(fill_colour_), pc);
    // Inside the ring the fill stays.
    if (pc.r > 1.0) uniform_ = {true, pc.cx, pc.cy, (pc.r - 1.0) * (pc.r - 1.0), fill_colour_};
  }
  raster::draw_ring(sink, pc);
  return true;
}

bool Surface::circle(float x, float y, float r, Colour c, float a1, float a2) {
  const double u = pixels_per_unit();
  const double X = x * u, Y = y * u, R = r * u;
  const double m1 = arc_magnitude(a1);
  const double m2 = arc_magnitude(a2);
  if (!finite({X, Y, R}) || m1 < 0.0 || m2 < 0.0) return false;
  if (recorder_.log) {
    record(Figure{.kind = FigureKind::Arc, .unit = scale_mode_, .pixels_per_unit = u, .x1 = x, .y1 = y, .r = r,
                  .a1 = a1, .a2 = a2, .px1 = X, .py1 = Y, .pr = R, .start = m1 == raster::kTwoPi ? 0.0 : m1,
                  .end = m2, .colour = c, .fill_style = fill_style_, .fill_colour = fill_colour_});
  }
  if (!(R > 0.0)) return true;
  if (pending_.size() >= kMaxPending) settle();
  pending_.push_back({x, y, r, a1, a2, c, fill_colour_, a1 < 0.0f && a2 < 0.0f && fill_style_ == FillStyle::Solid});
  return true;
}

// Radii already drawn in a run of pending figures that each paint in one
// colour only, with one centre and one hole.  The pixels such a run leaves
// are those of the union of its figures' pixel sets in that colour, in any
// order, and a radius's pixels depend only on the pixels of its two ends, so
// a radius whose end pixel was drawn in the run is drawn again for nothing.
// The fine tracks of a disc end tens of radii in the same pixel.
class Surface::RadiusRun {
 public:
  // Starts a new run unless the figure continues the current one.
  void enter(std::uint8_t colour, double cx, double cy, double hole2) {
    if (valid_ && colour == colour_ && cx == cx_ && cy == cy_ && hole2 == hole2_) return;
    valid_ = true;
    colour_ = colour;
    cx_ = cx;
    cy_ = cy;
    hole2_ = hole2;
    for (Slot& s : slots_) s.used = false;
  }
  void leave() { valid_ = false; }
  // True when a radius from the run's centre ending in the pixel of (x, y)
  // was drawn in the run; records it otherwise.  Ends beyond the far limit,
  // which the line moves along its direction, are never taken as seen.
  bool seen(double x, double y) {
    if (!valid_ || !(std::fabs(x) <= raster::kFarLimit && std::fabs(y) <= raster::kFarLimit) ||
        !(std::fabs(cx_) <= raster::kFarLimit && std::fabs(cy_) <= raster::kFarLimit))
      return false;
    const std::int64_t key_i = raster::floor_pixel(x), key_j = raster::floor_pixel(y);
    Slot& s = slots_[static_cast<std::uint64_t>(key_i * 73856093 ^ key_j * 19349663) % kSlots];
    if (s.used && s.i == key_i && s.j == key_j) return true;
    s = {true, key_i, key_j};
    return false;
  }

 private:
  static constexpr std::size_t kSlots = 64;
  struct Slot {
    bool used = false;
    std::int64_t i = 0, j = 0;
  };
  bool valid_ = false;
  std::uint8_t colour_ = 0;
  double cx_ = 0, cy_ = 0, hole2_ = 0;
  Slot slots_[kSlots];
};

namespace {

// Consecutive sectors of one circle filled and outlined in one colour, as
// a track of a disc draws them, are drawn together from this many on.
constexpr std::size_t kGroup = 8;

// Pixels: how far a pixel centre a figure paints may lie from the figure's
// exact points (2 + 1 and room, see RowReach).
constexpr double kReach = 6.0;
// Circles of more pixels than this (2^40) are not bounded by rows: their
// squared distances lose the pixel.
constexpr double kLargest = 1099511627776.0;

// Whether a filled sector of a circle, drawn around a hole, can change a
// pixel of the window's rows j0 ... j1 (canvas rows).  Its fill lies
// between the hole and the rim; its radii's pixels outside the hole lie
// within 2 pixels of the points of the exact radius (the Line rule's
// pixels lie within 1.2 of the line between the end pixels' centres, which
// lie within 0.71 of the exact ends), and the pixels that close the fill to
// them next to those.  So every pixel centre it paints has a height above
// the centre, dy_up, within kReach of rho' * sin(t) for some t on the arc
// and rho' between the hole's radius less kReach and the rim plus kReach.
// Those t form the angles [a, b] (through 0 when a < 0) and [pi - b, pi -
// a], where sin(a) and sin(b) are the least and the largest sine for which
// some such rho' gives a height of the window's rows; they are widened by
// far more than the rounding of asin and of the bounds.  A sector whose arc
// misses both is left out: reaches() false.  Circles too large for the
// bound (a radius under a pixel or beyond 2^40) always reach.
class RowReach {
 public:
  RowReach(const raster::PixelCircle& c, double hole2, int j0, int j1) {
    constexpr double kPi = raster::kTwoPi / 2;
    const double slack = kReach + 1e-9 * (std::fabs(c.cx) + std::fabs(c.cy) + c.r);
    // The window's pixel centres lie at heights [up_lo, up_hi], widened.
    const double up_lo = c.cy - (static_cast<double>(j1) + 0.5) - slack;
    const double up_hi = c.cy - (static_cast<double>(j0) + 0.5) + slack;
    const double rho_lo = std::max((hole2 > 0.0 ? std::sqrt(hole2) : 0.0) - slack, 0.0);
    const double rho_hi = c.r + slack;
    // The sines s with rho' * s in [up_lo, up_hi] for some rho' in [rho_lo,
    // rho_hi]: [up_lo / rho', up_hi / rho'] over rho', one interval.
    const double sin_lo = (up_lo >= 0.0 ? up_lo / rho_hi : rho_lo > 0.0 ? up_lo / rho_lo : -2.0) - 1e-9;
    const double sin_hi = (up_hi <= 0.0 ? up_hi / rho_hi : rho_lo > 0.0 ? up_hi / rho_lo : 2.0) + 1e-9;
    checked_ = j0 <= j1 && c.r >= 1.0 && c.r < kLargest && std::fabs(c.cx) < kLargest &&
               std::fabs(c.cy) < kLargest && (sin_lo > -1.0 || sin_hi < 1.0);
    if (!checked_) return;
    if (sin_lo > sin_hi) {
      none_ = true;
      return;
    }
    const double a = std::asin(std::max(sin_lo, -1.0)), b = std::asin(std::min(sin_hi, 1.0));
    constexpr double kWiden = 1e-6;
    right_start_ = a - kWiden < 0.0 ? a - kWiden + raster::kTwoPi : a - kWiden;
    right_length_ = b - a + 2 * kWiden;
    left_start_ = kPi - b - kWiden;
    left_length_ = right_length_;
  }

  bool reaches(const raster::ArcRange& arc) const {
    if (!checked_) return true;
    if (none_) return false;
    const double length = arc.start <= arc.end ? arc.end - arc.start : arc.end - arc.start + raster::kTwoPi;
    return meet(arc.start, length, right_start_, right_length_) || meet(arc.start, length, left_start_, left_length_);
  }

 private:
  // Whether the arcs [s1, s1 + l1] and [s2, s2 + l2] (starts in [0, 2pi],
  // lengths in [0, 2pi]) share an angle: one starts on the other.
  static bool meet(double s1, double l1, double s2, double l2) {
    auto from = [](double s, double t) { return t >= s ? t - s : t - s + raster::kTwoPi; };
    return from(s1, s2) <= l1 || from(s2, s1) <= l2;
  }

  bool checked_ = false;
  bool none_ = false;
  double right_start_ = 0, right_length_ = 0, left_start_ = 0, left_length_ = 0;
};

}  // namespace

void Surface::draw_pending(const Hole* hole) const {
  if (pending_.empty()) return;
  bool all_in_uniform_hole = hole && uniform_.valid && hole->cx == uniform_.cx && hole->cy == uniform_.cy;
  const double u = pixels_per_unit();
  RadiusRun run;
  for (std::size_t k = 0; k < pending_.size();) {
    const PendingArc& a = pending_[k];
    const raster::PixelCircle pc{a.x * u, a.y * u, a.r * u};
    const bool holed = hole && pc.cx == hole->cx && pc.cy == hole->cy;
    all_in_uniform_hole = all_in_uniform_hole && holed;
    const double hole2 = holed ? hole->r2 : raster::kNoHole;
    std::size_t end = k + 1;
    const bool one_colour = a.filled && a.fill == a.outline;
    if (one_colour) {
      while (end < pending_.size() && pending_[end].x == a.x && pending_[end].y == a.y && pending_[end].r == a.r &&
             pending_[end].filled && pending_[end].fill == a.fill && pending_[end].outline == a.outline)
        ++end;
    }
    if (end - k >= kGroup) {
      draw_sector_group(k, end, pc, hole2, run);
    } else {
      for (std::size_t m = k; m < end; ++m) {
        const PendingArc& b = pending_[m];
        if (!b.filled || b.fill == b.outline)
          run.enter(static_cast<std::uint8_t>(b.outline), pc.cx, pc.cy, hole2);
        else
          run.leave();
        draw_arc_figure(b, pc, hole2, run);
      }
    }
    k = end;
  }
  pending_.clear();
  // Pixels outside the hole may have changed.
  if (all_in_uniform_hole)
    uniform_.r2 = std::min(uniform_.r2, hole->r2);
  else
    uniform_.valid = false;
}

void Surface::draw_sector_group(std::size_t first, std::size_t end, const raster::PixelCircle& pc, double hole2,
                                RadiusRun& run) const {
  const Colour colour = pending_[first].fill;
  const raster::SpanSink sink = span_sink(colour);
  run.enter(static_cast<std::uint8_t>(colour), pc.cx, pc.cy, hole2);
  std::vector<raster::ArcRange> arcs;
  std::vector<raster::RadiusEnds> ends;
  arcs.reserve(end - first);
  ends.reserve(end - first);
  const RowReach reach(pc, hole2, top_, top_ + height_ - 1);
  for (std::size_t k = first; k < end; ++k) {
    const double m1 = arc_magnitude(pending_[k].a1);
    const raster::ArcRange arc{m1 == raster::kTwoPi ? 0.0 : m1, arc_magnitude(pending_[k].a2)};
    if (!reach.reaches(arc)) continue;
    arcs.push_back(arc);
    raster::RadiusEnds& e = ends.emplace_back();
    for (int n = 0; n < 2; ++n) raster::radius_end(pc, n == 0 ? arc.start : arc.end, e.x[n], e.y[n]);
  }
  if (arcs.empty()) return;
  // A filled sector has both radii.
  auto radii = [&](std::size_t k) {
    for (int n = 0; n < 2; ++n)
      if (!run.seen(ends[k].x[n], ends[k].y[n])) raster::draw_radius(sink, pc, ends[k].x[n], ends[k].y[n], hole2);
  };
  if (raster::fill_sectors_by_pixel(sink, pc, arcs, hole2)) {
    for (std::size_t k = 0; k < arcs.size(); ++k) radii(k);
    raster::close_to_radii(sink, pc, arcs, ends, hole2, true);
    return;
  }
  // Sectors under two pixels wide at the rim on average share their radii
  // with their neighbours, which close_to_radii searches once when given
  // them all; wider ones are closed one by one while their pixels are still
  // in the cache.
  double width = 0.0;
  for (const raster::ArcRange& a : arcs) width += a.start <= a.end ? a.end - a.start : a.end - a.start + raster::kTwoPi;
  if (width * pc.r < 2.0 * static_cast<double>(arcs.size())) {
    for (std::size_t k = 0; k < arcs.size(); ++k) {
      radii(k);
      raster::fill_sector(sink, pc, raster::Arc(arcs[k]), hole2);
    }
    raster::close_to_radii(sink, pc, arcs, ends, hole2, true);
    return;
  }
  for (std::size_t k = 0; k < arcs.size(); ++k) {
    radii(k);
    raster::fill_sector(sink, pc, raster::Arc(arcs[k]), hole2);
    raster::close_to_radii(sink, pc, {&arcs[k], 1}, {&ends[k], 1}, hole2, true);
  }
}

void Surface::draw_arc_figure(const PendingArc& a, const raster::PixelCircle& pc, double hole2, RadiusRun& run) const {
  const double m1 = arc_magnitude(a.a1);
  const double m2 = arc_magnitude(a.a2);
  const raster::Arc arc(raster::ArcRange{m1 == raster::kTwoPi ? 0.0 : m1, m2});
  const raster::SpanSink outline = span_sink(a.outline);
  const raster::SpanSink fill = span_sink(a.fill);
  const bool one_colour = a.filled && a.fill == a.outline;
  // Each radius ends at (X + R cos(m), Y - R sin(m)), m the arc's start or
  // end; a filled sector has both.
  raster::RadiusEnds ends{};
  const float angles[2] = {a.a1, a.a2};
  for (int n = 0; n < 2; ++n)
    if (angles[n] < 0.0f) raster::radius_end(pc, n == 0 ? arc.range.start : arc.range.end, ends.x[n], ends.y[n]);
  if (a.filled) {
    raster::fill_sector(fill, pc, arc, hole2);
    // Fill before outline: with two colours the pixels that close the fill
    // to the radii are found before the radii are painted.
    if (!one_colour) raster::close_to_radii(fill, pc, {&arc.range, 1}, {&ends, 1}, hole2, false);
  }
  // The arc's pixels are sector pixels, so a fill in the outline colour has
  // painted them already.
  if (!one_colour) raster::draw_arc(outline, pc, arc, hole2);
  for (int n = 0; n < 2; ++n)
    if (angles[n] < 0.0f && !run.seen(ends.x[n], ends.y[n])) raster::draw_radius(outline, pc, ends.x[n], ends.y[n], hole2);
  if (one_colour) raster::close_to_radii(fill, pc, {&arc.range, 1}, {&ends, 1}, hole2, true);
}

bool Surface::line(float x1, float y1, float x2, float y2) { return line(x1, y1, x2, y2, fore_colour()); }

bool Surface::line(float x1, float y1, float x2, float y2, Colour c) {
  const double u = pixels_per_unit();
  const double px1 = x1 * u, py1 = y1 * u, px2 = x2 * u, py2 = y2 * u;
  if (!finite({px1, py1, px2, py2})) return false;
  if (recorder_.log) {
    record(Figure{.kind = FigureKind::Line, .unit = scale_mode_, .pixels_per_unit = u, .x1 = x1, .y1 = y1, .x2 = x2,
                  .y2 = y2, .px1 = px1, .py1 = py1, .px2 = px2, .py2 = py2, .colour = c, .fill_style = fill_style_,
                  .fill_colour = fill_colour_});
  }
  settle();
  uniform_.valid = false;
  raster::draw_line(span_sink(c), px1, py1, px2, py2);
  return true;
}

void Surface::pset(float x, float y, Colour c) {
  const double u = pixels_per_unit();
  const double X = x * u, Y = y * u;
  const double px = std::floor(X), py = std::floor(Y);
  if (recorder_.log && px >= 0.0 && px < canvas_width_ && py >= 0.0 && py < canvas_height_) {
    record(Figure{.kind = FigureKind::PSet, .unit = scale_mode_, .pixels_per_unit = u, .x1 = x, .y1 = y, .px1 = X,
                  .py1 = Y, .colour = c, .fill_style = fill_style_, .fill_colour = fill_colour_});
  }
  const double i = px - left_, j = py - top_;
  if (!(i >= 0.0 && i < width_ && j >= 0.0 && j < height_)) return;
  settle();
  uniform_.valid = false;
  pixels_[index(static_cast<int>(i), static_cast<int>(j))] = static_cast<std::uint8_t>(c);
}

bool Surface::operator==(const Surface& other) const {
  settle();
  other.settle();
  return width_ == other.width_ && height_ == other.height_ && pixels_ == other.pixels_;
}

void touch_up(Surface& surface, int buttons, float x, float y) {
  if (buttons == 1) surface.pset(x, y, Colour::Black);
  if (buttons == 2) surface.pset(x, y, Colour::White);
}

namespace {

void issue(const Figure& f, Surface& surface) {
  surface.set_scale_mode(f.unit);
  surface.set_fill_style(f.fill_style);
  surface.set_fill_colour(f.fill_colour);
  surface.set_part(f.part);
  switch (f.kind) {
    case FigureKind::Cls:
      surface.cls();
      break;
    case FigureKind::Circle:
      (void)surface.circle(f.x1, f.y1, f.r, f.colour);
      break;
    case FigureKind::Arc:
      (void)surface.circle(f.x1, f.y1, f.r, f.colour, f.a1, f.a2);
      break;
    case FigureKind::Line:
      (void)surface.line(f.x1, f.y1, f.x2, f.y2, f.colour);
      break;
    case FigureKind::PSet:
      surface.pset(f.x1, f.y1, f.colour);
      break;
  }
}

// Whether angle t lies on the arc from start to end, counter-clockwise.
bool on_arc(double t, double start, double end) { return start <= end ? start <= t && t <= end : t >= start || t <= end; }

// The rows of the pixel heights [lo, hi], widened as RowReach is.
FigureRows rows_between(double lo, double hi) {
  const double slack = kReach + 1e-9 * (std::fabs(lo) + std::fabs(hi));
  const auto row = [](double v) {
    constexpr double kFar = 1073741824.0;  // 2^30: beyond any canvas
    return static_cast<int>(std::clamp(std::floor(v), -kFar, kFar));
  };
  return {row(lo - slack), row(hi + slack)};
}

constexpr FigureRows kEveryRow{INT_MIN, INT_MAX};

// The rows of a circle's pixels, or of an arc's at least `inner` pixels
// from its centre: its pixels between the radii `inner` and pr at the
// angles of the arc, and the pixels that stray from its radii; every row
// for circles beyond kLargest.
FigureRows round_rows(const Figure& f, double inner) {
  if (!(f.pr < kLargest && std::fabs(f.px1) < kLargest && std::fabs(f.py1) < kLargest)) return kEveryRow;
  if (f.kind == FigureKind::Circle) return rows_between(f.py1 - f.pr, f.py1 + f.pr);
  // The heights above the centre are rho * sin(t), rho in [inner, pr] and
  // sin(t) in the interval that the arc's angles give.
  const double ends[] = {std::sin(f.start), std::sin(f.end)};
  const double sin_hi = on_arc(raster::kTwoPi / 4, f.start, f.end) ? 1.0 : std::max(ends[0], ends[1]);
  const double sin_lo = on_arc(3 * raster::kTwoPi / 4, f.start, f.end) ? -1.0 : std::min(ends[0], ends[1]);
  const double rho = std::clamp(inner, 0.0, f.pr);
  return rows_between(f.py1 - std::max(rho * sin_hi, f.pr * sin_hi), f.py1 - std::min(rho * sin_lo, f.pr * sin_lo));
}

FigureRows rows_of(const Figure& f) {
  switch (f.kind) {
    case FigureKind::Cls:
      return kEveryRow;
    case FigureKind::Circle:
    case FigureKind::Arc:
      return round_rows(f, 0.0);
    case FigureKind::Line:
      return rows_between(std::min(f.py1, f.py2), std::max(f.py1, f.py2));
    case FigureKind::PSet:
      return rows_between(f.py1, f.py1);
  }
  return kEveryRow;
}

}  // namespace

void replay(const std::vector<Figure>& log, Surface& surface) {
  for (const Figure& f : log) issue(f, surface);
}

std::vector<FigureRows> figure_rows(const std::vector<Figure>& log) {
  // A filled disc paints every pixel of its disc, so an arc before the next
  // filled disc after it, when that disc has the arc's centre (a track's
  // slot and its mask), is seen only outside that disc, less the two pixels
  // its radii stray by.
  std::vector<FigureRows> out(log.size());
  const Figure* cover = nullptr;
  for (std::size_t k = log.size(); k-- > 0;) {
    const Figure& f = log[k];
    if (f.kind != FigureKind::Arc) {
      out[k] = rows_of(f);
      if (f.filled() && f.pr > 0.0) cover = &f;
    } else if (cover && cover->px1 == f.px1 && cover->py1 == f.py1) {
      out[k] = round_rows(f, cover->pr - 2.0);
    } else {
      out[k] = rows_of(f);
    }
  }
  return out;
}

void replay(const std::vector<Figure>& log, const std::vector<FigureRows>& rows, Surface& surface) {
  const int top = surface.top(), bottom = surface.top() + surface.height() - 1;
  for (std::size_t k = 0; k < log.size(); ++k)
    if (rows[k].bottom >= top && rows[k].top <= bottom) issue(log[k], surface);
}

}  // namespace vantor
