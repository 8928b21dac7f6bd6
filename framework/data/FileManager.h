#pragma once
// The one object through which the program uses a data file. It opens and closes the
// file through the file usage registry (lazily by default: Open only counts and the
// first record operation opens the file), turns the runtime's error codes into
// catalogue messages of the error manager, keeps the list of the file's keys, saves
// and restores record buffers and file states, and carries the record operations
// (reading, adding with automatic numbering, changing, deleting, validating).
//
// Every operation returns an ErrorLevel: 0 (LevelQuiet) is success; 3 means the file
// could not be made usable; 5 a failure that was reported (or, in a Quiet variant,
// only recorded in LastError). A data file's own manager class derives from this one
// and overrides SetUp, Teardown and EnsureUsable, calling the base operations.
//
// Life: SetUp once (registers with this thread's registry) -> Init (usually from the
// first EnsureUsable(UseType::Prepare)) -> Open/Close pairs, record operations ->
// Teardown (safe twice) -> Destruct. The destructor tears down when that has not run.
//
// Thread safety: a FileManager belongs to one thread, as does its file instance and
// record buffer (a shared file's opener serialises the physical open and close).
// Call-backs from the file on other threads (a shared file) are ignored.
//
// Virtual operations are declared in their fixed slot order.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/data/IFileOpenServer.h"
#include "framework/data/RecordBuffer.h"
#include "framework/error/ErrorLevel.h"
#include "runtime/data/FieldKind.h"
#include "runtime/data/FieldRef.h"
#include "runtime/data/RecordType.h"
#include "runtime/files/FileCallback.h"
#include "runtime/files/KeyedFile.h"

namespace framework::error {
class ErrorManager;
}

namespace framework::data {

// What RestoreSnapshot does with the saved copy before freeing it.
enum class SnapshotUse : uint8_t { Discard, Restore };

// Whether a delete first asks "Confirm Delete" (Ask) or deletes at once (No).
enum class ConfirmDelete : uint8_t { No, Ask };

class RelationManager;

class FileManager : public runtime::files::FileCallback {
 public:
  using ErrorLevel = framework::error::ErrorLevel;

  // The record buffer as a group: address, record type and length in bytes.
  struct BufferGroup {
    void* Address = nullptr;
    const runtime::data::RecordType* Type = nullptr;
    size_t Length = 0;
  };
  struct SavedBufferEntry {
    int16_t Id = 0;
    std::vector<unsigned char> Buffer;
  };
  struct SavedStateEntry {
    int16_t Buffer = 0;  // id of the saved record buffer
    int16_t Id = 0;
    uint8_t AutoIncDone = 0;
    int32_t State = 0;   // the runtime's saved file state
    std::string Pos;     // the current record's position
  };
  struct FieldEntry {
    std::string Tag;
    runtime::data::FieldRef Fld;
    runtime::data::FieldKind FType = runtime::data::FieldKind::CString;
    std::string FPicture;
  };
  struct KeyComponentEntry {
    runtime::data::FieldRef Field;  // the component's field in the record buffer
    std::string FieldName;          // "URL:URL", or "UPPER(URL:URL)" in a case-free key
    uint8_t Ascend = 1;
  };
  struct KeyEntry {
    int Key = 0;  // the key's number in the file
    std::string Description;
    std::vector<KeyComponentEntry> Fields;
    uint8_t AutoInc = 0;  // n: component n is numbered automatically
    uint8_t Dups = 0;
    uint8_t NoCase = 0;
  };

  // Limits of stored texts.
  static constexpr size_t FileNameLimit = 256;
  static constexpr size_t DescriptionLimit = 80;
  static constexpr size_t ComponentNameLimit = 1000;
  static constexpr size_t KeyOrderLimit = 512;
  // Open mode set by Init: read/write access, deny none.
  static constexpr uint8_t DefaultOpenMode = 0x42;
  static constexpr uint16_t DefaultLockRecover = 10;
  static constexpr uint8_t SetUpMrpSize = 10;
  static constexpr uint8_t InitMrpSize = 20;
  // Passes through the physical open loop; a retry after creating the file, rebuilding
  // its keys or falling back to read-only takes the second.
  static constexpr int MaxOpenAttempts = 2;
  // Adds tried by automatic numbering before the user is asked.
  static constexpr int AutoNumberTries = 3;
  // Components of a key that range operations cover at most.
  static constexpr size_t MaxKeyComponents = 22;
  // The option text sent to the driver when an open is denied.
  static constexpr const char* RecoverOption = "Recover=";
  static constexpr const char* UnknownFileName = "Unknown File";

  FileManager() = default;
  ~FileManager() override;
  FileManager(const FileManager&) = delete;
  FileManager& operator=(const FileManager&) = delete;

  // ---- Virtual operations, in slot order ----

  // The file's call-backs: FileOpcode::Destroy runs the clean-up unless the block keeps the
  // file; writes and reads update the blob marker and the previous buffer; then the
  // operation hooks of the opcode's group.
  uint8_t BeforeFileOperation(int32_t opcode, Block& block) override;
  uint8_t AfterFileOperation(int32_t opcode, Block& block) override;
  // Teardown unless done; forgets the file-name variable.
  virtual void Destruct();
  // Makes the record's fields known by name to filter expressions (through
  // ExpressionScope::BindRecord), which then read the buffer itself.
  virtual void BindFieldNames();
  // Deletes the record added by automatic numbering (through `relations` when given).
  [[nodiscard]] virtual ErrorLevel ReleaseAutoNumber(RelationManager* relations);
  // Ends one Open; the last one closes the file. Always 0.
  virtual ErrorLevel Close();
  // True when the record buffer still equals snapshot `id`.
  virtual bool MatchesSnapshot(int16_t id);
  // Reads the record whose `key` components equal the buffer's; clears the buffer when
  // there is none. 0, 5; 3 when the file is not usable. Raises nothing.
  [[nodiscard]] virtual ErrorLevel Fetch(int key);
  // Base: no opens counted, lazy opening, registered with this thread's registry.
  virtual void SetUp();
  virtual void Init(runtime::files::KeyedFile* file, framework::error::ErrorManager* errors);
  [[nodiscard]] virtual ErrorLevel Insert();
  virtual void Teardown();
  [[nodiscard]] virtual ErrorLevel Next();
  // Counts an open; opens the file at once only when it is not opened lazily.
  [[nodiscard]] virtual ErrorLevel Open();
  [[nodiscard]] virtual ErrorLevel Previous();
  [[nodiscard]] virtual ErrorLevel ReserveAutoNumber();
  // Hook for data-file classes: initial values of a new record. Empty here.
  virtual void FillNewRecord();
  // Clears the buffer (unless RecordBuffer::Keep), fills it, and numbers it when the file has an
  // automatically numbered key (which adds the record at once).
  [[nodiscard]] virtual ErrorLevel PrepareRecord(RecordBuffer buffer);
  // Puts snapshot `id` back into the buffer (SnapshotUse::Restore), frees it, sets id to 0.
  virtual void RestoreSnapshot(int16_t& id, SnapshotUse use);
  // Saves a copy of the record buffer; returns its id.
  virtual int16_t SnapshotBuffer();
  virtual ErrorLevel Raise(int32_t errorId);
  virtual ErrorLevel RaiseLast();
  virtual ErrorLevel RaiseWithText(int32_t errorId, std::string_view text);
  [[nodiscard]] virtual ErrorLevel FetchQuiet(int key);
  [[nodiscard]] virtual ErrorLevel InsertQuiet();
  [[nodiscard]] virtual ErrorLevel NextQuiet();
  [[nodiscard]] virtual ErrorLevel OpenQuiet();
  [[nodiscard]] virtual ErrorLevel PreviousQuiet();
  [[nodiscard]] virtual ErrorLevel ReserveAutoNumberQuiet();
  [[nodiscard]] virtual ErrorLevel UpdateQuiet();
  [[nodiscard]] virtual ErrorLevel Update();
  // Makes the file usable for `useType` (UseType); see UseType.h.
  [[nodiscard]] virtual ErrorLevel EnsureUsable(uint8_t useType);
  [[nodiscard]] virtual ErrorLevel CheckField(int id);
  [[nodiscard]] virtual ErrorLevel CheckFieldQuiet(int id);
  // Whether a failure is shown to the user or only returned.
  enum class Reporting : uint8_t { Quiet, Report };

  // Data-file classes that check values override this; 0 = valid.
  [[nodiscard]] virtual ErrorLevel CheckFieldCore(int id, Reporting reporting);
  [[nodiscard]] virtual ErrorLevel CheckFields(int low, int high, int* failedField);
  [[nodiscard]] virtual ErrorLevel CheckRecord(int* failedField);
  // Deletes the current record, asking first with ConfirmDelete::Ask. 0, 4 (declined), 5.
  [[nodiscard]] virtual ErrorLevel DeleteCurrent(ConfirmDelete confirm);
  // Non-zero: the relation manager's delete walk skips the current record.
  virtual uint8_t IsRecordExcluded();
  virtual void SetUseMrp(uint8_t value);
  virtual uint8_t GetUseMrp();
  virtual void SetMrpSize(uint8_t value);
  virtual uint8_t GetMrpSize();
  virtual uint8_t GetAutoIncDone();
  virtual uint8_t GetHasAutoInc();
  virtual uint8_t DispatchBefore(int32_t opcode, Block& block);
  virtual uint8_t DispatchAfter(int32_t opcode, Block& block);
  // Operation hooks by opcode group; each answers 1 here.
  virtual uint8_t AfterGroup3();
  virtual uint8_t BeforeGroup3();
  virtual uint8_t AfterGroup1();
  virtual uint8_t BeforeGroup1();
  virtual uint8_t AfterGroup5();
  virtual uint8_t BeforeGroup5();
  virtual uint8_t AfterGroup4(const std::string& text);
  virtual uint8_t BeforeGroup4(const std::string& text);
  virtual uint8_t AfterGroup2();
  virtual uint8_t BeforeGroup2();

  // ---- Non-virtual operations ----

  // Captures the runtime's last error for the message and remembers `errorId`.
  void NoteError(int32_t errorId);
  int32_t GetOpened() const { return Opened; }
  bool IsOpen() const { return Initialized && Opened > 0; }
  bool IsAtEnd() const { return AtEOF; }
  // The current record's position in the primary key (or the file); "" on failure.
  std::string GetPosition();
  // Reads the record at `position`: 0, 5 on a runtime error, 3 when not usable.
  [[nodiscard]] ErrorLevel RereadAtPosition(const std::string& position);
  // Saves buffer, position and cursor; returns the state's id (0 when not usable).
  int16_t SnapshotFileState();
  // Gives back state `id` (the buffer and position only with SnapshotUse::Restore),
  // frees it and sets id to 0.
  void RestoreFileState(int16_t& id, SnapshotUse use);
  // The file name as messages show it.
  std::string MessageFileName();

  // ---- Keys ----

  // Adds a key (by its number in the file) with a description for messages and,
  // when `autoIncComponent` is n > 0, automatic numbering of its component n.
  void RegisterKey(int key, std::string_view description, uint8_t autoIncComponent = 0);
  // The component names from `firstComponent` (1 when 0) on, joined by ",", each
  // descending one preceded by "-"; at most KeyOrderLimit characters; "" for an unknown key.
  std::string GetKeyOrder(int key, size_t firstComponent = 1);
  size_t GetComponentCount(int key);
  std::string GetComponentName(int key, size_t component);
  bool GetComponentAscend(int key, size_t component);
  runtime::data::FieldRef GetComponentField(int key, size_t component);
  // Sets components first..last to the value that sorts first (toEnd false) or last.
  void ClearKeyRange(int key, size_t first, size_t last, bool toEnd);
  const KeyEntry* FindKey(int key) const;

  // ---- Fields, in the fixed order ----
  FileManager* AliasedFile = nullptr;
  BufferGroup Buffer;
  std::vector<SavedBufferEntry> Buffers;
  bool Create = false;
  framework::error::ErrorManager* Errors = nullptr;
  std::vector<FieldEntry> Fields;
  runtime::files::KeyedFile* File = nullptr;
  // Optional variable holding the file's name; preferred for messages when set.
  runtime::data::FieldRef FileName;
  std::string FileNameValue;
  uint8_t HasAutoInc = 0;
  bool InUseFile = false;
  int32_t Opened = 0;
  int32_t LastError = 0;
  bool DoNotAssertOnCloseMisuse = false;
  bool LazyOpen = false;
  uint16_t LockRecover = DefaultLockRecover;
  uint8_t OpenMode = 0;
  bool OpenModeOverridden = false;
  uint8_t PrimaryKey = 0;  // position in Keys of the primary key, 0 = none
  std::vector<SavedStateEntry> Saved;
  bool SkipHeldRecords = false;
  std::vector<KeyEntry> Keys;
  bool SavePreviousBuffer = false;
  bool Initialized = false;
  IFileOpenServer* Opener = nullptr;
  uint8_t UseMRP = 0;
  uint8_t MRPSize = 0;

 private:
  // When the physical open happens: as the lazy-open setting says, or at once.
  enum class PhysicalOpen : uint8_t { AsConfigured, Now };
  [[nodiscard]] ErrorLevel OpenRoutine(Reporting reporting, PhysicalOpen when);
  [[nodiscard]] ErrorLevel OpenPhysical(Reporting reporting);
  ErrorLevel Failed(Reporting reporting, int32_t errorId);
  void CleanUp();
  [[nodiscard]] ErrorLevel ReadSequential(bool forward, Reporting reporting);
  [[nodiscard]] ErrorLevel InsertCore(Reporting reporting);
  [[nodiscard]] ErrorLevel ReserveAutoNumberCore(Reporting reporting);
  [[nodiscard]] ErrorLevel UpdateCore(Reporting reporting);
  // One numbering pass over the keys with automatic numbering; 0, or the failure.
  [[nodiscard]] ErrorLevel NumberKeys(Reporting reporting, bool& failed);
  void NameKeyForMessage(const KeyEntry& key);
  void NameDuplicatedKey();
  // The description of the key a change would duplicate ("" when none is found), named
  // for the message as NameDuplicatedKey does.
  std::string DuplicatedKeyDescription();
  int PrimaryKeyNumber() const;
  bool OnOwnThread() const;

  int32_t OwnerThread = 0;
  // The key a failed change would have duplicated, for RaiseLast's message.
  std::string DuplicatedKeyText;

  // ---- Run-time state only this class reads ----
  uint8_t InCallBack = 0;
  uint8_t InClose = 0;
  bool InRestore = false;
  bool InView = false;
  bool Used = false;
  bool AtEOF = false;
  uint8_t AutoIncDone = 0;
  bool CleanedUp = false;
  bool BlobChanged = false;
  std::string PreviousBuffer;
  bool Killed = false;
  bool StopOperation = false;
};

}  // namespace framework::data
