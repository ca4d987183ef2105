// A field of a document could not be read. Two causes, handled differently:
//   - an exception inside GetFieldText (memory exhaustion, a damaged note), `fatal`: its text is
//     "GetFieldText Error at field <name>: <stage>", and the export run stops with that text
//     as its reason;
//   - a Notes call that failed on an item that is there (not an absent field): the export run
//     passes that document over, counted, and never deletes it, as a page built without the
//     field would lack what the mail holds.
// Neither is shown where it is raised: the commands show it, and the menu dispatch catches it
// as a last resort so that it never reaches the Notes client.
#pragma once

#include <stdexcept>
#include <string>

namespace stowline {

class FieldReadError : public std::runtime_error {
public:
    FieldReadError(const std::string& text, bool fatal) : std::runtime_error(text), fatal(fatal) {}

    bool fatal;
};

}  // namespace stowline
