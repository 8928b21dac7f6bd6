#include "runtime/files/PgSchema.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/core/NativePath.h"
#include "runtime/files/RecordValues.h"
#include "runtime/text/AsciiCase.h"
#include "runtime/text/Utf8.h"

namespace runtime::files {
namespace {

using runtime::data::FieldDesc;
using runtime::data::FieldKind;

const char* KindName(FieldKind kind) {
  switch (kind) {
    case FieldKind::CString: return "cstring";
    case FieldKind::String: return "string";
    case FieldKind::Byte: return "byte";
    case FieldKind::Short: return "short";
    case FieldKind::UShort: return "ushort";
    case FieldKind::Long: return "long";
    case FieldKind::ULong: return "ulong";
    case FieldKind::Real: return "real";
    case FieldKind::Decimal: return "decimal";
    case FieldKind::Date: return "date";
    case FieldKind::Time: return "time";
  }
  return "?";
}

template <class T>
void Store(unsigned char* at, T v) {
  std::memcpy(at, &v, sizeof v);
}

}  // namespace

PgSchema::PgSchema(const FileDefinition& definition, const std::string& fileName) : Def(definition) {
  std::string leaf = runtime::core::NativePath::Leaf(fileName);
  Table = runtime::text::AsciiCase::ToLower(leaf);
}

std::string PgSchema::Problem() const {
  if (Def.Record == nullptr) return "the file has no record type";
  if (Table.empty()) return "the file has no name";
  if (Table.size() > MaxTableName) return "the file name " + Table + " is longer than the server allows";
  for (const FieldDesc& f : Def.Record->Fields()) {
    if (f.Kind == FieldKind::String) return "field " + f.Name + " is not fixed-layout";
  }
  return {};
}

std::string PgSchema::LayoutText() const {
  std::string text = "pgformat=" + std::to_string(FormatVersion) + ";size=" + std::to_string(Def.Record->Size());
  for (const FieldDesc& f : Def.Record->Fields()) {
    text += ";field=" + f.Name + "," + KindName(f.Kind) + "," + std::to_string(f.Offset) + "," +
            std::to_string(f.Size) + "," + std::to_string(f.Places);
  }
  for (const KeyDefinition& k : Def.Keys) {
    text += ";key=" + k.Name + "," + std::to_string(k.Flags());
    if (k.UniqueOnExactText()) text += ",exact";
    for (const auto& c : k.Components) {
      text += "," + std::string(c.Order == KeyOrder::Descending ? "-" : "+") + std::to_string(c.Field + 1);
    }
  }
  return text;
}

std::string PgSchema::IndexName(int key) const { return Table + "_key" + std::to_string(key); }

std::string PgSchema::Quote(const std::string& identifier) {
  std::string out = "\"";
  for (char c : identifier) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string PgSchema::Column(size_t field) const { return Quote(Def.Record->Field(field).Name); }

bool PgSchema::Descending(int key, size_t component) const {
  return Key(key).Components[component].Order == KeyOrder::Descending;
}

// Text columns carry the bytewise collation, and upper() under it folds only ASCII
// letters: the same two rules as the local driver's keys.
std::string PgSchema::ComponentExpr(int key, size_t component) const {
  const KeyDefinition& k = Key(key);
  const size_t field = k.Components[component].Field;
  if (Def.Record->Field(field).Kind == FieldKind::CString && k.Case == KeyCase::NoCase) {
    return "upper(" + Column(field) + ")";
  }
  return Column(field);
}

std::string PgSchema::ParamExpr(int key, size_t component, int param) const {
  const KeyDefinition& k = Key(key);
  const FieldKind kind = Def.Record->Field(k.Components[component].Field).Kind;
  const std::string p = "$" + std::to_string(param);
  if (kind == FieldKind::CString) {
    return k.Case == KeyCase::NoCase ? "upper(" + p + "::text COLLATE \"C\")" : p + "::text COLLATE \"C\"";
  }
  return kind == FieldKind::Real ? p + "::float8" : p + "::bigint";
}

std::string PgSchema::CreateTable() const {
  std::string table = "CREATE TABLE " + QuotedTable() + "(" + RowIdColumn +
                      " bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY, " + VersionColumn +
                      " bigint NOT NULL DEFAULT 0";
  for (size_t f = 0; f < Def.Record->FieldCount(); ++f) {
    const FieldKind kind = Def.Record->Field(f).Kind;
    table += ", " + Column(f);
    if (kind == FieldKind::CString) {
      table += " text COLLATE \"C\" NOT NULL DEFAULT ''";
    } else if (kind == FieldKind::Real) {
      table += " float8 NOT NULL DEFAULT 0";
    } else {
      table += " bigint NOT NULL DEFAULT 0";
    }
  }
  return table + ")";
}

// A unique key's index holds its components alone, so the server refuses a clash;
// other keys add the row id, so records with equal components stay in the order added
// and a page among them is still one index range.
std::string PgSchema::CreateIndex(int key) const {
  const KeyDefinition& k = Key(key);
  const bool unique = k.Duplicates == KeyDuplicates::Unique && !k.UniqueOnExactText();
  std::string sql = std::string("CREATE ") + (unique ? "UNIQUE " : "") + "INDEX " + Quote(IndexName(key)) + " ON " +
                    QuotedTable() + "(";
  for (size_t c = 0; c < k.Components.size(); ++c) {
    if (c > 0) sql += ",";
    sql += "(" + ComponentExpr(key, c) + ")" + (Descending(key, c) ? " DESC" : " ASC");
  }
  if (!unique) sql += std::string(",") + RowIdColumn;
  return sql + ")";
}

std::string PgSchema::CreateExactIndex(int key) const {
  const KeyDefinition& k = Key(key);
  if (!k.UniqueOnExactText()) return {};
  std::string sql = "CREATE UNIQUE INDEX " + Quote(ExactIndexName(key)) + " ON " + QuotedTable() + "(";
  for (size_t c = 0; c < k.Components.size(); ++c) sql += (c > 0 ? "," : "") + UniqueExpr(key, c);
  return sql + ")";
}

std::string PgSchema::UniqueExpr(int key, size_t component) const {
  if (!Key(key).UniqueOnExactText()) return ComponentExpr(key, component);
  return Column(Key(key).Components[component].Field);
}

std::string PgSchema::UniqueParamExpr(int key, size_t component, int param) const {
  const KeyDefinition& k = Key(key);
  if (!k.UniqueOnExactText() || Def.Record->Field(k.Components[component].Field).Kind != FieldKind::CString) {
    return ParamExpr(key, component, param);
  }
  return "$" + std::to_string(param) + "::text COLLATE \"C\"";
}

std::string PgSchema::FieldList() const {
  std::string s;
  for (size_t f = 0; f < Def.Record->FieldCount(); ++f) s += (f > 0 ? "," : "") + Column(f);
  return s;
}

std::string PgSchema::SelectList() const {
  std::string s = std::string(RowIdColumn) + "," + VersionColumn;
  if (Def.Record->FieldCount() > 0) s += "," + FieldList();
  return s;
}

std::string PgSchema::FieldParams(int first) const {
  std::string s;
  for (size_t f = 0; f < Def.Record->FieldCount(); ++f) {
    s += (f > 0 ? ",$" : "$") + std::to_string(first + static_cast<int>(f));
  }
  return s;
}

std::string PgSchema::FieldAssignments(int first) const {
  std::string s;
  for (size_t f = 0; f < Def.Record->FieldCount(); ++f) {
    s += (f > 0 ? "," : "") + Column(f) + "=$" + std::to_string(first + static_cast<int>(f));
  }
  return s;
}

std::string PgSchema::OrderBy(int key, bool forward) const {
  std::string s;
  for (size_t c = 0; c < ComponentCount(key); ++c) {
    const bool ascending = Descending(key, c) != forward;
    s += ComponentExpr(key, c) + (ascending ? " ASC," : " DESC,");
  }
  return s + RowIdColumn + (forward ? " ASC" : " DESC");
}

SqlValue PgSchema::FieldValue(const void* record, size_t field) const {
  return RecordValues::Field(*Def.Record, record, field);
}

std::vector<SqlValue> PgSchema::RowValues(const void* record) const { return RecordValues::Row(*Def.Record, record); }

std::vector<SqlValue> PgSchema::ComponentValues(int key, const void* record, size_t count) const {
  std::vector<SqlValue> out;
  for (size_t c = 0; c < count && c < ComponentCount(key); ++c) {
    out.push_back(FieldValue(record, Key(key).Components[c].Field));
  }
  return out;
}

std::vector<SqlValue> PgSchema::ComponentValues(int key, const std::vector<SqlValue>& row) const {
  std::vector<SqlValue> out;
  for (size_t c = 0; c < ComponentCount(key); ++c) out.push_back(row[Key(key).Components[c].Field]);
  return out;
}

SqlValue PgSchema::ValueOfText(size_t field, const char* text) const {
  switch (Def.Record->Field(field).Kind) {
    case FieldKind::CString: return SqlValue::OfText(text);
    case FieldKind::Real: return SqlValue::OfReal(std::strtod(text, nullptr));
    default: return SqlValue::OfInteger(std::strtoll(text, nullptr, 10));
  }
}

void PgSchema::WriteRecord(const std::vector<SqlValue>& row, void* record) const {
  Def.Record->Clear(record);
  for (size_t f = 0; f < Def.Record->FieldCount() && f < row.size(); ++f) {
    const FieldDesc& d = Def.Record->Field(f);
    unsigned char* at = static_cast<unsigned char*>(record) + d.Offset;
    const SqlValue& v = row[f];
    switch (d.Kind) {
      case FieldKind::CString:
        // A text written by something else may be longer than the field: cut it whole.
        std::memcpy(at, v.Text.data(),
                    runtime::text::Utf8::PrefixLength(
                        v.Text.substr(0, strnlen(v.Text.c_str(), v.Text.size())), d.Size - 1));
        break;
      case FieldKind::Real: Store<double>(at, v.Real); break;
      case FieldKind::Byte: Store<uint8_t>(at, static_cast<uint8_t>(v.Integer)); break;
      case FieldKind::Short: Store<int16_t>(at, static_cast<int16_t>(v.Integer)); break;
      case FieldKind::UShort: Store<uint16_t>(at, static_cast<uint16_t>(v.Integer)); break;
      case FieldKind::Long:
      case FieldKind::Date:
      case FieldKind::Time: Store<int32_t>(at, static_cast<int32_t>(v.Integer)); break;
      case FieldKind::ULong: Store<uint32_t>(at, static_cast<uint32_t>(v.Integer)); break;
      case FieldKind::Decimal: Store<int64_t>(at, v.Integer); break;
      case FieldKind::String: break;
    }
  }
}

std::string PgSchema::ParamText(const SqlValue& value) {
  switch (value.Kind) {
    case SqlValue::Type::Integer: return std::to_string(value.Integer);
    case SqlValue::Type::Real: {
      char text[40];
      std::snprintf(text, sizeof text, "%.17g", value.Real);
      return text;
    }
    case SqlValue::Type::Text: return value.Text;
    // Only a local file holds BLOBs another program wrote; as a parameter they are text.
    case SqlValue::Type::Blob: return value.Text;
  }
  return {};
}

}  // namespace runtime::files
