#include "runtime/files/View.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "runtime/core/RuntimeError.h"
#include "runtime/core/RuntimeErrorCode.h"
#include "runtime/files/ViewProperty.h"

namespace runtime::files {
namespace {

using C = runtime::core::RuntimeErrorCode;
using runtime::core::RuntimeError;
using runtime::data::FieldRef;
using runtime::text::ExpressionError;
using runtime::text::ExpressionValue;

// Keeps a copy of the record buffer so that a read that fails, after skipping records
// the filter rejected, leaves the buffer as the caller had it.
// `storage` lets a caller that copies on every read keep one allocation.
class BufferCopy {
 public:
  explicit BufferCopy(KeyedFile& file) : BufferCopy(file, Own) {}
  BufferCopy(KeyedFile& file, std::vector<unsigned char>& storage)
      : Buffer(static_cast<unsigned char*>(file.Buffer())), Copy(storage) {
    Copy.assign(Buffer, Buffer + file.BufferSize());
  }
  BufferCopy(const BufferCopy&) = delete;
  BufferCopy& operator=(const BufferCopy&) = delete;
  void Restore() const { std::memcpy(Buffer, Copy.data(), Copy.size()); }

 private:
  unsigned char* Buffer;
  std::vector<unsigned char> Own;
  std::vector<unsigned char>& Copy;
};

// Positions the view remembers as its own before it starts afresh.
constexpr size_t MaxIssuedPositions = 4096;

}  // namespace

void View::Init(KeyedFile& primary) {
  Teardown();
  Primary = &primary;
  NoRuns = false;
}

void View::Teardown() {
  if (Opened) Close();
  Primary = nullptr;
  OrderText.clear();
  TheOrder.Clear();
  Key = 0;
  TheFilter.Clear();
  Rows.clear();
  RowOfPosition.clear();
  CurrentPosition.clear();
  DropRun();
  Issued.Clear();
}

int32_t View::Finish(int32_t code) {
  LastError = code;
  if (code == C::NoError) RuntimeError::Clear();
  return code;
}

int32_t View::Fail(int32_t code, const std::string& text) {
  RuntimeError::Set(code, text.empty() ? RuntimeError::StandardText(code) : text);
  RuntimeError::SetFile("0", "");
  LastError = code;
  return code;
}

size_t View::FieldCount() const { return Primary != nullptr ? Primary->Definition()->Record->FieldCount() : 0; }

FieldRef View::Field(size_t number) const {
  if (number < 1 || number > FieldCount()) return {};
  return Primary->Definition()->Record->Ref(Primary->Buffer(), number - 1);
}

size_t View::FieldFile(size_t number) const { return number >= 1 && number <= FieldCount() ? 1 : 0; }

size_t View::FieldNumber(size_t number) const { return number >= 1 && number <= FieldCount() ? number : 0; }

std::optional<FieldRef> View::FieldNamed(std::string_view name) const {
  const runtime::data::RecordType& type = *Primary->Definition()->Record;
  const int index = type.FindField(name);
  if (index < 0) return std::nullopt;
  return type.Ref(Primary->Buffer(), static_cast<size_t>(index));
}

void View::ChooseKey() { Key = TheOrder.MatchingKey(*Primary->Definition(), Primary->Buffer()); }

int32_t View::SetOrder(std::string_view text) {
  if (Primary == nullptr) return Fail(C::FileNotOpen, "");
  Positioned = false;
  Rows.clear();
  RowOfPosition.clear();
  DropRun();
  Issued.Clear();
  // The browse sends its order again before each positioning: the same text, naming
  // only the file's fields, would parse to the same order.
  if (!text.empty() && text == OrderText && OrderNamesFieldsOnly && OrderBuffer == Primary->Buffer()) {
    ChooseKey();
    return Finish(C::NoError);
  }
  OrderNamesFieldsOnly = true;
  OrderBuffer = Primary->Buffer();
  const ExpressionError error = TheOrder.Parse(text, [this](std::string_view name) {
    std::optional<FieldRef> field = FieldNamed(name);
    if (!field) OrderNamesFieldsOnly = false;  // the thread's bound names may change
    return field;
  });
  OrderText = error.IsError() ? std::string() : std::string(text);
  ChooseKey();
  if (error.IsError()) return Fail(ErrorBadExpression, "Invalid order: " + error.Describe());
  return Finish(C::NoError);
}

int32_t View::SetFilter(std::string_view text) {
  if (Primary == nullptr) return Fail(C::FileNotOpen, "");
  // Sorted rows were chosen by the old filter; keyed reading just applies the new one.
  if (!Key) Positioned = false;
  DropRun();
  const ExpressionError error = TheFilter.Parse(text, [this](std::string_view name) { return FieldNamed(name); });
  if (error.IsError()) return Fail(ErrorBadExpression, "Invalid filter: " + error.Describe());
  return Finish(C::NoError);
}

void View::SetBuffer(int16_t pageSize, int16_t pagesBehind, int16_t pagesAhead, int16_t timeOut) {
  ThePageSize = pageSize;
  ThePagesBehind = pagesBehind;
  ThePagesAhead = pagesAhead;
  TheTimeOut = timeOut;
}

int32_t View::Open(uint8_t mode) {
  if (Primary == nullptr || !Primary->IsOpen()) return Fail(C::FileNotOpen, "");
  if (Opened) return Fail(C::AlreadyOpen, "");
  Opened = true;
  OpenMode = mode;
  Positioned = false;
  CurrentPosition.clear();
  return Finish(C::NoError);
}

int32_t View::Close() {
  DropRun();
  Opened = false;
  Positioned = false;
  Rows.clear();
  RowOfPosition.clear();
  CurrentPosition.clear();
  return Finish(C::NoError);
}

int32_t View::Reset(size_t components) {
  if (!Opened) return Fail(C::FileNotOpen, "");
  CurrentPosition.clear();
  DropRun();
  if (!Key) return Finish(ResetSorted(components));
  const int32_t rc = Primary->SetKeyPosition(*Key, std::min(components, TheOrder.Count()));
  Positioned = rc == C::NoError;
  return Finish(rc);
}

int32_t View::ResetToPosition(const std::string& position) {
  if (!Opened) return Fail(C::FileNotOpen, "");
  CurrentPosition.clear();
  DropRun();
  if (!Key) return Finish(ResetSortedToPosition(position));
  if (Issued.Contains(position)) {
    const int32_t rc = Primary->ResetToPosition(position);
    Positioned = rc == C::NoError;
    return Finish(rc);
  }
  // The position may come from another order: read its record to learn where it
  // stands in this one.
  const BufferCopy saved(*Primary);
  int32_t rc = Primary->GetByPosition(position);
  if (rc == C::NoError) {
    const std::string here = Primary->Position(*Key);
    saved.Restore();
    rc = here.empty() ? RuntimeError::Code() : Primary->ResetToPosition(here);
  } else {
    saved.Restore();
    // A record deleted since keeps its key values in a position of this order.
    if (rc == C::NotFound) rc = Primary->ResetToPosition(position);
  }
  Positioned = rc == C::NoError;
  return Finish(rc);
}

int32_t View::Next() { return Read(true); }
int32_t View::Previous() { return Read(false); }

int32_t View::Read(bool forward) {
  if (!Opened) return Fail(C::FileNotOpen, "");
  if (!Positioned) {
    if (const int32_t rc = Reset(0); rc != C::NoError) return rc;
  }
  return Key ? ReadKeyed(forward) : ReadSorted(forward);
}

int32_t View::ReadKeyed(bool forward) {
  const BufferCopy saved(*Primary, ReadCopy);
  bool skipped = false;
  while (true) {
    int32_t rc = C::NoError;
    if (ReadDepth > 0 && !NoRuns) rc = ReadFromRun(forward);
    if (ReadDepth == 0 || NoRuns) rc = forward ? Primary->Next() : Primary->Previous();
    if (rc != C::NoError) {
      if (skipped && !CurrentPosition.empty()) {
        // Back onto the record last read, as a read that fails leaves the file: the
        // next read in either direction then starts from it, not from a skipped one.
        const runtime::core::RuntimeErrorState error = RuntimeError::Snapshot();
        Primary->GetByPosition(CurrentPosition);
        RuntimeError::Restore(error);
      }
      saved.Restore();
      return Finish(rc);
    }
    skipped = true;
    if (TheFilter.Accepts()) {
      if (Primary->Position(*Key, CurrentPosition) != C::NoError) CurrentPosition.clear();
      Issue(CurrentPosition);
      return Finish(C::NoError);
    }
  }
}

int32_t View::ReadFromRun(bool forward) {
  const RunDirection direction = forward ? RunDirection::Forward : RunDirection::Backward;
  // The rest of a run is good while nobody else moved the file's cursor (or wrote)
  // since the view took its last record, and while reading on the same way.
  const bool going = RunForward == forward && Primary->CursorMark() == RunMark;
  if (!going) DropRun();
  if (RunAt == RunLength) {
    if (going && RunAtEnd) return Fail(C::RecordNotAvailable, "");
    const size_t length = std::clamp<size_t>(Expected > 0 ? Expected : static_cast<size_t>(std::max(TheFetchSize, 1)),
                                             1, MaxRunLength);
    if (forward && ExpectedBefore > 0) Primary->ExpectRunBefore(std::min(ExpectedBefore, MaxRunLength));
    ExpectedBefore = 0;
    const int32_t rc = Primary->ReadRun(direction, length, Run);
    // A driver without runs is read a record at a time (the caller reads on).
    NoRuns = rc == C::NotSupported;
    RunAt = 0;
    RunForward = forward;
    RunMark = Primary->CursorMark();
    RunLength = rc == C::NoError ? Run.size() : 0;
    RunAtEnd = rc == C::RecordNotAvailable || (rc == C::NoError && RunLength < length);
    if (rc != C::NoError) return rc;
  }
  const int32_t rc = Primary->TakeRunRecord(Run[RunAt++], direction);
  RunMark = Primary->CursorMark();
  return rc;
}

void View::DropRun() {
  // The records stay, as storage for the next run.
  RunLength = 0;
  RunAt = 0;
  RunAtEnd = false;
}

void View::Issue(const std::string& position) {
  if (Issued.Size() >= MaxIssuedPositions) Issued.Clear();
  Issued.Insert(position);
}

int32_t View::BeginRead() {
  if (Primary == nullptr) return Fail(C::FileNotOpen, "");
  if (ReadDepth++ > 0) return C::NoError;
  Expected = 0;
  ExpectedBefore = 0;
  DropRun();
  // A file not open yet (it opens with its first read) is read in runs all the same,
  // each run a transaction of its own.
  FileBracketed = Primary->BeginRead() == C::NoError;
  return C::NoError;
}

int32_t View::EndRead() {
  if (ReadDepth == 0 || --ReadDepth > 0) return C::NoError;
  Expected = 0;
  ExpectedBefore = 0;
  DropRun();
  if (!FileBracketed || Primary == nullptr) return C::NoError;
  FileBracketed = false;
  return Primary->EndRead();
}

void View::ExpectReads(size_t records) {
  Expected = std::min(records, MaxRunLength);
  // A run read for another count is kept: its records are still the next ones.
}

void View::ExpectReadsBefore(size_t records) { ExpectedBefore = ReadDepth > 0 ? records : 0; }

std::string View::Position() { return PositionText(); }

const std::string& View::PositionText() {
  if (CurrentPosition.empty()) {
    Fail(C::RecordNotAvailable, "");
  } else {
    Finish(C::NoError);
  }
  return CurrentPosition;
}

int32_t View::Reget(const std::string& position) {
  if (Primary == nullptr) return Fail(C::FileNotOpen, "");
  const int32_t rc = Primary->GetByPosition(position);
  if (rc == C::NoError) CurrentPosition = position;
  return Finish(rc);
}

// Sorted reading.

int32_t View::BuildSorted() {
  Rows.clear();
  RowOfPosition.clear();
  const BufferCopy saved(*Primary);
  int32_t rc = Primary->SetKeyPosition(0, 0);
  while (rc == C::NoError && (rc = Primary->Next()) == C::NoError) {
    if (!TheFilter.Accepts()) continue;
    Rows.push_back({TheOrder.Values(TheOrder.Count()), Primary->Position(0)});
  }
  saved.Restore();
  if (rc != C::RecordNotAvailable) {
    Rows.clear();
    return rc;
  }
  std::stable_sort(Rows.begin(), Rows.end(), [this](const SortedRow& a, const SortedRow& b) {
    return TheOrder.CompareValues(a.Values, b.Values, TheOrder.Count()) < 0;
  });
  for (size_t i = 0; i < Rows.size(); ++i) RowOfPosition.emplace(Rows[i].Position, i);
  return C::NoError;
}

size_t View::SortedBound(const std::vector<ExpressionValue>& values, size_t count, bool after) const {
  auto it = std::partition_point(Rows.begin(), Rows.end(), [&](const SortedRow& row) {
    const int c = TheOrder.CompareValues(row.Values, values, count);
    return after ? c <= 0 : c < 0;
  });
  return static_cast<size_t>(it - Rows.begin());
}

int32_t View::ResetSorted(size_t components) {
  // The boundary comes from the caller's buffer, before the build reads records.
  components = std::min(components, TheOrder.Count());
  const std::vector<ExpressionValue> boundary = TheOrder.Values(components);
  if (const int32_t rc = BuildSorted(); rc != C::NoError) return rc;
  if (components == 0) {
    NextRow = 0;
    PreviousRow = static_cast<int64_t>(Rows.size()) - 1;
  } else {
    NextRow = static_cast<int64_t>(SortedBound(boundary, components, false));
    PreviousRow = static_cast<int64_t>(SortedBound(boundary, components, true)) - 1;
  }
  Positioned = true;
  return C::NoError;
}

int32_t View::ResetSortedToPosition(const std::string& position) {
  if (const int32_t rc = BuildSorted(); rc != C::NoError) return rc;
  const BufferCopy saved(*Primary);
  if (const int32_t rc = Primary->GetByPosition(position); rc != C::NoError) {
    saved.Restore();
    return rc;
  }
  const std::string own = Primary->Position(0);
  const std::vector<ExpressionValue> values = TheOrder.Values(TheOrder.Count());
  saved.Restore();
  if (auto found = RowOfPosition.find(own); found != RowOfPosition.end()) {
    NextRow = PreviousRow = static_cast<int64_t>(found->second);
  } else {
    // The record is not in the view (the filter rejects it): stand where it would be.
    NextRow = static_cast<int64_t>(SortedBound(values, TheOrder.Count(), false));
    PreviousRow = NextRow - 1;
  }
  Positioned = true;
  RuntimeError::Clear();
  return C::NoError;
}

int32_t View::ReadSorted(bool forward) {
  const BufferCopy saved(*Primary);
  while (true) {
    const int64_t row = forward ? NextRow : PreviousRow;
    if (row < 0 || row >= static_cast<int64_t>(Rows.size())) {
      saved.Restore();
      return Fail(C::RecordNotAvailable, "");
    }
    (forward ? NextRow : PreviousRow) = forward ? row + 1 : row - 1;
    const int32_t rc = Primary->GetByPosition(Rows[static_cast<size_t>(row)].Position);
    if (rc == C::NotFound) continue;  // deleted since the rows were taken
    if (rc != C::NoError) {
      saved.Restore();
      return Finish(rc);
    }
    if (!TheFilter.Accepts()) continue;  // changed since
    NextRow = row + 1;
    PreviousRow = row - 1;
    CurrentPosition = Rows[static_cast<size_t>(row)].Position;
    return Finish(C::NoError);
  }
}

// Properties.

std::string View::Property(int32_t property, int32_t index) {
  const auto at = static_cast<size_t>(std::max(index, 0));
  std::string value;
  switch (property) {
    case ViewProperty::FieldCount: value = std::to_string(FieldCount()); break;
    case ViewProperty::FieldNumber: value = std::to_string(FieldNumber(at)); break;
    case ViewProperty::FileCount: value = std::to_string(FileCount()); break;
    case ViewProperty::File: value = File(at) != nullptr ? File(at)->Definition()->Label : ""; break;
    case ViewProperty::FieldFile: value = std::to_string(FieldFile(at)); break;
    case ViewProperty::FetchSize: value = std::to_string(TheFetchSize); break;
    case ViewProperty::Filter: value = Filter(); break;
    case ViewProperty::Order: value = Order(); break;
    default: Fail(C::NotSupported, ""); return {};
  }
  Finish(C::NoError);
  return value;
}

int32_t View::SetProperty(int32_t property, std::string_view value) {
  switch (property) {
    case ViewProperty::Filter: return SetFilter(value);
    case ViewProperty::Order: return SetOrder(value);
    case ViewProperty::FetchSize: {
      int32_t records = 0;
      std::from_chars(value.data(), value.data() + value.size(), records);
      TheFetchSize = records;
      return Finish(C::NoError);
    }
    default: return Fail(C::NotSupported, "");
  }
}

}  // namespace runtime::files
