// Window tests: Qt Test classes registered here run from one executable on
// the offscreen platform.
#pragma once

#include <QObject>
#include <QPushButton>
#include <QTest>
#include <QWidget>
#include <functional>

namespace vantor::test {

int register_gui_test(const char* name, std::function<QObject*()> make);

// The control that Tab moves the focus to from w.
inline QWidget* next_tab_stop(QWidget* w) {
  for (QWidget* n = w->nextInFocusChain(); n != w; n = n->nextInFocusChain())
    if ((n->focusPolicy() & Qt::TabFocus) && n->isVisibleTo(w->window())) return n;
  return w;
}

// Clicks the window's push button of that name with the mouse.
inline void click(QWidget* window, const char* button) {
  auto* b = window->findChild<QPushButton*>(QString::fromLatin1(button));
  QVERIFY2(b, button);
  QTest::mouseClick(b, Qt::LeftButton);
}

}  // namespace vantor::test

// Registers a QObject test class; use once per class, after its definition.
#define VANTOR_GUI_TEST(Class) \
  static const int vantor_gui_test_##Class = ::vantor::test::register_gui_test(#Class, [] { return new Class; })
