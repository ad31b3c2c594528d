#include "export/gerber.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <set>
#include <tuple>

#include "surface/raster.h"

namespace vantor {
namespace {

// File units (the last digit of %FSLAX46Y46*%) per unit.
constexpr double kUnitsPerUnit = 1e6;
// The largest magnitude that %FSLAX46Y46*% holds (ten digits); a coordinate
// beyond it, 10^4 units off the origin, is clamped.  Figures that large are
// plotted only as far as they reach the region (see arc_figure), so only a
// centre that far away, with its arc through the region, meets the limit.
constexpr double kFarUnits = 9999999999.0;
// Canvas pixels around the region that are still plotted: a figure that
// keeps this far off the region cannot reach it.
constexpr double kPlotMargin = 2.0;

constexpr int kStrokeAperture = 10;  // circle, one pixel across
constexpr int kPixelAperture = 11;   // square, one pixel each side

struct Point {
  std::int64_t x, y;
  bool operator==(const Point&) const = default;
};

class Writer {
 public:
  explicit Writer(const Artwork& art)
      : art_(art),
        units_per_pixel_(art.length(1.0) * kUnitsPerUnit),
        left_(art.region.left),
        top_(art.region.top),
        right_(static_cast<double>(art.region.left) + art.region.width),
        bottom_(static_cast<double>(art.region.top) + art.region.height),
        mirror_(art.mirror),
        exchange_(art.negative) {
    out_.reserve(1024 + art.figures.size() * 160);
  }

  void header();
  void figure(const Figure& f);
  void negative_page();
  void outlines(const DiscOutlines& outlines);
  std::string finish();

 private:
  // --- output ---------------------------------------------------------
  void put(std::string_view s) { out_.append(s); }
  void put_int(std::int64_t v) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out_.append(buf, r.ptr);
  }
  // Fixed notation with 8 decimals, whatever the locale; room for any double.
  void put_decimal(double v) {
    char buf[330];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 8);
    out_.append(buf, r.ec == std::errc() ? r.ptr : buf);
  }
  static std::int64_t units(double v) { return std::llround(std::clamp(v, -kFarUnits, kFarUnits)); }
  // Canvas pixel coordinates (y downward) to the file's (y upward), x
  // mirrored about the region's middle when asked.
  Point at(double px, double py) const {
    return {units((mirror_ ? right_ - px : px - left_) * units_per_pixel_), units((bottom_ - py) * units_per_pixel_)};
  }
  // The point at `angle` (counter-clockwise on screen from 3 o'clock) on the
  // circle of radius r about (cx, cy), canvas pixels.
  Point at_angle(double cx, double cy, double r, double angle) const {
    return at(cx + r * std::cos(angle), cy - r * std::sin(angle));
  }
  // Regions start and end with the interpolation stated afresh: some
  // readers do not carry it across G36 and G37.
  void region_begin() {
    put("G36*\n");
    interpolation_ = 0;
  }
  void region_end() {
    put("G37*\n");
    interpolation_ = 0;
  }
  void op(Point p, const char* d) {
    put("X");
    put_int(p.x);
    put("Y");
    put_int(p.y);
    put(d);
  }
  void move(Point p) { op(p, "D02*\n"); }
  void draw(Point p) {
    interpolation(1);
    op(p, "D01*\n");
  }
  void flash(Point p) { op(p, "D03*\n"); }
  // An arc from the current point `from` to `to` about c, counter-clockwise
  // on screen (clockwise in the file when mirrored) or, with `clockwise`,
  // the other way.
  void arc(Point from, Point to, Point c, bool clockwise) {
    interpolation(clockwise != mirror_ ? 2 : 3);
    put("X");
    put_int(to.x);
    put("Y");
    put_int(to.y);
    put("I");
    put_int(c.x - from.x);
    put("J");
    put_int(c.y - from.y);
    put("D01*\n");
  }

  // --- state ----------------------------------------------------------
  void interpolation(int g) {
    if (g == interpolation_) return;
    interpolation_ = g;
    put(g == 1 ? "G01*\n" : g == 2 ? "G02*\n" : "G03*\n");
  }
  void aperture(int d) {
    if (d == aperture_) return;
    aperture_ = d;
    put("D");
    put_int(d);
    put("*\n");
  }
  // Dark for Black, clear for White, exchanged in the negative unless
  // `as_is` (what lies outside the region stays clear).
  void polarity(Colour c, bool as_is = false) {
    const int p = (c == Colour::Black) != (exchange_ && !as_is) ? 1 : 2;
    if (p == polarity_) return;
    polarity_ = p;
    drawn_radii_.clear();
    put(p == 1 ? "%LPD*%\n" : "%LPC*%\n");
  }
  // Widens the box of what the file plots (canvas pixels).
  void extent(double x0, double y0, double x1, double y1) {
    ext_x0_ = std::min(ext_x0_, x0);
    ext_y0_ = std::min(ext_y0_, y0);
    ext_x1_ = std::max(ext_x1_, x1);
    ext_y1_ = std::max(ext_y1_, y1);
  }

  // --- primitives (canvas pixels, angles counter-clockwise on screen) ----
  void arc_path(double cx, double cy, double r, double start, double sweep, double end, Point first);
  void disc(double cx, double cy, double r, Colour c);
  void sector(double cx, double cy, double r, double start, double sweep, double end, Colour c);
  void arc_stroke(double cx, double cy, double r, double start, double sweep, double end, Colour c);
  void line(double x0, double y0, double x1, double y1, Colour c);
  void rectangle(double x0, double y0, double x1, double y1, Colour c, bool as_is = false);

  void circle_figure(const Figure& f);
  void arc_figure(const Figure& f);
  void line_figure(const Figure& f);
  void pset_figure(const Figure& f);

  // Whether the square of side 2*half about (cx, cy) comes near the region.
  bool near_region(double cx, double cy, double half) const {
    return cx + half > left_ - kPlotMargin && cx - half < right_ + kPlotMargin && cy + half > top_ - kPlotMargin &&
           cy - half < bottom_ + kPlotMargin;
  }
  // The largest squared distance from (cx, cy) to a corner of the region
  // with its margin.
  double farthest_corner2(double cx, double cy) const {
    const double dx = std::max(std::fabs(left_ - kPlotMargin - cx), std::fabs(right_ + kPlotMargin - cx));
    const double dy = std::max(std::fabs(top_ - kPlotMargin - cy), std::fabs(bottom_ + kPlotMargin - cy));
    return dx * dx + dy * dy;
  }

  const Artwork& art_;
  const double units_per_pixel_;
  const double left_, top_, right_, bottom_;
  const bool mirror_, exchange_;
  std::string out_;
  int interpolation_ = 0;
  int aperture_ = 0;
  int polarity_ = 0;
  double ext_x0_ = INFINITY, ext_y0_ = INFINITY, ext_x1_ = -INFINITY, ext_y1_ = -INFINITY;
  // Radii met since the polarity last changed, by colour and end pixels:
  // the same stroke again in the same polarity changes nothing (one that
  // was left out as missing the region would miss it again).
  std::set<std::tuple<int, double, double, double, double>> drawn_radii_;
};

void Writer::header() {
  const bool mm = art_.unit == Unit::Millimetre;
  const char* unit = mm ? "mm" : "in";
  put("G04 Vantor encoder disc artwork, ");
  put_decimal(art_.width());
  put(" x ");
  put_decimal(art_.height());
  put(" ");
  put(unit);
  put(" from a drawing at ");
  put_decimal(art_.dpi);
  put(" dpi*\n");
  put("%TF.GenerationSoftware,Vantor,Vantor*%\n");
  put("%TF.FileFunction,Other,Encoder disc artwork*%\n");
  put("%TF.FilePolarity,Positive*%\n");
  put("%TF.Part,Single*%\n");
  put("%FSLAX46Y46*%\n");
  put(mm ? "%MOMM*%\n" : "%MOIN*%\n");
  const double pixel = art_.length(1.0);
  put("%ADD10C,");
  put_decimal(pixel);
  put("*%\n%ADD11R,");
  put_decimal(pixel);
  put("X");
  put_decimal(pixel);
  put("*%\n");
  put("G75*\n");
}

// Arcs from `first` (the point at `start`) through `sweep` radians (negative:
// clockwise) to the point at `end`, in pieces of at most a quarter turn.  A
// full turn ends on `first` itself.
void Writer::arc_path(double cx, double cy, double r, double start, double sweep, double end, Point first) {
  const Point c = at(cx, cy);
  const int pieces = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / (std::numbers::pi / 2) - 1e-9)));
  const bool full = std::fabs(sweep) >= raster::kTwoPi;
  Point from = first;
  for (int k = 1; k <= pieces; ++k) {
    Point to;
    if (k < pieces)
      to = at_angle(cx, cy, r, start + sweep * k / pieces);
    else
      to = full ? first : at_angle(cx, cy, r, end);
    arc(from, to, c, sweep < 0);
    from = to;
  }
}

void Writer::disc(double cx, double cy, double r, Colour c) {
  polarity(c);
  region_begin();
  const Point first = at(cx + r, cy);
  move(first);
  arc_path(cx, cy, r, 0.0, raster::kTwoPi, 0.0, first);
  region_end();
  extent(cx - r, cy - r, cx + r, cy + r);
}

void Writer::sector(double cx, double cy, double r, double start, double sweep, double end, Colour c) {
  if (sweep >= raster::kTwoPi) return disc(cx, cy, r, c);
  polarity(c);
  region_begin();
  const Point centre = at(cx, cy);
  move(centre);
  const Point first = at_angle(cx, cy, r, start);
  draw(first);
  arc_path(cx, cy, r, start, sweep, end, first);
  draw(centre);
  region_end();
  extent(cx - r, cy - r, cx + r, cy + r);
}

// The one-pixel outline on [start, start + sweep]: the pixels with centres
// between r - 1 and r from the centre, a stroke one pixel wide along radius
// r - 1/2.  Within a pixel of the centre the outline is the whole sector.
void Writer::arc_stroke(double cx, double cy, double r, double start, double sweep, double end, Colour c) {
  if (r <= 1.0) return sector(cx, cy, r, start, sweep, end, c);
  polarity(c);
  aperture(kStrokeAperture);
  const double mid = r - 0.5;
  const Point first = at_angle(cx, cy, mid, start);
  move(first);
  arc_path(cx, cy, mid, start, sweep, end, first);
  extent(cx - r, cy - r, cx + r, cy + r);
}

// A stroke between two pixel centres, clipped to the region and its margin;
// a line within one pixel is that pixel's square.
void Writer::line(double x0, double y0, double x1, double y1, Colour c) {
  if (x0 == x1 && y0 == y1) {
    if (!near_region(x0, y0, 0.5)) return;
    polarity(c);
    aperture(kPixelAperture);
    flash(at(x0, y0));
    extent(x0 - 0.5, y0 - 0.5, x0 + 0.5, y0 + 0.5);
    return;
  }
  // Liang-Barsky against the region grown by the margin.
  const double dx = x1 - x0, dy = y1 - y0;
  double t0 = 0.0, t1 = 1.0;
  const auto edge = [&](double p, double q) {
    if (p == 0.0) return q >= 0.0;
    const double t = q / p;
    if (p < 0.0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
    return true;
  };
  if (!edge(-dx, x0 - (left_ - kPlotMargin)) || !edge(dx, right_ + kPlotMargin - x0) ||
      !edge(-dy, y0 - (top_ - kPlotMargin)) || !edge(dy, bottom_ + kPlotMargin - y0))
    return;
  const double ax = t0 > 0.0 ? x0 + t0 * dx : x0, ay = t0 > 0.0 ? y0 + t0 * dy : y0;
  const double bx = t1 < 1.0 ? x0 + t1 * dx : x1, by = t1 < 1.0 ? y0 + t1 * dy : y1;
  polarity(c);
  aperture(kStrokeAperture);
  move(at(ax, ay));
  draw(at(bx, by));
  extent(std::min(ax, bx) - 0.5, std::min(ay, by) - 0.5, std::max(ax, bx) + 0.5, std::max(ay, by) + 0.5);
}

void Writer::rectangle(double x0, double y0, double x1, double y1, Colour c, bool as_is) {
  polarity(c, as_is);
  region_begin();
  const Point first = at(x0, y0);
  move(first);
  draw(at(x1, y0));
  draw(at(x1, y1));
  draw(at(x0, y1));
  draw(first);
  region_end();
  extent(x0, y0, x1, y1);
}

void Writer::circle_figure(const Figure& f) {
  const double cx = f.px1, cy = f.py1, r = f.pr;
  if (!(r > 0.0) || !near_region(cx, cy, r)) return;
  const double corner2 = farthest_corner2(cx, cy);
  if (f.filled()) {
    if (corner2 < r * r)  // the disc holds the whole plotted area
      rectangle(left_ - kPlotMargin, top_ - kPlotMargin, right_ + kPlotMargin, bottom_ + kPlotMargin, f.fill_colour);
    else
      disc(cx, cy, r, f.fill_colour);
    if (f.fill_colour == f.colour) return;  // the outline lies in the disc
  }
  if (r > 1.0 && corner2 < (r - 1.0) * (r - 1.0)) return;  // the outline passes outside
  arc_stroke(cx, cy, r, 0.0, raster::kTwoPi, 0.0, f.colour);
}

void Writer::arc_figure(const Figure& f) {
  const double cx = f.px1, cy = f.py1, r = f.pr;
  if (!(r > 0.0) || !near_region(cx, cy, r + 1.0)) return;
  const double s = f.start, e = f.end;
  const double sweep = s <= e ? e - s : e + raster::kTwoPi - s;
  const double corner2 = farthest_corner2(cx, cy);
  // A sweep of 0 holds only the pixels whose centres lie on the ray itself.
  if (sweep > 0.0) {
    // A disc that holds the plotted area gives it the same pixels at any
    // radius beyond it: the smallest such radius keeps the numbers short.
    if (f.filled())
      sector(cx, cy, corner2 < r * r ? std::min(r, std::sqrt(corner2) + 1.0) : r, s, sweep, e, f.fill_colour);
    const bool outline_outside = r > 1.0 && corner2 < (r - 1.0) * (r - 1.0);
    if ((!f.filled() || f.fill_colour != f.colour) && !outline_outside) arc_stroke(cx, cy, r, s, sweep, e, f.colour);
  }
  const raster::PixelCircle pc{cx, cy, r};
  const auto radius = [&](double m) {
    double ex, ey;
    raster::radius_end(pc, m, ex, ey);
    double x0 = cx, y0 = cy;
    if (!raster::clip_to_far_square(x0, y0, ex, ey)) return;
    x0 = std::floor(x0) + 0.5;
    y0 = std::floor(y0) + 0.5;
    ex = std::floor(ex) + 0.5;
    ey = std::floor(ey) + 0.5;
    if (!drawn_radii_.emplace(static_cast<int>(f.colour), x0, y0, ex, ey).second) return;
    line(x0, y0, ex, ey, f.colour);
  };
  if (f.start_radius()) radius(s);
  if (f.end_radius()) radius(e);
}

void Writer::line_figure(const Figure& f) {
  double x0 = f.px1, y0 = f.py1, x1 = f.px2, y1 = f.py2;
  if (!raster::clip_to_far_square(x0, y0, x1, y1)) return;
  line(std::floor(x0) + 0.5, std::floor(y0) + 0.5, std::floor(x1) + 0.5, std::floor(y1) + 0.5, f.colour);
}

void Writer::pset_figure(const Figure& f) {
  const double x = std::floor(f.px1) + 0.5, y = std::floor(f.py1) + 0.5;
  if (!near_region(x, y, 0.5)) return;
  polarity(f.colour);
  aperture(kPixelAperture);
  flash(at(x, y));
  extent(x - 0.5, y - 0.5, x + 0.5, y + 0.5);
}

void Writer::figure(const Figure& f) {
  switch (f.kind) {
    case FigureKind::Cls:
      // Only figures after the last cls are written (see gerber_file).
      break;
    case FigureKind::Circle:
      circle_figure(f);
      break;
    case FigureKind::Arc:
      arc_figure(f);
      break;
    case FigureKind::Line:
      line_figure(f);
      break;
    case FigureKind::PSet:
      pset_figure(f);
      break;
  }
}

// The negative's page: the whole region dark, under everything.
void Writer::negative_page() { rectangle(left_, top_, right_, bottom_, Colour::White); }

// The disc's outlines (disc_outlines): a dark disc is one dark region and
// the shaft hole and each slot a clear region over it; on a clear disc the
// shaft hole and the slots are dark regions and the rim is the disc
// figure's one-pixel outline.  An outline is one contour: each arc about
// the disc centre (a slot's inner arc clockwise, G02), joined by straight
// segments.
void Writer::outlines(const DiscOutlines& outlines) {
  const DiscGeometry& g = art_.geometry;
  const auto disc = std::find_if(art_.figures.begin(), art_.figures.end(),
                                 [](const Figure& f) { return f.part.part == DiscPart::Disc; });
  const Colour fill = disc->fill_colour;
  const double cx = g.centre_px, cy = g.centre_py, pixels = 1.0 / art_.length(1.0);
  for (const DiscOutline& o : outlines.outlines) {
    if (o.part == DiscPart::Disc && fill != Colour::Black) continue;
    polarity(o.part == DiscPart::Disc ? fill : fill == Colour::Black ? Colour::White : Colour::Black);
    region_begin();
    Point first{}, last{};
    for (std::size_t k = 0; k < o.arcs.size(); ++k) {
      const OutlineArc& a = o.arcs[k];
      const double r = a.radius * pixels;
      const Point p = at_angle(cx, cy, r, a.start);
      if (k == 0) first = p, move(p);
      else if (!(p == last)) draw(p);
      last = p;
      if (r > 0 && a.sweep != 0) {
        arc_path(cx, cy, r, a.start, a.sweep, a.end(), p);
        last = std::fabs(a.sweep) >= raster::kTwoPi ? p : at_angle(cx, cy, r, a.end());
      }
    }
    if (!(last == first)) draw(first);
    region_end();
  }
  const double r = g.rim_radius * pixels;
  extent(cx - r, cy - r, cx + r, cy + r);
  if (disc->colour != fill) arc_stroke(cx, cy, disc->pr, 0.0, raster::kTwoPi, 0.0, disc->colour);
}

std::string Writer::finish() {
  // Clear what was drawn outside the region.
  if (ext_x0_ < left_ || ext_y0_ < top_ || ext_x1_ > right_ || ext_y1_ > bottom_) {
    const double x0 = std::min(ext_x0_, left_) - 1.0, x1 = std::max(ext_x1_, right_) + 1.0;
    const double y0 = std::min(ext_y0_, top_) - 1.0, y1 = std::max(ext_y1_, bottom_) + 1.0;
    if (ext_x0_ < left_) rectangle(x0, y0, left_, y1, Colour::White, true);
    if (ext_x1_ > right_) rectangle(right_, y0, x1, y1, Colour::White, true);
    if (ext_y0_ < top_) rectangle(left_, y0, right_, top_, Colour::White, true);
    if (ext_y1_ > bottom_) rectangle(left_, bottom_, right_, y1, Colour::White, true);
  }
  put("M02*\n");
  return std::move(out_);
}

}  // namespace

std::string gerber_file(const Artwork& art) {
  Writer w(art);
  w.header();
  if (art.negative) w.negative_page();
  if (const DiscOutlines outlines = disc_outlines(art.geometry); outlines.separate()) {
    w.outlines(outlines);
    for (const Figure& f : art.figures)
      if (f.part.part == DiscPart::CentreMark || f.part.part == DiscPart::Aid) w.figure(f);
    return w.finish();
  }
  // A cls clears everything before it; the file starts clear.
  std::size_t first = 0;
  for (std::size_t i = art.figures.size(); i-- > 0;)
    if (art.figures[i].kind == FigureKind::Cls) {
      first = i + 1;
      break;
    }
  for (std::size_t i = first; i < art.figures.size(); ++i) w.figure(art.figures[i]);
  return w.finish();
}

}  // namespace vantor
