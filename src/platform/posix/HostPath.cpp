#include "platform/posix/HostPath.h"

#include <dirent.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/posix/FileOps.h"
#include "platform/posix/FoldedNames.h"

namespace platform::posix {

namespace {
char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Folded(std::string name) {
    for (char& c : name) c = Fold(c);
    return name;
}

std::string Join(const std::string& dir, const std::string& name) {
    return dir.empty() ? name : (dir == "/" ? "/" + name : dir + "/" + name);
}

std::size_t FoldedHash(const std::string& name) { return std::hash<std::string>{}(Folded(name)); }

// Which folded names one directory holds (as hashes), valid while the directory is unchanged.
// Without it every new file would cost a scan of its whole folder, and archiving a large
// folder would slow down with the square of its size.
struct DirectoryIndex {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    struct timespec modified {};
    FoldedNames foldedNames;

    bool Describes(const struct stat& st) const {
        // The size too: where the clock is coarse, a name added in the same tick still changes it
        // on file systems that count a folder's entries in its size.
        return st.st_dev == device && st.st_ino == inode && st.st_size == size &&
               st.st_mtim.tv_sec == modified.tv_sec && st.st_mtim.tv_nsec == modified.tv_nsec;
    }
    void Stamp(const struct stat& st) {
        device = st.st_dev;
        inode = st.st_ino;
        size = st.st_size;
        modified = st.st_mtim;
    }
};

std::unordered_map<std::string, DirectoryIndex>& Indexes() {
    static std::unordered_map<std::string, DirectoryIndex> indexes;
    return indexes;
}

// Room for one more index. Folders of a few names are read again cheaply; the large ones, an
// archive's folders of pages, are those whose index saves reading them for each new name.
void Bound(std::unordered_map<std::string, DirectoryIndex>& indexes) {
    if (indexes.size() < 256) return;
    std::erase_if(indexes, [](const auto& entry) { return entry.second.foldedNames.size() < 64; });
    if (indexes.size() >= 256) indexes.clear();
}

// The index of `dir`, whose stat `st` was just taken; read again when the folder changed.
const DirectoryIndex* IndexOf(const std::string& dir, const struct stat& st) {
    auto& indexes = Indexes();
    if (auto it = indexes.find(dir); it != indexes.end() && it->second.Describes(st)) return &it->second;
    DIR* d = Ops().opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return nullptr;
    DirectoryIndex index;
    index.Stamp(st);
    while (const dirent* e = readdir(d)) index.foldedNames.insert(FoldedHash(e->d_name));
    Ops().closedir(d);
    Bound(indexes);
    return &(indexes[dir] = std::move(index));
}

const DirectoryIndex* IndexOf(const std::string& dir) {
    struct stat st {};
    if (Ops().stat(dir.empty() ? "." : dir.c_str(), &st) != 0) return nullptr;
    return IndexOf(dir, st);
}

// The stored spelling of `name` in `dir` when it differs only by case; `name` otherwise.
// `missing`: `dir`/`name` is known not to exist as spelled. `index`: the folder's index when the
// caller has validated it already. `entry`: what was learned of the entry on the way.
std::string StoredName(const std::string& dir, const std::string& name, bool missing, const DirectoryIndex* index,
                       Entry& entry) {
    entry = {};
    const std::size_t hash = FoldedHash(name);
    const auto holdsNone = [&] {
        if (!index || index->foldedNames.count(hash)) return false;
        entry.state = Entry::Absent;  // the folder, as it is now, holds no name of this fold
        return true;
    };
    if (holdsNone()) return name;
    struct stat st {};
    if (!missing && Ops().stat(Join(dir, name).c_str(), &st) == 0) {
        entry = {Entry::Present, st};
        return name;
    }
    if (!index) {
        index = IndexOf(dir);
        if (holdsNone()) return name;
    }
    // Some name may differ only by case (or the hash met another name): look it up.
    DIR* d = Ops().opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return name;
    std::string found = name;
    while (const dirent* e = readdir(d)) {
        if (SameNameNoCase(e->d_name, name)) {
            found = e->d_name;
            entry.state = Entry::Listed;
            break;
        }
    }
    Ops().closedir(d);
    return found;
}

// The host folders that recent paths resolved to, by their spelling before resolution. A run
// writes each document into the same few folders: resolving one of them again would cost a
// stat of each of its levels, while the stat of the folder itself (which its name index needs
// anyway), or of a file in it, shows that it is still there. Only which of two names differing
// by case is taken could then differ from a fresh lookup, should another program make both.
struct ResolvedFolder {
    std::string spelled;
    std::string host;
};

std::vector<ResolvedFolder>& RecentFolders() {
    static std::vector<ResolvedFolder> recent;  // most recently used first
    return recent;
}

// The remembered host folder for `spelled`, moved to the front; nullptr when none is.
const std::string* RecentFolder(const std::string& spelled) {
    auto& recent = RecentFolders();
    for (auto it = recent.begin(); it != recent.end(); ++it) {
        if (it->spelled != spelled) continue;
        std::rotate(recent.begin(), it, it + 1);
        return &recent.front().host;
    }
    return nullptr;
}

void Remember(const std::string& spelled, const std::string& host) {
    auto& recent = RecentFolders();
    std::erase_if(recent, [&](const ResolvedFolder& f) { return f.spelled == spelled; });
    if (recent.size() >= 8) recent.pop_back();
    recent.insert(recent.begin(), {spelled, host});
}

// The last path resolved, spelled as given and as found: a folder made at it is remembered.
ResolvedFolder& LastResolved() {
    static ResolvedFolder last;
    return last;
}

void Forget(const std::string& spelled) {
    std::erase_if(RecentFolders(), [&](const ResolvedFolder& f) { return f.spelled == spelled; });
}

// The stored spelling of `name` in the remembered folder `dir`; nullopt when `dir` is no
// folder any more.
std::optional<std::string> NameInRecentFolder(const std::string& dir, const std::string& name, Entry& entry) {
    struct stat st {};
    // A name that the folder's index holds most likely exists as spelled, and its stat shows
    // the folder too; for any other the folder's stat validates the index, which tells a new name.
    bool missing = false;
    if (auto it = Indexes().find(dir); it != Indexes().end() && it->second.foldedNames.count(FoldedHash(name))) {
        if (Ops().stat(Join(dir, name).c_str(), &st) == 0) {
            entry = {Entry::Present, st};
            return name;
        }
        missing = errno == ENOENT;
    }
    if (Ops().stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
    return StoredName(dir, name, missing, IndexOf(dir, st), entry);
}

// `hostPath` split into its folder and its name.
std::pair<std::string, std::string> FolderAndName(const std::string& hostPath) {
    const auto slash = hostPath.rfind('/');
    if (slash == std::string::npos) return {"", hostPath};
    return {slash == 0 ? "/" : hostPath.substr(0, slash), hostPath.substr(slash + 1)};
}

// Applies this process's own change of `dir` to its index: that change is what moved the
// folder's time, so the index stays valid.
template <class Change>
void NoteChange(const std::string& dir, Change change) {
    auto it = Indexes().find(dir);
    if (it == Indexes().end()) return;
    struct stat st {};
    if (Ops().stat(dir.empty() ? "." : dir.c_str(), &st) != 0) {
        Indexes().erase(it);
        return;
    }
    change(it->second.foldedNames);
    it->second.Stamp(st);
}
}  // namespace

void NoteCreated(const std::string& hostPath) {
    const auto place = FolderAndName(hostPath);
    NoteChange(place.first, [&](FoldedNames& names) { names.insert(FoldedHash(place.second)); });
}

void NoteRemoved(const std::string& hostPath) {
    const auto place = FolderAndName(hostPath);
    NoteChange(place.first, [&](FoldedNames& names) { names.erase(FoldedHash(place.second)); });
}

void NoteMoved(const std::string& fromHostPath, const std::string& toHostPath) {
    const auto from = FolderAndName(fromHostPath);
    const auto to = FolderAndName(toHostPath);
    if (from.first != to.first) {
        NoteRemoved(fromHostPath);
        NoteCreated(toHostPath);
        return;
    }
    NoteChange(to.first, [&](FoldedNames& names) {
        names.erase(FoldedHash(from.second));
        names.insert(FoldedHash(to.second));
    });
}

void NoteCreatedDirectory(const std::string& hostPath) {
    NoteCreated(hostPath);
    // Empty but for its own two entries: nothing to read to know that.
    struct stat st {};
    if (Ops().stat(hostPath.c_str(), &st) != 0) return;
    DirectoryIndex index;
    index.Stamp(st);
    index.foldedNames.insert(FoldedHash("."));
    index.foldedNames.insert(FoldedHash(".."));
    auto& indexes = Indexes();
    Bound(indexes);
    indexes[hostPath] = std::move(index);
    // The files that follow go into it, so its path need not be resolved again for them.
    if (const auto& last = LastResolved(); last.host == hostPath) Remember(last.spelled, hostPath);
}

bool SameNameNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

HostPath ResolveHostPath(const std::string& windowsPath, bool allowWildcards, Entry* entry) {
    HostPath host = MapToHostPath(windowsPath, EnvironmentDriveRoot, allowWildcards);
    Entry seen;
    if (entry) *entry = seen;
    if (host.error != winpath::PathError::None) return host;
    auto append = [](std::string& dir, const std::string& c) {
        if (dir.empty())
            dir = c;
        else if (dir == "/")
            dir += c;
        else
            dir += "/" + c;
    };
    const std::size_t n = host.components.size();
    // A relative path depends on the working folder: its folder is not remembered.
    const bool rememberable = n > 1 && !host.root.empty() && host.components.back() != "..";
    std::string spelledFolder;
    if (rememberable) {
        spelledFolder = host.root;
        for (std::size_t i = 0; i + 1 < n; ++i) append(spelledFolder, host.components[i]);
        if (const std::string* recent = RecentFolder(spelledFolder)) {
            const std::string folder = *recent;
            const std::string spelledName = host.components.back();
            if (auto name = NameInRecentFolder(folder, host.components.back(), seen)) {
                host.components.back() = std::move(*name);
                host.path = folder;
                append(host.path, host.components.back());
                auto& last = LastResolved();
                last.spelled = std::move(spelledFolder);
                append(last.spelled, spelledName);
                last.host = host.path;
                if (entry) *entry = seen;
                return host;
            }
            Forget(spelledFolder);
        }
    }
    // The leading components that exist as spelled keep their spelling: found from the whole
    // path backwards, the usual path (an existing file, or a new one in an existing folder)
    // costs one or two lookups instead of one per component and per folder level.
    std::vector<std::string> prefixes;  // root and the first i + 1 components
    prefixes.reserve(n);
    std::string dir = host.root;
    for (const auto& c : host.components) {
        append(dir, c);
        prefixes.push_back(dir);
    }
    std::size_t spelled = n;
    struct stat st {};
    while (spelled > 0 && Ops().stat(prefixes[spelled - 1].c_str(), &st) != 0) --spelled;
    if (spelled == n && n > 0) seen = {Entry::Present, st};
    // The stat that found the last name's folder also validates that folder's index.
    const bool folderStat = spelled > 0 && spelled + 1 == n && S_ISDIR(st.st_mode);
    bool folderFound = true;  // every folder level exists, as stored
    dir = spelled > 0 ? prefixes[spelled - 1] : host.root;
    for (std::size_t i = spelled; i < n; ++i) {
        auto& c = host.components[i];
        const bool last = i + 1 == n;
        if (c == "..") {
            folderFound = folderFound && last;
        } else {
            Entry found;
            c = StoredName(dir, c, /*missing=*/i == spelled, last && folderStat ? IndexOf(dir, st) : nullptr, found);
            if (last)
                seen = found;
            else
                folderFound = folderFound && (found.state == Entry::Present || found.state == Entry::Listed);
        }
        append(dir, c);
    }
    host.path = dir.empty() ? "." : dir;
    if (!host.root.empty() && n > 0) LastResolved() = {prefixes.back(), host.path};
    if (rememberable && folderFound) Remember(spelledFolder, FolderAndName(host.path).first);
    if (entry) *entry = seen;
    return host;
}

}  // namespace platform::posix
