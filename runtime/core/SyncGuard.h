#pragma once
// Scoped entry into a CriticalSection: entered on construction, left on destruction,
// so every return path of a shared operation leaves the section.

#include "runtime/core/CriticalSection.h"

namespace runtime::core {

class SyncGuard {
 public:
  explicit SyncGuard(CriticalSection& section) : Section(section) { Section.Enter(); }
  ~SyncGuard() { Section.Leave(); }
  SyncGuard(const SyncGuard&) = delete;
  SyncGuard& operator=(const SyncGuard&) = delete;

 private:
  CriticalSection& Section;
};

}  // namespace runtime::core
