#include "export_support.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <variant>

#include "export/gerber.h"
#include "export/svg_pdf.h"
#include "request/disc_job.h"

namespace vantor::test {

RenderRequest request(const std::vector<std::string>& words) {
  std::vector<std::string> args = words;
  if (std::find(args.begin(), args.end(), "-o") == args.end()) args.insert(args.end(), {"-o", "unused.bmp"});
  const auto parsed = parse_render_args(args);
  if (const UsageError* e = std::get_if<UsageError>(&parsed)) {
    ADD_FAILURE() << "usage error: " << e->reason;
    return {};
  }
  return std::get<RenderRequest>(parsed);
}

namespace {

Grey grey_of(const Surface& s) {
  return {s.width(), s.height(), {s.data(), s.data() + static_cast<std::size_t>(s.width()) * s.height()}};
}

void solid(Surface& s, Colour c) {
  s.set_fill_style(FillStyle::Solid);
  s.set_fill_colour(c);
}

constexpr float kPi = std::numbers::pi_v<float>;

}  // namespace

Grey vantor_raster(const RenderRequest& request) {
  const DiscJob job(request);
  const PixelRect region = job.region(job.record().geometry);
  Surface s = job.band(region, 0, region.height);
  job.draw(s);
  return grey_of(s);
}

int run_on(const std::string& input, const std::string& program, std::vector<std::string> args, std::string* output,
           std::string* result) {
  QTemporaryDir dir;
  const QString in = dir.filePath(QStringLiteral("in")), out = dir.filePath(QStringLiteral("out"));
  QFile file(in);
  if (!file.open(QIODevice::WriteOnly) || file.write(input.data(), qint64(input.size())) != qint64(input.size())) return -1;
  file.close();
  QStringList a;
  for (const std::string& s : args) a << (s == "@IN" ? in : s == "@OUT" ? out : QString::fromStdString(s));
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(QString::fromStdString(program), a);
  if (!p.waitForFinished(240000)) return -1;
  if (output) *output = p.readAll().toStdString();
  QFile produced(QFile::exists(out) ? out : out + QStringLiteral(".pgm"));  // pdftoppm adds its extension
  if (result && produced.open(QIODevice::ReadOnly)) *result = produced.readAll().toStdString();
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

void expect_same_inner_pixels(const Grey& ours, const Grey& theirs, long min_checked) {
  ASSERT_EQ(theirs.width, ours.width);
  ASSERT_EQ(theirs.height, ours.height);
  constexpr int m = 2;
  long differ = 0, checked = 0;
  for (int y = m; y + m < ours.height; ++y)
    for (int x = m; x + m < ours.width; ++x) {
      const std::uint8_t c = ours.at(x, y);
      bool uniform = true;
      for (int dy = -m; dy <= m && uniform; ++dy)
        for (int dx = -m; dx <= m && uniform; ++dx) uniform = ours.at(x + dx, y + dy) == c;
      if (!uniform) continue;
      ++checked;
      differ += (theirs.at(x, y) < 128) != (c == 0);
    }
  EXPECT_EQ(differ, 0) << checked << " compared";
  EXPECT_GT(checked, min_checked);
}

const std::vector<Design>& designs() {
  static const std::vector<Design> rows{
      {"IncrementalDefault", {"incremental", "--dpi", "300", "--crop"}, 33},
      {"IncrementalMillimetres", {"incremental", "Unit_mm", "ED=40", "DD=6", "RES=100", "--dpi", "400", "--crop"}, 201},
      {"IncrementalInverse", {"incremental", "--inverse", "RES=50", "--dpi", "300", "--crop"}, 101},
      {"AbsoluteBinary", {"absolute", "Bin_type", "Res_exp=7", "--dpi", "300", "--crop"}, 127},
      {"AbsoluteGray", {"absolute", "Res_exp=8", "--dpi", "500", "--crop"}, 255},
      {"AbsoluteMillimetresWholeCanvas", {"absolute", "Unit_mm", "ED=50", "DD=6", "Res_exp=5", "--dpi", "96"}, 31},
      // Bit 1.5 of 2.5 bits with full balance ends its last slot past a
      // turn, so that slot runs through angle 0.
      {"AbsoluteSlotThroughZero", {"absolute", "Res_exp=2.5", "abs_bal=45", "--dpi", "300", "--crop"}, 4},
  };
  return rows;
}

const std::vector<FigureSet>& figure_sets() {
  static const std::vector<FigureSet> sets{
      {"FilledSectors", Unit::Inch,
       [](Surface& s) {
         s.cls();
         solid(s, Colour::Black);
         (void)s.circle(0.55f, 0.55f, 0.4f, Colour::Black, -5.2f, -0.9f);      // through angle 0
         (void)s.circle(1.45f, 0.55f, 0.4f, Colour::Black, -0.4f, -4.6f);      // over half a turn
         (void)s.circle(0.56f, 1.43f, 0.35f, Colour::Black, -1e-9f, -2 * kPi);  // a whole turn
         (void)s.circle(1.0f, 1.0f, 0.1f, Colour::Black, -0.0f, -6.2831855f);  // -0: only the end radius
         (void)s.circle(1.45f, 1.45f, 0.42f);
         solid(s, Colour::White);
         for (int k = 0; k < 12; ++k)
           (void)s.circle(1.45f, 1.45f, 0.4f, Colour::White, -(0.001f + k * kPi / 6), -(0.3f + k * kPi / 6));
         solid(s, Colour::Black);
         (void)s.circle(1.45f, 1.45f, 0.22f);
       }},
      {"OutlineColourOtherThanFill", Unit::Inch,
       [](Surface& s) {
         s.cls();
         solid(s, Colour::Black);
         (void)s.circle(1, 1, 0.85f, Colour::White);
         solid(s, Colour::White);
         (void)s.circle(1, 1, 0.7f, Colour::Black, -0.5f, -3.9f);
         (void)s.circle(1, 1, 0.55f, Colour::Black, -3.0f, -0.5f);
         (void)s.circle(1, 1, 0.4f, Colour::Black);
       }},
      {"OutlinesAndAxisRadii", Unit::Inch,
       [](Surface& s) {
         s.cls();
         (void)s.circle(1, 1, 0.95f);
         (void)s.circle(1, 1, 0.8f, Colour::Black, 5.0f, 1.2f);
         (void)s.circle(1, 1, 0.7f, Colour::Black, 0.5f, 4.5f);
         (void)s.circle(1.003f, 0.998f, 0.55f, Colour::Black, 0.0f, 2 * kPi);
         solid(s, Colour::White);
         (void)s.circle(1, 1, 0.4f, Colour::Black);
         solid(s, Colour::Black);
         (void)s.circle(1, 1, 0.25f, Colour::White);
         (void)s.circle(1.6f, 0.4f, 0.005f);
         (void)s.circle(1.7f, 0.3f, 0.01f, Colour::Black, 1.0f, 4.0f);
         // Centres off the pixel grid, so that float pi/2 and pi keep the
         // radii along rows and columns.
         (void)s.circle(1.554f, 1.554f, 0.3f, Colour::Black, -kPi / 2, -kPi);
         (void)s.circle(0.454f, 1.554f, 0.3f, Colour::Black, 0.0f, -kPi / 2);
       },
       true, 0.1},
      {"SlantedLinesAndRadii", Unit::Millimetre,
       [](Surface& s) {
         s.cls();
         (void)s.circle(25.4f, 25.4f, 22.9f);
         (void)s.circle(25.4f, 25.4f, 15.2f, Colour::Black, 5.5f, -1.0f);
         (void)s.circle(25.4f, 25.4f, 7.6f, Colour::Black, -2.0f, 4.0f);
         (void)s.circle(25.4f, 25.4f, 5.0f, Colour::Black, -5.5f, -0.7f);
         (void)s.line(2.5f, 2.5f, 48.3f, 33.0f);
         (void)s.line(48.3f, 5.1f, 7.6f, 48.3f);
         (void)s.line(-1270, -1016, 1524, 1778);
         solid(s, Colour::Black);
         (void)s.circle(38.0f, 14.0f, 4.0f);
         (void)s.line(34.0f, 13.0f, 42.0f, 15.0f, Colour::White);
         s.pset(38.0f, 16.0f, Colour::White);
       }},
      {"AxisLinesAndPoints", Unit::Inch,
       [](Surface& s) {
         s.cls();
         (void)s.line(1, 0.05f, 1, 1.95f);
         (void)s.line(0.05f, 1.5f, 1.95f, 1.5f);
         (void)s.line(1.9f, 0.3f, 0.1f, 0.3f);
         (void)s.line(-80, 0.7f, 90, 0.7f);
         (void)s.line(-1e30f, 1.2f, 1e30f, 1.2f);
         (void)s.line(0.5f, 0.5f, 0.5f, 0.5f);
         for (int k = 0; k < 20; ++k) s.pset(0.2f + k * 0.05f, 1.8f, Colour::Black);
         for (int k = 0; k < 20; ++k) s.pset(1.2f + k * 0.009f, 1.1f, Colour::Black);
       },
       true, 0.0},
      {"ClsMidDrawing", Unit::Inch,
       [](Surface& s) {
         solid(s, Colour::Black);
         (void)s.circle(1.0f, 1.0f, 0.8f);
         s.cls();
         (void)s.circle(0.9f, 0.7f, 0.3f);
       }},
      {"ReachesOutsideTheRegion", Unit::Inch,
       [](Surface& s) {
         s.cls();
         solid(s, Colour::Black);
         (void)s.circle(0.15f, 0.2f, 0.4f);
         (void)s.circle(1.0f, 1.0f, 40.0f, Colour::Black, -0.1f, -0.3f);
         (void)s.line(-3.0f, 1.0f, 5.0f, 1.1f);
         (void)s.circle(1.85f, 1.85f, 0.3f, Colour::White);
         (void)s.circle(8.0f, 8.0f, 0.5f);
         (void)s.circle(-1e4f, 1.0f, 100.0f);
       }},
      {"DiscHoldsTheRegion", Unit::Millimetre,
       [](Surface& s) {
         s.cls();
         solid(s, Colour::Black);
         (void)s.circle(25.4f, 25.4f, 3e7f);
         solid(s, Colour::White);
         (void)s.circle(25.4f, 25.4f, 8.0f, Colour::Black);
         (void)s.circle(25.4f, 25.4f, 4e4f, Colour::White, -0.1f, -0.2f);
       }},
  };
  return sets;
}

Drawn draw(const FigureSet& set) {
  const PixelRect& g = kFigureRegion;
  Drawn d;
  Surface s = Surface::window_of(240, 240, 120, g.left, g.top, g.width, g.height);  // 2 x 2 in at 120 dpi
  s.set_recorder(&d.art.figures);
  s.set_scale_mode(set.unit == Unit::Millimetre ? ScaleMode::Millimetre : ScaleMode::Inch);
  set.draw(s);
  s.set_recorder(nullptr);
  d.art.dpi = 120;
  d.art.canvas_width = d.art.canvas_height = 240;
  d.art.region = g;
  d.art.unit = set.unit;
  d.pixels = grey_of(s);
  return d;
}

const char* format_name(Format f) { return f == Format::Svg ? "Svg" : f == Format::Pdf ? "Pdf" : "Gerber"; }

std::string file_of(Format f, const Artwork& art) {
  return f == Format::Svg ? svg_file(art) : f == Format::Pdf ? pdf_file(art) : gerber_file(art);
}

std::optional<Grey> render_back(Format f, const Artwork& art, int scale, int margin) {
  const std::string dpi = std::to_string(std::lround(art.dpi * scale));
  const int width = art.region.width * scale + 2 * margin, height = art.region.height * scale + 2 * margin;
  // gerbv places the file's origin at the picture's bottom-left corner, and
  // reads at most 20 characters of --origin.
  char origin[32];
  std::snprintf(origin, sizeof origin, "%.6g", -margin / (art.dpi * scale));
  const std::string program = f == Format::Svg ? "rsvg-convert" : f == Format::Pdf ? "pdftoppm" : "gerbv";
  const std::vector<std::string> args =
      f == Format::Svg   ? std::vector<std::string>{"--dpi-x", dpi, "--dpi-y", dpi, "-b", "white", "-o", "@OUT", "@IN"}
      : f == Format::Pdf ? std::vector<std::string>{"-r", dpi, "-gray", "-singlefile", "@IN", "@OUT"}
                         : std::vector<std::string>{"-x", "png", "-D", dpi, "-B", "0",
                                                    std::string("--origin=") + origin + "x" + origin, "-w",
                                                    std::to_string(width) + "x" + std::to_string(height), "-b",
                                                    "#FFFFFF", "-f", "#000000FF", "-o", "@OUT", "@IN"};
  std::string log, picture;
  QImage image;
  if (run_on(file_of(f, art), program, args, &log, &picture) != 0 ||
      !image.loadFromData(reinterpret_cast<const uchar*>(picture.data()), int(picture.size()))) {
    ADD_FAILURE() << program << " failed: " << log;
    return std::nullopt;
  }
  if (image.hasAlphaChannel()) {  // transparent pixels are the white page
    QImage page(image.size(), QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter(&page).drawImage(0, 0, image);
    image = page;
  }
  image = image.convertToFormat(QImage::Format_Grayscale8);
  // A page one pixel larger or smaller (its size rounded in points) is
  // cropped or padded with white.
  const bool fit = std::abs(image.width() - width) <= 1 && std::abs(image.height() - height) <= 1;
  Grey g{fit ? width : image.width(), fit ? height : image.height(), {}};
  g.pixels.assign(static_cast<std::size_t>(g.width) * g.height, 255);
  for (int y = 0; y < std::min(g.height, image.height()); ++y)
    for (int x = 0; x < std::min(g.width, image.width()); ++x) g.pixels[std::size_t(y) * g.width + x] = image.constScanLine(y)[x];
  return g;
}

}  // namespace vantor::test
