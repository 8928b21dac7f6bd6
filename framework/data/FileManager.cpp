#include "framework/data/FileManager.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "framework/data/FileUsageRegistry.h"
#include "framework/data/RelationManager.h"
#include "framework/data/UseType.h"
#include "framework/error/ErrorManager.h"
#include "framework/error/MessageId.h"
#include "runtime/core/RuntimeError.h"
#include "runtime/core/RuntimeErrorCode.h"
#include "runtime/core/ThreadContext.h"
#include "runtime/files/FileMode.h"
#include "runtime/files/FileOpcode.h"
#include "runtime/files/FileProperty.h"
#include "runtime/text/AsciiCase.h"
#include "runtime/text/ExpressionScope.h"
#include "runtime/text/Utf8.h"

namespace framework::data {
namespace {

using framework::error::LevelAsk;
using framework::error::LevelDeclined;
using framework::error::LevelHalt;
using framework::error::LevelNotice;
using framework::error::LevelQuiet;
using framework::error::MessageId;
using runtime::core::RuntimeError;
using runtime::data::FieldRef;
using runtime::files::FileMode;
using runtime::files::FileOpcode;
using runtime::files::FileProperty;
using runtime::files::KeyEnd;
using C = runtime::core::RuntimeErrorCode;

// Opcodes the manager groups that the runtime does not issue (yet): further writes,
// reads and deletes and the blob write. They keep their numbers so a driver that adds
// them is handled as intended.
constexpr int32_t FurtherWrite = 51;
constexpr int32_t FurtherWriteBlob = 59;
constexpr int32_t FurtherDelete = 54;
constexpr int32_t FurtherDeleteAll = 55;
constexpr int32_t FurtherRead = 31;
constexpr int32_t FurtherReadNext = 66;
constexpr int32_t FurtherReadPrevious = 67;
constexpr int32_t BlobWrite = 76;

enum class Group : uint8_t { None, Write, Create, Clear, Read, Delete };

Group GroupOf(int32_t opcode) {
  switch (opcode) {
    case FileOpcode::Add:
    case FileOpcode::Put:
    case FurtherWrite:
    case FurtherWriteBlob: return Group::Write;
    case FileOpcode::Create: return Group::Create;
    case FileOpcode::ClearBuffer: return Group::Clear;
    case FileOpcode::GetByKey:
    case FileOpcode::GetByPosition:
    case FileOpcode::Next:
    case FileOpcode::Previous:
    case FurtherRead:
    case FileOpcode::RestoreState:
    case FurtherReadNext:
    case FurtherReadPrevious: return Group::Read;
    case FileOpcode::Delete:
    case FurtherDelete:
    case FurtherDeleteAll: return Group::Delete;
    default: return Group::None;
  }
}

// Operations after which any blob change is forgotten.
bool ResetsBlobMarker(int32_t opcode) {
  const Group g = GroupOf(opcode);
  return g == Group::Write || g == Group::Clear || g == Group::Delete;
}

int32_t ToInt(const std::string& text) {
  int32_t value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

std::string ClipTrailing(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

std::string Cut(std::string_view text, size_t limit) {
  return std::string(runtime::text::Utf8::Prefix(text, limit));
}

std::string UpperAscii(std::string text) {
  return runtime::text::AsciiCase::ToUpper(std::move(text));
}

}  // namespace

FileManager::~FileManager() { FileManager::Teardown(); }

bool FileManager::OnOwnThread() const { return OwnerThread == runtime::core::CurrentThreadNumber(); }

// ---- Call-backs ----

uint8_t FileManager::BeforeFileOperation(int32_t opcode, Block& block) {
  if (!OnOwnThread()) return 1;
  if (opcode == FileOpcode::Destroy && (block.Flags & Block::KeepFlag) == 0) {
    ++InCallBack;
    CleanUp();
    --InCallBack;
  }
  return DispatchBefore(opcode, block);
}

uint8_t FileManager::AfterFileOperation(int32_t opcode, Block& block) {
  if (!OnOwnThread()) return 1;
  if (ResetsBlobMarker(opcode)) {
    BlobChanged = false;
  } else if (GroupOf(opcode) == Group::Read) {
    if (SavePreviousBuffer && Buffer.Address != nullptr) {
      PreviousBuffer.assign(static_cast<const char*>(Buffer.Address), Buffer.Length);
    }
  } else if (opcode == BlobWrite || (opcode == FileOpcode::SetProperty && block.Value == FileProperty::BlobValue)) {
    BlobChanged = true;
  }
  return DispatchAfter(opcode, block);
}

uint8_t FileManager::DispatchBefore(int32_t opcode, Block& block) {
  if (InView) return 1;
  StopOperation = block.Stop;
  if (block.Bracket) InView = true;
  uint8_t result = 1;
  switch (GroupOf(opcode)) {
    case Group::Write: result = BeforeGroup1(); break;
    case Group::Create: result = BeforeGroup2(); break;
    case Group::Clear: result = BeforeGroup3(); break;
    case Group::Read: result = BeforeGroup4(block.Text); break;
    case Group::Delete: result = BeforeGroup5(); break;
    case Group::None: return 1;
  }
  block.Stop = StopOperation;
  return result;
}

uint8_t FileManager::DispatchAfter(int32_t opcode, Block& block) {
  if (InView) {
    if (!block.Bracket) return 1;
    InView = false;
  }
  switch (GroupOf(opcode)) {
    case Group::Write: return AfterGroup1();
    case Group::Create: return AfterGroup2();
    case Group::Clear: return AfterGroup3();
    case Group::Read: return AfterGroup4(block.Text);
    case Group::Delete: return AfterGroup5();
    case Group::None: return 1;
  }
  return 1;
}

uint8_t FileManager::AfterGroup3() { return 1; }
uint8_t FileManager::BeforeGroup3() { return 1; }
uint8_t FileManager::AfterGroup1() { return 1; }
uint8_t FileManager::BeforeGroup1() { return 1; }
uint8_t FileManager::AfterGroup5() { return 1; }
uint8_t FileManager::BeforeGroup5() { return 1; }
uint8_t FileManager::AfterGroup4(const std::string&) { return 1; }
uint8_t FileManager::BeforeGroup4(const std::string&) { return 1; }
uint8_t FileManager::AfterGroup2() { return 1; }
uint8_t FileManager::BeforeGroup2() { return 1; }

// ---- Life ----

void FileManager::SetUp() {
  Opened = 0;
  LazyOpen = true;
  Killed = false;
  UseMRP = 0;
  MRPSize = SetUpMrpSize;
  FileUsageRegistry::Current().AddFileManager(*this);
}

void FileManager::Init(runtime::files::KeyedFile* file, framework::error::ErrorManager* errors) {
  Errors = errors;
  File = file;
  Opener = FileUsageRegistry::GetOpener(*file);
  Keys.clear();
  Buffers.clear();
  Saved.clear();
  Fields.clear();
  SkipHeldRecords = false;
  if (!OpenModeOverridden) OpenMode = DefaultOpenMode;
  Create = true;
  LockRecover = DefaultLockRecover;
  PrimaryKey = 0;
  FileNameValue = Cut(File->Property(FileProperty::Label), FileNameLimit);
  CleanedUp = false;
  Initialized = true;
  Killed = false;
  UseMRP = 0;
  MRPSize = InitMrpSize;
  OwnerThread = runtime::core::CurrentThreadNumber();
  File->AddCallback(this);
}

void FileManager::Teardown() {
  if (Initialized && !Killed) {
    CleanUp();
    if (File != nullptr) File->RemoveCallback(this);
    Killed = true;
    Initialized = false;
    return;
  }
  // Set up but never initialised (a thread that never used the file): the registry
  // must still forget the manager.
  if (FileUsageRegistry* registry = FileUsageRegistry::CurrentIfAny()) registry->RemoveFileManager(*this);
}

void FileManager::Destruct() {
  if (!Killed) Teardown();
  FileName = {};
}

void FileManager::CleanUp() {
  if (CleanedUp) return;
  CleanedUp = true;
  while (Opened > 0) Close();
  // A file opened by its first use without a counted Open is closed here as well.
  if (Used && Opener != nullptr) {
    Opener->Close();
    Used = false;
  }
  if (FileUsageRegistry* registry = FileUsageRegistry::CurrentIfAny()) registry->RemoveFileManager(*this);
  Keys.clear();
  PreviousBuffer.clear();
  Buffers.clear();
  if (File != nullptr) {
    for (const SavedStateEntry& s : Saved) File->FreeState(s.State);
  }
  Saved.clear();
  Fields.clear();
  if (Opener != nullptr) {
    Opener->Unlink();
    Opener = nullptr;
  }
  FileName = {};
  OpenModeOverridden = false;
}

// Filters name the record's fields ("URL:URL"); they read the thread's buffer itself.
void FileManager::BindFieldNames() {
  if (Buffer.Type != nullptr && Buffer.Address != nullptr)
    runtime::text::ExpressionScope::BindRecord(*Buffer.Type, Buffer.Address);
}

// ---- Opening and closing ----

FileManager::ErrorLevel FileManager::EnsureUsable(uint8_t useType) {
  InUseFile = true;
  ErrorLevel result = LevelQuiet;
  if (useType == UseType::Prepare) {
    if (LazyOpen && Opened < 1) {
      if (Used) {
        // Opened lazily and before: this only counts the open, which cannot fail.
        (void)OpenRoutine(Reporting::Report, PhysicalOpen::AsConfigured);
      } else {
        // The raised count keeps the physical open's own EnsureUsable(Prepare) from
        // opening again.
        ++Opened;
        // A failed open is reported and leaves the file unopened, so the operation
        // that needs the record refuses.
        (void)OpenRoutine(Reporting::Report, PhysicalOpen::Now);
        --Opened;
      }
    }
  } else {
    if (useType != UseType::Unscoped) FileUsageRegistry::Current().NoteUse(*this, useType);
    if (LazyOpen && !Used) {
      if (Opened < 1) {
        result = Raise(MessageId::FileUsage);
      } else {
        int16_t id = SnapshotBuffer();
        result = OpenPhysical(Reporting::Report);
        RestoreSnapshot(id, SnapshotUse::Restore);
      }
    }
  }
  InUseFile = false;
  return result;
}

FileManager::ErrorLevel FileManager::Open() { return OpenRoutine(Reporting::Report, PhysicalOpen::AsConfigured); }

FileManager::ErrorLevel FileManager::OpenQuiet() { return OpenRoutine(Reporting::Quiet, PhysicalOpen::AsConfigured); }

FileManager::ErrorLevel FileManager::OpenRoutine(Reporting reporting, PhysicalOpen when) {
  FileUsageRegistry::Current().NoteOpen(*this);
  BindFieldNames();
  if (when == PhysicalOpen::Now || (!LazyOpen && Opened == 0)) {
    const ErrorLevel result = OpenPhysical(reporting);
    if (result != LevelQuiet) return result;
  }
  ++Opened;
  return LevelQuiet;
}

FileManager::ErrorLevel FileManager::Failed(Reporting reporting, int32_t errorId) {
  NoteError(errorId);
  return reporting == Reporting::Report ? RaiseLast() : LevelNotice;
}

FileManager::ErrorLevel FileManager::OpenPhysical(Reporting reporting) {
  if (EnsureUsable(UseType::Prepare) != LevelQuiet || !Initialized || Opener == nullptr) {
    return Failed(reporting, MessageId::FileAccess);
  }
  for (int attempt = 0; attempt < MaxOpenAttempts;) {
    ++attempt;
    int32_t code = Opener->Open(OpenMode);
    if (code == C::AccessDenied) {
      // The driver may free a lock left by a station that died; then one more try.
      File->Send(RecoverOption + std::to_string(LockRecover));
      code = Opener->Open(OpenMode);
    }
    switch (code) {
      case C::NoError:
        Used = true;
        AtEOF = false;
        AutoIncDone = 0;
        return LevelQuiet;
      case C::NotFound:
        if (!Create) return Failed(reporting, MessageId::FileAccess);
        if (File->Create() == C::NoError) continue;
        return Failed(reporting, MessageId::FileCreation);
      case C::AccessDenied:
        if (FileMode::Access(OpenMode) == FileMode::ReadOnly) return Failed(reporting, MessageId::FileAccess);
        OpenMode = static_cast<uint8_t>(FileMode::Share(OpenMode) | FileMode::ReadOnly);
        Raise(MessageId::AccessDenied);
        continue;
      case C::KeyFileInvalid:
        NoteError(MessageId::InvalidKey);
        if (reporting == Reporting::Quiet) return LevelNotice;
        RaiseLast();
        if (File->BuildKeys() == C::NoError) continue;
        return Raise(MessageId::KeyNotBuilt);
      case C::InvalidFileStructure:
        return Failed(reporting, MessageId::InvalidFile);
      default:
        return Failed(reporting, MessageId::FileAccess);
    }
  }
  return Failed(reporting, MessageId::FileAccess);
}

FileManager::ErrorLevel FileManager::Close() {
  ++InClose;
  FileUsageRegistry::Current().NoteClose(*this);
  if (UseMRP) {
    UseMRP = 0;
    if (File != nullptr) File->SetProperty(FileProperty::ReadAhead, "0");
  }
  if (Opened > 0) {
    --Opened;
    if (Opened == 0) {
      // Only a manager that physically opened the file closes it: with a shared
      // opener, an Open that only counted must not close the file under another
      // thread.
      if (Initialized && Used && Opener != nullptr) Opener->Close();
      Used = false;
    }
  }
  --InClose;
  return LevelQuiet;
}

// ---- Record buffers and file states ----

int16_t FileManager::SnapshotBuffer() {
  const int16_t id = Buffers.empty() ? int16_t{1} : static_cast<int16_t>(Buffers.back().Id + 1);
  SavedBufferEntry copy;
  copy.Id = id;
  const auto* bytes = static_cast<const unsigned char*>(Buffer.Address);
  if (bytes != nullptr) copy.Buffer.assign(bytes, bytes + Buffer.Length);
  if (copy.Buffer.empty()) copy.Buffer.push_back(0);
  Buffers.push_back(std::move(copy));
  // Records of this runtime have no memo or blob fields; the null-flags block is
  // empty. Both keep their ids so every snapshot spans id .. id+n+1.
  Buffers.push_back(SavedBufferEntry{static_cast<int16_t>(id + 1), {}});
  return id;
}

void FileManager::RestoreSnapshot(int16_t& id, SnapshotUse use) {
  const bool restore = use == SnapshotUse::Restore;
  if (id == 0 && !restore) return;
  const int16_t first = id;
  const int16_t last = static_cast<int16_t>(id + 1);
  for (auto at = Buffers.begin(); at != Buffers.end();) {
    if (at->Id < first || at->Id > last) {
      ++at;
      continue;
    }
    if (restore && at->Id == first && Buffer.Address != nullptr) {
      std::memcpy(Buffer.Address, at->Buffer.data(), std::min(Buffer.Length, at->Buffer.size()));
    }
    at = Buffers.erase(at);
  }
  id = 0;
}

bool FileManager::MatchesSnapshot(int16_t id) {
  if (EnsureUsable(UseType::Record) != LevelQuiet || BlobChanged) return false;
  for (const SavedBufferEntry& e : Buffers) {
    if (e.Id != id) continue;
    return Buffer.Address != nullptr && e.Buffer.size() >= Buffer.Length &&
           std::memcmp(Buffer.Address, e.Buffer.data(), Buffer.Length) == 0;
  }
  return false;
}

int FileManager::PrimaryKeyNumber() const {
  return (PrimaryKey >= 1 && PrimaryKey <= Keys.size()) ? Keys[PrimaryKey - 1].Key : 0;
}

std::string FileManager::GetPosition() {
  if (EnsureUsable(UseType::Record) != LevelQuiet) return {};
  return File->Position(PrimaryKeyNumber());
}

FileManager::ErrorLevel FileManager::RereadAtPosition(const std::string& position) {
  if (EnsureUsable(UseType::Record) != LevelQuiet) return LevelHalt;
  return File->GetByPosition(position) == C::NoError ? LevelQuiet : LevelNotice;
}

int16_t FileManager::SnapshotFileState() {
  if (EnsureUsable(UseType::Record) != LevelQuiet) return 0;
  SavedStateEntry state;
  state.Id = Saved.empty() ? int16_t{1} : static_cast<int16_t>(Saved.back().Id + 1);
  state.Buffer = SnapshotBuffer();
  state.State = File->SaveState();
  state.Pos = Cut(File->Position(PrimaryKeyNumber()), runtime::files::KeyedFile::MaxPositionLength);
  state.AutoIncDone = AutoIncDone;
  Saved.push_back(state);
  return state.Id;
}

void FileManager::RestoreFileState(int16_t& id, SnapshotUse use) {
  if (EnsureUsable(UseType::Record) != LevelQuiet) return;
  auto at = std::find_if(Saved.begin(), Saved.end(), [&](const SavedStateEntry& s) { return s.Id == id; });
  if (at == Saved.end()) {
    id = 0;
    return;
  }
  SavedStateEntry state = *at;
  Saved.erase(at);
  const bool restoreBuffer = use == SnapshotUse::Restore;
  if (restoreBuffer) {
    if (AliasedFile != nullptr) {
      File->ResetToPosition(state.Pos);
      File->Next();
    } else {
      File->RestoreState(state.State, true);
    }
  }
  RestoreSnapshot(state.Buffer, use);
  if (restoreBuffer) AutoIncDone = state.AutoIncDone;
  File->FreeState(state.State);
  id = 0;
}

// ---- Error reporting ----

void FileManager::NoteError(int32_t errorId) {
  if (Errors != nullptr) Errors->CaptureRuntimeError();
  LastError = errorId;
  DuplicatedKeyText.clear();
}

std::string FileManager::MessageFileName() {
  if (!FileName.IsNull()) return ClipTrailing(FileName.GetText());
  std::string name = ClipTrailing(FileNameValue);
  if (!name.empty()) return name;
  if (File != nullptr) name = File->Name();
  return name.empty() ? std::string(UnknownFileName) : name;
}

FileManager::ErrorLevel FileManager::RaiseLast() {
  if (Errors == nullptr) return LevelNotice;
  Errors->SetFileName(MessageFileName());
  if (LastError == MessageId::DuplicateKey && !DuplicatedKeyText.empty()) {
    return Errors->RaiseErrorWithMessage(LastError, DuplicatedKeyText);
  }
  return Errors->HandleError(LastError);
}

FileManager::ErrorLevel FileManager::Raise(int32_t errorId) {
  NoteError(errorId);
  return RaiseLast();
}

FileManager::ErrorLevel FileManager::RaiseWithText(int32_t errorId, std::string_view text) {
  NoteError(errorId);
  if (Errors == nullptr) return LevelNotice;
  Errors->SetFileName(MessageFileName());
  return Errors->RaiseErrorWithMessage(errorId, text);
}

// ---- Accessors ----

uint8_t FileManager::IsRecordExcluded() { return 0; }
void FileManager::SetUseMrp(uint8_t value) { UseMRP = value; }
uint8_t FileManager::GetUseMrp() { return UseMRP; }
void FileManager::SetMrpSize(uint8_t value) { MRPSize = value; }
uint8_t FileManager::GetMrpSize() { return MRPSize; }
uint8_t FileManager::GetAutoIncDone() { return AutoIncDone; }
uint8_t FileManager::GetHasAutoInc() { return HasAutoInc; }

// ---- Reading ----

FileManager::ErrorLevel FileManager::FetchQuiet(int key) {
  if (EnsureUsable(UseType::Record) != LevelQuiet) return LevelHalt;
  return File->GetByKey(key) == C::NoError ? LevelQuiet : LevelNotice;
}

FileManager::ErrorLevel FileManager::Fetch(int key) {
  const ErrorLevel result = FetchQuiet(key);
  if (result != LevelQuiet) {
    if (File != nullptr && File->Definition() != nullptr) {
      File->ClearBuffer();
    } else if (Buffer.Type != nullptr && Buffer.Address != nullptr) {
      Buffer.Type->Clear(Buffer.Address);
    }
  }
  return result;
}

FileManager::ErrorLevel FileManager::ReadSequential(bool forward, Reporting reporting) {
  if (EnsureUsable(UseType::Record) != LevelQuiet) return LevelHalt;
  for (;;) {
    AtEOF = false;
    if (UseMRP && File->Property(FileProperty::ReadAhead) == "0") {
      File->SetProperty(FileProperty::ReadAhead, std::to_string(MRPSize));
    }
    const int32_t code = forward ? File->Next() : File->Previous();
    if (code == C::NoError) return LevelQuiet;
    if (code == C::RecordNotAvailable) {
      AtEOF = true;
      return LevelNotice;
    }
    if (code == C::RecordHeld) {
      if (SkipHeldRecords) continue;
      return Failed(reporting, MessageId::RecordNotRead);
    }
    NoteError(MessageId::RecordRetrieval);
    return reporting == Reporting::Report ? RaiseLast() : LevelHalt;
  }
}

FileManager::ErrorLevel FileManager::Next() { return ReadSequential(true, Reporting::Report); }
FileManager::ErrorLevel FileManager::NextQuiet() { return ReadSequential(true, Reporting::Quiet); }
FileManager::ErrorLevel FileManager::Previous() { return ReadSequential(false, Reporting::Report); }
FileManager::ErrorLevel FileManager::PreviousQuiet() { return ReadSequential(false, Reporting::Quiet); }

// ---- Adding ----

void FileManager::NameKeyForMessage(const KeyEntry& key) {
  if (Errors == nullptr) return;
  const std::string description = ClipTrailing(key.Description);
  Errors->SetKeyName(description.empty() ? File->KeyProperty(key.Key, FileProperty::Label) : description);
}

void FileManager::NameDuplicatedKey() {
  const auto error = RuntimeError::Snapshot();
  for (const KeyEntry& k : Keys) {
    if (File->WouldDuplicate(k.Key)) {
      NameKeyForMessage(k);
      break;
    }
  }
  RuntimeError::Restore(error);
}

std::string FileManager::DuplicatedKeyDescription() {
  const auto error = RuntimeError::Snapshot();
  std::string description;
  for (const KeyEntry& k : Keys) {
    if (File->WouldDuplicate(k.Key)) {
      NameKeyForMessage(k);
      description = k.Description;
      break;
    }
  }
  RuntimeError::Restore(error);
  return description;
}

FileManager::ErrorLevel FileManager::InsertCore(Reporting reporting) {
  if (EnsureUsable(UseType::Record) != LevelQuiet) return LevelHalt;
  if (CheckRecord(nullptr) != LevelQuiet) return LevelNotice;
  File->SetProperty(FileProperty::ReadAhead, "0");
  int32_t code = C::NoError;
  if (HasAutoInc) {
    if (AutoIncDone) {
      code = File->Put();
    } else {
      const ErrorLevel numbered =
          reporting == Reporting::Report ? ReserveAutoNumber() : ReserveAutoNumberQuiet();
      if (numbered != LevelQuiet) return LevelNotice;
    }
  } else {
    code = File->Add();
  }
  if (code == C::NoError) {
    AutoIncDone = 0;
    return LevelQuiet;
  }
  if (code == C::DuplicateKey) {
    if (reporting == Reporting::Quiet) {
      NoteError(MessageId::DuplicateKey);
      return LevelNotice;
    }
    if (!HasAutoInc) File->ForgetCurrent();
    for (const KeyEntry& k : Keys) {
      if (!File->WouldDuplicate(k.Key)) continue;
      NameKeyForMessage(k);
      RaiseWithText(MessageId::DuplicateKey, k.Description);
      return LevelNotice;
    }
    // A key the manager was not told about: still say which one.
    const int key = File->FirstDuplicateKey();
    if (key != 0) {
      const std::string label = File->KeyProperty(key, FileProperty::Label);
      if (Errors != nullptr) Errors->SetKeyName(label);
      RaiseWithText(MessageId::DuplicateKey, label);
    }
    return LevelNotice;
  }
  return Failed(reporting, MessageId::RecordInsert);
}

FileManager::ErrorLevel FileManager::Insert() { return InsertCore(Reporting::Report); }
FileManager::ErrorLevel FileManager::InsertQuiet() { return InsertCore(Reporting::Quiet); }

FileManager::ErrorLevel FileManager::ReserveAutoNumber() { return ReserveAutoNumberCore(Reporting::Report); }
FileManager::ErrorLevel FileManager::ReserveAutoNumberQuiet() { return ReserveAutoNumberCore(Reporting::Quiet); }

FileManager::ErrorLevel FileManager::NumberKeys(Reporting reporting, bool& failed) {
  failed = false;
  for (const KeyEntry& k : Keys) {
    if (k.AutoInc == 0 || k.AutoInc > k.Fields.size()) continue;
    NameKeyForMessage(k);
    const size_t n = k.AutoInc;
    const KeyComponentEntry& numbered = k.Fields[n - 1];
    // The components before the numbered one name its group.
    auto prefixText = [&] {
      std::string prefix;
      for (size_t c = 0; c + 1 < n; ++c) prefix += k.Fields[c].Field.GetText() + "|";
      return k.NoCase ? UpperAscii(prefix) : prefix;
    };
    int16_t saved = SnapshotBuffer();
    int32_t code = C::NoError;
    std::string prefix;
    if (k.Fields.size() == 1) {
      code = File->SetKeyPosition(k.Key, 0);
    } else {
      prefix = prefixText();
      // The group's highest possible value: for a descending component that is the
      // value that sorts first.
      File->SetComponentToEnd(k.Key, n, numbered.Ascend ? KeyEnd::Last : KeyEnd::First);
      code = File->SetKeyPosition(k.Key, n);
    }
    if (code == C::NoError) code = numbered.Ascend ? File->Previous() : File->Next();
    int64_t value = 1;
    if (code == C::NoError) {
      if (k.Fields.size() == 1 || prefixText() == prefix) value = numbered.Field.GetInteger() + 1;
    } else if (code != C::RecordNotAvailable) {
      RestoreSnapshot(saved, SnapshotUse::Restore);
      failed = true;
      return Failed(reporting, MessageId::RecordRetrieval);
    }
    RestoreSnapshot(saved, SnapshotUse::Restore);
    runtime::data::FieldRef target = numbered.Field;
    if (!target.SetInteger(value)) {
      // The group is full: the next number does not fit the field.
      failed = true;
      NoteError(MessageId::AutoIncrement);
      if (reporting == Reporting::Report) RaiseLast();
      return LevelNotice;
    }
  }
  return LevelQuiet;
}

FileManager::ErrorLevel FileManager::ReserveAutoNumberCore(Reporting reporting) {
  if (EnsureUsable(UseType::Record) != LevelQuiet) return LevelHalt;
  if (!HasAutoInc || AutoIncDone) return LevelQuiet;
  File->SetProperty(FileProperty::ReadAhead, "0");
  int tries = 0;
  for (;;) {
    bool failed = false;
    const ErrorLevel numbered = NumberKeys(reporting, failed);
    if (failed) return numbered == LevelQuiet ? LevelNotice : numbered;
    const int32_t code = File->Add();
    if (code == C::NoError) {
      AutoIncDone = 1;
      return LevelQuiet;
    }
    // Another station took the number meanwhile: number again from what is there now.
    if (++tries < AutoNumberTries) continue;
    if (code == C::DuplicateKey) NameDuplicatedKey();
    NoteError(MessageId::AutoIncrement);
    if (reporting == Reporting::Quiet) return LevelNotice;
    if (RaiseLast() != LevelQuiet) return LevelNotice;
    tries = 0;
  }
}

// ---- Changing and deleting ----

FileManager::ErrorLevel FileManager::UpdateCore(Reporting reporting) {
  if (EnsureUsable(UseType::Record) != LevelQuiet) return LevelHalt;
  if (CheckRecord(nullptr) != LevelQuiet) return LevelAsk;
  const std::string position = GetPosition();
  const int32_t code = File->Put();
  if (code == C::NoError) return LevelQuiet;
  if (code == C::RecordChanged) {
    NoteError(MessageId::ChangedElsewhere);
    if (reporting == Reporting::Report) RaiseLast();
    // Show the other station's version, watched again so the next save is checked too.
    File->Watch();
    // The change made elsewhere is what is reported; a failed reread leaves the typed values.
    (void)RereadAtPosition(position);
    return LevelNotice;
  }
  if (code == C::DuplicateKey) {
    // Said as an insert says it, naming the key; the record keeps the typed values so
    // the user can correct them (asking to retry the same write could never succeed).
    const std::string key = DuplicatedKeyDescription();
    NoteError(MessageId::DuplicateKey);
    DuplicatedKeyText = key;
    if (reporting == Reporting::Report) RaiseLast();
    return LevelNotice;
  }
  return Failed(reporting, MessageId::RecordNotUpdated);
}

FileManager::ErrorLevel FileManager::Update() { return UpdateCore(Reporting::Report); }
FileManager::ErrorLevel FileManager::UpdateQuiet() { return UpdateCore(Reporting::Quiet); }

FileManager::ErrorLevel FileManager::DeleteCurrent(ConfirmDelete confirm) {
  if (confirm == ConfirmDelete::Ask && Raise(MessageId::ConfirmDelete) != LevelQuiet) return LevelDeclined;
  if (File == nullptr || File->Delete() != C::NoError) {
    NoteError(MessageId::RecordNotDeleted);
    return LevelNotice;
  }
  return LevelQuiet;
}

void FileManager::FillNewRecord() {}

FileManager::ErrorLevel FileManager::PrepareRecord(RecordBuffer buffer) {
  if (EnsureUsable(UseType::Record) != LevelQuiet) return LevelHalt;
  if (AliasedFile != nullptr) {
    FileManager& alias = *AliasedFile;
    (void)alias.Open();  // paired with the Close below; a failure is reported
    int16_t state = alias.SnapshotFileState();
    const size_t length = std::min(Buffer.Length, alias.Buffer.Length);
    if (buffer == RecordBuffer::Keep) std::memcpy(alias.Buffer.Address, Buffer.Address, length);
    const ErrorLevel result = alias.PrepareRecord(buffer);
    if (result == LevelQuiet) std::memcpy(Buffer.Address, alias.Buffer.Address, length);
    alias.RestoreFileState(state, SnapshotUse::Restore);
    alias.Close();
    return result;
  }
  if (buffer == RecordBuffer::Clear) File->ClearBuffer();
  FillNewRecord();
  if (!HasAutoInc) return LevelQuiet;
  AutoIncDone = 0;
  return ReserveAutoNumber();
}

FileManager::ErrorLevel FileManager::ReleaseAutoNumber(RelationManager* relations) {
  if (EnsureUsable(UseType::Record) != LevelQuiet || !HasAutoInc || !AutoIncDone) return LevelQuiet;
  const ErrorLevel result = relations != nullptr ? relations->Delete(ConfirmDelete::No) : DeleteCurrent(ConfirmDelete::No);
  if (result == LevelQuiet) AutoIncDone = 0;
  return result;
}

// ---- Validation ----

FileManager::ErrorLevel FileManager::CheckRecord(int* failedField) {
  if (AliasedFile != nullptr) {
    FileManager& alias = *AliasedFile;
    const ErrorLevel usable = alias.EnsureUsable(UseType::Record);
    if (usable != LevelQuiet) return usable;
    int16_t saved = alias.SnapshotBuffer();
    std::memcpy(alias.Buffer.Address, Buffer.Address, std::min(Buffer.Length, alias.Buffer.Length));
    const ErrorLevel result = alias.CheckRecord(failedField);
    alias.RestoreSnapshot(saved, SnapshotUse::Restore);
    return result;
  }
  const size_t count = File != nullptr ? File->FieldCount() : 0;
  return CheckFields(1, static_cast<int>(count), failedField);
}

FileManager::ErrorLevel FileManager::CheckFields(int low, int high, int* failedField) {
  if (AliasedFile != nullptr) {
    FileManager& alias = *AliasedFile;
    const ErrorLevel usable = alias.EnsureUsable(UseType::Record);
    if (usable != LevelQuiet) return usable;
    int16_t saved = alias.SnapshotBuffer();
    std::memcpy(alias.Buffer.Address, Buffer.Address, std::min(Buffer.Length, alias.Buffer.Length));
    const ErrorLevel result = alias.CheckFields(low, high, failedField);
    alias.RestoreSnapshot(saved, SnapshotUse::Restore);
    return result;
  }
  for (int id = low; id <= high; ++id) {
    const ErrorLevel result = CheckField(id);
    if (result != LevelQuiet) {
      if (failedField != nullptr) *failedField = id;
      return result;
    }
  }
  return LevelQuiet;
}

FileManager::ErrorLevel FileManager::CheckField(int id) {
  return CheckFieldCore(id, Reporting::Report);
}
FileManager::ErrorLevel FileManager::CheckFieldQuiet(int id) {
  return CheckFieldCore(id, Reporting::Quiet);
}

FileManager::ErrorLevel FileManager::CheckFieldCore(int id, Reporting /*reporting*/) {
  if (AliasedFile == nullptr) return LevelQuiet;
  FileManager& alias = *AliasedFile;
  int16_t saved = alias.SnapshotBuffer();
  std::memcpy(alias.Buffer.Address, Buffer.Address, std::min(Buffer.Length, alias.Buffer.Length));
  const ErrorLevel result = alias.CheckField(id);
  alias.RestoreSnapshot(saved, SnapshotUse::Restore);
  return result;
}

// ---- Keys ----

void FileManager::RegisterKey(int key, std::string_view description, uint8_t autoIncComponent) {
  KeyEntry entry;
  entry.Key = key;
  entry.Description = Cut(description, DescriptionLimit);
  entry.AutoInc = autoIncComponent;
  if (autoIncComponent != 0) HasAutoInc = 1;
  entry.Dups = File->KeyProperty(key, FileProperty::Duplicates) == "1" ? 1 : 0;
  entry.NoCase = File->KeyProperty(key, FileProperty::NoCase) == "1" ? 1 : 0;
  const int32_t components = ToInt(File->KeyProperty(key, FileProperty::Components));
  for (int32_t c = 1; c <= components; ++c) {
    KeyComponentEntry component;
    component.Ascend = File->KeyProperty(key, FileProperty::ComponentAscending, c) == "1" ? 1 : 0;
    const int32_t field = ToInt(File->KeyProperty(key, FileProperty::ComponentField, c));
    if (field >= 1 && Buffer.Type != nullptr && static_cast<size_t>(field) <= Buffer.Type->FieldCount()) {
      component.Field = Buffer.Type->Ref(Buffer.Address, static_cast<size_t>(field - 1));
    }
    component.FieldName = Cut(File->Property(FileProperty::FieldName, field), ComponentNameLimit);
    if (entry.NoCase && component.Field.IsText()) component.FieldName = "UPPER(" + component.FieldName + ")";
    entry.Fields.push_back(std::move(component));
  }
  Keys.push_back(std::move(entry));
  if (File->KeyProperty(key, FileProperty::Primary) == "1") PrimaryKey = static_cast<uint8_t>(Keys.size());
}

const FileManager::KeyEntry* FileManager::FindKey(int key) const {
  for (const KeyEntry& k : Keys) {
    if (k.Key == key) return &k;
  }
  return nullptr;
}

std::string FileManager::GetKeyOrder(int key, size_t firstComponent) {
  const KeyEntry* k = FindKey(key);
  if (k == nullptr) return {};
  std::string order;
  for (size_t c = std::max<size_t>(firstComponent, 1); c <= k->Fields.size(); ++c) {
    if (!order.empty()) order += ",";
    if (!k->Fields[c - 1].Ascend) order += "-";
    order += k->Fields[c - 1].FieldName;
  }
  return Cut(order, KeyOrderLimit);
}

size_t FileManager::GetComponentCount(int key) {
  const KeyEntry* k = FindKey(key);
  return k != nullptr ? k->Fields.size() : 0;
}

std::string FileManager::GetComponentName(int key, size_t component) {
  const KeyEntry* k = FindKey(key);
  if (k == nullptr || component < 1 || component > k->Fields.size()) return {};
  return k->Fields[component - 1].FieldName;
}

bool FileManager::GetComponentAscend(int key, size_t component) {
  const KeyEntry* k = FindKey(key);
  if (k == nullptr || component < 1 || component > k->Fields.size()) return true;
  return k->Fields[component - 1].Ascend != 0;
}

FieldRef FileManager::GetComponentField(int key, size_t component) {
  const KeyEntry* k = FindKey(key);
  if (k == nullptr || component < 1 || component > k->Fields.size()) return {};
  return k->Fields[component - 1].Field;
}

void FileManager::ClearKeyRange(int key, size_t first, size_t last, bool toEnd) {
  const KeyEntry* k = FindKey(key);
  if (k == nullptr || File == nullptr) return;
  for (size_t c = std::max<size_t>(first, 1); c <= last && c <= k->Fields.size(); ++c) {
    File->SetComponentToEnd(key, c, toEnd ? KeyEnd::Last : KeyEnd::First);
  }
}

}  // namespace framework::data
