#include "sim/mail/MailMessage.h"

#include <cstdio>

#include "GMimeSupport.h"

namespace sim::mail {
namespace {

using detail::CopyUtf8;
using detail::GObjectPtr;
using detail::TakeUtf8;

std::vector<std::string> LinesToParagraphs(const std::string& text) {
    std::vector<std::string> paragraphs;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (end == text.size() && line.empty()) break;  // nothing after the last line break
        paragraphs.push_back(std::move(line));
        start = end + 1;
    }
    return paragraphs;
}

std::optional<MailTime> ToMailTime(GDateTime* when) {
    if (!when) return std::nullopt;
    return MailTime{g_date_time_to_unix(when), static_cast<int>(g_date_time_get_utc_offset(when) / G_TIME_SPAN_MINUTE)};
}

std::optional<MailTime> ParseDate(const char* text) {
    if (!text) return std::nullopt;
    GDateTime* when = g_mime_utils_header_decode_date(text);
    std::optional<MailTime> result = ToMailTime(when);
    if (when) g_date_time_unref(when);
    return result;
}

// The newest of the Received stamps; the date follows the last semicolon.
std::optional<MailTime> NewestReceived(GMimeHeaderList* headers) {
    std::optional<MailTime> newest;
    int count = g_mime_header_list_get_count(headers);
    for (int i = 0; i < count; ++i) {
        GMimeHeader* header = g_mime_header_list_get_header_at(headers, i);
        if (g_ascii_strcasecmp(g_mime_header_get_name(header), "Received") != 0) continue;
        const char* raw = g_mime_header_get_raw_value(header);
        if (!raw) continue;
        const char* semicolon = strrchr(raw, ';');
        if (!semicolon) continue;
        std::optional<MailTime> when = ParseDate(semicolon + 1);
        if (when && (!newest || when->unixSeconds > newest->unixSeconds)) newest = when;
    }
    return newest;
}

std::string Unfold(const char* raw) {
    std::string out;
    for (const char* p = raw; *p; ++p)
        if (*p != '\r' && *p != '\n') out += *p;
    size_t first = out.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    size_t last = out.find_last_not_of(" \t");
    return out.substr(first, last - first + 1);
}

std::string DecodedHeader(GMimeHeaderList* headers, const char* name) {
    GMimeHeader* header = g_mime_header_list_get_header(headers, name);
    if (!header || !g_mime_header_get_raw_value(header)) return {};
    std::string unfolded = Unfold(g_mime_header_get_raw_value(header));
    return TakeUtf8(g_mime_utils_header_decode_text(nullptr, unfolded.c_str()));
}

void AppendAddresses(InternetAddressList* list, std::vector<std::string>& out) {
    if (!list) return;
    int count = internet_address_list_length(list);
    for (int i = 0; i < count; ++i) {
        InternetAddress* address = internet_address_list_get_address(list, i);
        if (INTERNET_ADDRESS_IS_GROUP(address)) {
            AppendAddresses(internet_address_group_get_members(INTERNET_ADDRESS_GROUP(address)), out);
        } else {
            std::string text = TakeUtf8(internet_address_to_string(address, nullptr, FALSE));
            if (!text.empty()) out.push_back(std::move(text));
        }
    }
}

bool IsType(GMimeObject* object, const char* type, const char* subtype) {
    GMimeContentType* contentType = g_mime_object_get_content_type(object);
    return contentType && g_mime_content_type_is_type(contentType, type, subtype);
}

// Attached messages are read as plain parts (see EnsureGMime), so they keep their bytes.
bool IsAttachedMessage(GMimeObject* object) {
    return IsType(object, "message", "rfc822") || IsType(object, "message", "global") ||
           IsType(object, "message", "news");
}

std::string FileNameOf(GMimeObject* object) {
    return GMIME_IS_PART(object) ? CopyUtf8(g_mime_part_get_filename(GMIME_PART(object))) : std::string();
}

// A leaf is an attachment when it is a file (by disposition or by a name), a
// whole message, or anything that is not text a reader could show inline.
bool IsAttachment(GMimeObject* leaf) {
    if (IsAttachedMessage(leaf)) return true;
    GMimeContentDisposition* disposition = g_mime_object_get_content_disposition(leaf);
    if (disposition && g_mime_content_disposition_is_attachment(disposition)) return true;
    if (!FileNameOf(leaf).empty()) return true;
    return !IsType(leaf, "text", "plain") && !IsType(leaf, "text", "html");
}

enum class BodyKind { None, Html, Plain };
struct BodyText {
    BodyKind kind = BodyKind::None;
    std::vector<std::string> paragraphs;
};

std::string TextOf(GMimeObject* leaf) {
    return GMIME_IS_PART(leaf) ? detail::TextContent(GMIME_PART(leaf)) : std::string();
}

BodyText BodyOf(GMimeObject* object) {
    BodyText body;
    if (GMIME_IS_MULTIPART(object)) {
        GMimeMultipart* multipart = GMIME_MULTIPART(object);
        int count = g_mime_multipart_get_count(multipart);
        if (IsType(object, "multipart", "alternative")) {
            // Plain text is preferred; among HTML versions the last is the richest.
            for (int i = 0; i < count; ++i) {
                BodyText candidate = BodyOf(g_mime_multipart_get_part(multipart, i));
                if (candidate.kind == BodyKind::Plain) return candidate;
                if (candidate.kind == BodyKind::Html) body = std::move(candidate);
            }
            return body;
        }
        if (IsType(object, "multipart", "related")) {
            // The root is the first part; the rest are resources it refers to.
            return count > 0 ? BodyOf(g_mime_multipart_get_part(multipart, 0)) : body;
        }
        for (int i = 0; i < count; ++i) {
            BodyText part = BodyOf(g_mime_multipart_get_part(multipart, i));
            if (part.kind == BodyKind::None) continue;
            if (part.kind > body.kind) body.kind = part.kind;
            body.paragraphs.insert(body.paragraphs.end(), part.paragraphs.begin(), part.paragraphs.end());
        }
        return body;
    }
    if (IsAttachment(object)) return body;
    if (IsType(object, "text", "plain")) {
        body.kind = BodyKind::Plain;
        body.paragraphs = LinesToParagraphs(TextOf(object));
    } else {
        body.kind = BodyKind::Html;
        body.paragraphs = HtmlToParagraphs(TextOf(object));
    }
    return body;
}

std::string UnnamedAttachmentName(GMimeObject* leaf, size_t number) {
    char name[32];
    snprintf(name, sizeof name, "ATT%05zu", number);
    std::string result = name;
    if (IsAttachedMessage(leaf)) return result + ".eml";
    if (IsType(leaf, "text", "*")) return result + ".txt";
    return result + ".bin";
}

bool EndsWithEml(const std::string& name) {
    return name.size() >= 4 && g_ascii_strcasecmp(name.c_str() + name.size() - 4, ".eml") == 0;
}

void CollectAttachments(GMimeObject* object, std::vector<MailAttachment>& out) {
    if (!object) return;
    if (GMIME_IS_MULTIPART(object)) {
        GMimeMultipart* multipart = GMIME_MULTIPART(object);
        int count = g_mime_multipart_get_count(multipart);
        for (int i = 0; i < count; ++i) CollectAttachments(g_mime_multipart_get_part(multipart, i), out);
        return;
    }
    if (!IsAttachment(object)) return;
    MailAttachment attachment;
    attachment.name = FileNameOf(object);
    if (GMIME_IS_PART(object)) attachment.bytes = detail::DecodedContent(GMIME_PART(object));
    if (IsAttachedMessage(object) && !attachment.name.empty() && !EndsWithEml(attachment.name))
        attachment.name += ".eml";
    if (attachment.name.empty()) attachment.name = UnnamedAttachmentName(object, out.size() + 1);
    out.push_back(std::move(attachment));
}

bool HoldsText(std::string_view bytes) { return bytes.find_first_not_of(" \t\r\n") != std::string_view::npos; }

// Lines of blanks some tools write before a message's header; read as the header's end,
// they would leave the whole message without one.
std::string_view WithoutLeadingBlankLines(std::string_view bytes) {
    for (size_t end; (end = bytes.find('\n')) != std::string_view::npos;) {
        if (bytes.substr(0, end).find_first_not_of(" \t\r") != std::string_view::npos) break;
        bytes.remove_prefix(end + 1);
    }
    return bytes;
}

}  // namespace

namespace {

GObjectPtr<GMimeMessage> ParseStream(GMimeStream* stream) {
    GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream));
    return GObjectPtr<GMimeMessage>(g_mime_parser_construct_message(parser.get(), nullptr));
}

// Whether `line` is a boundary line of `object` or of a multipart inside it.
bool IsBoundaryLine(GMimeObject* object, std::string_view line) {
    if (!GMIME_IS_MULTIPART(object)) return false;
    GMimeMultipart* multipart = GMIME_MULTIPART(object);
    const char* boundary = g_mime_multipart_get_boundary(multipart);
    if (boundary && line.starts_with("--") && line.substr(2).starts_with(boundary)) return true;
    int count = g_mime_multipart_get_count(multipart);
    for (int i = 0; i < count; ++i)
        if (IsBoundaryLine(g_mime_multipart_get_part(multipart, i), line)) return true;
    return false;
}

// A header field as GMime's parser stores it: the name, and the raw value from after the colon
// to the end of its last line, folds and line breaks included.
struct RawField {
    std::string_view name, value;
};

// Calls `field` for each field of a plainly formed header and answers whether it was one: every
// line a field ("Name:" at the line's start, the name of printable ASCII) or the folded
// continuation of one, a blank line at the end, no NUL and no CR but before LF. GMime reads such
// a header into the same fields. Anything else is left to GMime: a "From " line or a stray line
// GMime passes over, a header the bytes end within, control characters in a name.
template <class Field>
bool ScanPlainHeader(std::string_view bytes, Field field, size_t* blankLine = nullptr) {
    constexpr size_t kLongestName = 200;  // beyond, GMime's reading buffer decides; left to it
    RawField current;
    bool open = false;
    size_t at = 0;
    while (at < bytes.size()) {
        size_t eol = bytes.find('\n', at);
        if (eol == std::string_view::npos) return false;  // the bytes end within the header
        std::string_view line = bytes.substr(at, eol - at);
        if (line.find('\0') != std::string_view::npos) return false;
        size_t cr = line.find('\r');
        if (cr != std::string_view::npos && cr + 1 != line.size()) return false;
        if (line.empty() || line == "\r") {  // the blank line that ends the header
            if (!open) return false;
            field(current);
            if (blankLine) *blankLine = at;
            return true;
        }
        if (line[0] == ' ' || line[0] == '\t') {
            if (!open) return false;
            current.value =
                bytes.substr(current.value.data() - bytes.data(), eol + 1 - (current.value.data() - bytes.data()));
        } else {
            size_t colon = 0;
            while (colon < line.size() && colon <= kLongestName && line[colon] > ' ' && line[colon] < 127 &&
                   line[colon] != ':')
                ++colon;
            if (colon == 0 || colon > kLongestName || colon >= line.size() || line[colon] != ':') return false;
            if (open) field(current);
            current = {line.substr(0, colon), bytes.substr(at + colon + 1, eol - at - colon)};
            open = true;
        }
        at = eol + 1;
    }
    return false;
}

// The fields of a header that reading a message uses: the addresses, subject, ID, dates and
// the content fields, which GMime files with the message's root part.
bool UsedField(std::string_view name) {
    for (std::string_view used : {"From", "To", "Cc", "Bcc", "Subject", "Message-ID", "Date", "Received"})
        if (name.size() == used.size() && g_ascii_strncasecmp(name.data(), used.data(), used.size()) == 0) return true;
    return name.size() >= 8 && g_ascii_strncasecmp(name.data(), "Content-", 8) == 0;
}

// The bytes a message is parsed from. GMime builds an object for every header field; of a
// plainly formed header only the fields the message is read for are handed to it, in their
// order and byte for byte, with the rest of the message after them. Any other header is
// handed over whole, as is one of which no field is used.
GByteArray* BytesToParse(std::string_view bytes, bool usedFieldsOnly) {
    GByteArray* array = g_byte_array_sized_new(static_cast<guint>(bytes.size()));
    auto append = [array](std::string_view part) {
        g_byte_array_append(array, reinterpret_cast<const guint8*>(part.data()), static_cast<guint>(part.size()));
    };
    size_t blankLine = 0;
    if (usedFieldsOnly &&
        ScanPlainHeader(
            bytes,
            [&](const RawField& f) {
                if (UsedField(f.name))
                    append(std::string_view(f.name.data(), f.value.data() + f.value.size() - f.name.data()));
            },
            &blankLine) &&
        array->len > 0) {
        append(bytes.substr(blankLine));
        return array;
    }
    g_byte_array_set_size(array, 0);
    append(bytes);
    return array;
}

// The message GMime reads from `bytes`, or null when they hold none (see ParseMailMessage).
// `owner`, when given, holds `bytes` and is emptied once GMime has a copy of them.
GObjectPtr<GMimeMessage> ConstructMessage(std::string_view bytes, bool usedFieldsOnly = false,
                                          std::string* owner = nullptr) {
    if (!HoldsText(bytes)) return nullptr;
    detail::EnsureGMime();
    // The stream owns the bytes parsed; parts refer to stretches of them.
    GByteArray* parsed = BytesToParse(WithoutLeadingBlankLines(bytes), usedFieldsOnly);
    if (owner) std::string().swap(*owner);
    bytes = std::string_view(reinterpret_cast<const char*>(parsed->data), parsed->len);
    GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new_with_byte_array(parsed));
    GObjectPtr<GMimeMessage> message = ParseStream(stream.get());
    if (!message) return nullptr;
    GMimeObject* root = g_mime_message_get_mime_part(message.get());
    // GMime takes the line break before a boundary to be the kind the boundary line ends with.
    // A boundary that ends the bytes without one would leave the CR of a CR LF in the part it
    // closes (a stray "\r" at the end of an attachment); it is read with the line break the
    // line before it has.
    size_t lastLine = bytes.rfind('\n');
    if (root && !bytes.ends_with('\n') && lastLine != std::string_view::npos &&
        IsBoundaryLine(root, bytes.substr(lastLine + 1))) {
        std::string_view lineBreak = lastLine > 0 && bytes[lastLine - 1] == '\r' ? "\r\n" : "\n";
        GByteArray* array = g_byte_array_sized_new(static_cast<guint>(bytes.size() + lineBreak.size()));
        g_byte_array_append(array, reinterpret_cast<const guint8*>(bytes.data()), static_cast<guint>(bytes.size()));
        g_byte_array_append(array, reinterpret_cast<const guint8*>(lineBreak.data()),
                            static_cast<guint>(lineBreak.size()));
        stream.reset(g_mime_stream_mem_new_with_byte_array(array));
        message = ParseStream(stream.get());
        if (!message) return nullptr;
        root = g_mime_message_get_mime_part(message.get());
    }
    GMimeHeaderList* headers = g_mime_object_get_header_list(GMIME_OBJECT(message.get()));
    // GMime files the content headers with the root part, not with the message.
    int fields = headers ? g_mime_header_list_get_count(headers) : 0;
    if (root && g_mime_object_get_header_list(root))
        fields += g_mime_header_list_get_count(g_mime_object_get_header_list(root));
    if (!headers || fields == 0) return nullptr;
    return message;
}

MailHeader HeaderOf(GMimeMessage* message) {
    GMimeHeaderList* headers = g_mime_object_get_header_list(GMIME_OBJECT(message));
    MailHeader header;
    header.messageId = CopyUtf8(g_mime_message_get_message_id(message));
    header.postedDate = ToMailTime(g_mime_message_get_date(message));
    header.deliveredDate = NewestReceived(headers);
    return header;
}

// The header and the blank line that ends it; all of the bytes when no blank line does.
std::string_view HeaderPart(std::string_view bytes) {
    bytes = WithoutLeadingBlankLines(bytes);
    for (size_t eol = bytes.find('\n'); eol != std::string_view::npos; eol = bytes.find('\n', eol + 1)) {
        size_t next = eol + 1;
        if (next < bytes.size() && bytes[next] == '\r') ++next;
        if (next < bytes.size() && bytes[next] == '\n') return bytes.substr(0, next + 1);
    }
    return bytes;
}

}  // namespace

namespace detail {

std::optional<MailHeader> ScanMailHeader(std::string_view bytes) {
    std::string_view messageId, date;
    bool hasMessageId = false, hasDate = false;
    std::vector<std::string_view> received;
    bool plain = ScanPlainHeader(WithoutLeadingBlankLines(bytes), [&](const RawField& f) {
        if (f.name.size() == 10 && g_ascii_strncasecmp(f.name.data(), "Message-ID", 10) == 0) {
            messageId = f.value;
            hasMessageId = true;
        } else if (f.name.size() == 4 && g_ascii_strncasecmp(f.name.data(), "Date", 4) == 0) {
            date = f.value;
            hasDate = true;
        } else if (f.name.size() == 8 && g_ascii_strncasecmp(f.name.data(), "Received", 8) == 0) {
            received.push_back(f.value);
        }
    });
    if (!plain) return std::nullopt;
    EnsureGMime();
    // A field's value as the message reads it: unfolded, encoded words decoded.
    auto valueOf = [](std::string_view raw) {
        std::string text(raw);
        char* unfolded = g_mime_utils_header_unfold(text.c_str());
        char* value = g_mime_utils_header_decode_text(nullptr, unfolded);
        g_free(unfolded);
        return value;
    };
    MailHeader header;
    if (hasMessageId) {
        char* value = valueOf(messageId);
        if (value) header.messageId = TakeUtf8(g_mime_utils_decode_message_id(value));
        g_free(value);
    }
    if (hasDate) {
        char* value = valueOf(date);
        header.postedDate = ParseDate(value);
        g_free(value);
    }
    // As NewestReceived reads them: the raw value after its last semicolon.
    for (std::string_view raw : received) {
        size_t semicolon = raw.rfind(';');
        if (semicolon == std::string_view::npos) continue;
        std::optional<MailTime> when = ParseDate(std::string(raw.substr(semicolon + 1)).c_str());
        if (when && (!header.deliveredDate || when->unixSeconds > header.deliveredDate->unixSeconds))
            header.deliveredDate = when;
    }
    return header;
}

std::optional<MailHeader> ParseMailHeaderWithGMime(std::string_view bytes) {
    GObjectPtr<GMimeMessage> message = ConstructMessage(HeaderPart(bytes));
    if (!message) return std::nullopt;
    return HeaderOf(message.get());
}

}  // namespace detail

std::optional<MailHeader> ParseMailHeader(std::string_view bytes) {
    // Indexing reads every header of a mailbox before its first document: most are plainly formed
    // and read by the scan, which builds no GMime objects; the rest are parsed by GMime.
    if (std::optional<MailHeader> scanned = detail::ScanMailHeader(bytes)) return scanned;
    return detail::ParseMailHeaderWithGMime(bytes);
}

namespace {

std::optional<MailMessage> ReadMessage(std::string_view bytes, bool usedFieldsOnly, std::string* owner = nullptr) {
    GObjectPtr<GMimeMessage> message = ConstructMessage(bytes, usedFieldsOnly, owner);
    if (!message) return std::nullopt;
    GMimeHeaderList* headers = g_mime_object_get_header_list(GMIME_OBJECT(message.get()));
    GMimeObject* root = g_mime_message_get_mime_part(message.get());

    MailMessage mail;
    MailHeader header = HeaderOf(message.get());
    mail.messageId = std::move(header.messageId);
    mail.postedDate = header.postedDate;
    mail.deliveredDate = header.deliveredDate;
    mail.from = DecodedHeader(headers, "From");
    AppendAddresses(g_mime_message_get_addresses(message.get(), GMIME_ADDRESS_TYPE_TO), mail.sendTo);
    AppendAddresses(g_mime_message_get_addresses(message.get(), GMIME_ADDRESS_TYPE_CC), mail.copyTo);
    AppendAddresses(g_mime_message_get_addresses(message.get(), GMIME_ADDRESS_TYPE_BCC), mail.blindCopyTo);
    mail.subject = CopyUtf8(g_mime_message_get_subject(message.get()));

    if (root) {
        mail.body = BodyOf(root).paragraphs;
        CollectAttachments(root, mail.attachments);
    }
    return mail;
}

}  // namespace

std::optional<MailMessage> ParseMailMessage(std::string_view bytes) { return ReadMessage(bytes, true); }

std::optional<MailMessage> ParseOwnedMailMessage(std::string&& bytes) {
    const std::string_view view = bytes;
    return ReadMessage(view, true, &bytes);
}

std::optional<MailMessage> detail::ParseMailMessageWithAllFields(std::string_view bytes) {
    return ReadMessage(bytes, false);
}

}  // namespace sim::mail
