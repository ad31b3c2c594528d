// Discs and rings, in canvas pixels (x right, y down; pixel (i, j) has its
// centre at (i + 1/2, j + 1/2)).  The disc is the pixels with dx*dx + dy*dy
// <= r*r from the circle's centre, boundary included; the ring is the disc
// less the pixels with dx*dx + dy*dy <= (r - 1)^2 (none when r <= 1).  Each
// row of the window gets at most one span, its ends found by search, so the
// work is bounded by the window's rows.  An empty window, or a hole that
// holds the whole figure, draws nothing.
#include <algorithm>
#include <cstring>

#include "surface/raster.h"
#include "surface/raster_search.h"

namespace vantor::raster {

using namespace detail;

void SpanSink::fill(std::uint8_t* p, Index n) const { std::memset(p, value, static_cast<std::size_t>(n)); }

void fill_disc(const SpanSink& sink, const PixelCircle& c, double hole2) {
  if (sink.empty()) return;
  const double r2 = c.r * c.r;
  if (hole2 >= r2) return;  // every pixel of the disc is in the hole
  Index j0, j1;
  if (r2 < kInf) {
    if (!row_range(sink, c.cy - c.r, c.cy + c.r, row_slack(c), j0, j1)) return;
  } else {
    // The square overflows: every pixel's squared distance is <= infinity.
    j0 = sink.first_row();
    j1 = sink.last_row();
  }
  for (Index j = j0; j <= j1; ++j) {
    const double dy = (static_cast<double>(j) + 0.5) - c.cy;
    const double dy2 = dy * dy;
    Index lo, hi;
    if (disc_span(c.cx, dy2, r2, sink.first_column(), sink.last_column(), lo, hi))
      span_outside_hole(sink, j, lo, hi, c.cx, dy2, hole2);
  }
}

void fill_disc_over(const SpanSink& sink, const PixelCircle& c, std::uint8_t background) {
  if (sink.empty()) return;
  const SpanSink rest{sink.pixels, sink.width, sink.height, sink.left, sink.top, background};
  const double r2 = c.r * c.r;
  Index j0 = sink.first_row(), j1 = sink.first_row() - 1;
  if (!(r2 < kInf)) {
    j1 = sink.last_row();
  } else if (!row_range(sink, c.cy - c.r, c.cy + c.r, row_slack(c), j0, j1)) {
    j0 = sink.last_row() + 1;
  }
  for (Index j = sink.first_row(); j <= sink.last_row(); ++j) {
    Index lo = sink.last_column() + 1, hi = sink.last_column();
    if (j >= j0 && j <= j1) {
      const double dy = (static_cast<double>(j) + 0.5) - c.cy;
      if (!disc_span(c.cx, dy * dy, r2, sink.first_column(), sink.last_column(), lo, hi)) {
        lo = sink.last_column() + 1;
        hi = sink.last_column();
      }
    }
    rest.span(j, sink.first_column(), lo - 1);
    sink.span(j, lo, hi);
    rest.span(j, hi + 1, sink.last_column());
  }
}

void draw_ring(const SpanSink& sink, const PixelCircle& c, double hole2) {
  fill_disc(sink, c, std::max(hole2, ring_hole(c)));
}

}  // namespace vantor::raster
