#include "notes/ItemText.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include <notesapi/ods.h>

#include "notes/FieldReadError.h"
#include "notes/NotesText.h"

namespace stowline {

namespace {
constexpr std::size_t kScratchSize = 65536;
constexpr WORD kTextLimit = 65535;
constexpr WORD kConvertLimit = 61440;
constexpr DWORD kCdHeader = ods::kCdTextLength;

// Stage numbers, shown in the message when reading a field fails.
enum Stage : std::int32_t {
    kLookedUp = 200,
    kAppendText = 230,
    kAppendListEntry = 330,
    kAppendConverted = 50,
    kItemDone = 30000,
};

// Gathers the text runs and paragraph ends of one rich-text item in place.
struct RichTextCollector {
    char* write;
    const char* end;  // last usable byte; one more is kept for the terminator
    std::size_t count;
};

STATUS LNCALLBACK CollectRichText(char* record, WORD recordType, DWORD recordLength, void* context) {
    auto* collector = static_cast<RichTextCollector*>(context);
    const WORD textLength = static_cast<WORD>(recordLength - kCdHeader);
    if (textLength == 0) return NOERROR;
    std::size_t room = static_cast<std::size_t>(collector->end - collector->write);
    if (recordType == SIG_CD_TEXT) {
        if (recordLength < kCdHeader) return NOERROR;  // too short to hold a run
        std::size_t length = std::min<std::size_t>(textLength, room);
        std::memcpy(collector->write, record + kCdHeader, length);
        collector->write += length;
        collector->count += length;
        *collector->write = '\0';
    } else if (recordType == SIG_CD_PARAGRAPH) {
        if (room == 0) return NOERROR;
        *collector->write++ = '\n';
        ++collector->count;
        *collector->write = '\0';
    }
    return NOERROR;
}

// Room for one value's text. Text, text lists and rich text give no more text than their value
// holds, so most fields need a few bytes, not the 64 KB a conversion to text may fill: a large
// block for every field read was a tenth of the time spent writing a document out.
class Scratch {
public:
    // At least `bytes` (at most kScratchSize), unfilled: every call says how much it wrote.
    char* Room(std::size_t bytes) {
        bytes = std::clamp<std::size_t>(bytes, 2, kScratchSize);
        if (bytes > size_) {
            bytes_ = std::make_unique_for_overwrite<char[]>(bytes);
            size_ = bytes;
        }
        bytes_[0] = '\0';
        return bytes_.get();
    }
    // The most a call may write, its terminator included, kept one byte short of the room.
    WORD Limit() const { return static_cast<WORD>(size_ - 1); }
    std::size_t Size() const { return size_; }

private:
    std::unique_ptr<char[]> bytes_;
    std::size_t size_ = 0;
};

// Room for the text of a value `valueLength` bytes long: its type word and its text.
std::size_t TextRoom(DWORD valueLength) { return static_cast<std::size_t>(valueLength) + 1; }

// A Notes call failed on an item that is there.
[[noreturn]] void Unreadable(const std::string& name, STATUS status = NOERROR) {
    std::string text = "The field \"" + name + "\" could not be read";
    if (status != NOERROR) text += ": " + NotesErrorText(status);
    throw FieldReadError(text + ".", false);
}

// Notes marks a line end in text with a NUL character (NSFItemGetText: "Notes uses null
// characters ... to designate newlines"): each becomes a line feed, in place. Only a NUL that
// stands as a character of its own: the second and third bytes of a multi-byte LMBCS character
// (a double-byte group 0x10 to 0x13, or Unicode in group 0x14) may be zero.
void NulLineEndsToLineFeeds(char* lmbcs, std::size_t length) {
    for (std::size_t at = 0; at < length;) {
        const auto b = static_cast<unsigned char>(lmbcs[at]);
        if (b == 0) lmbcs[at] = '\n';
        if (b >= 0x20 || b == 0 || b == '\t' || b == '\n' || b == '\r') at += 1;
        else if (b >= 0x10 && b <= 0x14) at += 3;
        else at += 2;
    }
}

// Native text of `length` LMBCS bytes, every line end a line feed. Every LMBCS byte gives
// native text, so a translation that gives none has failed.
std::string TranslatedText(const std::string& name, char* lmbcs, std::size_t length) {
    NulLineEndsToLineFeeds(lmbcs, length);
    std::string text = FromNotesText(lmbcs, length, kTextLimit);
    if (text.empty() && length > 0) Unreadable(name);
    return text;
}

// An item lookup that fails for another reason than the item's absence.
bool Found(const std::string& name, STATUS status) {
    if (status == NOERROR) return true;
    if (ERR(status) == ERR_ITEM_NOT_FOUND) return false;
    Unreadable(name, status);
}

std::vector<NOTEHANDLE>& UndecryptedNotes() {
    static std::vector<NOTEHANDLE> notes;
    return notes;
}

bool IsUndecrypted(NOTEHANDLE note) {
    const auto& notes = UndecryptedNotes();
    return std::find(notes.begin(), notes.end(), note) != notes.end();
}

// Unlocks a locked block on every path.
class BlockLock {
public:
    explicit BlockLock(DHANDLE pool) : pool_(pool), base_(static_cast<char*>(OSLockObject(pool))) {}
    ~BlockLock() {
        if (base_ != nullptr) OSUnlockObject(pool_);
    }
    BlockLock(const BlockLock&) = delete;
    BlockLock& operator=(const BlockLock&) = delete;
    char* get() const { return base_; }

private:
    DHANDLE pool_;
    char* base_;
};
}  // namespace

std::string GetFieldText(NOTEHANDLE note, const std::string& name, char separator) {
    std::int32_t stage = 0;
    try {
        Scratch scratch;
        std::string result;
        const char* itemName = name.c_str();
        const WORD nameLength = static_cast<WORD>(std::min<std::size_t>(name.size(), 0xFFFF));

        BLOCKID item{};
        BLOCKID value{};
        WORD type = 0;
        DWORD valueLength = 0;
        bool found = Found(name, NSFItemInfo(note, itemName, nameLength, &item, &type, &value, &valueLength));
        stage = kLookedUp;
        while (found) {
            bool more = false;
            switch (type) {
                case TYPE_TEXT: {
                    char* text = scratch.Room(TextRoom(valueLength));
                    WORD length = NSFItemGetText(note, itemName, text, scratch.Limit());
                    if (length > 0) {
                        stage = kAppendText;
                        result += TranslatedText(name, text, std::min(length, scratch.Limit()));
                    } else if (valueLength > sizeof(WORD)) {
                        Unreadable(name);  // the value holds text, the call gave none
                    }
                    break;
                }
                case TYPE_TEXT_LIST: {
                    // The value: its type word, the entry count, a length word per entry, the texts.
                    constexpr DWORD kListHeader = sizeof(WORD) + sizeof(LIST);
                    WORD entries = NSFItemGetTextListEntries(note, itemName);
                    if (entries == 0 && valueLength > kListHeader) Unreadable(name);
                    std::size_t textBytes = 0;
                    bool emptyEntry = false;
                    char* text = scratch.Room(TextRoom(valueLength));
                    for (WORD index = 0; index < entries; ++index) {
                        WORD length = NSFItemGetTextListEntry(note, itemName, index, text, scratch.Limit());
                        textBytes += length;
                        if (length == 0) {
                            emptyEntry = true;
                            continue;
                        }
                        stage = kAppendListEntry;
                        std::string entry = TranslatedText(name, text, std::min(length, scratch.Limit()));
                        if (!result.empty()) result += separator;
                        result += entry;
                    }
                    // An entry read as empty whose text the value holds: the read failed.
                    if (emptyEntry && kListHeader + sizeof(WORD) * entries + textBytes < valueLength) Unreadable(name);
                    break;
                }
                case TYPE_SIGNATURE: {
                    TIMEDATE signedAt{};
                    char signer[MAXUSERNAME + 1] = {};
                    std::string signatureItem = name;  // the call takes a writable name
                    if (NSFNoteVerifySignature(note, signatureItem.data(), &signedAt, signer, nullptr) != NOERROR)
                        break;
                    std::string who = FromNotesText(signer, strnlen(signer, MAXUSERNAME));
                    std::string when;
                    result = TimeDateText(signedAt, when) ? "Signed by " + who + " on " + when : "Signed by " + who;
                    break;
                }
                case TYPE_COMPOSITE: {
                    char* text = scratch.Room(TextRoom(valueLength));
                    RichTextCollector collector{text, text + scratch.Size() - 1, 0};
                    const STATUS walked = EnumCompositeBuffer(value, valueLength, CollectRichText, &collector);
                    // Notes reports a complete walk as either of two success codes.
                    const bool complete = walked == NOERROR || ERR(walked) == ERR_ODS_ENUM_COMPLETE;
                    if (!complete && !IsUndecrypted(note)) Unreadable(name, walked);
                    result += TranslatedText(name, text, collector.count);
                    more = true;  // rich text is stored as several items of one name
                    break;
                }
                case TYPE_NOTEREF_LIST: {
                    BlockLock lock(value.pool);
                    if (lock.get() == nullptr) Unreadable(name);
                    const char* data = lock.get() + value.block;
                    LIST list;
                    constexpr DWORD firstUnid = sizeof(WORD) + sizeof(LIST);
                    if (valueLength < firstUnid + sizeof(UNID)) break;
                    std::memcpy(&list, data + sizeof(WORD), sizeof list);
                    if (list.ListEntries == 0) break;
                    UNID unid;
                    std::memcpy(&unid, data + firstUnid, sizeof unid);
                    result = UnidText(unid);
                    break;
                }
                default: {
                    char* converted = scratch.Room(kScratchSize);
                    WORD length =
                        NSFItemConvertValueToText(type, value, valueLength, converted, kConvertLimit, separator);
                    if (length > 0) {
                        stage = kAppendConverted;
                        const char* text = converted;
                        const char* end = text + std::min<WORD>(length, kConvertLimit);
                        for (const char* nul; (nul = std::find(text, end, '\0')) != end; text = nul + 1) {
                            result.append(text, nul);
                            result += '\n';
                        }
                        result.append(text, end);
                    }
                    more = true;
                    break;
                }
            }
            stage = kItemDone;
            if (!more) break;
            found = Found(name, NSFItemInfoNext(note, item, itemName, nameLength, &item, &type, &value, &valueLength));
        }
        return result;
    } catch (const FieldReadError&) {
        throw;
    } catch (...) {
        throw FieldReadError("GetFieldText Error at field " + name + ": " + std::to_string(stage), true);
    }
}

void SetUndecrypted(NOTEHANDLE note, bool undecrypted) {
    auto& notes = UndecryptedNotes();
    notes.erase(std::remove(notes.begin(), notes.end(), note), notes.end());
    if (undecrypted) notes.push_back(note);
}

}  // namespace stowline
