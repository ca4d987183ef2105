// A fresh scratch folder for one test, reachable both as a Windows path (what the add-in
// is given) and as a host path (what the test reads back). Removed at the end.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>

#include "support/Files.h"

namespace testsupport {

class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& prefix = "stowline-test-") {
        std::random_device random;
        host_ = std::filesystem::temp_directory_path() / (prefix + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(host_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(host_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder as a Windows path: the posix seam maps a rooted path without a drive to "/".
    std::string Win() const {
        std::string path = host_.string();
        for (char& c : path)
            if (c == '/') c = '\\';
        return path;
    }
    std::string Win(const std::string& relative) const { return Win() + "\\" + relative; }

    // `relative` uses backslashes, as the add-in's paths do.
    std::filesystem::path Host(std::string relative = "") const {
        for (char& c : relative)
            if (c == '\\') c = '/';
        return relative.empty() ? host_ : host_ / relative;
    }
    bool IsFile(const std::string& relative) const { return std::filesystem::is_regular_file(Host(relative)); }
    bool IsDirectory(const std::string& relative) const { return std::filesystem::is_directory(Host(relative)); }
    std::string Read(const std::string& relative) const { return ReadFile(Host(relative)); }
    void Write(const std::string& relative, const std::string& bytes) const {
        std::filesystem::create_directories(Host(relative).parent_path());
        std::ofstream(Host(relative), std::ios::binary) << bytes;
    }
    // Every file and folder below the root, as relative paths with '/'.
    std::set<std::string> Tree() const {
        std::set<std::string> entries;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(host_))
            entries.insert(std::filesystem::relative(entry.path(), host_).generic_string() +
                           (entry.is_directory() ? "/" : ""));
        return entries;
    }

private:
    std::filesystem::path host_;
};

}  // namespace testsupport
