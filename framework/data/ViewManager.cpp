#include "framework/data/ViewManager.h"

#include <algorithm>

#include "framework/data/FileManager.h"
#include "framework/data/FileUsageRegistry.h"
#include "framework/data/RelationManager.h"
#include "framework/data/UseType.h"
#include "framework/error/MessageId.h"
#include "runtime/core/RuntimeErrorCode.h"
#include "runtime/files/FileProperty.h"
#include "runtime/files/KeyedFile.h"
#include "runtime/files/View.h"
#include "runtime/files/ViewProperty.h"
#include "runtime/text/PatternMatch.h"
#include "runtime/text/Utf8.h"

namespace framework::data {
namespace {

using C = runtime::core::RuntimeErrorCode;
using framework::error::LevelHalt;
using framework::error::LevelNotice;
using framework::error::LevelQuiet;
using framework::error::MessageId;
using runtime::data::FieldRef;

// At most `limit` bytes of `text`, never ending inside a UTF-8 character.
std::string_view Cut(std::string_view text, size_t limit) {
  return runtime::text::Utf8::Prefix(text, limit);
}

void AppendCut(std::string& out, std::string_view text, size_t limit) {
  if (out.size() >= limit) return;
  out += Cut(text, limit - out.size());
}

// A range value as the filter language writes it: texts quoted, with "'" doubled,
// and wrapped like the component when the component is upper- or lower-cased.
std::string FilterValue(const FieldRef& left, const FieldRef& right, std::string_view name) {
  if (!left.IsText()) return right.GetText();
  const std::string value(Cut(right.GetText(), ViewManager::QuotedValueLimit));
  std::string quoted = "'";
  for (char c : value) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  quoted += "'";
  if (name.find("UPPER(") != std::string_view::npos) return "UPPER(" + quoted + ")";
  if (name.find("LOWER(") != std::string_view::npos) return "LOWER(" + quoted + ")";
  return quoted;
}

}  // namespace

ViewManager::~ViewManager() { ViewManager::Destruct(); }

// ---- Virtual operations -----------------------------------------------------

void ViewManager::Destruct() {
  if (Inited && !Killed) ViewManager::Teardown();
}

void ViewManager::ExtendOrder(std::string_view text) {
  SortOrderEntry* order = CurrentOrder();
  if (order == nullptr) return;
  std::string extended;
  if (order->Order.empty()) extended = text;
  else if (!text.empty() && text.front() == '*') extended = text.substr(1);
  else extended = order->Order + "," + std::string(text);
  SetOrderText(extended);
}

std::string ViewManager::BuildFilter() {
  std::string text;
  SortOrderEntry* order = CurrentOrder();
  if (order == nullptr) return text;
  FileManager* file = PrimaryFile();
  const size_t n = order->RangeList ? order->RangeList->Count() : 0;
  auto name = [&](size_t i) {
    return std::string(Cut(file != nullptr ? file->GetComponentName(order->MainKey, i) : "", ComponentNameLimit));
  };
  auto value = [&](size_t i, const std::string& componentName) {
    const auto& pair = order->RangeList->At(i - 1);
    return FilterValue(pair.Left, pair.Right, componentName);
  };
  auto equals = [&](size_t i) {
    const std::string componentName = name(i);
    if (!text.empty()) AppendCut(text, " AND ", FilterLimit);
    AppendCut(text, componentName + " = " + value(i, componentName), FilterLimit);
  };
  switch (order->LimitType) {
    case LimitFixed:
    case LimitFixedWatched:
    case LimitRelated:
      for (size_t i = 1; i <= n; ++i) equals(i);
      break;
    case LimitPair:
      if (n >= 2) {
        for (size_t i = 1; i + 2 <= n; ++i) equals(i);
        // Both limits apply to the component after the fixed ones.
        const std::string componentName = name(n - 1);
        if (!text.empty()) AppendCut(text, " AND ", FilterLimit);
        AppendCut(text, componentName + " >= " + value(n - 1, componentName), FilterLimit);
        AppendCut(text, " AND " + componentName + " <= " + value(n, componentName), FilterLimit);
      }
      break;
    default: break;
  }
  if (order->Filter)
    for (const NamedFilter& filter : *order->Filter) {
      AppendCut(text, text.empty() ? "(" : " AND (", FilterLimit);
      AppendCut(text, filter.Filter + ")", FilterLimit);
    }
  return text;
}

void ViewManager::SendFilter() {
  if (View == nullptr) return;
  if (View->SetProperty(runtime::files::ViewProperty::Filter, BuildFilter()) != C::NoError)
    RaiseViewError(MessageId::ViewOpen);
}

void ViewManager::SendOrder() {
  SortOrderEntry* order = CurrentOrder();
  if (View == nullptr || order == nullptr) return;
  if (View->SetProperty(runtime::files::ViewProperty::Order, order->Order) != C::NoError)
    RaiseViewError(MessageId::ViewOpen);
}

bool ViewManager::ResetRequired() {
  SortOrderEntry* order = CurrentOrder();
  if (order == nullptr || !order->RangeList) return false;
  RangePairs& pairs = *order->RangeList;
  const size_t n = pairs.Count();
  auto differs = [&](size_t index) { return pairs.At(index).Left.Compare(pairs.At(index).Right) != 0; };
  auto apply = [&](size_t index) { pairs.At(index).Right.Assign(pairs.At(index).Left); };
  switch (order->LimitType) {
    case LimitFixedWatched:
      if (n >= 1 && differs(n - 1)) {
        apply(n - 1);
        SendFilter();
        return true;
      }
      return false;
    case LimitPair:
      if (n >= 2 && differs(n - 2)) {
        apply(n - 2);
        apply(n - 1);
        SendFilter();
        return true;
      }
      if (n >= 1 && differs(n - 1)) {
        apply(n - 1);
        SendFilter();
        return true;
      }
      return false;
    case LimitRelated:
      if (!pairs.RightMatchesBuffer(framework::window::MatchMode::Loose)) {
        pairs.RightIntoBuffer();
        SendFilter();
        return true;
      }
      return false;
    default: return false;
  }
}

void ViewManager::Close() { Close(false); }

void ViewManager::Close(bool force) {
  if ((Opened || force) && View != nullptr) View->Close();
  Opened = 0;
}

void ViewManager::ClearBuffers() {
  for (size_t i = 1; i <= ViewFileCount(); ++i)
    if (runtime::files::KeyedFile* file = ViewFile(i)) file->ClearBuffer();
}

bool ViewManager::GetFreeElementAscending() {
  const size_t position = GetFreeElementPosition();
  SortOrderEntry* order = CurrentOrder();
  FileManager* file = PrimaryFile();
  if (position == 0 || order == nullptr || file == nullptr) return true;
  return file->GetComponentAscend(order->MainKey, position);
}

std::string ViewManager::GetFreeElementName() {
  const size_t position = GetFreeElementPosition();
  SortOrderEntry* order = CurrentOrder();
  FileManager* file = PrimaryFile();
  if (position == 0 || order == nullptr || file == nullptr) return {};
  return file->GetComponentName(order->MainKey, position);
}

size_t ViewManager::GetFreeElementPosition() {
  SortOrderEntry* order = CurrentOrder();
  FileManager* file = PrimaryFile();
  if (order == nullptr || order->MainKey == 0 || file == nullptr) return 0;
  const size_t pairs = order->RangeList ? order->RangeList->Count() : 0;
  const size_t position = pairs + (order->LimitType == LimitPair ? 0 : 1);
  if (position == 0 || file->GetComponentCount(order->MainKey) < position) return 0;
  return position;
}

void ViewManager::Teardown() {
  if (!Inited || Killed) return;
  if (Order) {
    for (std::unique_ptr<SortOrderEntry>& order : Order->Entries) {
      if (order->RangeList) order->RangeList->Teardown();
      order->RangeList.reset();
      order->Filter.reset();
      order->Order.clear();
      order->FreeElement = FieldRef();
    }
  }
  if (DisposeOrder) OwnOrder.reset();
  Order = nullptr;
  SavedBuffers.reset();
  Close();
  CloseFiles();
  Killed = 1;
}

ViewManager::ErrorLevel ViewManager::Next() {
  while (true) {
    const int32_t rc = View->Next();
    if (rc == C::RecordNotAvailable) return LevelNotice;
    if (rc != C::NoError) {
      RaiseViewError(MessageId::RecordRetrieval);
      return LevelHalt;
    }
    const int32_t check = CheckRecord();
    if (check == RecordInRange) return LevelQuiet;
    if (check == RecordOutOfRange) return LevelNotice;
  }
}

ViewManager::ErrorLevel ViewManager::Open() {
  if (View == nullptr) return LevelNotice;
  if (!Opened) {
    const int32_t rc = View->Open(ViewOpenMode);
    if (rc == C::NoError) Opened = 1;
    else if (rc != C::AlreadyOpen)
      RaiseViewError(MessageId::ViewOpen);
    View->SetBuffer(PageSize, PagesBehind, PagesAhead, TimeOut);
  }
  SendOrder();
  SendFilter();
  return LevelQuiet;
}

ViewManager::ErrorLevel ViewManager::Previous() {
  while (true) {
    const int32_t rc = View->Previous();
    if (rc == C::RecordNotAvailable) return LevelNotice;
    if (rc != C::NoError) {
      RaiseViewError(MessageId::RecordRetrieval);
      return LevelHalt;
    }
    const int32_t check = CheckRecord();
    if (check == RecordInRange) return LevelQuiet;
    if (check == RecordOutOfRange) return LevelNotice;
  }
}

ViewManager::ErrorLevel ViewManager::PrepareRecord(RecordBuffer buffer) {
  if (buffer == RecordBuffer::Clear) ClearBuffers();
  SortOrderEntry* order = CurrentOrder();
  FileManager* file = PrimaryFile();
  if (file == nullptr) return LevelNotice;
  if (order != nullptr && order->RangeList) {
    const size_t n = order->RangeList->Count();
    size_t fixed = 0;
    switch (order->LimitType) {
      case LimitFixed:
      case LimitFixedWatched:
      case LimitRelated: fixed = n; break;
      case LimitPair: fixed = n >= 2 ? n - 2 : 0; break;
      default: break;
    }
    for (size_t i = 1; i <= fixed; ++i) {
      FieldRef component = file->GetComponentField(order->MainKey, i);
      if (!component.IsNull()) component.Assign(order->RangeList->At(i - 1).Right);
    }
  }
  return file->PrepareRecord(RecordBuffer::Keep);
}

ViewManager::ErrorLevel ViewManager::Reset(size_t components) {
  Open();
  if (View->Reset(components) == C::NoError) return LevelQuiet;
  RaiseViewError(MessageId::ViewOpen);
  return LevelNotice;
}

ViewManager::ErrorLevel ViewManager::Reset() { return Reset(0); }

void ViewManager::RestoreSnapshots() {
  if (!SavedBuffers) return;
  for (SavedViewBuffer& saved : *SavedBuffers)
    if (saved.FM != nullptr) saved.FM->RestoreSnapshot(saved.Buff, framework::data::SnapshotUse::Restore);
  SavedBuffers->clear();
}

void ViewManager::SnapshotBuffers() {
  if (!SavedBuffers) SavedBuffers = std::make_unique<std::vector<SavedViewBuffer>>();
  SavedBuffers->clear();
  FileUsageRegistry& registry = FileUsageRegistry::Current();
  for (size_t i = 1; i <= ViewFileCount(); ++i)
    if (FileManager* manager = registry.GetFileManager(ViewFile(i)))
      SavedBuffers->push_back(SavedViewBuffer{manager->SnapshotBuffer(), manager});
}

void ViewManager::SetNamedFilter(std::string_view text) { SetNamedFilter(text, StandardFilterId); }

void ViewManager::SetNamedFilter(std::string_view text, std::string_view id) {
  SortOrderEntry* order = CurrentOrder();
  if (order == nullptr) return;
  if (!order->Filter) order->Filter = std::make_unique<std::vector<NamedFilter>>();
  std::vector<NamedFilter>& filters = *order->Filter;
  const std::string key(Cut(id, FilterIdLimit));
  auto found = std::find_if(filters.begin(), filters.end(), [&](const NamedFilter& f) { return f.Id == key; });
  if (text.empty()) {
    if (found != filters.end()) filters.erase(found);
    return;
  }
  if (found == filters.end()) {
    // Descending Id order: the first entry whose Id sorts below the new one.
    auto place = std::find_if(filters.begin(), filters.end(), [&](const NamedFilter& f) { return f.Id < key; });
    found = filters.insert(place, NamedFilter{key, {}});
  }
  found->Filter = std::string(text);
}

void ViewManager::SetOrderText(std::string_view text) {
  if (SortOrderEntry* order = CurrentOrder()) order->Order = std::string(text);
}

int32_t ViewManager::SelectSortOrder(size_t n) {
  if (!Order || Order->Entries.empty()) return 0;
  if (n == 0) n = 1;
  n = std::min(n, Order->Entries.size());
  if (Order->Current == n) return 0;
  Order->Current = n;
  return 1;
}

int32_t ViewManager::CheckRecord() { return RecordInRange; }

// ---- Non-virtual operations -----------------------------------------------------

void ViewManager::Init(runtime::files::View& view, RelationManager& primary, OrderQueue* orderQueue) {
  Inited = 1;
  View = &view;
  Primary = &primary;
  if (orderQueue != nullptr) {
    Order = orderQueue;
    DisposeOrder = 0;
  } else {
    OwnOrder = std::make_unique<OrderQueue>();
    Order = OwnOrder.get();
    DisposeOrder = 1;
  }
  SavedBuffers = std::make_unique<std::vector<SavedViewBuffer>>();
  PageSize = DefaultPageSize;
  PagesBehind = DefaultPagesBehind;
  PagesAhead = DefaultPagesAhead;
  TimeOut = DefaultTimeOut;
  Killed = 0;
  OpenFiles();
}

size_t ViewManager::AddOrder(int key) { return AddOrderEntry(std::make_unique<SortOrderEntry>(), key); }

size_t ViewManager::AddOrderEntry(std::unique_ptr<SortOrderEntry> entry, int key) {
  if (!Order) return 0;
  entry->MainKey = key;
  entry->RangeList = std::make_unique<RangePairs>();
  entry->RangeList->Init();
  FileManager* file = PrimaryFile();
  if (file != nullptr && key != 0 && file->GetComponentCount(key) > 0) entry->FreeElement = file->GetComponentField(key, 1);
  Order->Entries.push_back(std::move(entry));
  Order->Current = Order->Entries.size();
  SetOrderText(file != nullptr && key != 0 ? file->GetKeyOrder(key, 1) : std::string());
  return Order->Entries.size();
}

void ViewManager::OpenFiles() {
  FileUsageRegistry& registry = FileUsageRegistry::Current();
  for (size_t i = 1; i <= ViewFileCount(); ++i) {
    runtime::files::KeyedFile* file = ViewFile(i);
    // A failed open is reported; the EnsureUsable below then stops the walk.
    if (RelationManager* relations = registry.GetRelationManager(file)) (void)relations->Open(Walk::Top);
    Used = 1;
    if (FileManager* manager = registry.GetFileManager(file))
      if (manager->EnsureUsable(UseType::Record) != LevelQuiet) return;
  }
}

void ViewManager::CloseFiles() {
  if (!Used) return;
  FileUsageRegistry* registry = FileUsageRegistry::CurrentIfAny();
  for (size_t i = 1; registry != nullptr && i <= ViewFileCount(); ++i)
    if (RelationManager* relations = registry->GetRelationManager(ViewFile(i))) relations->Close(Walk::Top);
  Used = 0;
}

bool ViewManager::FieldSortsAscending(const FieldRef& field) {
  if (View == nullptr) return true;
  std::string name;
  for (size_t i = 1; i <= View->FieldCount(); ++i) {
    if (!View->Field(i).SameVariable(field)) continue;
    if (runtime::files::KeyedFile* file = View->File(View->FieldFile(i)))
      name = std::string(Cut(file->FieldName(View->FieldNumber(i)), FieldNameLimit));
    break;
  }
  const std::string order = View->Property(runtime::files::ViewProperty::Order);
  if (name.empty() || order.find(name) == std::string::npos) return true;
  if (LastDirection.Order == order && LastDirection.Name == name) return LastDirection.Ascending;
  // Descending only when a sign stands right before the name (or UPPER( of it) and a
  // comma or the end right after it.
  size_t at = runtime::text::PatternMatch::Find(order, "{{{[+-]}{" + name + "}[,]}|{{[+-]}{" + name + "}$}}");
  if (at == 0)
    at = runtime::text::PatternMatch::Find(order, "{{{[+-]}{UPPER(" + name + ")}[,]}|{{[+-]}{UPPER(" + name + ")}$}}");
  LastDirection = {order, name, at == 0 || order[at - 1] == '+'};
  return LastDirection.Ascending;
}

FileManager* ViewManager::PrimaryFile() const { return Primary != nullptr ? Primary->GetFileManager() : nullptr; }

size_t ViewManager::ViewFileCount() const { return View != nullptr ? View->FileCount() : 0; }

runtime::files::KeyedFile* ViewManager::ViewFile(size_t number) const {
  return View != nullptr ? View->File(number) : nullptr;
}

ViewManager::ErrorLevel ViewManager::RaiseViewError(int32_t errorId) {
  FileManager* file = PrimaryFile();
  return file != nullptr ? file->Raise(errorId) : LevelNotice;
}

}  // namespace framework::data
