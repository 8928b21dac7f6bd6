#include "framework/data/FileUsageRegistry.h"

#include <algorithm>

#include "framework/data/FileManager.h"
#include "framework/data/RelationManager.h"
#include "framework/data/SharedFileOpener.h"
#include "framework/data/UseType.h"
#include "framework/error/ErrorManager.h"
#include "runtime/core/PerThread.h"
#include "runtime/core/SyncGuard.h"
#include "runtime/core/ThreadContext.h"
#include "runtime/files/FileProperty.h"

namespace framework::data {
namespace {

using runtime::core::SyncGuard;

// The process-wide part: the opener map, the openers themselves (each lives here until
// its last Unlink), and the lock that guards both.
struct Openers {
  runtime::core::CriticalSection MapLock;
  std::vector<FileUsageRegistry::OpenerMapEntry> Map;  // GUARDED_BY(MapLock)
  std::vector<std::unique_ptr<FileOpener>> Pool;       // GUARDED_BY(MapLock)
};

Openers& Process() {
  static Openers openers;
  return openers;
}

runtime::core::PerThread<FileUsageRegistry> Registries;

FileUsageRegistry::FileIdentity LabelOf(const FileManager& manager) { return manager.File; }

}  // namespace

// ---- Start-up procedures ----

void FileUsageRegistry::GlobalInit() {
  Openers& p = Process();
  SyncGuard guard(p.MapLock);
  p.Map.clear();
}

void FileUsageRegistry::GlobalFinal() {
  Openers& p = Process();
  std::vector<std::unique_ptr<FileOpener>> leftovers;
  {
    SyncGuard guard(p.MapLock);
    p.Map.clear();
    leftovers.swap(p.Pool);
  }
  for (auto& opener : leftovers) opener->Destroy();
}

void FileUsageRegistry::ThreadInit() { Registries.Get().Init(); }

void FileUsageRegistry::ThreadFinal() {
  if (Registries.Exists()) Registries.Get().Teardown();
}

runtime::core::StartupUnit FileUsageRegistry::Unit() {
  runtime::core::StartupUnit unit;
  unit.Name = UnitName;
  unit.GlobalInit = &FileUsageRegistry::GlobalInit;
  unit.GlobalFinal = &FileUsageRegistry::GlobalFinal;
  unit.ThreadInit = &FileUsageRegistry::ThreadInit;
  unit.ThreadFinal = &FileUsageRegistry::ThreadFinal;
  return unit;
}

FileUsageRegistry& FileUsageRegistry::Current() {
  FileUsageRegistry& registry = Registries.Get();
  if (!registry.Ready()) registry.Init();
  return registry;
}

FileUsageRegistry* FileUsageRegistry::CurrentIfAny() {
  if (!Registries.Exists()) return nullptr;
  FileUsageRegistry& registry = Registries.Get();
  return registry.Ready() ? &registry : nullptr;
}

void FileUsageRegistry::Init() {
  Teardown();
  FileMapping = std::make_unique<std::vector<FileMappingEntry>>();
  RelationMapping = std::make_unique<std::vector<RelationMappingEntry>>();
  StatusQ = std::make_unique<std::vector<UsageStatusEntry>>();
}

void FileUsageRegistry::Teardown() {
  FileMapping.reset();
  if (RelationMapping) RelationMapping->clear();
  RelationMapping.reset();
  StatusQ.reset();
  Errs = nullptr;
}

// ---- Openers ----

runtime::core::CriticalSection& FileUsageRegistry::MapLock() { return Process().MapLock; }

IFileOpenServer* FileUsageRegistry::GetOpener(runtime::files::KeyedFile& file) {
  Openers& p = Process();
  SyncGuard guard(p.MapLock);
  if (file.Property(runtime::files::FileProperty::PerThread) != "0") {
    auto opener = std::make_unique<FileOpener>();
    opener->SetFile(&file);
    FileOpener* result = opener.get();
    p.Pool.push_back(std::move(opener));
    return result;
  }
  for (const OpenerMapEntry& e : p.Map) {
    if (e.FileId == &file) {
      e.Opener->AddHolderLocked();
      return e.Opener;
    }
  }
  auto opener = std::make_unique<SharedFileOpener>();
  opener->GiveSection(std::make_unique<runtime::core::CriticalSection>());
  opener->SetFile(&file);
  SharedFileOpener* result = opener.get();
  p.Pool.push_back(std::move(opener));
  p.Map.push_back(OpenerMapEntry{&file, result});
  return result;
}

size_t FileUsageRegistry::SharedOpeners() {
  Openers& p = Process();
  SyncGuard guard(p.MapLock);
  return p.Map.size();
}

void FileUsageRegistry::RemoveMapEntry(FileIdentity file) {
  std::erase_if(Process().Map, [&](const OpenerMapEntry& e) { return e.FileId == file; });
}

void FileUsageRegistry::FreeOpener(FileOpener* opener) {
  Openers& p = Process();
  std::unique_ptr<FileOpener> dying;
  {
    SyncGuard guard(p.MapLock);
    auto at = std::find_if(p.Pool.begin(), p.Pool.end(), [&](const auto& o) { return o.get() == opener; });
    if (at == p.Pool.end()) return;
    dying = std::move(*at);
    p.Pool.erase(at);
  }
}

// ---- Managers of this thread ----

void FileUsageRegistry::AddFileManager(FileManager& manager) {
  if (!Ready()) Init();
  Errs = manager.Errors;
  FileMapping->push_back(FileMappingEntry{LabelOf(manager), &manager});
}

void FileUsageRegistry::RemoveFileManager(FileManager& manager) {
  if (!FileMapping) return;
  auto at = std::find_if(FileMapping->begin(), FileMapping->end(), [&](const FileMappingEntry& e) {
    return e.FileLabel == LabelOf(manager) && e.Manager == &manager;
  });
  if (at != FileMapping->end()) FileMapping->erase(at);
}

FileManager* FileUsageRegistry::GetFileManager(FileIdentity file) const {
  if (!FileMapping) return nullptr;
  for (const FileMappingEntry& e : *FileMapping) {
    if (e.FileLabel == file) return e.Manager;
  }
  return nullptr;
}

void FileUsageRegistry::AddRelationManager(RelationManager& manager) {
  if (!Ready()) Init();
  RelationMapping->push_back(RelationMappingEntry{manager.FileIdentity(), &manager});
}

void FileUsageRegistry::RemoveRelationManager(RelationManager& manager) {
  if (!RelationMapping) return;
  auto at = std::find_if(RelationMapping->begin(), RelationMapping->end(),
                         [&](const RelationMappingEntry& e) { return e.Manager == &manager; });
  if (at != RelationMapping->end()) RelationMapping->erase(at);
}

RelationManager* FileUsageRegistry::GetRelationManager(FileIdentity file) const {
  if (!RelationMapping) return nullptr;
  for (const RelationMappingEntry& e : *RelationMapping) {
    if (e.FileLabel == file) return e.Manager;
  }
  return nullptr;
}

// ---- Usage scopes ----

std::string FileUsageRegistry::ProcedureName() const {
  return Errs != nullptr ? Errs->CurrentProcedureName() : std::string();
}

bool FileUsageRegistry::SameProcedure(const UsageStatusEntry& scope) const { return scope.Proc == ProcedureName(); }

long FileUsageRegistry::FindScope(FileIdentity file) const {
  if (!StatusQ) return -1;
  const int32_t thread = runtime::core::CurrentThreadNumber();
  long found = -1;
  bool hasFirst = false;
  for (size_t i = 0; i < StatusQ->size(); ++i) {
    const UsageStatusEntry& e = (*StatusQ)[i];
    if (e.Thread != thread || e.Id != file) continue;
    if (e.ScopeLevel == 1) hasFirst = true;
    if (found < 0 || e.ScopeLevel > (*StatusQ)[static_cast<size_t>(found)].ScopeLevel) found = static_cast<long>(i);
  }
  return hasFirst ? found : -1;
}

void FileUsageRegistry::NoteUse(FileManager& manager, uint8_t useType) {
  if (!Ready()) Init();
  const FileIdentity file = LabelOf(manager);
  const long found = FindScope(file);
  if (found >= 0 && SameProcedure((*StatusQ)[static_cast<size_t>(found)])) {
    UsageStatusEntry& scope = (*StatusQ)[static_cast<size_t>(found)];
    if (scope.UStat < useType) scope.UStat = useType;
    return;
  }
  UsageStatusEntry scope;
  scope.Thread = runtime::core::CurrentThreadNumber();
  scope.Proc = ProcedureName();
  scope.Id = file;
  scope.UStat = useType;
  scope.ScopeLevel = found >= 0 ? static_cast<int16_t>((*StatusQ)[static_cast<size_t>(found)].ScopeLevel + 1) : 1;
  const int16_t level = scope.ScopeLevel;
  StatusQ->push_back(std::move(scope));
  if (found < 0 || useType >= UseType::Window) return;
  // A procedure called from another one: keep the caller's state of the file. The
  // snapshot uses the file itself, which finds this new scope as its own.
  const int16_t hold = manager.SnapshotFileState();
  if (!StatusQ) return;
  for (UsageStatusEntry& e : *StatusQ) {
    if (e.Id == file && e.ScopeLevel == level && e.Thread == runtime::core::CurrentThreadNumber()) {
      if (e.Hold == 0) e.Hold = hold;
      return;
    }
  }
}

void FileUsageRegistry::NoteOpen(FileManager& manager) {
  const long found = FindScope(LabelOf(manager));
  if (found < 0) return;
  UsageStatusEntry& scope = (*StatusQ)[static_cast<size_t>(found)];
  if (SameProcedure(scope)) ++scope.NestedOpen;
}

void FileUsageRegistry::NoteClose(FileManager& manager) {
  const FileIdentity file = LabelOf(manager);
  const long found = FindScope(file);
  if (found < 0) return;
  UsageStatusEntry& scope = (*StatusQ)[static_cast<size_t>(found)];
  if (!SameProcedure(scope)) return;
  if (scope.NestedOpen > 0) {
    --scope.NestedOpen;
    return;
  }
  const int16_t level = scope.ScopeLevel;
  int16_t hold = scope.Hold;
  const SnapshotUse use = scope.UStat < UseType::Window ? SnapshotUse::Restore : SnapshotUse::Discard;
  // Giving the state back uses the file, which still finds this scope as its own.
  if (hold != 0) manager.RestoreFileState(hold, use);
  if (!StatusQ) return;
  const int32_t thread = runtime::core::CurrentThreadNumber();
  std::erase_if(*StatusQ, [&](const UsageStatusEntry& e) {
    return e.Thread == thread && e.Id == file && e.ScopeLevel == level;
  });
}

const std::vector<FileUsageRegistry::UsageStatusEntry>& FileUsageRegistry::Scopes() const {
  static const std::vector<UsageStatusEntry> none;
  return StatusQ ? *StatusQ : none;
}

}  // namespace framework::data
