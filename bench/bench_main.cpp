// vantor-bench: draws each workload three ways on a raster of the same size
// (Vantor's surface and renderers, QPainter, cairo; the peers issue the
// figure log that the renderer issues), takes the median of repeated runs
// and prints one line per workload:
//   <name>: vantor <ms> ms, qpainter <ms> ms, cairo <ms> ms, speedup <x>,
//   peak <MiB> MiB, identical yes|no
// speedup is the faster peer's time over Vantor's; peak is the raster
// memory Vantor drew in; identical says whether Vantor's pixels equal the
// log reference's (tests/core/reference_raster.h) on every checked row.
//
//   vantor-bench               the six standard workloads
//   vantor-bench NAME...       the named ones, standard or extra
//   vantor-bench --list        every workload's name
//   vantor-bench --click       the design-time Draw of Inc_form, from the
//                              click to the painted picture, in the real
//                              windows on Qt's offscreen platform
//   vantor-bench --writers     the vector writers on a 2^18-sector disc, per
//                              100,000 figures, against copying their bytes
//   vantor-bench --film [NAME...]
//                              whole raster exports into a file (draw,
//                              encode, write) by vantor-render beside
//                              vantor-bench, as a child process: its wall
//                              time and peak resident memory, against
//                              writing as many bytes from memory (and
//                              fsync), gerbv's PNG export of Vantor's Gerber
//                              file and rsvg-convert of Vantor's SVG file of
//                              the same design at the same density; only
//                              the named film workloads when given
//
// --film prints one table row per workload: Vantor's time (the median of
// repeated runs under two seconds), its peak, the peak above the baseline
// (vantor-render --report of the design: the same program, records the
// drawing, draws no pixels), the file's size; the copy's time and Vantor's
// time over it; each peer's time and the peer's time over Vantor's.
// Vantor's export runs without limits.  The peers run with a time limit (VANTOR_BENCH_PEER_SECONDS, 120 s) and a
// limit on their address space (VANTOR_BENCH_PEER_GIB, 8 GiB); a peer that
// fails, is killed or runs out of time is reported as such.  The files go
// into a temporary folder ($TMPDIR or /tmp) removed at the end.
#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <QApplication>
#include <QPushButton>

#include "absolute/absolute_renderer.h"
#include "bench/peers.h"
#include "export/artwork.h"
#include "export/dxf.h"
#include "export/gerber.h"
#include "export/svg_pdf.h"
#include "incremental/incremental_renderer.h"
#include "output/image_window.h"
#include "output/picture_widget.h"
#include "reference_raster.h"
#include "render/render_args.h"
#include "request/request.h"
#include "surface/figures.h"
#include "surface/surface.h"
#include "ui/dialogs.h"
#include "shell/window_registry.h"

namespace vantor::bench {
namespace {

struct Workload {
  const char* name;
  const char* what;
  bool standard;  // run without being named
  int width, height;  // the canvas, pixels
  double ppi;
  int band_rows;  // > 0: drawn in bands of this many rows, each a window of the canvas
  std::function<void(Surface&)> draw;
};

AbsoluteDesign absolute(double resolution_exp, double diameter = 2.0) {
  AbsoluteDesign d;
  d.resolution_exp = resolution_exp;
  d.encoder_diameter = diameter;
  return d;
}

std::function<void(Surface&)> draw_absolute(AbsoluteDesign d) {
  return [d](Surface& s) { (void)render_absolute(d, s); };
}

std::function<void(Surface&)> draw_incremental(const char* resolution) {
  IncrementalDesign d = IncrementalDesign::defaults();
  d.resolution = resolution;
  return [d](Surface& s) { (void)render_incremental(d, Polarity::Normal, s); };
}

// A design as vantor-render's entries name it, drawn as its window's Draw does.
std::function<void(Surface&)> draw_entries(std::vector<std::string> words) {
  words.push_back("--report");
  const auto parsed = parse_render_args(words);
  const RenderRequest request = std::get<RenderRequest>(parsed);
  return [request](Surface& s) { (void)draw_disc(request, s); };
}

std::vector<Workload> workloads() {
  const int sw = Surface::picture_width(), sh = Surface::picture_height();
  return {
      {"abs16-screen", "absolute, Res_exp 16, screen picture", true, sw, sh, 96, 0, draw_absolute(absolute(16))},
      {"abs20-screen", "absolute, Res_exp 20, screen picture", true, sw, sh, 96, 0, draw_absolute(absolute(20))},
      {"abs12-2400", "absolute, Res_exp 12, 2400 ppi", true, 4800, 4800, 2400, 0, draw_absolute(absolute(12))},
      {"abs16-2400", "absolute, Res_exp 16, 2400 ppi", true, 4800, 4800, 2400, 0, draw_absolute(absolute(16))},
      {"inc1024-2400", "incremental, RES 1024, 2400 ppi", true, 4800, 4800, 2400, 0, draw_incremental("1024")},
      {"film-10000", "absolute, Res_exp 13, 10000 ppi, bands of 2000 rows", true, 20000, 20000, 10000, 2000,
       draw_absolute(absolute(13))},
      {"inc16-screen", "incremental, design time, screen picture", false, sw, sh, 96, 0, draw_incremental("16")},
      {"abs19-6in-screen", "absolute, Res_exp 19, 6 in disc, screen picture", false, sw, sh, 96, 0,
       draw_absolute(absolute(19, 6))},
      {"abs20-6in-screen", "absolute, Res_exp 20, 6 in disc, screen picture", false, sw, sh, 96, 0,
       draw_absolute(absolute(20, 6))},
      // The slowest designs the windows accept, as a click on Draw draws them.
      {"slow-abs18-6in", "absolute, Res_exp 18, 6 in disc, 0.3 in slots, Binary, screen picture", false, sw, sh,
       96, 0, draw_entries({"absolute", "Res_exp=18", "ED=6", "SL_in=0.3", "CH1_ED_Def", "Bin_type"})},
      {"slow-inc200000-6in", "incremental, RES 200000, 6 in disc, 0.5 in slots, inverse, screen picture", false,
       sw, sh, 96, 0,
       draw_entries({"incremental", "RES=200000", "ED=6", "CH1_SL=0.5", "CH2_SL=0.5", "CH3_SL=0.5",
                     "bal_1scroll=45", "bal_2scroll=45", "bal_3scroll=45", "--inverse"})},
      {"slow-inc200000-8in", "incremental, RES 200000, 8.3 in disc, mixed slots, 246 %, screen picture", false,
       sw, sh, 96, 0,
       draw_entries({"incremental", "RES=200000", "ED=8.33114", "DD=0.10669", "CH1_SL=0.012362",
                     "CH2_SL=0.687265", "CH3_SL=1.04878", "bal_1scroll=-30", "bal_2scroll=-30", "bal_3scroll=-30",
                     "ZoomCTRL=246"})},
  };
}

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

// The median of repeated runs: enough runs for about 1.5 s (at least 3, at
// most 31), after one warm-up run unless a run takes seconds.
double median_ms(const std::function<void()>& run) {
  auto once = [&] {
    const auto t0 = Clock::now();
    run();
    return ms_since(t0);
  };
  std::vector<double> times;
  const double first = once();
  if (first >= 2000) times.push_back(first);
  const int runs = std::clamp(static_cast<int>(std::ceil(1500.0 / std::max(first, 0.01))), 3, 31);
  while (static_cast<int>(times.size()) < runs) times.push_back(once());
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// The canvas drawn band after band in one raster of band_rows rows (made
// once, as the peers' images are), each band a window of the canvas; visit
// is called with every drawn band.
void draw_in_bands(const Workload& w, Surface& band, const std::function<void(const Surface&)>& visit) {
  for (int top = 0; top < w.height; top += w.band_rows) {
    band.move_window(0, top);
    w.draw(band);
    visit(band);
  }
}

// Whether the checked rows of the surface (a window of the canvas) show the
// log reference's pixels.
bool rows_match(const Surface& s, const test::LogReference& reference, const std::function<bool(int)>& checked) {
  std::vector<std::uint8_t> expected(static_cast<std::size_t>(s.width()));
  const std::uint8_t* data = s.data();
  for (int j = 0; j < s.height(); ++j) {
    const int canvas_row = s.top() + j;
    if (!checked(canvas_row)) continue;
    reference.row(canvas_row, s.left(), expected);
    if (!std::equal(expected.begin(), expected.end(), data + static_cast<std::size_t>(j) * s.width())) {
      for (int i = 0; i < s.width(); ++i) {
        if (expected[i] != data[static_cast<std::size_t>(j) * s.width() + i]) {
          std::fprintf(stderr, "  first difference at pixel (%d, %d): %d, reference %d\n", s.left() + i, canvas_row,
                       data[static_cast<std::size_t>(j) * s.width() + i], expected[i]);
          break;
        }
      }
      return false;
    }
  }
  return true;
}

void run(const Workload& w) {
  // The figures the renderer issues, recorded on a one-pixel window.
  std::vector<Figure> log;
  {
    Surface probe = Surface::window_of(w.width, w.height, w.ppi, 0, 0, 1, 1);
    probe.set_recorder(&log);
    w.draw(probe);
  }

  double vantor_ms;
  double peak_bytes;
  bool identical;
  const test::LogReference reference(log);
  if (w.band_rows == 0) {
    Surface s(w.width, w.height, w.ppi);
    vantor_ms = median_ms([&] {
      w.draw(s);
      (void)std::as_const(s).data();  // every deferred figure drawn
    });
    peak_bytes = static_cast<double>(w.width) * w.height;
    identical = rows_match(s, reference, [](int) { return true; });
  } else {
    // The canvas's height is a whole number of bands.
    Surface band = Surface::window_of(w.width, w.height, w.ppi, 0, 0, w.width, w.band_rows);
    vantor_ms = median_ms([&] { draw_in_bands(w, band, [](const Surface& b) { (void)b.data(); }); });
    peak_bytes = static_cast<double>(w.width) * w.band_rows;
    // Every row of the band through the disc's centre and every 50th row.
    const int centre_band = (w.height / 2) / w.band_rows;
    identical = true;
    draw_in_bands(w, band, [&](const Surface& band) {
      const bool whole = band.top() / w.band_rows == centre_band;
      identical = identical && rows_match(band, reference, [&](int j) { return whole || j % 50 == 0; });
    });
  }

  double peer_ms[2];
  for (int k = 0; k < 2; ++k) {
    std::unique_ptr<Peer> peer = k == 0 ? make_qpainter(w.width, w.height) : make_cairo(w.width, w.height);
    peer_ms[k] = median_ms([&] { peer->draw(log); });
  }
  std::printf("%s: vantor %.2f ms, qpainter %.1f ms, cairo %.1f ms, speedup %.1f, peak %.2f MiB, identical %s\n",
              w.name, vantor_ms, peer_ms[0], peer_ms[1], std::min(peer_ms[0], peer_ms[1]) / vantor_ms,
              peak_bytes / (1024.0 * 1024.0), identical ? "yes" : "no");
  std::fflush(stdout);
}

// A click on Inc_form's Draw with the design-time values: the handler (the
// drawing on the image window's surface) and the paint of the picture that
// the click asked for, in the program's own windows.
int click_to_picture(char* program) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The offscreen platform's notes (no raise(), no runtime directory) are
  // not results.
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  int argc = 1;
  QApplication app(argc, &program);
  QtDialogs dialogs;
  WindowRegistry registry(dialogs);
  QWidget* form = registry.show(WindowId::IncForm);
  auto* draw = form->findChild<QPushButton*>(QStringLiteral("Command1"));
  if (!draw) return 1;
  draw->click();  // loads and shows the image window
  QApplication::processEvents();
  const double click_ms = median_ms([&] {
    draw->click();
    QApplication::processEvents();  // the picture's paint
  });
  ImageWindow* image = registry.image_window(WindowId::IncEncoderDraw);
  const double draw_ms = median_ms([&] {
    (void)render_incremental(IncrementalDesign::defaults(), Polarity::Normal, image->surface());
    (void)std::as_const(image->surface()).data();
  });
  const double paint_ms = median_ms([&] { image->picture()->repaint(); });
  std::printf("inc-draw-click: click to picture %.2f ms (drawing %.2f ms, painting the picture %.2f ms)\n",
              click_ms, draw_ms, paint_ms);
  return 0;
}

// Each vector writer on the figure log of a 2^18-sector absolute disc at
// 2000 pixels per inch, cropped: its time per 100,000 figures and against
// copying the bytes it writes.
int writers() {
  const std::vector<std::string> words = {"absolute", "Res_exp=18", "--dpi", "2000", "--crop", "--report"};
  const RenderRequest request = std::get<RenderRequest>(parse_render_args(words));
  const ArtworkOutcome recorded = record_artwork(request);
  if (recorded.message != Message::None) return 1;
  const Artwork& art = recorded.artwork;
  const std::pair<const char*, std::function<std::string(const Artwork&)>> writers[] = {
      {"svg", svg_file}, {"pdf", pdf_file}, {"gerber", gerber_file},
      {"dxf", [](const Artwork& a) { return dxf_file(a).file; }}};
  const double per_100k = 1e5 / static_cast<double>(art.figures.size());
  for (const auto& [name, write] : writers) {
    std::string file;
    const double ms = median_ms([&] { file = write(art); });
    std::string copy;
    const double copy_ms = median_ms([&] { copy.assign(file); });
    std::printf("writer-%s: %.1f ms per 100k figures (%zu figures, %.1f MiB), copying the bytes %.2f ms, ratio %.0f\n",
                name, ms * per_100k, art.figures.size(), file.size() / (1024.0 * 1024.0), copy_ms,
                copy_ms > 0 ? ms / copy_ms : 0.0);
    std::fflush(stdout);
  }
  return 0;
}

// --film ---------------------------------------------------------------------

// One export: vantor-render's entries and options, without the output file,
// and the raster file's extension.
struct FilmWorkload {
  const char* name;
  std::vector<std::string> design;
  const char* extension;
};

std::vector<FilmWorkload> film_workloads() {
  const std::vector<std::string> abs10_2400 = {"absolute", "Res_exp=10", "--dpi", "2400", "--crop"};
  const std::vector<std::string> abs12_2400 = {"absolute", "Res_exp=12", "--dpi", "2400", "--crop"};
  const std::vector<std::string> abs16_8000 = {"absolute", "Res_exp=16", "--dpi", "8000", "--crop"};
  const std::vector<std::string> abs16_20000 = {"absolute", "Res_exp=16", "--dpi", "20000", "--crop"};
  const std::vector<std::string> abs16_10in_20000 = {"absolute", "ED=10",   "DD=1", "Res_exp=16",
                                                     "--dpi",    "20000",   "--crop"};
  return {
      // Small designs at a moderate density.
      {"abs10-2400-png", abs10_2400, "png"},
      {"abs12-2400-png", abs12_2400, "png"},
      {"abs12-2400-tif", abs12_2400, "tif"},
      // Large, and within what gerbv draws: a 16,000-pixel square.
      {"abs16-8000-png", abs16_8000, "png"},
      {"abs16-20000-bmp", abs16_20000, "bmp"},
      {"abs16-20000-tif", abs16_20000, "tif"},
      {"abs16-10in-20000-tif", abs16_10in_20000, "tif"},
  };
}

// What a child may use; 0 is no limit.
struct ChildLimits {
  double seconds = 0;
  std::uint64_t address_bytes = 0;  // RLIMIT_AS
};

// How a child ended: Done is exit status 0 (and, where the caller checks,
// the file it was to write is there).
struct ChildRun {
  enum class End { Done, Failed, OverTime } end = End::Done;
  double peak_mib = 0;  // ru_maxrss
  std::string why;      // Failed: the status and the last line the child wrote on standard error
};

// The last line that is not empty: where the programs say why they stopped.
std::string last_line(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::string last;
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) last = line;
  return last;
}

// Runs argv (argv[0] looked up in PATH) with standard input and output on
// /dev/null and standard error into `errors`, and waits for it, killing it
// once over the time limit.  Its peak is ru_maxrss, which counts the
// children it waited for too.
ChildRun run_child(const std::vector<std::string>& argv, const ChildLimits& limits,
                   const std::filesystem::path& errors) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const std::string errors_path = errors.string();
  const pid_t pid = ::fork();
  if (pid < 0) return {ChildRun::End::Failed, 0, "fork failed"};
  if (pid == 0) {
    if (limits.address_bytes > 0) {
      const rlimit cap{limits.address_bytes, limits.address_bytes};
      ::setrlimit(RLIMIT_AS, &cap);
    }
    const int null = ::open("/dev/null", O_RDWR);
    const int err = ::open(errors_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (null < 0 || err < 0) ::_exit(126);
    ::dup2(null, 0);
    ::dup2(null, 1);
    ::dup2(err, 2);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  ChildRun run;
  // glibc's own pidfd_open is declared without C linkage for C++.
  const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  if (pidfd >= 0 && limits.seconds > 0) {
    pollfd ended{pidfd, POLLIN, 0};
    int ready;
    while ((ready = ::poll(&ended, 1, static_cast<int>(limits.seconds * 1000))) < 0 && errno == EINTR) {
    }
    if (ready == 0) {
      ::kill(pid, SIGKILL);
      run.end = ChildRun::End::OverTime;
    }
  }
  if (pidfd >= 0) ::close(pidfd);
  int status = 0;
  rusage usage{};
  while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  run.peak_mib = usage.ru_maxrss / 1024.0;
  if (run.end == ChildRun::End::OverTime) return run;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return run;
  run.end = ChildRun::End::Failed;
  run.why = WIFSIGNALED(status) ? "killed by signal " + std::to_string(WTERMSIG(status))
                                : "exit status " + std::to_string(WEXITSTATUS(status));
  if (const std::string line = last_line(errors); !line.empty()) run.why += ": " + line;
  return run;
}

bool has_bytes(const std::filesystem::path& path) {
  std::error_code missing;
  const std::uintmax_t bytes = std::filesystem::file_size(path, missing);
  return !missing && bytes > 0;
}

struct Timed {
  ChildRun run;
  double seconds = 0;  // meaningful when run.end is Done
};

// A child's result over repeated runs (median_ms): the median time while
// every run is Done, the largest peak; the first run that is not Done, or
// that leaves no `output` file, ends the measuring.
Timed timed_child(const std::vector<std::string>& argv, const ChildLimits& limits,
                  const std::filesystem::path& folder, const std::filesystem::path& output) {
  Timed t;
  t.seconds = median_ms([&] {
                if (t.run.end != ChildRun::End::Done) return;
                std::error_code ignored;
                std::filesystem::remove(output, ignored);
                const double peak = t.run.peak_mib;
                t.run = run_child(argv, limits, folder / "errors.txt");
                t.run.peak_mib = std::max(t.run.peak_mib, peak);
                if (t.run.end == ChildRun::End::Done && !has_bytes(output))
                  t.run = {ChildRun::End::Failed, t.run.peak_mib, "wrote no file"};
              }) /
              1000.0;
  return t;
}

// Writes `bytes` bytes from memory into a new file, 4 MiB a call, and
// fsyncs it: the least time an export of a file this size can take.
void write_from_memory(const std::filesystem::path& path, std::uintmax_t bytes) {
  static const std::vector<char> chunk = [] {
    std::vector<char> c(std::size_t{4} << 20);
    for (std::size_t k = 0; k < c.size(); ++k) c[k] = static_cast<char>(k * 131 + (k >> 12));
    return c;
  }();
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return;
  while (bytes > 0) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uintmax_t>(bytes, chunk.size()));
    const ssize_t written = ::write(fd, chunk.data(), n);
    if (written <= 0) break;
    bytes -= static_cast<std::uintmax_t>(written);
  }
  ::fsync(fd);
  ::close(fd);
}

double environment_number(const char* name, double fallback) {
  const char* text = std::getenv(name);
  if (!text || !*text) return fallback;
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  return *end == '\0' && value > 0 ? value : fallback;
}

ChildLimits peer_limits() {
  return {environment_number("VANTOR_BENCH_PEER_SECONDS", 120),
          static_cast<std::uint64_t>(environment_number("VANTOR_BENCH_PEER_GIB", 8) * 1024 * 1024 * 1024)};
}

// A folder of its own under the system's temporary folder, removed with
// everything in it.
class TemporaryFolder {
 public:
  TemporaryFolder() {
    std::string name = (std::filesystem::temp_directory_path() / "vantor-bench-film-XXXXXX").string();
    if (::mkdtemp(name.data())) path_ = name;
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

bool write_text(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

std::string formatted(const char* pattern, double value) {
  char text[64];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}

std::string time_cell(const Timed& t, const ChildLimits& limits) {
  switch (t.run.end) {
    case ChildRun::End::Done:
      return formatted(t.seconds < 100 ? "%.3f s" : "%.1f s", t.seconds);
    case ChildRun::End::OverTime:
      return formatted("over %g s", limits.seconds);
    case ChildRun::End::Failed:
      break;
  }
  return "failed";
}

// numerator / denominator when both finished.
std::string ratio_cell(const Timed& numerator, const Timed& denominator) {
  if (numerator.run.end != ChildRun::End::Done || denominator.run.end != ChildRun::End::Done) return "-";
  return formatted("%.1f", numerator.seconds / denominator.seconds);
}

std::string joined(const std::vector<std::string>& words) {
  std::string line;
  for (const std::string& w : words) line += (line.empty() ? "" : " ") + w;
  return line;
}

const char* const kFilmColumns = "%-21s %9s %8s %8s %8s %9s %7s %12s %7s %12s %7s\n";

// The files of one workload in the temporary folder.
struct FilmFiles {
  explicit FilmFiles(const std::filesystem::path& folder, const char* extension)
      : folder(folder), film(folder / (std::string("film.") + extension)) {}
  std::filesystem::path folder, film, copy = folder / "copy.bin", gerber = folder / "design.gbr",
                                      svg = folder / "design.svg", pdf = folder / "design.pdf",
                                      picture = folder / "peer.png";
};

// Vantor's Gerber and SVG files of the design, for the peers.
bool write_design_files(const RenderRequest& request, const FilmFiles& files) {
  const ArtworkOutcome recorded = record_artwork(request);
  return recorded.message == Message::None && write_text(files.gerber, gerber_file(recorded.artwork)) &&
         write_text(files.svg, svg_file(recorded.artwork));
}

struct FilmResult {
  Timed vantor, copied, gerbv, rsvg;
  double base_mib = 0;  // vantor-render --report's peak
  std::uintmax_t film_bytes = 0;
};

FilmResult measure_film(const FilmWorkload& w, int dpi, const std::filesystem::path& render, const FilmFiles& files,
                        const ChildLimits& limits) {
  FilmResult r;
  std::vector<std::string> args = w.design;
  args.insert(args.begin(), render.string());
  args.push_back("--report");
  r.base_mib = run_child(args, {}, files.folder / "errors.txt").peak_mib;
  args.back() = "-o";
  args.push_back(files.film.string());
  r.vantor = timed_child(args, {}, files.folder, files.film);
  std::error_code ignored;
  if (r.vantor.run.end == ChildRun::End::Done) r.film_bytes = std::filesystem::file_size(files.film, ignored);
  std::filesystem::remove(files.film, ignored);

  r.copied.run.end = r.film_bytes > 0 ? ChildRun::End::Done : ChildRun::End::Failed;
  if (r.film_bytes > 0) r.copied.seconds = median_ms([&] { write_from_memory(files.copy, r.film_bytes); }) / 1000.0;
  std::filesystem::remove(files.copy, ignored);

  const std::string density = std::to_string(dpi);
  // gerbv refuses a window (-w) of more than a few thousand pixels; without
  // one, and with no border, it draws the file's extent at the density.
  r.gerbv = timed_child({"gerbv", "-x", "png", "-D", density, "-B", "0", "-b", "#FFFFFF", "-f", "#000000FF", "-o",
                         files.picture.string(), files.gerber.string()},
                        limits, files.folder, files.picture);
  std::filesystem::remove(files.picture, ignored);
  r.rsvg = timed_child({"rsvg-convert", "--dpi-x", density, "--dpi-y", density, "-b", "white", "-o",
                        files.picture.string(), files.svg.string()},
                       limits, files.folder, files.picture);
  std::filesystem::remove(files.picture, ignored);
  return r;
}

void print_film_row(const char* name, const FilmResult& r, const ChildLimits& limits) {
  const bool done = r.vantor.run.end == ChildRun::End::Done;
  auto when_done = [&](const char* pattern, double value) { return done ? formatted(pattern, value) : "-"; };
  std::printf(kFilmColumns, name, time_cell(r.vantor, {}).c_str(), when_done("%.1f", r.vantor.run.peak_mib).c_str(),
              when_done("%.1f", r.vantor.run.peak_mib - r.base_mib).c_str(),
              when_done("%.1f", r.film_bytes / (1024.0 * 1024.0)).c_str(),
              when_done("%.3f s", r.copied.seconds).c_str(), ratio_cell(r.vantor, r.copied).c_str(),
              time_cell(r.gerbv, limits).c_str(), ratio_cell(r.gerbv, r.vantor).c_str(),
              time_cell(r.rsvg, limits).c_str(), ratio_cell(r.rsvg, r.vantor).c_str());
  std::fflush(stdout);
}

// One workload's row; the reasons of failures go to `notes`.
void film_row(const FilmWorkload& w, const std::filesystem::path& render, const std::filesystem::path& folder,
              const ChildLimits& limits, std::vector<std::string>& notes) {
  std::vector<std::string> report = w.design;
  report.push_back("--report");
  const RenderRequest request = std::get<RenderRequest>(parse_render_args(report));
  const FilmFiles files(folder, w.extension);
  if (!write_design_files(request, files)) {
    notes.push_back(std::string(w.name) + ": no Gerber or SVG file of the design");
    return;
  }
  const FilmResult r = measure_film(w, request.dpi, render, files, limits);
  std::error_code ignored;
  std::filesystem::remove(files.gerber, ignored);
  std::filesystem::remove(files.svg, ignored);
  print_film_row(w.name, r, limits);
  for (const auto& [who, t] : {std::pair<const char*, const Timed*>{"vantor-render", &r.vantor},
                               {"gerbv", &r.gerbv},
                               {"rsvg-convert", &r.rsvg}})
    if (t->run.end == ChildRun::End::Failed) notes.push_back(std::string(w.name) + ", " + who + ": " + t->run.why);
}

// The vector files of a 16-bit disc, read into a picture at 2000 pixels per
// inch by the readers a shop opens them with, each within a minute: the
// design's SVG by rsvg-convert and its PDF by pdftoppm.
void vector_readers(const std::filesystem::path& folder, std::vector<std::string>& notes) {
  const std::vector<std::string> design = {"absolute", "Res_exp=16", "--report"};
  const ArtworkOutcome recorded = record_artwork(std::get<RenderRequest>(parse_render_args(design)));
  const FilmFiles files(folder, "png");
  if (recorded.message != Message::None || !write_text(files.svg, svg_file(recorded.artwork)) ||
      !write_text(files.pdf, pdf_file(recorded.artwork))) {
    notes.push_back("abs16: no SVG or PDF file of the design");
    return;
  }
  const ChildLimits limits{60, peer_limits().address_bytes};
  const std::string density = "2000";
  const std::filesystem::path stem = folder / "peer";  // pdftoppm adds .png
  struct Reader {
    const char* name;
    const std::filesystem::path* file;
    std::vector<std::string> argv;
  };
  const Reader readers[] = {
      {"abs16-svg-2000", &files.svg,
       {"rsvg-convert", "--dpi-x", density, "--dpi-y", density, "-b", "white", "-o", files.picture.string(),
        files.svg.string()}},
      {"abs16-pdf-2000", &files.pdf,
       {"pdftoppm", "-r", density, "-png", "-singlefile", files.pdf.string(), stem.string()}},
  };
  std::printf("\n%-21s %8s %-13s %10s  (limit %g s)\n", "vector file", "file MiB", "reader", "time", limits.seconds);
  for (const Reader& r : readers) {
    const Timed t = timed_child(r.argv, limits, folder, files.picture);
    std::error_code ignored;
    std::printf("%-21s %8.1f %-13s %10s\n", r.name, std::filesystem::file_size(*r.file, ignored) / (1024.0 * 1024.0),
                r.argv[0].c_str(), time_cell(t, limits).c_str());
    if (t.run.end == ChildRun::End::Failed) notes.push_back(std::string(r.name) + ", " + r.argv[0] + ": " + t.run.why);
    std::filesystem::remove(files.picture, ignored);
  }
  std::fflush(stdout);
}

// The row of every film workload, or of those named, then the failures'
// reasons; with no names, the vector files' readers too.
int film(const std::vector<std::string>& names) {
  const std::filesystem::path render =
      std::filesystem::read_symlink("/proc/self/exe").parent_path() / "vantor-render";
  if (!std::filesystem::exists(render)) {
    std::fprintf(stderr, "vantor-bench: no %s\n", render.c_str());
    return 1;
  }
  const TemporaryFolder folder;
  if (folder.path().empty()) {
    std::fprintf(stderr, "vantor-bench: no temporary folder\n");
    return 1;
  }
  const ChildLimits limits = peer_limits();
  std::vector<FilmWorkload> all = film_workloads();
  if (!names.empty()) {
    for (const std::string& n : names)
      if (std::none_of(all.begin(), all.end(), [&](const FilmWorkload& w) { return n == w.name; })) {
        std::fprintf(stderr, "vantor-bench: no film workload %s\n", n.c_str());
        return 1;
      }
    std::erase_if(all, [&](const FilmWorkload& w) { return std::find(names.begin(), names.end(), w.name) == names.end(); });
  }
  for (const FilmWorkload& w : all)
    std::printf("%-21s vantor-render %s -o FILE.%s\n", w.name, joined(w.design).c_str(), w.extension);
  std::printf("peers limited to %g s and %g GiB of address space\n\n", limits.seconds,
              limits.address_bytes / (1024.0 * 1024.0 * 1024.0));
  std::printf(kFilmColumns, "workload", "vantor", "peak MiB", "+base", "file MiB", "copy", "v/copy", "gerbv",
              "/vantor", "rsvg-convert", "/vantor");
  std::vector<std::string> notes;
  for (const FilmWorkload& w : all) film_row(w, render, folder.path(), limits, notes);
  if (names.empty()) vector_readers(folder.path(), notes);
  if (!notes.empty()) std::printf("\n");
  for (const std::string& n : notes) std::printf("%s\n", n.c_str());
  return 0;
}

}  // namespace
}  // namespace vantor::bench

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--click") == 0) return vantor::bench::click_to_picture(argv[0]);
  if (argc == 2 && std::strcmp(argv[1], "--writers") == 0) return vantor::bench::writers();
  if (argc >= 2 && std::strcmp(argv[1], "--film") == 0) return vantor::bench::film({argv + 2, argv + argc});
  using vantor::bench::Workload;
  const std::vector<Workload> all = vantor::bench::workloads();
  if (argc == 2 && std::strcmp(argv[1], "--list") == 0) {
    for (const Workload& w : all)
      std::printf("%-18s %s%s\n", w.name, w.what, w.standard ? "" : " (run only when named)");
    return 0;
  }
  std::vector<const Workload*> chosen;
  for (const Workload& w : all)
    if (argc == 1 && w.standard) chosen.push_back(&w);
  for (int k = 1; k < argc; ++k) {
    auto it = std::find_if(all.begin(), all.end(), [&](const Workload& w) { return std::strcmp(w.name, argv[k]) == 0; });
    if (it == all.end()) {
      std::fprintf(stderr, "vantor-bench: no workload %s (see --list)\n", argv[k]);
      return 2;
    }
    chosen.push_back(&*it);
  }
  for (const Workload* w : chosen) vantor::bench::run(*w);
  return 0;
}
