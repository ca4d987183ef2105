#include "index/ArchiveIndex.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "index/IndexPage.h"
#include "files/WholeFile.h"
#include "files/ExistenceChecks.h"
#include "platform/Platform.h"
#include "render/DocumentRecord.h"
#include "platform/Text.h"

namespace stowline {

namespace text = platform::text;
using text::Quoted;

namespace {

std::string Join(const std::string& folder, const std::string& name) {
    return folder + (!folder.empty() && folder.back() == '\\' ? "" : "\\") + name;
}

// The folder's path below the base path; empty for the base path itself.
std::string RelativePath(const std::string& folder, const std::string& base) {
    std::string rest = folder.compare(0, base.size(), base) == 0 ? folder.substr(base.size()) : folder;
    rest.erase(0, rest.find_first_not_of('\\'));
    while (!rest.empty() && rest.back() == '\\') rest.pop_back();
    return rest;
}

// Writes an index file whole or not at all, through "<name>.new" beside it.
bool Replace(const std::string& path, const std::string& content) {
    return WriteWholeFile(path, path + ".new", content).result == WholeFileResult::Written;
}

// The rows stored in a data file; false when the file is there but cannot be read, since
// writing it again would lose what earlier runs recorded.
bool ReadStored(const std::string& path, std::string& text) {
    text.clear();
    if (!FileExists(path)) return true;
    return platform::ReadFileBytes(path, text);
}

// An index page may replace only an index page: a file of that name without the data file
// beside it is something else (a page named so, before indexes were kept).
bool PageInTheWay(const std::string& pagePath, const std::string& dataPath) {
    return FileExists(pagePath) && !FileExists(dataPath);
}

}  // namespace

void ArchiveIndex::Add(const std::string& viewFolder, const std::string& pagePath, const DocumentRecord& record,
                       std::size_t attachments) noexcept {
    try {
        auto it = std::find_if(folders_.begin(), folders_.end(), [&](const Folder& f) { return f.path == viewFolder; });
        if (it == folders_.end()) it = folders_.insert(folders_.end(), Folder{viewFolder, {}, {}});
        Folder& folder = *it;
        if (!folder.failure.empty()) return;
        IndexEntry entry;
        entry.file = pagePath.substr(std::min(pagePath.size(), viewFolder.size() + 1));
        entry.key = record.SortKey();
        entry.date = record.dateText;
        entry.from = record.from;
        entry.subject = record.subject;
        entry.attachments = attachments;
        entry.words = LeadingWords(record.body, kSearchWords, kSearchBytes);
        folder.added.push_back(std::move(entry));
    } catch (...) {
        // Out of memory while recording: the folder is left as it is; the run goes on.
        for (auto& folder : folders_)
            if (folder.path == viewFolder) folder.failure = "there was not enough memory to record its pages";
    }
}

std::string ArchiveIndex::WriteFolder(Folder& folder, const std::string& basePath, IndexFolder& summary) {
    const std::string dataPath = Join(folder.path, kIndexDataName);
    const std::string pagePath = Join(folder.path, kIndexPageName);
    if (!folder.failure.empty()) return folder.failure;

    std::string stored;
    if (!ReadStored(dataPath, stored)) return "its data file " + Quoted(dataPath) + " cannot be read";
    if (PageInTheWay(pagePath, dataPath))
        return Quoted(pagePath) + " is not an index page (a page of that name is in the way)";

    std::vector<IndexEntry> entries = ParseIndexEntries(stored);
    // The run's rows move over rather than being copied: with their search words they are
    // the bulk of what the index holds.
    for (auto& added : folder.added) {
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                                     [&](const IndexEntry& e) { return text::EqualsNoCase(e.file, added.file); }),
                      entries.end());
        entries.push_back(std::move(added));
    }
    std::vector<IndexEntry>().swap(folder.added);
    // Pages the user removed drop out.
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [&](const IndexEntry& e) { return !FileExists(Join(folder.path, e.file)); }),
                  entries.end());
    for (const auto& e : entries) {
        if (text::EqualsNoCase(e.file, kIndexPageName))
            return "a page of the archive is named " + Quoted(Join(folder.path, e.file));
    }
    std::stable_sort(entries.begin(), entries.end(), [](const IndexEntry& a, const IndexEntry& b) {
        return a.key != b.key ? a.key > b.key : a.file < b.file;
    });

    summary.path = RelativePath(folder.path, basePath);
    summary.pages = entries.size();
    summary.newestKey = entries.empty() ? "" : entries.front().key;
    summary.newestDate = entries.empty() ? "" : entries.front().date;

    std::string home;
    if (!summary.path.empty()) {
        for (char c : summary.path + "\\")
            if (c == '\\') home += "..\\";
    }
    home += kIndexPageName;
    const std::string title = summary.path.empty() ? folder.path : summary.path;
    if (!Replace(dataPath, FormatIndexEntries(entries)))
        return "the file " + Quoted(dataPath) + " could not be written";
    if (!Replace(pagePath, BuildFolderIndexPage(title, home, entries)))
        return "the file " + Quoted(pagePath) + " could not be written";
    return {};
}

std::string ArchiveIndex::WriteBase(const std::string& basePath, const std::vector<IndexFolder>& written) {
    const std::string dataPath = Join(basePath, kFolderDataName);
    const std::string pagePath = Join(basePath, kIndexPageName);
    std::string stored;
    if (!ReadStored(dataPath, stored)) return "its data file " + Quoted(dataPath) + " cannot be read";
    if (PageInTheWay(pagePath, dataPath))
        return Quoted(pagePath) + " is not an index page (a page of that name is in the way)";

    std::vector<IndexFolder> folders = ParseIndexFolders(stored);
    for (const auto& f : written) {
        folders.erase(std::remove_if(folders.begin(), folders.end(),
                                     [&](const IndexFolder& g) { return text::EqualsNoCase(g.path, f.path); }),
                      folders.end());
        folders.push_back(f);
    }
    // Folders whose index the user removed drop out.
    folders.erase(std::remove_if(folders.begin(), folders.end(),
                                 [&](const IndexFolder& f) {
                                     return f.path.empty() || !FileExists(Join(Join(basePath, f.path), kIndexDataName));
                                 }),
                  folders.end());
    std::stable_sort(folders.begin(), folders.end(),
                     [](const IndexFolder& a, const IndexFolder& b) { return FolderPathLess(a.path, b.path); });
    if (!Replace(dataPath, FormatIndexFolders(folders)))
        return "the file " + Quoted(dataPath) + " could not be written";
    if (!Replace(pagePath, BuildBaseIndexPage(folders)))
        return "the file " + Quoted(pagePath) + " could not be written";
    return {};
}

std::string ArchiveIndex::Write(const std::string& basePath) {
    std::string report;
    const auto fail = [&report](const std::string& where, const std::string& why) {
        if (!report.empty()) report += '\n';
        report += "The index of " + Quoted(where) + " was not written: " + why + ".";
    };
    if (folders_.empty()) return report;
    std::vector<IndexFolder> written;
    for (auto& folder : folders_) {
        // Pages written straight into the base path share its index page with the folder list.
        if (RelativePath(folder.path, basePath).empty()) {
            fail(folder.path, "pages in the base path itself are not indexed");
            continue;
        }
        IndexFolder summary;
        try {
            const std::string why = WriteFolder(folder, basePath, summary);
            if (why.empty())
                written.push_back(summary);
            else
                fail(folder.path, why);
        } catch (const std::exception& e) {
            fail(folder.path, e.what());
        }
    }
    try {
        if (const std::string why = WriteBase(basePath, written); !why.empty()) fail(basePath, why);
    } catch (const std::exception& e) {
        fail(basePath, e.what());
    }
    return report;
}

}  // namespace stowline
