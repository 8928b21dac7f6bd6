#pragma once
// Query-by-example: the fields a browse can be narrowed by, the example values the
// user gave for them (a single value with optional operator prefix and wildcards, or a
// range), and the one filter expression those values mean in the runtime's filter
// language (BuildFilter). Queries can be saved under names in the INI file (each in
// its own sector, family + name + "Query"), restored, kept as the most recent one
// ("tsMRU"), and offered again as items of the browse's popup menu.
//
// Set-up: Init, then AddField per field in the order the form shows them. A browse
// that owns a query sets its Query link to it.
//
// Failures: a field without a value adds nothing to the filter; the filter is not
// validated here (the view reports one it cannot evaluate when it opens). Restoring a
// saved field the query no longer has raises "Unsupported QBE Column" (47) once per
// field and drops it. Without an INI manager nothing is saved or listed.
//
// Thread safety: the owning window's thread only. The INI manager it writes through
// is itself safe for any thread.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/query/QbeField.h"
#include "framework/query/SavedQueryEntry.h"
#include "runtime/data/RecordQueue.h"

namespace framework::error {
class ErrorManager;
}
namespace framework::popup {
class PopupManager;
}
namespace framework::window {
class IniManager;
}

namespace framework::query {

class QbeForm;

class QbeQuery {
 public:
  // The longest filter expression built, in bytes.
  static constexpr size_t FilterLimit = 4999;
  // Names and values taking part in one condition are cut to these lengths.
  static constexpr size_t ConditionNameLimit = 99;
  static constexpr size_t ConditionValueLimit = 999;
  // At most this many operator characters are read from the front of a value.
  static constexpr size_t OperatorPrefixLimit = 20;
  // The most recent query's name; never listed among the saved queries.
  static constexpr const char* MostRecentName = "tsMRU";
  // The third part of every saved query's sector name.
  static constexpr const char* SectorType = "Query";
  // The entry (within a saved query's section) holding its fields.
  static constexpr const char* FieldsEntry = "Fields";
  // Names and texts of the popup items the query adds.
  static constexpr const char* SeparatorName = "tsQBESeparator1";
  static constexpr const char* ViewText = "View";
  static constexpr const char* EmptyText = "Empty";
  static constexpr size_t EmptyTextWidth = 12;
  static constexpr const char* EmptyName = "tsQBEEmpty";
  static constexpr const char* ClearSeparatorName = "ClearSeparator";
  static constexpr const char* ClearText = "C&lear";
  static constexpr const char* ClearName = "tsQBEClear";
  // The event a saved-query item posts to the browse's query button.
  static constexpr int32_t ItemEvent = 2;
  // Depths of the "View" submenu and of its items.
  static constexpr int32_t TopDepth = 1;
  static constexpr int32_t SubmenuDepth = 2;
  // Operator names of the wildcard forms.
  static constexpr const char* ContainsOperator = "Contains";
  static constexpr const char* BeginsOperator = "Begins";

  QbeQuery();
  ~QbeQuery();
  QbeQuery(const QbeQuery&) = delete;
  QbeQuery& operator=(const QbeQuery&) = delete;

  // `errors` reports unsupported saved columns (may be null: nothing is reported);
  // `ini` keeps saved queries under `family` (null: none are kept). A second Init
  // starts over.
  void Init(framework::error::ErrorManager* errors, framework::window::IniManager* ini, std::string_view family);
  // Forgets the fields and the popup items. Safe to call twice.
  void Teardown();

  // Adds a field: its filter-language name, caption and display picture (with or
  // without its "@").
  void AddField(std::string_view name, std::string_view title, std::string_view picture,
                bool forceEditPicture = false);

  // ---- Filter building ----
  // The filter of the current values (at most FilterLimit bytes); "" when no field
  // holds a value. In single-value mode a range is folded into Middle first.
  std::string BuildFilter();
  // Empties Low, Middle and High of every field.
  void ClearValues();
  // 1 one value per field, 2 ranges allowed: the form's, 2 without a form.
  int32_t Mode() const;

  // ---- What a browse asks ----
  // Lets the user edit the values in the form; true when a query was accepted. False
  // without a form.
  bool Ask();
  // The filter of the last accepted or chosen query (BuildFilter keeps it).
  const std::string& QueryText() const { return Text; }
  void ClearQuery() { Text.clear(); }

  // ---- Saved queries ----
  // Stores every field's Name, Middle, High and Low under `name` and registers the
  // section. False without an INI manager, for an empty name, or when a write failed.
  bool SaveQuery(std::string_view name);
  // Clears the values, then fills them from what was saved under `name` (nothing
  // saved: all stay empty).
  void RestoreQuery(std::string_view name);
  // The saved queries of the family, sorted on Item, without the most recent one.
  void LoadSavedQueryList(std::vector<SavedQueryEntry>& list);
  // A choice from the popup: restores the chosen saved query (anything else the query
  // did not add clears the values) and keeps the result as the most recent query.
  // False (nothing done) when saved queries are not enabled.
  bool OnPopupChoice(framework::popup::PopupManager& popup);
  // Rebuilds the query's items in `popup`; chosen items post ItemEvent to `control`.
  void RefreshPopup(framework::popup::PopupManager& popup, int32_t control);

  // ---- Fields ----
  std::unique_ptr<runtime::data::RecordQueue<QbeField>> Fields;
  std::string LastQuery;      // the saved query chosen last (at most 100 bytes)
  framework::error::ErrorManager* Errors = nullptr;
  framework::window::IniManager* IniMgr = nullptr;
  std::string Family;
  QbeForm* Form = nullptr;
  // The popup items the query added (see SavedQueryEntry).
  std::vector<SavedQueryEntry> PopupEntries;
  std::string SubmenuIcon;
  std::string ItemIcon;
  uint8_t SaveQueries = 1;

 private:
  // The saved-field record moved through the INI manager's queue storage.
  struct SavedField {
    std::string Name;
    std::string Middle;
    std::string High;
    std::string Low;
  };
  // The conditions of one field, appended to `conditions`.
  void AddConditions(QbeField& field, int32_t mode, std::vector<std::string>& conditions) const;
  std::string SectionOf(std::string_view name);
  std::string Text;
};

}  // namespace framework::query
