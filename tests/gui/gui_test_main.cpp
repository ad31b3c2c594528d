// Runs every registered window test class, on the offscreen platform unless
// another is set; arguments after the program name select classes by name.
#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "gui_test.h"

namespace {
std::vector<std::pair<const char*, std::function<QObject*()>>>& tests() {
  static std::vector<std::pair<const char*, std::function<QObject*()>>> all;
  return all;
}
}  // namespace

int vantor::test::register_gui_test(const char* name, std::function<QObject*()> make) {
  tests().emplace_back(name, std::move(make));
  return static_cast<int>(tests().size());
}

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  int failed = 0, run = 0;
  for (auto& [name, make] : tests()) {
    if (argc > 1 && std::none_of(argv + 1, argv + argc, [name](const char* a) { return qstrcmp(a, name) == 0; })) continue;
    std::unique_ptr<QObject> object(make());
    ++run;
    failed += QTest::qExec(object.get(), 1, argv) != 0;
  }
  std::printf("%d passed, %d failed\n", run - failed, failed);
  return failed == 0 ? 0 : 1;
}
