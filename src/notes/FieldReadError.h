// A field of a document could not be read. Two causes, handled differently:
//   - an exception inside GetFieldText (memory exhaustion, a damaged note): its message
//     "GetFieldText Error at field <name>: <stage>" has been shown already (`messageShown`), and
//     the export run stops with that text as its reason;
//   - a Notes call that failed on an item that is there (not an absent field): nothing has been
//     shown, and the export run passes that document over, counted, and never deletes it, as a
//     page built without the field would lack what the mail holds.
// The menu dispatch catches it as a last resort so that it never reaches the Notes client.
#pragma once

#include <stdexcept>
#include <string>

namespace stowline {

class FieldReadError : public std::runtime_error {
public:
    FieldReadError(const std::string& text, bool messageShown)
        : std::runtime_error(text), messageShown(messageShown) {}

    bool messageShown;
};

}  // namespace stowline
