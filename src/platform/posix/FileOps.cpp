#include "platform/posix/FileOps.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <vector>

namespace platform::posix {

namespace {
int RealOpen(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
int RealStat(const char* path, struct stat* st) { return ::stat(path, st); }

enum Op {
    kOpen,
    kCreate,
    kWrite,
    kRead,
    kClose,
    kMkdir,
    kStat,
    kFutimens,
    kOpendir,
    kClosedir,
    kRename,
    kUnlink,
    kOps
};
constexpr const char* kNames[kOps] = {"open", "create",   "write",   "read",     "close",  "mkdir",
                                      "stat", "futimens", "opendir", "closedir", "rename", "unlink"};

struct Fault {
    Op op;
    unsigned nth;
    int error;
    bool fromThenOn;
};

// Counted by operation (the calls may come from several threads); a handful of faults at most,
// injected by a test before the calls it fails.
struct FaultState {
    std::atomic<unsigned> counts[kOps] = {};
    std::vector<Fault> faults;
} state;

// Counts the call; true, with errno set, when it is to fail.
bool Fails(Op op) {
    const unsigned n = state.counts[op].fetch_add(1, std::memory_order_relaxed) + 1;
    for (const Fault& f : state.faults) {
        if (f.op == op && (n == f.nth || (f.fromThenOn && n > f.nth))) {
            errno = f.error;
            return true;
        }
    }
    return false;
}

// The real calls behind the fault check.
const FileOps kChecked{
    [](const char* path, int flags, mode_t mode) -> int {
        return Fails((flags & O_CREAT) ? kCreate : kOpen) ? -1 : RealOpen(path, flags, mode);
    },
    [](int fd, const void* data, size_t size) -> ssize_t { return Fails(kWrite) ? -1 : ::write(fd, data, size); },
    [](int fd, void* data, size_t size) -> ssize_t { return Fails(kRead) ? -1 : ::read(fd, data, size); },
    [](int fd) -> int {
        if (!Fails(kClose)) return ::close(fd);
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    },
    [](const char* path, mode_t mode) -> int { return Fails(kMkdir) ? -1 : ::mkdir(path, mode); },
    [](const char* path, struct stat* st) -> int { return Fails(kStat) ? -1 : RealStat(path, st); },
    [](int fd, const struct timespec times[2]) -> int { return Fails(kFutimens) ? -1 : ::futimens(fd, times); },
    [](const char* path) -> DIR* { return Fails(kOpendir) ? nullptr : ::opendir(path); },
    [](DIR* dir) -> int {
        if (!Fails(kClosedir)) return ::closedir(dir);
        const int error = errno;
        ::closedir(dir);
        errno = error;
        return -1;
    },
    [](const char* from, const char* to) -> int { return Fails(kRename) ? -1 : ::rename(from, to); },
    [](const char* path) -> int { return Fails(kUnlink) ? -1 : ::unlink(path); },
};
}  // namespace

const FileOps& RealFileOps() {
    static const FileOps real{RealOpen,   ::write,   ::read,     ::close,  ::mkdir, RealStat,
                              ::futimens, ::opendir, ::closedir, ::rename, ::unlink};
    return real;
}

FileOps& Ops() {
    static FileOps ops = kChecked;
    return ops;
}

void InjectFileFault(const std::string& operation, unsigned nth, int error, bool fromThenOn) {
    for (int op = 0; op < kOps; ++op)
        if (operation == kNames[op])
            state.faults.push_back({static_cast<Op>(op), state.counts[op] + nth, error, fromThenOn});
}

void ResetFileFaults() {
    for (auto& count : state.counts) count = 0;
    state.faults.clear();
}

std::map<std::string, unsigned> FileCallCounts() {
    std::map<std::string, unsigned> counts;
    for (int op = 0; op < kOps; ++op)
        if (state.counts[op]) counts[kNames[op]] = state.counts[op];
    return counts;
}

}  // namespace platform::posix
