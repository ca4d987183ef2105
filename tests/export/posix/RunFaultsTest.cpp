// The export run when the disk or Notes lets it down, and the order of its deletions.
#include <gtest/gtest.h>

#include <cerrno>
#include <algorithm>
#include <filesystem>

#include "SimMail.h"
#include "export/RunExport.h"
#include "platform/posix/FileOps.h"
#include "posix/NotesCalls.h"
#include "sim/Time.h"

namespace {

using exporttest::Calls;
using exporttest::Content;
using Log = std::vector<std::string>;
using Tree = std::set<std::string>;
namespace fileops = platform::posix;

std::string Id(NOTEID id) { return std::to_string(id); }

class RunFaultsTest : public exporttest::MailRunTest {
protected:
    void SetUp() override {
        MailRunTest::SetUp();
        exporttest::ResetCalls();
    }
    void TearDown() override {
        exporttest::ResetCalls();
        MailRunTest::TearDown();
    }
    fileops::ScopedFileOps restoreFileOps;
};

TEST_F(RunFaultsTest, EachDocumentIsDeletedAfterItsSuccessorOpened) {
    const NOTEID a = Mail("A").Id(), b = Mail("B").Id(), c = Mail("C").Id();
    Select({a, b, c});
    Arm();
    ASSERT_TRUE(stowline::RunExport(job)) << job.ErrorText;
    EXPECT_EQ(Calls().log, (Log{"open " + Id(a), "open " + Id(b), "delete " + Id(a), "open " + Id(c),
                                "delete " + Id(b), "delete " + Id(c)}));
    EXPECT_EQ(archive.Tree(), (Tree{"Inbox/", "Inbox/A.htm", "Inbox/B.htm", "Inbox/C.htm"}));
}

// A page removed by someone else between writing and the deletion check keeps its mail.
TEST_F(RunFaultsTest, MissingPageKeepsItsDocument) {
    const NOTEID a = Mail("A").Id(), b = Mail("B").Id();
    Select({a, b});
    Arm();
    Calls().beforeOpen = [&](NOTEID id) {
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
    Calls().beforeOpen = [&](NOTEID id) {
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

class PageWriteFaultTest : public RunFaultsTest, public ::testing::WithParamInterface<WriteFault> {};

// A $FILE lookup that fails for another reason than "no further item" hides the
// attachments, it does not prove there are none: the page is written, the mail stays.
TEST_F(RunFaultsTest, AttachmentLookupThatFailsKeepsTheDocument) {
    const NOTEID a = Mail("A").Attachment("x.txt", Content("x")).Id();
    const NOTEID b = Mail("B").Attachment("y.txt", Content("y")).Id();
    Select({a, b});
    Arm();
    Calls().beforeOpen = [&](NOTEID id) { Calls().fileLookupFault = id == a ? ERR_NOACCESS : 0; };
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
    Calls().beforeOpen = [&](NOTEID id) {
        if (id != b) return;
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
    };
    EXPECT_FALSE(stowline::RunExport(job));
    EXPECT_EQ(job.ErrorText, "Unable to write output file \"" + archive.Win("Inbox\\B.htm") + "\"");
    EXPECT_TRUE(Deleted(a));
    EXPECT_FALSE(Deleted(b));
    EXPECT_FALSE(Deleted(c));
    EXPECT_EQ(std::count(Calls().log.begin(), Calls().log.end(), "open " + Id(c)), 0);
}

INSTANTIATE_TEST_SUITE_P(DiskFaults, PageWriteFaultTest,
                         ::testing::Values(WriteFault{"DiskFull", true}, WriteFault{"FailingClose", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// A file time that cannot be set is no reason to stop or to keep the mail.
TEST_F(RunFaultsTest, FileTimeThatCannotBeSetIsIgnored) {
    const NOTEID a = Mail("A").Time("DeliveredDate", sim::TimeDateFromUnix(1078495623)).Id();
    Select({a});
    Arm();
    fileops::Ops().utimensat = [](int, const char*, const struct timespec*, int) {
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
    Calls().beforeOpen = [&](NOTEID id) { Calls().convertThrows = id == b; };
    bool result = true;
    EXPECT_NO_THROW(result = stowline::RunExport(job));
    EXPECT_FALSE(result);
    EXPECT_EQ(job.ErrorText.rfind("GetFieldText Error at field CopyTo: ", 0), 0u) << job.ErrorText;
    EXPECT_TRUE(Deleted(a));
    EXPECT_FALSE(Deleted(b));
}

}  // namespace
