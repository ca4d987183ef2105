#include "sim/Time.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <string>

#include "Calls.h"
#include "State.h"
#include "sim/Status.h"

namespace sim {
namespace {

constexpr int64_t kUnixEpochJdn = 2440588;
constexpr DWORD kJdnMask = 0x00FFFFFF;

struct Zone {
    int minutesWest = 300;
    DstRule rule = DstRule::US;
    int64_t fixedNow = 0;
};

Zone& CurrentZone() {
    static Zone zone;
    return zone;
}

int MinutesWestFromNotes(int z) {
    const int sign = z < 0 ? -1 : 1;
    const int a = z < 0 ? -z : z;
    return sign * ((a % 100) * 60 + a / 100);
}

int NotesFromMinutesWest(int w) {
    const int sign = w < 0 ? -1 : 1;
    const int a = w < 0 ? -w : w;
    return sign * ((a % 60) * 100 + a / 60);
}

// Day of week, 0 = Sunday.
int WeekdayOfJdn(int64_t jdn) { return static_cast<int>((jdn + 1) % 7); }

// Day of month of the nth (1-based; 0 = last) Sunday of a month.
int NthSunday(int year, int month, int n) {
    if (n > 0) {
        const int first = WeekdayOfJdn(JulianDay(year, month, 1));
        return 1 + (7 - first) % 7 + 7 * (n - 1);
    }
    int y = year, m = month + 1;
    if (m > 12) {
        m = 1;
        ++y;
    }
    const int64_t last = JulianDay(y, m, 1) - 1;
    int ly, lm, ld;
    CivilFromJulianDay(last, ly, lm, ld);
    return ld - WeekdayOfJdn(last);
}

int64_t UnixOf(int year, int month, int day, int hour, int minute) {
    return (JulianDay(year, month, day) - kUnixEpochJdn) * 86400 + hour * 3600 + minute * 60;
}

DWORD ZoneBits(int minutesWest, bool observesDst) {
    DWORD bits = observesDst ? 0x80000000u : 0;
    if (minutesWest < 0) bits |= 0x40000000u;
    const int a = minutesWest < 0 ? -minutesWest : minutesWest;
    bits |= DWORD((a % 60) / 15) << 28;
    bits |= DWORD(a / 60) << 24;
    return bits;
}

struct Fields {
    int year, month, day, hour, minute, second, hundredth, weekday;
};

}  // namespace

void detail::ResetTime() { CurrentZone() = Zone{}; }

void SetTimeZone(int notesZone, DstRule rule) {
    CurrentZone().minutesWest = MinutesWestFromNotes(notesZone);
    CurrentZone().rule = rule;
}
int TimeZoneMinutesWest() { return CurrentZone().minutesWest; }
DstRule TimeZoneDstRule() { return CurrentZone().rule; }
void SetCurrentTime(int64_t unixSeconds) { CurrentZone().fixedNow = unixSeconds; }

int64_t JulianDay(int year, int month, int day) {
    // Proleptic Gregorian calendar (Fliegel & Van Flandern).
    const int64_t a = (14 - month) / 12;
    const int64_t y = year + 4800 - a;
    const int64_t m = month + 12 * a - 3;
    return day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

void CivilFromJulianDay(int64_t jdn, int& year, int& month, int& day) {
    const int64_t a = jdn + 32044;
    const int64_t b = (4 * a + 3) / 146097;
    const int64_t c = a - 146097 * b / 4;
    const int64_t d = (4 * c + 3) / 1461;
    const int64_t e = c - 1461 * d / 4;
    const int64_t m = (5 * e + 2) / 153;
    day = static_cast<int>(e - (153 * m + 2) / 5 + 1);
    month = static_cast<int>(m + 3 - 12 * (m / 10));
    year = static_cast<int>(100 * b + d - 4800 + m / 10);
}

bool IsDstAt(int64_t t) {
    const Zone& z = CurrentZone();
    if (z.rule == DstRule::None) return false;
    int y, mo, d;
    CivilFromJulianDay(kUnixEpochJdn + (t >= 0 ? t / 86400 : (t - 86399) / 86400), y, mo, d);
    if (z.rule == DstRule::EU) {
        const int64_t start = UnixOf(y, 3, NthSunday(y, 3, 0), 1, 0);
        const int64_t end = UnixOf(y, 10, NthSunday(y, 10, 0), 1, 0);
        return t >= start && t < end;
    }
    // US: the switches happen at 02:00 local standard time, and 02:00 local daylight time.
    int64_t start, end;
    if (y >= 2007) {
        start = UnixOf(y, 3, NthSunday(y, 3, 2), 2, 0);
        end = UnixOf(y, 11, NthSunday(y, 11, 1), 2, 0);
    } else {
        start = UnixOf(y, 4, NthSunday(y, 4, 1), 2, 0);
        end = UnixOf(y, 10, NthSunday(y, 10, 0), 2, 0);
    }
    start += z.minutesWest * 60;
    end += (z.minutesWest - 60) * 60;
    return t >= start && t < end;
}

TIMEDATE TimeDateFromUnix(int64_t t, int hundredths) {
    const int64_t days = t >= 0 ? t / 86400 : (t - 86399) / 86400;
    const int64_t secs = t - days * 86400;
    TIMEDATE td;
    td.Innards[0] = static_cast<DWORD>(secs * 100 + hundredths);
    td.Innards[1] = static_cast<DWORD>(kUnixEpochJdn + days) |
                    ZoneBits(CurrentZone().minutesWest, CurrentZone().rule != DstRule::None);
    return td;
}

TIMEDATE TimeDateFromLocal(int year, int month, int day, int hour, int minute, int second, int hundredths) {
    const int64_t local = UnixOf(year, month, day, hour, minute) + second;
    int64_t t = local + CurrentZone().minutesWest * 60;
    if (IsDstAt(t - 3600)) t -= 3600;
    return TimeDateFromUnix(t, hundredths);
}

TIMEDATE DateOnly(int year, int month, int day) {
    return TIMEDATE{{ALLDAY, static_cast<DWORD>(JulianDay(year, month, day))}};
}

TIMEDATE TimeOnly(int hour, int minute, int second) {
    return TIMEDATE{{static_cast<DWORD>((hour * 3600 + minute * 60 + second) * 100), ANYDAY}};
}

bool TimeDateToUnix(const TIMEDATE& td, int64_t& t) {
    if (td.Innards[0] == ALLDAY || td.Innards[1] == ANYDAY || td.Innards[0] >= DWORD(TICKS_IN_DAY)) return false;
    t = (int64_t(td.Innards[1] & kJdnMask) - kUnixEpochJdn) * 86400 + td.Innards[0] / 100;
    return true;
}

namespace detail {

// Local fields of a GMT TIMEDATE in the current zone; false for values with no date or time.
bool LocalFields(const TIMEDATE& td, Fields& f, bool& dst) {
    int64_t t;
    if (!TimeDateToUnix(td, t)) return false;
    dst = IsDstAt(t);
    const int64_t local = t - CurrentZone().minutesWest * 60 + (dst ? 3600 : 0);
    const int64_t days = local >= 0 ? local / 86400 : (local - 86399) / 86400;
    const int64_t secs = local - days * 86400;
    CivilFromJulianDay(kUnixEpochJdn + days, f.year, f.month, f.day);
    f.hour = static_cast<int>(secs / 3600);
    f.minute = static_cast<int>(secs / 60 % 60);
    f.second = static_cast<int>(secs % 60);
    f.hundredth = static_cast<int>(td.Innards[0] % 100);
    f.weekday = WeekdayOfJdn(kUnixEpochJdn + days) + 1;
    return true;
}

// The default text of a TIMEDATE (see Time.h); empty with false when it cannot be converted.
bool TimeDateText(const TIMEDATE& td, const TFMT* fmt, std::string& out) {
    const bool noTime = td.Innards[0] == ALLDAY;
    const bool noDate = td.Innards[1] == ANYDAY;
    if (!noTime && td.Innards[0] >= DWORD(TICKS_IN_DAY)) return false;
    if (!noDate && (td.Innards[1] & kJdnMask) == 0) return false;
    int structure = fmt ? fmt->Structure : 2;
    bool showDate = structure != 1, showTime = structure != 0;
    if (noDate) showDate = false;
    if (noTime) showTime = false;
    Fields f{};
    if (!noDate && !noTime) {
        bool dst;
        LocalFields(td, f, dst);
    } else {
        if (!noDate) CivilFromJulianDay(td.Innards[1] & kJdnMask, f.year, f.month, f.day);
        if (!noTime) {
            int64_t secs = td.Innards[0] / 100 - CurrentZone().minutesWest * 60;
            secs = ((secs % 86400) + 86400) % 86400;
            f.hour = static_cast<int>(secs / 3600);
            f.minute = static_cast<int>(secs / 60 % 60);
            f.second = static_cast<int>(secs % 60);
        }
    }
    char buf[64];
    out.clear();
    if (showDate) {
        std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", f.month, f.day, f.year);
        out += buf;
    }
    if (showTime) {
        if (!out.empty()) out += ' ';
        const int h12 = f.hour % 12 == 0 ? 12 : f.hour % 12;
        const char* ampm = f.hour < 12 ? "AM" : "PM";
        const int timeFormat = fmt ? fmt->Time : 0;
        if (timeFormat == 2)
            std::snprintf(buf, sizeof buf, "%02d %s", h12, ampm);
        else if (timeFormat == 1)
            std::snprintf(buf, sizeof buf, "%02d:%02d %s", h12, f.minute, ampm);
        else
            std::snprintf(buf, sizeof buf, "%02d:%02d:%02d %s", h12, f.minute, f.second, ampm);
        out += buf;
    }
    return true;
}

}  // namespace detail
}  // namespace sim

using namespace sim;

// IntlFormat is ignored: the stand-in has one fixed, US-style format (see sim/Time.h).
NOTESAPI_FN STATUS LNPUBLIC ConvertTIMEDATEToText(const void* IntlFormat, const TFMT* TextFormat,
                                                  const TIMEDATE* InputTime, char* retTextBuffer, WORD TextBufferLength,
                                                  WORD* retTextLength) {
    SIM_ENTER_STATUS(ConvertTIMEDATEToText);
    if (!InputTime || !retTextBuffer) return ERR_SIM_BAD_ARGUMENT;
    std::string text;
    if (!detail::TimeDateText(*InputTime, TextFormat, text)) return ERR_SIM_TIME_CONVERT;
    // Not terminated: the caller uses the length.
    const size_t n = std::min<size_t>(text.size(), TextBufferLength);
    std::memcpy(retTextBuffer, text.data(), n);
    if (retTextLength) *retTextLength = static_cast<WORD>(n);
    return NOERROR;
}

NOTESAPI_FN void LNPUBLIC OSCurrentTimeZone(int* retZone, int* retDST) {
    SIM_ENTER_VOID(OSCurrentTimeZone);
    const TIMEDATE now = detail::NowTimeDate();
    int64_t t = 0;
    TimeDateToUnix(now, t);
    if (retZone) *retZone = NotesFromMinutesWest(TimeZoneMinutesWest());
    if (retDST) *retDST = IsDstAt(t) ? 1 : 0;
}

NOTESAPI_FN BOOL LNPUBLIC TimeGMToLocal(TIME* Time) {
    SIM_ENTER_OR(TimeGMToLocal, TRUE);
    if (!Time) return TRUE;
    const TIMEDATE gm = Time->GM;
    sim::Fields f{};
    bool dst = false;
    if (gm.Innards[0] == ALLDAY && gm.Innards[1] != ANYDAY) {
        // A date without a time: the calendar date as it stands.
        CivilFromJulianDay(gm.Innards[1] & 0x00FFFFFF, f.year, f.month, f.day);
        f.weekday = static_cast<int>((JulianDay(f.year, f.month, f.day) + 1) % 7) + 1;
    } else if (!detail::LocalFields(gm, f, dst)) {
        return TRUE;
    }
    Time->year = f.year;
    Time->month = f.month;
    Time->day = f.day;
    Time->weekday = f.weekday;
    Time->hour = f.hour;
    Time->minute = f.minute;
    Time->second = f.second;
    Time->hundredth = f.hundredth;
    Time->dst = dst ? 1 : 0;
    Time->zone = NotesFromMinutesWest(TimeZoneMinutesWest());
    return FALSE;
}

// Uses the zone and dst fields of the TIME, as Notes does.
NOTESAPI_FN BOOL LNPUBLIC TimeLocalToGM(TIME* Time) {
    SIM_ENTER_OR(TimeLocalToGM, TRUE);
    if (!Time) return TRUE;
    const TIME& t = *Time;
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 ||
        t.second < 0 || t.second > 59 || t.hundredth < 0 || t.hundredth > 99 || t.year < 1)
        return TRUE;
    int y, m, d;
    const int64_t jdn = JulianDay(t.year, t.month, t.day);
    CivilFromJulianDay(jdn, y, m, d);
    if (d != t.day) return TRUE;  // e.g. 31 April
    const int west = MinutesWestFromNotes(t.zone);
    const int64_t local = (jdn - kUnixEpochJdn) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
    const int64_t gm = local + west * 60 - (t.dst ? 3600 : 0);
    const int64_t days = gm >= 0 ? gm / 86400 : (gm - 86399) / 86400;
    const bool observes = t.dst != 0 || (west == TimeZoneMinutesWest() && TimeZoneDstRule() != DstRule::None);
    Time->GM.Innards[0] = static_cast<DWORD>((gm - days * 86400) * 100 + t.hundredth);
    Time->GM.Innards[1] = static_cast<DWORD>(kUnixEpochJdn + days) | ZoneBits(west, observes);
    return FALSE;
}

// TIMEDATE_MAXIMUM: the last hundredth of the largest day number the format holds.
NOTESAPI_FN void LNPUBLIC TimeConstant(WORD TimeConstantType, TIMEDATE* td) {
    SIM_ENTER_VOID(TimeConstant);
    if (!td) return;
    switch (TimeConstantType) {
        case TIMEDATE_MINIMUM: *td = TIMEDATE{{0, 0}}; break;
        case TIMEDATE_MAXIMUM: *td = TIMEDATE{{DWORD(TICKS_IN_DAY - 1), 0x00FFFFFF}}; break;
        case TIMEDATE_WILDCARD: *td = TIMEDATE{{ALLDAY, ANYDAY}}; break;
        default: break;
    }
}

TIMEDATE detail::NowTimeDate() {
    int64_t now = CurrentZone().fixedNow;
    int hundredths = 0;
    if (now == 0) {
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
                .count();
        now = ms / 1000;
        hundredths = static_cast<int>(ms % 1000 / 10);
    }
    return TimeDateFromUnix(now, hundredths);
}

NOTESAPI_FN void LNPUBLIC OSCurrentTIMEDATE(TIMEDATE* retTimeDate) {
    SIM_ENTER_VOID(OSCurrentTIMEDATE);
    if (retTimeDate) *retTimeDate = detail::NowTimeDate();
}
