// The archive's index, kept by a run whose job asks for it (WriteIndex). The run adds each page
// as it writes it; after the run's documents, Write brings up to date the index of every folder
// the run wrote to and the index of the base path. Earlier runs' pages stay listed (the data
// file beside each index keeps them); a page no longer on disk drops out.
#pragma once

#include <string>
#include <vector>

#include "index/IndexData.h"

namespace stowline {

struct DocumentRecord;

class ArchiveIndex {
public:
    // Search data kept per page: the first words of the body.
    static constexpr std::size_t kSearchWords = 200;
    static constexpr std::size_t kSearchBytes = 1500;

    // Records the page just written at `pagePath` (in `viewFolder`) for the document's record,
    // with the number of attachment files it links. Throws nothing: when there is not enough
    // memory to record it, the folder's index is not written, and Write says so.
    void Add(const std::string& viewFolder, const std::string& pagePath, const DocumentRecord& record,
             std::size_t attachments) noexcept;

    // Writes the indexes of the folders added to, then the base path's. Returns why an index
    // could not be written, a line for each; empty when all were.
    std::string Write(const std::string& basePath);

private:
    struct Folder {
        std::string path;
        std::vector<IndexEntry> added;  // in the order written; a later page replaces one of its name
        std::string failure;
    };
    // Merges, writes and answers the folder's summary. Returns why it could not be written;
    // empty when it was. The folder's rows are used up.
    std::string WriteFolder(Folder& folder, const std::string& basePath, IndexFolder& summary);
    std::string WriteBase(const std::string& basePath, const std::vector<IndexFolder>& written);

    std::vector<Folder> folders_;  // in the order the run first wrote to them
};

}  // namespace stowline
