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

// Windows-1252 bytes as UTF-8 (how the Linux file system stores native names).
std::string NativeToUtf8(std::string_view native);

}  // namespace sim::detail
