// The names and folders the archive makes: a folder path made where missing, names cleaned
// for the file system, and the first free name beside an existing file.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "files/FileNames.h"
#include "files/FolderPath.h"
#include "support/ScratchFolder.h"

namespace {

using ArchiveFolder = testsupport::ScratchFolder;
using stowline::CreateFolderPath;
using stowline::kInvalidFileNameChars;

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
        {"Gr\xFC\xDF"
         "e",
         "Gr~~e"},
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
        {"Gr\xFC\xDF"
         "e.txt",
         "Gr\xFC\xDF"
         "e.txt"},
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
