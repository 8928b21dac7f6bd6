#pragma once
// How the fields of a record image become the values of a stored row, the same for
// every driver (the local file's and the server's tables hold the same values).
// Plain functions; any thread.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/data/FieldDesc.h"
#include "runtime/data/RecordType.h"
#include "runtime/files/SqlValue.h"

namespace runtime::files {

class RecordValues {
 public:
  // Field `field` of `record`: a CString as its text up to the NUL (the bytes after it
  // are not stored), the numeric kinds as integers, Real as a real. Nothing for String.
  static SqlValue Field(const runtime::data::RecordType& type, const void* record, size_t field) {
    using runtime::data::FieldKind;
    const runtime::data::FieldDesc& f = type.Field(field);
    const unsigned char* at = static_cast<const unsigned char*>(record) + f.Offset;
    switch (f.Kind) {
      case FieldKind::CString: {
        const char* text = reinterpret_cast<const char*>(at);
        return SqlValue::OfText(std::string(text, strnlen(text, f.Size - 1)));
      }
      case FieldKind::Byte: return SqlValue::OfInteger(Load<uint8_t>(at));
      case FieldKind::Short: return SqlValue::OfInteger(Load<int16_t>(at));
      case FieldKind::UShort: return SqlValue::OfInteger(Load<uint16_t>(at));
      case FieldKind::Long:
      case FieldKind::Date:
      case FieldKind::Time: return SqlValue::OfInteger(Load<int32_t>(at));
      case FieldKind::ULong: return SqlValue::OfInteger(Load<uint32_t>(at));
      case FieldKind::Real: return SqlValue::OfReal(Load<double>(at));
      case FieldKind::Decimal: return SqlValue::OfInteger(Load<int64_t>(at));
      case FieldKind::String: break;
    }
    return {};
  }

  // Every field of `record`, in order.
  static std::vector<SqlValue> Row(const runtime::data::RecordType& type, const void* record) {
    std::vector<SqlValue> row;
    row.reserve(type.FieldCount());
    for (size_t f = 0; f < type.FieldCount(); ++f) row.push_back(Field(type, record, f));
    return row;
  }

 private:
  // Fields of a record image need not be aligned.
  template <class T>
  static T Load(const unsigned char* at) {
    T v;
    std::memcpy(&v, at, sizeof v);
    return v;
  }
};

}  // namespace runtime::files
