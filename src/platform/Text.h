// Small text helpers every layer shares: ASCII comparison without regard to case (Windows and
// Notes names), a quoted name for messages, and the native 8-bit character set (Windows-1252)
// to and from UTF-8, as names are kept on a Linux host and typed on its terminal.
#pragma once

#include <string>
#include <string_view>

namespace platform::text {

inline char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Equal when only the case of ASCII letters differs.
bool EqualsNoCase(std::string_view a, std::string_view b);
// Ordered by bytes, ASCII letters compared as lower case.
bool LessNoCase(std::string_view a, std::string_view b);

// "name", as messages show a path or a name.
inline std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

// Windows-1252 to UTF-8; the five bytes it leaves undefined map to the C1 controls of the same
// value, as Windows' own table does.
std::string Cp1252ToUtf8(std::string_view text);
// UTF-8 to Windows-1252; a character it lacks becomes '?'.
std::string Utf8ToCp1252(std::string_view utf8);

}  // namespace platform::text
