// The DXL reader over arbitrary text. What it accepts it must also write back, and the text it
// writes must read again to the same notes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "sim/dxl/Dxl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    sim::Database db;
    std::string error;
    if (!sim::dxl::ParseDatabase(std::string_view(reinterpret_cast<const char*>(data), size), db, error)) {
        if (error.empty()) std::abort();  // a refusal says why
        return 0;
    }
    std::string xml;
    if (!sim::dxl::FormatDatabase(db, xml, error)) return 0;
    sim::Database again;
    if (!sim::dxl::ParseDatabase(xml, again, error)) std::abort();  // what we write, we read
    std::size_t live = 0, liveAgain = 0;
    for (const auto& [id, note] : db.notes) live += !note.deleted;
    for (const auto& [id, note] : again.notes) liveAgain += !note.deleted;
    if (live != liveAgain) std::abort();
    return 0;
}
