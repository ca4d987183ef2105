#include "DxlTime.h"

#include <cstdio>
#include <cstdlib>

#include "sim/Time.h"

namespace sim::dxl {
namespace {

constexpr DWORD kAllDay = 0xFFFFFFFFu;
constexpr DWORD kAnyDay = 0xFFFFFFFFu;
constexpr DWORD kTicksPerDay = 8640000;
constexpr DWORD kObservesDst = 0x80000000u;
constexpr DWORD kEast = 0x40000000u;

bool Digits(std::string_view s, size_t pos, size_t count, int& value) {
    if (pos + count > s.size()) return false;
    value = 0;
    for (size_t i = pos; i < pos + count; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        value = value * 10 + (s[i] - '0');
    }
    return true;
}

// The zone bits for a standard offset of `minutesEast` (multiple of 15).
DWORD ZoneBits(int minutesEast, bool observesDst) {
    const int absMinutes = minutesEast < 0 ? -minutesEast : minutesEast;
    DWORD bits = DWORD(absMinutes / 60) << 24 | DWORD((absMinutes % 60) / 15) << 28;
    if (minutesEast > 0) bits |= kEast;
    if (observesDst) bits |= kObservesDst;
    return bits;
}

int StandardMinutesEast(DWORD innards1) {
    const int minutes = int((innards1 >> 24) & 0x0F) * 60 + int((innards1 >> 28) & 0x03) * 15;
    return (innards1 & kEast) ? minutes : -minutes;
}

int64_t NthSunday(int year, int month, int nth) {  // nth < 0: last Sunday of the month
    if (nth > 0) {
        const int64_t first = JulianDay(year, month, 1);
        const int64_t weekday = (first + 1) % 7;  // 0 = Sunday
        return first + (7 - weekday) % 7 + 7 * (nth - 1);
    }
    const int64_t last = JulianDay(year, month + 1, 1) - 1;
    return last - (last + 1) % 7;
}

// By local standard date: close enough for the hours around a change, which DXL files
// exported at those hours would still give back with the same zone bits as long as the
// exporter and we agree on the day.
bool InDst(int64_t localJdn, int year, bool east) {
    if (east) return localJdn >= NthSunday(year, 3, -1) && localJdn < NthSunday(year, 10, -1);
    if (year >= 2007) return localJdn >= NthSunday(year, 3, 2) && localJdn < NthSunday(year, 11, 1);
    return localJdn >= NthSunday(year, 4, 1) && localJdn < NthSunday(year, 10, -1);
}

}  // namespace

bool ParseDateTime(std::string_view s, bool dst, bool observesDst, TIMEDATE& out) {
    if (s.empty()) {
        out.Innards[0] = kAllDay;
        out.Innards[1] = kAnyDay;
        return true;
    }
    size_t pos = 0;
    bool hasDate = false, hasTime = false;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, hundredths = 0;
    if (s[0] != 'T') {
        if (!Digits(s, 0, 4, year) || !Digits(s, 4, 2, month) || !Digits(s, 6, 2, day)) return false;
        if (month < 1 || month > 12 || day < 1 || day > 31) return false;
        hasDate = true;
        pos = 8;
    }
    if (pos < s.size() && s[pos] == 'T') {
        if (!Digits(s, pos + 1, 2, hour) || !Digits(s, pos + 3, 2, minute) || !Digits(s, pos + 5, 2, second))
            return false;
        if (hour > 23 || minute > 59 || second > 59) return false;
        hasTime = true;
        pos += 7;
        if (pos < s.size() && s[pos] == ',') {
            if (!Digits(s, pos + 1, 2, hundredths)) return false;
            pos += 3;
        }
    }
    int offsetMinutes = 0;  // east, as written (daylight saving time included)
    bool hasZone = false;
    if (pos < s.size()) {
        if (!hasTime) return false;
        if (s[pos] == 'Z') {
            pos += 1;
        } else if (s[pos] == '+' || s[pos] == '-') {
            int hours = 0, minutes = 0;
            if (!Digits(s, pos + 1, 2, hours)) return false;
            size_t next = pos + 3;
            if (next < s.size() && s[next] != ' ') {
                if (!Digits(s, next, 2, minutes) || minutes % 15 != 0) return false;
                next += 2;
            }
            offsetMinutes = (hours * 60 + minutes) * (s[pos] == '-' ? -1 : 1);
            pos = next;
        } else {
            return false;
        }
        hasZone = true;
        if (pos != s.size()) return false;
    }

    if (!hasTime) {  // a date without time: the calendar day, no zone
        out.Innards[0] = kAllDay;
        out.Innards[1] = DWORD(JulianDay(year, month, day));
        return true;
    }
    int64_t ticks = ((int64_t(hour) * 60 + minute) * 60 + second) * 100 + hundredths;
    ticks -= int64_t(offsetMinutes) * 6000;
    int64_t jdn = hasDate ? JulianDay(year, month, day) : 0;
    while (ticks < 0) {
        ticks += kTicksPerDay;
        --jdn;
    }
    while (ticks >= kTicksPerDay) {
        ticks -= kTicksPerDay;
        ++jdn;
    }
    out.Innards[0] = DWORD(ticks);
    if (!hasDate) {  // a time without date: GMT time of day
        out.Innards[1] = kAnyDay;
        return true;
    }
    const int standardEast = dst ? offsetMinutes - 60 : offsetMinutes;
    out.Innards[1] = DWORD(jdn) | (hasZone ? ZoneBits(standardEast, dst || observesDst) : 0);
    return true;
}

std::string FormatDateTime(const TIMEDATE& td, bool& dst, bool& observesDst) {
    dst = observesDst = false;
    char buf[64];
    const bool noTime = td.Innards[0] == kAllDay, noDate = td.Innards[1] == kAnyDay;
    if (noTime && noDate) return {};
    if (noTime) {
        int y, m, d;
        CivilFromJulianDay(td.Innards[1] & 0x00FFFFFF, y, m, d);
        std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d);
        return buf;
    }
    const DWORD ticksGmt = td.Innards[0] % kTicksPerDay;
    if (noDate) {
        std::snprintf(buf, sizeof buf, "T%02u%02u%02u,%02u", ticksGmt / 360000, ticksGmt / 6000 % 60,
                      ticksGmt / 100 % 60, ticksGmt % 100);
        return buf;
    }
    const int standardEast = StandardMinutesEast(td.Innards[1]);
    int offset = standardEast;
    int64_t ticks = int64_t(ticksGmt) + int64_t(standardEast) * 6000;
    int64_t jdn = td.Innards[1] & 0x00FFFFFF;
    auto normalise = [&] {
        while (ticks < 0) {
            ticks += kTicksPerDay;
            --jdn;
        }
        while (ticks >= kTicksPerDay) {
            ticks -= kTicksPerDay;
            ++jdn;
        }
    };
    normalise();
    if (td.Innards[1] & kObservesDst) {
        int y, m, d;
        CivilFromJulianDay(jdn, y, m, d);
        if (InDst(jdn, y, standardEast > 0)) {
            dst = true;
            offset += 60;
            ticks += 360000;
            normalise();
        } else {
            observesDst = true;
        }
    }
    int y, m, d;
    CivilFromJulianDay(jdn, y, m, d);
    const int absOffset = offset < 0 ? -offset : offset;
    int n = std::snprintf(buf, sizeof buf, "%04d%02d%02dT%02d%02d%02d,%02d%c%02d", y, m, d, int(ticks / 360000),
                          int(ticks / 6000 % 60), int(ticks / 100 % 60), int(ticks % 100), offset < 0 ? '-' : '+',
                          absOffset / 60);
    if (absOffset % 60) std::snprintf(buf + n, sizeof buf - n, "%02d", absOffset % 60);
    return buf;
}

}  // namespace sim::dxl
