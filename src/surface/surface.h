// The drawing surface: a persistent black-and-white raster with a physical
// unit, the fill and line state, and the figure operations that the
// renderers, touch-up and output use.  Pure C++; no toolkit.
//
// Coordinates
//   The raster has P pixels per inch (96 on the screen).  The current unit is
//   the twip (1/1440 in), the inch or the millimetre; u = pixels per unit.
//   A point (x, y) in the unit lies at (x*u, y*u) pixels from the top-left
//   corner of the raster, x to the right, y downward.  Pixel (i, j) is the
//   square [i, i+1) x [j, j+1); its centre is (i + 1/2, j + 1/2).  All pixel
//   arithmetic is in double: X = double(x) * u.
//
// Pixel rules (the reference rasteriser in the tests implements exactly
// these, per pixel; every fast path must give the same pixels).  All
// expressions are evaluated in double exactly as written, with
// X = double(x) * u, Y = double(y) * u, Rp = double(r) * u and, for pixel
// (i, j), dx = (i + 0.5) - X, dy = (j + 0.5) - Y.
//   Disc      pixel (i, j) is covered when dx*dx + dy*dy <= Rp*Rp.
//   Ring      the one-pixel outline of a circle: disc pixels with also
//             dx*dx + dy*dy > (Rp - 1)*(Rp - 1) (all disc pixels when
//             Rp <= 1).
//   Angle     of a pixel centre: t = atan2(Y - (j + 0.5), dx), plus 2pi when
//             negative, so t is in [0, 2pi] (a tiny negative atan2 rounds
//             up to 2pi); counter-clockwise on screen from 3 o'clock.  The
//             pixel whose centre is the circle's centre has angle 0.
//   Arc       from start s to end e (magnitudes of the given angles, each in
//             [0, 2pi]): t lies on it when s <= t <= e if s <= e, else when
//             t >= s or t <= e (the arc runs through 0).  A magnitude within
//             kFullTurnSlack of 2pi counts as exactly 2pi (the double
//             nearest 2pi), so s = 0 with e = 2pi is a full turn; a start of
//             2pi is then taken as 0.
//   Sector    disc pixels whose angle lies on the arc, and the pixels that
//             close them to the radii: a pixel that is not one of them is
//             also filled when, in its row or in its column, one neighbour
//             is a pixel of a Radius and the opposite neighbour is a pixel
//             of a Radius or one of them.  (A Radius runs between pixel
//             corners and strays to either side of the arc's exact edge,
//             which the fill follows; without these pixels it would leave
//             single pixels of the older colour between itself and the
//             fill.)  Filled only when both angles are negative, i.e. < 0,
//             and FillStyle is Solid; -0 is not negative.
//   Arc line  ring pixels whose angle lies on the arc.
//   Radius    for each negative angle, the Line from the centre (X, Y) to
//             (X + Rp*cos(m), Y - Rp*sin(m)), pixel coordinates, m being that
//             angle's magnitude s or e as used for the arc.
//   Line      between the pixels (x0, y0), (x1, y1) that contain the end
//             points (floor of the pixel coordinates).  With n the larger
//             and m the smaller of |x1 - x0| and |y1 - y0| (x is the major
//             axis when they are equal), the line has the n + 1 pixels whose
//             major coordinate steps by one from the first point to the
//             second and whose minor offset from the first point at step k
//             is floor((2*k*m + n - 1) / (2*n)): k*m/n rounded to nearest,
//             ties toward the first point.  That is the classic integer
//             midpoint (Bresenham) line started at the first point.  An end
//             point with a pixel coordinate beyond 2^28 in magnitude is first
//             moved, in double, along the segment to where it enters the
//             square [-2^28, 2^28]^2 (raster::clip_to_far_square); a segment
//             that misses the square draws nothing.
//   PSet      the pixel that contains the point (X, Y); nothing when it lies
//             outside the raster.
//   Every figure is clipped to the raster, never wrapped.  Outlines are drawn
//   after the fill, in the outline colour.
//
// Deferred drawing
//   The pixels are always those of drawing each call when it is made; the
//   surface only avoids work that a later call undoes:
//   - An arc or sector call waits until the next call that changes pixels,
//     or until the raster is read (pixel, data, ==).  When that call is a
//     full circle with FillStyle Solid and the fill colour equal to its
//     outline colour, it covers its whole disc in one colour, so the
//     waiting figures with its centre are drawn without their pixels in
//     that disc; a disc whose pixels are known to have that colour already
//     is not painted again.
//   - Waiting sectors of one circle filled and outlined in one colour (a
//     track of a disc) are drawn together, and of their radii that end in
//     the same pixel only one is drawn.
//   - A cls is painted with the call after it, so that a disc drawn right
//     after it writes each pixel once.
//   Const members may therefore finish drawing: a Surface read from several
//   threads at once must first be read once (e.g. data()) by one of them.
//
// Refused calls
//   A NaN or infinite coordinate, radius or angle, or an angle whose
//   magnitude exceeds 2pi by more than kFullTurnSlack, is refused: the call
//   returns false and changes nothing.  A radius <= 0 draws nothing and is
//   not refused.  Any finite figure, however large or far away, costs work
//   bounded by the raster's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vantor {

struct Figure;  // surface/figures.h

// The memory of a raster.  One of 2 MiB or more lies on 2 MiB boundaries
// and is asked of the system in huge pages: the bands of an export are
// walked down their columns by thin sectors and radii, a row a page when
// the pages are small.
void* allocate_raster(std::size_t bytes);
void free_raster(void* p, std::size_t bytes);

template <class T>
struct RasterAllocator {
  using value_type = T;
  RasterAllocator() = default;
  template <class U>
  RasterAllocator(const RasterAllocator<U>&) {}
  T* allocate(std::size_t n) { return static_cast<T*>(allocate_raster(n * sizeof(T))); }
  void deallocate(T* p, std::size_t n) { free_raster(p, n * sizeof(T)); }
  template <class U>
  bool operator==(const RasterAllocator<U>&) const {
    return true;
  }
};
namespace raster {
struct PixelCircle;  // surface/raster.h
struct SpanSink;
}

// One byte per pixel: the value is the grey level, so a raster row can be
// shown or written without conversion.
enum class Colour : std::uint8_t { Black = 0x00, White = 0xFF };

enum class ScaleMode : int { Twip = 1, Inch = 5, Millimetre = 6 };
enum class FillStyle : int { Solid = 0, Transparent = 1 };

// What a figure of a disc's drawing is.  The renderers say it before they
// draw; touch-up and figures drawn outside a disc are Other.
enum class DiscPart : std::uint8_t {
  Other,
  Disc,        // the filled disc of the encoder diameter: the rim
  Slot,        // a slot sector of `track`
  TrackMask,   // the filled disc that closes `track` at its inner edge
  ShaftHole,
  CentreMark,  // the cross and small circle inside the shaft hole
  Aid,         // an aid for assembly over the finished drawing (request/assembly_aids.h)
};
struct FigurePart {
  DiscPart part = DiscPart::Other;
  int track = -1;  // 0 = the outermost track; Slot and TrackMask only
  bool operator==(const FigurePart&) const = default;
};

// Angles whose magnitude lies within this of 2pi are a full turn.  It covers
// the rounding of 2pi to single precision (6.2831855f is 1.7e-7 above 2pi)
// with room for a few rounding steps of the callers' arithmetic.
inline constexpr double kFullTurnSlack = 4.0e-6;

inline constexpr double kTwipsPerInch = 1440.0;
inline constexpr double kMillimetresPerInch = 25.4;
inline constexpr double kMicrometresPerInch = 25400.0;

class Surface {
 public:
  // A white raster of width x height pixels at the given density, in the
  // initial state: twips, FillStyle Transparent, FillColor black,
  // DrawWidth 1.  A non-positive size gives an empty (0 x 0) raster; a
  // density that is not a positive finite number is taken as 96.
  Surface(int width, int height, double pixels_per_inch = 96.0);

  // The client area of the image windows' picture: 13000 x 9000 twips less
  // a two-pixel border on each side, at the given density P (the border is
  // two pixels at 96 ppi and scales with P):
  //   width  = round(13000 * P / 1440) - round(4 * P / 96)
  //   height = round(9000 * P / 1440) - round(4 * P / 96),
  // rounding halves away from zero; 863 x 596 at 96 ppi.
  static Surface for_picture(double pixels_per_inch = 96.0);
  static int picture_width(double pixels_per_inch = 96.0);
  static int picture_height(double pixels_per_inch = 96.0);

  // A surface that holds only a window of a larger canvas: its raster is
  // the rectangle of canvas pixels [left, left + width) x [top, top + height)
  // of a canvas_width x canvas_height canvas.  Figures are placed on the
  // canvas (ScaleWidth and ScaleHeight are the canvas's), and the window
  // receives exactly the pixels that a whole canvas would have there, for
  // pixel coordinates below 2^52.  Bands and crops of very large rasters are
  // drawn this way.
  static Surface window_of(int canvas_width, int canvas_height, double pixels_per_inch, int left, int top,
                           int width, int height);
  // Moves the window to [left, left + width) x [top, top + height) of the
  // same canvas, keeping the raster's memory, so that the bands of a large
  // canvas can be drawn one after the other in one raster.  Figures drawn
  // before the move stay where they were drawn; the pixels are not moved
  // and hold what they held until drawn over (a renderer starts with cls).
  void move_window(int left, int top);
  int canvas_width() const { return canvas_width_; }
  int canvas_height() const { return canvas_height_; }
  int left() const { return left_; }
  int top() const { return top_; }

  int width() const { return width_; }
  int height() const { return height_; }
  double pixels_per_inch() const { return ppi_; }

  // --- state ---------------------------------------------------------
  void set_scale_mode(ScaleMode mode);
  ScaleMode scale_mode() const { return scale_mode_; }
  // u: P / 1440 for twips, P for inches, P / 25.4 for millimetres.
  double pixels_per_unit() const;
  // Canvas size in the current unit, float(pixels / u).
  float scale_width() const;
  float scale_height() const;

  Colour back_colour() const { return Colour::White; }
  Colour fore_colour() const { return Colour::Black; }
  void set_fill_colour(Colour c) { fill_colour_ = c; }
  Colour fill_colour() const { return fill_colour_; }
  void set_fill_style(FillStyle s) { fill_style_ = s; }
  FillStyle fill_style() const { return fill_style_; }
  // Only one-pixel drawing exists; any other width is refused (false).
  bool set_draw_width(int width);
  int draw_width() const { return draw_width_; }

  // --- drawing -------------------------------------------------------
  void cls();
  // Full circle, outline in the foreground colour (or c).
  [[nodiscard]] bool circle(float x, float y, float r);
  [[nodiscard]] bool circle(float x, float y, float r, Colour c);
  // Arc or sector from a1 to a2 (radians; see Arc and Radius above).
  [[nodiscard]] bool circle(float x, float y, float r, Colour c, float a1, float a2);
  [[nodiscard]] bool line(float x1, float y1, float x2, float y2);
  [[nodiscard]] bool line(float x1, float y1, float x2, float y2, Colour c);
  // Sets one pixel; a point outside the raster (or not finite) changes
  // nothing.
  void pset(float x, float y, Colour c);

  // --- figure log ----------------------------------------------------
  // While a log is set, every accepted call is appended to it as a Figure
  // (surface/figures.h): cls, every circle, arc and line call that is not
  // refused (a radius <= 0 included), and every pset whose pixel lies on
  // the canvas.  nullptr stops recording.  A copy of the surface does not
  // record.
  void set_recorder(std::vector<Figure>* log) { recorder_.log = log; }
  // The part of a disc that the following figures draw, recorded with each
  // of them, so that a reader of the log knows what a figure is without
  // guessing it from the order of the calls.  Drawing ignores it.
  void set_part(FigurePart part) { recorder_.part = part; }

  // --- image ---------------------------------------------------------
  Colour pixel(int i, int j) const {
    settle();
    return static_cast<Colour>(pixels_[index(i, j)]);
  }
  // Row-major, width() bytes a row, 0x00 black, 0xFF white.  The pointer
  // stays valid, and shows every figure drawn, until the next drawing call.
  const std::uint8_t* data() const {
    settle();
    return pixels_.data();
  }
  std::uint8_t* data();
  // Same size and same pixels; the drawing state is not compared.
  bool operator==(const Surface& other) const;

 private:
  // An accepted arc or sector call with a radius > 0, not drawn yet.
  struct PendingArc {
    float x, y, r, a1, a2;
    Colour outline;
    Colour fill;
    bool filled;
  };
  // All pixels with dx*dx + dy*dy <= r2 from (cx, cy), canvas pixels, have
  // the given colour.
  struct UniformDisc {
    bool valid = false;
    double cx = 0, cy = 0, r2 = 0;
    Colour colour = Colour::White;
  };
  // A disc about to be covered in one colour: pending figures with its
  // centre leave its pixels alone.
  struct Hole {
    double cx, cy, r2;
  };

  std::size_t index(int i, int j) const {
    return static_cast<std::size_t>(j) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(i);
  }
  void settle() const {
    if (cleared_) paint_cleared();
    if (!pending_.empty()) draw_pending(nullptr);
  }
  void paint_cleared() const;
  // The raster as a sink that paints c: the window of canvas pixels
  // [left_, left_ + width_) x [top_, top_ + height_).
  raster::SpanSink span_sink(Colour c) const;
  class RadiusRun;
  void draw_pending(const Hole* hole) const;
  void draw_arc_figure(const PendingArc& a, const raster::PixelCircle& pc, double hole2, RadiusRun& run) const;
  // pending_[first, end): filled sectors of one circle in one colour.
  void draw_sector_group(std::size_t first, std::size_t end, const raster::PixelCircle& pc, double hole2,
                         RadiusRun& run) const;
  void record(const Figure& figure);

  int width_;
  int height_;
  double ppi_;
  int canvas_width_;
  int canvas_height_;
  int left_ = 0;
  int top_ = 0;
  mutable std::vector<std::uint8_t, RasterAllocator<std::uint8_t>> pixels_;
  mutable std::vector<PendingArc> pending_;
  mutable UniformDisc uniform_;
  // A cls not painted yet: the next figure may paint the raster in one pass
  // (a disc right after a cls paints the rest in the background colour).
  mutable bool cleared_ = false;
  // The log is not part of the surface's value: a copy does not record, and
  // an assignment keeps the target's log.
  struct Recorder {
    std::vector<Figure>* log = nullptr;
    FigurePart part;
    Recorder() = default;
    Recorder(const Recorder&) {}
    Recorder& operator=(const Recorder&) { return *this; }
  } recorder_;
  ScaleMode scale_mode_ = ScaleMode::Twip;
  Colour fill_colour_ = Colour::Black;
  FillStyle fill_style_ = FillStyle::Transparent;
  int draw_width_ = 1;
};

// Touch-up by mouse: buttons is the button state of a mouse move (left 1,
// right 2, middle 4, added together); (x, y) the pointer in the surface's
// current unit.  Exactly left sets a black pixel, exactly right a white one;
// any other state changes nothing.
void touch_up(Surface& surface, int buttons, float x, float y);

}  // namespace vantor
