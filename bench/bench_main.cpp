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
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
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

}  // namespace
}  // namespace vantor::bench

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--click") == 0) return vantor::bench::click_to_picture(argv[0]);
  if (argc == 2 && std::strcmp(argv[1], "--writers") == 0) return vantor::bench::writers();
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
