// Abs_form: its layout, the balance scroll bar and its echo, and what Draw
// and Exit do with the fields.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <cmath>
#include <memory>
#include <vector>

#include "absolute/absolute_renderer.h"
#include "gui_test.h"
#include "output/image_window.h"
#include "scripted_dialogs.h"
#include "shell/window_registry.h"

using namespace vantor;

namespace {

int px(int twips) { return static_cast<int>(std::lround(twips / 15.0)); }

// What Draw should have put on the picture: the design rendered afresh.
Surface expected_picture(const AbsoluteDesign& design) {
  Surface s = Surface::for_picture();
  if (render_absolute(design, s).message != Message::None) qFatal("reference drawing refused");
  return s;
}

struct LayoutRow {
  const char *name, *kind, *text, *parent;
  int left, top, width, height;  // twips, relative to the parent
};
const LayoutRow kLayout[] = {
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

// Entries made before Draw: text for a box, a click for an option button,
// the position for the balance scroll bar.
using Entries = std::vector<std::pair<const char*, const char*>>;

struct DrawRow {
  const char* name;
  Entries entries;
  AbsoluteDesign expected;
};
const Entries kEveryField = {{"Res_exp", "4"}, {"ED", "40"}, {"DD", "5"},     {"SL_in", "2"},   {"CH1_ED", "3"},
                             {"S1", "1"},      {"S2", "2"},  {"Unit_mm", ""}, {"Bin_type", ""}, {"abs_bal", "-20"}};
const DrawRow kDraws[] = {
    {"design-time values", {}, {}},
    {"every field and option", [] { Entries e = kEveryField; e.push_back({"CH1_ED_U", ""}); return e; }(),
     {Unit::Millimetre, 4, 1, 2, 40, 5, 2, AbsEdgeMode::User, 3, CodeType::Binary, -20}},
    {"Default mode reads no CH1_ED",
     [] { Entries e = kEveryField; e.insert(e.end(), {{"CH1_ED_Def", ""}, {"CH1_ED", "not a number"}}); return e; }(),
     {Unit::Millimetre, 4, 1, 2, 40, 5, 2, AbsEdgeMode::Default, 3, CodeType::Binary, -20}},
    {"Auto mode reads neither SL_in nor CH1_ED", {{"SL_in", "0.3"}, {"CH1_ED", "x"}}, {}},
    {"the balance text is ignored", {{"abs_bal", "10"}, {"abs_bal_txt", "30"}}, {.balance = 10}},
    {"a balance text that is no number", {{"abs_bal", "10"}, {"abs_bal_txt", "rubbish"}}, {.balance = 10}},
};

struct BadRow {
  const char *name, *field, *text, *option;  // option: selected before Draw
  bool limit;                                // the resolution limit's message
};
const std::string kAboveLimit = std::to_string(int(kMaxResolutionExp) + 1);
const BadRow kBad[] = {
    {"Res_exp not a number", "Res_exp", "six", nullptr, false},
    {"S1 empty", "S1", "", nullptr, false},
    {"S2 not a number", "S2", "1/2", nullptr, false},
    {"S2 zero", "S2", "0", nullptr, false},
    {"SL_in not a number in Auto", "SL_in", "abc", nullptr, false},
    {"ED not a number", "ED", "2in", nullptr, false},
    {"DD not a number", "DD", "?", nullptr, false},
    {"CH1_ED not a number in User", "CH1_ED", "abc", "CH1_ED_U", false},
    {"Res_exp zero in Auto", "Res_exp", "0", nullptr, false},
    {"disc beyond single precision", "S2", "1e-308", nullptr, false},
    {"Res_exp above the limit", "Res_exp", kAboveLimit.c_str(), nullptr, true},
    {"Res_exp 40", "Res_exp", "40", nullptr, true},
};

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
  void click(const char* name) { QTest::mouseClick(child<QAbstractButton>(name), Qt::LeftButton); }
  QString abs_bal_txt() { return edit("abs_bal_txt")->text(); }
  Surface* picture() {
    auto* w = qobject_cast<ImageWindow*>(registry_->window(WindowId::AbsEncoderDraw));
    return w ? &w->surface() : nullptr;
  }
  void enter(const Entries& entries) {
    for (const auto& [name, value] : entries) {
      if (auto* box = qobject_cast<QLineEdit*>(child(name)))
        box->setText(QString::fromUtf8(value));
      else if (auto* bar = qobject_cast<QScrollBar*>(child(name)))
        bar->setValue(std::atoi(value));
      else
        click(name);
    }
  }
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
    registry_->show(WindowId::TopForm);  // keeps the program alive across Exit
    form_ = registry_->show(WindowId::AbsForm);
  }
  void cleanup() {
    registry_.reset();
    settle();
  }

  void layout_data() { rows(kLayout); }
  void layout() {
    QFETCH(int, row);
    const LayoutRow& r = kLayout[row];
    QWidget* w = child(r.name);
    QVERIFY2(w->inherits(r.kind), w->metaObject()->className());
    QString shown;
    if (auto* b = qobject_cast<QAbstractButton*>(w)) shown = b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) shown = l->text();
    if (auto* e = qobject_cast<QLineEdit*>(w)) shown = e->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) shown = g->title();
    QCOMPARE(shown, QString::fromUtf8(r.text));
    QCOMPARE(w->parentWidget()->objectName(), QString::fromUtf8(r.parent));
    QCOMPARE(w->geometry(), QRect(px(r.left), px(r.top), px(r.width), px(r.height)));
    const bool colon = QLatin1String(r.name) == QLatin1String("Label5");
    QCOMPARE(w->font().pointSizeF(), colon ? 13.5 : 8.0);
    QCOMPARE(w->font().bold(), colon);
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
    for (const char* n : {"Unit_in", "grey_type", "CH1_ED_Auto"}) QVERIFY2(child<QRadioButton>(n)->isChecked(), n);
    for (const char* n : {"Unit_mm", "Bin_type", "CH1_ED_U"}) click(n);
    for (const char* n : {"Unit_mm", "Bin_type", "CH1_ED_U"}) QVERIFY2(child<QRadioButton>(n)->isChecked(), n);
    for (const char* n : {"Unit_in", "grey_type", "CH1_ED_Def", "CH1_ED_Auto"})
      QVERIFY2(!child<QRadioButton>(n)->isChecked(), n);
    // Choosing an option changes nothing else.
    QCOMPARE(edit("ED")->text(), QStringLiteral("2"));
    QVERIFY(edit("CH1_ED")->isEnabled());
  }

  void balance_scroll_bar_writes_its_value() {
    QScrollBar* b = bal();
    QCOMPARE(QList<int>({b->minimum(), b->maximum(), b->singleStep(), b->pageStep(), b->value()}),
             QList<int>({-45, 45, 1, 10, 0}));
    using A = QAbstractSlider;
    struct Step {
      A::SliderAction action;  // SliderNoAction: set the value
      int value;
      const char* shows;
    };
    const Step steps[] = {{A::SliderSingleStepAdd, 0, "1"}, {A::SliderPageStepSub, 0, "-9"},
                          {A::SliderToMinimum, 0, "-45"},   {A::SliderNoAction, 45, "45"}};
    for (const Step& s : steps) {
      if (s.action == A::SliderNoAction)
        b->setValue(s.value);
      else
        b->triggerAction(s.action);
      QCOMPARE(abs_bal_txt(), QString::fromUtf8(s.shows));
    }
  }

  void balance_text_follows_the_thumb_only_when_let_go() {
    QScrollBar* b = bal();
    b->setSliderDown(true);
    b->setSliderPosition(-30);
    b->setSliderPosition(-45);
    QCOMPARE(abs_bal_txt(), QStringLiteral("0"));
    b->setSliderDown(false);
    QCOMPARE(b->value(), -45);
    QCOMPARE(abs_bal_txt(), QStringLiteral("-45"));
  }

  void draw_reads_the_fields_and_options_data() { rows(kDraws); }
  void draw_reads_the_fields_and_options() {
    QFETCH(int, row);
    enter(kDraws[row].entries);
    click("Command1");
    QVERIFY(dialogs_->messages.empty());
    QVERIFY(registry_->window(WindowId::AbsEncoderDraw)->isVisible());
    QVERIFY(*picture() == expected_picture(kDraws[row].expected));
    const bool inch = kDraws[row].expected.unit == Unit::Inch;
    QCOMPARE(picture()->scale_mode(), inch ? ScaleMode::Inch : ScaleMode::Millimetre);
  }

  void bad_entries_give_a_message_and_keep_the_picture_data() { rows(kBad); }
  void bad_entries_give_a_message_and_keep_the_picture() {
    QFETCH(int, row);
    const BadRow& r = kBad[row];
    // A previous picture, touched up so that a redraw would show.
    click("Command1");
    picture()->pset(0.01f, 0.01f, Colour::Black);
    const Surface before = *picture();
    registry_->window(WindowId::AbsEncoderDraw)->hide();

    if (r.option) click(r.option);
    edit(r.field)->setText(QString::fromUtf8(r.text));
    click("Command1");
    QCOMPARE(dialogs_->messages.size(), std::size_t(1));
    QCOMPARE(dialogs_->messages[0].title, QStringLiteral("Vantor"));
    QCOMPARE(dialogs_->messages[0].buttons, MessageButtons::Ok);
    if (r.limit) {
      QVERIFY(dialogs_->messages[0].text.contains(QString::number(kMaxResolutionExp)));
      QVERIFY(dialogs_->messages[0].text.startsWith(QStringLiteral("The resolution is too high")));
    } else {
      QCOMPARE(dialogs_->messages[0].text, QStringLiteral("Invalid Parameter Entry.  Either improper slot/"
                                                          "distances specified or a non-numeric value is entered."));
    }
    QVERIFY(*picture() == before);
    QVERIFY(!registry_->window(WindowId::AbsEncoderDraw)->isVisible());  // nothing new shown
    QCOMPARE(edit(r.field)->text(), QString::fromUtf8(r.text));         // what was typed stays
  }

  void bad_entry_before_any_drawing_opens_no_image_window() {
    edit("ED")->setText("");
    click("Command1");
    QCOMPARE(dialogs_->messages.size(), std::size_t(1));
    QVERIFY(!registry_->is_loaded(WindowId::AbsEncoderDraw));
  }

  // The largest resolution draws, centred on the picture.
  void the_largest_resolution_draws() {
    edit("Res_exp")->setText(QString::number(kMaxResolutionExp));
    click("Bin_type");
    click("Command1");
    QVERIFY(dialogs_->messages.empty());
    // Binary: the innermost slot covers the upper half.
    const Surface& s = *picture();
    const int cx = s.width() / 2, cy = s.height() / 2;
    QCOMPARE(s.pixel(cx - 3, cy - 19), Colour::White);  // 19 pixels out: the innermost track
    QCOMPARE(s.pixel(cx - 3, cy + 19), Colour::Black);
  }

  void unused_buttons_do_nothing() {
    click("Command11");
    click("Command12");
    QVERIFY(dialogs_->messages.empty());
    QVERIFY(!registry_->is_loaded(WindowId::AbsEncoderDraw));
    QVERIFY(form_->isVisible());
  }

  void exit_closes_the_window_and_its_image_window() {
    for (bool draw_first : {true, false}) {
      edit("Res_exp")->setText("5");
      if (draw_first) click("Command1");
      QCOMPARE(registry_->is_loaded(WindowId::AbsEncoderDraw), draw_first);
      click("Command2");
      QVERIFY(!registry_->is_loaded(WindowId::AbsForm));
      QVERIFY(!registry_->is_loaded(WindowId::AbsEncoderDraw));
      QVERIFY(registry_->window(WindowId::TopForm)->isVisible());
      settle();
      // Reopened, it starts from the design-time values.
      form_ = registry_->show(WindowId::AbsForm);
      QCOMPARE(edit("Res_exp")->text(), QStringLiteral("6"));
    }
  }
};

VANTOR_GUI_TEST(AbsFormTest);
#include "abs_form_test.moc"
