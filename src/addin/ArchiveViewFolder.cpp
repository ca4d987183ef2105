#include "addin/ArchiveViewFolder.h"

namespace stowline {

// Placeholder until the command is built: the menu's dispatch already calls it.
void ArchiveViewFolder(const void*) {}

}  // namespace stowline
