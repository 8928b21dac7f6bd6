#pragma once
// Named settings kept between runs, for every window and for saved queries: in an
// INI file (NVType 0), in the settings store that stands in for a registry (NVType 1),
// or nowhere (NVType 2). Besides single entries it stores whole queues (a count entry
// and one entry per record, fields joined by ",") and keeps the list of known
// "sectors" (named groups of settings, such as one saved query), loaded at Init and
// written back at Teardown.
//
// One instance serves the whole process. Every operation holds CritSect (re-entrant)
// for its whole duration, so any thread may call any operation; the fields are
// guarded by CritSect and are read directly only by derived classes inside an
// operation. The queue given to UpdateQueue and ReadList must not be used by another
// thread meanwhile (its buffer is moved through).
//
// Window positions: SaveWindow stores a window's state, position and (when the user
// may resize it) size in a section named after its procedure ("Main"); RestoreWindow
// puts them back after the window opened. A window with nothing stored keeps the
// position and size of its definition.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "framework/window/SectorEntry.h"
#include "runtime/core/CriticalSection.h"
#include "runtime/data/FieldRef.h"
#include "runtime/data/QueueAccess.h"
#include "runtime/data/RecordQueue.h"
#include "runtime/ui/Window.h"

namespace framework::window {

class IniManager {
 public:
  // Where the settings live (NVType).
  static constexpr int32_t StorageIniFile = 0;
  static constexpr int32_t StorageSettingsStore = 1;
  static constexpr int32_t StorageNone = 2;

  static constexpr size_t FileNameLimit = 259;     // characters kept of the file name
  static constexpr size_t FetchStringLimit = 1000; // bytes FetchString returns at most
  static constexpr size_t QueueRecordLimit = 5000; // bytes of one stored queue record
  static constexpr size_t SectorPartLimit = SectorEntry::TextSize - 1;

  static constexpr std::string_view UnknownValue = "---Unknown---";
  static constexpr std::string_view SectorsSection = "__Dont_Touch_Me__";
  static constexpr std::string_view SectorsEntry = "Sectors";

  // Creates CritSect; the manager is usable after Init.
  IniManager();
  IniManager(const IniManager&) = delete;
  IniManager& operator=(const IniManager&) = delete;

  // Virtual operations, in their fixed order.
  // Tears down when that has not happened, then destroys CritSect.
  virtual ~IniManager();
  // The stored value, or `defaultValue` when there is none. Records nothing.
  virtual std::string FetchQuiet(std::string_view section, std::string_view entry, std::string_view defaultValue,
                                 std::string_view file);
  // Stores `value`; false on failure, with the runtime error set (see IniFile::Write).
  virtual bool UpdateQuiet(std::string_view section, std::string_view entry, std::string_view value,
                           std::string_view file);
  // Called by Init before the sectors are loaded; does nothing here.
  virtual void InitHook();
  // Removes the entry; a missing one is success.
  virtual bool DeleteEntry(std::string_view section, std::string_view entry);
  // Called before the manager is torn down at program end; does nothing here.
  virtual void UpdateHook();

  // Sets the storage (file name cut to FileNameLimit, NVType, ExtraData: the root key
  // for NVType 1, 0 meaning the classes root) and loads the sectors. A second Init
  // first tears the first one down.
  void Init(std::string_view fileName, int32_t nvType, int32_t extraData);
  // Writes the sectors back (adding any that another program stored meanwhile) and
  // disposes them. Safe to call twice.
  void Teardown();

  // The value, or the empty text.
  std::string Fetch(std::string_view section, std::string_view entry);
  // The value, or "---Unknown---"; at most FetchStringLimit bytes.
  std::string FetchString(std::string_view section, std::string_view entry);
  // Reads into `variable`, whose current value is the default, converting to its
  // kind; false (variable unchanged) when the stored text does not fit the kind.
  bool FetchValue(std::string_view section, std::string_view entry, const runtime::data::FieldRef& variable);
  // Field `n` (1-based; 1 when n < 1) of FetchString's result split at ","; the field
  // runs to the next "," or the end of the text; empty when there are fewer fields.
  std::string ReadField(std::string_view section, std::string_view entry, int32_t n);

  bool Update(std::string_view section, std::string_view entry, std::string_view value);
  bool Update(std::string_view section, std::string_view entry, int64_t value);
  bool Update(std::string_view section, std::string_view entry, const runtime::data::FieldRef& value);

  // Stores every record of `queue`: `entry` holds the count, entry + "_" + i record i
  // with the given fields' texts joined by "," (cut to QueueRecordLimit). Records left
  // over from a longer earlier queue are removed. `first` is required; absent (null)
  // further fields are skipped. The queue's buffer ends up holding its last record.
  bool UpdateQueue(std::string_view section, std::string_view entry, runtime::data::QueueAccess& queue,
                   const runtime::data::FieldRef& first, const runtime::data::FieldRef& second = {},
                   const runtime::data::FieldRef& third = {}, const runtime::data::FieldRef& fourth = {});
  // Adds one queue record per stored record, filling the given fields (which point into
  // the queue's buffer) in order from the stored text split at ","; the last given
  // field takes the rest of the text, commas included. Absent fields are left alone.
  // Reading stops at the first missing record.
  void ReadList(std::string_view section, std::string_view entry, runtime::data::QueueAccess& queue,
                const runtime::data::FieldRef& first, const runtime::data::FieldRef& second = {},
                const runtime::data::FieldRef& third = {}, const runtime::data::FieldRef& fourth = {});

  // Entries of a window's section.
  static constexpr std::string_view MaximizeEntry = "Maximize";
  static constexpr std::string_view MinimizeEntry = "Minimize";
  static constexpr std::string_view XPosEntry = "XPos";
  static constexpr std::string_view YPosEntry = "YPos";
  static constexpr std::string_view WidthEntry = "Width";
  static constexpr std::string_view HeightEntry = "Height";
  static constexpr std::string_view YesText = "Yes";
  static constexpr std::string_view NoText = "No";
  // A position or size that is not stored.
  static constexpr int32_t AbsentValue = INT32_MIN;

  // Stores the window's state under section `procedureName`: "Maximize" and
  // "Minimize" as "Yes"/"No"; "XPos" and "YPos" when it is neither maximized nor
  // minimized, and "Width" and "Height" too when it is resizable; an entry without a
  // value is deleted. False when a write failed.
  bool SaveWindow(std::string_view procedureName, int32_t window);
  // The same from a window's state (a window that has closed meanwhile).
  bool SaveWindow(std::string_view procedureName, const runtime::ui::Window& state);
  // Puts back what SaveWindow stored; nothing when "Maximize" holds neither "Yes" nor
  // "No". A position or size that is not stored leaves the window's own.
  void RestoreWindow(std::string_view procedureName, int32_t window);

  // Registers a sector by its name (see SectorName); a known one is not added again.
  void AddSector(std::string_view sectorName);
  // Empties `result`, then adds every known sector matching each non-empty filter, in
  // key order, with its Item unescaped. The item filter is compared with the
  // unescaped Item.
  void GetSectors(std::string_view family, std::string_view item, std::string_view type,
                  runtime::data::RecordQueue<SectorEntry>& result);
  // Family + "$" + Item with every "$" written three times + "$$" + Type.
  std::string SectorName(std::string_view family, std::string_view item, std::string_view type);

  // Fields (guarded by CritSect).
  std::string FileName;
  std::unique_ptr<runtime::data::RecordQueue<SectorEntry>> Sectors;
  int32_t NVType = StorageIniFile;
  int32_t ExtraData = 0;
  std::unique_ptr<runtime::core::CriticalSection> CritSect;

 private:
  // The settings-store root and key path for `section`.
  uint32_t StoreRoot() const;
  std::string StoreKeyPath(std::string_view section) const;
  bool Exists(std::string_view section, std::string_view entry);
  void WriteBackSectors();
};

}  // namespace framework::window
