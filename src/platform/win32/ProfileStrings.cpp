#include <windows.h>

#include <vector>

// windows.h maps these names to its own A/W functions.
#undef GetProfileString
#undef WriteProfileString

#include "platform/Platform.h"

namespace platform {

std::string GetProfileString(const std::string& section, const std::string& key, const std::string& defaultValue,
                             std::size_t bufferSize, const std::string& file) {
    if (bufferSize == 0) return {};
    std::vector<char> buffer(bufferSize, '\0');
    const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buffer.data(),
                                             static_cast<DWORD>(bufferSize), file.c_str());
    return std::string(buffer.data(), n);
}

bool WriteProfileString(const std::string& section, const std::string& key, const std::string& value,
                        const std::string& file) {
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != FALSE;
}

}  // namespace platform
