#pragma once
// The program's handle on one keyed data file: the "file structure" with its record
// buffer. It calls the file's driver, tells its call-back objects before and after each
// operation, and after every call sets the thread's RuntimeError (code and text, and
// for storage failures the driver's own code and text) and returns the code.
//
// Per-thread files: every thread has its own KeyedFile (put it in a PerThread holder or
// in a per-thread record of the program), with its own connection, buffer and cursor.
// A shared file is one KeyedFile that every call enters under the file's own
// re-entrant lock; its buffer is shared too, so threads that share a file agree
// among themselves who fills it.
//
// Codes (RuntimeErrorCode): 0 success, 2 not found, 5 access denied, 33 record not
// available (end of file, no current record), 40 duplicate key, 43 busy, 45 not open,
// 46 key file invalid, 47 invalid file structure, 52 already open, 80 not supported,
// 89 changed elsewhere, 90 driver error (driver code and text in RuntimeError::FileCode
// and FileText).
//
// Keys are numbered from 1 in the definition's order; 0 stands for the file's own order.

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/core/CriticalSection.h"
#include "runtime/files/Driver.h"
#include "runtime/files/FileCallback.h"
#include "runtime/files/FileDefinition.h"
#include "runtime/files/FileLimits.h"

namespace runtime::files {

// Which end of a key's order a component value is set to (ClearKeyRange, numbering).
enum class KeyEnd : uint8_t { First, Last };

class KeyedFile {
 public:
  // Positions are texts of at most this many characters.
  static constexpr size_t MaxPositionLength = FileLimits::PositionLength;

  KeyedFile() = default;
  ~KeyedFile();
  KeyedFile(const KeyedFile&) = delete;
  KeyedFile& operator=(const KeyedFile&) = delete;

  // Binds the handle to a definition and a record buffer of definition.Record->Size()
  // bytes (null: the handle keeps a buffer of its own). The buffer is cleared. 47 when
  // the definition is unusable (no record type, a key component outside the record,
  // a field kind a record cannot hold); 80 when its driver is not registered.
  int32_t Init(const FileDefinition& definition, void* buffer = nullptr);
  // Tells the call-backs (Destroy), closes the file, frees saved states. Safe twice.
  void Teardown();

  const FileDefinition* Definition() const { return Def; }
  void* Buffer() { return Buf; }
  size_t BufferSize() const;
  // The record buffer as the program's record struct.
  template <class Record>
  Record& As() {
    return *static_cast<Record*>(Buf);
  }

  // The name the program gives the driver (default: the definition's FileName);
  // takes effect at the next Create or Open.
  void SetName(std::string_view name);
  // The file's name as the driver reports it: the mapped path with the extension
  // ("URLLIST.vkdb").
  std::string Name() const;

  // Creates the file (see Driver::Create: an existing file of the same layout counts
  // as created). Works whether or not this handle is open.
  int32_t Create();
  // Opens with the mode byte (FileMode). 52 when this handle is already open.
  int32_t Open(uint8_t mode);
  int32_t Close();
  bool IsOpen() const;
  uint8_t Mode() const { return OpenMode; }
  // Recreates missing key indexes (after an open failed with 46); the handle need not
  // be open.
  int32_t BuildKeys();

  // Clears the record buffer through the record type (text empty, numbers 0).
  void ClearBuffer();
  // Sets component `component` (1-based) of `key` in the buffer to the value that sorts
  // first or last in that key (for a descending component the reverse of the field's
  // lowest and highest value). Does nothing for a key or component that does not exist.
  void SetComponentToEnd(int key, size_t component, KeyEnd end);

  // Reading; see Driver for the cursor. Each success fills the buffer.
  int32_t GetByKey(int key);
  int32_t GetByPosition(const std::string& position);
  int32_t SetKeyPosition(int key, size_t components = 0);
  int32_t ResetToPosition(const std::string& position);
  int32_t Next();
  int32_t Previous();
  // Runs (see Driver): reads up to `count` records from the cursor in one statement,
  // without moving the cursor or filling the buffer. 33 and an empty run at the end.
  int32_t ReadRun(RunDirection direction, size_t count, std::vector<RunRecord>& run);
  // Fills the buffer with a record of a run and makes it current, as the Next
  // (Forward) or Previous (Backward) that read it would; the call-backs are told it
  // as that read.
  int32_t TakeRunRecord(const RunRecord& record, RunDirection direction);
  // Tells the driver that the next run, read forward, will be followed in the same
  // read bracket by reads back of up to `count` records before its start (see Driver).
  // Changes nothing the caller sees; the call-backs are not told.
  void ExpectRunBefore(size_t count);
  // Brackets the reads of one operation in a read transaction (see Driver). Nested
  // brackets count: only the outermost pair reaches the driver. The call-backs are
  // not told.
  int32_t BeginRead();
  int32_t EndRead();
  // Changes whenever the cursor may have moved or the file was written through this
  // handle: a reader that hands out records of a run checks it to know that nobody
  // moved the cursor in between.
  uint64_t CursorMark() const { return Mark; }

  // The current record's position in `key` order (0: the file's order); "" on failure.
  std::string Position(int key = 0);
  // The same into `position` (emptied on failure), reusing its storage; the code.
  int32_t Position(int key, std::string& position);
  // Forgets the current record ("read of record pointer 0").
  void ForgetCurrent();

  // Writing.
  int32_t Add();
  int32_t Put();
  int32_t Delete();
  int32_t Watch();
  // Whether the buffer would duplicate an entry of key `key` (another record than the
  // current one). False with code 0 for a key that allows duplicates.
  bool WouldDuplicate(int key);
  // The first key the buffer would duplicate, or 0.
  int FirstDuplicateKey();

  // File states: the buffer, the cursor and the watch, saved under a handle > 0.
  // SaveState gives 0 (and an error) when the state cannot be taken.
  int32_t SaveState();
  // Restores the state; the buffer only when `restoreBuffer`. 33 for an unknown handle.
  int32_t RestoreState(int32_t handle, bool restoreBuffer = true);
  void FreeState(int32_t handle);

  // Properties (FileProperty numbers); typed forms of the ones the framework reads.
  // File properties take a field number as index where they need one; key properties
  // take the key number and, where they need one, the component number. An unknown
  // property gives "" and 80.
  std::string Property(int32_t property, int32_t index = 0);
  std::string KeyProperty(int key, int32_t property, int32_t component = 0);
  int32_t SetProperty(int32_t property, std::string_view value, int32_t index = 0);
  int KeyCount() const;
  int KeyNumber(std::string_view name) const;  // 0 when there is none
  int PrimaryKey() const;                      // 0 when no key is primary
  const KeyDefinition* Key(int key) const;     // null when there is none
  size_t FieldCount() const;
  std::string FieldName(size_t field) const;   // 1-based; "" when out of range
  int64_t Records();                           // -1 on failure
  bool IsPerThread() const;

  // Driver option strings ("Recover=10", "QUICKSCAN=on"); returns the driver's answer.
  std::string Send(std::string_view option);

  // Call-back objects, told in the order added. Not owned.
  void AddCallback(FileCallback* callback);
  void RemoveCallback(FileCallback* callback);

  // Used by Transaction: one file's part of a transaction, told to the call-backs
  // (Begin, Commit, Rollback) like every operation.
  int32_t BeginTransaction(int32_t timeoutSeconds);
  int32_t CommitTransaction();
  int32_t RollbackTransaction();
  bool InTransaction() const;

  // The file's re-entrant lock. Every call takes it; threads sharing one handle hold it
  // themselves across filling the buffer and the call that uses it.
  runtime::core::CriticalSection& Lock() { return Section; }

 private:
  struct SavedState {
    std::vector<unsigned char> Record;
    std::string Cursor;
  };
  class Call;
  // The calls a read makes for every record: their texts are kept, not built each time.
  enum class RowCall : uint8_t { Next, Previous, Position };
  static constexpr size_t RowCallCount = 3;

  int32_t Finish(const DriverStatus& status);
  bool UsableKey(int key) const;
  std::string PathForDriver() const;

  runtime::core::CriticalSection Section;
  const FileDefinition* Def = nullptr;
  void* Buf = nullptr;
  std::vector<unsigned char> OwnBuffer;
  std::string ProgramName;
  std::array<std::string, RowCallCount> RowCallTexts;  // built from ProgramName; "" when not yet
  std::array<std::string, RowCallCount> RowCallBuilt;  // what each was built as, to know it unchanged
  std::unique_ptr<Driver> Conn;  // set from Init; open between Open and Close
  bool Opened = false;
  uint8_t OpenMode = 0;
  int32_t ReadAhead = 0;
  int32_t ReadDepth = 0;
  uint64_t Mark = 0;
  std::vector<FileCallback*> Callbacks;
  std::map<int32_t, SavedState> States;
  int32_t LastStateHandle = 0;
};

}  // namespace runtime::files
