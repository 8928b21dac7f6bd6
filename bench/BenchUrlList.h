#pragma once
// The record, file definition and scratch folder the keyed-file benchmarks share: a
// file laid out like UrlList, whose addresses are numbered so they sort in order.

#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "runtime/data/RecordType.h"
#include "runtime/files/FileDefinition.h"

namespace bench {

struct BenchRecord {
  char Url[200];
  int32_t NumberOfTimesToOpen;
};

inline const runtime::data::RecordType& BenchType() {
  using runtime::data::FieldKind;
  static const runtime::data::RecordType type(
      "BenchRecord", sizeof(BenchRecord),
      {{"URL:URL", 0, 200, FieldKind::CString, 0}, {"URL:NUMBEROFTIMESTOOPEN", 200, 4, FieldKind::Long, 0}});
  return type;
}

inline const runtime::files::FileDefinition& BenchDefinition() {
  using namespace runtime::files;
  static const FileDefinition d = [] {
    FileDefinition f;
    f.Label = "UrlList";
    f.Prefix = "URL";
    f.FileName = "URLLIST";
    f.Record = &BenchType();
    f.Keys.push_back({"URL:KEYURL", {{0, KeyOrder::Ascending}}, KeyDuplicates::Unique, KeyCase::NoCase, KeyRole::Primary});
    return f;
  }();
  return d;
}

inline void FillUrl(BenchRecord& r, long n) {
  std::memset(&r, 0, sizeof r);
  std::snprintf(r.Url, sizeof r.Url, "https://example.invalid/page/%08ld", n);
  r.NumberOfTimesToOpen = 1;
}

// Removes the folder at exit; made after the folder's name, so destroyed before it.
struct FolderCleanup {
  const std::string& Path;
  ~FolderCleanup() { std::filesystem::remove_all(Path); }
};

// A temporary folder for the run's files, removed at exit.
inline const std::string& Folder() {
  static const std::string folder = [] {
    char pattern[] = "/tmp/vk-bench-XXXXXX";
    return std::string(mkdtemp(pattern));
  }();
  static const FolderCleanup cleanup{folder};
  return folder;
}

}  // namespace bench
