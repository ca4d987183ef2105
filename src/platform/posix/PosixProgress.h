// The progress of the posix seam: Ctrl-C (SIGINT) while a run reports progress is its Cancel.
// Once a test has called ResetProgress every report is recorded (a run over a large mailbox
// would otherwise hold every subject it showed), and a test can have a SIGINT raised at a
// chosen step.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform::posix {

struct ProgressEvent {
    bool begin = false;       // Begin (source and total) or Step (done and subject)
    std::string text{};       // the source's name, or the next document's subject
    std::uint32_t count = 0;  // total, or done
    bool cancelled = false;   // what the step answered
};

// Forgets the record and any planned signal, and records from now on.
void ResetProgress();
const std::vector<ProgressEvent>& ProgressRecord();

// Raises SIGINT in the `step`th Step (counted from 1 over every progress from now on), just
// before that step looks for a cancel, as a user pressing Ctrl-C at that moment.
void RaiseInterruptAtStep(unsigned step);

}  // namespace platform::posix
