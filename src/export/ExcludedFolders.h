// The mailbox's system views and folders: internal name as the database knows it, and the
// display name the user sees. Output folders are named by the display name.
#pragma once

#include <string>
#include <vector>

namespace stowline {

struct ExcludedFolder {
    std::string internalName;
    std::string displayName;
};

class ExcludedFolders {
public:
    void Add(const std::string& internalName, const std::string& displayName);
    void Clear();
    // The display name of the first pair whose internal name is exactly `name` (byte for
    // byte, case-sensitive); `name` itself when none matches.
    std::string DisplayNameFor(const std::string& name) const;

    // Two parallel lists: entry i of one belongs to entry i of the other.
    std::vector<std::string> internalNames;
    std::vector<std::string> displayNames;
};

}  // namespace stowline
