#include "export/artwork.h"

namespace vantor {

ArtworkOutcome record_artwork(const RenderRequest& request) {
  const DiscJob job(request);
  ArtworkOutcome out;
  Surface probe = job.band({0, 0, 1, 1}, 0, 1);
  probe.set_recorder(&out.artwork.figures);
  out.message = job.draw(probe);
  probe.set_recorder(nullptr);
  if (out.message != Message::None) {
    out.artwork.figures.clear();
    return out;
  }
  out.artwork.dpi = request.dpi;
  out.artwork.canvas_width = job.canvas_width();
  out.artwork.canvas_height = job.canvas_height();
  out.artwork.region = job.region();
  out.artwork.unit = job.unit();
  return out;
}

}  // namespace vantor
