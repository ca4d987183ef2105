#include "notes/ItemText.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "notes/FieldReadError.h"
#include "notes/NotesText.h"
#include "platform/AppName.h"
#include "platform/Platform.h"

namespace stowline {

namespace {
constexpr std::size_t kScratchSize = 65536;
constexpr WORD kTextLimit = 65535;
constexpr WORD kConvertLimit = 61440;
constexpr DWORD kCdHeader = sizeof(CDTEXT);

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
        std::replace(collector->write, collector->write + length, '\0', '\n');
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

// Native text of `length` LMBCS bytes, up to its first NUL.
std::string TranslatedUpToNul(const char* lmbcs, std::size_t length) {
    std::string text = FromNotesText(lmbcs, length, kTextLimit);
    return text.substr(0, text.find('\0'));
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
        std::vector<char> scratch(kScratchSize, '\0');
        std::string result;
        const char* itemName = name.c_str();
        const WORD nameLength = static_cast<WORD>(std::min<std::size_t>(name.size(), 0xFFFF));

        BLOCKID item{};
        BLOCKID value{};
        WORD type = 0;
        DWORD valueLength = 0;
        STATUS status = NSFItemInfo(note, itemName, nameLength, &item, &type, &value, &valueLength);
        stage = kLookedUp;
        while (status == NOERROR) {
            bool more = false;
            switch (type) {
                case TYPE_TEXT: {
                    WORD length = NSFItemGetText(note, itemName, scratch.data(), kTextLimit);
                    if (length > 0) {
                        stage = kAppendText;
                        result += TranslatedUpToNul(scratch.data(), std::min<WORD>(length, kTextLimit));
                    }
                    break;
                }
                case TYPE_TEXT_LIST: {
                    WORD entries = NSFItemGetTextListEntries(note, itemName);
                    for (WORD index = 0; index < entries; ++index) {
                        WORD length = NSFItemGetTextListEntry(note, itemName, index, scratch.data(), kTextLimit);
                        if (length == 0) continue;
                        stage = kAppendListEntry;
                        std::string entry = TranslatedUpToNul(scratch.data(), std::min<WORD>(length, kTextLimit));
                        if (!result.empty()) result += separator;
                        result += entry;
                    }
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
                    RichTextCollector collector{scratch.data(), scratch.data() + kScratchSize - 1, 0};
                    scratch[0] = '\0';
                    EnumCompositeBuffer(value, valueLength, CollectRichText, &collector);
                    result += TranslatedUpToNul(scratch.data(), collector.count);
                    more = true;  // rich text is stored as several items of one name
                    break;
                }
                case TYPE_NOTEREF_LIST: {
                    BlockLock lock(value.pool);
                    if (lock.get() == nullptr) break;
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
                    WORD length = NSFItemConvertValueToText(type, value, valueLength, scratch.data(),
                                                            kConvertLimit, separator);
                    if (length > 0) {
                        stage = kAppendConverted;
                        const char* text = scratch.data();
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
            status = NSFItemInfoNext(note, item, itemName, nameLength, &item, &type, &value, &valueLength);
        }
        return result;
    } catch (...) {
        const std::string text = "GetFieldText Error at field " + name + ": " + std::to_string(stage);
        platform::ShowMessageBox(text, kAppName, platform::MB_OK_);
        throw FieldReadError(text);
    }
}

}  // namespace stowline
