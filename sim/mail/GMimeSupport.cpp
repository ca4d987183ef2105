#include "GMimeSupport.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string_view>

// GCC and clang say in different ways that AddressSanitizer is on.
#if defined(__SANITIZE_ADDRESS__)
#define SIM_MAIL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SIM_MAIL_ASAN 1
#endif
#endif
#if defined(SIM_MAIL_ASAN)
#include <sanitizer/lsan_interface.h>
#endif

namespace sim::mail::detail {

void EnsureGMime() {
    static std::once_flag once;
    std::call_once(once, [] {
#if defined(SIM_MAIL_ASAN)
        // Registering a type over one GMime registered itself loses GMime's record of the old
        // one (a few bytes, once). g_mime_shutdown cannot reach those blocks either, so the
        // set-up's allocations are kept out of the leak report.
        __lsan::ScopedDisabler setUpOnly;
#endif
        g_mime_init();
        // An attached message is stored as the file it was sent as, byte for byte; parsed as a
        // message, it would be written back re-formatted.
        for (const char* subtype : {"rfc822", "global", "news"})
            g_mime_object_register_type("message", subtype, GMIME_TYPE_PART);
    });
}

std::string CopyUtf8(const char* s) {
    if (!s) return {};
    if (g_utf8_validate(s, -1, nullptr)) return s;
    char* valid = g_utf8_make_valid(s, -1);
    std::string out = valid;
    g_free(valid);
    return out;
}

std::string TakeUtf8(char* s) {
    std::string out = CopyUtf8(s);
    g_free(s);
    return out;
}

namespace {
std::string StreamBytes(GMimeStream* stream) {
    GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream));
    return array ? std::string(reinterpret_cast<const char*>(array->data), array->len) : std::string();
}

// The content as it stands in the message, transfer encoding and all. A message parsed from
// memory keeps each part's content as a stretch of the message's buffer, which is read in
// place; `copy` holds the content when it has to be copied out of another kind of stream.
std::string_view EncodedContent(GMimeDataWrapper* content, std::string& copy) {
    GMimeStream* source = g_mime_data_wrapper_get_stream(content);
    if (!source) return {};
    if (GMIME_IS_STREAM_MEM(source)) {
        GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(source));
        gint64 length = array ? static_cast<gint64>(array->len) : 0;
        gint64 start = source->bound_start;
        gint64 end = source->bound_end < 0 ? length : std::min(source->bound_end, length);
        if (array && start >= 0 && start <= end)
            return {reinterpret_cast<const char*>(array->data) + start, static_cast<size_t>(end - start)};
    }
    GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new());
    g_mime_stream_reset(source);
    g_mime_stream_write_to_stream(source, stream.get());
    g_mime_stream_reset(source);
    copy = StreamBytes(stream.get());
    return copy;
}

}  // namespace

// GMime's decoders let go of what is pending when the content ends: the last one or two
// bytes of base64 whose sender left out the final padding, and a quoted-printable escape cut
// off by the end ("=4"). Both are kept, as a lenient reader keeps them: a picture that loses
// its last byte is damaged.
std::vector<uint8_t> DecodedContent(GMimePart* part) {
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    if (!content) return {};
    GMimeContentEncoding encoding = g_mime_data_wrapper_get_encoding(content);
    std::string copy;
    const auto asBytes = [](std::string_view bytes) { return std::vector<uint8_t>(bytes.begin(), bytes.end()); };
    switch (encoding) {
        case GMIME_CONTENT_ENCODING_BASE64:
        case GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE: break;
        case GMIME_CONTENT_ENCODING_DEFAULT:
        case GMIME_CONTENT_ENCODING_7BIT:
        case GMIME_CONTENT_ENCODING_8BIT:
        case GMIME_CONTENT_ENCODING_BINARY: return asBytes(EncodedContent(content, copy));  // stored as it is
        default: {
            GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new());
            g_mime_data_wrapper_write_to_stream(content, stream.get());
            return asBytes(StreamBytes(stream.get()));
        }
    }
    std::string_view encoded = EncodedContent(content, copy);
    const auto* in = reinterpret_cast<const unsigned char*>(encoded.data());
    // Quoted-printable never lengthens the content, base64 gives three bytes for every four
    // digits (the padding added below counts as two); the few bytes more hold what the end adds.
    const size_t room = encoding == GMIME_CONTENT_ENCODING_BASE64 ? encoded.size() / 4 * 3 + 6 : encoded.size() + 4;
    std::vector<uint8_t> decoded(room);
    unsigned char* out = decoded.data();
    int state = 0;
    guint32 save = 0;
    size_t length = 0;
    if (encoding == GMIME_CONTENT_ENCODING_BASE64) {
        length = g_mime_encoding_base64_decode_step(in, encoded.size(), out, &state, &save);
        // The padding completes a last group left short and is ignored after a complete one.
        static const unsigned char padding[] = {'=', '='};
        length += g_mime_encoding_base64_decode_step(padding, sizeof padding, out + length, &state, &save);
    } else {
        length = g_mime_encoding_quoted_decode_step(in, encoded.size(), out, &state, &save);
        // State 2: the content ended after "=" and one more character, which stand as written.
        if (state == 2 && !encoded.empty()) {
            out[length++] = '=';
            out[length++] = in[encoded.size() - 1];
        }
    }
    decoded.resize(length);
    return decoded;
}

namespace {
// Whether `charset` spells the ASCII characters as ASCII bytes, each alone: then text of such
// bytes only reads the same in it as in UTF-8. Not so in UTF-7, UTF-16 or the ISO-2022 sets,
// whose ASCII bytes may be escapes.
bool KeepsAscii(const char* charset) {
    for (const char* same : {"us-ascii", "ascii", "utf-8", "utf8"})
        if (g_ascii_strcasecmp(charset, same) == 0) return true;
    for (const char* family : {"iso-8859-", "iso8859-", "windows-125", "cp125"})
        if (g_ascii_strncasecmp(charset, family, strlen(family)) == 0) return true;
    return false;
}

bool IsAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}
}  // namespace

std::string TextContent(GMimePart* part) {
    const std::vector<uint8_t> decoded = DecodedContent(part);
    std::string_view text(reinterpret_cast<const char*>(decoded.data()), decoded.size());
    const char* charset = g_mime_object_get_content_type_parameter(GMIME_OBJECT(part), "charset");
    // Most text is ASCII in a charset that keeps it: nothing to convert.
    if (charset && KeepsAscii(charset) && IsAscii(text)) charset = nullptr;
    GMimeFilter* filter = charset ? g_mime_filter_charset_new(charset, "utf-8") : nullptr;
    std::string converted;
    if (filter) {
        GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new());
        GObjectPtr<GMimeStream> filtered(g_mime_stream_filter_new(stream.get()));
        g_mime_stream_filter_add(GMIME_STREAM_FILTER(filtered.get()), filter);
        g_object_unref(filter);
        g_mime_stream_write(filtered.get(), text.data(), text.size());
        g_mime_stream_flush(filtered.get());
        converted = StreamBytes(stream.get());
        text = converted;
    }
    if (text.empty()) return {};
    char* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    return TakeUtf8(valid);
}

std::string ObjectBytes(GMimeObject* object) {
    GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new());
    g_mime_object_write_to_stream(object, nullptr, stream.get());
    return StreamBytes(stream.get());
}

}  // namespace sim::mail::detail
