// Notes and databases: deletion stubs, modified-note tables, ID tables, sealing, signatures.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "sim/Builder.h"
#include "sim/Environment.h"
#include "sim/Status.h"
#include "sim/Time.h"
#include "support/StandInFixture.h"

namespace {

class NotesTest : public sim::CleanEngineTest {
protected:
    void SetUp() override {
        CleanEngineTest::SetUp();
        db = &sim::CreateDatabase("mail.nsf");
        hDb = sim::ClientDbHandle(*db);
    }
    std::vector<DWORD> Modified(WORD mask, WORD constant) {
        TIMEDATE since, until;
        TimeConstant(constant, &since);
        DHANDLE table = 0;
        std::vector<DWORD> ids;
        if (NSFDbGetModifiedNoteTable(hDb, mask, since, &until, &table) != NOERROR) return ids;
        DWORD id = 0;
        for (BOOL more = IDScan(table, TRUE, &id); more; more = IDScan(table, FALSE, &id)) ids.push_back(id);
        EXPECT_EQ(IDEntries(table), ids.size());
        IDDestroyTable(table);
        return ids;
    }
    sim::Database* db = nullptr;
    DBHANDLE hDb = 0;
};

TEST_F(NotesTest, DeletionLeavesAStubListedOnlyUnderWildcard) {
    const NOTEID a = sim::AddDocument(*db).Id();
    const NOTEID b = sim::AddDocument(*db).Id();
    const NOTEID view = sim::AddView(*db, "All").Entries({a, b}).Id();
    ASSERT_EQ(NSFNoteDelete(hDb, a, 0), NOERROR);

    EXPECT_EQ(Modified(NOTE_CLASS_DOCUMENT, TIMEDATE_WILDCARD), (std::vector<DWORD>{b, DWORD(a | RRV_DELETED)}));
    EXPECT_EQ(Modified(NOTE_CLASS_DOCUMENT, TIMEDATE_MINIMUM), (std::vector<DWORD>{b}));
    EXPECT_EQ(Modified(NOTE_CLASS_VIEW, TIMEDATE_MINIMUM), (std::vector<DWORD>{view}));
    EXPECT_EQ(db->collections.at(view), (sim::Collection{b}));  // gone from the view

    NOTEHANDLE h = 0;
    EXPECT_EQ(NSFNoteOpen(hDb, a, 0, &h), ERR_NOTE_DELETED);
    EXPECT_EQ(NSFNoteOpen(hDb, a | RRV_DELETED, 0, &h), ERR_INVALID_NOTE);
    EXPECT_EQ(NSFNoteOpen(hDb, 0, 0, &h), ERR_INVALID_NOTE);
    EXPECT_EQ(NSFNoteDelete(hDb, a, 0), ERR_NOTE_DELETED);
}

TEST_F(NotesTest, IdScanNeedsTheLastIdBack) {
    const DHANDLE table = sim::ClientIdTable({0x80000010, 0x8F6, 0x900});
    DWORD id = 0;
    ASSERT_TRUE(IDScan(table, TRUE, &id));
    EXPECT_EQ(id, 0x8F6u);
    ASSERT_TRUE(IDScan(table, FALSE, &id));
    EXPECT_EQ(id, 0x900u);
    ASSERT_TRUE(IDScan(table, FALSE, &id));
    EXPECT_EQ(id, 0x80000010u);
    // Masking the returned ID in place sends the scan back.
    id &= ~RRV_DELETED;
    ASSERT_TRUE(IDScan(table, FALSE, &id));
    EXPECT_EQ(id, 0x8F6u);
    id = 0x80000010;
    EXPECT_FALSE(IDScan(table, FALSE, &id));
}

TEST_F(NotesTest, SealedNoteDecryptsOnlyWithTheKey) {
    sim::SetTimeZone(5, sim::DstRule::US);
    sim::RichText body;
    body.Paragraph("secret");
    const NOTEID id = sim::AddDocument(*db).Text("Subject", "s").Rich("Body", body).Seal("Team Key").Id();
    const struct {
        std::vector<std::string> keys;
        STATUS status;
    } cases[] = {{{}, sim::ERR_SIM_NO_KEY}, {{"other"}, sim::ERR_SIM_NO_KEY}, {{"team key"}, NOERROR}};
    for (const auto& c : cases) {
        sim::SetUserKeys(c.keys);
        NOTEHANDLE h = 0;
        ASSERT_EQ(NSFNoteOpen(hDb, id, 0, &h), NOERROR);
        BOOL isSigned = 7, sealed = 7;
        EXPECT_TRUE(NSFNoteIsSignedOrSealed(h, &isSigned, &sealed));
        EXPECT_EQ(isSigned, FALSE);
        EXPECT_EQ(sealed, TRUE);
        ENCRYPTION_KEY key{};
        EXPECT_EQ(NSFNoteDecrypt(h, 0, &key), c.status);
        BLOCKID item, value;
        DWORD len;
        ASSERT_EQ(NSFItemInfo(h, "Body", 4, &item, nullptr, &value, &len), NOERROR);
        const char* p = static_cast<const char*>(OSLockObject(value.pool)) + value.block;
        const bool readable = std::string(p, len).find("secret") != std::string::npos;
        OSUnlockObject(value.pool);
        EXPECT_EQ(readable, c.status == NOERROR);
        NSFNoteClose(h);
    }
}

TEST_F(NotesTest, UnsealedNoteRefusesDecryption) {
    NOTEHANDLE h = 0;
    ASSERT_EQ(NSFNoteOpen(hDb, sim::AddDocument(*db).Id(), 0, &h), NOERROR);
    EXPECT_FALSE(NSFNoteIsSignedOrSealed(h, nullptr, nullptr));
    EXPECT_EQ(NSFNoteDecrypt(h, 0, nullptr), ERR_NOTE_NOT_SEALED);
    NSFNoteClose(h);
}

TEST_F(NotesTest, Signatures) {
    const TIMEDATE when = sim::TimeDateFromUnix(1078495623);
    const NOTEID good = sim::AddDocument(*db).Signature("CN=Ann Lee/O=Corp", when).Id();
    const NOTEID bad = sim::AddDocument(*db).Signature("CN=Ann Lee/O=Corp", when, {"$Signature", false}).Id();
    const NOTEID none = sim::AddDocument(*db).Id();
    const struct {
        NOTEID id;
        STATUS status;
    } cases[] = {{good, NOERROR}, {bad, sim::ERR_SIM_BAD_SIGNATURE}, {none, ERR_NOTE_NOT_SIGNED}};
    for (const auto& c : cases) {
        NOTEHANDLE h = 0;
        ASSERT_EQ(NSFNoteOpen(hDb, c.id, 0, &h), NOERROR);
        char signer[MAXUSERNAME] = "untouched";
        TIMEDATE got{};
        char sig[] = "$Signature";
        EXPECT_EQ(NSFNoteVerifySignature(h, sig, &got, signer, nullptr), c.status);
        if (c.status == NOERROR) {
            EXPECT_STREQ(signer, "CN=Ann Lee/O=Corp");
            EXPECT_EQ(std::memcmp(&got, &when, 8), 0);
        }
        NSFNoteClose(h);
    }
}

TEST_F(NotesTest, EnvironmentFromNotesIniAndOverrides) {
    const std::string ini = ::testing::TempDir() + "sim_notes.ini";
    FILE* f = std::fopen(ini.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("[Notes]\r\nStowlineSettingsPath=C:\\Stowline\r\nEmpty=\r\n", f);
    std::fclose(f);
    setenv("NOTES_INI", ini.c_str(), 1);
    char buf[MAXENVVALUE + 1];
    EXPECT_TRUE(OSGetEnvironmentString("stowlinesettingspath", buf, MAXENVVALUE));
    EXPECT_STREQ(buf, "C:\\Stowline");
    EXPECT_TRUE(OSGetEnvironmentString("Empty", buf, MAXENVVALUE));
    EXPECT_STREQ(buf, "");
    EXPECT_FALSE(OSGetEnvironmentString("Missing", buf, MAXENVVALUE));
    sim::SetEnvironmentVariable("StowlineSettingsPath", "D:\\Other");
    EXPECT_TRUE(OSGetEnvironmentString("STOWLINESETTINGSPATH", buf, 4));
    EXPECT_STREQ(buf, "D:\\O");  // cut at the limit
    unsetenv("NOTES_INI");
}

}  // namespace
