// The program takes no command line: whatever arguments it is given are
// ignored, toolkit options included.
#include <QApplication>

#include "ui/dialogs.h"
#include "shell/window_registry.h"

int main(int, char** argv) {
  int argc = 1;
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vantor"));
  QApplication::setQuitOnLastWindowClosed(false);

  vantor::QtDialogs dialogs;
  vantor::WindowRegistry registry(dialogs);
  QObject::connect(&registry, &vantor::WindowRegistry::all_closed, &app, &QApplication::quit,
                   Qt::QueuedConnection);
  registry.show(vantor::WindowId::TopForm);
  return app.exec();
}
