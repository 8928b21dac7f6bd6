#pragma once
// One running window procedure, by thread: "%Procedure" shows the newest on the
// raising thread. A plain value, guarded by the manager's lock.

#include <cstdint>
#include <string>

namespace framework::error {

struct ProcNameEntry {
  int32_t Thread = 0;
  std::string Name;
};

}  // namespace framework::error
