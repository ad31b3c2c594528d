// The program takes no command line: whatever arguments it is given are
// ignored, toolkit options included.
#include <QApplication>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "shell/window_registry.h"
#include "ui/dialogs.h"

namespace {

// Without a login session (root on a bare machine, a container) the toolkit
// has no runtime folder and warns about it on every start.  A private folder
// of our own, owned by the user and closed to others, stands in; when it
// cannot be made the toolkit's own fallback and warning remain.
void ensure_runtime_folder() {
  const char* set = std::getenv("XDG_RUNTIME_DIR");
  if (set && *set) return;
  const std::string folder = "/tmp/vantor-runtime-" + std::to_string(getuid());
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return;
  struct stat st {};
  if (lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid() || (st.st_mode & 0077) != 0)
    return;
  setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
}

}  // namespace

int main(int, char** argv) {
  ensure_runtime_folder();
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
