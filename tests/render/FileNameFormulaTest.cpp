#include "render/FileNameFormula.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

namespace stowline {
namespace {

const std::string kUnid = "0123456789ABCDEF0123456789ABCDEF";
const std::string kSubject45 = "Quarterly figures for the northern sales team";

// Word values of a fixed document; the time shows the pattern it was asked for.
class FixedWords : public FormulaWords {
public:
    std::map<std::string, std::string> fields{{"Subject", kSubject45}};
    mutable std::vector<std::string> fieldsRead;

    std::string FieldText(const std::string& field) const override {
        fieldsRead.push_back(field);
        auto it = fields.find(field);
        return it == fields.end() ? std::string() : it->second;
    }
    std::string TimeText(const std::string& pattern) const override { return "<" + pattern + ">"; }
    std::string UniversalId() const override { return kUnid; }
};

struct FormulaCase {
    std::string formula;
    std::string value;  // expected value when valid
    bool valid;
    std::size_t errorShown;  // when invalid: how many characters of the formula the message shows
};

std::ostream& operator<<(std::ostream& out, const FormulaCase& c) { return out << c.formula; }

class FormulaCases : public ::testing::TestWithParam<FormulaCase> {};

TEST_P(FormulaCases, ValueOrErrorMessage) {
    const FormulaCase& c = GetParam();
    FixedWords words;
    std::string value = "stale";
    std::string error;
    const bool ok = EvaluateFormula(words, c.formula, value, error);
    ASSERT_EQ(ok, c.valid) << error;
    if (c.valid) {
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(error, "");
    } else {
        EXPECT_EQ(value, "");
        EXPECT_EQ(error, "Invalid Evaluate String Error: " + c.formula.substr(0, c.errorShown));
    }
}

const std::string kStandard = "Left(Text(\"Subject\"),30) + \" \" + UNID";

INSTANTIATE_TEST_SUITE_P(
    Values, FormulaCases,
    ::testing::Values(
        FormulaCase{"", "", true, 0}, FormulaCase{kStandard, kSubject45.substr(0, 30) + " " + kUnid, true, 0},
        FormulaCase{"UNID", kUnid, true, 0}, FormulaCase{"MTime", "<y-m-d_hn_s>", true, 0},
        FormulaCase{"MTime(\"y.m.d\")", "<y.m.d>", true, 0}, FormulaCase{"MTime(\"y\",\"m\")", "<y>", true, 0},
        FormulaCase{"\"a\"\"b\"", "ab", true, 0}, FormulaCase{"\"a\" + \"b\"", "ab", true, 0},
        FormulaCase{"\"a\"UNID", "a" + kUnid, true, 0}, FormulaCase{"UNID ", kUnid, true, 0},
        FormulaCase{"UNID+", kUnid, true, 0},  // the "+" ends the word like a blank
        FormulaCase{"Left(\"abc\" , 2)", "ab", true, 0}, FormulaCase{"Left(\"abc\",10)", "abc", true, 0},
        FormulaCase{"Left(\"abc\",\"-1\")", "", true, 0}, FormulaCase{"Left(\"abc\",\"  2x\")", "ab", true, 0},
        FormulaCase{"Left(\"abc\",-1)", "", true, 0}, FormulaCase{"Left(\"abc\",x)", "", true, 0},
        FormulaCase{"Left(\"abc\",0)", "", true, 0}, FormulaCase{"Left(Text(\"Subject\"),9)", "Quarterly", true, 0},
        FormulaCase{"Left(\"abc\")", "", true, 0}, FormulaCase{"Text(\"Subject\")", kSubject45, true, 0},
        FormulaCase{"Text(\"Subject\",\"x\")", "", true, 0}, FormulaCase{"Text(\"Missing\")", "", true, 0},
        FormulaCase{"Upper(\"a\")", "", true, 0}, FormulaCase{"Subject", "", true, 0},
        FormulaCase{"2004", "2004", true, 0}, FormulaCase{"12(UNID)", "12", true, 0},
        FormulaCase{"UNID(\"x\",\"y\")", kUnid, true, 0},
        FormulaCase{"\"a\"\t", "a", true, 0},                     // a tab is an ordinary (unknown) word
        FormulaCase{std::string("UNID\0\"", 6), kUnid, true, 0},  // the text ends at its NUL
        // errors: the message shows the formula up to the error position
        FormulaCase{"UNID  ", "", false, 5}, FormulaCase{"UNID +", "", false, 5}, FormulaCase{"\"a\" ", "", false, 3},
        FormulaCase{"Left(\"abc\",2) ", "", false, 13}, FormulaCase{"Left(\"abc\",)", "", false, 11},
        FormulaCase{"Left(,3)", "", false, 6}, FormulaCase{"Left(\"abc\"", "", false, 10},
        FormulaCase{"Left(\"abc\",3", "", false, 12}, FormulaCase{"UNID,Subject", "", false, 4},
        FormulaCase{"UNID)", "", false, 4}, FormulaCase{",", "", false, 0}, FormulaCase{"MTime()", "", false, 6},
        FormulaCase{"\"abc", "", false, 3}, FormulaCase{"Left(\"a\" \"b\",1)", "", false, 9},
        FormulaCase{"Left(\"a\"+\"b\",1)", "", false, 9}, FormulaCase{"Left(Left(,1),1)", "", false, 11}));

TEST(FileNameFormula, TextWithoutQuotesReadsTheFieldWithTheEmptyName) {
    FixedWords words;
    std::string value, error;
    ASSERT_TRUE(EvaluateFormula(words, "Text(Subject)", value, error));
    EXPECT_EQ(value, "");
    EXPECT_EQ(words.fieldsRead, std::vector<std::string>{""});
}

TEST(FileNameFormula, WordsAndLiteralsLongerThan999CharactersAreReadInFull) {
    FixedWords words;
    const std::string literal(1500, 'q');
    const std::string number = "1" + std::string(1200, '0');
    std::string value, error;
    ASSERT_TRUE(EvaluateFormula(words, "\"" + literal + "\"" + number, value, error)) << error;
    EXPECT_EQ(value, literal + number);

    words.fields[std::string(1100, 'F')] = "long field";
    ASSERT_TRUE(EvaluateFormula(words, "Text(\"" + std::string(1100, 'F') + "\")", value, error));
    EXPECT_EQ(value, "long field");
}

TEST(FileNameFormula, DeepNestingIsAnErrorNotACrash) {
    FixedWords words;
    std::string formula;
    for (int i = 0; i < 100000; ++i) formula += "Left(";
    std::string value, error;
    EXPECT_FALSE(EvaluateFormula(words, formula, value, error));
    const std::string prefix = "Invalid Evaluate String Error: ";
    ASSERT_EQ(error.compare(0, prefix.size(), prefix), 0);
    EXPECT_EQ(formula.compare(0, error.size() - prefix.size(), error, prefix.size()), 0);

    // Moderate nesting is evaluated as written.
    ASSERT_TRUE(EvaluateFormula(words, "Left(Left(Left(Left(Text(\"Subject\"),20),15),12),9)", value, error));
    EXPECT_EQ(value, "Quarterly");
}

// Formulas built from the language's own pieces at random: evaluation always ends, and an
// invalid formula gives the fixed text followed by a prefix of the formula.
TEST(FileNameFormula, GeneratedFormulasNeverCrashAndReportAPrefix) {
    const std::vector<std::string> pieces = {
        "\"",           "(",    ")",     ",", " ",  "+",           "a",  "\"x\"", "UNID",
        "Left",         "Text", "MTime", "3", "-1", "\"Subject\"", "\t", "Left(", "Text(\"Subject\")",
        "MTime(\"y\")", ")",    ","};
    std::mt19937 random(20040305);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::uniform_int_distribution<int> length(1, 14);
    const std::string prefix = "Invalid Evaluate String Error: ";
    FixedWords words;
    int valid = 0, invalid = 0;
    for (int n = 0; n < 50000; ++n) {
        std::string formula;
        for (int i = length(random); i > 0; --i) formula += pieces[pick(random)];
        std::string value, error;
        if (EvaluateFormula(words, formula, value, error)) {
            ++valid;
            EXPECT_EQ(error, "") << formula;
        } else {
            ++invalid;
            EXPECT_EQ(value, "") << formula;
            ASSERT_EQ(error.compare(0, prefix.size(), prefix), 0) << formula;
            const std::string shown = error.substr(prefix.size());
            ASSERT_LE(shown.size(), formula.size()) << formula;
            EXPECT_EQ(formula.compare(0, shown.size(), shown), 0) << formula << " / " << error;
        }
    }
    // Both outcomes were exercised.
    EXPECT_GT(valid, 1000);
    EXPECT_GT(invalid, 1000);
}

}  // namespace
}  // namespace stowline
