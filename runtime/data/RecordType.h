#pragma once
// The descriptor of a fixed-layout record: its name, size and fields. Records are
// plain structs; the descriptor lets generic code (file drivers, clearing, field
// pairs) reach their fields through FieldRef. Immutable after construction, so one
// descriptor is shared by all threads.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/data/FieldDesc.h"
#include "runtime/data/FieldRef.h"

namespace runtime::data {

class RecordType {
 public:
  RecordType(std::string name, size_t recordSize, std::vector<FieldDesc> fields);

  const std::string& Name() const { return TheName; }
  size_t Size() const { return RecordSize; }
  size_t FieldCount() const { return TheFields.size(); }
  const FieldDesc& Field(size_t index) const { return TheFields[index]; }
  const std::vector<FieldDesc>& Fields() const { return TheFields; }

  // Index of the field with this name (case-insensitive), or -1.
  int FindField(std::string_view name) const;
  // Reference to field `index` of the record at `record`.
  FieldRef Ref(void* record, size_t index) const;
  // Clears every field of the record (text to empty, numbers to 0) and any padding.
  void Clear(void* record) const;

 private:
  std::string TheName;
  size_t RecordSize;
  std::vector<FieldDesc> TheFields;
};

}  // namespace runtime::data
