// Every message of every corpus is read without a crash (run it under the sanitizers).
#include <gtest/gtest.h>

#include <chrono>

#include "MailTestSupport.h"
#include "support/StandInFixture.h"
#include "sim/mail/Import.h"

namespace fs = std::filesystem;

class CorpusImport : public ::testing::TestWithParam<std::string> {};

TEST_P(CorpusImport, EveryMessageImports) {
    std::vector<fs::path> boxes = mailtest::MailboxesOf(GetParam());
    ASSERT_FALSE(boxes.empty());
    sim::Reset();
    sim::Database& db = sim::CreateDatabase("corpus.nsf");
    auto started = std::chrono::steady_clock::now();
    sim::mail::ImportSummary summary = sim::mail::Import(db, boxes);
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    EXPECT_GT(summary.messages, 0u);
    // Every problem names a file of the set.
    for (const std::string& problem : summary.problems) EXPECT_NE(problem.find(GetParam()), std::string::npos);
    std::cout << "| " << GetParam() << " | " << summary.messages << " | " << summary.attachments << " | "
              << summary.bytes << " | " << summary.duplicates << " | " << summary.skipped << " | " << ms << " ms |\n";
    SIM_EXPECT_CLEAN();
    sim::Reset();
}

INSTANTIATE_TEST_SUITE_P(Sets, CorpusImport,
                         ::testing::Values("apache-spamassassin", "enmime", "james-mime4j", "mailgun-flanker",
                                           "mikel-mail", "mimekit", "php-mime-mail-parser", "stalwart-mail-parser"),
                         mailtest::ParamName);
