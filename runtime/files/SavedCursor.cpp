#include "runtime/files/SavedCursor.h"

#include <utility>

#include "runtime/files/CursorItemReader.h"
#include "runtime/files/CursorText.h"

namespace runtime::files {
namespace {

constexpr const char* CursorTag = "C1";

}  // namespace

std::string SavedCursor::Text() const {
  std::vector<std::string> items{CursorTag, CursorInteger(OrderKey), CursorInteger(AtBoundary)};
  AddCursorValues(items, Bound.Values);
  items.insert(items.end(), {CursorInteger(Bound.HasId), CursorInteger(Bound.Id), CursorInteger(Bound.Inclusive),
                             CursorInteger(HasCurrent), CursorInteger(CurrentGone), CursorInteger(Current.Id),
                             CursorInteger(Current.Version)});
  AddCursorValues(items, Current.Values);
  items.insert(items.end(),
               {CursorInteger(WatchArmed), CursorInteger(Watching), CursorInteger(WatchedId), CursorInteger(WatchedVersion)});
  return CursorText::Join(items);
}

std::optional<SavedCursor> SavedCursor::FromText(const std::string& text, int keys, size_t fields) {
  auto items = CursorText::Split(text);
  if (!items || items->empty() || (*items)[0] != CursorTag) return std::nullopt;
  CursorItemReader in(std::move(*items));
  int64_t key = 0;
  SavedCursor c;
  const bool read = in.Integer(key) && in.Flag(c.AtBoundary) && in.Values(c.Bound.Values) && in.Flag(c.Bound.HasId) &&
                    in.Integer(c.Bound.Id) && in.Flag(c.Bound.Inclusive) && in.Flag(c.HasCurrent) &&
                    in.Flag(c.CurrentGone) && in.Integer(c.Current.Id) && in.Integer(c.Current.Version) &&
                    in.Values(c.Current.Values) && in.Flag(c.WatchArmed) && in.Flag(c.Watching) &&
                    in.Integer(c.WatchedId) && in.Integer(c.WatchedVersion);
  if (!read || !in.Ok() || key < 0 || key > keys || (c.HasCurrent && c.Current.Values.size() != fields)) {
    return std::nullopt;
  }
  c.OrderKey = static_cast<int>(key);
  return c;
}

}  // namespace runtime::files
