#include "app/UrlListManagers.h"

#include <memory>

#include "runtime/core/PerThread.h"

namespace app {
namespace {

struct ThreadManagers {
  std::unique_ptr<UrlListFileManager> Files;
  std::unique_ptr<UrlListRelationManager> Relations;
  framework::data::FileManager* Access = nullptr;
  framework::data::RelationManager* Relate = nullptr;
};

runtime::core::PerThread<ThreadManagers> Managers;

}  // namespace

void UrlListManagers::Build(framework::error::ErrorManager& errors) {
  ThreadManagers& m = Managers.Get();
  if (m.Relations) return;
  m.Files = std::make_unique<UrlListFileManager>(errors);
  m.Relations = std::make_unique<UrlListRelationManager>();
  m.Relate = m.Relations.get();
  m.Relations->Init(*m.Files);
}

void UrlListManagers::Kill() {
  if (!Managers.Exists()) return;
  ThreadManagers& m = Managers.Get();
  if (m.Relations) {
    m.Relations->Teardown();
    m.Relations.reset();
  }
  m.Files.reset();
  m.Access = nullptr;
  m.Relate = nullptr;
}

bool UrlListManagers::Built() { return Managers.Exists() && Managers.Get().Relations != nullptr; }

framework::data::FileManager* UrlListManagers::Access() { return Managers.Exists() ? Managers.Get().Access : nullptr; }

framework::data::RelationManager* UrlListManagers::Relate() {
  return Managers.Exists() ? Managers.Get().Relate : nullptr;
}

UrlListFileManager* UrlListManagers::FileManager() { return Managers.Exists() ? Managers.Get().Files.get() : nullptr; }

UrlListRelationManager* UrlListManagers::RelationManager() {
  return Managers.Exists() ? Managers.Get().Relations.get() : nullptr;
}

void UrlListManagers::SetAccess(framework::data::FileManager* manager) { Managers.Get().Access = manager; }

void UrlListManagers::SetRelate(framework::data::RelationManager* manager) { Managers.Get().Relate = manager; }

void UrlListManagers::DisposeFileManager() {
  // Moved out first: the manager's destructor looks at the access reference.
  std::unique_ptr<UrlListFileManager> dying = std::move(Managers.Get().Files);
  dying.reset();
}

}  // namespace app
