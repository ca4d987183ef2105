#include "platform/posix/FileText.h"

#include <fcntl.h>

#include <cerrno>

#include "platform/posix/FileOps.h"

namespace platform::posix {

bool ReadWholeFile(const std::string& hostPath, std::string& content) {
    content.clear();
    auto& ops = Ops();
    const int fd = ops.open(hostPath.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0) return false;
    char buf[8192];
    bool ok = true;
    for (;;) {
        const ssize_t n = ops.read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        content.append(buf, static_cast<std::size_t>(n));
    }
    ops.close(fd);
    return ok;
}

bool WriteWholeFile(const std::string& hostPath, const std::string& content) {
    auto& ops = Ops();
    const int fd = ops.open(hostPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool ok = true;
    for (std::size_t done = 0; ok && done < content.size();) {
        const ssize_t n = ops.write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            ok = false;
        else
            done += static_cast<std::size_t>(n);
    }
    return ops.close(fd) == 0 && ok;
}

}  // namespace platform::posix
