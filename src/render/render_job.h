// How vantor-render draws a request.  The canvas is the image window's
// picture at the request's density (Surface::for_picture's size); the file
// holds the whole canvas or, with --crop, the disc's bounding square with a
// margin of 1 % of its diameter, clipped to the canvas.  That region is drawn
// in bands, each a Surface::window_of the canvas, so every pixel is the one
// that drawing the whole canvas at once would give, and memory holds one
// band at a time besides the 1-bit image.
#pragma once

#include <cstdint>
#include <optional>

#include "absolute/absolute_design.h"
#include "common/messages.h"
#include "render/render_args.h"
#include "surface/surface.h"

namespace vantor {

// The largest 1-bit image written: 1 GiB of pixel rows, each padded to a
// multiple of 32 bits.  The whole picture fits up to about 12,300 pixels
// per inch; a cropped 2 in disc up to about 45,000.
inline constexpr std::uint64_t kMaxImageBytes = std::uint64_t{1} << 30;

// The raster of one band, one byte a pixel.
inline constexpr std::uint64_t kBandBytes = std::uint64_t{16} << 20;

struct PixelRect {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const PixelRect&) const = default;
};

// The bytes of a 1-bit image's rows, padded to 32 bits.
std::uint64_t mono_image_bytes(int width, int height);

// The rows a band of the given width may have: as many as kBandBytes
// holds, at least one.
int band_rows_by_memory(int width);

// Chooses the height of each band as the drawing goes.  The first band is a
// fiftieth of the region; its time estimates the rest, which is split so
// that a long drawing reports progress in steps of about 2 % while starting
// the bands (each start costs about start_seconds, the time of drawing the
// design on a one-pixel window) adds no more than a tenth to the drawing.
// No band exceeds band_rows_by_memory.
class BandPlan {
 public:
  BandPlan(int width, int height, double start_seconds);

  // The rows of the next band, 0 when the region is done.
  int next_rows() const;
  // The band of next_rows() rows has been drawn in `seconds`.
  void drawn(double seconds);
  int rows_done() const { return done_; }

 private:
  int height_;
  int by_memory_;
  double start_seconds_;
  int done_ = 0;
  int rows_;
  bool measured_ = false;
};

class DiscJob {
 public:
  explicit DiscJob(const RenderRequest& request);

  int canvas_width() const { return canvas_width_; }
  int canvas_height() const { return canvas_height_; }

  // Draws the disc on a window of the canvas as the design window's "Draw"
  // (or "Draw Inverse") does, and returns the message the window would
  // show; Message::None when the drawing is complete.  The message does not
  // depend on which window of the canvas is drawn.
  Message draw(Surface& window) const;

  // The rows top ... top + rows - 1 of the region, as a window of the canvas.
  Surface band(const PixelRect& region, int top, int rows) const;

  // The region of the canvas that the file holds.  With --crop it needs a
  // design whose drawing succeeds.
  PixelRect region() const;

  // The design's unit.
  Unit unit() const;

 private:
  // The disc's radius in the design's unit.
  double disc_radius() const;

  const RenderRequest& request_;
  std::optional<AbsoluteDesign> absolute_;
  Message absolute_refused_ = Message::None;
  int canvas_width_;
  int canvas_height_;
};

}  // namespace vantor
