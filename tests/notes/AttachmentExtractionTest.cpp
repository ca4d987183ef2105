// Extraction of a document's $FILE items into a real temporary folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "notes/AttachmentExtraction.h"
#include "notes/AttachmentSurvey.h"
#include "notes/NotesDocument.h"
#include "notes/NotesText.h"
#include "sim/Builder.h"
#include "sim/Engine.h"
#include "sim/Faults.h"
#include "support/StandInFixture.h"
#include "support/ScratchFolder.h"

namespace stowline {
namespace {

class Attachments : public sim::ClientDatabaseTest {
protected:
    void SetUp() override {
        sim::ClientDatabaseTest::SetUp();
        host = scratch.Host();
        folder = scratch.Win();
    }
    void TearDown() override {
        document.Close();
        sim::ClientDatabaseTest::TearDown();
    }
    sim::Bytes Content(const std::string& text) { return sim::Bytes(text.begin(), text.end()); }
    std::string Read(const std::string& name) { return scratch.Read(name); }
    void Open(const sim::DocumentBuilder& builder) { ASSERT_TRUE(document.Open(handle, builder.Id(), true)); }
    // One survey of the open document, then its files written into the folder, as a run does.
    void Extract() {
        survey = SurveyAttachments(document.note);
        ExtractedAttachments extracted = ExtractAttachments(document, survey, folder);
        written = std::move(extracted.written);
        failures = std::move(extracted.failures);
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& file : written) names.push_back(file.name);
        return names;
    }
    std::vector<std::string> Paths() const {
        std::vector<std::string> paths;
        for (const auto& file : written) paths.push_back(file.path);
        return paths;
    }

    testsupport::ScratchFolder scratch{"stowline-notes-"};
    std::filesystem::path host;
    std::string folder;  // the same folder as a Windows path
    NotesDocument document;
    AttachmentSurvey survey;
    std::vector<WrittenAttachment> written;
    std::vector<std::string> failures;
};

TEST_F(Attachments, DocumentWithoutAttachments) {
    Open(sim::AddDocument(*db).Text("Subject", "none"));
    Extract();
    EXPECT_TRUE(survey.complete);
    EXPECT_EQ(survey.files, 0u);
    EXPECT_TRUE(survey.items.empty());
    EXPECT_TRUE(written.empty());
}

TEST_F(Attachments, EmbeddedObjectsAreCountedButNotWritten) {
    sim::AttachmentOptions ole;
    ole.hostType = HOST_OLE;
    sim::AttachmentOptions bytes;
    bytes.hostType = HOST_BYTEARRAY_PAGE;
    Open(sim::AddDocument(*db)
             .Attachment("object.bin", Content("ole"), ole)
             .Attachment("storage.bin", Content("page"), bytes));
    Extract();
    EXPECT_EQ(survey.files, 0u);
    EXPECT_EQ(survey.items.size(), 2u);
    EXPECT_TRUE(written.empty());
    EXPECT_TRUE(failures.empty());
    EXPECT_TRUE(std::filesystem::is_empty(host));
}

TEST_F(Attachments, RefusedNameIsWrittenCleaned) {
    Open(sim::AddDocument(*db).Attachment("a:b.txt", Content("colon")));
    Extract();
    EXPECT_EQ(survey.files, 1u);
    EXPECT_EQ(survey.items.size(), 1u);
    EXPECT_EQ(Names(), std::vector<std::string>{"a:b.txt"});
    EXPECT_EQ(Paths(), std::vector<std::string>{folder + "\\a~b.txt"});
    EXPECT_EQ(Read("a~b.txt"), "colon");
    EXPECT_TRUE(failures.empty());
}

// A name with characters the native character set lacks reads back with '?' in their place; it
// is written under a name the page's link and the deletion check can reach, not its own.
TEST_F(Attachments, NameThatLosesCharactersIsWrittenUnderWhatTheArchiveCanName) {
    Open(sim::AddDocument(*db)
             .Attachment("\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82.txt", Content("report"))
             .Attachment("Gr\xC3\xBC\xC3\x9F"
                         "e.txt",
                         Content("greetings")));
    sim::ResetCalls();
    Extract();
    // Notes would write the first under its own Unicode name: it is never asked to.
    EXPECT_EQ(sim::CallCount("NSFNoteExtractFile"), 2u);
    EXPECT_EQ(Names(), (std::vector<std::string>{"?????.txt",
                                                 "Gr\xFC\xDF"
                                                 "e.txt"}));
    EXPECT_EQ(Paths(), (std::vector<std::string>{folder + "\\~~~~~.txt", folder + "\\Gr\xFC\xDF"
                                                                                  "e.txt"}));
    EXPECT_EQ(Read("~~~~~.txt"), "report");
    EXPECT_EQ(Read("Gr\xC3\xBC\xC3\x9F"
                   "e.txt"),
              "greetings");  // the host stores names as UTF-8
    EXPECT_TRUE(failures.empty());
}

// A device name would take the bytes on Windows and leave no file: it is written cleaned at once.
TEST_F(Attachments, DeviceNameIsNeverTheTarget) {
    Open(sim::AddDocument(*db).Attachment("NUL.txt", Content("kept")));
    sim::ResetCalls();
    Extract();
    EXPECT_EQ(sim::CallCount("NSFNoteExtractFile"), 1u);
    EXPECT_EQ(Names(), std::vector<std::string>{"NUL.txt"});
    EXPECT_EQ(Paths(), std::vector<std::string>{folder + "\\~NUL.txt"});
    EXPECT_EQ(Read("~NUL.txt"), "kept");
}

TEST_F(Attachments, AFailedFileIsReportedAndTheOthersAreWritten) {
    Open(sim::AddDocument(*db)
             .Attachment("first.txt", Content("1"))
             .Attachment("second.txt", Content("2"))
             .Attachment("third.txt", Content("3")));
    // The second file fails under its own name and under the cleaned one.
    sim::InjectFault("NSFNoteExtractFile", 2, ERR_NOACCESS);
    sim::InjectFault("NSFNoteExtractFile", 3, ERR_NOACCESS);
    Extract();
    EXPECT_EQ(survey.files, 3u);
    EXPECT_EQ(Names(), (std::vector<std::string>{"first.txt", "third.txt"}));
    EXPECT_EQ(Paths(), (std::vector<std::string>{folder + "\\first.txt", folder + "\\third.txt"}));
    EXPECT_EQ(failures, std::vector<std::string>{"Unable to extract file 'second.txt' to path '" + folder +
                                                 "' for reason " + NotesErrorText(ERR_NOACCESS)});
    EXPECT_EQ(Read("first.txt"), "1");
    EXPECT_EQ(Read("third.txt"), "3");
    EXPECT_FALSE(std::filesystem::exists(host / "second.txt"));
}

TEST_F(Attachments, SealedAttachmentsNeedTheKey) {
    sim::AttachmentOptions sealed;
    sealed.encrypted = true;
    NOTEID id = sim::AddDocument(*db).Attachment("secret.txt", Content("s"), sealed).Seal("Team").Id();

    sim::SetUserKeys({"Team"});
    ASSERT_TRUE(document.Open(handle, id, true));
    Extract();
    EXPECT_EQ(Read("secret.txt"), "s");
    std::filesystem::remove(host / "secret.txt");

    sim::SetUserKeys({});
    ASSERT_TRUE(document.Open(handle, id, true));
    Extract();
    EXPECT_FALSE(document.isDecrypted);
    EXPECT_TRUE(written.empty());
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].rfind("Unable to extract file 'secret.txt'", 0), 0u) << failures[0];
}

}  // namespace
}  // namespace stowline
