// Helpers the mail tests share: the corpora on disk and documents read back through the API.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace mailtest {

std::string DataDir();  // the mail corpora
std::string ReadAll(const std::filesystem::path& path);
// Paths relative to DataDir()/dir of the files below it whose names end with `suffix`, sorted.
std::vector<std::string> FilesBelow(const std::string& dir, const std::string& suffix,
                                    bool (*keep)(const std::string&) = nullptr);
// The mailboxes of one corpus: its Maildirs and its files that hold mail, sorted.
std::vector<std::filesystem::path> MailboxesOf(const std::string& set);
// A test name made of the path's letters and digits.
std::string ParamName(const ::testing::TestParamInfo<std::string>& info);

struct StoredFile {
    std::string name;  // UTF-8
    std::string bytes;
};
// The attachments of a document, read through the Notes API in note order.
std::vector<StoredFile> ExtractAttachments(const std::string& dbPath, uint32_t noteId);
// Imports the one message in `path` into a fresh database and reads the attachments of
// the document back in note order.
std::vector<StoredFile> ImportAndExtract(const std::filesystem::path& path);

// Text in `charset` (empty: US-ASCII/UTF-8) as UTF-8.
std::string ToUtf8(const std::string& bytes, const std::string& charset);
std::string Base64Decoded(const std::string& text);
// CR LF as LF, trailing line ends dropped: a message re-written after parsing keeps its
// lines but not necessarily its line ends.
std::string LineEndsTrimmed(std::string text);

}  // namespace mailtest
