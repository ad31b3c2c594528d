// The windows with the program's dialogs replaced by scripted ones: what
// each button does, Save read back by a bitmap reader of its own, the print
// dialog's memory, the balance boxes and bars, Export and design files
// against vantor-render, a failure of each kind with its message, the end
// of the program, touch-up, and the locked boxes.
#include <QAbstractSlider>
#include <QClipboard>
#include <QDir>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <csignal>
#include <memory>
#include <optional>
#include <sys/resource.h>
#include <vector>

#include "bmp_reader.h"
#include "gui_test.h"
#include "test_support.h"
#include "output/export_dialog.h"
#include "output/image_window.h"

namespace vantor::test {
namespace {

// A button pressed after ED was set to 3 (and Inc_form's zoom slider to
// 200): Draw and Draw Inverse draw into the image window and show it (what
// they draw is checked against the command); Save writes the picture, loaded
// hidden, to the file chosen, and the next Save opens on that file; Print
// prints on the printer chosen, and the next Print opens on it; Export
// opens its dialog (answered Cancel); Exit unloads the window with its
// image window, and the window loaded again starts afresh.  Draw and Export
// of both windows are also pressed in the tests of entries and failures.
struct ButtonRow {
  const char *name, *button;
  bool absolute, draws;
  const char* opens;  // the dialog the button opens
  bool unloads;
  const char* zoom_diam;  // Inc_form's afterwards
};
const ButtonRow kButtons[] = {
    {"Inc Draw", "Command1", false, true, "", false, "6"},
    {"Inc Draw Inverse", "Command5", false, true, "", false, "2"},
    {"Inc Save", "Command3", false, false, "save", false, "2"},
    {"Inc Print", "Command4", false, false, "print", false, "2"},
    {"Inc Exit", "Command2", false, false, "", true, nullptr},
    {"Abs Save", "Command3", true, false, "save", false, nullptr},
    {"Abs Print", "Command4", true, false, "print", false, nullptr},
    {"Abs Exit", "Command2", true, false, "", true, nullptr},
};

// A balance bar moved by an arrow key writes its box and shows that it
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
    {"Inc slots too long", false, "CH1_SL", "1.5", "Command5", nullptr, false, message_text(Message::SlotsTooLong), false},
    {"Abs invalid entry", true, "S2", "0", "Command1", nullptr, false, message_text(Message::InvalidEntry), true},
    {"Save on a full disk", true, "ED", "2", "Command3", "old.bin", true, "could not be saved", true},
    {"Export into no folder", true, "ED", "2", "ExportButton", "missing/disc.png", false, "could not be exported", true},
    {"Print on a printer that cannot start", false, "ED", "2", "Command4", "missing/out.pdf", false, "copy 1 of 2", true},
};

// Entries made in a window (see entries_give_the_commands_files), drawn
// normal or inverse; the refused ones are texts that cannot be drawn, kept
// as typed.
struct EntriesRow {
  const char* name;
  bool absolute;
  const char* entries;
  bool inverse, refused;
};
const EntriesRow kEntries[] = {
    {"incremental, design-time values", false, "", false, false},
    {"incremental, zoom, index, user edge, balances", false,
     "RES=40 ED=1.75 DD=0.25 CH2_I CH3_A CH1_ED_U CH1_ED=0.1 bal_1scroll=20 bal_3scroll=-60 ZoomCTRL=150", false, false},
    {"incremental inverse, scale, channel off, half balance", false,
     "CH2_on=0 RES=25 S1=3 S2=2 balance2=12 bal_2scroll=12.5 ZoomCTRL=300", true, false},
    {"incremental in mm, rounded balance", false, "Unit_mm ED=50 DD=5 CH1_SL=4 CH2_SL=4 CH3_SL=3 RES=30 bal_2scroll=7.6 CH1_B",
     false, false},
    {"absolute in mm, binary, user edge, balance", true,
     "Unit_mm ED=50 DD=6 Bin_type CH1_ED_U CH1_ED=0.2 SL_in=2 Res_exp=7 abs_bal=-30", false, false},
    {"absolute, Gray over the whole turn, balance", true, "gray_full_type Res_exp=5 abs_bal=20", false, false},
    {"absolute in mm, default edge", true, "Unit_mm ED=50 DD=6 CH1_ED_Def SL_in=2 Res_exp=7 S1=2 S2=3", false, false},
    {"incremental, letters in RES and a balance", false, "RES=16x bal_2scroll=ten", false, true},
    {"incremental inverse, quotes and a backslash", false, "ED=a\"b\\c'#[x]", true, true},
    {"absolute, empty S2", true, "S2=", false, true},
};

// vantor-render's exit code and standard error.
QString render(const QStringList& args) {
  const Run r = run(QStringLiteral(VANTOR_RENDER_PATH), args);
  return QStringLiteral("exit %1: %2").arg(r.status).arg(QString::fromUtf8(r.err));
}

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

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<Windows> w_;
  std::unique_ptr<QTemporaryDir> dir_;
  WindowRegistry& reg() { return w_->registry; }
  ScriptedDialogs& dialogs() { return w_->dialogs; }
  QWidget* show(bool absolute) { return reg().show(absolute ? WindowId::AbsForm : WindowId::IncForm); }
  ImageWindow* image(bool absolute) { return reg().image_window(absolute ? WindowId::AbsEncoderDraw : WindowId::IncEncoderDraw); }
  QString said(std::size_t i) { return i < dialogs().messages.size() ? dialogs().messages[i].text : QString(); }

 private slots:
  void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
  void init() {
    w_ = std::make_unique<Windows>();
    reg().show(WindowId::TopForm);
    dir_ = std::make_unique<QTemporaryDir>();
  }
  void cleanup() { w_.reset(); }

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
    const Surface before = image->surface();
    const QString file = dir_->filePath(QStringLiteral("disc.bmp"));
    dialogs().save_answers = {dir_->filePath(QStringLiteral("disc")), std::nullopt};
    const QString pdf = dir_->filePath(QStringLiteral("chosen.pdf"));
    dialogs().print_answers = {1, std::nullopt, std::nullopt};
    dialogs().print_choices = {[pdf](QPrinter& printer) { printer.setOutputFileName(pdf); }};
    if (r.unloads) {  // a printer chosen before the window is unloaded
      click(form, "Command4");
      dialogs().print_requests.clear();
    }
    click(form, r.button);
    QVERIFY(dialogs().messages.empty());
    QCOMPARE(QStringLiteral("save").repeated(dialogs().save_requests.size()) +
                 QStringLiteral("print").repeated(dialogs().print_requests.size()) +
                 QStringLiteral("export").repeated(dialogs().export_requests.size()),
             QString::fromUtf8(r.opens));
    QCOMPARE(QList<bool>({reg().is_loaded(form_id), reg().is_loaded(image_id)}), QList<bool>(2, !r.unloads));
    QVERIFY(reg().window(WindowId::TopForm)->isVisible());
    const bool saves = qstrcmp(r.opens, "save") == 0, prints = qstrcmp(r.opens, "print") == 0;
    QCOMPARE(QFileInfo::exists(file), saves);
    QCOMPARE(QFileInfo(pdf).size() > 0, prints || r.unloads);
    if (saves) QCOMPARE(differs_from(file_bytes(file), image->surface()), QString());
    if (saves || prints) click(form, r.button);
    if (saves) QCOMPARE(dialogs().save_requests[1].folder + '/' + dialogs().save_requests[1].file_name, file);
    if (prints) QCOMPARE(dialogs().print_requests, (QStringList{QString(), pdf}));
    if (r.unloads) {  // loaded again, it starts from design-time values and the printer as it opens
      settle();
      QWidget* again = reg().show(form_id);
      QCOMPARE(child<QLineEdit>(again, "ED")->text(), QStringLiteral("2"));
      click(again, "Command4");
      QCOMPARE(dialogs().print_requests, QStringList{QString()});
      return;
    }
    QCOMPARE(image->isVisible(), r.draws);
    QCOMPARE(image->surface() == before, !r.draws);
    if (r.zoom_diam) QCOMPARE(child<QLineEdit>(form, "zoom_diam")->text(), QString::fromUtf8(r.zoom_diam));
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
    QTest::keyClick(bar, Qt::Key_Left);
    QCOMPARE(std::pair(bar->value(), box->text()), std::pair(-1, QStringLiteral("-1")));
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

  // Entries made in the controls after a Draw of the design-time values:
  // Export writes the command's file for them (the fields as they stand,
  // not the picture) or refuses as Draw does; the design saved by Ctrl+S
  // names the window and gives its drawing, or refusal, through the
  // command; in fresh windows, Ctrl+O in Inc_form refuses a file that holds
  // no design and opens this one in a window of its kind with the same
  // controls and drawing.
  void entries_give_the_commands_files_data() { rows(kEntries); }
  void entries_give_the_commands_files() {
    QFETCH(int, row);
    const auto& [name, absolute, entries, inverse, refused] = kEntries[row];
    const QString design = dir_->filePath(QStringLiteral("design.vantor")), drawn = dir_->filePath(QStringLiteral("d.bmp"));
    const QString exported = dir_->filePath(QStringLiteral("window.png")), by_command = dir_->filePath(QStringLiteral("command.png"));
    const QStringList list = QString::fromUtf8(entries).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QStringList polarity = inverse ? QStringList{QStringLiteral("--inverse")} : QStringList{};
    const char* draw = inverse ? "Command5" : "Command1";
    QWidget* form = show(absolute);
    QVERIFY(QTest::qWaitForWindowActive(form));
    click(form, "Command1");
    for (const QString& entry : list) enter(form, entry);
    const QStringList controls = controls_of(form);
    dialogs().save_answers = {design};
    QTest::keyClick(form, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(form->windowTitle().endsWith(QStringLiteral(" - design.vantor")));
    dialogs().export_answers = {ExportChoice{FileFormat::Png, 300, true, inverse, exported}};
    click(form, "ExportButton");
    click(form, draw);
    const Surface drawing = image(absolute)->surface();
    const QString refusal = said(0), outcome = QStringLiteral("exit %1: %2").arg(int(refused)).arg(refused ? refusal + '\n' : QString());
    QCOMPARE(said(1), refusal);  // Draw's, after Export's
    QCOMPARE(dialogs().messages.size(), std::size_t(refused ? 2 : 0));

    const QStringList kind = {QLatin1String(absolute ? "absolute" : "incremental")};
    QCOMPARE(render(kind + list + polarity + QStringList{"--dpi", "300", "--crop", "-o", by_command}), outcome);
    QCOMPARE(file_bytes(exported).isEmpty(), refused);
    QVERIFY2(file_bytes(exported) == file_bytes(by_command), entries);
    QCOMPARE(render(QStringList{design, QStringLiteral("-o"), drawn} + polarity), outcome);
    if (!refused) QCOMPARE(differs_from(file_bytes(drawn), drawing), QString());

    w_ = std::make_unique<Windows>();
    click(show(absolute), "Command1");  // a refused design leaves this picture
    QWidget* inc = show(false);
    QVERIFY(QTest::qWaitForWindowActive(inc));
    const QStringList design_time = controls_of(inc);
    dialogs().open_answers = {dir_->filePath(QStringLiteral("none.vantor")), design};
    QTest::keyClick(inc, Qt::Key_O, Qt::ControlModifier);  // no design there: nothing changes
    QVERIFY(said(0).startsWith(QStringLiteral("none.vantor cannot be read")) && controls_of(inc) == design_time);
    QTest::keyClick(inc, Qt::Key_O, Qt::ControlModifier);  // Inc_form opens either kind
    form = reg().window(absolute ? WindowId::AbsForm : WindowId::IncForm);
    QCOMPARE(controls_of(form), controls);
    QVERIFY(form->windowTitle().endsWith(QStringLiteral(" - design.vantor")));
    click(form, draw);
    QVERIFY(image(absolute)->surface() == drawing);
    QCOMPARE(said(1), refusal);
  }

  // Export with a process and a bias writes the command's file for them; a
  // bias the disc cannot take is refused in a message box, as the command
  // refuses it, and writes nothing.
  void export_with_a_bias() {
    const QString says = QStringLiteral("A bias of 3200.0 \u00b5m joins the slots of track 1 (counted from the rim) to each other.");
    for (const auto& [bias, refusal] : {std::pair{-37.5, QString()}, std::pair{3200.0, says}}) {
      const QString exported = dir_->filePath(QStringLiteral("window%1.png").arg(bias));
      const QString by_command = dir_->filePath(QStringLiteral("command%1.png").arg(bias));
      QWidget* form = show(false);
      dialogs().messages.clear();
      ExportChoice c{FileFormat::Png, 300, true, false, exported};
      c.process = std::get<Process>(parse_process("laser"));
      c.bias_um = bias;
      dialogs().export_answers = {c};
      click(form, "ExportButton");
      QCOMPARE(said(0), refusal);
      QCOMPARE(render({"incremental", "--process", "laser", "--bias", QString::number(bias), "--dpi", "300", "--crop", "-o", by_command}),
               QStringLiteral("exit %1: %2").arg(int(!refusal.isEmpty())).arg(refusal.isEmpty() ? QString() : refusal + '\n'));
      QVERIFY(file_bytes(exported) == file_bytes(by_command) && file_bytes(exported).isEmpty() == !refusal.isEmpty());
    }
  }

  // Ctrl+M opens the Sensor Mask dialog, whose boxes are Inc_form's
  // controls; Enter presses Draw Mask, which draws into a picture of its own
  // the mask that vantor-render --mask draws, and the dialog's Export (with
  // the assembly aids) writes the command's file (--marks); a mask that
  // cannot be made is refused; Exit unloads the mask's picture.
  void sensor_mask_dialog() {
    QWidget* inc = show(false);
    QVERIFY(QTest::qWaitForWindowActive(inc));
    QTest::keyClick(inc, Qt::Key_M, Qt::ControlModifier);
    QWidget* dialog = child(inc, "Sensor_mask");
    for (const QString entry : {"Mask_angle=45", "RES=12", "Mask_windows=3"}) enter(inc, entry);
    QTest::keyClick(child(dialog, "Mask_windows"), Qt::Key_Return);
    const QStringList entries = {"incremental", "Mask_angle=45", "RES=12", "Mask_windows=3", "--mask", "-o"};
    const QString command = dir_->filePath(QStringLiteral("c.bmp")), marked = dir_->filePath(QStringLiteral("m.bmp"));
    QCOMPARE(render(entries + QStringList{command}), QStringLiteral("exit 0: "));
    QCOMPARE(differs_from(file_bytes(command), reg().image_window(WindowId::IncMaskDraw)->surface()), QString());
    QCOMPARE(render(entries + QStringList{marked, "--marks"}), QStringLiteral("exit 0: "));
    const QString exported = dir_->filePath(QStringLiteral("e.bmp"));
    dialogs().export_answers = {ExportChoice{FileFormat::Bmp, 96, false, false, exported, false, false, true}};
    click(dialog, "ExportMask");
    QCOMPARE(file_bytes(exported), file_bytes(marked));
    enter(inc, QStringLiteral("Mask_windows=13"));
    click(dialog, "DrawMask");
    QCOMPARE(said(0), qtext(message_text(Message::MaskWindowsDoNotFit)));
    click(inc, "Command2");
    QVERIFY(!reg().is_loaded(WindowId::IncMaskDraw));
  }

  void failures_data() { rows(kFailures); }
  void failures() {
    QFETCH(int, row);
    const FailureRow& r = kFailures[row];
    const QString old = dir_->filePath(QStringLiteral("old.bin")), path = r.file ? dir_->filePath(r.file) : old;
    QVERIFY(write_file(old, "an older file"));
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
    rlimit unlimited{};
    getrlimit(RLIMIT_FSIZE, &unlimited);
    const rlimit full_disk{4096, unlimited.rlim_max};  // for root too
    std::signal(SIGXFSZ, SIG_IGN);
    if (r.full_disk) setrlimit(RLIMIT_FSIZE, &full_disk);
    click(form, r.button);
    setrlimit(RLIMIT_FSIZE, &unlimited);
    QCOMPARE(dialogs().messages.size(), std::size_t{1});
    const ScriptedDialogs::MessageSeen& m = dialogs().messages[0];
    QCOMPARE(m.buttons, !r.absolute && !r.file ? MessageButtons::OkCancel : MessageButtons::Ok);
    QVERIFY2(m.text.contains(qtext(r.says)) && !m.text.contains(u": .") && !m.text.contains(u"Unknown error"), qPrintable(m.text));
    QVERIFY2(!r.file || m.text.contains(QDir::toNativeSeparators(path)), qPrintable(m.text));
    QCOMPARE(image(r.absolute)->surface() == before, r.keeps_picture);
    QCOMPARE(image(r.absolute)->isVisible(), !r.absolute && !r.file);
    QCOMPARE(child<QLineEdit>(form, r.box)->text(), QString::fromUtf8(r.text));
    QCOMPARE(QDir(dir_->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList{"old.bin"});
    QCOMPARE(file_bytes(old), QByteArray("an older file"));
  }

  // The program ends when its last visible window closes: after the main
  // menu's Exit, or its close box, with the windows opened from it (and
  // an image window hidden) unloaded; a window still shown keeps it going.
  void the_program_ends_with_its_last_visible_window() {
    QSignalSpy ended(&reg(), &WindowRegistry::all_closed);
    QWidget* top = reg().window(WindowId::TopForm);
    for (const char* button : {"Command3", "Command4", "Command6"}) click(top, button);  // both forms, the about box
    reg().image_window(WindowId::IncEncoderDraw);
    click(top, "Command5");
    QCOMPARE(ended.count(), 0);
    click(reg().window(WindowId::AboutFrm), "Command1");
    QCOMPARE(ended.count(), 1);
    for (int i = 0; i < kWindowCount; ++i) QVERIFY(!reg().is_loaded(WindowId(i)));
  }

  // Touch-up draws black with the left button and white with the right,
  // in any scale mode, and nothing with both or with the middle one; the
  // side buttons held with them change nothing.
  void touch_up_ignores_the_side_buttons() {
    const std::pair<Qt::MouseButtons, int> kHeld[] = {{Qt::LeftButton | Qt::BackButton, 0},
                                                      {Qt::RightButton | Qt::ForwardButton, 255},
                                                      {Qt::LeftButton | Qt::RightButton | Qt::BackButton, -1},
                                                      {Qt::MiddleButton, -1}};
    auto* image = static_cast<ImageWindow*>(reg().show(WindowId::IncEncoderDraw));
    Surface& s = image->surface();
    for (const auto& [held, draws] : kHeld) {
      s.set_scale_mode(draws == 0 ? ScaleMode::Millimetre : draws > 0 ? ScaleMode::Inch : ScaleMode::Twip);
      for (int x = 0; x < s.width(); ++x) s.data()[x] = x % 2 ? 0xFF : 0x00;  // a top row of both colours
      const Surface before = s;
      for (int x = 0; x < s.width(); ++x) move_over(image->picture(), {x, 0}, held);
      for (int x = 0; x < s.width(); ++x) QCOMPARE(int(s.pixel(x, 0)), draws < 0 ? int(before.pixel(x, 0)) : draws);
    }
  }

  // A locked box takes nothing from the keyboard or a paste.  (A random run
  // once sent a 2000-character paste to Zoom_txt as an input-method event,
  // which a read-only box takes when sent one directly; the window system
  // sends none to a box without an input method.)
  void locked_boxes_take_no_text() {
    QWidget* inc = show(false);
    QVERIFY(QTest::qWaitForWindowActive(inc));
    QGuiApplication::clipboard()->setText(QString(2000, QLatin1Char('0')));
    for (const char* name : {"Zoom_txt", "zoom_diam"}) {
      auto* box = child<QLineEdit>(inc, name);
      const QString before = box->text();
      QVERIFY(!box->testAttribute(Qt::WA_InputMethodEnabled));
      retype(box, QStringLiteral("123"));
      QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
      QCOMPARE(box->text(), before);
    }
  }

  // Regression: once Browse… had had the focus, Enter in the export dialog
  // opened the file chooser instead of exporting.
  void enter_in_the_export_dialog_exports() {
    ExportDialog dialog(nullptr, ExportDialogState{}, [](const ExportChoice&) { return QString(); });
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    for (QPushButton* b : dialog.findChildren<QPushButton*>())
      if (b->text() == QStringLiteral("&Browse…")) b->setFocus();
    QCOMPARE(QApplication::focusWidget()->property("text").toString(), QStringLiteral("&Browse…"));
    for (QPushButton* b : dialog.findChildren<QPushButton*>())
      QCOMPARE(b->isDefault(), b->text() == QStringLiteral("&Export"));
  }
};

}  // namespace vantor::test

QTEST_MAIN(vantor::test::WindowTest)

#include "window_test.moc"
