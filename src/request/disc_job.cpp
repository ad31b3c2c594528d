#include "request/disc_job.h"

#include <algorithm>
#include <cmath>

#include "geometry/bias.h"

namespace vantor {

int band_rows_by_memory(int width) {
  if (width <= 0) return 1;
  return static_cast<int>(std::clamp<std::uint64_t>(kBandBytes / static_cast<std::uint64_t>(width), 1, 1 << 30));
}

namespace {
constexpr double kProgressSteps = 50;
constexpr double kStartShare = 0.1;
}  // namespace

BandPlan::BandPlan(int width, int height, double start_seconds)
    : height_(std::max(height, 0)),
      by_memory_(band_rows_by_memory(width)),
      start_seconds_(std::max(start_seconds, 0.0)),
      rows_(std::clamp(static_cast<int>(std::ceil(height_ / kProgressSteps)), 1, by_memory_)) {}

int BandPlan::next_rows() const { return std::min(rows_, height_ - done_); }

int BandPlan::take() {
  const int rows = next_rows();
  done_ += rows;
  return rows;
}

void BandPlan::drawn(double seconds) {
  const int rows = next_rows();
  done_ += rows;
  if (measured_ || done_ >= height_) return;
  measured_ = true;
  // The rest takes about its rows at the first band's pace, less the start.
  const double per_row = std::max(seconds - start_seconds_, 0.0) / rows;
  const int left = height_ - done_;
  const double rest = per_row * left;
  double bands = kProgressSteps;
  if (start_seconds_ > 0) bands = std::min(bands, kStartShare * rest / start_seconds_);
  // Every lane gets bands of its own, a second one in the raster of its first.
  bands = std::clamp(bands, std::min(2.0 * kDrawingLanes, static_cast<double>(left)), static_cast<double>(left));
  rows_ = std::clamp(static_cast<int>(std::ceil(left / bands)), 1, by_memory_);
}

DiscJob::DiscJob(const ExportRequest& request)
    : request_(request),
      canvas_width_(Surface::picture_width(request.dpi)),
      canvas_height_(Surface::picture_height(request.dpi)) {}

Message DiscJob::draw(Surface& window) const {
  const Message m = draw_disc(request_, window).message;
  if (m != Message::None || !request_.marks) return m;
  if (!aids_) {
    std::vector<Figure> log;
    Surface probe = band({0, 0, 1, 1}, 0, 1);
    probe.set_recorder(&log);
    (void)draw_disc(request_, probe);
    aids_ = assembly_aids(disc_geometry(log, request_.dpi, request_.unit()), request_);
  }
  draw_assembly_aids(*aids_, window);
  return m;
}

Message DiscJob::draw(Surface& window, const DiscRecording& recording) const {
  replay(recording.figures, recording.rows, window);
  return recording.message;
}

DiscRecording DiscJob::record() const {
  DiscRecording out;
  Surface probe = band({0, 0, 1, 1}, 0, 1);
  probe.set_recorder(&out.figures);
  out.message = draw(probe);
  probe.set_recorder(nullptr);
  if (out.message != Message::None) {
    out.figures.clear();
    return out;
  }
  out.geometry = disc_geometry(out.figures, request_.dpi, request_.unit());
  if (request_.bias_um != 0) {
    BiasOutcome biased = apply_bias(out.figures, out.geometry, request_.bias_um, request_.unit(), probe);
    out.refusal = std::move(biased.refusal);
    out.figures = std::move(biased.figures);
    out.geometry = out.refusal.empty() ? disc_geometry(out.figures, request_.dpi, request_.unit()) : DiscGeometry{};
  }
  out.rows = figure_rows(out.figures);
  return out;
}

Surface DiscJob::band(const PixelRect& region, int top, int rows) const {
  return Surface::window_of(canvas_width_, canvas_height_, request_.dpi, region.left, region.top + top, region.width,
                            rows);
}

PixelRect DiscJob::region(const DiscGeometry& geometry) const {
  const PixelRect whole{0, 0, canvas_width_, canvas_height_};
  if (!request_.crop || !geometry.has_disc) return whole;
  const double cx = geometry.centre_px, cy = geometry.centre_py;
  const double half = 1.02 * std::fabs(geometry.rim_px);  // the radius and 1 % of the diameter
  auto span = [half](double centre, int size, int& start, int& length) {
    const double lo = std::isfinite(half) ? std::floor(centre - half) : 0.0;
    const double hi = std::isfinite(half) ? std::ceil(centre + half) : size;
    const double first = std::clamp(lo, 0.0, static_cast<double>(size));
    // At least the pixel that holds the centre.
    const double last = std::clamp(std::max(hi, std::floor(centre) + 1), first, static_cast<double>(size));
    start = static_cast<int>(first);
    length = static_cast<int>(last - first);
  };
  PixelRect r;
  span(cx, canvas_width_, r.left, r.width);
  span(cy, canvas_height_, r.top, r.height);
  if (const AssemblyAids aids = assembly_aids(geometry, request_); request_.marks && aids.drawn) {
    const auto clip = [](double v, int size) { return !(v > 0) ? 0 : !(v < size) ? size : static_cast<int>(v); };
    const int left = std::min(r.left, clip(aids.left_px, canvas_width_));
    const int top = std::min(r.top, clip(aids.top_px, canvas_height_));
    r.width = std::max(r.left + r.width, clip(aids.right_px, canvas_width_)) - left;
    r.height = std::max(r.top + r.height, clip(aids.bottom_px, canvas_height_)) - top;
    r.left = left, r.top = top;
  }
  return r;
}

}  // namespace vantor
