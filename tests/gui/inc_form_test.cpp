// Inc_form: layout, design-time values, the balance and zoom handlers driven
// by real focus changes and scroll-bar actions, Draw and Draw Inverse with
// their messages, and Exit.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <cmath>
#include <memory>

#include "common/messages.h"
#include "gui_test.h"
#include "designers/inc_form.h"
#include "incremental/incremental_renderer.h"
#include "output/image_window.h"
#include "scripted_dialogs.h"
#include "shell/window_registry.h"

using namespace vantor;

namespace {

// The picture that the renderer gives for the design on a fresh surface of
// the image window's size.
Surface expected_image(const IncrementalDesign& design, Polarity polarity = Polarity::Normal) {
  Surface s = Surface::for_picture();
  render_incremental(design, polarity, s);
  return s;
}

int px(int twips) { return static_cast<int>(std::lround(twips / 15.0)); }

struct LayoutRow {
  const char *name, *text, *parent;
  int left, top, width, height;  // twips, relative to the parent
  double points = 8;
  bool bold = false, italic = false;
};
const LayoutRow kLayout[] = {
    {"Frame1", "Vantor Data ", "Inc_form", 120, 0, 4335, 7455},
    {"Label1", "Encoder Diameter", "Frame1", 120, 360, 1335, 255},
    {"ED", "2", "Frame1", 1440, 360, 495, 285},
    {"Label5", ":", "Frame1", 2280, 720, 135, 375, 13.5, true},
    {"Label12", "Channel Specific Data", "Frame1", 120, 1320, 2775, 375, 12, false, true},
    {"Unit_mm", "mm", "Frame8", 120, 480, 615, 255},
    {"Frame5", "Channel 1 Diminsions", "Frame1", 1920, 1680, 2175, 1815},
    {"CH1_SL", "0.125", "Frame5", 1200, 360, 855, 285},
    {"CH2_B", "Channel B", "Frame3", 120, 600, 1095, 195},
    {"CH1_on", "Channel 1 On", "Frame2", 120, 1320, 1335, 375},
    {"Label11", "Edge Distance", "Frame7", 120, 840, 1215, 255},
    {"CH3_ED_U", "User", "Frame7", 240, 1440, 855, 255},
    {"Command1", "Draw", "Inc_form", 120, 7680, 735, 375},
    {"Command5", "Draw Inverse", "Inc_form", 120, 8160, 1095, 375},
    {"Label13", "Channel1 Balance", "Inc_form", 0, 8760, 1335, 255},
    {"balance2", "", "Inc_form", 1560, 9120, 2055, 255},
    {"bal_1scroll", "0", "Inc_form", 3720, 8730, 615, 285},
    {"Label16", "% Zoom ", "Inc_form", 0, 9840, 855, 375},
    {"zoom_diam", "2", "Inc_form", 3480, 9840, 735, 285},
    {"ZoomCTRL", "", "Inc_form", 0, 10200, 4215, 495},
};

// How the box is left: Tab, a click on a button (the focus moves), or a
// button's keyboard activation (the focus stays); Draw and Draw Inverse
// validate the box first either way.
enum Leave { kTab, kClickDraw, kActivateInverse };
struct BalanceRow {
  const char *name, *box, *bar, *typed, *text_after;
  int thumb_after;
  Leave leave = kTab;
};
const BalanceRow kBalance[] = {
    {"7.6, Tab", "bal_1scroll", "balance1", "7.6", "8", 8},
    {"-70, Draw clicked", "bal_2scroll", "balance2", "-70", "-45", -45, kClickDraw},
    {"-70, Draw Inverse activated", "bal_3scroll", "balance3", "-70", "-45", -45, kActivateInverse},
};

struct ActionRow {
  const char* name;
  int start;
  QAbstractSlider::SliderAction action;
  int value;
};
const ActionRow kActions[] = {
    {"track at 40", 40, QAbstractSlider::SliderPageStepAdd, 45},
    {"arrow at 0", 0, QAbstractSlider::SliderSingleStepSub, -1},
};

// A failing Draw after a drawing at zoom 200 (zoom_diam "4").  previous:
// the picture stays; otherwise it holds the disc drawn before the failing
// step, black (white for Draw Inverse) without a shaft hole or slots.
struct FailureRow {
  const char* name;
  std::vector<std::pair<const char*, const char*>> typed;
  const char* button;
  Message message;
  const char* zoom_diam;
  bool previous;
};
const FailureRow kFailures[] = {
    {"S2 zero", {{"S2", "0"}}, "Command1", Message::InvalidEntry, "4", true},
    {"letters in RES", {{"ED", "3"}, {"RES", "16x"}}, "Command1", Message::InvalidEntry, "6", false},
    {"letters in a balance", {{"bal_3scroll", "ten"}}, "Command1", Message::InvalidEntry, "4", false},
    {"tracks do not fit", {{"CH1_SL", "0.5"}, {"CH2_SL", "0.5"}, {"CH3_SL", "0.5"}}, "Command1",
     Message::SlotsTooLong, "4", false},
    {"tracks do not fit, inverse", {{"CH1_SL", "0.5"}, {"CH2_SL", "0.5"}, {"CH3_SL", "0.5"}}, "Command5",
     Message::SlotsTooLong, "4", false},
    {"resolution too high", {{"RES", "1e6"}}, "Command1", Message::ResolutionTooHigh, "4", false},
};

}  // namespace

class IncFormTest : public QObject {
  Q_OBJECT

  std::unique_ptr<test::ScriptedDialogs> dialogs_;
  std::unique_ptr<WindowRegistry> registry_;
  IncForm* form_ = nullptr;

  template <typename T = QWidget>
  T* get(const char* name) {
    T* w = form_->findChild<T*>(QString::fromUtf8(name));
    if (!w) qFatal("no %s in Inc_form", name);
    return w;
  }
  QLineEdit* box(const char* name) { return get<QLineEdit>(name); }
  void click(const char* button) { QTest::mouseClick(get<QPushButton>(button), Qt::LeftButton); }

  // Types into a text box as a user does: click into it, replace its text.
  void type(const char* name, const QString& text) {
    QLineEdit* b = box(name);
    QTest::mouseClick(b, Qt::LeftButton);
    QVERIFY(b->hasFocus());
    b->selectAll();
    QTest::keyClick(b, Qt::Key_Delete);
    QTest::keyClicks(b, text);
  }

  ImageWindow* image() { return qobject_cast<ImageWindow*>(registry_->window(WindowId::IncEncoderDraw)); }

  static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

  template <class Row, std::size_t N>
  static void rows(const Row (&table)[N]) {
    QTest::addColumn<int>("row");
    for (std::size_t i = 0; i < N; ++i) QTest::newRow(table[i].name) << int(i);
  }

 private slots:
  void init() {
    dialogs_ = std::make_unique<test::ScriptedDialogs>();
    registry_ = std::make_unique<WindowRegistry>(*dialogs_);
    form_ = static_cast<IncForm*>(registry_->show(WindowId::IncForm));
    QVERIFY(QTest::qWaitForWindowActive(form_));
  }
  void cleanup() {
    registry_.reset();
    dialogs_.reset();
    settle();
  }

  void layout_data() { rows(kLayout); }
  void layout() {
    QFETCH(int, row);
    const LayoutRow& r = kLayout[row];
    QWidget* w = get(r.name);
    QCOMPARE(w->parentWidget()->objectName(), QString::fromUtf8(r.parent));
    QCOMPARE(w->geometry(), QRect(px(r.left), px(r.top), px(r.width), px(r.height)));
    QString shown;
    if (auto* b = qobject_cast<QAbstractButton*>(w)) shown = b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) shown = l->text();
    if (auto* e = qobject_cast<QLineEdit*>(w)) shown = e->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) shown = g->title();
    QCOMPARE(shown, QString::fromUtf8(r.text));
    QCOMPARE(w->font().pointSizeF(), r.points);
    QCOMPARE(w->font().bold(), r.bold);
    QCOMPARE(w->font().italic(), r.italic);
  }

  void locks_and_tab_order() {
    QVERIFY(box("Zoom_txt")->isReadOnly() && box("zoom_diam")->isReadOnly());
    QVERIFY(!box("bal_1scroll")->isReadOnly() && !box("RES")->isReadOnly());
    // Tab indexes 0 to 13, then a few of the data frame.
    const char* const chain[] = {"zoom_diam", "Zoom_txt", "ZoomCTRL", "bal_3scroll", "bal_2scroll", "balance3",
                                 "balance2",  "bal_1scroll", "balance1", "Command5", "Command4",    "Command3",
                                 "Command2",  "Command1"};
    for (std::size_t i = 1; i < std::size(chain); ++i)
      QCOMPARE(test::next_tab_stop(get(chain[i - 1]))->objectName(), QString::fromUtf8(chain[i]));
    const std::pair<const char*, const char*> pairs[] = {{"S2", "S1"}, {"S1", "CH2_on"}, {"CH1_ED", "CH1_ED_U"}};
    for (const auto& [from, to] : pairs) QCOMPARE(test::next_tab_stop(get(from))->objectName(), QString::fromUtf8(to));
  }

  void opens_with_design_time_values() {
    QVERIFY(form_->design() == IncrementalDesign::defaults());
    for (const char* name : {"balance1", "balance2", "balance3", "ZoomCTRL"}) {
      auto* bar = get<QAbstractSlider>(name);
      const bool zoom = QLatin1String(name) == QLatin1String("ZoomCTRL");
      QCOMPARE(QList<int>({bar->minimum(), bar->maximum(), bar->singleStep(), bar->pageStep(), bar->value()}),
               zoom ? QList<int>({10, 500, 5, 10, 100}) : QList<int>({-45, 45, 1, 10, 0}));
    }
    QCOMPARE(box("Zoom_txt")->text(), "100");
    QCOMPARE(box("zoom_diam")->text(), "2");
  }

  // Every control reaches the record the renderer reads.
  void every_control_is_read() {
    QTest::mouseClick(get<QRadioButton>("Unit_mm"), Qt::LeftButton);
    const std::pair<const char*, const char*> texts[] = {
        {"S1", "3"},        {"S2", "2"},       {"ED", "40"},      {"DD", "5"},       {"RES", "8"},
        {"CH1_SL", "1.5"},  {"CH2_SL", "2"},   {"CH3_SL", "2.5"}, {"CH1_ED", "0.5"}, {"CH2_ED", "1"},
        {"CH3_ED", "1.25"}, {"bal_1scroll", "-10"}, {"bal_2scroll", "20"}, {"bal_3scroll", "12"},
    };
    for (const auto& [name, text] : texts) type(name, QString::fromUtf8(text));
    for (const char* name : {"CH1_B", "CH2_I", "CH3_A", "CH1_ED_U", "CH3_ED_U"})
      QTest::mouseClick(get<QRadioButton>(name), Qt::LeftButton);
    QTest::mouseClick(get<QCheckBox>("CH2_on"), Qt::LeftButton);
    get<QSlider>("ZoomCTRL")->setValue(150);

    IncrementalDesign expected{Unit::Millimetre, "3", "2", "40", "5", "8", 150,
                               {{{ChannelType::B, true, "1.5", IncEdgeMode::User, "0.5", "-10"},
                                 {ChannelType::Index, false, "2", IncEdgeMode::Default, "1", "20"},
                                 {ChannelType::A, true, "2.5", IncEdgeMode::User, "1.25", "12"}}}};
    QVERIFY(form_->design() == expected);
    click("Command1");
    QVERIFY(image() && image()->isVisible());
    QVERIFY(image()->surface() == expected_image(expected));
    QCOMPARE(box("zoom_diam")->text(), "90");  // 40 * 3/2 * 1.5
    QVERIFY(dialogs_->messages.empty());
  }

  void balance_validation_data() { rows(kBalance); }
  void balance_validation() {
    QFETCH(int, row);
    const BalanceRow& r = kBalance[row];
    QScrollBar* bar = get<QScrollBar>(r.bar);
    type(r.box, QString::fromUtf8(r.typed));
    QCOMPARE(bar->value(), 0);  // nothing happens before the box is left
    const bool inverse = r.leave == kActivateInverse;
    const char* button = inverse ? "Command5" : "Command1";
    if (r.leave == kTab) QTest::keyClick(box(r.box), Qt::Key_Tab);
    if (r.leave == kClickDraw) click(button);
    if (r.leave == kActivateInverse) get<QPushButton>(button)->click();
    QCOMPARE(box(r.box)->hasFocus(), r.leave == kActivateInverse);
    QCOMPARE(box(r.box)->text(), QString::fromUtf8(r.text_after));
    QCOMPARE(bar->value(), r.thumb_after);
    for (const char* other : {"balance1", "balance2", "balance3"})
      if (QLatin1String(r.bar) != QLatin1String(other)) QCOMPARE(get<QScrollBar>(other)->value(), 0);
    // Draw reads the box, not the bar.
    if (r.leave == kTab) click(button);
    IncrementalDesign expected = IncrementalDesign::defaults();
    expected.channels[r.bar[7] - '1'].balance = r.text_after;
    QVERIFY(image()->surface() == expected_image(expected, inverse ? Polarity::Inverse : Polarity::Normal));
  }

  void scroll_bar_actions_data() { rows(kActions); }
  void scroll_bar_actions() {
    QFETCH(int, row);
    const ActionRow& r = kActions[row];
    QScrollBar* bar = get<QScrollBar>("balance2");
    bar->setValue(r.start);
    QCOMPARE(box("bal_2scroll")->text(), QString::number(r.start));
    QSignalSpy changes(bar, &QScrollBar::valueChanged);
    bar->triggerAction(r.action);
    QCOMPARE(bar->value(), r.value);
    QCOMPARE(changes.count(), r.value == r.start ? 0 : 1);
    QCOMPARE(box("bal_2scroll")->text(), QString::number(r.value));
  }

  // The text follows a dragged thumb when it is let go.
  void dragging_the_thumb_updates_the_text_at_release() {
    QScrollBar* bar = get<QScrollBar>("balance1");
    const QPoint thumb = bar->rect().center();  // at 0, the middle of -45 ... 45
    QTest::mousePress(bar, Qt::LeftButton, {}, thumb);
    QTest::mouseMove(bar, thumb + QPoint(30, 0));
    QVERIFY(bar->isSliderDown());
    QVERIFY(bar->sliderPosition() > 0);
    QCOMPARE(bar->value(), 0);
    QCOMPARE(box("bal_1scroll")->text(), "0");
    QTest::mouseRelease(bar, Qt::LeftButton, {}, thumb + QPoint(30, 0));
    QVERIFY(bar->value() > 0);
    QCOMPARE(box("bal_1scroll")->text(), QString::number(bar->value()));
  }

  void zoom_text_follows_the_slider_and_draw_uses_it() {
    QSlider* zoom = get<QSlider>("ZoomCTRL");
    zoom->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(box("Zoom_txt")->text(), "110");
    zoom->triggerAction(QAbstractSlider::SliderSingleStepSub);
    QCOMPARE(box("Zoom_txt")->text(), "105");
    zoom->setValue(200);
    QCOMPARE(box("Zoom_txt")->text(), "200");
    QCOMPARE(box("zoom_diam")->text(), "2");
    QVERIFY(!registry_->is_loaded(WindowId::IncEncoderDraw));  // nothing is drawn

    click("Command1");
    QCOMPARE(box("zoom_diam")->text(), "4");
    IncrementalDesign at_200 = IncrementalDesign::defaults();
    at_200.zoom = 200;
    QVERIFY(image()->surface() == expected_image(at_200));

    // Draw Inverse ignores the slider and leaves zoom_diam alone.
    click("Command5");
    QCOMPARE(box("zoom_diam")->text(), "4");
    QVERIFY(image()->surface() == expected_image(IncrementalDesign::defaults(), Polarity::Inverse));
    QVERIFY(dialogs_->messages.empty());
  }

  void failures_data() { rows(kFailures); }
  void failures() {
    QFETCH(int, row);
    const FailureRow& r = kFailures[row];
    get<QSlider>("ZoomCTRL")->setValue(200);
    click("Command1");
    const Surface before = image()->surface();
    for (const auto& [name, text] : r.typed) type(name, QString::fromUtf8(text));
    click(r.button);
    QCOMPARE(dialogs_->messages.size(), std::size_t{1});
    QCOMPARE(dialogs_->messages[0].title, QStringLiteral("Vantor"));
    QCOMPARE(dialogs_->messages[0].text, qtext(message_text(r.message)));
    QCOMPARE(dialogs_->messages[0].buttons, MessageButtons::OkCancel);
    QCOMPARE(box("zoom_diam")->text(), QString::fromUtf8(r.zoom_diam));
    for (const auto& [name, text] : r.typed) QCOMPARE(box(name)->text(), QString::fromUtf8(text));
    QCOMPARE(get<QScrollBar>("balance3")->value(), 0);
    const Surface& s = image()->surface();
    if (r.previous) {
      QVERIFY(s == before);
      return;
    }
    const bool inverse = QLatin1String(r.button) == QLatin1String("Command5");
    QVERIFY(s == expected_image(form_->design(), inverse ? Polarity::Inverse : Polarity::Normal));
    const Colour disc = inverse ? Colour::White : Colour::Black;
    const int cx = s.width() / 2, cy = s.height() / 2;
    for (const QPoint& p : {QPoint(5, 5), QPoint(20, 20), QPoint(70, -10), QPoint(-150, 0)})
      QCOMPARE(s.pixel(cx + p.x(), cy + p.y()), disc);  // no shaft hole, no slots
    QCOMPARE(s.pixel(5, 5), Colour::White);
  }

  // The fit failure's text as the user reads it (the invalid-entry text is
  // checked on Abs_form).
  void fit_message_text() {
    QCOMPARE(qtext(message_text(Message::SlotsTooLong)),
             QStringLiteral("Slot Lengths extend past the radius of the encoder"));
  }

  void exit_closes_the_form_and_its_image_window() {
    registry_->show(WindowId::TopForm);  // keeps the program alive
    for (bool draw_first : {true, false}) {
      type("ED", "5");
      if (draw_first) click("Command1");
      QCOMPARE(registry_->is_loaded(WindowId::IncEncoderDraw), draw_first);
      click("Command2");
      QVERIFY(!registry_->is_loaded(WindowId::IncForm));
      QVERIFY(!registry_->is_loaded(WindowId::IncEncoderDraw));
      QVERIFY(registry_->window(WindowId::TopForm)->isVisible());
      settle();
      form_ = static_cast<IncForm*>(registry_->show(WindowId::IncForm));
      QVERIFY(QTest::qWaitForWindowActive(form_));
      QVERIFY(form_->design() == IncrementalDesign::defaults());
      QCOMPARE(box("zoom_diam")->text(), "2");
    }
  }
};

VANTOR_GUI_TEST(IncFormTest);

#include "inc_form_test.moc"
