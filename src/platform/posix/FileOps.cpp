#include "platform/posix/FileOps.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace platform::posix {

namespace {
int RealOpen(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
int RealStat(const char* path, struct stat* st) { return ::stat(path, st); }
}  // namespace

const FileOps& RealFileOps() {
    static const FileOps real{RealOpen, ::write, ::read, ::close, ::mkdir,
                              RealStat, ::futimens, ::opendir, ::closedir,
                              ::rename, ::unlink};
    return real;
}

FileOps& Ops() {
    static FileOps ops = RealFileOps();
    return ops;
}

}  // namespace platform::posix
