#pragma once
// Qt Test runs one test object at a time; each test file registers its object here and
// the desktop test program runs them all, in file order, under one application object.

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

namespace desktoptest {

using TestFactory = std::function<std::unique_ptr<QObject>()>;

inline std::vector<TestFactory>& Registered() {
  static std::vector<TestFactory> tests;
  return tests;
}

template <typename T>
struct Register {
  Register() {
    Registered().push_back([] { return std::make_unique<T>(); });
  }
};

}  // namespace desktoptest
