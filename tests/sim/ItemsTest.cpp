// Item values read back through the API in their Notes encodings.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "sim/Builder.h"
#include "sim/Lmbcs.h"
#include "sim/Time.h"
#include "support/StandInFixture.h"

namespace {

class ItemsTest : public sim::CleanEngineTest {
protected:
    void SetUp() override {
        CleanEngineTest::SetUp();
        db = &sim::CreateDatabase("mail.nsf");
        hDb = sim::ClientDbHandle(*db);
    }
    void TearDown() override {
        if (hNote) NSFNoteClose(hNote);
        CleanEngineTest::TearDown();
    }
    NOTEHANDLE Open(NOTEID id) {
        EXPECT_EQ(NSFNoteOpen(hDb, id, 0, &hNote), NOERROR);
        return hNote;
    }
    // The bytes of a value block, locked and unlocked as a client does.
    static std::vector<BYTE> ValueBytes(BLOCKID value, DWORD length) {
        const BYTE* p = static_cast<const BYTE*>(OSLockObject(value.pool)) + value.block;
        std::vector<BYTE> out(p, p + length);
        OSUnlockObject(value.pool);
        return out;
    }

    sim::Database* db = nullptr;
    DBHANDLE hDb = 0;
    NOTEHANDLE hNote = 0;
};

TEST_F(ItemsTest, TextListEntriesAndText) {
    Open(sim::AddDocument(*db).TextList("SendTo", {"Alice", "", "Bj\xC3\xB6rn"}).Text("Subject", "a\nb").Id());
    EXPECT_EQ(NSFItemGetTextListEntries(hNote, "sendto"), 3);
    char buf[64];
    EXPECT_EQ(NSFItemGetTextListEntry(hNote, "SendTo", 1, buf, sizeof buf - 1), 0);
    ASSERT_EQ(NSFItemGetTextListEntry(hNote, "SendTo", 2, buf, sizeof buf - 1), 5);
    EXPECT_EQ(sim::LmbcsToUtf8(buf), "Bj\xC3\xB6rn");  // ö is one CP850 byte
    EXPECT_EQ(NSFItemGetTextListEntry(hNote, "SendTo", 3, buf, sizeof buf - 1), 0);

    BLOCKID item, value;
    WORD type = 0;
    DWORD len = 0;
    ASSERT_EQ(NSFItemInfo(hNote, "SendTo", 6, &item, &type, &value, &len), NOERROR);
    EXPECT_EQ(type, TYPE_TEXT_LIST);
    const auto v = ValueBytes(value, len);
    const std::vector<BYTE> expected{0x01, 0x05, 3,   0,   5,   0,   0,   0,    5,   0,
                                     'A',  'l',  'i', 'c', 'e', 'B', 'j', 0x94, 'r', 'n'};
    EXPECT_EQ(v, expected);
    char conv[64];
    const WORD n = NSFItemConvertValueToText(type, value, len, conv, sizeof conv, 0);
    EXPECT_EQ(std::string(conv, n), "Alice;;Bj\x94rn");
}

// Notes gives a text's line ends as the NULs it stores them as (NSFItemGetText: "Notes uses
// null characters ... to designate newlines"); the caller turns them into its own line ends.
TEST_F(ItemsTest, TextKeepsItsNulLineEnds) {
    sim::Bytes data{'o', 'n', 'e', 0, 't', 'w', 'o'};
    Open(sim::AddDocument(*db).Raw("Subject", TYPE_TEXT, data, sim::ITEM_SUMMARY).Id());
    char whole[16];
    ASSERT_EQ(NSFItemGetText(hNote, "Subject", whole, sizeof whole), 7);
    EXPECT_EQ(std::string(whole, 8), std::string("one\0two\0", 8));
    char cut[5];
    EXPECT_EQ(NSFItemGetText(hNote, "Subject", cut, sizeof cut), 4);  // cut to the buffer
    EXPECT_EQ(std::string(cut, 5), std::string("one\0\0", 5));
    // A text list entry, as stored.
    NSFNoteClose(hNote);
    hNote = 0;
    Open(sim::AddDocument(*db).TextList("SendTo", {std::string("a\0b", 3), "c"}).Id());
    char entry[8];
    ASSERT_EQ(NSFItemGetTextListEntry(hNote, "SendTo", 0, entry, sizeof entry - 1), 3);
    EXPECT_EQ(std::string(entry, 3), std::string("a\0b", 3));
}

TEST_F(ItemsTest, NumbersAndTimesConvertWithTheCallersSeparator) {
    sim::SetTimeZone(5, sim::DstRule::US);
    const TIMEDATE t = sim::TimeDateFromLocal(2004, 3, 5, 9, 7, 3);
    Open(sim::AddDocument(*db).Numbers("N", {1, 2.5, -3}).Times("T", {t}, {{t, t}}).Id());
    struct {
        const char* name;
        char sep;
        const char* text;
    } cases[] = {
        {"N", ',', "1,2.5,-3"},
        {"N", 0, "1;2.5;-3"},
        {"T", '|', "03/05/2004 09:07:03 AM|03/05/2004 09:07:03 AM - 03/05/2004 09:07:03 AM"},
    };
    for (const auto& c : cases) {
        BLOCKID item, value;
        WORD type;
        DWORD len;
        ASSERT_EQ(NSFItemInfo(hNote, c.name, 1, &item, &type, &value, &len), NOERROR);
        char buf[256];
        const WORD n = NSFItemConvertValueToText(type, value, len, buf, sizeof buf, c.sep);
        EXPECT_EQ(std::string(buf, n), c.text) << c.name;
    }
    TIMEDATE got{};
    EXPECT_TRUE(NSFItemGetTime(hNote, "T", &got));
    EXPECT_EQ(got.Innards[0], t.Innards[0]);
    EXPECT_FALSE(NSFItemGetTime(hNote, "N", &got));
}

struct Collected {
    std::vector<WORD> types;
    std::vector<DWORD> lengths;
    std::vector<uintptr_t> offsets;
    std::string text;
    int stopAfter = -1;
};

STATUS LNCALLBACK Collect(char* rec, WORD type, DWORD length, void* ctx) {
    auto* c = static_cast<Collected*>(ctx);
    c->types.push_back(type);
    c->lengths.push_back(length);
    c->offsets.push_back(reinterpret_cast<uintptr_t>(rec));
    if (type == SIG_CD_TEXT) c->text.append(rec + 8, length - 8);
    if (type == SIG_CD_PARAGRAPH) c->text += '\n';
    return c->stopAfter == static_cast<int>(c->types.size()) ? ERR_ODS_ENUM_COMPLETE : NOERROR;
}

// A walk to the end gives the success code the switch chooses: the C API reference lists both.
TEST_F(ItemsTest, CompleteWalkGivesEitherSuccessCode) {
    Open(sim::AddDocument(*db).Rich("Body", sim::RichText().Run("text")).Id());
    BLOCKID item, value;
    WORD type;
    DWORD len;
    ASSERT_EQ(NSFItemInfo(hNote, "Body", 4, &item, &type, &value, &len), NOERROR);
    for (const STATUS end : {STATUS(NOERROR), STATUS(ERR_ODS_ENUM_COMPLETE)}) {
        sim::SetCompositeWalkEndStatus(end);
        Collected c;
        EXPECT_EQ(EnumCompositeBuffer(value, len, Collect, &c), end);
        EXPECT_EQ(c.text, "text");
    }
}

TEST_F(ItemsTest, RichTextSplitOverTwoItemsWithEvenPadding) {
    sim::RichText body;
    body.Paragraph("odd").Paragraph("even").Paragraph("second item");
    // With 32 bytes per value the last text run (19 bytes, padded to 20) goes to a second item.
    Open(sim::AddDocument(*db).Text("Body", "decoy").Rich("Body", body, 32).Id());

    BLOCKID item, value;
    WORD type;
    DWORD len;
    ASSERT_EQ(NSFItemInfo(hNote, "Body", 4, &item, &type, &value, &len), NOERROR);
    Collected none;
    EXPECT_EQ(EnumCompositeBuffer(value, len, Collect, &none), ERR_DATATYPE);  // the text item
    std::string text;
    std::vector<DWORD> lengths;
    std::vector<WORD> types;
    int items = 0;
    while (NSFItemInfoNext(hNote, item, "Body", 4, &item, &type, &value, &len) == NOERROR) {
        ASSERT_EQ(type, TYPE_COMPOSITE);
        ++items;
        Collected c;
        ASSERT_EQ(EnumCompositeBuffer(value, len, Collect, &c), NOERROR);
        const uintptr_t base = reinterpret_cast<uintptr_t>(OSLockObject(value.pool)) + value.block;
        OSUnlockObject(value.pool);
        for (uintptr_t off : c.offsets) EXPECT_EQ((off - base) % 2, 0u) << "record at odd offset";
        text += c.text;
        lengths.insert(lengths.end(), c.lengths.begin(), c.lengths.end());
        types.insert(types.end(), c.types.begin(), c.types.end());
    }
    EXPECT_EQ(items, 2);
    EXPECT_EQ(text, "\nodd\neven\nsecond item");
    ASSERT_GE(types.size(), 2u);
    EXPECT_EQ(types[0], SIG_CD_PARAGRAPH);  // BSIG: the signature byte only
    EXPECT_EQ(types[1], SIG_CD_TEXT);
    EXPECT_EQ(lengths[1], 11u);  // 8-byte header + "odd", the pad byte not counted
}

TEST_F(ItemsTest, EnumerationStopsOnANonZeroReturn) {
    sim::RichText body;
    body.Paragraph("a").Paragraph("b");
    Open(sim::AddDocument(*db).Rich("Body", body).Id());
    BLOCKID item, value;
    DWORD len;
    ASSERT_EQ(NSFItemInfo(hNote, "Body", 4, &item, nullptr, &value, &len), NOERROR);
    Collected c;
    c.stopAfter = 2;
    EXPECT_EQ(EnumCompositeBuffer(value, len, Collect, &c), ERR_ODS_ENUM_COMPLETE);
    EXPECT_EQ(c.types.size(), 2u);
}

// A record whose length runs past the item ends the walk with an error, whatever the length:
// lengths near 4 GB once wrapped the bounds check round and walked the item for ever.
TEST_F(ItemsTest, RecordThatDoesNotFitEndsTheWalk) {
    const struct {
        const char* what;
        sim::Bytes records;  // after the TYPE_COMPOSITE word
    } cases[] = {
        {"long record of 4 GB - 1", {0x85, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}},
        {"long record of 4 GB - 2", {0x85, 0x00, 0xFE, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}},
        {"long record one byte past", {0x85, 0x00, 0x0B, 0x00, 0x00, 0x00, 0, 0, 0, 0}},
        {"word record past the end", {0x85, 0xFF, 0xFF, 0xFF, 0, 0}},
        {"byte record past the end", {0x81, 0x08, 0, 0}},
        {"fitting record then a wrapping one", {0x81, 0x02, 0x85, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sim::DocumentBuilder doc = sim::AddDocument(*db);
        doc.Raw("Body", TYPE_COMPOSITE, c.records);
        Open(doc.Id());
        BLOCKID item, value;
        DWORD len;
        ASSERT_EQ(NSFItemInfo(hNote, "Body", 4, &item, nullptr, &value, &len), NOERROR);
        Collected collected;
        collected.stopAfter = 100;  // a walk that starts over would end here, not hang the test
        EXPECT_EQ(EnumCompositeBuffer(value, len, Collect, &collected), ERR_DATATYPE);
        EXPECT_LE(collected.types.size(), 1u);
        NSFNoteClose(hNote);
        hNote = NULLHANDLE;
    }
}

TEST_F(ItemsTest, FileObjectLayout) {
    const sim::Bytes content{'P', 'K', 3, 4};
    Open(sim::AddDocument(*db).Attachment("r\xC3\xA9sum\xC3\xA9.doc", content, {HOST_OLE}).Id());
    BLOCKID item, value;
    WORD type;
    DWORD len;
    ASSERT_EQ(NSFItemInfo(hNote, "$FILE", 5, &item, &type, &value, &len), NOERROR);
    EXPECT_EQ(type, TYPE_OBJECT);
    const auto v = ValueBytes(value, len);
    ASSERT_EQ(len, 2u + 36u + 10u);
    EXPECT_EQ(v[0] | v[1] << 8, TYPE_OBJECT);
    EXPECT_EQ(v[2 + 6] | v[2 + 7] << 8, 10);        // FileNameLength @6
    EXPECT_EQ(v[2 + 8] | v[2 + 9] << 8, HOST_OLE);  // HostType @8
    EXPECT_EQ(v[2 + 16], 4);                        // FileSize @16
    EXPECT_EQ(std::string(v.begin() + 38, v.end()), "r\x82sum\x82.doc");
}

TEST_F(ItemsTest, NoteInfoWritesOnlyItsWidth) {
    const NOTEID id = sim::AddDocument(*db).Id();
    Open(id);
    BYTE buf[32];
    std::memset(buf, 0xEE, sizeof buf);
    NSFNoteGetInfo(hNote, _NOTE_CLASS, buf);
    EXPECT_EQ(buf[0] | buf[1] << 8, NOTE_CLASS_DOCUMENT);
    EXPECT_EQ(buf[2], 0xEE);
    std::memset(buf, 0xEE, sizeof buf);
    NSFNoteGetInfo(hNote, _NOTE_OID, buf);
    EXPECT_EQ(std::memcmp(buf, &db->notes.at(id).oid, 28), 0);
    EXPECT_EQ(buf[28], 0xEE);
}

TEST_F(ItemsTest, SummaryOpenLeavesOutRichText) {
    sim::RichText body;
    body.Paragraph("x");
    const NOTEID id = sim::AddDocument(*db).Text("Subject", "s").Rich("Body", body).Id();
    ASSERT_EQ(NSFNoteOpen(hDb, id, OPEN_SUMMARY, &hNote), NOERROR);
    EXPECT_EQ(NSFItemInfo(hNote, "Body", 4, nullptr, nullptr, nullptr, nullptr), ERR_ITEM_NOT_FOUND);
    EXPECT_EQ(NSFItemInfo(hNote, "Subject", 7, nullptr, nullptr, nullptr, nullptr), NOERROR);
}

}  // namespace
