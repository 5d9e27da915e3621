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
