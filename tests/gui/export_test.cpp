// "Export…" on both design windows: where the button sits, what the export
// writes (the fields as they stand, not the picture), and the ways an
// export ends without a file.
#include <QCheckBox>
#include <QComboBox>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include "gui_test.h"
#include "output/export_dialog.h"
#include "output/image_window.h"
#include "request/disc_job.h"
#include "scripted_dialogs.h"
#include "shell/window_registry.h"

namespace vantor::test {
namespace {

void type_into(QWidget* window, const char* box, const QString& text) {
  auto* edit = window->findChild<QLineEdit*>(QString::fromLatin1(box));
  QVERIFY2(edit, box);
  edit->setText(text);
}

// The request's drawing as Vantor's raster of the file's region.
QImage expected_image(const ExportRequest& request) {
  const DiscJob job(request);
  const PixelRect region = job.region(job.record().geometry);
  Surface s = job.band(region, 0, region.height);
  job.draw(s);
  QImage image(s.width(), s.height(), QImage::Format_Grayscale8);
  for (int y = 0; y < s.height(); ++y) std::copy_n(s.data() + y * s.width(), s.width(), image.scanLine(y));
  return image;
}

QImage grey(const QString& path) { return QImage(path).convertToFormat(QImage::Format_Grayscale8); }

ExportChoice png_choice(const QString& path, int dpi, bool crop, bool inverse = false) {
  ExportChoice c;
  c.format = FileFormat::Png;
  c.dpi = dpi;
  c.crop = crop;
  c.inverse = inverse;
  c.path = path;
  return c;
}

}  // namespace

class ExportTest : public QObject {
  Q_OBJECT
 private slots:
  void the_button_sits_in_free_space_data() {
    QTest::addColumn<int>("form");
    QTest::newRow("Inc_form") << int(WindowId::IncForm);
    QTest::newRow("Abs_form") << int(WindowId::AbsForm);
  }
  void the_button_sits_in_free_space() {
    QFETCH(int, form);
    ScriptedDialogs dialogs;
    WindowRegistry registry(dialogs);
    QWidget* window = registry.show(static_cast<WindowId>(form));
    auto* button = window->findChild<QPushButton*>(QStringLiteral("ExportButton"));
    QVERIFY(button);
    QCOMPARE(button->text(), QStringLiteral("Export…"));
    QVERIFY(button->isVisible());
    const QRect mine(button->mapTo(window, QPoint(0, 0)), button->size());
    QVERIFY(window->rect().contains(mine));
    // No control but the frames that hold it shares a pixel with it.
    for (QWidget* other : window->findChildren<QWidget*>()) {
      // Unnamed widgets are the parts of a control.
      if (other == button || other->isAncestorOf(button) || button->isAncestorOf(other) || !other->isVisible() ||
          other->objectName().isEmpty())
        continue;
      const QRect theirs(other->mapTo(window, QPoint(0, 0)), other->size());
      QVERIFY2(!mine.intersects(theirs), qPrintable(other->objectName()));
    }
    QVERIFY(button->focusPolicy() & Qt::TabFocus);
  }

  // The export draws the fields as they stand now, not the picture of the
  // last Draw with its touch-up, and the incremental window offers the
  // inverse drawing.
  void exports_the_fields_as_they_stand_data() {
    QTest::addColumn<int>("form");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("inverse");
    QTest::newRow("incremental") << int(WindowId::IncForm) << "RES" << "40" << false;
    QTest::newRow("incremental inverse") << int(WindowId::IncForm) << "ED" << "1.5" << true;
    QTest::newRow("absolute") << int(WindowId::AbsForm) << "Res_exp" << "8" << false;
  }
  void exports_the_fields_as_they_stand() {
    QFETCH(int, form);
    QFETCH(QString, box);
    QFETCH(QString, text);
    QFETCH(bool, inverse);
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    WindowRegistry registry(dialogs);
    QWidget* window = registry.show(static_cast<WindowId>(form));
    click(window, "Command1");
    type_into(window, qPrintable(box), text);
    dialogs.export_answers = {png_choice(dir.filePath(QStringLiteral("disc.png")), 300, true, inverse)};
    click(window, "ExportButton");

    QVERIFY2(dialogs.messages.empty(), dialogs.messages.empty() ? "" : qPrintable(dialogs.messages[0].text));
    QCOMPARE(dialogs.export_requests.size(), std::size_t{1});
    const bool incremental = form == int(WindowId::IncForm);
    QCOMPARE(dialogs.export_requests[0].offers_inverse, incremental);
    QCOMPARE(dialogs.export_requests[0].base_name, incremental ? QStringLiteral("encoder") : QStringLiteral("ABS_encoder1"));
    QCOMPARE(dialogs.export_requests[0].folder, QDir::homePath());

    ExportRequest expected;
    expected.kind = incremental ? DiscKind::Incremental : DiscKind::Absolute;
    if (incremental) {
      (box == QLatin1String("RES") ? expected.incremental.design.resolution : expected.incremental.design.encoder_diameter) =
          text.toStdString();
    } else {
      expected.absolute.resolution_exp = text.toStdString();
    }
    expected.inverse = inverse;
    expected.dpi = 300;
    expected.crop = true;
    const QImage file = grey(dir.filePath(QStringLiteral("disc.png")));
    QVERIFY(!file.isNull());
    QCOMPARE(file, expected_image(expected));
    QCOMPARE(file.dotsPerMeterX(), qRound(300 / 0.0254));
    // The report the dialog showed is the report of the exported design.
    QVERIFY(dialogs.export_reports.size() == 1 && !dialogs.export_reports[0].isEmpty());
    // The dialog opens next time with the last choice.
    dialogs.export_answers = {std::nullopt};
    click(window, "ExportButton");
    QCOMPARE(dialogs.export_requests.back().choice.dpi, 300);
  }

  // Nothing is written, and an older file stays as it was, when the user
  // cancels, the design is refused or the file cannot be written; the last
  // two say why.
  void ends_without_a_file_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("s2");
    QTest::addColumn<int>("cancel_at");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("message");
    QTest::newRow("cancel in the dialog") << "old.png" << "1" << 0 << false << "";
    QTest::newRow("cancel in the progress box") << "old.png" << "1" << 1 << true << "";
    QTest::newRow("refused design") << "old.png" << "0" << 0 << true << "Invalid Parameter Entry.";
    QTest::newRow("no such folder") << "missing/disc.png" << "1" << 0 << true << "could not be exported as";
  }
  void ends_without_a_file() {
    QFETCH(QString, file);
    QFETCH(QString, s2);
    QFETCH(int, cancel_at);
    QFETCH(bool, answer);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString old = dir.filePath(QStringLiteral("old.png"));
    QFile f(old);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write("old") == 3);
    f.close();
    ScriptedDialogs dialogs;
    WindowRegistry registry(dialogs);
    QWidget* window = registry.show(WindowId::AbsForm);
    type_into(window, "S2", s2);
    if (answer) dialogs.export_answers = {png_choice(dir.filePath(file), 600, false)};
    dialogs.cancel_export_at_step = cancel_at;
    click(window, "ExportButton");
    if (message.isEmpty()) {
      QVERIFY(dialogs.messages.empty());
    } else {
      QCOMPARE(dialogs.messages.size(), std::size_t{1});
      QCOMPARE(dialogs.messages[0].title, QStringLiteral("Vantor"));
      QCOMPARE(dialogs.messages[0].buttons, MessageButtons::Ok);
      QVERIFY2(dialogs.messages[0].text.contains(message), qPrintable(dialogs.messages[0].text));
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("old.png")});
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("old"));
  }

  // The progress box stays away for a moment, then shows, blocks the other
  // windows and reports Cancel.
  void progress_box_shows_late_and_cancels() {
    QtDialogs qt;
    std::unique_ptr<ExportProgressBox> box = qt.export_progress(nullptr, QStringLiteral("Exporting"));
    QVERIFY(box->step(1, 100));
    QVERIFY(!QApplication::activeModalWidget());
    QElapsedTimer clock;
    clock.start();
    while (!QApplication::activeModalWidget() && clock.elapsed() < 5000) {
      QTest::qSleep(50);
      QVERIFY(box->step(2, 100));
    }
    auto* shown = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
    QVERIFY(shown);
    QCOMPARE(shown->windowModality(), Qt::ApplicationModal);
    QCOMPARE(shown->value(), 20);
    shown->cancel();
    QVERIFY(!box->step(3, 100));
  }

  // The dialog's controls make the choice; a new format renames the file.
  void dialog_controls_make_the_choice() {
    ExportDialogState state;
    state.folder = QDir::tempPath();
    state.base_name = QStringLiteral("encoder");
    state.offers_inverse = true;
    state.choice = png_choice(QString(), 4000, true);
    int reports = 0;
    ExportDialog dialog(nullptr, state, [&reports](const ExportChoice& c) {
      ++reports;
      return QStringLiteral("report at %1").arg(c.dpi);
    });
    QCOMPARE(dialog.choice().path, QDir(QDir::tempPath()).filePath(QStringLiteral("encoder.png")));
    auto* format = dialog.findChild<QComboBox*>();
    QVERIFY(format);
    format->setCurrentIndex(format->findData(int(FileFormat::Gerber)));
    QCOMPARE(dialog.choice().format, FileFormat::Gerber);
    QCOMPARE(dialog.choice().path, QDir(QDir::tempPath()).filePath(QStringLiteral("encoder.gbr")));
    auto* dpi = dialog.findChild<QSpinBox*>();
    QCOMPARE(dpi->maximum(), 20000);
    dpi->setValue(12000);
    QTRY_VERIFY(dialog.findChild<QPlainTextEdit*>()->toPlainText() == QStringLiteral("report at 12000"));
    QVERIFY(reports >= 2);
    const ExportChoice c = dialog.choice();
    QCOMPARE(c.dpi, 12000);
    QVERIFY(c.crop && !c.inverse);
  }
};

VANTOR_GUI_TEST(ExportTest);

}  // namespace vantor::test

#include "export_test.moc"
