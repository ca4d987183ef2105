#include <windows.h>

#include <vector>

#include "platform/Platform.h"

namespace platform {

std::string ReadRegistryString(RegistryRoot root, const std::string& key, const std::string& value,
                               std::size_t bufferSize) {
    HKEY opened = nullptr;
    // Read access is all a lookup needs; asking for more fails for ordinary users under
    // HKEY_LOCAL_MACHINE.
    if (RegOpenKeyExA(root == RegistryRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, key.c_str(), 0,
                      KEY_READ, &opened) != ERROR_SUCCESS)
        return {};
    std::vector<char> buffer(bufferSize + 1, '\0');  // one spare byte for a missing terminator
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(bufferSize);
    const LONG rc =
        RegQueryValueExA(opened, value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
    RegCloseKey(opened);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
    std::string text(buffer.data(), size);
    text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
    if (text.size() + 1 > bufferSize) return {};  // the value and its terminator must fit
    return text;
}

}  // namespace platform
