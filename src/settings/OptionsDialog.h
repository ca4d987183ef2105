// The Options dialog: edits the process-wide settings and saves them.
#pragma once

#include <cstdint>

#include "settings/ArchiveSettings.h"

namespace stowline {

// Shows the dialog modally, owned by `owner` (0: no parent), on `settings`.
void ShowOptionsDialog(ArchiveSettings& settings, std::uintptr_t owner = 0);

}  // namespace stowline
