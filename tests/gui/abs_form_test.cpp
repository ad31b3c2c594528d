// Abs_form: its layout and design-time values, the balance scroll bar and
// its echo, and what Draw, Exit, Save and Print do with the fields.
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <cmath>
#include <functional>
#include <memory>

#include "absolute/absolute_renderer.h"
#include "gui_test.h"
#include "output/image_window.h"
#include "scripted_dialogs.h"
#include "shell/window_registry.h"

using namespace vantor;

namespace {

const QString kInvalid = QStringLiteral(
    "Invalid Parameter Entry.  Either improper slot/distances specified or a non-numeric value is entered.");

int px(int twips) { return static_cast<int>(std::lround(twips / 15.0)); }

// The caption or text a control shows.
QString text_of(QWidget* w) {
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
  if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
  return {};
}

// What Draw should have put on the picture: the design rendered afresh.
Surface expected_picture(const AbsoluteDesign& design) {
  Surface s = Surface::for_picture();
  if (!render_absolute(design, s)) qFatal("reference drawing refused");
  return s;
}

}  // namespace

class AbsFormTest : public QObject {
  Q_OBJECT

  std::unique_ptr<test::ScriptedDialogs> dialogs_;
  std::unique_ptr<WindowRegistry> registry_;
  QWidget* form_ = nullptr;

  template <class T = QWidget>
  T* child(const char* name) {
    T* w = form_->findChild<T*>(QString::fromUtf8(name));
    if (!w) qFatal("no %s in Abs_form", name);
    return w;
  }
  QLineEdit* edit(const char* name) { return child<QLineEdit>(name); }
  QScrollBar* bal() { return child<QScrollBar>("abs_bal"); }
  void click(const char* name) { QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton); }
  Surface* picture() {
    auto* w = qobject_cast<ImageWindow*>(registry_->window(WindowId::AbsEncoderDraw));
    return w ? &w->surface() : nullptr;
  }
  static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

 private slots:
  void init() {
    dialogs_ = std::make_unique<test::ScriptedDialogs>();
    registry_ = std::make_unique<WindowRegistry>(*dialogs_);
    registry_->show(WindowId::TopForm);  // keeps the program alive across Exit
    form_ = registry_->show(WindowId::AbsForm);
  }
  void cleanup() {
    registry_.reset();
    settle();
  }

  void every_control_of_the_layout_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("twips");
    struct Row {
      const char *name, *kind, *text, *parent;
      int l, t, w, h;
    };
    const Row rows[] = {
        {"Frame1", "QGroupBox", "Vantor Data", "Abs_form", 360, 240, 4815, 5415},
        {"Label1", "QLabel", "Encoder Diameter", "Frame1", 240, 480, 1335, 255},
        {"ED", "QLineEdit", "2", "Frame1", 1680, 480, 495, 285},
        {"Label2", "QLabel", "Drive Shaft Diam.", "Frame1", 2280, 480, 1335, 255},
        {"DD", "QLineEdit", "0.1875", "Frame1", 3600, 480, 855, 285},
        {"Label3", "QLabel", "Res.", "Frame1", 360, 1080, 495, 255},
        {"Res_exp", "QLineEdit", "6", "Frame1", 840, 1080, 615, 285},
        {"Label6", "QLabel", "Scale", "Frame1", 1800, 1080, 855, 255},
        {"S1", "QLineEdit", "1", "Frame1", 2280, 1080, 375, 285},
        {"Label5", "QLabel", ":", "Frame1", 2640, 960, 135, 375},
        {"S2", "QLineEdit", "1", "Frame1", 2760, 1080, 375, 285},
        {"Frame8", "QGroupBox", "Units", "Frame1", 3360, 960, 1095, 855},
        {"Unit_in", "QRadioButton", "in", "Frame8", 120, 240, 495, 255},
        {"Unit_mm", "QRadioButton", "mm", "Frame8", 120, 480, 615, 255},
        {"Frame2", "QGroupBox", "Absolute Type", "Frame1", 360, 1680, 2775, 735},
        {"Bin_type", "QRadioButton", "Binary", "Frame2", 120, 240, 975, 255},
        {"grey_type", "QRadioButton", "Grey", "Frame2", 1440, 240, 1095, 375},
        {"Frame5", "QGroupBox", "Channel  Diminsions", "Frame1", 360, 2640, 3735, 2655},
        {"Label4", "QLabel", "Slot Length", "Frame5", 120, 360, 975, 255},
        {"SL_in", "QLineEdit", "0.06125", "Frame5", 1200, 360, 855, 285},
        {"Label7", "QLabel", "Edge Distance:", "Frame5", 120, 840, 1695, 255},
        {"CH1_ED_Def", "QRadioButton", "Default - Slot Length", "Frame5", 240, 1080, 1815, 255},
        {"CH1_ED_U", "QRadioButton", "User", "Frame5", 240, 1440, 855, 195},
        {"CH1_ED", "QLineEdit", "0.125", "Frame5", 1080, 1440, 855, 285},
        {"CH1_ED_Auto", "QRadioButton", "Auto", "Frame5", 240, 1800, 735, 255},
        {"Command1", "QPushButton", "Draw", "Abs_form", 360, 6000, 735, 375},
        {"Command4", "QPushButton", "Print", "Abs_form", 1560, 6000, 735, 375},
        {"Command3", "QPushButton", "Save", "Abs_form", 2880, 6000, 735, 375},
        {"Command2", "QPushButton", "Exit", "Abs_form", 4080, 6000, 735, 375},
        {"Label8", "QLabel", "Balance", "Abs_form", 360, 6720, 735, 255},
        {"abs_bal", "QScrollBar", "", "Abs_form", 1200, 6720, 2775, 255},
        {"abs_bal_txt", "QLineEdit", "0", "Abs_form", 4080, 6720, 735, 375},
        {"Command11", "QPushButton", "Draw Inverse", "Abs_form", 360, 9360, 1335, 375},
        {"Command12", "QPushButton", "Touch-up Off", "Abs_form", 2160, 9360, 1215, 375},
    };
    for (const Row& r : rows)
      QTest::newRow(r.name) << r.name << r.kind << r.text << r.parent << QRect(r.l, r.t, r.w, r.h);
  }
  void every_control_of_the_layout() {
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(QString, parent);
    QFETCH(QRect, twips);
    QWidget* w = form_->findChild<QWidget*>(name);
    QVERIFY(w);
    QVERIFY2(w->inherits(kind.toUtf8()), qPrintable(w->metaObject()->className()));
    QCOMPARE(text_of(w), text);
    QCOMPARE(w->parentWidget()->objectName(), parent);
    QCOMPARE(w->geometry(), QRect(px(twips.x()), px(twips.y()), px(twips.width()), px(twips.height())));
    const bool colon = name == QLatin1String("Label5");
    QCOMPARE(w->font().pointSizeF(), colon ? 13.5 : 8.0);
    QCOMPARE(w->font().bold(), colon);
  }

  void window_caption_and_client_area() {
    QCOMPARE(form_->objectName(), QStringLiteral("Abs_form"));
    QCOMPARE(form_->windowTitle(), QStringLiteral("Absolute Encoder"));
    QCOMPARE(form_->size(), QSize(362, 493));
    // Draw Inverse and Touch-up Off lie below the bottom edge.
    QVERIFY(child("Command11")->geometry().top() > form_->height());
    QVERIFY(child("Command12")->geometry().top() > form_->height());
  }

  void tab_order() {
    const char* order[] = {"ED",       "DD",        "Res_exp",    "S1",        "S2",         "Unit_in",
                           "Unit_mm",  "Bin_type",  "grey_type",  "SL_in",     "CH1_ED_Def", "CH1_ED_U",
                           "CH1_ED",   "Command1",  "Command2",   "Command3",  "Command4",   "Command11",
                           "Command12", "CH1_ED_Auto", "abs_bal", "abs_bal_txt", "ExportButton", "ED"};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
      QVERIFY2(test::next_tab_stop(child(order[i])) == child(order[i + 1]), order[i]);
  }

  void option_groups_are_independent() {
    QVERIFY(child<QRadioButton>("Unit_in")->isChecked());
    QVERIFY(child<QRadioButton>("grey_type")->isChecked());
    QVERIFY(child<QRadioButton>("CH1_ED_Auto")->isChecked());
    QTest::mouseClick(child<QRadioButton>("Unit_mm"), Qt::LeftButton);
    QTest::mouseClick(child<QRadioButton>("Bin_type"), Qt::LeftButton);
    QTest::mouseClick(child<QRadioButton>("CH1_ED_U"), Qt::LeftButton);
    const char* checked[] = {"Unit_mm", "Bin_type", "CH1_ED_U"};
    const char* unchecked[] = {"Unit_in", "grey_type", "CH1_ED_Def", "CH1_ED_Auto"};
    for (const char* n : checked) QVERIFY2(child<QRadioButton>(n)->isChecked(), n);
    for (const char* n : unchecked) QVERIFY2(!child<QRadioButton>(n)->isChecked(), n);
    // Choosing an option changes nothing else.
    QCOMPARE(edit("ED")->text(), QStringLiteral("2"));
    QVERIFY(edit("CH1_ED")->isEnabled());
  }

  void balance_scroll_bar_writes_its_value() {
    QScrollBar* b = bal();
    QCOMPARE(b->minimum(), -45);
    QCOMPARE(b->maximum(), 45);
    QCOMPARE(b->singleStep(), 1);
    QCOMPARE(b->pageStep(), 10);
    QCOMPARE(b->value(), 0);
    struct Step {
      std::function<void(QScrollBar*)> act;
      const char* shows;
    };
    const Step steps[] = {
        {[](QScrollBar* s) { s->triggerAction(QAbstractSlider::SliderSingleStepAdd); }, "1"},
        {[](QScrollBar* s) { s->triggerAction(QAbstractSlider::SliderPageStepSub); }, "-9"},
        {[](QScrollBar* s) { s->triggerAction(QAbstractSlider::SliderSingleStepSub); }, "-10"},
        {[](QScrollBar* s) { s->triggerAction(QAbstractSlider::SliderToMinimum); }, "-45"},
        {[](QScrollBar* s) { s->triggerAction(QAbstractSlider::SliderSingleStepSub); }, "-45"},
        {[](QScrollBar* s) { s->setValue(45); }, "45"},
        {[](QScrollBar* s) { s->triggerAction(QAbstractSlider::SliderPageStepAdd); }, "45"},
        {[](QScrollBar* s) { s->setValue(0); }, "0"},
        {[](QScrollBar* s) { s->triggerAction(QAbstractSlider::SliderPageStepAdd); }, "10"},
    };
    for (const Step& s : steps) {
      s.act(b);
      QCOMPARE(edit("abs_bal_txt")->text(), QString::fromUtf8(s.shows));
    }
  }

  void balance_text_follows_the_thumb_only_when_let_go() {
    QScrollBar* b = bal();
    b->setSliderDown(true);
    b->setSliderPosition(-30);
    b->setSliderPosition(-45);
    QCOMPARE(edit("abs_bal_txt")->text(), QStringLiteral("0"));
    b->setSliderDown(false);
    QCOMPARE(b->value(), -45);
    QCOMPARE(edit("abs_bal_txt")->text(), QStringLiteral("-45"));
  }

  void draw_with_design_time_values() {
    click("Command1");
    QVERIFY(dialogs_->messages.empty());
    QWidget* image = registry_->window(WindowId::AbsEncoderDraw);
    QVERIFY(image && image->isVisible());
    QVERIFY(*picture() == expected_picture(AbsoluteDesign{}));
    QCOMPARE(picture()->scale_mode(), ScaleMode::Inch);
  }

  void draw_reads_the_fields_and_options() {
    edit("Res_exp")->setText("4");
    edit("ED")->setText("40");
    edit("DD")->setText("5");
    edit("SL_in")->setText("2");
    edit("CH1_ED")->setText("3");
    edit("S1")->setText("1");
    edit("S2")->setText("2");
    QTest::mouseClick(child<QRadioButton>("Unit_mm"), Qt::LeftButton);
    QTest::mouseClick(child<QRadioButton>("Bin_type"), Qt::LeftButton);
    QTest::mouseClick(child<QRadioButton>("CH1_ED_U"), Qt::LeftButton);
    bal()->setValue(-20);
    click("Command1");
    QVERIFY(dialogs_->messages.empty());
    AbsoluteDesign d;
    d.unit = Unit::Millimetre;
    d.resolution_exp = 4;
    d.scale_den = 2;
    d.encoder_diameter = 40;
    d.shaft_diameter = 5;
    d.slot_length = 2;
    d.edge_mode = AbsEdgeMode::User;
    d.edge_distance = 3;
    d.code_type = CodeType::Binary;
    d.balance = -20;
    QVERIFY(*picture() == expected_picture(d));
    // Default mode uses the slot length as the gap; CH1_ED is not read.
    QTest::mouseClick(child<QRadioButton>("CH1_ED_Def"), Qt::LeftButton);
    edit("CH1_ED")->setText("not a number");
    click("Command1");
    QVERIFY(dialogs_->messages.empty());
    d.edge_mode = AbsEdgeMode::Default;
    QVERIFY(*picture() == expected_picture(d));
  }

  void draw_ignores_the_balance_text() {
    bal()->setValue(10);
    edit("abs_bal_txt")->setText("30");
    click("Command1");
    AbsoluteDesign d;
    d.balance = 10;
    QVERIFY(*picture() == expected_picture(d));
    edit("abs_bal_txt")->setText("rubbish");
    click("Command1");
    QVERIFY(dialogs_->messages.empty());
    QVERIFY(*picture() == expected_picture(d));
  }

  void auto_mode_ignores_slot_length_and_edge_distance() {
    edit("SL_in")->setText("0.3");
    edit("CH1_ED")->setText("x");
    click("Command1");
    QVERIFY(dialogs_->messages.empty());
    QVERIFY(*picture() == expected_picture(AbsoluteDesign{}));
  }

  void bad_entries_give_a_message_and_keep_the_picture_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("option");  // selected before Draw, or empty
    QTest::addColumn<bool>("limit");      // the resolution limit's message
    QTest::newRow("Res_exp not a number") << "Res_exp" << "six" << "" << false;
    QTest::newRow("S1 empty") << "S1" << "" << "" << false;
    QTest::newRow("S2 not a number") << "S2" << "1/2" << "" << false;
    QTest::newRow("S2 zero") << "S2" << "0" << "" << false;
    QTest::newRow("SL_in not a number in Auto") << "SL_in" << "abc" << "" << false;
    QTest::newRow("ED not a number") << "ED" << "2in" << "" << false;
    QTest::newRow("DD not a number") << "DD" << "?" << "" << false;
    QTest::newRow("CH1_ED not a number in User") << "CH1_ED" << "abc" << "CH1_ED_U" << false;
    QTest::newRow("Res_exp zero in Auto") << "Res_exp" << "0" << "" << false;
    QTest::newRow("disc beyond single precision") << "S2" << "1e-308" << "" << false;
    QTest::newRow("Res_exp above the limit") << "Res_exp" << QString::number(kMaxResolutionExp + 1) << "" << true;
    QTest::newRow("Res_exp 40") << "Res_exp" << "40" << "" << true;
  }
  void bad_entries_give_a_message_and_keep_the_picture() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, option);
    QFETCH(bool, limit);
    // A previous picture, touched up so that a redraw would show.
    click("Command1");
    picture()->pset(0.01f, 0.01f, Colour::Black);
    const Surface before = *picture();
    registry_->window(WindowId::AbsEncoderDraw)->hide();

    if (!option.isEmpty()) QTest::mouseClick(child<QRadioButton>(option.toUtf8()), Qt::LeftButton);
    edit(field.toUtf8())->setText(text);
    click("Command1");
    QCOMPARE(dialogs_->messages.size(), std::size_t(1));
    QCOMPARE(dialogs_->messages[0].title, QStringLiteral("Vantor"));
    if (limit) {
      QVERIFY(dialogs_->messages[0].text.contains(QString::number(kMaxResolutionExp)));
      QVERIFY(dialogs_->messages[0].text != kInvalid);
    } else {
      QCOMPARE(dialogs_->messages[0].text, kInvalid);
    }
    QVERIFY(*picture() == before);
    QVERIFY(!registry_->window(WindowId::AbsEncoderDraw)->isVisible());  // nothing new shown
    QCOMPARE(edit(field.toUtf8())->text(), text);                        // what was typed stays
  }

  void the_largest_resolution_draws() {
    edit("Res_exp")->setText(QString::number(kMaxResolutionExp));
    QTest::mouseClick(child<QRadioButton>("Bin_type"), Qt::LeftButton);
    click("Command1");
    QVERIFY(dialogs_->messages.empty());
    // Binary: the innermost slot covers the upper half.
    const Surface& s = *picture();
    const int cx = s.width() / 2, cy = s.height() / 2;
    QCOMPARE(s.pixel(cx - 3, cy - 19), Colour::White);  // 19 pixels out: the innermost track
    QCOMPARE(s.pixel(cx - 3, cy + 19), Colour::Black);
  }

  void bad_entry_before_any_drawing_opens_no_image_window() {
    edit("ED")->setText("");
    click("Command1");
    QCOMPARE(dialogs_->messages.size(), std::size_t(1));
    QVERIFY(!registry_->is_loaded(WindowId::AbsEncoderDraw));
  }

  void unused_buttons_do_nothing() {
    click("Command11");
    click("Command12");
    QVERIFY(dialogs_->messages.empty());
    QVERIFY(!registry_->is_loaded(WindowId::AbsEncoderDraw));
    QVERIFY(form_->isVisible());
  }

  void exit_closes_the_window_and_its_image_window() {
    click("Command1");
    QVERIFY(registry_->window(WindowId::AbsEncoderDraw)->isVisible());
    click("Command2");
    QVERIFY(!registry_->is_loaded(WindowId::AbsForm));
    QVERIFY(!registry_->is_loaded(WindowId::AbsEncoderDraw));
    QVERIFY(registry_->window(WindowId::TopForm)->isVisible());
    settle();
    // Reopened, it starts from the design-time values.
    form_ = registry_->show(WindowId::AbsForm);
    QCOMPARE(edit("Res_exp")->text(), QStringLiteral("6"));
  }

  void exit_before_drawing_leaves_the_image_window_closed() {
    click("Command2");
    QVERIFY(!registry_->is_loaded(WindowId::AbsForm));
    QVERIFY(!registry_->is_loaded(WindowId::AbsEncoderDraw));
  }

  void save_and_print_use_the_absolute_picture() {
    click("Command3");  // cancelled
    QCOMPARE(dialogs_->save_requests.size(), std::size_t(1));
    QCOMPARE(dialogs_->save_requests[0].file_name, QStringLiteral("ABS_encoder1"));
    QCOMPARE(dialogs_->save_requests[0].folder, QDir::homePath());
    click("Command4");  // cancelled
    QCOMPARE(dialogs_->print_requests, 1);
    QVERIFY(dialogs_->messages.empty());
    // The picture was loaded for them, hidden and white.
    QVERIFY(registry_->is_loaded(WindowId::AbsEncoderDraw));
    QVERIFY(!registry_->window(WindowId::AbsEncoderDraw)->isVisible());
  }
};

VANTOR_GUI_TEST(AbsFormTest);
#include "abs_form_test.moc"
