#include "render/HtmlPage.h"

#include <algorithm>
#include <array>

#include "render/DocumentRecord.h"

namespace stowline {

namespace {
// The entity for a character that has one, or null. ASCII markup and the German letters of
// Windows-1252 are named; every other byte stands as it is.
constexpr const char* EntityOf(unsigned char c) {
    switch (c) {
        case 0x26: return "&amp;";
        case 0x3C: return "&lt;";
        case 0x3E: return "&gt;";
        case 0x22: return "&quot;";
        case 0xE4: return "&auml;";
        case 0xC4: return "&Auml;";
        case 0xF6: return "&ouml;";
        case 0xD6: return "&Ouml;";
        case 0xFC: return "&uuml;";
        case 0xDC: return "&Uuml;";
        case 0xDF: return "&szlig;";
        case 0xA7: return "&sect;";
        default: return nullptr;
    }
}

// Whether a byte has an entity, looked up for every byte of the text.
constexpr auto kNamed = [] {
    std::array<bool, 256> named{};
    for (int c = 0; c < 256; ++c) named[c] = EntityOf(static_cast<unsigned char>(c)) != nullptr;
    return named;
}();
}  // namespace

void HtmlEscape(std::string& text) {
    // One pass gives the same text as replacing each character in turn, "&" first: no
    // entity contains a character that a later replacement looks for. The runs between
    // entities are copied whole.
    std::size_t from = 0;
    std::size_t at = 0;
    while (at < text.size() && !kNamed[static_cast<unsigned char>(text[at])]) ++at;
    if (at == text.size()) return;
    std::string escaped;
    escaped.reserve(text.size() + text.size() / 8);
    for (; at < text.size(); ++at) {
        if (!kNamed[static_cast<unsigned char>(text[at])]) continue;
        escaped.append(text, from, at - from);
        escaped += EntityOf(static_cast<unsigned char>(text[at]));
        from = at + 1;
    }
    escaped.append(text, from, std::string::npos);
    text.swap(escaped);
}

std::string HrefEscaped(const std::string& path) {
    std::string escaped;
    escaped.reserve(path.size());
    for (char c : path) {
        switch (c) {
            case '&': escaped += "&amp;"; break;
            case '"': escaped += "&quot;"; break;
            case '<': escaped += "&lt;"; break;
            case '>': escaped += "&gt;"; break;
            case '%': escaped += "%25"; break;
            case '#': escaped += "%23"; break;
            default: escaped += c; break;
        }
    }
    return escaped;
}

namespace {
std::string Escaped(std::string text) {
    HtmlEscape(text);
    return text;
}

constexpr const char* kLabel = "</td></tr>\n<tr><td valign=top><font color=\"#003366\">";
}  // namespace

std::string GetHtmlPage(const DocumentRecord& record, const std::string& directory,
                        const std::vector<WrittenAttachment>& attachments) {
    const std::string from = Escaped(record.from);
    const std::string& date = record.dateText;
    const std::string sendTo = Escaped(record.sendTo);
    const std::string copyTo = Escaped(record.copyTo);
    const std::string blindCopyTo = Escaped(record.blindCopyTo);
    const std::string subject = Escaped(record.subject);

    // Links are relative to the HTML file's directory; neither a name nor a path may add markup.
    std::string links;
    const std::size_t skip = directory.empty() ? 0 : directory.size() + 1;
    for (const WrittenAttachment& file : attachments) {
        if (!links.empty()) links += ", ";
        links += "<a href=\"" + HrefEscaped(file.path.substr(std::min(skip, file.path.size()))) + "\">" +
                 Escaped(file.name) + "</a>";
    }

    const std::string escapedBody = Escaped(record.body);
    std::string body;
    body.reserve(escapedBody.size() + escapedBody.size() / 16);
    for (std::size_t from = 0; from < escapedBody.size();) {
        const std::size_t eol = escapedBody.find('\n', from);
        if (eol == std::string::npos) {
            body.append(escapedBody, from, std::string::npos);
            break;
        }
        body.append(escapedBody, from, eol - from);
        body += "<br>\n";
        from = eol + 1;
    }

    std::string page;
    page.reserve(1024 + subject.size() * 2 + body.size());
    page += "<html>\n<head>\n<title>";
    page += subject;
    page +=
        "</title>\n</head>\n<body>\n<table width=100% border=1 cellpadding=3 cellspacing=0 "
        "style=\"border-collapse: collapse\">\n<tr><td valign=top><font color=\"#003366\">From<td>";
    page += from;
    page += kLabel;
    page += "Time<td>";
    page += date;
    page += kLabel;
    page += "To<td>";
    page += sendTo;
    page += kLabel;
    page += "CC<td>";
    page += copyTo;
    page += kLabel;
    page += "BCC<td>";
    page += blindCopyTo;
    page += kLabel;
    page += "Subject<td>";
    page += subject;
    page += kLabel;
    page += "Attachments<td>";
    page += links;
    page +=
        "</td></tr>\n</table>\n<br>\n<table width=100% border=0 cellpadding=3 cellspacing=0 "
        "style=\"border-collapse: collapse\">\n<tr><td valign=top colspan=2>";
    page += body;
    page += "</td></tr>\n</table>\n</body>\n</html>\n";
    return page;
}

}  // namespace stowline
