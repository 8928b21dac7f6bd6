#include "app/UrlImport.h"

#include "app/ExchangeText.h"
#include "app/UrlListFile.h"
#include "app/UrlListManagers.h"
#include "framework/error/MessageId.h"
#include "runtime/core/RuntimeError.h"
#include "runtime/core/RuntimeErrorCode.h"
#include "runtime/files/Transaction.h"

namespace app {
namespace {

using framework::data::Walk;
using framework::error::LevelQuiet;
using framework::error::MessageId;
using runtime::core::RuntimeError;
using runtime::files::Transaction;

std::string RuntimeText() {
  std::string text = RuntimeError::Text();
  if (!RuntimeError::FileText().empty()) text += " (" + RuntimeError::FileText() + ")";
  return text.empty() ? "error " + std::to_string(RuntimeError::Code()) : text;
}

}  // namespace

std::string ImportSummary::Line() const {
  return std::to_string(Added) + " added, " + std::to_string(AlreadyPresent) + " already present, " +
         std::to_string(Refused.size()) + " refused";
}

ImportSummary UrlImport::Run(const ExchangeList& list, const Progress& progress) {
  ImportSummary summary;
  summary.Refused = list.Refused;
  framework::data::RelationManager* relate = UrlListManagers::Relate();
  UrlListFileManager* files = UrlListManagers::FileManager();
  if (relate == nullptr || files == nullptr) {
    summary.Failure = "the data file is not set up on this thread";
    return summary;
  }
  if (relate->ForceOpen(Walk::Top) != LevelQuiet) {
    summary.Failure = "the data file could not be opened: " + RuntimeText();
    relate->Close(Walk::Top);
    return summary;
  }
  runtime::files::KeyedFile& file = UrlListFile::Instance();
  if (Transaction::Begin(BusyTimeoutSeconds, {&file}) != runtime::core::RuntimeErrorCode::NoError) {
    summary.Failure = "the data file is busy: " + RuntimeText();
    relate->Close(Walk::Top);
    return summary;
  }
  const auto abandon = [&](ImportOutcome outcome, std::string why) {
    (void)Transaction::Rollback();
    relate->Close(Walk::Top);
    summary.Outcome = outcome;
    summary.Failure = std::move(why);
    return summary;
  };

  const size_t total = list.Entries.size();
  for (size_t i = 0; i < total; ++i) {
    if (progress && i % ProgressStep == 0 && progress(i, total) == ImportProgress::Cancel) {
      return abandon(ImportOutcome::Cancelled, "cancelled");
    }
    const ExchangeEntry& entry = list.Entries[i];
    const std::string reason = ExchangeText::RefusalReason(entry.Url);
    if (!reason.empty()) {
      summary.Refused.push_back({entry.Line, ExchangeText::Excerpt(entry.Url), reason});
      continue;
    }
    file.ClearBuffer();
    files->AssignUrl(entry.Url);
    UrlListFile::Record().NumberOfTimesToOpen = entry.NumberOfTimesToOpen;
    files->LastError = 0;
    if (files->InsertQuiet() == LevelQuiet) {
      ++summary.Added;
    } else if (files->LastError == MessageId::DuplicateKey) {
      ++summary.AlreadyPresent;
    } else {
      return abandon(ImportOutcome::Failed, "the address on line " + std::to_string(entry.Line) +
                                                " could not be stored: " + RuntimeText());
    }
  }
  if (progress && progress(total, total) == ImportProgress::Cancel) {
    return abandon(ImportOutcome::Cancelled, "cancelled");
  }
  if (Transaction::Commit() != runtime::core::RuntimeErrorCode::NoError) {
    const std::string why = "the data file could not be saved: " + RuntimeText();
    relate->Close(Walk::Top);
    summary.Outcome = ImportOutcome::Failed;
    summary.Failure = why;
    return summary;
  }
  relate->Close(Walk::Top);
  summary.Outcome = ImportOutcome::Stored;
  return summary;
}

}  // namespace app
