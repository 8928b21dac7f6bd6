#include "runtime/files/SqliteSchema.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "runtime/files/RecordValues.h"
#include "runtime/files/SqliteDriver.h"
#include "runtime/files/SqliteFind.h"
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
void Store(unsigned char* at, T v) {
  std::memcpy(at, &v, sizeof v);
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

std::string SqliteSchema::LayoutText(int version) const {
  std::string text = "format=" + std::to_string(version) + ";size=" + std::to_string(Def.Record->Size());
  for (const FieldDesc& f : Def.Record->Fields()) {
    text += ";field=" + f.Name + "," + KindName(f.Kind) + "," + std::to_string(f.Offset) + "," +
            std::to_string(f.Size) + "," + std::to_string(f.Places);
  }
  for (const KeyDefinition& k : Def.Keys) {
    text += ";key=" + k.Name + "," + std::to_string(k.Flags());
    // Format 1 had no exact-text uniqueness: such a key was unique as compared.
    if (version >= 2 && k.UniqueOnExactText()) text += ",exact";
    for (const auto& c : k.Components) {
      text += "," + std::string(c.Order == KeyOrder::Descending ? "-" : "+") + std::to_string(c.Field + 1);
    }
  }
  // Format 3 keeps the find index of the definition's find field.
  if (version >= 3 && Def.FindField != FileDefinition::NoFindField) text += ";find=" + std::to_string(Def.FindField + 1);
  // Format 4 numbers that index by order labels that follow the first key.
  if (version >= 4 && Def.FindField != FileDefinition::NoFindField) text += ";order=1";
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

std::string SqliteSchema::UniqueExpr(int key, size_t component) const {
  if (!Key(key).UniqueOnExactText()) return ComponentExpr(key, component);
  const size_t field = Key(key).Components[component].Field;
  return Column(field) + (Def.Record->Field(field).Kind == FieldKind::CString ? " COLLATE BINARY" : "");
}

std::vector<std::string> SqliteSchema::IndexNames(int key) const {
  std::vector<std::string> names{Key(key).Name};
  if (Key(key).UniqueOnExactText()) names.push_back(Key(key).Name + ExactIndexSuffix);
  return names;
}

std::vector<std::string> SqliteSchema::CreateIndexes(int key) const {
  std::vector<std::string> out{CreateIndex(key)};
  const KeyDefinition& k = Key(key);
  if (!k.UniqueOnExactText()) return out;
  std::string sql = "CREATE UNIQUE INDEX IF NOT EXISTS " + Quote(k.Name + ExactIndexSuffix) + " ON " + RecordsTable + "(";
  for (size_t c = 0; c < k.Components.size(); ++c) sql += (c > 0 ? "," : "") + UniqueExpr(key, c);
  out.push_back(sql + ")");
  return out;
}

std::string SqliteSchema::CreateIndex(int key) const {
  const KeyDefinition& k = Key(key);
  // A key unique on exact text orders through a plain index; its own index keeps it unique.
  const bool unique = k.Duplicates == KeyDuplicates::Unique && !k.UniqueOnExactText();
  std::string sql = std::string("CREATE ") + (unique ? "UNIQUE " : "") +
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
  for (int k = 1; k <= static_cast<int>(Def.Keys.size()); ++k) {
    for (std::string& sql : CreateIndexes(k)) out.push_back(std::move(sql));
  }
  if (Def.FindField != FileDefinition::NoFindField)
    for (std::string& sql : SqliteFind::CreateStatements(*this, static_cast<size_t>(Def.FindField)))
      out.push_back(std::move(sql));
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
  return RecordValues::Field(*Def.Record, record, field);
}

std::vector<SqlValue> SqliteSchema::RowValues(const void* record) const { return RecordValues::Row(*Def.Record, record); }

void SqliteSchema::FieldValueInto(const void* record, size_t field, SqlValue& out) const {
  const FieldDesc& f = Def.Record->Field(field);
  if (f.Kind != FieldKind::CString) {
    out = FieldValue(record, field);
    return;
  }
  // As RecordValues::Field gives it, into the text's own storage.
  const char* text = reinterpret_cast<const char*>(static_cast<const unsigned char*>(record) + f.Offset);
  out.Kind = SqlValue::Type::Text;
  out.Integer = 0;
  out.Real = 0;
  out.Text.assign(text, strnlen(text, f.Size - 1));
}

void SqliteSchema::RowValuesInto(const void* record, std::vector<SqlValue>& row) const {
  row.resize(Def.Record->FieldCount());
  for (size_t f = 0; f < row.size(); ++f) FieldValueInto(record, f, row[f]);
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
    case SqlValue::Type::Blob:
      sqlite3_bind_blob64(stmt, index, value.Text.data(), value.Text.size(), SQLITE_TRANSIENT);
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
    case SQLITE_BLOB: {
      // Kept a BLOB: a position after it must compare with it as it is stored.
      const auto* bytes = static_cast<const char*>(sqlite3_column_blob(stmt, column));
      const int size = sqlite3_column_bytes(stmt, column);
      return SqlValue::OfBlob(bytes == nullptr ? std::string() : std::string(bytes, static_cast<size_t>(size)));
    }
    default: {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
      const int bytes = sqlite3_column_bytes(stmt, column);
      return SqlValue::OfText(text == nullptr ? std::string() : std::string(text, static_cast<size_t>(bytes)));
    }
  }
}

namespace {

// The mark that ends a text too long for its field, or holding a NUL byte: the field
// shows what fits and says that there is more.
constexpr const char* CutMark = "\xE2\x80\xA6";  // "…"
constexpr size_t CutMarkBytes = 3;

template <class T>
T Saturate(int64_t v) {
  if (v < static_cast<int64_t>(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
  if (v > static_cast<int64_t>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
  return static_cast<T>(v);
}

// Whether an integer field of `kind` holds `v` as it is (not made the nearest it can hold).
bool IntegerFits(FieldKind kind, int64_t v) {
  switch (kind) {
    case FieldKind::Byte: return v == Saturate<uint8_t>(v);
    case FieldKind::Short: return v == Saturate<int16_t>(v);
    case FieldKind::UShort: return v == Saturate<uint16_t>(v);
    case FieldKind::Long:
    case FieldKind::Date:
    case FieldKind::Time: return v == Saturate<int32_t>(v);
    case FieldKind::ULong: return v == Saturate<uint32_t>(v);
    default: return true;
  }
}

}  // namespace

void SqliteSchema::StoreValue(const SqlValue& value, size_t field, void* record) const {
  const FieldDesc& d = Def.Record->Field(field);
  unsigned char* at = static_cast<unsigned char*>(record) + d.Offset;
  if (d.Kind == FieldKind::CString) {
    std::string text;
    if (value.Kind == SqlValue::Type::Text || value.Kind == SqlValue::Type::Blob) text = value.Text;
    else if (value.Kind == SqlValue::Type::Integer) text = std::to_string(value.Integer);
    else text = std::to_string(value.Real);
    std::memset(at, 0, d.Size);
    const size_t limit = d.Size - 1;
    const size_t whole = strnlen(text.data(), text.size());
    if (whole == text.size() && whole <= limit) {
      std::memcpy(at, text.data(), whole);
    } else {
      // Written by something else: longer than the field or with a NUL inside. What
      // fits is shown, marked as cut; a save keeps the stored text (see Put).
      const size_t keep =
          limit >= CutMarkBytes
              ? runtime::text::Utf8::PrefixLength(std::string_view(text.data(), whole), limit - CutMarkBytes)
              : 0;
      std::memcpy(at, text.data(), keep);
      if (limit >= CutMarkBytes) std::memcpy(at + keep, CutMark, CutMarkBytes);
    }
    return;
  }
  if (d.Kind == FieldKind::Real) {
    Store<double>(at, value.Kind == SqlValue::Type::Real      ? value.Real
                      : value.Kind == SqlValue::Type::Integer ? static_cast<double>(value.Integer)
                                                              : std::strtod(value.Text.c_str(), nullptr));
    return;
  }
  const int64_t v = value.Kind == SqlValue::Type::Integer ? value.Integer
                    : value.Kind == SqlValue::Type::Real  ? static_cast<int64_t>(value.Real)
                                                          : std::strtoll(value.Text.c_str(), nullptr, 10);
  // A number outside the field's range shows as the nearest it can hold, which no
  // picture of the field's width can show: it is marked, never wrapped to another value.
  switch (d.Kind) {
    case FieldKind::Byte: Store<uint8_t>(at, Saturate<uint8_t>(v)); break;
    case FieldKind::Short: Store<int16_t>(at, Saturate<int16_t>(v)); break;
    case FieldKind::UShort: Store<uint16_t>(at, Saturate<uint16_t>(v)); break;
    case FieldKind::Long:
    case FieldKind::Date:
    case FieldKind::Time: Store<int32_t>(at, Saturate<int32_t>(v)); break;
    case FieldKind::ULong: Store<uint32_t>(at, Saturate<uint32_t>(v)); break;
    case FieldKind::Decimal: Store<int64_t>(at, v); break;
    default: break;
  }
}

bool SqliteSchema::MayNotFit(sqlite3_stmt* stmt, int column, size_t field) const {
  const FieldDesc& d = Def.Record->Field(field);
  const int type = sqlite3_column_type(stmt, column);
  if (type == SQLITE_NULL) return false;
  if (d.Kind == FieldKind::CString) {
    if (type != SQLITE_TEXT) return true;
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    const size_t bytes = static_cast<size_t>(sqlite3_column_bytes(stmt, column));
    return bytes > d.Size - 1 || (text != nullptr && std::memchr(text, 0, bytes) != nullptr);
  }
  if (d.Kind == FieldKind::Real) return type != SQLITE_FLOAT && type != SQLITE_INTEGER;
  if (type != SQLITE_INTEGER) return true;
  return !IntegerFits(d.Kind, sqlite3_column_int64(stmt, column));
}

bool SqliteSchema::ShownWhole(const SqlValue& stored, size_t field) const {
  std::vector<unsigned char> record(Def.Record->Size());
  StoreValue(stored, field, record.data());
  return FieldValue(record.data(), field) == stored;
}

bool SqliteSchema::Unchanged(const SqlValue& stored, size_t field, const void* record) const {
  std::vector<unsigned char> shown(Def.Record->Size());
  StoreValue(stored, field, shown.data());
  return FieldValue(shown.data(), field) == FieldValue(record, field);
}

bool SqliteSchema::ReadFields(sqlite3_stmt* stmt, int first, void* record) const {
  Def.Record->Clear(record);
  bool allWhole = true;
  for (size_t f = 0; f < Def.Record->FieldCount(); ++f) {
    const int col = first + static_cast<int>(f);
    const int type = sqlite3_column_type(stmt, col);
    if (type == SQLITE_NULL) continue;
    // The usual column goes straight into its field, as StoreValue would put it,
    // without a value in between; anything else takes the general way.
    const FieldDesc& d = Def.Record->Field(f);
    unsigned char* at = static_cast<unsigned char*>(record) + d.Offset;
    if (d.Kind == FieldKind::CString && type == SQLITE_TEXT) {
      const auto* text = sqlite3_column_text(stmt, col);
      const auto bytes = static_cast<size_t>(sqlite3_column_bytes(stmt, col));
      if (bytes <= d.Size - 1 && (text == nullptr || std::memchr(text, 0, bytes) == nullptr)) {
        std::memset(at, 0, d.Size);
        if (bytes > 0) std::memcpy(at, text, bytes);
        continue;
      }
    } else if (d.Kind == FieldKind::Real && (type == SQLITE_FLOAT || type == SQLITE_INTEGER)) {
      Store<double>(at, type == SQLITE_FLOAT ? sqlite3_column_double(stmt, col)
                                             : static_cast<double>(sqlite3_column_int64(stmt, col)));
      continue;
    } else if (d.Kind != FieldKind::CString && d.Kind != FieldKind::Real && type == SQLITE_INTEGER) {
      const int64_t v = sqlite3_column_int64(stmt, col);
      StoreValue(SqlValue::OfInteger(v), f, record);
      allWhole = allWhole && IntegerFits(d.Kind, v);
      continue;
    }
    StoreValue(ColumnValue(stmt, col), f, record);
    allWhole = allWhole && !MayNotFit(stmt, col, f);
  }
  return allWhole;
}

}  // namespace runtime::files
