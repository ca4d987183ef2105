// Call counters, fault injection and call observers for the API functions of the stand-in.
//
// Faults and counts name a function the add-in imports from nnotes.dll (the EXPORTS of
// include/notesapi/nnotes.def); any other name throws std::invalid_argument, so that a
// misspelt name fails its test instead of never firing.
//
// A fault makes a function fail on its Nth call (counted from the last ResetCalls; with a filter,
// among the calls the filter accepts from the fault's injection on), once or on every such
// call from then on. What "fail" means
// depends on the return type:
//   STATUS functions   return the chosen status and leave their outputs untouched;
//   BOOL functions     return FALSE (TimeGMToLocal/TimeLocalToGM: TRUE, their error value);
//                      IDScan then reports "no more", NSFItemGetTime "absent",
//                      NSFNoteIsSignedOrSealed "neither", OSGetEnvironmentString "unknown";
//   WORD/DWORD ones    return 0 (nothing copied, no entries);
//   OSLockObject       returns NULL (and takes no lock);
//   void functions     return at once, writing nothing.
#pragma once

#include <notesapi/notesapi.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// One call of an API function as observers and filters see it: at its entry, before it has
// done anything.
struct Call {
    std::string_view function;  // the API name, e.g. "NSFNoteOpen"
    unsigned nth = 0;           // its number among this function's calls since ResetCalls, from 1
    NOTEID note = 0;            // the note it opens, deletes or reads items of; 0 when none
    std::string_view item;      // the item name it asks for, when it takes one
};

using CallFilter = std::function<bool(const Call&)>;
using CallObserver = std::function<void(const Call&)>;

// The functions the add-in imports, in the order nnotes.def lists them.
const std::vector<std::string>& ImportedFunctions();
bool IsImportedFunction(std::string_view function);

// `nthCall` counts from 1 among the calls `filter` accepts (every call without a filter).
void InjectFault(const std::string& function, unsigned nthCall, STATUS status, bool fromThenOn = false,
                 CallFilter filter = {});
void ClearFaults();

// Calls made to `function` since the last ResetCalls (faulted calls included).
unsigned CallCount(const std::string& function);
void ResetCalls();  // counters, faults and observers

// Every call of the stand-in's API, in call order, faulted ones included. An observer may
// throw: the exception leaves the API function before it does anything, as an exception from
// a damaged note would. Returns a number for StopObserving.
unsigned Observe(CallObserver observer);
void StopObserving(unsigned observer);

// Observes for as long as it lives.
class ScopedObserver {
public:
    explicit ScopedObserver(CallObserver observer) : id_(Observe(std::move(observer))) {}
    ~ScopedObserver() { StopObserving(id_); }
    ScopedObserver(const ScopedObserver&) = delete;
    ScopedObserver& operator=(const ScopedObserver&) = delete;

private:
    unsigned id_;
};

}  // namespace sim
