#pragma once
// Test-only data files for the data layer: one small record type (three texts and a
// number) and definitions built from it with the keys a test needs. Header-only, so
// the helper programs that play "another station" use the very same definitions.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/data/RecordType.h"
#include "runtime/files/FileDefinition.h"

namespace datatest {

struct AbcRecord {
  char A[16];
  char B[16];
  char C[16];
  int32_t N;
};

// Field numbers (0-based) of AbcRecord.
inline constexpr size_t FieldA = 0;
inline constexpr size_t FieldB = 1;
inline constexpr size_t FieldC = 2;
inline constexpr size_t FieldN = 3;

inline const runtime::data::RecordType& AbcType() {
  using runtime::data::FieldDesc;
  using runtime::data::FieldKind;
  static const runtime::data::RecordType type(
      "AbcRecord", sizeof(AbcRecord),
      {FieldDesc{"ABC:A", offsetof(AbcRecord, A), sizeof(AbcRecord::A), FieldKind::CString, 0},
       FieldDesc{"ABC:B", offsetof(AbcRecord, B), sizeof(AbcRecord::B), FieldKind::CString, 0},
       FieldDesc{"ABC:C", offsetof(AbcRecord, C), sizeof(AbcRecord::C), FieldKind::CString, 0},
       FieldDesc{"ABC:N", offsetof(AbcRecord, N), sizeof(int32_t), FieldKind::Long, 0}});
  return type;
}

struct KeySpec {
  std::string Name;
  std::vector<runtime::files::KeyDefinition::Component> Components;
  runtime::files::KeyDuplicates Duplicates = runtime::files::KeyDuplicates::Unique;
  runtime::files::KeyRole Role = runtime::files::KeyRole::Secondary;
};

inline runtime::files::KeyDefinition::Component Asc(size_t field) {
  return {field, runtime::files::KeyOrder::Ascending};
}
inline runtime::files::KeyDefinition::Component Desc(size_t field) {
  return {field, runtime::files::KeyOrder::Descending};
}

inline runtime::files::FileDefinition MakeDefinition(
    const std::string& label, const std::vector<KeySpec>& keys,
    runtime::files::FileSharing sharing = runtime::files::FileSharing::PerThread,
    const std::string& driver = runtime::files::FileDefinition::DefaultDriver) {
  runtime::files::FileDefinition d;
  d.Label = label;
  d.Prefix = "ABC";
  d.FileName = label;
  d.DriverName = driver;
  d.Record = &AbcType();
  for (const KeySpec& k : keys) {
    runtime::files::KeyDefinition key;
    key.Name = k.Name;
    key.Components = k.Components;
    key.Duplicates = k.Duplicates;
    key.Role = k.Role;
    d.Keys.push_back(key);
  }
  d.Sharing = sharing;
  return d;
}

// The file two stations number at once: one key on N, numbered automatically.
inline const runtime::files::FileDefinition& CounterDefinition() {
  static const runtime::files::FileDefinition d =
      MakeDefinition("COUNTER", {{"ABC:KEYN", {Asc(FieldN)}, runtime::files::KeyDuplicates::Unique,
                                  runtime::files::KeyRole::Primary}});
  return d;
}

// The file whose record another station changes: unique key on A.
inline const runtime::files::FileDefinition& SharedEditDefinition() {
  static const runtime::files::FileDefinition d =
      MakeDefinition("EDITS", {{"ABC:KEYA", {Asc(FieldA)}, runtime::files::KeyDuplicates::Unique,
                                runtime::files::KeyRole::Primary}});
  return d;
}

}  // namespace datatest
