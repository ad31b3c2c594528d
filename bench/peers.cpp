#include "bench/peers.h"

#include <cairo.h>

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <numbers>
#include <utility>

namespace vantor::bench {
namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kDegrees = 180 / std::numbers::pi;

// The counter-clockwise sweep of an arc from start to end, through 0 when
// start > end, in radians.
double sweep(const Figure& f) { return f.start <= f.end ? f.end - f.start : f.end - f.start + kTwoPi; }

QColor qcolour(Colour c) { return c == Colour::Black ? QColor(Qt::black) : QColor(Qt::white); }

class QPainterPeer final : public Peer {
 public:
  QPainterPeer(int width, int height) : image_(width, height, QImage::Format_RGB32) {}
  const char* name() const override { return "qpainter"; }

  void draw(const std::vector<Figure>& log) override {
    QPainter p(&image_);
    p.setRenderHint(QPainter::Antialiasing, false);
    // The pen and brush change only when a figure's colours do.
    int pen = -1, brush = -1;
    auto use = [&](Colour outline, bool filled, Colour fill) {
      if (pen != static_cast<int>(outline)) {
        pen = static_cast<int>(outline);
        p.setPen(QPen(qcolour(outline), 0));  // cosmetic, one pixel
      }
      const int b = filled ? static_cast<int>(fill) : -2;
      if (brush != b) {
        brush = b;
        p.setBrush(filled ? QBrush(qcolour(fill)) : QBrush(Qt::NoBrush));
      }
    };
    for (const Figure& f : log) {
      switch (f.kind) {
        case FigureKind::Cls:
          p.fillRect(image_.rect(), Qt::white);
          break;
        case FigureKind::PSet:
          use(f.colour, false, f.colour);
          p.drawPoint(QPointF(f.px1, f.py1));
          break;
        case FigureKind::Line:
          use(f.colour, false, f.colour);
          p.drawLine(QPointF(f.px1, f.py1), QPointF(f.px2, f.py2));
          break;
        case FigureKind::Circle:
          if (!(f.pr > 0)) break;
          use(f.colour, f.filled(), f.fill_colour);
          p.drawEllipse(QPointF(f.px1, f.py1), f.pr, f.pr);
          break;
        case FigureKind::Arc: {
          if (!(f.pr > 0)) break;
          // The figure as one path, filled and outlined in one call: the
          // arc, closed through the centre by the radii it has.
          const QRectF box(f.px1 - f.pr, f.py1 - f.pr, 2 * f.pr, 2 * f.pr);
          const double start = f.start * kDegrees, span = sweep(f) * kDegrees;
          QPainterPath path;
          if (f.start_radius()) {
            path.moveTo(f.px1, f.py1);
            path.arcTo(box, start, span);
          } else {
            path.arcMoveTo(box, start);
            path.arcTo(box, start, span);
          }
          if (f.start_radius() && f.end_radius())
            path.closeSubpath();
          else if (f.end_radius())
            path.lineTo(f.px1, f.py1);
          use(f.colour, f.filled(), f.fill_colour);
          p.drawPath(path);
          break;
        }
      }
    }
  }

 private:
  QImage image_;
};

class CairoPeer final : public Peer {
 public:
  CairoPeer(int width, int height)
      : surface_(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height)), cr_(cairo_create(surface_)) {
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
    cairo_set_line_width(cr_, 1.0);
  }
  ~CairoPeer() override {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
  }
  const char* name() const override { return "cairo"; }

  void draw(const std::vector<Figure>& log) override {
    for (const Figure& f : log) {
      switch (f.kind) {
        case FigureKind::Cls:
          source(Colour::White);
          cairo_paint(cr_);
          break;
        case FigureKind::PSet:
          source(f.colour);
          cairo_rectangle(cr_, std::floor(f.px1), std::floor(f.py1), 1, 1);
          cairo_fill(cr_);
          break;
        case FigureKind::Line:
          source(f.colour);
          cairo_move_to(cr_, f.px1, f.py1);
          cairo_line_to(cr_, f.px2, f.py2);
          cairo_stroke(cr_);
          break;
        case FigureKind::Circle:
          if (!(f.pr > 0)) break;
          cairo_new_path(cr_);
          cairo_arc(cr_, f.px1, f.py1, f.pr, 0, kTwoPi);
          if (f.filled()) {
            source(f.fill_colour);
            cairo_fill_preserve(cr_);
          }
          source(f.colour);
          cairo_stroke(cr_);
          break;
        case FigureKind::Arc: {
          if (!(f.pr > 0)) break;
          // The figure as one path, filled and then stroked: the arc,
          // closed through the centre by the radii it has.  Cairo's angles
          // run clockwise on screen.
          const double from = -f.start, to = -(f.start + sweep(f));
          cairo_new_path(cr_);
          if (f.start_radius()) cairo_move_to(cr_, f.px1, f.py1);
          cairo_arc_negative(cr_, f.px1, f.py1, f.pr, from, to);
          if (f.start_radius() && f.end_radius())
            cairo_close_path(cr_);
          else if (f.end_radius())
            cairo_line_to(cr_, f.px1, f.py1);
          if (f.filled()) {
            source(f.fill_colour);
            cairo_fill_preserve(cr_);
          }
          source(f.colour);
          cairo_stroke(cr_);
          break;
        }
      }
    }
    cairo_surface_flush(surface_);
  }

 private:
  // The source changes only when the colour does.
  void source(Colour c) {
    if (source_ == static_cast<int>(c)) return;
    source_ = static_cast<int>(c);
    const double v = c == Colour::Black ? 0.0 : 1.0;
    cairo_set_source_rgb(cr_, v, v, v);
  }
  cairo_surface_t* surface_;
  cairo_t* cr_;
  int source_ = -1;
};

}  // namespace

std::unique_ptr<Peer> make_qpainter(int width, int height) { return std::make_unique<QPainterPeer>(width, height); }
std::unique_ptr<Peer> make_cairo(int width, int height) { return std::make_unique<CairoPeer>(width, height); }

}  // namespace vantor::bench
