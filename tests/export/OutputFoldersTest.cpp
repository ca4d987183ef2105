// The view folders of the archive tree, and the excluded folders' display names.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "support/ScratchFolder.h"
#include "export/ExportJob.h"
#include "export/OutputFolders.h"

namespace {

using ArchiveFolder = testsupport::ScratchFolder;
using stowline::ExportJob;
using stowline::GetViewFolder;

TEST(ExcludedFolders, DisplayNameForMatchesInternalNamesExactly) {
    stowline::ExcludedFolders folders;
    folders.Add("($Inbox)", "Inbox");
    folders.Add("($Sent)", "Sent");
    folders.Add("($Inbox)", "Shadowed");  // the first pair wins
    const struct {
        const char* name;
        const char* expected;
    } cases[] = {
        {"($Inbox)", "Inbox"}, {"($inbox)", "($inbox)"},  // case matters
        {"($Sent)", "Sent"},   {"Projects", "Projects"}, {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(folders.DisplayNameFor(c.name), c.expected) << c.name;
    folders.Clear();
    EXPECT_EQ(folders.DisplayNameFor("($Inbox)"), "($Inbox)");
}

struct ViewFolderCase {
    const char* basePathSuffix;  // appended to the temporary folder
    const char* viewName;
    const char* expectedSuffix;  // of the returned path
    const char* createdFolder;   // relative to the temporary folder, "" for none
};

TEST(GetViewFolder, ComposesAndCreatesTheFolderOfTheView) {
    const ViewFolderCase cases[] = {
        {"", "($Inbox)", "\\Inbox", "Inbox"},
        {"", "Projects\\Alpha", "\\Projects\\Alpha", "Projects\\Alpha"},
        // A base path ending in a backslash is joined with one more, and still works.
        {"\\", "($Inbox)", "\\\\Inbox", "Inbox"},
        // No view name: the files land in the base folder itself.
        {"", "", "\\", ""},
        {"", "($inbox)", "\\($inbox)", "($inbox)"},
    };
    for (const auto& c : cases) {
        ArchiveFolder archive;
        ExportJob job;
        job.ExcludedFolders.Add("($Inbox)", "Inbox");
        job.BasePath = archive.Win() + c.basePathSuffix;
        EXPECT_EQ(GetViewFolder(job, c.viewName), archive.Win() + c.expectedSuffix) << c.viewName;
        if (*c.createdFolder) {
            EXPECT_TRUE(archive.IsDirectory(c.createdFolder)) << c.viewName;
        }
    }
}

TEST(GetViewFolder, ReturnsThePathEvenWhenItCannotBeCreated) {
    ArchiveFolder archive;
    archive.Write("file.txt", "a file where the base folder belongs");
    ExportJob job;
    job.BasePath = archive.Win("file.txt");
    EXPECT_EQ(GetViewFolder(job, "Inbox"), archive.Win("file.txt\\Inbox"));
    EXPECT_EQ(archive.Tree(), std::set<std::string>{"file.txt"});
}

// A folder's name nests with its backslashes, but no component of it resolves to another
// folder than its own, names a device or holds what Windows refuses: the view folder always
// lies below the base path.
TEST(GetViewFolder, EveryComponentIsANameOfItsOwn) {
    const struct {
        const char* viewName;
        const char* expected;
    } cases[] = {
        {"..\\..\\..\\..\\ESCAPED", "~~\\~~\\~~\\~~\\ESCAPED"},
        {".\\x", "~\\x"},
        {"...", "~~~"},
        {"Work\\..", "Work\\~~"},
        {"CON", "~CON"},
        {"Work\\NUL.txt", "Work\\~NUL.txt"},
        {"com1", "~com1"},
        {"x.", "x~"},
        {"Notes..\\a", "Notes~~\\a"},
        {"a/../../b", "a~..~..~b"},
        {"C:\\x", "C~\\x"},
        {"Projects\\2004", "Projects\\2004"},
        {"B\xFCro", "B\xFCro"},
    };
    // Deep enough that a climb out of the base path still lands in the test's folder.
    const std::set<std::string> above = {"1/", "1/2/", "1/2/3/", "1/2/3/4/"};
    for (const auto& c : cases) {
        ArchiveFolder archive;
        ExportJob job;
        job.BasePath = archive.Win("1\\2\\3\\4\\Base");
        EXPECT_EQ(GetViewFolder(job, c.viewName), job.BasePath + "\\" + c.expected) << c.viewName;
        const std::string expected = c.expected;
        EXPECT_EQ(archive.Tree().size(), above.size() + 2 + std::count(expected.begin(), expected.end(), '\\'))
            << c.viewName << ": every folder is made, and nothing else";
        for (const auto& entry : archive.Tree())
            EXPECT_TRUE(above.count(entry) || entry.rfind("1/2/3/4/Base/", 0) == 0) << c.viewName << ": " << entry;
    }
}

}  // namespace
