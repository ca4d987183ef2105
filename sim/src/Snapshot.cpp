#include "sim/Snapshot.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "sim/Engine.h"

namespace sim {
namespace {

constexpr const char* kMagic = "stowline-notes-snapshot 1";

std::string ToHex(const void* data, size_t size) {
    static const char digits[] = "0123456789abcdef";
    const auto* p = static_cast<const unsigned char*>(data);
    std::string out;
    out.reserve(size * 2 + 1);
    for (size_t i = 0; i < size; ++i) {
        out += digits[p[i] >> 4];
        out += digits[p[i] & 15];
    }
    return out.empty() ? "-" : out;  // "-" keeps an empty value a token of its own
}
std::string ToHex(const std::string& s) { return ToHex(s.data(), s.size()); }
std::string ToHex(const Bytes& b) { return ToHex(b.data(), b.size()); }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool FromHex(const std::string& hex, Bytes& out) {
    out.clear();
    if (hex == "-") return true;
    if (hex.size() % 2) return false;
    out.reserve(hex.size() / 2);
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out.push_back(static_cast<BYTE>(hi * 16 + lo));
    }
    return true;
}

bool FromHex(const std::string& hex, std::string& out) {
    Bytes b;
    if (!FromHex(hex, b)) return false;
    out.assign(b.begin(), b.end());
    return true;
}

// A fixed-size structure stored as its bytes (both builds are little-endian and byte-packed).
template <typename T>
bool FromHexStruct(const std::string& hex, T& out) {
    Bytes b;
    if (!FromHex(hex, b) || b.size() != sizeof(T)) return false;
    std::memcpy(&out, b.data(), sizeof(T));
    return true;
}

}  // namespace

bool WriteSnapshot(const Database& db, const std::string& file, std::string& error) {
    std::ostringstream out;
    out << kMagic << "\n";
    out << "title " << ToHex(db.title) << "\n";
    out << "replica " << ToHex(&db.replicaId, sizeof db.replicaId) << "\n";
    out << "next " << db.nextNoteId << " " << db.nextObjectId << " " << db.nextUnid << "\n";
    for (const auto& [id, note] : db.notes) {
        out << "note " << id << " " << note.noteClass << " " << (note.deleted ? 1 : 0) << " "
            << ToHex(&note.oid, sizeof note.oid) << " " << ToHex(&note.modified, sizeof note.modified) << " "
            << ToHex(&note.addedToFile, sizeof note.addedToFile) << " " << ToHex(note.sealKey) << "\n";
        for (const auto& item : note.items)
            out << "item " << item.flags << " " << ToHex(item.name) << " " << ToHex(item.value) << "\n";
        for (const auto& [objectId, object] : note.objects)
            out << "object " << objectId << " " << (object.encrypted ? 1 : 0) << " " << ToHex(object.bytes()) << "\n";
    }
    for (const auto& [viewId, entries] : db.collections) {
        out << "collection " << viewId << " " << entries.size();
        for (NOTEID e : entries) out << " " << e;
        out << "\n";
    }
    out << "end\n";

    // Written beside the target and renamed over it, so a failed save leaves the old file whole.
    const std::string temp = file + ".tmp";
    {
        std::ofstream f(temp, std::ios::binary | std::ios::trunc);
        const std::string text = out.str();
        f.write(text.data(), static_cast<std::streamsize>(text.size()));
        f.close();
        if (!f) {
            std::remove(temp.c_str());
            error = "cannot write the snapshot file " + file;
            return false;
        }
    }
    std::remove(file.c_str());  // rename does not replace an existing file on Windows
    if (std::rename(temp.c_str(), file.c_str()) != 0) {
        error = "cannot replace the snapshot file " + file;
        return false;
    }
    return true;
}

bool ReadSnapshot(const std::string& file, Database& db, std::string& error) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = "cannot open the snapshot file " + file;
        return false;
    }
    Database loaded;
    loaded.path = db.path;
    std::string line;
    size_t lineNo = 0;
    Note* current = nullptr;
    bool ended = false;
    auto fail = [&](const std::string& what) {
        error = file + ":" + std::to_string(lineNo) + ": " + what;
        return false;
    };
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (lineNo == 1) {
            if (line != kMagic) return fail("not a stand-in snapshot");
            continue;
        }
        if (ended) return fail("text after the end line");
        std::istringstream ls(line);
        std::string kind;
        ls >> kind;
        if (kind == "title") {
            std::string hex;
            if (!(ls >> hex) || !FromHex(hex, loaded.title)) return fail("bad title");
        } else if (kind == "replica") {
            std::string hex;
            if (!(ls >> hex) || !FromHexStruct(hex, loaded.replicaId)) return fail("bad replica ID");
        } else if (kind == "next") {
            if (!(ls >> loaded.nextNoteId >> loaded.nextObjectId >> loaded.nextUnid)) return fail("bad counters");
        } else if (kind == "note") {
            NOTEID id = 0;
            unsigned noteClass = 0, deleted = 0;
            std::string oid, modified, added, seal;
            if (!(ls >> id >> noteClass >> deleted >> oid >> modified >> added >> seal)) return fail("bad note line");
            if (loaded.notes.count(id)) return fail("note " + std::to_string(id) + " given twice");
            Note note;
            note.id = id;
            note.noteClass = static_cast<WORD>(noteClass);
            note.deleted = deleted != 0;
            if (!FromHexStruct(oid, note.oid) || !FromHexStruct(modified, note.modified) ||
                !FromHexStruct(added, note.addedToFile) || !FromHex(seal, note.sealKey))
                return fail("bad note fields");
            current = &(loaded.notes[id] = std::move(note));
        } else if (kind == "item" || kind == "object") {
            if (!current) return fail(kind + " before any note");
            if (kind == "item") {
                Item item;
                unsigned flags = 0;
                std::string name, value;
                if (!(ls >> flags >> name >> value) || !FromHex(name, item.name) || !FromHex(value, item.value))
                    return fail("bad item line");
                item.flags = static_cast<WORD>(flags);
                current->items.push_back(std::move(item));
            } else {
                DWORD objectId = 0;
                unsigned encrypted = 0;
                std::string data;
                Bytes bytes;
                if (!(ls >> objectId >> encrypted >> data) || !FromHex(data, bytes)) return fail("bad object line");
                current->objects[objectId] = Object(std::move(bytes), encrypted != 0);
            }
        } else if (kind == "collection") {
            NOTEID viewId = 0;
            size_t count = 0;
            if (!(ls >> viewId >> count)) return fail("bad collection line");
            Collection entries;
            for (size_t i = 0; i < count; ++i) {
                NOTEID e = 0;
                if (!(ls >> e)) return fail("collection shorter than its count");
                entries.push_back(e);
            }
            loaded.collections[viewId] = std::move(entries);
        } else if (kind == "end") {
            ended = true;
        } else {
            return fail("unknown line '" + kind + "'");
        }
    }
    if (lineNo == 0) return fail("empty file");
    if (!ended) return fail("the file ends early (no end line)");
    db = std::move(loaded);
    return true;
}

}  // namespace sim

namespace {

// The text of a TYPE_TEXT value (type word, then the text).
std::string TextOf(const sim::Item* item) {
    if (!item || item->value.size() < 2 || item->Type() != TYPE_TEXT) return {};
    return std::string(item->value.begin() + 2, item->value.end());
}

bool TitleMatches(const std::string& full, const std::string& wanted) {
    if (sim::NamesEqual(full, wanted)) return true;
    size_t start = 0;
    while (start <= full.size()) {
        const size_t bar = full.find('|', start);
        const std::string part = full.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
        if (sim::NamesEqual(part, wanted)) return true;
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    return false;
}

}  // namespace

STATUS LNPUBLIC SimLoadSnapshot(const char* snapshotFile, const char* dbPath) {
    if (!snapshotFile || !dbPath) return ERR_NOT_FOUND;
    sim::Database loaded;
    std::string error;
    if (!sim::ReadSnapshot(snapshotFile, loaded, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return ERR_NOT_FOUND;
    }
    sim::Database& db = sim::CreateDatabase(dbPath);
    loaded.path = db.path;
    db = std::move(loaded);
    return NOERROR;
}

STATUS LNPUBLIC SimSaveSnapshot(const char* dbPath, const char* snapshotFile) {
    const sim::Database* db = dbPath ? sim::FindDatabase(dbPath) : nullptr;
    if (!db || !snapshotFile) return ERR_NOT_FOUND;
    std::string error;
    if (!sim::WriteSnapshot(*db, snapshotFile, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return ERR_NOT_FOUND;
    }
    return NOERROR;
}

DBHANDLE LNPUBLIC SimClientDbHandle(const char* dbPath) {
    sim::Database* db = dbPath ? sim::FindDatabase(dbPath) : nullptr;
    return db ? sim::ClientDbHandle(*db) : NULLHANDLE;
}

DHANDLE LNPUBLIC SimClientIdTable(const NOTEID* ids, DWORD count) {
    return sim::ClientIdTable(std::vector<NOTEID>(ids, ids + (ids ? count : 0)));
}

void LNPUBLIC SimReleaseClientHandle(DHANDLE handle) { sim::ReleaseClientHandle(handle); }

NOTEID LNPUBLIC SimFindView(const char* dbPath, const char* title) {
    sim::Database* db = dbPath ? sim::FindDatabase(dbPath) : nullptr;
    if (!db || !title) return 0;
    for (const auto& [id, note] : db->notes)
        if (!note.deleted && (note.noteClass & NOTE_CLASS_VIEW) && TitleMatches(TextOf(note.Find("$TITLE")), title))
            return id;
    return 0;
}

DWORD LNPUBLIC SimViewEntries(const char* dbPath, NOTEID view, NOTEID* ids, DWORD max) {
    sim::Database* db = dbPath ? sim::FindDatabase(dbPath) : nullptr;
    if (!db) return 0;
    auto it = db->collections.find(view);
    if (it == db->collections.end()) return 0;
    DWORD n = 0;
    for (NOTEID e : it->second) {
        if (e & NOTEID_CATEGORY) continue;
        if (ids && n < max) ids[n] = e;
        ++n;
    }
    return n;
}

void LNPUBLIC SimSetNoteOpenPace(DWORD milliseconds) { sim::SetNoteOpenPace(milliseconds); }

DWORD LNPUBLIC SimCheckClean(char* buffer, DWORD size) {
    const auto problems = sim::CheckClean();
    if (buffer && size) {
        std::string text;
        for (const auto& p : problems) text += p + "\n";
        const size_t n = std::min<size_t>(text.size(), size - 1);
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    }
    return static_cast<DWORD>(problems.size());
}
