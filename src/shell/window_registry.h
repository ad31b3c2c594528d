// The application-wide references of the seven windows (the six of the
// design and the sensor mask's picture).  Nothing else creates
// or deletes a window.
//
//   load    create the window with its design-time values if it is not
//           loaded; it stays hidden.
//   show    load, make visible, raise and activate.  Showing a loaded window
//           keeps everything typed into it.
//   unload  hide and discard the window with all its values (the close box
//           does the same); the next load starts from design-time values.
//
// When an unload leaves no visible window, the windows still loaded hidden
// (an image window loaded by Save or Print) are unloaded too and
// all_closed() is emitted: the program ends.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <array>

#include "ui/window_host.h"

namespace vantor {

class WindowRegistry : public QObject, public WindowHost {
  Q_OBJECT
 public:
  explicit WindowRegistry(Dialogs& dialogs, QObject* parent = nullptr);
  ~WindowRegistry() override;

  QWidget* load(WindowId id);
  QWidget* show(WindowId id) override;
  void unload(WindowId id) override;

  // The loaded window, or nullptr.
  QWidget* window(WindowId id) const;
  bool is_loaded(WindowId id) const { return window(id) != nullptr; }

  // Loads (hidden) the image window if needed.
  ImageWindow* image_window(WindowId id) override;

  Dialogs& dialogs() const override { return dialogs_; }

 signals:
  void all_closed();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* create(WindowId id);

  Dialogs& dialogs_;
  std::array<QPointer<QWidget>, kWindowCount> windows_;
  bool closing_all_ = false;
};

}  // namespace vantor
