#include "export/artwork.h"

namespace vantor {

ArtworkOutcome record_artwork(const ExportRequest& request) {
  const DiscJob job(request);
  DiscRecording recorded = job.record();
  ArtworkOutcome out;
  out.message = recorded.message;
  out.refusal = std::move(recorded.refusal);
  if (out.message != Message::None || !out.refusal.empty()) return out;
  out.artwork.figures = std::move(recorded.figures);
  out.artwork.geometry = std::move(recorded.geometry);
  out.artwork.dpi = request.dpi;
  out.artwork.canvas_width = job.canvas_width();
  out.artwork.canvas_height = job.canvas_height();
  out.artwork.region = job.region(out.artwork.geometry);
  out.artwork.unit = request.unit();
  out.artwork.mirror = request.mirror;
  out.artwork.negative = request.negative;
  out.artwork.bias_um = request.bias_um;
  out.artwork.process = request.process;
  out.artwork.sensor_mask = request.kind == DiscKind::Incremental && request.drawing == IncDrawing::SensorMask;
  return out;
}

}  // namespace vantor
