// Call counters and fault injection for every API function of the stand-in.
//
// A fault makes a function fail on its Nth call (counted from the last ResetCalls), once or
// on every call from then on. What "fail" means depends on the return type:
//   STATUS functions   return the chosen status and leave their outputs untouched;
//   BOOL functions     return FALSE (TimeGMToLocal/TimeLocalToGM: TRUE, their error value);
//                      IDScan then reports "no more", NSFItemGetTime "absent",
//                      NSFNoteIsSignedOrSealed "neither", OSGetEnvironmentString "unknown";
//   WORD/DWORD ones    return 0 (nothing copied, no entries);
//   OSLockObject       returns NULL (and takes no lock);
//   void functions     return at once, writing nothing.
#pragma once

#include <notesapi/notesapi.h>

#include <string>

namespace sim {

// `function` is the API name, e.g. "NSFNoteOpen"; `nthCall` counts from 1.
void InjectFault(const std::string& function, unsigned nthCall, STATUS status,
                 bool fromThenOn = false);
void ClearFaults();

// Calls made to `function` since the last ResetCalls (faulted calls included).
unsigned CallCount(const std::string& function);
void ResetCalls();  // counters and faults

}  // namespace sim
