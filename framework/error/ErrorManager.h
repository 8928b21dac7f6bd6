#pragma once
// The one error manager of the program. Components report failures and ask their routine
// questions here by catalogue id: the manager looks the id up in its catalogue of titled
// texts, fills the placeholders ("%File", "%ErrorText" ...) from the raising thread's
// ErrorStatus, and lets the entry's severity decide what happens: nothing, a Yes/No
// question, a notice, or the end of the program. Reported messages can also go to a log
// and to a history.
//
// Life: Construct once at program start, Init with the thread-instanced ErrorStatus,
// Shutdown (or Teardown) at the end.
//
// Thread safety: every operation may be called from any thread. The catalogue, the
// history, the procedure names and the properties are touched only under Critsect,
// which is re-entrant. Each thread's names, captured runtime error and current error
// live in its own ErrorStatus, so threads never see each other's values. Message boxes
// are shown without holding the lock: a thread waiting for an answer stops no other.
//
// Virtual operations are declared in their fixed slot order; a derived manager
// overrides single ones and calls the base operation explicitly.

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "framework/error/ErrorEntry.h"
#include "framework/error/ErrorLevel.h"
#include "framework/error/ErrorLogInterface.h"
#include "framework/error/ErrorStatus.h"
#include "framework/error/HistoryEntry.h"
#include "framework/error/ProcNameEntry.h"
#include "framework/error/StandardErrorLog.h"
#include "runtime/core/CriticalSection.h"
#include "runtime/core/PerThread.h"
#include "runtime/data/RecordQueue.h"

namespace framework::error {

class ErrorManager {
 public:
  using StatusInstances = runtime::core::PerThread<ErrorStatus>;

  static constexpr const char* InitialCategory = "Kel";
  static constexpr int32_t InitialHistoryViewLevel = LevelHalt;
  // The category and lookup id that mean "the default category".
  static constexpr int32_t DefaultCategoryId = -1;
  // Appended to the text of a message after which the program ends.
  static constexpr const char* HaltSuffix = "  Press OK to end this application";
  static constexpr const char* HistoryCaption = "Errors History";
  // Log failure texts; the runtime's error text follows each.
  static constexpr const char* LogOpenFailure = "Unable to Open error log; ";
  static constexpr const char* LogWriteFailure = "Unable to update error log; ";
  static constexpr const char* LogCloseFailure = "Unable to close error log; ";

  ErrorManager() = default;
  virtual ~ErrorManager();
  ErrorManager(const ErrorManager&) = delete;
  ErrorManager& operator=(const ErrorManager&) = delete;

  // ---- Virtual operations, in slot order ----

  // 0. Empties the catalogue, the history and the procedure names and disposes the
  //    standard log (closing its file). Safe to call twice.
  virtual void Shutdown();
  // 1. Appends one entry; it hides any older entry with the same id.
  virtual void AddCatalogueEntry(int32_t id, const std::string& message, const std::string& title,
                                 uint8_t severity, const std::string& category = {});
  // 2. Appends every counted entry of a catalogue block (format in BuiltInCatalogue.h),
  //    each without a category. A block that ends inside an entry is refused whole:
  //    nothing is added and LevelNotice is returned. Bytes after the counted entries
  //    are ignored.
  virtual ErrorLevel LoadCatalogueBlock(std::span<const uint8_t> block);
  // 3. Appends the entry prepared in History.Buffer.
  virtual void AppendHistory();
  // 4. Runs the error window over a copy of the history on the calling thread, with the
  //    given caption, icon (0 the default one), button set and default button; returns
  //    the button pressed, or the default when the window was closed otherwise.
  virtual int32_t ShowHistoryWindow(const std::string& caption, int32_t icon, int32_t buttons,
                                    int32_t defaultButton);
  // 5. Logs, records and shows a message as the options say; returns the button
  //    pressed, or `defaultButton` when nothing is shown.
  virtual int32_t ReportMessage(const std::string& text, const std::string& title, const std::string& icon,
                                int32_t buttons, int32_t defaultButton, int32_t style);
  // 6. Shows the runtime's message box; returns the button pressed.
  virtual int32_t ShowMessageBox(const std::string& text, const std::string& title, const std::string& icon,
                                 int32_t buttons, int32_t defaultButton, int32_t style);
  // 7. Deletes the most recently added entry with this id, if any.
  virtual void RemoveCatalogueEntry(int32_t id);
  // 8. Makes `log` the log sink and loads the built-in catalogue the first time.
  virtual void AttachLog(ErrorLogInterface* log);
  // 9-14. The severity handlers: each shows the thread's current error as its severity
  //    asks and returns the level HandleError passes on.
  virtual ErrorLevel HandleQuiet();
  // Shows the message with HaltSuffix and ends the program (exit code 0); does not return.
  virtual ErrorLevel HandleHalt();
  virtual ErrorLevel HandleNotice();
  virtual ErrorLevel HandleUnknownLevel();
  virtual ErrorLevel HandleInternal();
  // Yes/No question: LevelQuiet for Yes, LevelDeclined for anything else.
  virtual ErrorLevel HandleAsk();
  // 15. The "Errors History" viewer: buttons O&k and &Help, default O&k.
  virtual int32_t OpenHistoryView();

  // ---- Set-up ----

  // Clears the standard log reference. Called once at program start.
  void Construct();
  // Keeps `status` as the thread-instanced error details and, the first time only,
  // creates the standard log, sets the defaults and loads the built-in catalogue.
  // `status` must outlive the manager's use.
  void Init(StatusInstances& status);
  // Shutdown, for owners that treat the manager like any other resource.
  void Teardown() { Shutdown(); }

  // ---- Values for the next message (calling thread only; they stay until set again) ----

  // Each: trailing blanks removed, cut to 1023 bytes.
  void SetFieldName(std::string_view text);
  void SetFileName(std::string_view text);
  void SetKeyName(std::string_view text);
  // Copies the runtime's error code and text and the file driver's code and message
  // into the calling thread's details; does nothing before Init.
  void CaptureRuntimeError();

  // ---- Raising ----

  // Captures the runtime error, then HandleError. The ordinary entry, called right after
  // the failing runtime or file operation.
  ErrorLevel RaiseError(int32_t id);
  // Sets "%Message" (trailing blanks removed, cut to 1023 bytes), then RaiseError.
  ErrorLevel RaiseErrorWithMessage(int32_t id, std::string_view text);
  // Makes `id` current and dispatches on its severity. An id not in the catalogue is
  // quiet: nothing is shown or logged and LevelQuiet is returned.
  ErrorLevel HandleError(int32_t id);
  // Shows catalogue message `id` as a question with the given buttons, whatever its
  // severity; returns the button pressed (`defaultButton` at once when Silent). Neither
  // logs nor records.
  int32_t AskMessage(int32_t id, int32_t buttons, int32_t defaultButton);
  // Makes `id` the calling thread's current error (id 0 with empty texts when unknown).
  void SetCurrentError(int32_t id);
  // The current error's text with its placeholders filled, at most 1999 bytes.
  std::string SubstituteText();
  // The calling thread's current error id.
  int32_t GetErrorId();
  // The calling thread's current error (a copy).
  ErrorEntry CurrentError();

  // ---- Categories ----

  // With id -1 sets the default category; otherwise the category of the most recently
  // added entry with that id, if any.
  void SetCategory(int32_t id, const std::string& category);
  // With id -1 the default category; otherwise that entry's own category when it has
  // one, else the default.
  std::string GetCategory(int32_t id);

  // ---- Procedure names ----

  // Track::Enter records `name` (trailing blanks removed) as the calling thread's newest
  // procedure; Track::Leave forgets the calling thread's newest one (`name` unused).
  enum class Track : uint8_t { Enter, Leave };
  void TrackProcedureName(std::string_view name, Track track);
  // The calling thread's newest procedure name, or "".
  std::string CurrentProcedureName();

  // ---- History ----

  void ClearHistory();
  // A copy of the history, oldest first.
  std::vector<HistoryEntry> HistoryEntries();

  // ---- Properties (each holds the lock) ----

  int32_t GetHistoryThreshold();
  void SetHistoryThreshold(int32_t value);
  int32_t GetHistoryViewLevel();
  void SetHistoryViewLevel(int32_t value);
  bool GetHistoryResetOnView();
  void SetHistoryResetOnView(bool value);
  std::string GetDefaultCategory();
  void SetDefaultCategory(const std::string& value);
  bool GetSilent() const { return Silent; }
  bool GetLogErrors() const { return LogErrors; }
  ErrorLogInterface* GetErrorLog();

  // Set directly by the owner of the manager.
  // When true nothing is displayed; questions take their default button.
  std::atomic<bool> Silent{false};
  // When true every reported message is written to the log.
  std::atomic<bool> LogErrors{false};
  // The style of every message box.
  std::atomic<int16_t> MsgStyle{0};

 protected:
  // The calling thread's error details (a private instance before Init).
  ErrorStatus::Values& ThreadValues();
  // Finds the most recently added entry matching `id`; LevelNotice when there is none,
  // and `entry` is left as it was.
  ErrorLevel FindEntry(int32_t id, ErrorEntry& entry);
  // Writes one logged line through ErrorLog; failures go to standard error.
  void LogMessage(const std::string& text);
  // Records one message in the history under the threshold rule.
  void RecordMessage(const std::string& text);

  // GUARDED_BY(Critsect) from here to Critsect.
  std::string DefaultCategory;
  std::vector<ErrorEntry> Errors;
  ErrorLogInterface* ErrorLog = nullptr;
  runtime::data::RecordQueue<HistoryEntry> History;
  std::vector<ProcNameEntry> ProcNames;
  std::unique_ptr<StandardErrorLog> StdErrorLog;
  int32_t HistoryThreshold = 0;
  int32_t HistoryViewLevel = InitialHistoryViewLevel;
  bool HistoryResetOnView = false;
  // Whether the built-in catalogue is in Errors: attaching another log later must not
  // load it again over entries the program added since.
  bool BuiltInLoaded = false;

  // Re-entrant: the history update appends while holding it, and procedure tracking
  // reads the current name under it.
  runtime::core::CriticalSection Critsect;
  // Set by Init, read by every thread.
  std::atomic<StatusInstances*> Status{nullptr};
};

}  // namespace framework::error
