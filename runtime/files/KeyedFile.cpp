#include "runtime/files/KeyedFile.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cfloat>
#include <cstring>
#include <exception>
#include <limits>
#include <optional>
#include <string_view>

#include "runtime/core/NativePath.h"
#include "runtime/core/RuntimeError.h"
#include "runtime/core/SyncGuard.h"
#include "runtime/files/DriverRegistry.h"
#include "runtime/files/FileOpcode.h"
#include "runtime/files/FileProperty.h"
#include "runtime/files/SqliteSchema.h"
#include "runtime/files/Transaction.h"
#include "runtime/text/AsciiCase.h"

namespace runtime::files {
namespace {

using C = runtime::core::RuntimeErrorCode;
using runtime::core::RuntimeError;
using runtime::data::FieldDesc;
using runtime::data::FieldKind;

std::string Flag(bool b) { return b ? "1" : "0"; }

// A C++ exception from the driver or a library never leaves the runtime: it becomes
// a driver error.
template <class Work>
DriverStatus Guarded(Work work) {
  try {
    return work();
  } catch (const std::exception& e) {
    return DriverStatus::Error(C::DriverError, "0", e.what());
  } catch (...) {
    return DriverStatus::Error(C::DriverError, "0", "unexpected failure in the file driver");
  }
}

template <class T>
void StoreValue(void* at, T v) {
  std::memcpy(at, &v, sizeof v);
}

void SetFieldToEnd(const FieldDesc& f, void* record, bool highest) {
  void* at = static_cast<unsigned char*>(record) + f.Offset;
  switch (f.Kind) {
    case FieldKind::CString:
      std::memset(at, 0, f.Size);
      // Bytes 0xFF sort after any text, whether compared bytewise or without case.
      if (highest) std::memset(at, 0xFF, f.Size - 1);
      break;
    case FieldKind::Byte: StoreValue<uint8_t>(at, highest ? UINT8_MAX : 0); break;
    case FieldKind::Short: StoreValue<int16_t>(at, highest ? INT16_MAX : INT16_MIN); break;
    case FieldKind::UShort: StoreValue<uint16_t>(at, highest ? UINT16_MAX : 0); break;
    case FieldKind::Long: StoreValue<int32_t>(at, highest ? INT32_MAX : INT32_MIN); break;
    case FieldKind::ULong: StoreValue<uint32_t>(at, highest ? UINT32_MAX : 0); break;
    case FieldKind::Date:
    case FieldKind::Time: StoreValue<int32_t>(at, highest ? INT32_MAX : 0); break;
    case FieldKind::Real: StoreValue<double>(at, highest ? DBL_MAX : -DBL_MAX); break;
    case FieldKind::Decimal: StoreValue<int64_t>(at, highest ? INT64_MAX : INT64_MIN); break;
    case FieldKind::String: break;
  }
}

}  // namespace

// One operation on the file: holds the file's lock, tells the call-backs before and
// after, and sets the thread's error from the outcome.
class KeyedFile::Call {
 public:
  Call(KeyedFile& file, int32_t opcode, std::string text, int32_t value = 0)
      : File(file), Guard(file.Section), Opcode(opcode) {
    TheBlock.Text = std::move(text);
    TheBlock.Value = value;
    Tell([this](FileCallback* cb) { cb->BeforeFileOperation(Opcode, TheBlock); });
  }
  // A call made for every record read: the block borrows the file's kept text.
  Call(KeyedFile& file, int32_t opcode, RowCall kept) : File(file), Guard(file.Section), Opcode(opcode), Kept(kept) {
    const auto k = static_cast<size_t>(kept);
    std::string& text = File.RowCallTexts[k];
    if (text.empty()) {
      text = std::string(Verb(kept)) + "(" + File.ProgramName + ")";
      File.RowCallBuilt[k] = text;
    }
    TheBlock.Text.swap(text);
    Tell([this](FileCallback* cb) { cb->BeforeFileOperation(Opcode, TheBlock); });
  }
  ~Call() {
    // Given back unless a call-back changed it (or the name changed meanwhile).
    if (!Kept) return;
    const auto k = static_cast<size_t>(*Kept);
    if (!TheBlock.Text.empty() && TheBlock.Text == File.RowCallBuilt[k]) File.RowCallTexts[k].swap(TheBlock.Text);
  }
  Call(const Call&) = delete;
  Call& operator=(const Call&) = delete;

  bool Stopped() const { return TheBlock.Stop; }
  int32_t Stop() {
    return Done(DriverStatus::Error(C::DriverError, "0", "stopped by the file's call-back"));
  }
  int32_t Done(const DriverStatus& status) {
    const int32_t code = File.Finish(status);
    if (File.Callbacks.empty()) return code;
    // A call-back may use the runtime itself; the caller still reads this call's error
    // (after a success that is the cleared state: nothing to keep a copy of).
    if (status.IsOk()) {
      Tell([this](FileCallback* cb) { cb->AfterFileOperation(Opcode, TheBlock); });
      RuntimeError::Clear();
      return code;
    }
    const auto error = RuntimeError::Snapshot();
    Tell([this](FileCallback* cb) { cb->AfterFileOperation(Opcode, TheBlock); });
    RuntimeError::Restore(error);
    return code;
  }
  int32_t Done(int32_t code) { return Done(DriverStatus::Error(code)); }

 private:
  // Tells the call-backs registered now, from a copy (kept on the stack for the usual
  // few), so a call-back may remove itself; one removed meanwhile is skipped.
  template <class Each>
  void Tell(Each each) const {
    const std::vector<FileCallback*>& all = File.Callbacks;
    if (all.empty()) return;
    constexpr size_t Few = 8;
    std::array<FileCallback*, Few> few{};
    std::vector<FileCallback*> many;
    FileCallback* const* now = few.data();
    if (all.size() <= Few) {
      std::copy(all.begin(), all.end(), few.begin());
    } else {
      many = all;
      now = many.data();
    }
    const size_t count = all.size();
    for (size_t i = 0; i < count; ++i) {
      if (std::find(all.begin(), all.end(), now[i]) != all.end()) each(now[i]);
    }
  }

  static std::string_view Verb(RowCall call) {
    switch (call) {
      case RowCall::Next: return "NEXT";
      case RowCall::Previous: return "PREVIOUS";
      case RowCall::Position: return "POSITION";
    }
    return "";
  }

  KeyedFile& File;
  runtime::core::SyncGuard Guard;
  int32_t Opcode;
  std::optional<RowCall> Kept;
  FileCallback::Block TheBlock;
};

KeyedFile::~KeyedFile() { Teardown(); }

int32_t KeyedFile::Finish(const DriverStatus& status) {
  if (status.IsOk()) {
    RuntimeError::Clear();
  } else {
    RuntimeError::Set(status.Code);
    RuntimeError::SetFile(status.FileCode, status.FileText);
  }
  return status.Code;
}

int32_t KeyedFile::Init(const FileDefinition& definition, void* buffer) {
  Teardown();
  runtime::core::SyncGuard guard(Section);
  const std::string problem = SqliteSchema(definition).Problem();
  if (!problem.empty()) return Finish(DriverStatus::Error(C::InvalidFileStructure, "0", problem));
  std::unique_ptr<Driver> driver = DriverRegistry::Make(definition.DriverName);
  if (!driver) {
    return Finish(DriverStatus::Error(C::NotSupported, "0", "no file driver named " + definition.DriverName));
  }
  Def = &definition;
  Conn = std::move(driver);
  if (buffer == nullptr) {
    OwnBuffer.assign(definition.Record->Size(), 0);
    buffer = OwnBuffer.data();
  }
  Buf = buffer;
  ProgramName = definition.FileName.empty() ? definition.Label : definition.FileName;
  for (std::string& text : RowCallTexts) text.clear();
  for (std::string& text : RowCallBuilt) text.clear();
  Opened = false;
  OpenMode = 0;
  ReadAhead = 0;
  Def->Record->Clear(Buf);
  return Finish(DriverStatus::Ok());
}

void KeyedFile::Teardown() {
  runtime::core::SyncGuard guard(Section);
  if (Def == nullptr) return;
  {
    Call call(*this, FileOpcode::Destroy, "DESTROY");
    call.Done(DriverStatus::Ok());
  }
  if (Opened) Close();
  Transaction::Withdraw(*this);
  States.clear();
  Conn.reset();
  Callbacks.clear();
  OwnBuffer.clear();
  Buf = nullptr;
  Def = nullptr;
}

size_t KeyedFile::BufferSize() const { return Def != nullptr ? Def->Record->Size() : 0; }

void KeyedFile::SetName(std::string_view name) {
  runtime::core::SyncGuard guard(Section);
  ProgramName = name;
  for (std::string& text : RowCallTexts) text.clear();
  for (std::string& text : RowCallBuilt) text.clear();
}

std::string KeyedFile::PathForDriver() const {
  std::string path = runtime::core::NativePath::Map(ProgramName);
  // The driver's extension is added only to a name that has none of its own.
  if (Conn && runtime::core::NativePath::Leaf(path).find('.') == std::string::npos) path += Conn->DefaultExtension();
  return path;
}

std::string KeyedFile::Name() const { return PathForDriver(); }

bool KeyedFile::UsableKey(int key) const { return Def != nullptr && key >= 1 && key <= KeyCount(); }

int32_t KeyedFile::Create() {
  Call call(*this, FileOpcode::Create, "CREATE(" + ProgramName + ")");
  if (call.Stopped()) return call.Stop();
  if (!Conn) return call.Done(C::FileNotOpen);
  return call.Done(Guarded([&] { return Conn->Create(*Def, PathForDriver()); }));
}

int32_t KeyedFile::Open(uint8_t mode) {
  Call call(*this, FileOpcode::Open, "OPEN(" + ProgramName + ")");
  if (call.Stopped()) return call.Stop();
  ++Mark;
  if (!Conn) return call.Done(C::FileNotOpen);
  if (Opened) return call.Done(C::AlreadyOpen);
  DriverStatus s = Guarded([&] { return Conn->Open(*Def, PathForDriver(), mode); });
  if (s.IsOk()) {
    Opened = true;
    OpenMode = mode;
  }
  return call.Done(s);
}

int32_t KeyedFile::Close() {
  Call call(*this, FileOpcode::Close, "CLOSE(" + ProgramName + ")");
  if (call.Stopped()) return call.Stop();
  ++Mark;
  // Closing a file that is not open leaves it closed, as asked.
  if (!Opened) return call.Done(DriverStatus::Ok());
  Transaction::Withdraw(*this);
  DriverStatus s = Guarded([&] { return Conn->Close(); });
  Opened = false;
  ReadDepth = 0;
  return call.Done(s);
}

bool KeyedFile::IsOpen() const { return Opened; }

int32_t KeyedFile::BuildKeys() {
  Call call(*this, FileOpcode::BuildKeys, "BUILD(" + ProgramName + ")");
  if (call.Stopped()) return call.Stop();
  if (!Conn) return call.Done(C::FileNotOpen);
  return call.Done(Guarded([&] { return Conn->BuildKeys(*Def, PathForDriver()); }));
}

void KeyedFile::ClearBuffer() {
  Call call(*this, FileOpcode::ClearBuffer, "CLEAR");
  if (call.Stopped()) {
    call.Stop();
    return;
  }
  if (Def != nullptr) Def->Record->Clear(Buf);
  call.Done(DriverStatus::Ok());
}

void KeyedFile::SetComponentToEnd(int key, size_t component, KeyEnd end) {
  runtime::core::SyncGuard guard(Section);
  if (!UsableKey(key)) return;
  const KeyDefinition& k = Def->Keys[static_cast<size_t>(key - 1)];
  if (component < 1 || component > k.Components.size()) return;
  const auto& c = k.Components[component - 1];
  const bool highest = (end == KeyEnd::Last) != (c.Order == KeyOrder::Descending);
  SetFieldToEnd(Def->Record->Field(c.Field), Buf, highest);
}

int32_t KeyedFile::GetByKey(int key) {
  Call call(*this, FileOpcode::GetByKey, "GET(" + (UsableKey(key) ? Key(key)->Name : std::string("?")) + ")");
  if (call.Stopped()) return call.Stop();
  ++Mark;
  if (!Opened) return call.Done(C::FileNotOpen);
  if (!UsableKey(key)) return call.Done(DriverStatus::Error(C::DriverError, "0", "no such key"));
  return call.Done(Guarded([&] { return Conn->GetByKey(key, Buf); }));
}

int32_t KeyedFile::GetByPosition(const std::string& position) {
  Call call(*this, FileOpcode::GetByPosition, "GET(" + ProgramName + ",position)");
  if (call.Stopped()) return call.Stop();
  ++Mark;
  if (!Opened) return call.Done(C::FileNotOpen);
  return call.Done(Guarded([&] { return Conn->GetByPosition(position, Buf); }));
}

int32_t KeyedFile::SetKeyPosition(int key, size_t components) {
  Call call(*this, FileOpcode::SetKeyPosition, "SET(" + (UsableKey(key) ? Key(key)->Name : ProgramName) + ")");
  if (call.Stopped()) return call.Stop();
  ++Mark;
  if (!Opened) return call.Done(C::FileNotOpen);
  if (key != 0 && !UsableKey(key)) return call.Done(DriverStatus::Error(C::DriverError, "0", "no such key"));
  return call.Done(Guarded([&] { return Conn->SetKeyPosition(key, components, Buf); }));
}

int32_t KeyedFile::ResetToPosition(const std::string& position) {
  Call call(*this, FileOpcode::ResetToPosition, "RESET(" + ProgramName + ")");
  if (call.Stopped()) return call.Stop();
  ++Mark;
  if (!Opened) return call.Done(C::FileNotOpen);
  return call.Done(Guarded([&] { return Conn->ResetToPosition(position); }));
}

int32_t KeyedFile::Next() {
  Call call(*this, FileOpcode::Next, RowCall::Next);
  if (call.Stopped()) return call.Stop();
  ++Mark;
  if (!Opened) return call.Done(C::FileNotOpen);
  return call.Done(Guarded([&] { return Conn->Next(Buf); }));
}

int32_t KeyedFile::Previous() {
  Call call(*this, FileOpcode::Previous, RowCall::Previous);
  if (call.Stopped()) return call.Stop();
  ++Mark;
  if (!Opened) return call.Done(C::FileNotOpen);
  return call.Done(Guarded([&] { return Conn->Previous(Buf); }));
}

int32_t KeyedFile::ReadRun(RunDirection direction, size_t count, std::vector<RunRecord>& run) {
  Call call(*this, FileOpcode::ReadRun, "RUN(" + ProgramName + ")", static_cast<int32_t>(std::min<size_t>(count, INT32_MAX)));
  // The driver replaces the records of `run` (and may reuse their storage).
  if (call.Stopped() || !Opened) run.clear();
  if (call.Stopped()) return call.Stop();
  if (!Opened) return call.Done(C::FileNotOpen);
  const int32_t code = call.Done(Guarded([&] { return Conn->ReadRun(direction, count, run); }));
  if (code != C::NoError) run.clear();
  return code;
}

int32_t KeyedFile::TakeRunRecord(const RunRecord& record, RunDirection direction) {
  const bool forward = direction == RunDirection::Forward;
  Call call(*this, forward ? FileOpcode::Next : FileOpcode::Previous, forward ? RowCall::Next : RowCall::Previous);
  if (call.Stopped()) return call.Stop();
  ++Mark;
  if (!Opened) return call.Done(C::FileNotOpen);
  return call.Done(Guarded([&] { return Conn->TakeRunRecord(record, Buf); }));
}

void KeyedFile::ExpectRunBefore(size_t count) {
  runtime::core::SyncGuard guard(Section);
  if (Opened) Conn->ExpectRunBefore(count);
}

// The brackets leave the thread's error alone when they succeed: they come and go
// around reads whose errors the caller reads afterwards.
int32_t KeyedFile::BeginRead() {
  runtime::core::SyncGuard guard(Section);
  if (!Opened) return C::FileNotOpen;
  if (ReadDepth++ > 0) return C::NoError;
  const DriverStatus s = Guarded([&] { return Conn->BeginRead(); });
  if (s.IsOk()) return C::NoError;
  ReadDepth = 0;
  return Finish(s);
}

int32_t KeyedFile::EndRead() {
  runtime::core::SyncGuard guard(Section);
  if (ReadDepth == 0 || --ReadDepth > 0 || !Opened) return C::NoError;
  const DriverStatus s = Guarded([&] { return Conn->EndRead(); });
  return s.IsOk() ? C::NoError : Finish(s);
}

std::string KeyedFile::Position(int key) {
  std::string position;
  Position(key, position);
  return position;
}

int32_t KeyedFile::Position(int key, std::string& position) {
  position.clear();
  Call call(*this, FileOpcode::Position, RowCall::Position);
  if (call.Stopped()) return call.Stop();
  if (!Opened) return call.Done(C::FileNotOpen);
  if (key != 0 && !UsableKey(key)) return call.Done(DriverStatus::Error(C::DriverError, "0", "no such key"));
  const int32_t code = call.Done(Guarded([&] { return Conn->Position(key, position); }));
  if (code != C::NoError) position.clear();
  return code;
}

void KeyedFile::ForgetCurrent() {
  runtime::core::SyncGuard guard(Section);
  ++Mark;
  if (Opened) Conn->ForgetCurrent();
  RuntimeError::Clear();
}

int32_t KeyedFile::Add() {
  Call call(*this, FileOpcode::Add, "ADD(" + ProgramName + ")");
  if (call.Stopped()) return call.Stop();
  ++Mark;
  if (!Opened) return call.Done(C::FileNotOpen);
  return call.Done(Guarded([&] { return Conn->Add(Buf); }));
}

int32_t KeyedFile::Put() {
  Call call(*this, FileOpcode::Put, "PUT(" + ProgramName + ")");
  if (call.Stopped()) return call.Stop();
  ++Mark;
  if (!Opened) return call.Done(C::FileNotOpen);
  return call.Done(Guarded([&] { return Conn->Put(Buf); }));
}

int32_t KeyedFile::Delete() {
  Call call(*this, FileOpcode::Delete, "DELETE(" + ProgramName + ")");
  if (call.Stopped()) return call.Stop();
  ++Mark;
  if (!Opened) return call.Done(C::FileNotOpen);
  return call.Done(Guarded([&] { return Conn->Delete(); }));
}

int32_t KeyedFile::Watch() {
  Call call(*this, FileOpcode::Watch, "WATCH(" + ProgramName + ")");
  if (call.Stopped()) return call.Stop();
  if (!Opened) return call.Done(C::FileNotOpen);
  return call.Done(Guarded([&] { return Conn->Watch(); }));
}

bool KeyedFile::WouldDuplicate(int key) {
  Call call(*this, FileOpcode::CheckDuplicate, "DUPLICATE(" + (UsableKey(key) ? Key(key)->Name : std::string("?")) + ")");
  if (call.Stopped()) {
    call.Stop();
    return false;
  }
  if (!Opened) {
    call.Done(C::FileNotOpen);
    return false;
  }
  if (!UsableKey(key)) {
    call.Done(DriverStatus::Error(C::DriverError, "0", "no such key"));
    return false;
  }
  bool duplicate = false;
  call.Done(Guarded([&] { return Conn->CheckDuplicate(key, Buf, duplicate); }));
  return duplicate;
}

int KeyedFile::FirstDuplicateKey() {
  runtime::core::SyncGuard guard(Section);
  for (int k = 1; k <= KeyCount(); ++k) {
    if (WouldDuplicate(k)) return k;
    if (RuntimeError::Code() != C::NoError) return 0;
  }
  return 0;
}

int32_t KeyedFile::SaveState() {
  Call call(*this, FileOpcode::SaveState, "SAVESTATE(" + ProgramName + ")");
  if (call.Stopped()) {
    call.Stop();
    return 0;
  }
  if (Def == nullptr) {
    call.Done(C::FileNotOpen);
    return 0;
  }
  SavedState state;
  state.Record.assign(static_cast<unsigned char*>(Buf), static_cast<unsigned char*>(Buf) + BufferSize());
  if (Opened) {
    const DriverStatus s = Guarded([&] { return Conn->SaveCursor(state.Cursor); });
    if (!s.IsOk()) {
      call.Done(s);
      return 0;
    }
  }
  const int32_t handle = ++LastStateHandle;
  States.emplace(handle, std::move(state));
  call.Done(DriverStatus::Ok());
  return handle;
}

int32_t KeyedFile::RestoreState(int32_t handle, bool restoreBuffer) {
  Call call(*this, FileOpcode::RestoreState, "RESTORESTATE(" + ProgramName + ")");
  if (call.Stopped()) return call.Stop();
  ++Mark;
  auto found = States.find(handle);
  if (found == States.end()) return call.Done(C::RecordNotAvailable);
  const SavedState& state = found->second;
  if (restoreBuffer) std::memcpy(Buf, state.Record.data(), std::min(state.Record.size(), BufferSize()));
  if (Opened && !state.Cursor.empty()) return call.Done(Guarded([&] { return Conn->RestoreCursor(state.Cursor); }));
  return call.Done(DriverStatus::Ok());
}

void KeyedFile::FreeState(int32_t handle) {
  Call call(*this, FileOpcode::FreeState, "FREESTATE(" + ProgramName + ")");
  States.erase(handle);
  call.Done(DriverStatus::Ok());
}

int KeyedFile::KeyCount() const { return Def != nullptr ? static_cast<int>(Def->Keys.size()) : 0; }

int KeyedFile::KeyNumber(std::string_view name) const {
  for (int k = 1; k <= KeyCount(); ++k) {
    const std::string& n = Def->Keys[static_cast<size_t>(k - 1)].Name;
    if (runtime::text::AsciiCase::Equal(n, name)) {
      return k;
    }
  }
  return 0;
}

int KeyedFile::PrimaryKey() const {
  for (int k = 1; k <= KeyCount(); ++k) {
    if (Def->Keys[static_cast<size_t>(k - 1)].Role == KeyRole::Primary) return k;
  }
  return 0;
}

const KeyDefinition* KeyedFile::Key(int key) const {
  return UsableKey(key) ? &Def->Keys[static_cast<size_t>(key - 1)] : nullptr;
}

size_t KeyedFile::FieldCount() const { return Def != nullptr ? Def->Record->FieldCount() : 0; }

std::string KeyedFile::FieldName(size_t field) const {
  if (field < 1 || field > FieldCount()) return {};
  return Def->Record->Field(field - 1).Name;
}

int64_t KeyedFile::Records() {
  runtime::core::SyncGuard guard(Section);
  if (!Opened) {
    Finish(DriverStatus::Error(C::FileNotOpen));
    return -1;
  }
  int64_t count = 0;
  if (Finish(Guarded([&] { return Conn->Records(count); })) != C::NoError) return -1;
  return count;
}

bool KeyedFile::IsPerThread() const { return Def == nullptr || Def->Sharing == FileSharing::PerThread; }

std::string KeyedFile::Property(int32_t property, int32_t index) {
  runtime::core::SyncGuard guard(Section);
  using P = FileProperty;
  std::string value;
  switch (property) {
    case P::Transaction: value = Flag(Transaction::Enlisted(*this) || InTransaction()); break;
    case P::AliasOf: break;
    case P::MemoCount: value = "0"; break;
    case P::FieldCount: value = std::to_string(FieldCount()); break;
    case P::KeyCount: value = std::to_string(KeyCount()); break;
    case P::Records: {
      const int64_t n = Records();
      return n < 0 ? std::string() : std::to_string(n);  // Records set the error
    }
    case P::Label: value = Name(); break;
    case P::FieldName: value = FieldName(static_cast<size_t>(std::max(index, 0))); break;
    case P::ReadAhead: value = std::to_string(ReadAhead); break;
    case P::PerThread: value = Flag(IsPerThread()); break;
    default: Finish(DriverStatus::Error(C::NotSupported)); return {};
  }
  RuntimeError::Clear();
  return value;
}

std::string KeyedFile::KeyProperty(int key, int32_t property, int32_t component) {
  runtime::core::SyncGuard guard(Section);
  using P = FileProperty;
  const KeyDefinition* k = Key(key);
  if (k == nullptr) {
    Finish(DriverStatus::Error(C::DriverError, "0", "no such key"));
    return {};
  }
  const bool hasComponent = component >= 1 && static_cast<size_t>(component) <= k->Components.size();
  std::string value;
  switch (property) {
    case P::Label: value = k->Name; break;
    case P::Components: value = std::to_string(k->Components.size()); break;
    case P::Duplicates: value = Flag(k->Duplicates == KeyDuplicates::Allowed); break;
    case P::KeyFlags: value = std::to_string(k->Flags()); break;
    case P::NoCase: value = Flag(k->Case == KeyCase::NoCase); break;
    case P::Primary: value = Flag(k->Role == KeyRole::Primary); break;
    case P::ComponentField:
      if (!hasComponent) break;
      value = std::to_string(k->Components[static_cast<size_t>(component - 1)].Field + 1);
      break;
    case P::ComponentAscending:
      if (!hasComponent) break;
      value = Flag(k->Components[static_cast<size_t>(component - 1)].Order == KeyOrder::Ascending);
      break;
    default: Finish(DriverStatus::Error(C::NotSupported)); return {};
  }
  RuntimeError::Clear();
  return value;
}

int32_t KeyedFile::SetProperty(int32_t property, std::string_view value, int32_t /*index*/) {
  Call call(*this, FileOpcode::SetProperty, "PROP(" + std::to_string(property) + ")", property);
  if (call.Stopped()) return call.Stop();
  switch (property) {
    case FileProperty::Transaction:
      if (!Opened) return call.Done(C::FileNotOpen);
      if (value == "0" || value.empty()) {
        if (!InTransaction()) Transaction::Withdraw(*this);
        return call.Done(DriverStatus::Ok());
      }
      if (!Conn->SupportsTransactions()) return call.Done(C::NotSupported);
      Transaction::Enlist(*this);
      return call.Done(DriverStatus::Ok());
    case FileProperty::ReadAhead: {
      int32_t n = 0;
      for (char c : value) {
        if (c < '0' || c > '9' || n > std::numeric_limits<int32_t>::max() / 10 - 1) {
          return call.Done(DriverStatus::Error(C::NotSupported, "0", "the read-ahead count is a number"));
        }
        n = n * 10 + (c - '0');
      }
      ReadAhead = n;
      return call.Done(DriverStatus::Ok());
    }
    default: return call.Done(C::NotSupported);
  }
}

std::string KeyedFile::Send(std::string_view option) {
  Call call(*this, FileOpcode::Send, "SEND(" + std::string(option) + ")");
  if (call.Stopped()) {
    call.Stop();
    return {};
  }
  if (!Conn) {
    call.Done(C::FileNotOpen);
    return {};
  }
  std::string answer;
  call.Done(Guarded([&] { return Conn->Send(std::string(option), answer); }));
  return answer;
}

void KeyedFile::AddCallback(FileCallback* callback) {
  runtime::core::SyncGuard guard(Section);
  if (callback != nullptr && std::find(Callbacks.begin(), Callbacks.end(), callback) == Callbacks.end()) {
    Callbacks.push_back(callback);
  }
}

void KeyedFile::RemoveCallback(FileCallback* callback) {
  runtime::core::SyncGuard guard(Section);
  std::erase(Callbacks, callback);
}

int32_t KeyedFile::BeginTransaction(int32_t timeoutSeconds) {
  Call call(*this, FileOpcode::Begin, "BEGIN(" + ProgramName + ")");
  if (call.Stopped()) return call.Stop();
  ++Mark;
  if (!Opened) return call.Done(C::FileNotOpen);
  if (!Conn->SupportsTransactions()) return call.Done(C::NotSupported);
  return call.Done(Guarded([&] { return Conn->Begin(timeoutSeconds); }));
}

int32_t KeyedFile::CommitTransaction() {
  Call call(*this, FileOpcode::Commit, "COMMIT(" + ProgramName + ")");
  if (call.Stopped()) return call.Stop();
  ++Mark;
  if (!Opened) return call.Done(C::FileNotOpen);
  return call.Done(Guarded([&] { return Conn->Commit(); }));
}

int32_t KeyedFile::RollbackTransaction() {
  Call call(*this, FileOpcode::Rollback, "ROLLBACK(" + ProgramName + ")");
  if (call.Stopped()) return call.Stop();
  ++Mark;
  if (!Opened) return call.Done(C::FileNotOpen);
  return call.Done(Guarded([&] { return Conn->Rollback(); }));
}

bool KeyedFile::InTransaction() const { return Opened && Conn && Conn->InTransaction(); }

}  // namespace runtime::files
