// Observes (and can disturb) the add-in's calls of NSFNoteOpen, NSFNoteDelete,
// NSFItemConvertValueToText and the item lookups: the test binary is linked with --wrap for them.
#pragma once

#include <notesapi/notesapi.h>

#include <functional>
#include <string>
#include <vector>

namespace exporttest {

struct NotesCalls {
    // "open <id>" and "delete <id>", in call order.
    std::vector<std::string> log;
    // Runs before each NSFNoteOpen of the add-in.
    std::function<void(NOTEID)> beforeOpen;
    // When set, NSFItemConvertValueToText throws, as a damaged item might make it.
    bool convertThrows = false;
    // When not 0, every lookup of a "$FILE" item fails with this status, as a damaged or
    // unreadable note might make it (not the "no such item" of a walk's end).
    STATUS fileLookupFault = 0;
};

// The one recorder; Reset at the start of each test.
NotesCalls& Calls();
void ResetCalls();

}  // namespace exporttest
