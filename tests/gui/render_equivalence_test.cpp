// vantor-render against the windows: the same entries typed into the real
// controls, "Draw" (or "Draw Inverse") and "Save" give the same file as the
// command, byte for byte.
#include <QAbstractSlider>
#include <QCheckBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "bmp_reader.h"
#include "gui_test.h"
#include "scripted_dialogs.h"
#include "shell/window_registry.h"

namespace vantor::test {
namespace {

// Makes one entry on the window as a user does: types into a text box and
// tabs out of it, clicks a check box or option button, moves a scroll bar or
// slider.
void enter(QWidget* form, const QString& entry) {
  const qsizetype eq = entry.indexOf(QLatin1Char('='));
  const QString name = eq < 0 ? entry : entry.left(eq), text = eq < 0 ? QString() : entry.mid(eq + 1);
  QWidget* w = form->findChild<QWidget*>(name);
  QVERIFY2(w, qPrintable(name));
  if (auto* box = qobject_cast<QLineEdit*>(w)) {
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(box->hasFocus());
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Tab);
  } else if (auto* check = qobject_cast<QCheckBox*>(w)) {
    if (check->isChecked() != (text == QLatin1String("1"))) QTest::mouseClick(check, Qt::LeftButton);
  } else if (auto* option = qobject_cast<QRadioButton*>(w)) {
    QTest::mouseClick(option, Qt::LeftButton);
    QVERIFY(option->isChecked());
  } else if (auto* bar = qobject_cast<QAbstractSlider*>(w)) {
    bar->setFocus(Qt::MouseFocusReason);
    bar->setValue(text.toInt());
  } else {
    QFAIL(qPrintable(name + QStringLiteral(" is no input")));
  }
}

QString first_difference(const QString& a, const QString& b) {
  QString error;
  const std::optional<Bmp> x = read_bmp(file_bytes(a), &error), y = read_bmp(file_bytes(b), &error);
  if (!x || !y) return QStringLiteral("unreadable: ") + error;
  if (x->width != y->width || x->height != y->height || x->x_ppm != y->x_ppm) return QStringLiteral("header differs");
  for (int j = 0; j < x->height; ++j)
    for (int i = 0; i < x->width; ++i)
      if (x->at(i, j) != y->at(i, j)) return QStringLiteral("pixel (%1, %2) differs").arg(i).arg(j);
  return QStringLiteral("same pixels, other bytes");
}

}  // namespace

class RenderEquivalenceTest : public QObject {
  Q_OBJECT

  std::unique_ptr<ScriptedDialogs> dialogs_;
  std::unique_ptr<WindowRegistry> registry_;

 private slots:
  void init() {
    dialogs_ = std::make_unique<ScriptedDialogs>();
    registry_ = std::make_unique<WindowRegistry>(*dialogs_);
  }
  void cleanup() {
    registry_.reset();
    dialogs_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  void same_file_as_the_window_data() {
    QTest::addColumn<bool>("absolute");
    QTest::addColumn<QString>("entries");
    QTest::addColumn<bool>("inverse");
    QTest::newRow("incremental, design-time values") << false << "" << false;
    QTest::newRow("incremental, inverse of design-time values") << false << "" << true;
    QTest::newRow("incremental, zoom, index, user edge, balances")
        << false << "RES=40 ED=1.75 DD=0.25 CH2_I CH3_A CH1_ED_U CH1_ED=0.1 bal_1scroll=20 bal_3scroll=-60 ZoomCTRL=150"
        << false;
    QTest::newRow("incremental inverse, scale, channel off, half balance")
        << false << "CH2_on=0 RES=25 S1=3 S2=2 balance2=12 bal_2scroll=12.5 ZoomCTRL=300" << true;
    QTest::newRow("incremental in mm, rounded balance")
        << false << "Unit_mm ED=50 DD=5 CH1_SL=4 CH2_SL=4 CH3_SL=3 RES=30 bal_2scroll=7.6 CH1_B" << false;
    QTest::newRow("absolute, design-time values") << true << "" << false;
    QTest::newRow("absolute binary with balance") << true << "Bin_type Res_exp=8 abs_bal=-30" << false;
    QTest::newRow("absolute, user edge") << true << "CH1_ED_U CH1_ED=0.2 SL_in=0.05 Res_exp=5 ED=2.5 abs_bal=45"
                                         << false;
    QTest::newRow("absolute in mm, default edge") << true << "Unit_mm ED=50 DD=6 CH1_ED_Def SL_in=2 Res_exp=7 S1=2 S2=3"
                                                  << false;
  }
  void same_file_as_the_window() {
    QFETCH(bool, absolute);
    QFETCH(QString, entries);
    QFETCH(bool, inverse);
    QTemporaryDir dir;
    const QString saved = dir.filePath(QStringLiteral("window.bmp")), drawn = dir.filePath(QStringLiteral("command.bmp"));
    const QStringList list = entries.split(QLatin1Char(' '), Qt::SkipEmptyParts);

    QWidget* form = registry_->show(absolute ? WindowId::AbsForm : WindowId::IncForm);
    QVERIFY(QTest::qWaitForWindowActive(form));
    for (const QString& entry : list) {
      enter(form, entry);
      if (QTest::currentTestFailed()) return;
    }
    QTest::mouseClick(form->findChild<QPushButton*>(inverse ? QStringLiteral("Command5") : QStringLiteral("Command1")),
                      Qt::LeftButton);
    QVERIFY(dialogs_->messages.empty());
    dialogs_->save_answers = {saved};
    QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("Command3")), Qt::LeftButton);
    QVERIFY(dialogs_->messages.empty());

    QStringList args{absolute ? QStringLiteral("absolute") : QStringLiteral("incremental")};
    args += list;
    if (inverse) args += QStringLiteral("--inverse");
    args += {QStringLiteral("-o"), drawn};
    QProcess command;
    command.start(QStringLiteral(VANTOR_RENDER_PATH), args);
    QVERIFY(command.waitForFinished(60000));
    QCOMPARE(command.exitCode(), 0);
    QVERIFY2(command.readAllStandardError().isEmpty(), qPrintable(args.join(QLatin1Char(' '))));

    const QByteArray window_file = file_bytes(saved), command_file = file_bytes(drawn);
    QVERIFY(!window_file.isEmpty());
    QVERIFY2(window_file == command_file, qPrintable(first_difference(saved, drawn)));
  }
};

VANTOR_GUI_TEST(RenderEquivalenceTest);

}  // namespace vantor::test

#include "render_equivalence_test.moc"
