// The data file kept beside each index page: what earlier runs archived into the folder, one
// row a line, as a script that the index page loads for its search (browsers read a script
// from the local file system, where they refuse other requests). Values are native text.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace stowline {

// One archived page of a folder.
struct IndexEntry {
    std::string file;             // the page's file name in the folder
    std::string key;              // the mail's local date as "YYYY-MM-DD hh:mm:ss"; empty without one
    std::string date;             // the date as the page shows it
    std::string from;             // as the page's From cell, before escaping
    std::string subject;          // as the page's Subject cell, before escaping
    std::size_t attachments = 0;  // attachment files linked from the page
    std::string words;            // the start of the body, for the search
};

// One indexed folder below the base path, for the base path's index.
struct IndexFolder {
    std::string path;  // relative to the base path, backslash-separated
    std::size_t pages = 0;
    std::string newestKey;
    std::string newestDate;
};

inline constexpr const char* kIndexPageName = "index.htm";
inline constexpr const char* kIndexDataName = "index.js";
inline constexpr const char* kFolderDataName = "index-folders.js";

// The first words of a text, each once (in the order they first occur, one space between them;
// blanks and control characters part words), at most `maxWords` words and `maxBytes` bytes,
// so that the search data stays small.
std::string LeadingWords(const std::string& text, std::size_t maxWords, std::size_t maxBytes);

// The data files' text (line feeds; written in text mode) and back. Lines that are no row
// of the format are passed over.
std::string FormatIndexEntries(const std::vector<IndexEntry>& entries);
std::vector<IndexEntry> ParseIndexEntries(const std::string& text);
std::string FormatIndexFolders(const std::vector<IndexFolder>& folders);
std::vector<IndexFolder> ParseIndexFolders(const std::string& text);

}  // namespace stowline
