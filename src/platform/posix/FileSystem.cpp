// Files and directories with Windows' semantics on the Linux file system.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "platform/Platform.h"
#include "platform/TextMode.h"
#include "platform/posix/FileOps.h"
#include "platform/posix/FileText.h"
#include "platform/posix/HostPath.h"

namespace platform {

namespace {

std::uint32_t AttributesOf(const struct stat& st) {
    return S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY_ : 0x80u;  // FILE_ATTRIBUTE_NORMAL
}

std::string Parent(const posix::HostPath& host) {
    if (host.components.size() <= 1) return host.root.empty() ? "." : host.root;
    const auto slash = host.path.rfind('/');
    return slash == 0 ? "/" : host.path.substr(0, slash);
}

bool HasWildcard(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

// A failed stat or opendir that says the entry is not there, rather than that looking failed.
bool IsAbsent(int error) { return error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG; }

int* Fd(void* handle) { return static_cast<int*>(handle); }

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

bool IsValidLocalTime(const LocalTime& t) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (t.year < 1601 || t.year > 30827 || t.month < 1 || t.month > 12) return false;
    const int inMonth = days[t.month - 1] + (t.month == 2 && IsLeap(t.year) ? 1 : 0);
    return t.day >= 1 && t.day <= inMonth && t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 &&
           t.second >= 0 && t.second < 60;
}

}  // namespace

FindResult FindFirstEntry(const std::string& path) {
    FindResult result;
    posix::Entry entry;
    const auto host = posix::ResolveHostPath(path, /*allowWildcards=*/true, &entry);
    // FindFirstFileA names the entry itself: a root or a path ending in a separator names none.
    if (host.error != winpath::PathError::None || host.parsed.trailingSeparator || host.parsed.IsRoot()) return result;
    auto& ops = posix::Ops();
    const std::string last = host.components.empty() ? "." : host.components.back();
    if (!HasWildcard(last)) {
        // Resolving looked at the entry, or at a folder that holds no name like it, already.
        if (entry.state == posix::Entry::Absent) return result;
        struct stat st = entry.st;
        if (entry.state != posix::Entry::Present && ops.stat(host.path.c_str(), &st) != 0) {
            result.failed = !IsAbsent(errno);
            return result;
        }
        result.found = true;
        result.attributes = AttributesOf(st);
        return result;
    }
    const std::string dir = Parent(host);
    DIR* d = ops.opendir(dir.c_str());
    if (!d) {
        result.failed = !IsAbsent(errno);
        return result;
    }
    const bool atRoot = host.components.size() == 1 && !host.root.empty();
    while (const dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (atRoot && (name == "." || name == "..")) continue;  // a root has neither
        if (!winpath::WildcardMatch(last, name)) continue;
        struct stat st {};
        const std::string full = dir == "/" ? "/" + name : dir + "/" + name;
        if (ops.stat(full.c_str(), &st) != 0) {
            if (IsAbsent(errno)) continue;  // gone since it was listed
            result.failed = true;
            break;
        }
        result.found = true;
        result.attributes = AttributesOf(st);
        break;
    }
    ops.closedir(d);
    return result;
}

int MakeDirectory(const std::string& path) {
    const auto host = posix::ResolveHostPath(path);
    if (host.error != winpath::PathError::None) return EINVAL_;
    if (host.parsed.IsRoot()) return EEXIST_;
    if (posix::Ops().mkdir(host.path.c_str(), 0777) == 0) {
        posix::NoteCreatedDirectory(host.path);
        return 0;
    }
    switch (errno) {
        case EEXIST: return EEXIST_;
        case ENOENT:
        case ENOTDIR: return ENOENT_;
        case EACCES:
        case EPERM:
        case EROFS: return EACCES_;
        case ENOSPC:
        case EDQUOT: return ENOSPC_;
        default: return EINVAL_;
    }
}

TextFile::~TextFile() { Close(); }

bool TextFile::Open(const std::string& path) { return OpenWith(path, O_TRUNC); }

bool TextFile::Create(const std::string& path) { return OpenWith(path, O_EXCL); }

bool TextFile::OpenWith(const std::string& path, int how) {
    Close();
    written_ = 0;
    const auto host = posix::ResolveHostPath(path);
    if (host.error != winpath::PathError::None || host.parsed.trailingSeparator || host.components.empty())
        return false;
    const int fd = posix::Ops().open(host.path.c_str(), O_WRONLY | O_CREAT | how | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    posix::NoteCreated(host.path);
    handle_ = new int(fd);
    return true;
}

bool TextFile::Write(const std::string& text) {
    if (!handle_) return false;
    const std::string out = ToTextMode(text);
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = posix::Ops().write(*Fd(handle_), out.data() + done, out.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            written_ += done;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    written_ += done;
    return true;
}

bool TextFile::SetModificationTime(const LocalTime& when) {
    if (!handle_ || !IsValidLocalTime(when)) return false;
    std::tm tm{};
    tm.tm_year = when.year - 1900;
    tm.tm_mon = when.month - 1;
    tm.tm_mday = when.day;
    tm.tm_hour = when.hour;
    tm.tm_min = when.minute;
    tm.tm_sec = when.second;
    tm.tm_isdst = -1;  // the zone's rules decide, as on Windows
    const std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1)) return false;
    const struct timespec times[2] = {{0, UTIME_OMIT}, {t, 0}};
    return posix::Ops().futimens(*Fd(handle_), times) == 0;
}

bool TextFile::Close() {
    if (!handle_) return true;
    int* fd = Fd(handle_);
    handle_ = nullptr;
    const bool ok = posix::Ops().close(*fd) == 0;
    delete fd;
    return ok;
}

bool MoveFileOver(const std::string& from, const std::string& to) {
    const auto source = posix::ResolveHostPath(from);
    const auto target = posix::ResolveHostPath(to);
    if (source.error != winpath::PathError::None || target.error != winpath::PathError::None ||
        source.components.empty() || target.components.empty())
        return false;
    if (posix::Ops().rename(source.path.c_str(), target.path.c_str()) != 0) return false;
    posix::NoteMoved(source.path, target.path);
    return true;
}

bool RemoveFile(const std::string& path) {
    const auto host = posix::ResolveHostPath(path);
    if (host.error != winpath::PathError::None || host.components.empty()) return false;
    if (posix::Ops().unlink(host.path.c_str()) != 0) return false;
    posix::NoteRemoved(host.path);
    return true;
}

std::optional<std::uint64_t> FileSize(const std::string& path) {
    posix::Entry entry;
    const auto host = posix::ResolveHostPath(path, false, &entry);
    if (host.error != winpath::PathError::None || host.components.empty()) return std::nullopt;
    if (entry.state == posix::Entry::Absent) return std::nullopt;
    struct stat st = entry.st;
    if (entry.state != posix::Entry::Present && posix::Ops().stat(host.path.c_str(), &st) != 0) return std::nullopt;
    if (S_ISDIR(st.st_mode)) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

bool ReadFileBytes(const std::string& path, std::string& content) {
    content.clear();
    const auto host = posix::ResolveHostPath(path);
    if (host.error != winpath::PathError::None || host.parsed.trailingSeparator || host.components.empty())
        return false;
    return posix::ReadWholeFile(host.path, content);
}

}  // namespace platform
