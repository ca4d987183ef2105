// The progress of a long archive run as the user sees it, with the way to stop it: a window
// owned by the client's on Windows, Ctrl-C (SIGINT) on the command line. The run reports to
// it only between two documents, never inside a Notes call.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class RunProgress {
public:
    virtual ~RunProgress() = default;
    // A new source of documents: the view, folder or selection's name and how many documents
    // it holds (0 when unknown).
    virtual void Begin(const std::string& source, std::uint32_t total) = 0;
    // Between two documents: `done` of the source's documents are finished and `subject` is
    // the next one's. Lets the user's windows handle what is waiting for them; true once the
    // user has asked to stop.
    virtual bool Step(std::uint32_t done, const std::string& subject) = 0;
};

// The platform's progress for the commands of the client whose window is `owner` (0: none).
// Nothing is shown before the run has lasted about a second; the window goes with the object.
std::unique_ptr<RunProgress> OpenRunProgress(std::uintptr_t owner);

}  // namespace platform
