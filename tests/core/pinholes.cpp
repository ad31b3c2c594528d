#include "pinholes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <set>
#include <utility>

namespace vantor::test {
namespace {

constexpr double kPi = std::numbers::pi;

bool on_arc(double t, double s, double e) { return s <= e ? (s <= t && t <= e) : (t >= s || t <= e); }

// The figure's pixels lie within the box of its centre, the ends of its
// radii and the points of its circle at the quarter turns on its arc; two
// pixels of margin cover the rule's rounding and leave an uncovered border.
// Canvas pixels [b[0], b[2]] x [b[1], b[3]], clipped to the canvas.
std::array<int, 4> figure_box(const Figure& f, int canvas_width, int canvas_height) {
  double x0 = f.px1, x1 = f.px1, y0 = f.py1, y1 = f.py1;
  auto take = [&](double a) {
    const double x = f.px1 + f.pr * std::cos(a), y = f.py1 - f.pr * std::sin(a);
    x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
  };
  const bool whole = f.kind == FigureKind::Circle || (f.start == 0.0 && f.end == 2 * kPi);
  for (int k = 0; k < 4; ++k)
    if (whole || on_arc(k * kPi / 2, f.start, f.end)) take(k * kPi / 2);
  if (!whole) take(f.start), take(f.end);
  return {int(std::max(std::floor(x0) - 2, 0.0)), int(std::max(std::floor(y0) - 2, 0.0)),
          int(std::min(std::floor(x1) + 2, canvas_width - 1.0)), int(std::min(std::floor(y1) + 2, canvas_height - 1.0))};
}

}  // namespace

std::vector<CanvasPixel> figure_pinholes(const Figure& figure, int canvas_width, int canvas_height,
                                         double pixels_per_inch) {
  if (!figure.filled() || !(figure.pr > 0.0)) return {};
  const auto [i0, j0, i1, j1] = figure_box(figure, canvas_width, canvas_height);
  if (i0 > i1 || j0 > j1) return {};
  const int w = i1 - i0 + 1, h = j1 - j0 + 1;
  Surface window = Surface::window_of(canvas_width, canvas_height, pixels_per_inch, i0, j0, w, h);
  Figure black = figure;
  black.colour = black.fill_colour = Colour::Black;
  replay({black}, window);
  auto index = [w](int i, int j) { return static_cast<std::size_t>(j) * w + i; };
  auto inside = [&](int i, int j) { return i >= 0 && j >= 0 && i < w && j < h; };
  // Pixels beyond the box are uncovered.
  auto wall = [&](int i, int j) { return inside(i, j) && window.data()[index(i, j)] == std::uint8_t(Colour::Black); };
  std::vector<char> reached(static_cast<std::size_t>(w) * h, 0);
  std::vector<std::pair<int, int>> stack;
  auto visit = [&](int i, int j) {
    if (inside(i, j) && !reached[index(i, j)] && !wall(i, j)) reached[index(i, j)] = 1, stack.push_back({i, j});
  };
  for (int i = 0; i < w; ++i) visit(i, 0), visit(i, h - 1);
  for (int j = 0; j < h; ++j) visit(0, j), visit(w - 1, j);
  while (!stack.empty()) {
    const auto [i, j] = stack.back();
    stack.pop_back();
    visit(i + 1, j), visit(i - 1, j), visit(i, j + 1), visit(i, j - 1);
  }
  std::vector<CanvasPixel> out;
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i)
      if (!wall(i, j) && (!reached[index(i, j)] || (wall(i - 1, j) && wall(i + 1, j)) || (wall(i, j - 1) && wall(i, j + 1))))
        out.push_back({i0 + i, j0 + j});
  return out;
}

std::vector<CanvasPixel> drawing_pinholes(const std::vector<Figure>& log, const Surface& drawing) {
  const int cw = drawing.canvas_width(), ch = drawing.canvas_height();
  const double ppi = drawing.pixels_per_inch();
  // Whether the figures after `first` give the pixel one colour whatever it
  // had: drawn on one pixel that was black and on one that was white.
  auto covered_after = [&](std::size_t first, const CanvasPixel& p) {
    const std::vector<Figure> rest(log.begin() + static_cast<std::ptrdiff_t>(first), log.end());
    Colour seen[2];
    for (int k = 0; k < 2; ++k) {
      Surface one = Surface::window_of(cw, ch, ppi, p.i, p.j, 1, 1);
      one.data()[0] = static_cast<std::uint8_t>(k ? Colour::White : Colour::Black);
      replay(rest, one), seen[k] = one.pixel(0, 0);
    }
    return seen[0] == seen[1];
  };
  std::set<std::pair<int, int>> found;  // (j, i): in order of rows
  for (std::size_t n = 0; n < log.size(); ++n)
    for (const CanvasPixel& p : figure_pinholes(log[n], cw, ch, ppi)) {
      const int i = p.i - drawing.left(), j = p.j - drawing.top();
      if (i >= 0 && j >= 0 && i < drawing.width() && j < drawing.height() && drawing.pixel(i, j) != log[n].fill_colour &&
          !found.count({p.j, p.i}) && !covered_after(n + 1, p))
        found.insert({p.j, p.i});
    }
  std::vector<CanvasPixel> out;
  for (const auto& [j, i] : found) out.push_back({i, j});
  return out;
}

}  // namespace vantor::test
