#pragma once
// Maps values of a string key to scroll-thumb positions 1 to 100 and back, for a browse
// that holds only one page of rows. Three distributions of 100 entries: a fixed table of
// name prefixes (3 characters), a fixed table of two-letter prefixes, and one computed
// at run time between the first and the last key value of the current order (4
// characters counted in the base of SortChars after the common prefix; Root keeps at
// most 40 characters of it, and each entry carries the rest).
//
// The run-time distribution may be built over several ranges of keys instead of one:
// FindRanges splits the order where its keys branch at the first character after
// their common prefix ("http:" and "https" rows), reading only the ends of each range,
// and the entries are shared evenly among the ranges, so that key space no record
// uses takes no room on the thumb.
//
// Controls bits: ControlLetters, ControlPunctuation, ControlDigits, ControlAddress
// (":", "/", ".", "-") (the characters of a run-time entry), ControlCaseSensitive (no
// upper-casing), ControlDescending.
// A run-time step whose Controls select no characters has no base to count in: its
// entries stay blank, every value gives position 100 and every position gives Root.
//
// Thread safety: a step belongs to its browse's thread.
//
// Virtual operations are declared in their fixed slot order.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace framework::browse {

class StringStep {
 public:
  static constexpr uint8_t ControlLetters = 1;
  static constexpr uint8_t ControlPunctuation = 2;
  static constexpr uint8_t ControlDigits = 4;
  static constexpr uint8_t ControlCaseSensitive = 8;
  static constexpr uint8_t ControlDescending = 16;
  static constexpr uint8_t ControlAddress = 32;

  static constexpr uint8_t LookupNames = 1;
  static constexpr uint8_t LookupTwoLetters = 2;
  static constexpr uint8_t LookupRunTime = 3;

  static constexpr int32_t Entries = 100;
  static constexpr size_t NamesLength = 3;
  static constexpr size_t TwoLettersLength = 2;
  static constexpr size_t RunTimeLength = 4;
  static constexpr size_t RootLimit = 40;
  static constexpr size_t ValueLimit = 80;
  // More ranges than this: the order is taken as one range.
  static constexpr size_t MaxRanges = 40;

  // The first and the last key of a run of the order.
  struct KeyRange {
    std::string Low;
    std::string High;
  };
  // Reads of the current order: the first key at or after a value, the last key at or
  // before it; nothing when there is none.
  struct OrderReads {
    std::function<std::optional<std::string>(const std::string&)> FirstAtOrAfter;
    std::function<std::optional<std::string>(const std::string&)> LastAtOrBefore;
  };

  // The two fixed distributions, back to back (names first); and the punctuation set.
  static const std::string_view FixedTables;
  static const std::string_view Punctuation;

  StringStep() = default;
  virtual ~StringStep() = default;
  StringStep(const StringStep&) = delete;
  StringStep& operator=(const StringStep&) = delete;

  // ---- Virtual operations, in slot order ----
  virtual int32_t ValueToPercent(std::string_view value);
  virtual std::string PercentToValue(int32_t position);
  virtual void Teardown();
  // Builds the run-time distribution between `low` and `high`.
  virtual void SetThumbRange(std::string_view low, std::string_view high);
  virtual bool ThumbRangeNeeded();

  // ---- Non-virtual ----
  void Init(uint8_t controls, uint8_t lookupMode);
  // Builds the run-time distribution over `ranges`, in the order's sequence; the
  // entries are shared evenly among them. No ranges: blank entries.
  void SetThumbRanges(const std::vector<KeyRange>& ranges);
  // The runs of the order between `low` and `high` (its first and last keys) whose keys
  // share the character after the common prefix. One range when the order descends,
  // the ends do not branch, the reads disagree with the order, or more than MaxRanges
  // runs would be needed.
  std::vector<KeyRange> FindRanges(std::string_view low, std::string_view high, const OrderReads& reads) const;

  // ---- Fields, in the fixed order ----
  uint8_t Controls = 0;
  uint8_t LookupMode = 0;
  std::string Ref;  // Entries entries of TestLen characters each
  std::string Root;
  std::string SortChars;
  uint8_t TestLen = 0;

  // With several ranges: the first and last key of the order (cased), which give
  // positions 1 and 100; empty otherwise.
  std::string First;
  std::string Last;

 private:
  bool Has(uint8_t bit) const { return (Controls & bit) != 0; }
  char Case(char c) const;
  std::string Cased(std::string_view text) const;
  std::string Entry(int32_t number) const;
};

}  // namespace framework::browse
