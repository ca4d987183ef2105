// The survey reads $FILE values as Notes stores them: a type word and a FILEOBJECT in canonical
// form, with no pad bytes, whatever this build's structure layout (naturally aligned FILEOBJECT
// puts FileNameLength at 8 and HostType at 10, where the stored value holds HostType and
// CompressionType).
#include <gtest/gtest.h>

#include <string>

#include "notes/AttachmentSurvey.h"
#include "sim/Builder.h"
#include "support/StandInFixture.h"

namespace stowline {
namespace {

// A $FILE value after its type word, byte for byte as the canonical FILEOBJECT lays it out.
sim::Bytes CanonicalFileObject(WORD hostType, const std::string& name, std::size_t cut = 0) {
    sim::Bytes v = {
        0x00,
        0x00,  // Header.ObjectType: OBJECT_FILE
        0x07,
        0x00,
        0x00,
        0x00,  // Header.RRV
        static_cast<BYTE>(name.size()),
        0x00,  // FileNameLength
        static_cast<BYTE>(hostType),
        static_cast<BYTE>(hostType >> 8),  // HostType
        0x00,
        0x00,  // CompressionType
        0x00,
        0x00,  // FileAttributes
        0x00,
        0x00,  // Flags
        0x03,
        0x00,
        0x00,
        0x00,  // FileSize
        1,
        2,
        3,
        4,
        5,
        6,
        7,
        8,  // FileCreated
        1,
        2,
        3,
        4,
        5,
        6,
        7,
        8,  // FileModified
    };
    for (char c : name) v.push_back(static_cast<BYTE>(c));
    v.resize(v.size() - cut);
    return v;
}

class Survey : public sim::ClientDatabaseTest {
protected:
    AttachmentSurvey Of(const sim::DocumentBuilder& builder) {
        NOTEHANDLE note = NULLHANDLE;
        EXPECT_EQ(NSFNoteOpen(handle, builder.Id(), 0, &note), NOERROR);
        AttachmentSurvey survey = SurveyAttachments(note);
        NSFNoteClose(note);
        return survey;
    }
};

TEST_F(Survey, ReadsTheStoredFileObjectByItsCanonicalOffsets) {
    const auto survey = Of(sim::AddDocument(*db)
                               .Raw("$FILE", TYPE_OBJECT, CanonicalFileObject(HOST_MSDOS, "report.txt"))
                               .Raw("$FILE", TYPE_OBJECT, CanonicalFileObject(HOST_OLE, "embedded"))
                               .Raw("$FILE", TYPE_OBJECT, CanonicalFileObject(HOST_HPFS, "cut.txt", 1)));
    ASSERT_TRUE(survey.complete);
    ASSERT_EQ(survey.items.size(), 3u);
    EXPECT_EQ(survey.files, 2u);

    EXPECT_TRUE(survey.items[0].isFile);
    EXPECT_FALSE(survey.items[0].damaged);
    EXPECT_EQ(survey.items[0].storedName, "report.txt");
    EXPECT_EQ(survey.items[0].name, "report.txt");

    EXPECT_FALSE(survey.items[1].isFile) << "an OLE object is not a file";
    EXPECT_EQ(survey.items[1].storedName, "embedded");

    EXPECT_TRUE(survey.items[2].damaged) << "a name longer than the value is not read past its end";
}

TEST_F(Survey, TheStandInStoresWhatTheSurveyReads) {
    sim::AttachmentOptions options;
    options.hostType = HOST_HPFS;
    options.created = TIMEDATE{{0x04030201, 0x08070605}};
    options.modified = TIMEDATE{{0x04030201, 0x08070605}};
    const auto builder = sim::AddDocument(*db).Attachment("report.txt", {'a', 'b', 'c'}, options);
    NOTEHANDLE note = NULLHANDLE;
    ASSERT_EQ(NSFNoteOpen(handle, builder.Id(), 0, &note), NOERROR);
    BLOCKID item{}, value{};
    WORD type = 0;
    DWORD length = 0;
    ASSERT_EQ(NSFItemInfo(note, "$FILE", 5, &item, &type, &value, &length), NOERROR);
    const auto* data = static_cast<const BYTE*>(OSLockObject(value.pool)) + value.block;
    const sim::Bytes stored(data, data + length);
    OSUnlockObject(value.pool);
    NSFNoteClose(note);

    sim::Bytes expected = {0x03, 0x00};  // TYPE_OBJECT
    const sim::Bytes object = CanonicalFileObject(HOST_HPFS, "report.txt");
    expected.insert(expected.end(), object.begin(), object.end());
    ASSERT_EQ(stored.size(), expected.size());
    // The object ID is the stand-in's to choose; every other byte is the documented layout.
    for (std::size_t at : {4u, 5u, 6u, 7u}) expected[at] = stored[at];
    EXPECT_EQ(stored, expected);
}

}  // namespace
}  // namespace stowline
