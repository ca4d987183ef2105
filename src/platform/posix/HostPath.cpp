#include "platform/posix/HostPath.h"

#include <dirent.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

#include "platform/posix/FileOps.h"

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

bool Exists(const std::string& path) {
    struct stat st {};
    return Ops().stat(path.c_str(), &st) == 0;
}

std::size_t FoldedHash(const std::string& name) { return std::hash<std::string>{}(Folded(name)); }

// Hashes of folded names, 32 bits each in an open-addressed table at most half full: about
// eight bytes a name, where a folder of pages holds one for every document archived. A hash
// that another name shares only costs the scan that tells them apart.
class FoldedNames {
public:
    void insert(std::size_t hash) {
        if ((count_ + 1) * 2 > slots_.size()) Grow();
        if (Place(slots_, Key(hash))) ++count_;
    }
    std::size_t count(std::size_t hash) const {
        if (slots_.empty()) return 0;
        const std::uint32_t key = Key(hash);
        for (std::size_t i = key & (slots_.size() - 1); slots_[i]; i = (i + 1) & (slots_.size() - 1))
            if (slots_[i] == key) return 1;
        return 0;
    }
    std::size_t size() const { return count_; }

private:
    static std::uint32_t Key(std::size_t hash) {
        const auto key = static_cast<std::uint32_t>(hash ^ (static_cast<std::uint64_t>(hash) >> 32));
        return key ? key : 1;  // 0 marks an empty slot
    }
    // False when the key was there already.
    static bool Place(std::vector<std::uint32_t>& slots, std::uint32_t key) {
        std::size_t i = key & (slots.size() - 1);
        for (; slots[i]; i = (i + 1) & (slots.size() - 1))
            if (slots[i] == key) return false;
        slots[i] = key;
        return true;
    }
    void Grow() {
        std::vector<std::uint32_t> slots(std::max<std::size_t>(16, slots_.size() * 2), 0);
        for (std::uint32_t key : slots_)
            if (key) Place(slots, key);
        slots_ = std::move(slots);
    }
    std::vector<std::uint32_t> slots_;  // a power of two long
    std::size_t count_ = 0;
};

// Which folded names one directory holds (as hashes), valid while the directory is unchanged.
// Without it every new file would cost a scan of its whole folder, and archiving a large
// folder would slow down with the square of its size.
struct DirectoryIndex {
    dev_t device = 0;
    ino_t inode = 0;
    struct timespec modified {};
    FoldedNames foldedNames;

    bool Describes(const struct stat& st) const {
        return st.st_dev == device && st.st_ino == inode && st.st_mtim.tv_sec == modified.tv_sec &&
               st.st_mtim.tv_nsec == modified.tv_nsec;
    }
    void Stamp(const struct stat& st) {
        device = st.st_dev;
        inode = st.st_ino;
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

const DirectoryIndex* IndexOf(const std::string& dir) {
    const std::string where = dir.empty() ? "." : dir;
    struct stat st {};
    if (Ops().stat(where.c_str(), &st) != 0) return nullptr;
    auto& indexes = Indexes();
    if (auto it = indexes.find(dir); it != indexes.end() && it->second.Describes(st)) return &it->second;
    DIR* d = Ops().opendir(where.c_str());
    if (!d) return nullptr;
    DirectoryIndex index;
    index.Stamp(st);
    while (const dirent* e = readdir(d)) index.foldedNames.insert(FoldedHash(e->d_name));
    Ops().closedir(d);
    Bound(indexes);
    return &(indexes[dir] = std::move(index));
}

// The stored spelling of `name` in `dir` when it differs only by case; `name` otherwise.
// `missing`: `dir`/`name` is known not to exist as spelled.
std::string StoredName(const std::string& dir, const std::string& name, bool missing = false) {
    if (!missing && Exists(Join(dir, name))) return name;
    const DirectoryIndex* index = IndexOf(dir);
    if (index && !index->foldedNames.count(FoldedHash(name))) return name;
    // Some name may differ only by case (or the hash met another name): look it up.
    DIR* d = Ops().opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return name;
    std::string found = name;
    while (const dirent* e = readdir(d)) {
        if (SameNameNoCase(e->d_name, name)) {
            found = e->d_name;
            break;
        }
    }
    Ops().closedir(d);
    return found;
}
}  // namespace

void NoteCreated(const std::string& hostPath) {
    const auto slash = hostPath.rfind('/');
    const std::string dir = slash == std::string::npos ? "" : (slash == 0 ? "/" : hostPath.substr(0, slash));
    const std::string name = slash == std::string::npos ? hostPath : hostPath.substr(slash + 1);
    auto it = Indexes().find(dir);
    if (it == Indexes().end()) return;
    struct stat st {};
    if (Ops().stat(dir.empty() ? "." : dir.c_str(), &st) != 0) {
        Indexes().erase(it);
        return;
    }
    // Our own creation is the change that moved the folder's time: the index stays valid.
    it->second.foldedNames.insert(FoldedHash(name));
    it->second.Stamp(st);
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
}

bool SameNameNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

HostPath ResolveHostPath(const std::string& windowsPath, bool allowWildcards) {
    HostPath host =
        MapToHostPath(windowsPath, EnvironmentDriveRoot, allowWildcards);
    if (host.error != winpath::PathError::None) return host;
    auto append = [](std::string& dir, const std::string& c) {
        if (dir.empty()) dir = c;
        else if (dir == "/") dir += c;
        else dir += "/" + c;
    };
    // The leading components that exist as spelled keep their spelling: found from the whole
    // path backwards, the usual path (an existing file, or a new one in an existing folder)
    // costs one or two lookups instead of one per component and per folder level.
    std::vector<std::string> prefixes;  // root and the first i + 1 components
    prefixes.reserve(host.components.size());
    std::string dir = host.root;
    for (const auto& c : host.components) {
        append(dir, c);
        prefixes.push_back(dir);
    }
    std::size_t spelled = host.components.size();
    while (spelled > 0 && !Exists(prefixes[spelled - 1])) --spelled;
    dir = spelled > 0 ? prefixes[spelled - 1] : host.root;
    for (std::size_t i = spelled; i < host.components.size(); ++i) {
        auto& c = host.components[i];
        if (c != "..") c = StoredName(dir, c, /*missing=*/i == spelled);
        append(dir, c);
    }
    host.path = dir.empty() ? "." : dir;
    return host;
}

}  // namespace platform::posix
