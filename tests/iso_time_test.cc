#include "base/iso_time.h"

#include <gtest/gtest.h>

namespace memtally {
namespace {

std::tm at(int year, int month, int day, int hour, int minute, int second) {
  std::tm time{};
  time.tm_year = year - 1900;
  time.tm_mon = month - 1;
  time.tm_mday = day;
  time.tm_hour = hour;
  time.tm_min = minute;
  time.tm_sec = second;
  return time;
}

TEST(IsoTimeTest, LocalTimeWithItsOffsetAlwaysHasTheSameForm) {
  struct Case {
    std::tm time;
    long offset;
    const char* text;
  };
  const Case cases[] = {
      {at(2026, 12, 9, 14, 8, 23), 0, "2026-12-09T14:08:23+00:00"},
      {at(2026, 1, 1, 0, 0, 0), 3600, "2026-01-01T00:00:00+01:00"},
      {at(2026, 7, 31, 23, 59, 59), -(9 * 3600 + 30 * 60),
       "2026-07-31T23:59:59-09:30"},
      {at(2026, 6, 30, 23, 59, 60), 5 * 3600 + 45 * 60,
       "2026-06-30T23:59:59+05:45"},
      // Fields a clock cannot give are clamped rather than break the form.
      {at(12026, 13, 0, 25, 61, 61), 100 * 3600, "9999-12-01T23:59:59+23:59"},
      {at(999, 1, 1, -1, 0, 0), -100 * 3600, "0999-01-01T00:00:00-23:59"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(formatIsoTime(c.time, c.offset), c.text);
  }
}

TEST(IsoTimeTest, TimeStampHasFixedWidthEnglishFields) {
  struct Case {
    std::tm time;
    int weekday;
    const char* text;
  };
  const Case cases[] = {
      {at(2026, 12, 9, 7, 5, 3), 3, "Wed Dec 09 07:05:03 2026\n"},
      {at(2026, 1, 31, 23, 59, 60), 0, "Sun Jan 31 23:59:60 2026\n"},
      {at(999, 6, 1, 0, 59, 60), 6, "Sat Jun 01 00:59:60 0999\n"},
      // A weekday or month out of range shows as the first; the other
      // fields a clock cannot give are clamped.
      {at(2026, 13, 0, 24, 60, 61), 7, "Sun Jan 01 23:59:60 2026\n"},
      {at(-1, 0, 32, -1, -1, -1), -1, "Sun Jan 31 00:00:00 0000\n"},
      {at(12026, 1, 1, 0, 0, 0), 1, "Mon Jan 01 00:00:00 12026\n"},
  };
  for (const Case& c : cases) {
    std::tm time = c.time;
    time.tm_wday = c.weekday;
    EXPECT_EQ(formatTimeStamp(time), c.text);
  }
}

}  // namespace
}  // namespace memtally
