#include "shell/window_registry.h"

#include <QEvent>

#include "designers/abs_form.h"
#include "designers/inc_form.h"
#include "output/image_window.h"
#include "shell/top_form.h"

namespace vantor {

namespace {
int slot(WindowId id) { return static_cast<int>(id); }
}  // namespace

WindowRegistry::WindowRegistry(Dialogs& dialogs, QObject* parent) : QObject(parent), dialogs_(dialogs) {}

WindowRegistry::~WindowRegistry() {
  for (auto& window : windows_) delete window.data();
}

QWidget* WindowRegistry::create(WindowId id) {
  switch (id) {
    case WindowId::TopForm:
      return new TopForm(*this);
    case WindowId::IncForm:
      return new IncForm(*this);
    case WindowId::AbsForm:
      return new AbsForm(*this);
    case WindowId::IncEncoderDraw:
      return new ImageWindow(kIncEncoderDraw);
    case WindowId::AbsEncoderDraw:
      return new ImageWindow(kAbsEncoderDraw);
    case WindowId::AboutFrm:
      return new AboutFrm(*this);
    case WindowId::IncMaskDraw:
      return new ImageWindow(kIncMaskDraw);
  }
  return nullptr;
}

QWidget* WindowRegistry::load(WindowId id) {
  QPointer<QWidget>& window = windows_[slot(id)];
  if (!window) {
    window = create(id);
    window->installEventFilter(this);
  }
  return window;
}

QWidget* WindowRegistry::show(WindowId id) {
  QWidget* window = load(id);
  window->show();
  window->raise();
  window->activateWindow();
  return window;
}

void WindowRegistry::unload(WindowId id) {
  QPointer<QWidget>& window = windows_[slot(id)];
  if (!window) return;
  QWidget* gone = window;
  window = nullptr;
  gone->removeEventFilter(this);
  gone->hide();
  // The window may be unloading itself from one of its own handlers.
  gone->deleteLater();

  if (closing_all_) return;
  for (const auto& w : windows_)
    if (w && w->isVisible()) return;
  // Nothing is on the screen any more: a window loaded only to take its
  // picture must not keep the program running.
  closing_all_ = true;
  for (int i = 0; i < kWindowCount; ++i) unload(static_cast<WindowId>(i));
  closing_all_ = false;
  emit all_closed();
}

QWidget* WindowRegistry::window(WindowId id) const { return windows_[slot(id)]; }

ImageWindow* WindowRegistry::image_window(WindowId id) {
  return qobject_cast<ImageWindow*>(load(id));
}

bool WindowRegistry::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Close) {
    for (int i = 0; i < kWindowCount; ++i) {
      if (windows_[i] == watched) {
        unload(static_cast<WindowId>(i));
        return true;
      }
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace vantor
