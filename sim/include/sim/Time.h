// TIMEDATE arithmetic and the stand-in's clock and time zone.
//
// Default zone: US Eastern (Notes zone 5, US daylight-saving rules), so that
// ConvertTIMEDATEToText prints e.g. "03/05/2004 09:07:03 AM" for 14:07:03 GMT that day.
// ConvertTIMEDATEToText's default format: "MM/DD/YYYY hh:mm:ss AM" in local time, 12-hour
// clock, zero-padded, no zone text; a date-only value prints "MM/DD/YYYY", a time-only one
// "hh:mm:ss AM".
#pragma once

#include <notesapi/notesapi.h>

#include <cstdint>

namespace sim {

enum class DstRule {
    None,
    US,  // from 2007: second Sunday of March to first Sunday of November, 02:00 local;
         // before: first Sunday of April to last Sunday of October
    EU,  // last Sunday of March to last Sunday of October, 01:00 GMT
};

// `notesZone` in the Notes convention: hours west of GMT positive, fractions as
// minutes*100 + hours (EST = 5, CET = -1, India = -3005).
void SetTimeZone(int notesZone, DstRule rule);
int TimeZoneMinutesWest();  // the current zone's standard offset, in minutes west of GMT
DstRule TimeZoneDstRule();

// Fixes the time OSCurrentTIMEDATE returns (Unix seconds); 0 = the real clock.
void SetCurrentTime(int64_t unixSeconds);

// ---- conversions (GMT instants; zone bits from the current zone) ----
int64_t JulianDay(int year, int month, int day);  // Notes day number (1970-01-01 = 2440588)
void CivilFromJulianDay(int64_t jdn, int& year, int& month, int& day);

// A TIMEDATE for a GMT instant, with the current zone's bits.
TIMEDATE TimeDateFromUnix(int64_t unixSeconds, int hundredths = 0);
// A TIMEDATE for a local wall-clock time in the current zone.
TIMEDATE TimeDateFromLocal(int year, int month, int day, int hour, int minute, int second, int hundredths = 0);
TIMEDATE DateOnly(int year, int month, int day);                // time part ALLDAY
TIMEDATE TimeOnly(int hour, int minute, int second);            // date part ANYDAY, GMT time
bool TimeDateToUnix(const TIMEDATE& td, int64_t& unixSeconds);  // false: no date or time

// Whether the current zone is in daylight saving time at that GMT instant.
bool IsDstAt(int64_t unixSeconds);

// A value whose time part is out of range: ConvertTIMEDATEToText refuses it.
inline constexpr TIMEDATE kUnconvertibleTime{{0xFFFFFF00u, 0x00256E4Eu}};

}  // namespace sim
