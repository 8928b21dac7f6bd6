#pragma once
// The runtime's Date and Time values (FieldKind::Date and FieldKind::Time) and their
// conversions to and from calendar and clock parts, with today's date and the clock.
//
// Date: a day number in the proleptic Gregorian calendar, day 1 being 1 January of
// year 1; so 1 January 2000 is day 730120. Consecutive days differ by 1, which keeps
// date arithmetic and ordering plain integer work. 0 means "no date". Valid dates run
// from 0001-01-01 (FirstDay) to 9999-12-31 (LastDay), which every four-digit display
// can show.
//
// Time: hundredths of a second since midnight, plus 1, so midnight is 1 and
// 23:59:59.99 is 8,640,000 (LastTime). 0 means "no time".
//
// Every operation is a pure function except Today and Clock, which read the system
// clock in the local time zone; all may be called from any thread.

#include <cstdint>
#include <optional>

namespace runtime::data {

class DateTime {
 public:
  struct DateParts {
    int Year = 0;
    int Month = 0;  // 1..12
    int Day = 0;    // 1..31
    bool operator==(const DateParts&) const = default;
  };
  struct TimeParts {
    int Hours = 0;       // 0..23
    int Minutes = 0;     // 0..59
    int Seconds = 0;     // 0..59
    int Hundredths = 0;  // 0..99
    bool operator==(const TimeParts&) const = default;
  };

  static constexpr int32_t NoDate = 0;
  static constexpr int32_t NoTime = 0;
  static constexpr int MinYear = 1;
  static constexpr int MaxYear = 9999;
  static constexpr int32_t FirstDay = 1;           // 0001-01-01
  static constexpr int32_t LastDay = 3652059;      // 9999-12-31
  static constexpr int32_t HundredthsPerDay = 8640000;
  static constexpr int32_t Midnight = 1;           // 00:00:00.00
  static constexpr int32_t LastTime = HundredthsPerDay;  // 23:59:59.99

  static bool IsLeapYear(int year);
  // 28..31; 0 for a month outside 1..12.
  static int DaysInMonth(int year, int month);

  // The day number of a calendar date; NoDate when the date does not exist
  // (month 13, 30 February, year 0 or 10000 ...).
  static int32_t DateOf(int year, int month, int day);
  static int32_t DateOf(const DateParts& parts) { return DateOf(parts.Year, parts.Month, parts.Day); }
  // The calendar date of a day number; nothing for NoDate or a number outside
  // FirstDay..LastDay.
  static std::optional<DateParts> SplitDate(int32_t date);
  // 0 Sunday .. 6 Saturday; -1 for a day number that is not a valid date.
  static int DayOfWeek(int32_t date);

  // The time value of a clock time; NoTime when a part is out of range.
  static int32_t TimeOf(int hours, int minutes, int seconds, int hundredths = 0);
  static int32_t TimeOf(const TimeParts& parts) {
    return TimeOf(parts.Hours, parts.Minutes, parts.Seconds, parts.Hundredths);
  }
  // The clock parts of a time value; nothing for NoTime or a value outside
  // Midnight..LastTime.
  static std::optional<TimeParts> SplitTime(int32_t time);

  // Today's date and the time of day, local time.
  static int32_t Today();
  static int32_t Clock();
};

}  // namespace runtime::data
