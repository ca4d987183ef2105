// Entry bookkeeping shared by every API function: counts the call, tells the observers and
// applies an injected fault. The optional arguments after the name fill sim::Call's `note`
// and `item`, for the functions whose faults a test may want to narrow to a note or an item.
#pragma once

#include <notesapi/notesapi.h>

#include <optional>
#include <string_view>

namespace sim::detail {
struct CallArgs {
    CallArgs() = default;
    CallArgs(NOTEID n, std::string_view i = {}) : note(n), item(i) {}
    NOTEID note = 0;
    std::string_view item;
};
std::optional<STATUS> EnterCall(const char* function, CallArgs args = {});
// The note an open note handle stands for, or 0; records nothing.
NOTEID NoteIdOf(NOTEHANDLE note);
// An item name given as pointer and length (either may be null/0).
inline std::string_view ItemArg(const char* name, WORD length) {
    return name ? std::string_view(name, length) : std::string_view();
}
inline std::string_view ItemArg(const char* name) { return name ? std::string_view(name) : std::string_view(); }
}  // namespace sim::detail

#define SIM_ENTER_STATUS(fn, ...) \
    if (auto fault_ = ::sim::detail::EnterCall(#fn, {__VA_ARGS__})) return *fault_
#define SIM_ENTER_OR(fn, failValue, ...) \
    if (::sim::detail::EnterCall(#fn, {__VA_ARGS__})) return failValue
#define SIM_ENTER_VOID(fn, ...) \
    if (::sim::detail::EnterCall(#fn, {__VA_ARGS__})) return
