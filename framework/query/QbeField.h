#pragma once
// One field of a query-by-example: which field of the file it compares (Name, as the
// filter language knows it, possibly wrapped in "UPPER(" for a case-free field), how
// the form captions it (Title), its display picture without the "@" (Picture; the
// first letter classes it: S string, N number, E scientific, T time, D date), and the
// example values the user typed: Middle the single value, Low and High a range.
// ForceEditPicture takes the values as typed, never through the picture.
//
// Plain data: as thread-safe as the query that owns it.

#include <cstddef>
#include <cstdint>
#include <string>

namespace framework::query {

struct QbeField {
  // Longest texts kept, in bytes.
  static constexpr size_t NameLimit = 99;
  static constexpr size_t TitleLimit = 99;
  static constexpr size_t PictureLimit = 39;
  static constexpr size_t ValueLimit = 499;

  std::string Name;
  std::string Title;
  std::string Picture;
  std::string Low;
  std::string Middle;
  std::string High;
  uint8_t ForceEditPicture = 0;
};

}  // namespace framework::query
