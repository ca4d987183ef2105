#include <windows.h>

#include <algorithm>

#include "platform/Platform.h"
#include "platform/TextMode.h"

namespace platform {

namespace {
HANDLE AsHandle(void* h) { return static_cast<HANDLE>(h); }
}  // namespace

FindResult FindFirstEntry(const std::string& path) {
    FindResult result;
    WIN32_FIND_DATAA data{};
    const HANDLE find = FindFirstFileA(path.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        switch (GetLastError()) {
            // Nothing of that name, or a name that nothing can have.
            case ERROR_FILE_NOT_FOUND:
            case ERROR_PATH_NOT_FOUND:
            case ERROR_NO_MORE_FILES:
            case ERROR_INVALID_NAME:
            case ERROR_BAD_PATHNAME:
            case ERROR_FILENAME_EXCED_RANGE:
            case ERROR_DIRECTORY:
            case ERROR_INVALID_DRIVE: break;
            default: result.failed = true; break;
        }
        return result;
    }
    FindClose(find);
    result.found = true;
    result.attributes = data.dwFileAttributes;
    return result;
}

int MakeDirectory(const std::string& path) {
    if (CreateDirectoryA(path.c_str(), nullptr)) return 0;
    switch (GetLastError()) {
        case ERROR_ALREADY_EXISTS:
        case ERROR_FILE_EXISTS: return EEXIST_;
        case ERROR_PATH_NOT_FOUND:
        case ERROR_FILE_NOT_FOUND: return ENOENT_;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT: return EACCES_;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return ENOSPC_;
        default: return EINVAL_;
    }
}

TextFile::~TextFile() { Close(); }

bool TextFile::Open(const std::string& path) { return OpenWith(path, CREATE_ALWAYS); }

bool TextFile::Create(const std::string& path) { return OpenWith(path, CREATE_NEW); }

bool TextFile::OpenWith(const std::string& path, int how) {
    Close();
    written_ = 0;
    const HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, static_cast<DWORD>(how),
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    handle_ = h;
    return true;
}

bool TextFile::Write(const std::string& text) {
    if (!handle_) return false;
    const std::string out = ToTextMode(text);
    std::size_t done = 0;
    while (done < out.size()) {
        DWORD n = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(out.size() - done, 1u << 20));
        if (!WriteFile(AsHandle(handle_), out.data() + done, chunk, &n, nullptr) || n == 0) {
            written_ += done;
            return false;
        }
        done += n;
    }
    written_ += done;
    return true;
}

bool TextFile::SetModificationTime(const LocalTime& when) {
    if (!handle_) return false;
    SYSTEMTIME local{};
    local.wYear = static_cast<WORD>(when.year);
    local.wMonth = static_cast<WORD>(when.month);
    local.wDay = static_cast<WORD>(when.day);
    local.wHour = static_cast<WORD>(when.hour);
    local.wMinute = static_cast<WORD>(when.minute);
    local.wSecond = static_cast<WORD>(when.second);
    SYSTEMTIME utc{};
    FILETIME ft{};
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !SystemTimeToFileTime(&utc, &ft)) return false;
    // A time set on a handle stays: writing or closing through it does not move it again.
    return SetFileTime(AsHandle(handle_), nullptr, nullptr, &ft) != FALSE;
}

bool TextFile::Close() {
    if (!handle_) return true;
    const HANDLE h = AsHandle(handle_);
    handle_ = nullptr;
    return CloseHandle(h) != FALSE;
}

bool MoveFileOver(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != FALSE; }

std::optional<std::uint64_t> FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool ReadFileBytes(const std::string& path, std::string& content) {
    content.clear();
    const HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    char buffer[65536];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(h, buffer, sizeof buffer, &n, nullptr)) {
            ok = false;
            break;
        }
        if (n == 0) break;
        content.append(buffer, n);
    }
    CloseHandle(h);
    return ok;
}

}  // namespace platform
