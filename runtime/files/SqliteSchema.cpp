#include "runtime/files/SqliteSchema.h"

#include <cstring>

#include "runtime/files/SqliteDriver.h"

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

size_t NaturalSize(FieldKind kind) {
  switch (kind) {
    case FieldKind::Byte: return 1;
    case FieldKind::Short:
    case FieldKind::UShort: return 2;
    case FieldKind::Long:
    case FieldKind::ULong:
    case FieldKind::Date:
    case FieldKind::Time: return 4;
    case FieldKind::Real:
    case FieldKind::Decimal: return 8;
    case FieldKind::CString:
    case FieldKind::String: return 0;
  }
  return 0;
}

template <class T>
T Load(const unsigned char* at) {
  T v;
  std::memcpy(&v, at, sizeof v);
  return v;
}

template <class T>
void Store(unsigned char* at, T v) {
  std::memcpy(at, &v, sizeof v);
}

// Longest prefix of at most `limit` bytes that does not end inside a UTF-8 character.
size_t Utf8Cut(const char* text, size_t length, size_t limit) {
  if (length <= limit) return length;
  size_t cut = limit;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return cut;
}

}  // namespace

std::string SqliteSchema::Problem() const {
  if (Def.Record == nullptr) return "the file has no record type";
  const size_t size = Def.Record->Size();
  for (const FieldDesc& f : Def.Record->Fields()) {
    if (f.Kind == FieldKind::String) return "field " + f.Name + " is not fixed-layout";
    if (f.Offset > size || f.Size > size - f.Offset) return "field " + f.Name + " lies outside the record";
    if (f.Kind == FieldKind::CString ? f.Size == 0 : f.Size < NaturalSize(f.Kind)) {
      return "field " + f.Name + " is too small for its kind";
    }
  }
  for (const KeyDefinition& k : Def.Keys) {
    if (k.Name.empty()) return "a key has no name";
    if (k.Components.empty()) return "key " + k.Name + " has no components";
    for (const auto& c : k.Components) {
      if (c.Field >= Def.Record->FieldCount()) return "key " + k.Name + " names a field the record lacks";
    }
  }
  return {};
}

std::string SqliteSchema::LayoutText() const {
  std::string text = "format=" + std::to_string(FormatVersion) + ";size=" + std::to_string(Def.Record->Size());
  for (const FieldDesc& f : Def.Record->Fields()) {
    text += ";field=" + f.Name + "," + KindName(f.Kind) + "," + std::to_string(f.Offset) + "," +
            std::to_string(f.Size) + "," + std::to_string(f.Places);
  }
  for (const KeyDefinition& k : Def.Keys) {
    text += ";key=" + k.Name + "," + std::to_string(k.Flags());
    for (const auto& c : k.Components) {
      text += "," + std::string(c.Order == KeyOrder::Descending ? "-" : "+") + std::to_string(c.Field + 1);
    }
  }
  return text;
}

std::string SqliteSchema::Quote(const std::string& identifier) {
  std::string out = "\"";
  for (char c : identifier) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string SqliteSchema::Column(size_t field) const { return Quote(Def.Record->Field(field).Name); }

bool SqliteSchema::Descending(int key, size_t component) const {
  return Key(key).Components[component].Order == KeyOrder::Descending;
}

std::string SqliteSchema::ComponentExpr(int key, size_t component) const {
  const KeyDefinition& k = Key(key);
  const size_t field = k.Components[component].Field;
  std::string expr = Column(field);
  if (Def.Record->Field(field).Kind == FieldKind::CString) {
    expr += k.Case == KeyCase::NoCase ? std::string(" COLLATE ") + SqliteDriver::NoCaseCollation : " COLLATE BINARY";
  }
  return expr;
}

std::string SqliteSchema::CreateIndex(int key) const {
  const KeyDefinition& k = Key(key);
  std::string sql = std::string("CREATE ") + (k.Duplicates == KeyDuplicates::Unique ? "UNIQUE " : "") +
                    "INDEX IF NOT EXISTS " + Quote(k.Name) + " ON " + RecordsTable + "(";
  for (size_t c = 0; c < k.Components.size(); ++c) {
    if (c > 0) sql += ",";
    sql += ComponentExpr(key, c) + (Descending(key, c) ? " DESC" : " ASC");
  }
  return sql + ")";
}

std::vector<std::string> SqliteSchema::CreateStatements() const {
  std::vector<std::string> out;
  out.push_back(std::string("CREATE TABLE ") + LayoutTable + "(name TEXT PRIMARY KEY, value TEXT NOT NULL)");
  std::string table = std::string("CREATE TABLE ") + RecordsTable + "(" + RowIdColumn + " INTEGER PRIMARY KEY, " +
                      VersionColumn + " INTEGER NOT NULL DEFAULT 0";
  for (size_t f = 0; f < Def.Record->FieldCount(); ++f) {
    const FieldKind kind = Def.Record->Field(f).Kind;
    table += ", " + Column(f);
    if (kind == FieldKind::CString) {
      table += " TEXT NOT NULL DEFAULT ''";
    } else if (kind == FieldKind::Real) {
      table += " REAL NOT NULL DEFAULT 0";
    } else {
      table += " INTEGER NOT NULL DEFAULT 0";
    }
  }
  out.push_back(table + ")");
  for (int k = 1; k <= static_cast<int>(Def.Keys.size()); ++k) out.push_back(CreateIndex(k));
  return out;
}

std::string SqliteSchema::FieldList() const {
  std::string s;
  for (size_t f = 0; f < Def.Record->FieldCount(); ++f) s += (f > 0 ? "," : "") + Column(f);
  return s;
}

std::string SqliteSchema::SelectList() const {
  std::string s = std::string(RowIdColumn) + "," + VersionColumn;
  if (Def.Record->FieldCount() > 0) s += "," + FieldList();
  return s;
}

std::string SqliteSchema::FieldParams() const {
  std::string s;
  for (size_t f = 0; f < Def.Record->FieldCount(); ++f) s += f > 0 ? ",?" : "?";
  return s;
}

std::string SqliteSchema::FieldAssignments() const {
  std::string s;
  for (size_t f = 0; f < Def.Record->FieldCount(); ++f) s += (f > 0 ? "," : "") + Column(f) + "=?";
  return s;
}

std::string SqliteSchema::OrderBy(int key, bool forward) const {
  std::string s;
  for (size_t c = 0; c < ComponentCount(key); ++c) {
    const bool ascending = Descending(key, c) != forward;
    s += ComponentExpr(key, c) + (ascending ? " ASC," : " DESC,");
  }
  return s + RowIdColumn + (forward ? " ASC" : " DESC");
}

SqlValue SqliteSchema::FieldValue(const void* record, size_t field) const {
  const FieldDesc& f = Def.Record->Field(field);
  const unsigned char* at = static_cast<const unsigned char*>(record) + f.Offset;
  switch (f.Kind) {
    case FieldKind::CString: {
      // Stored without the terminating NUL and without any bytes after it.
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

std::vector<SqlValue> SqliteSchema::RowValues(const void* record) const {
  std::vector<SqlValue> row;
  row.reserve(Def.Record->FieldCount());
  for (size_t f = 0; f < Def.Record->FieldCount(); ++f) row.push_back(FieldValue(record, f));
  return row;
}

std::vector<SqlValue> SqliteSchema::ComponentValues(int key, const void* record, size_t count) const {
  std::vector<SqlValue> out;
  for (size_t c = 0; c < count && c < ComponentCount(key); ++c) {
    out.push_back(FieldValue(record, Key(key).Components[c].Field));
  }
  return out;
}

std::vector<SqlValue> SqliteSchema::ComponentValues(int key, const std::vector<SqlValue>& row) const {
  std::vector<SqlValue> out;
  for (size_t c = 0; c < ComponentCount(key); ++c) out.push_back(row[Key(key).Components[c].Field]);
  return out;
}

void SqliteSchema::Bind(sqlite3_stmt* stmt, int index, const SqlValue& value) {
  switch (value.Kind) {
    case SqlValue::Type::Integer: sqlite3_bind_int64(stmt, index, value.Integer); break;
    case SqlValue::Type::Real: sqlite3_bind_double(stmt, index, value.Real); break;
    case SqlValue::Type::Text:
      sqlite3_bind_text64(stmt, index, value.Text.data(), value.Text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
      break;
  }
}

void SqliteSchema::BindFields(sqlite3_stmt* stmt, int first, const void* record) const {
  for (size_t f = 0; f < Def.Record->FieldCount(); ++f) Bind(stmt, first + static_cast<int>(f), FieldValue(record, f));
}

SqlValue SqliteSchema::ColumnValue(sqlite3_stmt* stmt, int column) {
  switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER: return SqlValue::OfInteger(sqlite3_column_int64(stmt, column));
    case SQLITE_FLOAT: return SqlValue::OfReal(sqlite3_column_double(stmt, column));
    default: {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
      const int bytes = sqlite3_column_bytes(stmt, column);
      return SqlValue::OfText(text == nullptr ? std::string() : std::string(text, static_cast<size_t>(bytes)));
    }
  }
}

void SqliteSchema::ReadFields(sqlite3_stmt* stmt, int first, void* record) const {
  Def.Record->Clear(record);
  for (size_t f = 0; f < Def.Record->FieldCount(); ++f) {
    const FieldDesc& d = Def.Record->Field(f);
    unsigned char* at = static_cast<unsigned char*>(record) + d.Offset;
    const int col = first + static_cast<int>(f);
    if (d.Kind == FieldKind::CString) {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
      const size_t bytes = static_cast<size_t>(sqlite3_column_bytes(stmt, col));
      if (text == nullptr) continue;
      // A text written by something else may be longer than the field: cut it whole.
      const size_t keep = Utf8Cut(text, strnlen(text, bytes), d.Size - 1);
      std::memcpy(at, text, keep);
      continue;
    }
    if (d.Kind == FieldKind::Real) {
      Store<double>(at, sqlite3_column_double(stmt, col));
      continue;
    }
    const int64_t v = sqlite3_column_int64(stmt, col);
    switch (d.Kind) {
      case FieldKind::Byte: Store<uint8_t>(at, static_cast<uint8_t>(v)); break;
      case FieldKind::Short: Store<int16_t>(at, static_cast<int16_t>(v)); break;
      case FieldKind::UShort: Store<uint16_t>(at, static_cast<uint16_t>(v)); break;
      case FieldKind::Long:
      case FieldKind::Date:
      case FieldKind::Time: Store<int32_t>(at, static_cast<int32_t>(v)); break;
      case FieldKind::ULong: Store<uint32_t>(at, static_cast<uint32_t>(v)); break;
      case FieldKind::Decimal: Store<int64_t>(at, v); break;
      default: break;
    }
  }
}

}  // namespace runtime::files
