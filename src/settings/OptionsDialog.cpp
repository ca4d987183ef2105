#include "settings/OptionsDialog.h"

namespace stowline {

// Placeholder until the dialog is built: the menu's dispatch already calls it.
void ShowOptionsDialog(ArchiveSettings&, std::uintptr_t) {}

}  // namespace stowline
