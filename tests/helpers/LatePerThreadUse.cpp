// Uses a per-thread variable from a static object's destructor, after the main
// thread's own per-thread data is gone: the process must still end cleanly.
#include <cstdio>
#include <string>

#include "runtime/core/PerThread.h"

namespace {

runtime::core::PerThread<std::string> Text;

struct UsesTextAtExit {
  ~UsesTextAtExit() {
    Text.Get() = "late";
    std::fputs(Text.Get().c_str(), stdout);
  }
};

UsesTextAtExit AtExit;

}  // namespace

int main() {
  Text.Get() = "early";
  return 0;
}
