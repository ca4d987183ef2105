// The index pages of an archive: one per indexed folder, listing its pages newest first with a
// search box, and one in the base path listing the indexed folders as they nest on disk. Values
// are escaped and links made as the pages make theirs; the text uses line feeds and is
// written in text mode, like the pages.
#pragma once

#include <string>
#include <vector>

#include "index/IndexData.h"

namespace stowline {

// `title` names the folder; `home` is the link to the base path's index, relative to the page.
// The rows are `entries` in their given order; the search reads the same rows from the data file.
std::string BuildFolderIndexPage(const std::string& title, const std::string& home,
                                 const std::vector<IndexEntry>& entries);

// The folders are listed in the order of their paths, each under the folder that holds it.
std::string BuildBaseIndexPage(const std::vector<IndexFolder>& folders);

// The folder paths' order: component by component, letters compared without regard to case.
bool FolderPathLess(const std::string& a, const std::string& b);

}  // namespace stowline
