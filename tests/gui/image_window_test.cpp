// The image windows: Picture1's place, the hint, touch-up by mouse, and a
// raster that survives hiding.
#include <QMouseEvent>
#include <QTest>

#include "gui_test.h"
#include "output/image_window.h"
#include "output/picture_widget.h"

using namespace vantor;

namespace {

// A mouse move with the given buttons held, at a point of the picture's
// client area (pixels from the inside of the border).
void move_over(PictureWidget* picture, QPoint client, Qt::MouseButtons held) {
  const QPointF local = QPointF(client + picture->contentsRect().topLeft()) + QPointF(0.5, 0.5);
  QMouseEvent move(QEvent::MouseMove, local, picture->mapToGlobal(local), Qt::NoButton, held, Qt::NoModifier);
  QApplication::sendEvent(picture, &move);
}

}  // namespace

class ImageWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void picture_sits_where_the_layout_puts_it_data() {
    QTest::addColumn<bool>("incremental");
    QTest::addColumn<QPoint>("origin");
    QTest::newRow("Inc_Encoder_draw") << true << QPoint(24, 16);
    QTest::newRow("Abs_encoder_draw") << false << QPoint(32, 16);
  }
  void picture_sits_where_the_layout_puts_it() {
    QFETCH(bool, incremental);
    QFETCH(QPoint, origin);
    ImageWindow window(incremental ? kIncEncoderDraw : kAbsEncoderDraw);
    PictureWidget* picture = window.findChild<PictureWidget*>("Picture1");
    QVERIFY(picture);
    QCOMPARE(picture->geometry(), QRect(origin, QSize(867, 600)));
    QCOMPARE(picture->contentsRect().size(), QSize(window.surface().width(), window.surface().height()));
    QCOMPARE(picture->contentsRect().topLeft(), QPoint(2, 2));
    QCOMPARE(picture->toolTip(), QStringLiteral("Touching up -- Left Click and Mouse Move draws black  -  "
                                                "Right Click and Mouse Move draws white"));
    QCOMPARE(window.surface().pixel(0, 0), Colour::White);
  }

  void touch_up_follows_the_buttons_data() {
    QTest::addColumn<int>("scale_mode");
    QTest::addColumn<Qt::MouseButtons>("held");
    QTest::addColumn<bool>("on_black");  // start from a black raster
    QTest::addColumn<int>("expected");   // colour of the pixel afterwards
    for (int mode : {1, 5, 6}) {
      const QByteArray m = QByteArray::number(mode);
      QTest::newRow("left draws black " + m) << mode << Qt::MouseButtons(Qt::LeftButton) << false << int(Colour::Black);
      QTest::newRow("right draws white " + m) << mode << Qt::MouseButtons(Qt::RightButton) << true << int(Colour::White);
      QTest::newRow("both draw nothing " + m) << mode << (Qt::LeftButton | Qt::RightButton) << false << int(Colour::White);
      QTest::newRow("middle draws nothing " + m) << mode << Qt::MouseButtons(Qt::MiddleButton) << true << int(Colour::Black);
      QTest::newRow("no button draws nothing " + m) << mode << Qt::MouseButtons() << false << int(Colour::White);
    }
  }
  void touch_up_follows_the_buttons() {
    QFETCH(int, scale_mode);
    QFETCH(Qt::MouseButtons, held);
    QFETCH(bool, on_black);
    QFETCH(int, expected);
    ImageWindow window(kIncEncoderDraw);
    Surface& s = window.surface();
    s.set_scale_mode(static_cast<ScaleMode>(scale_mode));
    if (on_black) std::fill(s.data(), s.data() + std::size_t(s.width()) * s.height(), 0x00);
    const Surface before = s;
    const QPoint at(123, 457);
    move_over(window.picture(), at, held);
    QCOMPARE(int(s.pixel(at.x(), at.y())), expected);
    // Nothing but the pixel under the pointer changes.
    int changed = 0;
    for (int j = 0; j < s.height(); ++j)
      for (int i = 0; i < s.width(); ++i) changed += s.pixel(i, j) != before.pixel(i, j);
    QCOMPARE(changed, int(expected != int(before.pixel(at.x(), at.y()))));
  }

  void every_pixel_of_a_row_is_reachable() {
    ImageWindow window(kAbsEncoderDraw);
    window.surface().set_scale_mode(ScaleMode::Millimetre);
    for (int i = 0; i < window.surface().width(); ++i) move_over(window.picture(), {i, 0}, Qt::LeftButton);
    for (int i = 0; i < window.surface().width(); ++i) QCOMPARE(window.surface().pixel(i, 0), Colour::Black);
    QCOMPARE(window.surface().pixel(0, 1), Colour::White);
  }

  void moves_outside_the_client_area_change_nothing() {
    ImageWindow window(kIncEncoderDraw);
    const Surface before = window.surface();
    const int w = window.surface().width(), h = window.surface().height();
    for (QPoint p : {QPoint(-1, 10), QPoint(-2, -2), QPoint(w, 10), QPoint(10, h), QPoint(w + 300, h + 300),
                     QPoint(-500, 20)})
      move_over(window.picture(), p, Qt::LeftButton);
    QVERIFY(window.surface() == before);
  }

  void the_raster_survives_hiding_and_showing() {
    ImageWindow window(kIncEncoderDraw);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    move_over(window.picture(), {40, 30}, Qt::LeftButton);
    window.hide();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.surface().pixel(40, 30), Colour::Black);
    const QImage shown = window.picture()->grab().toImage();
    const QPoint o = window.picture()->contentsRect().topLeft();
    QCOMPARE(QColor(shown.pixel(o + QPoint(40, 30))), QColor(Qt::black));
    QCOMPARE(QColor(shown.pixel(o + QPoint(41, 30))), QColor(Qt::white));
  }
};

VANTOR_GUI_TEST(ImageWindowTest);
#include "image_window_test.moc"
