#include "pdf_probe.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>

namespace vantor::test {

std::optional<QByteArray> run_tool(const QString& program, const QStringList& args, QString* error,
                                   int timeout_ms) {
  QProcess process;
  process.start(program, args);
  if (!process.waitForStarted(10000)) {
    *error = program + QStringLiteral(" did not start: ") + process.errorString();
    return std::nullopt;
  }
  if (!process.waitForFinished(timeout_ms)) {
    process.kill();
    process.waitForFinished(5000);
    *error = program + QStringLiteral(" did not finish");
    return std::nullopt;
  }
  if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
    *error = QStringLiteral("%1 %2 failed (%3): %4")
                 .arg(program, args.join(QLatin1Char(' ')))
                 .arg(process.exitCode())
                 .arg(QString::fromLocal8Bit(process.readAllStandardError()));
    return std::nullopt;
  }
  return process.readAllStandardOutput();
}

std::optional<PdfInfo> probe_pdf(const QString& path, QString* error) {
  PdfInfo info;
  const std::optional<QByteArray> meta = run_tool(QStringLiteral("pdfinfo"), {path}, error);
  if (!meta) return std::nullopt;
  const QString text = QString::fromUtf8(*meta);
  const QRegularExpressionMatch pages = QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"),
                                                           QRegularExpression::MultilineOption)
                                            .match(text);
  const QRegularExpressionMatch size =
      QRegularExpression(QStringLiteral("^Page size:\\s+([0-9.]+) x ([0-9.]+) pts"),
                         QRegularExpression::MultilineOption)
          .match(text);
  if (!pages.hasMatch() || !size.hasMatch()) {
    *error = QStringLiteral("pdfinfo gave no page count or size: ") + text;
    return std::nullopt;
  }
  info.pages = pages.captured(1).toInt();
  info.page_width_pt = size.captured(1).toDouble();
  info.page_height_pt = size.captured(2).toDouble();

  const std::optional<QByteArray> list = run_tool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), path}, error);
  if (!list) return std::nullopt;
  // page num type width height color comp bpc enc interp object ID x-ppi y-ppi size ratio
  const QStringList lines = QString::fromUtf8(*list).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  for (qsizetype i = 2; i < lines.size(); ++i) {
    const QStringList f = lines[i].split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (f.size() < 14) continue;
    PdfImage image;
    image.page = f[0].toInt();
    image.width = f[3].toInt();
    image.height = f[4].toInt();
    image.x_ppi = f[12].toDouble();
    image.y_ppi = f[13].toDouble();
    info.images.push_back(image);
  }
  return info;
}

QImage render_first_page(const QString& path, int dpi, QString* error) {
  QTemporaryDir dir;
  const QString prefix = dir.filePath(QStringLiteral("page"));
  if (!run_tool(QStringLiteral("pdftoppm"),
                {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
                 QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-gray"), QStringLiteral("-aa"),
                 QStringLiteral("no"), QStringLiteral("-aaVector"), QStringLiteral("no"),
                 QStringLiteral("-singlefile"), path, prefix},
                error))
    return {};
  QImage page(prefix + QStringLiteral(".pgm"));
  if (page.isNull()) *error = QStringLiteral("pdftoppm wrote no readable page");
  return page.convertToFormat(QImage::Format_Grayscale8);
}

long long count_mismatches(const Surface& surface, const QImage& page, double scale, double left, double top,
                           long long* compared) {
  long long differ = 0;
  *compared = 0;
  for (int y = 0; y < surface.height(); ++y) {
    const double py = std::floor(top + (y + 0.5) * scale);
    if (py < 0 || py >= page.height()) continue;
    const uchar* row = page.constScanLine(static_cast<int>(py));
    for (int x = 0; x < surface.width(); ++x) {
      const double px = std::floor(left + (x + 0.5) * scale);
      if (px < 0 || px >= page.width()) continue;
      ++*compared;
      const bool page_black = row[static_cast<int>(px)] < 128;
      if (page_black != (surface.pixel(x, y) == Colour::Black)) ++differ;
    }
  }
  return differ;
}

}  // namespace vantor::test
