#pragma once
// The interface of a keyed-file driver. A Driver object is one connection to one data
// file: KeyedFile creates it through the DriverRegistry, opens it, and calls it for
// every operation. The SQLite driver is the default implementation; tests register
// fault-injecting ones.
//
// Thread safety: a Driver object is used by one thread at a time (KeyedFile's lock
// sees to it for shared files). Separate Driver objects on the same disk file, in the
// same or other processes, are safe and see each other's committed changes.
//
// Every operation returns a DriverStatus; the codes are those of RuntimeErrorCode.
// REQUIRES: Open succeeded, for every operation but DefaultExtension,
// SupportsTransactions, Create, Open and Close (KeyedFile answers 45 itself first).
//
// Records cross the interface as the fixed-layout record image described by the
// definition's RecordType (definition.Record->Size() bytes).
//
// Keys are numbered from 1 in the definition's order; key 0 is the file's own order
// (the order records were added in). Each key orders records by its components and,
// among equal components, by the order they were added in.
//
// The cursor. The driver keeps a current record and a reading order:
//  - a boundary (after SetKeyPosition or ResetToPosition): Next reads the first
//    record at or after it, Previous the last record at or before it;
//  - a current record (after any successful read or add): Next reads the record
//    after it, Previous the one before it, in the reading order.
// A failed read leaves the cursor and the buffer as they were. The cursor keeps key
// values, not a place in an index, so records added or deleted by others never
// invalidate it.
//
// Runs and read transactions. A page of a list is one read: ReadRun reads the records
// that Next or Previous would read one after another, up to a count, with one
// statement (one round trip to a server), and TakeRunRecord then hands them out one
// by one without another statement. BeginRead and EndRead bracket the reads of one
// operation (a page fill, a refill around a row) so that they all see one state of
// the file; EndRead comes before the operation returns, so the next operation sees
// what other stations wrote meanwhile. A driver that has no runs of its own keeps the
// defaults below: ReadRun answers 80 and its files are read a record at a time, and
// the read brackets hold nothing.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/files/DriverStatus.h"
#include "runtime/files/FileDefinition.h"
#include "runtime/files/RunRecord.h"

namespace runtime::files {

class Driver {
 public:
  virtual ~Driver() = default;

  // The extension appended to the program's file name (".vkdb").
  virtual std::string DefaultExtension() const = 0;
  // False when the driver cannot take part in transactions (Begin then gives 80).
  virtual bool SupportsTransactions() const = 0;

  // Creates an empty data file at `path` with the definition's layout.
  // An existing file with the same layout is left alone and counts as success; an
  // existing file with another layout, or one that is not a data file, gives 47 and
  // is not touched. Does not open the file.
  virtual DriverStatus Create(const FileDefinition& definition, const std::string& path) = 0;

  // Opens the data file at `path` with the mode byte (FileMode).
  // 2 when there is no such file; 5 when write access is asked for a file the
  // process may not write (a read-only open of it succeeds); 47 when the file is not
  // a data file or its stored layout differs from the definition (the file is never
  // altered); 46 when a key's index is missing (BuildKeys repairs it); 90 for other
  // storage failures. On failure the driver stays closed. On success the cursor is at
  // the start of the file's own order.
  virtual DriverStatus Open(const FileDefinition& definition, const std::string& path,
                            uint8_t mode) = 0;
  // Closes; rolls back an unfinished transaction. Closing a closed driver succeeds.
  virtual DriverStatus Close() = 0;
  // Creates every key index missing from the file at `path`, which this driver need
  // not have open. 40 when a unique key has duplicates; 47 as Open.
  virtual DriverStatus BuildKeys(const FileDefinition& definition, const std::string& path) = 0;

  // Reading. Each fills `buffer` with the record read and makes it current.
  // Reads the first record (in `key` order) whose components all equal the buffer's.
  // 2 when there is none; 33 is never given here.
  virtual DriverStatus GetByKey(int key, void* buffer) = 0;
  // Reads the record at a position text from Position. 2 when it no longer exists;
  // 33 for a text that is no position of this file.
  virtual DriverStatus GetByPosition(const std::string& position, void* buffer) = 0;
  // Sets the reading order to `key` and the boundary to the buffer's values of its
  // first `components` components (0: the start, so Next reads the first record and
  // Previous the last). Components beyond the key's count are ignored.
  virtual DriverStatus SetKeyPosition(int key, size_t components, const void* buffer) = 0;
  // Sets the reading order to the position's key and the boundary to the position
  // itself: Next reads that record (or the one after it, if it is gone), Previous
  // that record or the one before it. 33 for a text that is no position of this file.
  virtual DriverStatus ResetToPosition(const std::string& position) = 0;
  // 33 at the end (start) of the order: buffer and cursor unchanged.
  virtual DriverStatus Next(void* buffer) = 0;
  virtual DriverStatus Previous(void* buffer) = 0;
  // The current record's position in `key` order (0: the file's order), at most
  // FileLimits::PositionLength characters. 33 without a current record.
  virtual DriverStatus Position(int key, std::string& position) = 0;
  // Forgets the current record (the next Put or Delete gives 33).
  virtual void ForgetCurrent() = 0;

  // Reads, with one statement, the records that `count` (>= 1) calls of Next
  // (Forward) or Previous (Backward) would read from the cursor, in that order, into
  // `run` (replacing its contents). Fewer than `count` records mean the end (start) of
  // the order was reached. 33 and an empty run when there is no record at all in that
  // direction. The cursor, the watch and the buffer are not changed: TakeRunRecord
  // makes a record of the run current, and a run read after that starts from it.
  virtual DriverStatus ReadRun(RunDirection direction, size_t count, std::vector<RunRecord>& run) {
    static_cast<void>(direction);
    static_cast<void>(count);
    run.clear();
    return DriverStatus::Error(runtime::core::RuntimeErrorCode::NotSupported);
  }
  // Copies a record of a run into `buffer` and makes it current, exactly as the Next
  // or Previous that read it would have: the next read, run or Put starts from it, and
  // a Watch armed before applies to it with the change count the run read. Runs no
  // statement. REQUIRES: `record` came from ReadRun on this driver since it was opened.
  virtual DriverStatus TakeRunRecord(const RunRecord& record, void* buffer) {
    static_cast<void>(record);
    static_cast<void>(buffer);
    return DriverStatus::Error(runtime::core::RuntimeErrorCode::NotSupported);
  }

  // A hint for the next ReadRun, when it reads Forward inside a read bracket: the
  // caller will then read back, in the same bracket, up to `count` records before
  // where that run starts (a page rebuilt around a row). A driver may read them with
  // the run, in the same statement, and answer those reads without another one; the
  // records read are the same either way. The hint applies to the next ReadRun only.
  virtual void ExpectRunBefore(size_t count) { static_cast<void>(count); }

  // Read transactions. From BeginRead to EndRead every read sees the file as it stood
  // at the first of them; the driver may hold what that costs (a read snapshot, a
  // server transaction) until EndRead, and starts it with the first read, so a
  // bracket around a single statement costs no more than the statement. A read
  // transaction never blocks another connection's writer. Add, Put, Delete and Begin
  // end it first (the reads after them, still inside the bracket, see the file anew).
  // Not nested: 90 from BeginRead while one is running. EndRead without one succeeds;
  // Close ends it.
  virtual DriverStatus BeginRead() { return DriverStatus::Ok(); }
  virtual DriverStatus EndRead() { return DriverStatus::Ok(); }

  // Writing. Each commits at once, unless a transaction is running.
  // Adds the buffer as a new record and makes it current. 40 on a unique key clash.
  virtual DriverStatus Add(const void* buffer) = 0;
  // Replaces the current record with the buffer. 33 without a current record (or
  // when it was deleted by others, unwatched); 40 on a unique key clash; 89 when the
  // record was watched and was changed or deleted since it was read.
  virtual DriverStatus Put(const void* buffer) = 0;
  // Deletes the current record, which stays the cursor position. 33 and 89 as Put.
  virtual DriverStatus Delete() = 0;
  // Arms change detection: the next record read remembers the stored record's change
  // count, and a Put or Delete of that record compares it in the write itself.
  virtual DriverStatus Watch() = 0;
  // Whether writing the buffer would clash with another record on unique key `key`
  // (the current record does not count). Keys that allow duplicates never clash.
  virtual DriverStatus CheckDuplicate(int key, const void* buffer, bool& duplicate) = 0;

  // The cursor (order, boundary or current record, watch) as an opaque text, and back.
  virtual DriverStatus SaveCursor(std::string& state) = 0;
  virtual DriverStatus RestoreCursor(const std::string& state) = 0;

  virtual DriverStatus Records(int64_t& count) = 0;
  // Driver option strings ("Recover=10", "QUICKSCAN=on"): the answer is the option's
  // value in force after the call. 80 for an option the driver does not know.
  // "STATEMENTS" (read only) answers how many statements this connection has run
  // since it was opened, transaction control included: what benchmarks and tests
  // count round trips by.
  virtual DriverStatus Send(const std::string& option, std::string& answer) = 0;

  // Transactions on this file. Begin waits at most `timeoutSeconds` for other
  // writers and gives 43 when they do not finish; 80 when not supported; 90 when one
  // is already running. Commit and Rollback give 90 without a running transaction.
  virtual DriverStatus Begin(int32_t timeoutSeconds) = 0;
  virtual DriverStatus Commit() = 0;
  virtual DriverStatus Rollback() = 0;
  virtual bool InTransaction() const = 0;
};

}  // namespace runtime::files
