// vantor-render: draws one disc without the windows and writes the file that
// the design window's "Save" writes.  Needs no display: it links the core and
// Qt's image writer only.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <variant>
#include <vector>

#include "output/export_file.h"
#include "render/render_args.h"

namespace {

using namespace vantor;

constexpr int kUsageStatus = 2;  // also a design file that cannot be read
constexpr int kRefusedStatus = 1;

// The drawing's refusal, exactly as the window's message box shows it.
int refuse(Message m) {
  const std::string_view text = message_text(m);
  std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
  return kRefusedStatus;
}

// A bias the disc cannot take, as the export dialog shows it.
int refuse(const std::string& sentence) {
  std::fprintf(stderr, "%s\n", sentence.c_str());
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

int run(const RenderRequest& request) {
  if (!request.save_design.empty()) {
    if (const std::optional<QString> reason =
            write_bytes_atomically(design_text(request), QString::fromLocal8Bit(request.save_design.c_str())))
      return fail(request.save_design + " could not be written: " + reason->toStdString(), kRefusedStatus);
  }
  ReportOutcome report;
  if (request.report || request.check) {
    report = export_report(request);
    if (request.report) {
      std::fwrite(report.text.data(), 1, report.text.size(), stdout);
      std::fflush(stdout);
    }
    // A design that does not draw, or cannot take the bias, is refused with
    // or without a file.
    if (report.refused != Message::None) return refuse(report.refused);
    if (!report.refusal.empty()) return refuse(report.refusal);
  }
  // The files are written whatever the check finds.
  const auto checked = [&request, &report] {
    if (!request.check || report.check_failures.empty()) return 0;
    if (!request.report) std::fwrite(report.check_failures.data(), 1, report.check_failures.size(), stderr);
    return kRefusedStatus;
  };
  if (!request.code_table.empty()) {
    const ExportOutcome table = export_file(request.code_table_request());
    if (table.kind == ExportOutcome::Kind::Refused)
      return table.message != Message::None ? refuse(table.message) : refuse(table.reason);
    if (table.kind != ExportOutcome::Kind::Written)
      return fail(request.code_table + " could not be written: " + table.reason, kRefusedStatus);
  }
  if (request.output.empty()) return checked();
  Progress progress(request.progress);
  const ExportOutcome outcome = export_file(
      request, {[&progress](std::uint64_t done, std::uint64_t total) {
                  progress.drawn(done, total);
                  return true;
                },
                [&progress, &request] { progress.writing(request.output); }});
  progress.stop();
  switch (outcome.kind) {
    case ExportOutcome::Kind::Written:
      return checked();
    case ExportOutcome::Kind::Refused:
      return outcome.message != Message::None ? refuse(outcome.message) : refuse(outcome.reason);
    case ExportOutcome::Kind::Failed:
    case ExportOutcome::Kind::Cancelled:
      break;
  }
  return fail(request.output + " could not be written: " + outcome.reason, kRefusedStatus);
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
  if (const DesignFileError* unreadable = std::get_if<DesignFileError>(&parsed))
    return fail(unreadable->message, kUsageStatus);
  return run(std::get<RenderRequest>(parsed));
}
