#pragma once
// Numbers of the file, key and field properties that KeyedFile::Property and
// KeyedFile::SetProperty answer. The framework reads them by number, so the numbers
// are fixed. Where a property takes an index it is given with it (field or key
// component number, 1-based).

#include <cstdint>

namespace runtime::files {

struct FileProperty {
  // File: "1" while this file takes part in the thread's next transaction. Setting
  // it to "1" fails with 80 when the driver has no transactions.
  static constexpr int32_t Transaction = 29441;
  // File: the name of the file an alias stands for; always empty here.
  static constexpr int32_t AliasOf = 29454;
  // File: number of memo and blob fields; always "0" (records are fixed-layout).
  static constexpr int32_t MemoCount = 29457;
  // File: number of fields of the record.
  static constexpr int32_t FieldCount = 29458;
  // File: number of keys.
  static constexpr int32_t KeyCount = 29459;
  // File: number of records stored.
  static constexpr int32_t Records = 29460;
  // File: the file's name as the driver reports it ("URLLIST.vkdb"). Key: the key's name.
  static constexpr int32_t Label = 29462;
  // File, with a field number: the field's name ("URL:URL").
  static constexpr int32_t FieldName = 29463;
  // Key: number of components.
  static constexpr int32_t Components = 29466;
  // Key: "1" when the key allows duplicate entries.
  static constexpr int32_t Duplicates = 29467;
  // Key: the attribute flag byte (KeyDefinition::Flags) in decimal.
  static constexpr int32_t KeyFlags = 29468;
  // Key: "1" when the key ignores letter case.
  static constexpr int32_t NoCase = 29469;
  // Key: "1" for the file's primary key.
  static constexpr int32_t Primary = 29470;
  // Key, with a component number: the component's field number (1-based).
  static constexpr int32_t ComponentField = 29471;
  // Key, with a component number: "1" when the component sorts ascending.
  static constexpr int32_t ComponentAscending = 29472;
  // File: records read ahead by sequential reads (a hint; stored and answered).
  static constexpr int32_t ReadAhead = 29525;
  // File: "1" when each thread has its own instance of the file.
  static constexpr int32_t PerThread = 31893;
  // File: the blob-change marker a call-back block carries for SetProperty.
  static constexpr int32_t BlobValue = 31894;
  // File, with a field index: a memo or blob field's contents; there are none.
  static constexpr int32_t BlobField = 31935;
};

}  // namespace runtime::files
