#include "addin/ArchiveSelected.h"

namespace stowline {

// Placeholder until the command is built: the menu's dispatch already calls it.
void ArchiveSelected(const void*) {}

}  // namespace stowline
