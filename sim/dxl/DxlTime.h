// DXL date-time text ("20200728T122240,71-04", "20260720", "T120000,00", empty) and TIMEDATE.
#pragma once

#include <notesapi/notesapi.h>

#include <string>
#include <string_view>

namespace sim::dxl {

// `dst`: the element's dst attribute, i.e. the offset written includes daylight saving time
// (the zone then observes it, and its standard offset is one hour less east).
// `observesDst`: our own attribute for a zone that observes daylight saving time at an
// instant outside it, which plain DXL cannot tell from a zone that never does.
// Empty text is the wildcard value (no date, no time). False: not a DXL date-time.
bool ParseDateTime(std::string_view text, bool dst, bool observesDst, TIMEDATE& out);

// The text and attributes that ParseDateTime reads back into the same TIMEDATE. A zone that
// observes daylight saving time is given the northern rules of its side of the world
// (west: US, east: EU) to tell whether the instant falls into it.
std::string FormatDateTime(const TIMEDATE& td, bool& dst, bool& observesDst);

}  // namespace sim::dxl
