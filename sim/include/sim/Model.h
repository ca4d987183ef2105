// The stand-in's data model: databases, notes and items as Notes stores them.
// Item values keep their exact on-disk encoding (type word + data), so a loader or saver
// (DXL, mail import) can move them in and out without knowing the API layer.
#pragma once

#include <notesapi/notesapi.h>

#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sim {

using Bytes = std::vector<BYTE>;

// Item flags, as Notes keeps them beside each item.
enum : WORD {
    ITEM_SIGN = 0x0001,
    ITEM_SEAL = 0x0002,
    ITEM_SUMMARY = 0x0004,
    ITEM_READWRITERS = 0x0020,
    ITEM_NAMES = 0x0040,
    ITEM_PROTECTED = 0x0200,
    ITEM_READERS = 0x0400,
};

struct Item {
    std::string name;  // LMBCS; compared case-insensitively
    WORD flags = 0;
    Bytes value;  // 2-byte type word, then the data, exactly as NSFItemInfo hands it out

    WORD Type() const { return value.size() >= 2 ? WORD(value[0] | (value[1] << 8)) : WORD(0); }
};

// A file object (the bytes a $FILE item's FILEOBJECT refers to through its RRV). Its bytes do
// not change once it is made, so every copy of its note (each open handle holds one) shares
// them instead of copying an attachment each time the note is opened.
struct Object {
    Object() = default;
    explicit Object(Bytes bytes, bool encrypted = false)
        : encrypted(encrypted), bytes_(std::make_shared<const Bytes>(std::move(bytes))) {}

    const Bytes& bytes() const {
        static const Bytes none;
        return bytes_ ? *bytes_ : none;
    }

    bool encrypted = false;  // needs the note's key to be extracted

private:
    std::shared_ptr<const Bytes> bytes_;
};

struct Note {
    NOTEID id = 0;
    ORIGINATORID oid{};  // its first 16 bytes are the universal ID
    WORD noteClass = NOTE_CLASS_DOCUMENT;
    TIMEDATE modified{};
    TIMEDATE addedToFile{};
    bool deleted = false;             // a deletion stub: no items, still listed with RRV_DELETED
    std::vector<Item> items;          // in note order; several items may share a name
    std::map<DWORD, Object> objects;  // by object ID (FILEOBJECT.Header.RRV)
    std::string sealKey;              // name of the encryption key; empty = not sealed

    // First item of that name (case-insensitive), or null.
    const Item* Find(const std::string& name) const;
    Item* Find(const std::string& name);
};

// A view or folder's collection: the ordered entries NIFReadEntries returns. Category rows
// are IDs with NOTEID_CATEGORY set; a document may appear more than once. Copies share one list
// until one of them is changed: an open collection's snapshot, or views that list the same
// documents, cost nothing more while that holds, however many documents they list.
class Collection {
public:
    using const_iterator = std::vector<NOTEID>::const_iterator;
    using iterator = const_iterator;

    Collection() = default;
    Collection(std::initializer_list<NOTEID> ids) : ids_(std::make_shared<std::vector<NOTEID>>(ids)) {}
    explicit Collection(std::vector<NOTEID> ids) : ids_(std::make_shared<std::vector<NOTEID>>(std::move(ids))) {}

    size_t size() const { return ids_ ? ids_->size() : 0; }
    bool empty() const { return size() == 0; }
    const_iterator begin() const { return Ids().begin(); }
    const_iterator end() const { return Ids().end(); }
    NOTEID operator[](size_t i) const { return (*ids_)[i]; }
    bool operator==(const Collection& other) const { return ids_ == other.ids_ || Ids() == other.Ids(); }

    void push_back(NOTEID id) { Edit().push_back(id); }
    void reserve(size_t n) { Edit().reserve(n); }
    // The list to change, no longer shared with any copy.
    std::vector<NOTEID>& Edit() {
        if (!ids_)
            ids_ = std::make_shared<std::vector<NOTEID>>();
        else if (ids_.use_count() > 1)
            ids_ = std::make_shared<std::vector<NOTEID>>(*ids_);
        return *ids_;
    }

private:
    const std::vector<NOTEID>& Ids() const {
        static const std::vector<NOTEID> none;
        return ids_ ? *ids_ : none;
    }
    std::shared_ptr<std::vector<NOTEID>> ids_;
};

// Documents a database does not hold in `notes` but builds each time one is opened, and
// forgets when it is closed (a mailbox read in place). Design notes stay in `notes`.
class DocumentSource {
public:
    virtual ~DocumentSource() = default;
    // The documents' note IDs, ascending.
    virtual std::vector<NOTEID> Ids() const = 0;
    virtual bool Has(NOTEID id) const = 0;
    // Builds the whole document; false with a reason when it cannot be read.
    virtual bool Build(NOTEID id, Note& note, std::string& error) const = 0;
    // The entries of a view the client has just read, in the order it is likely to open them,
    // so that a source may build them ahead; empty: no more are expected (its collection was
    // closed). Building ahead never changes what Build gives.
    virtual void Expect(const std::vector<NOTEID>& order) const { (void)order; }
};

struct Database {
    std::string path;   // as NSFDbOpen is given it
    std::string title;  // LMBCS
    DBID replicaId{};
    std::map<NOTEID, Note> notes;              // ascending note ID
    std::map<NOTEID, Collection> collections;  // by view/folder note ID
    NOTEID nextNoteId = 0x8F6;
    DWORD nextObjectId = 1;
    DWORD nextUnid = 1;
    std::shared_ptr<const DocumentSource> source;  // documents built on open, or null
    bool readOnly = false;                         // nothing may be deleted or changed through the API

    Note* FindNote(NOTEID id);
    Note* FindNoteByUnid(const UNID& unid);
};

// Case-insensitive comparison of item and design names, as Notes does for ASCII letters.
bool NamesEqual(const std::string& a, const std::string& b);

}  // namespace sim
