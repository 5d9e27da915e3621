// The local time of a run as the report and the documents give it: the stamp
// of the project line, and ISO 8601 with the offset from UTC.
#ifndef MEMTALLY_BASE_ISO_TIME_H_
#define MEMTALLY_BASE_ISO_TIME_H_

#include <ctime>
#include <string>

namespace memtally {

// The offset of a local time from UTC, in seconds east of Greenwich, as the
// system gave it with the time.
long utcOffsetSeconds(const std::tm& local);

// Formats a local time and its offset from UTC in seconds as
// "2026-12-09T14:08:23+00:00"; fields out of their range are clamped, so the
// text always has this form.
std::string formatIsoTime(const std::tm& local, long offsetSeconds);

// Formats a time as the 24-character stamp of the project line, with its
// newline: "Wed Dec 09 07:38:47 2026\n". A weekday or month out of its range
// shows as the first; other fields out of their range are clamped.
std::string formatTimeStamp(const std::tm& time);

}  // namespace memtally

#endif  // MEMTALLY_BASE_ISO_TIME_H_
