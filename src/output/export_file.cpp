#include "output/export_file.h"

#include <QSaveFile>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

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

// The progress of `rows` of `height` written; false to cancel.
bool report_rows(const ExportProgress& progress, int rows, int height) {
  return !progress.drawn || progress.drawn(static_cast<std::uint64_t>(rows), static_cast<std::uint64_t>(height));
}

// A band of the region, handed out in the file's order of bands, and its
// rows packed as the file stores them.
struct Band {
  int rows = 0;
  std::vector<std::uint8_t> packed;
  bool ready = false;
  Message message = Message::None;
};

// Draws the band whose first row (in the file's order) is `done` rows into
// the region into `raster`, kept from band to band, and packs it.
Message draw_and_pack(const DiscJob& job, const DiscRecording& recorded, const PixelRect& region,
                      const RasterFile& file, int done, Band& band, std::optional<Surface>& raster) {
  const int top = rows_bottom_up(file.spec().format) ? region.height - done - band.rows : done;
  // One raster for all bands of one height: only the last may be lower.
  if (!raster || raster->height() != band.rows)
    raster = job.band(region, top, band.rows);
  else
    raster->move_window(region.left, region.top + top);
  const Message m = job.draw(*raster, recorded);
  if (m == Message::None) file.pack_band(raster->data(), band.rows, band.packed);
  return m;
}

// The bands of the region: the first drawn alone, for the plan to time it;
// then kDrawingLanes threads each take the next band from the plan, draw it
// in a raster of their own and pack it, while the calling thread writes the
// packed bands in order and reports progress.  A band takes one of a few
// buffers when it is handed out, so the lowest band not written always has
// one, and a lane ahead of it waits for the writer.  record() placed the
// aids, so the job draws on several windows at once.
class BandLanes {
 public:
  BandLanes(const DiscJob& job, const DiscRecording& recorded, const PixelRect& region, RasterFile& file,
            BandPlan& plan)
      : job_(job), recorded_(recorded), region_(region), file_(file), plan_(plan), bands_(kDrawingLanes + 2) {
    for (Band& b : bands_) free_.push_back(&b);
  }
  ~BandLanes() { stop(); }

  ExportOutcome run(const ExportProgress& progress) {
    const auto start = std::chrono::steady_clock::now();
    Band& first = bands_.front();
    first.rows = plan_.next_rows();
    if (const Message m = draw_and_pack(job_, recorded_, region_, file_, 0, first, rasters_[0]); m != Message::None)
      return {ExportOutcome::Kind::Refused, m, {}};
    plan_.drawn(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (const auto reason = file_.write_packed(first.packed.data(), first.rows)) return failed(*reason);
    rows_written_ = first.rows;
    if (!report_rows(progress, rows_written_, region_.height))
      return {ExportOutcome::Kind::Cancelled, Message::None, {}};
    for (int k = 0; k < kDrawingLanes; ++k) lanes_.emplace_back([this, k] { lane(rasters_[k]); });
    for (;;) {
      std::unique_lock lock(mutex_);
      written_.wait(lock, [this] { return order_.empty() ? lanes_left_ == 0 : order_.front()->ready; });
      if (order_.empty()) break;
      Band& band = *order_.front();
      order_.pop_front();
      lock.unlock();
      if (band.message != Message::None) return {ExportOutcome::Kind::Refused, band.message, {}};
      if (const auto reason = file_.write_packed(band.packed.data(), band.rows)) return failed(*reason);
      rows_written_ += band.rows;
      lock.lock();
      band.ready = false;
      free_.push_back(&band);  // a lane may take it at once
      lock.unlock();
      taken_.notify_one();
      if (!report_rows(progress, rows_written_, region_.height))
        return {ExportOutcome::Kind::Cancelled, Message::None, {}};
    }
    return {};
  }

 private:
  void lane(std::optional<Surface>& raster) {
    for (;;) {
      std::unique_lock lock(mutex_);
      taken_.wait(lock, [this] { return stopped_ || !free_.empty(); });
      if (stopped_ || plan_.next_rows() == 0) break;
      Band& band = *free_.back();
      free_.pop_back();
      order_.push_back(&band);
      const int done = plan_.rows_done();
      band.rows = plan_.take();
      lock.unlock();
      const Message m = draw_and_pack(job_, recorded_, region_, file_, done, band, raster);
      lock.lock();
      band.message = m;
      band.ready = true;
      if (m != Message::None) stopped_ = true;
      lock.unlock();
      written_.notify_one();
    }
    std::lock_guard lock(mutex_);
    --lanes_left_;
    written_.notify_one();
    taken_.notify_all();
  }

  void stop() {
    {
      std::lock_guard lock(mutex_);
      stopped_ = true;
    }
    taken_.notify_all();
    for (std::thread& t : lanes_) t.join();
  }

  const DiscJob& job_;
  const DiscRecording& recorded_;
  const PixelRect region_;
  RasterFile& file_;
  BandPlan& plan_;
  int rows_written_ = 0;  // by the calling thread
  std::vector<Band> bands_;
  std::optional<Surface> rasters_[kDrawingLanes];
  std::mutex mutex_;
  std::condition_variable taken_, written_;  // a buffer freed; a band drawn or a lane ended
  std::vector<Band*> free_;
  std::deque<Band*> order_;  // the bands handed out and not written, in order
  bool stopped_ = false;
  int lanes_left_ = kDrawingLanes;
  std::vector<std::thread> lanes_;  // last: joined before the rest goes
};

// The region drawn band by band, each band written as soon as it is drawn,
// in the file's order of bands.
ExportOutcome export_raster(const ExportRequest& request, const ExportProgress& progress) {
  const DiscJob job(request);

  // The design's own refusals come first, exactly as the window shows them;
  // the drawing recorded on a one-pixel window costs next to nothing and
  // gives the disc the crop keeps.
  const auto probe_start = std::chrono::steady_clock::now();
  const DiscRecording recorded = job.record();
  if (recorded.message != Message::None) return {ExportOutcome::Kind::Refused, recorded.message, {}};
  if (!recorded.refusal.empty()) return {ExportOutcome::Kind::Refused, Message::None, recorded.refusal};
  const double band_start_seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - probe_start).count();

  const PixelRect region = job.region(recorded.geometry);
  const RasterFileSpec spec{raster_format(request.format), region.width, region.height,
                            static_cast<double>(request.dpi), request.mirror, request.negative};
  auto created = RasterFile::create(request.output, spec);
  if (std::string* reason = std::get_if<std::string>(&created)) return failed(*reason);
  RasterFile& file = *std::get<std::unique_ptr<RasterFile>>(created);

  BandPlan plan(region.width, region.height, band_start_seconds);
  if (const ExportOutcome drawn = BandLanes(job, recorded, region, file, plan).run(progress);
      drawn.kind != ExportOutcome::Kind::Written)
    return drawn;
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
