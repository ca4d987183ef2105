#include "Calls.h"

#include <map>
#include <string>
#include <vector>

#include "sim/Faults.h"

namespace sim {
namespace {

struct Fault {
    unsigned nthCall;
    STATUS status;
    bool fromThenOn;
};

struct CallState {
    std::map<std::string, unsigned> counts;
    std::map<std::string, std::vector<Fault>> faults;
};

CallState& State() {
    static CallState state;
    return state;
}

}  // namespace

void InjectFault(const std::string& function, unsigned nthCall, STATUS status, bool fromThenOn) {
    State().faults[function].push_back({nthCall == 0 ? 1 : nthCall, status, fromThenOn});
}

void ClearFaults() { State().faults.clear(); }

unsigned CallCount(const std::string& function) {
    auto it = State().counts.find(function);
    return it == State().counts.end() ? 0 : it->second;
}

void ResetCalls() {
    State().counts.clear();
    State().faults.clear();
}

std::optional<STATUS> detail::EnterCall(const char* function) {
    auto& st = State();
    const unsigned n = ++st.counts[function];
    auto it = st.faults.find(function);
    if (it == st.faults.end()) return std::nullopt;
    for (const Fault& f : it->second)
        if (n == f.nthCall || (f.fromThenOn && n > f.nthCall)) return f.status;
    return std::nullopt;
}

}  // namespace sim
