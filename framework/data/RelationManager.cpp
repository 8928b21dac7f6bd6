#include "framework/data/RelationManager.h"

#include <algorithm>

#include "framework/data/FileUsageRegistry.h"
#include "framework/data/UseType.h"
#include "framework/error/MessageId.h"
#include "runtime/core/PerThread.h"
#include "runtime/core/RuntimeErrorCode.h"
#include "runtime/files/FileProperty.h"
#include "runtime/files/Transaction.h"

namespace framework::data {
namespace {

using framework::error::LevelDeclined;
using framework::error::LevelNotice;
using framework::error::LevelQuiet;
using framework::error::MessageId;
using framework::window::BufferedPairs;
using runtime::files::FileProperty;
using runtime::files::KeyEnd;
using runtime::files::Transaction;
using C = runtime::core::RuntimeErrorCode;

// Numbers the tree walks of this thread's relation managers.
runtime::core::PerThread<int32_t> WalkCounter;

enum EnableKind : uint8_t { ForInsert, ForUpdate, ForDelete };

bool FlagSet(runtime::files::KeyedFile& file) {
  const std::string flag = file.Property(FileProperty::Transaction);
  return !flag.empty() && flag != "0";
}

}  // namespace

RelationManager::~RelationManager() {
  if (Relations) RelationManager::Teardown();
}

void RelationManager::Init(FileManager* fileManager, Logout logout) {
  Me = fileManager;
  Relations = std::make_unique<std::vector<RelationEntry>>();
  UseLogout = logout == Logout::On ? 1 : 0;
  LogoutTimeout = DefaultLogoutTimeout;
  FileUsageRegistry::Current().AddRelationManager(*this);
}

const runtime::files::KeyedFile* RelationManager::FileIdentity() const { return Me != nullptr ? Me->File : nullptr; }

void RelationManager::Teardown() {
  if (!Relations) return;
  if (FileUsageRegistry* registry = FileUsageRegistry::CurrentIfAny()) registry->RemoveRelationManager(*this);
  for (RelationEntry& r : *Relations) {
    if (r.Fields) r.Fields->Teardown();
  }
  Relations.reset();
}

void RelationManager::AddDeferredRelations() {}

void RelationManager::AddRelation(RelationManager& related, int hisKey, uint8_t updateMode, uint8_t deleteMode,
                                  const LinkList& links) {
  if (!Relations) Relations = std::make_unique<std::vector<RelationEntry>>();
  RelationEntry entry;
  entry.File = &related;
  entry.Fields = std::make_unique<BufferedPairs>();
  entry.Fields->Init();
  for (const auto& [left, right] : links) entry.Fields->LinkFields(left, right);
  entry.HisKey = hisKey;
  entry.UpdateMode = updateMode;
  entry.DeleteMode = deleteMode;
  Relations->push_back(std::move(entry));
}

void RelationManager::EnsureRelations() {
  if (DeferedRelationsDone) return;
  AddDeferredRelations();
  DeferedRelationsDone = 1;
}

RelationManager::ErrorLevel RelationManager::ReleaseAutoNumber() { return Me->ReleaseAutoNumber(this); }

// ---- Opening and closing the tree ----

RelationManager::ErrorLevel RelationManager::OpenTree(Walk walk, bool open) {
  int32_t& counter = WalkCounter.Get();
  if (walk == Walk::Nested && LastTouched == counter) return LevelQuiet;
  if (walk == Walk::Top) ++counter;
  LastTouched = counter;
  const bool forcing = ForcingOpen != 0;
  ErrorLevel result = LevelQuiet;
  if (open) {
    result = Me->Open();
    if (result == LevelQuiet && walk == Walk::Top) result = Me->EnsureUsable(UseType::Record);
  } else {
    result = Me->Close();
  }
  if (walk == Walk::Top || forcing) EnsureRelations();
  if (!Relations) return result;
  for (size_t i = 0; result == LevelQuiet && i < Relations->size(); ++i) {
    RelationEntry& r = (*Relations)[i];
    FileManager& his = *r.File->Me;
    const int32_t before = his.Opened;
    if (open) {
      result = forcing ? r.File->ForceOpen(Walk::Nested) : r.File->Open(Walk::Nested);
      if (his.Opened > before) ++r.Opened;
    } else if (r.Opened > 0) {
      result = r.File->Close(Walk::Nested);
      if (his.Opened < before) --r.Opened;
    }
  }
  return result;
}

RelationManager::ErrorLevel RelationManager::Open(Walk walk) {
  if (!Me->LazyOpen) ForcingOpen = 1;
  const ErrorLevel result = OpenTree(walk, true);
  ForcingOpen = 0;
  return result;
}

RelationManager::ErrorLevel RelationManager::ForceOpen(Walk walk) {
  ForcingOpen = 1;
  return Open(walk);
}

RelationManager::ErrorLevel RelationManager::Close(Walk walk) { return OpenTree(walk, false); }

// ---- Transactions ----

RelationManager::ErrorLevel RelationManager::EnableLogout() {
  // Opens a lazily opened file; a failure is reported by the file manager.
  (void)Me->EnsureUsable(UseType::Record);
  if (!UseLogout) return LevelQuiet;
  runtime::files::KeyedFile* file = Me->File;
  if (Me->AliasedFile != nullptr && file->Property(FileProperty::AliasOf).empty()) file = Me->AliasedFile->File;
  if (FlagSet(*file)) return LevelQuiet;
  const int32_t code = file->SetProperty(FileProperty::Transaction, "1");
  if (code == C::NoError) return LevelQuiet;
  if (code == C::NotSupported) {
    // The file's driver has no transactions: this manager works without them.
    UseLogout = 0;
    return LevelQuiet;
  }
  Me->Raise(MessageId::TransactionCancelled);
  return LevelNotice;
}

RelationManager::ErrorLevel RelationManager::EnableLogoutWalk(uint8_t kind, std::vector<RelationManager*>& seen) {
  // Cyclic relations (and drivers without transactions, whose flag never sets) would
  // walk forever: each manager takes part once per walk.
  if (std::find(seen.begin(), seen.end(), this) != seen.end()) return LevelQuiet;
  seen.push_back(this);
  if (kind == ForInsert && FlagSet(*Me->File)) return LevelQuiet;
  ErrorLevel result = EnableLogout();
  if (result != LevelQuiet || !Relations) return result;
  for (size_t i = 0; result == LevelQuiet && i < Relations->size(); ++i) {
    const RelationEntry& r = (*Relations)[i];
    switch (kind) {
      case ForInsert: result = r.File->EnableLogoutWalk(ForInsert, seen); break;
      case ForUpdate:
        if (r.UpdateMode == RelationMode::Clear || r.UpdateMode == RelationMode::Cascade) {
          result = r.File->EnableLogoutWalk(ForUpdate, seen);
        }
        break;
      case ForDelete:
        if (r.DeleteMode == RelationMode::Cascade) result = r.File->EnableLogoutWalk(ForDelete, seen);
        if (r.DeleteMode == RelationMode::Clear) result = r.File->EnableLogoutWalk(ForUpdate, seen);
        break;
      default: break;
    }
  }
  return result;
}

RelationManager::ErrorLevel RelationManager::EnableLogoutForInsert() {
  std::vector<RelationManager*> seen;
  return EnableLogoutWalk(ForInsert, seen);
}

RelationManager::ErrorLevel RelationManager::EnableLogoutForUpdate() {
  std::vector<RelationManager*> seen;
  return EnableLogoutWalk(ForUpdate, seen);
}

RelationManager::ErrorLevel RelationManager::EnableLogoutForDelete() {
  std::vector<RelationManager*> seen;
  return EnableLogoutWalk(ForDelete, seen);
}

RelationManager::ErrorLevel RelationManager::BeginTransaction() {
  if (Transaction::Begin(LogoutTimeout) != C::NoError) {
    Me->Raise(MessageId::TransactionCancelled);
    return LevelNotice;
  }
  return LevelQuiet;
}

RelationManager::ErrorLevel RelationManager::CommitTransaction() {
  if (!Transaction::Active()) return LevelQuiet;
  // A commit that fails has not saved the changes: that is reported, never success.
  if (Transaction::Commit() != C::NoError) {
    Me->Raise(MessageId::TransactionCancelled);
    return LevelNotice;
  }
  return LevelQuiet;
}

void RelationManager::RollbackTransaction() {
  if (Transaction::Active()) Transaction::Rollback();
}

// ---- Writing ----

RelationManager::ErrorLevel RelationManager::Update(UpdateSource source) {
  ErrorLevel result = ForceOpen(Walk::Top);
  if (result != LevelQuiet) {
    Close(Walk::Top);
    return result;
  }
  if (UseLogout) {
    result = EnableLogoutForUpdate();
    if (result == LevelQuiet && UseLogout) result = BeginTransaction();
    if (result != LevelQuiet) {
      RollbackTransaction();
      Close(Walk::Top);
      return result;
    }
  }
  result = Me->UpdateQuiet();
  if (result != LevelQuiet) {
    RollbackTransaction();
    if (source == UpdateSource::Form && Me->LastError == MessageId::ChangedElsewhere)
      Me->LastError = MessageId::ChangedElsewhereShown;
    if (result == LevelNotice) Me->RaiseLast();
    const bool changedElsewhere =
        Me->LastError == MessageId::ChangedElsewhere || Me->LastError == MessageId::ChangedElsewhereShown;
    // Retrying the same write could not succeed: the user corrects the record instead.
    const bool duplicate = Me->LastError == MessageId::DuplicateKey;
    result = changedElsewhere || duplicate ? LevelNotice : framework::error::LevelAsk;
    Close(Walk::Top);
    return result;
  }
  EnsureRelations();
  for (RelationEntry& r : *Relations) {
    if (!RelationMode::Acts(r.UpdateMode) || r.Fields->LeftMatchesBuffer()) continue;
    result = r.File->UpdateChildren(r.HisKey, *r.Fields, r.UpdateMode);
    if (result != LevelQuiet) {
      // The parent's linking fields take back the values they had before the change.
      r.Fields->BufferIntoLeft();
      RollbackTransaction();
      Close(Walk::Top);
      return result;
    }
  }
  result = CommitTransaction();
  Close(Walk::Top);
  return result;
}

RelationManager::ErrorLevel RelationManager::UpdateWithChildren() {
  EnsureRelations();
  for (RelationEntry& r : *Relations) {
    if (!RelationMode::Acts(r.UpdateMode) || r.Fields->LeftMatchesBuffer()) continue;
    if (r.File->UpdateChildren(r.HisKey, *r.Fields, r.UpdateMode) != LevelQuiet) {
      r.Fields->BufferIntoLeft();
      return LevelNotice;
    }
  }
  if (Me->UpdateQuiet() == LevelQuiet) return LevelQuiet;
  RollbackTransaction();
  return Me->RaiseLast();
}

RelationManager::ErrorLevel RelationManager::CollectChildren(int key, const BufferedPairs& pairs, bool byBuffer,
                                                             std::vector<std::string>& positions) {
  runtime::files::KeyedFile& file = *Me->File;
  // The components after the linking ones start at their first value, so the walk
  // begins at the group's first child.
  const runtime::files::KeyDefinition* k = file.Key(key);
  const size_t components = k != nullptr ? k->Components.size() : 0;
  for (size_t c = pairs.Count() + 1; c <= components && c <= FileManager::MaxKeyComponents; ++c) {
    file.SetComponentToEnd(key, c, KeyEnd::First);
  }
  file.SetKeyPosition(key, components);
  for (;;) {
    if (Me->NextQuiet() != LevelQuiet) {
      if (Me->IsAtEnd()) return LevelQuiet;
      RollbackTransaction();
      Me->RaiseLast();
      return LevelNotice;
    }
    const bool child = byBuffer ? pairs.RightMatchesBuffer() : pairs.SidesEqual();
    if (!child) return LevelQuiet;
    positions.push_back(Me->GetPosition());
  }
}

RelationManager::ErrorLevel RelationManager::UpdateChildren(int key, BufferedPairs& pairs, uint8_t mode) {
  const ErrorLevel usable = Me->EnsureUsable(UseType::Record);
  if (usable != LevelQuiet) return usable;
  int16_t state = Me->SnapshotFileState();
  Me->File->ClearBuffer();
  pairs.BufferIntoRight();
  // The children are found first and changed afterwards: a child whose key changes
  // moves within the key, and a walk along the key would miss or revisit children.
  std::vector<std::string> positions;
  ErrorLevel result = CollectChildren(key, pairs, true, positions);
  for (size_t i = 0; result == LevelQuiet && i < positions.size(); ++i) {
    if (Me->RereadAtPosition(positions[i]) != LevelQuiet || !pairs.RightMatchesBuffer()) continue;
    SaveLinkValues();
    if (mode == RelationMode::Restrict) {
      Me->NoteError(MessageId::IntegrityUpdate);
      RollbackTransaction();
      Me->RaiseLast();
      pairs.BufferIntoLeft();
      result = LevelNotice;
      break;
    }
    if (mode == RelationMode::Clear) {
      pairs.BlankRight();
    } else if (mode == RelationMode::Cascade) {
      pairs.LeftIntoRight();
    } else {
      break;
    }
    if (UpdateWithChildren() != LevelQuiet) result = LevelNotice;
  }
  Me->RestoreFileState(state, SnapshotUse::Restore);
  return result;
}

RelationManager::ErrorLevel RelationManager::Insert() {
  if (!UseLogoutOnInsert || !UseLogout) return Me->Insert();
  ErrorLevel result = ForceOpen(Walk::Top);
  if (result == LevelQuiet) result = EnableLogoutForInsert();
  if (result == LevelQuiet && UseLogout) result = BeginTransaction();
  if (result != LevelQuiet) {
    RollbackTransaction();
    Close(Walk::Top);
    return result;
  }
  // Insert shows its own message; it is not raised a second time here.
  result = Me->Insert();
  if (result != LevelQuiet) {
    RollbackTransaction();
  } else {
    result = CommitTransaction();
  }
  Close(Walk::Top);
  return result;
}

RelationManager::ErrorLevel RelationManager::Delete(ConfirmDelete confirm) {
  if (confirm == ConfirmDelete::Ask && Me->Raise(MessageId::ConfirmDelete) != LevelQuiet) return LevelDeclined;
  for (;;) {
    // The runtime has no wait cursor to show; the delete simply runs.
    const std::string position = Me->GetPosition();
    ErrorLevel result = ForceOpen(Walk::Top);
    if (result == LevelQuiet && UseLogout) {
      result = EnableLogoutForDelete();
      if (result == LevelQuiet && UseLogout) result = BeginTransaction();
    }
    if (result == LevelQuiet) result = Me->RereadAtPosition(position);
    if (result == LevelQuiet) {
      EnsureRelations();
      for (RelationEntry& r : *Relations) {
        if (!RelationMode::Acts(r.DeleteMode)) continue;
        result = r.File->DeleteChildren(r.HisKey, *r.Fields, r.DeleteMode, ConfirmDelete::No);
        if (result != LevelQuiet) break;
      }
    }
    if (result != LevelQuiet) {
      RollbackTransaction();
      Close(Walk::Top);
      return result;
    }
    result = Me->DeleteCurrent(ConfirmDelete::No);
    if (result != LevelQuiet) {
      RollbackTransaction();
      Me->RaiseLast();
      result = LevelNotice;
    } else {
      result = CommitTransaction();
    }
    Close(Walk::Top);
    if (result == LevelQuiet) return LevelQuiet;
    if (Me->Raise(MessageId::RecordDelete) != LevelQuiet) return result;
  }
}

RelationManager::ErrorLevel RelationManager::DeleteChildren(int key, BufferedPairs& pairs, uint8_t mode,
                                                            ConfirmDelete confirm) {
  const ErrorLevel usable = Me->EnsureUsable(UseType::Record);
  if (usable != LevelQuiet) return usable;
  int16_t state = Me->SnapshotFileState();
  Me->File->ClearBuffer();
  pairs.LeftIntoRight();
  std::vector<std::string> positions;
  ErrorLevel result = CollectChildren(key, pairs, false, positions);
  for (size_t i = 0; result == LevelQuiet && i < positions.size(); ++i) {
    if (Me->RereadAtPosition(positions[i]) != LevelQuiet || !pairs.SidesEqual()) continue;
    if (Me->IsRecordExcluded()) continue;
    if (mode == RelationMode::Restrict) {
      Me->NoteError(MessageId::IntegrityDelete);
      RollbackTransaction();
      Me->RaiseLast();
      result = LevelNotice;
    } else if (mode == RelationMode::Clear) {
      SaveLinkValues();
      pairs.BlankRight();
      if (UpdateWithChildren() != LevelQuiet) result = LevelNotice;
    } else if (mode == RelationMode::Cascade) {
      EnsureRelations();
      for (RelationEntry& r : *Relations) {
        if (!RelationMode::Acts(r.DeleteMode)) continue;
        result = r.File->DeleteChildren(r.HisKey, *r.Fields, r.DeleteMode, confirm);
        if (result != LevelQuiet) break;
      }
      if (result != LevelQuiet) break;
      result = Me->DeleteCurrent(confirm);
      if (result == LevelDeclined) break;
      if (result != LevelQuiet) {
        RollbackTransaction();
        Me->RaiseLast();
        result = LevelNotice;
      }
    } else {
      break;
    }
  }
  Me->RestoreFileState(state, SnapshotUse::Restore);
  return result;
}

void RelationManager::SaveLinkValues() {
  if (!Relations) return;
  for (RelationEntry& r : *Relations) {
    if (r.Fields) r.Fields->LeftIntoBuffer();
  }
}

void RelationManager::SwitchQuickScan(bool on, uint8_t which) {
  if (Me->IsOpen()) Me->File->Send(on ? "QUICKSCAN=on" : "QUICKSCAN=off");
  if (which == 0) return;
  int32_t& counter = WalkCounter.Get();
  if ((which & QuickScanNested) != 0) {
    if (LastTouched == counter) return;
  } else {
    ++counter;
  }
  LastTouched = counter;
  if (!Relations) return;
  const uint8_t select = which & QuickScanSelectMask;
  for (RelationEntry& r : *Relations) {
    if (select == QuickScanLookups && r.HisKey != 0) continue;
    if (select == QuickScanChildren && r.HisKey == 0) continue;
    r.File->SwitchQuickScan(on, static_cast<uint8_t>(which | QuickScanNested));
  }
}

}  // namespace framework::data
