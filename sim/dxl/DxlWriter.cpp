// Writing the stand-in's data model as DXL.
#include <glib.h>
#include <libxml/xmlwriter.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "DxlNames.h"
#include "DxlTime.h"
#include "sim/Lmbcs.h"
#include "sim/dxl/Dxl.h"

namespace sim::dxl {
namespace {

std::string Hex(DWORD value, int width = 0) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", width, value);
    return text;
}

template <typename T>
T ReadLe(const Bytes& b, size_t pos) {
    T value = 0;
    for (size_t i = 0; i < sizeof(T); ++i) value |= T(T(b[pos + i]) << (8 * i));
    return value;
}

TIMEDATE ReadTime(const Bytes& b, size_t pos) { return {{ReadLe<DWORD>(b, pos), ReadLe<DWORD>(b, pos + 4)}}; }

NUMBER ReadNumber(const Bytes& b, size_t pos) {
    NUMBER n;
    std::memcpy(&n, b.data() + pos, sizeof n);
    return n;
}

// Whether XML 1.0 can carry the text as it stands.
bool XmlSafe(const std::string& utf8) {
    for (size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char ch = utf8[i];
        if (ch < 0x20 && ch != '\t' && ch != '\n' && ch != '\r') return false;
        // U+FFFE and U+FFFF
        if (ch == 0xEF && i + 2 < utf8.size() && (unsigned char)utf8[i + 1] == 0xBF &&
            ((unsigned char)utf8[i + 2] & 0xFE) == 0xBE)
            return false;
    }
    return true;
}

// The UTF-8 text of an item's LMBCS text, NUL (a new line in Notes) as a line feed, when it
// reads back into exactly the same bytes; nothing otherwise.
std::optional<std::string> ItemText(std::string_view lmbcs, bool nulIsNewLine) {
    std::string utf8 = LmbcsToUtf8(lmbcs);
    std::string back = utf8;  // what the reader will make of the text written
    if (nulIsNewLine) {
        if (utf8.find('\n') != std::string::npos) return std::nullopt;  // would come back as NUL
        for (char& ch : utf8)
            if (ch == '\0') ch = '\n';
    }
    if (!XmlSafe(utf8) || Utf8ToLmbcs(back) != lmbcs) return std::nullopt;
    return utf8;
}

std::optional<std::string> TimeText(const TIMEDATE& td, bool& dst, bool& observes) {
    std::string text = FormatDateTime(td, dst, observes);
    TIMEDATE back{};
    if (!ParseDateTime(text, dst, observes, back) || back.Innards[0] != td.Innards[0] ||
        back.Innards[1] != td.Innards[1])
        return std::nullopt;
    return text;
}

std::string NumberText(NUMBER n) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, n);
    return std::string(text, result.ptr);
}

// The file a save writes, through a buffer of its own so that the writer's small pieces become
// few large writes.
class FileSink {
public:
    explicit FileSink(int fd) : fd_(fd) { buffer_.reserve(kSize); }

    static int Write(void* context, const char* data, int length) {
        auto* sink = static_cast<FileSink*>(context);
        sink->buffer_.append(data, size_t(length));
        if (sink->buffer_.size() >= kSize) sink->Flush();
        return sink->ok_ ? length : -1;
    }
    // Writes what the buffer holds; false when any write failed.
    bool Flush() {
        for (size_t done = 0; ok_ && done < buffer_.size();) {
            const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
            if (n < 0 && errno == EINTR) continue;
            ok_ = n > 0;
            if (ok_) done += size_t(n);
        }
        buffer_.clear();
        return ok_;
    }

private:
    static constexpr size_t kSize = 1 << 20;
    int fd_;
    std::string buffer_;
    bool ok_ = true;
};

int AppendToString(void* context, const char* data, int length) {
    static_cast<std::string*>(context)->append(data, size_t(length));
    return length;
}

class Writer {
public:
    // Writes `db` to `out`, which it takes over (and closes).
    bool Write(const Database& db, xmlOutputBufferPtr out) {
        if (!out) return false;
        w_ = xmlNewTextWriter(out);
        if (!w_) {
            xmlOutputBufferClose(out);
            return false;
        }
        xmlTextWriterSetIndent(w_, 1);
        xmlTextWriterSetIndentString(w_, BAD_CAST " ");
        ok_ &= xmlTextWriterStartDocument(w_, "1.0", "UTF-8", nullptr) >= 0;
        Start("database");
        Attribute("xmlns", kDxlNamespace);
        Attribute("xmlns:sl", kStowlineNamespace);
        Attribute("version", "9.0");
        Attribute("replicaid", Hex(db.replicaId.Innards[1], 8) + Hex(db.replicaId.Innards[0], 8));
        Attribute("title", LmbcsToUtf8(db.title));
        for (const auto& [id, note] : db.notes)
            if (!note.deleted) WriteNote(db, note);
        End();
        ok_ &= xmlTextWriterEndDocument(w_) >= 0;
        xmlFreeTextWriter(w_);  // flushes into `out` and closes it
        w_ = nullptr;
        return ok_;
    }

private:
    void Start(const char* name) { ok_ &= xmlTextWriterStartElement(w_, BAD_CAST name) >= 0; }
    void End() { ok_ &= xmlTextWriterEndElement(w_) >= 0; }
    void Attribute(const char* name, const std::string& value) {
        ok_ &= xmlTextWriterWriteAttribute(w_, BAD_CAST name, BAD_CAST value.c_str()) >= 0;
    }
    void Text(const std::string& text) { ok_ &= xmlTextWriterWriteString(w_, BAD_CAST text.c_str()) >= 0; }
    void Element(const char* name, const std::string& text) {
        Start(name);
        Text(text);
        End();
    }
    // Base64 in lines of 72 characters, split by CR LF, written a block of lines at a time
    // (the text writer's own base64 hands the output four characters at a time).
    void Base64(const Bytes& data) {
        constexpr size_t kLine = 72, kLinesPerBlock = 1024, kBlock = kLine / 4 * 3 * kLinesPerBlock;
        char encoded[kLine * kLinesPerBlock + 4];
        std::string lines;
        lines.reserve(kLinesPerBlock * (kLine + 2));
        gint state = 0, save = 0;
        bool first = true;
        for (size_t pos = 0; pos < data.size() && ok_; pos += kBlock) {
            const size_t length = std::min(kBlock, data.size() - pos);
            size_t size = g_base64_encode_step(data.data() + pos, length, FALSE, encoded, &state, &save);
            if (pos + length == data.size()) size += g_base64_encode_close(FALSE, encoded + size, &state, &save);
            lines.clear();
            for (size_t at = 0; at < size; at += kLine) {
                if (!first) lines += "\r\n";
                first = false;
                lines.append(encoded + at, std::min(kLine, size - at));
            }
            ok_ &= xmlTextWriterWriteRawLen(w_, BAD_CAST lines.data(), int(lines.size())) >= 0;
        }
    }
    void DateTime(const std::string& text, bool dst, bool observes) {
        Start("datetime");
        if (dst) Attribute("dst", "true");
        if (observes) Attribute("sl:observesdst", "true");
        Text(text);
        End();
    }
    void WrappedTime(const char* name, const TIMEDATE& td) {
        bool dst, observes;
        const auto text = TimeText(td, dst, observes);
        if (!text) return;  // a value DXL cannot carry; the note info is not essential
        Start(name);
        DateTime(*text, dst, observes);
        End();
    }

    static bool IsFolder(const Note& note) {
        const Item* flags = note.Find("$Flags");
        return flags && flags->Type() == TYPE_TEXT &&
               std::string(flags->value.begin() + 2, flags->value.end()).find('F') != std::string::npos;
    }

    void WriteNote(const Database& db, const Note& note) {
        const WORD cls = note.noteClass & ~NOTE_CLASS_DEFAULT;
        const auto collection = db.collections.find(note.id);
        const bool view = (cls & NOTE_CLASS_VIEW) && collection != db.collections.end();
        // As <view>/<folder> only when reading it back adds no $TITLE or $Flags of its own.
        if (view && note.Find("$TITLE") && note.Find("$Flags")) {
            Start(IsFolder(note) ? "folder" : "view");
            std::string title;
            if (const Item* t = note.Find("$TITLE"); t && t->Type() == TYPE_TEXT)
                title = LmbcsToUtf8(std::string(t->value.begin() + 2, t->value.end()));
            const auto bar = title.find('|');
            if (XmlSafe(title)) {
                Attribute("name", title.substr(0, bar));
                if (bar != std::string::npos) Attribute("alias", title.substr(bar + 1));
            }
        } else {
            Start("note");
            const std::string name = NoteClassName(cls);
            Attribute("class", name.empty() ? "document" : name);
            if (name.empty()) Attribute("sl:class", Hex(cls));
        }
        if (note.noteClass & NOTE_CLASS_DEFAULT) Attribute("default", "true");
        if (!note.sealKey.empty()) Attribute("sl:sealkey", note.sealKey);

        Start("noteinfo");
        Attribute("noteid", Hex(note.id));
        Attribute("unid", Hex(note.oid.File.Innards[1], 8) + Hex(note.oid.File.Innards[0], 8) +
                              Hex(note.oid.Note.Innards[1], 8) + Hex(note.oid.Note.Innards[0], 8));
        Attribute("sequence", std::to_string(note.oid.Sequence));
        WrappedTime("modified", note.modified);
        WrappedTime("revised", note.oid.SequenceTime);
        WrappedTime("addedtofile", note.addedToFile);
        End();

        for (const Item& item : note.items) WriteItem(note, item);

        if (view) {
            ok_ &= xmlTextWriterStartElementNS(w_, nullptr, BAD_CAST "entries", BAD_CAST kStowlineNamespace) >= 0;
            for (NOTEID id : collection->second) {
                if (!(id & NOTEID_CATEGORY)) {
                    const auto entry = db.notes.find(id);
                    if (entry == db.notes.end() || entry->second.deleted) continue;
                }
                Start("entry");
                Attribute("id", Hex(id));
                End();
            }
            End();
        }
        End();
    }

    void WriteItem(const Note& note, const Item& item) {
        if (item.value.size() < 2) return;
        Start("item");
        Attribute("name", LmbcsToUtf8(item.name));
        Attribute("summary", item.flags & ITEM_SUMMARY ? "true" : "false");
        if (item.flags & ITEM_SIGN) Attribute("sign", "true");
        if (item.flags & ITEM_SEAL) Attribute("seal", "true");
        if (item.flags & ITEM_NAMES) Attribute("names", "true");
        if (item.flags & ITEM_READERS) Attribute("readers", "true");
        if (item.flags & ITEM_READWRITERS) Attribute("authors", "true");
        if (item.flags & ITEM_PROTECTED) Attribute("protected", "true");
        if (!WriteValue(note, item)) {
            Start("rawitemdata");
            Attribute("type", Hex(item.Type()));
            Base64(Bytes(item.value.begin() + 2, item.value.end()));
            End();
            WriteObjectData(note, item);
        }
        End();
    }

    // A file object whose item could not be written as <object><file>: its bytes follow the raw
    // item data, so that saving a database never loses an attachment's contents.
    void WriteObjectData(const Note& note, const Item& item) {
        constexpr size_t kObjectDescriptor = 6;
        if (item.Type() != TYPE_OBJECT || item.value.size() < 2 + kObjectDescriptor) return;
        const DWORD rrv = ReadLe<DWORD>(item.value, 4);
        const auto object = note.objects.find(rrv);
        if (object == note.objects.end()) return;
        Start("sl:objectdata");
        Attribute("rrv", Hex(rrv));
        if (object->second.encrypted) Attribute("encrypted", "true");
        Base64(object->second.bytes());
        End();
    }

    // The value in its DXL form; false when only <rawitemdata> carries it exactly.
    bool WriteValue(const Note& note, const Item& item) {
        const Bytes& v = item.value;
        const size_t size = v.size();
        switch (item.Type()) {
            case TYPE_TEXT:
            case TYPE_FORMULA: {
                const bool text = item.Type() == TYPE_TEXT;
                const auto utf8 = ItemText(std::string_view((const char*)v.data() + 2, size - 2), text);
                if (!utf8) return false;
                Element(text ? "text" : "formula", *utf8);
                return true;
            }
            case TYPE_TEXT_LIST: {
                if (size < 4) return false;
                const WORD count = ReadLe<WORD>(v, 2);
                size_t pos = 4 + 2 * size_t(count);
                if (pos > size) return false;
                std::vector<std::string> entries;
                for (WORD i = 0; i < count; ++i) {
                    const WORD length = ReadLe<WORD>(v, 4 + 2 * i);
                    if (pos + length > size) return false;
                    const auto utf8 = ItemText(std::string_view((const char*)v.data() + pos, length), true);
                    if (!utf8) return false;
                    entries.push_back(*utf8);
                    pos += length;
                }
                if (pos != size) return false;
                Start("textlist");
                for (const auto& e : entries) Element("text", e);
                End();
                return true;
            }
            case TYPE_NUMBER:
                if (size != 2 + sizeof(NUMBER)) return false;
                Element("number", NumberText(ReadNumber(v, 2)));
                return true;
            case TYPE_NUMBER_RANGE: {
                if (size < 6) return false;
                const WORD count = ReadLe<WORD>(v, 2), pairs = ReadLe<WORD>(v, 4);
                if (pairs != 0 || size != 6 + count * sizeof(NUMBER)) return false;
                Start("numberlist");
                for (WORD i = 0; i < count; ++i) Element("number", NumberText(ReadNumber(v, 6 + i * sizeof(NUMBER))));
                End();
                return true;
            }
            case TYPE_TIME: {
                if (size != 10) return false;
                bool dst, observes;
                const auto text = TimeText(ReadTime(v, 2), dst, observes);
                if (!text) return false;
                DateTime(*text, dst, observes);
                return true;
            }
            case TYPE_TIME_RANGE: {
                if (size < 6) return false;
                const WORD count = ReadLe<WORD>(v, 2), pairs = ReadLe<WORD>(v, 4);
                if (size != 6 + 8 * size_t(count) + 16 * size_t(pairs)) return false;
                struct Entry {
                    std::string text;
                    bool dst, observes;
                };
                std::vector<Entry> entries;
                for (size_t i = 0; i < count + 2 * size_t(pairs); ++i) {
                    Entry e;
                    const auto text = TimeText(ReadTime(v, 6 + 8 * i), e.dst, e.observes);
                    if (!text) return false;
                    e.text = *text;
                    entries.push_back(e);
                }
                Start("datetimelist");
                for (size_t i = 0; i < entries.size(); ++i) {
                    const bool pairStart = i >= count && (i - count) % 2 == 0;
                    if (pairStart) Start("datetimepair");
                    DateTime(entries[i].text, entries[i].dst, entries[i].observes);
                    if (i >= count && (i - count) % 2 == 1) End();
                }
                End();
                return true;
            }
            case TYPE_OBJECT: return WriteFileObject(note, v);
            default: return false;
        }
    }

    bool WriteFileObject(const Note& note, const Bytes& v) {
        constexpr size_t kFileObject = 36;
        if (v.size() < 2 + kFileObject) return false;
        const WORD objectType = ReadLe<WORD>(v, 2) & 0x0FFF;  // without the copy/preserve bits
        const DWORD rrv = ReadLe<DWORD>(v, 4);
        const WORD nameLength = ReadLe<WORD>(v, 8);
        const WORD hostType = ReadLe<WORD>(v, 10);
        const WORD compression = ReadLe<WORD>(v, 12);
        const WORD attributes = ReadLe<WORD>(v, 14), flags = ReadLe<WORD>(v, 16);
        const auto object = note.objects.find(rrv);
        const std::string host = HostTypeName(hostType);
        if (objectType != OBJECT_FILE || ReadLe<WORD>(v, 2) != OBJECT_FILE || compression != 0 ||
            object == note.objects.end() || object->second.encrypted || host.empty() ||
            v.size() != 2 + kFileObject + nameLength || (attributes & ~3) || (flags & ~7) ||
            ReadLe<DWORD>(v, 18) != object->second.bytes().size())
            return false;
        const auto name = ItemText(std::string_view((const char*)v.data() + 2 + kFileObject, nameLength), false);
        if (!name || name->empty()) return false;
        bool dst[2], observes[2];
        const auto created = TimeText(ReadTime(v, 22), dst[0], observes[0]);
        const auto modified = TimeText(ReadTime(v, 30), dst[1], observes[1]);
        if (!created || !modified) return false;

        Start("object");
        Start("file");
        Attribute("hosttype", host);
        Attribute("compression", "none");
        std::string words;
        if (flags & 1) words += " sign";
        if (flags & 2) words += " storedindoc";
        if (flags & 4) words += " mime";
        if (!words.empty()) Attribute("flags", words.substr(1));
        words.clear();
        if (attributes & 1) words += " readonly";
        if (attributes & 2) words += " private";
        if (!words.empty()) Attribute("attribute", words.substr(1));
        Attribute("encoding", "none");
        Attribute("size", std::to_string(object->second.bytes().size()));
        Attribute("name", *name);
        Start("created");
        DateTime(*created, dst[0], observes[0]);
        End();
        Start("modified");
        DateTime(*modified, dst[1], observes[1]);
        End();
        Start("filedata");
        Base64(object->second.bytes());
        End();
        End();
        End();
        return true;
    }

    xmlTextWriterPtr w_ = nullptr;
    bool ok_ = true;
};

}  // namespace

bool FormatDatabase(const Database& db, std::string& xml, std::string& error) {
    xml.clear();
    if (!Writer().Write(db, xmlOutputBufferCreateIO(AppendToString, nullptr, &xml, nullptr))) {
        error = "cannot format the database as DXL";
        return false;
    }
    return true;
}

bool SaveDatabase(const Database& db, const std::string& file, std::string& error) {
    // A database file that is a link is saved to the file it names; the link stays.
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path target = file;
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        target = fs::canonical(target, ec);
        if (ec) {
            error = file + ": the link names no file";
            return false;
        }
    }
    // Written to a file created new beside the target (never opened through a name that
    // exists) and renamed over it, so that a failure half-way leaves the old file intact. The
    // text goes to the file as it is made, never held whole.
    std::string temporary = target.string() + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        error = file + ": cannot create a file beside it";
        return false;
    }
    // The saved file keeps the mode of the one it replaces; a new one gets the usual mode.
    struct stat previous {};
    mode_t mode = 0666;
    if (::stat(target.c_str(), &previous) == 0) {
        mode = previous.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    bool written = ::fchmod(fd, mode) == 0;
    bool formatted = true;
    if (written) {
        FileSink sink(fd);
        formatted = Writer().Write(db, xmlOutputBufferCreateIO(FileSink::Write, nullptr, &sink, nullptr));
        written = sink.Flush();
    }
    written = ::close(fd) == 0 && written;
    if (!written || !formatted) {
        ::unlink(temporary.c_str());
        error = file + (written ? ": cannot format the database as DXL" : ": cannot write the file");
        return false;
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        error = file + ": cannot replace the file";
        return false;
    }
    return true;
}

}  // namespace sim::dxl
