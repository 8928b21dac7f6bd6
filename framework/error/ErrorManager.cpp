#include "framework/error/ErrorManager.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "framework/error/BuiltInCatalogue.h"
#include "framework/error/Buttons.h"
#include "framework/error/ErrorHistoryList.h"
#include "framework/error/ErrorWindow.h"
#include "framework/error/ErrorWindowDefinition.h"
#include "framework/error/StockIcon.h"
#include "framework/error/TextLimit.h"
#include "runtime/core/Halt.h"
#include "runtime/core/RuntimeError.h"
#include "runtime/core/RuntimeErrorCode.h"
#include "runtime/core/SyncGuard.h"
#include "runtime/core/ThreadContext.h"
#include "runtime/text/AsciiCase.h"
#include "runtime/ui/MessageBoxRequest.h"
#include "runtime/ui/MessageBoxService.h"

namespace framework::error {
namespace {

using runtime::core::RuntimeError;
using runtime::core::RuntimeErrorCode;
using runtime::core::SyncGuard;

// Catalogue lookups compare an entry's id with the low 16 bits of the requested id.
constexpr int32_t LookupIdMask = 0xFFFF;
// A program that ends on a fatal error did not succeed: callers and scripts must see it.
constexpr int32_t HaltExitCode = 1;

// Error details for threads of a manager that has not been given its own yet.
runtime::core::PerThread<ErrorStatus> UninitialisedStatus;

char LowerAscii(char c) {
  return runtime::text::AsciiCase::Lower(c);
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return runtime::text::AsciiCase::Equal(a, b);
}

size_t FindIgnoreCase(std::string_view text, std::string_view what, size_t from) {
  if (what.empty() || from > text.size()) return std::string_view::npos;
  auto at = std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(), what.begin(), what.end(),
                        [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
  return at == text.end() ? std::string_view::npos : static_cast<size_t>(at - text.begin());
}

// Replaces every occurrence of `placeholder` (any case) by `value`, left to right,
// searching on after each inserted value; then cuts the text to the working length.
void ReplacePlaceholder(std::string& text, std::string_view placeholder, std::string_view value) {
  if (EqualsIgnoreCase(placeholder, value)) return;
  std::string result;
  size_t from = 0;
  for (;;) {
    size_t at = FindIgnoreCase(text, placeholder, from);
    if (at == std::string_view::npos) break;
    result.append(text, from, at - from);
    result.append(value);
    from = at + placeholder.size();
    // Everything beyond the working length is cut anyway; a value that repeats its
    // own placeholder must not make the text grow without bound.
    if (result.size() > TextLimit::WorkingLength) break;
  }
  result.append(text, from, std::string::npos);
  text = TextLimit::Cut(result, TextLimit::WorkingLength);
}

// The icon as a number for the error window: a text that is a whole decimal number
// gives its value; anything else (a stock-icon code, a name) gives 0, the default icon.
int32_t IconNumber(std::string_view icon) {
  std::string_view digits = TextLimit::ClipTrailingBlanks(icon);
  digits.remove_prefix(std::min(digits.find_first_not_of(' '), digits.size()));
  int32_t value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc{} || end != digits.data() + digits.size()) return 0;
  return value;
}

bool ShowsDriverError(int32_t code) {
  return code == RuntimeErrorCode::DriverError || code == RuntimeErrorCode::DriverErrorAlt ||
         code == RuntimeErrorCode::InvalidFileStructure;
}

// Reads a catalogue block; false when it ends inside a counted entry.
bool ParseCatalogueBlock(std::span<const uint8_t> block, std::vector<ErrorEntry>& entries) {
  size_t at = 0;
  auto take = [&](size_t n) { return at + n <= block.size(); };
  auto byte = [&] { return block[at++]; };
  auto text = [&](std::string& out) {
    if (!take(1)) return false;
    size_t length = byte();
    if (!take(length)) return false;
    out.assign(reinterpret_cast<const char*>(block.data() + at), length);
    at += length;
    return true;
  };
  if (!take(2)) return false;
  unsigned count = byte();
  count |= static_cast<unsigned>(byte()) << 8;
  for (unsigned i = 0; i < count; ++i) {
    ErrorEntry entry;
    if (!take(3)) return false;
    unsigned id = byte();
    id |= static_cast<unsigned>(byte()) << 8;
    entry.Id = static_cast<int32_t>(id);
    entry.Fatality = byte();
    if (!text(entry.Title) || !text(entry.Message)) return false;
    entries.push_back(std::move(entry));
  }
  return true;
}

}  // namespace

ErrorManager::~ErrorManager() { ErrorManager::Shutdown(); }

// ---- Set-up and catalogue ----

void ErrorManager::Construct() {
  SyncGuard guard(Critsect);
  // Never leave ErrorLog pointing at the log being dropped.
  if (ErrorLog == StdErrorLog.get()) ErrorLog = nullptr;
  StdErrorLog.reset();
}

void ErrorManager::Init(StatusInstances& status) {
  Status = &status;
  SyncGuard guard(Critsect);
  if (StdErrorLog) return;
  StdErrorLog = std::make_unique<StandardErrorLog>();
  StdErrorLog->Init();
  DefaultCategory = InitialCategory;
  Errors.clear();
  ProcNames.clear();
  History.Free();
  BuiltInLoaded = false;
  HistoryThreshold = 0;
  HistoryViewLevel = InitialHistoryViewLevel;
  HistoryResetOnView = false;
  AttachLog(StdErrorLog.get());
}

void ErrorManager::AttachLog(ErrorLogInterface* log) {
  SyncGuard guard(Critsect);
  ErrorLog = log;
  if (!BuiltInLoaded) {
    LoadCatalogueBlock(BuiltInCatalogue::Block());
    BuiltInLoaded = true;
  }
}

ErrorLevel ErrorManager::LoadCatalogueBlock(std::span<const uint8_t> block) {
  std::vector<ErrorEntry> entries;
  if (!ParseCatalogueBlock(block, entries)) return LevelNotice;
  SyncGuard guard(Critsect);
  for (ErrorEntry& entry : entries) Errors.push_back(std::move(entry));
  return LevelQuiet;
}

void ErrorManager::AddCatalogueEntry(int32_t id, const std::string& message, const std::string& title,
                                     uint8_t severity, const std::string& category) {
  SyncGuard guard(Critsect);
  Errors.push_back(ErrorEntry{id, message, title, severity, category});
}

void ErrorManager::RemoveCatalogueEntry(int32_t id) {
  SyncGuard guard(Critsect);
  const int32_t key = id & LookupIdMask;
  auto at = std::find_if(Errors.rbegin(), Errors.rend(), [&](const ErrorEntry& e) { return e.Id == key; });
  if (at != Errors.rend()) Errors.erase(std::next(at).base());
}

void ErrorManager::Shutdown() {
  SyncGuard guard(Critsect);
  Errors.clear();
  History.Free();
  ProcNames.clear();
  BuiltInLoaded = false;
  if (ErrorLog == StdErrorLog.get()) ErrorLog = nullptr;
  if (StdErrorLog) {
    StdErrorLog->Teardown();
    StdErrorLog.reset();
  }
}

ErrorLevel ErrorManager::FindEntry(int32_t id, ErrorEntry& entry) {
  SyncGuard guard(Critsect);
  const int32_t key = id & LookupIdMask;
  auto at = std::find_if(Errors.rbegin(), Errors.rend(), [&](const ErrorEntry& e) { return e.Id == key; });
  if (at == Errors.rend()) return LevelNotice;
  entry = *at;
  return LevelQuiet;
}

// ---- Values for the next message ----

ErrorStatus::Values& ErrorManager::ThreadValues() {
  StatusInstances* status = Status;
  return status ? status->Get().V : UninitialisedStatus.Get().V;
}

void ErrorManager::SetFieldName(std::string_view text) {
  ThreadValues().FieldName = TextLimit::ClipAndCut(text, TextLimit::NameLength);
}

void ErrorManager::SetFileName(std::string_view text) {
  ThreadValues().FileName = TextLimit::ClipAndCut(text, TextLimit::NameLength);
}

void ErrorManager::SetKeyName(std::string_view text) {
  ThreadValues().KeyName = TextLimit::ClipAndCut(text, TextLimit::NameLength);
}

void ErrorManager::CaptureRuntimeError() {
  if (Status == nullptr) return;
  ErrorStatus::Values& v = ThreadValues();
  v.SaveErrorCode = RuntimeError::Code();
  v.SaveError = TextLimit::ClipAndCut(RuntimeError::Text(), TextLimit::CapturedLength);
  v.SaveFileErrorCode = TextLimit::Cut(RuntimeError::FileCode(), TextLimit::CapturedLength);
  v.SaveFileError = TextLimit::Cut(RuntimeError::FileText(), TextLimit::CapturedLength);
}

// ---- Raising ----

ErrorLevel ErrorManager::RaiseError(int32_t id) {
  CaptureRuntimeError();
  return HandleError(id);
}

ErrorLevel ErrorManager::RaiseErrorWithMessage(int32_t id, std::string_view text) {
  ThreadValues().MessageText = TextLimit::ClipAndCut(text, TextLimit::NameLength);
  return RaiseError(id);
}

void ErrorManager::SetCurrentError(int32_t id) {
  ErrorStatus::Values& v = ThreadValues();
  v.PrevErrorId = v.ErrorBuffer.Id;
  ErrorEntry found;
  FindEntry(id, found);
  v.ErrorBuffer = std::move(found);
}

ErrorLevel ErrorManager::HandleError(int32_t id) {
  SetCurrentError(id);
  switch (ThreadValues().ErrorBuffer.Fatality) {
    case LevelQuiet: return HandleQuiet();
    case LevelAsk:
    case LevelDeclined: return HandleAsk();
    case LevelInternal: return HandleInternal();
    case LevelHalt: return HandleHalt();
    case LevelNotice: HandleNotice(); return LevelNotice;
    default: return HandleUnknownLevel();
  }
}

int32_t ErrorManager::AskMessage(int32_t id, int32_t buttons, int32_t defaultButton) {
  if (Silent) return defaultButton;
  SetCurrentError(id);
  std::string text = SubstituteText();
  return ShowMessageBox(text, ThreadValues().ErrorBuffer.Title, StockIcon::Exclamation, buttons, defaultButton,
                        MsgStyle);
}

int32_t ErrorManager::GetErrorId() { return ThreadValues().ErrorBuffer.Id; }

ErrorEntry ErrorManager::CurrentError() { return ThreadValues().ErrorBuffer; }

std::string ErrorManager::SubstituteText() {
  const ErrorStatus::Values v = ThreadValues();
  std::string text = TextLimit::Cut(v.ErrorBuffer.Message, TextLimit::WorkingLength);

  // Longer placeholders go before their prefixes ("%FileErrorCode" before "%File").
  ReplacePlaceholder(text, "%FileErrorCode", v.SaveFileErrorCode);
  ReplacePlaceholder(text, "%FileError", v.SaveFileError);
  ReplacePlaceholder(text, "%File", v.FileName);
  ReplacePlaceholder(text, "%Key", v.KeyName);
  ReplacePlaceholder(text, "%ErrorCode", std::to_string(v.SaveErrorCode));
  // For driver failures the runtime's own text says little; the driver's tells why.
  const std::string errorText = ShowsDriverError(v.SaveErrorCode)
                                    ? v.SaveFileError + " (" + v.SaveFileErrorCode + ")"
                                    : v.SaveError + " (" + std::to_string(v.SaveErrorCode) + ")";
  ReplacePlaceholder(text, "%ErrorText", errorText);
  ReplacePlaceholder(text, "%Error", v.SaveError);
  ReplacePlaceholder(text, "%Message", v.MessageText);
  ReplacePlaceholder(text, "%Field", v.FieldName);
  ReplacePlaceholder(text, "%Procedure", CurrentProcedureName());
  ReplacePlaceholder(text, "%Category", v.ErrorBuffer.Category);
  constexpr std::string_view PreviousPlaceholder = "%Previous";
  if (text.find(PreviousPlaceholder) != std::string::npos) {
    // The earlier error's raw text: its own placeholders are not filled.
    ErrorEntry previous;
    FindEntry(v.PrevErrorId, previous);
    ReplacePlaceholder(text, PreviousPlaceholder, previous.Message);
  }
  return text;
}

// ---- Severity handlers ----

ErrorLevel ErrorManager::HandleQuiet() { return LevelQuiet; }

ErrorLevel ErrorManager::HandleAsk() {
  const int32_t answer = ReportMessage(SubstituteText(), ThreadValues().ErrorBuffer.Title, StockIcon::Exclamation,
                                       Button::YesNo, Button::Yes, MsgStyle);
  return answer == Button::Yes ? LevelQuiet : LevelDeclined;
}

ErrorLevel ErrorManager::HandleNotice() {
  ReportMessage(SubstituteText(), ThreadValues().ErrorBuffer.Title, StockIcon::Asterisk, Button::Ok, Button::Ok,
                MsgStyle);
  return LevelNotice;
}

ErrorLevel ErrorManager::HandleHalt() {
  const std::string title = ThreadValues().ErrorBuffer.Title;
  const std::string text = SubstituteText() + HaltSuffix;
  ReportMessage(text, title, StockIcon::Asterisk, Button::Ok, Button::Ok, MsgStyle);
  runtime::core::Halt(HaltExitCode, title + ": " + text);
}

ErrorLevel ErrorManager::HandleInternal() { return HandleHalt(); }

ErrorLevel ErrorManager::HandleUnknownLevel() { return HandleInternal(); }

// ---- Display ----

int32_t ErrorManager::ReportMessage(const std::string& text, const std::string& title, const std::string& icon,
                                    int32_t buttons, int32_t defaultButton, int32_t style) {
  int32_t result = defaultButton;
  int32_t threshold = 0;
  int32_t viewLevel = 0;
  bool resetOnView = false;
  {
    SyncGuard guard(Critsect);
    if (LogErrors) LogMessage(text);
    threshold = HistoryThreshold;
    viewLevel = HistoryViewLevel;
    resetOnView = HistoryResetOnView;
    if (threshold != 0) RecordMessage(text);
  }
  if (Silent) return result;
  if (threshold != 0) {
    // History mode: only messages of the viewed severity open the window.
    if (ThreadValues().ErrorBuffer.Fatality == viewLevel) {
      result = ShowHistoryWindow(title, IconNumber(icon), buttons, defaultButton);
      if (resetOnView) ClearHistory();
    }
    return result;
  }
  return ShowMessageBox(text, title, icon, buttons, defaultButton, style);
}

void ErrorManager::LogMessage(const std::string& text) {
  SyncGuard guard(Critsect);
  if (ErrorLog == nullptr) return;
  // The caller may still read the error that made it report; the log's own file
  // calls must not replace it.
  const runtime::core::RuntimeErrorState reported = RuntimeError::Snapshot();
  // A log that cannot be written must not stop the message; the reason goes to
  // standard error, where whoever runs the program can see it.
  auto report = [](const char* failure) {
    std::fprintf(stderr, "%s%s\n", failure, RuntimeError::Text().c_str());
  };
  if (ErrorLog->OpenLog(false) != LevelQuiet) report(LogOpenFailure);
  if (ErrorLog->WriteLine(StandardErrorLog::DatedLine(text)) != LevelQuiet) report(LogWriteFailure);
  if (ErrorLog->CloseLog(false) != LevelQuiet) report(LogCloseFailure);
  RuntimeError::Restore(reported);
}

void ErrorManager::RecordMessage(const std::string& text) {
  SyncGuard guard(Critsect);
  if (HistoryThreshold > 0) {
    while (History.Records() > 0 && History.Records() >= static_cast<size_t>(HistoryThreshold)) History.Delete(1);
  }
  const int32_t id = GetErrorId();
  History.Buffer.Txt = TextLimit::Cut(text, TextLimit::HistoryLength);
  History.Buffer.Id = static_cast<int16_t>(id);
  History.Buffer.Category = GetCategory(id);
  AppendHistory();
}

int32_t ErrorManager::ShowMessageBox(const std::string& text, const std::string& title, const std::string& icon,
                                     int32_t buttons, int32_t defaultButton, int32_t style) {
  runtime::ui::MessageBoxRequest request;
  request.Text = text;
  request.Caption = title;
  request.Icon = icon;
  request.Buttons = buttons;
  request.DefaultButton = defaultButton;
  request.Style = style;
  return runtime::ui::MessageBoxService::ShowMessage(request);
}

int32_t ErrorManager::ShowHistoryWindow(const std::string& caption, int32_t icon, int32_t buttons,
                                        int32_t defaultButton) {
  ErrorWindow window;
  ErrorHistoryList list;
  // The window shows the history as it is now; messages raised while it is open
  // (by this thread or others) do not change what it lists.
  list.Init(window, *this, HistoryEntries());
  window.Win = ErrorWindowDefinition::Build();
  window.Err = this;
  window.Caption = caption;
  window.Icon = icon;
  window.ButtonTypes = buttons;
  window.MsgRVal = defaultButton;
  window.Style = 0;
  window.HistoryHandler = &list;
  window.Run();
  return window.MsgRVal;
}

int32_t ErrorManager::OpenHistoryView() { return ShowHistoryWindow(HistoryCaption, 0, Button::OkHelp, Button::Ok); }

void ErrorManager::AppendHistory() {
  SyncGuard guard(Critsect);
  History.Add();
}

void ErrorManager::ClearHistory() {
  SyncGuard guard(Critsect);
  History.Free();
}

std::vector<HistoryEntry> ErrorManager::HistoryEntries() {
  SyncGuard guard(Critsect);
  return History.All();
}

// ---- Categories ----

void ErrorManager::SetCategory(int32_t id, const std::string& category) {
  SyncGuard guard(Critsect);
  if (id == DefaultCategoryId) {
    DefaultCategory = category;
    return;
  }
  const int32_t key = id & LookupIdMask;
  auto at = std::find_if(Errors.rbegin(), Errors.rend(), [&](const ErrorEntry& e) { return e.Id == key; });
  if (at != Errors.rend()) at->Category = category;
}

std::string ErrorManager::GetCategory(int32_t id) {
  SyncGuard guard(Critsect);
  if (id != DefaultCategoryId) {
    ErrorEntry entry;
    if (FindEntry(id, entry) == LevelQuiet && !entry.Category.empty()) return entry.Category;
  }
  return DefaultCategory;
}

// ---- Procedure names ----

void ErrorManager::TrackProcedureName(std::string_view name, Track track) {
  SyncGuard guard(Critsect);
  const int32_t thread = runtime::core::CurrentThreadNumber();
  if (track == Track::Enter) {
    ProcNames.push_back(ProcNameEntry{thread, std::string(TextLimit::ClipTrailingBlanks(name))});
    return;
  }
  auto at = std::find_if(ProcNames.rbegin(), ProcNames.rend(), [&](const ProcNameEntry& e) { return e.Thread == thread; });
  if (at != ProcNames.rend()) ProcNames.erase(std::next(at).base());
}

std::string ErrorManager::CurrentProcedureName() {
  SyncGuard guard(Critsect);
  const int32_t thread = runtime::core::CurrentThreadNumber();
  auto at = std::find_if(ProcNames.rbegin(), ProcNames.rend(), [&](const ProcNameEntry& e) { return e.Thread == thread; });
  return at == ProcNames.rend() ? std::string() : at->Name;
}

// ---- Properties ----

int32_t ErrorManager::GetHistoryThreshold() {
  SyncGuard guard(Critsect);
  return HistoryThreshold;
}
void ErrorManager::SetHistoryThreshold(int32_t value) {
  SyncGuard guard(Critsect);
  HistoryThreshold = value;
}
int32_t ErrorManager::GetHistoryViewLevel() {
  SyncGuard guard(Critsect);
  return HistoryViewLevel;
}
void ErrorManager::SetHistoryViewLevel(int32_t value) {
  SyncGuard guard(Critsect);
  HistoryViewLevel = value;
}
bool ErrorManager::GetHistoryResetOnView() {
  SyncGuard guard(Critsect);
  return HistoryResetOnView;
}
void ErrorManager::SetHistoryResetOnView(bool value) {
  SyncGuard guard(Critsect);
  HistoryResetOnView = value;
}
std::string ErrorManager::GetDefaultCategory() {
  SyncGuard guard(Critsect);
  return DefaultCategory;
}
void ErrorManager::SetDefaultCategory(const std::string& value) {
  SyncGuard guard(Critsect);
  DefaultCategory = value;
}
ErrorLogInterface* ErrorManager::GetErrorLog() {
  SyncGuard guard(Critsect);
  return ErrorLog;
}

}  // namespace framework::error
