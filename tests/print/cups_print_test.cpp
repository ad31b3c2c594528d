// Printing on a real CUPS queue: the private server and cups-pdf queue that
// with_private_cups.sh sets up.  Each copy must be a job of its own with one
// page holding the image at its natural size at the top-left of the
// queue's printable area.
#include <QDir>
#include <QPrinter>
#include <QRegularExpression>
#include <QTest>
#include <cmath>

#include "gui_test.h"
#include "incremental/incremental_renderer.h"
#include "output/image_output.h"
#include "test_support.h"

namespace vantor::test {
namespace {

// The default incremental disc with a black frame round the raster and a
// black square in its top-left corner: a shifted or scaled page cannot match.
Surface printed_figure() {
  Surface s = Surface::for_picture();
  render_incremental(IncrementalDesign::defaults(), Polarity::Normal, s);
  const int w = s.width(), h = s.height();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (x == 0 || y == 0 || x == w - 1 || y == h - 1 || (x < 24 && y < 24)) s.data()[y * w + x] = 0x00;
  return s;
}

}  // namespace

class CupsPrintTest : public QObject {
  Q_OBJECT

  QString queue_, out_, root_;

  // The server's page log: one "total N" line per finished job, N being the
  // sheets that the job printed, copies included.
  QList<int> sheets_per_job() const {
    static const QRegularExpression total(QStringLiteral(" total (\\d+) "));
    QList<int> sheets;
    for (auto m = total.globalMatch(QString::fromUtf8(file_bytes(QDir(root_).filePath(QStringLiteral("log/page_log"))))); m.hasNext();)
      sheets.append(m.next().captured(1).toInt());
    return sheets;
  }
  QStringList pdfs() const { return QDir(out_).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name); }

 private slots:
  // Outside the harness there is no server to print on: that is a failure.
  void initTestCase() {
    queue_ = qEnvironmentVariable("VANTOR_PRINT_QUEUE");
    out_ = qEnvironmentVariable("VANTOR_PRINT_OUT");
    root_ = qEnvironmentVariable("VANTOR_PRINT_ROOT");
    QVERIFY2(!qEnvironmentVariableIsEmpty("CUPS_SERVER") && !queue_.isEmpty() && !out_.isEmpty() && !root_.isEmpty(),
             "run through tests/print/with_private_cups.sh, which starts the private print server");
  }

  void three_copies_are_three_one_page_jobs() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(queue_);
    printer.setCopyCount(4);  // as a dialog might leave it: must not multiply the jobs
    ScriptedDialogs dialogs;
    dialogs.print_answers = {3};
    const Surface surface = printed_figure();
    const qsizetype completed_before = sheets_per_job().size();

    print_with_dialog(nullptr, dialogs, printer, surface);
    QVERIFY2(dialogs.messages.empty(), dialogs.messages.empty() ? "" : qPrintable(dialogs.messages[0].text));
    QTRY_VERIFY_WITH_TIMEOUT(sheets_per_job().size() >= completed_before + 3 && pdfs().size() >= 3, 120000);
    QCOMPARE(sheets_per_job().mid(completed_before), (QList<int>{1, 1, 1}));
    QCOMPARE(pdfs().size(), 3);
    QCOMPARE(printer.copyCount(), 1);

    // One twip in from the corner of the printable area that the queue
    // tells (through Qt's reading of its PPD), at four rendering pixels to
    // an image pixel, each image pixel looked up at its centre.
    const QMarginsF area = printer.pageLayout().minimumMargins();
    constexpr int kDpi = 384;
    constexpr double kScale = kDpi / 96.0;
    const double left = (area.left() / 72.0 + 1.0 / 1440) * kDpi, top = (area.top() / 72.0 + 1.0 / 1440) * kDpi;
    for (const QString& name : pdfs()) {
      const QString pdf = QDir(out_).filePath(name);
      const QStringList args = {"-f", "1", "-l", "1", "-r", QString::number(kDpi), "-gray", "-aa", "no", "-aaVector", "no", "-singlefile", pdf};
      const QImage page = QImage::fromData(run(QStringLiteral("pdftoppm"), args).out).convertToFormat(QImage::Format_Grayscale8);
      QVERIFY2(!page.isNull(), "pdftoppm gave no page");
      long long differ = 0, compared = 0;
      for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width(); ++x) {
          const QPoint at(int(std::floor(left + (x + 0.5) * kScale)), int(std::floor(top + (y + 0.5) * kScale)));
          if (!page.rect().contains(at)) continue;
          ++compared;
          differ += (page.constScanLine(at.y())[at.x()] < 128) != (surface.pixel(x, y) == Colour::Black);
        }
      QVERIFY2(differ == 0, qPrintable(QStringLiteral("%1: %2 of %3 pixels differ").arg(name).arg(differ).arg(compared)));
      // The page cuts the image off only where it runs past the paper.
      const auto fits = [&](int pixels, int room, double from) {
        return std::min<long long>(pixels, static_cast<long long>((room - from) / kScale) - 1);
      };
      QVERIFY(compared >= fits(surface.width(), page.width(), left) * fits(surface.height(), page.height(), top));
    }
  }
};

}  // namespace vantor::test

QTEST_MAIN(vantor::test::CupsPrintTest)

#include "cups_print_test.moc"
