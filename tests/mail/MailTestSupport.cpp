#include "MailTestSupport.h"

#include <glib.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include <cstring>
#include <random>

#include <notesapi/notesapi.h>
#include <notesapi/ods.h>

#include "sim/Lmbcs.h"
#include "support/StandInFixture.h"
#include "sim/mail/Import.h"

namespace fs = std::filesystem;

namespace mailtest {

std::string DataDir() { return std::string(STOWLINE_DATA_DIR) + "/mail"; }

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return std::move(content).str();
}

std::vector<std::string> FilesBelow(const std::string& dir, const std::string& suffix,
                                    bool (*keep)(const std::string&)) {
    std::vector<std::string> files;
    fs::path root = fs::path(DataDir()) / dir;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (it->is_regular_file() && name.size() >= suffix.size() && name.ends_with(suffix))
            files.push_back(fs::relative(it->path(), root).string());
    }
    std::sort(files.begin(), files.end());
    if (keep) std::erase_if(files, [&](const std::string& file) { return !keep(file); });
    return files;
}

namespace {
// Files of a corpus that are mail: everything but licences, notes and the expected outputs
// and decoded parts shipped beside the messages.
bool IsMailFile(const fs::path& path) {
    std::string name = path.filename().string();
    for (const char* skip :
         {"LICENSE", "NOTICE", "SOURCE.txt", "COPYING", "README", "MIT", "Apache-2.0", ".gitattributes"})
        if (name.starts_with(skip)) return false;
    if (name.find("_decoded") != std::string::npos || name.ends_with("-summary.txt")) return false;
    for (const char* ext : {".json", ".xml", ".out", ".png", ".jpg", ".gif", ".pdf", ".wav", ".tiff", ".zip"})
        if (name.ends_with(ext)) return false;
    return true;
}
}  // namespace

std::vector<fs::path> MailboxesOf(const std::string& set) {
    std::vector<fs::path> boxes;
    fs::path root = fs::path(DataDir()) / set;
    for (fs::recursive_directory_iterator it(root), end; it != end; ++it) {
        if (it->is_directory() && fs::exists(it->path() / "cur")) {
            boxes.push_back(it->path());  // a Maildir is one mailbox
            it.disable_recursion_pending();
        } else if (it->is_regular_file() && IsMailFile(it->path())) {
            boxes.push_back(it->path());
        }
    }
    std::sort(boxes.begin(), boxes.end());
    return boxes;
}

std::string ParamName(const ::testing::TestParamInfo<std::string>& info) {
    std::string name;
    for (char c : info.param) name += isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

std::vector<StoredFile> ExtractAttachments(const std::string& dbPath, NOTEID noteId) {
    std::vector<StoredFile> files;
    DBHANDLE hDb = NULLHANDLE;
    EXPECT_EQ(NSFDbOpen(dbPath.c_str(), &hDb), NOERROR);
    NOTEHANDLE hNote = NULLHANDLE;
    EXPECT_EQ(NSFNoteOpen(hDb, noteId, 0, &hNote), NOERROR);
    fs::path scratch = fs::temp_directory_path() / ("mail-tests-" + std::to_string(std::random_device{}()));
    BLOCKID item{}, value{};
    WORD type = 0;
    DWORD length = 0;
    STATUS status = NSFItemInfo(hNote, "$FILE", 5, &item, &type, &value, &length);
    while (status == NOERROR) {
        // The value: type word, FILEOBJECT, then the LMBCS file name.
        const char* data = static_cast<const char*>(OSLockObject(value.pool)) + value.block;
        const FILEOBJECT object = ods::ReadFileObject(data + sizeof(WORD));
        std::string name =
            sim::LmbcsToUtf8(std::string_view(data + sizeof(WORD) + ods::kFileObjectLength, object.FileNameLength));
        OSUnlockObject(value.pool);
        EXPECT_EQ(NSFNoteExtractFile(hNote, item, scratch.string().c_str(), nullptr), NOERROR) << name;
        files.push_back({name, ReadAll(scratch)});
        fs::remove(scratch);
        status = NSFItemInfoNext(hNote, item, "$FILE", 5, &item, &type, &value, &length);
    }
    NSFNoteClose(hNote);
    NSFDbClose(hDb);
    return files;
}

std::vector<StoredFile> ImportAndExtract(const fs::path& path) {
    sim::Reset();
    sim::Database& db = sim::CreateDatabase("import.nsf");
    sim::mail::ImportSummary summary = sim::mail::Import(db, {path});
    EXPECT_EQ(summary.messages, 1u) << summary.Line();
    std::vector<StoredFile> files;
    for (auto& [id, note] : db.notes)
        if (note.noteClass == NOTE_CLASS_DOCUMENT) files = ExtractAttachments(db.path, id);
    SIM_EXPECT_CLEAN();
    return files;
}

std::string ToUtf8(const std::string& bytes, const std::string& charset) {
    if (charset.empty() || g_ascii_strcasecmp(charset.c_str(), "us-ascii") == 0 ||
        g_ascii_strcasecmp(charset.c_str(), "utf-8") == 0)
        return bytes;
    gsize written = 0;
    char* converted = g_convert_with_fallback(bytes.data(), static_cast<gssize>(bytes.size()), "UTF-8", charset.c_str(),
                                              "?", nullptr, &written, nullptr);
    if (!converted) return bytes;
    std::string out(converted, written);
    g_free(converted);
    return out;
}

std::string Base64Decoded(const std::string& text) {
    gsize length = 0;
    guchar* decoded = g_base64_decode(text.c_str(), &length);
    std::string out(reinterpret_cast<const char*>(decoded), length);
    g_free(decoded);
    return out;
}

std::string LineEndsTrimmed(std::string text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

}  // namespace mailtest
