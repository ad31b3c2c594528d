// Helpers that the window and print tests share.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>

#include "output/picture_widget.h"
#include "scripted_dialogs.h"
#include "shell/window_registry.h"

namespace vantor::test {

// The window's control of that name; the run stops when there is none.
template <class T = QWidget>
T* child(QWidget* window, const char* name) {
  T* w = window->findChild<T*>(QString::fromUtf8(name));
  if (!w) qFatal("no %s in %s", name, qPrintable(window->objectName()));
  return w;
}

// Clicks the window's button (push, option or check) with the mouse.
inline void click(QWidget* window, const char* button) {
  QTest::mouseClick(child<QAbstractButton>(window, button), Qt::LeftButton);
}

// Types into a box as a user does: clicks into it, selects all, deletes,
// types key by key.
inline void retype(QLineEdit* box, const QString& text) {
  QTest::mouseClick(box, Qt::LeftButton);
  QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(box, Qt::Key_Delete);
  QTest::keyClicks(box, text);
}

// A mouse move over the picture with those buttons held, at the centre of a
// pixel of its client area.
inline void move_over(PictureWidget* picture, QPoint pixel, Qt::MouseButtons held) {
  const QPointF at = QPointF(pixel + picture->contentsRect().topLeft()) + QPointF(0.5, 0.5);
  QMouseEvent move(QEvent::MouseMove, at, picture->mapToGlobal(at), Qt::NoButton, held, Qt::NoModifier);
  QApplication::sendEvent(picture, &move);
}

// Lets deleteLater() of unloaded windows run.
inline void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// The program's windows over scripted dialogs.
struct Windows {
  ScriptedDialogs dialogs;
  WindowRegistry registry{dialogs};
  ~Windows() { settle(); }
};

// A data table of one "row" column, one row per element of a table of
// structs that have a name.
template <class Row, std::size_t N>
void rows(const Row (&table)[N]) {
  QTest::addColumn<int>("row");
  for (std::size_t i = 0; i < N; ++i) QTest::newRow(table[i].name) << int(i);
}

}  // namespace vantor::test
