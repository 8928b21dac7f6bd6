#pragma once
// A view: the records of a primary keyed file in an order and through a filter, read
// one at a time into the file's record buffer. The view manager builds the order and
// filter texts; the browse reads its pages through the view.
//
// Order. The order text (ViewOrder.h) names components; the view finds the key that
// gives that order and reads through the key's index with the driver's keyset seeks,
// so positioning and reading a page cost the same whatever the size of the file. An
// empty order reads in the file's own order, just as cheaply.
// An order that no key gives is read sorted: each positioning (Reset, ResetToPosition,
// and the first read after Open or a change of order or filter) reads the whole file
// once, keeps the order values and position of every record the filter lets through,
// and sorts them: time n log n and memory for n entries, per positioning. Next and
// Previous then read one record each by its position, skipping records deleted since
// or no longer let through by the filter. Use it for small files or rare orders only.
//
// Filter. The filter text is an expression (Expression.h) evaluated on the record
// buffer after each read; Next and Previous skip the records it rejects, so a filter
// that rejects many records makes a read cost as many records as it skips. Names are
// the primary file's field names ("URL:URL") and then the thread's ExpressionScope.
// A text that does not parse is refused with ErrorBadExpression (the message gives the
// place and the reason) and the view goes on without that order or filter.
//
// Reading. After Open the view stands at the start of its order. Next reads the next
// record the filter accepts, Previous the one before; at the end (start) they give 33
// and leave the record buffer as it was before the call. The view reads through the
// primary file's cursor: another read of the file between two reads of the view moves
// the view's place, so reset the view (to a position) after such a read.
// Positions are the file's position texts in the view's key; ResetToPosition accepts
// any position of the file (of another order too, while its record exists). A
// position this view handed out in its current order is used as it stands, without
// reading its record: the view goes on from the key values it had when it was read.
//
// Runs. Between BeginRead and EndRead (one operation of the caller: a page fill, a
// refill around a row) the view reads through a key in runs: one statement reads as
// many records as the caller said it expects (ExpectReads; else the fetch-size hint;
// else one), Next and Previous hand them out one by one, checking the filter on each,
// and when a run is used up the next one is read from its last record. The bracket is
// also the file's read transaction: all reads in it see one state of the file, and
// after EndRead the view reads the file anew, so the caller sees other stations'
// changes at its next operation. Another read of the file in between drops the rest of
// a run (the view then goes on from the file's cursor, as it always did).
//
// Only a primary file: views over joined files are not supported.
//
// Errors: every call returns a runtime error code and leaves it (with its text) in the
// thread's RuntimeError; ErrorCode gives the last one of this view. 45 when the view
// or its file is not open, 52 when it is opened twice (it stays open), 33 at the ends,
// the file's codes from its reads, ErrorBadExpression for a bad order or filter.
//
// Thread safety: a view and its file belong to one thread.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "runtime/data/FieldRef.h"
#include "runtime/files/KeyedFile.h"
#include "runtime/files/RunRecord.h"
#include "runtime/files/ViewOrder.h"
#include "runtime/files/ViewPositionSet.h"
#include "runtime/text/Expression.h"
#include "runtime/text/ExpressionValue.h"

namespace runtime::files {

class View {
 public:
  // The runtime error code for an order or filter text that does not parse.
  static constexpr int32_t ErrorBadExpression = 800;
  // Buffering the view starts with (records per page, pages kept behind and read
  // ahead, seconds the buffer stays valid). Stored and answered only: runs are sized
  // by ExpectReads and the fetch-size hint.
  static constexpr int16_t DefaultPageSize = 20;
  static constexpr int16_t DefaultPagesBehind = 2;
  static constexpr int16_t DefaultPagesAhead = 0;
  static constexpr int16_t DefaultTimeOut = 60;

  View() = default;
  ~View() { Teardown(); }
  View(const View&) = delete;
  View& operator=(const View&) = delete;

  // Makes `primary` the view's file (not owned; it outlives the view). Any order and
  // filter are dropped; the view is closed.
  void Init(KeyedFile& primary);
  // Closes and forgets the file. Safe twice.
  void Teardown();

  // The files of the view, numbered from 1 (only the primary file here).
  size_t FileCount() const { return Primary != nullptr ? 1 : 0; }
  KeyedFile* File(size_t number) const { return number == 1 ? Primary : nullptr; }
  // The fields of the view, numbered from 1: every field of every file, in order.
  size_t FieldCount() const;
  runtime::data::FieldRef Field(size_t number) const;  // null when out of range
  size_t FieldFile(size_t number) const;               // 0 when out of range
  size_t FieldNumber(size_t number) const;             // within its file; 0 when out of range

  int32_t SetOrder(std::string_view text);
  const std::string& Order() const { return OrderText; }
  size_t OrderComponents() const { return TheOrder.Count(); }
  // The key the view reads through (0: the file's own order); nothing when it reads sorted.
  std::optional<int> OrderKey() const { return Key; }

  int32_t SetFilter(std::string_view text);
  const std::string& Filter() const { return TheFilter.Text(); }

  void SetBuffer(int16_t pageSize, int16_t pagesBehind, int16_t pagesAhead, int16_t timeOut);
  int16_t PageSize() const { return ThePageSize; }
  int16_t PagesBehind() const { return ThePagesBehind; }
  int16_t PagesAhead() const { return ThePagesAhead; }
  int16_t TimeOut() const { return TheTimeOut; }
  void SetFetchSize(int32_t records) { TheFetchSize = records; }
  int32_t FetchSize() const { return TheFetchSize; }

  // Opens with a mode byte (FileMode; kept for the caller). The primary file must be
  // open (45 otherwise). 52 when the view is open already.
  int32_t Open(uint8_t mode);
  int32_t Close();
  bool IsOpen() const { return Opened; }
  uint8_t Mode() const { return OpenMode; }

  // Positions the view at the record buffer's values of the first `components` order
  // components (0: the start): Next reads the first record at or after them, Previous
  // the last at or before them. The buffer is not changed.
  int32_t Reset(size_t components = 0);
  // Positions the view on the record at `position`: Next reads it (or the one after
  // it in the view's order, when it is gone or rejected), Previous it or the one
  // before. The buffer is not changed.
  int32_t ResetToPosition(const std::string& position);
  int32_t Next();
  int32_t Previous();
  // A read bracket (see Runs above); nested brackets count, the outermost decides.
  // The thread's error is left alone when they succeed.
  int32_t BeginRead();
  int32_t EndRead();
  // How many records the caller expects to read next in this bracket, in one
  // direction: the length of the next runs (at most MaxRunLength).
  void ExpectReads(size_t records);
  // That the next forward run in this bracket will be followed by reads back of up to
  // `records` records before where it starts (a page rebuilt around a row): the file
  // may read them with the run, in one statement. Applies to the next run only.
  void ExpectReadsBefore(size_t records);
  static constexpr size_t MaxRunLength = 256;
  // The position of the record last read through the view; "" (and 33) when none.
  std::string Position();
  // The same without a copy: good until the view reads or is reset again.
  const std::string& PositionText();
  // Reads the record at `position` into the buffer (the file's watch applies) without
  // moving the view's place in sorted reading.
  int32_t Reget(const std::string& position);

  // Numbered properties (ViewProperty); "" and 80 for an unknown one.
  std::string Property(int32_t property, int32_t index = 0);
  int32_t SetProperty(int32_t property, std::string_view value);

  int32_t ErrorCode() const { return LastError; }

 private:
  struct SortedRow {
    std::vector<runtime::text::ExpressionValue> Values;
    std::string Position;
  };

  int32_t Finish(int32_t code);
  int32_t Fail(int32_t code, const std::string& text);
  std::optional<runtime::data::FieldRef> FieldNamed(std::string_view name) const;
  void ChooseKey();
  int32_t EnsurePositioned();
  int32_t Read(bool forward);
  int32_t ReadKeyed(bool forward);
  int32_t ReadFromRun(bool forward);
  void DropRun();
  void Issue(const std::string& position);
  int32_t ReadSorted(bool forward);
  int32_t BuildSorted();
  int32_t ResetSorted(size_t components);
  int32_t ResetSortedToPosition(const std::string& position);
  size_t SortedBound(const std::vector<runtime::text::ExpressionValue>& values, size_t count, bool after) const;

  KeyedFile* Primary = nullptr;
  std::string OrderText;
  bool OrderNamesFieldsOnly = false;  // every name in OrderText is a field of the file
  const void* OrderBuffer = nullptr;  // the record buffer those names were found in
  ViewOrder TheOrder;
  std::optional<int> Key = 0;
  runtime::text::Expression TheFilter;
  int16_t ThePageSize = DefaultPageSize;
  int16_t ThePagesBehind = DefaultPagesBehind;
  int16_t ThePagesAhead = DefaultPagesAhead;
  int16_t TheTimeOut = DefaultTimeOut;
  int32_t TheFetchSize = 0;
  bool Opened = false;
  uint8_t OpenMode = 0;
  bool Positioned = false;  // false: the next read starts from the start of the order
  std::string CurrentPosition;
  int32_t LastError = 0;

  // Reading in runs: the bracket depth, the expected reads, the run and the place in it.
  int32_t ReadDepth = 0;
  bool FileBracketed = false;  // the file's own read bracket was taken
  size_t Expected = 0;
  size_t ExpectedBefore = 0;
  std::vector<RunRecord> Run;  // its first RunLength records are the run
  size_t RunLength = 0;
  size_t RunAt = 0;
  bool RunForward = true;
  bool RunAtEnd = false;  // the run was short: nothing lies beyond it in this bracket
  bool NoRuns = false;    // the file's driver reads no runs
  uint64_t RunMark = 0;   // the file's cursor mark when the view last took a record
  // Positions handed out in the current order (bounded; see ResetToPosition).
  ViewPositionSet Issued;
  std::vector<unsigned char> ReadCopy;  // the caller's buffer, kept while a keyed read skips records

  // Sorted reading: the rows of the last positioning and the place among them.
  std::vector<SortedRow> Rows;
  std::unordered_map<std::string, size_t> RowOfPosition;
  int64_t NextRow = 0;      // Next reads from here up
  int64_t PreviousRow = -1; // Previous reads from here down
};

}  // namespace runtime::files
