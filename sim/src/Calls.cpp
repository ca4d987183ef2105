#include "Calls.h"

#include <algorithm>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "State.h"
#include "sim/Faults.h"

namespace sim {
namespace {

// One name a line, generated from nnotes.def's EXPORTS.
const char* const kImported[] = {
#include "ImportedFunctions.inc"
};

struct Fault {
    unsigned nthCall;
    STATUS status;
    bool fromThenOn;
    CallFilter filter;
    unsigned accepted = 0;  // calls the filter let through since the fault was injected
};

struct CallState {
    std::map<std::string, unsigned, std::less<>> counts;
    std::map<std::string, std::vector<Fault>, std::less<>> faults;
    // Replaced whole when an observer comes or goes, which is rare: a call holds the set it
    // began with (an observer may stop observing, or add another, while it runs) without
    // copying it, as every call of the add-in passes here.
    std::shared_ptr<const std::map<unsigned, CallObserver>> observers;
    unsigned nextObserver = 1;
};

CallState& Calls() {
    static CallState state;
    return state;
}

const std::string& Checked(const std::string& function, const char* caller) {
    if (!IsImportedFunction(function))
        throw std::invalid_argument(std::string("sim::") + caller + ": \"" + function +
                                    "\" is not a function the add-in imports (nnotes.def)");
    return function;
}

}  // namespace

const std::vector<std::string>& ImportedFunctions() {
    static const std::vector<std::string> names(std::begin(kImported), std::end(kImported));
    return names;
}

bool IsImportedFunction(std::string_view function) {
    const auto& names = ImportedFunctions();
    return std::find(names.begin(), names.end(), function) != names.end();
}

void InjectFault(const std::string& function, unsigned nthCall, STATUS status, bool fromThenOn, CallFilter filter) {
    Calls().faults[Checked(function, "InjectFault")].push_back(
        {nthCall == 0 ? 1 : nthCall, status, fromThenOn, std::move(filter)});
}

void ClearFaults() { Calls().faults.clear(); }

unsigned CallCount(const std::string& function) {
    auto it = Calls().counts.find(Checked(function, "CallCount"));
    return it == Calls().counts.end() ? 0 : it->second;
}

void ResetCalls() {
    Calls().counts.clear();
    Calls().faults.clear();
    Calls().observers.reset();
}

unsigned Observe(CallObserver observer) {
    auto& st = Calls();
    auto observers = st.observers ? std::make_shared<std::map<unsigned, CallObserver>>(*st.observers)
                                  : std::make_shared<std::map<unsigned, CallObserver>>();
    observers->emplace(st.nextObserver, std::move(observer));
    st.observers = std::move(observers);
    return st.nextObserver++;
}

void StopObserving(unsigned observer) {
    auto& st = Calls();
    if (!st.observers || !st.observers->count(observer)) return;
    auto observers = std::make_shared<std::map<unsigned, CallObserver>>(*st.observers);
    observers->erase(observer);
    st.observers = observers->empty() ? nullptr : std::move(observers);
}

NOTEID detail::NoteIdOf(NOTEHANDLE note) {
    HandleEntry* e = LookupAny(note);
    return e && e->kind == Kind::Note && e->note ? e->note->id : 0;
}

std::optional<STATUS> detail::EnterCall(const char* function, CallArgs args) {
    auto& st = Calls();
    auto counted = st.counts.find(std::string_view(function));
    if (counted == st.counts.end()) counted = st.counts.emplace(function, 0).first;
    const Call call{function, ++counted->second, args.note, args.item};
    if (st.observers) {
        const auto observers = st.observers;
        for (const auto& [id, observe] : *observers) observe(call);
    }
    auto it = st.faults.find(std::string_view(function));
    if (it == st.faults.end()) return std::nullopt;
    std::optional<STATUS> result;
    for (Fault& f : it->second) {
        if (f.filter && !f.filter(call)) continue;
        const unsigned n = f.filter ? ++f.accepted : call.nth;
        if (!result && (n == f.nthCall || (f.fromThenOn && n > f.nthCall))) result = f.status;
    }
    return result;
}

}  // namespace sim
