// The stand-in's own LMBCS converter (no ICU: the Windows build has none).
// Encoding is optimised for group 1 (code page 850): CP850 characters are single bytes,
// C0 controls other than NUL, TAB, LF and CR use group 0x0F, and every other character is
// group 0x14 (UTF-16BE, with 0xF6 standing for a zero low byte). Decoding also reads the
// single-byte groups 0x02-0x08 and 0x0B; the double-byte groups 0x10-0x13 decode to U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace sim {

std::string Utf8ToLmbcs(std::string_view utf8);
std::string LmbcsToUtf8(std::string_view lmbcs);
// Windows-1252, the native set on the Windows desktop this add-in runs on.
std::string NativeToLmbcs(std::string_view native);
std::string LmbcsToNative(std::string_view lmbcs);  // unmappable characters become '?'

}  // namespace sim
