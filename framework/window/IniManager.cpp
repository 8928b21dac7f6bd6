#include "framework/window/IniManager.h"

#include <string>
#include <vector>

#include "runtime/core/RuntimeError.h"
#include "runtime/core/SyncGuard.h"
#include "runtime/settings/IniFile.h"
#include "runtime/settings/SettingsStore.h"
#include "runtime/text/Utf8.h"
#include "runtime/ui/Prop.h"
#include "runtime/ui/WindowModel.h"

namespace framework::window {
namespace {

using runtime::core::SyncGuard;
using runtime::data::FieldRef;
using runtime::data::QueueAccess;
using runtime::data::RecordQueue;
using runtime::settings::IniFile;
using runtime::settings::SettingsStore;

constexpr char ListSeparator = ',';
constexpr std::string_view SectorSeparator = "$";
constexpr std::string_view ItemEnd = "$$";
constexpr std::string_view EscapedDollar = "$$$";
constexpr char KeyPathSeparator = '\\';
// No stored value can hold a line break, so this default tells "missing" from "empty".
constexpr std::string_view MissingMarker = "\n";

// At most `limit` bytes of `text`, never cutting a UTF-8 character in half.
std::string CutUtf8(std::string_view text, size_t limit) {
  return std::string(runtime::text::Utf8::Prefix(text, limit));
}

std::string RecordEntry(std::string_view entry, size_t position) {
  return std::string(entry) + "_" + std::to_string(position);
}

std::string Escape(std::string_view item) {
  std::string out;
  for (char c : item) {
    if (c == '$') {
      out += EscapedDollar;
    } else {
      out += c;
    }
  }
  return out;
}

std::string Unescape(std::string_view item) {
  std::string out;
  for (size_t i = 0; i < item.size();) {
    if (item.substr(i, EscapedDollar.size()) == EscapedDollar) {
      out += '$';
      i += EscapedDollar.size();
    } else {
      out += item[i++];
    }
  }
  return out;
}

void CopyText(char (&target)[SectorEntry::TextSize], std::string_view text) {
  FieldRef::Of(target).SetText(text);  // cuts to the field's size at a character boundary
}

}  // namespace

IniManager::IniManager() : CritSect(std::make_unique<runtime::core::CriticalSection>()) {}

IniManager::~IniManager() {
  Teardown();
  CritSect.reset();
}

std::string IniManager::FetchQuiet(std::string_view section, std::string_view entry,
                                   std::string_view defaultValue, std::string_view file) {
  SyncGuard guard(*CritSect);
  switch (NVType) {
    case StorageIniFile:
      return IniFile::Read(file, section, entry, defaultValue);
    case StorageSettingsStore: {
      std::string value = SettingsStore::Read(StoreRoot(), StoreKeyPath(section), entry, "");
      return value.empty() ? std::string(defaultValue) : value;
    }
    default:
      return "";
  }
}

bool IniManager::UpdateQuiet(std::string_view section, std::string_view entry, std::string_view value,
                             std::string_view file) {
  SyncGuard guard(*CritSect);
  switch (NVType) {
    case StorageIniFile:
      return IniFile::Write(file, section, entry, value);
    case StorageSettingsStore:
      if (value.empty()) return DeleteEntry(section, entry);
      return SettingsStore::Write(StoreRoot(), StoreKeyPath(section), entry, value);
    default:
      return true;
  }
}

void IniManager::InitHook() {}

bool IniManager::DeleteEntry(std::string_view section, std::string_view entry) {
  SyncGuard guard(*CritSect);
  switch (NVType) {
    case StorageIniFile:
      return IniFile::Delete(FileName, section, entry);
    case StorageSettingsStore:
      return SettingsStore::Delete(StoreRoot(), StoreKeyPath(section), entry);
    default:
      return true;
  }
}

void IniManager::UpdateHook() {}

void IniManager::Init(std::string_view fileName, int32_t nvType, int32_t extraData) {
  SyncGuard guard(*CritSect);
  Teardown();
  FileName = CutUtf8(fileName, FileNameLimit);
  NVType = nvType;
  ExtraData = extraData;
  Sectors = std::make_unique<RecordQueue<SectorEntry>>();
  InitHook();
  ReadList(SectorsSection, SectorsEntry, *Sectors, FieldRef::Of(Sectors->Buffer.Family),
           FieldRef::Of(Sectors->Buffer.Item), FieldRef::Of(Sectors->Buffer.Type));
}

void IniManager::Teardown() {
  SyncGuard guard(*CritSect);
  if (!Sectors) return;
  WriteBackSectors();
  Sectors.reset();
}

void IniManager::WriteBackSectors() {
  // Another copy of the program may have registered sectors since Init; sectors are
  // only ever added, so keeping the union loses nobody's.
  RecordQueue<SectorEntry> stored;
  ReadList(SectorsSection, SectorsEntry, stored, FieldRef::Of(stored.Buffer.Family),
           FieldRef::Of(stored.Buffer.Item), FieldRef::Of(stored.Buffer.Type));
  for (const SectorEntry& entry : stored.All()) {
    Sectors->Buffer = entry;
    if (Sectors->Find(SectorEntry::KeyLess) == 0) Sectors->AddOrdered(SectorEntry::KeyLess);
  }
  UpdateQueue(SectorsSection, SectorsEntry, *Sectors, FieldRef::Of(Sectors->Buffer.Family),
              FieldRef::Of(Sectors->Buffer.Item), FieldRef::Of(Sectors->Buffer.Type));
}

std::string IniManager::Fetch(std::string_view section, std::string_view entry) {
  SyncGuard guard(*CritSect);
  return FetchQuiet(section, entry, "", FileName);
}

std::string IniManager::FetchString(std::string_view section, std::string_view entry) {
  SyncGuard guard(*CritSect);
  return CutUtf8(FetchQuiet(section, entry, UnknownValue, FileName), FetchStringLimit);
}

bool IniManager::FetchValue(std::string_view section, std::string_view entry, const FieldRef& variable) {
  SyncGuard guard(*CritSect);
  if (variable.IsNull()) return false;
  FieldRef target = variable;
  return target.SetText(FetchQuiet(section, entry, variable.GetText(), FileName));
}

std::string IniManager::ReadField(std::string_view section, std::string_view entry, int32_t n) {
  SyncGuard guard(*CritSect);
  const std::string text = FetchString(section, entry);
  size_t start = 0;
  for (int32_t field = 1; field < n; ++field) {
    const size_t comma = text.find(ListSeparator, start);
    if (comma == std::string::npos) return "";
    start = comma + 1;
  }
  const size_t end = text.find(ListSeparator, start);
  return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

bool IniManager::Update(std::string_view section, std::string_view entry, std::string_view value) {
  SyncGuard guard(*CritSect);
  return UpdateQuiet(section, entry, value, FileName);
}

bool IniManager::Update(std::string_view section, std::string_view entry, int64_t value) {
  return Update(section, entry, std::string_view(std::to_string(value)));
}

bool IniManager::Update(std::string_view section, std::string_view entry, const FieldRef& value) {
  return Update(section, entry, std::string_view(value.GetText()));
}

bool IniManager::Exists(std::string_view section, std::string_view entry) {
  if (NVType != StorageIniFile && NVType != StorageSettingsStore) return false;
  return FetchQuiet(section, entry, MissingMarker, FileName) != MissingMarker;
}

bool IniManager::UpdateQueue(std::string_view section, std::string_view entry, QueueAccess& queue,
                             const FieldRef& first, const FieldRef& second, const FieldRef& third,
                             const FieldRef& fourth) {
  SyncGuard guard(*CritSect);
  if (first.IsNull()) return false;
  const size_t count = queue.Records();
  bool ok = Update(section, entry, static_cast<int64_t>(count));
  for (size_t position = 1; position <= count; ++position) {
    queue.Get(position);
    std::string text = first.GetText();
    for (const FieldRef* field : {&second, &third, &fourth}) {
      if (field->IsNull()) continue;
      text += ListSeparator;
      text += field->GetText();
    }
    ok = UpdateQuiet(section, RecordEntry(entry, position), CutUtf8(text, QueueRecordLimit), FileName) && ok;
  }
  // Records of an earlier, longer queue would otherwise linger under numbers past the count.
  for (size_t position = count + 1; Exists(section, RecordEntry(entry, position)); ++position) {
    if (!DeleteEntry(section, RecordEntry(entry, position))) {
      ok = false;
      break;
    }
  }
  return ok;
}

void IniManager::ReadList(std::string_view section, std::string_view entry, QueueAccess& queue,
                          const FieldRef& first, const FieldRef& second, const FieldRef& third,
                          const FieldRef& fourth) {
  SyncGuard guard(*CritSect);
  if (first.IsNull()) return;
  int32_t count = 0;
  FieldRef::Of(count).SetText(Fetch(section, entry));
  std::vector<FieldRef> fields{first};
  for (const FieldRef* field : {&second, &third, &fourth}) {
    if (!field->IsNull()) fields.push_back(*field);
  }
  for (int32_t position = 1; position <= count; ++position) {
    const std::string text = FetchQuiet(section, RecordEntry(entry, static_cast<size_t>(position)), MissingMarker,
                                        FileName);
    // A damaged count must not send us through millions of missing records.
    if (text == MissingMarker) break;
    std::string_view rest = text;
    bool more = true;
    for (size_t i = 0; i < fields.size(); ++i) {
      if (!more) {
        fields[i].Clear();
        continue;
      }
      const size_t comma = i + 1 == fields.size() ? std::string_view::npos : rest.find(ListSeparator);
      if (comma == std::string_view::npos) {
        fields[i].SetText(rest);
        more = false;
      } else {
        fields[i].SetText(rest.substr(0, comma));
        rest.remove_prefix(comma + 1);
      }
    }
    queue.Add();
  }
}

namespace {

// A window's stored state; a position or size of AbsentValue is not stored.
struct WindowPosition {
  int32_t X = IniManager::AbsentValue;
  int32_t Y = IniManager::AbsentValue;
  int32_t W = IniManager::AbsentValue;
  int32_t H = IniManager::AbsentValue;
  bool Maximized = false;
  bool Minimized = false;
};

int32_t WindowProp(int32_t window, int32_t prop) {
  return static_cast<int32_t>(runtime::ui::WindowModel::GetPropInt(window, 0, prop));
}

}  // namespace

bool IniManager::SaveWindow(std::string_view procedureName, int32_t window) {
  auto state = runtime::ui::WindowModel::Snapshot(window);
  return state && SaveWindow(procedureName, *state);
}

bool IniManager::SaveWindow(std::string_view procedureName, const runtime::ui::Window& state) {
  SyncGuard guard(*CritSect);
  WindowPosition position;
  position.Maximized = state.Maximized;
  position.Minimized = state.Iconized;
  if (!position.Maximized && !position.Minimized) {
    position.X = state.X;
    position.Y = state.Y;
    if (state.Resizable) {
      position.W = state.Width;
      position.H = state.Height;
    }
  }
  const std::pair<std::string_view, int32_t> values[] = {
      {XPosEntry, position.X}, {YPosEntry, position.Y}, {WidthEntry, position.W}, {HeightEntry, position.H}};
  if (NVType == StorageIniFile) {
    // One write for the whole position: a failure (a full disk) stores none of it
    // rather than a mix of the old and the new, and a large file is rewritten once.
    using Change = runtime::settings::IniFile::Change;
    using Kind = runtime::settings::IniFile::ChangeKind;
    const std::string section(procedureName);
    std::vector<Change> changes{
        {section, std::string(MaximizeEntry), std::string(position.Maximized ? YesText : NoText), Kind::Set},
        {section, std::string(MinimizeEntry), std::string(position.Minimized ? YesText : NoText), Kind::Set}};
    for (const auto& [entry, value] : values) {
      if (value == AbsentValue) changes.push_back({section, std::string(entry), {}, Kind::Remove});
      else changes.push_back({section, std::string(entry), std::to_string(value), Kind::Set});
    }
    return runtime::settings::IniFile::Apply(FileName, changes);
  }
  bool ok = Update(procedureName, MaximizeEntry, position.Maximized ? YesText : NoText);
  ok = Update(procedureName, MinimizeEntry, position.Minimized ? YesText : NoText) && ok;
  for (const auto& [entry, value] : values) {
    if (value == AbsentValue) ok = DeleteEntry(procedureName, entry) && ok;
    else ok = Update(procedureName, entry, static_cast<int64_t>(value)) && ok;
  }
  return ok;
}

void IniManager::RestoreWindow(std::string_view procedureName, int32_t window) {
  using runtime::ui::Prop;
  using runtime::ui::WindowModel;
  SyncGuard guard(*CritSect);
  const std::string maximize = Fetch(procedureName, MaximizeEntry);
  if (maximize != NoText && maximize != YesText) return;
  WindowPosition position;
  position.Maximized = maximize == YesText;
  position.Minimized = Fetch(procedureName, MinimizeEntry) == YesText;
  FetchValue(procedureName, XPosEntry, FieldRef::Of(position.X));
  FetchValue(procedureName, YPosEntry, FieldRef::Of(position.Y));
  FetchValue(procedureName, WidthEntry, FieldRef::Of(position.W));
  FetchValue(procedureName, HeightEntry, FieldRef::Of(position.H));

  const bool wasMaximized = WindowProp(window, Prop::Maximize) != 0;
  if (!position.Maximized && wasMaximized) WindowModel::SetPropInt(window, 0, Prop::Maximize, 0);
  // A position that was not stored leaves the window where its definition put it.
  if (position.X != AbsentValue) WindowModel::SetPropInt(window, 0, Prop::XPos, position.X);
  if (position.Y != AbsentValue) WindowModel::SetPropInt(window, 0, Prop::YPos, position.Y);
  if (WindowProp(window, Prop::Resize) != 0) {
    if (position.W != AbsentValue) WindowModel::SetPropInt(window, 0, Prop::Width, position.W);
    if (position.H != AbsentValue) WindowModel::SetPropInt(window, 0, Prop::Height, position.H);
  }
  if (position.Maximized && !wasMaximized) WindowModel::SetPropInt(window, 0, Prop::Maximize, 1);
  // A window is never opened minimized: a person would not find it, and the program
  // would go on acting on a window nobody sees. Its next save stores it as it is shown.
  WindowModel::SetPropInt(window, 0, Prop::Iconize, 0);
}

void IniManager::AddSector(std::string_view sectorName) {
  SyncGuard guard(*CritSect);
  if (!Sectors) return;
  std::string_view family = sectorName;
  std::string_view item;
  std::string_view type;
  if (const size_t dollar = sectorName.find(SectorSeparator); dollar != std::string_view::npos) {
    family = sectorName.substr(0, dollar);
    const std::string_view rest = sectorName.substr(dollar + SectorSeparator.size());
    item = rest;
    // The item ends at the first "$$" that is not the start of an escaped "$$$".
    for (size_t at = rest.find('$'); at != std::string_view::npos; at = rest.find('$', at)) {
      if (rest.substr(at, EscapedDollar.size()) == EscapedDollar) {
        at += EscapedDollar.size();
      } else if (rest.substr(at, ItemEnd.size()) == ItemEnd) {
        item = rest.substr(0, at);
        type = rest.substr(at + ItemEnd.size());
        break;
      } else {
        ++at;
      }
    }
  }
  SectorEntry& buffer = Sectors->Buffer;
  CopyText(buffer.Family, family);
  CopyText(buffer.Item, item);
  CopyText(buffer.Type, type);
  if (Sectors->Find(SectorEntry::KeyLess) == 0) Sectors->AddOrdered(SectorEntry::KeyLess);
}

void IniManager::GetSectors(std::string_view family, std::string_view item, std::string_view type,
                            RecordQueue<SectorEntry>& result) {
  SyncGuard guard(*CritSect);
  result.Free();
  if (!Sectors) return;
  for (const SectorEntry& entry : Sectors->All()) {
    const std::string plainItem = Unescape(entry.Item);
    if (!family.empty() && family != entry.Family) continue;
    if (!item.empty() && item != plainItem) continue;
    if (!type.empty() && type != entry.Type) continue;
    result.Buffer = entry;
    CopyText(result.Buffer.Item, plainItem);
    result.Add();
  }
}

std::string IniManager::SectorName(std::string_view family, std::string_view item, std::string_view type) {
  SyncGuard guard(*CritSect);
  return std::string(family) + std::string(SectorSeparator) + Escape(item) + std::string(ItemEnd) +
         std::string(type);
}

uint32_t IniManager::StoreRoot() const {
  return ExtraData == 0 ? SettingsStore::ClassesRoot : static_cast<uint32_t>(ExtraData);
}

std::string IniManager::StoreKeyPath(std::string_view section) const {
  if (FileName.empty()) return std::string(section);
  return FileName + KeyPathSeparator + std::string(section);
}

}  // namespace framework::window
