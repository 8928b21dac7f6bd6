#include "runtime/data/DateTime.h"

#include <gtest/gtest.h>

#include <ctime>
#include <thread>
#include <vector>

namespace runtime::data {
namespace {

struct DateCase {
  int Year, Month, Day;
  int32_t Number;  // 0: no such date
};

TEST(DateTime, DayNumbersOfKnownDates) {
  const std::vector<DateCase> cases = {
      {1, 1, 1, 1},
      {1, 1, 2, 2},
      {1970, 1, 1, 719163},
      {2000, 1, 1, 730120},
      {2000, 2, 29, 730179},
      {9999, 12, 31, DateTime::LastDay},
      {2024, 2, 29, 738945},
      {2023, 2, 29, 0},
      {1900, 2, 29, 0},
      {2025, 4, 31, 0},
      {2025, 13, 1, 0},
      {2025, 0, 1, 0},
      {2025, 1, 0, 0},
      {0, 12, 31, 0},
      {10000, 1, 1, 0},
  };
  for (const DateCase& c : cases) {
    EXPECT_EQ(DateTime::DateOf(c.Year, c.Month, c.Day), c.Number) << c.Year << "-" << c.Month << "-" << c.Day;
  }
}

TEST(DateTime, EveryDayRoundTripsAndFollowsTheDayBefore) {
  DateTime::DateParts previous{0, 12, 31};
  for (int32_t day = DateTime::FirstDay; day <= DateTime::LastDay; ++day) {
    auto parts = DateTime::SplitDate(day);
    ASSERT_TRUE(parts) << day;
    ASSERT_EQ(DateTime::DateOf(*parts), day);
    const bool nextDay = parts->Year == previous.Year && parts->Month == previous.Month &&
                         parts->Day == previous.Day + 1;
    const bool nextMonth = parts->Year == previous.Year && parts->Month == previous.Month + 1 && parts->Day == 1 &&
                           previous.Day == DateTime::DaysInMonth(previous.Year, previous.Month);
    const bool nextYear = parts->Year == previous.Year + 1 && parts->Month == 1 && parts->Day == 1 &&
                          previous.Month == 12 && previous.Day == 31;
    ASSERT_TRUE(nextDay || nextMonth || nextYear) << day;
    previous = *parts;
  }
  EXPECT_FALSE(DateTime::SplitDate(DateTime::NoDate));
  EXPECT_FALSE(DateTime::SplitDate(-1));
  EXPECT_FALSE(DateTime::SplitDate(DateTime::LastDay + 1));
}

TEST(DateTime, DayOfWeek) {
  EXPECT_EQ(DateTime::DayOfWeek(DateTime::DateOf(1970, 1, 1)), 4);  // Thursday
  EXPECT_EQ(DateTime::DayOfWeek(DateTime::DateOf(2000, 1, 1)), 6);  // Saturday
  EXPECT_EQ(DateTime::DayOfWeek(DateTime::DateOf(2025, 3, 9)), 0);  // Sunday
  EXPECT_EQ(DateTime::DayOfWeek(DateTime::NoDate), -1);
}

TEST(DateTime, TimeValues) {
  EXPECT_EQ(DateTime::TimeOf(0, 0, 0), DateTime::Midnight);
  EXPECT_EQ(DateTime::TimeOf(23, 59, 59, 99), DateTime::LastTime);
  EXPECT_EQ(DateTime::TimeOf(14, 5, 9, 50), ((14 * 60 + 5) * 60 + 9) * 100 + 50 + 1);
  for (auto bad : std::vector<DateTime::TimeParts>{{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 100},
                                                   {-1, 0, 0, 0}}) {
    EXPECT_EQ(DateTime::TimeOf(bad), DateTime::NoTime);
  }
  for (int32_t t : {DateTime::Midnight, 12345, 4320001, DateTime::LastTime}) {
    auto parts = DateTime::SplitTime(t);
    ASSERT_TRUE(parts);
    EXPECT_EQ(DateTime::TimeOf(*parts), t);
  }
  EXPECT_FALSE(DateTime::SplitTime(DateTime::NoTime));
  EXPECT_FALSE(DateTime::SplitTime(DateTime::LastTime + 1));
}

TEST(DateTime, TodayAndClockFollowTheLocalClock) {
  // Read the system clock around the calls; retry if a second or day boundary falls between.
  for (int attempt = 0; attempt < 5; ++attempt) {
    std::time_t before = std::time(nullptr);
    int32_t today = DateTime::Today();
    int32_t clock = DateTime::Clock();
    std::time_t after = std::time(nullptr);
    if (before != after) continue;
    std::tm local{};
    localtime_r(&before, &local);
    EXPECT_EQ(today, DateTime::DateOf(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday));
    auto parts = DateTime::SplitTime(clock);
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->Hours, local.tm_hour);
    EXPECT_EQ(parts->Minutes, local.tm_min);
    EXPECT_EQ(parts->Seconds, std::min(local.tm_sec, 59));
    return;
  }
  GTEST_SKIP() << "the clock kept moving between reads";
}

// Log lines are dated from many threads at once; the first reads set up the time zone.
TEST(DateTimeConcurrent, TodayAndClockFromManyThreads) {
  constexpr int Threads = 4;
  constexpr int Reads = 200;
  std::vector<int> bad(Threads, 0);
  std::vector<std::thread> workers;
  for (int t = 0; t < Threads; ++t) {
    workers.emplace_back([&bad, t] {
      for (int i = 0; i < Reads; ++i) {
        if (!DateTime::SplitDate(DateTime::Today()) || !DateTime::SplitTime(DateTime::Clock())) ++bad[t];
      }
    });
  }
  for (std::thread& w : workers) w.join();
  for (int t = 0; t < Threads; ++t) EXPECT_EQ(bad[t], 0) << "thread " << t;
}

}  // namespace
}  // namespace runtime::data
