#pragma once
// Pictures: how a value is shown in an entry or a list column, and how typed text
// is read back into the variable. A picture name is case-insensitive and may be
// written with or without its "@" ("@n9", "N9", "@D17", "d17").
//
//  @sN      text of at most N bytes, cut so that no UTF-8 character is split.
//  @nW[.P]  a signed number in W positions (sign and point included) with P places,
//           rounded half away from zero. Optional marks, in this order:
//             after "n": "0" leading zeros to fill W (-12 in "@n09" is "-00000012"),
//                        "*" asterisks ("@n*9": "******-12"), "_" blanks (the default;
//                        blanks pad nothing, since entries and list columns align the
//                        text themselves);
//             then "-": the sign position, shown anyway for a negative value;
//             at the end: "b" blank when zero.
//           No digit grouping: "1,5" typed into a number is refused rather than
//           read as 15.
//  @dN      a date (day number, see runtime/data/DateTime.h). "@d18" is the long form
//           "March 7, 2025"; every other number is the short form "2025-03-07"
//           (year-month-day: the same in every country, and log lines that begin
//           with it sort by date). No date (0) shows blank.
//  @tN      a time of day, 24-hour "14:05:09", for every number. No time (0) shows
//           blank.
//  others   an unknown picture shows the value's plain text and stores the typed
//           text unchanged.
//
// A value that cannot be shown in its picture (a number needing more than W positions
// or, under @sN, more than N characters; a text that is not a number under @n; a day
// or time number out of range) shows as the picture's width in "#" characters, never
// as a cut value that would read as another one. Typed text that does not fit the picture is refused: Deformat returns
// false and the target keeps its value.
//
// Every operation is a pure function of its arguments and may be called from any thread
// (the variables behind FieldRefs are the caller's to guard).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/data/FieldRef.h"

namespace runtime::text {

class Picture {
 public:
  enum class Category : uint8_t { Plain, Text, Number, Date, Time };

  // A picture read once, to format many values with it (a list column's cells).
  struct Parsed {
    Category Cat = Category::Plain;
    size_t Width = 0;   // bytes for text, positions for numbers, characters for dates and times
    size_t Places = 0;  // numbers
    char Fill = ' ';    // numbers: ' ', '0' or '*'
    bool BlankZero = false;
  };
  static Parsed Parse(std::string_view picture);

  // What a picture formats; Plain for an unknown or malformed picture.
  static Category Classify(std::string_view picture);

  // The display text of a value.
  static std::string Format(const runtime::data::FieldRef& value, std::string_view picture);
  static std::string Format(const runtime::data::FieldRef& value, const Parsed& picture);
  static std::string Format(std::string_view text, std::string_view picture);
  static std::string Format(int64_t value, std::string_view picture);
  static std::string Format(double value, std::string_view picture);

  // Reads typed text through the picture into `target`. Returns false, leaving the
  // target unchanged, when the text is not a value of the picture (not a number, more
  // places or positions than the picture has, no such date or time) or the target
  // cannot hold it. Blank text stores 0 (no date, no time) in a numeric picture; a
  // text longer than a text picture's length is refused, never cut.
  static bool Deformat(std::string_view text, std::string_view picture, runtime::data::FieldRef target);

  // The display width in characters: N for @sN, W for @nW, 10 and 18 for the short
  // and long dates, 8 for times; 0 when the picture sets no width (Plain).
  static int Width(std::string_view picture);

  // Whether an entry with this picture may hold `partialText` while the user types:
  // false only for characters the picture can never take (a letter in a number, a date
  // too long). Text with more bytes, positions or places than the picture is let
  // through, so that Deformat refuses it whole when the entry is left, with a message,
  // rather than a dropped keystroke turning it into another value.
  static bool Accepts(std::string_view picture, std::string_view partialText);
};

}  // namespace runtime::text
