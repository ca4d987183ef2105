#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/ScratchDrive.h"
#include "platform/Platform.h"
#include "platform/posix/FileOps.h"

namespace {

using FileSystem = ScratchDrive;

TEST_F(FileSystem, FindFirstEntryNamesTheEntryItself) {
    MakeDir("Archive/Inbox");
    MakeFile("Archive/note.htm");
    struct Case {
        const char* path;
        bool found;
        bool directory;
    };
    const Case cases[] = {
        {"C:\\Archive", true, true},
        {"c:/archive/INBOX", true, true},  // names compare without regard to case
        {"C:\\Archive.", true, true},      // trailing dots are dropped
        {"C:\\Archive\\note.htm", true, false},
        {"C:\\Archive\\", false, false},  // a trailing separator names no entry
        {"C:\\", false, false},           // neither does a root
        {"C:", false, false},
        {"C:\\Missing", false, false},
        {"C:\\Archive\\*.htm", true, false},  // wildcards match
        {"C:\\Archive\\In*", true, true},
        {"C:\\Archive\\*.txt", false, false},
        {"C:\\Arch?ve", true, true},
        {"C:\\A*\\Inbox", false, false},  // only the last name may hold wildcards
        {"C:\\Archive\\CON", false, false},
    };
    for (const auto& c : cases) {
        const auto r = platform::FindFirstEntry(c.path);
        EXPECT_EQ(r.found, c.found) << c.path;
        if (r.found) {
            EXPECT_EQ((r.attributes & platform::FILE_ATTRIBUTE_DIRECTORY_) != 0, c.directory) << c.path;
        }
    }
}

// The resolver caches each folder's names; a name that appears later, written by this process
// or by another one, must still be found under any case.
TEST_F(FileSystem, NamesAddedAfterALookupAreFoundUnderAnyCase) {
    MakeDir("Archive");
    EXPECT_FALSE(platform::FindFirstEntry("C:\\Archive\\Report.htm").found);
    {
        platform::TextFile ours;
        ASSERT_TRUE(ours.Open("C:\\Archive\\Report.htm"));
        ASSERT_TRUE(ours.Close());
    }
    MakeFile("Archive/Other.htm");  // written outside the seam
    ASSERT_EQ(platform::MakeDirectory("C:\\Archive\\Sub"), 0);
    EXPECT_FALSE(platform::FindFirstEntry("C:\\Archive\\Sub\\Page.htm").found);  // a folder made empty
    {
        platform::TextFile inSub;
        ASSERT_TRUE(inSub.Open("C:\\Archive\\Sub\\Page.htm"));
        ASSERT_TRUE(inSub.Close());
    }
    for (const char* path :
         {"C:\\ARCHIVE\\report.HTM", "c:\\archive\\OTHER.htm", "C:\\Archive\\SUB", "c:\\archive\\sub\\PAGE.HTM"})
        EXPECT_TRUE(platform::FindFirstEntry(path).found) << path;
    // Writing under another case reuses the stored name instead of adding a second file.
    platform::TextFile again;
    ASSERT_TRUE(again.Open("C:\\archive\\REPORT.htm"));
    ASSERT_TRUE(again.Write("new"));
    ASSERT_TRUE(again.Close());
    EXPECT_EQ(Read("Archive/Report.htm"), "new");
    EXPECT_FALSE(std::filesystem::exists(Host("Archive/REPORT.htm")));

    // A folder that fills up as a run writes into it: every name stays known as it grows.
    for (int i = 0; i < 200; ++i) {
        platform::TextFile page;
        ASSERT_TRUE(page.Open("C:\\Archive\\Sub\\Page " + std::to_string(i) + ".htm"));
        ASSERT_TRUE(page.Close());
    }
    for (int i = 0; i < 200; ++i)
        EXPECT_TRUE(platform::FindFirstEntry("C:\\ARCHIVE\\SUB\\PAGE " + std::to_string(i) + ".HTM").found) << i;
    EXPECT_FALSE(platform::FindFirstEntry("C:\\Archive\\Sub\\Page 200.htm").found);
}

// The resolver remembers the host folder of recent paths. What another program does to that
// folder, or in it, between two calls through the same spelling must still be seen: names
// compare without regard to case, and a name stored under another case is the one used.
TEST_F(FileSystem, ChangesToARememberedFolderAreSeen) {
    namespace fs = std::filesystem;
    struct Case {
        const char* name;
        void (*change)(const fs::path& folder);  // on "<case>/Inbox", holding a.htm
        const char* probe;                       // below C:\<case>
        bool found;
        const char* write;   // written next, below C:\<case>
        const char* landed;  // where it must be on disk, below <case>; nullptr: nowhere
    };
    const Case cases[] = {
        {"folder renamed to another case", [](const fs::path& f) { fs::rename(f, f.parent_path() / "INBOX"); },
         "Inbox\\A.HTM", true, "Inbox\\b.htm", "INBOX/b.htm"},
        {"name made under another case", [](const fs::path& f) { std::ofstream(f / "NEW.htm") << "x"; },
         "Inbox\\new.htm", true, "Inbox\\New.htm", "Inbox/NEW.htm"},
        {"folder replaced by a file", [](const fs::path& f) { fs::remove_all(f), std::ofstream(f) << "x"; },
         "Inbox\\a.htm", false, "Inbox\\b.htm", nullptr},
        {"folder made again, empty", [](const fs::path& f) { fs::remove_all(f), fs::create_directory(f); },
         "Inbox\\a.htm", false, "INBOX\\a.htm", "Inbox/a.htm"},
        {"folder made again under another case",
         [](const fs::path& f) { fs::remove_all(f), fs::create_directory(f.parent_path() / "inbox"); }, "INBOX\\a.htm",
         false, "Inbox\\c.htm", "inbox/c.htm"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = "case" + std::to_string(n++);
        const std::string win = "C:\\" + dir + "\\";
        MakeDir(dir + "/Inbox");
        {
            platform::TextFile first;
            ASSERT_TRUE(first.Open(win + "Inbox\\a.htm"));
            ASSERT_TRUE(first.Close());
        }
        ASSERT_TRUE(platform::FindFirstEntry(win + "Inbox\\a.htm").found);
        ASSERT_FALSE(platform::FindFirstEntry(win + "Inbox\\none.htm").found);
        c.change(Host(dir + "/Inbox"));
        EXPECT_EQ(platform::FindFirstEntry(win + c.probe).found, c.found);
        platform::TextFile next;
        if (!c.landed) {
            EXPECT_FALSE(next.Open(win + c.write));
            continue;
        }
        ASSERT_TRUE(next.Open(win + c.write));
        ASSERT_TRUE(next.Write("new"));
        ASSERT_TRUE(next.Close());
        EXPECT_EQ(Read(dir + "/" + c.landed), "new");
        EXPECT_TRUE(platform::FindFirstEntry(win + c.write).found);
    }
}

TEST_F(FileSystem, MakeDirectoryAnswersErrnoCodes) {
    MakeDir("Archive");
    MakeFile("Archive/file");
    struct Case {
        const char* path;
        int expected;
    };
    const Case cases[] = {
        {"C:\\Archive\\New", 0},
        {"C:\\archive\\new", platform::EEXIST_},  // the same folder under Windows' rules
        {"C:\\Archive\\New. ", platform::EEXIST_},
        {"C:\\Missing\\New", platform::ENOENT_},
        {"C:\\Archive\\file\\New", platform::ENOENT_},
        {"C:\\Archive\\a:b", platform::EINVAL_},
        {"C:\\Archive\\LPT1.txt", platform::EINVAL_},
        {"C:\\", platform::EEXIST_},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::MakeDirectory(c.path), c.expected) << c.path;
    EXPECT_TRUE(std::filesystem::is_directory(Host("Archive/New")));
}

TEST_F(FileSystem, TextFileStoresCrLfAndCountsIt) {
    MakeDir("out");
    platform::TextFile f;
    ASSERT_TRUE(f.Open("C:\\out\\page.htm"));
    EXPECT_TRUE(f.Write("a\nb\r\n"));
    EXPECT_TRUE(f.Write("\n"));
    EXPECT_EQ(f.BytesOnDisk(), 9u);
    EXPECT_TRUE(f.Close());
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(Read("out/page.htm"), "a\r\nb\r\r\n\r\n");
    EXPECT_EQ(platform::FileSize("C:\\out\\page.htm"), 9u);
    EXPECT_EQ(platform::FileSize("C:\\out"), std::nullopt);
    EXPECT_EQ(platform::FileSize("C:\\out\\none"), std::nullopt);
    EXPECT_FALSE(f.Open("C:\\missing\\page.htm"));
    EXPECT_FALSE(f.Open("C:\\out\\"));
}

// A file written under a temporary name and moved over the old one: the move replaces it
// whole, names resolve without regard to case, and nothing is moved or read where it is not.
TEST_F(FileSystem, FilesAreReadReplacedAndRemovedByWindowsPath) {
    MakeDir("out");
    MakeFile("out/Index.js", "old\r\n");
    MakeFile("out/index.js.tmp", "new\r\n");
    std::string content;
    ASSERT_TRUE(platform::ReadFileBytes("C:\\out\\INDEX.js", content));
    EXPECT_EQ(content, "old\r\n");  // as stored: no line-end translation
    ASSERT_TRUE(platform::MoveFileOver("C:\\out\\index.js.tmp", "C:\\out\\index.js"));
    EXPECT_EQ(Read("out/Index.js"), "new\r\n");  // the stored spelling is kept
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Host("out")), std::filesystem::directory_iterator()),
              1);

    EXPECT_FALSE(platform::MoveFileOver("C:\\out\\none.tmp", "C:\\out\\Index.js"));
    EXPECT_EQ(Read("out/Index.js"), "new\r\n");
    EXPECT_FALSE(platform::ReadFileBytes("C:\\out\\none", content));
    EXPECT_TRUE(content.empty());
    EXPECT_FALSE(platform::ReadFileBytes("C:\\out\\", content));

    EXPECT_TRUE(platform::RemoveFile("C:\\OUT\\index.JS"));
    EXPECT_FALSE(std::filesystem::exists(Host("out/Index.js")));
    EXPECT_FALSE(platform::RemoveFile("C:\\out\\Index.js"));
    EXPECT_FALSE(platform::RemoveFile("C:\\out"));  // a folder is no file

    // Failures of the calls themselves reach the caller.
    MakeFile("out/a.tmp", "a");
    platform::posix::ScopedFileOps restore;
    auto& ops = platform::posix::Ops();
    ops.rename = [](const char*, const char*) -> int { return errno = ENOSPC, -1; };
    ops.read = [](int, void*, size_t) -> ssize_t { return errno = EIO, -1; };
    EXPECT_FALSE(platform::MoveFileOver("C:\\out\\a.tmp", "C:\\out\\a.js"));
    EXPECT_FALSE(platform::ReadFileBytes("C:\\out\\a.tmp", content));
    EXPECT_EQ(Read("out/a.tmp"), "a");
}

TEST_F(FileSystem, InjectedFailuresReachTheCaller) {
    MakeDir("out");
    platform::posix::ScopedFileOps restore;
    auto& ops = platform::posix::Ops();

    // A disk that fills after 4 bytes: the write fails and only what landed is counted.
    static std::size_t room;
    room = 4;
    ops.write = [](int fd, const void* data, size_t size) -> ssize_t {
        if (room == 0) return errno = ENOSPC, -1;
        const size_t n = size < room ? size : room;
        room -= n;
        return platform::posix::RealFileOps().write(fd, data, n);
    };
    platform::TextFile f;
    ASSERT_TRUE(f.Open("C:\\out\\full.htm"));
    EXPECT_FALSE(f.Write("abc\ndef"));
    EXPECT_EQ(f.BytesOnDisk(), 4u);

    // A close that fails (deferred write error) is reported.
    ops.close = [](int fd) -> int {
        platform::posix::RealFileOps().close(fd);
        return errno = EIO, -1;
    };
    EXPECT_FALSE(f.Close());

    ops.mkdir = [](const char*, mode_t) -> int { return errno = ENOSPC, -1; };
    EXPECT_EQ(platform::MakeDirectory("C:\\out\\sub"), platform::ENOSPC_);
    ops.open = [](const char*, int, mode_t) -> int { return errno = EACCES, -1; };
    EXPECT_FALSE(f.Open("C:\\out\\x.htm"));
    EXPECT_FALSE(platform::WriteProfileString("S", "K", "v", "C:\\out\\s.ini"));
}

// The time is set through the open file and survives its closing and renaming.
TEST_F(FileSystem, ModificationTimeOnlyIsSet) {
    platform::TextFile f;
    ASSERT_TRUE(f.Create("C:\\f.~tm"));
    ASSERT_TRUE(f.Write("page\n"));
    struct stat st0 {};
    ASSERT_EQ(::stat(Host("f.~tm").c_str(), &st0), 0);
    EXPECT_FALSE(f.SetModificationTime({2021, 2, 29, 0, 0, 0}));  // no such day
    ASSERT_TRUE(f.SetModificationTime({2021, 3, 14, 15, 9, 26}));
    ASSERT_TRUE(f.Close());
    EXPECT_FALSE(f.SetModificationTime({2021, 3, 1, 0, 0, 0}));  // closed
    ASSERT_TRUE(platform::MoveFileOver("C:\\f.~tm", "C:\\f.htm"));
    struct stat st {};
    ASSERT_EQ(::stat(Host("f.htm").c_str(), &st), 0);
    std::tm tm{};
    localtime_r(&st.st_mtime, &tm);
    EXPECT_EQ(tm.tm_year, 121);
    EXPECT_EQ(tm.tm_mon, 2);
    EXPECT_EQ(tm.tm_mday, 14);
    EXPECT_EQ(tm.tm_hour, 15);
    EXPECT_EQ(tm.tm_min, 9);
    EXPECT_EQ(tm.tm_sec, 26);
    EXPECT_EQ(st.st_atim.tv_sec, st0.st_atim.tv_sec);  // access time untouched
    EXPECT_EQ(Read("f.htm"), "page\r\n");
}

TEST_F(FileSystem, ProfileStringsRoundTripThroughTheFile) {
    EXPECT_EQ(platform::GetProfileString("S", "K", "dflt", 100, "C:\\none.ini"), "dflt");
    ASSERT_TRUE(platform::WriteProfileString("Stowline Settings", "BasePath", "C:\\Arch", "C:\\s.ini"));
    ASSERT_TRUE(platform::WriteProfileString("stowline settings", "DelMsgAfterArc", "1", "C:\\S.INI"));
    EXPECT_EQ(Read("s.ini"), "[Stowline Settings]\r\nBasePath=C:\\Arch\r\nDelMsgAfterArc=1\r\n");
    EXPECT_EQ(platform::GetProfileString("STOWLINE SETTINGS", "basepath", "", 20000, "C:\\s.ini"), "C:\\Arch");
}

// A key is written by rewriting the whole file around it; a file that could not be read must
// not be rewritten as if it held nothing, or every other key in it is lost.
TEST_F(FileSystem, ProfileWriteLeavesAnUnreadableFileAlone) {
    const std::string before = "[Stowline Settings]\r\nBasePath=C:\\Arch\r\nPromptDelMsg=1\r\n";
    MakeFile("s.ini", before);
    platform::posix::ScopedFileOps restore;
    platform::posix::Ops().read = [](int, void*, size_t) -> ssize_t { return errno = EIO, -1; };
    EXPECT_FALSE(platform::WriteProfileString("Stowline Settings", "DelMsgAfterArc", "1", "C:\\s.ini"));
    EXPECT_EQ(Read("s.ini"), before);
}

}  // namespace
