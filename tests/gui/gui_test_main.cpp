#include <QApplication>
#include <QTest>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "gui_test.h"

namespace vantor::test {
namespace {
std::vector<std::pair<const char*, std::function<QObject*()>>>& tests() {
  static std::vector<std::pair<const char*, std::function<QObject*()>>> all;
  return all;
}
}  // namespace

int register_gui_test(const char* name, std::function<QObject*()> make) {
  tests().emplace_back(name, std::move(make));
  return static_cast<int>(tests().size());
}
}  // namespace vantor::test

// Runs every registered class; arguments after the program name select
// classes by name.
int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  int failed_classes = 0, run = 0;
  for (auto& [name, make] : vantor::test::tests()) {
    bool selected = argc < 2;
    for (int i = 1; i < argc; ++i) selected = selected || qstrcmp(argv[i], name) == 0;
    if (!selected) continue;
    std::unique_ptr<QObject> object(make());
    char* args[] = {argv[0]};
    ++run;
    if (QTest::qExec(object.get(), 1, args) != 0) ++failed_classes;
  }
  std::printf("%d passed, %d failed\n", run - failed_classes, failed_classes);
  return failed_classes == 0 ? 0 : 1;
}
