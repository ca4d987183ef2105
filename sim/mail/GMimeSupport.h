// Small RAII and conversion helpers shared by the GMime readers of this folder.
#pragma once

#include <gmime/gmime.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sim::mail::detail {

// GMime keeps process-wide tables; it is set up once and never torn down.
void EnsureGMime();

struct GObjectUnref {
    void operator()(void* p) const {
        if (p) g_object_unref(p);
    }
};
template <class T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

// Takes ownership of a g_malloc'ed string; never returns invalid UTF-8.
std::string TakeUtf8(char* s);
// Copies a borrowed string; never returns invalid UTF-8.
std::string CopyUtf8(const char* s);

// The decoded content of a leaf part (transfer encoding removed).
std::vector<uint8_t> DecodedContent(GMimePart* part);
// The decoded content as UTF-8 text, from the part's charset when GMime knows it; anything
// that is not UTF-8 (a NUL too) replaced.
std::string TextContent(GMimePart* part);
// The bytes of a whole object as GMime writes it back out.
std::string ObjectBytes(GMimeObject* object);

}  // namespace sim::mail::detail
