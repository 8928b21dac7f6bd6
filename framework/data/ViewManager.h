#pragma once
// Reads the records of a primary file through a runtime view, in one of several sort
// orders, each limited by a range on its key and by any number of named filters. The
// manager builds the view's order and filter texts from the current sort order, opens
// and closes the view and its files, steps through the records (CheckRecord decides
// which count), and saves and restores the record buffers of the view's files.
// BrowseManager derives from it and overrides ResetRequired, Teardown, Next and
// Previous, calling the base operations.
//
// Filter text of the current order: the range part (by LimitType; text values quoted
// with "'" doubled, wrapped in UPPER( or LOWER( when the component name is), then each
// named filter in descending Id order as " AND (filter)": for a key (A, B) with a
// LimitPair range A = 'x', B from 1 to 9 and the standard filter "C > 0":
//   A = 'x' AND B >= 1 AND B <= 9 AND (C > 0)
//
// Failures: view errors are raised through the primary file's manager: 46 "View Open
// Error" when the view refuses an open, order, filter or position (the view goes on
// without it), 1 "Record Retrieval Error" on a read error (Next and Previous return 3).
// End of file or range is 5 without a message.
//
// Life: Init (files opened through their relation managers) -> AddOrder per order ->
// Open/Reset -> Next/Previous -> ResetRequired/SendFilter when limits change -> Close
// -> Teardown (safe twice; the destructor runs it when it has not run).
//
// Thread safety: one thread; the view and its files belong to the thread of the
// window that owns the manager.
//
// Virtual operations are declared in their fixed slot order.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/data/RecordBuffer.h"
#include "framework/error/ErrorLevel.h"
#include "framework/window/BufferedPairs.h"
#include "runtime/data/FieldRef.h"

namespace runtime::files {
class View;
class KeyedFile;
}  // namespace runtime::files

namespace framework::data {

class FileManager;
class RelationManager;

class ViewManager {
 public:
  using ErrorLevel = framework::error::ErrorLevel;

  // Kinds of range of a sort order (SortOrderEntry::LimitType); 5 and above count as none.
  static constexpr uint8_t LimitNone = 0;
  static constexpr uint8_t LimitFixed = 1;         // every pair fixed, never re-checked
  static constexpr uint8_t LimitFixedWatched = 2;  // every pair fixed; the last pair is watched
  static constexpr uint8_t LimitPair = 3;          // leading pairs fixed, then a lower and an upper limit
  static constexpr uint8_t LimitRelated = 4;       // every pair fixed to a related file's field

  // CheckRecord answers: take the record, the range is over, skip the record.
  static constexpr int32_t RecordInRange = 0;
  static constexpr int32_t RecordOutOfRange = 1;
  static constexpr int32_t RecordSkipped = 2;

  // The view's open mode: read/write, deny write.
  static constexpr uint8_t ViewOpenMode = 0x22;
  // Buffering defaults.
  static constexpr int16_t DefaultPageSize = 20;
  static constexpr int16_t DefaultPagesBehind = 2;
  static constexpr int16_t DefaultPagesAhead = 0;
  static constexpr int16_t DefaultTimeOut = 60;

  // Text limits: the filter text, a component name in it, a quoted value, a filter id,
  // a field name looked up in the order text.
  static constexpr size_t FilterLimit = 5000;
  static constexpr size_t ComponentNameLimit = 500;
  static constexpr size_t QuotedValueLimit = 2000;
  static constexpr size_t FilterIdLimit = 30;
  static constexpr size_t FieldNameLimit = 100;

  // The id SetNamedFilter(text) files a filter under.
  static constexpr const char* StandardFilterId = "5 Standard";

  // A range list: buffered pairs (Left the limit variable, Right the value last
  // applied, Buffer the related value last applied) with access to single pairs.
  class RangePairs : public framework::window::BufferedPairs {
   public:
    // REQUIRES: index < Count().
    Entry& At(size_t index) { return (*List)[index]; }
  };

  struct NamedFilter {
    std::string Id;  // at most FilterIdLimit bytes
    std::string Filter;
  };

  // One sort order. BrowseManager's orders derive from it and add their own objects.
  struct SortOrderEntry {
    virtual ~SortOrderEntry() = default;
    // Kept in descending Id order; null until the first filter.
    std::unique_ptr<std::vector<NamedFilter>> Filter;
    // The first key component not fixed by the range (the locator's and thumb's field).
    runtime::data::FieldRef FreeElement;
    uint8_t LimitType = LimitNone;
    int MainKey = 0;  // the key's number in the primary file; 0: no key
    std::string Order;
    std::unique_ptr<RangePairs> RangeList;
  };

  // The sort orders; Current (1-based, 0 when there are none) is the current order.
  struct OrderQueue {
    std::vector<std::unique_ptr<SortOrderEntry>> Entries;
    size_t Current = 0;

    size_t Records() const { return Entries.size(); }
    SortOrderEntry* CurrentEntry() const {
      return Current >= 1 && Current <= Entries.size() ? Entries[Current - 1].get() : nullptr;
    }
  };

  struct SavedViewBuffer {
    int16_t Buff = 0;
    FileManager* FM = nullptr;
  };

  ViewManager() = default;
  virtual ~ViewManager();
  ViewManager(const ViewManager&) = delete;
  ViewManager& operator=(const ViewManager&) = delete;

  // ---- Virtual operations, in slot order ----

  // Teardown when Init ran and Teardown has not.
  virtual void Destruct();
  // Empty order: `text`; "*X": X alone; otherwise the order + "," + text.
  virtual void ExtendOrder(std::string_view text);
  // Builds and sets the view's filter text; raises 46 when the view refuses it.
  virtual void SendFilter();
  virtual void SendOrder();
  // True (after sending the new filter) when the range values changed since applied.
  virtual bool ResetRequired();
  virtual void Close();
  virtual void Close(bool force);
  virtual void ClearBuffers();
  virtual bool GetFreeElementAscending();
  virtual std::string GetFreeElementName();
  virtual size_t GetFreeElementPosition();
  virtual void Teardown();
  // The next record CheckRecord takes: 0; 5 at the end or out of range; 3 on a read
  // error (reported).
  [[nodiscard]] virtual ErrorLevel Next();
  // Opens the view once, then sends the order and the filter. A view that does not
  // open is reported here; 5 only when there is no view.
  virtual ErrorLevel Open();
  [[nodiscard]] virtual ErrorLevel Previous();
  // Clears (unless RecordBuffer::Keep) and primes a new record with the range values;
  // the primary file manager's PrepareRecord result.
  [[nodiscard]] virtual ErrorLevel PrepareRecord(RecordBuffer buffer);
  // Opens, then positions the view at the buffer's values of the first `components`
  // order components (0: the start). 0, or 5 when the view refused (reported).
  virtual ErrorLevel Reset(size_t components);
  virtual ErrorLevel Reset();
  virtual void RestoreSnapshots();
  virtual void SnapshotBuffers();
  virtual void SetNamedFilter(std::string_view text);
  virtual void SetNamedFilter(std::string_view text, std::string_view id);
  virtual void SetOrderText(std::string_view text);
  // Makes order n (0 means 1) current; 0 when it already was, else 1.
  virtual int32_t SelectSortOrder(size_t n);
  // RecordInRange, RecordOutOfRange or anything else to skip; the base takes every record.
  virtual int32_t CheckRecord();

  // ---- Non-virtual operations ----

  // `orderQueue` null: the manager makes and owns its own.
  void Init(runtime::files::View& view, RelationManager& primary, OrderQueue* orderQueue);
  // Adds an order on `key` (number in the primary file; 0 for none); its number.
  size_t AddOrder(int key);
  void OpenFiles();
  void CloseFiles();
  // 1 when `field` sorts ascending in the view's order (or is not in it), 0 descending.
  bool FieldSortsAscending(const runtime::data::FieldRef& field);

  // The filter text SendFilter would set now (for callers that evaluate it locally).
  std::string BuildFilter();
  // The primary file's manager (null before Init).
  FileManager* PrimaryFile() const;
  SortOrderEntry* CurrentOrder() const { return Order ? Order->CurrentEntry() : nullptr; }

  // ---- Fields, in the fixed order ----
 private:
  uint8_t DisposeOrder = 0;
  std::unique_ptr<OrderQueue> OwnOrder;
  // FieldSortsAscending's last answer, for the order text and field name it was for:
  // a locator asks on every key.
  struct DirectionMemo {
    std::string Order;
    std::string Name;
    bool Ascending = true;
  };
  DirectionMemo LastDirection;

 public:
  uint8_t Opened = 0;
  OrderQueue* Order = nullptr;
  int16_t PagesAhead = 0;
  int16_t PagesBehind = 0;
  int16_t PageSize = 0;
  RelationManager* Primary = nullptr;
  int16_t TimeOut = 0;
  runtime::files::View* View = nullptr;
  std::unique_ptr<std::vector<SavedViewBuffer>> SavedBuffers;
  uint8_t Inited = 0;
  uint8_t Killed = 0;
  uint8_t Used = 0;

 protected:
  // Adds `entry` as an order on `key`; its number.
  size_t AddOrderEntry(std::unique_ptr<SortOrderEntry> entry, int key);
  // The view's files, 1-based.
  size_t ViewFileCount() const;
  runtime::files::KeyedFile* ViewFile(size_t number) const;
  // Raises `errorId` through the primary file's manager.
  ErrorLevel RaiseViewError(int32_t errorId);
};

}  // namespace framework::data
