#pragma once
// Record and file definitions shared by the keyed-file tests and their helper
// program (no test framework here): a URL-like record with a unique case-sensitive
// primary key on Url and a case-insensitive key with duplicates on (Tag, Count desc).

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/data/RecordType.h"
#include "runtime/files/FileDefinition.h"

namespace testfiles {

struct TestRecord {
  char Url[200];
  int32_t Count;
  char Tag[20];
};

inline const runtime::data::RecordType& TestRecordType() {
  using runtime::data::FieldKind;
  static const runtime::data::RecordType type(
      "TestRecord", sizeof(TestRecord),
      {{"URL:URL", offsetof(TestRecord, Url), sizeof(TestRecord::Url), FieldKind::CString, 0},
       {"URL:COUNT", offsetof(TestRecord, Count), sizeof(int32_t), FieldKind::Long, 0},
       {"URL:TAG", offsetof(TestRecord, Tag), sizeof(TestRecord::Tag), FieldKind::CString, 0}});
  return type;
}

constexpr int KeyUrl = 1;
constexpr int KeyTag = 2;

inline runtime::files::FileDefinition TestDefinition() {
  using namespace runtime::files;
  FileDefinition d;
  d.Label = "UrlList";
  d.Prefix = "URL";
  d.FileName = "URLLIST";
  d.Record = &TestRecordType();
  d.Keys.push_back({"URL:KEYURL", {{0, KeyOrder::Ascending}}, KeyDuplicates::Unique, KeyCase::Sensitive,
                    KeyRole::Primary});
  d.Keys.push_back({"URL:KEYTAG", {{2, KeyOrder::Ascending}, {1, KeyOrder::Descending}}, KeyDuplicates::Allowed,
                    KeyCase::NoCase, KeyRole::Secondary});
  return d;
}

inline void Fill(TestRecord& r, const std::string& url, int32_t count, const std::string& tag = "") {
  std::memset(&r, 0, sizeof r);
  std::snprintf(r.Url, sizeof r.Url, "%s", url.c_str());
  r.Count = count;
  std::snprintf(r.Tag, sizeof r.Tag, "%s", tag.c_str());
}

// "rec-000042": the name the station helper gives record 42.
inline std::string StationUrl(long n) {
  char text[32];
  std::snprintf(text, sizeof text, "rec-%06ld", n);
  return text;
}

}  // namespace testfiles
