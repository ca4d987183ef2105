#include "Filing.h"

#include <glib.h>
#include <nettle/sha2.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <map>

#include "sim/Builder.h"
#include "sim/Lmbcs.h"
#include "sim/Time.h"

namespace sim::mail::detail {
namespace {

constexpr const char* kDefaultFolder = "($Inbox)";
constexpr const char* kAllView = "($All)";

UNID UnidFromKey(std::string_view key) {
    GChecksum* checksum = g_checksum_new(G_CHECKSUM_MD5);
    g_checksum_update(checksum, reinterpret_cast<const guchar*>(key.data()), key.size());
    guint8 digest[16];
    gsize length = sizeof digest;
    g_checksum_get_digest(checksum, digest, &length);
    g_checksum_free(checksum);
    UNID unid{};
    memcpy(&unid, digest, std::min(sizeof unid, static_cast<size_t>(length)));
    return unid;
}

std::string TextValue(const Item* item) {
    if (!item || item->Type() != TYPE_TEXT) return {};
    return std::string(reinterpret_cast<const char*>(item->value.data()) + 2, item->value.size() - 2);
}

std::optional<int64_t> TimeValue(const Note& note, const char* name) {
    const Item* item = note.Find(name);
    if (!item || item->Type() != TYPE_TIME || item->value.size() < 2 + sizeof(TIMEDATE)) return std::nullopt;
    TIMEDATE when;
    memcpy(&when, item->value.data() + 2, sizeof when);
    int64_t seconds = 0;
    if (!TimeDateToUnix(when, seconds)) return std::nullopt;
    return seconds;
}

bool TitleNames(const std::string& title, const std::string& wanted) {
    size_t start = 0;
    while (start <= title.size()) {
        size_t end = title.find('|', start);
        if (end == std::string::npos) end = title.size();
        if (NamesEqual(title.substr(start, end - start), wanted)) return true;
        start = end + 1;
    }
    return false;
}

uint64_t HashOf(const UNID& unid) {
    uint64_t h;
    memcpy(&h, &unid, sizeof h);  // the bytes of a digest: spread already
    return h;
}

}  // namespace

// Every message opened is digested: nettle's SHA-256 uses the processor's SHA instructions
// where it has them, several times faster than a portable one.
std::string Digest(std::string_view bytes) {
    sha256_ctx context;
    sha256_init(&context);
    sha256_update(&context, bytes.size(), reinterpret_cast<const uint8_t*>(bytes.data()));
    uint8_t digest[SHA256_DIGEST_SIZE];
    sha256_digest(&context, sizeof digest, digest);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex(2 * sizeof digest, '0');
    for (size_t i = 0; i < sizeof digest; ++i) {
        hex[2 * i] = kHex[digest[i] >> 4];
        hex[2 * i + 1] = kHex[digest[i] & 15];
    }
    return hex;
}

int64_t SortDate(const std::optional<int64_t>& posted, const std::optional<int64_t>& delivered) {
    return posted ? *posted : delivered.value_or(0);
}

Filing::Filing(Database& db, const std::string& folder, HeldDigest heldDigest)
    : db_(db), folder_(folder), heldDigest_(std::move(heldDigest)) {
    for (auto& [id, note] : db_.notes) {
        UNID unid;
        memcpy(&unid, &note.oid, sizeof unid);
        Hold(unid, id);
        if (note.noteClass == NOTE_CLASS_VIEW && !note.deleted) views_.emplace_back(TextValue(note.Find("$TITLE")), id);
    }
    allView_ = ViewNamed(kAllView, false);
}

void Filing::Hold(const UNID& unid, NOTEID id) {
    if ((held_.size() + 1) * 2 > slots_.size()) {
        slots_.assign(std::max<size_t>(1024, slots_.size() * 2), 0);
        for (uint32_t i = 0; i < held_.size(); ++i) {
            size_t slot = HashOf(held_[i].first) & (slots_.size() - 1);
            while (slots_[slot]) slot = (slot + 1) & (slots_.size() - 1);
            slots_[slot] = i + 1;
        }
    }
    held_.emplace_back(unid, id);
    size_t slot = HashOf(unid) & (slots_.size() - 1);
    while (slots_[slot]) slot = (slot + 1) & (slots_.size() - 1);
    slots_[slot] = static_cast<uint32_t>(held_.size());
}

int64_t Filing::Held(const UNID& unid) const {
    if (slots_.empty()) return -1;
    for (size_t slot = HashOf(unid) & (slots_.size() - 1); slots_[slot]; slot = (slot + 1) & (slots_.size() - 1))
        if (memcmp(&held_[slots_[slot] - 1].first, &unid, sizeof unid) == 0) return slots_[slot] - 1;
    return -1;
}

std::optional<UNID> Filing::Choose(const std::string& messageId, std::string_view bytes, UnidFrom* from) {
    std::string digest;
    UNID unid;
    if (!messageId.empty()) {
        unid = UnidMadeFrom(UnidFrom::MessageId, messageId, digest);
        int64_t held = Held(unid);
        if (held < 0) {
            if (from) *from = UnidFrom::MessageId;
            return unid;
        }
        digest = Digest(bytes);
        if (heldDigest_(held_[held].second) == digest) return std::nullopt;
    }
    if (digest.empty()) digest = Digest(bytes);
    unid = UnidMadeFrom(UnidFrom::MessageIdAndDigest, messageId, digest);
    int64_t held = Held(unid);
    if (held < 0) {
        if (from) *from = UnidFrom::MessageIdAndDigest;
        return unid;
    }
    if (heldDigest_(held_[held].second) == digest) return std::nullopt;
    // Both IDs are taken by other content: a fresh one.
    unid = UnidFromKey("<" + messageId + ">\n" + digest + "\n" + std::to_string(db_.nextNoteId));
    while (Held(unid) >= 0) unid = UnidFromKey(std::string_view(reinterpret_cast<const char*>(&unid), sizeof unid));
    if (from) *from = UnidFrom::Fresh;
    return unid;
}

UNID Filing::UnidMadeFrom(UnidFrom from, const std::string& messageId, const std::string& digest) {
    if (from == UnidFrom::MessageId) return UnidFromKey("<" + messageId + ">");
    return UnidFromKey("<" + messageId + ">\n" + digest);
}

NOTEID Filing::NewDocumentId() {
    // As AddNote takes them, so that documents built later get the IDs an import gives them.
    NOTEID id = db_.nextNoteId;
    db_.nextNoteId += 4;
    ++db_.nextUnid;
    return id;
}

NOTEID Filing::ViewNamed(const std::string& title, bool folder) {
    std::string lmbcs = Utf8ToLmbcs(title);
    for (const auto& [viewTitle, id] : views_)
        if (TitleNames(viewTitle, lmbcs)) return id;
    NOTEID id = AddView(db_, title, folder).Id();
    views_.emplace_back(lmbcs, id);
    UNID unid;
    memcpy(&unid, &db_.notes.at(id).oid, sizeof unid);
    Hold(unid, id);
    return id;
}

void Filing::File(NOTEID document, const UNID& unid, const std::string& subfolder, int64_t sortDate) {
    Hold(unid, document);
    std::string title = subfolder.empty() ? (folder_.empty() ? kDefaultFolder : folder_)
                                          : (folder_.empty() ? subfolder : folder_ + "\\" + subfolder);
    pending_.push_back({sortDate, document, ViewNamed(title, true)});
}

void Filing::Finish() {
    std::stable_sort(pending_.begin(), pending_.end(),
                     [](const Pending& a, const Pending& b) { return a.date < b.date; });
    std::map<NOTEID, std::vector<const Pending*>> byView;
    for (const Pending& p : pending_) {
        byView[allView_].push_back(&p);
        if (p.folder != allView_) byView[p.folder].push_back(&p);
    }
    for (auto& [view, added] : byView) {
        Collection& entries = db_.collections[view];
        if (entries.empty()) {
            entries.reserve(added.size());
            for (const Pending* p : added) entries.push_back(p->document);
            continue;
        }
        // Held entries come first among those of the same date.
        std::vector<NOTEID> merged;
        merged.reserve(entries.size() + added.size());
        std::vector<int64_t> dates;
        for (NOTEID id : entries) {
            const Note* note = db_.FindNote(id);
            dates.push_back(note ? SortDate(TimeValue(*note, "PostedDate"), TimeValue(*note, "DeliveredDate"))
                                 : INT64_MIN);
        }
        size_t next = 0;
        for (const Pending* p : added) {
            while (next < entries.size() && dates[next] <= p->date) merged.push_back(entries[next++]);
            merged.push_back(p->document);
        }
        merged.insert(merged.end(), entries.begin() + static_cast<std::ptrdiff_t>(next), entries.end());
        entries = Collection(std::move(merged));
    }
    // A mailbox without subfolders files every message in one folder, which then lists what
    // ($All) lists: the two share the list.
    const Collection& all = db_.collections[allView_];
    for (auto& [view, entries] : db_.collections)
        if (view != allView_ && entries == all) entries = all;
    pending_.clear();
    pending_.shrink_to_fit();
}

}  // namespace sim::mail::detail
