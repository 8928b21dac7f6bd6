#pragma once
// One key of a keyed file, written in C++ beside the file's definition: its stored
// name ("URL:KEYURL"), its components (fields of the record, each ascending or
// descending) and its attributes. A key orders the file's records by its components
// and, for records with equal components, by the order in which they were added.
// Plain data; immutable once the file definition is built, so every thread may read it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace runtime::files {

enum class KeyOrder : uint8_t { Ascending, Descending };
enum class KeyDuplicates : uint8_t { Unique, Allowed };
enum class KeyCase : uint8_t { Sensitive, NoCase };
enum class KeyRole : uint8_t { Secondary, Primary };
// What a unique key refuses: a record whose components compare equal to another's as
// the key orders them, or only one whose text components are byte for byte the same
// (a no-case key then orders "Abc" and "abc" together but holds both).
enum class KeyUniqueness : uint8_t { AsCompared, ExactText };

struct KeyDefinition {
  // The key attributes as one flag byte, as the file's key properties report them.
  static constexpr uint8_t FlagDuplicates = 0x01;
  static constexpr uint8_t FlagNoCase = 0x02;
  static constexpr uint8_t FlagPrimary = 0x04;

  struct Component {
    size_t Field = 0;  // index into the record type's fields (0-based)
    KeyOrder Order = KeyOrder::Ascending;
  };

  std::string Name;  // "URL:KEYURL"
  std::vector<Component> Components;
  KeyDuplicates Duplicates = KeyDuplicates::Unique;
  KeyCase Case = KeyCase::Sensitive;  // NoCase compares text components without regard to ASCII case
  KeyRole Role = KeyRole::Secondary;
  KeyUniqueness Uniqueness = KeyUniqueness::AsCompared;

  // Whether uniqueness is checked on the exact text while the order ignores case.
  bool UniqueOnExactText() const {
    return Duplicates == KeyDuplicates::Unique && Case == KeyCase::NoCase && Uniqueness == KeyUniqueness::ExactText;
  }

  uint8_t Flags() const {
    return static_cast<uint8_t>((Duplicates == KeyDuplicates::Allowed ? FlagDuplicates : 0) |
                                (Case == KeyCase::NoCase ? FlagNoCase : 0) |
                                (Role == KeyRole::Primary ? FlagPrimary : 0));
  }
};

}  // namespace runtime::files
