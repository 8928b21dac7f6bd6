#pragma once
// The cursor of a driver that keeps its place by key values and a row id (the local
// and the server driver), and the text SaveCursor gives for it and RestoreCursor takes
// back: the tag, then each item through CursorText, in the order of the fields below.
// Plain values; any thread.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "runtime/files/SqlValue.h"

namespace runtime::files {

// A record as a driver read it.
struct CursorRow {
  int64_t Id = 0;
  int64_t Version = 0;
  std::vector<SqlValue> Values;  // one per field
};

// Where Next and Previous start when no record is current.
struct CursorBoundary {
  std::vector<SqlValue> Values;  // leading key components
  bool HasId = false;
  int64_t Id = 0;
  bool Inclusive = true;
};

struct SavedCursor {
  int OrderKey = 0;
  bool AtBoundary = true;
  CursorBoundary Bound;
  bool HasCurrent = false;
  bool CurrentGone = false;
  CursorRow Current;
  bool WatchArmed = false;
  bool Watching = false;
  int64_t WatchedId = 0;
  int64_t WatchedVersion = 0;

  std::string Text() const;
  // The cursor `text` holds; nothing when it is no saved cursor of a file with
  // `keys` keys and records of `fields` fields.
  static std::optional<SavedCursor> FromText(const std::string& text, int keys, size_t fields);
  // Every field, in order, to be moved into a driver's members of the same names.
  auto Members() && {
    return std::forward_as_tuple(std::move(OrderKey), std::move(AtBoundary), std::move(Bound),
                                 std::move(HasCurrent), std::move(CurrentGone), std::move(Current),
                                 std::move(WatchArmed), std::move(Watching), std::move(WatchedId),
                                 std::move(WatchedVersion));
  }
};

}  // namespace runtime::files
