#include "sim/Model.h"

#include <cstring>

namespace sim {

bool NamesEqual(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

const Item* Note::Find(const std::string& name) const {
    for (const Item& item : items)
        if (NamesEqual(item.name, name)) return &item;
    return nullptr;
}

Item* Note::Find(const std::string& name) { return const_cast<Item*>(static_cast<const Note*>(this)->Find(name)); }

Note* Database::FindNote(NOTEID id) {
    auto it = notes.find(id);
    return it == notes.end() ? nullptr : &it->second;
}

Note* Database::FindNoteByUnid(const UNID& unid) {
    for (auto& [id, note] : notes)
        if (std::memcmp(&note.oid, &unid, sizeof(UNID)) == 0) return &note;
    return nullptr;
}

}  // namespace sim
