// The stand-in's LMBCS converter against ICU's "LMBCS-1", compared on decoded text.
#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <cstring>
#include <string>
#include <vector>

#include "sim/Lmbcs.h"
#include "support/StandInFixture.h"

namespace {

std::string IcuConvert(const char* to, const char* from, const std::string& in) {
    UErrorCode err = U_ZERO_ERROR;
    std::string out(in.size() * 4 + 16, '\0');
    const int32_t n = ucnv_convert(to, from, out.data(), static_cast<int32_t>(out.size()), in.data(),
                                   static_cast<int32_t>(in.size()), &err);
    EXPECT_TRUE(U_SUCCESS(err)) << u_errorName(err);
    out.resize(n > 0 ? n : 0);
    return out;
}

std::string IcuLmbcsToUtf8(const std::string& lmbcs) { return IcuConvert("UTF-8", "LMBCS-1", lmbcs); }
std::string IcuUtf8ToLmbcs(const std::string& utf8) { return IcuConvert("LMBCS-1", "UTF-8", utf8); }

struct Case {
    const char* what;
    const char* utf8;
    // Whether to read ICU's own encoding too: for CJK ICU picks a double-byte group, which the
    // stand-in does not decode, and U+0100 it maps lossily to a fallback character.
    bool readIcuEncoding;
};

const Case kCases[] = {
    {"ASCII", "Hello, world! 0123", true},
    {"CP850 letters", "caf\xC3\xA9 \xC3\xBC \xC3\x9F \xC3\x85ngstr\xC3\xB6m \xC3\x91", true},
    {"euro sign", "\xE2\x82\xAC 10", true},
    {"Cyrillic", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", true},
    {"Greek, not in Windows-1252", "\xCE\xA9\xCE\xB1", true},
    {"typographic quotes", "\xE2\x80\x9Ctest\xE2\x80\x9D", true},
    {"CJK", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", false},
    {"U+0100: zero low byte", "\xC4\x80", false},
    {"C0 control and line breaks",
     "a\x01"
     "b\tc\r\nd",
     true},
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const Case& c, std::ostream* os) { *os << c.what; }

std::vector<Case> IcuReadableCases() {
    std::vector<Case> out;
    for (const Case& c : kCases)
        if (c.readIcuEncoding) out.push_back(c);
    return out;
}

class LmbcsEncode : public sim::CleanEngineTest, public ::testing::WithParamInterface<Case> {};
class LmbcsDecode : public sim::CleanEngineTest, public ::testing::WithParamInterface<Case> {};

TEST_P(LmbcsEncode, OursEncodesWhatIcuDecodes) {
    const Case& c = GetParam();
    EXPECT_EQ(IcuLmbcsToUtf8(sim::Utf8ToLmbcs(c.utf8)), c.utf8) << c.what;
}

TEST_P(LmbcsDecode, OursDecodesWhatIcuEncodes) {
    const Case& c = GetParam();
    const std::string icu = IcuUtf8ToLmbcs(c.utf8);
    ASSERT_EQ(IcuLmbcsToUtf8(icu), c.utf8) << "ICU does not round-trip " << c.what;
    EXPECT_EQ(sim::LmbcsToUtf8(icu), c.utf8) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Characters, LmbcsEncode, ::testing::ValuesIn(kCases));
INSTANTIATE_TEST_SUITE_P(Characters, LmbcsDecode, ::testing::ValuesIn(IcuReadableCases()));

TEST(LmbcsBytes, GroupOneIsCodePage850AndUnicodeUsesTheF6Rule) {
    EXPECT_EQ(sim::Utf8ToLmbcs("\xC3\xA9"), "\x82");  // é
    EXPECT_EQ(sim::Utf8ToLmbcs("\xC4\x80"), std::string("\x14\xF6\x01", 3));
    EXPECT_EQ(sim::LmbcsToUtf8(std::string("\x01\x82", 2)), "\xC3\xA9");
    EXPECT_EQ(sim::LmbcsToUtf8(std::string("\x0F\x21", 2)), "\x01");
}

TEST(LmbcsNative, Windows1252BothWaysAndUnmappableAsQuestionMark) {
    // CP1252 0x80 is the euro sign, 0xE9 é; Cyrillic has no CP1252 byte.
    EXPECT_EQ(sim::LmbcsToUtf8(sim::NativeToLmbcs("\x80\xE9")), "\xE2\x82\xAC\xC3\xA9");
    EXPECT_EQ(sim::LmbcsToNative(sim::Utf8ToLmbcs("\xE2\x82\xAC\xC3\xA9\xD0\x9F")), "\x80\xE9?");
}

class OSTranslateTest : public sim::CleanEngineTest {};

TEST_F(OSTranslateTest, HonoursTheOutputLimitOnCharacterBoundaries) {
    const std::string native =
        "a\x80"
        "b";  // the euro needs three LMBCS bytes
    char out[8];
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(OSTranslate(OS_TRANSLATE_NATIVE_TO_LMBCS, native.data(), 3, out, 3), 1);
    EXPECT_EQ(out[0], 'a');
    EXPECT_EQ(out[1], '\0');
    EXPECT_EQ(out[4], 'x');
    const WORD n = OSTranslate(OS_TRANSLATE_NATIVE_TO_LMBCS, native.data(), 3, out, 8);
    char back[8];
    EXPECT_EQ(OSTranslate(OS_TRANSLATE_LMBCS_TO_NATIVE, out, n, back, sizeof back), 3);
    EXPECT_EQ(std::string(back, 3), native);
}

// Plain ASCII is copied as it is by every mode; any other control character still takes the
// LMBCS control group, whichever way the text goes.
TEST_F(OSTranslateTest, CopiesOnlyTextThatIsTheSameInEveryEncoding) {
    struct Row {
        WORD mode;
        std::string in, out;
    };
    const Row rows[] = {
        {OS_TRANSLATE_NATIVE_TO_LMBCS, "To: a@b\r\n\tc\x7f", "To: a@b\r\n\tc\x7f"},
        {OS_TRANSLATE_LMBCS_TO_NATIVE, "To: a@b\r\n\tc\x7f", "To: a@b\r\n\tc\x7f"},
        {24, "To: a@b\r\n", "To: a@b\r\n"},
        {OS_TRANSLATE_NATIVE_TO_LMBCS,
         "a\x01"
         "b",
         "a\x0F\x21"
         "b"},
        {24, "a\x1b", "a\x0F\x3B"},
        {OS_TRANSLATE_LMBCS_TO_NATIVE,
         "a\x0F\x21"
         "b",
         "a\x01"
         "b"},
        // Longer text is looked at eight bytes at a time: line breaks and tabs anywhere in it
        // still pass, another control character fails it wherever it stands.
        {OS_TRANSLATE_NATIVE_TO_LMBCS, "Subject: one line\r\n\tand a tab\x7f", "Subject: one line\r\n\tand a tab\x7f"},
        {OS_TRANSLATE_NATIVE_TO_LMBCS, "seven b\x01 and more", "seven b\x0F\x21 and more"},
        {OS_TRANSLATE_NATIVE_TO_LMBCS, "sixteen bytes ok\x1b tail", "sixteen bytes ok\x0F\x3B tail"},
        {OS_TRANSLATE_NATIVE_TO_LMBCS, "twenty four bytes, then\x01", "twenty four bytes, then\x0F\x21"},
    };
    for (const Row& row : rows) {
        char out[64];
        const WORD n = OSTranslate(row.mode, row.in.data(), static_cast<WORD>(row.in.size()), out, sizeof out);
        EXPECT_EQ(std::string(out, n), row.out) << row.mode << ": " << row.in;
    }
    EXPECT_EQ(sim::Utf8ToLmbcs("a\x01"
                               "b"),
              "a\x0F\x21"
              "b");
    EXPECT_EQ(sim::LmbcsToNative("a\x0F\x21"
                                 "b"),
              "a\x01"
              "b");
}

}  // namespace
