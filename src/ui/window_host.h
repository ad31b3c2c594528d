// What a window may ask of the application's windows: the design windows
// show and unload windows through it and reach the dialogs, without knowing
// the registry that owns them (shell/window_registry.h).
#pragma once

class QWidget;

namespace vantor {

class Dialogs;
class ImageWindow;

// IncMaskDraw: the picture of the incremental design's sensor mask.
enum class WindowId { TopForm, IncForm, AbsForm, IncEncoderDraw, AbsEncoderDraw, AboutFrm, IncMaskDraw };
inline constexpr int kWindowCount = 7;

class WindowHost {
 public:
  virtual ~WindowHost() = default;

  // Loads the window if needed, makes it visible, raises and activates it.
  virtual QWidget* show(WindowId id) = 0;
  // Hides and discards the window with all its values.
  virtual void unload(WindowId id) = 0;
  // Loads (hidden) the image window if needed.
  virtual ImageWindow* image_window(WindowId id) = 0;
  virtual Dialogs& dialogs() const = 0;
};

}  // namespace vantor
