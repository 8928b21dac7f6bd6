#include "app/UrlListRelationManager.h"

#include "app/UrlListFileManager.h"
#include "app/UrlListManagers.h"

namespace app {

UrlListRelationManager::~UrlListRelationManager() {
  if (GetRelations() != nullptr) UrlListRelationManager::Teardown();
}

void UrlListRelationManager::Init(UrlListFileManager& fileManager) {
  fileManager.SetUp();
  RelationManager::Init(&fileManager, framework::data::Logout::On);
}

void UrlListRelationManager::Teardown() {
  framework::data::FileManager* files = GetFileManager();
  if (files != nullptr) files->Teardown();
  RelationManager::Teardown();
  if (UrlListManagers::Relate() == this) UrlListManagers::SetRelate(nullptr);
  if (files != nullptr && UrlListManagers::FileManager() == files) UrlListManagers::DisposeFileManager();
}

}  // namespace app
