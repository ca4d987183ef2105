// Every attachment of every corpus is imported with exactly the bytes Python's email package
// decodes from it: that reader is lenient, so a byte it keeps and the import loses is lost.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>

#include <notesapi/notesapi.h>

#include "MailTestSupport.h"
#include "support/ScratchFolder.h"
#include "support/StandInFixture.h"
#include "sim/mail/Import.h"
#include "sim/mail/Mailbox.h"

namespace fs = std::filesystem;

namespace {

// The parts the reference decodes from one message, in order. An undecodable part is one
// whose base64 the reference gives up on (a length no bytes have).
struct ReferencePart {
    std::string bytes;
    bool undecodable = false;
    bool matched = false;
};

std::vector<ReferencePart> ReferenceOf(const fs::path& folder) {
    std::vector<ReferencePart> out;
    for (size_t number = 0;; ++number) {
        fs::path bytes = folder / std::to_string(number);
        if (fs::exists(bytes))
            out.push_back({mailtest::ReadAll(bytes)});
        else if (fs::exists(folder / (std::to_string(number) + ".undecodable")))
            out.push_back({{}, true});
        else
            return out;
    }
}

// Whether `stored` is `part` as the import reads it. The last part of a multipart that the
// bytes end without its closing boundary keeps its last line break, which the reference
// drops: more than the reference, never less.
bool SameContent(const std::string& stored, const ReferencePart& part, bool last) {
    if (stored == part.bytes) return true;
    return last && stored.starts_with(part.bytes) &&
           (stored.substr(part.bytes.size()) == "\n" || stored.substr(part.bytes.size()) == "\r\n");
}

// Matches `stored` with the first part not matched yet that holds the same content, else
// with the first undecodable part; false when neither is left.
bool Match(std::vector<ReferencePart>& parts, const std::string& stored, size_t& undecodable) {
    for (size_t i = 0; i < parts.size(); ++i)
        if (!parts[i].matched && !parts[i].undecodable && SameContent(stored, parts[i], i + 1 == parts.size()))
            return parts[i].matched = true;
    for (ReferencePart& part : parts)
        if (!part.matched && part.undecodable) {
            ++undecodable;
            return part.matched = true;
        }
    return false;
}

std::string Sizes(const std::vector<ReferencePart>& parts) {
    std::string out;
    for (const ReferencePart& part : parts)
        out += (out.empty() ? "" : ", ") +
               (part.undecodable ? std::string("undecodable") : std::to_string(part.bytes.size()));
    return out;
}

// Messages whose header the reference reads wrongly, with how; their attachments are not
// compared.
const std::map<std::string, std::string> kReadWrongly = {
    {"enmime/testdata/low-quality/bad-header-wrap.raw",
     "a header line continued without white space ends the header, and the rest of it is decoded "
     "as the part's base64"},
    {"mikel-mail/fixture-set/fixtures/emails/mime_emails/raw_email_with_binary_encoded.eml#1",
     "a boundary holding \"=\" without quotes is not found: the multipart is one part"},
    {"mimekit/UnitTests/TestData/messages/feedback-report.txt",
     "a byte order mark before the header hides the whole header"},
    {"php-mime-mail-parser/tests/mails/issue126",
     "of two Content-Type fields the first is taken; the import takes the last"},
};

}  // namespace

class CorpusAttachments : public ::testing::TestWithParam<std::string> {};

TEST_P(CorpusAttachments, AreTheBytesALenientDecoderGives) {
    testsupport::ScratchFolder folder{"corpus-attachments-"};
    const fs::path scratch = folder.Host();
    fs::create_directories(scratch / "messages");

    // Each message as the import reads it, in a file of its own.
    std::vector<std::string> sources;
    for (const fs::path& path : mailtest::MailboxesOf(GetParam())) {
        sim::mail::Mailbox box(path);
        box.ForEach([&](const sim::mail::MessageLocation& location, std::string_view bytes) {
            std::ofstream(scratch / "messages" / (std::to_string(sources.size()) + ".eml"), std::ios::binary) << bytes;
            sources.push_back(box.Source(location));
        });
    }
    ASSERT_FALSE(sources.empty());
    std::string command = std::string(STOWLINE_PYTHON3) + " " + STOWLINE_PYTHON_ATTACHMENTS + " " +
                          (scratch / "messages").string() + " " + (scratch / "reference").string();
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    size_t compared = 0, undecodable = 0, skipped = 0;
    for (size_t n = 0; n < sources.size(); ++n) {
        SCOPED_TRACE(sources[n]);
        std::string relative = fs::relative(sources[n], mailtest::DataDir()).string();
        if (kReadWrongly.contains(relative)) {
            ++skipped;
            continue;
        }
        sim::Reset();
        sim::Database& db = sim::CreateDatabase("corpus.nsf");
        sim::mail::ImportSummary summary = sim::mail::Import(db, {scratch / "messages" / (std::to_string(n) + ".eml")});
        if (summary.messages == 0) continue;  // holds no message; the import test counts those
        std::vector<mailtest::StoredFile> stored;
        for (auto& [id, note] : db.notes)
            if (note.noteClass == NOTE_CLASS_DOCUMENT) stored = mailtest::ExtractAttachments(db.path, id);
        // The readers may cut a damaged message into parts differently, so an attachment is
        // compared with whichever part of the reference decodes to the same bytes: one that
        // lost or gained a byte matches none.
        std::vector<ReferencePart> reference = ReferenceOf(scratch / "reference" / std::to_string(n));
        for (const mailtest::StoredFile& file : stored) {
            ++compared;
            EXPECT_TRUE(Match(reference, file.bytes, undecodable))
                << file.name << ": no part of the reference decodes to its " << file.bytes.size()
                << " bytes; the reference's parts: " << Sizes(reference);
        }
    }
    sim::Reset();
    std::cout << GetParam() << ": " << sources.size() << " messages, " << compared << " attachments, " << undecodable
              << " of them undecodable by the reference; " << skipped << " messages the reference reads wrongly\n";
}

INSTANTIATE_TEST_SUITE_P(Sets, CorpusAttachments,
                         ::testing::Values("apache-spamassassin", "enmime", "james-mime4j", "mailgun-flanker",
                                           "mikel-mail", "mimekit", "php-mime-mail-parser", "stalwart-mail-parser"),
                         mailtest::ParamName);
