#include "sim/Builder.h"

#include <cstring>

#include "State.h"
#include <notesapi/ods.h>

#include "sim/Lmbcs.h"

namespace sim {

using namespace detail;

namespace {

void Append(Bytes& b, const void* p, size_t n) {
    const BYTE* s = static_cast<const BYTE*>(p);
    b.insert(b.end(), s, s + n);
}

// Byte length of the LMBCS character starting at `p`.
size_t LmbcsCharLength(const std::string& s, size_t p) {
    const unsigned char b = static_cast<unsigned char>(s[p]);
    if (b >= 0x20 || b == 0 || b == '\t' || b == '\n' || b == '\r') return 1;
    if (b == 0x14 || (b >= 0x10 && b <= 0x13)) return 3;
    return 2;
}

Bytes TextRecord(const std::string& lmbcs, FONTID font) {
    Bytes r;
    PutWord(r, SIG_CD_TEXT);
    PutWord(r, static_cast<WORD>(ods::kCdTextLength + lmbcs.size()));
    PutDword(r, font);
    r.insert(r.end(), lmbcs.begin(), lmbcs.end());
    return r;
}

Item MakeItem(const std::string& utf8Name, Bytes value, WORD flags) {
    Item item;
    item.name = Utf8ToLmbcs(utf8Name);
    item.flags = flags;
    item.value = std::move(value);
    return item;
}

}  // namespace

Bytes detail::EncodeSignature(const std::string& signer, TIMEDATE when, bool verifies) {
    Bytes v;
    PutWord(v, TYPE_SIGNATURE);
    v.push_back('S');
    v.push_back(verifies ? 1 : 0);
    Append(v, &when, sizeof when);
    PutWord(v, static_cast<WORD>(signer.size()));
    v.insert(v.end(), signer.begin(), signer.end());
    return v;
}

bool detail::ParseSignature(const Bytes& v, std::string& signer, TIMEDATE& when, bool& verifies) {
    if (v.size() < 14 || ReadWord(v.data()) != TYPE_SIGNATURE || v[2] != 'S') return false;
    verifies = v[3] != 0;
    std::memcpy(&when, v.data() + 4, sizeof when);
    const WORD n = ReadWord(v.data() + 12);
    if (v.size() < 14u + n) return false;
    signer.assign(v.begin() + 14, v.begin() + 14 + n);
    return true;
}

// ---- rich text ----

RichText& RichText::Paragraph(const std::string& utf8Text) {
    records_.push_back(Bytes{static_cast<BYTE>(SIG_CD_PARAGRAPH), 2});
    if (!utf8Text.empty()) Run(utf8Text);
    return *this;
}

RichText& RichText::Run(const std::string& utf8Text, FONTID font) {
    // A CDTEXT length is 16-bit: long runs become several records.
    constexpr size_t kMaxRun = 60000;
    const std::string text = Utf8ToLmbcs(utf8Text);
    size_t start = 0;
    do {
        size_t end = start;
        while (end < text.size() && end - start + LmbcsCharLength(text, end) <= kMaxRun)
            end += LmbcsCharLength(text, end);
        records_.push_back(TextRecord(text.substr(start, end - start), font));
        start = end;
    } while (start < text.size());
    return *this;
}

RichText& RichText::Record(const Bytes& cdRecord) {
    records_.push_back(cdRecord);
    return *this;
}

// ---- value encodings ----

Bytes EncodeText(const std::string& lmbcs) {
    Bytes v;
    PutWord(v, TYPE_TEXT);
    v.insert(v.end(), lmbcs.begin(), lmbcs.end());
    return v;
}

Bytes EncodeTextList(const std::vector<std::string>& lmbcs) {
    Bytes v;
    PutWord(v, TYPE_TEXT_LIST);
    PutWord(v, static_cast<WORD>(lmbcs.size()));
    for (const auto& s : lmbcs) PutWord(v, static_cast<WORD>(s.size()));
    for (const auto& s : lmbcs) v.insert(v.end(), s.begin(), s.end());
    return v;
}

Bytes EncodeNumbers(const std::vector<NUMBER>& values) {
    if (values.size() == 1) {
        Bytes v;
        PutWord(v, TYPE_NUMBER);
        Append(v, &values[0], 8);
        return v;
    }
    return EncodeNumberRange(values, {});
}

Bytes EncodeNumberRange(const std::vector<NUMBER>& values, const std::vector<NUMBER>& rangePairs) {
    Bytes v;
    PutWord(v, TYPE_NUMBER_RANGE);
    PutWord(v, static_cast<WORD>(values.size()));
    PutWord(v, static_cast<WORD>(rangePairs.size() / 2));
    for (NUMBER d : values) Append(v, &d, 8);
    for (size_t i = 0; i + 1 < rangePairs.size(); i += 2) {
        Append(v, &rangePairs[i], 8);
        Append(v, &rangePairs[i + 1], 8);
    }
    return v;
}

Bytes EncodeTimes(const std::vector<TIMEDATE>& values) {
    if (values.size() == 1) {
        Bytes v;
        PutWord(v, TYPE_TIME);
        Append(v, &values[0], 8);
        return v;
    }
    return EncodeTimeRange(values, {});
}

Bytes EncodeTimeRange(const std::vector<TIMEDATE>& values, const std::vector<TIMEDATE_PAIR>& ranges) {
    Bytes v;
    PutWord(v, TYPE_TIME_RANGE);
    PutWord(v, static_cast<WORD>(values.size()));
    PutWord(v, static_cast<WORD>(ranges.size()));
    for (const TIMEDATE& t : values) Append(v, &t, 8);
    for (const TIMEDATE_PAIR& p : ranges) Append(v, &p, 16);
    return v;
}

Bytes EncodeNoteRefs(const std::vector<UNID>& refs) {
    Bytes v;
    PutWord(v, TYPE_NOTEREF_LIST);
    PutWord(v, static_cast<WORD>(refs.size()));
    for (const UNID& u : refs) Append(v, &u, sizeof u);
    return v;
}

std::vector<Bytes> EncodeRichText(const RichText& text, size_t maxValueBytes) {
    std::vector<Bytes> values;
    Bytes current;
    PutWord(current, TYPE_COMPOSITE);
    for (const Bytes& rec : text.Records()) {
        const size_t padded = rec.size() + (rec.size() & 1);
        if (current.size() > 2 && current.size() + padded > maxValueBytes) {
            values.push_back(std::move(current));
            current.clear();
            PutWord(current, TYPE_COMPOSITE);
        }
        current.insert(current.end(), rec.begin(), rec.end());
        if (rec.size() & 1) current.push_back(0);  // records start at even offsets
    }
    values.push_back(std::move(current));
    return values;
}

// ---- documents ----

Note& DocumentBuilder::Get() const { return db_->notes.at(id_); }

DocumentBuilder& DocumentBuilder::Text(const std::string& name, const std::string& utf8, WORD flags) {
    Get().items.push_back(MakeItem(name, EncodeText(Utf8ToLmbcs(utf8)), flags));
    return *this;
}

DocumentBuilder& DocumentBuilder::TextList(const std::string& name, const std::vector<std::string>& utf8, WORD flags) {
    std::vector<std::string> lmbcs;
    for (const auto& s : utf8) lmbcs.push_back(Utf8ToLmbcs(s));
    Get().items.push_back(MakeItem(name, EncodeTextList(lmbcs), flags));
    return *this;
}

DocumentBuilder& DocumentBuilder::Number(const std::string& name, NUMBER value) { return Numbers(name, {value}); }

DocumentBuilder& DocumentBuilder::Numbers(const std::string& name, const std::vector<NUMBER>& values) {
    Get().items.push_back(MakeItem(name, EncodeNumbers(values), ITEM_SUMMARY));
    return *this;
}

DocumentBuilder& DocumentBuilder::Time(const std::string& name, TIMEDATE value) { return Times(name, {value}); }

DocumentBuilder& DocumentBuilder::Times(const std::string& name, const std::vector<TIMEDATE>& values,
                                        const std::vector<TIMEDATE_PAIR>& ranges) {
    Bytes v = ranges.empty() ? EncodeTimes(values) : EncodeTimeRange(values, ranges);
    Get().items.push_back(MakeItem(name, std::move(v), ITEM_SUMMARY));
    return *this;
}

DocumentBuilder& DocumentBuilder::Rich(const std::string& name, const RichText& text, size_t maxValueBytes) {
    for (Bytes& v : EncodeRichText(text, maxValueBytes)) Get().items.push_back(MakeItem(name, std::move(v), 0));
    return *this;
}

DocumentBuilder& DocumentBuilder::NoteRefs(const std::string& name, const std::vector<UNID>& refs) {
    Get().items.push_back(MakeItem(name, EncodeNoteRefs(refs), ITEM_SUMMARY));
    return *this;
}

DocumentBuilder& DocumentBuilder::Raw(const std::string& name, WORD type, const Bytes& data, WORD flags) {
    Bytes v;
    PutWord(v, type);
    v.insert(v.end(), data.begin(), data.end());
    Get().items.push_back(MakeItem(name, std::move(v), flags));
    return *this;
}

DocumentBuilder& DocumentBuilder::Attachment(const std::string& utf8FileName, Bytes content,
                                             const AttachmentOptions& options) {
    Note& note = Get();
    const std::string name = Utf8ToLmbcs(utf8FileName);
    const DWORD rrv = db_->nextObjectId++;
    FILEOBJECT fo{};
    fo.Header.ObjectType = OBJECT_FILE;
    fo.Header.RRV = rrv;
    fo.FileNameLength = static_cast<WORD>(name.size());
    fo.HostType = options.hostType;
    fo.CompressionType = COMPRESS_NONE;
    fo.FileSize = static_cast<DWORD>(content.size());
    fo.FileCreated = options.created;
    fo.FileModified = options.modified;
    // The item holds the object in canonical form, whatever this build's layout: "Intel 8086 byte
    // ordering with no pad bytes", and TYPE_OBJECT values are among the types stored so (HCL C API
    // user guide, "Domino Canonical Format").
    Bytes v;
    PutWord(v, TYPE_OBJECT);
    const size_t at = v.size();
    v.resize(at + ods::kFileObjectLength);
    ods::WriteFileObject(v.data() + at, fo);
    v.insert(v.end(), name.begin(), name.end());
    Item item;
    item.name = "$FILE";
    item.flags = ITEM_SUMMARY | ITEM_SIGN;
    item.value = std::move(v);
    note.items.push_back(std::move(item));
    note.objects[rrv] = Object(std::move(content), options.encrypted);
    return *this;
}

DocumentBuilder& DocumentBuilder::Signature(const std::string& signer, TIMEDATE when, const SignatureOptions& options) {
    Get().items.push_back(MakeItem(options.itemName, EncodeSignature(Utf8ToLmbcs(signer), when, options.verifies), 0));
    return *this;
}

DocumentBuilder& DocumentBuilder::Seal(const std::string& keyName, const std::vector<std::string>& itemNames) {
    Note& note = Get();
    note.sealKey = keyName;
    const std::vector<std::string> names = itemNames.empty() ? std::vector<std::string>{"Body"} : itemNames;
    bool attachments = itemNames.empty();
    for (const auto& n : names)
        if (NamesEqual(n, "$FILE")) attachments = true;
    for (Item& item : note.items)
        for (const auto& n : names)
            if (NamesEqual(item.name, Utf8ToLmbcs(n)) && !NamesEqual(item.name, "$FILE")) item.flags |= ITEM_SEAL;
    if (attachments)
        for (auto& [rrv, obj] : note.objects) obj.encrypted = true;
    return *this;
}

DocumentBuilder& DocumentBuilder::Originator(const ORIGINATORID& oid) {
    Get().oid = oid;
    return *this;
}

DocumentBuilder& DocumentBuilder::Unid(const UNID& unid) {
    std::memcpy(&Get().oid, &unid, sizeof unid);
    return *this;
}

DocumentBuilder AddNote(Database& db, WORD noteClass) {
    const NOTEID id = db.nextNoteId;
    db.nextNoteId += 4;
    Note& note = db.notes[id];
    note.id = id;
    note.noteClass = noteClass;
    const TIMEDATE now = NowTimeDate();
    note.modified = now;
    note.addedToFile = now;
    note.oid.File = db.replicaId;
    note.oid.Note = now;
    // Distinct universal IDs even for notes made in the same hundredth of a second.
    note.oid.Note.Innards[0] = (now.Innards[0] + db.nextUnid++ * 7919u) % DWORD(TICKS_IN_DAY);
    note.oid.Sequence = 1;
    note.oid.SequenceTime = now;
    return DocumentBuilder(db, id);
}

// ---- views and folders ----

Collection& ViewBuilder::Get() const { return db_->collections[id_]; }

ViewBuilder& ViewBuilder::Entry(NOTEID document) {
    Get().push_back(document);
    return *this;
}

ViewBuilder& ViewBuilder::Entries(const std::vector<NOTEID>& documents) {
    auto& ids = Get().Edit();
    ids.insert(ids.end(), documents.begin(), documents.end());
    return *this;
}

ViewBuilder& ViewBuilder::Category() {
    Get().push_back(NOTEID_CATEGORY | State().nextCategory++);
    return *this;
}

ViewBuilder AddView(Database& db, const std::string& utf8Title, bool folder) {
    DocumentBuilder note = AddNote(db, NOTE_CLASS_VIEW);
    note.Text("$TITLE", utf8Title).Text("$Flags", folder ? "F" : "");
    db.collections[note.Id()];
    return ViewBuilder(db, note.Id());
}

}  // namespace sim
