#include "app/UrlListFileManager.h"

#include "app/UrlListFile.h"
#include "app/UrlListManagers.h"
#include "framework/data/UseType.h"
#include "framework/error/MessageId.h"

namespace app {

using framework::data::UseType;
using framework::error::LevelQuiet;
using framework::error::MessageId;

UrlListFileManager::~UrlListFileManager() { UrlListFileManager::Teardown(); }

void UrlListFileManager::SetUp() {
  Initialized = false;
  UrlListRecord& record = UrlListFile::Record();
  Buffer = BufferGroup{&record, &UrlListRecord::Type(), UrlListRecord::Size};
  FileNameValue = FileLabel;
  Errors = &Errs;
  File = &UrlListFile::Instance();
  FileManager::SetUp();
  UrlListManagers::SetAccess(this);
}

void UrlListFileManager::Teardown() {
  FileManager::Teardown();
  if (UrlListManagers::Access() == this) UrlListManagers::SetAccess(nullptr);
}

UrlListFileManager::ErrorLevel UrlListFileManager::EnsureUsable(uint8_t useType) {
  if (useType != UseType::Prepare) {
    EnsureUsable(UseType::Prepare);
  } else if (!Initialized) {
    InUseFile = true;
    Init(&UrlListFile::Instance(), &Errs);
    Create = true;
    LockRecover = DefaultLockRecover;
    RegisterKey(UrlListFile::KeyUrl, UrlListFile::KeyUrlDescription, 0);
    ++FullInitialisations;
  }
  return FileManager::EnsureUsable(useType);
}

void UrlListFileManager::AssignUrl(std::string_view text) {
  UrlListRecord::Type().Ref(Buffer.Address, UrlListRecord::UrlField).SetText(text);
}

UrlListFileManager::ErrorLevel UrlListFileManager::AssignNumberOfTimesToOpen(std::string_view text) {
  runtime::data::FieldRef number = UrlListRecord::Type().Ref(Buffer.Address, UrlListRecord::NumberOfTimesToOpenField);
  if (number.SetText(text)) return LevelQuiet;
  Errs.SetFieldName(NumberFieldName);
  Errs.SetFileName(MessageFileName());
  return Errs.RaiseErrorWithMessage(MessageId::Range, NumberRange);
}

}  // namespace app
