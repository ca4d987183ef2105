#include "GMimeSupport.h"

#include <mutex>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace sim::mail::detail {

void EnsureGMime() {
  static std::once_flag once;
  std::call_once(once, [] {
#if defined(__SANITIZE_ADDRESS__)
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
}  // namespace

std::string DecodedContent(GMimePart* part) {
  GMimeDataWrapper* content = g_mime_part_get_content(part);
  if (!content) return {};
  GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new());
  g_mime_data_wrapper_write_to_stream(content, stream.get());
  return StreamBytes(stream.get());
}

std::string ObjectBytes(GMimeObject* object) {
  GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new());
  g_mime_object_write_to_stream(object, nullptr, stream.get());
  return StreamBytes(stream.get());
}

}  // namespace sim::mail::detail
