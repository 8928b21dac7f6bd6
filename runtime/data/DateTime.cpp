#include "runtime/data/DateTime.h"

#include <sys/time.h>

#include <ctime>
#include <mutex>

namespace runtime::data {
namespace {

constexpr int MonthsPerYear = 12;
constexpr int HoursPerDay = 24;
constexpr int MinutesPerHour = 60;
constexpr int SecondsPerMinute = 60;
constexpr int HundredthsPerSecond = 100;
constexpr int MicrosecondsPerHundredth = 10000;
constexpr int TmBaseYear = 1900;  // struct tm counts years from here
constexpr int DaysPerWeek = 7;

// Days from 1970-01-01 to a proleptic Gregorian date; the era arithmetic counts
// 400-year cycles from 1 March of year 0 so that leap days fall at the end of a year.
constexpr int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2 ? 1 : 0;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

// Day number of 1970-01-01 minus one, so that 0001-01-01 becomes day 1.
constexpr int64_t UnixEpochOffset = 1 - DaysFromCivil(1, 1, 1);
static_assert(DaysFromCivil(9999, 12, 31) + UnixEpochOffset == DateTime::LastDay);

void EnsureTimeZone() {
  static std::once_flag once;
  std::call_once(once, [] { tzset(); });
}

bool LocalNow(std::tm& local, long& microseconds) {
  EnsureTimeZone();
  timeval now{};
  if (gettimeofday(&now, nullptr) != 0) return false;
  const time_t seconds = now.tv_sec;
  if (localtime_r(&seconds, &local) == nullptr) return false;
  microseconds = now.tv_usec;
  return true;
}

}  // namespace

bool DateTime::IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DateTime::DaysInMonth(int year, int month) {
  static constexpr int Days[MonthsPerYear] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > MonthsPerYear) return 0;
  if (month == 2 && IsLeapYear(year)) return Days[1] + 1;
  return Days[month - 1];
}

int32_t DateTime::DateOf(int year, int month, int day) {
  if (year < MinYear || year > MaxYear) return NoDate;
  if (day < 1 || day > DaysInMonth(year, month)) return NoDate;
  return static_cast<int32_t>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
                              UnixEpochOffset);
}

std::optional<DateTime::DateParts> DateTime::SplitDate(int32_t date) {
  if (date < FirstDay || date > LastDay) return std::nullopt;
  // The inverse of DaysFromCivil.
  const int64_t z = static_cast<int64_t>(date) - UnixEpochOffset + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  const int64_t y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2 ? 1 : 0);
  return DateParts{static_cast<int>(y), static_cast<int>(m), static_cast<int>(d)};
}

int DateTime::DayOfWeek(int32_t date) {
  if (date < FirstDay || date > LastDay) return -1;
  // Day 1 (0001-01-01) was a Monday.
  return static_cast<int>(date % DaysPerWeek);
}

int32_t DateTime::TimeOf(int hours, int minutes, int seconds, int hundredths) {
  if (hours < 0 || hours >= HoursPerDay || minutes < 0 || minutes >= MinutesPerHour || seconds < 0 ||
      seconds >= SecondsPerMinute || hundredths < 0 || hundredths >= HundredthsPerSecond) {
    return NoTime;
  }
  return ((hours * MinutesPerHour + minutes) * SecondsPerMinute + seconds) * HundredthsPerSecond + hundredths +
         Midnight;
}

std::optional<DateTime::TimeParts> DateTime::SplitTime(int32_t time) {
  if (time < Midnight || time > LastTime) return std::nullopt;
  int32_t rest = time - Midnight;
  TimeParts parts;
  parts.Hundredths = rest % HundredthsPerSecond;
  rest /= HundredthsPerSecond;
  parts.Seconds = rest % SecondsPerMinute;
  rest /= SecondsPerMinute;
  parts.Minutes = rest % MinutesPerHour;
  parts.Hours = rest / MinutesPerHour;
  return parts;
}

int32_t DateTime::Today() {
  std::tm local{};
  long microseconds = 0;
  if (!LocalNow(local, microseconds)) return NoDate;
  return DateOf(local.tm_year + TmBaseYear, local.tm_mon + 1, local.tm_mday);
}

int32_t DateTime::Clock() {
  std::tm local{};
  long microseconds = 0;
  if (!LocalNow(local, microseconds)) return NoTime;
  // A leap second (tm_sec 60) shows as the last hundredth of the minute before.
  if (local.tm_sec >= SecondsPerMinute) {
    return TimeOf(local.tm_hour, local.tm_min, SecondsPerMinute - 1, HundredthsPerSecond - 1);
  }
  return TimeOf(local.tm_hour, local.tm_min, local.tm_sec,
                static_cast<int>(microseconds / MicrosecondsPerHundredth));
}

}  // namespace runtime::data
