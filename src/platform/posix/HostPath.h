// Windows paths resolved on the Linux file system: the mapping of DriveMap.h, then each
// component that already exists under another case taken as it is stored, since Windows
// names compare without regard to case.
#pragma once

#include <sys/stat.h>

#include <string>

#include "platform/posix/DriveMap.h"

namespace platform::posix {

// What resolving a path learned of the entry it names, so that the caller need not look again.
struct Entry {
    enum State {
        Unknown,
        Absent,   // its folder holds no name of its fold
        Listed,   // found in its folder's listing, not looked at
        Present,  // `st` is its stat
    } state = Unknown;
    struct stat st {};
};

HostPath ResolveHostPath(const std::string& windowsPath, bool allowWildcards = false, Entry* entry = nullptr);

// Tells the resolver that this process created `hostPath`, so that the folder's cached name
// index stays valid instead of being read again for the next name.
void NoteCreated(const std::string& hostPath);
// The same for a folder it made, which it then knows to be empty.
void NoteCreatedDirectory(const std::string& hostPath);
// The same for a file it removed, or moved to another name: a folder through which every page
// passes under a temporary name would otherwise keep that name too, for every page.
void NoteRemoved(const std::string& hostPath);
void NoteMoved(const std::string& fromHostPath, const std::string& toHostPath);

// Windows' comparison of two stored names (ASCII letters folded).
bool SameNameNoCase(const std::string& a, const std::string& b);

}  // namespace platform::posix
