// The index's data file: what one run writes, the next run reads back unchanged, whatever
// bytes the mail's fields hold; and the search data's bounds.
#include <gtest/gtest.h>

#include <algorithm>

#include "index/IndexData.h"

namespace stowline {
namespace {

TEST(IndexData, RowsComeBackAsWritten) {
    const std::vector<IndexEntry> entries = {
        {"Plan ~b~&~.htm", "2004-03-05 09:07:03", "03/05/2004 09:07:03 AM", "\"Eve\" <eve@example.com>",
         "a \\ b \"c\" </script> \xE4\xDF", 2, "line\x01one\ttab \x7F end"},
        {"empty.htm", "", "", "", "", 0, ""},
    };
    const std::string text = FormatIndexEntries(entries);
    // One row a line; quotes, backslashes and control bytes escaped, other bytes as they are.
    EXPECT_NE(text.find("\"a \\\\ b \\\"c\\\" </script> \xE4\xDF\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"line\\x01one\\x09tab \\x7F end\""), std::string::npos) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 5);

    const auto back = ParseIndexEntries(text);
    ASSERT_EQ(back.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(back[i].file, entries[i].file);
        EXPECT_EQ(back[i].key, entries[i].key);
        EXPECT_EQ(back[i].date, entries[i].date);
        EXPECT_EQ(back[i].from, entries[i].from);
        EXPECT_EQ(back[i].subject, entries[i].subject);
        EXPECT_EQ(back[i].attachments, entries[i].attachments);
        EXPECT_EQ(back[i].words, entries[i].words);
    }

    const std::vector<IndexFolder> folders = {{"Projects\\Alpha", 12, "2014-03-16 15:11:45", "03/16/2014"}};
    const auto foldersBack = ParseIndexFolders(FormatIndexFolders(folders));
    ASSERT_EQ(foldersBack.size(), 1u);
    EXPECT_EQ(foldersBack[0].path, "Projects\\Alpha");
    EXPECT_EQ(foldersBack[0].pages, 12u);
    EXPECT_EQ(foldersBack[0].newestKey, "2014-03-16 15:11:45");
}

// A file damaged by hand or cut short: the rows that are whole are kept, the rest passed over.
TEST(IndexData, DamagedLinesArePassedOver) {
    const std::string good = "[\"a.htm\",\"k\",\"d\",\"f\",\"s\",1,\"w\"],";
    const std::string text = "var stowlineRows = [\r\n" + good + "\r\n" +
                             "[\"b.htm\",\"k\",\"d\",\"f\",\"s\",1],\r\n"            // a value short
                             "[\"c.htm\",\"k\",\"d\",\"f\",\"s\",\"1\",\"w\"],\r\n"  // a count as text
                             "[\"d.htm\",\"k\\q\",\"d\",\"f\",\"s\",1,\"w\"],\r\n"   // an unknown escape
                             "[\"e.htm\",\"k\",\"d\",\"f\",\"s\",1,\"w],\r\n"        // an open string
                             "[\"f.htm\",\"k\",\"d\",\"f\",\"s\",1,\"w\"]\r\n"       // no comma: cut short
                             + good + "\r\n];\r\n";
    const auto rows = ParseIndexEntries(text);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].file, "a.htm");
    EXPECT_EQ(rows[0].attachments, 1u);
    EXPECT_TRUE(ParseIndexFolders(text).empty());
}

TEST(IndexData, LeadingWordsAreDistinctAndBounded) {
    struct Case {
        const char* text;
        std::size_t words, bytes;
        const char* expected;
    };
    const Case cases[] = {
        {"  one\r\n\ttwo  three ", 10, 100, "one two three"},
        {"one two three four", 2, 100, "one two"},
        {"one two three four", 10, 8, "one two"},  // a word that does not fit is left out whole
        // Each word once, in the order of its first use; only new words count against the bounds.
        {"the cat and the hat and the cat sat", 4, 100, "the cat and hat"},
        {"to be or not to be", 10, 12, "to be or not"},
        {"Report report REPORT", 10, 100, "Report report REPORT"},
        {"", 10, 100, ""},
        {"\x01\x02 \x7F", 10, 100, ""},
        {"Gr\xFC\xDF"
         "e caf\xE9",
         10, 100,
         "Gr\xFC\xDF"
         "e caf\xE9"},
    };
    for (const auto& c : cases) EXPECT_EQ(LeadingWords(c.text, c.words, c.bytes), c.expected) << c.text;
}

}  // namespace
}  // namespace stowline
