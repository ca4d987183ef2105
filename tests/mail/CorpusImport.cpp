// Every message of every corpus is read without a crash (run it under the sanitizers).
#include <gtest/gtest.h>

#include <chrono>

#include "MailTestSupport.h"
#include "sim/testing.h"
#include "sim/mail/Import.h"

namespace fs = std::filesystem;

namespace {

// Files of a corpus that are mail: everything but licences, notes and the expected outputs
// and decoded parts shipped beside the messages.
bool IsMailFile(const fs::path& path) {
  std::string name = path.filename().string();
  for (const char* skip : {"LICENSE", "NOTICE", "SOURCE.txt", "COPYING", "README", "MIT", "Apache-2.0",
                           ".gitattributes"})
    if (name.starts_with(skip)) return false;
  if (name.find("_decoded") != std::string::npos || name.ends_with("-summary.txt")) return false;
  for (const char* ext : {".json", ".xml", ".out", ".png", ".jpg", ".gif", ".pdf", ".wav", ".tiff", ".zip"})
    if (name.ends_with(ext)) return false;
  return true;
}

std::vector<fs::path> MailboxesOf(const std::string& set) {
  std::vector<fs::path> boxes;
  fs::path root = fs::path(mailtest::DataDir()) / set;
  for (fs::recursive_directory_iterator it(root), end; it != end; ++it) {
    if (it->is_directory() && fs::exists(it->path() / "cur")) {
      boxes.push_back(it->path());  // a Maildir is one mailbox
      it.disable_recursion_pending();
    } else if (it->is_regular_file() && IsMailFile(it->path())) {
      boxes.push_back(it->path());
    }
  }
  std::sort(boxes.begin(), boxes.end());
  return boxes;
}

}  // namespace

class CorpusImport : public ::testing::TestWithParam<std::string> {};

TEST_P(CorpusImport, EveryMessageImports) {
  std::vector<fs::path> boxes = MailboxesOf(GetParam());
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
                                           "mikel-mail", "mimekit", "php-mime-mail-parser",
                                           "stalwart-mail-parser"),
                         mailtest::ParamName);
