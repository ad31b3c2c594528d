// The binder on the design windows: a record loaded into the controls reads
// back as it was, through a second binder and through the window's own, the
// displays show their positions, and the balance bars answer the arrow keys
// and show that they have the focus.
#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <memory>

#include "designers/abs_form.h"
#include "gui_test.h"
#include "designers/inc_form.h"
#include "scripted_dialogs.h"
#include "shell/window_registry.h"

using namespace vantor;

namespace {

// Every value away from its design-time one, a balance box that disagrees
// with its bar, texts that are no numbers.
const IncFormValues kIncremental[] = {
    {{Unit::Millimetre, "3", "x", "", "5", "1e3", 250,
      {{{ChannelType::Index, false, "1.5", IncEdgeMode::User, "0.5", "12.5"},
        {ChannelType::A, true, "", IncEdgeMode::User, "abc", "-45"},
        {ChannelType::B, false, "2.5", IncEdgeMode::Default, "1.25", "abc"}}}},
     {12, -3, 45}},
    {{Unit::Inch, "1", "2", "40", "0.25", "360", 10,
      {{{ChannelType::B, true, "0.2", IncEdgeMode::Default, "0.1", "-7"},
        {ChannelType::Index, false, "0.3", IncEdgeMode::Default, "0.2", "0"},
        {ChannelType::A, true, "0.4", IncEdgeMode::User, "0.3", "45"}}}},
     {-45, 0, 44}},
};

const AbsoluteEntries kAbsolute[] = {
    {Unit::Millimetre, "10", "3", "x", "40", "", "0.1", AbsEdgeMode::User, "abc", CodeType::Binary, -45},
    {Unit::Inch, "", "2", "3", "1.5", "0.25", "2", AbsEdgeMode::Default, "0.3", CodeType::Grey, 17},
};

struct BalanceBar {
  WindowId window;
  const char *bar, *shown_in;
};
const BalanceBar kBalanceBars[] = {
    {WindowId::IncForm, "balance1", "bal_1scroll"},
    {WindowId::IncForm, "balance2", "bal_2scroll"},
    {WindowId::IncForm, "balance3", "bal_3scroll"},
    {WindowId::AbsForm, "abs_bal", "abs_bal_txt"},
};

template <class Row, std::size_t N>
void rows(const Row (&)[N]) {
  QTest::addColumn<int>("row");
  for (std::size_t i = 0; i < N; ++i) QTest::newRow(qPrintable(QString::number(i))) << int(i);
}

}  // namespace

class ControlBinderTest : public QObject {
  Q_OBJECT

  std::unique_ptr<test::ScriptedDialogs> dialogs_;
  std::unique_ptr<WindowRegistry> registry_;

  QString text_of(QWidget* form, const char* name) {
    return form->findChild<QLineEdit*>(QString::fromLatin1(name))->text();
  }

 private slots:
  void init() {
    dialogs_ = std::make_unique<test::ScriptedDialogs>();
    registry_ = std::make_unique<WindowRegistry>(*dialogs_);
  }
  void cleanup() {
    registry_.reset();
    dialogs_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  void incremental_load_and_read_data() { rows(kIncremental); }
  void incremental_load_and_read() {
    QFETCH(int, row);
    const IncFormValues& values = kIncremental[row];
    auto* form = static_cast<IncForm*>(registry_->show(WindowId::IncForm));
    ControlBinder<IncFormValues> binder(form, incremental_fields());
    binder.load(values);
    QVERIFY(binder.read() == values);
    QVERIFY(form->design() == values.design);
    QCOMPARE(text_of(form, "Zoom_txt"), QString::number(values.design.zoom));
    QCOMPARE(text_of(form, "zoom_diam"), QStringLiteral("2"));
  }

  void absolute_load_and_read_data() { rows(kAbsolute); }
  void absolute_load_and_read() {
    QFETCH(int, row);
    const AbsoluteEntries& values = kAbsolute[row];
    auto* form = static_cast<AbsForm*>(registry_->show(WindowId::AbsForm));
    ControlBinder<AbsoluteEntries> binder(form, absolute_fields());
    binder.load(values);
    QVERIFY(binder.read() == values);
    QVERIFY(form->entries() == values);
    QCOMPARE(text_of(form, "abs_bal_txt"), QString::number(values.balance));
  }

  void balance_bars_follow_the_arrow_keys_data() {
    QTest::addColumn<int>("row");
    for (const BalanceBar& b : kBalanceBars) QTest::newRow(b.bar) << int(&b - kBalanceBars);
  }
  void balance_bars_follow_the_arrow_keys() {
    QFETCH(int, row);
    const BalanceBar& b = kBalanceBars[row];
    QWidget* form = registry_->show(b.window);
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form));
    auto* bar = form->findChild<QScrollBar*>(QString::fromLatin1(b.bar));
    const QImage without_focus = bar->grab().toImage();
    bar->setFocus(Qt::TabFocusReason);
    QVERIFY(bar->hasFocus());
    QVERIFY(bar->grab().toImage() != without_focus);

    QTest::keyClick(bar, Qt::Key_Right);
    QCOMPARE(bar->value(), 1);
    QCOMPARE(text_of(form, b.shown_in), QStringLiteral("1"));
    QTest::keyClick(bar, Qt::Key_Left);
    QTest::keyClick(bar, Qt::Key_Left);
    QCOMPARE(bar->value(), -1);
    QCOMPARE(text_of(form, b.shown_in), QStringLiteral("-1"));
  }

  void a_greyed_check_box_is_off() {
    auto* form = static_cast<IncForm*>(registry_->show(WindowId::IncForm));
    auto* on = form->findChild<QCheckBox*>(QStringLiteral("CH2_on"));
    on->setTristate(true);
    on->setCheckState(Qt::PartiallyChecked);
    QVERIFY(!form->design().channels[1].on);
  }
};

VANTOR_GUI_TEST(ControlBinderTest);

#include "control_binder_test.moc"
