// Field text, names, dates, the universal ID and formulas on documents of the stand-in.
#include "render/FieldText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <new>
#include <string>

#include "notes/FieldReadError.h"
#include "notes/NotesDocument.h"
#include "platform/posix/PosixUi.h"
#include "render/DocumentRecord.h"
#include "render/FileNameFormula.h"
#include "sim/Builder.h"
#include "sim/Engine.h"
#include "sim/Faults.h"
#include "sim/Time.h"
#include "support/StandInFixture.h"

namespace stowline {
namespace {

class DocumentFixture : public sim::ClientDatabaseTest {
protected:
    void SetUp() override {
        sim::ClientDatabaseTest::SetUp();
        platform::posix::ResetUi();
    }
    void TearDown() override {
        document.Close();
        sim::ClientDatabaseTest::TearDown();
    }
    void Open(const sim::DocumentBuilder& builder) { ASSERT_TRUE(document.Open(handle, builder.Id(), true)); }

    NotesDocument document;
};

const UNID kUnid{{{0x00000001u, 0x00000ABCu}}, {{0x00000000u, 0x0000000Fu}}};
const std::string kUnidText = "00000ABC000000010000000F00000000";

struct FieldCase {
    const char* what;
    std::function<void(sim::DocumentBuilder&)> build;
    std::string field;
    char separator;
    std::string expected;
};

class FieldText : public DocumentFixture, public ::testing::WithParamInterface<FieldCase> {};

TEST_P(FieldText, ReadsAsTheAddInShowsIt) {
    const FieldCase& c = GetParam();
    sim::DocumentBuilder builder = sim::AddDocument(*db);
    c.build(builder);
    Open(builder);
    EXPECT_EQ(document.GetFieldText(c.field, c.separator), c.expected) << c.what;
    EXPECT_TRUE(platform::posix::RecordedBoxes().empty());
}

TIMEDATE March5() { return sim::TimeDateFromLocal(2004, 3, 5, 9, 7, 3); }

INSTANTIATE_TEST_SUITE_P(
    Types, FieldText,
    ::testing::Values(FieldCase{"absent", [](auto&) {}, "Subject", ';', ""},
                      FieldCase{"text, translated", [](auto& b) { b.Text("Subject", "Grüße"); }, "Subject", ';',
                                "Gr\xFC\xDF"
                                "e"},
                      // Notes stores a text's line ends as NULs: every line reaches the page.
                      FieldCase{"text with NUL line ends",
                                [](auto& b) { b.Text("Body", std::string("first\0second\0\0fourth", 20)); },
                                "Body", ';', "first\nsecond\n\nfourth"},
                      FieldCase{"text list entries with NUL line ends",
                                [](auto& b) {
                                    b.TextList("Body", {std::string("a\0b", 3), std::string("c\0", 2)});
                                },
                                "Body", ';', "a\nb;c\n"},
                      FieldCase{"text list with an empty entry",
                                [](auto& b) {
                                    b.TextList("SendTo", {"Alice", "", "Bob"});
                                },
                                "SendTo", ';', "Alice;Bob"},
                      FieldCase{
                          "rich text in two items, paragraph ends and a NUL in a run",
                          [](auto& b) {
                              b.Rich("Body",
                                     sim::RichText().Run("first run").Paragraph("second").Run(std::string("a\0b", 3)),
                                     24);
                          },
                          "Body", ';', "first run\nseconda\nb"},
                      FieldCase{"number list",
                                [](auto& b) {
                                    b.Numbers("Sizes", {1, 2.5});
                                },
                                "Sizes", ',', "1,2.5"},
                      FieldCase{"note reference", [](auto& b) { b.NoteRefs("$Ref", {kUnid}); }, "$Ref", ';', kUnidText},
                      FieldCase{"verified signature", [](auto& b) { b.Signature("CN=Ann Lee/O=Corp", March5()); },
                                "$Signature", ';', "Signed by CN=Ann Lee/O=Corp on 03/05/2004 09:07:03 AM"},
                      FieldCase{"signature that does not verify",
                                [](auto& b) {
                                    sim::SignatureOptions bad;
                                    bad.verifies = false;
                                    b.Signature("CN=Ann Lee/O=Corp", March5(), bad);
                                },
                                "$Signature", ';', ""},
                      FieldCase{"signature whose time cannot be converted",
                                [](auto& b) { b.Signature("CN=Ann Lee/O=Corp", sim::kUnconvertibleTime); },
                                "$Signature", ';', "Signed by CN=Ann Lee/O=Corp"}));

// Notes may end a complete walk of rich text with either of its two success codes.
TEST_F(DocumentFixture, RichTextReadsTheSameWhicheverSuccessTheWalkGives) {
    for (const STATUS end : {STATUS(NOERROR), STATUS(ERR_ODS_ENUM_COMPLETE)}) {
        sim::SetCompositeWalkEndStatus(end);
        Open(sim::AddDocument(*db).Rich("Body", sim::RichText().Run("first").Paragraph("second")));
        EXPECT_EQ(document.GetFieldText("Body", ';'), "first\nsecond") << "walk ends with " << end;
    }
}

TEST_F(DocumentFixture, RichTextReallyIsSplitOverItems) {
    sim::DocumentBuilder builder = sim::AddDocument(*db);
    builder.Rich("Body", sim::RichText().Run("first run").Paragraph("second").Run(std::string("a\0b", 3)), 24);
    int items = 0;
    for (const sim::Item& item : builder.Get().items) items += sim::NamesEqual(item.name, "Body");
    EXPECT_GE(items, 2);
}

TEST_F(DocumentFixture, ExceptionWhileReadingAFieldIsFatalAndStopsTheRead) {
    const struct {
        unsigned throwOnCall;
        std::string message;
    } cases[] = {
        {1, "GetFieldText Error at field SendTo: 200"},
        {2, "GetFieldText Error at field SendTo: 330"},
    };
    Open(sim::AddDocument(*db).TextList("SendTo", {"Alice", "Bob"}));
    // One text-list read throws, as memory exhaustion inside the read would.
    unsigned entryCalls = 0, throwOnCall = 0;
    sim::ScopedObserver throwing([&](const sim::Call& call) {
        if (call.function == "NSFItemGetTextListEntry" && throwOnCall != 0 && ++entryCalls == throwOnCall)
            throw std::bad_alloc();
    });
    for (const auto& c : cases) {
        platform::posix::ResetUi();
        entryCalls = 0;
        throwOnCall = c.throwOnCall;
        try {
            document.GetFieldText("SendTo", ';');
            ADD_FAILURE() << "no error for call " << c.throwOnCall;
        } catch (const FieldReadError& error) {
            EXPECT_EQ(std::string(error.what()), c.message);
            EXPECT_TRUE(error.fatal) << "the run stops on it";
        }
        // The commands show it (tests/commands); reading a field shows nothing.
        EXPECT_TRUE(platform::posix::RecordedBoxes().empty());
    }
    throwOnCall = 0;
    EXPECT_EQ(document.GetFieldText("SendTo", ';'), "Alice;Bob");  // nothing else was lost
}

TEST(AbbreviateName, ShortFormOfCanonicalNamesOnly) {
    const struct {
        std::string name, expected;
    } cases[] = {
        {"CN=Ann Lee/OU=Sales/O=Corp", "Ann Lee/Sales/Corp"},
        {"CN=Ann Lee/OU=Sales/OU=East/O=Corp/C=DE", "Ann Lee/Sales/East/Corp/DE"},
        {"CN=Ann Lee/L=Berlin/O=Corp", "Ann Lee/L=Berlin/Corp"},
        {"cn=Ann Lee/O=Corp", "cn=Ann Lee/O=Corp"},
        {"Ann Lee/Corp", "Ann Lee/Corp"},
        {"ann@example.com", "ann@example.com"},
        {"CN", "CN"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(AbbreviateName(c.name), c.expected) << c.name;
}

TEST_F(DocumentFixture, FieldNamesAreAbbreviatedAndJoined) {
    Open(sim::AddDocument(*db)
             .TextList("SendTo", {"CN=Ann Lee/OU=Sales/O=Corp", "Bob"})
             .Text("From", "CN=Ann Lee/O=Corp"));
    EXPECT_EQ(GetFieldNames(document.note, "SendTo", ", "), "Ann Lee/Sales/Corp, Bob");
    EXPECT_EQ(GetFieldNames(document.note, "From", ", "), "Ann Lee/Corp");
    EXPECT_EQ(GetFieldNames(document.note, "CopyTo", ", "), "");
}

TEST_F(DocumentFixture, DocumentTimeComesFromDeliveredPostedOrCreation) {
    const TIMEDATE delivered = sim::TimeDateFromLocal(2004, 3, 5, 9, 7, 3);
    const TIMEDATE posted = sim::TimeDateFromLocal(2003, 12, 31, 23, 59, 58);
    const TIMEDATE created = sim::TimeDateFromLocal(2001, 7, 4, 0, 0, 1);
    const struct {
        bool hasDelivered, hasPosted;
        std::string formatted, text;
    } cases[] = {
        {true, true, "2004-03-05_0907_03", "03/05/2004 09:07:03 AM"},
        {false, true, "2003-12-31_2359_58", "12/31/2003 11:59:58 PM"},
        {false, false, "2001-07-04_0000_01", "07/04/2001 12:00:01 AM"},
    };
    for (const auto& c : cases) {
        ORIGINATORID oid{};
        oid.File = kUnid.File;
        oid.Note = created;
        sim::DocumentBuilder builder = sim::AddDocument(*db).Originator(oid);
        if (c.hasDelivered) builder.Time("DeliveredDate", delivered);
        if (c.hasPosted) builder.Time("PostedDate", posted);
        Open(builder);
        const DocumentRecord record = ReadDocumentRecord(document);
        EXPECT_EQ(record.FormatTime("y-m-d_hn_s"), c.formatted);
        EXPECT_EQ(record.dateText, c.text);
        auto date = record.Date();
        ASSERT_TRUE(date.has_value());
        char shown[32];
        std::snprintf(shown, sizeof shown, "%04d-%02d-%02d_%02d%02d_%02d", date->year, date->month, date->day,
                      date->hour, date->minute, date->second);
        EXPECT_EQ(shown, c.formatted);
    }
    EXPECT_EQ(ReadDocumentRecord(document).FormatTime("Y: y, m/d"), "Y: 2001, 07/04");
}

TEST_F(DocumentFixture, UnconvertibleTimeGivesTheFailureTexts) {
    Open(sim::AddDocument(*db).Time("DeliveredDate", sim::kUnconvertibleTime));
    const DocumentRecord record = ReadDocumentRecord(document);
    EXPECT_EQ(record.readFailure, "");
    EXPECT_EQ(record.dateText, "");
    EXPECT_EQ(record.FormatTime("y"), "(Failed to Get Time)");
    EXPECT_FALSE(record.Date().has_value());
    EXPECT_EQ(record.SortKey(), "");
}

TEST_F(DocumentFixture, UniversalIdIsAlways32UpperCaseDigits) {
    const UNID unids[] = {kUnid, UNID{}, UNID{{{0xFFFFFFFFu, 0xABCDEF01u}}, {{0x10u, 0xdeadbeefu}}}};
    const std::string expected[] = {kUnidText, std::string(32, '0'), "ABCDEF01FFFFFFFFDEADBEEF00000010"};
    for (int i = 0; i < 3; ++i) {
        Open(sim::AddDocument(*db).Unid(unids[i]));
        EXPECT_EQ(GetUNID(document.note), expected[i]);
    }
}

TEST_F(DocumentFixture, FormulasOnADocument) {
    const std::string subject = "Quarterly figures for the northern sales team";  // 45 characters
    ASSERT_EQ(subject.size(), 45u);
    const std::string standard = "Left(Text(\"Subject\"),30) + \" \" + UNID";
    Open(sim::AddDocument(*db).Unid(kUnid).Text("Subject", subject).Time("DeliveredDate", March5()));
    const DocumentRecord record = ReadDocumentRecord(document);
    const auto value = [&](const std::string& formula) {
        const FormulaValue name = EvaluateString(document, record, formula);
        EXPECT_EQ(name.error, "") << formula;
        return name.value;
    };
    EXPECT_EQ(value(standard), subject.substr(0, 30) + " " + kUnidText);
    EXPECT_EQ(value("MTime"), "2004-03-05_0907_03");
    EXPECT_EQ(value("MTime(\"y.m.d\")"), "2004.03.05");
    EXPECT_EQ(value(""), "");
    const FormulaValue invalid = EvaluateString(document, record, "Left(\"abc\",");
    EXPECT_EQ(invalid.value, "");
    EXPECT_EQ(invalid.error, "Invalid Evaluate String Error: Left(\"abc\",");

    Open(sim::AddDocument(*db).Unid(kUnid));
    EXPECT_EQ(EvaluateString(document, ReadDocumentRecord(document), standard).value, " " + kUnidText);
}

}  // namespace
}  // namespace stowline
