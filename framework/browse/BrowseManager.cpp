#include "framework/browse/BrowseManager.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "framework/browse/EditInPlaceManager.h"
#include "framework/browse/LetterLocator.h"
#include "framework/browse/LocalFilter.h"
#include "framework/browse/StringStep.h"
#include "framework/data/FileManager.h"
#include "framework/data/RelationManager.h"
#include "framework/data/UseType.h"
#include "framework/error/MessageId.h"
#include "framework/query/QbeQuery.h"
#include "runtime/core/RuntimeErrorCode.h"
#include "runtime/files/KeyedFile.h"
#include "runtime/files/View.h"
#include "runtime/files/ViewProperty.h"
#include "runtime/files/ViewReadScope.h"
#include "runtime/text/Picture.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/Key.h"
#include "runtime/ui/ListFormat.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"

namespace framework::browse {
namespace {

using C = runtime::core::RuntimeErrorCode;
using framework::error::LevelHalt;
using framework::error::LevelNotice;
using framework::error::LevelQuiet;
using framework::error::MessageId;
using framework::window::WindowController;
using runtime::ui::Event;
using runtime::ui::Key;
using runtime::ui::Prop;
using runtime::ui::WindowModel;

// The driver property that reads "1" when the driver evaluates server-side expressions.
constexpr int32_t ServerExpressionsProperty = 29508;

// Quick scanning covers both kinds of related files.
constexpr uint8_t QuickScanAll = framework::data::RelationManager::QuickScanLookups |
                                 framework::data::RelationManager::QuickScanChildren;

bool IsDownward(int32_t event) {
  return event == Event::ScrollDown || event == Event::PageDown || event == Event::ScrollBottom;
}

}  // namespace

BrowseManager::BrowseManager() = default;

BrowseManager::~BrowseManager() {
  if (Inited && !Killed) BrowseManager::Teardown();
}

// ---- ViewManager operations ---------------------------------------------------

bool BrowseManager::ResetRequired() {
  bool required = false;
  const int32_t visible = VisibleRows();
  if (visible != LastItems && visible >= 0) {
    if (FileLoaded) {
      LastItems = Unlimited;
    } else {
      LastItems = visible;
      required = true;
    }
  }
  if (ViewManager::ResetRequired()) required = true;
  if (BrowseSortOrder* order = CurrentSort(); order != nullptr && order->Resets &&
                                              !order->Resets->LeftMatchesBuffer(framework::window::MatchMode::Exact))
    required = true;
  if (!required) return false;
  LoadPending = true;
  return true;
}

void BrowseManager::Teardown() {
  if (!Inited || Killed) return;
  if (Sort)
    for (auto& entry : Sort->Entries) {
      auto* order = static_cast<BrowseSortOrder*>(entry.get());
      if (order->Thumb != nullptr) order->Thumb->Teardown();
      if (order->Resets) order->Resets->Teardown();
      order->Resets.reset();
    }
  if (Window != nullptr) Window->UnregisterComponent(Component);
  ViewManager::Teardown();
  Sort.reset();
  if (Fields) Fields->Teardown();
  Fields.reset();
  // Closes the toolbox first: its thread reads the items and the window's controls.
  if (Popup) Popup->Teardown();
  Popup.reset();
  if (FreeEIP) EIP.reset();
  EditList.clear();
  Behavior.reset();
  ListQueue = nullptr;
  ILC = nullptr;
  if (UseMRP && View != nullptr) View->SetFetchSize(0);
}

BrowseManager::ErrorLevel BrowseManager::Next() {
  const ErrorLevel result = ViewManager::Next();
  if (result == LevelNotice) RememberResetValues();
  if (result == LevelHalt) WindowModel::Post(WindowNumber(), Event::CloseWindow);
  return result;
}

BrowseManager::ErrorLevel BrowseManager::Previous() {
  const ErrorLevel result = ViewManager::Previous();
  if (result == LevelNotice) RememberResetValues();
  if (result == LevelHalt) WindowModel::Post(WindowNumber(), Event::CloseWindow);
  return result;
}

// ---- The browse's own operations --------------------------------------------------

uint8_t BrowseManager::AskForRecord(uint8_t request) {
  uint8_t response = WindowController::ResponseCancelled;
  do {
    if (Window != nullptr && Window->VCRRequest != nullptr) *Window->VCRRequest = 0;
    if (WindowModel::KeyCode() == Key::MouseRightUp) WindowModel::SetKeyCode(Key::None);
    if (AskProcedure == 0) {
      response = AskInPlace(request);
    } else {
      if (request == WindowController::RequestInsert && ViewManager::PrepareRecord(framework::data::RecordBuffer::Clear) != LevelQuiet)
        return WindowController::ResponseCancelled;
      response = Window->Run(AskProcedure, request);
      OnAskResponse(request, response);
    }
  } while (NavigationRequest() != 0);
  return response;
}

uint8_t BrowseManager::AskInPlace(uint8_t request) {
  if (Window == nullptr || ListQueue == nullptr) return WindowController::ResponseCancelled;
  if (!EIP) {
    EIP = std::make_unique<EditInPlaceManager>();
    FreeEIP = true;
  }
  EIP->Arrow = &ArrowAction;
  EIP->Enter = &EnterAction;
  EIP->FocusLoss = &FocusLossAction;
  EIP->Tab = &TabAction;
  EIP->DeleteKeyAction = DeleteAction;
  EIP->BC = this;
  EIP->EQ = &EditList;
  EIP->ListControl = ListControl();
  EIP->Errors = Window->Errors;
  EIP->VCRRequest = Window->VCRRequest;
  return EIP->Run(request);
}

void BrowseManager::Fetch(int32_t direction) {
  // One read bracket: the rows come in one run of the view (see ExpectReads below).
  runtime::files::ViewReadScope read(View);
  framework::data::RelationManager* primary = Primary;
  const bool quick = QuickScan && ItemsToFill > 1 && primary != nullptr;
  if (quick) primary->SwitchQuickScan(true, QuickScanAll);
  const bool backward = direction == FillBackward;
  std::string edge;
  bool skipEdge = false;
  if (Rows() > 0) {
    ListQueue->GetRow(backward ? 1 : static_cast<size_t>(Rows()));
    edge = ListQueue->GetRowPosition();
    View->ResetToPosition(edge);
    skipEdge = true;  // the first read may give that row again
  }
  // The view reads the rows asked for (and the edge row again) in one statement; the
  // checks of each row (range, filter) run on the rows read.
  View->ExpectReads(static_cast<size_t>(std::max(ItemsToFill, 0)) + (skipEdge ? 1u : 0u));
  while (ItemsToFill > 0) {
    if (UseMRP && View->FetchSize() == 0) View->SetFetchSize(ItemsToFill > MaxFetchSize ? MaxFetchSize : ItemsToFill);
    const ErrorLevel result = backward ? Previous() : Next();
    if (result == LevelNotice) break;
    if (result == LevelHalt) return;
    if (result != LevelQuiet) break;
    if (skipEdge) {
      skipEdge = false;
      if (View->PositionText() == edge) continue;
    }
    if (LastItems > 0 && Rows() >= LastItems) {
      ListQueue->GetRow(backward ? static_cast<size_t>(Rows()) : 1);
      ListQueue->DeleteRow();
    }
    FillListRow();
    if (backward) ListQueue->InsertRowAt(1);
    else ListQueue->AppendRow();
    --ItemsToFill;
  }
  if (quick) primary->SwitchQuickScan(false, QuickScanAll);
}

bool BrowseManager::ApplySortOrder(size_t order) {
  const bool changed = SelectSortOrder(order) != 0;
  if (changed)
    if (BrowseSortOrder* sort = CurrentSort(); sort != nullptr && sort->Locator != nullptr) sort->Locator->Reset();
  return changed;
}

bool BrowseManager::ReportRecordLost() {
  if (framework::data::FileManager* file = PrimaryFile()) file->Raise(MessageId::RecordLost);
  return true;
}

void BrowseManager::SetTemporaryOrder(std::string_view orderText, LetterLocator* locator, StringStep* thumb) {
  if (!SavedSort) SaveSortState();
  BrowseSortOrder* order = CurrentSort();
  if (order == nullptr) return;
  order->Locator = locator;
  if (locator != nullptr) locator->SetShadow("");
  order->Thumb = thumb;
  SetOrderText(orderText);
  ChooseOrder(Sort->Current, framework::window::ResetMode::Forced);
}

void BrowseManager::OnAskResponse(uint8_t& request, uint8_t& response) {
  if (response == WindowController::ResponseCompleted) {
    bool drop = request == WindowController::RequestDelete;
    if (!drop && request == WindowController::RequestChange && View != nullptr) {
      std::string filter = View->Property(runtime::files::ViewProperty::Filter).substr(0, LocalFilter::TextLimit);
      framework::data::FileManager* file = PrimaryFile();
      if (file != nullptr && file->File != nullptr) {
        if (file->File->Property(ServerExpressionsProperty) == "1") filter = LocalFilter::RewriteSqlCalls(filter);
        drop = !filter.empty() && !LocalFilter::Accepts(filter, *file->File);
      }
    }
    if (drop) {
      if (ListQueue->GetRow(static_cast<size_t>(std::max(CurrentChoice, 1)))) ListQueue->DeleteRow();
      ReloadPage(ReloadKeepRow);
    } else {
      ReloadFromView();
    }
  } else {
    ReloadPage(ReloadKeepRow);
  }
  const int32_t navigation = NavigationRequest();
  if (navigation == NavigateInsertAnother ||
      (navigation == NavigateNext && request == WindowController::RequestInsert)) {
    request = WindowController::RequestInsert;
    if (framework::data::FileManager* file = PrimaryFile(); file != nullptr && file->File != nullptr) {
      file->File->ForgetCurrent();
      file->File->ClearBuffer();
    }
  } else {
    OnNavigatorScroll(navigation);
  }
  if (navigation == 0) {
    RecomputeThumbLimits();
    RefreshControls();
    PostSelectionChange();
    WindowModel::Select(WindowNumber(), ListControl());
  }
}

void BrowseManager::ReloadFromBuffer() {
  LocateOnBuffer();
  ReloadPage(ReloadAroundView);
  RefreshControls();
}

void BrowseManager::ReloadFromView() {
  Open();
  framework::data::FileManager* file = PrimaryFile();
  const std::string position = file != nullptr ? file->GetPosition() : std::string();
  if (position.empty() || View->ResetToPosition(position) != C::NoError) LocateOnBuffer();
  ReloadPage(ReloadAroundView);
}

void BrowseManager::RecomputeThumbLimits() {
  runtime::files::ViewReadScope read(View);
  ShowWaitCursor(true);
  BrowseSortOrder* order = CurrentSort();
  if (order != nullptr && order->Thumb != nullptr && order->Thumb->ThumbRangeNeeded() && !order->FreeElement.IsNull() &&
      (AllowUnfilled || Rows() >= VisibleRows())) {
    std::string high;
    ViewManager::Reset();
    View->SetFetchSize(0);
    if (Previous() == LevelQuiet) high = order->FreeElement.GetText();
    ViewManager::Reset();
    View->SetFetchSize(0);
    if (Next() == LevelQuiet) {
      const std::string low = order->FreeElement.GetText();
      order->Thumb->SetThumbRanges(order->Thumb->FindRanges(low, high, OrderReads(*order)));
    }
  }
  ShowWaitCursor(false);
  MoveThumb();
}

StringStep::OrderReads BrowseManager::OrderReads(BrowseSortOrder& order) {
  // One record per read, located on the free field's value as a typed locator would.
  auto locate = [this, &order](const std::string& value, bool forward) -> std::optional<std::string> {
    order.FreeElement.SetText(value);
    LocateOnBuffer();
    View->SetFetchSize(0);
    if ((forward ? Next() : Previous()) != LevelQuiet) return std::nullopt;
    return order.FreeElement.GetText();
  };
  return StringStep::OrderReads{[locate](const std::string& value) { return locate(value, true); },
                                [locate](const std::string& value) { return locate(value, false); }};
}

void BrowseManager::ReloadPage(int32_t mode) {
  std::string saved;
  bool hasSaved = false;
  if (!ActiveInvisible && (ILC == nullptr || !ILC->IsShown())) {
    LoadPending = true;
    return;
  }
  Loaded = true;
  LoadPending = false;
  // The page is read inside one read transaction, ended before the reload returns.
  runtime::files::ViewReadScope read(View);
  ShowWaitCursor(true);
  if (CurrentChoice == 0) CurrentChoice = 1;
  int32_t shift = 0;
  bool noAnchor = false;

  if (mode == ReloadKeepRow) {
    if (Rows() > 0) {
      if (!ListQueue->GetRow(static_cast<size_t>(CurrentChoice))) ListQueue->GetRow(static_cast<size_t>(Rows()));
      saved = ListQueue->GetRowPosition();
      hasSaved = true;
      ListQueue->GetRow(1);
      Open();
      View->ResetToPosition(ListQueue->GetRowPosition());
    } else {
      noAnchor = true;
      ViewManager::Reset();
    }
  } else if (RetainRow) {
    if (LastItems > 0 && LastItems < CurrentChoice) {
      // The list shrank under the selection: rows go from the top.
      saved = ListQueue->GetRowPosition();
      hasSaved = true;
      while (Rows() > LastItems) {
        ListQueue->GetRow(1);
        ListQueue->DeleteRow();
        --CurrentChoice;
      }
      ILC->SelectRow(CurrentChoice);
      ListQueue->GetRow(static_cast<size_t>(CurrentChoice));
    }
    shift = CurrentChoice - 1;
  }

  const int32_t target = CurrentChoice;
  ListQueue->ClearRows();
  ItemsToFill = LastItems - shift;
  // The rows above the kept line are read back from the first row below it: the view
  // may read them with the rows below, in one statement.
  if (!noAnchor && shift > 0) View->ExpectReadsBefore(static_cast<size_t>(shift));
  Fetch(FillForward);
  const bool ranShort = ItemsToFill > 0;

  if (!hasSaved && Rows() > 0) {
    ListQueue->GetRow(1);
    saved = ListQueue->GetRowPosition();
    hasSaved = true;
  }
  FindSavedRow(saved, hasSaved, target, shift);

  if (Rows() == 0) ViewManager::Reset();
  const int32_t missing = AllowUnfilled ? 0 : LastItems - Rows();

  if (!noAnchor && (missing > 0 || shift > 0)) {
    ItemsToFill = std::max(missing, shift);
    Fetch(FillBackward);
    if (!hasSaved && Rows() > 0) {
      ListQueue->GetRow(static_cast<size_t>(Rows()));
      saved = ListQueue->GetRowPosition();
      hasSaved = true;
    }
    FindSavedRow(saved, hasSaved, target, shift);
  }

  if (RetainRow && (shift < 0 || (Rows() < LastItems && !ranShort))) {
    ItemsToFill = std::max(-shift, LastItems - Rows());
    Fetch(FillForward);
    FindSavedRow(saved, hasSaved, target, shift);
  }

  while (LastItems >= 0 && Rows() > LastItems) {
    if (shift < 0) {
      ListQueue->GetRow(1);
      ListQueue->DeleteRow();
      ++shift;
      --CurrentChoice;
    } else {
      ListQueue->GetRow(static_cast<size_t>(Rows()));
      ListQueue->DeleteRow();
    }
  }

  if (CurrentChoice == 0) CurrentChoice = 1;
  if (RecordsInList() > 0) CopyRowToBuffer();
  else if (framework::data::FileManager* file = PrimaryFile(); file != nullptr && file->File != nullptr)
    file->File->ClearBuffer();
  ShowWaitCursor(false);
}

void BrowseManager::FindSavedRow(const std::string& saved, bool hasSaved, int32_t target, int32_t& shift) {
  if (hasSaved) {
    CurrentChoice = 0;
    int32_t last = Rows();  // the row the search stops on, which the buffer then holds
    for (int32_t row = 1; row <= Rows(); ++row) {
      if (Behavior->RowPositionIs(static_cast<size_t>(row), saved)) {
        CurrentChoice = last = row;
        break;
      }
    }
    if (last > 0) ListQueue->GetRow(static_cast<size_t>(last));
  } else {
    CurrentChoice = 1;
  }
  if (RetainRow) shift = target - CurrentChoice;
}

void BrowseManager::ReapplyOrder(framework::window::ResetMode mode) {
  if (Sort) ChooseOrder(Sort->Current, mode);
}

void BrowseManager::ScrollToEnd(int32_t event) {
  CurrentEvent = event;
  if (!FileLoaded) {
    ListQueue->ClearRows();
    ViewManager::Reset();
    ItemsToFill = VisibleRows();
    Fetch(event == Event::ScrollTop ? FillForward : FillBackward);
  }
  CurrentChoice = event == Event::ScrollTop ? 1 : Rows();
}

void BrowseManager::ScrollByRow(int32_t event) {
  CurrentEvent = event;
  if (event == Event::ScrollUp && CurrentChoice > 1) {
    --CurrentChoice;
    return;
  }
  if (event == Event::ScrollDown && CurrentChoice < Rows()) {
    ++CurrentChoice;
    return;
  }
  if (!FileLoaded) {
    ItemsToFill = 1;
    Fetch(event == Event::ScrollUp ? FillBackward : FillForward);
  }
}

void BrowseManager::ScrollByPage(int32_t event) {
  CurrentEvent = event;
  int32_t n = VisibleRows();
  if (!FileLoaded) {
    ItemsToFill = n;
    Fetch(event == Event::PageUp ? FillBackward : FillForward);
    n = ItemsToFill;  // the rows that could not be read move the selection instead
  }
  if (event == Event::PageUp) CurrentChoice = std::max(CurrentChoice - n, 1);
  else CurrentChoice = std::min(CurrentChoice + n, Rows());
  if (FileLoaded) {
    const int32_t span = ILC->SelectionSize();
    if (span == 1) {
      ILC->SelectRow(CurrentChoice + 1);
      ILC->SelectRow(CurrentChoice);
    } else {
      ILC->SelectRow(CurrentChoice);
      ILC->SelectRow(CurrentChoice - span + 1);
      ILC->SelectRow(CurrentChoice);
    }
  }
}

void BrowseManager::RegisterAlertKeys() {
  const int32_t window = WindowNumber();
  const int32_t list = ListControl();
  WindowModel::SetPropInt(window, list, Prop::Alert, Key::MouseLeft2, DoubleClickSlot);
  WindowModel::SetPropInt(window, list, Prop::Alert, Key::MouseRightUp, MenuSlot);
  WindowModel::SetPropInt(window, list, Prop::Alert, Key::MenuKey, MenuSlot);
  HasThumb = WindowModel::GetPropInt(window, list, Prop::VScroll) != 0;
  WindowModel::SetPropInt(window, list, Prop::VScroll, 0);
  if (Sort)
    for (auto& entry : Sort->Entries)
      if (auto* order = static_cast<BrowseSortOrder*>(entry.get()); order->Locator != nullptr)
        order->Locator->RegisterAlertKeys(list);
  if (EditViaPopup) {
    // Each record key has a slot of its own, so that every one stays an alert key.
    if (InsertControl != 0) WindowModel::SetPropInt(window, list, Prop::Alert, Key::Insert, InsertSlot);
    if (ChangeControl != 0) WindowModel::SetPropInt(window, list, Prop::Alert, Key::CtrlEnter, ChangeSlot);
    if (DeleteControl != 0) WindowModel::SetPropInt(window, list, Prop::Alert, Key::Delete, DeleteSlot);
    if (ViewControl != 0) WindowModel::SetPropInt(window, list, Prop::Alert, Key::ShiftEnter, ViewSlot);
  }
  AddPopupItems();
}

void BrowseManager::FillListRow() {
  Fields->LeftIntoRight();
  ListQueue->SetRowPosition(View->PositionText());
}

bool BrowseManager::ChooseOrder(size_t order, framework::window::ResetMode mode) {
  const bool changed = ApplySortOrder(order);
  bool reloaded = false;
  // ResetRequired first: it also takes the list's current height.
  if (ResetRequired() || changed || mode == framework::window::ResetMode::Forced || !Loaded || LoadPending) {
    if (BrowseSortOrder* sort = CurrentSort(); sort != nullptr && sort->Resets) sort->Resets->LeftIntoBuffer();
    Open();
    if ((!Selecting && !StartAtCurrent) || Loaded) {
      if (Rows() > 0) {
        View->ResetToPosition(ListQueue->GetRowPosition());
        ReloadPage(ReloadAroundView);
      } else {
        ReloadPage(ReloadKeepRow);
      }
    } else {
      LocateOnBuffer();
      ReloadPage(ReloadAroundView);
    }
    if (!LoadPending) {
      PostSelectionChange();
      RecomputeThumbLimits();
      reloaded = true;
    }
  }
  CopyRowToBuffer();
  return reloaded;
}

void BrowseManager::SetUsePopup(bool flag) { UsePopup = flag; }
void BrowseManager::SetUseMrp(bool flag) { UseMRP = flag ? 1 : 0; }
bool BrowseManager::GetUseMrp() { return UseMRP != 0; }

void BrowseManager::OnLocatorAccepted() {
  BrowseSortOrder* order = CurrentSort();
  if (order == nullptr || order->Locator == nullptr) return;
  const int32_t control = Window != nullptr ? Window->EventInHand().Control : 0;
  if (order->Locator->Control == 0 || control != order->Locator->Control || !order->Locator->OnAccepted()) return;
  LocateOnBuffer();
  WindowModel::Select(WindowNumber(), ListControl());
  ReloadPage(ReloadAroundView);
  order->Locator->OnLocated();
  RefreshAndPostSelection();
}

void BrowseManager::HandleEvent(const runtime::ui::PostedEvent& event) {
  const int32_t list = ListControl();
  if (list != 0 && event.Control == list) {
    switch (event.Number) {
      case Event::NewSelection: OnNewSelection(); break;
      case Event::ScrollUp:
      case Event::ScrollDown:
      case Event::PageUp:
      case Event::PageDown:
      case Event::ScrollTop:
      case Event::ScrollBottom: OnScroll(event.Number); break;
      case Event::Locate: OnLocate(); break;
      case Event::AlertKey: OnKey(); break;
      case Event::ScrollDrag: TakeThumbDrag(); break;
      default: break;
    }
  } else if (event.Control == 0 && ILC != nullptr) {
    KeepCurrentChoice();
  }
  NeedRefresh = false;
  if (event.Number == Event::Accepted && event.Control != 0) TakeAccepted(event.Control);
  // A saved query (or Clear) chosen from the context menu reaches the query button.
  if (event.Number == Event::NewSelection && event.Control != 0 && event.Control == QueryControl &&
      Query != nullptr && Popup && Query->OnPopupChoice(*Popup)) {
    ApplyQueryFilter();
    Query->RefreshPopup(*Popup, QueryControl);
  }
  if (NeedRefresh) {
    ReloadPage(ReloadAroundView);
    NeedRefresh = false;
  } else if (event.Number == Event::CloseWindow && Selecting && Window != nullptr) {
    framework::data::FileManager* file = PrimaryFile();
    if (Window->Response == WindowController::ResponseCompleted) {
      if (file != nullptr) file->RestoreSnapshot(Buffer, framework::data::SnapshotUse::Discard);
      if (SelectWholeRecord) RereadViewRecord();
      else CopyRowToBuffer();
    } else if (file != nullptr) {
      file->RestoreSnapshot(Buffer, framework::data::SnapshotUse::Restore);
    }
  }
  if (Behavior && Behavior->RowsChanged()) DisplayList();
}

bool BrowseManager::OnKey() {
  const runtime::ui::PostedEvent& event = Window != nullptr ? Window->EventInHand() : runtime::ui::PostedEvent{};
  const int32_t key = event.KeyCode != Key::None ? event.KeyCode : WindowModel::KeyCode();
  const int32_t window = WindowNumber();
  const int32_t list = ListControl();
  if (key == Key::MouseRightUp) {
    const auto row = static_cast<int32_t>(WindowModel::GetPropInt(window, list, Prop::MouseDownRow));
    if (row > 0) CurrentChoice = row;
    PostSelectionChange();
    return false;
  }
  BrowseSortOrder* order = CurrentSort();
  auto tryLocator = [&]() -> int {  // 1 taken, 0 not taken on an empty list, -1 not taken
    LetterLocator* locator = order != nullptr ? order->Locator : nullptr;
    if (locator == nullptr) return Rows() > 0 ? -1 : 0;
    if (locator->OnKeyChar()) {
      LocateOnBuffer();
      ReloadPage(ReloadAroundView);
      return 1;
    }
    return Rows() > 0 ? -1 : 0;
  };
  bool handled = false;
  if (Rows() > 0) {
    switch (key) {
      case Key::MouseLeft2:
        if (Selecting) handled = PressButton(SelectControl);
        else if (WindowModel::GetPropInt(window, list, Prop::ListAction) == DoubleClickChanges) {
          handled = PressButton(ChangeControl);
          if (handled) CopyRowToBuffer();
        }
        break;
      case Key::CtrlEnter:
        handled = PressButton(ChangeControl);
        if (handled) CopyRowToBuffer();
        break;
      case Key::Insert: handled = PressButton(InsertControl); break;
      case Key::Delete: handled = PressButton(DeleteControl); break;
      case Key::MenuKey:
        // The context menu follows from the new-selection event, as after a right click.
        PostSelectionChange();
        return true;
      case Key::ShiftEnter:
        handled = PressButton(ViewControl);
        if (handled) CopyRowToBuffer();
        break;
      default: handled = tryLocator() != 0; break;
    }
  } else {
    const int located = tryLocator();
    handled = located == 1;
    if (located == 0 && key == Key::Insert) handled = PressButton(InsertControl);
  }
  if (!handled) return false;
  RefreshAndPostSelection();
  return true;
}

void BrowseManager::RefreshAndPostSelection() {
  const uint64_t shownBefore = DisplaySerial;
  RefreshControls();
  const bool shown = DisplaySerial != shownBefore && Behavior && !Behavior->RowsChanged() && ShownChoice == CurrentChoice;
  PostSelection(shown ? ListShowing::Shown : ListShowing::Show);
}

void BrowseManager::OnLocate() {
  if (Query == nullptr) return;
  if (Query->Ask()) ApplyQueryFilter();
  if (Query->SaveQueries && Popup) Query->RefreshPopup(*Popup, QueryControl);
}

void BrowseManager::ApplyQueryFilter() {
  const std::string filter = Query->BuildFilter();
  if (QueryShared && Sort) {
    const size_t current = Sort->Current;
    for (size_t order = 1; order <= Sort->Records(); ++order) {
      SelectSortOrder(order);
      SetNamedFilter(filter, QueryFilterId);
    }
    SelectSortOrder(current);
  } else {
    SetNamedFilter(filter, QueryFilterId);
  }
  if (QueryResult != 0) WindowModel::SetProp(WindowNumber(), QueryResult, Prop::Text, filter);
  ReapplyOrder(framework::window::ResetMode::Forced);
}

void BrowseManager::OnNewSelection() {
  if (Rows() > 0) {
    // A row the person chose comes with the event: the list's selection may since have
    // been moved by this thread's handling of input that came before it (a scroll key
    // queued ahead of the click), so the event's row is the one chosen, and the list
    // is made to show it again.
    const runtime::ui::PostedEvent& event = Window != nullptr ? Window->EventInHand() : runtime::ui::PostedEvent{};
    const bool chosen = event.FromUser && event.Number == Event::NewSelection && event.Control == ListControl() &&
                        event.Argument >= 1 && event.Argument <= Rows();
    // One the program posted itself (PostSelectionChange) is about its own row.
    if (chosen) CurrentChoice = event.Argument;
    else KeepCurrentChoice();
    if (chosen && ILC->SelectedRow() != CurrentChoice) ILC->SelectRow(CurrentChoice);
    LastChoice = CurrentChoice;
  }
  CopyRowToBuffer();
  const int32_t key = WindowModel::KeyCode();
  if (key != Key::MouseRightUp && key != Key::MenuKey) {
    if (Window != nullptr) Window->Reset(framework::window::ResetMode::IfChanged);
  } else if (UsePopup) {
    WindowModel::SetKeyCode(Key::None);
    if (Popup) Popup->ShowMenu();
  }
}

void BrowseManager::OnScroll(int32_t event) {
  if (event == 0) event = CurrentEvent;
  if (Rows() == 0) return;
  switch (event) {
    case Event::ScrollUp:
    case Event::ScrollDown: ScrollByRow(event); break;
    case Event::PageUp:
    case Event::PageDown: ScrollByPage(event); break;
    case Event::ScrollTop:
    case Event::ScrollBottom: ScrollToEnd(event); break;
    default: break;
  }
  BrowseSortOrder* order = CurrentSort();
  if (order != nullptr && order->Locator != nullptr) order->Locator->Reset();
  PostSelectionChange();
  if (order == nullptr || order->Thumb == nullptr) MoveThumbFixed();
  CopyRowToBuffer();
}

void BrowseManager::OnNavigatorScroll(int32_t request) {
  int32_t event = 0;
  switch (request) {
    case NavigateLast: event = Event::ScrollBottom; break;
    case NavigateFirst: event = Event::ScrollTop; break;
    case NavigatePageDown: event = Event::PageDown; break;
    case NavigatePageUp: event = Event::PageUp; break;
    case NavigateNext: event = Event::ScrollDown; break;
    case NavigatePrevious: event = Event::ScrollUp; break;
    default: return;
  }
  OnScroll(event);
  if (Window != nullptr) {
    Window->Reset(framework::window::ResetMode::IfChanged);
    Window->Update();
  }
}

void BrowseManager::CopyRowToBuffer() {
  if (Rows() > 0) {
    ListQueue->GetRow(static_cast<size_t>(std::clamp(CurrentChoice, 1, Rows())));
    Fields->RightIntoLeft();
  } else if (Fields) {
    Fields->BlankLeft();
  }
}

void BrowseManager::RememberResetValues() {
  if (BrowseSortOrder* order = CurrentSort(); order != nullptr && order->Resets) order->Resets->BufferIntoLeft();
}

void BrowseManager::MoveThumb() {
  const int32_t window = WindowNumber();
  const int32_t list = ListControl();
  const int32_t rows = Rows();
  const int32_t visible = VisibleRows();
  if (HasThumb && (rows >= visible || AllowUnfilled)) {
    WindowModel::SetPropInt(window, list, Prop::VScroll, 1);
  } else {
    WindowModel::SetPropInt(window, list, Prop::VScroll, 0);
    return;
  }
  BrowseSortOrder* order = CurrentSort();
  if (order == nullptr || order->Thumb == nullptr || order->FreeElement.IsNull()) {
    MoveThumbFixed();
    return;
  }
  if (!Loaded || LoadPending) return;
  CopyRowToBuffer();
  WindowModel::SetPropInt(window, list, Prop::ThumbPosition, order->Thumb->ValueToPercent(order->FreeElement.GetText()));
  if (rows == visible) {
    // A full page at either end shows the thumb at that end.
    const auto position = WindowModel::GetPropInt(window, list, Prop::ThumbPosition);
    if (position == 1) WindowModel::SetPropInt(window, list, Prop::ThumbPosition, ThumbTop);
    if (position == ThumbBottom - 1) WindowModel::SetPropInt(window, list, Prop::ThumbPosition, ThumbBottom);
  }
}

void BrowseManager::MoveThumbFixed() {
  const int32_t window = WindowNumber();
  const int32_t list = ListControl();
  int32_t position = ThumbMiddle;
  const bool p0 = WindowModel::GetPropInt(window, list, Prop::Immediate) == 0;
  const int32_t rows = Rows();
  const int32_t visible = VisibleRows();
  if (FileLoaded && rows > visible) {
    if (CurrentChoice <= 1) position = ThumbTop;
    else if (!p0)
      position = static_cast<int32_t>(std::lround(static_cast<double>(CurrentChoice) * (rows - visible) / rows));
  } else if (ItemsToFill > 0) {
    if (IsDownward(CurrentEvent)) {
      if (CurrentChoice == rows) position = p0 ? rows : ThumbBottom;
    } else if (CurrentChoice == 1) {
      position = ThumbTop;
    }
  }
  if (p0 && FileLoaded) return;
  WindowModel::SetPropInt(window, list, Prop::ThumbPosition, position);
}

void BrowseManager::RereadViewRecord() {
  if (Rows() == 0) return;
  KeepCurrentChoice();
  ListQueue->GetRow(static_cast<size_t>(std::clamp(CurrentChoice, 1, Rows())));
  const std::string position = ListQueue->GetRowPosition();
  framework::data::FileManager* file = PrimaryFile();
  if (file == nullptr || file->File == nullptr) return;
  file->File->Watch();
  int32_t rc = View->Reget(position);
  if (rc == C::NotSupported) {
    const std::string here = View->Position();
    View->ResetToPosition(position);
    file->File->Watch();
    rc = View->Next();
    View->ResetToPosition(here);
  }
  if (rc != C::NoError) {
    NeedRefresh = ReportRecordLost();
    // The page is reloaded around the lost row's place, not wherever the view last read.
    View->ResetToPosition(position);
  }
}

void BrowseManager::RefreshControls() {
  BrowseSortOrder* order = CurrentSort();
  if (order != nullptr && order->Locator != nullptr) order->Locator->RefreshControls();
  const bool hasRows = RecordsInList() > 0;
  using State = WindowController::ControlState;
  if (Window != nullptr) {
    const State rowButtons = hasRows ? State::Enabled : State::Disabled;
    Window->SetEnabled(ChangeControl, rowButtons);
    Window->SetEnabled(DeleteControl, rowButtons);
    Window->SetEnabled(PrintControl, rowButtons);
    Window->SetEnabled(ViewControl, rowButtons);
    if (SelectControl != 0) {
      if (Selecting) {
        const bool usable = hasRows && Window->Request == WindowController::RequestSelect;
        Window->SetEnabled(SelectControl, usable ? State::Enabled : State::Disabled);
        if (usable) WindowModel::SetPropInt(WindowNumber(), SelectControl, Prop::Default, 1);
      } else if (HideSelect) {
        Window->SetEnabled(SelectControl, State::Disabled);
        WindowModel::Hide(WindowNumber(), SelectControl);
      }
    }
  }
  MoveThumb();
  if (Toolbar != nullptr) Toolbar->Refresh();
  DisplayList();
}

void BrowseManager::ShowWaitCursor(bool on) {
  if (UseWaitCursor) WindowModel::SetWaitCursor(on);
}

// ---- Non-virtual operations ---------------------------------------------------------

void BrowseManager::Init(int32_t listControl, runtime::data::FieldRef position,
                         framework::window::WindowController& window, framework::data::RelationManager& primary,
                         runtime::data::QueueAccess& queue, runtime::files::View& view) {
  Behavior = std::make_unique<BrowseListAdapter>(queue, position, listControl, &window.MyWindow);
  ListQueue = Behavior.get();
  ILC = Behavior.get();
  UseWaitCursor = true;
  UseMRP = 1;
  PrevChoice = 0;
  Window = &window;
  Sort = std::make_unique<OrderQueue>();
  Fields = std::make_unique<ColumnPairs>();
  Fields->Init();
  Popup = std::make_unique<framework::popup::PopupManager>();
  Popup->Init();
  RetainRow = true;
  ViewManager::Init(view, primary, Sort.get());
  window.AddBrowse(Component, Selecting);
  if (Selecting)
    if (framework::data::FileManager* file = PrimaryFile()) {
      // Marks the window's use of the file; a failure is reported by the file manager.
      (void)file->EnsureUsable(framework::data::UseType::Window);
      Buffer = file->SnapshotBuffer();
    }
}

void BrowseManager::MapColumnField(const runtime::data::FieldRef& fileField, const runtime::data::FieldRef& queueField) {
  Fields->LinkFields(fileField, queueField);
}

size_t BrowseManager::AddOrder(StringStep* thumb, int key) {
  auto order = std::make_unique<BrowseSortOrder>();
  order->Thumb = thumb;
  order->Resets = std::make_unique<framework::window::BufferedPairs>();
  order->Resets->Init();
  return AddOrderEntry(std::move(order), key);
}

void BrowseManager::AttachLocator(LetterLocator* locator) {
  if (BrowseSortOrder* order = CurrentSort()) order->Locator = locator;
}

void BrowseManager::AddResetField(const runtime::data::FieldRef& field) {
  BrowseSortOrder* order = CurrentSort();
  if (order == nullptr || !order->Resets) return;
  order->Resets->LinkFields(field, field);
  order->Resets->LeftIntoBuffer();
}

void BrowseManager::SaveSortState() {
  if (SavedSort) return;
  BrowseSortOrder* order = CurrentSort();
  if (order == nullptr) return;
  SavedSort = 1;
  SavedLocator = order->Locator;
  SavedThumb = order->Thumb;
  SavedLocatorField = order->Locator != nullptr ? order->Locator->FreeElement : runtime::data::FieldRef();
  SavedSortString = order->Order.substr(0, SavedSortLimit);
}

void BrowseManager::KeepCurrentChoice() {
  if (ILC != nullptr && (CurrentChoice < 1 || CurrentChoice > Rows())) CurrentChoice = ILC->SelectedRow();
}

void BrowseManager::PostSelectionChange() { PostSelection(ListShowing::Show); }

void BrowseManager::PostSelection(ListShowing showing) {
  if (PrevChoice == 0 && CurrentChoice == 0 && WindowModel::KeyCode() != Key::MouseRightUp) return;
  PrevChoice = CurrentChoice;
  if (showing == ListShowing::Show) DisplayList();
  WindowModel::Post(WindowNumber(), Event::NewSelection, ListControl());
}

size_t BrowseManager::RecordsInList() {
  const size_t rows = ListQueue != nullptr ? ListQueue->RowCount() : 0;
  if (BrowseSortOrder* order = CurrentSort(); order != nullptr && order->Locator != nullptr)
    order->Locator->SetEnabled(rows > 0);
  if (rows == 0) CurrentChoice = 0;
  return rows;
}

BrowseSortOrder* BrowseManager::CurrentSort() const { return static_cast<BrowseSortOrder*>(CurrentOrder()); }

// ---- Private ---------------------------------------------------------------------

void BrowseManager::LocateOnBuffer() {
  BrowseSortOrder* order = CurrentSort();
  const size_t components = order != nullptr && order->MainKey != 0 ? GetFreeElementPosition() : 1;
  ViewManager::Reset(components);
}

bool BrowseManager::PressButton(int32_t control) {
  if (control == 0 || WindowModel::GetPropInt(WindowNumber(), control, Prop::Disable) != 0) return false;
  // The press carries the row the key was pressed on: it queues behind input that came
  // after the key (a row clicked meanwhile), and must not act on that row.
  return WindowModel::Post(WindowNumber(), Event::Accepted, control, CurrentChoice);
}

void BrowseManager::AddPopupItems() {
  if (!Popup) return;
  Popup->SetWindow(WindowNumber());
  // Each item mimics its button: a disabled button disables its item, and choosing the
  // item presses the button. The record items show the list's key for the same button
  // (RegisterAlertKeys).
  if (EditViaPopup) {
    if (InsertControl != 0) Popup->SetKey(Popup->AddMimicItem("!&Insert", "&Insert", InsertControl), Key::Insert);
    if (ChangeControl != 0) Popup->SetKey(Popup->AddMimicItem("!&Change", "&Change", ChangeControl), Key::CtrlEnter);
    if (DeleteControl != 0) Popup->SetKey(Popup->AddMimicItem("!&Delete", "&Delete", DeleteControl), Key::Delete);
    if (ViewControl != 0) Popup->SetKey(Popup->AddMimicItem("!&View", "&View", ViewControl), Key::ShiftEnter);
  }
  if (PrintControl != 0) Popup->AddMimicItem("!&Print", "&Print", PrintControl);
  if (QueryControl != 0) {
    if (Popup->MenuItemCount() > 0 && Popup->FindItem(QuerySeparator) == 0)
      Popup->AddMenuItem(framework::popup::PopupItem::SeparatorText, QuerySeparator);
    Popup->AddMimicItem("!&Query", "&Query", QueryControl);
    if (Query != nullptr && Query->SaveQueries) Query->RefreshPopup(*Popup, QueryControl);
  }
  if (SelectControl != 0 && Selecting) Popup->AddMimicItem("!&Select", "&Select", SelectControl);
  if (ToolControl != 0) {
    if (Popup->FindItem(ToolSeparator) == 0)
      Popup->AddMenuItem(framework::popup::PopupItem::SeparatorText, ToolSeparator);
    // The toolbox does not offer to open itself.
    Popup->MarkForToolbox(Popup->AddMimicItem("!&Toolbox", "&Toolbox", ToolControl), false);
  }
}

void BrowseManager::TakeAccepted(int32_t control) {
  uint8_t request = 0;
  if (control == DeleteControl) request = WindowController::RequestDelete;
  else if (control == ChangeControl) request = WindowController::RequestChange;
  else if (control == InsertControl) request = WindowController::RequestInsert;
  else if (control == ViewControl) request = WindowController::RequestView;
  if (request != 0) {
    TakeRowOfPress(control);
    Window->Update();
    if (!NeedRefresh) AskForRecord(request);
    return;
  }
  if (control == SelectControl) {
    Window->Response = WindowController::ResponseCompleted;
    WindowModel::Post(WindowNumber(), Event::CloseWindow);
    return;
  }
  if (control == PrintControl) {
    RereadViewRecord();
    if (!NeedRefresh) Window->Run(PrintProcedure, RequestPrint);
    CopyRowToBuffer();
    return;
  }
  if (control == QueryControl) {
    if (Query != nullptr) Query->ClearQuery();
    OnLocate();
    return;
  }
  if (control == ToolControl) {
    if (Popup) Popup->ShowToolbox(ToolboxCaption);
    return;
  }
  OnLocatorAccepted();
}

void BrowseManager::TakeRowOfPress(int32_t control) {
  const runtime::ui::PostedEvent& event = Window->EventInHand();
  if (event.FromUser || event.Number != Event::Accepted || event.Control != control) return;
  if (event.Argument < 1 || event.Argument > Rows() || event.Argument == CurrentChoice) return;
  CurrentChoice = event.Argument;
  ILC->SelectRow(CurrentChoice);
}

void BrowseManager::TakeThumbDrag() {
  const int32_t window = WindowNumber();
  const int32_t list = ListControl();
  const auto thumb = static_cast<double>(WindowModel::GetPropInt(window, list, Prop::ThumbPosition));
  double p = thumb;
  if (p <= 1) {
    PostToList(Event::ScrollTop);
    return;
  }
  const int32_t rows = Rows();
  const int32_t visible = VisibleRows();
  if (rows > visible) p = p * 100 / (rows - visible);
  BrowseSortOrder* order = CurrentSort();
  if (p >= ThumbBottom) {
    PostToList(Event::ScrollBottom);
  } else if (FileLoaded && rows > visible) {
    CurrentChoice = std::clamp(static_cast<int32_t>(thumb / (rows - visible) * rows), 1, rows);
    if (order != nullptr && order->Locator != nullptr) order->Locator->Reset();
    PostSelectionChange();
    CopyRowToBuffer();
    ILC->SelectRow(CurrentChoice);
    WindowModel::SetPropInt(window, list, Prop::ThumbPosition, static_cast<int64_t>(thumb));
  } else if (order != nullptr && !order->FreeElement.IsNull() && order->Thumb != nullptr) {
    order->FreeElement.SetText(order->Thumb->PercentToValue(static_cast<int32_t>(p)));
    ReloadFromBuffer();
  } else {
    PostToList(p < ThumbMiddle ? Event::PageUp : Event::PageDown);
  }
}

void BrowseManager::DisplayList() {
  if (!Behavior || Window == nullptr || WindowNumber() == 0) return;
  const size_t fetched = Behavior->FetchedRow();
  // Each column's picture is read once for all its cells, and again only when the
  // list's format changes.
  const size_t count = Fields->Count();
  std::string format = WindowModel::GetProp(WindowNumber(), ListControl(), Prop::Format);
  if (format != ShownFormat || ShownPictures.size() != count) {
    const std::vector<runtime::ui::ListColumn> columns = runtime::ui::ListFormat::Parse(format);
    ShownPictures.assign(count, std::nullopt);
    for (size_t column = 0; column < count && column < columns.size(); ++column) {
      if (!columns[column].Picture.empty()) {
        ShownPictures[column] = runtime::text::Picture::Parse(columns[column].Picture);
      }
    }
    ShownFormat = std::move(format);
  }
  const std::vector<std::optional<runtime::text::Picture::Parsed>>& pictures = ShownPictures;
  // The cells are read where the queue keeps its rows when it lends them.
  const bool inPlace = Behavior->LendsRows();
  std::vector<std::vector<std::string>> rows;
  rows.reserve(static_cast<size_t>(Rows()));
  for (int32_t row = 1; row <= Rows(); ++row) {
    if (!inPlace) ListQueue->GetRow(static_cast<size_t>(row));
    std::vector<std::string> cells;
    cells.reserve(count);
    for (size_t column = 0; column < count; ++column) {
      runtime::data::FieldRef value = Fields->RightAt(column);
      if (inPlace) value = Behavior->FieldOfRow(static_cast<size_t>(row), value);
      cells.push_back(pictures[column] ? runtime::text::Picture::Format(value, *pictures[column]) : value.GetText());
    }
    rows.push_back(std::move(cells));
  }
  // The buffer holds the fetched row afterwards (the last one shown when none was).
  if (fetched != 0) ListQueue->GetRow(fetched);
  else if (inPlace && Rows() > 0) ListQueue->GetRow(static_cast<size_t>(Rows()));
  Behavior->ShowRows(std::move(rows), CurrentChoice);
  ShownChoice = CurrentChoice;
  ++DisplaySerial;
}

int32_t BrowseManager::NavigationRequest() const {
  return Window != nullptr && Window->VCRRequest != nullptr ? *Window->VCRRequest : 0;
}

void BrowseManager::PostToList(int32_t event) { WindowModel::Post(WindowNumber(), event, ListControl()); }

}  // namespace framework::browse
