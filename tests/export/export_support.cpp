#include "export_support.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <variant>

#include "render/render_job.h"

namespace vantor::test {

RenderRequest request(const std::vector<std::string>& words) {
  std::vector<std::string> args = words;
  bool has_output = false;
  for (const std::string& w : args) has_output = has_output || w == "-o" || w.rfind("-o", 0) == 0;
  if (!has_output) args.insert(args.end(), {"-o", "unused.bmp"});
  const auto parsed = parse_render_args(args);
  if (const UsageError* e = std::get_if<UsageError>(&parsed)) {
    ADD_FAILURE() << "usage error: " << e->reason;
    return {};
  }
  return std::get<RenderRequest>(parsed);
}

Grey vantor_raster(const RenderRequest& request) {
  const DiscJob job(request);
  const PixelRect region = job.region();
  Surface s = job.band(region, 0, region.height);
  job.draw(s);
  Grey g{s.width(), s.height(), {}};
  g.pixels.assign(s.data(), s.data() + static_cast<std::size_t>(s.width()) * s.height());
  return g;
}

std::optional<Grey> read_grey(const std::string& path) {
  QImage image(QString::fromStdString(path));
  if (image.isNull()) return std::nullopt;
  // Transparent pixels of a rendered vector file are the white page.
  if (image.hasAlphaChannel()) {
    QImage page(image.size(), QImage::Format_ARGB32);
    page.fill(Qt::white);
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const QColor c = image.pixelColor(x, y);
        const double a = c.alphaF();
        const int v = static_cast<int>(qGray(c.rgb()) * a + 255 * (1 - a) + 0.5);
        page.setPixel(x, y, qRgb(v, v, v));
      }
    image = page;
  }
  image = image.convertToFormat(QImage::Format_Grayscale8);
  Grey g{image.width(), image.height(), {}};
  g.pixels.resize(static_cast<std::size_t>(g.width) * g.height);
  for (int y = 0; y < g.height; ++y)
    std::copy_n(image.constScanLine(y), g.width, g.pixels.begin() + static_cast<std::ptrdiff_t>(y) * g.width);
  return g;
}

int run_program(const std::string& program, const std::vector<std::string>& args, std::string* output) {
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  QStringList a;
  for (const std::string& s : args) a << QString::fromStdString(s);
  p.start(QString::fromStdString(program), a);
  if (!p.waitForStarted(10000)) return -1;
  if (!p.waitForFinished(240000)) {
    p.kill();
    p.waitForFinished();
    return -1;
  }
  if (output) *output = p.readAll().toStdString();
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

bool write_bytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vantor-export-XXXXXX").string();
  if (mkdtemp(pattern.data())) dir_ = pattern;
}
TempDir::~TempDir() {
  std::error_code ignored;
  if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
}

long differing_inner_pixels(const Grey& ours, const Grey& theirs, int margin, long* checked) {
  if (ours.width != theirs.width || ours.height != theirs.height) return -1;
  // Rows of run lengths would be quicker; the rasters of the tests are small.
  long diff = 0, count = 0;
  for (int y = margin; y + margin < ours.height; ++y)
    for (int x = margin; x + margin < ours.width; ++x) {
      const std::uint8_t c = ours.at(x, y);
      bool uniform = true;
      for (int dy = -margin; dy <= margin && uniform; ++dy)
        for (int dx = -margin; dx <= margin && uniform; ++dx) uniform = ours.at(x + dx, y + dy) == c;
      if (!uniform) continue;
      ++count;
      const bool black = theirs.at(x, y) < 128;
      if (black != (c == 0)) ++diff;
    }
  if (checked) *checked = count;
  return diff;
}

}  // namespace vantor::test
