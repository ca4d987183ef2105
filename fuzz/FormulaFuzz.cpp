// The file-name formula over arbitrary formulas and field values. Input: the formula, then
// after a NUL byte the field values as "Name=value" lines.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "render/FileNameFormula.h"

namespace {

class Words : public stowline::FormulaWords {
public:
    std::map<std::string, std::string> fields;
    std::string FieldText(const std::string& field) const override {
        const auto it = fields.find(field);
        return it == fields.end() ? std::string() : it->second;
    }
    std::string TimeText(const std::string& pattern) const override { return "2004-03-05_14_07_03 " + pattern; }
    std::string UniversalId() const override { return "00000ABC000000010000000F00000000"; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string formula = input.substr(0, split);
    Words words;
    if (split != std::string::npos) {
        std::size_t start = split + 1;
        while (start < input.size()) {
            std::size_t end = input.find('\n', start);
            if (end == std::string::npos) end = input.size();
            const std::string line = input.substr(start, end - start);
            const std::size_t eq = line.find('=');
            if (eq != std::string::npos) words.fields[line.substr(0, eq)] = line.substr(eq + 1);
            start = end + 1;
        }
    }
    std::string value, error;
    if (stowline::EvaluateFormula(words, formula, value, error)) {
        if (!error.empty()) std::abort();  // a valid formula has no error text
    } else {
        if (!value.empty() || error.rfind(stowline::kFormulaErrorPrefix, 0) != 0) std::abort();
    }
    return 0;
}
