// The export run when the disk or Notes lets it down, and the order of its deletions.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <utility>
#include <new>

#include "SimMail.h"
#include "export/RunExport.h"
#include "platform/posix/FileOps.h"
#include "sim/Faults.h"
#include "sim/Time.h"

namespace {

using exporttest::Content;
using Log = std::vector<std::string>;
using Tree = std::set<std::string>;
namespace fileops = platform::posix;

std::string Id(NOTEID id) { return std::to_string(id); }

// Watches the run's calls through the stand-in: the order of its opens and deletions, and a
// hook before each document is opened.
class RunFaultsTest : public exporttest::MailRunTest {
protected:
    void SetUp() override {
        MailRunTest::SetUp();
        sim::Observe([this](const sim::Call& call) {
            if (call.function == "NSFNoteOpen") {
                if (beforeOpen) beforeOpen(call.note);
                log.push_back("open " + Id(call.note));
            } else if (call.function == "NSFNoteDelete") {
                log.push_back("delete " + Id(call.note));
            }
        });
    }

    // "open <id>" and "delete <id>", in call order.
    Log log;
    std::function<void(NOTEID)> beforeOpen;
    fileops::ScopedFileOps restoreFileOps;
};

TEST_F(RunFaultsTest, EachDocumentIsDeletedAfterItsSuccessorOpened) {
    const NOTEID a = Mail("A").Id(), b = Mail("B").Id(), c = Mail("C").Id();
    Select({a, b, c});
    Arm();
    ASSERT_TRUE(stowline::RunExport(job)) << job.ErrorText;
    EXPECT_EQ(log, (Log{"open " + Id(a), "open " + Id(b), "delete " + Id(a), "open " + Id(c), "delete " + Id(b),
                        "delete " + Id(c)}));
    EXPECT_EQ(archive.Tree(), (Tree{"Inbox/", "Inbox/A.htm", "Inbox/B.htm", "Inbox/C.htm"}));
}

// A page removed by someone else between writing and the deletion check keeps its mail.
TEST_F(RunFaultsTest, MissingPageKeepsItsDocument) {
    const NOTEID a = Mail("A").Id(), b = Mail("B").Id();
    Select({a, b});
    Arm();
    beforeOpen = [&](NOTEID id) {
        if (id == b) std::filesystem::remove(archive.Host("Inbox\\A.htm"));
    };
    EXPECT_FALSE(stowline::RunExport(job));
    EXPECT_EQ(job.ErrorText,
              "1 document(s) were archived but not deleted, because not all of their files could be written.");
    EXPECT_FALSE(Deleted(a));
    EXPECT_TRUE(Deleted(b));
}

// A page cut short on disk (a shorter file than was written) keeps its mail too.
TEST_F(RunFaultsTest, TruncatedPageKeepsItsDocument) {
    const NOTEID a = Mail("A").Id(), b = Mail("B").Id();
    Select({a, b});
    Arm();
    beforeOpen = [&](NOTEID id) {
        if (id == b) std::filesystem::resize_file(archive.Host("Inbox\\A.htm"), 10);
    };
    EXPECT_FALSE(stowline::RunExport(job));
    EXPECT_FALSE(Deleted(a));
    EXPECT_TRUE(Deleted(b));
}

struct WriteFault {
    const char* name;
    bool failWrite;  // otherwise the close fails
};

class PageWriteFaultTest : public RunFaultsTest, public ::testing::WithParamInterface<WriteFault> {
protected:
    // From now on every write fills the disk, or every close fails to flush.
    void InjectFault() const {
        auto& ops = fileops::Ops();
        if (GetParam().failWrite)
            ops.write = [](int, const void*, size_t) -> ssize_t {
                errno = ENOSPC;
                return -1;
            };
        else
            ops.close = [](int fd) {
                fileops::RealFileOps().close(fd);
                errno = EIO;
                return -1;
            };
    }
};

// A $FILE lookup that fails for another reason than "no further item" hides the
// attachments, it does not prove there are none: the page is written, the mail stays.
TEST_F(RunFaultsTest, AttachmentLookupThatFailsKeepsTheDocument) {
    const NOTEID a = Mail("A").Attachment("x.txt", Content("x")).Id();
    const NOTEID b = Mail("B").Attachment("y.txt", Content("y")).Id();
    Select({a, b});
    Arm();
    // Every lookup of a $FILE item of A fails, as a damaged or unreadable note might make it
    // (not the "no such item" of a walk's end).
    const sim::CallFilter filesOfA = [&](const sim::Call& call) { return call.note == a && call.item == "$FILE"; };
    sim::InjectFault("NSFItemInfo", 1, ERR_NOACCESS, /*fromThenOn=*/true, filesOfA);
    sim::InjectFault("NSFItemInfoNext", 1, ERR_NOACCESS, /*fromThenOn=*/true, filesOfA);
    EXPECT_FALSE(stowline::RunExport(job));
    EXPECT_EQ(job.ErrorText,
              "1 document(s) were archived but not deleted, because not all of their files could be written.");
    EXPECT_TRUE(archive.IsFile("Inbox\\A.htm"));
    EXPECT_FALSE(Deleted(a));
    EXPECT_TRUE(Deleted(b));
}

// Disk full while writing, or a close that cannot flush: the run stops at that page.
TEST_P(PageWriteFaultTest, StopsTheRunAndKeepsTheDocument) {
    const NOTEID a = Mail("A").Id(), b = Mail("B").Id(), c = Mail("C").Id();
    Select({a, b, c});
    Arm();
    beforeOpen = [&](NOTEID id) {
        if (id == b) InjectFault();
    };
    EXPECT_FALSE(stowline::RunExport(job));
    EXPECT_EQ(job.ErrorText, "Unable to write output file \"" + archive.Win("Inbox\\B.htm") + "\"");
    // Neither a partial page nor its temporary file is left.
    EXPECT_EQ(archive.Tree(), (Tree{"Inbox/", "Inbox/A.htm"}));
    EXPECT_TRUE(Deleted(a));
    EXPECT_FALSE(Deleted(b));
    EXPECT_FALSE(Deleted(c));
    EXPECT_EQ(std::count(log.begin(), log.end(), "open " + Id(c)), 0);
}

INSTANTIATE_TEST_SUITE_P(DiskFaults, PageWriteFaultTest,
                         ::testing::Values(WriteFault{"DiskFull", true}, WriteFault{"FailingClose", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// A file time that cannot be set is no reason to stop or to keep the mail.
TEST_F(RunFaultsTest, FileTimeThatCannotBeSetIsIgnored) {
    const NOTEID a = Mail("A").Time("DeliveredDate", sim::TimeDateFromUnix(1078495623)).Id();
    Select({a});
    Arm();
    fileops::Ops().futimens = [](int, const struct timespec*) {
        errno = EPERM;
        return -1;
    };
    EXPECT_TRUE(stowline::RunExport(job)) << job.ErrorText;
    EXPECT_TRUE(archive.IsFile("Inbox\\A.htm"));
    EXPECT_TRUE(Deleted(a));
}

// An exception inside field reading becomes a stop with its text; nothing escapes the run.
TEST_F(RunFaultsTest, FieldReadErrorStopsTheRun) {
    const NOTEID a = Mail("A").Id();
    const NOTEID b = Mail("B").Number("CopyTo", 3).Id();
    Select({a, b});
    Arm();
    // While B is open, converting a value throws, as a damaged item might make it.
    bool bOpen = false;
    beforeOpen = [&](NOTEID id) { bOpen = id == b; };
    sim::Observe([&](const sim::Call& call) {
        if (bOpen && call.function == "NSFItemConvertValueToText") throw std::bad_alloc();
    });
    bool result = true;
    EXPECT_NO_THROW(result = stowline::RunExport(job));
    EXPECT_FALSE(result);
    EXPECT_EQ(job.ErrorText.rfind("GetFieldText Error at field CopyTo: ", 0), 0u) << job.ErrorText;
    EXPECT_EQ(archive.Tree(), (Tree{"Inbox/", "Inbox/A.htm"})) << "no empty page is left";
    EXPECT_TRUE(Deleted(a));
    EXPECT_FALSE(Deleted(b));
}

// A page that cannot be written in full leaves the earlier page of that name as it was.
TEST_P(PageWriteFaultTest, EarlierPageSurvivesAFailedRewrite) {
    const NOTEID a = Mail("A").Id();
    Select({a});
    archive.Write("Inbox\\A.htm", "the earlier page");
    InjectFault();
    EXPECT_FALSE(stowline::RunExport(job));
    EXPECT_EQ(job.ErrorText, "Unable to write output file \"" + archive.Win("Inbox\\A.htm") + "\"");
    EXPECT_EQ(archive.Read("Inbox\\A.htm"), "the earlier page");
    EXPECT_EQ(archive.Tree(), (Tree{"Inbox/", "Inbox/A.htm"}));
}

// A rewritten page replaces the earlier one only when it is complete, under the same name.
TEST_F(RunFaultsTest, RewrittenPageReplacesTheEarlierOne) {
    const NOTEID a = Mail("A").Text("Body", "new text").Id();
    Select({a});
    archive.Write("Inbox\\A.htm", "the earlier page");
    ASSERT_TRUE(stowline::RunExport(job)) << job.ErrorText;
    EXPECT_NE(archive.Read("Inbox\\A.htm").find("new text"), std::string::npos);
    EXPECT_EQ(archive.Tree(), (Tree{"Inbox/", "Inbox/A.htm"}));
}

enum class EntryRead { EmptyWithMore, Unlockable };

struct EntryReadCase {
    const char* name;
    EntryRead read;
    unsigned nth;
    Tree archived;
};

class DisturbedViewReadTest : public RunFaultsTest, public ::testing::WithParamInterface<EntryReadCase> {};

// A read that brings nothing while more is signalled, or whose entries cannot be locked, is
// a view not read to its end, never the end of the view.
TEST_P(DisturbedViewReadTest, CountsAsAViewNotReadToItsEnd) {
    const NOTEID a = Mail("A").Id(), b = Mail("B").Id(), c = Mail("C").Id();
    Inbox({a, b, c});
    Arm();
    sim::SetReadEntriesBatchSize(2);
    if (GetParam().read == EntryRead::EmptyWithMore) {
        sim::SetEmptyReadWithMore(GetParam().nth);
    } else {
        // The lock that follows the chosen read is the lock of its entries.
        auto lockNext = std::make_shared<bool>(false);
        sim::Observe([lockNext, nth = GetParam().nth](const sim::Call& call) {
            if (call.function == "NIFReadEntries") *lockNext = call.nth == nth;
        });
        sim::InjectFault("OSLockObject", 1, NOERROR, false,
                         [lockNext](const sim::Call&) { return std::exchange(*lockNext, false); });
    }

    EXPECT_FALSE(stowline::RunExport(job));
    EXPECT_EQ(job.ErrorText,
              "The view/folder \"($Inbox)\" could not be read to its end; not all of its documents "
              "were archived.");
    EXPECT_EQ(job.UnreadViews, (std::vector<std::string>{"($Inbox)"}));
    EXPECT_EQ(archive.Tree(), GetParam().archived);
    EXPECT_FALSE(Deleted(c));
}

INSTANTIATE_TEST_SUITE_P(Reads, DisturbedViewReadTest,
                         ::testing::Values(EntryReadCase{"FirstEmpty", EntryRead::EmptyWithMore, 1, Tree{"Inbox/"}},
                                           EntryReadCase{"SecondEmpty", EntryRead::EmptyWithMore, 2,
                                                         Tree{"Inbox/", "Inbox/A.htm", "Inbox/B.htm"}},
                                           EntryReadCase{"FirstUnlockable", EntryRead::Unlockable, 1, Tree{"Inbox/"}},
                                           EntryReadCase{"SecondUnlockable", EntryRead::Unlockable, 2,
                                                         Tree{"Inbox/", "Inbox/A.htm", "Inbox/B.htm"}}),
                         [](const auto& info) { return std::string(info.param.name); });

struct FailedRead {
    const char* name;
    const char* function;  // fails on every call while the document is open
    const char* item;      // only for that item; empty: any
    bool dated = true;     // otherwise the page gives the note's creation time, from its ID
};

class FailedReadTest : public RunFaultsTest, public ::testing::WithParamInterface<FailedRead> {};

// A read that fails on a field that is there is not an empty field: the page would lack what the
// mail holds. That document is not archived and kept, and counted; the run goes on.
TEST_P(FailedReadTest, KeepsTheDocumentAndCountsIt) {
    auto mail = Mail("A").TextList("SendTo", {"Ann Lee", "Bo Li"}).Rich("Body", sim::RichText().Paragraph("the body"));
    if (GetParam().dated) mail.Time("DeliveredDate", sim::TimeDateFromUnix(1078495623));
    const NOTEID a = mail.Id();
    const NOTEID b = Mail("B").Rich("Body", sim::RichText().Paragraph("the body")).Id();
    Select({a, b});
    Arm();
    auto aOpen = std::make_shared<bool>(false);
    beforeOpen = [&, aOpen](NOTEID id) { *aOpen = id == a; };
    const std::string item = GetParam().item;
    sim::InjectFault(GetParam().function, 1, ERR_NOACCESS, /*fromThenOn=*/true,
                     [aOpen, item](const sim::Call& call) { return *aOpen && (item.empty() || call.item == item); });

    EXPECT_FALSE(stowline::RunExport(job));
    EXPECT_EQ(job.ErrorText.rfind("1 document(s) could not be read in full and were not archived (", 0), 0u)
        << job.ErrorText;
    EXPECT_FALSE(archive.IsFile("Inbox\\A.htm"));
    EXPECT_FALSE(Deleted(a));
    EXPECT_TRUE(Deleted(b));
}

INSTANTIATE_TEST_SUITE_P(Reads, FailedReadTest,
                         ::testing::Values(FailedRead{"Lookup", "NSFItemInfo", "Subject"},
                                           FailedRead{"Text", "NSFItemGetText", "Subject"},
                                           FailedRead{"ListCount", "NSFItemGetTextListEntries", "SendTo"},
                                           FailedRead{"ListEntry", "NSFItemGetTextListEntry", "SendTo"},
                                           FailedRead{"RichText", "EnumCompositeBuffer", ""},
                                           FailedRead{"Translation", "OSTranslate", ""},
                                           FailedRead{"Date", "NSFItemGetTime", "DeliveredDate"},
                                           FailedRead{"DateText", "ConvertTIMEDATEToText", ""},
                                           FailedRead{"CreationTime", "NSFNoteGetInfo", "", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// Another document's files of the same name are there already (its mail may be gone); a check
// whether a name is free that fails must not take the name for free.
TEST_F(RunFaultsTest, FailedExistenceCheckNeverWritesOverAnotherDocumentsFiles) {
    archive.Write("Inbox\\A.htm", "the earlier page");
    archive.Write("Inbox\\_Attachments~\\A\\x.txt", "the earlier attachment");
    const NOTEID a = Mail("A").Attachment("x.txt", Content("new")).Id();
    Select({a});
    Arm();
    fileops::Ops().stat = [](const char* path, struct stat* st) {
        const std::string p = path;
        for (const char* name : {"/A.htm", "/x.txt"})
            if (p.size() >= std::strlen(name) && p.compare(p.size() - std::strlen(name), std::string::npos, name) == 0)
                return errno = EIO, -1;
        return fileops::RealFileOps().stat(path, st);
    };

    EXPECT_FALSE(stowline::RunExport(job));
    EXPECT_EQ(job.ErrorText,
              "Unable to find out whether the output file \"" + archive.Win("Inbox\\A.htm") + "\" exists");
    EXPECT_EQ(archive.Read("Inbox\\A.htm"), "the earlier page");
    EXPECT_EQ(archive.Read("Inbox\\_Attachments~\\A\\x.txt"), "the earlier attachment");
    EXPECT_FALSE(Deleted(a));
}

// Existence checks that all fail find no folder at all, not even the drive: nothing is written
// outside the base path (a folder path cut back to "Q:" would put attachments at the drive's root).
TEST_F(RunFaultsTest, FailingExistenceChecksWriteNothingOutsideTheBasePath) {
    testsupport::ScratchFolder drive("stowline-drive-");
    setenv("STOWLINE_DRIVE_Q", drive.Host().c_str(), 1);
    drive.Write("Base\\keep.txt", "x");
    job.BasePath = "Q:\\Base";
    const NOTEID a = Mail("A").Attachment("x.txt", Content("x")).Id();
    Select({a});
    Arm();
    fileops::Ops().stat = [](const char*, struct stat*) { return errno = EIO, -1; };
    fileops::Ops().opendir = [](const char*) -> DIR* { return errno = EIO, nullptr; };

    EXPECT_FALSE(stowline::RunExport(job));
    unsetenv("STOWLINE_DRIVE_Q");
    for (const auto& entry : drive.Tree()) EXPECT_EQ(entry.rfind("Base/", 0), 0u) << entry;
    EXPECT_FALSE(Deleted(a));
}

// The selection's scan cut short, and deletions that Notes refuses, are told: the documents
// concerned are still in the database.
TEST_F(RunFaultsTest, SelectionCutShortIsReported) {
    const NOTEID a = Mail("A").Id(), b = Mail("B").Id(), c = Mail("C").Id();
    Select({a, b, c});
    Arm();
    sim::InjectFault("IDScan", 2, ERR_NOACCESS);
    EXPECT_FALSE(stowline::RunExport(job));
    EXPECT_EQ(job.ErrorText, "The selection could not be read to its end; not all of its documents were archived.");
    EXPECT_TRUE(Deleted(a));
    EXPECT_FALSE(Deleted(b));
    EXPECT_FALSE(Deleted(c));
}

TEST_F(RunFaultsTest, RefusedDeletionIsReported) {
    const NOTEID a = Mail("A").Id(), b = Mail("B").Id(), c = Mail("C").Id();
    Select({a, b, c});
    Arm();
    sim::InjectFault("NSFNoteDelete", 1, ERR_NOACCESS, /*fromThenOn=*/true);
    EXPECT_FALSE(stowline::RunExport(job));
    EXPECT_EQ(job.ErrorText.rfind("3 document(s) were archived but could not be deleted (", 0), 0u) << job.ErrorText;
    EXPECT_EQ(archive.Tree(), (Tree{"Inbox/", "Inbox/A.htm", "Inbox/B.htm", "Inbox/C.htm"}));
    EXPECT_FALSE(Deleted(a));
}

}  // namespace
