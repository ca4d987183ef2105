// The Archive View/Folder command: archives the view or folder the client shows, with its
// subfolders.
#pragma once

namespace stowline {

// `commandBlock` is the client's command block, borrowed for the command.
void ArchiveViewFolder(const void* commandBlock);

}  // namespace stowline
