#include "render/HtmlPage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "notes/AttachmentSurvey.h"
#include "notes/NotesDocument.h"
#include "render/DocumentRecord.h"
#include "sim/Builder.h"
#include "sim/Engine.h"
#include "sim/Time.h"
#include "support/StandInFixture.h"
#include "support/ScratchFolder.h"

namespace stowline {
namespace {

TEST(HtmlEscape, ReplacesMarkupAndTheGermanLettersOnly) {
    const struct {
        std::string text, escaped;
    } cases[] = {
        {"<b>&\"", "&lt;b&gt;&amp;&quot;"},
        {"&auml;", "&amp;auml;"},
        {"one < two & three", "one &lt; two &amp; three"},
        {"\xE4\xC4\xF6\xD6\xFC\xDC\xDF\xA7", "&auml;&Auml;&ouml;&Ouml;&uuml;&Uuml;&szlig;&sect;"},
        {"caf\xE9 it's\t\x01", "caf\xE9 it's\t\x01"},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
        {"", ""},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        HtmlEscape(text);
        EXPECT_EQ(text, c.escaped) << c.text;
    }
}

class HtmlPage : public sim::ClientDatabaseTest {
protected:
    void SetUp() override {
        sim::ClientDatabaseTest::SetUp();
        std::filesystem::create_directories(scratch.Host("_Attachments~\\Report"));
        directory = scratch.Win();
    }
    void TearDown() override {
        document.Close();
        sim::ClientDatabaseTest::TearDown();
    }
    testsupport::ScratchFolder scratch{"stowline-page-"};
    std::string directory;  // the HTML file's folder as a Windows path
    NotesDocument document;
};

TEST_F(HtmlPage, EveryCellFilled) {
    NOTEID id = sim::AddDocument(*db)
                    .Text("From", "CN=Ann Lee/O=Corp")
                    .TextList("SendTo", {"CN=Bob Day/OU=Sales/O=Corp", "carl@example.com"})
                    .Text("CopyTo", "Dora")
                    .TextList("BlindCopyTo", {"CN=Eve/O=Corp"})
                    .Text("Subject", "<b>&\" Plan")
                    .Time("DeliveredDate", sim::TimeDateFromLocal(2004, 3, 5, 9, 7, 3))
                    .Rich("Body", sim::RichText().Run("Hello ä é").Paragraph("Bye").Paragraph(""))
                    .Attachment("plan.pdf", sim::Bytes{'%', 'P'})
                    .Attachment("notes.txt", sim::Bytes{'n'})
                    .Id();
    ASSERT_TRUE(document.Open(handle, id, true));
    const std::vector<WrittenAttachment> written =
        ExtractAttachments(document, SurveyAttachments(document.note), directory + "\\_Attachments~\\Report").written;
    ASSERT_EQ(written.size(), 2u);

    const std::string label = "</td></tr>\n<tr><td valign=top><font color=\"#003366\">";
    const std::string expected =
        "<html>\n<head>\n<title>&lt;b&gt;&amp;&quot; Plan</title>\n</head>\n<body>\n"
        "<table width=100% border=1 cellpadding=3 cellspacing=0 style=\"border-collapse: collapse\">\n"
        "<tr><td valign=top><font color=\"#003366\">From<td>Ann Lee/Corp" +
        label + "Time<td>03/05/2004 09:07:03 AM" + label + "To<td>Bob Day/Sales/Corp, carl@example.com" + label +
        "CC<td>Dora" + label + "BCC<td>Eve/Corp" + label + "Subject<td>&lt;b&gt;&amp;&quot; Plan" + label +
        "Attachments<td><a href=\"_Attachments~\\Report\\plan.pdf\">plan.pdf</a>, "
        "<a href=\"_Attachments~\\Report\\notes.txt\">notes.txt</a>"
        "</td></tr>\n</table>\n<br>\n"
        "<table width=100% border=0 cellpadding=3 cellspacing=0 style=\"border-collapse: collapse\">\n"
        "<tr><td valign=top colspan=2>Hello &auml; \xE9<br>\nBye<br>\n"
        "</td></tr>\n</table>\n</body>\n</html>\n";
    EXPECT_EQ(GetHtmlPage(ReadDocumentRecord(document), directory, written), expected);
}

TEST_F(HtmlPage, EmptyDocumentGivesEmptyCells) {
    ASSERT_TRUE(document.Open(handle, sim::AddDocument(*db).Id(), true));
    const std::string page = GetHtmlPage(ReadDocumentRecord(document), "", {});
    EXPECT_NE(page.find("<title></title>"), std::string::npos);
    EXPECT_NE(page.find("Attachments<td></td></tr>"), std::string::npos);
    EXPECT_NE(page.find("colspan=2></td></tr>"), std::string::npos);
    EXPECT_EQ(page.substr(page.size() - 8), "</html>\n");
}

}  // namespace
}  // namespace stowline
