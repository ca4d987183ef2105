// Mailboxes listed and read: mbox files streamed in pieces whatever their size, folders of
// message files with their subfolders, and nothing read that is not a regular file inside.
#include <gtest/gtest.h>

#include "support/ScratchFolder.h"

#include <sys/stat.h>

#include <fstream>
#include <thread>

#include "sim/mail/Mailbox.h"

namespace fs = std::filesystem;

namespace {

class MailboxRead : public ::testing::Test {
protected:
    fs::path Write(const std::string& name, const std::string& bytes) {
        fs::path path = dir_ / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    struct Seen {
        std::string source, folder, bytes;
    };
    static std::vector<Seen> ReadAll(sim::mail::Mailbox& box) {
        std::vector<Seen> seen;
        box.ForEach([&](const sim::mail::MessageLocation& at, std::string_view bytes) {
            std::string again;
            EXPECT_TRUE(box.Read(at, again));
            EXPECT_EQ(again, bytes) << "read again from its location";
            seen.push_back({box.Source(at), box.Folder(at), std::string(bytes)});
        });
        return seen;
    }
    testsupport::ScratchFolder scratch_{"mailbox-"};
    const fs::path dir_ = scratch_.Host();
};

// Messages of many sizes, some larger than what is read at once, so that separators and
// messages fall across every kind of boundary.
TEST_F(MailboxRead, AnMboxOfAnySizeSplitsAtItsFromLines) {
    std::vector<std::string> messages;
    std::string mbox;
    std::mt19937 random(7);
    for (int i = 0; i < 60; ++i) {
        size_t size = i % 9 == 0 ? (1u << 20) + random() % 5000 : random() % 70000;
        std::string body = "Subject: " + std::to_string(i) + "\n\n";
        while (body.size() < size) body += "line of text, From nowhere >From quoted\n";
        if (i == 5) body = "";  // two "From " lines in a row: an empty message between them
        messages.push_back(body + "\n");
        mbox += "From sender@example.org Mon Jan  2 10:00:00 2023\n" + messages.back();
    }
    messages.back().pop_back();  // the file ends without a blank line
    mbox.pop_back();
    sim::mail::Mailbox box(Write("big.mbox", mbox));
    auto seen = ReadAll(box);
    ASSERT_EQ(seen.size(), messages.size());
    for (size_t i = 0; i < messages.size(); ++i) {
        EXPECT_TRUE(seen[i].bytes == messages[i]) << "message " << i << ": " << seen[i].bytes.size() << " bytes";
        EXPECT_EQ(seen[i].source, (dir_ / "big.mbox").string() + "#" + std::to_string(i + 1));
    }
    EXPECT_TRUE(box.Problems().empty());
}

TEST_F(MailboxRead, AFolderOfMessageFilesNestsItsSubfoldersAndPassesOverWhatIsNoFile) {
    Write("mail/b.eml", "Subject: b\n\nb\n");
    Write("mail/a.eml", "Subject: a\n\na\n");
    Write("mail/.hidden", "Subject: hidden\n\nh\n");
    Write("mail/Office/Plans/c.eml", "Subject: c\n\nc\n");
    Write("mail/Lists/cur/d", "Subject: d\n\nd\n");  // a Maildir inside
    Write("mail/Lists/.Dev/new/e", "Subject: e\n\ne\n");
    Write("outside.eml", "Subject: outside\n\no\n");
    fs::create_symlink(dir_ / "outside.eml", dir_ / "mail/link.eml");
    fs::create_directory_symlink(dir_, dir_ / "mail/Loop");
    ASSERT_EQ(::mkfifo((dir_ / "mail/pipe.eml").c_str(), 0600), 0);

    sim::mail::Mailbox box(dir_ / "mail");
    std::vector<std::pair<std::string, std::string>> got;
    for (const Seen& s : ReadAll(box)) got.emplace_back(s.folder, s.bytes.substr(9, 1));
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"", "a"}, {"", "b"}, {"Lists", "d"}, {"Lists\\Dev", "e"}, {"Office\\Plans", "c"}};
    EXPECT_EQ(got, expected);
    std::string problems;
    for (const auto& p : box.Problems()) problems += p + "\n";
    for (const char* passed : {"link.eml", "Loop", "pipe.eml"})
        EXPECT_NE(problems.find(passed), std::string::npos) << problems;
}

// A mailbox that shrinks or loses a file after it was listed: what is still there whole reads
// again, what is not fails the read rather than giving part of a message.
TEST_F(MailboxRead, AMessageCutOffAfterListingIsNotReadAgain) {
    const std::string first = "Subject: one\n\nfirst\n", second = "Subject: two\n\nsecond message\n";
    fs::path mbox =
        Write("box.mbox", "From a Mon Jan  2 10:00:00 2023\n" + first + "From a Mon Jan  2 10:00:00 2023\n" + second);
    Write("folder/a.eml", first);
    sim::mail::Mailbox box(mbox), folder(dir_ / "folder");
    std::vector<sim::mail::MessageLocation> inBox, inFolder;
    box.ForEach([&](const sim::mail::MessageLocation& at, std::string_view) { inBox.push_back(at); });
    folder.ForEach([&](const sim::mail::MessageLocation& at, std::string_view) { inFolder.push_back(at); });
    ASSERT_EQ(inBox.size(), 2u);
    ASSERT_EQ(inFolder.size(), 1u);

    fs::resize_file(mbox, fs::file_size(mbox) - 4);
    fs::remove(dir_ / "folder/a.eml");
    std::string bytes;
    EXPECT_TRUE(box.Read(inBox[0], bytes));
    EXPECT_EQ(bytes, first);
    EXPECT_FALSE(box.Read(inBox[1], bytes));
    EXPECT_FALSE(folder.Read(inFolder[0], bytes));
}

// Documents are read again on two threads at once, from files in turn: each read gets its own
// message, whichever file the other thread has just opened.
TEST_F(MailboxRead, ReadsOnSeveralThreadsGetTheirOwnMessages) {
    std::string mbox;
    for (int i = 0; i < 20; ++i)
        mbox +=
            "From a Mon Jan  2 10:00:00 2023\nSubject: " + std::to_string(i) + "\n\nbody " + std::string(i, 'x') + "\n";
    Write("box/in.mbox", mbox);
    Write("box/one.eml", "Subject: one\n\nthe single message\n");
    sim::mail::Mailbox box(dir_ / "box");
    std::vector<sim::mail::MessageLocation> where;
    std::vector<std::string> expected;
    box.ForEach([&](const sim::mail::MessageLocation& at, std::string_view bytes) {
        where.push_back(at);
        expected.emplace_back(bytes);
    });
    ASSERT_EQ(where.size(), 21u);
    std::vector<int> wrong(2, 0);
    auto readAll = [&](int thread) {
        std::string bytes;
        for (int round = 0; round < 50; ++round)
            for (size_t k = 0; k < where.size(); ++k) {
                size_t i = (k * 7 + static_cast<size_t>(thread) * 3 + static_cast<size_t>(round)) % where.size();
                if (!box.Read(where[i], bytes) || bytes != expected[i]) ++wrong[thread];
            }
    };
    std::thread other(readAll, 1);
    readAll(0);
    other.join();
    EXPECT_EQ(wrong[0], 0);
    EXPECT_EQ(wrong[1], 0);
}

}  // namespace
