#include "base/iso_time.h"

#include <algorithm>
#include <cstdint>

#ifdef _WIN32
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

#include "base/format.h"

namespace memtally {
namespace {

// Appends `value`, clamped to [low, high], in `width` digits with zeros.
void appendField(std::string& out, long long value, long long low,
                 long long high, int width) {
  appendUnsigned(out, static_cast<uint64_t>(std::clamp(value, low, high)),
                 width, '0');
}

// The day and time of day of `time`, each clamped into the range strftime
// is defined for, the second to at most `lastSecond`; the other fields zero.
std::tm clockFields(const std::tm& time, int lastSecond) {
  std::tm fields{};
  fields.tm_mday = std::clamp(time.tm_mday, 1, 31);
  fields.tm_hour = std::clamp(time.tm_hour, 0, 23);
  fields.tm_min = std::clamp(time.tm_min, 0, 59);
  fields.tm_sec = std::clamp(time.tm_sec, 0, lastSecond);
  return fields;
}

// Appends `fields` as strftime formats them; the program runs in the C
// locale, so names are English.
void appendTime(std::string& out, const char* format, const std::tm& fields) {
  char text[32];
  out.append(text, std::strftime(text, sizeof text, format, &fields));
}

}  // namespace

long utcOffsetSeconds(const std::tm& local) {
#ifdef _WIN32
  // Windows gives the zone's bias in minutes (UTC is local time plus it)
  // and the bias of its standard and daylight time.
  TIME_ZONE_INFORMATION zone;
  if (GetTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID) return 0;
  const long bias =
      zone.Bias + (local.tm_isdst > 0 ? zone.DaylightBias : zone.StandardBias);
  return -bias * 60;
#else
  return local.tm_gmtoff;
#endif
}

std::string formatIsoTime(const std::tm& local, long offsetSeconds) {
  // %Y is not padded to four digits everywhere: the year is written here.
  std::string out;
  appendField(out, local.tm_year + 1900LL, 0, 9999, 4);
  // A leap second is shown as the 59th, as ISO 8601 readers expect.
  std::tm fields = clockFields(local, 59);
  fields.tm_mon = std::clamp(local.tm_mon, 0, 11);
  appendTime(out, "-%m-%dT%H:%M:%S", fields);
  const long long minutes =
      std::clamp(offsetSeconds / 60, -(23L * 60 + 59), 23L * 60 + 59);
  out.push_back(minutes < 0 ? '-' : '+');
  appendField(out, (minutes < 0 ? -minutes : minutes) / 60, 0, 23, 2);
  out.push_back(':');
  appendField(out, (minutes < 0 ? -minutes : minutes) % 60, 0, 59, 2);
  return out;
}

std::string formatTimeStamp(const std::tm& time) {
  std::tm fields = clockFields(time, 60);
  fields.tm_wday = time.tm_wday >= 0 && time.tm_wday < 7 ? time.tm_wday : 0;
  fields.tm_mon = time.tm_mon >= 0 && time.tm_mon < 12 ? time.tm_mon : 0;
  std::string stamp;
  appendTime(stamp, "%a %b %d %H:%M:%S ", fields);
  const long long year = time.tm_year + 1900LL;
  appendUnsigned(stamp, static_cast<uint64_t>(std::max(year, 0LL)), 4, '0');
  stamp.push_back('\n');
  return stamp;
}

}  // namespace memtally
