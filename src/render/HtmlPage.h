// The HTML page of an archived document is built by NotesDocument::GetHtmlPage.
#pragma once

#include <string>

namespace stowline {

// Replaces & < > " and the native (Windows-1252) letters ä Ä ö Ö ü Ü ß § by their entities,
// in place; every other byte passes through.
void HtmlEscape(std::string& text);

}  // namespace stowline
