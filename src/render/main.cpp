// vantor-render: draws one disc without the windows and writes the file that
// the design window's "Save" writes.  Needs no display: it links the core and
// Qt's image writer only.
#include <QImage>
#include <QString>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <variant>
#include <vector>

#include "output/image_file.h"
#include "render/render_args.h"
#include "render/render_job.h"

namespace {

using namespace vantor;

constexpr int kUsageStatus = 2;
constexpr int kRefusedStatus = 1;

// The drawing's refusal, exactly as the window's message box shows it.
int refuse(Message m) {
  const std::string_view text = message_text(m);
  std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
  return kRefusedStatus;
}

int fail(const std::string& line, int status) {
  std::fprintf(stderr, "vantor-render: %s\n", line.c_str());
  return status;
}

// "drawing 37 %" on standard error.  On a terminal it appears once the
// drawing has taken a second and is rewritten in place; with --progress it
// appears from the first band, on a terminal or not, and a stream that is not
// a terminal gets one line a step.
class Progress {
 public:
  explicit Progress(bool always)
      : terminal_(isatty(STDERR_FILENO) == 1),
        always_(always),
        start_(std::chrono::steady_clock::now()) {}

  void drawn(std::uint64_t done, std::uint64_t total) {
    if (!terminal_ && !always_) return;
    if (!shown_ && !always_ && std::chrono::steady_clock::now() - start_ < std::chrono::seconds(1)) return;
    const int percent = static_cast<int>(done * 100 / total);
    if (shown_ && percent == last_) return;
    shown_ = true;
    last_ = percent;
    std::fprintf(stderr, terminal_ ? "\rvantor-render: drawing %3d %%" : "vantor-render: drawing %3d %%\n", percent);
    std::fflush(stderr);
  }

  // Ends the progress line.
  void stop() {
    if (shown_ && terminal_) std::fputc('\n', stderr);
    shown_ = false;
  }

  void writing(const std::string& path) {
    if (!shown_) return;
    stop();
    std::fprintf(stderr, "vantor-render: writing %s\n", path.c_str());
  }

 private:
  bool terminal_;
  bool always_;
  bool shown_ = false;
  int last_ = -1;
  std::chrono::steady_clock::time_point start_;
};

std::string mib(std::uint64_t bytes) { return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MiB"; }

int run(const RenderRequest& request) {
  const DiscJob job(request);

  // The design's own refusals come first, exactly as the window shows them;
  // a one-pixel window costs next to nothing.
  Surface probe = job.band({0, 0, 1, 1}, 0, 1);
  const auto probe_start = std::chrono::steady_clock::now();
  const Message refused = job.draw(probe);
  const double band_start_seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - probe_start).count();
  if (refused != Message::None) return refuse(refused);

  const PixelRect region = job.region();
  const std::uint64_t bytes = mono_image_bytes(region.width, region.height);
  if (bytes > kMaxImageBytes)
    return fail("the picture at " + std::to_string(request.dpi) + " pixels per inch would be " +
                    std::to_string(region.width) + " x " + std::to_string(region.height) + " pixels, " + mib(bytes) +
                    " at 1 bit a pixel; the limit is " + mib(kMaxImageBytes) +
                    (request.crop ? " (use a lower --dpi)" : " (use --crop or a lower --dpi)"),
                kRefusedStatus);
  QImage image = mono_image(region.width, region.height, request.dpi);
  if (image.isNull())
    return fail("not enough memory for a picture of " + std::to_string(region.width) + " x " +
                    std::to_string(region.height) + " pixels",
                kRefusedStatus);

  Progress progress(request.progress);
  BandPlan plan(region.width, region.height, band_start_seconds);
  for (int rows; (rows = plan.next_rows()) > 0;) {
    const auto band_start = std::chrono::steady_clock::now();
    Surface band = job.band(region, plan.rows_done(), rows);
    if (const Message m = job.draw(band); m != Message::None) {
      progress.stop();
      return refuse(m);
    }
    pack_rows(band, image, plan.rows_done());
    plan.drawn(std::chrono::duration<double>(std::chrono::steady_clock::now() - band_start).count());
    progress.drawn(static_cast<std::uint64_t>(plan.rows_done()), static_cast<std::uint64_t>(region.height));
  }

  progress.writing(request.output);
  const QString path = QString::fromLocal8Bit(request.output.c_str());
  if (const std::optional<QString> reason =
          write_image(image, path, request.format == FileFormat::Png ? "png" : "bmp"))
    return fail(request.output + " could not be written: " + reason->toStdString(), kRefusedStatus);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // A file beyond the process's size limit fails to write, and says so,
  // instead of ending the program half-way.
  std::signal(SIGXFSZ, SIG_IGN);
  const std::vector<std::string> args(argv + 1, argv + argc);
  const auto parsed = parse_render_args(args);
  if (std::holds_alternative<HelpRequest>(parsed)) {
    const std::string usage = render_usage();
    std::fwrite(usage.data(), 1, usage.size(), stdout);
    return 0;
  }
  if (const UsageError* error = std::get_if<UsageError>(&parsed))
    return fail(error->reason + " (see vantor-render --help)", kUsageStatus);
  return run(std::get<RenderRequest>(parsed));
}
