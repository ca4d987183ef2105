#include "platform/posix/ProfileText.h"

#include <gtest/gtest.h>

namespace pt = platform::profile;

namespace {

const std::string kFile =
    "[Other]\r\n"
    "BasePath=wrong section\r\n"
    "  [ Stowline Settings ]  \r\n"
    "  BasePath =  C:\\Archive  \r\n"
    "Quoted=\"  kept blanks  \"\r\n"
    "Single='x'\r\n"
    "Mismatched=\"x'\r\n"
    "Lone=\"\r\n"
    "Empty=\r\n"
    "Twice=first\r\n"
    "twice=second\r\n"
    "Eq=a=b\r\n"
    "[stowline settings]\r\n"
    "Later=in a repeated section\r\n";

TEST(ProfileText, LookupAsGetPrivateProfileString) {
    struct Case {
        const char* section;
        const char* key;
        const char* def;
        std::size_t buffer;
        const char* expected;
    };
    const Case cases[] = {
        {"Stowline Settings", "BasePath", "", 100, "C:\\Archive"},
        {"STOWLINE SETTINGS", "basepath", "", 100, "C:\\Archive"},
        {"Stowline Settings", "Quoted", "", 100, "  kept blanks  "},
        {"Stowline Settings", "Single", "", 100, "x"},
        {"Stowline Settings", "Mismatched", "", 100, "\"x'"},
        {"Stowline Settings", "Lone", "", 100, "\""},
        {"Stowline Settings", "Empty", "dflt", 100, ""},
        {"Stowline Settings", "Twice", "", 100, "first"},
        {"Stowline Settings", "Eq", "", 100, "a=b"},
        {"Stowline Settings", "Later", "none", 100, "none"},  // only the first section counts
        {"Stowline Settings", "Missing", "dflt  ", 100, "dflt"},
        {"Nowhere", "BasePath", "", 100, ""},
        {"Stowline Settings", "BasePath", "", 5, "C:\\A"},
        {"Stowline Settings", "BasePath", "", 1, ""},
        {"Stowline Settings", "Missing", "abcdef", 4, "abc"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(pt::Lookup(kFile, c.section, c.key, c.def, c.buffer), c.expected)
            << c.section << "/" << c.key << " buffer " << c.buffer;
}

TEST(ProfileText, UpdateRewritesAddsAndAppends) {
    struct Case {
        std::string content, section, key, value, expected;
    };
    const Case cases[] = {
        {"", "S", "K", "v", "[S]\r\nK=v\r\n"},
        {"[s]\r\n k = old \r\nX=1\r\n", "S", "K", "new", "[s]\r\nk=new\r\nX=1\r\n"},
        {"[S]\r\nA=1\r\n\r\n[T]\r\nB=2\r\n", "S", "C", "3", "[S]\r\nA=1\r\nC=3\r\n\r\n[T]\r\nB=2\r\n"},
        {"[S]\nA=1\n", "T", "B", "2", "[S]\nA=1\n\n[T]\nB=2\n"},
        {"[S]\r\nA=1", "S", "A", "", "[S]\r\nA=\r\n"},
    };
    for (const auto& c : cases) {
        const std::string out = pt::Update(c.content, c.section, c.key, c.value);
        EXPECT_EQ(out, c.expected) << c.content;
        EXPECT_EQ(pt::Lookup(out, c.section, c.key, "?", 100), c.value) << c.content;
    }
}

}  // namespace
