#include "app/ExchangeMenu.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "app/BrowseNarrowing.h"
#include "app/BrowseUrlList.h"
#include "app/ExchangeFormat.h"
#include "app/UrlExport.h"
#include "framework/error/StockIcon.h"
#include "runtime/ui/FileChooserService.h"
#include "runtime/ui/MessageBoxRequest.h"
#include "runtime/ui/MessageBoxService.h"
#include "runtime/ui/ProgressService.h"
#include "runtime/ui/WindowModel.h"

namespace app {
namespace {

using runtime::ui::FileChooserRequest;
using runtime::ui::MessageBoxRequest;
using runtime::ui::MessageBoxService;
using runtime::ui::ProgressService;

// The kinds of file in the order the choosers offer them; the exchange formats first.
constexpr ExchangeFormat KindFormats[] = {ExchangeFormat::BookmarkHtml, ExchangeFormat::PlainText, ExchangeFormat::Csv};

int32_t Say(const std::string& caption, const std::string& text, const std::string& icon,
            int32_t buttons = MessageBoxRequest::ButtonOk, int32_t defaultButton = MessageBoxRequest::ButtonOk) {
  MessageBoxRequest box;
  box.Caption = caption;
  box.Text = text;
  box.Icon = icon;
  box.Buttons = buttons;
  box.DefaultButton = defaultButton;
  return MessageBoxService::ShowMessage(box);
}

// The format of a chosen file: its extension's, else that of the kind chosen.
std::optional<ExchangeFormat> FormatOf(const FileChooserRequest::Choice& choice) {
  if (auto format = ExchangeFormats::FromFileName(choice.Path)) return format;
  if (choice.FilterIndex < std::size(KindFormats)) return KindFormats[choice.FilterIndex];
  return std::nullopt;
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// What the narrowed browse shows, in words: "containing 'shop'", "chosen by the query".
std::string Describe(const BrowseNarrowing::Shown& shown) {
  std::string words;
  if (!shown.Find.empty()) words = "containing " + Quoted(shown.Find);
  if (!shown.Filter.empty()) words += std::string(words.empty() ? "" : " and ") + "chosen by the query";
  return words;
}

}  // namespace

std::vector<FileChooserRequest::Filter> ExchangeMenu::Kinds() {
  return {{"Bookmark files", {"html", "htm"}}, {"Text files", {"txt"}}, {"CSV files", {"csv"}}, {"All files", {}}};
}

std::string ExchangeMenu::ImportReport(const ImportSummary& summary) {
  std::string text;
  switch (summary.Outcome) {
    case ImportOutcome::Stored: text = summary.Line(); break;
    case ImportOutcome::Cancelled: text = "The import was cancelled: nothing was stored."; break;
    case ImportOutcome::Failed: text = "Nothing was stored: " + summary.Failure; break;
  }
  const size_t shown = std::min(summary.Refused.size(), RefusedListed);
  if (shown > 0) text += std::string(1, MessageBoxRequest::LineBreak) + "Refused:";
  for (size_t i = 0; i < shown; ++i) {
    const RefusedEntry& r = summary.Refused[i];
    text += MessageBoxRequest::LineBreak;
    if (r.Line > 0) text += "line " + std::to_string(r.Line) + ": ";
    text += r.Reason + ": " + r.Text;
  }
  if (summary.Refused.size() > shown)
    text += MessageBoxRequest::LineBreak + std::string("... and ") + std::to_string(summary.Refused.size() - shown) +
            " more";
  return text;
}

void ExchangeMenu::Import() {
  FileChooserRequest request;
  request.Mode = FileChooserRequest::Purpose::Open;
  request.Caption = ImportChooserCaption;
  request.Filters = Kinds();
  const auto choice = runtime::ui::FileChooserService::Choose(request);
  if (!choice) return;
  const auto format = FormatOf(*choice);
  if (!format) {
    Say(ImportCaption, "Cannot tell the format of " + choice->Path + ": give it the extension .html, .txt or .csv.",
        framework::error::StockIcon::Exclamation);
    return;
  }
  std::ifstream in(choice->Path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in) {
    Say(ImportCaption, choice->Path + " cannot be read.", framework::error::StockIcon::Exclamation);
    return;
  }
  const ExchangeList list = ExchangeFormats::Read(*format, text.str());
  const size_t total = list.Entries.size();
  int32_t progress = 0;
  if (total >= ProgressFromEntries) {
    const std::string name = std::filesystem::path(choice->Path).filename().string();
    progress = ProgressService::Open(ProgressCaption, "Importing the addresses of " + name,
                                     static_cast<int64_t>(total));
  }
  UrlImport::Progress step;
  if (progress != 0)
    step = [progress](size_t done, size_t) {
      return ProgressService::Step(progress, static_cast<int64_t>(done)) == ProgressService::Answer::Cancel
                 ? ImportProgress::Cancel
                 : ImportProgress::Continue;
    };
  const ImportSummary summary = UrlImport::Run(list, step);
  if (progress != 0) ProgressService::Close(progress);
  // Open browses show what was added at once, each on the record it had selected.
  if (summary.Outcome == ImportOutcome::Stored && summary.Added > 0)
    for (int32_t window : BrowseNarrowing::Windows())
      runtime::ui::WindowModel::Post(window, BrowseUrlList::RefreshEvent);
  const bool stored = summary.Outcome == ImportOutcome::Stored;
  Say(ImportCaption, ImportReport(summary),
      stored && summary.Refused.empty() ? framework::error::StockIcon::Asterisk : framework::error::StockIcon::Exclamation);
}

void ExchangeMenu::Export() {
  std::string find;
  std::string filter;
  if (const auto shown = BrowseNarrowing::Latest(); shown && shown->Narrowed()) {
    const int32_t answer =
        Say(ExportCaption,
            "Export only the addresses the browse shows (" + Describe(*shown) + ")?|No exports the whole list.",
            framework::error::StockIcon::Exclamation,
            MessageBoxRequest::ButtonYes + MessageBoxRequest::ButtonNo + MessageBoxRequest::ButtonCancel,
            MessageBoxRequest::ButtonYes);
    if (answer == MessageBoxRequest::ButtonCancel) return;
    if (answer == MessageBoxRequest::ButtonYes) {
      find = shown->Find;
      filter = shown->Filter;
    }
  }
  FileChooserRequest request;
  request.Mode = FileChooserRequest::Purpose::Save;
  request.Caption = ExportChooserCaption;
  request.Name = SuggestedExportName;
  request.Filters = Kinds();
  auto choice = runtime::ui::FileChooserService::Choose(request);
  if (!choice) return;
  // A name without a known extension gets the one of the kind chosen.
  if (!ExchangeFormats::FromFileName(choice->Path)) {
    const auto kinds = Kinds();
    const size_t kind = choice->FilterIndex < std::size(KindFormats) ? choice->FilterIndex : 0;
    choice->Path += "." + kinds[kind].Extensions.front();
  }
  const ExchangeFormat format = *ExchangeFormats::FromFileName(choice->Path);
  std::error_code error;
  if (std::filesystem::exists(choice->Path, error)) {
    const int32_t answer = Say(ExportCaption, choice->Path + " already exists.|Do you want to replace it?",
                               framework::error::StockIcon::Exclamation,
                               MessageBoxRequest::ButtonYes + MessageBoxRequest::ButtonNo, MessageBoxRequest::ButtonNo);
    if (answer != MessageBoxRequest::ButtonYes) return;
  }
  std::vector<ExchangeEntry> entries;
  std::string failure;
  if (!UrlExport::Collect(find, filter, entries, failure)) {
    Say(ExportCaption, "Nothing was written: " + failure, framework::error::StockIcon::Exclamation);
    return;
  }
  const ExportResult result = UrlExport::Write(choice->Path, format, entries);
  if (!result.Ok) {
    Say(ExportCaption, "Nothing was written: " + result.Failure, framework::error::StockIcon::Exclamation);
    return;
  }
  Say(ExportCaption, std::to_string(result.Written) + " exported to " + choice->Path,
      framework::error::StockIcon::Asterisk);
}

}  // namespace app
