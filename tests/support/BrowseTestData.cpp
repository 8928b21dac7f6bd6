#include "tests/support/BrowseTestData.h"

#include "framework/data/RelationManager.h"
#include "framework/data/UseType.h"
#include "framework/error/StockIcon.h"
#include "runtime/data/FieldRef.h"

namespace testsupport {

using framework::error::ErrorLevel;

const runtime::data::RecordType& NameType() {
  using runtime::data::FieldDesc;
  using runtime::data::FieldKind;
  static const runtime::data::RecordType type(
      "NameRecord", sizeof(NameRecord),
      {FieldDesc{"NAM:NAME", offsetof(NameRecord, Name), sizeof(NameRecord::Name), FieldKind::CString, 0},
       FieldDesc{"NAM:COUNT", offsetof(NameRecord, Count), sizeof(int32_t), FieldKind::Long, 0}});
  return type;
}

const runtime::files::FileDefinition& NameDefinition() {
  static const runtime::files::FileDefinition definition = [] {
    runtime::files::FileDefinition d;
    d.Label = "Names";
    d.Prefix = "NAM";
    d.FileName = "NAMES";
    d.Record = &NameType();
    runtime::files::KeyDefinition byName;
    byName.Name = "NAM:KEYNAME";
    byName.Components = {{0, runtime::files::KeyOrder::Ascending}};
    byName.Case = runtime::files::KeyCase::NoCase;
    byName.Role = runtime::files::KeyRole::Primary;
    runtime::files::KeyDefinition descending = byName;
    descending.Name = "NAM:KEYNAMEDESC";
    descending.Components = {{0, runtime::files::KeyOrder::Descending}};
    descending.Role = runtime::files::KeyRole::Secondary;
    d.Keys = {byName, descending};
    return d;
  }();
  return definition;
}

int32_t RecordingErrorManager::ShowMessageBox(const std::string& text, const std::string& title, const std::string&,
                                              int32_t, int32_t defaultButton, int32_t) {
  std::lock_guard lock(Lock);
  Shown.push_back(title + ": " + text);
  if (Answers.empty()) return defaultButton;
  const int32_t answer = Answers.front();
  Answers.erase(Answers.begin());
  return answer;
}

ErrorLevel RecordingErrorManager::HandleHalt() {
  ReportMessage(SubstituteText(), ThreadValues().ErrorBuffer.Title, framework::error::StockIcon::Asterisk, 1, 1, 0);
  return framework::error::LevelHalt;
}

void RecordingErrorManager::QueueAnswer(int32_t button) {
  std::lock_guard lock(Lock);
  Answers.push_back(button);
}

std::vector<std::string> RecordingErrorManager::Titles() {
  std::lock_guard lock(Lock);
  return Shown;
}

NameFile::NameFile(framework::error::ErrorManager& errors) {
  File.Init(NameDefinition(), &Record);
  Manager.File = &File;
  Manager.Buffer = {&Record, &NameType(), sizeof(NameRecord)};
  Manager.Errors = &errors;
  Manager.SetUp();
  Manager.Init(&File, &errors);
  Manager.Create = true;
  Manager.RegisterKey(KeyName, "Names by name");
  Manager.RegisterKey(KeyNameDescending, "Names by name, descending");
  Relations.Init(&Manager, framework::data::Logout::Off);
}

NameFile::~NameFile() {
  Relations.Teardown();
  Manager.Teardown();
  File.Teardown();
}

ErrorLevel NameFile::Open() {
  if (const ErrorLevel level = Relations.Open(framework::data::Walk::Top); level != framework::error::LevelQuiet)
    return level;
  return Manager.EnsureUsable(framework::data::UseType::Record);
}

ErrorLevel NameFile::Add(std::string_view name, int32_t count) {
  File.ClearBuffer();
  SetName(name);
  Record.Count = count;
  return Manager.Insert();
}

void NameFile::SetName(std::string_view name) { runtime::data::FieldRef::Of(Record.Name).SetText(name); }

}  // namespace testsupport
