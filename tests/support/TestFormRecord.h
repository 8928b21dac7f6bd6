#pragma once
// The record of the test form's keyed file: a code (the unique primary key), a name
// and a count, with its record type and file definition ("FORMTEST", created in the
// working folder on first use). Header-only data; any thread.

#include <cstddef>
#include <cstdint>

#include "runtime/data/RecordType.h"
#include "runtime/files/FileDefinition.h"

namespace testsupport {

struct TestFormRecord {
  char Code[16];
  char Name[21];
  int32_t Count;

  // Field numbers (1-based, as the recall history counts them).
  static constexpr int32_t CodeField = 1;
  static constexpr int32_t NameField = 2;
  static constexpr int32_t CountField = 3;
  // The key on Code.
  static constexpr int CodeKey = 1;

  static const runtime::data::RecordType& Type() {
    using runtime::data::FieldDesc;
    using runtime::data::FieldKind;
    static const runtime::data::RecordType type(
        "TestFormRecord", sizeof(TestFormRecord),
        {FieldDesc{"FRM:CODE", offsetof(TestFormRecord, Code), sizeof(Code), FieldKind::CString, 0},
         FieldDesc{"FRM:NAME", offsetof(TestFormRecord, Name), sizeof(Name), FieldKind::CString, 0},
         FieldDesc{"FRM:COUNT", offsetof(TestFormRecord, Count), sizeof(int32_t), FieldKind::Long, 0}});
    return type;
  }

  static const runtime::files::FileDefinition& Definition() {
    static const runtime::files::FileDefinition definition = [] {
      runtime::files::FileDefinition d;
      d.Label = "FORMTEST";
      d.Prefix = "FRM";
      d.FileName = "FORMTEST";
      d.DriverName = runtime::files::FileDefinition::DefaultDriver;
      d.Record = &Type();
      runtime::files::KeyDefinition key;
      key.Name = "FRM:KEYCODE";
      key.Components = {runtime::files::KeyDefinition::Component{0, runtime::files::KeyOrder::Ascending}};
      key.Duplicates = runtime::files::KeyDuplicates::Unique;
      key.Role = runtime::files::KeyRole::Primary;
      d.Keys = {key};
      d.Sharing = runtime::files::FileSharing::PerThread;
      return d;
    }();
    return definition;
  }
};

}  // namespace testsupport
