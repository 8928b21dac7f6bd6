#pragma once
// The calling thread's UrlList managers: a file manager and a relation manager, built
// together and killed together. Windows reach the file through Relate() (their
// primary relation manager) and Access() (buffer save and restore).
//
// Start-up: threads other than 1 call Build in their thread initialiser; thread 1
// calls it from the main procedure once the INI manager is set up. Every thread calls
// Kill in its thread finaliser, then UrlListFile::Destroy.
//
// Thread safety: everything here is per thread; each thread sees only its own.

#include "app/UrlListFileManager.h"
#include "app/UrlListRelationManager.h"
#include "framework/error/ErrorManager.h"

namespace app {

class UrlListManagers {
 public:
  // Builds this thread's managers (nothing when they exist) and initialises the
  // relation manager. The file itself is not touched until its first use.
  static void Build(framework::error::ErrorManager& errors);
  // Kills and frees this thread's managers; nothing when there are none. Safe twice.
  static void Kill();
  static bool Built();

  // Null until built, or after Kill. Access() is set once the file manager is set up.
  static framework::data::FileManager* Access();
  static framework::data::RelationManager* Relate();
  static UrlListFileManager* FileManager();
  static UrlListRelationManager* RelationManager();

  // Used by the managers themselves.
  static void SetAccess(framework::data::FileManager* manager);
  static void SetRelate(framework::data::RelationManager* manager);
  static void DisposeFileManager();
};

}  // namespace app
