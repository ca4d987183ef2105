// Entry bookkeeping shared by every API function: counts the call and applies an injected fault.
#pragma once

#include <notesapi/notesapi.h>

#include <optional>

namespace sim::detail {
std::optional<STATUS> EnterCall(const char* function);
}

#define SIM_ENTER_STATUS(fn) \
    if (auto fault_ = ::sim::detail::EnterCall(#fn)) return *fault_
#define SIM_ENTER_OR(fn, failValue) \
    if (::sim::detail::EnterCall(#fn)) return failValue
#define SIM_ENTER_VOID(fn) \
    if (::sim::detail::EnterCall(#fn)) return
