#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "sim/Engine.h"
#include "sim/Lmbcs.h"
#include "sim/Time.h"
#include "sim/Builder.h"
#include "sim/dxl/Dxl.h"
#include "support/StandInFixture.h"

namespace fs = std::filesystem;

namespace sim::dxl {
namespace {

fs::path DataDir() { return fs::path(STOWLINE_DATA_DIR) / "dxl"; }

std::vector<fs::path> SharedDxlFiles() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(DataDir()))
        if (entry.is_regular_file() && entry.path().extension() == ".xml") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string Hex(const Bytes& bytes) {
    std::ostringstream out;
    for (BYTE b : bytes) out << std::hex << (b >> 4) << (b & 15);
    return out.str();
}

// Everything the stand-in keeps of a note, compared field by field so that a failure names
// the item that changed.
void ExpectSameDatabase(const Database& a, const Database& b) {
    EXPECT_EQ(a.title, b.title);
    EXPECT_EQ(std::memcmp(&a.replicaId, &b.replicaId, sizeof(DBID)), 0);
    ASSERT_EQ(a.notes.size(), b.notes.size());
    for (const auto& [id, note] : a.notes) {
        SCOPED_TRACE("note " + std::to_string(id));
        const auto other = b.notes.find(id);
        ASSERT_NE(other, b.notes.end());
        const Note& n = other->second;
        EXPECT_EQ(note.noteClass, n.noteClass);
        EXPECT_EQ(std::memcmp(&note.oid, &n.oid, sizeof(ORIGINATORID)), 0) << "originator ID";
        EXPECT_EQ(std::memcmp(&note.modified, &n.modified, sizeof(TIMEDATE)), 0);
        ASSERT_EQ(note.items.size(), n.items.size());
        for (size_t i = 0; i < note.items.size(); ++i) {
            SCOPED_TRACE("item " + note.items[i].name);
            EXPECT_EQ(note.items[i].name, n.items[i].name);
            EXPECT_EQ(note.items[i].flags, n.items[i].flags);
            EXPECT_EQ(Hex(note.items[i].value), Hex(n.items[i].value));
        }
        EXPECT_EQ(note.sealKey, n.sealKey);
        ASSERT_EQ(note.objects.size(), n.objects.size());
        for (const auto& [rrv, object] : note.objects) {
            ASSERT_TRUE(n.objects.count(rrv));
            EXPECT_EQ(object.bytes(), n.objects.at(rrv).bytes());
            EXPECT_EQ(object.encrypted, n.objects.at(rrv).encrypted);
        }
    }
    EXPECT_EQ(a.collections, b.collections);
}

void RoundTrip(const Database& db, Database& again) {
    std::string xml, error;
    ASSERT_TRUE(FormatDatabase(db, xml, error)) << error;
    ASSERT_TRUE(ParseDatabase(xml, again, error)) << error << "\n" << xml;
}

TEST(DxlSharedFiles, EveryFileLoadsAndSurvivesARoundTrip) {
    const auto files = SharedDxlFiles();
    ASSERT_GE(files.size(), 20u) << "DXL test files not found below " << DataDir();
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        Database db, again;
        std::string error;
        ASSERT_TRUE(ReadDatabase(file.string(), db, error)) << error;
        EXPECT_FALSE(db.notes.empty());
        RoundTrip(db, again);
        ExpectSameDatabase(db, again);
    }
}

const Item& FindItem(const Database& db, NOTEID id, const char* name) {
    static const Item none;
    const auto note = db.notes.find(id);
    if (note == db.notes.end()) {
        ADD_FAILURE() << "no note " << id;
        return none;
    }
    const Item* item = note->second.Find(name);
    if (!item) ADD_FAILURE() << "no item " << name;
    return item ? *item : none;
}

Bytes TextValue(WORD type, std::initializer_list<std::string> texts) {
    Bytes out{BYTE(type), BYTE(type >> 8)};
    if (type == TYPE_TEXT_LIST) {
        out.push_back(BYTE(texts.size()));
        out.push_back(0);
        for (const auto& t : texts) {
            out.push_back(BYTE(t.size()));
            out.push_back(BYTE(t.size() >> 8));
        }
    }
    for (const auto& t : texts) out.insert(out.end(), t.begin(), t.end());
    return out;
}

TEST(DxlSharedFiles, ValuesAreStoredInTheirNotesEncodings) {
    Database db;
    std::string error;
    ASSERT_TRUE(ReadDatabase((DataDir() / "domino-jnx/testRichTextNavigator/styledtext.xml").string(), db, error))
        << error;
    const Note& note = db.notes.at(0x57C6);
    EXPECT_EQ(note.oid.File.Innards[1], 0xF41F9DD6u);
    EXPECT_EQ(note.oid.File.Innards[0], 0x5559E93Bu);
    EXPECT_EQ(note.oid.Note.Innards[1], 0x852585B3u);
    EXPECT_EQ(note.oid.Note.Innards[0], 0x0059F787u);
    EXPECT_EQ(note.oid.Sequence, 2u);

    const Item& readers = FindItem(db, 0x57C6, "Readers");
    EXPECT_EQ(readers.value, TextValue(TYPE_TEXT_LIST, {"CN=Jesse Gallagher/O=IKSG", "[Admin]"}));
    EXPECT_EQ(readers.flags & (ITEM_READERS | ITEM_NAMES), ITEM_READERS | ITEM_NAMES);
    EXPECT_EQ(FindItem(db, 0x57C6, "Status").value, TextValue(TYPE_TEXT, {"Draft"}));
    EXPECT_TRUE(FindItem(db, 0x57C6, "Status").flags & ITEM_SUMMARY);
    const Item& body = FindItem(db, 0x57C6, "Body");
    EXPECT_EQ(body.Type(), TYPE_COMPOSITE);
    EXPECT_FALSE(body.flags & ITEM_SUMMARY);
    ASSERT_GE(body.value.size(), 4u);
    EXPECT_EQ(body.value[2], 0x82);  // the raw CD data follows the type word unchanged
    EXPECT_EQ(body.value[3], 0xFF);

    const Item& posted = FindItem(db, 0x57C6, "Posted");  // 20200728T122240,08-04 with DST
    ASSERT_EQ(posted.value.size(), 10u);
    EXPECT_EQ(posted.Type(), TYPE_TIME);

    Database invalid;
    ASSERT_TRUE(ReadDatabase((DataDir() / "domino-jnx/testDocumentInvalidCreationDate/invaliddoc.xml").string(),
                             invalid, error));
    const Item& sequence = FindItem(invalid, 0x8FA, "$ICAL_UPDATE_SEQUENCE");
    ASSERT_EQ(sequence.value.size(), 2u + 4u + 8u);
    EXPECT_EQ(sequence.Type(), TYPE_NUMBER_RANGE);
    double number = 0;
    std::memcpy(&number, sequence.value.data() + 6, 8);
    EXPECT_EQ(number, 1.0);
    EXPECT_EQ(FindItem(invalid, 0x8FA, "$REF").Type(), TYPE_NOTEREF_LIST);
}

// A mailbox of our own: a view without stored entries, a folder with them, an attachment.
constexpr const char* kMailbox = R"(<?xml version='1.0' encoding='utf-8'?>
<database xmlns='http://www.lotus.com/dxl' title='Mail' replicaid='85258E3A00508D17'>
<view name='Inbox' alias='($Inbox)'><noteinfo noteid='20'/></view>
<folder name='Projects'><noteinfo noteid='24'/>
 <entries xmlns='urn:stowline:dxl'><entry id='80000001'/><entry id='904'/><entry id='900'/><entry id='999'/></entries>
</folder>
<document form='Memo'><noteinfo noteid='904' unid='00000000000000010000000000000002'/>
 <item name='Subject'><text>Caf&#233; report</text></item>
 <item name='Body'><richtext><pardef id='1'/>
  <par def='1'><run><font style='bold'/>Hello</run> world</par>
  <par def='1'>second<break/>third</par>
 </richtext></item>
 <item name='$FILE' summary='true'><object><file hosttype='msdos' name='a:b.txt'>
  <created><datetime>20040305T090703,00-05</datetime></created>
  <modified><datetime>20040305T090703,00-05</datetime></modified>
  <filedata>aGVsbG8sIHdvcmxkCg==</filedata></file></object></item>
</document>
<document form='Memo'><noteinfo noteid='900'/><item name='Subject'><text>first
line</text></item></document>
<form name='Memo'><noteinfo noteid='30'/></form>
</database>)";

class DxlMailbox : public CleanEngineTest {
protected:
    void SetUp() override {
        CleanEngineTest::SetUp();
        std::string error;
        ASSERT_TRUE(ParseDatabase(kMailbox, db_, error)) << error;
    }
    Database db_;
};

TEST_F(DxlMailbox, ViewsFoldersAndTheirEntries) {
    // The form is not a note the stand-in keeps; the others are.
    EXPECT_EQ(db_.notes.size(), 4u);
    EXPECT_EQ(FindItem(db_, 0x20, "$TITLE").value, TextValue(TYPE_TEXT, {"Inbox|($Inbox)"}));
    EXPECT_EQ(FindItem(db_, 0x24, "$Flags").value, TextValue(TYPE_TEXT, {"F"}));
    EXPECT_EQ(FindItem(db_, 0x20, "$Flags").value, TextValue(TYPE_TEXT, {""}));
    // Without stored entries: every document by note ID. With: as stored, minus the entry
    // whose document is not in the file.
    EXPECT_EQ(db_.collections.at(0x20), (Collection{0x900, 0x904}));
    EXPECT_EQ(db_.collections.at(0x24), (Collection{0x80000001, 0x904, 0x900}));
    EXPECT_EQ(FindItem(db_, 0x904, "Form").value, TextValue(TYPE_TEXT, {"Memo"}));
    EXPECT_EQ(FindItem(db_, 0x904, "Subject").value, TextValue(TYPE_TEXT, {"Caf\x82 report"}));
    EXPECT_EQ(FindItem(db_, 0x900, "Subject").value, TextValue(TYPE_TEXT, {std::string("first\0line", 10)}));

    Database again;
    RoundTrip(db_, again);
    ExpectSameDatabase(db_, again);
}

TEST_F(DxlMailbox, SavedFileLeavesDeletedDocumentsOut) {
    DeleteNote(db_, 0x904);  // as an archive run with deletion would
    ASSERT_TRUE(db_.notes.count(0x904) == 0 || db_.notes.at(0x904).deleted);
    const fs::path file = fs::path(::testing::TempDir()) / "dxl-saved-mailbox.dxl";
    std::string error;
    ASSERT_TRUE(SaveDatabase(db_, file.string(), error)) << error;
    Database again;
    ASSERT_TRUE(ReadDatabase(file.string(), again, error)) << error;
    EXPECT_EQ(again.notes.count(0x904), 0u);
    EXPECT_EQ(again.collections.at(0x24), (Collection{0x80000001, 0x900}));
    EXPECT_EQ(again.collections.at(0x20), (Collection{0x900}));
    fs::remove(file);
}

// Saving never writes through a name it did not create: not through a link planted where a
// temporary file might go, nor over a link that is the database file (its target is saved);
// the file keeps its mode.
TEST_F(DxlMailbox, SaveWritesOnlyANewFileBesideTheDatabase) {
    const fs::path dir = fs::path(::testing::TempDir()) / "dxl-save-links";
    fs::remove_all(dir);
    fs::create_directories(dir / "real");
    const fs::path target = dir / "real" / "mail.dxl";
    const fs::path link = dir / "mail.dxl";
    const fs::path victim = dir / "victim.txt";
    std::ofstream(victim) << "not to be touched";
    std::ofstream(target) << "the previous database";
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("real/mail.dxl", link);
    // A link at every name a save might have used for its temporary file.
    for (const fs::path& planted : {fs::path(link.string() + ".saving"), fs::path(target.string() + ".saving")})
        fs::create_symlink(victim, planted);

    std::string error;
    ASSERT_TRUE(SaveDatabase(db_, link.string(), error)) << error;

    std::ifstream victimIn(victim);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(victimIn), {}), "not to be touched");
    EXPECT_TRUE(fs::is_symlink(link)) << "the link stays a link";
    Database again;
    ASSERT_TRUE(ReadDatabase(target.string(), again, error)) << error;
    ExpectSameDatabase(db_, again);
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    // Nothing but what was there before.
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        names.insert(entry.path().lexically_relative(dir).string());
    EXPECT_EQ(names, (std::set<std::string>{"mail.dxl", "mail.dxl.saving", "real", "real/mail.dxl",
                                            "real/mail.dxl.saving", "victim.txt"}));
    fs::remove_all(dir);
}

struct CdRecord {
    WORD type;
    std::string text;  // LMBCS text of a CDTEXT
    FONTID font = 0;
};

STATUS LNCALLBACK CollectRecord(char* record, WORD type, DWORD length, void* context) {
    auto* records = static_cast<std::vector<CdRecord>*>(context);
    CdRecord r{type, {}};
    if (type == SIG_CD_TEXT && length >= 8) {
        std::memcpy(&r.font, record + 4, 4);
        r.text.assign(record + 8, length - 8);
    }
    records->push_back(r);
    return 0;
}

TEST_F(DxlMailbox, RichTextAndAttachmentThroughTheApi) {
    Database& db = CreateDatabase("mail.nsf");
    const std::string path = db.path;
    db = std::move(db_);
    db.path = path;
    const DBHANDLE hDb = ClientDbHandle(db);
    NOTEHANDLE hNote = 0;
    ASSERT_EQ(NSFNoteOpen(hDb, 0x904, 0, &hNote), 0);

    BLOCKID item{}, value{};
    WORD type = 0;
    DWORD length = 0;
    ASSERT_EQ(NSFItemInfo(hNote, "Body", 4, &item, &type, &value, &length), 0);
    EXPECT_EQ(type, TYPE_COMPOSITE);
    std::vector<CdRecord> records;
    const STATUS enumStatus = EnumCompositeBuffer(value, length, CollectRecord, &records);
    EXPECT_TRUE(enumStatus == 0 || enumStatus == 0x0604) << enumStatus;
    std::vector<std::string> seen;
    for (const auto& r : records) {
        if (r.type == SIG_CD_PARAGRAPH) seen.push_back("P");
        if (r.type == SIG_CD_TEXT) seen.push_back(r.text);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"P", "Hello", " world", "P", "second", "P", "third"}));
    ASSERT_GE(records.size(), 2u);
    EXPECT_EQ((records[1].font >> 8) & 0xFF, 0x01u) << "bold run";

    ASSERT_EQ(NSFItemInfo(hNote, "$FILE", 5, &item, &type, &value, &length), 0);
    const fs::path out = fs::path(::testing::TempDir()) / "dxl-extracted.txt";
    ASSERT_EQ(NSFNoteExtractFile(hNote, item, out.string().c_str(), nullptr), 0);
    std::ifstream in(out, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(content, "hello, world\n");
    fs::remove(out);

    EXPECT_EQ(NSFNoteClose(hNote), 0);
    ReleaseClientHandle(hDb);
}

// Attachments that DXL's <object><file> cannot describe (no file times, as imported mail has;
// an encrypted object) still keep their bytes, and a sealed note its key, across a save.
TEST(DxlRoundTrip, AttachmentBytesAndSealsSurviveEveryForm) {
    Database db;
    AddDocument(db).Text("Subject", "no file times").Attachment("plain.txt", Bytes{'a', 'b', '\n'});
    AddDocument(db)
        .Text("Subject", "sealed")
        .Attachment("secret.bin", Bytes{1, 2, 3, 0, 255}, {.encrypted = true})
        .Seal("Team");
    Database again;
    RoundTrip(db, again);
    ExpectSameDatabase(db, again);
    for (const auto& [id, note] : again.notes) EXPECT_EQ(note.objects.size(), 1u) << id;
}

// An attachment whose base64 text is longer than an XML parser takes by default (10 MB), in a
// file saved and read again, beside small ones; its length leaves a partial last group.
TEST(DxlRoundTrip, LargeAttachmentSurvivesASavedFile) {
    Bytes large((8 << 20) + 1);
    for (size_t i = 0; i < large.size(); ++i) large[i] = BYTE((i * 2654435761u) >> 13);
    Database db;
    AddDocument(db).Text("Subject", "large").Attachment("large.bin", large);
    AddDocument(db).Text("Subject", "small").Attachment("a.txt", Bytes{'a'}).Attachment("b.txt", Bytes{'b', 'c'});
    const fs::path file = fs::path(::testing::TempDir()) / "dxl-large-attachment.dxl";
    std::string error;
    ASSERT_TRUE(SaveDatabase(db, file.string(), error)) << error;
    Database again;
    ASSERT_TRUE(ReadDatabase(file.string(), again, error)) << error;
    ExpectSameDatabase(db, again);
    fs::remove(file);
}

// Base64 values in the forms a file may give them: blanks anywhere, padding, text split into
// a CDATA section, a character reference or a child element.
TEST(DxlLoad, Base64ValuesInEveryLayout) {
    struct Case {
        const char* name;
        const char* text;  // the <rawitemdata> element's content
        std::string bytes;
    };
    const Case cases[] = {
        {"one group", "QUJD", "ABC"},
        {"blanks inside groups", " Q U\r\n\tJ D  QUJD\n", "ABCABC"},
        {"one byte padded", "QUJDQQ==", "ABCA"},
        {"two bytes padded", "QUI=", "AB"},
        {"padding split by blanks", "QQ=\n=", "A"},
        {"empty", "", ""},
        {"cdata section", "QU<![CDATA[JD]]>QUJD", "ABCABC"},
        {"character reference", "Q&#85;JD", "ABC"},
        {"child elements", "QU<break/>J<x>D</x>", "ABC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Database db;
        std::string error;
        const std::string xml = std::string("<document><noteinfo noteid='8'/><item name='R'><rawitemdata type='1'>") +
                                c.text + "</rawitemdata></item></document>";
        ASSERT_TRUE(ParseDatabase(xml, db, error)) << error;
        Bytes expected{BYTE(TYPE_COMPOSITE), BYTE(TYPE_COMPOSITE >> 8)};
        expected.insert(expected.end(), c.bytes.begin(), c.bytes.end());
        EXPECT_EQ(Hex(FindItem(db, 8, "R").value), Hex(expected));
    }
}

// Attachments' text laid out unlike the writer lays it out (a blank after every seventh digit,
// groups and blanks running across the pieces the file is read in) still gives their bytes,
// in both forms a file keeps an attachment in.
TEST(DxlLoad, AttachmentTextInAnyLayoutAcrossReadPieces) {
    Bytes data(300000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = BYTE((i * 2654435761u) >> 11);
    const TIMEDATE time = TimeDateFromUnix(1700000000);
    Database db;
    AddDocument(db)
        .Text("Subject", "spread")
        .Attachment("timed.bin", data, {.created = time, .modified = time})
        .Attachment("untimed.bin", data);
    std::string xml, error;
    ASSERT_TRUE(FormatDatabase(db, xml, error)) << error;
    int respaced = 0;
    for (const char* tag : {"<filedata>", "<sl:objectdata "}) {
        const size_t start = xml.find('>', xml.find(tag)) + 1;
        const size_t end = xml.find('<', start);
        ASSERT_LT(start, end) << tag;
        std::string spread;
        size_t digits = 0;
        for (size_t i = start; i < end; ++i) {
            if (xml[i] == '\n' || xml[i] == '\r') continue;
            spread += xml[i];
            if (++digits % 7 == 0) spread += digits % 101 < 7 ? "\r\n\t " : " ";
        }
        xml.replace(start, end - start, spread);
        ++respaced;
    }
    EXPECT_EQ(respaced, 2);
    const fs::path file = fs::path(::testing::TempDir()) / "dxl-spread-attachment.dxl";
    std::ofstream(file, std::ios::binary) << xml;
    Database again;
    ASSERT_TRUE(ReadDatabase(file.string(), again, error)) << error;
    ExpectSameDatabase(db, again);
    fs::remove(file);
}

TEST(DxlLoad, LoadDatabaseRegistersTheFileForNsfDbOpen) {
    Reset();
    std::string error;
    EXPECT_EQ(LoadDatabase("/nonexistent/mail.dxl", error), nullptr);
    EXPECT_NE(error.find("/nonexistent/mail.dxl"), std::string::npos) << error;
    EXPECT_EQ(FindDatabase("/nonexistent/mail.dxl"), nullptr);

    const std::string file = (DataDir() / "domino-jnx/testDQL/DQLView.xml").string();
    Database* db = LoadDatabase(file, error, "dql.nsf");
    ASSERT_NE(db, nullptr) << error;
    EXPECT_EQ(FindDatabase("dql.nsf"), db);
    EXPECT_EQ(LmbcsToUtf8(db->title), "Test");
    EXPECT_FALSE(db->collections.empty());
    Reset();
}

struct MalformedCase {
    const char* name;
    const char* xml;
    const char* message;  // part of the error
};

const MalformedCase kMalformed[] = {
    {"not xml", "<database", "DXL:1"},
    {"truncated", "<database xmlns='http://www.lotus.com/dxl'><document>", "DXL:"},
    {"other root", "<html/>", "root element <html>"},
    {"bad note id", "<document><noteinfo noteid='xyz'/></document>", "invalid note ID 'xyz'"},
    {"twice the same id",
     "<database><document><noteinfo noteid='8'/></document><document><noteinfo noteid='8'/></document></database>",
     "note ID 8 appears twice"},
    {"bad unid", "<document><noteinfo unid='1234'/></document>", "invalid universal ID"},
    {"bad date", "<document><item name='D'><datetime>2020-01-01</datetime></item></document>",
     "item 'D': invalid date-time '2020-01-01'"},
    {"bad number", "<document><item name='N'><number>one</number></item></document>", "item 'N': invalid number"},
    {"bad base64", "<document><item name='R'><rawitemdata type='1'>@@@@</rawitemdata></item></document>",
     "item 'R': invalid base64"},
    {"truncated base64", "<document><item name='R'><rawitemdata type='1'>AAAA\nAA</rawitemdata></item></document>",
     "item 'R': truncated base64"},
    {"bad base64 after good",
     "<document><item name='R'><rawitemdata type='1'>QUJD\nQU-D</rawitemdata></item></document>",
     "item 'R': invalid base64"},
    {"bad attachment text",
     "<document><item name='$FILE'><object><file hosttype='msdos' name='a.txt'><filedata>QUJD\u00e9</filedata>"
     "</file></object></item></document>",
     "item '$FILE': invalid base64"},
    {"bad raw type", "<document><item name='R'><rawitemdata type='zz'>AAAA</rawitemdata></item></document>",
     "item 'R' type"},
    {"unnamed item", "<document><item><text>x</text></item></document>", "<item> without a name"},
    {"file without name",
     "<document><item name='$FILE'><object><file hosttype='msdos'><created><datetime/></created>"
     "<modified><datetime/></modified></file></object></item></document>",
     "attached file without a name"},
    {"content after the root",
     "<!DOCTYPE d [<!ENTITY a 'aaaaaaaaaa'><!ENTITY b '&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;'>]>"
     "<document><item name='T'><text>&b;&b;</text></item><bogus/></document><x/>",
     "DXL:1"},
};

TEST(DxlLoad, MalformedInputGivesAClearErrorAndLeavesTheDatabaseAlone) {
    for (const auto& c : kMalformed) {
        SCOPED_TRACE(c.name);
        Database db;
        db.title = "untouched";
        std::string error;
        EXPECT_FALSE(ParseDatabase(c.xml, db, error));
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        EXPECT_EQ(db.title, "untouched");
        EXPECT_TRUE(db.notes.empty());
    }
}

}  // namespace
}  // namespace sim::dxl
