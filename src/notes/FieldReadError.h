// A field of a document could not be read (an exception inside GetFieldText). The message
// has already been shown; what() holds its text, "GetFieldText Error at field <name>: <stage>".
// The export run turns it into a stop of the run with that text as the reason; the menu
// dispatch catches it as a last resort so that it never reaches the Notes client.
#pragma once

#include <stdexcept>
#include <string>

namespace stowline {

class FieldReadError : public std::runtime_error {
public:
    explicit FieldReadError(const std::string& text) : std::runtime_error(text) {}
};

}  // namespace stowline
