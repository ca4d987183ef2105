// The file-name formula language: a sequence of terms (string literals, numbers, words and
// function calls of one term per argument) whose values are joined. The scanner only needs
// the values of the words, given through FormulaWords; EvaluateString and EvaluateTerm run it
// on an open document.
#pragma once

#include <cstddef>
#include <string>

namespace stowline {

class NotesDocument;
struct DocumentRecord;

class FormulaWords {
public:
    virtual ~FormulaWords() = default;
    virtual std::string FieldText(const std::string& field) const = 0;   // Text(field)
    virtual std::string TimeText(const std::string& pattern) const = 0;  // MTime
    virtual std::string UniversalId() const = 0;                         // UNID
};

inline constexpr const char* kStandardTimePattern = "y-m-d_hn_s";
inline constexpr const char* kFormulaErrorPrefix = "Invalid Evaluate String Error: ";

// Reads one term of `formula` at `position` and appends its value. False on an invalid
// formula, with `errorPosition` set to where the error was found.
bool EvaluateFormulaTerm(const FormulaWords& words, std::size_t& position, const std::string& formula,
                         std::string& value, std::size_t& errorPosition);

// The whole formula's value. False on an invalid formula, with `error` set to the message
// (the prefix above followed by the formula up to the error position) and `value` empty.
bool EvaluateFormula(const FormulaWords& words, const std::string& formula, std::string& value, std::string& error);

// The formula's value on a document, from its record and, for fields the record does not hold,
// its open note; on an invalid formula the value is empty and `error` says why.
struct FormulaValue {
    std::string value;
    std::string error;
};
FormulaValue EvaluateString(const NotesDocument& document, const DocumentRecord& record, const std::string& formula);

}  // namespace stowline
