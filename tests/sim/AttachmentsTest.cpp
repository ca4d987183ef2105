// NSFNoteExtractFile through the real file system, with Windows' name rules.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "sim/Builder.h"
#include "sim/Lmbcs.h"
#include "sim/Status.h"
#include "support/StandInFixture.h"

namespace {

namespace fs = std::filesystem;

class AttachmentsTest : public sim::CleanEngineTest {
protected:
    void SetUp() override {
        CleanEngineTest::SetUp();
        dir = fs::path(::testing::TempDir()) / ("sim_extract_" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        db = &sim::CreateDatabase("mail.nsf");
        hDb = sim::ClientDbHandle(*db);
    }
    void TearDown() override {
        if (hNote) NSFNoteClose(hNote);
        fs::remove_all(dir);
        CleanEngineTest::TearDown();
    }
    BLOCKID FirstFile(NOTEID id) {
        EXPECT_EQ(NSFNoteOpen(hDb, id, 0, &hNote), NOERROR);
        BLOCKID item{};
        EXPECT_EQ(NSFItemInfo(hNote, "$FILE", 5, &item, nullptr, nullptr, nullptr), NOERROR);
        return item;
    }
    // A Windows-style path in LMBCS, as the add-in hands it over.
    std::string Target(const std::string& utf8Name) {
        std::string win = dir.string();
        for (char& ch : win)
            if (ch == '/') ch = '\\';
        return sim::Utf8ToLmbcs(win + "\\" + utf8Name);
    }
    static std::string Read(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    fs::path dir;
    sim::Database* db = nullptr;
    DBHANDLE hDb = 0;
    NOTEHANDLE hNote = 0;
};

TEST_F(AttachmentsTest, WritesTheBytesUnderANativeName) {
    const sim::Bytes content{'a', 0, 'b', '\n', 0xFF};
    const BLOCKID item = FirstFile(sim::AddDocument(*db).Attachment("x.bin", content).Id());
    ASSERT_EQ(NSFNoteExtractFile(hNote, item, Target("caf\xC3\xA9.bin").c_str(), nullptr), NOERROR);
    EXPECT_EQ(Read(dir / "caf\xC3\xA9.bin"), std::string(content.begin(), content.end()));
}

TEST_F(AttachmentsTest, RefusesNamesWindowsRefuses) {
    const BLOCKID item = FirstFile(sim::AddDocument(*db).Attachment("x", {'1'}).Id());
    for (const char* name : {"a:b.txt", "what?.txt", "CON", "nul.txt", "tab\x01.txt", "a|b"}) {
        EXPECT_EQ(NSFNoteExtractFile(hNote, item, Target(name).c_str(), nullptr), sim::ERR_SIM_FILE_CREATE) << name;
    }
    EXPECT_TRUE(fs::is_empty(dir));
    // Windows drops trailing dots and blanks.
    ASSERT_EQ(NSFNoteExtractFile(hNote, item, Target("report. .").c_str(), nullptr), NOERROR);
    EXPECT_TRUE(fs::exists(dir / "report"));
}

TEST_F(AttachmentsTest, EncryptedAttachmentNeedsTheNotesKey) {
    sim::SetUserKeys({"k"});
    const BLOCKID item = FirstFile(sim::AddDocument(*db).Attachment("s.txt", {'s'}).Seal("k").Id());
    EXPECT_EQ(NSFNoteExtractFile(hNote, item, Target("s.txt").c_str(), nullptr), sim::ERR_SIM_ATTACH_ENCRYPTED);
    ENCRYPTION_KEY key{};
    ASSERT_EQ(NSFNoteDecrypt(hNote, 0, &key), NOERROR);
    ENCRYPTION_KEY wrong = key;
    wrong.Text[0] ^= 1;
    EXPECT_EQ(NSFNoteExtractFile(hNote, item, Target("s.txt").c_str(), &wrong), sim::ERR_SIM_NO_KEY);
    EXPECT_EQ(NSFNoteExtractFile(hNote, item, Target("s.txt").c_str(), &key), NOERROR);
    EXPECT_EQ(Read(dir / "s.txt"), "s");
    // Decrypted in place, the attachment needs no key any more.
    ASSERT_EQ(NSFNoteDecrypt(hNote, 0x0001, nullptr), NOERROR);
    EXPECT_EQ(NSFNoteExtractFile(hNote, item, Target("t.txt").c_str(), nullptr), NOERROR);
}

}  // namespace
