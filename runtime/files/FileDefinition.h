#pragma once
// The definition of a keyed data file, written in C++ beside the code that uses it:
// label ("UrlList"), prefix ("URL"), the name given to the driver ("URLLIST"; the
// driver appends its own extension and maps "\" to "/"), the driver's name, the
// record type (fields of the fixed-layout record buffer) and the keys.
// Per-thread files give every thread its own KeyedFile (handle, buffer, position);
// a shared file is one KeyedFile used by several threads under its own lock.
// Plain data; build it once and never change it while files use it, so every thread
// may read it.

#include <string>
#include <vector>

#include "runtime/data/RecordType.h"
#include "runtime/files/KeyDefinition.h"

namespace runtime::files {

enum class FileSharing : uint8_t { PerThread, Shared };

struct FileDefinition {
  // The name of the driver used when DriverName is empty.
  static constexpr const char* DefaultDriver = "SQLITE";

  std::string Label;     // "UrlList"
  std::string Prefix;    // "URL"
  std::string FileName;  // "URLLIST": the name as the program writes it, without extension
  std::string DriverName = DefaultDriver;
  const runtime::data::RecordType* Record = nullptr;  // not owned; outlives every KeyedFile
  std::vector<KeyDefinition> Keys;                    // key number n is Keys[n-1]
  FileSharing Sharing = FileSharing::PerThread;
  // The text field a find searches for any part of its value (drivers that can keep
  // an index of it); NoFindField when finds are not offered.
  static constexpr int NoFindField = -1;
  int FindField = NoFindField;
};

}  // namespace runtime::files
