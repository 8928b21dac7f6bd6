#pragma once
// The UrlList file's relation manager on one thread: what windows use as their
// primary file. UrlList has no relations. Its Teardown also tears down and disposes
// the thread's file manager; the relation manager itself is freed by its owner
// (UrlListManagers::Kill).
//
// Thread safety: one instance per thread, used only by that thread.

#include "framework/data/RelationManager.h"

namespace app {

class UrlListFileManager;

class UrlListRelationManager : public framework::data::RelationManager {
 public:
  ~UrlListRelationManager() override;

  // Sets the file manager up, then the base Init with transactions on.
  void Init(UrlListFileManager& fileManager);
  void Teardown() override;
};

}  // namespace app
