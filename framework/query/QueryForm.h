#pragma once
// The window in which the user edits a query's example values and manages its saved
// queries: "Query by Example Settings". Its "Query Settings" tab shows one row per
// field of the query (its title and, in range mode, From, Value and To entries; in
// single mode just Value); its "Saved Queries" tab lists the saved queries, with a
// name entry and Save and Restore buttons. OK accepts the values (and keeps them as
// the most recent query), Cancel and closing the window leave the query as it was,
// Clear empties every value.
//
//   ?SHEET1  ?TAB1 "Saved Queries":  ?SavedList, ?QueryName, ?SaveQuery, ?RestoreQuery
//            ?TAB2 "Query Settings": per field n: ?Title<n>, ?Low<n>, ?Value<n>, ?High<n>
//   ?OK "&OK" (default)   ?CANCEL "&Cancel"   ?CLEAR "C&lear"
//
// Thread safety: Ask opens the window on the calling thread and runs its event loop
// there (nested in the calling window's loop); one Ask at a time per form.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/query/QbeForm.h"
#include "runtime/ui/PostedEvent.h"
#include "runtime/ui/WindowDefinition.h"

namespace framework::query {

class QueryForm : public QbeForm {
 public:
  static constexpr const char* Title = "Query by Example Settings";
  static constexpr const char* ResourceName = "P3$W";
  static constexpr const char* FontName = "Microsoft Sans Serif";
  static constexpr int32_t FontSize = 8;

  // `mode` ModeSingle or ModeRanges; `owner` the window the form belongs to (0: none).
  explicit QueryForm(int32_t mode = ModeRanges, int32_t owner = 0) : FormMode(mode), Owner(owner) {}

  int32_t Mode() const override { return FormMode; }
  bool Ask(QbeQuery& query) override;

  // The window for `query`'s fields in `mode`.
  static runtime::ui::WindowDefinition Definition(const QbeQuery& query, int32_t mode);

  int32_t FormMode;
  int32_t Owner;

 private:
  // The screen values of one field: Low, Middle, High.
  using Values = std::array<std::string, 3>;
  int32_t OnEvent(const runtime::ui::PostedEvent& event);
  // Screen to work values to the query, and back.
  void TakeValues();
  void ShowValues();
  void ShowSavedList();

  QbeQuery* Query = nullptr;
  int32_t Window = 0;
  bool Accepted = false;
  std::vector<Values> Work;
  std::string QueryName;
  std::vector<std::string> SavedNames;
};

}  // namespace framework::query
