// The add-in's only door to the operating system. Two implementations are chosen at
// build time: win32/ (the real Win32 API) and posix/ (Linux with Windows semantics).
// Paths are Windows paths with backslash separators, in the native 8-bit character set.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace platform {

// ---- message boxes (flags and results are the Win32 values) ----
enum : unsigned {
    MB_OK_ = 0x00,
    MB_OKCANCEL_ = 0x01,
    MB_ICONSTOP_ = 0x10,
    MB_ICONQUESTION_ = 0x20,
    MB_ICONEXCLAMATION_ = 0x30,
};
enum : int { IDOK_ = 1, IDCANCEL_ = 2 };

// Shows a modal message box owned by `owner` (0: none) and returns the button pressed.
int ShowMessageBox(const std::string& text, const std::string& title, unsigned flags, std::uintptr_t owner = 0);

// ---- the client's main window and key events ----
std::uintptr_t FindTopWindow(const std::string& className);  // 0 when none
bool BringToForeground(std::uintptr_t window);
void SendKeyEvent(std::uint8_t virtualKey, std::uint32_t flags);  // flags: 2 = key up
enum : std::uint32_t { KEYEVENTF_KEYUP_ = 2 };

// ---- menus ----
enum : unsigned { MF_ENABLED_ = 0, MF_GRAYED_ = 1 };
void EnableMenuEntry(std::uintptr_t menu, std::uint16_t commandId, unsigned state);

// ---- registry ----
enum class RegistryRoot { CurrentUser, LocalMachine };
// Reads a string value asking only for read access; "" on any failure or when the value
// does not fit `bufferSize` bytes (terminator included).
std::string ReadRegistryString(RegistryRoot root, const std::string& key, const std::string& value,
                               std::size_t bufferSize = 255);

// ---- profile-string (INI) files, as GetPrivateProfileStringA/WritePrivateProfileStringA ----
// Returns what the Windows call would copy into a buffer of `bufferSize` characters.
std::string GetProfileString(const std::string& section, const std::string& key, const std::string& defaultValue,
                             std::size_t bufferSize, const std::string& file);
bool WriteProfileString(const std::string& section, const std::string& key, const std::string& value,
                        const std::string& file);

// ---- file system ----
enum : std::uint32_t { FILE_ATTRIBUTE_DIRECTORY_ = 0x10 };
struct FindResult {
    bool found = false;
    std::uint32_t attributes = 0;
    // The search itself failed (a disk or network error, access refused): whether the entry
    // exists is not known. `found` is false then, but the name must not be taken for free.
    bool failed = false;
};
// A find-first on the unchanged path (wildcards allowed): names the entry itself.
FindResult FindFirstEntry(const std::string& path);

// errno-style codes, the same numbers on Windows and Linux.
enum : int { ENOENT_ = 2, EACCES_ = 13, EEXIST_ = 17, EINVAL_ = 22, ENOSPC_ = 28 };
// Creates one directory; returns 0 or an errno-style code (17 = EEXIST).
int MakeDirectory(const std::string& path);

// Broken-down local time, as the add-in's document dates are given.
struct LocalTime {
    int year, month, day, hour, minute, second;
};

// A file opened for writing in text mode: every "\n" is stored as "\r\n".
class TextFile {
public:
    TextFile() = default;
    ~TextFile();
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;
    bool Open(const std::string& path);    // create or truncate
    bool Create(const std::string& path);  // a new file: false when the name is taken
    bool Write(const std::string& text);
    // Dates the file once it is written (local time, DST as the platform decides); the
    // modification time only. Through the open file, since its name may be about to change.
    bool SetModificationTime(const LocalTime& when);
    bool Close();  // false when flushing or closing failed
    bool IsOpen() const { return handle_ != nullptr; }
    std::uint64_t BytesOnDisk() const { return written_; }  // bytes written, CRLF counted

private:
    bool OpenWith(const std::string& path, int how);  // the platform's creation mode
    void* handle_ = nullptr;
    std::uint64_t written_ = 0;
};

// Moves a file to `to` in one step, replacing a file of that name; false leaves both as they were.
bool MoveFileOver(const std::string& from, const std::string& to);
// Deletes one file.
bool RemoveFile(const std::string& path);

// Size of a file in bytes; none when it cannot be read (or is a folder).
std::optional<std::uint64_t> FileSize(const std::string& path);

// The bytes of a whole file, as stored (no line-end translation). False when it cannot be read.
bool ReadFileBytes(const std::string& path, std::string& content);

// ---- folder browser, help ----
// Shows the folder browser owned by `owner`; returns true and the chosen path when the
// user picked a file-system folder.
bool BrowseForFolder(std::uintptr_t owner, std::string& path);
void OpenHelpContents(std::uintptr_t owner);

// ---- process ----
[[noreturn]] void EndProcess(int code);

}  // namespace platform
