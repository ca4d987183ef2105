#include "platform/WindowsPath.h"

#include <gtest/gtest.h>

namespace wp = platform::winpath;
using wp::PathError;

namespace {

struct NameCase {
    const char* name;
    bool wildcards;
    PathError expected;
};

TEST(WindowsNames, RefusesWhatWindowsRefuses) {
    const NameCase cases[] = {
        {"Report 2024.htm", false, PathError::None},
        {"a*b", false, PathError::InvalidCharacter},
        {"a*b", true, PathError::None},
        {"a?b", true, PathError::None},
        {"a:b", true, PathError::InvalidCharacter},
        {"say \"hi\"", false, PathError::InvalidCharacter},
        {"a<b>c", false, PathError::InvalidCharacter},
        {"a|b", false, PathError::InvalidCharacter},
        {"tab\there", false, PathError::InvalidCharacter},
        {"\x1f", false, PathError::InvalidCharacter},
        {"caf\xe9", false, PathError::None},
        {"CON", false, PathError::ReservedName},
        {"nul.txt", false, PathError::ReservedName},
        {"Com1 .log", false, PathError::ReservedName},
        {"lpt9", false, PathError::ReservedName},
        {"aux.tar.gz", false, PathError::ReservedName},
        {"COM0", false, PathError::None},
        {"LPT10", false, PathError::None},
        {"CONSOLE", false, PathError::None},
        {"xcon", false, PathError::None},
    };
    for (const auto& c : cases) EXPECT_EQ(wp::CheckName(c.name, c.wildcards), c.expected) << c.name;
}

TEST(WindowsNames, TrailingDotsAndBlanksAreDropped) {
    const std::pair<const char*, const char*> cases[] = {
        {"name. .", "name"}, {"a.b", "a.b"}, {" lead", " lead"}, {"...", ""}, {"x ", "x"}};
    for (const auto& [in, out] : cases) EXPECT_EQ(wp::TrimTrailingDotsAndSpaces(in), out) << in;
}

TEST(WindowsNames, WildcardsMatchAsFindFirstFileDoes) {
    struct Case {
        const char* pattern;
        const char* name;
        bool match;
    };
    const Case cases[] = {
        {"*", "anything", true}, {"*.htm", "Mail.HTM", true}, {"*.htm", "mail.html", false}, {"m?il", "mail", true},
        {"m?il", "mil", false},  {"a*b*c", "aXXbYYc", true},  {"a*b*c", "aXXbYY", false},    {"INBOX", "inbox", true},
        {"", "", true},          {"*x", "xxx", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(wp::WildcardMatch(c.pattern, c.name), c.match) << c.pattern << " ~ " << c.name;
}

TEST(WindowsPaths, ParseNormalisesAsTheWin32PathLayer) {
    struct Case {
        const char* path;
        char drive;
        bool rooted;
        bool trailing;
        std::vector<std::string> components;
    };
    const Case cases[] = {
        {"C:\\Archive\\Inbox", 'C', true, false, {"Archive", "Inbox"}},
        {"d:/mixed\\seps//x", 'D', true, false, {"mixed", "seps", "x"}},
        {"C:\\", 'C', true, true, {}},
        {"C:\\Archive\\", 'C', true, true, {"Archive"}},
        {"C:\\a\\.\\b\\..\\c", 'C', true, false, {"a", "c"}},
        {"C:\\..\\..\\a", 'C', true, false, {"a"}},
        {"C:\\Mail. \\Note . ", 'C', true, false, {"Mail", "Note"}},
        {"\\tmp\\x", 0, true, false, {"tmp", "x"}},
        {"rel\\..\\..\\up", 0, false, false, {"..", "up"}},
        {"C:rel", 'C', true, false, {"rel"}},
    };
    for (const auto& c : cases) {
        const auto p = wp::ParseWindowsPath(c.path);
        EXPECT_EQ(p.error, PathError::None) << c.path;
        EXPECT_EQ(p.drive, c.drive) << c.path;
        EXPECT_EQ(p.rooted, c.rooted) << c.path;
        EXPECT_EQ(p.trailingSeparator, c.trailing) << c.path;
        EXPECT_EQ(p.components, c.components) << c.path;
    }
}

TEST(WindowsPaths, RefusedPaths) {
    const std::string longName(250, 'n');
    struct Case {
        std::string path;
        bool wildcards;
        PathError expected;
    };
    const Case cases[] = {
        {"", false, PathError::Empty},
        {"\\\\server\\share\\x", false, PathError::Unsupported},
        {"\\\\?\\C:\\x", false, PathError::Unsupported},
        {"C:\\a\\CON\\b", false, PathError::ReservedName},
        {"C:\\a\\x:y", false, PathError::InvalidCharacter},
        {"C:\\a*\\b", true, PathError::InvalidCharacter},  // wildcards only in the last name
        {"C:\\a\\b*", true, PathError::None},
        {"C:\\a\\b*", false, PathError::InvalidCharacter},
        {"C:\\" + longName, false, PathError::None},
        {"C:\\" + longName + "\\12345", false, PathError::None},      // 259 characters
        {"C:\\" + longName + "\\123456", false, PathError::TooLong},  // 260
    };
    for (const auto& c : cases) EXPECT_EQ(wp::ParseWindowsPath(c.path, c.wildcards).error, c.expected) << c.path;
}

}  // namespace
