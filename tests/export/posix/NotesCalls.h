// Observes (and can disturb) the add-in's calls of NSFNoteOpen, NSFNoteDelete and
// NSFItemConvertValueToText: the test binary is linked with --wrap for them.
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
};

// The one recorder; Reset at the start of each test.
NotesCalls& Calls();
void ResetCalls();

}  // namespace exporttest
