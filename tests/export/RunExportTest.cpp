// The export run over the stand-in, writing real archive trees.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>

#include "SimMail.h"
#include "export/RunExport.h"
#include "sim/Faults.h"
#include "sim/Time.h"

namespace {

using exporttest::Content;
using Tree = std::set<std::string>;

class RunExportTest : public exporttest::MailRunTest {};

TEST_F(RunExportTest, ArchivesAViewIntoTheFolderOfItsDisplayName) {
    const NOTEID plain = Mail("Plain").Id();
    const NOTEID withFile = Mail("Report").Attachment("plan.txt", Content("the plan")).Id();
    Inbox({plain, withFile});

    ASSERT_TRUE(stowline::RunExport(job)) << job.ErrorText;
    EXPECT_EQ(archive.Tree(), (Tree{"Inbox/", "Inbox/Plain.htm", "Inbox/Report.htm", "Inbox/_Attachments~/",
                                    "Inbox/_Attachments~/Report/", "Inbox/_Attachments~/Report/plan.txt"}));
    EXPECT_EQ(archive.Read("Inbox\\_Attachments~\\Report\\plan.txt"), "the plan");
    EXPECT_NE(archive.Read("Inbox\\Report.htm").find("<a href=\"_Attachments~\\Report\\plan.txt\">plan.txt</a>"),
              std::string::npos);
    EXPECT_FALSE(Deleted(plain));
    EXPECT_FALSE(Deleted(withFile));
    // The client's handle is lent back untouched.
    EXPECT_FALSE(job.Database.isOpen);
    EXPECT_EQ(job.Database.handle, 0u);
}

TEST_F(RunExportTest, PageHoldsEveryCellAsBytesWithCrLf) {
    sim::SetTimeZone(5, sim::DstRule::US);
    const NOTEID id = Mail("Plan <b>&\"")
                          .Text("From", "CN=Ann Lee/O=Corp")
                          .TextList("SendTo", {"CN=Bob Roe/O=Corp", "carl@example.com"})
                          .Text("CopyTo", "Dora <dora@example.com>")
                          .Text("BlindCopyTo", "Eve")
                          .Time("DeliveredDate", sim::TimeDateFromUnix(1078495623))  // 2004-03-05 14:07:03 GMT
                          .Rich("Body", sim::RichText()
                                            .Run("Gr\xC3\xBC\xC3\x9F"
                                                 "e")
                                            .Paragraph("caf\xC3\xA9"))
                          .Attachment("plan.pdf", Content("%PDF"))
                          .Id();
    Select({id});

    ASSERT_TRUE(stowline::RunExport(job)) << job.ErrorText;
    const std::string expected =
        "<html>\r\n<head>\r\n<title>Plan &lt;b&gt;&amp;&quot;</title>\r\n</head>\r\n<body>\r\n"
        "<table width=100% border=1 cellpadding=3 cellspacing=0 style=\"border-collapse: collapse\">\r\n"
        "<tr><td valign=top><font color=\"#003366\">From<td>Ann Lee/Corp</td></tr>\r\n"
        "<tr><td valign=top><font color=\"#003366\">Time<td>03/05/2004 09:07:03 AM</td></tr>\r\n"
        "<tr><td valign=top><font color=\"#003366\">To<td>Bob Roe/Corp, carl@example.com</td></tr>\r\n"
        "<tr><td valign=top><font color=\"#003366\">CC<td>Dora &lt;dora@example.com&gt;</td></tr>\r\n"
        "<tr><td valign=top><font color=\"#003366\">BCC<td>Eve</td></tr>\r\n"
        "<tr><td valign=top><font color=\"#003366\">Subject<td>Plan &lt;b&gt;&amp;&quot;</td></tr>\r\n"
        "<tr><td valign=top><font color=\"#003366\">Attachments<td>"
        "<a href=\"_Attachments~\\Plan ~b~&amp;~\\plan.pdf\">plan.pdf</a></td></tr>\r\n"
        "</table>\r\n<br>\r\n"
        "<table width=100% border=0 cellpadding=3 cellspacing=0 style=\"border-collapse: collapse\">\r\n"
        "<tr><td valign=top colspan=2>Gr&uuml;&szlig;e<br>\r\ncaf\xE9</td></tr>\r\n"
        "</table>\r\n</body>\r\n</html>\r\n";
    EXPECT_EQ(archive.Read("Inbox\\Plan ~b~&~.htm"), expected);
    EXPECT_EQ(archive.Read("Inbox\\_Attachments~\\Plan ~b~&~\\plan.pdf"), "%PDF");

    // The file carries the mail's local date (09:07:03 in the mail's zone) as its time.
    std::tm local{};
    local.tm_year = 2004 - 1900;
    local.tm_mon = 2;
    local.tm_mday = 5;
    local.tm_hour = 9;
    local.tm_min = 7;
    local.tm_sec = 3;
    local.tm_isdst = -1;
    const auto written = std::filesystem::last_write_time(archive.Host("Inbox\\Plan ~b~&~.htm"));
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::file_clock::to_sys(written).time_since_epoch());
    EXPECT_EQ(seconds.count(), static_cast<long long>(std::mktime(&local)));
}

TEST_F(RunExportTest, AttachmentsOfEachKind) {
    sim::AttachmentOptions embedded;
    embedded.hostType = HOST_OLE;
    const NOTEID none = Mail("None").Id();
    const NOTEID objectsOnly =
        Mail("Objects").Attachment("ole1", Content("x"), embedded).Attachment("ole2", Content("y"), embedded).Id();
    const NOTEID refused = Mail("Refused").Attachment("a:b.txt", Content("ab")).Id();
    Select({none, objectsOnly, refused});

    ASSERT_TRUE(stowline::RunExport(job)) << job.ErrorText;
    EXPECT_EQ(archive.Tree(),
              (Tree{"Inbox/", "Inbox/None.htm", "Inbox/Objects.htm", "Inbox/Refused.htm", "Inbox/_Attachments~/",
                    "Inbox/_Attachments~/Refused/", "Inbox/_Attachments~/Refused/a~b.txt"}));
    // The link shows the name the mail gave the file and opens the cleaned one.
    EXPECT_NE(archive.Read("Inbox\\Refused.htm").find("<a href=\"_Attachments~\\Refused\\a~b.txt\">a:b.txt</a>"),
              std::string::npos);
    EXPECT_NE(archive.Read("Inbox\\Objects.htm").find("Attachments<td></td></tr>"), std::string::npos);
}

// An extraction that fails (first try and retry) leaves the other files linked; with
// deletion armed the mail stays in the database, and the run says so.
TEST_F(RunExportTest, FailedExtractionKeepsTheMail) {
    const NOTEID before = Mail("Before").Id();
    const NOTEID three = Mail("Three")
                             .Attachment("one.txt", Content("1"))
                             .Attachment("two.txt", Content("2"))
                             .Attachment("three.txt", Content("3"))
                             .Id();
    const NOTEID after = Mail("After").Attachment("x.txt", Content("x")).Id();
    Select({before, three, after});
    Arm();
    sim::InjectFault("NSFNoteExtractFile", 2, ERR_NOACCESS);
    sim::InjectFault("NSFNoteExtractFile", 3, ERR_NOACCESS);

    EXPECT_FALSE(stowline::RunExport(job));
    // The file that was not written is named with the folder it was to go to.
    EXPECT_EQ(job.ErrorText,
              "1 document(s) were archived but not deleted, because not all of their files could be written.\n"
              "Unable to extract file 'two.txt' to path '" +
                  archive.Win("Inbox\\_Attachments~\\Three") +
                  "' for reason You are not authorized to perform that operation");
    const std::string page = archive.Read("Inbox\\Three.htm");
    EXPECT_NE(page.find("<a href=\"_Attachments~\\Three\\one.txt\">one.txt</a>, "
                        "<a href=\"_Attachments~\\Three\\three.txt\">three.txt</a></td>"),
              std::string::npos);
    EXPECT_FALSE(archive.IsFile("Inbox\\_Attachments~\\Three\\two.txt"));
    EXPECT_TRUE(Deleted(before));
    EXPECT_FALSE(Deleted(three));
    EXPECT_TRUE(Deleted(after));
}

TEST_F(RunExportTest, AttachmentFolderThatCannotBeMadeKeepsTheMail) {
    archive.Write("Inbox\\_Attachments~", "a file where the folder belongs");
    const NOTEID id = Mail("Blocked").Attachment("x.txt", Content("x")).Id();
    Select({id});
    Arm();

    EXPECT_FALSE(stowline::RunExport(job));
    EXPECT_EQ(job.ErrorText,
              "1 document(s) were archived but not deleted, because not all of their files could be written.\n"
              "The folder \"" +
                  archive.Win("Inbox\\_Attachments~\\Blocked") + "\" could not be created.");
    EXPECT_TRUE(archive.IsFile("Inbox\\Blocked.htm"));
    EXPECT_FALSE(Deleted(id));
}

// Names that try to leave their folder or to inject markup.
TEST_F(RunExportTest, HostileAttachmentNamesStayInTheirFolderAndOutOfTheMarkup) {
    const NOTEID id = Mail("Hostile")
                          .Attachment("..\\..\\evil.exe", Content("MZ"))
                          .Attachment("<img src=x onerror=alert(1)>.txt", Content("img"))
                          .Attachment("..", Content("dots"))
                          .Attachment("100% #1.txt", Content("pct"))
                          .Id();
    Select({id});
    Arm();

    ASSERT_TRUE(stowline::RunExport(job)) << job.ErrorText;
    EXPECT_EQ(archive.Tree(), (Tree{"Inbox/", "Inbox/Hostile.htm", "Inbox/_Attachments~/",
                                    "Inbox/_Attachments~/Hostile/", "Inbox/_Attachments~/Hostile/..~..~evil.exe",
                                    "Inbox/_Attachments~/Hostile/~img src=x onerror=alert(1)~.txt",
                                    "Inbox/_Attachments~/Hostile/~~", "Inbox/_Attachments~/Hostile/100% #1.txt"}));
    const std::string page = archive.Read("Inbox\\Hostile.htm");
    EXPECT_NE(page.find("<a href=\"_Attachments~\\Hostile\\..~..~evil.exe\">..\\..\\evil.exe</a>, "
                        "<a href=\"_Attachments~\\Hostile\\~img src=x onerror=alert(1)~.txt\">"
                        "&lt;img src=x onerror=alert(1)&gt;.txt</a>, "
                        "<a href=\"_Attachments~\\Hostile\\~~\">..</a>, "
                        "<a href=\"_Attachments~\\Hostile\\100%25 %231.txt\">100% #1.txt</a></td>"),
              std::string::npos)
        << page;
    EXPECT_EQ(page.find("<img"), std::string::npos);
    EXPECT_TRUE(Deleted(id));
}

class UnopenedNoteTest : public exporttest::MailRunTest, public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(UnopenedNoteTest, IsSkippedAndReported) {
    const NOTEID a = Mail("A").Id(), b = Mail("B").Id(), c = Mail("C").Id();
    if (GetParam() == stowline::kSourceView)
        Inbox({a, b, c});
    else
        Select({a, b, c});
    Arm();
    sim::InjectFault("NSFNoteOpen", 2, ERR_NOACCESS);

    EXPECT_FALSE(stowline::RunExport(job));
    EXPECT_EQ(job.ErrorText, "1 document(s) could not be opened and were not archived.");
    EXPECT_EQ(archive.Tree(), (Tree{"Inbox/", "Inbox/A.htm", "Inbox/C.htm"}));
    EXPECT_TRUE(Deleted(a));
    EXPECT_FALSE(Deleted(b));
    EXPECT_TRUE(Deleted(c));
}

INSTANTIATE_TEST_SUITE_P(ViewAndSelection, UnopenedNoteTest,
                         ::testing::Values(stowline::kSourceView, stowline::kSourceSelection));

// A view that cannot be opened is passed over quietly, a view whose reading fails halfway is
// reported; both are named in UnreadViews so that the command keeps the folder.
TEST_F(RunExportTest, ViewsNotReadToTheirEndAreNamed) {
    const NOTEID a = Mail("A").Id(), b = Mail("B").Id(), c = Mail("C").Id();
    Inbox({a, b, c});
    Arm();
    sim::SetReadEntriesBatchSize(2);
    sim::InjectFault("NIFReadEntries", 2, ERR_NOACCESS);

    EXPECT_FALSE(stowline::RunExport(job));
    EXPECT_EQ(job.ErrorText,
              "The view/folder \"($Inbox)\" could not be read to its end; not all of its documents "
              "were archived.");
    EXPECT_EQ(archive.Tree(), (Tree{"Inbox/", "Inbox/A.htm", "Inbox/B.htm"}));
    EXPECT_FALSE(Deleted(c));
    EXPECT_EQ(job.UnreadViews, (std::vector<std::string>{"($Inbox)"}));

    job.ErrorText.clear();
    job.UnreadViews.clear();
    sim::ResetCalls();
    sim::InjectFault("NIFOpenCollection", 1, ERR_NOACCESS);
    EXPECT_TRUE(stowline::RunExport(job)) << job.ErrorText;
    EXPECT_EQ(job.UnreadViews, (std::vector<std::string>{"($Inbox)"}));
    EXPECT_FALSE(Deleted(c));
}

TEST_F(RunExportTest, TwoDocumentsWithOneName) {
    // Not armed: the later replaces the earlier, as a second archive of a mailbox would.
    const NOTEID first = Mail("Same").Text("Body", "first").Attachment("a.txt", Content("1")).Id();
    const NOTEID second = Mail("Same").Text("Body", "second").Attachment("a.txt", Content("2")).Id();
    Select({first, second});
    ASSERT_TRUE(stowline::RunExport(job)) << job.ErrorText;
    EXPECT_EQ(archive.Tree(), (Tree{"Inbox/", "Inbox/Same.htm", "Inbox/_Attachments~/", "Inbox/_Attachments~/Same/",
                                    "Inbox/_Attachments~/Same/a.txt"}));
    EXPECT_NE(archive.Read("Inbox\\Same.htm").find("second"), std::string::npos);
    EXPECT_EQ(archive.Read("Inbox\\_Attachments~\\Same\\a.txt"), "2");

    // Armed: nothing already archived is replaced, and each page links its own file.
    Arm();
    ASSERT_TRUE(stowline::RunExport(job)) << job.ErrorText;
    EXPECT_EQ(archive.Tree(),
              (Tree{"Inbox/", "Inbox/Same.htm", "Inbox/Same (2).htm", "Inbox/Same (3).htm", "Inbox/_Attachments~/",
                    "Inbox/_Attachments~/Same/", "Inbox/_Attachments~/Same/a.txt", "Inbox/_Attachments~/Same/a (2).txt",
                    "Inbox/_Attachments~/Same/a (3).txt"}));
    EXPECT_NE(archive.Read("Inbox\\Same (2).htm").find("first"), std::string::npos);
    EXPECT_NE(archive.Read("Inbox\\Same (2).htm").find("<a href=\"_Attachments~\\Same\\a (2).txt\">a.txt</a>"),
              std::string::npos);
    EXPECT_NE(archive.Read("Inbox\\Same (3).htm").find("second"), std::string::npos);
    EXPECT_EQ(archive.Read("Inbox\\_Attachments~\\Same\\a (2).txt"), "1");
    EXPECT_EQ(archive.Read("Inbox\\_Attachments~\\Same\\a (3).txt"), "2");
    EXPECT_NE(archive.Read("Inbox\\Same.htm").find("second"), std::string::npos);
    EXPECT_TRUE(Deleted(first));
    EXPECT_TRUE(Deleted(second));
}

// A temporary page left behind by a run that was cut short (its name spelled in another case)
// is neither written into nor removed: the page is written by way of a free name.
TEST_F(RunExportTest, TemporaryPageLeftBehindStaysAsItWas) {
    const NOTEID a = Mail("A").Text("Body", "the mail").Id();
    archive.Write("Inbox/a.~TM", "left behind");
    Select({a});
    Arm();
    ASSERT_TRUE(stowline::RunExport(job)) << job.ErrorText;
    EXPECT_EQ(archive.Tree(), (Tree{"Inbox/", "Inbox/A.htm", "Inbox/a.~TM"}));
    EXPECT_EQ(archive.Read("Inbox\\a.~TM"), "left behind");
    EXPECT_NE(archive.Read("Inbox\\A.htm").find("the mail"), std::string::npos);
    EXPECT_TRUE(Deleted(a));
}

struct DeletionCase {
    bool delMsgAfterArc;
    std::uint32_t guard;
    bool deletes;
};

class DeletionSettingsTest : public exporttest::MailRunTest, public ::testing::WithParamInterface<DeletionCase> {};

TEST_P(DeletionSettingsTest, DeleteOnlyWhenBothAllowIt) {
    const NOTEID id = Mail("M").Id();
    Select({id});
    job.DelMsgAfterArc = GetParam().delMsgAfterArc;
    job.DeleteGuard = GetParam().guard;
    EXPECT_TRUE(stowline::RunExport(job)) << job.ErrorText;
    EXPECT_TRUE(archive.IsFile("Inbox\\M.htm"));
    EXPECT_EQ(Deleted(id), GetParam().deletes);
}

INSTANTIATE_TEST_SUITE_P(Settings, DeletionSettingsTest,
                         ::testing::Values(DeletionCase{false, 0, false}, DeletionCase{true, 0, false},
                                           DeletionCase{false, stowline::kDeleteGuardArmed, false},
                                           DeletionCase{true, stowline::kDeleteGuardArmed - 1, false},
                                           DeletionCase{true, stowline::kDeleteGuardArmed, true}));

struct FormulaCase {
    const char* name;
    const char* fileFormula;
    const char* folderFormula;
    const char* errorText;
    bool firstArchived;
};

class FormulaStopTest : public exporttest::MailRunTest, public ::testing::WithParamInterface<FormulaCase> {};

TEST_P(FormulaStopTest, EmptyNameStopsTheRun) {
    const auto& c = GetParam();
    const NOTEID first = Mail("First").Id();
    const NOTEID files = Mail("Files").Attachment("x.txt", Content("x")).Id();
    Select({first, files});
    Arm();
    job.TextFileNameEvalString = c.fileFormula;
    job.DetachMethodEvalString = c.folderFormula;
    job.ErrorText = "left from an earlier run";

    EXPECT_FALSE(stowline::RunExport(job));
    std::string expectedText = c.errorText;
    if (const auto at = expectedText.find("{UNID}"); at != std::string::npos) {
        const ORIGINATORID& oid = db->FindNote(files)->oid;
        char unid[33];
        std::snprintf(unid, sizeof unid, "%08X%08X%08X%08X", oid.File.Innards[1], oid.File.Innards[0],
                      oid.Note.Innards[1], oid.Note.Innards[0]);
        expectedText.replace(at, 6, unid);
    }
    EXPECT_EQ(job.ErrorText, expectedText);
    const Tree expected = c.firstArchived ? Tree{"Inbox/", "Inbox/First.htm"} : Tree{"Inbox/"};
    EXPECT_EQ(archive.Tree(), expected);
    EXPECT_EQ(Deleted(first), c.firstArchived);
    EXPECT_FALSE(Deleted(files));
}

INSTANTIATE_TEST_SUITE_P(
    Formulas, FormulaStopTest,
    ::testing::Values(
        // Settings never saved: no file formula, so the first document stops the run.
        FormulaCase{"NoFileFormula", "", "Text(\"Subject\")",
                    "No file name formula is set; saving the Options once stores the standard formula.", false},
        FormulaCase{"InvalidFileFormula", "Text(\"Subject\"", "Text(\"Subject\")",
                    "Invalid Evaluate String Error: Text(\"Subject\"", false},
        // A folder formula giving nothing stops before the page of the document with files.
        FormulaCase{"EmptyFolderName", "Text(\"Subject\")", "Text(\"Missing\")",
                    "The attachment folder formula \"Text(\"Missing\")\" gives no name for the document {UNID}.",
                    true}),
    [](const auto& info) { return std::string(info.param.name); });

// Formula results are cleaned as attachment names are: no name resolves to the folder itself
// or its parent, none names a device, and a name that is nothing once cleaned is no name.
TEST_F(RunExportTest, FormulaNamesStayInsideTheirFolder) {
    const struct {
        const char* fileFormula;
        const char* folderFormula;
        Tree tree;
    } cases[] = {
        {"Text(\"Subject\")",
         "\"..\"",
         {"Inbox/", "Inbox/M.htm", "Inbox/_Attachments~/", "Inbox/_Attachments~/~~/", "Inbox/_Attachments~/~~/x.txt"}},
        {"Text(\"Subject\")",
         "\".\"",
         {"Inbox/", "Inbox/M.htm", "Inbox/_Attachments~/", "Inbox/_Attachments~/~/", "Inbox/_Attachments~/~/x.txt"}},
        {"Text(\"Subject\")",
         "\"COM1\"",
         {"Inbox/", "Inbox/M.htm", "Inbox/_Attachments~/", "Inbox/_Attachments~/~COM1/",
          "Inbox/_Attachments~/~COM1/x.txt"}},
        {"\"CON\"",
         "Text(\"Subject\")",
         {"Inbox/", "Inbox/~CON.htm", "Inbox/_Attachments~/", "Inbox/_Attachments~/M/", "Inbox/_Attachments~/M/x.txt"}},
        {"\"nul.txt\"",
         "Text(\"Subject\")",
         {"Inbox/", "Inbox/~nul.txt.htm", "Inbox/_Attachments~/", "Inbox/_Attachments~/M/",
          "Inbox/_Attachments~/M/x.txt"}},
        {"\"...\"",
         "Text(\"Subject\")",
         {"Inbox/", "Inbox/~~~.htm", "Inbox/_Attachments~/", "Inbox/_Attachments~/M/", "Inbox/_Attachments~/M/x.txt"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.fileFormula) + " / " + c.folderFormula);
        std::filesystem::remove_all(archive.Host("Inbox"));
        const NOTEID id = Mail("M").Attachment("x.txt", Content("x")).Id();
        if (idTable != 0) sim::ReleaseClientHandle(idTable);
        Select({id});
        Arm();
        job.TextFileNameEvalString = c.fileFormula;
        job.DetachMethodEvalString = c.folderFormula;

        EXPECT_TRUE(stowline::RunExport(job)) << job.ErrorText;
        EXPECT_EQ(archive.Tree(), c.tree);
        EXPECT_TRUE(Deleted(id));
    }
}

// A name of blanks, or of nothing but what cleaning removes, is no name: the run stops there.
TEST_F(RunExportTest, NameThatCleansToNothingStopsTheRun) {
    for (const char* formula : {"\"   \"", "Text(\"Subject\")"}) {
        SCOPED_TRACE(formula);
        const NOTEID id = Mail("  ").Id();
        if (idTable != 0) sim::ReleaseClientHandle(idTable);
        Select({id});
        Arm();
        job.TextFileNameEvalString = formula;

        EXPECT_FALSE(stowline::RunExport(job));
        const ORIGINATORID& oid = db->FindNote(id)->oid;
        char unid[33];
        std::snprintf(unid, sizeof unid, "%08X%08X%08X%08X", oid.File.Innards[1], oid.File.Innards[0],
                      oid.Note.Innards[1], oid.Note.Innards[0]);
        EXPECT_EQ(job.ErrorText, "The file name formula \"" + std::string(formula) +
                                     "\" gives no name for the document " + unid + ".");
        EXPECT_EQ(archive.Tree(), (Tree{"Inbox/"}));
        EXPECT_FALSE(Deleted(id));
    }
}

// A folder name that climbs out of the base path is archived below it.
TEST_F(RunExportTest, FolderNameThatClimbsStaysBelowTheBasePath) {
    const NOTEID id = Mail("M").Attachment("x.txt", Content("x")).Id();
    sim::AddFolder(*db, "..\\..\\..\\..\\ESCAPED").Entries({id});
    // Deep enough that a climb out of the base path still lands in the test's folder.
    job.BasePath = archive.Win("1\\2\\3\\Base");
    job.ViewName = "..\\..\\..\\..\\ESCAPED";
    Arm();

    ASSERT_TRUE(stowline::RunExport(job)) << job.ErrorText;
    Tree tree;
    for (const auto& entry : archive.Tree())
        if (entry.rfind("1/2/3/", 0) == 0 && entry != "1/2/3/")
            tree.insert(entry.substr(6));
        else
            EXPECT_TRUE(entry == "1/" || entry == "1/2/" || entry == "1/2/3/") << entry;
    EXPECT_EQ(tree, (Tree{"Base/", "Base/~~/", "Base/~~/~~/", "Base/~~/~~/~~/", "Base/~~/~~/~~/~~/",
                          "Base/~~/~~/~~/~~/ESCAPED/", "Base/~~/~~/~~/~~/ESCAPED/M.htm",
                          "Base/~~/~~/~~/~~/ESCAPED/_Attachments~/", "Base/~~/~~/~~/~~/ESCAPED/_Attachments~/M/",
                          "Base/~~/~~/~~/~~/ESCAPED/_Attachments~/M/x.txt"}));
    EXPECT_TRUE(Deleted(id));
}

// A sealed document the user's ID cannot open has no body to archive: it is kept.
TEST_F(RunExportTest, SealedDocumentThatCannotBeDecryptedIsKept) {
    const NOTEID plain = Mail("Plain").Id();
    const NOTEID secret = Mail("Secret").Rich("Body", sim::RichText().Run("the secret")).Seal("Team").Id();
    const NOTEID shared = Mail("Shared").Rich("Body", sim::RichText().Run("for the team")).Seal("Staff").Id();
    sim::SetUserKeys({"Staff"});
    Select({plain, secret, shared});
    Arm();

    EXPECT_FALSE(stowline::RunExport(job));
    EXPECT_EQ(job.ErrorText,
              "1 document(s) were archived but not deleted, because they could not be decrypted with the "
              "current ID.");
    EXPECT_TRUE(archive.IsFile("Inbox\\Secret.htm"));
    EXPECT_NE(archive.Read("Inbox\\Shared.htm").find("for the team"), std::string::npos);
    EXPECT_TRUE(Deleted(plain));
    EXPECT_FALSE(Deleted(secret));
    EXPECT_TRUE(Deleted(shared));
}

TEST_F(RunExportTest, PageThatCannotBeCreatedStopsTheRun) {
    const NOTEID first = Mail("First").Id();
    const NOTEID tooLong = Mail(std::string(300, 'x')).Id();
    const NOTEID third = Mail("Third").Id();
    Select({first, tooLong, third});
    Arm();

    EXPECT_FALSE(stowline::RunExport(job));
    EXPECT_EQ(job.ErrorText,
              "Unable to create or open output file \"" + archive.Win("Inbox\\" + std::string(300, 'x')) + ".htm\"");
    EXPECT_EQ(archive.Tree(), (Tree{"Inbox/", "Inbox/First.htm"}));
    EXPECT_TRUE(Deleted(first));
    EXPECT_FALSE(Deleted(tooLong));
    EXPECT_FALSE(Deleted(third));
}

TEST_F(RunExportTest, ViewThatCannotBeOpenedWritesNothing) {
    Inbox({Mail("A").Id()});
    job.ViewName = "No such view";
    EXPECT_TRUE(stowline::RunExport(job)) << job.ErrorText;
    EXPECT_EQ(archive.Tree(), (Tree{"No such view/"}));
    EXPECT_FALSE(job.Database.isOpen);
}

TEST_F(RunExportTest, CategorisedViewInBatchesEndingOnCategoryRows) {
    sim::SetReadEntriesBatchSize(2);
    const NOTEID a = Mail("A").Id(), b = Mail("B").Id(), c = Mail("C").Id();
    sim::AddView(*db, "ByCategory")
        .Category()
        .Entry(a)
        .Category()
        .Category()
        .Category()
        .Entry(b)
        .Entry(c)
        .Category()
        .Category();
    job.ViewName = "ByCategory";
    Arm();

    ASSERT_TRUE(stowline::RunExport(job)) << job.ErrorText;
    EXPECT_EQ(archive.Tree(), (Tree{"ByCategory/", "ByCategory/A.htm", "ByCategory/B.htm", "ByCategory/C.htm"}));
    EXPECT_TRUE(Deleted(a));
    EXPECT_TRUE(Deleted(b));
    EXPECT_TRUE(Deleted(c));
}

// A document listed under two categories is archived at its first appearance; when the run
// deletes, its later appearance names a note the run itself removed, which is no failure.
TEST_F(RunExportTest, DocumentUnderTwoCategoriesIsArchivedOnceWhenDeleting) {
    const NOTEID a = Mail("A").Id(), b = Mail("B").Id();
    sim::AddView(*db, "ByCategory").Category().Entry(a).Category().Entry(b).Category().Entry(a);
    job.ViewName = "ByCategory";
    Arm();

    EXPECT_TRUE(stowline::RunExport(job)) << job.ErrorText;
    EXPECT_EQ(archive.Tree(), (Tree{"ByCategory/", "ByCategory/A.htm", "ByCategory/B.htm"}));
    EXPECT_TRUE(Deleted(a));
    EXPECT_TRUE(Deleted(b));
}

// Listed twice in a row, a document is still open when its second entry comes: it is archived
// and deleted once, armed or not.
TEST_F(RunExportTest, DocumentListedTwiceInARowIsArchivedOnce) {
    for (const bool armed : {false, true}) {
        const std::string name = armed ? "Armed" : "Unarmed";
        SCOPED_TRACE(name);
        const NOTEID a = Mail("A").Id(), b = Mail("B").Id();
        sim::AddView(*db, name).Category().Entry(a).Category().Entry(a).Entry(b).Entry(b);
        job.ViewName = name;
        if (armed) Arm();
        sim::ResetCalls();

        EXPECT_TRUE(stowline::RunExport(job)) << job.ErrorText;
        EXPECT_EQ(archive.Tree(), (Tree{name + "/", name + "/A.htm", name + "/B.htm"}));
        EXPECT_EQ(sim::CallCount("NSFNoteOpen"), 2u);
        EXPECT_EQ(sim::CallCount("NSFNoteDelete"), armed ? 2u : 0u);
        EXPECT_EQ(Deleted(a), armed);
        std::filesystem::remove_all(archive.Host(name));
    }
}

}  // namespace
