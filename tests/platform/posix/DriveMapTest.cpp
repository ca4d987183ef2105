#include "platform/posix/DriveMap.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>

namespace posix = platform::posix;
using platform::winpath::PathError;

namespace {

TEST(DriveMap, MapsDrivesRootsAndRelativePaths) {
    const posix::DriveRoots roots = [](char d) { return d == 'C' ? std::string("/srv/c") : std::string(); };
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Archive\\Inbox", "/srv/c/Archive/Inbox"},
        {"c:\\", "/srv/c"},
        {"C:\\Caf\xe9\\\x80uro", "/srv/c/Caf\xc3\xa9/\xe2\x82\xacuro"},
        {"/tmp/arch", "/tmp/arch"},
        {"\\", "/"},
        {"out\\a.htm", "out/a.htm"},
        {".", "."},
    };
    for (const auto& [in, out] : cases) {
        const auto h = posix::MapToHostPath(in, roots);
        EXPECT_EQ(h.error, PathError::None) << in;
        EXPECT_EQ(h.path, out) << in;
    }
    EXPECT_EQ(posix::MapToHostPath("D:\\x", roots).error, PathError::Unsupported);
}

TEST(DriveMap, DriveRootFromEnvironment) {
    setenv("STOWLINE_DRIVE_Q", "/mnt/q/", 1);
    EXPECT_EQ(posix::EnvironmentDriveRoot('q'), "/mnt/q");
    unsetenv("STOWLINE_DRIVE_Q");
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(posix::EnvironmentDriveRoot('Q'), "/home/u/.local/share/stowline/drive_q");
}

}  // namespace
