#include "render/render_job.h"

#include <algorithm>
#include <cmath>
#include <variant>

#include "absolute/absolute_renderer.h"
#include "common/numtext.h"
#include "incremental/incremental_renderer.h"

namespace vantor {

std::uint64_t mono_image_bytes(int width, int height) {
  if (width <= 0 || height <= 0) return 0;
  return (static_cast<std::uint64_t>(width) + 31) / 32 * 4 * static_cast<std::uint64_t>(height);
}

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
  bands = std::clamp(bands, 1.0, static_cast<double>(left));
  rows_ = std::clamp(static_cast<int>(std::ceil(left / bands)), 1, by_memory_);
}

DiscJob::DiscJob(const RenderRequest& request)
    : request_(request),
      canvas_width_(Surface::picture_width(request.dpi)),
      canvas_height_(Surface::picture_height(request.dpi)) {
  if (request.kind == DiscKind::Absolute) {
    auto built = build_absolute_design(request.absolute);
    if (const Message* refused = std::get_if<Message>(&built))
      absolute_refused_ = *refused;
    else
      absolute_ = std::get<AbsoluteDesign>(built);
  }
}

Message DiscJob::draw(Surface& window) const {
  if (request_.kind == DiscKind::Incremental)
    return render_incremental(request_.incremental.design, request_.inverse ? Polarity::Inverse : Polarity::Normal,
                              window)
        .message;
  if (!absolute_) return absolute_refused_;
  return render_absolute(*absolute_, window) ? Message::None : Message::InvalidEntry;
}

Surface DiscJob::band(const PixelRect& region, int top, int rows) const {
  return Surface::window_of(canvas_width_, canvas_height_, request_.dpi, region.left, region.top + top, region.width,
                            rows);
}

Unit DiscJob::unit() const {
  return request_.kind == DiscKind::Incremental ? request_.incremental.design.unit : request_.absolute.unit;
}

double DiscJob::disc_radius() const {
  if (request_.kind == DiscKind::Absolute) return absolute_ ? absolute_geometry(*absolute_).outer_radius : 0.0;
  // As the incremental renderer scales the encoder diameter; the zoom
  // applies to "Draw" only.
  const IncrementalDesign& d = request_.incremental.design;
  const std::optional<double> ed = parse_number(d.encoder_diameter);
  const std::optional<double> s1 = parse_number(d.scale_num);
  const std::optional<double> s2 = parse_number(d.scale_den);
  if (!ed || !s1 || !s2 || *s2 == 0) return 0.0;
  const double r = (*ed / 2) * (*s1 / *s2);
  return request_.inverse ? r : (d.zoom / 100.0) * r;
}

PixelRect DiscJob::region() const {
  const PixelRect whole{0, 0, canvas_width_, canvas_height_};
  if (!request_.crop) return whole;
  // The centre as the renderers find it: half the canvas in the unit, in
  // single precision.
  Surface probe = Surface::window_of(canvas_width_, canvas_height_, request_.dpi, 0, 0, 1, 1);
  probe.set_scale_mode(unit() == Unit::Inch ? ScaleMode::Inch : ScaleMode::Millimetre);
  const double u = probe.pixels_per_unit();
  const double cx = static_cast<double>(probe.scale_width() / 2) * u;
  const double cy = static_cast<double>(probe.scale_height() / 2) * u;
  const double half = 1.02 * std::fabs(disc_radius()) * u;  // the radius and 1 % of the diameter
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
  return r;
}

}  // namespace vantor
