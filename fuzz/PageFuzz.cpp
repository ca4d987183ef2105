// The page builder over arbitrary field values: one document whose header fields, body and
// attachment names come from the input (parts separated by NUL bytes), archived into a scratch
// tree and checked as in the mail target.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "ArchiveHarness.h"
#include "sim/Builder.h"
#include "sim/Engine.h"
#include "sim/Time.h"

namespace {

std::vector<std::string> Split(const std::string& text, char at) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(at, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::BeginInput();
    std::vector<std::string> parts = Split(std::string(reinterpret_cast<const char*>(data), size), '\0');
    parts.resize(std::max<std::size_t>(parts.size(), 8));
    sim::Database& db = sim::CreateDatabase("mail.nsf");
    // Values are LMBCS as Notes stores them: any byte sequence the client could hand over.
    sim::DocumentBuilder doc = sim::AddDocument(db);
    doc.Raw("Subject", TYPE_TEXT, sim::EncodeText(parts[0]), sim::ITEM_SUMMARY)
        .Raw("From", TYPE_TEXT, sim::EncodeText(parts[1]), sim::ITEM_SUMMARY)
        .Raw("SendTo", TYPE_TEXT_LIST, sim::EncodeTextList(Split(parts[2], ';')), sim::ITEM_SUMMARY)
        .Raw("CopyTo", TYPE_TEXT_LIST, sim::EncodeTextList(Split(parts[3], ';')), sim::ITEM_SUMMARY)
        .Raw("Form", TYPE_TEXT, sim::EncodeText("Memo"), sim::ITEM_SUMMARY);
    sim::RichText body;
    for (const auto& line : Split(parts[4], '\n')) body.Paragraph(line);
    doc.Rich("Body", body);
    if (parts[5].size() >= 8) {
        TIMEDATE when{};
        std::memcpy(&when, parts[5].data(), sizeof when);
        doc.Time("PostedDate", when);
    }
    for (std::size_t i = 6; i + 1 < parts.size(); i += 2)
        if (!parts[i].empty()) doc.Attachment(parts[i], sim::Bytes(parts[i + 1].begin(), parts[i + 1].end()));
    fuzz::ArchiveAndCheck(db, {doc.Id()}, true);
    sim::Reset();
    return 0;
}
