#include "sim/Environment.h"
#include "sim/Faults.h"

#include <fcntl.h>

#include <cerrno>

#include "platform/posix/FileOps.h"
#include "support/ScratchDrive.h"
#include "settings/ArchiveSettings.h"
#include "files/ExistenceChecks.h"
#include "settings/SettingsLookup.h"
#include "support/SettingsFiles.h"

namespace {

using stowline::ArchiveSettings;

class Settings : public ScratchDrive {
protected:
    void SetUp() override {
        ScratchDrive::SetUp();
        setenv("NOTES_INI", Host("notes.ini").c_str(), 1);
        ResetNotes();
    }
    void TearDown() override {
        ResetNotes();
        unsetenv("NOTES_INI");
        ScratchDrive::TearDown();
    }
    static void ResetNotes() {
        sim::ClearEnvironmentVariables();
        sim::ResetCalls();
    }
    void WriteRegistry(const char* currentUser, const char* localMachine) {
        const auto given = [](const char* path) { return path ? std::optional<std::string>(path) : std::nullopt; };
        MakeFile("registry.reg", testsupport::RegistryFile(given(currentUser), given(localMachine)));
    }
};

TEST_F(Settings, FolderLookupPrecedence) {
    struct Case {
        const char* currentUser;
        const char* localMachine;
        const char* notesIni;
        const char* expected;
        bool notesIniAsked;
    };
    const Case cases[] = {
        {"C:\\User", "C:\\Machine", "C:\\Ini", "C:\\User", false},
        {nullptr, "C:\\Machine", "C:\\Ini", "C:\\Machine", false},
        {"", "C:\\Machine", nullptr, "C:\\Machine", false},  // an empty value is not a folder
        {nullptr, nullptr, "C:\\Ini", "C:\\Ini", true},
        {nullptr, nullptr, nullptr, "", true},
    };
    for (const auto& c : cases) {
        ResetNotes();
        WriteRegistry(c.currentUser, c.localMachine);
        if (c.notesIni) sim::SetEnvironmentVariable("StowlineSettingsPath", c.notesIni);
        EXPECT_EQ(stowline::FindSettingsFolder(), c.expected) << c.expected;
        EXPECT_EQ(sim::CallCount("OSGetEnvironmentString") > 0, c.notesIniAsked) << c.expected;
    }
}

TEST_F(Settings, NotesIniValueOfFullLengthIsKeptWhole) {
    const std::string folder = "C:\\" + std::string(253, 'f');  // 256 characters
    sim::SetEnvironmentVariable("StowlineSettingsPath", folder);
    EXPECT_EQ(stowline::FindSettingsFolder(), folder);
}

TEST_F(Settings, SettingsFileJoinedAsPlainText) {
    const std::pair<const char*, const char*> cases[] = {
        {"D:\\Arch", "D:\\Arch\\Stowline.ini"},
        {"D:\\Arch\\", "D:\\Arch\\\\Stowline.ini"},
        {"D:\\100%\\%TEMP%", "D:\\100%\\%TEMP%\\Stowline.ini"},
    };
    for (const auto& [folder, file] : cases) EXPECT_EQ(stowline::SettingsFilePath(folder), file);
}

TEST_F(Settings, LoadReadsKeysAndBooleans) {
    const std::pair<const char*, bool> cases[] = {
        {"1", true},    {"1abc", true}, {"10", true},    {" 1", true}, {"0", false},
        {"yes", false}, {"Y", false},   {"true", false}, {"", false},
    };
    for (const auto& [stored, expected] : cases) {
        MakeFile("Stowline.ini", std::string("[Stowline Settings]\r\nBasePath=C:\\Arch\r\n") + "DelMsgAfterArc=" +
                                     stored + "\r\nPromptDelMsg=" + stored + "\r\nDelViewFoldersAfterArc=" + stored +
                                     "\r\nPromptDelViewFolders=" + stored + "\r\nWriteIndex=" + stored + "\r\n");
        const ArchiveSettings s("C:\\Stowline.ini", true);
        EXPECT_EQ(s.BasePath, "C:\\Arch");
        EXPECT_EQ(s.DelMsgAfterArc, expected) << stored;
        EXPECT_EQ(s.PromptDelMsg, expected) << stored;
        EXPECT_EQ(s.DelViewFoldersAfterArc, expected) << stored;
        EXPECT_EQ(s.PromptDelViewFolders, expected) << stored;
        EXPECT_EQ(s.WriteIndex, expected) << stored;
        EXPECT_EQ(s.DetachMethodEvalString, "");  // empty formulas stay empty on load
    }
}

TEST_F(Settings, LongValueIsCutTo19999Characters) {
    MakeFile("Stowline.ini", "[Stowline Settings]\r\nTextFileNameEvalString=" + std::string(25000, 'x') + "\r\n");
    const ArchiveSettings s("C:\\Stowline.ini", true);
    EXPECT_EQ(s.TextFileNameEvalString, std::string(19999, 'x'));
}

TEST_F(Settings, MissingFileLoadsEmpty) {
    ArchiveSettings s("C:\\nowhere\\Stowline.ini", true);
    EXPECT_EQ(s.BasePath, "");
    EXPECT_FALSE(s.DelMsgAfterArc);
    std::string reason = "stale";
    EXPECT_FALSE(s.Validate(reason));
    EXPECT_EQ(reason, "Archive Base Path has not been specified.");
}

TEST_F(Settings, SaveFillsEmptyFormulasAndWritesEveryKey) {
    MakeFile("Stowline.ini", "");
    ArchiveSettings s("C:\\Stowline.ini", true);
    s.BasePath = "C:\\Arch";
    s.DelMsgAfterArc = true;
    s.PromptDelViewFolders = true;
    s.WriteIndex = true;
    ASSERT_TRUE(s.Save());
    EXPECT_EQ(s.DetachMethodEvalString, stowline::kStandardFormula);
    EXPECT_EQ(s.TextFileNameEvalString, "Left(Text(\"Subject\"),30) + \" \" + UNID");
    EXPECT_EQ(Read("Stowline.ini"),
              "[Stowline Settings]\r\n"
              "BasePath=C:\\Arch\r\n"
              "DetachMethodEvalString=Left(Text(\"Subject\"),30) + \" \" + UNID\r\n"
              "TextFileNameEvalString=Left(Text(\"Subject\"),30) + \" \" + UNID\r\n"
              "DelMsgAfterArc=1\r\n"
              "DelViewFoldersAfterArc=0\r\n"
              "PromptDelMsg=0\r\n"
              "PromptDelViewFolders=1\r\n"
              "WriteIndex=1\r\n");
    const ArchiveSettings back("C:\\Stowline.ini", true);
    EXPECT_EQ(back.TextFileNameEvalString, stowline::kStandardFormula);
    EXPECT_TRUE(back.DelMsgAfterArc);
    EXPECT_TRUE(back.PromptDelViewFolders);
    EXPECT_TRUE(back.WriteIndex);
    EXPECT_TRUE(platform::posix::RecordedBoxes().empty());
}

TEST_F(Settings, SaveWithoutTheFileTellsAndCreatesNothing) {
    ArchiveSettings s("C:\\Stowline.ini", false);
    s.BasePath = "C:\\Arch";
    EXPECT_FALSE(s.Save());
    EXPECT_FALSE(std::filesystem::exists(Host("Stowline.ini")));
    EXPECT_EQ(s.TextFileNameEvalString, "");
    const auto boxes = platform::posix::RecordedBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Was unable to save settings.File 'C:\\Stowline.ini' was not found.");
    EXPECT_EQ(boxes[0].title, "File Error");
    EXPECT_EQ(boxes[0].flags, 0x10u);
}

TEST_F(Settings, SaveReportsAWriteThatFailed) {
    MakeFile("Stowline.ini", "");
    ArchiveSettings s("C:\\Stowline.ini", false);
    platform::posix::ScopedFileOps restore;
    platform::posix::Ops().open = [](const char* p, int flags, mode_t mode) -> int {
        if (flags & O_WRONLY) return errno = EACCES, -1;
        return platform::posix::RealFileOps().open(p, flags, mode);
    };
    EXPECT_FALSE(s.Save());
    const auto boxes = platform::posix::RecordedBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "File Error");
    EXPECT_EQ(boxes[0].flags, 0x10u);
}

TEST_F(Settings, ValidateTheBasePath) {
    MakeDir("Archive");
    MakeFile("file.txt");
    struct Case {
        const char* basePath;
        bool valid;
        const char* reason;
    };
    const Case cases[] = {
        {"", false, "Archive Base Path has not been specified."},
        {"C:\\", false, "Archive Base Path can not be found."},
        {"C:\\Archive\\", false, "Archive Base Path can not be found."},
        {"C:\\Missing", false, "Archive Base Path can not be found."},
        {"C:\\file.txt", false, "Archive Base Path can not be found."},
        {"C:\\Archive", true, ""},
    };
    for (const auto& c : cases) {
        ArchiveSettings s("C:\\Stowline.ini", false);
        s.BasePath = c.basePath;
        std::string reason = "left over";
        EXPECT_EQ(s.Validate(reason), c.valid) << c.basePath;
        EXPECT_EQ(reason, c.reason) << c.basePath;
    }
    EXPECT_TRUE(stowline::FileExists("C:\\file.txt"));
    EXPECT_FALSE(stowline::FileExists("C:\\Archive"));
}

}  // namespace
