#include "base/iso_time.h"

#include <algorithm>

#ifdef _WIN32
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace memtally {
namespace {

// Appends `value`, clamped to [low, high], in `width` digits with zeros.
void appendField(std::string& out, long long value, long long low,
                 long long high, int width) {
  value = std::clamp(value, low, high);
  std::string digits = std::to_string(value);
  if (digits.size() < static_cast<size_t>(width)) {
    digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
  }
  out += digits;
}

constexpr char kWeekdays[] = "SunMonTueWedThuFriSat";
constexpr char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";

void appendTwoDigits(std::string& out, int value) {
  out.push_back(static_cast<char>('0' + value / 10 % 10));
  out.push_back(static_cast<char>('0' + value % 10));
}

int clampIndex(int value, int limit) {
  return value < 0 || value >= limit ? 0 : value;
}

}  // namespace

std::string formatTimeStamp(const std::tm& time) {
  std::string stamp;
  stamp.append(kWeekdays + 3 * clampIndex(time.tm_wday, 7), 3);
  stamp.push_back(' ');
  stamp.append(kMonths + 3 * clampIndex(time.tm_mon, 12), 3);
  stamp.push_back(' ');
  appendTwoDigits(stamp, time.tm_mday);
  stamp.push_back(' ');
  appendTwoDigits(stamp, time.tm_hour);
  stamp.push_back(':');
  appendTwoDigits(stamp, time.tm_min);
  stamp.push_back(':');
  appendTwoDigits(stamp, time.tm_sec);
  stamp.push_back(' ');
  const long long year = static_cast<long long>(time.tm_year) + 1900;
  const std::string digits = std::to_string(year < 0 ? 0 : year);
  if (digits.size() < 4) stamp.append(4 - digits.size(), '0');
  stamp.append(digits);
  stamp.push_back('\n');
  return stamp;
}

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
  std::string out;
  appendField(out, local.tm_year + 1900LL, 0, 9999, 4);
  out.push_back('-');
  appendField(out, local.tm_mon + 1LL, 1, 12, 2);
  out.push_back('-');
  appendField(out, local.tm_mday, 1, 31, 2);
  out.push_back('T');
  appendField(out, local.tm_hour, 0, 23, 2);
  out.push_back(':');
  appendField(out, local.tm_min, 0, 59, 2);
  out.push_back(':');
  // A leap second is shown as the 59th, as ISO 8601 readers expect.
  appendField(out, local.tm_sec, 0, 59, 2);
  const long long minutes =
      std::clamp(offsetSeconds / 60, -(23L * 60 + 59), 23L * 60 + 59);
  out.push_back(minutes < 0 ? '-' : '+');
  appendField(out, (minutes < 0 ? -minutes : minutes) / 60, 0, 23, 2);
  out.push_back(':');
  appendField(out, (minutes < 0 ? -minutes : minutes) % 60, 0, 59, 2);
  return out;
}

}  // namespace memtally
