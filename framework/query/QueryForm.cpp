#include "framework/query/QueryForm.h"

#include <algorithm>
#include <string_view>

#include "framework/query/QbeQuery.h"
#include "runtime/data/FieldRef.h"
#include "runtime/ui/Event.h"
#include "runtime/ui/EventLoop.h"
#include "runtime/ui/EventResult.h"
#include "runtime/ui/WindowBuilder.h"
#include "runtime/ui/WindowModel.h"

namespace framework::query {

namespace {

using runtime::data::FieldRef;
using runtime::ui::Event;
using runtime::ui::EventResult;
using runtime::ui::WindowModel;

// Layout in dialog units.
constexpr int32_t Margin = 4;
constexpr int32_t RowHeight = 14;
constexpr int32_t EntryHeight = 10;
constexpr int32_t TitleWidth = 70;
constexpr int32_t EntryWidth = 80;
constexpr int32_t ButtonWidth = 44;
constexpr int32_t ButtonHeight = 14;
constexpr int32_t SheetTop = 4;
constexpr int32_t TabContentTop = 20;
constexpr int32_t MinimumRows = 4;
constexpr int32_t ListWidth = 160;
constexpr int32_t ListHeight = 60;

// Which of a field's values an entry shows.
constexpr size_t LowValue = 0;
constexpr size_t MiddleValue = 1;
constexpr size_t HighValue = 2;

const std::string EntryPicture = "@s" + std::to_string(QbeField::ValueLimit);
const std::string NamePicture = "@s" + std::to_string(SavedQueryEntry::TextLimit);

std::string Numbered(std::string_view base, size_t n) { return std::string(base) + std::to_string(n); }

std::string TrimRight(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace

runtime::ui::WindowDefinition QueryForm::Definition(const QbeQuery& query, int32_t mode) {
  const size_t fields = query.Fields ? query.Fields->Records() : 0;
  const int32_t rows = std::max<int32_t>(static_cast<int32_t>(fields) + 1, MinimumRows);
  const int32_t contentHeight = std::max(rows * RowHeight, ListHeight + 2 * RowHeight);
  const int32_t width = 2 * Margin + TitleWidth + 3 * (EntryWidth + Margin) + Margin;
  const int32_t sheetHeight = TabContentTop + contentHeight + Margin;
  const int32_t buttonsTop = SheetTop + sheetHeight + Margin;

  runtime::ui::WindowBuilder b(ResourceName);
  b.Caption(Title).Font(FontName, FontSize).Size(width, buttonsTop + ButtonHeight + Margin).SystemMenu();
  b.Sheet(0, "?SHEET1").At(Margin, SheetTop, width - 2 * Margin, sheetHeight);
  b.Tab(0, "?TAB1", "Saved Queries");
  b.Tab(0, "?TAB2", "Query Settings");

  const int32_t top = SheetTop + TabContentTop;
  b.List(0, "?SavedList", "120L(2)|M~Saved query~@s99@").At(2 * Margin, top, ListWidth, ListHeight);
  b.Prompt(0, "?QueryName:Prompt", "&Name:").At(2 * Margin, top + ListHeight + Margin, TitleWidth, EntryHeight);
  b.Entry(0, "?QueryName", NamePicture)
      .At(2 * Margin + TitleWidth, top + ListHeight + Margin, EntryWidth, EntryHeight);
  b.Button(0, "?SaveQuery", "&Save")
      .At(2 * Margin + ListWidth + Margin, top, ButtonWidth, ButtonHeight);
  b.Button(0, "?RestoreQuery", "&Restore")
      .At(2 * Margin + ListWidth + Margin, top + RowHeight + Margin, ButtonWidth, ButtonHeight);

  // The values tab: a heading row, then one row per field.
  const int32_t valuesLeft = 2 * Margin + TitleWidth;
  auto column = [&](size_t which) {
    const size_t at = mode == QbeForm::ModeRanges ? which : 0;
    return valuesLeft + static_cast<int32_t>(at) * (EntryWidth + Margin);
  };
  if (mode == QbeForm::ModeRanges) {
    b.Prompt(0, "?FromHeading", "From").At(column(LowValue), top, EntryWidth, EntryHeight);
    b.Prompt(0, "?ValueHeading", "Value").At(column(MiddleValue), top, EntryWidth, EntryHeight);
    b.Prompt(0, "?ToHeading", "To").At(column(HighValue), top, EntryWidth, EntryHeight);
  } else {
    b.Prompt(0, "?ValueHeading", "Value").At(column(MiddleValue), top, EntryWidth, EntryHeight);
  }
  for (size_t n = 1; n <= fields; ++n) {
    const int32_t y = top + static_cast<int32_t>(n) * RowHeight;
    b.Prompt(0, Numbered("?Title", n), query.Fields->At(n).Title).At(2 * Margin, y, TitleWidth, EntryHeight);
    if (mode == QbeForm::ModeRanges)
      b.Entry(0, Numbered("?Low", n), EntryPicture).At(column(LowValue), y, EntryWidth, EntryHeight);
    b.Entry(0, Numbered("?Value", n), EntryPicture).At(column(MiddleValue), y, EntryWidth, EntryHeight);
    if (mode == QbeForm::ModeRanges)
      b.Entry(0, Numbered("?High", n), EntryPicture).At(column(HighValue), y, EntryWidth, EntryHeight);
  }

  const int32_t right = width - Margin;
  b.Button(0, "?OK", "&OK").At(right - 3 * (ButtonWidth + Margin), buttonsTop, ButtonWidth, ButtonHeight).Default();
  b.Button(0, "?CANCEL", "&Cancel").At(right - 2 * (ButtonWidth + Margin), buttonsTop, ButtonWidth, ButtonHeight);
  b.Button(0, "?CLEAR", "C&lear").At(right - (ButtonWidth + Margin), buttonsTop, ButtonWidth, ButtonHeight);
  return b.Build();
}

bool QueryForm::Ask(QbeQuery& query) {
  if (!query.Fields) return false;
  Query = &query;
  Accepted = false;
  QueryName = query.LastQuery;
  Work.clear();
  for (const QbeField& field : query.Fields->All()) Work.push_back(Values{field.Low, field.Middle, field.High});
  Window = WindowModel::Open(Definition(query, FormMode), Owner);
  if (Window == 0) return false;
  // Work is sized before binding: the entries keep the strings' addresses.
  for (size_t n = 1; n <= Work.size(); ++n) {
    Values& values = Work[n - 1];
    if (FormMode == ModeRanges) {
      WindowModel::Bind(Window, WindowModel::ControlNumber(Window, Numbered("?Low", n)), FieldRef::Of(values[LowValue]));
      WindowModel::Bind(Window, WindowModel::ControlNumber(Window, Numbered("?High", n)),
                        FieldRef::Of(values[HighValue]));
    }
    WindowModel::Bind(Window, WindowModel::ControlNumber(Window, Numbered("?Value", n)),
                      FieldRef::Of(values[MiddleValue]));
  }
  WindowModel::Bind(Window, WindowModel::ControlNumber(Window, "?QueryName"), FieldRef::Of(QueryName));
  ShowValues();
  ShowSavedList();
  runtime::ui::EventLoop::Run(Window, [this](const runtime::ui::PostedEvent& event) { return OnEvent(event); });
  if (WindowModel::Exists(Window)) WindowModel::Close(Window);
  Window = 0;
  Query = nullptr;
  return Accepted;
}

int32_t QueryForm::OnEvent(const runtime::ui::PostedEvent& event) {
  const auto is = [&](std::string_view name) { return event.Control == WindowModel::ControlNumber(Window, name); };
  if (event.Number == Event::NewSelection && is("?SavedList")) {
    const int32_t row = WindowModel::Choice(Window, event.Control);
    if (row >= 1 && static_cast<size_t>(row) <= SavedNames.size()) {
      QueryName = SavedNames[static_cast<size_t>(row) - 1];
      WindowModel::Display(Window, WindowModel::ControlNumber(Window, "?QueryName"));
    }
    return EventResult::Normal;
  }
  if (event.Number != Event::Accepted || event.Control == 0) return EventResult::Normal;
  if (is("?OK")) {
    TakeValues();
    Query->BuildFilter();
    Query->SaveQuery(QbeQuery::MostRecentName);
    Accepted = true;
    return EventResult::EndLoop;
  }
  if (is("?CANCEL")) return EventResult::EndLoop;
  if (is("?CLEAR")) {
    for (Values& values : Work) values = Values{};
    ShowValues();
    return EventResult::Consumed;
  }
  if (is("?SaveQuery")) {
    WindowModel::Update(Window);
    const std::string name = TrimRight(QueryName);
    // Saving goes through the query, whose values change only on OK: keep them.
    std::vector<QbeField> kept = Query->Fields->All();
    TakeValues();
    Query->SaveQuery(name);
    for (size_t n = 1; n <= kept.size(); ++n) Query->Fields->At(n) = kept[n - 1];
    ShowSavedList();
    return EventResult::Consumed;
  }
  if (is("?RestoreQuery")) {
    WindowModel::Update(Window);
    const std::string name = TrimRight(QueryName);
    std::vector<QbeField> kept = Query->Fields->All();
    Query->RestoreQuery(name);
    for (size_t n = 1; n <= Work.size(); ++n) {
      const QbeField& field = Query->Fields->At(n);
      Work[n - 1] = Values{field.Low, field.Middle, field.High};
    }
    for (size_t n = 1; n <= kept.size(); ++n) Query->Fields->At(n) = kept[n - 1];
    Query->LastQuery = name;
    ShowValues();
    return EventResult::Consumed;
  }
  return EventResult::Normal;
}

void QueryForm::TakeValues() {
  WindowModel::Update(Window);
  for (size_t n = 1; n <= Work.size() && n <= Query->Fields->Records(); ++n) {
    QbeField& field = Query->Fields->At(n);
    field.Low = FormMode == ModeRanges ? TrimRight(Work[n - 1][LowValue]) : std::string();
    field.Middle = TrimRight(Work[n - 1][MiddleValue]);
    field.High = FormMode == ModeRanges ? TrimRight(Work[n - 1][HighValue]) : std::string();
  }
}

void QueryForm::ShowValues() { WindowModel::Display(Window); }

void QueryForm::ShowSavedList() {
  std::vector<SavedQueryEntry> saved;
  Query->LoadSavedQueryList(saved);
  SavedNames.clear();
  std::vector<std::vector<std::string>> rows;
  for (const SavedQueryEntry& entry : saved) {
    SavedNames.push_back(entry.Item);
    rows.push_back({entry.Item});
  }
  WindowModel::SetListRows(Window, WindowModel::ControlNumber(Window, "?SavedList"), std::move(rows));
}

}  // namespace framework::query
