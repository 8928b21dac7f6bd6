#pragma once
// Who uses which data file, and how. Three things for every file of the program:
//  1. who physically opens and closes it: one opener per file (GetOpener), shared by
//     all threads for a shared file, private for a per-thread file;
//  2. which managers stand for a file on this thread (file to FileManager, file to
//     RelationManager), so relation and view code finds a related file's manager;
//  3. which procedure on this thread uses which file and how (usage scopes), so a
//     procedure called from another one that reads the same file gives its caller
//     back the record buffer and position when it lets go of the file.
//
// The process-wide part (the opener map and its lock) is set up by GlobalInit and
// torn down by GlobalFinal; each thread has its own FileUsageRegistry (Current),
// created by ThreadInit and emptied by ThreadFinal. Unit() gives the four as one
// start-up table entry.
//
// Thread safety: GetOpener may be called from any thread (the map is touched only
// under the map lock). A FileUsageRegistry instance is used only by its own thread and
// is not locked. A file's identity here is the address of the calling thread's
// instance of the file (its KeyedFile).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/data/IFileOpenServer.h"
#include "runtime/core/CriticalSection.h"
#include "runtime/core/StartupTable.h"
#include "runtime/files/KeyedFile.h"

namespace framework::error {
class ErrorManager;
}

namespace framework::data {

class FileManager;
class RelationManager;
class FileOpener;
class SharedFileOpener;

class FileUsageRegistry {
 public:
  using FileIdentity = const runtime::files::KeyedFile*;

  struct OpenerMapEntry {
    FileIdentity FileId = nullptr;
    SharedFileOpener* Opener = nullptr;
  };
  struct FileMappingEntry {
    FileIdentity FileLabel = nullptr;
    FileManager* Manager = nullptr;
  };
  struct RelationMappingEntry {
    FileIdentity FileLabel = nullptr;
    RelationManager* Manager = nullptr;
  };
  // One usage scope: a procedure's use of a file on a thread.
  struct UsageStatusEntry {
    int32_t Thread = 0;
    std::string Proc;         // the procedure that opened the scope
    FileIdentity Id = nullptr;
    uint8_t UStat = 0;        // highest use type seen in this scope
    int16_t Hold = 0;         // saved file state to give back at the end, 0 = none
    int16_t ScopeLevel = 0;   // 1 for the first scope of this thread and file
    int16_t NestedOpen = 0;   // opens by the same procedure on top of the first
  };

  static constexpr const char* UnitName = "FileUsageRegistry";

  // ---- Start-up procedures ----
  // Process start: an empty opener map.
  static void GlobalInit();
  // Process end: the opener map and any opener still in it are freed.
  static void GlobalFinal();
  // Thread start: this thread's registry with its three empty lists.
  static void ThreadInit();
  // Thread end: this thread's lists are disposed.
  static void ThreadFinal();
  // The four above as one entry of the program's start-up table.
  static runtime::core::StartupUnit Unit();

  // The calling thread's registry (made ready on first use on threads the runtime did
  // not start, such as a test's own thread).
  static FileUsageRegistry& Current();
  // The calling thread's registry when it has one, else null (never creates one: for
  // clean-up at thread end).
  static FileUsageRegistry* CurrentIfAny();

  // ---- Openers (any thread) ----
  // The opener for `file`: a new private one for a per-thread file; for a shared file
  // the one in the map (one holder more) or a new one entered in the map.
  static IFileOpenServer* GetOpener(runtime::files::KeyedFile& file);
  // Number of shared openers in the map now.
  static size_t SharedOpeners();
  // Used by the openers themselves.
  static runtime::core::CriticalSection& MapLock();
  static void RemoveMapEntry(FileIdentity file);  // REQUIRES: MapLock held
  static void FreeOpener(FileOpener* opener);     // frees it; it must not be used after

  // ---- Managers of this thread ----
  // Takes the manager's error manager for procedure names; always adds an entry.
  void AddFileManager(FileManager& manager);
  void RemoveFileManager(FileManager& manager);
  // The first manager registered for `file` on this thread, or null.
  FileManager* GetFileManager(FileIdentity file) const;
  void AddRelationManager(RelationManager& manager);
  void RemoveRelationManager(RelationManager& manager);
  RelationManager* GetRelationManager(FileIdentity file) const;

  // ---- Usage scopes ----
  // Opens a scope for the calling procedure, or raises the use type of its own scope;
  // a scope opened under another procedure's scope with use type 1 or 2 saves the
  // file's state for that procedure.
  void NoteUse(FileManager& manager, uint8_t useType);
  // A nested open by the procedure that owns the innermost scope.
  void NoteOpen(FileManager& manager);
  // Ends a nested open, or the scope itself (giving back a saved state).
  void NoteClose(FileManager& manager);

  // The scopes now open, oldest first (for diagnostics and tests).
  const std::vector<UsageStatusEntry>& Scopes() const;

  // Creates the three lists (Teardown first). Safe to call again.
  void Init();
  // Disposes the lists. Safe twice.
  void Teardown();
  bool Ready() const { return StatusQ != nullptr; }

 private:
  // Index in StatusQ of the innermost scope of `file` on this thread, or -1.
  long FindScope(FileIdentity file) const;
  bool SameProcedure(const UsageStatusEntry& scope) const;
  std::string ProcedureName() const;

  framework::error::ErrorManager* Errs = nullptr;
  std::unique_ptr<std::vector<FileMappingEntry>> FileMapping;
  std::unique_ptr<std::vector<RelationMappingEntry>> RelationMapping;
  std::unique_ptr<std::vector<UsageStatusEntry>> StatusQ;
};

}  // namespace framework::data
