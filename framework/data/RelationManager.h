#pragma once
// Stands beside a file's FileManager (Me) and knows the file's relations to other
// files. Windows open, close, update, insert and delete through it: it opens a file
// together with its related files, frames updates and deletes (and, when asked,
// inserts) in a transaction, and keeps related records consistent when a parent's
// linking fields change or the parent is deleted: the children are restricted (the
// change is refused and undone), cleared, or cascaded, through as many levels as the
// relations reach.
//
// Results are ErrorLevel values: 0 success, 4 declined, 5 failed and reported, 1 see
// Update. Every failure inside a transaction rolls it back before its message is
// shown; every child operation gives the child file its buffer and position back.
//
// A data file's own class overrides Teardown and adds its relations in
// AddDeferredRelations (with AddRelation); this program's data file has none.
//
// Thread safety: a RelationManager belongs to one thread, like its FileManager; the
// tree-walk counter is per thread. Transactions are the thread's own.
//
// Virtual operations are declared in their fixed slot order.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/data/FileManager.h"
#include "framework/error/ErrorLevel.h"
#include "framework/window/BufferedPairs.h"
#include "runtime/data/FieldRef.h"

namespace framework::data {

// What a relation does to the children when the parent's linking fields change or
// the parent is deleted.
struct RelationMode {
  static constexpr uint8_t None = 0;
  static constexpr uint8_t Clear = 1;
  static constexpr uint8_t Restrict = 2;
  static constexpr uint8_t Cascade = 3;
  static constexpr bool Acts(uint8_t mode) { return mode >= Clear && mode <= Cascade; }
};

// Whether an open or close starts a tree walk or continues one.
enum class Walk : uint8_t { Top, Nested };

// Whether the manager's writes with their related files go inside one transaction
// (UseLogout), where the file's driver has transactions.
enum class Logout : uint8_t { Off, On };

// Who saves through Update: a form (Form) is told, when another station changed the
// record meanwhile, that the other version is now shown and how to recall its changes.
enum class UpdateSource : uint8_t { Program, Form };

class RelationManager {
 public:
  using ErrorLevel = framework::error::ErrorLevel;
  using LinkList = std::vector<std::pair<runtime::data::FieldRef, runtime::data::FieldRef>>;

  struct RelationEntry {
    RelationManager* File = nullptr;  // the related file's manager
    // Left: this file's linking field; Right: the related file's; Buffer: Left as
    // last saved.
    std::unique_ptr<framework::window::BufferedPairs> Fields;
    int HisKey = 0;  // the related file's key that starts with the linking fields; 0: lookup only
    uint8_t UpdateMode = RelationMode::None;
    uint8_t DeleteMode = RelationMode::None;
    uint8_t Opened = 0;  // opens of the related file this relation made and has not closed
  };

  // Seconds a transaction waits for other writers by default.
  static constexpr uint8_t DefaultLogoutTimeout = 2;
  // The high bit of SwitchQuickScan's `which` marks a call from inside a walk.
  static constexpr uint8_t QuickScanNested = 0x80;
  static constexpr uint8_t QuickScanSelectMask = 0x7F;
  static constexpr uint8_t QuickScanLookups = 1;  // relations without HisKey
  static constexpr uint8_t QuickScanChildren = 2; // relations with HisKey

  RelationManager() = default;
  virtual ~RelationManager();
  RelationManager(const RelationManager&) = delete;
  RelationManager& operator=(const RelationManager&) = delete;

  // ---- Virtual operations, in slot order ----

  // Deletes the record automatic numbering added (through Delete, without asking).
  [[nodiscard]] virtual ErrorLevel ReleaseAutoNumber();
  // Ends one Open of the tree; always 0, as FileManager::Close.
  virtual ErrorLevel Close(Walk walk);
  // Deletes the current record and deals with its children, in a transaction when
  // UseLogout; on failure asks "Record Delete Error" and tries again on Yes.
  [[nodiscard]] virtual ErrorLevel Delete(ConfirmDelete confirm);
  // On the child's manager: deletes, clears or restricts the children of the parent
  // whose linking values are in `pairs` (Left).
  [[nodiscard]] virtual ErrorLevel DeleteChildren(int key, framework::window::BufferedPairs& pairs, uint8_t mode,
                                                 ConfirmDelete confirm);
  virtual void Teardown();
  [[nodiscard]] virtual ErrorLevel Open(Walk walk);
  // Remembers the current linking values of every relation (to see changes later).
  virtual void SaveLinkValues();
  virtual void SwitchQuickScan(bool on, uint8_t which);
  [[nodiscard]] virtual ErrorLevel Insert();
  // Writes the current record and updates the children whose parent's linking values
  // changed. `fromForm`: a record changed elsewhere is reported with the hint that the
  // other station's version is now shown (8 instead of 7).
  [[nodiscard]] virtual ErrorLevel Update(UpdateSource source);
  // On the child's manager: applies `mode` to the children of the parent whose old
  // linking values are in `pairs` (Buffer).
  [[nodiscard]] virtual ErrorLevel UpdateChildren(int key, framework::window::BufferedPairs& pairs, uint8_t mode);
  // Adds the file's relations (AddRelation); empty here.
  virtual void AddDeferredRelations();

  // ---- Non-virtual operations ----

  void Init(FileManager* fileManager, Logout logout);
  void EnsureRelations();
  [[nodiscard]] ErrorLevel OpenTree(Walk walk, bool open);
  [[nodiscard]] ErrorLevel ForceOpen(Walk walk);
  [[nodiscard]] ErrorLevel EnableLogout();
  [[nodiscard]] ErrorLevel EnableLogoutForInsert();
  [[nodiscard]] ErrorLevel EnableLogoutForUpdate();
  [[nodiscard]] ErrorLevel EnableLogoutForDelete();
  [[nodiscard]] ErrorLevel UpdateWithChildren();

  // Adds a relation to `related` (for AddDeferredRelations): `links` pairs this file's
  // linking fields with the related file's, `hisKey` is the related file's key that
  // starts with them (0 when the related file is only looked up).
  void AddRelation(RelationManager& related, int hisKey, uint8_t updateMode, uint8_t deleteMode,
                   const LinkList& links);

  FileManager* GetFileManager() const { return Me; }
  // The identity of this thread's instance of the file (for the usage registry).
  const runtime::files::KeyedFile* FileIdentity() const;
  const std::vector<RelationEntry>* GetRelations() const { return Relations.get(); }

  // ---- Fields, in the fixed order (Me first, private) ----
 private:
  FileManager* Me = nullptr;

 public:
  std::unique_ptr<std::vector<RelationEntry>> Relations;
  void* AliasFile = nullptr;
  uint8_t PrevUseLogout = 0;
  uint8_t UseLogout = 0;
  uint8_t UseLogoutOnInsert = 0;
  uint8_t LogoutTimeout = DefaultLogoutTimeout;
  int32_t LastTouched = 0;
  uint8_t ForcingOpen = 0;
  uint8_t DeferedRelationsDone = 0;

 private:
  [[nodiscard]] ErrorLevel BeginTransaction();
  [[nodiscard]] ErrorLevel CommitTransaction();
  static void RollbackTransaction();
  // Positions the child file at the first child whose linking fields equal `pairs`
  // Right values and collects the positions of all such children.
  [[nodiscard]] ErrorLevel CollectChildren(int key, const framework::window::BufferedPairs& pairs, bool byBuffer,
                             std::vector<std::string>& positions);
  [[nodiscard]] ErrorLevel EnableLogoutWalk(uint8_t kind, std::vector<RelationManager*>& seen);
};

}  // namespace framework::data
