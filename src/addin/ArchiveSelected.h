// The Archive Selected command: archives the documents selected in the client's view.
#pragma once

namespace stowline {

// `commandBlock` is the client's command block, borrowed for the command.
void ArchiveSelected(const void* commandBlock);

}  // namespace stowline
