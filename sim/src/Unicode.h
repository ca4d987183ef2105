// Character-level conversions shared by the LMBCS converter, OSTranslate and the file seam.
#pragma once

#include <string>
#include <string_view>

namespace sim::detail {

std::u32string DecodeUtf8(std::string_view utf8);  // invalid sequences become U+FFFD
void AppendUtf8(std::string& out, char32_t c);
std::u32string DecodeLmbcs(std::string_view lmbcs);
void AppendLmbcs(std::string& out, char32_t c);
char32_t Cp1252ToUnicode(unsigned char b);
int UnicodeToCp1252(char32_t c);  // -1 when Windows-1252 lacks it
// Text that UTF-8, LMBCS and Windows-1252 all spell alike, byte for byte: printable ASCII and the
// controls LMBCS keeps as they are (NUL, tab, line breaks). Most of a mail's text is such, and
// is copied instead of converted.
bool IsPlainAscii(std::string_view text);

// Windows-1252 bytes as UTF-8 (how the Linux file system stores native names).
std::string NativeToUtf8(std::string_view native);

}  // namespace sim::detail
