// Runs the window tests in one application object with scripted dialogs.
// With a class name as first argument only that class runs (ctest runs each
// class as its own test); further arguments go to Qt Test.

#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "gui/zembra_app.h"
#include "tests/gui/gui_test_support.h"

namespace zembra::test {
namespace {

std::map<std::string, std::function<std::unique_ptr<QObject>()>>& Registry() {
  static std::map<std::string, std::function<std::unique_ptr<QObject>()>> registry;
  return registry;
}

ScriptedDialogs* installed = nullptr;

}  // namespace

TestRegistration::TestRegistration(const char* name,
                                   std::function<std::unique_ptr<QObject>()> make) {
  Registry().emplace(name, std::move(make));
}

ScriptedDialogs& Dialogs() {
  return *installed;
}

}  // namespace zembra::test

int main(int argc, char** argv) {
  using namespace zembra::test;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  zembra::ZembraApp app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  auto dialogs = std::make_unique<ScriptedDialogs>();
  installed = dialogs.get();
  app.SetDialogService(std::move(dialogs));
  app.SetQuitHandler([](int code) { QuitRequests().push_back(code); });

  std::vector<std::string> selected;
  std::vector<char*> qtest_args = {argv[0]};
  for (int i = 1; i < argc; ++i) {
    if (Registry().count(argv[i]) != 0) {
      selected.push_back(argv[i]);
    } else {
      qtest_args.push_back(argv[i]);
    }
  }
  if (selected.empty()) {
    for (const auto& [name, make] : Registry()) selected.push_back(name);
  }
  int failures = 0;
  for (const std::string& name : selected) {
    std::unique_ptr<QObject> test = Registry().at(name)();
    failures += QTest::qExec(test.get(), static_cast<int>(qtest_args.size()), qtest_args.data());
  }
  return failures == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
