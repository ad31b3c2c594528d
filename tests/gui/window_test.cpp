// The windows with the program's dialogs replaced by scripted ones: their
// lifecycle and the end of the program, what each button does, the frames,
// the balance boxes and bars, the binder's load and read; Save read back by
// a bitmap reader of its own, Export against vantor-render, a failure of
// each kind with its message, the print dialog's memory, and design files
// saved and opened through the File menu.
#include <QAbstractSlider>
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QMenuBar>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <algorithm>
#include <csignal>
#include <memory>
#include <optional>
#include <sys/resource.h>
#include <variant>
#include <vector>

#include "absolute/absolute_renderer.h"
#include "bmp_reader.h"
#include "designers/abs_form.h"
#include "designers/inc_form.h"
#include "gui_test.h"
#include "output/image_window.h"

namespace vantor::test {
namespace {

// Windows opened by the main menu's buttons (or, for image windows, the
// registry), an image window loaded hidden as Save loads it, then the main
// menu left by Exit or its close box: `stay` are still on the screen, and
// the program ends when the last of them is closed (the about box by its
// own button).
struct EndRow {
  const char* name;
  std::vector<const char*> buttons;
  bool exit_button;
  std::vector<WindowId> stay;
};
const EndRow kEnds[] = {
    {"Exit alone", {}, true, {}},
    {"Exit keeps the about box", {"Command3", "Command4", "Command6"}, true, {WindowId::AboutFrm}},
    {"close box of the main menu",
     {"Command4", "Command3"},
     false,
     {WindowId::AbsForm, WindowId::IncForm, WindowId::AbsEncoderDraw}},
};

// A button pressed after ED was set to 3 (and Inc_form's zoom slider to
// 200): Draw (1) or Draw Inverse (2) draws the window's fields into its
// image window; the others open their dialogs (answered Cancel), unload the
// window with its image window, or do nothing.
struct ButtonRow {
  const char *name, *button;
  bool absolute;
  int draws, saves, prints, exports;
  bool unloads;
  const char* zoom_diam;  // Inc_form's afterwards
};
const ButtonRow kButtons[] = {
    {"Inc Draw", "Command1", false, 1, 0, 0, 0, false, "6"},
    {"Inc Draw Inverse", "Command5", false, 2, 0, 0, 0, false, "2"},
    {"Inc Save", "Command3", false, 0, 1, 0, 0, false, "2"},
    {"Inc Print", "Command4", false, 0, 0, 1, 0, false, "2"},
    {"Inc Export", "ExportButton", false, 0, 0, 0, 1, false, "2"},
    {"Inc Exit", "Command2", false, 0, 0, 0, 0, true, nullptr},
    {"Abs Draw", "Command1", true, 1, 0, 0, 0, false, nullptr},
    {"Abs Save", "Command3", true, 0, 1, 0, 0, false, nullptr},
    {"Abs Print", "Command4", true, 0, 0, 1, 0, false, nullptr},
    {"Abs Export", "ExportButton", true, 0, 0, 0, 1, false, nullptr},
    {"Abs Exit", "Command2", true, 0, 0, 0, 0, true, nullptr},
    {"Abs Draw Inverse does nothing", "Command11", true, 0, 0, 0, 0, false, nullptr},
    {"Abs Touch-up Off does nothing", "Command12", true, 0, 0, 0, 0, false, nullptr},
};

// A balance bar moved by the arrow keys writes its box and shows that it
// has the focus; then its box, typed into, moves it only when left: by Tab,
// by a click on Draw (the focus moves) or by Draw Inverse pressed from the
// keyboard (the focus stays).  Abs_form's box is an echo only.
enum Leave { kNone, kTab, kClickDraw, kInverseByKey };
struct BalanceRow {
  const char* name;
  bool absolute;
  const char *box, *typed, *shown;
  int value;
  Leave leave;
};
const BalanceRow kBalance[] = {
    {"balance1", false, "bal_1scroll", "7.6", "8", 8, kTab},
    {"balance2", false, "bal_2scroll", "-70", "-45", -45, kClickDraw},
    {"balance3", false, "bal_3scroll", "-70", "-45", -45, kInverseByKey},
    {"abs_bal", true, "abs_bal_txt", "", "", -1, kNone},
};

// Why the file at path does not hold exactly the surface; empty when it does.
QString differs_from(const QString& path, const Surface& surface) {
  const QByteArray bytes = file_bytes(path);
  QString error;
  const std::optional<Bmp> bmp = read_bmp(bytes, &error);
  if (!bmp) return path + QStringLiteral(": ") + error;
  const std::int32_t ppm = std::int32_t(std::lround(surface.pixels_per_inch() / 0.0254));
  if (bmp->size_field != std::uint32_t(bytes.size()) || bmp->bits != 1 || bmp->width != surface.width() ||
      bmp->height != surface.height() || bmp->x_ppm != ppm || bmp->y_ppm != ppm)
    return QStringLiteral("header of %1 x %2, %3 bits").arg(bmp->width).arg(bmp->height).arg(bmp->bits);
  for (int y = 0; y < surface.height(); ++y)
    for (int x = 0; x < surface.width(); ++x)
      if (bmp->at(x, y) != std::uint8_t(surface.pixel(x, y))) return QStringLiteral("pixel (%1, %2) differs").arg(x).arg(y);
  return {};
}

bool write_bytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList entries(const QString& folder) { return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden); }

// Writes beyond a few bytes fail as on a full disk, for root too.
struct FullDisk {
  rlimit saved{};
  FullDisk() {
    std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limit = saved;
    limit.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FullDisk() { setrlimit(RLIMIT_FSIZE, &saved); }
};

// Makes one entry as a user does: types into a box and tabs out of it,
// moves a scroll bar or slider, clicks a check box or option button.
void enter(QWidget* form, const QString& entry) {
  QWidget* w = child(form, qPrintable(entry.section(QLatin1Char('='), 0, 0)));
  if (auto* box = qobject_cast<QLineEdit*>(w)) retype(box, entry.section(QLatin1Char('='), 1));
  if (auto* box = qobject_cast<QLineEdit*>(w)) QTest::keyClick(box, Qt::Key_Tab);
  if (auto* bar = qobject_cast<QAbstractSlider*>(w)) bar->setValue(entry.section(QLatin1Char('='), 1).toInt());
  if (qobject_cast<QAbstractButton*>(w)) QTest::mouseClick(w, Qt::LeftButton);
}

// What every named control of the window holds.
QStringList controls_of(QWidget* form) {
  QStringList held;
  for (QWidget* w : form->findChildren<QWidget*>()) {
    const QString name = w->objectName() + QLatin1Char('=');
    if (auto* box = qobject_cast<QLineEdit*>(w)) held << name + box->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w); button && button->isCheckable())
      held << name + QString::number(button->isChecked());
    if (auto* bar = qobject_cast<QAbstractSlider*>(w)) held << name + QString::number(bar->value());
  }
  return held;
}

// A failure of each kind, after a first drawing: the message with the
// window's buttons, naming the file chosen in the Save, Export or Print
// dialog where there is one, with a reason; the picture stays where the
// design is refused before drawing; what was typed and an older file in
// the folder (old.bin, also the file chosen where none is named) stay.
struct FailureRow {
  const char* name;
  bool absolute;
  const char *box, *text, *button, *file;
  bool full_disk;
  std::string_view says;
  bool keeps_picture;
};
const FailureRow kFailures[] = {
    {"Inc invalid entry", false, "S2", "0", "Command1", nullptr, false, message_text(Message::InvalidEntry), true},
    {"Inc slots too long", false, "CH1_SL", "1.5", "Command5", nullptr, false, message_text(Message::SlotsTooLong), false},
    {"Inc resolution too high", false, "RES", "1e6", "Command1", nullptr, false, message_text(Message::ResolutionTooHigh), false},
    {"Abs invalid entry", true, "S2", "0", "Command1", nullptr, false, message_text(Message::InvalidEntry), true},
    {"Abs resolution too high", true, "Res_exp", "19", "Command1", nullptr, false, message_text(Message::AbsResolutionTooHigh), true},
    {"Save into no folder", false, "ED", "2", "Command3", "missing/disc.bmp", false, "could not be saved", true},
    {"Save on a full disk", true, "ED", "2", "Command3", "old.bin", true, "could not be saved", true},
    {"Export into no folder", true, "ED", "2", "ExportButton", "missing/disc.png", false, "could not be exported", true},
    {"Export of a refused design", true, "S2", "0", "ExportButton", nullptr, false, message_text(Message::InvalidEntry), true},
    {"Print on a printer that cannot start", false, "ED", "2", "Command4", "missing/out.pdf", false, "copy 1 of 2", true},
};

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<Windows> w_;
  std::unique_ptr<QTemporaryDir> dir_;
  WindowRegistry& reg() { return w_->registry; }
  ScriptedDialogs& dialogs() { return w_->dialogs; }
  QWidget* show(bool absolute) { return reg().show(absolute ? WindowId::AbsForm : WindowId::IncForm); }
  ImageWindow* image(bool absolute) { return reg().image_window(absolute ? WindowId::AbsEncoderDraw : WindowId::IncEncoderDraw); }

 private slots:
  void init() {
    w_ = std::make_unique<Windows>();
    reg().show(WindowId::TopForm);
    dir_ = std::make_unique<QTemporaryDir>();
  }
  void cleanup() { w_.reset(); }

  void the_program_ends_with_its_last_visible_window_data() { rows(kEnds); }
  void the_program_ends_with_its_last_visible_window() {
    QFETCH(int, row);
    const EndRow& r = kEnds[row];
    QSignalSpy ended(&reg(), &WindowRegistry::all_closed);
    QWidget* top = reg().window(WindowId::TopForm);
    for (const char* button : r.buttons) click(top, button);
    reg().show(WindowId::AbsEncoderDraw);
    reg().image_window(WindowId::IncEncoderDraw);
    if (r.exit_button) click(top, "Command5");
    else QVERIFY(top->close());
    for (int i = 0; i < kWindowCount; ++i)
      if (WindowId(i) != WindowId::IncEncoderDraw)
        QCOMPARE(reg().is_loaded(WindowId(i)), std::count(r.stay.begin(), r.stay.end(), WindowId(i)) == 1);
    for (WindowId id : r.stay) {
      QCOMPARE(ended.count(), 0);
      QVERIFY(reg().window(id)->isVisible());
      if (id == WindowId::AboutFrm) click(reg().window(id), "Command1");
      else reg().window(id)->close();
    }
    QCOMPARE(ended.count(), 1);
    for (int i = 0; i < kWindowCount; ++i) QVERIFY(!reg().is_loaded(WindowId(i)));
  }

  void buttons_do_their_actions_data() { rows(kButtons); }
  void buttons_do_their_actions() {
    QFETCH(int, row);
    const ButtonRow& r = kButtons[row];
    const WindowId form_id = r.absolute ? WindowId::AbsForm : WindowId::IncForm;
    const WindowId image_id = r.absolute ? WindowId::AbsEncoderDraw : WindowId::IncEncoderDraw;
    QWidget* form = reg().show(form_id);
    child<QLineEdit>(form, "ED")->setText(QStringLiteral("3"));
    if (!r.absolute) child<QSlider>(form, "ZoomCTRL")->setValue(200);
    QCOMPARE(reg().show(form_id), form);  // showing it again keeps what was typed
    QCOMPARE(child<QLineEdit>(form, "ED")->text(), QStringLiteral("3"));
    ImageWindow* image = reg().image_window(image_id);
    Surface expected = image->surface();
    if (r.draws && r.absolute)
      render_absolute(std::get<AbsoluteDesign>(build_absolute_design(static_cast<AbsForm*>(form)->entries())), expected);
    if (r.draws && !r.absolute)
      render_incremental(static_cast<IncForm*>(form)->design(), r.draws == 2 ? Polarity::Inverse : Polarity::Normal, expected);

    click(form, r.button);
    QVERIFY(dialogs().messages.empty());
    QCOMPARE(dialogs().save_requests.size(), std::size_t(r.saves));
    QCOMPARE(dialogs().print_requests.size(), std::size_t(r.prints));
    QCOMPARE(dialogs().export_requests.size(), std::size_t(r.exports));
    QCOMPARE(reg().is_loaded(form_id), !r.unloads);
    QCOMPARE(reg().is_loaded(image_id), !r.unloads);
    QVERIFY(reg().window(WindowId::TopForm)->isVisible());
    if (r.unloads) {  // loaded again, it starts from design-time values
      settle();
      QCOMPARE(child<QLineEdit>(reg().show(form_id), "ED")->text(), QStringLiteral("2"));
      return;
    }
    QCOMPARE(image->isVisible(), r.draws != 0);
    QVERIFY(image->surface() == expected);
    if (r.zoom_diam) QCOMPARE(child<QLineEdit>(form, "zoom_diam")->text(), QString::fromUtf8(r.zoom_diam));
  }

  // A frame draws its border and caption where none of its controls lies.
  void frames_leave_their_controls_clear_data() {
    QTest::addColumn<int>("id");
    QTest::newRow("Inc_form") << int(WindowId::IncForm);
    QTest::newRow("Abs_form") << int(WindowId::AbsForm);
  }
  void frames_leave_their_controls_clear() {
    QFETCH(int, id);
    QWidget* form = reg().show(WindowId(id));
    // The menu bar sits above the client area, which holds every control.
    const auto* bar = form->findChild<QMenuBar*>();
    QVERIFY(bar->isVisible() && bar->height() > 0);
    QCOMPARE(child(form, "client_area")->geometry(), QRect(0, bar->height(), form->width(), form->height() - bar->height()));
    const QList<QGroupBox*> frames = form->findChildren<QGroupBox*>();
    QVERIFY(!frames.isEmpty());
    for (QGroupBox* frame : frames) {
      const QRgb ground = frame->palette().color(QPalette::Window).rgb();
      QImage bare(frame->size(), QImage::Format_RGB32);
      bare.fill(ground);
      frame->render(&bare, QPoint(), QRegion(), QWidget::RenderFlags());  // without its controls
      const QList<QWidget*> controls = frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
      const auto by_top = [](const QWidget* a, const QWidget* b) { return a->y() < b->y(); };
      const int first = (*std::min_element(controls.begin(), controls.end(), by_top))->y();
      // The left border runs from above the first control to the bottom.
      QVERIFY2(bare.pixel(0, first) != ground && bare.pixel(0, bare.height() - 1) != ground,
               qPrintable(frame->objectName()));
      for (QWidget* control : controls) {
        const QRect r = control->geometry() & bare.rect();
        for (int y = r.top(); y <= r.bottom(); ++y)
          for (int x = r.left(); x <= r.right(); ++x)
            if (bare.pixel(x, y) != ground)
              QFAIL(qPrintable(QStringLiteral("%1 draws on %2 at (%3, %4)")
                                   .arg(frame->objectName(), control->objectName()).arg(x).arg(y)));
      }
    }
  }

  void balance_box_and_bar_data() { rows(kBalance); }
  void balance_box_and_bar() {
    QFETCH(int, row);
    const BalanceRow& r = kBalance[row];
    QWidget* form = show(r.absolute);
    QVERIFY(QTest::qWaitForWindowActive(form));
    auto* bar = child<QScrollBar>(form, r.name);
    auto* box = child<QLineEdit>(form, r.box);
    const QImage without_focus = bar->grab().toImage();
    bar->setFocus(Qt::TabFocusReason);
    QVERIFY(bar->grab().toImage() != without_focus);
    QTest::keyClick(bar, Qt::Key_Right);
    QCOMPARE(box->text(), QStringLiteral("1"));
    QTest::keyClick(bar, Qt::Key_Left);
    QTest::keyClick(bar, Qt::Key_Left);
    QCOMPARE(bar->value(), -1);
    QCOMPARE(box->text(), QStringLiteral("-1"));
    if (r.leave == kNone) return;
    retype(box, QString::fromUtf8(r.typed));
    QCOMPARE(bar->value(), -1);  // nothing happens before the box is left
    if (r.leave == kTab) QTest::keyClick(box, Qt::Key_Tab);
    if (r.leave == kClickDraw) click(form, "Command1");
    if (r.leave == kInverseByKey) child<QPushButton>(form, "Command5")->click();
    QCOMPARE(box->hasFocus(), r.leave == kInverseByKey);
    QCOMPARE(box->text(), QString::fromUtf8(r.shown));
    QCOMPARE(bar->value(), r.value);
  }

  // Every value away from its design-time one, a balance box that disagrees
  // with its bar, texts that are no numbers: loaded by a second binder, read
  // back by it and by the window's own.
  void binder_load_and_read() {
    const IncFormValues inc_values = {
        {Unit::Millimetre, "3", "x", "", "5", "1e3", 250,
         {{{ChannelType::Index, false, "1.5", IncEdgeMode::User, "0.5", "12.5"},
           {ChannelType::A, true, "", IncEdgeMode::User, "abc", "-45"},
           {ChannelType::B, false, "2.5", IncEdgeMode::Default, "1.25", "abc"}}}},
        {12, -3, 45}};
    auto* inc = static_cast<IncForm*>(reg().show(WindowId::IncForm));
    ControlBinder<IncFormValues> inc_binder(inc, incremental_fields());
    inc_binder.load(inc_values);
    QVERIFY(inc_binder.read() == inc_values);
    QVERIFY(inc->design() == inc_values.design);
    QCOMPARE(child<QLineEdit>(inc, "Zoom_txt")->text(), QStringLiteral("250"));

    const AbsoluteEntries abs_values = {Unit::Millimetre, "10", "3", "x", "40", "", "0.1", AbsEdgeMode::User, "abc",
                                        CodeType::Binary, -45};
    auto* abs = static_cast<AbsForm*>(reg().show(WindowId::AbsForm));
    ControlBinder<AbsoluteEntries> abs_binder(abs, absolute_fields());
    abs_binder.load(abs_values);
    QVERIFY(abs_binder.read() == abs_values);
    QVERIFY(abs->entries() == abs_values);
    QCOMPARE(child<QLineEdit>(abs, "abs_bal_txt")->text(), QStringLiteral("-45"));
  }

  // Save writes the image window's surface over a longer older file:
  // touched up by the mouse after Draw, or all white (the window loaded
  // hidden) when nothing was drawn; the next Save opens on the name and
  // folder chosen, and its Cancel writes nothing.
  void save_reads_back_data() {
    QTest::addColumn<bool>("absolute");
    QTest::addColumn<bool>("draw");
    QTest::newRow("Inc_form, nothing drawn") << false << false;
    QTest::newRow("Abs_form after Draw and touch-up") << true << true;
  }
  void save_reads_back() {
    QFETCH(bool, absolute);
    QFETCH(bool, draw);
    const QString file = dir_->filePath(QStringLiteral("disc.bmp"));
    QVERIFY(write_bytes(file, QByteArray(300000, 'x')));
    QWidget* form = show(absolute);
    if (draw) click(form, "Command1");
    if (draw) move_over(image(absolute)->picture(), {3, 4}, Qt::LeftButton);
    dialogs().save_answers = {dir_->filePath(QStringLiteral("disc")), std::nullopt};
    click(form, "Command3");
    click(form, "Command3");
    QVERIFY(dialogs().messages.empty());
    const Surface& s = image(absolute)->surface();
    QCOMPARE(image(absolute)->isVisible(), draw);
    QCOMPARE(s.pixel(3, 4) == Colour::Black, draw);
    QCOMPARE(std::count(s.data(), s.data() + s.width() * s.height(), 0x00) == 0, !draw);
    QCOMPARE(differs_from(file, s), QString());
    QCOMPARE(dialogs().save_requests.size(), std::size_t{2});
    QCOMPARE(dialogs().save_requests[1].file_name, QStringLiteral("disc.bmp"));
    QCOMPARE(dialogs().save_requests[1].folder, dir_->path());
    QCOMPARE(entries(dir_->path()), QStringList{QStringLiteral("disc.bmp")});
  }

  // The same entries made in the controls after a Draw of the design-time
  // values, then Export, give the command's file: the export writes the
  // fields as they stand, not the picture.
  void export_gives_the_commands_file_data() {
    QTest::addColumn<bool>("absolute");
    QTest::addColumn<QString>("entries");
    QTest::addColumn<bool>("inverse");
    QTest::newRow("incremental, design-time values") << false << "" << false;
    QTest::newRow("incremental, zoom, index, user edge, balances")
        << false << "RES=40 ED=1.75 DD=0.25 CH2_I CH3_A CH1_ED_U CH1_ED=0.1 bal_1scroll=20 bal_3scroll=-60 ZoomCTRL=150" << false;
    QTest::newRow("incremental inverse, scale, channel off, half balance")
        << false << "CH2_on=0 RES=25 S1=3 S2=2 balance2=12 bal_2scroll=12.5 ZoomCTRL=300" << true;
    QTest::newRow("incremental in mm, rounded balance")
        << false << "Unit_mm ED=50 DD=5 CH1_SL=4 CH2_SL=4 CH3_SL=3 RES=30 bal_2scroll=7.6 CH1_B" << false;
    QTest::newRow("absolute binary with balance") << true << "Bin_type Res_exp=8 abs_bal=-30" << false;
    QTest::newRow("absolute in mm, default edge") << true << "Unit_mm ED=50 DD=6 CH1_ED_Def SL_in=2 Res_exp=7 S1=2 S2=3" << false;
  }
  void export_gives_the_commands_file() {
    QFETCH(bool, absolute);
    QFETCH(QString, entries);
    QFETCH(bool, inverse);
    const QString window_file = dir_->filePath(QStringLiteral("window.png")), command_file = dir_->filePath(QStringLiteral("command.png"));
    const QStringList list = entries.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QWidget* form = show(absolute);
    QVERIFY(QTest::qWaitForWindowActive(form));
    click(form, "Command1");
    for (const QString& entry : list) enter(form, entry);
    dialogs().export_answers = {ExportChoice{FileFormat::Png, 300, true, inverse, window_file}};
    click(form, "ExportButton");
    QVERIFY2(dialogs().messages.empty(), qPrintable(dialogs().messages.empty() ? QString() : dialogs().messages[0].text));
    QStringList args = QStringList{absolute ? QStringLiteral("absolute") : QStringLiteral("incremental")} + list;
    if (inverse) args << QStringLiteral("--inverse");
    QProcess command;
    command.start(QStringLiteral(VANTOR_RENDER_PATH), args << "--dpi" << "300" << "--crop" << "-o" << command_file);
    QVERIFY(command.waitForFinished(60000));
    QCOMPARE(command.exitCode(), 0);
    QVERIFY(!file_bytes(window_file).isEmpty());
    QVERIFY2(file_bytes(window_file) == file_bytes(command_file), qPrintable(args.join(QLatin1Char(' '))));
  }

  // A design saved by the window (Ctrl+S) opens (Ctrl+O) in a fresh window
  // with the same controls and draws the same picture, or the same refusal;
  // so does the command from the file.
  void design_file_round_trip_data() {
    QTest::addColumn<bool>("absolute");
    QTest::addColumn<QString>("entries");
    QTest::addColumn<bool>("inverse");
    QTest::newRow("incremental, design-time values") << false << "" << false;
    QTest::newRow("incremental, zoom, index, user edge, balances")
        << false << "RES=40 ED=1.75 DD=0.25 CH2_I CH3_A CH1_ED_U CH1_ED=0.1 bal_1scroll=20 bal_3scroll=-60 ZoomCTRL=150" << false;
    QTest::newRow("incremental inverse, scale, channel off, half balance")
        << false << "CH2_on=0 RES=25 S1=3 S2=2 balance2=12 bal_2scroll=12.5 ZoomCTRL=300" << true;
    QTest::newRow("absolute in mm, binary, user edge, balance")
        << true << "Unit_mm ED=50 DD=6 Bin_type CH1_ED_U CH1_ED=0.2 SL_in=2 Res_exp=7 abs_bal=-30" << false;
    // Texts that cannot be drawn, kept as typed.
    QTest::newRow("incremental, letters in RES and a balance") << false << "RES=16x bal_2scroll=ten" << false;
    QTest::newRow("incremental inverse, quotes and a backslash") << false << "ED=a\"b\\c'#[x]" << true;
    QTest::newRow("absolute, empty S2") << true << "S2=" << false;
  }
  void design_file_round_trip() {
    QFETCH(bool, absolute);
    QFETCH(QString, entries);
    QFETCH(bool, inverse);
    const QString design = dir_->filePath(QStringLiteral("design.vantor")), drawn = dir_->filePath(QStringLiteral("d.bmp"));
    const QStringList list = entries.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const char* draw = inverse ? "Command5" : "Command1";
    QWidget* form = show(absolute);
    QVERIFY(QTest::qWaitForWindowActive(form));
    for (const QString& entry : list) enter(form, entry);
    const QStringList controls = controls_of(form);
    dialogs().save_answers = {design};
    QTest::keyClick(form, Qt::Key_S, Qt::ControlModifier);
    click(form, draw);
    const Surface drawing = image(absolute)->surface();
    const QString said = dialogs().messages.empty() ? QString() : dialogs().messages[0].text;

    QProcess command;
    command.start(QStringLiteral(VANTOR_RENDER_PATH), QStringList{design, QStringLiteral("-o"), drawn} +
                                                          (inverse ? QStringList{QStringLiteral("--inverse")} : QStringList{}));
    QVERIFY(command.waitForFinished(60000));
    QCOMPARE(command.exitCode(), said.isEmpty() ? 0 : 1);
    QCOMPARE(QString::fromUtf8(command.readAllStandardError()), said.isEmpty() ? said : said + QLatin1Char('\n'));
    if (said.isEmpty()) QCOMPARE(differs_from(drawn, drawing), QString());

    w_ = std::make_unique<Windows>();
    form = show(absolute);
    QVERIFY(QTest::qWaitForWindowActive(form));
    dialogs().open_answers = {design};
    QTest::keyClick(form, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(controls_of(form), controls);
    QVERIFY(form->windowTitle().endsWith(QStringLiteral(" - design.vantor")));
    click(form, draw);
    QVERIFY(image(absolute)->surface() == drawing);
    QCOMPARE(dialogs().messages.empty() ? QString() : dialogs().messages[0].text, said);
  }

  // A design of the other kind opens in Abs_form; a file that holds no
  // design changes nothing; Save Design offers the window's last file.
  void design_files_in_the_windows() {
    const QString absolute = dir_->filePath(QStringLiteral("abs.vantor"));
    auto* inc = static_cast<IncForm*>(show(false));
    QVERIFY(QTest::qWaitForWindowActive(inc));
    child<QLineEdit>(inc, "RES")->setText(QStringLiteral("40"));
    dialogs().open_answers = {absolute, absolute};
    QTest::keyClick(inc, Qt::Key_O, Qt::ControlModifier);  // not there yet
    QCOMPARE(dialogs().messages.size(), std::size_t{1});
    QVERIFY(dialogs().messages[0].text.startsWith(QStringLiteral("abs.vantor cannot be read")));
    QCOMPARE(QProcess::execute(QStringLiteral(VANTOR_RENDER_PATH), {QStringLiteral("absolute"), QStringLiteral("Res_exp=9"),
                                                                     QStringLiteral("--save-design"), absolute}),
             0);
    QTest::keyClick(inc, Qt::Key_O, Qt::ControlModifier);
    auto* other = qobject_cast<AbsForm*>(reg().window(WindowId::AbsForm));
    QVERIFY(other && other->isVisible() && other->entries().resolution_exp == "9");
    QCOMPARE(other->windowTitle(), QStringLiteral("Absolute Encoder - abs.vantor"));
    QCOMPARE(inc->windowTitle() + QString::fromStdString(inc->design().resolution), "Incremental Encoder40");
    dialogs().save_answers = {QStringLiteral("mine"), std::nullopt};
    for (int i = 0; i < 2; ++i) QTest::keyClick(inc, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(dialogs().save_requests[0].file_name + ", " + dialogs().save_requests[1].file_name, "encoder, mine.vantor");
    QCOMPARE(inc->windowTitle(), QStringLiteral("Incremental Encoder - mine.vantor"));
  }

  void failures_data() { rows(kFailures); }
  void failures() {
    QFETCH(int, row);
    const FailureRow& r = kFailures[row];
    const QString old = dir_->filePath(QStringLiteral("old.bin")), path = r.file ? dir_->filePath(r.file) : old;
    QVERIFY(write_bytes(old, "an older file"));
    QWidget* form = show(r.absolute);
    click(form, "Command1");
    image(r.absolute)->surface().data()[0] = 0x00;  // touched up, so that a redraw shows
    image(r.absolute)->hide();
    const Surface before = image(r.absolute)->surface();
    dialogs().save_answers = {path};
    dialogs().export_answers = {ExportChoice{FileFormat::Png, 96, false, false, path}};
    dialogs().print_answers = {2};
    dialogs().print_choices = {[path](QPrinter& printer) { printer.setOutputFileName(path); }};
    child<QLineEdit>(form, r.box)->setText(QString::fromUtf8(r.text));
    {
      std::optional<FullDisk> full;
      if (r.full_disk) full.emplace();
      click(form, r.button);
    }
    QCOMPARE(dialogs().messages.size(), std::size_t{1});
    const ScriptedDialogs::MessageSeen& m = dialogs().messages[0];
    QCOMPARE(m.title, app_title());
    QCOMPARE(m.buttons, !r.absolute && !r.file ? MessageButtons::OkCancel : MessageButtons::Ok);
    QVERIFY2(m.text.contains(qtext(r.says)) && !m.text.contains(u": .") && !m.text.contains(u"Unknown error"), qPrintable(m.text));
    QVERIFY2(!r.file || m.text.contains(QDir::toNativeSeparators(path)), qPrintable(m.text));
    QCOMPARE(image(r.absolute)->surface() == before, r.keeps_picture);
    QCOMPARE(image(r.absolute)->isVisible(), !r.absolute && !r.file);
    QCOMPARE(child<QLineEdit>(form, r.box)->text(), QString::fromUtf8(r.text));
    QCOMPARE(entries(dir_->path()), QStringList{QStringLiteral("old.bin")});
    QCOMPARE(file_bytes(old), QByteArray("an older file"));
  }

  // A design window's print dialog opens on the printer and settings chosen
  // in the one before, until the window is unloaded.
  void print_dialog_keeps_its_printer_while_the_window_is_loaded_data() {
    QTest::addColumn<bool>("absolute");
    QTest::newRow("Inc_form") << false;
    QTest::newRow("Abs_form") << true;
  }
  void print_dialog_keeps_its_printer_while_the_window_is_loaded() {
    QFETCH(bool, absolute);
    const QString pdf = dir_->filePath(QStringLiteral("chosen.pdf"));
    dialogs().print_answers = {1, std::nullopt, std::nullopt};
    dialogs().print_choices = {[&pdf](QPrinter& printer) {
      printer.setOutputFileName(pdf);
      printer.setPageSize(QPageSize(QPageSize::A5));
      printer.setPageOrientation(QPageLayout::Landscape);
      printer.setColorMode(QPrinter::GrayScale);
    }};
    QWidget* form = show(absolute);
    click(form, "Command4");
    click(form, "Command4");
    click(form, "Command2");
    settle();
    click(show(absolute), "Command4");
    QVERIFY(dialogs().messages.empty());
    QVERIFY(QFileInfo(pdf).size() > 0);
    QCOMPARE(dialogs().print_requests.size(), std::size_t{3});
    const ScriptedDialogs::PrinterSeen& second = dialogs().print_requests[1];
    QVERIFY(second == (ScriptedDialogs::PrinterSeen{second.printer_name, pdf, QPageSize::A5, QPageLayout::Landscape, QPrinter::GrayScale}));
    QVERIFY(dialogs().print_requests[2] == dialogs().print_requests[0]);
    QVERIFY(!(dialogs().print_requests[0] == second));
  }
};

VANTOR_GUI_TEST(WindowTest);

}  // namespace vantor::test

#include "window_test.moc"
