// What an operation of the notes layer that asks Notes gave: NOERROR, or the status of the
// call that failed. True when it succeeded. The layer's one error rule: an operation returns
// this, a field read throws FieldReadError, a command-ending failure throws CommandAborted, and
// nothing here is ever shown to the user.
#pragma once

#include <notesapi/notesapi.h>

namespace stowline {

struct NotesResult {
    STATUS status = NOERROR;
    explicit operator bool() const { return status == NOERROR; }
};

}  // namespace stowline
