// Reading DXL into the stand-in's data model.
#include <fcntl.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <sys/stat.h>
#include <unistd.h>
#include <libxml/SAX2.h>

#include <algorithm>
#include <cerrno>
#include <array>
#include <charconv>
#include <cctype>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string_view>

#include "DxlNames.h"
#include "DxlTime.h"
#include "sim/Builder.h"
#include "sim/Engine.h"
#include "sim/Lmbcs.h"
#include "sim/dxl/Dxl.h"

namespace sim::dxl {
namespace {

// A failure while reading: the message travels up to the public function.
struct ReadError {
    std::string message;
};

[[noreturn]] void Fail(std::string message) { throw ReadError{std::move(message)}; }

std::string LastXmlError(const std::string& source) {
    const xmlError* e = xmlGetLastError();
    std::string message = e && e->message ? e->message : "not well-formed XML";
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
    return source + (e ? ":" + std::to_string(e->line) : std::string()) + ": " + message;
}

bool Is(const xmlNode* node, const char* localName) {
    return node && node->type == XML_ELEMENT_NODE && std::strcmp((const char*)node->name, localName) == 0;
}

bool IsOurs(const xmlNode* node) {
    return node->ns && node->ns->href && std::strcmp((const char*)node->ns->href, kStowlineNamespace) == 0;
}

std::vector<xmlNode*> Children(const xmlNode* node) {
    std::vector<xmlNode*> out;
    for (xmlNode* c = node->children; c; c = c->next)
        if (c->type == XML_ELEMENT_NODE) out.push_back(c);
    return out;
}

xmlNode* Child(const xmlNode* node, const char* localName) {
    for (xmlNode* c = node->children; c; c = c->next)
        if (Is(c, localName)) return c;
    return nullptr;
}

// An attribute's value as the tree holds it, when it is held as one stretch of text (or none):
// read in place, for every item has several. Null when the parser's own lookup must tell (a
// value with entity references, or a document type that may give the value by default);
// `absent` when there is no such attribute.
const char* PlainAttr(const xmlNode* node, const char* name, const char* ns, bool& absent) {
    absent = false;
    for (const xmlAttr* a = node->properties; a; a = a->next) {
        if (std::strcmp((const char*)a->name, name) != 0) continue;
        if (ns ? !(a->ns && a->ns->href && std::strcmp((const char*)a->ns->href, ns) == 0) : a->ns != nullptr) continue;
        const xmlNode* text = a->children;
        if (!text) return "";
        if (!text->next && (text->type == XML_TEXT_NODE || text->type == XML_CDATA_SECTION_NODE))
            return (const char*)text->content;
        return nullptr;
    }
    absent = !node->doc || (!node->doc->intSubset && !node->doc->extSubset);
    return nullptr;
}

std::optional<std::string> Attr(const xmlNode* node, const char* name, const char* ns = nullptr) {
    bool absent;
    if (const char* plain = PlainAttr(node, name, ns, absent)) return std::string(plain);
    if (absent) return std::nullopt;
    xmlChar* value = ns ? xmlGetNsProp(node, BAD_CAST name, BAD_CAST ns) : xmlGetNoNsProp(node, BAD_CAST name);
    if (!value) return std::nullopt;
    std::string out = (const char*)value;
    xmlFree(value);
    return out;
}

bool BoolAttr(const xmlNode* node, const char* name, bool fallback, const char* ns = nullptr) {
    bool absent;
    if (const char* plain = PlainAttr(node, name, ns, absent)) return std::strcmp(plain, "true") == 0;
    if (absent) return fallback;
    const auto value = Attr(node, name, ns);
    return value ? *value == "true" : fallback;
}

// Calls `visit` with each stretch of the element's text in order, a <break/> as a line feed.
template <typename Visit>
void ForEachText(const xmlNode* node, const Visit& visit) {
    for (const xmlNode* c = node->children; c; c = c->next) {
        if (c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) {
            if (c->content) visit(std::string_view((const char*)c->content));
        } else if (Is(c, "break")) {
            visit(std::string_view("\n"));
        } else if (c->type == XML_ELEMENT_NODE) {
            ForEachText(c, visit);
        }
    }
}

// The element's text, a <break/> as a line feed.
std::string TextOf(const xmlNode* node) {
    std::string out;
    ForEachText(node, [&out](std::string_view text) { out += text; });
    return out;
}

// Item text: a new line is a NUL in a Notes text value.
std::string ItemText(const xmlNode* node) {
    std::string utf8 = TextOf(node);
    for (char& ch : utf8)
        if (ch == '\n') ch = '\0';
    return Utf8ToLmbcs(utf8);
}

// `what` and `more` name the value in the message (the message is made only when needed).
DWORD ParseHex(const std::string& text, const std::string& what, const char* more = "") {
    DWORD value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, 16);
    if (text.empty() || ec != std::errc() || ptr != end) Fail("invalid " + what + more + " '" + text + "'");
    return value;
}

// Base64 text, decoded and checked.
struct Decoded {
    Bytes bytes;  // after `headroom` bytes left for the caller to fill
    size_t headroom = 0;
    bool invalid = false, truncated = false;
};

// Base64 text decoded as it comes, in as many stretches as it comes in: blanks between the
// digits are passed over, any other character makes the whole text invalid. Every byte of an
// attachment passes here, so it is checked and decoded in one pass, four digits at a time
// where no blank or '=' comes between them. A '=' counts as a digit of value 0, and a group of
// four whose third or fourth digit is one leaves out its second or third byte.
class Base64Decoder {
public:
    void Feed(const char* text, size_t length) {
        if (invalid_) return;  // nothing more is worth decoding
        const size_t room = decoded_ + (pending_ + length) / 4 * 3;
        if (capacity_ < room) Grow(std::max(room, capacity_ * 2));
        const auto* in = reinterpret_cast<const unsigned char*>(text);
        const unsigned char* const end = in + length;
        BYTE* out = out_.get() + decoded_;
        for (;;) {
            if (pending_ == 0) {
                // Whole groups of four digits.
                while (end - in >= 4) {
                    const unsigned a = kValues[in[0]], b = kValues[in[1]], c = kValues[in[2]], d = kValues[in[3]];
                    if ((a | b | c | d) & ~63u) break;
                    const unsigned bits = a << 18 | b << 12 | c << 6 | d;
                    out[0] = BYTE(bits >> 16);
                    out[1] = BYTE(bits >> 8);
                    out[2] = BYTE(bits);
                    out += 3;
                    in += 4;
                }
            }
            if (in == end) break;
            // One character: a blank, a digit of a group broken by a blank or by the end of a
            // stretch, or the end of the text's validity.
            const unsigned value = kValues[*in++];
            if (value == kBlank) continue;
            if (value == kInvalid) {
                invalid_ = true;
                return;
            }
            group_[pending_++] = BYTE(value);
            if (pending_ == 4) {
                const unsigned bits =
                    (group_[0] & 63u) << 18 | (group_[1] & 63u) << 12 | (group_[2] & 63u) << 6 | (group_[3] & 63u);
                *out++ = BYTE(bits >> 16);
                if (group_[2] != kPad) *out++ = BYTE(bits >> 8);
                if (group_[3] != kPad) *out++ = BYTE(bits);
                pending_ = 0;
            }
        }
        decoded_ = size_t(out - out_.get());
    }

    // What the text since the last Take decoded to, held exactly; the decoder is ready for
    // the next text.
    Decoded Take(size_t headroom) {
        Decoded result;
        result.headroom = headroom;
        result.invalid = invalid_;
        result.truncated = pending_ != 0;
        if (!result.invalid && !result.truncated) {
            result.bytes.reserve(headroom + decoded_);
            result.bytes.resize(headroom);
            result.bytes.insert(result.bytes.end(), out_.get(), out_.get() + decoded_);
        }
        decoded_ = pending_ = 0;
        invalid_ = false;
        // A buffer grown for a large attachment is not kept for the small values after it.
        if (capacity_ > kKeptBuffer) {
            out_.reset();
            capacity_ = 0;
        }
        return result;
    }

private:
    void Grow(size_t capacity) {
        std::unique_ptr<BYTE[]> out(new BYTE[capacity]);  // left uninitialised: written before read
        if (decoded_) std::memcpy(out.get(), out_.get(), decoded_);
        out_ = std::move(out);
        capacity_ = capacity;
    }

    // Each character's value: a digit's six bits, kPad for '=', or what else it is.
    enum : unsigned char { kPad = 64, kBlank = 0x80, kInvalid = 0xFF };
    static constexpr std::array<unsigned char, 256> kValues = [] {
        std::array<unsigned char, 256> table{};
        for (auto& value : table) value = kInvalid;
        constexpr std::string_view digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        for (size_t i = 0; i < digits.size(); ++i)
            table[static_cast<unsigned char>(digits[i])] = static_cast<unsigned char>(i);
        table['='] = kPad;
        for (unsigned char c : std::string_view(" \t\n\r")) table[c] = kBlank;
        return table;
    }();
    static constexpr size_t kKeptBuffer = 1 << 20;
    std::unique_ptr<BYTE[]> out_;  // decoded so far: the first decoded_ of capacity_ bytes
    size_t capacity_ = 0, decoded_ = 0;
    BYTE group_[4] = {};  // the digits of a group not yet complete
    size_t pending_ = 0;
    bool invalid_ = false;
};

// The bytes of decoded text, or the reason it has none.
Bytes Checked(Decoded decoded, const std::string& where, size_t headroom) {
    if (decoded.invalid) Fail(where + ": invalid base64 data");
    if (decoded.truncated) Fail(where + ": truncated base64 data");
    if (decoded.headroom != headroom) {
        Bytes bytes(headroom);
        bytes.insert(bytes.end(), decoded.bytes.begin() + decoded.headroom, decoded.bytes.end());
        return bytes;
    }
    return std::move(decoded.bytes);
}

// The base64 text of an element in the tree, decoded.
Decoded DecodeText(const xmlNode* node, size_t headroom) {
    Base64Decoder decoder;
    ForEachText(node, [&decoder](std::string_view text) { decoder.Feed(text.data(), text.size()); });
    return decoder.Take(headroom);
}

TIMEDATE DateTime(const xmlNode* node, const std::string& where) {
    TIMEDATE td{};
    const std::string text = TextOf(node);
    if (!ParseDateTime(text, BoolAttr(node, "dst", false), BoolAttr(node, "observesdst", false, kStowlineNamespace),
                       td))
        Fail(where + ": invalid date-time '" + text + "'");
    return td;
}

NUMBER Number(const xmlNode* node, const std::string& where) {
    std::string text = TextOf(node);
    const auto first = text.find_first_not_of(" \t\n\r");
    const auto last = text.find_last_not_of(" \t\n\r");
    text = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end) Fail(where + ": invalid number '" + text + "'");
    return value;
}

void AppendLe(Bytes& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(BYTE(value >> (8 * i)));
}

// Rich text: paragraphs and runs of text. Layout records (<pardef>, tables' framing,
// pictures, hotspots) are not kept; the text inside them is.
class RichTextReader {
public:
    RichText Read(const xmlNode* richtext) {
        Block(richtext);
        return std::move(text_);
    }

private:
    void Block(const xmlNode* node) {
        for (const xmlNode* c : Children(node)) {
            if (Is(c, "par")) {
                text_.Paragraph("");
                Inline(c, 0);
            } else if (!Is(c, "pardef")) {
                Block(c);
            }
        }
    }
    void Inline(const xmlNode* node, FONTID font) {
        for (const xmlNode* c = node->children; c; c = c->next) {
            if (c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) {
                const std::string run = WithoutLayout((const char*)c->content);
                if (!run.empty()) text_.Run(run, font);
            } else if (Is(c, "break")) {
                text_.Paragraph("");
            } else if (Is(c, "run")) {
                const xmlNode* f = Child(c, "font");
                Inline(c, f ? Font(f) : font);
            } else if (c->type == XML_ELEMENT_NODE && !Is(c, "font")) {
                Inline(c, font);
            }
        }
    }
    // A line feed in rich text content is only the file's own indentation.
    static std::string WithoutLayout(const std::string& text) {
        std::string out;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n' || text[i] == '\r') {
                while (i + 1 < text.size() &&
                       (text[i + 1] == ' ' || text[i + 1] == '\t' || text[i + 1] == '\n' || text[i + 1] == '\r'))
                    ++i;
                continue;
            }
            out += text[i];
        }
        return out;
    }
    static FONTID Font(const xmlNode* font) {
        BYTE attrib = 0, size = 10;
        if (const auto style = Attr(font, "style")) {
            std::istringstream words(*style);
            for (std::string w; words >> w;) {
                if (w == "bold") attrib |= 0x01;
                if (w == "italic") attrib |= 0x02;
                if (w == "underline") attrib |= 0x04;
                if (w == "strikethrough") attrib |= 0x08;
                if (w == "superscript") attrib |= 0x10;
                if (w == "subscript") attrib |= 0x20;
            }
        }
        if (const auto pt = Attr(font, "size")) {
            const int value = std::atoi(pt->c_str());
            if (value > 0 && value < 256) size = BYTE(value);
        }
        return FONTID(attrib) << 8 | FONTID(size) << 24;
    }

    RichText text_;
};

class Reader {
public:
    explicit Reader(Database& db) : db_(db) {}

    // Called as each element of the file ends, its tree complete: the root's attributes, and
    // each note below it (or the root itself, when the file holds a single note). Returns
    // whether the element is done with, so that its tree can be freed.
    bool ElementEnded(const xmlNode* node) {
        const xmlNode* parent = node->parent;
        if (!parent) return false;
        if (parent->type == XML_DOCUMENT_NODE) {
            if (Is(node, "database")) {
                if (const auto title = Attr(node, "title")) db_.title = Utf8ToLmbcs(*title);
                if (const auto replica = Attr(node, "replicaid")) db_.replicaId = ReplicaId(*replica);
            } else if (!ReadNote(node)) {
                Fail(std::string("not a DXL database or note: root element <") + (const char*)node->name + ">");
            }
            return false;  // freed with the document
        }
        if (parent->parent && parent->parent->type == XML_DOCUMENT_NODE && Is(parent, "database")) {
            ReadNote(node);
            return true;
        }
        return false;  // part of a note, read when the note ends
    }

    // The decoded base64 text of an element that the parser handed over as it went instead
    // of keeping it in the tree.
    void Keep(const xmlNode* node, Decoded decoded) { decoded_.emplace_back(node, std::move(decoded)); }

    // The elements of the notes read so far are about to be freed.
    void Forget() { decoded_.clear(); }

    // Once every note is read: the IDs the file left out, and the views' entries.
    void Finish() {
        AssignIds();
        BuildCollections();
    }

private:
    struct Pending {
        sim::Note note;
        bool hasId = false, hasUnid = false;
        std::optional<Collection> entries;  // views and folders
    };

    // An element's base64 text, decoded, after `headroom` bytes left for the caller to fill.
    Bytes Base64(const xmlNode* node, const std::string& where, size_t headroom = 0) {
        for (auto& [kept, decoded] : decoded_)
            if (kept == node) return Checked(std::move(decoded), where, headroom);
        return Checked(DecodeText(node, headroom), where, headroom);
    }

    static TIMEDATE ReplicaId(const std::string& text) {
        if (text.size() != 16) Fail("invalid replica ID '" + text + "'");
        return TIMEDATE{{ParseHex(text.substr(8), "replica ID"), ParseHex(text.substr(0, 8), "replica ID")}};
    }

    // A note element; false when the element is not one the stand-in keeps.
    bool ReadNote(const xmlNode* node) {
        Pending p;
        bool view = false, folder = false;
        if (Is(node, "document")) {
            p.note.noteClass = NOTE_CLASS_DOCUMENT;
        } else if (Is(node, "note")) {
            const std::string name = Attr(node, "class").value_or("");
            const auto cls = NoteClassFromName(name);
            if (!cls) Fail("note with unknown class '" + name + "'");
            p.note.noteClass = *cls;
            if (const auto own = Attr(node, "class", kStowlineNamespace))
                p.note.noteClass = WORD(ParseHex(*own, "note class"));
            view = (p.note.noteClass & NOTE_CLASS_VIEW) != 0;
        } else if (Is(node, "view") || Is(node, "folder")) {
            p.note.noteClass = NOTE_CLASS_VIEW;
            view = true;
            folder = Is(node, "folder");
        } else {
            return false;
        }
        if (BoolAttr(node, "default", false)) p.note.noteClass |= NOTE_CLASS_DEFAULT;
        if (const auto key = Attr(node, "sealkey", kStowlineNamespace)) p.note.sealKey = *key;
        if (const xmlNode* info = Child(node, "noteinfo")) NoteInfo(info, p);
        const std::vector<xmlNode*> children = Children(node);
        p.note.items.reserve(
            std::count_if(children.begin(), children.end(), [](const xmlNode* c) { return Is(c, "item"); }));
        for (const xmlNode* c : children)
            if (Is(c, "item")) ReadItem(c, p.note);

        if (Is(node, "document")) {
            if (const auto form = Attr(node, "form"); form && !p.note.Find("Form"))
                p.note.items.insert(p.note.items.begin(),
                                    sim::Item{"Form", ITEM_SUMMARY, EncodeText(Utf8ToLmbcs(*form))});
        }
        if (Is(node, "view") || Is(node, "folder")) {
            if (!p.note.Find("$TITLE")) {
                std::string title = Attr(node, "name").value_or("");
                if (const auto alias = Attr(node, "alias")) title += "|" + *alias;
                p.note.items.push_back({"$TITLE", ITEM_SUMMARY, EncodeText(Utf8ToLmbcs(title))});
            }
            if (!p.note.Find("$Flags")) p.note.items.push_back({"$Flags", ITEM_SUMMARY, EncodeText(folder ? "F" : "")});
        }
        if (view) {
            for (const xmlNode* c : Children(node)) {
                if (Is(c, "entries") && IsOurs(c)) {
                    p.entries.emplace();
                    for (const xmlNode* e : Children(c))
                        if (Is(e, "entry")) p.entries->push_back(ParseHex(Attr(e, "id").value_or(""), "entry ID"));
                }
            }
            if (!p.entries)
                p.entries.emplace();  // filled from the documents later
            else
                explicitEntries_.insert(pending_.size());
        }
        pending_.push_back(std::move(p));
        return true;
    }

    void NoteInfo(const xmlNode* info, Pending& p) {
        if (const auto id = Attr(info, "noteid")) {
            p.note.id = ParseHex(*id, "note ID");
            if (p.note.id == 0 || (p.note.id & NOTEID_CATEGORY)) Fail("invalid note ID '" + *id + "'");
            p.hasId = true;
        }
        if (const auto unid = Attr(info, "unid")) {
            if (unid->size() != 32) Fail("invalid universal ID '" + *unid + "'");
            auto word = [&](int i) { return ParseHex(unid->substr(8 * i, 8), "universal ID"); };
            p.note.oid.File.Innards[1] = word(0);
            p.note.oid.File.Innards[0] = word(1);
            p.note.oid.Note.Innards[1] = word(2);
            p.note.oid.Note.Innards[0] = word(3);
            p.hasUnid = true;
        }
        if (const auto seq = Attr(info, "sequence"))
            p.note.oid.Sequence = DWORD(std::strtoul(seq->c_str(), nullptr, 10));
        const std::string where = "noteinfo";
        if (const xmlNode* d = Child(info, "modified"); d && Child(d, "datetime"))
            p.note.modified = DateTime(Child(d, "datetime"), where);
        if (const xmlNode* d = Child(info, "revised"); d && Child(d, "datetime"))
            p.note.oid.SequenceTime = DateTime(Child(d, "datetime"), where);
        if (const xmlNode* d = Child(info, "addedtofile"); d && Child(d, "datetime"))
            p.note.addedToFile = DateTime(Child(d, "datetime"), where);
    }

    void ReadItem(const xmlNode* node, sim::Note& note) {
        const auto name = Attr(node, "name");
        if (!name || name->empty()) Fail("<item> without a name");
        const std::string where = "item '" + *name + "'";
        const std::vector<xmlNode*> content = Children(node);
        if (content.empty()) Fail(where + " has no value");
        const xmlNode* v = content.front();

        WORD flags = 0;
        bool summaryByDefault = true;
        std::vector<Bytes> values;
        if (Is(v, "text")) {
            values.push_back(EncodeText(ItemText(v)));
        } else if (Is(v, "textlist")) {
            std::vector<std::string> list;
            for (const xmlNode* t : Children(v)) list.push_back(ItemText(t));
            values.push_back(EncodeTextList(list));
        } else if (Is(v, "number")) {
            values.push_back(EncodeNumbers({Number(v, where)}));
        } else if (Is(v, "numberlist")) {
            std::vector<NUMBER> list;
            for (const xmlNode* n : Children(v)) list.push_back(Number(n, where));
            values.push_back(EncodeNumberRange(list, {}));
        } else if (Is(v, "datetime")) {
            values.push_back(EncodeTimes({DateTime(v, where)}));
        } else if (Is(v, "datetimelist")) {
            std::vector<TIMEDATE> list;
            std::vector<TIMEDATE_PAIR> pairs;
            for (const xmlNode* d : Children(v)) {
                if (Is(d, "datetime")) {
                    list.push_back(DateTime(d, where));
                } else if (Is(d, "datetimepair")) {
                    const auto ends = Children(d);
                    if (ends.size() != 2) Fail(where + ": a <datetimepair> needs two date-times");
                    pairs.push_back({DateTime(ends[0], where), DateTime(ends[1], where)});
                }
            }
            values.push_back(EncodeTimeRange(list, pairs));
        } else if (Is(v, "formula")) {
            // Kept as its source text: the stand-in never evaluates formulas.
            Bytes value;
            AppendLe(value, TYPE_FORMULA, 2);
            const std::string text = Utf8ToLmbcs(TextOf(v));
            value.insert(value.end(), text.begin(), text.end());
            values.push_back(std::move(value));
        } else if (Is(v, "rawitemdata")) {
            const DWORD type = ParseHex(Attr(v, "type").value_or(""), where, " type");
            Bytes value = Base64(v, where, 2);  // after the type word
            value[0] = BYTE(type);
            value[1] = BYTE(type >> 8);
            values.push_back(std::move(value));
            summaryByDefault = false;
            // The bytes of a file object written beside its raw item data.
            for (const xmlNode* o : content) {
                if (!Is(o, "objectdata") || !IsOurs(o)) continue;
                Bytes bytes = Base64(o, where);
                sim::Object object(std::move(bytes), BoolAttr(o, "encrypted", false));
                note.objects[DWORD(ParseHex(Attr(o, "rrv").value_or(""), where, " rrv"))] = std::move(object);
            }
        } else if (Is(v, "richtext")) {
            values = EncodeRichText(RichTextReader().Read(v));
            summaryByDefault = false;
        } else if (Is(v, "object")) {
            values.push_back(FileObject(v, note, where));
            summaryByDefault = false;
        } else {
            return;  // a value the stand-in has no use for (e.g. <unavailable/>)
        }

        if (BoolAttr(node, "summary", summaryByDefault)) flags |= ITEM_SUMMARY;
        if (BoolAttr(node, "sign", false)) flags |= ITEM_SIGN;
        if (BoolAttr(node, "seal", false)) flags |= ITEM_SEAL;
        if (BoolAttr(node, "names", false)) flags |= ITEM_NAMES;
        if (BoolAttr(node, "readers", false)) flags |= ITEM_READERS;
        if (BoolAttr(node, "authors", false)) flags |= ITEM_READWRITERS;
        if (BoolAttr(node, "protected", false)) flags |= ITEM_PROTECTED;
        for (Bytes& value : values) note.items.push_back({*name, flags, std::move(value)});
    }

    // A $FILE value (TYPE_OBJECT, FILEOBJECT, LMBCS name) and the object it refers to.
    Bytes FileObject(const xmlNode* object, sim::Note& note, const std::string& where) {
        const xmlNode* file = Child(object, "file");
        if (!file) Fail(where + ": <object> without <file>");
        const std::string name = Utf8ToLmbcs(Attr(file, "name").value_or(""));
        if (name.empty() || name.size() > 0xFFFF) Fail(where + ": attached file without a name");
        const std::string host = Attr(file, "hosttype").value_or("unknown");
        const auto hostType = HostTypeFromName(host);
        if (!hostType) Fail(where + ": unknown host type '" + host + "'");
        const std::string compression = Attr(file, "compression").value_or("none");
        if (compression != "none") Fail(where + ": compressed file data is not supported");

        Bytes bytes;
        if (const xmlNode* data = Child(file, "filedata")) bytes = Base64(data, where);
        sim::Object content(std::move(bytes));
        WORD attributes = 0, fileFlags = 0;
        std::istringstream attrWords(Attr(file, "attribute").value_or(""));
        for (std::string w; attrWords >> w;) attributes |= w == "readonly" ? 1 : w == "private" ? 2 : 0;
        std::istringstream flagWords(Attr(file, "flags").value_or(""));
        for (std::string w; flagWords >> w;)
            fileFlags |= w == "sign" ? 1 : w == "storedindoc" ? 2 : w == "mime" ? 4 : 0;
        TIMEDATE created{}, modified{};
        if (const xmlNode* d = Child(file, "created"); d && Child(d, "datetime"))
            created = DateTime(Child(d, "datetime"), where);
        if (const xmlNode* d = Child(file, "modified"); d && Child(d, "datetime"))
            modified = DateTime(Child(d, "datetime"), where);

        const DWORD rrv = db_.nextObjectId++;
        Bytes value;
        AppendLe(value, TYPE_OBJECT, 2);
        AppendLe(value, OBJECT_FILE, 2);
        AppendLe(value, rrv, 4);
        AppendLe(value, name.size(), 2);
        AppendLe(value, *hostType, 2);
        AppendLe(value, 0, 2);  // stored uncompressed
        AppendLe(value, attributes, 2);
        AppendLe(value, fileFlags, 2);
        AppendLe(value, content.bytes().size(), 4);
        AppendLe(value, created.Innards[0], 4);
        AppendLe(value, created.Innards[1], 4);
        AppendLe(value, modified.Innards[0], 4);
        AppendLe(value, modified.Innards[1], 4);
        value.insert(value.end(), name.begin(), name.end());
        note.objects[rrv] = std::move(content);
        return value;
    }

    void AssignIds() {
        std::set<NOTEID> used;
        for (const Pending& p : pending_) {
            if (!p.hasId) continue;
            if (!used.insert(p.note.id).second) {
                char text[16];
                std::snprintf(text, sizeof text, "%X", p.note.id);
                Fail(std::string("note ID ") + text + " appears twice");
            }
        }
        NOTEID next = std::max<NOTEID>(db_.nextNoteId, used.empty() ? 0 : *used.rbegin() + 4);
        for (Pending& p : pending_) {
            if (!p.hasId) {
                p.note.id = next;
                next += 4;
            }
            if (!p.hasUnid) {  // a fresh universal ID: the file's replica ID and a counter
                p.note.oid.File = db_.replicaId;
                p.note.oid.Note.Innards[0] = db_.nextUnid++;
                p.note.oid.Note.Innards[1] = p.note.id;
            }
        }
        db_.nextNoteId = next;
    }

    void BuildCollections() {
        std::vector<NOTEID> documents;
        for (const Pending& p : pending_)
            if ((p.note.noteClass & ~NOTE_CLASS_DEFAULT) == NOTE_CLASS_DOCUMENT) documents.push_back(p.note.id);
        std::sort(documents.begin(), documents.end());
        const Collection allDocuments(std::move(documents));  // shared by every view that lists them all
        std::set<NOTEID> known;
        for (const Pending& p : pending_) known.insert(p.note.id);
        for (size_t i = 0; i < pending_.size(); ++i) {
            Pending& p = pending_[i];
            if (!p.entries) continue;
            Collection entries;
            if (explicitEntries_.count(i)) {
                // An entry whose document is not in the file is dropped: views never show
                // notes that do not exist.
                for (NOTEID id : *p.entries)
                    if ((id & NOTEID_CATEGORY) || known.count(id)) entries.push_back(id);
            } else {
                entries = allDocuments;
            }
            db_.collections[p.note.id] = std::move(entries);
        }
        for (Pending& p : pending_) db_.notes[p.note.id] = std::move(p.note);
    }

    Database& db_;
    std::vector<std::pair<const xmlNode*, Decoded>> decoded_;  // of the note being read
    std::vector<Pending> pending_;
    std::set<size_t> explicitEntries_;
};

// No network, no external DTD (DXL names one that is rarely beside the file), no entity
// expansion: a database file is data, not a program. A text node may be as long as the largest
// attachment's base64 text, beyond the parser's default limit of 10 MB.
constexpr int kXmlOptions =
    XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_COMPACT | XML_PARSE_HUGE;

// The parse under way: the database being read, and why it stopped when a note could not be.
struct Streaming {
    Reader* reader;
    std::optional<std::string> failure;
    // The element whose base64 text is being decoded as it comes, instead of going into the
    // tree; the bytes it will hold before its data.
    const xmlNode* decoding = nullptr;
    size_t headroom = 0;
    Base64Decoder decoder;
};

// Where the reader looks for notes: the root element, or a child of it.
bool IsNoteLevel(const xmlNode* node) {
    const xmlNode* parent = node ? node->parent : nullptr;
    return parent &&
           (parent->type == XML_DOCUMENT_NODE || (parent->parent && parent->parent->type == XML_DOCUMENT_NODE));
}

// Whether `node` is where an item of a note keeps base64 data (<rawitemdata>, our <objectdata>,
// or the <filedata> of an attached file) and the reader needs nothing of its text but its bytes.
// Attachments make up most of a database file: their text decoded as it comes is never copied
// into the tree and out again.
bool HoldsBase64(const xmlNode* node, size_t& headroom) {
    const xmlNode* parent = node->parent;
    if ((Is(node, "rawitemdata") || Is(node, "objectdata")) && Is(parent, "item") && IsNoteLevel(parent->parent)) {
        headroom = Is(node, "rawitemdata") ? 2 : 0;  // the item's value starts with its type
        return true;
    }
    if (Is(node, "filedata") && Is(parent, "file") && Is(parent->parent, "object") &&
        Is(parent->parent->parent, "item") && IsNoteLevel(parent->parent->parent->parent)) {
        headroom = 0;
        return true;
    }
    return false;
}

void StartElement(void* context, const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri,
                  int namespaceCount, const xmlChar** namespaces, int attributeCount, int defaultedCount,
                  const xmlChar** attributes) {
    auto* parser = static_cast<xmlParserCtxtPtr>(context);
    const xmlNode* parent = parser->node;
    xmlSAX2StartElementNs(context, localName, prefix, uri, namespaceCount, namespaces, attributeCount, defaultedCount,
                          attributes);
    auto* streaming = static_cast<Streaming*>(parser->_private);
    const xmlNode* node = parser->node;
    if (!streaming->decoding && node && node != parent && HoldsBase64(node, streaming->headroom))
        streaming->decoding = node;
}

// Whether text the parser hands over now belongs to the element being decoded (or one inside
// it, as the tree would have it): not, for example, the text of an entity parsed on its own.
bool ForDecoding(const xmlParserCtxtPtr parser, const Streaming& streaming) {
    if (!streaming.decoding) return false;
    for (const xmlNode* n = parser->node; n; n = n->parent)
        if (n == streaming.decoding) return true;
    return false;
}

void Characters(void* context, const xmlChar* text, int length) {
    auto* parser = static_cast<xmlParserCtxtPtr>(context);
    auto* streaming = static_cast<Streaming*>(parser->_private);
    if (ForDecoding(parser, *streaming))
        streaming->decoder.Feed(reinterpret_cast<const char*>(text), size_t(length));
    else
        xmlSAX2Characters(context, text, length);
}

void CData(void* context, const xmlChar* text, int length) {
    auto* parser = static_cast<xmlParserCtxtPtr>(context);
    auto* streaming = static_cast<Streaming*>(parser->_private);
    if (ForDecoding(parser, *streaming))
        streaming->decoder.Feed(reinterpret_cast<const char*>(text), size_t(length));
    else
        xmlSAX2CDataBlock(context, text, length);
}

// The parser builds the tree as usual; as each note below the root ends, it is made into a
// note and freed with the text before it, so that what is held is the notes made and the one
// being read, never the whole text or a tree of it. The parser reads the file as it goes.
void EndElement(void* context, const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri) {
    auto* parser = static_cast<xmlParserCtxtPtr>(context);
    xmlNode* node = parser->node;
    auto* streaming = static_cast<Streaming*>(parser->_private);
    if (node && node == streaming->decoding) {
        streaming->reader->Keep(node, streaming->decoder.Take(streaming->headroom));
        streaming->decoding = nullptr;
    }
    xmlSAX2EndElementNs(context, localName, prefix, uri);
    if (!node || streaming->failure) return;
    try {
        if (!streaming->reader->ElementEnded(node)) return;
    } catch (const ReadError& e) {
        streaming->failure = e.message;
        xmlStopParser(parser);
        return;
    }
    streaming->reader->Forget();
    xmlNode* parent = node->parent;
    while (xmlNode* done = parent->children) {
        xmlUnlinkNode(done);
        xmlFreeNode(done);
    }
}

// Parses the text `next` hands out piece by piece (its length; 0 at the end, -1 when it could
// not be read). Pieces of 64 kB keep the parser on its fast path through long base64 text.
bool Parse(const std::function<ssize_t(char*, size_t)>& next, Database& db, std::string& error,
           const std::string& source) {
    xmlResetLastError();
    std::unique_ptr<xmlParserCtxt, decltype(&xmlFreeParserCtxt)> parser(
        xmlCreatePushParserCtxt(nullptr, nullptr, nullptr, 0, source.c_str()), &xmlFreeParserCtxt);
    if (!parser) {
        error = source + ": out of memory";
        return false;
    }
    xmlCtxtUseOptions(parser.get(), kXmlOptions);
    Database loaded;
    loaded.path = db.path;
    Reader reader(loaded);
    Streaming streaming{&reader, std::nullopt, nullptr, 0, {}};
    parser->_private = &streaming;
    parser->sax->startElementNs = StartElement;
    parser->sax->endElementNs = EndElement;
    parser->sax->characters = Characters;
    parser->sax->ignorableWhitespace = Characters;
    parser->sax->cdataBlock = CData;
    std::vector<char> piece(64 << 10);
    bool unreadable = false;
    for (;;) {
        const ssize_t length = next(piece.data(), piece.size());
        unreadable = length < 0;
        if (unreadable) break;
        // Errors the parser recovers from (a namespace warning) do not end the reading; one that
        // makes the text not well-formed, or a note that cannot be read, does.
        xmlParseChunk(parser.get(), piece.data(), int(length), length == 0);
        if (length == 0 || !parser->wellFormed || streaming.failure) break;
    }
    std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)> doc(parser->myDoc, &xmlFreeDoc);
    parser->myDoc = nullptr;
    if (unreadable) {
        error = source + ": cannot read the file";
        return false;
    }
    if (streaming.failure) {
        error = source + ": " + *streaming.failure;
        return false;
    }
    if (!parser->wellFormed || !doc) {
        error = LastXmlError(source);
        return false;
    }
    if (!xmlDocGetRootElement(doc.get())) {
        error = source + ": no root element";
        return false;
    }
    try {
        reader.Finish();
    } catch (const ReadError& e) {
        error = source + ": " + e.message;
        return false;
    }
    db = std::move(loaded);
    return true;
}

}  // namespace

bool ParseDatabase(std::string_view xml, Database& db, std::string& error) {
    const auto next = [&xml](char* piece, size_t size) {
        const size_t length = std::min(size, xml.size());
        std::memcpy(piece, xml.data(), length);
        xml.remove_prefix(length);
        return ssize_t(length);
    };
    return Parse(next, db, error, "DXL");
}

bool ReadDatabase(const std::string& file, Database& db, std::string& error) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = file + ": cannot open the file";
        return false;
    }
    const auto next = [fd](char* piece, size_t size) {
        for (;;) {
            const ssize_t length = ::read(fd, piece, size);
            if (length >= 0 || errno != EINTR) return length;
        }
    };
    const bool ok = Parse(next, db, error, file);
    ::close(fd);
    return ok;
}

Database* LoadDatabase(const std::string& file, std::string& error, const std::string& dbPath) {
    Database loaded;
    if (!ReadDatabase(file, loaded, error)) return nullptr;
    Database& db = CreateDatabase(dbPath.empty() ? file : dbPath);
    loaded.path = db.path;
    db = std::move(loaded);
    return &db;
}

}  // namespace sim::dxl
