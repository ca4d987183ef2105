// The HTML page of an archived document: its header fields in a table, links to the
// attachments that were written for it, and its body.
#pragma once

#include <string>
#include <vector>

#include <notesapi/notesapi.h>

#include "notes/AttachmentExtraction.h"

namespace stowline {

struct DocumentRecord;

// Replaces & < > " and the native (Windows-1252) letters ä Ä ö Ö ü Ü ß § by their entities,
// in place; every other byte passes through.
void HtmlEscape(std::string& text);

// The page of a document's record; `directory` is the HTML file's folder (no trailing
// separator), from which the links to `attachments` are made relative.
std::string GetHtmlPage(const DocumentRecord& record, const std::string& directory,
                        const std::vector<WrittenAttachment>& attachments);

// A relative link target inside a double-quoted attribute, as the pages link their attachments:
// markup characters as entities, "%" and "#" percent-encoded so that the browser opens the file
// of exactly that name; the path keeps its backslashes.
std::string HrefEscaped(const std::string& path);

}  // namespace stowline
