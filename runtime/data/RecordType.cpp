#include "runtime/data/RecordType.h"
#include "runtime/text/AsciiCase.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace runtime::data {
namespace {

bool SameName(std::string_view a, std::string_view b) {
  return runtime::text::AsciiCase::Equal(a, b);
}

// A field that does not lie wholly inside the record is never reached through the
// descriptor: a wrong descriptor must not write past the record.
bool InsideRecord(const FieldDesc& f, size_t recordSize) {
  return f.Offset <= recordSize && f.Size <= recordSize - f.Offset;
}

}  // namespace

RecordType::RecordType(std::string name, size_t recordSize, std::vector<FieldDesc> fields)
    : TheName(std::move(name)), RecordSize(recordSize), TheFields(std::move(fields)) {}

int RecordType::FindField(std::string_view name) const {
  for (size_t i = 0; i < TheFields.size(); ++i) {
    if (SameName(TheFields[i].Name, name)) return static_cast<int>(i);
  }
  return -1;
}

FieldRef RecordType::Ref(void* record, size_t index) const {
  if (record == nullptr || index >= TheFields.size()) return {};
  const FieldDesc& f = TheFields[index];
  if (!InsideRecord(f, RecordSize)) return {};
  return FieldRef(static_cast<char*>(record) + f.Offset, f.Kind, f.Size, f.Places);
}

void RecordType::Clear(void* record) const {
  if (record == nullptr) return;
  // Every fixed kind clears to all-zero bytes, so zeroing the record clears fields
  // and padding alike (stored images of equal records then compare equal). A
  // std::string member cannot be zeroed; those are skipped and cleared in place.
  std::vector<std::pair<size_t, size_t>> strings;
  for (const FieldDesc& f : TheFields) {
    if (f.Kind == FieldKind::String && InsideRecord(f, RecordSize)) strings.emplace_back(f.Offset, f.Size);
  }
  std::sort(strings.begin(), strings.end());
  char* bytes = static_cast<char*>(record);
  size_t from = 0;
  for (const auto& [offset, size] : strings) {
    if (offset > from) std::memset(bytes + from, 0, offset - from);
    from = std::max(from, offset + size);
  }
  if (RecordSize > from) std::memset(bytes + from, 0, RecordSize - from);
  for (size_t i = 0; i < TheFields.size(); ++i) {
    if (TheFields[i].Kind == FieldKind::String) Ref(record, i).Clear();
  }
}

}  // namespace runtime::data
