// The module this code is linked into (stowline.dll inside the client), which holds the
// dialog templates.
#pragma once

#include <windows.h>

namespace platform {

inline HMODULE ThisModule() {
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModule), &self);
    return self;
}

}  // namespace platform
