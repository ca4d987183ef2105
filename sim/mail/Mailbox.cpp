#include "sim/mail/Mailbox.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace sim::mail {
namespace fs = std::filesystem;
namespace {

constexpr size_t kChunk = 1 << 20;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Appends up to `count` bytes; false on a read error.
bool ReadMore(std::FILE* in, std::string& buffer, size_t count) {
    size_t had = buffer.size();
    buffer.resize(had + count);
    size_t got = std::fread(buffer.data() + had, 1, count, in);
    buffer.resize(had + got);
    return !std::ferror(in);
}

// Entries of a folder by kind, sorted; links and special files are passed over by name.
struct FolderEntries {
    std::vector<fs::path> files, folders, others;
};

FolderEntries ListEntries(const fs::path& dir, std::string& error) {
    FolderEntries entries;
    std::error_code ec;
    fs::directory_iterator it(dir, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        fs::file_status status = it->symlink_status(typeError);  // a link is not followed
        if (fs::is_regular_file(status))
            entries.files.push_back(it->path());
        else if (fs::is_directory(status))
            entries.folders.push_back(it->path());
        else
            entries.others.push_back(it->path());
    }
    if (ec) error = dir.string() + ": " + ec.message();
    for (auto* list : {&entries.files, &entries.folders, &entries.others}) std::sort(list->begin(), list->end());
    return entries;
}

// Maildir++ names a subfolder ".Parent.Child"; Notes nests folders with a backslash.
std::string FolderFromMaildirName(const std::string& name) {
    std::string folder = name.substr(1);
    std::replace(folder.begin(), folder.end(), '.', '\\');
    return folder;
}

std::string Below(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "\\" + name;
}

}  // namespace

bool IsMaildir(const fs::path& path) {
    std::error_code ec;
    return fs::is_directory(path, ec) && (fs::is_directory(fs::symlink_status(path / "cur", ec)) ||
                                          fs::is_directory(fs::symlink_status(path / "new", ec)));
}

Mailbox::Mailbox(const fs::path& path) {
    folders_.emplace_back();
    std::error_code ec;
    fs::file_status status = fs::status(path, ec);  // the mailbox itself may be reached by a link
    if (fs::is_directory(status)) {
        if (IsMaildir(path))
            ListMaildir(path, {});
        else
            ListFolder(path, {});
    } else if (fs::is_regular_file(status)) {
        AddFile(path, {});
    } else if (fs::exists(status)) {
        problems_.push_back(path.string() + ": neither a file nor a folder");
    } else {
        problems_.push_back(path.string() + ": no such file or folder");
    }
}

uint32_t Mailbox::FolderIndex(const std::string& folder) {
    auto it = std::find(folders_.begin(), folders_.end(), folder);
    if (it != folders_.end()) return static_cast<uint32_t>(it - folders_.begin());
    folders_.push_back(folder);
    return static_cast<uint32_t>(folders_.size() - 1);
}

void Mailbox::AddFile(const fs::path& path, const std::string& folder) {
    files_.push_back({path.string(), FolderIndex(folder)});
}

void Mailbox::ListMaildir(const fs::path& dir, const std::string& folder) {
    auto listLeaf = [&](const fs::path& leaf, const std::string& leafFolder) {
        for (const char* sub : {"cur", "new"}) {
            std::error_code ec;
            if (!fs::is_directory(fs::symlink_status(leaf / sub, ec))) continue;
            std::string error;
            FolderEntries entries = ListEntries(leaf / sub, error);
            if (!error.empty()) problems_.push_back(error);
            for (const fs::path& file : entries.files) AddFile(file, leafFolder);
            for (const fs::path& other : entries.others)
                problems_.push_back(other.string() + ": not a regular file, passed over");
        }
    };
    listLeaf(dir, folder);
    std::string error;
    FolderEntries entries = ListEntries(dir, error);
    if (!error.empty()) problems_.push_back(error);
    for (const fs::path& sub : entries.folders) {
        std::string name = sub.filename().string();
        if (name.size() > 1 && name[0] == '.' && name != "..")
            listLeaf(sub, Below(folder, FolderFromMaildirName(name)));
    }
}

void Mailbox::ListFolder(const fs::path& dir, const std::string& folder) {
    std::string error;
    FolderEntries entries = ListEntries(dir, error);
    if (!error.empty()) problems_.push_back(error);
    auto hidden = [](const fs::path& p) { return p.filename().string().starts_with("."); };
    for (const fs::path& file : entries.files)
        if (!hidden(file)) AddFile(file, folder);
    for (const fs::path& other : entries.others)
        if (!hidden(other)) problems_.push_back(other.string() + ": not a regular file, passed over");
    for (const fs::path& sub : entries.folders) {
        if (hidden(sub)) continue;
        std::string name = Below(folder, sub.filename().string());
        if (IsMaildir(sub))
            ListMaildir(sub, name);
        else
            ListFolder(sub, name);
    }
}

void Mailbox::ForEach(const std::function<void(const MessageLocation&, std::string_view)>& visit) {
    std::string buffer;
    for (uint32_t index = 0; index < files_.size(); ++index) {
        const std::string& path = files_[index].path;
        FilePtr in(std::fopen(path.c_str(), "rb"));
        buffer.clear();
        if (!in || !ReadMore(in.get(), buffer, kChunk)) {
            problems_.push_back(path + ": cannot be read");
            continue;
        }
        if (buffer.compare(0, 5, "From ") != 0) {
            // One message: the whole file.
            while (!std::feof(in.get()))
                if (!ReadMore(in.get(), buffer, kChunk)) break;
            if (std::ferror(in.get())) {
                problems_.push_back(path + ": cannot be read");
                continue;
            }
            visit({index, 0, 0, buffer.size()}, buffer);
            continue;
        }
        // An mbox file: each message runs from the line after its "From " line to the next one.
        uint64_t base = 0;  // file offset of buffer[0]
        uint32_t number = 0;
        size_t start = std::string::npos;  // where the current message begins in buffer
        size_t scan = 0;                   // where the search for the next "From " line goes on
        bool eof = false, failed = false;
        for (;;) {
            if (start == std::string::npos) {
                // At a "From " line (at `scan`): its message begins on the next line.
                size_t eol = buffer.find('\n', scan);
                if (eol == std::string::npos && !eof) {
                    // Keep only the unfinished line, then read on.
                    buffer.erase(0, scan);
                    base += scan;
                    scan = 0;
                    if (!ReadMore(in.get(), buffer, kChunk)) {
                        failed = true;
                        break;
                    }
                    eof = std::feof(in.get());
                    continue;
                }
                start = eol == std::string::npos ? buffer.size() : eol + 1;
                scan = start;
                ++number;
            }
            size_t next = buffer.find("\nFrom ", scan > 0 ? scan - 1 : 0);
            while (next != std::string::npos && next + 1 < start) next = buffer.find("\nFrom ", next + 1);
            if (next != std::string::npos) {
                visit({index, number, base + start, next + 1 - start},
                      std::string_view(buffer).substr(start, next + 1 - start));
                scan = next + 1;
                start = std::string::npos;
                continue;
            }
            if (eof) {
                visit({index, number, base + start, buffer.size() - start}, std::string_view(buffer).substr(start));
                break;
            }
            // Drop what is done, keep the message so far, read on.
            buffer.erase(0, start);
            base += start;
            scan = buffer.size() >= 5 ? buffer.size() - 5 : 0;
            start = 0;
            if (!ReadMore(in.get(), buffer, kChunk)) {
                failed = true;
                break;
            }
            eof = std::feof(in.get());
        }
        if (failed) problems_.push_back(path + ": cannot be read past byte " + std::to_string(base + buffer.size()));
    }
}

struct Mailbox::OpenFile {
    uint32_t file = 0;
    int fd = -1;
    OpenFile(uint32_t f, int d) : file(f), fd(d) {}
    ~OpenFile() { ::close(fd); }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
};

// A reader keeps its handle while it reads, whichever file the next reader opens.
std::shared_ptr<const Mailbox::OpenFile> Mailbox::Open(uint32_t file) const {
    {
        std::lock_guard<std::mutex> lock(openMutex_);
        if (open_ && open_->file == file) return open_;
    }
    int fd = ::open(files_[file].path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    auto opened = std::make_shared<const OpenFile>(file, fd);
    std::lock_guard<std::mutex> lock(openMutex_);
    open_ = opened;
    return opened;
}

// Read straight into `bytes` at the message's offset: no stream buffer to copy through. A file
// that is shorter now than when it was listed gives fewer bytes, and the read fails.
bool Mailbox::Read(const MessageLocation& location, std::string& bytes) const {
    if (location.file >= files_.size()) return false;
    std::shared_ptr<const OpenFile> in = Open(location.file);
    if (!in) return false;
    bytes.resize(location.length);
    size_t got = 0;
    while (got < bytes.size()) {
        ssize_t n = ::pread(in->fd, bytes.data() + got, bytes.size() - got, static_cast<off_t>(location.offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    return got == bytes.size();
}

std::string Mailbox::Source(const MessageLocation& location) const {
    std::string path = location.file < files_.size() ? files_[location.file].path : std::string("?");
    return location.number ? path + "#" + std::to_string(location.number) : path;
}

const std::string& Mailbox::Folder(const MessageLocation& location) const {
    return location.file < files_.size() ? folders_[files_[location.file].folder] : folders_[0];
}

}  // namespace sim::mail
