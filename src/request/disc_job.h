// How an export draws its request.  The canvas is the image window's
// picture at the request's density (Surface::for_picture's size); the file
// holds the whole canvas or, cropped, the disc's bounding square with a
// margin of 1 % of its diameter, clipped to the canvas.  That region is drawn
// in bands, each a Surface::window_of the canvas, so every pixel is the one
// that drawing the whole canvas at once would give, and memory holds at
// most kDrawingLanes bands (an export draws that many at once).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/messages.h"
#include "geometry/disc_geometry.h"
#include "request/assembly_aids.h"
#include "request/request.h"
#include "surface/figures.h"
#include "surface/surface.h"

namespace vantor {

// The raster of one band, one byte a pixel.
inline constexpr std::uint64_t kBandBytes = std::uint64_t{8} << 20;
// The bands an export draws at the same time, each on its own thread.
inline constexpr int kDrawingLanes = 2;

struct PixelRect {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const PixelRect&) const = default;
};

// The rows a band of the given width may have: as many as kBandBytes
// holds, at least one.
int band_rows_by_memory(int width);

// Chooses the height of each band as the drawing goes.  The first band is a
// fiftieth of the region; its time estimates the rest, which is split so
// that a long drawing reports progress in steps of about 2 % while starting
// the bands (each start costs about start_seconds, the time of drawing the
// design on a one-pixel window) adds no more than a tenth to the drawing;
// but the rest is split into at least two bands for each drawing lane. No
// band exceeds band_rows_by_memory.
class BandPlan {
 public:
  BandPlan(int width, int height, double start_seconds);

  // The rows of the next band, 0 when the region is done.
  int next_rows() const;
  // The band of next_rows() rows has been drawn in `seconds`.
  void drawn(double seconds);
  // The next band's rows, handed out without a time: for the bands after
  // the first, drawn several at once.
  int take();
  int rows_done() const { return done_; }

 private:
  int height_;
  int by_memory_;
  double start_seconds_;
  int done_ = 0;
  int rows_;
  bool measured_ = false;
};

// The drawing of a request recorded on a one-pixel window of the canvas:
// the window's message, and when it is None the figures and the disc they
// draw, with the request's bias applied.  Recording costs next to nothing
// but the calls.
struct DiscRecording {
  Message message = Message::None;
  // With the message None, a bias the disc cannot take (BiasOutcome's
  // refusal); then there are no figures.
  std::string refusal;
  std::vector<Figure> figures;
  std::vector<FigureRows> rows;  // figure_rows of the figures
  DiscGeometry geometry;
};

class DiscJob {
 public:
  explicit DiscJob(const ExportRequest& request);

  int canvas_width() const { return canvas_width_; }
  int canvas_height() const { return canvas_height_; }

  // Draws the disc on a window of the canvas as the design window's "Draw"
  // (or "Draw Inverse") does, and returns the message the window would
  // show; Message::None when the drawing is complete.  The message does not
  // depend on which window of the canvas is drawn.  A complete drawing gets
  // the aids for assembly over it when the request asks for them.
  Message draw(Surface& window) const;
  // The same from the recording, which record() gave without a refusal,
  // with the request's bias: only the figures that reach the window's rows
  // are replayed, so a band of a large canvas costs about the figures it
  // holds.
  Message draw(Surface& window, const DiscRecording& recording) const;

  DiscRecording record() const;

  // The rows top ... top + rows - 1 of the region, as a window of the canvas.
  Surface band(const PixelRect& region, int top, int rows) const;

  // The region of the canvas that the file holds: the whole canvas, or
  // cropped, the square of the disc's figure with its margin and the aids
  // for assembly when asked for, clipped to the canvas (the whole canvas
  // when the geometry has no disc).
  PixelRect region(const DiscGeometry& geometry) const;

 private:
  const ExportRequest& request_;
  mutable std::optional<AssemblyAids> aids_;  // with marks: placed at the first complete drawing
  int canvas_width_;
  int canvas_height_;
};

}  // namespace vantor
