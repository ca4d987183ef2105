// The file operations of the posix seam, called through one table of function pointers so that
// tests can make any of them fail (a full disk on write, a failing close or mkdir) and see
// how the caller copes. Each entry has the POSIX call's contract: -1 and errno on failure.
#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>

#include <map>
#include <string>

namespace platform::posix {

struct FileOps {
    int (*open)(const char* path, int flags, mode_t mode);
    ssize_t (*write)(int fd, const void* data, size_t size);
    ssize_t (*read)(int fd, void* data, size_t size);
    int (*close)(int fd);
    int (*mkdir)(const char* path, mode_t mode);
    int (*stat)(const char* path, struct stat* st);
    int (*futimens)(int fd, const struct timespec times[2]);
    DIR* (*opendir)(const char* path);
    int (*closedir)(DIR* dir);
    int (*rename)(const char* from, const char* to);
    int (*unlink)(const char* path);
};

// The table in use: the real calls, counted and failed by name (below). Replace entries to
// inject faults of another kind; ScopedFileOps puts them back.
FileOps& Ops();
// The real POSIX calls.
const FileOps& RealFileOps();

class ScopedFileOps {
public:
    ScopedFileOps() : saved_(Ops()) {}
    ~ScopedFileOps() { Ops() = saved_; }
    ScopedFileOps(const ScopedFileOps&) = delete;
    ScopedFileOps& operator=(const ScopedFileOps&) = delete;

private:
    FileOps saved_;
};

// Faults by name, as the Notes stand-in injects them into its functions: the `nth` call of the
// operation counted from now fails with `error`, once or from then on. The names are those of
// the table's entries, with an open that creates the file counted as "create"; a failing
// "close" or "closedir" still closes, as a close that cannot flush does.
void InjectFileFault(const std::string& operation, unsigned nth, int error, bool fromThenOn = false);
// Forgets every fault and starts every count afresh.
void ResetFileFaults();
// The calls of each operation made since the last ResetFileFaults, by name.
std::map<std::string, unsigned> FileCallCounts();

}  // namespace platform::posix
