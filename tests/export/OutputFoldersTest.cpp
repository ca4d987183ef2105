// Naming and creating the archive tree: view folders, cleaned names, missing folder paths.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "support/ScratchFolder.h"
#include "export/ExportJob.h"
#include "export/OutputFolders.h"
#include "files/FileNames.h"
#include "files/FolderPath.h"

namespace {

using ArchiveFolder = testsupport::ScratchFolder;
using stowline::CreateFolderPath;
using stowline::ExportJob;
using stowline::GetViewFolder;
using stowline::kInvalidFileNameChars;

TEST(ExcludedFolders, DisplayNameForMatchesInternalNamesExactly) {
    stowline::ExcludedFolders folders;
    folders.Add("($Inbox)", "Inbox");
    folders.Add("($Sent)", "Sent");
    folders.Add("($Inbox)", "Shadowed");  // the first pair wins
    const struct {
        const char* name;
        const char* expected;
    } cases[] = {
        {"($Inbox)", "Inbox"},
        {"($inbox)", "($inbox)"},  // case matters
        {"($Sent)", "Sent"},
        {"Projects", "Projects"},
        {"", ""},
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

TEST(CreateFolderPath, ExistingFolderIsReturnedAndNothingCreated) {
    ArchiveFolder archive;
    archive.Write("X\\keep.txt", "x");
    const auto before = archive.Tree();
    EXPECT_EQ(CreateFolderPath(archive.Win("X")), archive.Win("X"));
    EXPECT_EQ(archive.Tree(), before);
}

TEST(CreateFolderPath, CreatesTheMissingTailOutermostFirst) {
    ArchiveFolder archive;
    archive.Write("X\\keep.txt", "x");
    EXPECT_EQ(CreateFolderPath(archive.Win("X\\Y\\Z")), archive.Win("X\\Y\\Z"));
    EXPECT_TRUE(archive.IsDirectory("X\\Y\\Z"));
}

// The empty component before a doubled or trailing backslash names the folder that exists.
TEST(CreateFolderPath, EmptyComponentsCountAsTheExistingFolder) {
    ArchiveFolder archive;
    EXPECT_EQ(CreateFolderPath(archive.Win() + "\\"), archive.Win() + "\\");
    EXPECT_EQ(CreateFolderPath(archive.Win() + "\\\\Inbox"), archive.Win() + "\\\\Inbox");
    EXPECT_TRUE(archive.IsDirectory("Inbox"));
}

TEST(CreateFolderPath, RebuildsThePathFromStrippedComponents) {
    ArchiveFolder archive;
    EXPECT_EQ(CreateFolderPath(archive.Win() + " \\ Inbox \\Sub "), archive.Win("Inbox\\Sub"));
    EXPECT_TRUE(archive.IsDirectory("Inbox\\Sub"));
    // Only the last folder missing, its name to strip: made stripped all the same.
    EXPECT_EQ(CreateFolderPath(archive.Win() + "\\Inbox\\ Next"), archive.Win("Inbox\\Next"));
    EXPECT_TRUE(archive.IsDirectory("Inbox\\Next"));
    EXPECT_EQ(archive.Tree().count("Inbox/ Next"), 0u);
}

TEST(CreateFolderPath, FileInTheWayGivesEmptyResult) {
    ArchiveFolder archive;
    archive.Write("X\\Y", "a file, not a folder");
    EXPECT_EQ(CreateFolderPath(archive.Win("X\\Y\\Z")), std::nullopt);
    EXPECT_TRUE(archive.IsFile("X\\Y"));
}

// No folder to write into: the leading part ("C:" when every existence check fails) would
// put the files at the root of the drive.
TEST(CreateFolderPath, NoExistingLeadingPartCreatesNothingAndGivesEmptyResult) {
    EXPECT_EQ(CreateFolderPath("no-such-top\\A\\B"), std::nullopt);
    EXPECT_EQ(CreateFolderPath("plainname"), std::nullopt);
}

TEST(ReplaceInvalidChars, CleansOneNameByteByByte) {
    const struct {
        std::string in;
        std::string expected;
    } cases[] = {
        {"  Re: a/b?  ", "Re~ a~b~"},
        {"tab\there", "tab~here"},
        {"Gr\xFC\xDF" "e", "Gr~~e"},
        {"a\\b*c\"d<e>f|g", "a~b~c~d~e~f~g"},
        {"   ", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(stowline::ReplaceInvalidChars(c.in, kInvalidFileNameChars), c.expected) << c.in;
}

TEST(MakeValidFileName, CleansAnAttachmentNameKeepingLetters) {
    const struct {
        std::string in;
        std::string expected;
    } cases[] = {
        {"  report:one.doc  ", "~~report~one.doc"},
        {"Gr\xFC\xDF" "e.txt", "Gr\xFC\xDF" "e.txt"},
        {"a:b.txt", "a~b.txt"},
        {"..\\..\\evil.exe", "..~..~evil.exe"},
        {"C:evil.exe", "C~evil.exe"},
        {"..", "~~"},
        {".", "~"},
        {"CON", "~CON"},  // device names would swallow the file
        {"nul.txt", "~nul.txt"},
        {"com1.log", "~com1.log"},
        {"Console.txt", "Console.txt"},
        {"   ", "   "},  // would come out empty: left as it was
        {"", ""},
    };
    for (const auto& c : cases) {
        std::string text = c.in;
        stowline::MakeValidFileName(text);
        EXPECT_EQ(text, c.expected) << c.in;
    }
}

TEST(FirstFreePath, NumbersBeforeTheExtensionOfTheLastName) {
    ArchiveFolder archive;
    archive.Write("a.b\\mail.htm", "1");
    archive.Write("a.b\\mail (2).htm", "2");
    archive.Write("a.b\\README", "1");
    archive.Write("a.b\\.profile", "1");
    archive.Write("a.b\\taken (2)\\x", "folder in the way");
    archive.Write("a.b\\taken", "1");
    EXPECT_EQ(stowline::FirstFreePath(archive.Win("a.b\\new.htm")), archive.Win("a.b\\new.htm"));
    EXPECT_EQ(stowline::FirstFreePath(archive.Win("a.b\\mail.htm")), archive.Win("a.b\\mail (3).htm"));
    EXPECT_EQ(stowline::FirstFreePath(archive.Win("a.b\\README")), archive.Win("a.b\\README (2)"));
    EXPECT_EQ(stowline::FirstFreePath(archive.Win("a.b\\.profile")), archive.Win("a.b\\.profile (2)"));
    EXPECT_EQ(stowline::FirstFreePath(archive.Win("a.b\\taken")), archive.Win("a.b\\taken (3)"));
}

}  // namespace
