// A run the user stops between two documents, through a progress that answers Cancel at a
// chosen step.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SimMail.h"
#include "export/RunExport.h"
#include "platform/RunProgress.h"

namespace {

using Tree = std::set<std::string>;

// Records what the run reports and answers Cancel from step `cancelAt` on (counted from 1;
// 0: never).
class ScriptedProgress final : public platform::RunProgress {
public:
    explicit ScriptedProgress(unsigned cancelAt) : cancelAt_(cancelAt) {}
    void Begin(const std::string& source, std::uint32_t total) override {
        begins.push_back(source + " " + std::to_string(total));
    }
    bool Step(std::uint32_t done, const std::string& subject) override {
        steps.push_back(std::to_string(done) + " " + subject);
        return cancelAt_ != 0 && steps.size() >= cancelAt_;
    }
    std::vector<std::string> begins;
    std::vector<std::string> steps;

private:
    unsigned cancelAt_;
};

struct CancelCase {
    const char* name;
    std::uint32_t source;
    bool armed;
    unsigned cancelAt;  // the step that answers Cancel; 0: none
};

class RunCancelTest : public exporttest::MailRunTest, public ::testing::WithParamInterface<CancelCase> {};
class CancelCountTest : public exporttest::MailRunTest {};

// Four documents; a cancel at step k leaves exactly the first k-1 archived (and deleted when
// armed) and the rest untouched.
TEST_P(RunCancelTest, StopsBetweenTwoDocuments) {
    const CancelCase& c = GetParam();
    const std::vector<std::string> subjects{"A", "B", "C", "D"};
    std::vector<NOTEID> ids;
    for (const auto& s : subjects) ids.push_back(Mail(s).Attachment(s + ".txt", exporttest::Content(s)).Id());
    if (c.source == stowline::kSourceView)
        Inbox(ids);
    else
        Select(ids);
    if (c.armed) Arm();
    ScriptedProgress progress(c.cancelAt);
    job.Progress = &progress;

    const bool finished = stowline::RunExport(job);

    const std::size_t archived = c.cancelAt == 0 ? subjects.size() : c.cancelAt - 1;
    EXPECT_EQ(finished, c.cancelAt == 0) << job.ErrorText;
    EXPECT_EQ(job.Cancelled, c.cancelAt != 0);
    if (c.cancelAt != 0) {
        EXPECT_EQ(job.ErrorText, "Archiving was cancelled; " + std::to_string(subjects.size() - archived) +
                                     " document(s) were not archived.");
        EXPECT_EQ(job.NotArchived, subjects.size() - archived);
    }
    Tree expected{"Inbox/"};
    for (std::size_t i = 0; i < archived; ++i) {
        if (i == 0) expected.insert("Inbox/_Attachments~/");
        expected.insert("Inbox/" + subjects[i] + ".htm");
        expected.insert("Inbox/_Attachments~/" + subjects[i] + "/");
        expected.insert("Inbox/_Attachments~/" + subjects[i] + "/" + subjects[i] + ".txt");
    }
    EXPECT_EQ(archive.Tree(), expected);
    for (std::size_t i = 0; i < ids.size(); ++i) EXPECT_EQ(Deleted(ids[i]), c.armed && i < archived) << subjects[i];

    EXPECT_EQ(progress.begins, (std::vector<std::string>{"Inbox 4"}));
    std::vector<std::string> steps;
    for (std::size_t i = 0; i < (c.cancelAt == 0 ? subjects.size() : c.cancelAt); ++i)
        steps.push_back(std::to_string(i) + " " + subjects[i]);
    EXPECT_EQ(progress.steps, steps);
}

INSTANTIATE_TEST_SUITE_P(Points, RunCancelTest,
                         ::testing::Values(CancelCase{"ViewBeforeTheFirst", stowline::kSourceView, true, 1},
                                           CancelCase{"ViewMidway", stowline::kSourceView, true, 3},
                                           CancelCase{"ViewBeforeTheLast", stowline::kSourceView, true, 4},
                                           CancelCase{"ViewNever", stowline::kSourceView, true, 0},
                                           CancelCase{"ViewMidwayNotArmed", stowline::kSourceView, false, 2},
                                           CancelCase{"SelectionBeforeTheFirst", stowline::kSourceSelection, true, 1},
                                           CancelCase{"SelectionMidway", stowline::kSourceSelection, true, 3},
                                           CancelCase{"SelectionBeforeTheLast", stowline::kSourceSelection, true, 4},
                                           CancelCase{"SelectionNever", stowline::kSourceSelection, true, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// A document listed under several categories counts once, in the total and in what a cancel
// leaves; one already archived is not counted again when it comes up after the cancel.
TEST_F(CancelCountTest, CancelInACategorisedViewCountsEachDocumentOnce) {
    const NOTEID a = Mail("A").Id(), b = Mail("B").Id(), c = Mail("C").Id();
    sim::AddView(*db, "ByCategory").Category().Entry(a).Category().Entry(b).Entry(c).Category().Entry(a).Entry(c);
    job.ViewName = "ByCategory";
    Arm();
    ScriptedProgress progress(2);
    job.Progress = &progress;

    EXPECT_FALSE(stowline::RunExport(job));
    EXPECT_EQ(job.ErrorText, "Archiving was cancelled; 2 document(s) were not archived.");
    EXPECT_EQ(progress.begins, (std::vector<std::string>{"ByCategory 3"}));
    EXPECT_EQ(archive.Tree(), (Tree{"ByCategory/", "ByCategory/A.htm"}));
    EXPECT_TRUE(Deleted(a));
    EXPECT_FALSE(Deleted(b));
    EXPECT_FALSE(Deleted(c));
}

// The documents of views a command leaves after a cancel are added to the count, and other
// findings of the cancelled run stay in the reason.
TEST_F(CancelCountTest, ViewsLeftAfterACancelAreCounted) {
    const NOTEID a = Mail("A").Id(), b = Mail("B").Id(), c = Mail("C").Id(), d = Mail("D").Id();
    Inbox({a, b});
    sim::AddFolder(*db, "Projects").Entries({c, d});
    sim::AddFolder(*db, "Projects\\2004").Entries({d});
    job.ErrorText = "Archiving was cancelled; 1 document(s) were not archived.\nanother finding";
    job.NotArchived = 1;

    stowline::CountViewsLeft(job, {"Projects", "Projects\\2004", "Missing"});
    EXPECT_EQ(job.NotArchived, 4u);
    EXPECT_EQ(job.ErrorText, "Archiving was cancelled; 4 document(s) were not archived.\nanother finding");
    EXPECT_FALSE(job.Database.isOpen);
    EXPECT_EQ(archive.Tree(), Tree{});
}

}  // namespace
