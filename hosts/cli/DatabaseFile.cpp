#include "DatabaseFile.h"

#include <cctype>
#include <filesystem>
#include <fstream>

#include "sim/dxl/Dxl.h"
#include "sim/mail/MailboxDatabase.h"

namespace stowline::cli {

namespace fs = std::filesystem;

bool IsMailbox(const std::string& path) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) return true;
    std::string ext = fs::path(path).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".dxl" || ext == ".xml") return false;
    std::ifstream in(path, std::ios::binary);
    char head[64] = {};
    in.read(head, sizeof head);
    std::string start(head, static_cast<std::size_t>(in.gcount()));
    if (start.compare(0, 3, "\xEF\xBB\xBF") == 0) start.erase(0, 3);
    const std::size_t first = start.find_first_not_of(" \t\r\n");
    return first == std::string::npos || start[first] != '<';
}

sim::Database* OpenDatabase(const std::string& command, const std::string& path, std::ostream& err) {
    std::string error;
    sim::Database* db = nullptr;
    if (IsMailbox(path)) {
        std::vector<std::string> problems;
        db = sim::mail::OpenMailboxDatabase(path, problems, error);
        for (const std::string& problem : problems) err << "skipped " << problem << '\n';
    } else {
        db = sim::dxl::LoadDatabase(path, error);
    }
    if (!db) err << "stowline " << command << ": " << error << '\n';
    return db;
}

std::optional<sim::Note> DocumentOf(const sim::Database& db, NOTEID id) {
    if (auto it = db.notes.find(id); it != db.notes.end()) return it->second;
    sim::Note note;
    std::string error;
    if (db.source && db.source->Has(id) && db.source->Build(id, note, error)) return note;
    return std::nullopt;
}

}  // namespace stowline::cli
