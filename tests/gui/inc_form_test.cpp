// Inc_form: layout, design-time values, the balance and zoom handlers driven
// by real focus changes and scroll-bar actions, Draw and Draw Inverse with
// their messages, Save, Print and Exit.
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "common/messages.h"
#include "gui_test.h"
#include "incremental/inc_form.h"
#include "incremental/incremental_renderer.h"
#include "output/image_window.h"
#include "scripted_dialogs.h"
#include "shell/window_registry.h"

using namespace vantor;

Q_DECLARE_METATYPE(QAbstractSlider::SliderAction)

namespace {


// The picture that the renderer gives for the design on a fresh surface of
// the image window's size.
Surface expected_image(const IncrementalDesign& design, Polarity polarity) {
  Surface s = Surface::for_picture();
  render_incremental(design, polarity, s);
  return s;
}

}  // namespace

class IncFormTest : public QObject {
  Q_OBJECT

  std::unique_ptr<test::ScriptedDialogs> dialogs_;
  std::unique_ptr<WindowRegistry> registry_;
  IncForm* form_ = nullptr;

  template <typename T>
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

  // --- layout ----------------------------------------------------------

  void layout_spot_checks_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("geometry");  // twips / 15, relative to the parent
    QTest::newRow("Frame1") << "Frame1" << "Vantor Data " << "Inc_form" << QRect(8, 0, 289, 497);
    QTest::newRow("ED") << "ED" << "2" << "Frame1" << QRect(96, 24, 33, 19);
    QTest::newRow("Label5") << "Label5" << ":" << "Frame1" << QRect(152, 48, 9, 25);
    QTest::newRow("Unit_mm") << "Unit_mm" << "mm" << "Frame8" << QRect(8, 32, 41, 17);
    QTest::newRow("Frame5") << "Frame5" << "Channel 1 Diminsions" << "Frame1" << QRect(128, 112, 145, 121);
    QTest::newRow("CH1_SL") << "CH1_SL" << "0.125" << "Frame5" << QRect(80, 24, 57, 19);
    QTest::newRow("CH2_B") << "CH2_B" << "Channel B" << "Frame3" << QRect(8, 40, 73, 13);
    QTest::newRow("CH1_on") << "CH1_on" << "Channel 1 On" << "Frame2" << QRect(8, 88, 89, 25);
    QTest::newRow("Label11") << "Label11" << "Edge Distance" << "Frame7" << QRect(8, 56, 81, 17);
    QTest::newRow("CH3_ED_U") << "CH3_ED_U" << "User" << "Frame7" << QRect(16, 96, 57, 17);
    QTest::newRow("Command5") << "Command5" << "Draw Inverse" << "Inc_form" << QRect(8, 544, 73, 25);
    QTest::newRow("balance2") << "balance2" << "" << "Inc_form" << QRect(104, 608, 137, 17);
    QTest::newRow("bal_1scroll") << "bal_1scroll" << "0" << "Inc_form" << QRect(248, 582, 41, 19);
    QTest::newRow("Label16") << "Label16" << "% Zoom " << "Inc_form" << QRect(0, 656, 57, 25);
    QTest::newRow("zoom_diam") << "zoom_diam" << "2" << "Inc_form" << QRect(232, 656, 49, 19);
    QTest::newRow("ZoomCTRL") << "ZoomCTRL" << "" << "Inc_form" << QRect(0, 680, 281, 33);
  }
  void layout_spot_checks() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, parent);
    QFETCH(QRect, geometry);
    QWidget* w = form_->findChild<QWidget*>(name);
    QVERIFY(w);
    QCOMPARE(w->parentWidget()->objectName(), parent);
    QCOMPARE(w->geometry(), geometry);
    QString shown;
    if (auto* b = qobject_cast<QAbstractButton*>(w)) shown = b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) shown = l->text();
    if (auto* e = qobject_cast<QLineEdit*>(w)) shown = e->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) shown = g->title();
    QCOMPARE(shown, text);
  }

  void fonts_locks_and_tab_order() {
    QCOMPARE(get<QLabel>("Label5")->font().pointSizeF(), 13.5);
    QVERIFY(get<QLabel>("Label5")->font().bold());
    QCOMPARE(get<QLabel>("Label12")->font().pointSizeF(), 12.0);
    QVERIFY(get<QLabel>("Label12")->font().italic());
    QCOMPARE(get<QLabel>("Label1")->font().pointSizeF(), 8.0);
    QVERIFY(box("Zoom_txt")->isReadOnly());
    QVERIFY(box("zoom_diam")->isReadOnly());
    QVERIFY(!box("bal_1scroll")->isReadOnly());
    QVERIFY(!box("RES")->isReadOnly());

    // Tab indexes 0 to 13, then a few of the data frame.
    const char* const chain[] = {"zoom_diam", "Zoom_txt",   "ZoomCTRL", "bal_3scroll", "bal_2scroll",
                                 "balance3",  "balance2",   "bal_1scroll", "balance1", "Command5",
                                 "Command4",  "Command3",   "Command2", "Command1"};
    for (std::size_t i = 1; i < std::size(chain); ++i)
      QCOMPARE(test::next_tab_stop(get<QWidget>(chain[i - 1]))->objectName(), QString::fromUtf8(chain[i]));
    QCOMPARE(test::next_tab_stop(get<QWidget>("S2"))->objectName(), QStringLiteral("S1"));
    QCOMPARE(test::next_tab_stop(get<QWidget>("S1"))->objectName(), QStringLiteral("CH2_on"));
    QCOMPARE(test::next_tab_stop(get<QWidget>("CH1_ED"))->objectName(), QStringLiteral("CH1_ED_U"));
  }

  // --- design-time values -----------------------------------------------

  void opens_with_design_time_values() {
    QVERIFY(form_->design() == IncrementalDesign::defaults());
    struct Range {
      const char* name;
      int min, max, single, page, value;
    };
    for (const Range& r : {Range{"balance1", -45, 45, 1, 10, 0}, Range{"balance2", -45, 45, 1, 10, 0},
                           Range{"balance3", -45, 45, 1, 10, 0}, Range{"ZoomCTRL", 10, 500, 5, 10, 100}}) {
      auto* bar = get<QAbstractSlider>(r.name);
      QCOMPARE(QList<int>({bar->minimum(), bar->maximum(), bar->singleStep(), bar->pageStep(), bar->value()}),
               QList<int>({r.min, r.max, r.single, r.page, r.value}));
    }
    for (const char* name : {"bal_1scroll", "bal_2scroll", "bal_3scroll"}) QCOMPARE(box(name)->text(), "0");
    QCOMPARE(box("Zoom_txt")->text(), "100");
    QCOMPARE(box("zoom_diam")->text(), "2");
  }

  // Every control reaches the record the renderer reads.
  void every_control_is_read() {
    QTest::mouseClick(get<QRadioButton>("Unit_mm"), Qt::LeftButton);
    const std::pair<const char*, const char*> texts[] = {
        {"S1", "3"},         {"S2", "2"},        {"ED", "40"},      {"DD", "5"},          {"RES", "8"},
        {"CH1_SL", "1.5"},   {"CH2_SL", "2"},    {"CH3_SL", "2.5"}, {"CH1_ED", "0.5"},    {"CH2_ED", "1"},
        {"CH3_ED", "1.25"},  {"bal_1scroll", "-10"}, {"bal_2scroll", "20"}, {"bal_3scroll", "12"},
    };
    for (const auto& [name, text] : texts) type(name, QString::fromUtf8(text));
    for (const char* name : {"CH1_B", "CH2_I", "CH3_A", "CH1_ED_U", "CH3_ED_U"})
      QTest::mouseClick(get<QRadioButton>(name), Qt::LeftButton);
    QTest::mouseClick(get<QCheckBox>("CH2_on"), Qt::LeftButton);
    get<QSlider>("ZoomCTRL")->setValue(150);

    IncrementalDesign expected = IncrementalDesign::defaults();
    expected.unit = Unit::Millimetre;
    expected.scale_num = "3";
    expected.scale_den = "2";
    expected.encoder_diameter = "40";
    expected.shaft_diameter = "5";
    expected.resolution = "8";
    expected.zoom = 150;
    const ChannelType types[] = {ChannelType::B, ChannelType::Index, ChannelType::A};
    const char* slot_lengths[] = {"1.5", "2", "2.5"};
    const char* edges[] = {"0.5", "1", "1.25"};
    const char* balances[] = {"-10", "20", "12"};
    for (int n = 0; n < 3; ++n) {
      expected.channels[n].type = types[n];
      expected.channels[n].slot_length = slot_lengths[n];
      expected.channels[n].edge_distance = edges[n];
      expected.channels[n].balance = balances[n];
    }
    expected.channels[0].edge_mode = expected.channels[2].edge_mode = IncEdgeMode::User;
    expected.channels[1].on = false;
    QVERIFY(form_->design() == expected);

    click("Command1");
    QVERIFY(image() && image()->isVisible());
    QVERIFY(image()->surface() == expected_image(expected, Polarity::Normal));
    QCOMPARE(box("zoom_diam")->text(), "90");  // 40 * 3/2 * 1.5
    QVERIFY(dialogs_->messages.empty());
  }

  // --- balance: text to scroll bar -----------------------------------------

  void balance_validation_data() {
    QTest::addColumn<QString>("box_name");
    QTest::addColumn<QString>("bar_name");
    QTest::addColumn<int>("thumb_before");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text_after");
    QTest::addColumn<int>("thumb_after");
    QTest::newRow("60") << "bal_1scroll" << "balance1" << 0 << "60" << "45" << 45;
    QTest::newRow("-60") << "bal_1scroll" << "balance1" << 0 << "-60" << "-45" << -45;
    QTest::newRow("45 at 45") << "bal_1scroll" << "balance1" << 45 << "45" << "45" << 45;
    QTest::newRow("-45") << "bal_3scroll" << "balance3" << 0 << "-45" << "-45" << -45;
    QTest::newRow("100 at 45") << "bal_2scroll" << "balance2" << 45 << "100" << "45" << 45;
    QTest::newRow("7.6") << "bal_1scroll" << "balance1" << 0 << "7.6" << "8" << 8;
    QTest::newRow("7.6 at 8") << "bal_1scroll" << "balance1" << 8 << "7.6" << "7.6" << 8;
    QTest::newRow("12.5 at 12") << "bal_1scroll" << "balance1" << 12 << "12.5" << "12.5" << 12;
    QTest::newRow("12.5 at 0") << "bal_1scroll" << "balance1" << 0 << "12.5" << "12" << 12;
    QTest::newRow("blanks") << "bal_2scroll" << "balance2" << 0 << " 30 " << "30" << 30;
    QTest::newRow("letters") << "bal_2scroll" << "balance2" << 5 << "abc" << "abc" << 5;
  }
  void balance_validation() {
    QFETCH(QString, box_name);
    QFETCH(QString, bar_name);
    QFETCH(int, thumb_before);
    QFETCH(QString, typed);
    QFETCH(QString, text_after);
    QFETCH(int, thumb_after);
    QScrollBar* bar = form_->findChild<QScrollBar*>(bar_name);
    bar->setValue(thumb_before);
    type(box_name.toUtf8().constData(), typed);
    QLineEdit* b = box(box_name.toUtf8().constData());
    QCOMPARE(bar->value(), thumb_before);  // nothing happens before the box is left
    QTest::keyClick(b, Qt::Key_Tab);
    QVERIFY(!b->hasFocus());
    QCOMPARE(b->text(), text_after);
    QCOMPARE(bar->value(), thumb_after);
    // The other channels do not move.
    for (const char* other : {"balance1", "balance2", "balance3"})
      if (bar_name != QLatin1String(other)) QCOMPARE(get<QScrollBar>(other)->value(), 0);
  }

  void a_click_on_draw_validates_first() {
    type("bal_1scroll", "60");
    click("Command1");
    QCOMPARE(box("bal_1scroll")->text(), "45");
    QCOMPARE(get<QScrollBar>("balance1")->value(), 45);
    IncrementalDesign expected = IncrementalDesign::defaults();
    expected.channels[0].balance = "45";
    QVERIFY(image()->surface() == expected_image(expected, Polarity::Normal));
  }

  void activation_without_a_focus_change_validates_too() {
    for (const char* button : {"Command1", "Command5"}) {
      type("bal_2scroll", "-70");
      QVERIFY(box("bal_2scroll")->hasFocus());
      get<QPushButton>(button)->click();  // as a keyboard activation would: the focus stays
      QCOMPARE(box("bal_2scroll")->text(), "-45");
      QCOMPARE(get<QScrollBar>("balance2")->value(), -45);
      get<QScrollBar>("balance2")->setValue(0);
    }
  }

  void twelve_and_a_half_is_drawn_as_typed() {
    get<QScrollBar>("balance1")->setValue(12);
    type("bal_1scroll", "12.5");
    click("Command1");
    QCOMPARE(box("bal_1scroll")->text(), "12.5");
    QCOMPARE(get<QScrollBar>("balance1")->value(), 12);
    IncrementalDesign at_12_5 = IncrementalDesign::defaults(), at_12 = at_12_5;
    at_12_5.channels[0].balance = "12.5";
    at_12.channels[0].balance = "12";
    QVERIFY(image()->surface() == expected_image(at_12_5, Polarity::Normal));
    QVERIFY(!(image()->surface() == expected_image(at_12, Polarity::Normal)));
  }

  void a_non_numeric_balance_is_refused_by_draw() {
    type("bal_3scroll", "ten");
    click("Command1");
    QCOMPARE(box("bal_3scroll")->text(), "ten");
    QCOMPARE(get<QScrollBar>("balance3")->value(), 0);
    QCOMPARE(dialogs_->messages.size(), std::size_t{1});
    QCOMPARE(dialogs_->messages[0].text, qtext(message_text(Message::InvalidEntry)));
  }

  // --- balance: scroll bar to text -----------------------------------------

  void scroll_bar_actions_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<QAbstractSlider::SliderAction>("action");
    QTest::addColumn<int>("value");
    QTest::newRow("arrow at 45") << 45 << QAbstractSlider::SliderSingleStepAdd << 45;
    QTest::newRow("arrow at -45") << -45 << QAbstractSlider::SliderSingleStepSub << -45;
    QTest::newRow("track at 40") << 40 << QAbstractSlider::SliderPageStepAdd << 45;
    QTest::newRow("track at -38") << -38 << QAbstractSlider::SliderPageStepSub << -45;
    QTest::newRow("track at 0") << 0 << QAbstractSlider::SliderPageStepAdd << 10;
    QTest::newRow("arrow at 0") << 0 << QAbstractSlider::SliderSingleStepSub << -1;
  }
  void scroll_bar_actions() {
    QFETCH(int, start);
    QFETCH(QAbstractSlider::SliderAction, action);
    QFETCH(int, value);
    QScrollBar* bar = get<QScrollBar>("balance2");
    bar->setValue(start);
    QCOMPARE(box("bal_2scroll")->text(), start == 0 ? "0" : QString::number(start));
    QSignalSpy changes(bar, &QScrollBar::valueChanged);
    bar->triggerAction(action);
    QCOMPARE(bar->value(), value);
    QCOMPARE(changes.count(), value == start ? 0 : 1);
    QCOMPARE(box("bal_2scroll")->text(), QString::number(value));
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

  // --- zoom --------------------------------------------------------------

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
    QVERIFY(image()->surface() == expected_image(at_200, Polarity::Normal));

    // Draw Inverse ignores the slider and leaves zoom_diam alone.
    click("Command5");
    QCOMPARE(box("zoom_diam")->text(), "4");
    QVERIFY(image()->surface() == expected_image(IncrementalDesign::defaults(), Polarity::Inverse));
    QVERIFY(dialogs_->messages.empty());
  }

  // --- failures ----------------------------------------------------------

  void a_failure_before_the_clear_keeps_the_previous_image() {
    get<QSlider>("ZoomCTRL")->setValue(200);
    click("Command1");
    const Surface before = image()->surface();
    type("S2", "0");
    click("Command1");
    QCOMPARE(dialogs_->messages.size(), std::size_t{1});
    QCOMPARE(dialogs_->messages[0].title, QStringLiteral("Vantor"));
    QCOMPARE(dialogs_->messages[0].text,
             QStringLiteral("Invalid Parameter Entry.  Either improper slot/distances specified or a "
                            "non-numeric value is entered."));
    QVERIFY(image()->surface() == before);
    QCOMPARE(box("zoom_diam")->text(), "4");
    QCOMPARE(box("S2")->text(), "0");
  }

  void letters_in_res_leave_the_black_disc_and_the_new_diameter() {
    type("ED", "3");
    type("RES", "16x");
    click("Command1");
    QCOMPARE(dialogs_->messages.size(), std::size_t{1});
    QCOMPARE(dialogs_->messages[0].text, qtext(message_text(Message::InvalidEntry)));
    QCOMPARE(box("zoom_diam")->text(), "3");
    QCOMPARE(box("RES")->text(), "16x");
    QCOMPARE(box("ED")->text(), "3");
    QVERIFY(image()->surface() == expected_image(form_->design(), Polarity::Normal));
    // The black disc: centre and rim band black, the corners white.
    const Surface& s = image()->surface();
    QCOMPARE(s.pixel(s.width() / 2 + 5, s.height() / 2 + 5), Colour::Black);
    QCOMPARE(s.pixel(s.width() / 2 + 130, s.height() / 2), Colour::Black);
    QCOMPARE(s.pixel(5, 5), Colour::White);
  }

  void tracks_that_do_not_fit_show_the_fit_message() {
    for (const char* name : {"CH1_SL", "CH2_SL", "CH3_SL"}) type(name, "0.5");
    for (const char* button : {"Command1", "Command5"}) {
      dialogs_->clear();
      click(button);
      QCOMPARE(dialogs_->messages.size(), std::size_t{1});
      QCOMPARE(dialogs_->messages[0].title, QStringLiteral("Vantor"));
      QCOMPARE(dialogs_->messages[0].text, QStringLiteral("Slot Lengths extend past the radius of the encoder"));
      const Surface& s = image()->surface();
      const Colour disc = QLatin1String(button) == QLatin1String("Command1") ? Colour::Black : Colour::White;
      QCOMPARE(s.pixel(s.width() / 2 + 20, s.height() / 2 + 20), disc);  // no shaft hole, no slots
      QCOMPARE(s.pixel(s.width() / 2 + 70, s.height() / 2 - 10), disc);
    }
    QCOMPARE(box("CH1_SL")->text(), "0.5");
  }

  void a_resolution_too_high_is_refused_with_its_message() {
    type("RES", "1e6");
    click("Command1");
    QCOMPARE(dialogs_->messages.size(), std::size_t{1});
    QCOMPARE(dialogs_->messages[0].text, qtext(message_text(Message::ResolutionTooHigh)));
    QCOMPARE(box("RES")->text(), "1e6");
  }

  // --- Save, Print, Exit ---------------------------------------------------

  void save_and_print_act_on_the_incremental_image() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    click("Command1");
    dialogs_->save_answers.push_back(dir.filePath("disc1"));
    click("Command3");
    QCOMPARE(dialogs_->save_requests.size(), std::size_t{1});
    QCOMPARE(dialogs_->save_requests[0].file_name, QStringLiteral("encoder"));
    QCOMPARE(dialogs_->save_requests[0].folder, QDir::homePath());
    QVERIFY(QFileInfo(dir.filePath("disc1.bmp")).size() > 0);
    // The next Save offers the name chosen.
    click("Command3");
    QCOMPARE(dialogs_->save_requests.size(), std::size_t{2});
    QCOMPARE(dialogs_->save_requests[1].file_name, QStringLiteral("disc1.bmp"));
    click("Command4");  // answered Cancel
    QCOMPARE(dialogs_->print_requests, 1);
    QVERIFY(dialogs_->messages.empty());
  }

  void exit_closes_the_form_and_its_image_window() {
    type("ED", "5");
    click("Command1");
    QVERIFY(registry_->is_loaded(WindowId::IncEncoderDraw));
    registry_->show(WindowId::TopForm);  // keeps the program alive
    click("Command2");
    QVERIFY(!registry_->is_loaded(WindowId::IncForm));
    QVERIFY(!registry_->is_loaded(WindowId::IncEncoderDraw));
    settle();
    form_ = static_cast<IncForm*>(registry_->show(WindowId::IncForm));
    QVERIFY(form_->design() == IncrementalDesign::defaults());
    QCOMPARE(box("zoom_diam")->text(), "2");
  }

  void exit_without_an_image_window_closes_only_the_form() {
    registry_->show(WindowId::TopForm);
    click("Command2");
    QVERIFY(!registry_->is_loaded(WindowId::IncForm));
    QVERIFY(!registry_->is_loaded(WindowId::IncEncoderDraw));
    QVERIFY(registry_->window(WindowId::TopForm)->isVisible());
  }
};

VANTOR_GUI_TEST(IncFormTest);

#include "inc_form_test.moc"
