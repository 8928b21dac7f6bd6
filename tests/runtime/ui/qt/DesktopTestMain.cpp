// The desktop test program: one application object, every registered test object run
// in turn. Arguments go to each (a test function name runs only that function where
// the object has one).

#include <QApplication>
#include <QTest>

#include "runtime/ui/qt/IconMapper.h"
#include "tests/runtime/ui/qt/TestRegistry.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  runtime::ui::qt::IconMapper::Init();
  int failed = 0;
  for (const auto& make : desktoptest::Registered()) {
    std::unique_ptr<QObject> test = make();
    failed += QTest::qExec(test.get(), argc, argv);
  }
  return failed == 0 ? 0 : 1;
}
