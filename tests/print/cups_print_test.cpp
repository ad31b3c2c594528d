// Printing on a real CUPS queue: the private server and cups-pdf queue that
// with_private_cups.sh sets up.  Each copy must be a job of its own with one
// page holding the image at its natural size at the top-left of the
// queue's printable area.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPrinter>
#include <QRegularExpression>
#include <QTest>
#include <cmath>
#include <functional>

#include "gui_test.h"
#include "output/image_output.h"
#include "pdf_probe.h"
#include "scripted_dialogs.h"

namespace vantor::test {
namespace {

QString env(const char* name) { return QString::fromLocal8Bit(qgetenv(name)); }

bool wait_until(const std::function<bool()>& done, int timeout_ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeout_ms) return false;
    QTest::qWait(200);
  }
  return true;
}

// A disc of alternating black and white sectors on a white ground, a
// one-pixel frame round the whole raster, a solid square in the top-left
// corner and a few touched-up pixels: every edge of the raster is black, so
// a shifted or scaled page cannot match.
Surface printed_figure() {
  Surface surface = Surface::for_picture();
  surface.set_scale_mode(ScaleMode::Inch);
  surface.set_fill_style(FillStyle::Solid);
  const float cx = surface.scale_width() / 2, cy = surface.scale_height() / 2;
  (void)surface.circle(cx, cy, 2.5f);
  constexpr int kSectors = 16;
  constexpr double kPi = 3.14159265358979323846;
  surface.set_fill_colour(Colour::White);
  for (int i = 0; i < kSectors; i += 2)
    (void)surface.circle(cx, cy, 2.2f, Colour::White, static_cast<float>(-(2 * kPi * i / kSectors + 0.001)),
                         static_cast<float>(-2 * kPi * (i + 1) / kSectors));
  surface.set_fill_colour(Colour::Black);
  (void)surface.circle(cx, cy, 1.0f);
  surface.set_fill_colour(Colour::White);
  (void)surface.circle(cx, cy, 0.3f, Colour::Black);
  const float px = 1.0f / 96;
  std::uint8_t* p = surface.data();
  for (int x = 0; x < surface.width(); ++x) p[x] = p[(surface.height() - 1) * surface.width() + x] = 0x00;
  for (int y = 0; y < surface.height(); ++y) p[y * surface.width()] = p[y * surface.width() + surface.width() - 1] = 0x00;
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 24; ++x) p[y * surface.width() + x] = 0x00;
  for (float t = 0.5f; t < 2.5f; t += 0.05f) touch_up(surface, 1, 0.5f + t, 0.2f + t / 3);
  touch_up(surface, 2, 5 * px + px / 2, 5 * px + px / 2);
  return surface;
}

// The printable area of the queue's default page, from its PPD: the page
// size and the lower-left and upper-right corners, in points.
struct PrintableArea {
  double page_w = 0, page_h = 0;
  double llx = 0, lly = 0, urx = 0, ury = 0;
};

std::optional<PrintableArea> printable_area(const QString& ppd_path, QString* error) {
  QFile file(ppd_path);
  if (!file.open(QIODevice::ReadOnly)) {
    *error = QStringLiteral("cannot read ") + ppd_path;
    return std::nullopt;
  }
  const QString ppd = QString::fromLatin1(file.readAll());
  const QRegularExpressionMatch size =
      QRegularExpression(QStringLiteral("^\\*DefaultPageSize:\\s*(\\S+)"), QRegularExpression::MultilineOption).match(ppd);
  if (!size.hasMatch()) {
    *error = QStringLiteral("no DefaultPageSize");
    return std::nullopt;
  }
  const QString name = QRegularExpression::escape(size.captured(1));
  const QRegularExpressionMatch area =
      QRegularExpression(QStringLiteral("^\\*ImageableArea %1[/:][^\"]*\"([-0-9.]+) ([-0-9.]+) ([-0-9.]+) ([-0-9.]+)\"").arg(name),
                         QRegularExpression::MultilineOption)
          .match(ppd);
  const QRegularExpressionMatch dims =
      QRegularExpression(QStringLiteral("^\\*PaperDimension %1[/:][^\"]*\"([0-9.]+) ([0-9.]+)\"").arg(name),
                         QRegularExpression::MultilineOption)
          .match(ppd);
  if (!area.hasMatch() || !dims.hasMatch()) {
    *error = QStringLiteral("no ImageableArea or PaperDimension for ") + size.captured(1);
    return std::nullopt;
  }
  return PrintableArea{dims.captured(1).toDouble(), dims.captured(2).toDouble(), area.captured(1).toDouble(),
                       area.captured(2).toDouble(), area.captured(3).toDouble(), area.captured(4).toDouble()};
}

}  // namespace

class CupsPrintTest : public QObject {
  Q_OBJECT

  QString server_, queue_, out_, root_;

  // Job lines of the queue from lpstat, "completed" or "not-completed".
  QStringList jobs(const char* which) {
    QString error;
    const std::optional<QByteArray> out = run_tool(
        QStringLiteral("lpstat"),
        {QStringLiteral("-h"), server_, QStringLiteral("-W"), QString::fromLatin1(which), QStringLiteral("-o"), queue_},
        &error, 20000);
    if (!out) {
      qWarning("%s", qPrintable(error));
      return {QStringLiteral("lpstat failed")};
    }
    return QString::fromLocal8Bit(*out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  }
  // The server's page log: one "total N" line per finished job, N being the
  // sheets that the job printed, copies included.
  QList<int> sheets_per_job() const {
    QFile file(QDir(root_).filePath(QStringLiteral("log/page_log")));
    QList<int> sheets;
    if (!file.open(QIODevice::ReadOnly)) return sheets;
    static const QRegularExpression total(QStringLiteral(" total (\\d+) "));
    for (const QByteArray& line : file.readAll().split('\n'))
      if (const QRegularExpressionMatch m = total.match(QString::fromUtf8(line)); m.hasMatch())
        sheets.append(m.captured(1).toInt());
    return sheets;
  }
  QStringList pdfs() const {
    return QDir(out_).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
  }

 private slots:
  // Outside the harness there is no server to print on: that is a failure.
  void initTestCase() {
    server_ = env("CUPS_SERVER");
    queue_ = env("VANTOR_PRINT_QUEUE");
    out_ = env("VANTOR_PRINT_OUT");
    root_ = env("VANTOR_PRINT_ROOT");
    QVERIFY2(!server_.isEmpty() && !queue_.isEmpty() && !out_.isEmpty() && !root_.isEmpty(),
             "run through tests/print/with_private_cups.sh, which starts the private print server");
    QString error;
    const std::optional<QByteArray> status =
        run_tool(QStringLiteral("lpstat"), {QStringLiteral("-h"), server_, QStringLiteral("-r")}, &error, 20000);
    QVERIFY2(status && status->contains("is running"), qPrintable(error));
  }

  void cancel_prints_nothing() {
    const QStringList before = jobs("all");
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(queue_);
    ScriptedDialogs dialogs;
    dialogs.print_answers = {std::nullopt};
    print_with_dialog(nullptr, dialogs, printer, printed_figure());
    QCOMPARE(dialogs.print_requests.size(), std::size_t{1});
    QTest::qWait(1500);
    QCOMPARE(jobs("all"), before);
    QVERIFY(pdfs().isEmpty());
    QVERIFY(dialogs.messages.empty());
  }

  void three_copies_are_three_one_page_jobs() {
    const qsizetype completed_before = jobs("completed").size();
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(queue_);
    QCOMPARE(printer.printerName(), queue_);
    printer.setCopyCount(4);  // as a dialog might leave it: must not multiply the jobs
    ScriptedDialogs dialogs;
    dialogs.print_answers = {3};
    const Surface surface = printed_figure();

    print_with_dialog(nullptr, dialogs, printer, surface);
    QVERIFY2(dialogs.messages.empty(), dialogs.messages.empty() ? "" : qPrintable(dialogs.messages[0].text));

    QVERIFY2(wait_until([&] { return jobs("completed").size() == completed_before + 3 &&
                                     jobs("not-completed").isEmpty() && pdfs().size() == 3; },
                        120000),
             qPrintable(QStringLiteral("completed: %1; pending: %2; PDFs: %3")
                            .arg(jobs("completed").join(QLatin1Char('|')), jobs("not-completed").join(QLatin1Char('|')),
                                 pdfs().join(QLatin1Char('|')))));
    QVERIFY(wait_until([&] { return sheets_per_job().size() == completed_before + 3; }, 20000));
    QCOMPARE(sheets_per_job().mid(completed_before), (QList<int>{1, 1, 1}));
    QCOMPARE(printer.copyCount(), 1);

    QString error;
    const std::optional<PrintableArea> area =
        printable_area(QDir(root_).filePath(QStringLiteral("etc/ppd/%1.ppd").arg(queue_)), &error);
    QVERIFY2(area, qPrintable(error));
    constexpr int kDpi = 384;  // four rendering pixels to an image pixel
    constexpr double kScale = kDpi / 96.0;
    // One twip in from the corner of the printable area, which lies below
    // the top of the page by page_h - ury points.
    const double left = (area->llx / 72.0 + 1.0 / 1440) * kDpi;
    const double top = ((area->page_h - area->ury) / 72.0 + 1.0 / 1440) * kDpi;

    for (const QString& name : pdfs()) {
      const QString pdf = QDir(out_).filePath(name);
      const std::optional<PdfInfo> info = probe_pdf(pdf, &error);
      QVERIFY2(info, qPrintable(error));
      QCOMPARE(info->pages, 1);
      QCOMPARE(std::lround(info->page_width_pt), std::lround(area->page_w));
      QCOMPARE(std::lround(info->page_height_pt), std::lround(area->page_h));
      QCOMPARE(info->images.size(), std::size_t{1});
      QCOMPARE(info->images[0].width, surface.width());
      QCOMPARE(info->images[0].height, surface.height());
      QCOMPARE(info->images[0].x_ppi, 96.0);
      QCOMPARE(info->images[0].y_ppi, 96.0);

      const QImage page = render_first_page(pdf, kDpi, &error);
      QVERIFY2(!page.isNull(), qPrintable(error));
      long long compared = 0;
      const long long differ = count_mismatches(surface, page, kScale, left, top, &compared);
      QVERIFY2(differ == 0, qPrintable(QStringLiteral("%1: %2 of %3 pixels differ").arg(name).arg(differ).arg(compared)));
      // The page cuts the image off only where it runs past the paper.
      const auto fits = [&](int pixels, int room, double from) {
        return std::min<long long>(pixels, static_cast<long long>((room - from) / kScale) - 1);
      };
      QVERIFY(compared >= fits(surface.width(), page.width(), left) * fits(surface.height(), page.height(), top));
      if (const QByteArray keep = qgetenv("VANTOR_KEEP_PRINTED_PAGE"); !keep.isEmpty() && name == pdfs().first())
        page.save(QString::fromLocal8Bit(keep));
    }
  }
};

VANTOR_GUI_TEST(CupsPrintTest);

}  // namespace vantor::test

#include "cups_print_test.moc"
