// The main menu, the about box, the window lifecycle and the frames of the
// design windows.
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <memory>

#include "gui_test.h"
#include "scripted_dialogs.h"
#include "shell/window_registry.h"

using namespace vantor;

namespace {

QPushButton* button(QWidget* window, const char* name) {
  auto* b = window->findChild<QPushButton*>(QString::fromUtf8(name));
  if (!b) qFatal("no button %s in %s", name, qPrintable(window->objectName()));
  return b;
}

}  // namespace

class ShellTest : public QObject {
  Q_OBJECT

  std::unique_ptr<test::ScriptedDialogs> dialogs_;
  std::unique_ptr<WindowRegistry> registry_;
  std::unique_ptr<QSignalSpy> ended_;

  QWidget* top() { return registry_->window(WindowId::TopForm); }
  // Lets deleteLater() of unloaded windows run.
  static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

 private slots:
  void init() {
    dialogs_ = std::make_unique<test::ScriptedDialogs>();
    registry_ = std::make_unique<WindowRegistry>(*dialogs_);
    ended_ = std::make_unique<QSignalSpy>(registry_.get(), &WindowRegistry::all_closed);
    registry_->show(WindowId::TopForm);
  }
  void cleanup() {
    ended_.reset();
    registry_.reset();
    settle();
  }

  void captions_and_client_sizes_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QSize>("client");
    // 15 twips to a pixel.
    QTest::newRow("TOP_FORM") << int(WindowId::TopForm) << "TOP_FORM" << "Vantor Program   Version 2.0" << QSize(337, 288);
    QTest::newRow("Inc_form") << int(WindowId::IncForm) << "Inc_form" << "Incremental Encoder" << QSize(309, 722);
    QTest::newRow("Abs_form") << int(WindowId::AbsForm) << "Abs_form" << "Absolute Encoder" << QSize(362, 493);
    QTest::newRow("Inc_Encoder_draw") << int(WindowId::IncEncoderDraw) << "Inc_Encoder_draw" << "Incremental Encoder Image" << QSize(926, 646);
    QTest::newRow("Abs_encoder_draw") << int(WindowId::AbsEncoderDraw) << "Abs_encoder_draw" << "Absolute Encoder Image" << QSize(925, 633);
    QTest::newRow("about_frm") << int(WindowId::AboutFrm) << "about_frm" << "About " << QSize(378, 298);
  }
  void captions_and_client_sizes() {
    QFETCH(int, id);
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QSize, client);
    QWidget* w = registry_->show(static_cast<WindowId>(id));
    QCOMPARE(w->objectName(), name);
    QCOMPARE(w->windowTitle(), caption);
    QCOMPARE(w->size(), client);
  }

  // A frame draws its border and caption where none of its controls lies.
  void frames_leave_their_controls_clear_data() {
    QTest::addColumn<int>("id");
    QTest::newRow("Inc_form") << int(WindowId::IncForm);
    QTest::newRow("Abs_form") << int(WindowId::AbsForm);
  }
  void frames_leave_their_controls_clear() {
    QFETCH(int, id);
    const QList<QGroupBox*> frames = registry_->show(static_cast<WindowId>(id))->findChildren<QGroupBox*>();
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

  void main_menu_layout_and_tab_order() {
    struct Spot { const char* name; QRect px; };
    // Positions inside the frame, twips / 15.
    const Spot spots[] = {{"Command3", {32, 40, 105, 57}}, {"Command4", {184, 40, 105, 57}},
                          {"Command5", {40, 184, 81, 33}}, {"Command6", {208, 184, 81, 33}}};
    for (const Spot& s : spots) QCOMPARE(button(top(), s.name)->geometry(), s.px);
    QCOMPARE(button(top(), "Command3")->text(), QStringLiteral("Incremental Encoder"));
    QCOMPARE(button(top(), "Command6")->text(), QStringLiteral("About"));
    QCOMPARE(test::next_tab_stop(button(top(), "Command3")), button(top(), "Command4"));
    QCOMPARE(test::next_tab_stop(button(top(), "Command4")), button(top(), "Command5"));
    QCOMPARE(test::next_tab_stop(button(top(), "Command5")), button(top(), "Command6"));
    QVERIFY(top()->findChild<QWidget*>("Line1"));
  }

  void about_box_texts() {
    QTest::mouseClick(button(top(), "Command6"), Qt::LeftButton);
    QWidget* about = registry_->window(WindowId::AboutFrm);
    QVERIFY(about && about->isVisible());
    auto label = [&](const char* n) { return about->findChild<QLabel*>(n)->text(); };
    QCOMPARE(label("Label1"), QStringLiteral("Vantor version 2.0"));
    QCOMPARE(label("Label2"), QStringLiteral("Written by"));
    QCOMPARE(label("Label4"), QStringLiteral("This program is used to develop incremental encoders.  "
                                             "The encoders can be reflective or see-through.  "));
    QVERIFY(label("Label5").startsWith(QStringLiteral("Send Comments to: ")));
    QTest::mouseClick(button(about, "Command1"), Qt::LeftButton);
    QVERIFY(!registry_->is_loaded(WindowId::AboutFrm));
    QCOMPARE(ended_->count(), 0);
  }

  void second_press_raises_the_same_window_and_keeps_its_values() {
    QTest::mouseClick(button(top(), "Command3"), Qt::LeftButton);
    QWidget* first = registry_->window(WindowId::IncForm);
    QVERIFY(first && first->isVisible());
    QLineEdit* ed = first->findChild<QLineEdit*>("ED");
    QVERIFY(ed);
    ed->setText("3.5");
    QTest::mouseClick(button(top(), "Command3"), Qt::LeftButton);
    QCOMPARE(registry_->window(WindowId::IncForm), first);
    QCOMPARE(first->findChild<QLineEdit*>("ED")->text(), QStringLiteral("3.5"));
  }

  void closed_window_comes_back_with_design_time_values() {
    for (WindowId id : {WindowId::IncForm, WindowId::AbsForm}) {
      QWidget* w = registry_->show(id);
      QLineEdit* ed = w->findChild<QLineEdit*>("ED");
      QVERIFY(ed);
      ed->setText("9");
      QVERIFY(w->close());  // the close box
      QVERIFY(!registry_->is_loaded(id));
      settle();
      QCOMPARE(registry_->show(id)->findChild<QLineEdit*>("ED")->text(), QStringLiteral("2"));
    }
  }

  void exit_closes_the_working_windows_but_not_the_about_box() {
    for (WindowId id : {WindowId::IncForm, WindowId::AbsForm, WindowId::IncEncoderDraw,
                        WindowId::AbsEncoderDraw, WindowId::AboutFrm})
      registry_->show(id);
    QTest::mouseClick(button(top(), "Command5"), Qt::LeftButton);
    for (WindowId id : {WindowId::TopForm, WindowId::IncForm, WindowId::AbsForm,
                        WindowId::IncEncoderDraw, WindowId::AbsEncoderDraw})
      QVERIFY(!registry_->is_loaded(id));
    QVERIFY(registry_->window(WindowId::AboutFrm)->isVisible());
    QCOMPARE(ended_->count(), 0);
    QTest::mouseClick(button(registry_->window(WindowId::AboutFrm), "Command1"), Qt::LeftButton);
    QCOMPARE(ended_->count(), 1);
  }

  void exit_alone_ends_the_program_without_showing_anything() {
    QTest::mouseClick(button(top(), "Command5"), Qt::LeftButton);
    QCOMPARE(ended_->count(), 1);
    for (int i = 0; i < kWindowCount; ++i) QVERIFY(!registry_->is_loaded(static_cast<WindowId>(i)));
  }

  void closing_the_main_menu_leaves_the_other_windows_running() {
    registry_->show(WindowId::AbsForm);
    QVERIFY(top()->close());
    QVERIFY(registry_->window(WindowId::AbsForm)->isVisible());
    QCOMPARE(ended_->count(), 0);
    QVERIFY(registry_->window(WindowId::AbsForm)->close());
    QCOMPARE(ended_->count(), 1);
  }

  // A window loaded hidden for its picture must not keep the program alive.
  void a_hidden_image_window_does_not_keep_the_program_alive() {
    registry_->show(WindowId::IncForm);
    QVERIFY(top()->close());
    QVERIFY(registry_->image_window(WindowId::IncEncoderDraw));
    QVERIFY(!registry_->window(WindowId::IncEncoderDraw)->isVisible());
    QCOMPARE(ended_->count(), 0);
    QVERIFY(registry_->window(WindowId::IncForm)->close());
    QCOMPARE(ended_->count(), 1);
    QVERIFY(!registry_->is_loaded(WindowId::IncEncoderDraw));
  }

  void closing_a_window_that_is_not_loaded_does_nothing() {
    registry_->unload(WindowId::AbsEncoderDraw);
    QVERIFY(top()->isVisible());
    QCOMPARE(ended_->count(), 0);
  }
};

VANTOR_GUI_TEST(ShellTest);
#include "shell_test.moc"
