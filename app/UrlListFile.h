#pragma once
// The UrlList data file: its definition (label UrlList, prefix "URL", driver name
// "URLLIST" plus the driver's extension, one key KeyUrl "URL:KEYURL" on Url
// ascending, unique and without regard to letter case, as the file's primary key) and
// this thread's instance of the file structure with its record buffer.
//
// Thread safety: the definition is built once and read by every thread. Each thread
// has its own file structure and buffer (a per-thread file), reached only from that
// thread.

#include "app/UrlListRecord.h"
#include "runtime/files/FileDefinition.h"
#include "runtime/files/KeyedFile.h"

namespace app {

class UrlListFile {
 public:
  static constexpr const char* Label = "UrlList";
  static constexpr const char* Prefix = "URL";
  static constexpr const char* DriverFileName = "URLLIST";
  static constexpr const char* KeyUrlName = "URL:KEYURL";
  // How the framework names the key in messages.
  static constexpr const char* KeyUrlDescription = "Url:KeyUrl";
  // Key numbers in the file.
  static constexpr int KeyUrl = 1;

  static const runtime::files::FileDefinition& Definition();

  // The file procedure of the start-up table: readies the shared definition. Each
  // thread's instance of the file structure is made on its first use.
  static void Setup();
  // This thread's file structure, bound to this thread's record buffer on first use.
  static runtime::files::KeyedFile& Instance();
  // This thread's record buffer.
  static UrlListRecord& Record();
  // Destroys this thread's file structure (the thread finaliser); the next use makes
  // a fresh one.
  static void Destroy();
};

}  // namespace app
