#include "output/export_file.h"

#include <QSaveFile>
#include <QString>
#include <chrono>
#include <future>
#include <optional>

#include "export/artwork.h"
#include "export/code_table.h"
#include "export/design_report.h"
#include "export/dxf.h"
#include "export/gerber.h"
#include "export/raster_file.h"
#include "export/svg_pdf.h"
#include "request/disc_job.h"

namespace vantor {
namespace {

ExportOutcome failed(std::string reason) { return {ExportOutcome::Kind::Failed, Message::None, std::move(reason)}; }

ExportOutcome write_outcome(const std::optional<QString>& reason) {
  if (reason) return failed(reason->toStdString());
  return {};
}

RasterFormat raster_format(FileFormat format) {
  return format == FileFormat::Png ? RasterFormat::Png : format == FileFormat::Tiff ? RasterFormat::Tiff : RasterFormat::Bmp;
}

// The region drawn band by band, each band written as soon as it is drawn,
// in the file's order of bands.
ExportOutcome export_raster(const ExportRequest& request, const ExportProgress& progress) {
  const DiscJob job(request);

  // The design's own refusals come first, exactly as the window shows them;
  // the drawing recorded on a one-pixel window costs next to nothing and
  // gives the disc the crop keeps.
  const auto probe_start = std::chrono::steady_clock::now();
  DiscRecording recorded = job.record();
  if (recorded.message != Message::None) return {ExportOutcome::Kind::Refused, recorded.message, {}};
  if (!recorded.refusal.empty()) return {ExportOutcome::Kind::Refused, Message::None, recorded.refusal};
  const double band_start_seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - probe_start).count();

  const PixelRect region = job.region(recorded.geometry);
  // Not needed for the pixels unless a bias changed them.
  if (request.bias_um == 0) std::vector<Figure>().swap(recorded.figures);
  const RasterFileSpec spec{raster_format(request.format), region.width, region.height,
                            static_cast<double>(request.dpi), request.mirror, request.negative};
  auto created = RasterFile::create(request.output, spec);
  if (std::string* reason = std::get_if<std::string>(&created)) return failed(*reason);
  RasterFile& file = *std::get<std::unique_ptr<RasterFile>>(created);

  const bool bottom_up = rows_bottom_up(spec.format);
  BandPlan plan(region.width, region.height, band_start_seconds);
  // The first band is drawn alone, for the plan to time it; then
  // kDrawingLanes bands at once, each lane drawing one in its own raster
  // (the first lane on this thread) and packing it into one of its two
  // buffers.  A round's bands are written in order on another thread while
  // the next round is drawn and packed into the other buffers; the write
  // of a buffer ends before it is packed into again.  The futures are
  // declared after what their tasks use and waited for on every return.
  // record() placed the aids, so the job draws on several windows at once.
  struct Lane {
    std::optional<Surface> raster;
    std::vector<std::uint8_t> packed[2];
    int rows[2] = {0, 0};  // of the band in each buffer
  };
  Lane lanes[kDrawingLanes];
  auto draw_band = [&](Lane& lane, int buffer, int top) {
    const int rows = lane.rows[buffer];
    // One raster for all bands of one height: only the last may be lower.
    if (!lane.raster || lane.raster->height() != rows)
      lane.raster = job.band(region, top, rows);
    else
      lane.raster->move_window(region.left, region.top + top);
    const Message m = job.draw(*lane.raster, recorded);
    if (m == Message::None) file.pack_band(lane.raster->data(), rows, lane.packed[buffer]);
    return m;
  };
  std::future<std::optional<std::string>> writing;
  std::future<Message> drawing[kDrawingLanes];
  auto written = [&writing]() -> std::optional<std::string> {
    return writing.valid() ? writing.get() : std::nullopt;
  };
  for (int buffer = 0; plan.next_rows() > 0; buffer ^= 1) {
    const auto round_start = std::chrono::steady_clock::now();
    const bool timed = plan.rows_done() == 0;
    int count = 0;
    for (; count < (timed ? 1 : kDrawingLanes) && plan.next_rows() > 0; ++count) {
      Lane& lane = lanes[count];
      const int done = plan.rows_done();
      const int rows = lane.rows[buffer] = timed ? plan.next_rows() : plan.take();
      const int top = bottom_up ? region.height - done - rows : done;
      drawing[count] = std::async(count > 0 ? std::launch::async : std::launch::deferred,
                                  [&draw_band, &lane, buffer, top] { return draw_band(lane, buffer, top); });
    }
    Message refused = Message::None;
    for (int k = 0; k < count; ++k)
      if (const Message m = drawing[k].get(); refused == Message::None) refused = m;
    if (refused != Message::None) return {ExportOutcome::Kind::Refused, refused, {}};
    if (timed) plan.drawn(std::chrono::duration<double>(std::chrono::steady_clock::now() - round_start).count());
    if (const auto reason = written()) return failed(*reason);
    writing = std::async(std::launch::async, [&lanes, &file, count, buffer]() -> std::optional<std::string> {
      for (int k = 0; k < count; ++k)
        if (auto reason = file.write_packed(lanes[k].packed[buffer].data(), lanes[k].rows[buffer])) return reason;
      return std::nullopt;
    });
    if (progress.drawn &&
        !progress.drawn(static_cast<std::uint64_t>(plan.rows_done()), static_cast<std::uint64_t>(region.height)))
      return {ExportOutcome::Kind::Cancelled, Message::None, {}};
  }
  if (const auto reason = written()) return failed(*reason);
  if (progress.writing) progress.writing();
  if (const auto reason = file.commit()) return failed(*reason);
  return {};
}

ExportOutcome export_vector(const ExportRequest& request, const ExportProgress& progress) {
  // A code table is what the sensors read on the disc as made: the bias is
  // what the process takes away again.
  ExportRequest as_made = request;
  if (format_info(request.format).code_table) as_made.bias_um = 0;
  const ArtworkOutcome recorded = record_artwork(as_made);
  if (recorded.message != Message::None) return {ExportOutcome::Kind::Refused, recorded.message, {}};
  if (!recorded.refusal.empty()) return {ExportOutcome::Kind::Refused, Message::None, recorded.refusal};
  if (progress.drawn && !progress.drawn(1, 2)) return {ExportOutcome::Kind::Cancelled, Message::None, {}};
  std::string bytes;
  switch (request.format) {
    case FileFormat::Svg:
      bytes = svg_file(recorded.artwork);
      break;
    case FileFormat::Pdf:
      bytes = pdf_file(recorded.artwork);
      break;
    case FileFormat::Gerber:
      bytes = gerber_file(recorded.artwork);
      break;
    case FileFormat::Dxf: {
      DxfOutcome dxf = dxf_file(recorded.artwork);
      if (!dxf.refusal.empty()) return failed(dxf.refusal);
      bytes = std::move(dxf.file);
      break;
    }
    case FileFormat::CodeCsv:
    case FileFormat::CodeHeader: {
      if (request.kind != DiscKind::Absolute) return failed("a code table is made of absolute discs only");
      const CodeTable table = code_table(recorded.artwork.geometry);
      if (!table.problem.empty()) return failed("no code table: " + table.problem);
      bytes = request.format == FileFormat::CodeCsv ? code_table_csv(table) : code_table_header(table);
      break;
    }
    case FileFormat::Bmp:
    case FileFormat::Png:
    case FileFormat::Tiff:
      break;
  }
  if (progress.drawn && !progress.drawn(2, 2)) return {ExportOutcome::Kind::Cancelled, Message::None, {}};
  if (progress.writing) progress.writing();
  return write_outcome(write_bytes_atomically(bytes, QString::fromLocal8Bit(request.output.c_str())));
}

}  // namespace

std::optional<QString> write_bytes_atomically(const std::string& bytes, const QString& path) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return file.errorString();
  if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) {
    const QString reason = file.errorString();
    file.cancelWriting();
    return reason;
  }
  if (!file.commit()) return file.errorString();
  return std::nullopt;
}

ExportOutcome export_file(const ExportRequest& request, const ExportProgress& progress) {
  if (format_info(request.format).raster) return export_raster(request, progress);
  return export_vector(request, progress);
}

ReportOutcome export_report(const ExportRequest& request) {
  const ArtworkOutcome recorded = record_artwork(request);
  if (recorded.message != Message::None)
    return {recorded.message, {}, std::string(message_text(recorded.message)) + "\n", {}};
  if (!recorded.refusal.empty()) return {Message::None, recorded.refusal, recorded.refusal + "\n", {}};
  const DesignNumbers numbers = design_numbers(recorded.artwork);
  ReportOutcome out{Message::None, {}, design_report(numbers), {}};
  if (numbers.check_failed()) out.check_failures = check_text(numbers);
  return out;
}

}  // namespace vantor
