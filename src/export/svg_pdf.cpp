#include "export/svg_pdf.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <unordered_map>
#include <utility>

#include "surface/figures.h"

namespace vantor {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Digits after the point: coordinates are rounded to this fraction of a
// canvas pixel.
constexpr double kPixelQuantum = 1.0e-4;

// The figures painted as drawn after a disc's outlines, each part in a group
// of its own (an SVG group, PDF marked content).
struct Group {
  DiscPart part;
  const char* svg_id;
  const char* pdf_tag;
};
constexpr Group kGroups[] = {{DiscPart::CentreMark, "centre-mark", "CentreMark"},
                             {DiscPart::Aid, "assembly-aids", "AssemblyAids"}};

// Appends v rounded to `decimals` places after the point, without trailing
// zeros; never an exponent, never "-0".  A value too long for the buffer
// (beyond about 1e300) is written as the largest value that fits.
void append_fixed(std::string& out, double v, int decimals) {
  if (!std::isfinite(v)) v = 0.0;
  std::array<char, 400> buf;
  auto r = std::to_chars(buf.data(), buf.data() + buf.size(), v, std::chars_format::fixed, decimals);
  if (r.ec != std::errc()) {
    v = std::copysign(1.0e300, v);
    r = std::to_chars(buf.data(), buf.data() + buf.size(), v, std::chars_format::fixed, decimals);
  }
  char* end = r.ptr;
  if (decimals > 0) {
    while (end[-1] == '0') --end;
    if (end[-1] == '.') --end;
  }
  const char* begin = buf.data();
  if (end - begin == 2 && begin[0] == '-' && begin[1] == '0') ++begin;
  out.append(begin, static_cast<std::size_t>(end - begin));
}

// The shortest text that reads back as v, in fixed notation.
void append_exact(std::string& out, double v) {
  if (!std::isfinite(v)) v = 0.0;
  std::array<char, 400> buf;
  const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), v, std::chars_format::fixed);
  out.append(buf.data(), r.ec == std::errc() ? r.ptr : buf.data());
}

struct Point {
  double x, y;
};

// The point at angle t (counter-clockwise on screen from 3 o'clock) on the
// circle about (cx, cy), in y-downward coordinates.
Point on_circle(double cx, double cy, double r, double t) { return {cx + r * std::cos(t), cy - r * std::sin(t)}; }

// How a path is painted: filled with the nonzero or the even-odd rule, or
// stroked one canvas pixel wide.
enum class Paint { NonZero, EvenOdd, Stroke };

Colour other(Colour c) { return c == Colour::Black ? Colour::White : Colour::Black; }

// A path's text goes on in a new path beyond this many bytes: rsvg-convert
// (libxml2) refuses an attribute of more than 10,000,000 bytes.
constexpr std::size_t kSvgPathBytes = 8000000;

// Path text in SVG's syntax.  Coordinates come in canvas pixels from the
// region's top-left corner and are written in the artwork's unit, to a
// ten-thousandth of a pixel but no finer than 1 nm (7 decimals of an inch,
// 6 of a millimetre).  `exchange`: every colour is written as the other.
class SvgPath {
 public:
  SvgPath(std::string& out, double unit_per_pixel, Unit unit, bool exchange)
      : out_(out), scale_(unit_per_pixel), exchange_(exchange) {
    const double pixels_per_unit = 1.0 / unit_per_pixel;
    decimals_ = static_cast<int>(std::ceil(std::log10(pixels_per_unit / kPixelQuantum) - 1e-9));
    decimals_ = std::clamp(decimals_, 0, unit == Unit::Millimetre ? 6 : 7);
  }
  void begin(Colour c, Paint paint = Paint::NonZero) {
    closed_ = false;
    begun_ = out_.size();
    const char* colour = (c == Colour::Black) != exchange_ ? "#000000" : "#FFFFFF";
    if (paint == Paint::Stroke) {
      out_ += "<path fill=\"none\" stroke=\"";
      out_ += colour;
      out_ += "\" stroke-width=\"";
      num(1.0);
    } else {
      out_ += "<path fill=\"";
      out_ += colour;
      if (paint == Paint::EvenOdd) out_ += "\" fill-rule=\"evenodd";
    }
    out_ += "\" d=\"";
  }
  void end() { out_ += "\"/>\n"; }
  // Whether the path has grown long enough to go on in a new one.
  bool long_path() const { return out_.size() - begun_ > kSvgPathBytes; }
  void begin_group(const Group& g) { out_ += std::string("<g id=\"") + g.svg_id + "\">\n"; }
  void end_group() { out_ += "</g>\n"; }
  // After Z the current point is the closed subpath's start, and a
  // command other than M starts a new subpath there: the sectors of one
  // centre need no M of their own.
  void move(Point p) {
    if (closed_ && p.x == start_.x && p.y == start_.y) return;
    cmd('M', p);
    start_ = p;
    closed_ = false;
  }
  void line(Point p) {
    cmd('L', p);
    closed_ = false;
  }
  void close() {
    out_ += "Z";
    closed_ = true;
  }
  // From the current point, which is at angle t0, to angle t1 on the circle:
  // counter-clockwise on screen when t1 > t0.  Pieces of at most half a
  // turn, so the large-arc flag is 0 and no piece has nearly coincident
  // ends.
  void arc(double cx, double cy, double r, double t0, double t1) {
    const double span = t1 - t0;
    const int pieces = std::max(1, static_cast<int>(std::ceil(std::abs(span) / kPi - 1e-12)));
    closed_ = false;
    for (int k = 1; k <= pieces; ++k) {
      const double t = k == pieces ? t1 : t0 + span * k / pieces;
      out_ += 'A';
      num(r);
      out_ += ' ';
      num(r);
      // Rotation 0, large-arc 0; sweep 0 is counter-clockwise on screen
      // because y runs downward.
      out_ += span > 0 ? " 0 0 0 " : " 0 0 1 ";
      const Point p = on_circle(cx, cy, r, t);
      num(p.x);
      out_ += ' ';
      num(p.y);
    }
  }

 private:
  void cmd(char c, Point p) {
    out_ += c;
    num(p.x);
    out_ += ' ';
    num(p.y);
  }
  void num(double pixels) { append_fixed(out_, pixels * scale_, decimals_); }

  std::string& out_;
  double scale_;
  bool exchange_;
  int decimals_ = 6;
  std::size_t begun_ = 0;
  Point start_{0, 0};
  bool closed_ = false;
};

// Path operators of a PDF content stream, in canvas pixels from the region's
// top-left corner (the page's matrix maps them to points).
//
// Arcs are cubic Bezier curves, each of at most kMaxBezierAngle, with the
// control points at k = 4/3 tan(a/4) of the radius along the end tangents.
// Such a curve lies outside the circle by at most
// (2/27) sin^6(a/4) / cos^2(a/4) of the radius: 2.7e-4 for 90 degrees,
// 1.04e-9 for 11.25 degrees.  A disc of 10 inches radius at 20000 pixels per
// inch is therefore within 2.1e-4 pixel of its circle.
constexpr double kMaxBezierAngle = kPi / 16.0;

class PdfPath {
 public:
  PdfPath(std::string& out, bool exchange) : out_(out), exchange_(exchange) {}
  void begin(Colour c, Paint paint = Paint::NonZero) {
    const bool black = (c == Colour::Black) != exchange_;
    paint_ = paint;
    if (paint == Paint::Stroke) out_ += black ? "0 G 1 w\n" : "1 G 1 w\n";
    else out_ += black ? "0 g\n" : "1 g\n";
  }
  void end() { out_ += paint_ == Paint::NonZero ? "f\n" : paint_ == Paint::EvenOdd ? "f*\n" : "S\n"; }
  bool long_path() const { return false; }
  void begin_group(const Group& g) { out_ += std::string("/") + g.pdf_tag + " BMC\n"; }
  void end_group() { out_ += "EMC\n"; }
  void move(Point p) {
    pt(p);
    out_ += "m\n";
  }
  void line(Point p) {
    pt(p);
    out_ += "l\n";
  }
  void close() { out_ += "h\n"; }
  void arc(double cx, double cy, double r, double t0, double t1) {
    const double span = t1 - t0;
    const int pieces = std::max(1, static_cast<int>(std::ceil(std::abs(span) / kMaxBezierAngle - 1e-12)));
    const double step = span / pieces;
    const double k = 4.0 / 3.0 * std::tan(step / 4.0) * r;
    double a = t0;
    Point p0 = on_circle(cx, cy, r, a);
    for (int i = 1; i <= pieces; ++i) {
      const double b = i == pieces ? t1 : t0 + step * i;
      const Point p3 = on_circle(cx, cy, r, b);
      // d/dt (cx + r cos t, cy - r sin t) = r (-sin t, -cos t); k carries
      // the sign of the direction.
      const Point c1{p0.x - k * std::sin(a), p0.y - k * std::cos(a)};
      const Point c2{p3.x + k * std::sin(b), p3.y + k * std::cos(b)};
      pt(c1);
      pt(c2);
      pt(p3);
      out_ += "c\n";
      a = b;
      p0 = p3;
    }
  }

 private:
  void pt(Point p) {
    append_fixed(out_, p.x, 4);
    out_ += ' ';
    append_fixed(out_, p.y, 4);
    out_ += ' ';
  }
  std::string& out_;
  bool exchange_;
  Paint paint_ = Paint::NonZero;
};

static_assert(kPixelQuantum == 1.0e-4, "PdfPath writes 4 decimals");

// Turns the figures into runs of one colour of outlines traced
// counter-clockwise on screen, for either path syntax.
template <class Path>
class Painter {
 public:
  Painter(const Artwork& art, Path& path)
      : art_(art), path_(path), width_(art.region.width), height_(art.region.height) {}

  void figure(const Figure& f) {
    switch (f.kind) {
      case FigureKind::Cls:
        run(Colour::White);
        quad({0, 0}, {0, height_}, {width_, height_}, {width_, 0});
        break;
      case FigureKind::Circle:
      case FigureKind::Arc:
        round(f);
        break;
      case FigureKind::Line:
        line_between(f.colour, f.px1, f.py1, f.px2, f.py2);
        break;
      case FigureKind::PSet: {
        const double i = std::floor(f.px1) - art_.region.left, j = std::floor(f.py1) - art_.region.top;
        if (!(i >= 0 && j >= 0 && i < width_ && j < height_)) break;
        run(f.colour);
        quad({i, j}, {i, j + 1}, {i + 1, j + 1}, {i + 1, j});
        break;
      }
    }
  }

  void finish() {
    if (open_) path_.end();
    open_ = false;
  }

 private:
  void run(Colour c) {
    if (open_ && c == colour_ && !path_.long_path()) return;
    finish();
    path_.begin(c);
    open_ = true;
    colour_ = c;
    lines_.clear();
  }

  // Any four corners; written in the order that is counter-clockwise on
  // screen (negative shoelace sum with y downward).
  void quad(Point a, Point b, Point c, Point d) {
    const double area = (a.x * b.y - b.x * a.y) + (b.x * c.y - c.x * b.y) + (c.x * d.y - d.x * c.y) +
                        (d.x * a.y - a.x * d.y);
    if (area > 0) std::swap(b, d);
    path_.move(a);
    path_.line(b);
    path_.line(c);
    path_.line(d);
    path_.close();
  }

  void full_circle(double cx, double cy, double r, bool counter_clockwise) {
    path_.move(on_circle(cx, cy, r, 0.0));
    path_.arc(cx, cy, r, 0.0, counter_clockwise ? kTwoPi : -kTwoPi);
    path_.close();
  }

  void round(const Figure& f) {
    const double r = f.pr;
    if (!(r > 0) || !std::isfinite(r)) return;
    const double cx = f.px1 - art_.region.left, cy = f.py1 - art_.region.top;
    if (!std::isfinite(cx) || !std::isfinite(cy)) return;
    // Radius lines reach at most r + 1.5 pixels from the centre.
    const double reach = r + 2.0;
    if (cx + reach < 0 || cy + reach < 0 || cx - reach > width_ || cy - reach > height_) return;

    bool full = f.kind == FigureKind::Circle;
    double s = 0, span = kTwoPi;
    if (!full) {
      s = f.start;
      span = f.start <= f.end ? f.end - f.start : f.end - f.start + kTwoPi;
      full = span >= kTwoPi;
    }
    const bool filled = f.filled();
    if (filled) {
      run(f.fill_colour);
      if (full) {
        full_circle(cx, cy, r, true);
      } else if (span > 0) {
        path_.move({cx, cy});
        path_.line(on_circle(cx, cy, r, s));
        path_.arc(cx, cy, r, s, s + span);
        path_.close();
      }
    }
    // The outline lies inside the fill; only another colour shows it.
    if (!filled || f.colour != f.fill_colour) {
      const double inner = std::max(r - 1.0, 0.0);
      if (full) {
        run(f.colour);
        full_circle(cx, cy, r, true);
        if (inner > 0) full_circle(cx, cy, inner, false);
      } else if (span > 0) {
        run(f.colour);
        path_.move(on_circle(cx, cy, r, s));
        path_.arc(cx, cy, r, s, s + span);
        if (inner > 0) {
          path_.line(on_circle(cx, cy, inner, s + span));
          path_.arc(cx, cy, inner, s + span, s);
        } else {
          path_.line({cx, cy});
        }
        path_.close();
      }
    }
    // The surface's radius: the Line from the centre to the point at the
    // arc's start or end, both in canvas pixels.
    if (f.start_radius())
      line_between(f.colour, f.px1, f.py1, f.px1 + r * std::cos(f.start), f.py1 - r * std::sin(f.start));
    if (f.end_radius())
      line_between(f.colour, f.px1, f.py1, f.px1 + r * std::cos(f.end), f.py1 - r * std::sin(f.end));
  }

  // The one-pixel line from the pixel holding (x0, y0) to the pixel holding
  // (x1, y1), canvas pixels: the rectangle about the segment between their
  // centres, half a pixel wide on each side and beyond each end.
  void line_between(Colour colour, double x0, double y0, double x1, double y1) {
    const double i0 = std::floor(x0), j0 = std::floor(y0), i1 = std::floor(x1), j1 = std::floor(y1);
    if (!std::isfinite(i0) || !std::isfinite(j0) || !std::isfinite(i1) || !std::isfinite(j1)) return;
    Point a{i0 + 0.5 - art_.region.left, j0 + 0.5 - art_.region.top};
    Point b{i1 + 0.5 - art_.region.left, j1 + 0.5 - art_.region.top};
    if (!clip(a, b)) return;
    run(colour);
    // Once per run: a line already in this run's union adds nothing.
    constexpr double kKeyLimit = 1 << 30;
    if (std::max({std::abs(i0), std::abs(j0), std::abs(i1), std::abs(j1)}) < kKeyLimit) {
      std::array<std::int64_t, 4> k{static_cast<std::int64_t>(i0), static_cast<std::int64_t>(j0),
                                    static_cast<std::int64_t>(i1), static_cast<std::int64_t>(j1)};
      if (std::pair(k[2], k[3]) < std::pair(k[0], k[1])) k = {k[2], k[3], k[0], k[1]};
      const std::uint64_t key = static_cast<std::uint64_t>(k[0]) * 0x9E3779B97F4A7C15ull ^
                                static_cast<std::uint64_t>(k[1]) * 0xC2B2AE3D27D4EB4Full ^
                                static_cast<std::uint64_t>(k[2]) * 0x165667B19E3779F9ull ^
                                static_cast<std::uint64_t>(k[3]) * 0x27D4EB2F165667C5ull;
      const auto [it, fresh] = lines_.emplace(key, k);
      if (!fresh && it->second == k) return;
    }
    const double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
    if (len == 0) {
      quad({a.x - 0.5, a.y - 0.5}, {a.x - 0.5, a.y + 0.5}, {a.x + 0.5, a.y + 0.5}, {a.x + 0.5, a.y - 0.5});
      return;
    }
    const double ux = dx / len * 0.5, uy = dy / len * 0.5;  // along, half a pixel
    const double nx = -uy, ny = ux;                         // across, half a pixel
    quad({a.x - ux + nx, a.y - uy + ny}, {a.x - ux - nx, a.y - uy - ny}, {b.x + ux - nx, b.y + uy - ny},
         {b.x + ux + nx, b.y + uy + ny});
  }

  // Clips the segment to the page widened by two pixels, one side after
  // the other; false when nothing of it is left.  A clipped end lies on the
  // side exactly and the other coordinate comes from the ratio along the
  // segment, which stays precise for ends however far away.
  bool clip(Point& a, Point& b) const {
    const double lo[2] = {-2, -2}, hi[2] = {width_ + 2, height_ + 2};
    for (int axis = 0; axis < 2; ++axis) {
      for (int side = 0; side < 2; ++side) {
        const double bound = side == 0 ? lo[axis] : hi[axis];
        auto coord = [axis](const Point& p) { return axis == 0 ? p.x : p.y; };
        auto outside = [&](const Point& p) { return side == 0 ? coord(p) < bound : coord(p) > bound; };
        const bool out_a = outside(a), out_b = outside(b);
        if (out_a && out_b) return false;
        if (!out_a && !out_b) continue;
        Point& p = out_a ? a : b;
        const Point& q = out_a ? b : a;
        const double ratio = (bound - coord(p)) / (coord(q) - coord(p));
        if (axis == 0) p = {bound, p.y + (q.y - p.y) * ratio};
        else p = {p.x + (q.x - p.x) * ratio, bound};
      }
    }
    return true;
  }

  const Artwork& art_;
  Path& path_;
  double width_, height_;
  bool open_ = false;
  Colour colour_ = Colour::White;
  // The lines of the open run by a hash of their end pixels (a hash shared
  // by two different lines only costs writing the second one).
  std::unordered_map<std::uint64_t, std::array<std::int64_t, 4>> lines_;
};

// The disc's outlines (disc_outlines) as paths, in canvas pixels.  A dark
// disc is one path filled even-odd: the rim with the shaft hole and the
// slots as holes.  On a clear disc the dark path is the shaft hole and the
// slots, and the rim is the disc figure's one-pixel outline, as drawn.  A
// path that grows too long goes on in another, of the holes' colour.
template <class Path>
void paint_outlines(const Artwork& art, const DiscOutlines& outlines, Path& path) {
  const DiscGeometry& g = art.geometry;
  const auto disc = std::find_if(art.figures.begin(), art.figures.end(),
                                 [](const Figure& f) { return f.part.part == DiscPart::Disc; });
  const Colour fill = disc->fill_colour, hole = other(fill);
  const double cx = g.centre_px - art.region.left, cy = g.centre_py - art.region.top;
  const double pixels = 1.0 / art.length(1.0);  // per unit
  std::vector<const DiscOutline*> dark;
  for (const DiscOutline& o : outlines.outlines)
    if (o.part != DiscPart::Disc || fill == Colour::Black) dark.push_back(&o);
  for (std::size_t n = 0; n < dark.size(); ++n) {
    if (n == 0) path.begin(Colour::Black, Paint::EvenOdd);
    else if (path.long_path()) path.end(), path.begin(hole, Paint::EvenOdd);
    const std::vector<OutlineArc>& arcs = dark[n]->arcs;
    for (std::size_t k = 0; k < arcs.size(); ++k) {
      const OutlineArc& a = arcs[k];
      const Point p = on_circle(cx, cy, a.radius * pixels, a.start);
      if (k == 0) path.move(p);
      else path.line(p);
      if (a.radius > 0 && a.sweep != 0) path.arc(cx, cy, a.radius * pixels, a.start, a.end());
    }
    path.close();
  }
  if (!dark.empty()) path.end();
  if (disc->colour != fill) {
    const double r = std::max(disc->pr - 0.5, 0.0);
    path.begin(disc->colour, Paint::Stroke);
    path.move(on_circle(cx, cy, r, 0.0));
    path.arc(cx, cy, r, 0.0, kTwoPi);
    path.close();
    path.end();
  }
}

// The drawing: its outlines and then the centre mark as drawn when the disc
// has separate outlines, else every figure in painter's order.
template <class Path>
void paint(const Artwork& art, Path& path) {
  Painter<Path> painter(art, path);
  const DiscOutlines outlines = disc_outlines(art.geometry);
  if (!outlines.separate()) {
    for (const Figure& f : art.figures) painter.figure(f);
    painter.finish();
    return;
  }
  paint_outlines(art, outlines, path);
  for (const Group& group : kGroups) {
    const auto in_group = [&group](const Figure& f) { return f.part.part == group.part; };
    if (std::none_of(art.figures.begin(), art.figures.end(), in_group)) continue;
    path.begin_group(group);
    for (const Figure& f : art.figures)
      if (in_group(f)) painter.figure(f);
    painter.finish();
    path.end_group();
  }
}

}  // namespace

std::string svg_file(const Artwork& art) {
  const char* unit = art.unit == Unit::Millimetre ? "mm" : "in";
  std::string out;
  out.reserve(4096 + art.figures.size() * 96);
  out += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n";
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"";
  append_exact(out, art.width());
  out += unit;
  out += "\" height=\"";
  append_exact(out, art.height());
  out += unit;
  out += "\" viewBox=\"0 0 ";
  append_exact(out, art.width());
  out += ' ';
  append_exact(out, art.height());
  out += "\" fill-rule=\"nonzero\">\n";
  if (art.negative) {
    out += "<rect width=\"";
    append_exact(out, art.width());
    out += "\" height=\"";
    append_exact(out, art.height());
    out += "\" fill=\"#000000\"/>\n";
  }
  if (art.mirror) {
    out += "<g transform=\"matrix(-1 0 0 1 ";
    append_exact(out, art.width());
    out += " 0)\">\n";
  }
  SvgPath path(out, art.length(1.0), art.unit, art.negative);
  paint(art, path);
  if (art.mirror) out += "</g>\n";
  out += "</svg>\n";
  return out;
}

std::string pdf_file(const Artwork& art) {
  const double points_per_pixel = 72.0 / art.dpi;
  const double page_w = art.region.width * points_per_pixel, page_h = art.region.height * points_per_pixel;

  std::string content;
  content.reserve(4096 + art.figures.size() * 128);
  content += "q\n";
  append_exact(content, art.mirror ? -points_per_pixel : points_per_pixel);
  content += " 0 0 ";
  append_exact(content, -points_per_pixel);
  content += ' ';
  append_exact(content, art.mirror ? page_w : 0.0);
  content += ' ';
  append_exact(content, page_h);
  content += " cm\n";
  if (art.negative) content += "0 g 0 0 " + std::to_string(art.region.width) + ' ' + std::to_string(art.region.height) + " re f\n";
  PdfPath path(content, art.negative);
  paint(art, path);
  content += "Q\n";

  std::string out;
  out.reserve(content.size() + 1024);
  std::array<std::size_t, 5> offset{};
  out += "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  offset[1] = out.size();
  out += "1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n";
  offset[2] = out.size();
  out += "2 0 obj\n<< /Type /Pages /Kids [3 0 R] /Count 1 >>\nendobj\n";
  offset[3] = out.size();
  out += "3 0 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [0 0 ";
  append_exact(out, page_w);
  out += ' ';
  append_exact(out, page_h);
  out += "] /Resources << >> /Contents 4 0 R >>\nendobj\n";
  offset[4] = out.size();
  out += "4 0 obj\n<< /Length " + std::to_string(content.size()) + " >>\nstream\n";
  out += content;
  out += "endstream\nendobj\n";
  const std::size_t xref = out.size();
  out += "xref\n0 5\n0000000000 65535 f\r\n";
  for (int i = 1; i <= 4; ++i) {
    char entry[32];
    std::snprintf(entry, sizeof entry, "%010zu 00000 n\r\n", offset[i]);
    out += entry;
  }
  out += "trailer\n<< /Size 5 /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return out;
}

}  // namespace vantor
