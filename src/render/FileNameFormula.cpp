#include "render/FileNameFormula.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "notes/ItemText.h"
#include "notes/NotesDocument.h"
#include "render/DocumentRecord.h"
#include "platform/Text.h"

namespace stowline {

namespace {
// Each argument is read by a nested call; deeper nesting than this is refused as an
// error at the argument instead of exhausting the stack.
constexpr int kMaxNesting = 200;

char At(const std::string& formula, std::size_t position) {
    return position < formula.size() ? formula[position] : '\0';
}

// The standard decimal rule: leading white space, optional sign, digits; else 0.
long long ToInteger(const std::string& text) { return std::strtoll(text.c_str(), nullptr, 10); }

void AppendWordValue(const FormulaWords& words, const std::string& word, bool inArguments,
                     const std::vector<std::string>& arguments, std::string& value) {
    const std::size_t count = arguments.size();
    if (word == "MTime") {
        value += words.TimeText(inArguments && count >= 1 ? arguments[0] : kStandardTimePattern);
    } else if (word == "UNID") {
        value += words.UniversalId();
    } else if (word == "Text") {
        if (count == 1) value += words.FieldText(arguments[0]);
    } else if (word == "Left") {
        if (count == 2) {
            long long n = ToInteger(arguments[1]);
            if (n >= 0) value += arguments[0].substr(0, static_cast<std::size_t>(n));
        }
    } else if (!word.empty() && word[0] >= '0' && word[0] <= '9') {
        value += word;
    }
    // Any other word contributes nothing.
}

bool EvaluateTerm(const FormulaWords& words, std::size_t& position, const std::string& formula, std::string& value,
                  std::size_t& errorPosition, int depth) {
    enum class State { Start, Literal, Word } state = State::Start;
    std::string word;
    bool inArguments = false;
    int argumentCount = 0;
    int commaCount = 0;
    std::vector<std::string> arguments;

    for (;;) {
        const char c = At(formula, position);
        switch (state) {
            case State::Start:
                if (c == ' ' || c == '+') {
                    ++position;
                } else if (c == '"') {
                    ++position;
                    state = State::Literal;
                } else if (c == '\0') {
                    errorPosition = position == 0 ? 0 : position - 1;
                    return false;
                } else {
                    state = State::Word;
                }
                continue;

            case State::Literal:
                if (c == '"') {
                    ++position;
                    value += word;
                    return true;
                }
                if (c == '\0') {
                    errorPosition = position == 0 ? 0 : position - 1;
                    return false;
                }
                word += c;
                ++position;
                continue;

            case State::Word: break;
        }

        if (!inArguments) {
            if (c == ' ' || c == '+') {
                ++position;
                break;
            }
            if (c == '\0') break;
            if (c == '(') {
                inArguments = true;
                argumentCount = 0;
                commaCount = 0;
                ++position;
                continue;
            }
            if (c == ')' || c == ',') {
                if (word.empty()) {
                    errorPosition = position;
                    return false;
                }
                break;  // left for the caller
            }
            word += c;
            ++position;
            continue;
        }

        // Inside the argument list.
        if (c == ' ') {
            ++position;
            continue;
        }
        if (c == ',') {
            ++commaCount;
            ++position;
            continue;
        }
        if (c == ')') {
            if (argumentCount != commaCount + 1) {
                errorPosition = position;
                return false;
            }
            ++position;
            break;
        }
        // An argument begins here: exactly one term.
        if (commaCount != argumentCount || depth >= kMaxNesting) {
            errorPosition = position;
            return false;
        }
        std::string argument;
        if (!EvaluateTerm(words, position, formula, argument, errorPosition, depth + 1)) {
            errorPosition = position;
            return false;
        }
        arguments.push_back(std::move(argument));
        ++argumentCount;
        const char next = At(formula, position);
        if (next == ')') {
            ++position;
            break;
        }
        if (next == '\0') {
            errorPosition = position;
            return false;
        }
        if (next != ',') ++position;  // anything else after an argument is passed over
    }

    AppendWordValue(words, word, inArguments, arguments, value);
    return true;
}

// A document's record gives the formula words their values; a field the record does not hold
// is read from the open note when the formula names it (item names ignore case, as in Notes).
class DocumentWords : public FormulaWords {
public:
    DocumentWords(const DocumentRecord& record, NOTEHANDLE note) : record_(record), note_(note) {}
    std::string FieldText(const std::string& field) const override {
        if (platform::text::EqualsNoCase(field, "Subject")) return record_.subject;
        if (platform::text::EqualsNoCase(field, "Body")) return record_.body;
        return GetFieldText(note_, field, ';');
    }
    std::string TimeText(const std::string& pattern) const override { return record_.FormatTime(pattern); }
    std::string UniversalId() const override { return record_.unid; }

private:
    const DocumentRecord& record_;
    NOTEHANDLE note_;
};
}  // namespace

bool EvaluateFormulaTerm(const FormulaWords& words, std::size_t& position, const std::string& formula,
                         std::string& value, std::size_t& errorPosition) {
    return EvaluateTerm(words, position, formula, value, errorPosition, 0);
}

bool EvaluateFormula(const FormulaWords& words, const std::string& formula, std::string& value, std::string& error) {
    const std::string text = formula.c_str();  // the formula ends at its first NUL
    value.clear();
    std::size_t position = 0;
    std::size_t errorPosition = 0;
    while (position < text.size()) {
        if (!EvaluateFormulaTerm(words, position, text, value, errorPosition)) {
            value.clear();
            error = kFormulaErrorPrefix + text.substr(0, std::min(errorPosition, text.size()));
            return false;
        }
    }
    return true;
}

FormulaValue EvaluateString(const NotesDocument& document, const DocumentRecord& record, const std::string& formula) {
    FormulaValue result;
    EvaluateFormula(DocumentWords(record, document.note), formula, result.value, result.error);
    return result;
}

}  // namespace stowline
