#include <csignal>

#include "platform/RunProgress.h"
#include "platform/posix/PosixProgress.h"

namespace platform {

namespace posix {
namespace {

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) { interrupted = 1; }

struct ProgressState {
    std::vector<ProgressEvent> record;
    bool recording = false;  // from the first ResetProgress: a run outside the tests keeps nothing
    unsigned steps = 0;
    unsigned interruptAt = 0;
};

ProgressState& State() {
    static ProgressState state;
    return state;
}

// While it lives, SIGINT asks the run to stop instead of ending the process, so that what
// the run did so far is finished and saved. The previous disposition comes back after it.
class InterruptibleProgress final : public RunProgress {
public:
    InterruptibleProgress() {
        interrupted = 0;
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        installed_ = sigaction(SIGINT, &action, &previous_) == 0;
    }
    ~InterruptibleProgress() override {
        if (installed_) sigaction(SIGINT, &previous_, nullptr);
    }
    InterruptibleProgress(const InterruptibleProgress&) = delete;
    InterruptibleProgress& operator=(const InterruptibleProgress&) = delete;

    void Begin(const std::string& source, std::uint32_t total) override {
        if (State().recording) State().record.push_back({true, source, total, false});
    }
    bool Step(std::uint32_t done, const std::string& subject) override {
        auto& state = State();
        if (++state.steps == state.interruptAt) std::raise(SIGINT);
        const bool cancelled = interrupted != 0;
        if (state.recording) state.record.push_back({false, subject, done, cancelled});
        return cancelled;
    }

private:
    struct sigaction previous_ {};
    bool installed_ = false;
};

}  // namespace

void ResetProgress() {
    State() = ProgressState{};
    State().recording = true;
}
const std::vector<ProgressEvent>& ProgressRecord() { return State().record; }
void RaiseInterruptAtStep(unsigned step) {
    State().steps = 0;
    State().interruptAt = step;
}

}  // namespace posix

std::unique_ptr<RunProgress> OpenRunProgress(std::uintptr_t) {
    return std::make_unique<posix::InterruptibleProgress>();
}

}  // namespace platform
