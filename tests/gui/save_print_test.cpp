// Save as bitmap and Print: the saved file read back by a reader of its own,
// the file and print dialogs, failures that must not damage a file or pass
// silently, and a printed PDF's image at natural size.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <cstdint>
#include <functional>
#include <random>
#include <sys/resource.h>

#include "bmp_reader.h"
#include "gui_test.h"
#include "output/image_output.h"
#include "output/image_window.h"
#include "output/picture_widget.h"
#include "pdf_probe.h"
#include "scripted_dialogs.h"
#include "ui/dialogs.h"
#include "shell/window_registry.h"

namespace vantor::test {
namespace {

bool write_bytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Checks that the file at path holds exactly the surface; the reason of the
// first difference otherwise.
QString compare_file_with(const QString& path, const Surface& surface) {
  const QByteArray bytes = file_bytes(path);
  QString error;
  const std::optional<Bmp> bmp = read_bmp(bytes, &error);
  if (!bmp) return path + QStringLiteral(": ") + error;
  if (bmp->size_field != static_cast<std::uint32_t>(bytes.size()))
    return QStringLiteral("size field %1, file %2 bytes").arg(bmp->size_field).arg(bytes.size());
  if (bmp->width != surface.width() || bmp->height != surface.height())
    return QStringLiteral("size %1 x %2, surface %3 x %4")
        .arg(bmp->width).arg(bmp->height).arg(surface.width()).arg(surface.height());
  if (bmp->bits != 1) return QStringLiteral("%1 bits per pixel").arg(bmp->bits);
  const std::int32_t ppm = static_cast<std::int32_t>(std::lround(surface.pixels_per_inch() / 0.0254));
  if (bmp->x_ppm != ppm || bmp->y_ppm != ppm)
    return QStringLiteral("resolution %1 x %2 per metre, expected %3").arg(bmp->x_ppm).arg(bmp->y_ppm).arg(ppm);
  for (int y = 0; y < surface.height(); ++y)
    for (int x = 0; x < surface.width(); ++x)
      if (bmp->pixels[static_cast<std::size_t>(y) * bmp->width + x] != static_cast<std::uint8_t>(surface.pixel(x, y)))
        return QStringLiteral("pixel (%1, %2) differs").arg(x).arg(y);
  return {};
}

// Random black and white pixels, a filled disc, and touch-up in both
// colours at the corners and the centre.
Surface pattern_surface(int width, int height, double ppi, unsigned seed) {
  Surface surface(width, height, ppi);
  std::mt19937 random(seed);
  std::uint8_t* p = surface.data();
  for (int i = 0; i < width * height; ++i) p[i] = (random() & 1) ? 0xFF : 0x00;
  surface.set_scale_mode(ScaleMode::Inch);
  surface.set_fill_style(FillStyle::Solid);
  (void)surface.circle(static_cast<float>(width / 2.0 / ppi), static_cast<float>(height / 2.0 / ppi),
                       static_cast<float>(std::min(width, height) / 4.0 / ppi));
  const double u = surface.pixels_per_unit();
  auto touch = [&](int buttons, int i, int j) {
    touch_up(surface, buttons, static_cast<float>((i + 0.5) / u), static_cast<float>((j + 0.5) / u));
  };
  touch(1, 0, 0);
  touch(2, width - 1, height - 1);
  touch(2, width / 2, height / 2);
  touch(1, width - 1, 0);
  return surface;
}

QStringList entries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

// Runs act on the modal widget of type T once it is shown, from the event
// loop; a modal widget that does not appear within a few seconds is closed,
// so that no dialog can block the test.
template <class T>
void on_modal(std::function<void(T*)> act, int attempts = 400) {
  QTimer::singleShot(10, qApp, [act, attempts] {
    if (auto* widget = qobject_cast<T*>(QApplication::activeModalWidget()); widget && widget->isVisible()) {
      act(widget);
    } else if (attempts > 0) {
      on_modal<T>(act, attempts - 1);
    } else if (QWidget* stuck = QApplication::activeModalWidget()) {
      qWarning("closing a modal %s that was not expected", stuck->metaObject()->className());
      stuck->close();
    }
  });
}

// Makes writes beyond a few bytes fail as on a full disk, for root too.
class FullDisk {
 public:
  explicit FullDisk(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FullDisk() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, old_handler_);
  }

 private:
  rlimit saved_{};
  void (*old_handler_)(int) = nullptr;
};

SaveDialogState state_in(const QString& folder, const QString& name) {
  SaveDialogState state;
  state.folder = folder;
  state.file_name = name;
  return state;
}

}  // namespace

class SavePrintTest : public QObject {
  Q_OBJECT

 private slots:
  void round_trip_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<double>("ppi");
    QTest::newRow("picture at 96 ppi") << Surface::picture_width() << Surface::picture_height() << 96.0;
    QTest::newRow("one pixel") << 1 << 1 << 96.0;
    QTest::newRow("31 wide, padded row") << 31 << 3 << 96.0;
    QTest::newRow("32 wide, no padding") << 32 << 2 << 96.0;
    QTest::newRow("33 wide, 5 bytes a row") << 33 << 5 << 96.0;
    QTest::newRow("tall and narrow") << 3 << 40 << 96.0;
    QTest::newRow("200 ppi") << 70 << 45 << 200.0;
    QTest::newRow("picture at 300 ppi") << Surface::picture_width(300) << Surface::picture_height(300) << 300.0;
  }
  void round_trip() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(double, ppi);
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    dialogs.save_answers = {QStringLiteral("art")};
    SaveDialogState state = state_in(dir.path(), QStringLiteral("encoder"));
    const Surface surface = pattern_surface(width, height, ppi, static_cast<unsigned>(width * 131 + height));
    const Surface before = surface;

    save_with_dialog(nullptr, dialogs, state, surface);

    QVERIFY(dialogs.messages.empty());
    QCOMPARE(compare_file_with(dir.filePath(QStringLiteral("art.bmp")), surface), QString());
    QVERIFY(surface == before);
  }

  // The forms hand over the surface of an image window loaded hidden.
  void untouched_picture_saves_all_white() {
    QTemporaryDir dir;
    ImageWindow window(kAbsEncoderDraw);
    const QString path = dir.filePath(QStringLiteral("blank.bmp"));
    QCOMPARE(write_bitmap(window.surface(), path), std::optional<QString>());
    const std::optional<Bmp> bmp = [&] { QString e; return read_bmp(file_bytes(path), &e); }();
    QVERIFY(bmp);
    QCOMPARE(bmp->width, 863);
    QCOMPARE(bmp->height, 596);
    QCOMPARE(bmp->x_ppm, 3780);
    QVERIFY(std::all_of(bmp->pixels.begin(), bmp->pixels.end(), [](std::uint8_t v) { return v == 0xFF; }));
  }

  void touch_up_in_the_picture_is_saved() {
    QTemporaryDir dir;
    ImageWindow window(kIncEncoderDraw);
    PictureWidget* picture = window.picture();
    auto drag = [picture](QPoint at, Qt::MouseButtons held) {
      const QPoint local = at + picture->contentsRect().topLeft();
      QMouseEvent move(QEvent::MouseMove, local, picture->mapToGlobal(local), Qt::NoButton, held, Qt::NoModifier);
      QApplication::sendEvent(picture, &move);
    };
    drag({10, 20}, Qt::LeftButton);
    drag({11, 20}, Qt::LeftButton);
    drag({11, 20}, Qt::RightButton);
    drag({500, 300}, Qt::LeftButton);
    QCOMPARE(window.surface().pixel(10, 20), Colour::Black);
    QCOMPARE(window.surface().pixel(11, 20), Colour::White);

    const QString path = dir.filePath(QStringLiteral("touched.bmp"));
    QCOMPARE(write_bitmap(window.surface(), path), std::optional<QString>());
    QCOMPARE(compare_file_with(path, window.surface()), QString());
  }

  void file_names_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");  // relative to the folder
    QTest::newRow("no extension gets .bmp") << "disc1" << "disc1.bmp";
    QTest::newRow("other extension kept, still BMP") << "disc2.png" << "disc2.png";
    QTest::newRow("into a subfolder") << "sub/disc3" << "sub/disc3.bmp";
  }
  void file_names() {
    QFETCH(QString, typed);
    QFETCH(QString, written);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    ScriptedDialogs dialogs;
    dialogs.save_answers = {typed, std::nullopt};
    SaveDialogState state = state_in(dir.path(), QStringLiteral("encoder"));
    const Surface surface = pattern_surface(40, 30, 96, 7);

    save_with_dialog(nullptr, dialogs, state, surface);
    const QFileInfo expected(dir.filePath(written));
    QCOMPARE(compare_file_with(expected.filePath(), surface), QString());

    // The next Save opens on the name and folder chosen; its Cancel writes
    // nothing more.
    const QStringList after_first = entries(expected.absolutePath());
    save_with_dialog(nullptr, dialogs, state, surface);
    QCOMPARE(dialogs.save_requests.size(), std::size_t{2});
    QCOMPARE(dialogs.save_requests[0].file_name, QStringLiteral("encoder"));
    QCOMPARE(dialogs.save_requests[1].file_name, expected.fileName());
    QCOMPARE(QDir(dialogs.save_requests[1].folder).canonicalPath(), QDir(expected.absolutePath()).canonicalPath());
    QCOMPARE(dialogs.save_requests[1].default_suffix, QStringLiteral("bmp"));
    QCOMPARE(dialogs.save_requests[1].filter, QStringLiteral("*.bmp"));
    QCOMPARE(entries(expected.absolutePath()), after_first);
    QVERIFY(dialogs.messages.empty());
  }

  void cancel_writes_nothing() {
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    dialogs.save_answers = {std::nullopt};
    SaveDialogState state = state_in(dir.path(), QStringLiteral("ABS_encoder1"));
    save_with_dialog(nullptr, dialogs, state, pattern_surface(20, 20, 96, 1));
    QCOMPARE(dialogs.save_requests.size(), std::size_t{1});
    QVERIFY(entries(dir.path()).isEmpty());
    QVERIFY(dialogs.messages.empty());
    QCOMPARE(state.file_name, QStringLiteral("ABS_encoder1"));
  }

  // Both design windows, through their buttons: the dialog's first name in
  // the home folder, the name and folder kept for the next Save, the image
  // window's surface written (all white when nothing was drawn, its window
  // then loaded hidden), and Print's Cancel printing nothing.
  void design_windows_data() {
    QTest::addColumn<int>("form");
    QTest::addColumn<int>("image");
    QTest::addColumn<QString>("first_name");
    QTest::addColumn<bool>("draw_first");
    QTest::newRow("Inc_form, nothing drawn") << int(WindowId::IncForm) << int(WindowId::IncEncoderDraw) << "encoder" << false;
    QTest::newRow("Inc_form after Draw") << int(WindowId::IncForm) << int(WindowId::IncEncoderDraw) << "encoder" << true;
    QTest::newRow("Abs_form, nothing drawn") << int(WindowId::AbsForm) << int(WindowId::AbsEncoderDraw) << "ABS_encoder1" << false;
    QTest::newRow("Abs_form after Draw") << int(WindowId::AbsForm) << int(WindowId::AbsEncoderDraw) << "ABS_encoder1" << true;
  }
  void design_windows() {
    QFETCH(int, form);
    QFETCH(int, image);
    QFETCH(QString, first_name);
    QFETCH(bool, draw_first);
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    WindowRegistry registry(dialogs);
    QWidget* window = registry.show(static_cast<WindowId>(form));
    if (draw_first) click(window, "Command1");
    dialogs.save_answers = {dir.filePath(QStringLiteral("first")), std::nullopt};
    dialogs.print_answers = {std::nullopt};

    click(window, "Command3");
    click(window, "Command3");
    click(window, "Command4");

    QCOMPARE(dialogs.save_requests.size(), std::size_t{2});
    QCOMPARE(dialogs.save_requests[0].file_name, first_name);
    QCOMPARE(dialogs.save_requests[0].folder, QDir::homePath());
    QCOMPARE(dialogs.save_requests[0].default_suffix, QStringLiteral("bmp"));
    QCOMPARE(dialogs.save_requests[0].filter, QStringLiteral("*.bmp"));
    QCOMPARE(dialogs.save_requests[1].file_name, QStringLiteral("first.bmp"));
    QCOMPARE(QDir(dialogs.save_requests[1].folder).canonicalPath(), QDir(dir.path()).canonicalPath());
    QCOMPARE(dialogs.print_requests.size(), std::size_t{1});
    QVERIFY(dialogs.messages.empty());
    QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("first.bmp")});

    auto* picture_window = static_cast<ImageWindow*>(registry.window(static_cast<WindowId>(image)));
    QVERIFY(picture_window);
    QCOMPARE(picture_window->isVisible(), draw_first);
    const Surface& surface = picture_window->surface();
    QCOMPARE(compare_file_with(dir.filePath(QStringLiteral("first.bmp")), surface), QString());
    const bool all_white = std::all_of(surface.data(), surface.data() + surface.width() * surface.height(),
                                       [](std::uint8_t v) { return v == 0xFF; });
    QCOMPARE(all_white, !draw_first);
  }

  void replaces_a_longer_file_completely() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.bmp"));
    QVERIFY(write_bytes(path, QByteArray(300000, 'x')));
    ScriptedDialogs dialogs;
    dialogs.save_answers = {path};
    SaveDialogState state = state_in(dir.path(), QStringLiteral("encoder"));
    const Surface surface = pattern_surface(64, 48, 96, 3);
    save_with_dialog(nullptr, dialogs, state, surface);
    QVERIFY(dialogs.messages.empty());
    QCOMPARE(compare_file_with(path, surface), QString());
    QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("old.bmp")});
  }

  void failed_write_keeps_the_old_file_and_says_why_data() {
    QTest::addColumn<QString>("target");     // relative to the folder
    QTest::addColumn<bool>("existing");      // a file stands at the target
    QTest::addColumn<bool>("full_disk");
    QTest::newRow("folder does not exist") << "missing/disc.bmp" << false << false;
    QTest::newRow("folder is a file") << "plain.txt/disc.bmp" << false << false;
    QTest::newRow("disk full over an existing file") << "disc.bmp" << true << true;
  }
  void failed_write_keeps_the_old_file_and_says_why() {
    QFETCH(QString, target);
    QFETCH(bool, existing);
    QFETCH(bool, full_disk);
    QTemporaryDir dir;
    QVERIFY(write_bytes(dir.filePath(QStringLiteral("plain.txt")), "not a folder"));
    const QString path = dir.filePath(target);
    const QByteArray old_bytes = QByteArray("BM an older picture, kept as it was ") + QByteArray(100, '\x5a');
    if (existing) QVERIFY(write_bytes(path, old_bytes));
    const QStringList before = entries(dir.path());
    ScriptedDialogs dialogs;
    dialogs.save_answers = {path};
    SaveDialogState state = state_in(dir.path(), QStringLiteral("encoder"));
    const Surface surface = pattern_surface(863, 596, 96, 11);
    const Surface drawing = surface;

    {
      std::optional<FullDisk> full;
      if (full_disk) full.emplace(4096);
      save_with_dialog(nullptr, dialogs, state, surface);
    }

    QCOMPARE(dialogs.messages.size(), std::size_t{1});
    QCOMPARE(dialogs.messages[0].title, QStringLiteral("Vantor"));
    QCOMPARE(dialogs.messages[0].buttons, MessageButtons::Ok);
    const QString text = dialogs.messages[0].text;
    QVERIFY2(text.contains(QDir::toNativeSeparators(path)), qPrintable(text));
    const QString reason = text.mid(text.indexOf(QStringLiteral("\": ")) + 3);
    QVERIFY2(reason.size() > 2 && !reason.contains(QStringLiteral("Unknown error")), qPrintable(text));
    QCOMPARE(entries(dir.path()), before);
    if (existing) QCOMPARE(file_bytes(path), old_bytes);
    QVERIFY(surface == drawing);
  }

  // The real file dialog, driven like a user: it opens on the state's folder
  // and name with the one filter, appends the suffix, asks before replacing.
  void qt_save_dialog_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<int>("confirm");  // the answer to "replace?", when asked
    QTest::addColumn<QString>("result");  // file name returned; empty: Cancel
    QTest::newRow("new name gets the suffix") << "disc1" << false << 0 << "disc1.bmp";
    QTest::newRow("existing, replace") << "old.bmp" << true << int(QMessageBox::Yes) << "old.bmp";
    QTest::newRow("existing, decline, then cancel") << "old" << true << int(QMessageBox::No) << "";
    QTest::newRow("cancel") << "" << false << 0 << "";
  }
  void qt_save_dialog() {
    QFETCH(QString, typed);
    QFETCH(bool, exists);
    QFETCH(int, confirm);
    QFETCH(QString, result);
    QTemporaryDir dir;
    if (exists) QVERIFY(write_bytes(dir.filePath(QStringLiteral("old.bmp")), "old"));
    SaveDialogState state = state_in(dir.path(), QStringLiteral("encoder"));
    QString opened_folder, opened_name;
    QStringList filters;
    QString suffix;
    bool confirms = false, asked = false;

    on_modal<QFileDialog>([&](QFileDialog* dialog) {
      opened_folder = dialog->directory().absolutePath();
      auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      opened_name = edit ? edit->text() : QString();
      filters = dialog->nameFilters();
      suffix = dialog->defaultSuffix();
      confirms = !dialog->testOption(QFileDialog::DontConfirmOverwrite) && dialog->acceptMode() == QFileDialog::AcceptSave;
      if (typed.isEmpty() || !edit) {
        dialog->reject();
        return;
      }
      edit->setText(typed);
      if (exists) {
        on_modal<QMessageBox>([&](QMessageBox* box) {
          asked = true;
          box->button(static_cast<QMessageBox::StandardButton>(confirm))->click();
        });
        // Declining leaves the file dialog open; the user then cancels it.
        if (confirm == QMessageBox::No) on_modal<QFileDialog>([](QFileDialog* again) { again->reject(); });
      }
      static_cast<QDialog*>(dialog)->accept();  // QFileDialog's own accept, as the Save button does
    });
    QtDialogs dialogs;
    const std::optional<QString> chosen = dialogs.save_file(nullptr, state);

    QCOMPARE(QDir(opened_folder).canonicalPath(), QDir(dir.path()).canonicalPath());
    QCOMPARE(opened_name, QStringLiteral("encoder"));
    QCOMPARE(filters, QStringList{QStringLiteral("*.bmp")});
    QCOMPARE(suffix, QStringLiteral("bmp"));
    QVERIFY(confirms);
    QCOMPARE(asked, exists);
    if (result.isEmpty()) {
      QVERIFY(!chosen);
      QCOMPARE(state.file_name, QStringLiteral("encoder"));
    } else {
      QVERIFY(chosen);
      QCOMPARE(QFileInfo(*chosen).fileName(), result);
      QCOMPARE(QFileInfo(*chosen).absolutePath(), QFileInfo(dir.filePath(result)).absolutePath());
      QCOMPARE(state.file_name, result);
      QCOMPARE(QDir(state.folder).canonicalPath(), QDir(dir.path()).canonicalPath());
    }
  }

  // The real print dialog: the copies chosen come back, the printer's own
  // count stays at 1.
  void qt_print_dialog_data() {
    QTest::addColumn<int>("copies");  // 0: Cancel
    QTest::newRow("three copies") << 3;
    QTest::newRow("one copy") << 1;
    QTest::newRow("cancel") << 0;
  }
  void qt_print_dialog() {
    QFETCH(int, copies);
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("out.pdf")));
    printer.setCopyCount(5);
    int opened_with = -1;
    on_modal<QPrintDialog>([&](QPrintDialog* dialog) {
      auto* spin = dialog->findChild<QSpinBox*>(QStringLiteral("copies"));
      opened_with = spin ? spin->value() : -1;
      if (copies == 0 || !spin) {
        dialog->reject();
        return;
      }
      spin->setValue(copies);
      static_cast<QDialog*>(dialog)->accept();
    });
    QtDialogs dialogs;
    const std::optional<int> chosen = dialogs.print_setup(nullptr, printer);
    QCOMPARE(opened_with, 1);
    QCOMPARE(chosen, copies == 0 ? std::optional<int>() : std::optional<int>(copies));
    QCOMPARE(printer.copyCount(), 1);
    QVERIFY(entries(dir.path()).isEmpty());
  }

  // The real message box offers the buttons asked for.
  void qt_message_box_data() {
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("shown");
    QTest::newRow("information") << int(MessageButtons::Ok) << int(QMessageBox::Ok);
    QTest::newRow("ending an action") << int(MessageButtons::OkCancel) << int(QMessageBox::Ok | QMessageBox::Cancel);
  }
  void qt_message_box() {
    QFETCH(int, buttons);
    QFETCH(int, shown);
    int offered = 0;
    on_modal<QMessageBox>([&](QMessageBox* box) {
      offered = int(box->standardButtons());
      box->button(QMessageBox::Ok)->click();
    });
    QtDialogs dialogs;
    dialogs.message(nullptr, app_title(), QStringLiteral("text"), static_cast<MessageButtons>(buttons));
    QCOMPARE(offered, shown);
  }

  // A design window's print dialog opens on the printer and settings chosen
  // in the one before, until the window is unloaded.
  void print_dialog_keeps_its_printer_while_the_window_is_loaded_data() {
    QTest::addColumn<int>("form");
    QTest::newRow("Inc_form") << int(WindowId::IncForm);
    QTest::newRow("Abs_form") << int(WindowId::AbsForm);
  }
  void print_dialog_keeps_its_printer_while_the_window_is_loaded() {
    QFETCH(int, form);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("chosen.pdf"));
    ScriptedDialogs dialogs;
    WindowRegistry registry(dialogs);
    QWidget* window = registry.show(static_cast<WindowId>(form));
    dialogs.print_answers = {1, std::nullopt, std::nullopt};
    dialogs.print_choices = {[&pdf](QPrinter& printer) {
      printer.setOutputFileName(pdf);
      printer.setPageSize(QPageSize(QPageSize::A5));
      printer.setPageOrientation(QPageLayout::Landscape);
      printer.setColorMode(QPrinter::GrayScale);
    }};

    click(window, "Command4");
    click(window, "Command4");
    click(window, "Command2");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    click(registry.show(static_cast<WindowId>(form)), "Command4");

    QVERIFY(dialogs.messages.empty());
    QVERIFY(QFileInfo(pdf).size() > 0);
    QCOMPARE(dialogs.print_requests.size(), std::size_t{3});
    const ScriptedDialogs::PrinterSeen& second = dialogs.print_requests[1];
    QCOMPARE(second.output_file, pdf);
    QCOMPARE(second.page_size, QPageSize::A5);
    QCOMPARE(second.orientation, QPageLayout::Landscape);
    QCOMPARE(second.colour, QPrinter::GrayScale);
    QVERIFY(dialogs.print_requests[2] == dialogs.print_requests[0]);
    QVERIFY(!(dialogs.print_requests[0] == second));
  }

  void print_cancel_prints_nothing() {
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("out.pdf")));
    ScriptedDialogs dialogs;
    dialogs.print_answers = {std::nullopt};
    print_with_dialog(nullptr, dialogs, printer, pattern_surface(50, 50, 96, 5));
    QCOMPARE(dialogs.print_requests.size(), std::size_t{1});
    QVERIFY(entries(dir.path()).isEmpty());
    QVERIFY(dialogs.messages.empty());
  }

  void printer_that_cannot_start_is_reported() {
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString target = dir.filePath(QStringLiteral("missing/out.pdf"));
    printer.setOutputFileName(target);
    ScriptedDialogs dialogs;
    dialogs.print_answers = {2};
    print_with_dialog(nullptr, dialogs, printer, pattern_surface(50, 50, 96, 5));
    QCOMPARE(dialogs.messages.size(), std::size_t{1});
    QCOMPARE(dialogs.messages[0].title, QStringLiteral("Vantor"));
    QCOMPARE(dialogs.messages[0].buttons, MessageButtons::Ok);
    QVERIFY2(dialogs.messages[0].text.contains(target), qPrintable(dialogs.messages[0].text));
    QVERIFY2(dialogs.messages[0].text.contains(QStringLiteral("copy 1 of 2")), qPrintable(dialogs.messages[0].text));
  }

  // On a PDF printer (no margins) the page holds the image at its natural
  // size at the top-left corner, one page however many copies the printer
  // itself was set to.
  void printed_page_holds_the_image_at_natural_size() {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setCopyCount(3);
    ScriptedDialogs dialogs;
    dialogs.print_answers = {1};
    const Surface surface = pattern_surface(Surface::picture_width(), Surface::picture_height(), 96, 21);
    print_with_dialog(nullptr, dialogs, printer, surface);
    QVERIFY(dialogs.messages.empty());

    QString error;
    const std::optional<PdfInfo> info = probe_pdf(pdf, &error);
    QVERIFY2(info, qPrintable(error));
    QCOMPARE(info->pages, 1);
    QCOMPARE(info->images.size(), std::size_t{1});
    QCOMPARE(info->images[0].width, surface.width());
    QCOMPARE(info->images[0].height, surface.height());
    QCOMPARE(info->images[0].x_ppi, 96.0);
    QCOMPARE(info->images[0].y_ppi, 96.0);
    constexpr int kDpi = 384;  // four rendering pixels to an image pixel
    const QImage page = render_first_page(pdf, kDpi, &error);
    QVERIFY2(!page.isNull(), qPrintable(error));
    long long compared = 0;
    const double twip = kDpi / 1440.0;
    QCOMPARE(count_mismatches(surface, page, kDpi / 96.0, twip, twip, &compared), 0LL);
    // A4 is narrower than the picture: only its right edge is cut off.
    QVERIFY(compared >= surface.height() * static_cast<long long>(page.width() / (kDpi / 96.0) - 1));
  }
};

VANTOR_GUI_TEST(SavePrintTest);

}  // namespace vantor::test

#include "save_print_test.moc"
