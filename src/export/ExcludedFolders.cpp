#include "export/ExcludedFolders.h"

namespace stowline {

void ExcludedFolders::Add(const std::string& internalName, const std::string& displayName) {
    internalNames.push_back(internalName);
    displayNames.push_back(displayName);
}

void ExcludedFolders::Clear() {
    internalNames.clear();
    displayNames.clear();
}

std::string ExcludedFolders::DisplayNameFor(const std::string& name) const {
    for (std::size_t i = 0; i < internalNames.size() && i < displayNames.size(); ++i) {
        if (internalNames[i] == name) return displayNames[i];
    }
    return name;
}

}  // namespace stowline
